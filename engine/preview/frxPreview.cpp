#include "engine/preview/frxPreview.h"

#include "engine/pages/frxPreviewPages.h"
#include "platform/Ui.h"
#include "report/core/frxRes.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/host/frxEngineBase.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kGap = 10;
constexpr int kSmallStep = 8;
constexpr int kLargeStep = 300;
constexpr double kThumbnailZoom = 0.1;

// One line of text the page draws, in report pixels from the paper's top-left corner.
struct TextRecord {
    QString Text;
    QRectF Bounds;
};

// The text lines of a page in drawing order. A text object's lines share its rectangle in equal
// strips, which is where its lines sit for the single-line fields of a waybill.
QList<TextRecord> TextRecords(TfrxReportPage &page)
{
    QList<TextRecord> records;
    const double originX = page.LeftMargin() * fr01cm;
    const double originY = page.TopMargin() * fr01cm;
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    for (TfrxComponent *component : page.AllObjects()) {
        auto *memo = qobject_cast<TfrxCustomMemoView *>(component);
        if (!memo || !memo->Visible())
            continue;
        const QStringList lines = memo->Text().split(lineBreak);
        const QRectF bounds(originX + memo->AbsLeft(), originY + memo->AbsTop(), memo->Width(),
                            memo->Height());
        const double step = bounds.height() / std::max<qsizetype>(1, lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            records.append(
                {lines[i], QRectF(bounds.left(), bounds.top() + step * double(i), bounds.width(), step)});
    }
    return records;
}

} // namespace

// ---- page list ----

void TfrxPageList::Clear()
{
    m_sizes.clear();
    m_items.clear();
    m_extent = QSize();
}

void TfrxPageList::AddPage(QSize size)
{
    m_sizes.push_back(size);
    m_items.push_back({frxRound(m_zoom * size.width()), frxRound(m_zoom * size.height()), 0, 0});
}

void TfrxPageList::SetPageSize(int index, QSize size)
{
    if (index < 0 || index >= Count())
        return;
    m_sizes[size_t(index)] = size;
    m_items[size_t(index)].Width = frxRound(m_zoom * size.width());
    m_items[size_t(index)].Height = frxRound(m_zoom * size.height());
}

QSize TfrxPageList::PageSize(int index) const
{
    return index >= 0 && index < Count() ? m_sizes[size_t(index)] : QSize();
}

void TfrxPageList::SetZoom(double zoom)
{
    m_zoom = zoom;
    for (size_t i = 0; i < m_items.size(); ++i) {
        m_items[i].Width = frxRound(zoom * m_sizes[i].width());
        m_items[i].Height = frxRound(zoom * m_sizes[i].height());
    }
}

void TfrxPageList::CalcBounds(int clientWidth)
{
    int y = kGap;
    int right = 0;
    size_t i = 0;
    while (i < m_items.size()) {
        const size_t start = i;
        int rowWidth = 0;
        int rowHeight = 0;
        // A row takes pages while they fit; its first page always does.
        while (i < m_items.size()) {
            TfrxPageItem &item = m_items[i];
            if (i > start && rowWidth + item.Width > clientWidth)
                break;
            item.OffsetX = rowWidth;
            item.OffsetY = y;
            rowWidth += item.Width + kGap;
            rowHeight = std::max(rowHeight, item.Height);
            ++i;
        }
        // Centred: the row's pages and the gaps between them sit in the middle of the client. (An
        // extra 10 pixels here would push every row right of centre, and a page-width zoom's page
        // against the scroll bar.)
        int shift = (clientWidth - rowWidth + kGap) / 2;
        if (shift < 0)
            shift = kGap;
        for (size_t k = start; k < i; ++k) {
            m_items[k].OffsetX += shift;
            right = std::max(right, m_items[k].OffsetX + m_items[k].Width);
        }
        y += rowHeight + kGap;
    }
    m_extent = QSize(right + kGap, y);
}

QRect TfrxPageList::PageRect(int index) const
{
    if (index < 0 || index >= Count())
        return QRect();
    const TfrxPageItem &item = m_items[size_t(index)];
    return QRect(item.OffsetX, item.OffsetY, item.Width, item.Height);
}

int TfrxPageList::FindPage(int y) const
{
    if (m_items.empty())
        return -1;
    // Rows run down the list: the last row starting at or above y holds the point.
    auto it = std::upper_bound(m_items.begin(), m_items.end(), y,
                               [](int value, const TfrxPageItem &item) { return value < item.OffsetY; });
    if (it == m_items.begin())
        return 0;
    --it;
    const int rowTop = it->OffsetY;
    while (it != m_items.begin() && (it - 1)->OffsetY == rowTop)
        --it;
    return int(it - m_items.begin());
}

std::vector<int> TfrxPageList::PagesIn(const QRect &r) const
{
    std::vector<int> result;
    if (m_items.empty())
        return result;
    // Start a row above the rectangle (the tallest page could reach into it) and walk down.
    int start = FindPage(r.top());
    if (start > 0)
        start = FindPage(m_items[size_t(start - 1)].OffsetY);
    for (int i = std::max(0, start); i < Count(); ++i) {
        const QRect page = PageRect(i);
        if (page.top() > r.bottom())
            break;
        if (page.intersects(r))
            result.push_back(i);
    }
    return result;
}

// ---- workspace ----

TfrxPreviewWorkspace::TfrxPreviewWorkspace(bool thumbnail, QWidget *parent)
    : QAbstractScrollArea(parent), m_thumbnail(thumbnail)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(thumbnail ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(kSmallStep);
    verticalScrollBar()->setPageStep(kLargeStep);
    horizontalScrollBar()->setSingleStep(kSmallStep);
    horizontalScrollBar()->setPageStep(kLargeStep);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    if (thumbnail)
        m_pageList.SetZoom(kThumbnailZoom);
}

void TfrxPreviewWorkspace::SetPageIndex(int index)
{
    if (index == m_pageIndex)
        return;
    m_pageIndex = index;
    viewport()->update();
}

void TfrxPreviewWorkspace::UpdateLayout()
{
    m_pageList.CalcBounds(viewport()->width());
    const QSize extent = m_pageList.Extent();
    m_scrollingToPage = true;
    verticalScrollBar()->setRange(0, std::max(0, extent.height() - viewport()->height()));
    horizontalScrollBar()->setRange(0, std::max(0, extent.width() - viewport()->width()));
    verticalScrollBar()->setPageStep(m_thumbnail ? viewport()->height() : kLargeStep);
    m_scrollingToPage = false;
    viewport()->update();
}

void TfrxPreviewWorkspace::ScrollToPage(int index)
{
    const QRect r = m_pageList.PageRect(index);
    if (r.isNull())
        return;
    m_scrollingToPage = true;
    verticalScrollBar()->setValue(r.top() - kGap);
    m_scrollingToPage = false;
    viewport()->update();
}

void TfrxPreviewWorkspace::ScrollToRect(const QRect &r)
{
    constexpr int kSpare = 20;
    const QRect visible(ScrollPosition(), viewport()->size());
    m_scrollingToPage = true;
    if (r.top() < visible.top() || r.bottom() > visible.bottom())
        verticalScrollBar()->setValue(r.top() - kSpare);
    if (r.left() < visible.left() || r.right() > visible.right())
        horizontalScrollBar()->setValue(r.left() - kSpare);
    m_scrollingToPage = false;
    viewport()->update();
}

QPoint TfrxPreviewWorkspace::ScrollPosition() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void TfrxPreviewWorkspace::SetFound(int page, const QRectF &line)
{
    m_foundPage = page;
    m_foundLine = line;
    viewport()->update();
}

QRect TfrxPreviewWorkspace::ViewRect(int index) const
{
    return m_pageList.PageRect(index).translated(-ScrollPosition());
}

void TfrxPreviewWorkspace::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, m_backColor);
    if (!m_pages)
        return;
    const double zoom = m_pageList.Zoom();
    const QRect visible = dirty.translated(ScrollPosition());
    const int count = m_pages->Count();
    for (int index : m_pageList.PagesIn(visible)) {
        if (index >= count)
            break;
        const QRect r = ViewRect(index);
        painter.setClipping(false);
        painter.setPen(m_frameColor);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(-1, -1, 0, 0));
        painter.fillRect(r, Qt::white);
        painter.save();
        painter.setClipRect(r & dirty);
        TfrxCanvas canvas(painter);
        m_pages->DrawPreparedPage(index, canvas, zoom, zoom, r.left(), r.top());
        painter.restore();
        painter.setClipping(false);
        if (index == m_foundPage && !m_foundLine.isEmpty()) {
            const QRectF line(r.left() + m_foundLine.left() * zoom, r.top() + m_foundLine.top() * zoom,
                              m_foundLine.width() * zoom, m_foundLine.height() * zoom);
            painter.save();
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.fillRect(line.toAlignedRect() & r, Qt::white);
            painter.restore();
        }
        if (index == m_pageIndex) {
            QPen pen(m_activeFrameColor);
            pen.setWidth(2);
            pen.setJoinStyle(Qt::MiterJoin);
            painter.setPen(pen);
            painter.drawRect(QRectF(r).adjusted(-1, -1, 1, 1));
        }
        if (m_thumbnail) {
            QFont font(QStringLiteral("Arial"));
            font.setPointSize(8);
            painter.setFont(font);
            const QString number = QString::number(index + 1);
            QRect label = painter.fontMetrics().boundingRect(number).adjusted(-3, -1, 3, 1);
            label.moveCenter(QPoint(r.center().x(), r.bottom() - label.height() / 2 - 2));
            painter.fillRect(label, m_backColor);
            painter.setPen(Qt::white);
            painter.drawText(label, Qt::AlignCenter, number);
        }
        if (OnPagePainted)
            OnPagePainted(index);
    }
}

void TfrxPreviewWorkspace::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    emit Resized();
}

void TfrxPreviewWorkspace::scrollContentsBy(int, int)
{
    viewport()->update();
    if (!m_scrollingToPage && !m_thumbnail)
        emit TopPageChanged(m_pageList.FindPage(verticalScrollBar()->value() + kGap));
}

void TfrxPreviewWorkspace::wheelEvent(QWheelEvent *event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->accept();
        return;
    }
    if (event->modifiers() & Qt::ControlModifier && !m_thumbnail)
        emit ZoomStep(notches);
    else
        verticalScrollBar()->setValue(verticalScrollBar()->value() - notches * 20);
    event->accept();
}

void TfrxPreviewWorkspace::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint() + ScrollPosition();
    for (int index : m_pageList.PagesIn(QRect(at, QSize(1, 1))))
        if (m_pageList.PageRect(index).contains(at)) {
            emit PageClicked(index);
            break;
        }
    QAbstractScrollArea::mousePressEvent(event);
}

void TfrxPreviewWorkspace::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit DoubleClicked();
    QAbstractScrollArea::mouseDoubleClickEvent(event);
}

// ---- preview control ----

TfrxPreview::TfrxPreview(TfrxReport *report, QWidget *parent) : QWidget(parent), m_report(report)
{
    setObjectName(QStringLiteral("Preview"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(m_splitter);

    m_leftPane = new QSplitter(Qt::Vertical, m_splitter);
    m_outline = new QTreeWidget(m_leftPane);
    m_outline->setHeaderHidden(true);
    m_outline->setObjectName(QStringLiteral("OutlineTree"));
    m_thumbnails = new TfrxPreviewWorkspace(true, m_leftPane);
    m_thumbnails->setObjectName(QStringLiteral("Thumbnails"));
    m_workspace = new TfrxPreviewWorkspace(false, m_splitter);
    m_workspace->setObjectName(QStringLiteral("Workspace"));
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_outline->hide();
    m_thumbnails->hide();
    m_leftPane->hide();

    TfrxPreviewPages *pages = PreviewPages();
    m_workspace->SetPreviewPages(pages);
    m_thumbnails->SetPreviewPages(pages);
    if (report)
        // A window may outlive its report: from then on it shows no pages.
        connect(report, &QObject::destroyed, this, [this] {
            m_workspace->SetPreviewPages(nullptr);
            m_thumbnails->SetPreviewPages(nullptr);
            m_running = false;
            m_buildTimer.stop();
        });

    m_messagePanel = new QFrame(this);
    m_messagePanel->setObjectName(QStringLiteral("MessagePanel"));
    static_cast<QFrame *>(m_messagePanel)->setFrameShape(QFrame::Panel);
    static_cast<QFrame *>(m_messagePanel)->setFrameShadow(QFrame::Raised);
    m_messagePanel->setAutoFillBackground(true);
    m_messagePanel->setFixedSize(260, 75);
    auto *panelLayout = new QVBoxLayout(m_messagePanel);
    m_messageLabel = new QLabel(m_messagePanel);
    m_messageLabel->setAlignment(Qt::AlignCenter);
    m_messageCancel = new QPushButton(frxGet(QStringLiteral("prvCancel")), m_messagePanel);
    panelLayout->addWidget(m_messageLabel);
    panelLayout->addWidget(m_messageCancel, 0, Qt::AlignHCenter);
    m_messagePanel->hide();
    connect(m_messageCancel, &QPushButton::clicked, this, &TfrxPreview::CancelBuild);

    m_buildTimer.setSingleShot(true);
    m_buildTimer.setInterval(50);
    connect(&m_buildTimer, &QTimer::timeout, this, [this] {
        QPointer<TfrxPreview> self(this);
        QPointer<TfrxReport> shown = m_report;
        if (!shown)
            return;
        TfrxCustomEngine *engine = shown->Engine();
        if (m_running || (engine && engine->Running())) {
            // A build is still filling the window: this one starts when that ended.
            m_buildTimer.start();
            return;
        }
        bool built = false;
        try {
            built = shown->BuildPages(false);
        } catch (const std::exception &e) {
            // simReThrow hands the collected errors back; the window shows them itself.
            Ui::Message(ExceptionText(e), frxGet(QStringLiteral("SError")), UiIcon::Error);
        }
        if (!self)
            return;
        // A build that stopped on its checks has nothing to show: its window goes.
        if (!built && PageCount() == 0 && m_ownerWindow)
            m_ownerWindow->close();
    });

    connect(m_workspace, &TfrxPreviewWorkspace::TopPageChanged, this, &TfrxPreview::UpdateCurrentFromScroll);
    connect(m_workspace, &TfrxPreviewWorkspace::PageClicked, this, [this](int index) {
        m_pageNo = index + 1;
        m_workspace->SetPageIndex(index);
        m_thumbnails->SetPageIndex(index);
        emit StatusChanged();
    });
    connect(m_thumbnails, &TfrxPreviewWorkspace::PageClicked, this,
            [this](int index) { ShowPage(index + 1); });
    connect(m_workspace, &TfrxPreviewWorkspace::ZoomStep, this, &TfrxPreview::WheelZoom);
    connect(m_workspace, &TfrxPreviewWorkspace::Resized, this, [this] {
        if (!m_locked)
            Relayout();
    });
    connect(m_thumbnails, &TfrxPreviewWorkspace::Resized, this, [this] { m_thumbnails->UpdateLayout(); });
    connect(m_outline, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        ShowPage(item->data(0, Qt::UserRole).toInt() + 1);
        const int top = item->data(0, Qt::UserRole + 1).toInt();
        if (top > 0)
            ScrollBy(0, frxRound(top * m_zoom));
    });
}

TfrxPreview::~TfrxPreview() = default;

TfrxPreviewPages *TfrxPreview::PreviewPages() const
{
    return m_report ? dynamic_cast<TfrxPreviewPages *>(m_report->PreviewPages()) : nullptr;
}

int TfrxPreview::PageCount() const
{
    TfrxPreviewPages *pages = PreviewPages();
    return pages ? pages->Count() : 0;
}

void TfrxPreview::ShowPage(int n)
{
    const int count = std::min(PageCount(), m_workspace->PageList().Count());
    n = std::clamp(n, 1, std::max(1, count));
    m_pageNo = n;
    m_workspace->SetPageIndex(n - 1);
    m_thumbnails->SetPageIndex(n - 1);
    m_refreshing = true;
    m_workspace->ScrollToPage(n - 1);
    const QRect thumb = m_thumbnails->PageList().PageRect(n - 1);
    if (!thumb.isNull() && m_thumbnails->isVisible())
        m_thumbnails->ScrollToRect(thumb);
    m_refreshing = false;
    emit StatusChanged();
}

void TfrxPreview::ScrollBy(int dx, int dy)
{
    QScrollBar *h = m_workspace->horizontalScrollBar();
    QScrollBar *v = m_workspace->verticalScrollBar();
    h->setValue(h->value() + dx);
    v->setValue(v->value() + dy);
}

void TfrxPreview::UpdateCurrentFromScroll(int topPage)
{
    if (m_refreshing || topPage < 0)
        return;
    m_pageNo = topPage + 1;
    m_workspace->SetPageIndex(topPage);
    m_thumbnails->SetPageIndex(topPage);
    emit StatusChanged();
}

// ---- zoom ----

double TfrxPreview::BoundZoom(double zoom)
{
    if (std::isnan(zoom))
        return 1;
    return std::clamp(zoom, MinZoom, MaxZoom);
}

void TfrxPreview::SetZoom(double zoom)
{
    m_zoom = BoundZoom(zoom);
    Relayout();
    ShowPage(m_pageNo);
    emit ZoomChanged(m_zoom);
}

void TfrxPreview::SetZoomMode(frx::TfrxZoomMode mode)
{
    m_zoomMode = mode;
    Relayout();
    ShowPage(m_pageNo);
    emit ZoomChanged(m_zoom);
}

void TfrxPreview::ZoomIn()
{
    m_zoomMode = frx::zmDefault;
    SetZoom(m_zoom + 0.25);
}

void TfrxPreview::ZoomOut()
{
    m_zoomMode = frx::zmDefault;
    SetZoom(m_zoom - 0.25);
}

void TfrxPreview::WheelZoom(int notches)
{
    constexpr double kWheelFloor = 0.3;
    double zoom = m_zoom + 0.1 * notches;
    if (zoom < kWheelFloor)
        zoom = std::min(m_zoom, kWheelFloor);
    m_zoomMode = frx::zmDefault;
    SetZoom(zoom);
}

void TfrxPreview::ApplyZoomMode()
{
    if (m_zoomMode != frx::zmPageWidth && m_zoomMode != frx::zmWholePage)
        return;
    TfrxPreviewPages *pages = PreviewPages();
    const QSize page = pages ? pages->GetPageSize(m_pageNo - 1) : QSize();
    if (page.width() <= 0 || page.height() <= 0)
        return;
    const int scrollBar = m_workspace->verticalScrollBar()->sizeHint().width();
    const double pageWidthZoom = double(m_workspace->width() - scrollBar - 26) / page.width();
    double zoom = pageWidthZoom;
    const QSize client = m_workspace->viewport()->size();
    if (m_zoomMode == frx::zmWholePage && client.width() > 0 && client.height() > 0 &&
        double(page.height()) / client.height() >= double(page.width()) / client.width())
        zoom = double(m_workspace->height() - 26) / page.height();
    m_zoom = BoundZoom(zoom);
}

void TfrxPreview::Relayout()
{
    ApplyZoomMode();
    m_workspace->PageList().SetZoom(m_zoom);
    m_workspace->UpdateLayout();
    m_thumbnails->UpdateLayout();
}

void TfrxPreview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceMessagePanel();
}

// ---- pages ----

void TfrxPreview::ResetPages()
{
    m_workspace->PageList().Clear();
    m_thumbnails->PageList().Clear();
    m_workspace->SetFound(-1, QRectF());
    m_thumbnails->SetPageIndex(0);
    m_workspace->SetPageIndex(0);
    m_outline->clear();
    m_foundPage = -1;
    m_foundRecord = -1;
    m_allowFindNext = false;
    m_pageNo = 1;
    m_workspace->verticalScrollBar()->setValue(0);
    m_workspace->horizontalScrollBar()->setValue(0);
}

void TfrxPreview::SyncPageList()
{
    TfrxPreviewPages *pages = PreviewPages();
    const int count = pages ? pages->Count() : 0;
    TfrxPageList &list = m_workspace->PageList();
    TfrxPageList &thumbs = m_thumbnails->PageList();
    if (list.Count() > count) {
        list.Clear();
        thumbs.Clear();
    }
    for (int i = list.Count(); i < count; ++i) {
        const QSize size = pages->GetPageSize(i);
        list.AddPage(size);
        thumbs.AddPage(size);
    }
}

void TfrxPreview::RefreshPages()
{
    m_workspace->PageList().Clear();
    m_thumbnails->PageList().Clear();
    SyncPageList();
    Relayout();
    FillOutline();
    ShowPage(m_pageNo);
}

void TfrxPreview::PagesChanged()
{
    ResetPages();
    SyncPageList();
    Relayout();
    FillOutline();
    ShowPage(1);
}

void TfrxPreview::FillOutline()
{
    m_outline->clear();
    TfrxPreviewPages *pages = PreviewPages();
    if (!pages)
        return;
    TfrxOutline *outline = pages->Outline();
    outline->LevelRoot();
    FillOutlineLevel(nullptr, 0);
    outline->LevelRoot();
    if (m_report && m_report->PreviewOptions()->OutlineExpand())
        m_outline->expandAll();
}

void TfrxPreview::FillOutlineLevel(QTreeWidgetItem *parent, int depth)
{
    TfrxOutline *outline = PreviewPages()->Outline();
    const int count = outline->Count();
    for (int i = 0; i < count; ++i) {
        QString text;
        int page = 0;
        int top = 0;
        outline->GetItem(i, text, page, top);
        auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_outline);
        item->setText(0, text);
        item->setData(0, Qt::UserRole, page);
        item->setData(0, Qt::UserRole + 1, top);
        if (depth < 64) {
            outline->LevelDown(i);
            FillOutlineLevel(item, depth + 1);
            outline->LevelUp();
        }
    }
}

void TfrxPreview::ExpandOutline(bool expand)
{
    if (expand)
        m_outline->expandAll();
    else
        m_outline->collapseAll();
}

void TfrxPreview::SetOutlineVisible(bool visible)
{
    m_outline->setVisible(visible);
    UpdateLeftPane();
}

void TfrxPreview::SetThumbnailVisible(bool visible)
{
    m_thumbnails->setVisible(visible);
    UpdateLeftPane();
    if (visible) {
        m_thumbnails->UpdateLayout();
        const QRect thumb = m_thumbnails->PageList().PageRect(m_pageNo - 1);
        if (!thumb.isNull())
            m_thumbnails->ScrollToRect(thumb);
    }
}

void TfrxPreview::UpdateLeftPane()
{
    const bool outline = m_outline->isVisibleTo(m_leftPane);
    const bool thumbnails = m_thumbnails->isVisibleTo(m_leftPane);
    if (outline && thumbnails) {
        const int half = std::max(1, m_leftPane->height() / 2);
        m_leftPane->setSizes({half, half});
    }
    const bool show = outline || thumbnails;
    if (show == m_leftPane->isVisibleTo(this))
        return;
    m_leftPane->setVisible(show);
    if (show)
        m_splitter->setSizes({m_outlineWidth, std::max(1, m_splitter->width() - m_outlineWidth)});
    if (!m_locked)
        Relayout();
}

bool TfrxPreview::OutlineVisible() const
{
    return m_outline->isVisibleTo(m_leftPane) && m_leftPane->isVisibleTo(const_cast<TfrxPreview *>(this));
}

bool TfrxPreview::ThumbnailVisible() const
{
    return m_thumbnails->isVisibleTo(m_leftPane) && m_leftPane->isVisibleTo(const_cast<TfrxPreview *>(this));
}

void TfrxPreview::SetOutlineWidth(int width)
{
    m_outlineWidth = std::max(20, width);
    if (m_leftPane->isVisibleTo(this))
        m_splitter->setSizes({m_outlineWidth, std::max(1, m_splitter->width() - m_outlineWidth)});
}

// ---- building ----

void TfrxPreview::BuildDeferred()
{
    m_buildTimer.start();
    // The pages were emptied for the build: show none until it brings new ones.
    SyncPageList();
    Relayout();
    emit StatusChanged();
}

void TfrxPreview::CancelBuild()
{
    if (m_running && m_report)
        m_report->SetTerminated(true);
}

void TfrxPreview::StartBuild()
{
    ResetPages();
    m_running = true;
    m_cancelShown = false;
    m_firstPass = false;
    m_firstPassCount = 0;
    m_tick = 50;
    Relayout();
    emit RunningChanged(true);
    emit StatusChanged();
    QCoreApplication::processEvents();
}

void TfrxPreview::BuildProgress(int event, int page)
{
    if (event == 0) {
        StartBuild();
        return;
    }
    if (event == 2) {
        m_running = false;
        m_cancelShown = false;
        m_firstPass = false;
        SyncPageList();
        Relayout();
        FillOutline();
        ShowPage(m_pageNo);
        emit RunningChanged(false);
        emit StatusChanged();
        return;
    }
    if (!m_running)
        return;
    TfrxPreviewPages *pages = PreviewPages();
    if (pages && pages->FirstPassOfDouble()) {
        m_firstPass = true;
        m_cancelShown = true;
        m_firstPassCount = page + 1;
        emit StatusChanged();
        QCoreApplication::processEvents();
        return;
    }
    if (m_firstPass) {
        // The final pass begins: the first pass's pages are gone.
        m_firstPass = false;
        m_workspace->PageList().Clear();
        m_thumbnails->PageList().Clear();
    }
    if (page < 50)
        SyncPageList();
    if (page == 0) {
        m_cancelShown = true;
        Relayout();
        ShowPage(1);
        emit RunningChanged(true);
        m_firstPageTime.start();
    } else if (page == 1) {
        // The time the first page took picks how often the view follows the build.
        const qint64 ms = m_firstPageTime.elapsed();
        m_tick = ms <= 4 ? 50 : (ms > 9 ? 5 : 20);
        Relayout();
        ShowPage(1);
    } else if (page % m_tick == 0) {
        SyncPageList();
        Relayout();
        m_workspace->SetPageIndex(m_pageNo - 1);
        emit StatusChanged();
    }
    QCoreApplication::processEvents();
}

// ---- commands ----

void TfrxPreview::PrintFromPreview()
{
    if (Busy() || !m_report || PageCount() == 0)
        return;
    // The print dialog's "Current page" is the page shown here.
    if (TfrxPreviewPages *pages = PreviewPages())
        pages->SetCurPreviewPage(m_pageNo);
    try {
        m_report->PrintPrepared();
    } catch (const std::exception &e) {
        Ui::Message(ExceptionText(e), frxGet(QStringLiteral("SError")), UiIcon::Error);
    }
    m_workspace->viewport()->update();
}

namespace {
QString PreparedFilter()
{
    return frxGet(QStringLiteral("prvPreparedReport")) + QStringLiteral(" (*.fp3)|*.fp3");
}
} // namespace

void TfrxPreview::SavePrepared()
{
    if (Busy() || PageCount() == 0)
        return;
    QString name = Ui::SaveFileName(PreparedFilter());
    if (name.isEmpty())
        return;
    const QFileInfo info(name);
    if (!info.suffix().isEmpty())
        name.chop(info.suffix().size() + 1);
    SaveToFile(name + QStringLiteral(".fp3"));
}

void TfrxPreview::SaveToFile(const QString &fileName)
{
    TfrxPreviewPages *pages = PreviewPages();
    if (Busy() || !pages)
        return;
    ShowMessage(frxGet(QStringLiteral("prvSaving")));
    try {
        pages->SaveToFile(fileName);
    } catch (const std::exception &e) {
        Ui::Message(ExceptionText(e), frxGet(QStringLiteral("SError")), UiIcon::Error);
    }
    HideMessage();
}

void TfrxPreview::LoadPrepared()
{
    if (Busy())
        return;
    const QString name = Ui::OpenFileName(PreparedFilter());
    if (!name.isEmpty())
        LoadFromFile(name);
}

bool TfrxPreview::LoadFromFile(const QString &fileName)
{
    TfrxPreviewPages *pages = PreviewPages();
    if (Busy() || !pages || !m_report)
        return false;
    ShowMessage(frxGet(QStringLiteral("prvLoading")));
    bool loaded = false;
    QString error;
    try {
        loaded = pages->LoadFromFile(fileName, true);
    } catch (const std::exception &e) {
        error = ExceptionText(e);
    }
    if (!error.isEmpty()) {
        // Half-read pages are worse than none.
        pages->ClearPages();
        m_report->ClearErrors();
        m_report->AddError(error);
        try {
            frxShowErrors(*m_report);
        } catch (const std::exception &e) {
            Ui::Message(ExceptionText(e), frxGet(QStringLiteral("SError")), UiIcon::Error);
        }
        loaded = false;
    }
    HideMessage();
    PagesChanged();
    const QString name = m_report->ReportOptions()->Name();
    emit CaptionChanged(name.isEmpty() ? frxGet(QStringLiteral("prvPreview")) : name);
    return loaded;
}

bool TfrxPreview::FindText(const QString &text, bool caseSensitive, bool fromTop)
{
    if (Busy())
        return false;
    m_findText = text;
    m_findCase = caseSensitive;
    m_allowFindNext = !text.isEmpty();
    m_foundPage = -1;
    m_foundRecord = -1;
    m_workspace->SetFound(-1, QRectF());
    if (text.isEmpty())
        return false;
    return Search(fromTop ? 0 : m_pageNo - 1, 0);
}

bool TfrxPreview::FindNext()
{
    if (Busy() || !m_allowFindNext || m_findText.isEmpty())
        return false;
    if (m_foundPage < 0)
        return Search(m_pageNo - 1, 0);
    return Search(m_foundPage, m_foundRecord + 1);
}

bool TfrxPreview::Search(int page, int record)
{
    TfrxPreviewPages *pages = PreviewPages();
    const int count = PageCount();
    const Qt::CaseSensitivity cs = m_findCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (int p = std::max(0, page); pages && p < count; ++p, record = 0) {
        TfrxReportPage *reportPage = pages->GetPage(p);
        if (!reportPage)
            continue;
        const QList<TextRecord> records = TextRecords(*reportPage);
        for (int r = record; r < records.size(); ++r) {
            if (!records[r].Text.contains(m_findText, cs))
                continue;
            m_foundPage = p;
            m_foundRecord = r;
            m_foundText = records[r].Text;
            m_pageNo = p + 1;
            m_workspace->SetPageIndex(p);
            m_thumbnails->SetPageIndex(p);
            m_workspace->SetFound(p, records[r].Bounds);
            const QRect pageRect = m_workspace->PageList().PageRect(p);
            const QRectF &b = records[r].Bounds;
            m_refreshing = true;
            m_workspace->ScrollToRect(QRect(pageRect.left() + frxRound(b.left() * m_zoom),
                                            pageRect.top() + frxRound(b.top() * m_zoom),
                                            frxRound(b.width() * m_zoom), frxRound(b.height() * m_zoom)));
            m_refreshing = false;
            emit StatusChanged();
            return true;
        }
    }
    Ui::Message(frxGet(QStringLiteral("prvTextNotFound")), frxGet(QStringLiteral("prvPreview")),
                UiIcon::Information);
    return false;
}

TfrxPreview::PageSettings TfrxPreview::CurrentPageSettings()
{
    PageSettings settings;
    TfrxPreviewPages *pages = PreviewPages();
    TfrxReportPage *page = pages ? pages->GetPage(m_pageNo - 1) : nullptr;
    if (!page)
        return settings;
    settings.PaperWidth = page->PaperWidth();
    settings.PaperHeight = page->PaperHeight();
    settings.PaperSize = page->PaperSize();
    settings.Orientation = page->Orientation();
    settings.LeftMargin = page->LeftMargin();
    settings.TopMargin = page->TopMargin();
    settings.RightMargin = page->RightMargin();
    settings.BottomMargin = page->BottomMargin();
    return settings;
}

namespace {
void ApplyTo(TfrxReportPage &page, const TfrxPreview::PageSettings &s)
{
    page.SetOrientation(s.Orientation);
    page.SetPaper(s.PaperSize, s.PaperWidth, s.PaperHeight);
    page.SetLeftMargin(s.LeftMargin);
    page.SetTopMargin(s.TopMargin);
    page.SetRightMargin(s.RightMargin);
    page.SetBottomMargin(s.BottomMargin);
}
} // namespace

void TfrxPreview::ApplyPageSettings(const PageSettings &settings, bool allPages)
{
    TfrxPreviewPages *pages = PreviewPages();
    if (Busy() || !pages || !m_report || PageCount() == 0)
        return;
    if (allPages) {
        for (int i = 0; i < m_report->PagesCount(); ++i)
            if (auto *page = qobject_cast<TfrxReportPage *>(m_report->Pages(i)))
                ApplyTo(*page, settings);
        // The datasets run again: the pages are made anew with the new paper.
        const int pageNo = m_pageNo;
        m_report->BuildPages(true);
        ShowPage(pageNo);
        return;
    }
    TfrxReportPage *page = pages->GetPage(m_pageNo - 1);
    if (!page)
        return;
    ApplyTo(*page, settings);
    pages->ReplacePage(m_pageNo - 1, page);
    RefreshPages();
}

// ---- message panel ----

void TfrxPreview::ShowMessage(const QString &text, bool cancelButton)
{
    m_messageLabel->setText(text);
    m_messageCancel->setVisible(cancelButton);
    PlaceMessagePanel();
    m_messagePanel->show();
    m_messagePanel->raise();
    m_messagePanel->repaint();
}

void TfrxPreview::HideMessage()
{
    m_messagePanel->hide();
}

void TfrxPreview::PlaceMessagePanel()
{
    m_messagePanel->move((width() - m_messagePanel->width()) / 2, (height() - m_messagePanel->height()) / 3);
}

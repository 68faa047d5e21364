#include "engine/preview/frxPreviewForm.h"

#include "engine/pages/frxPreviewPages.h"
#include "engine/preview/frxProgress.h"
#include "report/core/frxRes.h"
#include "report/model/frxClass.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <cmath>
#include <map>
#include <memory>

QStringList &frxExportFilters()
{
    static QStringList filters;
    return filters;
}

void frxRegisterPreview()
{
    TfrxPreviewPages::OnBuildProgress = [](TfrxPreviewPages *pages, int event, int page) {
        TfrxReport *report = pages->Report();
        if (!report)
            return;
        if (auto *preview = dynamic_cast<TfrxPreview *>(report->Preview())) {
            preview->BuildProgress(event, page);
            return;
        }
        // The old progress style builds before the preview opens, with the small progress window.
        static std::map<TfrxPreviewPages *, std::unique_ptr<TfrxProgressSession>> sessions;
        if (event == 2) {
            sessions.erase(pages);
            return;
        }
        if (!report->OldStyleProgress() || !report->ShowProgress())
            return;
        if (event == 0) {
            sessions[pages] =
                std::make_unique<TfrxProgressSession>(report, TfrxProgressSession::Preparing, false);
            return;
        }
        auto it = sessions.find(pages);
        if (it == sessions.end())
            return;
        it->second->SetFirstPass(pages->FirstPassOfDouble());
        it->second->Progress(page + 1);
        // Lets the window's Cancel through; the builder checks Terminated next.
        QCoreApplication::processEvents();
        it = sessions.find(pages);
        if (it != sessions.end())
            it->second->Poll();
    };
    frxSetPreviewFormFactory([](TfrxReport *report) -> QDialog * {
        // Windows need a widget application; command-line tools just build.
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return nullptr;
        auto *form = new TfrxPreviewForm(report);
        form->Prepare();
        return form;
    });
}

TfrxPreviewForm *frxShowPreviewAndWait(TfrxReport *report, int timeoutMs)
{
    if (!report || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return nullptr;
    TfrxPreviewOptions *options = report->PreviewOptions();
    const bool modal = options->Modal();
    options->SetModal(false);
    report->ShowReport(true);
    options->SetModal(modal);
    auto *preview = dynamic_cast<TfrxPreview *>(report->Preview());
    QPointer<TfrxPreviewForm> form = preview ? qobject_cast<TfrxPreviewForm *>(preview->window()) : nullptr;
    if (!form || !form->WaitForBuild(timeoutMs))
        return nullptr;
    return form;
}

namespace {
// OK and Cancel under a small dialog's controls, with the text table's captions.
void AddOkCancel(QDialog &dialog, QBoxLayout *layout)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(frxGet(QStringLiteral("prvOK")));
    buttons->button(QDialogButtonBox::Cancel)->setText(frxGet(QStringLiteral("prvCancel")));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
}

// Tool-bar pictures drawn here, so the window needs no image files.
enum class Glyph {
    Print,
    Find,
    ZoomIn,
    ZoomOut,
    FullScreen,
    Outline,
    Thumbnails,
    PageSettings,
    Edit,
    Export
};

QIcon MakeIcon(Glyph glyph)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);
    const QColor ink(40, 40, 40);
    const QColor paper(250, 250, 250);
    QPen pen(ink, 1.2);
    p.setPen(pen);
    auto magnifier = [&](int sign) {
        p.setBrush(paper);
        p.drawEllipse(QRectF(2, 2, 9, 9));
        p.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
        p.setPen(QPen(ink, 1.4));
        if (sign != 0)
            p.drawLine(QPointF(4.5, 6.5), QPointF(8.5, 6.5));
        if (sign > 0)
            p.drawLine(QPointF(6.5, 4.5), QPointF(6.5, 8.5));
    };
    switch (glyph) {
    case Glyph::Print:
        p.setBrush(paper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(150, 150, 160));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
        p.setBrush(paper);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        break;
    case Glyph::Find:
        magnifier(0);
        break;
    case Glyph::ZoomIn:
        magnifier(1);
        break;
    case Glyph::ZoomOut:
        magnifier(-1);
        break;
    case Glyph::FullScreen:
        p.setPen(QPen(ink, 1.6));
        p.drawPolyline(QPolygonF({QPointF(2, 6), QPointF(2, 2), QPointF(6, 2)}));
        p.drawPolyline(QPolygonF({QPointF(10, 2), QPointF(14, 2), QPointF(14, 6)}));
        p.drawPolyline(QPolygonF({QPointF(14, 10), QPointF(14, 14), QPointF(10, 14)}));
        p.drawPolyline(QPolygonF({QPointF(6, 14), QPointF(2, 14), QPointF(2, 10)}));
        break;
    case Glyph::Outline:
        p.drawLine(QPointF(3, 2), QPointF(3, 13));
        p.drawLine(QPointF(3, 5), QPointF(6, 5));
        p.drawLine(QPointF(3, 9), QPointF(6, 9));
        p.drawLine(QPointF(3, 13), QPointF(6, 13));
        p.setPen(QPen(QColor(40, 80, 160), 2));
        p.drawLine(QPointF(8, 5), QPointF(14, 5));
        p.drawLine(QPointF(8, 9), QPointF(14, 9));
        p.drawLine(QPointF(8, 13), QPointF(14, 13));
        break;
    case Glyph::Thumbnails:
        p.setBrush(paper);
        p.drawRect(QRectF(2.5, 2.5, 4.5, 5));
        p.drawRect(QRectF(9, 2.5, 4.5, 5));
        p.drawRect(QRectF(2.5, 9, 4.5, 5));
        p.drawRect(QRectF(9, 9, 4.5, 5));
        break;
    case Glyph::PageSettings: {
        QPainterPath page;
        page.moveTo(3.5, 1.5);
        page.lineTo(10, 1.5);
        page.lineTo(13.5, 5);
        page.lineTo(13.5, 14.5);
        page.lineTo(3.5, 14.5);
        page.closeSubpath();
        p.setBrush(paper);
        p.drawPath(page);
        p.setPen(QPen(QColor(40, 80, 160), 1));
        p.drawRect(QRectF(5.5, 6, 6, 6.5));
        break;
    }
    case Glyph::Edit:
        p.setPen(QPen(QColor(200, 140, 40), 3, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(4, 12), QPointF(12.5, 3.5));
        p.setPen(pen);
        p.drawLine(QPointF(2, 14.5), QPointF(4, 12));
        break;
    case Glyph::Export:
        p.setBrush(paper);
        p.drawRect(QRectF(1.5, 2.5, 8, 11));
        p.setPen(QPen(QColor(40, 120, 40), 1.8));
        p.drawLine(QPointF(6, 8), QPointF(14, 8));
        p.drawLine(QPointF(11, 5), QPointF(14, 8));
        p.drawLine(QPointF(11, 11), QPointF(14, 8));
        break;
    }
    return QIcon(pixmap);
}
} // namespace

TfrxPreviewForm::TfrxPreviewForm(TfrxReport *report, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frxPreviewForm"));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_toolBar = new QToolBar(this);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    layout->addWidget(m_toolBar);
    m_preview = new TfrxPreview(report, this);
    layout->addWidget(m_preview, 1);
    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        m_status[i] = new QLabel(m_statusBar);
        m_statusBar->addWidget(m_status[i], i == 0 ? 0 : 1);
    }
    m_status[0]->setFixedWidth(200);
    layout->addWidget(m_statusBar);
    resize(900, 700);

    BuildToolBar();
    if (report)
        report->SetPreview(m_preview);
    m_preview->SetOwnerWindow(this);
    m_preview->Workspace()->installEventFilter(this);
    m_preview->Workspace()->viewport()->installEventFilter(this);

    connect(m_preview, &TfrxPreview::StatusChanged, this, &TfrxPreviewForm::UpdateControls);
    connect(m_preview, &TfrxPreview::RunningChanged, this, &TfrxPreviewForm::UpdateControls);
    connect(m_preview, &TfrxPreview::ZoomChanged, this, &TfrxPreviewForm::UpdateZoomBox);
    connect(m_preview, &TfrxPreview::CaptionChanged, this, &QWidget::setWindowTitle);
    connect(m_preview->Workspace(), &TfrxPreviewWorkspace::DoubleClicked, this, [this] {
        if (m_fullScreen)
            ToggleFullScreen();
    });
}

TfrxPreviewForm::~TfrxPreviewForm()
{
    TfrxReport *report = Report();
    if (report && report->Preview() == m_preview)
        report->SetPreview(nullptr);
}

TfrxReport *TfrxPreviewForm::Report() const
{
    return m_preview ? m_preview->Report() : nullptr;
}

QAction *TfrxPreviewForm::AddAction(Button button, const QString &captionKey, const QString &hintKey,
                                    const QIcon &icon)
{
    auto *action = new QAction(icon, frxGet(captionKey), this);
    action->setToolTip(frxGet(hintKey));
    action->setStatusTip(frxGet(hintKey));
    m_toolBar->addAction(action);
    m_actions[button] = action;
    return action;
}

void TfrxPreviewForm::BuildToolBar()
{
    QStyle *s = style();
    TfrxPreview *p = m_preview;
    connect(
        AddAction(btPrint, QStringLiteral("prvPrint"), QStringLiteral("prvPrint"), MakeIcon(Glyph::Print)),
        &QAction::triggered, p, &TfrxPreview::PrintFromPreview);
    connect(AddAction(btOpen, QStringLiteral("prvOpen"), QStringLiteral("prvOpen"),
                      s->standardIcon(QStyle::SP_DialogOpenButton)),
            &QAction::triggered, p, &TfrxPreview::LoadPrepared);
    connect(AddAction(btSave, QStringLiteral("prvSave"), QStringLiteral("prvSave"),
                      s->standardIcon(QStyle::SP_DialogSaveButton)),
            &QAction::triggered, p, &TfrxPreview::SavePrepared);
    AddAction(btExport, QStringLiteral("prvExport"), QStringLiteral("prvExport"), MakeIcon(Glyph::Export));
    connect(AddAction(btFind, QStringLiteral("prvFind"), QStringLiteral("prvFind"), MakeIcon(Glyph::Find)),
            &QAction::triggered, this, &TfrxPreviewForm::FindDialog);
    m_separators[0] = m_toolBar->addSeparator();

    connect(AddAction(btZoomIn, QStringLiteral("prvZoomIn"), QStringLiteral("prvZoomIn"),
                      MakeIcon(Glyph::ZoomIn)),
            &QAction::triggered, p, &TfrxPreview::ZoomIn);
    m_zoomBox = new QComboBox(this);
    m_zoomBox->setObjectName(QStringLiteral("ZoomBox"));
    m_zoomBox->setEditable(true);
    m_zoomBox->setInsertPolicy(QComboBox::NoInsert);
    m_zoomBox->setToolTip(frxGet(QStringLiteral("prvZoomHint")));
    m_zoomBox->addItems({QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("75%"),
                         QStringLiteral("100%"), QStringLiteral("150%"), QStringLiteral("200%"),
                         frxGet(QStringLiteral("prvPageWidth")), frxGet(QStringLiteral("prvWholePage"))});
    m_zoomBox->setMinimumContentsLength(10);
    m_zoomBoxAction = m_toolBar->addWidget(m_zoomBox);
    connect(m_zoomBox, &QComboBox::activated, this,
            [this](int index) { ApplyZoomText(m_zoomBox->itemText(index)); });
    connect(m_zoomBox->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { ApplyZoomText(m_zoomBox->lineEdit()->text()); });
    connect(AddAction(btZoomOut, QStringLiteral("prvZoomOut"), QStringLiteral("prvZoomOut"),
                      MakeIcon(Glyph::ZoomOut)),
            &QAction::triggered, p, &TfrxPreview::ZoomOut);
    connect(AddAction(btFullScreen, QStringLiteral("prvFullScreen"), QStringLiteral("prvFullScreen"),
                      MakeIcon(Glyph::FullScreen)),
            &QAction::triggered, this, &TfrxPreviewForm::ToggleFullScreen);
    m_separators[1] = m_toolBar->addSeparator();

    QAction *outline = AddAction(btOutline, QStringLiteral("prvOutline"), QStringLiteral("prvOutline"),
                                 MakeIcon(Glyph::Outline));
    outline->setCheckable(true);
    connect(outline, &QAction::toggled, p, &TfrxPreview::SetOutlineVisible);
    QAction *thumbs = AddAction(btThumbnails, QStringLiteral("prvThumbnails"),
                                QStringLiteral("prvThumbnails"), MakeIcon(Glyph::Thumbnails));
    thumbs->setCheckable(true);
    connect(thumbs, &QAction::toggled, p, &TfrxPreview::SetThumbnailVisible);
    connect(AddAction(btPageSettings, QStringLiteral("prvPageSettings"), QStringLiteral("prvPageSettings"),
                      MakeIcon(Glyph::PageSettings)),
            &QAction::triggered, this, &TfrxPreviewForm::PageSettingsDialog);
    AddAction(btEdit, QStringLiteral("prvEdit"), QStringLiteral("prvEditHint"), MakeIcon(Glyph::Edit));
    m_separators[2] = m_toolBar->addSeparator();

    connect(AddAction(btFirst, QStringLiteral("prvFirst"), QStringLiteral("prvFirstHint"),
                      s->standardIcon(QStyle::SP_MediaSkipBackward)),
            &QAction::triggered, p, &TfrxPreview::FirstPage);
    connect(AddAction(btPrior, QStringLiteral("prvPrior"), QStringLiteral("prvPriorHint"),
                      s->standardIcon(QStyle::SP_MediaSeekBackward)),
            &QAction::triggered, p, &TfrxPreview::PriorPage);
    m_pageBox = new QLineEdit(this);
    m_pageBox->setObjectName(QStringLiteral("PageNumberBox"));
    m_pageBox->setToolTip(frxGet(QStringLiteral("prvPageNumberHint")));
    m_pageBox->setFixedWidth(50);
    m_pageBox->setAlignment(Qt::AlignRight);
    m_pageBoxAction = m_toolBar->addWidget(m_pageBox);
    connect(m_pageBox, &QLineEdit::returnPressed, this, [this] { ApplyPageText(m_pageBox->text()); });
    connect(AddAction(btNext, QStringLiteral("prvNext"), QStringLiteral("prvNextHint"),
                      s->standardIcon(QStyle::SP_MediaSeekForward)),
            &QAction::triggered, p, &TfrxPreview::NextPage);
    connect(AddAction(btLast, QStringLiteral("prvLast"), QStringLiteral("prvLastHint"),
                      s->standardIcon(QStyle::SP_MediaSkipForward)),
            &QAction::triggered, p, &TfrxPreview::LastPage);
    m_separators[3] = m_toolBar->addSeparator();

    // The close button shows its caption: it reads "Cancel" while a build runs.
    auto *closeButton = new QToolButton(this);
    m_actions[btClose] = new QAction(frxGet(QStringLiteral("prvClose")), this);
    closeButton->setDefaultAction(m_actions[btClose]);
    closeButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    closeButton->setMinimumWidth(60);
    m_closeButtonAction = m_toolBar->addWidget(closeButton);
    connect(m_actions[btClose], &QAction::triggered, this, &TfrxPreviewForm::CloseClicked);

    // Help has no file in this program, so it is not offered; the other keys are the window's.
    for (QAction *action : m_actions)
        if (action)
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
}

void TfrxPreviewForm::Prepare()
{
    TfrxReport *report = Report();
    if (!report)
        return;
    const TfrxPreviewOptions *options = report->PreviewOptions();
    const frx::TfrxPreviewButtons buttons = options->Buttons();
    const QString name = report->ReportOptions()->Name();
    setWindowTitle(name.isEmpty() ? frxGet(QStringLiteral("prvPreview")) : name);
    if (options->Maximized())
        setWindowState(windowState() | Qt::WindowMaximized);

    auto show = [this](Button button, bool visible) { m_actions[button]->setVisible(visible); };
    show(btPrint, buttons & frx::pbPrint);
    show(btOpen, buttons & frx::pbLoad);
    show(btSave, buttons & frx::pbSave);
    // Export only means something with a filter to export through.
    show(btExport, (buttons & frx::pbExport) && !frxExportFilters().isEmpty());
    show(btFind, buttons & frx::pbFind);
    const bool zoom = buttons & frx::pbZoom;
    show(btZoomIn, zoom);
    show(btZoomOut, zoom);
    m_zoomBoxAction->setVisible(zoom);
    show(btFullScreen, zoom && !(buttons & frx::pbNoFullScreen));
    show(btOutline, buttons & frx::pbOutline);
    show(btThumbnails, buttons & frx::pbOutline);
    show(btPageSettings, buttons & frx::pbPageSetup);
    show(btEdit, buttons & frx::pbEdit);
    const bool navigator = buttons & frx::pbNavigator;
    for (Button b : {btFirst, btPrior, btNext, btLast})
        show(b, navigator);
    m_pageBoxAction->setVisible(navigator);
    show(btClose, !(buttons & frx::pbNoClose));
    m_closeButtonAction->setVisible(!(buttons & frx::pbNoClose));

    // A separator goes with the group before it.
    const QList<QList<QAction *>> groups = {
        {m_actions[btPrint], m_actions[btOpen], m_actions[btSave], m_actions[btExport], m_actions[btFind]},
        {m_actions[btZoomIn], m_zoomBoxAction, m_actions[btZoomOut], m_actions[btFullScreen]},
        {m_actions[btOutline], m_actions[btThumbnails], m_actions[btPageSettings], m_actions[btEdit]},
        {m_actions[btFirst], m_actions[btPrior], m_pageBoxAction, m_actions[btNext], m_actions[btLast]}};
    for (int g = 0; g < 4; ++g) {
        bool any = false;
        for (QAction *a : groups[g])
            any = any || a->isVisible();
        m_separators[g]->setVisible(any);
    }
    m_toolBar->setToolButtonStyle(options->ShowCaptions() ? Qt::ToolButtonTextUnderIcon
                                                          : Qt::ToolButtonIconOnly);

    m_preview->m_zoom = TfrxPreview::BoundZoom(options->Zoom());
    m_preview->m_zoomMode = options->ZoomMode();
    m_preview->SetOutlineWidth(options->OutlineWidth());
    m_actions[btOutline]->setChecked(options->OutlineVisible());
    m_preview->SetOutlineVisible(options->OutlineVisible());
    m_actions[btThumbnails]->setChecked(options->ThumbnailVisible());
    m_preview->SetThumbnailVisible(options->ThumbnailVisible());
    BuildContextMenu();
    m_preview->PagesChanged();
    UpdateZoomBox();
    UpdateControls();
}

bool TfrxPreviewForm::ButtonVisible(Button button) const
{
    return m_actions[button] && m_actions[button]->isVisible();
}

void TfrxPreviewForm::BuildContextMenu()
{
    delete m_contextMenu;
    m_contextMenu = new QMenu(this);
    connect(m_contextMenu->addAction(frxGet(QStringLiteral("prvCollapseAll"))), &QAction::triggered, this,
            [this] { m_preview->ExpandOutline(false); });
    connect(m_contextMenu->addAction(frxGet(QStringLiteral("prvExpandAll"))), &QAction::triggered, this,
            [this] { m_preview->ExpandOutline(true); });
    m_contextMenu->addSeparator();
    // Copies of the visible push buttons up to the second separator; the first separator becomes
    // a divider.
    int separators = 0;
    for (QAction *action : m_toolBar->actions()) {
        if (action->isSeparator()) {
            if (!action->isVisible())
                continue;
            if (++separators == 2)
                break;
            m_contextMenu->addSeparator();
            continue;
        }
        if (!action->isVisible() || qobject_cast<QWidgetAction *>(action))
            continue;
        QAction *copy = m_contextMenu->addAction(action->icon(), action->toolTip());
        connect(copy, &QAction::triggered, action, &QAction::trigger);
        if (action == m_actions[btExport] && !frxExportFilters().isEmpty()) {
            auto *filters = new QMenu(m_contextMenu);
            for (const QString &filter : frxExportFilters())
                filters->addAction(filter);
            copy->setMenu(filters);
        }
    }
}

void TfrxPreviewForm::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_contextMenu)
        m_contextMenu->popup(event->globalPos());
}

void TfrxPreviewForm::UpdateControls()
{
    const bool running = m_preview->Busy();
    const bool idle = !running && m_preview->PageCount() > 0;
    for (Button b : {btPrint, btSave, btExport, btFind, btPageSettings})
        m_actions[b]->setEnabled(idle);
    // Open stays available on an empty preview (after a failed load there is nothing else to do).
    m_actions[btOpen]->setEnabled(!running);
    // Editing a page needs the designer, which this program does not open from the preview yet.
    m_actions[btEdit]->setEnabled(false);
    m_actions[btClose]->setText(
        frxGet(m_preview->CancelShown() ? QStringLiteral("prvCancel") : QStringLiteral("prvClose")));
    UpdateStatus();
}

void TfrxPreviewForm::UpdateStatus()
{
    const int count = m_preview->PageCount();
    if (m_preview->FirstPass())
        m_status[0]->setText(frxGet(QStringLiteral("prvFirstPass")) +
                             QString::number(m_preview->FirstPassCount()));
    else {
        QString text = frxGet(QStringLiteral("prvPageOf"));
        for (int value : {count ? m_preview->PageNo() : 0, count}) {
            const qsizetype at = text.indexOf(QLatin1String("%d"));
            if (at >= 0)
                text.replace(at, 2, QString::number(value));
        }
        m_status[0]->setText(text);
    }
    if (!m_pageBox->hasFocus())
        m_pageBox->setText(QString::number(m_preview->PageNo()));
    const QString close =
        frxGet(m_preview->CancelShown() ? QStringLiteral("prvCancel") : QStringLiteral("prvClose"));
    if (m_actions[btClose]->text() != close)
        m_actions[btClose]->setText(close);
}

QString TfrxPreviewForm::StatusText(int panel) const
{
    return panel >= 0 && panel < 3 ? m_status[panel]->text() : QString();
}

void TfrxPreviewForm::UpdateZoomBox()
{
    m_zoomBox->setEditText(QString::number(std::lround(m_preview->Zoom() * 100)) + QLatin1Char('%'));
}

void TfrxPreviewForm::ApplyZoomText(const QString &text)
{
    if (text == frxGet(QStringLiteral("prvPageWidth")))
        m_preview->SetZoomMode(frx::zmPageWidth);
    else if (text == frxGet(QStringLiteral("prvWholePage")))
        m_preview->SetZoomMode(frx::zmWholePage);
    else {
        QString number = text;
        number.remove(QLatin1Char('%'));
        number.remove(QLatin1Char(' '));
        bool ok = false;
        const double value = number.toDouble(&ok);
        if (ok && std::isfinite(value)) {
            m_preview->m_zoomMode = frx::zmDefault;
            m_preview->SetZoom(value / 100);
        }
    }
    UpdateZoomBox();
}

void TfrxPreviewForm::ApplyPageText(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (ok)
        m_preview->ShowPage(n);
    else
        UpdateStatus();
}

void TfrxPreviewForm::ToggleFullScreen()
{
    if (!m_fullScreen) {
        m_savedState = windowState();
        m_toolBar->hide();
        m_statusBar->hide();
        setWindowFlag(Qt::FramelessWindowHint, true);
        setWindowState(Qt::WindowMaximized);
        m_fullScreen = true;
    } else {
        setWindowFlag(Qt::FramelessWindowHint, false);
        setWindowState(m_savedState);
        m_toolBar->show();
        m_statusBar->show();
        m_fullScreen = false;
    }
    // Changing the frame re-creates the window, which hides it.
    show();
}

void TfrxPreviewForm::FindDialog()
{
    if (m_preview->Busy() || m_preview->PageCount() == 0)
        return;
    QDialog dialog(this);
    dialog.setWindowTitle(frxGet(QStringLiteral("prvFindText")));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(frxGet(QStringLiteral("prvTextToFind")), &dialog));
    auto *edit = new QLineEdit(&dialog);
    layout->addWidget(edit);
    auto *caseBox = new QCheckBox(frxGet(QStringLiteral("prvCaseSensitive")), &dialog);
    auto *topBox = new QCheckBox(frxGet(QStringLiteral("prvSearchFromTop")), &dialog);
    layout->addWidget(caseBox);
    layout->addWidget(topBox);
    AddOkCancel(dialog, layout);
    if (dialog.exec() == QDialog::Accepted)
        m_preview->FindText(edit->text(), caseBox->isChecked(), topBox->isChecked());
}

void TfrxPreviewForm::PageSettingsDialog()
{
    if (m_preview->Busy() || m_preview->PageCount() == 0)
        return;
    TfrxPreview::PageSettings settings = m_preview->CurrentPageSettings();
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("frxPageSettingsForm"));
    dialog.setWindowTitle(frxGet(QStringLiteral("prvPageSettings")));
    auto *layout = new QVBoxLayout(&dialog);
    auto spin = [&dialog](double value) {
        auto *box = new QDoubleSpinBox(&dialog);
        box->setRange(0, 10000);
        box->setDecimals(1);
        box->setSuffix(QStringLiteral(" mm"));
        box->setValue(value);
        return box;
    };
    auto *paper = new QGroupBox(frxGet(QStringLiteral("prvPaper")), &dialog);
    auto *paperForm = new QFormLayout(paper);
    QDoubleSpinBox *width = spin(settings.PaperWidth);
    QDoubleSpinBox *height = spin(settings.PaperHeight);
    width->setMinimum(1);
    height->setMinimum(1);
    auto *orientation = new QComboBox(&dialog);
    orientation->addItems({frxGet(QStringLiteral("prvPortrait")), frxGet(QStringLiteral("prvLandscape"))});
    orientation->setCurrentIndex(settings.Orientation == frx::poLandscape ? 1 : 0);
    paperForm->addRow(frxGet(QStringLiteral("prvWidth")), width);
    paperForm->addRow(frxGet(QStringLiteral("prvHeight")), height);
    paperForm->addRow(frxGet(QStringLiteral("prvOrientation")), orientation);
    layout->addWidget(paper);
    // Turning the paper swaps its sides.
    connect(orientation, &QComboBox::currentIndexChanged, &dialog, [width, height] {
        const double w = width->value();
        width->setValue(height->value());
        height->setValue(w);
    });
    auto *margins = new QGroupBox(frxGet(QStringLiteral("prvMargins")), &dialog);
    auto *marginForm = new QFormLayout(margins);
    QDoubleSpinBox *left = spin(settings.LeftMargin);
    QDoubleSpinBox *top = spin(settings.TopMargin);
    QDoubleSpinBox *right = spin(settings.RightMargin);
    QDoubleSpinBox *bottom = spin(settings.BottomMargin);
    marginForm->addRow(frxGet(QStringLiteral("prvLeft")), left);
    marginForm->addRow(frxGet(QStringLiteral("prvTop")), top);
    marginForm->addRow(frxGet(QStringLiteral("prvRight")), right);
    marginForm->addRow(frxGet(QStringLiteral("prvBottom")), bottom);
    layout->addWidget(margins);
    auto *all = new QCheckBox(frxGet(QStringLiteral("prvApplyToAll")), &dialog);
    layout->addWidget(all);
    AddOkCancel(dialog, layout);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool sizeChanged = width->value() != settings.PaperWidth || height->value() != settings.PaperHeight;
    settings.Orientation = orientation->currentIndex() == 1 ? frx::poLandscape : frx::poPortrait;
    settings.PaperWidth = width->value();
    settings.PaperHeight = height->value();
    if (sizeChanged)
        settings.PaperSize = 256;
    settings.LeftMargin = left->value();
    settings.TopMargin = top->value();
    settings.RightMargin = right->value();
    settings.BottomMargin = bottom->value();
    m_preview->ApplyPageSettings(settings, all->isChecked());
}

bool TfrxPreviewForm::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers & Qt::ControlModifier;
    const auto buttons = Report() ? Report()->PreviewOptions()->Buttons() : frx::TfrxPreviewButtons();
    switch (key) {
    case Qt::Key_Home:
        m_preview->FirstPage();
        return true;
    case Qt::Key_End:
        m_preview->LastPage();
        return true;
    case Qt::Key_PageUp:
        if (ctrl)
            m_preview->PriorPage();
        else
            m_preview->ScrollBy(0, -300);
        return true;
    case Qt::Key_PageDown:
        if (ctrl)
            m_preview->NextPage();
        else
            m_preview->ScrollBy(0, 300);
        return true;
    case Qt::Key_Up:
        m_preview->ScrollBy(0, -8);
        return true;
    case Qt::Key_Down:
        m_preview->ScrollBy(0, 8);
        return true;
    case Qt::Key_Left:
        m_preview->ScrollBy(-8, 0);
        return true;
    case Qt::Key_Right:
        m_preview->ScrollBy(8, 0);
        return true;
    case Qt::Key_F3:
        if (buttons & frx::pbFind)
            m_preview->FindNext();
        return true;
    case Qt::Key_F11:
        ToggleFullScreen();
        return true;
    case Qt::Key_Escape:
        if (m_preview->Running())
            m_preview->CancelBuild();
        else
            close();
        return true;
    default:
        break;
    }
    if (ctrl) {
        if (key == Qt::Key_P && (buttons & frx::pbPrint)) {
            m_preview->PrintFromPreview();
            return true;
        }
        if (key == Qt::Key_S && (buttons & frx::pbSave)) {
            m_preview->SavePrepared();
            return true;
        }
        if (key == Qt::Key_F && (buttons & frx::pbFind)) {
            FindDialog();
            return true;
        }
        if (key == Qt::Key_O && (buttons & frx::pbLoad)) {
            m_preview->LoadPrepared();
            return true;
        }
    }
    return false;
}

void TfrxPreviewForm::keyPressEvent(QKeyEvent *event)
{
    if (HandleKey(event->key(), event->modifiers()))
        event->accept();
    else
        QDialog::keyPressEvent(event);
}

bool TfrxPreviewForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (HandleKey(key->key(), key->modifiers()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrxPreviewForm::CloseClicked()
{
    if (m_preview->Running())
        m_preview->CancelBuild();
    else
        close();
}

void TfrxPreviewForm::done(int result)
{
    // A window with a build running into it stays: Cancel stops the build first.
    if (m_preview->Busy())
        return;
    if (!m_closeReported) {
        m_closeReported = true;
        TfrxReport *report = Report();
        if (report && report->Preview() == m_preview)
            report->SetPreview(nullptr);
        if (report && report->OnClosePreview)
            report->OnClosePreview(report);
    }
    QDialog::done(result);
}

bool TfrxPreviewForm::WaitForBuild(int timeoutMs)
{
    QPointer<TfrxPreviewForm> self(this);
    QElapsedTimer clock;
    clock.start();
    while (self && m_preview->Busy()) {
        if (timeoutMs >= 0 && clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    if (!self || !isVisible())
        return false;
    QCoreApplication::processEvents();
    return true;
}

QImage TfrxPreviewForm::Grab()
{
    return grab().toImage();
}

#include "designer/workspace/frxDesgnWorkspace.h"
#include "designer/workspace/frxDesgnWorkspacePrivate.h"

#include "designer/format/frxGuides.h"
#include "designer/workspace/frxBandLayout.h"
#include "platform/Exception.h"
#include "platform/Ui.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/draw/frxDrawPage.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>

#include <algorithm>
#include <cmath>

// The object nearest to `from` in the direction of an arrow key: objects in the strip ahead win by
// the distance between the leading edges; others ahead count only when they lie more ahead than
// aside, by their gap scaled past any strip distance.
TfrxComponent *TfrxDesignerWorkspace::Private::Nearest(TfrxComponent *from, int key) const
{
    // Turns a rectangle so that the arrow points to +x.
    auto turn = [key](const QRectF &r) {
        switch (key) {
        case Qt::Key_Left:
            return QRectF(-r.right(), r.top(), r.width(), r.height());
        case Qt::Key_Down:
            return QRectF(r.top(), r.left(), r.height(), r.width());
        case Qt::Key_Up:
            return QRectF(-r.bottom(), r.left(), r.height(), r.width());
        default:
            return r;
        }
    };
    const QRectF s = turn(AbsRect(from));
    const double weight = q->width() + q->height();
    TfrxComponent *best = nullptr;
    double bestScore = 0;
    for (TfrxComponent *c : *objects) {
        if (c == from || !qobject_cast<TfrxView *>(c) || qobject_cast<TfrxBand *>(c))
            continue;
        const QRectF r = turn(AbsRect(c));
        if (r.left() <= s.left())
            continue;
        double score;
        if (r.top() < s.bottom() && r.bottom() > s.top()) {
            score = r.left() - s.left();
        } else {
            const double hgap = std::max(0.0, r.left() - s.right());
            const double vgap = std::max(0.0, std::max(r.top() - s.bottom(), s.top() - r.bottom()));
            if ((hgap == 0 && vgap == 0) || hgap < vgap)
                continue;
            score = std::hypot(hgap, vgap) * weight;
        }
        if (!best || score < bestScore) {
            best = c;
            bestScore = score;
        }
    }
    return best;
}

int TfrxDesignerWorkspace::Private::HandleAt(const QPointF &design) const
{
    const QList<TfrxComponent *> views = SelectedViews();
    if (views.size() > 1) {
        // The group handle: the bottom-right corner furthest right and down.
        QPointF corner(-1e9, -1e9);
        for (TfrxComponent *c : views) {
            const QPointF br = HandlePoint(AbsRect(c), 2);
            if (br.x() + br.y() > corner.x() + corner.y())
                corner = br;
        }
        const bool hit = design.x() >= corner.x() - 2 && design.x() <= corner.x() + 3 &&
                         design.y() >= corner.y() - 2 && design.y() <= corner.y() + 3;
        return hit ? 9 : 0;
    }
    if (views.size() != 1)
        return 0;
    TfrxComponent *c = views.first();
    const QRectF r = AbsRect(c);
    for (int h = 1; h <= 8; ++h) {
        if (IsLine(c) && h > 2)
            break;
        const QPointF pt = HandlePoint(r, h);
        if (design.x() >= pt.x() - 2 && design.x() <= pt.x() + 3 && design.y() >= pt.y() - 2 &&
            design.y() <= pt.y() + 3)
            return h;
    }
    return 0;
}

QPointF TfrxDesignerWorkspace::Private::Snap(QPointF delta, bool alt) const
{
    if (gridAlign != alt) {
        if (std::abs(delta.x()) < gridX && std::abs(delta.y()) < gridY)
            return QPointF();
        delta.setX(std::trunc(delta.x() / gridX) * gridX);
        delta.setY(std::trunc(delta.y() / gridY) * gridY);
    }
    return delta;
}

QPointF TfrxDesignerWorkspace::Private::SnapHandle(const QPointF &pointer) const
{
    const QList<TfrxComponent *> views = SelectedViews();
    if (views.size() != 1)
        return QPointF();
    const TfrxComponent *c = views.first();
    const int edges = frxGuides::EdgesOfHandle(sizingHandle);
    auto nearest = [](double v, double grid) { return std::round(v / grid) * grid; };
    auto step = [](double v) { return std::abs(v) < 1e-6 ? 0.0 : Round8(v); };
    double dx = 0, dy = 0;
    if (edges & frxGuides::geLeft)
        dx = nearest(pointer.x(), gridX) - c->AbsLeft();
    else if (edges & frxGuides::geRight)
        dx = nearest(pointer.x(), gridX) - (c->AbsLeft() + c->Width());
    if (edges & frxGuides::geTop)
        dy = nearest(pointer.y(), gridY) - c->AbsTop();
    else if (edges & frxGuides::geBottom)
        dy = nearest(pointer.y(), gridY) - (c->AbsTop() + c->Height());
    return QPointF(step(dx), step(dy));
}

void TfrxDesignerWorkspace::Private::PlacePasted(QPointF target)
{
    QRectF group;
    for (TfrxComponent *c : std::as_const(pasted))
        group = group.isNull() ? AbsRect(c) : group.united(AbsRect(c));
    if (group.isNull())
        return;
    if (gridAlign) {
        target.setX(std::round(target.x() / gridX) * gridX);
        target.setY(std::round(target.y() / gridY) * gridY);
    }
    // Never past the page: the group's right and bottom edges inside it where the group fits,
    // its left and top edges in any case.
    const QSizeF page = PrintableRect().size() / scale;
    target.setX(std::clamp(target.x(), 0.0, std::max(0.0, page.width() - group.width())));
    target.setY(std::clamp(target.y(), 0.0, std::max(0.0, page.height() - group.height())));
    MoveBy(Round8(target.x() - group.left()), Round8(target.y() - group.top()));
}

TfrxBand *TfrxDesignerWorkspace::Private::BandEdgeAt(const QPointF &design) const
{
    if (!objects)
        return nullptr;
    for (qsizetype i = objects->size() - 1; i >= 0; --i) {
        auto *band = qobject_cast<TfrxBand *>(objects->at(i));
        if (!band || !band->Visible())
            continue;
        const QRectF r = AbsRect(band);
        if (band->Vertical()) {
            if (std::abs(design.x() - r.right()) <= 2 && design.y() >= r.top() && design.y() <= r.bottom())
                return band;
        } else if (std::abs(design.y() - r.bottom()) <= 2 && design.x() >= r.left() &&
                   design.x() <= r.right()) {
            return band;
        }
    }
    return nullptr;
}

void TfrxDesignerWorkspace::Private::MoveBy(double dx, double dy)
{
    const QList<TfrxComponent *> views = SelectedViews();
    if (acrossOnly)
        dy = 0;
    for (TfrxComponent *c : views) {
        if (c->Restrictions().testFlag(frx::rfDontMove))
            continue;
        c->SetLeft(c->Left() + dx);
        if (!views.contains(c->Parent()))
            c->SetTop(c->Top() + dy);
    }
    changed = changed || dx != 0 || dy != 0;
}

void TfrxDesignerWorkspace::Private::SizeBy(double dx, double dy)
{
    const QList<TfrxComponent *> views = SelectedViews();
    if (views.size() != 1)
        return;
    TfrxComponent *c = views.first();
    if (c->Restrictions().testFlag(frx::rfDontSize))
        return;
    double l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
    switch (sizingHandle) {
    case 1:
        l += dx;
        t += dy;
        w -= dx;
        h -= dy;
        break;
    case 2:
        w += dx;
        h += dy;
        break;
    case 3:
        t += dy;
        w += dx;
        h -= dy;
        break;
    case 4:
        l += dx;
        w -= dx;
        h += dy;
        break;
    case 5:
        w += dx;
        break;
    case 6:
        l += dx;
        w -= dx;
        break;
    case 7:
        t += dy;
        h -= dy;
        break;
    case 8:
        h += dy;
        break;
    default:
        return;
    }
    // A size that turns negative flips, and the drag goes on with the opposite handle.
    static const int flipX[] = {0, 3, 4, 1, 2, 6, 5, 7, 8};
    static const int flipY[] = {0, 4, 3, 2, 1, 5, 6, 8, 7};
    if (w < 0 && !IsLine(c)) {
        l += w;
        w = -w;
        sizingHandle = flipX[sizingHandle];
    }
    if (h < 0 && !IsLine(c)) {
        t += h;
        h = -h;
        sizingHandle = flipY[sizingHandle];
    }
    if (l < 0 && !qobject_cast<TfrxBand *>(c->Parent()))
        l = std::max(l, -c->Parent()->AbsLeft());
    if (l < 0 && c->Parent() == page)
        l = 0;
    const double oldTop = c->Top(), oldLeft = c->Left();
    c->SetBounds(l, t, w, h);
    // A band sized by its top (or left) edge keeps its objects where they are on the page.
    if (qobject_cast<TfrxBand *>(c))
        for (TfrxComponent *child : c->Objects()) {
            child->SetTop(child->Top() - (t - oldTop));
            child->SetLeft(child->Left() - (l - oldLeft));
        }
    changed = true;
}

void TfrxDesignerWorkspace::Private::FinishDrag()
{
    if (!floating.isEmpty()) {
        floating.clear();
        layerValid = false;
        q->update();
    }
    const QList<TfrxComponent *> views = SelectedViews();
    for (TfrxComponent *c : views)
        c->SetBounds(Round8(c->Left()), Round8(c->Top()), Round8(c->Width()), Round8(c->Height()));
    for (int i = 0; i < views.size() && i < savedAligns.size(); ++i)
        if (auto *view = qobject_cast<TfrxView *>(views[i]))
            view->SetAlign(savedAligns[i]);
    savedAligns.clear();
    sizingBand = nullptr;
    acrossOnly = false;
    if (changed) {
        q->AdjustBands();
        changed = false;
        emit q->Modified();
    }
}

void TfrxDesignerWorkspace::Private::AddGroups()
{
    if (!selected || !objects)
        return;
    QList<int> groups;
    for (TfrxComponent *c : *selected)
        if (auto *view = qobject_cast<TfrxView *>(c))
            if (view->GroupIndex() != 0 && !groups.contains(view->GroupIndex()))
                groups << view->GroupIndex();
    if (groups.isEmpty())
        return;
    for (TfrxComponent *c : *objects)
        if (auto *view = qobject_cast<TfrxView *>(c))
            if (groups.contains(view->GroupIndex()) && !selected->contains(c))
                selected->append(c);
}

void TfrxDesignerWorkspace::Private::RebuildObjects()
{
    if (!objects || !page)
        return;
    objects->clear();
    *objects << page->AllObjects();
    if (TfrxReport *report = page->Report())
        *objects << report;
    *objects << page;
    if (selected) {
        for (qsizetype i = selected->size() - 1; i >= 0; --i)
            if (!objects->contains(selected->at(i)))
                selected->removeAt(i);
        if (selected->isEmpty())
            selected->append(page);
    }
}

// ---- the widget --------------------------------------------------------------------------------------

TfrxDesignerWorkspace::TfrxDesignerWorkspace(QWidget *parent)
    : QWidget(parent), d(std::make_unique<Private>())
{
    d->q = this;
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("Workspace"));
}

TfrxDesignerWorkspace::~TfrxDesignerWorkspace() = default;

void TfrxDesignerWorkspace::SetLists(QList<TfrxComponent *> *objects, QList<TfrxComponent *> *selected)
{
    d->objects = objects;
    d->selected = selected;
}

void TfrxDesignerWorkspace::SetPage(TfrxPage *page)
{
    d->page = page;
    d->locked = false;
    d->mode = dmNone;
    d->floating.clear();
    const QSize size(int(std::ceil(d->PaperWidthPx() * d->scale + 2 * PaperGap)),
                     int(std::ceil(d->PaperHeightPx() * d->scale + 2 * PaperGap)));
    resize(size);
    setMinimumSize(size);
    UpdateView();
}

TfrxPage *TfrxDesignerWorkspace::Page() const
{
    return d->page;
}

void TfrxDesignerWorkspace::SetScale(double scale)
{
    d->scale = scale;
    if (d->page && !d->locked)
        SetPage(d->page);
}

double TfrxDesignerWorkspace::Scale() const
{
    return d->scale;
}

void TfrxDesignerWorkspace::SetGrid(TGridType type, double gridX, double gridY)
{
    d->gridType = type;
    d->gridX = gridX > 0 ? gridX : 1;
    d->gridY = gridY > 0 ? gridY : 1;
    UpdateView();
}

TfrxDesignerWorkspace::TGridType TfrxDesignerWorkspace::GridType() const
{
    return d->gridType;
}
double TfrxDesignerWorkspace::GridX() const
{
    return d->gridX;
}
double TfrxDesignerWorkspace::GridY() const
{
    return d->gridY;
}

void TfrxDesignerWorkspace::SetShowGrid(bool value)
{
    d->showGrid = value;
    UpdateView();
}

void TfrxDesignerWorkspace::SetGridAlign(bool value)
{
    d->gridAlign = value;
}
bool TfrxDesignerWorkspace::GridAlign() const
{
    return d->gridAlign;
}

void TfrxDesignerWorkspace::SetGridLCD(bool value)
{
    d->gridLCD = value;
    UpdateView();
}

void TfrxDesignerWorkspace::SetShowGuides(bool value)
{
    d->showGuides = value;
    UpdateView();
}

void TfrxDesignerWorkspace::SetColor(const QColor &color)
{
    d->color = color;
    UpdateView();
}

void TfrxDesignerWorkspace::SetBandOptions(bool showCaptions, bool freeBands, int gap)
{
    d->showBandCaptions = showCaptions;
    d->freeBands = freeBands;
    d->bandsGap = gap;
}

double TfrxDesignerWorkspace::BandCaptionHeight() const
{
    if (!d->showBandCaptions)
        return 0;
    switch (d->gridType) {
    case gtCm:
        return 5 * fr01cm;
    case gtInch:
        return 2 * 9.6;
    case gtChar:
        return 17;
    default:
        return 16;
    }
}

TfrxDesignerWorkspace::TDesignMode TfrxDesignerWorkspace::Mode() const
{
    return d->mode;
}

void TfrxDesignerWorkspace::BeginPaste(const QList<TfrxComponent *> &objects, const QPointF &home)
{
    if (d->locked || !d->page || objects.isEmpty())
        return;
    d->RebuildObjects();
    Select(objects);
    d->pasted = objects;
    const QPoint cursor = mapFromGlobal(QCursor::pos());
    const QPointF at = ToDesign(QPointF(cursor));
    const QRectF area = d->PrintableRect();
    const bool overPage = rect().contains(cursor) && area.contains(QPointF(cursor));
    d->PlacePasted(overPage ? at : home);
    d->anchor = at;
    d->pasting = true;
    d->pasted = objects;
    d->mode = dmMove;
    d->changed = true;
    d->savedAligns.clear();
    UpdateView();
}

bool TfrxDesignerWorkspace::Pasting() const
{
    return d->pasting;
}

void TfrxDesignerWorkspace::SetInsertion(const QMetaObject *meta, int flags, double defaultWidth,
                                         double defaultHeight)
{
    d->insertMeta = meta;
    d->insertFlags = flags;
    d->defaultSize = QSizeF(defaultWidth, defaultHeight);
    if (meta) {
        d->Park();
        d->mode = d->InsertingLine() ? dmInsertLine : dmInsertObject;
        setCursor(Qt::CrossCursor);
    } else {
        if (d->mode == dmInsertObject || d->mode == dmInsertLine)
            d->mode = dmNone;
        unsetCursor();
    }
    update();
}

const QMetaObject *TfrxDesignerWorkspace::InsertionClass() const
{
    return d->insertMeta;
}

int TfrxDesignerWorkspace::InsertionFlags() const
{
    return d->insertFlags;
}

void TfrxDesignerWorkspace::SetTool(TDesignTool tool)
{
    d->tool = tool;
    if (!d->insertMeta) {
        if (tool == dtEditText)
            setCursor(Qt::IBeamCursor);
        else
            unsetCursor();
    }
}

TfrxDesignerWorkspace::TDesignTool TfrxDesignerWorkspace::Tool() const
{
    return d->tool;
}

void TfrxDesignerWorkspace::BeginInplaceEdit(TfrxComponent *component)
{
    auto *memo = qobject_cast<TfrxCustomMemoView *>(component);
    if (!memo || d->locked || memo->Restrictions().testFlag(frx::rfDontModify))
        return;
    EndInplaceEdit(true);
    Select({memo});
    if (!d->inplace) {
        d->inplace = new QPlainTextEdit(this);
        d->inplace->setObjectName(QStringLiteral("InplaceMemo"));
        d->inplace->setFrameShape(QFrame::NoFrame);
        d->inplace->setLineWrapMode(QPlainTextEdit::NoWrap);
        d->inplace->installEventFilter(this);
    }
    const QPointF o = d->Origin();
    const QRectF r(o + QPointF(memo->AbsLeft(), memo->AbsTop()) * d->scale,
                   QSizeF(memo->Width(), memo->Height()) * d->scale);
    d->inplace->setGeometry(r.toAlignedRect().adjusted(-1, -1, 1, 1));
    QFont font(memo->Font()->Name());
    font.setBold(memo->Font()->Style().testFlag(frx::fsBold));
    font.setItalic(memo->Font()->Style().testFlag(frx::fsItalic));
    font.setPixelSize(std::max(4, int(std::round(std::abs(memo->Font()->Height()) * d->scale))));
    d->inplace->setFont(font);
    const TColor color = memo->Color();
    QPalette palette = d->inplace->palette();
    palette.setColor(QPalette::Base, color == clNone ? QColor(Qt::white) : frxColor(color));
    d->inplace->setPalette(palette);
    QString text = memo->Text();
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    d->inplaceOriginal = text;
    d->inplaceMemo = memo;
    d->inplace->setPlainText(text);
    d->inplace->selectAll();
    d->mode = dmInplaceEdit;
    d->inplace->show();
    d->inplace->setFocus();
}

void TfrxDesignerWorkspace::EndInplaceEdit(bool commit)
{
    if (!d->inplace || !d->inplaceMemo)
        return;
    TfrxCustomMemoView *memo = d->inplaceMemo;
    d->inplaceMemo = nullptr;
    const QString text = d->inplace->toPlainText();
    d->inplace->hide();
    d->mode = dmNone;
    setFocus();
    if (commit && text != d->inplaceOriginal && d->objects && d->objects->contains(memo)) {
        QString stored = text;
        stored.replace(u'\n', QLatin1String("\r\n"));
        memo->SetText(stored);
        UpdateView();
        emit Modified();
    }
}

QWidget *TfrxDesignerWorkspace::InplaceEditor() const
{
    return d->inplace;
}

bool TfrxDesignerWorkspace::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == d->inplace && d->inplaceMemo) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            EndInplaceEdit(false);
            return true;
        }
        if (event->type() == QEvent::FocusOut)
            EndInplaceEdit(true);
    }
    return QWidget::eventFilter(watched, event);
}

void TfrxDesignerWorkspace::leaveEvent(QEvent *event)
{
    // An armed outline goes out of sight again while the button is up.
    if (d->insertMeta && !d->insertPressed) {
        d->Park();
        update();
    }
    QWidget::leaveEvent(event);
}

void TfrxDesignerWorkspace::Lock()
{
    d->locked = true;
    d->mode = dmNone;
    d->page = nullptr;
    d->floating.clear();
    d->pasting = false;
    d->pasted.clear();
    if (d->inplace) {
        d->inplaceMemo = nullptr;
        d->inplace->hide();
    }
    UpdateView();
}

bool TfrxDesignerWorkspace::Locked() const
{
    return d->locked;
}

void TfrxDesignerWorkspace::UpdateView()
{
    d->layerValid = false;
    update();
}

void TfrxDesignerWorkspace::AdjustBands()
{
    if (d->locked || !d->page || !qobject_cast<TfrxReportPage *>(d->page))
        return;
    TfrxBandLayout layout;
    layout.CaptionHeight = BandCaptionHeight();
    layout.Gap = d->bandsGap;
    layout.GridY = d->gridY;
    layout.GridType = d->gridType;
    const QString bands = frxBandSignature(*d->page);
    layout.FreeBands = d->freeBands || d->bandsPage != d->page || bands == d->bandsLaidOut ||
                       frxFollowSizedBands(*d->page, d->bandsLaidOut);
    frxArrangeBands(*d->page, layout);
    d->bandsPage = d->page;
    d->bandsLaidOut = frxBandSignature(*d->page);
    d->RebuildObjects();
    UpdateView();
}

void TfrxDesignerWorkspace::DeleteObjects()
{
    if (d->locked || !d->page)
        return;
    const QList<TfrxComponent *> views = d->SelectedViews();
    if (views.isEmpty())
        return;
    d->floating.clear();
    d->mode = dmNone;
    QString error;
    for (TfrxComponent *c : views) {
        // A child deleted with its band is gone already.
        if (!d->page->AllObjects().contains(c))
            continue;
        if (c->Restrictions().testFlag(frx::rfDontDelete))
            continue;
        if (c->IsAncestor()) {
            error = QStringLiteral("Could not delete ") + c->Name() +
                    QStringLiteral(", it was introduced in the ancestor report");
            break;
        }
        delete c;
    }
    // The lists are rebuilt whatever happened, so nothing freed stays in them.
    d->selected->clear();
    d->selected->append(d->page);
    AdjustBands();
    d->RebuildObjects();
    emit SelectionChanged();
    emit Modified();
    if (!error.isEmpty())
        Ui::Message(error, QStringLiteral("Error"), UiIcon::Error);
}

QPointF TfrxDesignerWorkspace::PaperOrigin() const
{
    return QPointF(PaperGap, PaperGap);
}

QPointF TfrxDesignerWorkspace::PrintableOrigin() const
{
    return d->Origin();
}

QPointF TfrxDesignerWorkspace::ToDesign(const QPointF &widgetPos) const
{
    return (widgetPos - d->Origin()) / d->scale;
}

TfrxComponent *TfrxDesignerWorkspace::ObjectAt(const QPointF &pt) const
{
    if (!d->objects)
        return nullptr;
    const double caption = BandCaptionHeight();
    for (qsizetype i = d->objects->size() - 1; i >= 0; --i) {
        TfrxComponent *c = d->objects->at(i);
        if (c == d->page || qobject_cast<TfrxReport *>(c) || !c->Visible())
            continue;
        QRectF r = AbsRect(c);
        if (auto *band = qobject_cast<TfrxBand *>(c)) {
            if (band->Vertical())
                r.adjust(-caption, 0, 0, 0);
            else
                r.adjust(0, -caption, 0, 0);
        } else if (!qobject_cast<TfrxView *>(c)) {
            continue;
        }
        if (r.width() == 0)
            r.adjust(-2, 0, 2, 0);
        if (r.height() == 0)
            r.adjust(0, -2, 0, 2);
        if (auto *line = qobject_cast<TfrxLineView *>(c); line && line->Diagonal()) {
            const QLineF course(r.topLeft(), r.bottomRight());
            const QPointF v = course.p2() - course.p1();
            const double len2 = v.x() * v.x() + v.y() * v.y();
            const double t =
                len2 > 0 ? std::clamp(QPointF::dotProduct(pt - course.p1(), v) / len2, 0.0, 1.0) : 0;
            if (QLineF(pt, course.p1() + v * t).length() <= 5)
                return c;
            continue;
        }
        if (pt.x() >= r.left() && pt.x() <= r.right() && pt.y() >= r.top() && pt.y() <= r.bottom())
            return c;
    }
    return nullptr;
}

void TfrxDesignerWorkspace::Select(const QList<TfrxComponent *> &objects)
{
    if (!d->selected)
        return;
    d->selected->clear();
    for (TfrxComponent *c : objects)
        if (c && c != d->page && !d->selected->contains(c))
            d->selected->append(c);
    d->AddGroups();
    if (d->selected->isEmpty() && d->page)
        d->selected->append(d->page);
    update();
    emit SelectionChanged();
}

void TfrxDesignerWorkspace::resizeEvent(QResizeEvent *event)
{
    d->layerValid = false;
    QWidget::resizeEvent(event);
}

void TfrxDesignerWorkspace::paintEvent(QPaintEvent *)
{
    if (!d->layerValid || d->layer.size() != size() * devicePixelRatioF())
        d->RebuildLayer();
    QPainter p(this);
    p.drawImage(0, 0, d->layer);
    if (d->locked || !d->page)
        return;
    if (!d->floating.isEmpty()) {
        TfrxCanvas canvas(p);
        p.save();
        d->DrawBands(p, true); // the layer leaves out the dragged bands
        p.restore();
        for (TfrxComponent *c : std::as_const(*d->objects))
            if (d->floating.contains(c))
                d->DrawObject(p, canvas, c);
    }
    d->DrawHandles(p);
    if (d->insertMeta) {
        const QPointF o = d->Origin();
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        const QRectF r(o + d->outline.topLeft() * d->scale, d->outline.size() * d->scale);
        if (d->InsertingLine())
            p.drawLine(r.topLeft(), r.bottomRight());
        else
            p.drawRect(r.normalized());
    }
    if (d->mode == dmSelectionRect && !d->rubberBand.isNull()) {
        const QPointF o = d->Origin();
        const QRectF r(o + d->rubberBand.topLeft() * d->scale, d->rubberBand.size() * d->scale);
        p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.normalized());
    }
}

void TfrxDesignerWorkspace::mousePressEvent(QMouseEvent *event)
{
    if (d->locked || !d->page || !d->selected)
        return;
    setFocus();
    const QPointF pt = ToDesign(event->position());
    if (d->pasting) {
        // The click that drops the pasted objects; it is the one change of the paste.
        d->PlacePasted(pt);
        d->pasting = false;
        d->pasted.clear();
        d->mode = dmNone;
        d->changed = true;
        d->FinishDrag();
        return;
    }
    if (d->insertMeta) {
        if (event->button() == Qt::LeftButton) {
            d->FollowMouse(pt, event->modifiers().testFlag(Qt::AltModifier));
            d->insertPressed = true;
            update();
        }
        return;
    }
    // A click elsewhere commits the in-place editor.
    if (d->inplaceMemo)
        EndInplaceEdit(true);
    d->pressPos = pt;
    d->anchor = pt;
    d->changed = false;
    // A click on the grey around the paper clears the selection (a rubber band may start there).
    if (event->button() == Qt::LeftButton && d->tool == dtSelect && event->modifiers() == Qt::NoModifier &&
        !QRectF(PaperOrigin(), QSizeF(d->PaperWidthPx(), d->PaperHeightPx()) * d->scale).contains(event->position()) &&
        !ObjectAt(pt) && !d->HandleAt(pt))
        Select({});
    if (event->button() == Qt::RightButton) {
        TfrxComponent *hit = ObjectAt(pt);
        if (hit && !d->selected->contains(hit))
            Select({hit});
        d->mode = dmNone;
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (!(mods & (Qt::ShiftModifier | Qt::ControlModifier))) {
        if (const int handle = d->HandleAt(pt)) {
            if (handle == 9) {
                d->mode = dmScale;
                d->scaleStart.clear();
                QRectF group;
                for (TfrxComponent *c : d->SelectedViews()) {
                    d->scaleStart << AbsRect(c);
                    group = group.isNull() ? AbsRect(c) : group.united(AbsRect(c));
                }
                d->groupStart = group;
                d->groupNow = group;
                return;
            }
            d->sizingHandle = handle;
            d->mode = dmSize;
            return;
        }
    }
    if (!(mods & (Qt::ShiftModifier | Qt::ControlModifier)) && d->tool == dtSelect) {
        if (TfrxBand *band = d->BandEdgeAt(pt)) {
            if (!d->selected->contains(band) || d->SelectedViews().size() != 1)
                Select({band});
            d->sizingBand = band;
            d->mode = dmSizeBand;
            return;
        }
    }
    // The text tool: a click on a text object edits it, elsewhere a rubber band draws a new one.
    if (d->tool == dtEditText) {
        if (auto *memo = qobject_cast<TfrxCustomMemoView *>(ObjectAt(pt))) {
            BeginInplaceEdit(memo);
            return;
        }
        d->mode = dmSelectionRect;
        d->rubberBand = QRectF(pt, QSizeF());
        return;
    }
    // Alt and a click on a text object: the in-place editor (handles come first).
    if (mods == Qt::AltModifier) {
        if (auto *memo = qobject_cast<TfrxCustomMemoView *>(ObjectAt(pt))) {
            BeginInplaceEdit(memo);
            return;
        }
    }
    if (mods & Qt::ControlModifier) {
        d->mode = dmSelectionRect;
        d->rubberBand = QRectF(pt, QSizeF());
        return;
    }
    TfrxComponent *hit = ObjectAt(pt);
    if (!hit) {
        d->mode = dmSelectionRect;
        d->rubberBand = QRectF(pt, QSizeF());
        return;
    }
    if (mods & Qt::ShiftModifier) {
        QList<TfrxComponent *> list = d->SelectedViews();
        if (list.contains(hit))
            list.removeAll(hit);
        else
            list << hit;
        Select(list);
    } else if (!d->selected->contains(hit)) {
        Select({hit});
    }
    if (const QList<TfrxComponent *> views = d->SelectedViews(); views.size() == 1) {
        if (auto *band = qobject_cast<TfrxBand *>(views.first()); band && band->Vertical()) {
            // A vertical band carries the objects that lie across it; it moves only across.
            QList<TfrxComponent *> list{band};
            const QRectF r = AbsRect(band);
            for (TfrxComponent *c : std::as_const(*d->objects))
                if (qobject_cast<TfrxView *>(c) && !qobject_cast<TfrxBand *>(c) && c->AbsLeft() >= r.left() &&
                    c->AbsLeft() + c->Width() <= r.right())
                    list << c;
            Select(list);
            d->acrossOnly = true;
        }
    }
    if (!d->SelectedViews().isEmpty()) {
        d->mode = dmMove;
        d->savedAligns.clear();
        for (TfrxComponent *c : d->SelectedViews()) {
            auto *view = qobject_cast<TfrxView *>(c);
            d->savedAligns << (view ? view->Align() : frx::baNone);
            if (view)
                view->SetAlign(frx::baNone);
        }
    }
}

void TfrxDesignerWorkspace::mouseMoveEvent(QMouseEvent *event)
{
    if (d->locked || !d->page)
        return;
    const QPointF pt = ToDesign(event->position());
    const bool alt = event->modifiers().testFlag(Qt::AltModifier);
    if (d->insertMeta) {
        if (!d->insertPressed) {
            d->FollowMouse(pt, alt);
        } else {
            double w = pt.x() - d->outline.left();
            double h = pt.y() - d->outline.top();
            if (d->gridAlign != alt) {
                if (std::abs(w) < d->gridX && std::abs(h) < d->gridY) {
                    update();
                    return; // within one step: the outline keeps its size
                }
                w = std::trunc(w / d->gridX) * d->gridX;
                h = std::trunc(h / d->gridY) * d->gridY;
            }
            d->outline.setSize(QSizeF(w, h));
        }
        update();
        return;
    }
    if (d->mode == dmNone) {
        const int handle = d->HandleAt(pt);
        if (handle == 9) {
            setCursor(Qt::SizeFDiagCursor);
            return;
        }
        static const Qt::CursorShape cursors[] = {
            Qt::ArrowCursor,     Qt::SizeFDiagCursor, Qt::SizeFDiagCursor,
            Qt::SizeBDiagCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
            Qt::SizeHorCursor,   Qt::SizeVerCursor,   Qt::SizeVerCursor};
        if (d->tool == dtEditText) {
            setCursor(Qt::IBeamCursor);
            return;
        }
        if (handle == 0 && d->tool == dtSelect)
            if (TfrxBand *band = d->BandEdgeAt(pt)) {
                setCursor(band->Vertical() ? Qt::SplitHCursor : Qt::SplitVCursor);
                return;
            }
        setCursor(cursors[handle]);
        return;
    }
    if (d->mode == dmSizeBand) {
        const QPointF delta = d->Snap(pt - d->anchor, alt);
        if (delta.isNull() || !d->sizingBand)
            return;
        d->anchor += delta;
        // The band grows or shrinks by its lower edge, never below nothing; its objects stay.
        TfrxBand *band = d->sizingBand;
        if (band->Vertical())
            band->SetWidth(std::max(0.0, band->Width() + delta.x()));
        else
            band->SetHeight(std::max(0.0, band->Height() + delta.y()));
        d->changed = true;
        emit PositionChanged(AbsRect(band));
        UpdateView();
        return;
    }
    if (d->mode == dmSelectionRect) {
        d->rubberBand = QRectF(d->pressPos, pt);
        update();
        return;
    }
    if (d->mode == dmScale) {
        const QPointF delta = d->Snap(pt - d->anchor, alt);
        if (delta.isNull())
            return;
        d->anchor += delta;
        // The group's right and bottom edges follow, never past its left and top.
        d->groupNow.setWidth(std::max(0.0, d->groupNow.width() + delta.x()));
        d->groupNow.setHeight(std::max(0.0, d->groupNow.height() + delta.y()));
        const double kx = d->groupStart.width() > 0 ? d->groupNow.width() / d->groupStart.width() : 1;
        const double ky = d->groupStart.height() > 0 ? d->groupNow.height() / d->groupStart.height() : 1;
        const QList<TfrxComponent *> views = d->SelectedViews();
        for (int i = 0; i < views.size() && i < d->scaleStart.size(); ++i) {
            TfrxComponent *c = views[i];
            const QRectF r = d->scaleStart[i];
            const double absLeft = d->groupStart.left() + (r.left() - d->groupStart.left()) * kx;
            const double absTop = d->groupStart.top() + (r.top() - d->groupStart.top()) * ky;
            const frx::TfrxRestrictions restrictions = c->Restrictions();
            if (!restrictions.testFlag(frx::rfDontMove)) {
                c->SetLeft(c->Left() + absLeft - c->AbsLeft());
                c->SetTop(c->Top() + absTop - c->AbsTop());
            }
            if (!restrictions.testFlag(frx::rfDontSize)) {
                c->SetWidth(r.width() * kx);
                c->SetHeight(r.height() * ky);
            }
        }
        d->changed = true;
        emit PositionChanged(QRectF(QPointF(kx * 100, ky * 100), QSizeF()));
        UpdateView();
        return;
    }
    if (d->mode != dmMove && d->mode != dmSize)
        return;
    if (d->pasting) {
        // Pasted objects hang on the pointer by their top-left corner.
        if (d->floating.isEmpty())
            d->BeginFloating();
        const QRectF before = d->FloatingRect();
        d->PlacePasted(pt);
        update(before.united(d->FloatingRect()).toAlignedRect());
        return;
    }
    // A sized edge goes to the grid line nearest the pointer, not a whole number of steps from
    // where the press was (which lands a step short when the press was off the edge).
    const bool toGrid = d->mode == dmSize && d->gridAlign != alt && d->SelectedViews().size() == 1;
    QPointF delta = toGrid ? d->SnapHandle(pt) : d->Snap(pt - d->anchor, alt);
    if (d->showGuides) { // the moving edges snap to guides (designer/format)
        const int edges = d->mode == dmMove ? frxGuides::geAll : frxGuides::EdgesOfHandle(d->sizingHandle);
        delta = frxGuides::SnapDelta(d->page, d->SelectedViews(), delta, edges);
    }
    if (delta.isNull())
        return;
    if (d->floating.isEmpty())
        d->BeginFloating();
    const QRectF before = d->FloatingRect();
    if (d->mode == dmMove)
        d->MoveBy(delta.x(), delta.y());
    else
        d->SizeBy(delta.x(), delta.y());
    d->anchor += delta;
    const QList<TfrxComponent *> views = d->SelectedViews();
    if (views.size() == 1)
        emit PositionChanged(AbsRect(views.first()));
    update(before.united(d->FloatingRect()).toAlignedRect());
}

void TfrxDesignerWorkspace::mouseReleaseEvent(QMouseEvent *event)
{
    if (d->locked || !d->page || d->pasting)
        return;
    if (d->insertMeta) {
        if (!d->insertPressed || event->button() != Qt::LeftButton)
            return;
        QRectF r = d->outline;
        const bool line = d->InsertingLine();
        // Creation codes 1 to 4 draw diagonal lines, which keep their slant.
        const bool diagonal = line && d->insertFlags >= 1 && d->insertFlags <= 4;
        if (line && !diagonal) {
            // A line drawn at an angle goes straight.
            if (std::abs(r.width()) > std::abs(r.height()))
                r.setHeight(0);
            else
                r.setWidth(0);
        }
        const bool tooSmall = (r.width() >= 0 && r.width() < 4) || (r.height() > 0 && r.height() < 4);
        if (tooSmall && !(line && (r.width() != 0 || r.height() != 0)))
            r.setSize(d->defaultSize);
        r = QRectF(QPointF(std::min(r.left(), r.right()), std::min(r.top(), r.bottom())),
                   QSizeF(std::abs(r.width()), std::abs(r.height())));
        r = QRectF(Round8(r.left()), Round8(r.top()), Round8(r.width()), Round8(r.height()));
        d->insertPressed = false;
        d->outline.setSize(d->defaultSize);
        emit InsertRequested(r);
        if (d->insertMeta)
            d->Park();
        update();
        return;
    }
    if (d->mode == dmInplaceEdit)
        return; // the click that opened the in-place editor
    const TDesignMode mode = d->mode;
    d->mode = dmNone;
    if (mode == dmSelectionRect && d->tool == dtEditText) {
        QRectF r = d->rubberBand.normalized();
        d->rubberBand = QRectF();
        update();
        if (r.width() * d->scale < 5 || r.height() * d->scale < 5)
            return;
        if (d->gridAlign) {
            // Each edge to whole grid steps, in design pixels whatever the zoom.
            auto steps = [](double v, double grid) { return std::trunc(Round8(v / grid)) * grid; };
            r = QRectF(QPointF(steps(r.left(), d->gridX), steps(r.top(), d->gridY)),
                       QPointF(steps(r.right(), d->gridX), steps(r.bottom(), d->gridY)));
        }
        r = QRectF(Round8(r.left()), Round8(r.top()), Round8(r.width()), Round8(r.height()));
        if (r.width() > 0 && r.height() > 0)
            emit TextInsertRequested(r);
        return;
    }
    if (mode == dmSelectionRect) {
        const QRectF band = d->rubberBand.normalized();
        d->rubberBand = QRectF();
        QList<TfrxComponent *> hits;
        for (TfrxComponent *c : *d->objects) {
            if (!qobject_cast<TfrxView *>(c) || qobject_cast<TfrxBand *>(c))
                continue;
            const QRectF r = AbsRect(c).normalized();
            // Touching is enough.
            if (r.left() <= band.right() && r.right() >= band.left() && r.top() <= band.bottom() &&
                r.bottom() >= band.top())
                hits << c;
        }
        Select(hits);
        update();
        return;
    }
    if (mode == dmMove || mode == dmSize || mode == dmScale || mode == dmSizeBand)
        d->FinishDrag();
    Q_UNUSED(event);
}

void TfrxDesignerWorkspace::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (d->locked || !d->page || event->button() != Qt::LeftButton)
        return;
    if (d->SelectedViews().size() == 1)
        emit EditRequested();
    else if (d->IsPageSelected() && !d->insertMeta)
        emit PageEditRequested();
}

bool TfrxDesignerWorkspace::focusNextPrevChild(bool)
{
    return false;
}

void TfrxDesignerWorkspace::keyPressEvent(QKeyEvent *event)
{
    if (d->locked || !d->page) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool arrow =
        key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
    if (key == Qt::Key_Escape && d->pasting) {
        // The paste is cancelled: its objects go, nothing is reported.
        d->pasting = false;
        d->mode = dmNone;
        d->floating.clear();
        for (TfrxComponent *c : std::as_const(d->pasted))
            if (d->page->AllObjects().contains(c))
                delete c;
        d->pasted.clear();
        d->selected->clear();
        d->RebuildObjects();
        UpdateView();
        emit SelectionChanged();
        return;
    }
    if (key == Qt::Key_Escape && d->insertMeta) {
        emit InsertRequested(QRectF());
        return;
    }
    if (d->pasting)
        return;
    const QList<TfrxComponent *> views = d->SelectedViews();
    if (key == Qt::Key_Delete && mods == Qt::NoModifier) {
        DeleteObjects();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && views.size() == 1) {
        emit EditRequested();
        return;
    }
    if (key == Qt::Key_Tab && views.size() == 1) {
        TfrxComponent *c = views.first();
        TfrxComponent *next = nullptr;
        if (qobject_cast<TfrxBand *>(c) && !c->Objects().isEmpty()) {
            next = c->Objects().first();
        } else if (TfrxComponent *parent = c->Parent()) {
            const QList<TfrxComponent *> &siblings = parent->Objects();
            next = siblings[(siblings.indexOf(c) + 1) % siblings.size()];
        }
        if (next)
            Select({next});
        return;
    }
    if (!arrow || views.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const double sx = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
    const double sy = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
    if (mods == Qt::NoModifier) {
        if (views.size() == 1)
            if (TfrxComponent *next = d->Nearest(views.first(), key))
                Select({next});
        return;
    }
    if (mods == Qt::AltModifier) {
        // Abut the nearest object in that direction.
        TfrxComponent *c = views.size() == 1 ? views.first() : nullptr;
        TfrxComponent *other = c ? d->Nearest(c, key) : nullptr;
        if (!other || c->Restrictions().testFlag(frx::rfDontMove))
            return;
        double absLeft = c->AbsLeft(), absTop = c->AbsTop();
        switch (key) {
        case Qt::Key_Right:
            absLeft = other->AbsLeft() - c->Width();
            break;
        case Qt::Key_Left:
            absLeft = other->AbsLeft() + other->Width();
            break;
        case Qt::Key_Down:
            absTop = other->AbsTop() - c->Height();
            break;
        default:
            absTop = other->AbsTop() + other->Height();
            break;
        }
        c->SetLeft(c->Left() + absLeft - c->AbsLeft());
        c->SetTop(c->Top() + absTop - c->AbsTop());
    } else if (mods == Qt::ControlModifier) {
        const double stepX = d->gridType == gtChar ? d->gridX : 1;
        const double stepY = d->gridType == gtChar ? d->gridY : 1;
        d->MoveBy(sx * stepX, sy * stepY);
    } else if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
        d->MoveBy(sx * d->gridX, sy * d->gridY);
    } else if (mods == Qt::ShiftModifier) {
        for (TfrxComponent *c : views) {
            if (c->Restrictions().testFlag(frx::rfDontSize))
                continue;
            const double w = c->Width() + sx * d->gridX;
            const double h = c->Height() + sy * d->gridY;
            // A size that would turn negative stays as it is (a rounding rest counts as zero).
            if (w >= -1e-9)
                c->SetWidth(Round8(std::max(0.0, w)));
            if (h >= -1e-9)
                c->SetHeight(Round8(std::max(0.0, h)));
        }
        d->changed = true;
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    d->keyChanged = true;
    if (views.size() == 1)
        emit PositionChanged(AbsRect(views.first()));
    UpdateView();
}

void TfrxDesignerWorkspace::keyReleaseEvent(QKeyEvent *event)
{
    // Held keys repeat the step; the change is reported once, when the key goes up.
    if (event->isAutoRepeat() || !d->keyChanged) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    d->keyChanged = false;
    d->changed = false;
    for (TfrxComponent *c : d->SelectedViews())
        c->SetBounds(Round8(c->Left()), Round8(c->Top()), Round8(c->Width()), Round8(c->Height()));
    AdjustBands();
    emit Modified();
}

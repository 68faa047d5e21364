#pragma once
// The design surface's private state and helpers, shared by the files that implement it (input in
// frxDesgnWorkspace.cpp, drawing in frxDesgnWorkspaceDraw.cpp).

#include "designer/format/frxGuides.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QImage>
#include <QPointer>
#include <QPainter>
#include <QPlainTextEdit>

#include <cmath>

class TfrxCustomMemoView;

namespace frxDesign {

inline constexpr double PaperGap = 10; // the paper lies this far into the surface

inline double Round8(double value)
{
    return std::round(value * 1e8) / 1e8;
}

inline bool IsLine(const TfrxComponent *c)
{
    return qobject_cast<const TfrxCustomLineView *>(c) != nullptr;
}

inline QRectF AbsRect(const TfrxComponent *c)
{
    return QRectF(c->AbsLeft(), c->AbsTop(), c->Width(), c->Height());
}

// The handle points of a rectangle, numbered as the sizing rules number them.
inline QPointF HandlePoint(const QRectF &r, int handle)
{
    switch (handle) {
    case 1:
        return r.topLeft();
    case 2:
        return QPointF(r.left() + r.width(), r.top() + r.height());
    case 3:
        return QPointF(r.left() + r.width(), r.top());
    case 4:
        return QPointF(r.left(), r.top() + r.height());
    case 5:
        return QPointF(r.left() + r.width(), r.top() + r.height() / 2);
    case 6:
        return QPointF(r.left(), r.top() + r.height() / 2);
    case 7:
        return QPointF(r.left() + r.width() / 2, r.top());
    default:
        return QPointF(r.left() + r.width() / 2, r.top() + r.height());
    }
}

} // namespace frxDesign

using namespace frxDesign;

struct TfrxDesignerWorkspace::Private {
    TfrxDesignerWorkspace *q;
    QList<TfrxComponent *> *objects = nullptr;
    QList<TfrxComponent *> *selected = nullptr;
    TfrxPage *page = nullptr;
    double scale = 1;
    TGridType gridType = gtCm;
    double gridX = fr01cm;
    double gridY = fr01cm;
    bool showGrid = true;
    bool gridAlign = true;
    bool gridLCD = false;
    bool showGuides = true;
    bool showBandCaptions = true;
    bool freeBands = false;
    int bandsGap = 4;
    // The bands as the last band layout left them, and on which page: the bands are stacked
    // anew only when one of them changed since, so that a layout's bands stay where its file put
    // them until somebody moves, sizes, adds or removes a band.
    QPointer<TfrxPage> bandsPage; // a page freed since (an undo step) is not taken for a new one
    QString bandsLaidOut;
    QColor color = Qt::white;
    bool locked = false;
    TDesignMode mode = dmNone;

    // The cached layer: everything but handles and outlines.
    QImage layer;
    bool layerValid = false;

    // Dragging.
    QPointF anchor;       // design position at which the last step was applied
    QPointF pressPos;     // design position of the press
    bool changed = false; // something moved since the press
    int sizingHandle = 0;
    QList<frx::TfrxAlign> savedAligns;
    QRectF rubberBand; // design pixels, while selecting
    // Group scaling: the group's rectangle and every object's, as they were at the press.
    QRectF groupStart;
    QRectF groupNow;
    QList<QRectF> scaleStart;
    bool keyChanged = false;
    // Objects being dragged: the cached layer leaves them out and every frame draws them over it,
    // so a drag frame repaints only where they were and are.
    QList<TfrxComponent *> floating;
    QRectF FloatingRect() const // widget pixels, handles and marks included
    {
        QRectF r;
        const QPointF o = Origin();
        for (TfrxComponent *c : floating)
            r = r.united(QRectF(o + QPointF(c->AbsLeft(), c->AbsTop()) * scale,
                                QSizeF(c->Width(), c->Height()) * scale)
                             .normalized());
        return r.adjusted(-8, -8, 8, 8);
    }
    void BeginFloating()
    {
        floating.clear();
        for (TfrxComponent *c : SelectedViews()) {
            floating << c;
            floating << c->AllObjects();
        }
        layerValid = false;
    }
    void DrawObject(QPainter &p, TfrxCanvas &canvas, TfrxComponent *c) const
    {
        auto *view = qobject_cast<TfrxView *>(c);
        if (!view)
            return;
        bool shown = true;
        for (TfrxComponent *up = view; up && up != page; up = up->Parent())
            shown = shown && up->Visible();
        view->SetIsDesigning(true);
        const QPointF o = Origin();
        if (shown)
            view->Draw(canvas, scale, scale, o.x(), o.y());
        DrawMarks(p, view);
    }
    // The in-place editor and the text object it edits.
    QPlainTextEdit *inplace = nullptr;
    TfrxCustomMemoView *inplaceMemo = nullptr;
    QString inplaceOriginal;
    // Pasted objects following the mouse.
    bool pasting = false;
    QList<TfrxComponent *> pasted;
    // Insertion: the class, its creation flags, the outline (design pixels), the default size.
    const QMetaObject *insertMeta = nullptr;
    int insertFlags = 0;
    QRectF outline;
    QSizeF defaultSize;
    bool insertPressed = false;
    // Drags from other views: who takes them, and whether the drag armed the insertion outline.
    TfrxWorkspaceDropTarget *dropTarget = nullptr;
    bool dragArmed = false;

    bool InsertingLine() const
    {
        return insertMeta && insertMeta->inherits(&TfrxCustomLineView::staticMetaObject);
    }
    void Park()
    {
        const double steps = InsertingLine() ? (gridType == gtChar ? 0.5 : 1) : 1000;
        outline = QRectF(-steps * gridX, -steps * gridY, defaultSize.width(), defaultSize.height());
        anchor = outline.topLeft();
        insertPressed = false;
    }
    void FollowMouse(const QPointF &pt, bool alt)
    {
        QPointF delta = Snap(pt - anchor, alt);
        if (showGuides) // the outline snaps to guides (designer/format)
            delta = frxGuides::SnapRectDelta(page, outline, delta, frxGuides::geAll);
        outline.translate(delta);
        anchor += delta;
    }

    double PaperWidthPx() const
    {
        if (auto *rp = qobject_cast<TfrxReportPage *>(page))
            return std::round(rp->PaperWidth() * 96 / 25.4);
        return page ? page->Width() : 0;
    }
    double PaperHeightPx() const
    {
        if (auto *rp = qobject_cast<TfrxReportPage *>(page))
            return std::round(rp->PaperHeight() * (rp->LargeDesignHeight() ? 5 : 1) * 96 / 25.4);
        return page ? page->Height() : 0;
    }
    QPointF Origin() const
    {
        QPointF origin(PaperGap, PaperGap);
        if (auto *rp = qobject_cast<TfrxReportPage *>(page))
            origin += QPointF(rp->LeftMargin() * fr01cm * scale, rp->TopMargin() * fr01cm * scale);
        return origin;
    }
    QRectF PrintableRect() const // widget pixels
    {
        auto *rp = qobject_cast<TfrxReportPage *>(page);
        if (!rp)
            return QRectF(PaperGap, PaperGap, PaperWidthPx() * scale, PaperHeightPx() * scale);
        const double height = rp->LargeDesignHeight()
                                  ? PaperHeightPx() / fr01cm - rp->TopMargin() - rp->BottomMargin()
                                  : rp->PaperHeight() - rp->TopMargin() - rp->BottomMargin();
        return QRectF(Origin(),
                      QSizeF((rp->PaperWidth() - rp->LeftMargin() - rp->RightMargin()) * fr01cm * scale,
                             height * fr01cm * scale));
    }
    bool IsPageSelected() const { return !selected || selected->isEmpty() || selected->first() == page; }
    QList<TfrxComponent *> SelectedViews() const
    {
        QList<TfrxComponent *> list;
        if (!selected)
            return list;
        for (TfrxComponent *c : *selected)
            if (c != page && !qobject_cast<TfrxReport *>(c))
                list << c;
        return list;
    }
    double HandleSize() const { return scale < 0.7 ? 3 : scale <= 1.7 ? 5 : 7; }

    void DrawGrid(QPainter &p) const;
    void DrawBands(QPainter &p, bool floatingOnly = false) const;
    void DrawMarks(QPainter &p, TfrxComponent *c) const;
    void DrawHandles(QPainter &p) const;
    void RebuildLayer();
    int HandleAt(const QPointF &design) const;
    // A handle drag with grid alignment: the step that puts each moving edge of the one sized object
    // on the grid line nearest the pointer.
    // Moves the pasted objects so that their top-left corner is at target (on the nearest grid line
    // when aligning), kept on the page.
    void PlacePasted(QPointF target);
    QPointF SnapHandle(const QPointF &pointer) const;
    QPointF Snap(QPointF delta, bool alt) const;
    void MoveBy(double dx, double dy);
    void SizeBy(double dx, double dy);
    void FinishDrag();
    void AddGroups();
    void RebuildObjects();
    TfrxComponent *Nearest(TfrxComponent *from, int key) const;

    TDesignTool tool = dtSelect;
    // Band sizing by the lower (right, for vertical bands) edge.
    TfrxBand *sizingBand = nullptr;
    TfrxBand *BandEdgeAt(const QPointF &design) const;
    // A single vertical band is dragged across only.
    bool acrossOnly = false;
};

// The design surface as a drop site: a drag from another view (the data tree) arms the insertion
// outline of a text object, which follows the pointer with its corner 8 screen pixels above and
// left of it; the drop hands the outline's rectangle to the drop target.
#include "designer/workspace/frxDesgnWorkspaceDrop.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "designer/workspace/frxDesgnWorkspacePrivate.h"

#include <QDropEvent>

void TfrxDesignerWorkspace::SetDropTarget(TfrxWorkspaceDropTarget *target)
{
    d->dropTarget = target;
    setAcceptDrops(target != nullptr);
}

void TfrxDesignerWorkspace::dragEnterEvent(QDragEnterEvent *event)
{
    QSizeF size;
    if (d->locked || !d->page || !d->dropTarget || d->pasting || d->mode != dmNone ||
        !qobject_cast<TfrxReportPage *>(d->page) || !d->dropTarget->CanDrop(*event, d->page, size)) {
        event->ignore();
        return;
    }
    if (!size.isEmpty()) {
        SetInsertion(&TfrxMemoView::staticMetaObject, 0, size.width(), size.height());
        d->dragArmed = true;
    }
    event->acceptProposedAction();
    dragMoveEvent(event);
}

void TfrxDesignerWorkspace::dragMoveEvent(QDragMoveEvent *event)
{
    if (d->dragArmed && d->page) {
        const QPointF pt = ToDesign(event->position() - QPointF(8, 8));
        d->FollowMouse(pt, event->modifiers().testFlag(Qt::AltModifier));
        update();
    }
    event->acceptProposedAction();
}

void TfrxDesignerWorkspace::dragLeaveEvent(QDragLeaveEvent *event)
{
    if (d->dragArmed) {
        d->dragArmed = false;
        SetInsertion(nullptr, 0, 0, 0);
    }
    QWidget::dragLeaveEvent(event);
}

void TfrxDesignerWorkspace::dropEvent(QDropEvent *event)
{
    QRectF outline;
    if (d->dragArmed) {
        const QRectF r = d->outline;
        outline = QRectF(Round8(r.left()), Round8(r.top()), Round8(r.width()), Round8(r.height()));
        d->dragArmed = false;
        SetInsertion(nullptr, 0, 0, 0);
    }
    if (d->locked || !d->page || !d->dropTarget) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setFocus();
    d->dropTarget->Drop(*event, d->page, outline);
}

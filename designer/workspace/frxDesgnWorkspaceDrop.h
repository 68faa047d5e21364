#pragma once
// What the design surface asks of a view whose items may be dragged onto the page (the data
// tree): whether a drag is welcome and the size of the text object it would make, and what to do
// when it is dropped. The surface shows the insertion outline meanwhile, snapped as an insertion
// from the objects bar is.

#include <QRectF>
#include <QSizeF>

class QDropEvent;
class TfrxPage;

class TfrxWorkspaceDropTarget {
public:
    virtual ~TfrxWorkspaceDropTarget() = default;
    // Whether the drag may end on page. outline gets the size of the outline to show, or stays
    // empty when the drop will make no outline of its own.
    virtual bool CanDrop(const QDropEvent &event, TfrxPage *page, QSizeF &outline) = 0;
    // The drag ended on the page; outline is where the outline stood (design pixels, 8 decimals),
    // null when none was shown.
    virtual void Drop(const QDropEvent &event, TfrxPage *page, const QRectF &outline) = 0;
};

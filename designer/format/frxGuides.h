#pragma once
// Guides of a report page: the page's HGuides (horizontal lines at Y) and VGuides (vertical lines
// at X), positions in design pixels kept as text. Moving and sizing snap the moving edges to them.

#include <QList>
#include <QPointF>
#include <QRectF>

class TfrxComponent;
class TfrxPage;

namespace frxGuides {

enum TEdge { geLeft = 1, geTop = 2, geRight = 4, geBottom = 8, geAll = 15 };

// The edges a sizing handle (1 … 8) moves.
int EdgesOfHandle(int handle);
// A drag step adjusted so that a moving edge of the objects' rectangle that would land within 6
// design pixels of a guide lands on it exactly; the nearest guide wins on each axis.
QPointF SnapDelta(const TfrxPage *page, const QList<TfrxComponent *> &objects, QPointF delta, int edges);
// The same for a rectangle in design pixels on the page (an insertion outline).
QPointF SnapRectDelta(const TfrxPage *page, const QRectF &rect, QPointF delta, int edges);
// The position a guide dropped at pos gets: truncated to whole grid steps with grid alignment,
// rounded to 8 decimals.
double GuidePosition(double pos, double gridStep, bool gridAlign);
// Adds a horizontal (at Y) or vertical (at X) guide to a report page; false for other pages.
bool AddGuide(TfrxPage *page, bool horizontal, double pos);
// The guide within distance of a point: its index in HGuides (horizontal) or VGuides, -1 for none.
int GuideAt(const TfrxPage *page, const QPointF &pos, double distance, bool *horizontal);

} // namespace frxGuides

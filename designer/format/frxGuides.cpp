#include "designer/format/frxGuides.h"

#include "report/core/frxComponent.h"
#include "report/model/frxPages.h"

#include <cmath>

namespace frxGuides {

int EdgesOfHandle(int handle)
{
    static const int edges[] = {
        0,     geLeft | geTop, geRight | geBottom, geTop | geRight, geLeft | geBottom, geRight, geLeft,
        geTop, geBottom};
    return handle >= 1 && handle <= 8 ? edges[handle] : 0;
}

namespace {

QList<double> Positions(const QStringList &texts)
{
    QList<double> list;
    for (const QString &t : texts) {
        bool ok = false;
        const double v = QString(t).replace(u',', u'.').toDouble(&ok);
        if (ok && std::isfinite(v))
            list << v;
    }
    return list;
}

// The smallest adjustment that puts one of the edges (after the step) on a guide; 0 for none.
double Pull(const QList<double> &guides, const QList<double> &edgesAfter, bool *found)
{
    double best = 0;
    *found = false;
    for (double edge : edgesAfter)
        for (double g : guides) {
            const double diff = g - edge;
            if (std::abs(diff) < 6 && (!*found || std::abs(diff) < std::abs(best))) {
                best = diff;
                *found = true;
            }
        }
    return best;
}

} // namespace

QPointF SnapDelta(const TfrxPage *page, const QList<TfrxComponent *> &objects, QPointF delta, int edges)
{
    if (objects.isEmpty())
        return delta;
    QRectF r;
    for (const TfrxComponent *c : objects) {
        const QRectF own = QRectF(c->AbsLeft(), c->AbsTop(), c->Width(), c->Height()).normalized();
        r = r.isNull() ? own : r.united(own);
    }
    return SnapRectDelta(page, r, delta, edges);
}

QPointF SnapRectDelta(const TfrxPage *page, const QRectF &rect, QPointF delta, int edges)
{
    auto *reportPage = qobject_cast<const TfrxReportPage *>(page);
    if (!reportPage || edges == 0)
        return delta;
    const QRectF r = rect.normalized();
    QList<double> xs, ys;
    if (edges & geLeft)
        xs << r.left() + delta.x();
    if (edges & geRight)
        xs << r.right() + delta.x();
    if (edges & geTop)
        ys << r.top() + delta.y();
    if (edges & geBottom)
        ys << r.bottom() + delta.y();
    bool found = false;
    const double dx = Pull(Positions(reportPage->VGuides()), xs, &found);
    if (found)
        delta.setX(delta.x() + dx);
    const double dy = Pull(Positions(reportPage->HGuides()), ys, &found);
    if (found)
        delta.setY(delta.y() + dy);
    return delta;
}

double GuidePosition(double pos, double gridStep, bool gridAlign)
{
    if (gridAlign && gridStep > 0)
        pos = std::trunc(pos / gridStep) * gridStep;
    return std::round(pos * 1e8) / 1e8;
}

bool AddGuide(TfrxPage *page, bool horizontal, double pos)
{
    auto *reportPage = qobject_cast<TfrxReportPage *>(page);
    if (!reportPage)
        return false;
    const QString text = QString::number(pos, 'g', 15);
    if (horizontal)
        reportPage->SetHGuides(reportPage->HGuides() << text);
    else
        reportPage->SetVGuides(reportPage->VGuides() << text);
    return true;
}

int GuideAt(const TfrxPage *page, const QPointF &pos, double distance, bool *horizontal)
{
    auto *reportPage = qobject_cast<const TfrxReportPage *>(page);
    if (!reportPage)
        return -1;
    const QList<double> hs = Positions(reportPage->HGuides()), vs = Positions(reportPage->VGuides());
    for (int i = 0; i < vs.size(); ++i)
        if (std::abs(pos.x() - vs[i]) <= distance) {
            *horizontal = false;
            return i;
        }
    for (int i = 0; i < hs.size(); ++i)
        if (std::abs(pos.y() - hs[i]) <= distance) {
            *horizontal = true;
            return i;
        }
    return -1;
}

} // namespace frxGuides

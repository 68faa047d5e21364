#include "designer/workspace/frxBandLayout.h"

#include "report/model/frxBands.h"
#include "report/model/frxPages.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

double Round8(double value)
{
    return std::round(value * 1e8) / 1e8;
}

// 0 for the bands that go first, 2 for those that go last, 1 for the rest.
int Group(const TfrxBand *band)
{
    if (qobject_cast<const TfrxPageHeader *>(band) || qobject_cast<const TfrxReportTitle *>(band) ||
        qobject_cast<const TfrxColumnHeader *>(band))
        return 0;
    if (qobject_cast<const TfrxPageFooter *>(band) || qobject_cast<const TfrxReportSummary *>(band) ||
        qobject_cast<const TfrxColumnFooter *>(band))
        return 2;
    return 1;
}

double GroupGap(int gridType)
{
    switch (gridType) {
    case 0:
        return 40;
    case 1:
        return 37.7953;
    case 2:
        return 0.4 * 96;
    case 4:
        return 17;
    default:
        return 0;
    }
}

// Puts an object on a parent at a place, whatever its restrictions say: the layout keeps objects
// where they are on the page, it does not move them.
void Place(TfrxComponent *c, TfrxComponent *parent, double left, double top)
{
    const frx::TfrxRestrictions restrictions = c->Restrictions();
    c->SetRestrictions({});
    if (c->Parent() != parent)
        c->SetParent(parent);
    c->SetLeft(left);
    c->SetTop(top);
    c->SetRestrictions(restrictions);
}

} // namespace

void frxArrangeBands(TfrxPage &page, const TfrxBandLayout &layout)
{
    QList<TfrxBand *> bands;
    for (TfrxComponent *c : page.Objects())
        if (auto *band = qobject_cast<TfrxBand *>(c); band && !band->Vertical())
            bands << band;

    if (!layout.FreeBands && !bands.isEmpty()) {
        // Children follow their parents: a child band sorts right after the band that names it.
        auto parentOf = [&](TfrxBand *band) -> TfrxBand * {
            for (TfrxBand *other : bands)
                if (other->Child() == band)
                    return other;
            return nullptr;
        };
        auto root = [&](TfrxBand *band) {
            int guard = 0;
            while (TfrxBand *p = parentOf(band)) {
                band = p;
                if (++guard > bands.size())
                    break;
            }
            return band;
        };
        QList<TfrxBand *> roots;
        for (TfrxBand *band : bands)
            if (!parentOf(band))
                roots << band;
        std::stable_sort(roots.begin(), roots.end(), [](TfrxBand *a, TfrxBand *b) {
            if (Group(a) != Group(b))
                return Group(a) < Group(b);
            return a->Top() < b->Top();
        });
        QList<TfrxBand *> ordered;
        for (TfrxBand *r : roots) {
            for (TfrxBand *b = r; b && !ordered.contains(b); b = b->Child())
                ordered << b;
        }
        for (TfrxBand *band : bands)
            if (!ordered.contains(band))
                ordered << band;

        double top = layout.CaptionHeight;
        const double grid = layout.GridY > 0 ? layout.GridY : 1;
        for (qsizetype i = 0; i < ordered.size(); ++i) {
            TfrxBand *band = ordered[i];
            if (i > 0) {
                TfrxBand *previous = ordered[i - 1];
                top = previous->Top() + previous->Height() + layout.CaptionHeight + layout.Gap;
                top = Round8(std::round(top / grid) * grid);
                if (Group(root(previous)) != Group(root(band)))
                    top += GroupGap(layout.GridType);
            }
            band->SetTop(top);
        }
    }

    // Objects move with their band; one that no longer lies within its band goes back to the page,
    // keeping its place.
    for (TfrxBand *band : bands) {
        const QList<TfrxComponent *> children = band->Objects();
        for (TfrxComponent *child : children)
            if (child->Top() < 0 || child->Top() >= band->Height())
                Place(child, &page, child->AbsLeft(), child->AbsTop());
    }

    // Every object that is not a band goes to the band whose range holds its top.
    const QList<TfrxComponent *> onPage = page.Objects();
    for (TfrxComponent *c : onPage) {
        if (qobject_cast<TfrxBand *>(c))
            continue;
        const double top = c->Top();
        for (TfrxBand *band : bands) {
            if (top >= band->Top() && top < band->Top() + band->Height()) {
                Place(c, band, c->Left() - band->Left(), Round8(top - band->Top()));
                break;
            }
        }
    }
}

QString frxBandSignature(const TfrxPage &page)
{
    QString text;
    for (const TfrxComponent *c : page.Objects()) {
        const auto *band = qobject_cast<const TfrxBand *>(c);
        if (!band || band->Vertical())
            continue;
        text += band->Name() + u' ' + QString::number(band->Top(), 'g', 17) + u' ' +
                QString::number(band->Height(), 'g', 17) + u' ' +
                (band->Child() ? band->Child()->Name() : QString()) + u'\n';
    }
    return text;
}

bool frxFollowSizedBands(TfrxPage &page, const QString &previous)
{
    struct Was {
        double Top, Height;
    };
    QHash<QString, Was> was;
    for (const QString &line : previous.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u' ');
        if (parts.size() < 3)
            return false;
        was.insert(parts[0], {parts[1].toDouble(), parts[2].toDouble()});
    }
    QList<TfrxBand *> bands;
    for (TfrxComponent *c : page.Objects())
        if (auto *band = qobject_cast<TfrxBand *>(c); band && !band->Vertical())
            bands << band;
    if (bands.size() != was.size())
        return false;
    for (TfrxBand *band : bands) {
        auto it = was.constFind(band->Name());
        if (it == was.constEnd() || it->Top != band->Top())
            return false;
    }
    QHash<TfrxBand *, double> shift;
    for (TfrxBand *sized : bands) {
        const Was &before = was[sized->Name()];
        const double delta = sized->Height() - before.Height;
        if (delta == 0)
            continue;
        for (TfrxBand *band : bands)
            if (band != sized && was[band->Name()].Top >= before.Top + before.Height - 1e-6)
                shift[band] += delta;
    }
    for (auto it = shift.cbegin(); it != shift.cend(); ++it)
        it.key()->SetTop(Round8(std::max(0.0, it.key()->Top() + it.value())));
    return true;
}

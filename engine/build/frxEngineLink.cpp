// Band linking: the bands of a page ordered by position and tied to their data bands, groups,
// headers and footers before the page runs.

#include "engine/build/frxEngine.h"

#include "report/model/frxClass.h"

#include <QHash>

#include <algorithm>
#include <functional>

namespace {
bool IsDataKind(int kind)
{
    return kind >= 6 && kind <= 11;
}
} // namespace

TfrxEngine::TfrxPageBands TfrxEngine::PrepareBands(TfrxReportPage *page)
{
    TfrxPageBands result;
    QList<TfrxBand *> ordered;
    for (TfrxComponent *child : page->Objects()) {
        auto *band = qobject_cast<TfrxBand *>(child);
        if (!band) {
            if (qobject_cast<TfrxView *>(child))
                result.PageObjects.append(child);
            continue;
        }
        if (band->Vertical())
            continue; // vertical bands are not built
        switch (band->BandNumber()) {
        case 0:
            if (!qobject_cast<TfrxNullBand *>(band))
                result.Title = band;
            break;
        case 1:
            result.Summary = band;
            break;
        case 2:
            result.PageHeader = band;
            break;
        case 3:
            result.PageFooter = band;
            break;
        case 15:
            result.ColumnHeader = band;
            break;
        case 16:
            result.ColumnFooter = band;
            break;
        case 17:
            result.Overlay = band;
            break;
        case 14:
            break; // children are reached through their parent band
        default:
            ordered.append(band);
            break;
        }
    }
    // Bands of kinds 4 to 13 in the order of their position on the page; the key is the formatted
    // position so that bands a rounding error apart keep their file order.
    std::stable_sort(ordered.begin(), ordered.end(), [](TfrxBand *a, TfrxBand *b) {
        return QString::asprintf("%9.2f", a->Top()) < QString::asprintf("%9.2f", b->Top());
    });

    QList<bool> linked(ordered.size(), false);
    // Groups: a group header belongs to the next data band, a group footer to the nearest
    // preceding group header that has none yet.
    QHash<int, QList<TfrxGroup>> groupsOf; // by the index of the data band
    QHash<TfrxBand *, int> groupIndex;     // group header -> index of its data band
    for (int i = 0; i < ordered.size(); ++i) {
        if (ordered[i]->BandNumber() != 12)
            continue;
        for (int j = i + 1; j < ordered.size(); ++j)
            if (IsDataKind(ordered[j]->BandNumber())) {
                groupsOf[j].append({ordered[i], nullptr});
                groupIndex.insert(ordered[i], j);
                linked[i] = true;
                break;
            }
    }
    QList<TfrxBand *> openGroups;
    for (int i = 0; i < ordered.size(); ++i) {
        const int kind = ordered[i]->BandNumber();
        if (kind == 12 && linked[i]) {
            openGroups.append(ordered[i]);
        } else if (kind == 13 && !openGroups.isEmpty()) {
            TfrxBand *header = openGroups.takeLast();
            for (TfrxGroup &group : groupsOf[groupIndex.value(header)])
                if (group.Header == header)
                    group.Footer = ordered[i];
            linked[i] = true;
        }
    }

    // Data levels: each data band takes the following bands of the next kind up to one of its own
    // or a lower kind.
    // The index of the last band a level took (its details and group footers included).
    QHash<TfrxDataBand *, int> lastOf;
    std::function<TfrxDataLevel(int)> makeLevel = [&](int index) {
        TfrxDataLevel level;
        level.Band = static_cast<TfrxDataBand *>(ordered[index]);
        level.Groups = groupsOf.value(index);
        linked[index] = true;
        const int kind = ordered[index]->BandNumber();
        // The header stands before the band and its group headers.
        int before = index - 1;
        while (before >= 0 && ordered[before]->BandNumber() == 12 &&
               groupIndex.value(ordered[before], -1) == index)
            --before;
        if (before >= 0 && ordered[before]->BandNumber() == 4 && !linked[before]) {
            level.Header = ordered[before];
            linked[before] = true;
        }
        int last = index;
        for (int i = index + 1; i < ordered.size(); ++i) {
            const int k = ordered[i]->BandNumber();
            if (IsDataKind(k) && k <= kind)
                break;
            if (k == kind + 1 && kind < 11) {
                level.Details.append(makeLevel(i));
                last = std::max(last, lastOf.value(level.Details.last().Band, i));
            }
        }
        for (const TfrxGroup &group : level.Groups)
            if (group.Footer)
                last = std::max(last, int(ordered.indexOf(group.Footer)));
        // The footer is the first footer after the band, its details and its group footers.
        if (last + 1 < ordered.size() && ordered[last + 1]->BandNumber() == 5 && !linked[last + 1]) {
            level.Footer = ordered[last + 1];
            linked[last + 1] = true;
            last = last + 1;
        }
        lastOf.insert(level.Band, last);
        return level;
    };
    for (int i = 0; i < ordered.size(); ++i) {
        if (ordered[i]->BandNumber() == 6 && !linked[i]) {
            TfrxDataLevel level = makeLevel(i);
            if (BandDataSet(level.Band))
                result.Masters.append(level);
        }
    }
    for (int i = 0; i < ordered.size(); ++i) {
        if (linked[i])
            continue;
        TfrxBand *band = ordered[i];
        const int kind = band->BandNumber();
        QString text;
        if (kind == 4 || kind == 5)
            text = QStringLiteral("Unconnected header/footer");
        else if (kind == 12)
            text = QStringLiteral("No data band for the group");
        else if (kind == 13)
            text = QStringLiteral("No group header for");
        else
            text = QStringLiteral("Incorrect band position:");
        m_report->AddError(text + QLatin1Char(' ') + band->Name());
    }
    return result;
}

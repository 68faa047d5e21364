// Band linking: the bands of a page ordered by position and tied to their data bands, groups,
// headers and footers before the page runs.

#include "engine/build/frxEngine.h"

#include "report/model/frxClass.h"

#include <QHash>

#include <algorithm>
#include <functional>

namespace {
bool IsDataKind(TfrxBandKind kind)
{
    return kind >= TfrxBandKind::MasterData && kind <= TfrxBandKind::Data6;
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
        if (band->Vertical()) {
            // Bands across the page are not built: said once, naming the band, rather than its
            // content going missing.
            m_report->AddError(QStringLiteral("Vertical bands are not supported: %1").arg(band->Name()));
            continue;
        }
        switch (band->BandKind()) {
        case TfrxBandKind::ReportTitle:
            result.Title = band;
            break;
        case TfrxBandKind::ReportSummary:
            result.Summary = band;
            break;
        case TfrxBandKind::PageHeader:
            result.PageHeader = band;
            break;
        case TfrxBandKind::PageFooter:
            result.PageFooter = band;
            break;
        case TfrxBandKind::ColumnHeader:
            result.ColumnHeader = band;
            break;
        case TfrxBandKind::ColumnFooter:
            result.ColumnFooter = band;
            break;
        case TfrxBandKind::Overlay:
            result.Overlay = band;
            break;
        case TfrxBandKind::Child:
            break; // children are reached through their parent band
        case TfrxBandKind::Unknown:
            // The builder's own null band is never on a page; a band of another class cannot be
            // linked and is reported below.
            if (qobject_cast<TfrxNullBand *>(band))
                break;
            ordered.append(band);
            break;
        default:
            ordered.append(band);
            break;
        }
    }
    // Bands from Header to GroupFooter in the order of their position on the page; the key is the formatted
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
        if (ordered[i]->BandKind() != TfrxBandKind::GroupHeader)
            continue;
        for (int j = i + 1; j < ordered.size(); ++j)
            if (IsDataKind(ordered[j]->BandKind())) {
                groupsOf[j].append({ordered[i], nullptr});
                groupIndex.insert(ordered[i], j);
                linked[i] = true;
                break;
            }
    }
    QList<TfrxBand *> openGroups;
    for (int i = 0; i < ordered.size(); ++i) {
        const TfrxBandKind kind = ordered[i]->BandKind();
        if (kind == TfrxBandKind::GroupHeader && linked[i]) {
            openGroups.append(ordered[i]);
        } else if (kind == TfrxBandKind::GroupFooter && !openGroups.isEmpty()) {
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
        const TfrxBandKind kind = ordered[index]->BandKind();
        // The header stands before the band and its group headers.
        int before = index - 1;
        while (before >= 0 && ordered[before]->BandKind() == TfrxBandKind::GroupHeader &&
               groupIndex.value(ordered[before], -1) == index)
            --before;
        if (before >= 0 && ordered[before]->BandKind() == TfrxBandKind::Header && !linked[before]) {
            level.Header = ordered[before];
            linked[before] = true;
        }
        int last = index;
        for (int i = index + 1; i < ordered.size(); ++i) {
            const TfrxBandKind k = ordered[i]->BandKind();
            if (IsDataKind(k) && k <= kind)
                break;
            if (kind < TfrxBandKind::Data6 && k == TfrxBandKind(int(kind) + 1)) {
                level.Details.append(makeLevel(i));
                last = std::max(last, lastOf.value(level.Details.last().Band, i));
            }
        }
        for (const TfrxGroup &group : level.Groups)
            if (group.Footer)
                last = std::max(last, int(ordered.indexOf(group.Footer)));
        // The footer is the first footer after the band, its details and its group footers.
        if (last + 1 < ordered.size() && ordered[last + 1]->BandKind() == TfrxBandKind::Footer &&
            !linked[last + 1]) {
            level.Footer = ordered[last + 1];
            linked[last + 1] = true;
            last = last + 1;
        }
        lastOf.insert(level.Band, last);
        return level;
    };
    for (int i = 0; i < ordered.size(); ++i) {
        if (ordered[i]->BandKind() == TfrxBandKind::MasterData && !linked[i]) {
            TfrxDataLevel level = makeLevel(i);
            if (BandDataSet(level.Band))
                result.Masters.append(level);
        }
    }
    for (int i = 0; i < ordered.size(); ++i) {
        if (linked[i])
            continue;
        TfrxBand *band = ordered[i];
        const TfrxBandKind kind = band->BandKind();
        QString text;
        if (kind == TfrxBandKind::Header || kind == TfrxBandKind::Footer)
            text = QStringLiteral("Unconnected header/footer");
        else if (kind == TfrxBandKind::GroupHeader)
            text = QStringLiteral("No data band for the group");
        else if (kind == TfrxBandKind::GroupFooter)
            text = QStringLiteral("No group header for");
        else
            text = QStringLiteral("Incorrect band position:");
        m_report->AddError(text + QLatin1Char(' ') + band->Name());
    }
    return result;
}

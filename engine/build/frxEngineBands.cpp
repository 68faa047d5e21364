// Band placement: the rows of a data band with its groups, headers and footers, and showing one
// band: preparing its objects, stretching, moving to a new page or splitting, output and restoring
// the design state.

#include "engine/build/frxEngine.h"

#include "engine/build/frxEngineUnits.h"
#include "report/core/frxErrors.h"
#include "report/expr/frxExpand.h"
#include "report/model/frxClass.h"

#include <QPointer>
#include <QSet>

#include <algorithm>

namespace {
using frxEngineUnits::kEpsilon;

// What a build may change on an object and gives back after showing it.
struct TfrxSavedState {
    TfrxComponent *Object;
    double Left, Top, Width, Height;
    bool Visible;
    QString Text;
};

TfrxSavedState SaveState(TfrxComponent *object)
{
    TfrxSavedState state{object,           object->Left(),    object->Top(), object->Width(),
                         object->Height(), object->Visible(), QString()};
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(object))
        state.Text = memo->Text();
    else if (auto *barcode = qobject_cast<TfrxBarcodeBase *>(object))
        state.Text = barcode->Text();
    return state;
}

void RestoreState(const TfrxSavedState &state)
{
    TfrxComponent *object = state.Object;
    object->SetLeft(state.Left);
    object->SetTop(state.Top);
    object->SetWidth(state.Width);
    object->SetHeight(state.Height);
    object->SetVisible(state.Visible);
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(object)) {
        if (memo->Text() != state.Text)
            memo->SetText(state.Text);
    } else if (auto *barcode = qobject_cast<TfrxBarcodeBase *>(object)) {
        barcode->SetText(state.Text); // the value the data step wrote goes, the layout's text returns
    }
}

bool SameGroupValue(const Variant &a, const Variant &b)
{
    try {
        return Variant::Equal(a, b);
    } catch (...) {
        return a.ToString() == b.ToString();
    }
}
} // namespace

void TfrxEngine::RunDataLevel(const TfrxDataLevel &level)
{
    TfrxDataBand *band = level.Band;
    QPointer<TfrxDataSet> data = BandDataSet(band);
    if (!data)
        return;
    // A dataset freed while its band runs (by the host or a script) ends the build.
    const QString dataName = data->UserName();
    auto gone = [&] {
        if (data)
            return false;
        throw EReportError(QStringLiteral("Dataset \"%1\" does not exist").arg(dataName));
    };
    ProcessEvents();
    CallScript(band->OnMasterDetail(), band);
    data->First();
    // Records across in columns, then down: the columns that fit the page at the band's column
    // width (0 divides the page width among them).
    const TfrxColumnRun outerRun = m_columnRun;
    struct RestoreRun {
        TfrxColumnRun &run;
        TfrxColumnRun saved;
        ~RestoreRun() { run = saved; }
    } restoreRun{m_columnRun, outerRun};
    if (band->Columns() > 1) {
        const double gap = std::max(0.0, band->ColumnGap());
        int columns = band->Columns();
        double width = band->ColumnWidth();
        if (width <= 0)
            width = (m_pageWidth - gap * (columns - 1)) / columns;
        width = std::max(width, 1.0);
        const int fit = int((m_pageWidth + gap + kEpsilon) / (width + gap));
        columns = std::clamp(fit, 1, columns);
        m_columnRun = {band, columns, width + gap, 0, 0};
    } else {
        m_columnRun = TfrxColumnRun();
    }
    const int outerLine = m_line;
    int line = 1;
    const int rowLimit = band->DataSet() ? band->RowCount() : 0;
    const int groupCount = int(level.Groups.size());
    QList<Variant> groupValues(groupCount);
    QList<int> groupRows(groupCount, 0);
    const bool keepFooter = band->KeepFooter() && level.Footer;
    // A group footer shows the last record of its own group: the walk has already moved to the
    // next group's first record when the footer is due, so the dataset answers from the record
    // kept before each move while the footers are shown.
    bool groupFooters = false;
    for (const TfrxGroup &group : level.Groups)
        groupFooters = groupFooters || group.Footer;
    QStringList heldFields;
    if (groupFooters)
        data->GetFieldList(heldFields);
    TfrxDataSet::THeldRecord held;
    auto holdRecord = [&] {
        held.clear();
        for (const QString &field : heldFields)
            held.insert(field, {data->GetValue(field), data->GetDisplayText(field)});
    };
    auto startGroup = [&](int i) {
        TfrxBand *header = level.Groups[i].Header;
        groupRows[i] = 0;
        if (header->KeepTogether())
            StartKeep(header);
        ShowBandAt(header, false);
        if (header->ReprintOnNewPage())
            AddHeader(header);
        if (!header->OutlineText().isEmpty())
            AddOutline(header->OutlineText(), m_lastBandTop);
    };
    auto endGroup = [&](int i) {
        TfrxBand *header = level.Groups[i].Header;
        TfrxBand *footer = level.Groups[i].Footer;
        RemoveHeader(header);
        if (footer) {
            auto *groupFooter = qobject_cast<TfrxGroupFooter *>(footer);
            if (!(groupFooter && groupFooter->HideIfSingleDataRecord() && groupRows[i] == 1))
                ShowBandAt(footer, false);
        }
        if (!header->OutlineText().isEmpty())
            m_output->Outline()->LevelUp();
        EndKeep(header);
    };

    auto endGroups = [&](int from, int lastLine) {
        struct Release {
            QPointer<TfrxDataSet> &data;
            ~Release()
            {
                if (data)
                    data->SetHeldRecord(nullptr);
            }
        } release{data};
        if (!heldFields.isEmpty())
            data->SetHeldRecord(&held);
        m_line = lastLine;
        for (int i = groupCount - 1; i >= from; --i)
            endGroup(i);
    };

    while (data && !data->Eof() && !m_report->Terminated()) {
        if (!level.Details.isEmpty() && !band->PrintIfDetailEmpty()) {
            bool any = false;
            for (const TfrxDataLevel &detail : level.Details)
                any = any || LevelHasData(detail);
            m_line = outerLine;
            gone();
            if (!any) {
                data->Next();
                continue;
            }
        }
        m_line = line;
        ++m_lineThrough;
        if (line == 1 && level.Header) {
            if (band->KeepHeader())
                StartKeep(level.Header);
            ShowBandAt(level.Header, false);
            if (level.Header->ReprintOnNewPage())
                AddHeader(level.Header);
        }
        if (groupCount > 0) {
            QList<Variant> values(groupCount);
            for (int i = 0; i < groupCount; ++i) {
                TfrxBand *header = level.Groups[i].Header;
                const QString condition = static_cast<TfrxGroupHeader *>(header)->Condition();
                try {
                    values[i] = condition.trimmed().isEmpty() ? Variant() : m_report->Calc(condition);
                } catch (const std::exception &error) {
                    throw EReportError(QStringLiteral("Group condition of %1: %2")
                                           .arg(header->Name(), QString::fromUtf8(error.what())));
                }
            }
            int start = line == 1 ? 0 : -1;
            for (int i = 0; i < groupCount && start < 0; ++i)
                if (!SameGroupValue(values[i], groupValues[i]))
                    start = i;
            if (start >= 0) {
                if (line > 1)
                    endGroups(start, line - 1);
                for (int i = start; i < groupCount; ++i)
                    startGroup(i);
            }
            groupValues = values;
            m_line = line;
        }
        if (keepFooter) {
            // Only the last row is kept with the footer: each row ends the keep of the one before.
            EndKeep(band);
            StartKeep(band);
        } else if (band->KeepTogether()) {
            StartKeep(band);
        }
        ShowBandAt(band, false);
        const bool outline = !band->OutlineText().isEmpty();
        if (outline)
            AddOutline(band->OutlineText(), m_lastBandTop);
        for (const TfrxDataLevel &detail : level.Details) {
            RunDataLevel(detail);
            m_line = line;
        }
        if (outline)
            m_output->Outline()->LevelUp();
        if (line == 1 && level.Header && band->KeepHeader())
            EndKeep(level.Header);
        if (!keepFooter && band->KeepTogether())
            EndKeep(band);
        if (band->FooterAfterEach() && level.Footer)
            ShowBandAt(level.Footer, false);
        for (int &rows : groupRows)
            ++rows;
        ++line;
        gone();
        if (!heldFields.isEmpty())
            holdRecord();
        data->Next();
        if (rowLimit > 0 && line > rowLimit)
            break;
    }
    if (line > 1) {
        endGroups(0, line - 1);
        if (level.Footer && !band->FooterAfterEach())
            ShowBandAt(level.Footer, false);
    }
    EndKeep(band);
    if (level.Header)
        RemoveHeader(level.Header);
    m_line = outerLine;
}

// One showing of a band: the objects it shows, their design state saved before anything is
// evaluated, and put back when the showing ends, so no expanded text or moved object stays in the
// layout.
struct TfrxEngine::TfrxShowing {
    TfrxEngine *Engine;
    TfrxBand *Band;
    bool FromPageStart;
    bool IsNull, IsOverlay, IsData, IsGroupHeader;
    // The band's own objects before its events ran: objects a handler adds print with the band
    // and go afterwards.
    QList<TfrxComponent *> DesignChildren;
    std::vector<TfrxSavedState> Saved;
    QList<TfrxView *> Views;
    // Objects whose whole design state is kept in a copy (report code may change any property).
    std::vector<std::pair<TfrxView *, TfrxComponent *>> Copies;
    std::vector<TfrxFlowSource> FlowSources;
    // What sub-reports printing on the band showed, placed in the band.
    std::vector<std::unique_ptr<TfrxView>> Collected;
    bool Visible = false;

    TfrxShowing(TfrxEngine *engine, TfrxBand *band, bool fromPageStart)
        : Engine(engine), Band(band), FromPageStart(fromPageStart),
          IsNull(qobject_cast<TfrxNullBand *>(band) != nullptr),
          IsOverlay(qobject_cast<TfrxOverlay *>(band) != nullptr),
          IsData(qobject_cast<TfrxDataBand *>(band) != nullptr),
          IsGroupHeader(qobject_cast<TfrxGroupHeader *>(band) != nullptr)
    {
        if (!IsNull)
            DesignChildren = band->Objects();
    }
    TfrxShowing(const TfrxShowing &) = delete;
    TfrxShowing &operator=(const TfrxShowing &) = delete;

    ~TfrxShowing()
    {
        for (auto &[view, copy] : Copies) {
            // The picture cache entry the store gave the picture stays valid.
            auto *picture = qobject_cast<TfrxPictureView *>(view);
            const int index = picture ? picture->ImageIndex() : 0;
            const bool changed = picture && picture->IsPictureChanged();
            view->Assign(copy);
            if (picture) {
                picture->SetImageIndex(index);
                picture->SetPictureChanged(changed);
            }
        }
        for (auto it = Saved.rbegin(); it != Saved.rend(); ++it)
            RestoreState(*it);
        // A text object that showed another's overflow gets its own text back: the next record's
        // overflow may be none.
        if (!Engine->m_flowTargets.isEmpty())
            for (size_t i = 1; i < Saved.size(); ++i)
                if (auto *memo = qobject_cast<TfrxCustomMemoView *>(Saved[i].Object))
                    Engine->ResetFlowTarget(memo);
    }
};

void TfrxEngine::ShowBandAt(TfrxBand *band, bool fromPageStart)
{
    if (!band || band->Vertical())
        return; // vertical bands are not built
    // A band is not shown again from its own events (Engine.ShowBand(Self) would never end).
    if (m_bandsShowing.contains(band))
        return;
    m_bandsShowing.insert(band);
    struct Leave {
        QSet<TfrxBand *> &showing;
        TfrxBand *band;
        ~Leave() { showing.remove(band); }
    } leave{m_bandsShowing, band};

    if (band->Visible() && band->KeepChild() && band->Child())
        StartKeep(band);

    bool visible = false;
    const bool isNull = qobject_cast<TfrxNullBand *>(band) != nullptr;
    const QList<TfrxComponent *> designChildren = isNull ? QList<TfrxComponent *>() : band->Objects();
    {
        TfrxShowing showing(this, band, fromPageStart);
        // 1. A band that starts a new page gets it before anything of it is evaluated.
        StartNewPageFor(showing);
        // 2. Preparing: design states saved, events raised, the objects' data computed.
        PrepareObjects(showing);
        // 3. Stretching: objects grow to their content and push the objects below them.
        StretchObjects(showing);
        if (!showing.IsNull && band->Visible() && m_subreportParents.contains(band))
            RunSubreportsOnParent(showing);
        // 4. Room on the page: the band moves to the next page (or column) or will be split.
        visible = showing.Visible = band->Visible();
        const bool split = visible && MakeRoom(showing);
        // 5. Output at (CurX, CurY).
        if (visible)
            OutputBand(showing, split);
        // 6. After-print events.
        RaiseAfterPrint(showing);
    } // 7. The design state comes back.
    // 8. Objects added while shown go.
    if (!isNull && band->Objects() != designChildren) {
        const QList<TfrxComponent *> children = band->Objects();
        for (TfrxComponent *child : children)
            if (!designChildren.contains(child))
                delete child;
    }
    // 9. What follows the band: its aggregates, sub-reports, child band and the totals.
    FinishBand(band, fromPageStart, visible);
}

void TfrxEngine::StartNewPageFor(TfrxShowing &showing)
{
    TfrxBand *band = showing.Band;
    if (band->Visible() && band->StartNewPage() && !showing.FromPageStart &&
        !((showing.IsData || showing.IsGroupHeader) && m_line == 1) && m_pageOpen && !m_inPageEnd &&
        m_pageDepth == 0 && !m_redirect) {
        if (showing.IsGroupHeader && static_cast<TfrxGroupHeader *>(band)->ResetPageNumbers())
            m_output->ResetLogicalNumbers();
        m_bandStartingPage = band;
        NewPage();
        m_bandStartingPage = nullptr;
    }
}

void TfrxEngine::PrepareObjects(TfrxShowing &showing)
{
    TfrxBand *band = showing.Band;
    showing.Saved.reserve(band->Objects().size() + 1);
    showing.Saved.push_back(SaveState(band));
    // The null band carries the page's own objects without becoming their parent.
    for (TfrxComponent *child : showing.IsNull ? m_bands.PageObjects : band->Objects())
        if (auto *view = qobject_cast<TfrxView *>(child)) {
            showing.Views.append(view);
            showing.Saved.push_back(SaveState(view));
            if (!m_aggregateTexts.isEmpty())
                if (auto it = m_aggregateTexts.constFind(view); it != m_aggregateTexts.constEnd())
                    static_cast<TfrxCustomMemoView *>(view)->SetText(*it);
        }
    // Report code may change any property of an object (its font, its colour): the whole design
    // state of an object that code can reach is kept in a copy, made when the pages start, and
    // put back after every showing.
    if (!m_designCopies.empty())
        for (size_t i = 1; i < showing.Saved.size(); ++i) {
            auto *view = static_cast<TfrxView *>(showing.Saved[i].Object);
            if (auto it = m_designCopies.find(view); it != m_designCopies.end())
                showing.Copies.emplace_back(view, it->second.get());
        }
    // What an earlier record handed over goes before anything of this band is evaluated: this
    // record's overflow may be none.
    if (!m_flowTargets.isEmpty())
        for (TfrxView *view : showing.Views)
            if (auto *memo = qobject_cast<TfrxCustomMemoView *>(view); memo && memo->FlowTo())
                ResetFlowTarget(memo->FlowTo());

    if (m_report->OnBeforePrint)
        m_report->OnBeforePrint(band);
    CallScript(band->OnBeforePrint(), band);
    if (!showing.IsNull && band->Objects() != showing.DesignChildren)
        for (TfrxComponent *child : band->Objects())
            if (auto *view = qobject_cast<TfrxView *>(child);
                view && !showing.DesignChildren.contains(child) && !showing.Views.contains(view))
                showing.Views.append(view);
    for (TfrxView *view : showing.Views) {
        if (!band->Visible())
            break;
        if (!m_flowTargets.isEmpty())
            if (auto *memo = qobject_cast<TfrxCustomMemoView *>(view); memo && memo->FlowTo())
                showing.FlowSources.push_back({memo, memo->Text(), memo->LastValue(), memo->FlowTo()->Text(),
                                               memo->FlowTo()->AllowExpressions()});
        if (m_report->OnBeforePrint)
            m_report->OnBeforePrint(view);
        CallScript(view->OnBeforePrint(), view);
        if (view->Visible()) {
            m_report->SetCurObject(view->Name());
            view->ComputeData();
            CallScript(view->OnAfterData(), view);
        }
    }
    m_report->SetCurObject(QString());
}

void TfrxEngine::StretchObjects(TfrxShowing &showing)
{
    TfrxBand *band = showing.Band;
    const QList<TfrxView *> &views = showing.Views;
    QList<TfrxView *> byTop = views;
    std::stable_sort(byTop.begin(), byTop.end(),
                     [](TfrxView *a, TfrxView *b) { return a->Top() < b->Top(); });
    for (TfrxView *view : byTop) {
        auto *stretch = qobject_cast<TfrxStretcheable *>(view);
        if (!stretch || !view->Visible() || stretch->StretchMode() == frx::smDontStretch)
            continue;
        const double oldHeight = view->Height();
        const double needed = stretch->CalcHeight();
        if (needed <= oldHeight)
            continue;
        const double growth = needed - oldHeight;
        const double bottom = view->Top() + oldHeight;
        view->SetHeight(needed);
        for (TfrxView *other : byTop) {
            if (other == view || other->Top() < bottom - kEpsilon)
                continue;
            if (other->ShiftMode() == frx::smDontShift)
                continue;
            if (other->ShiftMode() == frx::smWhenOverlapped &&
                (other->Left() >= view->Left() + view->Width() ||
                 other->Left() + other->Width() <= view->Left()))
                continue;
            other->SetTop(other->Top() + growth);
        }
    }
    if (band->Stretched() && !views.isEmpty()) {
        double maxBottom = 0;
        for (TfrxView *view : views)
            if (view->Visible())
                maxBottom = std::max(maxBottom, view->Top() + view->Height());
        band->SetHeight(maxBottom);
    }
    CallScript(band->OnAfterCalcHeight(), band);
    for (TfrxView *view : views)
        if (auto *stretch = qobject_cast<TfrxStretcheable *>(view))
            if (stretch->StretchMode() == frx::smMaxHeight)
                view->SetHeight(band->Height() - view->Top());
    // Objects aligned to the band's bottom or filling it follow the stretched band.
    if (!showing.IsNull)
        for (TfrxView *view : views)
            if (view->Align() != frx::baNone) {
                band->AlignChildren();
                break;
            }
}

bool TfrxEngine::MakeRoom(TfrxShowing &showing)
{
    TfrxBand *band = showing.Band;
    // A record beside others in a row of columns goes where the row started.
    if (m_columnRun.Band == band && m_columnRun.Index > 0)
        return false;
    if (m_redirect)
        return false;
    if (band == m_bands.Summary && m_inPageEnd) {
        SummaryToNewPage(band->Height());
        return false;
    }
    if (showing.IsNull || showing.IsOverlay || m_inPageEnd || showing.FromPageStart || m_pageDepth > 0 ||
        FreeSpace() >= band->Height() - kEpsilon)
        return false;
    const bool taller = band->Height() > PageBodyHeight() + kEpsilon;
    if ((band->AllowSplit() && !m_keeping) || taller) {
        if (!band->AllowSplit()) {
            if (!(showing.IsData && m_line == 1) && m_curY > m_pageTop + kEpsilon) {
                m_pendingHeight = band->Height();
                m_bandStartingPage = band;
                NewPage();
                m_bandStartingPage = nullptr;
                m_pendingHeight = 0;
            }
            m_keeping = false;
        }
        return true;
    }
    if (m_curY > m_pageTop + kEpsilon || m_keeping) {
        // The band moves as a whole; on the new page it is placed whatever its height, so a band
        // that can never fit does not stop the build.
        if (!showing.FlowSources.empty())
            EvaluateFlowAgain(showing.FlowSources);
        m_pendingHeight = band->Height();
        m_bandStartingPage = band;
        NewColumn();
        m_bandStartingPage = nullptr;
        m_pendingHeight = 0;
    }
    return false;
}

void TfrxEngine::OutputBand(TfrxShowing &showing, bool split)
{
    TfrxBand *band = showing.Band;
    QList<TfrxView *> printed;
    // A sub-report object stands for the bands it prints; it has no look of its own. Objects that
    // are not Printable stay on the page: the preview shows them, paper leaves them out.
    for (TfrxView *view : showing.Views)
        if (view->Visible() && !qobject_cast<TfrxSubreport *>(view))
            printed.append(view);
    for (const std::unique_ptr<TfrxView> &view : showing.Collected)
        printed.append(view.get());
    m_lastBandTop = m_curY;
    if (!showing.IsNull && m_columnRun.Band == band && m_columnRun.Columns > 1) {
        if (m_columnRun.Index == 0)
            m_columnRun.RowTop = m_curY;
        const double top = m_columnRun.RowTop;
        EmitBand(band, printed, m_curX + m_columnRun.Index * m_columnRun.Step, top);
        m_curY = std::max(m_curY, top + band->Height());
        m_lastBandTop = top;
        m_columnRun.Index = (m_columnRun.Index + 1) % m_columnRun.Columns;
        m_lastBandShown = band;
        return;
    }
    // Any other band ends a row of records in columns.
    if (!showing.IsNull && !showing.IsOverlay)
        m_columnRun.Index = 0;
    if (split && FreeSpace() < band->Height() - kEpsilon) {
        SplitBand(band, printed);
    } else {
        EmitBand(band, printed, showing.IsNull ? 0 : m_curX, showing.IsNull ? 0 : m_curY);
        if (!showing.IsNull)
            m_curY += band->Height();
    }
    if (!showing.IsNull)
        m_lastBandShown = band;
}

void TfrxEngine::EmitBand(TfrxBand *band, const QList<TfrxView *> &views, double left, double top)
{
    if (!m_redirect) {
        m_output->AppendBand(band, views, left, top);
        return;
    }
    for (TfrxView *view : views) {
        std::unique_ptr<TfrxComponent> made(frxCreateComponent(view->ClassName(), nullptr));
        auto *copy = qobject_cast<TfrxView *>(made.get());
        if (!copy)
            continue;
        made.release();
        m_redirect->emplace_back(copy);
        copy->Assign(view);
        try {
            copy->SetName(view->Name());
        } catch (const Exception &) {
        }
        copy->SetLeft(left + view->Left());
        copy->SetTop(top + view->Top());
    }
}

void TfrxEngine::RunSubreportsOnParent(TfrxShowing &showing)
{
    TfrxBand *band = showing.Band;
    double bottom = band->Height();
    for (TfrxView *view : showing.Views) {
        auto *subreport = qobject_cast<TfrxSubreport *>(view);
        if (!subreport || !subreport->Visible() || !subreport->PrintOnParent())
            continue;
        // Positions from the band's top left; no page or column breaks while it runs.
        const double savedX = m_curX, savedY = m_curY, savedTop = m_lastBandTop;
        TfrxBand *savedLast = m_lastBandShown;
        auto *savedRedirect = m_redirect;
        struct Restore {
            TfrxEngine *engine;
            double x, y, top;
            TfrxBand *last;
            std::vector<std::unique_ptr<TfrxView>> *redirect;
            ~Restore()
            {
                engine->m_curX = x;
                engine->m_curY = y;
                engine->m_lastBandTop = top;
                engine->m_lastBandShown = last;
                engine->m_redirect = redirect;
            }
        } restore{this, savedX, savedY, savedTop, savedLast, savedRedirect};
        m_redirect = &showing.Collected;
        m_curX = 0;
        RunSubreport(subreport, 0);
        bottom = std::max(bottom, m_curY);
    }
    if (bottom > band->Height() + kEpsilon)
        band->SetHeight(bottom);
}

void TfrxEngine::RaiseAfterPrint(TfrxShowing &showing)
{
    TfrxBand *band = showing.Band;
    for (TfrxView *view : showing.Views) {
        if (!showing.Visible)
            break;
        if (m_report->OnAfterPrint)
            m_report->OnAfterPrint(view);
        CallScript(view->OnAfterPrint(), view);
    }
    if (m_report->OnAfterPrint)
        m_report->OnAfterPrint(band);
    CallScript(band->OnAfterPrint(), band);
}

void TfrxEngine::FinishBand(TfrxBand *band, bool fromPageStart, bool visible)
{
    const bool isNull = qobject_cast<TfrxNullBand *>(band) != nullptr;
    ResetAggregates(band);
    // Sub-reports placed in the band print their page's bands from where they stand in it.
    if (visible && !isNull) {
        const double bandTop = m_lastBandTop, bandBottom = m_curY;
        bool any = false;
        for (TfrxComponent *child : band->Objects())
            if (auto *subreport = qobject_cast<TfrxSubreport *>(child);
                subreport && !subreport->PrintOnParent()) {
                any = true;
                RunSubreport(subreport, bandTop);
            }
        if (any)
            m_curY = std::max(m_curY, bandBottom);
    }
    if (band->Child() && (visible || band->PrintChildIfInvisible()))
        ShowBandAt(band->Child(), fromPageStart);
    if (band->KeepChild())
        EndKeep(band);
    if (qobject_cast<TfrxDataBand *>(band) && !m_aggregates.empty())
        AccumulateAggregates(static_cast<TfrxDataBand *>(band), visible);
}

void TfrxEngine::RunSubreport(TfrxSubreport *subreport, double top)
{
    TfrxReportPage *subPage = subreport->SubPage();
    if (!subreport->Visible() || !subPage || subPage == m_page ||
        ((m_pageDepth > 0 || m_inPageEnd) && !m_redirect) || !m_pageBands.contains(subPage))
        return;
    // A sub-report that (through its bands) prints itself again would never end.
    if (m_subreportsRunning.contains(subreport))
        return;
    m_subreportsRunning.insert(subreport);
    struct Leave {
        QSet<TfrxSubreport *> &running;
        TfrxSubreport *subreport;
        ~Leave() { running.remove(subreport); }
    } leave{m_subreportsRunning, subreport};
    const double savedX = m_curX;
    struct RestoreX {
        double &x;
        double saved;
        ~RestoreX() { x = saved; }
    } restoreX{m_curX, savedX};
    m_curX += subreport->Left();
    m_curY = top + subreport->Top();
    // The sub-page's title, page header and column header open what it prints, its column
    // footer, summary and page footer close it, its data bands with their headers, footers and
    // groups in between. While it runs over pages, its page and column header open every new page
    // (at its place across) too.
    const TfrxPageBands subBands = m_pageBands.value(subPage);
    TfrxBand *first = subBands.PageHeader;
    TfrxBand *second = subBands.Title;
    if (subPage->TitleBeforeHeader())
        std::swap(first, second);
    for (TfrxBand *band : {first, second, subBands.ColumnHeader})
        if (band)
            ShowBandAt(band, false);
    QList<TfrxBand *> repeated;
    if (!m_redirect)
        for (TfrxBand *band : {subBands.PageHeader, subBands.ColumnHeader})
            if (band && band->Visible()) {
                AddHeader(band);
                repeated.append(band);
            }
    struct Unrepeat {
        TfrxEngine *engine;
        QList<TfrxBand *> &bands;
        ~Unrepeat()
        {
            for (TfrxBand *band : bands)
                engine->RemoveHeader(band);
        }
    } unrepeat{this, repeated};
    for (const TfrxDataLevel &level : subBands.Masters) {
        if (m_report->Terminated())
            break;
        RunDataLevel(level);
    }
    for (TfrxBand *band : repeated)
        RemoveHeader(band);
    repeated.clear();
    for (TfrxBand *band : {subBands.ColumnFooter, subBands.Summary, subBands.PageFooter})
        if (band)
            ShowBandAt(band, false);
}

void TfrxEngine::ResetFlowTarget(TfrxCustomMemoView *target)
{
    auto it = m_flowTargets.constFind(target);
    if (it == m_flowTargets.constEnd())
        return;
    if (target->Text() != it->first)
        target->SetText(it->first);
    target->SetAllowExpressions(it->second);
}

void TfrxEngine::EvaluateFlowAgain(const std::vector<TfrxFlowSource> &sources)
{
    // Report code tells this call from the first by Engine.SecondScriptCall (a counter it keeps
    // must not count the record twice).
    m_secondScriptCall = true;
    struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_secondScriptCall};
    for (const TfrxFlowSource &source : sources) {
        TfrxCustomMemoView *memo = source.Memo;
        if (!memo->Visible())
            continue;
        // From where the first call started, so that the text is not cut twice, a suppressed
        // repeat compares with the record before, and the receiving object holds only what this
        // call hands over.
        memo->SetText(source.Text);
        memo->SetLastValue(source.LastValue);
        if (TfrxCustomMemoView *target = memo->FlowTo()) {
            target->SetText(source.TargetText);
            target->SetAllowExpressions(source.TargetExpressions);
        }
        if (m_report->OnBeforePrint)
            m_report->OnBeforePrint(memo);
        CallScript(memo->OnBeforePrint(), memo);
        if (memo->Visible()) {
            m_report->SetCurObject(memo->Name());
            memo->ComputeData();
            CallScript(memo->OnAfterData(), memo);
        }
    }
    m_report->SetCurObject(QString());
}

void TfrxEngine::SplitBand(TfrxBand *band, const QList<TfrxView *> &printed)
{
    // The band goes out in pieces, each as high as the space left on its page, over as many
    // pages as it needs. A text object that crosses the end of a piece keeps the lines that fit
    // and goes on with the rest in the next piece; other objects (pictures, shapes) move whole to
    // the next piece. An object that is not text and is taller than a whole page starts on a
    // fresh page and is cut at its end.
    struct Part {
        TfrxView *View;
        double Top, Height;
        QString Text;
    };
    QList<Part> remaining;
    for (TfrxView *view : printed) {
        auto *memo = qobject_cast<TfrxCustomMemoView *>(view);
        remaining.append({view, view->Top(), view->Height(), memo ? memo->Text() : QString()});
    }
    std::stable_sort(remaining.begin(), remaining.end(),
                     [](const Part &a, const Part &b) { return a.Top < b.Top; });
    auto isText = [](const Part &part) { return qobject_cast<TfrxCustomMemoView *>(part.View) != nullptr; };
    double total = band->Height();
    double offset = 0;
    for (;;) {
        double free = FreeSpace();
        if (free <= kEpsilon && m_curY > m_pageTop + kEpsilon) {
            NewPage();
            free = FreeSpace();
        }
        free = std::max(free, 0.0);
        const bool pageTop = m_curY <= m_pageTop + kEpsilon;
        // An object that cannot be cut and does not fit from the top of the piece starts on a
        // fresh page, where it is cut at the page's end if it must.
        if (!pageTop && !m_report->Terminated()) {
            bool tall = false;
            for (const Part &part : remaining)
                tall = tall || (!isText(part) && part.Top <= offset + kEpsilon &&
                                part.Top + part.Height > offset + free + kEpsilon);
            if (tall) {
                NewPage();
                // (A page that could not be ended, in a script's page start, takes it as it is.)
                if (m_curY <= m_pageTop + kEpsilon)
                    continue;
            }
        }
        // Objects that cannot be cut and cross the end of the piece move to the next one; the end
        // moves up to their top (which may make another object cross it).
        double cut = offset + free;
        for (bool moved = true; moved;) {
            moved = false;
            for (const Part &part : remaining)
                if (!isText(part) && part.Top < cut - kEpsilon && part.Top + part.Height > cut + kEpsilon &&
                    part.Top > offset + kEpsilon) {
                    cut = part.Top;
                    moved = true;
                }
        }
        QList<Part> piece, next;
        for (const Part &part : remaining) {
            if (part.Top >= cut - kEpsilon && part.Top > offset + kEpsilon) {
                next.append(part);
                continue;
            }
            if (part.Top + part.Height <= cut + kEpsilon || cut >= total - kEpsilon) {
                piece.append(part);
                continue;
            }
            if (!isText(part)) {
                // Taller than the room from its top, it already stands at the top of the piece:
                // it is cut at the piece's end, the page's end.
                piece.append({part.View, part.Top, std::max(cut - part.Top, 0.0), part.Text});
                continue;
            }
            // A text crossing the end: the lines that fit stay, the others go on.
            auto *memo = static_cast<TfrxCustomMemoView *>(part.View);
            memo->SetText(part.Text);
            memo->SetHeight(part.Height);
            const double room = cut - part.Top;
            QString kept, rest;
            if (!memo->SplitAtHeight(room, kept, rest)) {
                // All its lines fit: its box ends with the piece.
                piece.append({part.View, part.Top, room, part.Text});
                continue;
            }
            if (kept.isEmpty() && part.Top > offset + kEpsilon) {
                // Not one line fits below its top: all of it goes on.
                next.append({part.View, cut, part.Height - room, part.Text});
                continue;
            }
            if (kept.isEmpty()) {
                // Not one line fits on the whole piece: it is shown as it is.
                piece.append(part);
                continue;
            }
            piece.append({part.View, part.Top, room, kept});
            double restHeight = part.Top + part.Height - cut;
            memo->SetText(rest);
            restHeight = std::max(restHeight, memo->CalcHeight());
            next.append({part.View, cut, restHeight, rest});
        }
        // A page with no room at all (its headers fill it) takes the rest in one piece; so does a
        // piece that could not move on.
        if ((free < 1 && pageTop) || (piece.isEmpty() && cut < offset + 1)) {
            piece += next;
            next.clear();
        }
        const bool last = next.isEmpty() || m_report->Terminated();
        double height = cut - offset;
        if (last) {
            height = std::min(total - offset, std::max(free, 0.0));
            for (const Part &part : piece)
                height = std::max(height, part.Top + part.Height - offset);
        }
        QList<TfrxView *> views;
        for (const Part &part : piece) {
            part.View->SetTop(part.Top - offset);
            part.View->SetHeight(part.Height);
            if (auto *memo = qobject_cast<TfrxCustomMemoView *>(part.View))
                memo->SetText(part.Text);
            views.append(part.View);
        }
        band->SetHeight(height);
        EmitBand(band, views, m_curX, m_curY);
        m_curY += height;
        if (last)
            break;
        offset = cut;
        // The texts that go on grow the band when they need more room than their design gave.
        double bottom = total;
        for (const Part &part : next)
            bottom = std::max(bottom, part.Top + part.Height);
        total = std::max(total, bottom);
        remaining = next;
        NewPage();
        ProcessEvents();
    }
}

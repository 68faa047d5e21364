// Runs and pages: the build from start to end, the report-level and page datasets, starting and
// ending pages and columns, the header list and keeping bands together.

#include "engine/build/frxEngine.h"

#include "engine/build/frxEngineUnits.h"
#include "report/core/frxClassRegistry.h"
#include "report/core/frxErrors.h"
#include "report/host/frxPreviewPagesBase.h"
#include "report/model/frxClass.h"
#include "script/fs_iinterpreter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QSet>
#include <QTime>

#include <algorithm>
#include <functional>

namespace {
using frxEngineUnits::kEpsilon;
using frxEngineUnits::kPixelsPerMm;
// Days between 1899-12-30 and 1970-01-01.
constexpr double kUnixEpochDay = 25569.0;

// Whether an object names a procedure of report code for one of its events.
bool HasEventProcedure(const QObject *object)
{
    const QMetaObject *meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (qstrncmp(property.name(), "On", 2) == 0 && property.typeId() == QMetaType::QString &&
            !property.read(object).toString().isEmpty())
            return true;
    }
    return false;
}

// The identifiers of a program text, in lower case.
QSet<QString> Identifiers(const QStringList &lines)
{
    QSet<QString> words;
    for (const QString &line : lines) {
        const qsizetype n = line.size();
        for (qsizetype i = 0; i < n;) {
            if (!(line[i].isLetter() || line[i] == u'_')) {
                ++i;
                continue;
            }
            qsizetype end = i;
            while (end < n && (line[end].isLetterOrNumber() || line[end] == u'_'))
                ++end;
            words.insert(line.mid(i, end - i).toLower());
            i = end;
        }
    }
    return words;
}
} // namespace

void frxRegisterEngine()
{
    frxSetEngineFactory([](TfrxReport *report) { return std::make_unique<TfrxEngine>(report); });
}

TfrxEngine::TfrxEngine(TfrxReport *report) : TfrxCustomEngine(report)
{
    // The report's store when one is installed; pages kept in memory otherwise.
    if (TfrxCustomPreviewPages *pages = report->PreviewPages())
        m_output = std::make_unique<TfrxEngineStoreOutput>(pages);
    else
        m_output = std::make_unique<TfrxEngineMemoryPages>();
    setObjectName(QStringLiteral("Engine"));
}

TfrxEngine::~TfrxEngine() = default;

bool TfrxEngine::DoublePass() const
{
    return m_report->EngineOptions()->DoublePass();
}

void TfrxEngine::CallScript(const QString &procedure, QObject *object)
{
    if (procedure.isEmpty() || !m_running)
        return;
    if (TfsScript *script = m_report->Script())
        script->CallFunction(procedure, {Variant(object)});
}

void TfrxEngine::ProcessEvents()
{
    if (!m_report->EngineOptions()->EnableThreadSafe() && QCoreApplication::instance())
        QCoreApplication::processEvents();
}

TfrxDataSet *TfrxEngine::BandDataSet(TfrxDataBand *band) const
{
    if (band->DataSet())
        return band->DataSet();
    if (band->RowCount() > 0)
        return band->VirtualDataSet();
    return nullptr;
}

bool TfrxEngine::Run()
{
    m_previousFooterHeight = 0;
    m_output->BeginBuild();
    m_report->DoProgressStart(TfrxProgressKind::Preparing);
    const QDateTime now = QDateTime::currentDateTime();
    m_startDate = kUnixEpochDay + double(QDate(1970, 1, 1).daysTo(now.date()));
    m_startTime = double(now.time().msecsSinceStartOfDay()) / 86400000.0;
    m_running = true;
    m_keeping = false;
    m_curVColumn = 0;
    m_lineThrough = 0;
    m_pageDepth = 0;
    m_headerList.clear();
    m_aggregates.clear();
    m_aggregateTexts.clear();
    m_pageBands.clear();
    FindObjectsChangedByCode();
    m_designCopies.clear();
    m_flowTargets.clear();
    for (TfrxComponent *object : m_report->AllObjects())
        if (auto *memo = qobject_cast<TfrxCustomMemoView *>(object))
            if (TfrxCustomMemoView *target = memo->FlowTo(); target && !m_flowTargets.contains(target))
                m_flowTargets.insert(target, {target->Text(), target->AllowExpressions()});
    m_report->SetBuildCounters(this);
    struct Finally {
        TfrxEngine *engine;
        ~Finally()
        {
            TfrxReport *report = engine->m_report;
            try {
                engine->CallScript(report->OnStopReport(), report);
            } catch (...) {
            }
            report->Datasets()->Finalize();
            engine->m_output->SetPassInfo(false, false);
            engine->m_output->EndBuild();
            report->DoProgressStop(TfrxProgressKind::Preparing);
            engine->m_running = false;
            report->SetBuildCounters(nullptr);
            // The layout is reloaded after the build: nothing may point into it.
            engine->m_page = nullptr;
            engine->m_bands = TfrxPageBands();
            engine->m_pageBands.clear();
            engine->m_headerList.clear();
            engine->m_aggregates.clear();
            engine->m_aggregateTexts.clear();
            engine->m_designCopies.clear();
            engine->m_changedByCode.clear();
            engine->m_flowTargets.clear();
            engine->m_overflowBands.clear();
            engine->m_subreportParents.clear();
            engine->m_keeping = false;
            engine->m_keepBand = nullptr;
            engine->m_lastBandShown = nullptr;
            engine->m_bandStartingPage = nullptr;
        }
    } finally{this};

    QList<TfrxReportPage *> pages;
    for (int i = 0; i < m_report->PagesCount(); ++i)
        if (auto *page = qobject_cast<TfrxReportPage *>(m_report->Pages(i)))
            pages.append(page);
    for (TfrxReportPage *page : pages)
        m_pageBands.insert(page, PrepareBands(page));

    TfrxDataSet *reportData = m_report->DataSet();
    for (TfrxReportPage *page : pages) {
        if (reportData && page->DataSet() == reportData) {
            m_report->AddError(
                QStringLiteral("Cannot use the same dataset for Report.DataSet and Page.DataSet"));
            break;
        }
        for (const TfrxDataLevel &level : m_pageBands.value(page).Masters) {
            TfrxDataSet *bandData = level.Band->DataSet();
            if (reportData && bandData == reportData) {
                m_report->AddError(
                    QStringLiteral("Cannot use the same dataset for Report.DataSet and Band.DataSet"));
                break;
            }
            if (page->DataSet() && bandData == page->DataSet()) {
                m_report->AddError(
                    QStringLiteral("Cannot use the same dataset for Page.DataSet and Band.DataSet"));
                break;
            }
        }
    }
    CheckDatasetsEnd(pages);
    m_subreportParents.clear();
    for (TfrxComponent *object : m_report->AllObjects())
        if (auto *subreport = qobject_cast<TfrxSubreport *>(object)) {
            if (!subreport->SubPage())
                m_report->AddError(
                    QStringLiteral("Sub-report %1 has no page to print").arg(subreport->Name()));
            else if (auto *band = qobject_cast<TfrxBand *>(subreport->Parent()))
                m_subreportParents.insert(band);
        }
    if (!m_report->Errors().isEmpty())
        return false;

    m_report->Datasets()->Initialize();
    CallScript(m_report->OnStartReport(), m_report);
    // A dialog runner named by the report decides whether the build goes on (its var Boolean
    // argument, or its result when it is a function). Dialog pages themselves are not shown:
    // waybill layouts have none, and a build runs without them.
    if (!m_report->OnRunDialogs().isEmpty())
        if (TfsScript *script = m_report->Script()) {
            QList<Variant> params{Variant(true)};
            const Variant result = script->CallFunction1(m_report->OnRunDialogs(), params);
            const Variant answer = result.IsEmptyOrNull() ? params.value(0) : result;
            if (!answer.ToBool())
                return false;
        }
    for (TfrxReportPage *page : pages) {
        m_output->RegisterSourcePage(page);
        RegisterAggregates(page, m_pageBands.value(page));
    }

    // The copies are taken once the report has started: what code changes from here on stays on
    // the page it was changed for.
    for (TfrxComponent *object : m_report->AllObjects()) {
        auto *view = qobject_cast<TfrxView *>(object);
        if (!view || !view->Objects().isEmpty() || (!m_copyAllObjects && !m_changedByCode.contains(view)))
            continue;
        std::unique_ptr<TfrxComponent> copy(frxCreateComponent(view->ClassName(), nullptr));
        if (!copy)
            continue;
        copy->Assign(view);
        m_designCopies[view] = std::move(copy);
    }

    m_finalPass = !DoublePass();
    m_totalPages = 0;
    m_output->SetPassInfo(DoublePass(), false);
    m_output->BeginPass();
    RunReportPages();
    if (DoublePass() && m_report->Terminated()) {
        // The first pass writes page geometry only: its pages would print without their texts.
        m_output->DropFirstPass();
    } else if (DoublePass()) {
        m_totalPages = m_output->Count();
        m_output->DropFirstPass();
        ClearAggregateValues();
        m_finalPass = true;
        m_lineThrough = 0;
        m_output->SetPassInfo(false, true);
        m_output->BeginPass();
        RunReportPages();
    }
    return true;
}

void TfrxEngine::CheckDatasetsEnd(const QList<TfrxReportPage *> &pages)
{
    // A user dataset that runs to its last record learns where that is only from its end
    // callback: without one (and without report code that could stop the build) its walk would
    // never end and the pages would grow until memory runs out.
    if (Identifiers(m_report->ScriptText()).contains(QStringLiteral("stopreport")))
        return;
    QSet<TfrxDataSet *> checked;
    auto check = [&](TfrxDataSet *data) {
        if (!data || checked.contains(data))
            return;
        checked.insert(data);
        if (qobject_cast<TfrxUserDataSet *>(data) && data->RangeEnd() == frx::reLast && !data->OnCheckEOF)
            m_report->AddError(QStringLiteral("Dataset \"%1\" never ends: its RangeEnd is reLast and no end "
                                              "check is set")
                                   .arg(data->UserName()));
    };
    std::function<void(const QList<TfrxDataLevel> &)> walk = [&](const QList<TfrxDataLevel> &levels) {
        for (const TfrxDataLevel &level : levels) {
            check(level.Band->DataSet());
            walk(level.Details);
        }
    };
    check(m_report->DataSet());
    for (TfrxReportPage *page : pages) {
        check(page->DataSet());
        walk(m_pageBands.value(page).Masters);
    }
}

void TfrxEngine::FindObjectsChangedByCode()
{
    // Putting an object's whole state back after every showing costs about as much as showing
    // it, so only objects that report code can reach are kept: those whose events run code (the
    // code gets them as Sender) and those the code names. Code that finds objects at run time,
    // and host handlers, which see every object, may change any of them.
    m_copyAllObjects = false;
    m_changedByCode.clear();
    if (m_report->OnBeforePrint || m_report->OnAfterPrint || m_report->OnManualBuild) {
        m_copyAllObjects = true;
        return;
    }
    const QSet<QString> words = Identifiers(m_report->ScriptText());
    static const QStringList lookups{QStringLiteral("findobject"), QStringLiteral("findcomponent"),
                                     QStringLiteral("objects"),    QStringLiteral("allobjects"),
                                     QStringLiteral("components"), QStringLiteral("self")};
    for (const QString &lookup : lookups)
        if (words.contains(lookup)) {
            m_copyAllObjects = true;
            return;
        }
    const QList<TfrxComponent *> objects = m_report->AllObjects();
    for (TfrxComponent *object : objects)
        if (HasEventProcedure(object))
            m_changedByCode.insert(object);
    for (TfrxComponent *object : objects)
        if (words.contains(object->Name().toLower()))
            m_changedByCode.insert(object);
}

void TfrxEngine::RunReportPages()
{
    // Pages that sub-report objects print are not run on their own.
    QSet<TfrxComponent *> subreportPages;
    for (TfrxComponent *object : m_report->AllObjects())
        if (auto *subreport = qobject_cast<TfrxSubreport *>(object))
            if (subreport->SubPage())
                subreportPages.insert(subreport->SubPage());
    auto runAll = [&] {
        m_firstReportPage = true;
        for (int i = 0; i < m_report->PagesCount() && !m_report->Terminated(); ++i) {
            auto *page = qobject_cast<TfrxReportPage *>(m_report->Pages(i));
            if (!page || !page->Visible() || subreportPages.contains(page))
                continue;
            RunPage(page);
            m_firstReportPage = false;
        }
    };
    // The dataset may be freed by the host or a script while the pages run.
    QPointer<TfrxDataSet> data = m_report->DataSet();
    if (data) {
        const QString name = data->UserName();
        data->First();
        auto gone = [&] {
            if (!data)
                throw EReportError(QStringLiteral("Dataset \"%1\" does not exist").arg(name));
        };
        while (!m_report->Terminated()) {
            gone();
            if (data->Eof())
                break;
            runAll();
            gone();
            data->Next();
        }
    } else {
        runAll();
    }
    // The totals of the last numbering run.
    m_output->ResetLogicalNumbers();
}

void TfrxEngine::RunPage(TfrxReportPage *page)
{
    m_page = page;
    m_bands = m_pageBands.value(page);
    CallScript(page->OnBeforePrint(), page);
    QPointer<TfrxDataSet> data = page->DataSet();
    if (data) {
        data->First();
        while (data && !data->Eof() && !m_report->Terminated()) {
            PagePass(page);
            if (data)
                data->Next();
        }
    } else {
        for (int i = 0; i < std::max(1, page->PageCount()) && !m_report->Terminated(); ++i)
            PagePass(page);
    }
    CallScript(page->OnAfterPrint(), page);
}

bool TfrxEngine::LevelHasData(const TfrxDataLevel &level)
{
    TfrxDataSet *data = BandDataSet(level.Band);
    if (!data)
        return false;
    CallScript(level.Band->OnMasterDetail(), level.Band);
    data->First();
    while (!data->Eof()) {
        if (level.Details.isEmpty() || level.Band->PrintIfDetailEmpty())
            return true;
        for (const TfrxDataLevel &detail : level.Details)
            if (LevelHasData(detail))
                return true;
        data->Next();
    }
    return false;
}

void TfrxEngine::PagePass(TfrxReportPage *page)
{
    if (!m_report->EngineOptions()->PrintIfEmpty()) {
        bool any = false;
        for (const TfrxDataLevel &level : m_bands.Masters)
            if (LevelHasData(level)) {
                any = true;
                break;
            }
        if (!any)
            return;
    }
    StartPage();

    if (!m_bands.PageObjects.isEmpty()) {
        // Objects outside bands keep their design positions and take no vertical space.
        TfrxNullBand nullBand;
        nullBand.SetWidth(m_pageWidth);
        nullBand.SetHeight(m_pageHeight);
        const double savedY = m_curY;
        ShowBandAt(&nullBand, true);
        m_curY = savedY;
        // A sub-report placed on the page prints once, from its place, before the data bands.
        for (TfrxComponent *object : m_bands.PageObjects)
            if (auto *subreport = qobject_cast<TfrxSubreport *>(object)) {
                const double bottom = m_curY;
                RunSubreport(subreport, std::max(0.0, m_curY - subreport->Top()));
                m_curY = std::max(m_curY, bottom);
            }
    }

    if (m_report->OnManualBuild)
        m_report->OnManualBuild(page);
    else if (!page->OnManualBuild().isEmpty())
        CallScript(page->OnManualBuild(), page);
    else
        for (const TfrxDataLevel &level : m_bands.Masters) {
            if (m_report->Terminated())
                break;
            RunDataLevel(level);
        }

    m_lastPage = true;
    EndPage();
    m_lastPage = false;
    m_headerList.clear();
}

void TfrxEngine::StartPage()
{
    m_headerList.clear();
    m_pageHeight = (m_page->PaperHeight() - m_page->TopMargin() - m_page->BottomMargin()) * kPixelsPerMm;
    m_pageWidth = (m_page->PaperWidth() - m_page->LeftMargin() - m_page->RightMargin()) * kPixelsPerMm;
    m_curX = 0;
    m_curY = 0;
    m_curColumn = 1;
    m_firstPage = true;
    m_lastPage = false;
    m_titleShown = false;
    m_lastBandShown = nullptr;
    m_output->Outline()->LevelRoot();
    const bool onPrevious = m_page->PrintOnPreviousPage() && m_output->Count() > 0;
    // Page numbers count from 1 again for every report-level record and where the page asks.
    if ((m_page->ResetPageNumbers() || m_firstReportPage) && m_output->Count() > 0 && !onPrevious)
        m_output->ResetLogicalNumbers();
    if (onPrevious) {
        m_pageOpen = true;
        m_curY = m_output->LowestBandBottom();
        if (m_bands.Title) {
            m_titleShown = true;
            ShowBandAt(m_bands.Title, true);
        }
        m_pageTop = 0;
        m_columnTop = 0;
    } else {
        AddPage();
    }
    if (m_firstReportPage)
        m_output->SetFirstRecordPage(m_output->Count() - 1);
    if (!m_page->OutlineText().isEmpty())
        AddOutline(m_page->OutlineText(), m_curY);
}

void TfrxEngine::AddPage()
{
    m_previousFooterHeight = 0;
    // The page before may have ended an endless page at its content's height.
    m_pageHeight = (m_page->PaperHeight() - m_page->TopMargin() - m_page->BottomMargin()) * kPixelsPerMm;
    m_titleHeight = 0;
    // A data header that ended the previous page is not repeated right away.
    TfrxBand *lastOnPrevious = m_lastBandShown;
    m_output->AppendPage(m_page);
    m_report->DoProgress(TfrxProgressKind::Preparing, m_output->Count());
    m_pageOpen = true;
    m_curY = 0;
    ++m_pageDepth;
    struct Depth {
        int &depth;
        ~Depth() { --depth; }
    } depth{m_pageDepth};
    if (m_bands.Overlay && !m_bands.Overlay->property("PrintOnTop").toBool()) {
        ShowBandAt(m_bands.Overlay, true);
        m_curY = 0;
    }
    TfrxBand *first = m_bands.PageHeader;
    TfrxBand *second = m_bands.Title;
    if (m_page->TitleBeforeHeader())
        std::swap(first, second);
    for (TfrxBand *band : {first, second}) {
        if (!band || band == m_bandStartingPage)
            continue;
        if (band == m_bands.Title) {
            if (m_titleShown)
                continue;
            m_titleShown = true;
            const double before = m_curY;
            ShowOverflowBand(band);
            m_titleHeight = m_curY - before;
            continue;
        } else if (m_firstPage && !band->property("PrintOnFirstPage").toBool()) {
            if (band->PrintChildIfInvisible() && band->Child())
                ShowBandAt(band->Child(), true);
            continue;
        }
        ShowOverflowBand(band);
    }
    m_columnTop = m_curY;
    ShowColumnHeaders(lastOnPrevious);
}

void TfrxEngine::ShowColumnHeaders(TfrxBand *lastOnPrevious)
{
    m_columnRun.Index = 0;
    if (m_bands.ColumnHeader)
        ShowOverflowBand(m_bands.ColumnHeader);
    // Reprinted data and group headers, at their place in the column; while a keep moves its
    // bands over, the headers it carries are not repeated.
    const QList<TfrxHeaderEntry> headers = m_headerList;
    for (const TfrxHeaderEntry &entry : headers) {
        if (entry.Band == m_bandStartingPage || entry.Band == lastOnPrevious)
            continue;
        const double savedX = m_curX;
        const int savedLine = m_line, savedLineThrough = m_lineThrough;
        m_curX += entry.X;
        m_line = entry.Line;
        m_lineThrough = entry.LineThrough;
        ShowOverflowBand(entry.Band);
        m_curX = savedX;
        m_line = savedLine;
        m_lineThrough = savedLineThrough;
    }
    m_pageTop = m_curY;
}

double TfrxEngine::ColumnLeft(int column) const
{
    if (!m_page || column <= 1)
        return 0;
    // Positions the layout gives (millimetres) come first; columns beyond them follow at the
    // column width.
    const QStringList positions = m_page->ColumnPositions();
    bool ok = false;
    const double position = positions.value(column - 1).trimmed().toDouble(&ok);
    if (ok)
        return position * kPixelsPerMm;
    return (column - 1) * m_page->ColumnWidth() * kPixelsPerMm;
}

void TfrxEngine::ShowOverflowBand(TfrxBand *band)
{
    m_overflowBands.insert(band);
    struct Clear {
        QSet<const TfrxBand *> &bands;
        TfrxBand *band;
        ~Clear() { bands.remove(band); }
    } clear{m_overflowBands, band};
    ShowBandAt(band, true);
}

void TfrxEngine::EndPage()
{
    if (!m_pageOpen || m_inPageEnd)
        return;
    m_inPageEnd = true;
    struct Done {
        TfrxEngine *engine;
        ~Done()
        {
            engine->m_firstPage = false;
            engine->m_inPageEnd = false;
            engine->m_pageOpen = false;
        }
    } done{this};
    if (m_bands.ColumnFooter)
        ShowBandAt(m_bands.ColumnFooter, true);
    if (!m_lastPage) {
        m_curX = 0;
        m_curColumn = 1;
    }
    // The summary that does not fit above the page footer at its stretched height goes to a page
    // of its own (MakeRoom asks SummaryToNewPage once the summary knows its height).
    if (m_lastPage && m_bands.Summary)
        ShowBandAt(m_bands.Summary, true);
    // An endless page ends below what it holds, every page at its own height.
    if (m_page->EndlessHeight())
        m_pageHeight = m_curY + (m_bands.PageFooter ? m_bands.PageFooter->Height() : 0);
    ShowPageFooter();
    if (m_page->EndlessHeight() || m_page->EndlessWidth()) {
        const double width = m_page->EndlessWidth() ? m_page->LeftMargin() * kPixelsPerMm + m_pageWidth +
                                                          m_page->RightMargin() * kPixelsPerMm
                                                    : m_page->PaperWidth() * kPixelsPerMm;
        const double height =
            m_page->EndlessHeight()
                ? m_pageHeight + (m_page->TopMargin() + m_page->BottomMargin()) * kPixelsPerMm
                : m_page->PaperHeight() * kPixelsPerMm;
        m_output->SetSourcePageSize(m_page, height, width);
    }
}

void TfrxEngine::ShowPageFooter()
{
    if (TfrxBand *footer = m_bands.PageFooter) {
        const bool onFirst = footer->property("PrintOnFirstPage").toBool();
        const bool onLast = footer->property("PrintOnLastPage").toBool();
        m_curY = m_pageHeight - footer->Height();
        if (m_lastPage && onLast)
            m_previousFooterHeight = footer->Height();
        if (!(m_firstPage && !onFirst) && !(m_lastPage && !onLast))
            ShowBandAt(footer, true);
    }
    if (m_bands.Overlay && m_bands.Overlay->property("PrintOnTop").toBool()) {
        m_curY = 0;
        ShowBandAt(m_bands.Overlay, true);
    }
}

bool TfrxEngine::SummaryToNewPage(double height)
{
    // Unless this page holds nothing but its opening bands: the summary then stays where it is.
    const double footer = m_bands.PageFooter ? m_bands.PageFooter->Height() : 0;
    if (!m_lastPage || m_page->EndlessHeight() || m_curY <= m_pageTop + kEpsilon ||
        m_curY + height <= m_pageHeight - footer + kEpsilon)
        return false;
    m_lastPage = false;
    ShowPageFooter();
    m_firstPage = false;
    m_lastPage = true;
    AddPage();
    if (m_bands.ColumnFooter)
        ShowBandAt(m_bands.ColumnFooter, true);
    return true;
}

double TfrxEngine::PageBodyHeight() const
{
    double h = m_pageHeight;
    if (m_bands.ColumnFooter)
        h -= m_bands.ColumnFooter->Height();
    if (m_bands.PageFooter)
        h -= m_bands.PageFooter->Height();
    return h;
}

double TfrxEngine::FreeSpace()
{
    if (m_page && m_page->EndlessHeight())
        return 1000000;
    double reserved = m_previousFooterHeight;
    if (reserved == 0) {
        if (m_bands.ColumnFooter)
            reserved += m_bands.ColumnFooter->Height();
        if (m_bands.PageFooter)
            reserved += m_bands.PageFooter->Height();
    }
    return m_pageHeight - reserved - m_curY;
}

void TfrxEngine::NewPage()
{
    // Scripts of the bands that open or close a page cannot start another one from there.
    if (!m_page || !m_pageOpen || m_inPageEnd || m_pageDepth > 0)
        return;
    bool paste = false;
    double keptHeight = 0;
    if (m_keeping) {
        keptHeight = m_curY - m_keepCurY;
        // Moving only helps when the kept bands started on this page below its top and fit on a
        // fresh page.
        const double freshTop = m_pageTop - m_titleHeight;
        if (m_keepPage != m_output->Count() - 1 ||
            (m_keepCurY <= m_pageTop + kEpsilon && m_titleHeight == 0) ||
            keptHeight + m_pendingHeight > PageBodyHeight() - freshTop)
            m_keeping = false;
        else
            paste = keptHeight > kEpsilon || m_output->CurrentPosition() > m_keepPosition;
    }
    // Outline entries and anchors of the kept bands: those made since the keep started and
    // before this page ends.
    const int outlineEnd = paste ? m_output->OutlinePosition() : 0;
    const int anchorEnd = paste ? m_output->AnchorPosition() : 0;
    const double cutTop = m_keepCurY;
    if (paste) {
        m_output->CutObjects(m_keepPosition, m_keepCurY);
        m_curY = m_keepCurY;
    }
    EndPage();
    const int headers = int(m_headerList.size());
    QList<TfrxHeaderEntry> carried;
    if (paste) {
        // Headers shown inside the kept bands travel with them.
        carried = m_headerList.mid(m_keepHeaderCount);
        m_headerList = m_headerList.mid(0, std::min(headers, m_keepHeaderCount));
    }
    AddPage();
    if (paste) {
        m_headerList += carried;
        m_keepCurY = m_curY;
        m_keepPosition = m_output->CurrentPosition();
        m_keepPage = m_output->Count() - 1;
        m_output->PasteObjects(m_curX, m_curY);
        m_output->MoveMarks(m_keepOutline, outlineEnd, m_keepAnchor, anchorEnd, m_curY - cutTop);
        m_curY += keptHeight;
    } else if (m_keeping) {
        m_keepCurY = m_curY;
        m_keepPosition = m_output->CurrentPosition();
        m_keepPage = m_output->Count() - 1;
    }
}

void TfrxEngine::NewColumn()
{
    const int columns = m_page ? m_page->Columns() : 0;
    if (columns > 1 && m_curColumn < columns && m_pageDepth == 0 && !m_inPageEnd) {
        // The next page column starts at the column top of this page, under its own column
        // header and reprinted headers.
        ++m_curColumn;
        m_curX = ColumnLeft(m_curColumn);
        m_curY = m_columnTop;
        ++m_pageDepth;
        struct Depth {
            int &depth;
            ~Depth() { --depth; }
        } depth{m_pageDepth};
        ShowColumnHeaders(nullptr);
        return;
    }
    NewPage();
}

void TfrxEngine::StopReport()
{
    m_report->SetTerminated(true);
}

void TfrxEngine::ShowBand(TfrxBand *band)
{
    ShowBandAt(band, false);
}

void TfrxEngine::AddAnchor(const QString &text)
{
    m_output->AddAnchor(text, m_curY);
}

int TfrxEngine::GetAnchorPage(const QString &text)
{
    return m_output->GetAnchorPage(text);
}

TfrxCustomOutline *TfrxEngine::PreparedOutline()
{
    return m_running ? m_output->Outline() : nullptr;
}

void TfrxEngine::AddOutline(const QString &expression, double top)
{
    // The outline text is an expression: a field, a variable or a quoted text.
    const Variant value = m_report->Calc(expression);
    m_output->Outline()->AddItem(value.ToString(), top);
}

void TfrxEngine::StartKeep(TfrxBand *band)
{
    if (m_keeping)
        return;
    m_keeping = true;
    m_keepBand = band;
    m_keepCurY = m_curY;
    m_keepPosition = m_output->CurrentPosition();
    m_keepPage = m_output->Count() - 1;
    m_keepHeaderCount = int(m_headerList.size());
    m_keepOutline = m_output->OutlinePosition();
    m_keepAnchor = m_output->AnchorPosition();
}

void TfrxEngine::EndKeep(TfrxBand *band)
{
    if (m_keeping && m_keepBand == band) {
        m_keeping = false;
        m_keepBand = nullptr;
    }
}

void TfrxEngine::AddHeader(TfrxBand *band)
{
    for (const TfrxHeaderEntry &entry : m_headerList)
        if (entry.Band == band)
            return;
    m_headerList.append({band, m_curX - ColumnLeft(m_curColumn), m_line, m_lineThrough});
}

void TfrxEngine::RemoveHeader(TfrxBand *band)
{
    for (int i = int(m_headerList.size()) - 1; i >= 0; --i)
        if (m_headerList[i].Band == band)
            m_headerList.removeAt(i);
}

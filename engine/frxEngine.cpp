#include "engine/frxEngine.h"

#include "report/frxClass.h"
#include "report/frxPreviewPagesBase.h"
#include "script/fs_iinterpreter.h"

#include <QDateTime>
#include <QTime>

#include <algorithm>

namespace {
// Pixels per millimetre of the builder, exactly this decimal.
constexpr double kPixelsPerMm = 3.77953;
// Days between 1899-12-30 and 1970-01-01.
constexpr double kUnixEpochDay = 25569.0;

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
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(object))
        memo->SetText(state.Text);
}

QString ScriptEvent(TfrxComponent *object, const char *name)
{
    return object->property(name).toString();
}

bool IsDataKind(int kind)
{
    return kind >= 6 && kind <= 11;
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

TfrxDataSet *TfrxEngine::BandDataSet(TfrxDataBand *band) const
{
    if (band->DataSet())
        return band->DataSet();
    if (band->RowCount() > 0)
        return band->VirtualDataSet();
    return nullptr;
}

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
    // Data levels: each data band takes the following bands of the next kind up to one of its own
    // or a lower kind.
    std::function<TfrxDataLevel(int)> makeLevel = [&](int index) {
        TfrxDataLevel level;
        level.Band = static_cast<TfrxDataBand *>(ordered[index]);
        linked[index] = true;
        const int kind = ordered[index]->BandNumber();
        if (index > 0 && ordered[index - 1]->BandNumber() == 4 && !linked[index - 1]) {
            level.Header = ordered[index - 1];
            linked[index - 1] = true;
        }
        int i = index + 1;
        for (; i < ordered.size(); ++i) {
            const int k = ordered[i]->BandNumber();
            if (IsDataKind(k) && k <= kind)
                break;
            if (k == kind + 1 && kind < 11)
                level.Details.append(makeLevel(i));
        }
        // The footer is the first footer after the band and its details.
        int last = index;
        for (int j = index + 1; j < ordered.size(); ++j) {
            const int k = ordered[j]->BandNumber();
            if (IsDataKind(k) && k <= kind)
                break;
            if (linked[j])
                last = j;
        }
        if (last + 1 < ordered.size() && ordered[last + 1]->BandNumber() == 5 && !linked[last + 1]) {
            level.Footer = ordered[last + 1];
            linked[last + 1] = true;
        }
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

bool TfrxEngine::Run()
{
    m_previousFooterHeight = 0;
    m_output->BeginBuild();
    m_report->DoProgressStart(0);
    const QDateTime now = QDateTime::currentDateTime();
    m_startDate = kUnixEpochDay + double(QDate(1970, 1, 1).daysTo(now.date()));
    m_startTime = double(now.time().msecsSinceStartOfDay()) / 86400000.0;
    m_running = true;
    m_curVColumn = 0;
    m_report->SetBuildCounters(this);
    bool result = false;
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
            engine->m_output->EndBuild();
            report->DoProgressStop(0);
            engine->m_running = false;
            report->SetBuildCounters(nullptr);
            engine->m_page = nullptr;
            // The layout is reloaded after the build: nothing may point into it.
            engine->m_bands = TfrxPageBands();
        }
    } finally{this};

    QList<TfrxReportPage *> pages;
    for (int i = 0; i < m_report->PagesCount(); ++i)
        if (auto *page = qobject_cast<TfrxReportPage *>(m_report->Pages(i)))
            pages.append(page);
    for (TfrxReportPage *page : pages)
        PrepareBands(page);

    TfrxDataSet *reportData = m_report->DataSet();
    for (TfrxReportPage *page : pages) {
        if (reportData && page->DataSet() == reportData) {
            m_report->AddError(
                QStringLiteral("Cannot use the same dataset for Report.DataSet and Page.DataSet"));
            break;
        }
        const TfrxPageBands bands = PrepareBands(page);
        for (const TfrxDataLevel &level : bands.Masters) {
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
    if (!m_report->Errors().isEmpty())
        return false;

    m_report->Datasets()->Initialize();
    CallScript(m_report->OnStartReport(), m_report);
    // Dialog pages are not shown: waybill layouts have none.
    for (TfrxReportPage *page : pages)
        m_output->RegisterSourcePage(page);

    m_finalPass = !DoublePass();
    m_totalPages = 0;
    m_output->BeginPass();
    RunReportPages();
    if (DoublePass() && !m_report->Terminated()) {
        m_totalPages = m_output->Count();
        m_output->DropFirstPass();
        m_finalPass = true;
        m_output->BeginPass();
        RunReportPages();
    }
    result = true;
    return result;
}

void TfrxEngine::RunReportPages()
{
    auto runAll = [this] {
        m_firstReportPage = true;
        for (int i = 0; i < m_report->PagesCount() && !m_report->Terminated(); ++i) {
            auto *page = qobject_cast<TfrxReportPage *>(m_report->Pages(i));
            if (!page || !page->Visible())
                continue;
            RunPage(page);
            m_firstReportPage = false;
        }
    };
    if (TfrxDataSet *data = m_report->DataSet()) {
        data->First();
        while (!data->Eof() && !m_report->Terminated()) {
            runAll();
            data->Next();
        }
    } else {
        runAll();
    }
}

void TfrxEngine::RunPage(TfrxReportPage *page)
{
    m_page = page;
    m_bands = PrepareBands(page);
    CallScript(page->OnBeforePrint(), page);
    if (TfrxDataSet *data = page->DataSet()) {
        data->First();
        while (!data->Eof() && !m_report->Terminated()) {
            PagePass(page);
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
}

void TfrxEngine::StartPage()
{
    m_pageHeight = (m_page->PaperHeight() - m_page->TopMargin() - m_page->BottomMargin()) * kPixelsPerMm;
    m_pageWidth = (m_page->PaperWidth() - m_page->LeftMargin() - m_page->RightMargin()) * kPixelsPerMm;
    m_curX = 0;
    m_curY = 0;
    m_curColumn = 1;
    m_firstPage = true;
    m_lastPage = false;
    m_titleShown = false;
    AddPage();
    if (m_bands.ColumnHeader)
        ShowBandAt(m_bands.ColumnHeader, true);
}

void TfrxEngine::AddPage()
{
    m_previousFooterHeight = 0;
    m_output->AppendPage(m_page);
    if (m_firstReportPage && m_firstPage)
        m_recordFirstPage = m_output->Count() - 1;
    m_report->DoProgress(0, m_output->Count());
    m_pageOpen = true;
    m_curY = 0;
    if (m_bands.Overlay && !m_bands.Overlay->property("PrintOnTop").toBool()) {
        ShowBandAt(m_bands.Overlay, true);
        m_curY = 0;
    }
    TfrxBand *first = m_bands.PageHeader;
    TfrxBand *second = m_bands.Title;
    if (m_page->TitleBeforeHeader())
        std::swap(first, second);
    for (TfrxBand *band : {first, second}) {
        if (!band)
            continue;
        if (band == m_bands.Title) {
            if (m_titleShown)
                continue;
            m_titleShown = true;
        } else if (m_firstPage && !band->property("PrintOnFirstPage").toBool()) {
            continue;
        }
        ShowBandAt(band, true);
    }
}

void TfrxEngine::EndPage()
{
    if (!m_pageOpen)
        return;
    m_inPageEnd = true;
    if (m_bands.ColumnFooter)
        ShowBandAt(m_bands.ColumnFooter, true);
    if (m_lastPage && m_bands.Summary)
        ShowBandAt(m_bands.Summary, true);
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
    m_firstPage = false;
    m_inPageEnd = false;
    m_pageOpen = false;
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
    if (!m_page)
        return;
    EndPage();
    AddPage();
}

void TfrxEngine::NewColumn()
{
    // Page columns are laid out one after the other on the same page width: a new column is a
    // new page.
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

void TfrxEngine::RunDataLevel(const TfrxDataLevel &level)
{
    TfrxDataBand *band = level.Band;
    TfrxDataSet *data = BandDataSet(band);
    if (!data)
        return;
    CallScript(band->OnMasterDetail(), band);
    data->First();
    int line = 1;
    const int rowLimit = band->DataSet() ? band->RowCount() : 0;
    while (!data->Eof() && !m_report->Terminated()) {
        if (!level.Details.isEmpty() && !band->PrintIfDetailEmpty()) {
            bool any = false;
            for (const TfrxDataLevel &detail : level.Details)
                any = any || LevelHasData(detail);
            if (!any) {
                data->Next();
                continue;
            }
        }
        m_line = line;
        ++m_lineThrough;
        if (line == 1 && level.Header)
            ShowBandAt(level.Header, false);
        ShowBandAt(band, false);
        for (const TfrxDataLevel &detail : level.Details)
            RunDataLevel(detail);
        if (band->FooterAfterEach() && level.Footer)
            ShowBandAt(level.Footer, false);
        ++line;
        data->Next();
        if (rowLimit > 0 && line > rowLimit)
            break;
    }
    m_line = 0;
    if (line > 1 && level.Footer && !band->FooterAfterEach())
        ShowBandAt(level.Footer, false);
}

void TfrxEngine::ShowBandAt(TfrxBand *band, bool fromPageStart)
{
    if (!band)
        return;
    const bool isNull = qobject_cast<TfrxNullBand *>(band) != nullptr;
    const bool isOverlay = qobject_cast<TfrxOverlay *>(band) != nullptr;
    const bool isData = qobject_cast<TfrxDataBand *>(band) != nullptr;

    if (band->Visible() && band->StartNewPage() && !fromPageStart && !(isData && m_line == 1) && m_pageOpen)
        NewPage();

    // Preparing: every object's design state is saved first and comes back after the band was
    // output, so no expanded text or moved object stays in the layout.
    std::vector<TfrxSavedState> saved;
    saved.reserve(band->Objects().size() + 1);
    saved.push_back(SaveState(band));
    QList<TfrxView *> views;
    // The null band carries the page's own objects without becoming their parent.
    for (TfrxComponent *child : isNull ? m_bands.PageObjects : band->Objects())
        if (auto *view = qobject_cast<TfrxView *>(child)) {
            views.append(view);
            saved.push_back(SaveState(view));
        }
    struct Restore {
        std::vector<TfrxSavedState> &saved;
        ~Restore()
        {
            for (auto it = saved.rbegin(); it != saved.rend(); ++it)
                RestoreState(*it);
        }
    } restore{saved};

    if (m_report->OnBeforePrint)
        m_report->OnBeforePrint(band);
    CallScript(band->OnBeforePrint(), band);
    for (TfrxView *view : views) {
        if (!band->Visible())
            break;
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

    // Stretching: objects grow to their content and push the objects below them.
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
            if (other == view || other->Top() < bottom - 1e-6)
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

    if (band->Visible() && !isNull && !isOverlay && !m_inPageEnd && !fromPageStart &&
        FreeSpace() < band->Height()) {
        // The band moves once to a new page; on that page it is placed whatever its height, so a
        // band that can never fit does not stop the build.
        if (m_curY > m_pageTop + 1e-6)
            NewColumn();
    }

    if (band->Visible()) {
        QList<TfrxView *> printed;
        for (TfrxView *view : views)
            if (view->Visible() && view->Printable())
                printed.append(view);
        m_output->AppendBand(band, printed, isNull ? 0 : m_curX, isNull ? 0 : m_curY);
        if (!isNull)
            m_curY += band->Height();
    }

    for (TfrxView *view : views) {
        if (!band->Visible())
            break;
        if (m_report->OnAfterPrint)
            m_report->OnAfterPrint(view);
        CallScript(view->OnAfterPrint(), view);
    }
    if (m_report->OnAfterPrint)
        m_report->OnAfterPrint(band);
    CallScript(band->OnAfterPrint(), band);

    if (band->Child() && (band->Visible() || band->PrintChildIfInvisible()))
        ShowBandAt(band->Child(), fromPageStart);
}

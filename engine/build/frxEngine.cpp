#include "engine/build/frxEngine.h"

#include "report/model/frxClass.h"
#include "report/core/frxClassRegistry.h"
#include "report/core/frxErrors.h"
#include "report/expr/frxExpand.h"
#include "report/host/frxPreviewPagesBase.h"
#include "script/fs_iinterpreter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QSet>
#include <QTime>

#include <algorithm>
#include <functional>

namespace {
// Pixels per millimetre of the builder, exactly this decimal.
constexpr double kPixelsPerMm = 3.77953;
// Days between 1899-12-30 and 1970-01-01.
constexpr double kUnixEpochDay = 25569.0;
constexpr double kEpsilon = 1e-6;

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

bool IsDataKind(int kind)
{
    return kind >= 6 && kind <= 11;
}

bool IsIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Splits the argument list of a call at its top-level commas (quotes and brackets respected).
QStringList SplitArguments(const QString &text)
{
    QStringList result;
    int depth = 0;
    QChar quote;
    QString current;
    for (QChar c : text) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'(' || c == u'[' || c == u'<') {
            ++depth;
        } else if (c == u')' || c == u']' || c == u'>') {
            --depth;
        } else if (c == u',' && depth == 0) {
            result << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty() || !result.isEmpty())
        result << current.trimmed();
    return result;
}

// Replaces each aggregate call in expression by frxAggregateValue(index), index being what
// registerCall gives for the function name (upper case) and its argument texts.
QString RewriteAggregateCalls(const QString &expression,
                              const std::function<int(const QString &, const QStringList &)> &registerCall)
{
    static const QStringList functions{QStringLiteral("SUM"), QStringLiteral("AVG"), QStringLiteral("MIN"),
                                       QStringLiteral("MAX"), QStringLiteral("COUNT")};
    QString out;
    QChar quote;
    qsizetype i = 0;
    const qsizetype n = expression.size();
    while (i < n) {
        const QChar c = expression[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            out += c;
            ++i;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            out += c;
            ++i;
            continue;
        }
        const bool startsWord =
            IsIdentChar(c) && (i == 0 || (!IsIdentChar(expression[i - 1]) && expression[i - 1] != u'.'));
        if (!startsWord) {
            out += c;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < n && IsIdentChar(expression[end]))
            ++end;
        const QString word = expression.mid(i, end - i);
        qsizetype open = end;
        while (open < n && expression[open].isSpace())
            ++open;
        if (!functions.contains(word.toUpper()) || open >= n || expression[open] != u'(') {
            out += word;
            i = end;
            continue;
        }
        // The matching closing parenthesis.
        int depth = 0;
        QChar inner;
        qsizetype close = open;
        for (; close < n; ++close) {
            const QChar d = expression[close];
            if (!inner.isNull()) {
                if (d == inner)
                    inner = QChar();
            } else if (d == u'\'' || d == u'"') {
                inner = d;
            } else if (d == u'(') {
                ++depth;
            } else if (d == u')' && --depth == 0) {
                break;
            }
        }
        if (close >= n) { // unbalanced: left to the compiler to report
            out += expression.mid(i);
            break;
        }
        const int index =
            registerCall(word.toUpper(), SplitArguments(expression.mid(open + 1, close - open - 1)));
        out += QStringLiteral("frxAggregateValue(%1)").arg(index);
        i = close + 1;
    }
    return out;
}

QString Unquote(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && (text.front() == u'\'' || text.front() == u'"') && text.back() == text.front())
        text = text.mid(1, text.size() - 2);
    return text;
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

bool TfrxEngine::Run()
{
    m_previousFooterHeight = 0;
    m_output->BeginBuild();
    m_report->DoProgressStart(0);
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
            report->DoProgressStop(0);
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
    if (page->EndlessHeight() || page->EndlessWidth()) {
        const double width = page->EndlessWidth() ? page->LeftMargin() * kPixelsPerMm + m_pageWidth +
                                                        page->RightMargin() * kPixelsPerMm
                                                  : page->PaperWidth() * kPixelsPerMm;
        const double height = page->EndlessHeight()
                                  ? m_pageHeight + (page->TopMargin() + page->BottomMargin()) * kPixelsPerMm
                                  : page->PaperHeight() * kPixelsPerMm;
        m_output->SetSourcePageSize(page, height, width);
    }
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
    m_titleHeight = 0;
    // A data header that ended the previous page is not repeated right away.
    TfrxBand *lastOnPrevious = m_lastBandShown;
    m_output->AppendPage(m_page);
    m_report->DoProgress(0, m_output->Count());
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
    if (m_bands.ColumnHeader)
        ShowOverflowBand(m_bands.ColumnHeader);
    // Reprinted data and group headers; while a keep moves its bands over, the headers it carries
    // are not repeated.
    const QList<TfrxHeaderEntry> headers = m_headerList;
    for (const TfrxHeaderEntry &entry : headers) {
        if (entry.Band == m_bandStartingPage || entry.Band == lastOnPrevious)
            continue;
        const double savedX = m_curX;
        const int savedLine = m_line, savedLineThrough = m_lineThrough;
        m_curX = entry.X;
        m_line = entry.Line;
        m_lineThrough = entry.LineThrough;
        ShowOverflowBand(entry.Band);
        m_curX = savedX;
        m_line = savedLine;
        m_lineThrough = savedLineThrough;
    }
    m_pageTop = m_curY;
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
    if (m_lastPage && m_bands.Summary)
        ShowBandAt(m_bands.Summary, true);
    if (m_lastPage && m_page->EndlessHeight())
        m_pageHeight = m_curY + (m_bands.PageFooter ? m_bands.PageFooter->Height() : 0);
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
        // The next page column starts at the column top of this page.
        const double width = m_page->ColumnWidth() * kPixelsPerMm;
        ++m_curColumn;
        m_curX += width;
        m_curY = m_pageTop;
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
    m_headerList.append({band, m_curX, m_line, m_lineThrough});
}

void TfrxEngine::RemoveHeader(TfrxBand *band)
{
    for (int i = int(m_headerList.size()) - 1; i >= 0; --i)
        if (m_headerList[i].Band == band)
            m_headerList.removeAt(i);
}

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
    const int outerLine = m_line;
    int line = 1;
    const int rowLimit = band->DataSet() ? band->RowCount() : 0;
    const int groupCount = int(level.Groups.size());
    QList<Variant> groupValues(groupCount);
    QList<int> groupRows(groupCount, 0);
    const bool keepFooter = band->KeepFooter() && level.Footer;

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
                const QString condition = static_cast<TfrxGroupHeader *>(level.Groups[i].Header)->Condition();
                values[i] = condition.trimmed().isEmpty() ? Variant() : m_report->Calc(condition);
            }
            int start = line == 1 ? 0 : -1;
            for (int i = 0; i < groupCount && start < 0; ++i)
                if (!SameGroupValue(values[i], groupValues[i]))
                    start = i;
            if (start >= 0) {
                if (line > 1)
                    for (int i = groupCount - 1; i >= start; --i)
                        endGroup(i);
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
        data->Next();
        if (rowLimit > 0 && line > rowLimit)
            break;
    }
    if (line > 1) {
        m_line = line - 1;
        for (int i = groupCount - 1; i >= 0; --i)
            endGroup(i);
        if (level.Footer && !band->FooterAfterEach())
            ShowBandAt(level.Footer, false);
    }
    EndKeep(band);
    if (level.Header)
        RemoveHeader(level.Header);
    m_line = outerLine;
}

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
    const bool isNull = qobject_cast<TfrxNullBand *>(band) != nullptr;
    const bool isOverlay = qobject_cast<TfrxOverlay *>(band) != nullptr;
    const bool isData = qobject_cast<TfrxDataBand *>(band) != nullptr;
    const bool isGroupHeader = qobject_cast<TfrxGroupHeader *>(band) != nullptr;

    if (band->Visible() && band->KeepChild() && band->Child())
        StartKeep(band);

    if (band->Visible() && band->StartNewPage() && !fromPageStart &&
        !((isData || isGroupHeader) && m_line == 1) && m_pageOpen && !m_inPageEnd && m_pageDepth == 0) {
        if (isGroupHeader && static_cast<TfrxGroupHeader *>(band)->ResetPageNumbers())
            m_output->ResetLogicalNumbers();
        m_bandStartingPage = band;
        NewPage();
        m_bandStartingPage = nullptr;
    }

    bool visible = false;
    // Objects a handler adds to the band while it is shown print with it and go afterwards.
    const QList<TfrxComponent *> designChildren = isNull ? QList<TfrxComponent *>() : band->Objects();
    {
        // Preparing: every object's design state is saved first and comes back after the band
        // was output, so no expanded text or moved object stays in the layout.
        std::vector<TfrxSavedState> saved;
        saved.reserve(band->Objects().size() + 1);
        saved.push_back(SaveState(band));
        QList<TfrxView *> views;
        // The null band carries the page's own objects without becoming their parent.
        for (TfrxComponent *child : isNull ? m_bands.PageObjects : band->Objects())
            if (auto *view = qobject_cast<TfrxView *>(child)) {
                views.append(view);
                saved.push_back(SaveState(view));
                if (!m_aggregateTexts.isEmpty())
                    if (auto it = m_aggregateTexts.constFind(view); it != m_aggregateTexts.constEnd())
                        static_cast<TfrxCustomMemoView *>(view)->SetText(*it);
            }
        // Report code may change any property of an object (its font, its colour): the whole
        // design state of an object that code can reach is kept in a copy, made when the pages
        // start, and put back after every showing.
        std::vector<std::pair<TfrxView *, TfrxComponent *>> copies;
        if (!m_designCopies.empty())
            for (size_t i = 1; i < saved.size(); ++i) {
                auto *view = static_cast<TfrxView *>(saved[i].Object);
                if (auto it = m_designCopies.find(view); it != m_designCopies.end())
                    copies.emplace_back(view, it->second.get());
            }
        struct Restore {
            TfrxEngine *engine;
            std::vector<TfrxSavedState> &saved;
            std::vector<std::pair<TfrxView *, TfrxComponent *>> &copies;
            ~Restore()
            {
                for (auto &[view, copy] : copies) {
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
                for (auto it = saved.rbegin(); it != saved.rend(); ++it)
                    RestoreState(*it);
                // A text object that showed another's overflow gets its own text back: the
                // next record's overflow may be none.
                if (!engine->m_flowTargets.isEmpty())
                    for (size_t i = 1; i < saved.size(); ++i)
                        if (auto *memo = qobject_cast<TfrxCustomMemoView *>(saved[i].Object))
                            engine->ResetFlowTarget(memo);
            }
        } restore{this, saved, copies};
        std::vector<TfrxFlowSource> flowSources;
        // What an earlier record handed over goes before anything of this band is evaluated: this
        // record's overflow may be none.
        if (!m_flowTargets.isEmpty())
            for (TfrxView *view : views)
                if (auto *memo = qobject_cast<TfrxCustomMemoView *>(view); memo && memo->FlowTo())
                    ResetFlowTarget(memo->FlowTo());

        if (m_report->OnBeforePrint)
            m_report->OnBeforePrint(band);
        CallScript(band->OnBeforePrint(), band);
        if (!isNull && band->Objects() != designChildren)
            for (TfrxComponent *child : band->Objects())
                if (auto *view = qobject_cast<TfrxView *>(child);
                    view && !designChildren.contains(child) && !views.contains(view))
                    views.append(view);
        for (TfrxView *view : views) {
            if (!band->Visible())
                break;
            if (!m_flowTargets.isEmpty())
                if (auto *memo = qobject_cast<TfrxCustomMemoView *>(view); memo && memo->FlowTo())
                    flowSources.push_back({memo, memo->Text(), memo->LastValue(), memo->FlowTo()->Text(),
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

        visible = band->Visible();
        bool split = false;
        if (visible && !isNull && !isOverlay && !m_inPageEnd && !fromPageStart && m_pageDepth == 0 &&
            FreeSpace() < band->Height() - kEpsilon) {
            const bool taller = band->Height() > PageBodyHeight() + kEpsilon;
            if ((band->AllowSplit() && !m_keeping) || taller) {
                if (!band->AllowSplit()) {
                    if (!(isData && m_line == 1) && m_curY > m_pageTop + kEpsilon) {
                        m_pendingHeight = band->Height();
                        m_bandStartingPage = band;
                        NewPage();
                        m_bandStartingPage = nullptr;
                        m_pendingHeight = 0;
                    }
                    m_keeping = false;
                }
                split = true;
            } else if (m_curY > m_pageTop + kEpsilon || m_keeping) {
                // The band moves as a whole; on the new page it is placed whatever its height, so
                // a band that can never fit does not stop the build.
                if (!flowSources.empty())
                    EvaluateFlowAgain(flowSources);
                m_pendingHeight = band->Height();
                m_bandStartingPage = band;
                NewColumn();
                m_bandStartingPage = nullptr;
                m_pendingHeight = 0;
            }
        }

        if (visible) {
            QList<TfrxView *> printed;
            // A sub-report object stands for the bands it prints; it has no look of its own.
            for (TfrxView *view : views)
                if (view->Visible() && view->Printable() && !qobject_cast<TfrxSubreport *>(view))
                    printed.append(view);
            m_lastBandTop = m_curY;
            if (split && FreeSpace() < band->Height() - kEpsilon) {
                SplitBand(band, printed);
            } else {
                m_output->AppendBand(band, printed, isNull ? 0 : m_curX, isNull ? 0 : m_curY);
                if (!isNull)
                    m_curY += band->Height();
            }
            if (!isNull)
                m_lastBandShown = band;
        }

        for (TfrxView *view : views) {
            if (!visible)
                break;
            if (m_report->OnAfterPrint)
                m_report->OnAfterPrint(view);
            CallScript(view->OnAfterPrint(), view);
        }
        if (m_report->OnAfterPrint)
            m_report->OnAfterPrint(band);
        CallScript(band->OnAfterPrint(), band);
    }
    if (!isNull && band->Objects() != designChildren) {
        const QList<TfrxComponent *> children = band->Objects();
        for (TfrxComponent *child : children)
            if (!designChildren.contains(child))
                delete child;
    }

    ResetAggregates(band);
    // Sub-reports placed in the band print the data bands of their page below it.
    if (visible && !isNull) {
        for (TfrxComponent *child : band->Objects()) {
            auto *subreport = qobject_cast<TfrxSubreport *>(child);
            if (!subreport || !subreport->Visible() || !subreport->SubPage() ||
                subreport->SubPage() == m_page)
                continue;
            if (m_pageDepth > 0 || m_inPageEnd)
                continue;
            TfrxReportPage *subPage = subreport->SubPage();
            if (!m_pageBands.contains(subPage))
                continue;
            const TfrxPageBands subBands = m_pageBands.value(subPage);
            for (const TfrxDataLevel &level : subBands.Masters) {
                if (m_report->Terminated())
                    break;
                RunDataLevel(level);
            }
        }
    }
    if (band->Child() && (visible || band->PrintChildIfInvisible()))
        ShowBandAt(band->Child(), fromPageStart);
    if (band->KeepChild())
        EndKeep(band);
    if (isData && !m_aggregates.empty())
        AccumulateAggregates(static_cast<TfrxDataBand *>(band), visible);
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
    // The band goes out in pieces, each as high as the space left on its page. An object that
    // crosses the end of a piece moves to the next piece when it fits on a page; one taller than a
    // page stays in the piece it starts in and is cut off by the page's edge.
    QList<TfrxView *> remaining = printed;
    std::stable_sort(remaining.begin(), remaining.end(),
                     [](TfrxView *a, TfrxView *b) { return a->Top() < b->Top(); });
    const double total = band->Height();
    const double body = PageBodyHeight();
    double offset = 0;
    for (;;) {
        double free = FreeSpace();
        if (free <= kEpsilon && m_curY > m_pageTop + kEpsilon) {
            NewPage();
            free = FreeSpace();
        }
        free = std::max(free, 0.0);
        double cut = offset + free;
        for (TfrxView *view : remaining) {
            const double top = view->Top(), bottom = top + view->Height();
            if (top < cut - kEpsilon && bottom > cut + kEpsilon && top > offset + kEpsilon &&
                view->Height() <= body)
                cut = std::min(cut, top);
        }
        QList<TfrxView *> piece, next;
        for (TfrxView *view : remaining)
            (view->Top() < cut - kEpsilon || view->Top() <= offset + kEpsilon ? piece : next).append(view);
        // A page with no room at all (its headers fill it) takes the rest in one piece.
        if ((free < 1 && m_curY <= m_pageTop + kEpsilon) || (piece.isEmpty() && cut < offset + 1)) {
            piece += next;
            next.clear();
        }
        const bool last = next.isEmpty() || m_report->Terminated();
        double height = cut - offset;
        if (last) {
            height = std::min(total - offset, std::max(free, 0.0));
            for (TfrxView *view : piece)
                height = std::max(height, std::min(total, view->Top() + view->Height()) - offset);
        }
        QList<double> tops;
        for (TfrxView *view : piece) {
            tops.append(view->Top());
            view->SetTop(view->Top() - offset);
        }
        band->SetHeight(height);
        m_output->AppendBand(band, piece, m_curX, m_curY);
        m_curY += height;
        for (int i = 0; i < piece.size(); ++i)
            piece[i]->SetTop(tops[i]);
        band->SetHeight(total);
        if (last)
            break;
        offset = cut;
        remaining = next;
        NewPage();
        ProcessEvents();
    }
}

// ---- aggregates ----

void TfrxEngine::RegisterAggregates(TfrxReportPage *page, const TfrxPageBands &bands)
{
    // The data band a level of the page belongs to, for a footer or group band.
    std::function<TfrxDataBand *(const QList<TfrxDataLevel> &, TfrxBand *)> owner =
        [&](const QList<TfrxDataLevel> &levels, TfrxBand *holder) -> TfrxDataBand * {
        for (const TfrxDataLevel &level : levels) {
            if (level.Footer == holder || level.Header == holder)
                return level.Band;
            for (const TfrxGroup &group : level.Groups)
                if (group.Header == holder || group.Footer == holder)
                    return level.Band;
            if (TfrxDataBand *found = owner(level.Details, holder))
                return found;
        }
        return nullptr;
    };
    for (TfrxComponent *object : page->AllObjects()) {
        auto *memo = qobject_cast<TfrxCustomMemoView *>(object);
        if (!memo || !memo->AllowExpressions())
            continue;
        const QString text = memo->Text();
        if (!text.contains(u'('))
            continue;
        auto *holder = qobject_cast<TfrxBand *>(memo->Parent());
        const QStringList delimiters = memo->ExpressionDelimiters().split(u',');
        const QString open = delimiters.value(0, QStringLiteral("["));
        const QString close = delimiters.value(1, QStringLiteral("]"));
        bool changed = false;
        const QString rewritten = frxExpandBrackets(text, open, close, [&](const QString &expression) {
            const QString result =
                RewriteAggregateCalls(expression, [&](const QString &function, const QStringList &args) {
                    TfrxAggregate aggregate;
                    aggregate.Function = function;
                    aggregate.Holder = holder;
                    aggregate.Object = memo;
                    int next = 0;
                    if (function != QLatin1String("COUNT"))
                        aggregate.Expression = args.value(next++);
                    const QString bandName = Unquote(args.value(next++));
                    const int flags = args.value(next).trimmed().toInt();
                    if (!bandName.isEmpty() && bandName != QLatin1String("0"))
                        aggregate.DataBand = qobject_cast<TfrxDataBand *>(m_report->FindObject(bandName));
                    if (!aggregate.DataBand) {
                        if (auto *data = qobject_cast<TfrxDataBand *>(holder))
                            aggregate.DataBand = data;
                        else if (holder)
                            aggregate.DataBand = owner(bands.Masters, holder);
                        if (!aggregate.DataBand && !bands.Masters.isEmpty())
                            aggregate.DataBand = bands.Masters.first().Band;
                    }
                    aggregate.CountInvisible = flags & 1;
                    aggregate.Running = (flags & 2) || (holder && holder == aggregate.DataBand);
                    m_aggregates.push_back(aggregate);
                    changed = true;
                    return int(m_aggregates.size()) - 1;
                });
            return open + result + close;
        });
        if (changed)
            m_aggregateTexts.insert(memo, rewritten);
    }
}

void TfrxEngine::ResetAggregates(TfrxBand *holder)
{
    for (TfrxAggregate &aggregate : m_aggregates)
        if (aggregate.Holder == holder && !aggregate.Running) {
            aggregate.Value = Variant();
            aggregate.Count = 0;
        }
}

void TfrxEngine::AccumulateAggregates(TfrxDataBand *band, bool visible)
{
    for (TfrxAggregate &aggregate : m_aggregates) {
        if (aggregate.DataBand != band || (!visible && !aggregate.CountInvisible))
            continue;
        if (aggregate.Function == QLatin1String("COUNT")) {
            ++aggregate.Count;
            continue;
        }
        Variant value = m_report->Calc(aggregate.Expression);
        if (value.IsEmptyOrNull())
            continue;
        // Fields of text datasets deliver numbers as text: totals and averages add them up.
        if (value.IsString() && aggregate.Function != QLatin1String("MIN") &&
            aggregate.Function != QLatin1String("MAX")) {
            try {
                value = Variant(value.ToDouble());
            } catch (...) {
                continue;
            }
        }
        ++aggregate.Count;
        if (aggregate.Value.IsEmptyOrNull()) {
            aggregate.Value = value;
        } else if (aggregate.Function == QLatin1String("SUM") || aggregate.Function == QLatin1String("AVG")) {
            aggregate.Value = Variant::Add(aggregate.Value, value);
        } else {
            const Variant::Order order = Variant::Compare(value, aggregate.Value);
            if ((aggregate.Function == QLatin1String("MIN") && order == Variant::Order::Less) ||
                (aggregate.Function == QLatin1String("MAX") && order == Variant::Order::Greater))
                aggregate.Value = value;
        }
    }
}

void TfrxEngine::ClearAggregateValues()
{
    for (TfrxAggregate &aggregate : m_aggregates) {
        aggregate.Value = Variant();
        aggregate.Count = 0;
    }
}

Variant TfrxEngine::AggregateValue(int index)
{
    if (index < 0 || index >= int(m_aggregates.size()))
        return Variant::Null();
    const TfrxAggregate &aggregate = m_aggregates[size_t(index)];
    if (aggregate.Function == QLatin1String("COUNT"))
        return Variant(aggregate.Count);
    if (aggregate.Value.IsEmptyOrNull())
        return Variant(0);
    if (aggregate.Function == QLatin1String("AVG"))
        return Variant::Divide(aggregate.Value, Variant(aggregate.Count));
    return aggregate.Value;
}

Variant TfrxEngine::AggregateByName(const QString &function, const Variant &fallback)
{
    const QString name = function.toUpper();
    const QString current = m_report->CurObject();
    for (int i = 0; i < int(m_aggregates.size()); ++i) {
        const TfrxAggregate &aggregate = m_aggregates[size_t(i)];
        if (aggregate.Function == name && aggregate.Object && aggregate.Object->Name() == current)
            return AggregateValue(i);
    }
    return fallback;
}

#pragma once
// The builder: walks the report-level dataset, runs each report page, shows its bands and the
// objects outside bands, and appends what it shows to the prepared pages.

#include "engine/build/frxEngineOutput.h"
#include "report/expr/frxCalc.h"
#include "report/host/frxEngineBase.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <unordered_map>
#include <vector>

class TfrxBand;
class TfrxDataBand;
class TfrxDataSet;
class TfrxReportPage;
class TfrxComponent;
class TfrxCustomMemoView;
class TfrxView;
class TfrxSubreport;

// Installs TfrxEngine as the engine of every report made from now on.
void frxRegisterEngine();

class TfrxEngine : public TfrxCustomEngine, public TfrxBuildCounters {
    Q_OBJECT
public:
    explicit TfrxEngine(TfrxReport *report);
    ~TfrxEngine() override;

    bool DoublePass() const override;
    bool Run() override;
    void ClearPreparedPages() override { m_output->Clear(); }
    int PreparedPagesCount() const override { return m_output->Count(); }

    Q_INVOKABLE void NewPage() override;
    Q_INVOKABLE void NewColumn() override;
    Q_INVOKABLE void ShowBand(TfrxBand *band) override;
    Q_INVOKABLE void StopReport() override;
    Q_INVOKABLE double FreeSpace() override;
    Q_INVOKABLE void AddAnchor(const QString &text) override;
    Q_INVOKABLE int GetAnchorPage(const QString &text) override;
    TfrxCustomOutline *PreparedOutline() override;
    Variant AggregateValue(int index) override;
    Variant AggregateByName(const QString &function, const Variant &fallback) override;

    // The counters expressions read (Page, Page#, TotalPages, Line, ...).
    double StartDate() const override { return m_startDate; }
    double StartTime() const override { return m_startTime; }
    int LogicalPageNo() const override { return m_output->LogicalPageNo(); }
    int CurPage() const override { return m_output->Count() - 1; }
    int LogicalTotal() const override { return m_output->LogicalTotal(m_totalPages); }
    int TotalPages() const override { return TfrxCustomEngine::TotalPages(); }
    int CurLine() const override { return m_line; }
    int CurLineThrough() const override { return m_lineThrough; }

    TfrxEngineOutput *Output() const { return m_output.get(); }
    // Replaces the store the pages go to (the engine owns it).
    void SetOutput(std::unique_ptr<TfrxEngineOutput> output) { m_output = std::move(output); }

    // A group of a data band: its header and (optional) footer.
    struct TfrxGroup {
        TfrxBand *Header = nullptr;
        TfrxBand *Footer = nullptr;
    };
    // The bands of a page after linking.
    struct TfrxDataLevel {
        TfrxDataBand *Band = nullptr;
        TfrxBand *Header = nullptr;
        TfrxBand *Footer = nullptr;
        // Outermost first.
        QList<TfrxGroup> Groups;
        QList<TfrxDataLevel> Details;
    };
    struct TfrxPageBands {
        TfrxBand *Title = nullptr;
        TfrxBand *Summary = nullptr;
        TfrxBand *PageHeader = nullptr;
        TfrxBand *PageFooter = nullptr;
        TfrxBand *ColumnHeader = nullptr;
        TfrxBand *ColumnFooter = nullptr;
        TfrxBand *Overlay = nullptr;
        QList<TfrxDataLevel> Masters;
        QList<TfrxComponent *> PageObjects;
    };
    // Links the bands of page by position and kind; errors go to the report's error list.
    TfrxPageBands PrepareBands(TfrxReportPage *page);

private:
    // A registered aggregate call.
    struct TfrxAggregate {
        QString Function; // SUM, AVG, MIN, MAX or COUNT
        QString Expression;
        TfrxBand *Holder = nullptr;       // the band of the text object that shows it
        TfrxDataBand *DataBand = nullptr; // the rows it adds up
        TfrxComponent *Object = nullptr;
        bool CountInvisible = false;
        bool Running = false;
        int Count = 0;
        Variant Value;
    };
    // A band repeated at the top of every new page.
    struct TfrxHeaderEntry {
        TfrxBand *Band;
        // From the left of the page column it was shown in.
        double X;
        // The line counters when the band was first shown: a reprinted header shows them again.
        int Line;
        int LineThrough;
    };

    void RunReportPages();
    void RunPage(TfrxReportPage *page);
    void PagePass(TfrxReportPage *page);
    void StartPage();
    void AddPage();
    void EndPage();
    // The page footer and an overlay printed on top: the last bands of every page.
    void ShowPageFooter();
    void RunDataLevel(const TfrxDataLevel &level);
    bool LevelHasData(const TfrxDataLevel &level);
    double PageBodyHeight() const;
    // At the end of the last page: ends it and starts a new one (with its column footer) when the
    // summary, height pixels high, does not fit above the page footer; false when it stays.
    bool SummaryToNewPage(double height);
    // Shows one band in its phases (below), each on the showing's state.
    void ShowBandAt(TfrxBand *band, bool fromPageStart);
    struct TfrxShowing;
    void StartNewPageFor(TfrxShowing &showing);
    void PrepareObjects(TfrxShowing &showing);
    void StretchObjects(TfrxShowing &showing);
    // Moves to the next page or column when the band does not fit; true when it is to be split.
    bool MakeRoom(TfrxShowing &showing);
    void OutputBand(TfrxShowing &showing, bool split);
    // Appends the band with views at (left, top) to the page, or, while a sub-report prints on its
    // parent band, copies of the views to what the parent band collects.
    void EmitBand(TfrxBand *band, const QList<TfrxView *> &views, double left, double top);
    // Sub-reports that print on their parent band run now, into the showing; the band grows to
    // hold what they printed.
    void RunSubreportsOnParent(TfrxShowing &showing);
    void RaiseAfterPrint(TfrxShowing &showing);
    void FinishBand(TfrxBand *band, bool fromPageStart, bool visible);
    // The bands of a sub-report's page, from its place in the band shown at top (or on the page).
    void RunSubreport(TfrxSubreport *subreport, double top);
    // A reprinted band at the top of a new page: shown with its Overflow flag set.
    void ShowOverflowBand(TfrxBand *band);
    // The column header and the reprinted headers at the top of a page or page column.
    void ShowColumnHeaders(TfrxBand *lastOnPrevious);
    // The left of a page column (from 1) in pixels.
    double ColumnLeft(int column) const;
    // Text objects of a band that moves to the next page and pass their overflow on to another
    // text object are evaluated again (SecondScriptCall set) before the band moves.
    struct TfrxFlowSource {
        TfrxCustomMemoView *Memo;
        // Before its first evaluation: its text and last value, and the text and
        // AllowExpressions of the object it flows to.
        QString Text;
        Variant LastValue;
        QString TargetText;
        bool TargetExpressions;
    };
    void EvaluateFlowAgain(const std::vector<TfrxFlowSource> &sources);
    // A text object that receives another's overflow gets its design text back.
    void ResetFlowTarget(TfrxCustomMemoView *target);
    // Which objects report code may change during the build (their whole state is then kept).
    void FindObjectsChangedByCode();
    // Refuses user datasets whose walk could never end.
    void CheckDatasetsEnd(const QList<TfrxReportPage *> &pages);
    void SplitBand(TfrxBand *band, const QList<TfrxView *> &printed);
    void CallScript(const QString &procedure, QObject *object);
    TfrxDataSet *BandDataSet(TfrxDataBand *band) const;
    void ProcessEvents();

    void StartKeep(TfrxBand *band);
    void EndKeep(TfrxBand *band);
    void AddHeader(TfrxBand *band);
    void RemoveHeader(TfrxBand *band);
    void AddOutline(const QString &expression, double top);

    void RegisterAggregates(TfrxReportPage *page, const TfrxPageBands &bands);
    void ResetAggregates(TfrxBand *holder);
    void AccumulateAggregates(TfrxDataBand *band, bool visible);
    void ClearAggregateValues();

    std::unique_ptr<TfrxEngineOutput> m_output;
    TfrxReportPage *m_page = nullptr;
    TfrxPageBands m_bands;
    QHash<TfrxReportPage *, TfrxPageBands> m_pageBands;
    double m_previousFooterHeight = 0;
    // CurY below the bands that open every page, and where page columns start.
    double m_pageTop = 0;
    double m_columnTop = 0;
    // A data band printing its records across in columns: the column the next record takes and
    // the top of the current row of records.
    struct TfrxColumnRun {
        TfrxDataBand *Band = nullptr;
        int Columns = 1;
        double Step = 0;
        int Index = 0;
        double RowTop = 0;
    };
    TfrxColumnRun m_columnRun;
    bool m_firstReportPage = false;
    bool m_firstPage = false;
    bool m_lastPage = false;
    bool m_pageOpen = false;
    bool m_inPageEnd = false;
    bool m_titleShown = false;
    // Height of the report title on the current page (0 on the others).
    double m_titleHeight = 0;
    // Where the last band was placed.
    double m_lastBandTop = 0;
    // Objects report code may change during the build keep a copy of their design state, made when
    // they are first shown and put back after every showing; with m_copyAllObjects every object.
    bool m_copyAllObjects = false;
    QSet<const TfrxComponent *> m_changedByCode;
    // Text objects that receive another's overflow: their design text and AllowExpressions.
    QHash<TfrxCustomMemoView *, std::pair<QString, bool>> m_flowTargets;
    std::unordered_map<TfrxView *, std::unique_ptr<TfrxComponent>> m_designCopies;
    int m_line = 0;
    int m_lineThrough = 0;
    // Bands repeated on new pages: reprinted data and group headers.
    QList<TfrxHeaderEntry> m_headerList;
    // The band that asked for the new page being started (not repeated on it), and the last band
    // placed on the page before.
    TfrxBand *m_bandStartingPage = nullptr;
    TfrxBand *m_lastBandShown = nullptr;
    // Keeping a group of bands together.
    bool m_keeping = false;
    TfrxBand *m_keepBand = nullptr;
    double m_keepCurY = 0;
    int m_keepPosition = 0;
    int m_keepPage = 0;
    // Outline entries and anchors made since the keep started move with the kept bands.
    int m_keepOutline = 0;
    int m_keepAnchor = 0;
    // Reprinted headers that existed when the keep started.
    int m_keepHeaderCount = 0;
    // Height of the band being placed when it asked for a new page.
    double m_pendingHeight = 0;
    // Bands and sub-reports being shown right now.
    QSet<TfrxBand *> m_bandsShowing;
    QSet<TfrxSubreport *> m_subreportsRunning;
    // Where shown bands go while a sub-report prints on its parent band: copies of their objects,
    // placed from the parent band's top left; nullptr while bands go to the page.
    std::vector<std::unique_ptr<TfrxView>> *m_redirect = nullptr;
    // Bands that hold a sub-report printing on them.
    QSet<const TfrxBand *> m_subreportParents;
    // Guards against scripts that start pages from inside page start and end.
    int m_pageDepth = 0;
    std::vector<TfrxAggregate> m_aggregates;
    // Text objects with aggregate calls: the text the build shows them with.
    QHash<TfrxComponent *, QString> m_aggregateTexts;
};

#pragma once
// The builder: walks the report-level dataset, runs each report page, shows its bands and the
// objects outside bands, and appends what it shows to the prepared pages.

#include "engine/frxEngineOutput.h"
#include "report/frxCalc.h"
#include "report/frxEngineBase.h"

#include <QList>
#include <QString>

#include <memory>

class TfrxBand;
class TfrxDataBand;
class TfrxDataSet;
class TfrxReportPage;
class TfrxComponent;

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

    // The counters expressions read (Page, Page#, TotalPages, Line, ...).
    double StartDate() const override { return m_startDate; }
    double StartTime() const override { return m_startTime; }
    int LogicalPageNo() const override { return m_output->Count() - m_recordFirstPage; }
    int CurPage() const override { return m_output->Count() - 1; }
    int LogicalTotal() const override { return m_totalPages; }
    int TotalPages() const override { return TfrxCustomEngine::TotalPages(); }
    int CurLine() const override { return m_line; }
    int CurLineThrough() const override { return m_lineThrough; }

    TfrxEngineOutput *Output() const { return m_output.get(); }
    // Replaces the store the pages go to (the engine owns it).
    void SetOutput(std::unique_ptr<TfrxEngineOutput> output) { m_output = std::move(output); }

    // The bands of a page after linking.
    struct TfrxDataLevel {
        TfrxDataBand *Band = nullptr;
        TfrxBand *Header = nullptr;
        TfrxBand *Footer = nullptr;
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
    void RunReportPages();
    void RunPage(TfrxReportPage *page);
    void PagePass(TfrxReportPage *page);
    void StartPage();
    void AddPage();
    void EndPage();
    void RunDataLevel(const TfrxDataLevel &level);
    bool LevelHasData(const TfrxDataLevel &level);
    double PageBodyHeight() const;
    void ShowBandAt(TfrxBand *band, bool fromPageStart);
    void CallScript(const QString &procedure, QObject *object);
    TfrxDataSet *BandDataSet(TfrxDataBand *band) const;

    std::unique_ptr<TfrxEngineOutput> m_output;
    TfrxReportPage *m_page = nullptr;
    TfrxPageBands m_bands;
    double m_previousFooterHeight = 0;
    // CurY below the bands that open every page.
    double m_pageTop = 0;
    bool m_firstReportPage = false;
    bool m_firstPage = false;
    bool m_lastPage = false;
    bool m_pageOpen = false;
    bool m_inPageEnd = false;
    bool m_titleShown = false;
    int m_line = 0;
    int m_lineThrough = 0;
    // Index of the first prepared page of the current report-level record.
    int m_recordFirstPage = 0;
};

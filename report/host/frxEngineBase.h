#pragma once
// The builder as the report sees it. The report owns one engine; the concrete class lives in
// engine/, which registers its factory at start-up (frxRegisterEngine there), so the report layer
// never links against the layer above it.

#include "script/variant/Variant.h"

#include <QObject>
#include <QSet>

#include <functional>
#include <memory>

class TfrxReport;
class TfrxBand;
class TfrxCustomOutline;

class TfrxCustomEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(double CurX READ CurX WRITE SetCurX)
    Q_PROPERTY(double CurY READ CurY WRITE SetCurY)
    Q_PROPERTY(int CurColumn READ CurColumn WRITE SetCurColumn)
    Q_PROPERTY(int CurVColumn READ CurVColumn WRITE SetCurVColumn)
    Q_PROPERTY(double PageWidth READ PageWidth)
    Q_PROPERTY(double PageHeight READ PageHeight)
    Q_PROPERTY(bool FinalPass READ FinalPass)
    Q_PROPERTY(bool DoublePass READ DoublePass)
    Q_PROPERTY(int TotalPages READ TotalPages)
    Q_PROPERTY(double StartDate READ StartDate)
    Q_PROPERTY(double StartTime READ StartTime)
    Q_PROPERTY(bool SecondScriptCall READ SecondScriptCall)
public:
    explicit TfrxCustomEngine(TfrxReport *report) : m_report(report) {}
    ~TfrxCustomEngine() override = default;

    TfrxReport *Report() const { return m_report; }

    double CurX() const { return m_curX; }
    void SetCurX(double value) { m_curX = value; }
    double CurY() const { return m_curY; }
    void SetCurY(double value) { m_curY = value; }
    int CurColumn() const { return m_curColumn; }
    void SetCurColumn(int value) { m_curColumn = value; }
    int CurVColumn() const { return m_curVColumn; }
    void SetCurVColumn(int value) { m_curVColumn = value; }
    double PageWidth() const { return m_pageWidth; }
    double PageHeight() const { return m_pageHeight; }
    bool FinalPass() const { return m_finalPass; }
    virtual bool DoublePass() const = 0;
    int TotalPages() const { return m_totalPages; }
    double StartDate() const { return m_startDate; }
    double StartTime() const { return m_startTime; }
    bool SecondScriptCall() const { return m_secondScriptCall; }
    bool Running() const { return m_running; }
    // A band's Overflow flag: set while the band is shown again at the top of a new page (page
    // header, column header, reprinted data and group headers). Scripts read it as Band.Overflow.
    bool BandOverflow(const TfrxBand *band) const { return m_overflowBands.contains(band); }

    // The engine run: band preparation, checks, the passes; false when its checks found errors.
    virtual bool Run() = 0;
    // Empties the prepared pages the engine writes into (a build with ClearPrevious).
    virtual void ClearPreparedPages() = 0;
    // The number of prepared pages so far.
    virtual int PreparedPagesCount() const = 0;

    // Operations report scripts call.
    virtual void NewPage() = 0;
    virtual void NewColumn() = 0;
    virtual void ShowBand(TfrxBand *band) = 0;
    virtual void StopReport() = 0;
    virtual double FreeSpace() = 0;
    virtual void AddAnchor(const QString &text) = 0;
    virtual int GetAnchorPage(const QString &text) = 0;

    // The outline of the pages being built (nullptr outside a build).
    virtual TfrxCustomOutline *PreparedOutline() = 0;
    // The outline as report scripts reach it ("Outline").
    QObject *OutlineObject();

    // Aggregates (SUM, AVG, MIN, MAX, COUNT). For the build, every aggregate call inside a text
    // object's expressions is registered and the call replaced by frxAggregateValue(index), since
    // the script engine hands functions values, not the text of their arguments.
    virtual Variant AggregateValue(int index) = 0;
    // An aggregate function called from report code: the value of the first aggregate of that
    // function registered for the object being processed; fallback when there is none.
    virtual Variant AggregateByName(const QString &function, const Variant &fallback) = 0;

protected:
    TfrxReport *m_report;
    double m_curX = 0;
    double m_curY = 0;
    double m_pageWidth = 0;
    double m_pageHeight = 0;
    double m_startDate = 0;
    double m_startTime = 0;
    int m_curColumn = 1;
    int m_curVColumn = 0;
    int m_totalPages = 0;
    bool m_finalPass = true;
    bool m_secondScriptCall = false;
    bool m_running = false;
    QSet<const TfrxBand *> m_overflowBands;

private:
    QObject *m_outlineObject = nullptr;
};

// What scripts call on "Outline": entries on the page being built.
class TfrxOutlineObject : public QObject {
    Q_OBJECT
public:
    explicit TfrxOutlineObject(TfrxCustomEngine *engine) : QObject(engine), m_engine(engine)
    {
        setObjectName(QStringLiteral("Outline"));
    }
    Q_INVOKABLE void AddItem(const QString &text);
    Q_INVOKABLE void LevelRoot();
    Q_INVOKABLE void LevelUp();

private:
    TfrxCustomEngine *m_engine;
};

using TfrxEngineFactory = std::function<std::unique_ptr<TfrxCustomEngine>(TfrxReport *report)>;
// Installs the factory reports make their engine with (the previous one is returned).
TfrxEngineFactory frxSetEngineFactory(TfrxEngineFactory factory);
const TfrxEngineFactory &frxEngineFactory();

#pragma once
// The report owns its prepared pages through this base; the store itself lives in the engine layer,
// which registers its class here at start-up (frxRegisterPreviewPagesClass), so the report layer
// never links against the engine.

#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;
class TfrxBand;
class TfrxCanvas;
class TfrxComponent;
class TfrxReport;
class TfrxReportPage;

// The bookmark tree of prepared pages, as report scripts reach it.
class TfrxCustomOutline {
public:
    virtual ~TfrxCustomOutline() = default;
    // Adds an item under the current one, on the store's current page at top, and steps into it.
    virtual void AddItem(const QString &text, double top = 0) = 0;
    virtual void LevelRoot() = 0;
    virtual void LevelUp() = 0;
};

class TfrxCustomPreviewPages {
public:
    explicit TfrxCustomPreviewPages(TfrxReport *report) : m_report(report) {}
    virtual ~TfrxCustomPreviewPages() = default;
    TfrxCustomPreviewPages(const TfrxCustomPreviewPages &) = delete;
    TfrxCustomPreviewPages &operator=(const TfrxCustomPreviewPages &) = delete;

    TfrxReport *Report() const { return m_report; }

    // ---- building ----
    virtual void ClearPages() = 0;
    virtual void BeginBuild() = 0;
    virtual void EndBuild() = 0;
    virtual void BeginPass() = 0;
    virtual void DropFirstPass() = 0;
    // The builder tells which pass runs: the first pass of a double-pass build writes geometry
    // only; the final pass keeps the logical numbers of the first.
    virtual void SetPassInfo(bool firstPassOfDouble, bool finalPassOfDouble) = 0;
    virtual void RegisterSourcePage(TfrxReportPage *page) = 0;
    virtual void AppendPage(TfrxReportPage *page) = 0;
    virtual void AppendObjects(TfrxComponent *band) = 0;
    virtual bool ContainsBand(TfrxBand *band) = 0;
    virtual double LowestBandBottom(double x) = 0;
    virtual void CutObjects(int position) = 0;
    virtual void PasteObjects(double x, double y) = 0;
    virtual int CurrentPosition() = 0;
    virtual void SetSourcePageSize(TfrxReportPage *page, double height, double width) = 0;

    // Current page (-1 when empty), append mode and the first page of the report-level record.
    virtual int CurPage() const = 0;
    virtual void SetCurPage(int index) = 0;
    virtual bool AppendMode() const = 0;
    virtual void SetAppendMode(bool value) = 0;
    virtual int FirstRecordPage() const = 0;
    virtual void SetFirstRecordPage(int index) = 0;

    // ---- anchors and logical page numbers ----
    virtual void AddAnchor(const QString &text, double curY) = 0;
    virtual int GetAnchorPage(const QString &text) = 0;
    virtual void AddLogicalPage() = 0;
    virtual void ResetLogicalNumbers() = 0;
    virtual int LogicalPageNo() = 0;
    // engineTotalPages: the builder's page total, used when the page has no numbering item.
    virtual int LogicalTotal(int engineTotalPages = 0) = 0;
    virtual TfrxCustomOutline *Outline() = 0;

    // ---- reading ----
    virtual int Count() = 0;
    // The page object of a prepared page; nullptr for an empty store or an index out of range. It
    // belongs to the page cache: do not keep it past the next burst of GetPage calls.
    virtual TfrxReportPage *GetPage(int index) = 0;
    virtual QSize GetPageSize(int index) = 0;
    // Frees every built page object.
    virtual void ClearCache() = 0;
    virtual void DrawPreparedPage(int index, TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX,
                                  double offsetY) = 0;
    // The print job; false when nothing was printed because no printer exists or it was cancelled.
    virtual bool PrintPreparedPages() = 0;

    // ---- prepared-report files ----
    virtual void SaveToStream(QIODevice *stream) = 0;
    virtual void LoadFromStream(QIODevice *stream) = 0;
    virtual void SaveToFile(const QString &fileName) = 0;
    // Returns whether the file existed; raises EFileError for a missing file only when forced.
    virtual bool LoadFromFile(const QString &fileName, bool exceptionIfNotFound = false) = 0;

private:
    TfrxReport *m_report;
};

using TfrxPreviewPagesFactory = std::function<std::unique_ptr<TfrxCustomPreviewPages>(TfrxReport *)>;
// Installs the store class the report creates its prepared pages with.
void frxRegisterPreviewPagesClass(TfrxPreviewPagesFactory factory);
// The installed class (empty when none is).
const TfrxPreviewPagesFactory &frxPreviewPagesClass();
// A new store for report; nullptr when no class is registered.
std::unique_ptr<TfrxCustomPreviewPages> frxCreatePreviewPages(TfrxReport *report);

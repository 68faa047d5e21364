#pragma once
// What the builder writes into. The prepared pages store answers to this interface; the builder
// itself only appends pages and the objects of the bands it shows.

#include "report/host/frxPreviewPagesBase.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class TfrxBand;
class TfrxComponent;
class TfrxReportPage;
class TfrxView;

class TfrxEngineOutput {
public:
    virtual ~TfrxEngineOutput() = default;
    virtual void Clear() = 0;
    virtual void BeginBuild() = 0;
    virtual void EndBuild() = 0;
    // Starts a pass: pages appended from here on belong to it.
    virtual void BeginPass() = 0;
    // Drops the pages of the first pass of a double-pass build.
    virtual void DropFirstPass() = 0;
    virtual void RegisterSourcePage(TfrxReportPage *page) = 0;
    // A new page for source, size in pixels.
    virtual void AppendPage(TfrxReportPage *source) = 0;
    // The shown band at (left, top) of the current page (page-area pixels) with views, its objects
    // that print. For the null band the views are the page's own objects, which it does not own.
    virtual void AppendBand(TfrxBand *band, const QList<TfrxView *> &views, double left, double top) = 0;
    virtual int Count() const = 0;

    // Which pass runs: the first pass of a double-pass build, the final pass of one, or neither.
    virtual void SetPassInfo(bool firstPassOfDouble, bool finalPassOfDouble) = 0;
    // Objects appended to the current page so far; a keep remembers it to cut back to.
    virtual int CurrentPosition() = 0;
    // Takes the objects from position on off the current page; top is where the first of them was
    // placed, so that pasting can shift them all by the same amount.
    virtual void CutObjects(int position, double top) = 0;
    // Puts the cut objects on the current page, the first of them at (left, top).
    virtual void PasteObjects(double left, double top) = 0;
    // The bottom of the lowest band on the current page (pixels from the printable area's top).
    virtual double LowestBandBottom() = 0;
    // The page numbering shown by "Page" and "TotalPages".
    virtual void SetFirstRecordPage(int index) = 0;
    virtual void ResetLogicalNumbers() = 0;
    virtual int LogicalPageNo() = 0;
    virtual int LogicalTotal(int engineTotalPages) = 0;
    virtual void AddAnchor(const QString &text, double top) = 0;
    // The page number (from 1) of the last anchor of that text; 1 when there is none.
    virtual int GetAnchorPage(const QString &text) = 0;
    virtual TfrxCustomOutline *Outline() = 0;
    // The real size of the current page when it is endless, in pixels (each page has its own).
    virtual void SetSourcePageSize(TfrxReportPage *page, double height, double width) = 0;
    // Outline entries (in the order they were added) and anchors made so far; a keep remembers
    // both to know which of them belong to the kept bands.
    virtual int OutlinePosition() = 0;
    virtual int AnchorPosition() = 0;
    // The outline entries [outlineFrom, outlineTo) and anchors [anchorFrom, anchorTo) went with
    // objects pasted on the current page: they point at it now, dy pixels lower than before.
    virtual void MoveMarks(int outlineFrom, int outlineTo, int anchorFrom, int anchorTo, double dy) = 0;
};

// The copies of one prepared page.
struct TfrxPreparedObject {
    QString Name;
    std::unique_ptr<TfrxComponent> Object;
};

struct TfrxPreparedPage {
    TfrxReportPage *Source = nullptr;
    std::vector<TfrxPreparedObject> Objects;
    // Bottom of the lowest band placed on the page.
    double LowestBottom = 0;
    // The size an endless page took, in pixels (0: the source page's paper).
    double Width = 0;
    double Height = 0;
    // The copy of the object that came from the layout object name (first one), or nullptr.
    TfrxComponent *Find(const QString &name) const;
};

// Pages kept as copies of the shown objects, in memory.
class TfrxEngineMemoryPages : public TfrxEngineOutput {
public:
    void Clear() override;
    void BeginBuild() override {}
    void EndBuild() override {}
    void BeginPass() override;
    void DropFirstPass() override;
    void RegisterSourcePage(TfrxReportPage *) override {}
    void AppendPage(TfrxReportPage *source) override;
    void AppendBand(TfrxBand *band, const QList<TfrxView *> &views, double left, double top) override;
    int Count() const override { return int(m_pages.size()); }
    void SetPassInfo(bool firstPassOfDouble, bool finalPassOfDouble) override;
    int CurrentPosition() override;
    void CutObjects(int position, double top) override;
    void PasteObjects(double left, double top) override;
    double LowestBandBottom() override;
    void SetFirstRecordPage(int index) override { m_firstRecordPage = index; }
    void ResetLogicalNumbers() override;
    int LogicalPageNo() override;
    int LogicalTotal(int engineTotalPages) override;
    void AddAnchor(const QString &text, double top) override;
    int GetAnchorPage(const QString &text) override;
    TfrxCustomOutline *Outline() override;
    void SetSourcePageSize(TfrxReportPage *, double height, double width) override;
    int OutlinePosition() override { return int(m_outlineEntries.size()); }
    int AnchorPosition() override { return int(m_anchors.size()); }
    void MoveMarks(int outlineFrom, int outlineTo, int anchorFrom, int anchorTo, double dy) override;

    const TfrxPreparedPage &Page(int index) const { return *m_pages.at(index); }

    // Outline entries in the order they were added: text, page index, top and depth (1 at root).
    struct OutlineEntry {
        QString Text;
        int Page;
        double Top;
        int Level;
    };
    const QList<OutlineEntry> &OutlineEntries() const { return m_outlineEntries; }
    // Anchors: text, page index and top.
    struct AnchorEntry {
        QString Text;
        int Page;
        double Top;
    };
    const QList<AnchorEntry> &Anchors() const { return m_anchors; }
    // The real height given to the last endless page (0 when none).
    double EndlessHeight() const { return m_endlessHeight; }

private:
    class MemoryOutline;
    std::vector<std::unique_ptr<TfrxPreparedPage>> m_pages;
    std::vector<TfrxPreparedObject> m_cut;
    double m_cutTop = 0;
    int m_passStart = 0;
    int m_firstRecordPage = 0;
    bool m_finalPassOfDouble = false;
    // Logical number and total per page index; the final pass of a double pass keeps the first
    // pass's numbers.
    std::vector<std::pair<int, int>> m_numbers;
    int m_logicalCounter = 0;
    QList<AnchorEntry> m_anchors;
    QList<OutlineEntry> m_outlineEntries;
    std::unique_ptr<TfrxCustomOutline> m_outline;
    int m_outlineLevel = 0;
    double m_endlessHeight = 0;
};

// The report's prepared pages store.
class TfrxEngineStoreOutput : public TfrxEngineOutput {
public:
    explicit TfrxEngineStoreOutput(TfrxCustomPreviewPages *pages) : m_pages(pages) {}
    void Clear() override;
    void BeginBuild() override;
    void EndBuild() override;
    void BeginPass() override;
    void DropFirstPass() override;
    void RegisterSourcePage(TfrxReportPage *page) override;
    void AppendPage(TfrxReportPage *source) override;
    void AppendBand(TfrxBand *band, const QList<TfrxView *> &views, double left, double top) override;
    int Count() const override;
    void SetPassInfo(bool firstPassOfDouble, bool finalPassOfDouble) override;
    int CurrentPosition() override;
    void CutObjects(int position, double top) override;
    void PasteObjects(double left, double top) override;
    double LowestBandBottom() override;
    void SetFirstRecordPage(int index) override;
    void ResetLogicalNumbers() override;
    int LogicalPageNo() override;
    int LogicalTotal(int engineTotalPages) override;
    void AddAnchor(const QString &text, double top) override;
    int GetAnchorPage(const QString &text) override;
    TfrxCustomOutline *Outline() override;
    void SetSourcePageSize(TfrxReportPage *page, double height, double width) override;
    int OutlinePosition() override;
    int AnchorPosition() override;
    void MoveMarks(int outlineFrom, int outlineTo, int anchorFrom, int anchorTo, double dy) override;

private:
    // Counts the entries added through it, so that a keep learns the outline's size without
    // walking the tree; -1 when the count must be taken from the tree.
    class CountingOutline : public TfrxCustomOutline {
    public:
        explicit CountingOutline(TfrxEngineStoreOutput *owner) : m_owner(owner) {}
        void AddItem(const QString &text, double top = 0) override;
        void LevelRoot() override;
        void LevelUp() override;

    private:
        TfrxEngineStoreOutput *m_owner;
    };

    TfrxCustomPreviewPages *m_pages;
    CountingOutline m_outline{this};
    int m_outlineCount = -1;
};

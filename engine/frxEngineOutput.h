#pragma once
// What the builder writes into. The prepared pages store answers to this interface; the builder
// itself only appends pages and the objects of the bands it shows.

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class TfrxBand;
class TfrxComponent;
class TfrxCustomPreviewPages;
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
};

// The copies of one prepared page.
struct TfrxPreparedObject {
    QString Name;
    std::unique_ptr<TfrxComponent> Object;
};

struct TfrxPreparedPage {
    TfrxReportPage *Source = nullptr;
    std::vector<TfrxPreparedObject> Objects;
    // The copy of the object that came from the layout object name (first one), or nullptr.
    TfrxComponent *Find(const QString &name) const;
};

// Pages kept as copies of the shown objects, in memory.
class TfrxEngineMemoryPages : public TfrxEngineOutput {
public:
    void Clear() override;
    void BeginBuild() override {}
    void EndBuild() override {}
    void BeginPass() override { m_passStart = int(m_pages.size()); }
    void DropFirstPass() override;
    void RegisterSourcePage(TfrxReportPage *) override {}
    void AppendPage(TfrxReportPage *source) override;
    void AppendBand(TfrxBand *band, const QList<TfrxView *> &views, double left, double top) override;
    int Count() const override { return int(m_pages.size()); }

    const TfrxPreparedPage &Page(int index) const { return *m_pages.at(index); }

private:
    std::vector<std::unique_ptr<TfrxPreparedPage>> m_pages;
    int m_passStart = 0;
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

private:
    TfrxCustomPreviewPages *m_pages;
};

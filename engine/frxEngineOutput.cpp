#include "engine/frxEngineOutput.h"

#include "report/frxClass.h"
#include "report/frxClassRegistry.h"
#include "report/frxPreviewPagesBase.h"

TfrxComponent *TfrxPreparedPage::Find(const QString &name) const
{
    for (const TfrxPreparedObject &object : Objects)
        if (object.Name == name)
            return object.Object.get();
    return nullptr;
}

void TfrxEngineMemoryPages::Clear()
{
    m_pages.clear();
    m_passStart = 0;
}

void TfrxEngineMemoryPages::DropFirstPass()
{
    m_pages.erase(m_pages.begin() + m_passStart, m_pages.end());
}

void TfrxEngineMemoryPages::AppendPage(TfrxReportPage *source)
{
    auto page = std::make_unique<TfrxPreparedPage>();
    page->Source = source;
    m_pages.push_back(std::move(page));
}

void TfrxEngineMemoryPages::AppendBand(TfrxBand *, const QList<TfrxView *> &views, double left, double top)
{
    if (m_pages.empty())
        return;
    for (TfrxView *view : views) {
        TfrxComponent *copy =
            frxCreateComponent(QString::fromLatin1(view->metaObject()->className()), nullptr);
        if (!copy)
            continue;
        copy->Assign(view);
        copy->SetLeft(left + view->Left());
        copy->SetTop(top + view->Top());
        m_pages.back()->Objects.push_back({view->Name(), std::unique_ptr<TfrxComponent>(copy)});
    }
}

void TfrxEngineStoreOutput::Clear()
{
    m_pages->ClearPages();
}

void TfrxEngineStoreOutput::BeginBuild()
{
    m_pages->BeginBuild();
    m_pages->SetAppendMode(true);
}

void TfrxEngineStoreOutput::EndBuild()
{
    m_pages->EndBuild();
}
void TfrxEngineStoreOutput::BeginPass()
{
    m_pages->BeginPass();
}
void TfrxEngineStoreOutput::DropFirstPass()
{
    m_pages->DropFirstPass();
}
void TfrxEngineStoreOutput::RegisterSourcePage(TfrxReportPage *page)
{
    m_pages->RegisterSourcePage(page);
}
void TfrxEngineStoreOutput::AppendPage(TfrxReportPage *source)
{
    m_pages->AppendPage(source);
}
int TfrxEngineStoreOutput::Count() const
{
    return m_pages->Count();
}

void TfrxEngineStoreOutput::AppendBand(TfrxBand *band, const QList<TfrxView *> &views, double left,
                                       double top)
{
    const double savedLeft = band->Left();
    const double savedTop = band->Top();
    band->SetLeft(left);
    band->SetTop(top);
    // The store writes a band with its children: objects the band does not own (the page's own
    // objects shown through the null band) are lent to it for the write, in their order, and go
    // back to their parent afterwards.
    QList<QPair<TfrxView *, TfrxComponent *>> lent;
    for (TfrxView *view : views)
        if (view->Parent() != band) {
            lent.append(qMakePair(view, view->Parent()));
            view->SetParent(band);
        }
    // Objects of the band that do not print stay out of the prepared page.
    QList<TfrxComponent *> hidden;
    for (TfrxComponent *child : band->Objects())
        if (auto *view = qobject_cast<TfrxView *>(child); view && !views.contains(view))
            hidden.append(view);
    for (TfrxComponent *child : hidden)
        child->SetParent(nullptr);
    try {
        m_pages->AppendObjects(band);
    } catch (...) {
        for (TfrxComponent *child : hidden)
            child->SetParent(band);
        for (auto &pair : lent)
            pair.first->SetParent(pair.second);
        band->SetLeft(savedLeft);
        band->SetTop(savedTop);
        throw;
    }
    for (TfrxComponent *child : hidden)
        child->SetParent(band);
    for (auto &pair : lent)
        pair.first->SetParent(pair.second);
    band->SetLeft(savedLeft);
    band->SetTop(savedTop);
}

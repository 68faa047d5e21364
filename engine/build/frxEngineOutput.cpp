#include "engine/build/frxEngineOutput.h"

#include "report/core/frxClassRegistry.h"
#include "report/host/frxPreviewPagesBase.h"
#include "report/model/frxClass.h"

#include "engine/pages/frxPreviewPages.h"
#include "report/io/frxXML.h"

#include <algorithm>
#include <cmath>
#include <functional>

TfrxComponent *TfrxPreparedPage::Find(const QString &name) const
{
    for (const TfrxPreparedObject &object : Objects)
        if (object.Name == name)
            return object.Object.get();
    return nullptr;
}

// The outline as a flat list of entries with their depth.
class TfrxEngineMemoryPages::MemoryOutline : public TfrxCustomOutline {
public:
    explicit MemoryOutline(TfrxEngineMemoryPages *pages) : m_pages(pages) {}
    void AddItem(const QString &text, double top) override
    {
        ++m_pages->m_outlineLevel;
        m_pages->m_outlineEntries.append(
            {text, int(m_pages->m_pages.size()) - 1, top, m_pages->m_outlineLevel});
    }
    void LevelRoot() override { m_pages->m_outlineLevel = 0; }
    void LevelUp() override { m_pages->m_outlineLevel = std::max(0, m_pages->m_outlineLevel - 1); }

private:
    TfrxEngineMemoryPages *m_pages;
};

void TfrxEngineMemoryPages::Clear()
{
    m_pages.clear();
    m_cut.clear();
    m_numbers.clear();
    m_anchors.clear();
    m_outlineEntries.clear();
    m_outlineLevel = 0;
    m_logicalCounter = 0;
    m_passStart = 0;
    m_firstRecordPage = 0;
}

void TfrxEngineMemoryPages::BeginPass()
{
    m_passStart = int(m_pages.size());
    if (!m_finalPassOfDouble)
        m_logicalCounter = 0;
}

void TfrxEngineMemoryPages::DropFirstPass()
{
    m_pages.erase(m_pages.begin() + m_passStart, m_pages.end());
    m_outlineEntries.erase(std::remove_if(m_outlineEntries.begin(), m_outlineEntries.end(),
                                          [this](const OutlineEntry &e) { return e.Page >= m_passStart; }),
                           m_outlineEntries.end());
    m_outlineLevel = 0;
    m_logicalCounter = 0;
}

void TfrxEngineMemoryPages::SetPassInfo(bool, bool finalPassOfDouble)
{
    m_finalPassOfDouble = finalPassOfDouble;
}

void TfrxEngineMemoryPages::AppendPage(TfrxReportPage *source)
{
    auto page = std::make_unique<TfrxPreparedPage>();
    page->Source = source;
    m_pages.push_back(std::move(page));
    if (!m_finalPassOfDouble) {
        ++m_logicalCounter;
        m_numbers.resize(m_pages.size() - 1);
        m_numbers.push_back({m_logicalCounter, 0});
    }
}

int TfrxEngineMemoryPages::CurrentPosition()
{
    return m_pages.empty() ? 0 : int(m_pages.back()->Objects.size());
}

void TfrxEngineMemoryPages::CutObjects(int position, double top)
{
    m_cut.clear();
    m_cutTop = top;
    if (m_pages.empty())
        return;
    auto &objects = m_pages.back()->Objects;
    if (position < 0 || position >= int(objects.size()))
        return;
    for (auto it = objects.begin() + position; it != objects.end(); ++it)
        m_cut.push_back(std::move(*it));
    objects.erase(objects.begin() + position, objects.end());
}

void TfrxEngineMemoryPages::PasteObjects(double, double top)
{
    if (m_pages.empty()) {
        m_cut.clear();
        return;
    }
    const double dy = top - m_cutTop;
    TfrxPreparedPage &page = *m_pages.back();
    for (TfrxPreparedObject &object : m_cut) {
        object.Object->SetTop(object.Object->Top() + dy);
        page.LowestBottom = std::max(page.LowestBottom, object.Object->Top() + object.Object->Height());
        page.Objects.push_back(std::move(object));
    }
    m_cut.clear();
}

double TfrxEngineMemoryPages::LowestBandBottom()
{
    return m_pages.empty() ? 0 : m_pages.back()->LowestBottom;
}

void TfrxEngineMemoryPages::ResetLogicalNumbers()
{
    if (m_finalPassOfDouble)
        return;
    const int first = std::max(0, m_passStart);
    for (int i = std::min(int(m_pages.size()), int(m_numbers.size())) - 1; i >= first; --i) {
        m_numbers[size_t(i)].second = m_logicalCounter;
        if (m_numbers[size_t(i)].first == 1)
            break;
    }
    m_logicalCounter = 0;
}

int TfrxEngineMemoryPages::LogicalPageNo()
{
    const int cur = int(m_pages.size()) - 1;
    if (cur >= 0 && cur < int(m_numbers.size()))
        return m_numbers[size_t(cur)].first;
    return cur - m_firstRecordPage + 1;
}

int TfrxEngineMemoryPages::LogicalTotal(int engineTotalPages)
{
    const int cur = int(m_pages.size()) - 1;
    if (cur >= 0 && cur < int(m_numbers.size()))
        return m_numbers[size_t(cur)].second;
    return engineTotalPages - m_firstRecordPage;
}

void TfrxEngineMemoryPages::AddAnchor(const QString &text, double top)
{
    m_anchors.append({text, int(m_pages.size()) - 1, top});
}

void TfrxEngineMemoryPages::MoveMarks(int outlineFrom, int outlineTo, int anchorFrom, int anchorTo, double dy)
{
    const int page = int(m_pages.size()) - 1;
    for (int i = std::max(0, outlineFrom); i < std::min(outlineTo, int(m_outlineEntries.size())); ++i) {
        m_outlineEntries[i].Page = page;
        m_outlineEntries[i].Top += dy;
    }
    for (int i = std::max(0, anchorFrom); i < std::min(anchorTo, int(m_anchors.size())); ++i) {
        m_anchors[i].Page = page;
        m_anchors[i].Top += dy;
    }
}

int TfrxEngineMemoryPages::GetAnchorPage(const QString &text)
{
    for (int i = int(m_anchors.size()) - 1; i >= 0; --i)
        if (m_anchors[i].Text.compare(text, Qt::CaseInsensitive) == 0)
            return m_anchors[i].Page + 1;
    return 1;
}

TfrxCustomOutline *TfrxEngineMemoryPages::Outline()
{
    if (!m_outline)
        m_outline = std::make_unique<MemoryOutline>(this);
    return m_outline.get();
}

void TfrxEngineMemoryPages::SetSourcePageSize(TfrxReportPage *, double height, double width)
{
    m_endlessHeight = height;
    if (!m_pages.empty()) {
        m_pages.back()->Height = height;
        m_pages.back()->Width = width;
    }
}

void TfrxEngineMemoryPages::AppendBand(TfrxBand *band, const QList<TfrxView *> &views, double left,
                                       double top)
{
    if (m_pages.empty())
        return;
    if (!qobject_cast<TfrxNullBand *>(band))
        m_pages.back()->LowestBottom = std::max(m_pages.back()->LowestBottom, top + band->Height());
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
    m_outlineCount = -1;
    m_pages->ClearPages();
}

void TfrxEngineStoreOutput::BeginBuild()
{
    m_outlineCount = -1;
    m_pages->BeginBuild();
    m_pages->SetAppendMode(true);
}

void TfrxEngineStoreOutput::EndBuild()
{
    m_pages->EndBuild();
}
void TfrxEngineStoreOutput::BeginPass()
{
    m_outlineCount = -1;
    m_pages->BeginPass();
}
void TfrxEngineStoreOutput::DropFirstPass()
{
    m_outlineCount = -1;
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
void TfrxEngineStoreOutput::SetPassInfo(bool firstPassOfDouble, bool finalPassOfDouble)
{
    m_pages->SetPassInfo(firstPassOfDouble, finalPassOfDouble);
}
int TfrxEngineStoreOutput::CurrentPosition()
{
    return m_pages->CurrentPosition();
}
void TfrxEngineStoreOutput::CutObjects(int position, double)
{
    m_pages->CutObjects(position);
}
void TfrxEngineStoreOutput::PasteObjects(double left, double top)
{
    m_pages->PasteObjects(left, top);
}
double TfrxEngineStoreOutput::LowestBandBottom()
{
    return m_pages->LowestBandBottom(0);
}
void TfrxEngineStoreOutput::SetFirstRecordPage(int index)
{
    m_pages->SetFirstRecordPage(index);
}
void TfrxEngineStoreOutput::ResetLogicalNumbers()
{
    m_pages->ResetLogicalNumbers();
}
int TfrxEngineStoreOutput::LogicalPageNo()
{
    return m_pages->LogicalPageNo();
}
int TfrxEngineStoreOutput::LogicalTotal(int engineTotalPages)
{
    return m_pages->LogicalTotal(engineTotalPages);
}
void TfrxEngineStoreOutput::AddAnchor(const QString &text, double top)
{
    m_pages->AddAnchor(text, top);
}
int TfrxEngineStoreOutput::GetAnchorPage(const QString &text)
{
    return m_pages->GetAnchorPage(text);
}
TfrxCustomOutline *TfrxEngineStoreOutput::Outline()
{
    return &m_outline;
}
void TfrxEngineStoreOutput::SetSourcePageSize(TfrxReportPage *page, double height, double width)
{
    m_pages->SetSourcePageSize(page, height, width);
}

namespace {
// The store keeps the outline as a tree of "item" elements. An entry is always added below the
// current item, which lies on the path to the entry added last, so document order is the order
// entries were added in.
void WalkOutline(TfrxXMLItem *item, const std::function<void(TfrxXMLItem *)> &visit)
{
    for (int i = 0; i < item->Count(); ++i) {
        visit(item->Items(i));
        WalkOutline(item->Items(i), visit);
    }
}

TfrxXMLItem *StoreItem(TfrxCustomPreviewPages *pages, const QString &name)
{
    auto *store = dynamic_cast<TfrxPreviewPages *>(pages);
    return store ? store->Document()->Root()->FindItem(name) : nullptr;
}

// A top as the store writes it: whole pixels.
QString TopText(const TfrxXMLItem *item, double dy)
{
    return QString::number(qint64(std::nearbyint(item->Prop(QStringLiteral("top")).toDouble() + dy)));
}
} // namespace

void TfrxEngineStoreOutput::CountingOutline::AddItem(const QString &text, double top)
{
    m_owner->m_pages->Outline()->AddItem(text, top);
    if (m_owner->m_outlineCount >= 0)
        ++m_owner->m_outlineCount;
}

void TfrxEngineStoreOutput::CountingOutline::LevelRoot()
{
    m_owner->m_pages->Outline()->LevelRoot();
}

void TfrxEngineStoreOutput::CountingOutline::LevelUp()
{
    m_owner->m_pages->Outline()->LevelUp();
}

int TfrxEngineStoreOutput::OutlinePosition()
{
    if (m_outlineCount < 0) {
        m_outlineCount = 0;
        if (TfrxXMLItem *outline = StoreItem(m_pages, QStringLiteral("outline")))
            WalkOutline(outline, [&](TfrxXMLItem *) { ++m_outlineCount; });
    }
    return m_outlineCount;
}

int TfrxEngineStoreOutput::AnchorPosition()
{
    TfrxXMLItem *anchors = StoreItem(m_pages, QStringLiteral("anchors"));
    return anchors ? anchors->Count() : 0;
}

void TfrxEngineStoreOutput::MoveMarks(int outlineFrom, int outlineTo, int anchorFrom, int anchorTo, double dy)
{
    const QString page = QString::number(m_pages->CurPage());
    if (outlineTo > outlineFrom)
        if (TfrxXMLItem *outline = StoreItem(m_pages, QStringLiteral("outline"))) {
            int index = 0;
            WalkOutline(outline, [&](TfrxXMLItem *item) {
                if (index >= outlineFrom && index < outlineTo) {
                    item->SetProp(QStringLiteral("page"), page);
                    item->SetProp(QStringLiteral("top"), TopText(item, dy));
                }
                ++index;
            });
        }
    if (anchorTo > anchorFrom)
        if (TfrxXMLItem *anchors = StoreItem(m_pages, QStringLiteral("anchors")))
            for (int i = std::max(0, anchorFrom); i < std::min(anchorTo, anchors->Count()); ++i) {
                anchors->Items(i)->SetProp(QStringLiteral("page"), page);
                anchors->Items(i)->SetProp(QStringLiteral("top"), TopText(anchors->Items(i), dy));
            }
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

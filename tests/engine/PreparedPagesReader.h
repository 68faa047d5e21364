#pragma once
// The builder's suites run every case against both page implementations: the pages kept in
// memory (TfrxEngineMemoryPages) and the prepared pages store that prints (TfrxPreviewPages).
// A suite adds the global column "store" (AddPageImplementations in initTestCase_data), calls
// UsePageImplementation in init, and reads what a build produced with ReadPreparedPages, which
// sees both alike: every object with its text and its place on the page.

#include "engine/build/frxEngine.h"
#include "engine/pages/frxPreviewPages.h"
#include "report/io/frxXML.h"
#include "report/model/frxClass.h"

#include <cmath>
#include <functional>

#include <QtTest>

struct PreparedObject {
    QString Name;
    QString ClassName;
    // The text of a text object, trimmed; empty for other objects.
    QString Text;
    // Place on the page's printable area and size, in pixels.
    double Left = 0, Top = 0, Width = 0, Height = 0;
    bool Printable = true;
    int Color = 0;
};
using PreparedPage = QList<PreparedObject>;

inline void AddPageImplementations()
{
    QTest::addColumn<bool>("store");
    QTest::newRow("memory pages") << false;
    QTest::newRow("prepared pages store") << true;
}

// Reports made from here on build into the store (store) or into pages in memory.
inline void UsePageImplementation()
{
    QFETCH_GLOBAL(bool, store);
    if (store)
        TfrxPreviewPages::Register();
    else
        frxRegisterPreviewPagesClass(nullptr);
}

inline PreparedObject ReadPreparedObject(TfrxComponent *object, double left, double top)
{
    PreparedObject read;
    read.Name = object->Name();
    read.ClassName = object->ClassName();
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(object))
        read.Text = memo->Text().trimmed();
    if (auto *view = qobject_cast<TfrxView *>(object)) {
        read.Printable = view->Printable();
        read.Color = view->property("Color").toInt();
    }
    read.Left = left;
    read.Top = top;
    read.Width = object->Width();
    read.Height = object->Height();
    return read;
}

// The pages the last build of report produced, objects in the order they were placed.
inline QList<PreparedPage> ReadPreparedPages(TfrxReport &report)
{
    QList<PreparedPage> pages;
    if (TfrxCustomPreviewPages *store = report.PreviewPages()) {
        for (int i = 0; i < store->Count(); ++i) {
            PreparedPage page;
            if (TfrxReportPage *prepared = store->GetPage(i))
                for (TfrxComponent *child : prepared->Objects()) {
                    if (!qobject_cast<TfrxBand *>(child)) {
                        page.append(ReadPreparedObject(child, child->Left(), child->Top()));
                        continue;
                    }
                    for (TfrxComponent *object : child->Objects())
                        page.append(ReadPreparedObject(object, child->Left() + object->Left(),
                                                       child->Top() + object->Top()));
                }
            pages.append(page);
        }
        return pages;
    }
    auto *engine = static_cast<TfrxEngine *>(report.Engine());
    const auto *memory = dynamic_cast<const TfrxEngineMemoryPages *>(engine->Output());
    if (!memory)
        return pages;
    for (int i = 0; i < memory->Count(); ++i) {
        PreparedPage page;
        for (const TfrxPreparedObject &object : memory->Page(i).Objects) {
            page.append(ReadPreparedObject(object.Object.get(), object.Object->Left(), object.Object->Top()));
            // The copies in memory keep the layout name beside them.
            page.back().Name = object.Name;
        }
        pages.append(page);
    }
    return pages;
}

// The object named name on a page, or nullptr.
inline const PreparedObject *FindPrepared(const PreparedPage &page, const QString &name)
{
    for (const PreparedObject &object : page)
        if (object.Name == name)
            return &object;
    return nullptr;
}

// The outline as "level:text:page@top" entries (level 1 at the root, pages from 0) in the order
// they were added.
inline QStringList ReadOutline(TfrxReport &report)
{
    QStringList outline;
    if (auto *store = dynamic_cast<TfrxPreviewPages *>(report.PreviewPages())) {
        std::function<void(TfrxXMLItem *, int)> walk = [&](TfrxXMLItem *item, int level) {
            for (int i = 0; i < item->Count(); ++i) {
                TfrxXMLItem *entry = item->Items(i);
                outline << QStringLiteral("%1:%2:%3@%4")
                               .arg(level)
                               .arg(entry->Prop("text"), entry->Prop("page"), entry->Prop("top"));
                walk(entry, level + 1);
            }
        };
        if (TfrxXMLItem *root = store->Document()->Root()->FindItem(QStringLiteral("outline")))
            walk(root, 1);
        return outline;
    }
    auto *engine = static_cast<TfrxEngine *>(report.Engine());
    if (const auto *memory = dynamic_cast<const TfrxEngineMemoryPages *>(engine->Output()))
        for (const auto &entry : memory->OutlineEntries())
            outline << QStringLiteral("%1:%2:%3@%4")
                           .arg(entry.Level)
                           .arg(entry.Text)
                           .arg(entry.Page)
                           .arg(entry.Top);
    return outline;
}

// The anchors as "text:page@top" entries.
inline QStringList ReadAnchors(TfrxReport &report)
{
    QStringList anchors;
    if (auto *store = dynamic_cast<TfrxPreviewPages *>(report.PreviewPages())) {
        if (TfrxXMLItem *items = store->Document()->Root()->FindItem(QStringLiteral("anchors")))
            for (int i = 0; i < items->Count(); ++i)
                anchors << QStringLiteral("%1:%2@%3")
                               .arg(items->Items(i)->Prop("text"), items->Items(i)->Prop("page"),
                                    items->Items(i)->Prop("top"));
        return anchors;
    }
    auto *engine = static_cast<TfrxEngine *>(report.Engine());
    if (const auto *memory = dynamic_cast<const TfrxEngineMemoryPages *>(engine->Output()))
        for (const auto &anchor : memory->Anchors())
            anchors << QStringLiteral("%1:%2@%3").arg(anchor.Text).arg(anchor.Page).arg(anchor.Top);
    return anchors;
}

// The height of a prepared page in pixels, to a hundredth (an endless page gets its own).
inline double PreparedPageHeight(TfrxReport &report, int index)
{
    if (TfrxCustomPreviewPages *store = report.PreviewPages()) {
        TfrxReportPage *page = store->GetPage(index);
        return page ? std::round(page->PaperHeight() * fr01cm * 100) / 100 : 0;
    }
    auto *engine = static_cast<TfrxEngine *>(report.Engine());
    const auto *memory = dynamic_cast<const TfrxEngineMemoryPages *>(engine->Output());
    return memory && index < memory->Count() ? std::round(memory->Page(index).Height * 100) / 100 : 0;
}

// The page a prepared page was made from, with its paper and margins.
inline TfrxReportPage *PreparedPageSource(TfrxReport &report, int index)
{
    if (TfrxCustomPreviewPages *store = report.PreviewPages())
        return store->GetPage(index);
    auto *engine = static_cast<TfrxEngine *>(report.Engine());
    const auto *memory = dynamic_cast<const TfrxEngineMemoryPages *>(engine->Output());
    return memory && index < memory->Count() ? memory->Page(index).Source : nullptr;
}

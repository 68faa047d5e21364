#pragma once
// The bookmark tree of prepared pages, kept in the store's "outline" item: nested "item" elements
// with the attributes "text", "page" (0-based) and "top". Reading walks the same tree: step into an
// item, read the current level's items, go back up.

#include "report/host/frxPreviewPagesBase.h"

#include <functional>

class TfrxXMLItem;

class TfrxOutline : public TfrxCustomOutline {
public:
    // root: the function that finds (or creates) the "outline" item; currentPage: the store's page.
    TfrxOutline(std::function<TfrxXMLItem *()> root, std::function<int()> currentPage);

    void AddItem(const QString &text, double top = 0) override;
    void LevelRoot() override;
    void LevelUp() override;

    // Reading: the items of the current level.
    int Count();
    // The index-th item of the current level: its text, page and top.
    void GetItem(int index, QString &text, int &page, int &top);
    void LevelDown(int index);
    // The last item of the current level; nullptr when it has none.
    TfrxXMLItem *LastItem();
    // Every item after from (in document order) moves one page on, its top rebased on newTop.
    void ShiftItems(TfrxXMLItem *from, int newTop);
    TfrxXMLItem *CurItem();

private:
    std::function<TfrxXMLItem *()> m_root;
    std::function<int()> m_currentPage;
    TfrxXMLItem *m_curItem = nullptr;
};

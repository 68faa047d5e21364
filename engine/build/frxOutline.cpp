#include "engine/build/frxOutline.h"

#include "report/io/frxXML.h"
#include "report/io/frxXMLSerializer.h"

#include <cmath>

TfrxOutline::TfrxOutline(std::function<TfrxXMLItem *()> root, std::function<int()> currentPage)
    : m_root(std::move(root)), m_currentPage(std::move(currentPage))
{
}

TfrxXMLItem *TfrxOutline::CurItem()
{
    // The tree may have been emptied under us (a cleared store, a dropped pass): fall back to the
    // root whenever the remembered item no longer hangs below it.
    TfrxXMLItem *root = m_root();
    for (TfrxXMLItem *item = m_curItem; item; item = item->Parent())
        if (item == root)
            return m_curItem;
    m_curItem = root;
    return root;
}

void TfrxOutline::AddItem(const QString &text, double top)
{
    TfrxXMLItem *item = CurItem()->Add();
    item->SetName(QStringLiteral("item"));
    item->SetText(QStringLiteral("text=\"%1\" page=\"%2\" top=\"%3\"")
                      .arg(frxStrToXML(text))
                      .arg(m_currentPage())
                      .arg(qint64(std::nearbyint(top))));
    m_curItem = item;
}

void TfrxOutline::LevelRoot()
{
    m_curItem = m_root();
}

void TfrxOutline::LevelUp()
{
    TfrxXMLItem *item = CurItem();
    if (item != m_root() && item->Parent())
        m_curItem = item->Parent();
}

int TfrxOutline::Count()
{
    return CurItem()->Count();
}

void TfrxOutline::GetItem(int index, QString &text, int &page, int &top)
{
    TfrxXMLItem *item = CurItem()->Items(index);
    text = item->Prop(QStringLiteral("text"));
    page = item->Prop(QStringLiteral("page")).toInt();
    top = item->Prop(QStringLiteral("top")).toInt();
}

void TfrxOutline::LevelDown(int index)
{
    m_curItem = CurItem()->Items(index);
}

TfrxXMLItem *TfrxOutline::LastItem()
{
    TfrxXMLItem *item = CurItem();
    return item->Count() ? item->Items(item->Count() - 1) : nullptr;
}

void TfrxOutline::ShiftItems(TfrxXMLItem *from, int newTop)
{
    if (!from || !from->Parent())
        return;
    TfrxXMLItem *parent = from->Parent();
    const int start = parent->IndexOf(from);
    int firstTop = -1;
    std::function<void(TfrxXMLItem *)> shift = [&](TfrxXMLItem *item) {
        const int top = item->Prop(QStringLiteral("top")).toInt();
        if (firstTop < 0)
            firstTop = top;
        item->SetProp(QStringLiteral("page"),
                      QString::number(item->Prop(QStringLiteral("page")).toInt() + 1));
        item->SetProp(QStringLiteral("top"), QString::number(newTop + top - firstTop));
        for (int i = 0; i < item->Count(); ++i)
            shift(item->Items(i));
    };
    for (int i = start + 1; i < parent->Count(); ++i)
        shift(parent->Items(i));
}

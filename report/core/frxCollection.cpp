#include "report/core/frxCollection.h"

int TfrxCollectionItem::Index() const
{
    return m_collection ? m_collection->IndexOf(this) : -1;
}

TfrxCollection::~TfrxCollection()
{
    qDeleteAll(m_items);
}

int TfrxCollection::IndexOf(const TfrxCollectionItem *item) const
{
    return int(m_items.indexOf(const_cast<TfrxCollectionItem *>(item)));
}

TfrxCollectionItem *TfrxCollection::AddItem()
{
    TfrxCollectionItem *item = CreateItem();
    item->m_collection = this;
    m_items.append(item);
    return item;
}

void TfrxCollection::Delete(int index)
{
    TfrxCollectionItem *item = m_items.at(index);
    ItemRemoving(item);
    m_items.removeAt(index);
    delete item;
}

void TfrxCollection::Clear()
{
    while (!m_items.isEmpty())
        Delete(Count() - 1);
}

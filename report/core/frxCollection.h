#pragma once
// Owning lists of persistent items (the report's dataset list, variables and styles). Items are
// gadgets with published properties, so the file format writes and reads them like any object.

#include "report/core/frxPersistent.h"

#include <QList>

class TfrxCollection;

class TfrxCollectionItem : public TPersistent {
    Q_GADGET
public:
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }
    TfrxCollection *Collection() const { return m_collection; }
    int Index() const;

protected:
    explicit TfrxCollectionItem(TfrxCollection *collection) : m_collection(collection) {}

private:
    friend class TfrxCollection;
    TfrxCollection *m_collection;
};

class TfrxCollection {
public:
    TfrxCollection() = default;
    TfrxCollection(const TfrxCollection &) = delete;
    TfrxCollection &operator=(const TfrxCollection &) = delete;
    virtual ~TfrxCollection();

    int Count() const { return int(m_items.size()); }
    TfrxCollectionItem *Item(int index) const { return m_items.at(index); }
    int IndexOf(const TfrxCollectionItem *item) const;
    // A new item appended at the end.
    TfrxCollectionItem *AddItem();
    void Delete(int index);
    void Clear();

protected:
    virtual TfrxCollectionItem *CreateItem() = 0;
    // Called before an item leaves the list.
    virtual void ItemRemoving(TfrxCollectionItem *) {}

private:
    QList<TfrxCollectionItem *> m_items;
};

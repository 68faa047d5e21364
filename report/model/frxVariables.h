#pragma once
// Report variables. A variable whose name begins with a blank is a category heading; the variables
// after it, up to the next heading, belong to that category. Names compare ignoring case.

#include "report/core/frxCollection.h"
#include "script/variant/Variant.h"

#include <QStringList>

class TfrxVariable : public TfrxCollectionItem {
    Q_GADGET
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(Variant Value READ Value WRITE SetValue)
public:
    explicit TfrxVariable(TfrxCollection *collection) : TfrxCollectionItem(collection) {}
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    QString Name() const { return m_name; }
    void SetName(const QString &value) { m_name = value; }
    Variant Value() const { return m_value; }
    void SetValue(const Variant &value) { m_value = value; }
    bool IsCategory() const { return m_name.startsWith(u' '); }

private:
    QString m_name;
    Variant m_value;
};

class TfrxVariables : public TfrxCollection {
public:
    TfrxVariable *Add() { return static_cast<TfrxVariable *>(AddItem()); }
    TfrxVariable *Items(int index) const { return static_cast<TfrxVariable *>(Item(index)); }

    // The value of a variable, Null when there is none.
    Variant Value(const QString &name) const;
    // Sets a variable, appending it when there is none.
    void SetValue(const QString &name, const Variant &value);
    // First variable (or heading) of that name, ignoring case; -1 when there is none.
    int IndexOf(const QString &name) const;
    // The category names, without their leading blank, in list order.
    QStringList GetCategoriesList() const;
    // The names of the variables of one category (those after its heading up to the next one).
    QStringList GetVariablesList(const QString &category) const;
    // Removes a category heading with all of its variables.
    void DeleteCategory(const QString &category);
    // Removes one variable (not a heading).
    void DeleteVariable(const QString &name);

protected:
    TfrxCollectionItem *CreateItem() override { return new TfrxVariable(this); }

private:
    int CategoryIndex(const QString &category) const;
};

// Values shared by every report of the process (among them the copy names "CopyName0", ...).
TfrxVariables &frxGlobalVariables();

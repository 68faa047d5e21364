#include "report/model/frxVariables.h"

int TfrxVariables::IndexOf(const QString &name) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Name().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Variant TfrxVariables::Value(const QString &name) const
{
    int i = IndexOf(name);
    return i < 0 ? Variant::Null() : Items(i)->Value();
}

void TfrxVariables::SetValue(const QString &name, const Variant &value)
{
    int i = IndexOf(name);
    TfrxVariable *variable = i < 0 ? Add() : Items(i);
    if (i < 0)
        variable->SetName(name);
    variable->SetValue(value);
}

int TfrxVariables::CategoryIndex(const QString &category) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->IsCategory() && Items(i)->Name().mid(1).compare(category, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList TfrxVariables::GetCategoriesList() const
{
    QStringList list;
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->IsCategory())
            list << Items(i)->Name().mid(1);
    return list;
}

QStringList TfrxVariables::GetVariablesList(const QString &category) const
{
    QStringList list;
    int i = CategoryIndex(category);
    if (i < 0)
        return list;
    for (++i; i < Count() && !Items(i)->IsCategory(); ++i)
        list << Items(i)->Name();
    return list;
}

void TfrxVariables::DeleteCategory(const QString &category)
{
    int i = CategoryIndex(category);
    if (i < 0)
        return;
    Delete(i);
    while (i < Count() && !Items(i)->IsCategory())
        Delete(i);
}

void TfrxVariables::DeleteVariable(const QString &name)
{
    for (int i = 0; i < Count(); ++i) {
        if (!Items(i)->IsCategory() && Items(i)->Name().compare(name, Qt::CaseInsensitive) == 0) {
            Delete(i);
            return;
        }
    }
}

TfrxVariables &frxGlobalVariables()
{
    static TfrxVariables variables;
    return variables;
}

#include "report/model/frxStyles.h"

#include "report/core/frxErrors.h"

void TfrxStyleItem::SetName(const QString &value)
{
    if (value.compare(m_name, Qt::CaseInsensitive) != 0) {
        if (auto *styles = static_cast<TfrxStyles *>(Collection()))
            if (styles->Find(value))
                throw EDuplicateName();
    }
    m_name = value;
}

TfrxStyleItem *TfrxStyles::Find(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Name().compare(name, Qt::CaseInsensitive) == 0)
            return Items(i);
    return nullptr;
}

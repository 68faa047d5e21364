#include "report/objects/frxUnknown.h"

TfrxUnknownObject::TfrxUnknownObject(TComponent *owner) : TfrxComponent(owner)
{
    // Invisible objects are left out of prepared pages: nothing of it is printed or exported.
    SetVisible(false);
}

void TfrxUnknownObject::AssignOwnData(const TfrxComponent *source)
{
    if (const TfrxStoredElement *element = frxStoredElement(source))
        m_element = *element;
}

void TfrxUnknownPage::AssignOwnData(const TfrxComponent *source)
{
    if (const TfrxStoredElement *element = frxStoredElement(source))
        m_element = *element;
}

const TfrxStoredElement *frxStoredElement(const TfrxComponent *component)
{
    if (auto *object = qobject_cast<const TfrxUnknownObject *>(component))
        return &object->Element();
    if (auto *page = qobject_cast<const TfrxUnknownPage *>(component))
        return &page->Element();
    return nullptr;
}

QString frxUnknownClassName(const TfrxComponent *component)
{
    const TfrxStoredElement *element = frxStoredElement(component);
    return element ? element->Name : QString();
}

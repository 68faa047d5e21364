#pragma once
// Objects of a class this program does not know: another program's plug-in object, a database
// connection component, a newer version's page kind. Loading reports the class ("Cannot find
// class ...") and keeps the element as it was read, attributes and subtree, in its place among
// its siblings; saving writes it back unchanged, so a layout loses nothing by passing through
// this program. Such objects take no part in builds and are never printed; a designer draws one
// as a box labelled with its class name (frxUnknownClassName).

#include "report/model/frxPages.h"

#include <QList>
#include <QString>

// One element of a layout file as it stands there.
struct TfrxStoredElement {
    QString Name; // the element's name: the class
    QString Text; // the attributes, still escaped, without the blank after the name
    QList<TfrxStoredElement> Children;
};

// In place of an unknown object on a page or band (or anywhere below the pages).
class TfrxUnknownObject : public TfrxComponent {
    Q_OBJECT
public:
    explicit TfrxUnknownObject(TComponent *owner = nullptr);
    const TfrxStoredElement &Element() const { return m_element; }
    void SetElement(TfrxStoredElement element) { m_element = std::move(element); }
    QString BaseName() const override { return QStringLiteral("Unknown"); }

protected:
    void AssignOwnData(const TfrxComponent *source) override;

private:
    TfrxStoredElement m_element;
};

// In place of an unknown element directly under the report, where every object is a page.
class TfrxUnknownPage : public TfrxPage {
    Q_OBJECT
public:
    explicit TfrxUnknownPage(TComponent *owner = nullptr) : TfrxPage(owner) {}
    const TfrxStoredElement &Element() const { return m_element; }
    void SetElement(TfrxStoredElement element) { m_element = std::move(element); }
    QString BaseName() const override { return QStringLiteral("Unknown"); }

protected:
    void AssignOwnData(const TfrxComponent *source) override;

private:
    TfrxStoredElement m_element;
};

// The element kept by an unknown object or page; nullptr for any other component.
const TfrxStoredElement *frxStoredElement(const TfrxComponent *component);
// The class name an unknown object stands for ("TfrxChartView"); empty for any other component.
QString frxUnknownClassName(const TfrxComponent *component);

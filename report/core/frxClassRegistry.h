#pragma once
// Every report class by its class name, so a layout file can name the class of each element and
// the designer can create objects by kind.

#include <QString>
#include <QStringList>

class QMetaObject;
class TComponent;
class TfrxComponent;

// The meta-object of a registered class; nullptr for an unknown name (names compare exactly).
const QMetaObject *frxFindClass(const QString &className);
// Every registered class name.
QStringList frxRegisteredClasses();
// A new object of the class with the given owner (see TfrxComponent's constructor); nullptr for
// an unknown name.
TfrxComponent *frxCreateComponent(const QString &className, TComponent *owner);
// The same, then the designer's creation step with the object's creation code.
TfrxComponent *frxDesignCreateComponent(const QString &className, TComponent *owner, int flags);

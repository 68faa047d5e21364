#pragma once
// Host objects seen from scripts: published properties are Qt properties, reached through the
// meta-object system with names compared ignoring case. A component is a QObject; the nested
// objects a component publishes (font, frame) may be gadgets reached through a pointer property;
// a string list property behaves like a TStrings object (Text, Count, Add, ...). Gadgets and
// string lists travel through variants as small proxy objects owned by the running script.

#include "script/fs_itypes.h"

#include <QMetaObject>
#include <QMetaProperty>
#include <QObject>
#include <QStringList>

class TfsScript;

// Stands for a gadget (a nested object without QObject) inside a variant.
class TfsGadgetProxy : public QObject {
    Q_OBJECT
public:
    TfsGadgetProxy(void *gadget, const QMetaObject *meta) : m_gadget(gadget), m_meta(meta) {}
    void *Gadget() const { return m_gadget; }
    const QMetaObject *GadgetMeta() const { return m_meta; }

private:
    void *m_gadget;
    const QMetaObject *m_meta;
};

// The object a designator step works on: a QObject or a gadget, with its meta-object.
struct TfsInstance {
    QObject *Object = nullptr; // the QObject, or the proxy of a gadget
    void *Gadget = nullptr;
    const QMetaObject *Meta = nullptr;
    bool IsNull() const { return Meta == nullptr; }
    // The instance a value holds (a QObject, or the gadget behind a proxy); null for nil.
    static TfsInstance From(const Variant &value);
};

// A string list property (QStringList) of an object, read and written through the property.
class TfsStringsProxy : public QObject {
    Q_OBJECT
public:
    TfsStringsProxy(const TfsInstance &owner, int propertyIndex) : m_owner(owner), m_index(propertyIndex) {}
    QStringList Read() const;
    void Write(const QStringList &lines) const;
    const QMetaObject *OwnerMeta() const { return m_owner.Meta; }

private:
    TfsInstance m_owner;
    int m_index;
};

namespace fsMeta {
// Index of the property of that name (ignoring case), -1 when the class has none. Each meta-object's
// folded index is built once.
int PropertyIndex(const QMetaObject *meta, const QString &name);
// The static type of a property.
TfsTypeRec PropertyType(const QMetaProperty &property);
// The meta-object of the class a pointer property refers to, nullptr for other properties.
const QMetaObject *PropertyClass(const QMetaProperty &property);
// Reads a property into a variant (objects as objects, gadgets and string lists as proxies owned
// by the script, enumerations and sets as integers).
Variant Read(TfsScript *script, const TfsInstance &instance, int index);
// Writes a variant into a property with the conversions of script assignments: numbers round to
// integers, enumeration names and set constructors become their values, texts become string lists.
void Write(const TfsInstance &instance, int index, const Variant &value);
// Whether an object is of the named class or derives from it.
bool Inherits(const QMetaObject *meta, const QString &className);
// Registers the enumerations and sets that the meta-object's properties use as types and constants
// of the script (once per name).
void RegisterEnums(TfsScript *script, const QMetaObject *meta);
// Registers the TStrings class that string list properties are seen through.
void RegisterStringsClass(TfsScript *script);
} // namespace fsMeta

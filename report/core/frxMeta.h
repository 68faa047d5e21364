#pragma once
// Published-property metadata of the report classes: the one description that the layout writer
// and reader, the prepared pages, the inspector, undo and the clipboard all read.
//
// The properties themselves are Q_PROPERTY declarations, in the order files list them (inherited
// first, each class's own in declaration order). What the meta-object system cannot say is added
// with class-info entries beside them:
//   Q_CLASSINFO("Default.X", "value")  the declared default of X: an integer, True/False, a value
//                                      name ("haLeft") or a set mask. Only ordinal kinds declare
//                                      one; strings default to empty and references to none, floats,
//                                      string lists, variants and pictures have none.
//   Q_CLASSINFO("Stored.X", "Method")  X is stored only when the Q_INVOKABLE bool Method() says so
//                                      (a constant rule is STORED false on the property itself).
//   Q_CLASSINFO("Type.X", "TColor")    the type name X is registered under when the C++ type does
//                                      not say it (colours, cursors, script event names, dates).
// Everything here is computed once per class and cached; name lookups ignore case.

#include "report/model/frxPicture.h"
#include "script/variant/Variant.h"

#include <QList>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QString>
#include <QStringList>
#include <QVariant>

class TComponent;
class TPersistent;

enum class TfrxPropKind {
    Integer,     // int, colours, cursors, character sets
    Int64,       // 64-bit integer
    Boolean,     // False/True, an enumeration of two names
    Enumeration, // a value name of an enumeration type
    Set,         // a bit mask over an enumeration's members
    Float,       // Extended values and date-times
    String,
    Strings, // a list of lines
    Variant,
    Picture,
    Component, // a reference to another component (DataSet, FlowTo, Child)
    Class      // a nested object whose properties follow with a "Name." prefix (Font, Frame)
};

// What a property walk works on: a component (QObject) or a nested persistent object (gadget).
class TfrxPropTarget {
public:
    TfrxPropTarget() = default;
    TfrxPropTarget(const TComponent *component);
    TfrxPropTarget(const TPersistent *persistent);

    bool IsNull() const { return m_meta == nullptr; }
    const QMetaObject *Meta() const { return m_meta; }
    QObject *Object() const { return m_object; }
    TPersistent *Persistent() const { return m_gadget; }
    TComponent *Component() const;
    bool operator==(const TfrxPropTarget &other) const
    {
        return m_object == other.m_object && m_gadget == other.m_gadget;
    }

private:
    QObject *m_object = nullptr;
    TPersistent *m_gadget = nullptr;
    const QMetaObject *m_meta = nullptr;
};

class TfrxPropInfo {
public:
    const QString &Name() const { return m_name; }
    TfrxPropKind Kind() const { return m_kind; }
    // "Integer", "Boolean", "Extended", "String", "TStrings", "TColor", "TfrxAlign", "TFont", ...
    const QString &TypeName() const { return m_typeName; }
    bool IsWritable() const { return m_writable; }
    // Position in its class's list.
    int Index() const { return m_index; }

    // The declared default; a property without one is always written.
    bool HasDefault() const { return m_hasDefault; }
    // Integer, Enumeration and Set: int; Int64: qlonglong; Boolean: bool; String: QString;
    // Component: a null QObject*. Invalid without a default.
    QVariant Default() const;
    qint64 DefaultOrdinal() const { return m_defaultOrdinal; }

    // Component and Class kinds: the declared class.
    const QMetaObject *ClassType() const { return m_classType; }
    // Enumeration and Set kinds: the enumeration (of the set's members for a set).
    const QMetaEnum &EnumType() const { return m_enum; }
    // Value names of an Enumeration or Boolean (False, True), members of a Set, in value order.
    QStringList EnumNames() const;
    // Name of an Enumeration or Boolean value; empty when the value has none.
    QString EnumName(qint64 value) const;
    // Value of a name, ignoring case (Enumeration, Boolean, and a Set member's bit).
    bool EnumValue(QStringView name, qint64 &value) const;

    // The stored rule: constant (STORED false) or the object's own test.
    bool IsStored(const TfrxPropTarget &target) const
    {
        if (!m_storedConstant)
            return false;
        return !m_storedCall || CallStored(target);
    }
    // Whether the value equals the declared default (false without one).
    bool IsDefaultValue(const TfrxPropTarget &target) const;

    // The value in its canonical form: Integer, Enumeration, Set: int; Int64: qlonglong;
    // Boolean: bool; Float: double; String: QString; Strings: QStringList; Variant: Variant;
    // Picture: TPicture; Component: QObject*; Class: TPersistent*.
    QVariant Read(const TfrxPropTarget &target) const;
    // Writes a value in canonical form (or a value name for Enumeration/Boolean). Setter errors
    // pass to the caller.
    void Write(const TfrxPropTarget &target, const QVariant &value) const;

    // Typed access; each is valid only for its kinds.
    qint64 GetOrdinal(const TfrxPropTarget &target) const; // Integer, Int64, Boolean, Enumeration, Set
    void SetOrdinal(const TfrxPropTarget &target, qint64 value) const;
    double GetFloat(const TfrxPropTarget &target) const;
    void SetFloat(const TfrxPropTarget &target, double value) const;
    QString GetString(const TfrxPropTarget &target) const;
    void SetString(const TfrxPropTarget &target, const QString &value) const;
    QStringList GetStrings(const TfrxPropTarget &target) const;
    void SetStrings(const TfrxPropTarget &target, const QStringList &value) const;
    Variant GetVariant(const TfrxPropTarget &target) const;
    void SetVariant(const TfrxPropTarget &target, const Variant &value) const;
    TPicture GetPicture(const TfrxPropTarget &target) const;
    void SetPicture(const TfrxPropTarget &target, const TPicture &value) const;
    // Component kind. SetReference refuses (EPropertyError) an object of another class.
    QObject *GetReference(const TfrxPropTarget &target) const;
    void SetReference(const TfrxPropTarget &target, QObject *value) const;
    // Class kind: the nested object.
    TfrxPropTarget GetNested(const TfrxPropTarget &target) const;

    const QMetaProperty &MetaProperty() const { return m_prop; }

private:
    friend class TfrxClassInfo;
    // Straight to the class's own property code: storage is a value of the property's C++ type.
    void ReadInto(const TfrxPropTarget &target, void *storage) const;
    void WriteFrom(const TfrxPropTarget &target, void *storage) const;
    bool CallStored(const TfrxPropTarget &target) const;

    QMetaProperty m_prop;
    void (*m_metacall)(QObject *, QMetaObject::Call, int, void **) = nullptr;
    int m_relativeIndex = 0;
    QString m_name;
    QString m_typeName;
    TfrxPropKind m_kind = TfrxPropKind::Integer;
    int m_index = 0;
    bool m_hasDefault = false;
    qint64 m_defaultOrdinal = 0;
    const QMetaObject *m_classType = nullptr;
    QMetaEnum m_enum;
    // The object's own stored test, called straight through its class's static metacall (the
    // writers ask it for every property of every object they write).
    void (*m_storedCall)(QObject *, QMetaObject::Call, int, void **) = nullptr;
    int m_storedIndex = 0;
    bool m_storedConstant = true;
    bool m_writable = false;
    int m_ordinalSize = 4; // bytes of an Enumeration's or Set's storage
};

class TfrxClassInfo {
public:
    explicit TfrxClassInfo(const QMetaObject *meta);
    ~TfrxClassInfo();
    TfrxClassInfo(const TfrxClassInfo &) = delete;
    TfrxClassInfo &operator=(const TfrxClassInfo &) = delete;

    const QMetaObject *Meta() const { return m_meta; }
    QString ClassName() const { return QString::fromLatin1(m_meta->className()); }
    // The published properties in file order, inherited first.
    const QList<TfrxPropInfo> &Props() const { return m_props; }
    // A property by name, ignoring case; nullptr when the class has none of that name.
    const TfrxPropInfo *Find(QStringView name) const;

private:
    struct Index;
    const QMetaObject *m_meta;
    QList<TfrxPropInfo> m_props;
    Index *m_index;
};

// The cached description of a class (built on first use, safe from any thread).
const TfrxClassInfo &frxClassInfo(const QMetaObject *meta);
inline const TfrxClassInfo &frxClassInfo(const TfrxPropTarget &target)
{
    return frxClassInfo(target.Meta());
}

// A property of an object by name, ignoring case.
const TfrxPropInfo *frxFindProp(const TfrxPropTarget &target, QStringView name);
// Resolves a dotted name ("Frame.LeftLine.Width"): every part but the last must name a nested
// object. On success target is the object that holds the last part and prop is that property.
bool frxResolvePropPath(TfrxPropTarget &target, QStringView path, const TfrxPropInfo *&prop);
// Reads a value by (dotted) name; an invalid QVariant when there is no such property.
QVariant frxGetPropValue(const TfrxPropTarget &target, QStringView path);
// Writes a value by (dotted) name; false when there is no such writable property.
bool frxSetPropValue(const TfrxPropTarget &target, QStringView path, const QVariant &value);

// Copies every stored published property of source onto target (the same class or a descendant
// of source's class), nested objects property by property. Name is not copied.
void frxAssignProperties(const TfrxPropTarget &target, const TfrxPropTarget &source);

#pragma once
// The vocabulary every part of the script engine shares: value types, operator codes, the
// arguments a host routine receives, host callback types and the errors raised while a program
// is translated or runs.

#include "script/variant/Variant.h"
#include "script/fs_ierrors.h"

#include <QString>

#include <functional>

class QObject;
class TfsScript;

// Static types of values, as the translator checks them. Run-time values are always variants.
enum TfsVarType {
    fvtInt,
    fvtBool,
    fvtFloat,
    fvtChar,
    fvtString,
    fvtClass,
    fvtArray,
    fvtVariant,
    fvtEnum,
    fvtConstructor,
    fvtInt64
};

// A type and, for classes and enumerations, its name.
struct TfsTypeRec {
    TfsVarType Typ = fvtVariant;
    QString TypeName;
};

enum TfsOperatorType {
    opNone,
    opGreat,
    opLess,
    opLessEq,
    opGreatEq,
    opNonEq,
    opEq,
    opPlus,
    opMinus,
    opOr,
    opXor,
    opMul,
    opDivFloat,
    opDivInt,
    opMod,
    opAnd,
    opShl,
    opShr,
    opLeftBracket,
    opRightBracket,
    opNot,
    opUnMinus,
    opIn,
    opIs
};

// Whether a value of type b may meet a value of type a (the operand rule of expressions and the
// rule of assignments and arguments). Class names are resolved through the script.
bool TypesCompatible(const TfsTypeRec &a, const TfsTypeRec &b, const TfsScript *script);

// The engine type of a type name ("Integer" → fvtInt, "TDateTime" → fvtFloat); fvtClass for any
// name that is not a simple type, fvtVariant for an empty name.
TfsVarType StrToVarType(const QString &typeName);

// ---- host routines ---------------------------------------------------------------------------------

// The actual parameters of a call into the host. A routine may change the elements that stand for
// parameters declared "var": the script writes them back to the variables it passed.
class TfsParams {
public:
    TfsParams(Variant *values, int count, TfsScript *script)
        : m_values(values), m_count(count), m_script(script)
    {
    }
    int Count() const { return m_count; }
    Variant &operator[](int index) { return m_values[index]; }
    const Variant &operator[](int index) const { return m_values[index]; }
    // The script whose code made the call.
    TfsScript *Script() const { return m_script; }

private:
    Variant *m_values;
    int m_count;
    TfsScript *m_script;
};

// A host method or function: the object it is called on (nullptr for a plain function; for a
// nested gadget object the TfsGadgetProxy that stands for it) and the arguments.
using TfsCallMethod = std::function<Variant(QObject *instance, TfsParams &params)>;
// Reader and writer of a host property registered by name.
using TfsGetValue = std::function<Variant(QObject *instance)>;
using TfsSetValue = std::function<void(QObject *instance, const Variant &value)>;
// The writer of an event: receives the name of the script procedure that handles it.
using TfsSetEvent = std::function<void(QObject *instance, const QString &procedureName)>;

// ---- errors --------------------------------------------------------------------------------------

// A mistake found while a program is translated; Compile turns it into the script's error message
// with the position of the element being translated.
class EfsCompileError : public EfsScriptError {
public:
    explicit EfsCompileError(const QString &message, const QString &position = QString())
        : EfsScriptError(message), m_position(position)
    {
    }
    const QString &Position() const { return m_position; }

private:
    QString m_position;
};

// An error raised while a program runs, with the class name a script's try/except reports.
class EfsRuntimeError : public EfsScriptError {
public:
    EfsRuntimeError(const QString &className, const QString &message)
        : EfsScriptError(message), m_className(className)
    {
    }
    const QString &ClassName() const { return m_className; }

private:
    QString m_className;
};

// The class name that ExceptionClassName reports for an error caught by a script.
QString ExceptionClassNameOf(const std::exception &e);

namespace fsErrors {
inline QString IdentifierRedeclared(const QString &name)
{
    return QStringLiteral("Identifier redeclared: ") + name;
}
inline QString UnknownType(const QString &name)
{
    return QStringLiteral("Unknown type: ") + name;
}
inline QString IncompatibleTypes()
{
    return QStringLiteral("Incompatible types");
}
inline QString UndeclaredIdentifier(const QString &name)
{
    return QStringLiteral("Undeclared identifier: '") + name + QLatin1Char('\'');
}
inline QString ClassTypeRequired()
{
    return QStringLiteral("Class type required");
}
inline QString IndexRequired()
{
    return QStringLiteral("Index required");
}
inline QString StringsHaveNoMembers()
{
    return QStringLiteral("Strings do not have properties or methods");
}
inline QString NoDefaultProperty(const QString &className)
{
    return QStringLiteral("Class %1 does not have a default property").arg(className);
}
inline QString ArrayTypeRequired()
{
    return QStringLiteral("Array type required");
}
inline QString VariableRequired()
{
    return QStringLiteral("Variable required");
}
inline QString NotEnoughParameters()
{
    return QStringLiteral("Not enough actual parameters");
}
inline QString TooManyParameters()
{
    return QStringLiteral("Too many actual parameters");
}
inline QString LeftSideCannotBeAssigned()
{
    return QStringLiteral("Left side cannot be assigned to");
}
inline QString ForLoopVariable()
{
    return QStringLiteral("For loop variable must be numeric variable");
}
inline QString EventHandlerMustBeProcedure()
{
    return QStringLiteral("Event handler must be a procedure");
}

// Run-time texts of the engine itself.
inline QString NilObject(const QString &member)
{
    return QStringLiteral("Cannot reach '%1': the object is nil").arg(member);
}
inline QString StackOverflow()
{
    return QStringLiteral("Stack overflow");
}
inline QString NotAvailable(const QString &what)
{
    return QStringLiteral("%1 is not available on this platform").arg(what);
}
} // namespace fsErrors

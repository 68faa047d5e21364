// Named items, routines, host classes and the script object.

#include "script/fs_iinterpreter.h"

#include "script/fs_ideclaration.h"
#include "script/fs_iexpression.h"
#include "script/fs_iilparser.h"
#include "script/fs_imeta.h"
#include "script/fs_istatements.h"
#include "script/fs_itranslator.h"

#include <QDateTime>

#include <cstdlib>
#include <new>

// ---- shared rules ---------------------------------------------------------------------------------

TfsVarType StrToVarType(const QString &typeName)
{
    static const QHash<QString, TfsVarType> types = {
        {QStringLiteral("integer"), fvtInt},
        {QStringLiteral("byte"), fvtInt},
        {QStringLiteral("word"), fvtInt},
        {QStringLiteral("longint"), fvtInt},
        {QStringLiteral("cardinal"), fvtInt},
        {QStringLiteral("smallint"), fvtInt},
        {QStringLiteral("shortint"), fvtInt},
        {QStringLiteral("longword"), fvtInt},
        {QStringLiteral("dword"), fvtInt},
        {QStringLiteral("tcolor"), fvtInt},
        {QStringLiteral("talphacolor"), fvtInt},
        {QStringLiteral("int64"), fvtInt64},
        {QStringLiteral("uint64"), fvtInt64},
        {QStringLiteral("boolean"), fvtBool},
        {QStringLiteral("bool"), fvtBool},
        {QStringLiteral("real"), fvtFloat},
        {QStringLiteral("single"), fvtFloat},
        {QStringLiteral("double"), fvtFloat},
        {QStringLiteral("extended"), fvtFloat},
        {QStringLiteral("currency"), fvtFloat},
        {QStringLiteral("tdate"), fvtFloat},
        {QStringLiteral("ttime"), fvtFloat},
        {QStringLiteral("tdatetime"), fvtFloat},
        {QStringLiteral("char"), fvtChar},
        {QStringLiteral("widechar"), fvtChar},
        {QStringLiteral("string"), fvtString},
        {QStringLiteral("widestring"), fvtString},
        {QStringLiteral("ansistring"), fvtString},
        {QStringLiteral("variant"), fvtVariant},
        {QStringLiteral("olevariant"), fvtVariant},
        {QStringLiteral("pointer"), fvtVariant},
        {QStringLiteral("array"), fvtArray},
        {QStringLiteral("constructor"), fvtConstructor},
    };
    if (typeName.isEmpty())
        return fvtVariant;
    return types.value(typeName.toLower(), fvtClass);
}

static bool ClassesCompatible(const QString &a, const QString &b, const TfsScript *script)
{
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    if (!script)
        return true;
    TfsClassVariable *ca = script->FindClass(a);
    TfsClassVariable *cb = script->FindClass(b);
    if (!ca || !cb)
        return true; // a class the script does not know is checked when the code runs
    return ca->InheritsFrom(b) || cb->InheritsFrom(a);
}

bool TypesCompatible(const TfsTypeRec &a, const TfsTypeRec &b, const TfsScript *script)
{
    if (b.Typ == fvtVariant || a.Typ == fvtVariant || a.Typ == fvtConstructor || b.Typ == fvtConstructor)
        return true;
    switch (a.Typ) {
    case fvtInt:
    case fvtInt64:
        return b.Typ == fvtInt || b.Typ == fvtFloat || b.Typ == fvtEnum || b.Typ == fvtInt64;
    case fvtFloat:
        return b.Typ == fvtInt || b.Typ == fvtFloat || b.Typ == fvtInt64;
    case fvtBool:
        return b.Typ == fvtBool;
    case fvtChar:
    case fvtString:
        return b.Typ == fvtChar || b.Typ == fvtString;
    case fvtClass:
        return b.Typ == fvtClass && ClassesCompatible(a.TypeName, b.TypeName, script);
    case fvtArray:
        return b.Typ == fvtArray;
    case fvtEnum:
        return b.Typ == fvtInt || b.Typ == fvtInt64 ||
               (b.Typ == fvtEnum && a.TypeName.compare(b.TypeName, Qt::CaseInsensitive) == 0);
    default:
        return true;
    }
}

QString ExceptionClassNameOf(const std::exception &e)
{
    if (auto *variant = dynamic_cast<const EVariantError *>(&e))
        return variant->ClassName();
    if (auto *runtime = dynamic_cast<const EfsRuntimeError *>(&e))
        return runtime->ClassName();
    if (dynamic_cast<const EfsCompileError *>(&e))
        return QStringLiteral("EParserError");
    if (dynamic_cast<const std::bad_alloc *>(&e))
        return QStringLiteral("EOutOfMemory");
    return QStringLiteral("Exception");
}

// ---- items ---------------------------------------------------------------------------------------

TfsItemList::~TfsItemList() = default;

TfsCustomVariable::TfsCustomVariable(const QString &name, TfsVarType typ, const QString &typeName)
    : m_name(name), m_typ(typ), m_typeName(typeName)
{
}

void TfsCustomVariable::SetValue(const Variant &value)
{
    m_value = value;
}

Variant TfsCustomVariable::Read(TfsAccess &)
{
    return GetValue();
}

void TfsCustomVariable::Write(TfsAccess &, const Variant &value)
{
    SetValue(value);
}

TfsParamItem *TfsCustomVariable::Params(int index) const
{
    return static_cast<TfsParamItem *>(Items(index));
}

int TfsCustomVariable::RequiredParamCount() const
{
    int required = 0;
    for (int i = 0; i < ParamCount(); ++i)
        if (!Params(i)->HasDefault())
            required = i + 1;
    return required;
}

void TfsCustomVariable::AddParam(std::unique_ptr<TfsParamItem> param)
{
    Add(std::move(param));
}

Variant TfsVariable::InitialValue(TfsVarType typ)
{
    switch (typ) {
    case fvtInt:
    case fvtInt64:
    case fvtEnum:
        return Variant(0);
    case fvtFloat:
        return Variant(0.0);
    case fvtBool:
        return Variant(false);
    case fvtChar:
    case fvtString:
        return Variant(QString());
    case fvtClass:
        return Variant(static_cast<QObject *>(nullptr));
    default:
        return Variant::Null();
    }
}

Variant TfsVariable::Coerce(TfsVarType typ, const QString &typeName, const Variant &value)
{
    switch (typ) {
    case fvtInt:
    case fvtEnum:
        if (value.VarType() == varInteger)
            return value;
        if (value.IsOrdinal())
            return Variant(value.ToInt());
        return Variant(value.ToInt());
    case fvtInt64:
        if (value.IsOrdinal())
            return value;
        return Variant(static_cast<long long>(value.ToInt64()));
    case fvtFloat: {
        const bool isDateType = typeName.compare(QLatin1String("TDateTime"), Qt::CaseInsensitive) == 0 ||
                                typeName.compare(QLatin1String("TDate"), Qt::CaseInsensitive) == 0 ||
                                typeName.compare(QLatin1String("TTime"), Qt::CaseInsensitive) == 0;
        if (isDateType)
            return value.IsDate() ? value : Variant::FromDateTime(value.ToDateTime());
        if (value.VarType() == varDouble)
            return value;
        return Variant(value.ToDouble());
    }
    case fvtBool:
        return value.IsBool() ? value : Variant(value.ToBool());
    case fvtChar:
    case fvtString:
        return value.IsString() ? value : Variant(value.ToString());
    default:
        return value;
    }
}

void TfsVariable::SetValue(const Variant &value)
{
    if (m_typ == fvtVariant || m_typ == fvtClass || m_typ == fvtArray || m_typ == fvtConstructor)
        m_value = value;
    else
        m_value = Coerce(m_typ, m_typeName, value);
}

void TfsStringVariable::SetValue(const Variant &value)
{
    m_value = value.IsString() ? value : Variant(value.ToString());
}

TfsHostValueVariable::TfsHostValueVariable(const QString &name, TfsScript *script)
    : TfsCustomVariable(name, fvtVariant, QStringLiteral("Variant")), m_script(script)
{
}

Variant TfsHostValueVariable::GetValue()
{
    for (TfsScript *s = m_script; s; s = s->Parent())
        if (s->OnGetVarValue)
            return s->OnGetVarValue(m_name);
    return m_value;
}

void TfsHostValueVariable::SetValue(const Variant &value)
{
    m_value = value;
}

// ---- script routines ----------------------------------------------------------------------------

TfsProcVariable::TfsProcVariable(const QString &name, TfsVarType typ, const QString &typeName,
                                 TfsScript *parent, bool isFunc)
    : TfsCustomVariable(name, typ, typeName), m_program(std::make_unique<TfsScript>())
{
    m_isFunc = isFunc;
    m_program->SetParent(parent);
    m_program->SetMainProg(false);
    m_program->SetSyntaxType(parent ? parent->SyntaxType() : QStringLiteral("PascalScript"));
}

TfsProcVariable::~TfsProcVariable() = default;

void TfsProcVariable::BindLocals()
{
    m_paramVars.clear();
    for (int i = 0; i < ParamCount(); ++i)
        m_paramVars.push_back(m_program->FindLocal(Params(i)->Name()));
    m_result = m_isFunc ? m_program->FindLocal(QStringLiteral("Result")) : nullptr;
}

namespace {

// Puts back what a call changed in its routine, also when the call ends with an error.
struct CallFrame {
    TfsScript *body;
    TfsScript *root;
    TfsScript *main;
    TfsScript *previousRunning;
    int *depth;
    bool flags[3];
    std::vector<Variant> savedLocals; // the locals of an outer call of the same routine

    ~CallFrame()
    {
        if (!savedLocals.empty()) {
            size_t k = 0;
            for (int i = 0; i < body->ItemCount(); ++i)
                if (Variant *storage = body->Item(i)->ValueRef())
                    *storage = std::move(savedLocals[k++]);
        }
        body->m_exitCalled = flags[0];
        body->m_breakCalled = flags[1];
        body->m_continueCalled = flags[2];
        main->m_progRunning = previousRunning;
        --root->m_callDepth;
        --*depth;
    }
};

} // namespace

Variant TfsProcVariable::Call(Variant *args, int count)
{
    TfsScript *body = m_program.get();
    TfsScript *root = body->Root();
    const char marker = 0;
    if (root->m_callDepth == 0)
        root->m_stackBase = &marker;
    const qptrdiff used = root->m_stackBase ? std::abs(root->m_stackBase - &marker) : 0;
    if (root->m_callDepth >= TfsScript::MaxCallDepth || used > TfsScript::MaxStackBytes)
        throw EfsRuntimeError(QStringLiteral("EStackOverflow"), fsErrors::StackOverflow());
    if (!m_declared || !body->Statement())
        throw EfsRuntimeError(QStringLiteral("EScriptError"),
                              QStringLiteral("Routine %1 has no body").arg(m_name));

    CallFrame frame{body, root, body->MainProgram(), nullptr, &m_depth, {}, {}};
    frame.previousRunning = frame.main->m_progRunning;
    frame.flags[0] = body->m_exitCalled;
    frame.flags[1] = body->m_breakCalled;
    frame.flags[2] = body->m_continueCalled;
    if (m_depth > 0) {
        for (int i = 0; i < body->ItemCount(); ++i)
            if (Variant *storage = body->Item(i)->ValueRef())
                frame.savedLocals.push_back(*storage);
    }
    ++m_depth;
    ++root->m_callDepth;
    frame.main->m_progRunning = body;
    body->m_exitCalled = body->m_breakCalled = body->m_continueCalled = false;
    body->m_terminated = root->m_terminated;

    const int paramCount = ParamCount();
    for (int i = 0; i < paramCount; ++i) {
        TfsCustomVariable *local = m_paramVars[size_t(i)];
        if (i < count)
            local->SetValue(args[i]);
        else
            local->SetValue(Params(i)->DefValue());
    }
    if (m_result) {
        if (Variant *storage = m_result->ValueRef())
            *storage = TfsVariable::InitialValue(m_result->Typ());
    }
    body->Statement()->Execute();
    Variant result = m_result ? m_result->GetValue() : Variant();
    for (int i = 0; i < std::min(count, paramCount); ++i)
        if (Params(i)->IsVarParam())
            args[i] = m_paramVars[size_t(i)]->GetValue();
    return result;
}

// ---- host routines and members ------------------------------------------------------------------

TfsMethodHelper::TfsMethodHelper(const QString &syntax, TfsCallMethod call)
    : TfsCustomVariable(QString(), fvtVariant), m_syntax(syntax), m_call(std::move(call))
{
}

Variant TfsMethodHelper::Read(TfsAccess &access)
{
    if (m_needsInstance && !access.Instance)
        throw EfsRuntimeError(QStringLiteral("EAccessViolation"), fsErrors::NilObject(access.Member));
    TfsParams params(access.Args, access.ArgCount, access.Script);
    return m_call(access.Instance, params);
}

Variant TfsMethodHelper::GetValue()
{
    std::vector<Variant> values;
    for (int i = 0; i < ParamCount(); ++i)
        values.push_back(Params(i)->DefValue());
    TfsParams params(values.data(), int(values.size()), nullptr);
    return m_call(nullptr, params);
}

TfsPropertyHelper::TfsPropertyHelper(const QString &name, TfsVarType typ, const QString &typeName,
                                     TfsGetValue get, TfsSetValue set)
    : TfsCustomVariable(name, typ, typeName), m_get(std::move(get)), m_set(std::move(set))
{
}

TfsPropertyHelper::TfsPropertyHelper(const QString &name, TfsVarType typ, const QString &typeName,
                                     TfsCallMethod get, TfsCallMethod set)
    : TfsCustomVariable(name, typ, typeName), m_getIndexed(std::move(get)), m_setIndexed(std::move(set))
{
}

bool TfsPropertyHelper::IsWritable() const
{
    return IsIndexed() ? bool(m_setIndexed) : bool(m_set);
}

Variant TfsPropertyHelper::Read(TfsAccess &access)
{
    if (IsIndexed()) {
        if (access.ArgCount == 0)
            throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::IndexRequired());
        TfsParams params(access.Args, access.ArgCount, access.Script);
        return m_getIndexed(access.Instance, params);
    }
    return m_get ? m_get(access.Instance) : Variant();
}

void TfsPropertyHelper::Write(TfsAccess &access, const Variant &value)
{
    if (!IsWritable())
        throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::LeftSideCannotBeAssigned());
    if (IsIndexed()) {
        std::vector<Variant> values(access.Args, access.Args + access.ArgCount);
        values.push_back(value);
        TfsParams params(values.data(), int(values.size()), access.Script);
        m_setIndexed(access.Instance, params);
        return;
    }
    m_set(access.Instance, value);
}

TfsEventHelper::TfsEventHelper(const QString &name, TfsSetEvent set)
    : TfsCustomVariable(name, fvtVariant, QStringLiteral("TfsEvent")), m_set(std::move(set))
{
}

void TfsEventHelper::Write(TfsAccess &access, const Variant &value)
{
    m_set(access.Instance, value.ToString());
}

Variant TfsEventHelper::Read(TfsAccess &)
{
    return Variant::Null();
}

TfsComponentHelper::TfsComponentHelper(const QString &name, const QString &className)
    : TfsCustomVariable(name, fvtClass, className)
{
}

Variant TfsComponentHelper::Read(TfsAccess &access)
{
    TfsInstance instance = RequireInstance(access);
    return Variant(instance.Object->findChild<QObject *>(m_name));
}

// ---- host classes ---------------------------------------------------------------------------------

TfsClassVariable::TfsClassVariable(const QString &name, const QMetaObject *meta, const QString &ancestor,
                                   TfsScript *script)
    : TfsCustomVariable(name, fvtClass, name), m_meta(meta), m_ancestor(ancestor), m_script(script)
{
}

TfsClassVariable::~TfsClassVariable() = default;

TfsClassVariable *TfsClassVariable::Ancestor() const
{
    if (!m_ancestor.isEmpty() && m_ancestor.compare(m_name, Qt::CaseInsensitive) != 0) {
        if (TfsClassVariable *found = m_script->FindClass(m_ancestor))
            return found != this ? found : nullptr;
    }
    if (m_meta && m_meta->superClass())
        return m_script->ClassOf(m_meta->superClass());
    return nullptr;
}

bool TfsClassVariable::InheritsFrom(const QString &className) const
{
    if (className.compare(QLatin1String("TObject"), Qt::CaseInsensitive) == 0)
        return true;
    int guard = 0;
    for (const TfsClassVariable *c = this; c && guard < 64; c = c->Ancestor(), ++guard)
        if (c->Name().compare(className, Qt::CaseInsensitive) == 0)
            return true;
    return m_meta && fsMeta::Inherits(m_meta, className);
}

void TfsClassVariable::AddMember(std::unique_ptr<TfsCustomVariable> member)
{
    const QString key = member->Name().toLower();
    TfsCustomVariable *raw = member.get();
    m_members.push_back(std::move(member));
    m_memberIndex.insert(key, raw);
}

TfsMethodHelper *TfsClassVariable::AddMethod(const QString &syntax, TfsCallMethod call)
{
    auto helper = std::make_unique<TfsMethodHelper>(syntax, std::move(call));
    fsDeclaration::Apply(m_script, syntax, helper.get());
    helper->SetNeedsInstance(true);
    TfsMethodHelper *raw = helper.get();
    AddMember(std::move(helper));
    return raw;
}

TfsMethodHelper *TfsClassVariable::AddConstructor(const QString &syntax, TfsCallMethod call)
{
    TfsMethodHelper *helper = AddMethod(syntax, std::move(call));
    helper->SetIsConstructor(true);
    helper->SetNeedsInstance(false);
    helper->SetType(fvtClass, m_name);
    helper->SetIsFunc(true);
    m_constructor = helper;
    return helper;
}

TfsPropertyHelper *TfsClassVariable::AddProperty(const QString &name, const QString &typeName,
                                                 TfsGetValue get, TfsSetValue set)
{
    TfsTypeRec type = fsDeclaration::ResolveType(m_script, typeName);
    auto helper =
        std::make_unique<TfsPropertyHelper>(name, type.Typ, type.TypeName, std::move(get), std::move(set));
    TfsPropertyHelper *raw = helper.get();
    AddMember(std::move(helper));
    return raw;
}

TfsPropertyHelper *TfsClassVariable::AddIndexProperty(const QString &name, const QString &indexTypes,
                                                      const QString &typeName, TfsCallMethod get,
                                                      TfsCallMethod set)
{
    TfsTypeRec type = fsDeclaration::ResolveType(m_script, typeName);
    auto helper =
        std::make_unique<TfsPropertyHelper>(name, type.Typ, type.TypeName, std::move(get), std::move(set));
    int i = 0;
    for (const QString &part : indexTypes.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        TfsTypeRec indexType = fsDeclaration::ResolveType(m_script, part.trimmed());
        helper->AddParam(std::make_unique<TfsParamItem>(QStringLiteral("Index%1").arg(i++), indexType.Typ,
                                                        indexType.TypeName, false));
    }
    if (helper->ParamCount() == 0)
        helper->AddParam(
            std::make_unique<TfsParamItem>(QStringLiteral("Index0"), fvtVariant, QString(), false));
    TfsPropertyHelper *raw = helper.get();
    AddMember(std::move(helper));
    return raw;
}

TfsPropertyHelper *TfsClassVariable::AddDefaultProperty(const QString &name, const QString &indexTypes,
                                                        const QString &typeName, TfsCallMethod get,
                                                        TfsCallMethod set)
{
    m_defaultProperty = AddIndexProperty(name, indexTypes, typeName, std::move(get), std::move(set));
    return m_defaultProperty;
}

TfsEventHelper *TfsClassVariable::AddEvent(const QString &name, TfsSetEvent set)
{
    auto helper = std::make_unique<TfsEventHelper>(name, std::move(set));
    TfsEventHelper *raw = helper.get();
    AddMember(std::move(helper));
    return raw;
}

void TfsClassVariable::AddComponent(const QObject *component)
{
    const QString name = component->objectName();
    if (name.isEmpty() || m_memberIndex.contains(name.toLower()))
        return;
    m_script->ClassOf(component->metaObject());
    AddMember(std::make_unique<TfsComponentHelper>(
        name, QString::fromLatin1(component->metaObject()->className())));
}

TfsCustomVariable *TfsClassVariable::FindMember(const QString &name)
{
    const QString key = name.toLower();
    int guard = 0;
    for (TfsClassVariable *c = this; c && guard < 64; c = c->Ancestor(), ++guard)
        if (TfsCustomVariable *member = c->m_memberIndex.value(key))
            return member;
    // A published property: a helper made once and kept with the class.
    for (TfsClassVariable *c = this; c && guard < 128; c = c->Ancestor(), ++guard) {
        if (!c->m_meta)
            continue;
        int index = fsMeta::PropertyIndex(c->m_meta, name);
        if (index < 0)
            continue;
        QMetaProperty property = c->m_meta->property(index);
        TfsTypeRec type = fsMeta::PropertyType(property);
        if (type.Typ == fvtClass) {
            if (const QMetaObject *meta = fsMeta::PropertyClass(property))
                m_script->ClassOf(meta);
        } else if (type.Typ == fvtEnum) {
            fsMeta::RegisterEnums(TfsScript::GlobalUnit(), c->m_meta);
        }
        auto helper = std::make_unique<TfsQtPropertyHelper>(QString::fromLatin1(property.name()), type,
                                                            property.isWritable());
        TfsCustomVariable *raw = helper.get();
        AddMember(std::move(helper));
        return raw;
    }
    return nullptr;
}

TfsPropertyHelper *TfsClassVariable::DefaultProperty() const
{
    int guard = 0;
    for (const TfsClassVariable *c = this; c && guard < 64; c = c->Ancestor(), ++guard)
        if (c->m_defaultProperty)
            return c->m_defaultProperty;
    return nullptr;
}

TfsMethodHelper *TfsClassVariable::Constructor() const
{
    int guard = 0;
    for (const TfsClassVariable *c = this; c && guard < 64; c = c->Ancestor(), ++guard)
        if (c->m_constructor)
            return c->m_constructor;
    return nullptr;
}

// TfsScript: compiling, running, evaluating, calling and host registration.

#include "script/fs_iinterpreter.h"

#include "script/fs_ideclaration.h"
#include "script/fs_iexpression.h"
#include "script/fs_iilparser.h"
#include "script/fs_imeta.h"
#include "script/fs_istatements.h"
#include "script/fs_itranslator.h"

#include <QStringList>

namespace {

// The tag of items that compiled code declared: ClearItems removes them with the host's items,
// since they may refer to those.
const QObject *CompiledTag()
{
    static QObject tag;
    return &tag;
}

} // namespace

TfsScript::TfsScript(QObject *owner) : QObject(owner), m_parent(GlobalUnit()) {}

TfsScript::TfsScript(GlobalTag) : QObject(nullptr)
{
    m_mainProg = false;
}

TfsScript::~TfsScript()
{
    // Items refer to the proxies only through values; free the items first.
    m_statement.reset();
    m_items.clear();
    m_index.clear();
    for (const QPointer<QObject> &object : m_created)
        delete object.data();
}

TfsScript *TfsScript::Root()
{
    TfsScript *global = GlobalUnit();
    TfsScript *s = this;
    while (s->Parent() && s->Parent() != global)
        s = s->Parent();
    return s;
}

TfsScript *TfsScript::GlobalUnit()
{
    static TfsScript *unit = [] {
        auto *script = new TfsScript(GlobalTag{});
        script->AddRTTI();
        return script;
    }();
    return unit;
}

void TfsScript::SetText(const QString &text)
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_lines = normalised.split(QLatin1Char('\n'));
}

QString TfsScript::Text() const
{
    return m_lines.join(QLatin1String("\r\n"));
}

// ---- names ------------------------------------------------------------------------------------------

TfsCustomVariable *TfsScript::FindLocal(const QString &name) const
{
    return m_index.value(name.toLower());
}

TfsCustomVariable *TfsScript::Find(const QString &name) const
{
    const QString key = name.toLower();
    for (const TfsScript *s = this; s; s = s->m_parent)
        if (TfsCustomVariable *item = s->m_index.value(key))
            return item;
    return nullptr;
}

TfsClassVariable *TfsScript::FindClass(const QString &name) const
{
    const QString key = name.toLower();
    for (const TfsScript *s = this; s; s = s->m_parent)
        if (auto *cls = dynamic_cast<TfsClassVariable *>(s->m_index.value(key)))
            return cls;
    return nullptr;
}

TfsClassVariable *TfsScript::ClassOf(const QMetaObject *meta) const
{
    if (!meta)
        return nullptr;
    const QString name = QString::fromLatin1(meta->className());
    if (TfsClassVariable *cls = FindClass(name))
        return cls;
    return GlobalUnit()->AddClass(meta);
}

Variant TfsScript::GetVariables(const QString &name) const
{
    TfsCustomVariable *item = Find(name);
    return item ? item->GetValue() : Variant::Null();
}

void TfsScript::SetVariables(const QString &name, const Variant &value)
{
    if (TfsCustomVariable *item = Find(name))
        item->SetValue(value);
    else
        AddVariable(name, QStringLiteral("Variant"), value);
}

TfsCustomVariable *TfsScript::AddItem(std::unique_ptr<TfsCustomVariable> item)
{
    const QString key = item->Name().toLower();
    if (TfsCustomVariable *existing = m_index.value(key))
        Remove(existing);
    TfsCustomVariable *raw = item.get();
    if (!raw->AddedBy())
        raw->SetAddedBy(m_addedBy);
    m_items.push_back(std::move(item));
    m_index.insert(key, raw);
    return raw;
}

void TfsScript::Remove(TfsCustomVariable *item)
{
    for (auto it = m_items.begin(); it != m_items.end(); ++it) {
        if (it->get() == item) {
            const QString key = item->Name().toLower();
            if (m_index.value(key) == item)
                m_index.remove(key);
            m_items.erase(it);
            return;
        }
    }
}

void TfsScript::ClearItems(const QObject *owner)
{
    m_statement.reset();
    if (!owner) {
        m_items.clear();
        m_index.clear();
        return;
    }
    std::vector<std::unique_ptr<TfsCustomVariable>> kept;
    m_index.clear();
    for (auto &item : m_items) {
        if (item->AddedBy() == owner || item->AddedBy() == CompiledTag())
            continue;
        m_index.insert(item->Name().toLower(), item.get());
        kept.push_back(std::move(item));
    }
    m_items.swap(kept);
}

void TfsScript::Clear()
{
    ClearItems(nullptr);
    m_lines.clear();
    m_errorMsg.clear();
    m_errorPos.clear();
    m_errorUnit.clear();
    m_ilCode.clear();
    m_executableLines.clear();
    for (const QPointer<QObject> &object : m_created)
        delete object.data();
    m_created.clear();
    m_gadgetProxies.clear();
    m_stringsProxies.clear();
    m_proxies.clear();
}

// ---- registration -----------------------------------------------------------------------------------

TfsTypeVariable *TfsScript::AddType(const QString &name, TfsVarType typ)
{
    auto type = std::make_unique<TfsTypeVariable>(name, typ, name);
    auto *raw = type.get();
    AddItem(std::move(type));
    return raw;
}

TfsClassVariable *TfsScript::AddClass(const QMetaObject *meta, const QString &ancestor)
{
    const QString name = QString::fromLatin1(meta->className());
    if (auto *existing = dynamic_cast<TfsClassVariable *>(FindLocal(name));
        existing && existing->Meta() == meta)
        return existing;
    QString ancestorName = ancestor;
    if (ancestorName.isEmpty()) {
        if (const QMetaObject *super = meta->superClass()) {
            ClassOf(super);
            ancestorName = QString::fromLatin1(super->className());
        } else {
            ancestorName = QStringLiteral("TObject");
        }
    }
    auto cls = std::make_unique<TfsClassVariable>(name, meta, ancestorName, this);
    auto *raw = cls.get();
    AddItem(std::move(cls));
    fsMeta::RegisterEnums(this, meta);
    return raw;
}

TfsClassVariable *TfsScript::AddClass(const QString &name, const QString &ancestor)
{
    if (auto *existing = dynamic_cast<TfsClassVariable *>(FindLocal(name)))
        return existing;
    auto cls = std::make_unique<TfsClassVariable>(name, nullptr, ancestor, this);
    auto *raw = cls.get();
    AddItem(std::move(cls));
    return raw;
}

TfsCustomVariable *TfsScript::AddConst(const QString &name, const QString &typeName, const Variant &value)
{
    TfsTypeRec type = fsDeclaration::ResolveType(this, typeName);
    Variant stored = (type.Typ == fvtVariant || type.Typ == fvtClass)
                         ? value
                         : TfsVariable::Coerce(type.Typ, type.TypeName, value);
    return AddItem(std::make_unique<TfsConstant>(name, type.Typ, type.TypeName, stored));
}

static QStringList EnumNames(const QString &names)
{
    QStringList result;
    for (const QString &part : names.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty())
            result << part.trimmed();
    return result;
}

void TfsScript::AddEnum(const QString &typeName, const QString &names)
{
    AddType(typeName, fvtEnum);
    int value = 0;
    for (const QString &name : EnumNames(names))
        AddItem(std::make_unique<TfsConstant>(name, fvtEnum, typeName, Variant(value++)));
}

void TfsScript::AddEnumSet(const QString &typeName, const QString &names)
{
    AddType(typeName, fvtInt);
    int bit = 0;
    for (const QString &name : EnumNames(names))
        AddItem(std::make_unique<TfsConstant>(name, fvtInt, QStringLiteral("Integer"), Variant(1 << bit++)));
}

TfsVariable *TfsScript::AddVariable(const QString &name, const QString &typeName, const Variant &value)
{
    TfsTypeRec type = fsDeclaration::ResolveType(this, typeName);
    std::unique_ptr<TfsVariable> variable;
    if (type.Typ == fvtString)
        variable = std::make_unique<TfsStringVariable>(name);
    else
        variable = std::make_unique<TfsVariable>(name, type.Typ, type.TypeName);
    if (value.IsEmpty() && type.Typ != fvtVariant)
        variable->SetValue(TfsVariable::InitialValue(type.Typ));
    else
        variable->SetValue(value);
    auto *raw = variable.get();
    AddItem(std::move(variable));
    return raw;
}

TfsCustomVariable *TfsScript::AddObject(const QString &name, QObject *object)
{
    if (!object)
        return AddItem(std::make_unique<TfsConstant>(name, fvtVariant, QStringLiteral("Variant"),
                                                     Variant(static_cast<QObject *>(nullptr))));
    ClassOf(object->metaObject());
    class ObjectItem : public TfsCustomVariable {
    public:
        ObjectItem(const QString &name, QObject *object)
            : TfsCustomVariable(name, fvtClass, QString::fromLatin1(object->metaObject()->className())),
              m_object(object)
        {
            m_isReadOnly = true;
        }
        Variant GetValue() override { return Variant(m_object.data()); }
        void SetValue(const Variant &value) override { m_object = value.ToObject(); }

    private:
        QPointer<QObject> m_object;
    };
    return AddItem(std::make_unique<ObjectItem>(name, object));
}

void TfsScript::AddComponent(QObject *component)
{
    TfsClassVariable *cls = FindClass(QString::fromLatin1(component->metaObject()->className()));
    if (!cls)
        cls = AddClass(component->metaObject());
    for (QObject *child : component->findChildren<QObject *>())
        cls->AddComponent(child);
    AddObject(component->objectName(), component);
}

void TfsScript::AddForm(QObject *form)
{
    AddComponent(form);
    for (QObject *child : form->findChildren<QObject *>())
        if (!child->objectName().isEmpty())
            AddObject(child->objectName(), child);
}

TfsMethodHelper *TfsScript::AddMethod(const QString &syntax, TfsCallMethod call, const QString &category,
                                      const QString &description)
{
    auto helper = std::make_unique<TfsMethodHelper>(syntax, std::move(call));
    fsDeclaration::Apply(this, syntax, helper.get());
    helper->SetCategory(category, description);
    auto *raw = helper.get();
    AddItem(std::move(helper));
    return raw;
}

// ---- compiling ----------------------------------------------------------------------------------------

bool TfsScript::Compile()
{
    if (m_isRunning) {
        // The statements that run now would be freed under them.
        m_errorMsg = QStringLiteral("A running script cannot be compiled");
        return false;
    }
    m_errorMsg.clear();
    m_errorPos.clear();
    m_errorUnit.clear();
    m_executableLines.clear();
    m_exitCalled = m_breakCalled = m_continueCalled = m_terminated = false;

    TfsILParser parser;
    parser.SetIncludePaths(m_includePaths);
    if (OnGetUnit)
        parser.SetOnGetUnit(OnGetUnit);
    bool parsed = false;
    try {
        parser.SelectLanguage(m_syntaxType);
        parsed = parser.MakeILScript(Text());
    } catch (const std::exception &e) {
        m_errorMsg = ExceptionText(e);
        m_statement = std::make_unique<TfsStatement>(this, QString(), QString());
        return false;
    }
    if (!parsed) {
        m_errorMsg = parser.ErrorMsg();
        m_errorPos = parser.ErrorPos();
        m_errorUnit = parser.ErrorUnit();
        m_statement = std::make_unique<TfsStatement>(this, QString(), QString());
        return false;
    }
    m_ilCode.clear();
    bool ok = Translate(parser.ILScript().Root(), parser.DeclareVars(),
                        parser.Language().compare(QLatin1String("PascalScript"), Qt::CaseInsensitive) == 0);
    if (ok)
        m_ilCode = parser.ILText();
    return ok;
}

bool TfsScript::SetILCode(const QString &ilCode)
{
    m_errorMsg.clear();
    m_errorPos.clear();
    m_errorUnit.clear();
    m_executableLines.clear();
    m_exitCalled = m_breakCalled = m_continueCalled = m_terminated = false;
    TfsXMLDocument document;
    bool declareVars = true;
    try {
        document.LoadFromString(ilCode);
        if (!document.Root())
            throw EfsScriptError(QStringLiteral("Invalid intermediate code"));
        TfsILParser language;
        language.SelectLanguage(m_syntaxType);
        declareVars = language.DeclareVars();
    } catch (const std::exception &e) {
        m_errorMsg = ExceptionText(e);
        return false;
    }
    bool ok = Translate(document.Root(), declareVars,
                        m_syntaxType.compare(QLatin1String("PascalScript"), Qt::CaseInsensitive) == 0);
    if (ok)
        m_ilCode = ilCode;
    return ok;
}

bool TfsScript::Translate(const TfsXMLItem *root, bool declareVars, bool pascal)
{
    // What this compilation declares is removed again when it fails, so that a failed text leaves
    // nothing half-declared behind.
    const size_t itemsBefore = m_items.size();
    const QObject *savedAddedBy = m_addedBy;
    m_addedBy = CompiledTag();
    TfsTranslator translator(this, declareVars, pascal);
    try {
        translator.Translate(root);
    } catch (const EfsCompileError &e) {
        m_errorMsg = e.Message();
        m_errorPos = e.Position().isEmpty() ? translator.ErrorPos() : e.Position();
        m_errorUnit = translator.ErrorUnit();
    } catch (const std::exception &e) {
        m_errorMsg = ExceptionText(e);
        m_errorPos = translator.ErrorPos();
        m_errorUnit = translator.ErrorUnit();
    }
    m_addedBy = savedAddedBy;
    if (m_errorMsg.isEmpty()) {
        m_errorPos.clear();
        return true;
    }
    while (m_items.size() > itemsBefore)
        Remove(m_items.back().get());
    m_statement = std::make_unique<TfsStatement>(this, QString(), QString());
    return false;
}

bool TfsScript::HasMainStatements() const
{
    return m_statement && m_statement->Count() > 0;
}

void TfsScript::NoteStatementLine(const QString &unitName, int line)
{
    QList<int> &lines = m_executableLines[unitName];
    if (lines.isEmpty() || lines.last() != line)
        lines.append(line);
}

bool TfsScript::IsExecutableLine(int line, const QString &unit) const
{
    return m_executableLines.value(unit).contains(line);
}

// ---- running ------------------------------------------------------------------------------------------

TfsScript *TfsScript::MainProgram()
{
    TfsScript *global = GlobalUnit();
    TfsScript *s = this;
    while (!s->m_mainProg && s->m_parent && s->m_parent != global)
        s = s->m_parent;
    return s;
}

void TfsScript::ClearRunFlags()
{
    m_exitCalled = m_breakCalled = m_continueCalled = m_terminated = false;
    for (auto &item : m_items)
        if (auto *routine = dynamic_cast<TfsProcVariable *>(item.get()))
            routine->Program()->ClearRunFlags();
}

void TfsScript::NoteErrorPosition(const QString &unitName, const QString &position)
{
    if (position.isEmpty()) {
        m_errorNoted = false; // the error was handled by the script
        return;
    }
    if (m_errorNoted)
        return;
    m_errorNoted = true;
    m_errorPos = position;
    m_errorUnit = unitName;
}

void TfsScript::Execute()
{
    if (!m_statement)
        return;
    ClearRunFlags();
    m_errorMsg.clear();
    m_errorPos.clear();
    m_errorUnit.clear();
    m_errorNoted = false;
    const bool wasRunning = m_isRunning;
    TfsScript *previousRunning = m_progRunning;
    m_isRunning = true;
    m_progRunning = this;
    try {
        m_statement->Execute();
    } catch (const std::exception &e) {
        m_errorMsg = ExceptionText(e);
        m_isRunning = wasRunning;
        m_progRunning = previousRunning;
        throw;
    }
    m_isRunning = wasRunning;
    m_progRunning = previousRunning;
}

bool TfsScript::Run()
{
    if (!Compile())
        return false;
    Execute();
    return true;
}

void TfsScript::Terminate()
{
    Root()->m_terminated = true;
    // Every routine body stops too, and so does the code running now.
    std::vector<TfsScript *> pending{this};
    while (!pending.empty()) {
        TfsScript *s = pending.back();
        pending.pop_back();
        s->m_terminated = true;
        s->m_exitCalled = true;
        for (auto &item : s->m_items)
            if (auto *routine = dynamic_cast<TfsProcVariable *>(item.get()))
                pending.push_back(routine->Program());
    }
    for (TfsScript *s = m_progRunning; s && s != this; s = s->m_parent) {
        s->m_terminated = true;
        s->m_exitCalled = true;
    }
}

Variant TfsScript::CallRoutine(TfsCustomVariable *routine, QList<Variant> &params)
{
    const int count = int(params.size());
    if (count > routine->ParamCount())
        throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::TooManyParameters());
    if (count < routine->RequiredParamCount())
        throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::NotEnoughParameters());
    std::vector<Variant> values(params.begin(), params.end());
    for (int i = count; i < routine->ParamCount(); ++i)
        values.push_back(routine->Params(i)->DefValue());
    // A call from the host outside a run starts afresh: an earlier Terminate does not stop it.
    TfsScript *root = Root();
    if (!root->m_isRunning)
        root->m_terminated = false;
    m_errorNoted = false;
    Variant result;
    try {
        if (auto *proc = dynamic_cast<TfsProcVariable *>(routine)) {
            result = proc->Call(values.data(), int(values.size()));
        } else {
            TfsAccess access;
            access.Script = this;
            access.Args = values.data();
            access.ArgCount = int(values.size());
            access.Member = routine->Name();
            result = routine->Read(access);
        }
    } catch (const std::exception &e) {
        m_errorMsg = ExceptionText(e);
        throw;
    }
    for (int i = 0; i < count; ++i)
        if (routine->Params(i)->IsVarParam())
            params[i] = values[size_t(i)];
    return result;
}

Variant TfsScript::CallFunction(const QString &name, const QList<Variant> &params)
{
    QList<Variant> values = params;
    return CallFunction1(name, values);
}

Variant TfsScript::CallFunction1(const QString &name, QList<Variant> &params)
{
    TfsCustomVariable *item = FindLocal(name);
    if (!item || !item->IsRoutine())
        return Variant::Null();
    return CallRoutine(item, params);
}

Variant TfsScript::CallFunction2(const QString &name, std::initializer_list<Variant> params)
{
    QList<Variant> values(params);
    return CallFunction1(name, values);
}

Variant TfsScript::Evaluate(const QString &expression)
{
    m_evaluationFailed = false;
    TfsScript *main = MainProgram();
    TfsScript *scope = (main->m_isRunning && main->m_progRunning) ? main->m_progRunning : this;
    TfsScript child;
    child.SetParent(scope);
    child.OnGetVarValue = OnGetVarValue;
    child.SetSyntaxType(m_syntaxType);
    const QString language = m_syntaxType.toLower();
    QString program;
    if (language == QLatin1String("c++script"))
        program =
            QStringLiteral("Variant fsEvaluateFUNC() { return ") + expression + QStringLiteral("; } {}");
    else if (language == QLatin1String("basicscript"))
        program = QStringLiteral("function fsEvaluateFUNC\r\nreturn ") + expression +
                  QStringLiteral("\r\nend function");
    else if (language == QLatin1String("jscript"))
        program =
            QStringLiteral("function fsEvaluateFUNC() { return (") + expression + QStringLiteral("); }");
    else
        program = QStringLiteral("function fsEvaluateFUNC: Variant; begin Result := ") + expression +
                  QStringLiteral(" end; begin end.");
    child.SetText(program);
    if (!child.Compile()) {
        m_evaluationFailed = true;
        return Variant(child.ErrorMsg());
    }
    auto *function = dynamic_cast<TfsProcVariable *>(child.FindLocal(QStringLiteral("fsEvaluateFUNC")));
    if (!function)
        return Variant::Null();
    return function->Call(nullptr, 0);
}

// ---- proxies and created objects ------------------------------------------------------------------------

QObject *TfsScript::ProxyFor(void *gadget, const QMetaObject *meta)
{
    TfsScript *owner = Root();
    if (owner != this)
        return owner->ProxyFor(gadget, meta);
    const std::pair<const void *, const void *> key{gadget, meta};
    if (QObject *proxy = m_gadgetProxies.value(key))
        return proxy;
    auto proxy = std::make_unique<TfsGadgetProxy>(gadget, meta);
    QObject *raw = proxy.get();
    m_proxies.push_back(std::move(proxy));
    m_gadgetProxies.insert(key, raw);
    return raw;
}

QObject *TfsScript::StringsProxyFor(QObject *object, void *gadget, const QMetaObject *meta, int propertyIndex)
{
    TfsScript *owner = Root();
    if (owner != this)
        return owner->StringsProxyFor(object, gadget, meta, propertyIndex);
    TfsInstance instance;
    instance.Object = object;
    instance.Gadget = gadget;
    instance.Meta = meta;
    const std::pair<const void *, int> key{gadget ? gadget : static_cast<const void *>(object),
                                           propertyIndex};
    if (auto *proxy = static_cast<TfsStringsProxy *>(m_stringsProxies.value(key));
        proxy && proxy->OwnerMeta() == meta)
        return proxy;
    auto proxy = std::make_unique<TfsStringsProxy>(instance, propertyIndex);
    QObject *raw = proxy.get();
    m_proxies.push_back(std::move(proxy));
    m_stringsProxies.insert(key, raw);
    return raw;
}

void TfsScript::AdoptObject(QObject *object)
{
    TfsScript *owner = Root();
    owner->m_created.emplace_back(object);
}

bool TfsScript::ReleaseObject(QObject *object)
{
    // The object stays until the script is cleared or freed: other variables of the script may
    // still refer to it, and a reference must never outlive what it points to.
    TfsScript *owner = Root();
    for (const QPointer<QObject> &created : owner->m_created)
        if (created.data() == object)
            return true;
    return false;
}

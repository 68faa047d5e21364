#pragma once
// Script programs: TfsScript holds named items (variables, constants, types, routines, classes
// and objects registered by the host) and one statement tree. It compiles a source text through
// the language's grammar (TfsILParser) and the translator, executes the main block, calls
// routines by name and evaluates single expressions.
//
// Scripts nest: a routine's body is a script whose parent is the script that declares it, and a
// host script normally has the global unit (the built-in library) as its parent. Names are looked
// up in a script and then in its parents, ignoring case.
//
// Like the report engine that drives it, a script runs on one thread; the global unit is shared
// by every script of the process and is changed only when a host class is registered.

#include "script/fs_itypes.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TfsScript;
class TfsStatement;
class TfsParamItem;
class TfsClassVariable;
class TfsProcVariable;
class TfsXMLItem;

// An ordered list of owned items: the base of statements and of named items (whose items are
// their parameters).
class TfsItemList {
public:
    TfsItemList() = default;
    TfsItemList(const TfsItemList &) = delete;
    TfsItemList &operator=(const TfsItemList &) = delete;
    virtual ~TfsItemList();

    int Count() const { return int(m_items.size()); }
    TfsItemList *Items(int index) const { return m_items[size_t(index)].get(); }
    void Add(std::unique_ptr<TfsItemList> item) { m_items.push_back(std::move(item)); }
    void Clear() { m_items.clear(); }

protected:
    std::vector<std::unique_ptr<TfsItemList>> m_items;
};

// What one step of a designator chain hands to the item it reaches: the object and value the
// previous step gave, and the step's arguments (already evaluated, defaults filled in).
struct TfsAccess {
    QObject *Instance = nullptr; // object of the previous step (a gadget proxy for a gadget)
    Variant *Parent = nullptr;   // value of the previous step
    Variant *Args = nullptr;
    int ArgCount = 0;
    TfsScript *Script = nullptr; // the script whose code runs
    QString Member;              // the name as written, for late binding and messages
};

// A named item with a type and a value; its items are its formal parameters.
class TfsCustomVariable : public TfsItemList {
public:
    TfsCustomVariable(const QString &name, TfsVarType typ, const QString &typeName = QString());

    const QString &Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }
    TfsVarType Typ() const { return m_typ; }
    const QString &TypeName() const { return m_typeName; }
    TfsTypeRec TypeRec() const { return {m_typ, m_typeName}; }
    void SetType(TfsVarType typ, const QString &typeName = QString())
    {
        m_typ = typ;
        m_typeName = typeName;
    }
    bool IsReadOnly() const { return m_isReadOnly; }
    void SetReadOnly(bool value) { m_isReadOnly = value; }

    virtual Variant GetValue() { return m_value; }
    virtual void SetValue(const Variant &value);
    Variant Value() { return GetValue(); }

    // One step of a designator chain: read or write this item for the given access.
    virtual Variant Read(TfsAccess &access);
    virtual void Write(TfsAccess &access, const Variant &value);
    // Whether a designator ending here may stand left of ":=".
    virtual bool IsWritable() const { return !m_isReadOnly; }
    // The storage of a plain variable (for in-place updates of strings and arrays), else nullptr.
    virtual Variant *ValueRef() { return nullptr; }
    // A routine (script procedure or host method): called with its parameters.
    virtual bool IsRoutine() const { return false; }
    // A routine that returns a value.
    bool IsFunc() const { return m_isFunc; }
    void SetIsFunc(bool value) { m_isFunc = value; }

    int ParamCount() const { return Count(); }
    TfsParamItem *Params(int index) const;
    int RequiredParamCount() const;
    void AddParam(std::unique_ptr<TfsParamItem> param);

    // The host object this item was registered for by ClearItems (see TfsScript::SetAddedBy).
    const QObject *AddedBy() const { return m_addedBy; }
    void SetAddedBy(const QObject *owner) { m_addedBy = owner; }

protected:
    QString m_name;
    TfsVarType m_typ;
    QString m_typeName;
    Variant m_value;
    bool m_isReadOnly = false;
    bool m_isFunc = false;
    const QObject *m_addedBy = nullptr;
};

// A variable; a value given to it takes the variable's type (an Integer variable holds integers).
class TfsVariable : public TfsCustomVariable {
public:
    using TfsCustomVariable::TfsCustomVariable;
    void SetValue(const Variant &value) override;
    Variant *ValueRef() override { return &m_value; }
    // The value a new variable of this type starts with: 0, 0.0, False, '' or Null.
    static Variant InitialValue(TfsVarType typ);
    // Converts a value to the type the way a variable of it stores it.
    static Variant Coerce(TfsVarType typ, const QString &typeName, const Variant &value);
};

// A variable of type String.
class TfsStringVariable : public TfsVariable {
public:
    explicit TfsStringVariable(const QString &name) : TfsVariable(name, fvtString, QStringLiteral("String"))
    {
        m_value = QString();
    }
    void SetValue(const Variant &value) override;
};

// A named constant.
class TfsConstant : public TfsCustomVariable {
public:
    TfsConstant(const QString &name, TfsVarType typ, const QString &typeName, const Variant &value)
        : TfsCustomVariable(name, typ, typeName)
    {
        m_value = value;
        m_isReadOnly = true;
    }
};

// A name whose value the host answers on every read (OnGetVarValue).
class TfsHostValueVariable : public TfsCustomVariable {
public:
    TfsHostValueVariable(const QString &name, TfsScript *script);
    Variant GetValue() override;
    void SetValue(const Variant &value) override;

private:
    TfsScript *m_script;
};

// A named type.
class TfsTypeVariable : public TfsCustomVariable {
public:
    using TfsCustomVariable::TfsCustomVariable;
    bool IsWritable() const override { return false; }
};

// A formal parameter: by value or by reference, with an optional default.
class TfsParamItem : public TfsCustomVariable {
public:
    TfsParamItem(const QString &name, TfsVarType typ, const QString &typeName, bool isVarParam)
        : TfsCustomVariable(name, typ, typeName), m_isVarParam(isVarParam)
    {
    }
    bool IsVarParam() const { return m_isVarParam; }
    bool HasDefault() const { return m_hasDefault; }
    const Variant &DefValue() const { return m_default; }
    void SetDefault(const Variant &value)
    {
        m_default = value;
        m_hasDefault = true;
    }

private:
    bool m_isVarParam;
    bool m_hasDefault = false;
    Variant m_default;
};

// A procedure or function of the script. Its body and locals live in a script of their own.
class TfsProcVariable : public TfsCustomVariable {
public:
    TfsProcVariable(const QString &name, TfsVarType typ, const QString &typeName, TfsScript *parent,
                    bool isFunc);
    ~TfsProcVariable() override;

    TfsScript *Program() const { return m_program.get(); }
    bool IsRoutine() const override { return true; }
    bool IsWritable() const override { return false; }
    // The variables that receive the parameters, in order, and the Result variable.
    void BindLocals();
    TfsCustomVariable *ResultVar() const { return m_result; }

    // Calls the routine with count actual values (the parameters' defaults fill the rest). The
    // values of "var" parameters are written back into args.
    Variant Call(Variant *args, int count);
    Variant GetValue() override { return Call(nullptr, 0); }
    Variant Read(TfsAccess &access) override { return Call(access.Args, access.ArgCount); }
    bool Executing() const { return m_depth > 0; }
    // A declaration that a first pass made and the translation then completed.
    bool Declared() const { return m_declared; }
    void SetDeclared(bool value) { m_declared = value; }
    const QString &Position() const { return m_position; }
    void SetPosition(const QString &position) { m_position = position; }

private:
    std::unique_ptr<TfsScript> m_program;
    std::vector<TfsCustomVariable *> m_paramVars;
    TfsCustomVariable *m_result = nullptr;
    int m_depth = 0;
    bool m_declared = false;
    QString m_position;
};

// A routine of the host, declared by a text such as "function Calc(const Expr: String): Variant".
class TfsMethodHelper : public TfsCustomVariable {
public:
    TfsMethodHelper(const QString &syntax, TfsCallMethod call);
    bool IsRoutine() const override { return true; }
    bool IsWritable() const override { return false; }
    Variant Read(TfsAccess &access) override;
    Variant GetValue() override;
    const QString &Syntax() const { return m_syntax; }
    const QString &Category() const { return m_category; }
    const QString &Description() const { return m_description; }
    void SetCategory(const QString &category, const QString &description)
    {
        m_category = category;
        m_description = description;
    }
    // A constructor (called on a class, gives a new object).
    bool IsConstructor() const { return m_isConstructor; }
    void SetIsConstructor(bool value) { m_isConstructor = value; }
    // A method of a class: calling it without an object is an error.
    void SetNeedsInstance(bool value) { m_needsInstance = value; }

private:
    QString m_syntax;
    TfsCallMethod m_call;
    QString m_category;
    QString m_description;
    bool m_isConstructor = false;
    bool m_needsInstance = false;
};

// A property of a host class registered with a reader and a writer; with index parameters it is
// an indexed property (Variables['V']) whose reader and writer receive the indexes (the writer
// the value last).
class TfsPropertyHelper : public TfsCustomVariable {
public:
    TfsPropertyHelper(const QString &name, TfsVarType typ, const QString &typeName, TfsGetValue get,
                      TfsSetValue set);
    TfsPropertyHelper(const QString &name, TfsVarType typ, const QString &typeName, TfsCallMethod get,
                      TfsCallMethod set);
    bool IsIndexed() const { return ParamCount() > 0; }
    bool IsWritable() const override;
    Variant Read(TfsAccess &access) override;
    void Write(TfsAccess &access, const Variant &value) override;

private:
    TfsGetValue m_get;
    TfsSetValue m_set;
    TfsCallMethod m_getIndexed;
    TfsCallMethod m_setIndexed;
};

// An event of a host class: assigning a script procedure to it hands the procedure's name to the
// host, which later calls it with CallFunction.
class TfsEventHelper : public TfsCustomVariable {
public:
    TfsEventHelper(const QString &name, TfsSetEvent set);
    void Write(TfsAccess &access, const Variant &value) override;
    Variant Read(TfsAccess &access) override;

private:
    TfsSetEvent m_set;
};

// A component owned by an object (a form's controls, a page's objects), found by its name.
class TfsComponentHelper : public TfsCustomVariable {
public:
    TfsComponentHelper(const QString &name, const QString &className);
    bool IsWritable() const override { return false; }
    Variant Read(TfsAccess &access) override;
};

// A host class with its registered members. Published properties (Q_PROPERTY) of its meta-object
// are members without registration.
class TfsClassVariable : public TfsCustomVariable {
public:
    TfsClassVariable(const QString &name, const QMetaObject *meta, const QString &ancestor,
                     TfsScript *script);
    ~TfsClassVariable() override;

    const QMetaObject *Meta() const { return m_meta; }
    const QString &AncestorName() const { return m_ancestor; }
    TfsClassVariable *Ancestor() const;
    bool IsWritable() const override { return false; }
    // Whether this class is the named class or derives from it (names compared ignoring case).
    bool InheritsFrom(const QString &className) const;

    TfsMethodHelper *AddMethod(const QString &syntax, TfsCallMethod call);
    TfsMethodHelper *AddConstructor(const QString &syntax, TfsCallMethod call);
    TfsPropertyHelper *AddProperty(const QString &name, const QString &typeName, TfsGetValue get,
                                   TfsSetValue set = {});
    // indexTypes lists the index parameters' types, such as "String" or "Integer, Integer".
    TfsPropertyHelper *AddIndexProperty(const QString &name, const QString &indexTypes,
                                        const QString &typeName, TfsCallMethod get, TfsCallMethod set = {});
    TfsPropertyHelper *AddDefaultProperty(const QString &name, const QString &indexTypes,
                                          const QString &typeName, TfsCallMethod get, TfsCallMethod set = {});
    TfsEventHelper *AddEvent(const QString &name, TfsSetEvent set);
    void AddComponent(const QObject *component);

    // A member by name: registered members, then published properties, then the ancestor's.
    TfsCustomVariable *FindMember(const QString &name);
    TfsPropertyHelper *DefaultProperty() const;
    TfsMethodHelper *Constructor() const;

private:
    void AddMember(std::unique_ptr<TfsCustomVariable> member);

    const QMetaObject *m_meta;
    QString m_ancestor;
    TfsScript *m_script;
    std::vector<std::unique_ptr<TfsCustomVariable>> m_members;
    QHash<QString, TfsCustomVariable *> m_memberIndex; // folded name
    TfsPropertyHelper *m_defaultProperty = nullptr;
    TfsMethodHelper *m_constructor = nullptr;
};

// ---- the script ------------------------------------------------------------------------------------

class TfsScript : public QObject {
    Q_OBJECT
public:
    // How deep script routines may call each other before the run stops with "Stack overflow", and
    // how much stack the nested calls may take (whichever limit comes first): a routine level takes
    // about 1.5 KB in an optimised build, and the limits stay well inside the 1 MB a thread may have.
    static constexpr int MaxCallDepth = 256;
    static constexpr qptrdiff MaxStackBytes = 512 * 1024;

    // A new script; its parent is the global unit.
    explicit TfsScript(QObject *owner = nullptr);
    ~TfsScript() override;

    // The process-wide unit with the built-in library; the parent of every new script.
    static TfsScript *GlobalUnit();

    // ---- program text and running ----
    const QStringList &Lines() const { return m_lines; }
    void SetLines(const QStringList &lines) { m_lines = lines; }
    void SetText(const QString &text);
    QString Text() const;
    const QString &SyntaxType() const { return m_syntaxType; }
    void SetSyntaxType(const QString &language) { m_syntaxType = language; }
    QStringList IncludePaths() const { return m_includePaths; }
    void SetIncludePaths(const QStringList &paths) { m_includePaths = paths; }

    // Translates Lines in the language SyntaxType. The items it declares join those the script
    // already holds (call Clear first to compile a new text in place); the main block replaces the
    // previous one. False with ErrorMsg, ErrorPos ("line:column") and ErrorUnit on a mistake.
    bool Compile();
    // Runs the main block. Errors of the run travel out; ErrorPos then tells where it stopped.
    void Execute();
    // Compile, then Execute when it compiled.
    bool Run();
    // Stops the run at the next statement.
    void Terminate();
    bool Terminated() const { return m_terminated; }
    bool IsRunning() const { return m_isRunning; }
    // The value of an expression in this script's language, in the scope of the code running now
    // (or of this script). An expression that does not compile gives its error message as the
    // value and sets EvaluationFailed.
    Variant Evaluate(const QString &expression);
    bool EvaluationFailed() const { return m_evaluationFailed; }
    // Calls the procedure or function Name of this script with the values; Null when the script has
    // no routine of that name. CallFunction1 writes "var" parameters back into params.
    Variant CallFunction(const QString &name, const QList<Variant> &params = {});
    Variant CallFunction1(const QString &name, QList<Variant> &params);
    Variant CallFunction2(const QString &name, std::initializer_list<Variant> params);

    const QString &ErrorMsg() const { return m_errorMsg; }
    const QString &ErrorPos() const { return m_errorPos; }
    const QString &ErrorUnit() const { return m_errorUnit; }

    // Whether a statement begins on the line (1-based) of the unit (empty: the main text).
    bool IsExecutableLine(int line, const QString &unit = QString()) const;
    // The intermediate document of the last compilation, and compiling from one.
    QString GetILCode() const { return m_ilCode; }
    bool SetILCode(const QString &ilCode);

    // The main block and whether it holds statements.
    TfsStatement *Statement() const { return m_statement.get(); }
    bool HasMainStatements() const;

    // ---- names ----
    TfsScript *Parent() const { return m_parent; }
    void SetParent(TfsScript *parent) { m_parent = parent; }
    // The topmost script below the global unit: it holds the call depth, the proxies and the
    // objects a run creates.
    TfsScript *Root();
    TfsCustomVariable *Find(const QString &name) const;
    TfsCustomVariable *FindLocal(const QString &name) const;
    TfsClassVariable *FindClass(const QString &name) const;
    // The class of a meta-object: the registered one, or one made from the meta-object (with its
    // ancestors and the enumerations its properties use) in the global unit.
    TfsClassVariable *ClassOf(const QMetaObject *meta) const;
    // Value of a named item (Null when there is none).
    Variant GetVariables(const QString &name) const;
    void SetVariables(const QString &name, const Variant &value);
    int ItemCount() const { return int(m_items.size()); }
    TfsCustomVariable *Item(int index) const { return m_items[size_t(index)].get(); }

    // ---- registration of host items ----
    TfsTypeVariable *AddType(const QString &name, TfsVarType typ);
    TfsClassVariable *AddClass(const QMetaObject *meta, const QString &ancestor = QString());
    // A class without a meta-object of its own (a pseudo class that only has registered members).
    TfsClassVariable *AddClass(const QString &name, const QString &ancestor);
    TfsCustomVariable *AddConst(const QString &name, const QString &typeName, const Variant &value);
    // An enumeration type and its values 0, 1, 2, ... ("clRed, clGreen").
    void AddEnum(const QString &typeName, const QString &names);
    // A set type: its members are constants with the values 1, 2, 4, ... and a set is their sum.
    void AddEnumSet(const QString &typeName, const QString &names);
    TfsVariable *AddVariable(const QString &name, const QString &typeName, const Variant &value = Variant());
    TfsCustomVariable *AddObject(const QString &name, QObject *object);
    // An object under its object name, with its named children reachable as its members.
    void AddComponent(QObject *component);
    // AddComponent, and every named child under its own name too.
    void AddForm(QObject *form);
    TfsMethodHelper *AddMethod(const QString &syntax, TfsCallMethod call, const QString &category = QString(),
                               const QString &description = QString());
    // The built-in library (types, constants, functions); the global unit has it already.
    void AddRTTI();
    // Registered items are tagged with this owner (until it is changed) so that ClearItems(owner)
    // can remove them.
    void SetAddedBy(const QObject *owner) { m_addedBy = owner; }
    // Items, main block, error and IL code.
    void Clear();
    // Removes the items registered while owner was set with SetAddedBy (all items for nullptr),
    // together with what compiled code declared and the main block, which may refer to them.
    void ClearItems(const QObject *owner = nullptr);
    void Remove(TfsCustomVariable *item);
    // Adds an item the script owns; the translator declares with it. Replaces a registered item of
    // the same name.
    TfsCustomVariable *AddItem(std::unique_ptr<TfsCustomVariable> item);

    // ---- events ----
    // The text of a used unit.
    std::function<QString(const QString &unitName)> OnGetUnit;
    // Before every statement: the unit ("" for the main text) and "line:column".
    std::function<void(TfsScript *sender, const QString &unitName, const QString &position)> OnRunLine;
    // The value of a name the script does not know (consulted on every read of it).
    std::function<Variant(const QString &name)> OnGetVarValue;

    // ---- run state (for the program objects) ----
    // The script that represents the running program for this one: this script or the nearest
    // parent marked as main program.
    TfsScript *MainProgram();
    bool MainProg() const { return m_mainProg; }
    void SetMainProg(bool value) { m_mainProg = value; }
    bool m_exitCalled = false;
    bool m_breakCalled = false;
    bool m_continueCalled = false;
    bool m_terminated = false;
    // On the main program: the script whose code runs now, and the depth of routine calls.
    TfsScript *m_progRunning = nullptr;
    int m_callDepth = 0;
    const char *m_stackBase = nullptr; // where the outermost routine call began
    // Records where a run-time error passed first (once per error); an empty position forgets it
    // (the script handled the error).
    void NoteErrorPosition(const QString &unitName, const QString &position);
    void NoteStatementLine(const QString &unitName, int line);
    // Nested objects (gadgets) and string lists reached through properties are handed around as
    // small proxy objects that this script owns.
    QObject *ProxyFor(void *gadget, const QMetaObject *meta);
    QObject *StringsProxyFor(QObject *owner, void *gadget, const QMetaObject *meta, int propertyIndex);
    // Objects the script created ("new", Create): they live until the script is cleared or freed,
    // so that Free and delete (which only check that the script made the object) leave no
    // reference dangling.
    void AdoptObject(QObject *object);
    bool ReleaseObject(QObject *object);

private:
    friend class TfsTranslator;
    void ClearRunFlags();
    bool Translate(const TfsXMLItem *root, bool declareVars, bool pascal);
    Variant CallRoutine(TfsCustomVariable *routine, QList<Variant> &params);

    std::vector<std::unique_ptr<TfsCustomVariable>> m_items;
    QHash<QString, TfsCustomVariable *> m_index; // folded name → item
    std::unique_ptr<TfsStatement> m_statement;
    TfsScript *m_parent = nullptr;
    QStringList m_lines;
    QString m_syntaxType = QStringLiteral("PascalScript");
    QStringList m_includePaths;
    QString m_errorMsg;
    QString m_errorPos;
    QString m_errorUnit;
    QString m_ilCode;
    bool m_mainProg = true;
    bool m_isRunning = false;
    bool m_evaluationFailed = false;
    const QObject *m_addedBy = nullptr;
    QHash<QString, QList<int>> m_executableLines; // unit → lines
    bool m_errorNoted = false;
    std::vector<std::unique_ptr<QObject>> m_proxies;
    QHash<std::pair<const void *, const void *>, QObject *> m_gadgetProxies;
    QHash<std::pair<const void *, int>, QObject *> m_stringsProxies;
    std::vector<QPointer<QObject>> m_created;

    struct GlobalTag {};
    TfsScript(GlobalTag);
};

// Translation of the intermediate program document into program objects.

#include "script/fs_itranslator.h"

#include "script/fs_ideclaration.h"
#include "script/fs_imeta.h"
#include "script/fs_xml.h"

namespace {

const QString kText = QStringLiteral("text");
const QString kPos = QStringLiteral("pos");

bool Is(const TfsXMLItem *e, const char *name)
{
    return e->Name() == QLatin1String(name);
}

const TfsXMLItem *Child(const TfsXMLItem *e, const char *name)
{
    for (int i = 0; i < e->Count(); ++i)
        if (Is(e->Items(i), name))
            return e->Items(i);
    return nullptr;
}

QString TextOf(const TfsXMLItem *e)
{
    return e->Prop(kText);
}

// The routine's value when a designator is a type used like a function: Integer(x), TfrxMemoView(Sender).
class TfsTypeCastHelper : public TfsCustomVariable {
public:
    explicit TfsTypeCastHelper(const TfsTypeRec &type)
        : TfsCustomVariable(QStringLiteral("__TypeCast"), type.Typ, type.TypeName)
    {
        AddParam(std::make_unique<TfsParamItem>(QStringLiteral("Value"), fvtVariant, QString(), false));
    }
    bool IsWritable() const override { return false; }
    Variant Read(TfsAccess &access) override
    {
        if (m_typ == fvtClass || m_typ == fvtVariant || m_typ == fvtArray)
            return access.Args[0];
        return TfsVariable::Coerce(m_typ, m_typeName, access.Args[0]);
    }
};

// new X / X.Create for a class without a registered constructor: the meta-object's invokable
// constructor without arguments.
class TfsNewHelper : public TfsCustomVariable {
public:
    TfsNewHelper(const QString &name, const QMetaObject *meta)
        : TfsCustomVariable(name, fvtClass, name), m_meta(meta)
    {
    }
    bool IsRoutine() const override { return true; }
    bool IsWritable() const override { return false; }
    Variant Read(TfsAccess &access) override
    {
        QObject *object = m_meta ? m_meta->newInstance() : nullptr;
        if (!object)
            throw EfsRuntimeError(QStringLiteral("EScriptError"),
                                  QStringLiteral("Class %1 cannot be created by a script").arg(m_name));
        access.Script->AdoptObject(object);
        return Variant(object);
    }

private:
    const QMetaObject *m_meta;
};

// A registered constructor: the object it gives belongs to the script.
class TfsConstructorCall : public TfsCustomVariable {
public:
    explicit TfsConstructorCall(TfsMethodHelper *constructor)
        : TfsCustomVariable(constructor->Name(), constructor->Typ(), constructor->TypeName()),
          m_constructor(constructor)
    {
    }
    bool IsRoutine() const override { return true; }
    bool IsWritable() const override { return false; }
    Variant Read(TfsAccess &access) override
    {
        TfsAccess inner = access;
        inner.Instance = nullptr;
        Variant object = m_constructor->Read(inner);
        if (QObject *created = object.IsObject() ? object.ToObject() : nullptr)
            access.Script->AdoptObject(created);
        return object;
    }

private:
    TfsMethodHelper *m_constructor;
};

} // namespace

TfsTranslator::TfsTranslator(TfsScript *script, bool declareVars, bool pascalDeclarations)
    : m_script(script), m_prog(script), m_declareVars(declareVars), m_pascalDeclarations(pascalDeclarations)
{
}

void TfsTranslator::Error(const QString &message, const QString &position) const
{
    throw EfsCompileError(message, position.isEmpty() ? m_pos : position);
}

void TfsTranslator::SetPos(const TfsXMLItem *e)
{
    QString pos = e->Prop(kPos);
    if (!pos.isEmpty())
        m_pos = pos;
}

void TfsTranslator::NoteLine(const TfsXMLItem *e)
{
    const QString pos = e->Prop(kPos);
    int colon = pos.indexOf(QLatin1Char(':'));
    if (colon > 0)
        m_script->NoteStatementLine(m_unit, QStringView(pos).left(colon).toInt());
}

template <typename T> std::unique_ptr<T> TfsTranslator::NewStatement(const TfsXMLItem *e)
{
    NoteLine(e);
    return std::make_unique<T>(m_prog, m_unit, e->Prop(kPos));
}

// ---- the document -------------------------------------------------------------------------------------

void TfsTranslator::Translate(const TfsXMLItem *root)
{
    if (const TfsXMLItem *types = Child(root, "types"))
        for (int i = 0; i < types->Count(); ++i)
            m_types.insert(types->Items(i)->Name().toLower(), types->Items(i)->Prop(QStringLiteral("type")));
    DeclareRoutines(root);
    auto main = std::make_unique<TfsStatement>(m_script, QString(), QString());
    TranslateChildren(root, main.get());
    m_script->m_statement = std::move(main);
}

void TfsTranslator::TranslateChildren(const TfsXMLItem *e, TfsStatement *list, int from)
{
    for (int i = from; i < e->Count(); ++i)
        TranslateElement(e->Items(i), list);
}

void TfsTranslator::TranslateElement(const TfsXMLItem *e, TfsStatement *list)
{
    SetPos(e);
    const QString &name = e->Name();
    if (name == QLatin1String("assignstmt"))
        DoAssign(e, list);
    else if (name == QLatin1String("callstmt"))
        DoCall(e, list);
    else if (name == QLatin1String("ifstmt"))
        DoIf(e, list);
    else if (name == QLatin1String("casestmt"))
        DoCase(e, list);
    else if (name == QLatin1String("forstmt"))
        DoFor(e, list);
    else if (name == QLatin1String("vbforstmt"))
        DoVbFor(e, list);
    else if (name == QLatin1String("cppforstmt"))
        DoCppFor(e, list);
    else if (name == QLatin1String("whilestmt"))
        DoWhile(e, list);
    else if (name == QLatin1String("repeatstmt"))
        DoRepeat(e, list);
    else if (name == QLatin1String("trystmt"))
        DoTry(e, list);
    else if (name == QLatin1String("break"))
        list->AddStatement(NewStatement<TfsBreakStmt>(e));
    else if (name == QLatin1String("continue"))
        list->AddStatement(NewStatement<TfsContinueStmt>(e));
    else if (name == QLatin1String("exit"))
        DoReturn(e, list, false);
    else if (name == QLatin1String("return"))
        DoReturn(e, list, true);
    else if (name == QLatin1String("with"))
        DoWith(e, list);
    else if (name == QLatin1String("delete"))
        DoDelete(e, list);
    else if (name == QLatin1String("compoundstmt"))
        TranslateChildren(e, list);
    else if (name == QLatin1String("uses")) {
        const QString saved = m_unit;
        m_unit = e->Prop(QStringLiteral("unit"));
        TranslateChildren(e, list);
        m_unit = saved;
    } else if (name == QLatin1String("var"))
        DoVar(e, list, QString());
    else if (name == QLatin1String("const"))
        DoConst(e);
    else if (name == QLatin1String("procedure") || name == QLatin1String("function"))
        TranslateRoutine(e);
    else if (name == QLatin1String("types"))
        return;
    else
        Error(QStringLiteral("Statement expected"));
}

// ---- types and declarations ----------------------------------------------------------------------------

TfsTypeRec TfsTranslator::ResolveTypeText(const QString &text, const QString &position)
{
    QString mapped = m_types.value(text.toLower());
    try {
        return fsDeclaration::ResolveType(m_prog, mapped.isEmpty() ? text : mapped, true);
    } catch (const EfsCompileError &) {
        Error(fsErrors::UnknownType(text), position);
    }
}

Variant TfsTranslator::ConstantValue(const TfsXMLItem *expr)
{
    std::unique_ptr<TfsExpression> e = MakeExpression(expr);
    try {
        return e->GetValue();
    } catch (const std::exception &error) {
        Error(ExceptionText(error), expr->Prop(kPos));
    }
}

void TfsTranslator::DeclareRoutines(const TfsXMLItem *e)
{
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (Is(child, "procedure") || Is(child, "function")) {
            DeclareRoutine(child);
        } else if (Is(child, "compoundstmt")) {
            DeclareRoutines(child);
        } else if (Is(child, "uses")) {
            const QString saved = m_unit;
            m_unit = child->Prop(QStringLiteral("unit"));
            DeclareRoutines(child);
            m_unit = saved;
        }
    }
}

// The routine's name, parameters and result: what a call needs before the body is translated.
void TfsTranslator::DeclareRoutine(const TfsXMLItem *e)
{
    SetPos(e);
    const TfsXMLItem *nameItem = Child(e, "name");
    if (!nameItem)
        Error(QStringLiteral("Identifier expected"));
    const QString name = TextOf(nameItem);
    if (m_prog->FindLocal(name))
        Error(fsErrors::IdentifierRedeclared(name), nameItem->Prop(kPos));
    const bool isFunc = Is(e, "function");
    TfsTypeRec result{fvtVariant, QStringLiteral("Variant")};
    if (const TfsXMLItem *type = Child(e, "type"); type && isFunc)
        result = ResolveTypeText(TextOf(type), type->Prop(kPos));
    auto routine = std::make_unique<TfsProcVariable>(name, result.Typ, result.TypeName, m_prog, isFunc);
    routine->SetPosition(e->Prop(kPos));
    routine->SetAddedBy(m_script->m_addedBy);
    TfsScript *body = routine->Program();

    if (const TfsXMLItem *params = Child(e, "parameters")) {
        for (int g = 0; g < params->Count(); ++g) {
            const TfsXMLItem *group = params->Items(g);
            if (!Is(group, "var"))
                continue;
            SetPos(group);
            bool isVarParam = Child(group, "varparam") != nullptr;
            TfsTypeRec type{fvtVariant, QStringLiteral("Variant")};
            if (const TfsXMLItem *typeItem = Child(group, "type"))
                type = ResolveTypeText(TextOf(typeItem), typeItem->Prop(kPos));
            bool hasDefault = false;
            Variant defaultValue;
            if (const TfsXMLItem *expr = Child(group, "expr")) {
                defaultValue = ConstantValue(expr);
                hasDefault = true;
            }
            for (int i = 0; i < group->Count(); ++i) {
                const TfsXMLItem *ident = group->Items(i);
                if (!Is(ident, "ident"))
                    continue;
                const QString paramName = TextOf(ident);
                if (body->FindLocal(paramName))
                    Error(fsErrors::IdentifierRedeclared(paramName), ident->Prop(kPos));
                auto param = std::make_unique<TfsParamItem>(paramName, type.Typ, type.TypeName, isVarParam);
                if (hasDefault)
                    param->SetDefault(defaultValue);
                routine->AddParam(std::move(param));
                std::unique_ptr<TfsCustomVariable> local;
                if (type.Typ == fvtString)
                    local = std::make_unique<TfsStringVariable>(paramName);
                else
                    local = std::make_unique<TfsVariable>(paramName, type.Typ, type.TypeName);
                body->AddItem(std::move(local));
            }
        }
    }
    if (isFunc) {
        auto resultVar = std::make_unique<TfsVariable>(QStringLiteral("Result"), result.Typ, result.TypeName);
        body->AddItem(std::move(resultVar));
    }
    routine->BindLocals();
    m_routines.insert(e, routine.get());
    m_prog->AddItem(std::move(routine));
}

void TfsTranslator::TranslateRoutine(const TfsXMLItem *e)
{
    TfsProcVariable *routine = m_routines.value(e);
    if (!routine) {
        DeclareRoutine(e);
        routine = m_routines.value(e);
    }
    SetPos(e);
    TfsScript *savedProg = m_prog;
    TfsProcVariable *savedRoutine = m_currentRoutine;
    std::vector<WithTarget> savedWith;
    savedWith.swap(m_with);
    m_prog = routine->Program();
    m_currentRoutine = routine;

    DeclareRoutines(e);
    auto body = std::make_unique<TfsStatement>(m_prog, m_unit, e->Prop(kPos));
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (Is(child, "name") || Is(child, "parameters") || Is(child, "type"))
            continue;
        if (Is(child, "var")) {
            SetPos(child);
            // PascalScript locals are declarations; elsewhere a declaration stands among statements.
            DoVar(child, m_pascalDeclarations ? nullptr : body.get(), QString());
        } else {
            TranslateElement(child, body.get());
        }
    }
    m_prog->m_statement = std::move(body);
    routine->SetDeclared(true);

    m_prog = savedProg;
    m_currentRoutine = savedRoutine;
    m_with.swap(savedWith);
}

Variant TfsTranslator::MakeArray(const std::vector<std::pair<int, int>> &bounds, size_t dim,
                                 TfsVarType elementType)
{
    auto [low, high] = bounds[dim];
    if (high < low - 1 || qint64(high) - low > 10000000)
        Error(QStringLiteral("Invalid array bounds"));
    Variant array = Variant::CreateArray(low, high);
    for (int i = low; i <= high; ++i)
        array.SetArrayItem(i, dim + 1 < bounds.size() ? MakeArray(bounds, dim + 1, elementType)
                                                      : TfsVariable::InitialValue(elementType));
    return array;
}

void TfsTranslator::DoVar(const TfsXMLItem *e, TfsStatement *list, const QString &inheritedType)
{
    SetPos(e);
    QString typeText = inheritedType;
    QString typePos;
    if (const TfsXMLItem *typeItem = Child(e, "type")) {
        typeText = TextOf(typeItem);
        typePos = typeItem->Prop(kPos);
    }
    TfsTypeRec type{fvtVariant, QStringLiteral("Variant")};
    if (!typeText.isEmpty())
        type = ResolveTypeText(typeText, typePos);

    std::vector<std::pair<int, int>> bounds;
    if (const TfsXMLItem *array = Child(e, "array")) {
        for (int i = 0; i < array->Count(); ++i) {
            const TfsXMLItem *item = array->Items(i);
            if (!Is(item, "expr"))
                continue;
            int value = ConstantValue(item).ToInt();
            bool isRange = i + 1 < array->Count() && Is(array->Items(i + 1), "range");
            if (isRange && i + 2 < array->Count()) {
                int high = ConstantValue(array->Items(i + 2)).ToInt();
                bounds.emplace_back(value, high);
                i += 2;
            } else {
                bounds.emplace_back(0, value - 1);
            }
        }
    }

    const TfsXMLItem *init = nullptr;
    for (int i = 0; i < e->Count(); ++i)
        if (Is(e->Items(i), "expr"))
            init = e->Items(i);

    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *ident = e->Items(i);
        if (!Is(ident, "ident"))
            continue;
        const QString name = TextOf(ident);
        if (m_prog->FindLocal(name))
            Error(fsErrors::IdentifierRedeclared(name), ident->Prop(kPos));
        std::unique_ptr<TfsCustomVariable> variable;
        if (!bounds.empty()) {
            variable = std::make_unique<TfsVariable>(name, fvtArray, type.TypeName);
            variable->SetValue(MakeArray(bounds, 0, type.Typ));
            m_arrayDims.insert(variable.get(), int(bounds.size()));
            // The element type travels in the type name; remember it for indexes.
            variable->SetType(fvtArray, type.Typ == fvtClass ? type.TypeName : type.TypeName);
        } else if (type.Typ == fvtString) {
            variable = std::make_unique<TfsStringVariable>(name);
        } else {
            variable = std::make_unique<TfsVariable>(name, type.Typ, type.TypeName);
            variable->SetValue(TfsVariable::InitialValue(type.Typ));
        }
        variable->SetAddedBy(m_script->m_addedBy);
        TfsCustomVariable *raw = m_prog->AddItem(std::move(variable));

        if (init) {
            std::unique_ptr<TfsExpression> value = MakeExpression(init);
            if (!TypesCompatible(raw->TypeRec(), value->TypeRec(), m_prog))
                Error(fsErrors::IncompatibleTypes(), init->Prop(kPos));
            if (list == nullptr || value->IsConstant()) {
                try {
                    raw->SetValue(value->GetValue());
                } catch (const std::exception &error) {
                    Error(ExceptionText(error), init->Prop(kPos));
                }
            }
            if (list != nullptr && !m_pascalDeclarations) {
                auto assign = NewStatement<TfsAssignmentStmt>(e);
                assign->Target = raw;
                assign->Expression = std::move(value);
                list->AddStatement(std::move(assign));
            }
        }
    }
    // Declarators of their own (int a = 1, b[3];) take this element's type unless they name one.
    for (int i = 0; i < e->Count(); ++i)
        if (Is(e->Items(i), "var"))
            DoVar(e->Items(i), list, typeText);
}

void TfsTranslator::DoConst(const TfsXMLItem *e)
{
    SetPos(e);
    const TfsXMLItem *ident = Child(e, "ident");
    const TfsXMLItem *expr = Child(e, "expr");
    if (!ident || !expr)
        Error(QStringLiteral("Identifier expected"));
    const QString name = TextOf(ident);
    if (m_prog->FindLocal(name))
        Error(fsErrors::IdentifierRedeclared(name), ident->Prop(kPos));
    std::unique_ptr<TfsExpression> value = MakeExpression(expr);
    TfsTypeRec type = value->TypeRec();
    if (const TfsXMLItem *typeItem = Child(e, "type")) {
        TfsTypeRec declared = ResolveTypeText(TextOf(typeItem), typeItem->Prop(kPos));
        if (!TypesCompatible(declared, type, m_prog))
            Error(fsErrors::IncompatibleTypes(), expr->Prop(kPos));
        type = declared;
    }
    Variant constant;
    try {
        constant = value->GetValue();
        if (type.Typ != fvtVariant && type.Typ != fvtClass)
            constant = TfsVariable::Coerce(type.Typ, type.TypeName, constant);
    } catch (const std::exception &error) {
        Error(ExceptionText(error), expr->Prop(kPos));
    }
    auto item = std::make_unique<TfsConstant>(name, type.Typ, type.TypeName, constant);
    item->SetAddedBy(m_script->m_addedBy);
    m_prog->AddItem(std::move(item));
}

// ---- statements ----------------------------------------------------------------------------------------

void TfsTranslator::DoAssign(const TfsXMLItem *e, TfsStatement *list)
{
    const TfsXMLItem *dsgn = Child(e, "dsgn");
    const TfsXMLItem *expr = Child(e, "expr");
    const TfsXMLItem *op = Child(e, "op");
    if (!dsgn || !expr)
        Error(QStringLiteral("Expression expected"));
    std::unique_ptr<TfsDesignator> target = MakeDesignator(dsgn, Use::Assign);
    SetPos(e);
    if (!target->IsWritable())
        Error(fsErrors::LeftSideCannotBeAssigned(), e->Prop(kPos));

    // An event takes the name of a script procedure.
    if (dynamic_cast<TfsEventHelper *>(target->Last().Ref)) {
        const TfsXMLItem *handler = expr;
        while (handler && handler->Count() >= 1 && !Child(handler, "dsgn") && Child(handler, "expr"))
            handler = Child(handler, "expr");
        const TfsXMLItem *handlerDsgn = handler ? Child(handler, "dsgn") : nullptr;
        const TfsXMLItem *node = handlerDsgn ? Child(handlerDsgn, "node") : nullptr;
        TfsCustomVariable *procedure = node ? m_prog->Find(TextOf(node)) : nullptr;
        auto *routine = dynamic_cast<TfsProcVariable *>(procedure);
        if (!routine || routine->IsFunc())
            Error(fsErrors::EventHandlerMustBeProcedure(), expr->Prop(kPos));
        auto assign = NewStatement<TfsAssignmentStmt>(e);
        assign->Designator = std::move(target);
        assign->Expression = std::make_unique<TfsExpression>(m_prog);
        auto constant = std::make_unique<TfsOperandNode>(Variant(routine->Name()));
        constant->Type = {fvtString, QStringLiteral("String")};
        assign->Expression->AddOperand(std::move(constant));
        assign->Expression->Finalize();
        list->AddStatement(std::move(assign));
        return;
    }

    std::unique_ptr<TfsExpression> source = MakeExpression(expr);
    const TfsTypeRec targetType = target->TypeRec();
    if (!TypesCompatible(targetType, source->TypeRec(), m_prog))
        Error(fsErrors::IncompatibleTypes(), expr->Prop(kPos));

    TfsCustomVariable *plain = target->SimpleVariable();
    if (plain && plain->ValueRef() == nullptr)
        plain = nullptr;

    // x += e and the like.
    if (op) {
        const QString text = TextOf(op);
        if ((targetType.Typ == fvtString || targetType.Typ == fvtChar) && text != QLatin1String("+"))
            Error(fsErrors::IncompatibleTypes(), op->Prop(kPos));
        std::unique_ptr<TfsAssignmentStmt> assign;
        if (text == QLatin1String("+"))
            assign = NewStatement<TfsAssignPlusStmt>(e);
        else if (text == QLatin1String("-"))
            assign = NewStatement<TfsAssignMinusStmt>(e);
        else if (text == QLatin1String("*"))
            assign = NewStatement<TfsAssignMulStmt>(e);
        else if (text == QLatin1String("/"))
            assign = NewStatement<TfsAssignDivStmt>(e);
        else
            Error(QStringLiteral("Unknown operator: ") + text, op->Prop(kPos));
        assign->Target = plain;
        assign->Designator = std::move(target);
        assign->Expression = std::move(source);
        list->AddStatement(std::move(assign));
        return;
    }

    // v := v + e (or e + v) becomes an assign-op statement that works on v directly.
    std::unique_ptr<TfsAssignmentStmt> assign;
    auto *root = dynamic_cast<TfsOperatorNode *>(source->Root());
    if (plain && root && !dynamic_cast<TStrCatNode *>(root) && root->Left && root->Right &&
        (root->Op() == opPlus || root->Op() == opMinus || root->Op() == opMul || root->Op() == opDivFloat)) {
        auto isTarget = [&](TfsExpressionNode *n) {
            auto *d = dynamic_cast<TfsDesignatorNode *>(n);
            return d && d->Designator()->SimpleVariable() == plain;
        };
        bool onRight = false;
        bool optimise = isTarget(root->Left.get());
        if (!optimise && (root->Op() == opPlus || root->Op() == opMul) && isTarget(root->Right.get()) &&
            targetType.Typ != fvtString && targetType.Typ != fvtChar && targetType.Typ != fvtVariant) {
            optimise = true;
            onRight = true;
        }
        if (optimise) {
            switch (root->Op()) {
            case opPlus:
                assign = NewStatement<TfsAssignPlusStmt>(e);
                break;
            case opMinus:
                assign = NewStatement<TfsAssignMinusStmt>(e);
                break;
            case opMul:
                assign = NewStatement<TfsAssignMulStmt>(e);
                break;
            default:
                assign = NewStatement<TfsAssignDivStmt>(e);
                break;
            }
            source->ReduceToOperand(!onRight);
        }
    }
    if (!assign)
        assign = NewStatement<TfsAssignmentStmt>(e);
    assign->Target = plain;
    assign->Designator = std::move(target);
    assign->Expression = std::move(source);
    list->AddStatement(std::move(assign));
}

void TfsTranslator::DoCall(const TfsXMLItem *e, TfsStatement *list)
{
    const TfsXMLItem *dsgn = Child(e, "dsgn");
    if (!dsgn)
        Error(QStringLiteral("Statement expected"));
    // BasicScript's "Call P(a)" arrives as a call of Call with P(a) as its argument.
    const TfsXMLItem *node = Child(dsgn, "node");
    if (node && dsgn->Count() == 2 && TextOf(node).compare(QLatin1String("Call"), Qt::CaseInsensitive) == 0 &&
        !m_prog->Find(QStringLiteral("Call"))) {
        const TfsXMLItem *arg = dsgn->Items(1);
        while (arg && Is(arg, "expr")) {
            const TfsXMLItem *inner = nullptr;
            for (int i = 0; i < arg->Count(); ++i)
                if (!Is(arg->Items(i), "op"))
                    inner = inner ? nullptr : arg->Items(i);
            arg = inner;
        }
        if (arg && Is(arg, "dsgn"))
            dsgn = arg;
    }
    auto call = NewStatement<TfsCallStmt>(e);
    call->Designator = MakeDesignator(dsgn, Use::Call);
    if (const TfsXMLItem *modificator = Child(e, "modificator")) {
        call->Modificator = TextOf(modificator);
        if (!call->Designator->IsWritable())
            Error(fsErrors::LeftSideCannotBeAssigned(), e->Prop(kPos));
        TfsVarType t = call->Designator->Typ();
        if (t != fvtInt && t != fvtInt64 && t != fvtFloat && t != fvtVariant && t != fvtEnum)
            Error(fsErrors::IncompatibleTypes(), modificator->Prop(kPos));
    }
    list->AddStatement(std::move(call));
}

void TfsTranslator::DoIf(const TfsXMLItem *e, TfsStatement *list)
{
    auto stmt = NewStatement<TfsIfStmt>(e);
    const TfsXMLItem *expr = Child(e, "expr");
    if (!expr)
        Error(QStringLiteral("Expression expected"));
    stmt->Condition = MakeExpression(expr);
    if (const TfsXMLItem *thenStmt = Child(e, "thenstmt"))
        TranslateChildren(thenStmt, stmt->ThenStmt());
    if (const TfsXMLItem *elseStmt = Child(e, "elsestmt"))
        TranslateChildren(elseStmt, stmt->ElseStmt());
    list->AddStatement(std::move(stmt));
}

void TfsTranslator::DoCase(const TfsXMLItem *e, TfsStatement *list)
{
    auto stmt = NewStatement<TfsCaseStmt>(e);
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (Is(child, "expr") && !stmt->Condition) {
            stmt->Condition = MakeExpression(child);
        } else if (Is(child, "caseselector")) {
            SetPos(child);
            auto selector = std::make_unique<TfsCaseSelector>(m_prog, m_unit, child->Prop(kPos));
            for (int k = 0; k < child->Count(); ++k) {
                const TfsXMLItem *part = child->Items(k);
                if (Is(part, "set") && !selector->SetExpression)
                    selector->SetExpression = MakeSet(part);
                else
                    TranslateElement(part, selector.get());
            }
            if (!selector->SetExpression)
                selector->SetExpression = std::make_unique<TfsSetExpression>();
            stmt->Selectors.push_back(std::move(selector));
        } else if (Is(child, "elsestmt")) {
            TranslateChildren(child, stmt->ElseStmt());
        }
    }
    if (!stmt->Condition)
        Error(QStringLiteral("Expression expected"));
    list->AddStatement(std::move(stmt));
}

TfsCustomVariable *TfsTranslator::LoopVariable(const TfsXMLItem *ident)
{
    if (!ident)
        Error(QStringLiteral("Identifier expected"));
    const QString name = TextOf(ident);
    TfsCustomVariable *variable = m_prog->Find(name);
    if (!variable && !m_declareVars) {
        auto created = std::make_unique<TfsVariable>(name, fvtVariant, QStringLiteral("Variant"));
        created->SetValue(Variant::Null());
        variable = m_prog->AddItem(std::move(created));
    }
    if (!variable)
        Error(fsErrors::UndeclaredIdentifier(name), ident->Prop(kPos));
    if (!variable->ValueRef() || variable->IsReadOnly())
        Error(fsErrors::VariableRequired(), ident->Prop(kPos));
    TfsVarType t = variable->Typ();
    if (t != fvtInt && t != fvtInt64 && t != fvtVariant && t != fvtFloat && t != fvtEnum)
        Error(fsErrors::ForLoopVariable(), ident->Prop(kPos));
    return variable;
}

void TfsTranslator::DoFor(const TfsXMLItem *e, TfsStatement *list)
{
    auto stmt = NewStatement<TfsForStmt>(e);
    stmt->Variable = LoopVariable(Child(e, "ident"));
    if (stmt->Variable->Typ() == fvtFloat)
        Error(fsErrors::ForLoopVariable(), Child(e, "ident")->Prop(kPos));
    int exprs = 0;
    int bodyFrom = e->Count();
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (Is(child, "expr") && exprs < 2) {
            std::unique_ptr<TfsExpression> value = MakeExpression(child);
            if (!TypesCompatible({fvtInt, QString()}, value->TypeRec(), m_prog))
                Error(fsErrors::IncompatibleTypes(), child->Prop(kPos));
            (exprs++ == 0 ? stmt->BeginValue : stmt->EndValue) = std::move(value);
            if (exprs == 2) {
                bodyFrom = i + 1;
                break;
            }
        } else if (Is(child, "downto")) {
            stmt->Down = true;
        }
    }
    if (exprs < 2)
        Error(QStringLiteral("Expression expected"));
    TranslateChildren(e, stmt.get(), bodyFrom);
    list->AddStatement(std::move(stmt));
}

void TfsTranslator::DoVbFor(const TfsXMLItem *e, TfsStatement *list)
{
    auto stmt = NewStatement<TfsVbForStmt>(e);
    stmt->Variable = LoopVariable(Child(e, "ident"));
    int exprs = 0;
    int bodyFrom = e->Count();
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (Is(child, "ident"))
            continue;
        if (Is(child, "expr") && exprs < 3) {
            std::unique_ptr<TfsExpression> value = MakeExpression(child);
            if (exprs == 0)
                stmt->BeginValue = std::move(value);
            else if (exprs == 1)
                stmt->EndValue = std::move(value);
            else
                stmt->Step = std::move(value);
            ++exprs;
            bodyFrom = i + 1;
            continue;
        }
        bodyFrom = i;
        break;
    }
    if (exprs < 2)
        Error(QStringLiteral("Expression expected"));
    TranslateChildren(e, stmt.get(), bodyFrom);
    list->AddStatement(std::move(stmt));
}

void TfsTranslator::DoCppFor(const TfsXMLItem *e, TfsStatement *list)
{
    auto stmt = NewStatement<TfsCppForStmt>(e);
    int i = 0;
    if (i < e->Count() && Is(e->Items(i), "compoundstmt"))
        TranslateChildren(e->Items(i++), stmt->Init());
    if (i < e->Count() && Is(e->Items(i), "expr"))
        stmt->Condition = MakeExpression(e->Items(i++));
    if (i < e->Count() && Is(e->Items(i), "compoundstmt"))
        TranslateChildren(e->Items(i++), stmt->StepStmt());
    TranslateChildren(e, stmt.get(), i);
    list->AddStatement(std::move(stmt));
}

void TfsTranslator::DoWhile(const TfsXMLItem *e, TfsStatement *list)
{
    auto stmt = NewStatement<TfsWhileStmt>(e);
    int i = 0;
    if (i < e->Count() && Is(e->Items(i), "inverse")) {
        stmt->Inverse = true;
        ++i;
    }
    if (i >= e->Count() || !Is(e->Items(i), "expr"))
        Error(QStringLiteral("Expression expected"));
    stmt->Condition = MakeExpression(e->Items(i++));
    TranslateChildren(e, stmt.get(), i);
    list->AddStatement(std::move(stmt));
}

void TfsTranslator::DoRepeat(const TfsXMLItem *e, TfsStatement *list)
{
    auto stmt = NewStatement<TfsRepeatStmt>(e);
    int last = e->Count() - 1;
    if (last < 0 || !Is(e->Items(last), "expr"))
        Error(QStringLiteral("Expression expected"));
    int end = last;
    if (end > 0 && Is(e->Items(end - 1), "inverse")) {
        stmt->Inverse = true;
        --end;
    }
    for (int i = 0; i < end; ++i)
        TranslateElement(e->Items(i), stmt.get());
    stmt->Condition = MakeExpression(e->Items(last));
    list->AddStatement(std::move(stmt));
}

void TfsTranslator::DoTry(const TfsXMLItem *e, TfsStatement *list)
{
    auto stmt = NewStatement<TfsTryStmt>(e);
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (Is(child, "exceptstmt") || Is(child, "finallystmt")) {
            stmt->IsExcept = Is(child, "exceptstmt");
            SetPos(child);
            TranslateChildren(child, stmt->Handler());
        } else {
            TranslateElement(child, stmt.get());
        }
    }
    list->AddStatement(std::move(stmt));
}

void TfsTranslator::DoReturn(const TfsXMLItem *e, TfsStatement *list, bool withValue)
{
    auto stmt = NewStatement<TfsExitStmt>(e);
    if (withValue) {
        if (const TfsXMLItem *expr = Child(e, "expr")) {
            stmt->Value = MakeExpression(expr);
            if (m_currentRoutine && m_currentRoutine->ResultVar()) {
                stmt->ResultVar = m_currentRoutine->ResultVar();
                if (!TypesCompatible(stmt->ResultVar->TypeRec(), stmt->Value->TypeRec(), m_prog))
                    Error(fsErrors::IncompatibleTypes(), expr->Prop(kPos));
            }
        }
    }
    list->AddStatement(std::move(stmt));
}

void TfsTranslator::DoWith(const TfsXMLItem *e, TfsStatement *list)
{
    auto stmt = NewStatement<TfsWithStmt>(e);
    const size_t withDepth = m_with.size();
    int i = 0;
    for (; i < e->Count() && Is(e->Items(i), "dsgn"); ++i) {
        const TfsXMLItem *dsgn = e->Items(i);
        std::unique_ptr<TfsDesignator> d = MakeDesignator(dsgn, Use::Value);
        if (d->Typ() != fvtClass || !ClassOfType(d->TypeRec()))
            Error(fsErrors::ClassTypeRequired(), dsgn->Prop(kPos));
        auto hidden = std::make_unique<TfsVariable>(QStringLiteral("__with%1").arg(++m_withCounter), fvtClass,
                                                    d->TypeName());
        TfsCustomVariable *variable = m_prog->AddItem(std::move(hidden));
        m_with.push_back({d->TypeRec(), variable});
        stmt->Targets.push_back({std::move(d), variable});
    }
    TranslateChildren(e, stmt.get(), i);
    m_with.resize(withDepth);
    list->AddStatement(std::move(stmt));
}

void TfsTranslator::DoDelete(const TfsXMLItem *e, TfsStatement *list)
{
    const TfsXMLItem *dsgn = Child(e, "dsgn");
    if (!dsgn)
        Error(QStringLiteral("Identifier expected"));
    auto stmt = NewStatement<TfsDeleteStmt>(e);
    stmt->Designator = MakeDesignator(dsgn, Use::Value);
    list->AddStatement(std::move(stmt));
}

// ---- expressions --------------------------------------------------------------------------------------

std::unique_ptr<TfsExpression> TfsTranslator::MakeExpression(const TfsXMLItem *e)
{
    const QString saved = m_pos;
    SetPos(e);
    auto expression = std::make_unique<TfsExpression>(m_prog);
    AddExpressionItems(expression.get(), e);
    expression->Finalize();
    m_pos = saved;
    return expression;
}

void TfsTranslator::AddExpressionItems(TfsExpression *expression, const TfsXMLItem *e)
{
    const int count = e->Count();
    for (int i = 0; i < count; ++i) {
        const TfsXMLItem *child = e->Items(i);
        const QString &name = child->Name();
        if (name == QLatin1String("op")) {
            const QString text = TextOf(child);
            if (text != QLatin1String(")") && i == count - 1)
                continue;
            expression->AddOperator(text, child->Prop(kPos));
        } else if (name == QLatin1String("number") || name == QLatin1String("string")) {
            expression->AddOperand(MakeConstant(child));
        } else if (name == QLatin1String("dsgn")) {
            auto node = std::make_unique<TfsDesignatorNode>(MakeDesignator(child, Use::Value));
            node->Pos = child->Prop(kPos);
            expression->AddOperand(std::move(node));
        } else if (name == QLatin1String("set")) {
            auto node = std::make_unique<TfsSetNode>(MakeSet(child));
            node->Pos = child->Prop(kPos);
            expression->AddOperand(std::move(node));
        } else if (name == QLatin1String("new")) {
            const TfsXMLItem *dsgn = Child(child, "dsgn");
            if (!dsgn)
                Error(fsErrors::ClassTypeRequired(), child->Prop(kPos));
            auto node = std::make_unique<TfsDesignatorNode>(MakeDesignator(dsgn, Use::New));
            node->Pos = child->Prop(kPos);
            expression->AddOperand(std::move(node));
        } else if (name == QLatin1String("expr")) {
            AddExpressionItems(expression, child);
        } else {
            Error(QStringLiteral("Expression expected"), child->Prop(kPos));
        }
    }
}

std::unique_ptr<TfsExpressionNode> TfsTranslator::MakeConstant(const TfsXMLItem *e)
{
    const QString text = TextOf(e);
    std::unique_ptr<TfsOperandNode> node;
    if (text.startsWith(QLatin1Char('\''))) {
        node = std::make_unique<TfsOperandNode>(Variant(text.mid(1, text.size() - 2)));
        node->Type = {fvtString, QStringLiteral("String")};
    } else {
        bool ok = false;
        qint64 value = 0;
        if (text.startsWith(QLatin1Char('$')))
            value = qint64(text.mid(1).toULongLong(&ok, 16));
        else
            value = text.toLongLong(&ok, 10);
        if (ok) {
            if (value >= INT32_MIN && value <= INT32_MAX) {
                node = std::make_unique<TfsOperandNode>(Variant(int(value)));
                node->Type = {fvtInt, QStringLiteral("Integer")};
            } else {
                node = std::make_unique<TfsOperandNode>(Variant(static_cast<long long>(value)));
                node->Type = {fvtInt64, QStringLiteral("Int64")};
            }
        } else {
            double d = 0;
            if (!Variant::TextToFloat(text, d))
                Error(QStringLiteral("Invalid number: ") + text, e->Prop(kPos));
            node = std::make_unique<TfsOperandNode>(Variant(d));
            node->Type = {fvtFloat, QStringLiteral("Extended")};
        }
    }
    node->Pos = e->Prop(kPos);
    return node;
}

std::unique_ptr<TfsSetExpression> TfsTranslator::MakeSet(const TfsXMLItem *e)
{
    auto set = std::make_unique<TfsSetExpression>();
    bool range = false;
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (Is(child, "range")) {
            range = true;
        } else if (Is(child, "expr")) {
            if (range)
                set->AddRange(MakeExpression(child));
            else
                set->AddValue(MakeExpression(child));
            range = false;
        }
    }
    return set;
}

TfsClassVariable *TfsTranslator::ClassOfType(const TfsTypeRec &type) const
{
    if (type.Typ != fvtClass)
        return nullptr;
    return m_prog->FindClass(type.TypeName);
}

std::unique_ptr<TfsDesignator> TfsTranslator::MakeDesignator(const TfsXMLItem *e, Use use)
{
    const QString savedPos = m_pos;
    SetPos(e);
    std::vector<RawStep> steps;
    bool addr = false;
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (Is(child, "addr")) {
            addr = true;
        } else if (Is(child, "node")) {
            RawStep step;
            step.Name = TextOf(child);
            step.Pos = child->Prop(kPos);
            step.IsIndex = step.Name == QLatin1String("[");
            steps.push_back(std::move(step));
        } else if (Is(child, "expr")) {
            if (steps.empty())
                Error(QStringLiteral("Identifier expected"), child->Prop(kPos));
            steps.back().Args.push_back(child);
        }
    }
    if (steps.empty() || steps[0].IsIndex)
        Error(QStringLiteral("Identifier expected"));

    auto d = std::make_unique<TfsDesignator>(m_prog);
    // @Proc: the name of a routine, for event handlers.
    if (addr) {
        TfsCustomVariable *routine = m_prog->Find(steps[0].Name);
        if (!routine || !routine->IsRoutine() || steps.size() != 1)
            Error(fsErrors::UndeclaredIdentifier(steps[0].Name), steps[0].Pos);
        TfsDesignatorItem item;
        item.Helper = std::make_unique<TfsConstant>(routine->Name(), fvtVariant, QStringLiteral("Variant"),
                                                    Variant(routine->Name()));
        item.Ref = item.Helper.get();
        item.Type = {fvtVariant, QStringLiteral("Variant")};
        item.Name = steps[0].Name;
        item.Pos = steps[0].Pos;
        d->Items().push_back(std::move(item));
        d->Finish();
        m_pos = savedPos;
        return d;
    }

    size_t first =
        ResolveFirst(d.get(), steps[0], use, steps.size() == 1, steps.size() > 1 ? &steps[1] : nullptr);
    for (size_t k = first; k < steps.size(); ++k) {
        m_pos = steps[k].Pos;
        const RawStep &step = steps[k];
        if (step.IsIndex) {
            AddIndex(d.get(), step);
            continue;
        }
        const TfsTypeRec owner = d->Items().back().Type;
        switch (owner.Typ) {
        case fvtClass: {
            TfsClassVariable *cls = ClassOfType(owner);
            TfsCustomVariable *member = cls ? cls->FindMember(step.Name) : nullptr;
            if (!member && cls && step.Name.compare(QLatin1String("Create"), Qt::CaseInsensitive) == 0 &&
                dynamic_cast<TfsClassRefHelper *>(d->Items().back().Ref)) {
                // TFoo.Create without a registered constructor.
                TfsDesignatorItem item;
                item.Helper = std::make_unique<TfsNewHelper>(cls->Name(), cls->Meta());
                item.Ref = item.Helper.get();
                item.Type = {fvtClass, cls->Name()};
                item.Name = step.Name;
                item.Pos = step.Pos;
                d->Items().push_back(std::move(item));
                break;
            }
            if (!cls) {
                // A class the script does not know: its members are found when the code runs.
                TfsDesignatorItem item;
                item.Helper = std::make_unique<TfsLateBoundHelper>(step.Name);
                item.Ref = item.Helper.get();
                item.Type = {fvtVariant, QStringLiteral("Variant")};
                item.Name = step.Name;
                item.Pos = step.Pos;
                AddArgs(item, step);
                d->Items().push_back(std::move(item));
                break;
            }
            if (!member)
                Error(fsErrors::UndeclaredIdentifier(step.Name), step.Pos);
            if (AddMember(d.get(), step, member, k + 1 < steps.size() ? &steps[k + 1] : nullptr))
                ++k;
            break;
        }
        case fvtString:
        case fvtChar:
            Error(fsErrors::StringsHaveNoMembers(), step.Pos);
        case fvtVariant: {
            TfsDesignatorItem item;
            item.Helper = std::make_unique<TfsLateBoundHelper>(step.Name);
            item.Ref = item.Helper.get();
            item.Type = {fvtVariant, QStringLiteral("Variant")};
            item.Name = step.Name;
            item.Pos = step.Pos;
            AddArgs(item, step);
            d->Items().push_back(std::move(item));
            break;
        }
        default:
            Error(fsErrors::UndeclaredIdentifier(step.Name), step.Pos);
        }
    }
    if (use == Use::New) {
        // new X(args): the first step names a class; it is created by its constructor.
        TfsDesignatorItem &classItem = d->Items()[0];
        if (!dynamic_cast<TfsClassRefHelper *>(classItem.Ref) || d->Items().size() != 1)
            Error(fsErrors::ClassTypeRequired(), steps[0].Pos);
        TfsClassVariable *cls = m_prog->FindClass(classItem.Name);
        RawStep step = steps[0];
        TfsDesignatorItem item;
        item.Name = step.Name;
        item.Pos = step.Pos;
        item.Type = {fvtClass, cls->Name()};
        if (TfsMethodHelper *constructor = cls->Constructor()) {
            item.Helper = std::make_unique<TfsConstructorCall>(constructor);
            item.Ref = item.Helper.get();
            AddCall(item, constructor, step);
            item.Type = {fvtClass, cls->Name()};
        } else {
            if (!step.Args.empty())
                Error(fsErrors::TooManyParameters(), step.Pos);
            item.Helper = std::make_unique<TfsNewHelper>(cls->Name(), cls->Meta());
            item.Ref = item.Helper.get();
        }
        d->Items().clear();
        d->Items().push_back(std::move(item));
    }
    d->Finish();
    m_pos = savedPos;
    return d;
}

size_t TfsTranslator::ResolveFirst(TfsDesignator *d, const RawStep &step, Use use, bool single,
                                   const RawStep *next)
{
    const QString &name = step.Name;
    // Members of the objects of enclosing with-statements come first, innermost first.
    for (size_t w = m_with.size(); w-- > 0;) {
        TfsClassVariable *cls = ClassOfType(m_with[w].Type);
        if (!cls)
            continue;
        if (TfsCustomVariable *member = cls->FindMember(name)) {
            TfsDesignatorItem holder;
            holder.Ref = m_with[w].Variable;
            holder.Type = m_with[w].Type;
            holder.Name = m_with[w].Variable->Name();
            holder.Pos = step.Pos;
            d->Items().push_back(std::move(holder));
            return AddMember(d, step, member, next) ? 2 : 1;
        }
    }

    TfsCustomVariable *item = m_prog->Find(name);
    // Assigning to the function's own name sets its result.
    if (use == Use::Assign && single && step.Args.empty() && m_currentRoutine && m_currentRoutine->IsFunc() &&
        name.compare(m_currentRoutine->Name(), Qt::CaseInsensitive) == 0)
        item = m_currentRoutine->ResultVar();
    if (!item) {
        bool hostValues = false;
        for (TfsScript *s = m_prog; s; s = s->Parent())
            hostValues = hostValues || bool(s->OnGetVarValue);
        if (!m_declareVars && step.Args.empty()) {
            auto created = std::make_unique<TfsVariable>(name, fvtVariant, QStringLiteral("Variant"));
            created->SetValue(Variant::Null());
            item = m_prog->AddItem(std::move(created));
        } else if (hostValues && step.Args.empty()) {
            item = m_prog->AddItem(std::make_unique<TfsHostValueVariable>(name, m_prog));
        } else {
            Error(fsErrors::UndeclaredIdentifier(name), step.Pos);
        }
    }

    TfsDesignatorItem first;
    first.Name = name;
    first.Pos = step.Pos;
    if (auto *cls = dynamic_cast<TfsClassVariable *>(item)) {
        if (!step.Args.empty() && use != Use::New) {
            // TfrxMemoView(Sender): a typecast.
            first.Helper = std::make_unique<TfsTypeCastHelper>(TfsTypeRec{fvtClass, cls->Name()});
            first.Ref = first.Helper.get();
            AddCall(first, first.Ref, step);
            first.Type = {fvtClass, cls->Name()};
        } else {
            first.Helper = std::make_unique<TfsClassRefHelper>(cls->Name());
            first.Ref = first.Helper.get();
            first.Type = {fvtClass, cls->Name()};
        }
        d->Items().push_back(std::move(first));
        return 1;
    }
    if (dynamic_cast<TfsTypeVariable *>(item)) {
        if (step.Args.size() != 1)
            Error(fsErrors::VariableRequired(), step.Pos);
        first.Helper = std::make_unique<TfsTypeCastHelper>(item->TypeRec());
        first.Ref = first.Helper.get();
        AddCall(first, first.Ref, step);
        first.Type = item->TypeRec();
        d->Items().push_back(std::move(first));
        return 1;
    }
    if (item->IsRoutine()) {
        AddCall(first, item, step);
        d->Items().push_back(std::move(first));
        return 1;
    }
    first.Ref = item;
    first.Type = item->TypeRec();
    const bool indexed = !step.Args.empty();
    d->Items().push_back(std::move(first));
    if (indexed) {
        // a(1) on a variable (BasicScript arrays): an index.
        RawStep index = step;
        index.Name = QStringLiteral("[");
        AddIndex(d, index);
    }
    return 1;
}

bool TfsTranslator::AddMember(TfsDesignator *d, const RawStep &step, TfsCustomVariable *member,
                              const RawStep *next)
{
    TfsDesignatorItem item;
    item.Name = step.Name;
    item.Pos = step.Pos;
    if (auto *method = dynamic_cast<TfsMethodHelper *>(member); method && method->IsConstructor()) {
        item.Helper = std::make_unique<TfsConstructorCall>(method);
        item.Ref = item.Helper.get();
        AddCall(item, method, step);
        item.Ref = item.Helper.get();
        d->Items().push_back(std::move(item));
        return false;
    }
    if (member->IsRoutine()) {
        AddCall(item, member, step);
        d->Items().push_back(std::move(item));
        return false;
    }
    if (auto *property = dynamic_cast<TfsPropertyHelper *>(member); property && property->IsIndexed()) {
        // Items[i] is written as the name and an index step: the index belongs to the property.
        const bool takesNext = step.Args.empty() && next && next->IsIndex;
        const RawStep &indexes = takesNext ? *next : step;
        if (indexes.Args.empty())
            Error(fsErrors::IndexRequired(), step.Pos);
        item.Ref = member;
        item.Type = member->TypeRec();
        AddArgs(item, indexes);
        d->Items().push_back(std::move(item));
        return takesNext;
    }
    item.Ref = member;
    item.Type = member->TypeRec();
    d->Items().push_back(std::move(item));
    if (!step.Args.empty()) {
        RawStep index = step;
        index.Name = QStringLiteral("[");
        AddIndex(d, index);
    }
    return false;
}

void TfsTranslator::AddIndex(TfsDesignator *d, const RawStep &step)
{
    if (step.Args.empty())
        Error(fsErrors::IndexRequired(), step.Pos);
    TfsDesignatorItem &base = d->Items().back();
    const TfsTypeRec owner = base.Type;
    TfsDesignatorItem item;
    item.Name = QStringLiteral("[");
    item.Pos = step.Pos;
    switch (owner.Typ) {
    case fvtArray: {
        // The element type when all dimensions are given, else an array of the rest.
        int dims = m_arrayDims.value(base.Ref, 1);
        TfsTypeRec element = owner.TypeName.isEmpty() ? TfsTypeRec{fvtVariant, QStringLiteral("Variant")}
                                                      : ResolveTypeText(owner.TypeName, step.Pos);
        if (d->Items().size() > 1 || int(step.Args.size()) > dims)
            element = {fvtVariant, QStringLiteral("Variant")};
        else if (int(step.Args.size()) < dims)
            element = {fvtArray, owner.TypeName};
        item.Helper = std::make_unique<TfsArrayHelper>(element.Typ, element.TypeName);
        item.Type = element;
        item.IsIndex = true;
        break;
    }
    case fvtString:
    case fvtChar:
        if (step.Args.size() != 1)
            Error(fsErrors::ArrayTypeRequired(), step.Pos);
        item.Helper = std::make_unique<TfsArrayHelper>(fvtChar, QStringLiteral("Char"));
        item.Type = {fvtChar, QStringLiteral("Char")};
        item.IsIndex = true;
        break;
    case fvtVariant:
        item.Helper = std::make_unique<TfsArrayHelper>(fvtVariant, QStringLiteral("Variant"));
        item.Type = {fvtVariant, QStringLiteral("Variant")};
        item.IsIndex = true;
        break;
    case fvtClass: {
        TfsClassVariable *cls = ClassOfType(owner);
        TfsPropertyHelper *property = cls ? cls->DefaultProperty() : nullptr;
        if (!property)
            Error(fsErrors::NoDefaultProperty(owner.TypeName), step.Pos);
        item.Ref = property;
        item.Type = property->TypeRec();
        item.Name = property->Name();
        AddArgs(item, step);
        d->Items().push_back(std::move(item));
        return;
    }
    default:
        Error(fsErrors::ArrayTypeRequired(), step.Pos);
    }
    item.Ref = item.Helper.get();
    AddArgs(item, step);
    d->Items().push_back(std::move(item));
}

void TfsTranslator::AddArgs(TfsDesignatorItem &item, const RawStep &step)
{
    for (const TfsXMLItem *arg : step.Args)
        item.Args.push_back(MakeExpression(arg));
    item.ValueCount = int(item.Args.size());
}

void TfsTranslator::AddCall(TfsDesignatorItem &item, TfsCustomVariable *routine, const RawStep &step)
{
    const int given = int(step.Args.size());
    if (given > routine->ParamCount())
        Error(fsErrors::TooManyParameters(), step.Pos);
    if (given < routine->RequiredParamCount())
        Error(fsErrors::NotEnoughParameters(), step.Pos);
    if (!item.Ref)
        item.Ref = routine;
    item.Type = routine->TypeRec();
    bool anyVar = false;
    for (int i = 0; i < given; ++i) {
        std::unique_ptr<TfsExpression> arg = MakeExpression(step.Args[size_t(i)]);
        TfsParamItem *param = routine->Params(i);
        TfsDesignator *target = nullptr;
        if (param->IsVarParam()) {
            target = arg->SingleDesignator();
            if (!target || !target->IsWritable())
                Error(fsErrors::VariableRequired(), step.Args[size_t(i)]->Prop(kPos));
            anyVar = true;
        }
        if (!TypesCompatible(param->TypeRec(), arg->TypeRec(), m_prog))
            Error(fsErrors::IncompatibleTypes(), step.Args[size_t(i)]->Prop(kPos));
        item.Args.push_back(std::move(arg));
        item.VarArgs.push_back(target);
    }
    if (!anyVar)
        item.VarArgs.clear();
    for (int i = given; i < routine->ParamCount(); ++i)
        item.Defaults.push_back(routine->Params(i)->DefValue());
    item.ValueCount = std::max(given, routine->ParamCount());
}

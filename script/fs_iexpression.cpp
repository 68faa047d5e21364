// Expression trees: building with operator priorities, type checks and evaluation.

#include "script/fs_iexpression.h"

#include "script/fs_imeta.h"

namespace {

// A longer expression is refused: evaluating and freeing a tree recurses once per level, and a
// left-grouped chain of n operators is n levels deep.
constexpr int MaxExpressionNodes = 2048;

[[noreturn]] void Incompatible(const QString &position)
{
    throw EfsCompileError(fsErrors::IncompatibleTypes(), position);
}

bool IsRelational(TfsOperatorType op)
{
    return op >= opGreat && op <= opEq;
}

} // namespace

// ---- nodes ----------------------------------------------------------------------------------------

void TfsExpressionNode::AddNode(std::unique_ptr<TfsExpressionNode> node)
{
    node->Parent = this;
    if (!Left)
        Left = std::move(node);
    else if (!Right)
        Right = std::move(node);
    else
        throw EfsCompileError(QStringLiteral("Invalid expression"), node->Pos);
}

std::unique_ptr<TfsExpressionNode> TfsExpressionNode::RemoveNode(TfsExpressionNode *node)
{
    std::unique_ptr<TfsExpressionNode> taken;
    if (node && Left.get() == node)
        taken = std::move(Left);
    else if (node && Right.get() == node)
        taken = std::move(Right);
    if (taken)
        taken->Parent = nullptr;
    return taken;
}

TfsDesignatorNode::TfsDesignatorNode(std::unique_ptr<TfsDesignator> designator)
    : m_designator(std::move(designator)), m_simple(m_designator->SimpleVariable())
{
    Type = m_designator->TypeRec();
}

TfsDesignatorNode::~TfsDesignatorNode() = default;

Variant TfsDesignatorNode::Value()
{
    return m_simple ? m_simple->GetValue() : m_designator->GetValue();
}

TfsSetNode::TfsSetNode(std::unique_ptr<TfsSetExpression> set) : m_set(std::move(set))
{
    Type = {fvtVariant, QString()};
}

TfsSetNode::~TfsSetNode() = default;

Variant TfsSetNode::Value()
{
    return m_set->GetValue();
}

int TfsOperatorNode::Priority() const
{
    switch (m_op) {
    case opNot:
    case opUnMinus:
        return 1;
    case opMul:
    case opDivFloat:
    case opDivInt:
    case opMod:
    case opAnd:
    case opShl:
    case opShr:
        return 2;
    case opPlus:
    case opMinus:
    case opOr:
    case opXor:
        return 3;
    case opRightBracket:
        return 5;
    case opLeftBracket:
        return 6;
    case opNone:
        return 7;
    default: // relational, IN, IS
        return 4;
    }
}

std::unique_ptr<TfsOperatorNode> TfsOperatorNode::Create(const QString &text)
{
    const QString op = text.toUpper();
    if (op == QLatin1String(">"))
        return std::make_unique<TGreatNode>();
    if (op == QLatin1String("<"))
        return std::make_unique<TLessNode>();
    if (op == QLatin1String("<="))
        return std::make_unique<TLessEqNode>();
    if (op == QLatin1String(">="))
        return std::make_unique<TGreatEqNode>();
    if (op == QLatin1String("<>"))
        return std::make_unique<TNonEqNode>();
    if (op == QLatin1String("="))
        return std::make_unique<TEqNode>();
    if (op == QLatin1String("+"))
        return std::make_unique<TPlusNode>();
    if (op == QLatin1String("STRCAT"))
        return std::make_unique<TStrCatNode>();
    if (op == QLatin1String("-"))
        return std::make_unique<TMinusNode>();
    if (op == QLatin1String("OR"))
        return std::make_unique<TOrNode>();
    if (op == QLatin1String("XOR"))
        return std::make_unique<TXorNode>();
    if (op == QLatin1String("*"))
        return std::make_unique<TMulNode>();
    if (op == QLatin1String("/"))
        return std::make_unique<TDivFloatNode>();
    if (op == QLatin1String("DIV"))
        return std::make_unique<TDivIntNode>();
    if (op == QLatin1String("MOD"))
        return std::make_unique<TModNode>();
    if (op == QLatin1String("AND"))
        return std::make_unique<TAndNode>();
    if (op == QLatin1String("SHL"))
        return std::make_unique<TShlNode>();
    if (op == QLatin1String("SHR"))
        return std::make_unique<TShrNode>();
    if (op == QLatin1String("("))
        return std::make_unique<TLeftBracketNode>();
    if (op == QLatin1String(")"))
        return std::make_unique<TRightBracketNode>();
    if (op == QLatin1String("NOT"))
        return std::make_unique<TNotNode>();
    if (op == QLatin1String("UNMINUS"))
        return std::make_unique<TUnMinusNode>();
    if (op == QLatin1String("IN"))
        return std::make_unique<TInNode>();
    if (op == QLatin1String("IS"))
        return std::make_unique<TIsNode>();
    return nullptr;
}

Variant TNoneNode::Value()
{
    return Left->Value();
}
Variant TGreatNode::Value()
{
    return Variant(Variant::Compare(Left->Value(), Right->Value()) == Variant::Order::Greater);
}
Variant TLessNode::Value()
{
    return Variant(Variant::Compare(Left->Value(), Right->Value()) == Variant::Order::Less);
}
Variant TLessEqNode::Value()
{
    return Variant(Variant::Compare(Left->Value(), Right->Value()) != Variant::Order::Greater);
}
Variant TGreatEqNode::Value()
{
    return Variant(Variant::Compare(Left->Value(), Right->Value()) != Variant::Order::Less);
}
Variant TNonEqNode::Value()
{
    return Variant(!Variant::Equal(Left->Value(), Right->Value()));
}
Variant TEqNode::Value()
{
    return Variant(Variant::Equal(Left->Value(), Right->Value()));
}
Variant TPlusNode::Value()
{
    return Variant::Add(Left->Value(), Right->Value());
}
Variant TStrCatNode::Value()
{
    Variant left = Left->Value();
    if (left.IsString())
        return Variant::Concat(left, Right->Value());
    return Variant::Add(left, Right->Value());
}
Variant TMinusNode::Value()
{
    return Variant::Subtract(Left->Value(), Right->Value());
}
Variant TOrNode::Value()
{
    Variant left = Left->Value();
    if (ShortEval)
        return left.ToBool() ? left : Right->Value();
    return Variant::Or(left, Right->Value());
}
Variant TXorNode::Value()
{
    return Variant::Xor(Left->Value(), Right->Value());
}
Variant TMulNode::Value()
{
    return Variant::Multiply(Left->Value(), Right->Value());
}
Variant TDivFloatNode::Value()
{
    return Variant::Divide(Left->Value(), Right->Value());
}
Variant TDivIntNode::Value()
{
    return Variant::IntDivide(Left->Value(), Right->Value());
}
Variant TModNode::Value()
{
    return Variant::Modulus(Left->Value(), Right->Value());
}
Variant TAndNode::Value()
{
    Variant left = Left->Value();
    if (ShortEval)
        return left.ToBool() ? Right->Value() : left;
    return Variant::And(left, Right->Value());
}
Variant TShlNode::Value()
{
    return Variant::Shl(Left->Value(), Right->Value());
}
Variant TShrNode::Value()
{
    return Variant::Shr(Left->Value(), Right->Value());
}
Variant TLeftBracketNode::Value()
{
    return Left->Value();
}
Variant TRightBracketNode::Value()
{
    return Left->Value();
}
Variant TNotNode::Value()
{
    return Variant::Not(Left->Value());
}
Variant TUnMinusNode::Value()
{
    return Variant::Negate(Left->Value());
}

Variant TInNode::Value()
{
    Variant left = Left->Value();
    if (auto *set = dynamic_cast<TfsSetNode *>(Right.get()))
        return Variant(set->Set()->Contains(left));
    Variant right = Right->Value();
    if (right.IsArray()) {
        for (const Variant &element : right.ArrayElements())
            if (Variant::Equal(left, element))
                return Variant(true);
        return Variant(false);
    }
    if (right.IsOrdinal() && left.IsOrdinal()) {
        // A set held as its bit mask: every bit of the member must be in it.
        qint64 member = left.ToInt64();
        return Variant(member != 0 && (right.ToInt64() & member) == member);
    }
    if (right.IsEmptyOrNull())
        return Variant(false);
    throw EVariantInvalidOpError();
}

Variant TIsNode::Value()
{
    TfsInstance instance = TfsInstance::From(Left->Value());
    if (instance.IsNull())
        return Variant(false);
    if (fsMeta::Inherits(instance.Meta, ClassName))
        return Variant(true);
    return Variant(qobject_cast<TfsStringsProxy *>(instance.Object) &&
                   (ClassName.compare(QLatin1String("TStrings"), Qt::CaseInsensitive) == 0 ||
                    ClassName.compare(QLatin1String("TPersistent"), Qt::CaseInsensitive) == 0));
}

// ---- expressions ------------------------------------------------------------------------------------

TfsExpression::TfsExpression(TfsScript *script)
    : m_script(script), m_root(std::make_unique<TNoneNode>()), m_current(m_root.get())
{
}

TfsExpression::~TfsExpression()
{
    // Free deep left-grouped chains from the bottom up, without recursing once per level.
    std::vector<std::unique_ptr<TfsExpressionNode>> pending;
    pending.push_back(std::move(m_root));
    while (!pending.empty()) {
        std::unique_ptr<TfsExpressionNode> node = std::move(pending.back());
        pending.pop_back();
        if (!node)
            continue;
        if (node->Left)
            pending.push_back(std::move(node->Left));
        if (node->Right)
            pending.push_back(std::move(node->Right));
    }
}

void TfsExpression::AddOperand(std::unique_ptr<TfsExpressionNode> node)
{
    if (!m_current)
        throw EfsCompileError(QStringLiteral("Invalid expression"), node->Pos);
    TfsExpressionNode *raw = node.get();
    m_current->AddNode(std::move(node));
    m_current = raw;
}

void TfsExpression::AddOperator(const QString &op, const QString &position)
{
    std::unique_ptr<TfsOperatorNode> created = TfsOperatorNode::Create(op);
    if (!created)
        throw EfsCompileError(QStringLiteral("Unknown operator: ") + op, position);
    created->Pos = position;
    const TfsOperatorType type = created->Op();
    std::unique_ptr<TfsExpressionNode> node = std::move(created);
    TfsExpressionNode *raw = node.get();

    if (type == opLeftBracket || type == opUnMinus || type == opNot) {
        AddOperand(std::move(node));
        return;
    }
    if (type == opRightBracket) {
        // Up to the nearest "(": it gives way to the one node it holds.
        TfsExpressionNode *n = m_current;
        while (n && n->Priority() <= 5)
            n = n->Parent;
        if (!n || n->Priority() != 6 || !n->Parent || !n->Left)
            throw EfsCompileError(QStringLiteral("Invalid expression"), position);
        TfsExpressionNode *parent = n->Parent;
        std::unique_ptr<TfsExpressionNode> bracket = parent->RemoveNode(n);
        std::unique_ptr<TfsExpressionNode> inner = std::move(bracket->Left);
        TfsExpressionNode *innerRaw = inner.get();
        parent->AddNode(std::move(inner));
        m_current = innerRaw;
        return;
    }
    if (m_current == m_root.get()) {
        m_root->AddNode(std::move(node));
        m_current = raw;
        return;
    }
    // Climb while the parent binds at least as tightly; equal priorities group from the left. An
    // open "(" is never left.
    TfsExpressionNode *n = m_current;
    TfsExpressionNode *n1 = nullptr;
    if (m_current->Priority() != 6) {
        n = m_current->Parent;
        n1 = m_current;
    }
    while (n->Priority() <= raw->Priority()) {
        n1 = n;
        n = n->Parent;
    }
    std::unique_ptr<TfsExpressionNode> taken = n->RemoveNode(n1);
    n->AddNode(std::move(node));
    if (taken)
        raw->AddNode(std::move(taken));
    m_current = raw;
}

void TfsExpression::Finalize()
{
    if (!m_root->Left)
        throw EfsCompileError(QStringLiteral("Expression expected"));
    // Count the nodes without recursing, and refuse a tree too deep to walk safely.
    int count = 0;
    std::vector<TfsExpressionNode *> pending{m_root.get()};
    while (!pending.empty()) {
        TfsExpressionNode *node = pending.back();
        pending.pop_back();
        if (++count > MaxExpressionNodes)
            throw EfsCompileError(QStringLiteral("Expression too complex"), m_root->Left->Pos);
        if (node->Left)
            pending.push_back(node->Left.get());
        if (node->Right)
            pending.push_back(node->Right.get());
    }
    std::unique_ptr<TfsExpressionNode> child = std::move(m_root->Left);
    child->Parent = nullptr;
    m_root = std::move(child);
    m_current = nullptr;
    Check(m_root.get());
    SetType(m_root->Type.Typ, m_root->Type.TypeName);
}

void TfsExpression::Check(TfsExpressionNode *node)
{
    if (node->Left)
        Check(node->Left.get());
    if (node->Right)
        Check(node->Right.get());
    auto *op = dynamic_cast<TfsOperatorNode *>(node);
    if (!op)
        return;
    const TfsOperatorType type = op->Op();
    if (!node->Left)
        throw EfsCompileError(QStringLiteral("Expression expected"), node->Pos);
    if (type == opLeftBracket || type == opRightBracket || type == opNone) {
        node->Type = node->Left->Type;
        return;
    }
    if (!op->IsUnary() && !node->Right)
        throw EfsCompileError(QStringLiteral("Expression expected"), node->Pos);
    const TfsTypeRec &l = node->Left->Type;
    const TfsTypeRec &r = op->IsUnary() ? l : node->Right->Type;

    if (type == opIs) {
        auto *designator = dynamic_cast<TfsDesignatorNode *>(node->Right.get());
        TfsClassRefHelper *cls = nullptr;
        if (designator && designator->Designator()->Items().size() == 1)
            cls = dynamic_cast<TfsClassRefHelper *>(designator->Designator()->Items()[0].Ref);
        if (!cls)
            throw EfsCompileError(fsErrors::ClassTypeRequired(), node->Right->Pos);
        if (l.Typ != fvtClass && l.Typ != fvtVariant)
            Incompatible(node->Pos);
        static_cast<TIsNode *>(op)->ClassName = cls->Name();
        node->Type = {fvtBool, QStringLiteral("Boolean")};
        return;
    }

    // 1. The operands must suit each other (an array right of IN is a list of members; "&" joins
    // any two values as text).
    const bool strcat = dynamic_cast<TStrCatNode *>(op) != nullptr;
    if (!(type == opIn && r.Typ == fvtArray) && !strcat && !TypesCompatible(l, r, m_script))
        Incompatible(node->Pos);
    // 2. The operator must suit the left operand.
    switch (l.Typ) {
    case fvtBool:
        if (strcat)
            break;
        if (type != opNonEq && type != opEq && type != opOr && type != opXor && type != opAnd &&
            type != opNot)
            Incompatible(node->Pos);
        break;
    case fvtChar:
    case fvtString:
        if (!IsRelational(type) && type != opPlus && type != opIn)
            Incompatible(node->Pos);
        break;
    case fvtClass:
    case fvtArray:
        if (type != opEq && type != opNonEq)
            Incompatible(node->Pos);
        break;
    default:
        break;
    }
    // 3. The result's type.
    if (IsRelational(type) || type == opIn)
        node->Type = {fvtBool, QStringLiteral("Boolean")};
    else if (type == opDivFloat && ((l.Typ == fvtInt && r.Typ == fvtInt) ||
                                    ((l.Typ == fvtInt || l.Typ == fvtInt64) && r.Typ == fvtInt64)))
        node->Type = {fvtFloat, QStringLiteral("Extended")};
    else
        node->Type = l;
    if ((type == opAnd || type == opOr) && l.Typ == fvtBool && r.Typ == fvtBool)
        op->ShortEval = true;
}

TfsDesignator *TfsExpression::SingleDesignator() const
{
    auto *node = dynamic_cast<TfsDesignatorNode *>(m_root.get());
    return node ? node->Designator() : nullptr;
}

bool TfsExpression::IsConstant() const
{
    return dynamic_cast<TfsOperandNode *>(m_root.get()) != nullptr;
}

void TfsExpression::ReduceToOperand(bool right)
{
    std::unique_ptr<TfsExpressionNode> operand = std::move(right ? m_root->Right : m_root->Left);
    operand->Parent = nullptr;
    m_root = std::move(operand);
    SetType(m_root->Type.Typ, m_root->Type.TypeName);
}

// ---- sets ------------------------------------------------------------------------------------------

void TfsSetExpression::AddValue(std::unique_ptr<TfsExpression> value)
{
    m_members.push_back({std::move(value), nullptr});
}

void TfsSetExpression::AddRange(std::unique_ptr<TfsExpression> upper)
{
    if (m_members.empty())
        throw EfsCompileError(QStringLiteral("Expression expected"));
    m_members.back().high = std::move(upper);
}

bool TfsSetExpression::Contains(const Variant &value)
{
    for (Member &m : m_members) {
        Variant low = m.low->GetValue();
        if (m.high) {
            if (Variant::Compare(value, low) != Variant::Order::Less &&
                Variant::Compare(value, m.high->GetValue()) != Variant::Order::Greater)
                return true;
        } else if (Variant::Equal(value, low)) {
            return true;
        }
    }
    return false;
}

Variant TfsSetExpression::GetValue()
{
    QList<Variant> elements;
    for (Member &m : m_members) {
        Variant low = m.low->GetValue();
        if (!m.high) {
            elements.append(low);
            continue;
        }
        qint64 from = low.ToInt64(), to = m.high->GetValue().ToInt64();
        if (to - from > 1000000)
            throw EfsRuntimeError(QStringLiteral("ERangeError"), QStringLiteral("Range too large"));
        for (qint64 i = from; i <= to; ++i)
            elements.append(Variant(i));
    }
    return Variant(elements);
}

// ---- designators ------------------------------------------------------------------------------------

TfsInstance RequireInstance(const TfsAccess &access)
{
    TfsInstance instance;
    if (access.Parent)
        instance = TfsInstance::From(*access.Parent);
    if (instance.IsNull())
        throw EfsRuntimeError(QStringLiteral("EAccessViolation"), fsErrors::NilObject(access.Member));
    return instance;
}

TfsDesignator::TfsDesignator(TfsScript *script) : TfsCustomVariable(QString(), fvtVariant), m_script(script)
{
}

TfsDesignator::~TfsDesignator() = default;

void TfsDesignator::Finish()
{
    if (!m_steps.empty())
        SetType(m_steps.back().Type.Typ, m_steps.back().Type.TypeName);
}

TfsCustomVariable *TfsDesignator::SimpleVariable() const
{
    if (m_steps.size() != 1)
        return nullptr;
    const TfsDesignatorItem &item = m_steps[0];
    if (item.ValueCount != 0 || item.IsIndex || item.Ref->IsRoutine())
        return nullptr;
    if (dynamic_cast<TfsVariable *>(item.Ref) || dynamic_cast<TfsConstant *>(item.Ref))
        return item.Ref;
    return nullptr;
}

bool TfsDesignator::IsWritable() const
{
    for (size_t i = m_steps.size(); i-- > 0;) {
        const TfsDesignatorItem &item = m_steps[i];
        if (!item.IsIndex)
            return item.Ref->IsWritable();
        // An element is writable when what holds it is.
        if (i == 0)
            return false;
    }
    return false;
}

Variant TfsDesignator::Step(int index, TfsAccess &access)
{
    TfsDesignatorItem &item = m_steps[size_t(index)];
    const int count = item.ValueCount;
    Variant local[6];
    std::vector<Variant> heap;
    Variant *values = local;
    if (count > 6) {
        heap.resize(size_t(count));
        values = heap.data();
    }
    const int argc = int(item.Args.size());
    for (int i = 0; i < argc; ++i)
        values[i] = item.Args[size_t(i)]->GetValue();
    for (int i = argc; i < count; ++i)
        values[i] = item.Defaults[size_t(i - argc)];
    access.Args = values;
    access.ArgCount = count;
    access.Member = item.Name;
    Variant result = item.Ref->Read(access);
    if (!item.VarArgs.empty())
        for (int i = 0; i < argc; ++i)
            if (TfsDesignator *target = item.VarArgs[size_t(i)])
                target->SetValue(values[i]);
    return result;
}

Variant TfsDesignator::ValueAt(int index)
{
    TfsAccess access;
    access.Script = m_script;
    Variant values[2];
    int current = 0;
    for (int i = 0; i <= index; ++i) {
        values[current] = Step(i, access);
        access.Parent = &values[current];
        access.Instance = values[current].IsObject() ? values[current].ToObject() : nullptr;
        current ^= 1;
    }
    return std::move(values[current ^ 1]);
}

Variant TfsDesignator::GetValue()
{
    return ValueAt(int(m_steps.size()) - 1);
}

void TfsDesignator::SetValue(const Variant &value)
{
    WriteAt(int(m_steps.size()) - 1, value);
}

void TfsDesignator::WriteAt(int index, const Variant &value)
{
    TfsDesignatorItem &item = m_steps[size_t(index)];
    if (item.IsIndex && index > 0) {
        std::vector<Variant> indexes;
        indexes.reserve(item.Args.size());
        for (auto &arg : item.Args)
            indexes.push_back(arg->GetValue());
        auto *helper = static_cast<TfsArrayHelper *>(item.Ref);
        TfsDesignatorItem &base = m_steps[size_t(index - 1)];
        if (index == 1 && base.ValueCount == 0 && !base.IsIndex) {
            if (Variant *storage = base.Ref->ValueRef()) {
                if (!storage->IsObject()) {
                    helper->Store(*storage, indexes.data(), int(indexes.size()), value);
                    return;
                }
            }
        }
        Variant container = ValueAt(index - 1);
        if (container.IsObject()) {
            // The default property of the object.
            TfsInstance instance = TfsInstance::From(container);
            if (instance.IsNull())
                throw EfsRuntimeError(QStringLiteral("EAccessViolation"), fsErrors::NilObject(item.Name));
            TfsClassVariable *cls = qobject_cast<TfsStringsProxy *>(instance.Object)
                                        ? m_script->FindClass(QStringLiteral("TStrings"))
                                        : m_script->ClassOf(instance.Meta);
            TfsPropertyHelper *property = cls ? cls->DefaultProperty() : nullptr;
            if (!property)
                throw EfsRuntimeError(
                    QStringLiteral("EScriptError"),
                    fsErrors::NoDefaultProperty(QString::fromLatin1(instance.Meta->className())));
            TfsAccess access;
            access.Script = m_script;
            access.Parent = &container;
            access.Instance = instance.Object;
            access.Args = indexes.data();
            access.ArgCount = int(indexes.size());
            access.Member = item.Name;
            property->Write(access, value);
            return;
        }
        helper->Store(container, indexes.data(), int(indexes.size()), value);
        WriteAt(index - 1, container);
        return;
    }

    TfsAccess access;
    access.Script = m_script;
    Variant parent;
    if (index > 0) {
        parent = ValueAt(index - 1);
        access.Parent = &parent;
        access.Instance = parent.IsObject() ? parent.ToObject() : nullptr;
    }
    const int count = item.ValueCount;
    std::vector<Variant> values(size_t(std::max(count, 0)));
    const int argc = int(item.Args.size());
    for (int i = 0; i < argc; ++i)
        values[size_t(i)] = item.Args[size_t(i)]->GetValue();
    for (int i = argc; i < count; ++i)
        values[size_t(i)] = item.Defaults[size_t(i - argc)];
    access.Args = values.data();
    access.ArgCount = count;
    access.Member = item.Name;
    item.Ref->Write(access, value);
}

// ---- helpers ------------------------------------------------------------------------------------------

TfsArrayHelper::TfsArrayHelper(TfsVarType elementType, const QString &elementTypeName)
    : TfsCustomVariable(QStringLiteral("__ArrayHelper"), elementType, elementTypeName)
{
}

static int StringIndex(const QString &text, const Variant &index)
{
    qint64 i = index.ToInt64();
    if (i < 1 || i > text.size())
        throw EfsRuntimeError(QStringLiteral("ERangeError"), QStringLiteral("Range check error"));
    return int(i - 1);
}

[[noreturn]] static void NotAnArray()
{
    throw EfsRuntimeError(QStringLiteral("EVariantError"), QStringLiteral("Variant is not an array"));
}

Variant TfsArrayHelper::Fetch(TfsAccess &access, const Variant &container, const Variant *indexes, int count)
{
    if (count == 0)
        throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::IndexRequired());
    if (container.IsArray()) {
        const Variant &element = container.ArrayItem(indexes[0].ToInt());
        return count == 1 ? element : Fetch(access, element, indexes + 1, count - 1);
    }
    if (container.IsString()) {
        if (count != 1)
            NotAnArray();
        const QString &text = container.StringRef();
        return Variant(text.at(StringIndex(text, indexes[0])));
    }
    if (container.IsObject()) {
        TfsInstance instance = TfsInstance::From(container);
        if (instance.IsNull())
            throw EfsRuntimeError(QStringLiteral("EAccessViolation"), fsErrors::NilObject(access.Member));
        TfsClassVariable *cls = qobject_cast<TfsStringsProxy *>(instance.Object)
                                    ? access.Script->FindClass(QStringLiteral("TStrings"))
                                    : access.Script->ClassOf(instance.Meta);
        TfsPropertyHelper *property = cls ? cls->DefaultProperty() : nullptr;
        if (!property)
            throw EfsRuntimeError(
                QStringLiteral("EScriptError"),
                fsErrors::NoDefaultProperty(QString::fromLatin1(instance.Meta->className())));
        Variant self = container;
        TfsAccess inner = access;
        inner.Parent = &self;
        inner.Instance = instance.Object;
        inner.Args = const_cast<Variant *>(indexes);
        inner.ArgCount = count;
        return property->Read(inner);
    }
    NotAnArray();
}

Variant TfsArrayHelper::Read(TfsAccess &access)
{
    if (!access.Parent)
        NotAnArray();
    return Fetch(access, *access.Parent, access.Args, access.ArgCount);
}

void TfsArrayHelper::Store(Variant &container, const Variant *indexes, int count, const Variant &value) const
{
    if (count == 0)
        throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::IndexRequired());
    if (container.IsArray()) {
        int i = indexes[0].ToInt();
        if (count == 1) {
            container.SetArrayItem(i, m_typ == fvtVariant ? value
                                                          : TfsVariable::Coerce(m_typ, m_typeName, value));
            return;
        }
        Variant inner = container.ArrayItem(i);
        container.SetArrayItem(i, Variant());
        Store(inner, indexes + 1, count - 1, value);
        container.SetArrayItem(i, inner);
        return;
    }
    if (container.IsString() && count == 1) {
        // Take the text out so that it is changed in place rather than copied.
        Variant taken = std::move(container);
        QString text = taken.StringRef();
        taken = Variant();
        int i = StringIndex(text, indexes[0]);
        QString ch = value.ToString();
        if (ch.isEmpty())
            throw EVariantTypeCastError(value.VarType(), varString, ch);
        text[i] = ch.at(0);
        container = Variant(std::move(text));
        return;
    }
    NotAnArray();
}

TfsCustomVariable *TfsLateBoundHelper::Resolve(TfsAccess &access) const
{
    TfsInstance instance = RequireInstance(access);
    TfsClassVariable *cls = qobject_cast<TfsStringsProxy *>(instance.Object)
                                ? access.Script->FindClass(QStringLiteral("TStrings"))
                                : access.Script->ClassOf(instance.Meta);
    TfsCustomVariable *member = cls ? cls->FindMember(m_name) : nullptr;
    if (!member)
        throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::UndeclaredIdentifier(m_name));
    return member;
}

Variant TfsLateBoundHelper::Read(TfsAccess &access)
{
    TfsCustomVariable *member = Resolve(access);
    if (member->IsRoutine() && access.ArgCount < member->ParamCount()) {
        if (access.ArgCount < member->RequiredParamCount())
            throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::NotEnoughParameters());
        std::vector<Variant> values(access.Args, access.Args + access.ArgCount);
        for (int i = access.ArgCount; i < member->ParamCount(); ++i)
            values.push_back(member->Params(i)->DefValue());
        TfsAccess inner = access;
        inner.Args = values.data();
        inner.ArgCount = int(values.size());
        return member->Read(inner);
    }
    return member->Read(access);
}

void TfsLateBoundHelper::Write(TfsAccess &access, const Variant &value)
{
    TfsCustomVariable *member = Resolve(access);
    if (!member->IsWritable())
        throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::LeftSideCannotBeAssigned());
    member->Write(access, value);
}

TfsQtPropertyHelper::TfsQtPropertyHelper(const QString &name, const TfsTypeRec &type, bool writable)
    : TfsCustomVariable(name, type.Typ, type.TypeName), m_writable(writable)
{
}

int TfsQtPropertyHelper::IndexFor(const TfsInstance &instance)
{
    if (instance.Meta != m_lastMeta) {
        m_lastIndex = fsMeta::PropertyIndex(instance.Meta, m_name);
        m_lastMeta = instance.Meta;
    }
    if (m_lastIndex < 0)
        throw EfsRuntimeError(QStringLiteral("EScriptError"), fsErrors::UndeclaredIdentifier(m_name));
    return m_lastIndex;
}

Variant TfsQtPropertyHelper::Read(TfsAccess &access)
{
    TfsInstance instance = RequireInstance(access);
    return fsMeta::Read(access.Script, instance, IndexFor(instance));
}

void TfsQtPropertyHelper::Write(TfsAccess &access, const Variant &value)
{
    TfsInstance instance = RequireInstance(access);
    fsMeta::Write(instance, IndexFor(instance), value);
}

#pragma once
// Expressions: a tree of operator and operand nodes built with AddOperator from the flat list of
// operators and operands the intermediate document holds, checked by Finalize, evaluated on
// variants. Designators (chains of names, member accesses, indexes and calls) and set
// constructors are operands.

#include "script/fs_iinterpreter.h"
#include "script/fs_imeta.h"

#include <memory>
#include <vector>

class TfsExpression;
class TfsSetExpression;
class TfsDesignator;

// ---- nodes ----------------------------------------------------------------------------------------

class TfsExpressionNode {
public:
    virtual ~TfsExpressionNode() = default;
    virtual Variant Value() = 0;
    // Binding strength: operands 0, unary 1, multiplicative 2, additive 3, relational 4, ")" 5,
    // "(" 6, the root 7. Smaller binds tighter.
    virtual int Priority() const { return 0; }

    // The first free operand slot takes the node: left, then right.
    void AddNode(std::unique_ptr<TfsExpressionNode> node);
    std::unique_ptr<TfsExpressionNode> RemoveNode(TfsExpressionNode *node);

    TfsExpressionNode *Parent = nullptr;
    std::unique_ptr<TfsExpressionNode> Left;
    std::unique_ptr<TfsExpressionNode> Right;
    TfsTypeRec Type;
    QString Pos;
};

// A constant.
class TfsOperandNode : public TfsExpressionNode {
public:
    explicit TfsOperandNode(const Variant &value) : m_value(value) {}
    Variant Value() override { return m_value; }
    const Variant &Constant() const { return m_value; }

private:
    Variant m_value;
};

// A designator used as a value.
class TfsDesignatorNode : public TfsExpressionNode {
public:
    explicit TfsDesignatorNode(std::unique_ptr<TfsDesignator> designator);
    ~TfsDesignatorNode() override;
    Variant Value() override;
    TfsDesignator *Designator() const { return m_designator.get(); }

private:
    std::unique_ptr<TfsDesignator> m_designator;
    TfsCustomVariable *m_simple; // a plain variable read without the chain
};

// A set constructor used as a value (an array of its members) or right of IN.
class TfsSetNode : public TfsExpressionNode {
public:
    explicit TfsSetNode(std::unique_ptr<TfsSetExpression> set);
    ~TfsSetNode() override;
    Variant Value() override;
    TfsSetExpression *Set() const { return m_set.get(); }

private:
    std::unique_ptr<TfsSetExpression> m_set;
};

class TfsOperatorNode : public TfsExpressionNode {
public:
    explicit TfsOperatorNode(TfsOperatorType op) : m_op(op) {}
    TfsOperatorType Op() const { return m_op; }
    int Priority() const override;
    bool IsUnary() const { return m_op == opNot || m_op == opUnMinus; }
    // AND and OR between two Booleans evaluate their right operand only when the left one does not
    // decide.
    bool ShortEval = false;

    // A node for an operator text of the intermediate document ("+", "div", "strcat", ...), or
    // nullptr for an unknown text.
    static std::unique_ptr<TfsOperatorNode> Create(const QString &text);

protected:
    TfsOperatorType m_op;
};

#define FS_OPERATOR_NODE(Name, Op)                                                                           \
    class Name : public TfsOperatorNode {                                                                    \
    public:                                                                                                  \
        Name() : TfsOperatorNode(Op) {}                                                                      \
        Variant Value() override;                                                                            \
    };

FS_OPERATOR_NODE(TNoneNode, opNone)
FS_OPERATOR_NODE(TGreatNode, opGreat)
FS_OPERATOR_NODE(TLessNode, opLess)
FS_OPERATOR_NODE(TLessEqNode, opLessEq)
FS_OPERATOR_NODE(TGreatEqNode, opGreatEq)
FS_OPERATOR_NODE(TNonEqNode, opNonEq)
FS_OPERATOR_NODE(TEqNode, opEq)
FS_OPERATOR_NODE(TPlusNode, opPlus)
FS_OPERATOR_NODE(TStrCatNode, opPlus)
FS_OPERATOR_NODE(TMinusNode, opMinus)
FS_OPERATOR_NODE(TOrNode, opOr)
FS_OPERATOR_NODE(TXorNode, opXor)
FS_OPERATOR_NODE(TMulNode, opMul)
FS_OPERATOR_NODE(TDivFloatNode, opDivFloat)
FS_OPERATOR_NODE(TDivIntNode, opDivInt)
FS_OPERATOR_NODE(TModNode, opMod)
FS_OPERATOR_NODE(TAndNode, opAnd)
FS_OPERATOR_NODE(TShlNode, opShl)
FS_OPERATOR_NODE(TShrNode, opShr)
FS_OPERATOR_NODE(TLeftBracketNode, opLeftBracket)
FS_OPERATOR_NODE(TRightBracketNode, opRightBracket)
FS_OPERATOR_NODE(TNotNode, opNot)
FS_OPERATOR_NODE(TUnMinusNode, opUnMinus)
FS_OPERATOR_NODE(TInNode, opIn)
#undef FS_OPERATOR_NODE

// IS: whether the left object is of the class named on the right.
class TIsNode : public TfsOperatorNode {
public:
    TIsNode() : TfsOperatorNode(opIs) {}
    Variant Value() override;
    QString ClassName; // set by Finalize from the right operand
};

// ---- expressions ------------------------------------------------------------------------------------

class TfsCustomExpression : public TfsCustomVariable {
public:
    TfsCustomExpression() : TfsCustomVariable(QString(), fvtVariant) {}
    bool IsWritable() const override { return false; }
};

class TfsExpression : public TfsCustomExpression {
public:
    explicit TfsExpression(TfsScript *script);
    ~TfsExpression() override;

    // Building: operands and operators in source order.
    void AddOperand(std::unique_ptr<TfsExpressionNode> node);
    // An operator by its text; throws EfsCompileError for an unknown text.
    void AddOperator(const QString &op, const QString &position);
    // Replaces the root by its only child and checks every operator's operand types; throws
    // EfsCompileError "Incompatible types" at the operator's position.
    void Finalize();

    Variant GetValue() override { return m_root->Value(); }
    TfsExpressionNode *Root() const { return m_root.get(); }
    // The designator when the whole expression is one, else nullptr.
    TfsDesignator *SingleDesignator() const;
    // The constant when the whole expression is one literal.
    bool IsConstant() const;
    // Takes the right operand of a binary root out of the expression (assignment optimisation):
    // the expression becomes that operand.
    void ReduceToOperand(bool right);

private:
    void Check(TfsExpressionNode *node);

    TfsScript *m_script;
    std::unique_ptr<TfsExpressionNode> m_root;
    TfsExpressionNode *m_current;
};

// A set constructor: values and ranges.
class TfsSetExpression : public TfsCustomVariable {
public:
    TfsSetExpression() : TfsCustomVariable(QString(), fvtVariant) {}
    void AddValue(std::unique_ptr<TfsExpression> value);
    // Makes the last value the lower bound of a range whose upper bound is given.
    void AddRange(std::unique_ptr<TfsExpression> upper);
    bool Contains(const Variant &value);
    // The members as an array (ranges of integers written out).
    Variant GetValue() override;

private:
    struct Member {
        std::unique_ptr<TfsExpression> low;
        std::unique_ptr<TfsExpression> high; // nullptr for a single value
    };
    std::vector<Member> m_members;
};

// ---- designators ------------------------------------------------------------------------------------

// One step of a designator: the item it reaches and the step's arguments.
struct TfsDesignatorItem {
    TfsCustomVariable *Ref = nullptr;
    std::unique_ptr<TfsCustomVariable> Helper; // an item made for this step only
    std::vector<std::unique_ptr<TfsExpression>> Args;
    std::vector<TfsDesignator *> VarArgs; // per argument: the variable a "var" parameter writes back
    std::vector<Variant> Defaults;        // the values of the parameters left out
    int ValueCount = 0;                   // values handed over: arguments plus defaults
    bool IsIndex = false;                 // an index into the previous step's array or string
    TfsTypeRec Type;
    QString Name;
    QString Pos;
};

class TfsDesignator : public TfsCustomVariable {
public:
    explicit TfsDesignator(TfsScript *script);
    ~TfsDesignator() override;

    std::vector<TfsDesignatorItem> &Items() { return m_steps; }
    const std::vector<TfsDesignatorItem> &Items() const { return m_steps; }
    TfsDesignatorItem &Last() { return m_steps.back(); }
    // Takes the type of the last step; call when the chain is complete.
    void Finish();

    Variant GetValue() override;
    void SetValue(const Variant &value) override;
    bool IsWritable() const override;
    // A plain variable without steps after it, else nullptr.
    TfsCustomVariable *SimpleVariable() const;
    // The value of the steps up to and including index.
    Variant ValueAt(int index);

private:
    Variant Step(int index, TfsAccess &access);
    void WriteAt(int index, const Variant &value);

    TfsScript *m_script;
    std::vector<TfsDesignatorItem> m_steps;
};

// An index into an array or a string (typed by the declaration, or found out at run time for a
// variant), or the default property of an object.
class TfsArrayHelper : public TfsCustomVariable {
public:
    TfsArrayHelper(TfsVarType elementType, const QString &elementTypeName);
    Variant Read(TfsAccess &access) override;
    // Stores value at the indexes inside container (an array or a string).
    void Store(Variant &container, const Variant *indexes, int count, const Variant &value) const;
    static Variant Fetch(TfsAccess &access, const Variant &container, const Variant *indexes, int count);
};

// A class used as a value: nothing to read (it stands before Create or right of IS).
class TfsClassRefHelper : public TfsCustomVariable {
public:
    explicit TfsClassRefHelper(const QString &name) : TfsCustomVariable(name, fvtClass, name) {}
    bool IsWritable() const override { return false; }
    Variant Read(TfsAccess &) override { return Variant(static_cast<QObject *>(nullptr)); }
};

// A member found at run time on the object a variant holds.
class TfsLateBoundHelper : public TfsCustomVariable {
public:
    explicit TfsLateBoundHelper(const QString &name) : TfsCustomVariable(name, fvtVariant) {}
    Variant Read(TfsAccess &access) override;
    void Write(TfsAccess &access, const Variant &value) override;
    bool IsWritable() const override { return true; }

private:
    TfsCustomVariable *Resolve(TfsAccess &access) const;
};

// A published property of a host class, looked up by name on the object the step reaches.
class TfsQtPropertyHelper : public TfsCustomVariable {
public:
    TfsQtPropertyHelper(const QString &name, const TfsTypeRec &type, bool writable);
    Variant Read(TfsAccess &access) override;
    void Write(TfsAccess &access, const Variant &value) override;
    bool IsWritable() const override { return m_writable; }

private:
    int IndexFor(const TfsInstance &instance);
    bool m_writable;
    const QMetaObject *m_lastMeta = nullptr;
    int m_lastIndex = -1;
};

// The instance a step works on; raises the nil-object error when there is none.
TfsInstance RequireInstance(const TfsAccess &access);

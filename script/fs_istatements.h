#pragma once
// Statements: a statement list runs its statements in order and stops when the script is
// terminated or a statement sets the break, continue or exit flag of its program. Before each
// statement, and again before every further turn of a loop (so that a host can stop a loop whose
// body is empty), the main program's OnRunLine event learns the unit and the position.

#include "script/fs_iexpression.h"

#include <memory>
#include <vector>

class TfsStatement : public TfsItemList {
public:
    TfsStatement(TfsScript *program, const QString &unitName, const QString &position);

    // A plain statement list runs its statements; the other kinds override.
    virtual void Execute();
    // Execute with the line event and, on an error, the note of where it passed.
    void Run();
    void AddStatement(std::unique_ptr<TfsStatement> statement) { Add(std::move(statement)); }
    TfsStatement *Statement(int index) const { return static_cast<TfsStatement *>(Items(index)); }

    TfsScript *Program() const { return m_program; }
    const QString &UnitName() const { return m_unit; }
    const QString &Position() const { return m_pos; }

protected:
    // The line event for one more turn of a loop.
    void NextTurn();

    TfsScript *m_program;
    QString m_unit;
    QString m_pos;
};

class TfsAssignmentStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
    std::unique_ptr<TfsDesignator> Designator;
    std::unique_ptr<TfsExpression> Expression;
    // Set by the optimisation: the target is this plain variable.
    TfsCustomVariable *Target = nullptr;
};

// x := x + e, in place for texts.
class TfsAssignPlusStmt : public TfsAssignmentStmt {
public:
    using TfsAssignmentStmt::TfsAssignmentStmt;
    void Execute() override;
};

class TfsAssignMinusStmt : public TfsAssignmentStmt {
public:
    using TfsAssignmentStmt::TfsAssignmentStmt;
    void Execute() override;
};

class TfsAssignMulStmt : public TfsAssignmentStmt {
public:
    using TfsAssignmentStmt::TfsAssignmentStmt;
    void Execute() override;
};

class TfsAssignDivStmt : public TfsAssignmentStmt {
public:
    using TfsAssignmentStmt::TfsAssignmentStmt;
    void Execute() override;
};

// A call; with the modifier "+" or "-" the designator's value goes up or down by 1.
class TfsCallStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
    std::unique_ptr<TfsDesignator> Designator;
    QString Modificator;
};

class TfsIfStmt : public TfsStatement {
public:
    TfsIfStmt(TfsScript *program, const QString &unitName, const QString &position);
    void Execute() override;
    std::unique_ptr<TfsExpression> Condition;
    TfsStatement *ThenStmt() const { return m_then.get(); }
    TfsStatement *ElseStmt() const { return m_else.get(); }

private:
    std::unique_ptr<TfsStatement> m_then;
    std::unique_ptr<TfsStatement> m_else;
};

class TfsCaseSelector : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    std::unique_ptr<TfsSetExpression> SetExpression;
};

class TfsCaseStmt : public TfsStatement {
public:
    TfsCaseStmt(TfsScript *program, const QString &unitName, const QString &position);
    void Execute() override;
    std::unique_ptr<TfsExpression> Condition;
    std::vector<std::unique_ptr<TfsCaseSelector>> Selectors;
    TfsStatement *ElseStmt() const { return m_else.get(); }

private:
    std::unique_ptr<TfsStatement> m_else;
};

// Runs its list, then stops when the condition is True (False with Inverse).
class TfsRepeatStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
    std::unique_ptr<TfsExpression> Condition;
    bool Inverse = false;
};

// Runs its list while the condition is True (False with Inverse).
class TfsWhileStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
    std::unique_ptr<TfsExpression> Condition;
    bool Inverse = false;
};

class TfsForStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
    TfsCustomVariable *Variable = nullptr;
    std::unique_ptr<TfsExpression> BeginValue;
    std::unique_ptr<TfsExpression> EndValue;
    bool Down = false;
};

// For i = a To b [Step s]: the bounds and the step are evaluated once; the variable ends one step
// beyond the last round.
class TfsVbForStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
    TfsCustomVariable *Variable = nullptr;
    std::unique_ptr<TfsExpression> BeginValue;
    std::unique_ptr<TfsExpression> EndValue;
    std::unique_ptr<TfsExpression> Step; // nullptr: 1
};

// for (init; condition; step) body
class TfsCppForStmt : public TfsStatement {
public:
    TfsCppForStmt(TfsScript *program, const QString &unitName, const QString &position);
    void Execute() override;
    TfsStatement *Init() const { return m_init.get(); }
    TfsStatement *StepStmt() const { return m_step.get(); }
    std::unique_ptr<TfsExpression> Condition; // nullptr: always True

private:
    std::unique_ptr<TfsStatement> m_init;
    std::unique_ptr<TfsStatement> m_step;
};

class TfsTryStmt : public TfsStatement {
public:
    TfsTryStmt(TfsScript *program, const QString &unitName, const QString &position);
    void Execute() override;
    bool IsExcept = false;
    TfsStatement *Handler() const { return m_handler.get(); }

private:
    std::unique_ptr<TfsStatement> m_handler;
};

class TfsBreakStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
};

class TfsContinueStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
};

// Leaves the routine (or the main block); a return with a value sets the result first.
class TfsExitStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
    TfsCustomVariable *ResultVar = nullptr;
    std::unique_ptr<TfsExpression> Value;
};

// with Obj1, Obj2 do ...: each object is held in a hidden variable that the designators of the
// body start from.
class TfsWithStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
    struct Target {
        std::unique_ptr<TfsDesignator> Designator;
        TfsCustomVariable *Variable = nullptr;
    };
    std::vector<Target> Targets;
};

// delete x: releases an object the script created (it goes with the script) and sets x to nil.
class TfsDeleteStmt : public TfsStatement {
public:
    using TfsStatement::TfsStatement;
    void Execute() override;
    std::unique_ptr<TfsDesignator> Designator;
};

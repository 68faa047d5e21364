// Execution of statements.

#include "script/fs_istatements.h"

#include "script/fs_imeta.h"

namespace {

bool Stopped(const TfsScript *program)
{
    return program->m_breakCalled || program->m_continueCalled || program->m_exitCalled;
}

// v := v op e on a plain variable.
template <typename Op> void AssignOp(TfsCustomVariable *target, TfsExpression *expression, Op op)
{
    Variant e = expression->GetValue();
    target->SetValue(op(target->GetValue(), e));
}

} // namespace

TfsStatement::TfsStatement(TfsScript *program, const QString &unitName, const QString &position)
    : m_program(program), m_unit(unitName), m_pos(position)
{
}

void TfsStatement::Execute()
{
    TfsScript *program = m_program;
    for (auto &item : m_items) {
        if (program->m_terminated)
            return;
        static_cast<TfsStatement *>(item.get())->Run();
        if (Stopped(program))
            return;
    }
}

void TfsStatement::NextTurn()
{
    TfsScript *main = m_program->MainProgram();
    if (main->OnRunLine)
        main->OnRunLine(main, m_unit, m_pos);
}

void TfsStatement::Run()
{
    TfsScript *main = m_program->MainProgram();
    if (main->OnRunLine)
        main->OnRunLine(main, m_unit, m_pos);
    try {
        Execute();
    } catch (const std::bad_alloc &) {
        // Whatever else grew past what the machine has ends the script the same way.
        main->NoteErrorPosition(m_unit, m_pos);
        throw EOutOfMemory();
    } catch (...) {
        main->NoteErrorPosition(m_unit, m_pos);
        throw;
    }
}

// ---- assignments ------------------------------------------------------------------------------------

void TfsAssignmentStmt::Execute()
{
    if (Target)
        Target->SetValue(Expression->GetValue());
    else
        Designator->SetValue(Expression->GetValue());
}

void TfsAssignPlusStmt::Execute()
{
    Variant e = Expression->GetValue();
    Variant *storage = Target->ValueRef();
    if (storage && storage->IsString() && e.IsString()) {
        // Append in place: a loop that builds a text grows one buffer instead of copying it.
        CheckStringLength(qint64(storage->StringRef().size()) + e.StringRef().size());
        Variant taken = std::move(*storage);
        QString text = taken.StringRef();
        taken = Variant();
        text += e.StringRef();
        *storage = Variant(std::move(text));
        return;
    }
    Target->SetValue(Variant::Add(Target->GetValue(), e));
}

void TfsAssignMinusStmt::Execute()
{
    AssignOp(Target, Expression.get(),
             [](const Variant &a, const Variant &b) { return Variant::Subtract(a, b); });
}

void TfsAssignMulStmt::Execute()
{
    AssignOp(Target, Expression.get(),
             [](const Variant &a, const Variant &b) { return Variant::Multiply(a, b); });
}

void TfsAssignDivStmt::Execute()
{
    AssignOp(Target, Expression.get(),
             [](const Variant &a, const Variant &b) { return Variant::Divide(a, b); });
}

void TfsCallStmt::Execute()
{
    if (Modificator.isEmpty()) {
        Designator->GetValue();
        return;
    }
    Variant value = Designator->GetValue();
    Designator->SetValue(Modificator == QLatin1String("+") ? Variant::Add(value, Variant(1))
                                                           : Variant::Subtract(value, Variant(1)));
}

// ---- structured statements --------------------------------------------------------------------------

TfsIfStmt::TfsIfStmt(TfsScript *program, const QString &unitName, const QString &position)
    : TfsStatement(program, unitName, position),
      m_then(std::make_unique<TfsStatement>(program, unitName, position)),
      m_else(std::make_unique<TfsStatement>(program, unitName, position))
{
}

void TfsIfStmt::Execute()
{
    Variant condition = Condition->GetValue();
    if (condition.IsBool() ? condition.BoolValue() : (!condition.IsEmptyOrNull() && condition.ToBool()))
        m_then->Execute();
    else
        m_else->Execute();
}

TfsCaseStmt::TfsCaseStmt(TfsScript *program, const QString &unitName, const QString &position)
    : TfsStatement(program, unitName, position),
      m_else(std::make_unique<TfsStatement>(program, unitName, position))
{
}

void TfsCaseStmt::Execute()
{
    Variant selector = Condition->GetValue();
    for (auto &branch : Selectors) {
        if (branch->SetExpression->Contains(selector)) {
            branch->Execute();
            return;
        }
    }
    m_else->Execute();
}

void TfsRepeatStmt::Execute()
{
    TfsScript *program = m_program;
    for (bool first = true; !program->m_terminated; first = false) {
        if (!first)
            NextTurn();
        TfsStatement::Execute();
        if (program->m_breakCalled || program->m_exitCalled)
            break;
        program->m_continueCalled = false;
        bool condition = Condition->GetValue().ToBool();
        if (condition != Inverse)
            break;
    }
    program->m_breakCalled = false;
}

void TfsWhileStmt::Execute()
{
    TfsScript *program = m_program;
    for (bool first = true; !program->m_terminated; first = false) {
        if (!first)
            NextTurn();
        bool condition = Condition->GetValue().ToBool();
        if (condition == Inverse)
            break;
        TfsStatement::Execute();
        if (program->m_breakCalled || program->m_exitCalled)
            break;
        program->m_continueCalled = false;
    }
    program->m_breakCalled = false;
}

void TfsForStmt::Execute()
{
    TfsScript *program = m_program;
    const qint64 from = BeginValue->GetValue().ToInt();
    const qint64 to = EndValue->GetValue().ToInt();
    const qint64 step = Down ? -1 : 1;
    for (qint64 i = from; Down ? i >= to : i <= to; i += step) {
        if (i != from)
            NextTurn();
        if (program->m_terminated)
            break;
        Variable->SetValue(Variant(int(i)));
        TfsStatement::Execute();
        if (program->m_breakCalled || program->m_exitCalled)
            break;
        program->m_continueCalled = false;
    }
    program->m_breakCalled = false;
}

void TfsVbForStmt::Execute()
{
    TfsScript *program = m_program;
    Variant value = BeginValue->GetValue();
    const Variant end = EndValue->GetValue();
    const Variant step = Step ? Step->GetValue() : Variant(1);
    const bool down = Variant::Compare(step, Variant(0)) == Variant::Order::Less;
    if (Variant::Equal(step, Variant(0)))
        throw EfsRuntimeError(QStringLiteral("ERangeError"), QStringLiteral("For loop step cannot be zero"));
    for (bool first = true;; first = false) {
        if (!first)
            NextTurn();
        Variable->SetValue(value);
        value = Variable->GetValue();
        Variant::Order order = Variant::Compare(value, end);
        if (down ? order == Variant::Order::Less : order == Variant::Order::Greater)
            break;
        if (program->m_terminated)
            break;
        TfsStatement::Execute();
        if (program->m_breakCalled || program->m_exitCalled)
            break;
        program->m_continueCalled = false;
        value = Variant::Add(Variable->GetValue(), step);
    }
    program->m_breakCalled = false;
}

TfsCppForStmt::TfsCppForStmt(TfsScript *program, const QString &unitName, const QString &position)
    : TfsStatement(program, unitName, position),
      m_init(std::make_unique<TfsStatement>(program, unitName, position)),
      m_step(std::make_unique<TfsStatement>(program, unitName, position))
{
}

void TfsCppForStmt::Execute()
{
    TfsScript *program = m_program;
    m_init->Execute();
    for (bool first = true; !program->m_terminated; first = false) {
        if (!first)
            NextTurn();
        if (Condition && !Condition->GetValue().ToBool())
            break;
        TfsStatement::Execute();
        if (program->m_breakCalled || program->m_exitCalled)
            break;
        program->m_continueCalled = false;
        m_step->Execute();
    }
    program->m_breakCalled = false;
}

TfsTryStmt::TfsTryStmt(TfsScript *program, const QString &unitName, const QString &position)
    : TfsStatement(program, unitName, position),
      m_handler(std::make_unique<TfsStatement>(program, unitName, position))
{
}

void TfsTryStmt::Execute()
{
    TfsScript *program = m_program;
    if (IsExcept) {
        try {
            TfsStatement::Execute();
        } catch (const std::exception &e) {
            program->SetVariables(QStringLiteral("ExceptionClassName"), Variant(ExceptionClassNameOf(e)));
            program->SetVariables(QStringLiteral("ExceptionMessage"), Variant(ExceptionText(e)));
            program->MainProgram()->NoteErrorPosition(QString(), QString()); // handled: forget where
            m_handler->Execute();
        }
        return;
    }
    auto runFinally = [&] {
        bool exitCalled = program->m_exitCalled;
        program->m_exitCalled = false;
        m_handler->Execute();
        program->m_exitCalled = exitCalled;
    };
    try {
        TfsStatement::Execute();
    } catch (...) {
        runFinally();
        throw;
    }
    runFinally();
}

void TfsBreakStmt::Execute()
{
    m_program->m_breakCalled = true;
}

void TfsContinueStmt::Execute()
{
    m_program->m_continueCalled = true;
}

void TfsExitStmt::Execute()
{
    if (Value) {
        Variant value = Value->GetValue();
        if (ResultVar)
            ResultVar->SetValue(value);
    }
    m_program->m_exitCalled = true;
}

void TfsWithStmt::Execute()
{
    for (Target &target : Targets)
        target.Variable->SetValue(target.Designator->GetValue());
    TfsStatement::Execute();
}

void TfsDeleteStmt::Execute()
{
    Variant value = Designator->GetValue();
    QObject *object = value.IsObject() ? value.ToObject() : nullptr;
    if (!object)
        return;
    if (!m_program->MainProgram()->ReleaseObject(object))
        throw EfsRuntimeError(QStringLiteral("EInvalidOperation"),
                              QStringLiteral("Only objects created by the script can be deleted"));
    if (Designator->IsWritable())
        Designator->SetValue(Variant(static_cast<QObject *>(nullptr)));
}

#pragma once
// The report's script and the expression cache's programs on the script engine. The report script
// holds what report code may use (the report's objects, registered by the builder, and the
// functions below); each cached expression is a one-function program in a second script whose
// parent is the report script, so expressions see everything the report script declares.

#include "report/expr/frxCalc.h"

#include <memory>

class TfsScript;
class TfrxReport;

class TfrxReportScript : public TfrxExpressionScript {
public:
    explicit TfrxReportScript(TfrxReport *report);
    ~TfrxReportScript() override;

    // The report script (the builder loads ScriptText into it and registers the report's objects).
    TfsScript *Script() const { return m_script.get(); }

    void ClearExpressions() override;
    bool CompileExpression(const QString &language, const QString &program, const QString &function,
                           QString &message) override;
    Variant CallExpression(const QString &function) override;
    bool FindScriptVariable(const QString &name, Variant &value) override;
    void SetScriptVariable(const QString &name, const Variant &value) override;

private:
    TfrxReport *m_report;
    std::unique_ptr<TfsScript> m_script;
    std::unique_ptr<TfsScript> m_expressions;
};

// Registers in script what expressions of the report use: the variable Value, the functions
// Get(Name), Set(Name, Value), Calc(Expr) and IIF(Expr, TrueValue, FalseValue). The report script
// has them from the start; whoever clears its items registers them again with this.
void frxAddExpressionFunctions(TfrxReport *report, TfsScript *script);

#include "report/expr/frxScriptBridge.h"

#include "report/core/frxTypes.h"
#include "report/io/frxTemplateFiles.h"
#include "report/model/frxReport.h"
#include "report/objects/frxDMP.h"
#include "script/fs_ierrors.h"
#include "script/fs_iinterpreter.h"
#include "script/fs_imeta.h"

void frxAddExpressionFunctions(TfrxReport *report, TfsScript *script)
{
    script->AddVariable(QStringLiteral("Value"), QStringLiteral("Variant"), Variant::Null());
    // Every value name of the report's enumerations and sets (haCenter, fsBold, skEllipse,
    // smActualHeight, ...), also those of classes the script does not otherwise see.
    fsMeta::RegisterEnums(script, &frx::staticMetaObject);
    fsMeta::RegisterEnums(script, &frxdmp::staticMetaObject);
    script->AddMethod(
        QStringLiteral("function Get(Name: String): Variant"),
        [report](QObject *, TfsParams &params) { return report->ScriptGet(params[0].ToString()); });
    script->AddMethod(QStringLiteral("procedure Set(Name: String; Value: Variant)"),
                      [report](QObject *, TfsParams &params) {
                          report->ScriptSet(params[0].ToString(), params[1]);
                          return Variant();
                      });
    script->AddMethod(
        QStringLiteral("function Calc(const Expr: String): Variant"),
        [report](QObject *, TfsParams &params) { return report->ScriptCalc(params[0].ToString()); });
    // Both values are computed before the choice: an error in the branch not taken still raises.
    script->AddMethod(
        QStringLiteral("function IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant"),
        [](QObject *, TfsParams &params) { return params[0].ToBool() ? params[1] : params[2]; });
}

TfrxReportScript::TfrxReportScript(TfrxReport *report)
    : m_report(report), m_script(std::make_unique<TfsScript>()), m_expressions(std::make_unique<TfsScript>())
{
    m_script->setObjectName(QStringLiteral("ReportScript"));
    frxAddExpressionFunctions(report, m_script.get());
    m_expressions->SetParent(m_script.get());
    // Report code that never ends can still be cancelled.
    auto line = [report](TfsScript *sender, const QString &, const QString &) {
        report->ScriptLineReached(sender);
    };
    m_script->OnRunLine = line;
    m_expressions->OnRunLine = line;
    // A uses clause reaches only files of the layout's folder and the template tree.
    auto unit = [report](const QString &name) {
        QByteArray bytes;
        QString why;
        if (!frxReadTemplateFile(report, name, frxMaxUnitBytes, bytes, why))
            throw EfsScriptError(QStringLiteral("Cannot open file '%1': %2").arg(name, why));
        return QString::fromUtf8(bytes);
    };
    m_script->OnGetUnit = unit;
    m_expressions->OnGetUnit = unit;
}

TfrxReportScript::~TfrxReportScript()
{
    // The expressions' script refers to the report script as its parent: it goes first.
    m_expressions.reset();
}

void TfrxReportScript::ClearExpressions()
{
    m_expressions->Clear();
}

bool TfrxReportScript::CompileExpression(const QString &language, const QString &program,
                                         const QString &function, QString &message)
{
    m_expressions->SetSyntaxType(language);
    m_expressions->SetText(program);
    if (m_expressions->Compile())
        return true;
    message = m_expressions->ErrorMsg();
    // A program that failed half way may have declared its function already.
    if (TfsCustomVariable *item = m_expressions->FindLocal(function))
        m_expressions->Remove(item);
    return false;
}

Variant TfrxReportScript::CallExpression(const QString &function)
{
    // The expression runs as a program of its own, not as part of the report script's run.
    const bool mainProg = m_script->MainProg();
    m_script->SetMainProg(false);
    struct Restore {
        TfsScript *script;
        bool value;
        ~Restore() { script->SetMainProg(value); }
    } restore{m_script.get(), mainProg};
    return m_expressions->CallFunction(function);
}

bool TfrxReportScript::FindScriptVariable(const QString &name, Variant &value)
{
    TfsCustomVariable *item = m_script->Find(name);
    if (!item || item->IsRoutine() || dynamic_cast<TfsTypeVariable *>(item) ||
        dynamic_cast<TfsClassVariable *>(item))
        return false;
    value = item->GetValue();
    return true;
}

void TfrxReportScript::SetScriptVariable(const QString &name, const Variant &value)
{
    m_script->SetVariables(name, value);
}

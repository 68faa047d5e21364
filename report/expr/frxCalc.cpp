#include "report/expr/frxCalc.h"

#include "report/core/frxErrors.h"
#include "report/core/frxRes.h"
#include "report/expr/frxScriptBridge.h"
#include "report/model/frxReport.h"

#include <QDateTime>

#include <cmath>

// ---- helpers ----------------------------------------------------------------------------------------

// Position of the first '."' in text; -1 when there is none.
static qsizetype FieldReferenceDot(const QString &text)
{
    const QChar *chars = text.constData();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i + 1 < n; ++i)
        if (chars[i] == QLatin1Char('.') && chars[i + 1] == QLatin1Char('"'))
            return i;
    return -1;
}

bool frxSplitFieldReference(const QString &text, QString &alias, QString &field)
{
    const qsizetype dot = FieldReferenceDot(text);
    if (dot < 0)
        return false;
    alias = text.left(dot);
    // Up to, not including, the last character: the closing quote.
    const qsizetype start = dot + 2;
    field = start < text.size() - 1 ? text.mid(start, text.size() - 1 - start) : QString();
    return true;
}

bool frxIsAggregateCall(const QString &text)
{
    const qsizetype bracket = text.indexOf(QLatin1Char('('));
    if (bracket < 0)
        return false;
    QString name = text.left(bracket);
    name.remove(QLatin1Char(' '));
    for (const char *aggregate : {"SUM", "MIN", "MAX", "AVG", "COUNT"})
        if (name.compare(QLatin1String(aggregate), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// ---- TfrxExpressionCache ------------------------------------------------------------------------------

void TfrxExpressionCache::Clear()
{
    m_functions.clear();
    m_exact.clear();
    m_scriptLanguage = m_report->ScriptLanguage();
    m_report->ExpressionScript()->ClearExpressions();
}

QString TfrxExpressionCache::ProgramText(const QString &language, const QString &function,
                                         const QString &expression)
{
    if (language.compare(QLatin1String("C++Script"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Variant ") + function + QStringLiteral("() { return ") + expression +
               QStringLiteral("; } {}");
    if (language.compare(QLatin1String("BasicScript"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("function ") + function + QStringLiteral("\r\nreturn ") + expression +
               QStringLiteral("\r\nend function");
    if (language.compare(QLatin1String("JScript"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("function ") + function + QStringLiteral("() { return ") + expression +
               QStringLiteral("; }");
    return QStringLiteral("function ") + function + QStringLiteral(": Variant; begin Result := ") +
           expression + QStringLiteral(" end; begin end.");
}

Variant TfrxExpressionCache::Calc(const QString &expression, QString &error)
{
    error.clear();
    TfrxExpressionScript *script = m_report->ExpressionScript();
    QString function = m_exact.value(expression);
    if (function.isEmpty()) {
        const QString key = expression.toCaseFolded();
        function = m_functions.value(key);
        if (function.isEmpty()) {
            const QString name = QStringLiteral("fr3f") + QString::number(m_functions.size());
            QString message;
            try {
                if (script->CompileExpression(m_scriptLanguage,
                                              ProgramText(m_scriptLanguage, name, expression), name, message))
                    function = name;
            } catch (const std::exception &e) {
                message = ExceptionText(e);
            }
            if (function.isEmpty()) {
                error = frxGet(QStringLiteral("SErrorInExpression")) + expression + QStringLiteral("': ") +
                        message;
                return Variant::Null();
            }
            m_functions.insert(key, function);
        }
        m_exact.insert(expression, function);
    }
    try {
        return script->CallExpression(function);
    } catch (const std::exception &e) {
        error = ExceptionText(e);
        if (error.isEmpty())
            error = QStringLiteral("Exception"); // an error without text still is an error
    }
    return Variant::Null();
}

// ---- TfrxReport: expressions ----------------------------------------------------------------------------

namespace {

// Positions of the system variable names.
enum { svDate, svTime, svPage, svPageNo, svTotalPages, svTotalPagesNo, svLine, svLineNo, svCopyName };

double Today()
{
    return Variant::EncodeDateTime(QDate::currentDate(), QTime());
}

double TimeOfDay()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 86400000.0;
}

} // namespace

TfrxExpressionScript *TfrxReport::ExpressionScript()
{
    if (!m_expressionScript)
        m_expressionScript = std::make_unique<TfrxReportScript>(this);
    return m_expressionScript.get();
}

TfsScript *TfrxReport::Script()
{
    auto *own = dynamic_cast<TfrxReportScript *>(ExpressionScript());
    return own ? own->Script() : nullptr;
}

void TfrxReport::SetExpressionScript(std::unique_ptr<TfrxExpressionScript> script)
{
    m_expressionScript = std::move(script);
    m_expressionCache.Clear();
}

bool TfrxReport::ResolveName(const QString &text, Variant &value)
{
    value = Variant::Null();

    // A field reference through the report's own dataset list (as frxSplitFieldReference splits
    // it, without copying the alias).
    const qsizetype dot = FieldReferenceDot(text);
    if (dot >= 0 && dot + 2 < text.size() - 1) {
        if (TfrxDataSet *dataSet = m_datasets.FindByUserName(QStringView(text).left(dot))) {
            const QString field = text.mid(dot + 2, text.size() - 1 - (dot + 2));
            value = dataSet->GetValue(field);
            if (value.IsNull() && m_engineOptions.ConvertNulls()) {
                switch (dataSet->GetFieldType(field)) {
                case frx::fftString:
                    value = QString();
                    break;
                case frx::fftBoolean:
                    value = false;
                    break;
                default:
                    value = 0;
                    break;
                }
            }
            return true;
        }
    }

    // System variables.
    int sysIndex = -1;
    for (int i = 0; i < m_sysVariables.size(); ++i) {
        if (m_sysVariables[i].compare(text, Qt::CaseInsensitive) == 0) {
            sysIndex = i;
            break;
        }
    }
    if (sysIndex >= 0) {
        const TfrxBuildCounters *counters = m_buildCounters;
        switch (sysIndex) {
        case svDate:
            value = Variant::FromDateTime(counters ? counters->StartDate() : Today());
            break;
        case svTime:
            value = Variant::FromDateTime(counters ? counters->StartTime() : TimeOfDay());
            break;
        case svPage:
            value = counters ? counters->LogicalPageNo() : 0;
            break;
        case svPageNo:
            value = (counters ? counters->CurPage() : 0) + 1;
            break;
        case svTotalPages:
            value = counters ? counters->LogicalTotal() : 0;
            break;
        case svTotalPagesNo:
            value = counters ? counters->TotalPages() : 0;
            break;
        case svLine:
            value = counters ? counters->CurLine() : 0;
            break;
        case svLineNo:
            value = counters ? counters->CurLineThrough() : 0;
            break;
        case svCopyName:
        default:
            value = frxGlobalVariables().Value(QStringLiteral("CopyName0"));
            break;
        }
        return true;
    }

    // The host: a callback that leaves the value unassigned declines.
    if (OnGetValue || OnNewGetValue) {
        Variant v;
        if (OnGetValue)
            OnGetValue(text, v);
        if (OnNewGetValue)
            OnNewGetValue(this, text, v);
        if (!v.IsEmpty()) {
            value = v;
            return true;
        }
    }

    // Report variables; a text value without line breaks is an expression.
    const int varIndex = m_variables.IndexOf(text);
    if (varIndex >= 0 && !m_variables.Items(varIndex)->IsCategory()) {
        const TfrxVariable *variable = m_variables.Items(varIndex);
        const Variant stored = variable->Value();
        if (stored.IsString() && !stored.StringRef().contains(QLatin1Char('\r')) &&
            !stored.StringRef().contains(QLatin1Char('\n'))) {
            const QString name = variable->Name();
            if (m_variablesInCalc.contains(name, Qt::CaseInsensitive))
                throw EReportError(frxGet(QStringLiteral("SCircularVariable")).arg(name));
            m_variablesInCalc.append(name);
            try {
                value = Calc(stored.StringRef());
            } catch (...) {
                m_variablesInCalc.removeLast();
                throw;
            }
            m_variablesInCalc.removeLast();
        } else {
            value = stored;
        }
        return true;
    }

    // Process-wide variables.
    const TfrxVariables &globals = frxGlobalVariables();
    const int globalIndex = globals.IndexOf(text);
    if (globalIndex >= 0 && !globals.Items(globalIndex)->IsCategory()) {
        value = globals.Items(globalIndex)->Value();
        return true;
    }

    // Variables of the report script; only an identifier can name one.
    Variant v;
    if (IsValidIdent(text) && ExpressionScript()->FindScriptVariable(text, v)) {
        value = v;
        return true;
    }
    return false;
}

Variant TfrxReport::Calc(const QString &expr)
{
    Variant value;
    if (ResolveName(expr, value))
        return value;
    QString error;
    value = m_expressionCache.Calc(expr, error);
    if (error.isEmpty())
        return value;
    if (m_engineOptions.IgnoreDevByZero() && error == frxGet(QStringLiteral("SDivByZero")))
        return Variant::Null();
    if (!m_curObject.isEmpty())
        error = m_curObject + QStringLiteral(": ") + error;
    AddError(error);
    throw EReportError(error);
}

Variant TfrxReport::ScriptCalc(const QString &expr)
{
    Variant value;
    if (ResolveName(expr, value))
        return value;
    QString error;
    value = m_expressionCache.Calc(expr, error);
    if (error.isEmpty())
        return value;
    if (m_engineOptions.IgnoreDevByZero() && error == frxGet(QStringLiteral("SDivByZero")))
        return Variant::Null();
    throw EReportError(frxGet(QStringLiteral("SErrorInCalc")) + error);
}

Variant TfrxReport::ScriptGet(const QString &name)
{
    Variant value;
    if (ResolveName(name, value))
        return value;
    if (frxIsAggregateCall(name))
        return Calc(name);
    AddError(frxGet(QStringLiteral("SUnknownVariable")) + name);
    return Variant::Null();
}

void TfrxReport::ScriptSet(const QString &name, const Variant &value)
{
    m_variables.SetValue(name, value);
}

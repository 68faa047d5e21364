#pragma once
// Evaluation of the expressions in text objects. Plain names (dataset fields, system variables,
// names the host answers, report variables) are answered directly by TfrxReport::ResolveName;
// everything else is compiled by the script engine as a one-function program, once per distinct
// text, and kept in the report's expression cache.

#include "script/variant/Variant.h"

#include <QHash>
#include <QString>

class TfrxReport;

// What the expression cache and the expansion need of a script engine: one-function programs
// compiled in the scope of the report script, and the report script's own variables.
class TfrxExpressionScript {
public:
    virtual ~TfrxExpressionScript() = default;
    // Forgets every function compiled so far.
    virtual void ClearExpressions() = 0;
    // Compiles program, written in language, which declares the function named function. False
    // with the compiler's message; a failed program leaves nothing behind.
    virtual bool CompileExpression(const QString &language, const QString &program, const QString &function,
                                   QString &message) = 0;
    // Calls a function compiled before; errors of the run raise.
    virtual Variant CallExpression(const QString &function) = 0;
    // The value of a variable (not a routine) the report script knows by that name.
    virtual bool FindScriptVariable(const QString &name, Variant &value) = 0;
    // Sets a variable of the report script (Value before the highlight condition).
    virtual void SetScriptVariable(const QString &name, const Variant &value) = 0;
};

// Compiled expressions by their text (ignoring case). Emptied and given the report's script
// language when the report script is prepared at the start of every build.
class TfrxExpressionCache {
public:
    explicit TfrxExpressionCache(TfrxReport *report) : m_report(report) {}

    // Forgets every compiled expression and takes the report's ScriptLanguage.
    void Clear();
    QString ScriptLanguage() const { return m_scriptLanguage; }
    void SetScriptLanguage(const QString &language) { m_scriptLanguage = language; }
    int Count() const { return int(m_functions.size()); }

    // The value of expression. An expression that does not compile gives Null and the error
    // "Error in expression '<expression>': <message>"; an error while it runs gives Null and its
    // message. error is empty when all went well.
    Variant Calc(const QString &expression, QString &error);

    // The one-function program of expression under the name function, in language (unknown
    // languages are taken as PascalScript).
    static QString ProgramText(const QString &language, const QString &function, const QString &expression);

private:
    TfrxReport *m_report;
    QString m_scriptLanguage = QStringLiteral("PascalScript");
    QHash<QString, QString> m_functions; // case-folded expression → function name
    // The same by the exact text, so that the usual lookup need not fold the text first.
    QHash<QString, QString> m_exact;
};

// The counters of the running build that the system variables show; the builder supplies them.
class TfrxBuildCounters {
public:
    virtual ~TfrxBuildCounters() = default;
    virtual double StartDate() const = 0;   // "Date": day number of the build's start (no time)
    virtual double StartTime() const = 0;   // "Time": the start's time of day (no date)
    virtual int LogicalPageNo() const = 0;  // "Page"
    virtual int CurPage() const = 0;        // "Page#" less one
    virtual int LogicalTotal() const = 0;   // "TotalPages"
    virtual int TotalPages() const = 0;     // "TotalPages#"
    virtual int CurLine() const = 0;        // "Line"
    virtual int CurLineThrough() const = 0; // "Line#"
};

// A field reference: the text before the first '."' is the dataset alias, the text after it up to
// the last character (the closing quote) the field name. False when there is no '."'.
bool frxSplitFieldReference(const QString &text, QString &alias, QString &field);

// Whether text calls an aggregate: the text before its first "(" is SUM, MIN, MAX, AVG or COUNT,
// ignoring case and blanks.
bool frxIsAggregateCall(const QString &text);

#pragma once
// Expansion of the bracketed expressions in text objects: finding them, evaluating and formatting
// each one, and the data step (ComputeData) of a text object, declared on TfrxCustomMemoView.

#include <QString>

#include <functional>

class TfrxReport;

// A bracketed expression found in a text: Expression is the text between the delimiters, Start the
// position of the opening delimiter and End the position of the last character of the closing one
// (positions from 0). End == Start means none was found.
struct TfrxBracketedExpression {
    QString Expression;
    qsizetype Start = 0;
    qsizetype End = 0;
    bool Found() const { return End != Start; }
};

// The bracketed expression whose opening delimiter is at start (or the first one after it).
// Delimiters nest, and delimiters inside single- or double-quoted strings do not count, so
// [IIF([A] > 0, ']', '[')] is one expression. An opening delimiter that is never closed is no
// expression: such text stays as it is.
TfrxBracketedExpression frxFindBracketedExpression(const QString &text, const QString &open,
                                                   const QString &close, qsizetype start);

// Replaces every bracketed expression of text by what evaluate makes of it, left to right; text
// put in is not scanned again. An unterminated expression ends the scan and keeps the rest.
QString frxExpandBrackets(const QString &text, const QString &open, const QString &close,
                          const std::function<QString(const QString &expression)> &evaluate);

// TagStr and URL: each [expression] replaced by its value as plain text (no formatting).
QString frxExpandSimple(TfrxReport *report, const QString &text);

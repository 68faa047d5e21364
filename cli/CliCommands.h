#pragma once
// The commands of waybill-cli, the headless front end. Each takes its arguments (after the command
// word) and writes its results to `out`, its errors to `err`; the return value is the exit status.

#include <QStringList>
#include <QTextStream>

namespace Cli {
// One JSON object per order row: {"row": r, "C1": "…", …} with only the keys the row holds.
int Orders(const QStringList &args, QTextStream &out, QTextStream &err);
// One line per catalogue entry: index, TmpName and layout path, separated by tabs.
int Templates(const QStringList &args, QTextStream &out, QTextStream &err);

// Runs the whole command line (without the program name).
int Run(const QStringList &arguments, QTextStream &out, QTextStream &err);

// A JSON string literal for the text.
QString JsonString(const QString &text);
} // namespace Cli

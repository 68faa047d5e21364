#pragma once
// waybill-cli's script commands: compiling a script file and evaluating one expression, so that
// a report script or a bracketed expression can be tried without opening a layout.

#include <QStringList>
#include <QTextStream>

namespace Cli {
// script check FILE [--language NAME]: "ok" (status 0) or "line:column: message" (status 1).
// script eval EXPRESSION [--language NAME]: the value as text (status 0) or the error (status 1).
// Wrong arguments or an unreadable file: usage or message on err, status 2.
int Script(const QStringList &args, QTextStream &out, QTextStream &err);
} // namespace Cli

#pragma once
// The help of waybill-cli: one table of commands, their usage lines and options, from which the
// program's --help, each command's --help, the usage shown after a wrong option and the manual page
// are all made. The command line is looked at here before any command runs, so that help and
// version need neither a display nor a program folder.

#include <QStringList>
#include <QTextStream>

namespace Cli {
// The program's help (all commands, global options, exit statuses).
QString ProgramHelp();
// The usage lines, description and options of one command; empty for a command the table lacks.
QString CommandHelp(const QString &command);
// The usage lines of one command ("usage: waybill-cli …"), as shown after a wrong option; the
// usage of every command for an unknown one.
QString CommandUsage(const QString &command);
// The usage lines of every command, as shown for a wrong or missing command.
QString Usage();
// The manual page waybill-cli(1) in roff, made from the same table.
QString ManPage();

// Reads the whole command line (without the program name). Answers --help/-h, --version and
// --help-man (for the program and for each command) and rejects options a command does not have
// and a --home that names no folder; then `handled` is true and the return value is the exit
// status. Otherwise `handled` is false and `normalized` holds the command line for Run, with
// "--home DIR" first when a program folder was given.
int Intercept(const QStringList &arguments, QTextStream &out, QTextStream &err, bool &handled,
              QStringList &normalized);
} // namespace Cli

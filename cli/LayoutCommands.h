#pragma once
// waybill-cli's layout commands: checking that a layout loads cleanly, and loading and saving it
// again (which writes it in this program's own form: UTF-8, "." decimals, its attribute order).

#include <QStringList>
#include <QTextStream>

namespace Cli {
// layout check FILE: every collected load error on a line of its own, then, when it loaded cleanly,
// its script compiled as a build compiles it ("Script error at LINE:COLUMN: message"); exit 0
// without errors, 1 with errors, 2 when the file cannot be read.
// layout resave IN OUT: loads IN and writes OUT. A layout that loads with errors is not written
// (its lost parts would be gone from OUT): the errors are printed and the exit status is 1; 2 when
// IN cannot be read or OUT cannot be written.
int Layout(const QStringList &args, QTextStream &out, QTextStream &err);
} // namespace Cli

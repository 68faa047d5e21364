#pragma once
// The preview window of the program, shown off screen and grabbed to a picture: for documentation
// and for checking what a seller would see before printing.

#include <QStringList>
#include <QTextStream>

namespace Cli {
// waybill-cli preview --orders FILE --template INDEX|NAME [--rows A-B] [--zoom Z] [--page N]
//                     --png OUT.png
// Builds into the open window as the template preview does (without --rows the first ten orders,
// one record of field names without orders), waits for the build, goes to page N, saves a picture
// of the whole window and prints "pages <count>".
int Preview(const QStringList &args, QTextStream &out, QTextStream &err);
} // namespace Cli

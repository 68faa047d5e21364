#pragma once
// The designer without a screen: opens the real designer window off screen on a template or a
// layout file and saves a picture of it.

#include <QStringList>
#include <QTextStream>

namespace Cli {
// waybill-cli [--home DIR] design (--template INDEX|NAME | --layout FILE) [--select NAME]
//             [--zoom Z] --png OUT
// Prints "objects <count of objects on the current page>".
int Design(const QStringList &args, QTextStream &out, QTextStream &err);
} // namespace Cli

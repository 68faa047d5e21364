#pragma once
// waybill-cli's auto-print: one run of the timed download-and-print without the window.

#include <QStringList>
#include <QTextStream>

namespace Cli {
// auto-print --once --template INDEX|NAME (--printer NAME | --pdf OUT): logs in, downloads the
// order file named in [AUTO] of the settings, and prints the orders no earlier run printed, one
// line "printed <row>" (1-based) each. Exit 0 when it printed or found nothing new (no lines then),
// 1 when the download, the import or the print failed (a failed download writes the address
// followed by "下载出错!" to stderr), 2 for usage errors and missing template, printer or settings.
int AutoPrint(const QStringList &args, QTextStream &out, QTextStream &err);
} // namespace Cli

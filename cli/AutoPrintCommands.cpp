#include "cli/AutoPrintCommands.h"

#include "app/AutoPrint.h"
#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "cli/PrintCommands.h"
#include "platform/Exception.h"

#include <QFileInfo>

namespace {
const char *const kAutoUsage = "usage: waybill-cli [--home DIR] auto-print --once --template INDEX|NAME "
                               "(--printer NAME | --pdf OUT.pdf)\n";
} // namespace

int Cli::AutoPrint(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList args = arguments;
    // Only single runs: a repeating mode belongs to the window, where the seller can stop it.
    if (args.removeAll(QStringLiteral("--once")) != 1) {
        err << kAutoUsage;
        return 2;
    }
    DriverOptions options;
    QString error;
    if (!ParseDriverOptions(args, options, error)) {
        err << "waybill-cli: " << error << '\n' << kAutoUsage;
        return 2;
    }
    if (!options.Orders.isEmpty() || !options.Rows.isEmpty() || !options.Png.isEmpty() ||
        (!options.Printer.isEmpty() && !options.Pdf.isEmpty()) ||
        (options.Printer.isEmpty() && options.Pdf.isEmpty())) {
        err << kAutoUsage;
        return 2;
    }
    const TAutoSettings settings = ReadAutoSettings();
    if (!settings.Enabled()) {
        err << "waybill-cli: " << PrinterIniPath() << " names no order file to fetch ([AUTO] ORDER_URL)\n";
        return 2;
    }
    QString message;
    if (!PrepareDriver(options, message)) {
        err << message << '\n';
        return 2;
    }
    if (!options.Printer.isEmpty())
        CurrPrinter = options.Printer;
    if (options.HasOffsetX)
        CurrHAO = options.OffsetX;
    if (options.HasOffsetY)
        CurrVAO = options.OffsetY;

    TTavrelForm driver;
    driver.PrintToFile = options.Pdf.isEmpty() ? QString() : QFileInfo(options.Pdf).absoluteFilePath();
    driver.MarkPrinted = [&out](int row) { out << "printed " << row + 1 << '\n' << Qt::flush; };
    TAutoRunHost host;
    host.Message = [&err](const QString &text) { err << text << '\n'; };
    host.Status = [](const QString &) {};
    host.ShowData = [] {};
    host.MarkPrinted = [](int) {};
    host.CheckReady = [&] {
        // The template was found above; a PDF needs no printer; a file without orders is simply
        // nothing new.
        if (options.Pdf.isEmpty() && CurrPrinter.isEmpty()) {
            err << QStringLiteral("请选择打印机!") << '\n';
            return false;
        }
        return true;
    };
    host.PrintRows = [&](const QList<int> &rows) { return driver.PrintRows(rows); };
    switch (AutoPrintRun(settings, host)) {
    case TAutoResult::Printed:
    case TAutoResult::NothingNew:
        return 0;
    case TAutoResult::BadSettings:
    case TAutoResult::NotReady:
        return 2;
    default:
        return 1;
    }
}

#include "cli/AutoPrintCommands.h"

#include "app/AutoPrint.h"
#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "cli/CliHelp.h"
#include "cli/OutputFiles.h"
#include "cli/PrintCommands.h"
#include "platform/Exception.h"
#include "platform/SafeFile.h"
#include "report/expr/frxScriptTimeLimit.h"

#include <QDir>
#include <QFileInfo>

namespace {
// A run killed outright (SIGKILL, a power cut) leaves its temporary files behind: those of this
// program older than a day are removed when the next run starts.
void RemoveLeftovers(const QString &pdf)
{
    constexpr qint64 Day = 24 * 3600;
    SafeFile::RemoveStaleTemporaries(QFileInfo(AutoOrdersPath()).absolutePath(),
                                     {QStringLiteral(".csv"), QStringLiteral(".txt")}, Day);
    if (!pdf.isEmpty())
        SafeFile::RemoveStaleTemporaries(QFileInfo(pdf).absolutePath(), {QStringLiteral(".pdf")}, Day);
}
} // namespace

int Cli::AutoPrint(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList args = arguments;
    // Only single runs: a repeating mode belongs to the window, where the seller can stop it.
    // A layout with load errors prints only when asked to.
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.removeAll(QStringLiteral("--once")) != 1) {
        err << Cli::CommandUsage(QStringLiteral("auto-print"));
        return 2;
    }
    DriverOptions options;
    QString error;
    if (!ParseDriverOptions(args, options, error)) {
        err << "waybill-cli: " << error << '\n' << Cli::CommandUsage(QStringLiteral("auto-print"));
        return 2;
    }
    if (!options.Orders.isEmpty() || !options.Rows.isEmpty() || !options.Png.isEmpty() ||
        (!options.Printer.isEmpty() && !options.Pdf.isEmpty()) ||
        (options.Printer.isEmpty() && options.Pdf.isEmpty())) {
        err << Cli::CommandUsage(QStringLiteral("auto-print"));
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

    RemoveLeftovers(options.Pdf.isEmpty() ? QString() : QFileInfo(options.Pdf).absoluteFilePath());

    TTavrelForm driver;
    driver.RefuseLoadErrors = !force;
    // Ctrl+C or a termination request ends the run as it ends `print`: the download or the print
    // stops, nothing is marked, and no temporary file stays.
    InterruptWatch interrupt(driver.frxReport1);
    driver.PrintToFile = options.Pdf.isEmpty() ? QString() : QFileInfo(options.Pdf).absoluteFilePath();
    driver.MarkPrinted = [&out](int row) { out << "printed " << row + 1 << '\n' << Qt::flush; };
    TAutoRunHost host;
    host.Message = [&err, &interrupt](const QString &text) {
        if (!interrupt.Interrupted())
            err << text << '\n';
    };
    host.Warning = [&err](const QString &text) { err << "waybill-cli: " << text << '\n'; };
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
    // A script that never ends stops with the line it was on.
    TfrxScriptTimeLimit limit(driver.frxReport1, options.ScriptTimeout);
    host.PrintRows = [&](const QList<int> &rows) {
        const bool printed = driver.PrintRows(rows);
        if (limit.Expired())
            err << "waybill-cli: " << limit.Message() << '\n';
        return printed;
    };
    const TAutoResult result = AutoPrintRun(settings, host);
    if (interrupt.Interrupted() && result != TAutoResult::Printed) {
        err << "waybill-cli: interrupted\n";
        return InterruptedStatus();
    }
    switch (result) {
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

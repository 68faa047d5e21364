#include "cli/PrintCommands.h"

#include "app/OrderImport.h"
#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "cli/CliHelp.h"
#include "cli/JournalCommands.h"
#include "cli/OutputFiles.h"
#include "platform/Exception.h"
#include "report/draw/frxDrawPage.h"
#include "report/expr/frxScriptTimeLimit.h"
#include "report/host/frxPreviewPagesBase.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>

namespace {


bool ReadInt(const QString &text, int &value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

TTemplatePtr FindTemplate(const QString &key)
{
    int index = -1;
    if (ReadInt(key, index))
        return index >= 0 && index < TemplateList.size() ? TemplateList[index] : nullptr;
    for (const TTemplatePtr &t : std::as_const(TemplateList))
        if (t->TmpName == key)
            return t;
    return nullptr;
}

// A prepared page as the screen shows it (background included), at dpi dots per inch.
bool RenderPage(TfrxReport *report, int pageNo, int dpi, const QString &path, QString &error)
{
    TfrxCustomPreviewPages *pages = report->PreviewPages();
    const int count = pages ? pages->Count() : 0;
    if (pageNo < 1 || pageNo > count) {
        error = QStringLiteral("page %1 does not exist (%2 pages)").arg(pageNo).arg(count);
        return false;
    }
    TfrxReportPage *page = pages->GetPage(pageNo - 1);
    if (!page) {
        error = QStringLiteral("page %1 cannot be read").arg(pageNo);
        return false;
    }
    const double PngDpi = dpi;
    const double pxPerMm = PngDpi / 25.4;
    const QSize size(qRound(page->PaperWidth() * pxPerMm), qRound(page->PaperHeight() * pxPerMm));
    if (size.isEmpty() || size.width() > 20000 || size.height() > 20000) {
        error = QStringLiteral("page %1 has no drawable size").arg(pageNo);
        return false;
    }
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(PngDpi / 0.0254));
    image.setDotsPerMeterY(qRound(PngDpi / 0.0254));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TfrxPageDrawValues values;
        values.PageIndex = pageNo - 1;
        values.TotalPages = count;
        frxDrawPage(*page, painter, PngDpi / 96.0, PngDpi / 96.0, 0, 0, values);
    }
    QString why;
    if (!Cli::SavePng(image, path, why)) {
        error = QStringLiteral("cannot write %1: %2").arg(path, why);
        return false;
    }
    return true;
}

} // namespace

bool Cli::ParseDriverOptions(const QStringList &args, DriverOptions &options, QString &error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &name = args[i];
        if (name == QLatin1String("--by-position")) {
            options.ByPosition = true;
            continue;
        }
        // An empty value (an unset shell variable) would quietly fall back to a default.
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            error = QStringLiteral("option %1 needs a value").arg(name);
            return false;
        }
        const QString value = args[++i];
        bool number = true;
        if (name == QLatin1String("--orders"))
            options.Orders = value;
        else if (name == QLatin1String("--template"))
            options.Template = value;
        else if (name == QLatin1String("--rows"))
            options.Rows = value;
        else if (name == QLatin1String("--printer"))
            options.Printer = value;
        else if (name == QLatin1String("--pdf"))
            options.Pdf = value;
        else if (name == QLatin1String("--png"))
            options.Png = value;
        else if (name == QLatin1String("--page"))
            number = ReadInt(value, options.Page);
        else if (name == QLatin1String("--dpi")) {
            number = ReadInt(value, options.Dpi);
            if (number && !(options.Dpi >= 72 && options.Dpi <= 1200)) {
                error = QStringLiteral("option --dpi wants a resolution from 72 to 1200, not '%1'").arg(value);
                return false;
            }
        }
        else if (name == QLatin1String("--zoom")) {
            options.Zoom = value.toDouble(&number);
            // The preview's own limits, 10 % to 2000 %.
            if (number && !(options.Zoom >= 0.1 && options.Zoom <= 20)) {
                error = QStringLiteral("option --zoom wants a zoom from 0.1 to 20, not '%1'").arg(value);
                return false;
            }
        } else if (name == QLatin1String("--script-timeout")) {
            options.ScriptTimeout = value.toDouble(&number);
            if (number && !(options.ScriptTimeout > 0 && options.ScriptTimeout <= 86400)) {
                error = QStringLiteral("option --script-timeout wants seconds above 0, at most 86400, not '%1'").arg(value);
                return false;
            }
        } else if (name == QLatin1String("--offset-x") || name == QLatin1String("--offset-y")) {
            // Whole millimetres within the range the settings dialog takes.
            const bool x = name == QLatin1String("--offset-x");
            if (!ParseOffset(value, name, x ? &options.OffsetX : &options.OffsetY, &error))
                return false;
            (x ? options.HasOffsetX : options.HasOffsetY) = true;
        } else {
            error = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
        if (!number) {
            error = QStringLiteral("option %1 wants a number, not '%2'").arg(name, value);
            return false;
        }
    }
    return true;
}

bool Cli::ParseRows(const QString &text, int rowCount, int &start, int &count)
{
    if (text.isEmpty()) {
        start = 0;
        count = rowCount;
        return rowCount > 0;
    }
    const int dash = text.indexOf(u'-');
    int first = 0, last = 0;
    if (dash < 0) {
        if (!ReadInt(text, first))
            return false;
        last = first;
    } else if (!ReadInt(text.left(dash), first) || !ReadInt(text.mid(dash + 1), last)) {
        return false;
    }
    if (first < 1 || last < first || last > rowCount)
        return false;
    start = first - 1;
    count = last - first + 1;
    return true;
}

QString Cli::RowsError(const QString &text, int rowCount)
{
    static const QRegularExpression range(QStringLiteral("^\\s*[+-]?\\d+\\s*(-\\s*[+-]?\\d+\\s*)?$"));
    if (!range.match(text).hasMatch())
        return QStringLiteral("rows '%1' is not a range (A-B or N)").arg(text);
    return QStringLiteral("rows '%1' are not within 1-%2").arg(text).arg(rowCount);
}

bool Cli::PrepareDriver(const DriverOptions &options, QString &message, QStringList *warnings)
{
    CurrTemplate = options.Template.isEmpty() ? nullptr : FindTemplate(options.Template);
    if (!CurrTemplate) {
        message = QStringLiteral("请选择打印模板!");
        return false;
    }
    if (!options.Orders.isEmpty()) {
        const bool byPosition = options.ByPosition;
        TOrderImport result;
        try {
            result = ImportOrders(options.Orders, [byPosition](const TColumnMatch &) {
                return byPosition ? TColumnChoice::ByPosition : TColumnChoice::Cancel;
            });
        } catch (const std::exception &e) {
            message = ExceptionText(e);
            return false;
        }
        if (result.Cancelled) {
            message = result.Columns.Text() + QStringLiteral("\n按设置的列位置导入请加 --by-position");
            return false;
        }
        if (warnings) {
            *warnings << result.Warnings;
            if (!result.UnclosedLines.isEmpty())
                *warnings << UnclosedQuoteWarning(result.UnclosedLines);
            if (result.BlankLines > 0)
                *warnings << result.Summary();
        }
    }
    return true;
}

int Cli::Print(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList args = arguments;
    // A layout with load errors prints only when asked to.
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    const bool skipPrinted = args.removeAll(QStringLiteral("--skip-printed")) > 0;
    const bool noJournal = args.removeAll(QStringLiteral("--no-journal")) > 0;
    if (skipPrinted && noJournal) {
        err << "waybill-cli: --skip-printed needs the journal; it cannot go with --no-journal\n"
            << Cli::CommandUsage(QStringLiteral("print"));
        return 2;
    }
    DriverOptions options;
    QString error;
    if (!ParseDriverOptions(args, options, error)) {
        err << "waybill-cli: " << error << '\n' << Cli::CommandUsage(QStringLiteral("print"));
        return 2;
    }
    const int outputs =
        int(!options.Printer.isEmpty()) + int(!options.Pdf.isEmpty()) + int(!options.Png.isEmpty());
    if (outputs > 1) {
        err << "waybill-cli: choose one of --printer, --pdf and --png\n" << Cli::CommandUsage(QStringLiteral("print"));
        return 2;
    }
    for (const auto &[option, path] : {std::pair{"--pdf", options.Pdf}, std::pair{"--png", options.Png}}) {
        const QString problem = path.isEmpty() ? QString() : OutputProblem(QLatin1String(option), path);
        if (!problem.isEmpty()) {
            err << "waybill-cli: " << problem << '\n';
            return 2;
        }
    }
    // The checks of the window, in its order: template, printer, orders.
    QString message;
    QStringList warnings;
    const bool prepared = PrepareDriver(options, message, &warnings);
    for (const QString &warning : std::as_const(warnings))
        err << "waybill-cli: warning: " << warning << '\n';
    if (!prepared) {
        err << message << '\n';
        return 2;
    }
    if (!options.Printer.isEmpty())
        CurrPrinter = options.Printer;
    if (options.Pdf.isEmpty() && options.Png.isEmpty()) {
        if (CurrPrinter.isEmpty()) {
            err << QStringLiteral("请选择打印机!") << '\n';
            return 2;
        }
        // An unknown name would quietly print on whatever printer is current.
        if (!TTavrelForm::PrinterInstalled(CurrPrinter)) {
            err << QStringLiteral("打印机不存在: %1").arg(CurrPrinter) << '\n';
            return 2;
        }
    }
    if (OrderRows.empty()) {
        err << QStringLiteral("请导入淘宝订单数据!") << '\n';
        return 2;
    }
    int start = 0, count = 0;
    if (!ParseRows(options.Rows, int(OrderRows.size()), start, count)) {
        err << "waybill-cli: " << RowsError(options.Rows, int(OrderRows.size())) << '\n';
        return 2;
    }
    if (options.HasOffsetX)
        CurrHAO = options.OffsetX;
    if (options.HasOffsetY)
        CurrVAO = options.OffsetY;

    // The journal says which orders were printed before and claims the rows (--png prints nothing).
    JournaledPrint journal(err);
    QList<int> rows;
    if (!noJournal && options.Png.isEmpty()) {
        const QString output = options.Pdf.isEmpty() ? QString() : QFileInfo(options.Pdf).absoluteFilePath();
        const int status = journal.Begin(start, count, skipPrinted, CurrPrinter, output, rows);
        if (status >= 0)
            return status;
    }
    TTavrelForm driver;
    driver.RefuseLoadErrors = !force;
    // Each line leaves at once: a run killed later still told which orders the printer took.
    driver.MarkPrinted = [&out](int row) { out << "printed " << row + 1 << '\n' << Qt::flush; };
    // Ctrl+C ends the run at once: nothing printed, nothing marked, no output file touched.
    InterruptWatch interrupt(driver.frxReport1);
    // A script that never ends stops with the line it was on.
    TfrxScriptTimeLimit limit(driver.frxReport1, options.ScriptTimeout);
    auto interrupted = [&] {
        if (limit.Expired()) {
            err << "waybill-cli: " << limit.Message() << '\n';
            return true;
        }
        if (!interrupt.Interrupted())
            return false;
        err << "waybill-cli: interrupted\n";
        return true;
    };
    auto stoppedStatus = [&] { return limit.Expired() ? 1 : InterruptedStatus(); };
    try {
        if (!options.Png.isEmpty()) {
            const bool built = driver.BuildRange(start, count);
            if (interrupted())
                return stoppedStatus();
            if (!built) {
                err << "waybill-cli: the pages could not be built\n";
                return 1;
            }
            if (!RenderPage(driver.frxReport1, options.Page, options.Dpi, options.Png, error)) {
                err << "waybill-cli: " << error << '\n';
                return 1;
            }
            return 0;
        }
        driver.PrintToFile = options.Pdf.isEmpty() ? QString() : QFileInfo(options.Pdf).absoluteFilePath();
        const bool printed = rows.isEmpty() || rows.size() == count ? driver.PrintRange(start, count)
                                                                    : driver.PrintRows(rows);
        // A job that completed before the interrupt was seen is printed and marked all the same.
        if (!printed && interrupted())
            return stoppedStatus();
        if (!printed) {
            err << "waybill-cli: nothing was printed\n";
            return 1;
        }
    } catch (const std::exception &e) {
        if (interrupted())
            return stoppedStatus();
        err << ExceptionText(e) << '\n';
        return 1;
    }
    return journal.End();
}

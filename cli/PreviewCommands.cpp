#include "cli/PreviewCommands.h"

#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "cli/CliHelp.h"
#include "cli/OutputFiles.h"
#include "cli/PrintCommands.h"
#include "engine/preview/frxPreview.h"
#include "engine/preview/frxPreviewForm.h"
#include "platform/Exception.h"
#include "report/expr/frxScriptTimeLimit.h"
#include "report/host/frxPreviewPagesBase.h"

#include <QImage>

namespace {

// The window's size in the pictures: a common laptop screen.
const QSize WindowSize(1400, 860);
} // namespace

int Cli::Preview(const QStringList &args, QTextStream &out, QTextStream &err)
{
    DriverOptions options;
    QString error;
    if (!ParseDriverOptions(args, options, error) || options.Png.isEmpty() || !options.Printer.isEmpty() ||
        !options.Pdf.isEmpty()) {
        if (!error.isEmpty())
            err << "waybill-cli: " << error << '\n';
        err << Cli::CommandUsage(QStringLiteral("preview"));
        return 2;
    }
    if (const QString problem = OutputProblem(QStringLiteral("--png"), options.Png); !problem.isEmpty()) {
        err << "waybill-cli: " << problem << '\n';
        return 2;
    }
    QString message;
    QStringList warnings;
    const bool prepared = PrepareDriver(options, message, &warnings);
    for (const QString &warning : std::as_const(warnings))
        err << "waybill-cli: warning: " << warning << '\n';
    if (!prepared) {
        err << message << '\n';
        return 2;
    }
    const int rows = int(OrderRows.size());
    int start = 0, count = TTavrelForm::TemplatePreviewRows();
    if (!options.Rows.isEmpty() && !ParseRows(options.Rows, rows, start, count)) {
        err << "waybill-cli: " << RowsError(options.Rows, rows) << '\n';
        return 2;
    }

    TTavrelForm driver;
    TfrxReport *report = driver.frxReport1;
    try {
        driver.LoadForPreview(CurrTemplate, start, count);
    } catch (const std::exception &e) {
        err << ExceptionText(e) << '\n';
        return 1;
    }
    // What went wrong in the layout is said whether or not pages come of it.
    const QStringList loadErrors = report->Errors();
    for (const QString &e : loadErrors)
        err << "waybill-cli: " << CurrTemplate->LayoutPath() << ": " << e << '\n';
    report->PreviewOptions()->SetMaximized(false);
    TfrxScriptTimeLimit limit(report, options.ScriptTimeout);
    TfrxPreviewForm *form = frxShowPreviewAndWait(report, 120000);
    if (limit.Expired()) {
        delete form;
        err << "waybill-cli: " << limit.Message() << '\n';
        return 1;
    }
    if (!form) {
        err << "waybill-cli: the preview could not be built\n";
        return 1;
    }
    form->resize(WindowSize);
    TfrxCustomPreviewPages *pages = report->PreviewPages();
    const int pageCount = pages ? pages->Count() : 0;
    if (pageCount == 0) {
        // A broken layout builds nothing: no picture of an empty window.
        QStringList reasons = report->Errors();
        if (reasons.isEmpty())
            reasons = loadErrors;
        delete form;
        err << "waybill-cli: the preview of " << CurrTemplate->LayoutPath() << " has no pages"
            << (reasons.isEmpty() ? QString() : QStringLiteral(": ") + reasons.join(QStringLiteral("; "))) << '\n';
        return 1;
    }
    form->Preview()->ShowPage(std::clamp(options.Page, 1, std::max(1, pageCount)));
    if (options.Zoom > 0 && options.Zoom != 1.0)
        form->Preview()->SetZoom(options.Zoom);
    QString why;
    const bool saved = SavePng(form->Grab(), options.Png, why);
    delete form;
    if (!saved) {
        err << "waybill-cli: cannot write " << options.Png << ": " << why << '\n';
        return 1;
    }
    out << "pages " << pageCount << '\n';
    return 0;
}

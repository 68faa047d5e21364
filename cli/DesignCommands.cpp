#include "cli/DesignCommands.h"

#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "cli/CliHelp.h"
#include "designer/window/frxDesgn.h"
#include "platform/Exception.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"

#include <QApplication>
#include <QFileInfo>

namespace {


// The window's size in the pictures: a common laptop screen.
const QSize WindowSize(1400, 860);

TTemplatePtr FindTemplateByKey(const QString &key)
{
    bool ok = false;
    const int index = key.toInt(&ok);
    if (ok)
        return index >= 0 && index < TemplateList.size() ? TemplateList[index] : nullptr;
    for (const TTemplatePtr &t : std::as_const(TemplateList))
        if (t->TmpName == key)
            return t;
    return nullptr;
}

} // namespace

int Cli::Design(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString templateKey, layout, select, png;
    double zoom = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &option = args[i];
        const bool hasValue = i + 1 < args.size();
        if (option == QLatin1String("--template") && hasValue) {
            templateKey = args[++i];
        } else if (option == QLatin1String("--layout") && hasValue) {
            layout = args[++i];
        } else if (option == QLatin1String("--select") && hasValue) {
            select = args[++i];
        } else if (option == QLatin1String("--png") && hasValue) {
            png = args[++i];
        } else if (option == QLatin1String("--zoom") && hasValue) {
            bool ok = false;
            zoom = args[++i].toDouble(&ok);
            if (!ok || zoom <= 0) {
                err << "waybill-cli: zoom '" << args[i] << "' is not a positive number\n" << Cli::CommandUsage(QStringLiteral("design"));
                return 2;
            }
        } else {
            err << "waybill-cli: unknown option '" << option << "'\n" << Cli::CommandUsage(QStringLiteral("design"));
            return 2;
        }
    }
    if (png.isEmpty() || templateKey.isEmpty() == layout.isEmpty()) {
        err << Cli::CommandUsage(QStringLiteral("design"));
        return 2;
    }
    if (!templateKey.isEmpty()) {
        const TTemplatePtr t = FindTemplateByKey(templateKey);
        if (!t) {
            err << "waybill-cli: no template '" << templateKey << "'\n";
            return 2;
        }
        layout = t->LayoutPath();
    }
    if (!QFileInfo::exists(layout)) {
        err << "waybill-cli: Couldn't load file " << layout << '\n';
        return 1;
    }

    TTavrelForm driver;
    TfrxReport *report = driver.frxReport1;
    report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    try {
        frxLoadFromFile(*report, layout);
    } catch (const std::exception &e) {
        err << "waybill-cli: " << ExceptionText(e) << '\n';
        return 1;
    }
    for (const QString &error : report->Errors())
        err << "waybill-cli: " << error << '\n';
    QStringList fields;
    for (const TColumn &column : std::as_const(OrderColumns))
        fields.append(column.ColName);
    driver.frxUserDataSet1->SetFields(fields);

    auto form = std::make_unique<TfrxDesignerForm>(report);
    form->setWindowState(Qt::WindowNoState);
    form->resize(WindowSize);
    form->show();
    QApplication::processEvents();
    if (zoom > 0)
        form->SetScale(zoom);
    if (!select.isEmpty() && !form->SelectObject(select)) {
        err << "waybill-cli: no object '" << select << "' on the page\n";
        return 1;
    }
    QApplication::processEvents();
    const bool saved = form->grab().save(png, "PNG");
    TfrxPage *page = form->Page();
    const int count = page ? int(page->AllObjects().size()) : 0;
    // The window goes without its close question: nothing was changed.
    form.reset();
    if (!saved) {
        err << "waybill-cli: cannot write " << png << '\n';
        return 1;
    }
    out << "objects " << count << '\n';
    return 0;
}

#include "cli/LayoutCommands.h"

#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "cli/CliHelp.h"
#include "engine/frxEngineLayer.h"
#include "platform/Exception.h"
#include "platform/SafeFile.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/io/frxSerializeReport.h"
#include "report/io/frxTemplateFiles.h"
#include "report/io/frxXML.h"
#include "report/io/frxXMLSerializer.h"

#include <QMap>

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

// The window's report holder: its report is owned by the same host form as the window's, with the
// host dataset frxUserDataSet1 (alias FD) beside it, so a layout's dataset references resolve and
// are written back exactly as the window writes them. The dataset's fields are the order columns
// of the settings (empty without --home).
std::unique_ptr<TTavrelForm> HostForm()
{
    auto form = std::make_unique<TTavrelForm>();
    QStringList fields;
    for (const TColumn &column : std::as_const(OrderColumns))
        fields << column.ColName;
    form->frxUserDataSet1->SetFields(fields);
    return form;
}

// Loads a layout without showing anything. 2 when the file cannot be read, else 0. The command
// line's own silent mode holds only for the load: a load keeps the host's engine options, so the
// host's own value is put back before anything can be saved.
int LoadQuietly(TfrxReport &report, const QString &fileName, QTextStream &err)
{
    struct SilentLoad {
        TfrxReport &report;
        frx::TfrxSilentMode previous;
        explicit SilentLoad(TfrxReport &r) : report(r), previous(r.EngineOptions()->NewSilentMode())
        {
            report.EngineOptions()->SetNewSilentMode(frx::simSilent);
        }
        ~SilentLoad() { report.EngineOptions()->SetNewSilentMode(previous); }
    } silent(report);
    try {
        if (!frxLoadFromFile(report, fileName)) {
            err << "waybill-cli: no such file: " << fileName << '\n';
            return 2;
        }
    } catch (const std::exception &e) {
        err << "waybill-cli: " << ExceptionText(e) << '\n';
        return 2;
    }
    return 0;
}
// What the layout holds that the program keeps without understanding it, one line per kind (an
// attribute name, a reference to a component the layout does not hold) with the objects it is on.
QStringList KeptWithoutUnderstanding(TfrxReport &report)
{
    QMap<QString, QStringList> kinds;
    QList<TfrxComponent *> components{&report};
    components << report.AllObjects();
    for (TfrxComponent *component : std::as_const(components)) {
        const TfrxKeptAttributes *kept = frxKeptAttributes(component);
        if (!kept)
            continue;
        const QString name = component == &report ? QStringLiteral("Report")
                             : component->Name().isEmpty() ? component->ClassName()
                                                           : component->Name();
        for (const TfrxKeptAttributes::Entry &entry : kept->Entries) {
            QString kind;
            if (entry.What == TfrxKeptAttributes::Unknown)
                kind = QStringLiteral("attribute ") + entry.Name;
            else if (entry.What == TfrxKeptAttributes::Missing && entry.Reference)
                kind = QStringLiteral("reference ") + entry.Name + QStringLiteral("=\"") + XMLToStr(entry.Raw) +
                       QStringLiteral("\" (not in the layout)");
            else
                continue;
            QStringList &objects = kinds[kind];
            if (!objects.contains(name))
                objects << name;
        }
    }
    QStringList lines;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it) {
        const QStringList &objects = it.value();
        QString on = objects.mid(0, 6).join(QStringLiteral(", "));
        if (objects.size() > 6)
            on += QStringLiteral(" and %1 more").arg(objects.size() - 6);
        lines << QStringLiteral("kept, not understood: %1 on %2").arg(it.key(), on);
    }
    return lines;
}
} // namespace

int Cli::Layout(const QStringList &args, QTextStream &out, QTextStream &err)
{
    const QString command = args.value(0);
    if (command == QLatin1String("check") && args.size() == 2) {
        // The script is prepared as a build prepares it (objects, Report, Engine, Outline and the
        // functions registered), so a script that would stop a build is found here.
        frxStartEngineLayer();
        const std::unique_ptr<TTavrelForm> host = HostForm();
        TfrxReport &report = *host->frxReport1;
        if (int code = LoadQuietly(report, args[1], err))
            return code;
        // Dialog pages print nothing: a layout of only those would fail every print.
        bool printable = false;
        for (int i = 0; i < report.PagesCount() && !printable; ++i)
            printable = qobject_cast<TfrxReportPage *>(report.Pages(i)) != nullptr;
        if (!printable && report.Errors().isEmpty())
            report.AddError(QStringLiteral("模板文件中没有可打印的页面"));
        if (report.Errors().isEmpty()) {
            try {
                report.PrepareScript();
            } catch (const std::exception &e) {
                report.AddError(ExceptionText(e));
            }
        }
        // A waybill template that prints order fields but never walks the orders.
        if (const QString problem = host->OrdersNotWalkedProblem(); !problem.isEmpty())
            report.AddError(problem);
        for (const QString &error : report.Errors())
            out << error << '\n';
        // Kept and written back unchanged, so no error; but nothing of it takes part in a build.
        for (const QString &line : KeptWithoutUnderstanding(report))
            out << line << '\n';
        return report.Errors().isEmpty() ? 0 : 1;
    }
    if (command == QLatin1String("resave") && args.size() == 3) {
        const std::unique_ptr<TTavrelForm> host = HostForm();
        TfrxReport &report = *host->frxReport1;
        if (int code = LoadQuietly(report, args[1], err))
            return code;
        // Objects of unknown classes are kept and written back as they were; any other error
        // means a part of the file was not read, and writing would lose it.
        bool lossy = false;
        for (const QString &error : report.Errors()) {
            out << error << '\n';
            lossy = lossy || !error.startsWith(QLatin1String("Cannot find class "));
        }
        if (lossy) {
            err << "waybill-cli: " << args[1] << " did not load cleanly; " << args[2] << " was not written\n";
            return 1;
        }
        // An output name that cannot be a file (a device, a pipe, a folder that is not there, a link
        // out of its folder) is a wrong argument; a write that fails (a full disk) is a failed run.
        const QFileInfo target(args[2]);
        const bool wrongName = !SafeFile::OutputProblem(args[2]).isEmpty() || !target.absoluteDir().exists() ||
                               !frxLinkedLayoutProblem(args[2]).isEmpty();
        try {
            frxSaveToFile(report, args[2]);
        } catch (const std::exception &e) {
            err << "waybill-cli: " << ExceptionText(e) << '\n';
            return wrongName ? 2 : 1;
        }
        return 0;
    }
    err << Cli::CommandUsage(QStringLiteral("layout"));
    return 2;
}

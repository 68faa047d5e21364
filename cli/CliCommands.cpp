#include "cli/CliCommands.h"

#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "cli/AutoPrintCommands.h"
#include "cli/CliHelp.h"
#include "cli/DesignCommands.h"
#include "cli/JournalCommands.h"
#include "cli/LayoutCommands.h"
#include "cli/PreviewCommands.h"
#include "cli/PrintCommands.h"
#include "cli/ScriptCommands.h"
#include "engine/frxEngineLayer.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QFileInfo>

QString Cli::JsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\b':
            out += QLatin1String("\\b");
            break;
        case '\f':
            out += QLatin1String("\\f");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

int Cli::Orders(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.size() != 1) {
        err << Cli::Usage();
        return 2;
    }
    TOrderImport result;
    try {
        result = ImportOrders(args[0]);
    } catch (const std::exception &e) {
        err << "waybill-cli: " << ExceptionText(e) << '\n';
        return 2;
    }
    if (!result.UnclosedLines.isEmpty())
        err << "waybill-cli: " << UnclosedQuoteWarning(result.UnclosedLines) << '\n';
    for (const QString &warning : std::as_const(result.Warnings))
        err << "waybill-cli: warning: " << warning << '\n';
    if (result.BlankLines > 0)
        err << "waybill-cli: " << result.Summary() << '\n';
    for (size_t r = 0; r < OrderRows.size(); ++r) {
        out << "{\"row\": " << r;
        for (int j = 1; j <= OrderColumns.size(); ++j) {
            const QString key = QStringLiteral("C%1").arg(j);
            if (PHashItem item = OrderRows[r].FindItem(key))
                out << ", \"" << key << "\": " << JsonString(OrderRows[r].ItemValue(*item));
        }
        out << "}\n";
    }
    return 0;
}

int Cli::Templates(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (!args.isEmpty()) {
        err << Cli::Usage();
        return 2;
    }
    // A template whose settings could not be used has no layout: its line says why instead.
    for (int i = 0; i < TemplateList.size(); ++i) {
        const TTemplate &t = *TemplateList[i];
        out << i << '\t' << t.ShownName() << '\t' << (t.Problem.isEmpty() ? t.LayoutPath() : t.Problem) << '\n';
    }
    return 0;
}

int Cli::Run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList args = arguments;
    QString home;
    if (!args.isEmpty() && args[0] == QLatin1String("--home")) {
        // A folder that is not there would quietly give a program without settings or templates.
        if (args.size() < 2 || args[1].isEmpty()) {
            err << "waybill-cli: option --home needs a folder\n" << Cli::Usage();
            return 2;
        }
        home = args[1];
        if (!QFileInfo(home).isDir()) {
            err << "waybill-cli: the home folder " << home << " does not exist\n";
            return 2;
        }
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        err << Cli::Usage();
        return 2;
    }
    const QString command = args.takeFirst();
    frxStartEngineLayer();
    if (command == QLatin1String("script"))
        return Script(args, out, err);
    if (command == QLatin1String("layout")) {
        // With a program folder, the order dataset's fields come from its settings, as in the window.
        if (!home.isEmpty())
            InitGlobals(home);
        return Layout(args, out, err);
    }
    InitGlobals(home);
    if (command == QLatin1String("orders"))
        return Orders(args, out, err);
    if (command == QLatin1String("templates"))
        return Templates(args, out, err);
    if (command == QLatin1String("print"))
        return Print(args, out, err);
    if (command == QLatin1String("preview"))
        return Preview(args, out, err);
    if (command == QLatin1String("auto-print"))
        return AutoPrint(args, out, err);
    if (command == QLatin1String("design"))
        return Design(args, out, err);
    if (command == QLatin1String("journal"))
        return JournalList(args, out, err);
    err << "waybill-cli: unknown command '" << command << "'\n" << Cli::Usage();
    return 2;
}

#include "cli/CliCommands.h"

#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "cli/AutoPrintCommands.h"
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

namespace {
const char *const kUsage =
    "usage: waybill-cli [--home DIR] orders FILE\n"
    "       waybill-cli [--home DIR] templates\n"
    "       waybill-cli [--home DIR] print --orders FILE --template INDEX|NAME [--rows A-B]\n"
    "                   (--printer NAME | --pdf OUT.pdf | --png OUT.png [--page N])\n"
    "                   [--offset-x N --offset-y N] [--skip-printed | --no-journal]\n"
    "       waybill-cli [--home DIR] journal [--order KEY] [--since DATE] [--run ID] [--json]\n"
    "       waybill-cli [--home DIR] preview --orders FILE --template INDEX|NAME [--rows A-B]\n"
    "                   [--zoom Z] [--page N] --png OUT.png\n"
    "       waybill-cli [--home DIR] auto-print --once --template INDEX|NAME (--printer NAME | --pdf OUT.pdf)\n"
    "       waybill-cli [--home DIR] design (--template INDEX|NAME | --layout FILE) [--select NAME]\n"
    "                   [--zoom Z] --png OUT.png\n"
    "       waybill-cli [--home DIR] layout check FILE\n"
    "       waybill-cli [--home DIR] layout resave IN OUT\n"
    "       waybill-cli script check FILE [--language NAME]\n"
    "       waybill-cli script eval EXPRESSION [--language NAME]\n";
} // namespace

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
        err << kUsage;
        return 2;
    }
    QList<int> unclosed;
    QStringList warnings;
    try {
        ImportOrders(args[0], &warnings, &unclosed);
    } catch (const std::exception &e) {
        err << "waybill-cli: " << ExceptionText(e) << '\n';
        return 2;
    }
    if (!unclosed.isEmpty())
        err << "waybill-cli: " << UnclosedQuoteWarning(unclosed) << '\n';
    for (const QString &warning : std::as_const(warnings))
        err << "waybill-cli: warning: " << warning << '\n';
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
        err << kUsage;
        return 2;
    }
    for (int i = 0; i < TemplateList.size(); ++i)
        out << i << '\t' << TemplateList[i]->TmpName << '\t' << TemplateList[i]->LayoutPath() << '\n';
    return 0;
}

int Cli::Run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList args = arguments;
    QString home;
    if (!args.isEmpty() && args[0] == QLatin1String("--home")) {
        // A folder that is not there would quietly give a program without settings or templates.
        if (args.size() < 2 || args[1].isEmpty()) {
            err << "waybill-cli: option --home needs a folder\n" << kUsage;
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
        err << kUsage;
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
    err << "waybill-cli: unknown command '" << command << "'\n" << kUsage;
    return 2;
}

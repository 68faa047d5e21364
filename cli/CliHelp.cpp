#include "cli/CliHelp.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

struct OptionHelp {
    const char *Name;      // long name without dashes
    const char *ValueName; // nullptr for a switch
    const char *Text;
};

struct CommandEntry {
    const char *Name;
    const char *Usage;   // usage lines after "waybill-cli"; continuation lines start with spaces
    const char *Summary; // one line
    const char *Text;    // what it does, in a few sentences
    QList<OptionHelp> Options;
};

const QList<OptionHelp> kGlobalOptions = {
    {"home", "DIR", "The program folder (config/, template/, orders/). Default: TAVREL_HOME, else the "
                    "folder of the program, or for an installed program $XDG_DATA_HOME/waybill."},
    {"help", nullptr, "Show this help; after a command, the help of that command."},
    {"version", nullptr, "Show the version."},
};

const QList<OptionHelp> kPrintOptions = {
    {"orders", "FILE", "The order export (CSV) to import."},
    {"template", "INDEX|NAME", "The template, by its index in `templates` or by its name."},
    {"rows", "A-B", "The order rows to print, 1-based and inclusive (default: all)."},
    {"printer", "NAME", "Print on this print queue."},
    {"pdf", "OUT.pdf", "Print into a PDF file through the same print job."},
    {"png", "OUT.png", "Render one prepared page with the form's background."},
    {"page", "N", "The page --png renders (default 1)."},
    {"dpi", "N", "The resolution --png renders at, 72 to 1200 (default 300)."},
    {"offset-x", "MM", "Horizontal printer offset in whole millimetres (default: the stored one)."},
    {"offset-y", "MM", "Vertical printer offset in whole millimetres (default: the stored one)."},
    {"by-position", nullptr, "When the export's header holds only some of the column names of [OrderColumn] "
                             "(the export changed its columns), take the columns by position instead of refusing "
                             "with the list of missing and moved names."},
    {"script-timeout", "S", "Stop a layout's script that runs longer than S seconds for one page, with an error "
                            "naming its line (default 60)."},
    {"skip-printed", nullptr, "Leave out the orders the print journal knows as printed, being printed by another "
                              "run, or left unknown by a run that was killed."},
    {"no-journal", nullptr, "Print without the print journal (also when it cannot be used)."},
};

// One option of kPrintOptions by its name, for the commands that share it.
OptionHelp PrintOption(const char *name)
{
    for (const OptionHelp &o : kPrintOptions)
        if (qstrcmp(o.Name, name) == 0)
            return o;
    Q_UNREACHABLE();
}
const OptionHelp kForceOption = {"force", nullptr,
                                  "Print even when the layout did not load cleanly (its errors are named on "
                                  "stderr; without --force nothing is printed and the exit status is 1)."};

const QList<CommandEntry> &Commands()
{
    static const QList<CommandEntry> commands = {
        {"orders", "[--home DIR] orders FILE", "List the orders of an order export as JSON.",
         "Imports FILE as the program does and writes one JSON object per order row: {\"row\": r, \"C1\": …} "
         "with the columns the row holds (row index from 0). Lines whose quotes were not closed and the number "
         "of blank lines skipped are named on stderr; a header that holds only some of the configured column "
         "names is refused with their list.",
         {}},
        {"templates", "[--home DIR] templates", "List the templates of the program folder.",
         "Writes one line per template: its index, its name and the path of its layout, separated by tabs.",
         {}},
        {"print",
         "[--home DIR] print --orders FILE [--by-position] --template INDEX|NAME [--rows A-B]\n"
         "    (--printer NAME | --pdf OUT.pdf | --png OUT.png [--page N] [--dpi N]) [--offset-x MM --offset-y MM]\n"
         "    [--script-timeout S] [--force] [--skip-printed | --no-journal]",
         "Print one waybill per order.",
         "The batch print of the window without the window: the same print driver, the same checks (a failed "
         "check prints the window's message, e.g. \"请选择打印模板!\", and exits 2) and the stored printer "
         "offsets. Columns are taken by the names of the export's header when it holds every name of [OrderColumn] "
         "(a moved column still prints right), by position when it holds none of them, and the run is refused with "
         "the list when it holds only some (unless --by-position). Writes \"printed <row>\" (1-based) for each "
         "order the printer took, as it takes it. Every run is kept in the print journal "
         "(config/print-journal.db): orders printed before are named on stderr, and a journal that cannot be "
         "used ends the command with status 1 unless --no-journal is given.",
         kPrintOptions + QList<OptionHelp>{kForceOption}},
        {"journal", "[--home DIR] journal [--order KEY] [--since DATE] [--run ID] [--json]",
         "List the print journal.",
         "Writes one line per order per print, oldest first: time, run, state (claimed, printed, failed, "
         "unknown), reprint or -, order key, row, template, printer or output file, CUPS job ids; with --json one "
         "JSON object per line.",
         {{"order", "KEY", "Only this order (its key, e.g. the order number)."},
          {"since", "DATE", "Only prints from this date or time on (2026-12-11 or \"2026-12-11 08:30\")."},
          {"run", "ID", "Only this run."},
          {"json", nullptr, "One JSON object per line."}}},
        {"preview",
         "[--home DIR] preview --orders FILE [--by-position] --template INDEX|NAME [--rows A-B]\n"
         "    [--zoom Z] [--page N] [--script-timeout S] --png OUT.png",
         "Save a picture of the preview window.",
         "Opens the program's preview off screen, builds into it as the template preview does (the first ten "
         "orders unless --rows says otherwise), goes to page N, saves a picture of the window and writes "
         "\"pages <count>\".",
         {PrintOption("orders"), PrintOption("by-position"), PrintOption("template"), PrintOption("rows"),
          {"zoom", "Z", "The zoom, from 0.1 to 20 (default 1)."},
          {"page", "N", "The page to show (default 1)."},
          {"png", "OUT.png", "The picture to write."}, PrintOption("script-timeout")}},
        {"auto-print",
         "[--home DIR] auto-print --once --template INDEX|NAME (--printer NAME | --pdf OUT.pdf)\n"
         "    [--offset-x MM --offset-y MM] [--script-timeout S] [--force]",
         "One run of the timed download-and-print.",
         "Logs in, downloads the order file named in [AUTO] of config/PRINTER.INI and prints the orders no "
         "earlier run printed, writing \"printed <row>\" for each. Nothing new prints nothing and exits 0; a "
         "failed download (an answer that is incomplete or is no order export) exits 1 and keeps the last "
         "good file.",
         {{"once", nullptr, "Run once (required)."}, PrintOption("template"), PrintOption("printer"),
          PrintOption("pdf"), PrintOption("offset-x"), PrintOption("offset-y"), PrintOption("script-timeout"),
          kForceOption}},
        {"design",
         "[--home DIR] design (--template INDEX|NAME | --layout FILE) [--select NAME]\n"
         "    [--zoom Z] --png OUT.png",
         "Save a picture of the designer window.",
         "Opens the program's designer off screen on a template or any layout file, selects the named object, "
         "saves a picture of the whole window and writes \"objects <count>\" (the objects of the page shown).",
         {PrintOption("template"),
          {"layout", "FILE", "A layout file to open instead of a template."},
          {"select", "NAME", "The object to select."},
          {"zoom", "Z", "The zoom, from 0.1 to 20 (default 1)."},
          {"png", "OUT.png", "The picture to write."}}},
        {"layout", "[--home DIR] layout check FILE\n[--home DIR] layout resave IN OUT", "Check or resave a layout file.",
         "check writes the load errors of a layout, one a line (exit 0 clean, 1 errors, 2 unreadable); a layout "
         "without a printable page is an error. resave loads a layout and writes it again as the window would "
         "(exit 1 when it cannot be written).",
         {}},
        {"script", "script check FILE [--language NAME]\nscript eval EXPRESSION [--language NAME]",
         "Check a report script or evaluate an expression.",
         "check writes \"ok\" or \"line:column: message\"; eval writes the value of the expression.",
         {{"language", "NAME", "The script language (default: the report default)."}}},
    };
    return commands;
}

const CommandEntry *FindCommand(const QString &name)
{
    for (const CommandEntry &c : Commands())
        if (name == QLatin1String(c.Name))
            return &c;
    return nullptr;
}

const char *const kExitStatus = "0 done; 1 the run failed (nothing or not everything was printed, a file could not "
                                "be written); 2 bad use (unknown command or option, missing argument) or a failed "
                                "check (no template, no printer, no orders).";

QString Wrap(const QString &text, int indent, int width = 79)
{
    QString result, line;
    const QString pad(indent, u' ');
    for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > width) {
            result += pad + line + u'\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        result += pad + line + u'\n';
    return result;
}

QString OptionLabel(const OptionHelp &o)
{
    QString label = QStringLiteral("--") + QLatin1String(o.Name);
    if (QLatin1String(o.Name) == QLatin1String("help"))
        label = QStringLiteral("-h, --help");
    if (o.ValueName)
        label += u' ' + QLatin1String(o.ValueName);
    return label;
}

QString OptionsText(const QList<OptionHelp> &options)
{
    QString text;
    for (const OptionHelp &o : options) {
        const QString label = OptionLabel(o);
        const QString body = Wrap(QString::fromUtf8(o.Text), 26);
        if (label.size() <= 22)
            text += QStringLiteral("  ") + label.leftJustified(24) + body.mid(26);
        else
            text += QStringLiteral("  ") + label + u'\n' + body;
    }
    return text;
}

QString UsageLines(const CommandEntry &c)
{
    QString text;
    const QStringList lines = QString::fromUtf8(c.Usage).split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const bool continuation = lines[i].startsWith(u' ');
        text += (i == 0 ? QStringLiteral("usage: ") : QStringLiteral("       "));
        text += continuation ? QStringLiteral("            ") + lines[i].trimmed() : QStringLiteral("waybill-cli ") + lines[i];
        text += u'\n';
    }
    return text;
}

QString Roff(QString text)
{
    text.replace(u'\\', QStringLiteral("\\e"));
    text.replace(u'-', QStringLiteral("\\-"));
    if (text.startsWith(u'.') || text.startsWith(u'\''))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

QString RoffOptions(const QList<OptionHelp> &options)
{
    QString text;
    for (const OptionHelp &o : options) {
        text += QStringLiteral(".TP\n\\fB") + Roff(OptionLabel(o)) + QStringLiteral("\\fR\n");
        text += Roff(QString::fromUtf8(o.Text)) + u'\n';
    }
    return text;
}

int UsageError(QTextStream &err, const QString &message, const QString &usage)
{
    err << "waybill-cli: " << message << '\n' << usage;
    return 2;
}

QString ShortUsage()
{
    QString text;
    for (const CommandEntry &c : Commands())
        text += UsageLines(c).replace(QStringLiteral("usage: "), QStringLiteral("       "));
    text.replace(0, 7, QStringLiteral("usage: "));
    return text + QStringLiteral("       waybill-cli --help | --version\n");
}

} // namespace

QString Cli::CommandUsage(const QString &command)
{
    const CommandEntry *c = FindCommand(command);
    return c ? UsageLines(*c) : ShortUsage();
}

QString Cli::Usage()
{
    return ShortUsage();
}

QString Cli::ProgramHelp()
{
    QString text = ShortUsage();
    text += QStringLiteral("\nPrints courier waybills from order exports without a window.\n\nCommands:\n");
    for (const CommandEntry &c : Commands())
        text += QStringLiteral("  ") + QString::fromLatin1(c.Name).leftJustified(12) + QString::fromUtf8(c.Summary) + u'\n';
    text += QStringLiteral("\nOptions:\n") + OptionsText(kGlobalOptions);
    text += QStringLiteral("\n\"waybill-cli COMMAND --help\" shows the help of a command.\n\nExit status:\n");
    text += Wrap(QString::fromUtf8(kExitStatus), 2);
    return text;
}

QString Cli::CommandHelp(const QString &command)
{
    const CommandEntry *c = FindCommand(command);
    if (!c)
        return QString();
    QString text = UsageLines(*c) + u'\n' + QString::fromUtf8(c->Summary) + u'\n' + u'\n';
    text += Wrap(QString::fromUtf8(c->Text), 0);
    if (!c->Options.isEmpty())
        text += QStringLiteral("\nOptions:\n") + OptionsText(c->Options);
    return text;
}

QString Cli::ManPage()
{
    const QString version = QCoreApplication::applicationVersion();
    QString text = QStringLiteral(".TH WAYBILL\\-CLI 1 \"\" \"waybill %1\" \"User Commands\"\n").arg(Roff(version));
    text += QStringLiteral(".SH NAME\nwaybill\\-cli \\- print courier waybills from order exports without a window\n");
    text += QStringLiteral(".SH SYNOPSIS\n");
    for (const CommandEntry &c : Commands())
        for (const QString &line : QString::fromUtf8(c.Usage).split(u'\n'))
            text += line.startsWith(u' ') ? QStringLiteral("\\ \\ \\ \\ ") + Roff(line.trimmed()) + QStringLiteral("\n.br\n")
                                          : QStringLiteral("\\fBwaybill\\-cli\\fR ") + Roff(line) + QStringLiteral("\n.br\n");
    text += QStringLiteral("\\fBwaybill\\-cli\\fR \\-\\-help | \\-\\-version\n");
    text += QStringLiteral(".SH DESCRIPTION\nThe headless front end of the waybill printer: the program's print "
                           "driver, templates and settings, without windows. Output is UTF\\-8; errors go to "
                           "stderr.\n");
    text += QStringLiteral(".SH OPTIONS\n") + RoffOptions(kGlobalOptions);
    text += QStringLiteral(".SH COMMANDS\n");
    for (const CommandEntry &c : Commands()) {
        text += QStringLiteral(".SS %1\n").arg(Roff(QString::fromLatin1(c.Name)));
        text += Roff(QString::fromUtf8(c.Summary)) + u' ' + Roff(QString::fromUtf8(c.Text)) + u'\n';
        if (!c.Options.isEmpty())
            text += RoffOptions(c.Options);
    }
    text += QStringLiteral(".SH EXIT STATUS\n") + Roff(QString::fromUtf8(kExitStatus)) + u'\n';
    text += QStringLiteral(".SH ENVIRONMENT\n.TP\n\\fBTAVREL_HOME\\fR\nThe program folder when \\-\\-home is not "
                           "given.\n.TP\n\\fBXDG_DATA_HOME\\fR\nAn installed program keeps its folder in "
                           "$XDG_DATA_HOME/waybill (default ~/.local/share/waybill), made from the packaged "
                           "templates and settings on first start.\n.TP\n\\fBTAVREL_CODEPAGE\\fR\nThe legacy code "
                           "page of INI and CSV files (default GB18030).\n");
    text += QStringLiteral(".SH SEE ALSO\n\\fBwaybill\\fR, the window of the same program.\n");
    return text;
}

int Cli::Intercept(const QStringList &arguments, QTextStream &out, QTextStream &err, bool &handled,
                   QStringList &normalized)
{
    handled = true;
    QCommandLineParser top;
    top.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Everything after the command word belongs to the command.
    top.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption home(QStringLiteral("home"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption man(QStringLiteral("help-man"));
    top.addOptions({home, help, version, man});
    if (!top.parse(QStringList(QStringLiteral("waybill-cli")) + arguments))
        return UsageError(err, top.errorText(), ShortUsage());
    if (top.isSet(help)) {
        out << ProgramHelp();
        return 0;
    }
    if (top.isSet(version)) {
        out << "waybill-cli " << QCoreApplication::applicationVersion() << '\n';
        return 0;
    }
    if (top.isSet(man)) {
        out << ManPage();
        return 0;
    }
    QStringList rest = top.positionalArguments();
    if (top.isSet(home)) {
        const QString folder = top.value(home);
        const QFileInfo info(folder);
        if (folder.isEmpty() || (info.exists() && !info.isDir()))
        {
            err << "waybill-cli: --home " << folder << " is not a folder\n";
            return 2;
        }
        normalized = {QStringLiteral("--home"), folder};
    }
    normalized += rest;
    if (rest.isEmpty()) {
        handled = false;
        return 0;
    }
    const CommandEntry *command = FindCommand(rest.takeFirst());
    if (!command) { // unknown commands (and ones this table does not know yet) are left to Run
        handled = false;
        return 0;
    }
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(help);
    for (const OptionHelp &o : command->Options)
        parser.addOption(o.ValueName ? QCommandLineOption(QLatin1String(o.Name), QString(), QLatin1String(o.ValueName))
                                     : QCommandLineOption(QLatin1String(o.Name)));
    parser.parse(QStringList(QStringLiteral("waybill-cli")) + rest);
    if (parser.isSet(help)) {
        out << CommandHelp(QLatin1String(command->Name));
        return 0;
    }
    // Words that only start with a dash (a negative number in an expression) are not options.
    static const QRegularExpression optionName(QStringLiteral("^[A-Za-z][A-Za-z0-9-]*$"));
    for (const QString &name : parser.unknownOptionNames())
        if (optionName.match(name).hasMatch())
            return UsageError(err,
                              QStringLiteral("unknown option %1%2 for %3")
                                  .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name,
                                       QLatin1String(command->Name)),
                              UsageLines(*command));
    handled = false;
    return 0;
}

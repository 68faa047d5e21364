#include "app/MainWindow.h"
#include "app/StartLoader.h"
#include "platform/Session.h"
#include "platform/Ui.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>

namespace {
const char *const kHelp = "usage: waybill [ORDERS.csv]\n"
                          "       waybill --help | --version\n"
                          "\n"
                          "The waybill printer's window. An order export named on the command line is imported at\n"
                          "start, as if chosen with \"订单导入\". The program folder (config/, template/) is\n"
                          "TAVREL_HOME when set, else the folder of the program, or for an installed program\n"
                          "$XDG_DATA_HOME/waybill. Without a desktop session use the headless tool waybill-cli\n"
                          "(waybill-cli --help).\n";
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationVersion(QStringLiteral(WAYBILL_VERSION));
    {
        // Help and version need no display.
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser parser;
        const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
        const QCommandLineOption version(QStringLiteral("version"));
        parser.addOptions({help, version});
        parser.parse(arguments);
        if (parser.isSet(help)) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (parser.isSet(version)) {
            std::printf("waybill %s\n", WAYBILL_VERSION);
            return 0;
        }
    }
    // Without a display Qt would abort with its plugin text; say what is wrong and what works instead.
    if (!Session::HasDesktop()) {
        std::fputs("waybill: the window needs a desktop session (no DISPLAY or WAYLAND_DISPLAY); "
                   "without one use the headless tool waybill-cli (waybill-cli --help).\n",
                   stderr);
        return 2;
    }
    Session::EnsureRuntimeFolder();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("快递单打印"));
    WidgetUi widgetUi;
    Ui::Install(&widgetUi);
    const QStringList args = app.arguments();
    // "--design FILE": the designer on its own, on any layout file (for report authors).
    if (args.size() > 2 && args[1] == QLatin1String("--design"))
        return DesignOnly(app, args[2]);
    std::unique_ptr<TFMainWindow> mainWindow(StartUp(app));
    // An order export named on the command line is imported as if chosen with "订单导入".
    if (args.size() > 1)
        mainWindow->ImportOrderFile(args[1]);
    const int code = app.exec();
    Ui::Install(nullptr);
    return code;
}

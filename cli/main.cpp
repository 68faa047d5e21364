#include "cli/CliCommands.h"
#include "cli/CliHelp.h"
#include "cli/CliProgress.h"
#include "platform/Session.h"

#include <QApplication>
#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationVersion(QStringLiteral(WAYBILL_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    // Help, version and wrong options are answered before anything else starts.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    bool handled = false;
    QStringList commandLine;
    const int early = Cli::Intercept(arguments, out, err, handled, commandLine);
    if (handled)
        return early;

    // Run as root or from cron there is no runtime folder; Qt would say so on stderr at every run.
    Session::EnsureRuntimeFolder();
    // Text is measured and drawn with real fonts, which needs a GUI application; the command line
    // never shows a window on screen, so it runs on the offscreen platform unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Long print runs show how far they are, on a terminal only.
    std::unique_ptr<Cli::ProgressLine> progress;
    const qsizetype at = commandLine.value(0) == QLatin1String("--home") ? 2 : 0;
    const QString command = commandLine.value(at);
    if ((command == QLatin1String("print") || command == QLatin1String("auto-print")) && Session::StderrIsTerminal()) {
        progress = std::make_unique<Cli::ProgressLine>([](const QString &text) {
            std::fputs(text.toUtf8().constData(), stderr);
            std::fflush(stderr);
        });
        TfrxReport::SetProgressObserver(progress.get());
    }
    const int code = Cli::Run(commandLine, out, err);
    TfrxReport::SetProgressObserver(nullptr);
    progress.reset();
    out.flush();
    err.flush();
    return code;
}

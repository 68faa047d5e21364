#include "cli/CliCommands.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Text is measured and drawn with real fonts, which needs a GUI application; the command line
    // never shows a window on screen, so it runs on the offscreen platform unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    const int code = Cli::Run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return code;
}

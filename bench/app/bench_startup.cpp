// Start-up to the main window shown, with 100 templates in the catalogue (the splash wait excluded),
// and the settings and window again with 20,000 order columns (which once took quadratic time).
#include "app/MainWindow.h"
#include "app/StartLoader.h"
#include "app/TemplateClS.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir home;
    QDir(home.path()).mkpath("config");
    QFile::copy(QStringLiteral(WAYBILL_DATA "/config/PRINTER.INI"), home.filePath("config/PRINTER.INI"));
    for (int i = 0; i < 100; ++i) {
        const QString folder = home.filePath(QStringLiteral("template/t201403120930%1").arg(i, 2, 10, QLatin1Char('0')));
        QDir().mkpath(folder);
        QFile cfg(folder + "/CFG.INI");
        cfg.open(QIODevice::WriteOnly);
        cfg.write(QStringLiteral("[INFO]\r\nTMP_NAME=模板%1\r\nTMP_COL_CNT=30\r\nTMP_SPLIT=0\r\nTMP_FILE_NAME=%1.fr3\r\n"
                                 "TMP_IMG_NAME=demo.jpg\r\n").arg(i).toUtf8());
    }
    qputenv("TAVREL_HOME", home.path().toUtf8());

    QElapsedTimer timer;
    timer.start();
    QApplication app(argc, argv);
    TFMainWindow *window = StartUp(app, 0);
    app.processEvents();
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("templates in the catalogue: %d\n", int(TemplateList.size()));
    std::printf("start-up to the main window shown: %.1f ms\n", ms);
    delete window;

    QTemporaryDir wide;
    QDir(wide.path()).mkpath("config");
    QByteArray ini = "[OrderColumn]\r\n";
    for (int i = 1; i <= 20000; ++i)
        ini += "C_" + QByteArray::number(i) + "=column" + QByteArray::number(i) + "\r\n";
    QFile printerIni(wide.filePath("config/PRINTER.INI"));
    printerIni.open(QIODevice::WriteOnly);
    printerIni.write(ini);
    printerIni.close();
    timer.restart();
    InitGlobals(wide.path());
    const double settingsMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    auto *wideWindow = new TFMainWindow;
    wideWindow->show();
    app.processEvents();
    const double windowMs = timer.nsecsElapsed() / 1e6;
    std::printf("settings with %d order columns read: %.1f ms\n", int(OrderColumns.size()), settingsMs);
    std::printf("main window with 20,000 order columns shown: %.1f ms\n", windowMs);
    delete wideWindow;
    return 0;
}

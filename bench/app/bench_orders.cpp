// Order import of a 100,000-row, 30-column GB18030 export, the grid showing it, and peak memory.
#include "BenchUtil.h"
#include "app/MainWindow.h"
#include "app/OrderImport.h"
#include "app/OrderModel.h"
#include "app/TemplateClS.h"
#include "platform/CodePage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int rows = argc > 1 ? atoi(argv[1]) : 100000;
    const int columns = 30;

    QTemporaryDir home;
    QDir(home.path()).mkpath("config");
    QString ini = "[OrderColumn]\r\n";
    for (int c = 1; c <= columns; ++c)
        ini += QStringLiteral("C_%1=列%1\r\n").arg(c);
    QFile iniFile(home.filePath("config/PRINTER.INI"));
    iniFile.open(QIODevice::WriteOnly);
    iniFile.write(EncodeLegacy(ini));
    iniFile.close();

    // An export as the marketplace writes it: quoted buyer messages, ="…" numbers, blank cells.
    QString text;
    for (int c = 1; c <= columns; ++c)
        text += (c > 1 ? "," : "") + QStringLiteral("列%1").arg(c);
    text += "\r\n";
    for (int r = 0; r < rows; ++r) {
        text += QStringLiteral("=\"%1\",买家%2,%3@example.com,88.00,10.00,0,98.00,0,98.00,0,"
                               "买家已付款，等待卖家发货,\"请尽快发货,谢谢\",张三%2,浙江省 杭州市 西湖区 文三路%2号,快递,"
                               ",'1380000%2,2026-12-01 10:00:00,2026-12-01 10:05:00,纯棉短袖T恤 男款,1,,,,1,0,小鹿杂货铺,"
                               "订单未关闭,0,0\r\n")
                    .arg(100000000000000LL + r)
                    .arg(r % 10000, 4, 10, QLatin1Char('0'))
                    .arg(r);
    }
    const QByteArray bytes = EncodeLegacy(text);
    text.clear();
    text.squeeze();
    const QString csv = home.filePath("orders.csv");
    QFile out(csv);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    out.close();

    InitGlobals(home.path());
    TFMainWindow window;
    window.resize(1280, 800);
    window.show();
    app.processEvents();

    const double before = PeakMemoryMB();
    QElapsedTimer timer;
    timer.start();
    ImportOrders(csv);
    const double importMs = timer.nsecsElapsed() / 1e6;

    timer.restart();
    window.ShowData();
    window.ListViewGrid->viewport()->grab();   // paints the visible rows
    app.processEvents();
    const double gridMs = timer.nsecsElapsed() / 1e6;

    std::printf("export file: %d rows x %d columns, %.1f MB (GB18030)\n", int(OrderRows.size()), columns,
                bytes.size() / 1048576.0);
    std::printf("ImportOrders: %.1f ms\n", importMs);
    std::printf("grid showing the rows: %.1f ms\n", gridMs);
    std::printf("peak memory: %.1f MB (%.1f MB before the import)\n", PeakMemoryMB(), before);
    return 0;
}

// Order import of big exports: a 200 MB export and a 1,000,000-row export, each imported by a
// fresh process of this program, which reports the time and its peak memory (its whole resident
// set, start-up included) against the size of the file.
//
//   bench_import              writes both exports to a temporary folder and imports each
//   bench_import --import DIR imports DIR/orders.csv with the settings of DIR (the child's part)
#include "BenchUtil.h"
#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "platform/CodePage.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const int Columns = 30;

// A program folder whose settings name the export's 30 columns, as the marketplace writes them.
void WriteSettings(const QString &home)
{
    QDir(home).mkpath("config");
    QString ini = "[OrderColumn]\r\n";
    for (int c = 1; c <= Columns; ++c)
        ini += QStringLiteral("C_%1=列%1\r\n").arg(c);
    QFile file(home + "/config/PRINTER.INI");
    file.open(QIODevice::WriteOnly);
    file.write(EncodeLegacy(ini));
}

// An export in GB18030 with quoted buyer messages, ="…" numbers and blank cells, written row by
// row until it holds `rows` rows or `bytes` bytes; returns the rows written.
qint64 WriteExport(const QString &path, qint64 rows, qint64 bytes)
{
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    QString header;
    for (int c = 1; c <= Columns; ++c)
        header += (c > 1 ? "," : "") + QStringLiteral("列%1").arg(c);
    out.write(EncodeLegacy(header + "\r\n"));
    qint64 r = 0;
    QByteArray block;
    for (; r < rows && out.size() + block.size() < bytes; ++r) {
        block += EncodeLegacy(QStringLiteral("=\"%1\",买家%2,%3@example.com,88.00,10.00,0,98.00,0,98.00,0,"
                                             "买家已付款，等待卖家发货,\"请尽快发货,谢谢\",张三%2,浙江省 杭州市 西湖区 文三路%2号,快递,"
                                             ",'1380000%2,2026-12-01 10:00:00,2026-12-01 10:05:00,纯棉短袖T恤 男款,1,,,,1,0,"
                                             "小鹿杂货铺,订单未关闭,0,0\r\n")
                                  .arg(100000000000000LL + r)
                                  .arg(r % 10000, 4, 10, QLatin1Char('0'))
                                  .arg(r));
        if (block.size() > (1 << 20)) {
            out.write(block);
            block.clear();
        }
    }
    out.write(block);
    return r;
}

int Import(const QString &home)
{
    InitGlobals(home);
    const double before = PeakMemoryMB();
    QElapsedTimer timer;
    timer.start();
    ImportOrders(home + "/orders.csv");
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%zu %.0f %.1f %.1f\n", OrderRows.size(), ms, PeakMemoryMB(), before);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--import")
        return Import(QString::fromLocal8Bit(argv[2]));

    struct Case {
        const char *Name;
        qint64 Rows, Bytes;
    };
    for (const Case &c : {Case{"200 MB export", 1LL << 40, 200LL << 20}, Case{"1,000,000-row export", 1000000, 1LL << 40}}) {
        QTemporaryDir home;
        WriteSettings(home.path());
        const qint64 rows = WriteExport(home.filePath("orders.csv"), c.Rows, c.Bytes);
        const double fileMB = QFileInfo(home.filePath("orders.csv")).size() / 1048576.0;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--import", home.path()});
        child.waitForFinished(-1);
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        if (child.exitCode() != 0 || figures.size() != 4) {
            std::printf("%s: the import failed: %s\n", c.Name, child.readAllStandardError().constData());
            return 1;
        }
        const double peak = figures[2].toDouble(), before = figures[3].toDouble();
        std::printf("%s: %lld rows x %d columns, %.1f MB (GB18030)\n", c.Name, rows, Columns, fileMB);
        std::printf("  import time: %.2f s\n", figures[1].toDouble() / 1000);
        std::printf("  peak memory: %.0f MB (%.2f x the file; %.0f MB before the import, %.2f x the file above it)\n",
                    peak, peak / fileMB, before, (peak - before) / fileMB);
        std::printf("  orders read: %s\n", figures[0].constData());
    }
    return 0;
}

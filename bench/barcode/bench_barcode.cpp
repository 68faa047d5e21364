// What barcodes cost a batch: 10,000 electronic waybills (the ready 100 x 150 mm template with its
// Code 128 of the order number and QR code of receiver, telephone and address) printed to PDF
// through waybill-cli, against the same waybills with the two codes taken out of the layout.
// Prints both times (wall and processor) and their ratios.
//
//   bench_barcode [ORDERS] [WAYBILL_CLI]   (default: 10000 orders, the waybill-cli of this build)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "bench/DemoOrders.h"

#include <cstdio>
#include <sys/resource.h>

namespace {

const QString kTemplate = QStringLiteral("t20261201090003");

// A program folder with the shipped settings and templates; without codes, the electronic
// waybill's layout loses its barcode objects (one element per line in the files we write).
bool MakeHome(const QString &home, bool withCodes)
{
    QDir().mkpath(home);
    QProcess::execute(QStringLiteral("cp"),
                      {QStringLiteral("-r"), QStringLiteral(WAYBILL_DATA "/config"), home});
    QProcess::execute(QStringLiteral("cp"),
                      {QStringLiteral("-r"), QStringLiteral(WAYBILL_DATA "/template"), home});
    if (withCodes)
        return true;
    const QString layout = home + QStringLiteral("/template/") + kTemplate + QLatin1Char('/') +
                           kTemplate.mid(1) + QStringLiteral(".fr3");
    QFile file(layout);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray kept;
    int removed = 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.contains("<TfrxBarCodeView ") || line.contains("<TfrxBarcode2DView ")) {
            ++removed;
            continue;
        }
        kept += line + '\n';
    }
    kept.chop(1);
    file.close();
    if (removed != 2 || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(kept);
    return true;
}

// Processor time (user and system) of the children waited for so far, in seconds.
double ChildrenCpu()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double Wall = -1;
    double Cpu = 0;
};

// Wall time and processor time of one run; the processor time does not count the waits a machine
// shared with other work adds.
Timing Run(const QString &cli, const QString &home, const QString &orders, const QString &pdf)
{
    const double cpuBefore = ChildrenCpu();
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(cli,
                  {QStringLiteral("--home"), home, QStringLiteral("print"), QStringLiteral("--orders"),
                   orders, QStringLiteral("--template"), QStringLiteral("2"), QStringLiteral("--pdf"), pdf});
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "waybill-cli failed (exit %d)\n", process.exitCode());
        return {};
    }
    return {timer.elapsed() / 1000.0, ChildrenCpu() - cpuBefore};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const QString cli = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(WAYBILL_CLI);
    QTemporaryDir dir;
    const QString orders = dir.filePath(QStringLiteral("orders.csv"));
    const QString plainHome = dir.filePath(QStringLiteral("plain"));
    const QString codesHome = dir.filePath(QStringLiteral("codes"));
    if (rows <= 0 || !WriteDemoOrders(orders, rows) || !MakeHome(plainHome, false) ||
        !MakeHome(codesHome, true)) {
        std::fprintf(stderr, "cannot prepare the order file or the templates\n");
        return 1;
    }
    std::printf("%d electronic waybills (100 x 150 mm) to PDF through waybill-cli\n", rows);
    const Timing plain = Run(cli, plainHome, orders, dir.filePath(QStringLiteral("plain.pdf")));
    if (plain.Wall < 0)
        return 1;
    std::printf("  without codes:             %7.2f s wall, %7.2f s processor, PDF %.2f MB\n", plain.Wall,
                plain.Cpu, QFileInfo(dir.filePath(QStringLiteral("plain.pdf"))).size() / 1048576.0);
    const Timing codes = Run(cli, codesHome, orders, dir.filePath(QStringLiteral("codes.pdf")));
    if (codes.Wall < 0)
        return 1;
    std::printf("  with Code 128 and QR code: %7.2f s wall, %7.2f s processor, PDF %.2f MB\n", codes.Wall,
                codes.Cpu, QFileInfo(dir.filePath(QStringLiteral("codes.pdf"))).size() / 1048576.0);
    std::printf("  ratio: %.2f wall, %.2f processor (target: under 2)\n", codes.Wall / plain.Wall,
                codes.Cpu / plain.Cpu);
    return 0;
}

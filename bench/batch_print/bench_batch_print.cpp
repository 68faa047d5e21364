// The main job as a seller runs it, timed as a whole process: waybill-cli imports an order export,
// builds one waybill per order on a ready template and prints them to a PDF file through the print
// job. Prints wall time and peak memory for 1,000 and 10,000 orders.
//
//   bench_batch_print [WAYBILL_CLI]        (default: the waybill-cli of this build)

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

// Peak resident memory of the children waited for so far, in megabytes.
double ChildrenPeakMb()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString cli = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(WAYBILL_CLI);
    QTemporaryDir dir;
    // A program folder of its own: the shipped settings and ready templates.
    const QString home = dir.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    QProcess::execute(QStringLiteral("cp"),
                      {QStringLiteral("-r"), QStringLiteral(WAYBILL_DATA "/config"), home});
    QProcess::execute(QStringLiteral("cp"),
                      {QStringLiteral("-r"), QStringLiteral(WAYBILL_DATA "/template"), home});

    std::printf("batch print to PDF through waybill-cli (template 0, 230 x 127 mm, 15 text objects)\n");
    for (int rows : {1000, 10000}) {
        const QString orders = dir.filePath(QStringLiteral("orders-%1.csv").arg(rows));
        const QString pdf = dir.filePath(QStringLiteral("out-%1.pdf").arg(rows));
        if (!WriteDemoOrders(orders, rows)) {
            std::fprintf(stderr, "cannot write the order file\n");
            return 1;
        }
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        process.start(cli, {QStringLiteral("--home"), home, QStringLiteral("print"),
                            QStringLiteral("--orders"), orders, QStringLiteral("--template"),
                            QStringLiteral("0"), QStringLiteral("--pdf"), pdf});
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            std::fprintf(stderr, "waybill-cli failed (exit %d)\n", process.exitCode());
            return 1;
        }
        const double seconds = timer.elapsed() / 1000.0;
        std::printf("  %6d orders: %.2f s, peak memory %.1f MB, PDF %.2f MB\n", rows, seconds,
                    ChildrenPeakMb(), QFileInfo(pdf).size() / 1048576.0);
    }
    std::printf("targets: 1,000 orders < 3 s; 10,000 orders < 20 s with peak memory < 300 MB\n");
    return 0;
}

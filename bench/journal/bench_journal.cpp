// What the print journal costs a run: waybill-cli printing 10,000 orders (each with an order number
// of its own) to PDF, timed as a whole process without the journal (--no-journal), with a new
// journal, and again over a journal that knows every order (a reprint of all of them). Prints the
// median wall time of each in seconds and the journal's share in per cent.
//
//   bench_journal [ROUNDS]      (default 3)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kOrders = 10000;

bool WriteOrders(const QString &path)
{
    QFile demo(QStringLiteral(WAYBILL_DATA "/orders/demo-orders.csv"));
    if (!demo.open(QIODevice::ReadOnly))
        return false;
    QList<QByteArray> lines = demo.readAll().split('\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    QFile out(path);
    if (lines.size() < 2 || !out.open(QIODevice::WriteOnly))
        return false;
    out.write(lines[0] + '\n');
    for (int i = 0; i < kOrders; ++i) {
        const QByteArray &line = lines[1 + i % (lines.size() - 1)];
        out.write("\"=\"\"8000" + QByteArray::number(1000000 + i) + "\"\"\"" + line.mid(line.indexOf(',')) + '\n');
    }
    return true;
}

// One waybill-cli print; its wall time in seconds, or a negative number when it failed.
double Print(const QString &home, const QString &orders, const QString &pdf, const QStringList &extra)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(WAYBILL_CLI), QStringList{QStringLiteral("--home"), home, QStringLiteral("print"),
                                                            QStringLiteral("--orders"), orders,
                                                            QStringLiteral("--template"), QStringLiteral("0"),
                                                            QStringLiteral("--pdf"), pdf} +
                                                   extra);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void RemoveJournal(const QString &home)
{
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(home + QStringLiteral("/config/print-journal.db") + QLatin1String(suffix));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QTemporaryDir dir;
    const QString home = dir.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(WAYBILL_DATA "/config"), home});
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(WAYBILL_DATA "/template"), home});
    const QString orders = dir.filePath(QStringLiteral("orders.csv"));
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    if (!WriteOrders(orders)) {
        std::fprintf(stderr, "cannot write the order file\n");
        return 1;
    }

    std::printf("print journal: waybill-cli printing %d orders to PDF (template 0), median of %d rounds\n", kOrders,
                rounds);
    std::vector<double> without, fresh, known;
    // Interleaved, so that a busy machine weighs on all three alike.
    for (int i = 0; i < rounds; ++i) {
        RemoveJournal(home);
        const double a = Print(home, orders, pdf, {QStringLiteral("--no-journal")});
        const double b = Print(home, orders, pdf, {});
        const double c = Print(home, orders, pdf, {});
        if (a < 0 || b < 0 || c < 0) {
            std::fprintf(stderr, "waybill-cli failed\n");
            return 1;
        }
        without.push_back(a);
        fresh.push_back(b);
        known.push_back(c);
    }
    const double base = Median(without);
    std::printf("  without the journal:                 %.2f s\n", base);
    std::printf("  with a new journal:                  %.2f s (%+.1f %%)\n", Median(fresh),
                (Median(fresh) - base) / base * 100);
    std::printf("  journal knowing every order (again): %.2f s (%+.1f %%)\n", Median(known),
                (Median(known) - base) / base * 100);
    std::printf("  journal file: %.2f MB\n", QFileInfo(home + QStringLiteral("/config/print-journal.db")).size() / 1048576.0);
    std::printf("target: the journal adds under 5 %% to the run's wall time\n");
    return 0;
}

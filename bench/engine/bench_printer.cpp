// The print job with waybill pages: 230 × 127 mm, a background picture of a scanned form (about
// 300 KB as JPEG) and 15 text objects each, prepared in the store and printed through the job to a
// PDF file (the same drawing and device path as a print queue, without a print server).
//
// Each size runs in a process of its own, so that its peak memory is its own: printed are the time
// of the job, the PDF's size (the background must be stored once, not once per page), the peak
// memory of the process and how much the job added to what the prepared pages already held.
//
// The pages of a 10,000-page job take several times the memory of 1,000 (the store keeps every
// page); the job itself must not add more for more pages, which the ratio of the job's own peaks
// shows. A third run keeps the pages in the store's temporary file (EngineOptions.UseFileCache), so
// that the whole process stays flat as well.
//
//   bench_printer               1,000 and 10,000 pages, 10,000 with the file cache, and the ratios
//   bench_printer N [filecache] one run of N pages

#include "engine/pages/frxPreviewPages.h"
#include "engine/print/frxPrinter.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxPicture.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// A line of /proc/self/status in kilobytes (Linux), 0 where unknown.
qint64 StatusKB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// A scanned carrier form stand-in: lines over noise, a few hundred KB as JPEG.
QByteArray FormJpeg()
{
    QImage image(1400, 780, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QRandomGenerator random(42);
    for (int i = 0; i < 1500; ++i) {
        painter.setPen(QColor::fromRgb(random.bounded(256), random.bounded(256), random.bounded(256)));
        painter.drawLine(random.bounded(1400), random.bounded(780), random.bounded(1400),
                         random.bounded(780));
    }
    painter.end();
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 40);
    return jpeg;
}

int RunOne(int count, bool fileCache)
{
    TfrxPreviewPages::Register();
    const QByteArray jpeg = FormJpeg();
    TPicture form;
    form.LoadFromData(jpeg);

    TfrxReport report;
    report.EngineOptions()->SetUseFileCache(fileCache);
    auto *page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    page->SetPaper(256, 230, 127);
    auto *band = new TfrxMasterData(page);
    band->SetName(QStringLiteral("MasterData1"));
    band->SetBounds(0, 0, 860, 470);
    auto *background = new TfrxPictureView(band);
    background->SetName(QStringLiteral("Picture1"));
    background->SetBounds(0, 0, 860, 470);
    background->SetPicture(form);
    QList<TfrxMemoView *> memos;
    for (int i = 0; i < 15; ++i) {
        auto *memo = new TfrxMemoView(band);
        memo->SetName(QStringLiteral("Memo%1").arg(i + 1));
        memo->SetBounds(20 + (i % 3) * 280, 20 + (i / 3) * 90, 260, 60);
        memos << memo;
    }
    TfrxCustomPreviewPages *pages = report.PreviewPages();
    pages->BeginBuild();
    pages->RegisterSourcePage(page);
    pages->BeginPass();
    for (int n = 0; n < count; ++n) {
        for (int i = 0; i < memos.size(); ++i)
            memos[i]->SetText(QStringLiteral("收件人 %1 字段 %2 浙江省杭州市西湖区文三路 %3 号")
                                  .arg(n)
                                  .arg(i)
                                  .arg(n % 977));
        pages->AppendPage(page);
        pages->AppendObjects(band);
    }
    pages->EndBuild();

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("waybills.pdf"));
    report.PrintOptions()->SetShowDialog(false);
    report.PrintOptions()->SetFileName(pdf);
    report.SetShowProgress(false);
    const qint64 before = StatusKB("VmRSS:");
    qint64 peak = before;
    report.OnProgress = [&](TfrxReport *, int, int progress) {
        if (progress % 50 == 0)
            peak = std::max(peak, StatusKB("VmRSS:"));
    };
    QElapsedTimer timer;
    timer.start();
    const bool ok = report.PrintPrepared();
    const double seconds = timer.elapsed() / 1000.0;
    const QString run = QStringLiteral("%1 pages%2").arg(count).arg(fileCache ? " (file cache)" : "");
    std::printf("%s: print job to PDF %.2f s (%.0f pages/s)%s\n", qPrintable(run), seconds, count / seconds,
                ok ? "" : " FAILED");
    std::printf("%s: PDF %.2f MB for a %lld KB background picture\n", qPrintable(run),
                QFileInfo(pdf).size() / 1048576.0, qint64(jpeg.size() / 1024));
    std::printf("%s: process memory before the job %.1f MB\n", qPrintable(run), before / 1024.0);
    std::printf("%s: job peak above that %.1f MB\n", qPrintable(run), (peak - before) / 1024.0);
    std::printf("%s: process peak memory %.1f MB\n", qPrintable(run), StatusKB("VmHWM:") / 1024.0);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1)
        return RunOne(QString::fromLocal8Bit(argv[1]).toInt(), argc > 2);

    // Each run in a process of its own; its figures are read back from what it prints.
    QMap<QString, double> figures;
    const QList<QStringList> runs = {{QStringLiteral("1000")},
                                     {QStringLiteral("10000")},
                                     {QStringLiteral("10000"), QStringLiteral("filecache")}};
    for (const QStringList &arguments : runs) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), arguments);
        child.waitForFinished(-1);
        const QString output = QString::fromUtf8(child.readAllStandardOutput());
        std::fputs(output.toUtf8().constData(), stdout);
        const QString key = arguments.join(u' ');
        static const QRegularExpression jobPeak(QStringLiteral("job peak above that ([\\d.]+) MB"));
        static const QRegularExpression processPeak(QStringLiteral("process peak memory ([\\d.]+) MB"));
        figures.insert(key + QStringLiteral(" job"), jobPeak.match(output).captured(1).toDouble());
        figures.insert(key + QStringLiteral(" process"), processPeak.match(output).captured(1).toDouble());
    }
    const auto ratio = [&](const QString &large, const QString &small) {
        return figures.value(small) > 0 ? figures.value(large) / figures.value(small) : 0.0;
    };
    std::printf("job peak with 10,000 pages: %.2f times the job peak with 1,000\n",
                ratio(QStringLiteral("10000 job"), QStringLiteral("1000 job")));
    std::printf("process peak with 10,000 pages: %.2f times the peak with 1,000 (pages held in memory)\n",
                ratio(QStringLiteral("10000 process"), QStringLiteral("1000 process")));
    std::printf("process peak with 10,000 pages in the file cache: %.2f times the peak with 1,000\n",
                ratio(QStringLiteral("10000 filecache process"), QStringLiteral("1000 process")));
    return 0;
}

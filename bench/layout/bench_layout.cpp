// Speed and memory of layout files: a waybill layout (40 text objects over a 300 KB JPEG scan of
// the carrier's form) saved and loaded, a 5 MB layout loaded (time, and peak memory measured in a
// child process so that nothing else counts), and the XML reader's throughput on layout text.

#include "report/model/frxClass.h"
#include "report/io/frxSerializeReport.h"
#include "report/io/frxXML.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A scan-like picture: smooth shading with grain, which JPEG compresses about as it does a
// scanned form. Quality is lowered until the file is near the wanted size.
TPicture MakeJpeg(int width, int height, qsizetype targetBytes)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int grain = int(random.bounded(48));
            image.setPixel(x, y, qRgb((x / 3 + grain) % 256, (y / 2 + grain) % 256, (x + y) / 5 % 256));
        }
    QByteArray bytes;
    for (int quality = 95; quality >= 10; quality -= 5) {
        bytes.clear();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", quality);
        if (bytes.size() <= targetBytes)
            break;
    }
    TPicture picture;
    picture.LoadFromData(bytes);
    return picture;
}

void AddMemos(TfrxReportPage *page, int count, int &number)
{
    for (int i = 0; i < count; ++i) {
        auto *memo = new TfrxMemoView(page);
        memo->SetName(QStringLiteral("Memo%1").arg(++number));
        memo->SetBounds(20 + (i % 4) * 190.5, 30 + (i / 4) * 25.2, 180.33, 22.67718);
        memo->Font()->SetName(QStringLiteral("宋体"));
        memo->Font()->SetHeight(-13);
        memo->SetMemo({QStringLiteral("[FD.\"收件人地址%1\"]").arg(i)});
    }
}

TfrxReport *MakeWaybill(TComponent *host, int memos, const TPicture &scan, int pages)
{
    auto *report = new TfrxReport(host);
    report->EnsureDataPage();
    int number = 0;
    for (int p = 0; p < pages; ++p) {
        auto *page = new TfrxReportPage(report);
        page->SetName(QStringLiteral("Page%1").arg(p + 1));
        page->SetPaperWidth(230);
        page->SetPaperHeight(127);
        page->SetBackPicture(scan);
        AddMemos(page, memos, number);
    }
    return report;
}

QByteArray SaveBytes(TfrxReport &report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    frxSaveToStream(report, &buffer);
    return buffer.data();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long StatusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Child process: load one file and print the peak growth of resident memory in KB.
int MeasurePeak(const QString &fileName)
{
    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    const long before = StatusKb("VmRSS:");
    frxLoadFromFile(report, fileName);
    const long peak = StatusKb("VmHWM:");
    std::printf("%ld %d\n", peak - before, int(report.Errors().size()));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // picture codecs are plug-ins
    if (argc == 3 && QByteArray(argv[1]) == "--peak")
        return MeasurePeak(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    TComponent host;
    const int rounds = 25;

    // ---- the waybill layout ----
    const TPicture scan = MakeJpeg(1600, 1000, 300 * 1024);
    TfrxReport *waybill = MakeWaybill(&host, 40, scan, 1);
    QByteArray file = SaveBytes(*waybill);
    std::vector<double> save, load;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        frxSaveToStream(*waybill, &out);
        save.push_back(timer.nsecsElapsed() / 1e6);

        TfrxReport copy;
        copy.EngineOptions()->SetNewSilentMode(frx::simSilent);
        QBuffer in;
        in.setData(file);
        in.open(QIODevice::ReadOnly);
        timer.restart();
        frxLoadFromStream(copy, &in);
        load.push_back(timer.nsecsElapsed() / 1e6);
    }
    // The share of the load that is the codec's: decoding the JPEG alone.
    std::vector<double> decode;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        TPicture picture;
        picture.LoadFromData(scan.Data());
        decode.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("waybill layout: %d text objects, JPEG %.0f KB (%dx%d), file %.0f KB\n", 40,
                scan.Data().size() / 1024.0, scan.Width(), scan.Height(), file.size() / 1024.0);
    std::printf("  save: %.2f ms (median of %d)\n", Median(save), rounds);
    std::printf("  load: %.2f ms (median of %d), of which %.2f ms decoding the JPEG\n", Median(load), rounds,
                Median(decode));

    // ---- a 5 MB layout: three pages, each over its own scan, 400 text objects in all ----
    const TPicture bigScan = MakeJpeg(1600, 1100, 850 * 1024);
    TfrxReport *big = MakeWaybill(&host, 133, bigScan, 3);
    const QByteArray bigFile = SaveBytes(*big);
    const QString bigPath = dir.filePath(QStringLiteral("big.fr3"));
    {
        QFile out(bigPath);
        out.open(QIODevice::WriteOnly);
        out.write(bigFile);
    }
    std::vector<double> bigLoad;
    for (int i = 0; i < 5; ++i) {
        TfrxReport copy;
        copy.EngineOptions()->SetNewSilentMode(frx::simSilent);
        QElapsedTimer timer;
        timer.start();
        frxLoadFromFile(copy, bigPath);
        bigLoad.push_back(timer.nsecsElapsed() / 1e6);
    }
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak"), bigPath});
    child.waitForFinished(60000);
    const QList<QByteArray> peak = child.readAllStandardOutput().trimmed().split(' ');
    const double peakMb = peak.value(0).toDouble() / 1024.0;
    const double fileMb = bigFile.size() / (1024.0 * 1024.0);
    std::printf("5 MB layout: %.2f MB, 3 pages with a %.0f KB JPEG each, %d text objects\n", fileMb,
                bigScan.Data().size() / 1024.0, 3 * 133);
    std::printf("  load: %.1f ms (median of 5)\n", Median(bigLoad));
    std::printf("  peak memory of the load: %.1f MB (%.2f times the file)\n", peakMb, peakMb / fileMb);

    // ---- the XML reader on layout text ----
    const qsizetype pageStart = file.indexOf("  <TfrxReportPage");
    const QByteArray pageElement = file.mid(pageStart, file.lastIndexOf("</TfrxReport>") - pageStart);
    QByteArray text = file.left(pageStart);
    while (text.size() < 64 * 1024 * 1024)
        text += pageElement;
    text += "</TfrxReport>\r\n";
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        TfrxXMLDocument document;
        QBuffer in;
        in.setData(text);
        in.open(QIODevice::ReadOnly);
        QElapsedTimer timer;
        timer.start();
        document.LoadFromStream(&in);
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        if (document.Root()->Count() < 2)
            std::printf("XML reader: the text did not read whole\n");
    }
    std::printf("XML reader: %.0f MB/s on %.0f MB of layout text\n", text.size() / (1024.0 * 1024.0) / best,
                text.size() / (1024.0 * 1024.0));
    return 0;
}

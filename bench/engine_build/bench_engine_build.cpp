// Build speed and memory: 10,000 one-page waybills (15 text objects, 12 bound to order fields, a
// 300 KB background picture) and a 1,000-row list of 20 columns.

#include "engine/frxEngine.h"
#include "engine/frxPreviewPages.h"
#include "report/frxClass.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>

#include <sys/resource.h>

#include <cstdio>

namespace {

long PeakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long CurrentKb()
{
    FILE *f = std::fopen("/proc/self/statm", "r");
    long pages = 0, resident = 0;
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

// A noisy image, so that its PNG is about 300 KB.
TPicture Background()
{
    QImage image(400, 250, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate());
    TPicture picture;
    picture.SetImage(image);
    return picture;
}

double BuildWaybills(int rows, int &pages, qsizetype &pictureBytes)
{
    TfrxReport report;
    report.EnsureDataPage();
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    TfrxUserDataSet fd;
    fd.SetName(QStringLiteral("frxUserDataSet1"));
    fd.SetUserName(QStringLiteral("FD"));
    fd.SetRangeEnd(frx::reCount);
    fd.SetRangeEndCount(rows);
    int row = 0;
    fd.OnFirst = [&](QObject *) { row = 0; };
    fd.OnNext = [&](QObject *) { ++row; };
    fd.OnGetValue = [&](const QString &field, Variant &value) {
        value = QStringLiteral("%1 of order %2").arg(field).arg(row);
    };
    report.Datasets()->Add(&fd);
    report.SetDataSet(&fd);
    auto *page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    page->SetPaperWidth(100);
    page->SetPaperHeight(150);
    auto *picture = new TfrxPictureView(page);
    picture->SetName(QStringLiteral("Back"));
    picture->SetWidth(377);
    picture->SetHeight(566);
    picture->SetPicture(Background());
    pictureBytes = picture->Picture().Data().size();
    for (int i = 0; i < 15; ++i) {
        auto *memo = new TfrxMemoView(page);
        memo->SetName(QStringLiteral("Memo%1").arg(i + 1));
        memo->SetLeft(10);
        memo->SetTop(10 + 30 * i);
        memo->SetWidth(300);
        memo->SetHeight(25);
        memo->SetText(i < 12 ? QStringLiteral("[FD.\"Field%1\"]").arg(i + 1)
                             : QStringLiteral("Fixed text %1").arg(i));
    }
    QElapsedTimer timer;
    timer.start();
    report.BuildPages(true);
    const double seconds = timer.nsecsElapsed() / 1e9;
    pages = report.Engine()->PreparedPagesCount();
    return seconds;
}

double BuildList(int rows, int &pages)
{
    TfrxReport report;
    report.EnsureDataPage();
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    auto *page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    auto *header = new TfrxHeader(page);
    header->SetName(QStringLiteral("Header1"));
    header->SetTop(20);
    header->SetHeight(20);
    auto *master = new TfrxMasterData(page);
    master->SetName(QStringLiteral("MasterData1"));
    master->SetTop(60);
    master->SetHeight(18);
    master->SetRowCount(rows);
    auto *footer = new TfrxFooter(page);
    footer->SetName(QStringLiteral("Footer1"));
    footer->SetTop(100);
    footer->SetHeight(20);
    for (int c = 0; c < 20; ++c) {
        auto *title = new TfrxMemoView(header);
        title->SetName(QStringLiteral("Title%1").arg(c));
        title->SetLeft(c * 35);
        title->SetWidth(35);
        title->SetHeight(18);
        title->SetText(QStringLiteral("Col %1").arg(c));
        auto *cell = new TfrxMemoView(master);
        cell->SetName(QStringLiteral("Cell%1").arg(c));
        cell->SetLeft(c * 35);
        cell->SetWidth(35);
        cell->SetHeight(18);
        cell->SetText(QStringLiteral("[Line]"));
    }
    QElapsedTimer timer;
    timer.start();
    report.BuildPages(true);
    const double seconds = timer.nsecsElapsed() / 1e9;
    pages = report.Engine()->PreparedPagesCount();
    return seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    frxRegisterEngine();
    // The program's own store: only differences from the source page are kept per object.
    TfrxPreviewPages::Register();
    int pages = 0;
    qsizetype pictureBytes = 0;
    const long before = CurrentKb();
    const double small = BuildWaybills(1000, pages, pictureBytes);
    const long after1000 = CurrentKb();
    std::printf("waybills: 1000 pages in %.3f s\n", small);
    const double seconds = BuildWaybills(10000, pages, pictureBytes);
    std::printf("waybills: %d pages in %.3f s (%.1f pages/s), background picture %.0f KB\n", pages, seconds,
                pages / seconds, pictureBytes / 1024.0);
    std::printf("waybills: resident growth for 1000 pages %ld KB; peak resident %.1f MB\n",
                after1000 - before, PeakKb() / 1024.0);
    int listPages = 0;
    const double list = BuildList(1000, listPages);
    std::printf("list: 1000 rows x 20 columns, %d pages in %.3f s\n", listPages, list);
    std::printf("peak resident %.1f MB\n", PeakKb() / 1024.0);
    return 0;
}

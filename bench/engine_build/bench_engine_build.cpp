// Build speed and memory: 10,000 one-page waybills (15 text objects, 12 bound to order fields, a
// 300 KB background picture), a 1,000-row list of 20 columns and a 10,000-row grouped list.

#include "engine/build/frxEngine.h"
#include "engine/pages/frxPreviewPages.h"
#include "report/model/frxClass.h"

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

// Processor time of this process: on a busy machine it shows the cost better than the clock.
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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

// rows waybills; growth: resident kilobytes the build added (the report still alive), stored: the
// size of the prepared pages saved as a file.
double BuildWaybills(int rows, int &pages, qsizetype &pictureBytes, double &cpuSeconds, long &growth,
                     qint64 &stored, bool withScript = false)
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
    if (withScript) {
        // Report code in the build: every object then keeps a copy of its design state.
        report.SetScriptText({"procedure Memo1OnBeforePrint(Sender: TfrxComponent);", "begin",
                              "  Memo1.Font.Style := 1;", "end;", "", "begin", "end."});
        report.FindObject(QStringLiteral("Memo1"))->setProperty("OnBeforePrint", "Memo1OnBeforePrint");
    }
    const long before = CurrentKb();
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuSeconds();
    report.BuildPages(true);
    const double seconds = timer.nsecsElapsed() / 1e9;
    cpuSeconds = CpuSeconds() - cpu;
    growth = CurrentKb() - before;
    pages = report.Engine()->PreparedPagesCount();
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    report.PreviewPages()->SaveToStream(&file);
    stored = file.size();
    return seconds;
}

// A band of the list layouts: named, at `top`, full width.
template <typename Band>
Band *PlaceBand(Band *made, const QString &name, double top, double height)
{
    made->SetName(name);
    made->SetTop(top);
    made->SetHeight(height);
    made->SetWidth(718);
    return made;
}

void AddMemo(TfrxComponent *parent, const QString &name, double left, double width, const QString &text)
{
    auto *m = new TfrxMemoView(parent);
    m->SetName(name);
    m->SetLeft(left);
    m->SetWidth(width);
    m->SetHeight(18);
    m->SetText(text);
}

// A master-detail list: masters orders with rowsPerOrder detail rows of 20 columns each, a header
// repeated on every page, a footer per order with sums, and a report summary.
double BuildList(int masters, int rowsPerOrder, int &pages, double &cpuSeconds)
{
    TfrxReport report;
    report.EnsureDataPage();
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    auto *page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    auto band = [](auto *made, const QString &name, double top, double height) {
        return PlaceBand(made, name, top, height);
    };
    auto memo = [](TfrxComponent *parent, const QString &name, double left, const QString &text) {
        AddMemo(parent, name, left, 35, text);
    };
    auto *master = band(new TfrxMasterData(page), QStringLiteral("MasterData1"), 20, 20);
    master->SetRowCount(masters);
    memo(master, QStringLiteral("Order"), 0, QStringLiteral("Order [Line]"));
    auto *header = band(new TfrxHeader(page), QStringLiteral("Header1"), 60, 20);
    header->SetReprintOnNewPage(true);
    auto *detail = band(new TfrxDetailData(page), QStringLiteral("DetailData1"), 100, 18);
    detail->SetRowCount(rowsPerOrder);
    auto *footer = band(new TfrxFooter(page), QStringLiteral("Footer1"), 140, 20);
    for (int c = 0; c < 20; ++c) {
        memo(header, QStringLiteral("Title%1").arg(c), c * 35, QStringLiteral("Col %1").arg(c));
        memo(detail, QStringLiteral("Cell%1").arg(c), c * 35, QStringLiteral("[Line] x %1").arg(c));
    }
    memo(footer, QStringLiteral("Total"), 0, QStringLiteral("[SUM(<Line>, DetailData1)]"));
    auto *summary = band(new TfrxReportSummary(page), QStringLiteral("ReportSummary1"), 200, 20);
    memo(summary, QStringLiteral("Count"), 0, QStringLiteral("[COUNT(MasterData1)] orders"));
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuSeconds();
    if (!report.BuildPages(true))
        std::printf("list: build failed: %s\n", qPrintable(report.Errors().join(QLatin1String("; "))));
    const double seconds = timer.nsecsElapsed() / 1e9;
    cpuSeconds = CpuSeconds() - cpu;
    pages = report.Engine()->PreparedPagesCount();
    return seconds;
}

// A grouped list: rows records in groups of groupSize, each group with a header and a footer
// showing its own region, last line and total, a header and footer over the list, a summary and a
// page footer.
double BuildGroupedList(int rows, int groupSize, int &pages, double &cpuSeconds)
{
    TfrxReport report;
    report.EnsureDataPage();
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    TfrxUserDataSet data;
    data.SetName(QStringLiteral("OrdersSet"));
    data.SetUserName(QStringLiteral("Orders"));
    data.SetFields({QStringLiteral("Id"), QStringLiteral("Region"), QStringLiteral("Qty")});
    data.SetRangeEnd(frx::reCount);
    data.SetRangeEndCount(rows);
    int row = 0;
    data.OnFirst = [&](QObject *) { row = 0; };
    data.OnNext = [&](QObject *) { ++row; };
    data.OnGetValue = [&](const QString &field, Variant &value) {
        if (field == QLatin1String("Id"))
            value = row + 1;
        else if (field == QLatin1String("Region"))
            value = QStringLiteral("Region %1").arg(row / groupSize);
        else
            value = row % 7;
    };
    report.Datasets()->Add(&data);
    auto *page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    auto band = [](auto *made, const QString &name, double top, double height) {
        return PlaceBand(made, name, top, height);
    };
    auto memo = [](TfrxComponent *parent, const QString &name, double left, const QString &text) {
        AddMemo(parent, name, left, 200, text);
    };
    memo(band(new TfrxHeader(page), QStringLiteral("Header1"), 20, 20), QStringLiteral("Title"), 0,
         QStringLiteral("Orders"));
    auto *group = band(new TfrxGroupHeader(page), QStringLiteral("GroupHeader1"), 60, 20);
    group->SetCondition(QStringLiteral("<Orders.\"Region\">"));
    memo(group, QStringLiteral("Region"), 0, QStringLiteral("[Orders.\"Region\"]"));
    auto *master = band(new TfrxMasterData(page), QStringLiteral("MasterData1"), 100, 18);
    master->SetDataSet(&data);
    memo(master, QStringLiteral("Id"), 0, QStringLiteral("[Line]. order [Orders.\"Id\"]"));
    memo(master, QStringLiteral("Qty"), 300, QStringLiteral("[Orders.\"Qty\"]"));
    memo(band(new TfrxGroupFooter(page), QStringLiteral("GroupFooter1"), 140, 20), QStringLiteral("GroupTotal"),
         0, QStringLiteral("[Orders.\"Region\"] to [Line]: [SUM(<Orders.\"Qty\">, MasterData1)]"));
    memo(band(new TfrxFooter(page), QStringLiteral("Footer1"), 180, 20), QStringLiteral("Count"), 0,
         QStringLiteral("[COUNT(MasterData1)] orders"));
    memo(band(new TfrxReportSummary(page), QStringLiteral("ReportSummary1"), 220, 20), QStringLiteral("Total"),
         0, QStringLiteral("total [SUM(<Orders.\"Qty\">, MasterData1)]"));
    memo(band(new TfrxPageFooter(page), QStringLiteral("PageFooter1"), 260, 20), QStringLiteral("PageNo"), 0,
         QStringLiteral("page [Page#]"));
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuSeconds();
    if (!report.BuildPages(true))
        std::printf("grouped list: build failed: %s\n", qPrintable(report.Errors().join(QLatin1String("; "))));
    const double seconds = timer.nsecsElapsed() / 1e9;
    cpuSeconds = CpuSeconds() - cpu;
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
    double cpu = 0;
    long growth = 0;
    qint64 stored = 0;
    const double small = BuildWaybills(1000, pages, pictureBytes, cpu, growth, stored);
    std::printf("waybills: %d pages in %.3f s (processor %.3f s); resident growth %.1f KB per page, "
                "saved prepared pages %.1f KB per page\n",
                pages, small, cpu, growth / 1000.0, stored / 1024.0 / 1000.0);
    const double seconds = BuildWaybills(10000, pages, pictureBytes, cpu, growth, stored);
    std::printf("waybills: %d pages in %.3f s (processor %.3f s, %.0f pages/s), background picture %.0f KB\n",
                pages, seconds, cpu, pages / seconds, pictureBytes / 1024.0);
    std::printf("waybills: resident growth %.1f KB per page, saved prepared pages %.1f KB per page; peak "
                "resident %.1f MB\n",
                growth / 10000.0, stored / 1024.0 / 10000.0, PeakKb() / 1024.0);
    const double scripted = BuildWaybills(10000, pages, pictureBytes, cpu, growth, stored, true);
    std::printf("waybills with a script event: %d pages in %.3f s (processor %.3f s)\n", pages, scripted,
                cpu);
    int listPages = 0;
    const double list = BuildList(100, 10, listPages, cpu);
    std::printf(
        "list: 100 orders x 10 rows (1000 rows) x 20 columns, %d pages in %.3f s (processor %.3f s)\n",
        listPages, list, cpu);
    const double grouped = BuildGroupedList(10000, 25, listPages, cpu);
    std::printf("grouped list: 10000 rows in 400 groups with footers and a summary, %d pages in %.3f s "
                "(processor %.3f s)\n",
                listPages, grouped, cpu);
    std::printf("peak resident %.1f MB\n", PeakKb() / 1024.0);
    return 0;
}

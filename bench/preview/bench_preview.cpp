// The preview window on 10,000 waybills (one page per order row, 15 text objects each): time from
// ShowReport to the first page painted with its content, the whole build into the open window,
// repainting page after page while scrolling, and the peak memory of the process.
//
//   bench_preview [--rows N] [--png OUT.png [--panels] [--find TEXT]]
//
// Runs offscreen unless a display is named; --png saves the window after the build (page 3).

#include "engine/build/frxEngine.h"
#include "engine/preview/frxPreview.h"
#include "engine/preview/frxPreviewForm.h"
#include "engine/pages/frxPreviewPages.h"
#include "report/model/frxClass.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The process's peak resident memory in megabytes (0 where the platform does not tell).
double PeakMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// A 230 x 127 mm waybill filled from the order dataset FD: 15 fields of the current row.
struct Waybills {
    TfrxReport report;
    TfrxUserDataSet fd;
    int row = 0;
    int rows;

    explicit Waybills(int rowCount) : rows(rowCount)
    {
        QStringList fields;
        for (int i = 1; i <= 15; ++i)
            fields << QStringLiteral("C%1").arg(i);
        fd.SetName(QStringLiteral("frxUserDataSet1"));
        fd.SetUserName(QStringLiteral("FD"));
        fd.SetFields(fields);
        fd.SetRangeEnd(frx::reCount);
        fd.SetRangeEndCount(rows);
        fd.OnFirst = [this](QObject *) { row = 0; };
        fd.OnNext = [this](QObject *) { ++row; };
        fd.OnGetValue = [this](const QString &field, Variant &value) {
            value = QStringLiteral("%1 of order %2 收件人 广东省深圳市").arg(field).arg(row + 1);
        };
        report.Datasets()->Add(&fd);
        report.SetDataSet(&fd);
        report.EngineOptions()->SetNewSilentMode(frx::simSilent);
        report.ReportOptions()->SetName(QStringLiteral("Waybills"));
        report.PreviewOptions()->SetModal(false);
        report.PreviewOptions()->SetMaximized(false);
        report.EnsureDataPage();
        auto *page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetPaper(256, 230, 127);
        auto *band = new TfrxMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(0, 0, 800, 400);
        band->SetRowCount(1);
        for (int i = 0; i < 15; ++i) {
            auto *memo = new TfrxMemoView(band);
            memo->SetName(QStringLiteral("Memo%1").arg(i + 1));
            memo->SetBounds(20 + (i % 3) * 260, 20 + (i / 3) * 70, 250, 50);
            memo->SetText(QStringLiteral("[FD.\"C%1\"]").arg(i + 1));
        }
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int rows = 10000;
    QString png;
    QString find;
    const bool panels = QCoreApplication::arguments().contains(QStringLiteral("--panels"));
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows"))
            rows = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--png"))
            png = args[i + 1];
        else if (args[i] == QLatin1String("--find"))
            find = args[i + 1];
    }
    frxRegisterEngine();
    TfrxPreviewPages::Register();
    frxRegisterPreview();

    Waybills w(rows);
    QElapsedTimer clock;
    qint64 firstPaintNs = -1;
    TfrxPreviewForm *form = nullptr;
    w.report.OnPreview = [&](QObject *) {
        form = qobject_cast<TfrxPreviewForm *>(w.report.Preview()->window());
        form->resize(1400, 860);
        TfrxPreview *preview = form->Preview();
        preview->Workspace()->OnPagePainted = [&, preview](int page) {
            // Page 1 is complete once the build went past it (or ended).
            if (page == 0 && firstPaintNs < 0 && (preview->PageCount() >= 2 || !preview->Running()))
                firstPaintNs = clock.nsecsElapsed();
        };
    };
    clock.start();
    w.report.ShowReport(true);
    if (!form) {
        std::fprintf(stderr, "bench_preview: no preview window\n");
        return 1;
    }
    while (firstPaintNs < 0 && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    if (!form->WaitForBuild()) {
        std::fprintf(stderr, "bench_preview: the window closed during the build\n");
        return 1;
    }
    const qint64 buildNs = clock.nsecsElapsed();
    TfrxPreview *preview = form->Preview();
    std::printf("preview of %d waybills (15 text objects a page), window 1400 x 860, zoom %.2f\n", rows,
                preview->Zoom());
    std::printf("  ShowReport to first page painted:   %8.1f ms  (target < 300 ms)\n", firstPaintNs / 1e6);
    std::printf("  build into the open window:         %8.1f ms  (%d pages, refresh every %d pages)\n",
                buildNs / 1e6, preview->PageCount(), preview->RefreshInterval());

    // Scrolling page after page: every step repaints the visible part of the workspace.
    int drawn = 0;
    preview->Workspace()->OnPagePainted = [&drawn](int) { ++drawn; };
    const int steps = std::min(300, preview->PageCount());
    std::vector<double> times;
    QWidget *viewport = preview->Workspace()->viewport();
    for (int i = 1; i <= steps; ++i) {
        QElapsedTimer t;
        t.start();
        preview->ShowPage(i * std::max(1, preview->PageCount() / steps));
        viewport->repaint();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    std::printf(
        "  repaint while scrolling, per page:  %8.2f ms mean, %.2f ms median, %.2f ms max over %d steps"
        " (%d pages drawn)  (target < 30 ms)\n",
        sum / double(times.size()), times[times.size() / 2], times.back(), int(times.size()), drawn);
    std::printf("  peak memory (VmHWM):                %8.1f MB  (target < 250 MB)\n", PeakMb());

    if (!png.isEmpty()) {
        if (panels) {
            form->Action(TfrxPreviewForm::btThumbnails)->setChecked(true);
            form->Action(TfrxPreviewForm::btOutline)->setChecked(true);
            form->ApplyZoomText(QStringLiteral("Whole page"));
        }
        preview->ShowPage(3);
        if (!find.isEmpty())
            preview->FindText(find, false, false);
        form->Grab().save(png);
        std::printf("  window saved to %s\n", qPrintable(png));
    }
    if (qEnvironmentVariableIsSet("BENCH_PREVIEW_STAY"))
        return app.exec();
    delete form;
    return 0;
}

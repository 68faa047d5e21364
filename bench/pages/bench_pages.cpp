// Prepared pages: appending and reading back 10,000 waybill pages of 15 text objects, and drawing one
// at 600 dpi. (Printing them through the print job: bench/engine/bench_printer.)

#include "engine/pages/frxPreviewPages.h"
#include "report/model/frxBands.h"
#include "report/draw/frxDrawPage.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

// Resident memory of the process in megabytes (0 where the platform does not tell).
double ResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

struct Layout {
    TfrxReport report;
    TfrxReportPage *page;
    TfrxMasterData *band;
    QList<TfrxMemoView *> memos;

    Layout()
    {
        page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetPaper(256, 230, 127);
        band = new TfrxMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(0, 0, 860, 470);
        for (int i = 0; i < 15; ++i) {
            auto *memo = new TfrxMemoView(band);
            memo->SetName(QStringLiteral("Memo%1").arg(i + 1));
            memo->SetBounds(20 + (i % 3) * 280, 20 + (i / 3) * 90, 260, 60);
            memos << memo;
        }
    }

    void Build(int count)
    {
        TfrxCustomPreviewPages *pages = report.PreviewPages();
        pages->ClearPages();
        pages->BeginBuild();
        pages->RegisterSourcePage(page);
        pages->BeginPass();
        for (int n = 0; n < count; ++n) {
            // The texts a builder would have expanded; formatted in one pass each, so that the
            // figure is mostly the store's.
            const QString row = QString::number(n), street = QString::number(n % 977);
            for (int i = 0; i < memos.size(); ++i)
                memos[i]->SetText(QStringLiteral("收件人 %1 字段 %2 浙江省杭州市西湖区文三路 %3 号")
                                      .arg(row, QString::number(i), street));
            pages->AppendPage(page);
            pages->AppendObjects(band);
        }
        pages->EndBuild();
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TfrxPreviewPages::Register();
    // An optional page count (for profiling runs); the figures below are for the default 10,000.
    const int count = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 10000;
    {
        Layout layout;
        // A few pages first, so that what the first build sets up once (class metadata, fonts,
        // text tables) is not counted as memory of the pages.
        layout.Build(10);
        const double before = ResidentMb();
        QElapsedTimer timer;
        timer.start();
        layout.Build(count);
        const qint64 appendMs = timer.elapsed();
        const double afterAppend = ResidentMb();
        std::printf("append %d pages x 15 objects: %lld ms\n", count, appendMs);
        std::printf("memory held by %d pages: %.1f MB (%.0f bytes per object record)\n", count,
                    afterAppend - before, (afterAppend - before) * 1048576 / (count * 16.0));

        TfrxCustomPreviewPages *pages = layout.report.PreviewPages();
        double peak = afterAppend;
        timer.restart();
        for (int i = 0; i < pages->Count(); ++i) {
            pages->GetPage(i);
            if (i % 500 == 0)
                peak = std::max(peak, ResidentMb());
        }
        std::printf("GetPage of all %d pages: %lld ms\n", count, timer.elapsed());
        std::printf("memory growth while reading: %.1f MB\n", peak - afterAppend);

        QImage image(int(230 / 25.4 * 600), int(127 / 25.4 * 600), QImage::Format_RGB32);
        image.fill(Qt::white);
        TfrxReportPage *page = pages->GetPage(0);
        QPainter painter(&image);
        frxDrawPage(*page, painter, 600 / 96.0, 600 / 96.0, 0, 0); // warm-up: fonts
        const int runs = 20;
        timer.restart();
        for (int i = 0; i < runs; ++i)
            frxDrawPage(*page, painter, 600 / 96.0, 600 / 96.0, 0, 0);
        std::printf("draw one page of 15 texts at 600 dpi: %.2f ms\n",
                    double(timer.nsecsElapsed()) / 1e6 / runs);
    }

    return 0;
}

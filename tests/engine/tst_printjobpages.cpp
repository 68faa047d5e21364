// The print job over prepared pages, on the queues of the test run's private print server: which
// pages reach the paper in which order and how often, where their content lands, the printer chosen
// by name, and jobs stopped by a bad page list or by cancelling.

#include "engine/pages/frxPreviewPages.h"
#include "engine/print/frxPrintJob.h"
#include "engine/print/frxPrinter.h"
#include "platform/PrintSystem.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxPicture.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"
#include "tests/support/CupsTools.h"
#include "tests/support/ScriptedUi.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include "tests/support/WaybillReport.h"

#include <QTest>

#include <cmath>

namespace {

// Prepared pages "PAGE1" … "PAGEn" of the waybill for the queue "Capture", the text at (40, 40) px
// on the band with no gaps.
struct Job : WaybillReport {
    explicit Job(int count, double leftMargin = 0, double topMargin = 0)
    {
        page->SetLeftMargin(leftMargin);
        page->SetTopMargin(topMargin);
        memo->SetGapX(0);
        memo->SetGapY(0);
        AppendNumberedPages(count);
        report.PrintOptions()->SetShowDialog(false);
        report.PrintOptions()->SetPrinter(QStringLiteral("Capture"));
    }
};

// The first word of every page of a job's captured PDF.
QStringList PrintedTexts(int jobId)
{
    if (CupsTools::WaitForJob(jobId).isEmpty())
        return {QStringLiteral("<no job %1>").arg(jobId)};
    return CupsTools::FirstWords(CupsTools::JobData(jobId));
}

// A scanned form stand-in of about 300 KB as JPEG (noise does not compress).
QByteArray FormPicture()
{
    QImage image(720, 400, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate() & 0xFFFFFF);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return jpeg;
}

} // namespace

class TestPrintJobPages : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!CupsTools::ServerDir().isEmpty(), "the print server fixture did not run");
        QVERIFY(Printers().HasPhysicalPrinters());
    }

    void pageList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("pages");
        QTest::addColumn<bool>("error");
        QTest::newRow("empty: all") << QString() << QList<int>() << false;
        QTest::newRow("open range") << QStringLiteral("2-") << QList<int>{2, 3, 4, 5} << false;
        QTest::newRow("list") << QStringLiteral("1,3") << QList<int>{1, 3} << false;
        QTest::newRow("range and list") << QStringLiteral("1-3,5") << QList<int>{1, 2, 3, 5} << false;
        QTest::newRow("blanks") << QStringLiteral(" 4 , 1 - 2 ") << QList<int>{4, 1, 2} << false;
        QTest::newRow("not a number") << QStringLiteral("abc") << QList<int>() << true;
        QTest::newRow("half a range") << QStringLiteral("1-x") << QList<int>() << true;
        QTest::newRow("backwards") << QStringLiteral("5-2") << QList<int>() << true;
    }

    void pageList()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, pages);
        QFETCH(bool, error);
        if (error) {
            QVERIFY_THROWS_EXCEPTION(EPageListError, TfrxPrintJob::ParsePageNumbers(text, 5));
            return;
        }
        QCOMPARE(TfrxPrintJob::ParsePageNumbers(text, 5), pages);
    }

    // Which pages reach the queue, in which order, and the copies the driver is asked for.
    void pagesReachTheQueue_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("pageNumbers");
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("collate");
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<int>("which");
        QTest::addColumn<QStringList>("printed");
        QTest::addColumn<QString>("driverCopies");
        const auto pages = [](std::initializer_list<int> numbers) {
            QStringList list;
            for (int n : numbers)
                list << QStringLiteral("PAGE%1").arg(n);
            return list;
        };
        QTest::newRow("2- of 5") << 5 << "2-" << 1 << true << false << int(frx::ppAll) << pages({2, 3, 4, 5})
                                 << "1";
        QTest::newRow("1,3") << 5 << "1,3" << 1 << true << false << int(frx::ppAll) << pages({1, 3}) << "1";
        QTest::newRow("beyond the count")
            << 3 << "2,9" << 1 << true << false << int(frx::ppAll) << pages({2}) << "1";
        QTest::newRow("reverse") << 3 << "" << 1 << true << true << int(frx::ppAll) << pages({3, 2, 1})
                                 << "1";
        QTest::newRow("odd") << 5 << "" << 1 << true << false << int(frx::ppOdd) << pages({1, 3, 5}) << "1";
        QTest::newRow("even") << 5 << "" << 1 << true << false << int(frx::ppEven) << pages({2, 4}) << "1";
        QTest::newRow("two copies collated")
            << 3 << "" << 2 << true << false << int(frx::ppAll) << pages({1, 2, 3, 1, 2, 3}) << "1";
        QTest::newRow("two copies uncollated")
            << 3 << "" << 2 << false << false << int(frx::ppAll) << pages({1, 2, 3}) << "2";
    }

    void pagesReachTheQueue()
    {
        QFETCH(int, count);
        QFETCH(QString, pageNumbers);
        QFETCH(int, copies);
        QFETCH(bool, collate);
        QFETCH(bool, reverse);
        QFETCH(int, which);
        QFETCH(QStringList, printed);
        QFETCH(QString, driverCopies);
        Job job(count);
        TfrxPrintOptions *options = job.report.PrintOptions();
        options->SetPageNumbers(pageNumbers);
        options->SetCopies(copies);
        options->SetCollate(collate);
        options->SetReverse(reverse);
        options->SetPrintPages(frx::TfrxPrintPages(which));
        QList<int> copyNumbers;
        job.report.OnPrintPage = [&](TfrxReportPage *, int copyNo) { copyNumbers << copyNo; };
        QVERIFY(job.report.PrintPrepared());
        // The options come back as they were.
        QCOMPARE(options->PageNumbers(), pageNumbers);
        QCOMPARE(options->Copies(), copies);

        TfrxCustomPrinter *printer = Printers().CurrentPrinter();
        QCOMPARE(printer->Name(), QStringLiteral("Capture"));
        QCOMPARE(printer->JobIds().size(), 1);
        const int id = printer->JobIds().first();
        QCOMPARE(PrintedTexts(id), printed);
        const QMap<QString, QString> args = CupsTools::WaitForJob(id);
        QCOMPARE(args.value(QStringLiteral("copies")), driverCopies);
        QCOMPARE(copyNumbers.size(), printed.size());
        if (collate && copies == 2)
            QCOMPARE(copyNumbers, QList<int>({1, 1, 1, 2, 2, 2}));
    }

    // Text lands where the layout puts it: margins move it, the printer's whole-millimetre hardware
    // offsets are taken back (the "Margins" queue has 6.35 mm, counted as 6 mm).
    void contentLandsAtTheLayoutPosition_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<double>("margin");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("no margins") << QStringLiteral("Capture") << 0.0 << 0.3;
        QTest::newRow("10 mm") << QStringLiteral("Capture") << 10.0 << 0.3;
        QTest::newRow("offset +5") << QStringLiteral("Capture") << 15.0 << 0.3;
        QTest::newRow("offset -5") << QStringLiteral("Capture") << 5.0 << 0.3;
        QTest::newRow("hardware margins") << QStringLiteral("Margins") << 10.0 << 1.0;
    }

    void contentLandsAtTheLayoutPosition()
    {
        QFETCH(QString, queue);
        QFETCH(double, margin);
        QFETCH(double, tolerance);
        Job job(1, margin, margin);
        job.report.PrintOptions()->SetPrinter(queue);
        QVERIFY(job.report.PrintPrepared());
        TfrxCustomPrinter *printer = Printers().CurrentPrinter();
        QCOMPARE(printer->Name(), queue);
        const int id = printer->JobIds().first();
        QVERIFY(!CupsTools::WaitForJob(id).isEmpty());
        const QList<CupsTools::Word> words = CupsTools::Words(CupsTools::JobData(id), 1);
        QVERIFY(!words.isEmpty());
        const double expected = margin * 3.77953 * 25.4 / 96 + 40 * 25.4 / 96;
        QVERIFY2(std::abs(words.first().XMin - expected) <= tolerance,
                 qPrintable(QStringLiteral("x %1 mm, expected %2").arg(words.first().XMin).arg(expected)));
        // The glyph box starts a little below the text's top; the line's top is what the layout sets.
        QVERIFY2(words.first().YMin >= expected - tolerance && words.first().YMin <= expected + 1.5,
                 qPrintable(QStringLiteral("y %1 mm, expected %2").arg(words.first().YMin).arg(expected)));
    }

    // Copies printed to a file have no driver to multiply them: each is drawn.
    void copiesToAFile_data()
    {
        QTest::addColumn<bool>("collate");
        QTest::addColumn<QStringList>("printed");
        QTest::newRow("collated") << true << QStringList{"PAGE1", "PAGE2", "PAGE1", "PAGE2"};
        QTest::newRow("uncollated") << false << QStringList{"PAGE1", "PAGE1", "PAGE2", "PAGE2"};
    }

    void copiesToAFile()
    {
        QFETCH(bool, collate);
        QFETCH(QStringList, printed);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("copies.pdf"));
        Job job(2);
        job.report.PrintOptions()->SetCopies(2);
        job.report.PrintOptions()->SetCollate(collate);
        job.report.PrintOptions()->SetFileName(pdf);
        QVERIFY(job.report.PrintPrepared());
        QVERIFY(Printers().CurrentPrinter()->JobIds().isEmpty());
        QCOMPARE(CupsTools::FirstWords(pdf), printed);
    }

    // A form picture on every page is stored once in a PDF, whether it is a picture object of the
    // band or the page's background.
    void repeatedPictureIsStoredOnce_data()
    {
        QTest::addColumn<bool>("background");
        QTest::newRow("picture object") << false;
        QTest::newRow("page background") << true;
    }

    void repeatedPictureIsStoredOnce()
    {
        QFETCH(bool, background);
        const QByteArray jpeg = FormPicture();
        QVERIFY(jpeg.size() > 200 * 1024);
        TPicture picture;
        QVERIFY(picture.LoadFromData(jpeg));
        // The waybill on a 230 × 127 mm form, its text over the form's picture.
        WaybillReport form(QRectF(0, 0, 860, 470), QRectF(40, 40, 300, 30));
        form.page->SetPaper(256, 230, 127);
        if (background) {
            form.page->SetBackPicture(picture);
        } else {
            auto *view = new TfrxPictureView(form.band);
            view->SetName(QStringLiteral("Picture1"));
            view->SetBounds(0, 0, 860, 470);
            view->SetPicture(picture);
            form.band->SetChildIndex(view, 0);
        }
        const int count = 50;
        form.AppendNumberedPages(count);
        TfrxReport &report = form.report;
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("forms.pdf"));
        report.PrintOptions()->SetShowDialog(false);
        report.PrintOptions()->SetFileName(pdf);
        QVERIFY(report.PrintPrepared());
        QCOMPARE(CupsTools::PageSizes(pdf).size(), count);
        const qint64 size = QFileInfo(pdf).size();
        // Once per page would be 50 times the picture; once, and a little text per page, stays
        // well below three times it.
        QVERIFY2(
            size < 3 * jpeg.size(),
            qPrintable(
                QStringLiteral("%1 KB of PDF for a %2 KB picture").arg(size / 1024).arg(jpeg.size() / 1024)));
    }

    // The scale mode puts each page on the chosen sheet, enlarged or reduced to fit it.
    void scaleModeFitsThePageOnTheSheet()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("scaled.pdf"));
        Job job(2);
        TfrxPrintOptions *options = job.report.PrintOptions();
        options->SetPrintMode(frx::pmScale);
        options->SetPrintOnSheet(9); // A4, 210 × 297 mm
        options->SetFileName(pdf);
        QVERIFY(job.report.PrintPrepared());
        const QList<QSizeF> sizes = CupsTools::PageSizes(pdf);
        QCOMPARE(sizes.size(), 2);
        QVERIFY2(
            std::abs(sizes.first().width() - 595) <= 1 && std::abs(sizes.first().height() - 842) <= 1,
            qPrintable(QStringLiteral("%1 x %2 pt").arg(sizes.first().width()).arg(sizes.first().height())));
        // 100 × 150 mm on 210 × 297 mm: the smaller factor is 297 / 150.
        const double expected = 40 * 25.4 / 96 * 297.0 / 150.0;
        const QList<CupsTools::Word> words = CupsTools::Words(pdf, 1);
        QVERIFY(!words.isEmpty());
        QVERIFY2(std::abs(words.first().XMin - expected) <= 0.5,
                 qPrintable(QStringLiteral("x %1 mm, expected %2").arg(words.first().XMin).arg(expected)));
        QVERIFY(job.Pages()->PrintScale() == 1.0);
    }

    // Bad input through the whole job: a clear message, false, and nothing reaches the queue.
    void badInputPrintsNothing_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("message");
        QTest::newRow("queue rejects jobs") << QStringLiteral("reject") << QStringLiteral("not accepting");
        QTest::newRow("page of zero width") << QStringLiteral("zero") << QStringLiteral("paper size");
        QTest::newRow("page ten metres wide") << QStringLiteral("huge") << QStringLiteral("paper size");
    }

    void badInputPrintsNothing()
    {
        QFETCH(QString, problem);
        QFETCH(QString, message);
        ScriptedUi ui;
        Job job(3);
        if (problem == QLatin1String("zero"))
            job.page->SetPaperWidth(0);
        else if (problem == QLatin1String("huge"))
            job.page->SetPaperWidth(10000);
        if (problem != QLatin1String("reject")) {
            // The pages take the size of their source page when they are read back.
            TfrxCustomPreviewPages *pages = job.report.PreviewPages();
            pages->ClearPages();
            pages->BeginBuild();
            pages->RegisterSourcePage(job.page);
            pages->BeginPass();
            for (int i = 1; i <= 3; ++i) {
                pages->AppendPage(job.page);
                pages->AppendObjects(job.band);
            }
            pages->EndBuild();
        }
        const CupsTools::NewJobs jobs;
        if (problem == QLatin1String("reject"))
            QCOMPARE(CupsTools::Run(QStringLiteral("cupsreject"), {QStringLiteral("Capture")}), 0);
        bool after = false;
        job.report.OnAfterPrintReport = [&](QObject *) { after = true; };
        const bool printed = job.report.PrintPrepared();
        if (problem == QLatin1String("reject"))
            QCOMPARE(CupsTools::Run(QStringLiteral("cupsaccept"), {QStringLiteral("Capture")}), 0);
        QVERIFY(!printed);
        QVERIFY(after);
        QCOMPARE(ui.Shown.size(), 1);
        QVERIFY2(ui.LastText().contains(message), qPrintable(ui.LastText()));
        QVERIFY(!Printers().CurrentPrinter()->Printing());
        QVERIFY(jobs.List().isEmpty());
    }

    void printerChosenByName()
    {
        Job job(1);
        job.report.PrintOptions()->SetPrinter(QStringLiteral("cAPTURE"));
        QVERIFY(job.report.PrintPrepared());
        QCOMPARE(Printers().CurrentPrinter()->Name(), QStringLiteral("Capture"));
        job.report.PrintOptions()->SetPrinter(QStringLiteral("No such queue"));
        QVERIFY(job.report.PrintPrepared());
        QCOMPARE(Printers().CurrentPrinter()->Name(), QStringLiteral("Capture"));
        QCOMPARE(PrintedTexts(Printers().CurrentPrinter()->JobIds().first()),
                 QStringList{QStringLiteral("PAGE1")});
    }

    void badPageListPrintsNothing()
    {
        Job job(3);
        job.report.PrintOptions()->SetPageNumbers(QStringLiteral("1,abc"));
        int pagesSeen = 0;
        job.report.OnPrintPage = [&](TfrxReportPage *, int) { ++pagesSeen; };
        const CupsTools::NewJobs jobs;
        QVERIFY_THROWS_EXCEPTION(EPageListError, job.report.PrintPrepared());
        QCOMPARE(pagesSeen, 0);
        QCOMPARE(job.report.PrintOptions()->PageNumbers(), QStringLiteral("1,abc"));
        QVERIFY(jobs.List().isEmpty());
    }

    void terminatedStopsAtTheNextPage()
    {
        Job job(10);
        int pagesSeen = 0;
        job.report.OnPrintPage = [&](TfrxReportPage *, int) { ++pagesSeen; };
        job.report.OnProgress = [](TfrxReport *report, int kind, int progress) {
            if (kind == 2 && progress == 3)
                report->SetTerminated(true);
        };
        QVERIFY(!job.report.PrintPrepared());
        QCOMPARE(pagesSeen, 3);
        TfrxCustomPrinter *printer = Printers().CurrentPrinter();
        QCOMPARE(printer->JobIds().size(), 1);
        const int id = printer->JobIds().first();
        bool found = false;
        for (const PrintSystem::JobState &state : PrintSystem::Jobs(QStringLiteral("Capture"), true))
            if (state.Id == id) {
                found = true;
                QCOMPARE(state.State, int(PrintSystem::JobCancelled));
            }
        QVERIFY(found);
        const QString spooled =
            QDir(CupsTools::ServerDir())
                .filePath(QStringLiteral("spool/d%1-001").arg(id, 5, 10, QLatin1Char('0')));
        QCOMPARE(CupsTools::PageSizes(spooled).size(), 3);
    }
};

QTEST_MAIN(TestPrintJobPages)
#include "tst_printjobpages.moc"

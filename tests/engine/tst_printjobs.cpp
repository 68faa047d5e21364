// Documents drawn on a printer and what reaches the print system: the captured PDF and job options
// of the queues "Capture" (raw) and "Margins" (6.35 mm hardware margins) of the test run's private
// print server, cancelled jobs, print to file and queues that refuse jobs.

#include "engine/print/frxPrinter.h"
#include "tests/support/CupsTools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace frx;

namespace {

TfrxCustomPrinter *Queue(const QString &name)
{
    TfrxCustomPrinter *printer = Printers().GetItem(Printers().IndexOf(name));
    if (printer)
        printer->InitPrinter();
    return printer;
}

// Draws text the way a page drawing places an object: design position (left, top) in report
// pixels on a page with margins (lm, tm) in millimetres, scaled to the device and moved back to
// the paper's corner by the printer's whole-millimetre margins.
void DrawAt(TfrxCustomPrinter *printer, const QString &text, double lm, double tm, double left, double top)
{
    QPainter *painter = printer->Canvas()->Painter();
    QVERIFY(painter);
    const double scaleX = printer->DPI().x() / 96.0, scaleY = printer->DPI().y() / 96.0;
    const double offsetX = -printer->LeftMargin() * printer->DPI().x() / 25.4 + lm * 3.77953 * scaleX;
    const double offsetY = -printer->TopMargin() * printer->DPI().y() / 25.4 + tm * 3.77953 * scaleY;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(10);
    printer->Canvas()->SetFont(font);
    painter->drawText(QRectF(offsetX + left * scaleX, offsetY + top * scaleY, 3000, 600),
                      Qt::AlignLeft | Qt::AlignTop, text);
}

// One page per text, all on the same sheet.
void PrintPages(TfrxCustomPrinter *printer, const QStringList &texts)
{
    printer->OpenDocument();
    for (const QString &text : texts) {
        printer->OpenPage();
        DrawAt(printer, text, 0, 0, 40, 40);
        printer->ClosePage();
    }
}

} // namespace

class TestPrintJobs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!CupsTools::ServerDir().isEmpty(), "the print server fixture did not run");
        QVERIFY(Printers().HasPhysicalPrinters());
    }

    // What the queue receives: the job's title, copies and options, and the PDF's sheet.
    void jobOptionsReachTheQueue_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("bin");
        QTest::addColumn<QStringList>("options"); // "name=value", or a flag as the backend gets it
        QTest::addColumn<QSizeF>("sheet");        // points, as the PDF states it
        QTest::newRow("waybill portrait")
            << "Capture" << 256 << int(poPortrait) << 1 << 7
            << QStringList{"media=Custom.230x127mm", "orientation-requested=3"} << QSizeF(652, 360);
        QTest::newRow("waybill landscape")
            << "Capture" << 256 << int(poLandscape) << 1 << 7
            << QStringList{"media=Custom.127x230mm", "orientation-requested=4"} << QSizeF(652, 360);
        QTest::newRow("A4 on a raw queue, two uncollated copies")
            << "Capture" << 9 << int(poPortrait) << 2 << 7
            << QStringList{"media=iso_a4_210x297mm", "nocollate"} << QSizeF(595, 842);
        QTest::newRow("driver paper and source")
            << "Margins" << 9 << int(poPortrait) << 1 << 4 << QStringList{"media=A4", "InputSlot=Manual"}
            << QSizeF(595, 842);
    }
    void jobOptionsReachTheQueue()
    {
        QFETCH(QString, queue);
        QFETCH(int, paper);
        QFETCH(int, orientation);
        QFETCH(int, copies);
        QFETCH(int, bin);
        QFETCH(QStringList, options);
        QFETCH(QSizeF, sheet);
        TfrxCustomPrinter *printer = Queue(queue);
        printer->SetTitle(QStringLiteral("Waybills 42"));
        printer->ApplyPrintParams(paper, TPrinterOrientation(orientation), copies, dmNone, bin,
                                  paper == 256 ? 127 : 297, paper == 256 ? 230 : 210);
        PrintPages(printer, {QStringLiteral("One"), QStringLiteral("Two")});
        printer->CloseDocument();
        printer->SetTitle(QString());
        QCOMPARE(printer->JobIds().size(), 1);

        const auto args = CupsTools::WaitForJob(printer->JobIds().first());
        QCOMPARE(args.value(QStringLiteral("printer")), queue);
        QCOMPARE(args.value(QStringLiteral("title")), QStringLiteral("Waybills 42"));
        QCOMPARE(args.value(QStringLiteral("copies")), QString::number(copies));
        const auto sent = CupsTools::Options(args);
        for (const QString &option : options) {
            const qsizetype eq = option.indexOf(u'=');
            const bool ok =
                eq < 0 ? sent.contains(option) : sent.value(option.left(eq)) == option.mid(eq + 1);
            QVERIFY2(ok, qPrintable(args.value("options")));
        }
        const QList<QSizeF> sizes = CupsTools::PageSizes(CupsTools::JobData(printer->JobIds().first()));
        QCOMPARE(sizes, QList<QSizeF>({sheet, sheet}));
    }

    void untitledDocumentHasTheDefaultTitle()
    {
        TfrxCustomPrinter *printer = Queue(QStringLiteral("Capture"));
        printer->ApplyPrintParams(9, poPortrait, 1, dmNone, 7, 297, 210);
        PrintPages(printer, {QStringLiteral("Untitled")});
        printer->CloseDocument();
        const auto args = CupsTools::WaitForJob(printer->JobIds().value(0));
        QCOMPARE(args.value(QStringLiteral("title")), QStringLiteral("Tavrel Document"));
    }

    // Each page's text is where the layout puts it on the paper: margins and design position, plus
    // what the whole-millimetre rule leaves of a hardware margin (6.35 mm → 6: 0.35 mm).
    void textLandsWhereTheLayoutPutsIt_data()
    {
        QTest::addColumn<QString>("queue");
        QTest::addColumn<double>("lm");
        QTest::addColumn<double>("tm");
        QTest::addColumn<double>("residual");
        QTest::newRow("no margins") << "Capture" << 0.0 << 0.0 << 0.0;
        QTest::newRow("margins 10") << "Capture" << 10.0 << 10.0 << 0.0;
        QTest::newRow("offsets +5/-5") << "Capture" << 5.0 << -5.0 << 0.0;
        QTest::newRow("hardware margins") << "Margins" << 0.0 << 0.0 << 0.35;
        QTest::newRow("hardware margins, offsets +5/-5") << "Margins" << 5.0 << -5.0 << 0.35;
    }
    void textLandsWhereTheLayoutPutsIt()
    {
        QFETCH(QString, queue);
        QFETCH(double, lm);
        QFETCH(double, tm);
        QFETCH(double, residual);
        TfrxCustomPrinter *printer = Queue(queue);
        printer->ApplyPrintParams(256, poPortrait, 1, dmNone, 7, 127, 230);
        const double exactX = printer->PhysicalOffset().x() * 25.4 / printer->DPI().x();
        QCOMPARE(qRound((exactX - printer->LeftMargin()) * 100), qRound(residual * 100));

        printer->OpenDocument();
        for (int page = 1; page <= 3; ++page) {
            printer->OpenPage();
            DrawAt(printer, QStringLiteral("Page%1").arg(page), lm, tm, 100 * page, 60 * page + 40);
            printer->ClosePage();
        }
        printer->CloseDocument();
        QCOMPARE(printer->JobIds().size(), 1);
        QVERIFY(!CupsTools::WaitForJob(printer->JobIds().first()).isEmpty());
        const QString pdf = CupsTools::JobData(printer->JobIds().first());
        for (int page = 1; page <= 3; ++page) {
            const QList<CupsTools::Word> words = CupsTools::Words(pdf, page);
            QCOMPARE(words.size(), 1);
            QCOMPARE(words.first().Text, QStringLiteral("Page%1").arg(page));
            const double x = lm * 3.77953 * 25.4 / 96 + 100 * page * 25.4 / 96 + residual;
            const double y = tm * 3.77953 * 25.4 / 96 + (60 * page + 40) * 25.4 / 96 + residual;
            QVERIFY2(qAbs(words.first().XMin - x) <= 0.3,
                     qPrintable(QStringLiteral("x %1 mm, expected %2").arg(words.first().XMin).arg(x)));
            QVERIFY2(qAbs(words.first().YMin - y) <= 0.3,
                     qPrintable(QStringLiteral("y %1 mm, expected %2").arg(words.first().YMin).arg(y)));
        }
    }

    // Pages on different sheets: one job per run of pages with equal options, each on its sheet,
    // all of them printed.
    void changingPaperMidDocument()
    {
        TfrxCustomPrinter *printer = Queue(QStringLiteral("Capture"));
        printer->OpenDocument();
        printer->ApplyPrintParams(9, poPortrait, 1, dmNone, 7, 297, 210);
        printer->OpenPage();
        DrawAt(printer, QStringLiteral("Sheet1"), 0, 0, 40, 40);
        printer->ClosePage();
        printer->ApplyPrintParams(256, poPortrait, 1, dmNone, 7, 127, 230);
        for (int i = 0; i < 2; ++i) {
            printer->OpenPage();
            DrawAt(printer, QStringLiteral("Sheet2"), 0, 0, 40, 40);
            printer->ClosePage();
        }
        printer->CloseDocument();
        QCOMPARE(printer->JobIds().size(), 2);
        const auto first = CupsTools::WaitForJob(printer->JobIds()[0]);
        const auto second = CupsTools::WaitForJob(printer->JobIds()[1]);
        QCOMPARE(CupsTools::Options(first).value(QStringLiteral("media")),
                 QStringLiteral("iso_a4_210x297mm"));
        QCOMPARE(CupsTools::Options(second).value(QStringLiteral("media")),
                 QStringLiteral("Custom.230x127mm"));
        QCOMPARE(CupsTools::PageSizes(CupsTools::JobData(printer->JobIds()[0])),
                 QList<QSizeF>({QSizeF(595, 842)}));
        QCOMPARE(CupsTools::PageSizes(CupsTools::JobData(printer->JobIds()[1])),
                 QList<QSizeF>({QSizeF(652, 360), QSizeF(652, 360)}));
    }

    // Aborting after three pages: the print system holds a cancelled job with those pages, and
    // nothing reaches the printer.
    void cancelledDocumentLeavesACancelledJob()
    {
        TfrxCustomPrinter *printer = Queue(QStringLiteral("Capture"));
        printer->SetTitle(QStringLiteral("Cancelled run"));
        printer->ApplyPrintParams(256, poPortrait, 1, dmNone, 7, 127, 230);
        PrintPages(printer, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        printer->CancelDocument();
        printer->SetTitle(QString());
        QVERIFY(!printer->Printing());
        QCOMPARE(printer->JobIds().size(), 1);
        const int id = printer->JobIds().first();

        bool found = false;
        for (const PrintSystem::JobState &job : PrintSystem::Jobs(QStringLiteral("Capture"), true)) {
            if (job.Id != id)
                continue;
            found = true;
            QCOMPARE(job.State, int(PrintSystem::JobCancelled));
            QCOMPARE(job.Title, QStringLiteral("Cancelled run"));
        }
        QVERIFY(found);
        QString lpstat;
        CupsTools::Run(QStringLiteral("lpstat"), {"-W", "all", "-o", "Capture"}, &lpstat);
        QVERIFY2(lpstat.contains(QStringLiteral("Capture-%1").arg(id)), qPrintable(lpstat));

        // The job's document keeps the three pages drawn; the backend never ran for it.
        const QString spooled =
            QDir(CupsTools::ServerDir())
                .filePath(QStringLiteral("spool/d%1-001").arg(id, 5, 10, QLatin1Char('0')));
        QCOMPARE(CupsTools::PageSizes(spooled).size(), 3);
        QVERIFY(!QFile::exists(CupsTools::JobData(id)));
    }

    void printToFileWritesOnlyThePdf()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("out.pdf"));
        TfrxCustomPrinter *printer = Queue(QStringLiteral("Margins"));
        const CupsTools::NewJobs jobs;
        printer->SetFileName(file);
        printer->ApplyPrintParams(256, poLandscape, 1, dmNone, 7, 127, 230);
        PrintPages(printer, {QStringLiteral("First")});
        printer->ApplyPrintParams(9, poPortrait, 1, dmNone, 7, 297, 210);
        printer->OpenPage();
        DrawAt(printer, QStringLiteral("Second"), 0, 0, 40, 40);
        printer->ClosePage();
        printer->CloseDocument();
        printer->SetFileName(QString());
        QVERIFY(printer->JobIds().isEmpty());
        // One file, each page on its own sheet.
        QCOMPARE(CupsTools::PageSizes(file), QList<QSizeF>({QSizeF(652, 360), QSizeF(595, 842)}));
        QCOMPARE(CupsTools::Words(file, 2).value(0).Text, QStringLiteral("Second"));
        QVERIFY(jobs.List().isEmpty());

        // Aborted, the file is not left behind half-written.
        const QString aborted = dir.filePath(QStringLiteral("aborted.pdf"));
        printer->SetFileName(aborted);
        PrintPages(printer, {QStringLiteral("Partial")});
        printer->CancelDocument();
        printer->SetFileName(QString());
        QVERIFY(!QFile::exists(aborted));

        // A folder that cannot take the file stops the job before anything is drawn.
        printer->SetFileName(dir.filePath(QStringLiteral("missing/out.pdf")));
        QVERIFY_THROWS_EXCEPTION(EPrinterError, printer->OpenDocument());
        QVERIFY(!printer->Printing());
        printer->SetFileName(QString());
    }

    // A queue that rejects jobs: refused before drawing, or, when it starts rejecting while the
    // pages are drawn, a clear error at the end and no job.
    void rejectingQueueGivesAClearError()
    {
        TfrxCustomPrinter *printer = Queue(QStringLiteral("Capture"));
        printer->ApplyPrintParams(9, poPortrait, 1, dmNone, 7, 297, 210);
        QCOMPARE(CupsTools::Run(QStringLiteral("cupsreject"), {"Capture"}), 0);
        try {
            printer->OpenDocument();
            QFAIL("a rejecting queue took a document");
        } catch (const EPrinterError &e) {
            QVERIFY2(e.Message().contains(QLatin1String("not accepting")), qPrintable(e.Message()));
        }
        QVERIFY(!printer->Printing());
        QCOMPARE(CupsTools::Run(QStringLiteral("cupsaccept"), {"Capture"}), 0);

        const CupsTools::NewJobs jobs;
        PrintPages(printer, {QStringLiteral("Refused")});
        QCOMPARE(CupsTools::Run(QStringLiteral("cupsreject"), {"Capture"}), 0);
        QString message;
        try {
            printer->CloseDocument();
        } catch (const EPrinterError &e) {
            message = e.Message();
        }
        QCOMPARE(CupsTools::Run(QStringLiteral("cupsaccept"), {"Capture"}), 0);
        QVERIFY2(message.contains(QLatin1String("Capture")) &&
                     message.contains(QLatin1String("not accepting")),
                 qPrintable(message));
        QVERIFY(!printer->Printing());
        QVERIFY(printer->JobIds().isEmpty());
        QVERIFY(jobs.List().isEmpty());
    }
};

QTEST_MAIN(TestPrintJobs)
#include "tst_printjobs.moc"

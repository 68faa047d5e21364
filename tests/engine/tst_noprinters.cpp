// A system without printers (the print server's socket leads nowhere): the placeholder printer,
// the platform's paper table, and clear errors from the print system.

#include "engine/frxEngineLayer.h"
#include "engine/print/frxPrinter.h"
#include "report/model/frxPaper.h"

#include "ScriptedUi.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace frx;

namespace {
// A device that reports no resolution, as a broken driver does.
class NoResolutionPrinter : public TfrxVirtualPrinter {
public:
    NoResolutionPrinter() : TfrxVirtualPrinter(QStringLiteral("Broken"), QString()) {}

protected:
    bool ReadDeviceCaps(const TfrxDeviceMode &mode, TfrxDeviceCaps &caps) override
    {
        TfrxVirtualPrinter::ReadDeviceCaps(mode, caps);
        caps.LogPixelsY = 0;
        return true;
    }
};
} // namespace

class TestNoPrinters : public QObject {
    Q_OBJECT

private slots:
    void placeholderPrinter()
    {
        TfrxPrinters &list = Printers();
        QVERIFY(!list.HasPhysicalPrinters());
        QCOMPARE(list.PrinterNames(), QStringList{QStringLiteral("Virtual")});
        QCOMPARE(list.PrinterIndex(), 0);
        QCOMPARE(list.IndexOf(QStringLiteral("VIRTUAL")), 0);
        QVERIFY(!list.SelectPrinterByName(QStringLiteral("Capture")));

        TfrxCustomPrinter *printer = list.CurrentPrinter();
        QVERIFY(printer->Initialized());
        QCOMPARE(printer->DPI(), QPoint(600, 600));
        QCOMPARE(printer->DefPaper(), 9);
        QCOMPARE(printer->DefOrientation(), poPortrait);
        QCOMPARE(printer->DefPaperWidth(), 210.0);
        QCOMPARE(printer->DefPaperHeight(), 297.0);
        QCOMPARE(printer->LeftMargin(), 0.0);
        QCOMPARE(printer->BottomMargin(), 0.0);
        QCOMPARE(printer->Papers().size(), 67);
        QCOMPARE(printer->Papers().first().Name, QStringLiteral("Custom"));
        QCOMPARE(printer->Papers().first().Code, 256);
        QCOMPARE(printer->PaperByName(QStringLiteral("A5")), 11);
        QCOMPARE(printer->Bins().size(), 1);
        QCOMPARE(printer->Bins().first().Code, 7);
        QVERIFY(!printer->ShowPrinterProperties());

        // Paper settings are still followed (the preview's page settings use them).
        printer->ApplyPrintParams(8, poLandscape, 1, dmNone, 7, 297, 420);
        QCOMPARE(printer->PaperWidth(), 420.0);
        QCOMPARE(printer->PaperHeight(), 297.0);
        printer->ApplyPrintParams(9, poPortrait, 1, dmNone, 7, 297, 210);
    }

    void placeholderPrinterPrintsOnlyToAFile()
    {
        TfrxCustomPrinter *printer = Printers().CurrentPrinter();
        try {
            printer->OpenDocument();
            QFAIL("the placeholder printer opened a document for a device");
        } catch (const EPrinterError &e) {
            QCOMPARE(e.Message(), QStringLiteral("No printers installed on your system"));
        }
        QVERIFY(!printer->Printing());

        QTemporaryDir dir;
        printer->SetFileName(dir.filePath(QStringLiteral("virtual.pdf")));
        printer->OpenDocument();
        printer->OpenPage();
        QVERIFY(printer->Canvas()->Painter());
        printer->Canvas()->Painter()->drawText(QPointF(600, 600), QStringLiteral("Virtual page"));
        printer->ClosePage();
        QVERIFY(!printer->Canvas()->Painter());
        printer->CloseDocument();
        printer->SetFileName(QString());
        QFile pdf(dir.filePath(QStringLiteral("virtual.pdf")));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
    }

    void deviceWithoutResolutionIsNotValid()
    {
        ScriptedUi ui;
        NoResolutionPrinter printer;
        printer.InitPrinter();
        QVERIFY(!printer.Initialized());
        QCOMPARE(ui.Shown.size(), 1);
        QCOMPARE(ui.Shown.first().Text, QStringLiteral("Printer selected is not valid"));
        QCOMPARE(ui.Shown.first().Icon, UiIcon::Error);
        QTemporaryDir dir;
        printer.SetFileName(dir.filePath(QStringLiteral("never.pdf")));
        QVERIFY_THROWS_EXCEPTION(EPrinterError, printer.OpenDocument());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("never.pdf"))));
    }

    void printSystemReportsAServerThatIsNotRunning()
    {
        const PrintSystem::QueueInfo queue = PrintSystem::QueryQueue(QStringLiteral("Capture"));
        QVERIFY(!queue.Found);
        QVERIFY2(queue.Error.contains(QLatin1String("not running")), qPrintable(queue.Error));

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("job.pdf"));
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.write("%PDF-1.4\n%%EOF\n");
        pdf.close();
        const PrintSystem::SubmitResult result = PrintSystem::SubmitPdf(QStringLiteral("Capture"), file, {});
        QVERIFY(!result.Ok());
        QVERIFY2(result.Error.contains(QLatin1String("not running")), qPrintable(result.Error));
        QVERIFY(!PrintSystem::CancelJob(QStringLiteral("Capture"), 1).isEmpty());
        QVERIFY(PrintSystem::Jobs(QString(), true).isEmpty());

        // A printer object for a queue that cannot be reached never initialises.
        TfrxPrinter printer(QStringLiteral("Capture"), QString());
        printer.InitPrinter();
        QVERIFY(!printer.Initialized());
    }

    // The placeholder's papers are the platform's standard numbers, each with its name and size.
    void placeholderPapersAreTheStandardNumbers()
    {
        QList<int> expected;
        for (int code = 1; code <= 68; ++code)
            if (code != 48 && code != 49)
                expected << code;
        QCOMPARE(frxStandardPaperCodes(), expected);
        const QList<TfrxNamedCode> &papers = Printers().CurrentPrinter()->Papers();
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(papers[i + 1].Code, expected[i]);
            QVERIFY(!papers[i + 1].Name.isEmpty());
        }
        QCOMPARE(frxPaperName(9), QStringLiteral("A4"));
        QCOMPARE(frxPaperName(48), QString());
    }

    // New report pages get A4 portrait from the placeholder printer.
    void reportPagesTakeThePlaceholdersDefaults()
    {
        TfrxEngineRegistrations keep;
        frxStartEngineLayer();
        const TfrxPaperDefaults defaults = frxPaperInfo().DefaultPaper();
        QCOMPARE(defaults.PaperSize, 9);
        QCOMPARE(defaults.PaperWidth, 210.0);
        QCOMPARE(defaults.PaperHeight, 297.0);
        QCOMPARE(defaults.Orientation, poPortrait);
    }
};

QTEST_MAIN(TestNoPrinters)
#include "tst_noprinters.moc"

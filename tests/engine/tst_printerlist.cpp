// The printer list and a printer's device data, against the private print server of the test run:
// queue "Capture" (raw, the default) and "Margins" (a driver with 6.35 mm hardware margins at
// 1200 dpi and two paper sources).

#include "engine/frxEngineLayer.h"
#include "engine/print/frxPrinter.h"
#include "engine/print/frxPrinterProperties.h"
#include "report/model/frxPages.h"
#include "report/model/frxPaper.h"
#include "tests/support/CupsTools.h"

#include "ScriptedUi.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>

using namespace frx;

class TestPrinterList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!CupsTools::ServerDir().isEmpty(), "the print server fixture did not run");
    }

    void listsQueuesAndSelectsTheDefault()
    {
        TfrxPrinters &list = Printers();
        QVERIFY(list.HasPhysicalPrinters());
        QCOMPARE(list.PrinterNames(), QStringList({QStringLiteral("Capture"), QStringLiteral("Margins")}));
        QCOMPARE(list.DefaultPrinterName(), QStringLiteral("Capture"));
        QCOMPARE(list.PrinterIndex(), 0);
        QCOMPARE(list.CurrentPrinter()->Name(), QStringLiteral("Capture"));
        QVERIFY(list.CurrentPrinter()->Initialized());
        QCOMPARE(list.GetItem(-1), nullptr);
        QCOMPARE(list.GetItem(2), nullptr);
        QVERIFY(!list.GetItem(1)->Initialized()); // a printer is read when it is first selected
    }

    void indexOfIgnoresCase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::newRow("exact") << "Margins" << 1;
        QTest::newRow("lower") << "capture" << 0;
        QTest::newRow("upper") << "MARGINS" << 1;
        QTest::newRow("part of a name") << "Marg" << -1;
        QTest::newRow("unknown") << "NoSuchQueue" << -1;
        QTest::newRow("resource text Default") << "Default" << -1;
    }
    void indexOfIgnoresCase()
    {
        QFETCH(QString, name);
        QFETCH(int, index);
        QCOMPARE(Printers().IndexOf(name), index);
    }

    // A job's printer by name: an installed name in any case selects it, anything else keeps the
    // printer that is current (never some other output).
    void selectingByNameKeepsTheCurrentPrinterForUnknownNames()
    {
        TfrxPrinters &list = Printers();
        QVERIFY(list.SelectPrinterByName(QStringLiteral("mArGiNs")));
        QCOMPARE(list.CurrentPrinter()->Name(), QStringLiteral("Margins"));
        QVERIFY(!list.SelectPrinterByName(QStringLiteral("NoSuchQueue")));
        QVERIFY(!list.SelectPrinterByName(QStringLiteral("Default")));
        QVERIFY(!list.SelectPrinterByName(QString()));
        QCOMPARE(list.CurrentPrinter()->Name(), QStringLiteral("Margins"));
        list.SetPrinterIndex(7); // outside the list: nothing changes
        QCOMPARE(list.PrinterIndex(), 1);
        list.SetPrinterIndex(-1); // the platform's default
        QCOMPARE(list.CurrentPrinter()->Name(), QStringLiteral("Capture"));
    }

    // Whole millimetres from device pixels at 1200 dpi, with hardware margins of 18 pt = 300 px
    // (6.35 mm → 6). The queue's default, US Letter (612 × 792 pt = 10200 × 13200 px, 216 × 279 mm),
    // prints 576 × 756 pt = 203 × 267 mm, which leaves 216 − 203 − 6 = 7 mm on the right and
    // 279 − 267 − 6 = 6 mm at the bottom; A4 (595 × 842 pt = 9917 × 14033 px) prints 197 × 284 mm:
    // 7 mm right and bottom.
    void readsTheDeviceOfAQueueWithHardwareMargins()
    {
        TfrxCustomPrinter *margins = Printers().GetItem(Printers().IndexOf(QStringLiteral("Margins")));
        margins->InitPrinter();
        QVERIFY(margins->Initialized());
        QCOMPARE(margins->DPI(), QPoint(1200, 1200));
        QCOMPARE(margins->DefPaper(), 1);
        QCOMPARE(margins->DefOrientation(), poPortrait);
        QCOMPARE(margins->DefPaperWidth(), 216.0);
        QCOMPARE(margins->DefPaperHeight(), 279.0);
        QCOMPARE(margins->Paper(), 1);
        QCOMPARE(margins->LeftMargin(), 6.0);
        QCOMPARE(margins->TopMargin(), 6.0);
        QCOMPARE(margins->RightMargin(), 7.0);
        QCOMPARE(margins->BottomMargin(), 6.0);
        QCOMPARE(margins->PhysicalOffset(), QPoint(300, 300));
        QCOMPARE(margins->Bin(), -1);
        QCOMPARE(margins->Duplex(), -1);
        QCOMPARE(margins->Driver(), QString());
        QVERIFY2(margins->Port().startsWith(QLatin1String("capture:")), qPrintable(margins->Port()));

        margins->ApplyPrintParams(9, poPortrait, 1, dmNone, 7, 297, 210);
        QCOMPARE(margins->PaperWidth(), 210.0);
        QCOMPARE(margins->PaperHeight(), 297.0);
        QCOMPARE(margins->LeftMargin(), 6.0);
        QCOMPARE(margins->RightMargin(), 7.0);
        QCOMPARE(margins->BottomMargin(), 7.0);
        QCOMPARE(margins->DefPaper(), 1); // the defaults stay what the driver said

        TfrxCustomPrinter *capture = Printers().GetItem(0);
        QCOMPARE(capture->DPI(), QPoint(1200, 1200));
        QCOMPARE(capture->LeftMargin(), 0.0);
        QCOMPARE(capture->RightMargin(), 0.0);
        QCOMPARE(capture->PhysicalOffset(), QPoint(0, 0));
    }

    // New report pages take the current printer's defaults once the printer layer is installed.
    void reportPagesTakeTheCurrentPrintersDefaults()
    {
        TfrxEngineRegistrations keep;
        frxStartEngineLayer();
        TfrxReportPage page;
        QVERIFY(Printers().SelectPrinterByName(QStringLiteral("Margins")));
        page.SetDefaults();
        QCOMPARE(page.PaperSize(), 1);
        QCOMPARE(page.PaperWidth(), 216.0);
        QCOMPARE(page.PaperHeight(), 279.0);
        QCOMPARE(page.Orientation(), poPortrait);
        QCOMPARE(page.LeftMargin(), 10.0);
        QVERIFY(Printers().SelectPrinterByName(QStringLiteral("Capture")));
        page.SetDefaults();
        QCOMPARE(page.PaperSize(), 9);
        QCOMPARE(page.PaperWidth(), 210.0);
        QCOMPARE(page.PaperHeight(), 297.0);
    }

    void listsPapersAndBinsOfTheDriver()
    {
        TfrxCustomPrinter *margins = Printers().GetItem(1);
        margins->InitPrinter();
        QStringList papers;
        for (const TfrxNamedCode &paper : margins->Papers())
            papers << QStringLiteral("%1=%2").arg(paper.Name).arg(paper.Code);
        QCOMPARE(papers, QStringList({"Custom=256", "A4=9", "US Letter=1"}));
        QStringList bins;
        for (const TfrxNamedCode &bin : margins->Bins())
            bins << QStringLiteral("%1=%2").arg(bin.Name).arg(bin.Code);
        QCOMPARE(bins, QStringList({"Default=7", "Tray 1=256", "Manual Feed=4"}));
        QCOMPARE(margins->DefBin(), 256); // the driver's default source, Tray1

        QCOMPARE(margins->PaperIndex(1), 2);
        QCOMPARE(margins->PaperIndex(256), 0);
        QCOMPARE(margins->PaperIndex(11), -1);
        QCOMPARE(margins->BinIndex(4), 2);
        QCOMPARE(margins->PaperByName(QStringLiteral("US Letter")), 1);
        QCOMPARE(margins->PaperByName(QStringLiteral("A5")), 256);
        QCOMPARE(margins->BinByName(QStringLiteral("Manual Feed")), 4);
        QCOMPARE(margins->BinByName(QStringLiteral("Tray 9")), 7);

        // A raw queue has no driver papers or sources of its own.
        TfrxCustomPrinter *capture = Printers().GetItem(0);
        QCOMPARE(capture->Papers().size(), 1);
        QCOMPARE(capture->Bins().size(), 1);
        QCOMPARE(capture->Bins().first().Name, QStringLiteral("Default"));
    }

    // Custom sizes go to the driver as the sheet through the printer, in tenths of a millimetre;
    // landscape exchanges width and length. The device data follow the sheet.
    void customPaperInBothOrientations_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("devWidth");
        QTest::addColumn<int>("devLength");
        QTest::addColumn<QString>("media");
        QTest::newRow("portrait") << int(poPortrait) << 2300 << 1270 << "media=Custom.230x127mm";
        QTest::newRow("landscape") << int(poLandscape) << 1270 << 2300 << "media=Custom.127x230mm";
    }
    void customPaperInBothOrientations()
    {
        QFETCH(int, orientation);
        QFETCH(int, devWidth);
        QFETCH(int, devLength);
        QFETCH(QString, media);
        TfrxCustomPrinter *capture = Printers().GetItem(0);
        capture->ApplyPrintParams(256, TPrinterOrientation(orientation), 1, dmNone, 7, 127, 230);
        QCOMPARE(capture->DeviceMode().PaperSize, 256);
        QCOMPARE(capture->DeviceMode().PaperWidth, devWidth);
        QCOMPARE(capture->DeviceMode().PaperLength, devLength);
        QCOMPARE(capture->Paper(), 256);
        QCOMPARE(capture->Orientation(), TPrinterOrientation(orientation));
        QCOMPARE(capture->PaperWidth(), 230.0);
        QCOMPARE(capture->PaperHeight(), 127.0);
        QVERIFY(capture->JobOptionTexts().contains(media));
        QVERIFY(capture->JobOptionTexts().contains(
            QStringLiteral("orientation-requested=%1").arg(orientation == poLandscape ? 4 : 3)));
    }

    void binAndDuplexRules_data()
    {
        QTest::addColumn<int>("bin");
        QTest::addColumn<int>("duplex");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("automatic bin is the driver's default")
            << 7 << int(dmNone) << QStringList{"InputSlot=Tray1"} << QStringList{"sides=one-sided"};
        QTest::newRow("manual feed") << 4 << int(dmNone) << QStringList{"InputSlot=Manual"} << QStringList{};
        QTest::newRow("vertical is long edge")
            << 7 << int(dmVertical) << QStringList{"sides=two-sided-long-edge"} << QStringList{};
        QTest::newRow("horizontal is short edge")
            << 7 << int(dmHorizontal) << QStringList{"sides=two-sided-short-edge"} << QStringList{};
        QTest::newRow("simplex asked for is sent")
            << 7 << int(dmSimplex) << QStringList{"sides=one-sided"} << QStringList{};
    }
    void binAndDuplexRules()
    {
        QFETCH(int, bin);
        QFETCH(int, duplex);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        TfrxCustomPrinter *margins = Printers().GetItem(1);
        margins->InitPrinter();
        margins->ApplyPrintParams(9, poPortrait, 2, TfrxDuplexMode(duplex), bin, 297, 210);
        const QStringList options = margins->JobOptionTexts();
        QVERIFY(options.contains(QStringLiteral("media=A4")));
        QVERIFY(options.contains(QStringLiteral("copies=2")));
        QVERIFY(options.contains(QStringLiteral("collate=false")));
        for (const QString &option : present)
            QVERIFY2(options.contains(option), qPrintable(options.join(u' ')));
        for (const QString &option : absent)
            QVERIFY2(!options.contains(option), qPrintable(options.join(u' ')));
    }

    // A bad page size is refused with a clear message and changes nothing.
    void unusablePaperSizesAreRefused_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::newRow("zero") << 0.0 << 0.0;
        QTest::newRow("negative") << -10.0 << 100.0;
        QTest::newRow("ten metres") << 10000.0 << 127.0;
    }
    void unusablePaperSizesAreRefused()
    {
        QFETCH(double, width);
        QFETCH(double, height);
        TfrxCustomPrinter *capture = Printers().GetItem(0);
        capture->ApplyPrintParams(9, poPortrait, 1, dmNone, 7, 297, 210);
        const TfrxDeviceMode before = capture->DeviceMode();
        QVERIFY_THROWS_EXCEPTION(EPrinterError,
                                 capture->ApplyPrintParams(256, poPortrait, 1, dmNone, 7, height, width));
        QCOMPARE(capture->DeviceMode().PaperSize, before.PaperSize);
        QCOMPARE(capture->PaperWidth(), 210.0);
    }

    // A paper number the driver and the platform do not know is fed as the page's own size.
    void unknownPaperNumberUsesThePageSize()
    {
        TfrxCustomPrinter *capture = Printers().GetItem(0);
        capture->ApplyPrintParams(48, poPortrait, 1, dmNone, 7, 150, 100);
        QCOMPARE(capture->DeviceMode().PaperSize, 256);
        QCOMPARE(capture->PaperWidth(), 100.0);
        QCOMPARE(capture->PaperHeight(), 150.0);
    }

    // Page settings on screen: a custom size keeps A4's device but reports the page's size.
    void viewParams()
    {
        TfrxCustomPrinter *margins = Printers().GetItem(1);
        margins->InitPrinter();
        margins->ApplyViewParams(256, poLandscape, 100, 150);
        QCOMPARE(margins->DeviceMode().PaperSize, 9);
        QCOMPARE(margins->Paper(), 256);
        QCOMPARE(margins->PaperWidth(), 150.0);
        QCOMPARE(margins->PaperHeight(), 100.0);
        margins->ApplyViewParams(11, poPortrait, 210, 148);
        QCOMPARE(margins->DeviceMode().PaperSize, 11);
        QCOMPARE(margins->PaperWidth(), 148.0);
        QCOMPARE(margins->PaperHeight(), 210.0);
    }

    // The driver's settings dialog: a source and a two-sided mode chosen there override what the
    // job asks for (bin 7, no duplex) until the job ends.
    void propertiesDialogChoicesHoldForOneJob()
    {
        TfrxCustomPrinter *margins = Printers().GetItem(1);
        margins->InitPrinter();
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<TfrxPrinterPropertiesDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *source = dialog->findChild<QComboBox *>(QStringLiteral("Source"));
            auto *duplex = dialog->findChild<QComboBox *>(QStringLiteral("Duplex"));
            source->setCurrentIndex(source->findText(QStringLiteral("Manual Feed")));
            duplex->setCurrentIndex(1);
            dialog->accept();
        });
        QVERIFY(margins->ShowPrinterProperties());
        QCOMPARE(margins->Bin(), 4);
        QCOMPARE(margins->Duplex(), 2);
        margins->ApplyPrintParams(9, poPortrait, 1, dmNone, 7, 297, 210);
        QVERIFY(margins->JobOptionTexts().contains(QStringLiteral("InputSlot=Manual")));
        QVERIFY(margins->JobOptionTexts().contains(QStringLiteral("sides=two-sided-long-edge")));

        // A job ends (here one that is aborted at once): the choices are forgotten.
        margins->OpenDocument();
        margins->CancelDocument();
        QCOMPARE(margins->Bin(), -1);
        QCOMPARE(margins->Duplex(), -1);
        margins->ApplyPrintParams(9, poPortrait, 1, dmNone, 7, 297, 210);
        QVERIFY(margins->JobOptionTexts().contains(QStringLiteral("InputSlot=Tray1")));

        QTimer::singleShot(0, [] {
            if (auto *dialog = QApplication::activeModalWidget())
                static_cast<QDialog *>(dialog)->reject();
        });
        QVERIFY(!margins->ShowPrinterProperties());
        QCOMPARE(margins->Bin(), -1);
    }

    // A name the print system does not know never initialises, and a queue that went away after it
    // was read refuses the job instead of sending it anywhere else.
    void vanishedQueueRefusesTheJob()
    {
        TfrxPrinter unknown(QStringLiteral("NoSuchQueue"), QString());
        unknown.InitPrinter();
        QVERIFY(!unknown.Initialized());
        QVERIFY_THROWS_EXCEPTION(EPrinterError, unknown.OpenDocument());

        QCOMPARE(CupsTools::Run(QStringLiteral("lpadmin"),
                                {"-p", "Gone", "-E", "-v", "file:///dev/null", "-m", "raw"}),
                 0);
        TfrxPrinter gone(QStringLiteral("Gone"), QString());
        gone.InitPrinter();
        QVERIFY(gone.Initialized());
        QCOMPARE(CupsTools::Run(QStringLiteral("lpadmin"), {"-x", "Gone"}), 0);
        try {
            gone.OpenDocument();
            QFAIL("a job opened on a queue that no longer exists");
        } catch (const EPrinterError &e) {
            QVERIFY2(e.Message().contains(QLatin1String("does not exist")), qPrintable(e.Message()));
        }
        QVERIFY(!gone.Printing());
    }
};

QTEST_MAIN(TestPrinterList)
#include "tst_printerlist.moc"

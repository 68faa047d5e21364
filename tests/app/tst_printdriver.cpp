// The print driver's runs and previews on a real layout: offsets, print to file, which rows are
// marked and when, a missing layout, a failed build, the preview row ranges and field lists, and
// the empty layout of a new template.
#include "ScriptedUi.h"
#include "TestHome.h"
#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "engine/build/frxEngine.h"
#include "engine/pages/frxPreviewPages.h"
#include "report/host/frxPreviewPagesBase.h"
#include "report/io/frxSerializeReport.h"

#include <QFile>
#include <QTest>

namespace {

const double PxPerMm = 96.0 / 25.4;

// A program folder with three order columns and one template "Test" whose 100 × 60 mm page has
// margins of 10 mm and the receiver's name on it; `script` replaces the layout's script.
struct Fixture {
    TestHome home;
    QString layoutPath;

    explicit Fixture(const QStringList &script = {})
    {
        home.Write(
            "config/PRINTER.INI",
            QStringLiteral("[OrderColumn]\r\nC_1=订单编号\r\nC_2=收货人姓名\r\nC_3=收货地址\r\n").toUtf8());
        layoutPath = home.AddTemplate("t1", "Test") + "/t.fr3";
        {
            TTavrelForm maker;
            TfrxReport *report = maker.frxReport1;
            if (!script.isEmpty())
                report->SetScriptText(script);
            auto *page = qobject_cast<TfrxReportPage *>(report->Pages(1));
            page->SetPaperWidth(100);
            page->SetPaperHeight(60);
            auto *memo = new TfrxMemoView(page);
            memo->SetName("Receiver");
            memo->SetBounds(20 * PxPerMm, 15 * PxPerMm, 50 * PxPerMm, 8 * PxPerMm);
            memo->SetText("[FD.\"收货人姓名\"]");
            frxSaveToFile(*report, layoutPath);
        }
        InitGlobals(home.Path());
        CurrTemplate = TemplateList.value(0);
        CurrHAO = 0;
        CurrVAO = 0;
        SetOrders(0);
    }

    static void SetOrders(int rows)
    {
        OrderRows.clear();
        for (int r = 0; r < rows; ++r) {
            THashTable row(256);
            row.PutValue("C1", QStringLiteral("order%1").arg(r));
            row.PutValue("C2", QStringLiteral("name%1").arg(r));
            OrderRows.push_back(row);
        }
    }
};

// The texts of the memos of a prepared page.
QStringList PageTexts(TfrxReport *report, int index)
{
    QStringList texts;
    TfrxReportPage *page = report->PreviewPages()->GetPage(index);
    if (!page)
        return texts;
    for (TfrxComponent *c : page->AllObjects())
        if (auto *memo = qobject_cast<TfrxMemoView *>(c))
            texts << memo->Text().trimmed();
    return texts;
}

QStringList ColumnNames()
{
    QStringList names;
    for (const TColumn &c : std::as_const(OrderColumns))
        names << c.ColName;
    return names;
}

} // namespace

class TestPrintDriver : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Printing here goes to PDF files; no print server is asked.
        qputenv("CUPS_SERVER", "/nonexistent/cups.sock");
        frxRegisterEngine();
        TfrxPreviewPages::Register();
    }

    void offsetsMoveTheWholePage_data()
    {
        QTest::addColumn<int>("hao");
        QTest::addColumn<int>("vao");
        QTest::addColumn<QList<double>>("margins"); // left, right, top, bottom
        QTest::newRow("5, -3") << 5 << -3 << QList<double>{5, -5, -3, 3};
        QTest::newRow("none") << 0 << 0 << QList<double>{0, 0, 0, 0};
    }

    void offsetsMoveTheWholePage()
    {
        QFETCH(int, hao);
        QFETCH(int, vao);
        QFETCH(QList<double>, margins);
        Fixture fx;
        Fixture::SetOrders(1);
        CurrHAO = hao;
        CurrVAO = vao;
        TTavrelForm driver;
        QVERIFY(driver.BuildRange(0, 1));
        auto *page = qobject_cast<TfrxReportPage *>(driver.frxReport1->Pages(1));
        QCOMPARE(
            (QList<double>{page->LeftMargin(), page->RightMargin(), page->TopMargin(), page->BottomMargin()}),
            margins);
        QCOMPARE(driver.PrintRunning, 0);
    }

    void printRunsMarkTheRowsThePrinterTook()
    {
        Fixture fx;
        Fixture::SetOrders(3);
        QTemporaryDir out;
        TTavrelForm driver;
        QList<int> marked;
        driver.MarkPrinted = [&](int row) {
            QCOMPARE(driver.PrintRunning, 1);
            marked << row;
        };
        int nexts = 0;
        auto next = driver.frxUserDataSet1->OnNext;
        driver.frxUserDataSet1->OnNext = [&](TfrxDataSet *ds) {
            ++nexts;
            next(ds);
        };
        driver.PrintToFile = out.filePath("all.pdf");
        QVERIFY(driver.PrintAll());
        QCOMPARE(marked, QList<int>({0, 1, 2}));
        QCOMPARE(nexts, 2);
        QCOMPARE(driver.frxReport1->PreviewPages()->Count(), 3);
        QCOMPARE(PageTexts(driver.frxReport1, 2), QStringList({"name2"}));
        QVERIFY(QFile(driver.PrintToFile).size() > 0);
        QCOMPARE(driver.PrintRunning, 0);

        marked.clear();
        driver.PrintToFile = out.filePath("one.pdf");
        QVERIFY(driver.PrintOne(1));
        QCOMPARE(marked, QList<int>({1}));
        QCOMPARE(PageTexts(driver.frxReport1, 0), QStringList({"name1"}));
    }

    void aRunThatCannotPrintMarksNothing()
    {
        ScriptedUi ui;
        QList<int> marked;

        { // The layout file is gone: the message names it.
            Fixture fx;
            Fixture::SetOrders(2);
            QFile::remove(fx.layoutPath);
            TTavrelForm driver;
            driver.MarkPrinted = [&](int row) { marked << row; };
            driver.PrintToFile = fx.home.FilePath("never.pdf");
            try {
                driver.PrintAll();
                QFAIL("a missing layout must not print");
            } catch (const Exception &e) {
                QVERIFY2(e.Message().contains(QDir::toNativeSeparators(fx.layoutPath)),
                         qPrintable(e.Message()));
            }
            QCOMPARE(driver.PrintRunning, 0);
            QVERIFY(!QFile::exists(driver.PrintToFile));
        }
        { // The script does not compile: the engine reports it and nothing is printed.
            Fixture fx({"begin", "  x := ;", "end."});
            Fixture::SetOrders(2);
            TTavrelForm driver;
            driver.MarkPrinted = [&](int row) { marked << row; };
            driver.PrintToFile = fx.home.FilePath("never.pdf");
            QVERIFY(!driver.PrintAll());
            QVERIFY(ui.LastText().contains("Script error"));
            QCOMPARE(driver.PrintRunning, 0);
            QVERIFY(!QFile::exists(driver.PrintToFile));
        }
        { // The file cannot be written: the print job fails and says so.
            Fixture fx;
            Fixture::SetOrders(2);
            TTavrelForm driver;
            driver.MarkPrinted = [&](int row) { marked << row; };
            driver.PrintToFile = fx.home.FilePath("no/such/folder/out.pdf");
            QVERIFY(!driver.PrintAll());
            QCOMPARE(driver.PrintRunning, 0);
        }
        QCOMPARE(marked, QList<int>());
    }

    void previewsWalkTheirRowsAndNeverMark_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("firstText");
        QTest::newRow("25 orders") << 25 << 10 << "name0";
        QTest::newRow("4 orders") << 4 << 4 << "name0";
        QTest::newRow("no orders") << 0 << 1 << "收货人姓名";
    }

    void previewsWalkTheirRowsAndNeverMark()
    {
        QFETCH(int, rows);
        QFETCH(int, pages);
        QFETCH(QString, firstText);
        Fixture fx;
        Fixture::SetOrders(rows);
        TTavrelForm driver;
        QList<int> marked;
        driver.MarkPrinted = [&](int row) { marked << row; };
        for (int repeat = 0; repeat < 2; ++repeat) {
            driver.PreviewTemplate(CurrTemplate);
            QCOMPARE(driver.frxReport1->PreviewPages()->Count(), pages);
            QCOMPARE(PageTexts(driver.frxReport1, 0), QStringList({firstText}));
            // Replaced each time, never extended.
            QCOMPARE(driver.frxUserDataSet1->Fields(), ColumnNames());
        }
        QCOMPARE(marked, QList<int>());
        QVERIFY(driver.ReachedRows.isEmpty());
    }

    void previewOfOneOrderShowsThatOrder()
    {
        Fixture fx;
        Fixture::SetOrders(5);
        TTavrelForm driver;
        driver.PreviewOne(CurrTemplate, 3);
        QCOMPARE(driver.frxReport1->PreviewPages()->Count(), 1);
        QCOMPARE(PageTexts(driver.frxReport1, 0), QStringList({"name3"}));
        // The layout's own margins: previews do not apply the printer offsets.
        CurrHAO = 7;
        driver.PreviewOne(CurrTemplate, 0);
        QCOMPARE(qobject_cast<TfrxReportPage *>(driver.frxReport1->Pages(1))->LeftMargin(), 10.0);
    }

    void emptyLayoutOfANewTemplate()
    {
        Fixture fx;
        TTavrelForm driver;
        driver.PreviewTemplate(CurrTemplate); // the last loaded template is what a new one starts from
        const QString path = fx.home.FilePath("new.fr3");
        driver.SaveEmptyLayout(path, 230, 130);

        TTavrelForm reader;
        QVERIFY(frxLoadFromFile(*reader.frxReport1, path));
        auto *page = qobject_cast<TfrxReportPage *>(reader.frxReport1->Pages(1));
        QVERIFY(page);
        QCOMPARE(page->PaperWidth(), 230.0);
        QCOMPARE(page->PaperHeight(), 130.0);
        QCOMPARE(
            (QList<double>{page->LeftMargin(), page->RightMargin(), page->TopMargin(), page->BottomMargin()}),
            (QList<double>{0, 0, 0, 0}));
        QVERIFY(page->Objects().isEmpty());
        QVERIFY(!page->BackPicturePrintable());
        QVERIFY(QString::fromUtf8(fx.home.Read("new.fr3")).contains("BackPicturePrintable=\"False\""));
        QCOMPARE(reader.frxReport1->DataSetName(), QString("FD"));
    }
};

QTEST_MAIN(TestPrintDriver)
#include "tst_printdriver.moc"

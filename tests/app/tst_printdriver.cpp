// The print driver's runs and previews on a real layout: offsets, print to file, which rows are
// marked and when, a missing layout, a failed build, the preview row ranges and field lists, group
// footers over the order dataset, templates that do not walk the orders, the layout's print options
// that would drop waybills, and the empty layout of a new template.
#include "OrderLayouts.h"
#include "ScriptedUi.h"
#include "TestHome.h"
#include "app/OrderImport.h"
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

// The texts of the memos of every prepared page that start with `prefix`, page after page.
QStringList TextsStartingWith(TfrxReport *report, const QString &prefix)
{
    QStringList texts;
    for (int i = 0; i < report->PreviewPages()->Count(); ++i)
        for (const QString &text : PageTexts(report, i))
            if (text.startsWith(prefix))
                texts << text;
    return texts;
}

// A program folder with the four order columns of OrderLayouts, one template "T" whose layout
// `save` writes, and the given orders imported from an export file as the window imports them.
struct OrderHome {
    TestHome home;
    QString layoutPath;

    OrderHome(const std::function<void(const QString &)> &save, const QList<QStringList> &orders)
    {
        OrderLayouts::WriteSettings(home);
        layoutPath = home.AddTemplate("t1", "T") + "/t.fr3";
        save(layoutPath);
        InitGlobals(home.Path());
        CurrTemplate = TemplateList.value(0);
        CurrHAO = 0;
        CurrVAO = 0;
        ImportOrders(OrderLayouts::WriteExport(home, "orders.csv", orders));
    }
};

// A print option by its name in the layout file, as the file writes it.
QString OptionText(TfrxPrintOptions *options, const QString &name)
{
    const QMetaObject &meta = TfrxPrintOptions::staticMetaObject;
    const QMetaProperty property = meta.property(meta.indexOfProperty(name.toLatin1().constData()));
    const QVariant value = property.readOnGadget(options);
    return property.isEnumType() ? QString::fromLatin1(property.enumerator().valueToKey(value.toInt()))
                                 : value.toString();
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

    // A group footer prints its own group's last record (and its count and sum), in the print
    // run, its rendering and the preview alike; a group of one row included.
    void groupFootersShowTheirOwnGroup_data()
    {
        using OrderLayouts::Footer;
        QTest::addColumn<QList<QStringList>>("orders");
        QTest::addColumn<QStringList>("footers");
        QTest::newRow("eight orders in three groups")
            << OrderLayouts::EightOrders()
            << QStringList{Footer("顺丰", "赵六", 3, 60), Footer("邮政", "孙八", 3, 45), Footer("圆通", "吴十", 2, 15)};
        QTest::newRow("groups of one row")
            << QList<QStringList>{{"1", "顺丰", "张三", "10"}, {"2", "邮政", "李四", "5"}, {"3", "顺丰", "王五", "20"}}
            << QStringList{Footer("顺丰", "张三", 1, 10), Footer("邮政", "李四", 1, 5), Footer("顺丰", "王五", 1, 20)};
        QTest::newRow("one order") << QList<QStringList>{{"1", "圆通", "周九", "7"}}
                                   << QStringList{Footer("圆通", "周九", 1, 7)};
    }

    void groupFootersShowTheirOwnGroup()
    {
        QFETCH(QList<QStringList>, orders);
        QFETCH(QStringList, footers);
        OrderHome fx([](const QString &path) { OrderLayouts::SaveGroupLayout(path); }, orders);
        QCOMPARE(int(OrderRows.size()), int(orders.size()));
        TTavrelForm driver;
        QList<int> marked;
        driver.MarkPrinted = [&](int row) { marked << row; };
        QTemporaryDir out;
        driver.PrintToFile = out.filePath("groups.pdf");
        QVERIFY(driver.PrintAll());
        QCOMPARE(TextsStartingWith(driver.frxReport1, "组尾"), footers);
        QCOMPARE(marked.size(), orders.size());
        QVERIFY(QFile(driver.PrintToFile).size() > 0);

        QVERIFY(driver.BuildRange(0, int(orders.size())));
        QCOMPARE(TextsStartingWith(driver.frxReport1, "组尾"), footers);
        driver.PreviewTemplate(CurrTemplate);
        QCOMPARE(TextsStartingWith(driver.frxReport1, "组尾"), footers);
    }

    void groupsOnBadInput()
    {
        ScriptedUi ui;
        { // A condition that fails on every row: the engine names the group, nothing prints.
            OrderHome fx([](const QString &path) { OrderLayouts::SaveGroupLayout(path, "StrToInt(<FD.\"收件人\">)"); },
                         OrderLayouts::EightOrders());
            TTavrelForm driver;
            QList<int> marked;
            driver.MarkPrinted = [&](int row) { marked << row; };
            driver.PrintToFile = fx.home.FilePath("never.pdf");
            QVERIFY(!driver.PrintAll());
            QVERIFY2(ui.LastText().contains("GroupHeader1"), qPrintable(ui.LastText()));
            QVERIFY(marked.isEmpty());
            QVERIFY(!QFile::exists(driver.PrintToFile));
        }
        // An empty export and one of only the header: no orders; the preview shows the field names once.
        for (const QByteArray &bytes : {QByteArray(), QStringLiteral("订单编号,方式,收件人,金额\r\n").toUtf8()}) {
            OrderHome fx([](const QString &path) { OrderLayouts::SaveGroupLayout(path); }, {});
            ImportOrders(fx.home.Write("orders.csv", bytes));
            QVERIFY(OrderRows.empty());
            TTavrelForm driver;
            driver.PreviewTemplate(CurrTemplate);
            QCOMPARE(driver.frxReport1->PreviewPages()->Count(), 1);
            QCOMPARE(TextsStartingWith(driver.frxReport1, "组头"), QStringList({"组头 方式"}));
        }
    }

    // A template that prints order fields but walks nothing would give every order the same
    // waybill: print and preview refuse it before anything is built. Walking the orders on the
    // page, or printing no order field at all, is fine.
    void templatesThatDoNotWalkTheOrders_data()
    {
        QTest::addColumn<int>("walk");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pages"); // of three orders; 0: refused
        QTest::newRow("report walks FD") << int(OrderLayouts::Walk::Report) << "[FD.\"收件人\"]" << 3;
        QTest::newRow("page walks FD") << int(OrderLayouts::Walk::Page) << "[FD.\"收件人\"]" << 3;
        QTest::newRow("nothing walks FD") << int(OrderLayouts::Walk::None) << "[FD.\"收件人\"]" << 0;
        QTest::newRow("in an expression") << int(OrderLayouts::Walk::None) << "[Trim(<fd.\"收件人\">)]" << 0;
        QTest::newRow("fixed label") << int(OrderLayouts::Walk::None) << "易碎品 轻放" << 1;
    }

    void templatesThatDoNotWalkTheOrders()
    {
        QFETCH(int, walk);
        QFETCH(QString, text);
        QFETCH(int, pages);
        const QList<QStringList> orders{{"1", "顺丰", "张三", "10"}, {"2", "顺丰", "王五", "20"}, {"3", "邮政", "李四", "5"}};
        OrderHome fx([&](const QString &path) { OrderLayouts::SaveWaybillLayout(path, OrderLayouts::Walk(walk), text); },
                     orders);
        TTavrelForm driver;
        QList<int> marked;
        driver.MarkPrinted = [&](int row) { marked << row; };
        driver.PrintToFile = fx.home.FilePath("out.pdf");
        if (pages == 0) {
            for (const std::function<void()> &command : std::initializer_list<std::function<void()>>{
                     [&] { driver.PrintAll(); }, [&] { driver.PrintOne(1); }, [&] { driver.BuildRange(1, 1); },
                     [&] { driver.PreviewOne(CurrTemplate, 1); }, [&] { driver.PreviewTemplate(CurrTemplate); }}) {
                try {
                    command();
                    QFAIL("a template that does not walk the orders must be refused");
                } catch (const EOrdersNotWalked &e) {
                    QVERIFY2(e.Message().contains("FD") && e.Message().contains("模板"), qPrintable(e.Message()));
                }
                QCOMPARE(driver.PrintRunning, 0);
            }
            QVERIFY(marked.isEmpty());
            QVERIFY(!QFile::exists(driver.PrintToFile));
            QVERIFY(driver.frxReport1->PreviewPages()->Count() == 0);
            return;
        }
        QVERIFY(driver.OrdersNotWalkedProblem().isEmpty());
        QVERIFY(driver.PrintAll());
        QCOMPARE(driver.frxReport1->PreviewPages()->Count(), pages);
        // A fixed label walks no order: it prints once and marks none, as it always did.
        QCOMPARE(marked, pages == 1 ? QList<int>() : QList<int>({0, 1, 2}));
        if (pages == 3)
            QCOMPARE(PageTexts(driver.frxReport1, 2), QStringList({"李四"}));
    }

    // The layout's print options may select pages, odd or even pages, copies or a split or join
    // mode: a run prints each page it built once, and the layout file keeps its options.
    void printOptionsOfTheLayoutDropNoWaybill_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("value");
        QTest::newRow("page numbers 1") << "PageNumbers" << "1";
        QTest::newRow("odd pages") << "PrintPages" << "ppOdd";
        QTest::newRow("even pages") << "PrintPages" << "ppEven";
        QTest::newRow("three copies") << "Copies" << "3";
        QTest::newRow("split") << "PrintMode" << "pmSplit";
    }

    void printOptionsOfTheLayoutDropNoWaybill()
    {
        QFETCH(QString, option);
        QFETCH(QString, value);
        OrderHome fx(
            [&](const QString &path) {
                OrderLayouts::SaveWaybillLayout(path, OrderLayouts::Walk::Report);
                // As a layout file sets it (without collation, where copies would come page by page).
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly));
                QByteArray xml = file.readAll();
                file.close();
                QVERIFY(xml.contains("<TfrxReport "));
                xml.replace("<TfrxReport ", QStringLiteral("<TfrxReport PrintOptions.Collate=\"False\" PrintOptions.%1=\"%2\" ")
                                                .arg(option, value)
                                                .toUtf8());
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                file.write(xml);
            },
            OrderLayouts::EightOrders());
        TTavrelForm driver;
        QList<int> marked;
        driver.MarkPrinted = [&](int row) { marked << row; };
        int drawn = 0;
        driver.frxReport1->OnPrintPage = [&](TfrxReportPage *, int) { ++drawn; };
        driver.PrintToFile = fx.home.FilePath("out.pdf");
        QVERIFY(driver.PrintAll());
        QCOMPARE(drawn, 8);
        QCOMPARE(marked, QList<int>({0, 1, 2, 3, 4, 5, 6, 7}));
        // The layout's own options are back on the report after the run.
        QCOMPARE(OptionText(driver.frxReport1->PrintOptions(), option), value);
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

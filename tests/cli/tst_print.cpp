// Headless printing end to end: the demo orders on a ready template, to PDF and to a queue of the
// test run's own print server, checked with poppler where each receiver landed on its page.
#include "CliRun.h"
#include "OrderLayouts.h"
#include "TestHome.h"
#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "cli/CliCommands.h"
#include "platform/CodePage.h"
#include "engine/print/frxPrinter.h"
#include "report/model/frxClass.h"
#include "report/io/frxSerializeReport.h"
#include "tests/support/CupsTools.h"

#include <QImage>
#include <QStringDecoder>
#include <QTest>

#include <algorithm>
#include <functional>

namespace {

const double PxPerMm = 96.0 / 25.4;

// The text of a PDF, blanks run together.
QString PdfText(const QString &pdf)
{
    QString text;
    CupsTools::Run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, &text);
    return text.simplified();
}

QStringList PrintedLines(int first, int last)
{
    QStringList lines;
    for (int k = first; k <= last; ++k)
        lines << QStringLiteral("printed %1").arg(k);
    return lines;
}

// A program folder with the four order columns of OrderLayouts and one template (index 0).
struct OrderHome {
    TestHome home;
    QString layout;
    OrderHome()
    {
        OrderLayouts::WriteSettings(home);
        layout = home.AddTemplate("t1", "T") + "/t.fr3";
    }
    QString Export(const QList<QStringList> &rows) const { return OrderLayouts::WriteExport(home, "orders.csv", rows); }
    Result Print(const QString &orders, const QStringList &more) const
    {
        return RunCli(QStringList{"--home", home.Path(), "print", "--orders", orders, "--template", "0"} + more);
    }
};

} // namespace

class TestPrint : public QObject {
    Q_OBJECT

    TestHome m_home;
    QString m_orders;
    // Where the receiver's name sits on the ready template's paper, in mm (offsets excluded).
    double m_nameX = 0, m_nameY = 0;

    QString Data(const QString &relative) const
    {
        return QStringLiteral(WAYBILL_SOURCE_DIR "/data/") + relative;
    }

    // Every page k of the PDF holds the receiver of order row `first` + k − 1 where the layout puts it.
    void CheckReceivers(const QString &pdf, int first, int pages, double dx, double dy)
    {
        QCOMPARE(CupsTools::PageSizes(pdf).size(), pages);
        for (int k = 1; k <= pages; ++k) {
            const QString name = OrderRows[size_t(first + k - 1)].LookupValue("C13");
            const QList<CupsTools::Word> words = CupsTools::Words(pdf, k);
            auto it = std::find_if(words.begin(), words.end(),
                                   [&](const CupsTools::Word &w) { return w.Text == name; });
            QVERIFY2(it != words.end(), qPrintable(QStringLiteral("page %1 lacks %2").arg(k).arg(name)));
            QVERIFY2(std::abs(it->XMin - (m_nameX + dx)) <= 0.5 && std::abs(it->YMin - (m_nameY + dy)) <= 0.5,
                     qPrintable(QStringLiteral("page %1: %2 at %3, %4 mm; expected %5, %6")
                                    .arg(k)
                                    .arg(name)
                                    .arg(it->XMin)
                                    .arg(it->YMin)
                                    .arg(m_nameX + dx)
                                    .arg(m_nameY + dy)));
        }
    }

    // The receiver's memo of a ready template, read from its layout.
    void ReceiverPosition(int templateIndex)
    {
        InitGlobals(m_home.Path());
        TfrxReport report;
        QVERIFY(frxLoadFromFile(report, TemplateList[templateIndex]->LayoutPath()));
        auto *memo = qobject_cast<TfrxMemoView *>(report.FindObject("ReceiverName"));
        QVERIFY(memo);
        m_nameX = (memo->Left() + memo->GapX()) / PxPerMm;
        m_nameY = (memo->Top() + memo->GapY()) / PxPerMm;
    }

private slots:
    void initTestCase()
    {
        CopyTree(Data("config"), m_home.FilePath("config"));
        CopyTree(Data("template"), m_home.FilePath("template"));
        m_orders = Data("orders/demo-orders.csv");

        InitGlobals(m_home.Path());
        QCOMPARE(TemplateList.size(), 3);
        ReceiverPosition(0);
    }

    void guardsSayWhatTheWindowSays_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no template") << QStringList{"--orders", "ORDERS", "--pdf", "x.pdf"}
                                     << "请选择打印模板!";
        QTest::newRow("unknown template")
            << QStringList{"--orders", "ORDERS", "--template", "9", "--pdf", "x.pdf"} << "请选择打印模板!";
        QTest::newRow("no printer") << QStringList{"--orders", "ORDERS", "--template", "0"}
                                    << "请选择打印机!";
        QTest::newRow("printer not installed")
            << QStringList{"--orders", "ORDERS", "--template", "0", "--printer", "NoSuchQueue"}
            << "打印机不存在: NoSuchQueue";
        QTest::newRow("no orders") << QStringList{"--template", "0", "--pdf", "x.pdf"}
                                   << "请导入淘宝订单数据!";
    }

    void guardsSayWhatTheWindowSays()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        args.replaceInStrings("ORDERS", m_orders);
        OrderRows.clear();
        const Result r = RunCli(QStringList{"--home", m_home.Path(), "print"} + args);
        QCOMPARE(r.Code, 2);
        QCOMPARE(r.Err.trimmed(), message);
        QVERIFY(r.Out.isEmpty());
    }

    // The command line starts the engine layer as the window does: a new report page takes the
    // current printer's paper (US Letter on "Margins"), not the placeholder's A4.
    void newPagesTakeTheCurrentPrintersPaper()
    {
        QCOMPARE(RunCli({"--home", m_home.Path(), "templates"}).Code, 0);
        const QString previous = Printers().CurrentPrinter()->Name();
        QVERIFY(Printers().SelectPrinterByName(QStringLiteral("Margins")));
        TfrxReportPage page;
        page.SetDefaults();
        QVERIFY(Printers().SelectPrinterByName(previous));
        QCOMPARE(page.PaperSize(), 1);
        QCOMPARE(page.PaperWidth(), 216.0);
        QCOMPARE(page.PaperHeight(), 279.0);
    }

    void ordersToPdfWithOffsets_data()
    {
        QTest::addColumn<int>("templateIndex");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::newRow("230 x 127, all orders, +5 / -3") << 0 << QString() << 5 << -3;
        QTest::newRow("210 x 140, rows 41-50, -2 / +4") << 1 << QString("41-50") << -2 << 4;
        QTest::newRow("100 x 150, rows 1-10") << 2 << QString("1-10") << 0 << 0;
    }

    void ordersToPdfWithOffsets()
    {
        QFETCH(int, templateIndex);
        QFETCH(QString, rows);
        QFETCH(int, dx);
        QFETCH(int, dy);
        ReceiverPosition(templateIndex);
        QTemporaryDir out;
        const QString pdf = out.filePath("out.pdf");
        QStringList args{"--home",
                         m_home.Path(),
                         "print",
                         "--orders",
                         m_orders,
                         "--template",
                         QString::number(templateIndex),
                         "--pdf",
                         pdf,
                         "--offset-x",
                         QString::number(dx),
                         "--offset-y",
                         QString::number(dy)};
        if (!rows.isEmpty())
            args << "--rows" << rows;
        const Result r = RunCli(args);
        QCOMPARE(r.Code, 0);
        QCOMPARE(int(OrderRows.size()), 50);
        const int first = rows.isEmpty() ? 1 : rows.section('-', 0, 0).toInt();
        const int last = rows.isEmpty() ? 50 : rows.section('-', 1, 1).toInt();
        QStringList expected;
        for (int k = first; k <= last; ++k)
            expected << QStringLiteral("printed %1").arg(k);
        QCOMPARE(r.Out.trimmed().split('\n'), expected);
        CheckReceivers(pdf, first - 1, last - first + 1, dx, dy);
    }

    // The stored offsets are whole millimetres: 5 moves the receiver 5 mm right, -2 two up.
    void storedOffsetsMoveThePrintInMillimetres()
    {
        ReceiverPosition(0);
        const QString ini = m_home.FilePath("config/PRINTER.INI");
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray original = file.readAll();
        file.close();
        QByteArray moved = original;
        moved.replace("VAR_CURR_HAO=0", "VAR_CURR_HAO=5").replace("VAR_CURR_VAO=0", "VAR_CURR_VAO=-2");
        QVERIFY(moved != original);
        m_home.Write("config/PRINTER.INI", moved);
        QTemporaryDir out;
        const QString pdf = out.filePath("stored.pdf");
        const Result r = RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "0",
                                 "--rows", "1-2", "--pdf", pdf});
        m_home.Write("config/PRINTER.INI", original);
        QCOMPARE(r.Code, 0);
        CheckReceivers(pdf, 0, 2, 5, -2);
    }

    void offsetsBeyondTheRangeAreUsageErrors_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("value");
        QTest::newRow("int max") << "--offset-x" << "2147483647";
        QTest::newRow("int min") << "--offset-y" << "-2147483648";
        QTest::newRow("1001") << "--offset-x" << "1001";
        QTest::newRow("not whole") << "--offset-y" << "1.5";
    }

    void offsetsBeyondTheRangeAreUsageErrors()
    {
        QFETCH(QString, option);
        QFETCH(QString, value);
        QTemporaryDir out;
        const Result r = RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "0",
                                 "--pdf", out.filePath("x.pdf"), option, value});
        QCOMPARE(r.Code, 2);
        QVERIFY(r.Out.isEmpty());
        QVERIFY2(r.Err.contains(option) && r.Err.contains("-1000 到 1000"), qPrintable(r.Err));
        QVERIFY(!QFile::exists(out.filePath("x.pdf")));
    }

    void previewWindowPicture_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("pages");
        QTest::newRow("first ten orders") << QStringList{"--orders", "ORDERS", "--page", "3"} << "pages 10";
        QTest::newRow("a range") << QStringList{"--orders", "ORDERS", "--rows", "20-23", "--zoom", "0.5"}
                                 << "pages 4";
        QTest::newRow("no orders: the field names") << QStringList{} << "pages 1";
    }

    void previewWindowPicture()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, pages);
        args.replaceInStrings("ORDERS", m_orders);
        OrderRows.clear();
        QTemporaryDir out;
        const QString png = out.filePath("preview.png");
        const Result r =
            RunCli(QStringList{"--home", m_home.Path(), "preview", "--template", "0", "--png", png} + args);
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out.trimmed(), pages);
        const QImage image(png);
        QCOMPARE(image.size(), QSize(1400, 860));
    }

    void zoomOutsideThePreviewsLimitsIsRefused_data()
    {
        QTest::addColumn<QString>("zoom");
        QTest::addColumn<int>("code");
        QTest::newRow("3,000,000") << "3000000" << 2;
        QTest::newRow("below 10 %") << "0.05" << 2;
        QTest::newRow("no number") << "nan" << 2;
        QTest::newRow("2000 %") << "20" << 0;
        QTest::newRow("10 %") << "0.1" << 0;
    }

    void zoomOutsideThePreviewsLimitsIsRefused()
    {
        QFETCH(QString, zoom);
        QFETCH(int, code);
        QTemporaryDir out;
        const QString png = out.filePath("preview.png");
        const Result r = RunCli({"--home", m_home.Path(), "preview", "--template", "0", "--orders", m_orders,
                                 "--rows", "1-2", "--zoom", zoom, "--png", png});
        QCOMPARE(r.Code, code);
        QCOMPARE(QFileInfo::exists(png), code == 0);
        if (code != 0)
            QVERIFY2(r.Err.contains("0.1 to 20"), qPrintable(r.Err));
    }

    // Receivers in scripts the Chinese fonts lack, and a receiver in a font far too large for any
    // page: the batch prints (to PDF and PNG) and previews, instead of ending with a crash.
    void otherScriptsAndHugeFontsPrint_data()
    {
        QTest::addColumn<QString>("receiver");
        QTest::addColumn<int>("fontHeight");
        QTest::newRow("Hebrew") << "שלום כהן" << -16;
        QTest::newRow("Arabic") << "محمد علي" << -16;
        QTest::newRow("Thai") << "สมชาย ใจดี" << -16;
        QTest::newRow("emoji") << "📦😀 王" << -16;
        QTest::newRow("font height -11,000") << "张三" << -11000;
        QTest::newRow("font height -2,000,000,000") << "张三" << -2000000000;
    }

    void otherScriptsAndHugeFontsPrint()
    {
        QFETCH(QString, receiver);
        QFETCH(int, fontHeight);
        TestHome home;
        CopyTree(Data("config"), home.FilePath("config"));
        CopyTree(Data("template/t20261201090001"), home.FilePath("template/t20261201090001"));
        const QString layout = home.FilePath("template/t20261201090001/20261201090001.fr3");
        QFile file(layout);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString xml = QString::fromUtf8(file.readAll());
        file.close();
        const QString receiverFont = QStringLiteral("Width=\"181.417322834646\" Height=\"22.6771653543307\" "
                                                    "ShowHint=\"False\" Font.Charset=\"1\" Font.Color=\"0\" "
                                                    "Font.Height=\"-16\"");
        QVERIFY(xml.contains(receiverFont));
        xml.replace(receiverFont,
                    QString(receiverFont).replace("\"-16\"", QStringLiteral("\"%1\"").arg(fontHeight)));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(xml.toUtf8());
        file.close();

        // Three orders in UTF-8 with the receiver in column 13.
        QFile demo(m_orders);
        QVERIFY(demo.open(QIODevice::ReadOnly));
        QStringDecoder gb18030("GB18030");
        QByteArray csv = QString(gb18030.decode(demo.readLine())).toUtf8(); // the header
        for (int row = 1; row <= 3; ++row) {
            QStringList fields(30, QStringLiteral("x"));
            fields[12] = receiver;
            fields[13] = receiver + QStringLiteral(" 广东省深圳市 ") + QString::number(row);
            csv += fields.join(',').toUtf8() + "\r\n";
        }
        const QString orders = home.Write("orders.csv", "\xEF\xBB\xBF" + csv);

        QTemporaryDir out;
        const QString pdf = out.filePath("out.pdf");
        Result r =
            RunCli({"--home", home.Path(), "print", "--orders", orders, "--template", "0", "--pdf", pdf});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out.trimmed().split('\n'), QStringList({"printed 1", "printed 2", "printed 3"}));
        QCOMPARE(CupsTools::PageSizes(pdf).size(), 3);
        if (receiver.contains(QStringLiteral("שלום")) || receiver.contains(QStringLiteral("محمد"))) {
            // The letters are text in the PDF (in drawing order: right-to-left words read backwards).
            QString words;
            for (const CupsTools::Word &w : CupsTools::Words(pdf, 1))
                words += w.Text + u' ';
            const QString first = receiver.section(u' ', 0, 0);
            QString backwards = first;
            std::reverse(backwards.begin(), backwards.end());
            QVERIFY2(words.contains(first) || words.contains(backwards), qPrintable(words));
        }
        const QString png = out.filePath("page.png");
        r = RunCli({"--home", home.Path(), "print", "--orders", orders, "--template", "0", "--png", png});
        QCOMPARE(r.Code, 0);
        QVERIFY(!QImage(png).isNull());
        const QString preview = out.filePath("preview.png");
        r = RunCli({"--home", home.Path(), "preview", "--orders", orders, "--template", "0", "--zoom", "20",
                    "--png", preview});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out.trimmed(), QStringLiteral("pages 3"));
        QVERIFY(!QImage(preview).isNull());
    }

    // Group footers over the order export: each shows its own group's last receiver, count and sum.
    void groupFootersOverTheOrders()
    {
        using OrderLayouts::Footer;
        OrderHome fx;
        OrderLayouts::SaveGroupLayout(fx.layout);
        QTemporaryDir out;
        const QString pdf = out.filePath("groups.pdf");
        const Result r = fx.Print(fx.Export(OrderLayouts::EightOrders()), {"--pdf", pdf});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out.trimmed().split('\n'), PrintedLines(1, 8));
        const QString text = PdfText(pdf);
        qsizetype at = 0;
        for (const QString &footer : {Footer("顺丰", "赵六", 3, 60), Footer("邮政", "孙八", 3, 45), Footer("圆通", "吴十", 2, 15)}) {
            const qsizetype found = text.indexOf(footer, at);
            QVERIFY2(found >= 0, qPrintable(QStringLiteral("%1 not after %2 in: %3").arg(footer).arg(at).arg(text)));
            at = found + footer.size();
        }
    }

    void groupsOnBadInput_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QByteArray>("bytes"); // of the export; null: the eight orders
        QTest::addColumn<int>("code");
        QTest::newRow("condition that throws") << "StrToInt(<FD.\"收件人\">)" << QByteArray() << 1;
        QTest::newRow("empty export") << "FD.\"方式\"" << QByteArray("") << 2;
        QTest::newRow("header only") << "FD.\"方式\"" << QStringLiteral("订单编号,方式,收件人,金额\r\n").toUtf8() << 2;
    }

    void groupsOnBadInput()
    {
        QFETCH(QString, condition);
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        OrderHome fx;
        OrderLayouts::SaveGroupLayout(fx.layout, condition);
        const QString orders =
            bytes.isNull() ? fx.Export(OrderLayouts::EightOrders()) : fx.home.Write("orders.csv", bytes);
        QTemporaryDir out;
        const QString pdf = out.filePath("never.pdf");
        const Result r = fx.Print(orders, {"--pdf", pdf});
        QCOMPARE(r.Code, code);
        QVERIFY(r.Out.isEmpty());
        QVERIFY(!QFile::exists(pdf));
        if (code == 2)
            QCOMPARE(r.Err.trimmed(), QStringLiteral("请导入淘宝订单数据!"));
    }

    // A template whose objects print order fields while nothing walks the orders: `layout check`
    // names the fix in one line, print refuses before writing anything. With the page walking the
    // orders, or with no order field at all, it prints.
    void templatesThatDoNotWalkTheOrders()
    {
        const QList<QStringList> orders{{"1", "顺丰", "张三", "10"}, {"2", "邮政", "李四", "5"}};
        QTemporaryDir out;
        const QString pdf = out.filePath("out.pdf");
        {
            OrderHome fx;
            OrderLayouts::SaveWaybillLayout(fx.layout, OrderLayouts::Walk::None);
            const Result check = RunCli({"--home", fx.home.Path(), "layout", "check", fx.layout});
            QCOMPARE(check.Code, 1);
            const QStringList lines = check.Out.trimmed().split('\n');
            QCOMPARE(lines.size(), 1);
            QVERIFY2(lines[0].contains("FD") && lines[0].contains("Report → Data"), qPrintable(lines[0]));
            const Result r = fx.Print(fx.Export(orders), {"--rows", "2-2", "--pdf", pdf});
            QCOMPARE(r.Code, 1);
            QCOMPARE(r.Err.trimmed(), lines[0]);
            QVERIFY(r.Out.isEmpty());
            QVERIFY(!QFile::exists(pdf));
        }
        {
            OrderHome fx;
            OrderLayouts::SaveWaybillLayout(fx.layout, OrderLayouts::Walk::Page);
            QCOMPARE(RunCli({"--home", fx.home.Path(), "layout", "check", fx.layout}).Code, 0);
            const Result r = fx.Print(fx.Export(orders), {"--rows", "2-2", "--pdf", pdf});
            QCOMPARE(r.Code, 0);
            QCOMPARE(r.Out.trimmed(), QStringLiteral("printed 2"));
            QCOMPARE(PdfText(pdf), QStringLiteral("李四"));
        }
        {
            OrderHome fx;
            OrderLayouts::SaveWaybillLayout(fx.layout, OrderLayouts::Walk::None, "易碎品");
            QCOMPARE(RunCli({"--home", fx.home.Path(), "layout", "check", fx.layout}).Code, 0);
            const Result r = fx.Print(fx.Export(orders), {"--pdf", pdf});
            QCOMPARE(r.Code, 0);
            QCOMPARE(CupsTools::PageSizes(pdf).size(), 1);
        }
    }

    // Page selection of the layout (a page list, odd pages) drops no waybill: every page of the
    // batch reaches the file and the queue, and each order is reported once.
    void layoutPageSelectionPrintsEveryWaybill_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("PageNumbers 1") << "PrintOptions.PageNumbers=\"1\"";
        QTest::newRow("odd pages") << "PrintOptions.PrintPages=\"ppOdd\"";
    }

    void layoutPageSelectionPrintsEveryWaybill()
    {
        QFETCH(QString, option);
        OrderHome fx;
        OrderLayouts::SaveWaybillLayout(fx.layout, OrderLayouts::Walk::Report);
        QByteArray xml = fx.home.Read("template/t1/t.fr3");
        QVERIFY(xml.contains("<TfrxReport "));
        fx.home.Write("template/t1/t.fr3", xml.replace("<TfrxReport ", ("<TfrxReport " + option + " ").toUtf8()));
        const QString orders = fx.Export(OrderLayouts::EightOrders().mid(0, 4));
        const QStringList receivers{"张三", "王五", "赵六", "李四"};

        QTemporaryDir out;
        const QString pdf = out.filePath("out.pdf");
        Result r = fx.Print(orders, {"--pdf", pdf});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out.trimmed().split('\n'), PrintedLines(1, 4));
        QCOMPARE(CupsTools::FirstWords(pdf), receivers);

        const CupsTools::NewJobs jobs;
        r = fx.Print(orders, {"--printer", "Capture"});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out.trimmed().split('\n'), PrintedLines(1, 4));
        const QList<int> made = jobs.Ids();
        QCOMPARE(made.size(), 1);
        QVERIFY(!CupsTools::WaitForJob(made.first()).isEmpty());
        QCOMPARE(CupsTools::FirstWords(CupsTools::JobData(made.first())), receivers);
    }

    // An export whose columns changed: moved columns are taken by their names and print right; a
    // removed one refuses the run with the list unless --by-position says to take the positions.
    void aChangedExportIsTakenByNameOrRefused()
    {
        ReceiverPosition(0);
        QTemporaryDir out;
        auto reshaped = [&](const QString &name, const std::function<void(QStringList &)> &edit) {
            QFile demo(m_orders);
            demo.open(QIODevice::ReadOnly);
            QString text;
            for (const QString &line : DecodeLegacy(demo.readAll()).split("\r\n", Qt::SkipEmptyParts)) {
                QStringList fields = SplitOrderLine(line);
                edit(fields);
                for (QString &field : fields)
                    if (field.contains(',') || field.contains('"'))
                        field = '"' + QString(field).replace("\"", "\"\"") + '"';
                text += fields.join(',') + "\r\n";
            }
            return m_home.Write(name, EncodeLegacy(text));
        };
        auto print = [&](const QString &orders, const QString &pdf, const QStringList &more = {}) {
            return RunCli(QStringList{"--home", m_home.Path(), "print", "--orders", orders, "--template", "0", "--rows",
                                      "1-3", "--offset-x", "0", "--offset-y", "0", "--pdf", out.filePath(pdf)} + more);
        };

        // 收货人姓名 (C13) and 收货地址 (C14) change places.
        Result r = print(reshaped("moved.csv", [](QStringList &f) { f.swapItemsAt(12, 13); }), "moved.pdf");
        QCOMPARE(r.Code, 0);
        QCOMPARE(OrderRows[0].LookupValue("C13"), QString("李娜"));
        CheckReceivers(out.filePath("moved.pdf"), 0, 3, 0, 0);

        // 买家会员名 (C2) is gone.
        const QString shifted = reshaped("shifted.csv", [](QStringList &f) { f.removeAt(1); });
        r = print(shifted, "shifted.pdf");
        QCOMPARE(r.Code, 2);
        QVERIFY(r.Out.isEmpty());
        QVERIFY2(r.Err.contains("缺少: 买家会员名") && r.Err.contains("等共 28 列") && r.Err.contains("--by-position"),
                 qPrintable(r.Err));
        QVERIFY(!QFile::exists(out.filePath("shifted.pdf")));
        r = print(shifted, "shifted.pdf", {"--by-position"});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out.trimmed().split('\n').size(), 3);
        QCOMPARE(OrderRows[0].LookupValue("C12"), QString("李娜"));
    }

    void aFullDiskPrintsAndMarksNothing()
    {
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("no /dev/full here");
        const Result r = RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "0",
                                 "--rows", "1-3", "--pdf", "/dev/full"});
        // A device is refused before anything is printed, and never removed or replaced.
        QCOMPARE(r.Code, 2);
        QVERIFY(r.Out.isEmpty());
        QVERIFY2(r.Err.contains("not a regular file"), qPrintable(r.Err));
        QVERIFY(QFileInfo("/dev/full").exists() && !QFileInfo("/dev/full").isFile());
    }

    void rangeToTheQueueAndOnePicture()
    {
        ReceiverPosition(0);
        const CupsTools::NewJobs jobs;
        const Result r = RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "0",
                                 "--rows", "3-5", "--printer", "Capture"});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out.trimmed().split('\n'), QStringList({"printed 3", "printed 4", "printed 5"}));
        // One job, on the queue asked for.
        const QList<PrintSystem::JobState> made = jobs.List();
        QCOMPARE(made.size(), 1);
        QCOMPARE(made.first().Queue, QStringLiteral("Capture"));
        const int jobId = made.first().Id;
        QVERIFY(!CupsTools::WaitForJob(jobId).isEmpty());
        CheckReceivers(CupsTools::JobData(jobId), 2, 3, 0, 0);

        QTemporaryDir out;
        const QString png = out.filePath("page.png");
        const Result p = RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "0",
                                 "--png", png, "--page", "2"});
        QCOMPARE(p.Code, 0);
        const QImage image(png);
        QCOMPARE(image.width(), qRound(230 * 300 / 25.4));
        QCOMPARE(image.height(), qRound(127 * 300 / 25.4));
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"

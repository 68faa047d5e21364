// The order row table, the export's line and field rules, and the import.
#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "TestHome.h"

#include <QTest>

class TestOrders : public QObject {
    Q_OBJECT

    static void UseColumns(int n)
    {
        OrderColumns.clear();
        for (int i = 1; i <= n; ++i)
            OrderColumns.append(TColumn{QStringLiteral("col%1").arg(i), 120, false, i});
    }
    static QStringList Row(size_t r)
    {
        QStringList cells;
        for (int j = 1; j <= OrderColumns.size(); ++j) {
            PHashItem item = OrderRows[r].FindItem(QStringLiteral("C%1").arg(j));
            cells << (item ? OrderRows[r].ItemValue(*item) : QStringLiteral("<absent>"));
        }
        return cells;
    }

private slots:
    void hashKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<quint32>("hash");
        QTest::newRow("empty") << "" << 0u;
        QTest::newRow("C1") << "C1" << ((0x43u << 2) ^ 0x31u);
        QTest::newRow("C12") << "C12" << ((((0x43u << 2) ^ 0x31u) << 2) ^ 0x32u);
        // Seventeen units rotate the first one around: its top bits come back at the bottom.
        QTest::newRow("rotates") << QString(17, QChar(0xFFFF)) << 0x0000FFFFu;
    }
    void hashKey()
    {
        QFETCH(QString, key);
        QFETCH(quint32, hash);
        if (QTest::currentDataTag() == QByteArray("rotates")) {
            quint32 h = 0;
            for (int i = 0; i < 17; ++i)
                h = ((h << 2) | (h >> 30)) ^ 0xFFFFu;
            hash = h;
        }
        QCOMPARE(THashTable(256).HashKey(key), hash);
    }

    void newestValueShadowsAndLookupsAreExact()
    {
        for (int extra : {0, 100}) {   // small tables scan, large ones walk bucket chains
            THashTable t(256);
            for (int i = 0; i < extra; ++i)
                t.PutValue(QStringLiteral("K%1").arg(i), QString::number(i));
            t.PutValue("C1", "a");
            t.PutValue("C1", "b");
            t.PutValue("c1", "lower");
            QCOMPARE(t.LookupValue("C1"), QString("b"));
            QCOMPARE(t.LookupValue("c1"), QString("lower"));
            QCOMPARE(t.LookupValue("C2"), QString());
            QVERIFY(!t.FindItem("C2"));
            if (extra)
                QCOMPARE(t.LookupValue("K42"), QString("42"));
        }
    }

    void fields_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("plain") << "a,b,c" << QStringList({"a", "b", "c"});
        QTest::newRow("empty middle") << "a,,b" << QStringList({"a", "", "b"});
        QTest::newRow("trailing comma") << "a," << QStringList({"a", ""});
        QTest::newRow("leading comma") << ",a" << QStringList({"", "a"});
        QTest::newRow("quoted comma") << "\"x,y\",z" << QStringList({"x,y", "z"});
        // A quote followed by anything but a comma or the line end does not close the field.
        QTest::newRow("text after quote") << "\"ab\"c,d" << QStringList({"ab\"c,d"});
        QTest::newRow("doubled quotes") << "\"say \"\"hi\"\"\",b" << QStringList({"say \"hi\"", "b"});
        QTest::newRow("equals number") << "=\"123\",b" << QStringList({"=\"123\"", "b"});
        QTest::newRow("blanks kept") << "  a , b  " << QStringList({"  a ", " b  "});
        QTest::newRow("lone quote") << "a,\"bc,d" << QStringList({"a", "bc,d"});
        QTest::newRow("empty quoted") << "\"\",x" << QStringList({"", "x"});
        QTest::newRow("empty line") << "" << QStringList();
    }
    void fields()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(SplitOrderLine(line), fields);
    }

    void recordsFromText()
    {
        UseColumns(3);
        // Header, a row, an empty line, a quoted line break (one cell), CR and LF endings, a
        // ragged short row and a long row, and a lone quote that never closes.
        const QString text = "h1,h2,h3\r\n"
                             "1,a,b\r\n"
                             "\r\n"
                             "2,\"line one\r\nline two\",x\n"
                             "3\r"
                             "4,q,r,s,t\n"
                             "5,\"open,never closed\n"
                             "6,z\n";
        OrderRows = ParseOrderText(text, 3);
        QCOMPARE(OrderRows.size(), size_t(7));
        QCOMPARE(Row(0), QStringList({"1", "a", "b"}));
        QCOMPARE(Row(1), QStringList({"<absent>", "<absent>", "<absent>"}));
        QCOMPARE(Row(2), QStringList({"2", "line one\r\nline two", "x"}));
        QCOMPARE(Row(3), QStringList({"3", "<absent>", "<absent>"}));
        QCOMPARE(Row(4), QStringList({"4", "q", "r"}));
        QCOMPARE(Row(5), QStringList({"5", "open,never closed", "<absent>"}));
        QCOMPARE(Row(6), QStringList({"6", "z", "<absent>"}));
        QCOMPARE(OrderRows[0].LookupValue("C4"), QString());
    }

    // A quoted field ends at a quote followed by a comma, a line end or the end of the text; one
    // that does not end properly is cut at its line end, so the orders after it stay orders.
    void quotedFieldsAndLineEnds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<int>>("unclosed");
        QTest::newRow("stray opening quote")
            << "h\n1,\"abc,x\n2,b,c\n3,\"q\",d\n4,e,f\n"
            << QStringList({"1|abc,x", "2|b|c", "3|q|d", "4|e|f"}) << QList<int>{2};
        QTest::newRow("unclosed at the end of the file") << "h\n1,\"abc" << QStringList({"1|abc"}) << QList<int>{2};
        QTest::newRow("line break inside a proper field, then a broken one")
            << "h\n1,\"a\nb\",c\n2,\"x\n3,y\n" << QStringList({"1|a\nb|c", "2|x", "3|y"}) << QList<int>{4};
        QTest::newRow("doubled quotes across lines")
            << "h\r\n1,\"say \"\"hi\"\"\r\nthere\",x\r\n2,y\r\n"
            << QStringList({"1|say \"hi\"\r\nthere|x", "2|y"}) << QList<int>();
        QTest::newRow("quote followed by text")
            << "h\n1,\"ab\"c,d\n2,e\n" << QStringList({"1|ab\"c,d", "2|e"}) << QList<int>{2};
        QTest::newRow("a stray quote keeps the field on its line")
            << "h\n1,\"ab\"c\n2,x\",y\n" << QStringList({"1|ab\"c", "2|x\"|y"}) << QList<int>{2};
        QTest::newRow("CR LF and CR endings")
            << "h\r\n1,\"abc\r\n2,b\r3,\"c\"\r\n" << QStringList({"1|abc", "2|b", "3|c"}) << QList<int>{2};
        QTest::newRow("quote closing at the end of the file") << "h\n1,\"a\nb\"" << QStringList({"1|a\nb"})
                                                              << QList<int>();
    }
    void quotedFieldsAndLineEnds()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, unclosed);
        UseColumns(3);
        QList<int> lines{-1};
        OrderRows = ParseOrderText(text, 3, &lines);
        QStringList got;
        for (size_t r = 0; r < OrderRows.size(); ++r)
            got << Row(r).join('|').remove(QStringLiteral("|<absent>"));
        QCOMPARE(got, rows);
        QCOMPARE(lines, unclosed);
    }

    void unclosedLinesAreNamedInOneWarning()
    {
        QCOMPARE(UnclosedQuoteWarning({2, 9}), QString("第 2、9 行的引号没有正确结束，这些字段已在行末截断，请核对这些订单。"));
        QList<int> many;
        for (int i = 1; i <= 25; ++i)
            many << i;
        QVERIFY(UnclosedQuoteWarning(many).startsWith("第 1、2、3、4、5、6、7、8、9、10、11、12、13、14、15、16、17、18、19、20 等共 25 行的引号"));
    }

    void headerOnlyAndNoColumns()
    {
        UseColumns(2);
        QVERIFY(ParseOrderText(QString("only,a,header\r\n"), 2).empty());
        QVERIFY(ParseOrderText(QString(), 2).empty());
        const auto rows = ParseOrderText(QString("h\na,b\n"), 0);
        QCOMPARE(rows.size(), size_t(1));
        QCOMPARE(rows[0].Count(), 0);
    }

    void importsEveryEncodingToTheSameTexts_data()
    {
        QTest::addColumn<int>("encoding");
        QTest::newRow("gb18030") << int(TextEncoding::Legacy);
        QTest::newRow("utf-8") << int(TextEncoding::Utf8);
        QTest::newRow("utf-8 bom") << int(TextEncoding::Utf8Bom);
        QTest::newRow("utf-16le") << int(TextEncoding::Utf16LE);
        QTest::newRow("utf-16be") << int(TextEncoding::Utf16BE);
    }
    void importsEveryEncodingToTheSameTexts()
    {
        QFETCH(int, encoding);
        UseColumns(3);
        TestHome home;
        const QString text = QString::fromUtf8("订单编号,收货人姓名,收货地址\r\n=\"1001\",张三,浙江省 杭州市\r\n");
        const QString path = home.Write("orders.csv", EncodeText(text, TextEncoding(encoding)));
        ImportOrders(path);
        QCOMPARE(OrderRows.size(), size_t(1));
        QCOMPARE(Row(0), QStringList({"=\"1001\"", "张三", "浙江省 杭州市"}));
    }

    void unreadableFileKeepsTheOrders()
    {
        UseColumns(1);
        OrderRows = ParseOrderText(QString("h\nkept\n"), 1);
        TestHome home;
        for (const QString &path : {home.FilePath("missing.csv"), home.Path()}) {
            try {
                ImportOrders(path);
                QFAIL("no error raised");
            } catch (const EFileError &e) {
                QVERIFY2(e.Message().contains(path), qPrintable(e.Message()));
            }
            QCOMPARE(OrderRows.size(), size_t(1));
            QCOMPARE(OrderRows[0].LookupValue("C1"), QString("kept"));
        }
    }

    void hugeLinesAreData()
    {
        UseColumns(2);
        TestHome home;
        QByteArray bytes("h\r\nab,c\r\n");
        bytes += QByteArray(10 * 1024 * 1024, 'x') + ",end\r\n";
        ImportOrders(home.Write("big.csv", bytes));
        QCOMPARE(OrderRows.size(), size_t(2));
        QCOMPARE(OrderRows[0].LookupValue("C1"), QString("ab"));
        QCOMPARE(OrderRows[1].LookupValue("C1").size(), 10 * 1024 * 1024);
        QCOMPARE(OrderRows[1].LookupValue("C2"), QString("end"));
    }

    // What is not an order export is refused with the reason, before any row is made; the orders
    // already imported stay. Random binary used to import as hundreds of orders, and a missing
    // settings file as orders whose every field printed "null".
    void notAnOrderExport_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("message");
        QByteArray noise(64 * 1024, '\0');
        quint32 seed = 12345;
        for (char &c : noise)
            c = char((seed = seed * 1103515245 + 12345) >> 24);
        QTest::newRow("random bytes") << noise << 2 << "不是文本文件 (binary data with NUL bytes)";
        QTest::newRow("spreadsheet") << QByteArray("PK\x03\x04\x14\0\x06\0\x08\0", 10) << 2
                                     << "不是文本文件 (a ZIP archive or Office document)";
        QTest::newRow("nul bytes in a text") << QByteArray("h\r\na\0b,c\r\n", 10) << 2
                                             << "不是文本文件 (binary data with NUL bytes)";
        QTest::newRow("no order columns") << QByteArray("h\r\na,b\r\n") << 0 << "没有配置订单列";
    }
    void notAnOrderExport()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, columns);
        QFETCH(QString, message);
        UseColumns(1);
        OrderRows = ParseOrderText(QString("h\nkept\n"), 1);
        UseColumns(columns);
        TestHome home;
        try {
            ImportOrders(home.Write("orders.csv", bytes));
            QFAIL("no error raised");
        } catch (const EFileError &e) {
            QVERIFY2(e.Message().contains(message), qPrintable(e.Message()));
        }
        QCOMPARE(OrderRows.size(), size_t(1));
        QCOMPARE(OrderRows[0].LookupValue("C1"), QString("kept"));
    }

    // A UTF-8 export with one damaged byte used to be read as GB18030, every name garbled.
    void aFewBadBytesKeepUtf8AndAreReported()
    {
        UseColumns(2);
        TestHome home;
        QByteArray bytes = QString::fromUtf8("订单编号,收货人姓名\r\n1001,张三\r\n1002,李四\r\n1003,王五\r\n").toUtf8();
        bytes.insert(bytes.indexOf("李四"), '\xFE');
        const QString path = home.Write("orders.csv", bytes);
        QStringList warnings;
        ImportOrders(path, &warnings);
        QCOMPARE(OrderRows.size(), size_t(3));
        QCOMPARE(OrderRows[0].LookupValue("C2"), QString::fromUtf8("张三"));
        QCOMPARE(OrderRows[1].LookupValue("C2"), QString::fromUtf8("\uFFFD李四"));
        QCOMPARE(OrderRows[2].LookupValue("C2"), QString::fromUtf8("王五"));
        QCOMPARE(warnings, QStringList{BadBytesWarning(path, {3})});
        QVERIFY(warnings[0].endsWith(QString::fromUtf8("行: 3")));
    }

    void demoOrdersImport()
    {
        TestHome home;
        QFile::copy(QStringLiteral(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI"), home.FilePath("config/PRINTER.INI"));
        InitGlobals(home.Path());
        QVERIFY(OrderColumns.size() >= 17);
        ImportOrders(QStringLiteral(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv"));
        QCOMPARE(OrderRows.size(), size_t(50));
        int receiver = -1, message = -1;
        for (const TColumn &c : std::as_const(OrderColumns)) {
            if (c.ColName == u"收货人姓名")
                receiver = c.ColIndex;
            if (c.ColName == u"买家留言")
                message = c.ColIndex;
        }
        QVERIFY(receiver > 0 && message > 0);
        for (const THashTable &row : OrderRows)
            QVERIFY(!row.LookupValue(QStringLiteral("C%1").arg(receiver)).isEmpty());
        QVERIFY(OrderRows[3].LookupValue(QStringLiteral("C%1").arg(message)).contains(','));
        QVERIFY(OrderRows[7].LookupValue(QStringLiteral("C%1").arg(message)).contains('\n'));
    }
};

QTEST_GUILESS_MAIN(TestOrders)
#include "tst_orders.moc"

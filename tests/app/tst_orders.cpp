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
        // Values come back as they went in, whether kept in one byte a character or in UTF-16, and
        // a copy holds its own.
        THashTable t(256);
        const QString odd = QString::fromUtf8("caf\xC3\xA9 \xE5\xBC\xA0") + QChar(0xD800) + QChar(0) + QChar(0xFF);
        for (const QString &value : {QString(), QString("plain"), QString(QChar(0xFF)), odd})
            t.PutValue("V", value);
        t.PutValue("L", QString(100000, QChar(0x4E00)));
        const THashTable copy = t;
        t.Clear();
        QCOMPARE(copy.LookupValue("V"), odd);
        QCOMPARE(copy.LookupValue("L"), QString(100000, QChar(0x4E00)));
        QCOMPARE(copy.ItemKey(*copy.FindItem("L")), QString("L"));
        QCOMPARE(t.LookupValue("V"), QString());
    }

    // The quote rule, one line at a time: a quoted text ends at the next single quote and what
    // follows it starts the next field; a quote left open runs to the end of its line.
    void fields_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("plain") << "a,b,c" << QStringList({"a", "b", "c"});
        QTest::newRow("empty middle") << "a,,b" << QStringList({"a", "", "b"});
        QTest::newRow("trailing comma") << "a," << QStringList({"a", ""});
        QTest::newRow("leading comma") << ",a" << QStringList({"", "a"});
        QTest::newRow("quoted comma") << "\"x,y\",z" << QStringList({"x,y", "z"});
        QTest::newRow("text after the closing quote") << "\"ab\"c,d" << QStringList({"ab", "c", "d"});
        QTest::newRow("quote, text, quote") << "\"ab\"c\"d\",e" << QStringList({"ab", "c\"d\"", "e"});
        QTest::newRow("doubled quotes") << "\"say \"\"hi\"\"\",b" << QStringList({"say \"hi\"", "b"});
        QTest::newRow("equals number") << "=\"123\",b" << QStringList({"=\"123\"", "b"});
        QTest::newRow("blanks kept") << "  a , b  " << QStringList({"  a ", " b  "});
        QTest::newRow("never closed") << "a,\"bc,d" << QStringList({"a", "bc,d"});
        QTest::newRow("open after a doubled quote") << "\"ab\"\",c" << QStringList({"ab\",c"});
        QTest::newRow("empty quoted") << "\"\",x" << QStringList({"", "x"});
        QTest::newRow("a field that is four quotes") << "\"\"\"\",x" << QStringList({"\"", "x"});
        QTest::newRow("a line that is one quote") << "\"" << QStringList({""});
        QTest::newRow("three quotes") << "\"\"\"" << QStringList({"\""});
        // A tab-separated export is split by the same rule: only commas separate.
        QTest::newRow("tabs and quotes") << "\"a\"\"b\"\t\"c\"\t1" << QStringList({"a\"b", "\t\"c\"\t1"});
        QTest::newRow("empty line") << "" << QStringList();
    }
    void fields()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(SplitOrderLine(line), fields);
    }

    // Lines are cut first: a quote left open ends at its line end (the line is named), never
    // swallows the orders after it, and a quoted line break cuts the field in two lines. Lines that
    // hold nothing are no orders.
    void linesAndQuotes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<int>>("unclosed");
        QTest::addColumn<int>("blank");
        QTest::newRow("stray opening quote")
            << "h\n1,\"abc,x\n2,b,c\n3,\"q\",d\n4,e,f\n" << QStringList({"1|abc,x", "2|b|c", "3|q|d", "4|e|f"})
            << QList<int>{2} << 0;
        QTest::newRow("unclosed at the end of the file") << "h\n1,\"abc" << QStringList({"1|abc"}) << QList<int>{2} << 0;
        QTest::newRow("a quoted line break cuts the field")
            << "h\n1,\"a\nb\",c\n2,\"x\n3,y\n" << QStringList({"1|a", "b\"|c", "2|x", "3|y"}) << QList<int>{2, 4} << 0;
        QTest::newRow("doubled quotes before a line break")
            << "h\r\n1,\"say \"\"hi\"\"\r\nthere\",x\r\n2,y\r\n" << QStringList({"1|say \"hi\"", "there\"|x", "2|y"})
            << QList<int>{2} << 0;
        QTest::newRow("text after the closing quote") << "h\n1,\"ab\"c,d\n2,e\n" << QStringList({"1|ab|c|d", "2|e"})
                                                      << QList<int>() << 0;
        QTest::newRow("CR LF and CR endings")
            << "h\r\n1,\"abc\r\n2,b\r3,\"c\"\r\n" << QStringList({"1|abc", "2|b", "3|c"}) << QList<int>{2} << 0;
        QTest::newRow("ragged rows") << "h\n1\n2,q,r,s,t,u\n" << QStringList({"1", "2|q|r|s"}) << QList<int>() << 0;
        QTest::newRow("blank, whitespace and separator-only lines")
            << "h\n\n1,a\n   \n,,,\n\t,\xE3\x80\x80\n\"\",\"\"\n2,b\n\n" << QStringList({"1|a", "2|b"}) << QList<int>() << 6;
        QTest::newRow("a line that is one quote") << "h\n1,a\n\"\n2,b\n" << QStringList({"1|a", "2|b"}) << QList<int>() << 1;
        QTest::newRow("a field that is four quotes") << "h\n\"\"\"\",x\n" << QStringList({"\"|x"}) << QList<int>() << 0;
        QTest::newRow("only bytes that were not text") << "h\n1,a\n\xEF\xBF\xBD\n" << QStringList({"1|a"})
                                                       << QList<int>() << 1;
        QTest::newRow("empty export") << "" << QStringList() << QList<int>() << 0;
        QTest::newRow("header only") << "only,a,header\r\n" << QStringList() << QList<int>() << 0;
    }
    void linesAndQuotes()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, unclosed);
        QFETCH(int, blank);
        UseColumns(4);
        QList<int> lines{-1};
        int blankLines = -1;
        OrderRows = ParseOrderText(text, 4, &lines, &blankLines);
        QStringList got;
        for (size_t r = 0; r < OrderRows.size(); ++r)
            got << Row(r).join('|').remove(QStringLiteral("|<absent>"));
        QCOMPARE(got, rows);
        QCOMPARE(lines, unclosed);
        QCOMPARE(blankLines, blank);
        // Fed in pieces that end anywhere (a CR LF split between two included), the text gives the same.
        for (int size : {1, 2, 3, 7}) {
            TOrderImport report;
            TOrderParser parser(QStringList(4), report, {});
            for (qsizetype at = 0; at < text.size(); at += size)
                parser.Feed(QStringView(text).mid(at, size));
            parser.Finish();
            QCOMPARE(parser.Rows().size(), size_t(rows.size()));
            QCOMPARE(report.UnclosedLines, unclosed);
            QCOMPARE(report.BlankLines, blank);
            for (size_t r = 0; r < parser.Rows().size(); ++r)
                QCOMPARE(parser.Rows()[r].LookupValue("C2"), OrderRows[r].LookupValue("C2"));
        }
    }

    void unclosedLinesAreNamedInOneWarning()
    {
        QCOMPARE(UnclosedQuoteWarning({2, 9}), QString("第 2、9 行的引号没有正确结束，这些字段已在行末截断，请核对这些订单。"));
        QList<int> many;
        for (int i = 1; i <= 25; ++i)
            many << i;
        QVERIFY(UnclosedQuoteWarning(many).startsWith("第 1、2、3、4、5、6、7、8、9、10、11、12、13、14、15、16、17、18、19、20 等共 25 行的引号"));
    }

    void noColumns()
    {
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
        QTest::newRow("utf-32le") << int(TextEncoding::Utf32LE);
        QTest::newRow("utf-32be") << int(TextEncoding::Utf32BE);
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
        const QStringList warnings = ImportOrders(path).Warnings;
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
        const TOrderImport result = ImportOrders(QStringLiteral(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv"));
        QCOMPARE(OrderRows.size(), size_t(50));
        QVERIFY(result.ByName);
        QVERIFY(result.Columns.Moved.isEmpty());
        QCOMPARE(result.BlankLines, 0);
        QVERIFY(result.UnclosedLines.isEmpty());
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
    }

    // The header against the configured names: all of them map by name wherever they stand, none
    // keeps the positions, some asks (and without anyone to ask, refuses with the list).
    void headerDecidesHowColumnsAreTaken_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("choice");   // the answer when asked, -1 when no one is asked
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("asked");
        const QByteArray data = "1001,张三,杭州,138\r\n1002,李四,北京,139\r\n";
        QTest::newRow("every name, in place") << "订单编号,收货人姓名,收货地址,联系手机\r\n" + data << -1
                                              << QStringList({"1001|张三|杭州|138", "1002|李四|北京|139"}) << QString();
        QTest::newRow("every name, moved and blanks around")
            << QByteArray("收货人姓名, 订单编号 ,联系手机,收货地址,多余\r\n张三,1001,138,杭州,x\r\n") << -1
            << QStringList({"1001|张三|杭州|138"}) << QString();
        QTest::newRow("no name") << "a,b,c,d\r\n" + data << -1 << QStringList({"1001|张三|杭州|138", "1002|李四|北京|139"})
                                 << QString();
        const QByteArray shifted = "订单编号,收货地址,联系手机\r\n1001,杭州,138\r\n";
        const QString asked = "缺少: 收货人姓名\n位置不同: 收货地址 (表头第 2 列，设置为第 3 列)、联系手机 (表头第 3 列，设置为第 4 列)";
        QTest::newRow("some names, by name") << shifted << int(TColumnChoice::ByName) << QStringList({"1001|<absent>|杭州|138"})
                                             << asked;
        QTest::newRow("some names, by position") << shifted << int(TColumnChoice::ByPosition)
                                                 << QStringList({"1001|杭州|138|<absent>"}) << asked;
        QTest::newRow("some names, cancelled") << shifted << int(TColumnChoice::Cancel) << QStringList({"kept"}) << asked;
    }
    void headerDecidesHowColumnsAreTaken()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, choice);
        QFETCH(QStringList, rows);
        QFETCH(QString, asked);
        UseColumns(1);
        OrderRows = ParseOrderText(QString("h\nkept\n"), 1);
        OrderColumns.clear();
        for (const char *name : {"订单编号", "收货人姓名", "收货地址", "联系手机"})
            OrderColumns.append(TColumn{QString::fromUtf8(name), 120, false, int(OrderColumns.size()) + 1});
        TestHome home;
        const QString path = home.Write("orders.csv", EncodeText(QString::fromUtf8(file), TextEncoding::Legacy));
        QString question;
        const TOrderImport result = ImportOrders(path, [&](const TColumnMatch &match) {
            question = match.Text();
            return TColumnChoice(choice);
        });
        QCOMPARE(!question.isEmpty(), !asked.isEmpty());
        QVERIFY2(question.endsWith(asked), qPrintable(question));
        QCOMPARE(result.Cancelled, choice == int(TColumnChoice::Cancel));
        QStringList got;
        for (size_t r = 0; r < OrderRows.size(); ++r)
            got << (result.Cancelled ? OrderRows[r].LookupValue("C1") : Row(r).join('|'));
        QCOMPARE(got, rows);
        if (!asked.isEmpty()) {
            try {
                ImportOrders(path);
                QFAIL("a header with some of the names was taken without asking");
            } catch (const EFileError &e) {
                QVERIFY2(e.Message().contains("缺少: 收货人姓名"), qPrintable(e.Message()));
            }
        }
    }

    // Lines that are no orders, read from files: a UTF-8 export whose last byte is broken, an
    // empty file, a header alone; and a tab-separated UTF-16 export split by the comma rule.
    void exportsThatAreNotQuiteOrders()
    {
        UseColumns(2);
        TestHome home;
        QByteArray broken = QString::fromUtf8("订单编号,收货人姓名\r\n1001,张三\r\n1002,李四\r\n").toUtf8() + "\xE5";
        TOrderImport result = ImportOrders(home.Write("broken.csv", broken));
        QCOMPARE(OrderRows.size(), size_t(2));
        QCOMPARE(result.BlankLines, 1);
        QCOMPARE(result.Summary(), QString("读入 2 条订单，跳过 1 个空行"));
        QCOMPARE(result.Warnings.size(), 1);

        for (const QByteArray &bytes : {QByteArray(), QByteArray("订单编号,收货人姓名\r\n")}) {
            result = ImportOrders(home.Write("empty.csv", bytes));
            QCOMPARE(OrderRows.size(), size_t(0));
            QCOMPARE(result.Summary(), QString("读入 0 条订单"));
        }

        const QString tabbed = QString::fromUtf8("\"订单编号\"\t\"买家留言\"\r\n\"1001\"\t\"说\"\"好的\"\"\"\r\n\r\n");
        result = ImportOrders(home.Write("tabs.csv", EncodeText(tabbed, TextEncoding::Utf16LE)));
        QCOMPARE(OrderRows.size(), size_t(1));
        QCOMPARE(Row(0), QStringList({"1001", QString::fromUtf8("\t\"说\"\"好的\"\"\"")}));
        QCOMPARE(result.BlankLines, 1);
    }
};

QTEST_GUILESS_MAIN(TestOrders)
#include "tst_orders.moc"

// waybill-cli's order and template listings, and its errors.
#include "cli/CliCommands.h"
#include "TestHome.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

class TestCli : public QObject {
    Q_OBJECT

    static int Run(const QStringList &args, QString *out, QString *err)
    {
        QTextStream o(out), e(err);
        const int code = Cli::Run(args, o, e);
        o.flush();
        e.flush();
        return code;
    }

private slots:
    void ordersPrintOneObjectPerRowWithOnlyItsKeys()
    {
        TestHome home;
        home.Write("config/PRINTER.INI", "[OrderColumn]\r\nC_1=订单编号\r\nC_2=收货人\r\nC_3=留言\r\n");
        const QString csv = home.Write("o.csv", QString("订单编号,收货人,留言\r\n=\"1\",张三,\"a \"\"b\"\"\r\nc\"\r\n2\r\n").toUtf8());
        QString out, err;
        QCOMPARE(Run({"--home", home.Path(), "orders", csv}, &out, &err), 0);
        // Lines are cut first: the quoted line break ends the third cell at its line, which is named.
        const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[1], QString("{\"row\": 1, \"C1\": \"c\\\"\"}"));
        QCOMPARE(lines[2], QString("{\"row\": 2, \"C1\": \"2\"}"));
        const QJsonObject first = QJsonDocument::fromJson(lines[0].toUtf8()).object();
        QCOMPARE(first.value("row").toInt(), 0);
        QCOMPARE(first.value("C1").toString(), QString("=\"1\""));
        QCOMPARE(first.value("C3").toString(), QString("a \"b\""));
        QVERIFY(lines[0].indexOf("\"C1\"") < lines[0].indexOf("\"C2\""));
        QVERIFY2(err.contains("第 2 行的引号没有正确结束"), qPrintable(err));

        // A quote that never closes is cut at its line end, and its line is named on stderr.
        const QString broken = home.Write("b.csv", "h\n1,\"abc,x\n2,b,c\n3,\"q\",d\n4,\"e\n");
        out.clear();
        err.clear();
        QCOMPARE(Run({"--home", home.Path(), "orders", broken}, &out, &err), 0);
        QCOMPARE(out.count('\n'), 4);
        QVERIFY(out.contains("\"C2\": \"abc,x\""));
        QCOMPARE(err, QString("waybill-cli: 第 2、5 行的引号没有正确结束，这些字段已在行末截断，请核对这些订单。\n"));
    }

    void templatesAreListedWithTheirLayoutPaths()
    {
        TestHome home;
        home.AddTemplate("t20140312093015", "圆通", "20140312093015.fr3");
        QString out, err;
        QCOMPARE(Run({"--home", home.Path(), "templates"}, &out, &err), 0);
        QCOMPARE(out, QString("0\t圆通\t%1\n").arg(home.FilePath("template/t20140312093015/20140312093015.fr3")));
    }

    void errorsGoToStderrWithStatus2_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no command") << QStringList();
        QTest::newRow("unknown") << QStringList({"frobnicate"});
        QTest::newRow("missing file") << QStringList({"orders", "/nonexistent/orders.csv"});
        QTest::newRow("orders without file") << QStringList({"orders"});
    }
    void errorsGoToStderrWithStatus2()
    {
        QFETCH(QStringList, args);
        TestHome home;
        QString out, err;
        QCOMPARE(Run(QStringList({"--home", home.Path()}) + args, &out, &err), 2);
        QVERIFY(out.isEmpty());
        QVERIFY(!err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

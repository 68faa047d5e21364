// waybill-cli auto-print --once: one run of the timed mode against a web server of the test's own,
// printing to PDF. Also what a download must be to be taken, the secrets it handles, and what an
// interrupt or a killed run leaves.
#include "LocalHttpServer.h"
#include "CliRun.h"
#include "TestHome.h"
#include "app/AutoPrint.h"
#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "app/journal/PrintJournal.h"
#include "cli/CliCommands.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"
#include "tests/support/CupsTools.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/stat.h>

namespace {

int Mode(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

// What lies in a folder besides the named files (left-over temporary files).
QStringList Others(const QString &folder, const QStringList &expected)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : expected)
        names.removeAll(name);
    return names;
}

// An answer as it goes on the wire, the connection closed after it.
QByteArray Wire(const QByteArray &head, const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\n" + head + "Connection: close\r\n\r\n" + body;
}

QByteArray Chunked(const QByteArray &body, bool end)
{
    QByteArray text = QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n";
    return end ? text + "0\r\n\r\n" : text;
}

} // namespace

class TestAutoPrintCli : public QObject {
    Q_OBJECT

    TestHome m_home;
    LocalHttpServer m_server;
    QList<QByteArray> m_lines; // the demo export, header first
    QByteArray m_served;
    std::optional<LocalHttpServer::Response> m_answer; // what /orders.csv answers instead
    QByteArray m_settings;                             // PRINTER.INI as the suite starts

    QString Config(const QString &name) const { return m_home.FilePath("config/" + name); }
    void SetAuto(const QByteArray &lines)
    {
        m_home.Write("config/PRINTER.INI", m_settings + lines);
    }

    QByteArray Export(const QList<int> &orders) const
    {
        QByteArray text = m_lines[0] + "\n";
        for (int o : orders)
            text += m_lines[o + 1] + "\n";
        return text;
    }

    Result Run(const QString &pdf, const QStringList &extra = {})
    {
        return RunCli(
            QStringList{"--home", m_home.Path(), "auto-print", "--once", "--template", "0", "--pdf", pdf} +
            extra);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.Listen());
        m_server.Handler = [this](const LocalHttpServer::Request &r) {
            if (r.Path == "/orders.csv" && m_answer)
                return *m_answer;
            LocalHttpServer::Response answer;
            answer.Body = r.Path == "/orders.csv" ? m_served : QByteArray("ok");
            return answer;
        };
        // The test's server speaks plain http.
        m_settings = ReadFile(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI") + "\r\n[AUTO]\r\nORDER_URL=" +
                     m_server.Url("/orders.csv").toUtf8() + "\r\nLOGIN_URL=" + m_server.Url("/login").toUtf8() +
                     "\r\nALLOW_HTTP=1\r\nTIMEOUT=3\r\n";
        SetAuto("");
        const QString folder = "template/t20261201090002";
        for (const char *name : {"CFG.INI", "20261201090002.fr3"})
            m_home.Write(folder + "/" + name,
                         ReadFile(QStringLiteral(WAYBILL_SOURCE_DIR "/data/") + folder + "/" + name));
        for (QByteArray line : ReadFile(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv").split('\n'))
            if (!line.trimmed().isEmpty())
                m_lines << line.replace("\r", "");
    }

    void printsWhatIsNewOnce()
    {
        QTemporaryDir out;
        m_served = Export({0, 1, 2});
        Result r = Run(out.filePath("a.pdf"));
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QString("printed 1\nprinted 2\nprinted 3\n"));
        // Only the warning about the plain-http login.
        QVERIFY2(r.Err.count('\n') == 1 && r.Err.contains("ALLOW_HTTP=1"), qPrintable(r.Err));
        QCOMPARE(CupsTools::PageSizes(out.filePath("a.pdf")).size(), 3);
        // Buyers' names, phones and addresses are for the seller alone.
        QCOMPARE(Mode(Config("auto-orders.csv")), 0600);
        QCOMPARE(m_server.RequestsFor("/login").size(), 1);

        // Nothing new: no lines, exit 0, nothing written.
        r = Run(out.filePath("b.pdf"));
        QCOMPARE(r.Code, 0);
        QVERIFY(r.Out.isEmpty());
        QVERIFY(!QFile::exists(out.filePath("b.pdf")));

        // A new second order alone.
        m_served = Export({0, 5, 1, 2});
        r = Run(out.filePath("c.pdf"));
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QString("printed 2\n"));
        QCOMPARE(CupsTools::PageSizes(out.filePath("c.pdf")).size(), 1);
    }

    // A layout's script that never ends stops after --script-timeout, naming its line; the new
    // orders are neither printed nor remembered as printed.
    void endlessScriptStopsAfterTheLimit()
    {
        TfrxReport report;
        QVERIFY(frxLoadFromFile(report, WAYBILL_SOURCE_DIR "/data/template/t20261201090002/20261201090002.fr3"));
        report.SetScriptText({"begin", "  while true do;", "end."});
        const QString folder = m_home.AddTemplate("endless", "endless");
        frxSaveToFile(report, folder + "/t.fr3");
        QTemporaryDir out;
        m_served = Export({10, 11});
        const QStringList args{"--home", m_home.Path(), "auto-print", "--once", "--template", "endless",
                               "--pdf", out.filePath("x.pdf"), "--script-timeout", "1"};
        QElapsedTimer clock;
        clock.start();
        const Result r = RunCli(args);
        QVERIFY(clock.elapsed() < 15000);
        QCOMPARE(r.Code, 1);
        QVERIFY(r.Out.isEmpty());
        QVERIFY2(r.Err.contains("the layout's script ran longer than 1 s for one page and was stopped at line 2"),
                 qPrintable(r.Err));
        QVERIFY(!QFileInfo::exists(out.filePath("x.pdf")));
        QVERIFY(QDir(folder).removeRecursively());
        // Still new for the next run.
        const Result again = Run(out.filePath("y.pdf"));
        QCOMPARE(again.Code, 0);
        QCOMPARE(again.Out, QString("printed 1\nprinted 2\n"));
    }

    // The old text record of the timed mode is taken into the journal once and not written again;
    // an order it knew stays printed when its status changes, and an order twice in one file prints
    // once.
    void oldRecordTakenOverOnce()
    {
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(m_home.FilePath(QStringLiteral("config/print-journal.db") + suffix));
        QTemporaryDir out;
        m_served = Export({10, 11, 12});
        InitGlobals(m_home.Path());
        ImportOrders(m_home.Write("orders/old.csv", m_served));
        const QByteArray record = TPrintedOrders::Key(OrderRows[0]) + '\n' + TPrintedOrders::Key(OrderRows[1]) + '\n';
        m_home.Write("config/auto-printed.txt", record);

        Result r = Run(out.filePath("a.pdf"));
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QString("printed 3\n"));
        QCOMPARE(m_home.Read("config/auto-printed.txt"), record);

        // Order 11 with another status, order 12 twice: nothing new.
        const QString line = QStringDecoder("GB18030")(m_lines[12]);
        QVERIFY(line.contains("卖家已发货，等待买家确认"));
        QByteArray changed = m_lines[0] + "\n" + m_lines[11] + "\n" +
                             QStringEncoder("GB18030")(QString(line).replace("卖家已发货，等待买家确认", "交易成功")) + "\n" +
                             m_lines[13] + "\n" + m_lines[13] + "\n";
        m_served = changed;
        r = Run(out.filePath("b.pdf"));
        QCOMPARE(r.Code, 0);
        QVERIFY2(r.Out.isEmpty(), qPrintable(r.Out));

        // The record is not read a second time: emptied, it changes nothing.
        m_home.Write("config/auto-printed.txt", "");
        m_served = Export({13, 14, 14});
        r = Run(out.filePath("c.pdf"));
        QCOMPARE(r.Out, QString("printed 1\nprinted 2\n"));
        QCOMPARE(CupsTools::PageSizes(out.filePath("c.pdf")).size(), 2);
        QCOMPARE(Journal::Database(m_home.FilePath("config/print-journal.db")).Entries({}).size(), 5);
    }

    void failuresAndUsage()
    {
        QTemporaryDir out;
        const QString url = m_server.Url("/orders.csv");
        m_server.Close();
        Result r = Run(out.filePath("x.pdf"));
        QCOMPARE(r.Code, 1);
        QVERIFY(r.Out.isEmpty());
        QVERIFY2(r.Err.contains("\n" + url + "下载出错!"), qPrintable(r.Err));
        QVERIFY(m_server.Listen());

        QCOMPARE(RunCli({"--home", m_home.Path(), "auto-print", "--template", "0", "--pdf", "x.pdf"}).Code,
                 2);
        QCOMPARE(RunCli({"--home", m_home.Path(), "auto-print", "--once", "--template", "0"}).Code, 2);
        r = RunCli({"--home", m_home.Path(), "auto-print", "--once", "--template", "9", "--pdf", "x.pdf"});
        QCOMPARE(r.Code, 2);
        QCOMPARE(r.Err.trimmed(), QString("请选择打印模板!"));
    }
    // Only a complete order export is taken; anything else is "下载出错!" with the reason, exit 1,
    // and the last good file stays for the next run to compare with.
    void takesOnlyACompleteOrderExport_data()
    {
        QTest::addColumn<QByteArray>("wire");    // the answer, or empty for `body` trickled
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("reason");     // empty: taken
        const QByteArray header = m_lines[0] + "\n";
        const QByteArray rows = m_lines[1] + "\n" + m_lines[2] + "\n";
        const QByteArray csv = "Content-Type: text/csv\r\n";
        const QByteArray length = "Content-Length: " + QByteArray::number((header + rows).size()) + "\r\n";
        QTest::newRow("login page without doctype, as octet-stream")
            << Wire("Content-Type: application/octet-stream\r\n",
                    "<HEAD><TITLE>Login</TITLE></HEAD>\n<BODY>请登录</BODY>\n")
            << QByteArray() << "不是订单文件";
        QTest::newRow("JSON error") << Wire("Content-Type: application/json\r\n",
                                            "{\"code\":401,\"msg\":\"not logged in\"}\n")
                                    << QByteArray() << "不是订单文件";
        QTest::newRow("empty body") << Wire("Content-Length: 0\r\n", "") << QByteArray() << "空的";
        QTest::newRow("cut mid-row, connection closed")
            << Wire(csv, header + rows.left(rows.size() - 20)) << QByteArray() << "不完整";
        QTest::newRow("cut short of its Content-Length")
            << Wire(csv + length, header + rows.left(rows.size() - 20)) << QByteArray() << "不完整";
        QTest::newRow("chunked without its end")
            << Wire(csv + "Transfer-Encoding: chunked\r\n", Chunked(header + rows, false)) << QByteArray()
            << "不完整";
        QTest::newRow("a configured column missing")
            << Wire(csv, header.mid(header.indexOf(',') + 1) + rows) << QByteArray() << "缺少设置的订单列";
        QTest::newRow("broken compression")
            << Wire(csv + "Content-Encoding: gzip\r\nContent-Length: 9\r\n", "not gzip!") << QByteArray()
            << "无法解开";
        QTest::newRow("redirect to data:")
            << QByteArray("HTTP/1.1 302 Found\r\nLocation: data:text/csv,a%2Cb\r\nContent-Length: 0\r\n"
                          "Connection: close\r\n\r\n")
            << QByteArray() << "不是网址的地址 data:";
        QTest::newRow("trickling past TIMEOUT") << QByteArray() << header + rows << "没有应答 (3 秒";
        QTest::newRow("ended by the connection, last line whole")
            << Wire(csv, header + rows) << QByteArray() << QString();
        QTest::newRow("chunked to its end")
            << Wire(csv + "Transfer-Encoding: chunked\r\n", Chunked(header + rows, true)) << QByteArray()
            << QString();
        QTest::newRow("Content-Length met") << Wire(csv + length, header + rows) << QByteArray() << QString();
    }

    void takesOnlyACompleteOrderExport()
    {
        QFETCH(QByteArray, wire);
        QFETCH(QByteArray, body);
        QFETCH(QString, reason);
        QTemporaryDir out;
        const QByteArray lastGood = Export({7});
        m_home.Write("config/auto-orders.csv", lastGood);
        LocalHttpServer::Response answer;
        answer.Raw = wire;
        answer.Body = body;
        answer.TrickleMs = wire.isEmpty() ? 1000 : 0;
        m_answer = answer;
        QElapsedTimer clock;
        clock.start();
        const Result r = Run(out.filePath("x.pdf"));
        m_answer.reset();
        // TIMEOUT=3 ends login and download together, however slowly bytes come.
        QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(Others(m_home.FilePath("config"), {"PRINTER.INI", "auto-orders.csv", "auto-printed.txt", "print-journal.db", "print-journal.db-wal",
                                                     "print-journal.db-shm"}),
                 QStringList());
        if (reason.isEmpty()) {
            QVERIFY2(r.Code == 0, qPrintable(r.Err));
            QCOMPARE(ReadFile(Config("auto-orders.csv")), Export({0, 1}));
            return;
        }
        QCOMPARE(r.Code, 1);
        QVERIFY(r.Out.isEmpty());
        QVERIFY2(r.Err.contains(m_server.Url("/orders.csv") + "下载出错!\n"), qPrintable(r.Err));
        QVERIFY2(r.Err.contains(reason), qPrintable(r.Err));
        QCOMPARE(ReadFile(Config("auto-orders.csv")), lastGood);
        QVERIFY(!QFile::exists(out.filePath("x.pdf")));
    }

    // The password and the buyers' data: files for the owner alone, no password over plain http
    // unless allowed (and then warned about), no credentials echoed.
    void secrets()
    {
        QTemporaryDir out;
        const QByteArray plain = ReadFile(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI") +
                                 "\r\n[AUTO]\r\nORDER_URL=" + m_server.Url("/orders.csv").toUtf8() +
                                 "\r\nLOGIN_URL=" + m_server.Url("/login").toUtf8() +
                                 "\r\nUSERNAME=seller\r\nPASSWORD=hunter2\r\n";
        m_home.Write("config/PRINTER.INI", plain);
        QVERIFY(::chmod(QFile::encodeName(Config("PRINTER.INI")).constData(), 0644) == 0);
        const int requests = int(m_server.Requests.size());
        Result r = Run(out.filePath("a.pdf"));
        QCOMPARE(r.Code, 2);
        QVERIFY2(r.Err.contains("ALLOW_HTTP=1") && r.Err.contains("https://"), qPrintable(r.Err));
        QCOMPARE(int(m_server.Requests.size()), requests); // the password never left
        QCOMPARE(Mode(Config("PRINTER.INI")), 0600);

        // Allowed: a warning at every run. Credentials in the address are never shown.
        QString url = m_server.Url("/gone.csv");
        url.replace("://", "://seller:hunter2@");
        m_home.Write("config/PRINTER.INI",
                     ReadFile(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI") + "\r\n[AUTO]\r\nORDER_URL=" +
                         url.toUtf8() + "\r\nLOGIN_URL=" + m_server.Url("/login").toUtf8() +
                         "\r\nPASSWORD=hunter2\r\nALLOW_HTTP=1\r\n");
        for (int run = 0; run < 2; ++run) {
            r = Run(out.filePath("a.pdf"));
            QCOMPARE(r.Code, 1);
            QVERIFY2(r.Err.contains("警告") && r.Err.contains("ALLOW_HTTP=1"), qPrintable(r.Err));
            QVERIFY2(!r.Err.contains("hunter2"), qPrintable(r.Err));
            QVERIFY2(r.Err.contains(m_server.Url("/gone.csv") + "下载出错!"), qPrintable(r.Err));
        }
        SetAuto("");
    }

    // Ctrl+C or a termination request during the print leaves no temporary PDF; a start removes
    // what a killed run left more than a day ago, and nothing else.
    void interruptsAndLeftovers()
    {
        QTemporaryDir out;
        const auto touch = [&](const QString &name, int daysAgo) {
            const QString path = out.filePath(name);
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("left over");
            f.close();
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addDays(-daysAgo), QFileDevice::FileModificationTime));
        };
        touch(".old.pdf.Ab12Cd", 2);  // a killed run's, two days old
        touch(".new.pdf.Xy34Zw", 0);  // perhaps a run going on now
        touch(".notes.txt.Ab12Cd", 2); // not a name this program makes there
        // Many orders, so that the print is still drawing when the signal comes.
        QByteArray many = m_lines[0] + "\n";
        for (int i = 0; i < 400; ++i)
            many += m_lines[1 + i % (m_lines.size() - 1)] + QByteArray::number(i) + "\n";
        m_served = many;
        QProcess cli;
        cli.start(QStringLiteral(WAYBILL_CLI), {"--home", m_home.Path(), "auto-print", "--once", "--template", "0",
                                                "--pdf", out.filePath("a.pdf")});
        QVERIFY(cli.waitForStarted());
        const auto temporary = [&] {
            return !QDir(out.path()).entryList({".a.pdf.*"}, QDir::Files | QDir::Hidden).isEmpty();
        };
        // The server answers from this event loop.
        (void)QTest::qWaitFor([&] { return temporary() || cli.state() == QProcess::NotRunning; }, 60000);
        if (!temporary())
            QSKIP("the print ended before the signal could be sent");
        ::kill(pid_t(cli.processId()), SIGTERM);
        QVERIFY(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 10000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 128 + SIGTERM);
        QCOMPARE(cli.readAllStandardOutput(), QByteArray());
        QCOMPARE(Others(out.path(), {}), (QStringList{".new.pdf.Xy34Zw", ".notes.txt.Ab12Cd"}));
        QCOMPARE(Others(m_home.FilePath("config"), {"PRINTER.INI", "auto-orders.csv", "auto-printed.txt", "print-journal.db", "print-journal.db-wal",
                                                     "print-journal.db-shm"}),
                 QStringList());
        m_served.clear();
    }
};

QTEST_MAIN(TestAutoPrintCli)
#include "tst_autoprint.moc"

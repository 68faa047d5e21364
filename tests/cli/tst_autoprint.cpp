// waybill-cli auto-print --once: one run of the timed mode against a web server of the test's own,
// printing to PDF.
#include "LocalHttpServer.h"
#include "CliRun.h"
#include "TestHome.h"
#include "app/AutoPrint.h"
#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "app/journal/PrintJournal.h"
#include "cli/CliCommands.h"
#include "tests/support/CupsTools.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

namespace {

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestAutoPrintCli : public QObject {
    Q_OBJECT

    TestHome m_home;
    LocalHttpServer m_server;
    QList<QByteArray> m_lines; // the demo export, header first
    QByteArray m_served;

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
            LocalHttpServer::Response answer;
            answer.Body = r.Path == "/orders.csv" ? m_served : QByteArray("ok");
            return answer;
        };
        m_home.Write("config/PRINTER.INI",
                     ReadFile(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI") +
                         "\r\n[AUTO]\r\nORDER_URL=" + m_server.Url("/orders.csv").toUtf8() +
                         "\r\nLOGIN_URL=" + m_server.Url("/login").toUtf8() + "\r\n");
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
        QVERIFY2(r.Err.isEmpty(), qPrintable(r.Err));
        QCOMPARE(CupsTools::PageSizes(out.filePath("a.pdf")).size(), 3);
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
        QVERIFY2(r.Err.startsWith(url + "下载出错!"), qPrintable(r.Err));
        QVERIFY(m_server.Listen());

        QCOMPARE(RunCli({"--home", m_home.Path(), "auto-print", "--template", "0", "--pdf", "x.pdf"}).Code,
                 2);
        QCOMPARE(RunCli({"--home", m_home.Path(), "auto-print", "--once", "--template", "0"}).Code, 2);
        r = RunCli({"--home", m_home.Path(), "auto-print", "--once", "--template", "9", "--pdf", "x.pdf"});
        QCOMPARE(r.Code, 2);
        QCOMPARE(r.Err.trimmed(), QString("请选择打印模板!"));
    }
};

QTEST_MAIN(TestAutoPrintCli)
#include "tst_autoprint.moc"

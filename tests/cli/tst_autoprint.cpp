// waybill-cli auto-print --once: one run of the timed mode against a web server of the test's own,
// printing to PDF.
#include "LocalHttpServer.h"
#include "CliRun.h"
#include "TestHome.h"
#include "cli/CliCommands.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"
#include "tests/support/CupsTools.h"

#include <QElapsedTimer>
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

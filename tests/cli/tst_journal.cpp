// The print journal through waybill-cli: the states of a print to the test run's print server with
// the job ids, --skip-printed, two programs printing the same orders at once, a run killed half-way,
// and journal files that cannot be used.
#include "CliRun.h"
#include "TestHome.h"
#include "app/Hashtable.h"
#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "app/journal/PrintJournal.h"
#include "tests/support/CupsTools.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTest>

#include <csignal>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// copies × 50 orders from the lines of the demo export, each under an order number of its own.
QByteArray ManyOrders(int copies)
{
    QList<QByteArray> lines = ReadFile(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv").split('\n');
    QByteArray text = lines.takeFirst() + '\n';
    int n = 0;
    for (int c = 0; n < copies * 50; ++c)
        for (const QByteArray &line : std::as_const(lines)) {
            // Whole records on one line only (a message with a line break spans two).
            if (!line.startsWith("\"=\"\"") || line.count('"') % 2 != 0)
                continue;
            const qsizetype comma = line.indexOf(',');
            text += "\"=\"\"7000" + QByteArray::number(100000 + n++) + "\"\"\"" + line.mid(comma) + '\n';
            if (n == copies * 50)
                break;
        }
    return text;
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT

    TestHome m_home;
    QString m_orders, m_orders200;
    QTemporaryDir m_out;

    QString JournalPath() const { return m_home.FilePath("config/print-journal.db"); }

    QList<Journal::Entry> Entries(const Journal::Filter &filter = {})
    {
        Journal::Database db(JournalPath());
        return db.Entries(filter);
    }

    Result Print(const QStringList &extra)
    {
        return RunCli(QStringList{"--home", m_home.Path(), "print", "--template", "0"} + extra);
    }

    static QStringList OutLines(const QString &out) { return out.split('\n', Qt::SkipEmptyParts); }

private slots:
    void initTestCase()
    {
        CopyTree(WAYBILL_SOURCE_DIR "/data/config", m_home.FilePath("config"));
        CopyTree(WAYBILL_SOURCE_DIR "/data/template", m_home.FilePath("template"));
        m_orders = WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv";
        m_orders200 = m_home.Write("orders/200.csv", ManyOrders(4));
    }

    void init()
    {
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(JournalPath() + suffix);
    }

    void statesThroughThePrintServer()
    {
        CupsTools::NewJobs jobs;
        Result r = Print({"--orders", m_orders, "--rows", "1-3", "--printer", "Capture"});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QString("printed 1\nprinted 2\nprinted 3\n"));
        QVERIFY2(r.Err.isEmpty(), qPrintable(r.Err));
        const QList<int> ids = jobs.Ids();
        QCOMPARE(ids.size(), 1);
        QCOMPARE(CupsTools::PagesOf(ids), 3);

        QList<Journal::Entry> entries = Entries();
        QCOMPARE(entries.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const Journal::Entry &e = entries[i];
            QCOMPARE(e.State, QString("printed"));
            QCOMPARE(e.JobIds, QString::number(ids[0]));
            QCOMPARE(e.Printer, QString("Capture"));
            QCOMPARE(e.Row, i);
            QCOMPARE(e.Template, TemplateList[0]->TmpName);
            QCOMPARE(e.LayoutHash, Journal::LayoutHash(TemplateList[0]->LayoutPath()));
            QVERIFY(!e.Reprint);
            // The order number without the export's ="…" guard.
            const QString cell = OrderRows[size_t(i)].LookupValue("C1");
            QVERIFY(cell.startsWith("=\""));
            QCOMPARE(e.OrderKey, cell.mid(2, cell.size() - 3));
        }
        const QString second = entries[1].OrderKey;

        // Rows 2-4 skipping what was printed: only row 4; stderr names rows 2 and 3.
        const QString pdf = m_out.filePath("skip.pdf");
        r = Print({"--orders", m_orders, "--rows", "2-4", "--pdf", pdf, "--skip-printed"});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QString("printed 4\n"));
        QVERIFY2(r.Err.contains("2 个订单以前打印过") && r.Err.contains("第 2 行 (订单 " + second + "): ") &&
                     r.Err.contains("Capture") && r.Err.contains("跳过 2 个已打印过的订单"),
                 qPrintable(r.Err));
        QCOMPARE(CupsTools::PageSizes(pdf).size(), 1);

        // Without --skip-printed it prints what it is told, says so, and journals reprints.
        const QString again = m_out.filePath("again.pdf");
        r = Print({"--orders", m_orders, "--rows", "2-4", "--pdf", again});
        QCOMPARE(r.Code, 0);
        QCOMPARE(OutLines(r.Out), QStringList({"printed 2", "printed 3", "printed 4"}));
        QVERIFY2(r.Err.contains("3 个订单以前打印过"), qPrintable(r.Err));
        entries = Entries();
        QCOMPARE(entries.size(), 7);
        for (int i = 4; i < 7; ++i) {
            QVERIFY(entries[i].Reprint);
            QCOMPARE(entries[i].Output, QFileInfo(again).absoluteFilePath());
            QVERIFY(entries[i].JobIds.isEmpty());
        }

        // journal: by order, by run, since a date, as JSON.
        r = RunCli({"--home", m_home.Path(), "journal", "--order", "=\"" + second + "\""});
        QCOMPARE(r.Code, 0);
        QCOMPARE(OutLines(r.Out).size(), 2);
        r = RunCli({"--home", m_home.Path(), "journal", "--run", entries[6].RunId, "--json"});
        QCOMPARE(OutLines(r.Out).size(), 3);
        const QJsonObject last = QJsonDocument::fromJson(OutLines(r.Out).last().toUtf8()).object();
        QCOMPARE(last.value("state").toString(), QString("printed"));
        QCOMPARE(last.value("row").toInt(), 4);
        QCOMPARE(last.value("reprint").toBool(), true);
        const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
        r = RunCli({"--home", m_home.Path(), "journal", "--since", tomorrow});
        QCOMPARE(r.Code, 0);
        QVERIFY(r.Out.isEmpty());
        QCOMPARE(RunCli({"--home", m_home.Path(), "journal", "--since", "gestern"}).Code, 2);
    }

    // The key column of the settings, 订单编号 by default, else a digest of the whole row.
    void orderKeys_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("expected");
        QTest::newRow("order number") << "" << "544529763028279";
        QTest::newRow("chosen column") << "收货人姓名" << "李娜";
        QTest::newRow("no such column") << "运单号" << "row:";
    }

    void orderKeys()
    {
        QFETCH(QString, setting);
        QFETCH(QString, expected);
        const QByteArray ini = ReadFile(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI");
        TestHome home;
        // In the settings file's own code page.
        home.Write("config/PRINTER.INI",
                   ini + "\r\n[JOURNAL]\r\nORDER_KEY=" + QStringEncoder("GB18030")(setting) + "\r\n");
        InitGlobals(home.Path());
        ImportOrders(m_orders);
        const QString key = Journal::OrderKey(OrderRows[0], Journal::KeyColumn());
        if (expected.endsWith(':')) {
            QVERIFY(key.startsWith(expected));
            QCOMPARE(key.size(), 4 + 40);
            // The digest reads clean values: the guard of a cell does not change it.
            THashTable row = OrderRows[0];
            row.PutValue("C16", Journal::CleanValue(row.LookupValue("C16")));
            QCOMPARE(Journal::OrderKey(row, Journal::KeyColumn()), key);
        } else {
            QCOMPARE(key, expected);
        }
        QCOMPARE(Journal::CleanValue("'0571-81171979"), QString("0571-81171979"));
        QCOMPARE(Journal::CleanValue(" =\"00123\" "), QString("00123"));
        QCOMPARE(Journal::CleanValue("=\""), QString("=\""));
    }

    // A journal that cannot be used stops the print with a message, unless --no-journal.
    void unusableJournal_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("not a database") << "garbage" << "不是打印记录";
        QTest::newRow("another database") << "other" << "是别的数据库";
        QTest::newRow("newer schema") << "newer" << "来自较新版本的程序 (格式 7";
        QTest::newRow("locked") << "locked" << "被另一个程序占用";
    }

    void unusableJournal()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QSqlDatabase db;
        if (kind == "garbage") {
            m_home.Write("config/print-journal.db", QByteArray(8192, 'x'));
        } else {
            db = QSqlDatabase::addDatabase("QSQLITE", "holder");
            db.setDatabaseName(JournalPath());
            QVERIFY(db.open());
            QSqlQuery q(db);
            if (kind == "other")
                QVERIFY(q.exec("CREATE TABLE customers (name TEXT)"));
            if (kind == "newer")
                QVERIFY(q.exec("PRAGMA user_version = 7"));
            if (kind == "locked") {
                Journal::Database{JournalPath()};
                QVERIFY(q.exec("BEGIN EXCLUSIVE"));
                qputenv("WAYBILL_JOURNAL_BUSY_MS", "300");
            }
        }
        const QString pdf = m_out.filePath(kind + ".pdf");
        Result r = Print({"--orders", m_orders, "--rows", "1-2", "--pdf", pdf});
        qunsetenv("WAYBILL_JOURNAL_BUSY_MS");
        QCOMPARE(r.Code, 1);
        QVERIFY2(r.Err.contains(message) && r.Err.contains("--no-journal"), qPrintable(r.Err));
        QVERIFY(r.Out.isEmpty());
        QVERIFY(!QFile::exists(pdf));
        r = Print({"--orders", m_orders, "--rows", "1-2", "--pdf", pdf, "--no-journal"});
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QString("printed 1\nprinted 2\n"));
        if (db.isValid()) {
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase("holder");
        }
    }

    // A journal on a full disk or a read-only file system (a tmpfs of the test's own: root only).
    void fullOrReadOnlyDisk()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        QTemporaryDir mountPoint;
        if (::mount("tmpfs", mountPoint.path().toUtf8(), "tmpfs", 0, "size=256k") != 0)
            QSKIP("tmpfs cannot be mounted here");
        struct Unmount {
            QString path;
            ~Unmount() { ::umount2(path.toUtf8(), MNT_DETACH); }
        } unmount{mountPoint.path()};
        // The program folder on the small disk, its template and orders outside.
        TestHome outside;
        const QString home = mountPoint.path();
        QDir().mkpath(home + "/config");
        QFile::copy(m_home.FilePath("config/PRINTER.INI"), home + "/config/PRINTER.INI");
        QFile::link(m_home.FilePath("template"), home + "/template");
        const QStringList print = {"--home", home, "print", "--orders", m_orders, "--template", "0", "--rows", "1-2"};
        QCOMPARE(RunCli(print + QStringList{"--pdf", outside.FilePath("a.pdf")}).Code, 0);
        {
            QFile filler(home + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
        Result r = RunCli(print + QStringList{"--pdf", outside.FilePath("full.pdf")});
        QCOMPARE(r.Code, 1);
        QVERIFY2(r.Err.contains("磁盘已满"), qPrintable(r.Err));
        QVERIFY(!QFile::exists(outside.FilePath("full.pdf")));

        QFile::remove(home + "/filler");
        QCOMPARE(::mount("tmpfs", home.toUtf8(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=256k"), 0);
        r = RunCli(print + QStringList{"--pdf", outside.FilePath("ro.pdf")});
        QCOMPARE(r.Code, 1);
        QVERIFY2(r.Err.contains("只读"), qPrintable(r.Err));
        QVERIFY(!QFile::exists(outside.FilePath("ro.pdf")));
    }

    // Two programs started together over the same 200 orders, both skipping what is printed:
    // each order reaches the server once.
    void twoProgramsPrintEachOrderOnce()
    {
        CupsTools::NewJobs jobs;
        QProcess a, b;
        const QStringList args = {"--home", m_home.Path(), "print", "--orders", m_orders200, "--template", "0",
                                  "--printer", "Capture", "--skip-printed"};
        a.start(WAYBILL_CLI, args);
        b.start(WAYBILL_CLI, args);
        QVERIFY(a.waitForFinished(180000) && b.waitForFinished(180000));
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitCode(), 0);
        QStringList printed = OutLines(QString::fromUtf8(a.readAllStandardOutput())) +
                              OutLines(QString::fromUtf8(b.readAllStandardOutput()));
        QCOMPARE(printed.size(), 200);
        printed.removeDuplicates();
        QCOMPARE(printed.size(), 200);
        QCOMPARE(CupsTools::PagesOf(jobs.Ids()), 200);
        int printedEntries = 0;
        for (const Journal::Entry &e : Entries())
            printedEntries += e.State == "printed";
        QCOMPARE(printedEntries, 200);
    }

    // A run killed after claiming leaves its orders unknown; the next run names them and, told to
    // skip, does not print them.
    void killedRunLeavesUnknownOrders()
    {
        QProcess cli;
        cli.start(WAYBILL_CLI, {"--home", m_home.Path(), "print", "--orders", m_orders200, "--template", "0",
                                "--pdf", m_out.filePath("killed.pdf")});
        QVERIFY(cli.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        int claimed = 0;
        while (claimed == 0 && clock.elapsed() < 60000 && cli.state() == QProcess::Running) {
            QTest::qWait(20);
            if (QFile::exists(JournalPath()))
                try {
                    for (const Journal::Entry &e : Entries())
                        claimed += e.State == "claimed";
                } catch (const std::exception &) {
                }
        }
        QCOMPARE(claimed, 200);
        ::kill(pid_t(cli.processId()), SIGKILL);
        QVERIFY(cli.waitForFinished(5000));
        QCOMPARE(cli.readAllStandardOutput(), QByteArray());

        Result r = Print({"--orders", m_orders200, "--rows", "1-5", "--pdf", m_out.filePath("next.pdf"), "--skip-printed"});
        QCOMPARE(r.Code, 0);
        QVERIFY(r.Out.isEmpty());
        QVERIFY2(r.Err.contains("5 个订单的打印中断了, 不知是否已打印") && r.Err.contains("第 1 行 (订单 7000100000)") &&
                     r.Err.contains("跳过 5 个不知是否已打印的订单"),
                 qPrintable(r.Err));
        int unknown = 0;
        for (const Journal::Entry &e : Entries())
            unknown += e.State == "unknown";
        QCOMPARE(unknown, 200);
        r = RunCli({"--home", m_home.Path(), "journal", "--order", "7000100003"});
        QVERIFY2(r.Out.contains("\tunknown\t"), qPrintable(r.Out));
    }
};

QTEST_MAIN(TestJournal)
#include "tst_journal.moc"

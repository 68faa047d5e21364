// The command line against bad input and bad luck: devices and pipes given as files, binary and
// endless inputs, empty option values, a run that fails or is interrupted half-way. Each case once
// crashed, hung, printed on the wrong printer or destroyed a file.
#include "CliRun.h"
#include "TestHome.h"
#include "app/TemplateClS.h"
#include "cli/CliCommands.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

namespace {

// What lies in a folder besides the named files (left-over temporary files).
QStringList Others(const QString &folder, const QStringList &expected)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : expected)
        names.removeAll(name);
    return names;
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT

    TestHome m_home;
    QString m_orders = Data("orders/demo-orders.csv");

    // A template made from the first ready template with the given script.
    void AddScriptedTemplate(const QString &folder, const QStringList &script)
    {
        TfrxReport report;
        QVERIFY(frxLoadFromFile(report, Data("template/t20261201090001/20261201090001.fr3")));
        report.SetScriptText(script);
        m_home.AddTemplate(folder, folder, "t.fr3");
        frxSaveToFile(report, m_home.FilePath("template/" + folder + "/t.fr3"));
    }

    QString Fifo(const QString &name)
    {
        const QString path = m_home.FilePath(name);
        if (!QFileInfo::exists(path) && mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
            return QString();
        return path;
    }

private slots:
    void initTestCase()
    {
        QFile::copy(Data("config/PRINTER.INI"), m_home.FilePath("config/PRINTER.INI"));
        AddScriptedTemplate("endless", {"begin", "  while true do;", "end."});
        AddScriptedTemplate("failing", {"begin", "  StrToInt('x');", "end."});
        AddScriptedTemplate("plain", {"begin", "end."});
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(m_home.FilePath("picture.png"), "PNG"));
        m_home.AddTemplate("device", "device", "t.fr3");
        QVERIFY(QFile::link("/dev/zero", m_home.FilePath("template/device/t.fr3")));
    }

    // None of these used to end, or they quietly fell back to a default (the stored printer, the
    // program folder).
    void refusedAtOnce_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("code");
        const QStringList print{"print", "--orders", m_orders, "--template", "endless"};
        QTest::newRow("empty pdf name") << print + QStringList{"--pdf", ""} << "option --pdf needs a value" << 2;
        QTest::newRow("empty png name") << print + QStringList{"--png", ""} << "option --png needs a value" << 2;
        QTest::newRow("empty printer name") << print + QStringList{"--printer", ""}
                                            << "option --printer needs a value" << 2;
        QTest::newRow("pdf onto a device") << print + QStringList{"--pdf", "/dev/null"}
                                           << "cannot write --pdf /dev/null: not a regular file" << 2;
        QTest::newRow("png onto a device") << print + QStringList{"--png", "/dev/null"}
                                           << "cannot write --png /dev/null: not a regular file" << 2;
        QTest::newRow("rows that are no range")
            << QStringList{"print", "--orders", m_orders, "--template", "0", "--rows", "abc", "--pdf", "x.pdf"}
            << "rows 'abc' is not a range (A-B or N)" << 2;
        QTest::newRow("endless orders") << QStringList{"orders", "/dev/zero"} << "not a regular file" << 2;
        QTest::newRow("binary orders") << QStringList{"orders", m_home.FilePath("picture.png")}
                                       << "不是文本文件 (a PNG picture)" << 2;
        QTest::newRow("endless layout") << QStringList{"layout", "check", "/dev/zero"} << "not a regular file" << 2;
        QTest::newRow("template layout that is a link to a device")
            << QStringList{"print", "--orders", m_orders, "--template", "device", "--pdf", m_home.FilePath("x.pdf")}
            << "是指向模板文件夹以外的链接" << 1;
        QTest::newRow("endless script") << QStringList{"script", "check", "/dev/zero"} << "not a regular file" << 2;
    }

    void refusedAtOnce()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QFETCH(int, code);
        QElapsedTimer clock;
        clock.start();
        const Result r = RunCli(QStringList{"--home", m_home.Path()} + args);
        QCOMPARE(r.Code, code);
        QVERIFY2(r.Err.contains(message), qPrintable(r.Err));
        QVERIFY(r.Out.isEmpty());
        QVERIFY(clock.elapsed() < 20000);
    }

    void missingHomeFolder()
    {
        const Result r = RunCli({"--home", m_home.FilePath("no-such-folder"), "templates"});
        QCOMPARE(r.Code, 2);
        QVERIFY2(r.Err.contains("does not exist"), qPrintable(r.Err));
        QVERIFY(r.Out.isEmpty());
    }

    // A device or a pipe named as the output stays what it was.
    void pipesAreNeverReplaced()
    {
        const QString fifo = Fifo("out.fifo");
        if (fifo.isEmpty())
            QSKIP("no named pipes here");
        const Result resave =
            RunCli({"layout", "resave", m_home.FilePath("template/endless/t.fr3"), fifo});
        QCOMPARE(resave.Code, 2);
        QVERIFY2(resave.Err.contains("not a regular file"), qPrintable(resave.Err));
        const Result print = RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "0",
                                     "--rows", "1", "--pdf", fifo});
        QCOMPARE(print.Code, 2);
        QVERIFY(print.Out.isEmpty());
        struct stat info {};
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
    }

    // The output is written beside the target and renamed into place: a failed run leaves the
    // previous file as it was, a good one replaces it, and neither leaves anything else behind.
    void outputsReplacedOnlyWhenComplete()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath("waybills.pdf");
        const QString png = dir.filePath("page.png");
        for (const QString &path : {pdf, png}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("previous");
        }
        for (const QString &option : {QStringLiteral("--pdf"), QStringLiteral("--png")}) {
            const Result r = RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template",
                                     "failing", option, option == "--pdf" ? pdf : png});
            QCOMPARE(r.Code, 1);
            QVERIFY(r.Out.isEmpty());
        }
        QFile oldPdf(pdf), oldPng(png);
        QVERIFY(oldPdf.open(QIODevice::ReadOnly) && oldPng.open(QIODevice::ReadOnly));
        QCOMPARE(oldPdf.readAll(), QByteArray("previous"));
        QCOMPARE(oldPng.readAll(), QByteArray("previous"));
        QCOMPARE(Others(dir.path(), {"waybills.pdf", "page.png"}), QStringList());

        const Result good = RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "plain",
                                    "--rows", "1-2", "--pdf", pdf});
        QCOMPARE(good.Code, 0);
        QFile newPdf(pdf);
        QVERIFY(newPdf.open(QIODevice::ReadOnly));
        QVERIFY(newPdf.readAll().startsWith("%PDF"));
        QCOMPARE(Others(dir.path(), {"waybills.pdf", "page.png"}), QStringList());
    }

    void noOrderColumnsSaysSo()
    {
        TestHome bare;
        const Result r = RunCli({"--home", bare.Path(), "orders", m_orders});
        QCOMPARE(r.Code, 2);
        QVERIFY2(r.Err.contains("没有配置订单列"), qPrintable(r.Err));
        QVERIFY(r.Out.isEmpty());
    }

    // Ctrl+C (or a termination request) ends a print whose script never ends: promptly, with
    // nothing printed, nothing marked and no output file.
    void interruptEndsAnEndlessPrint_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }

    void interruptEndsAnEndlessPrint()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString pdf = dir.filePath("waybills.pdf");
        QProcess cli;
        cli.start(QStringLiteral(WAYBILL_CLI), {"--home", m_home.Path(), "print", "--orders", m_orders,
                                                "--template", "endless", "--pdf", pdf});
        QVERIFY(cli.waitForStarted());
        // Long enough to be inside the script's loop.
        QVERIFY(!cli.waitForFinished(1500));
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(cli.processId()), signal);
        QVERIFY(cli.waitForFinished(5000));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 128 + signal);
        QCOMPARE(cli.readAllStandardOutput(), QByteArray());
        QVERIFY(cli.readAllStandardError().contains("interrupted"));
        QCOMPARE(Others(dir.path(), {}), QStringList());
    }
};

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"

// The two programs as a seller's desktop and a server's cron meet them: help, version and usage
// errors with their exit statuses, no Qt noise on stderr without a runtime folder, and the window
// saying plainly that it needs a desktop session.
#include "cli/CliCommands.h"
#include "cli/CliHelp.h"
#include "cli/CliProgress.h"
#include "TestHome.h"

#include <QProcess>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Run {
    int Code = -1;
    QString Out, Err;
};

Run Start(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    Run r;
    if (!process.waitForFinished(120000))
        return r;
    r.Code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.Out = QString::fromUtf8(process.readAllStandardOutput());
    r.Err = QString::fromUtf8(process.readAllStandardError());
    return r;
}
} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    // The settings and the first ready template in a program folder.
    static void ReadyTemplate(const TestHome &home)
    {
        for (const char *file : {"config/PRINTER.INI", "template/t20261201090001/CFG.INI",
                                 "template/t20261201090001/20261201090001.fr3"}) {
            QFile in(QStringLiteral(WAYBILL_SOURCE_DIR "/data/") + file);
            QVERIFY(in.open(QIODevice::ReadOnly));
            home.Write(file, in.readAll());
        }
    }

private slots:
    void helpVersionAndUsageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("handled");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--help") << QStringList{"--help"} << true << 0 << "Commands:" << "";
        QTest::newRow("-h") << QStringList{"-h"} << true << 0 << "Exit status:" << "";
        QTest::newRow("--version") << QStringList{"--version"} << true << 0 << "waybill-cli " << "";
        QTest::newRow("command help") << QStringList{"print", "--orders", "o.csv", "--help"} << true << 0
                                      << "usage: waybill-cli [--home DIR] print --orders" << "";
        QTest::newRow("sub-command help") << QStringList{"--home", "HOME", "layout", "check", "-h"} << true << 0
                                          << "layout resave IN OUT" << "";
        QTest::newRow("unknown option of a command")
            << QStringList{"preview", "--pdf", "x.pdf"} << true << 2 << ""
            << "waybill-cli: unknown option --pdf for preview\nusage: waybill-cli [--home DIR] preview";
        QTest::newRow("unknown program option") << QStringList{"--frobnicate", "templates"} << true << 2 << ""
                                                << "usage: waybill-cli";
        QTest::newRow("--home without a folder") << QStringList{"--home"} << true << 2 << "" << "--home";
        QTest::newRow("--home names a file") << QStringList{"--home", "FILE", "templates"} << true << 2 << ""
                                             << "is not a folder";
        // A negative number is an expression, not an option; values may start with a dash.
        QTest::newRow("negative expression") << QStringList{"script", "eval", "-1+2"} << false << 0 << "" << "";
        QTest::newRow("negative offset")
            << QStringList{"print", "--offset-x", "-5", "--template", "0"} << false << 0 << "" << "";
        // Commands the table does not know are left to the dispatcher, which names them.
        QTest::newRow("unknown command") << QStringList{"frobnicate", "--x"} << false << 0 << "" << "";
    }
    void helpVersionAndUsageErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, handled);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        TestHome home;
        const QString file = home.Write("file", "keep");
        args.replaceInStrings("HOME", home.Path());
        args.replaceInStrings("FILE", file);
        QString outText, errText;
        QTextStream o(&outText), e(&errText);
        bool wasHandled = false;
        QStringList normalized;
        QCOMPARE(Cli::Intercept(args, o, e, wasHandled, normalized), code);
        o.flush();
        e.flush();
        QCOMPARE(wasHandled, handled);
        QVERIFY2(outText.contains(out) && (!out.isEmpty() || outText.isEmpty()), qPrintable(outText));
        QVERIFY2(errText.contains(err) && (!err.isEmpty() || errText.isEmpty()), qPrintable(errText));
        if (!handled)
            QCOMPARE(normalized, args);
        QCOMPARE(home.Read("file"), QByteArray("keep"));
    }

    void homeIsHandedOnInOneForm()
    {
        QString o, e;
        QTextStream out(&o), err(&e);
        bool handled = true;
        QStringList normalized;
        Cli::Intercept({"--home=/srv/shop", "templates"}, out, err, handled, normalized);
        QVERIFY(!handled);
        QCOMPARE(normalized, QStringList({"--home", "/srv/shop", "templates"}));
    }

    void manualPageHasEveryCommand()
    {
        const QString man = Cli::ManPage();
        QVERIFY(man.startsWith(".TH WAYBILL\\-CLI 1"));
        for (const char *command : {"orders", "templates", "print", "preview", "auto\\-print", "layout", "script"})
            QVERIFY2(man.contains(QStringLiteral(".SS %1\n").arg(command)), command);
        QVERIFY(man.contains(".SH EXIT STATUS\n0 done"));
        QVERIFY(man.contains("\\fB\\-\\-offset\\-x MM\\fR"));
        // No line may start with a control character by accident.
        for (const QString &line : man.split('\n'))
            QVERIFY2(!line.startsWith('\'') && (!line.startsWith('.') || line.size() >= 3), qPrintable(line));
    }

    // From cron or as root there is no XDG_RUNTIME_DIR: a good run says nothing on stderr.
    void successfulRunIsQuietWithoutRuntimeFolder_data()
    {
        QTest::addColumn<QString>("runtime");
        QTest::newRow("unset") << QString();
        QTest::newRow("open to all") << "OPEN";
    }
    void successfulRunIsQuietWithoutRuntimeFolder()
    {
        QFETCH(QString, runtime);
        TestHome home;
        ReadyTemplate(home);
        QDir().mkpath(home.FilePath("tmp"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_RUNTIME_DIR");
        env.remove("QT_QPA_PLATFORM");
        env.insert("TMPDIR", home.FilePath("tmp"));
        if (runtime == "OPEN") {
            QDir().mkpath(home.FilePath("open"));
            QFile::setPermissions(home.FilePath("open"), QFileDevice::Permissions(0x7777));
            env.insert("XDG_RUNTIME_DIR", home.FilePath("open"));
        }
        const Run r = Start(WAYBILL_CLI,
                            {"--home", home.Path(), "print", "--orders",
                             WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv", "--template", "0", "--rows", "1-2",
                             "--pdf", home.FilePath("out.pdf")},
                            env);
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QString("printed 1\nprinted 2\n"));
        QVERIFY2(r.Err.isEmpty(), qPrintable(r.Err));
        // The folder Qt was given is private to this user.
        struct stat st {};
        const QByteArray folder = QFile::encodeName(home.FilePath(QStringLiteral("tmp/runtime-%1").arg(::geteuid())));
        QCOMPARE(::stat(folder.constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
    }

    // The progress line of a print run: orders built of those asked for, then pages printed of those
    // built, and cleared when the printer has everything.
    void progressLineFollowsAPrintRun()
    {
        TestHome home;
        ReadyTemplate(home);
        QStringList shown;
        Cli::ProgressLine line([&shown](const QString &text) { shown << text; }, 0);
        TfrxReport::SetProgressObserver(&line);
        QString out, err;
        QTextStream o(&out), e(&err);
        const int code = Cli::Run({"--home", home.Path(), "print", "--orders",
                                   WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv", "--template", "0", "--rows",
                                   "3-9", "--pdf", home.FilePath("out.pdf")},
                                  o, e);
        TfrxReport::SetProgressObserver(nullptr);
        QCOMPARE(code, 0);
        QVERIFY(!shown.isEmpty());
        for (const QString &text : shown)
            QVERIFY2(text.startsWith("\r\033[K"), qPrintable(text));
        QCOMPARE(shown.first(), QString("\r\033[Korders built 0/7"));
        QVERIFY(shown.contains("\r\033[Korders built 7/7"));
        QVERIFY(shown.contains("\r\033[Korders built 7/7, pages printed 0/7"));
        const QString last = shown[shown.size() - 2];
        QVERIFY2(last.startsWith("\r\033[Korders built 7/7, pages printed 7/7"), qPrintable(last));
        QVERIFY2(!last.contains("left"), qPrintable(last));
        QCOMPARE(shown.last(), QString("\r\033[K"));
        // Counts only grow within a phase.
        int previous = -1;
        for (const QString &text : shown) {
            const int printed = text.section("pages printed ", 1).section('/', 0, 0).toInt();
            if (text.contains("pages printed")) {
                QVERIFY(printed >= previous);
                previous = printed;
            }
        }
    }

    void versionNeedsNoDisplay()
    {
        QProcessEnvironment env;
        env.insert("PATH", qEnvironmentVariable("PATH"));
        Run r = Start(WAYBILL_CLI, {"--version"}, env);
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QString("waybill-cli " WAYBILL_VERSION "\n"));
        r = Start(WAYBILL_GUI, {"--version"}, env);
        QCOMPARE(r.Code, 0);
        QCOMPARE(r.Out, QString("waybill " WAYBILL_VERSION "\n"));
        r = Start(WAYBILL_GUI, {"--help"}, env);
        QCOMPARE(r.Code, 0);
        QVERIFY(r.Out.contains("waybill-cli"));
    }

    // Without a display the window says so in one line and names the headless tool.
    void windowWithoutDisplayNamesTheHeadlessTool()
    {
        QProcessEnvironment env;
        env.insert("PATH", qEnvironmentVariable("PATH"));
        env.insert("HOME", qEnvironmentVariable("HOME"));
        const Run r = Start(WAYBILL_GUI, {}, env);
        QCOMPARE(r.Code, 2);
        QCOMPARE(r.Err.count('\n'), 1);
        QVERIFY2(r.Err.contains("desktop session") && r.Err.contains("waybill-cli"), qPrintable(r.Err));
        QVERIFY(r.Out.isEmpty());
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"

// A layout or a template folder from a stranger (sellers swap templates on forums): its script's
// uses clause, its links and its script's running time can do no harm. Each case once read any
// file of the disk, grew without end, hung, or wrote outside the template folder.
#include "CliRun.h"
#include "ScriptedUi.h"
#include "TestHome.h"
#include "app/TemplateClS.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"

#include <QElapsedTimer>
#include <QTest>

#include <sys/stat.h>

namespace {

// The first ready template's layout with the given script, written to path.
void WriteLayout(const QString &path, const QStringList &script)
{
    TfrxReport report;
    QVERIFY(frxLoadFromFile(report, Data("template/t20261201090001/20261201090001.fr3")));
    report.SetScriptText(script);
    if (!script.isEmpty() && script.first().startsWith("procedure Page1OnBeforePrint"))
        report.Pages(1)->setProperty("OnBeforePrint", "Page1OnBeforePrint");
    frxSaveToFile(report, path);
}

} // namespace

class TestStranger : public QObject {
    Q_OBJECT

    TestHome m_home;
    QTemporaryDir m_outside;
    QString m_folder; // template/shared: the stranger's template
    QString m_orders = Data("orders/demo-orders.csv");

private slots:
    void initTestCase()
    {
        QFile::copy(Data("config/PRINTER.INI"), m_home.FilePath("config/PRINTER.INI"));
        m_folder = m_home.AddTemplate("shared", "shared", "t.fr3");
        m_home.Write("template/shared/unit.pas", "procedure FromUnit; begin end;");
        m_home.Write("template/common/lib.pas", "procedure FromTree; begin end;");
        QFile secret(m_outside.filePath("secret.pas"));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("procedure Secret; begin end;");
        secret.close();
        QVERIFY(QFile::link(m_outside.filePath("secret.pas"), m_folder + "/link-out.pas"));
        QVERIFY(QFile::link("/dev/zero", m_folder + "/zero.pas"));
        QVERIFY(::mkfifo(QFile::encodeName(m_folder + "/pipe.pas").constData(), 0600) == 0);
        QFile big(m_folder + "/big.pas");
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(5 * 1024 * 1024));
    }

    // `layout check` of a layout whose script uses a unit: only regular files of the template's
    // folder and the template tree are read, at once; for anything outside, the same message
    // whether it exists or not.
    void usesReachesOnlyTheTemplateFolder_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("error"); // empty: the script compiles
        const QString outside = "not a file of the template's folder";
        QTest::newRow("beside the layout") << "unit.pas" << "";
        QTest::newRow("in the template tree") << "../common/lib.pas" << "";
        QTest::newRow("existing outside") << m_outside.filePath("secret.pas") << outside;
        QTest::newRow("missing outside") << m_outside.filePath("none.pas") << outside;
        QTest::newRow("system file") << "/etc/passwd" << outside;
        QTest::newRow("climbing out") << "../../" + QDir(m_home.Path()).relativeFilePath(m_outside.filePath("secret.pas"))
                                      << outside;
        QTest::newRow("link out of the folder") << "link-out.pas" << outside;
        QTest::newRow("endless device") << "/dev/zero" << outside;
        QTest::newRow("link to the endless device") << "zero.pas" << outside;
        QTest::newRow("named pipe") << "pipe.pas" << "not a regular file";
        QTest::newRow("too large") << "big.pas" << "larger than 4 MB";
    }

    void usesReachesOnlyTheTemplateFolder()
    {
        QFETCH(QString, unit);
        QFETCH(QString, error);
        const QString layout = m_folder + "/uses.fr3";
        WriteLayout(layout, {"uses '" + unit + "';", "begin", "end."});
        QElapsedTimer clock;
        clock.start();
        const Result r = RunCli({"--home", m_home.Path(), "layout", "check", layout});
        QVERIFY(clock.elapsed() < 20000);
        if (error.isEmpty()) {
            QCOMPARE(r.Code, 0);
            QVERIFY2(r.Out.isEmpty(), qPrintable(r.Out));
            return;
        }
        QCOMPARE(r.Code, 1);
        QCOMPARE(r.Out, QString("Script error at 1:6: Cannot open file '%1': %2\n").arg(unit, error));
    }

    // A template whose files are links out of its folder: nothing is read through them and
    // nothing written, and every place that meets them names them.
    void linksOutOfTheTemplateFolder()
    {
        TestHome home;
        QFile::copy(Data("config/PRINTER.INI"), home.FilePath("config/PRINTER.INI"));
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath("victim.fr3");
        WriteLayout(target, {"begin", "end."});
        const QByteArray original = ReadFile(target);
        const QString folder = home.AddTemplate("linked", "linked", "t.fr3");
        QVERIFY(QFile::link(target, folder + "/t.fr3"));
        const QString cfgFolder = home.FilePath("template/linked-cfg");
        QDir().mkpath(cfgFolder);
        home.Write("elsewhere/CFG.INI", "[INFO]\r\nTMP_NAME=secret\r\nTMP_FILE_NAME=t.fr3\r\n");
        QVERIFY(QFile::link(home.FilePath("elsewhere/CFG.INI"), cfgFolder + "/CFG.INI"));

        // The catalogue: a linked CFG.INI is not read, a linked layout is named.
        {
            ScriptedUi ui;
            const Result list = RunCli({"--home", home.Path(), "templates"});
            QCOMPARE(list.Code, 0);
            QVERIFY(!list.Out.contains("secret"));
            QStringList shown;
            for (const ShownMessage &m : std::as_const(ui.Shown))
                shown << m.Text;
            QCOMPARE(shown.size(), 2);
            QVERIFY2(shown.filter(QDir::toNativeSeparators(cfgFolder) + ": CFG.INI 是指向模板文件夹以外的链接").size() == 1,
                     qPrintable(shown.join('\n')));
            QVERIFY2(shown.filter(QDir::toNativeSeparators(folder) + ": t.fr3 是指向模板文件夹以外的链接").size() == 1,
                     qPrintable(shown.join('\n')));
        }

        // Print and layout check refuse the layout, naming it.
        QTemporaryDir out;
        const Result print = RunCli({"--home", home.Path(), "print", "--orders", m_orders, "--template", "linked",
                                     "--rows", "1", "--pdf", out.filePath("x.pdf")});
        QCOMPARE(print.Code, 1);
        QVERIFY2(print.Err.contains(QDir::toNativeSeparators(folder + "/t.fr3")), qPrintable(print.Err));
        QVERIFY(print.Out.isEmpty());
        QVERIFY(!QFileInfo::exists(out.filePath("x.pdf")));
        const Result check = RunCli({"layout", "check", folder + "/t.fr3"});
        QCOMPARE(check.Code, 2);
        QVERIFY2(check.Err.contains("is a link to a file outside its folder"), qPrintable(check.Err));

        // Saving (the designer's save, layout resave) writes nothing through the link, and a
        // dangling link does not create its target.
        const QString dangling = folder + "/new.fr3";
        QVERIFY(QFile::link(elsewhere.filePath("created.fr3"), dangling));
        TfrxReport report;
        QVERIFY(frxLoadFromFile(report, Data("template/t20261201090001/20261201090001.fr3")));
        for (const QString &name : {folder + "/t.fr3", dangling}) {
            try {
                frxSaveToFile(report, name);
                QFAIL("saved through a link out of the folder");
            } catch (const std::exception &e) {
                QVERIFY2(QString::fromUtf8(e.what()).contains(QDir::toNativeSeparators(name)), e.what());
            }
        }
        const Result resave = RunCli({"layout", "resave", Data("template/t20261201090001/20261201090001.fr3"),
                                      folder + "/t.fr3"});
        QCOMPARE(resave.Code, 2);
        QCOMPARE(ReadFile(target), original);
        QVERIFY(!QFileInfo::exists(elsewhere.filePath("created.fr3")));
        QVERIFY(QFileInfo(folder + "/t.fr3").isSymLink());
    }

    // A script that never ends stops after the limit with its line named; nothing printed, no file.
    void endlessScriptStopsAfterTheLimit_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("print --pdf") << "print";
        QTest::newRow("print --png") << "png";
        QTest::newRow("preview") << "preview";
    }

    void endlessScriptStopsAfterTheLimit()
    {
        QFETCH(QString, command);
        WriteLayout(m_folder + "/t.fr3", {"begin", "  while true do;", "end."});
        QTemporaryDir out;
        QStringList args{"--home", m_home.Path(), command == "png" ? "print" : command, "--orders", m_orders,
                         "--template", "shared", "--script-timeout", "1"};
        if (command == "print")
            args << "--pdf" << out.filePath("x.pdf");
        else
            args << "--png" << out.filePath("x.png");
        QElapsedTimer clock;
        clock.start();
        const Result r = RunCli(args);
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(r.Code, 1);
        QVERIFY(r.Out.isEmpty());
        QVERIFY2(r.Err.contains("the layout's script ran longer than 1 s for one page and was stopped at line 2"),
                 qPrintable(r.Err));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // The limit holds for each page: a script that takes 0.6 s on every page prints all pages under
    // a limit of 2 s, and stops under a limit of 0.3 s.
    void limitHoldsPerPage()
    {
        WriteLayout(m_folder + "/t.fr3", {"procedure Page1OnBeforePrint(Sender: TfrxComponent);",
                                          "var Started: TDateTime;", "begin", "  Started := Now;",
                                          "  while Now - Started < 0.6 / 86400 do;", "end;", "", "begin",
                                          "end."});
        QTemporaryDir out;
        const QStringList args{"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "shared",
                               "--rows", "1-4", "--pdf", out.filePath("x.pdf"), "--script-timeout"};
        const Result slow = RunCli(args + QStringList{"2"});
        QVERIFY2(slow.Code == 0, qPrintable(slow.Err));
        QCOMPARE(slow.Out, QString("printed 1\nprinted 2\nprinted 3\nprinted 4\n"));
        const Result stopped = RunCli(args + QStringList{"0.3"});
        QCOMPARE(stopped.Code, 1);
        QVERIFY2(stopped.Err.contains("longer than 0.3 s for one page and was stopped at line 5"), qPrintable(stopped.Err));
    }

    void timeoutOptionIsChecked()
    {
        for (const char *value : {"0", "-1", "abc"}) {
            const Result r = RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "shared",
                                     "--pdf", "x.pdf", "--script-timeout", value});
            QCOMPARE(r.Code, 2);
            QVERIFY2(r.Err.contains("--script-timeout"), qPrintable(r.Err));
        }
    }
};

QTEST_MAIN(TestStranger)
#include "tst_stranger.moc"

// What the command line says about layouts and templates that cannot print as they are, and about
// characters no font draws: each once passed silently or printed something else than was asked.
#include "CliRun.h"
#include "TestHome.h"
#include "tests/support/CupsTools.h"

#include <QProcess>
#include <QStringDecoder>
#include <QTest>

namespace {

const char *const kDialogOnly =
    "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\n"
    "<TfrxReport Version=\"4.12.6\" ScriptLanguage=\"PascalScript\" ScriptText.Text=\"begin&#13;&#10;end.\">\n"
    "  <TfrxDataPage Name=\"Data\" Height=\"1000\" Left=\"0\" Top=\"0\" Width=\"1000\"/>\n"
    "  <TfrxDialogPage Name=\"DialogPage1\" Caption=\"Options\" Height=\"200\" Left=\"0\" Top=\"0\" Width=\"300\">\n"
    "    <TfrxButtonControl Name=\"Button1\" Left=\"150\" Top=\"150\" Width=\"75\" Height=\"25\" Caption=\"OK\" "
    "ModalResult=\"1\"/>\n"
    "  </TfrxDialogPage>\n"
    "</TfrxReport>\n";

} // namespace

class TestMessages : public QObject {
    Q_OBJECT

    TestHome m_home;
    QString m_orders = Data("orders/demo-orders.csv");
    QByteArray m_layout; // the first ready template's layout

    // A template folder with this layout and the ready template's picture.
    void AddTemplate(const QString &folder, const QByteArray &layout)
    {
        m_home.AddTemplate(folder, folder, "t.fr3");
        m_home.Write("template/" + folder + "/t.fr3", layout);
    }

    // An order export (UTF-8) of the first demo orders, the first receivers renamed.
    QString Orders(const QString &name, const QStringList &receivers)
    {
        QString text = QStringDecoder("GB18030").decode(ReadFile(m_orders));
        const QStringList lines = text.split("\r\n").mid(0, 4);
        text = lines.join("\r\n") + "\r\n";
        for (int i = 0; i < receivers.size(); ++i)
            text.replace(QStringList{"李娜", "李强", "王芳"}.value(i), receivers[i]);
        m_home.Write(name, text.toUtf8());
        return m_home.FilePath(name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::copy(Data("config/PRINTER.INI"), m_home.FilePath("config/PRINTER.INI")));
        m_layout = ReadFile(Data("template/t20261201090001/20261201090001.fr3"));
        QVERIFY(m_layout.contains("</TfrxReportPage>"));
        AddTemplate("a-good", m_layout);
        AddTemplate("b-dialog", kDialogOnly);
        // An object of a class nobody knows: a load error, the rest of the page prints.
        QByteArray unknown = m_layout;
        unknown.replace("</TfrxReportPage>", "<TfrxNoSuchView Name=\"Ghost\" Left=\"1\" Top=\"1\"/></TfrxReportPage>");
        AddTemplate("c-unknown", unknown);
        AddTemplate("d-cut", m_layout.left(m_layout.size() / 2));
        m_home.AddTemplate("e-garbage", "x");
        m_home.Write("template/e-garbage/CFG.INI", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    }

    // A layout of only a dialog page has nothing to print: layout check says so.
    void layoutWithoutAPrintablePageFailsTheCheck()
    {
        const Result bad = RunCli({"--home", m_home.Path(), "layout", "check",
                                   m_home.FilePath("template/b-dialog/t.fr3")});
        QCOMPARE(bad.Code, 1);
        QVERIFY2(bad.Out.contains("没有可打印的页面"), qPrintable(bad.Out));
        const Result good = RunCli({"--home", m_home.Path(), "layout", "check",
                                    m_home.FilePath("template/a-good/t.fr3")});
        QVERIFY2(good.Code == 0, qPrintable(good.Out + good.Err));
        // A dialog page before the report page is a layout like any other.
        const Result dialogFirst = RunCli({"--home", m_home.Path(), "layout", "check",
                                           WAYBILL_SOURCE_DIR "/tests/report/fixtures/layouts/versions/dialog_page.fr3"});
        QVERIFY(!dialogFirst.Out.contains("没有可打印的页面"));
    }

    // A layout that did not load cleanly prints only with --force.
    void loadErrorsPrintOnlyWithForce()
    {
        QTemporaryDir out;
        const QStringList print{"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "c-unknown",
                                "--rows", "1", "--pdf", out.filePath("a.pdf")};
        Result r = RunCli(print);
        QCOMPARE(r.Code, 1);
        QVERIFY2(r.Err.contains("--force") && r.Err.contains("TfrxNoSuchView"), qPrintable(r.Err));
        QVERIFY(r.Out.isEmpty());
        QVERIFY(!QFile::exists(out.filePath("a.pdf")));
        r = RunCli(print + QStringList{"--force"});
        QVERIFY2(r.Code == 0, qPrintable(r.Err));
        QCOMPARE(r.Out, QString("printed 1\n"));
        QCOMPARE(CupsTools::PageSizes(out.filePath("a.pdf")).size(), 1);
    }

    // The preview of a template that builds nothing fails with the reason.
    void previewOfABrokenTemplateFails_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("cut in half") << "d-cut";
        QTest::newRow("only a dialog page") << "b-dialog";
    }

    void previewOfABrokenTemplateFails()
    {
        QFETCH(QString, folder);
        QTemporaryDir out;
        const Result r = RunCli({"--home", m_home.Path(), "preview", "--orders", m_orders, "--template", folder,
                                 "--png", out.filePath("p.png")});
        QVERIFY2(r.Code != 0, qPrintable(r.Out));
        QVERIFY2(r.Err.contains("t.fr3"), qPrintable(r.Err));
        QVERIFY(!r.Out.contains("pages"));
        QVERIFY(!QFile::exists(out.filePath("p.png")));
    }

    // A template whose CFG.INI is not a settings file is listed by its folder, with why.
    void aGarbageTemplateIsListedWithItsProblem()
    {
        const Result r = RunCli({"--home", m_home.Path(), "templates"});
        QCOMPARE(r.Code, 0);
        const QStringList lines = r.Out.split('\n', Qt::SkipEmptyParts);
        const QStringList garbage = lines.filter("e-garbage");
        QCOMPARE(garbage.size(), 1);
        QVERIFY2(garbage[0].contains("设置有误") && garbage[0].contains("CFG.INI"), qPrintable(garbage[0]));
        QVERIFY(!r.Out.contains("\tN\t"));
    }

    // Rare characters of personal names print; a character no font has is warned about once.
    void charactersNoFontHasAreWarnedAboutOnce()
    {
        QTemporaryDir out;
        const auto print = [&](const QString &orders, const QString &pdf, QByteArray *err) {
            QProcess cli;
            cli.start(QStringLiteral(WAYBILL_CLI), {"--home", m_home.Path(), "print", "--orders", orders,
                                                    "--template", "a-good", "--pdf", pdf});
            if (!cli.waitForFinished(60000))
                return -1;
            *err = cli.readAllStandardError();
            return cli.exitCode();
        };
        QByteArray err;
        const QString rare = Orders("rare.csv", {"𠮷田", "𠀀𪚥"});
        QCOMPARE(print(rare, out.filePath("rare.pdf"), &err), 0);
        QVERIFY2(!err.contains("no font"), err.constData());
        // Drawn with the font that has them (the PDF's text layer does not map characters beyond
        // the basic plane back, so their font is what can be read from the file).
        QVERIFY(ReadFile(out.filePath("rare.pdf")).contains("/BaseFont /HanaMinB"));

        const QString thai = Orders("thai.csv", {"สมชาย", "สมหญิง", "กมล"});
        QCOMPARE(print(thai, out.filePath("thai.pdf"), &err), 0);
        QCOMPARE(err.count("no font of the font table has"), 1);
    }
};

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"

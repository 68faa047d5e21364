// waybill-cli's layout check and resave commands: output, exit status, and what resave writes.
#include "app/Tavrel.h"
#include "cli/CliCommands.h"
#include "cli/LayoutCommands.h"
#include "report/io/frxSerializeReport.h"

#include <QDir>
#include <QRegularExpression>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestLayoutCli : public QObject {
    Q_OBJECT

    static int Run(const QStringList &args, QString *out, QString *err)
    {
        QTextStream o(out), e(err);
        const int code = Cli::Layout(args, o, e);
        o.flush();
        e.flush();
        return code;
    }

    static QString Write(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(QLatin1String(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", name);
        return path;
    }

    static QByteArray MaskLastChange(QByteArray bytes)
    {
        static const QRegularExpression lastChange(QStringLiteral("ReportOptions.LastChange=\"[^\"]*\""));
        return QString::fromUtf8(bytes).replace(lastChange, QStringLiteral("ReportOptions.LastChange=\"\"")).toUtf8();
    }

    static QByteArray Layout(const QByteArray &body)
    {
        return "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n<TfrxReport>" + body +
               "</TfrxReport>";
    }

private slots:
    void checkPrintsEachErrorOnItsOwnLine()
    {
        QTemporaryDir dir;
        const QString clean =
            Write(dir, "clean.fr3", Layout("<TfrxReportPage Name=\"Page1\" LeftMargin=\"7,5\"/>"));
        const QString broken = Write(dir, "broken.fr3",
                                     Layout("<TfrxReportPage Name=\"Page1\"><TfrxGaugeView Name=\"B\"/>"
                                            "<TfrxMemoView Name=\"M\" Left=\"x\"/></TfrxReportPage>"));
        QString out, err;
        QCOMPARE(Run({"check", clean}, &out, &err), 0);
        QVERIFY(out.isEmpty());
        QCOMPARE(Run({"check", broken}, &out, &err), 1);
        QCOMPARE(out, QStringLiteral(
                          "Cannot find class TfrxGaugeView\nM.Left: 'x' is not a valid floating point value\n"));
        out.clear();
        QCOMPARE(Run({"check", Write(dir, "text.fr3", "not a layout")}, &out, &err), 1);
        QCOMPARE(out, QStringLiteral("Invalid file format\n"));
    }

    // The script is compiled with everything a build registers: objects by name, Report, Engine,
    // Outline and the expression and aggregate functions.
    void checkCompilesTheScript_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("printed");
        QTest::newRow("uses what a build registers")
            << "procedure Memo1OnBeforePrint(Sender: TfrxComponent);&#13;&#10;begin&#13;&#10;"
               "  Memo1.Text := IntToStr(Engine.TotalPages) + Report.Name;&#13;&#10;"
               "  Outline.LevelRoot;&#13;&#10;  Set('x', SUM(Get('y')) + COUNT);&#13;&#10;end;&#13;&#10;"
               "&#13;&#10;begin&#13;&#10;end."
            << "";
        QTest::newRow("syntax error") << "begin&#13;&#10;  x := ;&#13;&#10;end."
                                      << "Script error at 2:8: Expression expected\n";
        QTest::newRow("unknown object") << "begin&#13;&#10;  Memo2.Text := '';&#13;&#10;end."
                                        << "Script error at 2:3: Undeclared identifier: 'Memo2'\n";
    }

    void checkCompilesTheScript()
    {
        QFETCH(QString, script);
        QFETCH(QString, printed);
        QTemporaryDir dir;
        const QString path =
            Write(dir, "scripted.fr3",
                  Layout("<TfrxReportPage Name=\"Page1\"><TfrxMemoView Name=\"Memo1\"/></TfrxReportPage>")
                      .replace("<TfrxReport>", "<TfrxReport ScriptText.Text=\"" + script.toUtf8() + "\">"));
        QString out, err;
        const int code = Run({"check", path}, &out, &err);
        QCOMPARE(out, printed);
        QCOMPARE(code, printed.isEmpty() ? 0 : 1);
    }

    void unreadableFilesAndBadArguments()
    {
        QTemporaryDir dir;
        QString out, err;
        QCOMPARE(Run({"check", dir.filePath("missing.fr3")}, &out, &err), 2);
        QVERIFY(err.contains("missing.fr3"));
        QCOMPARE(Run({"resave", dir.filePath("missing.fr3"), dir.filePath("out.fr3")}, &out, &err), 2);
        QVERIFY(!QFile::exists(dir.filePath("out.fr3")));
        err.clear();
        QCOMPARE(Run({"check"}, &out, &err), 2);
        QVERIFY(err.startsWith("usage:"));
        QCOMPARE(Run({"frobnicate", "x"}, &out, &err), 2);
        const QString in = Write(dir, "in.fr3", Layout(""));
        QCOMPARE(Run({"resave", in, dir.filePath("no/such/folder/out.fr3")}, &out, &err), 2);
    }

    void resaveWritesTheProgramsOwnForm()
    {
        QTemporaryDir dir;
        const QString in =
            Write(dir, "in.fr3",
                  Layout("<TfrxReportPage Name=\"Page1\" PaperWidth=\"100,5\">"
                         "<TfrxMemoView Name=\"Memo1\" Memo.Text=\"a&#13;&#10;b\"/></TfrxReportPage>"));
        const QString outPath = dir.filePath("out.fr3");
        QString out, err;
        QCOMPARE(Run({"resave", in, outPath}, &out, &err), 0);
        QFile file(outPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY(written.startsWith(
            "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n<TfrxReport Version="));
        QVERIFY(written.contains("<TfrxDataPage Name=\"Data\""));
        // A value goes back in the spelling it was read with.
        QVERIFY(written.contains("PaperWidth=\"100,5\""));
        QVERIFY(written.contains("Text=\"a&#13;&#10;b\"/>"));
        // Resaving what was written changes nothing.
        const QString again = dir.filePath("again.fr3");
        QCOMPARE(Run({"resave", outPath, again}, &out, &err), 0);
        QFile second(again);
        QVERIFY(second.open(QIODevice::ReadOnly));
        QCOMPARE(second.readAll(), written);
    }

    // A layout this program wrote, resaved unchanged, is the same file: the command line's own
    // settings (silent loading) stay out of it, and the host dataset frxUserDataSet1 (alias FD) is
    // there to write the report's dataset entry in full. The window's report holder saves the same
    // bytes.
    void resaveKeepsTheProgramsLayoutsAsTheyAre_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("minimal waybill")
            << QStringLiteral(WAYBILL_SOURCE_DIR "/tests/report/fixtures/layouts/waybill_minimal.fr3");
        const QDir templates(QStringLiteral(WAYBILL_SOURCE_DIR "/data/template"));
        for (const QFileInfo &folder : templates.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            for (const QFileInfo &layout : QDir(folder.filePath()).entryInfoList({"*.fr3"}, QDir::Files))
                QTest::newRow(qPrintable(folder.fileName())) << layout.filePath();
    }

    void resaveKeepsTheProgramsLayoutsAsTheyAre()
    {
        QFETCH(QString, path);
        QFile in(path);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray original = in.readAll();
        QVERIFY(original.contains("PropData=\"") && original.contains("frxUserDataSet1"));

        QTemporaryDir dir;
        const QString home = QStringLiteral(WAYBILL_SOURCE_DIR "/data");
        QString out, err;
        QTextStream o(&out), e(&err);
        QCOMPARE(Cli::Run({"--home", home, "layout", "resave", path, dir.filePath("cli.fr3")}, o, e), 0);
        QCOMPARE(Cli::Run({"layout", "resave", path, dir.filePath("plain.fr3")}, o, e), 0);
        o.flush();
        e.flush();
        QVERIFY2(err.isEmpty(), qPrintable(err));

        // The window's code path: its report holder loads and saves.
        {
            TTavrelForm window;
            frxLoadFromFile(*window.frxReport1, path);
            QVERIFY(window.frxReport1->Errors().isEmpty());
            frxSaveToFile(*window.frxReport1, dir.filePath("window.fr3"));
        }
        for (const char *name : {"cli.fr3", "plain.fr3", "window.fr3"}) {
            QFile written(dir.filePath(name));
            QVERIFY(written.open(QIODevice::ReadOnly));
            const QByteArray bytes = written.readAll();
            QVERIFY2(!bytes.contains("NewSilentMode"), name);
            QCOMPARE(MaskLastChange(bytes), MaskLastChange(original));
        }
    }

    // Layouts of other programs, with attributes the model does not know (AllowVectorExport,
    // FillType, Fill.BackColor, Highlight.Fill.BackColor), references to the authors' own database
    // components (DataSet="frxDBDataset1") and values the writer would spell otherwise (297.1798,
    // PreviewOptions.Buttons 3121, a picture of class TPNGObject): resave writes them byte for
    // byte, check names what is kept without being understood, and a change made through the
    // model changes only its attribute.
    void foreignLayoutsComeBackAsTheyWere_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("checked");
        QTest::newRow("invoice") << "invoice_ru.fr3"
                                 << "kept, not understood: attribute AllowVectorExport on Memo1, Memo2, Memo3, "
                                    "Memo4, Memo5\n"
                                    "kept, not understood: attribute Fill.BackColor on Memo1, Memo4\n"
                                    "kept, not understood: attribute FillGap.Bottom on ReportTitle1, MasterData1, "
                                    "PageFooter1\n"
                                    "kept, not understood: attribute FillGap.Left on ReportTitle1, MasterData1, "
                                    "PageFooter1\n"
                                    "kept, not understood: attribute FillGap.Right on ReportTitle1, MasterData1, "
                                    "PageFooter1\n"
                                    "kept, not understood: attribute FillGap.Top on ReportTitle1, MasterData1, "
                                    "PageFooter1\n"
                                    "kept, not understood: attribute FillType on ReportTitle1, MasterData1, "
                                    "PageFooter1\n"
                                    "kept, not understood: attribute Frame.Typ on ReportTitle1, MasterData1, "
                                    "PageFooter1\n"
                                    "kept, not understood: attribute Highlight.Fill.BackColor on Memo3\n"
                                    "kept, not understood: attribute Highlight.FillType on Memo3\n"
                                    "kept, not understood: attribute MirrorMode on Page1\n"
                                    "kept, not understood: reference DataSet=\"frxDBDataset1\" (not in the layout) "
                                    "on Report, MasterData1, Memo2, Memo3\n";
        QTest::newRow("labels") << "labels_pt.fr3"
                                << "kept, not understood: attribute AllowVectorExport on Picture1, Memo1, Memo2, Memo3\n"
                                   "kept, not understood: attribute Fill.BackColor on Memo2\n"
                                   "kept, not understood: attribute FillGap.Bottom on MasterData1\n"
                                   "kept, not understood: attribute FillGap.Left on MasterData1\n"
                                   "kept, not understood: attribute FillGap.Right on MasterData1\n"
                                   "kept, not understood: attribute FillGap.Top on MasterData1\n"
                                   "kept, not understood: attribute FillType on MasterData1\n"
                                   "kept, not understood: attribute Frame.Typ on MasterData1\n"
                                   "kept, not understood: attribute MirrorMode on Page1\n"
                                   "kept, not understood: reference DataSet=\"frxDBEtiquetas\" (not in the layout) "
                                   "on MasterData1, Memo1\n";
    }

    void foreignLayoutsComeBackAsTheyWere()
    {
        QFETCH(QString, file);
        QFETCH(QString, checked);
        const QString in = QStringLiteral(WAYBILL_SOURCE_DIR "/tests/report/fixtures/layouts/kept/") + file;
        QFile original(in);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray bytes = original.readAll();
        QTemporaryDir dir;
        QString out, err;
        QCOMPARE(Run({"check", in}, &out, &err), 0);
        QCOMPARE(out, checked);
        out.clear();
        QCOMPARE(Run({"resave", in, dir.filePath("out.fr3")}, &out, &err), 0);
        QVERIFY2(out.isEmpty() && err.isEmpty(), qPrintable(out + err));
        QFile written(dir.filePath("out.fr3"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(MaskLastChange(written.readAll()), MaskLastChange(bytes));

        // One change through the model: only its attribute differs.
        TTavrelForm window;
        frxLoadFromFile(*window.frxReport1, in);
        TfrxComponent *memo = window.frxReport1->FindObject("Memo3");
        QVERIFY(memo);
        memo->SetLeft(memo->Left() + 5);
        frxSaveToFile(*window.frxReport1, dir.filePath("changed.fr3"));
        QFile changed(dir.filePath("changed.fr3"));
        QVERIFY(changed.open(QIODevice::ReadOnly));
        const QByteArray left = "Name=\"Memo3\" AllowVectorExport=\"True\" Left=\"" +
                                QByteArray::number(memo->Left() - 5) + '"';
        QVERIFY(bytes.contains(left));
        QCOMPARE(MaskLastChange(changed.readAll()),
                 MaskLastChange(QByteArray(bytes).replace(left, QByteArray(left).replace(
                     "Left=\"" + QByteArray::number(memo->Left() - 5), "Left=\"" + QByteArray::number(memo->Left())))));
    }

    void resaveRefusesALayoutThatLostParts()
    {
        QTemporaryDir dir;
        const QString in = Write(
            dir, "in.fr3",
            Layout("<TfrxReportPage Name=\"Page1\"><TfrxMemoView Name=\"M\" Left=\"x\"/></TfrxReportPage>"));
        QString out, err;
        QCOMPARE(Run({"resave", in, dir.filePath("out.fr3")}, &out, &err), 1);
        QCOMPARE(out, QStringLiteral("M.Left: 'x' is not a valid floating point value\n"));
        QVERIFY(!QFile::exists(dir.filePath("out.fr3")));
    }

    // Layouts of other versions and programs: check names only the classes outside the product
    // (and a layout that does not walk the orders), and resave writes them, stable from the first resave on, with every named object.
    void fixturesOfOtherVersions()
    {
        const QDir fixtures(QStringLiteral(WAYBILL_SOURCE_DIR "/tests/report/fixtures/layouts/versions"));
        const QStringList files = fixtures.entryList({"*.fr3"}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 3);
        // Objects are elements named after their class; list entries ("item") are not objects.
        static const QRegularExpression named(QStringLiteral("<(?!item |Styles )\\w+ Name=\"([^\"]*)\""));
        auto names = [](const QByteArray &bytes) {
            QStringList list;
            for (const QRegularExpressionMatch &m : named.globalMatch(QString::fromUtf8(bytes)))
                list << m.captured(1);
            list.sort();
            return list;
        };
        QTemporaryDir dir;
        for (const QString &file : files) {
            QString out, err;
            const QString in = fixtures.filePath(file);
            Run({"check", in}, &out, &err);
            // (A layout printing FD values without walking FD, as child_lists.fr3 does, is also named.)
            for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
                QVERIFY2(line.startsWith("Cannot find class ") || line.startsWith(QStringLiteral("模板没有遍历订单")) ||
                             line.startsWith("kept, not understood: "),
                         qPrintable(file + ": " + line));
            const QString first = dir.filePath("first-" + file), second = dir.filePath("second-" + file);
            QCOMPARE(Run({"resave", in, first}, &out, &err), 0);
            QCOMPARE(Run({"resave", first, second}, &out, &err), 0);
            QFile a(first), b(second), original(in);
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
                    original.open(QIODevice::ReadOnly));
            const QByteArray written = a.readAll();
            QCOMPARE(b.readAll(), written);
            QCOMPARE(names(written), names(original.readAll()));
        }
    }
};

QTEST_MAIN(TestLayoutCli)
#include "tst_layout.moc"

// waybill-cli's script commands: checking a script file and evaluating an expression.
#include "cli/ScriptCommands.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestScriptCli : public QObject {
    Q_OBJECT

    static int Run(const QStringList &args, QString *out, QString *err)
    {
        QTextStream o(out), e(err);
        const int code = Cli::Script(args, o, e);
        o.flush();
        e.flush();
        return code;
    }

    static QString Write(const QTemporaryDir &dir, const QString &name, const QString &text)
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(text.toUtf8());
        return file.fileName();
    }

private slots:
    void check_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("output");
        QTest::newRow("ok") << QStringList() << "var s: String;\nbegin\n  s := Trim(' x ');\nend." << 0
                            << "ok\n";
        QTest::newRow("syntax error")
            << QStringList() << "begin\n  x := ;\nend." << 1 << "2:8: Expression expected\n";
        QTest::newRow("translation error")
            << QStringList() << "var s: String;\nbegin\n  s := 1;\nend." << 1 << "3:8: Incompatible types\n";
        QTest::newRow("language option")
            << QStringList({"--language", "C++Script"}) << "{ int i = 1; i++; }" << 0 << "ok\n";
        QTest::newRow("#language line") << QStringList() << "#language JScript\nvar a = 1;\n" << 0 << "ok\n";
        QTest::newRow("unknown language")
            << QStringList({"--language", "Cobol"}) << "begin end." << 1 << "Language 'Cobol' not found\n";
    }
    void check()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, source);
        QFETCH(int, code);
        QFETCH(QString, output);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString file = Write(dir, "script.pas", source);
        QString out, err;
        QCOMPARE(Run(QStringList({"check", file}) + options, &out, &err), code);
        QCOMPARE(out, output);
    }

    void checkFindsUnitsBesideTheFile()
    {
        QTemporaryDir dir;
        Write(dir, "lib.pas", "function Twice(n: Integer): Integer; begin Result := n * 2; end;\n");
        const QString file = Write(dir, "main.pas", "uses 'lib.pas';\nbegin\n  Twice(Nope);\nend.");
        QString out, err;
        QCOMPARE(Run({"check", file}, &out, &err), 1);
        QCOMPARE(out, QString("3:9: Undeclared identifier: 'Nope'\n"));
    }

    void eval_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("number") << QStringList({"eval", "2 + 3 * 4"}) << 0 << "14\n"
                                << "";
        QTest::newRow("text") << QStringList({"eval", "FormatFloat('#,##0.00', 1234.5)"}) << 0 << "1,234.50\n"
                              << "";
        QTest::newRow("array") << QStringList({"eval", "[1, 'a']"}) << 0 << "[1, a]\n"
                               << "";
        QTest::newRow("other language")
            << QStringList({"eval", "\"a\" + \"b\"", "--language", "JScript"}) << 0 << "ab\n"
            << "";
        QTest::newRow("compile error") << QStringList({"eval", "1 +"}) << 1 << ""
                                       << "Expression expected\n";
        QTest::newRow("run-time error") << QStringList({"eval", "1 div 0"}) << 1 << ""
                                        << "Division by zero\n";
    }
    void eval()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QString o, e;
        QCOMPARE(Run(args, &o, &e), code);
        QCOMPARE(o, out);
        QCOMPARE(e, err);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown") << QStringList({"run", "x"});
        QTest::newRow("missing file") << QStringList({"check", "/nonexistent/x.pas"});
        QTest::newRow("option without value") << QStringList({"eval", "1", "--language"});
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        QString out, err;
        QCOMPARE(Run(args, &out, &err), 2);
        QVERIFY(out.isEmpty());
        QVERIFY(!err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestScriptCli)
#include "tst_script.moc"

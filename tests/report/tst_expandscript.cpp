// Text expansion through the script engine: expressions that are more than a plain name, the
// functions the report script offers them (Get through <...>, Set, Calc, IIF), variables holding
// expressions, errors with their texts, and expressions that are too big or broken.

#include "report/model/frxClass.h"
#include "report/expr/frxScriptBridge.h"
#include "script/fs_iinterpreter.h"

#include <QDate>
#include <QtTest>

namespace {

struct Fixture {
    TfrxReport report;
    TfrxUserDataSet fd;
    TfrxMemoView *memo;
    QHash<QString, Variant> row;
    QStringList asked;

    Fixture()
    {
        fd.SetUserName(QStringLiteral("FD"));
        fd.OnGetValue = [this](const QString &name, Variant &value) {
            asked << name;
            auto it = row.constFind(name);
            if (it != row.constEnd())
                value = *it;
        };
        report.Datasets()->Add(&fd);
        auto *page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        memo = new TfrxMemoView(page);
        memo->SetName(QStringLiteral("Memo1"));
        report.SetCurObject(QStringLiteral("Memo1"));
        row.insert(QStringLiteral("收件人"), QStringLiteral("张三"));
        row.insert(QStringLiteral("金额"), 123.456);
        row.insert(QStringLiteral("数量"), 0);
    }

    QString Expand(const QString &text)
    {
        memo->SetText(text);
        memo->ComputeData();
        return memo->Memo().join(QLatin1Char('\n'));
    }

    // The error an expansion raises; also checks that it went to the report's errors.
    QString ExpandError(const QString &text)
    {
        report.ClearErrors();
        try {
            Expand(text);
        } catch (const EReportError &e) {
            if (!report.Errors().contains(e.Message()))
                return QStringLiteral("not in Errors: ") + e.Message();
            return e.Message();
        }
        return QStringLiteral("no error");
    }
};

} // namespace

class TestExpandScript : public QObject {
    Q_OBJECT
private slots:
    void init() { SetFormatSettings(TFormatSettings()); }

    void expressions_data();
    void expressions();
    void variableHoldingAnExpression();
    void languages_data();
    void languages();
    void errors_data();
    void errors();
    void divisionByZeroMayBeIgnored();
    void unknownNameInAngleBrackets();
    void highlightConditionSeesValue();
    void reportScriptSetsVariables();
    void cacheKeepsOneProgramPerText();
    void hugeAndBrokenExpressions();
};

void TestExpandScript::expressions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("delimiters inside quotes") << "[IIF(1 > 0, ']', '[')]"
                                              << "]";
    QTest::newRow("arithmetic") << "[2 + 3 * 4]"
                                << "14";
    QTest::newRow("field in angle brackets") << "[<FD.\"收件人\"> + '先生']"
                                             << "张三先生";
    QTest::newRow("IIF with a format suffix") << "[IIF(<FD.\"金额\"> > 100, <FD.\"金额\">, 0) #n%2.2f]"
                                              << "123.46";
    QTest::newRow("script-visible Calc") << "[Calc('2 * 3') + 1]"
                                         << "7";
    QTest::newRow("library function") << "[FormatFloat('#,##0.0', 1234.56)]"
                                      << "1,234.6";
    QTest::newRow("nested brackets") << "[IIF([Page#] = 1, 'first', 'other')]"
                                     << "first";
    QTest::newRow("text around") << "合计: [1 + 1] 件"
                                 << "合计: 2 件";
}

void TestExpandScript::expressions()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    Fixture f;
    if (text.contains(QLatin1String("[Page#]"))) {
        // Inner brackets are part of the script text: Page# is not script syntax, so the layout
        // writes it through Get.
        text.replace(QLatin1String("[Page#]"), QLatin1String("<Page#>"));
    }
    QCOMPARE(f.Expand(text), expected);
    QVERIFY(f.report.Errors().isEmpty());
}

void TestExpandScript::variableHoldingAnExpression()
{
    Fixture f;
    f.report.Variables()->SetValue(QStringLiteral("V"), QStringLiteral("2+3"));
    f.report.Variables()->SetValue(QStringLiteral("Greeting"), QStringLiteral("'您好, ' + <FD.\"收件人\">"));
    QCOMPARE(f.Expand(QStringLiteral("[V]")), QStringLiteral("5"));
    QCOMPARE(f.Expand(QStringLiteral("[Greeting]")), QStringLiteral("您好, 张三"));
    QCOMPARE(f.Expand(QStringLiteral("[<V> * 2]")), QStringLiteral("10"));
    // A variable whose expression comes back to it through Get ends with an error.
    f.report.Variables()->SetValue(QStringLiteral("Loop"), QStringLiteral("<Loop> + 1"));
    QCOMPARE(f.ExpandError(QStringLiteral("[Loop]")),
             QStringLiteral("Memo1: Variable Loop refers to itself"));
}

void TestExpandScript::languages_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("PascalScript") << "PascalScript";
    QTest::newRow("C++Script") << "C++Script";
    QTest::newRow("BasicScript") << "BasicScript";
    QTest::newRow("JScript") << "JScript";
}

void TestExpandScript::languages()
{
    QFETCH(QString, language);
    Fixture f;
    f.report.ExpressionCache()->Clear();
    f.report.ExpressionCache()->SetScriptLanguage(language);
    QCOMPARE(f.Expand(QStringLiteral("[2 + 3 * 4]|[<FD.\"金额\"> * 2]")), QStringLiteral("14|246.912"));
}

void TestExpandScript::errors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    // Blanks around a field reference defeat the fast path; the script does not know FD.
    QTest::newRow("blanks inside the brackets") << "[ FD.\"收件人\" ]"
                                                << "Memo1: Error in expression ' FD.\"收件人\" ': ";
    QTest::newRow("unknown identifier") << "[Nobody + 1]"
                                        << "Memo1: Error in expression 'Nobody + 1': ";
    QTest::newRow("incompatible types") << "['abc' + 1]"
                                        << "Memo1: Error in expression ''abc' + 1': Incompatible types";
    QTest::newRow("run-time error") << "[StrToInt('x')]"
                                    << "Memo1: ";
    QTest::newRow("script-visible Calc") << "[Calc('1 +')]"
                                         << "Memo1: Error in Calc expression:Error in expression '1 +': ";
}

void TestExpandScript::errors()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    Fixture f;
    const QString error = f.ExpandError(text);
    QVERIFY2(error.startsWith(expected), qPrintable(error));
    QVERIFY2(error.size() > QStringLiteral("Memo1: ").size() + 3, qPrintable(error));
    if (text.contains(QLatin1String(" FD.")))
        QVERIFY(f.asked.isEmpty()); // the dataset was never asked
}

void TestExpandScript::divisionByZeroMayBeIgnored()
{
    Fixture f;
    const QString text = QStringLiteral("[<FD.\"金额\"> / <FD.\"数量\">]");
    QCOMPARE(f.ExpandError(text), QStringLiteral("Memo1: Floating point division by zero"));
    f.report.EngineOptions()->SetIgnoreDevByZero(true);
    f.report.ClearErrors();
    QCOMPARE(f.Expand(QStringLiteral("单价") + text), QStringLiteral("单价"));
    QVERIFY(f.report.Errors().isEmpty());
}

void TestExpandScript::unknownNameInAngleBrackets()
{
    Fixture f;
    QCOMPARE(f.Expand(QStringLiteral("[<Nobody>]")), QString());
    QCOMPARE(f.report.Errors(), QStringList{"Unknown variable or datafield: Nobody"});
}

void TestExpandScript::highlightConditionSeesValue()
{
    Fixture f;
    f.memo->Highlight()->SetCondition(QStringLiteral("Value > 100"));
    f.Expand(QStringLiteral("[FD.\"金额\"]"));
    QVERIFY(f.memo->Highlight()->Active());
    f.row.insert(QStringLiteral("金额"), 5);
    f.Expand(QStringLiteral("[FD.\"金额\"]"));
    QVERIFY(!f.memo->Highlight()->Active());
    // A plain name of the script is answered without compiling.
    QCOMPARE(f.report.Calc(QStringLiteral("Value")).ToInt(), 5);
}

void TestExpandScript::reportScriptSetsVariables()
{
    Fixture f;
    TfsScript *script = f.report.Script();
    QVERIFY(script);
    script->SetLines({QStringLiteral("var Counter: Integer;"), QStringLiteral("begin"),
                      QStringLiteral("  Counter := 41;"), QStringLiteral("  Set('Total', Counter + 1)"),
                      QStringLiteral("end.")});
    QVERIFY2(script->Compile(), qPrintable(script->ErrorMsg()));
    script->Execute();
    QCOMPARE(f.Expand(QStringLiteral("[Total]/[Counter]")), QStringLiteral("42/41"));
}

void TestExpandScript::cacheKeepsOneProgramPerText()
{
    Fixture f;
    for (int record = 0; record < 50; ++record) {
        f.row.insert(QStringLiteral("金额"), record);
        QCOMPARE(f.Expand(QStringLiteral("[IIF(<FD.\"金额\"> > 10, 'big', 'small')]|[<FD.\"金额\"> + 1]")),
                 QStringLiteral("%1|%2").arg(record > 10 ? "big" : "small").arg(record + 1));
    }
    QCOMPARE(f.report.ExpressionCache()->Count(), 2);
}

void TestExpandScript::hugeAndBrokenExpressions()
{
    Fixture f;
    // A megabyte of text in one string literal.
    const QString big(1 << 20, QLatin1Char('x'));
    QCOMPARE(f.Expand(QStringLiteral("['") + big + QStringLiteral("']")), big);
    // A megabyte of operators: an error or a value, never a crash.
    QString sum = QStringLiteral("[1");
    while (sum.size() < (1 << 20))
        sum += QStringLiteral("+1");
    sum += QLatin1Char(']');
    try {
        const QString text = f.Expand(sum);
        QCOMPARE(text, QString::number((sum.size() - 1) / 2));
    } catch (const EReportError &e) {
        QVERIFY(e.Message().startsWith(QLatin1String("Memo1: ")));
    }
    // Unbalanced brackets and quotes stay as they are.
    QCOMPARE(f.Expand(QStringLiteral("[1 + [2]")), QStringLiteral("[1 + [2]"));
    QCOMPARE(f.Expand(QStringLiteral("[IIF(1 > 0, 'a]")), QStringLiteral("[IIF(1 > 0, 'a]"));
    QCOMPARE(f.Expand(QStringLiteral("[1 + 1]]")), QStringLiteral("2]"));
}

QTEST_GUILESS_MAIN(TestExpandScript)
#include "tst_expandscript.moc"

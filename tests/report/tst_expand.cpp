// Text expansion: finding bracketed expressions, the data step of text objects over a user dataset,
// plain names answered without the script engine, the expression cache and its errors. The script
// engine is replaced here by a recording double, so what reaches it (and what does not) is seen;
// tst_expandscript runs the same paths through the real engine.

#include "report/model/frxClass.h"
#include "report/expr/frxExpand.h"

#include <QDate>
#include <QtTest>

#include <stdexcept>

namespace {

// Stands in for the script engine: records the programs it is given and answers each compiled
// expression through a callback.
class RecordingScript : public TfrxExpressionScript {
public:
    QStringList programs;
    QStringList calls;
    QHash<QString, Variant> variables;
    std::function<Variant(const QString &expression)> answer = [](const QString &) { return Variant(); };
    std::function<QString(const QString &expression)> compileError = [](const QString &) {
        return QString();
    };

    void ClearExpressions() override { m_expressions.clear(); }
    bool CompileExpression(const QString &language, const QString &program, const QString &function,
                           QString &message) override
    {
        programs << program;
        QString expression = program;
        const qsizetype start = expression.indexOf(QLatin1String("Result := "));
        if (start >= 0)
            expression = expression.mid(start + 10).chopped(QStringLiteral(" end; begin end.").size());
        message = compileError(expression);
        if (!message.isEmpty())
            return false;
        m_expressions.insert(function, expression);
        return true;
    }
    Variant CallExpression(const QString &function) override
    {
        calls << function;
        return answer(m_expressions.value(function));
    }
    bool FindScriptVariable(const QString &name, Variant &value) override
    {
        auto it = variables.constFind(name);
        if (it == variables.constEnd())
            return false;
        value = *it;
        return true;
    }
    void SetScriptVariable(const QString &name, const Variant &value) override
    {
        variables.insert(name, value);
    }

private:
    QHash<QString, QString> m_expressions;
};

class Counters : public TfrxBuildCounters {
public:
    double StartDate() const override { return Variant::EncodeDateTime(QDate(2024, 3, 5), QTime()); }
    double StartTime() const override { return 0.5; }
    int LogicalPageNo() const override { return 2; }
    int CurPage() const override { return 4; }
    int LogicalTotal() const override { return 3; }
    int TotalPages() const override { return 9; }
    int CurLine() const override { return 7; }
    int CurLineThrough() const override { return 17; }
};

// A report with one page, the user dataset FD in its dataset list answering from a row, and a
// text object Memo1 on the page.
struct Fixture {
    TfrxReport report;
    TfrxUserDataSet fd;
    TfrxReportPage *page;
    TfrxMemoView *memo;
    RecordingScript *script;
    QHash<QString, Variant> row;
    QStringList asked;

    Fixture()
    {
        fd.SetName(QStringLiteral("frxUserDataSet1"));
        fd.SetUserName(QStringLiteral("FD"));
        fd.OnGetValue = [this](const QString &name, Variant &value) {
            asked << name;
            auto it = row.constFind(name);
            if (it != row.constEnd())
                value = *it;
        };
        report.Datasets()->Add(&fd);
        page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        memo = new TfrxMemoView(page);
        memo->SetName(QStringLiteral("Memo1"));
        auto owned = std::make_unique<RecordingScript>();
        script = owned.get();
        report.SetExpressionScript(std::move(owned));
        row.insert(QStringLiteral("收件人"), QStringLiteral("张三"));
        row.insert(QStringLiteral("电话"), QStringLiteral("13800000000"));
        row.insert(QStringLiteral("金额"), 3.14159);
        row.insert(QStringLiteral("日期"), Variant::FromDate(QDate(2024, 3, 5)));
        row.insert(QStringLiteral("零"), 0);
        row.insert(QStringLiteral("零字"), QStringLiteral("0"));
    }

    QString Expand(const QString &text)
    {
        memo->SetText(text);
        memo->ComputeData();
        return memo->Memo().join(QLatin1Char('\n'));
    }
};

} // namespace

class TestExpand : public QObject {
    Q_OBJECT
private slots:
    void init() { SetFormatSettings(TFormatSettings()); }

    void findBracketedExpression_data();
    void findBracketedExpression();
    void expandBracketsLeavesTheRestAlone_data();
    void expandBracketsLeavesTheRestAlone();

    void fieldReferenceAsksTheHostOnce();
    void boundTextAsksTwiceAndPrintsTheSecondAnswer();
    void unansweredField_data();
    void unansweredField();
    void twoReferencesInOneText();
    void formatSuffix_data();
    void formatSuffix();
    void hideZeros_data();
    void hideZeros();
    void allowExpressionsOff();
    void otherDelimiters_data();
    void otherDelimiters();
    void lineBreakClosesAnExpression();
    void suppressRepeatedAcrossRecords();
    void blanksDefeatTheFastPath();
    void onlyDatasetsOfTheReportCount();
    void systemVariables_data();
    void systemVariables();
    void pagePlaceholdersCompletedWhenDrawn();
    void hostCallbacksMayDecline();
    void variables();
    void variableReferringToItself();
    void scriptVariables();
    void highlightAndValue();
    void tagStrAndUrl();
    void flowToHandsOverTheRest();
    void fontCharsetConvertsValues();

    void expressionCacheCompilesOnce();
    void programTexts_data();
    void programTexts();
    void compileErrors();
    void runErrorsAndDivisionByZero();
    void scriptFunctionsGetAndSet();
    void hostCallbackThatThrows();
};

// ---- finding expressions ------------------------------------------------------------------------------

void TestExpand::findBracketedExpression_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("close");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("plain") << "[A]"
                           << "["
                           << "]" << 0 << true << "A" << 0 << 2;
    QTest::newRow("field") << "收件人:[FD.\"收件人\"]!"
                           << "["
                           << "]" << 4 << true << "FD.\"收件人\"" << 4 << 13;
    QTest::newRow("nested") << "[IIF([A]>0, 1, 2)]"
                            << "["
                            << "]" << 0 << true << "IIF([A]>0, 1, 2)" << 0 << 17;
    QTest::newRow("single quotes") << "[IIF(1 > 0, ']', '[')]"
                                   << "["
                                   << "]" << 0 << true << "IIF(1 > 0, ']', '[')" << 0 << 21;
    QTest::newRow("double quotes") << "[FD.\"a]b\"] x"
                                   << "["
                                   << "]" << 0 << true << "FD.\"a]b\"" << 0 << 9;
    QTest::newRow("apostrophe in double quotes") << "[FD.\"O'Neil\"]"
                                                 << "["
                                                 << "]" << 0 << true << "FD.\"O'Neil\"" << 0 << 12;
    QTest::newRow("two-character delimiters") << "a<%x%>b"
                                              << "<%"
                                              << "%>" << 1 << true << "x" << 1 << 5;
    QTest::newRow("empty expression") << "[]"
                                      << "["
                                      << "]" << 0 << true << "" << 0 << 1;
    QTest::newRow("unterminated") << "[abc"
                                  << "["
                                  << "]" << 0 << false << "" << 0 << 0;
    QTest::newRow("unterminated nesting") << "[[x]"
                                          << "["
                                          << "]" << 0 << false << "" << 0 << 0;
    QTest::newRow("quote never closed") << "[Customer's]"
                                        << "["
                                        << "]" << 0 << false << "" << 0 << 0;
    QTest::newRow("opening delimiter last") << "abc["
                                            << "["
                                            << "]" << 3 << false << "" << 3 << 3;
    QTest::newRow("empty text") << ""
                                << "["
                                << "]" << 0 << false << "" << 0 << 0;
    QTest::newRow("start beyond the text") << "[A]"
                                           << "["
                                           << "]" << 5 << false << "" << 5 << 5;
}

void TestExpand::findBracketedExpression()
{
    QFETCH(QString, text);
    QFETCH(QString, open);
    QFETCH(QString, close);
    QFETCH(int, start);
    QFETCH(bool, found);
    QFETCH(QString, expression);
    QFETCH(int, from);
    QFETCH(int, to);
    const TfrxBracketedExpression result = frxFindBracketedExpression(text, open, close, start);
    QCOMPARE(result.Found(), found);
    QCOMPARE(result.Expression, expression);
    if (found) {
        QCOMPARE(int(result.Start), from);
        QCOMPARE(int(result.End), to);
    }
}

void TestExpand::expandBracketsLeavesTheRestAlone_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("around and between") << "a[x]b[y]c"
                                        << "a<x>b<y>c";
    QTest::newRow("unbalanced closing") << "[x]]"
                                        << "<x>]";
    QTest::newRow("unterminated tail stays") << "[x] and [y"
                                             << "<x> and [y";
    QTest::newRow("unterminated first stops the scan") << "[[x] [y]"
                                                       << "[[x] [y]";
    QTest::newRow("inserted text is not scanned again") << "[open]"
                                                        << "<open>";
    QTest::newRow("no delimiters") << "plain"
                                   << "plain";
}

void TestExpand::expandBracketsLeavesTheRestAlone()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    // Each value holds brackets of its own, which must not be expanded again.
    auto evaluate = [](const QString &e) { return QLatin1Char('<') + e + QLatin1Char('>'); };
    QString once = frxExpandBrackets(text, QStringLiteral("["), QStringLiteral("]"), [&](const QString &e) {
        return e == QLatin1String("open") ? QStringLiteral("[x]") : evaluate(e);
    });
    if (text == QLatin1String("[open]"))
        QCOMPARE(once, QStringLiteral("[x]"));
    else
        QCOMPARE(frxExpandBrackets(text, QStringLiteral("["), QStringLiteral("]"), evaluate), expected);
}

// ---- the data step --------------------------------------------------------------------------------------

void TestExpand::fieldReferenceAsksTheHostOnce()
{
    Fixture f;
    QCOMPARE(f.Expand(QStringLiteral("[FD.\"收件人\"]")), QStringLiteral("张三"));
    QCOMPARE(f.asked, QStringList{QStringLiteral("收件人")});
    QCOMPARE(f.memo->Value().ToString(), QStringLiteral("张三"));
    QVERIFY(f.script->programs.isEmpty());
}

void TestExpand::boundTextAsksTwiceAndPrintsTheSecondAnswer()
{
    Fixture f;
    int call = 0;
    f.fd.OnGetValue = [&](const QString &name, Variant &value) {
        f.asked << name;
        value = ++call == 1 ? QStringLiteral("first") : QStringLiteral("second");
    };
    f.memo->SetDataSet(&f.fd);
    f.memo->SetDataField(QStringLiteral("收件人"));
    f.memo->SetText(QStringLiteral("design text [x]"));
    f.memo->ComputeData();
    QCOMPARE(f.asked, (QStringList{QStringLiteral("收件人"), QStringLiteral("收件人")}));
    QCOMPARE(f.memo->Memo(), QStringList{QStringLiteral("second")});
    QCOMPARE(f.memo->Value().ToString(), QStringLiteral("first"));
}

void TestExpand::unansweredField_data()
{
    QTest::addColumn<bool>("bound");
    QTest::addColumn<bool>("convertNulls");
    QTest::addColumn<QString>("expected");
    QTest::newRow("expression, nulls converted") << false << true << "0";
    QTest::newRow("expression, nulls kept") << false << false << "";
    QTest::newRow("bound") << true << true << "";
}

void TestExpand::unansweredField()
{
    QFETCH(bool, bound);
    QFETCH(bool, convertNulls);
    QFETCH(QString, expected);
    Fixture f;
    f.report.EngineOptions()->SetConvertNulls(convertNulls);
    if (bound) {
        f.memo->SetDataSet(&f.fd);
        f.memo->SetDataField(QStringLiteral("备注"));
    }
    QCOMPARE(f.Expand(QStringLiteral("[FD.\"备注\"]")), expected);
}

void TestExpand::twoReferencesInOneText()
{
    Fixture f;
    QCOMPARE(f.Expand(QStringLiteral("收件人: [FD.\"收件人\"], 电话: [FD.\"电话\"]!\r\n第二行")),
             QStringLiteral("收件人: 张三, 电话: 13800000000!\n第二行"));
    QCOMPARE(f.asked, (QStringList{QStringLiteral("收件人"), QStringLiteral("电话")}));
}

void TestExpand::formatSuffix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("#n%2.2f") << "[FD.\"金额\" #n%2.2f]"
                             << "3.14";
    QTest::newRow("#N picture") << "[FD.\"金额\" #N0.000]"
                                << "3.142";
    QTest::newRow("decimal comma") << "[FD.\"金额\" #n%2,2f]"
                                   << "3,14";
    QTest::newRow("decimal minus") << "[FD.\"金额\" #n%2-2f]"
                                   << "3-14";
    QTest::newRow("#dyyyy-mm-dd") << "[FD.\"日期\" #dyyyy-mm-dd]"
                                  << "2024-03-05";
    QTest::newRow("#t") << "[FD.\"日期\" #tdd/mm]"
                        << "05-03";
    QTest::newRow("#b") << "[FD.\"零\" #b否,是]"
                        << "否";
    QTest::newRow("other letter is text") << "[FD.\"金额\" #x0.00]"
                                          << "3.14159";
    QTest::newRow("\"#\" after the split is a placeholder") << "[FD.\"金额\" #n0.0 #]"
                                                            << "3.1 4";
    QTest::newRow("\")\" keeps the whole expression") << "[Copy('a #b', 1, 2)]"
                                                      << "script:Copy('a #b', 1, 2)";
}

void TestExpand::formatSuffix()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    Fixture f;
    f.script->answer = [](const QString &e) { return Variant(QStringLiteral("script:") + e); };
    QCOMPARE(f.Expand(text), expected);
}

void TestExpand::hideZeros_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bound");
    QTest::addColumn<QString>("expected");
    QTest::newRow("number 0") << "[FD.\"零\"]" << false << "";
    QTest::newRow("text 0") << "[FD.\"零字\"]" << false << "0";
    QTest::newRow("Null converted to 0") << "[FD.\"没有\"]" << false << "";
    QTest::newRow("bound number 0") << "零" << true << "";
    QTest::newRow("bound text 0") << "零字" << true << "0";
    QTest::newRow("other text stays") << "共[FD.\"零\"]件" << false << "共件";
}

void TestExpand::hideZeros()
{
    QFETCH(QString, text);
    QFETCH(bool, bound);
    QFETCH(QString, expected);
    Fixture f;
    f.memo->SetHideZeros(true);
    if (bound) {
        f.memo->SetDataSet(&f.fd);
        f.memo->SetDataField(text);
    }
    QCOMPARE(f.Expand(text), expected);
}

void TestExpand::allowExpressionsOff()
{
    Fixture f;
    f.memo->SetAllowExpressions(false);
    QCOMPARE(f.Expand(QStringLiteral("[FD.\"收件人\"]")), QStringLiteral("[FD.\"收件人\"]"));
    QVERIFY(f.asked.isEmpty());
}

void TestExpand::otherDelimiters_data()
{
    QTest::addColumn<QString>("delimiters");
    QTest::addColumn<QString>("expected");
    QTest::newRow("<%,%>") << "<%,%>"
                           << "张三 [FD.\"收件人\"]";
    QTest::newRow("no comma") << "[]"
                              << "<%FD.\"收件人\"%> [FD.\"收件人\"]";
    QTest::newRow("no opening delimiter") << ",]"
                                          << "<%FD.\"收件人\"%> [FD.\"收件人\"]";
    QTest::newRow("no closing delimiter") << "[,"
                                          << "<%FD.\"收件人\"%> [FD.\"收件人\"]";
}

void TestExpand::otherDelimiters()
{
    QFETCH(QString, delimiters);
    QFETCH(QString, expected);
    Fixture f;
    f.memo->SetExpressionDelimiters(delimiters);
    QCOMPARE(f.Expand(QStringLiteral("<%FD.\"收件人\"%> [FD.\"收件人\"]")), expected);
}

void TestExpand::lineBreakClosesAnExpression()
{
    Fixture f;
    f.memo->SetExpressionDelimiters(QStringLiteral("@,\r\n"));
    QCOMPARE(f.Expand(QStringLiteral("To: @FD.\"收件人\"")), QStringLiteral("To: 张三"));
    QCOMPARE(f.Expand(QStringLiteral("@FD.\"收件人\"\r\n@FD.\"电话\"")), QStringLiteral("张三13800000000"));
}

void TestExpand::suppressRepeatedAcrossRecords()
{
    Fixture f;
    f.memo->SetSuppressRepeated(true);
    QStringList printed;
    for (const char *value : {"A", "A", "B", "B", "A"}) {
        f.row.insert(QStringLiteral("收件人"), QString::fromLatin1(value));
        printed << f.Expand(QStringLiteral("[FD.\"收件人\"]"));
    }
    QCOMPARE(printed, (QStringList{"A", "", "B", "", "A"}));
}

void TestExpand::blanksDefeatTheFastPath()
{
    Fixture f;
    f.script->answer = [](const QString &) { return Variant(QStringLiteral("from the script")); };
    QCOMPARE(f.Expand(QStringLiteral("[ FD.\"收件人\" ]")), QStringLiteral("from the script"));
    QVERIFY(f.asked.isEmpty());
    QCOMPARE(f.script->programs,
             QStringList{
                 QStringLiteral("function fr3f0: Variant; begin Result :=  FD.\"收件人\"  end; begin end.")});
}

void TestExpand::onlyDatasetsOfTheReportCount()
{
    Fixture f;
    TfrxUserDataSet other;
    other.SetUserName(QStringLiteral("OD"));
    bool asked = false;
    other.OnGetValue = [&](const QString &, Variant &value) {
        asked = true;
        value = 1;
    };
    f.Expand(QStringLiteral("[OD.\"x\"]"));
    QVERIFY(!asked);
    QCOMPARE(f.script->programs.size(), 1);
}

void TestExpand::systemVariables_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("withCounters");
    QTest::addColumn<QString>("withoutCounters");
    QTest::newRow("Page") << "[Page]"
                          << "2"
                          << "0";
    QTest::newRow("Page#") << "[page#]"
                           << "5"
                           << "1";
    QTest::newRow("TotalPages") << "[TotalPages]"
                                << "3"
                                << "0";
    QTest::newRow("TotalPages#") << "[TOTALPAGES#]"
                                 << "[TotalPages#]"
                                 << "[TotalPages#]";
    QTest::newRow("Line") << "[Line]"
                          << "7"
                          << "0";
    QTest::newRow("Line#") << "[Line#]"
                           << "17"
                           << "0";
    QTest::newRow("Date") << "[Date #dyyyy-mm-dd]"
                          << "2024-03-05" << QDate::currentDate().toString(Qt::ISODate);
    QTest::newRow("Time") << "[Time #dhh:nn]"
                          << "12:00"
                          << "";
    QTest::newRow("CopyName#") << "[CopyName#]"
                               << "[CopyName#]"
                               << "[CopyName#]";
}

void TestExpand::systemVariables()
{
    QFETCH(QString, text);
    QFETCH(QString, withCounters);
    QFETCH(QString, withoutCounters);
    Fixture f;
    if (!withoutCounters.isEmpty())
        QCOMPARE(f.Expand(text), withoutCounters);
    Counters counters;
    f.report.SetBuildCounters(&counters);
    QCOMPARE(f.Expand(text), withCounters);
    QVERIFY(f.asked.isEmpty());
    QVERIFY(f.script->programs.isEmpty());
}

void TestExpand::pagePlaceholdersCompletedWhenDrawn()
{
    Fixture f;
    frxGlobalVariables().SetValue(QStringLiteral("CopyName0"), QStringLiteral("存根"));
    frxGlobalVariables().SetValue(QStringLiteral("CopyName1"), QStringLiteral("副本"));
    QCOMPARE(f.Expand(QStringLiteral("[Page#]/[TotalPages#] [COPYNAME#]")),
             QStringLiteral("1/[TotalPages#] [CopyName#]"));
    // The system variable CopyName# reads the first copy's name while building.
    QCOMPARE(f.report.Calc(QStringLiteral("CopyName#")).ToString(), QStringLiteral("存根"));
    f.memo->SetDrawValues(12, 1, 1.0);
    QCOMPARE(f.memo->DrawnText(), QStringList{QStringLiteral("1/12 副本")});
    // Exports see the text with the first [TotalPages] filled in.
    f.memo->SetText(QStringLiteral("[totalpages] of [TotalPages]"));
    QCOMPARE(f.memo->GetComponentText(), QStringLiteral("12 of [TotalPages]\r\n"));
    f.memo->SetAllowExpressions(false);
    QCOMPARE(f.memo->GetComponentText(), QStringLiteral("[totalpages] of [TotalPages]\r\n"));
    frxGlobalVariables().Clear();
}

void TestExpand::hostCallbacksMayDecline()
{
    Fixture f;
    QStringList seen;
    f.report.OnGetValue = [&](const QString &name, Variant &value) {
        seen << name;
        if (name == QLatin1String("Sender"))
            value = QStringLiteral("李四");
        else if (name == QLatin1String("Nothing"))
            value = Variant::Null();
    };
    f.report.OnNewGetValue = [&](QObject *sender, const QString &name, Variant &value) {
        QCOMPARE(sender, &f.report);
        if (name == QLatin1String("Late"))
            value = 42;
    };
    f.script->answer = [](const QString &) { return Variant(QStringLiteral("script")); };
    QCOMPARE(f.Expand(QStringLiteral("[Sender]|[Nothing]|[Late]|[Other]|[FD.\"收件人\"]")),
             QStringLiteral("李四||42|script|张三"));
    // Fields and system variables never reach the host's report callbacks.
    QCOMPARE(seen, (QStringList{"Sender", "Nothing", "Late", "Other"}));
    QCOMPARE(f.script->programs.size(), 1);
}

void TestExpand::variables()
{
    Fixture f;
    f.report.Variables()->SetValue(QStringLiteral(" Orders"), Variant::Null()); // a category heading
    f.report.Variables()->SetValue(QStringLiteral("Who"), QStringLiteral("FD.\"收件人\""));
    f.report.Variables()->SetValue(QStringLiteral("Via"), QStringLiteral("Who"));
    f.report.Variables()->SetValue(QStringLiteral("Count"), 42);
    f.report.Variables()->SetValue(QStringLiteral("Lines"), QStringLiteral("a\r\nb"));
    frxGlobalVariables().SetValue(QStringLiteral("Shop"), QStringLiteral("小店"));
    frxGlobalVariables().SetValue(QStringLiteral("Count"), 1);
    QCOMPARE(f.Expand(QStringLiteral("[who]|[Via]|[Count]|[Shop]")), QStringLiteral("张三|张三|42|小店"));
    QCOMPARE(f.Expand(QStringLiteral("[Lines]")), QStringLiteral("a\nb"));
    QVERIFY(f.script->programs.isEmpty());
    frxGlobalVariables().Clear();
}

void TestExpand::variableReferringToItself()
{
    Fixture f;
    f.report.Variables()->SetValue(QStringLiteral("A"), QStringLiteral("B"));
    f.report.Variables()->SetValue(QStringLiteral("B"), QStringLiteral("a"));
    try {
        f.Expand(QStringLiteral("[A]"));
        QFAIL("a circular variable must raise");
    } catch (const EReportError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Variable A refers to itself"));
    }
    // Afterwards the variables evaluate again.
    f.report.Variables()->SetValue(QStringLiteral("B"), 5);
    QCOMPARE(f.Expand(QStringLiteral("[A]")), QStringLiteral("5"));
}

void TestExpand::scriptVariables()
{
    Fixture f;
    f.script->variables.insert(QStringLiteral("Counter"), 3);
    QCOMPARE(f.Expand(QStringLiteral("[Counter]")), QStringLiteral("3"));
    QVERIFY(f.script->programs.isEmpty());
}

void TestExpand::highlightAndValue()
{
    Fixture f;
    f.row.insert(QStringLiteral("金额"), 120);
    f.report.Variables()->SetValue(QStringLiteral("Big"), true);
    f.memo->Highlight()->SetCondition(QStringLiteral("Big"));
    f.Expand(QStringLiteral("[FD.\"金额\"]"));
    QVERIFY(f.memo->Highlight()->Active());
    QCOMPARE(f.script->variables.value(QStringLiteral("value")).ToInt(), 120);

    f.report.Variables()->SetValue(QStringLiteral("Big"), false);
    f.Expand(QStringLiteral("[FD.\"金额\"]"));
    QVERIFY(!f.memo->Highlight()->Active());

    f.memo->Highlight()->SetCondition(QString());
    f.memo->Highlight()->SetActive(true);
    f.Expand(QStringLiteral("x"));
    QVERIFY(!f.memo->Highlight()->Active());
}

void TestExpand::tagStrAndUrl()
{
    Fixture f;
    f.memo->DisplayFormat()->SetKind(frx::fkNumeric);
    f.memo->DisplayFormat()->SetFormatStr(QStringLiteral("0.00"));
    f.memo->SetTagStr(QStringLiteral("[FD.\"金额\"]"));
    f.memo->SetURL(QStringLiteral("https://example.com/?to=[FD.\"收件人\"]&v=[FD.\"金额\"]"));
    f.Expand(QStringLiteral("[FD.\"金额\"]"));
    // Text gets the display format; TagStr and URL take values as plain text.
    QCOMPARE(f.memo->Memo(), QStringList{QStringLiteral("3.14")});
    QCOMPARE(f.memo->TagStr(), QStringLiteral("3.14159"));
    QCOMPARE(f.memo->URL(), QStringLiteral("https://example.com/?to=张三&v=3.14159"));
}

void TestExpand::flowToHandsOverTheRest()
{
    Fixture f;
    auto *next = new TfrxMemoView(f.page);
    next->SetName(QStringLiteral("Memo2"));
    next->SetText(QStringLiteral("[FD.\"收件人\"] must not be expanded"));
    f.memo->SetFlowTo(next);
    f.memo->SetBounds(0, 0, 200, 40);
    f.memo->SetWordWrap(false);
    f.Expand(QStringLiteral("line 1\r\nline 2\r\nline 3 [FD.\"收件人\"]\r\nline 4"));
    QVERIFY(f.memo->Memo().size() >= 1);
    QVERIFY(f.memo->Memo().size() < 4);
    QCOMPARE(f.memo->Memo() + next->Memo(),
             (QStringList{"line 1", "line 2", QStringLiteral("line 3 张三"), "line 4"}));
    QVERIFY(!next->AllowExpressions());
    next->ComputeData();
    QCOMPARE(next->Memo().last(), QStringLiteral("line 4"));

    // All of it fits: nothing moves.
    f.memo->SetHeight(400);
    next->SetText(QStringLiteral("keep"));
    f.Expand(QStringLiteral("a\r\nb"));
    QCOMPARE(f.memo->Memo(), (QStringList{"a", "b"}));
    QCOMPARE(next->Memo(), QStringList{"keep"});
}

void TestExpand::fontCharsetConvertsValues()
{
    Fixture f;
    f.row.insert(QStringLiteral("name"), QStringLiteral("中"));
    // A Western font: the value's legacy bytes (D6 D0) read as two Latin letters.
    f.memo->Font()->SetCharset(ANSI_CHARSET);
    QCOMPARE(f.Expand(QStringLiteral("[FD.\"name\"]")), QStringLiteral("ÖÐ"));
    f.memo->SetDataSet(&f.fd);
    f.memo->SetDataField(QStringLiteral("name"));
    QCOMPARE(f.Expand(QString()), QStringLiteral("ÖÐ"));
    f.memo->SetDataSet(nullptr);
    f.memo->SetUseDefaultCharset(true);
    QCOMPARE(f.Expand(QStringLiteral("[FD.\"name\"]")), QStringLiteral("中"));
    // A GB2312 font: field names and values cross both ways unchanged.
    f.memo->SetUseDefaultCharset(false);
    f.memo->Font()->SetCharset(GB2312_CHARSET);
    QCOMPARE(f.Expand(QStringLiteral("[FD.\"收件人\"]")), QStringLiteral("张三"));
}

// ---- Calc and the expression cache ---------------------------------------------------------------------

void TestExpand::expressionCacheCompilesOnce()
{
    Fixture f;
    f.script->answer = [](const QString &e) { return Variant(e.size()); };
    for (int record = 0; record < 3; ++record) {
        QCOMPARE(f.report.Calc(QStringLiteral("IIF(a, b)")).ToInt(), 9);
        QCOMPARE(f.report.Calc(QStringLiteral("iif(A, B)")).ToInt(), 9); // the same, ignoring case
        QCOMPARE(f.report.Calc(QStringLiteral("x + 1")).ToInt(), 5);
    }
    QCOMPARE(f.report.ExpressionCache()->Count(), 2);
    QCOMPARE(f.script->programs.size(), 2);
    QVERIFY(f.script->programs[0].startsWith(QLatin1String("function fr3f0:")));
    QVERIFY(f.script->programs[1].startsWith(QLatin1String("function fr3f1:")));
    QCOMPARE(f.script->calls.size(), 9);

    // Emptied at every build, and given the report's language.
    f.report.SetScriptLanguage(QStringLiteral("C++Script"));
    f.report.ExpressionCache()->Clear();
    QCOMPARE(f.report.ExpressionCache()->Count(), 0);
    QCOMPARE(f.report.ExpressionCache()->ScriptLanguage(), QStringLiteral("C++Script"));
    f.report.Calc(QStringLiteral("x + 1"));
    QCOMPARE(f.script->programs.last(), QStringLiteral("Variant fr3f0() { return x + 1; } {}"));
}

void TestExpand::programTexts_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("program");
    QTest::newRow("PascalScript") << "PascalScript"
                                  << "function fr3f3: Variant; begin Result := 1 + 2 end; begin end.";
    QTest::newRow("C++Script") << "C++Script"
                               << "Variant fr3f3() { return 1 + 2; } {}";
    QTest::newRow("BasicScript") << "BasicScript"
                                 << "function fr3f3\r\nreturn 1 + 2\r\nend function";
    QTest::newRow("JScript") << "JScript"
                             << "function fr3f3() { return 1 + 2; }";
}

void TestExpand::programTexts()
{
    QFETCH(QString, language);
    QFETCH(QString, program);
    QCOMPARE(TfrxExpressionCache::ProgramText(language, QStringLiteral("fr3f3"), QStringLiteral("1 + 2")),
             program);
}

void TestExpand::compileErrors()
{
    Fixture f;
    f.script->compileError = [](const QString &e) {
        return e.contains(QLatin1String("bad")) ? QStringLiteral("Undeclared identifier: 'bad'") : QString();
    };
    f.report.SetCurObject(QStringLiteral("Memo1"));
    const QString expected =
        QStringLiteral("Memo1: Error in expression 'bad + 1': Undeclared identifier: 'bad'");
    try {
        f.Expand(QStringLiteral("x [bad + 1] y"));
        QFAIL("a broken expression must raise");
    } catch (const EReportError &e) {
        QCOMPARE(e.Message(), expected);
    }
    QCOMPARE(f.report.Errors(), QStringList{expected});
    // Not cached: the next expression still gets the first free name.
    QCOMPARE(f.report.ExpressionCache()->Count(), 0);
    f.report.Calc(QStringLiteral("good"));
    QVERIFY(f.script->programs.last().startsWith(QLatin1String("function fr3f0:")));

    // Without a current object there is no prefix; the script-visible Calc has its own.
    f.report.SetCurObject(QString());
    f.report.ClearErrors();
    QVERIFY_THROWS_EXCEPTION(EReportError, f.report.Calc(QStringLiteral("bad")));
    QCOMPARE(f.report.Errors(), QStringList{"Error in expression 'bad': Undeclared identifier: 'bad'"});
    f.report.ClearErrors();
    try {
        f.report.ScriptCalc(QStringLiteral("bad"));
        QFAIL("must raise");
    } catch (const EReportError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Error in Calc expression:Error in expression 'bad': Undeclared "
                                             "identifier: 'bad'"));
    }
    QVERIFY(f.report.Errors().isEmpty());
    // Names the fast path knows never reach the compiler.
    QCOMPARE(f.report.ScriptCalc(QStringLiteral("FD.\"收件人\"")).ToString(), QStringLiteral("张三"));
}

void TestExpand::runErrorsAndDivisionByZero()
{
    Fixture f;
    f.script->answer = [](const QString &e) -> Variant {
        if (e == QLatin1String("1 / 0"))
            throw EZeroDivide();
        if (e == QLatin1String("boom"))
            throw std::runtime_error("boom went the script");
        return 1;
    };
    f.report.SetCurObject(QStringLiteral("Memo1"));
    QVERIFY_THROWS_EXCEPTION(EReportError, f.Expand(QStringLiteral("[1 / 0]")));
    QCOMPARE(f.report.Errors(), QStringList{"Memo1: Floating point division by zero"});

    f.report.ClearErrors();
    f.report.EngineOptions()->SetIgnoreDevByZero(true);
    QCOMPARE(f.Expand(QStringLiteral("a[1 / 0]b")), QStringLiteral("ab"));
    QVERIFY(f.report.Errors().isEmpty());
    QVERIFY_THROWS_EXCEPTION(EReportError, f.Expand(QStringLiteral("[boom]")));
    QCOMPARE(f.report.Errors(), QStringList{"Memo1: boom went the script"});
}

void TestExpand::scriptFunctionsGetAndSet()
{
    Fixture f;
    QCOMPARE(f.report.ScriptGet(QStringLiteral("FD.\"收件人\"")).ToString(), QStringLiteral("张三"));
    QVERIFY(f.report.ScriptGet(QStringLiteral("Nobody")).IsNull());
    QCOMPARE(f.report.Errors(), QStringList{"Unknown variable or datafield: Nobody"});
    QVERIFY(f.script->programs.isEmpty());
    // Aggregates are evaluated as expressions.
    f.script->answer = [](const QString &) { return Variant(10); };
    QCOMPARE(f.report.ScriptGet(QStringLiteral(" Sum (<FD.\"金额\">)")).ToInt(), 10);
    QCOMPARE(f.script->programs.size(), 1);

    f.report.ScriptSet(QStringLiteral("Total"), 5);
    f.report.ScriptSet(QStringLiteral("total"), 6);
    QCOMPARE(f.report.Variables()->Count(), 1);
    QCOMPARE(f.Expand(QStringLiteral("[Total]")), QStringLiteral("6"));
}

void TestExpand::hostCallbackThatThrows()
{
    Fixture f;
    f.fd.OnGetValue = [](const QString &, Variant &) { throw EReportError(QStringLiteral("row missing")); };
    try {
        f.Expand(QStringLiteral("[FD.\"收件人\"]"));
        QFAIL("the host's error must reach the caller");
    } catch (const EReportError &e) {
        QCOMPARE(e.Message(), QStringLiteral("row missing"));
    }
    // The layout's text is not half expanded in a way that loses it: the design text stays.
    QCOMPARE(f.memo->Memo(), QStringList{QStringLiteral("[FD.\"收件人\"]")});
}

QTEST_MAIN(TestExpand)
#include "tst_expand.moc"

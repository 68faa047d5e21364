// The four language definitions on realistic report scripts: each must parse, and the document
// must have the structure the program translator reads.

#include "ScriptTestSupport.h"

#include "script/fs_iilparser.h"

#include <QRegularExpression>
#include <QTest>

using namespace ScriptTest;

namespace {

QString LanguageOf(const QString &file)
{
    if (file.endsWith(".pas"))
        return QStringLiteral("PascalScript");
    if (file.endsWith(".cpp"))
        return QStringLiteral("C++Script");
    if (file.endsWith(".vb"))
        return QStringLiteral("BasicScript");
    return QStringLiteral("JScript");
}

int CountGetCalls(const TfsXMLItem *e)
{
    int count = e->Name() == QLatin1String("node") && e->Prop(QStringLiteral("text")) == QLatin1String("Get");
    for (int i = 0; i < e->Count(); ++i)
        count += CountGetCalls(e->Items(i));
    return count;
}

} // namespace

class TestLanguages : public QObject {
    Q_OBJECT

private slots:
    void corpus_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("outline");

        // An event handler that hides a memo when a field is empty.
        QTest::newRow("pascal hide memo")
            << "hide_memo.pas"
            << "procedure(name parameters(var(ident type)) compoundstmt(ifstmt(expr thenstmt(assignstmt(dsgn "
               "expr)) "
               "elsestmt(compoundstmt(assignstmt(dsgn expr) assignstmt(dsgn expr)))))) compoundstmt()";
        QTest::newRow("c++ hide memo")
            << "hide_memo.cpp"
            << "procedure(name parameters(var(type ident)) compoundstmt(ifstmt(expr thenstmt(assignstmt(dsgn "
               "expr)) "
               "elsestmt(compoundstmt(assignstmt(dsgn expr) assignstmt(dsgn expr)))))) compoundstmt()";
        QTest::newRow("basic hide memo") << "hide_memo.vb"
                                         << "procedure(name parameters(var(ident)) compoundstmt(ifstmt(expr "
                                            "thenstmt(assignstmt(dsgn expr)) "
                                            "elsestmt(assignstmt(dsgn expr) assignstmt(dsgn expr)))))";
        QTest::newRow("js hide memo")
            << "hide_memo.js"
            << "function(name parameters(var(ident)) compoundstmt(ifstmt(expr thenstmt(assignstmt(dsgn "
               "expr)) "
               "elsestmt(compoundstmt(assignstmt(dsgn expr) assignstmt(dsgn expr))))))";

        // A function with a local variable and a loop, called from a handler.
        QTest::newRow("pascal function and loop")
            << "function_loop.pas"
            << "function(name parameters(var(constparam ident type)) type var(ident type) "
               "compoundstmt(assignstmt(dsgn "
               "expr) forstmt(ident expr to expr ifstmt(expr thenstmt(callstmt(dsgn)))))) procedure(name "
               "parameters(var(ident type)) compoundstmt(ifstmt(expr thenstmt(assignstmt(dsgn expr))))) "
               "compoundstmt()";
        QTest::newRow("c++ function and loop")
            << "function_loop.cpp"
            << "function(type name parameters(var(constparam type ident)) compoundstmt(var(type var(ident) "
               "var(ident "
               "expr)) cppforstmt(compoundstmt(assignstmt(dsgn expr)) expr compoundstmt(callstmt(dsgn "
               "modificator)) "
               "ifstmt(expr thenstmt(callstmt(dsgn modificator)))) return(expr))) procedure(name "
               "parameters(var(type "
               "ident)) compoundstmt(ifstmt(expr thenstmt(assignstmt(dsgn expr))))) compoundstmt()";
        QTest::newRow("basic function and loop")
            << "function_loop.vb"
            << "function(name parameters(var(ident type)) type compoundstmt(var(ident type) var(ident expr) "
               "vbforstmt(ident expr expr ifstmt(expr thenstmt(assignstmt(dsgn expr)))) return(expr))) "
               "procedure(name parameters(var(ident)) compoundstmt(ifstmt(expr thenstmt(assignstmt(dsgn "
               "expr)))))";
        QTest::newRow("js function and loop")
            << "function_loop.js"
            << "function(name parameters(var(ident)) compoundstmt(var(ident expr) "
               "cppforstmt(compoundstmt(var(ident "
               "expr)) expr compoundstmt(callstmt(dsgn modificator)) ifstmt(expr thenstmt(callstmt(dsgn "
               "modificator)))) return(expr))) function(name parameters(var(ident)) compoundstmt(ifstmt(expr "
               "thenstmt(assignstmt(dsgn expr)))))";

        // try/except around a conversion, with a global variable set in the main block.
        QTest::newRow("pascal try except") << "try_except.pas"
                                           << "var(ident type) procedure(name parameters(var(ident type)) "
                                              "compoundstmt(trystmt(assignstmt(dsgn expr) "
                                              "assignstmt(dsgn expr) exceptstmt(assignstmt(dsgn expr))))) "
                                              "compoundstmt(assignstmt(dsgn expr))";
        QTest::newRow("c++ try except") << "try_except.cpp"
                                        << "var(type var(ident)) procedure(name parameters(var(type ident)) "
                                           "compoundstmt(trystmt(compoundstmt("
                                           "assignstmt(dsgn op expr) assignstmt(dsgn expr)) "
                                           "exceptstmt(compoundstmt(assignstmt(dsgn expr)))))) "
                                           "compoundstmt(assignstmt(dsgn expr))";
        QTest::newRow("basic try except")
            << "try_except.vb"
            << "var(ident type) procedure(name parameters(var(ident)) compoundstmt(trystmt(assignstmt(dsgn "
               "expr) "
               "assignstmt(dsgn expr) exceptstmt(assignstmt(dsgn expr))))) assignstmt(dsgn expr)";
        QTest::newRow("js try except")
            << "try_except.js"
            << "var(ident expr) function(name parameters(var(ident)) "
               "compoundstmt(trystmt(compoundstmt(assignstmt(dsgn "
               "op expr) assignstmt(dsgn expr)) exceptstmt(compoundstmt(assignstmt(dsgn expr))))))";

        // A case on a string field, two labels on one branch, and an else branch.
        QTest::newRow("pascal case") << "case_string.pas"
                                     << "procedure(name parameters(var(ident type)) var(ident type) "
                                        "compoundstmt(assignstmt(dsgn expr) "
                                        "casestmt(expr caseselector(set assignstmt(dsgn expr)) "
                                        "caseselector(set assignstmt(dsgn expr)) "
                                        "elsestmt(assignstmt(dsgn expr))))) compoundstmt()";
        QTest::newRow("c++ switch")
            << "case_string.cpp"
            << "procedure(name parameters(var(type ident)) compoundstmt(var(type var(ident expr)) "
               "casestmt(expr "
               "caseselector(set assignstmt(dsgn expr)) caseselector(set assignstmt(dsgn expr)) "
               "elsestmt(assignstmt(dsgn expr))))) compoundstmt()";
        QTest::newRow("basic select") << "case_string.vb"
                                      << "procedure(name parameters(var(ident)) compoundstmt(var(ident expr) "
                                         "casestmt(expr caseselector(set "
                                         "assignstmt(dsgn expr)) caseselector(set assignstmt(dsgn expr)) "
                                         "elsestmt(assignstmt(dsgn expr)))))";
        QTest::newRow("js switch") << "case_string.js"
                                   << "function(name parameters(var(ident)) compoundstmt(var(ident expr) "
                                      "casestmt(expr caseselector(set "
                                      "assignstmt(dsgn expr)) caseselector(set assignstmt(dsgn expr)) "
                                      "elsestmt(assignstmt(dsgn expr)))))";

        // Every statement and declaration kind of PascalScript in one program, with a used unit.
        QTest::newRow("pascal full")
            << "full.pas"
            << "uses(procedure(name compoundstmt())) const(ident expr) const(ident type expr) var(ident "
               "type) "
               "var(ident array(expr range expr) type) var(ident type expr) function(name "
               "parameters(var(constparam "
               "ident type) var(ident type expr) var(ident type expr)) type var(ident type) "
               "compoundstmt(assignstmt("
               "dsgn expr) assignstmt(dsgn expr) whilestmt(expr compoundstmt(assignstmt(dsgn expr) "
               "assignstmt(dsgn "
               "expr))))) procedure(name parameters(var(ident type) var(varparam ident type)) var(ident "
               "type) "
               "compoundstmt(assignstmt(dsgn expr) repeatstmt(assignstmt(dsgn expr) ifstmt(expr "
               "thenstmt(break)) "
               "assignstmt(dsgn expr) assignstmt(dsgn expr) assignstmt(dsgn expr) ifstmt(expr "
               "thenstmt(exit)) expr))) "
               "procedure(name parameters(var(ident type)) var(ident ident type) compoundstmt(callstmt(dsgn) "
               "forstmt(ident expr downto expr compoundstmt(ifstmt(expr thenstmt(continue)) callstmt(dsgn))) "
               "with(dsgn dsgn compoundstmt(assignstmt(dsgn expr) assignstmt(dsgn expr))) "
               "trystmt(assignstmt(dsgn "
               "expr) finallystmt(assignstmt(dsgn expr))) assignstmt(dsgn expr) callstmt(dsgn) "
               "callstmt(dsgn) "
               "ifstmt(expr thenstmt(callstmt(dsgn)) elsestmt(callstmt(dsgn))) assignstmt(dsgn expr))) "
               "compoundstmt(assignstmt(dsgn expr) assignstmt(dsgn expr))";
    }
    void corpus()
    {
        QFETCH(QString, file);
        QFETCH(QString, outline);
        const QString source = Fixture("corpus/" + file);
        QVERIFY(!source.isEmpty());
        TfsILParser parser;
        parser.SelectLanguage(LanguageOf(file));
        parser.SetIncludePaths({QStringLiteral(WAYBILL_FIXTURES "/corpus")});
        QVERIFY2(parser.MakeILScript(source), qPrintable(parser.ErrorPos() + ": " + parser.ErrorMsg()));
        QCOMPARE(ProgramOutline(parser.ILScript()), outline);
        // Every field reference became a Get call.
        QCOMPARE(CountGetCalls(parser.ILScript().Root()), int(source.count(QRegularExpression("<FD\\."))));
        const TfsXMLItem *root = parser.ILScript().Root();
        QCOMPARE(root->Items(root->Count() - 1)->Name(), QString("types"));
    }

    // Expressions reach the parser wrapped in a one-function program of the script's language.
    void expressionPrograms_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("outline");

        const QString pascal = "IIF(<FD.\"a\"> = '', 'none', <FD.\"b\"> + ' ' + <FD.\"c\">)";
        const QString basic = "IIF(<FD.\"a\"> = \"\", \"none\", <FD.\"b\"> + \" \" + <FD.\"c\">)";
        const QString cLike = "IIF(<FD.\"a\"> == \"\", \"none\", <FD.\"b\"> + \" \" + <FD.\"c\">)";
        QTest::newRow("pascal") << "PascalScript"
                                << "function fsEvaluateFUNC: Variant; begin Result := " + pascal +
                                       " end; begin end."
                                << "function(name type compoundstmt(assignstmt(dsgn expr))) compoundstmt()";
        QTest::newRow("c++") << "C++Script"
                             << "Variant fsEvaluateFUNC() { return " + cLike + "; } {}"
                             << "function(type name parameters() compoundstmt(return(expr))) compoundstmt()";
        QTest::newRow("basic") << "BasicScript"
                               << "function fsEvaluateFUNC\r\nreturn " + basic + "\r\nend function"
                               << "function(name compoundstmt(return(expr)))";
        QTest::newRow("js") << "JScript"
                            << "function fsEvaluateFUNC() { return (" + cLike + "); }"
                            << "function(name parameters() compoundstmt(return(expr)))";
    }
    void expressionPrograms()
    {
        QFETCH(QString, language);
        QFETCH(QString, program);
        QFETCH(QString, outline);
        TfsILParser parser;
        parser.SelectLanguage(language);
        QVERIFY2(parser.MakeILScript(program), qPrintable(parser.ErrorPos() + ": " + parser.ErrorMsg()));
        QCOMPARE(ProgramOutline(parser.ILScript()), outline);
        QCOMPARE(CountGetCalls(parser.ILScript().Root()), 3);
    }
};

QTEST_GUILESS_MAIN(TestLanguages)
#include "tst_languages.moc"

// TfsILParser: the language registry, the grammar walk with every element and attribute of the
// definition format, the intermediate document, used units and parse errors.

#include "ScriptTestSupport.h"

#include "script/fs_ierrors.h"
#include "script/fs_iilparser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace ScriptTest;

namespace {

// The document as Dump() shows it, or "error: message @ line:column", or "exception: message".
QString Parse(const QString &language, const QString &source)
{
    try {
        TfsILParser parser;
        parser.SelectLanguage(language);
        if (!parser.MakeILScript(source))
            return QStringLiteral("error: %1 @ %2").arg(parser.ErrorMsg(), parser.ErrorPos());
        return Dump(parser.ILScript().Root());
    } catch (const EfsScriptError &e) {
        return QStringLiteral("exception: ") + e.Message();
    }
}

// A small language made of the given settings and rules, registered under a fresh name.
QString TestLanguage(const QString &settings, const QString &rules)
{
    static int counter = 0;
    const QString name = QStringLiteral("Test%1").arg(++counter);
    TfsLanguageRegistry::Register(
        name, QStringLiteral("<?xml version=\"1.0\"?>\n<language text=\"%1\"><parser>%2"
                             "<keywords><begin/><end/></keywords>"
                             "<errors><err1 text=\"one\"/><err2 text=\"two\"/><err3 text=\"three\"/></errors>"
                             "</parser><types><int type=\"integer\"/></types>%3</language>")
                  .arg(name, settings, rules));
    return name;
}

// The expression that a statement of the source assigns or tests, as Dump() shows it.
QString FirstExpr(const QString &language, const QString &source)
{
    TfsILParser parser;
    parser.SelectLanguage(language);
    if (!parser.MakeILScript(source))
        return QStringLiteral("error: %1 @ %2").arg(parser.ErrorMsg(), parser.ErrorPos());
    const TfsXMLItem *expr = FindFirst(parser.ILScript().Root(), QStringLiteral("expr"));
    return expr ? Dump(expr) : QStringLiteral("no expr");
}

} // namespace

class TestILParser : public QObject {
    Q_OBJECT

private slots:
    void registry()
    {
        const QStringList names = TfsLanguageRegistry::Names();
        for (const char *name : {"PascalScript", "C++Script", "BasicScript", "JScript"})
            QVERIFY2(names.contains(QLatin1String(name)), name);
        QVERIFY(TfsLanguageRegistry::Definition("pascalscript").contains("<language text=\"PascalScript\">"));
        try {
            TfsILParser parser;
            parser.SelectLanguage("Cobol");
            QFAIL("no exception");
        } catch (const EfsScriptError &e) {
            QCOMPARE(e.Message(), QString("Language 'Cobol' not found"));
        }

        // A second registration of a name replaces the definition.
        TfsLanguageRegistry::Register("Replaced",
                                      "<language><program><number add=\"n\"/></program></language>");
        QCOMPARE(Parse("Replaced", "7"), QString("n=7"));
        TfsLanguageRegistry::Register("Replaced",
                                      "<language><program><ident add=\"i\"/></program></language>");
        QCOMPARE(Parse("Replaced", "x"), QString("i=x"));
    }

    // The four definitions carry exactly their keyword lists and the PascalScript error texts.
    void builtinDefinitions()
    {
        const auto pascal = TfsLanguageRegistry::Language("PascalScript");
        QCOMPARE(pascal->Keywords().size(), 40);
        QCOMPARE(TfsLanguageRegistry::Language("C++Script")->Keywords().size(), 19);
        QCOMPARE(TfsLanguageRegistry::Language("BasicScript")->Keywords().size(), 40);
        QCOMPARE(TfsLanguageRegistry::Language("JScript")->Keywords().size(), 22);
        const QStringList texts = {"Identifier expected",
                                   "Expression expected",
                                   "Statement expected",
                                   "':' expected",
                                   "';' expected",
                                   "'.' expected",
                                   "')' expected",
                                   "']' expected",
                                   "'=' expected",
                                   "'BEGIN' expected",
                                   "'END' expected",
                                   "'OF' expected",
                                   "'THEN' expected",
                                   "'UNTIL' expected",
                                   "'TO' or 'DOWNTO' expected",
                                   "'DO' expected",
                                   "'FINALLY' or 'EXCEPT' expected",
                                   "'[' expected",
                                   "'..' expected",
                                   "'>' expected"};
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(pascal->ErrorText(QStringLiteral("err%1").arg(i + 1)), texts[i]);
        QVERIFY(!TfsLanguageRegistry::Language("JScript")->DeclareVars());
        QVERIFY(pascal->DeclareVars());
    }

    void invalidDefinitions_data()
    {
        QTest::addColumn<QString>("definition");
        QTest::newRow("not xml") << "<language><program>";
        QTest::newRow("other root") << "<grammar><program/></grammar>";
        QTest::newRow("no program rule") << "<language><start><ident/></start></language>";
        QTest::newRow("missing rule") << "<language><program><ident/><statement/></program></language>";
        QTest::newRow("unknown error") << "<language><program><ident err=\"err9\"/></program></language>";
        QTest::newRow("rule reference with a body")
            << "<language><program><x><ident/></x></program><x/></language>";
    }
    void invalidDefinitions()
    {
        QFETCH(QString, definition);
        TfsLanguageRegistry::Register("Broken", definition);
        QCOMPARE(Parse("Broken", "a"), QString("exception: Invalid language definition"));
    }

    // Every element and attribute of the rule vocabulary, on small grammars of their own.
    void vocabulary_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");

        QTest::newRow("add, addtext")
            << ""
            << "<program><char text=\"-\" add=\"op\" addtext=\"unminus\"/><number add=\"n\"/></program>"
            << "- 5"
            << "op=unminus n=5";
        QTest::newRow("node wraps what an element writes")
            << ""
            << "<program><sequence node=\"grp\"><ident add=\"i\"/><ident add=\"i\"/></sequence></program>"
            << "a b"
            << "grp{i=a i=b}";
        QTest::newRow("rule with a node")
            << ""
            << "<program><pair/><pair/></program><pair node=\"p\"><number add=\"n\"/></pair>"
            << "1 2"
            << "p{n=1} p{n=2}";
        QTest::newRow("keyword matches keywords, ident does not")
            << ""
            << "<program><switch><ident add=\"i\"/><keyword add=\"k\"/></switch></program>"
            << "BEGIN"
            << "k=BEGIN";
        QTest::newRow("token text ignores case") << ""
                                                 << "<program><keyword text=\"end\" add=\"k\"/></program>"
                                                 << "End"
                                                 << "k=End";
        QTest::newRow("token text with case") << "<casesensitive text=\"1\"/>"
                                              << "<program><keyword text=\"end\" err=\"err1\"/></program>"
                                              << "End"
                                              << "error: one @ 1:1";
        QTest::newRow("two-character operator")
            << ""
            << "<program><sequence add=\"op\" addtext=\":=\"><char text=\":\"/><char text=\"=\" skip=\"0\"/>"
               "</sequence></program>"
            << " :="
            << "op=:=";
        QTest::newRow("skip 0: no white space before")
            << ""
            << "<program><char text=\":\"/><char text=\"=\" skip=\"0\" err=\"err1\"/></program>"
            << ": ="
            << "error: one @ 1:2";
        QTest::newRow("loop with separator")
            << ""
            << "<program><loop text=\",\"><number add=\"n\"/></loop><char text=\";\" err=\"err1\"/></program>"
            << "1, 2 ,3;"
            << "n=1 n=2 n=3";
        QTest::newRow("trailing separator stays consumed")
            << ""
            << "<program><loop text=\",\"><number add=\"n\"/></loop><char text=\";\" err=\"err1\"/></program>"
            << "1, 2,;"
            << "n=1 n=2";
        QTest::newRow("loop needs one round")
            << ""
            << "<program><loop err=\"err2\"><number add=\"n\"/></loop></program>"
            << ";"
            << "error: two @ 1:1";
        QTest::newRow("optionalloop may match nothing")
            << ""
            << "<program><optionalloop><number add=\"n\"/></optionalloop><ident add=\"i\"/></program>"
            << "x"
            << "i=x";
        QTest::newRow("loop stops on a round that reads nothing")
            << ""
            << "<program><loop><optional><number add=\"n\"/></optional></loop><ident add=\"i\"/></program>"
            << "1 2 x"
            << "n=1 n=2 i=x";
        QTest::newRow("switch takes the first match")
            << ""
            << "<program><switch><number add=\"a\"/><number add=\"b\"/></switch></program>"
            << "1"
            << "a=1";
        QTest::newRow("switch error") << ""
                                      << "<program><switch err=\"err3\"><number/><string/></switch></program>"
                                      << "x"
                                      << "error: three @ 1:1";
        QTest::newRow("optionalswitch")
            << ""
            << "<program><optionalswitch><number add=\"n\"/></optionalswitch><ident add=\"i\"/></program>"
            << "x"
            << "i=x";
        QTest::newRow("optional undoes a partial match")
            << ""
            << "<program><optional><ident add=\"a\"/><char text=\"!\"/></optional><ident "
               "add=\"b\"/></program>"
            << "x"
            << "b=x";
        QTest::newRow("only the first error counts")
            << ""
            << "<program><optional><ident err=\"err1\"/></optional><number err=\"err2\"/></program>"
            << "+"
            << "error: one @ 1:1";
        QTest::newRow("error on a failed sequence")
            << ""
            << "<program><sequence err=\"err2\"><keyword text=\"end\"/><keyword text=\"begin\"/></sequence>"
               "</program>"
            << " end x"
            << "error: two @ 1:2";
        // "term": an error at the start of a round does not outlive a loop that matched before.
        QTest::newRow("term error discarded") << ""
                                              << "<program><loop><ident add=\"i\" err=\"err1\" "
                                                 "term=\"1\"/><char text=\";\" err=\"err2\"/></loop>"
                                                 "<keyword text=\"end\" err=\"err3\"/></program>"
                                              << "a; b; end"
                                              << "i=a i=b";
        QTest::newRow("without term the error stays")
            << ""
            << "<program><loop><ident add=\"i\" err=\"err1\"/><char text=\";\" err=\"err2\"/></loop>"
               "<keyword text=\"end\" err=\"err3\"/></program>"
            << "a; b; end"
            << "error: one @ 1:7";
        QTest::newRow("term error kept when no round matched")
            << ""
            << "<program><loop><ident add=\"i\" err=\"err1\" term=\"1\"/><char text=\";\"/></loop></program>"
            << "end"
            << "error: one @ 1:1";
        // "skip" on a loop: the error of its last, failed round is discarded.
        QTest::newRow("loop skip 1")
            << ""
            << "<program><loop skip=\"1\"><ident add=\"i\" err=\"err1\"/><char text=\";\"/></loop>"
               "<keyword text=\"end\" err=\"err3\"/></program>"
            << "a; end"
            << "i=a";
        QTest::newRow("loop without skip")
            << ""
            << "<program><loop><ident add=\"i\" err=\"err1\"/><char text=\";\"/></loop>"
               "<keyword text=\"end\" err=\"err3\"/></program>"
            << "a; end"
            << "error: one @ 1:4";
        QTest::newRow("failed round is undone")
            << ""
            << "<program><loop skip=\"1\"><ident add=\"i\"/><char text=\";\" err=\"err2\"/></loop>"
               "<keyword text=\"end\" err=\"err3\"/></program>"
            << "a; b end"
            << "error: three @ 1:4";
        QTest::newRow("eol and eof")
            << "<skipeol text=\"0\"/>"
            << "<program><loop><ident add=\"i\"/><switch err=\"err1\"><eol/><eof/></switch></loop>"
               "<eof err=\"err2\"/></program>"
            << "a\n\n  b  \n"
            << "i=a i=b";
        QTest::newRow("eol missing")
            << "<skipeol text=\"0\"/>"
            << "<program><loop><ident add=\"i\"/><switch err=\"err1\"><eol/><eof/></switch></loop>"
               "<eof err=\"err2\"/></program>"
            << "a b"
            << "error: one @ 1:3";
        QTest::newRow("field reference")
            << ""
            << "<program><char text=\"&lt;\"/><frstring/><char text=\"&gt;\"/></program>"
            << "<FD.\"x\">"
            << "dsgn{node=Get expr{string='FD.\"x\"'}}";
        QTest::newRow("written-in items read nothing")
            << ""
            << "<program><sequence add=\"op\" addtext=\"(\"/><number add=\"n\"/><sequence add=\"op\" "
               "addtext=\")\"/></program>"
            << "5"
            << "op=( n=5 op=)";
        QTest::newRow("no error text: still an error") << ""
                                                       << "<program><number/><number/></program>"
                                                       << "1 x"
                                                       << "error: Syntax error @ 1:3";
    }
    void vocabulary()
    {
        QFETCH(QString, settings);
        QFETCH(QString, rules);
        QFETCH(QString, source);
        QFETCH(QString, expected);
        QCOMPARE(Parse(TestLanguage(settings, rules), source), expected);
    }

    void positions()
    {
        TfsILParser parser;
        parser.SelectLanguage("PascalScript");
        QVERIFY(parser.MakeILScript("begin\n  x := 1 + 2;\n  y := <FD.\"a\">\nend."));
        const TfsXMLItem *root = parser.ILScript().Root();
        const TfsXMLItem *assign = FindFirst(root, "assignstmt");
        QCOMPARE(assign->Prop("pos"), QString("2:3"));
        const TfsXMLItem *expr = assign->Items(1);
        QCOMPARE(expr->Name(), QString("expr"));
        QCOMPARE(expr->Prop("pos"), QString("2:8"));
        QCOMPARE(expr->Prop("pos1"), QString("2:13")); // just after "2", before ";"
        QCOMPARE(expr->Items(1)->Prop("pos"), QString("2:10"));
        // The field reference's designator, node, expr and string all stand after the reference.
        const TfsXMLItem *get = FindFirst(root->Items(0)->Items(1)->Items(1), "dsgn")->Items(0);
        QCOMPARE(get->Prop("text"), QString("Get"));
        const TfsXMLItem *dsgn = get->Parent();
        for (const TfsXMLItem *e :
             std::initializer_list<const TfsXMLItem *>{dsgn, get, dsgn->Items(1), dsgn->Items(1)->Items(0)})
            QCOMPARE(e->Prop("pos"), QString("3:15"));
        QVERIFY(parser.ErrorPos().isEmpty());
    }

    // The text form: the XML header, one element per line, markup and control characters escaped,
    // the language's types last; it reads back into the same tree.
    void documentText()
    {
        TfsILParser parser;
        parser.SelectLanguage("C++Script");
        QVERIFY(parser.MakeILScript("{ s = \"<a&b>\\\"\" + #13#10 + #0; }"));
        const QString text = parser.ILText();
        QVERIFY(text.startsWith("<?xml version=\"1.0\"?>\n<program>\n<compoundstmt pos=\"1:1\">\n"));
        QVERIFY(text.contains("<string text=\"'&lt;a&amp;b&gt;&quot;'\" pos=\"1:7\"/>"));
        QVERIFY(text.contains("<string text=\"'&#13;&#10;'\""));
        QVERIFY(text.contains("<string text=\"'&#0;'\""));
        QVERIFY(text.endsWith(
            "<types>\n<int type=\"integer\"/>\n<long type=\"integer\"/>\n<void type=\"integer\"/>\n"
            "<bool type=\"boolean\"/>\n<float type=\"extended\"/>\n</types>\n</program>\n"));
        TfsXMLDocument reread;
        reread.LoadFromString(text);
        QCOMPARE(reread.SaveToString(), text);
        QCOMPARE(Dump(reread.Root()), Dump(parser.ILScript().Root()));
    }

    // The edge cases of expressions that the languages must get right.
    void expressions_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");

        QTest::newRow("unary minus first") << "PascalScript"
                                           << "begin a := -b + c end."
                                           << "op=unminus dsgn{node=b} op=+ dsgn{node=c}";
        QTest::newRow("unary minus after +") << "PascalScript"
                                             << "begin a := b + -c end."
                                             << "error: Expression expected @ 1:16";
        QTest::newRow(">=") << "PascalScript"
                            << "begin if x>=1 then end."
                            << "dsgn{node=x} op=>= number=1";
        QTest::newRow("> =") << "PascalScript"
                             << "begin if x> =1 then end."
                             << "error: Expression expected @ 1:13";
        QTest::newRow("<> and <=") << "PascalScript"
                                   << "begin if (a<>b) or (c<=d) then end."
                                   << "op=( expr{dsgn{node=a} op=<> dsgn{node=b}} op=) op=or op=( "
                                      "expr{dsgn{node=c} op=<= dsgn{node=d}} op=)";
        QTest::newRow("doubled quote") << "PascalScript"
                                       << "begin a := 'it''s' end."
                                       << "string='it's'";
        QTest::newRow("C++ escaped quote") << "C++Script"
                                           << "{ a = \"a\\\"b\"; }"
                                           << "op=( string='a\"b' op=)";
        QTest::newRow("control codes") << "PascalScript"
                                       << "begin a := #13#10'x' end."
                                       << "string='\r\nx'";
        QTest::newRow("pascal hex") << "PascalScript"
                                    << "begin a := $FF end."
                                    << "number=$FF";
        QTest::newRow("C++ hex") << "C++Script"
                                 << "{ a = 0xFF; }"
                                 << "op=( number=$FF op=)";
        QTest::newRow("comment inside a statement") << "PascalScript"
                                                    << "begin a := 1 { two } + 2 end."
                                                    << "number=1 op=+ number=2";
        QTest::newRow("comments do not nest") << "PascalScript"
                                              << "begin a := 1 { x { y } + 2 end."
                                              << "number=1 op=+ number=2";
        QTest::newRow("field reference") << "PascalScript"
                                         << "begin a := <FD.\"Name\"> + 'x' end."
                                         << "dsgn{node=Get expr{string='FD.\"Name\"'}} op=+ string='x'";
        QTest::newRow("not and set")
            << "PascalScript"
            << "begin if not (x in [1, 3..5]) then end."
            << "op=not op=( expr{dsgn{node=x} op=in set{expr{number=1} expr{number=3} "
               "range=.. expr{number=5}}} op=)";
        QTest::newRow("designator chain")
            << "PascalScript"
            << "begin a := Report.Variables['V'].Name end."
            << "dsgn{node=Report node=Variables node=[ expr{string='V'} node=Name}";
        QTest::newRow("call arguments") << "PascalScript"
                                        << "begin a := Copy(s, 1, Length(s) - 1) end."
                                        << "dsgn{node=Copy expr{dsgn{node=s}} expr{number=1} "
                                           "expr{dsgn{node=Length expr{dsgn{node=s}}} op=- number=1}}";
        QTest::newRow("C++ operators")
            << "C++Script"
            << "{ a = !b && c % 2 == 0 || d != e; }"
            << "op=( op=not dsgn{node=b} op=) op=and op=( dsgn{node=c} op=mod number=2 "
               "op== number=0 op=) op=or op=( dsgn{node=d} op=<> dsgn{node=e} op=)";
        QTest::newRow("C++ unary minus anywhere") << "C++Script"
                                                  << "{ a = b * -c; }"
                                                  << "op=( dsgn{node=b} op=* op=unminus dsgn{node=c} op=)";
        QTest::newRow("basic compares first")
            << "BasicScript"
            << "a = x = 1 And Not y < 2 & \"z\""
            << "op=( dsgn{node=x} op== number=1 op=) op=And op=not op=( "
               "dsgn{node=y} op=< number=2 op=strcat op=( string='z' op=) op=)";
        QTest::newRow("JScript strict equality") << "JScript"
                                                 << "a = b === c;"
                                                 << "op=( dsgn{node=b} op== dsgn{node=c} op=)";
    }
    void expressions()
    {
        QFETCH(QString, language);
        QFETCH(QString, source);
        QFETCH(QString, expected);
        QCOMPARE(FirstExpr(language, source), expected);
    }

    // A first line "#language NAME" selects the language, whatever was selected before.
    void languageLine()
    {
        TfsILParser parser;
        parser.SelectLanguage("PascalScript");
        QVERIFY(parser.MakeILScript("#language C++Script\r\n{ a = 1; }"));
        QCOMPARE(parser.Language(), QString("C++Script"));
        QCOMPARE(FindFirst(parser.ILScript().Root(), "assignstmt")->Prop("pos"), QString("2:3"));
        QCOMPARE(parser.ILScript().Root()->FindItem("types")->Count(), 5);

        QVERIFY(!parser.MakeILScript("#LANGUAGE   BasicScript  \nx = "));
        QCOMPARE(parser.ErrorMsg(), QString("Expression expected"));
        QCOMPARE(parser.ErrorPos(), QString("2:5"));

        QVERIFY_THROWS_EXCEPTION(EfsScriptError, parser.MakeILScript("#language Klingon\nbegin end."));

        // A byte order mark before the line changes nothing.
        QVERIFY(parser.MakeILScript(QChar(0xFEFF) + QString("#language JScript\nvar a = 1;")));
        QCOMPARE(parser.Language(), QString("JScript"));
    }

    void caseSensitivity()
    {
        QCOMPARE(Parse("PascalScript", "BEGIN X := 1 END."), Parse("PascalScript", "begin X := 1 end."));
        QCOMPARE(Parse("C++Script", "{ IF (a) b(); }"), QString("error: ';' expected @ 1:10"));
    }

    // Broken sources: the first error, with its message and position; never an exception.
    void syntaxErrors_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("error");

        QTest::newRow("pascal: missing end") << "PascalScript"
                                             << "begin\n  a := 1\n  b := 2\nend."
                                             << "'END' expected @ 3:3";
        QTest::newRow("pascal: missing dot") << "PascalScript"
                                             << "begin end"
                                             << "'.' expected @ 1:10";
        QTest::newRow("pascal: no main block") << "PascalScript"
                                               << "procedure P; begin end;\na := 1;"
                                               << "'BEGIN' expected @ 2:1";
        QTest::newRow("pascal: missing colon") << "PascalScript"
                                               << "var a Integer; begin end."
                                               << "':' expected @ 1:7";
        QTest::newRow("pascal: missing semicolon") << "PascalScript"
                                                   << "procedure P; begin end begin end."
                                                   << "';' expected @ 1:24";
        QTest::newRow("pascal: missing then") << "PascalScript"
                                              << "begin if a b := 1 end."
                                              << "'THEN' expected @ 1:12";
        QTest::newRow("pascal: missing of") << "PascalScript"
                                            << "begin case x 1: ; end end."
                                            << "'OF' expected @ 1:14";
        QTest::newRow("pascal: missing until") << "PascalScript"
                                               << "begin repeat a := 1; end."
                                               << "'UNTIL' expected @ 1:22";
        QTest::newRow("pascal: missing to") << "PascalScript"
                                            << "begin for i := 1 upto 3 do ; end."
                                            << "'TO' or 'DOWNTO' expected @ 1:18";
        QTest::newRow("pascal: missing do") << "PascalScript"
                                            << "begin while a a := 1; end."
                                            << "'DO' expected @ 1:15";
        QTest::newRow("pascal: try without handler") << "PascalScript"
                                                     << "begin try a := 1; end; end."
                                                     << "'FINALLY' or 'EXCEPT' expected @ 1:19";
        QTest::newRow("pascal: const without =") << "PascalScript"
                                                 << "const a 1; begin end."
                                                 << "'=' expected @ 1:9";
        QTest::newRow("pascal: missing )") << "PascalScript"
                                           << "begin a := (1 + 2; end."
                                           << "')' expected @ 1:18";
        QTest::newRow("pascal: missing ]") << "PascalScript"
                                           << "begin a := b[1; end."
                                           << "']' expected @ 1:15";
        QTest::newRow("pascal: array without ..") << "PascalScript"
                                                  << "var a: array[5] of Integer; begin end."
                                                  << "'..' expected @ 1:15";
        QTest::newRow("pascal: empty argument") << "PascalScript"
                                                << "begin f(a, ); end."
                                                << "Expression expected @ 1:12";
        QTest::newRow("pascal: unterminated string") << "PascalScript"
                                                     << "begin a := 'abc;\nend."
                                                     << "Expression expected @ 1:12";
        QTest::newRow("pascal: unterminated field") << "PascalScript"
                                                    << "begin a := <FD.\"x\" end."
                                                    << "'>' expected @ 1:13";
        QTest::newRow("pascal: unterminated comment") << "PascalScript"
                                                      << "begin { a := 1;\nend."
                                                      << "'END' expected @ 2:5";
        QTest::newRow("pascal: stray character") << "PascalScript"
                                                 << "begin a := 1 ? 2 end."
                                                 << "'END' expected @ 1:14";
        QTest::newRow("pascal: string with NUL")
            << "PascalScript" << QString("begin a := 'x") + QChar(0) + "'; end."
            << "Expression expected @ 1:12";
        QTest::newRow("pascal: identifier expected") << "PascalScript"
                                                     << "var ; begin end."
                                                     << "Identifier expected @ 1:5";
        QTest::newRow("c++: missing ;") << "C++Script"
                                        << "{ a = 1 }"
                                        << "';' expected @ 1:9";
        QTest::newRow("c++: missing (") << "C++Script"
                                        << "{ if a) b(); }"
                                        << "'(' expected @ 1:6";
        QTest::newRow("c++: missing }") << "C++Script"
                                        << "void f() { a = 1;"
                                        << "'}' expected @ 1:18";
        QTest::newRow("c++: missing while") << "C++Script"
                                            << "{ do a++; until (a); }"
                                            << "'while' expected @ 1:11";
        QTest::newRow("c++: unterminated string") << "C++Script"
                                                  << "{ a = \"x\\\"; }"
                                                  << "Expression expected @ 1:7";
        QTest::newRow("c++: unterminated comment") << "C++Script"
                                                   << "{ a = 1; } /* tail"
                                                   << "Unterminated comment @ 1:12";
        QTest::newRow("c++: stray text") << "C++Script"
                                         << "{ } )"
                                         << "Statement expected @ 1:5";
        QTest::newRow("basic: missing expression") << "BasicScript"
                                                   << "x = \ny = 1"
                                                   << "Expression expected @ 1:5";
        QTest::newRow("basic: two statements on a line") << "BasicScript"
                                                         << "x = 1 y = 2"
                                                         << "End of line expected @ 1:7";
        QTest::newRow("basic: missing end if") << "BasicScript"
                                               << "If a Then\n  x = 1\n"
                                               << "'END IF' expected @ 3:1";
        QTest::newRow("basic: missing next") << "BasicScript"
                                             << "For i = 1 To 3\n  x = i\n"
                                             << "'NEXT' expected @ 3:1";
        QTest::newRow("basic: missing wend") << "BasicScript"
                                             << "While a\n  x = 1\nLoop"
                                             << "'WEND' expected @ 3:1";
        QTest::newRow("basic: missing end sub") << "BasicScript"
                                                << "Sub A\n  x = 1\nEnd Function"
                                                << "'END SUB' expected @ 3:1";
        QTest::newRow("js: missing )") << "JScript"
                                       << "if (a { b = 1; }"
                                       << "')' expected @ 1:7";
        QTest::newRow("js: var without name") << "JScript"
                                              << "var = 3;"
                                              << "Identifier expected @ 1:5";
        QTest::newRow("js: function without body") << "JScript"
                                                   << "function f(a) return a;"
                                                   << "'{' expected @ 1:15";
    }
    void syntaxErrors()
    {
        QFETCH(QString, language);
        QFETCH(QString, source);
        QFETCH(QString, error);
        QCOMPARE(Parse(language, source), QString("error: ") + error);
    }

    // Hostile input ends in a positioned error, quickly, without exhausting the stack.
    void deepNesting_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("source");

        QTest::newRow("100,000 parentheses") << "PascalScript"
                                             << "begin a := " + QString(100000, '(') + "1 end.";
        QTest::newRow("100,000 blocks") << "PascalScript" << QString("begin ").repeated(100000);
        QTest::newRow("100,000 not") << "PascalScript"
                                     << "begin a := " + QString("not ").repeated(100000) + "b end.";
        QTest::newRow("100,000 C++ braces") << "C++Script" << QString(100000, '{');
        QTest::newRow("100,000 Basic ifs") << "BasicScript" << QString("If a Then\n").repeated(100000);
    }
    void deepNesting()
    {
        QFETCH(QString, language);
        QFETCH(QString, source);
        QElapsedTimer timer;
        timer.start();
        TfsILParser parser;
        parser.SelectLanguage(language);
        QVERIFY(!parser.MakeILScript(source));
        QCOMPARE(parser.ErrorMsg(), QString("Nesting too deep"));
        QVERIFY(!parser.ErrorPos().isEmpty());
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    }

    // Nesting that real scripts use is far from the limit.
    void reasonableNesting()
    {
        const QString source = "begin a := " + QString(60, '(') + "1" + QString(60, ')') + "; " +
                               QString("if a then begin ").repeated(40) + QString("end ").repeated(40) +
                               "end.";
        TfsILParser parser;
        parser.SelectLanguage("PascalScript");
        QVERIFY2(parser.MakeILScript(source), qPrintable(parser.ErrorMsg()));
    }

    // A long flat program is no deep one.
    void longProgram()
    {
        TfsILParser parser;
        parser.SelectLanguage("PascalScript");
        QVERIFY(parser.MakeILScript("begin\n" + QString("  a := a + 1;\n").repeated(20000) + "end."));
        QCOMPARE(parser.ILScript().Root()->Items(0)->Count(), 20000);
    }

    void unitsFromCallback()
    {
        const QHash<QString, QString> units = {
            {"u1.pas", "uses 'u3.pas';\nprocedure A; begin end;"},
            {"u2.pas", "uses 'u1.pas';\nconst B = 1;"},
            {"u3.pas", "var C: Integer;"},
        };
        QStringList asked;
        TfsILParser parser;
        parser.SelectLanguage("PascalScript");
        parser.SetOnGetUnit([&](const QString &name) {
            asked << name;
            return units.value(name);
        });
        QVERIFY2(parser.MakeILScript("uses 'u1.pas', 'u2.pas';\nbegin A end."),
                 qPrintable(parser.ErrorMsg()));
        // Every unit once; the clause's units in reverse order, each holding its own units first.
        QCOMPARE(asked, QStringList({"u1.pas", "u3.pas", "u2.pas"}));
        QCOMPARE(parser.UsedUnits(), QStringList({"u1.pas", "u3.pas", "u2.pas"}));
        const TfsXMLItem *root = parser.ILScript().Root();
        QCOMPARE(root->Items(0)->Name(), QString("uses"));
        QCOMPARE(root->Items(0)->Prop("unit"), QString("u2.pas"));
        QCOMPARE(Outline(root->Items(0)), QString("uses(const(ident expr))"));
        QCOMPARE(root->Items(1)->Prop("unit"), QString("u1.pas"));
        QCOMPARE(Outline(root->Items(1)),
                 QString("uses(uses(var(ident type)) procedure(name compoundstmt()))"));
        QCOMPARE(root->Items(1)->Items(0)->Prop("unit"), QString("u3.pas"));
        QCOMPARE(Outline(root->Items(2)), QString("compoundstmt(callstmt(dsgn))"));
        // Positions inside a unit are the unit's own.
        QCOMPARE(FindFirst(root->Items(1), "procedure")->Prop("pos"), QString("2:1"));
        // Each parse pulls its units in afresh.
        asked.clear();
        QVERIFY(parser.MakeILScript("uses 'u2.pas'; begin end."));
        QCOMPARE(asked, QStringList({"u2.pas", "u1.pas", "u3.pas"}));
    }

    void unitError()
    {
        TfsILParser parser;
        parser.SelectLanguage("PascalScript");
        parser.SetOnGetUnit([](const QString &name) {
            return name == "outer.pas" ? QString("uses 'inner.pas';")
                                       : QString("procedure A;\nbegin x := end;");
        });
        QVERIFY(!parser.MakeILScript("uses 'outer.pas';\nbegin end."));
        QCOMPARE(parser.ErrorMsg(), QString("Expression expected"));
        QCOMPARE(parser.ErrorPos(), QString("2:12"));
        QCOMPARE(parser.ErrorUnit(), QString("inner.pas"));
        // The next parse starts clean.
        QVERIFY(parser.MakeILScript("begin end."));
        QVERIFY(parser.ErrorUnit().isEmpty());
    }

    void unitsFromIncludePaths()
    {
        QTemporaryDir first, second;
        QVERIFY(first.isValid() && second.isValid());
        auto write = [](const QString &path, const QByteArray &text) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        write(second.filePath("lib.cpp"), "\xEF\xBB\xBFint Twice(int x) { return x * 2; }");
        TfsILParser parser;
        parser.SelectLanguage("C++Script");
        parser.SetIncludePaths({first.path(), second.path()});
        QVERIFY2(parser.MakeILScript("#include \"lib.cpp\"\n{ a = Twice(2); }"),
                 qPrintable(parser.ErrorMsg()));
        QCOMPARE(ProgramOutline(parser.ILScript()),
                 QString("uses(function(type name parameters(var(type ident)) compoundstmt(return(expr)))) "
                         "compoundstmt(assignstmt(dsgn expr))"));

        QVERIFY(!parser.MakeILScript("#include \"missing.cpp\"\n{ }"));
        QCOMPARE(parser.ErrorMsg(), QString("Cannot open file 'missing.cpp'"));
        QCOMPARE(parser.ErrorPos(), QString("1:10"));
        QVERIFY(parser.ErrorUnit().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestILParser)
#include "tst_ilparser.moc"

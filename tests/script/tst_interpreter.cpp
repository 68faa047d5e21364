// Script programs: expression building and type checks, every statement kind, routines and their
// parameters, translation errors, run-time errors, Evaluate, CallFunction, Terminate and OnRunLine.

#include "script/fs_iinterpreter.h"
#include "script/fs_istatements.h"

#include <QTest>

namespace {

// Compiles and runs a program in which Print(v) appends v's text to the output; gives the output
// lines joined by "|", "compile: message @ position" or "runtime: message @ position".
QString Run(const QString &language, const QString &source)
{
    TfsScript script;
    script.SetSyntaxType(language);
    QStringList output;
    script.AddMethod(QStringLiteral("procedure Print(v: Variant)"), [&](QObject *, TfsParams &p) {
        output << p[0].ToString();
        return Variant();
    });
    script.SetText(source);
    if (!script.Compile())
        return QStringLiteral("compile: %1 @ %2").arg(script.ErrorMsg(), script.ErrorPos());
    try {
        script.Execute();
    } catch (const std::exception &e) {
        return QStringLiteral("runtime: %1 @ %2").arg(ExceptionText(e), script.ErrorPos());
    }
    return output.join(QLatin1Char('|'));
}

QString Eval(const QString &language, const QString &expression)
{
    TfsScript script;
    script.SetSyntaxType(language);
    try {
        Variant value = script.Evaluate(expression);
        return script.EvaluationFailed() ? QStringLiteral("error: ") + value.ToString() : value.ToString();
    } catch (const std::exception &e) {
        return QStringLiteral("runtime: ") + ExceptionText(e);
    }
}

const QString Pascal = QStringLiteral("PascalScript");

} // namespace

class TestInterpreter : public QObject {
    Q_OBJECT

private slots:
    void expressions_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("expected");
        QTest::newRow("priority") << "2 + 3 * 4"
                                  << "14";
        QTest::newRow("brackets") << "(2 + 3) * 4"
                                  << "20";
        QTest::newRow("left grouping") << "10 - 4 - 3"
                                       << "3";
        QTest::newRow("left grouping of /") << "100 / 10 / 5"
                                            << "2";
        QTest::newRow("nested brackets") << "((1 + 2) * (3 + 4)) - (5)"
                                         << "16";
        QTest::newRow("not binds to its operand") << "not True and False"
                                                  << "False";
        QTest::newRow("not of the bracket") << "not (True and False)"
                                            << "True";
        QTest::newRow("unary minus") << "-2 * 3 + 1"
                                     << "-5";
        QTest::newRow("/ is float") << "7 / 2"
                                    << "3.5";
        QTest::newRow("div") << "7 div 2"
                             << "3";
        QTest::newRow("mod") << "7 mod 2"
                             << "1";
        QTest::newRow("and binds tighter than =") << "(1 = 1) and (2 > 1)"
                                                  << "True";
        QTest::newRow("strings join") << "'a' + 'b'"
                                      << "ab";
        QTest::newRow("strings compare") << "'abc' = 'abc'"
                                         << "True";
        QTest::newRow("string order") << "'abc' < 'abd'"
                                      << "True";
        QTest::newRow("hex") << "$10 + 1"
                             << "17";
        QTest::newRow("64-bit literal") << "VarType(3000000000) = varInt64"
                                        << "True";
        QTest::newRow("32-bit overflow widens") << "2147483647 + 1"
                                                << "2147483648";
        QTest::newRow("float literal") << "1.5e3 + 0.25"
                                       << "1500.25";
        QTest::newRow("shl shr") << "(1 shl 4) + (256 shr 4)"
                                 << "32";
        QTest::newRow("xor") << "True xor True"
                             << "False";
        QTest::newRow("in set") << "5 in [1, 3..6]"
                                << "True";
        QTest::newRow("not in set") << "7 in [1, 3..6]"
                                    << "False";
        QTest::newRow("in array") << "'b' in ['a', 'b']"
                                  << "True";
        QTest::newRow("set as array") << "Length([1, 2, 3])"
                                      << "3";
        QTest::newRow("short evaluation gives the right value") << "True and (3 > 1)"
                                                                << "True";
        QTest::newRow("field reference is a call of Get") << "Pos('x', 'abx')"
                                                          << "3";
        QTest::newRow("null arithmetic") << "VarType(Null + 1) = varNull"
                                         << "True";
        QTest::newRow("variant string as number") << "VarToStr(Null) + '1'"
                                                  << "1";
    }
    void expressions()
    {
        QFETCH(QString, expression);
        QFETCH(QString, expected);
        QCOMPARE(Eval(Pascal, expression), expected);
    }

    // The same expressions give the same values in every language.
    void fourLanguages_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("expected");
        const struct {
            const char *pascal;
            const char *other;
            const char *expected;
        } cases[] = {
            {"2 + 3 * 4", "2 + 3 * 4", "14"},
            {"10 - 4 - 3", "10 - 4 - 3", "3"},
            {"7 / 2", "7 / 2", "3.5"},
            {"'a' + 'b'", "\"a\" + \"b\"", "ab"},
            {"Copy('abcdef', 2, 3) + IntToStr(7)", "Copy(\"abcdef\", 2, 3) + IntToStr(7)", "bcd7"},
            {"(1 < 2) and (3 > 2)", nullptr, "True"},
            {"-(2 + 3) * 2", "-(2 + 3) * 2", "-10"},
            {"Round(2.5) + Round(3.5)", "Round(2.5) + Round(3.5)", "6"},
        };
        for (const auto &c : cases) {
            QTest::addRow("PascalScript %s", c.pascal) << Pascal << QString::fromUtf8(c.pascal) << c.expected;
            QString other = QString::fromUtf8(c.other ? c.other : c.pascal);
            QString cStyle = c.other ? other : QStringLiteral("(1 < 2) && (3 > 2)");
            QString basic = c.other ? other : QStringLiteral("(1 < 2) And (3 > 2)");
            QTest::addRow("C++Script %s", c.pascal) << "C++Script" << cStyle << c.expected;
            QTest::addRow("JScript %s", c.pascal) << "JScript" << cStyle << c.expected;
            QTest::addRow("BasicScript %s", c.pascal) << "BasicScript" << basic << c.expected;
        }
    }
    void fourLanguages()
    {
        QFETCH(QString, language);
        QFETCH(QString, expression);
        QFETCH(QString, expected);
        QCOMPARE(Eval(language, expression), expected);
    }

    void typeErrors_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("position");
        // The program is "function fsEvaluateFUNC: Variant; begin Result := " + expression: the
        // expression starts at column 51.
        QTest::newRow("string + number") << "'abc' + 1"
                                         << "1:57";
        QTest::newRow("boolean + number") << "True + 1"
                                          << "1:56";
        QTest::newRow("string - string") << "'a' - 'b'"
                                         << "1:55";
        QTest::newRow("boolean < boolean") << "True < False"
                                           << "1:56";
        QTest::newRow("unary minus on a string") << "-'a'"
                                                 << "1:51";
        QTest::newRow("deep operand") << "1 + (2 * ('x' + 3))"
                                      << "1:65";
    }
    void typeErrors()
    {
        QFETCH(QString, expression);
        QFETCH(QString, position);
        TfsScript script;
        script.SetText(QStringLiteral("function fsEvaluateFUNC: Variant; begin Result := ") + expression +
                       QStringLiteral(" end; begin end."));
        QVERIFY(!script.Compile());
        QCOMPARE(script.ErrorMsg(), QString("Incompatible types"));
        QCOMPARE(script.ErrorPos(), position);
    }

    void evaluateOfABrokenExpressionGivesTheMessage()
    {
        TfsScript script;
        Variant value = script.Evaluate(QStringLiteral("1 +"));
        QVERIFY(script.EvaluationFailed());
        QCOMPARE(value.ToString(), QString("Expression expected"));
        value = script.Evaluate(QStringLiteral("Unknown1 + 1"));
        QCOMPARE(value.ToString(), QString("Undeclared identifier: 'Unknown1'"));
        // A run-time error is no result text: it travels to the caller.
        QVERIFY_THROWS_EXCEPTION(EVariantError, script.Evaluate(QStringLiteral("1 div 0")));
        QCOMPARE(script.Evaluate(QStringLiteral("2 * 21")).ToInt(), 42);
        QVERIFY(!script.EvaluationFailed());
    }

    void shortEvaluation()
    {
        TfsScript script;
        int calls = 0;
        script.AddMethod(QStringLiteral("function Touch(b: Boolean): Boolean"), [&](QObject *, TfsParams &p) {
            ++calls;
            return p[0];
        });
        QCOMPARE(script.Evaluate(QStringLiteral("False and Touch(True)")).ToBool(), false);
        QCOMPARE(calls, 0);
        QCOMPARE(script.Evaluate(QStringLiteral("True or Touch(True)")).ToBool(), true);
        QCOMPARE(calls, 0);
        QCOMPARE(script.Evaluate(QStringLiteral("True and Touch(False)")).ToBool(), false);
        QCOMPARE(calls, 1);
        // Integers are combined bit by bit, both sides evaluated.
        QCOMPARE(script.Evaluate(QStringLiteral("6 and 3")).ToInt(), 2);
    }

    void statements_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        QTest::newRow("assignment and typed variable")
            << Pascal
            << "var i: Integer; s: String; begin i := 7 / 2; s := 'a'; s := s + IntToStr(i); Print(s); end."
            << "a4";
        QTest::newRow("if") << Pascal
                            << "begin if 1 > 2 then Print('a') else Print('b'); if True then Print('c'); end."
                            << "b|c";
        QTest::newRow("case")
            << Pascal
            << "var i: Integer; begin for i := 1 to 5 do case i of 1: Print('one'); 2..3, 5: "
               "Print('few'); else Print('other'); end; end."
            << "one|few|few|other|few";
        QTest::newRow("empty for")
            << Pascal << "var i: Integer; begin i := 9; for i := 5 to 1 do Print(i); Print(i); end."
            << "9";
        QTest::newRow("inclusive for keeps last value")
            << Pascal << "var i: Integer; begin for i := 1 to 3 do Print(i); Print(i); end."
            << "1|2|3|3";
        QTest::newRow("downto") << Pascal << "var i: Integer; begin for i := 3 downto 1 do Print(i); end."
                                << "3|2|1";
        QTest::newRow("while with break and continue")
            << Pascal
            << "var i: Integer; begin i := 0; while True do begin i := i + 1; if i = 2 then continue; "
               "if i > 4 then break; Print(i); end; Print('end'); end."
            << "1|3|4|end";
        QTest::newRow("repeat")
            << Pascal << "var i: Integer; begin i := 0; repeat i := i + 2 until i >= 5; Print(i); end."
            << "6";
        QTest::newRow("try except") << Pascal
                                    << "var i: Integer; begin try i := 0; i := 1 div i; Print('no'); except "
                                       "Print(ExceptionClassName); "
                                       "Print(ExceptionMessage); end; Print('after'); end."
                                    << "EDivByZero|Division by zero|after";
        QTest::newRow("raise and catch")
            << Pascal
            << "begin try RaiseException('boom'); except Print(ExceptionClassName + ':' + "
               "ExceptionMessage); end; end."
            << "Exception:boom";
        QTest::newRow("try finally keeps exit") << Pascal
                                                << "procedure P; begin try Print('body'); exit; Print('no'); "
                                                   "finally Print('finally'); end; Print('no'); "
                                                   "end; begin P; Print('back'); end."
                                                << "body|finally|back";
        QTest::newRow("nested loops break inner only")
            << Pascal
            << "var i, j: Integer; begin for i := 1 to 2 do for j := 1 to 3 do begin if j = 2 then break; "
               "Print(IntToStr(i) + IntToStr(j)); end; end."
            << "11|21";
        QTest::newRow("exit from main") << Pascal << "begin Print(1); exit; Print(2); end."
                                        << "1";
        QTest::newRow("with") << Pascal << "var s: String; begin s := 'x'; Print(Length(s)); end."
                              << "1";
        QTest::newRow("string index")
            << Pascal << "var s: String; begin s := 'hello'; s[1] := 'J'; Print(s + s[5]); end."
            << "Jelloo";
        QTest::newRow("arrays") << Pascal
                                << "var a: array[1..3] of Integer; m: array[0..1, 0..1] of String; begin "
                                   "a[2] := 5; m[1, 0] := 'x'; "
                                   "Print(a[1] + a[2]); Print(m[1, 0] + m[0, 0]); end."
                                << "5|x";
        QTest::newRow("const and initial value")
            << Pascal << "const C = 40; var v: Integer = 2; begin Print(C + v); end."
            << "42";
        QTest::newRow("assign-op forms") << Pascal
                                         << "var i: Integer; f: Double; begin i := 10; i := i - 3; i := 2 * "
                                            "i; f := i; f := f / 4; Print(f); end."
                                         << "3.5";
        QTest::newRow("C++ statements")
            << "C++Script"
            << "int x = 1, y[3]; { for (int i = 0; i < 3; i++) { y[i] = i * i; } x += y[2]; x++; "
               "switch (x) { case 6: Print(\"six\"); break; default: Print(\"other\"); } do { x--; } while "
               "(x > 3); "
               "Print(x); }"
            << "six|3";
        QTest::newRow("JScript statements") << "JScript"
                                            << "var s = \"\"; for (var i = 0; i < 3; i++) s = s + "
                                               "IntToStr(i); while (true) { break; } switch (s) { case "
                                               "\"012\": Print(\"ok\"); default: Print(\"no\"); } Print(s);"
                                            << "ok|012";
        QTest::newRow("BasicScript statements")
            << "BasicScript"
            << "Dim b(3) As Integer\ns = \"\"\nFor i = 1 To 9 Step 4\n  s = s & i & \",\"\nNext\nPrint(s)\n"
               "b(2) = 7\nIf b(2) = 7 Then Print(\"seven\") Else Print(\"no\")\n"
               "Select Case i\n  Case 13\n    Print(\"13\")\n  Case Else\n    Print(\"else\")\nEnd Select\n"
               "Do While i > 10\n  i = i - 1\nLoop\nPrint(i)\n"
            << "1,5,9,|seven|13|10";
    }
    void statements()
    {
        QFETCH(QString, language);
        QFETCH(QString, source);
        QFETCH(QString, output);
        QCOMPARE(Run(language, source), output);
    }

    // v := v op e works on v directly; e op v only for + and * on numbers.
    void assignmentOptimisation_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("kind");
        QTest::newRow("s + e") << "s := s + 'x'"
                               << "plus";
        QTest::newRow("i - e") << "i := i - 2"
                               << "minus";
        QTest::newRow("e * i") << "i := 3 * i"
                               << "mul";
        QTest::newRow("f / e") << "f := f / 2"
                               << "div";
        QTest::newRow("e + i") << "i := 1 + i"
                               << "plus";
        QTest::newRow("e + s keeps the order of texts") << "s := 'x' + s"
                                                        << "plain";
        QTest::newRow("e + v keeps the order of variants") << "v := 1 + v"
                                                           << "plain";
        QTest::newRow("e - i") << "i := 1 - i"
                               << "plain";
        QTest::newRow("other variable") << "i := f + 1"
                                        << "plain";
        QTest::newRow("longer chain") << "i := i + 1 + 2"
                                      << "plain";
    }
    void assignmentOptimisation()
    {
        QFETCH(QString, statement);
        QFETCH(QString, kind);
        TfsScript script;
        script.SetText(QStringLiteral("var s: String; i: Integer; f: Double; v: Variant; begin ") +
                       statement + QStringLiteral(" end."));
        QVERIFY(script.Compile());
        TfsStatement *stmt = script.Statement()->Statement(0);
        QString actual = dynamic_cast<TfsAssignPlusStmt *>(stmt)    ? "plus"
                         : dynamic_cast<TfsAssignMinusStmt *>(stmt) ? "minus"
                         : dynamic_cast<TfsAssignMulStmt *>(stmt)   ? "mul"
                         : dynamic_cast<TfsAssignDivStmt *>(stmt)   ? "div"
                                                                    : "plain";
        QCOMPARE(actual, kind);
    }

    void routines_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        QTest::newRow("by value, by reference, defaults")
            << Pascal
            << "var a, b: Integer;\n"
               "procedure P(x: Integer; var y: Integer; z: Integer = 5); begin x := 100; y := y + z; end;\n"
               "begin a := 1; b := 2; P(a, b); Print(IntToStr(a) + ',' + IntToStr(b)); P(a, b, 1); Print(b); "
               "end."
            << "1,7|8";
        QTest::newRow("call before declaration")
            << Pascal
            << "procedure A; begin B(2); end; procedure B(n: Integer); begin Print(n); end; begin A; end."
            << "2";
        QTest::newRow("recursion keeps locals")
            << Pascal
            << "function Fib(n: Integer): Integer; var a: Integer; begin if n < 2 then Result := n else "
               "begin "
               "a := Fib(n - 1); Result := a + Fib(n - 2); end; end; begin Print(Fib(15)); end."
            << "610";
        QTest::newRow("result is reset")
            << Pascal
            << "function F(b: Boolean): Integer; begin if b then Result := 5; end; "
               "begin Print(F(True)); Print(F(False)); end."
            << "5|0";
        QTest::newRow("exit in function")
            << Pascal
            << "function F: String; begin Result := 'a'; exit; Result := 'b'; end; "
               "begin Print(F); end."
            << "a";
        QTest::newRow("var parameter of the library")
            << Pascal
            << "var y, m, d: Word; s: String; begin DecodeDate(EncodeDate(2024, 2, 29), y, m, d); "
               "s := 'abcdef'; Delete(s, 2, 3); Insert('XY', s, 2); Print(IntToStr(y) + '-' + IntToStr(m) + "
               "'-' + "
               "IntToStr(d) + ' ' + s); end."
            << "2024-2-29 aXYef";
        QTest::newRow("C++ reference and return")
            << "C++Script"
            << "void P(int &a, int b = 2) { a += b; } int F(int a) { return a * 2; } "
               "{ int x = 1; P(x); P(x, 10); Print(F(x)); }"
            << "26";
        QTest::newRow("BasicScript function name is the result")
            << "BasicScript"
            << "Function F(a)\n  F = a * 2\nEnd Function\nSub S(ByRef x)\n  x = x + 1\nEnd Sub\n"
               "v = 1\nS v\nCall S(v)\nPrint(F(v))\n"
            << "6";
    }
    void routines()
    {
        QFETCH(QString, language);
        QFETCH(QString, source);
        QFETCH(QString, output);
        QCOMPARE(Run(language, source), output);
    }

    void compileErrors_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("position");
        QTest::newRow("redeclared") << "var a: Integer;\nvar a: String;\nbegin end."
                                    << "Identifier redeclared: a"
                                    << "2:5";
        QTest::newRow("unknown type") << "var a: TNoSuchType;\nbegin end."
                                      << "Unknown type: TNoSuchType"
                                      << "1:8";
        QTest::newRow("incompatible assignment") << "var s: String;\nbegin\n  s := 5;\nend."
                                                 << "Incompatible types"
                                                 << "3:8";
        QTest::newRow("undeclared") << "begin\n  x := 1;\nend."
                                    << "Undeclared identifier: 'x'"
                                    << "2:3";
        QTest::newRow("class type required") << "var i: Integer;\nbegin\n  with i do Print(1);\nend."
                                             << "Class type required"
                                             << "3:8";
        QTest::newRow("strings have no members") << "var s: String;\nbegin\n  s.Length;\nend."
                                                 << "Strings do not have properties or methods"
                                                 << "3:5";
        QTest::newRow("array type required") << "var i: Integer;\nbegin\n  i[1] := 2;\nend."
                                             << "Array type required"
                                             << "3:4";
        QTest::newRow("variable required") << "begin\n  Inc(5);\nend."
                                           << "Variable required"
                                           << "2:7";
        QTest::newRow("not enough parameters") << "begin\n  Copy('a', 1);\nend."
                                               << "Not enough actual parameters"
                                               << "2:3";
        QTest::newRow("too many parameters") << "begin\n  Trim('a', 1);\nend."
                                             << "Too many actual parameters"
                                             << "2:3";
        QTest::newRow("left side") << "const C = 1;\nbegin\n  C := 2;\nend."
                                   << "Left side cannot be assigned to"
                                   << "3:3";
        QTest::newRow("function is no target") << "begin\n  Now := 2;\nend."
                                               << "Left side cannot be assigned to"
                                               << "2:3";
        QTest::newRow("for variable") << "var s: String;\nbegin\n  for s := 1 to 2 do ;\nend."
                                      << "For loop variable must be numeric variable"
                                      << "3:7";
        QTest::newRow("incompatible argument") << "begin\n  Print(IntToStr('x'));\nend."
                                               << "Incompatible types"
                                               << "2:18";
        QTest::newRow("syntax") << "begin\n  x := ;\nend."
                                << "Expression expected"
                                << "2:8";
    }
    void compileErrors()
    {
        QFETCH(QString, source);
        QFETCH(QString, message);
        QFETCH(QString, position);
        TfsScript script;
        script.AddMethod(QStringLiteral("procedure Print(v: Variant)"),
                         [](QObject *, TfsParams &) { return Variant(); });
        script.SetText(source);
        QVERIFY(!script.Compile());
        QCOMPARE(script.ErrorMsg(), message);
        QCOMPARE(script.ErrorPos(), position);
        // Nothing of the failed text stays declared.
        QVERIFY(!script.FindLocal(QStringLiteral("a")));
    }

    void errorsInUnitsNameTheUnit()
    {
        TfsScript script;
        script.OnGetUnit = [](const QString &name) {
            return name == QLatin1String("lib.pas")
                       ? QStringLiteral("procedure Helper;\nbegin\n  y := 1;\nend;\n")
                       : QString();
        };
        script.SetText(QStringLiteral("uses 'lib.pas';\nbegin\n  Helper;\nend."));
        QVERIFY(!script.Compile());
        QCOMPARE(script.ErrorMsg(), QString("Undeclared identifier: 'y'"));
        QCOMPARE(script.ErrorPos(), QString("3:3"));
        QCOMPARE(script.ErrorUnit(), QString("lib.pas"));
    }

    void runtimeErrors_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("result");
        QTest::newRow("division by zero") << "var i: Integer;\nbegin\n  i := 0;\n  i := 10 div i;\nend."
                                          << "runtime: Division by zero @ 4:3";
        QTest::newRow("float division by zero") << "var f: Double;\nbegin\n  f := 0;\n  f := 1 / f;\nend."
                                                << "runtime: Floating point division by zero @ 4:3";
        QTest::newRow("integer overflow") << "var i: Integer;\nbegin\n  i := 2147483647;\n  i := i + 1;\nend."
                                          << "runtime: Variant overflow @ 4:3";
        QTest::newRow("text to number") << "var i: Integer;\nbegin\n  i := StrToInt('abc');\nend."
                                        << "runtime: 'abc' is not a valid integer value @ 3:3";
        QTest::newRow("variant text in arithmetic")
            << "var v: Variant;\nbegin\n  v := 'abc';\n  v := v * 2;\nend."
            << "runtime: Could not convert variant of type (UnicodeString) into type (Double): 'abc' @ 4:3";
        QTest::newRow("error inside a routine")
            << "procedure P;\nbegin\n  RaiseException('bad');\nend;\nbegin\n  P;\nend."
            << "runtime: bad @ 3:3";
        QTest::newRow("unbounded recursion")
            << "procedure R(n: Integer);\nbegin\n  R(n + 1);\nend;\nbegin\n  R(0);\nend."
            << "runtime: Stack overflow @ 3:3";
        // Runaway memory ends the script with an error of its own instead of taking the machine.
        QTest::newRow("string doubled forty times")
            << "var s: String; i: Integer;\nbegin\n  s := 'x';\n  for i := 1 to 40 do\n    s := s + s;\nend."
            << "runtime: Out of memory @ 5:5";
        QTest::newRow("string doubled in an expression")
            << "var s: String; i: Integer;\nbegin\n  s := 'x';\n  for i := 1 to 40 do\n    s := s + '' + s;\nend."
            << "runtime: Out of memory @ 5:5";
        QTest::newRow("huge SetLength") << "var s: String;\nbegin\n  SetLength(s, 2000000000);\nend."
                                        << "runtime: Out of memory @ 3:3";
        QTest::newRow("huge array")
            << "var a: Variant;\nbegin\n  a := VarArrayCreate([0, 9000000, 0, 9000000], 12);\nend."
            << "runtime: Out of memory @ 3:3";
        QTest::newRow("out of memory can be caught")
            << "var s: String;\nbegin\n  try SetLength(s, 2000000000); except Print(ExceptionClassName); end;\n"
               "  Print(Length(s));\nend."
            << "EOutOfMemory|0";
        QTest::newRow("handled error leaves no position")
            << "begin\n  try RaiseException('x'); except end;\n  Print('ok');\nend."
            << "ok";
    }
    void runtimeErrors()
    {
        QFETCH(QString, source);
        QFETCH(QString, result);
        QCOMPARE(Run(Pascal, source), result);
    }

    void recursionCanBeCaughtAndRunsAgain()
    {
        const QString source =
            QStringLiteral("var depth: Integer;\nprocedure R; begin depth := depth + 1; R; end;\n"
                           "begin try R; except Print(ExceptionClassName); end; depth := 0; try R; except "
                           "Print(depth); end; end.");
        const QStringList output = Run(Pascal, source).split(QLatin1Char('|'));
        QCOMPARE(output.size(), 2);
        QCOMPARE(output[0], QString("EStackOverflow"));
        // Bounded by the depth limit or, first, by the stack the calls take.
        QVERIFY(output[1].toInt() > 100 && output[1].toInt() <= TfsScript::MaxCallDepth);
    }

    void terminateStopsAnEndlessLoop()
    {
        TfsScript script;
        int lines = 0;
        script.OnRunLine = [&](TfsScript *sender, const QString &unit, const QString &position) {
            QVERIFY(unit.isEmpty());
            QVERIFY(!position.isEmpty());
            if (++lines == 1000)
                sender->Terminate();
        };
        script.SetText(QStringLiteral("var i: Integer;\nbegin\n  while True do\n    i := i + 1;\nend."));
        QVERIFY(script.Compile());
        script.Execute();
        QVERIFY(script.Terminated());
        QVERIFY(lines >= 1000 && lines < 1005);
        QVERIFY(script.GetVariables(QStringLiteral("i")).ToInt() < 1000);
        // A host routine may stop the run too, also from inside a routine's loop.
        TfsScript second;
        second.AddMethod(QStringLiteral("procedure Stop"), [&](QObject *, TfsParams &) {
            second.Terminate();
            return Variant();
        });
        second.SetText(
            QStringLiteral("var n: Integer; procedure Loop; begin repeat n := n + 1; if n = 50 then Stop; "
                           "until False; end; begin Loop; n := -1; end."));
        QVERIFY(second.Compile());
        second.Execute();
        QCOMPARE(second.GetVariables(QStringLiteral("n")).ToInt(), 50);
    }

    // A loop with an empty body has no statement of its own: each turn still reaches the line
    // event, so that a host can stop it.
    void emptyLoopsReachTheLineEvent_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("while") << "begin\n  while True do;\nend.";
        QTest::newRow("repeat") << "begin\n  repeat until False;\nend.";
        QTest::newRow("for") << "var i: Integer;\nbegin\n  for i := 0 to 2147483647 do;\nend.";
        QTest::newRow("in a routine") << "procedure Loop;\nbegin\n  while True do;\nend;\nbegin\n  Loop;\nend.";
    }
    void emptyLoopsReachTheLineEvent()
    {
        QFETCH(QString, source);
        TfsScript script;
        int lines = 0;
        script.OnRunLine = [&](TfsScript *sender, const QString &, const QString &) {
            if (++lines == 100)
                sender->Terminate();
        };
        script.SetText(source);
        QVERIFY(script.Compile());
        script.Execute();
        QVERIFY(script.Terminated());
        QCOMPARE(lines, 100);
    }

    void runLineSeesEveryStatement()
    {
        TfsScript script;
        QStringList positions;
        script.OnRunLine = [&](TfsScript *, const QString &, const QString &position) {
            positions << position;
        };
        script.SetText(
            QStringLiteral("var i: Integer;\nbegin\n  i := 1;\n  if i = 1 then\n    i := 2;\nend."));
        QVERIFY(script.Compile());
        script.Execute();
        QCOMPARE(positions, QStringList({"3:3", "4:3", "5:5"}));
        QVERIFY(script.IsExecutableLine(3));
        QVERIFY(!script.IsExecutableLine(2));
        // Evaluate switches the line event off.
        positions.clear();
        script.Evaluate(QStringLiteral("i + 1"));
        QVERIFY(positions.isEmpty());
    }

    void callFunctionAndNames()
    {
        TfsScript script;
        script.SetText(QStringLiteral(
            "var Total: Integer;\n"
            "function Add(a: Integer; b: Integer = 10): Integer; begin Result := a + b; "
            "Total := Total + Result; end;\n"
            "procedure Swap(var a, b: Variant); var t: Variant; begin t := a; a := b; b := t; end;\n"
            "begin end."));
        QVERIFY(script.Compile());
        QVERIFY(!script.HasMainStatements());
        QCOMPARE(script.CallFunction(QStringLiteral("Add"), {1, 2}).ToInt(), 3);
        QCOMPARE(script.CallFunction(QStringLiteral("add"), {5}).ToInt(), 15);
        QCOMPARE(script.GetVariables(QStringLiteral("total")).ToInt(), 18);
        QVERIFY(script.CallFunction(QStringLiteral("Total")).IsNull());
        QVERIFY(script.CallFunction(QStringLiteral("NoSuch")).IsNull());
        QList<Variant> params{Variant(QStringLiteral("x")), Variant(2)};
        script.CallFunction1(QStringLiteral("Swap"), params);
        QCOMPARE(params[0].ToInt(), 2);
        QCOMPARE(params[1].ToString(), QString("x"));
        QVERIFY_THROWS_EXCEPTION(EfsRuntimeError, script.CallFunction(QStringLiteral("Add"), {}));

        // Find looks through the parents, FindLocal does not.
        TfsScript child;
        child.SetParent(&script);
        QVERIFY(child.Find(QStringLiteral("Add")));
        QVERIFY(child.Find(QStringLiteral("IntToStr")));
        QVERIFY(!child.FindLocal(QStringLiteral("Add")));
        QVERIFY(script.FindLocal(QStringLiteral("ADD")));
    }

    void evaluateSeesTheRunningRoutine()
    {
        TfsScript script;
        QString seen;
        script.AddMethod(QStringLiteral("procedure Watch"), [&](QObject *, TfsParams &) {
            seen = script.Evaluate(QStringLiteral("Local * 2")).ToString();
            return Variant();
        });
        script.SetText(
            QStringLiteral("procedure P; var Local: Integer; begin Local := 21; Watch; end; begin P; end."));
        QVERIFY(script.Compile());
        script.Execute();
        QCOMPARE(seen, QString("42"));
    }

    void compileAccumulatesRoutines()
    {
        // One script holds many expression functions, compiled one after the other.
        TfsScript parent;
        parent.AddVariable(QStringLiteral("Value"), QStringLiteral("Variant"), Variant(7));
        TfsScript cache;
        cache.SetParent(&parent);
        for (int n = 0; n < 3; ++n) {
            cache.SetText(
                QStringLiteral("function fr3f%1: Variant; begin Result := Value * %1 end; begin end.")
                    .arg(n));
            QVERIFY(cache.Compile());
        }
        cache.SetText(QStringLiteral("function fr3f3: Variant; begin Result := 1 + 'x' end; begin end."));
        QVERIFY(!cache.Compile());
        QVERIFY(!cache.FindLocal(QStringLiteral("fr3f3")));
        auto *f2 = dynamic_cast<TfsProcVariable *>(cache.FindLocal(QStringLiteral("fr3f2")));
        QVERIFY(f2);
        QCOMPARE(f2->Call(nullptr, 0).ToInt(), 14);
        // Intermediate code round trip.
        TfsScript copy;
        copy.SetParent(&parent);
        cache.SetText(QStringLiteral("function G: Variant; begin Result := Value + 1 end; begin end."));
        QVERIFY(cache.Compile());
        QVERIFY(copy.SetILCode(cache.GetILCode()));
        QCOMPARE(copy.CallFunction(QStringLiteral("G")).ToInt(), 8);
    }

    void undeclaredNamesInLanguagesWithoutDeclarations()
    {
        QCOMPARE(Run("JScript", "x = 5; y = x + 1; Print(y);"), QString("6"));
        QCOMPARE(Run("BasicScript", "x = 2\nPrint(x * x)\n"), QString("4"));
        TfsScript script;
        script.OnGetVarValue = [](const QString &name) {
            return Variant(QStringLiteral("<") + name + QLatin1Char('>'));
        };
        QCOMPARE(script.Evaluate(QStringLiteral("Missing + '!'")).ToString(), QString("<Missing>!"));
    }
};

QTEST_GUILESS_MAIN(TestInterpreter)
#include "tst_interpreter.moc"

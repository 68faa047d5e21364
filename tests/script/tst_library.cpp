// The built-in library as a table of (call, expected text), its errors, and the calls that reach
// the user-interface seam.

#include "ScriptedUi.h"

#include "script/fs_iinterpreter.h"

#include <QTest>

namespace {

QString Eval(const QString &expression)
{
    TfsScript script;
    try {
        Variant value = script.Evaluate(expression);
        return script.EvaluationFailed() ? QStringLiteral("compile: ") + value.ToString() : value.ToString();
    } catch (const std::exception &e) {
        return QStringLiteral("%1: %2").arg(ExceptionClassNameOf(e), ExceptionText(e));
    }
}

} // namespace

class TestLibrary : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The tests rely on the default conventions: yyyy-mm-dd dates, "." decimals.
        QCOMPARE(FormatSettings().ShortDateFormat, QString("yyyy-mm-dd"));
    }

    void calls_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("expected");
        const char *const rows[][2] = {
            // conversions
            {"IntToStr(-42)", "-42"},
            {"IntToStr(3000000000)", "3000000000"},
            {"FloatToStr(0.1 + 0.2)", "0.3"},
            {"FloatToStr(1/3)", "0.333333333333333"},
            {"FloatToStr(1E20)", "1E20"},
            {"FloatToStr(2.5)", "2.5"},
            {"DateToStr(EncodeDate(2024, 3, 9))", "2024-03-09"},
            {"TimeToStr(EncodeTime(7, 5, 3, 0))", "07:05:03"},
            {"DateTimeToStr(EncodeDate(2024, 3, 9) + EncodeTime(13, 30, 0, 0))", "2024-03-09 13:30:00"},
            {"BoolToStr(True) + BoolToStr(False)", "-10"},
            {"VarToStr(Null) + VarToStr(12)", "12"},
            {"StrToInt(' 12') + 1", "13"},
            {"StrToInt('$FF')", "255"},
            {"StrToInt64('9000000000') + 1", "9000000001"},
            {"StrToFloat('2.5') * 2", "5"},
            {"DateToStr(StrToDate('2024-2-29'))", "2024-02-29"},
            {"TimeToStr(StrToTime('8:15'))", "08:15:00"},
            {"DateTimeToStr(StrToDateTime('2024-01-02 03:04:05'))", "2024-01-02 03:04:05"},
            {"StrToBool('true')", "True"},
            {"StrToBool('0')", "False"},
            // formatting
            {"Format('%d|%5d|%-4d|%.3d', [7, 7, 7, 7])", "7|    7|7   |007"},
            {"Format('%s=%x', ['k', 255])", "k=FF"},
            {"Format('%.2f|%8.3f', [3.14159, 2.5])", "3.14|   2.500"},
            {"Format('%n', [1234567.891])", "1,234,567.89"},
            {"Format('%e', [1234.5])", "1.23450000000000E+003"},
            {"Format('%g', [0.5])", "0.5"},
            {"Format('100%%', [])", "100%"},
            {"FormatFloat('#,##0.00', 1234567.5)", "1,234,567.50"},
            {"FormatFloat('0.00', 1.125)", "1.13"},
            {"FormatFloat('0', 2.5)", "3"},
            {"FormatFloat('000', 7)", "007"},
            {"FormatFloat('#.##', 0)", ""},
            {"FormatFloat('0.0;(0.0);zero', -1.25)", "(1.3)"},
            {"FormatFloat('0.0;(0.0);zero', 0)", "zero"},
            {"FormatDateTime('yyyy-mm-dd hh:nn:ss', EncodeDate(2024, 12, 1) + EncodeTime(9, 8, 7, 0))",
             "2024-12-01 09:08:07"},
            {"FormatDateTime('d/m/yy', EncodeDate(2024, 2, 3))", "3-2-24"},
            {"FormatDateTime('dddd', EncodeDate(2024, 1, 1))", "星期一"},
            {"FormatDateTime('hh:nn am/pm', EncodeTime(15, 0, 0, 0))", "03:00 pm"},
            {"FormatMaskText('(000)000-0000;0;_', '5551234567')", "(555)123-4567"},
            {"FormatMaskText('000-000;0;_', '12')", "12_-___"},
            // dates
            {"DateToStr(EncodeDate(2024, 2, 29) + 1)", "2024-03-01"},
            {"DayOfWeek(EncodeDate(2024, 1, 7))", "1"},
            {"DayOfWeek(EncodeDate(2024, 1, 6))", "7"},
            {"IsLeapYear(1900)", "False"},
            {"IsLeapYear(2000)", "True"},
            {"DaysInMonth(2023, 2)", "28"},
            {"DaysInMonth(2024, 2)", "29"},
            {"Trunc(Date) = Date", "True"},
            {"Now >= Date", "True"},
            {"(Time >= 0) and (Time < 1)", "True"},
            // strings
            {"Length('汉字ab')", "4"},
            {"Length(VarArrayCreate([0, 4], varVariant))", "5"},
            {"Copy('abcdef', 2, 3)", "bcd"},
            {"Copy('abcdef', 0, 2)", "ab"},
            {"Copy('abcdef', 5, 99)", "ef"},
            {"Copy('abcdef', 9, 1)", ""},
            {"Pos('cd', 'abcdcd')", "3"},
            {"Pos('x', 'abc')", "0"},
            {"Uppercase('aBc汉')", "ABC汉"},
            {"Lowercase('AbC')", "abc"},
            {"Trim('  a b'#9)", "a b"},
            {"NameCase('hELLO wORLD')", "Hello World"},
            {"CompareText('abc', 'ABC')", "0"},
            {"CompareText('abc', 'abd') < 0", "True"},
            {"CompareText('b', 'a') > 0", "True"},
            {"Chr(65) + Chr(27721)", "A汉"},
            {"Ord('A')", "65"},
            // arithmetic
            {"Round(2.5)", "2"},
            {"Round(3.5)", "4"},
            {"Round(-2.5)", "-2"},
            {"Round(2.51)", "3"},
            {"Trunc(-2.7)", "-2"},
            {"Int(2.7)", "2"},
            {"Frac(2.75)", "0.75"},
            {"Sqrt(16)", "4"},
            {"Abs(-5)", "5"},
            {"Abs(-2.5)", "2.5"},
            {"Round(Sin(Pi / 2) * 1000)", "1000"},
            {"Round(Cos(0))", "1"},
            {"Round(ArcTan(1) * 4 * 1000)", "3142"},
            {"Round(Tan(0))", "0"},
            {"Round(Exp(1) * 1000)", "2718"},
            {"Round(Ln(Exp(2)))", "2"},
            {"Round(Pi * 100)", "314"},
            // other
            {"ValidInt('12')", "True"},
            {"ValidInt('1.5')", "False"},
            {"ValidInt('99999999999')", "False"},
            {"ValidFloat('1.5e3')", "True"},
            {"ValidFloat('abc')", "False"},
            {"ValidDate('2024-02-29')", "True"},
            {"ValidDate('2023-02-29')", "False"},
            {"ExtractFilePath('C:\\dir\\file.fr3')", "C:\\dir\\"},
            {"ExtractFilePath('/home/a/b.txt')", "/home/a/"},
            {"ExtractFilePath('b.txt')", ""},
            {"VarType(1) = varInteger", "True"},
            {"VarType('s') = varString", "False"},
            {"VarType(1.5) = varDouble", "True"},
            {"VarType(Null) = varNull", "True"},
            {"VarType(VarArrayCreate([1, 2], varInteger)) = varArray + varVariant", "True"},
            {"(Random >= 0) and (Random < 1)", "True"},
            // the platform's named values
            {"IntToStr(clRed) + ' ' + IntToStr(clBlack) + ' ' + IntToStr(clWhite)", "255 0 16777215"},
            {"IntToStr(clNavy) + ' ' + IntToStr(clMoneyGreen) + ' ' + IntToStr(clNone)",
             "8388608 12639424 536870911"},
            {"IntToStr(clWindow) + ' ' + IntToStr(clBtnFace) + ' ' + IntToStr(clMenuBar)",
             "-16777211 -16777201 -16777186"},
            {"IntToStr(GB2312_CHARSET) + ' ' + IntToStr(DEFAULT_CHARSET)", "134 1"},
            {"IntToStr(mrOk) + ' ' + IntToStr(mrCancel)", "1 2"},
            {"psDash = psDash", "True"},
            {"VarToStr(psInsideFrame)", "6"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1]);
    }
    void calls()
    {
        QFETCH(QString, call);
        QFETCH(QString, expected);
        QCOMPARE(Eval(call), expected);
    }

    void errors_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("expected");
        QTest::newRow("StrToInt") << "StrToInt('abc')"
                                  << "EConvertError: 'abc' is not a valid integer value";
        QTest::newRow("StrToInt range") << "StrToInt('3000000000')"
                                        << "EConvertError: '3000000000' is not a valid integer value";
        QTest::newRow("StrToFloat") << "StrToFloat('1,5x')"
                                    << "EConvertError: '1,5x' is not a valid floating point value";
        QTest::newRow("StrToDate") << "StrToDate('2023-02-30')"
                                   << "EConvertError: '2023-02-30' is not a valid date";
        QTest::newRow("StrToTime") << "StrToTime('25:00')"
                                   << "EConvertError: '25:00' is not a valid time";
        QTest::newRow("StrToBool") << "StrToBool('maybe')"
                                   << "EConvertError: 'maybe' is not a valid boolean value";
        QTest::newRow("EncodeDate") << "EncodeDate(2023, 2, 29)"
                                    << "EConvertError: Invalid argument to date encode";
        QTest::newRow("EncodeTime") << "EncodeTime(24, 0, 0, 0)"
                                    << "EConvertError: Invalid argument to time encode";
        QTest::newRow("Sqrt") << "Sqrt(-1)"
                              << "EInvalidOp: Invalid floating point operation";
        QTest::newRow("Ln") << "Ln(0)"
                            << "EInvalidOp: Invalid floating point operation";
        QTest::newRow("Round") << "Round(1E300)"
                               << "EInvalidOp: Invalid floating point operation";
        QTest::newRow("Chr") << "Chr(-1)"
                             << "ERangeError: Range check error";
        QTest::newRow("RaiseException") << "RaiseException('stop')"
                                        << "Exception: stop";
        QTest::newRow("CreateOleObject")
            << "CreateOleObject('Excel.Application')"
            << "EOleError: CreateOleObject('Excel.Application') is not available on this "
               "platform";
        QTest::newRow("Format") << "Format('%d', ['x'])"
                                << "EConvertError: Format '%d' invalid or incompatible with argument";
        QTest::newRow("array bounds")
            << "VarArrayCreate([0, 1], varVariant)[2]"
            << "EVariantArrayBoundsError: Variant or safe array index out of bounds";
        QTest::newRow("string index") << "Trim('abc')[4]"
                                      << "ERangeError: Range check error";
    }
    void errors()
    {
        QFETCH(QString, call);
        QFETCH(QString, expected);
        QCOMPARE(Eval(call), expected);
    }

    void varParameters()
    {
        TfsScript script;
        script.SetText(
            QStringLiteral("var y, m, d, h, n, s, z: Word; t: String; v: Variant; i: Integer;\n"
                           "begin\n"
                           "  DecodeDate(EncodeDate(1999, 12, 31), y, m, d);\n"
                           "  DecodeTime(EncodeTime(23, 59, 58, 7), h, n, s, z);\n"
                           "  t := 'Hello'; Delete(t, 2, 2); Insert('__', t, 2); DeleteStr(t, 1, 1);\n"
                           "  v := 'abc'; SetLength(v, 5);\n"
                           "  i := 10; Inc(i); Inc(i, 5); Dec(i, 2); Dec(i);\n"
                           "end."));
        QVERIFY2(script.Compile(), qPrintable(script.ErrorMsg()));
        script.Execute();
        auto get = [&](const char *name) { return script.GetVariables(QLatin1String(name)); };
        QCOMPARE(QString("%1-%2-%3").arg(get("y").ToInt()).arg(get("m").ToInt()).arg(get("d").ToInt()),
                 QString("1999-12-31"));
        QCOMPARE(QString("%1:%2:%3.%4")
                     .arg(get("h").ToInt())
                     .arg(get("n").ToInt())
                     .arg(get("s").ToInt())
                     .arg(get("z").ToInt()),
                 QString("23:59:58.7"));
        QCOMPARE(get("t").ToString(), QString("__lo"));
        QCOMPARE(get("v").ToString().size(), 5);
        QCOMPARE(get("i").ToInt(), 13);
    }

    void showMessageGoesThroughTheSeam()
    {
        ScriptedUi ui;
        TfsScript script;
        script.Evaluate(QStringLiteral("ShowMessage('已打印 ' + IntToStr(3))"));
        QCOMPARE(ui.Shown.size(), 1);
        QCOMPARE(ui.LastText(), QString("已打印 3"));
    }

    void randomizeChangesTheSequence()
    {
        TfsScript script;
        script.SetText(
            QStringLiteral("var a, b: Double; begin Randomize; a := Random; Randomize; b := Random; end."));
        QVERIFY(script.Compile());
        script.Execute();
        QVERIFY(script.GetVariables(QStringLiteral("a")).ToDouble() !=
                script.GetVariables(QStringLiteral("b")).ToDouble());
    }

    void libraryIsCategorised()
    {
        TfsScript *global = TfsScript::GlobalUnit();
        const std::pair<const char *, const char *> samples[] = {
            {"IntToStr", "ctConv"}, {"Format", "ctFormat"}, {"EncodeDate", "ctDate"},
            {"Copy", "ctString"},   {"Round", "ctMath"},    {"ShowMessage", "ctOther"},
        };
        for (const auto &[name, category] : samples) {
            auto *method = dynamic_cast<TfsMethodHelper *>(global->FindLocal(QLatin1String(name)));
            QVERIFY2(method, name);
            QCOMPARE(method->Category(), QString(category));
        }
        for (const char *name : {"Byte", "TDateTime", "Constructor", "varByRef", "ExceptionMessage",
                                 "__StringHelper", "__ArrayHelper", "nil", "Null"})
            QVERIFY2(global->FindLocal(QLatin1String(name)), name);
    }
};

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"

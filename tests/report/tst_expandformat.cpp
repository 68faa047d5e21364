// Value formatting of text objects: every format kind against the documented behaviour of the
// platform's formatting routines, separator replacement, fall-back to plain text, and the
// character-set conversions of fonts with a character set of their own.

#include "report/model/frxClass.h"
#include "report/expr/frxFormat.h"

#include <QDate>
#include <QtTest>

namespace {

Variant Date(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0)
{
    return Variant::FromDateTime(Variant::EncodeDateTime(QDate(y, m, d), QTime(h, n, s, ms)));
}

QString Formatted(const Variant &value, frx::TfrxFormatKind kind, const QString &formatStr,
                  const QString &decimal = QString(), const QString &thousand = QString())
{
    TfrxFormat format;
    format.SetKind(kind);
    format.SetFormatStr(formatStr);
    format.SetDecimalSeparator(decimal);
    format.SetThousandSeparator(thousand);
    return frxFormatValue(value, format);
}

} // namespace

class TestExpandFormat : public QObject {
    Q_OBJECT
private slots:
    void init() { SetFormatSettings(TFormatSettings()); }
    void cleanupTestCase() { SetFormatSettings(TFormatSettings()); }

    void picture_data();
    void picture();
    void printfStyle_data();
    void printfStyle();
    void separators_data();
    void separators();
    void dateTime_data();
    void dateTime();
    void boolean_data();
    void boolean();
    void textAndNull();
    void fallBackToPlainText_data();
    void fallBackToPlainText();
    void localeSeparatorsFollowTheSettings();
    void charsetConversion();
};

// The picture formats' documented examples, and the corners that decide rounding and placement.
void TestExpandFormat::picture_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");
    const struct {
        const char *format;
        double values[4];
        const char *texts[4];
    } table[] = {
        {"0", {1234, -1234, 0.5, 0}, {"1234", "-1234", "1", "0"}},
        {"0.00", {1234, -1234, 0.5, 0}, {"1234.00", "-1234.00", "0.50", "0.00"}},
        {"#.##", {1234, -1234, 0.5, 0}, {"1234", "-1234", ".5", ""}},
        {"#,##0.00", {1234, -1234, 0.5, 0}, {"1,234.00", "-1,234.00", "0.50", "0.00"}},
        {"#,##0.00;(#,##0.00)", {1234, -1234, 0.5, 0}, {"1,234.00", "(1,234.00)", "0.50", "0.00"}},
        {"#,##0.00;;Zero", {1234, -1234, 0.5, 0}, {"1,234.00", "-1,234.00", "0.50", "Zero"}},
        {"0.000E+00", {1234, -1234, 0.5, 0}, {"1.234E+03", "-1.234E+03", "5.000E-01", "0.000E+00"}},
        {"#.###E-0", {1234, -1234, 0.5, 0}, {"1.234E3", "-1.234E3", "5E-1", "0E0"}},
    };
    for (const auto &row : table)
        for (int i = 0; i < 4; ++i)
            QTest::addRow("%s %g", row.format, row.values[i])
                << QString::fromLatin1(row.format) << row.values[i] << QString::fromUtf8(row.texts[i]);
    QTest::newRow("half away from zero") << "0.00" << 0.125 << "0.13";
    QTest::newRow("negative half") << "0" << -2.5 << "-3";
    QTest::newRow("binary below half") << "0.00" << 1.005 << "1.00";
    QTest::newRow("rounds to negative zero") << "0.00" << -0.001 << "0.00";
    QTest::newRow("carry through nines") << "0.00" << 9.999 << "10.00";
    QTest::newRow("millions") << "#,##0" << 1234567.891 << "1,234,568";
    QTest::newRow("minimum integer digits") << "0000" << 42.0 << "0042";
    QTest::newRow("literals between digits") << "000-0000" << 1234567.0 << "123-4567";
    QTest::newRow("quoted literal") << "0.0 'kg'" << 2.25 << "2.3 kg";
    QTest::newRow("currency sign") << "¥#,##0.00" << 1999.5 << "¥1,999.50";
    QTest::newRow("two decimal points") << "#.##0.00" << 1234.5 << "1234.50000";
    QTest::newRow("thousand hashes") << QString(1000, QLatin1Char('#')) << 12345.0 << "12345";
    QTest::newRow("hashes after the point")
        << QStringLiteral("0.") + QString(1000, QLatin1Char('#')) << 0.5 << "0.5";
}

void TestExpandFormat::picture()
{
    QFETCH(QString, format);
    QFETCH(double, value);
    QFETCH(QString, expected);
    QCOMPARE(Formatted(value, frx::fkNumeric, format), expected);
}

void TestExpandFormat::printfStyle_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("%2.2f") << Variant(3.14159) << "%2.2f"
                           << "3.14";
    QTest::newRow("%f defaults to 2") << Variant(2.0) << "%f"
                                      << "2.00";
    QTest::newRow("%8.3f pads") << Variant(-1.5) << "%8.3f"
                                << "  -1.500";
    QTest::newRow("%-8.1f pads right") << Variant(1.25) << "%-8.1f|"
                                       << "1.3     |";
    QTest::newRow("%d of a float rounds half to even") << Variant(2.5) << "%d"
                                                       << "2";
    QTest::newRow("%d of a float") << Variant(3.7) << "%d"
                                   << "4";
    QTest::newRow("%5d") << Variant(42) << "%5d"
                         << "   42";
    QTest::newRow("%.4d zero pads") << Variant(-42) << "%.4d"
                                    << "-0042";
    QTest::newRow("%u") << Variant(7) << "No. %u"
                        << "No. 7";
    QTest::newRow("%g") << Variant(3.14159) << "%g"
                        << "3.14159";
    QTest::newRow("%g of a whole number") << Variant(1234.0) << "%g"
                                          << "1234";
    QTest::newRow("%.3g") << Variant(1234.5678) << "%.3g"
                          << "1.23E003";
    QTest::newRow("%e") << Variant(3.14159) << "%e"
                        << "3.14159000000000E+000";
    QTest::newRow("%.3e") << Variant(-0.000123) << "%.3e"
                          << "-1.23E-004";
    QTest::newRow("%n") << Variant(1234567.891) << "%n"
                        << "1,234,567.89";
    QTest::newRow("%m") << Variant(-5.0) << "%m"
                        << "¥-5.00";
    QTest::newRow("%% and text") << Variant(99.5) << "%.1f%%"
                                 << "99.5%";
    QTest::newRow("numeric string") << Variant(QStringLiteral("3.14159")) << "%2.2f"
                                    << "3.14";
}

void TestExpandFormat::printfStyle()
{
    QFETCH(Variant, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(Formatted(value, frx::fkNumeric, format), expected);
}

void TestExpandFormat::separators_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("thousand");
    QTest::addColumn<QString>("expected");
    QTest::newRow("decimal comma") << "%2.2f"
                                   << ","
                                   << ""
                                   << "1234,57";
    QTest::newRow("thousands blank") << "#,##0.00"
                                     << ""
                                     << " "
                                     << "1 234.57";
    // Exchanging one after the other would turn the new decimal comma into a thousands point.
    QTest::newRow("european") << "#,##0.00"
                              << ","
                              << "."
                              << "1.234,57";
    QTest::newRow("same as locale") << "#,##0.00"
                                    << "."
                                    << ","
                                    << "1,234.57";
    QTest::newRow("longer than one character") << "#,##0.00"
                                               << "::"
                                               << "''"
                                               << "1,234.57";
}

void TestExpandFormat::separators()
{
    QFETCH(QString, format);
    QFETCH(QString, decimal);
    QFETCH(QString, thousand);
    QFETCH(QString, expected);
    QCOMPARE(Formatted(1234.567, frx::fkNumeric, format, decimal, thousand), expected);
}

void TestExpandFormat::dateTime_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    const Variant when = Date(2024, 3, 5, 14, 7, 9, 45);
    QTest::newRow("yyyy-mm-dd") << when << "yyyy-mm-dd"
                                << "2024-03-05";
    QTest::newRow("hh:nn") << when << "hh:nn"
                           << "14:07";
    QTest::newRow("m after h is minutes") << when << "h:mm"
                                          << "14:07";
    QTest::newRow("short forms") << when << "yy/m/d"
                                 << "24-3-5";
    QTest::newRow("seconds and ms") << when << "ss.zzz"
                                    << "09.045";
    QTest::newRow("12-hour clock") << when << "h:nn am/pm"
                                   << "2:07 pm";
    QTest::newRow("a/p upper") << Date(2024, 3, 5, 0, 30) << "hh:nn A/P"
                               << "12:30 A";
    QTest::newRow("ampm") << when << "hh ampm"
                          << "02 PM";
    QTest::newRow("month names") << when << "mmm|mmmm"
                                 << "3月|三月";
    QTest::newRow("day names") << when << "ddd dddd"
                               << "周二 星期二";
    QTest::newRow("settings' formats") << when << "ddddd t"
                                       << "2024-03-05 14:07";
    QTest::newRow("long date") << when << "dddddd"
                               << "2024年3月5日";
    QTest::newRow("c") << when << "c"
                       << "2024-03-05 14:07:09";
    QTest::newRow("c at midnight") << Date(2024, 3, 5) << "c"
                                   << "2024-03-05";
    QTest::newRow("quoted letters") << when << "yyyy'年'\"mm\""
                                    << "2024年mm";
    QTest::newRow("Chinese literals") << when << "yyyy年m月d日"
                                      << "2024年3月5日";
    QTest::newRow("date text") << Variant(QStringLiteral("2024-03-05")) << "dd.mm.yyyy"
                               << "05.03.2024";
    QTest::newRow("day number") << Variant(45356.5) << "yyyy-mm-dd hh:nn"
                                << "2024-03-05 12:00";
}

void TestExpandFormat::dateTime()
{
    QFETCH(Variant, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(Formatted(value, frx::fkDateTime, format), expected);
}

void TestExpandFormat::boolean_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("true") << Variant(true) << "否,是"
                          << "是";
    QTest::newRow("false") << Variant(false) << "否,是"
                           << "否";
    QTest::newRow("-1 is True") << Variant(-1) << "no,yes"
                                << "yes";
    QTest::newRow("1 is not True") << Variant(1) << "no,yes"
                                   << "no";
    QTest::newRow("second comma belongs to the True text") << Variant(true) << "n,y,es"
                                                           << "y,es";
    QTest::newRow("no comma, True") << Variant(true) << "yes"
                                    << "yes";
    QTest::newRow("no comma, False") << Variant(false) << "yes"
                                     << "";
    QTest::newRow("True text cut at 255")
        << Variant(true) << QStringLiteral("n,") + QString(300, QLatin1Char('y'))
        << QString(255, QLatin1Char('y'));
}

void TestExpandFormat::boolean()
{
    QFETCH(Variant, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(Formatted(value, frx::fkBoolean, format), expected);
}

void TestExpandFormat::textAndNull()
{
    QCOMPARE(Formatted(Variant::Null(), frx::fkNumeric, QStringLiteral("0.00")), QString());
    QCOMPARE(Formatted(Variant::Null(), frx::fkText, QString()), QString());
    QCOMPARE(Formatted(Variant(3.5), frx::fkText, QStringLiteral("0.00")), QStringLiteral("3.5"));
    QCOMPARE(Formatted(Variant(QStringLiteral("张三")), frx::fkText, QString()), QStringLiteral("张三"));
    QCOMPARE(Formatted(Date(2024, 1, 2), frx::fkText, QString()), QStringLiteral("2024-01-02"));
}

void TestExpandFormat::fallBackToPlainText_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text as a number") << Variant(QStringLiteral("abc")) << int(frx::fkNumeric) << "0.00"
                                      << "abc";
    QTest::newRow("date format on a string")
        << Variant(QStringLiteral("next week")) << int(frx::fkDateTime) << "yyyy-mm-dd"
        << "next week";
    QTest::newRow("%d on text") << Variant(QStringLiteral("x1")) << int(frx::fkNumeric) << "%d"
                                << "x1";
    QTest::newRow("unknown printf type") << Variant(2.5) << int(frx::fkNumeric) << "%q"
                                         << "2.5";
    QTest::newRow("missing argument") << Variant(2.5) << int(frx::fkNumeric) << "%f %f"
                                      << "2.5";
    QTest::newRow("float type for an integer format") << Variant(2.5) << int(frx::fkNumeric) << "%.2f d"
                                                      << "2.5";
    QTest::newRow("day number out of range") << Variant(1e12) << int(frx::fkDateTime) << "yyyy"
                                             << "1000000000000";
    QTest::newRow("array") << Variant(QList<Variant>{1, 2}) << int(frx::fkText) << ""
                           << "";
}

void TestExpandFormat::fallBackToPlainText()
{
    QFETCH(Variant, value);
    QFETCH(int, kind);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(Formatted(value, frx::TfrxFormatKind(kind), format), expected);
}

void TestExpandFormat::localeSeparatorsFollowTheSettings()
{
    TFormatSettings german;
    german.DecimalSeparator = QLatin1Char(',');
    german.ThousandSeparator = QLatin1Char('.');
    SetFormatSettings(german);
    QCOMPARE(Formatted(1234.5, frx::fkNumeric, QStringLiteral("#,##0.00")), QStringLiteral("1.234,50"));
    QCOMPARE(Formatted(1234.5, frx::fkNumeric, QStringLiteral("%2.2f")), QStringLiteral("1234,50"));
    // A format's own separators differ from the locale's: the locale's are exchanged.
    QCOMPARE(Formatted(1234.5, frx::fkNumeric, QStringLiteral("#,##0.00"), QStringLiteral("."),
                       QStringLiteral(",")),
             QStringLiteral("1,234.50"));
}

void TestExpandFormat::charsetConversion()
{
    // The default character set and UseDefaultCharset leave text alone.
    QVERIFY(TfrxCharsetConversion(DEFAULT_CHARSET).IsIdentity());
    QCOMPARE(frxCharsetCodePage(GB2312_CHARSET), QStringLiteral("CP936"));
    QCOMPARE(frxCharsetCodePage(204), QStringLiteral("CP1251"));
    QVERIFY(frxCharsetCodePage(99).isEmpty());

    // GB2312: the legacy bytes of Chinese text read back as the same text.
    TfrxCharsetConversion gb(GB2312_CHARSET);
    QCOMPARE(gb.ValueText(QStringLiteral("收件人 Zhang")), QStringLiteral("收件人 Zhang"));
    QCOMPARE(gb.ExpressionText(QStringLiteral("FD.\"收件人\"")), QStringLiteral("FD.\"收件人\""));

    // ANSI (Western): the legacy bytes of "中" (D6 D0) are two Latin-1 letters.
    TfrxCharsetConversion western(ANSI_CHARSET);
    QCOMPARE(western.ValueText(QStringLiteral("中a")), QStringLiteral("ÖÐa"));
    QCOMPARE(western.ExpressionText(QStringLiteral("ÖÐa")), QStringLiteral("中a"));

    // The text object applies its font's character set to values it formats as text.
    TfrxMemoView memo;
    memo.Font()->SetCharset(ANSI_CHARSET);
    QCOMPARE(memo.FormatValue(Variant(QStringLiteral("中"))), QStringLiteral("ÖÐ"));
    memo.SetUseDefaultCharset(true);
    QCOMPARE(memo.FormatValue(Variant(QStringLiteral("中"))), QStringLiteral("中"));
}

QTEST_GUILESS_MAIN(TestExpandFormat)
#include "tst_expandformat.moc"

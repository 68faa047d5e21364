// Variant arithmetic, comparison and conversion: the rules report expressions and scripts rely on.

#include "script/variant/Variant.h"

#include <QDateTime>
#include <QObject>
#include <QTest>
#include <QVariant>

#include <limits>

Q_DECLARE_METATYPE(Variant)

namespace {

Variant Apply(const QString &op, const Variant &a, const Variant &b)
{
    if (op == "+")
        return Variant::Add(a, b);
    if (op == "-")
        return Variant::Subtract(a, b);
    if (op == "*")
        return Variant::Multiply(a, b);
    if (op == "/")
        return Variant::Divide(a, b);
    if (op == "div")
        return Variant::IntDivide(a, b);
    if (op == "mod")
        return Variant::Modulus(a, b);
    if (op == "and")
        return Variant::And(a, b);
    if (op == "or")
        return Variant::Or(a, b);
    if (op == "xor")
        return Variant::Xor(a, b);
    if (op == "shl")
        return Variant::Shl(a, b);
    if (op == "shr")
        return Variant::Shr(a, b);
    if (op == "not")
        return Variant::Not(a);
    if (op == "neg")
        return Variant::Negate(a);
    if (op == "&")
        return Variant::Concat(a, b);
    qFatal("unknown operation %s", qPrintable(op));
}

// How a value shows in a failure message: its type name and text.
QString Describe(const Variant &v)
{
    QString text;
    try {
        text = v.IsArray() ? QStringLiteral("[...]") : v.ToString();
    } catch (const EVariantError &) {
        text = QStringLiteral("?");
    }
    return Variant::VarTypeName(v.VarType()) + QStringLiteral(" ") + text;
}

Variant Int64(qint64 v)
{
    return Variant::FromTyped(varInt64, v);
}
Variant Date(int y, int m, int d, int h = 0, int n = 0)
{
    return Variant::FromDateTime(QDateTime(QDate(y, m, d), QTime(h, n)));
}

QObject g_objectA, g_objectB;

} // namespace

class tst_Variant : public QObject {
    Q_OBJECT

private slots:
    void operations_data();
    void operations();
    void compare_data();
    void compare();
    void toText_data();
    void toText();
    void conversions_data();
    void conversions();
    void varTypeCodes_data();
    void varTypeCodes();
    void errorTexts();
    void arraysCopyOnWrite();
    void copyAndMove();
    void qtValues();
    void datesBeforeDayZero();
};

// (operation, left, right, expected value or the class name of the error it raises)
void tst_Variant::operations_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<Variant>("a");
    QTest::addColumn<Variant>("b");
    QTest::addColumn<Variant>("expected");
    QTest::addColumn<QString>("error");

    const Variant none;
    const int maxInt = std::numeric_limits<int>::max();
    const int minInt = std::numeric_limits<int>::min();
    const qint64 maxInt64 = std::numeric_limits<qint64>::max();
    auto row = [](const char *name, const char *op, Variant a, Variant b, Variant expected) {
        QTest::newRow(name) << QString(op) << a << b << expected << QString();
    };
    auto fails = [&](const char *name, const char *op, Variant a, Variant b, const char *error) {
        QTest::newRow(name) << QString(op) << a << b << none << QString(error);
    };

    // integers and promotion
    row("int + int", "+", 2, 3, 5);
    row("int + int past 32 bits", "+", maxInt, 1, Int64(2147483648LL));
    row("int - int past 32 bits", "-", minInt, 1, Int64(-2147483649LL));
    row("int * int past 32 bits", "*", 100000, 100000, Int64(10000000000LL));
    row("int64 + int stays int64", "+", Int64(5), 1, Int64(6));
    fails("int64 overflow", "+", Int64(maxInt64), 1, "EIntOverflow");
    fails("int64 multiply overflow", "*", Int64(maxInt64), 2, "EIntOverflow");
    row("int + double", "+", 2, 0.5, 2.5);
    row("int - double", "-", 2, 0.5, 1.5);
    row("byte + byte is Integer", "+", Variant::FromTyped(varByte, qint64(200)),
        Variant::FromTyped(varByte, qint64(100)), 300);
    row("longword + int is Int64", "+", Variant(4000000000u), 1, Int64(4000000001LL));
    row("single * int is double", "*", Variant(1.5f), 2, 3.0);
    row("currency + int", "+", Variant::FromCurrency(1.25), 1, Variant::FromCurrency(2.25));
    row("currency + double", "+", Variant::FromCurrency(1.25), 0.5, 1.75);
    // '/' divides as floating point; div and mod as integers
    row("7 / 2", "/", 7, 2, 3.5);
    row("6 / 3 is a double", "/", 6, 3, 2.0);
    fails("1 / 0", "/", 1, 0, "EZeroDivide");
    fails("0 / 0", "/", 0, 0.0, "EInvalidOp");
    row("7 div 2", "div", 7, 2, 3);
    row("-7 div 2 truncates", "div", -7, 2, -3);
    row("7 mod 2", "mod", 7, 2, 1);
    row("-7 mod 2 keeps the sign", "mod", -7, 2, -1);
    row("float div rounds half to even", "div", 7.5, 2, 4);
    row("float mod rounds half to even", "mod", 6.5, 4, 2);
    fails("div by zero", "div", 7, 0, "EDivByZero");
    fails("mod by zero", "mod", 7, 0, "EDivByZero");
    fails("div of huge float", "div", 1e30, 2, "EVariantOverflowError");
    row("min int64 mod -1", "mod", Int64(std::numeric_limits<qint64>::min()), -1, Int64(0));
    // strings
    row("string + string joins", "+", "a", "b", "ab");
    row("digits + digits still join", "+", "1", "2", "12");
    row("string + number reads the number", "+", "1", 2, 3);
    row("number + decimal string", "+", 2, " 1.5 ", 3.5);
    row("hex string", "+", "$10", 1, 17);
    row("string * number", "*", "4", 2.5, 10.0);
    fails("letters + number", "+", "abc", 1, "EVariantTypeCastError");
    fails("empty string + number", "+", "", 1, "EVariantTypeCastError");
    fails("letters * number", "*", "abc", 2, "EVariantTypeCastError");
    fails("comma decimal is not a number", "+", "1,5", 1, "EVariantTypeCastError");
    row("string & number", "&", "a", 1, "a1");
    row("string & Boolean", "&", "x", true, "xTrue");
    row("string & float", "&", "x", 0.5, "x0.5");
    // Unassigned, Null, Booleans
    row("Unassigned + int", "+", none, 1, 1);
    row("Unassigned + string", "+", none, "a", "a");
    row("string + Unassigned", "+", "a", none, "a");
    row("Null + int", "+", Variant::Null(), 1, Variant::Null());
    row("string + Null", "+", "a", Variant::Null(), Variant::Null());
    row("Null / 0", "/", Variant::Null(), 0, Variant::Null());
    row("Null and True", "and", Variant::Null(), true, Variant::Null());
    row("True + 1", "+", true, 1, 0);
    row("True and False", "and", true, false, false);
    row("True or False", "or", true, false, true);
    row("True xor True", "xor", true, true, false);
    row("True and 'false'", "and", true, "false", false);
    row("12 and 10", "and", 12, 10, 8);
    row("12 or 3", "or", 12, 3, 15);
    row("12 xor 10", "xor", 12, 10, 6);
    row("1 shl 4", "shl", 1, 4, 16);
    row("shl count masked to 32 bits", "shl", 1, 33, 2);
    row("shr is logical", "shr", -16, 28, 15);
    row("int64 shl", "shl", Int64(1), 40, Int64(1099511627776LL));
    row("not True", "not", true, none, false);
    row("not 0", "not", 0, none, -1);
    row("not 'True'", "not", "True", none, false);
    row("not Null", "not", Variant::Null(), none, Variant::Null());
    // unary minus
    row("-5", "neg", 5, none, -5);
    row("-(min int) widens", "neg", minInt, none, Int64(2147483648LL));
    row("-'3'", "neg", "3", none, -3);
    row("-2.5", "neg", 2.5, none, -2.5);
    row("-Null", "neg", Variant::Null(), none, Variant::Null());
    fails("-(min int64)", "neg", Int64(std::numeric_limits<qint64>::min()), none, "EIntOverflow");
    // dates
    row("date + days", "+", Date(2024, 1, 31), 1, Date(2024, 2, 1));
    row("date - days", "-", Date(2024, 3, 1), 1, Date(2024, 2, 29));
    row("date - date is days", "-", Date(2024, 3, 1), Date(2024, 2, 1), 29.0);
    row("date + time fraction", "+", Date(2024, 1, 1), 0.5, 45292.5);
    row("date + date text", "-", Date(2024, 1, 2), "2024-01-01", 1.0);
    // objects and arrays take no part in arithmetic
    fails("object + 1", "+", Variant(&g_objectA), 1, "EVariantInvalidOpError");
    fails("array + 1", "+", Variant(QList<Variant>{1, 2}), 1, "EVariantInvalidOpError");
    fails("float overflow", "*", 1e300, 1e300, "EOverflow");
}

void tst_Variant::operations()
{
    QFETCH(QString, op);
    QFETCH(Variant, a);
    QFETCH(Variant, b);
    QFETCH(Variant, expected);
    QFETCH(QString, error);

    try {
        Variant result = Apply(op, a, b);
        QVERIFY2(error.isEmpty(), qPrintable("expected " + error + ", got " + Describe(result)));
        QVERIFY2(result.IsIdentical(expected),
                 qPrintable("got " + Describe(result) + ", expected " + Describe(expected)));
    } catch (const EVariantError &e) {
        QVERIFY2(!error.isEmpty(), qPrintable("unexpected " + e.ClassName() + ": " + e.Message()));
        QCOMPARE(e.ClassName(), error);
    }
}

// (left, right, expected order -1/0/1, or the error class)
void tst_Variant::compare_data()
{
    QTest::addColumn<Variant>("a");
    QTest::addColumn<Variant>("b");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("error");
    auto row = [](const char *name, Variant a, Variant b, int order) {
        QTest::newRow(name) << a << b << order << QString();
    };
    const Variant none;
    row("1 = 1.0", 1, 1.0, 0);
    row("1 < 2", 1, 2, -1);
    row("int64 > int", Int64(3000000000LL), 2, 1);
    row("int64 against double", Int64(9007199254740993LL), Int64(9007199254740992LL), 1);
    row("'abc' = 'abc'", "abc", "abc", 0);
    row("'a' < 'b'", "a", "b", -1);
    row("case counts", "B", "a", -1);
    row("'10' > 9 as numbers", "10", 9, 1);
    row("'10' < '9' as strings", "10", "9", -1);
    row("' 2.5' = 2.5", " 2.5", 2.5, 0);
    row("Null = Null", Variant::Null(), Variant::Null(), 0);
    row("Null below 0", Variant::Null(), 0, -1);
    row("0 above Null", 0, Variant::Null(), 1);
    row("Null below ''", Variant::Null(), "", -1);
    row("Null below Unassigned", Variant::Null(), none, -1);
    row("Unassigned = ''", none, "", 0);
    row("Unassigned < 'a'", none, "a", -1);
    row("Unassigned = 0", none, 0, 0);
    row("True > False", true, false, 1);
    row("True = -1", true, -1, 0);
    row("'True' = True", "True", true, 0);
    row("dates", Date(2024, 1, 1), Date(2024, 1, 2), -1);
    row("date = its text", Date(2024, 1, 2), "2024-01-02", 0);
    row("date = day number", Date(2024, 1, 1), 45292, 0);
    row("same object", Variant(&g_objectA), Variant(&g_objectA), 0);
    row("object against nil", Variant(static_cast<QObject *>(nullptr)), 0, 0);
    QTest::newRow("other object") << Variant(&g_objectA) << Variant(&g_objectB)
                                  << (&g_objectA < &g_objectB ? -1 : 1) << QString();
    QTest::newRow("'abc' against 1") << Variant("abc") << Variant(1) << 0 << "EVariantTypeCastError";
    QTest::newRow("'yes' against True") << Variant("yes") << Variant(true) << 0 << "EVariantTypeCastError";
    QTest::newRow("object against string")
        << Variant(&g_objectA) << Variant("a") << 0 << "EVariantInvalidOpError";
    QTest::newRow("arrays") << Variant(QList<Variant>{1}) << Variant(QList<Variant>{1}) << 0
                            << "EVariantInvalidOpError";
}

void tst_Variant::compare()
{
    QFETCH(Variant, a);
    QFETCH(Variant, b);
    QFETCH(int, expected);
    QFETCH(QString, error);
    try {
        int order = int(Variant::Compare(a, b));
        QVERIFY2(error.isEmpty(), qPrintable("expected " + error));
        QCOMPARE(order, expected);
        // The reverse order and the operators agree with Compare.
        QCOMPARE(int(Variant::Compare(b, a)), -expected);
        QCOMPARE(a == b, expected == 0);
        QCOMPARE(a != b, expected != 0);
        QCOMPARE(a < b, expected < 0);
        QCOMPARE(a >= b, expected >= 0);
    } catch (const EVariantError &e) {
        QVERIFY2(!error.isEmpty(), qPrintable("unexpected " + e.ClassName() + ": " + e.Message()));
        QCOMPARE(e.ClassName(), error);
    }
}

void tst_Variant::toText_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, Variant v, const char *text) {
        QTest::newRow(name) << v << QString(text);
    };
    row("Unassigned", Variant(), "");
    row("Null", Variant::Null(), "");
    row("integer", -42, "-42");
    row("int64", Int64(-9223372036854775807LL), "-9223372036854775807");
    row("True", true, "True");
    row("False", false, "False");
    row("0.1", 0.1, "0.1");
    row("0.1 + 0.2", 0.1 + 0.2, "0.3");
    row("1/3", 1.0 / 3, "0.333333333333333");
    row("2/3 rounds", 2.0 / 3, "0.666666666666667");
    row("100.0", 100.0, "100");
    row("-2.5", -2.5, "-2.5");
    row("15 digits stay fixed", 123456789012345.0, "123456789012345");
    row("16 digits go scientific", 1234567890123456.0, "1.23456789012346E15");
    row("1E15", 1e15, "1E15");
    row("1E20", 1e20, "1E20");
    row("0.0001 stays fixed", 0.0001, "0.0001");
    row("0.00001 goes scientific", 0.00001, "1E-5");
    row("1.5E-10", 1.5e-10, "1.5E-10");
    row("negative zero", -0.0, "0");
    row("infinity", std::numeric_limits<double>::infinity(), "INF");
    row("single keeps its own digits", Variant(0.1f), "0.100000001490116");
    row("currency", Variant::FromCurrency(1234.5), "1234.5");
    row("currency rounds to 4 places", Variant::FromCurrency(0.123456), "0.1235");
    row("date", Date(2024, 1, 1), "2024-01-01");
    row("date and time", Date(2024, 1, 1, 9, 5), "2024-01-01 09:05:00");
    row("time only", Variant::FromDateTime(0.25), "06:00:00");
    row("day zero", Variant::FromDateTime(0), "1899-12-30");
    row("string", "文本", "文本");
}

void tst_Variant::toText()
{
    QFETCH(Variant, value);
    QFETCH(QString, expected);
    QCOMPARE(value.ToString(), expected);
}

// (value, target kind, expected value or error class)
void tst_Variant::conversions_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QString>("to");
    QTest::addColumn<Variant>("expected");
    QTest::addColumn<QString>("error");
    auto row = [](const char *name, Variant v, const char *to, Variant e) {
        QTest::newRow(name) << v << QString(to) << e << QString();
    };
    auto fails = [](const char *name, Variant v, const char *to, const char *error) {
        QTest::newRow(name) << v << QString(to) << Variant() << QString(error);
    };
    row("'12' int", " 12 ", "int", 12);
    row("'3.7' int rounds", "3.7", "int", 4);
    row("2.5 int half to even", 2.5, "int", 2);
    row("3.5 int half to even", 3.5, "int", 4);
    row("-2.5 int half to even", -2.5, "int", -2);
    row("'$1F' int", "$1F", "int", 31);
    row("'0x1f' int", "0x1f", "int", 31);
    row("True int", true, "int", -1);
    row("Unassigned int", Variant(), "int", 0);
    row("date int", Date(2024, 1, 1, 18), "int", 45293);
    fails("3E10 int", 3e10, "int", "EVariantOverflowError");
    fails("int64 int", Int64(1LL << 40), "int", "EVariantOverflowError");
    row("int64 fits int64", Int64(1LL << 40), "int64", Int64(1LL << 40));
    row("'9223372036854775807' int64", "9223372036854775807", "int64", Int64(9223372036854775807LL));
    fails("'abc' int", "abc", "int", "EVariantTypeCastError");
    fails("Null int", Variant::Null(), "int", "EVariantTypeCastError");
    fails("'' int", "", "int", "EVariantTypeCastError");
    row("'1.5' double", "1.5", "double", 1.5);
    row("'1e3' double", "1e3", "double", 1000.0);
    row("'-.5' double", "-.5", "double", -0.5);
    row("int double", 7, "double", 7.0);
    fails("'1,5' double", "1,5", "double", "EVariantTypeCastError");
    fails("'nan' double", "nan", "double", "EVariantTypeCastError");
    fails("'0x10' double", "0x1p4", "double", "EVariantTypeCastError");
    fails("object double", Variant(&g_objectA), "double", "EVariantTypeCastError");
    row("'true' bool", "true", "bool", true);
    row("'FALSE' bool", "FALSE", "bool", false);
    row("'0' bool", "0", "bool", false);
    row("2 bool", 2, "bool", true);
    row("Unassigned bool", Variant(), "bool", false);
    fails("'x' bool", "x", "bool", "EVariantTypeCastError");
    fails("Null bool", Variant::Null(), "bool", "EVariantTypeCastError");
    row("'2024-01-01' date", "2024-01-01", "date", 45292.0);
    row("'2024/1/2 10:30' date", "2024/1/2 10:30", "date", 45293.4375);
    row("'10:30' date", "10:30", "date", 0.4375);
    row("'10:30:15.5' date", "10:30:15.5", "date", (10 * 3600 + 30 * 60 + 15.5) / 86400.0);
    row("'1:30 PM' date", "1:30 PM", "date", 13.5 / 24);
    row("'24-3-1' two-digit year", "24-3-1", "date", 45352.0);
    row("number text date", "45292.5", "date", 45292.5);
    fails("'2024-02-30' date", "2024-02-30", "date", "EVariantTypeCastError");
    fails("'25:00' date", "25:00", "date", "EVariantTypeCastError");
    fails("'2024-01-01 x' date", "2024-01-01 x", "date", "EVariantTypeCastError");
    row("object", Variant(&g_objectA), "object", Variant(&g_objectA));
    row("nil", Variant::Null(), "object", Variant(static_cast<QObject *>(nullptr)));
    fails("string object", "a", "object", "EVariantTypeCastError");
    fails("array string", Variant(QList<Variant>{1}), "string", "EVariantTypeCastError");
}

void tst_Variant::conversions()
{
    QFETCH(Variant, value);
    QFETCH(QString, to);
    QFETCH(Variant, expected);
    QFETCH(QString, error);
    try {
        Variant result;
        if (to == "int")
            result = value.ToInt();
        else if (to == "int64")
            result = Variant::FromTyped(varInt64, value.ToInt64());
        else if (to == "double")
            result = value.ToDouble();
        else if (to == "bool")
            result = value.ToBool();
        else if (to == "date")
            result = value.ToDateTime();
        else if (to == "object")
            result = value.ToObject();
        else if (to == "string")
            result = value.ToString();
        QVERIFY2(error.isEmpty(), qPrintable("expected " + error + ", got " + Describe(result)));
        if (to == "date")
            QVERIFY2(qAbs(result.ToDouble() - expected.ToDouble()) < 1e-9,
                     qPrintable("got " + Describe(result) + ", expected " + Describe(expected)));
        else
            QVERIFY2(result.IsIdentical(expected),
                     qPrintable("got " + Describe(result) + ", expected " + Describe(expected)));
    } catch (const EVariantError &e) {
        QVERIFY2(!error.isEmpty(), qPrintable("unexpected " + e.ClassName() + ": " + e.Message()));
        QCOMPARE(e.ClassName(), error);
    }
}

void tst_Variant::varTypeCodes_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<int>("code");
    QTest::newRow("Unassigned") << Variant() << 0;
    QTest::newRow("Null") << Variant::Null() << 1;
    QTest::newRow("Smallint") << Variant::FromQVariant(QVariant::fromValue<short>(-3)) << 2;
    QTest::newRow("Integer") << Variant(3) << 3;
    QTest::newRow("small long long narrows") << Variant(3LL) << 3;
    QTest::newRow("Single") << Variant(1.5f) << 4;
    QTest::newRow("Double") << Variant(1.5) << 5;
    QTest::newRow("Currency") << Variant::FromCurrency(1.5) << 6;
    QTest::newRow("Date") << Variant::FromDateTime(1.0) << 7;
    QTest::newRow("Dispatch") << Variant(&g_objectA) << 9;
    QTest::newRow("Boolean") << Variant(true) << 11;
    QTest::newRow("ShortInt") << Variant::FromTyped(varShortInt, qint64(-1)) << 16;
    QTest::newRow("Byte") << Variant::FromTyped(varByte, qint64(255)) << 17;
    QTest::newRow("Word") << Variant::FromTyped(varWord, qint64(65535)) << 18;
    QTest::newRow("LongWord") << Variant(4000000000u) << 19;
    QTest::newRow("Int64") << Variant(3000000000LL) << 20;
    QTest::newRow("string") << Variant("s") << 0x102;
    QTest::newRow("array") << Variant::CreateArray(0, 2) << 0x200C;
}

void tst_Variant::varTypeCodes()
{
    QFETCH(Variant, value);
    QFETCH(int, code);
    QCOMPARE(int(value.VarType()), code);
}

void tst_Variant::errorTexts()
{
    // The report recognises the division text to honour its ignore-division-by-zero option.
    try {
        Variant::Divide(1, 0);
        QFAIL("no error");
    } catch (const EVariantError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Floating point division by zero"));
        QCOMPARE(QString::fromUtf8(e.what()), e.Message());
    }
    // A failed conversion names the types and the text that did not read.
    try {
        Variant::Add("abc", 1);
        QFAIL("no error");
    } catch (const Exception &e) {
        QCOMPARE(
            e.Message(),
            QStringLiteral("Could not convert variant of type (UnicodeString) into type (Double): 'abc'"));
    }
    QVERIFY_THROWS_EXCEPTION(EVariantOverflowError, Variant::FromTyped(varByte, qint64(256)));
}

void tst_Variant::arraysCopyOnWrite()
{
    Variant a = Variant::CreateArray(1, 3);
    QCOMPARE(a.ArrayLowBound(), 1);
    QCOMPARE(a.ArrayHighBound(), 3);
    QVERIFY(a.ArrayItem(2).IsEmpty());
    a.SetArrayItem(2, "x");
    Variant b = a; // arrays are values: changing the copy leaves a alone
    b.SetArrayItem(2, 5);
    QCOMPARE(a.ArrayItem(2).ToString(), QStringLiteral("x"));
    QCOMPARE(b.ArrayItem(2).ToInt(), 5);
    a.SetArrayItem(1, a.ArrayItem(2)); // an element assigned from the same array
    QCOMPARE(a.ArrayItem(1).ToString(), QStringLiteral("x"));
    QVERIFY_THROWS_EXCEPTION(EVariantArrayBoundsError, a.ArrayItem(0));
    QVERIFY_THROWS_EXCEPTION(EVariantArrayBoundsError, a.SetArrayItem(4, 1));
    a.ArrayRedim(5);
    QCOMPARE(a.ArrayCount(), 5);
    QCOMPARE(a.ArrayItem(1).ToString(), QStringLiteral("x"));
    QVERIFY(a.ArrayItem(5).IsEmpty());
    QVERIFY_THROWS_EXCEPTION(EVariantInvalidOpError, Variant(1).ArrayCount());

    Variant nested(QList<Variant>{1, QList<Variant>{"a", 2.5}});
    QCOMPARE(nested.ArrayItem(1).ArrayItem(0).ToString(), QStringLiteral("a"));
    QVERIFY(nested.IsIdentical(Variant(QList<Variant>{1, QList<Variant>{"a", 2.5}})));
}

void tst_Variant::copyAndMove()
{
    Variant s(QStringLiteral("text"));
    Variant &same = s;
    s = same;
    QCOMPARE(s.ToString(), QStringLiteral("text"));
    Variant moved(std::move(s));
    QCOMPARE(moved.ToString(), QStringLiteral("text"));
    QVERIFY(s.IsEmpty());
    Variant target = 5;
    target = moved; // scalar takes a string
    QCOMPARE(target.ToString(), QStringLiteral("text"));
    target = 2.5; // string gives way to a scalar
    QCOMPARE(target.ToDouble(), 2.5);
    target = Variant(QList<Variant>{1});
    target = std::move(moved);
    QCOMPARE(target.ToString(), QStringLiteral("text"));
    static_assert(sizeof(Variant) <= 32, "a Variant stays a small value");
}

void tst_Variant::qtValues()
{
    QCOMPARE(Variant::FromQVariant(QVariant(7)).VarType(), varInteger);
    QCOMPARE(Variant::FromQVariant(QVariant(true)).ToString(), QStringLiteral("True"));
    QCOMPARE(Variant::FromQVariant(QVariant(QStringLiteral("收件人"))).ToString(), QStringLiteral("收件人"));
    QCOMPARE(Variant::FromQVariant(QVariant(2.5)).ToDouble(), 2.5);
    QVERIFY(Variant::FromQVariant(QVariant()).IsEmpty());
    QCOMPARE(Variant::FromQVariant(QVariant(QDate(2024, 1, 1))).ToString(), QStringLiteral("2024-01-01"));
    QCOMPARE(Variant::FromQVariant(QVariant::fromValue(&g_objectA)).ToObject(), &g_objectA);
    Variant list = Variant::FromQVariant(QVariantList{1, QStringLiteral("a")});
    QCOMPARE(list.ArrayCount(), 2);
    QCOMPARE(list.ArrayItem(1).ToString(), QStringLiteral("a"));
    // And back.
    QCOMPARE(Variant(3).ToQVariant(), QVariant(3));
    QCOMPARE(Variant("x").ToQVariant(), QVariant(QStringLiteral("x")));
    QCOMPARE(Date(2024, 1, 1, 12).ToQVariant().toDateTime(), QDateTime(QDate(2024, 1, 1), QTime(12, 0)));
    QCOMPARE(Variant(QList<Variant>{1, "a"}).ToQVariant(), QVariant(QVariantList{1, QStringLiteral("a")}));
}

void tst_Variant::datesBeforeDayZero()
{
    // Day 0 is 1899-12-30; before it the day counts down while the time of day counts up.
    QCOMPARE(Variant::EncodeDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0);
    QCOMPARE(Variant::EncodeDateTime(QDate(2024, 1, 1), QTime(0, 0)), 45292.0);
    QCOMPARE(Variant::EncodeDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25);
    QDate date;
    QTime time;
    QVERIFY(Variant::DecodeDateTime(-1.25, date, time));
    QCOMPARE(date, QDate(1899, 12, 29));
    QCOMPARE(time, QTime(6, 0));
    QCOMPARE(Variant::FromDateTime(-1.25).ToString(), QStringLiteral("1899-12-29 06:00:00"));
    QVERIFY(!Variant::DecodeDateTime(std::numeric_limits<double>::quiet_NaN(), date, time));
    QVERIFY_THROWS_EXCEPTION(EVariantOverflowError, Variant::FromDateTime(1e300).ToString());
}

QTEST_GUILESS_MAIN(tst_Variant)
#include "tst_variant.moc"

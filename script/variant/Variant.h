#pragma once
// The value type of scripts, expressions, datasets and report variables. It follows the variant
// rules that layouts and their scripts were written against: Unassigned and Null are different
// things, integers widen to 64 bits instead of wrapping, strings take part in arithmetic as
// numbers, and '+' between two strings joins them.
//
// A Variant is a small tagged union (32 bytes); scalars never touch the heap, strings share their
// QString data, arrays are shared and copied on write, so copying a Variant is always cheap.

#include "platform/Exception.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <new>

class QObject;
class QVariant;
class QDateTime;
class QDate;
class QTime;

// Type codes as VarType reports them and as scripts see them under these names.
using TVarType = quint16;
inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;
inline constexpr TVarType varDispatch = 0x0009;
inline constexpr TVarType varError = 0x000A;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varUnknown = 0x000D;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varStrArg = 0x0048;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varAny = 0x0101;
inline constexpr TVarType varUString = 0x0102;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;
inline constexpr TVarType varByRef = 0x4000;

// ---- errors ------------------------------------------------------------------------------------
// Every error of variant arithmetic and conversion. ClassName() is the name a script's
// try/except block reports in ExceptionClassName.
class EVariantError : public Exception {
public:
    using Exception::Exception;
    virtual QString ClassName() const { return QStringLiteral("EVariantError"); }
};

// A value that cannot become the wanted type ('abc' as a number, Null as a string).
class EVariantTypeCastError : public EVariantError {
public:
    EVariantTypeCastError(TVarType from, TVarType to, const QString &value = QString());
    QString ClassName() const override { return QStringLiteral("EVariantTypeCastError"); }
};

// An operation the operand types do not support (an object plus a number, arrays compared).
class EVariantInvalidOpError : public EVariantError {
public:
    EVariantInvalidOpError() : EVariantError(QStringLiteral("Invalid variant operation")) {}
    QString ClassName() const override { return QStringLiteral("EVariantInvalidOpError"); }
};

// A value outside the range of the wanted type (3E10 as an Integer).
class EVariantOverflowError : public EVariantError {
public:
    EVariantOverflowError() : EVariantError(QStringLiteral("Variant overflow")) {}
    QString ClassName() const override { return QStringLiteral("EVariantOverflowError"); }
};

// An index outside a variant array's bounds.
class EVariantArrayBoundsError : public EVariantError {
public:
    EVariantArrayBoundsError() : EVariantError(QStringLiteral("Variant or safe array index out of bounds")) {}
    QString ClassName() const override { return QStringLiteral("EVariantArrayBoundsError"); }
};

// 64-bit integer arithmetic that does not fit.
class EIntOverflow : public EVariantError {
public:
    EIntOverflow() : EVariantError(QStringLiteral("Integer overflow")) {}
    QString ClassName() const override { return QStringLiteral("EIntOverflow"); }
};

// Integer division (div, mod) by zero.
class EDivByZero : public EVariantError {
public:
    EDivByZero() : EVariantError(QStringLiteral("Division by zero")) {}
    QString ClassName() const override { return QStringLiteral("EDivByZero"); }
};

// '/' by zero. The report's IgnoreDevByZero option recognises this exact text.
class EZeroDivide : public EVariantError {
public:
    EZeroDivide() : EVariantError(QStringLiteral("Floating point division by zero")) {}
    QString ClassName() const override { return QStringLiteral("EZeroDivide"); }
};

// A floating-point result too large for a double.
class EOverflow : public EVariantError {
public:
    EOverflow() : EVariantError(QStringLiteral("Floating point overflow")) {}
    QString ClassName() const override { return QStringLiteral("EOverflow"); }
};

// 0 / 0 and other floating-point results that are not numbers.
class EInvalidOp : public EVariantError {
public:
    EInvalidOp() : EVariantError(QStringLiteral("Invalid floating point operation")) {}
    QString ClassName() const override { return QStringLiteral("EInvalidOp"); }
};

// A string or array past the size scripts may build (MaxStringLength, MaxArrayLength): a
// runaway script ends with this error instead of taking the machine's memory.
class EOutOfMemory : public EVariantError {
public:
    EOutOfMemory() : EVariantError(QStringLiteral("Out of memory")) {}
    QString ClassName() const override { return QStringLiteral("EOutOfMemory"); }
};

// 256 MB of UTF-16 text, and of array elements.
inline constexpr qsizetype MaxStringLength = qsizetype(128) * 1024 * 1024;
inline constexpr qsizetype MaxArrayLength = qsizetype(8) * 1024 * 1024;
// Raises EOutOfMemory when a text of that many UTF-16 units is more than a script may build.
inline void CheckStringLength(qint64 length)
{
    if (length > MaxStringLength)
        throw EOutOfMemory();
}

// ---- number and date text ------------------------------------------------------------------------
// The conventions for turning numbers and dates into text and back, in one place. The defaults are
// those of the Chinese locale the product is sold in: "." decimals, "," thousands, yyyy-mm-dd dates.
struct TFormatSettings {
    QChar DecimalSeparator = QLatin1Char('.');
    QChar ThousandSeparator = QLatin1Char(',');
    QChar DateSeparator = QLatin1Char('-');
    QChar TimeSeparator = QLatin1Char(':');
    QString ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    QString LongDateFormat = QStringLiteral("yyyy'年'm'月'd'日'");
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    // Month and day names of date formats (mmm, mmmm, ddd, dddd); days start with Sunday.
    QStringList ShortMonthNames = {QStringLiteral("1月"),  QStringLiteral("2月"),  QStringLiteral("3月"),
                                   QStringLiteral("4月"),  QStringLiteral("5月"),  QStringLiteral("6月"),
                                   QStringLiteral("7月"),  QStringLiteral("8月"),  QStringLiteral("9月"),
                                   QStringLiteral("10月"), QStringLiteral("11月"), QStringLiteral("12月")};
    QStringList LongMonthNames = {QStringLiteral("一月"), QStringLiteral("二月"),   QStringLiteral("三月"),
                                  QStringLiteral("四月"), QStringLiteral("五月"),   QStringLiteral("六月"),
                                  QStringLiteral("七月"), QStringLiteral("八月"),   QStringLiteral("九月"),
                                  QStringLiteral("十月"), QStringLiteral("十一月"), QStringLiteral("十二月")};
    QStringList ShortDayNames = {QStringLiteral("周日"), QStringLiteral("周一"), QStringLiteral("周二"),
                                 QStringLiteral("周三"), QStringLiteral("周四"), QStringLiteral("周五"),
                                 QStringLiteral("周六")};
    QStringList LongDayNames = {QStringLiteral("星期日"), QStringLiteral("星期一"), QStringLiteral("星期二"),
                                QStringLiteral("星期三"), QStringLiteral("星期四"), QStringLiteral("星期五"),
                                QStringLiteral("星期六")};
    // Money (the %m format): the symbol before the amount, the minus between them ("¥-5.00").
    QString CurrencyString = QStringLiteral("¥");
    int CurrencyDecimals = 2;
};

// The process-wide settings; read at every conversion, so set them before work starts.
const TFormatSettings &FormatSettings();
void SetFormatSettings(const TFormatSettings &settings);

// ---- the value -------------------------------------------------------------------------------------
class Variant {
public:
    // Unassigned (varEmpty).
    Variant() noexcept : m_type(varEmpty) { m_int = 0; }
    Variant(int value) noexcept : m_type(varInteger) { m_int = value; }
    Variant(unsigned int value) noexcept : m_type(varLongWord) { m_int = value; }
    Variant(long value) noexcept : m_type(varInt64)
    {
        m_int = value;
        NarrowInt();
    }
    Variant(long long value) noexcept : m_type(varInt64)
    {
        m_int = value;
        NarrowInt();
    }
    Variant(unsigned long value) noexcept;
    Variant(unsigned long long value) noexcept;
    Variant(double value) noexcept : m_type(varDouble) { m_double = value; }
    Variant(float value) noexcept : m_type(varSingle) { m_double = value; }
    Variant(bool value) noexcept : m_type(varBoolean) { m_bool = value; }
    Variant(const QString &value) noexcept : m_type(varUString) { new (&m_string) QString(value); }
    Variant(QString &&value) noexcept : m_type(varUString) { new (&m_string) QString(std::move(value)); }
    Variant(const char *utf8) : Variant(QString::fromUtf8(utf8)) {}
    Variant(const char16_t *text) : Variant(QString::fromUtf16(text)) {}
    Variant(QLatin1StringView text) : Variant(QString(text)) {}
    Variant(QChar ch) : Variant(QString(ch)) {}
    Variant(QObject *object) noexcept : m_type(varDispatch) { m_object = object; }
    // A vararray with the elements in order, low bound 0 (what a script's [a, b, c] gives).
    Variant(const QList<Variant> &elements);
    Variant(std::nullptr_t) = delete; // say Variant::Null() or Variant(static_cast<QObject *>(nullptr))

    Variant(const Variant &other) noexcept;
    Variant(Variant &&other) noexcept;
    Variant &operator=(const Variant &other) noexcept;
    Variant &operator=(Variant &&other) noexcept;
    ~Variant()
    {
        if (m_type >= varUString)
            Release();
    }

    static Variant Unassigned() noexcept { return Variant(); }
    static Variant Null() noexcept
    {
        Variant v;
        v.m_type = varNull;
        return v;
    }
    // A date-time: whole days since 1899-12-30 plus the fraction of the day.
    static Variant FromDateTime(double dayNumber) noexcept;
    static Variant FromDateTime(const QDateTime &value);
    static Variant FromDate(const QDate &value);
    static Variant FromCurrency(double value) noexcept; // kept to 4 decimals
    // An integer of one of the integer type codes (varSmallint ... varInt64), or a float of
    // varSingle/varDouble/varCurrency/varDate; the value is range-checked for the code.
    static Variant FromTyped(TVarType type, qint64 value);
    static Variant FromTyped(TVarType type, double value);
    // A vararray of high - low + 1 Unassigned elements (what VarArrayCreate([low, high], ...) gives).
    static Variant CreateArray(int lowBound, int highBound);

    // Qt's variant, for property values read through the meta-object system and for the
    // widgets. Unknown Qt types come across as their text when they have one.
    static Variant FromQVariant(const QVariant &value);
    QVariant ToQVariant() const;

    // ---- kind ----
    // The code VarType returns (varArray | varVariant for arrays).
    TVarType VarType() const noexcept { return m_type; }
    bool IsEmpty() const noexcept { return m_type == varEmpty; }
    bool IsNull() const noexcept { return m_type == varNull; }
    bool IsEmptyOrNull() const noexcept { return m_type <= varNull; }
    bool IsString() const noexcept { return m_type == varUString; }
    bool IsBool() const noexcept { return m_type == varBoolean; }
    bool IsDate() const noexcept { return m_type == varDate; }
    bool IsObject() const noexcept { return m_type == varDispatch; }
    bool IsArray() const noexcept { return m_type == varArray + varVariant; }
    // Integer of any width (not Boolean).
    bool IsOrdinal() const noexcept;
    // Single, Double or Currency (not Date).
    bool IsFloat() const noexcept
    {
        return m_type == varDouble || m_type == varSingle || m_type == varCurrency;
    }
    // Ordinal or float.
    bool IsNumeric() const noexcept { return IsOrdinal() || IsFloat(); }

    // ---- conversions (each raises EVariantTypeCastError when the value has no such form) ----
    // Text as the script's VarToStr gives it: Unassigned and Null are empty, Booleans "True" and
    // "False", floats with 15 significant digits, dates in the short date and long time formats.
    // Objects and arrays raise.
    QString ToString() const;
    // Integer conversions round floats half to even and raise EVariantOverflowError out of range.
    qint32 ToInt() const;
    qint64 ToInt64() const;
    double ToDouble() const;
    bool ToBool() const;
    // A day number (see FromDateTime); strings are read in the short date and long time formats.
    double ToDateTime() const;
    QDateTime ToQDateTime() const;
    // The object of a varDispatch value; nullptr for Unassigned, Null and 0.
    QObject *ToObject() const;

    // Direct access without conversion; only valid for the matching kind.
    const QString &StringRef() const noexcept { return m_string; }
    qint64 IntValue() const noexcept { return m_int; }
    double FloatValue() const noexcept { return m_double; }
    bool BoolValue() const noexcept { return m_bool; }

    // ---- arrays ----
    int ArrayLowBound() const;
    int ArrayHighBound() const;
    int ArrayCount() const;
    const Variant &ArrayItem(int index) const; // index between the bounds
    void SetArrayItem(int index, const Variant &value);
    void ArrayRedim(int highBound); // keeps the low bound and the elements that remain
    QList<Variant> ArrayElements() const;

    // ---- operations ----
    // Arithmetic between any two values: Null in, Null out; Unassigned counts as 0 (or as "" next to
    // a string); Booleans are 0 and -1; a string next to a number is read as a number. Integers
    // that outgrow 32 bits give Int64; Int64 that outgrows 64 bits raises EIntOverflow.
    static Variant Add(const Variant &a, const Variant &b); // '+', joins two strings
    static Variant Subtract(const Variant &a, const Variant &b);
    static Variant Multiply(const Variant &a, const Variant &b);
    static Variant Divide(const Variant &a, const Variant &b);    // '/', always floating point
    static Variant IntDivide(const Variant &a, const Variant &b); // div
    static Variant Modulus(const Variant &a, const Variant &b);   // mod
    static Variant And(const Variant &a, const Variant &b);       // logical for two Booleans,
    static Variant Or(const Variant &a, const Variant &b);        // bitwise otherwise
    static Variant Xor(const Variant &a, const Variant &b);
    static Variant Shl(const Variant &a, const Variant &b);
    static Variant Shr(const Variant &a, const Variant &b);
    static Variant Not(const Variant &a);
    static Variant Negate(const Variant &a); // unary minus
    // Both as text and joined; what STRCAT does when its left operand is a string.
    static Variant Concat(const Variant &a, const Variant &b);

    // Comparison: numbers (of any kind, dates and Booleans too) by value, strings by their code
    // units, a string against a number as a number. Null equals only Null and is below everything
    // else. Objects compare by identity, and against an integer or Unassigned by address, so a
    // nil object equals 0 (what scripts call nil). Raises when the values cannot be compared.
    enum class Order { Less = -1, Equal = 0, Greater = 1 };
    static Order Compare(const Variant &a, const Variant &b);
    static bool Equal(const Variant &a, const Variant &b);
    // Same type code and same value; for tests and caches, never raises.
    bool IsIdentical(const Variant &other) const noexcept;

    Variant operator-() const { return Negate(*this); }
    friend Variant operator+(const Variant &a, const Variant &b) { return Add(a, b); }
    friend Variant operator-(const Variant &a, const Variant &b) { return Subtract(a, b); }
    friend Variant operator*(const Variant &a, const Variant &b) { return Multiply(a, b); }
    friend Variant operator/(const Variant &a, const Variant &b) { return Divide(a, b); }
    friend bool operator==(const Variant &a, const Variant &b) { return Equal(a, b); }
    friend bool operator!=(const Variant &a, const Variant &b) { return !Equal(a, b); }
    friend bool operator<(const Variant &a, const Variant &b) { return Compare(a, b) == Order::Less; }
    friend bool operator>(const Variant &a, const Variant &b) { return Compare(a, b) == Order::Greater; }
    friend bool operator<=(const Variant &a, const Variant &b) { return Compare(a, b) != Order::Greater; }
    friend bool operator>=(const Variant &a, const Variant &b) { return Compare(a, b) != Order::Less; }

    // ---- text helpers shared with the script library and value formatting ----
    // The name of a type code as error messages show it ("Integer", "UnicodeString", "Null").
    static QString VarTypeName(TVarType type);
    // 15 significant digits, shortest form, scientific notation for exponents beyond 15 or below
    // -4 ("0.1", "1E20", "1.5E-5"), the settings' decimal separator; "INF", "-INF", "NAN".
    static QString FloatToText(double value);
    // Up to 4 decimals, no exponent (currency).
    static QString CurrencyToText(double value);
    // Reads a float with blanks around it allowed; "." and the settings' separator both count.
    static bool TextToFloat(const QString &text, double &value);
    // Reads a decimal, "$hex" or "0xhex" integer with blanks around it allowed.
    static bool TextToInt64(const QString &text, qint64 &value);
    // Date and time in the short date and long time formats (the time part left out at midnight,
    // the date part left out on day 0).
    static QString DateTimeToText(double dayNumber);
    // Reads a date, a time, or both (date first), in the settings' order and with "-", "/" or
    // "." between date parts.
    static bool TextToDateTime(const QString &text, double &dayNumber);
    static double EncodeDateTime(const QDate &date, const QTime &time);
    static bool DecodeDateTime(double dayNumber, QDate &date, QTime &time);

private:
    struct ArrayData;
    void Release() noexcept;
    void CopyFrom(const Variant &other) noexcept;
    void NarrowInt() noexcept
    {
        if (m_int >= INT32_MIN && m_int <= INT32_MAX)
            m_type = varInteger;
    }
    void Detach();

    union {
        qint64 m_int;    // every integer type code
        double m_double; // varSingle, varDouble, varCurrency, varDate
        bool m_bool;
        QObject *m_object;
        ArrayData *m_array;
        QString m_string;
    };
    TVarType m_type;
};

// ---- formatting routines ---------------------------------------------------------------------------
// The platform's formatting routines, shared by the script library (Format, FormatFloat,
// FormatDateTime) and the value formatting of text objects, so both print numbers and dates alike.

// A format that does not suit its arguments, or an argument missing.
class EConvertError : public EVariantError {
public:
    using EVariantError::EVariantError;
    QString ClassName() const override { return QStringLiteral("EConvertError"); }
};

// A floating-point result as arithmetic gives it: NaN raises EInvalidOp, an infinity EOverflow.
double CheckedFloat(double value);

// Picture formatting: "0" and "#" digit placeholders, "." decimal point, "," thousands wanted,
// "E+0"/"E-0" scientific notation, quoted literals, up to three sections "positive;negative;zero".
// Rounds half away from zero; an empty format gives the general form (FloatToText).
QString FormatFloat(const QString &format, double value);

// Date-time formatting with the specifiers c d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh
// n nn s ss z zzz t tt am/pm a/p ampm / : and quoted literals; "m" right after an hour means
// minutes. An empty format is "c". Raises EVariantOverflowError for a day number out of range.
QString FormatDateTime(const QString &format, double dateTime);

// printf-style formatting: "%" [index ":"] ["-"] [width] ["." precision] type with the types
// d u x p (integers), e f g n m (floats), s (anything as text); "*" takes width or precision from the
// arguments; "%%" is a percent sign. A type that does not suit its argument raises EConvertError
// "Format '...' invalid or incompatible with argument".
QString Format(const QString &format, const QList<Variant> &args);

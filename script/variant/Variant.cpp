#include "script/variant/Variant.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QObject>
#include <QVariant>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

// ---- errors -------------------------------------------------------------------------------------

static QString CastMessage(TVarType from, TVarType to, const QString &value)
{
    QString text = QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                       .arg(Variant::VarTypeName(from), Variant::VarTypeName(to));
    if (from == varUString) {
        // The offending text tells the user which field or literal is wrong; keep it short.
        QString shown = value.size() > 40 ? value.left(40) + QStringLiteral("...") : value;
        text += QStringLiteral(": '%1'").arg(shown);
    }
    return text;
}

EVariantTypeCastError::EVariantTypeCastError(TVarType from, TVarType to, const QString &value)
    : EVariantError(CastMessage(from, to, value))
{
}

// ---- storage ------------------------------------------------------------------------------------

struct Variant::ArrayData {
    QAtomicInt ref{1};
    int lowBound = 0;
    QList<Variant> items;
};

Variant::Variant(unsigned long value) noexcept : m_type(varInt64)
{
    if (value > static_cast<unsigned long>(std::numeric_limits<qint64>::max())) {
        m_type = varDouble;
        m_double = static_cast<double>(value);
    } else {
        m_int = static_cast<qint64>(value);
        NarrowInt();
    }
}

Variant::Variant(unsigned long long value) noexcept : m_type(varInt64)
{
    if (value > static_cast<unsigned long long>(std::numeric_limits<qint64>::max())) {
        m_type = varDouble;
        m_double = static_cast<double>(value);
    } else {
        m_int = static_cast<qint64>(value);
        NarrowInt();
    }
}

Variant::Variant(const QList<Variant> &elements) : m_type(varArray + varVariant)
{
    m_array = new ArrayData;
    m_array->items = elements;
}

void Variant::Release() noexcept
{
    if (m_type == varUString) {
        m_string.~QString();
    } else if (m_type == varArray + varVariant) {
        if (!m_array->ref.deref())
            delete m_array;
    }
    m_type = varEmpty;
    m_int = 0;
}

void Variant::CopyFrom(const Variant &other) noexcept
{
    m_type = other.m_type;
    if (m_type == varUString) {
        new (&m_string) QString(other.m_string);
    } else if (m_type == varArray + varVariant) {
        m_array = other.m_array;
        m_array->ref.ref();
    } else {
        std::memcpy(static_cast<void *>(&m_int), &other.m_int, sizeof m_int);
    }
}

Variant::Variant(const Variant &other) noexcept
{
    CopyFrom(other);
}

Variant::Variant(Variant &&other) noexcept
{
    m_type = other.m_type;
    if (m_type == varUString) {
        new (&m_string) QString(std::move(other.m_string));
        other.m_string.~QString();
        other.m_type = varEmpty;
        other.m_int = 0;
    } else {
        std::memcpy(static_cast<void *>(&m_int), &other.m_int, sizeof m_int);
        if (m_type == varArray + varVariant) {
            other.m_type = varEmpty;
            other.m_int = 0;
        }
    }
}

Variant &Variant::operator=(const Variant &other) noexcept
{
    if (this != &other) {
        if (m_type == varUString && other.m_type == varUString) {
            m_string = other.m_string;
            return *this;
        }
        if (m_type >= varUString)
            Release();
        CopyFrom(other);
    }
    return *this;
}

Variant &Variant::operator=(Variant &&other) noexcept
{
    if (this != &other) {
        if (m_type >= varUString)
            Release();
        new (this) Variant(std::move(other));
    }
    return *this;
}

void Variant::Detach()
{
    if (m_array->ref.loadRelaxed() > 1) {
        auto *copy = new ArrayData;
        copy->lowBound = m_array->lowBound;
        copy->items = m_array->items;
        m_array->ref.deref();
        m_array = copy;
    }
}

// ---- construction -------------------------------------------------------------------------------

Variant Variant::FromDateTime(double dayNumber) noexcept
{
    Variant v(dayNumber);
    v.m_type = varDate;
    return v;
}

Variant Variant::FromDateTime(const QDateTime &value)
{
    if (!value.isValid())
        return Null();
    return FromDateTime(EncodeDateTime(value.date(), value.time()));
}

Variant Variant::FromDate(const QDate &value)
{
    if (!value.isValid())
        return Null();
    return FromDateTime(EncodeDateTime(value, QTime(0, 0)));
}

// Currency holds 4 decimals in a 64-bit integer; outside that range it overflows.
static constexpr double kCurrencyLimit = 922337203685477.5807;

Variant Variant::FromCurrency(double value) noexcept
{
    Variant v(std::nearbyint(value * 10000.0) / 10000.0);
    v.m_type = varCurrency;
    return v;
}

Variant Variant::FromTyped(TVarType type, qint64 value)
{
    qint64 low = 0, high = 0;
    switch (type) {
    case varSmallint:
        low = -32768;
        high = 32767;
        break;
    case varInteger:
        low = INT32_MIN;
        high = INT32_MAX;
        break;
    case varShortInt:
        low = -128;
        high = 127;
        break;
    case varByte:
        low = 0;
        high = 255;
        break;
    case varWord:
        low = 0;
        high = 65535;
        break;
    case varLongWord:
        low = 0;
        high = UINT32_MAX;
        break;
    case varInt64:
        low = std::numeric_limits<qint64>::min();
        high = std::numeric_limits<qint64>::max();
        break;
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
        return FromTyped(type, static_cast<double>(value));
    case varBoolean:
        return Variant(value != 0);
    default:
        throw EVariantTypeCastError(varInt64, type);
    }
    if (value < low || value > high)
        throw EVariantOverflowError();
    Variant v;
    v.m_type = type;
    v.m_int = value;
    return v;
}

Variant Variant::FromTyped(TVarType type, double value)
{
    switch (type) {
    case varDouble:
        return Variant(value);
    case varSingle:
        return Variant(static_cast<float>(value));
    case varCurrency:
        if (std::isnan(value) || std::fabs(value) > kCurrencyLimit)
            throw EVariantOverflowError();
        return FromCurrency(value);
    case varDate:
        return FromDateTime(value);
    default:
        return FromTyped(type, Variant(value).ToInt64());
    }
}

Variant Variant::CreateArray(int lowBound, int highBound)
{
    if (highBound < lowBound - 1)
        throw EVariantArrayBoundsError();
    if (qint64(highBound) - lowBound + 1 > MaxArrayLength)
        throw EOutOfMemory();
    Variant v{QList<Variant>()};
    v.m_array->lowBound = lowBound;
    v.m_array->items.resize(qsizetype(highBound) - lowBound + 1);
    return v;
}

// ---- kind ---------------------------------------------------------------------------------------

bool Variant::IsOrdinal() const noexcept
{
    switch (m_type) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

// ---- numbers as operands ------------------------------------------------------------------------
// Arithmetic reduces both operands to one of these, then works in the widest kind of the two.
namespace {
enum class NumKind { Int32, Int64, Double, Currency, Date };

struct Num {
    NumKind kind;
    qint64 i = 0;
    double d = 0;

    double AsDouble() const { return kind == NumKind::Int32 || kind == NumKind::Int64 ? double(i) : d; }
    bool IsInt() const { return kind == NumKind::Int32 || kind == NumKind::Int64; }
};

Num IntNum(qint64 v)
{
    return {v >= INT32_MIN && v <= INT32_MAX ? NumKind::Int32 : NumKind::Int64, v, 0};
}

bool Finite(double d)
{
    return std::isfinite(d);
}

// Half to even, as the platform rounds floats that become integers.
qint64 RoundToInt64(double d)
{
    if (!Finite(d) || d >= 9223372036854775808.0 || d < -9223372036854775808.0)
        throw EVariantOverflowError();
    return static_cast<qint64>(std::nearbyint(d));
}
} // namespace

// A string read as a number: an integer when it is one, else a float; a date when the other
// operand is a date and the text reads as one.
static Num StringToNum(const QString &s, bool dateContext)
{
    qint64 i;
    if (Variant::TextToInt64(s, i))
        return IntNum(i);
    double d;
    if (Variant::TextToFloat(s, d))
        return {NumKind::Double, 0, d};
    if (dateContext && Variant::TextToDateTime(s, d))
        return {NumKind::Date, 0, d};
    throw EVariantTypeCastError(varUString, dateContext ? varDate : varDouble, s);
}

static Num ToNum(const Variant &v, bool dateContext = false)
{
    switch (v.VarType()) {
    case varEmpty:
        return {NumKind::Int32, 0, 0};
    case varBoolean:
        return {NumKind::Int32, v.BoolValue() ? -1 : 0, 0};
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
        return {NumKind::Int32, v.IntValue(), 0};
    case varLongWord:
    case varInt64:
        return {NumKind::Int64, v.IntValue(), 0};
    case varSingle:
    case varDouble:
        return {NumKind::Double, 0, v.FloatValue()};
    case varCurrency:
        return {NumKind::Currency, 0, v.FloatValue()};
    case varDate:
        return {NumKind::Date, 0, v.FloatValue()};
    case varUString:
        return StringToNum(v.StringRef(), dateContext);
    case varNull:
        throw EVariantTypeCastError(varNull, varDouble);
    default:
        throw EVariantInvalidOpError();
    }
}

double CheckedFloat(double d)
{
    if (std::isnan(d))
        throw EInvalidOp();
    if (std::isinf(d))
        throw EOverflow();
    return d;
}

enum class ArithOp { Add, Sub, Mul };

static Variant Arith(ArithOp op, const Variant &a, const Variant &b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    bool dateContext = a.IsDate() || b.IsDate();
    Num x = ToNum(a, dateContext), y = ToNum(b, dateContext);
    if (x.IsInt() && y.IsInt()) {
        qint64 r;
        bool overflow = op == ArithOp::Add   ? __builtin_add_overflow(x.i, y.i, &r)
                        : op == ArithOp::Sub ? __builtin_sub_overflow(x.i, y.i, &r)
                                             : __builtin_mul_overflow(x.i, y.i, &r);
        if (overflow)
            throw EIntOverflow();
        if (x.kind == NumKind::Int32 && y.kind == NumKind::Int32)
            return Variant(static_cast<long long>(r)); // Integer while it fits, Int64 beyond
        return Variant::FromTyped(varInt64, r);
    }
    double p = x.AsDouble(), q = y.AsDouble();
    double r = op == ArithOp::Add ? p + q : op == ArithOp::Sub ? p - q : p * q;
    if (x.kind == NumKind::Double || y.kind == NumKind::Double)
        return Variant(CheckedFloat(r));
    if (x.kind == NumKind::Date || y.kind == NumKind::Date) {
        // A date moved by a number of days stays a date; the distance of two dates is a number.
        if (op == ArithOp::Mul || (op == ArithOp::Sub && x.kind == NumKind::Date && y.kind == NumKind::Date))
            return Variant(CheckedFloat(r));
        CheckedFloat(r);
        return Variant::FromDateTime(r);
    }
    // Currency with an integer or currency.
    if (std::isnan(r) || std::fabs(r) > kCurrencyLimit)
        throw EOverflow();
    return Variant::FromCurrency(r);
}

Variant Variant::Add(const Variant &a, const Variant &b)
{
    if (a.m_type == varUString) {
        if (b.m_type == varUString) {
            CheckStringLength(qint64(a.m_string.size()) + b.m_string.size());
            return Variant(a.m_string + b.m_string);
        }
        if (b.m_type == varEmpty)
            return a;
    } else if (b.m_type == varUString && a.m_type == varEmpty) {
        return b;
    }
    if (a.m_type == varInteger && b.m_type == varInteger)
        return Variant(static_cast<long long>(a.m_int + b.m_int));
    return Arith(ArithOp::Add, a, b);
}

Variant Variant::Subtract(const Variant &a, const Variant &b)
{
    if (a.m_type == varInteger && b.m_type == varInteger)
        return Variant(static_cast<long long>(a.m_int - b.m_int));
    return Arith(ArithOp::Sub, a, b);
}

Variant Variant::Multiply(const Variant &a, const Variant &b)
{
    return Arith(ArithOp::Mul, a, b);
}

Variant Variant::Divide(const Variant &a, const Variant &b)
{
    if (a.IsNull() || b.IsNull())
        return Null();
    double p = ToNum(a).AsDouble(), q = ToNum(b).AsDouble();
    if (q == 0) {
        if (p == 0 || std::isnan(p))
            throw EInvalidOp();
        throw EZeroDivide();
    }
    return Variant(CheckedFloat(p / q));
}

// Operands of div, mod, shifts and bit operations: integers, floats rounded.
static Num ToIntNum(const Variant &v)
{
    Num n = ToNum(v);
    if (n.IsInt())
        return n;
    return IntNum(RoundToInt64(n.d));
}

static Variant IntResult(qint64 r, const Num &x, const Num &y)
{
    if (x.kind == NumKind::Int32 && y.kind == NumKind::Int32)
        return Variant(static_cast<long long>(r));
    return Variant::FromTyped(varInt64, r);
}

Variant Variant::IntDivide(const Variant &a, const Variant &b)
{
    if (a.IsNull() || b.IsNull())
        return Null();
    Num x = ToIntNum(a), y = ToIntNum(b);
    if (y.i == 0)
        throw EDivByZero();
    if (x.i == std::numeric_limits<qint64>::min() && y.i == -1)
        throw EIntOverflow();
    return IntResult(x.i / y.i, x, y);
}

Variant Variant::Modulus(const Variant &a, const Variant &b)
{
    if (a.IsNull() || b.IsNull())
        return Null();
    Num x = ToIntNum(a), y = ToIntNum(b);
    if (y.i == 0)
        throw EDivByZero();
    if (y.i == -1)
        return IntResult(0, x, y);
    return IntResult(x.i % y.i, x, y);
}

// A Boolean operand of and/or/xor/not: a Boolean, or a text that says True or False.
static bool AsLogical(const Variant &v, bool &value)
{
    if (v.IsBool()) {
        value = v.BoolValue();
        return true;
    }
    if (v.IsString()) {
        QString t = v.StringRef().trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
            value = true;
            return true;
        }
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
            value = false;
            return true;
        }
    }
    return false;
}

enum class BitOp { And, Or, Xor };

static Variant Bitwise(BitOp op, const Variant &a, const Variant &b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    bool p, q;
    if ((a.IsBool() || b.IsBool()) && AsLogical(a, p) && AsLogical(b, q))
        return Variant(op == BitOp::And ? (p && q) : op == BitOp::Or ? (p || q) : (p != q));
    Num x = ToIntNum(a), y = ToIntNum(b);
    qint64 r = op == BitOp::And ? (x.i & y.i) : op == BitOp::Or ? (x.i | y.i) : (x.i ^ y.i);
    return IntResult(r, x, y);
}

Variant Variant::And(const Variant &a, const Variant &b)
{
    if (a.m_type == varBoolean && b.m_type == varBoolean)
        return Variant(a.m_bool && b.m_bool);
    return Bitwise(BitOp::And, a, b);
}

Variant Variant::Or(const Variant &a, const Variant &b)
{
    if (a.m_type == varBoolean && b.m_type == varBoolean)
        return Variant(a.m_bool || b.m_bool);
    return Bitwise(BitOp::Or, a, b);
}

Variant Variant::Xor(const Variant &a, const Variant &b)
{
    return Bitwise(BitOp::Xor, a, b);
}

static Variant Shift(bool left, const Variant &a, const Variant &b)
{
    if (a.IsNull() || b.IsNull())
        return Variant::Null();
    Num x = ToIntNum(a), y = ToIntNum(b);
    // The count is masked to the operand's width, as the processor does it.
    if (x.kind == NumKind::Int32) {
        quint32 u = static_cast<quint32>(x.i);
        unsigned n = static_cast<unsigned>(y.i) & 31u;
        quint32 r = left ? u << n : u >> n;
        return Variant(static_cast<int>(static_cast<qint32>(r)));
    }
    quint64 u = static_cast<quint64>(x.i);
    unsigned n = static_cast<unsigned>(y.i) & 63u;
    quint64 r = left ? u << n : u >> n;
    return Variant::FromTyped(varInt64, static_cast<qint64>(r));
}

Variant Variant::Shl(const Variant &a, const Variant &b)
{
    return Shift(true, a, b);
}
Variant Variant::Shr(const Variant &a, const Variant &b)
{
    return Shift(false, a, b);
}

Variant Variant::Not(const Variant &a)
{
    if (a.IsNull())
        return Null();
    bool p;
    if (AsLogical(a, p))
        return Variant(!p);
    Num x = ToIntNum(a);
    if (x.kind == NumKind::Int32)
        return Variant(static_cast<int>(~x.i));
    return FromTyped(varInt64, ~x.i);
}

Variant Variant::Negate(const Variant &a)
{
    if (a.IsNull())
        return Null();
    Num x = ToNum(a);
    switch (x.kind) {
    case NumKind::Int32:
    case NumKind::Int64:
        if (x.i == std::numeric_limits<qint64>::min())
            throw EIntOverflow();
        return x.kind == NumKind::Int32 ? Variant(static_cast<long long>(-x.i)) : FromTyped(varInt64, -x.i);
    case NumKind::Double:
        return Variant(-x.d);
    case NumKind::Currency:
        return FromCurrency(-x.d);
    case NumKind::Date:
        return FromDateTime(-x.d);
    }
    return Variant();
}

Variant Variant::Concat(const Variant &a, const Variant &b)
{
    const QString left = a.ToString();
    const QString right = b.ToString();
    CheckStringLength(qint64(left.size()) + right.size());
    return Variant(left + right);
}

// ---- comparison ---------------------------------------------------------------------------------

template <typename T> static Variant::Order OrderOf(T x, T y)
{
    return x < y ? Variant::Order::Less : y < x ? Variant::Order::Greater : Variant::Order::Equal;
}

static Variant::Order CompareNums(const Num &x, const Num &y)
{
    if (x.IsInt() && y.IsInt())
        return OrderOf(x.i, y.i);
    return OrderOf(x.AsDouble(), y.AsDouble());
}

Variant::Order Variant::Compare(const Variant &a, const Variant &b)
{
    TVarType ta = a.m_type, tb = b.m_type;
    if (ta == varUString && tb == varUString) {
        int c = a.m_string.compare(b.m_string);
        return c < 0 ? Order::Less : c > 0 ? Order::Greater : Order::Equal;
    }
    if (ta == varInteger && tb == varInteger)
        return OrderOf(a.m_int, b.m_int);
    if (ta == varNull || tb == varNull)
        return ta == tb ? Order::Equal : ta == varNull ? Order::Less : Order::Greater;
    if (a.IsArray() || b.IsArray())
        throw EVariantInvalidOpError();
    if (ta == varEmpty && tb == varEmpty)
        return Order::Equal;
    // Unassigned next to a string is the empty string.
    if (ta == varEmpty && tb == varUString)
        return b.m_string.isEmpty() ? Order::Equal : Order::Less;
    if (tb == varEmpty && ta == varUString)
        return a.m_string.isEmpty() ? Order::Equal : Order::Greater;
    if (ta == varDispatch || tb == varDispatch) {
        auto address = [](const Variant &v) -> quintptr {
            if (v.m_type == varDispatch)
                return reinterpret_cast<quintptr>(v.m_object);
            if (v.m_type == varEmpty || v.IsOrdinal())
                return static_cast<quintptr>(v.m_int);
            throw EVariantInvalidOpError();
        };
        return OrderOf(address(a), address(b));
    }
    if (ta == varBoolean || tb == varBoolean) {
        // Two truth values (a text may say True or False) order False before True; a Boolean
        // against a number counts as 0 or -1.
        bool p, q;
        if (AsLogical(a, p) && AsLogical(b, q))
            return OrderOf(int(p), int(q));
        if (ta == varUString || tb == varUString) {
            const Variant &s = ta == varUString ? a : b;
            throw EVariantTypeCastError(varUString, varBoolean, s.m_string);
        }
    }
    bool dateContext = ta == varDate || tb == varDate;
    return CompareNums(ToNum(a, dateContext), ToNum(b, dateContext));
}

bool Variant::Equal(const Variant &a, const Variant &b)
{
    if (a.m_type == varUString && b.m_type == varUString)
        return a.m_string == b.m_string;
    return Compare(a, b) == Order::Equal;
}

bool Variant::IsIdentical(const Variant &other) const noexcept
{
    if (m_type != other.m_type)
        return false;
    switch (m_type) {
    case varEmpty:
    case varNull:
        return true;
    case varUString:
        return m_string == other.m_string;
    case varBoolean:
        return m_bool == other.m_bool;
    case varDispatch:
        return m_object == other.m_object;
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
        return m_double == other.m_double || (std::isnan(m_double) && std::isnan(other.m_double));
    default:
        if (IsArray()) {
            if (m_array == other.m_array)
                return true;
            if (m_array->lowBound != other.m_array->lowBound ||
                m_array->items.size() != other.m_array->items.size())
                return false;
            for (qsizetype i = 0; i < m_array->items.size(); ++i)
                if (!m_array->items[i].IsIdentical(other.m_array->items[i]))
                    return false;
            return true;
        }
        return m_int == other.m_int;
    }
}

// ---- conversions --------------------------------------------------------------------------------

QString Variant::ToString() const
{
    switch (m_type) {
    case varUString:
        return m_string;
    case varEmpty:
    case varNull:
        return QString();
    case varBoolean:
        return m_bool ? QStringLiteral("True") : QStringLiteral("False");
    case varSingle:
        return FloatToText(static_cast<double>(static_cast<float>(m_double)));
    case varDouble:
        return FloatToText(m_double);
    case varCurrency:
        return CurrencyToText(m_double);
    case varDate:
        return DateTimeToText(m_double);
    default:
        if (IsOrdinal())
            return QString::number(m_int);
        throw EVariantTypeCastError(m_type, varUString);
    }
}

qint64 Variant::ToInt64() const
{
    switch (m_type) {
    case varEmpty:
        return 0;
    case varBoolean:
        return m_bool ? -1 : 0;
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
        return RoundToInt64(m_double);
    case varUString: {
        qint64 i;
        if (TextToInt64(m_string, i))
            return i;
        double d;
        if (TextToFloat(m_string, d))
            return RoundToInt64(d);
        throw EVariantTypeCastError(varUString, varInt64, m_string);
    }
    default:
        if (IsOrdinal())
            return m_int;
        throw EVariantTypeCastError(m_type, varInt64);
    }
}

qint32 Variant::ToInt() const
{
    if (m_type == varInteger)
        return static_cast<qint32>(m_int);
    if (m_type == varUString) {
        qint64 i;
        double d;
        if (!TextToInt64(m_string, i) && !TextToFloat(m_string, d))
            throw EVariantTypeCastError(varUString, varInteger, m_string);
    }
    qint64 i = ToInt64();
    if (i < INT32_MIN || i > INT32_MAX)
        throw EVariantOverflowError();
    return static_cast<qint32>(i);
}

double Variant::ToDouble() const
{
    switch (m_type) {
    case varEmpty:
        return 0;
    case varBoolean:
        return m_bool ? -1 : 0;
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
        return m_double;
    case varUString: {
        double d;
        if (TextToFloat(m_string, d))
            return d;
        throw EVariantTypeCastError(varUString, varDouble, m_string);
    }
    default:
        if (IsOrdinal())
            return static_cast<double>(m_int);
        throw EVariantTypeCastError(m_type, varDouble);
    }
}

bool Variant::ToBool() const
{
    switch (m_type) {
    case varBoolean:
        return m_bool;
    case varEmpty:
        return false;
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
        return m_double != 0;
    case varUString: {
        bool b;
        if (AsLogical(*this, b))
            return b;
        double d;
        if (TextToFloat(m_string, d))
            return d != 0;
        throw EVariantTypeCastError(varUString, varBoolean, m_string);
    }
    default:
        if (IsOrdinal())
            return m_int != 0;
        throw EVariantTypeCastError(m_type, varBoolean);
    }
}

double Variant::ToDateTime() const
{
    if (m_type == varUString) {
        double d;
        if (TextToDateTime(m_string, d) || TextToFloat(m_string, d))
            return d;
        throw EVariantTypeCastError(varUString, varDate, m_string);
    }
    if (m_type == varEmpty || m_type == varBoolean || IsNumeric() || m_type == varDate)
        return ToDouble();
    throw EVariantTypeCastError(m_type, varDate);
}

QDateTime Variant::ToQDateTime() const
{
    QDate date;
    QTime time;
    if (!DecodeDateTime(ToDateTime(), date, time))
        throw EVariantOverflowError();
    return QDateTime(date, time);
}

QObject *Variant::ToObject() const
{
    if (m_type == varDispatch)
        return m_object;
    if (m_type <= varNull || (IsOrdinal() && m_int == 0))
        return nullptr;
    throw EVariantTypeCastError(m_type, varDispatch);
}

// ---- arrays -------------------------------------------------------------------------------------

int Variant::ArrayLowBound() const
{
    if (!IsArray())
        throw EVariantInvalidOpError();
    return m_array->lowBound;
}

int Variant::ArrayHighBound() const
{
    if (!IsArray())
        throw EVariantInvalidOpError();
    return m_array->lowBound + int(m_array->items.size()) - 1;
}

int Variant::ArrayCount() const
{
    if (!IsArray())
        throw EVariantInvalidOpError();
    return int(m_array->items.size());
}

const Variant &Variant::ArrayItem(int index) const
{
    if (!IsArray())
        throw EVariantInvalidOpError();
    qint64 at = qint64(index) - m_array->lowBound;
    if (at < 0 || at >= m_array->items.size())
        throw EVariantArrayBoundsError();
    return m_array->items[at];
}

void Variant::SetArrayItem(int index, const Variant &value)
{
    if (!IsArray())
        throw EVariantInvalidOpError();
    qint64 at = qint64(index) - m_array->lowBound;
    if (at < 0 || at >= m_array->items.size())
        throw EVariantArrayBoundsError();
    Variant keep = value; // value may live inside this very array
    Detach();
    m_array->items[at] = std::move(keep);
}

void Variant::ArrayRedim(int highBound)
{
    if (!IsArray())
        throw EVariantInvalidOpError();
    qint64 count = qint64(highBound) - m_array->lowBound + 1;
    if (count < 0)
        throw EVariantArrayBoundsError();
    if (count > MaxArrayLength)
        throw EOutOfMemory();
    Detach();
    m_array->items.resize(count);
}

QList<Variant> Variant::ArrayElements() const
{
    if (!IsArray())
        throw EVariantInvalidOpError();
    return m_array->items;
}

// ---- Qt interop ---------------------------------------------------------------------------------

Variant Variant::FromQVariant(const QVariant &value)
{
    if (!value.isValid())
        return Variant();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return Variant(value.toBool());
    case QMetaType::Int:
        return Variant(value.toInt());
    case QMetaType::UInt:
        return Variant(value.toUInt());
    case QMetaType::Short:
        return FromTyped(varSmallint, qint64(value.toInt()));
    case QMetaType::UShort:
        return FromTyped(varWord, qint64(value.toUInt()));
    case QMetaType::SChar:
    case QMetaType::Char:
        return FromTyped(varShortInt, qint64(value.toInt()));
    case QMetaType::UChar:
        return FromTyped(varByte, qint64(value.toUInt()));
    case QMetaType::Long:
    case QMetaType::LongLong:
        return FromTyped(varInt64, value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        return Variant(value.toULongLong());
    case QMetaType::Double:
        return Variant(value.toDouble());
    case QMetaType::Float:
        return Variant(value.toFloat());
    case QMetaType::QString:
        return Variant(value.toString());
    case QMetaType::QByteArray:
        return Variant(QString::fromUtf8(value.toByteArray()));
    case QMetaType::QChar:
        return Variant(value.toChar());
    case QMetaType::QDate:
        return FromDate(value.toDate());
    case QMetaType::QTime: {
        QTime t = value.toTime();
        return t.isValid() ? FromDateTime(t.msecsSinceStartOfDay() / 86400000.0) : Null();
    }
    case QMetaType::QDateTime:
        return FromDateTime(value.toDateTime());
    case QMetaType::Nullptr:
        return Null();
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        QList<Variant> items;
        for (const QVariant &item : value.toList())
            items.append(FromQVariant(item));
        return Variant(items);
    }
    default:
        break;
    }
    QMetaType type = value.metaType();
    if (type.flags() & QMetaType::PointerToQObject)
        return Variant(value.value<QObject *>());
    if (type.flags() & QMetaType::IsEnumeration)
        return Variant(static_cast<long long>(value.toLongLong()));
    if (value.canConvert<QString>())
        return Variant(value.toString());
    throw EVariantTypeCastError(varUnknown, varVariant);
}

QVariant Variant::ToQVariant() const
{
    switch (m_type) {
    case varEmpty:
        return QVariant();
    case varNull:
        return QVariant::fromValue(nullptr);
    case varBoolean:
        return QVariant(m_bool);
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
        return QVariant(static_cast<int>(m_int));
    case varLongWord:
        return QVariant(static_cast<uint>(m_int));
    case varInt64:
        return QVariant(static_cast<qlonglong>(m_int));
    case varSingle:
    case varDouble:
    case varCurrency:
        return QVariant(m_double);
    case varDate:
        return QVariant(ToQDateTime());
    case varUString:
        return QVariant(m_string);
    case varDispatch:
        return QVariant::fromValue(m_object);
    default:
        break;
    }
    QVariantList list;
    for (const Variant &item : m_array->items)
        list.append(item.ToQVariant());
    return list;
}

// ---- text ---------------------------------------------------------------------------------------

QString Variant::VarTypeName(TVarType type)
{
    if (type & varArray)
        return QStringLiteral("Array ") + VarTypeName(type & varTypeMask);
    switch (type) {
    case varEmpty:
        return QStringLiteral("Empty");
    case varNull:
        return QStringLiteral("Null");
    case varSmallint:
        return QStringLiteral("Smallint");
    case varInteger:
        return QStringLiteral("Integer");
    case varSingle:
        return QStringLiteral("Single");
    case varDouble:
        return QStringLiteral("Double");
    case varCurrency:
        return QStringLiteral("Currency");
    case varDate:
        return QStringLiteral("Date");
    case varOleStr:
        return QStringLiteral("OleStr");
    case varDispatch:
        return QStringLiteral("Dispatch");
    case varError:
        return QStringLiteral("Error");
    case varBoolean:
        return QStringLiteral("Boolean");
    case varVariant:
        return QStringLiteral("Variant");
    case varUnknown:
        return QStringLiteral("Unknown");
    case varShortInt:
        return QStringLiteral("ShortInt");
    case varByte:
        return QStringLiteral("Byte");
    case varWord:
        return QStringLiteral("Word");
    case varLongWord:
        return QStringLiteral("LongWord");
    case varInt64:
        return QStringLiteral("Int64");
    case varString:
        return QStringLiteral("String");
    case varUString:
        return QStringLiteral("UnicodeString");
    default:
        return QStringLiteral("$%1").arg(type, 4, 16, QLatin1Char('0')).toUpper();
    }
}

// The platform's formatting routines: FormatFloat (picture formats), FormatDateTime and Format
// (printf style). The script library exposes them under these names and text objects format their
// values with them, so a number prints the same in a script and in a DisplayFormat.

#include "script/variant/Variant.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// ---- decimal digits of a float ----------------------------------------------------------------------

// A float as decimal digits: value = 0.d1 d2 d3 ... x 10^Exponent. Digits carries no trailing zeros
// and is empty for zero.
struct TFloatRec {
    QByteArray Digits;
    int Exponent = 0;
    bool Negative = false;
    bool IsZero() const { return Digits.isEmpty(); }
};

// At most `precision` significant digits (1 to 18) and at most `decimals` digits after the decimal
// point, rounded half away from zero on the value's 18-digit decimal form.
TFloatRec FloatToDecimal(double value, int precision, int decimals)
{
    TFloatRec rec;
    if (value == 0 || !std::isfinite(value))
        return rec;
    rec.Negative = value < 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17e", std::fabs(value));
    char digits[24];
    int n = 0;
    const char *p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits[n++] = *p;
    int exponent = std::atoi(p + 1) + 1;
    precision = std::clamp(precision, 1, 18);
    long long byDecimals = (long long)exponent + std::max(decimals, 0);
    int keep = int(std::min<long long>(precision, byDecimals));
    if (keep < 0)
        return TFloatRec();
    if (keep < n) {
        bool up = digits[keep] >= '5';
        n = keep;
        if (up) {
            int k = n - 1;
            while (k >= 0 && digits[k] == '9')
                digits[k--] = '0';
            if (k >= 0) {
                ++digits[k];
            } else {
                // All nines (or nothing kept): the value moves up one decade.
                digits[0] = '1';
                n = 1;
                ++exponent;
            }
        }
    }
    while (n > 0 && digits[n - 1] == '0')
        --n;
    if (n == 0)
        return TFloatRec();
    rec.Digits = QByteArray(digits, n);
    rec.Exponent = exponent;
    return rec;
}

// The digits before the decimal point (empty when the value is below 1).
QByteArray IntegerDigits(const TFloatRec &rec)
{
    if (rec.Exponent <= 0)
        return QByteArray();
    QByteArray text = rec.Digits.left(rec.Exponent);
    if (text.size() < rec.Exponent)
        text.append(rec.Exponent - text.size(), '0');
    return text;
}

// The digits after the decimal point, without trailing zeros.
QByteArray FractionDigits(const TFloatRec &rec)
{
    if (rec.Exponent >= rec.Digits.size())
        return QByteArray();
    if (rec.Exponent >= 0)
        return rec.Digits.mid(rec.Exponent);
    return QByteArray(-rec.Exponent, '0') + rec.Digits;
}

QString WithThousands(const QByteArray &digits, QChar separator)
{
    QString text;
    text.reserve(digits.size() + digits.size() / 3);
    for (int i = 0; i < digits.size(); ++i) {
        text += QLatin1Char(digits[i]);
        int fromRight = int(digits.size()) - 1 - i;
        if (fromRight > 0 && fromRight % 3 == 0)
            text += separator;
    }
    return text;
}

QString ExponentDigits(int exponent, int minDigits)
{
    return QStringLiteral("%1").arg(std::abs(exponent), minDigits, 10, QLatin1Char('0'));
}

// "d.ddddE+ddd": `precision` significant digits, the exponent with its sign and at least 3 digits.
QString ExponentText(double value, int precision)
{
    precision = std::clamp(precision, 1, 18);
    TFloatRec rec = FloatToDecimal(value, precision, INT_MAX / 2);
    QByteArray digits = rec.IsZero() ? QByteArray("0") : rec.Digits;
    if (digits.size() < precision)
        digits.append(precision - digits.size(), '0');
    int exponent = rec.IsZero() ? 0 : rec.Exponent - 1;
    QString text;
    if (rec.Negative)
        text += QLatin1Char('-');
    text += QLatin1Char(digits[0]);
    if (precision > 1) {
        text += FormatSettings().DecimalSeparator;
        text += QLatin1String(digits.constData() + 1, digits.size() - 1);
    }
    text += exponent < 0 ? QLatin1String("E-") : QLatin1String("E+");
    text += ExponentDigits(exponent, 3);
    return text;
}

// Fixed notation with `decimals` digits after the point, with thousands separators when asked.
QString FixedText(double value, int decimals, bool thousands)
{
    decimals = std::clamp(decimals, 0, 18);
    if (std::fabs(value) >= 1e18)
        return ExponentText(value, 15);
    TFloatRec rec = FloatToDecimal(value, 18, decimals);
    QByteArray integer = IntegerDigits(rec);
    if (integer.isEmpty())
        integer = "0";
    QByteArray fraction = FractionDigits(rec);
    fraction.append(decimals - fraction.size(), '0');
    const TFormatSettings &settings = FormatSettings();
    QString text;
    if (rec.Negative)
        text += QLatin1Char('-');
    text += thousands ? WithThousands(integer, settings.ThousandSeparator) : QString::fromLatin1(integer);
    if (decimals > 0) {
        text += settings.DecimalSeparator;
        text += QString::fromLatin1(fraction);
    }
    return text;
}

// The shortest form with `precision` significant digits; scientific notation (exponent with at
// least `expDigits` digits) when the value has more integer digits than that or is below 0.0001.
QString GeneralText(double value, int precision, int expDigits)
{
    precision = std::clamp(precision, 1, 18);
    TFloatRec rec = FloatToDecimal(value, precision, INT_MAX / 2);
    if (rec.IsZero())
        return QStringLiteral("0");
    const QChar separator = FormatSettings().DecimalSeparator;
    QString text;
    if (rec.Negative)
        text += QLatin1Char('-');
    if (rec.Exponent > precision || rec.Exponent < -3) {
        text += QLatin1Char(rec.Digits[0]);
        if (rec.Digits.size() > 1) {
            text += separator;
            text += QLatin1String(rec.Digits.constData() + 1, rec.Digits.size() - 1);
        }
        text += QLatin1Char('E');
        if (rec.Exponent - 1 < 0)
            text += QLatin1Char('-');
        text += ExponentDigits(rec.Exponent - 1, expDigits);
        return text;
    }
    QByteArray integer = IntegerDigits(rec);
    text += integer.isEmpty() ? QStringLiteral("0") : QString::fromLatin1(integer);
    QByteArray fraction = FractionDigits(rec);
    if (!fraction.isEmpty()) {
        text += separator;
        text += QString::fromLatin1(fraction);
    }
    return text;
}

// ---- FormatFloat ------------------------------------------------------------------------------------

bool IsQuote(QChar c)
{
    return c == QLatin1Char('\'') || c == QLatin1Char('"');
}

// Index just past the quoted literal that starts at i (the whole rest when it is not closed).
qsizetype SkipQuoted(const QString &text, qsizetype i)
{
    qsizetype close = text.indexOf(text[i], i + 1);
    return close < 0 ? text.size() : close + 1;
}

QStringList SplitSections(const QString &format)
{
    QStringList sections;
    qsizetype start = 0;
    for (qsizetype i = 0; i < format.size();) {
        if (IsQuote(format[i])) {
            i = SkipQuoted(format, i);
        } else if (format[i] == QLatin1Char(';')) {
            sections.append(format.mid(start, i - start));
            start = ++i;
        } else {
            ++i;
        }
    }
    sections.append(format.mid(start));
    return sections;
}

bool IsExponentAt(const QString &section, qsizetype i)
{
    QChar c = section[i];
    return (c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < section.size() &&
           (section[i + 1] == QLatin1Char('+') || section[i + 1] == QLatin1Char('-'));
}

// What a picture section asks for.
struct TPicture {
    int DigitCount = 0;    // placeholders of the mantissa
    int DecimalIndex = -1; // placeholders before the decimal point
    int FirstZero = -1;    // placeholder index of the first "0"
    int LastZero = -1;     // placeholder index after the last "0" behind the decimal point
    int ExpDigits = 0;
    bool Thousands = false;
    bool Scientific = false;

    explicit TPicture(const QString &section)
    {
        for (qsizetype i = 0; i < section.size();) {
            QChar c = section[i];
            if (IsQuote(c)) {
                i = SkipQuoted(section, i);
                continue;
            }
            if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
                if (c == QLatin1Char('0')) {
                    if (FirstZero < 0)
                        FirstZero = DigitCount;
                    if (DecimalIndex >= 0)
                        LastZero = DigitCount + 1;
                }
                ++DigitCount;
            } else if (c == QLatin1Char('.')) {
                if (DecimalIndex < 0)
                    DecimalIndex = DigitCount;
            } else if (c == QLatin1Char(',')) {
                Thousands = true;
            } else if (IsExponentAt(section, i) && !Scientific) {
                Scientific = true;
                i += 2;
                while (i < section.size() && section[i] == QLatin1Char('0')) {
                    ++ExpDigits;
                    ++i;
                }
                ExpDigits = std::min(ExpDigits, 4);
                continue;
            }
            ++i;
        }
        if (DecimalIndex < 0)
            DecimalIndex = DigitCount;
    }
    int MinIntDigits() const { return FirstZero < 0 ? 0 : std::max(0, DecimalIndex - FirstZero); }
    int MinDecimals() const { return LastZero < 0 ? 0 : LastZero - DecimalIndex; }
    int MaxDecimals() const { return DigitCount - DecimalIndex; }
};

QString ApplyPicture(const QString &section, const TPicture &picture, double magnitude, bool negative)
{
    const TFormatSettings &settings = FormatSettings();
    QByteArray integer;
    QByteArray fraction;
    QString exponentText;
    if (picture.Scientific) {
        TFloatRec rec = FloatToDecimal(magnitude, std::max(picture.DigitCount, 1), INT_MAX / 2);
        QByteArray digits = rec.IsZero() ? QByteArray("0") : rec.Digits;
        int exponent = rec.IsZero() ? 0 : rec.Exponent - picture.DecimalIndex;
        if (picture.DecimalIndex > 0) {
            integer = digits.left(picture.DecimalIndex);
            integer.append(picture.DecimalIndex - integer.size(), '0');
            if (rec.IsZero())
                integer = "0";
            fraction = digits.mid(picture.DecimalIndex);
        } else {
            fraction = digits;
        }
        while (fraction.endsWith('0'))
            fraction.chop(1);
        exponentText = ExponentDigits(exponent, std::max(picture.ExpDigits, 1));
        if (exponent < 0)
            exponentText.prepend(QLatin1Char('-'));
    } else {
        TFloatRec rec = FloatToDecimal(magnitude, 18, picture.MaxDecimals());
        integer = IntegerDigits(rec);
        fraction = FractionDigits(rec);
    }
    if (integer.size() < picture.MinIntDigits())
        integer.prepend(QByteArray(picture.MinIntDigits() - integer.size(), '0'));
    int decimals =
        std::min<int>(std::max<int>(picture.MinDecimals(), int(fraction.size())), picture.MaxDecimals());
    fraction.append(decimals - fraction.size(), '0');

    QString out;
    out.reserve(section.size() + integer.size() + 8);
    if (negative)
        out += QLatin1Char('-');
    const int intCount = int(integer.size());
    auto putIntDigit = [&](int index) {
        out += QLatin1Char(integer[index]);
        int fromRight = intCount - 1 - index;
        if (picture.Thousands && fromRight > 0 && fromRight % 3 == 0)
            out += settings.ThousandSeparator;
    };
    int placeholder = 0;
    bool pointSeen = false;
    for (qsizetype i = 0; i < section.size();) {
        QChar c = section[i];
        if (IsQuote(c)) {
            qsizetype end = SkipQuoted(section, i);
            qsizetype close = end - 1;
            if (close <= i || section[close] != c)
                close = end; // unterminated: the rest is the literal
            out += section.mid(i + 1, close - i - 1);
            i = end;
            continue;
        }
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (placeholder < picture.DecimalIndex) {
                int fromRight = picture.DecimalIndex - 1 - placeholder;
                if (placeholder == 0) {
                    // The first placeholder takes every digit the others have no room for.
                    for (int k = 0; k < intCount - fromRight; ++k)
                        putIntDigit(k);
                } else if (fromRight < intCount) {
                    putIntDigit(intCount - 1 - fromRight);
                }
            } else {
                int index = placeholder - picture.DecimalIndex;
                if (index < decimals)
                    out += QLatin1Char(fraction[index]);
            }
            ++placeholder;
        } else if (c == QLatin1Char('.')) {
            if (!pointSeen && decimals > 0)
                out += settings.DecimalSeparator;
            pointSeen = true;
        } else if (c == QLatin1Char(',')) {
            // Only asks for thousands separators; placed by the digits.
        } else if (picture.Scientific && IsExponentAt(section, i)) {
            out += c;
            if (section[i + 1] == QLatin1Char('+') && !exponentText.startsWith(QLatin1Char('-')))
                out += QLatin1Char('+');
            out += exponentText;
            i += 2;
            while (i < section.size() && section[i] == QLatin1Char('0'))
                ++i;
            continue;
        } else {
            out += c;
        }
        ++i;
    }
    return out;
}

// ---- FormatDateTime ----------------------------------------------------------------------------------

QString TwoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// Whether an am/pm, a/p or ampm specifier follows position i (outside quoted literals).
bool Uses12HourClock(const QString &format, qsizetype i)
{
    while (i < format.size()) {
        if (IsQuote(format[i])) {
            i = SkipQuoted(format, i);
            continue;
        }
        if (format[i] == QLatin1Char('a') || format[i] == QLatin1Char('A')) {
            QStringView rest = QStringView(format).mid(i);
            if (rest.startsWith(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
                rest.startsWith(QLatin1String("a/p"), Qt::CaseInsensitive) ||
                rest.startsWith(QLatin1String("ampm"), Qt::CaseInsensitive))
                return true;
        }
        ++i;
    }
    return false;
}

void AppendDateTime(QString &out, const QString &format, const QDate &date, const QTime &time, int depth)
{
    const TFormatSettings &settings = FormatSettings();
    const qsizetype n = format.size();
    QChar lastToken;
    auto count = [&](qsizetype i) {
        qsizetype j = i;
        QChar c = format[i].toUpper();
        while (j < n && format[j].toUpper() == c)
            ++j;
        return int(j - i);
    };
    auto nested = [&](const QString &inner) {
        // The settings' own formats may not refer to each other without end.
        if (depth < 3)
            AppendDateTime(out, inner, date, time, depth + 1);
    };
    for (qsizetype i = 0; i < n;) {
        QChar c = format[i];
        if (IsQuote(c)) {
            qsizetype end = SkipQuoted(format, i);
            qsizetype close = end - 1;
            if (close <= i || format[close] != c)
                close = end;
            out += format.mid(i + 1, close - i - 1);
            i = end;
            continue;
        }
        QChar token = c.toUpper();
        if (token.unicode() >= 'A' && token.unicode() <= 'Z') {
            if (token == QLatin1Char('M') && lastToken == QLatin1Char('H'))
                token = QLatin1Char('N');
            lastToken = token;
        }
        int len = 1;
        switch (token.unicode()) {
        case 'Y':
            len = count(i);
            out += len <= 2 ? TwoDigits(date.year() % 100)
                            : QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
            break;
        case 'M':
            len = count(i);
            if (len == 1)
                out += QString::number(date.month());
            else if (len == 2)
                out += TwoDigits(date.month());
            else if (len == 3)
                out += settings.ShortMonthNames.value(date.month() - 1);
            else
                out += settings.LongMonthNames.value(date.month() - 1);
            break;
        case 'D':
            len = count(i);
            if (len == 1)
                out += QString::number(date.day());
            else if (len == 2)
                out += TwoDigits(date.day());
            else if (len == 3)
                out += settings.ShortDayNames.value(date.dayOfWeek() % 7);
            else if (len == 4)
                out += settings.LongDayNames.value(date.dayOfWeek() % 7);
            else if (len == 5)
                nested(settings.ShortDateFormat);
            else
                nested(settings.LongDateFormat);
            break;
        case 'E':
            // Gregorian calendar: the era's year is the year.
            len = count(i);
            out += QString::number(date.year());
            break;
        case 'G':
            len = count(i); // era names are not used by this calendar
            break;
        case 'H': {
            len = count(i);
            int hour = time.hour();
            if (Uses12HourClock(format, i + len)) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            out += len == 1 ? QString::number(hour) : TwoDigits(hour);
            break;
        }
        case 'N':
            len = count(i);
            out += len == 1 ? QString::number(time.minute()) : TwoDigits(time.minute());
            break;
        case 'S':
            len = count(i);
            out += len == 1 ? QString::number(time.second()) : TwoDigits(time.second());
            break;
        case 'Z':
            len = count(i);
            out += len < 3 ? QString::number(time.msec())
                           : QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'));
            break;
        case 'T':
            len = count(i);
            nested(len == 1 ? settings.ShortTimeFormat : settings.LongTimeFormat);
            break;
        case 'C':
            len = 1;
            nested(settings.ShortDateFormat);
            if (time.msecsSinceStartOfDay() != 0) {
                out += QLatin1Char(' ');
                nested(settings.LongTimeFormat);
            }
            break;
        case 'A': {
            QStringView rest = QStringView(format).mid(i);
            bool pm = time.hour() >= 12;
            if (rest.startsWith(QLatin1String("am/pm"), Qt::CaseInsensitive)) {
                QStringView word = pm ? rest.mid(3, 2) : rest.left(2);
                out += word.toString();
                len = 5;
            } else if (rest.startsWith(QLatin1String("a/p"), Qt::CaseInsensitive)) {
                out += pm ? rest[2] : rest[0];
                len = 3;
            } else if (rest.startsWith(QLatin1String("ampm"), Qt::CaseInsensitive)) {
                out += pm ? settings.TimePMString : settings.TimeAMString;
                len = 4;
            } else {
                out += c;
            }
            break;
        }
        case '/':
            out += settings.DateSeparator;
            break;
        case ':':
            out += settings.TimeSeparator;
            break;
        default:
            out += c;
            break;
        }
        i += len;
    }
}

// ---- Format ------------------------------------------------------------------------------------------

[[noreturn]] void InvalidFormat(const QString &format)
{
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
}

bool IsFloatArgument(const Variant &v)
{
    return v.IsFloat() || v.IsDate();
}

} // namespace

QString FormatFloat(const QString &format, double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 1e18)
        return Variant::FloatToText(value);
    QStringList sections = SplitSections(format);
    if (format.isEmpty())
        return Variant::FloatToText(value);
    int index = 0;
    bool negative = value < 0;
    if (negative && sections.size() > 1 && !sections[1].isEmpty())
        index = 1;
    TPicture picture(sections[index]);
    // Zero is decided after rounding to the section's digits: -0.001 with "0.00" is a zero.
    TFloatRec rounded = picture.Scientific
                            ? FloatToDecimal(value, std::max(picture.DigitCount, 1), INT_MAX / 2)
                            : FloatToDecimal(value, 18, picture.MaxDecimals());
    if (rounded.IsZero()) {
        negative = false;
        if (sections.size() > 2 && !sections[2].isEmpty())
            index = 2;
        else
            index = 0;
        if (index != 0 || sections.size() > 1)
            picture = TPicture(sections[index]);
    }
    return ApplyPicture(sections[index], picture, std::fabs(value), negative && index == 0);
}

QString FormatDateTime(const QString &format, double dateTime)
{
    QDate date;
    QTime time;
    if (!Variant::DecodeDateTime(dateTime, date, time))
        throw EVariantOverflowError();
    QString out;
    AppendDateTime(out, format.isEmpty() ? QStringLiteral("c") : format, date, time, 0);
    return out;
}

QString Format(const QString &format, const QList<Variant> &args)
{
    QString out;
    int next = 0;
    const qsizetype n = format.size();
    auto takeArgument = [&]() -> const Variant & {
        if (next >= args.size())
            throw EConvertError(QStringLiteral("No argument for format '%1'").arg(format));
        return args[next++];
    };
    // A number written in the specifier, or "*" for the next argument; -1 when there is none.
    auto readNumber = [&](qsizetype &i) -> int {
        if (i < n && format[i] == QLatin1Char('*')) {
            ++i;
            const Variant &arg = takeArgument();
            if (!arg.IsOrdinal())
                InvalidFormat(format);
            return int(std::clamp<qint64>(arg.IntValue(), -1, 1 << 20));
        }
        if (i >= n || !format[i].isDigit() || format[i].unicode() > '9')
            return -1;
        qint64 v = 0;
        while (i < n && format[i].unicode() >= '0' && format[i].unicode() <= '9') {
            v = std::min<qint64>(v * 10 + (format[i].unicode() - '0'), 1 << 20);
            ++i;
        }
        return int(v);
    };
    for (qsizetype i = 0; i < n;) {
        QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i < n && format[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        // [index ":"] ["-"] [width] ["." precision] type
        qsizetype save = i;
        int number = readNumber(i);
        if (number >= 0 && i < n && format[i] == QLatin1Char(':')) {
            next = number;
            ++i;
        } else {
            i = save;
        }
        bool left = false;
        if (i < n && format[i] == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        int width = readNumber(i);
        int precision = -1;
        if (i < n && format[i] == QLatin1Char('.')) {
            ++i;
            precision = readNumber(i);
            if (precision < 0)
                precision = 0;
        }
        if (i >= n)
            InvalidFormat(format);
        QChar type = format[i++].toLower();
        const Variant &arg = takeArgument();
        QString text;
        switch (type.unicode()) {
        case 'd':
        case 'u':
        case 'x':
        case 'p': {
            if (!arg.IsOrdinal())
                InvalidFormat(format);
            qint64 v = arg.IntValue();
            bool wide = arg.VarType() == varInt64;
            bool negative = false;
            quint64 magnitude;
            if (type == QLatin1Char('d')) {
                negative = v < 0;
                magnitude = negative ? quint64(0) - quint64(v) : quint64(v);
            } else {
                // Unsigned views see the two's complement of the value's own width.
                magnitude = wide ? quint64(v) : quint64(quint32(qint32(v)));
            }
            if (type == QLatin1Char('x'))
                text = QString::number(magnitude, 16).toUpper();
            else if (type == QLatin1Char('p'))
                text = QStringLiteral("%1").arg(magnitude, 8, 16, QLatin1Char('0')).toUpper();
            else
                text = QString::number(magnitude);
            if (precision > text.size())
                text.prepend(QString(precision - text.size(), QLatin1Char('0')));
            if (negative)
                text.prepend(QLatin1Char('-'));
            break;
        }
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            if (!IsFloatArgument(arg))
                InvalidFormat(format);
            double v = arg.FloatValue();
            if (!std::isfinite(v)) {
                text = Variant::FloatToText(v);
            } else if (type == QLatin1Char('e')) {
                text = ExponentText(v, precision < 0 ? 15 : precision);
            } else if (type == QLatin1Char('f')) {
                text = FixedText(v, precision < 0 ? 2 : precision, false);
            } else if (type == QLatin1Char('n')) {
                text = FixedText(v, precision < 0 ? 2 : precision, true);
            } else if (type == QLatin1Char('g')) {
                text = GeneralText(v, precision < 0 ? 15 : precision, 3);
            } else {
                const TFormatSettings &settings = FormatSettings();
                text = FixedText(v, precision < 0 ? settings.CurrencyDecimals : precision, true);
                text.prepend(settings.CurrencyString);
            }
            break;
        }
        case 's':
            if (arg.IsObject() || arg.IsArray())
                InvalidFormat(format);
            text = arg.ToString();
            if (precision >= 0 && precision < text.size())
                text.truncate(precision);
            break;
        default:
            InvalidFormat(format);
        }
        if (width > text.size()) {
            QString pad(width - text.size(), QLatin1Char(' '));
            text = left ? text + pad : pad + text;
        }
        out += text;
    }
    return out;
}

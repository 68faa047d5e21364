// Numbers and dates as text and back: the conventions the script library and value formatting
// share with variant conversions.

#include "script/variant/Variant.h"

#include <QDateTime>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

// ---- settings -----------------------------------------------------------------------------------

static TFormatSettings &MutableSettings()
{
    static TFormatSettings settings;
    return settings;
}

const TFormatSettings &FormatSettings()
{
    return MutableSettings();
}
void SetFormatSettings(const TFormatSettings &settings)
{
    MutableSettings() = settings;
}

// ---- numbers ---------------------------------------------------------------------------------------

QString Variant::FloatToText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0");
    // Whole numbers of up to 15 digits read the same either way, and are by far the most common
    // (positions and sizes in layouts).
    if (std::abs(value) < 1e15 && value == std::trunc(value))
        return QString::number(qint64(value));
    // 15 significant digits, rounded by the C library: "d.dddddddddddddde±x".
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    const char *p = buffer;
    bool negative = *p == '-';
    if (negative)
        ++p;
    char digits[16];
    int count = 0;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits[count++] = *p;
    int exponent = std::atoi(p + 1); // value = d.ddd x 10^exponent
    while (count > 1 && digits[count - 1] == '0')
        --count;
    const QChar separator = FormatSettings().DecimalSeparator;
    QString text;
    text.reserve(24);
    if (negative)
        text += QLatin1Char('-');
    if (exponent + 1 > 15 || exponent + 1 < -3) {
        text += QLatin1Char(digits[0]);
        if (count > 1) {
            text += separator;
            text += QLatin1String(digits + 1, count - 1);
        }
        text += QLatin1Char('E');
        text += QString::number(exponent);
    } else if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i)
            text += QLatin1Char(i < count ? digits[i] : '0');
        if (count > exponent + 1) {
            text += separator;
            text += QLatin1String(digits + exponent + 1, count - exponent - 1);
        }
    } else {
        text += QLatin1Char('0');
        text += separator;
        for (int i = 0; i < -exponent - 1; ++i)
            text += QLatin1Char('0');
        text += QLatin1String(digits, count);
    }
    return text;
}

QString Variant::CurrencyToText(double value)
{
    QString text = QString::number(value, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text.replace(QLatin1Char('.'), FormatSettings().DecimalSeparator);
}

static bool IsBlank(QChar c)
{
    return c.unicode() <= ' ';
}

bool Variant::TextToFloat(const QString &text, double &value)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin == end || end - begin > 400)
        return false;
    // Only the plain decimal form: strtod would also take hexadecimal floats, "inf" and "nan".
    const QChar separator = FormatSettings().DecimalSeparator;
    char buffer[402];
    int n = 0;
    qsizetype i = begin;
    auto put = [&](char c) { buffer[n++] = c; };
    if (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))
        put(char(text[i++].unicode()));
    int mantissaDigits = 0;
    while (i < end && text[i].isDigit() && text[i].unicode() < 128) {
        put(char(text[i++].unicode()));
        ++mantissaDigits;
    }
    if (i < end && (text[i] == QLatin1Char('.') || text[i] == separator)) {
        put('.');
        ++i;
        while (i < end && text[i].unicode() >= '0' && text[i].unicode() <= '9') {
            put(char(text[i++].unicode()));
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < end && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        put('e');
        ++i;
        if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            put(char(text[i++].unicode()));
        int expDigits = 0;
        while (i < end && text[i].unicode() >= '0' && text[i].unicode() <= '9') {
            put(char(text[i++].unicode()));
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != end)
        return false;
    buffer[n] = 0;
    double d = std::strtod(buffer, nullptr);
    if (!std::isfinite(d))
        return false;
    value = d;
    return true;
}

bool Variant::TextToInt64(const QString &text, qint64 &value)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    qsizetype i = begin;
    bool negative = false;
    if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    int base = 10;
    if (i < end && text[i] == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < end && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i == end)
        return false;
    quint64 magnitude = 0;
    for (; i < end; ++i) {
        char16_t c = text[i].unicode();
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (magnitude > (std::numeric_limits<quint64>::max() - digit) / base)
            return false;
        magnitude = magnitude * base + digit;
    }
    if (base == 16 && !negative) {
        // Hexadecimal fills all 64 bits ($FFFFFFFFFFFFFFFF is -1).
        value = static_cast<qint64>(magnitude);
        return true;
    }
    if (negative) {
        if (magnitude > quint64(1) << 63)
            return false;
        value = static_cast<qint64>(0 - magnitude);
    } else {
        if (magnitude > quint64(std::numeric_limits<qint64>::max()))
            return false;
        value = static_cast<qint64>(magnitude);
    }
    return true;
}

// ---- dates --------------------------------------------------------------------------------------

static qint64 DayZero()
{
    return QDate(1899, 12, 30).toJulianDay();
}

double Variant::EncodeDateTime(const QDate &date, const QTime &time)
{
    double days = double(date.toJulianDay() - DayZero());
    double fraction = time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
    // Before day 0 the day counts down but the time of day still counts up: -1.25 is
    // 1899-12-29 06:00.
    return days >= 0 ? days + fraction : days - fraction;
}

bool Variant::DecodeDateTime(double dayNumber, QDate &date, QTime &time)
{
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > 2958466.0 * 2)
        return false;
    double whole = std::trunc(dayNumber);
    qint64 msecs = std::llround(std::fabs(dayNumber - whole) * 86400000.0);
    qint64 days = static_cast<qint64>(whole);
    if (msecs >= 86400000) {
        msecs -= 86400000;
        days += dayNumber < 0 ? -1 : 1;
    }
    date = QDate::fromJulianDay(DayZero() + days);
    time = QTime::fromMSecsSinceStartOfDay(int(msecs));
    return date.isValid();
}

// Writes a date-time with the tokens of the settings' formats: yyyy yy mm m dd d hh h nn n ss s
// zzz, quoted literals, everything else as it stands.
static QString FormatDateTimeSimple(const QString &format, const QDate &date, const QTime &time)
{
    QString out;
    const qsizetype n = format.size();
    auto run = [&](qsizetype i) {
        qsizetype j = i;
        QChar c = format[i].toLower();
        while (j < n && format[j].toLower() == c)
            ++j;
        return j - i;
    };
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    for (qsizetype i = 0; i < n;) {
        QChar c = format[i];
        QChar lower = c.toLower();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            qsizetype close = format.indexOf(c, i + 1);
            if (close < 0)
                close = n;
            out += format.mid(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        qsizetype len = run(i);
        if (lower == QLatin1Char('y')) {
            out += len <= 2 ? two(date.year() % 100)
                            : QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
        } else if (lower == QLatin1Char('m')) {
            out += len == 1 ? QString::number(date.month()) : two(date.month());
        } else if (lower == QLatin1Char('d')) {
            out += len == 1 ? QString::number(date.day()) : two(date.day());
        } else if (lower == QLatin1Char('h')) {
            out += len == 1 ? QString::number(time.hour()) : two(time.hour());
        } else if (lower == QLatin1Char('n')) {
            out += len == 1 ? QString::number(time.minute()) : two(time.minute());
        } else if (lower == QLatin1Char('s')) {
            out += len == 1 ? QString::number(time.second()) : two(time.second());
        } else if (lower == QLatin1Char('z')) {
            out += len == 1 ? QString::number(time.msec())
                            : QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'));
        } else if (c == QLatin1Char('/')) {
            out += FormatSettings().DateSeparator;
            len = 1;
        } else if (c == QLatin1Char(':')) {
            out += FormatSettings().TimeSeparator;
            len = 1;
        } else {
            out += c;
            len = 1;
        }
        i += len;
    }
    return out;
}

QString Variant::DateTimeToText(double dayNumber)
{
    QDate date;
    QTime time;
    if (!DecodeDateTime(dayNumber, date, time))
        throw EVariantOverflowError();
    const TFormatSettings &settings = FormatSettings();
    bool hasTime = time.msecsSinceStartOfDay() != 0;
    bool hasDate = std::trunc(dayNumber) != 0 || !hasTime;
    QString text;
    if (hasDate)
        text = FormatDateTimeSimple(settings.ShortDateFormat, date, time);
    if (hasTime) {
        if (hasDate)
            text += QLatin1Char(' ');
        text += FormatDateTimeSimple(settings.LongTimeFormat, date, time);
    }
    return text;
}

// Reads whole numbers separated by the given characters; false on anything else.
static bool ReadNumbers(QStringView text, QStringView separators, int maxCount, QList<int> &numbers,
                        QList<int> *widths = nullptr)
{
    numbers.clear();
    qsizetype i = 0;
    while (i <= text.size()) {
        qsizetype start = i;
        qint64 v = 0;
        while (i < text.size() && text[i].unicode() >= '0' && text[i].unicode() <= '9') {
            v = v * 10 + (text[i].unicode() - '0');
            if (v > 100000)
                return false;
            ++i;
        }
        if (i == start || numbers.size() == maxCount)
            return false;
        numbers.append(int(v));
        if (widths)
            widths->append(int(i - start));
        if (i == text.size())
            return true;
        if (!separators.contains(text[i]))
            return false;
        ++i;
    }
    return false;
}

static bool ReadTime(QStringView text, QTime &time)
{
    QStringView t = text.trimmed();
    int addHours = -1; // -1: 24-hour clock
    auto endsWith = [&](const QString &mark) {
        return !mark.isEmpty() && t.endsWith(mark, Qt::CaseInsensitive);
    };
    const TFormatSettings &settings = FormatSettings();
    for (const QString &mark :
         {settings.TimeAMString, settings.TimePMString, QStringLiteral("AM"), QStringLiteral("PM")}) {
        if (endsWith(mark)) {
            addHours = mark.compare(settings.TimePMString, Qt::CaseInsensitive) == 0 ||
                               mark.compare(QLatin1String("PM"), Qt::CaseInsensitive) == 0
                           ? 12
                           : 0;
            t = t.left(t.size() - mark.size()).trimmed();
            break;
        }
    }
    // Milliseconds after the seconds, separated by the decimal separator.
    int msec = 0;
    qsizetype dot = t.indexOf(settings.DecimalSeparator);
    if (dot < 0)
        dot = t.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        QList<int> ms;
        QList<int> widths;
        if (!ReadNumbers(t.mid(dot + 1), u"", 1, ms, &widths) || widths[0] > 3)
            return false;
        msec = ms[0] * (widths[0] == 1 ? 100 : widths[0] == 2 ? 10 : 1);
        t = t.left(dot);
    }
    QString separators = QStringLiteral(":") + settings.TimeSeparator;
    QList<int> parts;
    if (!ReadNumbers(t, separators, 3, parts) || parts.size() < 2)
        return false;
    int hour = parts[0];
    if (addHours >= 0) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + addHours;
    }
    time = QTime(hour, parts[1], parts.size() > 2 ? parts[2] : 0, msec);
    return time.isValid();
}

static bool ReadDate(QStringView text, QDate &date)
{
    const TFormatSettings &settings = FormatSettings();
    QString separators = QStringLiteral("-/.") + settings.DateSeparator;
    QList<int> parts;
    QList<int> widths;
    if (!ReadNumbers(text, separators, 3, parts, &widths) || parts.size() < 2)
        return false;
    // The order of year, month and day is that of the short date format.
    QString order;
    for (QChar c : settings.ShortDateFormat) {
        QChar l = c.toLower();
        if ((l == QLatin1Char('y') || l == QLatin1Char('m') || l == QLatin1Char('d')) && !order.contains(l))
            order += l;
    }
    if (order.size() != 3)
        order = QStringLiteral("ymd");
    int year = QDate::currentDate().year(), month = 0, day = 0;
    if (parts.size() == 2)
        order.remove(QLatin1Char('y')); // month and day of this year
    bool twoDigitYear = false;
    for (int i = 0; i < parts.size(); ++i) {
        switch (order[i].unicode()) {
        case 'y':
            year = parts[i];
            twoDigitYear = widths[i] <= 2;
            break;
        case 'm':
            month = parts[i];
            break;
        default:
            day = parts[i];
            break;
        }
    }
    if (twoDigitYear)
        year += year < 50 ? 2000 : 1900;
    date = QDate(year, month, day);
    return date.isValid();
}

bool Variant::TextToDateTime(const QString &text, double &dayNumber)
{
    QStringView t = QStringView(text).trimmed();
    if (t.isEmpty())
        return false;
    QDate date(1899, 12, 30);
    QTime time(0, 0);
    qsizetype blank = -1;
    for (qsizetype i = 0; i < t.size(); ++i)
        if (IsBlank(t[i])) {
            blank = i;
            break;
        }
    QStringView first = blank < 0 ? t : t.left(blank);
    bool firstIsTime = first.contains(QLatin1Char(':')) || first.contains(FormatSettings().TimeSeparator);
    if (blank < 0 || firstIsTime) {
        if (firstIsTime ? !ReadTime(t, time) : !ReadDate(t, date))
            return false;
    } else {
        if (!ReadDate(first, date) || !ReadTime(t.mid(blank + 1), time))
            return false;
    }
    dayNumber = EncodeDateTime(date, time);
    return true;
}

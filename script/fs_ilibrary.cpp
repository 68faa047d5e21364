// Conversion, text, date and arithmetic routines of the script library.

#include "script/fs_ilibrary.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>
#include <limits>

namespace {

[[noreturn]] void ConvertError(const QString &text, const char *what)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(what)));
}

bool ReadDateTime(const QString &text, double &value)
{
    return !text.trimmed().isEmpty() && Variant::TextToDateTime(text, value);
}

QChar AsciiUpper(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ? QChar(c.unicode() - 32) : c;
}

QChar AsciiLower(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ? QChar(c.unicode() + 32) : c;
}

} // namespace

namespace fsLibrary {

// ---- conversions -----------------------------------------------------------------------------------

QString IntToStr(qint64 value)
{
    return QString::number(value);
}

QString FloatToStr(double value)
{
    return Variant::FloatToText(value);
}

QString DateToStr(double value)
{
    return FormatDateTime(FormatSettings().ShortDateFormat, value);
}

QString TimeToStr(double value)
{
    return FormatDateTime(FormatSettings().LongTimeFormat, value);
}

QString DateTimeToStr(double value)
{
    return Variant::DateTimeToText(value);
}

QString BoolToStr(bool value)
{
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

qint64 StrToInt64(const QString &text)
{
    qint64 value;
    if (!Variant::TextToInt64(text, value))
        ConvertError(text, "integer value");
    return value;
}

qint32 StrToInt(const QString &text)
{
    qint64 value;
    if (!Variant::TextToInt64(text, value) || value < INT32_MIN || value > INT32_MAX)
        ConvertError(text, "integer value");
    return qint32(value);
}

double StrToFloat(const QString &text)
{
    double value;
    if (!Variant::TextToFloat(text, value))
        ConvertError(text, "floating point value");
    return value;
}

double StrToDate(const QString &text)
{
    double value;
    if (!ReadDateTime(text, value) || value != std::trunc(value))
        ConvertError(text, "date");
    return value;
}

double StrToTime(const QString &text)
{
    double value;
    if (!ReadDateTime(text, value) || std::fabs(value) >= 1.0)
        ConvertError(text, "time");
    return value;
}

double StrToDateTime(const QString &text)
{
    double value;
    if (!ReadDateTime(text, value))
        ConvertError(text, "date and time");
    return value;
}

bool StrToBool(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    double number;
    if (Variant::TextToFloat(t, number))
        return number != 0;
    ConvertError(text, "boolean value");
}

bool ValidInt(const QString &text)
{
    qint64 value;
    return Variant::TextToInt64(text, value) && value >= INT32_MIN && value <= INT32_MAX;
}

bool ValidFloat(const QString &text)
{
    double value;
    return Variant::TextToFloat(text, value);
}

bool ValidDate(const QString &text)
{
    double value;
    return ReadDateTime(text, value) && value == std::trunc(value);
}

// ---- text ------------------------------------------------------------------------------------------

QString Copy(const QString &text, qint64 from, qint64 count)
{
    const qint64 length = text.size();
    qint64 start = from < 1 ? 0 : from - 1;
    if (start >= length || count <= 0)
        return QString();
    count = std::min(count, length - start);
    return text.mid(qsizetype(start), qsizetype(count));
}

int Pos(const QString &substr, const QString &text)
{
    if (substr.isEmpty())
        return 0;
    return int(text.indexOf(substr)) + 1;
}

void Delete(QString &text, qint64 from, qint64 count)
{
    const qint64 length = text.size();
    if (from < 1 || from > length || count <= 0)
        return;
    count = std::min(count, length - from + 1);
    text.remove(qsizetype(from - 1), qsizetype(count));
}

void Insert(const QString &source, QString &target, qint64 position)
{
    qint64 at = std::clamp<qint64>(position - 1, 0, target.size());
    target.insert(qsizetype(at), source);
}

QString UpperCase(const QString &text)
{
    QString result = text;
    for (QChar &c : result)
        c = AsciiUpper(c);
    return result;
}

QString LowerCase(const QString &text)
{
    QString result = text;
    for (QChar &c : result)
        c = AsciiLower(c);
    return result;
}

QString Trim(const QString &text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= ' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= ' ')
        --end;
    return text.mid(begin, end - begin);
}

QString NameCase(const QString &text)
{
    QString result = text.toLower();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i == 0)
            result[0] = text[0].toUpper();
        else if (i + 1 < text.size() && text[i] == QLatin1Char(' '))
            result[i + 1] = text[i + 1].toUpper();
    }
    return result;
}

int CompareText(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        int d = int(AsciiUpper(a[i]).unicode()) - int(AsciiUpper(b[i]).unicode());
        if (d != 0)
            return d;
    }
    return int(a.size() - b.size());
}

QString FormatMaskText(const QString &mask, const QString &value)
{
    // The mask's fields: the picture, whether Value holds the literals, the blank character.
    QStringList fields;
    QString field;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask[i] == QLatin1Char('\\') && i + 1 < mask.size()) {
            field += mask[i];
            field += mask[++i];
        } else if (mask[i] == QLatin1Char(';')) {
            fields << field;
            field.clear();
        } else {
            field += mask[i];
        }
    }
    fields << field;
    const QString picture = fields[0];
    const bool valueHasLiterals = fields.size() < 2 || fields[1] != QLatin1String("0");
    const QChar blank = fields.size() > 2 && !fields[2].isEmpty() ? fields[2].at(0) : QLatin1Char('_');
    QString out;
    qsizetype v = 0;
    int caseMode = 0; // 1 upper, -1 lower
    for (qsizetype i = 0; i < picture.size(); ++i) {
        QChar c = picture[i];
        switch (c.unicode()) {
        case '!':
            continue;
        case '>':
            caseMode = (i + 1 < picture.size() && picture[i + 1] == QLatin1Char('<')) ? 0 : 1;
            if (caseMode == 0)
                ++i;
            continue;
        case '<':
            caseMode = -1;
            continue;
        case '0':
        case '9':
        case '#':
        case 'L':
        case 'l':
        case 'A':
        case 'a':
        case 'C':
        case 'c': {
            QChar ch = v < value.size() ? value[v++] : blank;
            if (caseMode > 0)
                ch = ch.toUpper();
            else if (caseMode < 0)
                ch = ch.toLower();
            out += ch;
            continue;
        }
        case '\\':
            if (i + 1 < picture.size())
                c = picture[++i];
            break;
        case ':':
            c = FormatSettings().TimeSeparator;
            break;
        case '/':
            c = FormatSettings().DateSeparator;
            break;
        case '_':
            c = QLatin1Char(' ');
            break;
        default:
            break;
        }
        out += c;
        if (valueHasLiterals && v < value.size())
            ++v;
    }
    return out;
}

QString ExtractFilePath(const QString &fileName)
{
    qsizetype i = fileName.size();
    while (i > 0) {
        QChar c = fileName[i - 1];
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char(':'))
            break;
        --i;
    }
    return fileName.left(i);
}

// ---- dates -----------------------------------------------------------------------------------------

double EncodeDate(int year, int month, int day)
{
    QDate date(year, month, day);
    if (year < 1 || year > 9999 || !date.isValid())
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return Variant::EncodeDateTime(date, QTime());
}

void DecodeDate(double value, int &year, int &month, int &day)
{
    QDate date;
    QTime time;
    if (!Variant::DecodeDateTime(value, date, time))
        throw EVariantOverflowError();
    year = date.year();
    month = date.month();
    day = date.day();
}

double EncodeTime(int hour, int minute, int second, int msec)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
        msec > 999)
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return (((hour * 60 + minute) * 60 + second) * 1000.0 + msec) / 86400000.0;
}

void DecodeTime(double value, int &hour, int &minute, int &second, int &msec)
{
    QDate date;
    QTime time;
    if (!Variant::DecodeDateTime(value, date, time))
        throw EVariantOverflowError();
    hour = time.hour();
    minute = time.minute();
    second = time.second();
    msec = time.msec();
}

double Now()
{
    QDateTime now = QDateTime::currentDateTime();
    return Variant::EncodeDateTime(now.date(), now.time());
}

double Date()
{
    return Variant::EncodeDateTime(QDate::currentDate(), QTime());
}

double Time()
{
    return QTime::currentTime().msecsSinceStartOfDay() / 86400000.0;
}

int DayOfWeek(double value)
{
    qint64 day = qint64(std::trunc(value));
    return int(((day + 6) % 7 + 7) % 7) + 1;
}

bool IsLeapYear(int year)
{
    return QDate::isLeapYear(year);
}

int DaysInMonth(int year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    return QDate(year, month, 1).daysInMonth();
}

// ---- numbers ---------------------------------------------------------------------------------------

qint64 Round(double value)
{
    double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded >= 9.2233720368547758e18 || rounded < -9.2233720368547758e18)
        throw EInvalidOp();
    return qint64(rounded);
}

qint64 Trunc(double value)
{
    double truncated = std::trunc(value);
    if (!std::isfinite(truncated) || truncated >= 9.2233720368547758e18 || truncated < -9.2233720368547758e18)
        throw EInvalidOp();
    return qint64(truncated);
}

} // namespace fsLibrary

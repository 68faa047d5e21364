#pragma once
// The conversion, text, date and arithmetic routines of the script library, as plain functions.
// Each does what the platform routine of the same name does; errors are EConvertError (bad text
// for a number or date) or the variant errors. Format, FormatFloat and FormatDateTime live with
// Variant (they are shared with value formatting).

#include "script/variant/Variant.h"

#include <QString>

namespace fsLibrary {
// ---- conversions ----
QString IntToStr(qint64 value);
QString FloatToStr(double value);
QString DateToStr(double value);
QString TimeToStr(double value);
QString DateTimeToStr(double value);
// "-1" for True, "0" for False.
QString BoolToStr(bool value);
qint32 StrToInt(const QString &text);
qint64 StrToInt64(const QString &text);
double StrToFloat(const QString &text);
double StrToDate(const QString &text);
double StrToTime(const QString &text);
double StrToDateTime(const QString &text);
// "True"/"False" in any case, or a number (non-zero is True).
bool StrToBool(const QString &text);
bool ValidInt(const QString &text);
bool ValidFloat(const QString &text);
bool ValidDate(const QString &text);

// ---- text ----
// Characters from (1-based) index, at most count; out-of-range parts are left out.
QString Copy(const QString &text, qint64 from, qint64 count);
// 1-based position of the first occurrence, 0 when there is none or substr is empty.
int Pos(const QString &substr, const QString &text);
void Delete(QString &text, qint64 from, qint64 count);
void Insert(const QString &source, QString &target, qint64 position);
// Letters a-z and A-Z only, as the platform's UpperCase and LowerCase.
QString UpperCase(const QString &text);
QString LowerCase(const QString &text);
// Blanks and control characters off both ends.
QString Trim(const QString &text);
// Each word with a capital first letter and lower-case rest.
QString NameCase(const QString &text);
// Compares ignoring the case of a-z: the difference of the first differing characters, or of the
// lengths.
int CompareText(const QString &a, const QString &b);
// "(000)000-0000;0;_" style masks: placeholders 0 9 # L l A a C c, ">" and "<" for case, "\"
// before a literal; the second field "0" means Value holds no literals, the third is the blank.
QString FormatMaskText(const QString &mask, const QString &value);
QString ExtractFilePath(const QString &fileName);

// ---- dates ----
double EncodeDate(int year, int month, int day);
void DecodeDate(double value, int &year, int &month, int &day);
double EncodeTime(int hour, int minute, int second, int msec);
void DecodeTime(double value, int &hour, int &minute, int &second, int &msec);
double Now();
double Date();
double Time();
// 1 for Sunday to 7 for Saturday.
int DayOfWeek(double value);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// ---- numbers ----
// Round halves to even; raises EVariantOverflowError beyond 64 bits.
qint64 Round(double value);
qint64 Trunc(double value);
} // namespace fsLibrary

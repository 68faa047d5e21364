// The built-in library every script sees through the global unit: types, constants, the exception
// variables, the base classes and the functions by category.

#include "script/fs_iinterpreter.h"

#include "platform/Ui.h"
#include "script/fs_iconstants.h"
#include "script/fs_ilibrary.h"
#include "script/fs_imeta.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

using P = TfsParams;

Variant Date(double value)
{
    return Variant::FromDateTime(value);
}

// The generator of Random: a fixed sequence until Randomize, as on the platform.
std::mt19937_64 &Generator()
{
    static std::mt19937_64 generator(0);
    return generator;
}

Variant InitialElement(int type)
{
    switch (type & varTypeMask) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return Variant(0);
    case varSingle:
    case varDouble:
    case varCurrency:
        return Variant(0.0);
    case varDate:
        return Variant::FromDateTime(0.0);
    case varBoolean:
        return Variant(false);
    case varOleStr:
    case varString:
    case varUString:
        return Variant(QString());
    default:
        return Variant();
    }
}

Variant CreateArray(const QList<Variant> &bounds, int from, int type)
{
    int low = bounds.value(from).ToInt(), high = bounds.value(from + 1).ToInt();
    if (high < low - 1 || qint64(high) - low > 10000000)
        throw EVariantArrayBoundsError();
    Variant array = Variant::CreateArray(low, high);
    for (int i = low; i <= high; ++i)
        array.SetArrayItem(i, from + 3 < bounds.size() ? CreateArray(bounds, from + 2, type)
                                                       : InitialElement(type));
    return array;
}

QList<Variant> ArgumentList(const Variant &args)
{
    if (args.IsArray())
        return args.ArrayElements();
    if (args.IsEmptyOrNull())
        return {};
    return {args};
}

} // namespace

void TfsScript::AddRTTI()
{
    // ---- types ----
    const std::pair<const char *, TfsVarType> types[] = {
        {"Byte", fvtInt},
        {"Word", fvtInt},
        {"Integer", fvtInt},
        {"Int64", fvtInt64},
        {"Longint", fvtInt},
        {"Cardinal", fvtInt},
        {"TColor", fvtInt},
        {"TAlphaColor", fvtInt},
        {"Boolean", fvtBool},
        {"Real", fvtFloat},
        {"Single", fvtFloat},
        {"Double", fvtFloat},
        {"Extended", fvtFloat},
        {"Currency", fvtFloat},
        {"TDate", fvtFloat},
        {"TTime", fvtFloat},
        {"TDateTime", fvtFloat},
        {"Char", fvtChar},
        {"String", fvtString},
        {"Variant", fvtVariant},
        {"Pointer", fvtVariant},
        {"Array", fvtArray},
        {"Constructor", fvtConstructor},
    };
    for (const auto &[name, typ] : types)
        AddType(QLatin1String(name), typ);
    AddType(QStringLiteral("__StringHelper"), fvtString);
    AddType(QStringLiteral("__ArrayHelper"), fvtArray);

    // ---- constants ----
    AddConst(QStringLiteral("True"), QStringLiteral("Boolean"), Variant(true));
    AddConst(QStringLiteral("False"), QStringLiteral("Boolean"), Variant(false));
    AddConst(QStringLiteral("nil"), QStringLiteral("Variant"), Variant(static_cast<QObject *>(nullptr)));
    AddConst(QStringLiteral("Null"), QStringLiteral("Variant"), Variant::Null());
    const std::pair<const char *, int> codes[] = {
        {"varEmpty", varEmpty},       {"varNull", varNull},         {"varSmallint", varSmallint},
        {"varInteger", varInteger},   {"varSingle", varSingle},     {"varDouble", varDouble},
        {"varCurrency", varCurrency}, {"varDate", varDate},         {"varOleStr", varOleStr},
        {"varDispatch", varDispatch}, {"varError", varError},       {"varBoolean", varBoolean},
        {"varVariant", varVariant},   {"varUnknown", varUnknown},   {"varShortInt", varShortInt},
        {"varByte", varByte},         {"varWord", varWord},         {"varLongWord", varLongWord},
        {"varInt64", varInt64},       {"varStrArg", varStrArg},     {"varString", varString},
        {"varAny", varAny},           {"varTypeMask", varTypeMask}, {"varArray", varArray},
        {"varByRef", varByRef},
    };
    for (const auto &[name, code] : codes)
        AddConst(QLatin1String(name), QStringLiteral("Integer"), Variant(code));
    // The platform's named values that report scripts use: colours, character sets, dialog
    // results, and the pen styles as an enumeration of their own.
    for (const TfsNamedConstant &color : fsColorConstants())
        AddConst(QLatin1String(color.Name), QStringLiteral("TColor"), Variant(color.Value));
    for (const TfsNamedConstant &charset : fsCharsetConstants())
        AddConst(QLatin1String(charset.Name), QStringLiteral("Integer"), Variant(charset.Value));
    for (const TfsNamedConstant &result : fsModalResults())
        AddConst(QLatin1String(result.Name), QStringLiteral("Integer"), Variant(result.Value));
    QStringList penStyles;
    for (const TfsNamedConstant &style : fsPenStyles())
        penStyles << QLatin1String(style.Name);
    AddEnum(QStringLiteral("TPenStyle"), penStyles.join(QLatin1Char(',')));

    // ---- variables ----
    AddVariable(QStringLiteral("ExceptionClassName"), QStringLiteral("String"), Variant(QString()));
    AddVariable(QStringLiteral("ExceptionMessage"), QStringLiteral("String"), Variant(QString()));

    // ---- base classes ----
    TfsClassVariable *object = AddClass(QStringLiteral("TObject"), QString());
    object->AddMethod(QStringLiteral("procedure Free"), [](QObject *instance, P &p) {
        if (instance && !p.Script()->ReleaseObject(instance))
            throw EfsRuntimeError(QStringLiteral("EInvalidOperation"),
                                  QStringLiteral("Only objects created by the script can be freed"));
        return Variant();
    });
    object->AddMethod(QStringLiteral("function ClassName: String"), [](QObject *instance, P &) {
        TfsInstance target = TfsInstance::From(Variant(instance));
        return Variant(QString::fromLatin1(target.Meta->className()));
    });
    AddClass(QStringLiteral("TPersistent"), QStringLiteral("TObject"));
    fsMeta::RegisterStringsClass(this);

    // ---- conversions ----
    const QString conv = QStringLiteral("ctConv");
    AddMethod(
        QStringLiteral("function IntToStr(i: Integer): String"),
        [](QObject *, P &p) { return Variant(fsLibrary::IntToStr(p[0].ToInt64())); }, conv);
    AddMethod(
        QStringLiteral("function FloatToStr(e: Extended): String"),
        [](QObject *, P &p) { return Variant(fsLibrary::FloatToStr(p[0].ToDouble())); }, conv);
    AddMethod(
        QStringLiteral("function DateToStr(e: Extended): String"),
        [](QObject *, P &p) { return Variant(fsLibrary::DateToStr(p[0].ToDateTime())); }, conv);
    AddMethod(
        QStringLiteral("function TimeToStr(e: Extended): String"),
        [](QObject *, P &p) { return Variant(fsLibrary::TimeToStr(p[0].ToDateTime())); }, conv);
    AddMethod(
        QStringLiteral("function DateTimeToStr(e: Extended): String"),
        [](QObject *, P &p) { return Variant(fsLibrary::DateTimeToStr(p[0].ToDateTime())); }, conv);
    AddMethod(
        QStringLiteral("function BoolToStr(B: Boolean): string;"),
        [](QObject *, P &p) { return Variant(fsLibrary::BoolToStr(p[0].ToBool())); }, conv);
    AddMethod(
        QStringLiteral("function VarToStr(v: Variant): String"),
        [](QObject *, P &p) { return Variant(p[0].ToString()); }, conv);
    AddMethod(
        QStringLiteral("function StrToInt(s: String): Integer"),
        [](QObject *, P &p) { return Variant(fsLibrary::StrToInt(p[0].ToString())); }, conv);
    AddMethod(
        QStringLiteral("function StrToInt64(s: String): Int64"),
        [](QObject *, P &p) {
            return Variant(static_cast<long long>(fsLibrary::StrToInt64(p[0].ToString())));
        },
        conv);
    AddMethod(
        QStringLiteral("function StrToFloat(s: String): Extended"),
        [](QObject *, P &p) { return Variant(fsLibrary::StrToFloat(p[0].ToString())); }, conv);
    AddMethod(
        QStringLiteral("function StrToDate(s: String): Extended"),
        [](QObject *, P &p) { return Date(fsLibrary::StrToDate(p[0].ToString())); }, conv);
    AddMethod(
        QStringLiteral("function StrToTime(s: String): Extended"),
        [](QObject *, P &p) { return Date(fsLibrary::StrToTime(p[0].ToString())); }, conv);
    AddMethod(
        QStringLiteral("function StrToDateTime(s: String): Extended"),
        [](QObject *, P &p) { return Date(fsLibrary::StrToDateTime(p[0].ToString())); }, conv);
    AddMethod(
        QStringLiteral("function StrToBool(const S: string): Boolean;"),
        [](QObject *, P &p) { return Variant(fsLibrary::StrToBool(p[0].ToString())); }, conv);

    // ---- formatting ----
    const QString format = QStringLiteral("ctFormat");
    AddMethod(
        QStringLiteral("function Format(Fmt: String; Args: array): String"),
        [](QObject *, P &p) { return Variant(::Format(p[0].ToString(), ArgumentList(p[1]))); }, format);
    AddMethod(
        QStringLiteral("function FormatFloat(Fmt: String; Value: Extended): String"),
        [](QObject *, P &p) { return Variant(::FormatFloat(p[0].ToString(), p[1].ToDouble())); }, format);
    AddMethod(
        QStringLiteral("function FormatDateTime(Fmt: String; DateTime: TDateTime): String"),
        [](QObject *, P &p) { return Variant(::FormatDateTime(p[0].ToString(), p[1].ToDateTime())); },
        format);
    AddMethod(
        QStringLiteral("function FormatMaskText(EditMask: string; Value: string): string"),
        [](QObject *, P &p) { return Variant(fsLibrary::FormatMaskText(p[0].ToString(), p[1].ToString())); },
        format);

    // ---- dates ----
    const QString date = QStringLiteral("ctDate");
    AddMethod(
        QStringLiteral("function EncodeDate(Year, Month, Day: Word): TDateTime"),
        [](QObject *, P &p) { return Date(fsLibrary::EncodeDate(p[0].ToInt(), p[1].ToInt(), p[2].ToInt())); },
        date);
    AddMethod(
        QStringLiteral("procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)"),
        [](QObject *, P &p) {
            int year, month, day;
            fsLibrary::DecodeDate(p[0].ToDateTime(), year, month, day);
            p[1] = Variant(year);
            p[2] = Variant(month);
            p[3] = Variant(day);
            return Variant();
        },
        date);
    AddMethod(
        QStringLiteral("function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime"),
        [](QObject *, P &p) {
            return Date(fsLibrary::EncodeTime(p[0].ToInt(), p[1].ToInt(), p[2].ToInt(), p[3].ToInt()));
        },
        date);
    AddMethod(
        QStringLiteral("procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)"),
        [](QObject *, P &p) {
            int hour, minute, second, msec;
            fsLibrary::DecodeTime(p[0].ToDateTime(), hour, minute, second, msec);
            p[1] = Variant(hour);
            p[2] = Variant(minute);
            p[3] = Variant(second);
            p[4] = Variant(msec);
            return Variant();
        },
        date);
    AddMethod(
        QStringLiteral("function Date: TDateTime"), [](QObject *, P &) { return Date(fsLibrary::Date()); },
        date);
    AddMethod(
        QStringLiteral("function Time: TDateTime"), [](QObject *, P &) { return Date(fsLibrary::Time()); },
        date);
    AddMethod(
        QStringLiteral("function Now: TDateTime"), [](QObject *, P &) { return Date(fsLibrary::Now()); },
        date);
    AddMethod(
        QStringLiteral("function DayOfWeek(aDate: TDateTime): Integer"),
        [](QObject *, P &p) { return Variant(fsLibrary::DayOfWeek(p[0].ToDateTime())); }, date);
    AddMethod(
        QStringLiteral("function IsLeapYear(Year: Word): Boolean"),
        [](QObject *, P &p) { return Variant(fsLibrary::IsLeapYear(p[0].ToInt())); }, date);
    AddMethod(
        QStringLiteral("function DaysInMonth(nYear, nMonth: Integer): Integer"),
        [](QObject *, P &p) { return Variant(fsLibrary::DaysInMonth(p[0].ToInt(), p[1].ToInt())); }, date);

    // ---- strings ----
    const QString string = QStringLiteral("ctString");
    AddMethod(
        QStringLiteral("function Length(s: Variant): Integer"),
        [](QObject *, P &p) {
            if (p[0].IsArray())
                return Variant(p[0].ArrayCount());
            return Variant(int(p[0].ToString().size()));
        },
        string);
    AddMethod(
        QStringLiteral("function Copy(s: String; from, count: Integer): String"),
        [](QObject *, P &p) {
            return Variant(fsLibrary::Copy(p[0].ToString(), p[1].ToInt64(), p[2].ToInt64()));
        },
        string);
    AddMethod(
        QStringLiteral("function Pos(substr, s: String): Integer"),
        [](QObject *, P &p) { return Variant(fsLibrary::Pos(p[0].ToString(), p[1].ToString())); }, string);
    auto remove = [](QObject *, P &p) {
        QString text = p[0].ToString();
        fsLibrary::Delete(text, p[1].ToInt64(), p[2].ToInt64());
        p[0] = Variant(text);
        return Variant();
    };
    AddMethod(QStringLiteral("procedure Delete(var s: String; from, count: Integer)"), remove, string);
    AddMethod(QStringLiteral("procedure DeleteStr(var s: String; from, count: Integer)"), remove, string);
    AddMethod(
        QStringLiteral("procedure Insert(s: String; var s2: String; pos: Integer)"),
        [](QObject *, P &p) {
            QString target = p[1].ToString();
            fsLibrary::Insert(p[0].ToString(), target, p[2].ToInt64());
            p[1] = Variant(target);
            return Variant();
        },
        string);
    AddMethod(
        QStringLiteral("function Uppercase(s: String): String"),
        [](QObject *, P &p) { return Variant(fsLibrary::UpperCase(p[0].ToString())); }, string);
    AddMethod(
        QStringLiteral("function Lowercase(s: String): String"),
        [](QObject *, P &p) { return Variant(fsLibrary::LowerCase(p[0].ToString())); }, string);
    AddMethod(
        QStringLiteral("function Trim(s: String): String"),
        [](QObject *, P &p) { return Variant(fsLibrary::Trim(p[0].ToString())); }, string);
    AddMethod(
        QStringLiteral("function NameCase(s: String): String"),
        [](QObject *, P &p) { return Variant(fsLibrary::NameCase(p[0].ToString())); }, string);
    AddMethod(
        QStringLiteral("function CompareText(s, s1: String): Integer"),
        [](QObject *, P &p) { return Variant(fsLibrary::CompareText(p[0].ToString(), p[1].ToString())); },
        string);
    AddMethod(
        QStringLiteral("function Chr(i: Integer): Char"),
        [](QObject *, P &p) {
            qint64 code = p[0].ToInt64();
            if (code < 0 || code > 0x10FFFF)
                throw EfsRuntimeError(QStringLiteral("ERangeError"), QStringLiteral("Range check error"));
            char32_t ch = char32_t(code);
            return Variant(QString::fromUcs4(&ch, 1));
        },
        string);
    AddMethod(
        QStringLiteral("function Ord(ch: Char): Integer"),
        [](QObject *, P &p) {
            if (p[0].IsOrdinal() || p[0].IsBool())
                return Variant(p[0].ToInt());
            QString text = p[0].ToString();
            return Variant(text.isEmpty() ? 0 : int(text.at(0).unicode()));
        },
        string);
    AddMethod(
        QStringLiteral("procedure SetLength(var S: Variant; L: Integer)"),
        [](QObject *, P &p) {
            int length = p[1].ToInt();
            if (length < 0)
                length = 0;
            if (p[0].IsArray()) {
                Variant array = p[0];
                array.ArrayRedim(array.ArrayLowBound() + length - 1);
                p[0] = array;
            } else {
                QString text = p[0].ToString();
                CheckStringLength(length);
                text.resize(length, QChar(0));
                p[0] = Variant(text);
            }
            return Variant();
        },
        string);

    // ---- arithmetic ----
    const QString math = QStringLiteral("ctMath");
    AddMethod(
        QStringLiteral("function Round(e: Extended): Integer"),
        [](QObject *, P &p) { return Variant(static_cast<long long>(fsLibrary::Round(p[0].ToDouble()))); },
        math);
    AddMethod(
        QStringLiteral("function Trunc(e: Extended): Integer"),
        [](QObject *, P &p) { return Variant(static_cast<long long>(fsLibrary::Trunc(p[0].ToDouble()))); },
        math);
    AddMethod(
        QStringLiteral("function Int(e: Extended): Integer"),
        [](QObject *, P &p) { return Variant(std::trunc(p[0].ToDouble())); }, math);
    AddMethod(
        QStringLiteral("function Frac(X: Extended): Extended"),
        [](QObject *, P &p) {
            double x = p[0].ToDouble();
            return Variant(x - std::trunc(x));
        },
        math);
    AddMethod(
        QStringLiteral("function Sqrt(e: Extended): Extended"),
        [](QObject *, P &p) {
            double x = p[0].ToDouble();
            if (x < 0)
                throw EInvalidOp();
            return Variant(std::sqrt(x));
        },
        math);
    AddMethod(
        QStringLiteral("function Abs(e: Extended): Extended"),
        [](QObject *, P &p) {
            if (p[0].IsOrdinal())
                return Variant::Compare(p[0], Variant(0)) == Variant::Order::Less ? Variant::Negate(p[0])
                                                                                  : p[0];
            return Variant(std::fabs(p[0].ToDouble()));
        },
        math);
    AddMethod(
        QStringLiteral("function Sin(e: Extended): Extended"),
        [](QObject *, P &p) { return Variant(CheckedFloat(std::sin(p[0].ToDouble()))); }, math);
    AddMethod(
        QStringLiteral("function Cos(e: Extended): Extended"),
        [](QObject *, P &p) { return Variant(CheckedFloat(std::cos(p[0].ToDouble()))); }, math);
    AddMethod(
        QStringLiteral("function ArcTan(X: Extended): Extended"),
        [](QObject *, P &p) { return Variant(std::atan(p[0].ToDouble())); }, math);
    AddMethod(
        QStringLiteral("function Tan(X: Extended): Extended"),
        [](QObject *, P &p) { return Variant(CheckedFloat(std::tan(p[0].ToDouble()))); }, math);
    AddMethod(
        QStringLiteral("function Exp(X: Extended): Extended"),
        [](QObject *, P &p) { return Variant(CheckedFloat(std::exp(p[0].ToDouble()))); }, math);
    AddMethod(
        QStringLiteral("function Ln(X: Extended): Extended"),
        [](QObject *, P &p) {
            double x = p[0].ToDouble();
            if (x <= 0)
                throw EInvalidOp();
            return Variant(std::log(x));
        },
        math);
    AddMethod(
        QStringLiteral("function Pi: Extended"), [](QObject *, P &) { return Variant(M_PI); }, math);

    // ---- other ----
    const QString other = QStringLiteral("ctOther");
    AddMethod(
        QStringLiteral("procedure Inc(var i: Integer; incr: Integer = 1)"),
        [](QObject *, P &p) {
            p[0] = Variant::Add(p[0], p[1]);
            return Variant();
        },
        other);
    AddMethod(
        QStringLiteral("procedure Dec(var i: Integer; decr: Integer = 1)"),
        [](QObject *, P &p) {
            p[0] = Variant::Subtract(p[0], p[1]);
            return Variant();
        },
        other);
    AddMethod(
        QStringLiteral("procedure RaiseException(Param: String)"),
        [](QObject *, P &p) -> Variant {
            throw EfsRuntimeError(QStringLiteral("Exception"), p[0].ToString());
        },
        other);
    AddMethod(
        QStringLiteral("procedure ShowMessage(Msg: Variant)"),
        [](QObject *, P &p) {
            Ui::Message(p[0].ToString(), QCoreApplication::applicationName(), UiIcon::None);
            return Variant();
        },
        other);
    AddMethod(
        QStringLiteral("procedure Randomize"),
        [](QObject *, P &) {
            Generator().seed(QRandomGenerator::global()->generate64());
            return Variant();
        },
        other);
    AddMethod(
        QStringLiteral("function Random: Extended"),
        [](QObject *, P &) { return Variant(std::uniform_real_distribution<double>(0.0, 1.0)(Generator())); },
        other);
    AddMethod(
        QStringLiteral("function ValidInt(cInt: String): Boolean"),
        [](QObject *, P &p) { return Variant(fsLibrary::ValidInt(p[0].ToString())); }, other);
    AddMethod(
        QStringLiteral("function ValidFloat(cFlt: String): Boolean"),
        [](QObject *, P &p) { return Variant(fsLibrary::ValidFloat(p[0].ToString())); }, other);
    AddMethod(
        QStringLiteral("function ValidDate(cDate: String): Boolean"),
        [](QObject *, P &p) { return Variant(fsLibrary::ValidDate(p[0].ToString())); }, other);
    AddMethod(
        QStringLiteral("function ExtractFilePath(const FileName: string): string;"),
        [](QObject *, P &p) { return Variant(fsLibrary::ExtractFilePath(p[0].ToString())); }, other);
    AddMethod(
        QStringLiteral("function CreateOleObject(ClassName: String): Variant"),
        [](QObject *, P &p) -> Variant {
            throw EfsRuntimeError(
                QStringLiteral("EOleError"),
                fsErrors::NotAvailable(QStringLiteral("CreateOleObject('%1')").arg(p[0].ToString())));
        },
        other);
    AddMethod(
        QStringLiteral("function VarArrayCreate(Bounds: Array; Typ: Integer): Variant"),
        [](QObject *, P &p) {
            QList<Variant> bounds = ArgumentList(p[0]);
            if (bounds.size() < 2 || bounds.size() % 2 != 0)
                throw EVariantArrayBoundsError();
            // Every dimension may be within bounds and their product still past any memory.
            qint64 total = 1;
            for (int k = 0; k + 1 < bounds.size(); k += 2) {
                total *= std::max<qint64>(0, qint64(bounds[k + 1].ToInt()) - bounds[k].ToInt() + 1);
                if (total > MaxArrayLength)
                    throw EOutOfMemory();
            }
            return CreateArray(bounds, 0, p[1].ToInt());
        },
        other);
    AddMethod(
        QStringLiteral("function VarType(V: Variant): Integer"),
        [](QObject *, P &p) { return Variant(int(p[0].VarType())); }, other);
}

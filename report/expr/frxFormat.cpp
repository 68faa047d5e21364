#include "report/expr/frxFormat.h"

#include "platform/CodePage.h"
#include "platform/CodePageConvert.h"

QString frxCharsetCodePage(int charset)
{
    switch (charset) {
    case DEFAULT_CHARSET:
        return LegacyCodePageName();
    case ANSI_CHARSET:
        return QStringLiteral("CP1252");
    case SYMBOL_CHARSET:
        return QStringLiteral("SYMBOL");
    case MAC_CHARSET:
        return QStringLiteral("MACINTOSH");
    case 128: // SHIFTJIS_CHARSET
        return QStringLiteral("CP932");
    case 129: // HANGEUL_CHARSET
        return QStringLiteral("CP949");
    case 130: // JOHAB_CHARSET
        return QStringLiteral("JOHAB");
    case GB2312_CHARSET:
        return QStringLiteral("CP936");
    case 136: // CHINESEBIG5_CHARSET
        return QStringLiteral("CP950");
    case 161: // GREEK_CHARSET
        return QStringLiteral("CP1253");
    case 162: // TURKISH_CHARSET
        return QStringLiteral("CP1254");
    case 163: // VIETNAMESE_CHARSET
        return QStringLiteral("CP1258");
    case 177: // HEBREW_CHARSET
        return QStringLiteral("CP1255");
    case 178: // ARABIC_CHARSET
        return QStringLiteral("CP1256");
    case 186: // BALTIC_CHARSET
        return QStringLiteral("CP1257");
    case 204: // RUSSIAN_CHARSET
        return QStringLiteral("CP1251");
    case 222: // THAI_CHARSET
        return QStringLiteral("CP874");
    case 238: // EASTEUROPE_CHARSET
        return QStringLiteral("CP1250");
    case OEM_CHARSET:
        // On the Chinese systems this program serves, the OEM code page is the ANSI one.
        return LegacyCodePageName();
    default:
        return QString();
    }
}

TfrxCharsetConversion::TfrxCharsetConversion(int charset)
{
    if (charset != DEFAULT_CHARSET)
        m_codePage = frxCharsetCodePage(charset);
}

QString TfrxCharsetConversion::ValueText(const QString &text) const
{
    if (m_codePage.isEmpty() || text.isEmpty())
        return text;
    return DecodeCodePage(EncodeLegacy(text), m_codePage);
}

QString TfrxCharsetConversion::ExpressionText(const QString &text) const
{
    if (m_codePage.isEmpty() || text.isEmpty())
        return text;
    return DecodeLegacy(EncodeCodePage(text, m_codePage));
}

namespace {

QString NumericText(const Variant &value, const TfrxFormat &format)
{
    const QString pattern = format.FormatStr();
    QString text;
    if (pattern.contains(QLatin1Char('#')) || pattern.startsWith(QLatin1Char('0')))
        text = FormatFloat(pattern, value.ToDouble());
    else if (pattern.contains(QLatin1Char('d')) || pattern.contains(QLatin1Char('u')))
        text = Format(pattern, {Variant(value.ToInt())});
    else
        text = Format(pattern, {Variant(value.ToDouble())});

    // Both separators are exchanged in one pass: exchanging the decimal separator first and then
    // every thousands separator would turn a new decimal "," into a thousands separator again.
    const TFormatSettings &settings = FormatSettings();
    const QString decimal = format.DecimalSeparator();
    const QString thousand = format.ThousandSeparator();
    const bool newDecimal = decimal.size() == 1 && decimal[0] != settings.DecimalSeparator;
    const bool newThousand = thousand.size() == 1 && thousand[0] != settings.ThousandSeparator;
    if (newDecimal || newThousand) {
        const qsizetype point = newDecimal ? text.lastIndexOf(settings.DecimalSeparator) : -1;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (i == point)
                text[i] = decimal[0];
            else if (newThousand && text[i] == settings.ThousandSeparator)
                text[i] = thousand[0];
        }
    }
    return text;
}

QString BooleanText(const Variant &value, const TfrxFormat &format)
{
    const QString pattern = format.FormatStr();
    const qsizetype comma = pattern.indexOf(QLatin1Char(','));
    const bool isTrue = value.IsBool() ? value.BoolValue() : Variant::Equal(value, Variant(true));
    // Without a comma the whole format is the True text and False prints nothing.
    if (!isTrue)
        return comma < 0 ? QString() : pattern.left(comma);
    return pattern.mid(comma + 1, 255);
}

} // namespace

QString frxFormatValue(const Variant &value, const TfrxFormat &format,
                       const TfrxCharsetConversion &conversion)
{
    if (value.IsNull())
        return QString();
    try {
        switch (format.Kind()) {
        case frx::fkNumeric:
            return NumericText(value, format);
        case frx::fkDateTime:
            return FormatDateTime(format.FormatStr(), value.ToDateTime());
        case frx::fkBoolean:
            return BooleanText(value, format);
        case frx::fkText:
        default:
            return conversion.ValueText(value.ToString());
        }
    } catch (const std::exception &) {
        // A value the format does not suit prints as it is.
    }
    try {
        return conversion.ValueText(value.ToString());
    } catch (const std::exception &) {
        // Objects and arrays have no text at all.
        return QString();
    }
}

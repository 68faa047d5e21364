#pragma once
// Value formatting of text objects: a value and a display format (TfrxFormat) give the text that is
// printed, and the character-set conversion that a font with a character set of its own asks for.

#include "report/core/frxTypes.h"
#include "report/model/frxFrame.h"
#include "script/variant/Variant.h"

#include <QString>

// Character sets of fonts (DEFAULT_CHARSET is with the font in frxTypes.h).
inline constexpr int ANSI_CHARSET = 0;
inline constexpr int SYMBOL_CHARSET = 2;
inline constexpr int MAC_CHARSET = 77;
inline constexpr int GB2312_CHARSET = 134;
inline constexpr int OEM_CHARSET = 255;

// The code page (as the converters name it) of a font character set; empty for a character set
// that names none. DEFAULT_CHARSET is the system's legacy code page.
QString frxCharsetCodePage(int charset);

// The two byte conversions of a text object whose font has a character set other than
// DEFAULT_CHARSET: a value's text crosses from the legacy code page to the font's code page, an
// expression's text the other way. Without a character set (the default) both leave text alone.
class TfrxCharsetConversion {
public:
    TfrxCharsetConversion() = default;
    explicit TfrxCharsetConversion(int charset);

    bool IsIdentity() const { return m_codePage.isEmpty(); }
    // Text encoded in the legacy code page, decoded with the font's code page.
    QString ValueText(const QString &text) const;
    // Text encoded with the font's code page, decoded in the legacy code page.
    QString ExpressionText(const QString &text) const;

private:
    QString m_codePage;
};

// The printed text of a value:
// - Null prints nothing;
// - fkText: the value as text;
// - fkNumeric: FormatStr with "#" or a leading "0" is a picture format (#,##0.00); with "d" or "u"
//   a printf format of the value as an integer; otherwise a printf format of the value as a float
//   (%2.2f, %g). A one-character DecimalSeparator replaces the last decimal separator of the
//   result and a one-character ThousandSeparator every thousands separator;
// - fkDateTime: FormatStr as a date-time format (yyyy-mm-dd, hh:nn);
// - fkBoolean: FormatStr "no,yes" gives the text after the comma for True, before it otherwise.
// A value the format cannot take prints as plain text. Value text crosses the conversion.
QString frxFormatValue(const Variant &value, const TfrxFormat &format,
                       const TfrxCharsetConversion &conversion = TfrxCharsetConversion());

#include "report/core/frxPersistent.h"

#include "report/core/frxErrors.h"
#include "report/core/frxRes.h"

#include <cstdlib>

EDuplicateName::EDuplicateName() : EReportError(frxResources().Get(QStringLiteral("SDuplicateName"))) {}

EPropertyError::EPropertyError() : EReportError(frxResources().Get(QStringLiteral("SInvalidPropertyValue")))
{
}

int frxMulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    long long product = static_cast<long long>(a) * b;
    long long half = std::llabs(static_cast<long long>(c)) / 2;
    bool negative = (product < 0) != (c < 0);
    long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

TFont::TFont() : m_name(QStringLiteral("Arial")), m_height(-frxMulDiv(10, 96, 72)) {}

void TFont::SetCharset(int value)
{
    m_charset = value;
    Changed();
}

void TFont::SetColor(TColor value)
{
    m_color = value;
    Changed();
}

void TFont::SetHeight(int value)
{
    m_height = value;
    Changed();
}

void TFont::SetName(const QString &value)
{
    // An empty face name is not a font; the platform keeps the previous one.
    if (!value.isEmpty())
        m_name = value;
    Changed();
}

void TFont::SetPitch(frx::TFontPitch value)
{
    m_pitch = value;
    Changed();
}

int TFont::Size() const
{
    return -frxMulDiv(m_height, 72, PixelsPerInch());
}

void TFont::SetSize(int value)
{
    SetHeight(-frxMulDiv(value, PixelsPerInch(), 72));
}

void TFont::SetStyle(frx::TFontStyles value)
{
    m_style = value;
    Changed();
}

void TFont::Assign(const TFont &source)
{
    if (&source != this) {
        m_name = source.m_name;
        m_color = source.m_color;
        m_height = source.m_height;
        m_charset = source.m_charset;
        m_style = source.m_style;
        m_pitch = source.m_pitch;
    }
    Changed();
}

bool TFont::SameAs(const TFont &other) const
{
    return m_name == other.m_name && m_color == other.m_color && m_height == other.m_height &&
           m_charset == other.m_charset && m_style == other.m_style && m_pitch == other.m_pitch;
}

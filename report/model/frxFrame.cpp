#include "report/model/frxFrame.h"

void TfrxFrameLine::Assign(const TfrxFrameLine &source)
{
    m_color = source.m_color;
    m_style = source.m_style;
    m_width = source.m_width;
}

bool TfrxFrameLine::IsColorStored() const
{
    return m_color != m_frame->Color();
}
bool TfrxFrameLine::IsStyleStored() const
{
    return m_style != m_frame->Style();
}
bool TfrxFrameLine::IsWidthStored() const
{
    return m_width != m_frame->Width();
}

TfrxFrame::TfrxFrame() : m_leftLine(this), m_topLine(this), m_rightLine(this), m_bottomLine(this) {}

void TfrxFrame::SetColor(TColor value)
{
    m_color = value;
    for (TfrxFrameLine *line : {&m_leftLine, &m_topLine, &m_rightLine, &m_bottomLine})
        line->SetColor(value);
}

void TfrxFrame::SetStyle(frx::TfrxFrameStyle value)
{
    m_style = value;
    for (TfrxFrameLine *line : {&m_leftLine, &m_topLine, &m_rightLine, &m_bottomLine})
        line->SetStyle(value);
}

void TfrxFrame::SetWidth(double value)
{
    m_width = value;
    for (TfrxFrameLine *line : {&m_leftLine, &m_topLine, &m_rightLine, &m_bottomLine})
        line->SetWidth(value);
}

void TfrxFrame::Assign(const TfrxFrame &source)
{
    if (&source == this)
        return;
    m_color = source.m_color;
    m_dropShadow = source.m_dropShadow;
    m_shadowColor = source.m_shadowColor;
    m_shadowWidth = source.m_shadowWidth;
    m_style = source.m_style;
    m_typ = source.m_typ;
    m_width = source.m_width;
    m_leftLine.Assign(source.m_leftLine);
    m_topLine.Assign(source.m_topLine);
    m_rightLine.Assign(source.m_rightLine);
    m_bottomLine.Assign(source.m_bottomLine);
}

static bool SameLine(const TfrxFrameLine &a, const TfrxFrameLine &b)
{
    return a.Color() == b.Color() && a.Style() == b.Style() && a.Width() == b.Width();
}

bool TfrxFrame::SameAs(const TfrxFrame &other) const
{
    return m_color == other.m_color && m_dropShadow == other.m_dropShadow &&
           m_shadowColor == other.m_shadowColor && m_shadowWidth == other.m_shadowWidth &&
           m_style == other.m_style && m_typ == other.m_typ && m_width == other.m_width &&
           SameLine(m_leftLine, other.m_leftLine) && SameLine(m_topLine, other.m_topLine) &&
           SameLine(m_rightLine, other.m_rightLine) && SameLine(m_bottomLine, other.m_bottomLine);
}

void TfrxFormat::Assign(const TfrxFormat &source)
{
    m_decimalSeparator = source.m_decimalSeparator;
    m_thousandSeparator = source.m_thousandSeparator;
    m_formatStr = source.m_formatStr;
    m_kind = source.m_kind;
}

TfrxHighlight::TfrxHighlight()
{
    m_font.SetColor(clRed);
}

void TfrxHighlight::Assign(const TfrxHighlight &source)
{
    m_active = source.m_active;
    m_font.Assign(source.m_font);
    m_color = source.m_color;
    m_condition = source.m_condition;
}

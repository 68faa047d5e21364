#include "report/objects/frxDMP.h"

double frxSnapToCharX(double value)
{
    return frxRoundEven(value / fr1CharX) * fr1CharX;
}

double frxSnapToCharY(double value)
{
    return frxRoundEven(value / fr1CharY) * fr1CharY;
}

TfrxDMPMemoView::TfrxDMPMemoView(TComponent *owner) : TfrxCustomMemoView(owner) {}

void TfrxDMPMemoView::Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    // The printer's bold, italic and underline show as the font's; the font itself is left as the
    // file has it, so the object saves back unchanged.
    const frx::TFontStyles own = Font()->Style();
    frx::TFontStyles shown = own;
    if (m_fontStyle & frxdmp::fsxBold)
        shown |= frx::fsBold;
    if (m_fontStyle & frxdmp::fsxItalic)
        shown |= frx::fsItalic;
    if (m_fontStyle & frxdmp::fsxUnderline)
        shown |= frx::fsUnderline;
    if (shown == own) {
        TfrxCustomMemoView::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
        return;
    }
    const bool parentFont = ParentFont();
    Font()->SetStyle(shown);
    try {
        TfrxCustomMemoView::Draw(canvas, scaleX, scaleY, offsetX, offsetY);
    } catch (...) {
        Font()->SetStyle(own);
        SetParentFont(parentFont);
        throw;
    }
    Font()->SetStyle(own);
    SetParentFont(parentFont);
}

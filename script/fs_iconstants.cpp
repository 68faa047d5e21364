#include "script/fs_iconstants.h"

#include <QLatin1StringView>

namespace {

constexpr int kSystemColor = int(0xFF000000);

constexpr TfsNamedConstant kColors[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clLtGray", 0xC0C0C0},
    {"clDkGray", 0x808080},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clSystemColor", kSystemColor},
    {"clScrollBar", kSystemColor | 0},
    {"clBackground", kSystemColor | 1},
    {"clActiveCaption", kSystemColor | 2},
    {"clInactiveCaption", kSystemColor | 3},
    {"clMenu", kSystemColor | 4},
    {"clWindow", kSystemColor | 5},
    {"clWindowFrame", kSystemColor | 6},
    {"clMenuText", kSystemColor | 7},
    {"clWindowText", kSystemColor | 8},
    {"clCaptionText", kSystemColor | 9},
    {"clActiveBorder", kSystemColor | 10},
    {"clInactiveBorder", kSystemColor | 11},
    {"clAppWorkSpace", kSystemColor | 12},
    {"clHighlight", kSystemColor | 13},
    {"clHighlightText", kSystemColor | 14},
    {"clBtnFace", kSystemColor | 15},
    {"clBtnShadow", kSystemColor | 16},
    {"clGrayText", kSystemColor | 17},
    {"clBtnText", kSystemColor | 18},
    {"clInactiveCaptionText", kSystemColor | 19},
    {"clBtnHighlight", kSystemColor | 20},
    {"cl3DDkShadow", kSystemColor | 21},
    {"cl3DLight", kSystemColor | 22},
    {"clInfoText", kSystemColor | 23},
    {"clInfoBk", kSystemColor | 24},
    {"clHotLight", kSystemColor | 26},
    {"clGradientActiveCaption", kSystemColor | 27},
    {"clGradientInactiveCaption", kSystemColor | 28},
    {"clMenuHighlight", kSystemColor | 29},
    {"clMenuBar", kSystemColor | 30},
};

constexpr TfsNamedConstant kPenStyles[] = {
    {"psSolid", 0},      {"psDash", 1},  {"psDot", 2},         {"psDashDot", 3},
    {"psDashDotDot", 4}, {"psClear", 5}, {"psInsideFrame", 6},
};

constexpr TfsNamedConstant kCharsets[] = {
    {"ANSI_CHARSET", 0},      {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},      {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},   {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238},
    {"OEM_CHARSET", 255},
};

constexpr TfsNamedConstant kModalResults[] = {
    {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrAbort", 3},   {"mrRetry", 4},     {"mrIgnore", 5},
    {"mrYes", 6},  {"mrNo", 7}, {"mrAll", 8},    {"mrNoToAll", 9}, {"mrYesToAll", 10},
};

} // namespace

std::span<const TfsNamedConstant> fsColorConstants()
{
    return kColors;
}

bool fsColorValue(QStringView name, int &value)
{
    if (name.size() < 3 || !name.startsWith(u"cl", Qt::CaseInsensitive))
        return false;
    for (const TfsNamedConstant &color : kColors)
        if (name.compare(QLatin1StringView(color.Name), Qt::CaseInsensitive) == 0) {
            value = color.Value;
            return true;
        }
    return false;
}

std::span<const TfsNamedConstant> fsPenStyles()
{
    return kPenStyles;
}

std::span<const TfsNamedConstant> fsCharsetConstants()
{
    return kCharsets;
}

std::span<const TfsNamedConstant> fsModalResults()
{
    return kModalResults;
}

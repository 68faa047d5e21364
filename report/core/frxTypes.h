#pragma once
// Enumerations, sets, units and small numeric helpers shared by every report class. The value names
// are the ones layout files carry ("haCenter", "fsDash"), so they are registered with the
// meta-object system and read back by name; a set is stored as its bit mask (bit i = i-th member).

#include <QMetaEnum>
#include <QObject>

#include <cmath>

namespace frx {
Q_NAMESPACE

enum TfrxAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient };
Q_ENUM_NS(TfrxAlign)

enum TfrxShiftMode { smDontShift, smAlways, smWhenOverlapped };
Q_ENUM_NS(TfrxShiftMode)

enum TfrxStretchMode { smDontStretch, smActualHeight, smMaxHeight };
Q_ENUM_NS(TfrxStretchMode)

enum TfrxRestriction { rfDontModify = 1, rfDontSize = 2, rfDontMove = 4, rfDontDelete = 8, rfDontEdit = 16 };
Q_DECLARE_FLAGS(TfrxRestrictions, TfrxRestriction)
Q_FLAG_NS(TfrxRestrictions)

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
Q_ENUM_NS(TBrushStyle)

enum TfrxHAlign { haLeft, haRight, haCenter, haBlock };
Q_ENUM_NS(TfrxHAlign)

enum TfrxVAlign { vaTop, vaBottom, vaCenter };
Q_ENUM_NS(TfrxVAlign)

enum TfrxFrameStyle { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare };
Q_ENUM_NS(TfrxFrameStyle)

enum TfrxFrameType { ftLeft = 1, ftRight = 2, ftTop = 4, ftBottom = 8 };
Q_DECLARE_FLAGS(TfrxFrameTypes, TfrxFrameType)
Q_FLAG_NS(TfrxFrameTypes)

enum TfrxFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };
Q_ENUM_NS(TfrxFormatKind)

enum TfrxShapeKind {
    skRectangle,
    skRoundRectangle,
    skEllipse,
    skTriangle,
    skDiamond,
    skDiagonal1,
    skDiagonal2
};
Q_ENUM_NS(TfrxShapeKind)

enum TPrinterOrientation { poPortrait, poLandscape };
Q_ENUM_NS(TPrinterOrientation)

enum TfrxDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };
Q_ENUM_NS(TfrxDuplexMode)

enum TfrxSilentMode { simMessageBoxes, simSilent, simReThrow };
Q_ENUM_NS(TfrxSilentMode)

enum TfrxPrintMode { pmDefault, pmSplit, pmJoin, pmScale };
Q_ENUM_NS(TfrxPrintMode)

enum TfrxPrintPages { ppAll, ppOdd, ppEven };
Q_ENUM_NS(TfrxPrintPages)

enum TfrxPreviewButton {
    pbPrint = 0x1,
    pbLoad = 0x2,
    pbSave = 0x4,
    pbExport = 0x8,
    pbZoom = 0x10,
    pbFind = 0x20,
    pbOutline = 0x40,
    pbPageSetup = 0x80,
    pbTools = 0x100,
    pbEdit = 0x200,
    pbNavigator = 0x400,
    pbExportQuick = 0x800,
    pbNoClose = 0x1000,
    pbNoFullScreen = 0x2000,
    pbNoEmail = 0x4000
};
Q_DECLARE_FLAGS(TfrxPreviewButtons, TfrxPreviewButton)
Q_FLAG_NS(TfrxPreviewButtons)

enum TfrxZoomMode { zmDefault, zmWholePage, zmPageWidth, zmManyPages };
Q_ENUM_NS(TfrxZoomMode)

enum TfrxRangeBegin { rbFirst, rbCurrent };
Q_ENUM_NS(TfrxRangeBegin)

enum TfrxRangeEnd { reLast, reCurrent, reCount };
Q_ENUM_NS(TfrxRangeEnd)

enum TfrxFieldType { fftNumeric, fftString, fftBoolean };
Q_ENUM_NS(TfrxFieldType)

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)

enum TFontPitch { fpDefault, fpVariable, fpFixed };
Q_ENUM_NS(TFontPitch)

} // namespace frx

Q_DECLARE_OPERATORS_FOR_FLAGS(frx::TfrxRestrictions)
Q_DECLARE_OPERATORS_FOR_FLAGS(frx::TfrxFrameTypes)
Q_DECLARE_OPERATORS_FOR_FLAGS(frx::TfrxPreviewButtons)
Q_DECLARE_OPERATORS_FOR_FLAGS(frx::TFontStyles)

// Platform colour values: 0x00BBGGRR, negative values name system colours.
using TColor = int;
inline constexpr TColor clNone = 0x1FFFFFFF; // 536870911: no fill, transparent
inline constexpr TColor clBlack = 0;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;

inline constexpr int DEFAULT_CHARSET = 1;

// Units. Layout files were written with exactly these decimals (3.77953, not 96 / 25.4), so
// positions computed from millimetres must use them to land on the same pixels.
inline constexpr double fr01cm = 3.77953; // pixels per millimetre
inline constexpr double fr1cm = 37.7953;  // pixels per centimetre
inline constexpr double fr1in = 96;       // pixels per inch
inline constexpr double fr01in = 9.6;     // pixels per tenth of an inch
inline constexpr double fr1CharX = 9.6;   // dot-matrix character cell
inline constexpr double fr1CharY = 17;

// Round to an integral value, halves to the even neighbour (what Round does on every value here).
inline double frxRoundEven(double value)
{
    if (!std::isfinite(value))
        return value;
    double lower = std::floor(value);
    double diff = value - lower;
    if (diff > 0.5)
        return lower + 1;
    if (diff < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

// Round half to even, as an int (the rounding every drawing rule uses); out-of-range values and
// NaN are clamped.
inline int frxRound(double value)
{
    double r = frxRoundEven(value);
    if (!(r > -2147483647.0))
        return -2147483647;
    if (!(r < 2147483647.0))
        return 2147483647;
    return int(r);
}

// Round to 8 decimals, halves to even; paper sizes are kept this way so that values typed in
// inches or computed from pixels compare equal after a round trip through a file.
inline double frxRoundTo8(double value)
{
    if (!std::isfinite(value))
        return value;
    long double scaled = static_cast<long double>(value) * 100000000.0L;
    long double lower = std::floor(scaled);
    long double diff = scaled - lower;
    long double rounded = diff > 0.5L   ? lower + 1
                          : diff < 0.5L ? lower
                                        : (std::fmod(lower, 2.0L) == 0 ? lower : lower + 1);
    return static_cast<double>(rounded / 100000000.0L);
}

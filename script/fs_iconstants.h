#pragma once
// Named constants of the platform that report scripts use besides the library's own: the colour
// constants (clRed, clWindow, ...), pen styles, font character sets and dialog results. The
// library registers them for every script; the layout reader accepts the colour names where a
// colour value is expected (component streams write colours by name).

#include <QStringView>

#include <span>

struct TfsNamedConstant {
    const char *Name;
    int Value;
};

// Every standard colour: the sixteen basic colours and their aliases, the four extra ones, clNone,
// clDefault and the system colours (clSystemColor plus the system's colour index, so clBtnFace is
// -16777201).
std::span<const TfsNamedConstant> fsColorConstants();
// The value of a colour name, ignoring case; false for a name that is not one.
bool fsColorValue(QStringView name, int &value);

// TPenStyle: psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame (0 to 6).
std::span<const TfsNamedConstant> fsPenStyles();
// Character sets of fonts (ANSI_CHARSET, DEFAULT_CHARSET, GB2312_CHARSET, ...).
std::span<const TfsNamedConstant> fsCharsetConstants();
// Dialog results (mrNone, mrOk, mrCancel, ...).
std::span<const TfsNamedConstant> fsModalResults();

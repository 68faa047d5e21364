#pragma once
// Value types of dialog pages and their controls, named as layout files and scripts name them
// ("taCenter", "csDropDownList", "bsDialog", "poScreenCenter").

#include <QObject>

namespace frxdlg {
Q_NAMESPACE
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
Q_ENUM_NS(TEditCharCase)
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
Q_ENUM_NS(TScrollStyle)
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
Q_ENUM_NS(TCheckBoxState)
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
Q_ENUM_NS(TComboBoxStyle)
enum TfrxDateEditKind { dkDate, dkTime };
Q_ENUM_NS(TfrxDateEditKind)
enum TDateFormat { dfShort, dfLong };
Q_ENUM_NS(TDateFormat)
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
Q_ENUM_NS(TBevelCut)
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWindow };
Q_ENUM_NS(TFormBorderStyle)
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
Q_ENUM_NS(TPosition)
} // namespace frxdlg

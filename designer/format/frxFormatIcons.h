#pragma once
// The small pictures of the formatting bars' buttons, drawn at start-up (16 × 16).

#include <QIcon>

// By the control's object name ("BoldB", "FrameTopB", "AlignPalette0", …); a null icon for a name
// without a picture.
QIcon frxFormatIcon(const QString &name);

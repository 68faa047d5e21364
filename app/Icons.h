#pragma once
// The pictures of the main window, drawn at start-up so that they stay sharp at any scale: the
// 32 × 32 tool bar icons, the program icon and the 640 × 400 splash picture.

#include <QIcon>
#include <QPixmap>

enum class ToolIcon { Print, Import, Printer, TemplateList, NewTemplate, Support, Shop, Help, Exit, Auto, AutoSwitch };

QIcon MakeToolIcon(ToolIcon kind);
QIcon ProgramIcon();
QPixmap SplashPicture();

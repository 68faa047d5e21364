#pragma once
// Where the program folder (config/, template/, orders/) is. Run from a folder of its own (the build
// tree's out/waybill, a copy on a USB stick) the program keeps its folder beside itself. Installed
// (its file in <prefix>/bin and its data in <prefix>/share/waybill, nothing beside it) it never
// writes under the prefix: its folder is the user's $XDG_DATA_HOME/waybill, filled on first start
// with the packaged ready templates, demo orders and default settings.

#include <QString>

// The program folder, without a trailing separator. `home` (--home) wins, then TAVREL_HOME, then
// the installed data folder or the program's own folder. The user's folder is made and seeded when
// needed; a failure (the folder cannot be made or filled, `home` names a file) leaves the reason in
// *error and still returns the folder meant.
QString FindProgramHome(const QString &home, QString *error = nullptr);

// The packaged data of a program installed in `appDir` (<prefix>/bin): <prefix>/share/waybill when
// it holds config/ and appDir has no config/ of its own; empty otherwise.
QString PackagedData(const QString &appDir);

// The user's program folder of an installed program: $XDG_DATA_HOME/waybill.
QString UserProgramHome();

// Copies what `to` lacks of `from` (config/ without the font table, template/, orders/), never
// overwriting a file; a finished seeding is remembered in `to`/.seeded and not done again, so a
// template the user deleted stays deleted. False, with the reason in *error, when `to` cannot be
// made or a file cannot be copied; what was copied stays.
bool SeedProgramHome(const QString &from, const QString &to, QString *error);

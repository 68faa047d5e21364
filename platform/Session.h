#pragma once
// What a program needs from the session it runs in before the Qt application object exists: a
// private runtime folder for Qt when the session gives none (a run as root or from cron), and
// whether a window can be shown at all.

#include <QString>

namespace Session {
// When XDG_RUNTIME_DIR is unset or unusable, points it at a private folder of this user
// (<temp>/runtime-<uid>, made with mode 0700) so that Qt finds one without warning about it.
// Leaves a usable XDG_RUNTIME_DIR alone. Returns the folder in use, empty when none could be made
// (Qt then falls back on its own). Does nothing on systems without such a folder.
QString EnsureRuntimeFolder();

// Whether a window platform can be reached: a display (DISPLAY or WAYLAND_DISPLAY) or a platform
// named in QT_QPA_PLATFORM. Always true on systems whose desktop needs no display variable.
bool HasDesktop();

// Whether stderr is a terminal a person watches (not a file, a pipe or a cron mail).
bool StderrIsTerminal();
} // namespace Session

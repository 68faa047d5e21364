#include "platform/Session.h"

#include <QByteArray>
#include <cerrno>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <sys/stat.h>
#include <unistd.h>
#define WAYBILL_XDG_SESSION 1
#endif

namespace {
#ifdef WAYBILL_XDG_SESSION
// Qt's own rule for a runtime folder: a directory owned by this user that no one else can enter.
bool PrivateFolder(const QByteArray &path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 0777) == 0700;
}
#endif
} // namespace

QString Session::EnsureRuntimeFolder()
{
#ifdef WAYBILL_XDG_SESSION
    const QByteArray current = qgetenv("XDG_RUNTIME_DIR");
    if (!current.isEmpty() && PrivateFolder(current))
        return QFile::decodeName(current);
    QByteArray temp = qgetenv("TMPDIR");
    if (temp.isEmpty() || !QFileInfo(QFile::decodeName(temp)).isDir())
        temp = "/tmp";
    const QByteArray folder = temp + "/runtime-" + QByteArray::number(uint(::geteuid()));
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    if (!PrivateFolder(folder)) {
        // Ours but too open: close it; someone else's: leave it to Qt.
        struct stat st {};
        if (::lstat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
            ::chmod(folder.constData(), 0700) != 0)
            return QString();
    }
    qputenv("XDG_RUNTIME_DIR", folder);
    return QFile::decodeName(folder);
#else
    return QString();
#endif
}

bool Session::HasDesktop()
{
#ifdef WAYBILL_XDG_SESSION
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

bool Session::StderrIsTerminal() { return ::isatty(fileno(stderr)) != 0; }

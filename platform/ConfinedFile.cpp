#include "platform/ConfinedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ConfinedFile {

namespace {
// More links than this in one name are a circle (the system's own limit is 40).
const int MaxLinks = 40;

QString SizeText(qint64 bytes)
{
    const qint64 mb = 1024 * 1024;
    if (bytes >= mb && bytes % mb == 0)
        return QStringLiteral("%1 MB").arg(bytes / mb);
    return QStringLiteral("%1 bytes").arg(bytes);
}

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString Absolute(const QString &path)
{
    QString p = QDir::fromNativeSeparators(path);
    if (!p.startsWith(QLatin1Char('/')))
        p = QDir::currentPath() + QLatin1Char('/') + p;
    return p;
}

QString Resolve(QString path, int &links)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    // Something is there (through any links): the system resolves it exactly.
    if (::stat(native.constData(), &info) == 0) {
        char *real = ::realpath(native.constData(), nullptr);
        if (!real)
            return QString();
        const QString result = QFile::decodeName(real);
        std::free(real);
        return result;
    }
    // A link whose target is missing leads to that target.
    if (::lstat(native.constData(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (++links > MaxLinks)
            return QString();
        char target[PATH_MAX];
        const ssize_t n = ::readlink(native.constData(), target, sizeof target);
        if (n <= 0)
            return QString();
        QString next = QFile::decodeName(QByteArray(target, int(n)));
        if (!next.startsWith(QLatin1Char('/')))
            next = path.left(path.lastIndexOf(QLatin1Char('/')) + 1) + next;
        return Resolve(next, links);
    }
    // Nothing there: the folder part resolved, the last name as written.
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0 && path.startsWith(QLatin1Char('/')) && path.size() > 1) {
        const QString name = path.mid(1);
        return name == QLatin1String("..") || name == QLatin1String(".") ? QStringLiteral("/") : path;
    }
    if (slash < 0)
        return QString();
    const QString folder = Resolve(path.left(slash), links);
    if (folder.isEmpty())
        return QString();
    const QString name = path.mid(slash + 1);
    if (name == QLatin1String("."))
        return folder;
    if (name == QLatin1String("..")) {
        const qsizetype up = folder.lastIndexOf(QLatin1Char('/'));
        return up <= 0 ? QStringLiteral("/") : folder.left(up);
    }
    return folder == QLatin1String("/") ? folder + name : folder + QLatin1Char('/') + name;
}

bool Below(const QString &real, const QString &folder)
{
    if (real.isEmpty() || folder.isEmpty())
        return false;
    if (folder == QLatin1String("/"))
        return true;
    return real == folder || (real.startsWith(folder) && real.at(folder.size()) == QLatin1Char('/'));
}
} // namespace

QString RealPath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    int links = 0;
    return Resolve(Absolute(path), links);
}

bool Inside(const QString &path, const QString &folder)
{
    return Below(RealPath(path), RealPath(folder));
}

bool LeavesItsFolder(const QString &path)
{
    const QString absolute = Absolute(path);
    const QString folder = absolute.left(std::max<qsizetype>(1, absolute.lastIndexOf(QLatin1Char('/'))));
    return !Inside(absolute, folder);
}

bool ReadRegular(const QString &path, qint64 maxBytes, QByteArray &bytes, QString &why)
{
    bytes.clear();
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    // Looked at before it is opened: opening a device may already do something.
    if (::stat(native.constData(), &info) != 0) {
        why = SystemReason(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        why = QStringLiteral("not a regular file");
        return false;
    }
    // Without waiting: a pipe put under the name meanwhile gives no writer to wait for.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = SystemReason(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = QStringLiteral("not a regular file");
        return false;
    }
    const QString tooLarge = QStringLiteral("larger than %1").arg(SizeText(maxBytes));
    if (info.st_size > maxBytes) {
        why = tooLarge;
        return false;
    }
    // The size is checked again while reading: the file may grow in between.
    bytes.resize(qsizetype(std::min<qint64>(info.st_size, maxBytes) + 1));
    qint64 total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > maxBytes) {
                bytes.clear();
                why = tooLarge;
                return false;
            }
            bytes.resize(qsizetype(std::min<qint64>(maxBytes + 1, total * 2 + 4096)));
        }
        const ssize_t n = ::read(fd, bytes.data() + total, size_t(bytes.size() - total));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            why = SystemReason(errno);
            bytes.clear();
            return false;
        }
        if (n == 0)
            break;
        total += n;
    }
    if (total > maxBytes) {
        bytes.clear();
        why = tooLarge;
        return false;
    }
    bytes.resize(qsizetype(total));
    return true;
}

QString OutsideReason()
{
    return QStringLiteral("not a file of the template's folder");
}

bool Read(const QString &name, const QStringList &folders, qint64 maxBytes, QByteArray &bytes, QString &why,
          QString *found)
{
    bytes.clear();
    QString given = name;
    given.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList realFolders;
    for (const QString &folder : folders)
        if (const QString real = RealPath(folder); !real.isEmpty())
            realFolders << real;
    if (!given.isEmpty()) {
        QStringList candidates;
        if (given.startsWith(QLatin1Char('/')))
            candidates << given;
        else
            for (const QString &folder : folders)
                candidates << QDir::fromNativeSeparators(folder) + QLatin1Char('/') + given;
        for (const QString &candidate : std::as_const(candidates)) {
            const QString real = RealPath(candidate);
            struct stat info {};
            if (real.isEmpty() || ::lstat(QFile::encodeName(real).constData(), &info) != 0)
                continue;
            for (const QString &folder : std::as_const(realFolders)) {
                if (!Below(real, folder))
                    continue;
                // Inside the folders the reason may be told: the file is the template's own.
                if (!ReadRegular(real, maxBytes, bytes, why))
                    return false;
                if (found)
                    *found = real;
                return true;
            }
        }
    }
    why = OutsideReason();
    return false;
}

} // namespace ConfinedFile

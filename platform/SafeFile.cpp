#include "platform/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace SafeFile {

namespace {
QString SizeText(qint64 bytes)
{
    if (bytes >= 1024 * MB && bytes % (1024 * MB) == 0)
        return QStringLiteral("%1 GB").arg(bytes / (1024 * MB));
    if (bytes >= MB)
        return QStringLiteral("%1 MB").arg(bytes / MB);
    return QStringLiteral("%1 bytes").arg(bytes);
}

// An existing regular file is written through its links, as an editor would.
QString ResolvedTarget(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() && info.isFile())
        return info.canonicalFilePath();
    return path;
}
} // namespace

bool ReadRegularFile(const QString &path, qint64 maxBytes, QByteArray &bytes, QString &why)
{
    bytes.clear();
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        why = QStringLiteral("not a regular file");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return false;
    }
    // The size is checked again while reading: the file may grow in between.
    if (file.size() > maxBytes) {
        why = QStringLiteral("larger than %1").arg(SizeText(maxBytes));
        return false;
    }
    bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        why = file.errorString();
        bytes.clear();
        return false;
    }
    if (bytes.size() > maxBytes) {
        why = QStringLiteral("larger than %1").arg(SizeText(maxBytes));
        bytes.clear();
        return false;
    }
    return true;
}

QString OutputProblem(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("no file name");
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return QStringLiteral("not a regular file");
    return QString();
}

bool WriteWhole(const QString &path, const QByteArray &bytes, QString &why, Access access)
{
    OutputFile output(path, access);
    if (!output.Open(why))
        return false;
    QFile file(output.TempPath());
    if (!file.open(QIODevice::WriteOnly)) {
        why = file.errorString();
        return false;
    }
    // A write cut short by a full disk reports the part it wrote, without an error.
    if (file.write(bytes) != bytes.size()) {
        why = WriteFailure(output.Target(), file.errorString());
        return false;
    }
    return FinishWrite(file, output.Target(), why) && output.Commit(why);
}

bool FinishWrite(QFile &file, const QString &target, QString &why)
{
    bool ok = file.flush() && file.error() == QFileDevice::NoError;
    const QString reason = file.errorString();
    file.close();
    ok = ok && file.error() == QFileDevice::NoError;
    if (!ok)
        why = WriteFailure(target, file.error() != QFileDevice::NoError ? file.errorString() : reason);
    return ok;
}

bool DiskFull(const QString &path)
{
    QFileInfo info(path);
    // The nearest folder that exists: a file that could not be made is not there to ask about.
    QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    while (!QFileInfo(folder).isDir() && folder.size() > 1)
        folder = QFileInfo(folder).absolutePath();
    struct statvfs disk {};
    if (::statvfs(QFile::encodeName(folder).constData(), &disk) != 0)
        return false;
    return qint64(disk.f_bavail) * qint64(disk.f_frsize) < 64 * 1024;
}

QString WriteFailure(const QString &path, const QString &systemReason)
{
    if (DiskFull(path))
        return QStringLiteral("the disk is full");
    if (systemReason.isEmpty() || systemReason == QLatin1String("Unknown error"))
        return QStringLiteral("the file could not be written completely");
    return systemReason;
}

bool MakePrivate(const QString &path)
{
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if ((info.st_mode & 077) == 0)
        return true;
    return info.st_uid == ::geteuid() && ::chmod(name.constData(), info.st_mode & 07700) == 0;
}

int RemoveStaleTemporaries(const QString &folder, const QStringList &suffixes, qint64 maxAgeSeconds)
{
    // QTemporaryFile's six placeholder characters are letters and digits.
    static const QRegularExpression pattern(QStringLiteral("^\\.(.+)\\.[A-Za-z0-9]{6}$"));
    const QDateTime limit = QDateTime::currentDateTimeUtc().addSecs(-maxAgeSeconds);
    int removed = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        const QRegularExpressionMatch match = pattern.match(entry.fileName());
        if (!match.hasMatch() || entry.lastModified().toUTC() >= limit)
            continue;
        const QString name = match.captured(1);
        const bool ours = std::any_of(suffixes.begin(), suffixes.end(), [&](const QString &suffix) {
            return name.endsWith(suffix, Qt::CaseInsensitive);
        });
        if (ours && QFile::remove(entry.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

OutputFile::OutputFile(const QString &target, Access access) : m_target(target), m_access(access) {}

OutputFile::~OutputFile()
{
    Discard();
}

bool OutputFile::Open(QString &why)
{
    Discard();
    why = OutputProblem(m_target);
    if (!why.isEmpty())
        return false;
    m_target = ResolvedTarget(m_target);
    const QFileInfo info(m_target);
    QTemporaryFile temp(info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() + QStringLiteral(".XXXXXX")));
    temp.setAutoRemove(false);
    if (!temp.open()) {
        why = temp.errorString();
        return false;
    }
    m_tempPath = temp.fileName();
    temp.close();
    return true;
}

bool OutputFile::Commit(QString &why)
{
    if (m_tempPath.isEmpty()) {
        why = QStringLiteral("nothing was written");
        return false;
    }
    // Checked again: something else may have been put under the name meanwhile.
    why = OutputProblem(m_target);
    if (!why.isEmpty()) {
        Discard();
        return false;
    }
    // The mode is taken from the file itself: QFileInfo's permissions mix in what the running user
    // may do, which for root would make a read-only file writable.
    const QByteArray temp = QFile::encodeName(m_tempPath);
    struct stat existing {};
    mode_t mode = 0644;
    const bool replacing = ::stat(QFile::encodeName(m_target).constData(), &existing) == 0;
    if (replacing) {
        mode = existing.st_mode & 07777;
        // The owner is kept where the process may give it (root, or the owner's own run); where it
        // may not, the file becomes the running user's. The mode is set after: a change of owner
        // clears the set-id bits.
        if ((existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) &&
            ::chown(temp.constData(), existing.st_uid, existing.st_gid) != 0) {
        }
    }
    if (m_access == Access::Private)
        mode = replacing ? (mode & 07700) : 0600;
    ::chmod(temp.constData(), mode);
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(m_tempPath.toStdU16String()),
                            std::filesystem::path(m_target.toStdU16String()), error);
    if (error) {
        why = QString::fromLocal8Bit(error.message());
        Discard();
        return false;
    }
    m_tempPath.clear();
    return true;
}

void OutputFile::Discard()
{
    if (!m_tempPath.isEmpty())
        QFile::remove(m_tempPath);
    m_tempPath.clear();
}

} // namespace SafeFile

#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

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

bool WriteWhole(const QString &path, const QByteArray &bytes, QString &why)
{
    why = OutputProblem(path);
    if (!why.isEmpty())
        return false;
    QSaveFile file(ResolvedTarget(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        why = file.errorString();
        return false;
    }
    return true;
}

OutputFile::OutputFile(const QString &target) : m_target(target) {}

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
    const QFileInfo existing(m_target);
    const QFileDevice::Permissions permissions =
        existing.exists() ? existing.permissions()
                          : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(m_tempPath, permissions);
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

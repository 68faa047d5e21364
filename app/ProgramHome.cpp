#include "app/ProgramHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const char *const kSeededMark = ".seeded";

// Copies the files of `from` that `to` lacks, folders included, leaving out files named `skip`.
bool CopyMissing(const QString &from, const QString &to, QString *error, const QString &skip = QString())
{
    if (!QDir().mkpath(to)) {
        *error = QStringLiteral("cannot make the folder %1").arg(to);
        return false;
    }
    const QDir source(from);
    for (const QFileInfo &entry : source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + u'/' + entry.fileName();
        if (entry.fileName() == skip)
            continue;
        if (entry.isDir()) {
            if (!CopyMissing(entry.filePath(), target, error))
                return false;
            continue;
        }
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        QFile file(entry.filePath());
        if (!file.copy(target)) {
            *error = QStringLiteral("cannot copy %1 to %2: %3").arg(entry.filePath(), target, file.errorString());
            return false;
        }
        // Packaged files are read-only; the user's copies are theirs to change.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
    }
    return true;
}
} // namespace

QString PackagedData(const QString &appDir)
{
    if (QFileInfo(appDir + QStringLiteral("/config")).isDir())
        return QString();
    const QDir bin(appDir);
    if (bin.dirName() != QLatin1String("bin"))
        return QString();
    const QString data = QDir::cleanPath(appDir + QStringLiteral("/../share/waybill"));
    return QFileInfo(data + QStringLiteral("/config")).isDir() ? data : QString();
}

QString UserProgramHome()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/waybill"));
}

bool SeedProgramHome(const QString &from, const QString &to, QString *error)
{
    if (QFileInfo::exists(to + u'/' + QLatin1String(kSeededMark)))
        return true;
    if (QFileInfo(to).exists() && !QFileInfo(to).isDir()) {
        *error = QStringLiteral("%1 is a file, not a folder").arg(to);
        return false;
    }
    for (const char *part : {"config", "template", "orders"}) {
        const QString name = QLatin1String(part);
        if (!QFileInfo(from + u'/' + name).isDir())
            continue;
        // The font table is built into the program; a copy here would hold back a newer one.
        const QString skip = name == QLatin1String("config") ? QStringLiteral("fonts.ini") : QString();
        if (!CopyMissing(from + u'/' + name, to + u'/' + name, error, skip))
            return false;
    }
    QFile mark(to + u'/' + QLatin1String(kSeededMark));
    if (!mark.open(QIODevice::WriteOnly) || mark.write(QByteArray("seeded from ") + from.toUtf8() + '\n') < 0) {
        *error = QStringLiteral("cannot write %1: %2").arg(mark.fileName(), mark.errorString());
        return false;
    }
    return true;
}

QString FindProgramHome(const QString &home, QString *error)
{
    QString folder = home;
    if (folder.isEmpty())
        folder = qEnvironmentVariable("TAVREL_HOME");
    QString message;
    if (!folder.isEmpty()) {
        if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir())
            message = QStringLiteral("the program folder %1 is a file, not a folder").arg(folder);
    } else {
        const QString appDir = QCoreApplication::applicationDirPath();
        const QString packaged = PackagedData(appDir);
        if (packaged.isEmpty()) {
            folder = appDir;
        } else {
            folder = UserProgramHome();
            QString why;
            if (!SeedProgramHome(packaged, folder, &why))
                message = QStringLiteral("the program folder %1 could not be set up: %2").arg(folder, why);
        }
    }
    if (error)
        *error = message;
    return QDir(folder).absolutePath();
}

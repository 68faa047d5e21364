#include "app/FunctionPAK.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QStringList ListSubDirs(const QString &folder)
{
    QStringList result;
    const QDir dir(folder);
    if (!dir.exists())
        return result;
    const QFileInfoList entries = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        const QString path = folder + entry.fileName();
        if (QFileInfo(path).isDir())
            result << path;
    }
    return result;
}

QStringList SplitString(const QString &text, const QString &separator)
{
    QStringList parts;
    if (text.isEmpty())
        return parts;
    if (separator.isEmpty())
        return {text};
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(separator, from)) >= 0; from = at + separator.size())
        parts << text.mid(from, at - from);
    parts << text.mid(from);
    return parts;
}

bool DeleteDirTree(const QString &folder)
{
    // A folder that is itself a link goes as the link: what it points to lies outside the folder
    // being deleted.
    QString path = folder;
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    const QFileInfo self(path);
    if (self.isSymLink() || self.isJunction())
        return QFile::remove(path) || QDir().rmdir(path);
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        const QString entryPath = entry.absoluteFilePath();
        if (entry.isSymLink()) {
            // A link goes as a link, whether it points to a file, a folder or nowhere.
            if (!QFile::remove(entryPath))
                break;
        } else if (entry.isDir()) {
            QFile::setPermissions(entryPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            if (!DeleteDirTree(entryPath))
                break;
        } else {
            QFile::setPermissions(entryPath, QFile::ReadOwner | QFile::WriteOwner);
            if (!QFile::remove(entryPath))
                break;
        }
    }
    return QDir().rmdir(folder);
}

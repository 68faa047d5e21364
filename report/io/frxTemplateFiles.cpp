#include "report/io/frxTemplateFiles.h"

#include "platform/ConfinedFile.h"
#include "report/model/frxReport.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace {
QMutex g_treeLock;
QString g_tree;
} // namespace

void frxSetTemplateTree(const QString &folder)
{
    QMutexLocker lock(&g_treeLock);
    g_tree = folder;
}

QString frxTemplateTree()
{
    QMutexLocker lock(&g_treeLock);
    return g_tree;
}

QStringList frxTemplateFolders(const TfrxReport *report)
{
    QStringList folders;
    if (report && !report->FileName().isEmpty())
        folders << QFileInfo(report->FileName()).absolutePath();
    if (const QString tree = frxTemplateTree(); !tree.isEmpty())
        folders << tree;
    return folders;
}

bool frxReadTemplateFile(const TfrxReport *report, const QString &name, qint64 maxBytes, QByteArray &bytes,
                         QString &why, QString *found)
{
    return ConfinedFile::Read(name, frxTemplateFolders(report), maxBytes, bytes, why, found);
}

QString frxLinkedLayoutProblem(const QString &fileName)
{
    if (fileName.isEmpty() || !ConfinedFile::LeavesItsFolder(fileName))
        return QString();
    return QStringLiteral("\"%1\" is a link to a file outside its folder; it is neither read nor written")
        .arg(QDir::toNativeSeparators(fileName));
}

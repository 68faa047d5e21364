#pragma once
// The files a layout reaches by name (script units of a uses clause, pictures of a FileLink,
// ancestor layouts) are taken only from the layout's own folder and the program's template tree:
// a layout may come from a stranger, and must not read or probe anything else on the disk. See
// platform/ConfinedFile.h for how names are resolved.

#include <QByteArray>
#include <QString>
#include <QStringList>

class TfrxReport;

// The program's template tree (the folder of all template folders); empty (the default) when
// there is none. The program sets it once its home folder is known.
void frxSetTemplateTree(const QString &folder);
QString frxTemplateTree();

// The folders the files a report names may come from: the folder of its layout file (when it was
// loaded from or saved to one) and the template tree.
QStringList frxTemplateFolders(const TfrxReport *report);

// The largest script unit and the largest picture a layout may name.
constexpr qint64 frxMaxUnitBytes = 4 * 1024 * 1024;
constexpr qint64 frxMaxLinkedPictureBytes = 64 * 1024 * 1024;

// Reads a file the report names from its folders (see ConfinedFile::Read). False with the reason in
// why; names outside the folders all get the same reason, existing or not.
bool frxReadTemplateFile(const TfrxReport *report, const QString &name, qint64 maxBytes, QByteArray &bytes,
                         QString &why, QString *found = nullptr);

// The message for a layout file that is a link leading out of its folder (empty when it is not):
// such a file is neither read nor written.
QString frxLinkedLayoutProblem(const QString &fileName);

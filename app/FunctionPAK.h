#pragma once
// Folder and string helpers of the waybill application.

#include <QString>
#include <QStringList>

// Full paths (folder + name) of the sub-folders of `folder`, which ends with a separator. Hidden
// folders and plain files are left out; a missing folder gives an empty list. Sorted by name
// without regard to case, the order in which the desktop's own file system lists them.
QStringList ListSubDirs(const QString &folder);

// Splits at every occurrence of the separator: "a|b|" gives a, b and an empty string; an empty
// text gives an empty list.
QStringList SplitString(const QString &text, const QString &separator);

// Deletes the folder and everything in it, read-only entries included. A symbolic link (the folder
// itself or an entry in it) is removed as a link; what it points to is never touched. Stops at the first entry that cannot be deleted
// and returns whether the folder itself is gone.
bool DeleteDirTree(const QString &folder);

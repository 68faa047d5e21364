#pragma once
// Files that a layout names (script units, pictures, ancestor layouts) and the files of a template
// folder, taken only from inside the folders they belong to. A layout or a template folder may come
// from a stranger: a name is followed through every link, and what it leads to must lie inside one
// of the folders and be a regular file of a sane size. The file is opened without waiting (a pipe or
// a device is never opened at all, and would not block if it appeared in between). Whatever lies
// outside the folders gets one and the same message whether it exists or not, so that a layout
// cannot probe the disk through its errors.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ConfinedFile {

// Where a path leads: every link followed, also a last link whose target does not exist (writing
// to it would create that target); absolute, without "." and ".." parts. Empty when the links go
// round in circles.
QString RealPath(const QString &path);

// Whether a path (made absolute, links followed) lies inside folder or is the folder itself.
bool Inside(const QString &path, const QString &folder);

// Whether the file at path is a link (direct or through a linked sub-folder) that leads out of the
// folder it sits in. A path that is no link, or a link to a file of the same folder, is fine.
bool LeavesItsFolder(const QString &path);

// Reads the whole regular file at path, of at most maxBytes, without following a pipe or a device:
// false with the reason in why ("not a regular file", "larger than 1 MB", the system's reason).
bool ReadRegular(const QString &path, qint64 maxBytes, QByteArray &bytes, QString &why);

// Finds name (absolute, or relative to each folder in turn; "\" counts as "/") inside one of the
// folders and reads it as ReadRegular does. False with why set; a name that leads to no file inside
// the folders (missing, or anywhere outside them) gets OutsideReason. On success found holds the
// real path read.
bool Read(const QString &name, const QStringList &folders, qint64 maxBytes, QByteArray &bytes, QString &why,
          QString *found = nullptr);

// "not a file of the template's folder"
QString OutsideReason();

} // namespace ConfinedFile

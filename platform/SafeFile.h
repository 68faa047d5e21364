#pragma once
// Files read and written whole, guarded against what is not a file. Reading takes only regular files
// up to a size the caller names: a device or a pipe would be read forever, and a file far larger than
// any real one would only exhaust the memory. Writing never replaces anything but a regular file (a
// device, a pipe or a folder under the name stays as it was), and goes to a temporary file beside
// the target that takes the target's name only once it is complete, so that a run that fails or is
// interrupted leaves the previous file untouched.

#include <QByteArray>
#include <QString>
#include <QStringList>

class QFile;

namespace SafeFile {

constexpr qint64 MB = 1024 * 1024;

// The whole content of a regular file of at most maxBytes. False with the reason in why ("not a
// regular file", "larger than 200 MB", or the system's reason) when it cannot be read.
bool ReadRegularFile(const QString &path, qint64 maxBytes, QByteArray &bytes, QString &why);

// Why an output cannot be written under path ("not a regular file"), or an empty text when the name
// is new or names a regular file.
QString OutputProblem(const QString &path);

// Who may read a file that is written: Keep gives a replaced file the mode (and, where the process
// may, the owner) of the file it replaces, and a new file mode 0644; Private takes every right of the
// group and the others away (mode 0600 for a new file), for files holding a password or buyers'
// names and addresses.
enum class Access { Keep, Private };

// Writes bytes as the whole new content of path (see OutputFile). False with the reason in why.
bool WriteWhole(const QString &path, const QByteArray &bytes, QString &why, Access access = Access::Keep);

// The reason to give for a write under path that failed with the system's reason: when the disk
// that holds path has no room left, "the disk is full" (the system's own text for a full disk is
// often lost on the way, leaving "Unknown error").
QString WriteFailure(const QString &path, const QString &systemReason);
// Flushes and closes a file written for target; false with the reason (see WriteFailure) when any
// of its writes failed. (A close alone would forget an earlier failed write.)
bool FinishWrite(QFile &file, const QString &target, QString &why);
// Whether the file system holding path (a file or a folder) has less than a few kilobytes left.
bool DiskFull(const QString &path);

// Takes the rights of the group and the others away from an existing file of the process's own
// user. False when they could not be taken.
bool MakePrivate(const QString &path);

// Removes the temporary files an OutputFile of this program left in folder (a run killed outright)
// that are older than maxAgeSeconds: hidden names ".<name>.XXXXXX" whose <name> ends with one of
// the suffixes (".pdf", ".csv", ...). Returns how many were removed.
int RemoveStaleTemporaries(const QString &folder, const QStringList &suffixes, qint64 maxAgeSeconds);

// A temporary file beside the target, for writers that need a file name (the PDF writer). Commit
// gives it the target's name; without a commit the destructor removes it.
class OutputFile {
public:
    explicit OutputFile(const QString &target, Access access = Access::Keep);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // False with the reason in why when the target is not a regular file or no temporary file can
    // be made beside it.
    bool Open(QString &why);
    const QString &TempPath() const { return m_tempPath; }
    const QString &Target() const { return m_target; }
    // Replaces the target with the temporary file, with the target's mode and owner (see Access).
    bool Commit(QString &why);
    // Removes the temporary file; the target stays as it was.
    void Discard();

private:
    QString m_target;
    QString m_tempPath;
    Access m_access;
};

} // namespace SafeFile

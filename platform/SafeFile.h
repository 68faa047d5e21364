#pragma once
// Files read and written whole, guarded against what is not a file. Reading takes only regular files
// up to a size the caller names: a device or a pipe would be read forever, and a file far larger than
// any real one would only exhaust the memory. Writing never replaces anything but a regular file (a
// device, a pipe or a folder under the name stays as it was), and goes to a temporary file beside
// the target that takes the target's name only once it is complete, so that a run that fails or is
// interrupted leaves the previous file untouched.

#include <QByteArray>
#include <QString>

namespace SafeFile {

constexpr qint64 MB = 1024 * 1024;

// The whole content of a regular file of at most maxBytes. False with the reason in why ("not a
// regular file", "larger than 200 MB", or the system's reason) when it cannot be read.
bool ReadRegularFile(const QString &path, qint64 maxBytes, QByteArray &bytes, QString &why);

// Why an output cannot be written under path ("not a regular file"), or an empty text when the name
// is new or names a regular file.
QString OutputProblem(const QString &path);

// Writes bytes as the whole new content of path (see OutputFile). False with the reason in why.
bool WriteWhole(const QString &path, const QByteArray &bytes, QString &why);

// A temporary file beside the target, for writers that need a file name (the PDF writer). Commit
// gives it the target's name; without a commit the destructor removes it.
class OutputFile {
public:
    explicit OutputFile(const QString &target);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // False with the reason in why when the target is not a regular file or no temporary file can
    // be made beside it.
    bool Open(QString &why);
    const QString &TempPath() const { return m_tempPath; }
    const QString &Target() const { return m_target; }
    // Replaces the target with the temporary file, keeping the target's permissions.
    bool Commit(QString &why);
    // Removes the temporary file; the target stays as it was.
    void Discard();

private:
    QString m_target;
    QString m_tempPath;
};

} // namespace SafeFile

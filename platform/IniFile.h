#pragma once
// Settings files of sections in square brackets and key=value lines, read and written the way the
// desktop's profile-string calls do: names match without regard to case, values are read up to
// 2047 characters, a write changes only the one line it concerns and keeps the file's encoding.

#include "platform/CodePage.h"
#include "platform/Exception.h"

#include <QHash>
#include <QStringList>

class IniFile {
public:
    explicit IniFile(const QString &fileName);

    const QString &FileName() const { return m_fileName; }

    // The value, with blanks around it and one pair of enclosing quotes removed; the default when
    // the file, the section or the key is missing.
    QString ReadString(const QString &section, const QString &key, const QString &defaultValue) const;
    // Decimal with an optional sign, or "0x" hexadecimal when the value is longer than two
    // characters; anything else gives the default.
    int ReadInteger(const QString &section, const QString &key, int defaultValue) const;
    // Keys of a section in file order; empty when the section is missing.
    QStringList ReadSection(const QString &section) const;
    // Every key of a section with its value as ReadString gives it, keys case-folded (the first
    // line of a key wins, as in ReadString); one pass over the file, however many keys it holds.
    QHash<QString, QString> ReadSectionValues(const QString &section) const;
    QStringList ReadSections() const;
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;

    // Updates the key in place, appends it to its section, or appends the section; every other line
    // stays as it was. Raises EFileError "Unable to write to <file>" when the file cannot be written;
    // the file is then unchanged.
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    // Several keys of one section in one write: either all of them reach the file or none.
    void WriteStrings(const QString &section, const QList<QPair<QString, QString>> &values);

    // Why a file that exists could not be read (not a regular file, too large, not text); empty when
    // it was read or does not exist. Such a file reads as empty.
    QString Problem() const;

    // Parses an integer the way ReadInteger does.
    static bool ParseInteger(const QString &text, int *value);

    static constexpr int MaxValueLength = 2047;
    // Settings files are a few kilobytes; anything past this is not one.
    static constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

private:
    void Load() const;
    int FindSection(const QString &section) const;   // line index of the header, or -1
    int FindKey(int sectionLine, const QString &key, int *insertAfter) const;

    QString m_fileName;
    mutable bool m_loaded = false;
    mutable QStringList m_lines;
    mutable TextEncoding m_encoding = TextEncoding::Legacy;
    mutable QString m_lineEnd = QStringLiteral("\r\n");
    mutable QString m_problem;
};

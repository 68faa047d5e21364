#include "platform/IniFile.h"

#include "platform/SafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace {

bool IsSectionHeader(const QString &line, QString *name)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    *name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
    return true;
}

bool SplitKeyLine(const QString &line, QString *key, QString *value)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    if (value) {
        QString v = line.mid(eq + 1).trimmed();
        if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\''))
            && v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        *value = v;
    }
    return true;
}

} // namespace

IniFile::IniFile(const QString &fileName) : m_fileName(fileName) {}

void IniFile::Load() const
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_lines.clear();
    m_problem.clear();
    if (!QFileInfo::exists(m_fileName))
        return;   // a missing file reads as empty: every value is its default
    // So does one that cannot be read, with the reason kept for the caller to tell.
    QByteArray bytes;
    QString why;
    if (!SafeFile::ReadRegularFile(m_fileName, MaxFileBytes, bytes, why)) {
        m_problem = why;
        return;
    }
    const QString kind = BinaryKind(bytes);
    if (!kind.isEmpty()) {
        m_problem = QStringLiteral("not a text file (%1)").arg(kind);
        return;
    }
    const QString text = DecodeText(bytes, &m_encoding);
    m_lineEnd = text.contains(QLatin1String("\r\n")) || !text.contains(QLatin1Char('\n'))
                    ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_lines = normal.split(QLatin1Char('\n'));
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

int IniFile::FindSection(const QString &section) const
{
    Load();
    QString name;
    for (int i = 0; i < m_lines.size(); ++i) {
        if (IsSectionHeader(m_lines[i], &name) && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int IniFile::FindKey(int sectionLine, const QString &key, int *insertAfter) const
{
    QString name, k;
    int last = sectionLine;
    for (int i = sectionLine + 1; i < m_lines.size(); ++i) {
        if (IsSectionHeader(m_lines[i], &name))
            break;
        if (!m_lines[i].trimmed().isEmpty())
            last = i;
        if (SplitKeyLine(m_lines[i], &k, nullptr) && k.compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    if (insertAfter)
        *insertAfter = last;
    return -1;
}

QString IniFile::ReadString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const int s = FindSection(section);
    if (s < 0)
        return defaultValue;
    const int line = FindKey(s, key, nullptr);
    if (line < 0)
        return defaultValue;
    QString k, v;
    SplitKeyLine(m_lines[line], &k, &v);
    return v.left(MaxValueLength);
}

bool IniFile::ParseInteger(const QString &text, int *value)
{
    const QString t = text.trimmed();
    bool ok = false;
    qlonglong n;
    if (t.size() > 2 && (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X")))) {
        n = t.mid(2).toLongLong(&ok, 16);
        // Hexadecimal spells a 32-bit pattern: 0xFFFFFFFF is -1.
        if (ok && n >= 0 && n <= 0xFFFFFFFFLL) {
            *value = int(quint32(n));
            return true;
        }
        return false;
    }
    n = t.toLongLong(&ok, 10);
    if (!ok || n < INT_MIN || n > INT_MAX)
        return false;
    *value = int(n);
    return true;
}

int IniFile::ReadInteger(const QString &section, const QString &key, int defaultValue) const
{
    int value;
    return ParseInteger(ReadString(section, key, QString()), &value) ? value : defaultValue;
}

QStringList IniFile::ReadSection(const QString &section) const
{
    QStringList keys;
    const int s = FindSection(section);
    if (s < 0)
        return keys;
    QString name, k;
    for (int i = s + 1; i < m_lines.size() && !IsSectionHeader(m_lines[i], &name); ++i) {
        if (SplitKeyLine(m_lines[i], &k, nullptr))
            keys << k;
    }
    return keys;
}

QHash<QString, QString> IniFile::ReadSectionValues(const QString &section) const
{
    QHash<QString, QString> values;
    const int s = FindSection(section);
    if (s < 0)
        return values;
    QString name, k, v;
    for (int i = s + 1; i < m_lines.size() && !IsSectionHeader(m_lines[i], &name); ++i) {
        if (SplitKeyLine(m_lines[i], &k, &v)) {
            const QString folded = k.toCaseFolded();
            if (!values.contains(folded))
                values.insert(folded, v.left(MaxValueLength));
        }
    }
    return values;
}

QString IniFile::Problem() const
{
    Load();
    return m_problem;
}

QStringList IniFile::ReadSections() const
{
    Load();
    QStringList sections;
    QString name;
    for (const QString &line : std::as_const(m_lines)) {
        if (IsSectionHeader(line, &name))
            sections << name;
    }
    return sections;
}

bool IniFile::SectionExists(const QString &section) const { return FindSection(section) >= 0; }

bool IniFile::ValueExists(const QString &section, const QString &key) const
{
    const int s = FindSection(section);
    return s >= 0 && FindKey(s, key, nullptr) >= 0;
}

void IniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    WriteStrings(section, {{key, value}});
}

void IniFile::WriteStrings(const QString &section, const QList<QPair<QString, QString>> &values)
{
    Load();
    const QStringList before = m_lines;
    for (const auto &[key, value] : values) {
        const QString entry = key.trimmed() + QLatin1Char('=') + value;
        const int s = FindSection(section);
        if (s < 0) {
            m_lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
            continue;
        }
        int insertAfter = s;
        const int line = FindKey(s, key, &insertAfter);
        if (line >= 0)
            m_lines[line] = entry;
        else
            m_lines.insert(insertAfter + 1, entry);
    }
    QStringList lines = m_lines;
    m_lines = before;

    // A device or a pipe under the name is never replaced by a file.
    if (!SafeFile::OutputProblem(m_fileName).isEmpty())
        throw EFileError(QStringLiteral("Unable to write to %1").arg(m_fileName));
    QFile existing(m_fileName);
    const bool isNew = !existing.exists();
    const TextEncoding encoding = isNew ? TextEncoding::Legacy : m_encoding;
    const QByteArray bytes = EncodeText(lines.join(m_lineEnd) + m_lineEnd, encoding);
    // A settings file that holds a password is for its owner's eyes only.
    static const QRegularExpression password(QStringLiteral("^\\s*password\\s*=\\s*\\S"),
                                             QRegularExpression::CaseInsensitiveOption);
    const bool holdsPassword =
        std::any_of(lines.cbegin(), lines.cend(), [](const QString &line) { return password.match(line).hasMatch(); });
    QString why;
    if (!SafeFile::WriteWhole(m_fileName, bytes, why,
                              holdsPassword ? SafeFile::Access::Private : SafeFile::Access::Keep)) {
        // Where no temporary file can be made beside it (a read-only folder with a writable file),
        // write in place.
        if (isNew || QFileInfo(QFileInfo(m_fileName).absolutePath()).isWritable())
            throw EFileError(QStringLiteral("Unable to write to %1").arg(m_fileName));
        QSaveFile out(m_fileName);
        out.setDirectWriteFallback(true);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            throw EFileError(QStringLiteral("Unable to write to %1").arg(m_fileName));
        if (holdsPassword)
            SafeFile::MakePrivate(m_fileName);
    }
    m_lines = lines;
    m_encoding = encoding;
}

void IniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

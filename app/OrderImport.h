#pragma once
// Reading the marketplace's order export: encoding, records, fields, and OrderRows.

#include "app/Hashtable.h"

#include <QString>
#include <QStringList>
#include <vector>

// Cuts decoded text into records and each record into fields. A record is a line (ended by CR LF,
// LF or CR; a break after the last line adds none; an empty line is a record without fields),
// except that a quoted field keeps a line break inside its quotes. A quote that is never closed
// runs to the end of its line.
class OrderTextReader {
public:
    explicit OrderTextReader(QStringView text) : m_text(text) {}
    bool AtEnd() const { return m_pos >= m_text.size(); }
    // Reads the next record; calls field(QStringView) for each field. Fields whose text differs
    // from the file (quoted ones) are built in a scratch buffer, so views are valid only during
    // the call.
    template <typename FieldSink>
    void ReadRecord(FieldSink &&field);

private:
    bool AtLineEnd(qsizetype i) const
    {
        return i >= m_text.size() || m_text[i] == QLatin1Char('\n') || m_text[i] == QLatin1Char('\r');
    }
    void SkipLineBreak();
    qsizetype LineEnd(qsizetype from) const;

    QStringView m_text;
    qsizetype m_pos = 0;
    QString m_scratch;
};

// Splits one record's text into fields (used for a single line; see OrderTextReader).
QStringList SplitOrderLine(QStringView line);

// Rows of decoded export text: the first record is the header and is skipped; field i of a record
// goes under "C" + i for i up to columnCount.
std::vector<THashTable> ParseOrderText(QStringView text, int columnCount);

// Replaces OrderRows with the rows of the file. A file that cannot be opened or read raises
// EFileError naming the file and the reason, and OrderRows stays as it was. warnings receives what
// the seller should know about a file that was read (bytes that were not UTF-8, by line).
void ImportOrders(const QString &path, QStringList *warnings = nullptr);

// The largest order export read: a marketplace export of a busy year is a few hundred megabytes.
constexpr qint64 MaxOrderFileBytes = qint64(1024) * 1024 * 1024;
// The bytes of an order export, after the checks that come before any record: order columns are
// configured, the file is a regular file of at most MaxOrderFileBytes, and it is text. Raises
// EFileError saying which check failed.
QByteArray ReadOrderFile(const QString &path);
// The warning for bytes of a UTF-8 export that were not UTF-8, with their line numbers.
QString BadBytesWarning(const QString &path, const QList<int> &lines);

// ---- implementation of the template ----

template <typename FieldSink>
void OrderTextReader::ReadRecord(FieldSink &&field)
{
    if (AtLineEnd(m_pos)) {   // an empty line: a record without fields
        SkipLineBreak();
        return;
    }
    const qsizetype size = m_text.size();
    while (true) {
        if (m_text[m_pos] == QLatin1Char('"')) {
            m_scratch.clear();
            qsizetype i = m_pos + 1;
            bool closed = false;
            while (i < size) {
                const QChar c = m_text[i];
                if (c == QLatin1Char('"')) {
                    if (i + 1 < size && m_text[i + 1] == QLatin1Char('"')) {
                        m_scratch += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                m_scratch += c;
                ++i;
            }
            if (closed) {
                field(QStringView(m_scratch));
                m_pos = i + 1;
            } else {
                // No closing quote anywhere after it: the field is the rest of its own line.
                const qsizetype end = LineEnd(m_pos + 1);
                m_scratch.clear();
                for (qsizetype k = m_pos + 1; k < end; ++k) {
                    m_scratch += m_text[k];
                    if (m_text[k] == QLatin1Char('"') && k + 1 < end && m_text[k + 1] == QLatin1Char('"'))
                        ++k;
                }
                field(QStringView(m_scratch));
                m_pos = end;
            }
        } else {
            qsizetype i = m_pos;
            while (i < size) {
                const QChar c = m_text[i];
                if (c == QLatin1Char(',') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                    break;
                ++i;
            }
            field(m_text.sliced(m_pos, i - m_pos));
            m_pos = i;
        }
        if (AtLineEnd(m_pos))
            break;
        if (m_text[m_pos] == QLatin1Char(',')) {
            ++m_pos;
            if (AtLineEnd(m_pos)) {   // a comma that ends the line leaves one more empty field
                field(QStringView());
                break;
            }
        }
        // Any other character after a closing quote starts the next field without a comma.
    }
    SkipLineBreak();
}

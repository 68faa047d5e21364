#pragma once
// Reading the marketplace's order export: encoding, records, fields, and OrderRows.

#include "app/Hashtable.h"

#include <QString>
#include <QStringList>
#include <vector>

// Cuts decoded text into records and each record into fields. A record is a line (ended by CR LF,
// LF or CR; a break after the last line adds none; an empty line is a record without fields),
// except that a well-formed quoted field keeps a line break inside its quotes. A quoted field that
// is not closed properly ends at its line end, so a stray quote never swallows the orders after it.
class OrderTextReader {
public:
    explicit OrderTextReader(QStringView text) : m_text(text) {}
    bool AtEnd() const { return m_pos >= m_text.size(); }
    // Reads the next record; calls field(QStringView) for each field. Fields whose text differs
    // from the file (quoted ones) are built in a scratch buffer, so views are valid only during
    // the call.
    template <typename FieldSink>
    void ReadRecord(FieldSink &&field);
    // Lines (1-based, of the text) on which a quoted field was not closed properly and was cut at
    // the line end.
    const QList<int> &UnclosedLines() const { return m_unclosedLines; }

private:
    bool AtLineEnd(qsizetype i) const
    {
        return i >= m_text.size() || m_text[i] == QLatin1Char('\n') || m_text[i] == QLatin1Char('\r');
    }
    void SkipLineBreak();
    qsizetype LineEnd(qsizetype from) const;
    // Where the quoted field whose opening quote is at `open` ends: at the first quote that is not
    // half of a doubled quote and is followed by a comma, a line end or the end of the text (its
    // index is returned). A field without such an end, or one that runs past a line end only to
    // meet a stray quote, is cut at its first line end (returned, with *cut set).
    qsizetype QuotedFieldEnd(qsizetype open, bool *cut) const;

    QStringView m_text;
    qsizetype m_pos = 0;
    QString m_scratch;
    int m_line = 1;
    QList<int> m_unclosedLines;
};

// Splits one record's text into fields (used for a single line; see OrderTextReader).
QStringList SplitOrderLine(QStringView line);

// Rows of decoded export text: the first record is the header and is skipped; field i of a record
// goes under "C" + i for i up to columnCount.
// The lines whose quoted fields were cut go to *unclosedLines when given.
std::vector<THashTable> ParseOrderText(QStringView text, int columnCount, QList<int> *unclosedLines = nullptr);

// Replaces OrderRows with the rows of the file. A file that cannot be opened or read raises
// EFileError naming the file and the reason, and OrderRows stays as it was. warnings receives what
// the seller should know about a file that was read (bytes that were not UTF-8, by line);
// unclosedLines receives the lines whose quotes were not closed properly.
void ImportOrders(const QString &path, QStringList *warnings = nullptr, QList<int> *unclosedLines = nullptr);
// The warning naming the lines whose quotes were not closed properly.
QString UnclosedQuoteWarning(const QList<int> &lines);

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
            bool cut = false;
            const qsizetype end = QuotedFieldEnd(m_pos, &cut);
            m_scratch.clear();
            for (qsizetype k = m_pos + 1; k < end; ++k) {
                const QChar c = m_text[k];
                m_scratch += c;
                if (c == QLatin1Char('"') && k + 1 < end && m_text[k + 1] == QLatin1Char('"'))
                    ++k;
                else if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && !(k + 1 < end && m_text[k + 1] == QLatin1Char('\n'))))
                    ++m_line;   // a line break inside a well-formed quoted field
            }
            field(QStringView(m_scratch));
            if (cut)
                m_unclosedLines.append(m_line);
            m_pos = cut ? end : end + 1;
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

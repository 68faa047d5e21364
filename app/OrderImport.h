#pragma once
// Reading the marketplace's order export: encoding, lines, fields, the header, and OrderRows.

#include "app/Hashtable.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// Splits one line into fields: commas separate them; a field that begins with a double quote runs
// to the next single double quote (a doubled quote inside stands for one quote, the closing quote
// is dropped) and text after the closing quote starts the next field; a quote that is not closed
// on the line runs to its end. An empty line has no fields. Returns whether a quote was left open.
// Fields that differ from the line's text (quoted ones) are built in `scratch`, so the views are
// valid only during the call of `field`.
template <typename FieldSink>
bool SplitOrderLine(QStringView line, QString &scratch, FieldSink &&field);
QStringList SplitOrderLine(QStringView line);

// How the header line of an export stands to the configured order columns ([OrderColumn]).
struct TColumnMatch {
    enum Kind {
        NoNames,     // the header holds none of the names (a seller's own naming): columns by position
        AllNames,    // it holds every name: columns by name, wherever they stand
        SomeNames,   // some but not all: the seller decides
    };
    Kind Found = NoNames;
    QStringList Missing;        // configured names the header lacks
    QStringList Moved;          // configured names the header holds at another position, with both positions
    std::vector<int> FieldOf;   // for each configured column the 0-based header field of its name, or -1
    // What differs, in Chinese, for the seller.
    QString Text() const;
};
// Compares the header's fields with the configured names (blanks around either do not count; a
// column without a name takes no part and keeps its position).
TColumnMatch MatchHeader(const QStringList &header, const QStringList &names);

enum class TColumnChoice { ByName, ByPosition, Cancel };
// Asked when a header holds some but not all of the configured names.
using TColumnChooser = std::function<TColumnChoice(const TColumnMatch &)>;

// What an import did.
struct TOrderImport {
    size_t Orders = 0;          // rows made
    int BlankLines = 0;         // lines skipped: blank, only blanks and separators, or only undecodable bytes
    QStringList Warnings;       // bytes that were not UTF-8, by line
    QList<int> UnclosedLines;   // lines whose quote was not closed (1-based, of the file)
    TColumnMatch Columns;
    bool ByName = false;        // columns were taken by the header's names
    bool Cancelled = false;     // the seller cancelled at the question; OrderRows stays as it was
    // "读入 N 条订单" and, when lines were skipped, "，跳过 M 个空行".
    QString Summary() const;
};

// Turns decoded text, fed in pieces that end at line breaks (any piece may end mid-line; the
// rest waits for the next), into order rows: the first line is the header, every further line
// that holds something is a row whose cell of configured column j goes under "C" + j.
class TOrderParser {
public:
    TOrderParser(const QStringList &columnNames, TOrderImport &report, const TColumnChooser &choose);
    // False once the seller cancelled at the header.
    bool Feed(QStringView text);
    void Finish();
    std::vector<THashTable> &Rows() { return m_rows; }

private:
    bool Line(QStringView line);
    bool Header(QStringView line);

    QStringList m_names;
    TOrderImport &m_report;
    TColumnChooser m_choose;
    std::vector<quint32> m_keys;   // the key numbers of "C1" … "Cn"
    std::vector<int> m_fieldOf;    // the field each configured column takes (by position: its own)
    std::vector<THashTable> m_rows;
    bool m_header = true;
    bool m_cancelled = false;
    bool m_afterCr = false;        // the last piece ended in CR: a LF that follows is part of that break
    int m_line = 0;
    QString m_pending;             // the start of a line the last piece did not finish
    QString m_scratch;
    QString m_quoted;              // the text of the line's quoted fields, one after another
    struct Field {
        bool Quoted;               // in m_quoted, else in the line
        qsizetype Start, Size;
    };
    std::vector<Field> m_fields;
};

// Rows of decoded export text, columns by position (tests, fuzzing). Lines whose quotes were left
// open go to *unclosedLines, the number of lines skipped as blank to *blankLines.
std::vector<THashTable> ParseOrderText(QStringView text, int columnCount, QList<int> *unclosedLines = nullptr,
                                       int *blankLines = nullptr);

// Replaces OrderRows with the rows of the file. A file that cannot be opened or read, or is no
// order export, raises EFileError naming the file and the reason, and OrderRows stays as it was.
// A header that holds some but not all configured names asks `choose`; without one the import is
// refused with EFileError listing them.
TOrderImport ImportOrders(const QString &path, const TColumnChooser &choose = {});
// The warning naming the lines whose quotes were not closed properly.
QString UnclosedQuoteWarning(const QList<int> &lines);

// The largest order export read: a marketplace export of a busy year is a few hundred megabytes.
constexpr qint64 MaxOrderFileBytes = qint64(1024) * 1024 * 1024;
// The warning for bytes of a UTF-8 export that were not UTF-8, with their line numbers.
QString BadBytesWarning(const QString &path, const QList<int> &lines);

// ---- implementation of the template ----

template <typename FieldSink>
bool SplitOrderLine(QStringView line, QString &scratch, FieldSink &&field)
{
    const qsizetype n = line.size();
    qsizetype pos = 0;
    bool open = false;
    while (pos < n) {
        if (line[pos] == QLatin1Char('"')) {
            scratch.clear();
            qsizetype i = pos + 1;
            bool closed = false;
            while (i < n) {
                const qsizetype q = line.indexOf(QLatin1Char('"'), i);
                if (q < 0) {
                    scratch.append(line.sliced(i));
                    i = n;
                    break;
                }
                scratch.append(line.sliced(i, q - i));
                if (q + 1 < n && line[q + 1] == QLatin1Char('"')) {   // a doubled quote stands for one
                    scratch.append(QLatin1Char('"'));
                    i = q + 2;
                    continue;
                }
                closed = true;
                i = q + 1;
                break;
            }
            open = open || !closed;
            field(QStringView(scratch));
            pos = i;
        } else {
            qsizetype i = line.indexOf(QLatin1Char(','), pos);
            if (i < 0)
                i = n;
            field(line.sliced(pos, i - pos));
            pos = i;
        }
        if (pos >= n)
            break;
        if (line[pos] == QLatin1Char(',')) {
            ++pos;
            if (pos >= n) {   // a comma that ends the line leaves one more empty field
                field(QStringView());
                break;
            }
        }
        // Any other character after a closing quote starts the next field without a comma.
    }
    return open;
}

#include "app/OrderImport.h"

#include "app/TemplateClS.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A line holds nothing when its fields hold only blanks and characters that could not be decoded.
bool Empty(QStringView text)
{
    for (QChar c : text)
        if (!c.isSpace() && c != QChar(0xFFFD))
            return false;
    return true;
}

// The first names of a list, and how many there are when not all are shown (a column removed near
// the front moves every column after it).
QString Names(const QStringList &names, int shown)
{
    QString text = names.mid(0, shown).join(QStringLiteral("、"));
    if (names.size() > shown)
        text += QStringLiteral(" 等共 %1 列").arg(names.size());
    return text;
}

} // namespace

QStringList SplitOrderLine(QStringView line)
{
    QStringList fields;
    QString scratch;
    SplitOrderLine(line, scratch, [&](QStringView f) { fields << f.toString(); });
    return fields;
}

// ---- the header ---------------------------------------------------------------------------------

TColumnMatch MatchHeader(const QStringList &header, const QStringList &names)
{
    TColumnMatch match;
    match.FieldOf.assign(size_t(names.size()), -1);
    int named = 0, found = 0;
    for (int j = 0; j < names.size(); ++j) {
        const QString name = names[j].trimmed();
        if (name.isEmpty()) {
            match.FieldOf[size_t(j)] = j;
            continue;
        }
        ++named;
        int at = -1;
        for (int f = 0; f < header.size(); ++f) {
            if (QStringView(header[f]).trimmed() == name) {
                at = f;
                break;
            }
        }
        match.FieldOf[size_t(j)] = at;
        if (at < 0) {
            match.Missing << name;
            continue;
        }
        ++found;
        if (at != j)
            match.Moved << QStringLiteral("%1 (表头第 %2 列，设置为第 %3 列)").arg(name).arg(at + 1).arg(j + 1);
    }
    match.Found = found == 0 ? TColumnMatch::NoNames : found == named ? TColumnMatch::AllNames : TColumnMatch::SomeNames;
    return match;
}

QString TColumnMatch::Text() const
{
    QString text = QStringLiteral("订单文件的表头与设置的订单列 ([OrderColumn]) 不一致:");
    if (!Missing.isEmpty())
        text += QStringLiteral("\n缺少: ") + Names(Missing, 20);
    if (!Moved.isEmpty())
        text += QStringLiteral("\n位置不同: ") + Names(Moved, 5);
    return text;
}

QString TOrderImport::Summary() const
{
    QString text = QStringLiteral("读入 %1 条订单").arg(Orders);
    if (BlankLines > 0)
        text += QStringLiteral("，跳过 %1 个空行").arg(BlankLines);
    return text;
}

// ---- lines into rows ----------------------------------------------------------------------------

TOrderParser::TOrderParser(const QStringList &columnNames, TOrderImport &report, const TColumnChooser &choose)
    : m_names(columnNames), m_report(report), m_choose(choose)
{
    for (int j = 1; j <= columnNames.size(); ++j) {
        m_keys.push_back(THashTable::KeyId(QStringLiteral("C%1").arg(j)));
        m_fieldOf.push_back(j - 1);
    }
}

bool TOrderParser::Feed(QStringView text)
{
    qsizetype pos = 0;
    const qsizetype n = text.size();
    if (m_afterCr && n > 0) {
        m_afterCr = false;
        if (text[0] == QLatin1Char('\n'))
            pos = 1;
    }
    while (pos < n && !m_cancelled) {
        qsizetype end = pos;
        while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
            ++end;
        if (end >= n) {   // the line goes on in the next piece
            m_pending.append(text.sliced(pos));
            break;
        }
        if (m_pending.isEmpty()) {
            Line(text.sliced(pos, end - pos));
        } else {
            m_pending.append(text.sliced(pos, end - pos));
            Line(m_pending);
            m_pending.clear();
        }
        if (text[end] == QLatin1Char('\r')) {
            if (end + 1 < n) {
                if (text[end + 1] == QLatin1Char('\n'))
                    ++end;
            } else {
                m_afterCr = true;
            }
        }
        pos = end + 1;
    }
    return !m_cancelled;
}

void TOrderParser::Finish()
{
    // A line break after the last line adds no line.
    if (!m_pending.isEmpty() && !m_cancelled)
        Line(m_pending);
    m_pending.clear();
    m_pending.squeeze();
}

bool TOrderParser::Header(QStringView line)
{
    m_header = false;
    bool anyName = false;
    for (const QString &name : std::as_const(m_names))
        anyName = anyName || !name.trimmed().isEmpty();
    if (!anyName)
        return true;
    const TColumnMatch match = MatchHeader(SplitOrderLine(line), m_names);
    m_report.Columns = match;
    TColumnChoice choice = TColumnChoice::ByPosition;
    if (match.Found == TColumnMatch::AllNames) {
        choice = TColumnChoice::ByName;
    } else if (match.Found == TColumnMatch::SomeNames) {
        if (!m_choose)
            throw EFileError(match.Text());
        choice = m_choose(match);
    }
    if (choice == TColumnChoice::Cancel) {
        m_cancelled = m_report.Cancelled = true;
        return false;
    }
    if (choice == TColumnChoice::ByName) {
        m_fieldOf = match.FieldOf;
        m_report.ByName = true;
    }
    return true;
}

bool TOrderParser::Line(QStringView line)
{
    ++m_line;
    if (m_header)
        return Header(line);
    m_fields.clear();
    m_quoted.clear();
    const bool open = SplitOrderLine(line, m_scratch, [&](QStringView f) {
        if (f.data() == m_scratch.constData() && !f.isEmpty()) {
            m_fields.push_back(Field{true, m_quoted.size(), f.size()});
            m_quoted.append(f);
        } else {
            m_fields.push_back(Field{false, f.isEmpty() ? 0 : f.data() - line.data(), f.size()});
        }
    });
    auto text = [&](const Field &f) {
        return f.Quoted ? QStringView(m_quoted).sliced(f.Start, f.Size) : line.sliced(f.Start, f.Size);
    };
    bool empty = true;
    for (const Field &f : m_fields) {
        if (!Empty(text(f))) {
            empty = false;
            break;
        }
    }
    if (empty) {   // not an order: a blank line, separators only, or bytes that were not text
        ++m_report.BlankLines;
        return true;
    }
    if (open)
        m_report.UnclosedLines.append(m_line);
    THashTable row(256);
    int cells = 0;
    qsizetype bytes = 0;
    for (int field : m_fieldOf) {
        if (field >= 0 && size_t(field) < m_fields.size()) {
            ++cells;
            bytes += THashTable::ValueBytes(text(m_fields[size_t(field)]));
        }
    }
    row.Reserve(cells, bytes);
    for (size_t j = 0; j < m_fieldOf.size(); ++j) {
        const int field = m_fieldOf[j];
        if (field >= 0 && size_t(field) < m_fields.size())
            row.PutValue(m_keys[j], text(m_fields[size_t(field)]));
    }
    m_rows.push_back(std::move(row));
    m_report.Orders = m_rows.size();
    return true;
}

std::vector<THashTable> ParseOrderText(QStringView text, int columnCount, QList<int> *unclosedLines, int *blankLines)
{
    TOrderImport report;
    TOrderParser parser(QStringList(qMax(0, columnCount)), report, {});
    parser.Feed(text);
    parser.Finish();
    if (unclosedLines)
        *unclosedLines = report.UnclosedLines;
    if (blankLines)
        *blankLines = report.BlankLines;
    return std::move(parser.Rows());
}

// ---- the file -----------------------------------------------------------------------------------

namespace {

// Where the last line break of `bytes` ends (0 when there is none), for text in units of
// `unit` bytes (1, 2 or 4), the break character at byte `at` of its unit and zero bytes elsewhere.
qsizetype AfterLastLineBreak(QByteArrayView bytes, int unit, int at)
{
    for (qsizetype u = (bytes.size() / unit - 1) * unit; u >= 0; u -= unit) {
        const char c = bytes[u + at];
        if (c != '\n' && c != '\r')
            continue;
        bool zeros = true;
        for (int k = 0; k < unit; ++k)
            zeros = zeros && (k == at || bytes[u + k] == '\0');
        if (zeros)
            return u + unit;
    }
    return 0;
}

} // namespace

TOrderImport ImportOrders(const QString &path, const TColumnChooser &choose)
{
    if (OrderColumns.isEmpty())
        throw EFileError(QStringLiteral("没有配置订单列: %1 的 [OrderColumn] 中没有 C_1 … (设置文件缺失或损坏)")
                             .arg(QDir::toNativeSeparators(PrinterIniPath())));
    auto cannotRead = [&](const QString &why) {
        return EFileError(QStringLiteral("无法读取订单文件 %1\n%2").arg(path, why));
    };
    // One open file for both readings: the file cannot change from under the first one.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw cannotRead(QStringLiteral("not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw cannotRead(file.errorString());
    const qint64 size = file.size();
    if (size > MaxOrderFileBytes)
        throw cannotRead(QStringLiteral("larger than %1 MB").arg(MaxOrderFileBytes / (1024 * 1024)));

    // First reading, the whole file: what it is, its encoding, its bad bytes, its lines.
    TOrderImport report;
    TextEncoding encoding = TextEncoding::Legacy;
    qsizetype bom = 0, lines = -1, total = 0;
    {
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        const qint64 got = size ? file.read(bytes.data(), size) : 0;
        if (got < 0)
            throw cannotRead(file.errorString());
        bytes.truncate(qsizetype(got));
        total = bytes.size();
        const QString kind = BinaryKind(bytes);
        if (!kind.isEmpty())
            throw EFileError(QStringLiteral("订单文件 %1 不是文本文件 (%2)").arg(path, kind));
        encoding = DetectEncoding(bytes);
        bom = ByteOrderMarkSize(bytes, encoding);
        if (encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8Bom) {
            const QList<int> bad = BadUtf8Lines(QByteArrayView(bytes).sliced(bom));
            if (!bad.isEmpty())
                report.Warnings << BadBytesWarning(path, bad);
        }
        if (encoding == TextEncoding::Legacy || encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8Bom)
            lines = bytes.count('\n') + 1;
    }

    // Second reading, piece by piece: each piece is decoded and cut into rows up to its last line
    // break, so the file's bytes and its whole text are never held at once.
    QStringList names;
    for (const TColumn &c : std::as_const(OrderColumns))
        names << c.ColName;
    TOrderParser parser(names, report, choose);
    // Room for every line as an order, unless the lines are so short (blank ones) that it would
    // cost more than the file.
    if (lines > 0)
        parser.Rows().reserve(size_t(std::min<qint64>(lines, total / qint64(sizeof(THashTable)))));
    int unit = 1, at = 0;
    switch (encoding) {
    case TextEncoding::Utf16LE: unit = 2; break;
    case TextEncoding::Utf16BE: unit = 2; at = 1; break;
    case TextEncoding::Utf32LE: unit = 4; break;
    case TextEncoding::Utf32BE: unit = 4; at = 3; break;
    default: break;
    }
    constexpr qsizetype Piece = 4 * 1024 * 1024;
    if (!file.seek(bom))
        throw cannotRead(file.errorString());
    qsizetype left = total - bom;
    QByteArray buffer;
    while (left > 0 || !buffer.isEmpty()) {
        const qsizetype kept = buffer.size();
        const qsizetype want = std::min(Piece, left);
        if (want > 0) {
            buffer.resize(kept + want);
            const qint64 got = file.read(buffer.data() + kept, want);
            if (got < 0)
                throw cannotRead(file.errorString());
            buffer.truncate(kept + qsizetype(got));
            left = got == 0 ? 0 : left - qsizetype(got);
        }
        // Until the last piece only what ends in a line break is decoded; the rest waits.
        const qsizetype end = left > 0 ? AfterLastLineBreak(buffer, unit, at) : buffer.size();
        if (end == 0)
            continue;
        if (!parser.Feed(DecodeBody(QByteArrayView(buffer).first(end), encoding)))
            return report;   // cancelled: OrderRows stays
        buffer.remove(0, end);
    }
    parser.Finish();
    if (report.Cancelled)
        return report;
    OrderRows.swap(parser.Rows());
    report.Orders = OrderRows.size();
    return report;
}

QString BadBytesWarning(const QString &path, const QList<int> &lines)
{
    QStringList numbers;
    for (int i = 0; i < lines.size() && i < 20; ++i)
        numbers << QString::number(lines[i]);
    if (lines.size() > 20)
        numbers << QStringLiteral("…");
    return QStringLiteral("订单文件 %1 中有无效的 UTF-8 字节 (已替换为 \uFFFD), 行: %2")
        .arg(path, numbers.join(QLatin1String(", ")));
}

QString UnclosedQuoteWarning(const QList<int> &lines)
{
    QStringList numbers;
    for (int i = 0; i < lines.size() && i < 20; ++i)
        numbers << QString::number(lines[i]);
    QString list = numbers.join(QStringLiteral("、"));
    if (lines.size() > 20)
        list += QStringLiteral(" 等共 %1").arg(lines.size());
    return QStringLiteral("第 %1 行的引号没有正确结束，这些字段已在行末截断，请核对这些订单。").arg(list);
}

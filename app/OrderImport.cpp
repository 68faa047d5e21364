#include "app/OrderImport.h"

#include "app/TemplateClS.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/SafeFile.h"

#include <QDir>

void OrderTextReader::SkipLineBreak()
{
    if (m_pos >= m_text.size())
        return;
    if (m_text[m_pos] == QLatin1Char('\r')) {
        ++m_pos;
        ++m_line;
        if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('\n'))
            ++m_pos;
    } else if (m_text[m_pos] == QLatin1Char('\n')) {
        ++m_pos;
        ++m_line;
    }
}

qsizetype OrderTextReader::QuotedFieldEnd(qsizetype open, bool *cut) const
{
    // A real field holds a few line breaks at most; looking further ahead for an end would make a
    // file full of broken quotes slow to read.
    const int maxLineBreaks = 1000;
    const qsizetype size = m_text.size();
    qsizetype firstLineEnd = -1;
    int lineBreaks = 0;
    bool strayQuote = false;
    *cut = false;
    for (qsizetype i = open + 1; i < size; ++i) {
        const QChar c = m_text[i];
        if (c == QLatin1Char('"')) {
            if (i + 1 < size && m_text[i + 1] == QLatin1Char('"')) {
                ++i;   // a doubled quote stands for one quote
                continue;
            }
            if (AtLineEnd(i + 1) || m_text[i + 1] == QLatin1Char(','))
                return i;
            // A stray quote shows the field was not written by the rules: it may not reach past
            // its line.
            if (firstLineEnd >= 0)
                break;
            strayQuote = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (firstLineEnd < 0)
                firstLineEnd = i;
            if (strayQuote || ++lineBreaks > maxLineBreaks)
                break;
        }
    }
    *cut = true;
    return firstLineEnd >= 0 ? firstLineEnd : size;
}

qsizetype OrderTextReader::LineEnd(qsizetype from) const
{
    qsizetype i = from;
    while (!AtLineEnd(i))
        ++i;
    return i;
}

QStringList SplitOrderLine(QStringView line)
{
    QStringList fields;
    OrderTextReader reader(line);
    if (!reader.AtEnd())
        reader.ReadRecord([&](QStringView f) { fields << f.toString(); });
    return fields;
}

std::vector<THashTable> ParseOrderText(QStringView text, int columnCount, QList<int> *unclosedLines)
{
    std::vector<THashTable> rows;
    OrderTextReader reader(text);
    if (reader.AtEnd())
        return rows;
    reader.ReadRecord([](QStringView) {});   // the header line is not examined

    // The keys and their hashes are the same for every row: make them once.
    const THashTable probe(256);
    QStringList keys;
    std::vector<quint32> hashes;
    for (int i = 1; i <= columnCount; ++i) {
        keys << QStringLiteral("C%1").arg(i);
        hashes.push_back(probe.HashKey(keys.last()));
    }
    while (!reader.AtEnd()) {
        THashTable row(256);
        int index = 0;
        reader.ReadRecord([&](QStringView f) {
            if (index < columnCount) {
                row.PutValue(keys[index], hashes[size_t(index)], f);
                ++index;
            }
        });
        row.Squeeze();
        rows.push_back(std::move(row));
    }
    if (unclosedLines)
        *unclosedLines = reader.UnclosedLines();
    return rows;
}

void ImportOrders(const QString &path, QStringList *warnings, QList<int> *unclosedLines)
{
    QByteArray bytes = ReadOrderFile(path);
    QList<int> badLines;
    QString text = DecodeText(bytes, nullptr, &badLines);
    bytes = QByteArray();   // the decoded text is all that is needed from here on
    if (warnings) {
        warnings->clear();
        if (!badLines.isEmpty())
            warnings->append(BadBytesWarning(path, badLines));
    }
    std::vector<THashTable> rows = ParseOrderText(text, int(OrderColumns.size()), unclosedLines);
    OrderRows.swap(rows);
}

// ---- what is read before any record -------------------------------------------------------------

QByteArray ReadOrderFile(const QString &path)
{
    if (OrderColumns.isEmpty())
        throw EFileError(QStringLiteral("没有配置订单列: %1 的 [OrderColumn] 中没有 C_1 … (设置文件缺失或损坏)")
                             .arg(QDir::toNativeSeparators(PrinterIniPath())));
    QByteArray bytes;
    QString why;
    if (!SafeFile::ReadRegularFile(path, MaxOrderFileBytes, bytes, why))
        throw EFileError(QStringLiteral("无法读取订单文件 %1\n%2").arg(path, why));
    const QString kind = BinaryKind(bytes);
    if (!kind.isEmpty())
        throw EFileError(QStringLiteral("订单文件 %1 不是文本文件 (%2)").arg(path, kind));
    return bytes;
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

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
        if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('\n'))
            ++m_pos;
    } else if (m_text[m_pos] == QLatin1Char('\n')) {
        ++m_pos;
    }
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

std::vector<THashTable> ParseOrderText(QStringView text, int columnCount)
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
    return rows;
}

void ImportOrders(const QString &path, QStringList *warnings)
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
    std::vector<THashTable> rows = ParseOrderText(text, int(OrderColumns.size()));
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

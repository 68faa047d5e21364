#include "app/OrderImport.h"

#include "app/TemplateClS.h"
#include "platform/CodePage.h"
#include "platform/Exception.h"

#include <QFile>

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

void ImportOrders(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("无法打开订单文件 %1\n%2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(QStringLiteral("无法读取订单文件 %1\n%2").arg(path, file.errorString()));
    file.close();
    QString text = DecodeText(bytes);
    bytes = QByteArray();   // the decoded text is all that is needed from here on
    std::vector<THashTable> rows = ParseOrderText(text, int(OrderColumns.size()));
    OrderRows.swap(rows);
}

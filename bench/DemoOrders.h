// Order exports for the print benchmarks: the demo orders repeated to any length.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// An order export of `rows` lines made by repeating the demo orders (header kept, GB18030 as the
// marketplace writes it). WAYBILL_DATA names the data folder of the source tree.
inline bool WriteDemoOrders(const QString &path, int rows)
{
    QFile demo(QStringLiteral(WAYBILL_DATA "/orders/demo-orders.csv"));
    if (!demo.open(QIODevice::ReadOnly))
        return false;
    QList<QByteArray> lines = demo.readAll().split('\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.size() < 2)
        return false;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(lines[0] + '\n');
    for (int i = 0; i < rows; ++i)
        out.write(lines[1 + i % (lines.size() - 1)] + '\n');
    return true;
}

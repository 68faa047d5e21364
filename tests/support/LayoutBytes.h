// Layouts written to and read from memory, for the suites that compare layout bytes.
#pragma once

#include "report/io/frxSerializeReport.h"
#include "report/model/frxReport.h"

#include <QBuffer>
#include <QByteArray>

namespace LayoutBytes {

inline QByteArray Save(TfrxReport &report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    frxSaveToStream(report, &buffer);
    return buffer.data();
}

inline void Load(TfrxReport &report, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    frxLoadFromStream(report, &buffer);
}

} // namespace LayoutBytes

#include "report/io/frxPropData.h"

#include "platform/CodePage.h"
#include "report/model/frxPicture.h"
#include "script/variant/Variant.h"

#include <QtEndian>

#include <cmath>
#include <limits>

// ---- writing --------------------------------------------------------------------------------------

void TfrxValueWriter::PutInt32(qint32 value)
{
    char bytes[4];
    qToLittleEndian<qint32>(value, bytes);
    m_data.append(bytes, 4);
}

void TfrxValueWriter::WriteName(QStringView name)
{
    QByteArray bytes = name.toUtf8().left(255);
    m_data.append(char(bytes.size()));
    m_data.append(bytes);
}

void TfrxValueWriter::WriteInteger(qint64 value)
{
    if (value >= std::numeric_limits<qint8>::min() && value <= std::numeric_limits<qint8>::max()) {
        Put(TfrxValueType::Int8);
        m_data.append(char(qint8(value)));
    } else if (value >= std::numeric_limits<qint16>::min() && value <= std::numeric_limits<qint16>::max()) {
        Put(TfrxValueType::Int16);
        char bytes[2];
        qToLittleEndian<qint16>(qint16(value), bytes);
        m_data.append(bytes, 2);
    } else if (value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max()) {
        Put(TfrxValueType::Int32);
        PutInt32(qint32(value));
    } else {
        Put(TfrxValueType::Int64);
        char bytes[8];
        qToLittleEndian<qint64>(value, bytes);
        m_data.append(bytes, 8);
    }
}

void TfrxValueWriter::WriteString(const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    if (utf8.size() >= 2 * value.size()) {
        Put(TfrxValueType::WString);
        PutInt32(qint32(value.size()));
        for (QChar c : value) {
            char bytes[2];
            qToLittleEndian<quint16>(c.unicode(), bytes);
            m_data.append(bytes, 2);
        }
    } else if (utf8.size() != value.size()) { // some byte is 128 or above
        Put(TfrxValueType::Utf8String);
        PutInt32(qint32(utf8.size()));
        m_data.append(utf8);
    } else if (utf8.size() >= 256) {
        Put(TfrxValueType::LString);
        PutInt32(qint32(utf8.size()));
        m_data.append(utf8);
    } else {
        Put(TfrxValueType::String);
        m_data.append(char(utf8.size()));
        m_data.append(utf8);
    }
}

void TfrxValueWriter::WriteBinary(const QByteArray &bytes)
{
    Put(TfrxValueType::Binary);
    PutInt32(qint32(bytes.size()));
    m_data.append(bytes);
}

// ---- reading --------------------------------------------------------------------------------------

bool TfrxValueReader::Take(qsizetype count, const char *&data)
{
    if (count < 0 || count > m_data.size() - m_pos)
        return false;
    data = m_data.constData() + m_pos;
    m_pos += count;
    return true;
}

bool TfrxValueReader::TakeLength(quint32 &length)
{
    const char *p;
    if (!Take(4, p))
        return false;
    length = qFromLittleEndian<quint32>(p);
    // A length that runs past the data is a damaged stream, not a reason to allocate.
    return length <= quint64(m_data.size() - m_pos);
}

bool TfrxValueReader::PeekType(TfrxValueType &type) const
{
    if (AtEnd())
        return false;
    type = TfrxValueType(quint8(m_data[m_pos]));
    return true;
}

bool TfrxValueReader::Expect(TfrxValueType type)
{
    TfrxValueType next;
    if (!PeekType(next) || next != type)
        return false;
    ++m_pos;
    return true;
}

bool TfrxValueReader::NextIsListEnd()
{
    TfrxValueType next;
    if (PeekType(next) && next == TfrxValueType::Null) {
        ++m_pos;
        return true;
    }
    return false;
}

bool TfrxValueReader::ReadName(QString &name)
{
    const char *p;
    if (!Take(1, p))
        return false;
    const qsizetype length = quint8(*p);
    if (!Take(length, p))
        return false;
    name = QString::fromUtf8(p, length);
    return true;
}

bool TfrxValueReader::ReadInteger(qint64 &value)
{
    TfrxValueType type;
    const char *p;
    if (!PeekType(type))
        return false;
    ++m_pos;
    switch (type) {
    case TfrxValueType::Int8:
        if (!Take(1, p))
            return false;
        value = qint8(*p);
        return true;
    case TfrxValueType::Int16:
        if (!Take(2, p))
            return false;
        value = qFromLittleEndian<qint16>(p);
        return true;
    case TfrxValueType::Int32:
        if (!Take(4, p))
            return false;
        value = qFromLittleEndian<qint32>(p);
        return true;
    case TfrxValueType::Int64:
        if (!Take(8, p))
            return false;
        value = qFromLittleEndian<qint64>(p);
        return true;
    default:
        --m_pos;
        return false;
    }
}

static QString SingleByteText(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        if (quint8(data[i]) >= 0x80)
            return DecodeLegacy(data, size);
    return QString::fromLatin1(data, size);
}

bool TfrxValueReader::ReadString(QString &value)
{
    TfrxValueType type;
    const char *p;
    quint32 length = 0;
    if (!PeekType(type))
        return false;
    const qsizetype start = m_pos++;
    bool ok = false;
    switch (type) {
    case TfrxValueType::String:
        if (Take(1, p)) {
            length = quint8(*p);
            if ((ok = Take(length, p)))
                value = SingleByteText(p, length);
        }
        break;
    case TfrxValueType::LString:
        if (TakeLength(length) && (ok = Take(length, p)))
            value = SingleByteText(p, length);
        break;
    case TfrxValueType::Utf8String:
        if (TakeLength(length) && (ok = Take(length, p)))
            value = QString::fromUtf8(p, length);
        break;
    case TfrxValueType::WString:
        if (TakeLength(length) && length <= quint32(m_data.size() - m_pos) / 2 &&
            (ok = Take(2 * qsizetype(length), p))) {
            value.resize(length);
            for (quint32 i = 0; i < length; ++i)
                value[i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
        }
        break;
    default:
        break;
    }
    if (!ok)
        m_pos = start;
    return ok;
}

bool TfrxValueReader::ReadBinary(QByteArray &bytes)
{
    const qsizetype start = m_pos;
    quint32 length;
    const char *p;
    if (!Expect(TfrxValueType::Binary) || !TakeLength(length) || !Take(length, p)) {
        m_pos = start;
        return false;
    }
    if (m_pos == m_data.size()) {
        // The last value (a picture's data, mostly): hand over the buffer instead of copying
        // megabytes; the bytes before it are dropped in place.
        bytes = std::move(m_data);
        bytes.remove(0, bytes.size() - length);
        m_data = QByteArray();
        m_pos = 0;
        return true;
    }
    bytes = QByteArray(p, length);
    return true;
}

bool TfrxValueReader::ReadValueText(QString &text)
{
    TfrxValueType type;
    if (!PeekType(type))
        return false;
    const qsizetype start = m_pos;
    const char *p;
    auto fail = [&] {
        m_pos = start;
        return false;
    };
    auto floatText = [&](double value) {
        text = Variant::FloatToText(value);
        return true;
    };
    switch (type) {
    case TfrxValueType::Int8:
    case TfrxValueType::Int16:
    case TfrxValueType::Int32:
    case TfrxValueType::Int64: {
        qint64 number;
        if (!ReadInteger(number))
            return false;
        text = QString::number(number);
        return true;
    }
    case TfrxValueType::String:
    case TfrxValueType::LString:
    case TfrxValueType::WString:
    case TfrxValueType::Utf8String:
        return ReadString(text);
    case TfrxValueType::Ident: {
        ++m_pos;
        if (!Take(1, p))
            return fail();
        const qsizetype length = quint8(*p);
        if (!Take(length, p))
            return fail();
        text = QString::fromLatin1(p, length);
        return true;
    }
    case TfrxValueType::False:
    case TfrxValueType::True:
        ++m_pos;
        text = type == TfrxValueType::True ? QStringLiteral("True") : QStringLiteral("False");
        return true;
    case TfrxValueType::Nil:
        ++m_pos;
        text.clear();
        return true;
    case TfrxValueType::Set: {
        ++m_pos;
        QStringList members;
        for (;;) {
            if (!Take(1, p))
                return fail();
            const qsizetype length = quint8(*p);
            if (length == 0)
                break;
            if (!Take(length, p))
                return fail();
            members.append(QString::fromLatin1(p, length));
        }
        text = QLatin1Char('[') + members.join(QLatin1Char(',')) + QLatin1Char(']');
        return true;
    }
    case TfrxValueType::Extended: {
        ++m_pos;
        if (!Take(10, p))
            return fail();
        // 64-bit mantissa with its integer bit, 15-bit exponent biased by 16383, sign.
        const quint64 mantissa = qFromLittleEndian<quint64>(p);
        const quint16 top = qFromLittleEndian<quint16>(p + 8);
        const int exponent = top & 0x7FFF;
        double value = 0;
        if (exponent == 0x7FFF)
            value = mantissa << 1 ? std::numeric_limits<double>::quiet_NaN()
                                  : std::numeric_limits<double>::infinity();
        else if (mantissa != 0)
            value = std::ldexp(double(mantissa), exponent - 16383 - 63);
        return floatText(top & 0x8000 ? -value : value);
    }
    case TfrxValueType::Single: {
        ++m_pos;
        if (!Take(4, p))
            return fail();
        return floatText(qFromLittleEndian<float>(p));
    }
    case TfrxValueType::Double:
    case TfrxValueType::Date: {
        ++m_pos;
        if (!Take(8, p))
            return fail();
        return floatText(qFromLittleEndian<double>(p));
    }
    case TfrxValueType::Currency: {
        ++m_pos;
        if (!Take(8, p))
            return fail();
        return floatText(double(qFromLittleEndian<qint64>(p)) / 10000.0);
    }
    default:
        return false;
    }
}

bool TfrxValueReader::SkipCollection()
{
    // Items hold named values, which may be collections again: a few levels are real, more is a
    // damaged (or hostile) stream.
    if (m_nesting >= 8 || !Expect(TfrxValueType::Collection))
        return false;
    ++m_nesting;
    bool ok = true;
    while (ok && !NextIsListEnd()) {
        qint64 order;
        TfrxValueType type;
        if (PeekType(type) &&
            (type == TfrxValueType::Int8 || type == TfrxValueType::Int16 || type == TfrxValueType::Int32))
            ReadInteger(order);
        ok = ReadListBegin();
        while (ok && !NextIsListEnd()) {
            QString name;
            ok = ReadName(name) && SkipValue();
        }
    }
    --m_nesting;
    return ok;
}

bool TfrxValueReader::SkipValue()
{
    // Lists nest; count them instead of recursing, so a stream of nested list starts is harmless.
    qsizetype depth = 0;
    do {
        TfrxValueType type;
        if (!PeekType(type))
            return false;
        QString text;
        QByteArray bytes;
        qint64 number;
        switch (type) {
        case TfrxValueType::List:
            ++m_pos;
            ++depth;
            continue;
        case TfrxValueType::Collection:
            if (!SkipCollection())
                return false;
            break;
        case TfrxValueType::Null:
            if (depth == 0)
                return false;
            ++m_pos;
            --depth;
            continue;
        case TfrxValueType::Int8:
        case TfrxValueType::Int16:
        case TfrxValueType::Int32:
        case TfrxValueType::Int64:
            if (!ReadInteger(number))
                return false;
            break;
        case TfrxValueType::String:
        case TfrxValueType::LString:
        case TfrxValueType::WString:
        case TfrxValueType::Utf8String:
            if (!ReadString(text))
                return false;
            break;
        case TfrxValueType::Binary:
            if (!ReadBinary(bytes))
                return false;
            break;
        default:
            if (!ReadValueText(text))
                return false;
            break;
        }
    } while (depth > 0);
    return true;
}

// ---- hexadecimal ----------------------------------------------------------------------------------

QString frxBinToHex(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString hex(bytes.size() * 2, Qt::Uninitialized);
    QChar *out = hex.data();
    for (char byte : bytes) {
        const quint8 b = quint8(byte);
        *out++ = QLatin1Char(digits[b >> 4]);
        *out++ = QLatin1Char(digits[b & 15]);
    }
    return hex;
}

namespace {
// Value of each hexadecimal digit, -1 for other characters below 128.
struct HexTable {
    qint8 value[128];
    constexpr HexTable() : value()
    {
        for (int i = 0; i < 128; ++i)
            value[i] = -1;
        for (int i = 0; i < 10; ++i)
            value['0' + i] = qint8(i);
        for (int i = 0; i < 6; ++i) {
            value['A' + i] = qint8(10 + i);
            value['a' + i] = qint8(10 + i);
        }
    }
};
constexpr HexTable kHex;

inline int HexDigit(char16_t c)
{
    return c < 128 ? kHex.value[c] : -1;
}
} // namespace

QByteArray frxHexToBin(QStringView hex, bool *ok)
{
    // Pictures make these texts megabytes long: one table lookup per digit, no branches per byte
    // beyond the check for a bad digit.
    QByteArray bytes(hex.size() / 2, Qt::Uninitialized);
    const char16_t *in = hex.utf16();
    char *out = bytes.data();
    const qsizetype pairs = hex.size() / 2;
    qsizetype n = 0;
    bool good = hex.size() % 2 == 0;
    for (; n < pairs; ++n) {
        const int hi = HexDigit(in[2 * n]);
        const int lo = HexDigit(in[2 * n + 1]);
        if ((hi | lo) < 0) {
            good = false;
            break;
        }
        out[n] = char(hi << 4 | lo);
    }
    bytes.truncate(n);
    if (ok)
        *ok = good;
    return bytes;
}

// ---- pictures -------------------------------------------------------------------------------------

QByteArray frxPictureGraphicData(const TPicture &picture)
{
    if (picture.IsEmpty())
        return QByteArray();
    const QByteArray className = picture.GraphicClassName().toLatin1();
    const QByteArray &file = picture.Data();
    QByteArray data;
    data.reserve(1 + className.size() + 4 + file.size());
    data.append(char(className.size()));
    data.append(className);
    if (picture.IsStoredOnly()) {
        data.append(file); // as it was read, length or not
        return data;
    }
    // PNG images store their chunks directly; the other classes put the file's length first.
    if (picture.GraphicClassName() != QLatin1String("TPngImage")) {
        char length[4];
        qToLittleEndian<qint32>(qint32(file.size()), length);
        data.append(length, 4);
    }
    data.append(file);
    return data;
}

bool frxPictureFromGraphicData(QByteArray data, TPicture &picture, QString &className)
{
    if (data.isEmpty())
        return false;
    const qsizetype nameLength = quint8(data[0]);
    if (nameLength + 1 > data.size())
        return false;
    className = QString::fromLatin1(data.constData() + 1, nameLength);
    const qsizetype start = 1 + nameLength;
    const qsizetype rest = data.size() - start;

    // The file's place: after a length that matches, or right after the name. Only its first bytes
    // are looked at here, and the file is then cut out in place rather than copied.
    auto signatureAt = [&](qsizetype at) {
        return !TPicture::DetectClassName(
                    QByteArray::fromRawData(data.constData() + at, qMin<qsizetype>(8, data.size() - at)))
                    .isEmpty();
    };
    qsizetype from = -1, length = 0;
    if (rest >= 4) {
        const quint32 stored = qFromLittleEndian<quint32>(data.constData() + start);
        if (stored <= quint64(rest - 4) && signatureAt(start + 4)) {
            from = start + 4;
            length = stored;
        }
    }
    if (from < 0 && signatureAt(start)) {
        from = start;
        length = rest;
    }
    if (from < 0)
        return false;
    data.truncate(from + length);
    data.remove(0, from);
    TPicture loaded;
    if (!loaded.LoadFromData(data))
        return false;
    picture = loaded;
    return true;
}

QString frxPicturePropData(const TPicture &picture)
{
    if (picture.IsEmpty())
        return QString();
    TfrxValueWriter writer;
    writer.WriteName(u"Data");
    writer.WriteBinary(frxPictureGraphicData(picture));
    return frxBinToHex(writer.Data());
}

#include "platform/CodePage.h"

#include "platform/IconvLoop.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <mutex>

namespace {

struct Converters {
    QString name;
    bool usable = false;
};

const Converters &LegacyConverters()
{
    static const Converters converters = [] {
        Converters c;
        const QByteArray env = qgetenv("TAVREL_CODEPAGE").trimmed();
        c.name = env.isEmpty() ? QStringLiteral("GB18030") : QString::fromLatin1(env);
        iconv_t probe = iconv_open("UTF-16LE", c.name.toLatin1().constData());
        if (probe == reinterpret_cast<iconv_t>(-1)) {
            // An unknown code page name must not make every file unreadable.
            c.name = QStringLiteral("GB18030");
        } else {
            iconv_close(probe);
        }
        c.usable = true;
        return c;
    }();
    return converters;
}

// One converter per direction, reused: opening iconv is far dearer than converting a line.
class IconvPool {
public:
    IconvPool(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~IconvPool()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    iconv_t Get() const { return m_cd; }
    std::mutex Lock;

private:
    iconv_t m_cd;
};

IconvPool &Decoder()
{
    static IconvPool pool("UTF-16LE", LegacyConverters().name.toLatin1().constData());
    return pool;
}

IconvPool &Encoder()
{
    static IconvPool pool(LegacyConverters().name.toLatin1().constData(), "UTF-16LE");
    return pool;
}

} // namespace

QString LegacyCodePageName() { return LegacyConverters().name; }

bool IsValidUtf8(const char *data, qsizetype size)
{
    const auto *s = reinterpret_cast<const unsigned char *>(data);
    const auto *end = s + size;
    while (s < end) {
        // Fast path over ASCII, eight bytes at a time.
        while (end - s >= 8) {
            quint64 chunk;
            std::memcpy(&chunk, s, 8);
            if (chunk & 0x8080808080808080ULL)
                break;
            s += 8;
        }
        if (s >= end)
            break;
        const unsigned char c = *s;
        if (c < 0x80) {
            ++s;
            continue;
        }
        int extra;
        unsigned min;
        unsigned cp;
        if ((c & 0xE0) == 0xC0) { extra = 1; min = 0x80; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; min = 0x800; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; min = 0x10000; cp = c & 0x07; }
        else return false;
        if (end - s <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((s[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        s += extra + 1;
    }
    return true;
}

namespace {
// Short texts in GBK are often valid UTF-8 by accident: "圆通" (D4 B2 CD A8) reads as the
// Armenian and combining letters U+0532 U+0368. Such a misreading scatters two-byte characters
// over unrelated script blocks, or lands in blocks a seller's data never uses; real UTF-8 from a
// marketplace holds CJK, Latin and at most one other alphabet.
// The bytes are known to be valid UTF-8; only its two-byte characters (U+0080 … U+07FF) matter.
bool PlausibleUtf8(const QByteArray &bytes)
{
    int block = -1;
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i + 1 < n; ++i) {
        if ((s[i] & 0xE0) != 0xC0)
            continue;
        const unsigned u = ((s[i] & 0x1Fu) << 6) | (s[i + 1] & 0x3Fu);
        ++i;
        if (u < 0x100)
            continue;
        if ((u >= 0x250 && u < 0x370) || u >= 0x530)
            return false;   // IPA, modifiers, combining marks, Armenian … NKo
        if (block >= 0 && int(u >> 7) != block)
            return false;
        block = int(u >> 7);
    }
    return true;
}
} // namespace

namespace {
// UTF-16 without a byte-order mark: the ASCII characters of a CSV or INI file (commas, digits,
// line breaks) put a zero byte in every other place, always on the same side. Text in any 8-bit
// encoding has no zero bytes at all.
TextEncoding Utf16ByZeros(const QByteArray &bytes)
{
    if (bytes.size() < 4 || bytes.size() % 2 != 0)
        return TextEncoding::Legacy;
    const qsizetype n = std::min<qsizetype>(bytes.size(), 8192);
    qsizetype evenZeros = 0, oddZeros = 0;
    for (qsizetype i = 0; i + 1 < n; i += 2) {
        evenZeros += bytes[i] == '\0';
        oddZeros += bytes[i + 1] == '\0';
    }
    const qsizetype pairs = n / 2;
    if (oddZeros >= 2 && oddZeros * 5 >= pairs && evenZeros * 20 <= oddZeros)
        return TextEncoding::Utf16LE;
    if (evenZeros >= 2 && evenZeros * 5 >= pairs && oddZeros * 20 <= evenZeros)
        return TextEncoding::Utf16BE;
    return TextEncoding::Legacy;
}

// Walks bytes that are not all valid UTF-8: the number of well-formed multi-byte characters, of
// bytes that belong to none, and (when lines is given) the lines those bytes are on.
struct Utf8Tally {
    qsizetype Good = 0;
    qsizetype Bad = 0;
};

Utf8Tally TallyUtf8(QByteArrayView bytes, QList<int> *lines)
{
    Utf8Tally tally;
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    int line = 1;
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            line += c == '\n';
            ++i;
            continue;
        }
        int extra = -1;
        unsigned min = 0, cp = 0;
        if ((c & 0xE0) == 0xC0) { extra = 1; min = 0x80; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; min = 0x800; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; min = 0x10000; cp = c & 0x07; }
        bool ok = extra > 0 && n - i > extra;
        for (int k = 1; ok && k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        ok = ok && cp >= min && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (ok) {
            ++tally.Good;
            i += extra + 1;
            continue;
        }
        ++tally.Bad;
        if (lines && (lines->isEmpty() || lines->last() != line))
            lines->append(line);
        ++i;
    }
    return tally;
}

// Text that is UTF-8 but for a few bytes (a cut-off character, one damaged byte): the legacy code
// page would garble every other character of it. Legacy text read as UTF-8 is mostly bad bytes,
// with a well-formed pair here and there by accident (about one character in twelve).
bool MostlyUtf8(const QByteArray &bytes)
{
    const Utf8Tally tally = TallyUtf8(bytes, nullptr);
    return tally.Good >= 8 && tally.Bad * 4 <= tally.Good;
}
} // namespace

QString BinaryKind(const QByteArray &bytes)
{
    struct Signature {
        const char *Bytes;
        int Size;
        const char *Kind;
    };
    static const Signature signatures[] = {
        {"\x89PNG\r\n\x1A\n", 8, "a PNG picture"},
        {"\xFF\xD8\xFF", 3, "a JPEG picture"},
        {"GIF8", 4, "a GIF picture"},
        {"%PDF-", 5, "a PDF document"},
        {"PK\x03\x04", 4, "a ZIP archive or Office document"},
        {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8, "an Office document"},
        {"\x1F\x8B", 2, "a gzip archive"},
        {"Rar!\x1A\x07", 6, "a RAR archive"},
        {"7z\xBC\xAF\x27\x1C", 6, "a 7-Zip archive"},
        {"\x7F" "ELF", 4, "a program"},
    };
    for (const Signature &signature : signatures) {
        if (bytes.startsWith(QByteArrayView(signature.Bytes, signature.Size)))
            return QString::fromLatin1(signature.Kind);
    }
    // Byte-order marks say text (and decide the decoding, zero bytes or not); UTF-16 has zero
    // bytes of its own.
    if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")
        || bytes.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)) || Utf16ByZeros(bytes) != TextEncoding::Legacy)
        return QString();
    const QByteArrayView head = QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 8192));
    if (head.contains('\0'))
        return QStringLiteral("binary data with NUL bytes");
    // Control characters other than tabs, line and page breaks and escapes are rare in text.
    qsizetype controls = 0;
    for (char c : head) {
        const auto u = static_cast<unsigned char>(c);
        controls += u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f' && u != 0x1B;
    }
    if (controls * 20 > head.size())
        return QStringLiteral("binary data");
    return QString();
}

TextEncoding DetectEncoding(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8Bom;
    if (bytes.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        return TextEncoding::Utf32LE;
    if (bytes.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)))
        return TextEncoding::Utf32BE;
    if (bytes.startsWith("\xFF\xFE"))
        return TextEncoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return TextEncoding::Utf16BE;
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    const TextEncoding utf16 = Utf16ByZeros(bytes);
    if (utf16 != TextEncoding::Legacy)
        return utf16;
    if (ascii)
        return TextEncoding::Legacy;
    if (!IsValidUtf8(bytes.constData(), bytes.size()))
        return MostlyUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Legacy;
    if (PlausibleUtf8(bytes) || DecodeLegacy(bytes).contains(QChar(0xFFFD)))
        return TextEncoding::Utf8;
    return TextEncoding::Legacy;
}

qsizetype ByteOrderMarkSize(QByteArrayView bytes, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    case TextEncoding::Utf16LE:
        return bytes.startsWith("\xFF\xFE") ? 2 : 0;
    case TextEncoding::Utf16BE:
        return bytes.startsWith("\xFE\xFF") ? 2 : 0;
    case TextEncoding::Utf32LE:
        return bytes.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)) ? 4 : 0;
    case TextEncoding::Utf32BE:
        return bytes.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)) ? 4 : 0;
    case TextEncoding::Utf8:
    case TextEncoding::Legacy:
        break;
    }
    return 0;
}

QString DecodeBody(QByteArrayView body, TextEncoding encoding)
{
    // A piece of a body may begin with U+FEFF as text: it is kept, not taken for a mark.
    const auto flags = QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom;
    switch (encoding) {
    case TextEncoding::Utf8Bom:
    case TextEncoding::Utf8:
        return QString::fromUtf8(body);
    case TextEncoding::Utf16LE:
        return QStringDecoder(QStringDecoder::Utf16LE, flags).decode(body);
    case TextEncoding::Utf16BE:
        return QStringDecoder(QStringDecoder::Utf16BE, flags).decode(body);
    case TextEncoding::Utf32LE:
        return QStringDecoder(QStringDecoder::Utf32LE, flags).decode(body);
    case TextEncoding::Utf32BE:
        return QStringDecoder(QStringDecoder::Utf32BE, flags).decode(body);
    case TextEncoding::Legacy:
        break;
    }
    return DecodeLegacy(body.data(), body.size());
}

QList<int> BadUtf8Lines(QByteArrayView bytes)
{
    QList<int> lines;
    if (!IsValidUtf8(bytes.data(), bytes.size()))
        TallyUtf8(bytes, &lines);
    return lines;
}

QString DecodeText(const QByteArray &bytes, TextEncoding *detected, QList<int> *badLines)
{
    const TextEncoding encoding = DetectEncoding(bytes);
    if (detected)
        *detected = encoding;
    const QByteArrayView body = QByteArrayView(bytes).sliced(ByteOrderMarkSize(bytes, encoding));
    if (badLines)
        *badLines = encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8Bom ? BadUtf8Lines(body) : QList<int>();
    return DecodeBody(body, encoding);
}

QByteArray EncodeText(const QString &text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return text.toUtf8();
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Utf16LE: {
        QStringEncoder e(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        return e.encode(text);
    }
    case TextEncoding::Utf16BE: {
        QStringEncoder e(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
        return e.encode(text);
    }
    case TextEncoding::Utf32LE: {
        QStringEncoder e(QStringEncoder::Utf32LE, QStringEncoder::Flag::WriteBom);
        return e.encode(text);
    }
    case TextEncoding::Utf32BE: {
        QStringEncoder e(QStringEncoder::Utf32BE, QStringEncoder::Flag::WriteBom);
        return e.encode(text);
    }
    case TextEncoding::Legacy:
        break;
    }
    return EncodeLegacy(text);
}

QString DecodeLegacy(const char *data, qsizetype size)
{
    if (size <= 0)
        return QString();
    IconvPool &pool = Decoder();
    std::lock_guard<std::mutex> guard(pool.Lock);
    return IconvDecode(pool.Get(), data, size);
}

QByteArray EncodeLegacy(const QString &text)
{
    if (text.isEmpty())
        return QByteArray();
    IconvPool &pool = Encoder();
    std::lock_guard<std::mutex> guard(pool.Lock);
    return IconvEncode(pool.Get(), text);
}

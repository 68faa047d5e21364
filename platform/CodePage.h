#pragma once
// Text encodings of the files sellers bring: order exports and INI files written by other
// programs. A byte-order mark decides; without one, UTF-16 shows itself by the zero bytes of its
// ASCII characters, text that is UTF-8 but for a few bad bytes is UTF-8 (those bytes replaced), and
// anything else is the legacy code page (GB18030 unless TAVREL_CODEPAGE names another).

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

enum class TextEncoding {
    Legacy,     // the legacy code page; also what a plain ASCII file is taken to be
    Utf8,       // UTF-8 without a byte-order mark
    Utf8Bom,
    Utf16LE,    // with its byte-order mark, or recognised without one
    Utf16BE,
    Utf32LE,    // only with its byte-order mark
    Utf32BE,
};

// Name of the legacy code page as iconv knows it.
QString LegacyCodePageName();

// Whether the bytes are well-formed UTF-8 (overlong forms and surrogates are not).
bool IsValidUtf8(const char *data, qsizetype size);

// Decides the encoding of a file's bytes as described above. Bytes that are valid UTF-8 only by
// accident (GBK text whose UTF-8 reading scatters over unrelated alphabets) are legacy.
TextEncoding DetectEncoding(const QByteArray &bytes);

// Decodes a whole file's bytes; the byte-order mark is not part of the text. badLines receives the
// 1-based lines of a UTF-8 file that held bytes which are not UTF-8 (each shown as U+FFFD).
QString DecodeText(const QByteArray &bytes, TextEncoding *detected = nullptr, QList<int> *badLines = nullptr);

// The length of the byte-order mark the bytes begin with in the given encoding (0 for none).
qsizetype ByteOrderMarkSize(QByteArrayView bytes, TextEncoding encoding);
// Decodes bytes in a known encoding that hold no byte-order mark (a whole body, or a piece of one
// cut after a line break).
QString DecodeBody(QByteArrayView body, TextEncoding encoding);
// The 1-based lines of UTF-8 bytes that hold bytes which are not UTF-8 (empty for valid UTF-8).
QList<int> BadUtf8Lines(QByteArrayView bytes);

// What kind of file other than text the bytes begin like ("a PNG picture", "a ZIP archive or Office
// document", "binary data with NUL bytes"), judged by the signature and the first kilobytes; an
// empty text for text.
QString BinaryKind(const QByteArray &bytes);

// Encodes text for a file in the given encoding, with the byte-order mark where it has one.
QByteArray EncodeText(const QString &text, TextEncoding encoding);

// Legacy code page conversions. Bytes that do not decode become U+FFFD; characters the code page
// cannot hold become "?".
QString DecodeLegacy(const char *data, qsizetype size);
inline QString DecodeLegacy(const QByteArray &bytes) { return DecodeLegacy(bytes.constData(), bytes.size()); }
QByteArray EncodeLegacy(const QString &text);

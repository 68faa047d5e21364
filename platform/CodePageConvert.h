#pragma once
// Conversions between text and the bytes of a named code page ("CP1252", "CP936", "SHIFT_JIS", ...),
// for fonts whose character set names a code page of its own. Names are those iconv knows; the name
// "SYMBOL" is the symbol code page, whose bytes 0x20 to 0xFF stand for U+F020 to U+F0FF.

#include <QByteArray>
#include <QString>

// Whether a converter for the code page exists on this system.
bool IsCodePageAvailable(const QString &codePage);

// Bytes that do not decode become U+FFFD; characters the code page cannot hold become "?". An
// unknown code page leaves the text as Latin-1 bytes (decoding) or "?" for anything beyond it.
QString DecodeCodePage(const QByteArray &bytes, const QString &codePage);
QByteArray EncodeCodePage(const QString &text, const QString &codePage);

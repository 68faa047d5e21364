#pragma once
// The conversion loops over an open iconv converter, shared by the legacy code page (CodePage.h)
// and the named code pages of fonts (CodePageConvert.h). The caller owns the converter and holds
// whatever lock guards it; each call starts from the converter's initial state.

#include <QByteArray>
#include <QString>

#include <iconv.h>

// Bytes to text; a sequence that does not decode (invalid or truncated) becomes one U+FFFD and
// decoding goes on after its first byte.
QString IconvDecode(iconv_t cd, const char *data, qsizetype size);
// Text to bytes; a character the code page cannot hold (or a lone surrogate) becomes "?".
QByteArray IconvEncode(iconv_t cd, const QString &text);

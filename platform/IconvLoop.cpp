#include "platform/IconvLoop.h"

#include <cerrno>
#include <cstring>

QString IconvDecode(iconv_t cd, const char *data, qsizetype size)
{
    QString out;
    if (size <= 0)
        return out;
    // Most code pages need no more than one UTF-16 unit per byte; the output grows when one does.
    out.resize(size);
    char *in = const_cast<char *>(data);
    size_t inLeft = size_t(size);
    char *outStart = reinterpret_cast<char *>(out.data());
    char *outPtr = outStart;
    size_t outLeft = size_t(size) * 2;
    const auto grow = [&](qsizetype extra) {
        const qsizetype used = (outPtr - outStart) / 2;
        out.resize(out.size() + extra);
        outStart = reinterpret_cast<char *>(out.data());
        outPtr = outStart + used * 2;
        outLeft = size_t(out.size() - used) * 2;
    };
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG) {
            grow(qsizetype(inLeft) + 16);
            continue;
        }
        // An invalid or truncated sequence: one replacement character, then go on after the byte.
        if (outLeft < 2)
            grow(16);
        const char16_t replacement = 0xFFFD;
        std::memcpy(outPtr, &replacement, 2);
        outPtr += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize((outPtr - outStart) / 2);
    return out;
}

QByteArray IconvEncode(iconv_t cd, const QString &text)
{
    QByteArray out;
    if (text.isEmpty())
        return out;
    out.resize(text.size() * 4 + 8);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    char *outPtr = out.data();
    size_t outLeft = size_t(out.size());
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG || outLeft < 1)
            break; // cannot happen: four bytes per unit is the most any code page takes
        // A character the code page cannot hold (or a lone surrogate) becomes "?".
        *outPtr++ = '?';
        --outLeft;
        const char16_t unit = *reinterpret_cast<const char16_t *>(in);
        const bool pair = unit >= 0xD800 && unit < 0xDC00 && inLeft >= 4;
        in += pair ? 4 : 2;
        inLeft -= pair ? 4 : 2;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Back to the initial shift state (stateful code pages end with an escape sequence).
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.resize(outPtr - out.data());
    return out;
}

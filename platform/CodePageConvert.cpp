#include "platform/CodePageConvert.h"

#include <QHash>

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <mutex>

namespace {

// One open converter per code page and direction, kept for the life of the process: opening one
// costs far more than converting a short text, and a report converts every value of every record.
struct Converter {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    std::mutex lock;
    ~Converter()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    bool Usable() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

Converter *FindConverter(const QString &codePage, bool decode)
{
    static std::mutex tableLock;
    static QHash<QString, std::shared_ptr<Converter>> table;
    const QString key = (decode ? QLatin1String("d:") : QLatin1String("e:")) + codePage.toUpper();
    std::lock_guard<std::mutex> guard(tableLock);
    auto it = table.constFind(key);
    if (it != table.constEnd())
        return it->get();
    auto converter = std::make_shared<Converter>();
    const QByteArray name = codePage.toLatin1();
    converter->cd =
        decode ? iconv_open("UTF-16LE", name.constData()) : iconv_open(name.constData(), "UTF-16LE");
    table.insert(key, converter);
    return converter.get();
}

bool IsSymbol(const QString &codePage)
{
    return codePage.compare(QLatin1String("SYMBOL"), Qt::CaseInsensitive) == 0;
}

} // namespace

bool IsCodePageAvailable(const QString &codePage)
{
    return IsSymbol(codePage) || FindConverter(codePage, true)->Usable();
}

QString DecodeCodePage(const QByteArray &bytes, const QString &codePage)
{
    QString out;
    if (bytes.isEmpty())
        return out;
    if (IsSymbol(codePage)) {
        out.reserve(bytes.size());
        for (char b : bytes) {
            const uchar c = uchar(b);
            out += QChar(c >= 0x20 ? char16_t(0xF000 + c) : char16_t(c));
        }
        return out;
    }
    Converter *converter = FindConverter(codePage, true);
    if (!converter->Usable())
        return QString::fromLatin1(bytes);
    // No code page needs more than one UTF-16 unit per byte, except for pairs beyond the BMP.
    out.resize(bytes.size() * 2);
    std::lock_guard<std::mutex> guard(converter->lock);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char *outStart = reinterpret_cast<char *>(out.data());
    char *outPtr = outStart;
    size_t outLeft = size_t(out.size()) * 2;
    iconv(converter->cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(converter->cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG || outLeft < 2)
            break; // cannot happen with two units per byte
        // An invalid or truncated sequence: one replacement character, then on after the byte.
        const char16_t replacement = 0xFFFD;
        std::memcpy(outPtr, &replacement, 2);
        outPtr += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(converter->cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize((outPtr - outStart) / 2);
    return out;
}

QByteArray EncodeCodePage(const QString &text, const QString &codePage)
{
    QByteArray out;
    if (text.isEmpty())
        return out;
    if (IsSymbol(codePage)) {
        out.reserve(text.size());
        for (QChar c : text) {
            const char16_t u = c.unicode();
            out += u >= 0xF020 && u <= 0xF0FF ? char(u - 0xF000) : u < 0x100 ? char(u) : '?';
        }
        return out;
    }
    Converter *converter = FindConverter(codePage, false);
    if (!converter->Usable()) {
        for (QChar c : text)
            out += c.unicode() < 0x100 ? char(c.unicode()) : '?';
        return out;
    }
    out.resize(text.size() * 4 + 8);
    std::lock_guard<std::mutex> guard(converter->lock);
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    char *outPtr = out.data();
    size_t outLeft = size_t(out.size());
    iconv(converter->cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(converter->cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1))
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
        iconv(converter->cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv(converter->cd, nullptr, nullptr, &outPtr, &outLeft);
    out.resize(outPtr - out.data());
    return out;
}

#include "platform/CodePageConvert.h"

#include "platform/IconvLoop.h"

#include <QHash>

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
    std::lock_guard<std::mutex> guard(converter->lock);
    return IconvDecode(converter->cd, bytes.constData(), bytes.size());
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
    std::lock_guard<std::mutex> guard(converter->lock);
    return IconvEncode(converter->cd, text);
}

#include "report/io/frxXML.h"

#include "platform/CodePage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstring>
#include <vector>

namespace {

constexpr qsizetype kBlockSize = 4096;

bool IsAscii(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i)
        if (static_cast<unsigned char>(data[i]) >= 0x80)
            return false;
    return true;
}

// Tag names are single-byte text in the legacy code page (what the writer of these files used).
QString DecodeName(const char *data, qsizetype size)
{
    if (IsAscii(data, size))
        return QString::fromLatin1(data, size);
    return DecodeLegacy(data, size);
}

QByteArray EncodeName(const QString &name)
{
    for (QChar c : name)
        if (c.unicode() >= 0x80)
            return EncodeLegacy(name);
    return name.toLatin1();
}

// Attribute text of a UTF-8 document. Files from other programs sometimes hold attribute values in
// the legacy code page although the header says UTF-8; such a value is decoded in the legacy code
// page instead of being turned into replacement characters. Values are taken one by one (split
// at '"', which never occurs inside a multi-byte character of either encoding) so that one bad
// value does not garble the rest of the tag.
QString DecodeAttributes(const char *data, qsizetype size)
{
    if (IsValidUtf8(data, size))
        return QString::fromUtf8(data, size);
    QString text;
    text.reserve(size);
    qsizetype start = 0;
    while (start < size) {
        const void *quote = std::memchr(data + start, '"', size_t(size - start));
        qsizetype end = quote ? static_cast<const char *>(quote) - data + 1 : size;
        const char *part = data + start;
        qsizetype length = end - start;
        if (IsValidUtf8(part, length))
            text += QString::fromUtf8(part, length);
        else
            text += DecodeLegacy(part, length);
        start = end;
    }
    return text;
}

// Position of attribute `name` in `text`: it starts the text or follows a blank, its name matches
// ignoring case, and '="' follows. -1 when absent.
qsizetype FindAttribute(const QString &text, const QString &name)
{
    const qsizetype n = text.size(), len = name.size();
    if (len == 0)
        return -1;
    qsizetype from = 0;
    while (from + len + 2 <= n) {
        qsizetype at = text.indexOf(name, from, Qt::CaseInsensitive);
        if (at < 0 || at + len + 2 > n)
            return -1;
        if ((at == 0 || text[at - 1] == QLatin1Char(' ')) && text[at + len] == QLatin1Char('=') &&
            text[at + len + 1] == QLatin1Char('"'))
            return at;
        from = at + 1;
    }
    return -1;
}

} // namespace

// ---- escaping -----------------------------------------------------------------------------------

namespace {
bool StartsReference(QStringView rest)
{
    return rest.startsWith(u"&#") || rest.startsWith(u"&quot;") || rest.startsWith(u"&amp;") ||
           rest.startsWith(u"&lt;") || rest.startsWith(u"&gt;");
}
} // namespace

QString frxEscapeAttribute(const QString &value, bool safeAmpersands)
{
    const qsizetype n = value.size();
    const QChar *s = value.constData();
    qsizetype first = 0;
    while (first < n) {
        char16_t c = s[first].unicode();
        if (c == '\n' || c == '\r' || c == '"' || c == '&' || c == '<' || c == '>')
            break;
        ++first;
    }
    if (first == n)
        return value;
    // Short values keep a plain ampersand; from 32 characters on every ampersand is escaped.
    const bool escapeAmpersands = n >= 32;
    QString out;
    out.reserve(n + 16);
    out.append(s, first);
    for (qsizetype i = first; i < n; ++i) {
        char16_t c = s[i].unicode();
        switch (c) {
        case '\n':
            out += QLatin1String("&#10;");
            break;
        case '\r':
            out += QLatin1String("&#13;");
            break;
        case '"':
            out += QLatin1String("&#34;");
            break;
        case '<':
            out += QLatin1String("&#60;");
            break;
        case '>':
            out += QLatin1String("&#62;");
            break;
        case '&': {
            const QStringView rest(s + i, n - i);
            if (safeAmpersands) {
                out +=
                    escapeAmpersands || StartsReference(rest) ? QLatin1String("&#38;") : QLatin1String("&");
            } else if (rest.startsWith(QLatin1String("&quot;"))) {
                out += QLatin1String("&#34;");
                i += 5;
            } else {
                out += escapeAmpersands ? QLatin1String("&#38;") : QLatin1String("&");
            }
            break;
        }
        default:
            out += s[i];
            break;
        }
    }
    return out;
}

QString StrToXML(const QString &value)
{
    return frxEscapeAttribute(value, false);
}

QString XMLToStr(const QString &text)
{
    qsizetype i = text.indexOf(QLatin1Char('&'));
    if (i < 0)
        return text;
    const qsizetype n = text.size();
    const QChar *s = text.constData();
    QString out;
    out.reserve(n);
    out.append(s, i);
    while (i < n) {
        if (s[i] != QLatin1Char('&')) {
            qsizetype next = i;
            while (next < n && s[next] != QLatin1Char('&'))
                ++next;
            out.append(s + i, next - i);
            i = next;
            continue;
        }
        QStringView rest(s + i, n - i);
        if (rest.size() > 2 && s[i + 1] == QLatin1Char('#')) {
            // "&#" decimal digits ";" or "&#x" hexadecimal digits ";": anything else leaves the
            // ampersand as it is.
            const bool hex = s[i + 2] == QLatin1Char('x') || s[i + 2] == QLatin1Char('X');
            const qsizetype digits = hex ? i + 3 : i + 2;
            qsizetype j = digits;
            char32_t code = 0;
            bool tooBig = false;
            while (j < n) {
                const char16_t c = s[j].unicode();
                int digit;
                if (c >= '0' && c <= '9')
                    digit = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    digit = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    digit = c - 'A' + 10;
                else
                    break;
                code = code * (hex ? 16 : 10) + char32_t(digit);
                if (code > 0x10FFFF) {
                    tooBig = true;
                    code = 0x110000;
                }
                ++j;
            }
            if (j > digits && j < n && s[j] == QLatin1Char(';') && !tooBig) {
                if (code > 0xFFFF) {
                    out += QChar(QChar::highSurrogate(code));
                    out += QChar(QChar::lowSurrogate(code));
                } else {
                    out += QChar(char16_t(code));
                }
                i = j + 1;
                continue;
            }
        } else if (rest.startsWith(QLatin1String("&quot;"))) {
            out += QLatin1Char('"');
            i += 6;
            continue;
        } else if (rest.startsWith(QLatin1String("&amp;"))) {
            out += QLatin1Char('&');
            i += 5;
            continue;
        } else if (rest.startsWith(QLatin1String("&lt;"))) {
            out += QLatin1Char('<');
            i += 4;
            continue;
        } else if (rest.startsWith(QLatin1String("&gt;"))) {
            out += QLatin1Char('>');
            i += 4;
            continue;
        }
        out += QLatin1Char('&');
        ++i;
    }
    return out;
}

// ---- TfrxXMLItem --------------------------------------------------------------------------------

TfrxXMLItem::TfrxXMLItem() = default;

TfrxXMLItem::~TfrxXMLItem()
{
    Detach();
    if (m_extra)
        FreeChildren(m_extra->Items);
}

const QString &TfrxXMLItem::EmptyText()
{
    static const QString empty;
    return empty;
}

void TfrxXMLItem::Detach()
{
    if (m_parent) {
        m_parent->m_extra->Items.removeOne(this);
        m_parent = nullptr;
    }
}

// Frees a subtree without recursion: a 10,000-level file must not exhaust the stack.
void TfrxXMLItem::FreeChildren(QList<TfrxXMLItem *> &items)
{
    std::vector<TfrxXMLItem *> work(items.begin(), items.end());
    items.clear();
    while (!work.empty()) {
        TfrxXMLItem *item = work.back();
        work.pop_back();
        if (item->m_extra) {
            work.insert(work.end(), item->m_extra->Items.begin(), item->m_extra->Items.end());
            item->m_extra->Items.clear();
        }
        item->m_parent = nullptr;
        delete item;
    }
}

TfrxXMLItem *TfrxXMLItem::Add()
{
    auto *item = new TfrxXMLItem;
    item->m_parent = this;
    Ext().Items.append(item);
    return item;
}

void TfrxXMLItem::AddItem(TfrxXMLItem *item)
{
    item->Detach();
    item->m_parent = this;
    Ext().Items.append(item);
}

void TfrxXMLItem::InsertItem(int index, TfrxXMLItem *item)
{
    item->Detach();
    item->m_parent = this;
    QList<TfrxXMLItem *> &items = Ext().Items;
    items.insert(qBound(0, index, int(items.size())), item);
}

int TfrxXMLItem::IndexOf(const TfrxXMLItem *item) const
{
    return m_extra ? int(m_extra->Items.indexOf(const_cast<TfrxXMLItem *>(item))) : -1;
}

int TfrxXMLItem::Find(const QString &name) const
{
    if (!m_extra)
        return -1;
    const QList<TfrxXMLItem *> &items = m_extra->Items;
    for (qsizetype i = 0; i < items.size(); ++i)
        if (items[i]->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

TfrxXMLItem *TfrxXMLItem::FindItem(const QString &name)
{
    int i = Find(name);
    if (i >= 0)
        return m_extra->Items[i];
    TfrxXMLItem *item = Add();
    item->m_name = name;
    return item;
}

void TfrxXMLItem::Clear()
{
    if (m_extra)
        FreeChildren(m_extra->Items);
    if (m_unloadable)
        m_loaded = false;
}

QString TfrxXMLItem::Prop(const QString &name) const
{
    qsizetype at = FindAttribute(m_text, name);
    if (at < 0)
        return QString();
    qsizetype start = at + name.size() + 2;
    qsizetype end = m_text.indexOf(QLatin1Char('"'), start);
    if (end < 0)
        end = m_text.size();
    return XMLToStr(m_text.mid(start, end - start));
}

void TfrxXMLItem::SetProp(const QString &name, const QString &value)
{
    qsizetype at = FindAttribute(m_text, name);
    if (at >= 0) {
        qsizetype close = m_text.indexOf(QLatin1Char('"'), at + name.size() + 2);
        qsizetype end = close < 0 ? m_text.size() : close + 1;
        m_text.remove(at, end - at);
    } else {
        at = m_text.size();
    }
    QString attribute = name + QLatin1String("=\"") + StrToXML(value) + QLatin1Char('"');
    if (at > 0 && m_text[at - 1] != QLatin1Char(' '))
        attribute.prepend(QLatin1Char(' '));
    m_text.insert(at, attribute);
}

// ---- TfrxXMLReader ------------------------------------------------------------------------------

TfrxXMLReader::TfrxXMLReader(QIODevice *stream) : m_stream(stream), m_buffer(kBlockSize, Qt::Uninitialized)
{
    m_bufferStart = stream->pos();
}

TfrxXMLReader::~TfrxXMLReader()
{
    if (!m_stream->isSequential())
        m_stream->seek(Position());
}

void TfrxXMLReader::SetPosition(qint64 position)
{
    if (position == Position())
        return;
    if (position >= m_bufferStart && position <= m_bufferStart + m_len) {
        m_pos = qsizetype(position - m_bufferStart);
        return;
    }
    if (m_stream->isSequential() || !m_stream->seek(position))
        throw TfrxInvalidXMLException();
    m_bufferStart = position;
    m_pos = m_len = 0;
    m_eof = false;
}

// Next block once the window is used up.
bool TfrxXMLReader::Fill()
{
    if (m_eof)
        return false;
    m_bufferStart += m_len;
    m_pos = m_len = 0;
    qint64 got = m_stream->read(m_buffer.data(), kBlockSize);
    if (got <= 0) {
        m_eof = true;
        return false;
    }
    m_len = qsizetype(got);
    return true;
}

// At least `count` (small) bytes in the window from m_pos on, unless the stream ends first.
bool TfrxXMLReader::Ensure(qsizetype count)
{
    if (m_len - m_pos >= count)
        return true;
    qsizetype rest = m_len - m_pos;
    std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, size_t(rest));
    m_bufferStart += m_pos;
    m_pos = 0;
    m_len = rest;
    while (m_len < count && !m_eof) {
        qint64 got = m_stream->read(m_buffer.data() + m_len, kBlockSize - m_len);
        if (got <= 0)
            m_eof = true;
        else
            m_len += qsizetype(got);
    }
    return m_len - m_pos >= count;
}

// Skips a comment's body up to and including "-->". False when the stream ends first.
bool TfrxXMLReader::SkipComment()
{
    int dashes = 0;
    for (;;) {
        if (m_pos == m_len && !Fill())
            return false;
        const char c = m_buffer[m_pos++];
        if (c == '>' && dashes >= 2)
            return true;
        dashes = c == '-' ? dashes + 1 : 0;
    }
}

void TfrxXMLReader::SplitTag(const char *data, qsizetype size, QString &name, QString &text) const
{
    if (size <= 0) {
        name.clear();
        text.clear();
        return;
    }
    if (data[size - 1] == ' ')
        --size;
    const void *blank = std::memchr(data, ' ', size_t(size));
    if (!blank) {
        name = DecodeName(data, size);
        text.clear();
        return;
    }
    qsizetype nameLength = static_cast<const char *>(blank) - data;
    name = DecodeName(data, nameLength);
    const char *attributes = data + nameLength + 1;
    qsizetype length = size - nameLength - 1;
    text = m_oldVersion ? DecodeLegacy(attributes, length) : DecodeAttributes(attributes, length);
}

// One tag: false at the end of the stream (the empty tag); comments and text between elements
// are skipped. *start receives the device position of the tag's "<".
bool TfrxXMLReader::ReadTag(QString &name, QString &text, qint64 *start)
{
    for (;;) {
        for (;;) {
            if (m_pos == m_len && !Fill())
                return false;
            const void *lt = std::memchr(m_buffer.constData() + m_pos, '<', size_t(m_len - m_pos));
            if (lt) {
                m_pos = static_cast<const char *>(lt) - m_buffer.constData();
                break;
            }
            m_pos = m_len;
        }
        if (start)
            *start = Position();
        ++m_pos;
        if (Ensure(3) && std::memcmp(m_buffer.constData() + m_pos, "!--", 3) == 0) {
            m_pos += 3;
            if (!SkipComment())
                return false;
            continue;
        }
        bool spanning = false;
        m_tag.clear();
        for (;;) {
            if (m_pos == m_len && !Fill())
                throw TfrxInvalidXMLException(); // the stream ends inside a tag
            const char *from = m_buffer.constData() + m_pos;
            const qsizetype available = m_len - m_pos;
            const void *gt = std::memchr(from, '>', size_t(available));
            const qsizetype n = gt ? static_cast<const char *>(gt) - from : available;
            if (std::memchr(from, '<', size_t(n)))
                throw TfrxInvalidXMLException();
            if (gt && !spanning) {
                // The usual case: the whole tag lies in the window.
                SplitTag(from, n, name, text);
                m_pos += n + 1;
                return true;
            }
            m_tag.append(from, n);
            spanning = true;
            m_pos += n;
            if (gt) {
                ++m_pos;
                SplitTag(m_tag.constData(), m_tag.size(), name, text);
                m_tag.clear();
                m_tag.squeeze();
                return true;
            }
        }
    }
}

void TfrxXMLReader::ReadHeader()
{
    QString name, text;
    m_oldVersion = false;
    if (!ReadTag(name, text, nullptr) || !name.startsWith(QLatin1String("?xml")))
        throw TfrxInvalidXMLException();
    const QString tag = name + QLatin1Char(' ') + text;
    qsizetype at = tag.indexOf(QLatin1String("version="));
    if (at >= 0 && QStringView(tag).mid(at + 9, 3) == QLatin1String("1.0") &&
        !tag.contains(QLatin1String("standalone=")))
        m_oldVersion = true;
}

// The end of an element that had children: an ld="0" attribute marks it unloadable. It is found
// at the start of the text, after a blank, or directly after the previous attribute's closing
// quote (where the writer appends it), so that what this writer writes reads back the same.
void TfrxXMLReader::Finish(TfrxXMLItem *item)
{
    static const QString mark = QStringLiteral("ld=\"0\"");
    QString &text = item->m_text;
    qsizetype from = 0;
    for (;;) {
        qsizetype at = text.indexOf(mark, from, Qt::CaseInsensitive);
        if (at < 0)
            return;
        if (at == 0 || text[at - 1] == QLatin1Char(' ') || text[at - 1] == QLatin1Char('"')) {
            qsizetype begin = at > 0 && text[at - 1] == QLatin1Char(' ') ? at - 1 : at;
            text.remove(begin, at + mark.size() - begin);
            item->m_unloadable = true;
            if (m_onUnloadable)
                m_onUnloadable(item);
            return;
        }
        from = at + 1;
    }
}

bool TfrxXMLReader::ReadItem(TfrxXMLItem *item)
{
    m_truncated = false;
    QString name, text;
    qint64 start = 0;
    bool got = ReadTag(name, text, &start);
    item->m_name = name;
    item->m_text = text;
    if (!got || name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return false;

    // Whether a freshly read element has children to come; strips the "/" of an empty element.
    auto opens = [](TfrxXMLItem *element) {
        if (element->m_name.endsWith(QLatin1Char('/'))) {
            element->m_name.chop(1);
            return false;
        }
        if (element->m_text.endsWith(QLatin1Char('/'))) {
            element->m_text.chop(1);
            return false;
        }
        return true;
    };
    if (!opens(item))
        return true;

    // The open elements, innermost last, instead of recursion.
    std::vector<TfrxXMLItem *> open{item};
    while (!open.empty()) {
        got = ReadTag(name, text, &start);
        if (!got || name.isEmpty() || name.startsWith(QLatin1Char('/'))) {
            TfrxXMLItem *element = open.back();
            if (!got) {
                m_truncated = true; // accepted: the open elements end with the stream
            } else if (!name.isEmpty() &&
                       QStringView(name).mid(1).compare(element->m_name, Qt::CaseInsensitive) != 0) {
                throw TfrxInvalidXMLException();
            }
            open.pop_back();
            Finish(element);
            continue;
        }
        TfrxXMLItem *child = open.back()->Add();
        child->m_name = std::move(name);
        child->m_text = std::move(text);
        name = QString();
        text = QString();
        if (opens(child))
            open.push_back(child);
    }
    return true;
}

// ---- TfrxXMLWriter ------------------------------------------------------------------------------

TfrxXMLWriter::TfrxXMLWriter(QIODevice *stream) : m_stream(stream)
{
    m_buffer.reserve(2 * kBlockSize);
}

TfrxXMLWriter::~TfrxXMLWriter()
{
    try {
        Flush();
    } catch (const Exception &) {
        // Callers that care flush themselves and see the error there.
    }
}

void TfrxXMLWriter::Flush()
{
    if (m_buffer.isEmpty())
        return;
    const qint64 size = m_buffer.size();
    const qint64 written = m_stream->write(m_buffer);
    m_buffer.clear();
    if (written != size)
        throw EFileError(QStringLiteral("Cannot write the file: ") + m_stream->errorString());
}

void TfrxXMLWriter::Put(const char *data, qsizetype size)
{
    m_buffer.append(data, size);
    if (m_buffer.size() > kBlockSize)
        Flush();
}

void TfrxXMLWriter::PutIndent(int level)
{
    if (!m_autoIndent || level <= 0)
        return;
    static const QByteArray blanks(256, ' ');
    while (level > 0) {
        int n = qMin(level, 256);
        Put(blanks.constData(), n);
        level -= n;
    }
}

void TfrxXMLWriter::PutLineEnd()
{
    if (m_autoIndent)
        Put("\r\n", 2);
}

void TfrxXMLWriter::WriteHeader()
{
    static const char header[] = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";
    Put(header, qsizetype(sizeof header - 1));
    PutLineEnd();
}

void TfrxXMLWriter::WriteStart(const TfrxXMLItem *item, int level)
{
    PutIndent(level);
    Put("<", 1);
    const QByteArray name = EncodeName(item->Name());
    Put(name);
    const QString &text = item->Text();
    if (!text.isEmpty() || item->Unloadable()) {
        if (text.isEmpty() || text[0] != QLatin1Char(' '))
            Put(" ", 1);
        Put(text.toUtf8());
        if (item->Unloadable())
            Put("ld=\"0\"", 6);
    }
    if (item->Count() > 0) {
        Put(">", 1);
    } else if (!item->Value().isEmpty()) {
        // The content is escaped like an attribute: a raw "<" in it would end the file's
        // readability at that point.
        Put(">", 1);
        Put(StrToXML(item->Value()).toUtf8());
        Put("</", 2);
        Put(name);
        Put(">", 1);
    } else {
        Put("/>", 2);
    }
    PutLineEnd();
}

void TfrxXMLWriter::WriteEnd(const TfrxXMLItem *item, int level)
{
    PutIndent(level);
    Put("</", 2);
    Put(EncodeName(item->Name()));
    Put(">", 1);
    PutLineEnd();
}

void TfrxXMLWriter::WriteItem(TfrxXMLItem *item, int level)
{
    struct Frame {
        TfrxXMLItem *item;
        int level;
        int next;
        bool reloaded; // brought back from the temporary file for writing; dropped again after
        qint64 offset;
    };
    std::vector<Frame> stack;
    auto begin = [&](TfrxXMLItem *element, int at) {
        Frame frame{element, at, 0, false, element->Offset()};
        if (!element->Loaded() && m_document) {
            m_document->LoadItem(element);
            frame.reloaded = true;
        }
        WriteStart(element, at);
        if (element->Count() > 0) {
            stack.push_back(frame);
        } else if (frame.reloaded) {
            element->Clear();
            element->SetLoaded(false);
            element->SetOffset(frame.offset);
        }
    };
    begin(item, level);
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next < top.item->Count()) {
            TfrxXMLItem *child = top.item->Items(top.next++);
            begin(child, top.level + 2); // may grow the stack: `top` is not used after this
            continue;
        }
        Frame done = top;
        stack.pop_back();
        WriteEnd(done.item, done.level);
        if (done.reloaded) {
            done.item->Clear();
            done.item->SetLoaded(false);
            done.item->SetOffset(done.offset);
        }
    }
}

// ---- TfrxXMLDocument ----------------------------------------------------------------------------

TfrxXMLDocument::TfrxXMLDocument() : m_root(std::make_unique<TfrxXMLItem>()) {}

TfrxXMLDocument::~TfrxXMLDocument() = default;

void TfrxXMLDocument::Clear()
{
    m_root->Clear();
    DropTempFile();
}

void TfrxXMLDocument::DropTempFile()
{
    m_tempFile.reset();
}

QString TfrxXMLDocument::TempFileName() const
{
    return m_tempFile ? m_tempFile->fileName() : QString();
}

QIODevice *TfrxXMLDocument::TempStream()
{
    if (!m_tempFile) {
        QString dir = m_tempDir;
        if (dir.isEmpty() || !QFileInfo(dir).isDir())
            dir = QDir::tempPath();
        // QTemporaryFile creates the file exclusively, readable by this user only.
        auto file = std::make_unique<QTemporaryFile>(QDir(dir).filePath(QStringLiteral("frXXXXXX")));
        if (!file->open())
            throw EFileError(QStringLiteral("Cannot create a temporary file in ") +
                             QDir::toNativeSeparators(dir));
        m_tempFile = std::move(file);
    }
    return m_tempFile.get();
}

void TfrxXMLDocument::LoadFromStream(QIODevice *stream, bool allowPartialLoading)
{
    DropTempFile();
    m_root->Clear();
    m_root->SetName(QString());
    m_root->SetText(QString());
    m_truncated = false;
    TfrxXMLReader reader(stream);
    reader.ReadHeader();
    m_oldVersion = reader.OldVersion();
    // The children of an unloadable element go to the temporary file as soon as the element is
    // complete, so the caller's stream is not needed afterwards and memory holds one page at a time.
    if (allowPartialLoading)
        reader.SetOnUnloadable([this](TfrxXMLItem *item) { UnloadItem(item); });
    reader.ReadItem(m_root.get());
    m_truncated = reader.Truncated();
}

void TfrxXMLDocument::SaveToStream(QIODevice *stream)
{
    TfrxXMLWriter writer(stream);
    writer.SetAutoIndent(m_autoIndent);
    writer.SetDocument(this);
    writer.WriteHeader();
    writer.WriteItem(m_root.get());
    writer.Flush();
}

void TfrxXMLDocument::LoadFromFile(const QString &fileName, bool allowPartialLoading)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Cannot open file \"%1\"").arg(QDir::toNativeSeparators(fileName)));
    LoadFromStream(&file, allowPartialLoading);
}

void TfrxXMLDocument::SaveToFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EFileError(QStringLiteral("Cannot create file \"%1\"").arg(QDir::toNativeSeparators(fileName)));
    SaveToStream(&file);
}

void TfrxXMLDocument::LoadItem(TfrxXMLItem *item)
{
    if (item->Loaded())
        return;
    if (!m_tempFile || item->Offset() < 0) {
        // Cleared rather than unloaded: nothing to bring back.
        item->SetLoaded(true);
        return;
    }
    TfrxXMLItem copy;
    {
        TfrxXMLReader reader(m_tempFile.get());
        reader.SetPosition(item->Offset());
        reader.ReadItem(&copy);
    }
    while (copy.Count() > 0)
        item->AddItem(copy.Items(0));
    item->SetLoaded(true);
}

void TfrxXMLDocument::ReleaseItem(TfrxXMLItem *item)
{
    if (!item->Loaded() || !item->Unloadable())
        return;
    if (!m_tempFile || item->Offset() < 0) {
        UnloadItem(item);
        return;
    }
    item->Clear();
    item->SetLoaded(false);
}

void TfrxXMLDocument::UnloadItem(TfrxXMLItem *item)
{
    if (!item->Loaded() || !item->Unloadable())
        return;
    QIODevice *temp = TempStream();
    if (!temp->seek(temp->size()))
        throw EFileError(QStringLiteral("Cannot write the temporary file"));
    item->SetOffset(temp->pos());
    {
        TfrxXMLWriter writer(temp);
        writer.SetDocument(this);
        writer.WriteItem(item);
        writer.Flush();
    }
    item->Clear();
    item->SetLoaded(false);
}

#include "script/fs_xml.h"

#include "script/fs_ierrors.h"

#include <QStringBuilder>

// ---------------------------------------------------------------------------------------------
// TfsXMLItem

TfsXMLItem::~TfsXMLItem()
{
    // Children are freed from a work list instead of by recursion: an intermediate document of a
    // deeply nested expression is as deep as the expression.
    std::vector<std::unique_ptr<TfsXMLItem>> pending = std::move(m_items);
    while (!pending.empty()) {
        std::unique_ptr<TfsXMLItem> item = std::move(pending.back());
        pending.pop_back();
        for (auto &child : item->m_items)
            pending.push_back(std::move(child));
        item->m_items.clear();
    }
}

bool TfsXMLItem::HasProp(const QString &name) const
{
    for (const auto &prop : m_props)
        if (prop.first == name)
            return true;
    return false;
}

QString TfsXMLItem::Prop(const QString &name) const
{
    for (const auto &prop : m_props)
        if (prop.first == name)
            return prop.second;
    return QString();
}

void TfsXMLItem::SetProp(const QString &name, const QString &value)
{
    for (auto &prop : m_props)
        if (prop.first == name) {
            prop.second = value;
            return;
        }
    if (m_props.empty())
        m_props.reserve(2);
    m_props.emplace_back(name, value);
}

TfsXMLItem *TfsXMLItem::Add(const QString &name)
{
    auto item = std::make_unique<TfsXMLItem>(name);
    TfsXMLItem *raw = item.get();
    AddItem(std::move(item));
    return raw;
}

void TfsXMLItem::AddItem(std::unique_ptr<TfsXMLItem> item)
{
    item->m_parent = this;
    m_items.push_back(std::move(item));
}

void TfsXMLItem::InsertItem(int index, std::unique_ptr<TfsXMLItem> item)
{
    item->m_parent = this;
    m_items.insert(m_items.begin() + index, std::move(item));
}

std::unique_ptr<TfsXMLItem> TfsXMLItem::TakeItem(int index)
{
    std::unique_ptr<TfsXMLItem> item = std::move(m_items[size_t(index)]);
    m_items.erase(m_items.begin() + index);
    item->m_parent = nullptr;
    return item;
}

int TfsXMLItem::Find(const QString &name) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

TfsXMLItem *TfsXMLItem::FindItem(const QString &name) const
{
    const int index = Find(name);
    return index < 0 ? nullptr : m_items[size_t(index)].get();
}

void TfsXMLItem::Clear()
{
    m_props.clear();
    std::vector<std::unique_ptr<TfsXMLItem>> old = std::move(m_items);
    m_items.clear();
    // Freed through a holder so the non-recursive destructor does the work.
    TfsXMLItem holder;
    holder.m_items = std::move(old);
}

std::unique_ptr<TfsXMLItem> TfsXMLItem::Clone() const
{
    auto copy = std::make_unique<TfsXMLItem>(m_name);
    copy->m_props = m_props;
    std::vector<std::pair<const TfsXMLItem *, TfsXMLItem *>> work{{this, copy.get()}};
    while (!work.empty()) {
        auto [source, target] = work.back();
        work.pop_back();
        for (const auto &child : source->m_items) {
            TfsXMLItem *made = target->Add(child->m_name);
            made->m_props = child->m_props;
            work.emplace_back(child.get(), made);
        }
    }
    return copy;
}

// ---------------------------------------------------------------------------------------------
// TfsXMLDocument

TfsXMLDocument::TfsXMLDocument() : m_root(std::make_unique<TfsXMLItem>()) {}

void TfsXMLDocument::SetRoot(std::unique_ptr<TfsXMLItem> root)
{
    m_root = root ? std::move(root) : std::make_unique<TfsXMLItem>();
}

void TfsXMLDocument::Clear()
{
    m_root = std::make_unique<TfsXMLItem>();
}

QString TfsXMLDocument::Escape(const QString &text)
{
    bool plain = true;
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u < 32 || u == '&' || u == '<' || u == '>' || u == '"') {
            plain = false;
            break;
        }
    }
    if (plain)
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        default:
            // Control characters (line breaks of a #13#10 string, a NUL) would be folded into
            // spaces or rejected by a reader if written raw.
            if (c.unicode() < 32)
                out += QLatin1String("&#") % QString::number(c.unicode()) % QLatin1Char(';');
            else
                out += c;
        }
    }
    return out;
}

namespace {

void WriteOpenTag(QString &out, const TfsXMLItem *item, bool empty)
{
    out += QLatin1Char('<');
    out += item->Name();
    for (int i = 0; i < item->PropCount(); ++i)
        out += QLatin1Char(' ') % item->PropName(i) % QLatin1String("=\"") %
               TfsXMLDocument::Escape(item->PropValue(i)) % QLatin1Char('"');
    out += empty ? QLatin1String("/>\n") : QLatin1String(">\n");
}

} // namespace

QString TfsXMLDocument::SaveToString() const
{
    QString out = QStringLiteral("<?xml version=\"1.0\"?>\n");
    if (m_root->Name().isEmpty())
        return out;
    // (element, index of the next child to write)
    std::vector<std::pair<const TfsXMLItem *, int>> stack;
    WriteOpenTag(out, m_root.get(), m_root->Count() == 0);
    if (m_root->Count() > 0)
        stack.emplace_back(m_root.get(), 0);
    while (!stack.empty()) {
        auto &top = stack.back();
        if (top.second >= top.first->Count()) {
            out += QLatin1String("</") % top.first->Name() % QLatin1String(">\n");
            stack.pop_back();
            continue;
        }
        const TfsXMLItem *child = top.first->Items(top.second++);
        WriteOpenTag(out, child, child->Count() == 0);
        if (child->Count() > 0)
            stack.emplace_back(child, 0);
    }
    return out;
}

namespace {

class XmlReader {
public:
    explicit XmlReader(const QString &text) : m_p(text.constData()), m_n(int(text.size())) {}

    std::unique_ptr<TfsXMLItem> Read()
    {
        std::unique_ptr<TfsXMLItem> root;
        std::vector<TfsXMLItem *> open;
        // A byte order mark that survived decoding is no text.
        if (m_n > 0 && m_p[0].unicode() == 0xFEFF)
            m_i = 1;
        while (m_i < m_n) {
            const QChar c = m_p[m_i];
            if (c != QLatin1Char('<')) {
                if (!c.isSpace() && open.empty())
                    Fail(QStringLiteral("text outside the root element"));
                Step();
                continue;
            }
            if (StartsWith("<?")) {
                SkipPast("?>");
            } else if (StartsWith("<!--")) {
                SkipPast("-->");
            } else if (StartsWith("<![CDATA[")) {
                if (open.empty())
                    Fail(QStringLiteral("text outside the root element"));
                SkipPast("]]>");
            } else if (StartsWith("<!")) {
                if (root)
                    Fail(QStringLiteral("declaration inside the document"));
                SkipPast(">");
            } else if (StartsWith("</")) {
                m_i += 2;
                const QString name = ReadName();
                SkipBlanks();
                Expect('>');
                if (open.empty() || open.back()->Name() != name)
                    Fail(QStringLiteral("unexpected closing tag </%1>").arg(name));
                open.pop_back();
            } else {
                ++m_i;
                const QString name = ReadName();
                TfsXMLItem *item;
                if (open.empty()) {
                    if (root)
                        Fail(QStringLiteral("a second root element"));
                    root = std::make_unique<TfsXMLItem>(name);
                    item = root.get();
                } else {
                    item = open.back()->Add(name);
                }
                ReadAttributes(item);
                if (StartsWith("/>")) {
                    m_i += 2;
                } else {
                    Expect('>');
                    open.push_back(item);
                }
            }
        }
        if (!open.empty())
            Fail(QStringLiteral("element <%1> is not closed").arg(open.back()->Name()));
        if (!root)
            Fail(QStringLiteral("no root element"));
        return root;
    }

private:
    [[noreturn]] void Fail(const QString &what) const
    {
        throw EfsScriptError(QStringLiteral("XML error at line %1: %2").arg(m_line).arg(what));
    }

    void Step()
    {
        if (m_p[m_i] == QLatin1Char('\n'))
            ++m_line;
        ++m_i;
    }

    bool StartsWith(const char *s) const
    {
        int k = m_i;
        for (; *s; ++s, ++k)
            if (k >= m_n || m_p[k] != QLatin1Char(*s))
                return false;
        return true;
    }

    void SkipPast(const char *end)
    {
        while (m_i < m_n && !StartsWith(end))
            Step();
        if (m_i >= m_n)
            Fail(QStringLiteral("unterminated markup"));
        m_i += int(qstrlen(end));
    }

    void SkipBlanks()
    {
        while (m_i < m_n && m_p[m_i].isSpace())
            Step();
    }

    void Expect(char c)
    {
        if (m_i >= m_n || m_p[m_i] != QLatin1Char(c))
            Fail(QStringLiteral("'%1' expected").arg(QLatin1Char(c)));
        ++m_i;
    }

    static bool IsNameChar(QChar c)
    {
        return !c.isSpace() && c != QLatin1Char('/') && c != QLatin1Char('>') && c != QLatin1Char('<') &&
               c != QLatin1Char('=') && c != QLatin1Char('"') && c != QLatin1Char('\'');
    }

    QString ReadName()
    {
        const int start = m_i;
        while (m_i < m_n && IsNameChar(m_p[m_i]))
            ++m_i;
        if (m_i == start)
            Fail(QStringLiteral("name expected"));
        return QString(m_p + start, m_i - start);
    }

    void ReadAttributes(TfsXMLItem *item)
    {
        for (;;) {
            SkipBlanks();
            if (m_i >= m_n)
                Fail(QStringLiteral("unterminated tag"));
            const QChar c = m_p[m_i];
            if (c == QLatin1Char('>') || c == QLatin1Char('/'))
                return;
            const QString name = ReadName();
            SkipBlanks();
            Expect('=');
            SkipBlanks();
            if (m_i >= m_n || (m_p[m_i] != QLatin1Char('"') && m_p[m_i] != QLatin1Char('\'')))
                Fail(QStringLiteral("quoted value expected"));
            const QChar quote = m_p[m_i++];
            QString value;
            while (m_i < m_n && m_p[m_i] != quote) {
                if (m_p[m_i] == QLatin1Char('&'))
                    value += ReadReference();
                else if (m_p[m_i] == QLatin1Char('<'))
                    Fail(QStringLiteral("'<' in an attribute value"));
                else {
                    value += m_p[m_i];
                    Step();
                }
            }
            if (m_i >= m_n)
                Fail(QStringLiteral("unterminated attribute value"));
            ++m_i;
            item->SetProp(name, value);
        }
    }

    QString ReadReference()
    {
        const int start = ++m_i;
        while (m_i < m_n && m_p[m_i] != QLatin1Char(';') && m_i - start < 12)
            ++m_i;
        if (m_i >= m_n || m_p[m_i] != QLatin1Char(';'))
            Fail(QStringLiteral("malformed character reference"));
        const QString ref(m_p + start, m_i - start);
        ++m_i;
        if (ref == QLatin1String("lt"))
            return QStringLiteral("<");
        if (ref == QLatin1String("gt"))
            return QStringLiteral(">");
        if (ref == QLatin1String("amp"))
            return QStringLiteral("&");
        if (ref == QLatin1String("quot"))
            return QStringLiteral("\"");
        if (ref == QLatin1String("apos"))
            return QStringLiteral("'");
        if (ref.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint code = ref.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                                  ? ref.mid(2).toUInt(&ok, 16)
                                  : ref.mid(1).toUInt(&ok, 10);
            if (ok && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t c32 = code;
                return QString::fromUcs4(&c32, 1);
            }
        }
        Fail(QStringLiteral("unknown reference &%1;").arg(ref));
    }

    const QChar *m_p;
    int m_n;
    int m_i = 0;
    int m_line = 1;
};

} // namespace

void TfsXMLDocument::LoadFromString(const QString &text)
{
    m_root = XmlReader(text).Read();
}

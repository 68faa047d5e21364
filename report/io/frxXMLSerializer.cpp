#include "report/io/frxXMLSerializer.h"

#include "platform/CodePage.h"
#include "report/core/frxClassRegistry.h"
#include "report/core/frxCollection.h"
#include "report/core/frxComponent.h"
#include "report/core/frxErrors.h"
#include "report/core/frxRes.h"
#include "report/io/frxPropData.h"
#include "report/io/frxXML.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"
#include "report/objects/frxUnknown.h"
#include "script/fs_iconstants.h"

#include <QBuffer>
#include <QHash>
#include <QMetaObject>
#include <QMutex>
#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>

// The string properties a new object of the class starts with a text in ("PrintOptions.Printer" is
// "Default"), found once on a throw-away object. An empty value of such a property must be
// written, or reading the file would bring the initial text back.
struct TfrxInitialStrings {
    QHash<QString, QString> Values; // by full name ("PrintOptions.Printer")
    // The properties those names end in. Asked for nearly every string property of every object
    // written: a pointer answers almost all of them without building and hashing a full name.
    std::unordered_set<const TfrxPropInfo *> Props;
};

namespace {

// Elements nested deeper than this are skipped. Real layouts nest four or five levels (report,
// page, band, view); the limit keeps a hostile file from driving the component tree's recursive
// operations (name lookup, destruction) into the stack's end.
constexpr int kMaxDepth = 100;

// A text of the engine's table, or the given English text while the table has no such entry.
QString Res(const char *key, const char *fallback)
{
    const QString k = QString::fromLatin1(key);
    return frxResources().Has(k) ? frxResources().Get(k) : QString::fromUtf8(fallback);
}

void AppendAttr(QString &out, const QString &name, const QString &value)
{
    out += QLatin1Char(' ');
    out += name;
    out += QLatin1String("=\"");
    out += frxStrToXML(value);
    out += QLatin1Char('"');
}

// Lines of a list of strings joined as the format writes them: CR LF between lines, none after
// the last.
QString JoinLines(const QStringList &lines)
{
    return lines.join(QLatin1String("\r\n"));
}

// The reverse, keeping every line: "a\r\n" is two lines ("a" and ""), so that what was written
// reads back to the same list. An empty text is no line at all.
QStringList SplitLines(const QString &text)
{
    QStringList lines;
    if (text.isEmpty())
        return lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    lines.append(text.mid(start));
    return lines;
}

// Integers as the platform's conversion reads them: decimal, or hexadecimal after "$" (also
// "0x"). Hexadecimal fills 32 bits, so "$FFFFFFFF" is -1 for an Integer property.
bool ParseInteger(const QString &text, bool int32, qint64 &value)
{
    if (!Variant::TextToInt64(text, value))
        return false;
    if (!int32)
        return true;
    if (value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max())
        return true;
    const bool hex =
        text.contains(QLatin1Char('$')) || text.contains(QLatin1String("0x"), Qt::CaseInsensitive);
    if (hex && value > 0 && value <= qint64(std::numeric_limits<quint32>::max())) {
        value = qint32(quint32(value));
        return true;
    }
    return false;
}

QString InvalidInteger(const QString &text)
{
    return Res("SInvalidInteger", "'%s' is not a valid integer value").replace(QLatin1String("%s"), text);
}

QString InvalidFloat(const QString &text)
{
    return Res("SInvalidFloatValue", "'%s' is not a valid floating point value")
        .replace(QLatin1String("%s"), text);
}

// Scans an attribute text: blanks (spaces only) are skipped, the name runs up to the next "=" with
// trailing blanks removed, the value lies between the next two double quotes. Stops at an empty
// name or when "=" or a quote is missing. f(name, rawValue) returns false to stop early.
template <class F> void ScanAttributes(QStringView text, F &&f)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && text[i] == u' ')
            ++i;
        const qsizetype eq = text.indexOf(u'=', i);
        if (eq < 0)
            return;
        qsizetype nameEnd = eq;
        while (nameEnd > i && text[nameEnd - 1] == u' ')
            --nameEnd;
        if (nameEnd == i)
            return;
        const qsizetype open = text.indexOf(u'"', eq + 1);
        if (open < 0)
            return;
        const qsizetype close = text.indexOf(u'"', open + 1);
        if (close < 0)
            return;
        if (!f(text.mid(i, nameEnd - i), text.mid(open + 1, close - open - 1)))
            return;
        i = close + 1;
    }
}

// A message about one attribute names the object, the property and the value: "Memo1.Left: 'ten'
// is not a valid floating point value", "Report.DataSet: Invalid property value "Page1"".
QString AttributeError(const QString &object, QStringView property, const QString &value, const QString &message)
{
    QString text = object.isEmpty() ? property.toString() : object + QLatin1Char('.') + property.toString();
    text += QLatin1String(": ") + message;
    if (!message.contains(QLatin1Char('\'') + value + QLatin1Char('\'')))
        text += QLatin1String(" \"") + value + QLatin1Char('"');
    return text;
}

bool SameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void CollectStrings(TfrxInitialStrings &strings, const TfrxPropTarget &object, const QString &prefix)
{
    if (object.IsNull())
        return;
    for (const TfrxPropInfo &prop : frxClassInfo(object).Props()) {
        if (prop.Kind() == TfrxPropKind::Class) {
            CollectStrings(strings, prop.GetNested(object), prefix + prop.Name() + QLatin1Char('.'));
        } else if (prop.Kind() == TfrxPropKind::String) {
            const QString value = prop.GetString(object);
            if (!value.isEmpty()) {
                strings.Values.insert(prefix + prop.Name(), value);
                strings.Props.insert(&prop);
            }
        }
    }
}

const TfrxInitialStrings &InitialStrings(const QMetaObject *meta)
{
    static QMutex lock;
    // Node-based, so that the sets stay where they are for the life of the program.
    static std::unordered_map<const QMetaObject *, TfrxInitialStrings> cache;
    QMutexLocker locker(&lock);
    auto it = cache.find(meta);
    if (it != cache.end())
        return it->second;
    TfrxInitialStrings strings;
    std::unique_ptr<TfrxComponent> prototype(
        frxCreateComponent(QString::fromLatin1(meta->className()), nullptr));
    if (prototype)
        CollectStrings(strings, TfrxPropTarget(prototype.get()), QString());
    return cache.emplace(meta, std::move(strings)).first->second;
}

// Whether the string property prop, reached under prefix, is one of the initial strings of the
// class being written.
bool IsInitialString(const TfrxInitialStrings &strings, const TfrxPropInfo &prop, QStringView prefix)
{
    return strings.Props.count(&prop) && strings.Values.contains(prefix.toString() + prop.Name());
}

} // namespace

// ---- value text -------------------------------------------------------------------------------------

// Whether an ampersand at i would be read as the start of a reference.
QString frxStrToXML(const QString &value)
{
    return frxEscapeAttribute(value, true);
}

QString frxFloatToStr(double value)
{
    return Variant::FloatToText(value);
}

bool frxStrToFloat(QStringView text, double &value)
{
    QString normal;
    normal.reserve(text.size());
    const QChar separator = FormatSettings().DecimalSeparator;
    for (QChar c : text) {
        if (c == u' ')
            continue;
        normal += (c == u',' || c == u'.') ? separator : c;
    }
    return Variant::TextToFloat(normal, value);
}

QString frxEncodePassword(const QString &password)
{
    QString stored = password;
    for (QChar &c : stored)
        c = QChar(char16_t(c.unicode() - 10));
    return stored;
}

QString frxDecodePassword(const QString &stored)
{
    QString password = stored;
    for (QChar &c : password)
        c = QChar(char16_t(c.unicode() + 10));
    return password;
}

// ---- serializer ---------------------------------------------------------------------------------------

TfrxXMLSerializer::TfrxXMLSerializer(TfrxReport *report) : m_report(report), m_lookupRoot(report) {}

TfrxXMLSerializer::~TfrxXMLSerializer() = default;

void TfrxXMLSerializer::AddError(const QString &text)
{
    // Sorted and unique ignoring case, as the report's own list.
    auto less = [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; };
    auto it = std::lower_bound(m_errors.begin(), m_errors.end(), text, less);
    if (it == m_errors.end() || it->compare(text, Qt::CaseInsensitive) != 0)
        m_errors.insert(it, text);
}

QList<TfrxComponent *> TfrxXMLSerializer::LoadedComponents() const
{
    QList<TfrxComponent *> list;
    for (const QPointer<TfrxComponent> &c : m_loaded)
        if (c)
            list.append(c);
    return list;
}

// ---- writing ------------------------------------------------------------------------------------------

QString TfrxXMLSerializer::ReferenceName(const TComponent *component) const
{
    if (!component)
        return QString();
    const TComponent *owner = component->Owner();
    if (!owner || owner == m_report || (m_report && owner == m_report->Owner()))
        return component->Name();
    const TComponent *ownerOwner = owner->Owner();
    // A component of a frame: the frame sits on a form, which names it.
    if (ownerOwner && !frxFindGlobalComponent(owner->Name()))
        return ownerOwner->Name() + QLatin1Char('.') + owner->Name() + QLatin1Char('.') + component->Name();
    return owner->Name() + QLatin1Char('.') + component->Name();
}

// The attribute text being written. Appending to a QString checks for sharing and room with a call
// into the library every time; this buffer does it inline, and the text gets its string once, at
// its exact size.
struct TfrxXMLSerializer::TextBuffer {
    QVarLengthArray<char16_t, 1024> Data;

    void Put(char16_t c) { Data.append(c); }
    void Put(QStringView text) { Data.append(text.utf16(), text.size()); }
    void Put(QLatin1StringView text)
    {
        const qsizetype at = Data.size();
        Data.resize(at + text.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            Data[at + i] = char16_t(uchar(text[i].toLatin1()));
    }
    QString ToString() const
    {
        return Data.isEmpty() ? QString()
                              : QString(reinterpret_cast<const QChar *>(Data.constData()), Data.size());
    }
};

void TfrxXMLSerializer::WriteProps(TextBuffer &out, const TfrxPropTarget &object, QStringView prefix)
{
    if (object.IsNull())
        return;
    // The attribute's name goes straight into the text. Runs for every property of every object
    // of every prepared page.
    auto putName = [&](const TfrxPropInfo &prop) {
        out.Put(u' ');
        out.Put(prefix);
        out.Put(QStringView(prop.Name()));
    };
    for (const TfrxPropInfo &prop : frxClassInfo(object).Props()) {
        if (!prop.IsStored(object))
            continue;
        // Most properties sit at their defaults: nothing is formatted for one that is not written.
        const TfrxPropKind kind = prop.Kind();
        const bool composite =
            kind == TfrxPropKind::Class || kind == TfrxPropKind::Strings || kind == TfrxPropKind::Picture;
        if (!composite && !m_saveDefaultValues && prop.IsDefaultValue(object) &&
            !(kind == TfrxPropKind::String && m_initialStrings &&
              IsInitialString(*m_initialStrings, prop, prefix)))
            continue;
        switch (kind) {
        case TfrxPropKind::Class: {
            QVarLengthArray<char16_t, 64> nested;
            nested.append(prefix.utf16(), prefix.size());
            nested.append(QStringView(prop.Name()).utf16(), prop.Name().size());
            nested.append(u'.');
            WriteProps(out, prop.GetNested(object), QStringView(nested.constData(), nested.size()));
            continue;
        }
        case TfrxPropKind::Strings:
            putName(prop);
            out.Put(QLatin1StringView(".Text=\""));
            out.Put(QStringView(frxStrToXML(JoinLines(prop.GetStrings(object)))));
            out.Put(u'"');
            continue;
        case TfrxPropKind::Picture: {
            const QString data = frxPicturePropData(prop.GetPicture(object));
            if (!data.isEmpty()) { // hexadecimal digits need no escaping
                putName(prop);
                out.Put(QLatin1StringView(".PropData=\""));
                out.Put(QStringView(data));
                out.Put(u'"');
            }
            continue;
        }
        case TfrxPropKind::Integer:
        case TfrxPropKind::Int64:
        case TfrxPropKind::Set: {
            // Digits need no escaping and no string of their own.
            char digits[24];
            const auto end = std::to_chars(digits, digits + sizeof digits, prop.GetOrdinal(object)).ptr;
            putName(prop);
            out.Put(QLatin1StringView("=\""));
            out.Put(QLatin1StringView(digits, end - digits));
            out.Put(u'"');
            continue;
        }
        case TfrxPropKind::Float: {
            // Whole numbers (most positions and sizes) as frxFloatToStr writes them, without a string.
            const double v = prop.GetFloat(object);
            if (std::abs(v) < 1e15 && v == std::trunc(v)) {
                char digits[24];
                const auto end = std::to_chars(digits, digits + sizeof digits, qint64(v)).ptr;
                putName(prop);
                out.Put(QLatin1StringView("=\""));
                out.Put(QLatin1StringView(digits, end - digits));
                out.Put(u'"');
                continue;
            }
            putName(prop);
            out.Put(QLatin1StringView("=\""));
            out.Put(QStringView(frxStrToXML(frxFloatToStr(v))));
            out.Put(u'"');
            continue;
        }
        default:
            break;
        }
        QString value;
        switch (kind) {
        case TfrxPropKind::Boolean:
        case TfrxPropKind::Enumeration: {
            const qint64 ordinal = prop.GetOrdinal(object);
            value = prop.EnumName(ordinal);
            if (value.isEmpty())
                value = QString::number(ordinal);
            break;
        }
        case TfrxPropKind::String:
            value = prop.GetString(object);
            break;
        case TfrxPropKind::Variant:
            try {
                value = prop.GetVariant(object).ToString();
            } catch (const std::exception &) {
                value.clear(); // objects and arrays have no text
            }
            break;
        case TfrxPropKind::Component:
            value = ReferenceName(qobject_cast<TComponent *>(prop.GetReference(object)));
            break;
        default:
            continue;
        }
        putName(prop);
        out.Put(QLatin1StringView("=\""));
        out.Put(QStringView(frxStrToXML(value)));
        out.Put(u'"');
    }
}

void TfrxXMLSerializer::WriteCollection(TfrxValueWriter &writer, const QString &name,
                                        const TfrxCollection &collection)
{
    writer.WriteName(name);
    writer.WriteListBegin();
    for (int i = 0; i < collection.Count(); ++i) {
        writer.WriteListBegin();
        TextBuffer text;
        WriteProps(text, TfrxPropTarget(collection.Item(i)), QStringView());
        writer.WriteString(text.ToString());
        writer.WriteListEnd();
    }
    writer.WriteListEnd();
}

QString TfrxXMLSerializer::ReportPropData(TfrxReport *report)
{
    TfrxValueWriter writer;
    const QPoint position = frxDesignPosition(report);
    if (position.x() != 0) {
        writer.WriteName(u"Left");
        writer.WriteInteger(position.x());
    }
    if (position.y() != 0) {
        writer.WriteName(u"Top");
        writer.WriteInteger(position.y());
    }
    WriteCollection(writer, QStringLiteral("Datasets"), *report->Datasets());
    WriteCollection(writer, QStringLiteral("Variables"), *report->Variables());
    WriteCollection(writer, QStringLiteral("Style"), *report->Styles());
    return frxBinToHex(writer.Data());
}

void TfrxXMLSerializer::WriteOwnData(QString &out, TfrxComponent *component)
{
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(component))
        AppendAttr(out, QStringLiteral("Text"), JoinLines(memo->Memo()));
    if (auto *report = qobject_cast<TfrxReport *>(component))
        out += QLatin1String(" PropData=\"") + ReportPropData(report) + QLatin1Char('"');
}

QString TfrxXMLSerializer::ObjToXML(const TfrxPropTarget &object, const QString &prefix)
{
    TextBuffer buffer;
    const TfrxInitialStrings *previous = m_initialStrings;
    m_initialStrings = prefix.isEmpty() && object.Object() ? &InitialStrings(object.Meta()) : nullptr;
    WriteProps(buffer, object, prefix);
    m_initialStrings = previous;
    QString out = buffer.ToString();
    if (prefix.isEmpty() && m_writeOwnData)
        if (auto *component = qobject_cast<TfrxComponent *>(object.Object()))
            WriteOwnData(out, component);
    if (prefix.isEmpty() && m_writeAsRead)
        if (const TfrxKeptAttributes *kept = frxKeptAttributes(qobject_cast<TComponent *>(object.Object())))
            out = WriteAsRead(*kept, out);
    return out;
}

void TfrxXMLSerializer::WriteComponent(TfrxComponent *component, TfrxXMLItem *item, bool saveChildren)
{
    struct Step {
        TfrxComponent *component;
        TfrxXMLItem *item;
    };
    std::vector<Step> work{{component, item}};
    while (!work.empty()) {
        const Step step = work.back();
        work.pop_back();
        TfrxComponent *c = step.component;
        const bool root = c == component;
        if (const TfrxStoredElement *element = root ? nullptr : frxStoredElement(c)) {
            // One an ancestor brought is the ancestor's to write.
            if (c->IsAncestor() && m_ancestor)
                delete step.item; // leaves its parent's list
            else
                WriteStoredElement(*element, step.item);
            continue;
        }
        step.item->SetName(!root && c->IsAncestor() ? QStringLiteral("inherited") : c->ClassName());
        QString text;
        if (!root)
            AppendAttr(text, QStringLiteral("Name"), c->Name());
        const bool wasWriting = c->IsWriting();
        c->SetIsWriting(true);
        try {
            text += ObjToXML(TfrxPropTarget(c));
        } catch (...) {
            c->SetIsWriting(wasWriting);
            throw;
        }
        c->SetIsWriting(wasWriting);
        if (!root && c->IsAncestor() && m_ancestor)
            text = AncestorDiff(c, text);
        step.item->SetText(text.startsWith(QLatin1Char(' ')) ? text.mid(1) : text);
        if (!saveChildren)
            continue;
        const QList<TfrxComponent *> &children = c->Objects();
        // Items are appended in order now; which one is filled first does not matter.
        for (TfrxComponent *child : children)
            work.push_back({child, step.item->Add()});
    }
}

// ---- reading ------------------------------------------------------------------------------------------

QString TfrxXMLSerializer::DescribeTarget(const TfrxPropTarget &object) const
{
    QObject *holder = object.Object() ? object.Object() : m_currentHolder.data();
    if (auto *component = qobject_cast<TComponent *>(holder))
        return component->Name().isEmpty() ? component->ClassName() : component->Name();
    return object.IsNull() ? QString() : QString::fromLatin1(object.Meta()->className());
}

QString TfrxXMLSerializer::MemoText(QStringView raw) const
{
    QString value = raw.toString();
    if (m_oldFormat) {
        // Old single-byte documents still carried memo texts as UTF-8 bytes.
        const QByteArray bytes = EncodeLegacy(value);
        if (IsValidUtf8(bytes.constData(), bytes.size()))
            value = QString::fromUtf8(bytes);
    }
    return XMLToStr(value);
}

void TfrxXMLSerializer::XMLToObj(const QString &text, const TfrxPropTarget &object)
{
    if (object.IsNull())
        return;
    // Only the element's own attributes are recorded, not those of list items read on the way.
    std::vector<ReadAttribute> *recording = m_recording;
    m_recording = nullptr;
    ScanAttributes(text, [&](QStringView name, QStringView raw) {
        bool known = true;
        try {
            known = ApplyAttribute(object, name, raw);
        } catch (const std::exception &e) {
            AddError(AttributeError(DescribeTarget(object), name, XMLToStr(raw.toString()), ExceptionText(e)));
        }
        if (recording)
            recording->push_back({name.toString(), raw.toString(), known});
        return true;
    });
    m_recording = recording;
}

void TfrxXMLSerializer::ReadOwnAttributes(TfrxXMLItem *item, TfrxComponent *component)
{
    if (!m_keepAsRead) {
        XMLToObj(item->Text(), TfrxPropTarget(component));
        return;
    }
    std::vector<ReadAttribute> attributes;
    m_recording = &attributes;
    try {
        XMLToObj(item->Text(), TfrxPropTarget(component));
    } catch (...) {
        m_recording = nullptr;
        throw;
    }
    m_recording = nullptr;
    m_read.emplace_back(component, std::move(attributes));
}

bool TfrxXMLSerializer::ApplyAttribute(const TfrxPropTarget &object, QStringView name, QStringView raw)
{
    QObject *obj = object.Object();
    if (!name.contains(u'.')) {
        if (name.size() == 1) {
            // The compact names of prepared pages.
            auto *component = qobject_cast<TfrxComponent *>(obj);
            const char16_t letter = name[0].unicode();
            if (component && (letter == 'l' || letter == 't' || letter == 'w' || letter == 'h')) {
                const QString value = XMLToStr(raw.toString());
                double number;
                if (!frxStrToFloat(value, number))
                    throw EReportError(InvalidFloat(value));
                if (letter == 'l')
                    component->SetLeft(number);
                else if (letter == 't')
                    component->SetTop(number);
                else if (letter == 'w')
                    component->SetWidth(number);
                else
                    component->SetHeight(number);
                return true;
            }
            if (auto *memo = qobject_cast<TfrxCustomMemoView *>(obj)) {
                if (letter == 'u') {
                    memo->SetMemo(SplitLines(MemoText(raw)));
                    return true;
                }
                if (letter == 'x') {
                    memo->SetMemo(SplitLines(XMLToStr(raw.toString())));
                    return true;
                }
            }
        }
        if (SameName(name, u"PropData")) {
            ReadObjectPropData(object, raw);
            return qobject_cast<TfrxReport *>(obj) != nullptr;
        }
        if (SameName(name, u"Text")) {
            if (auto *memo = qobject_cast<TfrxCustomMemoView *>(obj)) {
                memo->SetMemo(SplitLines(MemoText(raw)));
                return true;
            }
        }
        if (SameName(name, u"Name") && qobject_cast<TfrxReport *>(obj))
            return true;
    }

    // Walk the dotted name through nested objects.
    TfrxPropTarget holder = object;
    QStringView rest = name;
    for (;;) {
        const qsizetype dot = rest.indexOf(u'.');
        const TfrxPropInfo *prop = frxFindProp(holder, dot < 0 ? rest : rest.left(dot));
        if (!prop)
            return false; // unknown names are ignored
        if (dot < 0) {
            if (!prop->IsWritable())
                return false;
            SetPropValue(holder, *prop, XMLToStr(raw.toString()));
            return true;
        }
        const QStringView next = rest.mid(dot + 1);
        switch (prop->Kind()) {
        case TfrxPropKind::Class:
            holder = prop->GetNested(holder);
            if (holder.IsNull())
                return false;
            rest = next;
            continue;
        case TfrxPropKind::Strings:
            if (!SameName(next, u"Text") || !prop->IsWritable())
                return false;
            prop->SetStrings(holder, SplitLines(XMLToStr(raw.toString())));
            return true;
        case TfrxPropKind::Picture:
            if (!SameName(next, u"PropData") || !prop->IsWritable())
                return false;
            ReadPicturePropData(holder, *prop, raw, name.toString());
            return true;
        default:
            return false;
        }
    }
}

void TfrxXMLSerializer::SetPropValue(const TfrxPropTarget &target, const TfrxPropInfo &prop,
                                     const QString &value)
{
    switch (prop.Kind()) {
    case TfrxPropKind::Integer:
    case TfrxPropKind::Int64: {
        qint64 number;
        int color;
        if (ParseInteger(value, prop.Kind() == TfrxPropKind::Integer, number))
            prop.SetOrdinal(target, number);
        else if (fsColorValue(value, color)) // colours written by name ("clWhite")
            prop.SetOrdinal(target, color);
        else
            throw EReportError(InvalidInteger(value));
        return;
    }
    case TfrxPropKind::Set: {
        qint64 mask = 0;
        if (!ParseInteger(value, true, mask)) {
            // Tolerate the "[member,member]" form some writers use for sets.
            const QString trimmed = value.trimmed();
            if (!trimmed.startsWith(u'[') || !trimmed.endsWith(u']'))
                throw EReportError(InvalidInteger(value));
            mask = 0;
            for (const QString &member : trimmed.mid(1, trimmed.size() - 2).split(u',', Qt::SkipEmptyParts)) {
                qint64 bit;
                if (prop.EnumValue(member.trimmed(), bit))
                    mask |= bit;
            }
        }
        // Only the members the set has: a stray bit would be a value no code expects.
        qint64 known = 0;
        const QMetaEnum &e = prop.EnumType();
        for (int i = 0; i < e.keyCount(); ++i)
            known |= e.value(i);
        prop.SetOrdinal(target, mask & known);
        return;
    }
    case TfrxPropKind::Boolean:
    case TfrxPropKind::Enumeration: {
        qint64 ordinal;
        if (Variant::TextToInt64(value, ordinal)) {
            if (prop.Kind() == TfrxPropKind::Boolean)
                ordinal = ordinal != 0;
            else if (prop.EnumName(ordinal).isEmpty())
                return; // a number the enumeration does not have: keep the value
        } else if (!prop.EnumValue(value.trimmed(), ordinal)) {
            return; // an unknown value name (a newer program's): keep the value
        }
        prop.SetOrdinal(target, ordinal);
        return;
    }
    case TfrxPropKind::Float: {
        double number;
        if (!frxStrToFloat(value, number))
            throw EReportError(InvalidFloat(value));
        prop.SetFloat(target, number);
        return;
    }
    case TfrxPropKind::String:
        prop.SetString(target, value);
        return;
    case TfrxPropKind::Variant:
        prop.SetVariant(target, Variant(value));
        return;
    case TfrxPropKind::Component:
        m_references.push_back({m_currentHolder, target, &prop, value});
        return;
    default:
        return; // lists, pictures and nested objects have no value of their own
    }
}

void TfrxXMLSerializer::ReadObjectPropData(const TfrxPropTarget &object, QStringView raw)
{
    auto *report = qobject_cast<TfrxReport *>(object.Object());
    if (!report)
        return;
    bool ok = true;
    const QByteArray bytes = frxHexToBin(raw, &ok);
    bool damaged = !ok;
    TfrxValueReader reader(bytes);
    while (!reader.AtEnd()) {
        QString entry;
        if (!reader.ReadName(entry)) {
            damaged = true;
            break;
        }
        if (entry == QLatin1String("Left") || entry == QLatin1String("Top")) {
            qint64 value;
            if (!reader.ReadInteger(value)) {
                damaged = true;
                break;
            }
            QPoint position = frxDesignPosition(report);
            if (entry == QLatin1String("Left"))
                position.setX(int(value));
            else
                position.setY(int(value));
            frxSetDesignPosition(report, position);
            continue;
        }
        TfrxCollection *collection = nullptr;
        if (entry == QLatin1String("Datasets"))
            collection = report->Datasets();
        else if (entry == QLatin1String("Variables"))
            collection = report->Variables();
        else if (entry == QLatin1String("Style"))
            collection = report->Styles();
        if (!collection)
            break; // an entry this program does not know ends the data, as in other readers
        DropReferencesInto(*collection);
        collection->Clear();
        TfrxValueType type;
        if (reader.PeekType(type) && type == TfrxValueType::Collection)
            ReadStreamedCollection(reader, *collection, damaged);
        else
            ReadCollection(reader, *collection, damaged);
        if (damaged)
            break;
    }
    if (damaged)
        AddError(Res("SDamagedPropData", "Damaged data in %1 of %2")
                     .replace(QLatin1String("%1"), QStringLiteral("PropData"))
                     .replace(QLatin1String("%2"), DescribeTarget(object)));
}

void TfrxXMLSerializer::ReadCollection(TfrxValueReader &reader, TfrxCollection &collection, bool &damaged)
{
    if (!reader.ReadListBegin()) {
        damaged = true;
        return;
    }
    while (!reader.NextIsListEnd()) {
        if (!reader.ReadListBegin()) {
            damaged = true;
            return;
        }
        TfrxCollectionItem *item = collection.AddItem();
        while (!reader.NextIsListEnd()) {
            QString text;
            if (!reader.ReadString(text)) {
                damaged = true;
                return;
            }
            XMLToObj(text, TfrxPropTarget(item));
        }
    }
}

void TfrxXMLSerializer::ReadStreamedCollection(TfrxValueReader &reader, TfrxCollection &collection,
                                               bool &damaged)
{
    // The platform's own collection form: per item an optional order number and a list of named
    // values, the names being the item's (dotted) property names as in an attribute text. Values
    // an item cannot take (binary data, nested collections) are passed over.
    if (!reader.ReadCollectionBegin()) {
        damaged = true;
        return;
    }
    while (!reader.NextIsListEnd()) {
        TfrxValueType type;
        if (!reader.PeekType(type)) {
            damaged = true;
            return;
        }
        if (type == TfrxValueType::Int8 || type == TfrxValueType::Int16 || type == TfrxValueType::Int32) {
            qint64 order;
            reader.ReadInteger(order);
        }
        if (!reader.ReadListBegin()) {
            damaged = true;
            return;
        }
        const TfrxPropTarget item(collection.AddItem());
        while (!reader.NextIsListEnd()) {
            QString name;
            if (!reader.ReadName(name) || !reader.PeekType(type)) {
                damaged = true;
                return;
            }
            QString value;
            if (type == TfrxValueType::List) {
                // A list of strings ("Description.Strings").
                QStringList lines;
                reader.ReadListBegin();
                while (!reader.NextIsListEnd()) {
                    QString line;
                    if (!reader.ReadString(line)) {
                        damaged = true;
                        return;
                    }
                    lines.append(line);
                }
                if (name.endsWith(QLatin1String(".Strings")))
                    name = name.left(name.size() - 8) + QLatin1String(".Text");
                value = JoinLines(lines);
            } else if (!reader.ReadValueText(value)) {
                if (!reader.SkipValue()) {
                    damaged = true;
                    return;
                }
                continue;
            }
            try {
                ApplyAttribute(item, name, frxStrToXML(value));
            } catch (const std::exception &e) {
                AddError(AttributeError(DescribeTarget(item), name, value, ExceptionText(e)));
            }
        }
    }
}

void TfrxXMLSerializer::DropReferencesInto(const TfrxCollection &collection)
{
    std::erase_if(m_references, [&](const PendingReference &ref) {
        auto *item = dynamic_cast<TfrxCollectionItem *>(ref.target.Persistent());
        return item && item->Collection() == &collection;
    });
}

void TfrxXMLSerializer::ReadPicturePropData(const TfrxPropTarget &target, const TfrxPropInfo &prop,
                                            QStringView raw, const QString &attribute)
{
    bool ok = true;
    TfrxValueReader reader(frxHexToBin(raw, &ok)); // the only copy of the bytes
    bool damaged = !ok;
    while (!damaged && !reader.AtEnd()) {
        QString entry;
        QByteArray data;
        if (!reader.ReadName(entry)) {
            damaged = true;
            break;
        }
        if (entry != QLatin1String("Data"))
            break;
        if (!reader.ReadBinary(data)) {
            damaged = true;
            break;
        }
        TPicture picture;
        QString className;
        if (data.isEmpty()) {
            prop.SetPicture(target, picture);
        } else if (frxPictureFromGraphicData(data, picture, className)) {
            prop.SetPicture(target, picture);
        } else if (!className.isEmpty()) {
            // A class this program does not draw (a metafile, an icon): its data is kept as it
            // stands and written back unchanged.
            const qsizetype start = 1 + className.toLatin1().size();
            picture.SetStoredGraphic(className, data.mid(start));
            prop.SetPicture(target, picture);
            // A picture of a kind it does draw but could not read will not print: say so.
            if (className == QLatin1String("TJPEGImage") || className == QLatin1String("TBitmap") ||
                className == QLatin1String("TPngImage"))
                AddError(Res("SUnsupportedPicture", "Cannot read the %1 picture in %2 of %3")
                             .replace(QLatin1String("%1"), className)
                             .replace(QLatin1String("%2"), attribute)
                             .replace(QLatin1String("%3"), DescribeTarget(target)));
        } else {
            AddError(Res("SUnsupportedPicture", "Cannot read the %1 picture in %2 of %3")
                         .replace(QLatin1String("%1"), className.isEmpty() ? QStringLiteral("?") : className)
                         .replace(QLatin1String("%2"), attribute)
                         .replace(QLatin1String("%3"), DescribeTarget(target)));
        }
    }
    if (damaged)
        AddError(Res("SDamagedPropData", "Damaged data in %1 of %2")
                     .replace(QLatin1String("%1"), attribute)
                     .replace(QLatin1String("%2"), DescribeTarget(target)));
}

void TfrxXMLSerializer::BeginObject(TfrxComponent *component)
{
    component->SetIsLoading(true);
    m_loaded.append(component);
    m_currentHolder = component;
}

TfrxComponent *TfrxXMLSerializer::CreateElement(TfrxXMLItem *item, TfrxComponent *parent)
{
    const QString &className = item->Name();
    const bool inherited = className == QLatin1String("inherited");
    if (!inherited && parent && ReadListElement(item, parent))
        return nullptr;
    if (!inherited) {
        const QMetaObject *meta = frxFindClass(className);
        if (!meta) {
            AddError(frxGet(QStringLiteral("SCannotFindClass")) + className);
            return parent ? KeepUnknownElement(item, parent) : nullptr;
        }
        if (meta->inherits(&TfrxReport::staticMetaObject)) {
            AddError(Res("SNestedReport", "A report inside %1 was skipped")
                         .replace(QLatin1String("%1"),
                                  parent->Name().isEmpty() ? parent->ClassName() : parent->Name()));
            return nullptr;
        }
    }

    QString name;
    ScanAttributes(item->Text(), [&](QStringView attribute, QStringView raw) {
        if (!SameName(attribute, u"Name"))
            return true;
        name = XMLToStr(raw.toString());
        return false;
    });

    // Only objects an ancestor layout introduced are filled in place. Any other object of the same
    // name is a second one in this file: it is created anyway and loses its name ("Duplicate
    // name"), instead of being merged into the first and lost.
    TfrxComponent *component = nullptr;
    if (!name.isEmpty() && (m_hasAncestors || inherited)) {
        TfrxComponent *existing = nullptr;
        if (m_report)
            existing = qobject_cast<TfrxComponent *>(m_report->FindComponent(name));
        else if (m_lookupRoot)
            existing = m_lookupRoot->FindObject(name);
        if (existing && (existing->IsAncestor() || inherited) && !m_loaded.contains(existing))
            component = existing;
    }
    if (!component) {
        // An object its ancestor no longer has (or an ancestor that could not be read): kept as
        // it stands, so that a save gives it back.
        if (inherited)
            return parent ? KeepUnknownElement(item, parent) : nullptr;
        component = frxCreateComponent(className, parent);
        if (!component)
            return nullptr;
    }
    BeginObject(component);
    ReadOwnAttributes(item, component);
    if (m_releaseTexts)
        item->SetText(QString());
    return component;
}

void TfrxXMLSerializer::PrepareReading(TfrxComponent *scope)
{
    if (!m_lookupRoot)
        m_lookupRoot = scope && scope->Report() ? scope->Report() : scope;
    // Looking each element's name up costs a walk over the report; only objects of an ancestor
    // layout can be found, so look only when there are some.
    m_hasAncestors = false;
    if (m_lookupRoot)
        for (TfrxComponent *c : m_lookupRoot->AllObjects())
            if (c->IsAncestor()) {
                m_hasAncestors = true;
                break;
            }
}

void TfrxXMLSerializer::ReadComponent(TfrxXMLItem *item, TfrxComponent *root)
{
    PrepareReading(root);
    BeginObject(root);
    ReadOwnAttributes(item, root);
    if (m_releaseTexts)
        item->SetText(QString());
    ReadChildren(item, root, 1);
}

TfrxComponent *TfrxXMLSerializer::ReadElement(TfrxXMLItem *item, TfrxComponent *parent)
{
    PrepareReading(parent);
    TfrxComponent *component = nullptr;
    try {
        component = CreateElement(item, parent);
    } catch (const std::exception &e) {
        AddError(ExceptionText(e));
    }
    if (component && !frxStoredElement(component))
        ReadChildren(item, component, 2);
    return component;
}

void TfrxXMLSerializer::ReadChildren(TfrxXMLItem *item, TfrxComponent *component, int depth)
{
    struct Level {
        TfrxXMLItem *item;
        TfrxComponent *component;
        int next;
    };
    std::vector<Level> stack{{item, component, 0}};
    while (!stack.empty()) {
        Level &level = stack.back();
        if (level.next >= level.item->Count()) {
            stack.pop_back();
            continue;
        }
        TfrxXMLItem *child = level.item->Items(level.next++);
        TfrxComponent *parent = level.component;
        if (stack.size() + size_t(depth) > size_t(kMaxDepth)) {
            if (!m_depthReported)
                AddError(Res("SLayoutTooDeep", "Objects nested deeper than %1 levels were skipped")
                             .replace(QLatin1String("%1"), QString::number(kMaxDepth)));
            m_depthReported = true;
            continue;
        }
        TfrxComponent *created = nullptr;
        try {
            created = CreateElement(child, parent);
        } catch (const std::exception &e) {
            AddError(ExceptionText(e));
        }
        if (created && child->Count() > 0 && !frxStoredElement(created))
            stack.push_back({child, created, 0}); // invalidates `level`, which is not used again
    }
}

TfrxComponent *TfrxXMLSerializer::CreateFromText(const QString &text, TComponent *owner)
{
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    const QString className = blank < 0 ? text : text.left(blank);
    if (!frxFindClass(className)) {
        AddError(frxGet(QStringLiteral("SCannotFindClass")) + className);
        return nullptr;
    }
    TfrxComponent *component = frxCreateComponent(className, owner);
    if (!component)
        return nullptr;
    if (!m_lookupRoot)
        m_lookupRoot = component->Report();
    BeginObject(component);
    if (blank >= 0)
        XMLToObj(text.mid(blank + 1), TfrxPropTarget(component));
    return component;
}

QObject *TfrxXMLSerializer::FindReference(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    if (m_lookupRoot)
        if (TfrxComponent *found = m_lookupRoot->FindObject(name))
            return found;
    const QStringList parts = name.split(QLatin1Char('.'));
    if (parts.size() == 2 || parts.size() == 3) {
        TComponent *component = frxFindGlobalComponent(parts[0]);
        for (qsizetype i = 1; component && i < parts.size(); ++i)
            component = component->FindComponent(parts[i]);
        return component;
    }
    if (parts.size() != 1)
        return nullptr;
    const TComponent *report = m_report ? static_cast<const TComponent *>(m_report) : m_lookupRoot;
    if (!report)
        return nullptr;
    if (TComponent *found = report->FindComponent(name))
        return found;
    if (report->Owner())
        return report->Owner()->FindComponent(name);
    return nullptr;
}

void TfrxXMLSerializer::ResolveReferences()
{
    std::vector<PendingReference> references;
    references.swap(m_references);
    for (const PendingReference &ref : references) {
        if (!ref.holder)
            continue;
        QObject *found = FindReference(ref.name);
        if (!found)
            continue;
        try {
            ref.prop->SetReference(ref.target, found);
        } catch (const std::exception &e) {
            QObject *holder = ref.holder.data();
            const auto *component = qobject_cast<TComponent *>(holder);
            const QString object = !component ? QString()
                                   : component->Name().isEmpty() ? component->ClassName()
                                                                 : component->Name();
            AddError(AttributeError(object, ref.prop->Name(), ref.name, ExceptionText(e)));
        }
    }
}

void TfrxXMLSerializer::FinishLoading()
{
    const QList<QPointer<TfrxComponent>> loaded = m_loaded;
    m_loaded.clear();
    for (const QPointer<TfrxComponent> &component : loaded) {
        if (!component)
            continue;
        component->SetIsLoading(false);
        if (qobject_cast<TfrxReport *>(component))
            continue;
        // The loaded notification, for classes that want one.
        if (component->metaObject()->indexOfMethod("Loaded()") >= 0)
            QMetaObject::invokeMethod(component, "Loaded", Qt::DirectConnection);
    }
}

// ---- elements kept as they were read ------------------------------------------------------------------

namespace {

// A copy of an element and its subtree. Levels beyond the reader's own limit are left out (the
// reader reports them); what is kept is freed again by plain recursion, so its depth must be bounded.
TfrxStoredElement StoreElement(const TfrxXMLItem *item, int depth, bool &tooDeep)
{
    TfrxStoredElement element;
    element.Name = item->Name();
    element.Text = item->Text();
    if (depth >= kMaxDepth) {
        tooDeep = tooDeep || item->Count() > 0;
        return element;
    }
    element.Children.reserve(item->Count());
    for (int i = 0; i < item->Count(); ++i)
        element.Children.append(StoreElement(item->Items(i), depth + 1, tooDeep));
    return element;
}

// The element as the writer is to write it, so that reading gives back exactly its name and text:
// the writer puts no blank of its own before a text that starts with one, and the reader takes one
// blank after the name and drops one before the ">" of a start tag.
void RestoreElement(const TfrxStoredElement &element, TfrxXMLItem *item)
{
    item->SetName(element.Name);
    QString text = element.Text;
    if (text.startsWith(QLatin1Char(' ')))
        text.prepend(QLatin1Char(' '));
    if (!element.Children.isEmpty() && text.endsWith(QLatin1Char(' ')))
        text.append(QLatin1Char(' '));
    item->SetText(text);
    for (const TfrxStoredElement &child : element.Children)
        RestoreElement(child, item->Add());
}

bool SameElement(const TfrxStoredElement &a, const TfrxXMLItem &b)
{
    if (a.Name != b.Name() || a.Text != b.Text() || a.Children.size() != b.Count())
        return false;
    for (int i = 0; i < b.Count(); ++i)
        if (!SameElement(a.Children[i], *b.Items(i)))
            return false;
    return true;
}

// Whether the element, written as the layout writer writes it, reads back as the same element.
// Some damaged tags cannot be: a name the legacy code page cannot hold, a name ending in "/"
// (read as an empty element), an attribute text holding what the reader takes for the mark of
// an unloadable element.
bool WritesBackAsRead(const TfrxStoredElement &element)
{
    TfrxXMLItem item;
    RestoreElement(element, &item);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    try {
        {
            TfrxXMLWriter writer(&buffer);
            writer.SetAutoIndent(true);
            writer.WriteItem(&item);
            writer.Flush();
        }
        buffer.seek(0);
        TfrxXMLItem again;
        TfrxXMLReader reader(&buffer);
        return reader.ReadItem(&again) && !reader.Truncated() && SameElement(element, again);
    } catch (const std::exception &) {
        return false;
    }
}

} // namespace

void TfrxXMLSerializer::WriteStoredElement(const TfrxStoredElement &element, TfrxXMLItem *item)
{
    RestoreElement(element, item);
}

TfrxComponent *TfrxXMLSerializer::KeepUnknownElement(TfrxXMLItem *item, TfrxComponent *parent)
{
    bool tooDeep = false;
    TfrxStoredElement element = StoreElement(item, 0, tooDeep);
    if (tooDeep && !m_depthReported) {
        AddError(Res("SLayoutTooDeep", "Objects nested deeper than %1 levels were skipped")
                     .replace(QLatin1String("%1"), QString::number(kMaxDepth)));
        m_depthReported = true;
    }
    // What could not be written back as it was read is left out (and said so), rather than
    // written as something that reads differently the next time.
    if (!WritesBackAsRead(element)) {
        AddError(Res("SDamagedElementSkipped",
                     "A damaged element \"%1\" was skipped: it could not be written back as it was read")
                     .replace(QLatin1String("%1"), element.Name.simplified()));
        return nullptr;
    }
    TfrxComponent *unknown;
    if (qobject_cast<TfrxReport *>(parent))
        unknown = new TfrxUnknownPage(parent);
    else
        unknown = new TfrxUnknownObject(parent);
    // Its place and size, so a designer can show where it is; the name, so the object can be found
    // (a name another object of the layout already holds stays in the element only).
    ScanAttributes(item->Text(), [&](QStringView attribute, QStringView raw) {
        double number;
        if (SameName(attribute, u"Name")) {
            const QString name = XMLToStr(raw.toString());
            try {
                if (TComponent::IsValidIdent(name) && !(m_lookupRoot && m_lookupRoot->FindObject(name)))
                    unknown->SetName(name);
            } catch (const std::exception &) {
            }
        } else if (SameName(attribute, u"Left") && frxStrToFloat(raw, number)) {
            unknown->SetLeft(number);
        } else if (SameName(attribute, u"Top") && frxStrToFloat(raw, number)) {
            unknown->SetTop(number);
        } else if (SameName(attribute, u"Width") && frxStrToFloat(raw, number)) {
            unknown->SetWidth(number);
        } else if (SameName(attribute, u"Height") && frxStrToFloat(raw, number)) {
            unknown->SetHeight(number);
        }
        return true;
    });
    if (auto *page = qobject_cast<TfrxUnknownPage *>(unknown))
        page->SetElement(std::move(element));
    else
        static_cast<TfrxUnknownObject *>(unknown)->SetElement(std::move(element));
    m_loaded.append(unknown);
    return unknown;
}

// ---- lists written as child elements ------------------------------------------------------------------

bool TfrxXMLSerializer::ReadListElement(TfrxXMLItem *item, TfrxComponent *parent)
{
    const QString &name = item->Name();
    auto skipped = [&](const TfrxXMLItem *child) {
        AddError(Res("SSkippedListElement", "Unexpected element %1 in %2 was skipped")
                     .replace(QLatin1String("%1"), child->Name())
                     .replace(QLatin1String("%2"), name));
    };
    // Entries are "item" elements; anything else in a list has no place in it.
    auto isEntry = [](const TfrxXMLItem *child) {
        return child->Name().compare(QLatin1String("item"), Qt::CaseInsensitive) == 0;
    };

    if (auto *report = qobject_cast<TfrxReport *>(parent)) {
        TfrxCollection *collection = nullptr;
        if (name == QLatin1String("Datasets"))
            collection = report->Datasets();
        else if (name == QLatin1String("Variables"))
            collection = report->Variables();
        else if (name == QLatin1String("Styles"))
            collection = report->Styles();
        if (!collection)
            return false;
        // Like the PropData form: the element holds the whole list.
        DropReferencesInto(*collection);
        collection->Clear();
        m_currentHolder = report;
        for (int i = 0; i < item->Count(); ++i) {
            TfrxXMLItem *child = item->Items(i);
            if (!isEntry(child)) {
                skipped(child);
                continue;
            }
            if (child->Count() > 0)
                skipped(child->Items(0));
            XMLToObj(child->Text(), TfrxPropTarget(collection->AddItem()));
        }
        return true;
    }

    auto *memo = qobject_cast<TfrxCustomMemoView *>(parent);
    if (!memo || name != QLatin1String("Formats"))
        return false;
    // A text object formats every expression with its one DisplayFormat: the first entry is it.
    int entries = 0;
    bool differ = false; // formats equal to the first lose nothing
    QString first;
    m_currentHolder = memo;
    for (int i = 0; i < item->Count(); ++i) {
        TfrxXMLItem *child = item->Items(i);
        if (!isEntry(child) || child->Count() > 0) {
            skipped(isEntry(child) ? child->Items(0) : child);
            if (!isEntry(child))
                continue;
        }
        if (entries++ == 0) {
            first = child->Text();
            XMLToObj(first, TfrxPropTarget(memo->DisplayFormat()));
        } else if (child->Text() != first) {
            differ = true;
        }
    }
    if (differ)
        AddError(Res("SExtraFormats", "%1 has %2 display formats; only the first is used")
                     .replace(QLatin1String("%1"), memo->Name().isEmpty() ? memo->ClassName() : memo->Name())
                     .replace(QLatin1String("%2"), QString::number(entries)));
    return true;
}

// ---- inherited layouts --------------------------------------------------------------------------------

QString TfrxXMLSerializer::AncestorDiff(TfrxComponent *component, const QString &text)
{
    TfrxComponent *original = m_ancestor->FindObject(component->Name());
    if (!original || original->metaObject() != component->metaObject())
        return text;
    auto attributes = [](const QString &attributeText) {
        std::vector<std::pair<QString, QString>> list;
        ScanAttributes(attributeText, [&](QStringView name, QStringView raw) {
            list.emplace_back(name.toString(), raw.toString());
            return true;
        });
        return list;
    };
    const bool wasWriting = original->IsWriting();
    original->SetIsWriting(true);
    const auto theirs = attributes(ObjToXML(TfrxPropTarget(original)));
    original->SetIsWriting(wasWriting);
    const auto ours = attributes(text);

    QString out;
    // Plain loop variables: lambdas cannot capture structured bindings on every compiler we build with.
    for (const auto &attribute : ours) {
        const auto &name = attribute.first;
        const auto &raw = attribute.second;
        const bool same = name == QLatin1String("Name") ||
                          std::any_of(theirs.begin(), theirs.end(),
                                      [&](const auto &a) { return a.first == name && a.second == raw; });
        if (name == QLatin1String("Name") || !same)
            out += QLatin1Char(' ') + name + QLatin1String("=\"") + raw + QLatin1Char('"');
    }
    // A value the ancestor stores that this object has back at its default is written as it is here.
    QString full;
    for (const auto &attribute : theirs) {
        const auto &name = attribute.first;
        const bool present =
            std::any_of(ours.begin(), ours.end(), [&](const auto &a) { return a.first == name; });
        if (present)
            continue;
        if (full.isEmpty()) {
            const bool saveDefaults = m_saveDefaultValues;
            m_saveDefaultValues = true;
            full = ObjToXML(TfrxPropTarget(component));
            m_saveDefaultValues = saveDefaults;
        }
        for (const auto &[fullName, fullRaw] : attributes(full))
            if (fullName == name) {
                out += QLatin1Char(' ') + name + QLatin1String("=\"") + fullRaw + QLatin1Char('"');
                break;
            }
    }
    return out;
}

// ---- attributes kept as read --------------------------------------------------------------------------

Q_DECLARE_METATYPE(std::shared_ptr<const TfrxKeptAttributes>)

namespace {

const char *const kKeptAttributes = "frxKeptAttributes";

// Values longer than this are compared by hash (pictures run to megabytes of hexadecimal digits).
constexpr qsizetype kLongValue = 256;

using AttributeList = std::vector<std::pair<QString, QString>>;

AttributeList SplitAttributes(QStringView text)
{
    AttributeList list;
    ScanAttributes(text, [&](QStringView name, QStringView raw) {
        list.emplace_back(name.toString(), raw.toString());
        return true;
    });
    return list;
}

qsizetype FindAttribute(const AttributeList &list, QStringView name)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (SameName(list[i].first, name))
            return qsizetype(i);
    return -1;
}

bool SameAsNormal(const TfrxKeptAttributes::Entry &entry, const QString &value)
{
    if (entry.NormalSize < 0)
        return entry.Normal == value;
    return value.size() == entry.NormalSize && qHash(value, 0) == entry.NormalHash;
}

// Every attribute a new object of the class is written with, defaults too; what a file leaves out
// reads back as these values.
const AttributeList &FreshAttributes(const QMetaObject *meta)
{
    static QMutex lock;
    static std::unordered_map<const QMetaObject *, AttributeList> cache;
    QMutexLocker locker(&lock);
    auto it = cache.find(meta);
    if (it != cache.end())
        return it->second;
    AttributeList list;
    std::unique_ptr<TfrxComponent> prototype(frxCreateComponent(QString::fromLatin1(meta->className()), nullptr));
    if (prototype) {
        TfrxXMLSerializer writer;
        writer.SetSaveDefaultValues(true);
        prototype->SetIsWriting(true);
        list = SplitAttributes(writer.ObjToXML(TfrxPropTarget(prototype.get())));
    }
    return cache.emplace(meta, std::move(list)).first->second;
}

// The property a (dotted) attribute name ends in, and the object that holds it.
const TfrxPropInfo *ResolveAttribute(const TfrxPropTarget &object, QStringView name, TfrxPropTarget &holder)
{
    holder = object;
    QStringView rest = name;
    for (;;) {
        const qsizetype dot = rest.indexOf(u'.');
        const TfrxPropInfo *prop = frxFindProp(holder, dot < 0 ? rest : rest.left(dot));
        if (!prop || dot < 0)
            return prop;
        if (prop->Kind() != TfrxPropKind::Class)
            return nullptr; // "Memo.Text", "Picture.PropData": never left out for being default
        holder = prop->GetNested(holder);
        if (holder.IsNull())
            return nullptr;
        rest = rest.mid(dot + 1);
    }
}

} // namespace

const TfrxKeptAttributes *frxKeptAttributes(const TComponent *component)
{
    if (!component)
        return nullptr;
    const QVariant value = component->property(kKeptAttributes);
    if (!value.isValid())
        return nullptr;
    return value.value<std::shared_ptr<const TfrxKeptAttributes>>().get();
}

void frxForgetKeptAttributes(TComponent *component)
{
    if (component && component->property(kKeptAttributes).isValid())
        component->setProperty(kKeptAttributes, QVariant());
}

void TfrxXMLSerializer::KeepReadAttributes()
{
    const bool writeAsRead = m_writeAsRead;
    m_writeAsRead = false; // the writer's own form is what the file's is compared with
    std::vector<std::pair<QPointer<TfrxComponent>, std::vector<ReadAttribute>>> read;
    read.swap(m_read);
    for (const auto &record : read) {
        TfrxComponent *component = record.first;
        if (!component)
            continue;
        const std::vector<ReadAttribute> &attributes = record.second;
        const bool wasWriting = component->IsWriting();
        component->SetIsWriting(true);
        QString text;
        try {
            text = ObjToXML(TfrxPropTarget(component));
        } catch (...) {
            component->SetIsWriting(wasWriting);
            throw;
        }
        component->SetIsWriting(wasWriting);
        const AttributeList written = SplitAttributes(text);

        auto normal = [](TfrxKeptAttributes::Entry &entry, const QString &value) {
            if (value.size() > kLongValue) {
                entry.NormalHash = qHash(value, 0);
                entry.NormalSize = value.size();
            } else {
                entry.Normal = value;
            }
        };
        auto kept = std::make_shared<TfrxKeptAttributes>();
        QStringList common; // names both have, in the file's order
        for (size_t i = 0; i < attributes.size(); ++i) {
            const ReadAttribute &attribute = attributes[i];
            kept->Names.append(attribute.Name);
            // The name is the element's, written before the attributes; a second attribute of a
            // name already seen was overridden by it when read.
            if (SameName(attribute.Name, u"Name"))
                continue;
            bool seen = false;
            for (size_t j = 0; j < i && !seen; ++j)
                seen = SameName(attributes[j].Name, attribute.Name);
            if (seen)
                continue;
            TfrxKeptAttributes::Entry entry;
            entry.Index = int(i);
            entry.Name = attribute.Name;
            entry.Raw = attribute.Raw;
            const qsizetype at = FindAttribute(written, attribute.Name);
            if (at >= 0)
                common << attribute.Name;
            if (!attribute.Known) {
                if (at < 0) { // a read-only property the writer writes itself
                    entry.What = TfrxKeptAttributes::Unknown;
                    kept->Entries.append(std::move(entry));
                }
                continue;
            }
            if (at >= 0) {
                const auto &[name, value] = written[size_t(at)];
                if (name == attribute.Name && value == attribute.Raw)
                    continue;
                entry.What = TfrxKeptAttributes::Respelled;
                normal(entry, value);
                kept->Entries.append(std::move(entry));
                continue;
            }
            // Left out by the writer: a property at its default, or a reference that found nothing,
            // is given back; one the writer keeps under another name ("Memo.Text") is not.
            TfrxPropTarget holder;
            const TfrxPropInfo *prop = ResolveAttribute(TfrxPropTarget(component), attribute.Name, holder);
            if (!prop || !(prop->IsStored(holder) || prop->IsDefaultValue(holder)))
                continue;
            entry.What = TfrxKeptAttributes::Missing;
            entry.Reference = prop->Kind() == TfrxPropKind::Component;
            kept->Entries.append(std::move(entry));
        }
        // What the writer adds that the file left out, where leaving it out reads back the same: the
        // value a new object has. (Not so for the report, whose options come from the host, nor
        // for a value the file gave in another form, as a list element or under another name.)
        const bool root = qobject_cast<TfrxReport *>(component) != nullptr;
        const AttributeList &fresh = root ? written : FreshAttributes(component->metaObject());
        QStringList order; // the writer's names that the file has too, in the writer's order
        for (const auto &[name, value] : written) {
            bool inFile = false;
            for (const ReadAttribute &attribute : attributes)
                inFile = inFile || SameName(attribute.Name, name);
            if (inFile) {
                order << name;
                continue;
            }
            const qsizetype at = root ? -1 : FindAttribute(fresh, name);
            if (at < 0 || fresh[size_t(at)].second != value)
                continue;
            TfrxKeptAttributes::Entry entry;
            entry.What = TfrxKeptAttributes::Added;
            entry.Name = name;
            normal(entry, value);
            kept->Entries.append(std::move(entry));
        }
        if (kept->Entries.isEmpty() && order == common)
            frxForgetKeptAttributes(component);
        else
            component->setProperty(kKeptAttributes,
                                   QVariant::fromValue(std::shared_ptr<const TfrxKeptAttributes>(kept)));
    }
    m_writeAsRead = writeAsRead;
}

QString TfrxXMLSerializer::WriteAsRead(const TfrxKeptAttributes &kept, const QString &text) const
{
    AttributeList writer = SplitAttributes(text);
    // Unchanged values in the spelling they were read with; what the file left out stays out.
    for (const TfrxKeptAttributes::Entry &entry : kept.Entries) {
        if (entry.What != TfrxKeptAttributes::Respelled && entry.What != TfrxKeptAttributes::Added)
            continue;
        const qsizetype at = FindAttribute(writer, entry.Name);
        if (at < 0 || !SameAsNormal(entry, writer[size_t(at)].second))
            continue;
        if (entry.What == TfrxKeptAttributes::Respelled)
            writer[size_t(at)] = {entry.Name, entry.Raw};
        else
            writer.erase(writer.begin() + at);
    }
    // The file's order: its attributes where it had them, those it did not know or the writer
    // leaves out among them; then what only the writer has, each after the attribute the writer
    // put before it.
    AttributeList out;
    std::vector<bool> placed(writer.size(), false);
    for (qsizetype i = 0; i < kept.Names.size(); ++i) {
        const QString &name = kept.Names[i];
        if (SameName(name, u"Name"))
            continue;
        const qsizetype at = FindAttribute(writer, name);
        if (at >= 0) {
            if (!placed[size_t(at)]) {
                out.push_back(writer[size_t(at)]);
                placed[size_t(at)] = true;
            }
            continue;
        }
        for (const TfrxKeptAttributes::Entry &entry : kept.Entries)
            if (entry.Index == i &&
                (entry.What == TfrxKeptAttributes::Unknown || entry.What == TfrxKeptAttributes::Missing)) {
                out.emplace_back(entry.Name, entry.Raw);
                break;
            }
    }
    for (size_t k = 0; k < writer.size(); ++k) {
        if (placed[k])
            continue;
        size_t position = 0;
        for (size_t j = k; j-- > 0;) {
            const qsizetype at = FindAttribute(out, writer[j].first);
            if (at >= 0) {
                position = size_t(at) + 1;
                break;
            }
        }
        out.insert(out.begin() + qsizetype(position), writer[k]);
        placed[k] = true;
    }
    QString result;
    result.reserve(text.size() + 64);
    for (const auto &[name, value] : out) {
        result += QLatin1Char(' ');
        result += name;
        result += QLatin1String("=\"");
        result += value;
        result += QLatin1Char('"');
    }
    return result;
}

// Published properties of host objects through the meta-object system.

#include "script/fs_imeta.h"

#include "script/fs_iinterpreter.h"

#include <QDateTime>
#include <QHash>
#include <QMetaEnum>
#include <QMutex>
#include <QRegularExpression>

#include <cstring>

// ---- instances ------------------------------------------------------------------------------------

TfsInstance TfsInstance::From(const Variant &value)
{
    TfsInstance result;
    if (!value.IsObject())
        return result;
    QObject *object = value.ToObject();
    if (!object)
        return result;
    result.Object = object;
    if (auto *proxy = qobject_cast<TfsGadgetProxy *>(object)) {
        result.Gadget = proxy->Gadget();
        result.Meta = proxy->GadgetMeta();
    } else {
        result.Meta = object->metaObject();
    }
    return result;
}

// ---- the folded property index ------------------------------------------------------------------

namespace {

struct FoldedIndex {
    QHash<QString, int> properties;
};

QMutex g_indexLock;
QHash<const QMetaObject *, FoldedIndex *> g_indexes; // lives as long as the process

const FoldedIndex &IndexOf(const QMetaObject *meta)
{
    QMutexLocker lock(&g_indexLock);
    FoldedIndex *&index = g_indexes[meta];
    if (!index) {
        index = new FoldedIndex;
        for (int i = 0; i < meta->propertyCount(); ++i)
            index->properties.insert(QString::fromLatin1(meta->property(i).name()).toLower(), i);
    }
    return *index;
}

qint64 RawEnumValue(const QVariant &value)
{
    const void *data = value.constData();
    switch (value.metaType().sizeOf()) {
    case 1:
        return *static_cast<const qint8 *>(data);
    case 2:
        return *static_cast<const qint16 *>(data);
    case 8:
        return *static_cast<const qint64 *>(data);
    default:
        return *static_cast<const qint32 *>(data);
    }
}

QVariant EnumVariant(QMetaType type, qint64 value)
{
    unsigned char buffer[16] = {};
    int size = type.sizeOf();
    if (size == 1) {
        qint8 v = qint8(value);
        std::memcpy(buffer, &v, 1);
    } else if (size == 2) {
        qint16 v = qint16(value);
        std::memcpy(buffer, &v, 2);
    } else if (size == 8) {
        std::memcpy(buffer, &value, 8);
    } else {
        qint32 v = qint32(value);
        std::memcpy(buffer, &v, 4);
    }
    return QVariant(type, buffer);
}

QString PropertyName(const QMetaProperty &property)
{
    return QString::fromLatin1(property.name());
}

// A value given to an enumeration or set property: its integer, the name of a value, several
// names separated by commas, or a set constructor (the values of its members combined).
qint64 EnumValueOf(const QMetaProperty &property, const Variant &value)
{
    if (value.IsArray()) {
        qint64 mask = 0;
        for (const Variant &element : value.ArrayElements())
            mask |= EnumValueOf(property, element);
        return mask;
    }
    if (value.IsString()) {
        QMetaEnum e = property.enumerator();
        QByteArray key = value.StringRef().trimmed().toLatin1();
        bool ok = false;
        int v =
            e.isFlag() ? e.keysToValue(key.isEmpty() ? "0" : key.constData(), &ok) : e.keyToValue(key, &ok);
        if (ok)
            return v;
        qint64 number;
        if (Variant::TextToInt64(value.StringRef(), number))
            return number;
        throw EfsRuntimeError(QStringLiteral("EConvertError"),
                              QStringLiteral("Invalid property value: '%1'").arg(value.StringRef()));
    }
    return value.ToInt64();
}

QStringList LinesOf(const Variant &value)
{
    if (value.IsEmptyOrNull())
        return {};
    if (value.IsArray()) {
        QStringList lines;
        for (const Variant &element : value.ArrayElements())
            lines << element.ToString();
        return lines;
    }
    if (value.IsObject()) {
        if (auto *strings = qobject_cast<TfsStringsProxy *>(value.ToObject()))
            return strings->Read();
    }
    QString text = value.ToString();
    if (text.isEmpty())
        return {};
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

QVariant ReadRaw(const TfsInstance &instance, const QMetaProperty &property)
{
    return instance.Gadget ? property.readOnGadget(instance.Gadget) : property.read(instance.Object);
}

} // namespace

int fsMeta::PropertyIndex(const QMetaObject *meta, const QString &name)
{
    return IndexOf(meta).properties.value(name.toLower(), -1);
}

const QMetaObject *fsMeta::PropertyClass(const QMetaProperty &property)
{
    QMetaType type = property.metaType();
    if (type.flags() & (QMetaType::PointerToQObject | QMetaType::PointerToGadget))
        return type.metaObject();
    return nullptr;
}

TfsTypeRec fsMeta::PropertyType(const QMetaProperty &property)
{
    if (property.isFlagType())
        return {fvtInt, QString::fromLatin1(property.enumerator().name())};
    if (property.isEnumType())
        return {fvtEnum, QString::fromLatin1(property.enumerator().name())};
    if (const QMetaObject *meta = PropertyClass(property))
        return {fvtClass, QString::fromLatin1(meta->className())};
    switch (property.metaType().id()) {
    case QMetaType::Bool:
        return {fvtBool, QStringLiteral("Boolean")};
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return {fvtInt, QStringLiteral("Integer")};
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return {fvtInt64, QStringLiteral("Int64")};
    case QMetaType::Double:
    case QMetaType::Float:
        return {fvtFloat, QStringLiteral("Extended")};
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
        return {fvtFloat, QStringLiteral("TDateTime")};
    case QMetaType::QString:
        return {fvtString, QStringLiteral("String")};
    case QMetaType::QChar:
        return {fvtChar, QStringLiteral("Char")};
    case QMetaType::QStringList:
        return {fvtClass, QStringLiteral("TStrings")};
    default:
        return {fvtVariant, QStringLiteral("Variant")};
    }
}

Variant fsMeta::Read(TfsScript *script, const TfsInstance &instance, int index)
{
    QMetaProperty property = instance.Meta->property(index);
    if (property.metaType().id() == QMetaType::QStringList)
        return Variant(script->StringsProxyFor(instance.Object, instance.Gadget, instance.Meta, index));
    QVariant raw = ReadRaw(instance, property);
    if (property.isEnumType())
        return Variant(RawEnumValue(raw));
    QMetaType type = raw.metaType();
    if (type.flags() & QMetaType::PointerToGadget) {
        void *gadget = *static_cast<void *const *>(raw.constData());
        if (!gadget)
            return Variant(static_cast<QObject *>(nullptr));
        return Variant(script->ProxyFor(gadget, type.metaObject()));
    }
    if (property.metaType().id() == QMetaType::QVariant)
        return Variant::FromQVariant(raw);
    return Variant::FromQVariant(raw);
}

void fsMeta::Write(const TfsInstance &instance, int index, const Variant &value)
{
    QMetaProperty property = instance.Meta->property(index);
    QMetaType type = property.metaType();
    QVariant raw;
    if (property.isEnumType()) {
        raw = EnumVariant(type, EnumValueOf(property, value));
    } else if (type.flags() & QMetaType::PointerToQObject) {
        QObject *object = value.ToObject();
        if (object && !type.metaObject()->cast(object))
            throw EfsRuntimeError(QStringLiteral("EInvalidCast"), QStringLiteral("Invalid class typecast"));
        raw = QVariant(type, &object);
    } else if (type.flags() & QMetaType::PointerToGadget) {
        TfsInstance source = TfsInstance::From(value);
        void *gadget = source.Gadget;
        if (source.Meta &&
            (!source.Gadget || !Inherits(source.Meta, QString::fromLatin1(type.metaObject()->className()))))
            throw EfsRuntimeError(QStringLiteral("EInvalidCast"), QStringLiteral("Invalid class typecast"));
        raw = QVariant(type, &gadget);
    } else {
        switch (type.id()) {
        case QMetaType::Bool:
            raw = QVariant(value.ToBool());
            break;
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::Long:
        case QMetaType::SChar:
            raw = QVariant(value.ToInt());
            break;
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::ULong:
        case QMetaType::UChar:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            raw = QVariant(static_cast<qlonglong>(value.ToInt64()));
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            raw = QVariant(value.ToDouble());
            break;
        case QMetaType::QString:
            raw = QVariant(value.ToString());
            break;
        case QMetaType::QChar: {
            QString text = value.ToString();
            raw = QVariant(text.isEmpty() ? QChar() : text.at(0));
            break;
        }
        case QMetaType::QDateTime:
            raw = QVariant(value.ToQDateTime());
            break;
        case QMetaType::QDate:
            raw = QVariant(value.ToQDateTime().date());
            break;
        case QMetaType::QTime:
            raw = QVariant(value.ToQDateTime().time());
            break;
        case QMetaType::QStringList:
            raw = QVariant(LinesOf(value));
            break;
        case QMetaType::QVariant:
            raw = QVariant::fromValue(value.ToQVariant());
            break;
        default:
            raw = value.ToQVariant();
            break;
        }
        if (raw.metaType() != type && !raw.convert(type))
            throw EfsRuntimeError(
                QStringLiteral("EPropertyConvertError"),
                QStringLiteral("Invalid property value for %1").arg(PropertyName(property)));
    }
    bool written =
        instance.Gadget ? property.writeOnGadget(instance.Gadget, raw) : property.write(instance.Object, raw);
    if (!written)
        throw EfsRuntimeError(QStringLiteral("EPropertyError"),
                              QStringLiteral("Property %1 cannot be written").arg(PropertyName(property)));
}

bool fsMeta::Inherits(const QMetaObject *meta, const QString &className)
{
    if (className.compare(QLatin1String("TObject"), Qt::CaseInsensitive) == 0)
        return true;
    for (const QMetaObject *m = meta; m; m = m->superClass())
        if (QString::fromLatin1(m->className()).compare(className, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void fsMeta::RegisterEnums(TfsScript *script, const QMetaObject *meta)
{
    // The class's own enumerations, and those its properties use (which may be declared elsewhere).
    std::vector<QMetaEnum> enums;
    for (int i = meta->enumeratorOffset(); i < meta->enumeratorCount(); ++i)
        enums.push_back(meta->enumerator(i));
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        if (meta->property(i).isEnumType())
            enums.push_back(meta->property(i).enumerator());
    for (const QMetaEnum &e : enums) {
        QString typeName = QString::fromLatin1(e.name());
        if (script->FindLocal(typeName))
            continue;
        bool isSet = e.isFlag();
        script->AddType(typeName, isSet ? fvtInt : fvtEnum);
        for (int k = 0; k < e.keyCount(); ++k) {
            QString key = QString::fromLatin1(e.key(k));
            if (!script->FindLocal(key))
                script->AddItem(std::make_unique<TfsConstant>(key, isSet ? fvtInt : fvtEnum,
                                                              isSet ? QStringLiteral("Integer") : typeName,
                                                              Variant(e.value(k))));
        }
    }
}

// ---- string lists --------------------------------------------------------------------------------

QStringList TfsStringsProxy::Read() const
{
    return ReadRaw(m_owner, m_owner.Meta->property(m_index)).toStringList();
}

void TfsStringsProxy::Write(const QStringList &lines) const
{
    QMetaProperty property = m_owner.Meta->property(m_index);
    bool written = m_owner.Gadget ? property.writeOnGadget(m_owner.Gadget, lines)
                                  : property.write(m_owner.Object, lines);
    if (!written)
        throw EfsRuntimeError(QStringLiteral("EPropertyError"),
                              QStringLiteral("Property %1 cannot be written").arg(PropertyName(property)));
}

namespace {

TfsStringsProxy *StringsOf(QObject *instance)
{
    auto *proxy = qobject_cast<TfsStringsProxy *>(instance);
    if (!proxy)
        throw EfsRuntimeError(QStringLiteral("EInvalidCast"), QStringLiteral("Invalid class typecast"));
    return proxy;
}

QString TextOf(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1String("\r\n");
    return text;
}

int LineIndex(const QStringList &lines, const Variant &index)
{
    int i = index.ToInt();
    if (i < 0 || i >= lines.size())
        throw EfsRuntimeError(QStringLiteral("EStringListError"),
                              QStringLiteral("List index out of bounds (%1)").arg(i));
    return i;
}

} // namespace

void fsMeta::RegisterStringsClass(TfsScript *script)
{
    TfsClassVariable *c = script->AddClass(QStringLiteral("TStrings"), QStringLiteral("TPersistent"));
    c->AddProperty(
        QStringLiteral("Text"), QStringLiteral("String"),
        [](QObject *o) { return Variant(TextOf(StringsOf(o)->Read())); },
        [](QObject *o, const Variant &v) { StringsOf(o)->Write(LinesOf(v)); });
    c->AddProperty(
        QStringLiteral("CommaText"), QStringLiteral("String"),
        [](QObject *o) { return Variant(StringsOf(o)->Read().join(QLatin1Char(','))); },
        [](QObject *o, const Variant &v) {
            QString text = v.ToString();
            StringsOf(o)->Write(text.isEmpty() ? QStringList() : text.split(QLatin1Char(',')));
        });
    c->AddProperty(QStringLiteral("Count"), QStringLiteral("Integer"),
                   [](QObject *o) { return Variant(int(StringsOf(o)->Read().size())); });
    c->AddDefaultProperty(
        QStringLiteral("Strings"), QStringLiteral("Integer"), QStringLiteral("String"),
        [](QObject *o, TfsParams &p) {
            QStringList lines = StringsOf(o)->Read();
            return Variant(lines.at(LineIndex(lines, p[0])));
        },
        [](QObject *o, TfsParams &p) {
            QStringList lines = StringsOf(o)->Read();
            lines[LineIndex(lines, p[0])] = p[1].ToString();
            StringsOf(o)->Write(lines);
            return Variant();
        });
    c->AddMethod(QStringLiteral("function Add(const S: String): Integer"), [](QObject *o, TfsParams &p) {
        QStringList lines = StringsOf(o)->Read();
        lines << p[0].ToString();
        StringsOf(o)->Write(lines);
        return Variant(int(lines.size() - 1));
    });
    c->AddMethod(QStringLiteral("procedure Clear"), [](QObject *o, TfsParams &) {
        StringsOf(o)->Write({});
        return Variant();
    });
    c->AddMethod(QStringLiteral("procedure Delete(Index: Integer)"), [](QObject *o, TfsParams &p) {
        QStringList lines = StringsOf(o)->Read();
        lines.removeAt(LineIndex(lines, p[0]));
        StringsOf(o)->Write(lines);
        return Variant();
    });
    c->AddMethod(QStringLiteral("procedure Insert(Index: Integer; const S: String)"),
                 [](QObject *o, TfsParams &p) {
                     QStringList lines = StringsOf(o)->Read();
                     int i = p[0].ToInt();
                     if (i < 0 || i > lines.size())
                         LineIndex(lines, p[0]);
                     lines.insert(i, p[1].ToString());
                     StringsOf(o)->Write(lines);
                     return Variant();
                 });
    c->AddMethod(QStringLiteral("function IndexOf(const S: String): Integer"), [](QObject *o, TfsParams &p) {
        QStringList lines = StringsOf(o)->Read();
        QString s = p[0].ToString();
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i].compare(s, Qt::CaseInsensitive) == 0)
                return Variant(i);
        return Variant(-1);
    });
}

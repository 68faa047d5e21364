#include "report/core/frxMeta.h"

#include "report/core/frxComponent.h"
#include "report/core/frxErrors.h"
#include "report/core/frxPersistent.h"

#include <QHash>
#include <QReadWriteLock>

#include <unordered_map>

// ---- targets ------------------------------------------------------------------------------------

TfrxPropTarget::TfrxPropTarget(const TComponent *component)
{
    if (component) {
        m_object = const_cast<TComponent *>(component);
        m_meta = component->metaObject();
    }
}

TfrxPropTarget::TfrxPropTarget(const TPersistent *persistent)
{
    if (persistent) {
        m_gadget = const_cast<TPersistent *>(persistent);
        m_meta = persistent->MetaObject();
    }
}

TComponent *TfrxPropTarget::Component() const
{
    return qobject_cast<TComponent *>(m_object);
}

// ---- case-insensitive index ---------------------------------------------------------------------

namespace {
struct CaseInsensitiveHash {
    using is_transparent = void;
    size_t operator()(QStringView s) const noexcept
    {
        size_t h = 0;
        for (QChar c : s) {
            char16_t u = c.unicode();
            if (u < 128)
                u = (u >= 'A' && u <= 'Z') ? char16_t(u + 32) : u;
            else
                u = c.toCaseFolded().unicode();
            h = h * 31 + u;
        }
        return h;
    }
    size_t operator()(const QString &s) const noexcept { return (*this)(QStringView(s)); }
};
struct CaseInsensitiveEqual {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept
    {
        return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
    }
};
} // namespace

struct TfrxClassInfo::Index {
    std::unordered_map<QString, int, CaseInsensitiveHash, CaseInsensitiveEqual> byName;
};

static const TfrxClassInfo &SharedClassInfo(const QMetaObject *meta);

// ---- building a class description -----------------------------------------------------------------

static QByteArray ClassInfoValue(const QMetaObject *meta, const QByteArray &key)
{
    int i = meta->indexOfClassInfo(key.constData());
    return i < 0 ? QByteArray() : QByteArray(meta->classInfo(i).value());
}

static bool ParseOrdinal(const TfrxPropInfo &info, const QByteArray &text, qint64 &value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    if (ok)
        return true;
    QString name = QString::fromLatin1(text).trimmed();
    if (info.Kind() == TfrxPropKind::Set) {
        // "[rfDontMove,rfDontSize]" or "[]"
        if (!name.startsWith(u'[') || !name.endsWith(u']'))
            return false;
        value = 0;
        for (const QString &member : name.mid(1, name.size() - 2).split(u',', Qt::SkipEmptyParts)) {
            qint64 bit = 0;
            if (!info.EnumValue(member.trimmed(), bit))
                return false;
            value |= bit;
        }
        return true;
    }
    return info.EnumValue(name, value);
}

TfrxClassInfo::TfrxClassInfo(const QMetaObject *meta) : m_meta(meta), m_index(new Index)
{
    int first = meta->inherits(&QObject::staticMetaObject) ? QObject::staticMetaObject.propertyCount() : 0;
    const QMetaType variantType = QMetaType::fromType<Variant>();
    const QMetaType pictureType = QMetaType::fromType<TPicture>();
    for (int i = first; i < meta->propertyCount(); ++i) {
        TfrxPropInfo info;
        info.m_prop = meta->property(i);
        info.m_name = QString::fromLatin1(info.m_prop.name());
        info.m_index = m_props.size();
        info.m_metacall = info.m_prop.enclosingMetaObject()->d.static_metacall;
        info.m_relativeIndex = info.m_prop.relativePropertyIndex();
        QMetaType type = info.m_prop.metaType();
        if (info.m_prop.isFlagType()) {
            info.m_kind = TfrxPropKind::Set;
            info.m_enum = info.m_prop.enumerator();
            info.m_typeName = QString::fromLatin1(info.m_enum.name());
        } else if (info.m_prop.isEnumType()) {
            info.m_kind = TfrxPropKind::Enumeration;
            info.m_enum = info.m_prop.enumerator();
            info.m_typeName = QString::fromLatin1(info.m_enum.enumName());
        } else if (type.flags() & QMetaType::PointerToQObject) {
            info.m_kind = TfrxPropKind::Component;
            info.m_classType = type.metaObject();
            info.m_typeName = QString::fromLatin1(info.m_classType->className());
        } else if (type.flags() & QMetaType::PointerToGadget) {
            info.m_kind = TfrxPropKind::Class;
            info.m_classType = type.metaObject();
            info.m_typeName = QString::fromLatin1(info.m_classType->className());
            // Nested objects are read through their TPersistent base, which must be their first.
            Q_ASSERT(info.m_classType->inherits(&TPersistent::staticMetaObject));
        } else if (type == variantType) {
            info.m_kind = TfrxPropKind::Variant;
            info.m_typeName = QStringLiteral("Variant");
        } else if (type == pictureType) {
            info.m_kind = TfrxPropKind::Picture;
            info.m_typeName = QStringLiteral("TPicture");
        } else {
            switch (type.id()) {
            case QMetaType::Bool:
                info.m_kind = TfrxPropKind::Boolean;
                info.m_typeName = QStringLiteral("Boolean");
                break;
            case QMetaType::LongLong:
                info.m_kind = TfrxPropKind::Int64;
                info.m_typeName = QStringLiteral("Int64");
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                info.m_kind = TfrxPropKind::Float;
                info.m_typeName = QStringLiteral("Extended");
                break;
            case QMetaType::QString:
                info.m_kind = TfrxPropKind::String;
                info.m_typeName = QStringLiteral("String");
                break;
            case QMetaType::QStringList:
                info.m_kind = TfrxPropKind::Strings;
                info.m_typeName = QStringLiteral("TStrings");
                break;
            default:
                Q_ASSERT_X(type.id() == QMetaType::Int, "TfrxClassInfo", info.m_prop.name());
                info.m_kind = TfrxPropKind::Integer;
                info.m_typeName = QStringLiteral("Integer");
                break;
            }
        }

        QByteArray typeName = ClassInfoValue(meta, "Type." + QByteArray(info.m_prop.name()));
        if (!typeName.isEmpty())
            info.m_typeName = QString::fromLatin1(typeName);

        switch (info.m_kind) {
        case TfrxPropKind::String:
        case TfrxPropKind::Component:
            info.m_hasDefault = true; // empty text, no component
            break;
        case TfrxPropKind::Integer:
        case TfrxPropKind::Int64:
        case TfrxPropKind::Boolean:
        case TfrxPropKind::Enumeration:
        case TfrxPropKind::Set: {
            QByteArray text = ClassInfoValue(meta, "Default." + QByteArray(info.m_prop.name()));
            if (!text.isNull()) {
                info.m_hasDefault = ParseOrdinal(info, text, info.m_defaultOrdinal);
                Q_ASSERT_X(info.m_hasDefault, "TfrxClassInfo: bad default", info.m_prop.name());
            }
            break;
        }
        default:
            Q_ASSERT_X(ClassInfoValue(meta, "Default." + QByteArray(info.m_prop.name())).isNull(),
                       "TfrxClassInfo: this kind has no declared default", info.m_prop.name());
            break;
        }

        if (info.m_kind == TfrxPropKind::Enumeration || info.m_kind == TfrxPropKind::Set)
            info.m_ordinalSize = int(type.sizeOf());
        info.m_storedConstant = info.m_prop.isStored();
        info.m_writable = info.m_prop.isWritable();
        QByteArray storedMethod = ClassInfoValue(meta, "Stored." + QByteArray(info.m_prop.name()));
        if (!storedMethod.isEmpty()) {
            int m = meta->indexOfMethod(storedMethod + "()");
            Q_ASSERT_X(m >= 0, "TfrxClassInfo: stored method missing", storedMethod.constData());
            if (m >= 0) {
                const QMetaMethod method = meta->method(m);
                info.m_storedCall = method.enclosingMetaObject()->d.static_metacall;
                info.m_storedIndex = method.relativeMethodIndex();
            }
        }

        m_index->byName.emplace(info.m_name, int(m_props.size()));
        m_props.append(info);
    }
}

TfrxClassInfo::~TfrxClassInfo()
{
    delete m_index;
}

const TfrxPropInfo *TfrxClassInfo::Find(QStringView name) const
{
    auto it = m_index->byName.find(name);
    return it == m_index->byName.end() ? nullptr : &m_props[it->second];
}

const TfrxClassInfo &frxClassInfo(const QMetaObject *meta)
{
    // Descriptions are never freed, so each thread remembers the ones it asked for: the writers
    // ask for every object and nested object they write, and the shared table's lock cost more
    // than the lookup.
    thread_local std::unordered_map<const QMetaObject *, const TfrxClassInfo *> known;
    if (auto it = known.find(meta); it != known.end())
        return *it->second;
    const TfrxClassInfo &info = SharedClassInfo(meta);
    known.emplace(meta, &info);
    return info;
}

static const TfrxClassInfo &SharedClassInfo(const QMetaObject *meta)
{
    static QReadWriteLock lock;
    static QHash<const QMetaObject *, TfrxClassInfo *> cache;
    {
        QReadLocker read(&lock);
        auto it = cache.constFind(meta);
        if (it != cache.constEnd())
            return **it;
    }
    QWriteLocker write(&lock);
    TfrxClassInfo *&slot = cache[meta];
    if (!slot)
        slot = new TfrxClassInfo(meta);
    return *slot;
}

// ---- values -------------------------------------------------------------------------------------

QVariant TfrxPropInfo::Default() const
{
    if (!m_hasDefault)
        return QVariant();
    switch (m_kind) {
    case TfrxPropKind::String:
        return QString();
    case TfrxPropKind::Component:
        return QVariant::fromValue<QObject *>(nullptr);
    case TfrxPropKind::Boolean:
        return m_defaultOrdinal != 0;
    case TfrxPropKind::Int64:
        return QVariant::fromValue<qlonglong>(m_defaultOrdinal);
    default:
        return int(m_defaultOrdinal);
    }
}

QStringList TfrxPropInfo::EnumNames() const
{
    if (m_kind == TfrxPropKind::Boolean)
        return {QStringLiteral("False"), QStringLiteral("True")};
    QStringList names;
    for (int i = 0; i < m_enum.keyCount(); ++i)
        names << QString::fromLatin1(m_enum.key(i));
    return names;
}

QString TfrxPropInfo::EnumName(qint64 value) const
{
    if (m_kind == TfrxPropKind::Boolean)
        return value ? QStringLiteral("True") : QStringLiteral("False");
    if (m_kind != TfrxPropKind::Enumeration && m_kind != TfrxPropKind::Set)
        return QString();
    for (int i = 0; i < m_enum.keyCount(); ++i)
        if (m_enum.value(i) == value)
            return QString::fromLatin1(m_enum.key(i));
    return QString();
}

bool TfrxPropInfo::EnumValue(QStringView name, qint64 &value) const
{
    if (m_kind == TfrxPropKind::Boolean) {
        if (name.compare(u"True", Qt::CaseInsensitive) == 0) {
            value = 1;
            return true;
        }
        if (name.compare(u"False", Qt::CaseInsensitive) == 0) {
            value = 0;
            return true;
        }
        return false;
    }
    if (m_kind != TfrxPropKind::Enumeration && m_kind != TfrxPropKind::Set)
        return false;
    for (int i = 0; i < m_enum.keyCount(); ++i) {
        if (QLatin1String(m_enum.key(i)).compare(name, Qt::CaseInsensitive) == 0) {
            value = m_enum.value(i);
            return true;
        }
    }
    return false;
}

bool TfrxPropInfo::CallStored(const TfrxPropTarget &target) const
{
    // What QMetaMethod::invoke does for a method without arguments, without its checks of the
    // return type by name: moc's static metacall takes a gadget's address as it takes an object's.
    bool stored = true;
    QObject *object = target.Object() ? target.Object() : reinterpret_cast<QObject *>(target.Persistent());
    void *argv[] = {&stored};
    m_storedCall(object, QMetaObject::InvokeMetaMethod, m_storedIndex, argv);
    return stored;
}

bool TfrxPropInfo::IsDefaultValue(const TfrxPropTarget &target) const
{
    if (!m_hasDefault)
        return false;
    switch (m_kind) {
    case TfrxPropKind::String:
        return GetString(target).isEmpty();
    case TfrxPropKind::Component:
        return GetReference(target) == nullptr;
    default:
        return GetOrdinal(target) == m_defaultOrdinal;
    }
}

void TfrxPropInfo::ReadInto(const TfrxPropTarget &target, void *storage) const
{
    // What QMetaProperty::read does, without the walk through every class's qt_metacall and
    // without a QVariant: moc puts the property code of every class in its static metacall.
    QObject *object = target.Object() ? target.Object() : reinterpret_cast<QObject *>(target.Persistent());
    void *argv[] = {storage};
    m_metacall(object, QMetaObject::ReadProperty, m_relativeIndex, argv);
}

void TfrxPropInfo::WriteFrom(const TfrxPropTarget &target, void *storage) const
{
    if (!m_writable)
        return;
    QObject *object = target.Object() ? target.Object() : reinterpret_cast<QObject *>(target.Persistent());
    int status = -1;
    int flags = 0;
    void *argv[] = {storage, nullptr, &status, &flags};
    m_metacall(object, QMetaObject::WriteProperty, m_relativeIndex, argv);
}

qint64 TfrxPropInfo::GetOrdinal(const TfrxPropTarget &target) const
{
    switch (m_kind) {
    case TfrxPropKind::Boolean: {
        bool value = false;
        ReadInto(target, &value);
        return value ? 1 : 0;
    }
    case TfrxPropKind::Int64: {
        qint64 value = 0;
        ReadInto(target, &value);
        return value;
    }
    case TfrxPropKind::Enumeration:
    case TfrxPropKind::Set: {
        // The enumeration's own storage, whatever width the compiler chose for it.
        alignas(8) unsigned char buffer[8] = {};
        ReadInto(target, buffer);
        switch (m_ordinalSize) {
        case 1:
            return *reinterpret_cast<const qint8 *>(buffer);
        case 2:
            return *reinterpret_cast<const qint16 *>(buffer);
        case 8:
            return *reinterpret_cast<const qint64 *>(buffer);
        default:
            return *reinterpret_cast<const qint32 *>(buffer);
        }
    }
    default: {
        int value = 0;
        ReadInto(target, &value);
        return value;
    }
    }
}

void TfrxPropInfo::SetOrdinal(const TfrxPropTarget &target, qint64 value) const
{
    switch (m_kind) {
    case TfrxPropKind::Boolean: {
        bool v = value != 0;
        WriteFrom(target, &v);
        break;
    }
    case TfrxPropKind::Int64:
        WriteFrom(target, &value);
        break;
    case TfrxPropKind::Enumeration:
    case TfrxPropKind::Set: {
        alignas(8) unsigned char buffer[8] = {};
        switch (m_ordinalSize) {
        case 1:
            *reinterpret_cast<qint8 *>(buffer) = qint8(value);
            break;
        case 2:
            *reinterpret_cast<qint16 *>(buffer) = qint16(value);
            break;
        case 8:
            *reinterpret_cast<qint64 *>(buffer) = value;
            break;
        default:
            *reinterpret_cast<qint32 *>(buffer) = qint32(value);
            break;
        }
        WriteFrom(target, buffer);
        break;
    }
    default: {
        int v = int(value);
        WriteFrom(target, &v);
        break;
    }
    }
}

double TfrxPropInfo::GetFloat(const TfrxPropTarget &target) const
{
    double value = 0;
    ReadInto(target, &value);
    return value;
}

void TfrxPropInfo::SetFloat(const TfrxPropTarget &target, double value) const
{
    WriteFrom(target, &value);
}

QString TfrxPropInfo::GetString(const TfrxPropTarget &target) const
{
    QString value;
    ReadInto(target, &value);
    return value;
}

void TfrxPropInfo::SetString(const TfrxPropTarget &target, const QString &value) const
{
    QString copy = value;
    WriteFrom(target, &copy);
}

QStringList TfrxPropInfo::GetStrings(const TfrxPropTarget &target) const
{
    QStringList value;
    ReadInto(target, &value);
    return value;
}

void TfrxPropInfo::SetStrings(const TfrxPropTarget &target, const QStringList &value) const
{
    QStringList copy = value;
    WriteFrom(target, &copy);
}

Variant TfrxPropInfo::GetVariant(const TfrxPropTarget &target) const
{
    Variant value;
    ReadInto(target, &value);
    return value;
}

void TfrxPropInfo::SetVariant(const TfrxPropTarget &target, const Variant &value) const
{
    Variant copy = value;
    WriteFrom(target, &copy);
}

TPicture TfrxPropInfo::GetPicture(const TfrxPropTarget &target) const
{
    TPicture value;
    ReadInto(target, &value);
    return value;
}

void TfrxPropInfo::SetPicture(const TfrxPropTarget &target, const TPicture &value) const
{
    TPicture copy = value;
    WriteFrom(target, &copy);
}

QObject *TfrxPropInfo::GetReference(const TfrxPropTarget &target) const
{
    // QObject is the first base of every class such a property names, so the address is the same.
    QObject *value = nullptr;
    ReadInto(target, &value);
    return value;
}

void TfrxPropInfo::SetReference(const TfrxPropTarget &target, QObject *value) const
{
    if (value && !value->metaObject()->inherits(m_classType))
        throw EPropertyError();
    WriteFrom(target, &value);
}

TfrxPropTarget TfrxPropInfo::GetNested(const TfrxPropTarget &target) const
{
    // Nested objects derive from TPersistent alone, so their address is that of the base.
    TPersistent *nested = nullptr;
    ReadInto(target, &nested);
    return TfrxPropTarget(nested);
}

QVariant TfrxPropInfo::Read(const TfrxPropTarget &target) const
{
    switch (m_kind) {
    case TfrxPropKind::Integer:
    case TfrxPropKind::Enumeration:
    case TfrxPropKind::Set:
        return int(GetOrdinal(target));
    case TfrxPropKind::Int64:
        return QVariant::fromValue<qlonglong>(GetOrdinal(target));
    case TfrxPropKind::Boolean:
        return GetOrdinal(target) != 0;
    case TfrxPropKind::Float:
        return GetFloat(target);
    case TfrxPropKind::String:
        return GetString(target);
    case TfrxPropKind::Strings:
        return GetStrings(target);
    case TfrxPropKind::Variant:
        return QVariant::fromValue(GetVariant(target));
    case TfrxPropKind::Picture:
        return QVariant::fromValue(GetPicture(target));
    case TfrxPropKind::Component:
        return QVariant::fromValue(GetReference(target));
    case TfrxPropKind::Class:
        return QVariant::fromValue(GetNested(target).Persistent());
    }
    return QVariant();
}

void TfrxPropInfo::Write(const TfrxPropTarget &target, const QVariant &value) const
{
    const bool isText = value.metaType().id() == QMetaType::QString;
    switch (m_kind) {
    case TfrxPropKind::Boolean:
    case TfrxPropKind::Enumeration: {
        qint64 v = 0;
        if (isText) {
            bool numeric = false;
            v = value.toString().toLongLong(&numeric);
            if (!numeric && !EnumValue(value.toString(), v))
                throw EPropertyError();
        } else {
            v = m_kind == TfrxPropKind::Boolean ? value.toBool() : value.toLongLong();
        }
        SetOrdinal(target, v);
        break;
    }
    case TfrxPropKind::Integer:
    case TfrxPropKind::Int64:
    case TfrxPropKind::Set:
        SetOrdinal(target, value.toLongLong());
        break;
    case TfrxPropKind::Float:
        SetFloat(target, value.toDouble());
        break;
    case TfrxPropKind::String:
        SetString(target, value.toString());
        break;
    case TfrxPropKind::Strings:
        SetStrings(target, value.toStringList());
        break;
    case TfrxPropKind::Variant:
        SetVariant(target, value.metaType() == QMetaType::fromType<Variant>() ? value.value<Variant>()
                                                                              : Variant::FromQVariant(value));
        break;
    case TfrxPropKind::Picture:
        SetPicture(target, value.value<TPicture>());
        break;
    case TfrxPropKind::Component:
        SetReference(target, value.value<QObject *>());
        break;
    case TfrxPropKind::Class: {
        TPersistent *nested = value.value<TPersistent *>();
        if (nested && nested->MetaObject() != m_classType)
            throw EPropertyError();
        WriteFrom(target, &nested);
        break;
    }
    }
}

// ---- lookups by name ------------------------------------------------------------------------------

const TfrxPropInfo *frxFindProp(const TfrxPropTarget &target, QStringView name)
{
    if (target.IsNull())
        return nullptr;
    return frxClassInfo(target.Meta()).Find(name);
}

bool frxResolvePropPath(TfrxPropTarget &target, QStringView path, const TfrxPropInfo *&prop)
{
    prop = nullptr;
    TfrxPropTarget current = target;
    while (true) {
        qsizetype dot = path.indexOf(u'.');
        const TfrxPropInfo *info = frxFindProp(current, dot < 0 ? path : path.left(dot));
        if (!info)
            return false;
        if (dot < 0) {
            target = current;
            prop = info;
            return true;
        }
        if (info->Kind() != TfrxPropKind::Class)
            return false;
        current = info->GetNested(current);
        if (current.IsNull())
            return false;
        path = path.mid(dot + 1);
    }
}

QVariant frxGetPropValue(const TfrxPropTarget &target, QStringView path)
{
    TfrxPropTarget holder = target;
    const TfrxPropInfo *prop = nullptr;
    if (!frxResolvePropPath(holder, path, prop))
        return QVariant();
    return prop->Read(holder);
}

bool frxSetPropValue(const TfrxPropTarget &target, QStringView path, const QVariant &value)
{
    TfrxPropTarget holder = target;
    const TfrxPropInfo *prop = nullptr;
    if (!frxResolvePropPath(holder, path, prop) || !prop->IsWritable())
        return false;
    prop->Write(holder, value);
    return true;
}

void frxAssignProperties(const TfrxPropTarget &target, const TfrxPropTarget &source)
{
    if (target.IsNull() || source.IsNull() || target == source)
        return;
    const TfrxClassInfo &sourceInfo = frxClassInfo(source.Meta());
    const TfrxClassInfo &targetInfo = frxClassInfo(target.Meta());
    for (const TfrxPropInfo &prop : sourceInfo.Props()) {
        if (!prop.IsStored(source))
            continue;
        // The same class or a descendant lists the source's properties first, in the same order.
        const TfrxPropInfo *to = &sourceInfo == &targetInfo ? &prop
                                 : prop.Index() < targetInfo.Props().size() &&
                                         targetInfo.Props()[prop.Index()].Name() == prop.Name()
                                     ? &targetInfo.Props()[prop.Index()]
                                     : targetInfo.Find(prop.Name());
        if (!to || to->Kind() != prop.Kind())
            continue;
        if (prop.Kind() == TfrxPropKind::Class) {
            frxAssignProperties(to->GetNested(target), prop.GetNested(source));
        } else if (to->IsWritable()) {
            // The common kinds go across typed: a page read back from prepared pages copies every
            // property of every object, and a QVariant for each cost more than the copy.
            switch (prop.Kind()) {
            case TfrxPropKind::Integer:
            case TfrxPropKind::Enumeration:
            case TfrxPropKind::Set:
                to->SetOrdinal(target, int(prop.GetOrdinal(source)));
                break;
            case TfrxPropKind::Int64:
                to->SetOrdinal(target, prop.GetOrdinal(source));
                break;
            case TfrxPropKind::Boolean:
                to->SetOrdinal(target, prop.GetOrdinal(source) != 0);
                break;
            case TfrxPropKind::Float:
                to->SetFloat(target, prop.GetFloat(source));
                break;
            case TfrxPropKind::String:
                to->SetString(target, prop.GetString(source));
                break;
            default:
                to->Write(target, prop.Read(source));
                break;
            }
        }
    }
}

// The editor base, the general editors (one per kind of property), the registry, unit conversion
// and the building of the property lists for a selection. The editors of report properties and
// the registrations are in frxInspEditors.cpp.
#include "designer/inspector/frxDsgnIntf.h"

#include "designer/inspector/frxInspEditors.h"
#include "designer/window/frxDesgn.h"
#include "platform/Exception.h"
#include "report/core/frxComponent.h"
#include "report/core/frxErrors.h"

#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>

// ---- units ----

namespace {

double PixelsPerUnit(int units, bool vertical)
{
    switch (units) {
    case 0:
        return 96 / 2.54;
    case 1:
        return 96;
    case 2:
        return 1;
    default:
        return vertical ? 17 : 9.6;
    }
}

} // namespace

double frxPixelsToUnits(double pixels, int units, bool vertical)
{
    switch (units) {
    case 0:
        return pixels / 96 * 2.54;
    case 1:
        return pixels / 96;
    case 2:
        return pixels;
    default:
        return pixels / (vertical ? 17 : 9.6);
    }
}

double frxUnitsToPixels(double value, int units, bool vertical)
{
    return value * PixelsPerUnit(units, vertical);
}

double frxMmToUnits(double mm, int units, bool vertical)
{
    switch (units) {
    case 0:
        return mm / 10;
    case 1:
        return mm / 25.4;
    case 2:
        return mm * 96 / 25.4;
    default:
        return mm * 96 / 25.4 / (vertical ? 17 : 9.6);
    }
}

double frxUnitsToMm(double value, int units, bool vertical)
{
    switch (units) {
    case 0:
        return value * 10;
    case 1:
        return value * 25.4;
    case 2:
        return value * 25.4 / 96;
    default:
        return value * (vertical ? 17 : 9.6) * 25.4 / 96;
    }
}

QString frxUnitText(double value)
{
    // Two decimals are what is shown; a value that shows as a whole number loses them.
    const double rounded = std::round(value * 100) / 100;
    const QLocale locale = [] {
        QLocale l;
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        return l;
    }();
    if (rounded == std::trunc(rounded))
        return locale.toString(rounded, 'f', 0);
    return locale.toString(rounded, 'f', 2);
}

double frxParseFloat(const QString &text)
{
    QString s = text;
    s.remove(u' ').remove(QChar(0xA0));
    s.replace(u',', u'.');
    bool ok = false;
    const double value = s.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw Exception(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

// ---- the editor base ----

bool TfrxPropertyEditor::RunEditor()
{
    ValueList();
    if (m_values.isEmpty())
        return false;
    const QString current = ValueText();
    qsizetype i = 0;
    for (; i < m_values.size(); ++i)
        if (m_values[i].compare(current, Qt::CaseInsensitive) == 0)
            break;
    ApplyText(m_values[(i + 1) % m_values.size()]);
    return m_written > 0;
}

QString TfrxPropertyEditor::DisplayName() const
{
    return Prop()->Name();
}

QString TfrxPropertyEditor::ValueText() const
{
    return QStringLiteral("(Unknown)");
}

void TfrxPropertyEditor::ValueList()
{
    m_values.clear();
}

void TfrxPropertyEditor::ApplyText(const QString &)
{
    throw EPropertyError();
}

void TfrxPropertyEditor::DrawListItem(QPainter &painter, const QRect &rect, const QString &item) const
{
    painter.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, item);
}

void TfrxPropertyEditor::DrawValue(QPainter &painter, const QRect &rect) const
{
    painter.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, ValueText());
}

void TfrxPropertyEditor::WriteAll(const std::function<void(const TfrxPropertyTarget &)> &write)
{
    m_written = 0;
    for (const TfrxPropertyTarget &t : std::as_const(m_targets)) {
        if (!t.Prop->IsWritable())
            continue;
        write(t);
        ++m_written;
    }
}

int TfrxPropertyEditor::Units() const
{
    if (auto *form = qobject_cast<TfrxDesignerForm *>(m_designer))
        return form->Units();
    return 0;
}

// ---- the registry ----

namespace {

bool Inherits(const QMetaObject *meta, const QString &className)
{
    for (; meta; meta = meta->superClass())
        if (className.compare(QLatin1String(meta->className()), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

void TfrxPropertyEditorCollection::Register(const QString &typeName, const QString &className,
                                            const QString &propName, TfrxPropertyEditorFactory factory)
{
    m_entries.append({typeName, className, propName, std::move(factory), false});
    m_cache.clear();
}

void TfrxPropertyEditorCollection::Hide(const QString &className, const QString &propNames)
{
    for (const QString &name : propNames.split(u';', Qt::SkipEmptyParts))
        Register(QString(), className, name, nullptr);
}

void TfrxPropertyEditorCollection::RegisterEventEditor(TfrxPropertyEditorFactory factory)
{
    m_entries.append({QString(), QString(), QString(), std::move(factory), true});
    m_eventEditor = int(m_entries.size()) - 1;
    m_cache.clear();
}

const TfrxPropertyEditorCollection::Entry *TfrxPropertyEditorCollection::Find(const QMetaObject *meta,
                                                                              const TfrxPropInfo &prop) const
{
    const auto key = qMakePair(meta, &prop);
    auto cached = m_cache.constFind(key);
    if (cached != m_cache.constEnd())
        return *cached < 0 ? nullptr : &m_entries[*cached];

    int found = -1;
    const QString &type = prop.TypeName();
    if (type.startsWith(QLatin1String("tfrx"), Qt::CaseInsensitive) &&
        type.endsWith(QLatin1String("event"), Qt::CaseInsensitive)) {
        found = m_eventEditor;
    } else {
        for (qsizetype i = m_entries.size() - 1; i >= 0 && found < 0; --i) {
            const Entry &e = m_entries[i];
            if (e.IsEventEditor || e.PropName.isEmpty() ||
                e.PropName.compare(prop.Name(), Qt::CaseInsensitive) != 0)
                continue;
            if (e.ClassName.isEmpty() ? e.TypeName.compare(type, Qt::CaseInsensitive) == 0
                                      : Inherits(meta, e.ClassName))
                found = int(i);
        }
        for (qsizetype i = 0; i < m_entries.size() && found < 0; ++i) {
            const Entry &e = m_entries[i];
            if (!e.IsEventEditor && e.ClassName.isEmpty() && e.PropName.isEmpty() &&
                e.TypeName.compare(type, Qt::CaseInsensitive) == 0)
                found = int(i);
        }
    }
    m_cache.insert(key, found);
    return found < 0 ? nullptr : &m_entries[found];
}

TfrxPropertyEditorCollection &frxPropertyEditors()
{
    static TfrxPropertyEditorCollection *collection = [] {
        auto *c = new TfrxPropertyEditorCollection;
        frxRegisterInspectorEditors(*c);
        return c;
    }();
    return *collection;
}

// ---- property lists ----

QString TfrxPropertyItem::Name() const
{
    return Editor->DisplayName();
}

QList<TfrxPropertyItem *> TfrxPropertyList::Items() const
{
    QList<TfrxPropertyItem *> items;
    items.reserve(qsizetype(m_items.size()));
    for (const auto &item : m_items)
        items.append(item.get());
    return items;
}

TfrxPropertyItem *TfrxPropertyList::Find(QStringView name) const
{
    for (const auto &item : m_items)
        if (item->Name().compare(name, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

std::unique_ptr<TfrxPropertyItem> TfrxPropertyList::Take(int i)
{
    std::unique_ptr<TfrxPropertyItem> item = std::move(m_items[i]);
    m_items.erase(m_items.begin() + i);
    return item;
}

namespace {

bool IsEventType(const QString &type)
{
    return type.startsWith(QLatin1String("Tfrx"), Qt::CaseInsensitive) &&
           type.endsWith(QLatin1String("Event"), Qt::CaseInsensitive);
}

// The properties of one object in name order (cached per class).
const QList<const TfrxPropInfo *> &SortedProps(const QMetaObject *meta)
{
    static QHash<const QMetaObject *, QList<const TfrxPropInfo *>> cache;
    auto it = cache.find(meta);
    if (it != cache.end())
        return *it;
    QList<const TfrxPropInfo *> props;
    for (const TfrxPropInfo &p : frxClassInfo(meta).Props())
        props.append(&p);
    std::stable_sort(props.begin(), props.end(), [](const TfrxPropInfo *a, const TfrxPropInfo *b) {
        return a->Name().compare(b->Name(), Qt::CaseInsensitive) < 0;
    });
    return *cache.insert(meta, props);
}

void BuildList(TfrxCustomDesigner *designer, const TfrxPropTarget &target, TfrxComponent *component,
               TfrxPropertyList &list, TfrxPropertyList *events, int depth)
{
    TfrxPropertyEditorCollection &registry = frxPropertyEditors();
    for (const TfrxPropInfo *p : SortedProps(target.Meta())) {
        const TfrxPropertyEditorCollection::Entry *entry = registry.Find(target.Meta(), *p);
        if (entry && !entry->Factory)
            continue;
        std::unique_ptr<TfrxPropertyEditor> editor(entry ? entry->Factory(designer)
                                                         : frxDefaultPropertyEditor(designer, *p));
        if (!editor)
            continue;
        editor->AddTarget({target, p, component});
        auto item = std::make_unique<TfrxPropertyItem>();
        if (p->Kind() == TfrxPropKind::Set) {
            item->SubProperty = std::make_unique<TfrxPropertyList>(&list);
            const QStringList members = p->EnumNames();
            for (const QString &member : members) {
                auto sub = std::make_unique<TfrxPropertyItem>();
                sub->Editor.reset(frxSetElementEditor(designer, member));
                sub->Editor->AddTarget({target, p, component});
                item->SubProperty->Add(std::move(sub));
            }
        } else if (p->Kind() == TfrxPropKind::Class && depth < 4) {
            const TfrxPropTarget nested = p->GetNested(target);
            if (!nested.IsNull()) {
                item->SubProperty = std::make_unique<TfrxPropertyList>(&list);
                BuildList(designer, nested, component, *item->SubProperty, nullptr, depth + 1);
                if (item->SubProperty->Count() == 0)
                    item->SubProperty.reset();
            }
        }
        item->Editor = std::move(editor);
        if (events && IsEventType(p->TypeName()))
            events->Add(std::move(item));
        else
            list.Add(std::move(item));
    }
}

// Keeps the items another selected object has too (multi-selection editors only) and gives them
// that object as a further target.
void MergeList(TfrxPropertyList &list, const TfrxPropTarget &target, TfrxComponent *component)
{
    for (int i = list.Count() - 1; i >= 0; --i) {
        TfrxPropertyItem *item = list.Item(i);
        const TfrxPropInfo *mine = item->Editor->Prop();
        const TfrxPropInfo *other = frxFindProp(target, mine->Name());
        if (!(item->Editor->Attributes() & paMultiSelect) || !other || other->Kind() != mine->Kind()) {
            list.Remove(i);
            continue;
        }
        item->Editor->AddTarget({target, other, component});
        if (!item->SubProperty)
            continue;
        if (mine->Kind() == TfrxPropKind::Set) {
            for (TfrxPropertyItem *sub : item->SubProperty->Items())
                sub->Editor->AddTarget({target, other, component});
        } else {
            const TfrxPropTarget nested = other->GetNested(target);
            if (nested.IsNull())
                item->SubProperty.reset();
            else
                MergeList(*item->SubProperty, nested, component);
        }
    }
}

} // namespace

void frxBuildPropertyLists(TfrxCustomDesigner *designer, const QList<TfrxComponent *> &objects,
                           TfrxPropertyList &properties, TfrxPropertyList &events)
{
    if (objects.isEmpty())
        return;
    BuildList(designer, TfrxPropTarget(objects.first()), objects.first(), properties, &events, 0);
    for (qsizetype i = 1; i < objects.size(); ++i) {
        MergeList(properties, TfrxPropTarget(objects[i]), objects[i]);
        MergeList(events, TfrxPropTarget(objects[i]), objects[i]);
    }
}

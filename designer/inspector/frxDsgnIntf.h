#pragma once
// The property editors of the object inspector: the editor base class and one editor per kind of
// property, the registry that picks an editor for (type, object class, property name), and the
// property lists the inspector shows. Rows come from the published-property metadata
// (report/core/frxMeta); nothing here keeps a list of properties of its own.

#include "report/core/frxMeta.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <memory>

class QPainter;
class QRect;
class TfrxComponent;
class TfrxCustomDesigner;
class TfrxPropertyList;

// Attribute flags of an editor.
enum TfrxPropertyAttribute : int {
    paValueList = 1,      // a drop-down lists ValueList
    paSortList = 2,       // the list is sorted
    paDialog = 4,         // a "..." button calls RunEditor
    paMultiSelect = 8,    // shown when several objects are selected
    paSubProperties = 16, // declared by the set, class and font editors
    paReadOnly = 32,      // the edit line cannot be typed into
    paOwnerDraw = 64      // the editor draws its value and list entries
};

// One target of an editor: the object holding the property, the property, and the component the
// object belongs to (the object itself, or the owner of a nested Font or Frame).
struct TfrxPropertyTarget {
    TfrxPropTarget Target;
    const TfrxPropInfo *Prop = nullptr;
    TfrxComponent *Component = nullptr;
};

class TfrxPropertyEditor {
public:
    explicit TfrxPropertyEditor(TfrxCustomDesigner *designer) : m_designer(designer) {}
    virtual ~TfrxPropertyEditor() = default;
    TfrxPropertyEditor(const TfrxPropertyEditor &) = delete;
    TfrxPropertyEditor &operator=(const TfrxPropertyEditor &) = delete;

    // Opens the editor's dialog or cycles the value; true when it changed something. The base
    // moves to the next entry of the value list, wrapping around.
    virtual bool RunEditor();
    virtual int Attributes() const { return paMultiSelect; }
    virtual QString DisplayName() const;
    virtual int ExtraListWidth() const { return 0; }
    // The value of the first target as text; "(Unknown)" when it cannot be read.
    virtual QString ValueText() const;
    // Fills Values() (sorted with paSortList).
    virtual void ValueList();
    // Parses text and writes it to every target; raises an Exception with the message to show.
    virtual void ApplyText(const QString &text);
    virtual void DrawListItem(QPainter &painter, const QRect &rect, const QString &item) const;
    virtual void DrawValue(QPainter &painter, const QRect &rect) const;

    void AddTarget(const TfrxPropertyTarget &target) { m_targets.append(target); }
    const QList<TfrxPropertyTarget> &Targets() const { return m_targets; }
    const TfrxPropInfo *Prop() const { return m_targets.first().Prop; }
    const TfrxPropTarget &Target() const { return m_targets.first().Target; }
    TfrxComponent *Component() const { return m_targets.first().Component; }
    TfrxCustomDesigner *Designer() const { return m_designer; }
    QStringList &Values() { return m_values; }
    int ItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int value) { m_itemHeight = value; }
    // How many targets the last write changed before it finished or failed.
    int WrittenCount() const { return m_written; }
    void ClearWrittenCount() { m_written = 0; }

protected:
    // Writes to every target with a setter in turn, counting the ones written; the first error
    // stops the walk and passes to the caller (WrittenCount tells what was already changed).
    void WriteAll(const std::function<void(const TfrxPropertyTarget &)> &write);
    // The designer's unit (0 cm, 1 inches, 2 pixels, 3 characters).
    int Units() const;

    TfrxCustomDesigner *m_designer;
    QList<TfrxPropertyTarget> m_targets;
    QStringList m_values;
    int m_itemHeight = 16;
    int m_written = 0;
};

using TfrxPropertyEditorFactory = std::function<TfrxPropertyEditor *(TfrxCustomDesigner *)>;

template <class Editor> TfrxPropertyEditorFactory frxEditor()
{
    return [](TfrxCustomDesigner *designer) -> TfrxPropertyEditor * { return new Editor(designer); };
}

// The registry of property editors. An entry names a property type (the metadata's type name),
// optionally a class (by class name, descendants included) and a property name; an entry
// without a factory hides the property.
class TfrxPropertyEditorCollection {
public:
    struct Entry {
        QString TypeName;
        QString ClassName;
        QString PropName;
        TfrxPropertyEditorFactory Factory;
        bool IsEventEditor = false;
    };

    void Register(const QString &typeName, const QString &className, const QString &propName,
                  TfrxPropertyEditorFactory factory);
    // Hides each ";"-separated property of a class.
    void Hide(const QString &className, const QString &propNames);
    void RegisterEventEditor(TfrxPropertyEditorFactory factory);

    // The entry that decides the editor of a property of an object of class meta: nullptr when
    // the default editor of the kind applies. Hidden when the entry has no factory.
    const Entry *Find(const QMetaObject *meta, const TfrxPropInfo &prop) const;
    const QList<Entry> &Entries() const { return m_entries; }

private:
    QList<Entry> m_entries;
    int m_eventEditor = -1;
    mutable QHash<QPair<const QMetaObject *, const TfrxPropInfo *>, int> m_cache;
};

// The registry, filled with this program's editors and hidden properties on first use.
TfrxPropertyEditorCollection &frxPropertyEditors();

// Converts between stored values and the designer's unit. Positions and sizes are design pixels,
// paper sizes and margins millimetres; vertical picks the character height.
double frxPixelsToUnits(double pixels, int units, bool vertical);
double frxUnitsToPixels(double value, int units, bool vertical);
double frxMmToUnits(double mm, int units, bool vertical);
double frxUnitsToMm(double value, int units, bool vertical);
// A shown unit value: a whole number without decimals, else two decimals.
QString frxUnitText(double value);
// Parses a number typed with "," or "." as decimal point (blanks removed); raises an Exception
// with a message for anything else.
double frxParseFloat(const QString &text);

class TfrxPropertyItem {
public:
    std::unique_ptr<TfrxPropertyEditor> Editor;
    bool Expanded = false;
    std::unique_ptr<TfrxPropertyList> SubProperty;
    QString Name() const;
};

class TfrxPropertyList {
public:
    TfrxPropertyList(TfrxPropertyList *parent = nullptr) : m_parent(parent) {}
    TfrxPropertyList *Parent() const { return m_parent; }
    QList<TfrxPropertyItem *> Items() const;
    int Count() const { return int(m_items.size()); }
    TfrxPropertyItem *Item(int i) const { return m_items[i].get(); }
    TfrxPropertyItem *Find(QStringView name) const;
    void Add(std::unique_ptr<TfrxPropertyItem> item) { m_items.push_back(std::move(item)); }
    std::unique_ptr<TfrxPropertyItem> Take(int i);
    void Remove(int i) { m_items.erase(m_items.begin() + i); }

private:
    TfrxPropertyList *m_parent;
    std::vector<std::unique_ptr<TfrxPropertyItem>> m_items;
};

// Builds the properties of the selected objects, sorted by name: the common ones of all of them
// with multi-selection editors when there are several. Event properties go to events.
void frxBuildPropertyLists(TfrxCustomDesigner *designer, const QList<TfrxComponent *> &objects,
                           TfrxPropertyList &properties, TfrxPropertyList &events);

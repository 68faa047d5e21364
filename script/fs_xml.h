#pragma once
// The small XML tree the script engine works on: language definitions are read into it, and the
// intermediate program document is one. Elements carry attributes and child elements only; text
// between elements is ignored on reading and never written. Reading, writing and freeing do not
// recurse, so a deeply nested document cannot exhaust the stack.

#include <QString>

#include <memory>
#include <utility>
#include <vector>

class TfsXMLItem {
public:
    explicit TfsXMLItem(const QString &name = QString()) : m_name(name) {}
    ~TfsXMLItem();
    TfsXMLItem(const TfsXMLItem &) = delete;
    TfsXMLItem &operator=(const TfsXMLItem &) = delete;

    const QString &Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }

    // Attributes, in the order they were set.
    int PropCount() const { return int(m_props.size()); }
    const QString &PropName(int index) const { return m_props[size_t(index)].first; }
    const QString &PropValue(int index) const { return m_props[size_t(index)].second; }
    bool HasProp(const QString &name) const;
    // The value of an attribute, empty when it is missing.
    QString Prop(const QString &name) const;
    void SetProp(const QString &name, const QString &value);

    int Count() const { return int(m_items.size()); }
    TfsXMLItem *Items(int index) const { return m_items[size_t(index)].get(); }
    TfsXMLItem *Parent() const { return m_parent; }
    TfsXMLItem *Add(const QString &name);
    void AddItem(std::unique_ptr<TfsXMLItem> item);
    void InsertItem(int index, std::unique_ptr<TfsXMLItem> item);
    std::unique_ptr<TfsXMLItem> TakeItem(int index);
    // Index of the first child of that name (compared ignoring case), or -1.
    int Find(const QString &name) const;
    TfsXMLItem *FindItem(const QString &name) const;
    void Clear();

    // A deep copy of this element and everything under it.
    std::unique_ptr<TfsXMLItem> Clone() const;

private:
    QString m_name;
    std::vector<std::pair<QString, QString>> m_props;
    std::vector<std::unique_ptr<TfsXMLItem>> m_items;
    TfsXMLItem *m_parent = nullptr;
};

class TfsXMLDocument {
public:
    TfsXMLDocument();

    TfsXMLItem *Root() const { return m_root.get(); }
    void SetRoot(std::unique_ptr<TfsXMLItem> root);
    void Clear();

    // Reads a document; throws EfsScriptError with a message that names the line on malformed input.
    void LoadFromString(const QString &text);
    // The document as text: the XML declaration line, then one element per line.
    QString SaveToString() const;

    // Attribute text escaped for XML: markup characters and control characters become references.
    static QString Escape(const QString &text);

private:
    std::unique_ptr<TfsXMLItem> m_root;
};

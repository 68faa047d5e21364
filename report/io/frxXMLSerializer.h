#pragma once
// The layout file format: components as elements, published properties as attributes. Both
// directions are driven by the property metadata (frxMeta.h) alone: the writer walks a class's
// published properties in their order and writes those that are stored and differ from their
// default; the reader scans an element's attribute text once and sets each property by name.
// What a class keeps outside its properties (the report's lists, picture data) travels as a
// hexadecimal value stream in a "PropData" attribute (frxPropData.h).
//
// The report-level operations (LoadFromFile, SaveToStream, password and error handling) are in
// frxSerializeReport.h; this class is the element writer and reader they share with the prepared
// pages, the designer's undo buffer and its clipboard.

#include "report/core/frxMeta.h"

#include <QHash>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <vector>

class TComponent;
class TfrxCollection;
class TfrxComponent;
class TfrxReport;
class TfrxXMLItem;
struct TfrxInitialStrings;
struct TfrxStoredElement;

// ---- value text -----------------------------------------------------------------------------------

// Escapes an attribute value as StrToXML does, except where StrToXML's text would read back as
// something else: an ampersand that starts "&quot;", "&amp;", "&lt;", "&gt;" or "&#" is always
// written "&#38;", so that a text holding such a sequence survives a save (StrToXML turns
// "&quot;" into a quote, and short values keep "&amp;" unescaped).
QString frxStrToXML(const QString &value);

// A float as layouts carry it: 15 significant digits, shortest form, the decimal separator of the
// current number settings ("37.7953", "41263.0434987963", "0.5", "10").
QString frxFloatToStr(double value);
// Reads a float written on any system: "," and "." both count as the decimal separator and blanks
// are ignored ("37,7953", "1 024.5").
bool frxStrToFloat(QStringView text, double &value);

// Passwords are kept in files with every UTF-16 code unit shifted down by 10.
QString frxEncodePassword(const QString &password);
QString frxDecodePassword(const QString &stored);

// ---- what a layout holds beyond the model --------------------------------------------------------

// The attributes of one object that the program's own writing would lose or change, kept as the
// layout had them: names the model does not know, references to components the layout does not
// hold, values the writer would spell otherwise (precision, separators, a picture's class name).
// A writer with SetWriteAsRead puts them back on the object at their old place, each value only
// while the object still has the value it was read with.
struct TfrxKeptAttributes {
    enum Kind {
        Unknown,   // a name the model does not know: written back as it stood
        Respelled, // the writer spells the unchanged value otherwise: the old spelling is written
        Missing,   // the writer leaves it out (a reference that found nothing, a default spelled
                   // out): written back while the writer still leaves it out
        Added,     // the writer adds it, the file left it out: left out while the value is the same
    };
    struct Entry {
        int Index = -1; // among Names (Added: none)
        Kind What = Unknown;
        QString Name;   // as the file spelled it
        QString Raw;    // the value as it stood, escaped
        QString Normal; // Respelled, Added: what the writer made of it after loading
        size_t NormalHash = 0;      // for a long Normal, its hash and size instead
        qsizetype NormalSize = -1;
        bool Reference = false; // Missing: a component reference that found no component
    };
    QStringList Names; // the element's attribute names in file order, which a save keeps
    QList<Entry> Entries;
};
// The attributes kept for component by the last layout read into it; nullptr when none.
const TfrxKeptAttributes *frxKeptAttributes(const TComponent *component);
void frxForgetKeptAttributes(TComponent *component);

// ---- the element writer and reader -------------------------------------------------------------------

class TfrxXMLSerializer {
public:
    // report: the report whose components are written or read; component references are written
    // and resolved relative to it. May be nullptr for objects outside any report.
    explicit TfrxXMLSerializer(TfrxReport *report = nullptr);
    ~TfrxXMLSerializer();
    TfrxXMLSerializer(const TfrxXMLSerializer &) = delete;
    TfrxXMLSerializer &operator=(const TfrxXMLSerializer &) = delete;

    TfrxReport *Report() const { return m_report; }

    // ---- writing ----
    // Write every stored property, also those equal to their default.
    bool SaveDefaultValues() const { return m_saveDefaultValues; }
    void SetSaveDefaultValues(bool value) { m_saveDefaultValues = value; }

    // The report an inherited layout's ancestor objects come from: such an object is written as
    // an "inherited" element with only the attributes that differ from its ancestor's.
    void SetAncestor(TfrxReport *ancestor) { m_ancestor = ancestor; }

    // Whether ObjToXML adds a component's own data ("Text", "PropData"); on by default. The
    // prepared pages write a text object's text themselves, under another name.
    void SetWriteOwnData(bool value) { m_writeOwnData = value; }

    // Whether ObjToXML puts back what a component kept from the layout it was read from
    // (TfrxKeptAttributes). Layout saves do; prepared pages and copies do not.
    void SetWriteAsRead(bool value) { m_writeAsRead = value; }

    // The property attributes of an object, each with its leading blank, in property order; nested
    // objects with their prefix. For a component also its text ("Text") and its own binary data
    // ("PropData"). No "Name".
    QString ObjToXML(const TfrxPropTarget &object, const QString &prefix = QString());
    // Writes component (and, with saveChildren, its subtree) into item. The root element carries
    // no Name attribute; every other element starts with it.
    void WriteComponent(TfrxComponent *component, TfrxXMLItem *item, bool saveChildren = true);
    // How a reference to component is written: its Name, or "Owner.Name" (a frame's component:
    // "Form.Frame.Name") when it belongs to another form or data module than the report's.
    QString ReferenceName(const TComponent *component) const;

    // ---- reading ----
    // Whether the attribute texts were decoded from the old single-byte format as legacy text; memo
    // texts ("Text", "u") then hold UTF-8 bytes and are decoded once more. The layout loaders
    // decode such documents value by value instead and leave this off.
    bool OldFormat() const { return m_oldFormat; }
    void SetOldFormat(bool value) { m_oldFormat = value; }
    // Empty each element's attribute text once it is applied. Layout texts hold pictures as long
    // hexadecimal strings; a loader that owns the tree lets them go early.
    void SetReleaseTexts(bool value) { m_releaseTexts = value; }
    // The component that references and names are looked up in when there is no report.
    void SetLookupRoot(TfrxComponent *root) { m_lookupRoot = root; }
    // Remember every element's attributes as they stood, for KeepReadAttributes.
    void SetKeepAsRead(bool value) { m_keepAsRead = value; }
    // After the whole load (references resolved, the report's options settled): every component
    // read keeps what its element had that a save would otherwise lose (TfrxKeptAttributes),
    // compared with what the writer now makes of it.
    void KeepReadAttributes();

    // Applies an attribute text to an object. Unknown names are ignored; an error while setting
    // one attribute is collected and the scan goes on. Component references are kept until
    // ResolveReferences.
    void XMLToObj(const QString &text, const TfrxPropTarget &object);
    // Fills root from item: item's attributes onto root itself, then one new component per child
    // element, depth first. Unknown classes are collected as errors and skipped with their subtree.
    void ReadComponent(TfrxXMLItem *item, TfrxComponent *root);
    // Creates the component of one element under parent, with its subtree; nullptr when the
    // element is skipped (unknown class, see Errors).
    TfrxComponent *ReadElement(TfrxXMLItem *item, TfrxComponent *parent);
    // Creates one component of the class the text starts with ("TfrxMemoView Left=..."), owned by
    // owner, and applies the rest of the text. nullptr (and an error) for an unknown class.
    TfrxComponent *CreateFromText(const QString &text, TComponent *owner);
    // Sets the references recorded while reading. Names that are not found leave them empty.
    void ResolveReferences();
    // Ends the loading state of every component read, in creation order, and tells each but the
    // report that it is loaded.
    void FinishLoading();

    // Errors collected while reading: sorted, each text once.
    const QStringList &Errors() const { return m_errors; }
    void AddError(const QString &text);
    // Components created or filled, in that order.
    QList<TfrxComponent *> LoadedComponents() const;

private:
    struct PendingReference {
        QPointer<QObject> holder; // the component, or the component owning a collection item
        TfrxPropTarget target;
        const TfrxPropInfo *prop;
        QString name;
    };

    struct TextBuffer;
    void WriteProps(TextBuffer &out, const TfrxPropTarget &object, QStringView prefix);
    void WriteOwnData(QString &out, TfrxComponent *component);
    QString ReportPropData(TfrxReport *report);
    void WriteCollection(class TfrxValueWriter &writer, const QString &name,
                         const TfrxCollection &collection);

    void BeginObject(TfrxComponent *component);
    // An element of an unknown class becomes a placeholder that keeps it (frxUnknown.h).
    TfrxComponent *KeepUnknownElement(TfrxXMLItem *item, TfrxComponent *parent);
    void WriteStoredElement(const TfrxStoredElement &element, TfrxXMLItem *item);
    // The report's lists and a text object's display formats written as child elements with one
    // "item" element per entry; false when item is not such a list.
    bool ReadListElement(TfrxXMLItem *item, TfrxComponent *parent);
    void PrepareReading(TfrxComponent *scope);
    void ReadChildren(TfrxXMLItem *item, TfrxComponent *component, int depth);
    TfrxComponent *CreateElement(TfrxXMLItem *item, TfrxComponent *parent);
    // False when the attribute names nothing the object can take (unknown or read-only).
    bool ApplyAttribute(const TfrxPropTarget &object, QStringView name, QStringView raw);
    struct ReadAttribute {
        QString Name;
        QString Raw;
        bool Known;
    };
    void ReadOwnAttributes(TfrxXMLItem *item, TfrxComponent *component);
    QString WriteAsRead(const TfrxKeptAttributes &kept, const QString &text) const;
    void SetPropValue(const TfrxPropTarget &target, const TfrxPropInfo &prop, const QString &value);
    QString MemoText(QStringView raw) const;
    void ReadObjectPropData(const TfrxPropTarget &object, QStringView raw);
    void ReadPicturePropData(const TfrxPropTarget &target, const TfrxPropInfo &prop, QStringView raw,
                             const QString &attribute);
    void ReadCollection(class TfrxValueReader &reader, TfrxCollection &collection, bool &damaged);
    void ReadStreamedCollection(class TfrxValueReader &reader, TfrxCollection &collection, bool &damaged);
    void DropReferencesInto(const TfrxCollection &collection);
    QObject *FindReference(const QString &name) const;
    QString DescribeTarget(const TfrxPropTarget &object) const;

    QString AncestorDiff(TfrxComponent *component, const QString &text);

    TfrxReport *m_report;
    TfrxReport *m_ancestor = nullptr;
    TfrxComponent *m_lookupRoot = nullptr;
    const TfrxInitialStrings *m_initialStrings = nullptr; // of the component being written
    QPointer<QObject> m_currentHolder;                    // the component whose attributes are being applied
    bool m_saveDefaultValues = false;
    bool m_writeOwnData = true;
    bool m_oldFormat = false;
    bool m_depthReported = false;
    bool m_hasAncestors = false;
    bool m_releaseTexts = false;
    bool m_keepAsRead = false;
    bool m_writeAsRead = false;
    std::vector<ReadAttribute> *m_recording = nullptr;
    std::vector<std::pair<QPointer<TfrxComponent>, std::vector<ReadAttribute>>> m_read;
    QStringList m_errors;
    std::vector<PendingReference> m_references;
    QList<QPointer<TfrxComponent>> m_loaded;
};

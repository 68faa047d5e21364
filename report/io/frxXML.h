#pragma once
// The XML dialect of layout files (.fr3), prepared reports (.fp3) and the message table. It is a
// small subset of XML: elements with attributes, nesting, comments and one header line. An
// element's attributes stay one undivided, still escaped text (TfrxXMLItem::Text); a reader of the
// tree walks that text itself, or asks Prop for one attribute.
//
// Reading never recurses, so nesting depth is bounded by memory only, and it never reads past a
// buffer: every malformed input ends in TfrxInvalidXMLException.

#include "platform/Exception.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;
class QTemporaryFile;

// A document that breaks the rules of the dialect.
class TfrxInvalidXMLException : public Exception {
public:
    TfrxInvalidXMLException() : Exception(QStringLiteral("Invalid file format")) {}
};

// Escapes a value for an attribute: line feed, carriage return, double quote, ampersand,
// less-than and greater-than become decimal references; the sequence "&quot;" becomes one
// "&#34;"; in values shorter than 32 characters other ampersands stay as they are.
QString StrToXML(const QString &value);
// The escape loop StrToXML runs. With safeAmpersands an ampersand that starts a reference ("&#",
// "&quot;", "&amp;", "&lt;", "&gt;") is always written "&#38;", so that the text reads back as it
// was (the layout writer's frxStrToXML); without, StrToXML's rules hold.
QString frxEscapeAttribute(const QString &value, bool safeAmpersands);
// Reverses StrToXML and also reads "&quot;", "&amp;", "&lt;" and "&gt;". Anything else that
// starts with "&" stays as it is.
QString XMLToStr(const QString &text);

class TfrxXMLItem {
public:
    TfrxXMLItem();
    // Frees the children and leaves the parent's list.
    ~TfrxXMLItem();
    TfrxXMLItem(const TfrxXMLItem &) = delete;
    TfrxXMLItem &operator=(const TfrxXMLItem &) = delete;

    const QString &Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }
    // The attributes as they stand in the file, escaped, without the blank after the name.
    const QString &Text() const { return m_text; }
    void SetText(const QString &text) { m_text = text; }
    // Content written between start and end tag of an element without children; never read.
    const QString &Value() const { return m_extra ? m_extra->Value : EmptyText(); }
    void SetValue(const QString &value)
    {
        if (m_extra || !value.isEmpty())
            Ext().Value = value;
    }
    TfrxXMLItem *Parent() const { return m_parent; }

    // Partial loading (prepared reports): where the children wait in the document's temporary
    // file, whether they are in memory, whether they may be swapped out.
    qint64 Offset() const { return m_extra ? m_extra->Offset : -1; }
    void SetOffset(qint64 offset)
    {
        if (m_extra || offset != -1)
            Ext().Offset = offset;
    }
    bool Loaded() const { return m_loaded; }
    void SetLoaded(bool loaded) { m_loaded = loaded; }
    bool Unloadable() const { return m_unloadable; }
    void SetUnloadable(bool unloadable) { m_unloadable = unloadable; }

    // A new last child.
    TfrxXMLItem *Add();
    // Appends an item, taking it from its previous parent.
    void AddItem(TfrxXMLItem *item);
    // Puts an item (taken from its previous parent) at a position of this one's children.
    void InsertItem(int index, TfrxXMLItem *item);
    int Count() const { return m_extra ? int(m_extra->Items.size()) : 0; }
    TfrxXMLItem *Items(int index) const { return m_extra->Items.at(index); }
    TfrxXMLItem *operator[](int index) const { return m_extra->Items.at(index); }
    int IndexOf(const TfrxXMLItem *item) const;
    // Index of the first child with that name (ignoring case), or -1.
    int Find(const QString &name) const;
    // That child, or a new last child of that name.
    TfrxXMLItem *FindItem(const QString &name);
    // Frees the children; an unloadable item is then marked not loaded.
    void Clear();

    // The unescaped value of the attribute (name matched ignoring case, first one wins), or "".
    QString Prop(const QString &name) const;
    // Replaces the attribute where it stands, or appends it.
    void SetProp(const QString &name, const QString &value);

private:
    friend class TfrxXMLReader;
    // What most items do not have: children, a value, a place in the temporary file. A prepared
    // report holds one item per placed object, almost all of them leaves, so keeping this apart
    // makes every leaf a third smaller.
    struct Extra {
        QList<TfrxXMLItem *> Items;
        QString Value;
        qint64 Offset = -1;
    };
    Extra &Ext()
    {
        if (!m_extra)
            m_extra = std::make_unique<Extra>();
        return *m_extra;
    }
    static const QString &EmptyText();
    void Detach();
    static void FreeChildren(QList<TfrxXMLItem *> &items);

    QString m_name;
    QString m_text;
    TfrxXMLItem *m_parent = nullptr;
    std::unique_ptr<Extra> m_extra;
    bool m_loaded = true;
    bool m_unloadable = false;
};

// Reads the dialect from a device, starting at its current position, through a 4096-byte buffer.
class TfrxXMLReader {
public:
    explicit TfrxXMLReader(QIODevice *stream);
    // Puts the device back at the position the reader got to.
    ~TfrxXMLReader();
    TfrxXMLReader(const TfrxXMLReader &) = delete;
    TfrxXMLReader &operator=(const TfrxXMLReader &) = delete;

    // Reads the "<?xml ...?>" line and decides between the old single-byte format and UTF-8.
    void ReadHeader();
    bool OldVersion() const { return m_oldVersion; }
    void SetOldVersion(bool oldVersion) { m_oldVersion = oldVersion; }

    // Reads one element with its subtree into item. False when the next tag was a closing tag or
    // the stream ended (item then holds that closing tag's name).
    bool ReadItem(TfrxXMLItem *item);
    // Whether the last ReadItem ran into the end of the stream with elements still open. The
    // dialect accepts that; a caller may still want to say the file looks cut short.
    bool Truncated() const { return m_truncated; }

    // Called for every unloadable element when it is complete (partial loading).
    void SetOnUnloadable(std::function<void(TfrxXMLItem *)> handler) { m_onUnloadable = std::move(handler); }

    // Device position of the next byte the reader will look at.
    qint64 Position() const { return m_bufferStart + m_pos; }
    void SetPosition(qint64 position);

private:
    bool Fill();
    bool Ensure(qsizetype count);
    bool ReadTag(QString &name, QString &text, qint64 *start);
    bool SkipComment();
    void SplitTag(const char *data, qsizetype size, QString &name, QString &text) const;
    void Finish(TfrxXMLItem *item);

    QIODevice *m_stream;
    QByteArray m_buffer;      // the 4096-byte window
    qint64 m_bufferStart = 0; // device position of m_buffer[0]
    qsizetype m_pos = 0;      // next byte in the window
    qsizetype m_len = 0;      // bytes in the window
    bool m_eof = false;
    QByteArray m_tag; // a tag that crosses the window's end
    bool m_oldVersion = false;
    bool m_truncated = false;
    std::function<void(TfrxXMLItem *)> m_onUnloadable;
};

class TfrxXMLDocument;

// Writes UTF-8 to a device, flushing its buffer past 4096 bytes and at the end.
class TfrxXMLWriter {
public:
    explicit TfrxXMLWriter(QIODevice *stream);
    ~TfrxXMLWriter();
    TfrxXMLWriter(const TfrxXMLWriter &) = delete;
    TfrxXMLWriter &operator=(const TfrxXMLWriter &) = delete;

    bool AutoIndent() const { return m_autoIndent; }
    void SetAutoIndent(bool autoIndent) { m_autoIndent = autoIndent; }
    // The document that can bring unloaded items back for writing.
    void SetDocument(TfrxXMLDocument *document) { m_document = document; }

    void WriteHeader();
    // The item and its subtree; level is the indent of the item in blanks.
    void WriteItem(TfrxXMLItem *item, int level = 0);
    // Writes what is buffered; raises EFileError when the device refuses it.
    void Flush();

private:
    void WriteStart(const TfrxXMLItem *item, int level);
    void WriteEnd(const TfrxXMLItem *item, int level);
    void Put(const char *data, qsizetype size);
    void Put(const QByteArray &bytes) { Put(bytes.constData(), bytes.size()); }
    void PutIndent(int level);
    void PutLineEnd();

    QIODevice *m_stream;
    QByteArray m_buffer;
    bool m_autoIndent = false;
    TfrxXMLDocument *m_document = nullptr;
};

class TfrxXMLDocument {
public:
    TfrxXMLDocument();
    ~TfrxXMLDocument();
    TfrxXMLDocument(const TfrxXMLDocument &) = delete;
    TfrxXMLDocument &operator=(const TfrxXMLDocument &) = delete;

    TfrxXMLItem *Root() const { return m_root.get(); }
    bool AutoIndent() const { return m_autoIndent; }
    void SetAutoIndent(bool autoIndent) { m_autoIndent = autoIndent; }
    // Whether the last file read was in the old single-byte format.
    bool OldVersion() const { return m_oldVersion; }
    // Whether the last file read ended before its elements were closed (still loaded; see
    // TfrxXMLReader::Truncated).
    bool Truncated() const { return m_truncated; }
    // Folder of the temporary file; the system's temporary folder when empty or missing.
    const QString &TempDir() const { return m_tempDir; }
    void SetTempDir(const QString &tempDir) { m_tempDir = tempDir; }

    // Empties the root and deletes the temporary file.
    void Clear();
    // Reads the header and the first element after it into Root. With partial loading the
    // children of unloadable elements go to the temporary file as soon as they are read.
    // Raises TfrxInvalidXMLException; what was read before the error stays in the tree.
    void LoadFromStream(QIODevice *stream, bool allowPartialLoading = false);
    void SaveToStream(QIODevice *stream);
    // Raise EFileError when the file cannot be opened.
    void LoadFromFile(const QString &fileName, bool allowPartialLoading = false);
    void SaveToFile(const QString &fileName);

    // Brings an unloaded item's children back from the temporary file.
    void LoadItem(TfrxXMLItem *item);
    // Moves a loaded unloadable item's children to the end of the temporary file.
    void UnloadItem(TfrxXMLItem *item);
    // Lets go of a loaded unloadable item's children: an item whose copy in the temporary file is
    // still current (it was read from there and not changed since) only drops them; any other is
    // unloaded. Reading pages back over and over so never grows the file.
    void ReleaseItem(TfrxXMLItem *item);
    // The temporary file's path while there is one (for tests and diagnostics).
    QString TempFileName() const;

private:
    QIODevice *TempStream();
    void DropTempFile();

    std::unique_ptr<TfrxXMLItem> m_root;
    bool m_autoIndent = false;
    bool m_oldVersion = false;
    bool m_truncated = false;
    QString m_tempDir;
    std::unique_ptr<QTemporaryFile> m_tempFile;
};

#pragma once
// Binary value streams: what a layout keeps outside the published properties (the report's dataset,
// variable and style lists, picture data) goes into a "PropData" attribute as the hexadecimal form
// of such a stream. A stream is a sequence of entries: a name as a short string, then one value
// that starts with its type byte. The layout is the one other programs write, so that files move
// between them unchanged.

#include <QByteArray>
#include <QString>
#include <QStringView>

class TPicture;

// Type bytes of the values.
enum class TfrxValueType : quint8 {
    Null = 0, // end of a list
    List = 1, // start of a list; values follow until a Null
    Int8 = 2,
    Int16 = 3,
    Int32 = 4,
    String = 6,      // 1-byte length, then that many bytes
    Binary = 10,     // 4-byte length, then that many bytes
    LString = 12,    // 4-byte length, then that many bytes
    WString = 18,    // 4-byte count, then that many UTF-16LE code units
    Int64 = 19,      // 8 bytes; written only for integers that do not fit 32 bits
    Utf8String = 20, // 4-byte length, then that many UTF-8 bytes
    // Read only: what the platform's component streams hold besides the types above.
    Extended = 5, // 10-byte extended float
    Ident = 7,    // an identifier (value name, component reference): 1-byte length, then it
    False = 8,
    True = 9,
    Set = 11, // member names as 1-byte-length strings, ended by an empty one
    Nil = 13,
    Collection = 14, // items, each an optional integer and a list of named values; ends with a Null
    Single = 15,     // 4-byte float
    Currency = 16,   // 8-byte integer in ten-thousandths
    Date = 17,       // 8-byte float, days
    Double = 21,     // 8-byte float
};

class TfrxValueWriter {
public:
    // The name of an entry: 1-byte length, then its UTF-8 bytes (names are short ASCII words).
    void WriteName(QStringView name);
    void WriteListBegin() { Put(TfrxValueType::List); }
    void WriteListEnd() { Put(TfrxValueType::Null); }
    // The smallest of the 8, 16 and 32-bit forms that holds the value.
    void WriteInteger(qint64 value);
    // Wide when UTF-8 would take at least two bytes per character, else UTF-8 when it is not
    // ASCII, else the long form from 256 bytes on, else the short form.
    void WriteString(const QString &value);
    void WriteBinary(const QByteArray &bytes);

    const QByteArray &Data() const { return m_data; }

private:
    void Put(TfrxValueType type) { m_data.append(char(type)); }
    void PutInt32(qint32 value);

    QByteArray m_data;
};

// Reads a stream without ever looking past its end: every step answers false on data that ends
// early or holds something else than asked for, and the caller stops there.
class TfrxValueReader {
public:
    explicit TfrxValueReader(QByteArray data) : m_data(std::move(data)) {}

    bool AtEnd() const { return m_pos >= m_data.size(); }
    qsizetype Position() const { return m_pos; }

    bool ReadName(QString &name);
    // The type byte of the next value without taking it.
    bool PeekType(TfrxValueType &type) const;
    bool ReadListBegin() { return Expect(TfrxValueType::List); }
    bool ReadCollectionBegin() { return Expect(TfrxValueType::Collection); }
    // True (and taken) when the next value is the end of a list.
    bool NextIsListEnd();
    bool ReadListEnd() { return Expect(TfrxValueType::Null); }
    bool ReadInteger(qint64 &value);
    // Any of the string forms; single-byte strings with bytes above 127 are legacy code page text
    // (what writers without Unicode strings put there).
    bool ReadString(QString &value);
    bool ReadBinary(QByteArray &bytes);
    // A single value of any kind but list, collection and binary as the text a layout attribute
    // gives it: integers and floats as numbers, identifiers as they are, False/True, a set as
    // "[a,b]", nil as an empty text.
    bool ReadValueText(QString &text);
    // Passes over one value of any of the types above, lists included.
    bool SkipValue();

private:
    bool Expect(TfrxValueType type);
    bool Take(qsizetype count, const char *&data);
    bool SkipCollection();
    bool TakeLength(quint32 &length);

    QByteArray m_data;
    qsizetype m_pos = 0;
    int m_nesting = 0;
};

// Upper-case hexadecimal, two digits per byte.
QString frxBinToHex(const QByteArray &bytes);
// Decodes hexadecimal text (either case). On an odd length or a character that is not a hex digit
// the bytes before it are returned and ok is false.
QByteArray frxHexToBin(QStringView hex, bool *ok = nullptr);

// The bytes of a picture's "Data" entry: the graphic class name as a short string, then the
// class's own data (JPEG and bitmap: 4-byte length, then the file; PNG: the file). Empty for an
// empty picture.
QByteArray frxPictureGraphicData(const TPicture &picture);
// Reads such bytes. The class name is returned even when the picture cannot be read; the data is
// recognised by its signature, so the variants other writers produce (PNG classes of other
// libraries, a length before a PNG or none before a JPEG) load too.
bool frxPictureFromGraphicData(QByteArray data, TPicture &picture, QString &className);
// The whole "PropData" value of a picture: one entry "Data" holding the bytes above, as
// hexadecimal text. Empty for an empty picture.
QString frxPicturePropData(const TPicture &picture);

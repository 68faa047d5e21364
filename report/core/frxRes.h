#pragma once
// The text table of the report engine: every caption and message of the engine, the designer and
// the preview is looked up here by a short key or a number, so that wording lives in one file
// (resources/frxStrings.txt). A key without an entry answers the key itself, which keeps a missing
// entry visible without breaking the caller.

#include <QHash>
#include <QReadWriteLock>
#include <QString>

class TfrxResources {
public:
    QString Get(const QString &key) const;
    QString Get(int id) const { return Get(QString::number(id)); }
    bool Has(const QString &key) const;
    // Adds or replaces an entry (for texts a module brings along with it).
    void Add(const QString &key, const QString &text);
    // Reads "key=text" lines; "#" starts a comment line; "\n", "\r", "\t" and "\\" are escapes.
    // Text after "=" is taken as it stands, blanks included.
    void LoadFromText(const QString &text);

private:
    friend TfrxResources &frxResources();
    TfrxResources();
    mutable QReadWriteLock m_lock;
    QHash<QString, QString> m_texts;
};

// The process-wide table, filled from the built-in text file on first use.
TfrxResources &frxResources();

// Shorthand for frxResources().Get(key).
inline QString frxGet(const QString &key)
{
    return frxResources().Get(key);
}
inline QString frxGet(int id)
{
    return frxResources().Get(id);
}
// The text of key; a module that brings its own texts adds them on first use unless a text file
// already brought them (so a translation wins).
inline QString frxGetOrAdd(const char *key, const char *fallback)
{
    const QString name = QString::fromLatin1(key);
    if (!frxResources().Has(name))
        frxResources().Add(name, QString::fromUtf8(fallback));
    return frxGet(name);
}

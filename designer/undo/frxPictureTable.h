#pragma once
// Pictures kept by their content: adding the same bytes twice gives the same key, and a picture
// that shares its bytes with one already held is found without reading them again.

#include "report/model/frxPicture.h"

#include <QByteArray>
#include <QHash>
#include <QList>

class TfrxPictureTable {
public:
    // The key of the picture's content (added when new); -1 for an empty picture.
    int Add(const TPicture &picture);
    // The picture of a key; an empty one for an unknown key.
    TPicture Get(int key) const;
    // Drops every picture whose key is not in keep.
    void Retain(const QList<int> &keep);
    void Clear();
    int Count() const { return int(m_entries.size()); }
    qint64 Bytes() const;

private:
    struct Entry {
        TPicture Picture;
        QByteArray Digest;
    };
    QHash<int, Entry> m_entries;
    QHash<QByteArray, int> m_byDigest;
    int m_next = 0;
};

#include "designer/undo/frxPictureTable.h"

#include <QCryptographicHash>
#include <QSet>

int TfrxPictureTable::Add(const TPicture &picture)
{
    if (picture.IsEmpty())
        return -1;
    // Bytes shared with a held picture are that picture: no need to read 600 KB again.
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        if (it->Picture.Data().constData() == picture.Data().constData() &&
            it->Picture.Data().size() == picture.Data().size() &&
            it->Picture.GraphicClassName() == picture.GraphicClassName())
            return it.key();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(picture.GraphicClassName().toUtf8());
    hash.addData(picture.Data());
    const QByteArray digest = hash.result();
    if (const auto found = m_byDigest.constFind(digest); found != m_byDigest.cend())
        return *found;
    const int key = m_next++;
    m_entries.insert(key, {picture, digest});
    m_byDigest.insert(digest, key);
    return key;
}

TPicture TfrxPictureTable::Get(int key) const
{
    const auto found = m_entries.constFind(key);
    return found == m_entries.cend() ? TPicture() : found->Picture;
}

void TfrxPictureTable::Retain(const QList<int> &keep)
{
    const QSet<int> kept(keep.cbegin(), keep.cend());
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (kept.contains(it.key())) {
            ++it;
        } else {
            m_byDigest.remove(it->Digest);
            it = m_entries.erase(it);
        }
    }
}

void TfrxPictureTable::Clear()
{
    m_entries.clear();
    m_byDigest.clear();
}

qint64 TfrxPictureTable::Bytes() const
{
    qint64 bytes = 0;
    for (const Entry &entry : m_entries)
        bytes += entry.Picture.Data().size();
    return bytes;
}

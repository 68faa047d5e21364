#pragma once
// Pictures of prepared pages, kept apart from the page XML: every distinct picture once, in its own
// file format, numbered from 1 (ImageIndex 0 means no picture). The bytes live in segments held in
// memory or, with PictureCacheInFile, in temporary files that go with the cache.

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QIODevice;
class TPicture;
class TfrxXMLItem;

class TfrxPictureCache {
public:
    TfrxPictureCache();
    ~TfrxPictureCache();
    TfrxPictureCache(const TfrxPictureCache &) = delete;
    TfrxPictureCache &operator=(const TfrxPictureCache &) = delete;

    // Both settings take effect only while the cache is empty.
    bool UseFileCache() const { return m_useFileCache; }
    void SetUseFileCache(bool value);
    const QString &TempDir() const { return m_tempDir; }
    void SetTempDir(const QString &value);

    // Frees every entry and deletes the temporary files.
    void Clear();
    int Count() const { return int(m_entries.size()); }
    // Stores the picture's file bytes and answers its 1-based entry number; 0 for an empty picture.
    int AddPicture(const TPicture &picture);
    // Loads the entry's picture; an index outside 1 … Count, or bytes of no known format, leave the
    // picture empty. The picture comes decoded, and an entry asked for again soon after gives the
    // very same image: a background drawn on every page of a job is then decoded once, and a PDF
    // (which keeps one copy of an image it is handed repeatedly) stores it once.
    void GetPicture(int index, TPicture &picture);
    // The entry's bytes as stored; empty outside 1 … Count.
    QByteArray EntryBytes(int index);

    // "item" children with the entry bytes as upper-case hexadecimal "stream" attributes.
    void SaveToXML(TfrxXMLItem *item);
    // Replaces the content by the entries of such an item. An entry with damaged hexadecimal keeps
    // the bytes before the damage (its picture then usually reads as empty).
    void LoadFromXML(TfrxXMLItem *item);

    // A new segment is started once the last one holds this many bytes.
    static constexpr qint64 SegmentLimit = 0x6AAAAAAA;

    // How many decoded pictures are kept at most, and how many bytes of pixels.
    static constexpr int DecodedLimit = 8;
    static constexpr qint64 DecodedBytesLimit = 96 * 1048576;

private:
    struct Decoded {
        int Index;
        std::shared_ptr<const TPicture> Picture;
    };
    struct Entry {
        int Segment;
        qint64 Offset;
    };
    int AddBytes(const QByteArray &bytes);
    QIODevice *LastSegment();

    QList<std::shared_ptr<QIODevice>> m_segments;
    QList<Entry> m_entries;
    QList<Decoded> m_decoded; // most recently used first
    QString m_tempDir;
    bool m_useFileCache = false;
};

#pragma once
// The string table that holds one order row: keys "C1" … "Cn" mapped to the cells of a CSV line.
// Chained buckets, newest item first in its chain, so a second value under a key shadows the first.
//
// A big export holds millions of cells, so a table keeps them compact: its items and their values
// share one block of memory, an item is two numbers (its key's number and where its value ends),
// a value whose characters all fit in one byte takes one byte per character, and a key is kept
// once for the whole program (KeyId). Until a table holds more than a handful of items a chain
// walk is a scan of its items; the bucket chains are built when the table grows.

#include <QString>
#include <memory>
#include <vector>

struct THashItem {
    quint32 Key = 0;   // the key's number (THashTable::KeyId); the top bit marks a value kept as UTF-16
    quint32 End = 0;   // where the value ends in the table's text; it starts where the item before ends
};
using PHashItem = const THashItem *;

class THashTable {
public:
    explicit THashTable(int bucketCount = 256);
    THashTable(const THashTable &other);
    THashTable(THashTable &&other) noexcept;
    THashTable &operator=(const THashTable &other);
    THashTable &operator=(THashTable &&other) noexcept;
    virtual ~THashTable() = default;

    // h rotated left by two bits and combined with each UTF-16 code unit in turn.
    virtual quint32 HashKey(const QString &key) const;

    // The number a key is kept under, the same in every table of the program (an import makes the
    // numbers of "C1" … "Cn" once and puts its cells by number).
    static quint32 KeyId(const QString &key);

    void PutValue(const QString &key, const QString &value) { PutValue(KeyId(key), QStringView(value)); }
    void PutValue(quint32 keyId, QStringView value);
    PHashItem FindItem(const QString &key) const;
    QString LookupValue(const QString &key) const;
    QString ItemValue(const THashItem &item) const;
    QString ItemKey(const THashItem &item) const;

    int BucketCount() const { return m_bucketCount; }
    int Count() const { return int(m_count); }
    void Clear();
    // Makes room for `items` more items whose values take `textBytes` bytes (ValueBytes), so that
    // a row is built in one allocation.
    void Reserve(int items, qsizetype textBytes);
    // The bytes a value takes in a table.
    static qsizetype ValueBytes(QStringView value);
    // Trims spare capacity once a row is complete.
    void Squeeze();

private:
    static constexpr int ScanLimit = 32;   // up to this many items a chain walk scans the items
    static constexpr quint32 Wide = 0x80000000u;
    int Bucket(quint32 hash) const { return int(hash % quint32(m_bucketCount)); }
    THashItem *Items() const { return reinterpret_cast<THashItem *>(m_data.get()); }
    char *Text() const { return m_data.get() + size_t(m_itemCapacity) * sizeof(THashItem); }
    void Reallocate(quint32 itemCapacity, quint32 textCapacity);
    void BuildChains();

    int m_bucketCount;
    quint32 m_count = 0;
    quint32 m_itemCapacity = 0;
    quint32 m_textSize = 0;
    quint32 m_textCapacity = 0;
    std::unique_ptr<char[]> m_data;   // the items, then the text of their values
    // For a large table: the head of each bucket's chain, then the next item of each item.
    std::unique_ptr<std::vector<qint32>> m_chains;
};

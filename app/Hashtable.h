#pragma once
// The string table that holds one order row: keys "C1" … "Cn" mapped to the cells of a CSV line.
// Chained buckets, newest item first in its chain, so a second value under a key shadows the first.
//
// Items live in one array and their values in one text buffer per table: an import of 100,000
// rows then costs a few allocations per row instead of one per cell. Until a table holds more
// than a handful of items a chain walk is a scan of that array; the bucket heads are built when
// the table grows.

#include <QString>
#include <memory>
#include <vector>

struct THashItem {
    qint32 Next = -1;        // index of the next item in the same bucket, or -1
    quint32 Hash = 0;
    QString Key;
    qint32 ValueStart = 0;   // the value's place in the table's text buffer
    qint32 ValueLength = 0;
};
using PHashItem = const THashItem *;

class THashTable {
public:
    explicit THashTable(int bucketCount = 256);
    THashTable(const THashTable &other);
    THashTable(THashTable &&other) noexcept = default;
    THashTable &operator=(const THashTable &other);
    THashTable &operator=(THashTable &&other) noexcept = default;
    virtual ~THashTable() = default;

    // h rotated left by two bits and combined with each UTF-16 code unit in turn.
    virtual quint32 HashKey(const QString &key) const;

    void PutValue(const QString &key, const QString &value) { PutValue(key, HashKey(key), QStringView(value)); }
    // The same with the key's hash already known (an import reuses the hashes of "C1" … "Cn").
    void PutValue(const QString &key, quint32 hash, QStringView value);
    PHashItem FindItem(const QString &key) const;
    QString LookupValue(const QString &key) const;
    QString ItemValue(const THashItem &item) const;

    int BucketCount() const { return m_bucketCount; }
    int Count() const { return int(m_items.size()); }
    void Clear();
    // Trims spare capacity once a row is complete.
    void Squeeze();

private:
    static constexpr int ScanLimit = 32;   // below this many items a chain walk scans the array
    int Bucket(quint32 hash) const { return int(hash % quint32(m_bucketCount)); }
    void BuildBuckets();

    int m_bucketCount;
    std::vector<THashItem> m_items;
    QString m_text;
    std::unique_ptr<qint32[]> m_buckets;   // heads of the chains, once the table is large
};

#include "app/Hashtable.h"

#include <algorithm>

THashTable::THashTable(int bucketCount) : m_bucketCount(std::max(1, bucketCount)) {}

THashTable::THashTable(const THashTable &other)
    : m_bucketCount(other.m_bucketCount), m_items(other.m_items), m_text(other.m_text)
{
    if (other.m_buckets)
        BuildBuckets();
}

THashTable &THashTable::operator=(const THashTable &other)
{
    if (this != &other) {
        THashTable copy(other);
        *this = std::move(copy);
    }
    return *this;
}

quint32 THashTable::HashKey(const QString &key) const
{
    quint32 h = 0;
    for (QChar c : key)
        h = ((h << 2) | (h >> 30)) ^ c.unicode();
    return h;
}

void THashTable::PutValue(const QString &key, quint32 hash, QStringView value)
{
    THashItem item;
    item.Hash = hash;
    item.Key = key;
    item.ValueStart = qint32(m_text.size());
    item.ValueLength = qint32(value.size());
    m_text.append(value);
    const int index = int(m_items.size());
    if (m_buckets) {
        item.Next = m_buckets[Bucket(hash)];
        m_buckets[Bucket(hash)] = index;
    }
    m_items.push_back(std::move(item));
    if (!m_buckets && m_items.size() > size_t(ScanLimit))
        BuildBuckets();
}

void THashTable::BuildBuckets()
{
    m_buckets.reset(new qint32[size_t(m_bucketCount)]);
    std::fill_n(m_buckets.get(), m_bucketCount, -1);
    for (int i = 0; i < int(m_items.size()); ++i) {
        const int b = Bucket(m_items[size_t(i)].Hash);
        m_items[size_t(i)].Next = m_buckets[b];
        m_buckets[b] = i;
    }
}

PHashItem THashTable::FindItem(const QString &key) const
{
    const quint32 hash = HashKey(key);
    if (m_buckets) {
        for (qint32 i = m_buckets[Bucket(hash)]; i >= 0; i = m_items[size_t(i)].Next) {
            if (m_items[size_t(i)].Key == key)
                return &m_items[size_t(i)];
        }
        return nullptr;
    }
    // The chain of a bucket is its items from the newest back; walking the array backwards and
    // skipping other buckets visits them in the same order.
    const int bucket = Bucket(hash);
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        if (Bucket(it->Hash) == bucket && it->Key == key)
            return &*it;
    }
    return nullptr;
}

QString THashTable::ItemValue(const THashItem &item) const
{
    return m_text.mid(item.ValueStart, item.ValueLength);
}

QString THashTable::LookupValue(const QString &key) const
{
    PHashItem item = FindItem(key);
    return item ? ItemValue(*item) : QString();
}

void THashTable::Clear()
{
    m_items.clear();
    m_text.clear();
    m_buckets.reset();
}

void THashTable::Squeeze()
{
    m_items.shrink_to_fit();
    m_text.squeeze();
}

#include "app/Hashtable.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <stdexcept>

namespace {

// Every key any table was given, once, by number. Order rows use a few dozen keys ("C1" … "Cn").
struct KeyPool {
    std::mutex Lock;
    QHash<QString, quint32> Ids;
    std::vector<QString> Keys;
};

KeyPool &Pool()
{
    static KeyPool pool;
    return pool;
}

// The number of a key that some table was given, or -1.
qint64 KnownKeyId(const QString &key)
{
    KeyPool &pool = Pool();
    std::lock_guard<std::mutex> guard(pool.Lock);
    const auto it = pool.Ids.constFind(key);
    return it == pool.Ids.cend() ? -1 : qint64(*it);
}

QString KeyOf(quint32 id)
{
    KeyPool &pool = Pool();
    std::lock_guard<std::mutex> guard(pool.Lock);
    return id < pool.Keys.size() ? pool.Keys[id] : QString();
}

} // namespace

THashTable::THashTable(int bucketCount) : m_bucketCount(std::max(1, bucketCount)) {}

THashTable::THashTable(const THashTable &other) : m_bucketCount(other.m_bucketCount)
{
    if (other.m_count) {
        Reallocate(other.m_count, other.m_textSize);
        std::memcpy(Items(), other.Items(), size_t(other.m_count) * sizeof(THashItem));
        std::memcpy(Text(), other.Text(), other.m_textSize);
        m_count = other.m_count;
        m_textSize = other.m_textSize;
    }
    if (other.m_chains)
        m_chains = std::make_unique<std::vector<qint32>>(*other.m_chains);
}

THashTable::THashTable(THashTable &&other) noexcept
    : m_bucketCount(other.m_bucketCount), m_count(std::exchange(other.m_count, 0)),
      m_itemCapacity(std::exchange(other.m_itemCapacity, 0)), m_textSize(std::exchange(other.m_textSize, 0)),
      m_textCapacity(std::exchange(other.m_textCapacity, 0)), m_data(std::move(other.m_data)),
      m_chains(std::move(other.m_chains))
{
}

THashTable &THashTable::operator=(const THashTable &other)
{
    if (this != &other) {
        THashTable copy(other);
        *this = std::move(copy);
    }
    return *this;
}

THashTable &THashTable::operator=(THashTable &&other) noexcept
{
    if (this != &other) {
        m_bucketCount = other.m_bucketCount;
        m_count = std::exchange(other.m_count, 0);
        m_itemCapacity = std::exchange(other.m_itemCapacity, 0);
        m_textSize = std::exchange(other.m_textSize, 0);
        m_textCapacity = std::exchange(other.m_textCapacity, 0);
        m_data = std::move(other.m_data);
        m_chains = std::move(other.m_chains);
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

quint32 THashTable::KeyId(const QString &key)
{
    KeyPool &pool = Pool();
    std::lock_guard<std::mutex> guard(pool.Lock);
    const auto it = pool.Ids.constFind(key);
    if (it != pool.Ids.cend())
        return *it;
    if (pool.Keys.size() >= Wide)
        throw std::length_error("too many different keys");
    const auto id = quint32(pool.Keys.size());
    pool.Keys.push_back(key);
    pool.Ids.insert(key, id);
    return id;
}

qsizetype THashTable::ValueBytes(QStringView value)
{
    return QtPrivate::isLatin1(value) ? value.size() : 2 * value.size();
}

void THashTable::Reallocate(quint32 itemCapacity, quint32 textCapacity)
{
    const size_t itemBytes = size_t(itemCapacity) * sizeof(THashItem);
    std::unique_ptr<char[]> data(new char[itemBytes + textCapacity]);
    if (m_count)
        std::memcpy(data.get(), Items(), size_t(m_count) * sizeof(THashItem));
    if (m_textSize)
        std::memcpy(data.get() + itemBytes, Text(), m_textSize);
    m_data = std::move(data);
    m_itemCapacity = itemCapacity;
    m_textCapacity = textCapacity;
}

void THashTable::Reserve(int items, qsizetype textBytes)
{
    const quint64 needItems = quint64(m_count) + quint64(std::max(0, items));
    const quint64 needText = quint64(m_textSize) + quint64(std::max<qsizetype>(0, textBytes));
    if (needItems >= Wide || needText > std::numeric_limits<quint32>::max())
        throw std::length_error("order row too large");
    if (needItems > m_itemCapacity || needText > m_textCapacity)
        Reallocate(std::max(quint32(needItems), m_itemCapacity), std::max(quint32(needText), m_textCapacity));
}

void THashTable::PutValue(quint32 keyId, QStringView value)
{
    const bool wide = !QtPrivate::isLatin1(value);
    const qsizetype bytes = wide ? 2 * value.size() : value.size();
    if (m_count == m_itemCapacity || quint64(m_textSize) + quint64(bytes) > m_textCapacity) {
        // Grow by half again what is there, at least to what this value needs.
        const quint64 items = std::max<quint64>(quint64(m_count) + 1, quint64(m_itemCapacity) * 3 / 2);
        const quint64 text = std::max<quint64>(quint64(m_textSize) + quint64(bytes), quint64(m_textCapacity) * 3 / 2);
        if (quint64(m_count) + 1 >= Wide || quint64(m_textSize) + quint64(bytes) > std::numeric_limits<quint32>::max())
            throw std::length_error("order row too large");
        Reallocate(quint32(std::min<quint64>(items, Wide - 1)),
                   quint32(std::min<quint64>(text, std::numeric_limits<quint32>::max())));
    }
    char *to = Text() + m_textSize;
    if (wide) {
        std::memcpy(to, value.data(), size_t(bytes));
    } else {
        for (qsizetype i = 0; i < value.size(); ++i)
            to[i] = char(value[i].unicode());
    }
    m_textSize += quint32(bytes);
    Items()[m_count] = THashItem{keyId | (wide ? Wide : 0u), m_textSize};
    ++m_count;
    if (m_chains) {
        std::vector<qint32> &chains = *m_chains;
        const int b = Bucket(HashKey(KeyOf(keyId)));
        chains.push_back(chains[size_t(b)]);
        chains[size_t(b)] = qint32(m_count - 1);
    } else if (m_count > quint32(ScanLimit)) {
        BuildChains();
    }
}

void THashTable::BuildChains()
{
    auto chains = std::make_unique<std::vector<qint32>>(size_t(m_bucketCount), -1);
    chains->reserve(size_t(m_bucketCount) + m_count);
    for (quint32 i = 0; i < m_count; ++i) {
        const int b = Bucket(HashKey(KeyOf(Items()[i].Key & ~Wide)));
        chains->push_back((*chains)[size_t(b)]);
        (*chains)[size_t(b)] = qint32(i);
    }
    m_chains = std::move(chains);
}

PHashItem THashTable::FindItem(const QString &key) const
{
    const qint64 known = KnownKeyId(key);
    if (known < 0)
        return nullptr;
    const auto id = quint32(known);
    const THashItem *items = Items();
    if (m_chains) {
        const std::vector<qint32> &chains = *m_chains;
        for (qint32 i = chains[size_t(Bucket(HashKey(key)))]; i >= 0; i = chains[size_t(m_bucketCount + i)]) {
            if ((items[i].Key & ~Wide) == id)
                return &items[i];
        }
        return nullptr;
    }
    // The chain of a bucket is its items from the newest back: walking the items backwards meets
    // a key's newest item first.
    for (quint32 i = m_count; i-- > 0;) {
        if ((items[i].Key & ~Wide) == id)
            return &items[i];
    }
    return nullptr;
}

QString THashTable::ItemValue(const THashItem &item) const
{
    const THashItem *items = Items();
    const qsizetype index = &item - items;
    if (index < 0 || quint64(index) >= m_count)
        return QString();
    const quint32 start = index ? items[index - 1].End : 0;
    const char *from = Text() + start;
    const qsizetype bytes = qsizetype(item.End - start);
    if (!(item.Key & Wide))
        return QString::fromLatin1(from, bytes);
    QString value(bytes / 2, Qt::Uninitialized);
    std::memcpy(value.data(), from, size_t(bytes));
    return value;
}

QString THashTable::ItemKey(const THashItem &item) const { return KeyOf(item.Key & ~Wide); }

QString THashTable::LookupValue(const QString &key) const
{
    PHashItem item = FindItem(key);
    return item ? ItemValue(*item) : QString();
}

void THashTable::Clear()
{
    m_count = m_itemCapacity = m_textSize = m_textCapacity = 0;
    m_data.reset();
    m_chains.reset();
}

void THashTable::Squeeze()
{
    if (m_count < m_itemCapacity || m_textSize < m_textCapacity) {
        if (m_count == 0) {
            Clear();
            return;
        }
        Reallocate(m_count, m_textSize);
    }
    if (m_chains)
        m_chains->shrink_to_fit();
}

#include "engine/pages/frxPictureCache.h"

#include "report/io/frxPropData.h"
#include "report/io/frxXML.h"
#include "report/model/frxPicture.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QtEndian>

namespace {

// The picture's bytes with a possible 8-byte wrapper header removed (one that some writers put in
// front of metafiles: 1, 256, then the length that follows).
QByteArray Unwrapped(const QByteArray &bytes)
{
    if (bytes.size() >= 8) {
        const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
        if (qFromLittleEndian<quint16>(d) == 1 && qFromLittleEndian<quint16>(d + 2) == 256 &&
            qint64(qFromLittleEndian<quint32>(d + 4)) + 8 == bytes.size())
            return bytes.mid(8);
    }
    return bytes;
}

} // namespace

TfrxPictureCache::TfrxPictureCache() = default;

TfrxPictureCache::~TfrxPictureCache()
{
    Clear();
}

void TfrxPictureCache::SetUseFileCache(bool value)
{
    if (m_entries.isEmpty())
        m_useFileCache = value;
}

void TfrxPictureCache::SetTempDir(const QString &value)
{
    if (m_entries.isEmpty())
        m_tempDir = value;
}

void TfrxPictureCache::Clear()
{
    m_decoded.clear();
    m_entries.clear();
    m_segments.clear(); // temporary files remove themselves
}

QIODevice *TfrxPictureCache::LastSegment()
{
    if (m_segments.isEmpty() || m_segments.last()->size() >= SegmentLimit) {
        std::shared_ptr<QIODevice> segment;
        if (m_useFileCache) {
            const QString dir =
                !m_tempDir.isEmpty() && QFileInfo(m_tempDir).isDir() ? m_tempDir : QDir::tempPath();
            auto file = std::make_shared<QTemporaryFile>(QDir(dir).filePath(QStringLiteral("frPicXXXXXX")));
            if (file->open())
                segment = file;
        }
        if (!segment) {
            auto buffer = std::make_shared<QBuffer>();
            buffer->open(QIODevice::ReadWrite);
            segment = buffer;
        }
        m_segments.append(segment);
    }
    return m_segments.last().get();
}

int TfrxPictureCache::AddBytes(const QByteArray &bytes)
{
    QIODevice *segment = LastSegment();
    const qint64 offset = segment->size();
    segment->seek(offset);
    segment->write(bytes);
    m_entries.append({int(m_segments.size()) - 1, offset});
    return int(m_entries.size());
}

int TfrxPictureCache::AddPicture(const TPicture &picture)
{
    if (picture.IsEmpty())
        return 0;
    return AddBytes(picture.Data());
}

QByteArray TfrxPictureCache::EntryBytes(int index)
{
    if (index < 1 || index > m_entries.size())
        return QByteArray();
    const Entry &entry = m_entries.at(index - 1);
    QIODevice *segment = m_segments.at(entry.Segment).get();
    qint64 end = segment->size();
    if (index < m_entries.size() && m_entries.at(index).Segment == entry.Segment)
        end = m_entries.at(index).Offset;
    segment->seek(entry.Offset);
    return segment->read(end - entry.Offset);
}

void TfrxPictureCache::GetPicture(int index, TPicture &picture)
{
    picture.Clear();
    if (index < 1 || index > m_entries.size())
        return;
    for (int i = 0; i < m_decoded.size(); ++i)
        if (m_decoded.at(i).Index == index) {
            if (i > 0)
                m_decoded.move(i, 0);
            picture = *m_decoded.first().Picture;
            return;
        }
    const QByteArray bytes = Unwrapped(EntryBytes(index));
    if (bytes.size() < 2)
        return;
    // Bitmaps, JPEG and PNG are what pictures hold; metafiles and icons are recognised but have no
    // reader here, so they stay empty like any unknown data.
    if (TPicture::DetectClassName(bytes).isEmpty())
        return;
    auto loaded = std::make_shared<TPicture>();
    if (!loaded->LoadFromData(bytes))
        return;
    // Decoded here, once: every copy handed out shares these pixels.
    loaded->Image();
    m_decoded.prepend({index, loaded});
    qint64 bytesHeld = 0;
    for (int i = 0; i < m_decoded.size(); ++i) {
        bytesHeld += m_decoded.at(i).Picture->Image().sizeInBytes();
        if (i > 0 && (i >= DecodedLimit || bytesHeld > DecodedBytesLimit)) {
            m_decoded.erase(m_decoded.begin() + i, m_decoded.end());
            break;
        }
    }
    picture = *loaded;
}

void TfrxPictureCache::SaveToXML(TfrxXMLItem *item)
{
    item->Clear();
    for (int i = 1; i <= m_entries.size(); ++i) {
        TfrxXMLItem *child = item->Add();
        child->SetName(QStringLiteral("item"));
        child->SetText(QStringLiteral("stream=\"") + frxBinToHex(EntryBytes(i)) + u'"');
    }
}

void TfrxPictureCache::LoadFromXML(TfrxXMLItem *item)
{
    Clear();
    if (!item)
        return;
    for (int i = 0; i < item->Count(); ++i)
        AddBytes(frxHexToBin(item->Items(i)->Prop(QStringLiteral("stream"))));
}

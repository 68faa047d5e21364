#include "report/model/frxPicture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

static const char *FormatOf(const QString &className)
{
    if (className == QLatin1String("TJPEGImage"))
        return "JPEG";
    if (className == QLatin1String("TBitmap"))
        return "BMP";
    if (className == QLatin1String("TPngImage"))
        return "PNG";
    return nullptr;
}

QString TPicture::DetectClassName(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xD8"))
        return QStringLiteral("TJPEGImage");
    if (bytes.startsWith("BM"))
        return QStringLiteral("TBitmap");
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("TPngImage");
    return QString();
}

bool TPicture::LoadFromGraphic(const QString &className, const QByteArray &bytes)
{
    const char *format = FormatOf(className);
    if (!format || DetectClassName(bytes) != className)
        return false;
    // The header tells whether the bytes are a picture of this kind and its size; the pixels are
    // decoded when first drawn.
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (!reader.canRead() || !size.isValid() || size.isEmpty())
        return false;
    m_className = className;
    m_data = bytes;
    m_size = size;
    m_image = QImage();
    m_decoded = false;
    m_storedOnly = false;
    return true;
}

void TPicture::SetStoredGraphic(const QString &className, const QByteArray &bytes)
{
    m_className = className;
    m_data = bytes;
    m_size = QSize(0, 0);
    m_image = QImage();
    m_decoded = true;
    m_storedOnly = !bytes.isEmpty() || !className.isEmpty();
}

bool TPicture::LoadFromData(const QByteArray &bytes)
{
    return LoadFromGraphic(DetectClassName(bytes), bytes);
}

bool TPicture::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return LoadFromData(file.readAll());
}

void TPicture::SetImage(const QImage &image, const QString &className)
{
    const char *format = FormatOf(className);
    if (image.isNull() || !format) {
        Clear();
        return;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    m_className = className;
    m_data = bytes;
    m_size = image.size();
    m_image = image;
    m_decoded = true;
    m_storedOnly = false;
}

const QImage &TPicture::Image() const
{
    if (!m_decoded) {
        m_decoded = true;
        if (!m_image.loadFromData(m_data, FormatOf(m_className)))
            m_image = QImage();
    }
    return m_image;
}

void TPicture::Clear()
{
    m_className.clear();
    m_data.clear();
    m_size = QSize(0, 0);
    m_image = QImage();
    m_decoded = true;
    m_storedOnly = false;
}

#pragma once
// A picture as layouts keep it: the original file bytes (so a JPEG is saved back byte for byte, not
// re-encoded), the graphic class name the file format names it by ("TJPEGImage", "TBitmap",
// "TPngImage"), and the decoded image for drawing and sizing.

#include <QByteArray>
#include <QImage>
#include <QMetaType>
#include <QSize>
#include <QString>

class TPicture {
public:
    TPicture() = default;

    bool IsEmpty() const { return m_data.isEmpty() && !m_storedOnly; }
    // Pixel size of the image; 0 when empty.
    int Width() const { return m_size.width(); }
    int Height() const { return m_size.height(); }
    // "TJPEGImage", "TBitmap", "TPngImage", or empty for an empty picture.
    const QString &GraphicClassName() const { return m_className; }
    // The file bytes as they were loaded.
    const QByteArray &Data() const { return m_data; }
    // The decoded image. Decoding waits for the first use: a layout loads its pictures' bytes
    // and sizes without paying for pixels it may never draw.
    const QImage &Image() const;

    // Recognises JPEG, BMP and PNG by their signatures and decodes them. Unknown or undecodable
    // bytes leave the picture unchanged and answer false.
    bool LoadFromData(const QByteArray &bytes);
    bool LoadFromFile(const QString &fileName);
    // Loads bytes of a named graphic class. The class must match what the bytes are.
    bool LoadFromGraphic(const QString &className, const QByteArray &bytes);
    // Keeps the stored data of a graphic class this program does not draw (metafiles, icons): the
    // bytes that follow the class name in a layout, written back unchanged. Such a picture is not
    // empty but has no image and no size.
    void SetStoredGraphic(const QString &className, const QByteArray &bytes);
    // Whether the picture holds such stored data.
    bool IsStoredOnly() const { return m_storedOnly; }
    // Takes an image made in the program; it is kept as PNG (lossless) unless asked otherwise.
    void SetImage(const QImage &image, const QString &className = QStringLiteral("TPngImage"));
    void Clear();

    // The graphic class for a file signature, empty when none of the three.
    static QString DetectClassName(const QByteArray &bytes);

    bool operator==(const TPicture &other) const
    {
        return m_className == other.m_className && m_data == other.m_data;
    }
    bool operator!=(const TPicture &other) const { return !(*this == other); }

private:
    QString m_className;
    QByteArray m_data;
    QSize m_size{0, 0};
    mutable QImage m_image;
    mutable bool m_decoded = true;
    bool m_storedOnly = false;
};

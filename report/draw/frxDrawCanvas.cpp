#include "report/draw/frxDrawCanvas.h"

#include <QPaintDevice>
#include <QPainter>

static int DeviceDpi(int dpi)
{
    return dpi > 0 ? dpi : 96;
}

TfrxCanvas::TfrxCanvas(QPainter &painter) : TfrxCanvas(painter, ckScreen)
{
    if (QPaintDevice *device = painter.device()) {
        switch (device->devType()) {
        case QInternal::Printer:
            m_kind = ckPrinter;
            break;
        case QInternal::Picture:
            m_kind = ckMetafile;
            break;
        default:
            break;
        }
    }
}

TfrxCanvas::TfrxCanvas(QPainter &painter, TCanvasKind kind, int dpiX, int dpiY)
    : m_painter(&painter), m_kind(kind), m_dpiX(dpiX), m_dpiY(dpiY)
{
    QPaintDevice *device = painter.device();
    if (m_dpiX <= 0)
        m_dpiX = DeviceDpi(device ? device->logicalDpiX() : 0);
    if (m_dpiY <= 0)
        m_dpiY = DeviceDpi(device ? device->logicalDpiY() : 0);
}

QRect TfrxCanvas::VisibleRect() const
{
    QPaintDevice *device = m_painter->device();
    if (!device)
        return QRect();
    QRect deviceRect(0, 0, device->width(), device->height());
    bool invertible = false;
    QTransform inverse = m_painter->deviceTransform().inverted(&invertible);
    if (!invertible)
        return QRect();
    QRect visible = inverse.mapRect(QRectF(deviceRect)).toAlignedRect();
    if (m_painter->hasClipping())
        visible &= m_painter->clipBoundingRect().toAlignedRect();
    return visible;
}

QColor frxColor(TColor color)
{
    if (color == clNone)
        return QColor(Qt::transparent);
    if (color < 0) {
        // The system colours of the classic desktop scheme, by index.
        static const QRgb system[] = {
            0xC8C8C8, // scrollbar
            0x000000, // background
            0x99B4D1, // active caption
            0xBFCDDB, // inactive caption
            0xF0F0F0, // menu
            0xFFFFFF, // window
            0x646464, // window frame
            0x000000, // menu text
            0x000000, // window text
            0x000000, // caption text
            0xB4B4B4, // active border
            0xF4F7FC, // inactive border
            0xABABAB, // app workspace
            0x0078D7, // highlight
            0xFFFFFF, // highlight text
            0xF0F0F0, // button face
            0xA0A0A0, // button shadow
            0x6D6D6D, // gray text
            0x000000, // button text
            0x000000, // inactive caption text
            0xFFFFFF, // button highlight
            0x696969, // 3D dark shadow
            0xE3E3E3, // 3D light
            0x000000, // info text
            0xFFFFE1, // info background
        };
        int index = color & 0xFF;
        if (index < int(sizeof(system) / sizeof(system[0])))
            return QColor(system[index]);
        return QColor(Qt::black);
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

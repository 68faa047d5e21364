#pragma once
// What report objects draw on. A canvas is a QPainter on any paint device (preview widget, QImage,
// QPrinter, QPicture) together with the two facts the drawing rules depend on and a painter cannot
// always tell: whether the surface is paper (printer canvas) and its resolution. A QImage rendered
// for print output is marked as a printer canvas by the caller.

#include "report/core/frxTypes.h"

#include <QColor>
#include <QRect>

class QPainter;

// A rectangle in device pixels counted the way the drawing rules count: Right and Bottom are the
// first column and row past the rectangle.
struct TfrxDrawRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    bool operator==(const TfrxDrawRect &other) const = default;
};

class TfrxCanvas {
public:
    enum TCanvasKind { ckScreen, ckPrinter, ckMetafile };

    // Kind and resolution from the painter's device: a QPrinter is a printer canvas, a QPicture a
    // metafile canvas, everything else a screen canvas.
    explicit TfrxCanvas(QPainter &painter);
    // Explicit kind and resolution (0 takes the device's); used for images rendered as paper.
    TfrxCanvas(QPainter &painter, TCanvasKind kind, int dpiX = 0, int dpiY = 0);

    QPainter &Painter() const { return *m_painter; }
    TCanvasKind Kind() const { return m_kind; }
    bool IsPrinter() const { return m_kind == ckPrinter; }
    bool IsMetafile() const { return m_kind == ckMetafile; }
    // Device resolution; 96 when the device reports none.
    int DpiX() const { return m_dpiX; }
    int DpiY() const { return m_dpiY; }
    // The part of the surface that can show anything, in the painter's coordinates: the device
    // less what the clip takes away.
    QRect VisibleRect() const;

private:
    QPainter *m_painter;
    TCanvasKind m_kind;
    int m_dpiX;
    int m_dpiY;
};

// Where an object lies on the device and with which transform it is being drawn; computed at the
// start of every draw.
struct TfrxDrawState {
    int X = 0;  // left
    int Y = 0;  // top
    int X1 = 0; // right (less the shadow)
    int Y1 = 0; // bottom (less the shadow)
    int DX = 0;
    int DY = 0;
    int FrameWidth = 0;
    double ScaleX = 1;
    double ScaleY = 1;
    double OffsetX = 0;
    double OffsetY = 0;
};

// Platform colour to QColor: 0x00BBGGRR; clNone is transparent; negative values name system
// colours, answered with the classic desktop palette so paper output never depends on a theme.
QColor frxColor(TColor color);

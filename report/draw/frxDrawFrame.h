#pragma once
// The geometry every visible object shares on a device: its background (solid fill and hatch), its
// drop shadow and its frame in every line style, plus a single styled line for line and shape
// objects. All coordinates are device pixels; the painter draws unantialiased so that lines land on
// whole pixels the way the rules place them.

#include "report/draw/frxDrawCanvas.h"
#include "report/model/frxFrame.h"

#include <QPoint>

class QPainter;

// Fills (X, Y)-(X1, Y1) with color (unless clNone) and, for a hatch brush style, covers
// (X, Y)-(X1 + 1, Y1 + 1) with the hatch in hatchColor.
void frxDrawBackground(QPainter &painter, const TfrxDrawState &state, TColor color,
                       frx::TBrushStyle brushStyle, TColor hatchColor);

// The drop shadow (when the frame has one) and the frame lines. objectColor shows through the gaps
// of broken line styles and between the lines of fsDouble.
void frxDrawFrame(QPainter &painter, const TfrxDrawState &state, const TfrxFrame &frame, TColor objectColor);

// A straight line from a to b in a frame line style, width device pixels wide.
void frxDrawStyledLine(QPainter &painter, QPoint a, QPoint b, frx::TfrxFrameStyle style, const QColor &color,
                       int width, TColor objectColor);

// The line width of a frame line on the device: round(width x scale), at least one pixel.
int frxLinePixels(double width, double scale);

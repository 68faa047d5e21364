#pragma once
// Drawing a whole report page: the paper clip on screen, the background picture, the origin moved
// into the margins, and every visible object that lies (with a 20-pixel margin) in the visible part
// of the canvas. The prepared pages draw their pages through this, so a design page, a preview page
// and a printed page are drawn by the same rules.

#include "report/draw/frxDrawCanvas.h"

class QPainter;
class TfrxReportPage;

// What the caller knows about the page being drawn.
struct TfrxPageDrawValues {
    int PageIndex = 0;     // 0-based; odd pages swap their margins when MirrorMargins is set
    int TotalPages = 0;    // fills in [TOTALPAGES#]
    int CopyNo = 0;        // picks the CopyName variable for [COPYNAME#]
    double PrintScale = 1; // scale of the printed page (ignored on screen)
};

// scaleX and scaleY are device pixels per report pixel, offsetX and offsetY the device position of
// the paper's top-left corner.
void frxDrawPage(TfrxReportPage &page, TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX,
                 double offsetY, const TfrxPageDrawValues &values = TfrxPageDrawValues());
// The same on a painter, taking the canvas kind from its device.
void frxDrawPage(TfrxReportPage &page, QPainter &painter, double scaleX, double scaleY, double offsetX,
                 double offsetY, const TfrxPageDrawValues &values = TfrxPageDrawValues());

// The page background: its colour, frame and BackPicture stretched over the printable area. Drawn
// when BackPictureVisible, and on paper only when BackPicturePrintable as well.
void frxDrawPageBackground(TfrxReportPage &page, TfrxCanvas &canvas, double scaleX, double scaleY,
                           double offsetX, double offsetY);

#include "report/draw/frxDrawFrame.h"

#include <QPainter>

#include <cmath>

namespace {

enum TSide { sLeft, sTop, sRight, sBottom };

// The rectangle whose edges the lines of a frame are centred on.
struct TEdges {
    int X, Y, X1, Y1;
};

// The device's dash patterns of broken one-pixel lines, in pixels.
QList<qreal> CosmeticPattern(frx::TfrxFrameStyle style)
{
    switch (style) {
    case frx::fsDash:
        return {18, 6};
    case frx::fsDot:
        return {3, 3};
    case frx::fsDashDot:
        return {9, 6, 3, 6};
    case frx::fsDashDotDot:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {1, 1};
    }
}

bool IsBroken(frx::TfrxFrameStyle style)
{
    return style == frx::fsDash || style == frx::fsDot || style == frx::fsDashDot ||
           style == frx::fsDashDotDot;
}

bool IsPattern(frx::TfrxFrameStyle style)
{
    return style == frx::fsAltDot || style == frx::fsSquare;
}

QPen CosmeticPen(const QColor &color, const QList<qreal> &pattern)
{
    QPen pen(color);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    pen.setDashPattern(pattern);
    return pen;
}

// The geometric pen of fsAltDot and fsSquare: square dashes one width long with gaps of one width,
// or round dots two widths apart; a line of at most one pixel is one pixel on, one off.
QPen PatternPen(frx::TfrxFrameStyle style, const QColor &color, int width)
{
    if (width <= 1)
        return CosmeticPen(color, {1, 1});
    QPen pen(color);
    pen.setWidth(width);
    if (style == frx::fsSquare) {
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern({1, 1});
    } else {
        pen.setCapStyle(Qt::RoundCap);
        pen.setDashPattern({0.001, 1.999});
    }
    return pen;
}

// Fills the band of one side, centred on its edge. Top and bottom bands reach over the corners to
// the outer edge of a present neighbour; left and right bands stop where those begin, so corners
// meet without overlapping. An end without a neighbour gets a square cap of half the width.
void FillSide(QPainter &painter, TSide side, const TEdges &e, const int width[4], const bool present[4],
              const QColor &color)
{
    const int w = width[side];
    if (side == sTop || side == sBottom) {
        const int c = side == sTop ? e.Y : e.Y1;
        const int xs = present[sLeft] ? e.X - width[sLeft] / 2 : e.X - w / 2;
        const int xe = present[sRight] ? e.X1 - width[sRight] / 2 + width[sRight] : e.X1 - w / 2 + w;
        if (xe > xs)
            painter.fillRect(QRect(xs, c - w / 2, xe - xs, w), color);
    } else {
        const int c = side == sLeft ? e.X : e.X1;
        const int ys = present[sTop] ? e.Y - width[sTop] / 2 + width[sTop] : e.Y - w / 2;
        const int ye = present[sBottom] ? e.Y1 - width[sBottom] / 2 : e.Y1 - w / 2 + w;
        if (ye > ys)
            painter.fillRect(QRect(c - w / 2, ys, w, ye - ys), color);
    }
}

// The end points of a side's edge.
void SideLine(TSide side, const TEdges &e, QPoint &a, QPoint &b)
{
    switch (side) {
    case sLeft:
        a = QPoint(e.X, e.Y), b = QPoint(e.X, e.Y1);
        break;
    case sTop:
        a = QPoint(e.X, e.Y), b = QPoint(e.X1, e.Y);
        break;
    case sRight:
        a = QPoint(e.X1, e.Y), b = QPoint(e.X1, e.Y1);
        break;
    case sBottom:
        a = QPoint(e.X, e.Y1), b = QPoint(e.X1, e.Y1);
        break;
    }
}

} // namespace

int frxLinePixels(double width, double scale)
{
    return qMax(1, frxRound(width * scale));
}

void frxDrawBackground(QPainter &painter, const TfrxDrawState &state, TColor color,
                       frx::TBrushStyle brushStyle, TColor hatchColor)
{
    if (color != clNone)
        painter.fillRect(QRect(state.X, state.Y, state.X1 - state.X, state.Y1 - state.Y), frxColor(color));
    if (brushStyle >= frx::bsHorizontal && hatchColor != clNone) {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        QBrush brush(frxColor(hatchColor), hatches[brushStyle - frx::bsHorizontal]);
        painter.fillRect(QRect(state.X, state.Y, state.X1 - state.X + 1, state.Y1 - state.Y + 1), brush);
    }
}

void frxDrawFrame(QPainter &painter, const TfrxDrawState &state, const TfrxFrame &frame, TColor objectColor)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);

    if (frame.DropShadow()) {
        const QColor shadow = frxColor(frame.ShadowColor());
        const int t = frxRound(frame.ShadowWidth() * state.ScaleX);
        const int tb = frxRound(frame.ShadowWidth() * state.ScaleY);
        if (t > 0 && state.Y1 > state.Y + t)
            painter.fillRect(QRect(state.X1, state.Y + t, t, state.Y1 - state.Y - t), shadow);
        if (tb > 0 && state.X1 + t > state.X + tb)
            painter.fillRect(QRect(state.X + tb, state.Y1, state.X1 + t - state.X - tb, tb), shadow);
    }

    const frx::TfrxFrameTypes typ = frame.Typ();
    if (typ == frx::TfrxFrameTypes() || frame.Color() == clNone || frame.Width() == 0) {
        painter.restore();
        return;
    }

    const TfrxFrameLine *lines[4] = {frame.LeftLine(), frame.TopLine(), frame.RightLine(),
                                     frame.BottomLine()};
    const frx::TfrxFrameType types[4] = {frx::ftLeft, frx::ftTop, frx::ftRight, frx::ftBottom};
    bool drawn[4];
    int width[4];
    QColor color[4];
    bool solid[4];
    bool doubled[4];
    for (int s = 0; s < 4; ++s) {
        drawn[s] = typ.testFlag(types[s]) && lines[s]->Color() != clNone;
        width[s] = frxLinePixels(lines[s]->Width(), state.ScaleX);
        color[s] = frxColor(lines[s]->Color());
        solid[s] = drawn[s] && lines[s]->Style() == frx::fsSolid;
        doubled[s] = drawn[s] && lines[s]->Style() == frx::fsDouble;
    }
    const bool hasObjectColor = objectColor != clNone;
    const QColor fill = frxColor(objectColor);
    const TEdges edges{state.X, state.Y, state.X1, state.Y1};

    // Solid sides, joined at the corners they share.
    for (int s = 0; s < 4; ++s)
        if (solid[s])
            FillSide(painter, TSide(s), edges, width, solid, color[s]);

    // Double sides: an outer and an inner line one width away from the edge, the object's colour
    // between them.
    bool anyDouble = false;
    for (bool d : doubled)
        anyDouble = anyDouble || d;
    if (anyDouble) {
        const TEdges outer{state.X - width[sLeft], state.Y - width[sTop], state.X1 + width[sRight],
                           state.Y1 + width[sBottom]};
        const TEdges inner{state.X + width[sLeft], state.Y + width[sTop], state.X1 - width[sRight],
                           state.Y1 - width[sBottom]};
        for (int s = 0; s < 4; ++s) {
            if (!doubled[s])
                continue;
            if (hasObjectColor)
                FillSide(painter, TSide(s), edges, width, doubled, fill);
            FillSide(painter, TSide(s), outer, width, doubled, color[s]);
            FillSide(painter, TSide(s), inner, width, doubled, color[s]);
        }
    }

    // Broken and patterned sides.
    for (int s = 0; s < 4; ++s) {
        if (!drawn[s] || solid[s] || doubled[s])
            continue;
        QPoint a, b;
        SideLine(TSide(s), edges, a, b);
        frxDrawStyledLine(painter, a, b, lines[s]->Style(), color[s], width[s], objectColor);
    }
    painter.restore();
}

void frxDrawStyledLine(QPainter &painter, QPoint a, QPoint b, frx::TfrxFrameStyle style, const QColor &color,
                       int width, TColor objectColor)
{
    width = qMax(1, width);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double length = std::sqrt(dx * dx + dy * dy);
    // Unit normal: parallel lines of a thick broken line are laid out across it.
    const double nx = length > 0 ? -dy / length : 0;
    const double ny = length > 0 ? dx / length : 1;
    const bool axis = a.x() == b.x() || a.y() == b.y();
    painter.setRenderHint(QPainter::Antialiasing, !axis);
    auto offsetLine = [&](double offset, const QPen &pen) {
        painter.setPen(pen);
        if (axis) {
            const QPoint shift(frxRound(nx * offset), frxRound(ny * offset));
            painter.drawLine(a + shift, b + shift);
        } else {
            const QPointF shift(nx * offset, ny * offset);
            painter.drawLine(QPointF(a) + shift, QPointF(b) + shift);
        }
    };
    const double centre = 0;
    QPen solidPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);

    if (style == frx::fsSolid) {
        offsetLine(centre, solidPen);
    } else if (style == frx::fsDouble) {
        if (objectColor != clNone)
            offsetLine(centre,
                       QPen(frxColor(objectColor), width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        offsetLine(centre - width, solidPen);
        offsetLine(centre + width, solidPen);
    } else if (IsBroken(style)) {
        const QPen pen = CosmeticPen(color, CosmeticPattern(style));
        for (int k = 0; k < width; ++k) {
            const double offset = -(width / 2) + k;
            if (objectColor != clNone) {
                QPen plain(frxColor(objectColor));
                plain.setWidth(1);
                plain.setCosmetic(true);
                offsetLine(offset, plain);
            }
            offsetLine(offset, pen);
        }
    } else if (IsPattern(style)) {
        if (objectColor != clNone)
            offsetLine(centre, QPen(frxColor(objectColor), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        offsetLine(centre, PatternPen(style, color, width));
    }
    painter.restore();
}

// How views draw themselves: the common steps of every view (drawing state, background, frame),
// text objects through the report's text engine, pictures, lines and shapes.

#include "report/draw/frxDrawFrame.h"
#include "report/draw/frxDrawText.h"
#include "report/model/frxBands.h"
#include "report/model/frxReport.h"
#include "report/model/frxVariables.h"
#include "report/model/frxViews.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

// ---- TfrxView ------------------------------------------------------------------------------------

TfrxDrawState TfrxView::ComputeDrawState(double scaleX, double scaleY, double offsetX, double offsetY) const
{
    TfrxDrawState state;
    const double left = AbsLeft();
    const double top = AbsTop();
    state.X = frxRound(offsetX + scaleX * left);
    state.Y = frxRound(offsetY + scaleY * top);
    state.X1 = frxRound(offsetX + scaleX * (left + Width()));
    state.Y1 = frxRound(offsetY + scaleY * (top + Height()));
    if (Frame()->DropShadow()) {
        state.X1 -= frxRound(scaleX * Frame()->ShadowWidth());
        state.Y1 -= frxRound(scaleY * Frame()->ShadowWidth());
    }
    state.DX = state.X1 - state.X;
    state.DY = state.Y1 - state.Y;
    state.FrameWidth = frxRound(scaleX * Frame()->Width());
    state.ScaleX = scaleX;
    state.ScaleY = scaleY;
    state.OffsetX = offsetX;
    state.OffsetY = offsetY;
    return state;
}

void TfrxView::BeginDraw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    Q_UNUSED(canvas);
    m_drawState = ComputeDrawState(scaleX, scaleY, offsetX, offsetY);
}

void TfrxView::DrawBackground(TfrxCanvas &canvas)
{
    frxDrawBackground(canvas.Painter(), m_drawState, Color(), BrushStyle(), Frame()->Color());
}

void TfrxView::DrawFrame(TfrxCanvas &canvas)
{
    frxDrawFrame(canvas.Painter(), m_drawState, *Frame(), Color());
}

void TfrxView::Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground(canvas);
    DrawFrame(canvas);
}

// ---- TfrxCustomMemoView ----------------------------------------------------------------------------

namespace {

// Puts a colour back when the draw is over, however it ends.
class TColorRestorer {
public:
    explicit TColorRestorer(TfrxView *view) : m_view(view), m_color(view->Color()) {}
    ~TColorRestorer() { m_view->SetColor(m_color); }

private:
    TfrxView *m_view;
    TColor m_color;
};

const TfrxDrawRect kMeasureSquare{0, 0, 10000, 10000};

} // namespace

TfrxDrawText *TfrxCustomMemoView::DrawTextEngine() const
{
    if (TfrxReport *report = Report())
        return report->DrawText();
    return frxDefaultDrawText();
}

void TfrxCustomMemoView::SetDrawValues(int totalPages, int copyNo, double printScale)
{
    m_totalPages = totalPages;
    m_copyNo = copyNo;
    m_printScale = printScale;
}

QStringList TfrxCustomMemoView::DrawnText() const
{
    if (IsDesigning()) {
        if (IsDataField())
            return {DataFieldText()};
        return Memo();
    }
    if (!AllowExpressions())
        return Memo();
    QString text = Text();
    bool changed = false;
    static const QString totalPages = QStringLiteral("[TOTALPAGES#]");
    static const QString copyName = QStringLiteral("[COPYNAME#]");
    qsizetype at = text.indexOf(totalPages, 0, Qt::CaseInsensitive);
    if (at >= 0) {
        text.replace(at, totalPages.size(), QString::number(m_totalPages));
        changed = true;
    }
    at = text.indexOf(copyName, 0, Qt::CaseInsensitive);
    if (at >= 0) {
        const QString name = QStringLiteral("CopyName") + QString::number(m_copyNo);
        QString value;
        const TfrxVariables &globals = frxGlobalVariables();
        if (globals.IndexOf(name) >= 0) {
            try {
                value = globals.Value(name).ToString();
            } catch (...) {
                value.clear(); // a value without a text form names no copy
            }
        }
        text.replace(at, copyName.size(), value);
        changed = true;
    }
    return changed ? SplitText(text) : Memo();
}

TfrxDrawRect TfrxCustomMemoView::TextRect(const TfrxDrawState &state) const
{
    const TfrxFrame *frame = Frame();
    const double w = frame->Width();
    const frx::TfrxFrameTypes typ = frame->Typ();
    const double sx = state.ScaleX;
    const double sy = state.ScaleY;
    TfrxDrawRect rect;
    rect.Left =
        state.X + (typ.testFlag(frx::ftLeft) ? frxRound((sx * w - 1) / 2) : 0) + frxRound(sx * GapX());
    rect.Top = state.Y + (typ.testFlag(frx::ftTop) ? frxRound((sy * w - 1) / 2) : 0) + frxRound(sy * GapY());
    rect.Right =
        state.X1 - (typ.testFlag(frx::ftRight) ? frxRound(sx * w / 2) : 0) - frxRound(sx * GapX()) + 1;
    rect.Bottom =
        state.Y1 - (typ.testFlag(frx::ftBottom) ? frxRound(sy * w / 2) : 0) - frxRound(sy * GapY()) + 1;
    return rect;
}

void TfrxCustomMemoView::PrepareEngine(TfrxDrawText *engine) const
{
    engine->ApplyFont(m_highlight.Active() ? *m_highlight.Font() : *Font());
    engine->ApplyOptions(WordWrap(), AllowHTMLTags(), Rotation(), Wysiwyg(), Clipped(), WordBreak(),
                         RTLReading());
    engine->ApplySpacing(LineSpacing(), CharSpacing(), ParagraphGap());
}

void TfrxCustomMemoView::Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX,
                              double offsetY)
{
    TfrxDrawText *engine = DrawTextEngine();
    const QStringList lines = DrawnText();
    TColorRestorer colorRestorer(this);
    TfrxDrawTextLocker lock(engine);
    engine->SetUseDefaultCharset(UseDefaultCharset());
    if (m_highlight.Active())
        SetColor(m_highlight.Color());
    PrepareEngine(engine);

    if (AutoWidth() && !IsDesigning()) {
        engine->ApplyRects(kMeasureSquare, kMeasureSquare, 1, 1, 1);
        engine->LoadText(lines);
        const double width = engine->MeasureWidth() + TextInsets().Horizontal();
        if (HAlign() == frx::haRight)
            SetLeft(Left() + Width() - width);
        else if (HAlign() == frx::haCenter)
            SetLeft(Left() + (Width() - width) / 2);
        SetWidth(width);
        if (auto *band = qobject_cast<TfrxBand *>(Parent()))
            band->AlignChildren();
    }

    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    const TfrxDrawRect scaled = TextRect(m_drawState);
    const TfrxDrawRect unscaled = TextRect(ComputeDrawState(1, 1, 0, 0));
    const double printScale = IsPrinting() ? m_printScale : 1.0;
    engine->ApplyRects(unscaled, scaled, printScale, scaleY, scaleX);
    engine->LoadText(lines);
    engine->ClearParagraphFlags(FirstParaBreak(), LastParaBreak());

    DrawBackground(canvas);
    DrawFrame(canvas);
    if (Underlines() && Rotation() == 0)
        DrawUnderlines(canvas, engine);
    engine->PaintText(canvas, HAlign(), VAlign());
}

void TfrxCustomMemoView::DrawUnderlines(TfrxCanvas &canvas, TfrxDrawText *engine)
{
    const TfrxFrame *frame = Frame();
    if (frame->Color() == clNone)
        return;
    const double step = engine->LineStep() * m_drawState.ScaleY;
    // A step of nothing (spacing eating the whole character height) would rule the same line forever.
    if (!(step > 0))
        return;
    QPainter &painter = canvas.Painter();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(frxColor(frame->Color()));
    pen.setWidth(qMax(1, m_drawState.FrameWidth));
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    double y = (GapY() - LineSpacing() + 1) * m_drawState.ScaleY + step + m_drawState.Y;
    while (y < m_drawState.Y1) {
        const int row = frxRound(y);
        painter.drawLine(m_drawState.X, row, m_drawState.X1, row);
        y += step;
    }
    painter.restore();
}

double TfrxCustomMemoView::CalcHeight()
{
    TfrxDrawText *engine = DrawTextEngine();
    TfrxDrawTextLocker lock(engine);
    PrepareEngine(engine);
    const TfrxDrawRect rect = AutoWidth() ? kMeasureSquare : TextRect(ComputeDrawState(1, 1, 0, 0));
    engine->ApplyRects(rect, rect, 1, 1, 1);
    engine->LoadText(Memo());
    engine->ClearParagraphFlags(FirstParaBreak(), LastParaBreak());
    return frxRoundEven(engine->MeasureHeight() + TextInsets().Vertical());
}

double TfrxCustomMemoView::CalcWidth()
{
    TfrxDrawText *engine = DrawTextEngine();
    TfrxDrawTextLocker lock(engine);
    PrepareEngine(engine);
    engine->ApplyRects(kMeasureSquare, kMeasureSquare, 1, 1, 1);
    engine->LoadText(Memo());
    engine->ClearParagraphFlags(FirstParaBreak(), LastParaBreak());
    return engine->MeasureWidth() + TextInsets().Horizontal();
}

// ---- TfrxCustomLineView ------------------------------------------------------------------------------

void TfrxCustomLineView::Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX,
                              double offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    const TfrxFrame *frame = Frame();
    if (frame->Color() == clNone || frame->Width() == 0)
        return;
    const TfrxDrawState &s = m_drawState;
    QPoint a(s.X, s.Y);
    QPoint b;
    if (Diagonal())
        b = QPoint(s.X1, s.Y1);
    else if (qAbs(s.DX) >= qAbs(s.DY))
        b = QPoint(s.X1, s.Y);
    else
        b = QPoint(s.X, s.Y1);
    const int width = frxLinePixels(frame->Width(), scaleX);
    const QColor color = frxColor(frame->Color());
    QPainter &painter = canvas.Painter();
    frxDrawStyledLine(painter, a, b, frame->Style(), color, width, clNone);

    if (!(ArrowStart() || ArrowEnd()) || a == b)
        return;
    // Arrow heads: ArrowLength back along the line, ArrowWidth to either side.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
    painter.setPen(pen);
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double length = std::sqrt(dx * dx + dy * dy);
    const double ux = dx / length, uy = dy / length;
    const double arrowLength = ArrowLength() * scaleX;
    const double arrowWidth = ArrowWidth() * scaleX;
    auto head = [&](QPointF tip, double direction) {
        const QPointF back(tip.x() - direction * ux * arrowLength, tip.y() - direction * uy * arrowLength);
        const QPointF side(-uy * arrowWidth, ux * arrowWidth);
        QPolygonF polygon({back + side, tip, back - side});
        if (ArrowSolid()) {
            painter.setBrush(color);
            painter.drawPolygon(polygon);
        } else {
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(polygon);
        }
    };
    if (ArrowEnd())
        head(QPointF(b), 1);
    if (ArrowStart())
        head(QPointF(a), -1);
    painter.restore();
}

// ---- TfrxShapeView -----------------------------------------------------------------------------------

void TfrxShapeView::Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    const TfrxDrawState &s = m_drawState;
    const TfrxFrame *frame = Frame();
    QPainter &painter = canvas.Painter();
    const QRectF box(s.X, s.Y, s.DX, s.DY);
    const QPointF top(s.X + s.DX / 2.0, s.Y), bottom(s.X + s.DX / 2.0, s.Y1);
    const QPointF left(s.X, s.Y + s.DY / 2.0), right(s.X1, s.Y + s.DY / 2.0);

    QPainterPath path;
    switch (Shape()) {
    case frx::skRectangle:
        path.addRect(box);
        break;
    case frx::skRoundRectangle: {
        // Curve sets the corner radius in report pixels; without it the corners take an eighth of
        // the shorter side.
        double radius = Curve() > 0 ? Curve() * 2 * qMin(scaleX, scaleY) : qMin(qAbs(s.DX), qAbs(s.DY)) / 8.0;
        radius = qMin(radius, qMin(qAbs(s.DX), qAbs(s.DY)) / 2.0);
        path.addRoundedRect(box, radius, radius);
        break;
    }
    case frx::skEllipse:
        path.addEllipse(box);
        break;
    case frx::skTriangle:
        path.addPolygon(QPolygonF({top, QPointF(s.X1, s.Y1), QPointF(s.X, s.Y1), top}));
        break;
    case frx::skDiamond:
        path.addPolygon(QPolygonF({top, right, bottom, left, top}));
        break;
    case frx::skDiagonal1:
    case frx::skDiagonal2:
        break;
    }

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, Shape() != frx::skRectangle);
    const bool closed = !path.isEmpty();
    if (closed) {
        if (Color() != clNone)
            painter.fillPath(path, frxColor(Color()));
        if (BrushStyle() >= frx::bsHorizontal && frame->Color() != clNone) {
            static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                     Qt::FDiagPattern, Qt::BDiagPattern,
                                                     Qt::CrossPattern, Qt::DiagCrossPattern};
            painter.fillPath(path,
                             QBrush(frxColor(frame->Color()), hatches[BrushStyle() - frx::bsHorizontal]));
        }
    }
    if (frame->Color() != clNone && frame->Width() != 0) {
        const int width = frxLinePixels(frame->Width(), scaleX);
        const QColor color = frxColor(frame->Color());
        if (Shape() == frx::skDiagonal1) {
            frxDrawStyledLine(painter, QPoint(s.X, s.Y1), QPoint(s.X1, s.Y), frame->Style(), color, width,
                              clNone);
        } else if (Shape() == frx::skDiagonal2) {
            frxDrawStyledLine(painter, QPoint(s.X, s.Y), QPoint(s.X1, s.Y1), frame->Style(), color, width,
                              clNone);
        } else {
            QPen pen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            switch (frame->Style()) {
            case frx::fsDash:
                pen.setDashPattern({18.0 / width, 6.0 / width});
                break;
            case frx::fsDot:
                pen.setDashPattern({3.0 / width, 3.0 / width});
                break;
            case frx::fsDashDot:
                pen.setDashPattern({9.0 / width, 6.0 / width, 3.0 / width, 6.0 / width});
                break;
            case frx::fsDashDotDot:
                pen.setDashPattern(
                    {9.0 / width, 3.0 / width, 3.0 / width, 3.0 / width, 3.0 / width, 3.0 / width});
                break;
            case frx::fsAltDot:
                pen.setCapStyle(Qt::RoundCap);
                pen.setDashPattern({0.001, 1.999});
                break;
            case frx::fsSquare:
                pen.setCapStyle(Qt::FlatCap);
                pen.setDashPattern({1, 1});
                break;
            default:
                break;
            }
            painter.strokePath(path, pen);
        }
    }
    painter.restore();
}

// ---- TfrxPictureView ----------------------------------------------------------------------------------

void TfrxPictureView::DrawGraphic(TfrxCanvas &canvas, const TfrxDrawRect &rect)
{
    const QImage &image = m_picture.Image();
    if (image.isNull() || rect.Width() == 0 || rect.Height() == 0)
        return;
    QPainter &painter = canvas.Painter();
    painter.save();
    // Smooth scaling on paper and when asked for; plain pixel stretching on screen.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, IsPrinting() || HightQuality());
    if (Transparent()) {
        if (m_transparentImage.isNull() || m_transparentKey != image.cacheKey() ||
            m_transparentKeyColor != TransparentColor()) {
            QImage masked = image.convertToFormat(QImage::Format_ARGB32);
            const QRgb key = frxColor(TransparentColor()).rgb() & 0xFFFFFF;
            for (int y = 0; y < masked.height(); ++y) {
                auto *row = reinterpret_cast<QRgb *>(masked.scanLine(y));
                for (int x = 0; x < masked.width(); ++x)
                    if ((row[x] & 0xFFFFFF) == key)
                        row[x] = 0;
            }
            m_transparentImage = masked;
            m_transparentKey = image.cacheKey();
            m_transparentKeyColor = TransparentColor();
        }
        painter.drawImage(rect.ToQRect(), m_transparentImage);
    } else if (HightQuality() && !IsPrinting() && rect.ToQRect().width() > 0 && rect.ToQRect().height() > 0 &&
               (rect.ToQRect().width() * 2 < image.width() || rect.ToQRect().height() * 2 < image.height())) {
        // Reduced more than twice on screen: filtering alone would skip whole rows and columns
        // (a scan's thin lines vanish), so the picture is averaged down to the size first.
        const QRect target = rect.ToQRect();
        painter.drawImage(target.topLeft(),
                          image.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    } else {
        painter.drawImage(rect.ToQRect(), image);
    }
    painter.restore();
}

void TfrxPictureView::Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground(canvas);
    const TfrxDrawState &s = m_drawState;
    TfrxDrawRect r{s.X, s.Y, s.X1, s.Y1};
    QPainter &painter = canvas.Painter();
    const int pictureWidth = m_picture.Width();
    const int pictureHeight = m_picture.Height();
    if (!m_picture.IsEmpty() && pictureWidth > 0 && pictureHeight > 0) {
        if (Stretched()) {
            if (KeepAspectRatio()) {
                const double kx = double(s.DX) / pictureWidth;
                const double ky = double(s.DY) / pictureHeight;
                if (ky > kx)
                    r.Bottom = frxRound(pictureHeight * kx) + r.Top;
                else
                    r.Right = frxRound(pictureWidth * ky) + r.Left;
                if (Center()) {
                    const int dx = (s.DX + r.Left - r.Right) / 2;
                    const int dy = (s.DY + r.Top - r.Bottom) / 2;
                    r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
                }
            }
            DrawGraphic(canvas, r);
        } else {
            painter.save();
            painter.setClipRect(QRect(s.X, s.Y, s.DX, s.DY), Qt::IntersectClip);
            const int width = frxRound(scaleX * pictureWidth);
            const int height = frxRound(scaleY * pictureHeight);
            if (Center()) {
                r.Left += (s.DX - width) / 2;
                r.Top += (s.DY - height) / 2;
            }
            r.Right = width + r.Left;
            r.Bottom = height + r.Top;
            DrawGraphic(canvas, r);
            painter.restore();
        }
    } else if (IsDesigning()) {
        // The placeholder the designer shows for a picture object without a picture.
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        const int size = qMax(8, frxRound(16 * scaleX));
        const QRect icon(s.X + (s.DX - size) / 2, s.Y + (s.DY - size) / 2, size, size);
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.setBrush(QColor(0xE8, 0xF0, 0xF8));
        painter.drawRect(icon.adjusted(0, 0, -1, -1));
        painter.setBrush(QColor(0x60, 0x90, 0x60));
        painter.drawPolygon(QPolygon({QPoint(icon.left() + 1, icon.bottom() - 1),
                                      QPoint(icon.left() + size / 3, icon.top() + size / 2),
                                      QPoint(icon.left() + size / 2, icon.top() + 2 * size / 3),
                                      QPoint(icon.left() + 2 * size / 3, icon.top() + size / 3),
                                      QPoint(icon.right() - 1, icon.bottom() - 1)}));
        painter.restore();
    }
    DrawFrame(canvas);
}

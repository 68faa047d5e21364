// How barcode objects draw: the symbol's modules as filled rectangles whose edges fall on whole
// device pixels (so a 300-dpi image and a 1200-dpi printer both get sharp bars, and a PDF gets
// vector paths), the human-readable line through the report's text engine in the object's font,
// and the whole turned by a quarter turn. A value the symbol cannot hold draws a short red reason
// in the box instead; nothing here throws.

#include "report/core/frxRes.h"
#include "report/draw/frxBarcodeSymbol.h"
#include "report/draw/frxDrawText.h"
#include "report/model/frxReport.h"
#include "report/objects/frxBarcode.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const TfrxDrawRect kMeasureSquare{0, 0, 10000, 10000};

TfrxDrawText *EngineOf(const TfrxComponent *component)
{
    if (TfrxReport *report = component->Report())
        return report->DrawText();
    return frxDefaultDrawText();
}

TfrxDrawRect ToDrawRect(const QRect &rect)
{
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

// Whole-pixel edges of n cells spread over length pixels in proportion to their sizes.
std::vector<int> Edges(const std::vector<double> &sizes, double length)
{
    double total = 0;
    for (double size : sizes)
        total += size;
    std::vector<int> edges(sizes.size() + 1, 0);
    double sum = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        sum += sizes[i];
        edges[i + 1] = frxRound(total > 0 ? length * sum / total : 0);
    }
    return edges;
}

// Fills the dark modules. Each row's runs of dark columns become one rectangle, and a run that
// repeats the run right above it (stacked bars, the large blocks of a matrix code) extends that
// rectangle downwards; all of them go to the device in one call, which a PDF writes as one path.
// With a cell transform the edges count modules and the transform takes them to the device (a PDF
// then holds small module numbers instead of device coordinates).
void FillModules(QPainter &painter, const TfrxBarcodeSymbol &symbol, const std::vector<int> &columnEdges,
                 const std::vector<int> &rowEdges, const QPoint &origin,
                 const std::function<QRect(const QRect &)> &map, const QColor &color,
                 const QTransform *cells = nullptr)
{
    struct TBlock {
        int First, End;  // module columns
        int Top, Bottom; // device rows, relative to origin
    };
    std::vector<TBlock> blocks;
    std::vector<size_t> open, next; // blocks that end on the previous row, left to right
    for (int row = 0; row < symbol.Rows; ++row) {
        const int top = rowEdges[size_t(row)];
        const int bottom = rowEdges[size_t(row) + 1];
        if (bottom <= top)
            continue;
        next.clear();
        size_t candidate = 0;
        for (int column = 0; column < symbol.Columns;) {
            if (!symbol.Dark(row, column)) {
                ++column;
                continue;
            }
            int end = column;
            while (end < symbol.Columns && symbol.Dark(row, end))
                ++end;
            while (candidate < open.size() && blocks[open[candidate]].First < column)
                ++candidate;
            if (candidate < open.size() && blocks[open[candidate]].First == column &&
                blocks[open[candidate]].End == end && blocks[open[candidate]].Bottom == top) {
                blocks[open[candidate]].Bottom = bottom;
                next.push_back(open[candidate]);
            } else {
                blocks.push_back({column, end, top, bottom});
                next.push_back(blocks.size() - 1);
            }
            column = end;
        }
        open.swap(next);
    }
    QVector<QRect> rects;
    rects.reserve(qsizetype(blocks.size()));
    for (const TBlock &block : blocks) {
        const int left = columnEdges[size_t(block.First)];
        const int width = columnEdges[size_t(block.End)] - left;
        if (width > 0)
            rects.append(
                map(QRect(origin.x() + left, origin.y() + block.Top, width, block.Bottom - block.Top)));
    }
    if (rects.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    if (cells)
        painter.setTransform(*cells, true);
    painter.drawRects(rects);
    painter.restore();
}

// Whether the canvas is a grid of pixels (an image, the screen) rather than vector output (a PDF
// printer, a metafile).
bool IsRaster(const TfrxCanvas &canvas)
{
    const QPaintDevice *device = canvas.Painter().device();
    if (!device)
        return false;
    switch (device->devType()) {
    case QInternal::Image:
    case QInternal::Pixmap:
    case QInternal::Widget:
        return true;
    default:
        return false;
    }
}

// Edges of columns given in narrow units, each unit the same whole number of pixels: the largest
// that leaves a quiet zone of ten units on either side within length, else the largest that fits
// at all. Empty when not even one pixel per unit fits.
std::vector<int> WholePixelEdges(const std::vector<double> &units, int length)
{
    double total = 0;
    for (double unit : units)
        total += unit;
    if (total <= 0)
        return {};
    const double kQuietUnits = 10;
    int pixels = int(std::floor(length / (total + 2 * kQuietUnits)));
    if (pixels < 1)
        pixels = int(std::floor(length / total));
    if (pixels < 1)
        return {};
    // Rounded from the running sum, so a wide element made of several module columns is still
    // exactly its number of narrow units wide.
    std::vector<int> edges(units.size() + 1, 0);
    double sum = 0;
    for (size_t i = 0; i < units.size(); ++i) {
        sum += units[i];
        edges[i + 1] = frxRound(sum * pixels);
    }
    return edges;
}

bool SaneZoom(double zoom)
{
    return std::isfinite(zoom) && zoom > 0 && zoom <= 100;
}

} // namespace

// ---- TfrxBarcodeBase --------------------------------------------------------------------------------

QRect TfrxBarcodeBase::MapToDevice(const QRect &local, const QRect &box) const
{
    switch (QuarterRotation()) {
    case 90: // turned counter-clockwise: the symbol's left edge lies at the bottom of the box
        return QRect(box.left() + local.top(), box.top() + box.height() - local.left() - local.width(),
                     local.height(), local.width());
    case 180:
        return QRect(box.left() + box.width() - local.left() - local.width(),
                     box.top() + box.height() - local.top() - local.height(), local.width(), local.height());
    case 270:
        return QRect(box.left() + box.width() - local.top() - local.height(), box.top() + local.left(),
                     local.height(), local.width());
    default:
        return local.translated(box.topLeft());
    }
}

QTransform TfrxBarcodeBase::LocalToDevice() const
{
    const TfrxDrawState &s = m_drawState;
    switch (QuarterRotation()) {
    case 90:
        return QTransform(0, -1, 1, 0, s.X, s.Y + s.DY);
    case 180:
        return QTransform(-1, 0, 0, -1, s.X + s.DX, s.Y + s.DY);
    case 270:
        return QTransform(0, 1, -1, 0, s.X + s.DX, s.Y);
    default:
        return QTransform::fromTranslate(s.X, s.Y);
    }
}

QRect TfrxBarcodeBase::MapToDevice(const QRect &local) const
{
    return MapToDevice(local, QRect(m_drawState.X, m_drawState.Y, m_drawState.DX, m_drawState.DY));
}

double TfrxBarcodeBase::CaptionHeight()
{
    TfrxDrawText *engine = EngineOf(this);
    TfrxDrawTextLocker lock(engine);
    engine->ApplyFont(*Font());
    engine->ApplyOptions(false, false, 0, true, true, false, false);
    engine->ApplySpacing(0, 0, 0);
    engine->ApplyRects(kMeasureSquare, kMeasureSquare, 1, 1, 1);
    engine->LoadText({QStringLiteral("0")});
    return engine->MeasureHeight();
}

void TfrxBarcodeBase::DrawCaption(TfrxCanvas &canvas, const QString &text, const QRect &unscaled,
                                  const QRect &scaled)
{
    if (text.isEmpty() || scaled.width() <= 0 || scaled.height() <= 0)
        return;
    TfrxDrawText *engine = EngineOf(this);
    TfrxDrawTextLocker lock(engine);
    engine->ApplyFont(*Font());
    engine->ApplyOptions(false, false, QuarterRotation(), true, true, false, false);
    engine->ApplySpacing(0, 0, 0);
    engine->ApplyRects(ToDrawRect(unscaled), ToDrawRect(scaled), 1, m_drawState.ScaleY, m_drawState.ScaleX);
    engine->LoadText({text});
    engine->PaintText(canvas, frx::haCenter, frx::vaCenter);
}

void TfrxBarcodeBase::DrawMessage(TfrxCanvas &canvas, const QString &message)
{
    const TfrxDrawState &s = m_drawState;
    if (s.DX <= 0 || s.DY <= 0)
        return;
    const TfrxDrawState unscaled = ComputeDrawState(1, 1, 0, 0);
    TFont font;
    font.Assign(*Font());
    font.SetColor(clRed);
    font.SetStyle({});
    font.SetSize(std::clamp(font.Size(), 6, 8));
    TfrxDrawText *engine = EngineOf(this);
    TfrxDrawTextLocker lock(engine);
    engine->ApplyFont(font);
    engine->ApplyOptions(true, false, 0, true, true, true, false);
    engine->ApplySpacing(0, 0, 0);
    engine->ApplyRects({unscaled.X, unscaled.Y, unscaled.X1, unscaled.Y1}, {s.X, s.Y, s.X1, s.Y1}, 1,
                       s.ScaleY, s.ScaleX);
    engine->LoadText({message});
    engine->PaintText(canvas, frx::haCenter, frx::vaCenter);
}

// ---- one-dimensional codes --------------------------------------------------------------------------

void TfrxBarCodeView::Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground(canvas);
    const TfrxDrawState &s = m_drawState;
    if (s.DX > 0 && s.DY > 0) {
        TfrxBarcodeOptions options;
        options.CalcCheckSum = CalcCheckSum();
        options.WideBarRatio = WideBarRatio();
        const TfrxBarcodeSymbol symbol =
            frxIsBarcodeType(BarType()) ? frxEncodeBarcode(BarType(), Text(), options) : TfrxBarcodeSymbol{};
        if (!frxIsBarcodeType(BarType())) {
            DrawMessage(canvas, frxGetOrAdd("SBarcodeUnknownType", "Unknown bar type %1").arg(BarType()));
        } else if (!symbol.Valid) {
            DrawMessage(canvas, symbol.Error);
        } else if (!SaneZoom(Zoom())) {
            DrawMessage(canvas, frxGetOrAdd("SBarcodeZoom", "Zoom %1 is out of range").arg(Zoom()));
        } else {
            const bool turned = QuarterRotation() % 180 != 0;
            const TfrxDrawState u = ComputeDrawState(1, 1, 0, 0);
            const int width = turned ? s.DY : s.DX;
            const int height = turned ? s.DX : s.DY;
            const int widthU = turned ? u.DY : u.DX;
            const int heightU = turned ? u.DX : u.DY;
            // The line of text goes under the bars when there is room for it and for bars above it.
            int caption = 0;
            int captionU = 0;
            if (ShowText() && !symbol.HumanText.isEmpty()) {
                const double textHeight = CaptionHeight();
                captionU = int(std::ceil(textHeight));
                caption = frxRound(textHeight * (turned ? scaleX : scaleY));
                if (caption * 3 > height * 2 || caption <= 0)
                    caption = captionU = 0;
            }
            std::vector<double> columns = symbol.ColumnWidths;
            if (columns.empty())
                columns.assign(size_t(symbol.Columns), 1.0);
            // The symbol fills the width of the box. On a raster every narrow module is the same
            // whole number of pixels (a scanner reads module widths that alternate between n and
            // n + 1 pixels as other bars), the symbol as wide as that allows, centred in the box.
            std::vector<int> columnEdges = Edges(columns, width);
            int left = 0;
            if (IsRaster(canvas)) {
                const std::vector<int> whole = WholePixelEdges(columns, width);
                if (!whole.empty()) {
                    left = (width - whole.back()) / 2;
                    columnEdges = whole;
                }
            }
            const std::vector<int> rowEdges = Edges(symbol.RowHeights, height - caption);
            FillModules(
                canvas.Painter(), symbol, columnEdges, rowEdges, QPoint(left, 0),
                [this](const QRect &local) { return MapToDevice(local); }, QColor(Qt::black));
            if (caption > 0) {
                const QRect boxU(u.X, u.Y, u.DX, u.DY);
                DrawCaption(canvas, symbol.HumanText,
                            MapToDevice(QRect(0, heightU - captionU, widthU, captionU), boxU),
                            MapToDevice(QRect(0, height - caption, width, caption)));
            }
        }
    }
    DrawFrame(canvas);
}

// ---- two-dimensional codes --------------------------------------------------------------------------

void TfrxBarcode2DView::Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY)
{
    BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
    DrawBackground(canvas);
    const TfrxDrawState &s = m_drawState;
    if (s.DX > 0 && s.DY > 0) {
        const TfrxBarcode2DProperties *properties = BarProperties();
        TfrxBarcodeOptions options;
        options.ErrorLevel = properties->ErrorLevels();
        options.Encoding = properties->Encoding();
        const TfrxBarcodeSymbol symbol = frxIsBarcode2DType(BarType())
                                             ? frxEncodeBarcode(BarType(), Text(), options)
                                             : TfrxBarcodeSymbol{};
        const int quiet = properties->QuietZone();
        if (!frxIsBarcode2DType(BarType())) {
            DrawMessage(canvas, frxGetOrAdd("SBarcodeUnknownType", "Unknown bar type %1").arg(BarType()));
        } else if (!symbol.Valid) {
            DrawMessage(canvas, symbol.Error);
        } else if (!SaneZoom(Zoom())) {
            DrawMessage(canvas, frxGetOrAdd("SBarcodeZoom", "Zoom %1 is out of range").arg(Zoom()));
        } else if (quiet < 0 || quiet > 100) {
            DrawMessage(canvas, frxGetOrAdd("SBarcodeQuietZone", "QuietZone %1 is out of range").arg(quiet));
        } else {
            const bool turned = QuarterRotation() % 180 != 0;
            const double scale = turned ? scaleX : scaleY;
            const TfrxDrawState u = ComputeDrawState(1, 1, 0, 0);
            const int width = turned ? s.DY : s.DX;
            const int height = turned ? s.DX : s.DY;
            const int widthU = turned ? u.DY : u.DX;
            int caption = 0;
            int captionU = 0;
            if (ShowText()) {
                const double textHeight = CaptionHeight();
                captionU = int(std::ceil(textHeight));
                caption = frxRound(textHeight * scale);
                if (caption * 3 > height * 2 || caption <= 0)
                    caption = captionU = 0;
            }
            // Modules are square (PDF417 rows three times as high): at the layout's pixel size and
            // zoom when the box holds that, else as large as the box allows.
            const double across = symbol.Columns + 2.0 * quiet;
            const double down = symbol.TotalHeight() + 2.0 * quiet;
            double module = std::min(width / across, (height - caption) / down);
            if (properties->PixelSize() > 0)
                module = std::min(module, properties->PixelSize() * Zoom() * scale);
            if (module >= 2)
                module = std::floor(module); // every module the same number of device pixels
            if (module > 0) {
                std::vector<double> columns(size_t(symbol.Columns), 1.0);
                if (module >= 2) {
                    // Whole device pixels per module: drawn in module units through one transform.
                    const int m = int(module);
                    const std::vector<int> columnEdges = Edges(columns, symbol.Columns);
                    const std::vector<int> rowEdges = Edges(symbol.RowHeights, symbol.TotalHeight());
                    const QTransform cells = QTransform::fromScale(m, m) * LocalToDevice();
                    FillModules(
                        canvas.Painter(), symbol, columnEdges, rowEdges, QPoint(quiet, quiet),
                        [](const QRect &local) { return local; }, QColor(Qt::black), &cells);
                } else {
                    const std::vector<int> columnEdges = Edges(columns, module * symbol.Columns);
                    const std::vector<int> rowEdges = Edges(symbol.RowHeights, module * symbol.TotalHeight());
                    const QPoint origin(frxRound(module * quiet), frxRound(module * quiet));
                    FillModules(
                        canvas.Painter(), symbol, columnEdges, rowEdges, origin,
                        [this](const QRect &local) { return MapToDevice(local); }, QColor(Qt::black));
                }
                if (caption > 0) {
                    const int symbolHeight = frxRound(module * down);
                    const int symbolHeightU = int(std::ceil(symbolHeight / scale));
                    const QRect boxU(u.X, u.Y, u.DX, u.DY);
                    DrawCaption(canvas, Text(), MapToDevice(QRect(0, symbolHeightU, widthU, captionU), boxU),
                                MapToDevice(QRect(0, symbolHeight, width, caption)));
                }
            }
        }
    }
    DrawFrame(canvas);
}

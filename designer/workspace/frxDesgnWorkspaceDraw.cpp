// Drawing of the design surface: the cached layer (paper, grid, background, guides, bands,
// objects and their marks) and what is painted over it (handles).
#include "designer/workspace/frxDesgnWorkspacePrivate.h"

#include "report/draw/frxDrawPage.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"

void TfrxDesignerWorkspace::Private::DrawGrid(QPainter &p) const
{
    const QRectF area = PrintableRect();
    p.save();
    p.setClipRect(area);
    p.setRenderHint(QPainter::Antialiasing, false);
    if (gridType == gtCm || gridType == gtInch) {
        const double step = (gridType == gtCm ? fr01cm : 9.6) * scale;
        const QColor base = gridLCD ? QColor(226, 226, 226) : QColor(232, 232, 232);
        const QColor light(std::min(255, base.red() + 16), std::min(255, base.green() + 16),
                           std::min(255, base.blue() + 16));
        auto lines = [&](bool vertical) {
            const double extent = vertical ? area.width() : area.height();
            for (int i = 0; i * step <= extent; ++i) {
                QColor c;
                if (i % 10 == 0)
                    c = base;
                else if (gridType == gtInch || i % 5 == 0)
                    c = light;
                else
                    continue;
                if (gridType == gtCm && i % 10 != 0 && i % 5 != 0)
                    continue;
                p.setPen(c);
                const double at = (vertical ? area.left() : area.top()) + i * step;
                if (vertical)
                    p.drawLine(QPointF(at, area.top()), QPointF(at, area.bottom()));
                else
                    p.drawLine(QPointF(area.left(), at), QPointF(area.right(), at));
            }
        };
        lines(true);
        lines(false);
    } else {
        const double sx = gridX * scale;
        const double sy = gridY * scale;
        if (sx > 2 && sy > 2) {
            p.setPen(gridType == gtDialog ? Qt::black : QColor(128, 128, 128));
            // One row of dots, stamped down the area.
            QPolygonF row;
            for (double x = area.left(); x <= area.right(); x += sx)
                row << QPointF(x, 0);
            for (double y = area.top(); y <= area.bottom(); y += sy)
                p.drawPoints(row.translated(0, y));
        }
    }
    p.restore();
}

void TfrxDesignerWorkspace::Private::DrawBands(QPainter &p, bool floatingOnly) const
{
    const double caption = q->BandCaptionHeight();
    const QPointF o = Origin();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(std::max(6, int(std::round(11 * scale))));
    p.save();
    p.setFont(font);
    for (TfrxComponent *c : *objects) {
        auto *band = qobject_cast<TfrxBand *>(c);
        if (!band || floating.contains(c) != floatingOnly)
            continue;
        const QRectF r(o.x() + band->Left() * scale, o.y() + band->Top() * scale, band->Width() * scale,
                       band->Height() * scale);
        p.setPen(QColor(160, 160, 160));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (caption > 0) {
            const QRectF strip(r.left(), r.top() - caption * scale, r.width(), caption * scale);
            p.fillRect(strip, QColor(208, 221, 236));
            p.setPen(QColor(40, 60, 90));
            p.drawText(strip.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft,
                       band->BandName() + QLatin1String(": ") + band->Name());
        }
    }
    p.restore();
}

void TfrxDesignerWorkspace::Private::DrawMarks(QPainter &p, TfrxComponent *c) const
{
    auto *view = qobject_cast<TfrxView *>(c);
    if (!view || IsLine(c) || qobject_cast<TfrxDataPage *>(page))
        return;
    const frx::TfrxFrameTypes all = frx::ftLeft | frx::ftRight | frx::ftTop | frx::ftBottom;
    if ((view->Frame()->Typ() & all) == all)
        return;
    const QPointF o = Origin();
    const double L = o.x() + view->AbsLeft() * scale, T = o.y() + view->AbsTop() * scale;
    const double W = view->Width() * scale, H = view->Height() * scale;
    p.setPen(QPen(Qt::black, 1));
    const QLineF lines[] = {{L, T + 3, L, T},
                            {L, T, L + 4, T},
                            {L, T + H - 3, L, T + H},
                            {L, T + H, L + 4, T + H},
                            {L + W - 3, T, L + W, T},
                            {L + W, T, L + W, T + 4},
                            {L + W - 3, T + H, L + W, T + H},
                            {L + W, T + H, L + W, T + H - 4}};
    p.drawLines(lines, 8);
}

void TfrxDesignerWorkspace::Private::RebuildLayer()
{
    const qreal dpr = q->devicePixelRatioF();
    layer = QImage(q->size() * dpr, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(QColor(128, 128, 128));
    layerValid = true;
    if (!page)
        return;
    QPainter p(&layer);
    const QRectF paper(PaperGap, PaperGap, PaperWidthPx() * scale, PaperHeightPx() * scale);
    p.fillRect(paper, color);
    if (locked)
        return;
    if (showGrid)
        DrawGrid(p);

    TfrxCanvas canvas(p);
    auto *reportPage = qobject_cast<TfrxReportPage *>(page);
    if (reportPage) {
        reportPage->SetIsDesigning(true);
        frxDrawPageBackground(*reportPage, canvas, scale, scale, PaperGap, PaperGap);
    }
    const QPointF o = Origin();
    if (reportPage && showGuides) {
        p.setPen(QColor(0, 204, 255));
        const QRectF area = PrintableRect();
        for (const QString &g : reportPage->HGuides()) {
            const double y = o.y() + g.toDouble() * scale;
            p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        }
        for (const QString &g : reportPage->VGuides()) {
            const double x = o.x() + g.toDouble() * scale;
            p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        }
    }
    DrawBands(p);
    for (TfrxComponent *c : *objects)
        if (!floating.contains(c))
            DrawObject(p, canvas, c);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    if (reportPage) {
        QPen dotted(QColor(192, 192, 192), 1, Qt::DotLine);
        p.setPen(dotted);
        p.drawRect(PrintableRect().adjusted(-1, -1, 0, 0));
    }
    p.setPen(QColor(80, 80, 80));
    p.drawRect(paper.adjusted(0, 0, -1, -1));
}

void TfrxDesignerWorkspace::Private::DrawHandles(QPainter &p) const
{
    const QList<TfrxComponent *> views = SelectedViews();
    if (views.isEmpty())
        return;
    const QPointF o = Origin();
    const double size = HandleSize();
    auto square = [&](const QPointF &design, const QColor &c) {
        const QPointF at = o + design * scale;
        p.fillRect(QRectF(at.x() - size / 2, at.y() - size / 2, size, size), c);
    };
    p.save();
    if (views.size() == 1) {
        TfrxComponent *c = views.first();
        const QRectF r = AbsRect(c);
        for (int h = 1; h <= 8; ++h)
            if (!IsLine(c) || h <= 2)
                square(HandlePoint(r, h), Qt::black);
    } else {
        // Corners of every object; the furthest bottom-right corner carries the group handle.
        QPointF groupCorner(-1e9, -1e9);
        for (TfrxComponent *c : views) {
            const QRectF r = AbsRect(c);
            for (int h = 1; h <= 4; ++h)
                square(HandlePoint(r, h), Qt::black);
            const QPointF br = HandlePoint(r, 2);
            if (br.x() + br.y() > groupCorner.x() + groupCorner.y())
                groupCorner = br;
        }
        square(groupCorner, QColor(0, 128, 128));
    }
    p.restore();
}

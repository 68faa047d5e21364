#include "app/Icons.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kInk(0x2b, 0x4a, 0x6f);
const QColor kAccent(0xe0, 0x6c, 0x1f);
const QColor kPaper(0xfb, 0xfb, 0xf7);

void DrawPrinter(QPainter &p)
{
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 3, 14, 9));                        // paper going in
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(3, 11, 26, 12), 2, 2);         // body
    p.setBrush(kPaper);
    p.drawRect(QRectF(8, 19, 16, 10));                      // waybill coming out
    p.setPen(QPen(kAccent, 1.5));
    p.drawLine(QPointF(11, 23), QPointF(21, 23));
    p.drawLine(QPointF(11, 26), QPointF(18, 26));
}

void DrawSheet(QPainter &p, const QRectF &r)
{
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - 6, r.top());
    sheet.lineTo(r.right(), r.top() + 6);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.setBrush(kPaper);
    p.drawPath(sheet);
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(r.left() + 4, r.top() + 9 + i * 4), QPointF(r.right() - 4, r.top() + 9 + i * 4));
}

} // namespace

QIcon MakeToolIcon(ToolIcon kind)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.6));
    switch (kind) {
    case ToolIcon::Print:
        DrawPrinter(p);
        break;
    case ToolIcon::Import: {
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(4, 18), QPointF(4, 28), QPointF(28, 28), QPointF(28, 18)}));
        p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(16, 3), QPointF(16, 21));
        p.drawPolyline(QPolygonF({QPointF(9, 14), QPointF(16, 21), QPointF(23, 14)}));
        break;
    }
    case ToolIcon::Printer: {
        DrawPrinter(p);
        p.setPen(QPen(kAccent, 2.5));
        p.setBrush(kPaper);
        p.drawEllipse(QPointF(25, 8), 5, 5);
        p.drawPoint(QPointF(25, 8));
        break;
    }
    case ToolIcon::TemplateList:
        for (int i = 0; i < 4; ++i) {
            p.setBrush(i == 1 ? kAccent : kInk);
            p.drawRect(QRectF(3, 5 + i * 6.5, 4, 4));
            p.drawLine(QPointF(10, 7 + i * 6.5), QPointF(29, 7 + i * 6.5));
        }
        break;
    case ToolIcon::NewTemplate:
        DrawSheet(p, QRectF(5, 2, 19, 27));
        p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(24, 18), QPointF(24, 30));
        p.drawLine(QPointF(18, 24), QPointF(30, 24));
        break;
    case ToolIcon::Support: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 2.5));
        p.drawArc(QRectF(5, 4, 22, 22), 0, 180 * 16);
        p.setBrush(kAccent);
        p.setPen(QPen(kInk, 1.2));
        p.drawRoundedRect(QRectF(3, 14, 6, 10), 2, 2);
        p.drawRoundedRect(QRectF(23, 14, 6, 10), 2, 2);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(12, 18, 15, 11), 270 * 16, 90 * 16);
        break;
    }
    case ToolIcon::Shop: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(2, 5), QPointF(7, 5), QPointF(11, 21), QPointF(26, 21), QPointF(29, 9),
                                  QPointF(8.5, 9)}));
        p.setBrush(kAccent);
        p.drawEllipse(QPointF(13, 26), 2.5, 2.5);
        p.drawEllipse(QPointF(24, 26), 2.5, 2.5);
        break;
    }
    case ToolIcon::Help: {
        p.setBrush(kInk);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        QFont f(QStringLiteral("Liberation Sans"));
        f.setPixelSize(20);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case ToolIcon::Exit: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(5, 6, 22, 22), 120 * 16, 300 * 16);
        p.setPen(QPen(kAccent, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 3), QPointF(16, 16));
        break;
    }
    case ToolIcon::Auto:
    case ToolIcon::AutoSwitch: {
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setPen(QPen(kAccent, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 16), QPointF(16, 7));
        p.drawLine(QPointF(16, 16), QPointF(22, 19));
        break;
    }
    }
    return QIcon(pixmap);
}

QIcon ProgramIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(2, 2);
    p.setPen(QPen(kInk, 1.6));
    DrawPrinter(p);
    return QIcon(pixmap);
}

QPixmap SplashPicture()
{
    QPixmap pixmap(640, 400);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 400);
    sky.setColorAt(0, QColor(0x24, 0x45, 0x6b));
    sky.setColorAt(1, QColor(0x10, 0x24, 0x3d));
    p.fillRect(pixmap.rect(), sky);

    // A waybill with its carrier form lines.
    p.save();
    p.translate(380, 70);
    p.rotate(6);
    p.setPen(QPen(QColor(0xc8, 0x5a, 0x16), 2));
    p.setBrush(kPaper);
    p.drawRect(QRectF(0, 0, 210, 250));
    p.setPen(QPen(QColor(0xc8, 0x5a, 0x16), 1));
    for (int i = 1; i < 8; ++i)
        p.drawLine(QPointF(10, i * 30), QPointF(200, i * 30));
    p.setPen(QPen(kInk, 3));
    for (int i = 1; i < 7; ++i)
        p.drawLine(QPointF(20, i * 30 - 10), QPointF(60 + (i * 37) % 120, i * 30 - 10));
    p.restore();

    QFont title(QStringLiteral("WenQuanYi Zen Hei"));
    title.setPixelSize(46);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(40, 120, 340, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("快递单打印"));
    QFont sub(QStringLiteral("WenQuanYi Zen Hei"));
    sub.setPixelSize(18);
    p.setFont(sub);
    p.setPen(QColor(0xd6, 0xe2, 0xf0));
    p.drawText(QRectF(42, 190, 340, 30), Qt::AlignLeft, QStringLiteral("导入订单 · 选择模板 · 批量打印"));
    p.setPen(QColor(0x9f, 0xb4, 0xcc));
    sub.setPixelSize(13);
    p.setFont(sub);
    p.drawText(QRectF(42, 350, 340, 24), Qt::AlignLeft, QStringLiteral("Tavrel · 正在启动…"));
    return pixmap;
}

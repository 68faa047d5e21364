#include "designer/format/frxFormatIcons.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>

#include <functional>

namespace {

QIcon Draw(const std::function<void(QPainter &)> &paint)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    paint(p);
    return QIcon(pixmap);
}

QIcon Letter(const QString &text, bool bold, bool italic, bool underline)
{
    return Draw([=](QPainter &p) {
        QFont f(QStringLiteral("Serif"));
        f.setPixelSize(14);
        f.setBold(bold);
        f.setItalic(italic);
        f.setUnderline(underline);
        p.setFont(f);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, text);
    });
}

// Four text lines: 0 left, 1 centre, 2 right, 3 justified.
QIcon TextLines(int align)
{
    return Draw([align](QPainter &p) {
        const int lengths[] = {12, 8, 12, 6};
        for (int i = 0; i < 4; ++i) {
            const int len = align == 3 ? 14 : lengths[i];
            const int x = align == 0 || align == 3 ? 1 : align == 1 ? (16 - len) / 2 : 15 - len;
            p.drawLine(x, 3 + i * 3, x + len - 1, 3 + i * 3);
        }
    });
}

// A box with two text lines at the top, middle or bottom.
QIcon BoxLines(int where)
{
    return Draw([where](QPainter &p) {
        p.setPen(Qt::gray);
        p.drawRect(1, 1, 13, 13);
        p.setPen(Qt::black);
        const int y = where == 0 ? 4 : where == 1 ? 7 : 10;
        p.drawLine(4, y, 11, y);
        p.drawLine(4, y + 2, 11, y + 2);
    });
}

// A dotted square with solid sides: bits 1 left, 2 right, 4 top, 8 bottom.
QIcon Sides(int sides)
{
    return Draw([sides](QPainter &p) {
        p.setPen(QPen(Qt::gray, 1, Qt::DotLine));
        p.drawRect(2, 2, 11, 11);
        p.setPen(QPen(Qt::black, 2));
        if (sides & 1)
            p.drawLine(2, 2, 2, 13);
        if (sides & 2)
            p.drawLine(13, 2, 13, 13);
        if (sides & 4)
            p.drawLine(2, 2, 13, 2);
        if (sides & 8)
            p.drawLine(2, 13, 13, 13);
    });
}

// Two objects and a line showing how the palette command lines them up.
QIcon Palette(int command)
{
    return Draw([command](QPainter &p) {
        p.setBrush(QColor(151, 189, 253));
        switch (command) {
        case 0:   // left
        case 1:   // middle
        case 2: { // right
            const int x = command == 0 ? 2 : command == 1 ? 8 : 14;
            p.drawRect(command == 0 ? 2 : command == 1 ? 4 : 6, 2, 8, 4);
            p.drawRect(command == 0 ? 2 : command == 1 ? 6 : 10, 9, 4, 4);
            p.setPen(Qt::red);
            p.drawLine(x, 0, x, 15);
            break;
        }
        case 3:   // top
        case 4:   // centre
        case 5: { // bottom
            const int y = command == 3 ? 2 : command == 4 ? 8 : 14;
            p.drawRect(2, command == 3 ? 2 : command == 4 ? 4 : 6, 4, 8);
            p.drawRect(9, command == 3 ? 2 : command == 4 ? 6 : 10, 4, 4);
            p.setPen(Qt::red);
            p.drawLine(0, y, 15, y);
            break;
        }
        case 6: // space horizontally
            for (int i = 0; i < 3; ++i)
                p.drawRect(1 + i * 5, 5, 3, 6);
            break;
        case 7: // space vertically
            for (int i = 0; i < 3; ++i)
                p.drawRect(5, 1 + i * 5, 6, 3);
            break;
        case 8: // centre horizontally in band
            p.drawRect(5, 5, 6, 6);
            p.setPen(Qt::red);
            p.drawLine(0, 2, 0, 13);
            p.drawLine(15, 2, 15, 13);
            break;
        case 9: // centre vertically in band
            p.drawRect(5, 5, 6, 6);
            p.setPen(Qt::red);
            p.drawLine(2, 0, 13, 0);
            p.drawLine(2, 15, 13, 15);
            break;
        case 10: // same width
            p.drawRect(2, 2, 11, 4);
            p.drawRect(2, 9, 11, 4);
            break;
        default: // same height
            p.drawRect(2, 2, 4, 11);
            p.drawRect(9, 2, 4, 11);
            break;
        }
    });
}

} // namespace

QIcon frxFormatIcon(const QString &name)
{
    static const QHash<QString, std::function<QIcon()>> table = {
        {QStringLiteral("BoldB"), [] { return Letter(QStringLiteral("B"), true, false, false); }},
        {QStringLiteral("ItalicB"), [] { return Letter(QStringLiteral("I"), false, true, false); }},
        {QStringLiteral("UnderlineB"), [] { return Letter(QStringLiteral("U"), false, false, true); }},
        {QStringLiteral("FontB"), [] { return Letter(QStringLiteral("F"), false, false, false); }},
        {QStringLiteral("FontColorB"), [] { return Letter(QStringLiteral("A"), true, false, false); }},
        {QStringLiteral("TextAlignLeftB"), [] { return TextLines(0); }},
        {QStringLiteral("TextAlignCenterB"), [] { return TextLines(1); }},
        {QStringLiteral("TextAlignRightB"), [] { return TextLines(2); }},
        {QStringLiteral("TextAlignBlockB"), [] { return TextLines(3); }},
        {QStringLiteral("TextAlignTopB"), [] { return BoxLines(0); }},
        {QStringLiteral("TextAlignMiddleB"), [] { return BoxLines(1); }},
        {QStringLiteral("TextAlignBottomB"), [] { return BoxLines(2); }},
        {QStringLiteral("FrameLeftB"), [] { return Sides(1); }},
        {QStringLiteral("FrameRightB"), [] { return Sides(2); }},
        {QStringLiteral("FrameTopB"), [] { return Sides(4); }},
        {QStringLiteral("FrameBottomB"), [] { return Sides(8); }},
        {QStringLiteral("FrameAllB"), [] { return Sides(15); }},
        {QStringLiteral("FrameNoB"), [] { return Sides(0); }},
        {QStringLiteral("ShadowB"),
         [] {
             return Draw([](QPainter &p) {
                 p.fillRect(4, 4, 11, 11, Qt::darkGray);
                 p.fillRect(1, 1, 11, 11, Qt::white);
                 p.drawRect(1, 1, 10, 10);
             });
         }},
        {QStringLiteral("FillColorB"),
         [] {
             return Draw([](QPainter &p) {
                 p.fillRect(2, 2, 12, 9, QColor(255, 204, 0));
                 p.drawRect(2, 2, 11, 8);
             });
         }},
        {QStringLiteral("FrameColorB"),
         [] {
             return Draw([](QPainter &p) {
                 p.setPen(QPen(Qt::red, 2));
                 p.drawRect(3, 3, 10, 8);
             });
         }},
        {QStringLiteral("FrameStyleB"),
         [] {
             return Draw([](QPainter &p) {
                 p.drawLine(1, 4, 14, 4);
                 p.setPen(QPen(Qt::black, 1, Qt::DashLine));
                 p.drawLine(1, 8, 14, 8);
                 p.setPen(QPen(Qt::black, 1, Qt::DotLine));
                 p.drawLine(1, 12, 14, 12);
             });
         }},
        {QStringLiteral("RotateB"), [] { return Letter(QStringLiteral("\u21bb"), false, false, false); }},
    };
    if (name.startsWith(QLatin1String("AlignPalette")))
        return Palette(name.mid(12).toInt());
    const auto it = table.find(name);
    return it == table.end() ? QIcon() : it.value()();
}

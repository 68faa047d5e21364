#include "designer/format/frxFormatControls.h"

#include "report/draw/frxFontTable.h"

#include "designer/settings/frxDesignerSettings.h"
#include "platform/IniFile.h"
#include "platform/Ui.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>

#include <algorithm>

// ---- the colour table --------------------------------------------------------------------------------

namespace frxColorTable {

namespace {

TColor Rgb(int r, int g, int b)
{
    return r | (g << 8) | (b << 16);
}

QList<TColor> MakeTable()
{
    const TColor face = ButtonFace();
    return {clNone,
            Rgb(255, 255, 255),
            Rgb(0, 0, 0),
            Rgb(128, 0, 0),
            Rgb(0, 128, 0),
            Rgb(128, 128, 0),
            Rgb(0, 0, 128),
            Rgb(128, 0, 128),
            Rgb(128, 128, 128),
            Rgb(192, 192, 192),
            Rgb(0, 128, 128),
            Rgb(255, 0, 0),
            Rgb(0, 255, 0),
            Rgb(255, 255, 0),
            Rgb(0, 0, 255),
            Rgb(255, 0, 255),
            Rgb(204, 204, 204),
            Rgb(228, 228, 228),
            Rgb(0, 255, 255),
            Rgb(255, 204, 0),
            Rgb(152, 204, 0),
            Rgb(255, 255, 152),
            Rgb(0, 204, 255),
            Rgb(204, 152, 255),
            Rgb(216, 216, 216),
            Rgb(240, 240, 240),
            Rgb(220, 255, 255),
            Rgb(255, 228, 202),
            Rgb(204, 255, 204),
            Rgb(255, 255, 204),
            Rgb(204, 244, 255),
            Rgb(255, 152, 204),
            face,
            Rgb(255, 218, 70),
            Rgb(255, 235, 155),
            Rgb(123, 164, 0),
            Rgb(151, 189, 253),
            Rgb(186, 211, 254),
            Rgb(255, 207, 106),
            Rgb(204, 244, 255),
            face,
            face,
            face,
            face,
            face,
            face,
            face,
            face};
}

} // namespace

TColor ButtonFace()
{
    return FromQColor(QApplication::palette().color(QPalette::Button));
}

QList<TColor> &Colors()
{
    static QList<TColor> table = MakeTable();
    return table;
}

void AddCustomColor(TColor color)
{
    QList<TColor> &table = Colors();
    if (table.contains(color))
        return;
    const TColor face = ButtonFace();
    for (int i = FirstCustom; i < Count; ++i)
        if (table[i] == face) {
            table[i] = color;
            return;
        }
    for (int i = FirstCustom; i + 1 < Count; ++i)
        table[i] = table[i + 1];
    table[Count - 1] = color;
}

void ResetCustomColors()
{
    QList<TColor> &table = Colors();
    for (int i = FirstCustom; i < Count; ++i)
        table[i] = ButtonFace();
}

QColor ToQColor(TColor color)
{
    if (color == clNone)
        return QColor(Qt::transparent);
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TColor FromQColor(const QColor &color)
{
    if (color.alpha() == 0)
        return clNone;
    return Rgb(color.red(), color.green(), color.blue());
}

} // namespace frxColorTable

namespace {

void PlaceUnder(QWidget *panel, QWidget *button)
{
    if (button)
        panel->move(button->mapToGlobal(QPoint(0, button->height() + 2)));
    panel->show();
    panel->raise();
}

void PaintPanel(QPainter &p, const QWidget *w)
{
    p.fillRect(w->rect(), w->palette().color(QPalette::Base));
    p.setPen(w->palette().color(QPalette::Dark));
    p.drawRect(w->rect().adjusted(0, 0, -1, -1));
}

} // namespace

// ---- the colour chooser ------------------------------------------------------------------------------

TfrxColorSelector::TfrxColorSelector(QWidget *parent) : QWidget(parent, Qt::Popup)
{
    setObjectName(QStringLiteral("TfrxColorSelector"));
    setFixedSize(155, 143);
    setMouseTracking(true);
}

void TfrxColorSelector::Popup(QWidget *button)
{
    m_hot = -1;
    PlaceUnder(this, button);
}

int TfrxColorSelector::CellAt(const QPoint &pos)
{
    if (pos.x() < 5 || pos.y() < 5)
        return -1;
    const int row = (pos.y() - 5) / 18;
    const int column = std::min((pos.x() - 5) / 18, 7);
    if (row > 5)
        return frxColorTable::Count;
    return row * 8 + column;
}

void TfrxColorSelector::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    PaintPanel(p, this);
    const QList<TColor> &table = frxColorTable::Colors();
    for (int i = 0; i < frxColorTable::Count; ++i) {
        const QRect swatch(8 + 18 * (i % 8), 8 + 18 * (i / 8), 12, 12);
        if (i == 0) {
            p.fillRect(swatch, Qt::white);
            p.setPen(Qt::black);
            p.drawLine(swatch.topLeft(), swatch.bottomRight());
            p.drawLine(swatch.topRight(), swatch.bottomLeft());
        } else {
            p.fillRect(swatch, frxColorTable::ToQColor(table[i]));
        }
        p.setPen(QColor(128, 128, 128));
        p.drawRect(swatch.adjusted(0, 0, -1, -1));
    }
    const QRect bar(QPoint(8, 116), QPoint(width() - 9, height() - 9));
    p.fillRect(bar, palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::ButtonText));
    p.drawText(QRect(bar.left(), 118, bar.width(), bar.bottom() - 118), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Other..."));
    if (m_hot >= 0) {
        const QRect mark = m_hot == frxColorTable::Count
                               ? bar.adjusted(-3, -3, 3, 3)
                               : QRect(5 + 18 * (m_hot % 8), 5 + 18 * (m_hot / 8), 18, 18);
        p.setPen(QColor(49, 106, 197));
        p.drawRect(mark.adjusted(0, 0, -1, -1));
        p.setPen(QColor(226, 230, 232));
        p.drawRect(mark.adjusted(1, 1, -2, -2));
        p.drawRect(mark.adjusted(2, 2, -3, -3));
    }
}

void TfrxColorSelector::mouseMoveEvent(QMouseEvent *event)
{
    const int cell = CellAt(event->position().toPoint());
    if (cell != m_hot) {
        m_hot = cell;
        update();
    }
}

void TfrxColorSelector::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (!rect().contains(pos)) {
        hide();
        return;
    }
    const int cell = CellAt(pos);
    if (cell < 0)
        return;
    hide();
    if (cell == frxColorTable::Count) {
        ChooseOther();
        return;
    }
    m_color = frxColorTable::Colors()[cell];
    emit ColorPicked(m_color);
}

void TfrxColorSelector::ChooseOther()
{
    hide();
    QColorDialog dialog(frxColorTable::ToQColor(m_color == clNone ? clBlack : m_color));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(QStringLiteral("Color"));
    if (!Ui::RunDialog(dialog))
        return;
    const QColor chosen = dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
    m_color = frxColorTable::FromQColor(QColor(chosen.red(), chosen.green(), chosen.blue()));
    frxColorTable::AddCustomColor(m_color);
    emit ColorPicked(m_color);
}

// ---- the line-style chooser --------------------------------------------------------------------------

TfrxLineSelector::TfrxLineSelector(QWidget *parent) : QWidget(parent, Qt::Popup)
{
    setObjectName(QStringLiteral("TfrxLineSelector"));
    setFixedSize(98, 106);
    setMouseTracking(true);
}

void TfrxLineSelector::Popup(QWidget *button)
{
    m_hot = -1;
    m_down = false;
    PlaceUnder(this, button);
}

int TfrxLineSelector::RowAt(const QPoint &pos)
{
    return std::clamp((pos.y() - 5) / 16, 0, 5);
}

void TfrxLineSelector::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    PaintPanel(p, this);
    static const Qt::PenStyle styles[] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                          Qt::DashDotLine, Qt::DashDotDotLine, Qt::SolidLine};
    for (int row = 0; row < 6; ++row) {
        QPen pen(Qt::black, 2, styles[row], Qt::FlatCap);
        p.setPen(pen);
        const int y = 12 + 16 * row;
        if (row == 5) {
            p.drawLine(7, y - 2, width() - 8, y - 2);
            p.drawLine(7, y + 2, width() - 8, y + 2);
        } else {
            p.drawLine(7, y, width() - 8, y);
        }
    }
    if (m_hot >= 0) {
        p.setPen(QPen(palette().color(QPalette::Dark), m_down ? 2 : 1));
        p.drawRect(QRect(QPoint(5, 5 + 16 * m_hot), QPoint(width() - 5, 21 + 16 * m_hot)));
    }
}

void TfrxLineSelector::mouseMoveEvent(QMouseEvent *event)
{
    const int row = RowAt(event->position().toPoint());
    if (row != m_hot) {
        m_hot = row;
        update();
    }
}

void TfrxLineSelector::mousePressEvent(QMouseEvent *event)
{
    if (!rect().contains(event->position().toPoint())) {
        hide();
        return;
    }
    m_down = true;
    m_hot = RowAt(event->position().toPoint());
    update();
}

void TfrxLineSelector::mouseReleaseEvent(QMouseEvent *event)
{
    m_down = false;
    const QPoint pos = event->position().toPoint();
    if (!rect().contains(pos)) {
        hide();
        return;
    }
    hide();
    emit StylePicked(RowAt(pos));
}

// ---- the font name box -------------------------------------------------------------------------------

namespace {

const QString RecentSection = QStringLiteral("MRUFont");
constexpr int RecentCount = 5;

} // namespace

TfrxFontComboBox::TfrxFontComboBox(const QString &storeName, QWidget *parent)
    : QComboBox(parent),
      m_storeFile(TfrxDesignerSettings::StoreFileName(storeName + QStringLiteral("\\MRUFont")))
{
    setObjectName(QStringLiteral("FontNameCB"));
    setEditable(false);
    setFixedWidth(150);
    setMaxVisibleItems(12);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QString name = itemText(index);
        if (name.isEmpty())
            return;
        if (index != 0)
            Choose(name);
        emit FontChosen(name);
    });
}

void TfrxFontComboBox::Fill()
{
    QStringList system = QFontDatabase::families();
    system.removeDuplicates();
    std::sort(system.begin(), system.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    // The names layouts use (the font table's: 宋体, 黑体, Arial, …) first, so a layout made here
    // names its fonts as the ready and the Windows-made ones do; then the system's other families.
    QStringList families = TfrxFontTable::Global().LayoutNames();
    const int layoutNames = int(families.size());
    for (const QString &family : std::as_const(system))
        if (!families.contains(family, Qt::CaseInsensitive))
            families << family;
    m_families = families;
    m_layoutNames = layoutNames;
    const IniFile ini(m_storeFile);
    m_recent.clear();
    for (int i = 0; i < RecentCount; ++i) {
        const QString name = ini.ReadString(RecentSection, QStringLiteral("Font%1").arg(i), QString());
        // A name that is not an installed font is left out (and cleared when stored next).
        if (!name.isEmpty() && families.contains(name) && !m_recent.contains(name))
            m_recent << name;
    }
    const QString shown = currentText();
    const QSignalBlocker block(this);
    clear();
    addItems(m_recent);
    if (!m_recent.isEmpty())
        insertSeparator(count());
    AddFamilies();
    ShowFont(shown);
}

void TfrxFontComboBox::Choose(const QString &name)
{
    m_recent.removeAll(name);
    m_recent.prepend(name);
    while (m_recent.size() > RecentCount)
        m_recent.removeLast();
    Store();
    const QSignalBlocker block(this);
    clear();
    addItems(m_recent);
    insertSeparator(count());
    AddFamilies();
    ShowFont(name);
}

void TfrxFontComboBox::AddFamilies()
{
    addItems(m_families.mid(0, m_layoutNames));
    if (m_layoutNames > 0 && m_layoutNames < m_families.size())
        insertSeparator(count());
    addItems(m_families.mid(m_layoutNames));
}

void TfrxFontComboBox::ShowFont(const QString &name)
{
    const QSignalBlocker block(this);
    const int index = name.isEmpty() ? -1 : findText(name);
    setCurrentIndex(index);
    // A font that is not installed still shows its name.
    setPlaceholderText(index < 0 ? name : QString());
}

void TfrxFontComboBox::Store() const
{
    IniFile ini(m_storeFile);
    QList<QPair<QString, QString>> values;
    for (int i = 0; i < RecentCount; ++i) {
        const QString name = i < m_recent.size() ? m_recent[i] : QString();
        const bool scalable = !name.isEmpty() && QFontDatabase::isSmoothlyScalable(name);
        values.append({QStringLiteral("Font%1").arg(i), name});
        // The kind of font: 4 for an outline (scalable) font, 0 for none.
        values.append({QStringLiteral("FontType%1").arg(i), QString::number(scalable ? 4 : 0)});
    }
    try {
        QDir().mkpath(QFileInfo(m_storeFile).absolutePath());
        ini.WriteStrings(RecentSection, values);
    } catch (const std::exception &) {
        // A store that cannot be written keeps its old list; the box still shows the new one.
    }
}

#include "designer/editors/frxEditorWidgets.h"

#include "platform/Ui.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/draw/frxFontTable.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>

namespace {

constexpr int kOther = -2; // item data of "Other..."

const struct {
    const char *Name;
    TColor Color;
} kColors[] = {
    {"Black", 0x000000},       {"Maroon", 0x000080},   {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},        {"Purple", 0x800080},   {"Teal", 0x808000},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},      {"Red", 0x0000FF},      {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},        {"Fuchsia", 0xFF00FF},  {"Aqua", 0xFFFF00},  {"White", 0xFFFFFF},
    {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6}, {"Cream", 0xF0FBFF}, {"Medium Gray", 0xA4A0A0},
};

QIcon Swatch(TColor color)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    if (color != clNone)
        painter.fillRect(pixmap.rect(), frxColor(color));
    painter.setPen(Qt::gray);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    if (color == clNone)
        painter.drawLine(0, 11, 15, 0);
    return QIcon(pixmap);
}

} // namespace

TfrxColorBox::TfrxColorBox(bool allowNone, QWidget *parent) : QComboBox(parent)
{
    if (allowNone)
        AddColor(QStringLiteral("Transparent"), clNone);
    for (const auto &entry : kColors)
        AddColor(QString::fromLatin1(entry.Name), entry.Color);
    addItem(QStringLiteral("Other..."), kOther);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (itemData(index).toInt() != kOther) {
            m_last = index;
            return;
        }
        // The platform's colour dialog, through the seam so that it can be scripted.
        QColorDialog dialog(frxColor(itemData(m_last).toInt()), this);
        dialog.setObjectName(QStringLiteral("ColorDialog"));
        if (Ui::RunDialog(dialog)) {
            const QColor c = dialog.currentColor();
            SetColor(TColor(c.red() | c.green() << 8 | c.blue() << 16));
        } else {
            setCurrentIndex(m_last);
        }
    });
}

void TfrxColorBox::AddColor(const QString &name, TColor color)
{
    insertItem(std::max(0, count() - (findData(kOther) >= 0 ? 1 : 0)), Swatch(color), name, color);
}

TColor TfrxColorBox::Color() const
{
    const int value = currentData().toInt();
    return value == kOther ? itemData(m_last).toInt() : value;
}

void TfrxColorBox::SetColor(TColor color)
{
    int index = findData(color);
    if (index < 0) {
        AddColor(QString::number(color), color);
        index = findData(color);
    }
    setCurrentIndex(index);
    m_last = index;
}

TfrxFontBox::TfrxFontBox(QWidget *parent) : QWidget(parent)
{
    auto *form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    m_name = new QComboBox(this);
    m_name->setObjectName(QStringLiteral("FontName"));
    m_name->setEditable(true);
    QStringList names = TfrxFontTable::Global().Fonts();
    for (const char *common : {"Arial", "Tahoma", "Times New Roman", "Courier New"})
        if (!names.contains(QLatin1String(common), Qt::CaseInsensitive))
            names << QLatin1String(common);
    names.sort(Qt::CaseInsensitive);
    m_name->addItems(names);
    form->addRow(QStringLiteral("Font"), m_name);
    m_size = new QSpinBox(this);
    m_size->setObjectName(QStringLiteral("FontSize"));
    m_size->setRange(MinSize, MaxSize);
    form->addRow(QStringLiteral("Size"), m_size);
    auto *styles = new QHBoxLayout;
    auto check = [this, styles](const char *name, const QString &caption) {
        auto *box = new QCheckBox(caption, this);
        box->setObjectName(QLatin1String(name));
        styles->addWidget(box);
        return box;
    };
    m_bold = check("FontBold", QStringLiteral("Bold"));
    m_italic = check("FontItalic", QStringLiteral("Italic"));
    m_underline = check("FontUnderline", QStringLiteral("Underline"));
    m_strikeOut = check("FontStrikeOut", QStringLiteral("Strikeout"));
    form->addRow(QStringLiteral("Style"), styles);
    m_color = new TfrxColorBox(false, this);
    m_color->setObjectName(QStringLiteral("FontColor"));
    form->addRow(QStringLiteral("Font colour"), m_color);
}

void TfrxFontBox::SetFont(const TFont &font)
{
    m_name->setCurrentText(font.Name());
    m_size->setValue(font.Size());
    m_bold->setChecked(font.Style().testFlag(frx::fsBold));
    m_italic->setChecked(font.Style().testFlag(frx::fsItalic));
    m_underline->setChecked(font.Style().testFlag(frx::fsUnderline));
    m_strikeOut->setChecked(font.Style().testFlag(frx::fsStrikeOut));
    m_color->SetColor(font.Color());
}

void TfrxFontBox::GetFont(TFont &font) const
{
    const QString name = m_name->currentText().trimmed();
    if (!name.isEmpty())
        font.SetName(name);
    if (font.Size() != m_size->value())
        font.SetSize(m_size->value());
    frx::TFontStyles style;
    style.setFlag(frx::fsBold, m_bold->isChecked());
    style.setFlag(frx::fsItalic, m_italic->isChecked());
    style.setFlag(frx::fsUnderline, m_underline->isChecked());
    style.setFlag(frx::fsStrikeOut, m_strikeOut->isChecked());
    font.SetStyle(style);
    font.SetColor(m_color->Color());
}

QDialogButtonBox *frxEditorButtons(QDialog *dialog)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QPushButton *frxEditorRowButton(QWidget *dialog, QBoxLayout *row, const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption, dialog);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    row->addWidget(b);
    return b;
}

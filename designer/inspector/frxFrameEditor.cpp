#include "designer/inspector/frxFrameEditor.h"

#include "platform/Ui.h"
#include "report/draw/frxDrawCanvas.h"
#include "script/fs_iconstants.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMetaEnum>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString ColorName(int value)
{
    for (const TfsNamedConstant &c : fsColorConstants())
        if (c.Value == value && qstrcmp(c.Name, "clSystemColor") != 0)
            return QLatin1String(c.Name);
    return QString::number(value);
}

bool ParseColor(const QString &text, int &value)
{
    if (fsColorValue(QStringView(text).trimmed(), value))
        return true;
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    if (!ok || n < INT_MIN || n > UINT_MAX)
        return false;
    value = int(quint32(n));
    return true;
}

QLineEdit *ColorRow(QWidget *parent, QFormLayout *form, const QString &caption, const QString &name,
                    int value)
{
    auto *row = new QHBoxLayout;
    auto *edit = new QLineEdit(ColorName(value), parent);
    edit->setObjectName(name);
    auto *pick = new QToolButton(parent);
    pick->setText(QStringLiteral("..."));
    QObject::connect(pick, &QToolButton::clicked, parent, [parent, edit] {
        int old = 0;
        const QColor start =
            ParseColor(edit->text(), old) && old != clNone ? frxColor(old) : QColor(Qt::black);
        QColorDialog dialog(start, parent);
        if (!Ui::RunDialog(dialog))
            return;
        const QColor c = dialog.currentColor();
        edit->setText(ColorName(c.red() | (c.green() << 8) | (c.blue() << 16)));
    });
    row->addWidget(edit, 1);
    row->addWidget(pick);
    form->addRow(caption, row);
    return edit;
}

} // namespace

TfrxFrameEditorForm::TfrxFrameEditorForm(const TfrxFrame &frame, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxFrameEditorForm"));
    setWindowTitle(QStringLiteral("Frame"));
    m_frame.Assign(frame);
    auto *layout = new QVBoxLayout(this);
    auto *sides = new QHBoxLayout;
    const struct {
        frx::TfrxFrameType Side;
        const char *Caption;
        const char *Name;
    } kSides[] = {{frx::ftLeft, "Left", "LeftLine"},
                  {frx::ftTop, "Top", "TopLine"},
                  {frx::ftRight, "Right", "RightLine"},
                  {frx::ftBottom, "Bottom", "BottomLine"}};
    for (int i = 0; i < 4; ++i) {
        m_sides[i] = new QCheckBox(QLatin1String(kSides[i].Caption), this);
        m_sides[i]->setObjectName(QLatin1String(kSides[i].Name));
        m_sides[i]->setChecked(frame.Typ().testFlag(kSides[i].Side));
        sides->addWidget(m_sides[i]);
    }
    layout->addLayout(sides);
    auto *form = new QFormLayout;
    m_width = new QDoubleSpinBox(this);
    m_width->setObjectName(QStringLiteral("FrameWidth"));
    m_width->setRange(0.1, 100);
    m_width->setDecimals(2);
    m_width->setValue(frame.Width());
    form->addRow(QStringLiteral("Line width"), m_width);
    m_color =
        ColorRow(this, form, QStringLiteral("Line colour"), QStringLiteral("FrameColor"), frame.Color());
    m_style = new QComboBox(this);
    m_style->setObjectName(QStringLiteral("FrameStyle"));
    const QMetaEnum styles = QMetaEnum::fromType<frx::TfrxFrameStyle>();
    for (int i = 0; i < styles.keyCount(); ++i)
        m_style->addItem(QLatin1String(styles.key(i)), styles.value(i));
    m_style->setCurrentIndex(m_style->findData(int(frame.Style())));
    form->addRow(QStringLiteral("Line style"), m_style);
    m_shadow = new QCheckBox(QStringLiteral("Shadow"), this);
    m_shadow->setObjectName(QStringLiteral("DropShadow"));
    m_shadow->setChecked(frame.DropShadow());
    form->addRow(QString(), m_shadow);
    m_shadowWidth = new QDoubleSpinBox(this);
    m_shadowWidth->setObjectName(QStringLiteral("ShadowWidth"));
    m_shadowWidth->setRange(0, 100);
    m_shadowWidth->setDecimals(2);
    m_shadowWidth->setValue(frame.ShadowWidth());
    form->addRow(QStringLiteral("Shadow width"), m_shadowWidth);
    m_shadowColor = ColorRow(this, form, QStringLiteral("Shadow colour"), QStringLiteral("ShadowColor"),
                             frame.ShadowColor());
    layout->addLayout(form);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QCheckBox *TfrxFrameEditorForm::Side(frx::TfrxFrameType side) const
{
    switch (side) {
    case frx::ftLeft:
        return m_sides[0];
    case frx::ftTop:
        return m_sides[1];
    case frx::ftRight:
        return m_sides[2];
    default:
        return m_sides[3];
    }
}

bool TfrxFrameEditorForm::Collect(QString &error)
{
    int color = 0;
    int shadowColor = 0;
    if (!ParseColor(m_color->text(), color)) {
        error = QStringLiteral("'%1' is not a colour").arg(m_color->text());
        return false;
    }
    if (!ParseColor(m_shadowColor->text(), shadowColor)) {
        error = QStringLiteral("'%1' is not a colour").arg(m_shadowColor->text());
        return false;
    }
    frx::TfrxFrameTypes typ;
    typ.setFlag(frx::ftLeft, m_sides[0]->isChecked());
    typ.setFlag(frx::ftTop, m_sides[1]->isChecked());
    typ.setFlag(frx::ftRight, m_sides[2]->isChecked());
    typ.setFlag(frx::ftBottom, m_sides[3]->isChecked());
    m_frame.SetTyp(typ);
    // The whole frame's width, colour and style reach its four lines too.
    if (m_width->value() != m_frame.Width())
        m_frame.SetWidth(m_width->value());
    if (color != m_frame.Color())
        m_frame.SetColor(color);
    const auto style = frx::TfrxFrameStyle(m_style->currentData().toInt());
    if (style != m_frame.Style())
        m_frame.SetStyle(style);
    m_frame.SetDropShadow(m_shadow->isChecked());
    m_frame.SetShadowWidth(m_shadowWidth->value());
    m_frame.SetShadowColor(shadowColor);
    return true;
}

const TfrxFrame &TfrxFrameEditorForm::Frame()
{
    QString error;
    Collect(error);
    return m_frame;
}

void TfrxFrameEditorForm::accept()
{
    QString error;
    if (!Collect(error)) {
        Ui::Message(error, QStringLiteral("Error"), UiIcon::Error);
        return;
    }
    QDialog::accept();
}

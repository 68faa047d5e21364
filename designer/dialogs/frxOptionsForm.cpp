#include "designer/dialogs/frxOptionsForm.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Colours are kept as the desktop stores them: 0x00BBGGRR.
QColor FromStored(int color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

int ToStored(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QDoubleSpinBox *GridBox(const char *name, double maximum, int decimals)
{
    auto *box = new QDoubleSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setDecimals(decimals);
    box->setRange(decimals == 0 ? 1 : 0.01, maximum);
    return box;
}

QCheckBox *Check(const char *name, const QString &caption)
{
    auto *box = new QCheckBox(caption);
    box->setObjectName(QLatin1String(name));
    return box;
}

QSpinBox *SizeBox(const char *name, int minimum, int maximum)
{
    auto *box = new QSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(minimum, maximum);
    return box;
}

} // namespace

TfrxOptionsForm::TfrxOptionsForm(const TfrxDesignerState &state, QWidget *parent)
    : QDialog(parent), m_state(state)
{
    setObjectName(QStringLiteral("TfrxOptionsForm"));
    setWindowTitle(QStringLiteral("Designer Options"));

    auto *grid = new QGroupBox(QStringLiteral("Grid"));
    auto *gridLayout = new QFormLayout(grid);
    m_units = new QComboBox;
    m_units->setObjectName(QStringLiteral("UnitsCB"));
    m_units->addItems({QStringLiteral("Centimeters"), QStringLiteral("Inches"), QStringLiteral("Pixels"),
                       QStringLiteral("Characters")});
    gridLayout->addRow(QStringLiteral("Units:"), m_units);
    m_gridCm = GridBox("GridCmE", 10, 2);
    m_gridInch = GridBox("GridInchE", 5, 2);
    m_gridPixels = GridBox("GridPixelsE", 100, 0);
    m_gridDialog = GridBox("GridDialogE", 100, 0);
    gridLayout->addRow(QStringLiteral("Grid size in cm:"), m_gridCm);
    gridLayout->addRow(QStringLiteral("Grid size in inches:"), m_gridInch);
    gridLayout->addRow(QStringLiteral("Grid size in pixels:"), m_gridPixels);
    gridLayout->addRow(QStringLiteral("Grid size in dialog forms:"), m_gridDialog);
    m_showGrid = Check("ShowGridCB", QStringLiteral("Show grid"));
    m_gridAlign = Check("AlignToGridCB", QStringLiteral("Align to grid"));
    m_gridLCD = Check("GridLCDCB", QStringLiteral("Darker grid (LCD)"));
    gridLayout->addRow(m_showGrid);
    gridLayout->addRow(m_gridAlign);
    gridLayout->addRow(m_gridLCD);

    auto *fonts = new QGroupBox(QStringLiteral("Fonts"));
    auto *fontLayout = new QFormLayout(fonts);
    m_scriptFont = new QFontComboBox;
    m_scriptFont->setObjectName(QStringLiteral("CodeFontCB"));
    m_scriptSize = SizeBox("CodeFontSizeE", 4, 72);
    m_memoFont = new QFontComboBox;
    m_memoFont->setObjectName(QStringLiteral("MemoFontCB"));
    m_memoSize = SizeBox("MemoFontSizeE", 4, 72);
    auto row = [](QWidget *a, QWidget *b) {
        auto *w = new QWidget;
        auto *l = new QHBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(a, 1);
        l->addWidget(b);
        return w;
    };
    fontLayout->addRow(QStringLiteral("Code window:"), row(m_scriptFont, m_scriptSize));
    fontLayout->addRow(QStringLiteral("Memo editor:"), row(m_memoFont, m_memoSize));
    m_useObjectFont = Check("ObjectFontCB", QStringLiteral("Use object's font settings"));
    fontLayout->addRow(m_useObjectFont);

    auto *colors = new QGroupBox(QStringLiteral("Colors"));
    auto *colorLayout = new QFormLayout(colors);
    m_workspaceColorButton = new QPushButton;
    m_workspaceColorButton->setObjectName(QStringLiteral("WorkspaceColorB"));
    m_toolsColorButton = new QPushButton;
    m_toolsColorButton->setObjectName(QStringLiteral("ToolsColorB"));
    colorLayout->addRow(QStringLiteral("Workspace:"), m_workspaceColorButton);
    colorLayout->addRow(QStringLiteral("Tool windows:"), m_toolsColorButton);
    connect(m_workspaceColorButton, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(FromStored(m_workspaceColor), this);
        if (c.isValid())
            ShowColor(m_workspaceColorButton, m_workspaceColor = ToStored(c));
    });
    connect(m_toolsColorButton, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(FromStored(m_toolsColor), this);
        if (c.isValid())
            ShowColor(m_toolsColorButton, m_toolsColor = ToStored(c));
    });

    auto *other = new QGroupBox(QStringLiteral("Other"));
    auto *otherLayout = new QFormLayout(other);
    m_showBandCaptions = Check("BandCaptionsCB", QStringLiteral("Show band captions"));
    m_freeBands = Check("FreeBandsCB", QStringLiteral("Free bands placement"));
    m_bandsGap = SizeBox("GapE", 0, 100);
    m_editAfterInsert = Check("EditAfterInsertCB", QStringLiteral("Show editor after insert"));
    m_dropFields = Check("DropFieldsCB", QStringLiteral("Show drop-down fields list"));
    m_showStartup = Check("StartupCB", QStringLiteral("Show startup screen"));
    otherLayout->addRow(m_showBandCaptions);
    otherLayout->addRow(m_freeBands);
    otherLayout->addRow(QStringLiteral("Gap between bands:"), m_bandsGap);
    otherLayout->addRow(m_editAfterInsert);
    otherLayout->addRow(m_dropFields);
    otherLayout->addRow(m_showStartup);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelButton"));
    QPushButton *defaults =
        buttons->addButton(QStringLiteral("Restore defaults"), QDialogButtonBox::ResetRole);
    defaults->setObjectName(QStringLiteral("RestoreDefaultsB"));
    connect(defaults, &QPushButton::clicked, this, &TfrxOptionsForm::RestoreDefaults);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *columns = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(grid);
    left->addWidget(colors);
    auto *right = new QVBoxLayout;
    right->addWidget(fonts);
    right->addWidget(other);
    columns->addLayout(left);
    columns->addLayout(right);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    Show(state);
}

void TfrxOptionsForm::Show(const TfrxDesignerState &s)
{
    m_units->setCurrentIndex(std::clamp(s.Units, 0, 3));
    m_gridCm->setValue(s.Grid1);
    m_gridInch->setValue(s.Grid2);
    m_gridPixels->setValue(s.Grid3);
    m_gridDialog->setValue(s.Grid4);
    m_showGrid->setChecked(s.ShowGrid);
    m_gridAlign->setChecked(s.GridAlign);
    m_gridLCD->setChecked(s.GridLCD);
    m_scriptFont->setCurrentFont(QFont(s.ScriptFontName));
    m_scriptFont->setEditText(s.ScriptFontName);
    m_scriptSize->setValue(s.ScriptFontSize);
    m_memoFont->setCurrentFont(QFont(s.MemoFontName));
    m_memoFont->setEditText(s.MemoFontName);
    m_memoSize->setValue(s.MemoFontSize);
    m_useObjectFont->setChecked(s.UseObjectFont);
    ShowColor(m_workspaceColorButton, m_workspaceColor = s.WorkspaceColor);
    ShowColor(m_toolsColorButton, m_toolsColor = s.ToolsColor);
    m_showBandCaptions->setChecked(s.ShowBandCaptions);
    m_freeBands->setChecked(s.FreeBands);
    m_bandsGap->setValue(s.BandsGap);
    m_editAfterInsert->setChecked(s.EditAfterInsert);
    m_dropFields->setChecked(s.DropFields);
    m_showStartup->setChecked(s.ShowStartup);
}

void TfrxOptionsForm::ShowColor(QPushButton *button, int color)
{
    const QColor c = FromStored(color);
    button->setText(c.name(QColor::HexRgb));
    button->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: %2; }")
            .arg(c.name(), c.lightness() < 128 ? QStringLiteral("white") : QStringLiteral("black")));
}

void TfrxOptionsForm::RestoreDefaults()
{
    TfrxDesignerState defaults;
    defaults.EditAfterInsert = true; // as the built-in layout has it
    Show(defaults);
}

TfrxDesignerState TfrxOptionsForm::State() const
{
    TfrxDesignerState s = m_state;
    s.Units = m_units->currentIndex();
    s.Grid1 = m_gridCm->value();
    s.Grid2 = m_gridInch->value();
    s.Grid3 = m_gridPixels->value();
    s.Grid4 = m_gridDialog->value();
    s.ShowGrid = m_showGrid->isChecked();
    s.GridAlign = m_gridAlign->isChecked();
    s.GridLCD = m_gridLCD->isChecked();
    if (!m_scriptFont->currentText().trimmed().isEmpty())
        s.ScriptFontName = m_scriptFont->currentText().trimmed();
    s.ScriptFontSize = m_scriptSize->value();
    if (!m_memoFont->currentText().trimmed().isEmpty())
        s.MemoFontName = m_memoFont->currentText().trimmed();
    s.MemoFontSize = m_memoSize->value();
    s.UseObjectFont = m_useObjectFont->isChecked();
    s.WorkspaceColor = m_workspaceColor;
    s.ToolsColor = m_toolsColor;
    s.ShowBandCaptions = m_showBandCaptions->isChecked();
    s.FreeBands = m_freeBands->isChecked();
    s.BandsGap = m_bandsGap->value();
    s.EditAfterInsert = m_editAfterInsert->isChecked();
    s.DropFields = m_dropFields->isChecked();
    s.ShowStartup = m_showStartup->isChecked();
    return s;
}

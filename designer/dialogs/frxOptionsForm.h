#pragma once
// The designer's options: units and grid steps, grid display and snapping, the fonts of the code
// window and the memo editor, the workspace and tool colours, band layout and what happens after an
// insertion. It edits a copy of the designer's state; the caller takes State() on OK only.

#include "designer/settings/frxDesignerSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFontComboBox;
class QPushButton;
class QSpinBox;

class TfrxOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxOptionsForm(const TfrxDesignerState &state, QWidget *parent = nullptr);

    // The edited state: the copy given to the constructor with the dialog's fields applied.
    TfrxDesignerState State() const;
    // The built-in settings (what "Restore defaults" shows); places, lists and recent files stay.
    void RestoreDefaults();

private:
    void Show(const TfrxDesignerState &state);
    void ShowColor(QPushButton *button, int color);

    TfrxDesignerState m_state;
    int m_workspaceColor = 0;
    int m_toolsColor = 0;
    QComboBox *m_units;
    QDoubleSpinBox *m_gridCm;
    QDoubleSpinBox *m_gridInch;
    QDoubleSpinBox *m_gridPixels;
    QDoubleSpinBox *m_gridDialog;
    QCheckBox *m_showGrid;
    QCheckBox *m_gridAlign;
    QCheckBox *m_gridLCD;
    QFontComboBox *m_scriptFont;
    QSpinBox *m_scriptSize;
    QFontComboBox *m_memoFont;
    QSpinBox *m_memoSize;
    QCheckBox *m_useObjectFont;
    QPushButton *m_workspaceColorButton;
    QPushButton *m_toolsColorButton;
    QCheckBox *m_showBandCaptions;
    QCheckBox *m_freeBands;
    QSpinBox *m_bandsGap;
    QCheckBox *m_editAfterInsert;
    QCheckBox *m_dropFields;
    QCheckBox *m_showStartup;
};

#pragma once
// The band editor and the group editor.
//
// The band editor shows a band's height and its switches (start new page, stretch, keep
// together, ...: those the band's class has); for a data band also its dataset (or a number of
// records when it has none) and its columns: how many records print across, the column width
// (0 shares the page width among them) and the gap between columns. The group editor sets a
// group header's condition, either a dataset field or an expression, and the group's switches.
// Both hold the values in their controls and write them to the band only on OK.

#include <QDialog>
#include <QHash>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class TfrxBand;
class TfrxDataBand;
class TfrxGroupHeader;

class TfrxBandEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxBandEditorForm(TfrxBand *band, QWidget *parent = nullptr);
    // Writes the dialog's values into the band.
    void Apply() const;

protected:
    TfrxBand *m_band;
    QDoubleSpinBox *m_height;
    QHash<QString, QCheckBox *> m_switches;
    // Data bands only.
    QComboBox *m_dataSet = nullptr;
    QSpinBox *m_rowCount = nullptr;
    QSpinBox *m_columns = nullptr;
    QDoubleSpinBox *m_columnWidth = nullptr;
    QDoubleSpinBox *m_columnGap = nullptr;
};

class TfrxGroupEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxGroupEditorForm(TfrxGroupHeader *group, QWidget *parent = nullptr);
    // The condition as chosen: Alias."Field" for a field, else the expression.
    QString Condition() const;
    void Apply() const;
    // Refuses an empty condition with a message.
    void accept() override;

private:
    void FillFields();

    TfrxGroupHeader *m_group;
    QRadioButton *m_byField;
    QRadioButton *m_byExpression;
    QComboBox *m_dataSet;
    QComboBox *m_field;
    QLineEdit *m_expression;
    QHash<QString, QCheckBox *> m_switches;
};

// True when the user pressed OK (the band then holds the values).
bool EditBand(QWidget *parent, TfrxBand *band);
bool EditGroupHeader(QWidget *parent, TfrxGroupHeader *group);

#pragma once
// The frame editor: which sides have a line, the line width, colour and style, and the shadow.
// It edits a copy of the frame: the caller assigns Frame() only when the dialog was accepted.

#include "report/model/frxFrame.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;

class TfrxFrameEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxFrameEditorForm(const TfrxFrame &frame, QWidget *parent = nullptr);

    // The edited copy, with the controls' values.
    const TfrxFrame &Frame();

    QCheckBox *Side(frx::TfrxFrameType side) const;
    QDoubleSpinBox *WidthBox() const { return m_width; }
    QLineEdit *ColorEdit() const { return m_color; }
    QComboBox *StyleBox() const { return m_style; }
    QCheckBox *ShadowBox() const { return m_shadow; }
    QDoubleSpinBox *ShadowWidthBox() const { return m_shadowWidth; }

private:
    void accept() override;
    bool Collect(QString &error);

    TfrxFrame m_frame;
    QCheckBox *m_sides[4];
    QDoubleSpinBox *m_width;
    QLineEdit *m_color;
    QComboBox *m_style;
    QCheckBox *m_shadow;
    QDoubleSpinBox *m_shadowWidth;
    QLineEdit *m_shadowColor;
};

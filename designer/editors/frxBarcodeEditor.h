#pragma once
// The barcode editor: the symbol type, the code (a text that may hold bracketed expressions) or an
// expression that gives it, the check sum of one-dimensional codes, whether the text is shown
// under the symbol, the rotation and the zoom. The fields are the dialog's own; the barcode is
// written only on OK.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class TfrxBarcodeBase;

class TfrxBarcodeEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxBarcodeEditorForm(TfrxBarcodeBase *barcode, QWidget *parent = nullptr);
    void Apply() const;

private:
    TfrxBarcodeBase *m_barcode;
    QComboBox *m_type;
    QLineEdit *m_code;
    QLineEdit *m_expression;
    QCheckBox *m_checkSum = nullptr;
    QCheckBox *m_showText;
    QComboBox *m_rotation;
    QDoubleSpinBox *m_zoom;
};

// True when the user pressed OK.
bool EditBarcode(QWidget *parent, TfrxBarcodeBase *barcode);

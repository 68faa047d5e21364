#pragma once
// The barcode editor: the symbol type, the code (a text that may hold bracketed expressions) or an
// expression that gives it, the check sum of one-dimensional codes, whether the text is shown
// under the symbol, the rotation and the zoom, with a preview of the symbol as chosen (a code the
// type cannot encode shows why). The fields are the dialog's own; the barcode is written only on
// OK.

#include <QDialog>
#include <QImage>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class TfrxBarcodeBase;

class TfrxBarcodeEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxBarcodeEditorForm(TfrxBarcodeBase *barcode, QWidget *parent = nullptr);
    // Writes the fields into a barcode (the edited one, or the preview's copy).
    void Apply(TfrxBarcodeBase *target) const;
    void Apply() const { Apply(m_barcode); }
    // The preview as it is shown.
    QImage Preview() const;

private:
    void UpdatePreview();

    TfrxBarcodeBase *m_barcode;
    QLabel *m_preview;
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

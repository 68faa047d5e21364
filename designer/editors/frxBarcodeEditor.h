#pragma once
// The barcode editor: the symbol type, the code (a text that may hold bracketed expressions) or an
// expression that gives it, the check sum of one-dimensional codes, whether the text is shown
// under the symbol, the rotation and the zoom, with a preview of the symbol as chosen (a code the
// type cannot encode shows why). The fields are the dialog's own; the barcode is written only on
// OK, and only when the expression compiles as the build will compile it: the bracketed form the
// text objects show ([FD."field"], [expression]) is taken for the expression it means, anything
// that does not compile keeps the dialog open with the script engine's message and the caret at
// the column it names. A field picker lists the fields of the report's datasets.

#include <QDialog>
#include <QImage>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class TfrxBarcodeBase;
class TfrxReport;

// What an expression typed into the barcode editor means: "[FD."f"]" is <FD."f">, "[expr]" is
// expr (one pair of brackets around the whole text); anything else is taken as typed (trimmed).
QString frxBarcodeExpressionMeant(const QString &typed);

// Compiles expression as the build compiles a barcode's expression (the report script prepared,
// the expression as a one-function program in the report's script language). Empty when it
// compiles; otherwise the build's message ("Error in expression '…': …") and, in column, the
// 1-based column of the expression the script engine names (0 when it names none).
QString frxCheckExpression(TfrxReport *report, const QString &expression, int *column = nullptr);

class TfrxBarcodeEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxBarcodeEditorForm(TfrxBarcodeBase *barcode, QWidget *parent = nullptr);
    // Writes the fields into a barcode (the edited one, or the preview's copy).
    void Apply(TfrxBarcodeBase *target) const;
    void Apply() const { Apply(m_barcode); }
    // The preview as it is shown.
    QImage Preview() const;
    // OK: checks the expression (see above); stays open with a message when it does not compile.
    void accept() override;

private:
    void UpdatePreview();

    TfrxBarcodeBase *m_barcode;
    QLabel *m_preview;
    QComboBox *m_type;
    QLineEdit *m_code;
    QLineEdit *m_expression;
    QComboBox *m_fields;
    QCheckBox *m_checkSum = nullptr;
    QCheckBox *m_showText;
    QComboBox *m_rotation;
    QDoubleSpinBox *m_zoom;
};

// True when the user pressed OK.
bool EditBarcode(QWidget *parent, TfrxBarcodeBase *barcode);

#include "designer/editors/frxBarcodeEditor.h"

#include "designer/editors/frxEditorWidgets.h"
#include "platform/Ui.h"
#include "report/objects/frxBarcode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

TfrxBarcodeEditorForm::TfrxBarcodeEditorForm(TfrxBarcodeBase *barcode, QWidget *parent)
    : QDialog(parent), m_barcode(barcode)
{
    setObjectName(QStringLiteral("TfrxBarcodeEditorForm"));
    setWindowTitle(QStringLiteral("Barcode Editor"));
    auto *oneD = qobject_cast<TfrxBarCodeView *>(barcode);
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("TypeBox"));
    const QStringList types = oneD ? TfrxBarCodeView::BarTypeNames() : TfrxBarcode2DView::BarTypeNames();
    for (const QString &type : types)
        m_type->addItem(type.startsWith(QLatin1String("bc")) ? type.mid(2) : type, type);
    // A type this program does not draw stays what it is unless another one is chosen.
    if (m_type->findData(barcode->BarType()) < 0)
        m_type->addItem(barcode->BarType(), barcode->BarType());
    m_type->setCurrentIndex(m_type->findData(barcode->BarType()));
    form->addRow(QStringLiteral("Type"), m_type);
    m_code = new QLineEdit(barcode->Text(), this);
    m_code->setObjectName(QStringLiteral("CodeEdit"));
    m_code->setPlaceholderText(QStringLiteral("the code, or [expressions] in brackets"));
    form->addRow(QStringLiteral("Code"), m_code);
    m_expression = new QLineEdit(barcode->Expression(), this);
    m_expression->setObjectName(QStringLiteral("ExpressionEdit"));
    m_expression->setPlaceholderText(QStringLiteral("an expression that gives the code (optional)"));
    form->addRow(QStringLiteral("Expression"), m_expression);
    m_rotation = new QComboBox(this);
    m_rotation->setObjectName(QStringLiteral("RotationBox"));
    for (int angle : {0, 90, 180, 270})
        m_rotation->addItem(QStringLiteral("%1°").arg(angle), angle);
    if (m_rotation->findData(barcode->Rotation()) < 0)
        m_rotation->addItem(QStringLiteral("%1°").arg(barcode->Rotation()), barcode->Rotation());
    m_rotation->setCurrentIndex(m_rotation->findData(barcode->Rotation()));
    form->addRow(QStringLiteral("Rotation"), m_rotation);
    m_zoom = new QDoubleSpinBox(this);
    m_zoom->setObjectName(QStringLiteral("ZoomEdit"));
    m_zoom->setRange(0.1, 20);
    m_zoom->setDecimals(2);
    m_zoom->setValue(barcode->Zoom());
    form->addRow(QStringLiteral("Zoom"), m_zoom);
    layout->addLayout(form);
    if (oneD) {
        m_checkSum = new QCheckBox(QStringLiteral("Calculate check sum"), this);
        m_checkSum->setObjectName(QStringLiteral("CheckSumBox"));
        m_checkSum->setChecked(oneD->CalcCheckSum());
        layout->addWidget(m_checkSum);
    }
    m_showText = new QCheckBox(QStringLiteral("Show text"), this);
    m_showText->setObjectName(QStringLiteral("ShowTextBox"));
    m_showText->setChecked(barcode->ShowText());
    layout->addWidget(m_showText);
    layout->addWidget(frxEditorButtons(this));
}

void TfrxBarcodeEditorForm::Apply() const
{
    m_barcode->SetBarType(m_type->currentData().toString());
    m_barcode->SetText(m_code->text());
    m_barcode->SetExpression(m_expression->text().trimmed());
    m_barcode->SetRotation(m_rotation->currentData().toInt());
    // The box shows two decimals: an unchanged box keeps the exact zoom.
    if (std::abs(m_zoom->value() - std::round(m_barcode->Zoom() * 100) / 100) > 1e-9)
        m_barcode->SetZoom(m_zoom->value());
    m_barcode->SetShowText(m_showText->isChecked());
    if (auto *oneD = qobject_cast<TfrxBarCodeView *>(m_barcode))
        oneD->SetCalcCheckSum(m_checkSum->isChecked());
}

bool EditBarcode(QWidget *parent, TfrxBarcodeBase *barcode)
{
    if (!barcode)
        return false;
    TfrxBarcodeEditorForm editor(barcode, parent);
    if (!Ui::RunDialog(editor))
        return false;
    editor.Apply();
    return true;
}

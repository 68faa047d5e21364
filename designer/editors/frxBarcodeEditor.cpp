#include "designer/editors/frxBarcodeEditor.h"

#include "designer/editors/frxEditorWidgets.h"
#include "platform/Ui.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/io/frxXMLSerializer.h"
#include "report/objects/frxBarcode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
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
    m_code->setPlaceholderText(QStringLiteral("text, [expressions] in brackets"));
    form->addRow(QStringLiteral("Code"), m_code);
    m_expression = new QLineEdit(barcode->Expression(), this);
    m_expression->setObjectName(QStringLiteral("ExpressionEdit"));
    m_expression->setPlaceholderText(QStringLiteral("optional, replaces the code"));
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
    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("PreviewLabel"));
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setMinimumSize(260, 140);
    m_preview->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_preview, 1);
    layout->addWidget(frxEditorButtons(this));

    for (QComboBox *box : {m_type, m_rotation})
        connect(box, &QComboBox::currentIndexChanged, this, &TfrxBarcodeEditorForm::UpdatePreview);
    for (QLineEdit *edit : {m_code, m_expression})
        connect(edit, &QLineEdit::textChanged, this, &TfrxBarcodeEditorForm::UpdatePreview);
    for (QCheckBox *box : {m_checkSum, m_showText})
        if (box)
            connect(box, &QCheckBox::toggled, this, &TfrxBarcodeEditorForm::UpdatePreview);
    connect(m_zoom, &QDoubleSpinBox::valueChanged, this, &TfrxBarcodeEditorForm::UpdatePreview);
    UpdatePreview();
}

QImage TfrxBarcodeEditorForm::Preview() const
{
    // A copy of the barcode with every published value, then the fields over it.
    TComponent scratch;
    TfrxBarcodeBase *copy = qobject_cast<TfrxBarCodeView *>(m_barcode)
                                ? static_cast<TfrxBarcodeBase *>(new TfrxBarCodeView(&scratch))
                                : new TfrxBarcode2DView(&scratch);
    TfrxXMLSerializer serializer;
    serializer.XMLToObj(serializer.ObjToXML(TfrxPropTarget(m_barcode)), TfrxPropTarget(copy));
    Apply(copy);
    copy->SetLeft(0);
    copy->SetTop(0);
    const QSize room = m_preview->minimumSize() - QSize(8, 8);
    const double width = std::max(1.0, copy->Width()), height = std::max(1.0, copy->Height());
    const double scale = std::min({room.width() / width, room.height() / height, 2.0});
    QImage image(QSize(int(width * scale) + 1, int(height * scale) + 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TfrxCanvas canvas(painter);
    copy->Draw(canvas, scale, scale, 0, 0);
    return image;
}

void TfrxBarcodeEditorForm::UpdatePreview()
{
    m_preview->setPixmap(QPixmap::fromImage(Preview()));
}

void TfrxBarcodeEditorForm::Apply(TfrxBarcodeBase *target) const
{
    target->SetBarType(m_type->currentData().toString());
    target->SetText(m_code->text());
    target->SetExpression(m_expression->text().trimmed());
    target->SetRotation(m_rotation->currentData().toInt());
    // The box shows two decimals: an unchanged box keeps the exact zoom.
    if (std::abs(m_zoom->value() - std::round(m_barcode->Zoom() * 100) / 100) > 1e-9)
        target->SetZoom(m_zoom->value());
    target->SetShowText(m_showText->isChecked());
    if (auto *oneD = qobject_cast<TfrxBarCodeView *>(target))
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

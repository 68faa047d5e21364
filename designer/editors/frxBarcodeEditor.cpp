#include "designer/editors/frxBarcodeEditor.h"

#include "designer/editors/frxEditorWidgets.h"
#include "platform/Ui.h"
#include "report/core/frxRes.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/expr/frxCalc.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxReport.h"
#include "report/io/frxXMLSerializer.h"
#include "report/objects/frxBarcode.h"
#include "script/fs_iinterpreter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QHBoxLayout>
#include <QPainter>
#include <QRegularExpression>
#include <QVBoxLayout>

QString frxBarcodeExpressionMeant(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.size() < 2 || !text.startsWith(u'[') || !text.endsWith(u']'))
        return text;
    const QString inner = text.mid(1, text.size() - 2).trimmed();
    // Only one pair around the whole text: "[a] + [b]" is no expression of its own.
    if (inner.contains(u'[') || inner.contains(u']'))
        return text;
    static const QRegularExpression field(QStringLiteral(R"(^[^"<>\[\]]+\."[^"]*"$)"));
    if (field.match(inner).hasMatch())
        return u'<' + inner + u'>';
    return inner;
}

QString frxCheckExpression(TfrxReport *report, const QString &expression, int *column)
{
    if (column)
        *column = 0;
    if (!report || expression.trimmed().isEmpty())
        return QString();
    Variant resolved;
    // A field or variable the build answers without compiling.
    if (report->ResolveName(expression, resolved))
        return QString();
    report->PrepareScript(); // as every build does; an error of the report script is the build's own
    const QString language = report->ExpressionCache()->ScriptLanguage();
    const QString function = QStringLiteral("fr3check");
    const QString program = TfrxExpressionCache::ProgramText(language, function, expression);
    QString message, position;
    if (TfsScript *parent = report->Script()) {
        TfsScript check;
        check.SetParent(parent);
        check.SetSyntaxType(language);
        check.SetText(program);
        try {
            if (check.Compile())
                return QString();
            message = check.ErrorMsg();
            position = check.ErrorPos();
        } catch (const std::exception &e) {
            message = QString::fromUtf8(e.what());
        }
    } else if (TfrxExpressionScript *script = report->ExpressionScript()) {
        if (script->CompileExpression(language, program, function, message))
            return QString();
    }
    if (column) {
        // The program holds the expression after a fixed prefix: map the engine's line:column back.
        const QString marker = QStringLiteral("\x01");
        const QString shape = TfrxExpressionCache::ProgramText(language, function, marker);
        const QString prefix = shape.left(shape.indexOf(marker));
        const int prefixLine = int(prefix.count(u'\n')) + 1;
        const int prefixColumn = int(prefix.size() - (prefix.lastIndexOf(u'\n') + 1));
        const int line = position.section(u':', 0, 0).toInt();
        const int col = position.section(u':', 1, 1).toInt();
        if (line > 0) {
            if (line == prefixLine && col > prefixColumn)
                *column = std::min(col - prefixColumn, int(expression.size()) + 1);
            else if (line >= prefixLine)
                *column = int(expression.size()) + 1; // the engine stopped after the expression
            else
                *column = 1;
        }
    }
    return frxGet(QStringLiteral("SErrorInExpression")) + expression + QStringLiteral("': ") + message;
}

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
    m_expression->setPlaceholderText(QStringLiteral("optional, replaces the code: <FD.\"field\">"));
    // The field picker: the fields of the report's datasets, as the data tree lists them.
    m_fields = new QComboBox(this);
    m_fields->setObjectName(QStringLiteral("FieldBox"));
    m_fields->addItem(QStringLiteral("Field..."), QString());
    if (TfrxReport *report = barcode->Report()) {
        const TfrxReportDataSets *list = report->Datasets();
        for (int i = 0; i < list->Count(); ++i) {
            TfrxDataSet *dataSet = list->Items(i)->DataSet();
            if (!dataSet)
                continue;
            QStringList fields;
            try {
                dataSet->GetFieldList(fields);
            } catch (...) {
                fields.clear();
            }
            for (const QString &f : std::as_const(fields)) {
                const QString reference = dataSet->UserName() + QStringLiteral(".\"") + f + u'"';
                m_fields->addItem(reference, u'<' + reference + u'>');
            }
        }
    }
    auto *expressionRow = new QHBoxLayout;
    expressionRow->addWidget(m_expression, 1);
    expressionRow->addWidget(m_fields);
    form->addRow(QStringLiteral("Expression"), expressionRow);
    connect(m_fields, &QComboBox::activated, this, [this](int index) {
        const QString reference = m_fields->itemData(index).toString();
        if (!reference.isEmpty())
            m_expression->setText(reference);
        m_fields->setCurrentIndex(0);
    });
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
    target->SetExpression(frxBarcodeExpressionMeant(m_expression->text()));
    target->SetRotation(m_rotation->currentData().toInt());
    // The box shows two decimals: an unchanged box keeps the exact zoom.
    if (std::abs(m_zoom->value() - std::round(m_barcode->Zoom() * 100) / 100) > 1e-9)
        target->SetZoom(m_zoom->value());
    target->SetShowText(m_showText->isChecked());
    if (auto *oneD = qobject_cast<TfrxBarCodeView *>(target))
        oneD->SetCalcCheckSum(m_checkSum->isChecked());
}

void TfrxBarcodeEditorForm::accept()
{
    const QString expression = frxBarcodeExpressionMeant(m_expression->text());
    int column = 0;
    const QString error = frxCheckExpression(m_barcode->Report(), expression, &column);
    if (!error.isEmpty()) {
        // The meant form is what was checked: show it, with the caret where the engine stopped.
        if (expression != m_expression->text())
            m_expression->setText(expression);
        m_expression->setFocus();
        m_expression->setCursorPosition(std::max(0, column - 1));
        Ui::Message(column > 0 ? error + QStringLiteral(" (column %1)").arg(column) : error,
                    QStringLiteral("Barcode Editor"), UiIcon::Error);
        return;
    }
    QDialog::accept();
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

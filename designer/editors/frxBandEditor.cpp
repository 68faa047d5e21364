#include "designer/editors/frxBandEditor.h"

#include "designer/editors/frxEditorWidgets.h"
#include "platform/Ui.h"
#include "report/model/frxBands.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxReport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMetaProperty>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The Boolean properties the editors offer, with their captions, in the order shown.
const struct {
    const char *Property;
    const char *Caption;
} kSwitches[] = {
    {"Visible", "Visible"},
    {"StartNewPage", "Start new page"},
    {"Stretched", "Stretch"},
    {"AllowSplit", "Allow split"},
    {"KeepTogether", "Keep together"},
    {"KeepChild", "Keep child together"},
    {"PrintOnFirstPage", "Print on first page"},
    {"PrintOnLastPage", "Print on last page"},
    {"ReprintOnNewPage", "Reprint on new page"},
    {"PrintIfDetailEmpty", "Print if detail empty"},
    {"KeepHeader", "Keep header"},
    {"KeepFooter", "Keep footer"},
    {"FooterAfterEach", "Footer after each record"},
    {"ResetPageNumbers", "Reset page numbers"},
};

// A check box per switch the object's class has, in a grid of two columns.
QGroupBox *AddSwitches(QWidget *dialog, QObject *object, QHash<QString, QCheckBox *> &boxes)
{
    auto *group = new QGroupBox(QStringLiteral("Options"), dialog);
    auto *grid = new QGridLayout(group);
    int n = 0;
    for (const auto &entry : kSwitches) {
        const QMetaObject *meta = object->metaObject();
        const int index = meta->indexOfProperty(entry.Property);
        if (index < 0 || !meta->property(index).isWritable())
            continue;
        auto *box = new QCheckBox(QString::fromLatin1(entry.Caption), group);
        box->setObjectName(QLatin1String(entry.Property));
        box->setChecked(object->property(entry.Property).toBool());
        boxes.insert(QLatin1String(entry.Property), box);
        grid->addWidget(box, n / 2, n % 2);
        ++n;
    }
    return group;
}

void ApplySwitches(QObject *object, const QHash<QString, QCheckBox *> &boxes)
{
    for (auto it = boxes.begin(); it != boxes.end(); ++it)
        if (object->property(it.key().toLatin1().constData()).toBool() != it.value()->isChecked())
            object->setProperty(it.key().toLatin1().constData(), it.value()->isChecked());
}

QDoubleSpinBox *Millimetres(QWidget *parent, const char *name, double pixels, double min, double max)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setDecimals(2);
    box->setRange(min, max);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(pixels / fr01cm);
    return box;
}

// The value a millimetre box gives back: the band's own pixels when the box still shows them,
// so that OK without a change leaves the layout as it was.
double Pixels(const QDoubleSpinBox *box, double old)
{
    const double shown = std::round(old / fr01cm * 100) / 100;
    return std::abs(box->value() - shown) < 1e-9 ? old : box->value() * fr01cm;
}

QList<TfrxDataSet *> ReportDataSets(const TfrxComponent *c)
{
    TfrxReport *report = c->Report();
    return report ? report->GetDataSetList() : QList<TfrxDataSet *>();
}

} // namespace

// ---- band editor ------------------------------------------------------------------------------------

TfrxBandEditorForm::TfrxBandEditorForm(TfrxBand *band, QWidget *parent) : QDialog(parent), m_band(band)
{
    setObjectName(QStringLiteral("TfrxBandEditorForm"));
    setWindowTitle(QStringLiteral("Band: ") + band->Name());
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_height = Millimetres(this, "HeightEdit", band->Height(), 0, 2000);
    form->addRow(QStringLiteral("Height"), m_height);
    layout->addLayout(form);

    if (auto *data = qobject_cast<TfrxDataBand *>(band)) {
        auto *dataGroup = new QGroupBox(QStringLiteral("Data"), this);
        auto *dataForm = new QFormLayout(dataGroup);
        m_dataSet = new QComboBox(dataGroup);
        m_dataSet->setObjectName(QStringLiteral("DataSetBox"));
        m_dataSet->addItem(QStringLiteral("(none)"));
        for (TfrxDataSet *ds : ReportDataSets(band))
            m_dataSet->addItem(ds->UserName(), QVariant::fromValue<QObject *>(ds));
        // A dataset the report's list does not hold still shows, so that OK keeps it.
        if (data->DataSet() && m_dataSet->findData(QVariant::fromValue<QObject *>(data->DataSet())) < 0)
            m_dataSet->addItem(data->DataSet()->UserName(), QVariant::fromValue<QObject *>(data->DataSet()));
        m_dataSet->setCurrentIndex(
            data->DataSet() ? m_dataSet->findData(QVariant::fromValue<QObject *>(data->DataSet())) : 0);
        dataForm->addRow(QStringLiteral("Dataset"), m_dataSet);
        m_rowCount = new QSpinBox(dataGroup);
        m_rowCount->setObjectName(QStringLiteral("RowCountEdit"));
        m_rowCount->setRange(0, 1000000);
        m_rowCount->setValue(data->RowCount());
        dataForm->addRow(QStringLiteral("Number of records"), m_rowCount);
        auto syncRows = [this] { m_rowCount->setEnabled(m_dataSet->currentIndex() == 0); };
        connect(m_dataSet, &QComboBox::currentIndexChanged, this, syncRows);
        syncRows();
        layout->addWidget(dataGroup);

        auto *columnsGroup = new QGroupBox(QStringLiteral("Columns"), this);
        auto *columnsForm = new QFormLayout(columnsGroup);
        m_columns = new QSpinBox(columnsGroup);
        m_columns->setObjectName(QStringLiteral("ColumnsEdit"));
        m_columns->setRange(0, 100);
        m_columns->setValue(data->Columns());
        columnsForm->addRow(QStringLiteral("Number of columns"), m_columns);
        m_columnWidth = Millimetres(columnsGroup, "ColumnWidthEdit", data->ColumnWidth(), 0, 2000);
        m_columnWidth->setSpecialValueText(QStringLiteral("share the page width"));
        columnsForm->addRow(QStringLiteral("Column width"), m_columnWidth);
        m_columnGap = Millimetres(columnsGroup, "ColumnGapEdit", data->ColumnGap(), 0, 2000);
        columnsForm->addRow(QStringLiteral("Gap between columns"), m_columnGap);
        auto syncColumns = [this] {
            m_columnWidth->setEnabled(m_columns->value() > 1);
            m_columnGap->setEnabled(m_columns->value() > 1);
        };
        connect(m_columns, &QSpinBox::valueChanged, this, syncColumns);
        syncColumns();
        layout->addWidget(columnsGroup);
    }
    layout->addWidget(AddSwitches(this, band, m_switches));
    layout->addWidget(frxEditorButtons(this));
}

void TfrxBandEditorForm::Apply() const
{
    const double height = Pixels(m_height, m_band->Height());
    if (height != m_band->Height())
        m_band->SetHeight(height);
    ApplySwitches(m_band, m_switches);
    auto *data = qobject_cast<TfrxDataBand *>(m_band);
    if (!data)
        return;
    auto *dataSet = qobject_cast<TfrxDataSet *>(m_dataSet->currentData().value<QObject *>());
    if (dataSet != data->DataSet())
        data->SetDataSet(dataSet);
    if (!dataSet && m_rowCount->value() != data->RowCount())
        data->SetRowCount(m_rowCount->value());
    data->SetColumns(m_columns->value());
    data->SetColumnWidth(Pixels(m_columnWidth, data->ColumnWidth()));
    data->SetColumnGap(Pixels(m_columnGap, data->ColumnGap()));
}

bool EditBand(QWidget *parent, TfrxBand *band)
{
    if (!band)
        return false;
    if (auto *group = qobject_cast<TfrxGroupHeader *>(band))
        return EditGroupHeader(parent, group);
    TfrxBandEditorForm editor(band, parent);
    if (!Ui::RunDialog(editor))
        return false;
    editor.Apply();
    return true;
}

// ---- group editor -----------------------------------------------------------------------------------

TfrxGroupEditorForm::TfrxGroupEditorForm(TfrxGroupHeader *group, QWidget *parent)
    : QDialog(parent), m_group(group)
{
    setObjectName(QStringLiteral("TfrxGroupEditorForm"));
    setWindowTitle(QStringLiteral("Group: ") + group->Name());
    auto *layout = new QVBoxLayout(this);
    auto *conditionGroup = new QGroupBox(QStringLiteral("Break on"), this);
    auto *grid = new QGridLayout(conditionGroup);
    m_byField = new QRadioButton(QStringLiteral("Data field"), conditionGroup);
    m_byField->setObjectName(QStringLiteral("DataFieldRadio"));
    m_dataSet = new QComboBox(conditionGroup);
    m_dataSet->setObjectName(QStringLiteral("DataSetBox"));
    m_field = new QComboBox(conditionGroup);
    m_field->setObjectName(QStringLiteral("DataFieldBox"));
    m_field->setEditable(true);
    m_byExpression = new QRadioButton(QStringLiteral("Expression"), conditionGroup);
    m_byExpression->setObjectName(QStringLiteral("ExpressionRadio"));
    m_expression = new QLineEdit(conditionGroup);
    m_expression->setObjectName(QStringLiteral("ConditionEdit"));
    grid->addWidget(m_byField, 0, 0);
    grid->addWidget(m_dataSet, 0, 1);
    grid->addWidget(m_field, 0, 2);
    grid->addWidget(m_byExpression, 1, 0);
    grid->addWidget(m_expression, 1, 1, 1, 2);
    layout->addWidget(conditionGroup);
    layout->addWidget(AddSwitches(this, group, m_switches));
    layout->addWidget(frxEditorButtons(this));

    for (TfrxDataSet *ds : ReportDataSets(group))
        m_dataSet->addItem(ds->UserName());
    // A condition that names a field (Alias."Field") opens on the field; any other as expression.
    static const QRegularExpression fieldForm(QStringLiteral("^\\s*([^.\"]+)\\.\"([^\"]*)\"\\s*$"));
    const QRegularExpressionMatch match = fieldForm.match(group->Condition());
    const int alias = match.hasMatch() ? m_dataSet->findText(match.captured(1).trimmed()) : -1;
    if (alias >= 0) {
        m_dataSet->setCurrentIndex(alias);
        FillFields();
        m_field->setCurrentText(match.captured(2));
        m_byField->setChecked(true);
    } else {
        FillFields();
        m_byExpression->setChecked(true);
    }
    m_expression->setText(group->Condition());
    m_byField->setEnabled(m_dataSet->count() > 0);
    connect(m_dataSet, &QComboBox::currentIndexChanged, this, &TfrxGroupEditorForm::FillFields);
    auto sync = [this] {
        const bool byField = m_byField->isChecked();
        m_dataSet->setEnabled(byField);
        m_field->setEnabled(byField);
        m_expression->setEnabled(!byField);
    };
    connect(m_byField, &QRadioButton::toggled, this, sync);
    sync();
}

void TfrxGroupEditorForm::FillFields()
{
    m_field->clear();
    const QList<TfrxDataSet *> list = ReportDataSets(m_group);
    const int index = m_dataSet->currentIndex();
    if (index < 0 || index >= list.size())
        return;
    QStringList fields;
    list[index]->GetFieldList(fields);
    m_field->addItems(fields);
}

QString TfrxGroupEditorForm::Condition() const
{
    if (m_byField->isChecked()) {
        const QString field = m_field->currentText().trimmed();
        return field.isEmpty() || m_dataSet->currentText().isEmpty()
                   ? QString()
                   : m_dataSet->currentText() + QStringLiteral(".\"") + field + QLatin1Char('"');
    }
    return m_expression->text().trimmed();
}

void TfrxGroupEditorForm::accept()
{
    if (Condition().isEmpty()) {
        Ui::Message(QStringLiteral("Choose a data field or enter an expression for the group."),
                    QStringLiteral("Group"), UiIcon::Warning);
        return;
    }
    QDialog::accept();
}

void TfrxGroupEditorForm::Apply() const
{
    if (Condition() != m_group->Condition())
        m_group->SetCondition(Condition());
    ApplySwitches(m_group, m_switches);
}

bool EditGroupHeader(QWidget *parent, TfrxGroupHeader *group)
{
    if (!group)
        return false;
    TfrxGroupEditorForm editor(group, parent);
    if (!Ui::RunDialog(editor))
        return false;
    editor.Apply();
    return true;
}

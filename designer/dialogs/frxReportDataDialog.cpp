// The report-data dialog of the designer.
#include "designer/dialogs/frxReportDataDialog.h"

#include "platform/Ui.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

TfrxReportDataForm::TfrxReportDataForm(TfrxReport *report, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxReportDataForm"));
    setWindowTitle(QStringLiteral("Select Report Datasets"));
    // What the report names already, what the program offers, what lies on the report's data page.
    const TfrxReportDataSets *used = report->Datasets();
    for (int i = 0; i < used->Count(); ++i)
        if (TfrxDataSet *dataSet = used->Items(i)->DataSet(); dataSet && !m_offered.contains(dataSet))
            m_offered << dataSet;
    for (TfrxDataSet *dataSet : report->GetDataSetList())
        if (!m_offered.contains(dataSet))
            m_offered << dataSet;
    for (int i = 0; i < report->PagesCount(); ++i)
        if (qobject_cast<TfrxDataPage *>(report->Pages(i)))
            for (TfrxComponent *c : report->Pages(i)->AllObjects())
                if (auto *dataSet = qobject_cast<TfrxDataSet *>(c); dataSet && !m_offered.contains(dataSet))
                    m_offered << dataSet;

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Datasets the report uses:"), this));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("DataSetsLB"));
    for (TfrxDataSet *dataSet : std::as_const(m_offered)) {
        const QString alias = dataSet->UserName().isEmpty() ? dataSet->Name() : dataSet->UserName();
        auto *item = new QListWidgetItem(alias, m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(used->Find(dataSet) ? Qt::Checked : Qt::Unchecked);
    }
    if (m_offered.isEmpty())
        layout->addWidget(new QLabel(QStringLiteral("No datasets are available."), this));
    layout->addWidget(m_list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QList<TfrxDataSet *> TfrxReportDataForm::Checked() const
{
    QList<TfrxDataSet *> list;
    for (int i = 0; i < m_offered.size(); ++i)
        if (m_list->item(i)->checkState() == Qt::Checked)
            list << m_offered[i];
    return list;
}

void TfrxReportDataForm::SetChecked(TfrxDataSet *dataSet, bool checked)
{
    const qsizetype i = m_offered.indexOf(dataSet);
    if (i >= 0)
        m_list->item(int(i))->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

bool TfrxReportDataForm::Apply(TfrxReport *report) const
{
    const QList<TfrxDataSet *> checked = Checked();
    TfrxReportDataSets *list = report->Datasets();
    bool changed = false;
    for (TfrxDataSet *dataSet : m_offered)
        if (!checked.contains(dataSet) && list->Find(dataSet)) {
            list->Remove(dataSet);
            changed = true;
        }
    for (TfrxDataSet *dataSet : checked)
        if (!list->Find(dataSet)) {
            list->Add(dataSet);
            changed = true;
        }
    return changed;
}

bool TfrxReportDataForm::Execute(TfrxReport *report, QWidget *parent)
{
    if (!report)
        return false;
    TfrxReportDataForm dialog(report, parent);
    if (!Ui::RunDialog(dialog))
        return false;
    return dialog.Apply(report);
}

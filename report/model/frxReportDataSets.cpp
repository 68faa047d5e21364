#include "report/model/frxReportDataSets.h"

#include "report/model/frxReport.h"

TfrxReport *TfrxDataSetItem::Report() const
{
    auto *list = static_cast<TfrxReportDataSets *>(Collection());
    return list ? list->Report() : nullptr;
}

void TfrxDataSetItem::SetDataSet(TfrxDataSet *value)
{
    m_dataSet = value;
    m_dataSetName = value ? value->UserName() : QString();
    // The report removes this item when the dataset is freed.
    if (value && Report())
        value->FreeNotification(Report());
}

QString TfrxDataSetItem::DataSetName() const
{
    return m_dataSet ? m_dataSet->UserName() : m_dataSetName;
}

void TfrxDataSetItem::SetDataSetName(const QString &value)
{
    m_dataSetName = value;
    m_dataSet = value.isEmpty() ? nullptr : frxFindDataSet(m_dataSet, value, Report());
    if (m_dataSet && Report())
        m_dataSet->FreeNotification(Report());
}

void TfrxReportDataSets::Add(TfrxDataSet *dataSet)
{
    Add()->SetDataSet(dataSet);
}

TfrxDataSetItem *TfrxReportDataSets::Find(const TfrxDataSet *dataSet) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->DataSet() == dataSet)
            return Items(i);
    return nullptr;
}

TfrxDataSet *TfrxReportDataSets::FindByUserName(QStringView name) const
{
    for (int i = 0; i < Count(); ++i) {
        TfrxDataSet *dataSet = Items(i)->DataSet();
        if (dataSet && dataSet->UserName().compare(name, Qt::CaseInsensitive) == 0)
            return dataSet;
    }
    return nullptr;
}

void TfrxReportDataSets::Remove(const TfrxDataSet *dataSet)
{
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i)->DataSet() == dataSet)
            Delete(i);
}

void TfrxReportDataSets::Initialize()
{
    for (int i = 0; i < Count(); ++i) {
        if (TfrxDataSet *dataSet = Items(i)->DataSet()) {
            dataSet->SetReportRef(m_report);
            dataSet->InitializeForBuild();
        }
    }
}

void TfrxReportDataSets::Finalize()
{
    for (int i = 0; i < Count(); ++i)
        if (TfrxDataSet *dataSet = Items(i)->DataSet())
            dataSet->FinalizeForBuild();
}

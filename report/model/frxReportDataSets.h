#pragma once
// The report's list of the datasets a layout uses. Only datasets in it are reachable from text
// expressions; the list is stored in the layout under "Datasets".

#include "report/core/frxCollection.h"
#include "report/model/frxDataSet.h"

class TfrxReport;
class TfrxReportDataSets;

class TfrxDataSetItem : public TfrxCollectionItem {
    Q_GADGET
    Q_PROPERTY(TfrxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
public:
    explicit TfrxDataSetItem(TfrxCollection *collection) : TfrxCollectionItem(collection) {}
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    // The same pairing as a view's binding: setting DataSet takes its alias; setting a name looks
    // the dataset up (an empty name clears it); reading the name gives the bound dataset's alias.
    TfrxDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TfrxDataSet *value);
    QString DataSetName() const;
    void SetDataSetName(const QString &value);

private:
    friend class TfrxReportDataSets;
    TfrxReport *Report() const;
    QString m_dataSetName;
    TfrxDataSet *m_dataSet = nullptr;
};

class TfrxReportDataSets : public TfrxCollection {
public:
    explicit TfrxReportDataSets(TfrxReport *report) : m_report(report) {}
    TfrxReport *Report() const { return m_report; }

    TfrxDataSetItem *Add() { return static_cast<TfrxDataSetItem *>(AddItem()); }
    TfrxDataSetItem *Items(int index) const { return static_cast<TfrxDataSetItem *>(Item(index)); }
    // Adds an item bound to dataSet.
    void Add(TfrxDataSet *dataSet);
    // The item bound to dataSet; nullptr when there is none.
    TfrxDataSetItem *Find(const TfrxDataSet *dataSet) const;
    // The bound dataset whose alias equals name ignoring case (items without a dataset skipped).
    TfrxDataSet *FindByUserName(const QString &name) const { return FindByUserName(QStringView(name)); }
    TfrxDataSet *FindByUserName(QStringView name) const;
    // Removes every item bound to dataSet.
    void Remove(const TfrxDataSet *dataSet);

    // Before a build: each dataset learns which report it serves, then prepares itself.
    void Initialize();
    // After a build.
    void Finalize();

protected:
    TfrxCollectionItem *CreateItem() override { return new TfrxDataSetItem(this); }

private:
    TfrxReport *m_report;
};

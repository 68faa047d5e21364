#pragma once
// Datasets: named record sources walked by the builder and read by text objects. Every dataset in
// existence is listed in one process-wide registry, through which layouts find datasets by their
// alias (UserName), also those that live on the host program's form rather than in the report.

#include "report/core/frxComponent.h"
#include "script/variant/Variant.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QStringList>

#include <functional>

class TfrxReport;

class TfrxDataSet : public TfrxDialogComponent {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(frx::TfrxRangeBegin RangeBegin READ RangeBegin WRITE SetRangeBegin)
    Q_PROPERTY(frx::TfrxRangeEnd RangeEnd READ RangeEnd WRITE SetRangeEnd)
    Q_PROPERTY(int RangeEndCount READ RangeEndCount WRITE SetRangeEndCount)
    Q_PROPERTY(QString UserName READ UserName WRITE SetUserName)
    Q_CLASSINFO("Default.Enabled", "True")
    Q_CLASSINFO("Default.RangeBegin", "rbFirst")
    Q_CLASSINFO("Default.RangeEnd", "reLast")
    Q_CLASSINFO("Default.RangeEndCount", "0")
public:
    using TNotifyEvent = std::function<void(TfrxDataSet *sender)>;
    using TCheckEOFEvent = std::function<void(TfrxDataSet *sender, bool &eof)>;

    explicit TfrxDataSet(TComponent *owner = nullptr);
    ~TfrxDataSet() override;

    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value) { m_enabled = value; }
    frx::TfrxRangeBegin RangeBegin() const { return m_rangeBegin; }
    void SetRangeBegin(frx::TfrxRangeBegin value) { m_rangeBegin = value; }
    frx::TfrxRangeEnd RangeEnd() const { return m_rangeEnd; }
    void SetRangeEnd(frx::TfrxRangeEnd value) { m_rangeEnd = value; }
    int RangeEndCount() const { return m_rangeEndCount; }
    void SetRangeEndCount(int value) { m_rangeEndCount = value; }
    QString UserName() const { return m_userName; }
    // A blank alias raises EPropertyError ("Invalid property value") and keeps the old one.
    virtual void SetUserName(const QString &value);

protected:
    // A new name becomes the alias when the alias is still empty.
    void ChangeName(const QString &name) override;

public:
    // Current record number (from 0); changed only by First, Next and Prior.
    int RecNo() const { return m_recNo; }
    // The report this dataset serves in the current build.
    TfrxReport *ReportRef() const { return m_reportRef; }
    void SetReportRef(TfrxReport *report) { m_reportRef = report; }

    // ---- operations, overridden by the kinds of dataset ----
    virtual QString GetDisplayText(const QString &field);
    virtual int GetDisplayWidth(const QString &field);
    virtual frx::TfrxFieldType GetFieldType(const QString &field);
    virtual Variant GetValue(const QString &field);
    virtual void InitializeForBuild();
    virtual void FinalizeForBuild();
    virtual void Open();
    virtual void Close();
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    virtual int FieldsCount();
    virtual bool IsBlobField(const QString &field);
    virtual int RecordCount();
    virtual void AssignBlobTo(const QString &field, QObject *target);
    virtual void GetFieldList(QStringList &list);
    // Whether GetFieldList names the field, ignoring case.
    bool HasField(const QString &field);

    Variant Value(const QString &field) { return GetValue(field); }
    QString DisplayText(const QString &field) { return GetDisplayText(field); }
    int DisplayWidth(const QString &field) { return GetDisplayWidth(field); }
    frx::TfrxFieldType FieldType(const QString &field) { return GetFieldType(field); }

    // A record answered instead of the current one while it is set (field -> value and display
    // text; fields it lacks come from the current record): the builder shows a group footer with
    // the last record of its group after the walk has moved on to the next group.
    using THeldRecord = QHash<QString, std::pair<Variant, QString>>;
    void SetHeldRecord(const THeldRecord *record) { m_heldRecord = record; }
    const THeldRecord *HeldRecord() const { return m_heldRecord; }

    // Host callbacks (never stored).
    TCheckEOFEvent OnCheckEOF;
    TNotifyEvent OnFirst;
    TNotifyEvent OnNext;
    TNotifyEvent OnPrior;
    // Published by database datasets only; Open and Close call them when assigned.
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;

private:
    QString m_userName;
    TfrxReport *m_reportRef = nullptr;
    const THeldRecord *m_heldRecord = nullptr;
    int m_rangeEndCount = 0;
    int m_recNo = 0;
    frx::TfrxRangeBegin m_rangeBegin = frx::rbFirst;
    frx::TfrxRangeEnd m_rangeEnd = frx::reLast;
    bool m_enabled = true;
    bool m_eof = false;
};

// A dataset that holds no data: the host moves its own cursor in OnFirst/OnNext and answers the
// field values in OnGetValue.
class TfrxUserDataSet : public TfrxDataSet {
    Q_OBJECT
    Q_PROPERTY(QStringList Fields READ Fields WRITE SetFields)
public:
    using TGetValueEvent = std::function<void(const QString &varName, Variant &value)>;
    using TNewGetValueEvent =
        std::function<void(TfrxDataSet *sender, const QString &varName, Variant &value)>;

    explicit TfrxUserDataSet(TComponent *owner = nullptr) : TfrxDataSet(owner) {}

    QStringList Fields() const { return m_fields; }
    void SetFields(const QStringList &value) { m_fields = value; }

    QString GetDisplayText(const QString &field) override;
    Variant GetValue(const QString &field) override;
    int FieldsCount() override { return int(m_fields.size()); }
    void GetFieldList(QStringList &list) override { list = m_fields; }

    TGetValueEvent OnGetValue;
    TNewGetValueEvent OnNewGetValue;

private:
    QStringList m_fields;
};

// Base of datasets bound to a database; named so that layouts that mention one still load.
class TfrxCustomDBDataSet : public TfrxDataSet {
    Q_OBJECT
    Q_PROPERTY(bool CloseDataSource READ CloseDataSource WRITE SetCloseDataSource)
    Q_PROPERTY(QStringList FieldAliases READ FieldAliases WRITE SetFieldAliases)
    Q_PROPERTY(bool OpenDataSource READ OpenDataSource WRITE SetOpenDataSource)
    Q_CLASSINFO("Default.CloseDataSource", "False")
    Q_CLASSINFO("Default.OpenDataSource", "True")
public:
    explicit TfrxCustomDBDataSet(TComponent *owner = nullptr) : TfrxDataSet(owner) {}

    bool CloseDataSource() const { return m_closeDataSource; }
    void SetCloseDataSource(bool value) { m_closeDataSource = value; }
    QStringList FieldAliases() const { return m_fieldAliases; }
    void SetFieldAliases(const QStringList &value) { m_fieldAliases = value; }
    bool OpenDataSource() const { return m_openDataSource; }
    void SetOpenDataSource(bool value) { m_openDataSource = value; }

private:
    QStringList m_fieldAliases;
    bool m_closeDataSource = false;
    bool m_openDataSource = true;
};

// Every dataset object in existence, in creation order. Each call takes the one lock.
class TfrxGlobalDataSetList {
public:
    void Add(TfrxDataSet *dataSet);
    void Remove(TfrxDataSet *dataSet);
    QList<TfrxDataSet *> List() const;
    int Count() const;
    // The first dataset whose UserName equals name ignoring case; when report is given, datasets
    // owned by a different report are passed over.
    TfrxDataSet *Find(const QString &name, const TfrxReport *report) const;

private:
    mutable QMutex m_lock;
    QList<TfrxDataSet *> m_list;
};

TfrxGlobalDataSetList &frxGlobalDataSets();

// The dataset a DataSetName setter binds to (report, page, band, view or dataset list item).
// An empty name gives none. With the report's global-registry option on (or without a report) the
// registry is searched and, when nothing matches, current stays bound; with the option off the
// report's dataset list decides alone.
TfrxDataSet *frxFindDataSet(TfrxDataSet *current, const QString &name, const TfrxReport *report);

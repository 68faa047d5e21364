#include "report/model/frxDataSet.h"

#include "report/core/frxErrors.h"
#include "report/model/frxReport.h"

// ---- TfrxDataSet ----------------------------------------------------------------------------------

TfrxDataSet::TfrxDataSet(TComponent *owner) : TfrxDialogComponent(owner)
{
    frxGlobalDataSets().Add(this);
}

TfrxDataSet::~TfrxDataSet()
{
    // Views, bands and the report's list forget this dataset while its alias can still be read.
    SendFreeNotifications();
    frxGlobalDataSets().Remove(this);
}

void TfrxDataSet::SetUserName(const QString &value)
{
    if (value.trimmed().isEmpty())
        throw EPropertyError();
    m_userName = value;
}

void TfrxDataSet::ChangeName(const QString &name)
{
    TfrxDialogComponent::ChangeName(name);
    if (m_userName.isEmpty())
        m_userName = name;
}

QString TfrxDataSet::GetDisplayText(const QString &)
{
    return QString();
}
int TfrxDataSet::GetDisplayWidth(const QString &)
{
    return 10;
}
frx::TfrxFieldType TfrxDataSet::GetFieldType(const QString &)
{
    return frx::fftNumeric;
}
Variant TfrxDataSet::GetValue(const QString &)
{
    return Variant::Null();
}
void TfrxDataSet::InitializeForBuild() {}
void TfrxDataSet::FinalizeForBuild() {}

void TfrxDataSet::Open()
{
    if (OnOpen)
        OnOpen(this);
}

void TfrxDataSet::Close()
{
    if (OnClose)
        OnClose(this);
}

void TfrxDataSet::First()
{
    m_recNo = 0;
    m_eof = false;
    if (OnFirst)
        OnFirst(this);
}

void TfrxDataSet::Next()
{
    m_eof = false;
    ++m_recNo;
    if (m_rangeEnd == frx::reCount && m_recNo >= m_rangeEndCount) {
        // The host is not moved past the last record; the walk just ends.
        m_recNo = m_rangeEndCount - 1;
        m_eof = true;
        return;
    }
    if (OnNext)
        OnNext(this);
}

void TfrxDataSet::Prior()
{
    --m_recNo;
    if (OnPrior)
        OnPrior(this);
}

bool TfrxDataSet::Eof()
{
    bool eof = m_rangeEnd == frx::reCount && (m_recNo >= m_rangeEndCount || m_eof);
    if (OnCheckEOF)
        OnCheckEOF(this, eof);
    return eof;
}

int TfrxDataSet::FieldsCount()
{
    return 0;
}
bool TfrxDataSet::IsBlobField(const QString &)
{
    return false;
}

int TfrxDataSet::RecordCount()
{
    return m_rangeBegin == frx::rbFirst && m_rangeEnd == frx::reCount ? m_rangeEndCount : 0;
}

void TfrxDataSet::AssignBlobTo(const QString &, QObject *) {}
void TfrxDataSet::GetFieldList(QStringList &) {}

bool TfrxDataSet::HasField(const QString &field)
{
    QStringList list;
    GetFieldList(list);
    return list.contains(field, Qt::CaseInsensitive);
}

// ---- TfrxUserDataSet ------------------------------------------------------------------------------

QString TfrxUserDataSet::GetDisplayText(const QString &field)
{
    if (const THeldRecord *held = HeldRecord())
        if (auto it = held->constFind(field); it != held->constEnd())
            return it->second;
    QString text;
    if (OnGetValue) {
        Variant value = Variant::Null();
        OnGetValue(field, value);
        text = value.ToString();
    }
    if (OnNewGetValue) {
        Variant value = Variant::Null();
        OnNewGetValue(this, field, value);
        text = value.ToString();
    }
    return text;
}

Variant TfrxUserDataSet::GetValue(const QString &field)
{
    if (const THeldRecord *held = HeldRecord())
        if (auto it = held->constFind(field); it != held->constEnd())
            return it->first;
    Variant value = Variant::Null();
    if (OnGetValue)
        OnGetValue(field, value);
    if (OnNewGetValue)
        OnNewGetValue(this, field, value);
    return value;
}

// ---- the registry ------------------------------------------------------------------------------------

TfrxGlobalDataSetList &frxGlobalDataSets()
{
    static TfrxGlobalDataSetList list;
    return list;
}

void TfrxGlobalDataSetList::Add(TfrxDataSet *dataSet)
{
    QMutexLocker lock(&m_lock);
    m_list.append(dataSet);
}

void TfrxGlobalDataSetList::Remove(TfrxDataSet *dataSet)
{
    QMutexLocker lock(&m_lock);
    m_list.removeOne(dataSet);
}

QList<TfrxDataSet *> TfrxGlobalDataSetList::List() const
{
    QMutexLocker lock(&m_lock);
    return m_list;
}

int TfrxGlobalDataSetList::Count() const
{
    QMutexLocker lock(&m_lock);
    return int(m_list.size());
}

TfrxDataSet *TfrxGlobalDataSetList::Find(const QString &name, const TfrxReport *report) const
{
    QMutexLocker lock(&m_lock);
    for (TfrxDataSet *dataSet : m_list) {
        if (dataSet->UserName().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (report) {
            auto *owner = qobject_cast<TfrxReport *>(dataSet->Owner());
            if (owner && owner != report)
                continue;
        }
        return dataSet;
    }
    return nullptr;
}

TfrxDataSet *frxFindDataSet(TfrxDataSet *current, const QString &name, const TfrxReport *report)
{
    if (name.isEmpty())
        return nullptr;
    if (!report || report->EngineOptions()->UseGlobalDataSetList()) {
        TfrxDataSet *found = frxGlobalDataSets().Find(name, report);
        return found ? found : current;
    }
    return report->Datasets()->FindByUserName(name);
}

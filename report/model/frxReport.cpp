#include "report/model/frxReport.h"

#include "report/core/frxErrors.h"
#include "report/core/frxRes.h"
#include "report/draw/frxDrawText.h"
#include "report/host/frxEngineBase.h"
#include "report/io/frxXMLSerializer.h"
#include "report/model/frxPages.h"

#include <QDateTime>

#include <algorithm>

static double Now()
{
    QDateTime now = QDateTime::currentDateTime();
    return Variant::EncodeDateTime(now.date(), now.time());
}

// ---- option groups --------------------------------------------------------------------------------

void TfrxEngineOptions::Clear()
{
    m_convertNulls = true;
    m_ignoreDevByZero = false;
    m_doublePass = false;
}

TfrxPrintOptions::TfrxPrintOptions() : m_printer(frxGet(QStringLiteral("prDefault"))) {}

void TfrxPrintOptions::Clear()
{
    m_copies = 1;
    m_collate = true;
    m_pageNumbers.clear();
    m_fileName.clear();
    m_pagesOnSheet = 0;
    m_printer = frxGet(QStringLiteral("prDefault"));
    m_printMode = frx::pmDefault;
    m_printOnSheet = 0;
    m_printPages = frx::ppAll;
    m_reverse = false;
    m_showDialog = true;
    m_splicingLine = 3;
    m_duplex = frx::dmNone;
}

void TfrxPreviewOptions::Clear()
{
    m_outlineExpand = true;
    m_outlineVisible = false;
    m_outlineWidth = 120;
    m_pagesInCache = 50;
    m_thumbnailVisible = false;
}

void TfrxReportOptions::Clear()
{
    m_author.clear();
    m_compressed = false;
    m_createDate = Now();
    m_lastChange = m_createDate;
    m_description.clear();
    m_picture.Clear();
    m_versionBuild.clear();
    m_versionMajor.clear();
    m_versionMinor.clear();
    m_versionRelease.clear();
    m_connectionName.clear();
    m_initString.clear();
    m_name.clear();
    m_password.clear();
}

// ---- TfrxReport -----------------------------------------------------------------------------------

TfrxReport::TfrxReport(TComponent *owner)
    : TfrxComponent(owner), m_datasets(this), m_enabledDataSets(this),
      m_iniFile(QStringLiteral("\\Software\\Tavrel"))
{
    Reset();
}

TfrxReport::~TfrxReport()
{
    m_engine.reset();
    SendFreeNotifications();
    // Pages and their objects go while the report is whole: datasets on the data page tell the
    // report's lists about their end.
    DestroyChildren();
    DestroyComponents();
}

TfrxDrawText *TfrxReport::DrawText()
{
    if (!m_drawText)
        m_drawText = std::make_unique<TfrxDrawText>();
    return m_drawText.get();
}

TfrxPage *TfrxReport::Pages(int index) const
{
    if (index < 0 || index >= PagesCount())
        throw EReportError(
            frxGet(QStringLiteral("SListIndexError")).replace(QLatin1String("%d"), QString::number(index)));
    return qobject_cast<TfrxPage *>(Objects().at(index));
}

void TfrxReport::ClearObjects()
{
    TfrxComponent::ClearObjects();
    Reset();
}

void TfrxReport::Reset()
{
    frxForgetKeptAttributes(this);
    m_datasets.Clear();
    m_enabledDataSets.Clear();
    m_variables.Clear();
    m_styles.Clear();
    m_engineOptions.Clear();
    m_previewOptions.Clear();
    m_printOptions.Clear();
    m_reportOptions.Clear();
    m_dataSet = nullptr;
    m_dataSetName.clear();
    m_dotMatrixReport = false;
    m_parentReport.clear();
    m_scriptLanguage = QStringLiteral("PascalScript");
    m_scriptText = {QStringLiteral("begin"), QString(), QStringLiteral("end.")};
    m_sysVariables = {QStringLiteral("Date"),  QStringLiteral("Time"),       QStringLiteral("Page"),
                      QStringLiteral("Page#"), QStringLiteral("TotalPages"), QStringLiteral("TotalPages#"),
                      QStringLiteral("Line"),  QStringLiteral("Line#"),      QStringLiteral("CopyName#")};
    m_onRunDialogs.clear();
    m_onStartReport.clear();
    m_onStopReport.clear();
    m_lastPassword.clear();
}

TfrxDataPage *TfrxReport::EnsureDataPage()
{
    const QList<TfrxComponent *> all = AllObjects();
    for (TfrxComponent *c : all)
        if (auto *page = qobject_cast<TfrxDataPage *>(c))
            return page;

    auto *page = new TfrxDataPage(this);
    if (FindObject(QStringLiteral("Data")))
        page->CreateUniqueName();
    else
        page->SetName(QStringLiteral("Data"));
    SetChildIndex(page, 0);

    int k = 0;
    for (TfrxComponent *c : all) {
        if (!qobject_cast<TfrxDialogComponent *>(c))
            continue;
        c->SetParent(page);
        c->SetLeft(60 + 64 * k);
        c->SetTop(20);
        ++k;
    }
    return page;
}

void TfrxReport::SetDataSet(TfrxDataSet *value)
{
    frxSetReference(this, m_dataSet, value);
    m_dataSetName = value ? value->UserName() : QString();
}

QString TfrxReport::DataSetName() const
{
    return m_dataSet ? m_dataSet->UserName() : m_dataSetName;
}

void TfrxReport::SetDataSetName(const QString &value)
{
    m_dataSetName = value;
    frxSetReference(this, m_dataSet, frxFindDataSet(m_dataSet, value, this));
}

TfrxDataSet *TfrxReport::GetDataset(const QString &alias) const
{
    return m_datasets.FindByUserName(alias);
}

QList<TfrxDataSet *> TfrxReport::GetDataSetList() const
{
    QList<TfrxDataSet *> list;
    if (m_engineOptions.UseGlobalDataSetList()) {
        for (TfrxDataSet *dataSet : frxGlobalDataSets().List())
            if (dataSet->Enabled() && !dataSet->UserName().isEmpty())
                list.append(dataSet);
    } else {
        for (int i = 0; i < m_enabledDataSets.Count(); ++i)
            if (TfrxDataSet *dataSet = m_enabledDataSets.Items(i)->DataSet())
                list.append(dataSet);
    }
    return list;
}

QString TfrxReport::GetAlias(const TfrxDataSet *dataSet) const
{
    if (dataSet && m_datasets.Find(dataSet))
        return dataSet->UserName();
    return frxGet(QStringLiteral("dsNotIncluded"));
}

void TfrxReport::AddError(const QString &text)
{
    // Ordered and unique ignoring case, as the list of the original compared its texts.
    auto less = [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; };
    auto it = std::lower_bound(m_errors.begin(), m_errors.end(), text, less);
    if (it == m_errors.end() || it->compare(text, Qt::CaseInsensitive) != 0)
        m_errors.insert(it, text);
}

void TfrxReport::Notification(TComponent *component, TOperation operation)
{
    TfrxComponent::Notification(component, operation);
    if (operation != opRemove)
        return;
    if (auto *dataSet = qobject_cast<TfrxDataSet *>(component)) {
        m_datasets.Remove(dataSet);
        m_enabledDataSets.Remove(dataSet);
        if (m_dataSet == dataSet) {
            m_dataSetName = dataSet->UserName();
            m_dataSet = nullptr;
        }
    }
}

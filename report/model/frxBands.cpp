#include "report/model/frxBands.h"

#include "report/core/frxErrors.h"
#include "report/core/frxRes.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"

#include <QSet>

#include <algorithm>

// ---- TfrxBand -------------------------------------------------------------------------------------

TfrxBand::~TfrxBand()
{
    SendFreeNotifications();
}

bool TfrxBand::OnDotMatrixPage() const
{
    return qobject_cast<TfrxDMPPage *>(Page()) != nullptr;
}

void TfrxBand::SetLeft(double value)
{
    if (OnDotMatrixPage())
        value = frxRoundEven(value / fr1CharX) * fr1CharX;
    TfrxReportComponent::SetLeft(value);
}

void TfrxBand::SetTop(double value)
{
    if (OnDotMatrixPage())
        value = frxRoundEven(value / fr1CharY) * fr1CharY;
    TfrxReportComponent::SetTop(value);
}

void TfrxBand::SetHeight(double value)
{
    if (OnDotMatrixPage())
        value = frxRoundEven(value / fr1CharY) * fr1CharY;
    TfrxReportComponent::SetHeight(value);
}

void TfrxBand::SetChild(TfrxChild *value)
{
    // Walk the new child's chain; a chain that already loops elsewhere ends the walk instead of
    // running forever.
    QSet<const TfrxBand *> seen;
    for (const TfrxBand *band = value; band; band = band->m_child) {
        if (band == this)
            throw EReportError(frxGet(QStringLiteral("SCircularChild")));
        if (seen.contains(band))
            break;
        seen.insert(band);
    }
    frxSetReference<TfrxChild>(this, m_child, value);
}

void TfrxBand::Notification(TComponent *component, TOperation operation)
{
    TfrxReportComponent::Notification(component, operation);
    if (operation == opRemove && component == m_child)
        m_child = nullptr;
}

int TfrxBand::BandNumber() const
{
    return std::max(0, int(BandKind()));
}

TfrxBandKind TfrxBand::BandKind() const
{
    static const QMetaObject *const kinds[] = {
        &TfrxReportTitle::staticMetaObject,   &TfrxReportSummary::staticMetaObject,
        &TfrxPageHeader::staticMetaObject,    &TfrxPageFooter::staticMetaObject,
        &TfrxHeader::staticMetaObject,        &TfrxFooter::staticMetaObject,
        &TfrxMasterData::staticMetaObject,    &TfrxDetailData::staticMetaObject,
        &TfrxSubdetailData::staticMetaObject, &TfrxDataBand4::staticMetaObject,
        &TfrxDataBand5::staticMetaObject,     &TfrxDataBand6::staticMetaObject,
        &TfrxGroupHeader::staticMetaObject,   &TfrxGroupFooter::staticMetaObject,
        &TfrxChild::staticMetaObject,         &TfrxColumnHeader::staticMetaObject,
        &TfrxColumnFooter::staticMetaObject,  &TfrxOverlay::staticMetaObject,
    };
    const QMetaObject *meta = metaObject();
    for (int i = 0; i < int(std::size(kinds)); ++i)
        if (kinds[i] == meta)
            return TfrxBandKind(i);
    return TfrxBandKind::Unknown;
}

QString TfrxBand::BandName() const
{
    QString name = ClassName();
    qsizetype i = name.indexOf(QLatin1String("Tfrx"));
    if (i >= 0)
        name.remove(i, 4);
    i = name.indexOf(QLatin1String("Band"));
    if (i >= 0)
        name.remove(i, 4);
    return name;
}

// ---- TfrxDataBand ---------------------------------------------------------------------------------

TfrxDataBand::TfrxDataBand(TComponent *owner)
    : TfrxBand(owner), m_virtualDataSet(new TfrxUserDataSet(nullptr))
{
    m_virtualDataSet->SetRangeEnd(frx::reCount);
}

TfrxDataBand::~TfrxDataBand()
{
    SendFreeNotifications();
    delete m_virtualDataSet;
}

void TfrxDataBand::SetDataSet(TfrxDataSet *value)
{
    frxSetReference(this, m_dataSet, value);
    m_dataSetName = value ? value->UserName() : QString();
}

QString TfrxDataBand::DataSetName() const
{
    return m_dataSet ? m_dataSet->UserName() : m_dataSetName;
}

void TfrxDataBand::SetDataSetName(const QString &value)
{
    m_dataSetName = value;
    frxSetReference(this, m_dataSet, frxFindDataSet(m_dataSet, value, Report()));
}

void TfrxDataBand::Notification(TComponent *component, TOperation operation)
{
    TfrxBand::Notification(component, operation);
    if (operation == opRemove && component == m_dataSet) {
        m_dataSetName = m_dataSet->UserName();
        m_dataSet = nullptr;
    }
}

#include "report/model/frxPages.h"

#include "report/core/frxErrors.h"
#include "report/model/frxBands.h"
#include "report/model/frxReport.h"

#include <cmath>
#include <utility>

// ---- TfrxReportPage -------------------------------------------------------------------------------

TfrxReportPage::TfrxReportPage(TComponent *owner)
    : TfrxPage(owner), m_backPicture(new TfrxPictureView(nullptr))
{
    m_backPicture->SetKeepAspectRatio(false);
    SetPaperSize(9);
}

TfrxReportPage::~TfrxReportPage()
{
    SendFreeNotifications();
    delete m_backPicture;
}

double TfrxReportPage::CheckedPaperValue(double value)
{
    // A size that is not a number would make every pixel size of the page meaningless.
    if (!std::isfinite(value))
        throw EPropertyError();
    return frxRoundTo8(value);
}

void TfrxReportPage::SetPaperWidth(double value)
{
    m_paperWidth = CheckedPaperValue(value);
    m_paperSize = 256;
    UpdateDimensions();
}

void TfrxReportPage::SetPaperHeight(double value)
{
    m_paperHeight = CheckedPaperValue(value);
    m_paperSize = 256;
    UpdateDimensions();
}

void TfrxReportPage::SetPaper(int code, double width, double height)
{
    double w = CheckedPaperValue(width);
    double h = CheckedPaperValue(height);
    m_paperSize = code;
    m_paperWidth = w;
    m_paperHeight = h;
    UpdateDimensions();
}

void TfrxReportPage::SetPaperSize(int value)
{
    m_paperSize = value;
    if (value >= 256)
        return;
    double width = 0;
    double height = 0;
    if (frxPaperInfo().PaperSize(value, width, height)) {
        if (m_orientation == frx::poLandscape)
            std::swap(width, height);
        m_paperWidth = width;
        m_paperHeight = height;
    }
    UpdateDimensions();
}

void TfrxReportPage::SetOrientation(frx::TPrinterOrientation value)
{
    if (value != m_orientation) {
        std::swap(m_paperWidth, m_paperHeight);
        const double left = m_leftMargin, right = m_rightMargin, top = m_topMargin, bottom = m_bottomMargin;
        if (value == frx::poLandscape) {
            m_leftMargin = top;
            m_rightMargin = bottom;
            m_topMargin = right;
            m_bottomMargin = left;
        } else {
            m_leftMargin = bottom;
            m_rightMargin = top;
            m_topMargin = left;
            m_bottomMargin = right;
        }
        m_orientation = value;
        UpdateDimensions();
    }
    m_orientation = value;
}

void TfrxReportPage::UpdateDimensions()
{
    SetWidth(frxRoundEven(m_paperWidth * fr01cm));
    SetHeight(frxRoundEven(m_paperHeight * fr01cm));
}

void TfrxReportPage::SetDefaults()
{
    m_leftMargin = m_rightMargin = m_topMargin = m_bottomMargin = 10;
    TfrxPaperDefaults defaults = frxPaperInfo().DefaultPaper();
    m_paperSize = defaults.PaperSize;
    m_paperWidth = defaults.PaperWidth;
    m_paperHeight = defaults.PaperHeight;
    m_orientation = defaults.Orientation;
    UpdateDimensions();
}

void TfrxReportPage::SetPageCount(int value)
{
    if (value >= 1)
        m_pageCount = value;
}

void TfrxReportPage::SetDataSet(TfrxDataSet *value)
{
    frxSetReference(this, m_dataSet, value);
    m_dataSetName = value ? value->UserName() : QString();
}

QString TfrxReportPage::DataSetName() const
{
    return m_dataSet ? m_dataSet->UserName() : m_dataSetName;
}

void TfrxReportPage::SetDataSetName(const QString &value)
{
    m_dataSetName = value;
    frxSetReference(this, m_dataSet, frxFindDataSet(m_dataSet, value, Report()));
}

void TfrxReportPage::Notification(TComponent *component, TOperation operation)
{
    TfrxPage::Notification(component, operation);
    if (operation == opRemove && component == m_dataSet) {
        m_dataSetName = m_dataSet->UserName();
        m_dataSet = nullptr;
    }
}

static bool TakesColumnWidth(const TfrxBand *band)
{
    return !qobject_cast<const TfrxNullBand *>(band) && !qobject_cast<const TfrxReportSummary *>(band) &&
           !qobject_cast<const TfrxPageHeader *>(band) && !qobject_cast<const TfrxPageFooter *>(band) &&
           !qobject_cast<const TfrxReportTitle *>(band) && !qobject_cast<const TfrxOverlay *>(band);
}

void TfrxReportPage::AlignChildren()
{
    const double printableWidth = PrintableWidth();
    const double printableHeight = PrintableHeight();
    SetWidth(printableWidth);
    SetHeight(printableHeight);
    TfrxPage::AlignChildren();
    for (TfrxComponent *child : Objects()) {
        auto *band = qobject_cast<TfrxBand *>(child);
        if (!band)
            continue;
        if (band->Vertical())
            band->SetHeight(printableHeight - band->Top());
        else if (m_columns > 1 && TakesColumnWidth(band))
            band->SetWidth(m_columnWidth * fr01cm);
        else
            band->SetWidth(printableWidth - band->Left());
        band->AlignChildren();
    }
    UpdateDimensions();
}

TfrxBand *TfrxReportPage::FindBand(const QMetaObject *bandClass) const
{
    for (TfrxComponent *child : Objects())
        if (child->metaObject()->inherits(bandClass))
            return qobject_cast<TfrxBand *>(child);
    return nullptr;
}

// ---- other pages ----------------------------------------------------------------------------------

TfrxDataPage::TfrxDataPage(TComponent *owner) : TfrxPage(owner)
{
    SetWidth(1000);
    SetHeight(1000);
}

void TfrxSubreport::Notification(TComponent *component, TOperation operation)
{
    TfrxView::Notification(component, operation);
    if (operation == opRemove && component == m_page)
        m_page = nullptr;
}

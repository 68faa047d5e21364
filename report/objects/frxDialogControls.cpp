#include "report/objects/frxDialogControls.h"

#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "script/variant/Variant.h"

#include <QDate>

namespace {
constexpr TColor kBtnFace = TColor(0xFF00000F); // clBtnFace
constexpr TColor kWindow = TColor(0xFF000005);  // clWindow

TfrxDialogRunner &Runner()
{
    static TfrxDialogRunner runner;
    return runner;
}
} // namespace

TfrxDialogPage::TfrxDialogPage(TComponent *owner) : TfrxPage(owner)
{
    SetWidth(300);
    SetHeight(200);
}

TfrxDialogControl::TfrxDialogControl(TComponent *owner) : TfrxReportComponent(owner), m_color(kBtnFace) {}

TfrxEditControl::TfrxEditControl(TComponent *owner) : TfrxDialogControl(owner)
{
    m_color = kWindow;
}

TfrxMemoControl::TfrxMemoControl(TComponent *owner) : TfrxDialogControl(owner)
{
    m_color = kWindow;
}

TfrxListBoxControl::TfrxListBoxControl(TComponent *owner) : TfrxDialogControl(owner)
{
    m_color = kWindow;
}

TfrxComboBoxControl::TfrxComboBoxControl(TComponent *owner) : TfrxDialogControl(owner)
{
    m_color = kWindow;
}

TfrxDateEditControl::TfrxDateEditControl(TComponent *owner) : TfrxDialogControl(owner)
{
    m_color = kWindow;
    // A new date edit shows today.
    m_date = double(QDate(1899, 12, 30).daysTo(QDate::currentDate()));
}

TfrxDBLookupComboBox::TfrxDBLookupComboBox(TComponent *owner) : TfrxDialogControl(owner)
{
    m_color = kWindow;
}

void TfrxDBLookupComboBox::SetDataSet(TfrxDataSet *value)
{
    frxSetReference(this, m_dataSet, value);
    m_dataSetName = value ? value->UserName() : QString();
}

QString TfrxDBLookupComboBox::DataSetName() const
{
    return m_dataSet ? m_dataSet->UserName() : m_dataSetName;
}

void TfrxDBLookupComboBox::SetDataSetName(const QString &value)
{
    m_dataSetName = value;
    frxSetReference(this, m_dataSet, frxFindDataSet(m_dataSet, value, Report()));
}

void TfrxDBLookupComboBox::Notification(TComponent *component, TOperation operation)
{
    TfrxDialogControl::Notification(component, operation);
    if (operation == opRemove && component == m_dataSet) {
        m_dataSetName = m_dataSet->UserName();
        m_dataSet = nullptr;
    }
}

// ---- showing dialog pages ------------------------------------------------------------------------

TfrxDialogRunner frxSetDialogRunner(TfrxDialogRunner runner)
{
    TfrxDialogRunner previous = std::move(Runner());
    Runner() = std::move(runner);
    return previous;
}

bool frxRunDialogs(TfrxReport &report)
{
    const TfrxDialogRunner &runner = Runner();
    if (!runner)
        return true;
    for (int i = 0; i < report.PagesCount(); ++i) {
        auto *page = qobject_cast<TfrxDialogPage *>(report.Objects().at(i));
        if (!page || !page->Visible())
            continue;
        if (!runner(report, *page))
            return false;
    }
    return true;
}

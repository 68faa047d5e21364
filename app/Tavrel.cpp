#include "app/Tavrel.h"

#include "app/TemplateClS.h"
#include "report/frxXMLSerializer.h"

TTavrelForm::TTavrelForm(TComponent *owner) : TComponent(owner)
{
    SetName(QStringLiteral("TavrelForm"));
    frxUserDataSet1 = new TfrxUserDataSet(this);
    frxUserDataSet1->SetName(QStringLiteral("frxUserDataSet1"));
    frxUserDataSet1->SetUserName(QStringLiteral("FD"));
    frxUserDataSet1->SetRangeEnd(frx::reCount);
    frxUserDataSet1->SetRangeEndCount(3);
    frxUserDataSet1->OnFirst = [this](TfrxDataSet *sender) { frxUserDataSet1First(sender); };
    frxUserDataSet1->OnNext = [this](TfrxDataSet *sender) { frxUserDataSet1Next(sender); };
    frxUserDataSet1->OnGetValue = [this](const QString &name, Variant &value) { frxUserDataSet1GetValue(name, value); };

    frxReport1 = new TfrxReport(this);
    frxReport1->SetName(QStringLiteral("frxReport1"));
    InitialReport();
    // Layouts name the order dataset as "TavrelForm.frxUserDataSet1".
    frxRegisterGlobalComponent(this);
}

TTavrelForm::~TTavrelForm()
{
    frxUnregisterGlobalComponent(this);
    // The report goes first: it refers to the dataset.
    delete frxReport1;
    frxReport1 = nullptr;
}

void TTavrelForm::InitialReport()
{
    TfrxReport *report = frxReport1;
    report->ClearObjects();
    report->SetDotMatrixReport(false);
    report->SetIniFile(QStringLiteral("\\Software\\Tavrel"));
    report->SetScriptLanguage(QStringLiteral("PascalScript"));
    report->SetScriptText({QStringLiteral("begin"), QString(), QStringLiteral("end.")});
    report->PrintOptions()->SetPrinter(QStringLiteral("Default"));
    report->PrintOptions()->SetPrintOnSheet(0);
    report->PreviewOptions()->SetZoom(1.0);

    TfrxDataPage *data = report->EnsureDataPage();
    data->SetWidth(1000);
    data->SetHeight(1000);
    auto *page = new TfrxReportPage(report);
    page->SetName(QStringLiteral("Page1"));
    page->SetOrientation(frx::poPortrait);
    page->SetPaperSize(9);   // A4 from the paper table: 210 × 297 mm
    page->SetLeftMargin(10);
    page->SetRightMargin(10);
    page->SetTopMargin(10);
    page->SetBottomMargin(10);

    report->Datasets()->Add(frxUserDataSet1);
    report->SetDataSet(frxUserDataSet1);
}

void TTavrelForm::frxUserDataSet1First(TfrxDataSet *)
{
    CurrRow = RowStart;
    if (PrintRunning == 1 && MarkPrinted)
        MarkPrinted(CurrRow);
}

void TTavrelForm::frxUserDataSet1Next(TfrxDataSet *)
{
    CurrRow = CurrRow + 1;
    if (PrintRunning == 1 && MarkPrinted)
        MarkPrinted(CurrRow);
}

void TTavrelForm::frxUserDataSet1GetValue(const QString &varName, Variant &value)
{
    try {
        value = Variant(QStringLiteral("null"));
        if (OrderRows.empty()) {
            value = Variant(varName);
            return;
        }
        for (int j = 0; j < OrderColumns.size(); ++j) {
            if (OrderColumns[j].ColName == varName) {
                if (CurrRow < 0 || size_t(CurrRow) >= OrderRows.size())
                    throw Exception(QStringLiteral("List index out of bounds (%1)").arg(CurrRow));
                value = Variant(OrderRows[size_t(CurrRow)].LookupValue(QStringLiteral("C%1").arg(j + 1)));
                return;
            }
        }
    } catch (const std::exception &) {
        value = Variant(varName);
    }
}

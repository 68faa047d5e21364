#include "engine/print/frxPrintDialog.h"

#include "engine/preview/frxProgress.h"
#include "engine/print/frxPrintJob.h"
#include "engine/print/frxPrinter.h"
#include "platform/Ui.h"
#include "report/core/frxRes.h"
#include "report/host/frxPreviewPagesBase.h"
#include "report/model/frxReport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The texts live in the engine's text table (see frxGetOrAdd).
QString Text(const char *key, const char *fallback)
{
    return frxGetOrAdd(key, fallback);
}

} // namespace

TfrxPrintDialogValues frxPrintDialogValues(const TfrxPrintOptions &options, int printerIndex)
{
    TfrxPrintDialogValues values;
    values.PrinterIndex = printerIndex;
    values.PrintToFile = !options.FileName().isEmpty();
    values.PageNumbers = options.PageNumbers();
    values.Range = values.PageNumbers.trimmed().isEmpty() ? TfrxPrintDialogValues::AllPages
                                                          : TfrxPrintDialogValues::PageList;
    values.Copies = qMax(1, options.Copies());
    values.Collate = options.Collate();
    values.PrintMode = options.PrintMode();
    values.PrintOnSheet = options.PrintOnSheet();
    values.PrintPages = options.PrintPages();
    values.Duplex = options.Duplex();
    values.Reverse = options.Reverse();
    return values;
}

void frxApplyPrintDialog(const TfrxPrintDialogValues &values, TfrxPrintOptions &options, int currentPage)
{
    options.SetCopies(qMax(1, values.Copies));
    options.SetCollate(values.Collate);
    switch (values.Range) {
    case TfrxPrintDialogValues::AllPages:
        options.SetPageNumbers(QString());
        break;
    case TfrxPrintDialogValues::CurrentPage:
        options.SetPageNumbers(QString::number(qMax(1, currentPage)));
        break;
    case TfrxPrintDialogValues::PageList:
        options.SetPageNumbers(values.PageNumbers);
        break;
    }
    options.SetPrintPages(values.PrintPages);
    options.SetReverse(values.Reverse);
    options.SetPrintMode(values.PrintMode);
    options.SetPrintOnSheet(values.PrintOnSheet);
    options.SetDuplex(values.Duplex);
}

TfrxPrintDialog::TfrxPrintDialog(QWidget *parent)
    : QDialog(parent), m_printer(new QComboBox), m_properties(new QPushButton), m_toFile(new QCheckBox),
      m_all(new QRadioButton), m_current(new QRadioButton), m_pagesRadio(new QRadioButton),
      m_pages(new QLineEdit), m_hint(new QLabel), m_copies(new QSpinBox), m_collate(new QCheckBox),
      m_mode(new QComboBox), m_sheet(new QComboBox), m_which(new QComboBox), m_duplex(new QComboBox),
      m_reverse(new QCheckBox)
{
    setWindowTitle(Text("pdCaption", "Print"));

    auto *printerBox = new QGroupBox(Text("pdPrinter", "Printer"));
    auto *printerRow = new QHBoxLayout;
    m_printer->addItems(Printers().PrinterNames());
    m_printer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_properties->setText(Text("pdProperties", "Properties..."));
    printerRow->addWidget(m_printer);
    printerRow->addWidget(m_properties);
    auto *printerLayout = new QVBoxLayout(printerBox);
    printerLayout->addLayout(printerRow);
    m_toFile->setText(Text("pdPrintToFile", "Print to file"));
    printerLayout->addWidget(m_toFile);

    auto *pagesBox = new QGroupBox(Text("pdPageRange", "Page range"));
    auto *pagesLayout = new QGridLayout(pagesBox);
    m_all->setText(Text("pdAll", "All"));
    m_current->setText(Text("pdCurrentPage", "Current page"));
    m_pagesRadio->setText(Text("pdPages", "Pages:"));
    m_hint->setText(Text("pdHint", "Enter page numbers and/or page ranges, separated by commas. For "
                                   "example, 1,3,5-12"));
    m_hint->setWordWrap(true);
    pagesLayout->addWidget(m_all, 0, 0, 1, 2);
    pagesLayout->addWidget(m_current, 1, 0, 1, 2);
    pagesLayout->addWidget(m_pagesRadio, 2, 0);
    pagesLayout->addWidget(m_pages, 2, 1);
    pagesLayout->addWidget(m_hint, 3, 0, 1, 2);

    auto *copiesBox = new QGroupBox(Text("pdCopies", "Copies"));
    auto *copiesLayout = new QFormLayout(copiesBox);
    m_copies->setRange(1, 999);
    m_collate->setText(Text("pdCollate", "Collate"));
    copiesLayout->addRow(Text("pdNumberOfCopies", "Number of copies"), m_copies);
    copiesLayout->addRow(m_collate);

    auto *otherBox = new QGroupBox(Text("pdOther", "Other"));
    auto *otherLayout = new QFormLayout(otherBox);
    m_mode->addItem(Text("pdModeDefault", "Default"), int(frx::pmDefault));
    m_mode->addItem(Text("pdModeSplit", "Split big pages"), int(frx::pmSplit));
    m_mode->addItem(Text("pdModeJoin", "Join small pages"), int(frx::pmJoin));
    m_mode->addItem(Text("pdModeScale", "Scale"), int(frx::pmScale));
    m_which->addItem(Text("pdAllPages", "All pages"), int(frx::ppAll));
    m_which->addItem(Text("pdOddPages", "Odd pages"), int(frx::ppOdd));
    m_which->addItem(Text("pdEvenPages", "Even pages"), int(frx::ppEven));
    m_duplex->addItem(Text("pdDuplexDefault", "Default"), int(frx::dmNone));
    m_duplex->addItem(Text("pdDuplexVertical", "Vertical"), int(frx::dmVertical));
    m_duplex->addItem(Text("pdDuplexHorizontal", "Horizontal"), int(frx::dmHorizontal));
    m_duplex->addItem(Text("pdDuplexSimplex", "Simplex"), int(frx::dmSimplex));
    m_reverse->setText(Text("pdReverse", "Reverse order"));
    otherLayout->addRow(Text("pdPrintMode", "Print mode"), m_mode);
    otherLayout->addRow(Text("pdPrintOnPaper", "Print on paper"), m_sheet);
    otherLayout->addRow(Text("pdPrint", "Print"), m_which);
    otherLayout->addRow(Text("pdDuplex", "Duplex"), m_duplex);
    otherLayout->addRow(Text("pdOrder", "Order"), m_reverse);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(printerBox, 0, 0, 1, 2);
    grid->addWidget(pagesBox, 1, 0);
    grid->addWidget(copiesBox, 1, 1);
    grid->addWidget(otherBox, 2, 0, 1, 2);
    grid->addWidget(buttons, 3, 0, 1, 2);

    connect(m_printer, &QComboBox::currentIndexChanged, this, &TfrxPrintDialog::PrinterChanged);
    connect(m_properties, &QPushButton::clicked, this, [] {
        if (TfrxCustomPrinter *printer = Printers().CurrentPrinter())
            printer->ShowPrinterProperties();
    });
    // Typing a page list means printing that list.
    connect(m_pages, &QLineEdit::textEdited, this, [this] { m_pagesRadio->setChecked(true); });
    connect(m_mode, &QComboBox::currentIndexChanged, this, [this] { UpdateState(); });
    connect(m_sheet, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_sheetCode = m_sheet->itemData(index).toInt();
    });
    connect(m_copies, &QSpinBox::valueChanged, this, [this] { UpdateState(); });
    m_all->setChecked(true);
    FillSheets();
    UpdateState();
}

void TfrxPrintDialog::PrinterChanged(int index)
{
    // The printer becomes current at once, so that its settings dialog and its paper list are the
    // ones shown; Cancel brings the previous printer back.
    if (index >= 0 && index != Printers().PrinterIndex())
        Printers().SetPrinterIndex(index);
    FillSheets();
    UpdateState();
}

void TfrxPrintDialog::FillSheets()
{
    const int wanted = m_sheetCode;
    const QSignalBlocker blocker(m_sheet);
    m_sheet->clear();
    TfrxCustomPrinter *printer = Printers().CurrentPrinter();
    if (!printer)
        return;
    for (const TfrxNamedCode &paper : printer->Papers())
        m_sheet->addItem(paper.Name, paper.Code);
    int index = m_sheet->findData(wanted != 0 ? wanted : printer->Paper());
    if (index < 0)
        index = m_sheet->findData(printer->Paper());
    m_sheet->setCurrentIndex(qMax(0, index));
    m_sheetCode = m_sheet->currentIndex() >= 0 ? m_sheet->currentData().toInt() : 0;
}

void TfrxPrintDialog::UpdateState()
{
    m_sheet->setEnabled(m_mode->currentData().toInt() != int(frx::pmDefault));
    m_properties->setEnabled(Printers().HasPhysicalPrinters());
}

void TfrxPrintDialog::SetValues(const TfrxPrintDialogValues &values)
{
    {
        const QSignalBlocker blocker(m_printer);
        m_printer->setCurrentIndex(values.PrinterIndex >= 0 && values.PrinterIndex < m_printer->count()
                                       ? values.PrinterIndex
                                       : Printers().PrinterIndex());
    }
    m_toFile->setChecked(values.PrintToFile);
    m_all->setChecked(values.Range == TfrxPrintDialogValues::AllPages);
    m_current->setChecked(values.Range == TfrxPrintDialogValues::CurrentPage);
    m_pagesRadio->setChecked(values.Range == TfrxPrintDialogValues::PageList);
    m_pages->setText(values.PageNumbers);
    m_copies->setValue(qMax(1, values.Copies));
    m_collate->setChecked(values.Collate);
    m_mode->setCurrentIndex(qMax(0, m_mode->findData(int(values.PrintMode))));
    m_which->setCurrentIndex(qMax(0, m_which->findData(int(values.PrintPages))));
    m_duplex->setCurrentIndex(qMax(0, m_duplex->findData(int(values.Duplex))));
    m_reverse->setChecked(values.Reverse);
    m_sheetCode = values.PrintOnSheet;
    FillSheets();
    UpdateState();
}

TfrxPrintDialogValues TfrxPrintDialog::Values() const
{
    TfrxPrintDialogValues values;
    values.PrinterIndex = m_printer->currentIndex();
    values.PrintToFile = m_toFile->isChecked();
    values.Range = m_current->isChecked()      ? TfrxPrintDialogValues::CurrentPage
                   : m_pagesRadio->isChecked() ? TfrxPrintDialogValues::PageList
                                               : TfrxPrintDialogValues::AllPages;
    values.PageNumbers = m_pages->text();
    values.Copies = m_copies->value();
    values.Collate = m_collate->isChecked();
    values.PrintMode = frx::TfrxPrintMode(m_mode->currentData().toInt());
    values.PrintOnSheet = values.PrintMode == frx::pmDefault ? 0 : m_sheetCode;
    values.PrintPages = frx::TfrxPrintPages(m_which->currentData().toInt());
    values.Duplex = frx::TfrxDuplexMode(m_duplex->currentData().toInt());
    values.Reverse = m_reverse->isChecked();
    return values;
}

void TfrxPrintDialog::accept()
{
    if (m_pagesRadio->isChecked()) {
        try {
            TfrxPrintJob::ParsePageNumbers(m_pages->text(), m_pageCount);
        } catch (const EPageListError &e) {
            Ui::Message(e.Message(), windowTitle(), UiIcon::Error);
            m_pages->setFocus();
            return;
        }
    }
    QDialog::accept();
}

bool TfrxPrintDialog::Execute(TfrxReport *report, int currentPage)
{
    if (!report || !TfrxProgressSession::CanShow())
        return true;
    TfrxPrinters &printers = Printers();
    const int previous = printers.PrinterIndex();
    auto restore = [&] {
        if (printers.PrinterIndex() != previous)
            printers.SetPrinterIndex(previous);
    };
    TfrxPrintOptions *options = report->PrintOptions();
    TfrxPrintDialog dialog(QApplication::activeWindow());
    dialog.SetValues(frxPrintDialogValues(*options, previous));
    if (TfrxCustomPreviewPages *pages = report->PreviewPages())
        dialog.SetPageCount(pages->Count());
    if (dialog.exec() != QDialog::Accepted) {
        restore();
        return false;
    }
    const TfrxPrintDialogValues values = dialog.Values();
    if (values.PrinterIndex >= 0 && values.PrinterIndex != printers.PrinterIndex())
        printers.SetPrinterIndex(values.PrinterIndex);
    QString fileName;
    if (values.PrintToFile) {
        // The print file is what the print system would have received: a PDF.
        fileName = Ui::SaveFileName(Text("pdFileFilter", "PDF file (*.pdf)|*.pdf"),
                                    Text("pdPrintToFile", "Print to file"));
        if (fileName.isEmpty()) {
            restore();
            return false;
        }
        if (QFileInfo(fileName).suffix().isEmpty())
            fileName += QLatin1String(".pdf");
    }
    frxApplyPrintDialog(values, *options, currentPage);
    options->SetFileName(fileName);
    return true;
}

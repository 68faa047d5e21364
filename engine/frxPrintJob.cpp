#include "engine/frxPrintJob.h"

#include "engine/frxPreviewPages.h"
#include "engine/frxPrinter.h"
#include "platform/Ui.h"
#include "report/frxDrawPage.h"
#include "report/frxPages.h"
#include "report/frxReport.h"
#include "report/frxRes.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

namespace {

const int ProgressPrinting = 2;

// The options as they were when the job started come back whatever the job (or a dialog) changed.
class OptionsGuard {
public:
    explicit OptionsGuard(TfrxReport *report) : m_report(report), m_saved(*report->PrintOptions()) {}
    ~OptionsGuard() { *m_report->PrintOptions() = m_saved; }

private:
    TfrxReport *m_report;
    TfrxPrintOptions m_saved;
};

int ReadNumber(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        throw EPageListError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

} // namespace

TfrxPrintJob::TfrxPrintJob(TfrxPreviewPages &pages) : m_pages(pages), m_report(pages.Report()) {}

QList<int> TfrxPrintJob::ParsePageNumbers(const QString &text, int pageCount)
{
    QString list;
    for (QChar c : text)
        if (c != u' ')
            list += c;
    QList<int> result;
    if (list.isEmpty())
        return result;
    if (list.endsWith(u'-'))
        list += QString::number(pageCount);
    for (const QString &part : list.split(u',')) {
        if (part.isEmpty())
            continue;
        const int dash = part.indexOf(u'-');
        if (dash < 0) {
            result.append(ReadNumber(part));
            continue;
        }
        const int first = ReadNumber(part.left(dash));
        const int last = ReadNumber(part.mid(dash + 1));
        // A range that runs backwards would print nothing and still look like a finished job.
        if (last < first)
            throw EPageListError(QStringLiteral("Invalid page range '%1'").arg(part));
        for (int n = first; n <= last; ++n)
            result.append(n);
    }
    return result;
}

bool TfrxPrintJob::Run()
{
    // Printing to a file needs no queue: the placeholder printer writes the PDF when none is installed.
    const bool toFile = !m_report->PrintOptions()->FileName().isEmpty();
    if (!toFile && !Printers().HasPhysicalPrinters()) {
        Ui::Message(frxPrinterTexts::NoPrinters(), frxGet(QStringLiteral("SError")), UiIcon::Error);
        return false;
    }
    m_pages.SetPrintScale(1.0);
    OptionsGuard guard(m_report);
    TfrxPrintOptions *options = m_report->PrintOptions();
    Printers().SelectPrinterByName(options->Printer());
    m_printer = Printers().CurrentPrinter();
    // The page list is read before anything reaches the printer, so a mistyped list prints nothing.
    const QList<int> pageList = ParsePageNumbers(options->PageNumbers(), m_pages.Count());

    if (m_report->OnPrintReport)
        m_report->OnPrintReport(m_report);

    bool result = true;
    if (m_printer && m_printer->Initialized()) {
        m_pages.ClearCache();
        struct FileGuard {
            TfrxCustomPrinter *printer;
            QString previous;
            ~FileGuard() { printer->SetFileName(previous); }
        } fileGuard{m_printer, m_printer->FileName()};
        if (toFile)
            m_printer->SetFileName(options->FileName());
        try {
            RunDocument(pageList);
        } catch (const EPrinterError &e) {
            Ui::Message(e.Message(), frxGet(QStringLiteral("SError")), UiIcon::Error);
            result = false;
        }
    } else {
        Ui::Message(frxPrinterTexts::NotValid(), frxGet(QStringLiteral("SError")), UiIcon::Error);
        result = false;
    }
    if (m_report->OnAfterPrintReport)
        m_report->OnAfterPrintReport(m_report);
    m_pages.SetCopyNo(0);
    return result && !m_cancelled;
}

void TfrxPrintJob::RunDocument(const QList<int> &pageList)
{
    m_report->SetTerminated(false);
    m_report->DoProgressStart(ProgressPrinting);
    const QString name = m_report->ReportOptions()->Name();
    m_printer->SetTitle(!name.isEmpty() ? name : m_report->FileName());
    const TfrxPrintOptions *options = m_report->PrintOptions();
    const int copies = std::max(1, options->Copies());
    try {
        if (options->Collate()) {
            for (int copy = 1; copy <= copies; ++copy) {
                if (!PrintPass(pageList, 1, copy))
                    break;
                if (m_report->Terminated())
                    break;
            }
        } else {
            PrintPass(pageList, copies, 1);
        }
        if (m_documentOpen) {
            m_documentOpen = false;
            m_printer->CloseDocument();
        }
    } catch (...) {
        if (m_documentOpen) {
            m_documentOpen = false;
            m_printer->CancelDocument();
        }
        m_pages.ClearCache();
        m_report->DoProgressStop(ProgressPrinting);
        throw;
    }
    m_report->DoProgressStop(ProgressPrinting);
}

bool TfrxPrintJob::PrintPass(const QList<int> &pageList, int copies, int copyNo)
{
    const int pageCount = m_pages.Count();
    const int visits = pageList.isEmpty() ? pageCount : int(pageList.size());
    const bool reverse = m_report->PrintOptions()->Reverse();
    for (int step = 0; step < visits; ++step) {
        const int position = reverse ? visits - 1 - step : step;
        const int index = pageList.isEmpty() ? position : pageList.at(position) - 1;
        if (index < 0 || index >= pageCount)
            continue;
        const frx::TfrxPrintPages which = m_report->PrintOptions()->PrintPages();
        if ((which == frx::ppOdd && (index + 1) % 2 == 0) || (which == frx::ppEven && (index + 1) % 2 == 1))
            continue;
        if (!PrintPage(index, copies, copyNo))
            return false;
    }
    return true;
}

bool TfrxPrintJob::PrintPage(int index, int copies, int copyNo)
{
    if (m_report->Terminated()) {
        if (m_documentOpen) {
            m_documentOpen = false;
            m_printer->CancelDocument();
        }
        m_cancelled = true;
        return false;
    }
    TfrxReportPage *page = m_pages.GetPage(index);
    if (!page)
        return true;
    m_pages.SetCopyNo(copyNo);
    if (m_report->OnPrintPage)
        m_report->OnPrintPage(page, copyNo);

    const int bin = index == 0 ? page->Bin() : page->BinOtherPages();
    const frx::TfrxDuplexMode dialogDuplex = m_report->PrintOptions()->Duplex();
    const frx::TfrxDuplexMode duplex = dialogDuplex != frx::dmNone ? dialogDuplex : page->Duplex();
    const int width = int(std::nearbyint(page->PaperWidth()));
    const int height = int(std::nearbyint(page->PaperHeight()));
    if (m_firstPage || page->PaperSize() != m_lastPaper || width != m_lastWidth || height != m_lastHeight ||
        bin != m_lastBin || page->Orientation() != m_lastOrientation || duplex != m_lastDuplex ||
        copies != m_lastCopies) {
        m_printer->ApplyPrintParams(page->PaperSize(), page->Orientation(), copies, duplex, bin,
                                    page->PaperHeight(), page->PaperWidth());
    }
    if (!m_documentOpen) {
        m_printer->OpenDocument();
        m_documentOpen = true;
    }
    m_printer->OpenPage();
    if (QPainter *painter = m_printer->Canvas()->Painter()) {
        const QPoint dpi = m_printer->DPI();
        TfrxPageDrawValues values;
        values.PageIndex = index;
        values.TotalPages = m_pages.Count();
        values.CopyNo = copyNo;
        values.PrintScale = m_pages.PrintScale();
        frxDrawPage(*page, *painter, dpi.x() / 96.0, dpi.y() / 96.0,
                    -m_printer->LeftMargin() * dpi.x() / 25.4, -m_printer->TopMargin() * dpi.y() / 25.4,
                    values);
    }
    m_report->DoProgress(ProgressPrinting, index + 1);
    m_printer->ClosePage();
    QCoreApplication::processEvents();

    m_firstPage = false;
    m_lastPaper = page->PaperSize();
    m_lastWidth = width;
    m_lastHeight = height;
    m_lastBin = bin;
    m_lastOrientation = page->Orientation();
    m_lastDuplex = duplex;
    m_lastCopies = copies;
    ++m_printedPages;
    // Long jobs keep their memory flat: no page object outlives its sheet.
    m_pages.ClearCache();
    return true;
}

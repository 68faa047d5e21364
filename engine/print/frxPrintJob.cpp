#include "engine/print/frxPrintJob.h"

#include "engine/pages/frxPreviewPages.h"
#include "engine/preview/frxProgress.h"
#include "engine/print/frxPrintDialog.h"
#include "engine/print/frxPrinter.h"
#include "platform/Ui.h"
#include "report/core/frxRes.h"
#include "report/draw/frxDrawPage.h"
#include "report/model/frxPages.h"
#include "report/model/frxPaper.h"
#include "report/model/frxReport.h"
#include "script/fs_iinterpreter.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

namespace {

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

TfrxPrintJob::~TfrxPrintJob() = default;

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
    if (m_report->PrintOptions()->FileName().isEmpty() && !Printers().HasPhysicalPrinters()) {
        Ui::Message(frxPrinterTexts::NoPrinters(), frxGet(QStringLiteral("SError")), UiIcon::Error);
        return false;
    }
    m_pages.SetPrintScale(1.0);
    OptionsGuard guard(m_report);
    TfrxPrintOptions *options = m_report->PrintOptions();
    Printers().SelectPrinterByName(options->Printer());
    if (options->ShowDialog() && !TfrxPrintDialog::Execute(m_report, m_pages.CurPreviewPage()))
        return false;
    m_printer = Printers().CurrentPrinter();
    m_toFile = !options->FileName().isEmpty();
    // The page list is read before anything reaches the printer, so a mistyped list prints nothing.
    const QList<int> pageList = ParsePageNumbers(options->PageNumbers(), m_pages.Count());

    // Split and join print each page on its own sheet for now; scale fits each page on the sheet.
    m_scaleToSheet = options->PrintMode() == frx::pmScale && m_printer && m_printer->Initialized();
    if (m_scaleToSheet)
        TakeSheet(options->PrintOnSheet());

    if (m_report->OnPrintReport)
        m_report->OnPrintReport(m_report);
    if (!m_report->EngineOptions()->DestroyForms() && !m_report->OnReportPrint().isEmpty()) {
        if (TfsScript *script = m_report->Script()) {
            try {
                script->CallFunction(m_report->OnReportPrint(), {Variant(static_cast<QObject *>(m_report))});
            } catch (const Exception &e) {
                // A failing script handler must not stop the job; it says why in the error list.
                m_report->AddError(e.Message());
            }
        }
    }

    bool result = true;
    if (m_printer && m_printer->Initialized()) {
        m_pages.ClearCache();
        struct FileGuard {
            TfrxCustomPrinter *printer;
            QString previous;
            ~FileGuard() { printer->SetFileName(previous); }
        } fileGuard{m_printer, m_printer->FileName()};
        // The options decide where the job goes: a file name left on the printer by other code
        // must not divert a job meant for the queue.
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
    m_pages.SetPrintScale(1.0);
    return result && !m_cancelled;
}

void TfrxPrintJob::TakeSheet(int paperCode)
{
    double width = 0, height = 0;
    if (paperCode != frxCustomPaper && paperCode != 0 && frxStandardPaperSize(paperCode, width, height)) {
        m_sheetPaper = paperCode;
    } else {
        m_sheetPaper = frxCustomPaper;
        width = m_printer->PaperWidth();
        height = m_printer->PaperHeight();
    }
    m_sheetWidth = std::min(width, height);
    m_sheetHeight = std::max(width, height);
}

void TfrxPrintJob::RunDocument(const QList<int> &pageList)
{
    m_report->SetTerminated(false);
    m_report->DoProgressStart(TfrxProgressKind::Printing);
    m_progress = std::make_unique<TfrxProgressSession>(m_report, TfrxProgressSession::Printing);
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
            // A cancel that arrived with the last page still cancels the whole job.
            if (m_report->Terminated()) {
                m_printer->CancelDocument();
                m_cancelled = true;
            } else {
                m_printer->CloseDocument();
            }
        }
    } catch (...) {
        if (m_documentOpen) {
            m_documentOpen = false;
            m_printer->CancelDocument();
        }
        m_pages.ClearCache();
        m_progress.reset();
        m_report->DoProgressStop(TfrxProgressKind::Printing);
        throw;
    }
    m_progress.reset();
    m_report->DoProgressStop(TfrxProgressKind::Printing);
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
        if (m_toFile && copies > 1) {
            // A file has no driver to make the copies: each one is drawn, page by page.
            for (int copy = 0; copy < copies; ++copy)
                if (!PrintPage(index, 1, copyNo))
                    return false;
            continue;
        }
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
    // What the sheet is: the page's own paper, or in the scale mode the chosen sheet in the page's
    // orientation with the page shrunk or grown to fit it.
    int paperCode = page->PaperSize();
    double paperWidth = page->PaperWidth();
    double paperHeight = page->PaperHeight();
    double scale = 1.0;
    if (m_scaleToSheet) {
        const bool landscape = page->Orientation() == frx::poLandscape;
        paperCode = m_sheetPaper;
        paperWidth = landscape ? m_sheetHeight : m_sheetWidth;
        paperHeight = landscape ? m_sheetWidth : m_sheetHeight;
        if (page->PaperWidth() > 0 && page->PaperHeight() > 0)
            scale = std::min(paperWidth / page->PaperWidth(), paperHeight / page->PaperHeight());
    }
    const int width = int(std::nearbyint(paperWidth));
    const int height = int(std::nearbyint(paperHeight));
    if (m_firstPage || paperCode != m_lastPaper || width != m_lastWidth || height != m_lastHeight ||
        bin != m_lastBin || page->Orientation() != m_lastOrientation || duplex != m_lastDuplex ||
        copies != m_lastCopies) {
        m_printer->ApplyPrintParams(paperCode, page->Orientation(), copies, duplex, bin, paperHeight,
                                    paperWidth);
    }
    if (!m_documentOpen) {
        m_printer->OpenDocument();
        m_documentOpen = true;
    }
    m_printer->OpenPage();
    m_pages.SetPrintScale(scale);
    if (QPainter *painter = m_printer->Canvas()->Painter()) {
        const QPoint dpi = m_printer->DPI();
        TfrxPageDrawValues values;
        values.PageIndex = index;
        values.TotalPages = m_pages.Count();
        values.CopyNo = copyNo;
        values.PrintScale = scale;
        frxDrawPage(*page, *painter, dpi.x() / 96.0 * scale, dpi.y() / 96.0 * scale,
                    -m_printer->LeftMargin() * dpi.x() / 25.4, -m_printer->TopMargin() * dpi.y() / 25.4,
                    values);
    }
    m_report->DoProgress(TfrxProgressKind::Printing, index + 1);
    if (m_progress)
        m_progress->Progress(index + 1);
    m_printer->ClosePage();
    QCoreApplication::processEvents();
    // A Cancel pressed while the messages ran stops the job before the next page.
    if (m_progress)
        m_progress->Poll();

    m_firstPage = false;
    m_lastPaper = paperCode;
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

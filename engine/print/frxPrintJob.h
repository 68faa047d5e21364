#pragma once
// The print job: walks the prepared pages and draws each on the current printer with the page's
// paper, orientation, bin and duplex (sent to the driver only when they change), in the order the
// options ask for (page list, copies with or without collation, reverse, odd or even pages). The
// scale mode fits every page onto the sheet PrintOnSheet names; the split and join modes are not
// built yet and print each page on its own sheet as the default mode does. With ShowDialog the
// print dialog comes first; with ShowProgress (and a window system) the progress window shows the
// page being printed and its Cancel stops the job before the next page.

#include "platform/Exception.h"
#include "report/core/frxTypes.h"

#include <QList>
#include <QString>

#include <memory>

class TfrxCustomPrinter;
class TfrxProgressSession;
class TfrxPreviewPages;
class TfrxReport;
class TfrxReportPage;

// A page list with a part that is not a page number (or a range that runs backwards).
class EPageListError : public Exception {
public:
    using Exception::Exception;
};

class TfrxPrintJob {
public:
    explicit TfrxPrintJob(TfrxPreviewPages &pages);
    ~TfrxPrintJob();

    // The whole job; false when no printer is installed, the printer is not valid, or the print
    // system did not take the document (the reason is shown). A page list that cannot be read
    // raises EPageListError before anything is printed.
    bool Run();

    // 1-based page numbers of a list such as "1-3,5" or "2-" (blanks ignored; empty: all pages,
    // answered as an empty list).
    static QList<int> ParsePageNumbers(const QString &text, int pageCount);

private:
    void RunDocument(const QList<int> &pageList);
    // The sheet of the scale mode from PrintOnSheet (code 256 or 0: the printer's own paper).
    void TakeSheet(int paperCode);
    // One pass over the pages; false when the job was stopped.
    bool PrintPass(const QList<int> &pageList, int copies, int copyNo);
    bool PrintPage(int index, int copies, int copyNo);

    TfrxPreviewPages &m_pages;
    TfrxReport *m_report;
    TfrxCustomPrinter *m_printer = nullptr;
    bool m_documentOpen = false;
    bool m_cancelled = false;
    bool m_firstPage = true;
    bool m_toFile = false;
    // pmScale: every page scaled onto this sheet (millimetres, portrait).
    bool m_scaleToSheet = false;
    int m_sheetPaper = 0;
    double m_sheetWidth = 0;
    double m_sheetHeight = 0;
    std::unique_ptr<TfrxProgressSession> m_progress;
    int m_printedPages = 0;
    // What the previous printed page sent to the driver.
    int m_lastPaper = 0;
    int m_lastWidth = 0;
    int m_lastHeight = 0;
    int m_lastBin = 0;
    frx::TPrinterOrientation m_lastOrientation = frx::poPortrait;
    frx::TfrxDuplexMode m_lastDuplex = frx::dmNone;
    int m_lastCopies = 0;
};

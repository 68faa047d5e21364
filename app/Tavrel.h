#pragma once
// The report holder of the print driver: one report object and one order dataset for the whole
// run of the program. The dataset walks order rows by callbacks: it moves CurrRow, marks the rows a
// print run reaches, and answers field values from the current row by order column name.

#include "app/TemplateClS.h"
#include "platform/Exception.h"
#include "report/model/frxClass.h"

#include <functional>

// A template whose objects print order fields while nothing in it walks the orders: every waybill
// of a run would show the same order. Raised before anything is built or printed.
class EOrdersNotWalked : public Exception {
public:
    using Exception::Exception;
};

class TTavrelForm : public TComponent {
    Q_OBJECT
public:
    explicit TTavrelForm(TComponent *owner = nullptr);
    ~TTavrelForm() override;

    TfrxReport *frxReport1 = nullptr;
    TfrxUserDataSet *frxUserDataSet1 = nullptr;

    // Driver state: the range of order rows a run walks and the row the dataset stands on.
    int RowStart = 0;
    int RowEnd = 0;
    int CurrRow = 0;
    int PrintRunning = 0;

    void SetRangeStart(int index) { RowStart = index; }
    void SetRangeEnd(int index) { RowEnd = index; }

    // Dataset callbacks.
    void frxUserDataSet1First(TfrxDataSet *sender);
    void frxUserDataSet1Next(TfrxDataSet *sender);
    void frxUserDataSet1GetValue(const QString &varName, Variant &value);

    // Marks a grid row (the status column) as printed; bound by the main window. A print run calls
    // it for the rows its dataset reached, once the printer (or the PDF file) has taken the pages:
    // a run that stops before that marks nothing.
    std::function<void(int row)> MarkPrinted;
    // The rows the dataset reached during the current print run, in the order it reached them.
    QList<int> ReachedRows;

    // Print to file: when set, print runs write a PDF of this name through the same print job.
    QString PrintToFile;
    // When set, a layout that did not load cleanly (report->Errors()) is not built or printed: the
    // run raises an error naming the layout and its errors. The command line sets it unless --force.
    bool RefuseLoadErrors = false;

    // One waybill per order row on CurrPrinter, moved by the stored offsets.
    bool PrintAll();
    // The waybill of one order row.
    bool PrintOne(int index);
    // The waybills of the given rows (ascending), in one print run.
    bool PrintRows(const QList<int> &rows);
    // The waybills of `count` rows from `start`: both print runs end here. Returns whether the
    // pages were built and the printer took them. Raises (with a message naming the file) when the
    // current template's layout is missing or has no printable page, EOrdersNotWalked for a
    // template that does not walk the orders. Every page the build made is printed once: the
    // layout's page selection, odd/even pages, copies and collation, split and join modes are
    // overridden for the run (PrintOptionsForRun); rows are marked only when the printer (or
    // the file) took every page.
    bool PrintRange(int start, int count);
    // The layout's print options that would drop or multiply waybills, set back for a print run.
    static void PrintOptionsForRun(TfrxPrintOptions *options);
    // Builds the pages of a print run without printing them (for renderings of a run).
    bool BuildRange(int start, int count);

    // The message when the loaded layout prints values of the order dataset FD while neither the
    // report, a page nor a data band walks FD (empty when it walks the orders, or prints no order
    // field at all: a fixed label prints once per run).
    QString OrdersNotWalkedProblem() const;

    // The preview of one order row on template t, and the template preview of the first rows (at
    // most ten; one record of field names without orders). Previews never mark rows.
    void PreviewOne(const TTemplatePtr &t, int row);
    void PreviewTemplate(const TTemplatePtr &t);
    // Loads t's layout with the order column names as the dataset's fields and sets the range.
    void LoadForPreview(const TTemplatePtr &t, int start, int count);
    // Opens the designer on template t: its layout loaded, the order column names as the dataset's
    // fields. Returns whether the layout on disk changed (the user saved in the designer).
    bool Design(const TTemplatePtr &t);
    // Opens the designer on any layout file (for report authors).
    bool DesignFile(const QString &fileName);
    // How many rows the template preview walks: the first ten orders, one record without orders.
    static int TemplatePreviewRows();
    // Whether a print job for this printer name would reach an installed queue. A name not in the
    // engine's printer list makes it read the list again: a queue added while the program runs is
    // found.
    static bool PrinterInstalled(const QString &name);

    // The new-template dialog's layout: the first printable page emptied, margins 0, the size in mm.
    void SaveEmptyLayout(const QString &path, double widthMm, double heightMm);

    // Puts the report back to what the program starts with: data page "Data", report page
    // "Page1" (A4, margins 10 mm), dataset FD at report level and in the dataset list, the
    // three-line script, printer "Default".
    void InitialReport();

private:
    // Rows of a PrintRows run: record k of the dataset is m_rowList[k] (empty: RowStart + k).
    QList<int> m_rowList;
    int m_record = 0;

    // The dataset walks `count` rows from `start`.
    void SetRange(int start, int count);
    // The order column names as the dataset's fields: what the builder keeps of a group's last
    // record while its footer is shown, and what the designer's data tree lists.
    void SetOrderFields();
    // Raises EOrdersNotWalked when OrdersNotWalkedProblem has something to say.
    void CheckOrdersWalked() const;
    bool BuildRun(int start, int count);
    // Loads t's layout for the rows and shows the preview, also after a failed load.
    void ShowPreview(const TTemplatePtr &t, int start, int count);
};

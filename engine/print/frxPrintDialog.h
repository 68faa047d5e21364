#pragma once
// The print dialog a job shows when the report's PrintOptions.ShowDialog is on: printer (with the
// driver's settings), print to file, pages (all, current, a list), copies and collation, print
// mode and the sheet it prints on, odd or even pages, duplex and order. The window only binds the
// widgets; what OK does with the choices is the plain function frxApplyPrintDialog.

#include "report/core/frxTypes.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TfrxPrintOptions;
class TfrxReport;

// What the dialog edits.
struct TfrxPrintDialogValues {
    enum PageRange { AllPages, CurrentPage, PageList };

    int PrinterIndex = -1;
    bool PrintToFile = false;
    PageRange Range = AllPages;
    QString PageNumbers;
    int Copies = 1;
    bool Collate = true;
    frx::TfrxPrintMode PrintMode = frx::pmDefault;
    int PrintOnSheet = 0; // paper code of the sheet for the split, join and scale modes
    frx::TfrxPrintPages PrintPages = frx::ppAll;
    frx::TfrxDuplexMode Duplex = frx::dmNone;
    bool Reverse = false;
};

// The dialog's starting values: the options as they stand and the current printer.
TfrxPrintDialogValues frxPrintDialogValues(const TfrxPrintOptions &options, int printerIndex);
// What OK writes into the options: copies, collation, the page list (empty for all pages, the
// preview's current page number for the current page), odd/even, order, print mode, sheet and
// duplex. currentPage is 1-based; 0 when no page is shown (the current page is then page 1).
void frxApplyPrintDialog(const TfrxPrintDialogValues &values, TfrxPrintOptions &options, int currentPage);

class TfrxPrintDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrxPrintDialog(QWidget *parent = nullptr);

    void SetValues(const TfrxPrintDialogValues &values);
    TfrxPrintDialogValues Values() const;
    // The number of prepared pages, for checking a page list ending in "-".
    void SetPageCount(int count) { m_pageCount = count; }

    // OK with a page list that cannot be read says why and keeps the dialog open.
    void accept() override;

    // Runs the dialog for a print job: on OK the chosen printer is current and the options hold
    // the choices (with "Print to file", also the file name asked for through the Ui seam). False
    // when the user cancelled the dialog or the file question; the printer that was current before
    // is current again then. Without a window system the job goes on with its options as they are.
    static bool Execute(TfrxReport *report, int currentPage);

    QComboBox *PrinterCombo() const { return m_printer; }
    QPushButton *PropertiesButton() const { return m_properties; }
    QCheckBox *PrintToFileCheck() const { return m_toFile; }
    QRadioButton *AllRadio() const { return m_all; }
    QRadioButton *CurrentRadio() const { return m_current; }
    QRadioButton *PagesRadio() const { return m_pagesRadio; }
    QLineEdit *PagesEdit() const { return m_pages; }
    QSpinBox *CopiesSpin() const { return m_copies; }
    QCheckBox *CollateCheck() const { return m_collate; }
    QComboBox *PrintModeCombo() const { return m_mode; }
    QComboBox *SheetCombo() const { return m_sheet; }
    QComboBox *PrintPagesCombo() const { return m_which; }
    QComboBox *DuplexCombo() const { return m_duplex; }
    QCheckBox *ReverseCheck() const { return m_reverse; }

private:
    void PrinterChanged(int index);
    void FillSheets();
    void UpdateState();

    QComboBox *m_printer;
    QPushButton *m_properties;
    QCheckBox *m_toFile;
    QRadioButton *m_all;
    QRadioButton *m_current;
    QRadioButton *m_pagesRadio;
    QLineEdit *m_pages;
    QLabel *m_hint;
    QSpinBox *m_copies;
    QCheckBox *m_collate;
    QComboBox *m_mode;
    QComboBox *m_sheet;
    QComboBox *m_which;
    QComboBox *m_duplex;
    QCheckBox *m_reverse;
    int m_sheetCode = 0;
    int m_pageCount = 0;
};

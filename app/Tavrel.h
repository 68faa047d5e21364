#pragma once
// The report holder of the print driver: one report object and one order dataset for the whole
// run of the program. The dataset walks order rows by callbacks: it moves CurrRow, marks the rows a
// print run reaches, and answers field values from the current row by order column name.

#include "report/frxClass.h"

#include <functional>

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

    // Marks a grid row (the status column) when a print run reaches it; bound by the main window.
    std::function<void(int row)> MarkPrinted;

    // Puts the report back to what the program starts with: data page "Data", report page
    // "Page1" (A4, margins 10 mm), dataset FD at report level and in the dataset list, the
    // three-line script, printer "Default".
    void InitialReport();
};

#pragma once
// The report's data: which of the datasets the program offers (and those the report already
// names) the report uses, one check box each. The check boxes are the dialog's copy; the report's
// list changes only through Apply after OK.

#include <QDialog>
#include <QList>

class QListWidget;
class TfrxDataSet;
class TfrxReport;

class TfrxReportDataForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxReportDataForm(TfrxReport *report, QWidget *parent = nullptr);

    // The datasets offered, in list order, and the checked ones.
    QList<TfrxDataSet *> Offered() const { return m_offered; }
    QList<TfrxDataSet *> Checked() const;
    void SetChecked(TfrxDataSet *dataSet, bool checked);
    QListWidget *List() const { return m_list; }
    // Makes the report's list hold exactly the checked datasets: those it had keep their place,
    // the new ones follow in the dialog's order. True when the list changed.
    bool Apply(TfrxReport *report) const;
    // Opens the dialog through the UI seam; true when OK changed the report's list.
    static bool Execute(TfrxReport *report, QWidget *parent = nullptr);

private:
    QList<TfrxDataSet *> m_offered;
    QListWidget *m_list = nullptr;
};

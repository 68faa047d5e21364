#pragma once
// The print journal in the window: the question before a print when orders were printed before,
// the print run of the window through the journal, the grid's "上次打印" texts, and the 打印记录
// window that lists the runs and reprints one run or selected orders of it.

#include "app/journal/JournalRun.h"

#include <QDialog>

#include <functional>
#include <vector>

class QPushButton;
class QTableWidget;
class TTavrelForm;

namespace Journal {

enum class PrintChoice { All, OnlyNew, Cancel };

// "N 个订单已经打印过（最近一次 …）：" with the buttons 全部打印, 只打印未打印的 and 取消 (also
// naming orders a killed run left unknown and orders another run prints now), through the Ui seam.
PrintChoice AskBeforePrint(const Survey &survey);

// One print run of the window over these rows: asks about orders printed before (unless kind is
// "reprint", which the seller chose), claims the rows and prints them with the driver. A journal
// that cannot be used is said, and the seller decides whether to print without it. Returns whether
// the printer took pages.
bool WindowPrint(TTavrelForm &driver, const QList<int> &rows, const QString &kind = QStringLiteral("print"));

// The "上次打印" text of every imported row: time and printer (or file) of its last print; empty
// for orders the journal does not know, and for all when the journal cannot be read.
std::vector<QString> LastPrintTexts();

// 打印记录: the runs, newest first, and the orders of the selected run.
class TPrintRecordForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintRecordForm(QWidget *parent = nullptr);

    QTableWidget *RunGrid = nullptr;
    QTableWidget *OrderGrid = nullptr;
    QPushButton *ReprintRunButton = nullptr;   // "重印本次"
    QPushButton *ReprintOrdersButton = nullptr; // "重印所选订单"

    // Prints orders again by key (the window maps them to its imported rows).
    std::function<void(const QStringList &keys)> Reprint;

    // Reads the journal again; false (with the message shown) when it cannot be read.
    bool Reload();
    void SelectRun(int index);

private:
    QList<RunSummary> m_runs;
    QList<Entry> m_entries;
    void ShowEntries();
    void ReprintKeys(bool selectedOnly);
};

} // namespace Journal

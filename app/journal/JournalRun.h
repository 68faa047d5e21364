#pragma once
// A print run as the journal sees it, over the imported orders (OrderRows): what the journal knows
// of the rows before the print (Survey), the claim before the pages are made, and the rows the
// printer took, which the print driver reports through RecordPrinted while a Run is in progress.

#include "app/journal/PrintJournal.h"

#include <QHash>
#include <QList>
#include <QSet>

namespace Journal {

// What the journal knows of some order rows before a print.
struct Survey {
    QList<int> Printed;          // printed before
    QList<int> Unknown;          // a killed run claimed them: printed or not, nobody knows
    QList<int> Busy;             // another run is printing them now
    QHash<int, History> OfRow;   // the history of each of those rows
    QHash<int, QString> KeyOfRow;
    History Latest;              // the most recent print among Printed

    bool Empty() const { return Printed.isEmpty() && Unknown.isEmpty() && Busy.isEmpty(); }
};

// The key of each order row (OrderRows) by the key column of the settings.
QHash<int, QString> KeysOf(const QList<int> &rows);
// Sweeps runs that died, then looks the rows up.
Survey SurveyRows(Database &db, const QList<int> &rows);

// "第 3 行 (订单 5445…)": a row as messages name it (1-based).
QString RowLabel(int row, const QString &key);

// One run in progress. While it lives, the print driver's RecordPrinted goes to it.
class Run {
public:
    // info.Template and LayoutHash are filled from CurrTemplate when empty.
    Run(Database &db, RunInfo info);
    // Rows still claimed become failed (unless recording a printed row failed: those stay claimed
    // and a later run reports them as unknown); the run is closed. Never raises.
    ~Run();
    Run(const Run &) = delete;
    Run &operator=(const Run &) = delete;

    const QString &Id() const { return m_id; }
    const RunInfo &Info() const { return m_info; }

    // Claims the rows (see Database::Claim). Raises EJournalError.
    ClaimResult Claim(const QList<int> &rows, bool skip);
    // The printer took the page of this row. The rows of one print are written in one transaction,
    // committed by Commit (or when the run ends): a run killed before that leaves them claimed,
    // which the next run reports as unknown.
    void Printed(int row);
    void Commit();
    int PrintedCount() const { return m_printed; }
    // The first error of recording a printed row (the print itself went on), else empty.
    const QString &RecordError() const { return m_recordError; }

    static Run *Current();

private:
    Database &m_db;
    RunInfo m_info;
    QString m_id;
    QHash<int, qint64> m_entryOfRow;
    int m_printed = 0;
    bool m_open = false; // a transaction of printed rows is open
    QString m_recordError;
    Run *m_previous = nullptr;
};

// Called by the print driver for every row whose page the printer (or the PDF file) took; goes to
// the run in progress, if any.
void RecordPrinted(int row);

} // namespace Journal

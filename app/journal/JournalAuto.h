#pragma once
// The print journal of the timed mode: every run skips what was printed before. Orders are known
// by their key (the order number), so an order whose status changed between two downloads is still
// the same order; an order twice in one file prints once; a second program printing the same
// orders at the same time gets none of them. The old record config/auto-printed.txt (a digest of
// each printed row) is taken into the journal once and no longer written.

#include "app/journal/JournalRun.h"

#include <memory>

namespace Journal {

class AutoJournal {
public:
    // Opens the journal and takes over the old record once. Raises EJournalError.
    explicit AutoJournal(const QString &legacyPath);
    ~AutoJournal();

    struct Plan {
        QList<int> Fresh;      // to print
        QList<int> Printed;    // printed before (also by the old record)
        QList<int> Unknown;    // a killed run may have printed them: left out
        QList<int> Busy;       // another run prints them now
        QList<int> Duplicates; // the same order earlier in this file
        int Abandoned = 0;     // claims of killed runs found now (unknown from now on)
    };
    // What the journal knows of the imported orders (OrderRows).
    Plan Survey();
    // Starts the run and claims the rows; those another run took meanwhile drop out.
    QList<int> Claim(const QList<int> &rows);
    // Writes what the printer took; the first error of recording a printed row, else empty.
    QString RecordError();

private:
    Database m_db;
    std::unique_ptr<Run> m_run;
};

} // namespace Journal

#pragma once
// The print journal on the command line: `waybill-cli journal` lists it, and `print` journals its
// run through JournaledPrint (what was printed before, --skip-printed, the claim, the record).

#include <QList>
#include <QStringList>
#include <QTextStream>

#include <memory>

namespace Journal {
class Database;
class Run;
} // namespace Journal

namespace Cli {

// waybill-cli journal [--order KEY] [--since DATE] [--run ID] [--json]
int JournalList(const QStringList &args, QTextStream &out, QTextStream &err);

// The journal's part of one `print`: opens the journal, says on stderr which orders were printed
// before (and which a killed run left unknown), claims the rows and leaves out, with skip, those
// printed or being printed. The driver reports the rows the printer took while this lives.
class JournaledPrint {
public:
    explicit JournaledPrint(QTextStream &err);
    ~JournaledPrint();

    // -1: print `rows` (set to the rows claimed); else the exit status to end with (1 for a
    // journal that cannot be used, 0 when nothing is left to print).
    int Begin(int start, int count, bool skip, const QString &printer, const QString &output, QList<int> &rows);
    // 0; 1 (with the message) when the printer took pages the journal could not record.
    int End();

private:
    QTextStream &m_err;
    std::unique_ptr<Journal::Database> m_db;
    std::unique_ptr<Journal::Run> m_run;
};

} // namespace Cli

#pragma once
// The print journal: which order was printed when, where, by which run and with which template,
// kept in one SQLite database beside the settings (config/print-journal.db). Every process that
// prints opens it: the window, waybill-cli print and the timed mode.
//
// One row per order per print, in the states
//   claimed  the run took the order before making its page (in a transaction, so that two runs
//            never both take an order they were told to skip);
//   printed  the printer (or the PDF file) took the page; the CUPS job id or the file is kept;
//   failed   the run ended without the printer taking the page;
//   unknown  the run that claimed it was killed: whether the page reached the printer nobody knows.
// Orders are compared by key (see OrderKey). The database runs in WAL mode (readers never wait for
// a printing run), waits up to 30 s for a lock, and carries a schema version that newer programs
// migrate forward; a file from a newer program is refused rather than written over.

#include "platform/Exception.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QSqlError;
class THashTable;

namespace Journal {

// What the journal could not do, in words a seller reads ("打印记录 … 磁盘已满").
class EJournalError : public Exception {
public:
    using Exception::Exception;
};

// The journal file of the program folder: AppPath + config/print-journal.db.
QString DefaultPath();

// The order column whose value identifies an order: [JOURNAL] ORDER_KEY of PRINTER.INI, else
// 订单编号 when the export has that column; -1 (the whole row) when neither names a column.
// 0-based index into OrderColumns.
int KeyColumn();
// A cell as the export means it: without the spreadsheet guard ="…" and a leading apostrophe.
QString CleanValue(const QString &cell);
// The key of an order row: the clean value of the key column, or "row:" and a digest of every
// clean cell when there is no key column (or the row's key cell is empty).
QString OrderKey(const THashTable &row, int keyColumn);
// A digest of a layout file's bytes (empty when it cannot be read, or is no regular file of at most
// 200 MB).
QString LayoutHash(const QString &path);

enum class State { Claimed, Printed, Failed, Unknown };
QString StateName(State state);

// One row of the journal.
struct Entry {
    qint64 Id = 0;
    QString RunId;
    QDateTime Time;      // when claimed, then when the printer took it or the run failed
    QString Template;
    QString LayoutHash;
    QString OrderKey;
    int Row = -1;        // 0-based row of the order in the export the run printed from
    QString Printer;     // the print queue; empty when printed to a file
    QString JobIds;      // CUPS job ids, comma-separated
    QString Output;      // the PDF file, for a print to file
    QString State;
    bool Reprint = false;
};

// What the journal knows of an order before a print: its last print (printed), or a run busy with
// it (claimed), or a run that ended without knowing (unknown).
struct History {
    QString State;
    QDateTime Time;
    QString Printer;
    QString Output;
    QString RunId;
    // "2026-12-11 09:30:02 Capture" or "… /tmp/a.pdf"
    QString Where() const;
};

// A print run's identity and what it prints with.
struct RunInfo {
    QString Kind = QStringLiteral("print"); // print, reprint, auto
    QString Program;                         // window, cli
    QString Template;
    QString LayoutHash;
    QString Printer;
    QString Output;
};

struct RunSummary {
    QString RunId;
    QDateTime Started;
    QString Kind, Program, Template, Printer, Output;
    int Orders = 0, Printed = 0, Failed = 0, Unknown = 0, Claimed = 0;
};

struct Filter {
    QString OrderKey;
    QDateTime Since;
    QString RunId;
};

// An order to claim: its key and its row in the current export.
struct Order {
    QString Key;
    int Row = -1;
};

struct ClaimResult {
    QList<int> Claimed;            // rows now claimed by this run (input order)
    QHash<int, qint64> EntryOfRow; // their journal rows
    QList<int> SkippedPrinted;     // skipping: printed before
    QList<int> SkippedBusy;        // skipping: claimed by a run still going
    QList<int> SkippedUnknown;     // skipping: a killed run may have printed them
    QList<int> Duplicates;         // skipping: the same key already taken in this claim
};

class Database {
public:
    // Opens (creating when missing) and migrates the journal; raises EJournalError.
    explicit Database(const QString &path = DefaultPath());
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    QString Path() const { return m_path; }
    static int SchemaVersion();

    // Claimed rows of runs whose process is gone become unknown; returns how many.
    int SweepAbandoned();

    // The journal's knowledge of each key (keys it does not know are absent).
    QHash<QString, History> Lookup(const QStringList &keys);

    // Starts a run; returns its id.
    QString BeginRun(const RunInfo &info);
    void EndRun(const QString &runId);
    // Claims the orders for the run in one transaction. With skip, orders printed before, claimed
    // by another running process, left unknown, or repeated within the list are not claimed.
    ClaimResult Claim(const QString &runId, const RunInfo &info, const QList<Order> &orders, bool skip);
    // One journal row printed (the printer took its page), with the job ids or the output file.
    void SetPrinted(qint64 entry, const QString &jobIds);
    // A write transaction around many SetPrinted (one commit instead of one per row).
    void Begin();
    void Commit();
    // Every row of the run still claimed becomes failed; returns how many.
    int FailClaimed(const QString &runId);

    QList<Entry> Entries(const Filter &filter);
    QList<RunSummary> Runs(int limit = 500);

    // The timed mode's old record (config/auto-printed.txt: a digest of each printed row's cells,
    // one a line) is taken over once; false when it was taken before.
    bool ImportLegacyDigests(const QStringList &digests);
    // Which of these row digests the old record held.
    QStringList LegacyPrinted(const QStringList &digests);
    // Orders the old record knew as printed, journaled under their keys (a run of kind "migrated").
    void RecordMigrated(const QList<Order> &orders);

    // Raises with the message for an error of the database (used by the statements).
    [[noreturn]] void Fail(const QSqlError &error, const QString &what) const;

    // The SQL connection's name (for the statements of this module).
    const QString &Connection() const { return m_connection; }

private:
    QString m_path;
    QString m_connection;
    QString m_host;
    qint64 m_pid = 0;
    QString m_procStart;

    void Migrate();
    bool ProcessAlive(const QString &host, qint64 pid, const QString &procStart) const;
};

// How long the journal waits for another process's lock, in ms: 30 s
// (WAYBILL_JOURNAL_BUSY_MS changes it, for tests).
int BusyTimeoutMs();

} // namespace Journal

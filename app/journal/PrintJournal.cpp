#include "app/journal/PrintJournal.h"

#include "app/Hashtable.h"
#include "app/TemplateClS.h"
#include "platform/IniFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>

#include <QSet>

#include <atomic>
#include <functional>
#include <unistd.h>

namespace Journal {

namespace {

const int kSchemaVersion = 1;

// Schema steps: kMigrations[v] takes a journal from version v to v + 1.
const char *const kMigrations[][8] = {
    {
        "CREATE TABLE runs ("
        " run_id TEXT PRIMARY KEY, started TEXT NOT NULL, finished TEXT,"
        " kind TEXT NOT NULL, program TEXT, template TEXT, layout_hash TEXT, printer TEXT, output TEXT,"
        " host TEXT, pid INTEGER, proc_start TEXT)",
        "CREATE TABLE prints ("
        " id INTEGER PRIMARY KEY, run_id TEXT NOT NULL REFERENCES runs(run_id), time TEXT NOT NULL,"
        " template TEXT, layout_hash TEXT, order_key TEXT NOT NULL, order_row INTEGER,"
        " printer TEXT, job_id TEXT, output TEXT,"
        " state TEXT NOT NULL CHECK (state IN ('claimed', 'printed', 'failed', 'unknown')),"
        " reprint INTEGER NOT NULL DEFAULT 0)",
        "CREATE INDEX prints_order ON prints(order_key, id)",
        "CREATE INDEX prints_run ON prints(run_id)",
        "CREATE INDEX prints_claimed ON prints(run_id) WHERE state = 'claimed'",
        "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT)",
        "CREATE TABLE legacy_digests (digest TEXT PRIMARY KEY)",
        nullptr,
    },
};
static_assert(std::size(kMigrations) == kSchemaVersion);

const QStringList kOwnTables = {QStringLiteral("runs"), QStringLiteral("prints"), QStringLiteral("meta"),
                                QStringLiteral("legacy_digests")};

QString Now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QDateTime ReadTime(const QVariant &value)
{
    QDateTime t = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return t.isValid() ? t.toLocalTime() : t;
}

QString ReadFirstLine(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine().trimmed()) : QString();
}

// When a process started, as the kernel counts it, with the boot it belongs to: a pid that was
// reused by another process gives another value.
QString ProcessStart(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray stat = file.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return QString();
    // After the command's name: state is field 3, the start time field 22.
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 20)
        return QString();
    static const QString boot = ReadFirstLine(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return boot + u':' + QString::fromLatin1(fields[19]);
}

std::atomic<int> g_connections{0};

// A statement of the journal that raises EJournalError with a seller's message when it fails.
class Statement {
public:
    Statement(const Database &db, const QString &sql) : m_db(db), m_query(QSqlDatabase::database(db.Connection(), false))
    {
        if (!m_query.prepare(sql))
            m_db.Fail(m_query.lastError(), sql);
    }
    Statement &Bind(const QVariant &value)
    {
        m_query.addBindValue(value);
        return *this;
    }
    QSqlQuery &Run()
    {
        if (!m_query.exec())
            m_db.Fail(m_query.lastError(), m_query.lastQuery());
        return m_query;
    }
    QSqlQuery &Query() { return m_query; }

private:
    const Database &m_db;
    QSqlQuery m_query;
};

void Exec(const Database &db, const QString &sql)
{
    Statement(db, sql).Run();
}

// A write transaction taken at once (BEGIN IMMEDIATE): a second process waits here, before it
// reads what the first one is about to write. Rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(const Database &db) : m_db(db) { Exec(db, QStringLiteral("BEGIN IMMEDIATE")); }
    ~WriteTransaction()
    {
        if (!m_done) {
            QSqlQuery rollback(QSqlDatabase::database(m_db.Connection(), false));
            rollback.exec(QStringLiteral("ROLLBACK"));
        }
    }
    void Commit()
    {
        Exec(m_db, QStringLiteral("COMMIT"));
        m_done = true;
    }

private:
    const Database &m_db;
    bool m_done = false;
};

History ReadHistory(QSqlQuery &q)
{
    History h;
    h.State = q.value(0).toString();
    h.Time = ReadTime(q.value(1));
    h.Printer = q.value(2).toString();
    h.Output = q.value(3).toString();
    h.RunId = q.value(4).toString();
    return h;
}

const char *const kHistorySql =
    "SELECT state, time, printer, output, run_id FROM prints WHERE order_key = ? AND state IN "
    "('printed', 'claimed', 'unknown') ORDER BY state = 'printed' DESC, id DESC LIMIT 1";

} // namespace

QString DefaultPath()
{
    return AppPath + QStringLiteral("config/print-journal.db");
}

int BusyTimeoutMs()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("WAYBILL_JOURNAL_BUSY_MS", &ok);
    return ok && ms >= 0 ? ms : 30000;
}

int KeyColumn()
{
    const QString wanted =
        IniFile(PrinterIniPath()).ReadString(QStringLiteral("JOURNAL"), QStringLiteral("ORDER_KEY"), QString()).trimmed();
    const QString name = wanted.isEmpty() ? QStringLiteral("订单编号") : wanted;
    for (int j = 0; j < OrderColumns.size(); ++j)
        if (OrderColumns[j].ColName == name)
            return j;
    return -1;
}

QString CleanValue(const QString &cell)
{
    QStringView v = QStringView(cell).trimmed();
    if (v.size() >= 3 && v.startsWith(u"=\"") && v.endsWith(u'"'))
        v = v.mid(2, v.size() - 3);
    if (v.startsWith(u'\''))
        v = v.mid(1);
    return v.trimmed().toString();
}

QString OrderKey(const THashTable &row, int keyColumn)
{
    if (keyColumn >= 0) {
        const QString key = CleanValue(row.LookupValue(QStringLiteral("C%1").arg(keyColumn + 1)));
        if (!key.isEmpty())
            return key;
    }
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int j = 1; j <= OrderColumns.size(); ++j) {
        hash.addData(CleanValue(row.LookupValue(QStringLiteral("C%1").arg(j))).toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
    }
    return QStringLiteral("row:") + QString::fromLatin1(hash.result().toHex());
}

QString LayoutHash(const QString &path)
{
    // Only what the layout reader would read: a regular file of a sane size (not a pipe or device).
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > 200LL * 1024 * 1024)
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex().left(16));
}

QString StateName(State state)
{
    switch (state) {
    case State::Claimed:
        return QStringLiteral("claimed");
    case State::Printed:
        return QStringLiteral("printed");
    case State::Failed:
        return QStringLiteral("failed");
    case State::Unknown:
        return QStringLiteral("unknown");
    }
    return QString();
}

QString History::Where() const
{
    const QString when = Time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString where = !Printer.isEmpty() ? Printer : Output;
    return where.isEmpty() ? when : when + u' ' + where;
}

// ---- the database -------------------------------------------------------------------------------

Database::Database(const QString &path) : m_path(QFileInfo(path).absoluteFilePath())
{
    m_connection = QStringLiteral("print-journal-%1").arg(++g_connections);
    m_host = QSysInfo::machineHostName();
    m_pid = ::getpid();
    m_procStart = ProcessStart(m_pid);

    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile())
        throw EJournalError(QStringLiteral("打印记录 %1 不是文件").arg(QDir::toNativeSeparators(m_path)));
    if (!QDir().mkpath(info.absolutePath()))
        throw EJournalError(QStringLiteral("打印记录的文件夹 %1 无法建立").arg(QDir::toNativeSeparators(info.absolutePath())));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        throw EJournalError(QStringLiteral("打印记录需要 Qt 的 SQLite 驱动 (Debian 软件包 libqt6sql6-sqlite)"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs()));
        if (!db.open()) {
            const QSqlError error = db.lastError();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_connection);
            throw EJournalError(QStringLiteral("打印记录 %1 无法打开: %2")
                                    .arg(QDir::toNativeSeparators(m_path), error.databaseText()));
        }
    }
    try {
        Migrate();
    } catch (...) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
}

Database::~Database()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

int Database::SchemaVersion()
{
    return kSchemaVersion;
}

void Database::Fail(const QSqlError &error, const QString &what) const
{
    const QString file = QDir::toNativeSeparators(m_path);
    const int code = error.nativeErrorCode().toInt() & 0xff;
    switch (code) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        throw EJournalError(QStringLiteral("打印记录 %1 被另一个程序占用, 等了 %2 秒仍未放开")
                                .arg(file)
                                .arg(BusyTimeoutMs() / 1000.0));
    case 8:  // SQLITE_READONLY
    case 14: // SQLITE_CANTOPEN
    case 23: // SQLITE_AUTH
        throw EJournalError(QStringLiteral("打印记录 %1 无法写入 (文件或文件夹只读)").arg(file));
    case 13: // SQLITE_FULL
        throw EJournalError(QStringLiteral("打印记录 %1 无法写入: 磁盘已满").arg(file));
    case 10: // SQLITE_IOERR
        throw EJournalError(QStringLiteral("打印记录 %1 读写出错 (磁盘已满或损坏?): %2").arg(file, error.databaseText()));
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        throw EJournalError(QStringLiteral("%1 不是打印记录 (不是 SQLite 数据库, 或已损坏)").arg(file));
    default:
        break;
    }
    Q_UNUSED(what);
    throw EJournalError(QStringLiteral("打印记录 %1 出错: %2").arg(file, error.text()));
}

void Database::Migrate()
{
    // WAL: a run that prints does not keep readers (the window, waybill-cli journal) waiting; a
    // file system without shared memory keeps the rollback journal, which is slower but the same.
    Exec(*this, QStringLiteral("PRAGMA journal_mode = WAL"));
    // In WAL mode NORMAL loses nothing when a process dies, only the last commits on power loss.
    Exec(*this, QStringLiteral("PRAGMA synchronous = NORMAL"));
    WriteTransaction tx(*this);
    Statement userVersion(*this, QStringLiteral("PRAGMA user_version"));
    QSqlQuery &v = userVersion.Run();
    const int version = v.next() ? v.value(0).toInt() : 0;
    if (version > kSchemaVersion)
        throw EJournalError(QStringLiteral("打印记录 %1 来自较新版本的程序 (格式 %2, 本程序只认得到 %3); 请用新版本打印")
                                .arg(QDir::toNativeSeparators(m_path))
                                .arg(version)
                                .arg(kSchemaVersion));
    if (version == 0) {
        // An empty new file, or a database of something else, which is left alone.
        Statement tables(*this, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
        QSqlQuery &q = tables.Run();
        while (q.next())
            if (!kOwnTables.contains(q.value(0).toString()))
                throw EJournalError(QStringLiteral("%1 是别的数据库, 不是打印记录").arg(QDir::toNativeSeparators(m_path)));
    }
    if (version == kSchemaVersion)
        return; // nothing to write: the transaction is rolled back
    for (int step = version; step < kSchemaVersion; ++step)
        for (const char *const *sql = kMigrations[step]; *sql; ++sql)
            Exec(*this, QString::fromLatin1(*sql));
    Exec(*this, QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    tx.Commit();
}

bool Database::ProcessAlive(const QString &host, qint64 pid, const QString &procStart) const
{
    // Another computer's processes cannot be seen from here.
    if (host != m_host)
        return true;
    if (pid == m_pid)
        return procStart == m_procStart;
    const QString now = ProcessStart(pid);
    return !now.isEmpty() && now == procStart;
}

namespace {

// Claimed rows of runs whose process has gone become unknown; within the caller's transaction.
int SweepIn(Database &db, const std::function<bool(const QString &, qint64, const QString &)> &alive)
{
    Statement find(db, QStringLiteral("SELECT DISTINCT r.run_id, r.host, r.pid, r.proc_start FROM prints p "
                                      "JOIN runs r ON r.run_id = p.run_id WHERE p.state = 'claimed'"));
    QSqlQuery &q = find.Run();
    QStringList dead;
    while (q.next())
        if (!alive(q.value(1).toString(), q.value(2).toLongLong(), q.value(3).toString()))
            dead << q.value(0).toString();
    int swept = 0;
    for (const QString &run : std::as_const(dead)) {
        Statement update(db, QStringLiteral("UPDATE prints SET state = 'unknown' WHERE run_id = ? AND state = 'claimed'"));
        swept += update.Bind(run).Run().numRowsAffected();
        Statement end(db, QStringLiteral("UPDATE runs SET finished = COALESCE(finished, ?) WHERE run_id = ?"));
        end.Bind(Now()).Bind(run).Run();
    }
    return swept;
}

} // namespace

int Database::SweepAbandoned()
{
    WriteTransaction tx(*this);
    const int swept = SweepIn(*this, [this](const QString &h, qint64 p, const QString &s) { return ProcessAlive(h, p, s); });
    tx.Commit();
    return swept;
}

QHash<QString, History> Database::Lookup(const QStringList &keys)
{
    QHash<QString, History> known;
    Exec(*this, QStringLiteral("BEGIN"));
    try {
        Statement q(*this, QString::fromLatin1(kHistorySql));
        for (const QString &key : keys) {
            if (known.contains(key))
                continue;
            QSqlQuery &r = q.Bind(key).Run();
            if (r.next())
                known.insert(key, ReadHistory(r));
            r.finish();
        }
    } catch (...) {
        QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    Exec(*this, QStringLiteral("COMMIT"));
    return known;
}

QString Database::BeginRun(const RunInfo &info)
{
    const QString runId = QStringLiteral("%1-%2-%3")
                              .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")))
                              .arg(m_pid)
                              .arg(QRandomGenerator::global()->bounded(0x10000), 4, 16, QLatin1Char('0'));
    Statement insert(*this, QStringLiteral("INSERT INTO runs (run_id, started, kind, program, template, layout_hash, "
                                           "printer, output, host, pid, proc_start) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    insert.Bind(runId).Bind(Now()).Bind(info.Kind).Bind(info.Program).Bind(info.Template).Bind(info.LayoutHash);
    insert.Bind(info.Printer).Bind(info.Output).Bind(m_host).Bind(m_pid).Bind(m_procStart).Run();
    return runId;
}

void Database::EndRun(const QString &runId)
{
    Statement(*this, QStringLiteral("UPDATE runs SET finished = ? WHERE run_id = ?")).Bind(Now()).Bind(runId).Run();
}

ClaimResult Database::Claim(const QString &runId, const RunInfo &info, const QList<Order> &orders, bool skip)
{
    ClaimResult result;
    WriteTransaction tx(*this);
    SweepIn(*this, [this](const QString &h, qint64 p, const QString &s) { return ProcessAlive(h, p, s); });
    Statement history(*this, QString::fromLatin1(kHistorySql));
    Statement insert(*this, QStringLiteral("INSERT INTO prints (run_id, time, template, layout_hash, order_key, "
                                           "order_row, printer, output, state, reprint) "
                                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, 'claimed', ?)"));
    const QString now = Now();
    QSet<QString> taken;
    for (const Order &order : orders) {
        if (skip && taken.contains(order.Key)) {
            result.Duplicates << order.Row;
            continue;
        }
        QSqlQuery &h = history.Bind(order.Key).Run();
        const QString state = h.next() ? h.value(0).toString() : QString();
        h.finish();
        if (skip && state == QLatin1String("printed")) {
            result.SkippedPrinted << order.Row;
            continue;
        }
        if (skip && state == QLatin1String("claimed")) {
            result.SkippedBusy << order.Row;
            continue;
        }
        if (skip && state == QLatin1String("unknown")) {
            result.SkippedUnknown << order.Row;
            continue;
        }
        const bool reprint = info.Kind == QLatin1String("reprint") || state == QLatin1String("printed");
        insert.Bind(runId).Bind(now).Bind(info.Template).Bind(info.LayoutHash).Bind(order.Key).Bind(order.Row);
        insert.Bind(info.Printer).Bind(info.Output).Bind(int(reprint));
        QSqlQuery &q = insert.Run();
        result.Claimed << order.Row;
        result.EntryOfRow.insert(order.Row, q.lastInsertId().toLongLong());
        taken.insert(order.Key);
    }
    tx.Commit();
    return result;
}

void Database::SetPrinted(qint64 entry, const QString &jobIds)
{
    Statement(*this, QStringLiteral("UPDATE prints SET state = 'printed', time = ?, job_id = ? WHERE id = ?"))
        .Bind(Now())
        .Bind(jobIds.isEmpty() ? QVariant() : QVariant(jobIds))
        .Bind(entry)
        .Run();
}

void Database::Begin()
{
    Exec(*this, QStringLiteral("BEGIN IMMEDIATE"));
}

void Database::Commit()
{
    Exec(*this, QStringLiteral("COMMIT"));
}

int Database::FailClaimed(const QString &runId)
{
    return Statement(*this, QStringLiteral("UPDATE prints SET state = 'failed', time = ? WHERE run_id = ? AND state = 'claimed'"))
        .Bind(Now())
        .Bind(runId)
        .Run()
        .numRowsAffected();
}

QList<Entry> Database::Entries(const Filter &filter)
{
    QString sql = QStringLiteral("SELECT id, run_id, time, template, layout_hash, order_key, order_row, printer, "
                                 "job_id, output, state, reprint FROM prints WHERE 1");
    QVariantList values;
    if (!filter.OrderKey.isEmpty()) {
        sql += QStringLiteral(" AND order_key = ?");
        values << CleanValue(filter.OrderKey);
    }
    if (filter.Since.isValid()) {
        sql += QStringLiteral(" AND time >= ?");
        values << filter.Since.toUTC().toString(Qt::ISODateWithMs);
    }
    if (!filter.RunId.isEmpty()) {
        sql += QStringLiteral(" AND run_id = ?");
        values << filter.RunId;
    }
    sql += QStringLiteral(" ORDER BY id");
    Statement select(*this, sql);
    for (const QVariant &v : std::as_const(values))
        select.Bind(v);
    QSqlQuery &q = select.Run();
    QList<Entry> entries;
    while (q.next()) {
        Entry e;
        e.Id = q.value(0).toLongLong();
        e.RunId = q.value(1).toString();
        e.Time = ReadTime(q.value(2));
        e.Template = q.value(3).toString();
        e.LayoutHash = q.value(4).toString();
        e.OrderKey = q.value(5).toString();
        e.Row = q.value(6).isNull() ? -1 : q.value(6).toInt();
        e.Printer = q.value(7).toString();
        e.JobIds = q.value(8).toString();
        e.Output = q.value(9).toString();
        e.State = q.value(10).toString();
        e.Reprint = q.value(11).toInt() != 0;
        entries << e;
    }
    return entries;
}

QList<RunSummary> Database::Runs(int limit)
{
    Statement select(*this, QStringLiteral(
                                "SELECT r.run_id, r.started, r.kind, r.program, r.template, r.printer, r.output, "
                                "COUNT(p.id), TOTAL(p.state = 'printed'), TOTAL(p.state = 'failed'), "
                                "TOTAL(p.state = 'unknown'), TOTAL(p.state = 'claimed') "
                                "FROM runs r LEFT JOIN prints p ON p.run_id = r.run_id "
                                "GROUP BY r.run_id ORDER BY r.started DESC, r.rowid DESC LIMIT ?"));
    QSqlQuery &q = select.Bind(limit).Run();
    QList<RunSummary> runs;
    while (q.next()) {
        RunSummary r;
        r.RunId = q.value(0).toString();
        r.Started = ReadTime(q.value(1));
        r.Kind = q.value(2).toString();
        r.Program = q.value(3).toString();
        r.Template = q.value(4).toString();
        r.Printer = q.value(5).toString();
        r.Output = q.value(6).toString();
        r.Orders = q.value(7).toInt();
        r.Printed = int(q.value(8).toDouble());
        r.Failed = int(q.value(9).toDouble());
        r.Unknown = int(q.value(10).toDouble());
        r.Claimed = int(q.value(11).toDouble());
        runs << r;
    }
    return runs;
}

bool Database::ImportLegacyDigests(const QStringList &digests)
{
    WriteTransaction tx(*this);
    Statement imported(*this, QStringLiteral("SELECT value FROM meta WHERE key = 'auto-printed-imported'"));
    QSqlQuery &done = imported.Run();
    if (done.next())
        return false;
    Statement insert(*this, QStringLiteral("INSERT OR IGNORE INTO legacy_digests (digest) VALUES (?)"));
    for (const QString &digest : digests)
        insert.Bind(digest).Run();
    Statement(*this, QStringLiteral("INSERT INTO meta (key, value) VALUES ('auto-printed-imported', ?)"))
        .Bind(QStringLiteral("%1 %2").arg(Now()).arg(digests.size()))
        .Run();
    tx.Commit();
    return true;
}

QStringList Database::LegacyPrinted(const QStringList &digests)
{
    QStringList found;
    Statement select(*this, QStringLiteral("SELECT 1 FROM legacy_digests WHERE digest = ?"));
    for (const QString &digest : digests) {
        QSqlQuery &q = select.Bind(digest).Run();
        if (q.next())
            found << digest;
        q.finish();
    }
    return found;
}

void Database::RecordMigrated(const QList<Order> &orders)
{
    if (orders.isEmpty())
        return;
    RunInfo info;
    info.Kind = QStringLiteral("migrated");
    info.Program = QStringLiteral("auto-printed.txt");
    WriteTransaction tx(*this);
    const QString runId = BeginRun(info);
    Statement insert(*this, QStringLiteral("INSERT INTO prints (run_id, time, order_key, order_row, state) "
                                           "VALUES (?, ?, ?, ?, 'printed')"));
    const QString now = Now();
    for (const Order &order : orders)
        insert.Bind(runId).Bind(now).Bind(order.Key).Bind(order.Row).Run();
    EndRun(runId);
    tx.Commit();
}

} // namespace Journal

#include "app/journal/JournalAuto.h"

#include "app/AutoPrint.h"
#include "app/TemplateClS.h"

#include <QFile>
#include <QSet>

namespace Journal {

namespace {

QStringList ReadDigests(const QString &path)
{
    QStringList digests;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return digests;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QByteArray digest = line.trimmed();
        if (digest.size() == 40)
            digests << QString::fromLatin1(digest);
    }
    return digests;
}

} // namespace

AutoJournal::AutoJournal(const QString &legacyPath)
{
    if (QFile::exists(legacyPath))
        m_db.ImportLegacyDigests(ReadDigests(legacyPath));
}

AutoJournal::~AutoJournal() = default;

AutoJournal::Plan AutoJournal::Survey()
{
    Plan plan;
    plan.Abandoned = m_db.SweepAbandoned();
    QList<int> rows;
    for (size_t r = 0; r < OrderRows.size(); ++r)
        rows << int(r);
    const QHash<int, QString> keys = KeysOf(rows);
    const QHash<QString, History> known = m_db.Lookup(keys.values());

    // Orders the old record knew (by their whole row) and the journal does not yet: journaled
    // under their keys now, so that a later change of any cell does not make them new.
    QHash<QString, int> digestRows;
    for (int row : std::as_const(rows))
        if (!known.contains(keys.value(row)))
            digestRows.insert(QString::fromLatin1(TPrintedOrders::Key(OrderRows[size_t(row)])), row);
    QSet<QString> migrated;
    if (!digestRows.isEmpty()) {
        QList<Order> orders;
        for (const QString &digest : m_db.LegacyPrinted(digestRows.keys())) {
            const int row = digestRows.value(digest);
            orders.append({keys.value(row), row});
            migrated.insert(keys.value(row));
        }
        m_db.RecordMigrated(orders);
    }

    QSet<QString> seen;
    for (int row : std::as_const(rows)) {
        const QString &key = keys.value(row);
        const auto it = known.constFind(key);
        if (migrated.contains(key) || (it != known.cend() && it->State == QLatin1String("printed")))
            plan.Printed << row;
        else if (it != known.cend() && it->State == QLatin1String("unknown"))
            plan.Unknown << row;
        else if (it != known.cend())
            plan.Busy << row;
        else if (seen.contains(key))
            plan.Duplicates << row;
        else
            plan.Fresh << row;
        seen.insert(key);
    }
    return plan;
}

QList<int> AutoJournal::Claim(const QList<int> &rows)
{
    RunInfo info;
    info.Kind = QStringLiteral("auto");
    info.Program = QStringLiteral("auto");
    info.Printer = CurrPrinter;
    m_run = std::make_unique<Run>(m_db, info);
    return m_run->Claim(rows, true).Claimed;
}

QString AutoJournal::RecordError()
{
    if (!m_run)
        return QString();
    m_run->Commit();
    return m_run->RecordError();
}

} // namespace Journal

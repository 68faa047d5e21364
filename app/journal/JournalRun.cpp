#include "app/journal/JournalRun.h"

#include "app/TemplateClS.h"
#include "engine/print/frxPrinter.h"

namespace Journal {

namespace {
Run *g_current = nullptr;
} // namespace

QHash<int, QString> KeysOf(const QList<int> &rows)
{
    const int column = KeyColumn();
    QHash<int, QString> keys;
    keys.reserve(rows.size());
    for (int row : rows)
        if (row >= 0 && size_t(row) < OrderRows.size())
            keys.insert(row, OrderKey(OrderRows[size_t(row)], column));
    return keys;
}

Survey SurveyRows(Database &db, const QList<int> &rows)
{
    Survey survey;
    survey.KeyOfRow = KeysOf(rows);
    db.SweepAbandoned();
    const QHash<QString, History> known = db.Lookup(survey.KeyOfRow.values());
    for (int row : rows) {
        auto it = known.find(survey.KeyOfRow.value(row));
        if (it == known.end())
            continue;
        survey.OfRow.insert(row, *it);
        if (it->State == QLatin1String("printed")) {
            survey.Printed << row;
            if (!survey.Latest.Time.isValid() || it->Time > survey.Latest.Time)
                survey.Latest = *it;
        } else if (it->State == QLatin1String("unknown")) {
            survey.Unknown << row;
        } else {
            survey.Busy << row;
        }
    }
    return survey;
}

QString RowLabel(int row, const QString &key)
{
    if (key.startsWith(QLatin1String("row:")))
        return QStringLiteral("第 %1 行").arg(row + 1);
    return QStringLiteral("第 %1 行 (订单 %2)").arg(row + 1).arg(key);
}

Run::Run(Database &db, RunInfo info) : m_db(db), m_info(std::move(info))
{
    if (m_info.Template.isEmpty() && CurrTemplate)
        m_info.Template = CurrTemplate->TmpName;
    if (m_info.LayoutHash.isEmpty() && CurrTemplate)
        m_info.LayoutHash = LayoutHash(CurrTemplate->LayoutPath());
    m_id = m_db.BeginRun(m_info);
    m_previous = g_current;
    g_current = this;
}

Run::~Run()
{
    g_current = m_previous;
    Commit();
    try {
        if (m_recordError.isEmpty())
            m_db.FailClaimed(m_id);
        m_db.EndRun(m_id);
    } catch (const std::exception &) {
        // What could not be closed is found by the next run: its claims turn unknown.
    }
}

Run *Run::Current()
{
    return g_current;
}

ClaimResult Run::Claim(const QList<int> &rows, bool skip)
{
    const QHash<int, QString> keys = KeysOf(rows);
    QList<Order> orders;
    orders.reserve(rows.size());
    for (int row : rows)
        orders.append({keys.value(row), row});
    ClaimResult result = m_db.Claim(m_id, m_info, orders, skip);
    for (auto it = result.EntryOfRow.cbegin(); it != result.EntryOfRow.cend(); ++it)
        m_entryOfRow.insert(it.key(), it.value());
    return result;
}

void Run::Printed(int row)
{
    const auto it = m_entryOfRow.constFind(row);
    if (it == m_entryOfRow.cend())
        return;
    QStringList jobs;
    if (TfrxCustomPrinter *printer = Printers().CurrentPrinter(); printer && m_info.Output.isEmpty())
        for (int id : printer->JobIds())
            jobs << QString::number(id);
    try {
        if (!m_open) {
            m_db.Begin();
            m_open = true;
        }
        m_db.SetPrinted(*it, jobs.join(u','));
        ++m_printed;
    } catch (const std::exception &e) {
        if (m_recordError.isEmpty())
            m_recordError = ExceptionText(e);
    }
}

void Run::Commit()
{
    if (!m_open)
        return;
    m_open = false;
    try {
        m_db.Commit();
    } catch (const std::exception &e) {
        if (m_recordError.isEmpty())
            m_recordError = ExceptionText(e);
    }
}

void RecordPrinted(int row)
{
    if (g_current)
        g_current->Printed(row);
}

} // namespace Journal

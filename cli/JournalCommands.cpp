#include "cli/JournalCommands.h"

#include "app/journal/JournalRun.h"
#include "cli/CliCommands.h"

#include <QFileInfo>

namespace {

const char *const kJournalUsage = "usage: waybill-cli [--home DIR] journal [--order KEY] [--since DATE] [--run ID] [--json]\n";

// At most this many rows are named one by one in a message; the rest are counted.
const int kListed = 20;

void ListRows(QTextStream &err, const QList<int> &rows, const Journal::Survey &survey, bool withWhere)
{
    for (int i = 0; i < rows.size() && i < kListed; ++i) {
        const int row = rows[i];
        err << "  " << Journal::RowLabel(row, survey.KeyOfRow.value(row));
        if (withWhere)
            err << ": " << survey.OfRow.value(row).Where();
        err << '\n';
    }
    if (rows.size() > kListed)
        err << "  " << QStringLiteral("… 另有 %1 个").arg(rows.size() - kListed) << '\n';
}

QDateTime ParseSince(const QString &text)
{
    for (const char *format : {"yyyy-MM-dd", "yyyy-MM-dd HH:mm", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm",
                               "yyyy-MM-ddTHH:mm:ss"}) {
        const QDateTime t = QDateTime::fromString(text.trimmed(), QLatin1String(format));
        if (t.isValid())
            return t;
    }
    return QDateTime::fromString(text.trimmed(), Qt::ISODate);
}

} // namespace

namespace Cli {

JournaledPrint::JournaledPrint(QTextStream &err) : m_err(err) {}

JournaledPrint::~JournaledPrint() = default;

int JournaledPrint::Begin(int start, int count, bool skip, const QString &printer, const QString &output,
                          QList<int> &rows)
{
    rows.clear();
    for (int r = start; r < start + count; ++r)
        rows << r;
    try {
        m_db = std::make_unique<Journal::Database>();
        const Journal::Survey survey = Journal::SurveyRows(*m_db, rows);
        if (!survey.Printed.isEmpty()) {
            m_err << "waybill-cli: "
                  << QStringLiteral("%1 个订单以前打印过 (最近一次 %2):").arg(survey.Printed.size()).arg(survey.Latest.Where())
                  << '\n';
            ListRows(m_err, survey.Printed, survey, true);
        }
        if (!survey.Unknown.isEmpty()) {
            m_err << "waybill-cli: "
                  << QStringLiteral("%1 个订单的打印中断了, 不知是否已打印 (请查看打印机):").arg(survey.Unknown.size())
                  << '\n';
            ListRows(m_err, survey.Unknown, survey, true);
        }
        Journal::RunInfo info;
        info.Program = QStringLiteral("cli");
        info.Printer = output.isEmpty() ? printer : QString();
        info.Output = output;
        m_run = std::make_unique<Journal::Run>(*m_db, info);
        const Journal::ClaimResult claim = m_run->Claim(rows, skip);
        auto say = [&](const QList<int> &skipped, const QString &text) {
            if (!skipped.isEmpty())
                m_err << "waybill-cli: " << text.arg(skipped.size()) << '\n';
        };
        say(claim.SkippedPrinted, QStringLiteral("跳过 %1 个已打印过的订单"));
        say(claim.SkippedBusy, QStringLiteral("跳过 %1 个另一个打印正在打印的订单"));
        say(claim.SkippedUnknown,
            QStringLiteral("跳过 %1 个不知是否已打印的订单 (确认没有打印出来后, 不加 --skip-printed 再打印)"));
        say(claim.Duplicates, QStringLiteral("跳过 %1 个在订单文件中重复的订单"));
        rows = claim.Claimed;
    } catch (const Journal::EJournalError &e) {
        m_run.reset();
        m_db.reset();
        m_err << "waybill-cli: " << e.Message() << '\n'
              << "waybill-cli: " << QStringLiteral("没有打印 (不记录打印记录也要打印, 请加 --no-journal)") << '\n';
        return 1;
    }
    if (rows.isEmpty()) {
        m_err << "waybill-cli: " << QStringLiteral("没有要打印的订单") << '\n';
        return 0;
    }
    return -1;
}

int JournaledPrint::End()
{
    if (m_run)
        m_run->Commit();
    if (!m_run || m_run->RecordError().isEmpty())
        return 0;
    m_err << "waybill-cli: " << m_run->RecordError() << '\n'
          << "waybill-cli: " << QStringLiteral("订单已打印, 但打印记录没有记下; 下次打印会把它们列为不知是否已打印") << '\n';
    return 1;
}

int JournalList(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList args = arguments;
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    Journal::Filter filter;
    for (int i = 0; i < args.size(); i += 2) {
        const QString &name = args[i];
        const QString value = args.value(i + 1);
        if (i + 1 >= args.size() || value.isEmpty()) {
            err << "waybill-cli: option " << name << " needs a value\n" << kJournalUsage;
            return 2;
        }
        if (name == QLatin1String("--order")) {
            filter.OrderKey = value;
        } else if (name == QLatin1String("--run")) {
            filter.RunId = value;
        } else if (name == QLatin1String("--since")) {
            filter.Since = ParseSince(value);
            if (!filter.Since.isValid()) {
                err << "waybill-cli: option --since wants a date (2026-12-11 or 2026-12-11 08:30), not '" << value
                    << "'\n";
                return 2;
            }
        } else {
            err << "waybill-cli: unknown option " << name << '\n' << kJournalUsage;
            return 2;
        }
    }
    // Reading the journal makes none.
    if (!QFileInfo::exists(Journal::DefaultPath())) {
        err << "waybill-cli: " << QStringLiteral("还没有打印记录 (%1)").arg(Journal::DefaultPath()) << '\n';
        return 0;
    }
    QList<Journal::Entry> entries;
    try {
        Journal::Database db;
        db.SweepAbandoned();
        entries = db.Entries(filter);
    } catch (const Journal::EJournalError &e) {
        err << "waybill-cli: " << e.Message() << '\n';
        return 1;
    }
    for (const Journal::Entry &e : std::as_const(entries)) {
        const QString time = e.Time.toString(Qt::ISODate);
        if (json) {
            out << "{\"time\": " << JsonString(time) << ", \"run\": " << JsonString(e.RunId)
                << ", \"order\": " << JsonString(e.OrderKey) << ", \"row\": " << (e.Row >= 0 ? e.Row + 1 : 0)
                << ", \"state\": " << JsonString(e.State) << ", \"reprint\": " << (e.Reprint ? "true" : "false")
                << ", \"template\": " << JsonString(e.Template) << ", \"layout_hash\": " << JsonString(e.LayoutHash)
                << ", \"printer\": " << JsonString(e.Printer) << ", \"job\": " << JsonString(e.JobIds)
                << ", \"output\": " << JsonString(e.Output) << "}\n";
        } else {
            out << time << '\t' << e.RunId << '\t' << e.State << (e.Reprint ? "\treprint" : "\t-") << '\t'
                << e.OrderKey << '\t' << (e.Row >= 0 ? e.Row + 1 : 0) << '\t' << e.Template << '\t'
                << (e.Printer.isEmpty() ? e.Output : e.Printer) << '\t' << (e.JobIds.isEmpty() ? QStringLiteral("-") : e.JobIds)
                << '\n';
        }
    }
    return 0;
}

} // namespace Cli

#include "cli/CliProgress.h"

#include "report/host/frxPreviewPagesBase.h"
#include "report/model/frxDataSet.h"

namespace {
const int Building = 0;
const int Printing = 2;

// The rows a build walks: a dataset of the report limited to a count of rows (the print driver's).
int RowsToBuild(TfrxReport *report)
{
    int total = 0;
    const TfrxReportDataSets *sets = report->Datasets();
    for (int i = 0; i < sets->Count(); ++i)
        if (const TfrxDataSet *set = sets->Items(i)->DataSet())
            if (set->RangeEnd() == frx::reCount)
                total = std::max(total, set->RangeEndCount());
    return total;
}

QString Duration(qint64 seconds)
{
    if (seconds >= 3600)
        return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
    if (seconds >= 60)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 s").arg(seconds);
}
} // namespace

Cli::ProgressLine::ProgressLine(std::function<void(const QString &)> write, int intervalMs)
    : m_write(std::move(write)), m_intervalMs(intervalMs)
{
}

Cli::ProgressLine::~ProgressLine()
{
    if (m_visible)
        m_write(QStringLiteral("\r\033[K"));
}

void Cli::ProgressLine::Start(TfrxReport *report, int kind)
{
    if (kind != Building && kind != Printing)
        return;
    m_kind = kind;
    m_phase.start();
    if (kind == Building) {
        m_built = 0;
        m_buildTotal = RowsToBuild(report);
        m_printed = m_printTotal = 0;
    } else {
        m_printed = 0;
        TfrxCustomPreviewPages *pages = report->PreviewPages();
        m_printTotal = pages ? pages->Count() : 0;
    }
    Show(true);
}

void Cli::ProgressLine::Progress(TfrxReport *, int kind, int progress)
{
    if (kind == Building)
        m_built = progress;
    else if (kind == Printing)
        m_printed = progress;
    else
        return;
    Show(false);
}

void Cli::ProgressLine::Stop(TfrxReport *, int kind)
{
    if (kind != m_kind)
        return;
    Show(true);
    if (kind == Printing && m_visible) {
        m_write(QStringLiteral("\r\033[K"));
        m_visible = false;
    }
}

QString Cli::ProgressLine::Text() const
{
    QString text = QStringLiteral("orders built %1").arg(m_built);
    if (m_buildTotal > 0)
        text += QStringLiteral("/%1").arg(m_buildTotal);
    int done = m_built, total = m_buildTotal;
    QString unit = QStringLiteral("orders/s");
    if (m_kind == Printing) {
        text += QStringLiteral(", pages printed %1/%2").arg(m_printed).arg(m_printTotal);
        done = m_printed;
        total = m_printTotal;
        unit = QStringLiteral("pages/s");
    }
    const qint64 ms = m_phase.isValid() ? m_phase.elapsed() : 0;
    if (ms >= 300 && done > 0) {
        const double rate = done * 1000.0 / double(ms);
        text += QStringLiteral(", %1 %2").arg(rate, 0, 'f', rate < 10 ? 1 : 0).arg(unit);
        if (total > done)
            text += QStringLiteral(", %1 left").arg(Duration(qint64((total - done) / rate + 0.5)));
    }
    return text;
}

void Cli::ProgressLine::Show(bool force)
{
    if (!force && m_shown.isValid() && m_shown.elapsed() < m_intervalMs)
        return;
    m_shown.start();
    m_write(QStringLiteral("\r\033[K") + Text());
    m_visible = true;
}

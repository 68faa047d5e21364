#include "report/expr/frxScriptTimeLimit.h"

#include "report/model/frxReport.h"
#include "script/fs_iinterpreter.h"

TfrxScriptTimeLimit::TfrxScriptTimeLimit(TfrxReport *report, double seconds) : m_report(report)
{
    if (!report || !(seconds > 0))
        return;
    m_limitMs = qint64(seconds * 1000);
    m_clock.start();
    m_script = report->Script();
    if (m_script) {
        m_previousLine = m_script->OnRunLine;
        m_script->OnRunLine = [this](TfsScript *sender, const QString &unit, const QString &position) {
            LineReached(unit, position);
            if (m_previousLine)
                m_previousLine(sender, unit, position);
        };
    }
    m_previousBegin = report->OnBeginDoc;
    report->OnBeginDoc = [this](QObject *sender) {
        Restart();
        if (m_previousBegin)
            m_previousBegin(sender);
    };
    m_previousProgress = report->OnProgress;
    report->OnProgress = [this](TfrxReport *sender, int kind, int progress) {
        if (kind == int(TfrxProgressKind::Preparing))
            Restart();
        if (m_previousProgress)
            m_previousProgress(sender, kind, progress);
    };
}

TfrxScriptTimeLimit::~TfrxScriptTimeLimit()
{
    if (m_limitMs <= 0)
        return;
    if (m_script)
        m_script->OnRunLine = m_previousLine;
    m_report->OnBeginDoc = m_previousBegin;
    m_report->OnProgress = m_previousProgress;
}

void TfrxScriptTimeLimit::Restart()
{
    m_clock.start();
}

void TfrxScriptTimeLimit::LineReached(const QString &unit, const QString &position)
{
    // The clock is read every 256 statements: a tight loop runs several million a second.
    if (m_expired || ++m_lines % 256 != 0 || m_clock.elapsed() <= m_limitMs)
        return;
    m_expired = true;
    m_unit = unit;
    m_position = position;
    m_report->SetTerminated(true);
}

QString TfrxScriptTimeLimit::Message() const
{
    const qsizetype colon = m_position.indexOf(QLatin1Char(':'));
    QString where = colon < 0 ? QStringLiteral("line %1").arg(m_position)
                              : QStringLiteral("line %1 (column %2)")
                                    .arg(m_position.left(colon), m_position.mid(colon + 1));
    if (!m_unit.isEmpty())
        where += QStringLiteral(" of unit '%1'").arg(m_unit);
    return QStringLiteral("the layout's script ran longer than %1 s for one page and was stopped at %2")
        .arg(double(m_limitMs) / 1000)
        .arg(where);
}

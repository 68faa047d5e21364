#pragma once
// A limit on how long report code may run for one page of a build, for runs that nobody watches
// (the command line's print, preview and timed print): past it the script stops at the statement
// it is on, the build ends as a cancelled one, and Message() names the script line. The window
// has its Cancel button instead and sets no limit.
//
// The clock starts when a build begins and again at every new page. While the limit lives it sits
// between the report script and the report's own line handler and build events; it puts them back
// when it goes.

#include <QElapsedTimer>
#include <QString>

#include <functional>

class QObject;
class TfrxReport;
class TfsScript;

class TfrxScriptTimeLimit {
public:
    // seconds <= 0 sets no limit.
    TfrxScriptTimeLimit(TfrxReport *report, double seconds);
    ~TfrxScriptTimeLimit();
    TfrxScriptTimeLimit(const TfrxScriptTimeLimit &) = delete;
    TfrxScriptTimeLimit &operator=(const TfrxScriptTimeLimit &) = delete;

    // Whether the limit stopped a script.
    bool Expired() const { return m_expired; }
    // "the layout's script ran longer than 60 s for one page and was stopped at line 3 (column 5)";
    // the unit's name follows for a line of a used unit.
    QString Message() const;

private:
    void Restart();
    void LineReached(const QString &unit, const QString &position);

    TfrxReport *m_report;
    TfsScript *m_script = nullptr;
    qint64 m_limitMs = 0;
    QElapsedTimer m_clock;
    unsigned m_lines = 0;
    bool m_expired = false;
    QString m_unit;
    QString m_position;
    std::function<void(TfsScript *, const QString &, const QString &)> m_previousLine;
    std::function<void(QObject *)> m_previousBegin;
    std::function<void(TfrxReport *, int, int)> m_previousProgress;
};

#pragma once
// The progress line of long command-line runs (print, auto-print): orders built, pages printed, the
// rate and the time left, rewritten in place on a terminal's stderr. It hears the report engine's
// progress of every report; main installs it only when stderr is a terminal, so output that goes to
// a file or a pipe gets nothing extra.

#include "report/model/frxReport.h"

#include <QElapsedTimer>
#include <functional>

namespace Cli {
class ProgressLine : public TfrxReport::ProgressObserver {
public:
    // `write` receives the text to put on the terminal (with "\r" and the erase-line sequence);
    // a new line is shown at most every `intervalMs`.
    explicit ProgressLine(std::function<void(const QString &)> write, int intervalMs = 200);
    ~ProgressLine() override;

    void Start(TfrxReport *report, int kind) override;
    void Progress(TfrxReport *report, int kind, int progress) override;
    void Stop(TfrxReport *report, int kind) override;

    // The line as it stands (without terminal control), e.g.
    // "orders built 10000/10000, pages printed 2500/10000, 850 pages/s, 9 s left".
    QString Text() const;

private:
    void Show(bool force);

    std::function<void(const QString &)> m_write;
    int m_intervalMs;
    int m_kind = -1;
    int m_built = 0, m_buildTotal = 0;
    int m_printed = 0, m_printTotal = 0;
    QElapsedTimer m_phase; // since the current phase started
    QElapsedTimer m_shown; // since the line was last written
    bool m_visible = false;
};
} // namespace Cli

#pragma once
// What the commands that write files share: an output name is checked before any work starts
// (never a device, a pipe or a folder), a picture is written whole or not at all, and an interrupt
// (Ctrl+C, a termination request) stops the report being built or printed.

#include <QString>

#include <memory>

class QImage;
class QTimer;
class TfrxReport;

namespace Cli {

// Exit status of a run ended by an interrupt: 128 + the signal's number, as shells report it.
int InterruptedStatus();

// Why an output of the option cannot be written under path, as the message to print; empty when it
// can.
QString OutputProblem(const QString &option, const QString &path);

// Writes the picture as PNG beside path and renames it into place when complete.
bool SavePng(const QImage &image, const QString &path, QString &why);

// While it lives, an interrupt sets the report's Terminated (checked as the report lets events
// through: at every page and every few dozen milliseconds of a running script).
class InterruptWatch {
public:
    explicit InterruptWatch(TfrxReport *report);
    ~InterruptWatch();
    // Whether an interrupt arrived.
    bool Interrupted() const;

private:
    std::unique_ptr<QTimer> m_timer;
};

} // namespace Cli

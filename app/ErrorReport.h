#pragma once
// The application's default error report: an error that no command handles itself is shown with
// its text, the program's title as caption and the error icon, and the command ends.

#include <QString>
#include <exception>

void ShowDefaultError(const QString &text);
void ShowDefaultError(const std::exception &e);

// Runs a command; any error it raises goes to the default error report.
template <typename Command>
void RunCommand(Command &&command)
{
    try {
        command();
    } catch (const std::exception &e) {
        ShowDefaultError(e);
    }
}

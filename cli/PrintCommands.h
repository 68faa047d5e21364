#pragma once
// Headless printing with the print driver of the program: the same report object, dataset,
// offsets and print job, without windows.

#include <QStringList>
#include <QTextStream>

class TTavrelForm;

namespace Cli {
// waybill-cli print --orders FILE [--by-position] --template INDEX|NAME [--rows A-B]
//                   (--printer NAME | --pdf OUT.pdf | --png OUT.png [--page N])
//                   [--offset-x N --offset-y N] [--script-timeout S] [--force]
//                   [--skip-printed | --no-journal]
// One line "printed <row>" (1-based) per order row the printer took, flushed as it is written. A
// failed precondition prints the message the window shows and returns 2. The run is journaled
// (cli/JournalCommands.h): orders printed before are named on stderr, --skip-printed leaves them
// out, a journal that cannot be used ends the command with 1 unless --no-journal is given.
int Print(const QStringList &args, QTextStream &out, QTextStream &err);

// What the print and preview commands share: the orders imported, the template chosen, the rows.
struct DriverOptions {
    QString Orders;
    bool ByPosition = false;   // a header with only some of the configured names: columns by position
    QString Template;
    QString Rows;
    QString Printer;
    QString Pdf;
    QString Png;
    int Page = 1;
    int Dpi = 300; // --png resolution
    double Zoom = 1.0;
    bool HasOffsetX = false, HasOffsetY = false;
    int OffsetX = 0, OffsetY = 0;
    // Seconds a layout's script may run for one page before the run stops with an error.
    double ScriptTimeout = 60;
};

// Reads the options of the print and preview commands; false (with the reason in `error`) for an
// unknown option or a value that is not a number.
bool ParseDriverOptions(const QStringList &args, DriverOptions &options, QString &error);
// Imports the orders and selects the template (CurrTemplate); false with the window's message.
// warnings receives what the import warns about.
bool PrepareDriver(const DriverOptions &options, QString &message, QStringList *warnings = nullptr);
// The 0-based first row and the row count of "A-B" or "A" (1-based, inclusive), all rows when
// empty; false when the range lies outside the imported rows.
bool ParseRows(const QString &text, int rowCount, int &start, int &count);
// The message for rows ParseRows refused: not a range at all, or outside the imported rows.
QString RowsError(const QString &text, int rowCount);
} // namespace Cli

#pragma once
// The user-interface seam: every message box, question, file dialog and shell call of the
// application and the report engine goes through the one installed UiHost. The widget host shows
// real dialogs; tests install a scripted host that records what a user would see and answers.

#include <QString>
#include <QStringList>

class QDialog;

enum class UiIcon { None, Information, Warning, Error, Question };

// The answer to a question with more than two buttons. All is offered only when asked for.
enum class UiAnswer { Yes, No, Cancel, All };

// What a shell call asked for, in the platform's own terms (verb, program or document, parameters).
struct ShellRequest {
    QString Verb;      // "open" or empty for the default verb
    QString File;      // program, document, folder or web address
    QString Params;    // parameters for a program, empty otherwise
};

class UiHost {
public:
    virtual ~UiHost() = default;
    // A plain message box with one OK button.
    virtual void Message(const QString &text, const QString &caption, UiIcon icon) = 0;
    // A Yes/No question; true only for Yes.
    virtual bool Ask(const QString &text, const QString &caption) = 0;
    // A question with Yes, No and Cancel (and All when withAll); closing the box is Cancel.
    virtual UiAnswer AskYesNoCancel(const QString &text, const QString &caption, bool withAll) = 0;
    // File-open dialog; filter in the "description|pattern" form. Empty when cancelled.
    virtual QString OpenFileName(const QString &filter, const QString &title) = 0;
    // Save dialog, same conventions.
    virtual QString SaveFileName(const QString &filter, const QString &title, const QString &suggested) = 0;
    // Hands a document, folder or address to the desktop. Returns whether the desktop accepted it.
    virtual bool ShellOpen(const ShellRequest &request) = 0;
    // Runs a dialog of our own (built and filled by the caller) modally; true when it was
    // accepted. The caller reads the dialog's fields afterwards, and only on true.
    virtual bool RunDialog(QDialog &dialog) = 0;
};

namespace Ui {
// The installed host; a headless host that writes to stderr until one is installed.
UiHost &Host();
// Installs a host (not owned) and returns the previous one. nullptr restores the headless host.
UiHost *Install(UiHost *host);

inline void Message(const QString &text, const QString &caption, UiIcon icon = UiIcon::None)
{ Host().Message(text, caption, icon); }
inline bool Ask(const QString &text, const QString &caption) { return Host().Ask(text, caption); }
inline UiAnswer AskYesNoCancel(const QString &text, const QString &caption, bool withAll = false)
{ return Host().AskYesNoCancel(text, caption, withAll); }
inline QString OpenFileName(const QString &filter, const QString &title = QString())
{ return Host().OpenFileName(filter, title); }
inline QString SaveFileName(const QString &filter, const QString &title = QString(),
                            const QString &suggested = QString())
{ return Host().SaveFileName(filter, title, suggested); }
inline bool ShellOpen(const QString &verb, const QString &file, const QString &params = QString())
{ return Host().ShellOpen({verb, file, params}); }
inline bool RunDialog(QDialog &dialog) { return Host().RunDialog(dialog); }

// Converts a "description|pattern|description|pattern" filter into Qt's ";;" form.
QString QtFilter(const QString &filter);
} // namespace Ui

// The host used when no window system is wanted: messages go to stderr, questions answer No
// (Cancel where there is one), dialogs are cancelled, shell requests are handed to the desktop
// without a window.
class ConsoleUi : public UiHost {
public:
    void Message(const QString &text, const QString &caption, UiIcon icon) override;
    bool Ask(const QString &text, const QString &caption) override;
    UiAnswer AskYesNoCancel(const QString &text, const QString &caption, bool withAll) override;
    QString OpenFileName(const QString &filter, const QString &title) override;
    QString SaveFileName(const QString &filter, const QString &title, const QString &suggested) override;
    bool ShellOpen(const ShellRequest &request) override;
    bool RunDialog(QDialog &dialog) override;
};

// The host of the desktop program: QMessageBox, QFileDialog, QDesktopServices and QDialog::exec.
class WidgetUi : public UiHost {
public:
    void Message(const QString &text, const QString &caption, UiIcon icon) override;
    bool Ask(const QString &text, const QString &caption) override;
    UiAnswer AskYesNoCancel(const QString &text, const QString &caption, bool withAll) override;
    QString OpenFileName(const QString &filter, const QString &title) override;
    QString SaveFileName(const QString &filter, const QString &title, const QString &suggested) override;
    bool ShellOpen(const ShellRequest &request) override;
    bool RunDialog(QDialog &dialog) override;
};

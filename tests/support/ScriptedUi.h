#pragma once
// A user-interface host for tests: records every message, question, dialog and shell request,
// and answers questions and file dialogs from queues the test fills beforehand. A dialog of our
// own is shown offscreen and handed to the next step of DialogSteps, which fills its fields and
// presses its buttons as a user would.

#include "platform/Ui.h"

#include <QList>
#include <QQueue>

#include <functional>

struct ShownMessage {
    QString Text;
    QString Caption;
    UiIcon Icon = UiIcon::None;
    bool Question = false;
};

class ScriptedUi : public UiHost {
public:
    ScriptedUi();
    ~ScriptedUi() override;   // restores the host that was installed before

    void Message(const QString &text, const QString &caption, UiIcon icon) override;
    bool Ask(const QString &text, const QString &caption) override;
    UiAnswer AskYesNoCancel(const QString &text, const QString &caption, bool withAll) override;
    QString OpenFileName(const QString &filter, const QString &title) override;
    QString SaveFileName(const QString &filter, const QString &title, const QString &suggested) override;
    bool ShellOpen(const ShellRequest &request) override;
    bool RunDialog(QDialog &dialog) override;

    QList<ShownMessage> Shown;          // messages and questions, in order
    QList<ShellRequest> ShellRequests;  // shell calls, in order
    QStringList FileFilters;            // the filter of each file dialog, in order
    QQueue<bool> Answers;               // answers to questions; an empty queue answers No
    QQueue<UiAnswer> Choices;           // answers to Yes/No/Cancel questions; empty answers Cancel
    QQueue<QString> FileNames;          // answers to file dialogs; an empty queue cancels
    QStringList DialogTitles;           // the title of each dialog run, in order
    // What the user does in each dialog; an empty queue closes the dialog (cancels it).
    QQueue<std::function<void(QDialog &)>> DialogSteps;

    QString LastText() const { return Shown.isEmpty() ? QString() : Shown.last().Text; }
    void Clear() { Shown.clear(); ShellRequests.clear(); FileFilters.clear(); DialogTitles.clear(); }

private:
    UiHost *m_previous;
};

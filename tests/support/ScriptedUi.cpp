#include "ScriptedUi.h"

#include <QDialog>

ScriptedUi::ScriptedUi() : m_previous(Ui::Install(this)) {}

ScriptedUi::~ScriptedUi() { Ui::Install(m_previous); }

void ScriptedUi::Message(const QString &text, const QString &caption, UiIcon icon)
{
    Shown.append({text, caption, icon, false});
}

bool ScriptedUi::Ask(const QString &text, const QString &caption)
{
    Shown.append({text, caption, UiIcon::Question, true});
    return Answers.isEmpty() ? false : Answers.dequeue();
}

UiAnswer ScriptedUi::AskYesNoCancel(const QString &text, const QString &caption, bool)
{
    Shown.append({text, caption, UiIcon::Question, true});
    return Choices.isEmpty() ? UiAnswer::Cancel : Choices.dequeue();
}

QString ScriptedUi::OpenFileName(const QString &filter, const QString &)
{
    FileFilters.append(filter);
    return FileNames.isEmpty() ? QString() : FileNames.dequeue();
}

QString ScriptedUi::SaveFileName(const QString &filter, const QString &, const QString &)
{
    FileFilters.append(filter);
    return FileNames.isEmpty() ? QString() : FileNames.dequeue();
}

bool ScriptedUi::ShellOpen(const ShellRequest &request)
{
    ShellRequests.append(request);
    return true;
}

bool ScriptedUi::RunDialog(QDialog &dialog)
{
    DialogTitles.append(dialog.windowTitle());
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (!DialogSteps.isEmpty())
        DialogSteps.dequeue()(dialog);
    // A step that pressed no closing button leaves the dialog open: closing it is Cancel.
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result() == QDialog::Accepted;
}

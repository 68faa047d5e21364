#include "designer/editors/frxReportOptionsEditor.h"

#include "designer/editors/frxEditorWidgets.h"
#include "platform/Ui.h"
#include "report/model/frxReport.h"
#include "script/fs_ilanguage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TfrxReportOptionsForm::TfrxReportOptionsForm(TfrxReport *report, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxReportOptionsForm"));
    setWindowTitle(QStringLiteral("Report Options"));
    const TfrxReportOptions *options = report->ReportOptions();
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    auto line = [this](const char *name, const QString &text) {
        auto *edit = new QLineEdit(text, this);
        edit->setObjectName(QLatin1String(name));
        return edit;
    };
    m_name = line("NameEdit", options->Name());
    form->addRow(QStringLiteral("Name"), m_name);
    m_author = line("AuthorEdit", options->Author());
    form->addRow(QStringLiteral("Author"), m_author);
    m_description = new QPlainTextEdit(this);
    m_description->setObjectName(QStringLiteral("DescriptionEdit"));
    m_description->setPlainText(options->Description().join(QLatin1Char('\n')));
    form->addRow(QStringLiteral("Description"), m_description);
    auto *version = new QHBoxLayout;
    const char *versionNames[4] = {"MajorEdit", "MinorEdit", "ReleaseEdit", "BuildEdit"};
    const QString versionValues[4] = {options->VersionMajor(), options->VersionMinor(),
                                      options->VersionRelease(), options->VersionBuild()};
    for (int i = 0; i < 4; ++i) {
        m_version[i] = line(versionNames[i], versionValues[i]);
        m_version[i]->setMaximumWidth(60);
        version->addWidget(m_version[i]);
    }
    version->addStretch();
    form->addRow(QStringLiteral("Version"), version);
    m_language = new QComboBox(this);
    m_language->setObjectName(QStringLiteral("ScriptLanguageBox"));
    m_language->addItems(TfsLanguageRegistry::Names());
    if (m_language->findText(report->ScriptLanguage(), Qt::MatchFixedString) < 0)
        m_language->addItem(report->ScriptLanguage());
    m_language->setCurrentIndex(m_language->findText(report->ScriptLanguage(), Qt::MatchFixedString));
    form->addRow(QStringLiteral("Script language"), m_language);
    layout->addLayout(form);

    auto *passwordGroup = new QGroupBox(QStringLiteral("Password"), this);
    auto *passwordForm = new QFormLayout(passwordGroup);
    m_password = line("PasswordEdit", options->Password());
    m_password->setEchoMode(QLineEdit::Password);
    passwordForm->addRow(QStringLiteral("Password"), m_password);
    m_confirm = line("ConfirmEdit", options->Password());
    m_confirm->setEchoMode(QLineEdit::Password);
    passwordForm->addRow(QStringLiteral("Confirm password"), m_confirm);
    layout->addWidget(passwordGroup);
    layout->addWidget(frxEditorButtons(this));
}

void TfrxReportOptionsForm::accept()
{
    if (m_password->text() != m_confirm->text()) {
        Ui::Message(QStringLiteral("The password and its confirmation differ."),
                    QStringLiteral("Report Options"), UiIcon::Warning);
        return;
    }
    QDialog::accept();
}

void TfrxReportOptionsForm::Apply(TfrxReport *report) const
{
    TfrxReportOptions *options = report->ReportOptions();
    options->SetName(m_name->text());
    options->SetAuthor(m_author->text());
    const QString description = m_description->toPlainText();
    // An unchanged text keeps its lines as they were (a final empty line among them).
    if (description != options->Description().join(QLatin1Char('\n')))
        options->SetDescription(description.isEmpty() ? QStringList() : description.split(QLatin1Char('\n')));
    options->SetVersionMajor(m_version[0]->text());
    options->SetVersionMinor(m_version[1]->text());
    options->SetVersionRelease(m_version[2]->text());
    options->SetVersionBuild(m_version[3]->text());
    options->SetPassword(m_password->text());
    // The author knows the new password: undo, preview and reopening in this session read the
    // layout back without asking for it.
    report->SetLastPassword(m_password->text());
    if (m_language->currentText().compare(report->ScriptLanguage(), Qt::CaseInsensitive) != 0)
        report->SetScriptLanguage(m_language->currentText());
}

bool EditReportOptions(QWidget *parent, TfrxReport *report)
{
    if (!report)
        return false;
    TfrxReportOptionsForm editor(report, parent);
    if (!Ui::RunDialog(editor))
        return false;
    editor.Apply(report);
    return true;
}

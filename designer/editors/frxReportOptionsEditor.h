#pragma once
// The report options: the report's name, author and description, its version, the password that
// opening the layout asks for, and the language of its script. The fields are the dialog's own;
// the report is written only on OK.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class TfrxReport;

class TfrxReportOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxReportOptionsForm(TfrxReport *report, QWidget *parent = nullptr);
    void Apply(TfrxReport *report) const;
    // Refuses a password that its confirmation does not repeat, with a message.
    void accept() override;

private:
    QLineEdit *m_name;
    QLineEdit *m_author;
    QPlainTextEdit *m_description;
    QLineEdit *m_version[4];
    QLineEdit *m_password;
    QLineEdit *m_confirm;
    QComboBox *m_language;
};

// True when the user pressed OK.
bool EditReportOptions(QWidget *parent, TfrxReport *report);

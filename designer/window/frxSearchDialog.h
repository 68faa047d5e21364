#pragma once
// The designer's search dialog behind Find and Replace: the text to find, for Replace the
// replacement, "Case sensitive" and "Search from top" (the code window only). It holds only its
// fields; the window searches or replaces after the user pressed a button, never before.

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;

class TfrxSearchDialog : public QDialog {
    Q_OBJECT
public:
    // replace: the Replace dialog (replacement field, "Replace" and "Replace All" buttons).
    // fromTopApplies: the code window is shown, where the search may start at its first line.
    TfrxSearchDialog(bool replace, bool fromTopApplies, QWidget *parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString &text);
    QString ReplaceText() const;
    bool CaseSensitive() const;
    void SetCaseSensitive(bool on);
    bool SearchFromTop() const;
    // True when the dialog was closed with "Replace All" (no question for each hit).
    bool ReplaceAll() const { return m_replaceAll; }

private:
    QLineEdit *m_find;
    QLineEdit *m_replace = nullptr;
    QCheckBox *m_case;
    QCheckBox *m_fromTop;
    QDialogButtonBox *m_buttons;
    QPushButton *m_ok;
    QPushButton *m_all = nullptr;
    bool m_replaceAll = false;
};

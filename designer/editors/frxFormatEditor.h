#pragma once
// The display format editor: how a text object prints its value. A category (text, number,
// date/time, Boolean) gives the Kind and a list of common format strings; the format string can be
// typed, and for numbers the decimal and thousands separators; a sample shows a value printed
// with what is chosen. The dialog works on its own TfrxFormat; the caller's is written only on OK.

#include "report/model/frxFrame.h"

#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QListWidget;
class TfrxCustomMemoView;

class TfrxFormatEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxFormatEditorForm(const TfrxFormat &format, QWidget *parent = nullptr);

    const TfrxFormat &Format() const { return m_format; }
    // The sample line as it is shown.
    QString SampleText() const;

private:
    void ShowKind();
    void Update();

    TfrxFormat m_format;
    QListWidget *m_kinds;
    QListWidget *m_presets;
    QLineEdit *m_formatStr;
    QLineEdit *m_decimal;
    QLineEdit *m_thousand;
    QLabel *m_sample;
    bool m_filling = false;
};

// Edits a display format; true when the user pressed OK (format then holds the choice).
bool EditDisplayFormat(QWidget *parent, TfrxFormat *format);
// Edits the format of text objects, preset to the first one's; OK gives the format to each of them
// that may be modified. True when something was assigned.
bool EditDisplayFormat(QWidget *parent, const QList<TfrxCustomMemoView *> &memos);

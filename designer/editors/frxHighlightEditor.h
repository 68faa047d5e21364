#pragma once
// The highlight editor of a text object: the condition (an expression evaluated for every printed
// value, which may use Value), and the font and background colour used while it holds. The
// condition is taken as typed: one that does not compile is reported when the report is built.
// The dialog works on its own TfrxHighlight; the caller's is written only on OK.

#include "report/model/frxFrame.h"

#include <QDialog>

class QLineEdit;
class TfrxColorBox;
class TfrxCustomMemoView;
class TfrxFontBox;

class TfrxHighlightEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxHighlightEditorForm(const TfrxHighlight &highlight, QWidget *parent = nullptr);

    // The highlight as chosen in the dialog.
    const TfrxHighlight &Highlight();

private:
    TfrxHighlight m_highlight;
    QLineEdit *m_condition;
    TfrxFontBox *m_font;
    TfrxColorBox *m_color;
};

// True when the user pressed OK (highlight then holds the choice).
bool EditHighlight(QWidget *parent, TfrxHighlight *highlight);
// The same for a text object's highlight; nothing for an object that may not be modified.
bool EditHighlight(QWidget *parent, TfrxCustomMemoView *memo);

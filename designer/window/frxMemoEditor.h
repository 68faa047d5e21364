#pragma once
// The text object's editor: the text, and beside it the data fields and the system variables and
// functions, each inserted at the cursor as its bracketed form by a double-click. The dialog
// edits a copy; the caller writes it back on OK.

#include <QDialog>
#include <QFont>

class QPlainTextEdit;
class QTreeWidget;
class TfrxCustomMemoView;

class TfrxMemoEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxMemoEditorForm(TfrxCustomMemoView *memo, QWidget *parent = nullptr);

    QString Text() const;
    void SetText(const QString &text);
    // Puts the bracketed form of a tree item at the cursor (what a double-click does).
    void InsertExpression(const QString &expression);
    QTreeWidget *Fields() const { return m_fields; }
    // The font of the text (the designer's memo font, or the object's own).
    void SetEditorFont(const QFont &font);
    QFont EditorFont() const;

private:
    QPlainTextEdit *m_text;
    QTreeWidget *m_fields;
};

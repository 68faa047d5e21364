#pragma once
// The variables editor: the report's variables in their categories. Categories and variables are
// added, renamed, deleted and moved up and down; a variable's value is an expression that the
// report evaluates when a text object names the variable. The tree is the dialog's own copy; on
// OK it becomes the report's list, in the tree's order (variables outside any category first).

#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;
class TfrxReport;

class TfrxVariablesEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxVariablesEditorForm(TfrxReport *report, QWidget *parent = nullptr);

    QTreeWidget *Tree() const { return m_tree; }
    // The commands of the buttons; new items are named "Category<n>" / "Variable<n>" and selected.
    QTreeWidgetItem *AddCategory();
    // In the selected category (or the selected variable's), else outside any category.
    QTreeWidgetItem *AddVariable();
    void DeleteItem();
    void MoveItem(int step);
    // Writes the tree into the report's variables.
    void Apply(TfrxReport *report) const;

    // Refuses names that are empty or used twice (ignoring case), with a message.
    void accept() override;

private:
    QTreeWidget *m_tree;
};

// Edits the report's variables; true when the user pressed OK.
bool EditVariables(QWidget *parent, TfrxReport *report);

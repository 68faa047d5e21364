#pragma once
// The data tree: the tool window from which order fields, variables and script functions are
// dragged onto the page. Tabs "Data" (the report's datasets and their fields), "Variables" (the
// report's variables and the system variables), "Functions" and "Classes" (the script engine's
// library); under them the options "Create field", "Create caption" and "Sort by Name". Every
// leaf has a reference text, the form a dropped object's text or binding is made from.

#include <QSet>
#include <QWidget>

class QCheckBox;
class QLabel;
class QMimeData;
class QStackedWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class TfrxComponent;
class TfrxReport;

class TfrxDataTreeForm : public QWidget {
    Q_OBJECT
public:
    enum TTab { tabData, tabVariables, tabFunctions, tabClasses };
    // What a node stands for (kept in its Qt::UserRole).
    enum TNodeKind { nkFolder, nkDataSet, nkField, nkVariable, nkFunction, nkClass, nkMember };

    explicit TfrxDataTreeForm(QWidget *parent = nullptr);
    ~TfrxDataTreeForm() override;

    void SetReport(TfrxReport *report);
    TfrxReport *Report() const { return m_report; }
    // Rebuilds the tabs from the report (dataset nodes collapsed in the last build stay so).
    void UpdateItems();
    // The reference text of the selected node of the active tab; empty when none may be dragged.
    QString GetFieldName() const;
    // The reference text of a node of a tab (see the .cpp for the forms).
    static QString ReferenceText(const QTreeWidgetItem *item, int tab);
    int GetActivePage() const;
    void SetActivePage(int tab);
    // Whether object is one of the form's trees (the only accepted drag sources).
    bool IsTree(const QObject *object) const;
    // What a drag of the current node of a tab carries: its reference text, marked as this
    // form's; nullptr when the node has no reference text.
    QMimeData *DragData(int tab) const;
    // The reference text of drag data made by this form; empty for any other data.
    QString DraggedReference(const QMimeData *data) const;
    QTreeWidget *Tree(int tab) const;
    // Whether the Data tab shows its tree (false: the "No data available." message).
    bool HasData() const;
    QString NoDataText() const;

    bool InsertField() const;
    void SetInsertField(bool value);
    bool InsertCaption() const;
    void SetInsertCaption(bool value);
    bool SortByName() const;
    void SetSortByName(bool value);

    // Selects a dataset's node on the Data tab when it is the designer's only selected object.
    void UpdateSelection(const QList<TfrxComponent *> &selection);

signals:
    // A double-click on the "No data available." message: the report's data dialog is wanted.
    void DataDialogRequested();
    // A double-click on a leaf: its reference text (the code window inserts it).
    void ReferenceActivated(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildData();
    void BuildVariables();
    void BuildLibrary();
    void RememberCollapsed();

    TfrxReport *m_report = nullptr;
    QTabWidget *m_tabs = nullptr;
    QStackedWidget *m_dataStack = nullptr;
    QLabel *m_noData = nullptr;
    QTreeWidget *m_trees[4] = {};
    QTextBrowser *m_description = nullptr;
    QCheckBox *m_insertField = nullptr;
    QCheckBox *m_insertCaption = nullptr;
    QCheckBox *m_sort = nullptr;
    QSet<QString> m_collapsed;
    bool m_libraryBuilt = false;
};

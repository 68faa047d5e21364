#pragma once
// The report tree: the report's pages, bands and objects by name, fully expanded. Clicking a node
// selects its object (switching to its page first); the designer's selection is followed back;
// Delete in the tree deletes the selection as on the page.

#include <QHash>
#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;
class TfrxComponent;
class TfrxReport;

class TfrxReportTreeForm : public QWidget {
    Q_OBJECT
public:
    explicit TfrxReportTreeForm(QWidget *parent = nullptr);

    void SetReport(TfrxReport *report);
    // Rebuilds the tree from the report.
    void UpdateItems();
    // Empties the tree (while the report is about to be rebuilt).
    void Clear();
    // Selects the node of the first object of selection and scrolls it into view.
    void UpdateSelection(const QList<TfrxComponent *> &selection);
    QTreeWidget *Tree() const { return m_tree; }
    // The object of a node; nullptr for the report's root.
    TfrxComponent *ObjectOf(const QTreeWidgetItem *item) const;
    QTreeWidgetItem *NodeOf(const TfrxComponent *object) const { return m_nodes.value(object); }

signals:
    // The user picked an object in the tree.
    void ObjectClicked(TfrxComponent *object);
    void DeleteRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TfrxReport *m_report = nullptr;
    QTreeWidget *m_tree = nullptr;
    QHash<const TfrxComponent *, QTreeWidgetItem *> m_nodes;
    bool m_updating = false;
};

#pragma once
// The object inspector ("Object Inspector"): the property grid of the selected objects, with the
// object list above it, the Properties and Events tabs and the description pane below. Rows come
// from frxBuildPropertyLists; a value typed or picked is written by the row's editor to every
// selected object, then the inspector reports the change once (Modified).

#include <QList>
#include <QSet>
#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;
class TfrxComponent;
class TfrxCustomDesigner;
class TfrxPropertyItem;
class TfrxPropertyList;

class TfrxObjectInspector : public QWidget {
    Q_OBJECT
public:
    // The owner must be the designer window (raises EReportError otherwise).
    explicit TfrxObjectInspector(QWidget *owner);
    ~TfrxObjectInspector() override;

    // Rebuilds the rows for these objects (and the object list); keeps the selected row's place.
    void SetSelectedObjects(const QList<TfrxComponent *> &objects);
    const QList<TfrxComponent *> &SelectedObjects() const { return m_objects; }
    // Fills the object list from the designer's objects.
    void UpdateObjectList();
    // Shows the values again (after a change that kept the rows).
    void UpdateProperties();
    // Empties the grid and ignores input until the next SetSelectedObjects.
    void Lock();
    bool IsLocked() const { return m_locked; }
    // Writes a changed value of the edit line (before Save, Preview and closing).
    void ApplyPending();

    // 0 Properties, 1 Events.
    void SetTab(int index);
    int SplitPos() const;
    void SetSplitPos(int value);
    int Split1Pos() const;
    void SetSplitter1Pos(int value);
    // SplitPos and Split1Pos in the designer's store (section "Form4.TfrxObjectInspector").
    void RestoreSettings(const QString &storeFile);
    void SaveSettings(const QString &storeFile) const;

    // ---- rows by path ("Font.Style.fsBold"), for the window's commands and tests ----
    // The names of the top-level rows of the current tab, in their order.
    QStringList RowNames() const;
    TfrxPropertyItem *FindItem(const QString &path) const;
    QString ValueText(const QString &path) const;
    // Writes text through the row's editor as the edit line's Enter does: false (and the error
    // shown) when it was refused.
    bool SetValueText(const QString &path, const QString &text);
    // What a double-click on the edit line does: the dialog, or the next value.
    bool RunEditor(const QString &path);
    QStringList ValueList(const QString &path);
    // Makes a row current (expanding its parents); false when there is none.
    bool SelectRow(const QString &path);
    QString CurrentRow() const;
    QLineEdit *EditLine() const { return m_edit; }
    QComboBox *ObjectList() const { return m_objectList; }
    QTabBar *Tabs() const { return m_tabs; }
    QTreeWidget *Grid() const { return m_grid; }
    QString DescriptionText() const;

signals:
    // A value was written (also when a write to several objects failed part-way).
    void Modified();
    // The user picked an object in the object list.
    void ObjectPicked(TfrxComponent *object);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void Rebuild();
    // The name column as wide as the longest shown name, leaving the value column room for a
    // short value and its button.
    void FitColumns();
    // That room in pixels.
    int ValueRoom() const;
    void FillItems(QTreeWidgetItem *parent, TfrxPropertyList &list, int level);
    void UpdateValues(QTreeWidgetItem *item);
    void CurrentChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    void CreateEditLine(QTreeWidgetItem *item);
    void ShowValueList();
    void UpdateDescription();
    bool Apply(TfrxPropertyItem *item, const QString &text);
    bool Run(TfrxPropertyItem *item);
    void Changed();
    TfrxPropertyItem *ItemOf(QTreeWidgetItem *item) const;
    QTreeWidgetItem *TreeItem(const QString &path) const;
    QString PathOf(QTreeWidgetItem *item) const;

    TfrxCustomDesigner *m_designer;
    QList<TfrxComponent *> m_objects;
    std::unique_ptr<TfrxPropertyList> m_properties;
    std::unique_ptr<TfrxPropertyList> m_events;
    QComboBox *m_objectList;
    QTabBar *m_tabs;
    QTreeWidget *m_grid;
    QLabel *m_description;
    class QSplitter *m_splitter;
    QWidget *m_editBox = nullptr;
    QLineEdit *m_edit = nullptr;
    TfrxPropertyItem *m_editItem = nullptr;
    bool m_editChanged = false;
    bool m_locked = false;
    bool m_filling = false;
    qint64 m_listClosedAt = 0;
    // The description pane's height, applied once the splitter has a height to share.
    int m_pendingSplit1 = 65;
    // Rows the user expanded, by path, kept across selections.
    QSet<QString> m_expanded;
};

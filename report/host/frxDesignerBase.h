#pragma once
// The designer as the report sees it. The window lives in the designer layer, which registers a
// factory here at start-up (frxRegisterDesigner there); the report's OpenDesigner makes the window
// through it, so the report layer never links against the layers above it.

#include <QList>
#include <QMainWindow>

#include <functional>

class TfrxComponent;
class TfrxPage;
class TfrxReport;

// The designer window's base: the report it edits, the objects of the current page and the
// selection, and the operations the report's objects and editors call back.
class TfrxCustomDesigner : public QMainWindow {
    Q_OBJECT
public:
    TfrxCustomDesigner(TfrxReport *report, bool isPreviewDesigner, QWidget *parent = nullptr);
    ~TfrxCustomDesigner() override;

    TfrxReport *Report() const { return m_report; }
    bool IsPreviewDesigner() const { return m_isPreviewDesigner; }
    // The objects of the current page (all levels), then the report, then the page.
    QList<TfrxComponent *> &Objects() { return m_objects; }
    // The selection; just the page when nothing else is selected.
    QList<TfrxComponent *> &SelectedObjects() { return m_selectedObjects; }
    // The current page; nullptr while the code is shown.
    TfrxPage *Page() const { return m_page; }
    bool Modified() const { return m_modified; }

    // Stores the flag; True also marks the report modified.
    virtual void SetModified(bool value);
    virtual void SetPage(TfrxPage *page);
    virtual QStringList GetScriptLines() = 0;
    // The edited expression on OK, empty on Cancel.
    virtual QString EditExpression(const QString &expression) = 0;
    // Empties Objects and SelectedObjects and locks the views until the next SetPage.
    virtual void Lock() = 0;
    virtual void ReloadPages(int index) = 0;
    virtual void ReloadReport() = 0;
    virtual void UpdateDataTree() = 0;
    virtual void UpdatePage() = 0;

signals:
    // The window was allowed to close (after the save prompt).
    void Closed();

protected:
    TfrxReport *m_report;
    QList<TfrxComponent *> m_objects;
    QList<TfrxComponent *> m_selectedObjects;
    TfrxPage *m_page = nullptr;
    bool m_modified = false;
    bool m_isPreviewDesigner;
};

// Makes a designer window for report; the window is not shown yet.
using TfrxDesignerFactory = std::function<TfrxCustomDesigner *(TfrxReport *report)>;
// Installs the factory OpenDesigner makes its window with (the previous one is returned).
TfrxDesignerFactory frxSetDesignerFactory(TfrxDesignerFactory factory);
const TfrxDesignerFactory &frxDesignerFactory();

// The designer window's tree windows: the report tree at the left, the data tree at the right,
// the page as the data tree's drop site, and the two dialogs of the window's data and page
// commands (Page Settings, Report > Data...).
#include "designer/dialogs/frxPageEditor.h"
#include "designer/dialogs/frxReportDataDialog.h"
#include "designer/trees/frxDataTree.h"
#include "designer/trees/frxFieldDrop.h"
#include "designer/trees/frxReportTree.h"
#include "designer/window/frxDesgnPrivate.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"

#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTabBar>

void TfrxDesignerForm::Private::CreateTrees()
{
    reportTree = new TfrxReportTreeForm;
    reportTree->SetReport(q->Report());
    reportTreeDock = new QDockWidget(QStringLiteral("Report Tree"), q);
    reportTreeDock->setObjectName(QStringLiteral("TfrxReportTreeForm"));
    reportTreeDock->setWidget(reportTree);
    q->addDockWidget(Qt::LeftDockWidgetArea, reportTreeDock);

    dataTree = new TfrxDataTreeForm;
    dataTree->SetReport(q->Report());
    dataTreeDock = new QDockWidget(QStringLiteral("Data Tree"), q);
    dataTreeDock->setObjectName(QStringLiteral("TfrxDataTreeForm"));
    dataTreeDock->setWidget(dataTree);
    q->addDockWidget(Qt::RightDockWidgetArea, dataTreeDock);
    q->resizeDocks({reportTreeDock, dataTreeDock}, {159, 143}, Qt::Horizontal);
    // Floating, the data tree stays above the designer.
    QObject::connect(dataTreeDock, &QDockWidget::topLevelChanged, q, [this](bool floating) {
        dataTreeDock->setWindowFlag(Qt::WindowStaysOnTopHint, floating);
        if (floating)
            dataTreeDock->show();
    });

    QMenu *toolbars = q->findChild<QMenu *>(QStringLiteral("ToolbarsCmd"));
    toolbars->addAction(reportTreeDock->toggleViewAction());
    toolbars->addAction(dataTreeDock->toggleViewAction());

    fieldDrop = std::make_shared<TfrxFieldDrop>(q, dataTree);
    workspace->SetDropTarget(fieldDrop.get());

    // A click in the report tree selects the object, on its own page.
    QObject::connect(reportTree, &TfrxReportTreeForm::ObjectClicked, q, [this](TfrxComponent *object) {
        TfrxPage *page = qobject_cast<TfrxPage *>(object) ? static_cast<TfrxPage *>(object) : object->Page();
        if (!page)
            return;
        if (page != q->m_page)
            q->SetPage(page);
        if (object == page)
            workspace->Select({});
        else
            q->SelectObject(object->Name());
    });
    QObject::connect(reportTree, &TfrxReportTreeForm::DeleteRequested, q, [this] {
        if (q->m_page)
            workspace->DeleteObjects();
    });
    QObject::connect(workspace, &TfrxDesignerWorkspace::SelectionChanged, q, [this] {
        reportTree->UpdateSelection(q->m_selectedObjects);
        dataTree->UpdateSelection(q->m_selectedObjects);
    });
    QObject::connect(dataTree, &TfrxDataTreeForm::DataDialogRequested, q, [this] {
        if (q->m_page && q->Report()->Datasets()->Count() == 0)
            q->EditReportData();
    });
    QObject::connect(dataTree, &TfrxDataTreeForm::ReferenceActivated, q, [this](const QString &text) {
        if (!q->m_page)
            codeWindow->insertPlainText(text);
    });

    // The data tree follows the report when another page is made current.
    QObject::connect(tabs, &QTabBar::currentChanged, q, [this] {
        if (!updatingTabs && !locked)
            dataTree->UpdateItems();
    });

    // Page Settings: the command and a double-click on the page.
    QObject::connect(actions.value(QStringLiteral("PageSettingsCmd")), &QAction::triggered, q,
                     [this] { q->EditPageSettings(); });
    QObject::connect(workspace, &TfrxDesignerWorkspace::PageEditRequested, q,
                     [this] { q->EditPageSettings(); });
    // Report > Data...
    QAction *data = AddAction("ReportDataCmd", QStringLiteral("Data..."), {}, nullptr);
    QObject::connect(data, &QAction::triggered, q, [this] { q->EditReportData(); });
    for (QAction *item : q->menuBar()->actions())
        if (item->menu() && item->text() == QLatin1String("&Report"))
            item->menu()->addAction(data);
}

void TfrxDesignerForm::Private::UpdateReportTree()
{
    if (locked) {
        reportTree->Clear();
        return;
    }
    reportTree->UpdateItems();
    reportTree->UpdateSelection(q->m_selectedObjects);
}

void TfrxDesignerForm::Private::UpdateDataTree()
{
    dataTree->UpdateItems();
}

TfrxDataTreeForm *TfrxDesignerForm::DataTree() const
{
    return d->dataTree;
}

TfrxReportTreeForm *TfrxDesignerForm::ReportTree() const
{
    return d->reportTree;
}

bool TfrxDesignerForm::EditPageSettings()
{
    auto *page = qobject_cast<TfrxReportPage *>(m_page);
    if (!page || d->locked)
        return false;
    if (!TfrxPageEditorForm::Execute(page, this))
        return false;
    SetModified(true);
    // The surface takes the page's new paper.
    d->workspace->SetPage(page);
    d->workspace->AdjustBands();
    return true;
}

bool TfrxDesignerForm::EditReportData()
{
    if (d->locked)
        return false;
    if (!TfrxReportDataForm::Execute(Report(), this))
        return false;
    SetModified(true);
    UpdateDataTree();
    return true;
}

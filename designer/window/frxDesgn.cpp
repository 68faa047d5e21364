// The designer window: construction, the page tabs, SetPage, ReloadReport, ReloadPages, Lock and
// SetModified, the command states, zoom and units. The file commands are in frxDesgnFile.cpp, the
// edit commands in frxDesgnEdit.cpp.
#include "designer/window/frxDesgn.h"

#include "designer/dialogs/frxAboutForm.h"
#include "designer/dialogs/frxOptionsForm.h"
#include "designer/editors/frxEditorCommands.h"
#include "designer/format/frxDesignerFormatting.h"
#include "designer/inspector/frxInsp.h"
#include "designer/window/frxDesgnPrivate.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "designer/workspace/frxPageTabs.h"
#include "platform/Ui.h"
#include "report/core/frxTypes.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace {

const char *const UnitNames[] = {"Centimeters", "Inches", "Pixels", "Characters"};

QColor FromTColor(int color)
{
    if (color < 0 || color > 0xFFFFFF)
        return Qt::white;
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

} // namespace

// ---- construction ------------------------------------------------------------------------------------

QAction *TfrxDesignerForm::Private::AddAction(const char *name, const QString &caption,
                                              const QKeySequence &shortcut, void (TfrxDesignerForm::*slot)())
{
    auto *action = new QAction(caption, q);
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (slot)
        QObject::connect(action, &QAction::triggered, q, [this, slot] { (q->*slot)(); });
    actions.insert(QLatin1String(name), action);
    q->addAction(action);
    return action;
}

void TfrxDesignerForm::Private::CreateActions()
{
    QStyle *style = q->style();
    auto icon = [style](QStyle::StandardPixmap p) { return style->standardIcon(p); };
    AddAction("NewItemCmd", QStringLiteral("New..."), {}, &TfrxDesignerForm::NewReport);
    AddAction("NewReportCmd", QStringLiteral("New Report"), {}, &TfrxDesignerForm::NewReport)
        ->setIcon(icon(QStyle::SP_FileIcon));
    AddAction("NewPageCmd", QStringLiteral("New Page"), {}, &TfrxDesignerForm::NewPage)
        ->setIcon(icon(QStyle::SP_FileDialogNewFolder));
    AddAction("NewDialogCmd", QStringLiteral("New Dialog"), {}, &TfrxDesignerForm::NewDialog)
        ->setIcon(icon(QStyle::SP_TitleBarNormalButton));
    AddAction("OpenCmd", QStringLiteral("Open..."), QKeySequence(Qt::CTRL | Qt::Key_O), nullptr)
        ->setIcon(icon(QStyle::SP_DialogOpenButton));
    QObject::connect(actions.value(QStringLiteral("OpenCmd")), &QAction::triggered, q,
                     [this] { q->OpenFile(); });
    AddAction("SaveCmd", QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S), nullptr)
        ->setIcon(icon(QStyle::SP_DialogSaveButton));
    QObject::connect(actions.value(QStringLiteral("SaveCmd")), &QAction::triggered, q,
                     [this] { q->SaveFile(false, true); });
    AddAction("SaveAsCmd", QStringLiteral("Save As..."), {}, nullptr);
    QObject::connect(actions.value(QStringLiteral("SaveAsCmd")), &QAction::triggered, q,
                     [this] { q->SaveFile(true, true); });
    AddAction("PreviewCmd", QStringLiteral("Preview"), QKeySequence(Qt::CTRL | Qt::Key_P),
              &TfrxDesignerForm::Preview)
        ->setIcon(icon(QStyle::SP_FileDialogContentsView));
    AddAction("PageSettingsCmd", QStringLiteral("Page Settings..."), {}, nullptr)
        ->setIcon(icon(QStyle::SP_FileDialogDetailedView));
    AddAction("ExitCmd", QStringLiteral("Exit"), QKeySequence(Qt::ALT | Qt::Key_X), nullptr);
    QObject::connect(actions.value(QStringLiteral("ExitCmd")), &QAction::triggered, q, &QWidget::close);

    AddAction("UndoCmd", QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), &TfrxDesignerForm::Undo)
        ->setIcon(icon(QStyle::SP_ArrowBack));
    // Redo answers both usual keys; the menu item names both (a menu shows one shortcut by itself).
    QAction *redo = AddAction("RedoCmd", QStringLiteral("Redo\tCtrl+Y, Ctrl+Shift+Z"), {}, &TfrxDesignerForm::Redo);
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    redo->setIconText(QStringLiteral("Redo"));
    redo->setToolTip(QStringLiteral("Redo (Ctrl+Y, Ctrl+Shift+Z)"));
    redo->setIcon(icon(QStyle::SP_ArrowForward));
    AddAction("CutCmd", QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), nullptr);
    AddAction("CopyCmd", QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), nullptr);
    AddAction("PasteCmd", QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), nullptr);
    AddAction("DuplicateCmd", QStringLiteral("Duplicate"), QKeySequence(Qt::CTRL | Qt::Key_D),
              &TfrxDesignerForm::Duplicate);
    // Delete belongs to the surface (the key there); the menu item calls the same deletion.
    AddAction("DeleteCmd", QStringLiteral("Delete"), {}, nullptr);
    QObject::connect(actions.value(QStringLiteral("DeleteCmd")), &QAction::triggered, q,
                     [this] { workspace->DeleteObjects(); });
    AddAction("DeletePageCmd", QStringLiteral("Delete Page"), {}, &TfrxDesignerForm::DeletePage)
        ->setIcon(icon(QStyle::SP_TrashIcon));
    AddAction("SelectAllCmd", QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A),
              &TfrxDesignerForm::SelectAll);
    AddAction("GroupCmd", QStringLiteral("Group"), {}, &TfrxDesignerForm::Group);
    AddAction("UngroupCmd", QStringLiteral("Ungroup"), {}, &TfrxDesignerForm::Ungroup);
    AddAction("EditCmd", QStringLiteral("Edit..."), {}, nullptr);
    AddAction("FindCmd", QStringLiteral("Find..."), QKeySequence(Qt::CTRL | Qt::Key_F), nullptr);
    QObject::connect(actions.value(QStringLiteral("FindCmd")), &QAction::triggered, q,
                     [this] { q->ShowFindDialog(false); });
    AddAction("ReplaceCmd", QStringLiteral("Replace..."), QKeySequence(Qt::CTRL | Qt::Key_R), nullptr);
    QObject::connect(actions.value(QStringLiteral("ReplaceCmd")), &QAction::triggered, q,
                     [this] { q->ShowFindDialog(true); });
    AddAction("FindNextCmd", QStringLiteral("Find Next"), QKeySequence(Qt::Key_F3), nullptr);
    QObject::connect(actions.value(QStringLiteral("FindNextCmd")), &QAction::triggered, q,
                     [this] { q->Find(lastFindText, lastFindCase); });
    AddAction("BringToFrontCmd", QStringLiteral("Bring to Front"), {}, &TfrxDesignerForm::BringToFront);
    AddAction("SendToBackCmd", QStringLiteral("Send to Back"), {}, &TfrxDesignerForm::SendToBack);
    AddAction("LockCmd", QStringLiteral("Lock"), {}, &TfrxDesignerForm::ToggleLock)->setCheckable(true);

    AddAction("ShowRulersCmd", QStringLiteral("Rulers"), {}, nullptr)->setCheckable(true);
    AddAction("ShowGuidesCmd", QStringLiteral("Guides"), {}, nullptr)->setCheckable(true);
    AddAction("DeleteGuidesCmd", QStringLiteral("Delete Guides"), {}, nullptr);
    AddAction("ShowGridCmd", QStringLiteral("Show Grid"), {}, nullptr)->setCheckable(true);
    AddAction("AlignToGridCmd", QStringLiteral("Align to Grid"), {}, nullptr)->setCheckable(true);
    AddAction("FitToGridCmd", QStringLiteral("Fit to Grid"), {}, nullptr);
    AddAction("AboutCmd", QStringLiteral("About Tavrel..."), {}, nullptr);
    // The designer options (a copy of the state, taken on OK and stored) and the about box.
    AddAction("OptionsCmd", QStringLiteral("Options..."), {}, nullptr);
    QObject::connect(actions.value(QStringLiteral("OptionsCmd")), &QAction::triggered, q, [this] {
        CollectState();
        TfrxOptionsForm dialog(state, q);
        if (!Ui::RunDialog(dialog))
            return;
        state = dialog.State();
        // The window stays where it is: only the options are applied.
        const QRect geometry = state.Geometry;
        state.Geometry = QRect();
        ApplyState();
        state.Geometry = geometry;
        q->SetUnits(state.Units);
        workspace->UpdateView();
        SaveSettings();
    });
    QObject::connect(actions.value(QStringLiteral("AboutCmd")), &QAction::triggered, q, [this] {
        TfrxAboutForm dialog(q);
        Ui::RunDialog(dialog);
    });

    QObject::connect(actions.value(QStringLiteral("ShowGridCmd")), &QAction::toggled, q, [this](bool on) {
        state.ShowGrid = on;
        workspace->SetShowGrid(on);
    });
    QObject::connect(actions.value(QStringLiteral("AlignToGridCmd")), &QAction::toggled, q, [this](bool on) {
        state.GridAlign = on;
        workspace->SetGridAlign(on);
    });
    QObject::connect(actions.value(QStringLiteral("ShowGuidesCmd")), &QAction::toggled, q, [this](bool on) {
        state.ShowGuides = on;
        workspace->SetShowGuides(on);
    });
    QObject::connect(actions.value(QStringLiteral("ShowRulersCmd")), &QAction::toggled, q,
                     [this](bool on) { state.ShowRulers = on; });
    QObject::connect(actions.value(QStringLiteral("DeleteGuidesCmd")), &QAction::triggered, q, [this] {
        if (auto *page = qobject_cast<TfrxReportPage *>(q->m_page)) {
            page->SetHGuides({});
            page->SetVGuides({});
            q->SetModified(true);
        }
    });
    // Fit to Grid is connected by designer/format (TfrxDesignerFormatting).
}

void TfrxDesignerForm::Private::CreateMenus()
{
    QMenuBar *bar = q->menuBar();
    auto a = [this](const char *name) { return actions.value(QLatin1String(name)); };
    fileMenu = bar->addMenu(QStringLiteral("&File"));
    for (const char *name : {"NewItemCmd", "NewReportCmd", "NewPageCmd", "NewDialogCmd"})
        fileMenu->addAction(a(name));
    fileMenu->addSeparator();
    for (const char *name : {"OpenCmd", "SaveCmd", "SaveAsCmd"})
        fileMenu->addAction(a(name));
    fileMenu->addSeparator();
    fileMenu->addAction(a("PageSettingsCmd"));
    fileMenu->addAction(a("PreviewCmd"));
    recentSeparator = fileMenu->addSeparator();
    recentSeparator->setVisible(false);
    fileMenu->addSeparator();
    fileMenu->addAction(a("ExitCmd"));

    QMenu *edit = bar->addMenu(QStringLiteral("&Edit"));
    for (const char *name : {"UndoCmd", "RedoCmd"})
        edit->addAction(a(name));
    edit->addSeparator();
    for (const char *name : {"CutCmd", "CopyCmd", "PasteCmd", "DuplicateCmd", "DeleteCmd", "DeletePageCmd", "SelectAllCmd"})
        edit->addAction(a(name));
    edit->addSeparator();
    for (const char *name : {"GroupCmd", "UngroupCmd", "EditCmd"})
        edit->addAction(a(name));
    edit->addSeparator();
    for (const char *name : {"FindCmd", "ReplaceCmd", "FindNextCmd"})
        edit->addAction(a(name));
    edit->addSeparator();
    for (const char *name : {"BringToFrontCmd", "SendToBackCmd", "LockCmd"})
        edit->addAction(a(name));

    bar->addMenu(QStringLiteral("&Report"));

    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    QMenu *toolbars = view->addMenu(QStringLiteral("Toolbars"));
    toolbars->setObjectName(QStringLiteral("ToolbarsCmd"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    for (const char *name : {"ShowRulersCmd", "ShowGuidesCmd", "DeleteGuidesCmd"})
        view->addAction(a(name));
    view->addSeparator();
    for (const char *name : {"ShowGridCmd", "AlignToGridCmd", "FitToGridCmd"})
        view->addAction(a(name));
    view->addSeparator();
    view->addAction(a("OptionsCmd"));

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(a("AboutCmd"));
}

void TfrxDesignerForm::Private::CreateToolBars()
{
    auto a = [this](const char *name) { return actions.value(QLatin1String(name)); };
    standardBar = q->addToolBar(QStringLiteral("Standard"));
    standardBar->setObjectName(QStringLiteral("StandardTB"));
    for (const char *name : {"NewReportCmd", "OpenCmd", "SaveCmd", "PreviewCmd"})
        standardBar->addAction(a(name));
    standardBar->addSeparator();
    for (const char *name : {"NewPageCmd", "NewDialogCmd", "DeletePageCmd", "PageSettingsCmd"})
        standardBar->addAction(a(name));
    standardBar->addSeparator();
    for (const char *name : {"CutCmd", "CopyCmd", "PasteCmd"})
        standardBar->addAction(a(name));
    standardBar->addSeparator();
    for (const char *name : {"UndoCmd", "RedoCmd"})
        standardBar->addAction(a(name));
    standardBar->addSeparator();
    for (const char *name : {"GroupCmd", "UngroupCmd"})
        standardBar->addAction(a(name));
    standardBar->addSeparator();
    for (const char *name : {"ShowGridCmd", "AlignToGridCmd", "FitToGridCmd"})
        standardBar->addAction(a(name));
    standardBar->addSeparator();
    zoomBox = new QComboBox(standardBar);
    zoomBox->setObjectName(QStringLiteral("ScaleCB"));
    zoomBox->setEditable(true);
    zoomBox->addItems({QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("75%"),
                       QStringLiteral("100%"), QStringLiteral("150%"), QStringLiteral("200%"),
                       QStringLiteral("Page width"), QStringLiteral("Whole page")});
    zoomBox->setMinimumContentsLength(9);
    QObject::connect(zoomBox, &QComboBox::textActivated, q, &TfrxDesignerForm::SetZoomText);
    standardBar->addWidget(zoomBox);

    objectsBar = new QToolBar(QStringLiteral("Objects"), q);
    objectsBar->setObjectName(QStringLiteral("ObjectsTB1"));
    q->addToolBar(Qt::LeftToolBarArea, objectsBar);
    auto *select = objectsBar->addAction(QStringLiteral("Select Tool"));
    select->setObjectName(QStringLiteral("SelectToolCmd"));
    select->setCheckable(true);
    select->setChecked(true);
    select->setIcon(q->style()->standardIcon(QStyle::SP_ArrowUp));

    QMenu *toolbars = q->findChild<QMenu *>(QStringLiteral("ToolbarsCmd"));
    for (QToolBar *bar : {standardBar, objectsBar})
        toolbars->addAction(bar->toggleViewAction());
}

void TfrxDesignerForm::Private::CreateCentre()
{
    auto *central = new QWidget(q);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tabs = new QTabBar(central);
    tabs->setObjectName(QStringLiteral("Tabs"));
    tabs->setShape(QTabBar::RoundedNorth);
    tabs->setExpanding(false);
    tabs->setMovable(false);
    tabs->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(tabs);

    centre = new QStackedWidget(central);
    pageArea = new QWidget(centre);
    auto *pageLayout = new QVBoxLayout(pageArea);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    scrollBox = new QScrollArea(pageArea);
    scrollBox->setObjectName(QStringLiteral("ScrollBox"));
    scrollBox->setBackgroundRole(QPalette::Dark);
    scrollBox->setStyleSheet(QStringLiteral("QScrollArea#ScrollBox { background: rgb(128,128,128); }"));
    workspace = new TfrxDesignerWorkspace;
    workspace->SetLists(&q->m_objects, &q->m_selectedObjects);
    scrollBox->setWidget(workspace);
    scrollBox->setWidgetResizable(false);
    scrollBox->viewport()->installEventFilter(q);
    pageLayout->addWidget(scrollBox);
    codeWindow = new QPlainTextEdit(centre);
    codeWindow->setObjectName(QStringLiteral("CodeWindow"));
    codeWindow->setLineWrapMode(QPlainTextEdit::NoWrap);
    centre->addWidget(pageArea);
    centre->addWidget(codeWindow);
    layout->addWidget(centre, 1);
    q->setCentralWidget(central);

    QObject::connect(codeWindow, &QPlainTextEdit::textChanged, q, [this] { codeChanged = true; });
    QObject::connect(tabs, &QTabBar::currentChanged, q, [this](int index) {
        if (updatingTabs || locked)
            return;
        SaveScrollPosition();
        if (q->m_page == nullptr && codeChanged) {
            codeChanged = false;
            q->SetModified(true);
        }
        TfrxReport *report = q->Report();
        q->SetPage(index <= 0 || index - 1 >= report->PagesCount() ? nullptr : report->Pages(index - 1));
    });
    // A page tab dragged onto another moves the page there: one change.
    QObject::connect(new TfrxPageTabDrag(tabs), &TfrxPageTabDrag::MoveRequested, q, [this](int from, int to) {
        if (locked || !frxMovePage(*q->Report(), from - 1, to - 1))
            return;
        RebuildTabs();
        updatingTabs = true;
        tabs->setCurrentIndex(to);
        updatingTabs = false;
        changeSource.clear();
        q->SetModified(true);
    });
    QObject::connect(tabs, &QWidget::customContextMenuRequested, q, [this](const QPoint &pos) {
        QMenu menu;
        for (const char *name : {"NewPageCmd", "NewDialogCmd", "DeletePageCmd", "PageSettingsCmd"})
            menu.addAction(actions.value(QLatin1String(name)));
        menu.exec(tabs->mapToGlobal(pos));
    });
    QObject::connect(workspace, &TfrxDesignerWorkspace::Modified, q, [this] {
        changeSource = QStringLiteral("workspace");
        q->SetModified(true);
    });
    QObject::connect(workspace, &TfrxDesignerWorkspace::SelectionChanged, q, [this] {
        UpdateControls();
        UpdateStatus();
    });
    QObject::connect(workspace, &TfrxDesignerWorkspace::PositionChanged, q,
                     [this](const QRectF &) { UpdateStatus(); });
}

void TfrxDesignerForm::Private::CreateStatusBar()
{
    QStatusBar *bar = q->statusBar();
    unitPanel = new QLabel(bar);
    unitPanel->setObjectName(QStringLiteral("UnitPanel"));
    unitPanel->setFixedWidth(75);
    unitPanel->installEventFilter(q);
    positionPanel = new QLabel(bar);
    positionPanel->setObjectName(QStringLiteral("PositionPanel"));
    positionPanel->setFixedWidth(230);
    objectPanel = new QLabel(bar);
    objectPanel->setObjectName(QStringLiteral("ObjectPanel"));
    objectPanel->setMinimumWidth(50);
    bar->addWidget(unitPanel);
    bar->addWidget(positionPanel);
    bar->addWidget(objectPanel, 1);
}

void TfrxDesignerForm::Private::CreateDocks()
{
    // The report tree and the data tree (designer/trees/frxDesgnTrees.cpp).
    CreateTrees();

    QMenu *toolbars = q->findChild<QMenu *>(QStringLiteral("ToolbarsCmd"));
    // The object inspector (designer/inspector): its writes are one change each; a selection in
    // the workspace shows its properties.
    inspector = new TfrxObjectInspector(q);
    auto *inspectorDock = new QDockWidget(QStringLiteral("Object Inspector"), q);
    inspectorDock->setObjectName(QStringLiteral("TfrxObjectInspectorDock"));
    inspectorDock->setWidget(inspector);
    q->addDockWidget(Qt::LeftDockWidgetArea, inspectorDock);
    q->splitDockWidget(reportTreeDock, inspectorDock, Qt::Vertical);
    toolbars->addAction(inspectorDock->toggleViewAction());
    QObject::connect(inspector, &TfrxObjectInspector::Modified, q, [this] {
        changeSource = QStringLiteral("inspector");
        q->SetModified(true);
    });
    QObject::connect(inspector, &TfrxObjectInspector::ObjectPicked, q, [this](TfrxComponent *c) {
        if (!q->SelectObject(c->Name())) {
            q->m_selectedObjects = {c};
            inspector->SetSelectedObjects(q->m_selectedObjects);
            workspace->UpdateView();
        }
    });
    QObject::connect(workspace, &TfrxDesignerWorkspace::SelectionChanged, inspector,
                     [this] { inspector->SetSelectedObjects(q->m_selectedObjects); });
}

TfrxDesignerForm::TfrxDesignerForm(TfrxReport *report, QWidget *parent)
    : TfrxCustomDesigner(report, false, parent), d(std::make_unique<Private>(this))
{
    setObjectName(QStringLiteral("TfrxDesignerForm"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    resize(1057, 610);
    // The first-run placement (maximized) applies unless the caller sizes the window itself.
    setAttribute(Qt::WA_Resized, false);
    d->CreateActions();
    d->CreateMenus();
    d->CreateToolBars();
    d->CreateCentre();
    d->CreateStatusBar();
    d->CreateDocks();
    d->CreateObjectButtons();
    frxInstallEditorCommands(this); // editors: the Report menu's Variables, Styles, Options
    d->formatting = new TfrxDesignerFormatting(this);
    // What the window shows from its first frame: settings, then the report.
    d->state = TfrxDesignerSettings(report->IniFile()).Restore();
    d->ApplyState();
    d->inspector->RestoreSettings(TfrxDesignerSettings::StoreFileName(report->IniFile()));
    d->CheckLoadFailed();
    ReloadReport();
}

TfrxDesignerForm::~TfrxDesignerForm()
{
    if (m_report && m_report->Designer() == this)
        m_report->SetDesigner(nullptr);
}

void TfrxDesignerForm::Private::ApplyState()
{
    scale = std::clamp(state.Scale, 0.1, 20.0);
    units = state.Units;
    actions.value(QStringLiteral("ShowGridCmd"))->setChecked(state.ShowGrid);
    actions.value(QStringLiteral("AlignToGridCmd"))->setChecked(state.GridAlign);
    actions.value(QStringLiteral("ShowGuidesCmd"))->setChecked(state.ShowGuides);
    actions.value(QStringLiteral("ShowRulersCmd"))->setChecked(state.ShowRulers);
    workspace->SetShowGrid(state.ShowGrid);
    workspace->SetGridAlign(state.GridAlign);
    workspace->SetShowGuides(state.ShowGuides);
    workspace->SetGridLCD(state.GridLCD);
    workspace->SetColor(FromTColor(state.WorkspaceColor));
    workspace->SetBandOptions(state.ShowBandCaptions, state.FreeBands, state.BandsGap);
    workspace->SetScale(scale);
    zoomBox->setEditText(QString::number(std::lround(scale * 100)) + QLatin1Char('%'));
    reportTreeDock->setVisible(!state.HiddenBars.contains(QStringLiteral("TfrxReportTreeForm")));
    dataTreeDock->setVisible(!state.HiddenBars.contains(QStringLiteral("TfrxDataTreeForm")));
    standardBar->setVisible(!state.HiddenBars.contains(QStringLiteral("StandardTB")));
    QFont code(state.ScriptFontName);
    code.setPointSize(state.ScriptFontSize);
    code.setStyleHint(QFont::Monospace);
    codeWindow->setFont(code);
    if (state.Geometry.isValid())
        q->setGeometry(state.Geometry);
    ApplyGrid();
}

void TfrxDesignerForm::Private::CollectState()
{
    state.Scale = scale;
    if (!q->isMaximized() && q->isVisible())
        state.Geometry = q->geometry();
    state.Maximized = q->isMaximized();
    state.HiddenBars.clear();
    if (!reportTreeDock->isVisible() && q->isVisible())
        state.HiddenBars << QStringLiteral("TfrxReportTreeForm");
    if (!dataTreeDock->isVisible() && q->isVisible())
        state.HiddenBars << QStringLiteral("TfrxDataTreeForm");
    if (!standardBar->isVisible() && q->isVisible())
        state.HiddenBars << QStringLiteral("StandardTB");
}

void TfrxDesignerForm::Private::SaveSettings()
{
    CollectState();
    // A store that cannot be written is left as it is, silently.
    TfrxDesignerSettings(q->Report()->IniFile()).Save(state);
    inspector->SaveSettings(TfrxDesignerSettings::StoreFileName(q->Report()->IniFile()));
}

void TfrxDesignerForm::Private::CheckLoadFailed()
{
    // A file that exists but gave no objects and errors: saving over it would lose it.
    TfrxReport *report = q->Report();
    loadFailed = false;
    if (report->FileName().isEmpty() || !QFileInfo::exists(report->FileName()) || report->Errors().isEmpty())
        return;
    for (int i = 0; i < report->PagesCount(); ++i)
        if (!report->Pages(i)->Objects().isEmpty())
            return;
    loadFailed = true;
}

void TfrxDesignerForm::showEvent(QShowEvent *event)
{
    TfrxCustomDesigner::showEvent(event);
    if (!d->shownOnce) {
        d->shownOnce = true;
        if (d->state.Maximized && !d->state.Geometry.isValid() && !testAttribute(Qt::WA_Resized)) {
            // The whole screen also where no window manager maximizes.
            if (QScreen *screen = this->screen())
                setGeometry(screen->availableGeometry());
            setWindowState(windowState() | Qt::WindowMaximized);
        }
    }
}

// ---- the base's operations ---------------------------------------------------------------------------

QStringList TfrxDesignerForm::GetScriptLines()
{
    return d->codeWindow->toPlainText().split(u'\n');
}

QString TfrxDesignerForm::EditExpression(const QString &expression)
{
    return expression;
}

void TfrxDesignerForm::Lock()
{
    m_objects.clear();
    m_selectedObjects.clear();
    d->locked = true;
    d->workspace->Lock();
    d->UpdateReportTree();
    d->inspector->Lock();
}

void TfrxDesignerForm::Private::StoreScript()
{
    if (codeWindow)
        q->Report()->SetScriptText(q->GetScriptLines());
}

void TfrxDesignerForm::Private::LoadScript()
{
    const bool changed = codeChanged;
    codeWindow->setPlainText(q->Report()->ScriptText().join(u'\n'));
    codeChanged = changed;
}

int TfrxDesignerForm::Private::CurrentPageIndex() const
{
    if (!q->m_page)
        return -1;
    TfrxReport *report = q->Report();
    for (int i = 0; i < report->PagesCount(); ++i)
        if (report->Pages(i) == q->m_page)
            return i;
    return -1;
}

void TfrxDesignerForm::Private::RebuildTabs()
{
    updatingTabs = true;
    while (tabs->count() > 0)
        tabs->removeTab(0);
    tabs->addTab(QStringLiteral("Code"));
    TfrxReport *report = q->Report();
    for (int i = 0; i < report->PagesCount(); ++i) {
        TfrxPage *page = report->Pages(i);
        QString caption;
        if (qobject_cast<TfrxDataPage *>(page))
            caption = QStringLiteral("Data");
        else if (!page->Name().isEmpty())
            caption = page->Name();
        else
            caption = QStringLiteral("Page") + QString::number(i + 1);
        tabs->addTab(caption);
    }
    updatingTabs = false;
}

void TfrxDesignerForm::ReloadPages(int index)
{
    TfrxReport *report = Report();
    for (int i = 0; i < report->PagesCount(); ++i)
        report->Pages(i)->SetIsDesigning(true);
    d->RebuildTabs();
    if (index == -1) {
        SetPage(nullptr);
        return;
    }
    TfrxPage *page = nullptr;
    if (index == -2) {
        for (int i = 0; i < report->PagesCount() && !page; ++i)
            if (!qobject_cast<TfrxDataPage *>(report->Pages(i)))
                page = report->Pages(i);
    } else if (index >= 0 && index < report->PagesCount()) {
        page = report->Pages(index);
    }
    if (!page && report->PagesCount() > 0)
        page = report->Pages(0);
    SetPage(page);
}

void TfrxDesignerForm::ReloadReport()
{
    TfrxReport *report = Report();
    // A report without a page to design (empty, or what a damaged file left): "Data" and "Page1".
    bool hasPage = false;
    for (int i = 0; i < report->PagesCount(); ++i)
        hasPage = hasPage || !qobject_cast<TfrxDataPage *>(report->Pages(i));
    if (!hasPage) {
        const bool hadData = report->PagesCount() > 0;
        TfrxDataPage *data = report->EnsureDataPage();
        if (!hadData) {
            data->SetName(QStringLiteral("Data"));
            data->SetWidth(1000);
            data->SetHeight(1000);
        }
        auto *page = new TfrxReportPage(report);
        page->SetName(QStringLiteral("Page1"));
        page->SetDefaults();
    }
    d->LoadScript();
    d->codeChanged = false;
    ReloadPages(-2);
    if (!report->FileName().isEmpty())
        AddRecentFile(report->FileName());
    d->UpdateCaption();
    d->undo.ClearUndo();
    d->undo.ClearRedo();
    SetModified(false);
    UpdateDataTree();
}

void TfrxDesignerForm::SetPage(TfrxPage *page)
{
    TfrxCustomDesigner::SetPage(page);
    d->locked = false;
    TfrxReport *report = Report();
    const int index = d->CurrentPageIndex();
    d->updatingTabs = true;
    d->tabs->setCurrentIndex(page ? index + 1 : 0);
    d->updatingTabs = false;
    d->centre->setCurrentWidget(page ? d->pageArea : static_cast<QWidget *>(d->codeWindow));
    d->objectsBar->setVisible(page != nullptr);
    d->UpdateObjectButtons();
    m_objects.clear();
    m_selectedObjects.clear();
    if (page) {
        if (qobject_cast<TfrxDataPage *>(page)) {
            d->workspace->SetScale(1);
        } else {
            d->workspace->SetScale(d->scale);
        }
        d->ApplyGrid();
        m_objects << page->AllObjects() << report << page;
        m_selectedObjects << page;
        d->workspace->SetPage(page);
        d->workspace->AdjustBands();
        d->workspace->setFocus();
        d->RestoreScrollPosition();
    } else {
        d->workspace->Lock();
    }
    d->UpdateControls();
    d->UpdateStatus();
    d->UpdateReportTree();
    d->inspector->SetSelectedObjects(m_selectedObjects);
}

void TfrxDesignerForm::SetModified(bool value)
{
    TfrxCustomDesigner::SetModified(value);
    TfrxReport *report = Report();
    if (!d->locked || m_page == nullptr)
        d->StoreScript();
    if (d->undo.AddUndo(*report) || value)
        d->undo.ClearRedo();
    d->actions.value(QStringLiteral("SaveCmd"))->setEnabled(m_modified);
    if (d->changeSource != QLatin1String("workspace") && !d->locked && m_page) {
        // Objects a command freed must not stay in the lists.
        m_objects.clear();
        m_objects << m_page->AllObjects() << report << m_page;
        for (qsizetype i = m_selectedObjects.size() - 1; i >= 0; --i)
            if (!m_objects.contains(m_selectedObjects[i]))
                m_selectedObjects.removeAt(i);
        if (m_selectedObjects.isEmpty())
            m_selectedObjects << m_page;
        d->workspace->AdjustBands();
    }
    d->workspace->UpdateView();
    d->UpdateControls();
    d->UpdateStatus();
    d->UpdateReportTree();
    if (d->changeSource != QLatin1String("inspector") && !d->locked)
        d->inspector->SetSelectedObjects(m_selectedObjects);
    d->changeSource.clear();
}

void TfrxDesignerForm::UpdateDataTree()
{
    d->UpdateDataTree();
}

void TfrxDesignerForm::UpdatePage()
{
    d->workspace->UpdateView();
}

// ---- states ------------------------------------------------------------------------------------------

void TfrxDesignerForm::Private::UpdateControls()
{
    TfrxPage *page = q->m_page;
    TfrxReport *report = q->Report();
    const bool more = page && !q->m_selectedObjects.isEmpty() && q->m_selectedObjects.first() != page;
    int selectedViews = 0;
    for (TfrxComponent *c : q->m_selectedObjects)
        if (c != page && c != report)
            ++selectedViews;
    auto set = [this](const char *name, bool on) { actions.value(QLatin1String(name))->setEnabled(on); };
    set("UndoCmd", undo.UndoCount() > 1);
    set("RedoCmd", undo.RedoCount() > 0 && page);
    set("CutCmd", more || !page);
    set("CopyCmd", more || !page);
    set("DeleteCmd", more);
    set("DuplicateCmd", more && page);
    set("BringToFrontCmd", more);
    set("SendToBackCmd", more);
    set("LockCmd", selectedViews > 0);
    {
        // Checked when every selected object is locked.
        bool locked = selectedViews > 0;
        for (TfrxComponent *c : q->m_selectedObjects)
            if (c != page && c != report)
                locked = locked && c->Restrictions().testFlag(frx::rfDontMove) &&
                         c->Restrictions().testFlag(frx::rfDontSize);
        actions.value(QStringLiteral("LockCmd"))->setChecked(locked);
    }
    set("FitToGridCmd", more);
    set("GroupCmd", selectedViews > 1);
    set("UngroupCmd", more);
    set("EditCmd", selectedViews == 1);
    set("SelectAllCmd", page && !page->Objects().isEmpty());
    set("DeletePageCmd", report->PagesCount() > 2 && page && !qobject_cast<TfrxDataPage *>(page));
    set("PageSettingsCmd", qobject_cast<TfrxReportPage *>(page) != nullptr);
    set("FindNextCmd", !lastFindText.isEmpty());
    set("SaveCmd", q->m_modified);
    if (formatting)
        formatting->SelectionChanged();
}

void TfrxDesignerForm::Private::UpdateStatus()
{
    unitPanel->setText(QLatin1String(UnitNames[std::clamp(units, 0, 3)]));
    TfrxPage *page = q->m_page;
    QList<TfrxComponent *> views;
    for (TfrxComponent *c : q->m_selectedObjects)
        if (c != page && !qobject_cast<TfrxReport *>(c))
            views << c;
    if (!page) {
        const QTextCursor cursor = codeWindow->textCursor();
        positionPanel->setText(
            QStringLiteral("%1; %2").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1));
        objectPanel->clear();
        return;
    }
    if (views.size() != 1) {
        positionPanel->clear();
        objectPanel->clear();
        return;
    }
    TfrxComponent *c = views.first();
    const double factor = units == 0 ? fr1cm : units == 1 ? fr1in : units == 2 ? 1 : 9.6;
    const double factorY = units == 3 ? 17 : factor;
    positionPanel->setText(QStringLiteral("%1; %2    %3; %4")
                               .arg(c->Left() / factor, 0, 'f', 2)
                               .arg(c->Top() / factorY, 0, 'f', 2)
                               .arg(c->Width() / factor, 0, 'f', 2)
                               .arg(c->Height() / factorY, 0, 'f', 2));
    QString text = c->Name();
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(c)) {
        if (memo->IsDataField())
            text += QStringLiteral(": ") + memo->DataSet()->UserName() + QStringLiteral(".\"") +
                    memo->DataField() + QLatin1Char('"');
        else {
            QString memoText = memo->Text();
            while (memoText.endsWith(u'\n') || memoText.endsWith(u'\r'))
                memoText.chop(1);
            text += QStringLiteral(": ") + memoText.left(128);
        }
    }
    objectPanel->setText(text);
}

void TfrxDesignerForm::Private::UpdateCaption()
{
    q->setWindowTitle(QStringLiteral("Tavrel - ") + q->ReportTitle());
}

void TfrxDesignerForm::Private::SaveScrollPosition()
{
    const int index = tabs->currentIndex();
    if (index >= 0 && index < scrollPositions.size())
        scrollPositions[index] = QStringLiteral("%1:%2")
                                     .arg(scrollBox->horizontalScrollBar()->value())
                                     .arg(scrollBox->verticalScrollBar()->value());
}

void TfrxDesignerForm::Private::RestoreScrollPosition()
{
    const int index = tabs->currentIndex();
    if (index < 0 || index >= scrollPositions.size())
        return;
    const QStringList parts = scrollPositions[index].split(u':');
    if (parts.size() != 2)
        return;
    scrollBox->horizontalScrollBar()->setValue(parts[0].toInt());
    scrollBox->verticalScrollBar()->setValue(parts[1].toInt());
}

// ---- zoom and units ----------------------------------------------------------------------------------

void TfrxDesignerForm::SetScale(double scale)
{
    if (!std::isfinite(scale) || scale == 0)
        scale = 1;
    // Page width or whole page on a tiny window can give next to nothing: keep 10 % … 2000 %.
    scale = std::clamp(scale, 0.1, 20.0);
    d->scale = scale;
    d->state.Scale = scale;
    d->zoomBox->setEditText(QString::number(std::lround(scale * 100)) + QLatin1Char('%'));
    if (m_page && !qobject_cast<TfrxDataPage *>(m_page)) {
        d->workspace->SetScale(scale);
        d->workspace->SetPage(m_page);
    }
    // The rulers count in the new scale at once.
    if (d->formatting)
        for (bool horizontal : {true, false})
            if (TfrxRuler *ruler = d->formatting->Ruler(horizontal))
                ruler->update();
}

double TfrxDesignerForm::Scale() const
{
    return d->scale;
}

void TfrxDesignerForm::SetZoomText(const QString &text)
{
    auto *page = qobject_cast<TfrxReportPage *>(m_page);
    const QSize box = d->scrollBox->viewport()->size();
    if (text == QLatin1String("Page width")) {
        if (page && page->PaperWidth() > 0)
            SetScale((box.width() - 40) / (page->PaperWidth() * 96 / 25.4));
        return;
    }
    if (text == QLatin1String("Whole page")) {
        if (page && page->PaperWidth() > 0 && page->PaperHeight() > 0)
            SetScale(std::min((box.height() - 20) / std::round(page->PaperHeight() * 96 / 25.4),
                              (box.width() - 20) / std::round(page->PaperWidth() * 96 / 25.4)));
        return;
    }
    QString number = text;
    number.remove(u'%').remove(u' ');
    bool ok = false;
    const double percent = number.toDouble(&ok);
    if (ok)
        SetScale(percent / 100);
}

void TfrxDesignerForm::Private::ApplyGrid()
{
    TfrxPage *page = q->m_page;
    int u = units;
    if (qobject_cast<TfrxDataPage *>(page))
        u = 2;
    switch (u) {
    case 0:
        workspace->SetGrid(TfrxDesignerWorkspace::gtCm, state.Grid1 * fr1cm, state.Grid1 * fr1cm);
        break;
    case 1:
        workspace->SetGrid(TfrxDesignerWorkspace::gtInch, state.Grid2 * 96, state.Grid2 * 96);
        break;
    case 2:
        workspace->SetGrid(TfrxDesignerWorkspace::gtPixel, state.Grid3, state.Grid3);
        break;
    default:
        workspace->SetGrid(TfrxDesignerWorkspace::gtChar, 9.6, 17);
        break;
    }
    unitPanel->setText(QLatin1String(UnitNames[std::clamp(u, 0, 3)]));
}

void TfrxDesignerForm::SetUnits(int units)
{
    d->units = std::clamp(units, 0, 3);
    d->state.Units = d->units;
    d->ApplyGrid();
    d->workspace->AdjustBands();
    d->UpdateStatus();
    d->inspector->UpdateProperties();
}

int TfrxDesignerForm::Units() const
{
    return d->units;
}

bool TfrxDesignerForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == d->unitPanel && event->type() == QEvent::MouseButtonDblClick) {
        // Centimetres, inches, pixels, round again; not on character grids.
        if (d->units != 3 && !qobject_cast<TfrxDataPage *>(m_page))
            SetUnits((d->units + 1) % 3);
        return true;
    }
    if (watched == d->scrollBox->viewport() && event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const double notches = wheel->angleDelta().y() / 120.0;
            SetScale(std::max(0.3, d->scale + 0.05 * notches));
            return true;
        }
    }
    return TfrxCustomDesigner::eventFilter(watched, event);
}

bool TfrxDesignerForm::SelectObject(const QString &name)
{
    if (!m_page)
        return false;
    for (TfrxComponent *c : std::as_const(m_objects)) {
        if (c != m_page && c != Report() && c->Name().compare(name, Qt::CaseInsensitive) == 0) {
            d->workspace->Select({c});
            // Scrolled into view, as a click in the report tree would show it.
            const QPointF at =
                d->workspace->PrintableOrigin() + QPointF(c->AbsLeft(), c->AbsTop()) * d->workspace->Scale();
            d->scrollBox->ensureVisible(int(at.x()), int(at.y()), 60, 60);
            return true;
        }
    }
    return false;
}

// ---- access ------------------------------------------------------------------------------------------

QAction *TfrxDesignerForm::Action(const QString &name) const
{
    return d->actions.value(name);
}

TfrxDesignerWorkspace *TfrxDesignerForm::Workspace() const
{
    return d->workspace;
}

TfrxDesignerFormatting *TfrxDesignerForm::Formatting() const
{
    return d->formatting;
}

TfrxUndoBuffer *TfrxDesignerForm::UndoBuffer() const
{
    return &d->undo;
}

QStringList TfrxDesignerForm::RecentFiles() const
{
    return d->state.RecentFiles;
}

QString TfrxDesignerForm::StatusText(int panel) const
{
    switch (panel) {
    case 0:
        return d->unitPanel->text();
    case 1:
        return d->positionPanel->text();
    default:
        return d->objectPanel->text();
    }
}

QStringList TfrxDesignerForm::TabCaptions() const
{
    QStringList captions;
    for (int i = 0; i < d->tabs->count(); ++i)
        captions << d->tabs->tabText(i);
    return captions;
}

QString TfrxDesignerForm::ReportTitle() const
{
    const QString name = Report()->FileName();
    const QString file = name.isEmpty() ? QStringLiteral("Untitled.fr3") : QFileInfo(name).fileName();
    // The host may name what the layout is (a template's name from the catalogue); it is no
    // property of the layout and is not saved with it.
    const QString title = Report()->property(frxDesignTitleProperty).toString();
    return title.isEmpty() ? file : title + QStringLiteral(" (") + file + u')';
}

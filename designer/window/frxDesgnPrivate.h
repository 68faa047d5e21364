#pragma once
// The designer window's private state, shared by the files that implement the window.

#include "designer/settings/frxDesignerSettings.h"
#include "designer/undo/frxUndoBuffer.h"
#include "designer/window/frxDesgn.h"

#include <QHash>
#include <QStringList>

#include <memory>

class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QStackedWidget;
class QTabBar;
class QToolBar;
class QDockWidget;
class TfrxDataTreeForm;
class TfrxFieldDrop;
class TfrxReportTreeForm;
class TfrxObjectInspector;

struct TfrxDesignerForm::Private {
    TfrxDesignerForm *q;
    TfrxDesignerState state;
    TfrxUndoBuffer undo;
    QHash<QString, QAction *> actions;

    TfrxDesignerWorkspace *workspace = nullptr;
    TfrxDesignerFormatting *formatting = nullptr; // designer/format
    QScrollArea *scrollBox = nullptr;
    QStackedWidget *centre = nullptr;
    QWidget *pageArea = nullptr;
    QPlainTextEdit *codeWindow = nullptr;
    QTabBar *tabs = nullptr;
    QComboBox *zoomBox = nullptr;
    QLabel *unitPanel = nullptr;
    QLabel *positionPanel = nullptr;
    QLabel *objectPanel = nullptr;
    QMenu *fileMenu = nullptr;
    QAction *recentSeparator = nullptr;
    QList<QAction *> recentItems;
    // The tree windows and the page's drop handling (designer/trees, created by CreateTrees).
    TfrxReportTreeForm *reportTree = nullptr;
    TfrxDataTreeForm *dataTree = nullptr;
    std::shared_ptr<TfrxFieldDrop> fieldDrop;
    QDockWidget *reportTreeDock = nullptr;
    QDockWidget *dataTreeDock = nullptr;
    TfrxObjectInspector *inspector = nullptr; // designer/inspector
    QToolBar *standardBar = nullptr;
    QToolBar *objectsBar = nullptr;
    QAction *selectTool = nullptr;
    QString insertClass;
    int insertFlags = 0;

    double scale = 1;
    int units = 0;
    bool locked = false;
    bool codeChanged = false;
    bool updatingTabs = false;
    bool shownOnce = false;
    // The file of the report was there but gave nothing: saving over it must be asked first.
    bool loadFailed = false;
    // Which view reported the change SetModified is handling ("workspace", "inspector").
    QString changeSource;
    QStringList scrollPositions = QStringList(256);
    int lastFound = -1;
    QString lastFindText;
    bool lastFindCase = false;

    explicit Private(TfrxDesignerForm *form) : q(form) {}

    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateCentre();
    void CreateStatusBar();
    void CreateDocks();
    void CreateTrees();
    QAction *AddAction(const char *name, const QString &caption, const QKeySequence &shortcut,
                       void (TfrxDesignerForm::*slot)());
    void UpdateControls();
    void UpdateCaption();
    void UpdateRecentMenu();
    void UpdateReportTree();
    void UpdateDataTree();
    void UpdateStatus();
    void RebuildTabs();
    void StoreScript();
    void LoadScript();
    int CurrentPageIndex() const;
    void SaveScrollPosition();
    void RestoreScrollPosition();
    void ApplyGrid();
    void ApplyState();
    void CollectState();
    void SaveSettings();
    void CheckLoadFailed();
    void CreateObjectButtons();
    // Shows the objects bar's kinds that suit the current page.
    void UpdateObjectButtons();
    QSizeF DefaultObjectSize(const QString &className, int flags);
};

#pragma once
// The main window: tool bar, menus, template list, order grid and status bar. Each command is a
// public slot that a test can call directly; messages and questions go through the Ui seam.

#include "app/TemplateClS.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class OrderModel;
class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QTableView;
class QTimer;
class QToolBar;
class QToolButton;

// The commands whose work lies in the print driver, the preview and the designer. The main
// window checks their preconditions and then hands over to these.
struct PrintCommands {
    std::function<void()> PrintAll;
    std::function<void(int row)> PrintOne;
    std::function<void(const TTemplatePtr &, int row)> PreviewOne;
    std::function<void(const TTemplatePtr &)> PreviewTemplate;
    std::function<void(const TTemplatePtr &)> Design;
    // Saves an empty layout of a page size (mm) for the new-template dialog.
    std::function<void(const QString &path, double widthMm, double heightMm)> SaveEmptyLayout;
};

class PanelHost;
class TTavrelForm;

class TFMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TFMainWindow(QWidget *parent = nullptr);
    ~TFMainWindow() override;

    PrintCommands Commands;
    // The report holder of the print driver, made at start-up after this window.
    std::unique_ptr<TTavrelForm> TavrelForm;

    // Components other parts of the program and the tests reach.
    QToolBar *ToolBar1 = nullptr;
    QToolButton *ToolButton1 = nullptr, *ToolButtonDataIMP = nullptr, *ToolButtonPintCFG = nullptr,
                *ShowOrHideButton = nullptr, *ToolButton4 = nullptr, *ToolButton5 = nullptr,
                *ToolButton9 = nullptr, *ToolButton12 = nullptr, *ToolButton8 = nullptr,
                *ToolButton10 = nullptr, *ToolButton11 = nullptr;
    QWidget *Panel2 = nullptr;
    QListWidget *ListBox1 = nullptr;
    QTableView *ListViewGrid = nullptr;
    OrderModel *GridModel = nullptr;
    QMenu *PopupMenu1 = nullptr, *PopupMenu2 = nullptr;
    QTimer *Timer1 = nullptr;

    // Takes the report holder and lets its dataset mark the rows a print run reaches.
    void AttachTavrelForm(std::unique_ptr<TTavrelForm> form);

    QString StatusText(int panel) const;
    void SetStatusText(int panel, const QString &text);
    // Shows a printer and offsets in panels 5, 7 and 9.
    void ShowPrinterStatus(const QString &printer, int hao, int vao);
    // Index of the selected grid row, or -1.
    int SelectedGridRow() const;
    // Imports an order export into the grid; a file that cannot be read is reported and the
    // orders already shown stay.
    void ImportOrderFile(const QString &path);
    // Checks that a template, a printer and orders are there, with the messages a seller sees,
    // then asks whether to print.
    bool CheckPrintReady() const;
    // The same three checks without the question (the timed mode prints without asking).
    bool CheckPrintPreconditions() const;
    // A note at the right end of the status bar (orders read, the timed mode's last run).
    void ShowStatusMessage(const QString &text);
    // Shows and enables the timed mode's buttons when the settings name an order file to fetch.
    void ApplyAutoSettings();

public slots:
    void init();
    void ShowTemplateList();
    void ShowColumnStrut();
    void ShowData();
    void ShowSelectIndex();
    void FormResize();

    void ToolButton1Click();          // batch print
    void ToolButtonDataIMPClick();    // order import
    void ToolButtonPintCFGClick();    // printer settings
    void ShowOrHideButtonClick();     // template list shown or hidden
    void ToolButton4Click();          // new template
    void ToolButton5Click();          // support site
    void ToolButton9Click();          // vendor's shop
    void ToolButton12Click();         // help
    void N14Click();                  // help, from the menu
    void ToolButton8Click();          // confirmed exit
    void N15Click();                  // template preview
    void N17Click();                  // template design
    void N18Click();                  // delete template
    void N21Click();                  // open the template folder
    void OnePreviewBUTClick();        // preview of the selected order
    void N16Click();                  // print of the selected order
    void PrintRecordClick();          // 打印记录: the journal's runs, reprints
    void ToolButton10Click();         // one run of the timed download-and-print (also the timer's tick)
    void ToolButton11Click();         // the timed mode on or off

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void BuildToolBar();
    void BuildMenus();
    void BuildStatusBar();
    TTemplatePtr SelectedTemplate() const;   // raises the list-index error when no line is selected
    void NotYetAvailable(const QString &what) const;

    PanelHost *m_panel1 = nullptr;
    QList<QLabel *> m_panels;
    bool m_initialised = false;
    QAction *m_autoActions[2] = {nullptr, nullptr};
};

#pragma once
// The preview window: the preview control with its tool bar, status bar, keys, context menu and
// full-screen mode, prepared from the report's preview options. ShowReport makes one through the
// factory frxRegisterPreview installs; programs without a user may drive one with
// frxShowPreviewAndWait and grab its picture.

#include "engine/preview/frxPreview.h"

#include <QDialog>
#include <QImage>

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;

class TfrxPreviewForm : public QDialog {
    Q_OBJECT
public:
    // The window for report, its preview control attached as the report's Preview.
    explicit TfrxPreviewForm(TfrxReport *report, QWidget *parent = nullptr);
    ~TfrxPreviewForm() override;

    // Captions, button visibility, zoom and panels from the report's preview options; lays the
    // pages out and goes to page 1.
    void Prepare();

    TfrxPreview *Preview() const { return m_preview; }
    TfrxReport *Report() const;

    // Buttons, for the commands and for tests.
    enum Button {
        btPrint,
        btOpen,
        btSave,
        btExport,
        btFind,
        btZoomIn,
        btZoomOut,
        btFullScreen,
        btOutline,
        btThumbnails,
        btPageSettings,
        btEdit,
        btFirst,
        btPrior,
        btNext,
        btLast,
        btClose,
        btCount
    };
    QAction *Action(Button button) const { return m_actions[button]; }
    // Visible in the tool bar (the action shows and its group is not hidden).
    bool ButtonVisible(Button button) const;
    QComboBox *ZoomBox() const { return m_zoomBox; }
    QLineEdit *PageNumberBox() const { return m_pageBox; }
    QMenu *ContextMenu() const { return m_contextMenu; }
    QToolBar *ToolBar() const { return m_toolBar; }
    // The text of status panel 0, 1 or 2.
    QString StatusText(int panel) const;

    // The zoom box's text applied: "Page width", "Whole page" or a number with or without "%".
    void ApplyZoomText(const QString &text);
    // Enter in the page number box.
    void ApplyPageText(const QString &text);
    void ToggleFullScreen();
    bool FullScreen() const { return m_fullScreen; }
    // The "Find text" dialog; the search runs when it is accepted.
    void FindDialog();
    // The "Page Settings" dialog; applied when it is accepted.
    void PageSettingsDialog();
    // Handles one key as the window does (the workspace passes its keys here); true when used.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);

    // Processes events until the build into this window has ended (or timeoutMs passed, -1: no
    // limit); false when the window went away or the time ran out.
    bool WaitForBuild(int timeoutMs = -1);
    // The whole window as a picture.
    QImage Grab();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QAction *AddAction(Button button, const QString &captionKey, const QString &hintKey, const QIcon &icon);
    void BuildToolBar();
    void BuildContextMenu();
    void UpdateControls();
    void UpdateStatus();
    void UpdateZoomBox();
    void CloseClicked();

    TfrxPreview *m_preview = nullptr;
    QToolBar *m_toolBar = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QLabel *m_status[3] = {};
    QComboBox *m_zoomBox = nullptr;
    QLineEdit *m_pageBox = nullptr;
    QAction *m_zoomBoxAction = nullptr;
    QAction *m_pageBoxAction = nullptr;
    QAction *m_closeButtonAction = nullptr;
    QAction *m_separators[4] = {};
    QAction *m_actions[btCount] = {};
    QMenu *m_contextMenu = nullptr;
    bool m_fullScreen = false;
    Qt::WindowStates m_savedState;
    bool m_closeReported = false;
};

// ShowReport with a non-modal window that returns once the build into it has ended; the window
// stays open (it frees itself when closed). nullptr without a QApplication or when the build
// failed and its window closed. timeoutMs: -1 waits as long as the build runs.
TfrxPreviewForm *frxShowPreviewAndWait(TfrxReport *report, int timeoutMs = -1);

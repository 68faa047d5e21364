#pragma once
// The designer window: menus, tool bars, the page tabs with the design surface and the code panel,
// the report and data trees, the status bar; the file commands (new, open, save, recent files),
// undo and redo, preview, find and replace, zoom and units. It edits the report it was opened on
// in place and writes the layout file only when the user saves.

#include "report/host/frxDesignerBase.h"

#include <memory>

class QAction;
// A dynamic property of the report the host may set before opening the designer: the name the
// window's title shows before the file name.
inline constexpr const char *frxDesignTitleProperty = "frxDesignTitle";

class TfrxDesignerFormatting;
class TfrxDataTreeForm;
class TfrxDesignerWorkspace;
class TfrxReportTreeForm;
class TfrxUndoBuffer;
struct TfrxDesignerState;

class TfrxDesignerForm : public TfrxCustomDesigner {
    Q_OBJECT
public:
    explicit TfrxDesignerForm(TfrxReport *report, QWidget *parent = nullptr);
    ~TfrxDesignerForm() override;

    // ---- the base's operations ----
    void SetModified(bool value) override;
    void SetPage(TfrxPage *page) override;
    QStringList GetScriptLines() override;
    QString EditExpression(const QString &expression) override;
    void Lock() override;
    void ReloadPages(int index) override;
    void ReloadReport() override;
    void UpdateDataTree() override;
    void UpdatePage() override;

    // ---- commands (each bound to its action) ----
    void NewReport();
    void NewPage();
    void NewDialog();
    void DeletePage();
    // Opens a layout; an empty name asks with the open dialog. False when nothing was opened.
    bool OpenFile(const QString &fileName = QString(), bool fromCommand = true);
    // Saves (asking for a name when there is none or saveAs); false when nothing was written.
    bool SaveFile(bool saveAs = false, bool fromCommand = true);
    void Undo();
    void Redo();
    void Preview();
    // Finds the next text object holding text (after the last hit), or on the Code tab the next
    // place in the script (from its first line when fromTop); false with the "not found" message
    // when there is none.
    bool Find(const QString &text, bool caseSensitive, bool fromTop = false);
    // Replaces text in every text object that holds it (on the Code tab: at every place in the
    // script), asking for each (Yes, No, Cancel, All) unless all; the number of replacements.
    // Each Yes is one change; everything replaced after All is one change together.
    int Replace(const QString &text, const QString &replacement, bool caseSensitive, bool all = false,
                bool fromTop = false);
    // The search dialog of Find (or of Replace); it searches or replaces only when the user
    // pressed its button.
    void ShowFindDialog(bool replace = false);
    void SelectAll();
    void BringToFront();
    void SendToBack();
    void Group();
    void Ungroup();
    // The clipboard: the selection as designer text, and its objects back on the page (they
    // follow the mouse until a click drops them).
    void Copy();
    void Cut();
    void Paste();
    // A copy of the selection one grid step right and down of it, selected; one change.
    void Duplicate();
    // Locks the selected objects against moving and sizing by the mouse, or unlocks them when all
    // are locked; one undo step.
    void ToggleLock();
    // Opens the editor of the first selected object (text: the memo editor; picture: a file).
    void EditObject();
    // Arms the insertion of an object class from the objects bar; empty disarms.
    void ArmInsertion(const QString &className, int flags = 0);
    // Creates the armed class's object at a rectangle of the current page (design pixels).
    TfrxComponent *InsertObject(const QRectF &rect);
    // Asks whether to save a modified report before it is closed or replaced; false when the
    // user cancelled or the save did not happen.
    bool AskSaveChanges();
    // Page Settings of the current report page and the report's datasets (designer/trees): the
    // dialog's OK is one change; false when it was cancelled or changed nothing.
    bool EditPageSettings();
    bool EditReportData();

    // ---- view ----
    // Zoom factor, kept within 10 % … 2000 % (0 means 100 %).
    void SetScale(double scale);
    double Scale() const;
    // A zoom box entry: "150%", "Page width", "Whole page".
    void SetZoomText(const QString &text);
    // 0 centimetres, 1 inches, 2 pixels, 3 characters.
    void SetUnits(int units);
    int Units() const;
    // Selects the named object of the current page; false when there is none.
    bool SelectObject(const QString &name);

    // ---- for the program and its tests ----
    QAction *Action(const QString &name) const;
    TfrxDesignerWorkspace *Workspace() const;
    // The formatting bars, rulers, guides and tools (designer/format).
    TfrxDesignerFormatting *Formatting() const;
    TfrxUndoBuffer *UndoBuffer() const;
    TfrxDataTreeForm *DataTree() const;
    TfrxReportTreeForm *ReportTree() const;
    QStringList RecentFiles() const;
    void AddRecentFile(const QString &fileName);
    // The text of a status bar panel (0 unit, 1 position, 2 object).
    QString StatusText(int panel) const;
    // The tab captions, "Code" first.
    QStringList TabCaptions() const;
    // The title's file name: the report's file name without folder, or "Untitled.fr3".
    QString ReportTitle() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
    friend struct Private;
};

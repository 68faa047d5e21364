#pragma once
// The preview control: prepared pages on a scrolling workspace at a zoom factor, with an outline
// tree and a thumbnail strip beside it. It fills itself while a build runs into it (the store tells
// it about every page), searches the pages' text, saves and opens prepared-report files and prints
// through the print job. The window around it (tool bar, status bar, keys) is TfrxPreviewForm.
//
// Headless use (a program that wants a picture of a preview, e.g. `waybill-cli preview --png`):
//
//     frxRegisterPreview();                       // once, next to frxRegisterEngine()
//     report.PreviewOptions()->SetMaximized(false);             // a window of a known size
//     TfrxPreviewForm *form = frxShowPreviewAndWait(&report);   // needs a QApplication
//     form->resize(1400, 860);
//     form->Preview()->ShowPage(3);
//     form->Preview()->SetZoom(0.5);
//     form->Grab().save("out.png");
//     delete form;                                // or form->close()
//
// frxShowPreviewAndWait runs ShowReport with a non-modal window and returns once the build into it
// has ended, the window still open (see engine/preview/frxPreviewForm.h).

#include "report/core/frxTypes.h"
#include "report/host/frxPreviewBase.h"
#include "report/model/frxReport.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class TfrxPreviewPages;
class TfrxReport;

// Installs the preview window for ShowReport and lets open previews follow builds (once at
// start-up, next to frxRegisterEngine). Without a QApplication ShowReport keeps building only.
void frxRegisterPreview();

// The names of the registered export filters; Export shows only when there is at least one.
QStringList &frxExportFilters();

// One page of the workspace: its size on screen and its place in the workspace.
struct TfrxPageItem {
    int Width = 0;
    int Height = 0;
    int OffsetX = 0;
    int OffsetY = 0;
};

// The page layout of a workspace: pages in rows from the top, each row centred.
class TfrxPageList {
public:
    void Clear();
    int Count() const { return int(m_items.size()); }
    // Adds a page of this size in report pixels.
    void AddPage(QSize size);
    // Replaces the size of page index (pages edited in the preview).
    void SetPageSize(int index, QSize size);
    QSize PageSize(int index) const;
    // Every page gets round(zoom x size); call CalcBounds afterwards.
    void SetZoom(double zoom);
    double Zoom() const { return m_zoom; }
    // Places the pages in rows for a client of this width.
    void CalcBounds(int clientWidth);
    const TfrxPageItem &Item(int index) const { return m_items[size_t(index)]; }
    // The page's rectangle in workspace coordinates; empty for an index out of range.
    QRect PageRect(int index) const;
    // The width and height of everything laid out, with the 10-pixel margins.
    QSize Extent() const { return m_extent; }
    // The 0-based page at workspace height y: the first page of the row that reaches below y.
    int FindPage(int y) const;
    // The pages whose rectangles meet r.
    std::vector<int> PagesIn(const QRect &r) const;

private:
    std::vector<QSize> m_sizes;
    std::vector<TfrxPageItem> m_items;
    double m_zoom = 1;
    QSize m_extent;
};

// The scrolling page area (and, with the thumbnail flag, the thumbnail strip at zoom 0.1).
class TfrxPreviewWorkspace : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TfrxPreviewWorkspace(bool thumbnail, QWidget *parent = nullptr);

    void SetPreviewPages(TfrxPreviewPages *pages) { m_pages = pages; }
    TfrxPageList &PageList() { return m_pageList; }
    bool Thumbnail() const { return m_thumbnail; }
    // The current page (0-based), framed in the active colour.
    int PageIndex() const { return m_pageIndex; }
    void SetPageIndex(int index);
    // Lays the pages out again for the current width and zoom and sets the scroll ranges.
    void UpdateLayout();
    // Scrolls so that page index is at the top.
    void ScrollToPage(int index);
    // Scrolls so that r (workspace coordinates) is visible with 20 pixels to spare.
    void ScrollToRect(const QRect &r);
    QPoint ScrollPosition() const;
    // The found text's line, in report pixels on page index (empty rectangle: nothing marked).
    void SetFound(int page, const QRectF &line);
    int FoundPage() const { return m_foundPage; }
    // Colours: back (grey), page frame (black), active frame.
    QColor BackColor() const { return m_backColor; }
    // Paint timing for the benchmark: told after each painted page with its 0-based index.
    std::function<void(int page)> OnPagePainted;

signals:
    // The user scrolled: the page now at the top.
    void TopPageChanged(int index);
    void PageClicked(int index);
    void ZoomStep(int notches);
    void Resized();
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QRect ViewRect(int index) const;

    TfrxPreviewPages *m_pages = nullptr;
    TfrxPageList m_pageList;
    bool m_thumbnail;
    bool m_scrollingToPage = false;
    int m_pageIndex = 0;
    int m_foundPage = -1;
    QRectF m_foundLine;
    QColor m_backColor{0x80, 0x80, 0x80};
    QColor m_frameColor{0, 0, 0};
    QColor m_activeFrameColor{0x20, 0x40, 0x80};
};

// The preview control.
class TfrxPreview : public QWidget, public TfrxCustomPreview {
    Q_OBJECT
public:
    explicit TfrxPreview(TfrxReport *report, QWidget *parent = nullptr);
    ~TfrxPreview() override;

    TfrxReport *Report() const { return m_report; }
    TfrxPreviewPages *PreviewPages() const;
    TfrxPreviewWorkspace *Workspace() const { return m_workspace; }
    TfrxPreviewWorkspace *Thumbnails() const { return m_thumbnails; }
    QTreeWidget *OutlineTree() const { return m_outline; }

    // ---- navigation ----
    int PageNo() const { return m_pageNo; }
    int PageCount() const;
    // Clamps n to 1 .. page count and scrolls page n to the top.
    void ShowPage(int n);
    void FirstPage() { ShowPage(1); }
    void PriorPage() { ShowPage(m_pageNo - 1); }
    void NextPage() { ShowPage(m_pageNo + 1); }
    void LastPage() { ShowPage(PageCount()); }
    // Scrolls the workspace by pixels (keys and wheel).
    void ScrollBy(int dx, int dy);

    // ---- zoom ----
    double Zoom() const { return m_zoom; }
    void SetZoom(double zoom);
    // Zooms the preview shows: from 25 % up to 2000 %; anything else (NaN included) is brought
    // into that range, so no zoom can make fonts or pages larger than drawing can handle.
    static constexpr double MinZoom = 0.25;
    static constexpr double MaxZoom = 20;
    static double BoundZoom(double zoom);
    frx::TfrxZoomMode ZoomMode() const { return m_zoomMode; }
    void SetZoomMode(frx::TfrxZoomMode mode);
    void ZoomIn();  // +0.25, default mode
    void ZoomOut(); // -0.25, default mode
    // Ctrl with the mouse wheel: +-0.1 per notch, never below 0.3.
    void WheelZoom(int notches);

    // ---- building ----
    bool Running() const { return m_running; }
    // A page of the running build arrived: the close button offers Cancel.
    bool CancelShown() const { return m_running && m_cancelShown; }
    // The first pass of a double-pass build runs; its page count so far.
    bool FirstPass() const { return m_running && m_firstPass; }
    int FirstPassCount() const { return m_firstPassCount; }
    // The build timer is armed or the build runs: the window must stay open.
    bool Busy() const { return m_running || m_buildTimer.isActive(); }
    // Sets the report's Terminated: the running build stops at its next check.
    void CancelBuild();
    void BuildDeferred() override;
    void PagesChanged() override;
    // The store's notifications while a build runs into this preview.
    void BuildProgress(int event, int page);
    // Pages are laid out again every interval-th page (5, 20 or 50 after the first two pages).
    int RefreshInterval() const { return m_tick; }
    // The window made for this preview: closed when its build fails without pages.
    void SetOwnerWindow(QWidget *window) { m_ownerWindow = window; }

    // ---- commands (each does nothing while a build runs) ----
    void PrintFromPreview();
    // Save and Open through the file dialogs of the Ui seam.
    void SavePrepared();
    void LoadPrepared();
    // The same with a name; false when nothing was loaded (the error already reported).
    void SaveToFile(const QString &fileName);
    bool LoadFromFile(const QString &fileName);
    // Finds text from page 1 or the current page; false (and "Text not found") without a match.
    bool FindText(const QString &text, bool caseSensitive, bool fromTop);
    bool FindNext();
    bool FindNextAllowed() const { return m_allowFindNext; }
    int FoundPage() const { return m_foundPage; }
    QString FoundLine() const { return m_foundText; }
    // Paper of the current page (or of every report page, then rebuilt); sizes in millimetres.
    struct PageSettings {
        double PaperWidth = 0;
        double PaperHeight = 0;
        int PaperSize = 256;
        frx::TPrinterOrientation Orientation = frx::poPortrait;
        double LeftMargin = 0;
        double TopMargin = 0;
        double RightMargin = 0;
        double BottomMargin = 0;
    };
    PageSettings CurrentPageSettings();
    void ApplyPageSettings(const PageSettings &settings, bool allPages);
    // Lays out the pages again from the store (sizes re-read), fills the outline, keeps the page.
    void RefreshPages();

    // The message panel (260 x 75) over the workspace: a text, and Cancel while building.
    void ShowMessage(const QString &text, bool cancelButton = false);
    void HideMessage();
    QWidget *MessagePanel() const { return m_messagePanel; }

    void SetOutlineVisible(bool visible);
    void SetThumbnailVisible(bool visible);
    bool OutlineVisible() const;
    bool ThumbnailVisible() const;
    void SetOutlineWidth(int width);
    void ExpandOutline(bool expand);

signals:
    // The page number, the page count or the first-pass progress changed.
    void StatusChanged();
    // A build started or ended.
    void RunningChanged(bool running);
    void ZoomChanged(double zoom);
    // The caption the window should bear (report name or "Preview").
    void CaptionChanged(const QString &caption);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void StartBuild();
    void ResetPages();
    // Adds the sizes of the pages the list does not hold yet.
    void SyncPageList();
    void Relayout();
    void ApplyZoomMode();
    void FillOutline();
    void FillOutlineLevel(QTreeWidgetItem *parent, int depth);
    void UpdateCurrentFromScroll(int topPage);
    bool Search(int page, int record);
    void PlaceMessagePanel();
    void UpdateLeftPane();

    QPointer<TfrxReport> m_report;
    QPointer<QWidget> m_ownerWindow;
    QSplitter *m_splitter = nullptr;
    QSplitter *m_leftPane = nullptr;
    QTreeWidget *m_outline = nullptr;
    TfrxPreviewWorkspace *m_thumbnails = nullptr;
    TfrxPreviewWorkspace *m_workspace = nullptr;
    QWidget *m_messagePanel = nullptr;
    QLabel *m_messageLabel = nullptr;
    QPushButton *m_messageCancel = nullptr;
    QTimer m_buildTimer;
    QElapsedTimer m_firstPageTime;
    int m_pageNo = 1;
    double m_zoom = 1;
    frx::TfrxZoomMode m_zoomMode = frx::zmDefault;
    bool m_running = false;
    bool m_locked = false;
    bool m_refreshing = false;
    bool m_allowFindNext = false;
    bool m_firstPass = false;
    bool m_cancelShown = false;
    int m_firstPassCount = 0;
    int m_tick = 50;
    int m_outlineWidth = 120;
    // Find state: the text, options and the last record found.
    QString m_findText;
    bool m_findCase = false;
    int m_foundPage = -1;
    int m_foundRecord = -1;
    QString m_foundText;

    friend class TfrxPreviewForm;
};

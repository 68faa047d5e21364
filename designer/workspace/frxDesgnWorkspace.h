#pragma once
// The design surface: the paper of the current page with its margins, grid and background picture,
// the bands with their captions and every object drawn by its own drawing code (the same that
// preview and print use), with the selection's handles painted over a cached layer. The mouse and
// the keys select, move and size objects; a completed change is reported once (Modified).

#include <QList>
#include <QRectF>
#include <QWidget>

#include <memory>

class TfrxComponent;
class TfrxPage;
class TfrxReport;
class TfrxWorkspaceDropTarget;

class TfrxDesignerWorkspace : public QWidget {
    Q_OBJECT
public:
    enum TGridType { gtPixel, gtCm, gtInch, gtDialog, gtChar };
    enum TDesignMode {
        dmNone,
        dmMove,
        dmSize,
        dmSizeBand,
        dmScale,
        dmInplaceEdit,
        dmSelectionRect,
        dmInsertObject,
        dmInsertLine,
        dmMoveGuide,
        dmContainer
    };

    explicit TfrxDesignerWorkspace(QWidget *parent = nullptr);
    ~TfrxDesignerWorkspace() override;

    // The designer's two lists, shared by reference.
    void SetLists(QList<TfrxComponent *> *objects, QList<TfrxComponent *> *selected);
    // Shows a page (nullptr shows nothing); sizes the surface to its paper.
    void SetPage(TfrxPage *page);
    TfrxPage *Page() const;
    void SetScale(double scale);
    double Scale() const;
    void SetGrid(TGridType type, double gridX, double gridY);
    TGridType GridType() const;
    double GridX() const;
    double GridY() const;
    void SetShowGrid(bool value);
    void SetGridAlign(bool value);
    bool GridAlign() const;
    void SetGridLCD(bool value);
    void SetShowGuides(bool value);
    void SetColor(const QColor &color);
    void SetBandOptions(bool showCaptions, bool freeBands, int gap);
    // Height of the caption strip above each band, by grid type; 0 with captions off.
    double BandCaptionHeight() const;
    TDesignMode Mode() const;

    // Stops input and object drawing until the next SetPage.
    void Lock();
    bool Locked() const;
    // Rebuilds the cached object layer and repaints.
    void UpdateView();
    // Stacks the bands and hands objects to the band they lie on.
    void AdjustBands();
    // Deletes the selection (what may be deleted); reports the change.
    void DeleteObjects();
    // Size in widget pixels of the paper's top-left corner, and of the printable area's.
    QPointF PaperOrigin() const;
    QPointF PrintableOrigin() const;
    // Design pixels of a widget position.
    QPointF ToDesign(const QPointF &widgetPos) const;
    // The object under a point in design pixels (topmost first); nullptr for none.
    TfrxComponent *ObjectAt(const QPointF &designPos) const;
    // Selects exactly these objects (the page when empty) and tells the window.
    void Select(const QList<TfrxComponent *> &objects);
    // Pasted objects follow the mouse until a click drops them (one change then); Esc removes them.
    // Their top-left corner starts under the pointer (on the nearest grid line when aligning),
    // or at home when the pointer is not over the page; they never go past the page's edges.
    void BeginPaste(const QList<TfrxComponent *> &objects, const QPointF &home = QPointF());
    bool Pasting() const;
    // Arms an insertion of a class (nullptr disarms): the outline of the default size follows the
    // mouse; a click or a drag gives the rectangle (InsertRequested). Lines draw a line outline.
    void SetInsertion(const QMetaObject *meta, int flags, double defaultWidth, double defaultHeight);
    const QMetaObject *InsertionClass() const;
    // The in-place editor over a text object (Alt+click): typing changes the text, leaving it or
    // clicking elsewhere commits, Esc cancels.
    void BeginInplaceEdit(TfrxComponent *memo);
    void EndInplaceEdit(bool commit);
    QWidget *InplaceEditor() const;
    int InsertionFlags() const;
    // The tools of the objects bar. With the text tool a click on a text object edits it in place
    // and a rubber band asks for a new text object there (TextInsertRequested).
    enum TDesignTool { dtSelect, dtHand, dtZoom, dtEditText, dtCopyFormat };
    void SetTool(TDesignTool tool);
    TDesignTool Tool() const;
    // Who takes drags from other views (the data tree's fields); nullptr accepts none. The
    // handling is in frxDesgnWorkspaceDrop.cpp.
    void SetDropTarget(TfrxWorkspaceDropTarget *target);

signals:
    void Modified();
    void SelectionChanged();
    void EditRequested();
    void PositionChanged(const QRectF &rect);
    // An insertion outline is complete: the object's rectangle in design pixels on the page.
    void InsertRequested(const QRectF &rect);
    // The text tool's rubber band is complete: a text object's rectangle in design pixels, on the
    // grid when aligning to it.
    void TextInsertRequested(const QRectF &rect);
    // A double-click on the page itself (no object selected).
    void PageEditRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

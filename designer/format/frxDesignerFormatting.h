#pragma once
// Everything the designer window gets from designer/format, made once with the window: the
// formatting commands and their bars, the two rulers above and left of the design surface (drag
// sources for guides), moving and deleting guides on the surface, the page menu of the surface,
// and the hand, zoom and copy-format tools of the objects bar.

#include <QObject>
#include <QPoint>
#include <QWidget>

class QAction;
class QRubberBand;
class QScrollArea;
class TfrxDesignerForm;
class TfrxDesignerWorkspace;
class TfrxFormatBars;
class TfrxFormatCommands;

// A ruler in the window's current unit and zoom, its origin at the printable area's corner.
class TfrxRuler : public QWidget {
    Q_OBJECT
public:
    TfrxRuler(bool horizontal, TfrxDesignerForm *form, QWidget *parent = nullptr);
    bool Horizontal() const { return m_horizontal; }
    // Where the printable area begins, in this ruler's pixels.
    double Origin() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_horizontal;
    bool m_dragging = false;
    TfrxDesignerForm *m_form;
    QWidget *m_preview = nullptr; // the black line over the surface while a guide is dragged
};

class TfrxDesignerFormatting : public QObject {
    Q_OBJECT
public:
    // In the order of the surface's TDesignTool.
    enum TTool { ttSelect, ttHand, ttZoom, ttEditText, ttCopyFormat };

    explicit TfrxDesignerFormatting(TfrxDesignerForm *form);
    ~TfrxDesignerFormatting() override;

    TfrxFormatCommands *Commands() const { return m_commands; }
    TfrxFormatBars *Bars() const { return m_bars; }
    TfrxRuler *Ruler(bool horizontal) const { return horizontal ? m_topRuler : m_leftRuler; }

    // The window calls this on every selection change and completed change.
    void SelectionChanged();
    // "Fit to Grid" with the surface's grid.
    bool FitToGrid();
    // A guide dropped from a ruler at a global screen position; false when it missed the page.
    bool DropGuide(bool fromTopRuler, const QPoint &globalPos);

    void SetTool(TTool tool);
    TTool Tool() const { return m_tool; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool ToolEvent(QEvent *event);
    bool GuideEvent(QEvent *event);
    void CopyFormat(const QPointF &designPos);
    void Zoom(const QPoint &widgetPos, bool in);

    TfrxDesignerForm *m_form;
    TfrxDesignerWorkspace *m_workspace;
    QScrollArea *m_scrollBox = nullptr;
    TfrxFormatCommands *m_commands;
    TfrxFormatBars *m_bars;
    TfrxRuler *m_topRuler = nullptr;
    TfrxRuler *m_leftRuler = nullptr;
    TTool m_tool = ttSelect;
    QAction *m_toolActions[5] = {};
    // Dragging: the hand's start, the zoom's rubber band, a guide being moved.
    QPoint m_pressGlobal;
    QPoint m_pressScroll;
    bool m_pressed = false;
    QRubberBand *m_band = nullptr;
    QPoint m_bandStart;
    int m_guide = -1;
    bool m_guideHorizontal = false;
};

#pragma once
// Page tabs reordered by dragging: the current page's tab dropped onto another tab moves the page
// to that place in the report's page list. The Code tab (0) and the data page's tab (1) take no
// part: nothing moves onto or off them.

#include <QObject>
#include <QPoint>

class QTabBar;
class TfrxReport;

class TfrxPageTabDrag : public QObject {
    Q_OBJECT
public:
    explicit TfrxPageTabDrag(QTabBar *tabs);

signals:
    // A tab was dropped onto another one (tab indexes, the Code tab being 0).
    void MoveRequested(int fromTab, int toTab);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTabBar *m_tabs;
    int m_pressed = -1;
    QPoint m_pressPos;
};

// Moves the page at index `from` to index `to` of the report's pages; false (and nothing moved)
// when either is the first page (the data page) or out of range, or when they are the same.
bool frxMovePage(TfrxReport &report, int from, int to);

#include "designer/workspace/frxPageTabs.h"

#include "report/model/frxPages.h"
#include "report/model/frxReport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTabBar>

TfrxPageTabDrag::TfrxPageTabDrag(QTabBar *tabs) : QObject(tabs), m_tabs(tabs)
{
    tabs->installEventFilter(this);
}

bool TfrxPageTabDrag::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_tabs)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_pressed = mouse->button() == Qt::LeftButton ? m_tabs->tabAt(mouse->position().toPoint()) : -1;
        m_pressPos = mouse->position().toPoint();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int from = m_pressed;
        m_pressed = -1;
        const QPoint pos = mouse->position().toPoint();
        if (from < 0 || mouse->button() != Qt::LeftButton ||
            (pos - m_pressPos).manhattanLength() < QApplication::startDragDistance())
            return false;
        const int to = m_tabs->tabAt(pos);
        // Only the current page's tab is dragged (the press made it current).
        if (to >= 0 && to != from && from == m_tabs->currentIndex())
            emit MoveRequested(from, to);
    }
    return false;
}

bool frxMovePage(TfrxReport &report, int from, int to)
{
    const int count = report.PagesCount();
    if (from == to || from < 1 || to < 1 || from >= count || to >= count)
        return false;
    report.SetChildIndex(report.Pages(from), to);
    return true;
}

// The report tree's nodes and its two ways of selecting.
#include "designer/trees/frxReportTree.h"

#include "report/model/frxBands.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"

#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int ObjectRole = Qt::UserRole;
}

TfrxReportTreeForm::TfrxReportTreeForm(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TfrxReportTreeForm"));
    setWindowTitle(QStringLiteral("Report Tree"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("ReportTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->installEventFilter(this);
    layout->addWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (TfrxComponent *object = ObjectOf(item))
            emit ObjectClicked(object);
    });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        // Keyboard moves select as clicks do; rebuilds and followed selections do not.
        if (m_updating || !item || !m_tree->hasFocus())
            return;
        if (TfrxComponent *object = ObjectOf(item))
            emit ObjectClicked(object);
    });
}

void TfrxReportTreeForm::SetReport(TfrxReport *report)
{
    m_report = report;
}

TfrxComponent *TfrxReportTreeForm::ObjectOf(const QTreeWidgetItem *item) const
{
    if (!item)
        return nullptr;
    auto *object = static_cast<TfrxComponent *>(item->data(0, ObjectRole).value<void *>());
    // Only objects that are still in the tree's report.
    return m_nodes.value(object) == item ? object : nullptr;
}

void TfrxReportTreeForm::Clear()
{
    m_updating = true;
    m_tree->clear();
    m_nodes.clear();
    m_updating = false;
}

void TfrxReportTreeForm::UpdateItems()
{
    Clear();
    if (!m_report)
        return;
    m_updating = true;
    m_tree->setUpdatesEnabled(false);
    auto *root = new QTreeWidgetItem(m_tree, {QStringLiteral("Report")});
    auto add = [this](auto &&self, QTreeWidgetItem *parent, TfrxComponent *c, bool dataPage) -> void {
        auto *item = new QTreeWidgetItem(parent, {c->Name()});
        item->setData(0, ObjectRole, QVariant::fromValue(static_cast<void *>(c)));
        if (qobject_cast<TfrxBand *>(c) || qobject_cast<TfrxPage *>(c)) {
            QFont font = item->font(0);
            font.setBold(qobject_cast<TfrxPage *>(c) != nullptr);
            item->setFont(0, font);
        }
        m_nodes.insert(c, item);
        for (TfrxComponent *child : c->Objects())
            if (!dataPage || qobject_cast<TfrxDataSet *>(child))
                self(self, item, child, false);
    };
    for (int i = 0; i < m_report->PagesCount(); ++i) {
        TfrxPage *page = m_report->Pages(i);
        add(add, root, page, qobject_cast<TfrxDataPage *>(page) != nullptr);
    }
    m_tree->expandAll();
    m_tree->setUpdatesEnabled(true);
    m_updating = false;
}

void TfrxReportTreeForm::UpdateSelection(const QList<TfrxComponent *> &selection)
{
    if (selection.isEmpty())
        return;
    QTreeWidgetItem *item = m_nodes.value(selection.first());
    if (!item)
        return;
    m_updating = true;
    m_tree->setCurrentItem(item);
    m_tree->scrollToItem(item);
    m_updating = false;
}

bool TfrxReportTreeForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tree && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        emit DeleteRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

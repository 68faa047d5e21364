#include "designer/inspector/frxInsp.h"

#include "designer/inspector/frxDsgnIntf.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "platform/Ui.h"
#include "report/core/frxErrors.h"
#include "report/core/frxRes.h"
#include "report/host/frxDesignerBase.h"
#include "report/model/frxReport.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

const QColor kValueColor(0, 0, 128);

TfrxPropertyItem *ItemFromData(const QModelIndex &index)
{
    return reinterpret_cast<TfrxPropertyItem *>(
        index.sibling(index.row(), 0).data(Qt::UserRole).value<quintptr>());
}

// Draws the value cells of owner-drawn editors (colour swatches, check boxes).
class TfrxValueDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        TfrxPropertyItem *item = index.column() == 1 ? ItemFromData(index) : nullptr;
        if (!item || !(item->Editor->Attributes() & paOwnerDraw)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        const QWidget *widget = option.widget;
        (widget ? widget->style() : QApplication::style())
            ->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        painter->save();
        painter->setPen(kValueColor);
        try {
            item->Editor->DrawValue(*painter, option.rect);
        } catch (const std::exception &) {
        }
        painter->restore();
    }
};

// Descriptions of the rows a template is mostly made with; a text file that brings its own wins.
void AddDescriptions()
{
    static const char *const kTexts[][2] = {
        {"propLeft", "The left coordinate of the object"},
        {"propTop", "The top coordinate of the object"},
        {"propWidth", "The width of the object"},
        {"propHeight", "The height of the object"},
        {"propName", "The name of the object, unique in the report"},
        {"propDataSet", "The dataset the object takes its data from"},
        {"propDataField", "The field of the dataset the object shows"},
        {"propMemo", "The text of the object; expressions in brackets are filled in when printing"},
        {"propFont", "The font of the text"},
        {"propFrame", "The lines around the object and its shadow"},
        {"propColor", "The fill colour"},
        {"propColor.TfrxFrame", "The colour of the frame lines"},
        {"propHAlign", "The horizontal alignment of the text"},
        {"propVAlign", "The vertical alignment of the text"},
        {"propVisible", "Whether the object is printed"},
        {"propBackPicture", "The picture drawn under the page, for example the scan of the printed form"},
        {"propPicture", "The picture the object shows"},
        {"propPaperWidth", "The width of the paper"},
        {"propPaperHeight", "The height of the paper"},
        {"propPaperSize", "The paper size by name"},
        {"propLeftMargin", "The left margin of the page"},
        {"propRightMargin", "The right margin of the page"},
        {"propTopMargin", "The top margin of the page"},
        {"propBottomMargin", "The bottom margin of the page"},
    };
    for (const auto &entry : kTexts)
        frxGetOrAdd(entry[0], entry[1]);
}

QWidget *DesignerOwner(QWidget *owner)
{
    if (!qobject_cast<TfrxCustomDesigner *>(owner))
        throw EReportError(QStringLiteral("The Owner of the object inspector should be TfrxCustomDesigner"));
    return owner;
}

QString SafeValueText(const TfrxPropertyEditor &editor)
{
    try {
        return editor.ValueText();
    } catch (const std::exception &) {
        return QStringLiteral("(Unknown)");
    }
}

} // namespace

TfrxObjectInspector::TfrxObjectInspector(QWidget *owner)
    : QWidget(DesignerOwner(owner)), m_designer(qobject_cast<TfrxCustomDesigner *>(owner))
{
    AddDescriptions();
    setObjectName(QStringLiteral("TfrxObjectInspector"));
    setWindowTitle(QStringLiteral("Object Inspector"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_objectList = new QComboBox(this);
    m_objectList->setObjectName(QStringLiteral("ObjectsCB"));
    layout->addWidget(m_objectList);
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("TabControl"));
    m_tabs->addTab(QStringLiteral("Properties"));
    m_tabs->addTab(QStringLiteral("Events"));
    layout->addWidget(m_tabs);
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_grid = new QTreeWidget(m_splitter);
    m_grid->setObjectName(QStringLiteral("PropertyGrid"));
    m_grid->installEventFilter(this);
    m_grid->setColumnCount(2);
    m_grid->setHeaderHidden(true);
    m_grid->setIndentation(12);
    m_grid->setUniformRowHeights(true);
    m_grid->setRootIsDecorated(true);
    m_grid->setAllColumnsShowFocus(true);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setAutoScroll(false);
    m_grid->setItemDelegate(new TfrxValueDelegate(m_grid));
    m_grid->header()->setStretchLastSection(true);
    m_grid->header()->resizeSection(0, 80);
    // At its smallest the dock shows the page's longest name beside a value with its button.
    const QFontMetrics metrics(m_grid->font());
    setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("BackPicturePrintable")) + 2 * m_grid->indentation() +
                    24 + ValueRoom() + style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    m_description = new QLabel(m_splitter);
    m_description->setObjectName(QStringLiteral("Description"));
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->setAutoFillBackground(true);
    m_description->setBackgroundRole(QPalette::ToolTipBase);
    m_description->setForegroundRole(QPalette::ToolTipText);
    m_splitter->addWidget(m_grid);
    m_splitter->addWidget(m_description);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    layout->addWidget(m_splitter, 1);

    connect(m_tabs, &QTabBar::currentChanged, this, [this] {
        if (!m_filling)
            Rebuild();
    });
    connect(m_grid, &QTreeWidget::currentItemChanged, this, &TfrxObjectInspector::CurrentChanged);
    connect(m_grid, &QTreeWidget::itemDoubleClicked, this, [](QTreeWidgetItem *item, int) {
        if (item->childCount() > 0)
            item->setExpanded(!item->isExpanded());
    });
    connect(m_grid, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
        if (!m_filling)
            m_expanded.insert(PathOf(item));
    });
    connect(m_grid, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) {
        if (!m_filling)
            m_expanded.remove(PathOf(item));
    });
    connect(m_objectList, &QComboBox::activated, this, [this](int index) {
        auto *c = reinterpret_cast<TfrxComponent *>(m_objectList->itemData(index).value<quintptr>());
        if (c && m_designer->Objects().contains(c))
            emit ObjectPicked(c);
    });
}

TfrxObjectInspector::~TfrxObjectInspector()
{
    m_filling = true;
    m_edit = nullptr;
    m_grid->clear();
}

// ---- building ----

void TfrxObjectInspector::SetSelectedObjects(const QList<TfrxComponent *> &objects)
{
    const QString keep = CurrentRow();
    m_locked = false;
    m_objects = objects;
    Rebuild();
    UpdateObjectList();
    if (!keep.isEmpty())
        SelectRow(keep);
}

void TfrxObjectInspector::Rebuild()
{
    m_filling = true;
    m_edit = nullptr;
    m_editBox = nullptr;
    m_editItem = nullptr;
    m_editChanged = false;
    m_grid->clear();
    m_properties = std::make_unique<TfrxPropertyList>();
    m_events = std::make_unique<TfrxPropertyList>();
    if (!m_locked)
        frxBuildPropertyLists(m_designer, m_objects, *m_properties, *m_events);
    FillItems(nullptr, m_tabs->currentIndex() == 1 ? *m_events : *m_properties, 0);
    m_filling = false;
    FitColumns();
    UpdateDescription();
}

int TfrxObjectInspector::ValueRoom() const
{
    // Two buttons of 15 pixels and about six characters of value.
    return 2 * 15 + QFontMetrics(m_grid->font()).horizontalAdvance(QStringLiteral("0000.00"));
}

void TfrxObjectInspector::FitColumns()
{
    const QFontMetrics metrics(m_grid->font());
    QFont bold = m_grid->font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    int names = 0;
    std::function<void(QTreeWidgetItem *, int)> measure = [&](QTreeWidgetItem *item, int depth) {
        const QFontMetrics &m = item->font(0).bold() ? boldMetrics : metrics;
        names = std::max(names, m.horizontalAdvance(item->text(0)) + (depth + 1) * m_grid->indentation() + 12);
        if (item->isExpanded())
            for (int i = 0; i < item->childCount(); ++i)
                measure(item->child(i), depth + 1);
    };
    for (int i = 0; i < m_grid->topLevelItemCount(); ++i)
        measure(m_grid->topLevelItem(i), 0);
    const int available = m_grid->viewport()->width() - ValueRoom();
    const int wanted = std::max(SplitPos(), names);
    if (available > 30 && wanted != SplitPos())
        m_grid->header()->resizeSection(0, std::min(wanted, available));
    else if (available > 30 && SplitPos() > available)
        m_grid->header()->resizeSection(0, available);
}

void TfrxObjectInspector::FillItems(QTreeWidgetItem *parent, TfrxPropertyList &list, int level)
{
    QFont bold = m_grid->font();
    bold.setBold(true);
    QList<QTreeWidgetItem *> created;
    created.reserve(list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        TfrxPropertyItem *item = list.Item(i);
        auto *ti = new QTreeWidgetItem;
        const QString name = item->Name();
        const QString value = SafeValueText(*item->Editor);
        ti->setText(0, name);
        ti->setText(1, value);
        ti->setToolTip(0, name);
        ti->setToolTip(1, value);
        ti->setData(0, Qt::UserRole, quintptr(item));
        ti->setForeground(1, kValueColor);
        if (level == 0 && (name == QLatin1String("Name") || name == QLatin1String("Width") ||
                           name == QLatin1String("Height") || name == QLatin1String("Left") ||
                           name == QLatin1String("Top")))
            ti->setFont(0, bold);
        created << ti;
    }
    if (parent)
        parent->addChildren(created);
    else
        m_grid->addTopLevelItems(created);
    for (int i = 0; i < list.Count(); ++i) {
        TfrxPropertyItem *item = list.Item(i);
        if (!item->SubProperty)
            continue;
        FillItems(created[i], *item->SubProperty, level + 1);
        if (m_expanded.contains(PathOf(created[i]))) {
            created[i]->setExpanded(true);
            item->Expanded = true;
        }
    }
}

void TfrxObjectInspector::UpdateObjectList()
{
    m_objectList->clear();
    if (m_locked)
        return;
    QList<QPair<QString, TfrxComponent *>> entries;
    for (TfrxComponent *c : std::as_const(m_designer->Objects()))
        if (!c->Name().isEmpty())
            entries.append(
                {c->Name() + QStringLiteral(": ") + QLatin1String(c->metaObject()->className()), c});
    std::sort(entries.begin(), entries.end(),
              [](const auto &a, const auto &b) { return a.first.compare(b.first, Qt::CaseInsensitive) < 0; });
    int current = -1;
    for (const auto &e : std::as_const(entries)) {
        if (m_objects.size() == 1 && e.second == m_objects.first())
            current = m_objectList->count();
        m_objectList->addItem(e.first, quintptr(e.second));
    }
    m_objectList->setCurrentIndex(current);
}

void TfrxObjectInspector::UpdateProperties()
{
    if (m_locked)
        return;
    for (int i = 0; i < m_grid->topLevelItemCount(); ++i)
        UpdateValues(m_grid->topLevelItem(i));
    if (m_edit && m_editItem && !m_editChanged)
        m_edit->setText(SafeValueText(*m_editItem->Editor));
    m_grid->viewport()->update();
}

void TfrxObjectInspector::UpdateValues(QTreeWidgetItem *item)
{
    if (TfrxPropertyItem *p = ItemOf(item)) {
        const QString value = SafeValueText(*p->Editor);
        if (item->text(1) != value) {
            item->setText(1, value);
            item->setToolTip(1, value);
        }
    }
    for (int i = 0; i < item->childCount(); ++i)
        UpdateValues(item->child(i));
}

void TfrxObjectInspector::Lock()
{
    m_locked = true;
    m_objects.clear();
    Rebuild();
    m_objectList->clear();
}

void TfrxObjectInspector::SetTab(int index)
{
    m_tabs->setCurrentIndex(index);
}

int TfrxObjectInspector::SplitPos() const
{
    return m_grid->header()->sectionSize(0);
}

void TfrxObjectInspector::SetSplitPos(int value)
{
    m_grid->header()->resizeSection(0, std::max(30, value));
}

int TfrxObjectInspector::Split1Pos() const
{
    return m_pendingSplit1 >= 0 ? m_pendingSplit1 : m_splitter->sizes().value(1);
}

void TfrxObjectInspector::SetSplitter1Pos(int value)
{
    m_pendingSplit1 = std::max(0, value);
    const int total = m_splitter->height() - m_splitter->handleWidth();
    if (total > m_pendingSplit1 + 40) {
        m_splitter->setSizes({total - m_pendingSplit1, m_pendingSplit1});
        m_pendingSplit1 = -1;
    }
}

void TfrxObjectInspector::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FitColumns();
    if (m_pendingSplit1 >= 0)
        SetSplitter1Pos(m_pendingSplit1);
}

void TfrxObjectInspector::RestoreSettings(const QString &storeFile)
{
    const IniFile ini(storeFile);
    const QString section = QStringLiteral("Form4.TfrxObjectInspector");
    SetSplitPos(ini.ReadInteger(section, QStringLiteral("SplitPos"), 75));
    SetSplitter1Pos(std::max(0, ini.ReadInteger(section, QStringLiteral("Split1Pos"), 65)));
}

void TfrxObjectInspector::SaveSettings(const QString &storeFile) const
{
    // Like the rest of the designer's settings, a store that cannot be written stays as it is.
    try {
        IniFile(storeFile).WriteStrings(QStringLiteral("Form4.TfrxObjectInspector"),
                                        {{QStringLiteral("SplitPos"), QString::number(SplitPos())},
                                         {QStringLiteral("Split1Pos"), QString::number(Split1Pos())}});
    } catch (const std::exception &) {
    }
}

// ---- rows ----

TfrxPropertyItem *TfrxObjectInspector::ItemOf(QTreeWidgetItem *item) const
{
    return item ? reinterpret_cast<TfrxPropertyItem *>(item->data(0, Qt::UserRole).value<quintptr>())
                : nullptr;
}

QString TfrxObjectInspector::PathOf(QTreeWidgetItem *item) const
{
    QStringList parts;
    for (; item; item = item->parent())
        parts.prepend(item->text(0));
    return parts.join(u'.');
}

QTreeWidgetItem *TfrxObjectInspector::TreeItem(const QString &path) const
{
    const QStringList parts = path.split(u'.');
    QTreeWidgetItem *found = nullptr;
    for (const QString &part : parts) {
        const int count = found ? found->childCount() : m_grid->topLevelItemCount();
        QTreeWidgetItem *next = nullptr;
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem *c = found ? found->child(i) : m_grid->topLevelItem(i);
            if (c->text(0).compare(part, Qt::CaseInsensitive) == 0)
                next = c;
        }
        if (!next)
            return nullptr;
        found = next;
    }
    return found;
}

QStringList TfrxObjectInspector::RowNames() const
{
    QStringList names;
    for (int i = 0; i < m_grid->topLevelItemCount(); ++i)
        names << m_grid->topLevelItem(i)->text(0);
    return names;
}

TfrxPropertyItem *TfrxObjectInspector::FindItem(const QString &path) const
{
    return ItemOf(TreeItem(path));
}

QString TfrxObjectInspector::ValueText(const QString &path) const
{
    TfrxPropertyItem *item = FindItem(path);
    return item ? SafeValueText(*item->Editor) : QString();
}

bool TfrxObjectInspector::SetValueText(const QString &path, const QString &text)
{
    TfrxPropertyItem *item = FindItem(path);
    return item && !m_locked && Apply(item, text);
}

bool TfrxObjectInspector::RunEditor(const QString &path)
{
    TfrxPropertyItem *item = FindItem(path);
    return item && !m_locked && Run(item);
}

QStringList TfrxObjectInspector::ValueList(const QString &path)
{
    TfrxPropertyItem *item = FindItem(path);
    if (!item)
        return {};
    item->Editor->ValueList();
    QStringList values = item->Editor->Values();
    if (item->Editor->Attributes() & paSortList)
        values.sort(Qt::CaseInsensitive);
    return values;
}

bool TfrxObjectInspector::SelectRow(const QString &path)
{
    QTreeWidgetItem *item = TreeItem(path);
    if (!item)
        return false;
    for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    m_grid->setCurrentItem(item, 1);
    return true;
}

QString TfrxObjectInspector::CurrentRow() const
{
    return m_grid->currentItem() ? PathOf(m_grid->currentItem()) : QString();
}

QString TfrxObjectInspector::DescriptionText() const
{
    return m_description->text();
}

void TfrxObjectInspector::UpdateDescription()
{
    TfrxPropertyItem *item = ItemOf(m_grid->currentItem());
    if (!item) {
        m_description->clear();
        return;
    }
    const QString name = item->Name();
    const QString owner = QLatin1String(item->Editor->Target().Meta()->className());
    TfrxResources &res = frxResources();
    QString text;
    if (res.Has(QStringLiteral("prop") + name + u'.' + owner))
        text = res.Get(QStringLiteral("prop") + name + u'.' + owner);
    else if (res.Has(QStringLiteral("prop") + name))
        text = res.Get(QStringLiteral("prop") + name);
    m_description->setText(QStringLiteral("<b>%1</b><br>%2").arg(name.toHtmlEscaped(), text.toHtmlEscaped()));
}

// ---- the edit line ----

void TfrxObjectInspector::CurrentChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous)
{
    if (m_filling)
        return;
    ApplyPending();
    if (previous && m_editBox)
        m_grid->removeItemWidget(previous, 1);
    m_edit = nullptr;
    m_editBox = nullptr;
    m_editItem = nullptr;
    if (current) {
        CreateEditLine(current);
        // Rows scroll into view up and down only: the name column stays at the left edge.
        m_grid->scrollToItem(current);
        m_grid->horizontalScrollBar()->setValue(0);
    }
    UpdateDescription();
}

void TfrxObjectInspector::CreateEditLine(QTreeWidgetItem *treeItem)
{
    TfrxPropertyItem *item = ItemOf(treeItem);
    if (!item || m_locked)
        return;
    const int attrs = item->Editor->Attributes();
    m_editBox = new QWidget;
    auto *row = new QHBoxLayout(m_editBox);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_edit = new QLineEdit(m_editBox);
    m_edit->setObjectName(QStringLiteral("EditLine"));
    m_edit->setFrame(false);
    m_edit->setText(SafeValueText(*item->Editor));
    m_edit->setReadOnly(attrs & paReadOnly);
    m_edit->installEventFilter(this);
    row->addWidget(m_edit, 1);
    if (attrs & paDialog) {
        auto *button = new QToolButton(m_editBox);
        button->setObjectName(QStringLiteral("DialogButton"));
        button->setText(QStringLiteral("…"));
        button->setFixedWidth(15);
        connect(button, &QToolButton::clicked, this, [this, item] { Run(item); });
        row->addWidget(button);
    }
    if (attrs & paValueList) {
        auto *button = new QToolButton(m_editBox);
        button->setObjectName(QStringLiteral("ListButton"));
        button->setArrowType(Qt::DownArrow);
        button->setFixedWidth(15);
        connect(button, &QToolButton::clicked, this, &TfrxObjectInspector::ShowValueList);
        row->addWidget(button);
    }
    m_editItem = item;
    m_editChanged = false;
    connect(m_edit, &QLineEdit::textEdited, this, [this] { m_editChanged = true; });
    m_grid->setItemWidget(treeItem, 1, m_editBox);
}

void TfrxObjectInspector::ShowValueList()
{
    if (!m_editItem || !m_edit)
        return;
    // The press that closed the list must not open it again.
    if (QDateTime::currentMSecsSinceEpoch() - m_listClosedAt < 100) {
        m_edit->setFocus();
        return;
    }
    const QStringList values = ValueList(PathOf(m_grid->currentItem()));
    if (values.isEmpty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("ValueList"));
    const QString current = m_edit->text();
    for (const QString &v : values) {
        QAction *a = menu.addAction(v);
        a->setCheckable(true);
        a->setChecked(v == current);
    }
    menu.setMinimumWidth(m_editBox->width() + 1);
    QAction *chosen = menu.exec(m_editBox->mapToGlobal(QPoint(-3, m_editBox->height())));
    m_listClosedAt = QDateTime::currentMSecsSinceEpoch();
    if (!chosen || !m_edit)
        return;
    TfrxPropertyItem *item = m_editItem;
    m_edit->setText(chosen->text());
    m_edit->selectAll();
    Apply(item, chosen->text());
}

void TfrxObjectInspector::ApplyPending()
{
    if (m_edit && m_editItem && m_editChanged)
        Apply(m_editItem, m_edit->text());
}

bool TfrxObjectInspector::eventFilter(QObject *watched, QEvent *event)
{
    // Typing on a selected row edits its value: the first character goes to the edit line, which
    // takes the focus and replaces the shown value with what is typed.
    if (watched == m_grid && event->type() == QEvent::KeyPress && m_edit && !m_edit->isReadOnly()) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            m_edit->setFocus();
            m_edit->selectAll();
            QApplication::sendEvent(m_edit, event);
            return true;
        }
    }
    if (watched != m_edit || !m_edit)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        QTreeWidgetItem *current = m_grid->currentItem();
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_editItem->Editor->Attributes() & paDialog)
                Run(m_editItem);
            else if (m_editChanged)
                Apply(m_editItem, m_edit->text());
            if (m_edit)
                m_edit->selectAll();
            return true;
        case Qt::Key_Escape:
            m_edit->setText(SafeValueText(*m_editItem->Editor));
            m_editChanged = false;
            return true;
        case Qt::Key_Up:
            if (QTreeWidgetItem *above = current ? m_grid->itemAbove(current) : nullptr)
                m_grid->setCurrentItem(above, 1);
            return true;
        case Qt::Key_Down:
            if (QTreeWidgetItem *below = current ? m_grid->itemBelow(current) : nullptr)
                m_grid->setCurrentItem(below, 1);
            return true;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            const int rows = std::max(1, m_grid->viewport()->height() /
                                             std::max(1, m_grid->visualItemRect(current).height()));
            QTreeWidgetItem *to = current;
            for (int i = 0; i < rows && to; ++i) {
                QTreeWidgetItem *next =
                    key->key() == Qt::Key_PageUp ? m_grid->itemAbove(to) : m_grid->itemBelow(to);
                if (!next)
                    break;
                to = next;
            }
            if (to && to != current)
                m_grid->setCurrentItem(to, 1);
            return true;
        }
        default:
            break;
        }
    } else if (event->type() == QEvent::FocusOut) {
        ApplyPending();
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        if (m_editItem)
            Run(m_editItem);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- writing ----

bool TfrxObjectInspector::Apply(TfrxPropertyItem *item, const QString &text)
{
    TfrxPropertyEditor *editor = item->Editor.get();
    if (item == m_editItem)
        m_editChanged = false;
    editor->ClearWrittenCount();
    QString error;
    try {
        editor->ApplyText(text);
    } catch (const std::exception &e) {
        error = ExceptionText(e);
        if (error.isEmpty())
            error = frxGet(QStringLiteral("SInvalidPropertyValue"));
    }
    // What was written is reported even when a later object refused the value.
    if (editor->WrittenCount() > 0)
        Changed();
    if (m_edit && item == m_editItem)
        m_edit->setText(SafeValueText(*editor));
    if (!error.isEmpty()) {
        Ui::Message(error, QStringLiteral("Error"), UiIcon::Error);
        return false;
    }
    return true;
}

bool TfrxObjectInspector::Run(TfrxPropertyItem *item)
{
    TfrxPropertyEditor *editor = item->Editor.get();
    editor->ClearWrittenCount();
    bool changed = false;
    QString error;
    try {
        changed = editor->RunEditor();
    } catch (const std::exception &e) {
        error = ExceptionText(e);
    }
    if (changed || editor->WrittenCount() > 0)
        Changed();
    if (m_edit && item == m_editItem) {
        m_edit->setText(SafeValueText(*editor));
        m_editChanged = false;
    }
    if (!error.isEmpty()) {
        Ui::Message(error, QStringLiteral("Error"), UiIcon::Error);
        return false;
    }
    return changed || editor->WrittenCount() > 0;
}

void TfrxObjectInspector::Changed()
{
    UpdateProperties();
    UpdateObjectList();
    emit Modified();
}

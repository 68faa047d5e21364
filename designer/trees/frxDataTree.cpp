// The data tree's tabs, options and reference texts.
#include "designer/trees/frxDataTree.h"

#include "report/core/frxRes.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxReport.h"
#include "script/fs_iinterpreter.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDrag>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMetaProperty>
#include <QMimeData>
#include <QRegularExpression>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int KindRole = Qt::UserRole;
constexpr int AliasRole = Qt::UserRole + 1; // dataset nodes and field nodes: the dataset's alias
constexpr int DescriptionRole = Qt::UserRole + 2;

const char *const SystemVariables[] = {"Date",        "Time", "Page",  "Page#",    "TotalPages",
                                       "TotalPages#", "Line", "Line#", "CopyName#"};

// A read-only tree whose leaves are dragged as their reference text.
constexpr char DragFormat[] = "application/x-waybill-datatree";

class TfrxDataTreeView : public QTreeWidget {
public:
    TfrxDataTreeView(const TfrxDataTreeForm *form, int tab, QWidget *parent)
        : QTreeWidget(parent), m_form(form), m_tab(tab)
    {
        setHeaderHidden(true);
        setRootIsDecorated(false);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragOnly);
        setUniformRowHeights(true);
    }

protected:
    QStringList mimeTypes() const override { return {QLatin1String(DragFormat)}; }
    QMimeData *mimeData(const QList<QTreeWidgetItem *> &) const override
    {
        QMimeData *data = m_form->DragData(m_tab);
        return data ? data : new QMimeData;
    }
    void startDrag(Qt::DropActions actions) override
    {
        // Nodes without a reference text (roots, datasets, categories) are not dragged.
        if (TfrxDataTreeForm::ReferenceText(currentItem(), m_tab).isEmpty())
            return;
        QTreeWidget::startDrag(actions);
    }

private:
    const TfrxDataTreeForm *m_form;
    int m_tab;
};

QTreeWidgetItem *AddNode(QTreeWidgetItem *parent, const QString &text, int kind)
{
    auto *item = new QTreeWidgetItem(parent, {text});
    item->setData(0, KindRole, kind);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (kind == TfrxDataTreeForm::nkField || kind == TfrxDataTreeForm::nkVariable ||
        kind == TfrxDataTreeForm::nkFunction)
        flags |= Qt::ItemIsDragEnabled;
    item->setFlags(flags);
    return item;
}

QTreeWidgetItem *AddRoot(QTreeWidget *tree, const QString &text)
{
    auto *item = new QTreeWidgetItem(tree, {text});
    item->setData(0, KindRole, TfrxDataTreeForm::nkFolder);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// Nodes with children are drawn bold.
void MarkParents(QTreeWidgetItem *item)
{
    if (item->childCount() == 0)
        return;
    QFont font = item->font(0);
    font.setBold(true);
    item->setFont(0, font);
    for (int i = 0; i < item->childCount(); ++i)
        MarkParents(item->child(i));
}

// The caption of a function category of the script library.
QString CategoryCaption(const QString &category)
{
    static const char *const captions[][2] = {
        {"ctString", "String routines"}, {"ctDate", "Date & Time"},  {"ctConv", "Conversion routines"},
        {"ctFormat", "Formatting"},      {"ctMath", "Mathematical"}, {"ctOther", "Other functions"},
    };
    for (const auto &caption : captions)
        if (category == QLatin1String(caption[0]))
            return frxGetOrAdd(caption[0], caption[1]);
    return frxGet(category);
}

// "function Copy(S: String): String" shows as "Copy(S: String): String".
QString DeclarationText(const QString &syntax)
{
    QString text = syntax.trimmed();
    for (const char *word : {"function ", "procedure "})
        if (text.startsWith(QLatin1String(word), Qt::CaseInsensitive))
            text = text.mid(int(qstrlen(word))).trimmed();
    if (text.endsWith(u';'))
        text.chop(1);
    return text;
}

} // namespace

TfrxDataTreeForm::TfrxDataTreeForm(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TfrxDataTreeForm"));
    setWindowTitle(QStringLiteral("Data Tree"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("DataTreeTabs"));
    m_tabs->setDocumentMode(true);
    const char *const names[] = {"DataTree", "VariablesTree", "FunctionsTree", "ClassesTree"};
    for (int tab = 0; tab < 4; ++tab) {
        m_trees[tab] = new TfrxDataTreeView(this, tab, nullptr);
        m_trees[tab]->setObjectName(QLatin1String(names[tab]));
        connect(m_trees[tab], &QTreeWidget::itemDoubleClicked, this, [this, tab](QTreeWidgetItem *item) {
            const QString text = ReferenceText(item, tab);
            if (!text.isEmpty())
                emit ReferenceActivated(text);
        });
    }
    // Data: the tree, or the message when the report has no datasets.
    m_dataStack = new QStackedWidget;
    m_dataStack->addWidget(m_trees[tabData]);
    m_noData = new QLabel;
    m_noData->setObjectName(QStringLiteral("NoDataLabel"));
    m_noData->setAlignment(Qt::AlignCenter);
    m_noData->setWordWrap(true);
    m_noData->setText(NoDataText());
    m_noData->installEventFilter(this);
    m_dataStack->addWidget(m_noData);
    m_tabs->addTab(m_dataStack, QStringLiteral("Data"));
    m_tabs->addTab(m_trees[tabVariables], QStringLiteral("Variables"));
    // Functions: the tree and the description of the selected function.
    auto *functions = new QSplitter(Qt::Vertical);
    functions->addWidget(m_trees[tabFunctions]);
    m_description = new QTextBrowser;
    m_description->setObjectName(QStringLiteral("FunctionDescription"));
    functions->addWidget(m_description);
    functions->setStretchFactor(0, 3);
    functions->setStretchFactor(1, 1);
    m_tabs->addTab(functions, QStringLiteral("Functions"));
    m_tabs->addTab(m_trees[tabClasses], QStringLiteral("Classes"));
    layout->addWidget(m_tabs, 1);
    connect(m_trees[tabFunctions], &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (!item || item->data(0, KindRole).toInt() != nkFunction) {
            m_description->clear();
            return;
        }
        QString name = item->text(0);
        const qsizetype cut = name.indexOf(QRegularExpression(QStringLiteral("[(:]")));
        if (cut > 0)
            name = name.left(cut);
        m_description->setHtml(QStringLiteral("<b>") + name.toHtmlEscaped() + QStringLiteral("</b><br>") +
                               item->data(0, DescriptionRole).toString().toHtmlEscaped());
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab >= tabFunctions)
            BuildLibrary();
    });

    auto *options = new QWidget(this);
    options->setObjectName(QStringLiteral("DataTreeOptions"));
    auto *optionsLayout = new QVBoxLayout(options);
    optionsLayout->setContentsMargins(4, 0, 4, 2);
    optionsLayout->setSpacing(0);
    m_insertField = new QCheckBox(QStringLiteral("Create field"), options);
    m_insertField->setObjectName(QStringLiteral("InsFieldCB"));
    m_insertField->setChecked(true);
    m_insertCaption = new QCheckBox(QStringLiteral("Create caption"), options);
    m_insertCaption->setObjectName(QStringLiteral("InsCaptionCB"));
    m_sort = new QCheckBox(QStringLiteral("Sort by Name"), options);
    m_sort->setObjectName(QStringLiteral("SortCB"));
    for (QCheckBox *box : {m_insertField, m_insertCaption, m_sort})
        optionsLayout->addWidget(box);
    layout->addWidget(options);
    connect(m_sort, &QCheckBox::toggled, this, [this] { UpdateItems(); });
}

TfrxDataTreeForm::~TfrxDataTreeForm() = default;

void TfrxDataTreeForm::SetReport(TfrxReport *report)
{
    m_report = report;
}

QString TfrxDataTreeForm::NoDataText() const
{
    return QStringLiteral("No data available.\n\n") +
           frxGetOrAdd("dtNoData1",
                       "Go to the \"Report|Data...\" menu to add existing datasets to your report, "
                       "or switch to the \"Data\" tab and create new datasets.");
}

void TfrxDataTreeForm::RememberCollapsed()
{
    QTreeWidgetItem *root = m_trees[tabData]->topLevelItem(0);
    if (!root)
        return;
    m_collapsed.clear();
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem *node = root->child(i);
        if (!node->isExpanded() && node->childCount() > 0)
            m_collapsed.insert(node->text(0));
    }
}

void TfrxDataTreeForm::BuildData()
{
    QTreeWidget *tree = m_trees[tabData];
    RememberCollapsed();
    tree->setUpdatesEnabled(false);
    tree->clear();
    QList<TfrxDataSet *> dataSets;
    if (m_report) {
        const TfrxReportDataSets *list = m_report->Datasets();
        for (int i = 0; i < list->Count(); ++i)
            if (TfrxDataSet *dataSet = list->Items(i)->DataSet(); dataSet && !dataSets.contains(dataSet))
                dataSets << dataSet;
    }
    const bool sorted = SortByName();
    if (sorted)
        std::stable_sort(dataSets.begin(), dataSets.end(), [](TfrxDataSet *a, TfrxDataSet *b) {
            return a->UserName().compare(b->UserName(), Qt::CaseInsensitive) < 0;
        });
    QTreeWidgetItem *root = AddRoot(tree, QStringLiteral("Data"));
    for (TfrxDataSet *dataSet : std::as_const(dataSets)) {
        const QString alias = dataSet->UserName();
        QTreeWidgetItem *node = AddNode(root, alias, nkDataSet);
        node->setData(0, AliasRole, alias);
        QStringList fields;
        try {
            dataSet->GetFieldList(fields);
        } catch (...) {
            fields.clear(); // a dataset that cannot list its fields shows none
        }
        if (sorted)
            std::stable_sort(fields.begin(), fields.end(), [](const QString &a, const QString &b) {
                return a.compare(b, Qt::CaseInsensitive) < 0;
            });
        QList<QTreeWidgetItem *> children;
        children.reserve(fields.size());
        for (const QString &field : std::as_const(fields)) {
            auto *item = new QTreeWidgetItem(QStringList{field});
            item->setData(0, KindRole, nkField);
            item->setData(0, AliasRole, alias);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
            children << item;
        }
        node->addChildren(children);
    }
    MarkParents(root);
    root->setExpanded(true);
    for (int i = 0; i < root->childCount(); ++i)
        root->child(i)->setExpanded(!m_collapsed.contains(root->child(i)->text(0)));
    tree->setUpdatesEnabled(true);
    m_dataStack->setCurrentIndex(dataSets.isEmpty() ? 1 : 0);
}

void TfrxDataTreeForm::BuildVariables()
{
    QTreeWidget *tree = m_trees[tabVariables];
    tree->setUpdatesEnabled(false);
    tree->clear();
    QTreeWidgetItem *root = AddRoot(tree, QStringLiteral("Variables"));
    if (m_report) {
        const TfrxVariables *variables = m_report->Variables();
        QTreeWidgetItem *parent = root;
        for (int i = 0; i < variables->Count(); ++i) {
            const TfrxVariable *v = variables->Items(i);
            if (v->IsCategory())
                parent = AddNode(root, v->Name().mid(1), nkFolder);
            else
                AddNode(parent, v->Name(), nkVariable);
        }
    }
    QTreeWidgetItem *system = AddNode(root, QStringLiteral("System variables"), nkFolder);
    for (const char *name : SystemVariables)
        AddNode(system, QLatin1String(name), nkVariable);
    MarkParents(root);
    tree->expandAll();
    tree->setUpdatesEnabled(true);
}

void TfrxDataTreeForm::BuildLibrary()
{
    // The script library does not change while the program runs: built once, when first shown.
    if (m_libraryBuilt)
        return;
    m_libraryBuilt = true;
    TfsScript *unit = TfsScript::GlobalUnit();
    QTreeWidget *functions = m_trees[tabFunctions];
    QTreeWidget *classes = m_trees[tabClasses];
    QTreeWidgetItem *functionRoot = AddRoot(functions, QStringLiteral("Functions"));
    QTreeWidgetItem *classRoot = AddRoot(classes, QStringLiteral("Classes"));
    QHash<QString, QTreeWidgetItem *> categories;
    for (int i = 0; i < unit->ItemCount(); ++i) {
        TfsCustomVariable *item = unit->Item(i);
        if (auto *method = dynamic_cast<TfsMethodHelper *>(item)) {
            if (method->Category().isEmpty())
                continue;
            QTreeWidgetItem *&category = categories[method->Category()];
            if (!category)
                category = AddNode(functionRoot, CategoryCaption(method->Category()), nkFolder);
            QTreeWidgetItem *node = AddNode(category, DeclarationText(method->Syntax()), nkFunction);
            node->setData(0, DescriptionRole, method->Description());
        } else if (auto *cls = dynamic_cast<TfsClassVariable *>(item)) {
            QString caption = cls->Name();
            if (!cls->AncestorName().isEmpty())
                caption += QStringLiteral(" (") + cls->AncestorName() + QLatin1Char(')');
            QTreeWidgetItem *node = AddNode(classRoot, caption, nkClass);
            if (const QMetaObject *meta = cls->Meta())
                for (int p = meta->propertyOffset(); p < meta->propertyCount(); ++p)
                    AddNode(node,
                            QStringLiteral("property ") + QLatin1String(meta->property(p).name()) +
                                QStringLiteral(": ") + QLatin1String(meta->property(p).typeName()),
                            nkMember);
        }
    }
    functionRoot->sortChildren(0, Qt::AscendingOrder);
    classRoot->sortChildren(0, Qt::AscendingOrder);
    MarkParents(functionRoot);
    MarkParents(classRoot);
    functionRoot->setExpanded(true);
    classRoot->setExpanded(true);
}

void TfrxDataTreeForm::UpdateItems()
{
    BuildData();
    BuildVariables();
    if (m_tabs->currentIndex() >= tabFunctions)
        BuildLibrary();
}

QString TfrxDataTreeForm::ReferenceText(const QTreeWidgetItem *item, int tab)
{
    if (!item || item->childCount() > 0)
        return QString();
    const int kind = item->data(0, KindRole).toInt();
    const QString text = item->text(0);
    switch (tab) {
    case tabData:
        if (kind != nkField)
            return QString();
        return QStringLiteral("<") + item->data(0, AliasRole).toString() + QStringLiteral(".\"") + text +
               QStringLiteral("\">");
    case tabVariables:
        return kind == nkVariable ? QStringLiteral("<") + text + QStringLiteral(">") : QString();
    case tabFunctions: {
        if (kind != nkFunction)
            return QString();
        const qsizetype open = text.indexOf(u'(');
        if (open < 0) {
            const qsizetype colon = text.indexOf(u':');
            return (colon < 0 ? text : text.left(colon)).trimmed();
        }
        QString reference = text.left(open + 1);
        for (QChar c : text)
            if (c == u',' || c == u';')
                reference += u',';
        return reference + u')';
    }
    default:
        return QString();
    }
}

QString TfrxDataTreeForm::GetFieldName() const
{
    const int tab = GetActivePage();
    return ReferenceText(m_trees[tab]->currentItem(), tab);
}

int TfrxDataTreeForm::GetActivePage() const
{
    return std::clamp(m_tabs->currentIndex(), 0, 3);
}

void TfrxDataTreeForm::SetActivePage(int tab)
{
    m_tabs->setCurrentIndex(std::clamp(tab, 0, 3));
}

bool TfrxDataTreeForm::IsTree(const QObject *object) const
{
    for (QTreeWidget *tree : m_trees)
        if (object == tree || object == tree->viewport())
            return true;
    return false;
}

// Drag data names the form that made it, so that only this window's drops are taken.
static QByteArray DragToken(const TfrxDataTreeForm *form)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(quintptr(form), 16);
}

QMimeData *TfrxDataTreeForm::DragData(int tab) const
{
    tab = std::clamp(tab, 0, 3);
    const QString reference = ReferenceText(m_trees[tab]->currentItem(), tab);
    if (reference.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(QLatin1String(DragFormat), DragToken(this));
    data->setText(reference);
    return data;
}

QString TfrxDataTreeForm::DraggedReference(const QMimeData *data) const
{
    if (!data || data->data(QLatin1String(DragFormat)) != DragToken(this))
        return QString();
    return data->text();
}

QTreeWidget *TfrxDataTreeForm::Tree(int tab) const
{
    return m_trees[std::clamp(tab, 0, 3)];
}

bool TfrxDataTreeForm::HasData() const
{
    return m_dataStack->currentIndex() == 0;
}

bool TfrxDataTreeForm::InsertField() const
{
    return m_insertField->isChecked();
}

void TfrxDataTreeForm::SetInsertField(bool value)
{
    m_insertField->setChecked(value);
}

bool TfrxDataTreeForm::InsertCaption() const
{
    return m_insertCaption->isChecked();
}

void TfrxDataTreeForm::SetInsertCaption(bool value)
{
    m_insertCaption->setChecked(value);
}

bool TfrxDataTreeForm::SortByName() const
{
    return m_sort->isChecked();
}

void TfrxDataTreeForm::SetSortByName(bool value)
{
    m_sort->setChecked(value);
}

void TfrxDataTreeForm::UpdateSelection(const QList<TfrxComponent *> &selection)
{
    if (selection.size() != 1)
        return;
    auto *dataSet = qobject_cast<TfrxDataSet *>(selection.first());
    QTreeWidgetItem *root = m_trees[tabData]->topLevelItem(0);
    if (!dataSet || !root)
        return;
    for (int i = 0; i < root->childCount(); ++i)
        if (root->child(i)->text(0) == dataSet->UserName()) {
            m_trees[tabData]->setCurrentItem(root->child(i));
            return;
        }
}

bool TfrxDataTreeForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_noData && event->type() == QEvent::MouseButtonDblClick) {
        emit DataDialogRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

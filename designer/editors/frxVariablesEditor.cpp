#include "designer/editors/frxVariablesEditor.h"

#include "designer/editors/frxEditorWidgets.h"
#include "platform/Ui.h"
#include "report/model/frxReport.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum { kCategoryRole = Qt::UserRole, kValueRole, kTextRole };

bool IsCategory(const QTreeWidgetItem *item)
{
    return item && item->data(0, kCategoryRole).toBool();
}

QTreeWidgetItem *NewItem(bool category, const QString &name, const Variant &value = Variant())
{
    auto *item = new QTreeWidgetItem;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, kCategoryRole, category);
    item->setText(0, name);
    if (!category) {
        const QString text = value.IsNull() || value.IsEmpty() ? QString() : value.ToString();
        item->setText(1, text);
        // The value as it was, kept as it is unless its text is edited.
        item->setData(0, kValueRole, QVariant::fromValue(value));
        item->setData(0, kTextRole, text);
    } else {
        QFont font = item->font(0);
        font.setBold(true);
        item->setFont(0, font);
    }
    return item;
}

QString FreeName(const QTreeWidget *tree, const QString &stem)
{
    QSet<QString> used;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(tree)); *it; ++it)
        used.insert((*it)->text(0).trimmed().toCaseFolded());
    int n = 1;
    while (used.contains((stem + QString::number(n)).toCaseFolded()))
        ++n;
    return stem + QString::number(n);
}

} // namespace

TfrxVariablesEditorForm::TfrxVariablesEditorForm(TfrxReport *report, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxVariablesEditorForm"));
    setWindowTitle(QStringLiteral("Edit Variables"));
    resize(520, 380);
    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    auto button = [this, buttons](const char *name, const QString &caption) {
        return frxEditorRowButton(this, buttons, name, caption);
    };
    connect(button("NewCategoryButton", QStringLiteral("New Category")), &QPushButton::clicked, this,
            &TfrxVariablesEditorForm::AddCategory);
    connect(button("NewVariableButton", QStringLiteral("New Variable")), &QPushButton::clicked, this,
            &TfrxVariablesEditorForm::AddVariable);
    connect(button("DeleteButton", QStringLiteral("Delete")), &QPushButton::clicked, this,
            &TfrxVariablesEditorForm::DeleteItem);
    connect(button("UpButton", QStringLiteral("Up")), &QPushButton::clicked, this, [this] { MoveItem(-1); });
    connect(button("DownButton", QStringLiteral("Down")), &QPushButton::clicked, this,
            [this] { MoveItem(1); });
    buttons->addStretch();
    layout->addLayout(buttons);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("VariablesTree"));
    m_tree->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Expression")});
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tree->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    layout->addWidget(m_tree, 1);
    layout->addWidget(frxEditorButtons(this));

    const TfrxVariables *variables = report->Variables();
    QTreeWidgetItem *category = nullptr;
    for (int i = 0; i < variables->Count(); ++i) {
        const TfrxVariable *v = variables->Items(i);
        if (v->IsCategory()) {
            category = NewItem(true, v->Name().mid(1));
            m_tree->addTopLevelItem(category);
        } else if (category) {
            category->addChild(NewItem(false, v->Name(), v->Value()));
        } else {
            m_tree->addTopLevelItem(NewItem(false, v->Name(), v->Value()));
        }
    }
    m_tree->expandAll();
    // A category holds no expression.
    connect(m_tree, &QTreeWidget::itemChanged, this, [](QTreeWidgetItem *item, int column) {
        if (column == 1 && IsCategory(item) && !item->text(1).isEmpty())
            item->setText(1, QString());
    });
}

QTreeWidgetItem *TfrxVariablesEditorForm::AddCategory()
{
    QTreeWidgetItem *item = NewItem(true, FreeName(m_tree, QStringLiteral("Category")));
    m_tree->addTopLevelItem(item);
    m_tree->setCurrentItem(item);
    return item;
}

QTreeWidgetItem *TfrxVariablesEditorForm::AddVariable()
{
    QTreeWidgetItem *item = NewItem(false, FreeName(m_tree, QStringLiteral("Variable")), Variant());
    QTreeWidgetItem *current = m_tree->currentItem();
    QTreeWidgetItem *category = IsCategory(current) ? current : current ? current->parent() : nullptr;
    if (category) {
        category->addChild(item);
        category->setExpanded(true);
    } else {
        // Outside any category: after the last variable that has none, before the categories.
        int at = 0;
        while (at < m_tree->topLevelItemCount() && !IsCategory(m_tree->topLevelItem(at)))
            ++at;
        m_tree->insertTopLevelItem(at, item);
    }
    m_tree->setCurrentItem(item);
    return item;
}

void TfrxVariablesEditorForm::DeleteItem()
{
    delete m_tree->currentItem();
}

void TfrxVariablesEditorForm::MoveItem(int step)
{
    QTreeWidgetItem *item = m_tree->currentItem();
    if (!item)
        return;
    QTreeWidgetItem *parent = item->parent();
    const int index = parent ? parent->indexOfChild(item) : m_tree->indexOfTopLevelItem(item);
    const int count = parent ? parent->childCount() : m_tree->topLevelItemCount();
    const int target = index + step;
    if (target < 0 || target >= count)
        return;
    // Top-level variables stay before the categories, so that they stay outside of them.
    if (!parent && IsCategory(item) != IsCategory(m_tree->topLevelItem(target)))
        return;
    const bool expanded = item->isExpanded();
    if (parent) {
        parent->takeChild(index);
        parent->insertChild(target, item);
    } else {
        m_tree->takeTopLevelItem(index);
        m_tree->insertTopLevelItem(target, item);
    }
    item->setExpanded(expanded);
    m_tree->setCurrentItem(item);
}

void TfrxVariablesEditorForm::accept()
{
    QSet<QString> variables, categories;
    QString problem;
    for (QTreeWidgetItemIterator it(m_tree); *it && problem.isEmpty(); ++it) {
        const QString name = (*it)->text(0).trimmed();
        QSet<QString> &used = IsCategory(*it) ? categories : variables;
        if (name.isEmpty())
            problem = QStringLiteral("A variable or category needs a name.");
        else if (used.contains(name.toCaseFolded()))
            problem = QStringLiteral("The name \"%1\" is used twice.").arg(name);
        used.insert(name.toCaseFolded());
    }
    if (!problem.isEmpty()) {
        Ui::Message(problem, QStringLiteral("Error"), UiIcon::Error);
        return;
    }
    QDialog::accept();
}

void TfrxVariablesEditorForm::Apply(TfrxReport *report) const
{
    TfrxVariables *variables = report->Variables();
    variables->Clear();
    auto addVariable = [variables](const QTreeWidgetItem *item) {
        TfrxVariable *v = variables->Add();
        v->SetName(item->text(0).trimmed());
        const QString text = item->text(1);
        if (text == item->data(0, kTextRole).toString())
            v->SetValue(item->data(0, kValueRole).value<Variant>());
        else
            v->SetValue(Variant(text));
    };
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_tree->topLevelItem(i);
        if (!IsCategory(item)) {
            addVariable(item);
            continue;
        }
        variables->Add()->SetName(QLatin1Char(' ') + item->text(0).trimmed());
        for (int j = 0; j < item->childCount(); ++j)
            addVariable(item->child(j));
    }
}

bool EditVariables(QWidget *parent, TfrxReport *report)
{
    if (!report)
        return false;
    TfrxVariablesEditorForm editor(report, parent);
    if (!Ui::RunDialog(editor))
        return false;
    editor.Apply(report);
    return true;
}

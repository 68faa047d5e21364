#include "designer/window/frxMemoEditor.h"

#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

TfrxMemoEditorForm::TfrxMemoEditorForm(TfrxCustomMemoView *memo, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxMemoEditorForm"));
    setWindowTitle(QStringLiteral("Memo"));
    resize(640, 400);
    auto *layout = new QVBoxLayout(this);
    auto *splitter = new QSplitter(this);
    m_text = new QPlainTextEdit(splitter);
    m_text->setObjectName(QStringLiteral("MemoText"));
    m_fields = new QTreeWidget(splitter);
    m_fields->setObjectName(QStringLiteral("FieldsTree"));
    m_fields->setHeaderHidden(true);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    TfrxReport *report = memo->Report();
    if (report) {
        for (TfrxDataSet *dataSet : report->GetDataSetList()) {
            auto *item = new QTreeWidgetItem(m_fields, {dataSet->UserName()});
            QStringList fields;
            dataSet->GetFieldList(fields);
            for (const QString &field : std::as_const(fields)) {
                auto *child = new QTreeWidgetItem(item, {field});
                child->setData(0, Qt::UserRole,
                               QLatin1Char('[') + dataSet->UserName() + QStringLiteral(".\"") + field +
                                   QStringLiteral("\"]"));
            }
            item->setExpanded(true);
        }
        auto *variables = new QTreeWidgetItem(m_fields, {QStringLiteral("System variables")});
        for (const QString &name : report->SysVariables()) {
            auto *child = new QTreeWidgetItem(variables, {name});
            child->setData(0, Qt::UserRole, QLatin1Char('[') + name + QLatin1Char(']'));
        }
    }
    connect(m_fields, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        const QString expression = item->data(0, Qt::UserRole).toString();
        if (!expression.isEmpty())
            InsertExpression(expression);
    });
    QString text = memo->Text();
    // The editor shows the text without its final line break.
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    SetText(text);
    m_text->setFocus();
}

QString TfrxMemoEditorForm::Text() const
{
    return m_text->toPlainText();
}

void TfrxMemoEditorForm::SetText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_text->setPlainText(shown);
}

void TfrxMemoEditorForm::InsertExpression(const QString &expression)
{
    m_text->insertPlainText(expression);
}

void TfrxMemoEditorForm::SetEditorFont(const QFont &font)
{
    m_text->setFont(font);
}

QFont TfrxMemoEditorForm::EditorFont() const
{
    return m_text->font();
}

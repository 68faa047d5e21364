#include "designer/editors/frxHighlightEditor.h"

#include "designer/editors/frxEditorWidgets.h"
#include "platform/Ui.h"
#include "report/model/frxViews.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

TfrxHighlightEditorForm::TfrxHighlightEditorForm(const TfrxHighlight &highlight, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxHighlightEditorForm"));
    setWindowTitle(QStringLiteral("Highlight"));
    m_highlight.Assign(highlight);
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_condition = new QLineEdit(m_highlight.Condition(), this);
    m_condition->setObjectName(QStringLiteral("ConditionEdit"));
    m_condition->setPlaceholderText(QStringLiteral("for example: Value < 0"));
    form->addRow(QStringLiteral("Condition"), m_condition);
    layout->addLayout(form);
    auto *fontGroup = new QGroupBox(QStringLiteral("Font"), this);
    auto *fontLayout = new QVBoxLayout(fontGroup);
    m_font = new TfrxFontBox(fontGroup);
    m_font->SetFont(*m_highlight.Font());
    fontLayout->addWidget(m_font);
    layout->addWidget(fontGroup);
    auto *colorForm = new QFormLayout;
    m_color = new TfrxColorBox(true, this);
    m_color->setObjectName(QStringLiteral("BackgroundColor"));
    m_color->SetColor(m_highlight.Color());
    colorForm->addRow(QStringLiteral("Background"), m_color);
    layout->addLayout(colorForm);
    layout->addWidget(frxEditorButtons(this));
    m_condition->setFocus();
}

const TfrxHighlight &TfrxHighlightEditorForm::Highlight()
{
    m_highlight.SetCondition(m_condition->text().trimmed());
    m_font->GetFont(*m_highlight.Font());
    m_highlight.SetColor(m_color->Color());
    return m_highlight;
}

bool EditHighlight(QWidget *parent, TfrxHighlight *highlight)
{
    if (!highlight)
        return false;
    TfrxHighlightEditorForm editor(*highlight, parent);
    if (!Ui::RunDialog(editor))
        return false;
    highlight->Assign(editor.Highlight());
    return true;
}

bool EditHighlight(QWidget *parent, TfrxCustomMemoView *memo)
{
    if (!memo || memo->Restrictions().testFlag(frx::rfDontModify))
        return false;
    return EditHighlight(parent, memo->Highlight());
}

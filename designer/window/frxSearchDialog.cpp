#include "designer/window/frxSearchDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrxSearchDialog::TfrxSearchDialog(bool replace, bool fromTopApplies, QWidget *parent) : QDialog(parent)
{
    setObjectName(replace ? QStringLiteral("ReplaceDialog") : QStringLiteral("FindDialog"));
    setWindowTitle(replace ? QStringLiteral("Replace text") : QStringLiteral("Find text"));
    setMinimumWidth(340);
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("FindEdit"));
    form->addRow(QStringLiteral("Text to find"), m_find);
    if (replace) {
        m_replace = new QLineEdit(this);
        m_replace->setObjectName(QStringLiteral("ReplaceEdit"));
        form->addRow(QStringLiteral("Replace with"), m_replace);
    }
    layout->addLayout(form);
    m_case = new QCheckBox(QStringLiteral("Case sensitive"), this);
    m_case->setObjectName(QStringLiteral("CaseSensitiveBox"));
    m_fromTop = new QCheckBox(QStringLiteral("Search from top"), this);
    m_fromTop->setObjectName(QStringLiteral("SearchFromTopBox"));
    // On a page every search runs over the objects in their order; only the code window has a
    // cursor to start from.
    m_fromTop->setEnabled(fromTopApplies);
    layout->addWidget(m_case);
    layout->addWidget(m_fromTop);

    m_buttons = new QDialogButtonBox(this);
    m_ok = m_buttons->addButton(replace ? QStringLiteral("Replace") : QStringLiteral("Find"),
                                QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("OkButton"));
    m_ok->setDefault(true);
    if (replace) {
        m_all = m_buttons->addButton(QStringLiteral("Replace All"), QDialogButtonBox::AcceptRole);
        m_all->setObjectName(QStringLiteral("ReplaceAllButton"));
    }
    QPushButton *cancel = m_buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::clicked, this, [this](QAbstractButton *button) {
        if (m_buttons->buttonRole(button) != QDialogButtonBox::AcceptRole)
            return;
        m_replaceAll = button == m_all;
        accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Nothing to search for: the buttons that would search stay disabled.
    auto update = [this] {
        const bool any = !m_find->text().isEmpty();
        m_ok->setEnabled(any);
        if (m_all)
            m_all->setEnabled(any);
    };
    connect(m_find, &QLineEdit::textChanged, this, update);
    update();
    m_find->setFocus();
}

QString TfrxSearchDialog::FindText() const
{
    return m_find->text();
}

void TfrxSearchDialog::SetFindText(const QString &text)
{
    m_find->setText(text);
    m_find->selectAll();
}

QString TfrxSearchDialog::ReplaceText() const
{
    return m_replace ? m_replace->text() : QString();
}

bool TfrxSearchDialog::CaseSensitive() const
{
    return m_case->isChecked();
}

void TfrxSearchDialog::SetCaseSensitive(bool on)
{
    m_case->setChecked(on);
}

bool TfrxSearchDialog::SearchFromTop() const
{
    return m_fromTop->isEnabled() && m_fromTop->isChecked();
}

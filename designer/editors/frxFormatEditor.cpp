#include "designer/editors/frxFormatEditor.h"

#include "designer/editors/frxEditorWidgets.h"
#include "platform/Ui.h"
#include "report/expr/frxFormat.h"
#include "report/model/frxViews.h"

#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

struct TKindInfo {
    const char *Caption;
    QStringList Presets;
};

const QList<TKindInfo> &Kinds()
{
    static const QList<TKindInfo> kinds = {
        {"Text (no formatting)", {}},
        {"Number", {"%2.2f", "%g", "%d", "#,##0.00", "#,##0", "0.000", "%2.2m"}},
        {"Date/Time",
         {"yyyy-mm-dd", "dd.mm.yyyy", "mm/dd/yyyy", "dd mmm yyyy", "yyyy-mm-dd hh:nn", "hh:nn:ss", "hh:nn"}},
        {"Boolean", {"False,True", "No,Yes", "0,1", "否,是"}},
    };
    return kinds;
}

Variant SampleValue(frx::TfrxFormatKind kind)
{
    switch (kind) {
    case frx::fkNumeric:
        return Variant(-1234.5678);
    case frx::fkDateTime:
        return Variant::FromDateTime(QDateTime(QDate(2026, 12, 10), QTime(14, 30, 5)));
    case frx::fkBoolean:
        return Variant(true);
    default:
        return Variant(QStringLiteral("Sample text"));
    }
}

} // namespace

TfrxFormatEditorForm::TfrxFormatEditorForm(const TfrxFormat &format, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxFormatEditorForm"));
    setWindowTitle(QStringLiteral("Display Format"));
    m_format.Assign(format);
    auto *layout = new QVBoxLayout(this);
    auto *lists = new QHBoxLayout;
    m_kinds = new QListWidget(this);
    m_kinds->setObjectName(QStringLiteral("KindList"));
    for (const TKindInfo &kind : Kinds())
        m_kinds->addItem(QString::fromUtf8(kind.Caption));
    m_presets = new QListWidget(this);
    m_presets->setObjectName(QStringLiteral("FormatList"));
    lists->addWidget(m_kinds);
    lists->addWidget(m_presets, 1);
    layout->addLayout(lists);
    auto *form = new QFormLayout;
    m_formatStr = new QLineEdit(this);
    m_formatStr->setObjectName(QStringLiteral("FormatStrEdit"));
    form->addRow(QStringLiteral("Format string"), m_formatStr);
    m_decimal = new QLineEdit(this);
    m_decimal->setObjectName(QStringLiteral("DecimalSeparatorEdit"));
    m_decimal->setMaxLength(1);
    form->addRow(QStringLiteral("Decimal separator"), m_decimal);
    m_thousand = new QLineEdit(this);
    m_thousand->setObjectName(QStringLiteral("ThousandSeparatorEdit"));
    m_thousand->setMaxLength(1);
    form->addRow(QStringLiteral("Thousand separator"), m_thousand);
    m_sample = new QLabel(this);
    m_sample->setObjectName(QStringLiteral("SampleLabel"));
    form->addRow(QStringLiteral("Sample"), m_sample);
    layout->addLayout(form);
    layout->addWidget(frxEditorButtons(this));

    m_formatStr->setText(m_format.FormatStr());
    m_decimal->setText(m_format.DecimalSeparator());
    m_thousand->setText(m_format.ThousandSeparator());
    m_kinds->setCurrentRow(int(m_format.Kind()));
    ShowKind();

    connect(m_kinds, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || m_filling)
            return;
        m_format.SetKind(frx::TfrxFormatKind(row));
        // A format string of another kind means nothing here: start from this kind's first.
        const QStringList &presets = Kinds().at(row).Presets;
        m_formatStr->setText(presets.isEmpty() ? QString() : presets.first());
        ShowKind();
    });
    connect(m_presets, &QListWidget::currentTextChanged, this, [this](const QString &text) {
        if (!m_filling && !text.isEmpty())
            m_formatStr->setText(text);
    });
    for (QLineEdit *edit : {m_formatStr, m_decimal, m_thousand})
        connect(edit, &QLineEdit::textChanged, this, &TfrxFormatEditorForm::Update);
    Update();
}

void TfrxFormatEditorForm::ShowKind()
{
    m_filling = true;
    const int kind = int(m_format.Kind());
    m_presets->clear();
    m_presets->addItems(Kinds().at(kind).Presets);
    const auto found = m_presets->findItems(m_formatStr->text(), Qt::MatchExactly);
    if (!found.isEmpty())
        m_presets->setCurrentItem(found.first());
    const bool numeric = m_format.Kind() == frx::fkNumeric;
    m_formatStr->setEnabled(m_format.Kind() != frx::fkText);
    m_decimal->setEnabled(numeric);
    m_thousand->setEnabled(numeric);
    m_filling = false;
    Update();
}

void TfrxFormatEditorForm::Update()
{
    m_format.SetFormatStr(m_format.Kind() == frx::fkText ? QString() : m_formatStr->text());
    const bool numeric = m_format.Kind() == frx::fkNumeric;
    m_format.SetDecimalSeparator(numeric ? m_decimal->text() : QString());
    m_format.SetThousandSeparator(numeric ? m_thousand->text() : QString());
    m_sample->setText(frxFormatValue(SampleValue(m_format.Kind()), m_format));
}

QString TfrxFormatEditorForm::SampleText() const
{
    return m_sample->text();
}

bool EditDisplayFormat(QWidget *parent, TfrxFormat *format)
{
    if (!format)
        return false;
    TfrxFormatEditorForm editor(*format, parent);
    if (!Ui::RunDialog(editor))
        return false;
    format->Assign(editor.Format());
    return true;
}

bool EditDisplayFormat(QWidget *parent, const QList<TfrxCustomMemoView *> &memos)
{
    if (memos.isEmpty())
        return false;
    TfrxFormatEditorForm editor(*memos.first()->DisplayFormat(), parent);
    if (!Ui::RunDialog(editor))
        return false;
    bool changed = false;
    for (TfrxCustomMemoView *memo : memos) {
        if (memo->Restrictions().testFlag(frx::rfDontModify))
            continue;
        memo->DisplayFormat()->Assign(editor.Format());
        changed = true;
    }
    return changed;
}

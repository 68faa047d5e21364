#include "engine/preview/frxDialogForm.h"

#include "report/model/frxClass.h"
#include "script/fs_iinterpreter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimeEdit>

#include <cmath>
#include <vector>

namespace {

constexpr int kModalOk = 1;

QDate DayToDate(double day)
{
    return QDate(1899, 12, 30).addDays(qint64(std::floor(day)));
}

double DateToDay(const QDate &date)
{
    return double(QDate(1899, 12, 30).daysTo(date));
}

QTime DayToTime(double day)
{
    const double fraction = day - std::floor(day);
    return QTime(0, 0).addMSecs(int(std::llround(fraction * 86400000.0)) % 86400000);
}

double TimeToDay(const QTime &time)
{
    return QTime(0, 0).msecsTo(time) / 86400000.0;
}

QFont ToQFont(const TFont &font)
{
    QFont f(font.Name());
    if (font.Height() < 0)
        f.setPixelSize(-font.Height());
    else if (font.Size() > 0)
        f.setPointSize(font.Size());
    f.setBold(font.Style() & frx::fsBold);
    f.setItalic(font.Style() & frx::fsItalic);
    f.setUnderline(font.Style() & frx::fsUnderline);
    f.setStrikeOut(font.Style() & frx::fsStrikeOut);
    return f;
}

Qt::Alignment ToQt(frxdlg::TAlignment alignment)
{
    switch (alignment) {
    case frxdlg::taRightJustify:
        return Qt::AlignRight | Qt::AlignVCenter;
    case frxdlg::taCenter:
        return Qt::AlignCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// One dialog page on screen: the window, one widget per control, and the way between them.
class DialogForm {
public:
    DialogForm(TfrxReport &report, TfrxDialogPage &page) : m_report(report), m_page(page)
    {
        m_dialog.setObjectName(page.Name());
        m_dialog.setWindowTitle(page.Caption());
        m_dialog.setFixedSize(int(page.Width()), int(page.Height()));
        if (page.BorderStyle() == frxdlg::bsSizeable || page.BorderStyle() == frxdlg::bsSizeToolWindow) {
            m_dialog.setMinimumSize(0, 0);
            m_dialog.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
        m_dialog.setFont(ToQFont(*page.Font()));
        Build(&page, &m_dialog);
        Load();
    }

    bool Run()
    {
        Event(m_page.OnShow(), &m_page);
        Event(m_page.OnActivate(), &m_page);
        const int result = m_dialog.exec();
        Store();
        Event(m_page.OnHide(), &m_page);
        return result == kModalOk;
    }

private:
    struct Link {
        TfrxDialogControl *Control;
        QWidget *Widget;
    };

    void Build(TfrxComponent *container, QWidget *parent)
    {
        for (TfrxComponent *child : container->Objects()) {
            auto *control = qobject_cast<TfrxDialogControl *>(child);
            if (!control)
                continue; // objects of other programs have no window here
            QWidget *widget = Create(control, parent);
            if (!widget)
                continue;
            widget->setObjectName(control->Name());
            widget->setGeometry(int(control->Left()), int(control->Top()), int(control->Width()),
                                int(control->Height()));
            if (!control->ParentFont())
                widget->setFont(ToQFont(*control->Font()));
            widget->setEnabled(control->Enabled());
            widget->setVisible(control->Visible());
            widget->setToolTip(control->Hint());
            m_links.push_back({control, widget});
            if (!control->Objects().isEmpty())
                Build(control, widget);
        }
    }

    QWidget *Create(TfrxDialogControl *control, QWidget *parent)
    {
        if (auto *label = qobject_cast<TfrxLabelControl *>(control)) {
            auto *w = new QLabel(label->Caption(), parent);
            w->setAlignment((ToQt(label->Alignment()) & ~Qt::AlignVertical_Mask) | Qt::AlignTop);
            w->setWordWrap(label->WordWrap());
            return w;
        }
        if (auto *edit = qobject_cast<TfrxEditControl *>(control)) {
            auto *w = new QLineEdit(parent);
            if (edit->MaxLength() > 0)
                w->setMaxLength(edit->MaxLength());
            if (edit->PasswordChar() != 0)
                w->setEchoMode(QLineEdit::Password);
            w->setReadOnly(edit->ReadOnly());
            QObject::connect(w, &QLineEdit::textEdited, [this, edit] { Event(edit->OnChange(), edit); });
            return w;
        }
        if (auto *memo = qobject_cast<TfrxMemoControl *>(control)) {
            auto *w = new QPlainTextEdit(parent);
            w->setReadOnly(memo->ReadOnly());
            w->setLineWrapMode(memo->WordWrap() ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
            return w;
        }
        if (auto *button = qobject_cast<TfrxButtonControl *>(control)) {
            auto *w = new QPushButton(button->Caption(), parent);
            w->setDefault(button->Default());
            w->setAutoDefault(button->Default());
            QObject::connect(w, &QPushButton::clicked, [this, button] {
                Event(button->OnClick(), button);
                if (button->ModalResult() != 0)
                    m_dialog.done(button->ModalResult());
            });
            if (button->Cancel())
                m_cancel = w;
            return w;
        }
        if (auto *check = qobject_cast<TfrxCheckBoxControl *>(control)) {
            auto *w = new QCheckBox(check->Caption(), parent);
            w->setTristate(check->AllowGrayed());
            QObject::connect(w, &QCheckBox::clicked, [this, check] { Event(check->OnClick(), check); });
            return w;
        }
        if (auto *radio = qobject_cast<TfrxRadioButtonControl *>(control)) {
            auto *w = new QRadioButton(radio->Caption(), parent);
            QObject::connect(w, &QRadioButton::clicked, [this, radio] { Event(radio->OnClick(), radio); });
            return w;
        }
        if (auto *list = qobject_cast<TfrxListBoxControl *>(control)) {
            auto *w = new QListWidget(parent);
            QObject::connect(w, &QListWidget::itemClicked, [this, list] { Event(list->OnClick(), list); });
            return w;
        }
        if (auto *combo = qobject_cast<TfrxComboBoxControl *>(control)) {
            auto *w = new QComboBox(parent);
            w->setEditable(combo->Style() != frxdlg::csDropDownList);
            QObject::connect(w, &QComboBox::activated, [this, combo] {
                Event(combo->OnClick(), combo);
                Event(combo->OnChange(), combo);
            });
            return w;
        }
        if (auto *date = qobject_cast<TfrxDateEditControl *>(control)) {
            QDateTimeEdit *w = date->Kind() == frxdlg::dkTime
                                   ? static_cast<QDateTimeEdit *>(new QTimeEdit(parent))
                                   : new QDateEdit(parent);
            w->setCalendarPopup(date->Kind() == frxdlg::dkDate);
            QObject::connect(w, &QDateTimeEdit::dateTimeChanged,
                             [this, date] { Event(date->OnChange(), date); });
            return w;
        }
        if (qobject_cast<TfrxDBLookupComboBox *>(control)) {
            auto *w = new QComboBox(parent);
            w->setEditable(true);
            return w;
        }
        if (auto *group = qobject_cast<TfrxGroupBoxControl *>(control))
            return new QGroupBox(group->Caption(), parent);
        if (auto *panel = qobject_cast<TfrxPanelControl *>(control)) {
            auto *w = new QLabel(panel->Caption(), parent); // a frame with its caption in the middle
            w->setAlignment(Qt::AlignCenter);
            w->setFrameShape(panel->BevelOuter() == frxdlg::bvNone ? QFrame::NoFrame : QFrame::Panel);
            w->setFrameShadow(panel->BevelOuter() == frxdlg::bvLowered ? QFrame::Sunken : QFrame::Raised);
            return w;
        }
        return nullptr;
    }

    // Controls into widgets.
    void Load()
    {
        for (const Link &link : m_links) {
            const QSignalBlocker blocker(link.Widget);
            TfrxDialogControl *c = link.Control;
            if (auto *label = qobject_cast<TfrxLabelControl *>(c))
                static_cast<QLabel *>(link.Widget)->setText(label->Caption());
            else if (auto *edit = qobject_cast<TfrxEditControl *>(c))
                static_cast<QLineEdit *>(link.Widget)->setText(edit->Text());
            else if (auto *memo = qobject_cast<TfrxMemoControl *>(c))
                static_cast<QPlainTextEdit *>(link.Widget)->setPlainText(memo->Lines().join(u'\n'));
            else if (auto *check = qobject_cast<TfrxCheckBoxControl *>(c))
                static_cast<QCheckBox *>(link.Widget)->setCheckState(Qt::CheckState(int(check->State())));
            else if (auto *radio = qobject_cast<TfrxRadioButtonControl *>(c))
                static_cast<QRadioButton *>(link.Widget)->setChecked(radio->Checked());
            else if (auto *list = qobject_cast<TfrxListBoxControl *>(c)) {
                auto *w = static_cast<QListWidget *>(link.Widget);
                w->clear();
                w->addItems(list->Items());
                w->setCurrentRow(list->ItemIndex());
            } else if (auto *combo = qobject_cast<TfrxComboBoxControl *>(c)) {
                auto *w = static_cast<QComboBox *>(link.Widget);
                w->clear();
                w->addItems(combo->Items());
                w->setCurrentIndex(combo->ItemIndex());
                if (w->isEditable())
                    w->setEditText(combo->Text());
            } else if (auto *date = qobject_cast<TfrxDateEditControl *>(c)) {
                auto *w = static_cast<QDateTimeEdit *>(link.Widget);
                if (date->Kind() == frxdlg::dkTime)
                    w->setTime(DayToTime(date->Time()));
                else
                    w->setDate(DayToDate(date->Date()));
            } else if (auto *lookup = qobject_cast<TfrxDBLookupComboBox *>(c)) {
                static_cast<QComboBox *>(link.Widget)->setEditText(lookup->Text());
            }
        }
    }

    // Widgets into controls.
    void Store()
    {
        for (const Link &link : m_links) {
            TfrxDialogControl *c = link.Control;
            if (auto *edit = qobject_cast<TfrxEditControl *>(c))
                edit->SetText(static_cast<QLineEdit *>(link.Widget)->text());
            else if (auto *memo = qobject_cast<TfrxMemoControl *>(c))
                memo->SetLines(static_cast<QPlainTextEdit *>(link.Widget)->toPlainText().split(u'\n'));
            else if (auto *check = qobject_cast<TfrxCheckBoxControl *>(c))
                check->SetState(
                    frxdlg::TCheckBoxState(int(static_cast<QCheckBox *>(link.Widget)->checkState())));
            else if (auto *radio = qobject_cast<TfrxRadioButtonControl *>(c))
                radio->SetChecked(static_cast<QRadioButton *>(link.Widget)->isChecked());
            else if (auto *list = qobject_cast<TfrxListBoxControl *>(c))
                list->SetItemIndex(static_cast<QListWidget *>(link.Widget)->currentRow());
            else if (auto *combo = qobject_cast<TfrxComboBoxControl *>(c)) {
                auto *w = static_cast<QComboBox *>(link.Widget);
                combo->SetItemIndex(w->currentIndex());
                combo->SetText(w->currentText());
            } else if (auto *date = qobject_cast<TfrxDateEditControl *>(c)) {
                auto *w = static_cast<QDateTimeEdit *>(link.Widget);
                if (date->Kind() == frxdlg::dkTime)
                    date->SetTime(TimeToDay(w->time()));
                else
                    date->SetDate(DateToDay(w->date()));
            } else if (auto *lookup = qobject_cast<TfrxDBLookupComboBox *>(c)) {
                lookup->SetText(static_cast<QComboBox *>(link.Widget)->currentText());
            }
        }
    }

    // Runs a script event with the current values; what it changes shows in the window. An error
    // in the script is kept for the build's error list and closes nothing.
    void Event(const QString &procedure, QObject *sender)
    {
        if (procedure.isEmpty())
            return;
        TfsScript *script = m_report.Script();
        if (!script)
            return;
        Store();
        try {
            script->CallFunction(procedure, {Variant(sender)});
        } catch (const std::exception &e) {
            m_report.AddError(ExceptionText(e));
        }
        Load();
    }

    TfrxReport &m_report;
    TfrxDialogPage &m_page;
    QDialog m_dialog;
    std::vector<Link> m_links;
    QPointer<QPushButton> m_cancel;
};

} // namespace

bool frxShowDialogPage(TfrxReport &report, TfrxDialogPage &page)
{
    DialogForm form(report, page);
    return form.Run();
}

void frxRegisterDialogForms()
{
    frxSetDialogRunner(frxShowDialogPage);
}

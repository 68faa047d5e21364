#pragma once
// The controls of dialog pages (TfrxDialogPage, frxPages.h): labels, edits, memos, buttons, check
// and radio boxes, list and combo boxes, date edits, group boxes and panels. They are stored and
// read like every report object; the script reads and writes their values (Edit1.Text,
// CheckBox1.Checked) and names procedures for their events. The windowed program shows a dialog
// page as a real modal window built from them before a build (frxDialogRunner below); headless
// builds use their stored values.

#include "report/core/frxComponent.h"
#include "report/model/frxDataSet.h"
#include "report/objects/frxDialogTypes.h"

#include <QStringList>

#include <functional>

class TfrxDialogPage;
class TfrxReport;

// What every control has: place and size on its dialog, font, colour, state and the common events.
class TfrxDialogControl : public TfrxReportComponent {
    Q_OBJECT
    Q_PROPERTY(double Left READ Left WRITE SetLeft)
    Q_PROPERTY(double Top READ Top WRITE SetTop)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_PROPERTY(double Height READ Height WRITE SetHeight)
    Q_PROPERTY(TFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(int Color MEMBER m_color)
    Q_PROPERTY(bool Enabled MEMBER m_enabled)
    Q_PROPERTY(QString Hint MEMBER m_hint)
    Q_PROPERTY(bool ShowHint MEMBER m_showHint)
    Q_PROPERTY(int TabOrder MEMBER m_tabOrder)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QString OnClick MEMBER m_onClick)
    Q_PROPERTY(QString OnDblClick MEMBER m_onDblClick)
    Q_PROPERTY(QString OnEnter MEMBER m_onEnter)
    Q_PROPERTY(QString OnExit MEMBER m_onExit)
    Q_PROPERTY(QString OnKeyDown MEMBER m_onKeyDown)
    Q_PROPERTY(QString OnKeyPress MEMBER m_onKeyPress)
    Q_PROPERTY(QString OnKeyUp MEMBER m_onKeyUp)
    Q_PROPERTY(QString OnMouseDown MEMBER m_onMouseDown)
    Q_PROPERTY(QString OnMouseMove MEMBER m_onMouseMove)
    Q_PROPERTY(QString OnMouseUp MEMBER m_onMouseUp)
    Q_CLASSINFO("Stored.Font", "IsFontStored")
    Q_CLASSINFO("Default.ParentFont", "True")
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Default.Enabled", "True")
    Q_CLASSINFO("Default.ShowHint", "False")
    Q_CLASSINFO("Default.TabOrder", "-1")
    Q_CLASSINFO("Default.Visible", "True")
public:
    explicit TfrxDialogControl(TComponent *owner = nullptr);

    TColor Color() const { return m_color; }
    bool Enabled() const { return m_enabled; }
    QString Hint() const { return m_hint; }
    QString OnClick() const { return m_onClick; }
    QString OnDblClick() const { return m_onDblClick; }
    QString OnEnter() const { return m_onEnter; }
    QString OnExit() const { return m_onExit; }

protected:
    TColor m_color;

private:
    QString m_hint;
    QString m_onClick, m_onDblClick, m_onEnter, m_onExit, m_onKeyDown, m_onKeyPress, m_onKeyUp, m_onMouseDown,
        m_onMouseMove, m_onMouseUp;
    int m_tabOrder = -1;
    bool m_enabled = true;
    bool m_showHint = false;
};

class TfrxLabelControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(frxdlg::TAlignment Alignment MEMBER m_alignment)
    Q_PROPERTY(bool AutoSize MEMBER m_autoSize)
    Q_PROPERTY(QString Caption MEMBER m_caption)
    Q_PROPERTY(bool WordWrap MEMBER m_wordWrap)
    Q_CLASSINFO("Default.Alignment", "taLeftJustify")
    Q_CLASSINFO("Default.AutoSize", "True")
    Q_CLASSINFO("Default.WordWrap", "False")
public:
    explicit TfrxLabelControl(TComponent *owner = nullptr) : TfrxDialogControl(owner) {}
    QString BaseName() const override { return QStringLiteral("Label"); }
    QString Caption() const { return m_caption; }
    frxdlg::TAlignment Alignment() const { return m_alignment; }
    bool WordWrap() const { return m_wordWrap; }

private:
    QString m_caption;
    frxdlg::TAlignment m_alignment = frxdlg::taLeftJustify;
    bool m_autoSize = true;
    bool m_wordWrap = false;
};

class TfrxEditControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(frxdlg::TEditCharCase CharCase MEMBER m_charCase)
    Q_PROPERTY(int MaxLength MEMBER m_maxLength)
    Q_PROPERTY(int PasswordChar MEMBER m_passwordChar)
    Q_PROPERTY(bool ReadOnly MEMBER m_readOnly)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString OnChange MEMBER m_onChange)
    Q_CLASSINFO("Default.CharCase", "ecNormal")
    Q_CLASSINFO("Default.MaxLength", "0")
    Q_CLASSINFO("Default.PasswordChar", "0")
    Q_CLASSINFO("Default.ReadOnly", "False")
public:
    explicit TfrxEditControl(TComponent *owner = nullptr);
    QString BaseName() const override { return QStringLiteral("Edit"); }
    QString Text() const { return m_text; }
    void SetText(const QString &value) { m_text = value; }
    frxdlg::TEditCharCase CharCase() const { return m_charCase; }
    int MaxLength() const { return m_maxLength; }
    int PasswordChar() const { return m_passwordChar; }
    bool ReadOnly() const { return m_readOnly; }
    QString OnChange() const { return m_onChange; }

private:
    QString m_text;
    QString m_onChange;
    frxdlg::TEditCharCase m_charCase = frxdlg::ecNormal;
    int m_maxLength = 0;
    int m_passwordChar = 0;
    bool m_readOnly = false;
};

class TfrxMemoControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(int MaxLength MEMBER m_maxLength)
    Q_PROPERTY(bool ReadOnly MEMBER m_readOnly)
    Q_PROPERTY(frxdlg::TScrollStyle ScrollBars MEMBER m_scrollBars)
    Q_PROPERTY(bool WordWrap MEMBER m_wordWrap)
    Q_PROPERTY(QString OnChange MEMBER m_onChange)
    Q_CLASSINFO("Default.MaxLength", "0")
    Q_CLASSINFO("Default.ReadOnly", "False")
    Q_CLASSINFO("Default.ScrollBars", "ssNone")
    Q_CLASSINFO("Default.WordWrap", "True")
public:
    explicit TfrxMemoControl(TComponent *owner = nullptr);
    QString BaseName() const override { return QStringLiteral("Memo"); }
    QStringList Lines() const { return m_lines; }
    void SetLines(const QStringList &value) { m_lines = value; }
    bool ReadOnly() const { return m_readOnly; }
    bool WordWrap() const { return m_wordWrap; }
    QString OnChange() const { return m_onChange; }

private:
    QStringList m_lines;
    QString m_onChange;
    int m_maxLength = 0;
    frxdlg::TScrollStyle m_scrollBars = frxdlg::ssNone;
    bool m_readOnly = false;
    bool m_wordWrap = true;
};

class TfrxButtonControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(bool Cancel MEMBER m_cancel)
    Q_PROPERTY(QString Caption MEMBER m_caption)
    Q_PROPERTY(bool Default MEMBER m_default)
    Q_PROPERTY(int ModalResult MEMBER m_modalResult)
    Q_CLASSINFO("Default.Cancel", "False")
    Q_CLASSINFO("Default.Default", "False")
    Q_CLASSINFO("Default.ModalResult", "0")
public:
    explicit TfrxButtonControl(TComponent *owner = nullptr) : TfrxDialogControl(owner) {}
    QString BaseName() const override { return QStringLiteral("Button"); }
    bool Cancel() const { return m_cancel; }
    QString Caption() const { return m_caption; }
    bool Default() const { return m_default; }
    int ModalResult() const { return m_modalResult; }

private:
    QString m_caption;
    int m_modalResult = 0;
    bool m_cancel = false;
    bool m_default = false;
};

// A button with a picture in the other program; here a button.
class TfrxBitBtnControl : public TfrxButtonControl {
    Q_OBJECT
public:
    explicit TfrxBitBtnControl(TComponent *owner = nullptr) : TfrxButtonControl(owner) {}
    QString BaseName() const override { return QStringLiteral("BitBtn"); }
};

class TfrxCheckBoxControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(frxdlg::TAlignment Alignment MEMBER m_alignment)
    Q_PROPERTY(bool AllowGrayed MEMBER m_allowGrayed)
    Q_PROPERTY(QString Caption MEMBER m_caption)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked STORED false)
    Q_PROPERTY(frxdlg::TCheckBoxState State READ State WRITE SetState)
    Q_CLASSINFO("Default.Alignment", "taRightJustify")
    Q_CLASSINFO("Default.AllowGrayed", "False")
    Q_CLASSINFO("Default.State", "cbUnchecked")
public:
    explicit TfrxCheckBoxControl(TComponent *owner = nullptr) : TfrxDialogControl(owner) {}
    QString BaseName() const override { return QStringLiteral("CheckBox"); }
    QString Caption() const { return m_caption; }
    bool AllowGrayed() const { return m_allowGrayed; }
    // Checked and State are one value: checked is cbChecked.
    bool Checked() const { return m_state == frxdlg::cbChecked; }
    void SetChecked(bool value) { m_state = value ? frxdlg::cbChecked : frxdlg::cbUnchecked; }
    frxdlg::TCheckBoxState State() const { return m_state; }
    void SetState(frxdlg::TCheckBoxState value) { m_state = value; }

private:
    QString m_caption;
    frxdlg::TAlignment m_alignment = frxdlg::taRightJustify;
    frxdlg::TCheckBoxState m_state = frxdlg::cbUnchecked;
    bool m_allowGrayed = false;
};

class TfrxRadioButtonControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(frxdlg::TAlignment Alignment MEMBER m_alignment)
    Q_PROPERTY(QString Caption MEMBER m_caption)
    Q_PROPERTY(bool Checked MEMBER m_checked)
    Q_CLASSINFO("Default.Alignment", "taRightJustify")
    Q_CLASSINFO("Default.Checked", "False")
public:
    explicit TfrxRadioButtonControl(TComponent *owner = nullptr) : TfrxDialogControl(owner) {}
    QString BaseName() const override { return QStringLiteral("RadioButton"); }
    QString Caption() const { return m_caption; }
    bool Checked() const { return m_checked; }
    void SetChecked(bool value) { m_checked = value; }

private:
    QString m_caption;
    frxdlg::TAlignment m_alignment = frxdlg::taRightJustify;
    bool m_checked = false;
};

class TfrxListBoxControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex MEMBER m_itemIndex)
    Q_PROPERTY(bool Sorted MEMBER m_sorted)
    Q_CLASSINFO("Default.ItemIndex", "-1")
    Q_CLASSINFO("Default.Sorted", "False")
public:
    explicit TfrxListBoxControl(TComponent *owner = nullptr);
    QString BaseName() const override { return QStringLiteral("ListBox"); }
    QStringList Items() const { return m_items; }
    void SetItems(const QStringList &value) { m_items = value; }
    int ItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int value) { m_itemIndex = value; }

private:
    QStringList m_items;
    int m_itemIndex = -1;
    bool m_sorted = false;
};

// A list box whose entries carry check marks in the other program; here a list box.
class TfrxCheckListBoxControl : public TfrxListBoxControl {
    Q_OBJECT
public:
    explicit TfrxCheckListBoxControl(TComponent *owner = nullptr) : TfrxListBoxControl(owner) {}
    QString BaseName() const override { return QStringLiteral("CheckListBox"); }
};

class TfrxComboBoxControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE SetItems)
    Q_PROPERTY(int ItemIndex MEMBER m_itemIndex)
    Q_PROPERTY(bool Sorted MEMBER m_sorted)
    Q_PROPERTY(frxdlg::TComboBoxStyle Style MEMBER m_style)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString OnChange MEMBER m_onChange)
    Q_CLASSINFO("Default.ItemIndex", "-1")
    Q_CLASSINFO("Default.Sorted", "False")
    Q_CLASSINFO("Default.Style", "csDropDown")
public:
    explicit TfrxComboBoxControl(TComponent *owner = nullptr);
    QString BaseName() const override { return QStringLiteral("ComboBox"); }
    QStringList Items() const { return m_items; }
    void SetItems(const QStringList &value) { m_items = value; }
    int ItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int value) { m_itemIndex = value; }
    frxdlg::TComboBoxStyle Style() const { return m_style; }
    QString Text() const { return m_text; }
    void SetText(const QString &value) { m_text = value; }
    QString OnChange() const { return m_onChange; }

private:
    QStringList m_items;
    QString m_text;
    QString m_onChange;
    int m_itemIndex = -1;
    frxdlg::TComboBoxStyle m_style = frxdlg::csDropDown;
    bool m_sorted = false;
};

class TfrxDateEditControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(double Date READ Date WRITE SetDate)
    Q_PROPERTY(double Time MEMBER m_time)
    Q_PROPERTY(frxdlg::TDateFormat DateFormat MEMBER m_dateFormat)
    Q_PROPERTY(frxdlg::TfrxDateEditKind Kind MEMBER m_kind)
    Q_PROPERTY(QString OnChange MEMBER m_onChange)
    Q_CLASSINFO("Type.Date", "TDate")
    Q_CLASSINFO("Type.Time", "TTime")
    Q_CLASSINFO("Default.DateFormat", "dfShort")
    Q_CLASSINFO("Default.Kind", "dkDate")
public:
    explicit TfrxDateEditControl(TComponent *owner = nullptr);
    QString BaseName() const override { return QStringLiteral("DateEdit"); }
    // Days since 1899-12-30, as every date of the platform.
    double Date() const { return m_date; }
    void SetDate(double value) { m_date = value; }
    double Time() const { return m_time; }
    void SetTime(double value) { m_time = value; }
    frxdlg::TfrxDateEditKind Kind() const { return m_kind; }
    frxdlg::TDateFormat DateFormat() const { return m_dateFormat; }
    QString OnChange() const { return m_onChange; }

private:
    QString m_onChange;
    double m_date = 0;
    double m_time = 0;
    frxdlg::TDateFormat m_dateFormat = frxdlg::dfShort;
    frxdlg::TfrxDateEditKind m_kind = frxdlg::dkDate;
};

// Holds other controls.
class TfrxGroupBoxControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER m_caption)
public:
    explicit TfrxGroupBoxControl(TComponent *owner = nullptr) : TfrxDialogControl(owner) {}
    QString BaseName() const override { return QStringLiteral("GroupBox"); }
    QString Caption() const { return m_caption; }

private:
    QString m_caption;
};

// Holds other controls.
class TfrxPanelControl : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(frxdlg::TAlignment Alignment MEMBER m_alignment)
    Q_PROPERTY(frxdlg::TBevelCut BevelInner MEMBER m_bevelInner)
    Q_PROPERTY(frxdlg::TBevelCut BevelOuter MEMBER m_bevelOuter)
    Q_PROPERTY(int BevelWidth MEMBER m_bevelWidth)
    Q_PROPERTY(QString Caption MEMBER m_caption)
    Q_CLASSINFO("Default.Alignment", "taCenter")
    Q_CLASSINFO("Default.BevelInner", "bvNone")
    Q_CLASSINFO("Default.BevelOuter", "bvRaised")
    Q_CLASSINFO("Default.BevelWidth", "1")
public:
    explicit TfrxPanelControl(TComponent *owner = nullptr) : TfrxDialogControl(owner) {}
    QString BaseName() const override { return QStringLiteral("Panel"); }
    QString Caption() const { return m_caption; }
    frxdlg::TBevelCut BevelOuter() const { return m_bevelOuter; }

private:
    QString m_caption;
    frxdlg::TAlignment m_alignment = frxdlg::taCenter;
    frxdlg::TBevelCut m_bevelInner = frxdlg::bvNone;
    frxdlg::TBevelCut m_bevelOuter = frxdlg::bvRaised;
    int m_bevelWidth = 1;
};

// A combo box whose entries come from a dataset field (ListField; KeyField is the value kept).
// A dataset that does not exist leaves the list empty; its name is kept.
class TfrxDBLookupComboBox : public TfrxDialogControl {
    Q_OBJECT
    Q_PROPERTY(TfrxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(QString KeyField MEMBER m_keyField)
    Q_PROPERTY(QString ListField MEMBER m_listField)
    Q_PROPERTY(QString Text MEMBER m_text)
public:
    explicit TfrxDBLookupComboBox(TComponent *owner = nullptr);
    ~TfrxDBLookupComboBox() override { SendFreeNotifications(); }
    QString BaseName() const override { return QStringLiteral("DBLookupComboBox"); }
    TfrxDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TfrxDataSet *value);
    QString DataSetName() const;
    void SetDataSetName(const QString &value);
    QString ListField() const { return m_listField; }
    QString KeyField() const { return m_keyField; }
    QString Text() const { return m_text; }
    void SetText(const QString &value) { m_text = value; }

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    TfrxDataSet *m_dataSet = nullptr;
    QString m_dataSetName;
    QString m_keyField;
    QString m_listField;
    QString m_text;
};

// ---- showing dialog pages ------------------------------------------------------------------------

// Shows one dialog page as a modal window and answers whether the user confirmed it (a button
// with ModalResult mrOk); the controls' values are written back into the page's objects. The
// windowed program installs the one that builds real windows; without one, nothing is shown.
using TfrxDialogRunner = std::function<bool(TfrxReport &report, TfrxDialogPage &page)>;
// Installs a runner and returns the previous one.
TfrxDialogRunner frxSetDialogRunner(TfrxDialogRunner runner);
// Before a build: shows every visible dialog page of the report in page order. False when one
// of them was not confirmed: the build then ends without pages. True at once without a runner
// (headless builds take the stored values).
bool frxRunDialogs(TfrxReport &report);

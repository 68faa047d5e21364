// The property editors: the general ones (integer, float, string, enumeration, set, class,
// component reference) and those of this program's properties, and their registration.
#include "designer/inspector/frxInspEditors.h"

#include "designer/editors/frxFormatEditor.h"
#include "designer/editors/frxHighlightEditor.h"
#include "designer/inspector/frxFrameEditor.h"
#include "designer/inspector/frxPictureEditor.h"
#include "designer/window/frxMemoEditor.h"
#include "engine/print/frxPaperNames.h"
#include "engine/print/frxPrinter.h"
#include "platform/Exception.h"
#include "platform/Ui.h"
#include "report/core/frxErrors.h"
#include "report/core/frxPersistent.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/draw/frxFontTable.h"
#include "report/host/frxDesignerBase.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxFrame.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxStyles.h"
#include "report/model/frxViews.h"
#include "script/fs_iconstants.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString Invalid(const QString &text, const char *what)
{
    return QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(what));
}

qint64 ParseInteger(const QString &text)
{
    QString s = text.trimmed();
    bool ok = false;
    qint64 value = 0;
    if (s.startsWith(u'$'))
        value = s.mid(1).toLongLong(&ok, 16);
    else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = s.mid(2).toLongLong(&ok, 16);
    else
        value = s.toLongLong(&ok, 10);
    if (!ok)
        throw Exception(Invalid(text, "integer value"));
    return value;
}

TfrxReport *ReportOf(const TfrxPropertyEditor &editor)
{
    if (TfrxComponent *c = editor.Component())
        if (TfrxReport *r = c->Report())
            return r;
    return editor.Designer() ? editor.Designer()->Report() : nullptr;
}

// ---- general editors ----

class TfrxIntegerProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    QString ValueText() const override { return QString::number(Prop()->GetOrdinal(Target())); }
    void ApplyText(const QString &text) override
    {
        const qint64 value = ParseInteger(text);
        if (Prop()->Kind() == TfrxPropKind::Integer && (value < INT_MIN || value > INT_MAX))
            throw Exception(Invalid(text, "integer value"));
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetOrdinal(t.Target, value); });
    }
};

class TfrxFloatProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    QString ValueText() const override { return QString::number(Prop()->GetFloat(Target()), 'g', 15); }
    void ApplyText(const QString &text) override
    {
        const double value = frxParseFloat(text);
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetFloat(t.Target, value); });
    }
};

class TfrxStringProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    QString ValueText() const override { return Prop()->GetString(Target()); }
    void ApplyText(const QString &text) override
    {
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetString(t.Target, text); });
    }
};

class TfrxVariantProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    QString ValueText() const override { return Prop()->GetVariant(Target()).ToString(); }
    void ApplyText(const QString &text) override
    {
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetVariant(t.Target, Variant(text)); });
    }
};

class TfrxEnumProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paValueList | paSortList | paMultiSelect; }
    QString ValueText() const override
    {
        const qint64 value = Prop()->GetOrdinal(Target());
        const QString name = Prop()->EnumName(value);
        return name.isEmpty() ? QString::number(value) : name;
    }
    void ValueList() override { m_values = Prop()->EnumNames(); }
    void ApplyText(const QString &text) override
    {
        qint64 value = 0;
        if (!Prop()->EnumValue(QStringView(text).trimmed(), value))
            throw EPropertyError();
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetOrdinal(t.Target, value); });
    }
};

class TfrxBooleanProperty : public TfrxEnumProperty {
public:
    using TfrxEnumProperty::TfrxEnumProperty;
    int Attributes() const override { return paValueList | paMultiSelect | paOwnerDraw; }
    void ValueList() override { m_values = {QStringLiteral("False"), QStringLiteral("True")}; }
    void DrawValue(QPainter &painter, const QRect &rect) const override
    {
        QStyleOptionButton box;
        box.rect = QRect(rect.left() + 2, rect.top() + (rect.height() - 13) / 2, 13, 13);
        box.state =
            QStyle::State_Enabled | (Prop()->GetOrdinal(Target()) ? QStyle::State_On : QStyle::State_Off);
        QStyle *style = painter.device() && dynamic_cast<QWidget *>(painter.device())
                            ? static_cast<QWidget *>(painter.device())->style()
                            : nullptr;
        if (style)
            style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter);
        painter.drawText(rect.adjusted(18, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, ValueText());
    }
};

class TfrxSetProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paMultiSelect | paSubProperties | paReadOnly; }
    QString ValueText() const override
    {
        const qint64 value = Prop()->GetOrdinal(Target());
        QStringList present;
        for (const QString &member : Prop()->EnumNames()) {
            qint64 bit = 0;
            if (Prop()->EnumValue(member, bit) && (value & bit))
                present << member;
        }
        return u'[' + present.join(u',') + u']';
    }
};

class TfrxSetElementProperty : public TfrxPropertyEditor {
public:
    TfrxSetElementProperty(TfrxCustomDesigner *designer, const QString &member)
        : TfrxPropertyEditor(designer), m_member(member)
    {
    }
    int Attributes() const override { return paValueList | paSortList | paMultiSelect; }
    QString DisplayName() const override { return m_member; }
    QString ValueText() const override
    {
        return (Prop()->GetOrdinal(Target()) & Bit()) ? QStringLiteral("True") : QStringLiteral("False");
    }
    void ValueList() override { m_values = {QStringLiteral("False"), QStringLiteral("True")}; }
    void ApplyText(const QString &text) override
    {
        const QString s = text.trimmed();
        bool on;
        if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            on = true;
        else if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            on = false;
        else
            throw EPropertyError();
        const qint64 bit = Bit();
        WriteAll([&](const TfrxPropertyTarget &t) {
            const qint64 old = t.Prop->GetOrdinal(t.Target);
            t.Prop->SetOrdinal(t.Target, on ? old | bit : old & ~bit);
        });
    }

private:
    qint64 Bit() const
    {
        qint64 bit = 0;
        Prop()->EnumValue(m_member, bit);
        return bit;
    }
    QString m_member;
};

class TfrxClassProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paMultiSelect | paSubProperties | paReadOnly; }
    QString ValueText() const override
    {
        const TfrxPropTarget nested = Prop()->GetNested(Target());
        const QMetaObject *meta = nested.IsNull() ? Prop()->ClassType() : nested.Meta();
        return u'(' + (meta ? QString::fromLatin1(meta->className()) : Prop()->TypeName()) + u')';
    }

protected:
    // The nested objects of every target, of type T.
    template <class T> QList<T *> Nested() const
    {
        QList<T *> list;
        for (const TfrxPropertyTarget &t : m_targets) {
            const TfrxPropTarget nested = t.Prop->GetNested(t.Target);
            if (!nested.IsNull() && nested.Persistent())
                list << static_cast<T *>(nested.Persistent());
        }
        return list;
    }
};

class TfrxComponentProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paValueList | paSortList | paMultiSelect; }
    QString ValueText() const override
    {
        QObject *o = Prop()->GetReference(Target());
        auto *c = qobject_cast<TComponent *>(o);
        return c ? c->Name() : QString();
    }
    void ValueList() override
    {
        m_values.clear();
        TfrxComponent *self = Component();
        TfrxPage *page = self ? self->Page() : nullptr;
        if (!page)
            return;
        for (TfrxComponent *c : page->AllObjects())
            if (c != self && !c->Name().isEmpty() && Fits(c))
                m_values << c->Name();
    }
    void ApplyText(const QString &text) override
    {
        const QString name = text.trimmed();
        QObject *value = nullptr;
        if (!name.isEmpty()) {
            TfrxReport *report = ReportOf(*this);
            TfrxComponent *c = report ? report->FindObject(name) : nullptr;
            if (!c || !Fits(c))
                throw EPropertyError();
            value = c;
        }
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetReference(t.Target, value); });
    }

private:
    bool Fits(QObject *o) const
    {
        return !Prop()->ClassType() || o->metaObject()->inherits(Prop()->ClassType());
    }
};

// A dialog with one text box for a list of lines.
class TfrxLinesDialog : public QDialog {
public:
    TfrxLinesDialog(const QStringList &lines, QWidget *parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("TfrxStringsEditorForm"));
        setWindowTitle(QStringLiteral("Lines"));
        auto *layout = new QVBoxLayout(this);
        m_text = new QPlainTextEdit(this);
        m_text->setObjectName(QStringLiteral("Lines"));
        m_text->setPlainText(lines.join(u'\n'));
        layout->addWidget(m_text);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
    }
    QPlainTextEdit *m_text;
};

class TfrxStringsProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paDialog | paReadOnly; }
    QString ValueText() const override { return QStringLiteral("(TStrings)"); }
    bool RunEditor() override
    {
        const QStringList old = Prop()->GetStrings(Target());
        TfrxLinesDialog dialog(old, Designer());
        if (!Ui::RunDialog(dialog))
            return false;
        const QStringList lines = dialog.m_text->toPlainText().split(u'\n');
        if (lines == old)
            return false;
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetStrings(t.Target, lines); });
        return m_written > 0;
    }
};

// ---- positions, sizes and paper in the designer's unit ----

class TfrxLocSizeProperty : public TfrxFloatProperty {
public:
    TfrxLocSizeProperty(TfrxCustomDesigner *designer, bool vertical)
        : TfrxFloatProperty(designer), m_vertical(vertical)
    {
    }
    QString ValueText() const override
    {
        return frxUnitText(frxPixelsToUnits(Prop()->GetFloat(Target()), Units(), m_vertical));
    }
    void ApplyText(const QString &text) override
    {
        const double value = frxUnitsToPixels(frxParseFloat(text), Units(), m_vertical);
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetFloat(t.Target, value); });
    }

private:
    bool m_vertical;
};

class TfrxPaperXYProperty : public TfrxFloatProperty {
public:
    TfrxPaperXYProperty(TfrxCustomDesigner *designer, bool vertical)
        : TfrxFloatProperty(designer), m_vertical(vertical)
    {
    }
    QString ValueText() const override
    {
        return frxUnitText(frxMmToUnits(Prop()->GetFloat(Target()), Units(), m_vertical));
    }
    void ApplyText(const QString &text) override
    {
        const double value = frxUnitsToMm(frxParseFloat(text), Units(), m_vertical);
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetFloat(t.Target, value); });
    }

private:
    bool m_vertical;
};

class TfrxPaperProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paValueList; }
    QString ValueText() const override
    {
        const int code = int(Prop()->GetOrdinal(Target()));
        if (code == frxCustomPaper)
            return QStringLiteral("Custom");
        const QString name = frxPaperName(code);
        return name.isEmpty() ? QString::number(code) : name;
    }
    void ValueList() override
    {
        m_values.clear();
        for (int code : frxStandardPaperCodes())
            m_values << frxPaperName(code);
        m_values << QStringLiteral("Custom");
    }
    void ApplyText(const QString &text) override
    {
        const QString s = text.trimmed();
        int code = -1;
        if (s.compare(QLatin1String("Custom"), Qt::CaseInsensitive) == 0)
            code = frxCustomPaper;
        for (int c : frxStandardPaperCodes())
            if (code < 0 && frxPaperName(c).compare(s, Qt::CaseInsensitive) == 0)
                code = c;
        if (code < 0) {
            bool ok = false;
            code = s.toInt(&ok);
            if (!ok || (code != frxCustomPaper && frxPaperName(code).isEmpty()))
                throw EPropertyError();
        }
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetOrdinal(t.Target, code); });
    }
};

class TfrxPrinterProperty : public TfrxStringProperty {
public:
    using TfrxStringProperty::TfrxStringProperty;
    int Attributes() const override { return paValueList; }
    void ValueList() override { m_values = Printers().PrinterNames(); }
};

// ---- colours and fonts ----

QString ColorText(qint64 value)
{
    for (const TfsNamedConstant &c : fsColorConstants())
        if (c.Value == value && qstrcmp(c.Name, "clSystemColor") != 0)
            return QLatin1String(c.Name);
    return QString::number(value);
}

class TfrxColorProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paValueList | paMultiSelect | paOwnerDraw; }
    int ExtraListWidth() const override { return 24; }
    QString ValueText() const override { return ColorText(Prop()->GetOrdinal(Target())); }
    void ValueList() override
    {
        m_values.clear();
        for (const TfsNamedConstant &c : fsColorConstants())
            if (qstrcmp(c.Name, "clSystemColor") != 0)
                m_values << QLatin1String(c.Name);
    }
    void ApplyText(const QString &text) override
    {
        int value = 0;
        if (!fsColorValue(QStringView(text).trimmed(), value)) {
            const qint64 number = ParseInteger(text);
            if (number < INT_MIN || number > UINT_MAX)
                throw EPropertyError();
            value = int(quint32(number));
        }
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetOrdinal(t.Target, value); });
    }
    bool RunEditor() override
    {
        const int old = int(Prop()->GetOrdinal(Target()));
        QColorDialog dialog(frxColor(old).isValid() && old != clNone ? frxColor(old) : QColor(Qt::white),
                            Designer());
        if (!Ui::RunDialog(dialog))
            return false;
        const QColor c = dialog.currentColor();
        const int value = c.red() | (c.green() << 8) | (c.blue() << 16);
        if (value == old)
            return false;
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetOrdinal(t.Target, value); });
        return m_written > 0;
    }
    void DrawListItem(QPainter &painter, const QRect &rect, const QString &item) const override
    {
        int value = 0;
        fsColorValue(item, value);
        Swatch(painter, rect, value);
        painter.drawText(rect.adjusted(22, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, item);
    }
    void DrawValue(QPainter &painter, const QRect &rect) const override
    {
        DrawListItem(painter, rect, ValueText());
    }

private:
    static void Swatch(QPainter &painter, const QRect &rect, int value)
    {
        const QRect box(rect.left() + 2, rect.top() + 2, 16, rect.height() - 4);
        if (value != clNone)
            painter.fillRect(box, frxColor(value));
        painter.drawRect(box);
    }
};

class TfrxFontProperty : public TfrxClassProperty {
public:
    using TfrxClassProperty::TfrxClassProperty;
    int Attributes() const override { return paDialog | paMultiSelect | paSubProperties | paReadOnly; }
    bool RunEditor() override
    {
        const QList<TFont *> fonts = Nested<TFont>();
        if (fonts.isEmpty())
            return false;
        const TFont *first = fonts.first();
        QFont font(first->Name());
        font.setPointSize(std::max(1, first->Size()));
        font.setBold(first->Style() & frx::fsBold);
        font.setItalic(first->Style() & frx::fsItalic);
        font.setUnderline(first->Style() & frx::fsUnderline);
        font.setStrikeOut(first->Style() & frx::fsStrikeOut);
        QFontDialog dialog(font, Designer());
        if (!Ui::RunDialog(dialog))
            return false;
        const QFont chosen = dialog.currentFont();
        frx::TFontStyles style;
        style.setFlag(frx::fsBold, chosen.bold());
        style.setFlag(frx::fsItalic, chosen.italic());
        style.setFlag(frx::fsUnderline, chosen.underline());
        style.setFlag(frx::fsStrikeOut, chosen.strikeOut());
        m_written = 0;
        for (TFont *f : fonts) {
            f->SetName(chosen.family());
            if (chosen.pointSize() > 0)
                f->SetSize(chosen.pointSize());
            f->SetStyle(style);
            ++m_written;
        }
        return m_written > 0;
    }
};

class TfrxFontNameProperty : public TfrxStringProperty {
public:
    using TfrxStringProperty::TfrxStringProperty;
    int Attributes() const override { return paValueList | paSortList | paMultiSelect; }
    void ValueList() override
    {
        // The names layouts use first, as the font box lists them.
        m_values = TfrxFontTable::Global().LayoutNames();
        for (const QString &family : QFontDatabase::families())
            if (!m_values.contains(family, Qt::CaseInsensitive))
                m_values << family;
    }
};

class TfrxFontCharsetProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paValueList | paSortList | paMultiSelect; }
    QString ValueText() const override
    {
        const qint64 value = Prop()->GetOrdinal(Target());
        for (const TfsNamedConstant &c : fsCharsetConstants())
            if (c.Value == value)
                return QLatin1String(c.Name);
        return QString::number(value);
    }
    void ValueList() override
    {
        m_values.clear();
        for (const TfsNamedConstant &c : fsCharsetConstants())
            m_values << QLatin1String(c.Name);
    }
    void ApplyText(const QString &text) override
    {
        qint64 value = -1;
        for (const TfsNamedConstant &c : fsCharsetConstants())
            if (text.trimmed().compare(QLatin1String(c.Name), Qt::CaseInsensitive) == 0)
                value = c.Value;
        if (value < 0) {
            value = ParseInteger(text);
            if (value < 0 || value > 255)
                throw EPropertyError();
        }
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetOrdinal(t.Target, value); });
    }
};

// ---- frames, pictures, texts ----

class TfrxFrameProperty : public TfrxClassProperty {
public:
    using TfrxClassProperty::TfrxClassProperty;
    int Attributes() const override { return paDialog | paMultiSelect | paReadOnly | paSubProperties; }
    bool RunEditor() override
    {
        const QList<TfrxFrame *> frames = Nested<TfrxFrame>();
        if (frames.isEmpty())
            return false;
        TfrxFrameEditorForm dialog(*frames.first(), Designer());
        if (!Ui::RunDialog(dialog))
            return false;
        m_written = 0;
        for (TfrxFrame *f : frames) {
            f->Assign(dialog.Frame());
            ++m_written;
        }
        return m_written > 0;
    }
};

// The display format and the highlight of text objects: their editors (designer/editors) on the
// first object's value; OK writes it to every selected text object that may be modified.
class TfrxMemoOptionProperty : public TfrxClassProperty {
public:
    using TfrxClassProperty::TfrxClassProperty;
    int Attributes() const override { return paDialog | paMultiSelect | paReadOnly | paSubProperties; }

protected:
    QList<TfrxCustomMemoView *> Memos() const
    {
        QList<TfrxCustomMemoView *> memos;
        for (const TfrxPropertyTarget &t : m_targets)
            if (auto *memo = qobject_cast<TfrxCustomMemoView *>(t.Component))
                if (!memos.contains(memo))
                    memos << memo;
        return memos;
    }
};

class TfrxDisplayFormatProperty : public TfrxMemoOptionProperty {
public:
    using TfrxMemoOptionProperty::TfrxMemoOptionProperty;
    bool RunEditor() override
    {
        const QList<TfrxCustomMemoView *> memos = Memos();
        m_written = 0;
        if (memos.isEmpty() || !EditDisplayFormat(Designer(), memos))
            return false;
        m_written = int(memos.size());
        return true;
    }
};

class TfrxHighlightProperty : public TfrxMemoOptionProperty {
public:
    using TfrxMemoOptionProperty::TfrxMemoOptionProperty;
    bool RunEditor() override
    {
        const QList<TfrxCustomMemoView *> memos = Memos();
        m_written = 0;
        if (memos.isEmpty())
            return false;
        TfrxHighlight highlight;
        highlight.Assign(*memos.first()->Highlight());
        if (!EditHighlight(Designer(), &highlight))
            return false;
        for (TfrxCustomMemoView *memo : memos) {
            if (memo->Restrictions().testFlag(frx::rfDontModify))
                continue;
            memo->Highlight()->Assign(highlight);
            ++m_written;
        }
        return m_written > 0;
    }
};

class TfrxPictureProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paDialog | paReadOnly; }
    QString ValueText() const override
    {
        return Prop()->GetPicture(Target()).IsEmpty() ? QStringLiteral("(Not assigned)")
                                                      : QStringLiteral("(Picture)");
    }
    bool RunEditor() override
    {
        const TPicture old = Prop()->GetPicture(Target());
        TfrxPictureEditorForm dialog(old, Designer());
        if (!Ui::RunDialog(dialog) || dialog.Picture() == old)
            return false;
        const TPicture picture = dialog.Picture();
        WriteAll([&](const TfrxPropertyTarget &t) { t.Prop->SetPicture(t.Target, picture); });
        if (m_written > 0 && !picture.IsEmpty() && Prop()->Name() == QLatin1String("BackPicture"))
            OfferToKeepOffPaper();
        return m_written > 0;
    }

private:
    // A background is usually the scan of the carrier's pre-printed form: printing it would put a
    // second copy of the form on top of the paper's own.
    void OfferToKeepOffPaper()
    {
        QList<TfrxReportPage *> printing;
        for (const TfrxPropertyTarget &t : Targets())
            if (auto *page = qobject_cast<TfrxReportPage *>(t.Component); page && page->BackPicturePrintable())
                printing << page;
        if (printing.isEmpty())
            return;
        if (Ui::Ask(TfrxPictureEditorForm::BackPicturePrintsText(), QStringLiteral("Background picture")))
            for (TfrxReportPage *page : std::as_const(printing))
                page->SetBackPicturePrintable(false);
    }
};

class TfrxMemoProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paDialog | paReadOnly; }
    QString ValueText() const override
    {
        auto *memo = qobject_cast<TfrxCustomMemoView *>(Component());
        return memo ? memo->Text().section(QLatin1String("\r\n"), 0, 0) : QStringLiteral("(TStrings)");
    }
    bool RunEditor() override
    {
        auto *memo = qobject_cast<TfrxCustomMemoView *>(Component());
        if (!memo)
            return false;
        TfrxMemoEditorForm editor(memo, Designer());
        if (!Ui::RunDialog(editor))
            return false;
        QString text = editor.Text();
        text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\n', QLatin1String("\r\n"));
        m_written = 0;
        if (text == memo->Text())
            return false;
        memo->SetText(text);
        m_written = 1;
        return true;
    }
};

// ---- data binding ----

// "[FD."field"]": what a text object bound to a field shows.
void BindText(TfrxComponent *component)
{
    auto *memo = qobject_cast<TfrxCustomMemoView *>(component);
    if (memo && memo->IsDataField())
        memo->SetText(memo->DataFieldText());
}

class TfrxDataSetProperty : public TfrxPropertyEditor {
public:
    using TfrxPropertyEditor::TfrxPropertyEditor;
    int Attributes() const override { return paValueList | paMultiSelect; }
    QString ValueText() const override
    {
        auto *ds = qobject_cast<TfrxDataSet *>(Prop()->GetReference(Target()));
        return ds ? ds->UserName() : QStringLiteral("(Not assigned)");
    }
    void ValueList() override
    {
        m_values.clear();
        if (TfrxReport *report = ReportOf(*this))
            for (TfrxDataSet *ds : report->GetDataSetList())
                m_values << ds->UserName();
    }
    void ApplyText(const QString &text) override
    {
        const QString alias = text.trimmed();
        TfrxDataSet *value = nullptr;
        if (!alias.isEmpty() && alias != QLatin1String("(Not assigned)")) {
            if (TfrxReport *report = ReportOf(*this))
                for (TfrxDataSet *ds : report->GetDataSetList())
                    if (!value && ds->UserName().compare(alias, Qt::CaseInsensitive) == 0)
                        value = ds;
            if (!value)
                throw EPropertyError();
        }
        WriteAll([&](const TfrxPropertyTarget &t) {
            t.Prop->SetReference(t.Target, value);
            BindText(t.Component);
        });
    }
};

class TfrxDataFieldProperty : public TfrxStringProperty {
public:
    using TfrxStringProperty::TfrxStringProperty;
    int Attributes() const override { return paValueList | paMultiSelect; }
    void ValueList() override
    {
        m_values.clear();
        if (auto *view = qobject_cast<TfrxView *>(Component()))
            if (view->DataSet())
                view->DataSet()->GetFieldList(m_values);
    }
    void ApplyText(const QString &text) override
    {
        WriteAll([&](const TfrxPropertyTarget &t) {
            t.Prop->SetString(t.Target, text);
            BindText(t.Component);
        });
    }
};

class TfrxStyleProperty : public TfrxStringProperty {
public:
    using TfrxStringProperty::TfrxStringProperty;
    int Attributes() const override { return paValueList | paMultiSelect; }
    void ValueList() override
    {
        m_values.clear();
        if (TfrxReport *report = ReportOf(*this))
            for (int i = 0; i < report->Styles()->Count(); ++i)
                m_values << report->Styles()->Items(i)->Name();
    }
};

class TfrxNameProperty : public TfrxStringProperty {
public:
    using TfrxStringProperty::TfrxStringProperty;
    int Attributes() const override { return 0; }
    void ApplyText(const QString &text) override
    {
        static const QRegularExpression identifier(QStringLiteral("^[\\p{L}_][\\p{L}\\p{N}_]*$"));
        const QString name = text.trimmed();
        if (!identifier.match(name).hasMatch())
            throw Exception(QStringLiteral("'%1' is not a valid component name").arg(text));
        TfrxStringProperty::ApplyText(name);
    }
};

class TfrxEventProperty : public TfrxStringProperty {
public:
    using TfrxStringProperty::TfrxStringProperty;
    int Attributes() const override { return paValueList | paMultiSelect; }
    void ValueList() override
    {
        m_values.clear();
        static const QRegularExpression proc(QStringLiteral("^\\s*procedure\\s+([\\p{L}_][\\p{L}\\p{N}_]*)"),
                                             QRegularExpression::CaseInsensitiveOption);
        if (TfrxReport *report = ReportOf(*this))
            for (const QString &line : report->ScriptText()) {
                const auto m = proc.match(line);
                if (m.hasMatch())
                    m_values << m.captured(1);
            }
    }
    bool RunEditor() override { return false; }
};

} // namespace

TfrxPropertyEditor *frxDefaultPropertyEditor(TfrxCustomDesigner *designer, const TfrxPropInfo &prop)
{
    switch (prop.Kind()) {
    case TfrxPropKind::Integer:
    case TfrxPropKind::Int64:
        return new TfrxIntegerProperty(designer);
    case TfrxPropKind::Boolean:
    case TfrxPropKind::Enumeration:
        return new TfrxEnumProperty(designer);
    case TfrxPropKind::Set:
        return new TfrxSetProperty(designer);
    case TfrxPropKind::Float:
        return new TfrxFloatProperty(designer);
    case TfrxPropKind::String:
        return new TfrxStringProperty(designer);
    case TfrxPropKind::Strings:
        return new TfrxStringsProperty(designer);
    case TfrxPropKind::Variant:
        return new TfrxVariantProperty(designer);
    case TfrxPropKind::Picture:
        return new TfrxPictureProperty(designer);
    case TfrxPropKind::Component:
        return new TfrxComponentProperty(designer);
    case TfrxPropKind::Class:
        return new TfrxClassProperty(designer);
    }
    return nullptr;
}

TfrxPropertyEditor *frxSetElementEditor(TfrxCustomDesigner *designer, const QString &member)
{
    return new TfrxSetElementProperty(designer, member);
}

void frxRegisterInspectorEditors(TfrxPropertyEditorCollection &r)
{
    const auto locX = [](TfrxCustomDesigner *d) -> TfrxPropertyEditor * {
        return new TfrxLocSizeProperty(d, false);
    };
    const auto locY = [](TfrxCustomDesigner *d) -> TfrxPropertyEditor * {
        return new TfrxLocSizeProperty(d, true);
    };
    const auto paperX = [](TfrxCustomDesigner *d) -> TfrxPropertyEditor * {
        return new TfrxPaperXYProperty(d, false);
    };
    const auto paperY = [](TfrxCustomDesigner *d) -> TfrxPropertyEditor * {
        return new TfrxPaperXYProperty(d, true);
    };
    const QString any;
    for (const char *name : {"Left", "Width"})
        r.Register(any, QStringLiteral("TfrxComponent"), QLatin1String(name), locX);
    for (const char *name : {"ColumnWidth", "ColumnGap"})
        r.Register(any, QStringLiteral("TfrxDataBand"), QLatin1String(name), locX);
    for (const char *name : {"AddWidth", "NextCrossGap"})
        r.Register(any, QStringLiteral("TfrxComponent"), QLatin1String(name), locX);
    for (const char *name : {"Top", "Height", "AddHeight"})
        r.Register(any, QStringLiteral("TfrxComponent"), QLatin1String(name), locY);
    for (const char *name : {"PaperWidth", "LeftMargin", "RightMargin"})
        r.Register(any, QStringLiteral("TfrxReportPage"), QLatin1String(name), paperX);
    for (const char *name : {"PaperHeight", "TopMargin", "BottomMargin"})
        r.Register(any, QStringLiteral("TfrxReportPage"), QLatin1String(name), paperY);
    r.Register(any, QStringLiteral("TfrxReportPage"), QStringLiteral("PaperSize"),
               frxEditor<TfrxPaperProperty>());
    r.Register(any, QStringLiteral("TfrxPrintOptions"), QStringLiteral("PrintOnSheet"),
               frxEditor<TfrxPaperProperty>());
    r.Register(any, QStringLiteral("TfrxPrintOptions"), QStringLiteral("Printer"),
               frxEditor<TfrxPrinterProperty>());
    r.Register(QStringLiteral("Boolean"), any, any, frxEditor<TfrxBooleanProperty>());
    r.Register(QStringLiteral("TfrxFrame"), any, any, frxEditor<TfrxFrameProperty>());
    r.Register(QStringLiteral("TPicture"), any, any, frxEditor<TfrxPictureProperty>());
    r.Register(QStringLiteral("TfrxDataSet"), any, any, frxEditor<TfrxDataSetProperty>());
    r.Register(any, QStringLiteral("TfrxView"), QStringLiteral("DataField"),
               frxEditor<TfrxDataFieldProperty>());
    r.Register(QStringLiteral("TStrings"), any, any, frxEditor<TfrxStringsProperty>());
    r.Register(any, QStringLiteral("TfrxCustomMemoView"), QStringLiteral("Memo"),
               frxEditor<TfrxMemoProperty>());
    r.Register(any, QStringLiteral("TfrxCustomMemoView"), QStringLiteral("Style"),
               frxEditor<TfrxStyleProperty>());
    r.Register(any, QStringLiteral("TfrxCustomMemoView"), QStringLiteral("DisplayFormat"),
               frxEditor<TfrxDisplayFormatProperty>());
    r.Register(any, QStringLiteral("TfrxCustomMemoView"), QStringLiteral("Highlight"),
               frxEditor<TfrxHighlightProperty>());
    r.Register(QStringLiteral("TColor"), any, any, frxEditor<TfrxColorProperty>());
    r.Register(QStringLiteral("TFont"), any, any, frxEditor<TfrxFontProperty>());
    r.Register(QStringLiteral("TFontName"), any, any, frxEditor<TfrxFontNameProperty>());
    r.Register(QStringLiteral("TFontCharset"), any, any, frxEditor<TfrxFontCharsetProperty>());
    r.Register(any, QStringLiteral("TComponent"), QStringLiteral("Name"), frxEditor<TfrxNameProperty>());
    r.RegisterEventEditor(frxEditor<TfrxEventProperty>());

    r.Hide(
        QStringLiteral("TfrxReport"),
        QStringLiteral("DefaultLanguage;IniFile;Name;Preview;ScriptLanguage;ScriptText;Tag;Variables;"
                       "DataSetName;DotMatrixReport;OldStyleProgress;ShowProgress;StoreInDFM;ParentReport"));
    r.Hide(QStringLiteral("TfrxEngineOptions"),
           QStringLiteral("NewSilentMode;MaxMemSize;PrintIfEmpty;SilentMode;TempDir;UseFileCache"));
    r.Hide(QStringLiteral("TfrxPreviewOptions"),
           QStringLiteral(
               "AllowEdit;Buttons;DoubleBuffered;Maximized;MDIChild;Modal;ShowCaptions;Zoom;ZoomMode"));
    r.Hide(QStringLiteral("TfrxReportOptions"), QStringLiteral("CreateDate;LastChange;Compressed;Password"));
    r.Hide(QStringLiteral("TfrxReportPage"),
           QStringLiteral("Bin;BinOtherPages;ColumnWidth;ColumnPositions;DataSetName;HGuides;VGuides"));
    r.Hide(QStringLiteral("TfrxDMPPage"), QStringLiteral("BackPicture;Color;Font;Frame"));
    r.Hide(QStringLiteral("TfrxReportComponent"), QStringLiteral("GroupIndex"));
    r.Hide(QStringLiteral("TfrxView"), QStringLiteral("DataSetName"));
    r.Hide(QStringLiteral("TfrxBand"), QStringLiteral("Vertical"));
    r.Hide(QStringLiteral("TfrxDataBand"), QStringLiteral("DataSetName"));
    r.Hide(QStringLiteral("TfrxGroupHeader"), QStringLiteral("DrillName"));
    r.Hide(QStringLiteral("TFont"), QStringLiteral("Height;Pitch"));
    r.Hide(QStringLiteral("TfrxHighlight"), QStringLiteral("Active"));
    r.Hide(QStringLiteral("TfrxPictureView"), QStringLiteral("ImageIndex"));
    r.Hide(QStringLiteral("TfrxSubreport"), QStringLiteral("Page"));
    r.Hide(QStringLiteral("TfrxDataPage"), QStringLiteral("Left;Tag;Top;Visible"));
    r.Hide(QStringLiteral("TfrxCustomMemoView"), QStringLiteral("FirstParaBreak;LastParaBreak"));
}

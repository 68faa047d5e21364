// The designer's object commands: the objects bar and insertion, the clipboard, the object
// editors.
#include "designer/window/frxDesgn.h"

#include "designer/editors/frxBandEditor.h"
#include "designer/editors/frxBarcodeEditor.h"
#include "designer/format/frxDesignerFormatting.h"
#include "designer/format/frxFormatCommands.h"
#include "designer/inspector/frxPictureEditor.h"
#include "designer/window/frxDesgnPrivate.h"
#include "designer/window/frxMemoEditor.h"
#include "designer/workspace/frxClipboard.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "platform/Ui.h"
#include "report/core/frxClassRegistry.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"
#include "report/objects/frxBarcode.h"
#include "report/objects/frxDMP.h"
#include "report/objects/frxDialogControls.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

// The page kinds an object kind is offered on.
enum PageKinds {
    OnReport = 1,
    OnDotMatrix = 2,
    OnDialog = 4,
    OnData = 8,
    OnPrinted = OnReport | OnDotMatrix
};

struct ObjectKind {
    const char *ClassName;
    const char *Caption;
    int Flags;
    int Pages = OnPrinted;
};

// The objects bar of a report page, top to bottom after the select tool.
const ObjectKind Kinds[] = {
    {"TfrxMemoView", "Text Object", 0, OnPrinted | OnData},
    {"TfrxPictureView", "Picture Object", 0},
    {"TfrxSubreport", "Subreport Object", 0, OnReport},
    {"TfrxSysMemoView", "System Text", 0},
    {"TfrxBarCodeView", "Barcode Object", 0},
    // A two-dimensional code, QR unless its editor chooses another type.
    {"TfrxBarcode2DView", "QR Code", 0},
};

// The category buttons and what their menus offer (the flags are the classes' creation codes).
const ObjectKind DrawKinds[] = {
    {"TfrxLineView", "Line", 0, OnPrinted | OnData},
    {"TfrxLineView", "Diagonal Line", 1, OnPrinted | OnData},
    {"TfrxShapeView", "Rectangle", frx::skRectangle, OnPrinted | OnData},
    {"TfrxShapeView", "Rounded Rectangle", frx::skRoundRectangle, OnPrinted | OnData},
    {"TfrxShapeView", "Ellipse", frx::skEllipse, OnPrinted | OnData},
    {"TfrxShapeView", "Triangle", frx::skTriangle, OnPrinted | OnData},
    {"TfrxShapeView", "Diamond", frx::skDiamond, OnPrinted | OnData},
};
// Dot-matrix objects only on dot-matrix pages, dialog controls only on dialog pages.
const ObjectKind OtherKinds[] = {
    {"TfrxQRCode", "QR Code (older add-on class)", 0},
    {"TfrxDMPMemoView", "Dot-matrix Text", 0, OnDotMatrix},
    {"TfrxDMPSysMemoView", "Dot-matrix System Text", 0, OnDotMatrix},
    {"TfrxDMPLineView", "Dot-matrix Line", 0, OnDotMatrix},
    {"TfrxDMPCommand", "Printer Command", 0, OnDotMatrix},
    {"TfrxLabelControl", "Label", 0, OnDialog},
    {"TfrxEditControl", "Edit", 0, OnDialog},
    {"TfrxMemoControl", "Memo", 0, OnDialog},
    {"TfrxButtonControl", "Button", 0, OnDialog},
    {"TfrxCheckBoxControl", "Check Box", 0, OnDialog},
    {"TfrxRadioButtonControl", "Radio Button", 0, OnDialog},
    {"TfrxListBoxControl", "List Box", 0, OnDialog},
    {"TfrxComboBoxControl", "Combo Box", 0, OnDialog},
    {"TfrxDateEditControl", "Date Edit", 0, OnDialog},
    {"TfrxGroupBoxControl", "Group Box", 0, OnDialog},
    {"TfrxPanelControl", "Panel", 0, OnDialog},
};

int PageKindOf(const TfrxPage *page)
{
    if (qobject_cast<const TfrxDMPPage *>(page))
        return OnDotMatrix;
    if (qobject_cast<const TfrxDialogPage *>(page))
        return OnDialog;
    if (qobject_cast<const TfrxDataPage *>(page))
        return OnData;
    return OnReport;
}

// A button's object name: the class, and the creation code when it is not 0.
QString KindName(const QString &className, int flags)
{
    return flags == 0 ? className : className + QLatin1Char('.') + QString::number(flags);
}

} // namespace

void TfrxDesignerForm::Private::CreateObjectButtons()
{
    auto *group = new QActionGroup(q);
    group->setExclusive(true);
    selectTool = q->findChild<QAction *>(QStringLiteral("SelectToolCmd"));
    group->addAction(selectTool);
    QObject::connect(selectTool, &QAction::triggered, q, [this] {
        workspace->SetTool(TfrxDesignerWorkspace::dtSelect);
        q->ArmInsertion(QString());
    });
    // The text tool: typing where one clicks or draws (the workspace creates nothing itself).
    QAction *textTool = objectsBar->addAction(QStringLiteral("Edit Text Tool"));
    textTool->setObjectName(QStringLiteral("TextToolCmd"));
    textTool->setCheckable(true);
    group->addAction(textTool);
    QObject::connect(textTool, &QAction::triggered, q, [this] {
        workspace->SetTool(TfrxDesignerWorkspace::dtEditText);
        q->ArmInsertion(QString());
    });
    QObject::connect(workspace, &TfrxDesignerWorkspace::TextInsertRequested, q, [this](const QRectF &rect) {
        insertClass = QStringLiteral("TfrxMemoView");
        insertFlags = 0;
        // The new text is typed in place, not in the memo editor.
        const bool editAfterInsert = state.EditAfterInsert;
        state.EditAfterInsert = false;
        TfrxComponent *memo = q->InsertObject(rect);
        state.EditAfterInsert = editAfterInsert;
        if (memo)
            workspace->BeginInplaceEdit(memo);
    });
    auto addKind = [this, group](const ObjectKind &kind, QMenu *menu) {
        const QString className = QLatin1String(kind.ClassName);
        const int flags = kind.Flags;
        QAction *button = menu ? menu->addAction(QLatin1String(kind.Caption))
                               : objectsBar->addAction(QLatin1String(kind.Caption));
        button->setObjectName(KindName(className, flags));
        button->setProperty("frxPages", kind.Pages);
        button->setCheckable(true);
        group->addAction(button);
        QObject::connect(button, &QAction::triggered, q,
                         [this, className, flags] { q->ArmInsertion(className, flags); });
    };
    for (const ObjectKind &kind : Kinds)
        addKind(kind, nullptr);
    // "Draw" and "Other": a button that drops down its menu.
    auto addCategory = [this, &addKind](const char *name, const QString &caption, const auto &kinds) {
        auto *menu = new QMenu(caption, q);
        menu->setObjectName(QLatin1String(name));
        for (const ObjectKind &kind : kinds)
            addKind(kind, menu);
        auto *button = new QToolButton(objectsBar);
        button->setText(caption);
        button->setToolTip(caption);
        button->setObjectName(QLatin1String(name) + QStringLiteral("Button"));
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        objectsBar->addWidget(button)->setObjectName(QLatin1String(name) + QStringLiteral("Category"));
    };
    addCategory("DrawMenu", QStringLiteral("Draw"), DrawKinds);
    addCategory("OtherMenu", QStringLiteral("Other"), OtherKinds);
    QObject::connect(workspace, &TfrxDesignerWorkspace::InsertRequested, q, [this](const QRectF &rect) {
        if (rect.isNull() && rect.width() == 0 && rect.height() == 0 && rect.topLeft().isNull()) {
            q->ArmInsertion(QString()); // Esc
            return;
        }
        q->InsertObject(rect);
    });
    QObject::connect(workspace, &TfrxDesignerWorkspace::EditRequested, q, &TfrxDesignerForm::EditObject);
    QObject::connect(actions.value(QStringLiteral("EditCmd")), &QAction::triggered, q,
                     &TfrxDesignerForm::EditObject);
    QObject::connect(actions.value(QStringLiteral("CopyCmd")), &QAction::triggered, q,
                     &TfrxDesignerForm::Copy);
    QObject::connect(actions.value(QStringLiteral("CutCmd")), &QAction::triggered, q, &TfrxDesignerForm::Cut);
    QObject::connect(actions.value(QStringLiteral("PasteCmd")), &QAction::triggered, q,
                     &TfrxDesignerForm::Paste);
    // Paste follows what the system clipboard holds.
    auto *timer = new QTimer(q);
    timer->setInterval(1000);
    QObject::connect(timer, &QTimer::timeout, q, [this] {
        actions.value(QStringLiteral("PasteCmd"))
            ->setEnabled(!q->m_page || frxClipboard::ClipboardHasObjects());
    });
    timer->start();
}

void TfrxDesignerForm::Private::UpdateObjectButtons()
{
    // Each kind where its page kind suits; a category button while its menu offers something.
    const int kind = PageKindOf(q->m_page);
    for (QAction *a : q->findChildren<QAction *>())
        if (a->property("frxPages").isValid())
            a->setVisible(a->property("frxPages").toInt() & kind);
    for (const char *name : {"DrawMenu", "OtherMenu"}) {
        auto *menu = q->findChild<QMenu *>(QLatin1String(name));
        auto *category = q->findChild<QAction *>(QLatin1String(name) + QStringLiteral("Category"));
        if (!menu || !category)
            continue;
        bool any = false;
        for (QAction *a : menu->actions())
            any = any || a->isVisible();
        category->setVisible(any);
    }
}

QSizeF TfrxDesignerForm::Private::DefaultObjectSize(const QString &className, int flags)
{
    // A throw-away instance tells its own size; 0 × 0 takes the unit's default.
    if (TfrxReport *report = q->Report()) {
        TComponent scratch;
        if (TfrxComponent *c = frxDesignCreateComponent(className, &scratch, flags)) {
            const QSizeF size(c->Width(), c->Height());
            delete c;
            if (size.width() != 0 || size.height() != 0)
                return size;
        }
        Q_UNUSED(report);
    }
    switch (units) {
    case 0:
        return QSizeF(2.5 * fr1cm, 0.5 * fr1cm);
    case 1:
        return QSizeF(96, 19.2);
    case 2:
        return QSizeF(80, 16);
    default:
        return QSizeF(96, 17);
    }
}

void TfrxDesignerForm::ArmInsertion(const QString &className, int flags)
{
    d->insertClass = className;
    d->insertFlags = flags;
    const QMetaObject *meta = className.isEmpty() ? nullptr : frxFindClass(className);
    if (!meta || !m_page) {
        d->insertClass.clear();
        d->workspace->SetInsertion(nullptr, 0, 0, 0);
        // Back to the tool that was active: the select tool, or the text tool that stays.
        if (d->workspace->Tool() == TfrxDesignerWorkspace::dtEditText) {
            if (QAction *textTool = findChild<QAction *>(QStringLiteral("TextToolCmd")))
                textTool->setChecked(true);
        } else if (d->selectTool) {
            d->selectTool->setChecked(true);
        }
        return;
    }
    const QSizeF size = d->DefaultObjectSize(className, flags);
    d->workspace->SetInsertion(meta, flags, size.width(), size.height());
    if (QAction *button = findChild<QAction *>(KindName(className, flags)))
        button->setChecked(true);
}

TfrxComponent *TfrxDesignerForm::InsertObject(const QRectF &rect)
{
    if (!m_page || d->insertClass.isEmpty())
        return nullptr;
    const QString className = d->insertClass;
    TfrxComponent *c = frxDesignCreateComponent(className, m_page, d->insertFlags);
    if (!c)
        return nullptr;
    c->SetBounds(rect.left(), rect.top(), rect.width(), rect.height());
    c->CreateUniqueName();
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(c))
        if (qobject_cast<TfrxDataPage *>(m_page))
            memo->SetWysiwyg(false);
    // A waybill's barcode is Code 128; layouts without a BarType still read as Code 39.
    if (auto *barcode = qobject_cast<TfrxBarCodeView *>(c))
        barcode->SetBarType(QStringLiteral("bcCode128"));
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(c); memo && d->formatting) {
        // The last formatted one's font; its frame and alignment only with the copy-format tool.
        d->formatting->Commands()->Sample().ApplySample(
            memo, d->formatting->Tool() == TfrxDesignerFormatting::ttCopyFormat);
        // Tall enough for one line of that font.
        TSampleFormat::FitToFont(memo, QString(), d->workspace->GridX(), d->workspace->GridY());
    }
    // Lines stay armed for the next line; anything else goes back to the select tool.
    if (!qobject_cast<TfrxCustomLineView *>(c))
        ArmInsertion(QString());
    if (auto *subreport = qobject_cast<TfrxSubreport *>(c)) {
        // A subreport prints a page of its own: a new page, shown at once; one change for both.
        auto *page = new TfrxReportPage(Report());
        page->CreateUniqueName();
        page->SetDefaults();
        subreport->SetSubPage(page);
        Lock();
        ReloadPages(Report()->PagesCount() - 1);
        d->changeSource.clear();
        SetModified(true);
        return c;
    }
    d->changeSource.clear();
    m_objects.clear();
    m_objects << m_page->AllObjects() << Report() << m_page;
    d->workspace->Select({c});
    SetModified(true);
    if (d->state.EditAfterInsert)
        EditObject();
    return c;
}

void TfrxDesignerForm::EditObject()
{
    QList<TfrxComponent *> views;
    for (TfrxComponent *c : std::as_const(m_selectedObjects))
        if (c != m_page && c != Report())
            views << c;
    if (views.isEmpty() || views.first()->Restrictions().testFlag(frx::rfDontEdit))
        return;
    TfrxComponent *c = views.first();
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(c)) {
        TfrxMemoEditorForm editor(memo, this);
        // The designer's memo font, or the object's own when the options say so.
        QFont font(d->state.UseObjectFont ? memo->Font()->Name() : d->state.MemoFontName);
        font.setPointSize(std::max(1, d->state.UseObjectFont ? memo->Font()->Size() : d->state.MemoFontSize));
        editor.SetEditorFont(font);
        if (editor.exec() != QDialog::Accepted)
            return;
        QString text = editor.Text();
        text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\n', QLatin1String("\r\n"));
        memo->SetText(text);
        SetModified(true);
    } else if (auto *picture = qobject_cast<TfrxPictureView *>(c)) {
        // The picture editor (designer/inspector) edits a copy; OK replaces the picture.
        TfrxPictureEditorForm editor(picture->Picture(), this);
        if (!Ui::RunDialog(editor) || editor.Picture() == picture->Picture())
            return;
        picture->SetPicture(editor.Picture());
        SetModified(true);
        // ---- editors: group headers, bands and barcodes ----
    } else if (auto *group = qobject_cast<TfrxGroupHeader *>(c)) {
        if (EditGroupHeader(this, group))
            SetModified(true);
    } else if (auto *band = qobject_cast<TfrxBand *>(c)) {
        if (EditBand(this, band))
            SetModified(true);
    } else if (auto *barcode = qobject_cast<TfrxBarcodeBase *>(c)) {
        if (EditBarcode(this, barcode))
            SetModified(true);
        // ---- end editors ----
    }
}

void TfrxDesignerForm::Copy()
{
    if (!m_page) {
        d->codeWindow->copy();
        return;
    }
    QList<TfrxComponent *> views;
    for (TfrxComponent *c : std::as_const(m_selectedObjects))
        if (c != m_page && c != Report())
            views << c;
    if (views.isEmpty())
        return;
    frxClipboard::Copy(views, m_page);
    d->actions.value(QStringLiteral("PasteCmd"))->setEnabled(true);
}

void TfrxDesignerForm::Cut()
{
    if (!m_page) {
        d->codeWindow->cut();
        return;
    }
    Copy();
    d->workspace->DeleteObjects();
}

void TfrxDesignerForm::Duplicate()
{
    if (!m_page || d->workspace->Mode() != TfrxDesignerWorkspace::dmNone || d->workspace->Pasting())
        return;
    QList<TfrxComponent *> views;
    double left = 1e9, top = 1e9;
    for (TfrxComponent *c : std::as_const(m_selectedObjects))
        if (c != m_page && c != Report()) {
            views << c;
            left = std::min(left, c->AbsLeft());
            top = std::min(top, c->AbsTop());
        }
    if (views.isEmpty())
        return;
    const QList<TfrxComponent *> copies = frxClipboard::Paste(frxClipboard::CopyText(views, m_page), m_page);
    if (copies.isEmpty())
        return;
    // The copies stand where their originals stood, one grid step right and down.
    const double dx = left + d->workspace->GridX(), dy = top + d->workspace->GridY();
    for (TfrxComponent *c : copies)
        if (!copies.contains(c->Parent())) {
            c->SetLeft(std::round((c->Left() + dx) * 1e8) / 1e8);
            c->SetTop(std::round((c->Top() + dy) * 1e8) / 1e8);
        }
    m_objects.clear();
    m_objects << m_page->AllObjects() << Report() << m_page;
    d->workspace->Select(copies);
    SetModified(true);
}

void TfrxDesignerForm::Paste()
{
    if (!m_page) {
        d->codeWindow->paste();
        return;
    }
    // Not in the middle of a drag, and nothing but designer objects.
    if (d->workspace->Mode() != TfrxDesignerWorkspace::dmNone || d->workspace->Pasting())
        return;
    const QString text = frxClipboard::ClipboardText();
    if (!frxClipboard::CanPaste(text))
        return;
    const QList<TfrxComponent *> objects = frxClipboard::Paste(text, m_page);
    if (objects.isEmpty())
        return;
    // Under the pointer, or where the copy was taken from when the pointer is not over the page;
    // listed in the report tree at once.
    d->workspace->BeginPaste(objects, frxClipboard::CopiedPlace(text));
    d->UpdateReportTree();
}

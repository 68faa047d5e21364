// The designer's object commands: the objects bar and insertion, the clipboard, the object
// editors.
#include "designer/window/frxDesgn.h"

#include "designer/inspector/frxPictureEditor.h"
#include "designer/window/frxDesgnPrivate.h"
#include "designer/window/frxMemoEditor.h"
#include "designer/workspace/frxClipboard.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "platform/Ui.h"
#include "report/core/frxClassRegistry.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QAction>
#include <QActionGroup>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

namespace {

struct ObjectKind {
    const char *ClassName;
    const char *Caption;
    int Flags;
};

// The objects bar of a report page, top to bottom after the select tool.
const ObjectKind Kinds[] = {
    {"TfrxMemoView", "Text Object", 0},    {"TfrxPictureView", "Picture Object", 0},
    {"TfrxSysMemoView", "System Text", 0}, {"TfrxLineView", "Line", 0},
    {"TfrxShapeView", "Rectangle", 0},
};

} // namespace

void TfrxDesignerForm::Private::CreateObjectButtons()
{
    auto *group = new QActionGroup(q);
    group->setExclusive(true);
    selectTool = q->findChild<QAction *>(QStringLiteral("SelectToolCmd"));
    group->addAction(selectTool);
    QObject::connect(selectTool, &QAction::triggered, q, [this] { q->ArmInsertion(QString()); });
    for (const ObjectKind &kind : Kinds) {
        QAction *button = objectsBar->addAction(QLatin1String(kind.Caption));
        button->setObjectName(QLatin1String(kind.ClassName));
        button->setCheckable(true);
        group->addAction(button);
        const QString className = QLatin1String(kind.ClassName);
        const int flags = kind.Flags;
        QObject::connect(button, &QAction::triggered, q,
                         [this, className, flags] { q->ArmInsertion(className, flags); });
    }
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
        if (d->selectTool)
            d->selectTool->setChecked(true);
        return;
    }
    const QSizeF size = d->DefaultObjectSize(className, flags);
    d->workspace->SetInsertion(meta, flags, size.width(), size.height());
    if (QAction *button = d->objectsBar->findChild<QAction *>(className))
        button->setChecked(true);
    for (QAction *a : d->objectsBar->actions())
        if (a->objectName() == className)
            a->setChecked(true);
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
    // Lines stay armed for the next line; anything else goes back to the select tool.
    if (!qobject_cast<TfrxCustomLineView *>(c))
        ArmInsertion(QString());
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
    d->workspace->BeginPaste(objects);
}

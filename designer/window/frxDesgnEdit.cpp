// The designer's edit commands: undo and redo, preview with the layout restored afterwards, find
// and replace over the texts, select all, drawing order and groups, and the page settings.
#include "designer/window/frxDesgn.h"

#include "designer/inspector/frxInsp.h"

#include "designer/window/frxDesgnPrivate.h"
#include "designer/window/frxSearchDialog.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "platform/Ui.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextDocument>

#include <set>

// ---- undo and redo -----------------------------------------------------------------------------------

void TfrxDesignerForm::Undo()
{
    if (!m_page) {
        d->codeWindow->undo();
        return;
    }
    if (d->undo.UndoCount() < 2)
        return;
    const int h = d->scrollBox->horizontalScrollBar()->value();
    const int v = d->scrollBox->verticalScrollBar()->value();
    TfrxReport *report = Report();
    const int index = d->CurrentPageIndex();
    Lock();
    d->StoreScript();
    d->undo.AddRedo(*report);
    d->undo.Undo(*report);
    d->LoadScript();
    ReloadPages(index);
    d->scrollBox->horizontalScrollBar()->setValue(h);
    d->scrollBox->verticalScrollBar()->setValue(v);
    // What Undo brings back differs from the file: closing must ask again.
    TfrxCustomDesigner::SetModified(true);
    d->UpdateControls();
}

void TfrxDesignerForm::Redo()
{
    if (d->undo.RedoCount() == 0 || !m_page)
        return;
    const int h = d->scrollBox->horizontalScrollBar()->value();
    const int v = d->scrollBox->verticalScrollBar()->value();
    TfrxReport *report = Report();
    const int index = d->CurrentPageIndex();
    Lock();
    d->undo.Redo(*report);
    d->undo.AddUndo(*report);
    d->LoadScript();
    ReloadPages(index);
    d->scrollBox->horizontalScrollBar()->setValue(h);
    d->scrollBox->verticalScrollBar()->setValue(v);
    TfrxCustomDesigner::SetModified(true);
    d->UpdateControls();
}

// ---- preview -----------------------------------------------------------------------------------------

void TfrxDesignerForm::Preview()
{
    d->inspector->ApplyPending();
    TfrxReport *report = Report();
    d->SaveScrollPosition();
    d->StoreScript();
    if (!report->PrepareScript()) {
        // The script does not compile: show where, do not run.
        ReloadPages(-1);
        d->codeWindow->appendPlainText(QString());
        Ui::Message(report->Errors().join(QLatin1Char('\n')), QStringLiteral("Error"), UiIcon::Error);
        return;
    }
    const int index = d->CurrentPageIndex();
    const bool codeTab = m_page == nullptr;
    QWidget *previewWindow = report->Preview();
    TfrxPreviewOptions previewOptions = *report->PreviewOptions();
    const bool destroyForms = report->EngineOptions()->DestroyForms();
    const qsizetype errorCount = report->Errors().size();
    const bool added = d->undo.AddUndo(*report);

    report->SetPreview(nullptr);
    report->PreviewOptions()->SetModal(true);
    report->PreviewOptions()->SetMDIChild(false);
    report->EngineOptions()->SetDestroyForms(false);
    try {
        report->ShowReport(true);
    } catch (...) {
        // A failed run shows nothing more; the layout comes back below in every case.
    }
    // Whatever the run changed in the report goes: the layout of the last change comes back.
    Lock();
    if (added)
        d->undo.Undo(*report);
    else
        d->undo.RestoreLast(*report);
    report->SetPreview(previewWindow);
    *report->PreviewOptions() = previewOptions;
    report->EngineOptions()->SetDestroyForms(destroyForms);
    if (codeTab) {
        ReloadPages(-2);
        ReloadPages(-1);
    } else {
        ReloadPages(index);
    }
    QStringList errors = report->Errors();
    if (errors.size() > errorCount) {
        report->ClearErrors();
        for (qsizetype i = 0; i < errorCount && i < errors.size(); ++i)
            report->AddError(errors[i]);
    }
    d->UpdateControls();
}

// ---- find and replace --------------------------------------------------------------------------------

bool TfrxDesignerForm::Find(const QString &text, bool caseSensitive, bool fromTop)
{
    if (text.isEmpty())
        return false;
    if (text != d->lastFindText || caseSensitive != d->lastFindCase)
        d->lastFound = -1;
    d->lastFindText = text;
    d->lastFindCase = caseSensitive;
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!m_page) {
        QTextDocument::FindFlags flags;
        if (caseSensitive)
            flags |= QTextDocument::FindCaseSensitively;
        if (fromTop)
            d->codeWindow->moveCursor(QTextCursor::Start);
        if (d->codeWindow->find(text, flags)) {
            d->UpdateControls();
            return true;
        }
    } else {
        for (qsizetype i = d->lastFound + 1; i < m_objects.size(); ++i) {
            auto *memo = qobject_cast<TfrxCustomMemoView *>(m_objects[i]);
            if (memo && memo->Text().contains(text, cs)) {
                d->lastFound = int(i);
                d->workspace->Select({memo});
                d->UpdateControls();
                return true;
            }
        }
    }
    d->lastFound = -1;
    Ui::Message(QStringLiteral("Text '%1' not found").arg(text), QStringLiteral("Information"),
                UiIcon::Information);
    d->UpdateControls();
    return false;
}

int TfrxDesignerForm::Replace(const QString &text, const QString &replacement, bool caseSensitive, bool all,
                              bool fromTop)
{
    if (text.isEmpty())
        return 0;
    d->lastFindText = text;
    d->lastFindCase = caseSensitive;
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    int changed = 0;
    // Hits replaced after "All" are one change, reported once at the end; each "Yes" is its own.
    int pending = 0;
    bool found = false;
    // Asks about one hit; false stops the whole replace (Cancel).
    auto confirm = [&](bool &replace) {
        found = true;
        UiAnswer answer = UiAnswer::All;
        if (!all)
            answer = Ui::AskYesNoCancel(QStringLiteral("Replace this occurence of '%1'?").arg(text),
                                        QStringLiteral("Confirm"), true);
        if (answer == UiAnswer::Cancel)
            return false;
        replace = answer != UiAnswer::No;
        if (answer == UiAnswer::All)
            all = true;
        return true;
    };
    auto replaced = [&] {
        ++changed;
        if (all) {
            ++pending;
            return;
        }
        d->codeChanged = false;
        SetModified(true);
    };
    if (!m_page) {
        QTextDocument *document = d->codeWindow->document();
        QTextDocument::FindFlags flags;
        if (caseSensitive)
            flags |= QTextDocument::FindCaseSensitively;
        int position = fromTop ? 0 : d->codeWindow->textCursor().selectionStart();
        for (;;) {
            QTextCursor hit = document->find(text, position, flags);
            if (hit.isNull())
                break;
            d->codeWindow->setTextCursor(hit);
            bool replace = false;
            if (!confirm(replace))
                break;
            if (replace) {
                hit.insertText(replacement);
                replaced();
            }
            position = hit.position();
        }
    } else {
        const QList<TfrxComponent *> objects = m_objects;
        for (TfrxComponent *c : objects) {
            auto *memo = qobject_cast<TfrxCustomMemoView *>(c);
            if (!memo || !memo->Text().contains(text, cs))
                continue;
            d->workspace->Select({memo});
            bool replace = false;
            if (!confirm(replace))
                break;
            if (!replace)
                continue;
            QString value = memo->Text();
            value.replace(text, replacement, cs);
            memo->SetText(value);
            replaced();
        }
    }
    if (pending > 0) {
        d->codeChanged = false;
        SetModified(true);
    }
    if (!found)
        Ui::Message(QStringLiteral("Text '%1' not found").arg(text), QStringLiteral("Information"),
                    UiIcon::Information);
    d->UpdateControls();
    return changed;
}

void TfrxDesignerForm::ShowFindDialog(bool replace)
{
    TfrxSearchDialog dialog(replace, m_page == nullptr, this);
    dialog.SetFindText(d->lastFindText);
    dialog.SetCaseSensitive(d->lastFindCase);
    if (!Ui::RunDialog(dialog))
        return;
    if (replace)
        Replace(dialog.FindText(), dialog.ReplaceText(), dialog.CaseSensitive(), dialog.ReplaceAll(),
                dialog.SearchFromTop());
    else
        Find(dialog.FindText(), dialog.CaseSensitive(), dialog.SearchFromTop());
}

// ---- selection, order, groups ------------------------------------------------------------------------

void TfrxDesignerForm::SelectAll()
{
    if (!m_page)
        return;
    QList<TfrxComponent *> list;
    QList<TfrxComponent *> selected;
    for (TfrxComponent *c : std::as_const(m_selectedObjects))
        if (c != m_page)
            selected << c;
    // One band, or one object in a band: everything of that band.
    TfrxBand *band = nullptr;
    if (selected.size() == 1) {
        band = qobject_cast<TfrxBand *>(selected.first());
        if (!band)
            band = qobject_cast<TfrxBand *>(selected.first()->Parent());
    }
    list = band ? band->Objects() : m_page->Objects();
    d->workspace->Select(list);
}

void TfrxDesignerForm::BringToFront()
{
    for (TfrxComponent *c : QList<TfrxComponent *>(m_selectedObjects))
        if (c != m_page && c->Parent() && !c->Restrictions().testFlag(frx::rfDontMove))
            c->Parent()->SetChildIndex(c, int(c->Parent()->Objects().size()) - 1);
    SetModified(true);
}

void TfrxDesignerForm::SendToBack()
{
    for (TfrxComponent *c : QList<TfrxComponent *>(m_selectedObjects))
        if (c != m_page && c->Parent() && !c->Restrictions().testFlag(frx::rfDontMove))
            c->Parent()->SetChildIndex(c, 0);
    SetModified(true);
}

void TfrxDesignerForm::ToggleLock()
{
    // A lock is the layout's own restriction of the object, so the file keeps it and every program
    // that opens it honours it: the surface neither moves nor sizes such an object.
    const frx::TfrxRestrictions lock = frx::rfDontMove | frx::rfDontSize;
    QList<TfrxComponent *> objects;
    bool allLocked = true;
    for (TfrxComponent *c : std::as_const(m_selectedObjects))
        if (c != m_page && c != Report() && c->Parent()) {
            objects << c;
            allLocked = allLocked && (c->Restrictions() & lock) == lock;
        }
    if (objects.isEmpty())
        return;
    for (TfrxComponent *c : std::as_const(objects))
        c->SetRestrictions(allLocked ? c->Restrictions() & ~lock : c->Restrictions() | lock);
    SetModified(true);
}

void TfrxDesignerForm::Group()
{
    if (!m_page)
        return;
    QList<TfrxView *> views;
    for (TfrxComponent *c : std::as_const(m_selectedObjects))
        if (auto *view = qobject_cast<TfrxView *>(c))
            views << view;
    if (views.size() < 2)
        return;
    for (TfrxView *view : views)
        view->SetGroupIndex(0);
    std::set<int> used;
    for (TfrxComponent *c : m_page->AllObjects())
        if (auto *view = qobject_cast<TfrxView *>(c))
            used.insert(view->GroupIndex());
    int index = 1;
    while (used.count(index))
        ++index;
    for (TfrxView *view : views)
        view->SetGroupIndex(index);
    SetModified(true);
}

void TfrxDesignerForm::Ungroup()
{
    for (TfrxComponent *c : std::as_const(m_selectedObjects))
        if (auto *view = qobject_cast<TfrxView *>(c))
            view->SetGroupIndex(0);
    SetModified(true);
}

// Showing a report: building it into the attached preview control or into a new preview window.
#include "report/host/frxEngineBase.h"
#include "report/host/frxPreviewBase.h"
#include "report/model/frxReport.h"

#include <QDialog>
#include <QPointer>

bool TfrxReport::ShowReport(bool clearPrevious)
{
    if (clearPrevious)
        if (TfrxCustomEngine *engine = Engine())
            engine->ClearPreparedPages();

    auto *attached = dynamic_cast<TfrxCustomPreview *>(m_preview.data());
    const TfrxPreviewFormFactory &factory = frxPreviewFormFactory();
    if (!attached && !factory)
        return BuildPages(false);

    // The old progress style builds first (with its own progress window) and shows only a
    // finished, successful build.
    if (m_oldStyleProgress && !BuildPages(false))
        return false;

    if (attached) {
        if (m_oldStyleProgress)
            attached->PagesChanged();
        else
            attached->BuildDeferred();
        return true;
    }

    QPointer<QDialog> window = factory(this);
    auto *preview = dynamic_cast<TfrxCustomPreview *>(m_preview.data());
    if (!window || !preview) {
        // No window system here: the pages are what the caller gets.
        delete window;
        return m_oldStyleProgress ? true : BuildPages(false);
    }
    if (m_oldStyleProgress)
        preview->PagesChanged();
    else
        preview->BuildDeferred();
    if (OnPreview)
        OnPreview(this);
    if (!window)
        return true;
    if (m_previewOptions.Modal()) {
        window->exec();
        delete window;
    } else {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    }
    return true;
}

#include "report/host/frxPreviewPagesBase.h"
#include "report/model/frxReport.h"

TfrxCustomPreviewPages *TfrxReport::PreviewPages()
{
    if (!m_previewPages)
        m_previewPages = frxCreatePreviewPages(this);
    return m_previewPages.get();
}

bool TfrxReport::PrintPrepared()
{
    TfrxCustomPreviewPages *pages = PreviewPages();
    return pages && pages->PrintPreparedPages();
}

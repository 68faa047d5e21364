#include "engine/frxEngineLayer.h"

#include "engine/build/frxEngine.h"
#include "engine/preview/frxPreview.h"
#include "engine/print/frxPrinter.h"
#include "report/model/frxPaper.h"

void frxStartEngineLayer()
{
    frxRegisterEngine();
    TfrxPreviewPages::Register();
    frxRegisterPreview();
    frxInstallPrinterPaperInfo();
}

TfrxEngineRegistrations::TfrxEngineRegistrations()
    : m_engine(frxEngineFactory()), m_pages(frxPreviewPagesClass()), m_previewForm(frxPreviewFormFactory()),
      m_buildProgress(TfrxPreviewPages::OnBuildProgress), m_paperInfo(&frxPaperInfo())
{
}

TfrxEngineRegistrations::~TfrxEngineRegistrations()
{
    frxSetEngineFactory(std::move(m_engine));
    frxRegisterPreviewPagesClass(std::move(m_pages));
    frxSetPreviewFormFactory(std::move(m_previewForm));
    TfrxPreviewPages::OnBuildProgress = std::move(m_buildProgress);
    frxSetPaperInfo(m_paperInfo);
}

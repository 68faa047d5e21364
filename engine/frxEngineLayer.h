#pragma once
// Start-up of the engine layer. The report layer below knows the builder, the prepared-pages store,
// the preview window and the printers' paper defaults only through the factories it declares
// (report/host, report/model/frxPaper.h); this installs the engine layer's classes there. The
// window, the command line and the tests all start the layer through it, so a report behaves the
// same in each.

#include "engine/pages/frxPreviewPages.h"
#include "report/host/frxEngineBase.h"
#include "report/host/frxPreviewBase.h"
#include "report/host/frxPreviewPagesBase.h"

class TfrxPaperInfo;

// Registers the builder (TfrxEngine), the prepared-pages store (TfrxPreviewPages), the preview
// window with its build-progress hook, and the current printer's defaults for new report pages.
// Calling it again changes nothing.
void frxStartEngineLayer();

// Keeps the registrations that frxStartEngineLayer makes as they are now and puts them back when it
// goes out of scope, so a test may install another builder, store, window or paper table for a while.
class TfrxEngineRegistrations {
public:
    TfrxEngineRegistrations();
    ~TfrxEngineRegistrations();
    TfrxEngineRegistrations(const TfrxEngineRegistrations &) = delete;
    TfrxEngineRegistrations &operator=(const TfrxEngineRegistrations &) = delete;

private:
    TfrxEngineFactory m_engine;
    TfrxPreviewPagesFactory m_pages;
    TfrxPreviewFormFactory m_previewForm;
    decltype(TfrxPreviewPages::OnBuildProgress) m_buildProgress;
    TfrxPaperInfo *m_paperInfo;
};

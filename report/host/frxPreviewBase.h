#pragma once
// The preview as the report sees it. The window and its control live in the engine layer, which
// registers a window factory here at start-up (frxRegisterPreview there), so ShowReport can open a
// preview without the report layer linking against the layer above it. Without a factory (tools
// that run without a window system) ShowReport just builds.

#include <functional>

class QDialog;
class TfrxReport;

// A preview control a report's Preview property may point at: any widget that also derives from
// this interface.
class TfrxCustomPreview {
public:
    virtual ~TfrxCustomPreview() = default;
    // Arms the 50 ms build timer: the build then runs inside the window's message loop and the
    // pages appear while they are made.
    virtual void BuildDeferred() = 0;
    // The prepared pages were made elsewhere (the old progress style builds before showing): lay
    // them out, fill the outline and go to page 1.
    virtual void PagesChanged() = 0;
};

// Makes a preview window for report, prepared and with its control attached as the report's
// Preview; the window is not shown yet. nullptr when no window can be made here.
using TfrxPreviewFormFactory = std::function<QDialog *(TfrxReport *report)>;
// Installs the factory ShowReport makes its windows with (the previous one is returned).
TfrxPreviewFormFactory frxSetPreviewFormFactory(TfrxPreviewFormFactory factory);
const TfrxPreviewFormFactory &frxPreviewFormFactory();

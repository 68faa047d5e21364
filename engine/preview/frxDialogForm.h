#pragma once
// Dialog pages as real modal windows: before a build, each visible dialog page of the report is
// shown as a window built from its controls. The controls' values go back into the page's objects
// before each script event and when the window closes, and what an event changes in them shows in
// the window. A button with ModalResult closes the window with that result; only mrOk (1) lets
// the build go on.

class TfrxDialogPage;
class TfrxReport;

// Makes dialog pages show before builds (the windowed program calls this at start-up; headless
// programs do not, and their builds take the stored values).
void frxRegisterDialogForms();
// Shows one dialog page modally; true when it closed with mrOk.
bool frxShowDialogPage(TfrxReport &report, TfrxDialogPage &page);

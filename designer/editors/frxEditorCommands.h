#pragma once
// How the editors reach the designer window: the Report menu's "Variables...", "Styles..." and
// "Options..." (actions VariablesCmd, ReportStylesCmd, ReportOptionsCmd), each reporting an OK
// to the window as one change. The editors of single objects (band, group header, barcode) are
// called from the window's EditObject; every editor also has its own entry function for the
// object inspector (frxFormatEditor.h, frxHighlightEditor.h, frxStyleEditor.h,
// frxVariablesEditor.h, frxBandEditor.h, frxReportOptionsEditor.h, frxBarcodeEditor.h).

class TfrxDesignerForm;

void frxInstallEditorCommands(TfrxDesignerForm *form);

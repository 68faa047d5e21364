#pragma once
// What a report page needs to know about paper: the size of a paper code and the current printer's
// default paper. The printer layer installs its own answer (the driver's papers and defaults); until
// it does, the answers are those of the placeholder printer: the platform's standard paper table
// and A4 portrait.

#include "report/core/frxTypes.h"

struct TfrxPaperDefaults {
    int PaperSize = 9;
    double PaperWidth = 210;
    double PaperHeight = 297;
    frx::TPrinterOrientation Orientation = frx::poPortrait;
};

class TfrxPaperInfo {
public:
    virtual ~TfrxPaperInfo() = default;
    // Width and height in millimetres (portrait) of a paper code; false for an unknown code.
    virtual bool PaperSize(int code, double &width, double &height) const;
    // The current printer's default paper code, size and orientation.
    virtual TfrxPaperDefaults DefaultPaper() const;
};

// The installed answer (the placeholder's until the printer layer installs one).
TfrxPaperInfo &frxPaperInfo();
// Installs info (not owned) and returns the previous one; nullptr restores the placeholder's.
TfrxPaperInfo *frxSetPaperInfo(TfrxPaperInfo *info);

// The platform's standard paper sizes, codes 1 to 47 and 50 to 68, in millimetres (portrait).
bool frxStandardPaperSize(int code, double &width, double &height);

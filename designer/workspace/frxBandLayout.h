#pragma once
// Band layout of a design page: horizontal bands stacked in the order a page prints them (title,
// headers first, footers and summary last), a caption strip and a gap between them, and every
// object handed to the band it lies on (or to the page when it lies on none).

class TfrxPage;

struct TfrxBandLayout {
    double CaptionHeight = 0;
    double Gap = 4;
    double GridY = 1;
    int GridType = 1; // the workspace's grid type: 0 pixel, 1 cm, 2 inch, 3 dialog, 4 character
    bool FreeBands = false;
};

#include <QString>

void frxArrangeBands(TfrxPage &page, const TfrxBandLayout &layout);

// The horizontal bands' names, places, heights and children as one text: equal texts mean that no
// band was added, removed, moved or sized in between.
QString frxBandSignature(const TfrxPage &page);
// When the only change since the signature previous is the height of bands, moves the bands below
// each such band by what it grew (or shrank), keeping the gaps the page had, and returns true;
// false when bands were added, removed or moved, which calls for the bands to be stacked anew.
bool frxFollowSizedBands(TfrxPage &page, const QString &previous);

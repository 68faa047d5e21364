#pragma once
// The formatting commands of the designer: one dispatcher for every control of the Text and Frame
// bars (and Fit to Grid), the formatting sample that new text objects copy, the Alignment
// Palette's commands and the check items of the page menu. Each command works on the designer's
// selection, skips what the objects' restrictions forbid and ends with one SetModified(true)
// when it changed anything.

#include "report/core/frxTypes.h"

#include <QObject>
#include <QVariant>

#include <memory>

class QMenu;
class TfrxComponent;
class TfrxCustomDesigner;
class TfrxCustomMemoView;
class TfrxMemoView;

namespace frxFormat {

// The number each control of the bars carries; Dispatch switches on it.
enum TTag {
    tgFontName = 0,
    tgFontSize = 1,
    tgBold = 2,
    tgItalic = 3,
    tgUnderline = 4,
    tgFontColor = 5,
    tgHighlight = 6,
    tgAlignLeft = 7,
    tgAlignCenter = 8,
    tgAlignRight = 9,
    tgAlignBlock = 10,
    tgAlignTop = 11,
    tgAlignMiddle = 12,
    tgAlignBottom = 13,
    tgFrameTop = 20,
    tgFrameBottom = 21,
    tgFrameLeft = 22,
    tgFrameRight = 23,
    tgFrameAll = 24,
    tgFrameNone = 25,
    tgFillColor = 26,
    tgFrameColor = 27,
    tgFrameStyle = 28,
    tgFrameWidth = 29,
    tgRotation = 30,
    tgFitToGrid = 31,
    tgShadow = 32,
    tgStyle = 33,
    tgFontDialog = 43
};

// The Alignment Palette's buttons, in their order on the bar.
enum TAlignCommand {
    acAlignLeft,
    acAlignMiddle,
    acAlignRight,
    acAlignTop,
    acAlignCenter,
    acAlignBottom,
    acSpaceHorizontally,
    acSpaceVertically,
    acCenterHorizontally,
    acCenterVertically,
    acSameWidth,
    acSameHeight
};

// The hint of each palette button.
QString AlignHint(TAlignCommand command);

// The caption of the style box's first entry.
QString NoStyleCaption();

// Typed values the bars accept. The font size is a whole number of points from 1 to 999; the
// frame width a number from 0.1 to 10 with "," or "." as the decimal separator. On failure the
// message says what is accepted.
bool ParseFontSize(const QString &text, int *size, QString *message);
bool ParseFrameWidth(const QString &text, double *width, QString *message);

} // namespace frxFormat

// The look the last formatted text object had: new text objects start with it.
class TSampleFormat {
public:
    TSampleFormat();
    ~TSampleFormat();
    // Copies colour, font, frame, alignments, right-to-left and parent-font flags from the memo.
    void TakeSample(const TfrxCustomMemoView *memo);
    // Gives a new memo the sample's font and colour (the font not to dot-matrix memos); its frame,
    // alignments and right-to-left flag only with withLayout (the copy-format tool is on).
    void ApplySample(TfrxCustomMemoView *memo, bool withLayout) const;
    // Grows a new memo, in whole grid steps, until one line of its font fits in its height and
    // caption fits across it (an empty caption: only the height).
    static void FitToFont(TfrxCustomMemoView *memo, const QString &caption, double gridX, double gridY);
    const TfrxMemoView *Memo() const { return m_memo.get(); }

private:
    std::unique_ptr<TfrxMemoView> m_memo;
};

class TfrxFormatCommands : public QObject {
    Q_OBJECT
public:
    explicit TfrxFormatCommands(TfrxCustomDesigner *designer, QObject *parent = nullptr);
    ~TfrxFormatCommands() override;

    // Applies a control's value to every selected object that may be modified, in selection
    // order; true when something changed (then SetModified(true) has been called once). Refused
    // typed values show a message and change nothing. Does nothing while the bars are refreshed.
    bool Dispatch(int tag, const QVariant &value = QVariant());
    // Set while the bars are filled from the selection, so their signals are not dispatched.
    void SetUpdating(bool value) { m_updating = value; }
    bool Updating() const { return m_updating; }

    // The snap steps Fit to Grid uses (design pixels).
    void SetGrid(double gridX, double gridY);

    // One Alignment Palette command; true when something changed.
    bool Align(frxFormat::TAlignCommand command);

    TSampleFormat &Sample() { return m_sample; }

    // The selection without the page and the report, in selection order.
    QList<TfrxComponent *> SelectedViews() const;

    // The page menu's items for the first selected object (after "Edit..." and "Add child band"):
    // adds them to menu and returns how many were added. Choosing one runs RunMenuCommand.
    int FillMenu(QMenu *menu);
    // Gives every selected object of the item's kind that may be modified the item's new check
    // state (the opposite of the mark it showed), or runs a plain item; true when something changed.
    bool RunMenuCommand(const QString &item, bool checked);

signals:
    // After tags that change what the bars show (all or no lines, the font dialog).
    void RefreshRequested();

private:
    bool ApplyTo(TfrxComponent *c, int tag, const QVariant &value, int fontSize, double frameWidth);
    bool FitToGrid(TfrxComponent *c);

    TfrxCustomDesigner *m_designer;
    TSampleFormat m_sample;
    double m_gridX = fr01cm;
    double m_gridY = fr01cm;
    bool m_updating = false;
};

#pragma once
// Objects of dot-matrix layouts. A dot-matrix page lays everything out on the printer's character
// grid (cells of 9.6 x 17 pixels): its bands snap to it (frxBands.cpp), and so do these objects'
// positions and sizes. They build and draw like the ordinary objects they derive from; their text
// takes the page's font unless a file gives them one of their own. FontStyle carries the printer's
// own type styles (bold, condensed, wide, pitches), which a graphic page shows as the font's bold,
// italic and underline.

#include "report/model/frxViews.h"

namespace frxdmp {
Q_NAMESPACE
enum TfrxDMPFontStyle {
    fsxBold = 1,
    fsxItalic = 2,
    fsxUnderline = 4,
    fsxSuperScript = 8,
    fsxSubScript = 16,
    fsxCondensed = 32,
    fsxWide = 64,
    fsx12cpi = 128,
    fsx15cpi = 256,
};
Q_DECLARE_FLAGS(TfrxDMPFontStyles, TfrxDMPFontStyle)
Q_FLAG_NS(TfrxDMPFontStyles)
} // namespace frxdmp
Q_DECLARE_OPERATORS_FOR_FLAGS(frxdmp::TfrxDMPFontStyles)

// A value put on the character grid: whole cells, halves to even.
double frxSnapToCharX(double value);
double frxSnapToCharY(double value);

class TfrxDMPMemoView : public TfrxCustomMemoView {
    Q_OBJECT
    Q_PROPERTY(frxdmp::TfrxDMPFontStyles FontStyle READ FontStyle WRITE SetFontStyle)
    Q_CLASSINFO("Default.FontStyle", "0")
public:
    explicit TfrxDMPMemoView(TComponent *owner = nullptr);
    QString BaseName() const override { return QStringLiteral("DMPMemo"); }

    frxdmp::TfrxDMPFontStyles FontStyle() const { return m_fontStyle; }
    void SetFontStyle(frxdmp::TfrxDMPFontStyles value) { m_fontStyle = value; }

    void SetLeft(double value) override { TfrxCustomMemoView::SetLeft(frxSnapToCharX(value)); }
    void SetTop(double value) override { TfrxCustomMemoView::SetTop(frxSnapToCharY(value)); }
    void SetWidth(double value) override { TfrxCustomMemoView::SetWidth(frxSnapToCharX(value)); }
    void SetHeight(double value) override { TfrxCustomMemoView::SetHeight(frxSnapToCharY(value)); }

    void Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
    frxdmp::TfrxDMPFontStyles m_fontStyle;
};

// System text of dot-matrix layouts.
class TfrxDMPSysMemoView : public TfrxDMPMemoView {
    Q_OBJECT
public:
    explicit TfrxDMPSysMemoView(TComponent *owner = nullptr) : TfrxDMPMemoView(owner) {}
    QString BaseName() const override { return QStringLiteral("DMPSysMemo"); }
};

class TfrxDMPLineView : public TfrxCustomLineView {
    Q_OBJECT
    Q_PROPERTY(frxdmp::TfrxDMPFontStyles FontStyle READ FontStyle WRITE SetFontStyle)
    Q_CLASSINFO("Default.FontStyle", "0")
public:
    explicit TfrxDMPLineView(TComponent *owner = nullptr) : TfrxCustomLineView(owner) {}
    QString BaseName() const override { return QStringLiteral("DMPLine"); }

    frxdmp::TfrxDMPFontStyles FontStyle() const { return m_fontStyle; }
    void SetFontStyle(frxdmp::TfrxDMPFontStyles value) { m_fontStyle = value; }

    void SetLeft(double value) override { TfrxCustomLineView::SetLeft(frxSnapToCharX(value)); }
    void SetTop(double value) override { TfrxCustomLineView::SetTop(frxSnapToCharY(value)); }
    void SetWidth(double value) override { TfrxCustomLineView::SetWidth(frxSnapToCharX(value)); }
    void SetHeight(double value) override { TfrxCustomLineView::SetHeight(frxSnapToCharY(value)); }

private:
    frxdmp::TfrxDMPFontStyles m_fontStyle;
};

// A printer command: the escape sequence Command is sent to a dot-matrix printer where the object
// stands. A graphic page has no use for it, so it draws nothing.
class TfrxDMPCommand : public TfrxView {
    Q_OBJECT
    Q_PROPERTY(QString Command READ Command WRITE SetCommand)
public:
    explicit TfrxDMPCommand(TComponent *owner = nullptr) : TfrxView(owner) {}
    QString BaseName() const override { return QStringLiteral("DMPCommand"); }

    QString Command() const { return m_command; }
    void SetCommand(const QString &value) { m_command = value; }

    void SetLeft(double value) override { TfrxView::SetLeft(frxSnapToCharX(value)); }
    void SetTop(double value) override { TfrxView::SetTop(frxSnapToCharY(value)); }

private:
    QString m_command;
};

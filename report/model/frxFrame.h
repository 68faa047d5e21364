#pragma once
// The nested objects of views: the frame and its four lines, the display format and the highlight.

#include "report/core/frxPersistent.h"

class TfrxFrame;

// One side of a frame. Each value is stored only where it differs from the frame's own, so a
// file holds a line's values only when that line was set apart from the rest.
class TfrxFrameLine : public TPersistent {
    Q_GADGET
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(frx::TfrxFrameStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Stored.Color", "IsColorStored")
    Q_CLASSINFO("Stored.Style", "IsStyleStored")
    Q_CLASSINFO("Stored.Width", "IsWidthStored")
public:
    explicit TfrxFrameLine(const TfrxFrame *frame) : m_frame(frame) {}
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    TColor Color() const { return m_color; }
    void SetColor(TColor value) { m_color = value; }
    frx::TfrxFrameStyle Style() const { return m_style; }
    void SetStyle(frx::TfrxFrameStyle value) { m_style = value; }
    double Width() const { return m_width; }
    void SetWidth(double value) { m_width = value; }
    void Assign(const TfrxFrameLine &source);

    Q_INVOKABLE bool IsColorStored() const;
    Q_INVOKABLE bool IsStyleStored() const;
    Q_INVOKABLE bool IsWidthStored() const;

private:
    const TfrxFrame *m_frame;
    double m_width = 1;
    TColor m_color = clBlack;
    frx::TfrxFrameStyle m_style = frx::fsSolid;
};

class TfrxFrame : public TPersistent {
    Q_GADGET
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool DropShadow READ DropShadow WRITE SetDropShadow)
    Q_PROPERTY(int ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(double ShadowWidth READ ShadowWidth WRITE SetShadowWidth)
    Q_PROPERTY(frx::TfrxFrameStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(frx::TfrxFrameTypes Typ READ Typ WRITE SetTyp)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_PROPERTY(TfrxFrameLine *LeftLine READ LeftLine WRITE SetLeftLine)
    Q_PROPERTY(TfrxFrameLine *TopLine READ TopLine WRITE SetTopLine)
    Q_PROPERTY(TfrxFrameLine *RightLine READ RightLine WRITE SetRightLine)
    Q_PROPERTY(TfrxFrameLine *BottomLine READ BottomLine WRITE SetBottomLine)
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Type.ShadowColor", "TColor")
    Q_CLASSINFO("Default.Color", "0")
    Q_CLASSINFO("Default.DropShadow", "False")
    Q_CLASSINFO("Default.ShadowColor", "0")
    Q_CLASSINFO("Default.Style", "fsSolid")
    Q_CLASSINFO("Default.Typ", "[]")
    Q_CLASSINFO("Stored.ShadowWidth", "IsShadowWidthStored")
    Q_CLASSINFO("Stored.Typ", "IsTypStored")
    Q_CLASSINFO("Stored.Width", "IsWidthStored")
public:
    TfrxFrame();
    TfrxFrame(const TfrxFrame &) = delete;
    TfrxFrame &operator=(const TfrxFrame &) = delete;
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    TColor Color() const { return m_color; }
    void SetColor(TColor value); // also on the four lines
    bool DropShadow() const { return m_dropShadow; }
    void SetDropShadow(bool value) { m_dropShadow = value; }
    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor value) { m_shadowColor = value; }
    double ShadowWidth() const { return m_shadowWidth; }
    void SetShadowWidth(double value) { m_shadowWidth = value; }
    frx::TfrxFrameStyle Style() const { return m_style; }
    void SetStyle(frx::TfrxFrameStyle value); // also on the four lines
    frx::TfrxFrameTypes Typ() const { return m_typ; }
    void SetTyp(frx::TfrxFrameTypes value) { m_typ = value; }
    double Width() const { return m_width; }
    void SetWidth(double value); // also on the four lines

    TfrxFrameLine *LeftLine() { return &m_leftLine; }
    TfrxFrameLine *TopLine() { return &m_topLine; }
    TfrxFrameLine *RightLine() { return &m_rightLine; }
    TfrxFrameLine *BottomLine() { return &m_bottomLine; }
    const TfrxFrameLine *LeftLine() const { return &m_leftLine; }
    const TfrxFrameLine *TopLine() const { return &m_topLine; }
    const TfrxFrameLine *RightLine() const { return &m_rightLine; }
    const TfrxFrameLine *BottomLine() const { return &m_bottomLine; }
    void SetLeftLine(TfrxFrameLine *value)
    {
        if (value)
            m_leftLine.Assign(*value);
    }
    void SetTopLine(TfrxFrameLine *value)
    {
        if (value)
            m_topLine.Assign(*value);
    }
    void SetRightLine(TfrxFrameLine *value)
    {
        if (value)
            m_rightLine.Assign(*value);
    }
    void SetBottomLine(TfrxFrameLine *value)
    {
        if (value)
            m_bottomLine.Assign(*value);
    }

    void Assign(const TfrxFrame &source);
    bool SameAs(const TfrxFrame &other) const;

    Q_INVOKABLE bool IsShadowWidthStored() const { return m_shadowWidth != 4; }
    Q_INVOKABLE bool IsTypStored() const { return m_typ != frx::TfrxFrameTypes(); }
    Q_INVOKABLE bool IsWidthStored() const { return m_width != 1; }

private:
    TfrxFrameLine m_leftLine;
    TfrxFrameLine m_topLine;
    TfrxFrameLine m_rightLine;
    TfrxFrameLine m_bottomLine;
    double m_shadowWidth = 4;
    double m_width = 1;
    TColor m_color = clBlack;
    TColor m_shadowColor = clBlack;
    frx::TfrxFrameTypes m_typ;
    frx::TfrxFrameStyle m_style = frx::fsSolid;
    bool m_dropShadow = false;
};

// How a text object formats its value (the formatting itself belongs to memo expansion).
class TfrxFormat : public TPersistent {
    Q_GADGET
    Q_PROPERTY(QString DecimalSeparator READ DecimalSeparator WRITE SetDecimalSeparator)
    Q_PROPERTY(QString ThousandSeparator READ ThousandSeparator WRITE SetThousandSeparator)
    Q_PROPERTY(QString FormatStr READ FormatStr WRITE SetFormatStr)
    Q_PROPERTY(frx::TfrxFormatKind Kind READ Kind WRITE SetKind)
    Q_CLASSINFO("Default.Kind", "fkText")
public:
    TfrxFormat() = default;
    TfrxFormat(const TfrxFormat &) = delete;
    TfrxFormat &operator=(const TfrxFormat &) = delete;
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    QString DecimalSeparator() const { return m_decimalSeparator; }
    void SetDecimalSeparator(const QString &value) { m_decimalSeparator = value; }
    QString ThousandSeparator() const { return m_thousandSeparator; }
    void SetThousandSeparator(const QString &value) { m_thousandSeparator = value; }
    QString FormatStr() const { return m_formatStr; }
    void SetFormatStr(const QString &value) { m_formatStr = value; }
    frx::TfrxFormatKind Kind() const { return m_kind; }
    void SetKind(frx::TfrxFormatKind value) { m_kind = value; }
    void Assign(const TfrxFormat &source);

private:
    QString m_decimalSeparator;
    QString m_thousandSeparator;
    QString m_formatStr;
    frx::TfrxFormatKind m_kind = frx::fkText;
};

// The conditional look of a text object: when Condition holds at print time, Font and Color
// replace the object's own.
class TfrxHighlight : public TPersistent {
    Q_GADGET
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(TFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(QString Condition READ Condition WRITE SetCondition)
    Q_CLASSINFO("Default.Active", "False")
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Default.Color", "536870911")
public:
    TfrxHighlight();
    TfrxHighlight(const TfrxHighlight &) = delete;
    TfrxHighlight &operator=(const TfrxHighlight &) = delete;
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    bool Active() const { return m_active; }
    void SetActive(bool value) { m_active = value; }
    TFont *Font() { return &m_font; }
    const TFont *Font() const { return &m_font; }
    void SetFont(TFont *value)
    {
        if (value)
            m_font.Assign(*value);
    }
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { m_color = value; }
    QString Condition() const { return m_condition; }
    void SetCondition(const QString &value) { m_condition = value; }
    void Assign(const TfrxHighlight &source);

private:
    TFont m_font;
    QString m_condition;
    TColor m_color = clNone;
    bool m_active = false;
};

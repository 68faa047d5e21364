#pragma once
// The visible objects of a page: text, picture, line and shape. Their published properties are the
// attributes of layout files, in file order.

#include "report/core/frxComponent.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/expr/frxFormat.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxFrame.h"
#include "report/model/frxPicture.h"

#include <QStringList>

class TfrxDrawText;

class TfrxView : public TfrxReportComponent {
    Q_OBJECT
    Q_PROPERTY(frx::TfrxAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(bool Printable READ Printable WRITE SetPrintable)
    Q_PROPERTY(frx::TfrxShiftMode ShiftMode READ ShiftMode WRITE SetShiftMode)
    Q_PROPERTY(double Left READ Left WRITE SetLeft)
    Q_PROPERTY(double Top READ Top WRITE SetTop)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_PROPERTY(double Height READ Height WRITE SetHeight)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(frx::TfrxRestrictions Restrictions READ Restrictions WRITE SetRestrictions)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QString OnAfterData READ OnAfterData WRITE SetOnAfterData)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_PROPERTY(QString OnPreviewClick READ OnPreviewClick WRITE SetOnPreviewClick)
    Q_PROPERTY(QString OnPreviewDblClick READ OnPreviewDblClick WRITE SetOnPreviewDblClick)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_CLASSINFO("Default.Align", "baNone")
    Q_CLASSINFO("Default.Printable", "True")
    Q_CLASSINFO("Default.ShiftMode", "smAlways")
    Q_CLASSINFO("Default.GroupIndex", "0")
    Q_CLASSINFO("Default.Restrictions", "[]")
    Q_CLASSINFO("Default.Visible", "True")
    Q_CLASSINFO("Type.OnAfterData", "TfrxNotifyEvent")
    Q_CLASSINFO("Type.OnAfterPrint", "TfrxNotifyEvent")
    Q_CLASSINFO("Type.OnBeforePrint", "TfrxNotifyEvent")
    Q_CLASSINFO("Type.OnPreviewClick", "TfrxPreviewClickEvent")
    Q_CLASSINFO("Type.OnPreviewDblClick", "TfrxPreviewClickEvent")
public:
    explicit TfrxView(TComponent *owner = nullptr);
    ~TfrxView() override;

    frx::TfrxAlign Align() const { return m_align; }
    void SetAlign(frx::TfrxAlign value) { m_align = value; }
    bool Printable() const { return m_printable; }
    void SetPrintable(bool value) { m_printable = value; }
    frx::TfrxShiftMode ShiftMode() const { return m_shiftMode; }
    void SetShiftMode(frx::TfrxShiftMode value) { m_shiftMode = value; }
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int value) { m_groupIndex = value; }
    QString OnAfterData() const { return m_onAfterData; }
    void SetOnAfterData(const QString &value) { m_onAfterData = value; }
    QString OnAfterPrint() const { return m_onAfterPrint; }
    void SetOnAfterPrint(const QString &value) { m_onAfterPrint = value; }
    QString OnBeforePrint() const { return m_onBeforePrint; }
    void SetOnBeforePrint(const QString &value) { m_onBeforePrint = value; }
    QString OnPreviewClick() const { return m_onPreviewClick; }
    void SetOnPreviewClick(const QString &value) { m_onPreviewClick = value; }
    QString OnPreviewDblClick() const { return m_onPreviewDblClick; }
    void SetOnPreviewDblClick(const QString &value) { m_onPreviewDblClick = value; }
    QString Hint() const { return m_hint; }
    void SetHint(const QString &value) { m_hint = value; }
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool value) { m_showHint = value; }

    // Declared here, published by the subclasses that have them.
    frx::TBrushStyle BrushStyle() const { return m_brushStyle; }
    void SetBrushStyle(frx::TBrushStyle value) { m_brushStyle = value; }
    TColor Color() const { return m_color; }
    virtual void SetColor(TColor value) { m_color = value; }
    int Cursor() const { return m_cursor; }
    void SetCursor(int value) { m_cursor = value; }
    QString DataField() const { return m_dataField; }
    void SetDataField(const QString &value) { m_dataField = value; }
    // DataSet and DataSetName are two views of one binding (see the .cpp).
    TfrxDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TfrxDataSet *value);
    QString DataSetName() const;
    void SetDataSetName(const QString &value);
    TfrxFrame *Frame() { return &m_frame; }
    const TfrxFrame *Frame() const { return &m_frame; }
    void SetFrame(TfrxFrame *value);
    QString TagStr() const { return m_tagStr; }
    void SetTagStr(const QString &value) { m_tagStr = value; }
    QString URL() const { return m_url; }
    void SetURL(const QString &value) { m_url = value; }

    // Bound to a dataset field: DataSet set and DataField not empty.
    bool IsDataField() const { return m_dataSet && !m_dataField.isEmpty(); }
    // The text a bound object shows and stores at design time: [FD."field"]; empty when unbound.
    QString DataFieldText() const;

    // Background and frame; the kinds of view add their content.
    void Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    // Where the last draw put the object on its device.
    const TfrxDrawState &DrawState() const { return m_drawState; }
    // The object's device rectangle under a transform, less the drop shadow.
    TfrxDrawState ComputeDrawState(double scaleX, double scaleY, double offsetX, double offsetY) const;

protected:
    void Notification(TComponent *component, TOperation operation) override;
    // The three drawing steps every view shares.
    void BeginDraw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY);
    void DrawBackground(TfrxCanvas &canvas);
    void DrawFrame(TfrxCanvas &canvas);

    TfrxDrawState m_drawState;

private:
    TfrxFrame m_frame;
    QString m_onAfterData;
    QString m_onAfterPrint;
    QString m_onBeforePrint;
    QString m_onPreviewClick;
    QString m_onPreviewDblClick;
    QString m_hint;
    QString m_dataField;
    QString m_dataSetName;
    QString m_tagStr;
    QString m_url;
    TfrxDataSet *m_dataSet = nullptr;
    int m_groupIndex = 0;
    int m_cursor = 0;
    TColor m_color = clNone;
    frx::TfrxAlign m_align = frx::baNone;
    frx::TfrxShiftMode m_shiftMode = frx::smAlways;
    frx::TBrushStyle m_brushStyle = frx::bsSolid;
    bool m_printable = true;
    bool m_showHint = false;
};

// A view that can grow with its content.
class TfrxStretcheable : public TfrxView {
    Q_OBJECT
    Q_PROPERTY(frx::TfrxStretchMode StretchMode READ StretchMode WRITE SetStretchMode)
    Q_CLASSINFO("Default.StretchMode", "smDontStretch")
public:
    explicit TfrxStretcheable(TComponent *owner = nullptr) : TfrxView(owner) {}
    frx::TfrxStretchMode StretchMode() const { return m_stretchMode; }
    void SetStretchMode(frx::TfrxStretchMode value) { m_stretchMode = value; }

    // The height (report pixels) the content needs at the current width.
    virtual double CalcHeight() { return Height(); }

private:
    frx::TfrxStretchMode m_stretchMode = frx::smDontStretch;
};

// Insets of the text box inside a text object: gaps, frame lines and shadow.
struct TfrxTextInsets {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
    double Horizontal() const { return Left + Right; }
    double Vertical() const { return Top + Bottom; }
};

class TfrxCustomMemoView : public TfrxStretcheable {
    Q_OBJECT
    Q_PROPERTY(bool FirstParaBreak READ FirstParaBreak WRITE SetFirstParaBreak)
    Q_PROPERTY(bool LastParaBreak READ LastParaBreak WRITE SetLastParaBreak)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_PROPERTY(bool AutoWidth READ AutoWidth WRITE SetAutoWidth)
    Q_PROPERTY(bool AllowExpressions READ AllowExpressions WRITE SetAllowExpressions)
    Q_PROPERTY(bool AllowHTMLTags READ AllowHTMLTags WRITE SetAllowHTMLTags)
    Q_PROPERTY(frx::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle)
    Q_PROPERTY(double CharSpacing READ CharSpacing WRITE SetCharSpacing)
    Q_PROPERTY(bool Clipped READ Clipped WRITE SetClipped)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TfrxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TfrxFormat *DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
    Q_PROPERTY(QString ExpressionDelimiters READ ExpressionDelimiters WRITE SetExpressionDelimiters)
    Q_PROPERTY(TfrxCustomMemoView *FlowTo READ FlowTo WRITE SetFlowTo)
    Q_PROPERTY(TFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(TfrxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(double GapX READ GapX WRITE SetGapX)
    Q_PROPERTY(double GapY READ GapY WRITE SetGapY)
    Q_PROPERTY(frx::TfrxHAlign HAlign READ HAlign WRITE SetHAlign)
    Q_PROPERTY(bool HideZeros READ HideZeros WRITE SetHideZeros)
    Q_PROPERTY(TfrxHighlight *Highlight READ Highlight WRITE SetHighlight)
    Q_PROPERTY(double LineSpacing READ LineSpacing WRITE SetLineSpacing)
    Q_PROPERTY(QStringList Memo READ Memo WRITE SetMemo STORED false)
    Q_PROPERTY(double ParagraphGap READ ParagraphGap WRITE SetParagraphGap)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(int Rotation READ Rotation WRITE SetRotation)
    Q_PROPERTY(bool RTLReading READ RTLReading WRITE SetRTLReading)
    Q_PROPERTY(QString Style READ Style WRITE SetStyle)
    Q_PROPERTY(bool SuppressRepeated READ SuppressRepeated WRITE SetSuppressRepeated)
    Q_PROPERTY(bool Underlines READ Underlines WRITE SetUnderlines)
    Q_PROPERTY(bool UseDefaultCharset READ UseDefaultCharset WRITE SetUseDefaultCharset)
    Q_PROPERTY(bool WordBreak READ WordBreak WRITE SetWordBreak)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Wysiwyg READ Wysiwyg WRITE SetWysiwyg)
    Q_PROPERTY(frx::TfrxVAlign VAlign READ VAlign WRITE SetVAlign)
    Q_CLASSINFO("Default.FirstParaBreak", "False")
    Q_CLASSINFO("Default.LastParaBreak", "False")
    Q_CLASSINFO("Type.Cursor", "TCursor")
    Q_CLASSINFO("Default.Cursor", "0")
    Q_CLASSINFO("Default.AutoWidth", "False")
    Q_CLASSINFO("Default.AllowExpressions", "True")
    Q_CLASSINFO("Default.AllowHTMLTags", "False")
    Q_CLASSINFO("Default.BrushStyle", "bsSolid")
    Q_CLASSINFO("Stored.CharSpacing", "IsCharSpacingStored")
    Q_CLASSINFO("Default.Clipped", "True")
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Default.Color", "536870911")
    Q_CLASSINFO("Stored.ExpressionDelimiters", "IsExprDelimitersStored")
    Q_CLASSINFO("Stored.Font", "IsFontStored")
    Q_CLASSINFO("Stored.GapX", "IsGapXStored")
    Q_CLASSINFO("Stored.GapY", "IsGapYStored")
    Q_CLASSINFO("Default.HAlign", "haLeft")
    Q_CLASSINFO("Default.HideZeros", "False")
    Q_CLASSINFO("Stored.Highlight", "IsHighlightStored")
    Q_CLASSINFO("Stored.LineSpacing", "IsLineSpacingStored")
    Q_CLASSINFO("Type.Memo", "TWideStrings")
    Q_CLASSINFO("Stored.ParagraphGap", "IsParagraphGapStored")
    Q_CLASSINFO("Default.ParentFont", "True")
    Q_CLASSINFO("Default.Rotation", "0")
    Q_CLASSINFO("Default.RTLReading", "False")
    Q_CLASSINFO("Default.SuppressRepeated", "False")
    Q_CLASSINFO("Default.Underlines", "False")
    Q_CLASSINFO("Default.UseDefaultCharset", "False")
    Q_CLASSINFO("Default.WordBreak", "False")
    Q_CLASSINFO("Default.WordWrap", "True")
    Q_CLASSINFO("Default.Wysiwyg", "True")
    Q_CLASSINFO("Default.VAlign", "vaTop")
public:
    explicit TfrxCustomMemoView(TComponent *owner = nullptr);
    ~TfrxCustomMemoView() override;

    bool FirstParaBreak() const { return m_firstParaBreak; }
    void SetFirstParaBreak(bool value) { m_firstParaBreak = value; }
    bool LastParaBreak() const { return m_lastParaBreak; }
    void SetLastParaBreak(bool value) { m_lastParaBreak = value; }
    bool AutoWidth() const { return m_autoWidth; }
    void SetAutoWidth(bool value) { m_autoWidth = value; }
    bool AllowExpressions() const { return m_allowExpressions; }
    void SetAllowExpressions(bool value) { m_allowExpressions = value; }
    bool AllowHTMLTags() const { return m_allowHTMLTags; }
    void SetAllowHTMLTags(bool value) { m_allowHTMLTags = value; }
    double CharSpacing() const { return m_charSpacing; }
    void SetCharSpacing(double value) { m_charSpacing = value; }
    bool Clipped() const { return m_clipped; }
    void SetClipped(bool value) { m_clipped = value; }
    TfrxFormat *DisplayFormat() { return &m_displayFormat; }
    const TfrxFormat *DisplayFormat() const { return &m_displayFormat; }
    void SetDisplayFormat(TfrxFormat *value)
    {
        if (value)
            m_displayFormat.Assign(*value);
    }
    QString ExpressionDelimiters() const { return m_expressionDelimiters; }
    void SetExpressionDelimiters(const QString &value) { m_expressionDelimiters = value; }
    TfrxCustomMemoView *FlowTo() const { return m_flowTo; }
    void SetFlowTo(TfrxCustomMemoView *value);
    double GapX() const { return m_gapX; }
    void SetGapX(double value) { m_gapX = value; }
    double GapY() const { return m_gapY; }
    void SetGapY(double value) { m_gapY = value; }
    frx::TfrxHAlign HAlign() const { return m_hAlign; }
    void SetHAlign(frx::TfrxHAlign value) { m_hAlign = value; }
    bool HideZeros() const { return m_hideZeros; }
    void SetHideZeros(bool value) { m_hideZeros = value; }
    TfrxHighlight *Highlight() { return &m_highlight; }
    const TfrxHighlight *Highlight() const { return &m_highlight; }
    void SetHighlight(TfrxHighlight *value)
    {
        if (value)
            m_highlight.Assign(*value);
    }
    double LineSpacing() const { return m_lineSpacing; }
    void SetLineSpacing(double value) { m_lineSpacing = value; }
    // The text as lines.
    QStringList Memo() const { return m_memo; }
    void SetMemo(const QStringList &value) { m_memo = value; }
    // The text as one string: every line followed by CR LF.
    QString Text() const;
    // Splits at CR LF, a lone CR, a lone LF and U+2028; a final break adds no empty line.
    void SetText(const QString &value);
    double ParagraphGap() const { return m_paragraphGap; }
    void SetParagraphGap(double value) { m_paragraphGap = value; }
    int Rotation() const { return m_rotation; }
    // Kept as the remainder of division by 360 with the sign of the value.
    void SetRotation(int value) { m_rotation = value % 360; }
    bool RTLReading() const { return m_rtlReading; }
    void SetRTLReading(bool value) { m_rtlReading = value; }
    QString Style() const { return m_style; }
    // Takes Color, Font and Frame of the report's style of that name, when there is one.
    void SetStyle(const QString &value);
    bool SuppressRepeated() const { return m_suppressRepeated; }
    void SetSuppressRepeated(bool value) { m_suppressRepeated = value; }
    bool Underlines() const { return m_underlines; }
    void SetUnderlines(bool value) { m_underlines = value; }
    bool UseDefaultCharset() const { return m_useDefaultCharset; }
    void SetUseDefaultCharset(bool value) { m_useDefaultCharset = value; }
    bool WordBreak() const { return m_wordBreak; }
    void SetWordBreak(bool value) { m_wordBreak = value; }
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value) { m_wordWrap = value; }
    bool Wysiwyg() const { return m_wysiwyg; }
    void SetWysiwyg(bool value) { m_wysiwyg = value; }
    frx::TfrxVAlign VAlign() const { return m_vAlign; }
    void SetVAlign(frx::TfrxVAlign value) { m_vAlign = value; }

    // What the text box loses to gaps, frame lines and shadow; the sizes CalcWidth and CalcHeight
    // add to the measured text.
    TfrxTextInsets TextInsets() const;

    // ---- drawing ----
    void Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    // Height and width (report pixels) the text needs, gaps and frame included; the height at the
    // current width, the width of the longest line.
    double CalcHeight() override;
    double CalcWidth();
    // What the page drawing hands over: the prepared report's page count, the number of the copy
    // being printed and the print scale (used only while printing).
    void SetDrawValues(int totalPages, int copyNo, double printScale);
    // The lines as drawn: outside the designer the page total and copy name filled in, in the
    // designer the field reference of a bound object.
    QStringList DrawnText() const;
    // The text box on the device for a drawing state (gaps and frame lines taken off).
    TfrxDrawRect TextRect(const TfrxDrawState &state) const;
    // The text engine this object uses: its report's, or a shared one without a report.
    TfrxDrawText *DrawTextEngine() const;
    // Splits a text the way SetText does.
    static QStringList SplitText(const QString &value);
    // The text cut after the lines that fit a box of this object's width and the given height:
    // kept (the lines that fit) and rest (the others). False when all of it fits.
    bool SplitAtHeight(double height, QString &kept, QString &rest);

    // ---- expansion (frxExpand.cpp) ----
    // The data step: TagStr and URL, the bound field or the bracketed expressions, HideZeros, the
    // script's Value, the highlight, SuppressRepeated and FlowTo.
    void ComputeData() override;
    // The value of the last evaluated expression or of the bound field.
    Variant Value() const { return m_value; }
    void SetValue(const Variant &value) { m_value = value; }
    // The text printed last (for SuppressRepeated); Null at first.
    Variant LastValue() const { return m_lastValue; }
    void SetLastValue(const Variant &value) { m_lastValue = value; }
    // A value as this object prints it, with format or else DisplayFormat.
    QString FormatValue(const Variant &value, const TfrxFormat *format = nullptr) const;
    // One bracketed expression (without its delimiters, with an optional " #" format suffix) as
    // the text that replaces it.
    QString EvaluateAndFormat(const QString &expression);
    // The character-set conversion of this object's font; none with UseDefaultCharset.
    TfrxCharsetConversion CharsetConversion() const;
    // The text as exports take it: the first "[TOTALPAGES]" replaced by the page total given
    // with the draw values.
    QString GetComponentText() const override;

    Q_INVOKABLE bool IsCharSpacingStored() const { return m_charSpacing != 0; }
    Q_INVOKABLE bool IsExprDelimitersStored() const { return m_expressionDelimiters != QLatin1String("[,]"); }
    Q_INVOKABLE bool IsGapXStored() const { return m_gapX != 2; }
    Q_INVOKABLE bool IsGapYStored() const { return m_gapY != 1; }
    Q_INVOKABLE bool IsHighlightStored() const { return !m_highlight.Condition().trimmed().isEmpty(); }
    Q_INVOKABLE bool IsLineSpacingStored() const { return m_lineSpacing != 2; }
    Q_INVOKABLE bool IsParagraphGapStored() const { return m_paragraphGap != 0; }

protected:
    void Notification(TComponent *component, TOperation operation) override;
    void AssignOwnData(const TfrxComponent *source) override;
    // Font, options and spacing of this object into the engine (the engine's lock held).
    void PrepareEngine(TfrxDrawText *engine) const;
    void DrawUnderlines(TfrxCanvas &canvas, TfrxDrawText *engine);
    // FlowTo: keeps the lines that fit the object's height and hands the rest on.
    void FlowOver();

private:
    TfrxFormat m_displayFormat;
    TfrxHighlight m_highlight;
    Variant m_value;
    Variant m_lastValue = Variant::Null();
    QStringList m_memo;
    QString m_expressionDelimiters;
    QString m_style;
    TfrxCustomMemoView *m_flowTo = nullptr;
    double m_charSpacing = 0;
    double m_gapX = 2;
    double m_gapY = 1;
    double m_lineSpacing = 2;
    double m_paragraphGap = 0;
    double m_printScale = 1;
    int m_totalPages = 0;
    int m_copyNo = 0;
    int m_rotation = 0;
    frx::TfrxHAlign m_hAlign = frx::haLeft;
    frx::TfrxVAlign m_vAlign = frx::vaTop;
    bool m_firstParaBreak : 1 = false;
    bool m_lastParaBreak : 1 = false;
    bool m_autoWidth : 1 = false;
    bool m_allowExpressions : 1 = true;
    bool m_allowHTMLTags : 1 = false;
    bool m_clipped : 1 = true;
    bool m_hideZeros : 1 = false;
    bool m_rtlReading : 1 = false;
    bool m_suppressRepeated : 1 = false;
    bool m_underlines : 1 = false;
    bool m_useDefaultCharset : 1 = false;
    bool m_wordBreak : 1 = false;
    bool m_wordWrap : 1 = true;
    bool m_wysiwyg : 1 = true;
};

class TfrxMemoView : public TfrxCustomMemoView {
    Q_OBJECT
public:
    explicit TfrxMemoView(TComponent *owner = nullptr) : TfrxCustomMemoView(owner) {}
};

// System text (aggregates, page numbers); not used by waybill layouts.
class TfrxSysMemoView : public TfrxCustomMemoView {
    Q_OBJECT
public:
    explicit TfrxSysMemoView(TComponent *owner = nullptr) : TfrxCustomMemoView(owner) {}
};

class TfrxCustomLineView : public TfrxStretcheable {
    Q_OBJECT
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(bool ArrowEnd READ ArrowEnd WRITE SetArrowEnd)
    Q_PROPERTY(int ArrowLength READ ArrowLength WRITE SetArrowLength)
    Q_PROPERTY(bool ArrowSolid READ ArrowSolid WRITE SetArrowSolid)
    Q_PROPERTY(bool ArrowStart READ ArrowStart WRITE SetArrowStart)
    Q_PROPERTY(int ArrowWidth READ ArrowWidth WRITE SetArrowWidth)
    Q_PROPERTY(TfrxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(bool Diagonal READ Diagonal WRITE SetDiagonal)
    Q_CLASSINFO("Default.ArrowEnd", "False")
    Q_CLASSINFO("Default.ArrowLength", "20")
    Q_CLASSINFO("Default.ArrowSolid", "False")
    Q_CLASSINFO("Default.ArrowStart", "False")
    Q_CLASSINFO("Default.ArrowWidth", "5")
    Q_CLASSINFO("Default.Diagonal", "False")
public:
    explicit TfrxCustomLineView(TComponent *owner = nullptr) : TfrxStretcheable(owner) {}

    bool ArrowEnd() const { return m_arrowEnd; }
    void SetArrowEnd(bool value) { m_arrowEnd = value; }
    int ArrowLength() const { return m_arrowLength; }
    void SetArrowLength(int value) { m_arrowLength = value; }
    bool ArrowSolid() const { return m_arrowSolid; }
    void SetArrowSolid(bool value) { m_arrowSolid = value; }
    bool ArrowStart() const { return m_arrowStart; }
    void SetArrowStart(bool value) { m_arrowStart = value; }
    int ArrowWidth() const { return m_arrowWidth; }
    void SetArrowWidth(int value) { m_arrowWidth = value; }
    bool Diagonal() const { return m_diagonal; }
    void SetDiagonal(bool value) { m_diagonal = value; }

    // Creation codes: 0 plain, 1 diagonal, 2 diagonal with end arrow, 3 with start arrow, 4 both.
    void DesignCreate(int flags) override;

    void Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
    int m_arrowLength = 20;
    int m_arrowWidth = 5;
    bool m_arrowEnd = false;
    bool m_arrowSolid = false;
    bool m_arrowStart = false;
    bool m_diagonal = false;
};

class TfrxLineView : public TfrxCustomLineView {
    Q_OBJECT
public:
    explicit TfrxLineView(TComponent *owner = nullptr) : TfrxCustomLineView(owner) {}
};

class TfrxPictureView : public TfrxView {
    Q_OBJECT
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TfrxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(TfrxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(QString FileLink READ FileLink WRITE SetFileLink)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex STORED false)
    Q_PROPERTY(bool KeepAspectRatio READ KeepAspectRatio WRITE SetKeepAspectRatio)
    Q_PROPERTY(TPicture Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_PROPERTY(bool HightQuality READ HightQuality WRITE SetHightQuality)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(int TransparentColor READ TransparentColor WRITE SetTransparentColor)
    Q_CLASSINFO("Type.Cursor", "TCursor")
    Q_CLASSINFO("Default.Cursor", "0")
    Q_CLASSINFO("Default.AutoSize", "False")
    Q_CLASSINFO("Default.Center", "False")
    Q_CLASSINFO("Default.KeepAspectRatio", "True")
    Q_CLASSINFO("Default.Stretched", "True")
    Q_CLASSINFO("Type.TransparentColor", "TColor")
public:
    explicit TfrxPictureView(TComponent *owner = nullptr);

    bool AutoSize() const { return m_autoSize; }
    // True with a picture loaded takes the picture's pixel size.
    void SetAutoSize(bool value);
    bool Center() const { return m_center; }
    void SetCenter(bool value) { m_center = value; }
    QString FileLink() const { return m_fileLink; }
    void SetFileLink(const QString &value) { m_fileLink = value; }
    // Index into the prepared pages' picture cache; written only by the prepared pages.
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int value) { m_imageIndex = value; }
    bool KeepAspectRatio() const { return m_keepAspectRatio; }
    void SetKeepAspectRatio(bool value) { m_keepAspectRatio = value; }
    TPicture Picture() const { return m_picture; }
    const TPicture &PictureRef() const { return m_picture; }
    void SetPicture(const TPicture &value);
    bool Stretched() const { return m_stretched; }
    void SetStretched(bool value) { m_stretched = value; }
    bool HightQuality() const { return m_hightQuality; }
    void SetHightQuality(bool value) { m_hightQuality = value; }
    bool Transparent() const { return m_transparent; }
    // True makes the fill colour clNone, False white.
    void SetTransparent(bool value);
    TColor TransparentColor() const { return m_transparentColor; }
    void SetTransparentColor(TColor value) { m_transparentColor = value; }

    // Set whenever a new picture arrives; the prepared pages clear it once they stored it.
    bool IsPictureChanged() const { return m_pictureChanged; }
    void SetPictureChanged(bool value) { m_pictureChanged = value; }

    void Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
    // The data step: TagStr and URL expanded; with a FileLink the picture is loaded from that file
    // (frxPictureLink.cpp).
    void ComputeData() override;

protected:
    void PictureChanged();
    // The picture stretched into rect (device pixels).
    void DrawGraphic(TfrxCanvas &canvas, const TfrxDrawRect &rect);

private:
    TPicture m_picture;
    // The picture with TransparentColor taken out, made on first transparent draw.
    QImage m_transparentImage;
    qint64 m_transparentKey = 0;
    TColor m_transparentKeyColor = clNone;
    QString m_fileLink;
    int m_imageIndex = 0;
    TColor m_transparentColor = clWhite;
    bool m_autoSize = false;
    bool m_center = false;
    bool m_keepAspectRatio = true;
    bool m_stretched = true;
    bool m_hightQuality = false;
    bool m_transparent = false;
    bool m_pictureChanged = false;
};

class TfrxShapeView : public TfrxView {
    Q_OBJECT
    Q_PROPERTY(frx::TBrushStyle BrushStyle READ BrushStyle WRITE SetBrushStyle)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(int Curve READ Curve WRITE SetCurve)
    Q_PROPERTY(TfrxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(frx::TfrxShapeKind Shape READ Shape WRITE SetShape)
    Q_PROPERTY(QString TagStr READ TagStr WRITE SetTagStr)
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
    Q_CLASSINFO("Default.BrushStyle", "bsSolid")
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Default.Color", "536870911")
    Q_CLASSINFO("Type.Cursor", "TCursor")
    Q_CLASSINFO("Default.Cursor", "0")
    Q_CLASSINFO("Default.Curve", "0")
    Q_CLASSINFO("Default.Shape", "skRectangle")
public:
    explicit TfrxShapeView(TComponent *owner = nullptr) : TfrxView(owner) {}

    int Curve() const { return m_curve; }
    void SetCurve(int value) { m_curve = value; }
    frx::TfrxShapeKind Shape() const { return m_shape; }
    void SetShape(frx::TfrxShapeKind value) { m_shape = value; }

    // The creation code is the shape kind.
    void DesignCreate(int flags) override;

    void Draw(TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
    int m_curve = 0;
    frx::TfrxShapeKind m_shape = frx::skRectangle;
};

#pragma once
// Pages of a report: printable pages with their paper geometry, the data page that holds the
// non-visual components, and the page kinds that are only named.

#include "report/core/frxComponent.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxFrame.h"
#include "report/model/frxPaper.h"
#include "report/model/frxViews.h"
#include "report/objects/frxDialogTypes.h"

#include <QStringList>

class TfrxBand;

class TfrxPage : public TfrxComponent {
    Q_OBJECT
    Q_PROPERTY(TFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_CLASSINFO("Stored.Font", "IsFontStored")
    Q_CLASSINFO("Default.Visible", "True")
public:
    explicit TfrxPage(TComponent *owner = nullptr) : TfrxComponent(owner) {}
};

class TfrxReportPage : public TfrxPage {
    Q_OBJECT
    Q_PROPERTY(frx::TPrinterOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(double PaperWidth READ PaperWidth WRITE SetPaperWidth)
    Q_PROPERTY(double PaperHeight READ PaperHeight WRITE SetPaperHeight)
    Q_PROPERTY(int PaperSize READ PaperSize WRITE SetPaperSize)
    Q_PROPERTY(double LeftMargin READ LeftMargin WRITE SetLeftMargin)
    Q_PROPERTY(double RightMargin READ RightMargin WRITE SetRightMargin)
    Q_PROPERTY(double TopMargin READ TopMargin WRITE SetTopMargin)
    Q_PROPERTY(double BottomMargin READ BottomMargin WRITE SetBottomMargin)
    Q_PROPERTY(bool MirrorMargins READ MirrorMargins WRITE SetMirrorMargins)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(double ColumnWidth READ ColumnWidth WRITE SetColumnWidth)
    Q_PROPERTY(QStringList ColumnPositions READ ColumnPositions WRITE SetColumnPositions)
    Q_PROPERTY(int Bin READ Bin WRITE SetBin)
    Q_PROPERTY(int BinOtherPages READ BinOtherPages WRITE SetBinOtherPages)
    Q_PROPERTY(TPicture BackPicture READ BackPicture WRITE SetBackPicture)
    Q_PROPERTY(bool BackPictureVisible READ BackPictureVisible WRITE SetBackPictureVisible)
    Q_PROPERTY(bool BackPicturePrintable READ BackPicturePrintable WRITE SetBackPicturePrintable)
    Q_PROPERTY(int PageCount READ PageCount WRITE SetPageCount)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(TfrxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(frx::TfrxDuplexMode Duplex READ Duplex WRITE SetDuplex)
    Q_PROPERTY(TfrxFrame *Frame READ Frame WRITE SetFrame)
    Q_PROPERTY(bool EndlessHeight READ EndlessHeight WRITE SetEndlessHeight)
    Q_PROPERTY(bool EndlessWidth READ EndlessWidth WRITE SetEndlessWidth)
    Q_PROPERTY(bool LargeDesignHeight READ LargeDesignHeight WRITE SetLargeDesignHeight)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(bool PrintOnPreviousPage READ PrintOnPreviousPage WRITE SetPrintOnPreviousPage)
    Q_PROPERTY(bool ResetPageNumbers READ ResetPageNumbers WRITE SetResetPageNumbers)
    Q_PROPERTY(bool TitleBeforeHeader READ TitleBeforeHeader WRITE SetTitleBeforeHeader)
    Q_PROPERTY(QStringList HGuides READ HGuides WRITE SetHGuides)
    Q_PROPERTY(QStringList VGuides READ VGuides WRITE SetVGuides)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_PROPERTY(QString OnManualBuild READ OnManualBuild WRITE SetOnManualBuild)
    Q_CLASSINFO("Default.Orientation", "poPortrait")
    Q_CLASSINFO("Default.MirrorMargins", "False")
    Q_CLASSINFO("Default.Columns", "0")
    Q_CLASSINFO("Default.Bin", "7")
    Q_CLASSINFO("Default.BinOtherPages", "7")
    Q_CLASSINFO("Default.BackPictureVisible", "True")
    Q_CLASSINFO("Default.BackPicturePrintable", "True")
    Q_CLASSINFO("Default.PageCount", "1")
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Default.Color", "536870911")
    Q_CLASSINFO("Default.Duplex", "dmNone")
    Q_CLASSINFO("Default.EndlessHeight", "False")
    Q_CLASSINFO("Default.EndlessWidth", "False")
    Q_CLASSINFO("Default.LargeDesignHeight", "False")
    Q_CLASSINFO("Default.PrintIfEmpty", "True")
    Q_CLASSINFO("Default.PrintOnPreviousPage", "False")
    Q_CLASSINFO("Default.ResetPageNumbers", "False")
    Q_CLASSINFO("Default.TitleBeforeHeader", "True")
    Q_CLASSINFO("Type.OnAfterPrint", "TfrxNotifyEvent")
    Q_CLASSINFO("Type.OnBeforePrint", "TfrxNotifyEvent")
    Q_CLASSINFO("Type.OnManualBuild", "TfrxNotifyEvent")
public:
    explicit TfrxReportPage(TComponent *owner = nullptr);
    ~TfrxReportPage() override;

    QString BaseName() const override { return QStringLiteral("Page"); }

    // ---- paper (millimetres) ----
    frx::TPrinterOrientation Orientation() const { return m_orientation; }
    // A change swaps the paper sides and turns the margins with the sheet.
    void SetOrientation(frx::TPrinterOrientation value);
    double PaperWidth() const { return m_paperWidth; }
    // Kept to 8 decimals; makes the paper custom (256). A value that is not a number raises
    // EPropertyError.
    void SetPaperWidth(double value);
    double PaperHeight() const { return m_paperHeight; }
    void SetPaperHeight(double value);
    int PaperSize() const { return m_paperSize; }
    // A code the paper table knows brings its size (sides swapped in landscape).
    void SetPaperSize(int value);
    // Code, width and height in one step.
    void SetPaper(int code, double width, double height);
    double LeftMargin() const { return m_leftMargin; }
    void SetLeftMargin(double value) { m_leftMargin = value; }
    double RightMargin() const { return m_rightMargin; }
    void SetRightMargin(double value) { m_rightMargin = value; }
    double TopMargin() const { return m_topMargin; }
    void SetTopMargin(double value) { m_topMargin = value; }
    double BottomMargin() const { return m_bottomMargin; }
    void SetBottomMargin(double value) { m_bottomMargin = value; }
    // Width and Height := the sheet in pixels (Round(mm x 3.77953), halves to even).
    void UpdateDimensions();
    // Margins 10 mm; paper and orientation from the current printer's defaults.
    void SetDefaults();

    bool MirrorMargins() const { return m_mirrorMargins; }
    void SetMirrorMargins(bool value) { m_mirrorMargins = value; }
    int Columns() const { return m_columns; }
    void SetColumns(int value) { m_columns = value; }
    double ColumnWidth() const { return m_columnWidth; }
    void SetColumnWidth(double value) { m_columnWidth = value; }
    QStringList ColumnPositions() const { return m_columnPositions; }
    void SetColumnPositions(const QStringList &value) { m_columnPositions = value; }
    int Bin() const { return m_bin; }
    void SetBin(int value) { m_bin = value; }
    int BinOtherPages() const { return m_binOtherPages; }
    void SetBinOtherPages(int value) { m_binOtherPages = value; }
    TPicture BackPicture() const { return m_backPicture->Picture(); }
    void SetBackPicture(const TPicture &value) { m_backPicture->SetPicture(value); }
    // The hidden picture object that draws the background.
    TfrxPictureView *BackPictureView() const { return m_backPicture; }
    bool BackPictureVisible() const { return m_backPictureVisible; }
    void SetBackPictureVisible(bool value) { m_backPictureVisible = value; }
    bool BackPicturePrintable() const { return m_backPicturePrintable; }
    void SetBackPicturePrintable(bool value) { m_backPicturePrintable = value; }
    int PageCount() const { return m_pageCount; }
    // Values below 1 are ignored.
    void SetPageCount(int value);
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { m_color = value; }
    TfrxDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TfrxDataSet *value);
    QString DataSetName() const;
    void SetDataSetName(const QString &value);
    frx::TfrxDuplexMode Duplex() const { return m_duplex; }
    void SetDuplex(frx::TfrxDuplexMode value) { m_duplex = value; }
    TfrxFrame *Frame() { return &m_frame; }
    const TfrxFrame *Frame() const { return &m_frame; }
    void SetFrame(TfrxFrame *value)
    {
        if (value)
            m_frame.Assign(*value);
    }
    bool EndlessHeight() const { return m_endlessHeight; }
    void SetEndlessHeight(bool value) { m_endlessHeight = value; }
    bool EndlessWidth() const { return m_endlessWidth; }
    void SetEndlessWidth(bool value) { m_endlessWidth = value; }
    bool LargeDesignHeight() const { return m_largeDesignHeight; }
    void SetLargeDesignHeight(bool value) { m_largeDesignHeight = value; }
    QString OutlineText() const { return m_outlineText; }
    void SetOutlineText(const QString &value) { m_outlineText = value; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool value) { m_printIfEmpty = value; }
    bool PrintOnPreviousPage() const { return m_printOnPreviousPage; }
    void SetPrintOnPreviousPage(bool value) { m_printOnPreviousPage = value; }
    bool ResetPageNumbers() const { return m_resetPageNumbers; }
    void SetResetPageNumbers(bool value) { m_resetPageNumbers = value; }
    bool TitleBeforeHeader() const { return m_titleBeforeHeader; }
    void SetTitleBeforeHeader(bool value) { m_titleBeforeHeader = value; }
    QStringList HGuides() const { return m_hGuides; }
    void SetHGuides(const QStringList &value) { m_hGuides = value; }
    QStringList VGuides() const { return m_vGuides; }
    void SetVGuides(const QStringList &value) { m_vGuides = value; }
    QString OnAfterPrint() const { return m_onAfterPrint; }
    void SetOnAfterPrint(const QString &value) { m_onAfterPrint = value; }
    QString OnBeforePrint() const { return m_onBeforePrint; }
    void SetOnBeforePrint(const QString &value) { m_onBeforePrint = value; }
    QString OnManualBuild() const { return m_onManualBuild; }
    void SetOnManualBuild(const QString &value) { m_onManualBuild = value; }

    // The printable area in pixels: the sheet less the margins.
    double PrintableWidth() const { return (m_paperWidth - m_leftMargin - m_rightMargin) * fr01cm; }
    double PrintableHeight() const { return (m_paperHeight - m_topMargin - m_bottomMargin) * fr01cm; }

    // Sizes the page to its printable area, aligns the views, fits every band to the page (or
    // column) width and aligns the bands' views; then restores the full-sheet size.
    void AlignChildren() override;
    // The first child band of that class (or a descendant of it).
    TfrxBand *FindBand(const QMetaObject *bandClass) const;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    static double CheckedPaperValue(double value);

    TfrxFrame m_frame;
    TfrxPictureView *m_backPicture;
    QStringList m_columnPositions;
    QStringList m_hGuides;
    QStringList m_vGuides;
    QString m_dataSetName;
    QString m_outlineText;
    QString m_onAfterPrint;
    QString m_onBeforePrint;
    QString m_onManualBuild;
    TfrxDataSet *m_dataSet = nullptr;
    double m_paperWidth = 210;
    double m_paperHeight = 297;
    double m_leftMargin = 0;
    double m_rightMargin = 0;
    double m_topMargin = 0;
    double m_bottomMargin = 0;
    double m_columnWidth = 0;
    int m_paperSize = 9;
    int m_columns = 0;
    int m_bin = 7;
    int m_binOtherPages = 7;
    int m_pageCount = 1;
    TColor m_color = clNone;
    frx::TPrinterOrientation m_orientation = frx::poPortrait;
    frx::TfrxDuplexMode m_duplex = frx::dmNone;
    bool m_mirrorMargins = false;
    bool m_backPictureVisible = true;
    bool m_backPicturePrintable = true;
    bool m_endlessHeight = false;
    bool m_endlessWidth = false;
    bool m_largeDesignHeight = false;
    bool m_printIfEmpty = true;
    bool m_printOnPreviousPage = false;
    bool m_resetPageNumbers = false;
    bool m_titleBeforeHeader = true;
};

// A page laid out on the character grid of a dot-matrix printer: bands snap to whole cells.
class TfrxDMPPage : public TfrxReportPage {
    Q_OBJECT
public:
    explicit TfrxDMPPage(TComponent *owner = nullptr) : TfrxReportPage(owner) {}
};

// A script dialog form: the controls on it (frxDialogControls.h) are shown as a modal window before
// a build in the windowed program; headless builds take the controls' stored values.
class TfrxDialogPage : public TfrxPage {
    Q_OBJECT
    Q_PROPERTY(frxdlg::TFormBorderStyle BorderStyle MEMBER m_borderStyle)
    Q_PROPERTY(QString Caption MEMBER m_caption)
    Q_PROPERTY(int Color MEMBER m_color)
    Q_PROPERTY(double Height READ Height WRITE SetHeight)
    Q_PROPERTY(double Left READ Left WRITE SetLeft)
    Q_PROPERTY(frxdlg::TPosition Position MEMBER m_position)
    Q_PROPERTY(double Top READ Top WRITE SetTop)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_PROPERTY(QString OnActivate MEMBER m_onActivate)
    Q_PROPERTY(QString OnClick MEMBER m_onClick)
    Q_PROPERTY(QString OnDeactivate MEMBER m_onDeactivate)
    Q_PROPERTY(QString OnHide MEMBER m_onHide)
    Q_PROPERTY(QString OnKeyDown MEMBER m_onKeyDown)
    Q_PROPERTY(QString OnKeyPress MEMBER m_onKeyPress)
    Q_PROPERTY(QString OnKeyUp MEMBER m_onKeyUp)
    Q_PROPERTY(QString OnResize MEMBER m_onResize)
    Q_PROPERTY(QString OnShow MEMBER m_onShow)
    Q_CLASSINFO("Default.BorderStyle", "bsDialog")
    Q_CLASSINFO("Type.Color", "TColor")
    Q_CLASSINFO("Default.Position", "poScreenCenter")
public:
    explicit TfrxDialogPage(TComponent *owner = nullptr);
    QString BaseName() const override { return QStringLiteral("DialogPage"); }

    frxdlg::TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &value) { m_caption = value; }
    TColor Color() const { return m_color; }
    frxdlg::TPosition Position() const { return m_position; }
    QString OnActivate() const { return m_onActivate; }
    QString OnShow() const { return m_onShow; }
    QString OnHide() const { return m_onHide; }
    QString OnClick() const { return m_onClick; }

private:
    QString m_caption;
    QString m_onActivate, m_onClick, m_onDeactivate, m_onHide, m_onKeyDown, m_onKeyPress, m_onKeyUp,
        m_onResize, m_onShow;
    TColor m_color = TColor(0xFF00000F); // clBtnFace
    frxdlg::TFormBorderStyle m_borderStyle = frxdlg::bsDialog;
    frxdlg::TPosition m_position = frxdlg::poScreenCenter;
};

// Holder of the report's non-visual components, named "Data".
class TfrxDataPage : public TfrxPage {
    Q_OBJECT
    Q_PROPERTY(double Height READ Height WRITE SetHeight)
    Q_PROPERTY(double Left READ Left WRITE SetLeft)
    Q_PROPERTY(double Top READ Top WRITE SetTop)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
public:
    explicit TfrxDataPage(TComponent *owner = nullptr);
};

// Prints another report page in its place; not used by waybill layouts.
class TfrxSubreport : public TfrxView {
    Q_OBJECT
    Q_PROPERTY(TfrxReportPage *Page READ SubPage WRITE SetSubPage)
    // The sub-report's bands print inside the band that holds it, which grows to take them.
    Q_PROPERTY(bool PrintOnParent READ PrintOnParent WRITE SetPrintOnParent)
    Q_CLASSINFO("Default.PrintOnParent", "False")
public:
    explicit TfrxSubreport(TComponent *owner = nullptr) : TfrxView(owner) {}
    ~TfrxSubreport() override { SendFreeNotifications(); }
    TfrxReportPage *SubPage() const { return m_page; }
    void SetSubPage(TfrxReportPage *value) { frxSetReference(this, m_page, value); }
    bool PrintOnParent() const { return m_printOnParent; }
    void SetPrintOnParent(bool value) { m_printOnParent = value; }

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    TfrxReportPage *m_page = nullptr;
    bool m_printOnParent = false;
};

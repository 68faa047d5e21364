#pragma once
// Bands: horizontal (or vertical) strips of a page that hold views. Waybill layouts use them only
// as containers; what each kind means to a build belongs to the builder, which orders and links
// bands by their kind number.

#include "report/core/frxComponent.h"
#include "report/model/frxDataSet.h"

class TfrxChild;

// The kinds of band in the builder's fixed order: data bands nest by it (each data kind takes the
// next one as its details). Unknown for a band class outside the table (the builder's own null
// band, a plain data band).
enum class TfrxBandKind {
    Unknown = -1,
    ReportTitle,
    ReportSummary,
    PageHeader,
    PageFooter,
    Header,
    Footer,
    MasterData,
    DetailData,
    SubdetailData,
    Data4,
    Data5,
    Data6,
    GroupHeader,
    GroupFooter,
    Child,
    ColumnHeader,
    ColumnFooter,
    Overlay,
};

class TfrxBand : public TfrxReportComponent {
    Q_OBJECT
    Q_PROPERTY(TFont *Font READ Font WRITE SetFont)
    Q_PROPERTY(double Height READ Height WRITE SetHeight)
    Q_PROPERTY(double Left READ Left WRITE SetLeft)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(frx::TfrxRestrictions Restrictions READ Restrictions WRITE SetRestrictions)
    Q_PROPERTY(double Top READ Top WRITE SetTop)
    Q_PROPERTY(bool Vertical READ Vertical WRITE SetVertical)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(double Width READ Width WRITE SetWidth)
    Q_PROPERTY(QString OnAfterCalcHeight READ OnAfterCalcHeight WRITE SetOnAfterCalcHeight)
    Q_PROPERTY(QString OnAfterPrint READ OnAfterPrint WRITE SetOnAfterPrint)
    Q_PROPERTY(QString OnBeforePrint READ OnBeforePrint WRITE SetOnBeforePrint)
    Q_CLASSINFO("Stored.Font", "IsFontStored")
    Q_CLASSINFO("Default.ParentFont", "True")
    Q_CLASSINFO("Default.Restrictions", "[]")
    Q_CLASSINFO("Default.Vertical", "False")
    Q_CLASSINFO("Default.Visible", "True")
    Q_CLASSINFO("Type.OnAfterCalcHeight", "TfrxNotifyEvent")
    Q_CLASSINFO("Type.OnAfterPrint", "TfrxNotifyEvent")
    Q_CLASSINFO("Type.OnBeforePrint", "TfrxNotifyEvent")
public:
    explicit TfrxBand(TComponent *owner = nullptr) : TfrxReportComponent(owner) {}
    ~TfrxBand() override;

    // On a dot-matrix page Left snaps to whole character cells (9.6 px), Top and Height to whole
    // lines (17 px).
    void SetLeft(double value) override;
    void SetTop(double value) override;
    void SetHeight(double value) override;

    bool Vertical() const { return m_vertical; }
    void SetVertical(bool value) { m_vertical = value; }
    QString OnAfterCalcHeight() const { return m_onAfterCalcHeight; }
    void SetOnAfterCalcHeight(const QString &value) { m_onAfterCalcHeight = value; }
    QString OnAfterPrint() const { return m_onAfterPrint; }
    void SetOnAfterPrint(const QString &value) { m_onAfterPrint = value; }
    QString OnBeforePrint() const { return m_onBeforePrint; }
    void SetOnBeforePrint(const QString &value) { m_onBeforePrint = value; }

    // Declared here, published by the kinds that have them.
    bool AllowSplit() const { return m_allowSplit; }
    void SetAllowSplit(bool value) { m_allowSplit = value; }
    TfrxChild *Child() const { return m_child; }
    // A child chain that leads back to this band raises "Circular child reference is not allowed".
    void SetChild(TfrxChild *value);
    bool KeepChild() const { return m_keepChild; }
    void SetKeepChild(bool value) { m_keepChild = value; }
    bool KeepTogether() const { return m_keepTogether; }
    void SetKeepTogether(bool value) { m_keepTogether = value; }
    QString OutlineText() const { return m_outlineText; }
    void SetOutlineText(const QString &value) { m_outlineText = value; }
    bool PrintChildIfInvisible() const { return m_printChildIfInvisible; }
    void SetPrintChildIfInvisible(bool value) { m_printChildIfInvisible = value; }
    bool ReprintOnNewPage() const { return m_reprintOnNewPage; }
    void SetReprintOnNewPage(bool value) { m_reprintOnNewPage = value; }
    bool StartNewPage() const { return m_startNewPage; }
    void SetStartNewPage(bool value) { m_startNewPage = value; }
    bool Stretched() const { return m_stretched; }
    void SetStretched(bool value) { m_stretched = value; }

    // The band's kind; Unknown for a class not in the table.
    TfrxBandKind BandKind() const;
    // The kind as its number in the table; 0 (as for a report title) for a class not in it.
    int BandNumber() const;
    // The class name less its first "Tfrx" and first "Band".
    QString BandName() const;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    bool OnDotMatrixPage() const;

    QString m_onAfterCalcHeight;
    QString m_onAfterPrint;
    QString m_onBeforePrint;
    QString m_outlineText;
    TfrxChild *m_child = nullptr;
    bool m_vertical : 1 = false;
    bool m_allowSplit : 1 = false;
    bool m_keepChild : 1 = false;
    bool m_keepTogether : 1 = false;
    bool m_printChildIfInvisible : 1 = false;
    bool m_reprintOnNewPage : 1 = false;
    bool m_startNewPage : 1 = false;
    bool m_stretched : 1 = false;
};

class TfrxChild : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_CLASSINFO("Default.AllowSplit", "False")
    Q_CLASSINFO("Default.KeepChild", "False")
    Q_CLASSINFO("Default.PrintChildIfInvisible", "False")
    Q_CLASSINFO("Default.StartNewPage", "False")
    Q_CLASSINFO("Default.Stretched", "False")
public:
    explicit TfrxChild(TComponent *owner = nullptr) : TfrxBand(owner) {}
};

class TfrxReportTitle : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_CLASSINFO("Default.AllowSplit", "False")
    Q_CLASSINFO("Default.KeepChild", "False")
    Q_CLASSINFO("Default.PrintChildIfInvisible", "False")
    Q_CLASSINFO("Default.StartNewPage", "False")
    Q_CLASSINFO("Default.Stretched", "False")
public:
    explicit TfrxReportTitle(TComponent *owner = nullptr) : TfrxBand(owner) {}
};

class TfrxReportSummary : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_CLASSINFO("Default.AllowSplit", "False")
    Q_CLASSINFO("Default.KeepChild", "False")
    Q_CLASSINFO("Default.PrintChildIfInvisible", "False")
    Q_CLASSINFO("Default.StartNewPage", "False")
    Q_CLASSINFO("Default.Stretched", "False")
public:
    explicit TfrxReportSummary(TComponent *owner = nullptr) : TfrxBand(owner) {}
};

class TfrxPageHeader : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool PrintOnFirstPage READ PrintOnFirstPage WRITE SetPrintOnFirstPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_CLASSINFO("Default.PrintChildIfInvisible", "False")
    Q_CLASSINFO("Default.PrintOnFirstPage", "True")
    Q_CLASSINFO("Default.Stretched", "False")
public:
    explicit TfrxPageHeader(TComponent *owner = nullptr) : TfrxBand(owner) {}
    bool PrintOnFirstPage() const { return m_printOnFirstPage; }
    void SetPrintOnFirstPage(bool value) { m_printOnFirstPage = value; }

private:
    bool m_printOnFirstPage = true;
};

class TfrxPageFooter : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool PrintOnFirstPage READ PrintOnFirstPage WRITE SetPrintOnFirstPage)
    Q_PROPERTY(bool PrintOnLastPage READ PrintOnLastPage WRITE SetPrintOnLastPage)
    Q_CLASSINFO("Default.PrintOnFirstPage", "True")
    Q_CLASSINFO("Default.PrintOnLastPage", "True")
public:
    explicit TfrxPageFooter(TComponent *owner = nullptr) : TfrxBand(owner) {}
    bool PrintOnFirstPage() const { return m_printOnFirstPage; }
    void SetPrintOnFirstPage(bool value) { m_printOnFirstPage = value; }
    bool PrintOnLastPage() const { return m_printOnLastPage; }
    void SetPrintOnLastPage(bool value) { m_printOnLastPage = value; }

private:
    bool m_printOnFirstPage = true;
    bool m_printOnLastPage = true;
};

class TfrxHeader : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool ReprintOnNewPage READ ReprintOnNewPage WRITE SetReprintOnNewPage)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_CLASSINFO("Default.AllowSplit", "False")
    Q_CLASSINFO("Default.KeepChild", "False")
    Q_CLASSINFO("Default.PrintChildIfInvisible", "False")
    Q_CLASSINFO("Default.ReprintOnNewPage", "False")
    Q_CLASSINFO("Default.StartNewPage", "False")
    Q_CLASSINFO("Default.Stretched", "False")
public:
    explicit TfrxHeader(TComponent *owner = nullptr) : TfrxBand(owner) {}
};

class TfrxFooter : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_CLASSINFO("Default.AllowSplit", "False")
    Q_CLASSINFO("Default.KeepChild", "False")
    Q_CLASSINFO("Default.PrintChildIfInvisible", "False")
    Q_CLASSINFO("Default.Stretched", "False")
public:
    explicit TfrxFooter(TComponent *owner = nullptr) : TfrxBand(owner) {}
};

class TfrxDataBand : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(double ColumnWidth READ ColumnWidth WRITE SetColumnWidth)
    Q_PROPERTY(double ColumnGap READ ColumnGap WRITE SetColumnGap)
    Q_PROPERTY(TfrxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(bool FooterAfterEach READ FooterAfterEach WRITE SetFooterAfterEach)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool KeepFooter READ KeepFooter WRITE SetKeepFooter)
    Q_PROPERTY(bool KeepHeader READ KeepHeader WRITE SetKeepHeader)
    Q_PROPERTY(bool KeepTogether READ KeepTogether WRITE SetKeepTogether)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool PrintIfDetailEmpty READ PrintIfDetailEmpty WRITE SetPrintIfDetailEmpty)
    Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(QString OnMasterDetail READ OnMasterDetail WRITE SetOnMasterDetail)
    Q_CLASSINFO("Default.AllowSplit", "False")
    Q_CLASSINFO("Default.Columns", "0")
    Q_CLASSINFO("Default.FooterAfterEach", "False")
    Q_CLASSINFO("Default.KeepChild", "False")
    Q_CLASSINFO("Default.KeepFooter", "False")
    Q_CLASSINFO("Default.KeepHeader", "False")
    Q_CLASSINFO("Default.KeepTogether", "False")
    Q_CLASSINFO("Default.PrintChildIfInvisible", "False")
    Q_CLASSINFO("Default.PrintIfDetailEmpty", "False")
    Q_CLASSINFO("Default.StartNewPage", "False")
    Q_CLASSINFO("Default.Stretched", "False")
    Q_CLASSINFO("Type.OnMasterDetail", "TfrxNotifyEvent")
public:
    explicit TfrxDataBand(TComponent *owner = nullptr);
    ~TfrxDataBand() override;

    int Columns() const { return m_columns; }
    void SetColumns(int value) { m_columns = value; }
    double ColumnWidth() const { return m_columnWidth; }
    void SetColumnWidth(double value) { m_columnWidth = value; }
    double ColumnGap() const { return m_columnGap; }
    void SetColumnGap(double value) { m_columnGap = value; }
    TfrxDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TfrxDataSet *value);
    QString DataSetName() const;
    void SetDataSetName(const QString &value);
    bool FooterAfterEach() const { return m_footerAfterEach; }
    void SetFooterAfterEach(bool value) { m_footerAfterEach = value; }
    bool KeepFooter() const { return m_keepFooter; }
    void SetKeepFooter(bool value) { m_keepFooter = value; }
    bool KeepHeader() const { return m_keepHeader; }
    void SetKeepHeader(bool value) { m_keepHeader = value; }
    bool PrintIfDetailEmpty() const { return m_printIfDetailEmpty; }
    void SetPrintIfDetailEmpty(bool value) { m_printIfDetailEmpty = value; }
    int RowCount() const { return m_virtualDataSet->RangeEndCount(); }
    // The number of records of the band's own dataset, used when the band has no DataSet.
    void SetRowCount(int value) { m_virtualDataSet->SetRangeEndCount(value); }
    QString OnMasterDetail() const { return m_onMasterDetail; }
    void SetOnMasterDetail(const QString &value) { m_onMasterDetail = value; }

    // The band's own user dataset (RangeEnd = reCount), walked when it has RowCount but no DataSet.
    TfrxUserDataSet *VirtualDataSet() const { return m_virtualDataSet; }

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    TfrxUserDataSet *m_virtualDataSet;
    QString m_dataSetName;
    QString m_onMasterDetail;
    TfrxDataSet *m_dataSet = nullptr;
    double m_columnWidth = 0;
    double m_columnGap = 0;
    int m_columns = 0;
    bool m_footerAfterEach = false;
    bool m_keepFooter = false;
    bool m_keepHeader = false;
    bool m_printIfDetailEmpty = false;
};

class TfrxMasterData : public TfrxDataBand {
    Q_OBJECT
public:
    explicit TfrxMasterData(TComponent *owner = nullptr) : TfrxDataBand(owner) {}
};

class TfrxDetailData : public TfrxDataBand {
    Q_OBJECT
public:
    explicit TfrxDetailData(TComponent *owner = nullptr) : TfrxDataBand(owner) {}
};

class TfrxSubdetailData : public TfrxDataBand {
    Q_OBJECT
public:
    explicit TfrxSubdetailData(TComponent *owner = nullptr) : TfrxDataBand(owner) {}
};

class TfrxDataBand4 : public TfrxDataBand {
    Q_OBJECT
public:
    explicit TfrxDataBand4(TComponent *owner = nullptr) : TfrxDataBand(owner) {}
};

class TfrxDataBand5 : public TfrxDataBand {
    Q_OBJECT
public:
    explicit TfrxDataBand5(TComponent *owner = nullptr) : TfrxDataBand(owner) {}
};

class TfrxDataBand6 : public TfrxDataBand {
    Q_OBJECT
public:
    explicit TfrxDataBand6(TComponent *owner = nullptr) : TfrxDataBand(owner) {}
};

class TfrxGroupHeader : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(QString Condition READ Condition WRITE SetCondition)
    Q_PROPERTY(bool DrillDown READ DrillDown WRITE SetDrillDown)
    Q_PROPERTY(bool ExpandDrillDown READ ExpandDrillDown WRITE SetExpandDrillDown)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool KeepTogether READ KeepTogether WRITE SetKeepTogether)
    Q_PROPERTY(bool ReprintOnNewPage READ ReprintOnNewPage WRITE SetReprintOnNewPage)
    Q_PROPERTY(QString OutlineText READ OutlineText WRITE SetOutlineText)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool ResetPageNumbers READ ResetPageNumbers WRITE SetResetPageNumbers)
    Q_PROPERTY(bool ShowFooterIfDrillDown READ ShowFooterIfDrillDown WRITE SetShowFooterIfDrillDown)
    Q_PROPERTY(bool ShowChildIfDrillDown READ ShowChildIfDrillDown WRITE SetShowChildIfDrillDown)
    Q_PROPERTY(bool StartNewPage READ StartNewPage WRITE SetStartNewPage)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_PROPERTY(QString DrillName READ DrillName WRITE SetDrillName)
    Q_CLASSINFO("Default.AllowSplit", "False")
    Q_CLASSINFO("Default.DrillDown", "False")
    Q_CLASSINFO("Default.ExpandDrillDown", "False")
    Q_CLASSINFO("Default.KeepChild", "False")
    Q_CLASSINFO("Default.KeepTogether", "False")
    Q_CLASSINFO("Default.ReprintOnNewPage", "False")
    Q_CLASSINFO("Default.PrintChildIfInvisible", "False")
    Q_CLASSINFO("Default.ResetPageNumbers", "False")
    Q_CLASSINFO("Default.ShowFooterIfDrillDown", "False")
    Q_CLASSINFO("Default.ShowChildIfDrillDown", "False")
    Q_CLASSINFO("Default.StartNewPage", "False")
    Q_CLASSINFO("Default.Stretched", "False")
public:
    explicit TfrxGroupHeader(TComponent *owner = nullptr) : TfrxBand(owner) {}

    QString Condition() const { return m_condition; }
    void SetCondition(const QString &value) { m_condition = value; }
    bool DrillDown() const { return m_drillDown; }
    void SetDrillDown(bool value) { m_drillDown = value; }
    bool ExpandDrillDown() const { return m_expandDrillDown; }
    void SetExpandDrillDown(bool value) { m_expandDrillDown = value; }
    bool ResetPageNumbers() const { return m_resetPageNumbers; }
    void SetResetPageNumbers(bool value) { m_resetPageNumbers = value; }
    bool ShowFooterIfDrillDown() const { return m_showFooterIfDrillDown; }
    void SetShowFooterIfDrillDown(bool value) { m_showFooterIfDrillDown = value; }
    bool ShowChildIfDrillDown() const { return m_showChildIfDrillDown; }
    void SetShowChildIfDrillDown(bool value) { m_showChildIfDrillDown = value; }
    QString DrillName() const { return m_drillName; }
    void SetDrillName(const QString &value) { m_drillName = value; }

private:
    QString m_condition;
    QString m_drillName;
    bool m_drillDown = false;
    bool m_expandDrillDown = false;
    bool m_resetPageNumbers = false;
    bool m_showFooterIfDrillDown = false;
    bool m_showChildIfDrillDown = false;
};

class TfrxGroupFooter : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool AllowSplit READ AllowSplit WRITE SetAllowSplit)
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool HideIfSingleDataRecord READ HideIfSingleDataRecord WRITE SetHideIfSingleDataRecord)
    Q_PROPERTY(bool KeepChild READ KeepChild WRITE SetKeepChild)
    Q_PROPERTY(bool PrintChildIfInvisible READ PrintChildIfInvisible WRITE SetPrintChildIfInvisible)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_CLASSINFO("Default.AllowSplit", "False")
    Q_CLASSINFO("Default.HideIfSingleDataRecord", "False")
    Q_CLASSINFO("Default.KeepChild", "False")
    Q_CLASSINFO("Default.PrintChildIfInvisible", "False")
    Q_CLASSINFO("Default.Stretched", "False")
public:
    explicit TfrxGroupFooter(TComponent *owner = nullptr) : TfrxBand(owner) {}
    bool HideIfSingleDataRecord() const { return m_hideIfSingleDataRecord; }
    void SetHideIfSingleDataRecord(bool value) { m_hideIfSingleDataRecord = value; }

private:
    bool m_hideIfSingleDataRecord = false;
};

class TfrxColumnHeader : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(TfrxChild *Child READ Child WRITE SetChild)
    Q_PROPERTY(bool Stretched READ Stretched WRITE SetStretched)
    Q_CLASSINFO("Default.Stretched", "False")
public:
    explicit TfrxColumnHeader(TComponent *owner = nullptr) : TfrxBand(owner) {}
};

class TfrxColumnFooter : public TfrxBand {
    Q_OBJECT
public:
    explicit TfrxColumnFooter(TComponent *owner = nullptr) : TfrxBand(owner) {}
};

class TfrxOverlay : public TfrxBand {
    Q_OBJECT
    Q_PROPERTY(bool PrintOnTop READ PrintOnTop WRITE SetPrintOnTop)
    Q_CLASSINFO("Default.PrintOnTop", "False")
public:
    explicit TfrxOverlay(TComponent *owner = nullptr) : TfrxBand(owner) {}
    bool PrintOnTop() const { return m_printOnTop; }
    void SetPrintOnTop(bool value) { m_printOnTop = value; }

private:
    bool m_printOnTop = false;
};

// A band the builder makes for its own use; it holds no properties of its own.
class TfrxNullBand : public TfrxBand {
    Q_OBJECT
public:
    explicit TfrxNullBand(TComponent *owner = nullptr) : TfrxBand(owner) {}
};

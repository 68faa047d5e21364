#pragma once
// The root of a layout: pages, option groups, datasets, variables, styles and the error list.

#include "report/core/frxComponent.h"
#include "report/expr/frxCalc.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxReportDataSets.h"
#include "report/model/frxStyles.h"
#include "report/model/frxVariables.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class TfrxCustomDesigner;
class TfrxCustomEngine;
class TfrxCustomPreviewPages;
class TfrxReportPage;
class TfrxDrawText;
class TfrxPage;
class TfsScript;
class TfrxDataPage;

class TfrxEngineOptions : public TPersistent {
    Q_GADGET
    Q_PROPERTY(bool ConvertNulls READ ConvertNulls WRITE SetConvertNulls)
    Q_PROPERTY(bool DoublePass READ DoublePass WRITE SetDoublePass)
    Q_PROPERTY(int MaxMemSize READ MaxMemSize WRITE SetMaxMemSize)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(bool SilentMode READ SilentMode WRITE SetSilentMode)
    Q_PROPERTY(frx::TfrxSilentMode NewSilentMode READ NewSilentMode WRITE SetNewSilentMode)
    Q_PROPERTY(QString TempDir READ TempDir WRITE SetTempDir)
    Q_PROPERTY(bool UseFileCache READ UseFileCache WRITE SetUseFileCache)
    Q_PROPERTY(bool IgnoreDevByZero READ IgnoreDevByZero WRITE SetIgnoreDevByZero)
    Q_CLASSINFO("Default.ConvertNulls", "True")
    Q_CLASSINFO("Default.DoublePass", "False")
    Q_CLASSINFO("Default.MaxMemSize", "10")
    Q_CLASSINFO("Default.PrintIfEmpty", "True")
    Q_CLASSINFO("Default.SilentMode", "False")
    Q_CLASSINFO("Default.NewSilentMode", "simMessageBoxes")
    Q_CLASSINFO("Default.UseFileCache", "False")
    Q_CLASSINFO("Default.IgnoreDevByZero", "False")
public:
    TfrxEngineOptions() = default;
    TfrxEngineOptions(const TfrxEngineOptions &) = default;
    TfrxEngineOptions &operator=(const TfrxEngineOptions &) = default;
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    bool ConvertNulls() const { return m_convertNulls; }
    void SetConvertNulls(bool value) { m_convertNulls = value; }
    bool DoublePass() const { return m_doublePass; }
    void SetDoublePass(bool value) { m_doublePass = value; }
    int MaxMemSize() const { return m_maxMemSize; }
    void SetMaxMemSize(int value) { m_maxMemSize = value; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool value) { m_printIfEmpty = value; }
    bool SilentMode() const { return m_silentMode; }
    void SetSilentMode(bool value) { m_silentMode = value; }
    frx::TfrxSilentMode NewSilentMode() const { return m_newSilentMode; }
    void SetNewSilentMode(frx::TfrxSilentMode value) { m_newSilentMode = value; }
    QString TempDir() const { return m_tempDir; }
    void SetTempDir(const QString &value) { m_tempDir = value; }
    bool UseFileCache() const { return m_useFileCache; }
    void SetUseFileCache(bool value) { m_useFileCache = value; }
    bool IgnoreDevByZero() const { return m_ignoreDevByZero; }
    void SetIgnoreDevByZero(bool value) { m_ignoreDevByZero = value; }
    // Not published.
    bool UseGlobalDataSetList() const { return m_useGlobalDataSetList; }
    void SetUseGlobalDataSetList(bool value) { m_useGlobalDataSetList = value; }
    bool DestroyForms() const { return m_destroyForms; }
    void SetDestroyForms(bool value) { m_destroyForms = value; }
    bool EnableThreadSafe() const { return m_enableThreadSafe; }
    void SetEnableThreadSafe(bool value) { m_enableThreadSafe = value; }

    // Back to the values of a reset report (only those a reset touches).
    void Clear();

private:
    QString m_tempDir;
    int m_maxMemSize = 10;
    frx::TfrxSilentMode m_newSilentMode = frx::simMessageBoxes;
    bool m_convertNulls = true;
    bool m_doublePass = false;
    bool m_printIfEmpty = true;
    bool m_silentMode = false;
    bool m_useFileCache = false;
    bool m_ignoreDevByZero = false;
    bool m_useGlobalDataSetList = true;
    bool m_destroyForms = true;
    bool m_enableThreadSafe = false;
};

class TfrxPrintOptions : public TPersistent {
    Q_GADGET
    Q_PROPERTY(int Copies READ Copies WRITE SetCopies)
    Q_PROPERTY(bool Collate READ Collate WRITE SetCollate)
    Q_PROPERTY(QString PageNumbers READ PageNumbers WRITE SetPageNumbers)
    Q_PROPERTY(QString Printer READ Printer WRITE SetPrinter)
    Q_PROPERTY(frx::TfrxPrintMode PrintMode READ PrintMode WRITE SetPrintMode)
    Q_PROPERTY(int PrintOnSheet READ PrintOnSheet WRITE SetPrintOnSheet)
    Q_PROPERTY(frx::TfrxPrintPages PrintPages READ PrintPages WRITE SetPrintPages)
    Q_PROPERTY(bool Reverse READ Reverse WRITE SetReverse)
    Q_PROPERTY(bool ShowDialog READ ShowDialog WRITE SetShowDialog)
    Q_PROPERTY(bool SwapPageSize READ SwapPageSize WRITE SetSwapPageSize STORED false)
    Q_CLASSINFO("Default.Copies", "1")
    Q_CLASSINFO("Default.Collate", "True")
    Q_CLASSINFO("Default.PrintMode", "pmDefault")
    Q_CLASSINFO("Default.PrintPages", "ppAll")
    Q_CLASSINFO("Default.Reverse", "False")
    Q_CLASSINFO("Default.ShowDialog", "True")
public:
    TfrxPrintOptions();
    TfrxPrintOptions(const TfrxPrintOptions &) = default;
    TfrxPrintOptions &operator=(const TfrxPrintOptions &) = default;
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    int Copies() const { return m_copies; }
    void SetCopies(int value) { m_copies = value; }
    bool Collate() const { return m_collate; }
    void SetCollate(bool value) { m_collate = value; }
    QString PageNumbers() const { return m_pageNumbers; }
    void SetPageNumbers(const QString &value) { m_pageNumbers = value; }
    QString Printer() const { return m_printer; }
    void SetPrinter(const QString &value) { m_printer = value; }
    frx::TfrxPrintMode PrintMode() const { return m_printMode; }
    void SetPrintMode(frx::TfrxPrintMode value) { m_printMode = value; }
    int PrintOnSheet() const { return m_printOnSheet; }
    void SetPrintOnSheet(int value) { m_printOnSheet = value; }
    frx::TfrxPrintPages PrintPages() const { return m_printPages; }
    void SetPrintPages(frx::TfrxPrintPages value) { m_printPages = value; }
    bool Reverse() const { return m_reverse; }
    void SetReverse(bool value) { m_reverse = value; }
    bool ShowDialog() const { return m_showDialog; }
    void SetShowDialog(bool value) { m_showDialog = value; }
    bool SwapPageSize() const { return m_swapPageSize; }
    void SetSwapPageSize(bool value) { m_swapPageSize = value; }
    // Not published.
    int PagesOnSheet() const { return m_pagesOnSheet; }
    void SetPagesOnSheet(int value) { m_pagesOnSheet = value; }
    int SplicingLine() const { return m_splicingLine; }
    void SetSplicingLine(int value) { m_splicingLine = value; }
    frx::TfrxDuplexMode Duplex() const { return m_duplex; }
    void SetDuplex(frx::TfrxDuplexMode value) { m_duplex = value; }
    // Print to file: the job writes a PDF of this name instead of sending to the printer's queue.
    QString FileName() const { return m_fileName; }
    void SetFileName(const QString &value) { m_fileName = value; }

    void Clear();

private:
    QString m_pageNumbers;
    QString m_printer;
    QString m_fileName;
    int m_copies = 1;
    int m_printOnSheet = 0;
    int m_pagesOnSheet = 0;
    int m_splicingLine = 3;
    frx::TfrxPrintMode m_printMode = frx::pmDefault;
    frx::TfrxPrintPages m_printPages = frx::ppAll;
    frx::TfrxDuplexMode m_duplex = frx::dmNone;
    bool m_collate = true;
    bool m_reverse = false;
    bool m_showDialog = true;
    bool m_swapPageSize = false;
};

class TfrxPreviewOptions : public TPersistent {
    Q_GADGET
    Q_PROPERTY(bool AllowEdit READ AllowEdit WRITE SetAllowEdit)
    Q_PROPERTY(frx::TfrxPreviewButtons Buttons READ Buttons WRITE SetButtons)
    Q_PROPERTY(bool DoubleBuffered READ DoubleBuffered WRITE SetDoubleBuffered)
    Q_PROPERTY(bool Maximized READ Maximized WRITE SetMaximized)
    Q_PROPERTY(bool MDIChild READ MDIChild WRITE SetMDIChild)
    Q_PROPERTY(bool Modal READ Modal WRITE SetModal)
    Q_PROPERTY(bool OutlineExpand READ OutlineExpand WRITE SetOutlineExpand)
    Q_PROPERTY(bool OutlineVisible READ OutlineVisible WRITE SetOutlineVisible)
    Q_PROPERTY(int OutlineWidth READ OutlineWidth WRITE SetOutlineWidth)
    Q_PROPERTY(int PagesInCache READ PagesInCache WRITE SetPagesInCache)
    Q_PROPERTY(bool ThumbnailVisible READ ThumbnailVisible WRITE SetThumbnailVisible)
    Q_PROPERTY(bool ShowCaptions READ ShowCaptions WRITE SetShowCaptions)
    Q_PROPERTY(double Zoom READ Zoom WRITE SetZoom)
    Q_PROPERTY(frx::TfrxZoomMode ZoomMode READ ZoomMode WRITE SetZoomMode)
    Q_PROPERTY(bool PictureCacheInFile READ PictureCacheInFile WRITE SetPictureCacheInFile)
    Q_CLASSINFO("Default.AllowEdit", "True")
    Q_CLASSINFO("Default.DoubleBuffered", "True")
    Q_CLASSINFO("Default.Maximized", "True")
    Q_CLASSINFO("Default.MDIChild", "False")
    Q_CLASSINFO("Default.Modal", "True")
    Q_CLASSINFO("Default.OutlineExpand", "True")
    Q_CLASSINFO("Default.OutlineVisible", "False")
    Q_CLASSINFO("Default.OutlineWidth", "120")
    Q_CLASSINFO("Default.PagesInCache", "50")
    Q_CLASSINFO("Default.ThumbnailVisible", "False")
    Q_CLASSINFO("Default.ShowCaptions", "False")
    Q_CLASSINFO("Default.ZoomMode", "zmDefault")
    Q_CLASSINFO("Default.PictureCacheInFile", "False")
public:
    TfrxPreviewOptions() = default;
    TfrxPreviewOptions(const TfrxPreviewOptions &) = default;
    TfrxPreviewOptions &operator=(const TfrxPreviewOptions &) = default;
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    bool AllowEdit() const { return m_allowEdit; }
    void SetAllowEdit(bool value) { m_allowEdit = value; }
    // No declared default: layouts always carry the buttons (4095 for a new report).
    frx::TfrxPreviewButtons Buttons() const { return m_buttons; }
    void SetButtons(frx::TfrxPreviewButtons value) { m_buttons = value; }
    bool DoubleBuffered() const { return m_doubleBuffered; }
    void SetDoubleBuffered(bool value) { m_doubleBuffered = value; }
    bool Maximized() const { return m_maximized; }
    void SetMaximized(bool value) { m_maximized = value; }
    bool MDIChild() const { return m_mdiChild; }
    void SetMDIChild(bool value) { m_mdiChild = value; }
    bool Modal() const { return m_modal; }
    void SetModal(bool value) { m_modal = value; }
    bool OutlineExpand() const { return m_outlineExpand; }
    void SetOutlineExpand(bool value) { m_outlineExpand = value; }
    bool OutlineVisible() const { return m_outlineVisible; }
    void SetOutlineVisible(bool value) { m_outlineVisible = value; }
    int OutlineWidth() const { return m_outlineWidth; }
    void SetOutlineWidth(int value) { m_outlineWidth = value; }
    int PagesInCache() const { return m_pagesInCache; }
    void SetPagesInCache(int value) { m_pagesInCache = value; }
    bool ThumbnailVisible() const { return m_thumbnailVisible; }
    void SetThumbnailVisible(bool value) { m_thumbnailVisible = value; }
    bool ShowCaptions() const { return m_showCaptions; }
    void SetShowCaptions(bool value) { m_showCaptions = value; }
    double Zoom() const { return m_zoom; }
    void SetZoom(double value) { m_zoom = value; }
    frx::TfrxZoomMode ZoomMode() const { return m_zoomMode; }
    void SetZoomMode(frx::TfrxZoomMode value) { m_zoomMode = value; }
    bool PictureCacheInFile() const { return m_pictureCacheInFile; }
    void SetPictureCacheInFile(bool value) { m_pictureCacheInFile = value; }

    void Clear();

private:
    double m_zoom = 1;
    int m_outlineWidth = 120;
    int m_pagesInCache = 50;
    frx::TfrxPreviewButtons m_buttons = frx::TfrxPreviewButtons(0xFFF);
    frx::TfrxZoomMode m_zoomMode = frx::zmDefault;
    bool m_allowEdit = true;
    bool m_doubleBuffered = true;
    bool m_maximized = true;
    bool m_mdiChild = false;
    bool m_modal = true;
    bool m_outlineExpand = true;
    bool m_outlineVisible = false;
    bool m_thumbnailVisible = false;
    bool m_showCaptions = false;
    bool m_pictureCacheInFile = false;
};

class TfrxReportOptions : public TPersistent {
    Q_GADGET
    Q_PROPERTY(QString Author READ Author WRITE SetAuthor)
    Q_PROPERTY(bool Compressed READ Compressed WRITE SetCompressed)
    Q_PROPERTY(QString ConnectionName READ ConnectionName WRITE SetConnectionName)
    Q_PROPERTY(double CreateDate READ CreateDate WRITE SetCreateDate)
    Q_PROPERTY(QStringList Description READ Description WRITE SetDescription)
    Q_PROPERTY(QString InitString READ InitString WRITE SetInitString)
    Q_PROPERTY(double LastChange READ LastChange WRITE SetLastChange)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(TPicture Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(QString VersionBuild READ VersionBuild WRITE SetVersionBuild)
    Q_PROPERTY(QString VersionMajor READ VersionMajor WRITE SetVersionMajor)
    Q_PROPERTY(QString VersionMinor READ VersionMinor WRITE SetVersionMinor)
    Q_PROPERTY(QString VersionRelease READ VersionRelease WRITE SetVersionRelease)
    Q_CLASSINFO("Default.Compressed", "False")
    Q_CLASSINFO("Type.CreateDate", "TDateTime")
    Q_CLASSINFO("Type.LastChange", "TDateTime")
public:
    TfrxReportOptions() = default;
    TfrxReportOptions(const TfrxReportOptions &) = default;
    TfrxReportOptions &operator=(const TfrxReportOptions &) = default;
    const QMetaObject *MetaObject() const override { return &staticMetaObject; }

    QString Author() const { return m_author; }
    void SetAuthor(const QString &value) { m_author = value; }
    // Only a flag: layouts are always written and read as plain XML.
    bool Compressed() const { return m_compressed; }
    void SetCompressed(bool value) { m_compressed = value; }
    QString ConnectionName() const { return m_connectionName; }
    void SetConnectionName(const QString &value) { m_connectionName = value; }
    // Date-times are day numbers since 1899-12-30 with the time as the fraction.
    double CreateDate() const { return m_createDate; }
    void SetCreateDate(double value) { m_createDate = value; }
    QStringList Description() const { return m_description; }
    void SetDescription(const QStringList &value) { m_description = value; }
    QString InitString() const { return m_initString; }
    void SetInitString(const QString &value) { m_initString = value; }
    double LastChange() const { return m_lastChange; }
    void SetLastChange(double value) { m_lastChange = value; }
    QString Name() const { return m_name; }
    void SetName(const QString &value) { m_name = value; }
    QString Password() const { return m_password; }
    void SetPassword(const QString &value) { m_password = value; }
    TPicture Picture() const { return m_picture; }
    void SetPicture(const TPicture &value) { m_picture = value; }
    QString VersionBuild() const { return m_versionBuild; }
    void SetVersionBuild(const QString &value) { m_versionBuild = value; }
    QString VersionMajor() const { return m_versionMajor; }
    void SetVersionMajor(const QString &value) { m_versionMajor = value; }
    QString VersionMinor() const { return m_versionMinor; }
    void SetVersionMinor(const QString &value) { m_versionMinor = value; }
    QString VersionRelease() const { return m_versionRelease; }
    void SetVersionRelease(const QString &value) { m_versionRelease = value; }

    // Everything empty, both dates now.
    void Clear();

private:
    QString m_author;
    QString m_connectionName;
    QStringList m_description;
    QString m_initString;
    QString m_name;
    QString m_password;
    TPicture m_picture;
    QString m_versionBuild;
    QString m_versionMajor;
    QString m_versionMinor;
    QString m_versionRelease;
    double m_createDate = 0;
    double m_lastChange = 0;
    bool m_compressed = false;
};

// What a progress notification is about.
enum class TfrxProgressKind { Preparing = 0, Exporting = 1, Printing = 2 };

class TfrxReport : public TfrxComponent {
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)
    Q_PROPERTY(QString ParentReport READ ParentReport WRITE SetParentReport)
    Q_PROPERTY(TfrxDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(QString DataSetName READ DataSetName WRITE SetDataSetName)
    Q_PROPERTY(bool DotMatrixReport READ DotMatrixReport WRITE SetDotMatrixReport)
    Q_PROPERTY(TfrxEngineOptions *EngineOptions READ EngineOptions WRITE SetEngineOptions)
    Q_PROPERTY(QString IniFile READ IniFile WRITE SetIniFile)
    Q_PROPERTY(bool OldStyleProgress READ OldStyleProgress WRITE SetOldStyleProgress)
    Q_PROPERTY(QWidget *Preview READ Preview WRITE SetPreview STORED false)
    Q_PROPERTY(TfrxPreviewOptions *PreviewOptions READ PreviewOptions WRITE SetPreviewOptions)
    Q_PROPERTY(TfrxPrintOptions *PrintOptions READ PrintOptions WRITE SetPrintOptions)
    Q_PROPERTY(TfrxReportOptions *ReportOptions READ ReportOptions WRITE SetReportOptions)
    Q_PROPERTY(QString ScriptLanguage READ ScriptLanguage WRITE SetScriptLanguage)
    Q_PROPERTY(QStringList ScriptText READ ScriptText WRITE SetScriptText)
    Q_PROPERTY(bool ShowProgress READ ShowProgress WRITE SetShowProgress)
    Q_PROPERTY(bool StoreInDFM READ StoreInDFM WRITE SetStoreInDFM)
    Q_PROPERTY(QString OnRunDialogs READ OnRunDialogs WRITE SetOnRunDialogs)
    Q_PROPERTY(QString OnStartReport READ OnStartReport WRITE SetOnStartReport)
    Q_PROPERTY(QString OnStopReport READ OnStopReport WRITE SetOnStopReport)
    Q_PROPERTY(QString OnReportPrint READ OnReportPrint WRITE SetOnReportPrint)
    Q_CLASSINFO("Default.OldStyleProgress", "False")
    Q_CLASSINFO("Default.ShowProgress", "True")
    Q_CLASSINFO("Default.StoreInDFM", "True")
    Q_CLASSINFO("Type.OnRunDialogs", "TfrxRunDialogsEvent")
    Q_CLASSINFO("Type.OnStartReport", "TfrxNotifyEvent")
    Q_CLASSINFO("Type.OnStopReport", "TfrxNotifyEvent")
    Q_CLASSINFO("Type.OnReportPrint", "TfrxNotifyEvent")
public:
    using TGetValueEvent = std::function<void(const QString &varName, Variant &value)>;
    using TNewGetValueEvent = std::function<void(QObject *sender, const QString &varName, Variant &value)>;

    // Created in the reset state, without pages.
    explicit TfrxReport(TComponent *owner = nullptr);
    ~TfrxReport() override;

    // ---- pages ----
    // Pages[i] is Objects[i]; an index outside the list raises "List index out of bounds (i)".
    TfrxPage *Pages(int index) const;
    TfrxPage *GetPages(int index) const { return Pages(index); }
    int PagesCount() const { return int(Objects().size()); }
    // Makes sure a data page exists (at index 0) and holds the non-visual components.
    TfrxDataPage *EnsureDataPage();

    // ---- published ----
    QString Version() const { return QStringLiteral("4.12.6"); }
    // Any value given is replaced by the engine's own version.
    void SetVersion(const QString &) {}
    QString ParentReport() const { return m_parentReport; }
    void SetParentReport(const QString &value) { m_parentReport = value; }
    TfrxDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TfrxDataSet *value);
    QString DataSetName() const;
    void SetDataSetName(const QString &value);
    bool DotMatrixReport() const { return m_dotMatrixReport; }
    void SetDotMatrixReport(bool value) { m_dotMatrixReport = value; }
    TfrxEngineOptions *EngineOptions() { return &m_engineOptions; }
    const TfrxEngineOptions *EngineOptions() const { return &m_engineOptions; }
    void SetEngineOptions(TfrxEngineOptions *value)
    {
        if (value)
            m_engineOptions = *value;
    }
    QString IniFile() const { return m_iniFile; }
    void SetIniFile(const QString &value) { m_iniFile = value; }
    bool OldStyleProgress() const { return m_oldStyleProgress; }
    void SetOldStyleProgress(bool value) { m_oldStyleProgress = value; }
    QWidget *Preview() const { return m_preview; }
    void SetPreview(QWidget *value) { m_preview = value; }
    TfrxPreviewOptions *PreviewOptions() { return &m_previewOptions; }
    const TfrxPreviewOptions *PreviewOptions() const { return &m_previewOptions; }
    void SetPreviewOptions(TfrxPreviewOptions *value)
    {
        if (value)
            m_previewOptions = *value;
    }
    TfrxPrintOptions *PrintOptions() { return &m_printOptions; }
    const TfrxPrintOptions *PrintOptions() const { return &m_printOptions; }
    void SetPrintOptions(TfrxPrintOptions *value)
    {
        if (value)
            m_printOptions = *value;
    }
    TfrxReportOptions *ReportOptions() { return &m_reportOptions; }
    const TfrxReportOptions *ReportOptions() const { return &m_reportOptions; }
    void SetReportOptions(TfrxReportOptions *value)
    {
        if (value)
            m_reportOptions = *value;
    }
    QString ScriptLanguage() const { return m_scriptLanguage; }
    void SetScriptLanguage(const QString &value) { m_scriptLanguage = value; }
    QStringList ScriptText() const { return m_scriptText; }
    void SetScriptText(const QStringList &value) { m_scriptText = value; }
    bool ShowProgress() const { return m_showProgress; }
    void SetShowProgress(bool value) { m_showProgress = value; }
    bool StoreInDFM() const { return m_storeInDFM; }
    void SetStoreInDFM(bool value) { m_storeInDFM = value; }
    QString OnRunDialogs() const { return m_onRunDialogs; }
    void SetOnRunDialogs(const QString &value) { m_onRunDialogs = value; }
    QString OnStartReport() const { return m_onStartReport; }
    void SetOnStartReport(const QString &value) { m_onStartReport = value; }
    QString OnStopReport() const { return m_onStopReport; }
    void SetOnStopReport(const QString &value) { m_onStopReport = value; }
    QString OnReportPrint() const { return m_onReportPrint; }
    void SetOnReportPrint(const QString &value) { m_onReportPrint = value; }

    // ---- lists ----
    TfrxReportDataSets *Datasets() { return &m_datasets; }
    const TfrxReportDataSets *Datasets() const { return &m_datasets; }
    // The datasets enabled for the current build.
    TfrxReportDataSets *EnabledDataSets() { return &m_enabledDataSets; }
    TfrxVariables *Variables() { return &m_variables; }
    const TfrxVariables *Variables() const { return &m_variables; }
    TfrxStyles *Styles() { return &m_styles; }
    const TfrxStyles *Styles() const { return &m_styles; }
    // Names the expansion treats as system variables, in this order.
    const QStringList &SysVariables() const { return m_sysVariables; }

    // ---- datasets ----
    // The dataset of the first list item whose dataset's alias equals alias, ignoring case.
    TfrxDataSet *GetDataset(const QString &alias) const;
    // The datasets the designer offers: registered, enabled and named ones (or, with the global
    // registry option off, the enabled-datasets list).
    QList<TfrxDataSet *> GetDataSetList() const;
    // The alias of a dataset in the report's list, or "(dataset is not included in Report.DataSets)".
    QString GetAlias(const TfrxDataSet *dataSet) const;

    // ---- errors (sorted, each text once) ----
    const QStringList &Errors() const { return m_errors; }
    void AddError(const QString &text);
    void ClearErrors() { m_errors.clear(); }

    // ---- state of loading and building ----
    QString FileName() const { return m_fileName; }
    void SetFileName(const QString &value) { m_fileName = value; }
    // The object being processed; prefixes expression error messages.
    QString CurObject() const { return m_curObject; }
    void SetCurObject(const QString &value) { m_curObject = value; }
    // The password accepted by the last check; a reset forgets it.
    QString LastPassword() const { return m_lastPassword; }
    void SetLastPassword(const QString &value) { m_lastPassword = value; }

    // The full reset: clears the pages (ancestor objects stay), the lists and the options it names.
    void ClearObjects() override;

    // The text engine every text object of this report lays out and draws with; made on first use.
    TfrxDrawText *DrawText();

    // ---- building (frxReportBuild.cpp) ----
    // Builds the prepared pages (appending to them unless clearPrevious); true when the build ran
    // to its end without errors. The report is reloaded from a snapshot afterwards, so a build
    // never changes the layout.
    bool BuildPages(bool clearPrevious = true);
    // Empties the prepared pages when asked and builds them into the preview (frxReportShow.cpp):
    // the attached Preview control, else a new preview window (modal ones return when closed);
    // without a registered preview window it only builds.
    bool ShowReport(bool clearPrevious = true);
    bool Terminated() const { return m_terminated; }
    // True also stops the running script.
    void SetTerminated(bool value);
    // Called by the report's scripts before every statement (and every turn of a loop): stops the
    // script once Terminated is set, and lets the window's events through every few dozen
    // milliseconds, so that a Cancel (or an interrupt) reaches a script that never ends.
    void ScriptLineReached(TfsScript *sender);
    // The builder; nullptr when no engine was registered.
    TfrxCustomEngine *Engine();
    // The script prepared as a build prepares it; false (and the error added) when it does not
    // compile.
    bool PrepareScript();
    using TNotifyHostEvent = std::function<void(QObject *sender)>;
    using TComponentHostEvent = std::function<void(TfrxComponent *sender)>;
    TNotifyHostEvent OnBeginDoc;
    TNotifyHostEvent OnEndDoc;
    TNotifyHostEvent OnAfterScriptCompile;
    // A preview window was made for ShowReport and is about to show; its window closed.
    TNotifyHostEvent OnPreview;
    TNotifyHostEvent OnClosePreview;
    TComponentHostEvent OnBeforePrint;
    TComponentHostEvent OnAfterPrint;
    std::function<void(TfrxPage *page)> OnManualBuild;
    // Progress of a build, an export or a print job; the host events get the kind as its number
    // (0 preparing, 1 exporting, 2 printing).
    std::function<void(TfrxReport *sender, int kind)> OnProgressStart;
    std::function<void(TfrxReport *sender, int kind, int progress)> OnProgress;
    std::function<void(TfrxReport *sender, int kind)> OnProgressStop;
    virtual void DoProgressStart(TfrxProgressKind kind);
    virtual void DoProgress(TfrxProgressKind kind, int progress);
    virtual void DoProgressStop(TfrxProgressKind kind);
    // Hears the progress of every report of the process besides the report's own events (the
    // command line's progress line); nullptr for none. Not owned.
    class ProgressObserver {
    public:
        virtual ~ProgressObserver() = default;
        virtual void Start(TfrxReport *report, int kind) = 0;
        virtual void Progress(TfrxReport *report, int kind, int progress) = 0;
        virtual void Stop(TfrxReport *report, int kind) = 0;
    };
    static void SetProgressObserver(ProgressObserver *observer);
    bool Reloading() const { return m_reloading; }
    void SetReloading(bool value) { m_reloading = value; }

    // ---- designing (report/host/frxDesignerBase.cpp) ----
    // The designer window open on this report; nullptr when none is.
    TfrxCustomDesigner *Designer() const { return m_designer; }
    void SetDesigner(TfrxCustomDesigner *value) { m_designer = value; }
    // Whether the last designer session ended with unsaved (or just saved) changes.
    bool Modified() const { return m_modified; }
    void SetModified(bool value) { m_modified = value; }
    // Opens the registered designer on this report; modal returns once the window is closed. Does
    // nothing when a designer is already open or none is registered.
    void OpenDesigner(bool modal = true, bool mdiChild = false);

    // ---- prepared pages and printing (frxReportPrint.cpp) ----
    // The store of the prepared pages, made on first use by the registered class (the engine layer
    // registers it); nullptr when none is registered.
    TfrxCustomPreviewPages *PreviewPages();
    // Prints the prepared pages through the store's print job; whether a job ran.
    bool PrintPrepared();
    std::function<void(QObject *sender)> OnPrintReport;
    std::function<void(TfrxReportPage *page, int copyNo)> OnPrintPage;
    std::function<void(QObject *sender)> OnAfterPrintReport;

    // Host callbacks for values the expansion does not find elsewhere.
    TGetValueEvent OnGetValue;
    TNewGetValueEvent OnNewGetValue;

    // ---- expressions (frxCalc.cpp) ----
    // The value of an expression: a plain name through ResolveName, anything else compiled once
    // and kept in the expression cache. An error is added to Errors (with the CurObject prefix)
    // and raised.
    Variant Calc(const QString &expr);
    // Calc as report scripts call it: errors raise as "Error in Calc expression:" + the message.
    Variant ScriptCalc(const QString &expr);
    // Answers dataset fields, system variables, names the host knows, report and process-wide
    // variables and script variables without compiling anything; false for any other text.
    bool ResolveName(const QString &text, Variant &value);
    // The script functions Get(Name) and Set(Name, Value).
    Variant ScriptGet(const QString &name);
    void ScriptSet(const QString &name, const Variant &value);
    TfrxExpressionCache *ExpressionCache() { return &m_expressionCache; }
    // The script engine behind expressions: the one installed, else the report script's own.
    TfrxExpressionScript *ExpressionScript();
    void SetExpressionScript(std::unique_ptr<TfrxExpressionScript> script);
    // The report script; nullptr while another engine is installed for expressions.
    TfsScript *Script();
    // The counters of the running build (for Page, Line, ...); nullptr outside a build.
    TfrxBuildCounters *BuildCounters() const { return m_buildCounters; }
    void SetBuildCounters(TfrxBuildCounters *counters) { m_buildCounters = counters; }

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    void Reset();

    TfrxExpressionCache m_expressionCache{this};
    std::unique_ptr<TfrxExpressionScript> m_expressionScript;
    TfrxBuildCounters *m_buildCounters = nullptr;
    // Report variables whose expressions are being evaluated, to stop a variable that refers to
    // itself (directly or through others).
    QStringList m_variablesInCalc;
    TfrxEngineOptions m_engineOptions;
    TfrxPreviewOptions m_previewOptions;
    TfrxPrintOptions m_printOptions;
    TfrxReportOptions m_reportOptions;
    TfrxReportDataSets m_datasets;
    TfrxReportDataSets m_enabledDataSets;
    TfrxVariables m_variables;
    TfrxStyles m_styles;
    QStringList m_errors;
    QStringList m_sysVariables;
    QStringList m_scriptText;
    QString m_parentReport;
    QString m_dataSetName;
    QString m_iniFile;
    QString m_scriptLanguage;
    QString m_onRunDialogs;
    QString m_onStartReport;
    QString m_onStopReport;
    QString m_onReportPrint;
    QString m_fileName;
    QString m_curObject;
    QString m_lastPassword;
    QPointer<QWidget> m_preview;
    std::unique_ptr<TfrxDrawText> m_drawText;
    // Shared ownership only so the report layer can free it without the engine's class.
    std::shared_ptr<TfrxCustomPreviewPages> m_previewPages;
    std::unique_ptr<TfrxCustomEngine> m_engine;
    bool m_terminated = false;
    unsigned m_scriptLines = 0;
    qint64 m_scriptEventsAt = 0; // when ScriptLineReached last let events through (ms, monotonic)
    bool m_reloading = false;
    bool m_modified = false;
    TfrxCustomDesigner *m_designer = nullptr;
    TfrxDataSet *m_dataSet = nullptr;
    bool m_dotMatrixReport = false;
    bool m_oldStyleProgress = false;
    bool m_showProgress = true;
    bool m_storeInDFM = true;
};

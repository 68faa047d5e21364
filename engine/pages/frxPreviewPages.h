#pragma once
// The prepared pages store: the result of a build as an XML document whose object records hold
// only what differs from the object's copy in a source page, the picture cache beside it, the
// outline, anchors and logical page numbers; page objects are rebuilt on demand and kept in a
// least-recently-used cache of PagesInCache pages. Saved and loaded as prepared-report files.

#include "engine/build/frxOutline.h"
#include "engine/pages/frxPictureCache.h"
#include "report/host/frxPreviewPagesBase.h"
#include "report/io/frxXML.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <list>
#include <memory>
#include <vector>

class TfrxComponent;
class TfrxReportPage;

// One attribute of a property text, its value still escaped.
struct TfrxAttribute {
    QString Name;
    QString Value;
};
// Splits ' A="1" B="x"' into its attributes (values stay escaped).
QList<TfrxAttribute> frxSplitAttributes(QStringView text);

class TfrxPreviewPages : public TfrxCustomPreviewPages {
public:
    // Objects nested deeper than MaxObjectDepth below the page are left out, as the layout reader
    // leaves them out: the component tree's own walks recurse, and a hostile file could otherwise
    // drive them into the stack's end.
    static constexpr int MaxObjectDepth = 100;
    explicit TfrxPreviewPages(TfrxReport *report);
    ~TfrxPreviewPages() override;

    // Makes every report create its prepared pages as a TfrxPreviewPages (once at start-up; the
    // engine's tests and programs call it before they build).
    static void Register();

    void ClearPages() override;
    void BeginBuild() override;
    void EndBuild() override;
    void BeginPass() override;
    void DropFirstPass() override;
    void SetPassInfo(bool firstPassOfDouble, bool finalPassOfDouble) override;
    void RegisterSourcePage(TfrxReportPage *page) override;
    void AppendPage(TfrxReportPage *page) override;
    void AppendObjects(TfrxComponent *band) override;
    bool ContainsBand(TfrxBand *band) override;
    double LowestBandBottom(double x) override;
    void CutObjects(int position) override;
    void PasteObjects(double x, double y) override;
    int CurrentPosition() override;
    void SetSourcePageSize(TfrxReportPage *page, double height, double width) override;

    int CurPage() const override { return m_curPage; }
    void SetCurPage(int index) override { m_curPage = index; }
    bool AppendMode() const override { return m_addPageAction; }
    void SetAppendMode(bool value) override { m_addPageAction = value; }
    int FirstRecordPage() const override { return m_firstRecordPage; }
    void SetFirstRecordPage(int index) override { m_firstRecordPage = index; }

    void AddAnchor(const QString &text, double curY) override;
    int GetAnchorPage(const QString &text) override;
    // Anchors after fromIndex move one page on; their tops are rebased on newTop.
    void ShiftAnchors(int fromIndex, int newTop);
    void AddLogicalPage() override;
    void ResetLogicalNumbers() override;
    int LogicalPageNo() override;
    int LogicalTotal(int engineTotalPages = 0) override;
    TfrxOutline *Outline() override { return &m_outline; }

    int Count() override;
    TfrxReportPage *GetPage(int index) override;
    QSize GetPageSize(int index) override;
    void ClearCache() override;
    void DrawPreparedPage(int index, TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX,
                          double offsetY) override;
    bool PrintPreparedPages() override;

    // Preview editing; each empties the page cache.
    void InsertEmptyPage(int index);
    void DeletePage(int index);
    void ReplacePage(int index, TfrxReportPage *page);
    // Appends another report's prepared pages as complete pages, with its anchors and outline.
    void AppendReport(TfrxReport *report);

    void SaveToStream(QIODevice *stream) override;
    void LoadFromStream(QIODevice *stream) override;
    void SaveToFile(const QString &fileName) override;
    bool LoadFromFile(const QString &fileName, bool exceptionIfNotFound = false) override;

    // The copy number and print scale the page drawing passes on (set by the print job).
    int CopyNo() const { return m_copyNo; }
    void SetCopyNo(int value) { m_copyNo = value; }
    double PrintScale() const { return m_printScale; }
    void SetPrintScale(double value) { m_printScale = value; }

    // Told when a build starts (event 0), appends a page (event 1, with the page's 0-based index)
    // and ends (event 2): an open preview fills itself from it while a build runs into it.
    static inline std::function<void(TfrxPreviewPages *pages, int event, int page)> OnBuildProgress;
    // The pass running: the first of a double-pass build (its pages are dropped afterwards).
    bool FirstPassOfDouble() const { return m_firstPassOfDouble; }

    // The page the preview shows (1-based, 0 when none): what the print dialog's "Current page" prints.
    int CurPreviewPage() const { return m_curPreviewPage; }
    void SetCurPreviewPage(int value) { m_curPreviewPage = value; }

    // For tests and diagnostics.
    TfrxXMLDocument *Document() { return &m_xml; }
    TfrxPictureCache *PictureCache() { return &m_pictureCache; }
    int SourcePageCount() const { return int(m_sourcePages.size()); }
    // Built pages held in the cache, most recently used first.
    QList<int> CachedPages() const;
    // The alias a layout object's copy was given in the current build; empty when none.
    QString AliasOf(const TfrxComponent *layoutObject) const;

private:
    // The difference last written for a source object, with the attributes it came from.
    struct DiffCache {
        QString Own; // the object's attributes without its text
        QString Geometry;
        QString Rest;
        bool GeometryOnly = false;
        bool AutoWidth = false;
        bool Valid = false;
    };
    struct SourceObject {
        QString Alias;
        QString FullName;
        TfrxComponent *Copy = nullptr;
        QString ClassName;
        QHash<QString, QString> Base;                            // complete property text, defaults included
        QStringList OwnNames;                                    // the attributes it writes without defaults
        std::shared_ptr<const QHash<QString, QString>> Defaults; // of a new object of its class
        int PageIndex = 0;
        QString LastText; // its last record's text, shared by the next record when equal
        DiffCache LastDiff;
    };
    struct SourcePage {
        std::unique_ptr<TfrxReportPage> Page;
        QList<TfrxAttribute> Base;
        bool BackDecoded = false; // the background's pixels are decoded and shared
        QString ItemName;         // "page" + index, shared by all its page items
        // A copy of another source page's settings with the size of endless pages (-1: a layout
        // page's copy).
        int SizedFrom = -1;
    };
    struct CacheEntry {
        int Index;
        std::unique_ptr<TfrxReportPage> Page;
    };

    TfrxXMLItem *Root() { return m_xml.Root(); }
    TfrxXMLItem *PagesItem() { return Root()->FindItem(QStringLiteral("previewpages")); }
    TfrxXMLItem *LogicalItem() { return Root()->FindItem(QStringLiteral("logicalpagenumbers")); }
    TfrxXMLItem *PageItem(int index);
    TfrxXMLItem *CurPageItem() { return PageItem(m_curPage); }
    void Flush();
    QString NewAlias(const QString &prefix);
    SourceObject *AddSourceObject(TfrxComponent *copy, int pageIndex,
                                  const QString &aliasIfKnown = QString());
    void WriteObject(TfrxComponent *object, TfrxXMLItem *parentItem, bool fullObjects);
    QString DiffText(TfrxComponent *object, SourceObject &source, bool geometryOnly);
    std::unique_ptr<TfrxReportPage> BuildPage(TfrxXMLItem *item);
    void BuildChildren(TfrxXMLItem *item, TfrxComponent *parent, TfrxReportPage *page, int sourceIndex,
                       int depth = 1);
    void ReadFullPage(TfrxXMLItem *item, TfrxReportPage *page);
    void WriteFullPage(TfrxReportPage *page, TfrxXMLItem *item);
    void LoadPictureIndexes(TfrxComponent *root);
    int SourceIndexOf(const TfrxXMLItem *pageItem) const;

    TfrxXMLDocument m_xml;
    TfrxPictureCache m_pictureCache;
    TfrxOutline m_outline;
    std::vector<SourcePage> m_sourcePages;
    // The sized copies made in this store: source index, width and height → their index.
    QHash<QString, int> m_sizedPages;
    QMap<QString, SourceObject *> m_dictionary; // sorted by alias
    std::vector<std::unique_ptr<SourceObject>> m_sourceObjects;
    QHash<const TfrxComponent *, SourceObject *> m_layoutLinks;
    QHash<const TfrxComponent *, int> m_layoutPageLinks;
    QHash<QString, std::shared_ptr<const QHash<QString, QString>>> m_classDefaults;
    std::list<CacheEntry> m_pageCache;
    int m_curPage = -1;
    int m_firstRecordPage = 0;
    bool m_addPageAction = false;
    bool m_building = false;
    bool m_firstPassOfDouble = false;
    bool m_finalPassOfDouble = false;
    int m_copyNo = 0;
    int m_curPreviewPage = 0;
    double m_printScale = 1;
    qint64 m_xmlSize = 0;
    double m_lastY = 0;
    int m_firstPage = -1;
    int m_firstObjectIndex = 0;
    int m_firstOutlineIndex = 0;
    int m_logicalPageN = 0;
};

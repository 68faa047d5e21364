#include "engine/pages/frxPreviewPages.h"

#include "platform/SafeFile.h"

#include "engine/print/frxPrintJob.h"
#include "platform/Exception.h"
#include "platform/SafeFile.h"
#include "report/core/frxClassRegistry.h"
#include "report/draw/frxDrawPage.h"
#include "report/io/frxSerializeReport.h"
#include "report/io/frxXMLSerializer.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QVarLengthArray>

#include <cmath>

namespace {

// The one-letter names the records use for the geometry and for a text object's text.
QStringView ShortName(QStringView name)
{
    if (name == QLatin1String("Left"))
        return u"l";
    if (name == QLatin1String("Top"))
        return u"t";
    if (name == QLatin1String("Width"))
        return u"w";
    if (name == QLatin1String("Height"))
        return u"h";
    return name;
}

QStringView LongName(QStringView name)
{
    if (name.size() == 1) {
        switch (name.at(0).unicode()) {
        case 'l':
            return u"Left";
        case 't':
            return u"Top";
        case 'w':
            return u"Width";
        case 'h':
            return u"Height";
        case 'u':
            return u"Text";
        default:
            break;
        }
    }
    return name;
}

bool IsGeometry(QStringView name)
{
    return name == QLatin1String("Left") || name == QLatin1String("Top") || name == QLatin1String("Width") ||
           name == QLatin1String("Height");
}

void AppendAttribute(QString &out, QStringView name, QStringView escapedValue)
{
    if (!out.isEmpty())
        out += u' ';
    out += name;
    out += QLatin1String("=\"");
    out += escapedValue;
    out += u'"';
}

// One attribute of a property text, as views into that text (values still escaped).
struct AttributeView {
    QStringView Name;
    QStringView Value;
};

// frxSplitAttributes without copies: the views stay valid as long as the text.
template <class List> void SplitAttributeViews(QStringView text, List &result)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && text.at(i).isSpace())
            ++i;
        const qsizetype nameStart = i;
        while (i < n && text.at(i) != u'=' && !text.at(i).isSpace())
            ++i;
        if (i >= n || text.at(i) != u'=')
            break;
        const QStringView name = text.mid(nameStart, i - nameStart);
        ++i;
        if (i >= n || text.at(i) != u'"')
            break;
        ++i;
        const qsizetype valueStart = i;
        while (i < n && text.at(i) != u'"')
            ++i;
        result.append({name, text.mid(valueStart, i - valueStart)});
        ++i;
    }
}

// A picture view's picture is kept in the picture cache, never in the record: the property text is
// taken with the picture swapped out (its bytes would otherwise be written as hexadecimal for
// every page).
class PictureOut {
public:
    explicit PictureOut(TfrxComponent *object) : m_view(qobject_cast<TfrxPictureView *>(object))
    {
        if (m_view && !m_view->Picture().IsEmpty()) {
            m_changed = m_view->IsPictureChanged();
            m_picture = m_view->Picture();
            m_view->SetPicture(TPicture());
            m_swapped = true;
        }
    }
    ~PictureOut()
    {
        if (m_swapped) {
            m_view->SetPicture(m_picture);
            m_view->SetPictureChanged(m_changed);
        }
    }

private:
    TfrxPictureView *m_view;
    TPicture m_picture;
    bool m_changed = false;
    bool m_swapped = false;
};

// Every stored property, defaults included, so that a value equal to its default still differs
// from a source object that does not have the default.
QString FullText(TfrxComponent *object, TfrxReport *report)
{
    PictureOut out(object);
    TfrxXMLSerializer serializer(report);
    serializer.SetSaveDefaultValues(true);
    return serializer.ObjToXML(TfrxPropTarget(object));
}

// The complete property string of an object without source: only what differs from the defaults.
// Without ownData a text object's text is left out (the records write it as "u").
QString OwnText(TfrxComponent *object, TfrxReport *report, bool ownData = true)
{
    PictureOut out(object);
    TfrxXMLSerializer serializer(report);
    serializer.SetWriteOwnData(ownData);
    return serializer.ObjToXML(TfrxPropTarget(object)).trimmed();
}

bool IsFullPageItem(const TfrxXMLItem *item)
{
    return item->Name() == QLatin1String("TfrxReportPage") || item->Name() == QLatin1String("TfrxDMPPage");
}

} // namespace

QList<TfrxAttribute> frxSplitAttributes(QStringView text)
{
    QVarLengthArray<AttributeView, 32> views;
    SplitAttributeViews(text, views);
    QList<TfrxAttribute> result;
    result.reserve(views.size());
    for (const AttributeView &view : views)
        result.append({view.Name.toString(), view.Value.toString()});
    return result;
}

// ---- life ----

TfrxPreviewPages::TfrxPreviewPages(TfrxReport *report)
    : TfrxCustomPreviewPages(report),
      m_outline([this] { return Root()->FindItem(QStringLiteral("outline")); }, [this] { return m_curPage; })
{
    Root()->SetName(QStringLiteral("preparedreport"));
}

TfrxPreviewPages::~TfrxPreviewPages()
{
    m_pageCache.clear();
}

void TfrxPreviewPages::Register()
{
    frxRegisterPreviewPagesClass([](TfrxReport *report) -> std::unique_ptr<TfrxCustomPreviewPages> {
        return std::make_unique<TfrxPreviewPages>(report);
    });
}

void TfrxPreviewPages::ClearPages()
{
    m_pageCache.clear();
    m_layoutLinks.clear();
    m_layoutPageLinks.clear();
    m_dictionary.clear();
    m_sourceObjects.clear();
    m_sourcePages.clear();
    m_sizedPages.clear();
    m_xml.Clear();
    Root()->SetName(QStringLiteral("preparedreport"));
    m_pictureCache.Clear();
    m_outline.LevelRoot();
    m_curPage = -1;
    m_firstRecordPage = 0;
    m_xmlSize = 0;
    m_lastY = 0;
    m_logicalPageN = 0;
    m_firstPage = -1;
}

void TfrxPreviewPages::BeginBuild()
{
    TfrxReport *report = Report();
    m_pictureCache.SetUseFileCache(report->PreviewOptions()->PictureCacheInFile());
    // The layout's EngineOptions.TempDir is not followed (a layout from a stranger would have the
    // build write into any folder it names): the system's temporary folder.
    m_pictureCache.SetTempDir(QString());
    m_xml.SetTempDir(QString());
    m_building = true;
    if (OnBuildProgress)
        OnBuildProgress(this, 0, 0);
}

void TfrxPreviewPages::EndBuild()
{
    m_lastY = 0;
    m_pageCache.clear();
    m_layoutLinks.clear();
    m_layoutPageLinks.clear();
    m_building = false;
    if (OnBuildProgress)
        OnBuildProgress(this, 2, 0);
}

void TfrxPreviewPages::SetPassInfo(bool firstPassOfDouble, bool finalPassOfDouble)
{
    m_firstPassOfDouble = firstPassOfDouble;
    m_finalPassOfDouble = finalPassOfDouble;
}

void TfrxPreviewPages::BeginPass()
{
    m_firstPage = Count() - 1;
    if (m_firstPage >= 0) {
        m_firstObjectIndex = PageItem(m_firstPage)->Count();
        m_firstOutlineIndex = Root()->FindItem(QStringLiteral("outline"))->Count();
    }
    if (!m_finalPassOfDouble)
        m_logicalPageN = 0;
}

void TfrxPreviewPages::DropFirstPass()
{
    m_pageCache.clear();
    if (m_firstPage < 0) {
        for (int i = Root()->Count() - 1; i >= 0; --i) {
            TfrxXMLItem *item = Root()->Items(i);
            if (item->Name() != QLatin1String("anchors") &&
                item->Name() != QLatin1String("logicalpagenumbers"))
                delete item;
        }
    } else {
        TfrxXMLItem *pages = PagesItem();
        while (pages->Count() > m_firstPage + 1)
            delete pages->Items(pages->Count() - 1);
        TfrxXMLItem *first = PageItem(m_firstPage);
        if (first->Unloadable() && !first->Loaded())
            m_xml.LoadItem(first);
        while (first->Count() > m_firstObjectIndex)
            delete first->Items(first->Count() - 1);
        TfrxXMLItem *outline = Root()->FindItem(QStringLiteral("outline"));
        while (outline->Count() > m_firstOutlineIndex)
            delete outline->Items(outline->Count() - 1);
    }
    m_outline.LevelRoot();
    m_logicalPageN = 0;
    m_curPage = m_firstPage;
    m_xmlSize = 0;
}

// ---- source pages and the dictionary ----

QString TfrxPreviewPages::NewAlias(const QString &prefix)
{
    int n = 10000;
    while (n > 1 && !m_dictionary.contains(prefix + QString::number(n)))
        n /= 2;
    while (m_dictionary.contains(prefix + QString::number(n)))
        ++n;
    return prefix + QString::number(n);
}

TfrxPreviewPages::SourceObject *TfrxPreviewPages::AddSourceObject(TfrxComponent *copy, int pageIndex,
                                                                  const QString &aliasIfKnown)
{
    auto source = std::make_unique<SourceObject>();
    const QString prefix =
        qobject_cast<TfrxBand *>(copy) ? QStringLiteral("b") : copy->BaseName().left(1).toLower();
    source->Alias =
        aliasIfKnown.isEmpty() ? NewAlias(prefix.isEmpty() ? QStringLiteral("x") : prefix) : aliasIfKnown;
    source->FullName = QStringLiteral("Page%1.%2").arg(pageIndex).arg(copy->Name());
    source->Copy = copy;
    source->ClassName = copy->ClassName();
    source->PageIndex = pageIndex;
    for (const TfrxAttribute &attribute : frxSplitAttributes(FullText(copy, Report())))
        source->Base.insert(attribute.Name, attribute.Value);
    for (const TfrxAttribute &attribute : frxSplitAttributes(OwnText(copy, Report())))
        source->OwnNames.append(attribute.Name);
    std::shared_ptr<const QHash<QString, QString>> defaults = m_classDefaults.value(source->ClassName);
    if (!defaults) {
        auto values = std::make_shared<QHash<QString, QString>>();
        if (std::unique_ptr<TfrxComponent> fresh{frxCreateComponent(source->ClassName, nullptr)})
            for (const TfrxAttribute &attribute : frxSplitAttributes(FullText(fresh.get(), Report())))
                values->insert(attribute.Name, attribute.Value);
        defaults = values;
        m_classDefaults.insert(source->ClassName, defaults);
    }
    source->Defaults = defaults;
    SourceObject *result = source.get();
    m_dictionary.insert(result->Alias, result);
    m_sourceObjects.push_back(std::move(source));
    return result;
}

void TfrxPreviewPages::RegisterSourcePage(TfrxReportPage *page)
{
    if (!page)
        return;
    TfrxComponent *made = frxCreateComponent(page->ClassName(), nullptr);
    auto *copy = qobject_cast<TfrxReportPage *>(made);
    if (!copy) {
        delete made;
        copy = new TfrxReportPage(nullptr);
    }
    std::unique_ptr<TfrxReportPage> owned(copy);
    copy->AssignAll(page);
    try {
        copy->SetName(page->Name());
    } catch (const Exception &) {
    }
    const int pageIndex = int(m_sourcePages.size());
    QHash<QString, TfrxComponent *> copies;
    for (TfrxComponent *object : copy->AllObjects())
        copies.insert(object->Name().toLower(), object);
    for (TfrxComponent *original : page->AllObjects()) {
        TfrxComponent *object = copies.value(original->Name().toLower());
        if (!object || original->Name().isEmpty())
            continue;
        // The copy serves as the base of records: a dataset binding has no meaning there, and a
        // picture lives in the picture cache.
        if (auto *view = qobject_cast<TfrxView *>(object)) {
            view->SetDataSet(nullptr);
            view->SetDataField(QString());
        }
        if (auto *picture = qobject_cast<TfrxPictureView *>(object)) {
            picture->SetPicture(TPicture());
            picture->SetPictureChanged(false);
        }
        m_layoutLinks.insert(original, AddSourceObject(object, pageIndex));
    }
    m_layoutPageLinks.insert(page, pageIndex);
    m_sourcePages.push_back({std::move(owned), {}, false, {}});
}

void TfrxPreviewPages::SetSourcePageSize(TfrxReportPage *page, double height, double width)
{
    // An endless page takes the size its content needed, which differs from page to page. The
    // size lives in a source page: the current page is pointed at a copy of its source page's
    // settings with that size (no objects: they come from the dictionary), one copy per size, so
    // that a prepared-report file keeps every page's size in the form it always had.
    TfrxXMLItem *item = CurPageItem();
    int index = item ? SourceIndexOf(item) : -1;
    if (index >= 0 && m_sourcePages.at(index).SizedFrom >= 0)
        index = m_sourcePages.at(index).SizedFrom;
    if (index < 0)
        index = m_layoutPageLinks.value(page, -1);
    if (index < 0)
        return;
    if (!item || SourceIndexOf(item) < 0) {
        TfrxReportPage *copy = m_sourcePages.at(index).Page.get();
        copy->SetPaperSize(256);
        copy->SetPaperWidth(width / fr01cm);
        copy->SetPaperHeight(height / fr01cm);
        copy->UpdateDimensions();
        m_pageCache.clear();
        return;
    }
    // Sizes as the page keeps them: millimetres, rounded as a saved file rounds them.
    const QString key = QStringLiteral("%1 %2 %3")
                            .arg(index)
                            .arg(frxFloatToStr(width / fr01cm), frxFloatToStr(height / fr01cm));
    int sized = m_sizedPages.value(key, -1);
    if (sized < 0) {
        TfrxReportPage *source = m_sourcePages.at(index).Page.get();
        TfrxComponent *made = frxCreateComponent(source->ClassName(), nullptr);
        std::unique_ptr<TfrxReportPage> copy(qobject_cast<TfrxReportPage *>(made));
        if (!copy) {
            delete made;
            copy = std::make_unique<TfrxReportPage>(nullptr);
        }
        copy->Assign(source);
        try {
            copy->SetName(source->Name());
        } catch (const Exception &) {
        }
        copy->SetPaperSize(256);
        copy->SetPaperWidth(width / fr01cm);
        copy->SetPaperHeight(height / fr01cm);
        copy->UpdateDimensions();
        sized = int(m_sourcePages.size());
        SourcePage entry{std::move(copy), {}, false, QStringLiteral("page") + QString::number(sized)};
        entry.SizedFrom = index;
        m_sourcePages.push_back(std::move(entry));
        m_sizedPages.insert(key, sized);
    }
    item->SetName(m_sourcePages.at(sized).ItemName);
    for (auto it = m_pageCache.begin(); it != m_pageCache.end(); ++it)
        if (it->Index == m_curPage) {
            m_pageCache.erase(it);
            break;
        }
}

QString TfrxPreviewPages::AliasOf(const TfrxComponent *layoutObject) const
{
    const SourceObject *source = m_layoutLinks.value(layoutObject);
    return source ? source->Alias : QString();
}

// ---- appending ----

TfrxXMLItem *TfrxPreviewPages::PageItem(int index)
{
    TfrxXMLItem *pages = PagesItem();
    if (index < 0 || index >= pages->Count())
        return nullptr;
    return pages->Items(index);
}

void TfrxPreviewPages::Flush()
{
    const TfrxEngineOptions *options = Report()->EngineOptions();
    if (!options->UseFileCache() || m_xmlSize <= qint64(options->MaxMemSize()) * 1048576)
        return;
    TfrxXMLItem *pages = PagesItem();
    for (int i = pages->Count() - 2; i >= 0; --i) {
        TfrxXMLItem *item = pages->Items(i);
        if (!item->Loaded())
            break;
        if (item->Unloadable())
            m_xml.UnloadItem(item);
    }
    m_xmlSize = 0;
}

void TfrxPreviewPages::AppendPage(TfrxReportPage *page)
{
    TfrxXMLItem *pages = PagesItem();
    Flush();
    ++m_curPage;
    if (m_curPage < pages->Count() && !m_addPageAction)
        return;
    int sourceIndex = m_layoutPageLinks.value(page, -1);
    if (sourceIndex < 0) {
        // A page the builder did not register yet gets its source copy now.
        RegisterSourcePage(page);
        sourceIndex = int(m_sourcePages.size()) - 1;
    }
    TfrxXMLItem *item = pages->Add();
    QString &itemName = m_sourcePages.at(sourceIndex).ItemName;
    if (itemName.isEmpty())
        itemName = QStringLiteral("page") + QString::number(sourceIndex);
    item->SetName(itemName);
    if (pages->Count() > 2)
        item->SetUnloadable(true);
    m_addPageAction = false;
    m_curPage = pages->Count() - 1;
    AddLogicalPage();
    if (OnBuildProgress)
        OnBuildProgress(this, 1, m_curPage);
}

QString TfrxPreviewPages::DiffText(TfrxComponent *object, SourceObject &source, bool geometryOnly)
{
    const bool isBand = qobject_cast<TfrxBand *>(object) != nullptr;
    auto *memo = qobject_cast<TfrxCustomMemoView *>(object);
    const bool autoWidth = memo && memo->AutoWidth();
    // Only the values that differ from their defaults are formatted (the full list costs several
    // times as much); a value the source has and the object left at its default comes from the
    // class's defaults. A text object's text is not among them: it is written as "u" below.
    QString own = OwnText(object, Report(), false);
    // The builder shows the same object on page after page with only its text changed: when the
    // other attributes are what they were at the last record, so is their difference.
    DiffCache &cache = source.LastDiff;
    if (!cache.Valid || cache.GeometryOnly != geometryOnly || cache.AutoWidth != autoWidth ||
        cache.Own != own) {
        QString geometry, rest;
        // The attributes are read in place, as views into the formatted text: this runs for every
        // object whose attributes changed, and copying each name and value cost more than the rest.
        QVarLengthArray<AttributeView, 32> attributes;
        SplitAttributeViews(own, attributes);
        const qsizetype ownCount = attributes.size();
        for (const QString &name : source.OwnNames) {
            bool present = false;
            for (qsizetype i = 0; i < ownCount && !present; ++i)
                present = attributes[i].Name == name;
            if (!present && source.Defaults)
                if (auto it = source.Defaults->constFind(name); it != source.Defaults->constEnd())
                    attributes.append({name, *it});
        }
        for (const AttributeView &attribute : attributes) {
            if (memo && attribute.Name == QLatin1String("Text"))
                continue;
            const bool isGeometry = IsGeometry(attribute.Name);
            if (isGeometry && autoWidth && attribute.Name == QLatin1String("Width"))
                continue;
            // A key that only points into the text: no copy for the lookup.
            const QString key = QString::fromRawData(attribute.Name.data(), attribute.Name.size());
            const auto base = source.Base.constFind(key);
            const bool differs = base == source.Base.constEnd() || QStringView(*base) != attribute.Value;
            if (isGeometry) {
                if (differs || (isBand && attribute.Name == QLatin1String("Top")))
                    AppendAttribute(geometry, ShortName(attribute.Name), attribute.Value);
            } else if (differs && !geometryOnly) {
                AppendAttribute(rest, attribute.Name, attribute.Value);
            }
        }
        cache.Own = std::move(own);
        cache.Geometry = std::move(geometry);
        cache.Rest = std::move(rest);
        cache.GeometryOnly = geometryOnly;
        cache.AutoWidth = autoWidth;
        cache.Valid = true;
    }
    if (geometryOnly)
        return cache.Geometry;
    QString text;
    QString memoText;
    if (memo)
        memoText = frxStrToXML(memo->Memo().join(QLatin1String("\r\n")));
    text.reserve(cache.Geometry.size() + cache.Rest.size() + memoText.size() + 32);
    text += QStringView(cache.Geometry);
    QStringView rest = cache.Rest;
    if (!rest.isEmpty()) {
        if (!text.isEmpty())
            text += u' ';
        text += rest;
    }
    if (memo)
        AppendAttribute(text, u"u", memoText);
    if (auto *picture = qobject_cast<TfrxPictureView *>(object))
        AppendAttribute(text, u"ImageIndex", QString::number(picture->ImageIndex()));
    return text;
}

void TfrxPreviewPages::WriteObject(TfrxComponent *object, TfrxXMLItem *parentItem, bool fullObjects)
{
    if (!object->Visible())
        return;
    if (auto *picture = qobject_cast<TfrxPictureView *>(object)) {
        // A picture is put into the cache once, when it is new or changed since its last record.
        if (picture->IsPictureChanged() || (picture->ImageIndex() == 0 && !picture->Picture().IsEmpty())) {
            picture->SetImageIndex(m_pictureCache.AddPicture(picture->Picture()));
            picture->SetPictureChanged(false);
        }
    }
    SourceObject *source = fullObjects ? nullptr : m_layoutLinks.value(object);
    QString name, text;
    if (source) {
        name = source->Alias;
        text = DiffText(object, *source, m_firstPassOfDouble);
    } else {
        name = object->ClassName();
        text = OwnText(object, Report());
        if (auto *picture = qobject_cast<TfrxPictureView *>(object))
            AppendAttribute(text, QStringLiteral("ImageIndex"), QString::number(picture->ImageIndex()));
    }
    // Records live as long as the store: the text is kept at its exact size, and it and the item
    // are allocated only now, after the temporaries of formatting are gone, so that they fill the
    // room those left instead of scattering holes between long-lived records.
    TfrxXMLItem *item = parentItem->Add();
    item->SetName(name);
    if (source && source->LastText == text) {
        // Bands and fixed labels repeat their record on every page: one copy serves them all.
        item->SetText(source->LastText);
    } else {
        item->SetText(QString(text.constData(), text.size()));
        if (source)
            source->LastText = item->Text();
    }
    text.clear();
    m_xmlSize += item->Name().size() + item->Text().size() + qint64(sizeof(TfrxXMLItem)) + 16;
    for (TfrxComponent *child : object->Objects())
        WriteObject(child, item, fullObjects);
}

void TfrxPreviewPages::AppendObjects(TfrxComponent *band)
{
    TfrxXMLItem *page = CurPageItem();
    if (!band || !page)
        return;
    if (page->Unloadable() && !page->Loaded())
        m_xml.LoadItem(page);
    page->SetOffset(-1); // its copy in the temporary file is out of date now
    WriteObject(band, page, IsFullPageItem(page));
}

// ---- reading records of the current page ----

namespace {

// The class of a record: its own name for an object without source, else its source's class.
template <class Dictionary> QString RecordClass(const TfrxXMLItem *item, const Dictionary &dictionary)
{
    if (auto it = dictionary.find(item->Name()); it != dictionary.end())
        return (*it)->ClassName;
    return item->Name();
}

template <class Dictionary>
double RecordValue(const TfrxXMLItem *item, const Dictionary &dictionary, const QString &shortName,
                   const QString &longName)
{
    double value = 0;
    for (const TfrxAttribute &attribute : frxSplitAttributes(item->Text()))
        if (attribute.Name == shortName || attribute.Name == longName) {
            frxStrToFloat(attribute.Value, value);
            return value;
        }
    if (auto it = dictionary.find(item->Name()); it != dictionary.end())
        frxStrToFloat((*it)->Base.value(longName), value);
    return value;
}

bool IsClassOf(const QString &className, const QMetaObject &meta)
{
    const QMetaObject *found = frxFindClass(className);
    for (; found; found = found->superClass())
        if (found == &meta)
            return true;
    return false;
}

} // namespace

bool TfrxPreviewPages::ContainsBand(TfrxBand *band)
{
    TfrxXMLItem *page = CurPageItem();
    if (!band || !page)
        return false;
    const bool pageFooter = qobject_cast<TfrxPageFooter *>(band) != nullptr;
    const bool columnFooter = qobject_cast<TfrxColumnFooter *>(band) != nullptr;
    const QString alias = AliasOf(band);
    for (int i = 0; i < page->Count(); ++i) {
        const TfrxXMLItem *item = page->Items(i);
        if (!alias.isEmpty() && item->Name() == alias)
            return true;
        const QString className = RecordClass(item, m_dictionary);
        if (pageFooter && IsClassOf(className, TfrxPageFooter::staticMetaObject))
            return true;
        if (columnFooter && IsClassOf(className, TfrxColumnFooter::staticMetaObject))
            return true;
    }
    return false;
}

double TfrxPreviewPages::LowestBandBottom(double x)
{
    double result = 0;
    if (TfrxXMLItem *page = CurPageItem()) {
        for (int i = 0; i < page->Count(); ++i) {
            const TfrxXMLItem *item = page->Items(i);
            const QString className = RecordClass(item, m_dictionary);
            if (!IsClassOf(className, TfrxBand::staticMetaObject) ||
                IsClassOf(className, TfrxPageFooter::staticMetaObject) ||
                IsClassOf(className, TfrxOverlay::staticMetaObject))
                continue;
            const double left = RecordValue(item, m_dictionary, QStringLiteral("l"), QStringLiteral("Left"));
            const bool always = IsClassOf(className, TfrxPageHeader::staticMetaObject) ||
                                IsClassOf(className, TfrxReportTitle::staticMetaObject);
            if (x == 0 || always || std::abs(left - x) < 0.001) {
                const double bottom =
                    RecordValue(item, m_dictionary, QStringLiteral("t"), QStringLiteral("Top")) +
                    RecordValue(item, m_dictionary, QStringLiteral("h"), QStringLiteral("Height"));
                result = std::max(result, bottom);
            }
        }
    }
    if (result == 0 && m_lastY != 0)
        result = m_lastY;
    return result;
}

void TfrxPreviewPages::CutObjects(int position)
{
    TfrxXMLItem *page = CurPageItem();
    if (!page)
        return;
    TfrxXMLItem *cutted = Root()->FindItem(QStringLiteral("cutted"));
    if (position >= 0 && position < page->Count())
        page->SetOffset(-1);
    while (position >= 0 && position < page->Count())
        cutted->AddItem(page->Items(position));
}

void TfrxPreviewPages::PasteObjects(double x, double y)
{
    const int index = Root()->Find(QStringLiteral("cutted"));
    if (index < 0)
        return;
    TfrxXMLItem *cutted = Root()->Items(index);
    TfrxXMLItem *page = CurPageItem();
    if (page && cutted->Count()) {
        auto value = [](const TfrxXMLItem *item, const QString &name) {
            double v = 0;
            frxStrToFloat(item->Prop(name), v);
            return v;
        };
        const double dx = x - value(cutted->Items(0), QStringLiteral("l"));
        const double dy = y - value(cutted->Items(0), QStringLiteral("t"));
        page->SetOffset(-1);
        while (cutted->Count()) {
            TfrxXMLItem *item = cutted->Items(0);
            item->SetProp(QStringLiteral("l"), frxFloatToStr(value(item, QStringLiteral("l")) + dx));
            item->SetProp(QStringLiteral("t"), frxFloatToStr(value(item, QStringLiteral("t")) + dy));
            page->AddItem(item);
        }
    }
    delete cutted;
}

int TfrxPreviewPages::CurrentPosition()
{
    TfrxXMLItem *page = CurPageItem();
    return page ? page->Count() : 0;
}

// ---- anchors and logical numbers ----

void TfrxPreviewPages::AddAnchor(const QString &text, double curY)
{
    TfrxXMLItem *item = Root()->FindItem(QStringLiteral("anchors"))->Add();
    item->SetName(QStringLiteral("item"));
    item->SetText(QStringLiteral("text=\"%1\" page=\"%2\" top=\"%3\"")
                      .arg(frxStrToXML(text))
                      .arg(m_curPage)
                      .arg(frxRound(curY)));
}

int TfrxPreviewPages::GetAnchorPage(const QString &text)
{
    TfrxXMLItem *anchors = Root()->FindItem(QStringLiteral("anchors"));
    for (int i = anchors->Count() - 1; i >= 0; --i)
        if (anchors->Items(i)->Prop(QStringLiteral("text")).compare(text, Qt::CaseInsensitive) == 0)
            return anchors->Items(i)->Prop(QStringLiteral("page")).toInt() + 1;
    return 1;
}

void TfrxPreviewPages::ShiftAnchors(int fromIndex, int newTop)
{
    TfrxXMLItem *anchors = Root()->FindItem(QStringLiteral("anchors"));
    int firstTop = 0;
    for (int i = fromIndex + 1; i < anchors->Count(); ++i) {
        TfrxXMLItem *item = anchors->Items(i);
        const int top = item->Prop(QStringLiteral("top")).toInt();
        if (i == fromIndex + 1)
            firstTop = top;
        item->SetProp(QStringLiteral("page"),
                      QString::number(item->Prop(QStringLiteral("page")).toInt() + 1));
        item->SetProp(QStringLiteral("top"), QString::number(newTop + top - firstTop));
    }
}

void TfrxPreviewPages::AddLogicalPage()
{
    if (m_finalPassOfDouble)
        return;
    ++m_logicalPageN;
    TfrxXMLItem *item = LogicalItem()->Add();
    item->SetName(QStringLiteral("page"));
    item->SetText(QStringLiteral("n=\"%1\"").arg(m_logicalPageN));
}

void TfrxPreviewPages::ResetLogicalNumbers()
{
    if (m_finalPassOfDouble)
        return;
    TfrxXMLItem *numbers = LogicalItem();
    const int first = std::max(0, m_firstPage);
    for (int i = std::min(m_curPage, numbers->Count() - 1); i >= first; --i) {
        TfrxXMLItem *item = numbers->Items(i);
        item->SetProp(QStringLiteral("t"), QString::number(m_logicalPageN));
        if (item->Prop(QStringLiteral("n")) == QLatin1String("1"))
            break;
    }
    m_logicalPageN = 0;
}

int TfrxPreviewPages::LogicalPageNo()
{
    TfrxXMLItem *numbers = LogicalItem();
    if (m_curPage >= 0 && m_curPage < numbers->Count())
        return numbers->Items(m_curPage)->Prop(QStringLiteral("n")).toInt();
    return m_curPage - m_firstRecordPage + 1;
}

int TfrxPreviewPages::LogicalTotal(int engineTotalPages)
{
    TfrxXMLItem *numbers = LogicalItem();
    if (m_curPage >= 0 && m_curPage < numbers->Count())
        return numbers->Items(m_curPage)->Prop(QStringLiteral("t")).toInt();
    return engineTotalPages - m_firstRecordPage;
}

// ---- reading pages ----

int TfrxPreviewPages::Count()
{
    const int index = Root()->Find(QStringLiteral("previewpages"));
    return index < 0 ? 0 : Root()->Items(index)->Count();
}

int TfrxPreviewPages::SourceIndexOf(const TfrxXMLItem *pageItem) const
{
    const QString &name = pageItem->Name();
    if (!name.startsWith(QLatin1String("page")))
        return -1;
    bool ok = false;
    const int index = name.mid(4).toInt(&ok);
    return ok && index >= 0 && index < int(m_sourcePages.size()) ? index : -1;
}

void TfrxPreviewPages::ReadFullPage(TfrxXMLItem *item, TfrxReportPage *page)
{
    TfrxXMLSerializer serializer(Report());
    serializer.SetLookupRoot(page);
    serializer.ReadComponent(item, page);
    serializer.ResolveReferences();
    serializer.FinishLoading();
}

void TfrxPreviewPages::WriteFullPage(TfrxReportPage *page, TfrxXMLItem *item)
{
    TfrxXMLSerializer serializer(Report());
    serializer.WriteComponent(page, item, true);
    item->SetName(page->ClassName());
}

void TfrxPreviewPages::LoadPictureIndexes(TfrxComponent *root)
{
    for (TfrxComponent *object : root->AllObjects())
        if (auto *picture = qobject_cast<TfrxPictureView *>(object))
            if (picture->Picture().IsEmpty() && picture->ImageIndex() > 0) {
                TPicture loaded;
                m_pictureCache.GetPicture(picture->ImageIndex(), loaded);
                picture->SetPicture(loaded);
                picture->SetPictureChanged(false);
            }
}

void TfrxPreviewPages::BuildChildren(TfrxXMLItem *item, TfrxComponent *parent, TfrxReportPage *page,
                                     int sourceIndex, int depth)
{
    if (depth > MaxObjectDepth)
        return;
    for (int i = 0; i < item->Count(); ++i) {
        TfrxXMLItem *child = item->Items(i);
        TfrxComponent *object = nullptr;
        int imageIndex = -1;
        QString overrides;
        overrides.reserve(child->Text().size() + 32);
        QVarLengthArray<AttributeView, 32> attributes;
        SplitAttributeViews(child->Text(), attributes);
        for (const AttributeView &attribute : attributes) {
            if (attribute.Name == QLatin1String("ImageIndex"))
                imageIndex = attribute.Value.toInt();
            else
                AppendAttribute(overrides, LongName(attribute.Name), attribute.Value);
        }
        const SourceObject *source = m_dictionary.value(child->Name());
        if (source) {
            object = frxCreateComponent(source->ClassName, page);
            if (object) {
                object->Assign(source->Copy);
                frxApplyAttributes(TfrxPropTarget(object), overrides, Report());
                try {
                    object->SetName(source->Copy->Name());
                } catch (const Exception &) {
                }
            }
        } else if (frxFindClass(child->Name())) {
            object = frxComponentFromText(child->Name() + u' ' + overrides, page);
        }
        // A record of an alias the dictionary does not know is passed over with its subtree: the
        // rest of the page still shows.
        if (!object)
            continue;
        if (auto *picture = qobject_cast<TfrxPictureView *>(object)) {
            if (imageIndex >= 0)
                picture->SetImageIndex(imageIndex);
            if (picture->Picture().IsEmpty()) {
                TPicture loaded;
                m_pictureCache.GetPicture(picture->ImageIndex(), loaded);
                picture->SetPicture(loaded);
            }
            picture->SetPictureChanged(false);
        }
        if (object->Parent() != parent)
            object->SetParent(parent);
        BuildChildren(child, object, page, sourceIndex, depth + 1);
    }
}

std::unique_ptr<TfrxReportPage> TfrxPreviewPages::BuildPage(TfrxXMLItem *item)
{
    if (item->Unloadable() && !item->Loaded())
        m_xml.LoadItem(item);
    std::unique_ptr<TfrxReportPage> page;
    if (IsFullPageItem(item)) {
        TfrxComponent *made = frxCreateComponent(item->Name(), nullptr);
        page.reset(qobject_cast<TfrxReportPage *>(made));
        if (!page) {
            delete made;
            page = std::make_unique<TfrxReportPage>(nullptr);
        }
        ReadFullPage(item, page.get());
        LoadPictureIndexes(page.get());
    } else {
        const int sourceIndex = SourceIndexOf(item);
        TfrxReportPage *source = sourceIndex >= 0 ? m_sourcePages.at(sourceIndex).Page.get() : nullptr;
        TfrxComponent *made =
            frxCreateComponent(source ? source->ClassName() : QStringLiteral("TfrxReportPage"), nullptr);
        page.reset(qobject_cast<TfrxReportPage *>(made));
        if (!page) {
            delete made;
            page = std::make_unique<TfrxReportPage>(nullptr);
        }
        if (source) {
            // The background is decoded once in the source page; every page built from it then
            // shares the pixels (and a PDF stores them once).
            SourcePage &sourcePage = m_sourcePages.at(sourceIndex);
            if (!sourcePage.BackDecoded) {
                sourcePage.BackDecoded = true;
                if (TfrxPictureView *back = source->BackPictureView(); back && !back->Picture().IsEmpty()) {
                    TPicture picture = back->Picture();
                    picture.Image();
                    const bool changed = back->IsPictureChanged();
                    back->SetPicture(picture);
                    back->SetPictureChanged(changed);
                }
            }
            page->Assign(source);
            try {
                page->SetName(source->Name());
            } catch (const Exception &) {
            }
        }
        BuildChildren(item, page.get(), page.get(), sourceIndex);
    }
    page->UpdateDimensions();
    return page;
}

TfrxReportPage *TfrxPreviewPages::GetPage(int index)
{
    TfrxXMLItem *item = PageItem(index);
    if (!item)
        return nullptr;
    for (auto it = m_pageCache.begin(); it != m_pageCache.end(); ++it)
        if (it->Index == index) {
            if (!m_building) {
                m_pageCache.splice(m_pageCache.begin(), m_pageCache, it);
                return m_pageCache.front().Page.get();
            }
            m_pageCache.erase(it);
            break;
        }
    m_pageCache.push_front({index, BuildPage(item)});
    TfrxReportPage *page = m_pageCache.front().Page.get();
    const int limit = Report()->PreviewOptions()->PagesInCache();
    if (m_pageCache.size() > 1 && int(m_pageCache.size()) > limit) {
        const int dropped = m_pageCache.back().Index;
        m_pageCache.pop_back();
        TfrxXMLItem *droppedItem = PageItem(dropped);
        if (Report()->EngineOptions()->UseFileCache() && droppedItem && droppedItem->Unloadable() &&
            droppedItem->Loaded())
            m_xml.UnloadItem(droppedItem);
    }
    return page;
}

QList<int> TfrxPreviewPages::CachedPages() const
{
    QList<int> result;
    for (const CacheEntry &entry : m_pageCache)
        result.append(entry.Index);
    return result;
}

QSize TfrxPreviewPages::GetPageSize(int index)
{
    TfrxXMLItem *item = PageItem(index);
    if (!item)
        return QSize(0, 0);
    TfrxReportPage *page = nullptr;
    const int sourceIndex = SourceIndexOf(item);
    if (sourceIndex >= 0)
        page = m_sourcePages.at(sourceIndex).Page.get();
    else
        page = GetPage(index);
    if (!page)
        return QSize(0, 0);
    return QSize(frxRound(page->PaperWidth() * fr01cm), frxRound(page->PaperHeight() * fr01cm));
}

void TfrxPreviewPages::ClearCache()
{
    // With the file cache, a page read back for drawing goes back to the temporary file with its
    // page object: a long print job that empties the cache after every page then stays within the
    // memory it started with instead of loading the whole report again.
    if (!m_building && Report()->EngineOptions()->UseFileCache())
        for (const CacheEntry &entry : m_pageCache)
            if (TfrxXMLItem *item = PageItem(entry.Index); item && item->Unloadable() && item->Loaded())
                m_xml.ReleaseItem(item);
    m_pageCache.clear();
}

void TfrxPreviewPages::DrawPreparedPage(int index, TfrxCanvas &canvas, double scaleX, double scaleY,
                                        double offsetX, double offsetY)
{
    TfrxReportPage *page = GetPage(index);
    if (!page)
        return;
    TfrxPageDrawValues values;
    values.PageIndex = index;
    values.TotalPages = Count();
    values.CopyNo = m_copyNo;
    values.PrintScale = m_printScale;
    frxDrawPage(*page, canvas, scaleX, scaleY, offsetX, offsetY, values);
}

bool TfrxPreviewPages::PrintPreparedPages()
{
    TfrxPrintJob job(*this);
    return job.Run();
}

// ---- editing ----

void TfrxPreviewPages::InsertEmptyPage(int index)
{
    TfrxXMLItem *item = PageItem(index);
    if (!item)
        return;
    auto *empty = new TfrxXMLItem;
    empty->SetName(item->Name());
    PagesItem()->InsertItem(index, empty);
    m_pageCache.clear();
}

void TfrxPreviewPages::DeletePage(int index)
{
    TfrxXMLItem *item = PageItem(index);
    if (!item || Count() < 2)
        return;
    delete item;
    TfrxXMLItem *numbers = LogicalItem();
    if (index < numbers->Count())
        delete numbers->Items(index);
    if (m_curPage >= Count())
        m_curPage = Count() - 1;
    m_pageCache.clear();
}

void TfrxPreviewPages::ReplacePage(int index, TfrxReportPage *page)
{
    TfrxXMLItem *item = PageItem(index);
    if (!item || !page)
        return;
    auto *replacement = new TfrxXMLItem;
    WriteFullPage(page, replacement);
    PagesItem()->InsertItem(index, replacement);
    delete item;
    m_pageCache.clear();
}

void TfrxPreviewPages::AppendReport(TfrxReport *report)
{
    if (!report)
        return;
    auto *other = dynamic_cast<TfrxPreviewPages *>(report->PreviewPages());
    if (!other || other == this)
        return;
    const int oldCount = Count();
    for (int i = 0; i < other->Count(); ++i) {
        TfrxReportPage *page = other->GetPage(i);
        if (!page)
            continue;
        // Pictures travel inside the complete page; they are put into this store's cache again.
        for (TfrxComponent *object : page->AllObjects())
            if (auto *picture = qobject_cast<TfrxPictureView *>(object))
                picture->SetImageIndex(m_pictureCache.AddPicture(picture->Picture()));
        TfrxXMLItem *item = PagesItem()->Add();
        WriteFullPage(page, item);
        if (PagesItem()->Count() > 2)
            item->SetUnloadable(true);
        m_curPage = Count() - 1;
        AddLogicalPage();
        other->ClearCache();
    }
    TfrxXMLItem *anchors = Root()->FindItem(QStringLiteral("anchors"));
    TfrxXMLItem *theirs = other->Root()->FindItem(QStringLiteral("anchors"));
    for (int i = 0; i < theirs->Count(); ++i) {
        TfrxXMLItem *item = anchors->Add();
        item->SetName(QStringLiteral("item"));
        item->SetText(theirs->Items(i)->Text());
        item->SetProp(QStringLiteral("page"),
                      QString::number(theirs->Items(i)->Prop(QStringLiteral("page")).toInt() + oldCount));
    }
    std::function<void(TfrxXMLItem *, TfrxXMLItem *)> copyOutline = [&](TfrxXMLItem *from, TfrxXMLItem *to) {
        for (int i = 0; i < from->Count(); ++i) {
            TfrxXMLItem *item = to->Add();
            item->SetName(from->Items(i)->Name());
            item->SetText(from->Items(i)->Text());
            item->SetProp(QStringLiteral("page"),
                          QString::number(from->Items(i)->Prop(QStringLiteral("page")).toInt() + oldCount));
            copyOutline(from->Items(i), item);
        }
    };
    copyOutline(other->Root()->FindItem(QStringLiteral("outline")),
                Root()->FindItem(QStringLiteral("outline")));
    const int lastPage = other->m_curPage;
    other->m_curPage = other->Count() - 1;
    m_lastY = other->LowestBandBottom(0);
    other->m_curPage = lastPage;
    m_pageCache.clear();
}

// ---- files ----

void TfrxPreviewPages::SaveToStream(QIODevice *stream)
{
    TfrxReport *report = Report();
    TfrxXMLItem *reportItem = Root()->FindItem(QStringLiteral("report"));
    reportItem->Clear();
    TfrxXMLItem *options = reportItem->Add();
    options->SetName(report->ClassName());
    auto boolText = [](bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); };
    options->SetText(
        QStringLiteral("DotMatrixReport=\"%1\" PreviewOptions.OutlineVisible=\"%2\" "
                       "PreviewOptions.OutlineWidth=\"%3\" ReportOptions.Name=\"%4\"")
            .arg(boolText(report->DotMatrixReport()), boolText(report->PreviewOptions()->OutlineVisible()))
            .arg(report->PreviewOptions()->OutlineWidth())
            .arg(frxStrToXML(report->ReportOptions()->Name())));
    TfrxXMLItem *sources = Root()->FindItem(QStringLiteral("sourcepages"));
    sources->Clear();
    for (const SourcePage &source : m_sourcePages)
        WriteFullPage(source.Page.get(), sources->Add());
    TfrxXMLItem *dictionary = Root()->FindItem(QStringLiteral("dictionary"));
    dictionary->Clear();
    for (auto it = m_dictionary.cbegin(); it != m_dictionary.cend(); ++it) {
        TfrxXMLItem *item = dictionary->Add();
        item->SetName(it.key());
        item->SetText(QStringLiteral("name=\"") + frxStrToXML(it.value()->FullName) + u'"');
    }
    m_pictureCache.SaveToXML(Root()->FindItem(QStringLiteral("picturecache")));
    try {
        m_xml.SaveToStream(stream);
    } catch (...) {
        for (const char *name : {"report", "sourcepages", "dictionary", "picturecache"})
            delete Root()->FindItem(QLatin1String(name));
        throw;
    }
    // What only the file needs leaves memory again.
    for (const char *name : {"report", "sourcepages", "dictionary", "picturecache"})
        delete Root()->FindItem(QLatin1String(name));
}

void TfrxPreviewPages::SaveToFile(const QString &fileName)
{
    // Written beside the old file and renamed over it only when complete; never over a device.
    SafeFile::OutputFile output(fileName);
    QString problem;
    QFile file;
    if (output.Open(problem)) {
        file.setFileName(output.TempPath());
        if (!file.open(QIODevice::WriteOnly))
            problem = file.errorString();
    }
    if (!problem.isEmpty())
        throw EFileError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, problem));
    try {
        SaveToStream(&file);
    } catch (const EFileError &) {
        problem = SafeFile::WriteFailure(fileName, file.errorString());
    }
    if (problem.isEmpty() && SafeFile::FinishWrite(file, fileName, problem))
        output.Commit(problem);
    if (!problem.isEmpty())
        throw EFileError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, problem));
}

bool TfrxPreviewPages::LoadFromFile(const QString &fileName, bool exceptionIfNotFound)
{
    if (!QFileInfo::exists(fileName) && !exceptionIfNotFound)
        return false;
    // A device or a pipe would be read for ever.
    if (QFileInfo::exists(fileName) && !QFileInfo(fileName).isFile())
        throw EFileError(QStringLiteral("Cannot open file \"%1\". not a regular file").arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    LoadFromStream(&file);
    return true;
}

void TfrxPreviewPages::LoadFromStream(QIODevice *stream)
{
    ClearPages();
    try {
        m_xml.LoadFromStream(stream, false);
    } catch (...) {
        ClearPages();
        throw;
    }
    TfrxReport *report = Report();
    if (Root()->Name() != QLatin1String("preparedreport")) {
        ClearPages();
        throw TfrxInvalidXMLException();
    }
    int index = Root()->Find(QStringLiteral("report"));
    if (index >= 0 && Root()->Items(index)->Count())
        frxApplyAttributes(TfrxPropTarget(report), Root()->Items(index)->Items(0)->Text(), report);

    index = Root()->Find(QStringLiteral("sourcepages"));
    if (index >= 0) {
        TfrxXMLItem *sources = Root()->Items(index);
        for (int i = 0; i < sources->Count(); ++i) {
            TfrxXMLItem *item = sources->Items(i);
            TfrxComponent *made = frxCreateComponent(item->Name() == QLatin1String("TfrxDMPPage")
                                                         ? item->Name()
                                                         : QStringLiteral("TfrxReportPage"),
                                                     nullptr);
            std::unique_ptr<TfrxReportPage> page(qobject_cast<TfrxReportPage *>(made));
            if (!page) {
                delete made;
                page = std::make_unique<TfrxReportPage>(nullptr);
            }
            ReadFullPage(item, page.get());
            m_sourcePages.push_back({std::move(page), {}, false, {}});
        }
    }
    index = Root()->Find(QStringLiteral("dictionary"));
    if (index >= 0) {
        TfrxXMLItem *dictionary = Root()->Items(index);
        for (int i = 0; i < dictionary->Count(); ++i) {
            TfrxXMLItem *item = dictionary->Items(i);
            const QString text = item->Text();
            const QString fullName = XMLToStr(text.mid(6, text.size() - 7));
            const int dot = fullName.indexOf(u'.');
            bool ok = false;
            const int pageIndex = dot > 4 ? fullName.mid(4, dot - 4).toInt(&ok) : -1;
            const QString objectName = fullName.mid(dot + 1);
            TfrxComponent *found = nullptr;
            if (ok && pageIndex >= 0 && pageIndex < int(m_sourcePages.size()))
                for (TfrxComponent *object : m_sourcePages.at(pageIndex).Page->AllObjects())
                    if (object->Name().compare(objectName, Qt::CaseInsensitive) == 0) {
                        found = object;
                        break;
                    }
            if (!found) {
                report->AddError(QStringLiteral("Prepared report: object \"%1\" of alias \"%2\" not found")
                                     .arg(fullName, item->Name()));
                continue;
            }
            AddSourceObject(found, pageIndex, item->Name());
        }
    }
    index = Root()->Find(QStringLiteral("picturecache"));
    m_pictureCache.LoadFromXML(index >= 0 ? Root()->Items(index) : nullptr);
    for (const char *name : {"report", "sourcepages", "dictionary", "picturecache"}) {
        const int i = Root()->Find(QLatin1String(name));
        if (i >= 0)
            delete Root()->Items(i);
    }
    m_curPage = Count() - 1;
}

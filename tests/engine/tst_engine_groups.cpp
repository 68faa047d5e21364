// The builder's band machinery on small list layouts: master-detail with headers, footers and
// groups page by page, keeping bands together, reprinted headers, split bands, aggregates,
// outline and anchors, page numbering, and the build ending cleanly on bad input.

#include "PreparedPagesReader.h"

#include "engine/build/frxEngine.h"
#include "engine/pages/frxPreviewPages.h"
#include "report/io/frxXML.h"
#include "report/model/frxClass.h"

#include <QtTest>

#include <memory>

namespace {

constexpr double kPx = 3.77953;

// A dataset over a fixed table; filter (when set) picks the rows of the current master row.
struct TableData {
    // Not owned by the report: the layout is reloaded after a build, and a dataset it owned would
    // come back without the callbacks set here.
    QPointer<TfrxUserDataSet> set;
    QStringList fields;
    QList<QStringList> rows;
    QList<int> visible; // indexes of the rows the walk shows
    int at = 0;
    std::function<bool(const QStringList &)> filter;

    TableData(TfrxReport &report, const QString &name, const QStringList &fieldNames,
              const QList<QStringList> &table)
        : set(new TfrxUserDataSet), fields(fieldNames), rows(table)
    {
        set->SetName(name + QStringLiteral("Set"));
        set->SetUserName(name);
        set->SetFields(fields);
        set->OnFirst = [this](QObject *) {
            visible.clear();
            for (int i = 0; i < rows.size(); ++i)
                if (!filter || filter(rows[i]))
                    visible.append(i);
            at = 0;
            set->SetRangeEnd(frx::reCount);
            set->SetRangeEndCount(int(visible.size()));
        };
        set->OnNext = [this](QObject *) { ++at; };
        set->OnGetValue = [this](const QString &field, Variant &value) {
            const int column = int(fields.indexOf(field));
            if (column >= 0 && at < visible.size())
                value = rows[visible[at]][column];
        };
        set->SetRangeEnd(frx::reCount);
        set->SetRangeEndCount(int(rows.size()));
        report.Datasets()->Add(set);
    }
    ~TableData() { delete set.data(); }
    TableData(const TableData &) = delete;
    TableData &operator=(const TableData &) = delete;
    QStringList Current() const { return at < visible.size() ? rows[visible[at]] : QStringList(); }
};

struct Fixture {
    TfrxReport report;
    TfrxReportPage *page;

    explicit Fixture(double heightMm = 100)
    {
        report.EngineOptions()->SetNewSilentMode(frx::simSilent);
        report.EnsureDataPage();
        page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetPaperWidth(100);
        page->SetPaperHeight(heightMm);
        page->SetLeftMargin(0);
        page->SetRightMargin(0);
        page->SetTopMargin(0);
        page->SetBottomMargin(0);
        // The page implementation the case runs with is chosen now.
        report.PreviewPages();
        report.Engine();
    }

    TfrxEngine *Engine() { return static_cast<TfrxEngine *>(report.Engine()); }
    // The layout is reloaded after every build: objects are found again by name.
    template <class T> T *Find(const QString &name) { return qobject_cast<T *>(report.FindObject(name)); }
    const TfrxEngineMemoryPages &Pages() { return *static_cast<TfrxEngineMemoryPages *>(Engine()->Output()); }

    template <class Band> Band *AddBand(const QString &name, double top, double height)
    {
        auto *band = new Band(page);
        band->SetName(name);
        band->SetTop(top);
        band->SetHeight(height);
        band->SetWidth(100 * kPx);
        return band;
    }
    // One text object filling the band's first 20 pixels.
    TfrxMemoView *AddMemo(TfrxComponent *parent, const QString &name, const QString &text, double top = 0,
                          double height = 20)
    {
        auto *memo = new TfrxMemoView(parent);
        memo->SetName(name);
        memo->SetText(text);
        memo->SetTop(top);
        memo->SetWidth(200);
        memo->SetHeight(height);
        return memo;
    }

    // "text@top" of every object on a page, in the order they were placed.
    static QString PageText(const PreparedPage &page)
    {
        QStringList items;
        for (const PreparedObject &object : page)
            items << QStringLiteral("%1@%2")
                         .arg(object.ClassName.contains(QLatin1String("Memo")) ? object.Text : object.Name)
                         .arg(std::round(object.Top * 100) / 100 + 0.0);
        return items.join(QStringLiteral(" | "));
    }
    QString PageText(int index) { return PageText(ReadPreparedPages(report).value(index)); }
    QStringList AllPages()
    {
        QStringList pages;
        for (const PreparedPage &page : ReadPreparedPages(report))
            pages << PageText(page);
        return pages;
    }
    int PageCount() { return int(ReadPreparedPages(report).size()); }
    bool Build()
    {
        const bool ok = report.BuildPages(true);
        if (!ok)
            qWarning() << report.Errors();
        return ok;
    }
};

const QList<QStringList> kOrders{{"1", "North"}, {"2", "North"}, {"3", "South"}};
const QList<QStringList> kItems{
    {"1", "pen", "2"}, {"1", "ink", "3"}, {"2", "cap", "5"}, {"3", "box", "7"}, {"3", "bag", "1"}};

} // namespace

class TestEngineGroups : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { frxRegisterEngine(); }
    void initTestCase_data() { AddPageImplementations(); }
    void init() { UsePageImplementation(); }

    void masterDetailWithGroupsPageByPage();
    void groupedListPageByPage();
    void objectsNamedLikeScriptNames();
    void notPrintableKeptForPreview();
    void dataBandColumns_data();
    void dataBandColumns();
    void pageColumnsRepeatHeaders();
    void subreportsPrintWhereTheyStand();
    void alignedObjectsFollowStretchedBand();
    void aggregates_data();
    void aggregates();
    void groupKeepTogetherMovesWholeGroup();
    void keptBandsMoveTogether_data();
    void keptBandsMoveTogether();
    void keepThroughTheStore();
    void allowSplitCutsBandAcrossPages();
    void splitBandLosesNothing();
    void reprintedHeaderAndPageNumbers();
    void outlineAndAnchors();
    void keptOutlineAndAnchorsMove();
    void reprintedBandsSeeOverflow();
    void movedBandEvaluatesFlowAgain();
    void printOnPreviousPageContinuesLastPage();
    void endlessPagesTakeTheirOwnHeight();
    void stretchedSummaryMovesToNewPage();
    void tallShapeStartsFreshPageAndIsCut();
    void subreportHeadersAndPrintOnParent_data();
    void subreportHeadersAndPrintOnParent();
    void simplifiedLayoutsBuild_data();
    void simplifiedLayoutsBuild();
    void badInputEndsBuild_data();
    void badInputEndsBuild();
};

void TestEngineGroups::masterDetailWithGroupsPageByPage()
{
    // Page 100 px high: a page header and footer of 10 each leave 80 for the body.
    Fixture f(100 / kPx);
    TableData orders(f.report, QStringLiteral("Orders"), {"Id", "Region"}, kOrders);
    TableData items(f.report, QStringLiteral("Items"), {"Order", "Name", "Qty"}, kItems);
    items.filter = [&](const QStringList &row) { return row[0] == orders.Current().value(0); };

    f.AddMemo(f.AddBand<TfrxPageHeader>("PageHeader1", 0, 10), "PH", "page [Page#]", 0, 10);
    f.AddMemo(f.AddBand<TfrxHeader>("Header1", 20, 10), "H", "orders", 0, 10);
    auto *group = f.AddBand<TfrxGroupHeader>("GroupHeader1", 40, 10);
    group->SetCondition(QStringLiteral("Orders.\"Region\""));
    f.AddMemo(group, "G", "region [Orders.\"Region\"]", 0, 10);
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 60, 10);
    master->SetDataSet(orders.set);
    f.AddMemo(master, "M", "order [Orders.\"Id\"]", 0, 10);
    auto *detail = f.AddBand<TfrxDetailData>("DetailData1", 80, 10);
    detail->SetDataSet(items.set);
    f.AddMemo(detail, "D", "[Items.\"Name\"]", 0, 10);
    f.AddMemo(f.AddBand<TfrxGroupFooter>("GroupFooter1", 100, 10), "GF",
              "qty [SUM(<Items.\"Qty\">, DetailData1)]", 0, 10);
    f.AddMemo(f.AddBand<TfrxFooter>("Footer1", 120, 10), "F", "[COUNT(MasterData1)] orders", 0, 10);
    auto *pageFooter = f.AddBand<TfrxPageFooter>("PageFooter1", 140, 10);
    f.AddMemo(pageFooter, "PF", "end [Page#]", 0, 10);

    QVERIFY(f.Build());
    // Bands of 10 px in an 80 px body between the page header and footer.
    const QStringList expected{
        "page 1@0 | orders@10 | region North@20 | order 1@30 | pen@40 | ink@50 | order 2@60 | cap@70 | qty "
        "10@80 | "
        "end 1@90",
        "page 2@0 | region South@10 | order 3@20 | box@30 | bag@40 | qty 8@50 | 3 orders@60 | end 2@90"};
    QCOMPARE(f.AllPages(), expected);
}

void TestEngineGroups::groupedListPageByPage()
{
    // Bands of 10 px on 100 px pages; the column and page footer leave 80 px for the rest. The
    // group footer shows its own group's last row (field, line and total), also when it moves to
    // the next page.
    Fixture f(100 / kPx);
    TableData orders(f.report, QStringLiteral("Orders"), {"Id", "Region", "Qty"},
                     {{"1", "North", "2"},
                      {"2", "North", "3"},
                      {"3", "South", "5"},
                      {"4", "South", "1"},
                      {"5", "West", "4"}});
    f.AddMemo(f.AddBand<TfrxHeader>("Header1", 20, 10), "H", "orders", 0, 10);
    auto *group = f.AddBand<TfrxGroupHeader>("GroupHeader1", 40, 10);
    group->SetCondition(QStringLiteral("<Orders.\"Region\">"));
    f.AddMemo(group, "G", "region [Orders.\"Region\"]", 0, 10);
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 60, 10);
    master->SetDataSet(orders.set);
    f.AddMemo(master, "M", "[Line]. [Orders.\"Id\"]", 0, 10);
    f.AddMemo(f.AddBand<TfrxGroupFooter>("GroupFooter1", 80, 10), "GF",
              "end [Orders.\"Region\"] [Line] qty [SUM(<Orders.\"Qty\">, MasterData1)]", 0, 10);
    f.AddMemo(f.AddBand<TfrxFooter>("Footer1", 100, 10), "F", "[COUNT(MasterData1)] orders", 0, 10);
    f.AddMemo(f.AddBand<TfrxReportSummary>("ReportSummary1", 120, 10), "S",
              "total [SUM(<Orders.\"Qty\">, MasterData1)]", 0, 10);
    f.AddMemo(f.AddBand<TfrxColumnFooter>("ColumnFooter1", 140, 10), "CF", "col [Page]", 0, 10);
    f.AddMemo(f.AddBand<TfrxPageFooter>("PageFooter1", 160, 10), "PF", "page [Page]", 0, 10);
    QVERIFY(f.Build());
    const QStringList expected{
        "orders@0 | region North@10 | 1. 1@20 | 2. 2@30 | end North 2 qty 5@40 | region South@50 | 3. 3@60 | "
        "4. 4@70 | col 1@80 | page 1@90",
        "end South 4 qty 6@0 | region West@10 | 5. 5@20 | end West 5 qty 4@30 | 5 orders@40 | col 2@50 | "
        "total 15@60 | page 2@90"};
    QCOMPARE(f.AllPages(), expected);
}

void TestEngineGroups::objectsNamedLikeScriptNames()
{
    // Text objects named like the variables and objects the build declares for report code.
    Fixture f;
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 20);
    master->SetRowCount(2);
    f.AddMemo(master, "Value", "v[Line]");
    f.AddMemo(master, "Self", "s[Line]", 20);
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"v1@0 | s1@20 | v2@20 | s2@40"}));
}

void TestEngineGroups::notPrintableKeptForPreview()
{
    Fixture f;
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 20);
    master->SetRowCount(1);
    f.AddMemo(master, "Shown", "shown");
    f.AddMemo(master, "ScreenOnly", "screen only", 20)->SetPrintable(false);
    QVERIFY(f.Build());
    const PreparedPage page = ReadPreparedPages(f.report).value(0);
    const PreparedObject *screenOnly = FindPrepared(page, QStringLiteral("ScreenOnly"));
    QVERIFY(screenOnly);
    QCOMPARE(screenOnly->Text, QStringLiteral("screen only"));
    QVERIFY(!screenOnly->Printable);
}

void TestEngineGroups::dataBandColumns_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("gap");
    QTest::addColumn<QString>("placed");
    // A 100 mm (377.95 px) wide page; a 20 px header, then records of 20 px across and down.
    QTest::newRow("three across, width and gap")
        << 3 << 100.0 << 20.0 << "head@0,0 1@0,20 2@120,20 3@240,20 4@0,40 5@120,40 6@240,40 7@0,60";
    QTest::newRow("width 0 divides the page")
        << 4 << 0.0 << 0.0
        << "head@0,0 1@0,20 2@94.49,20 3@188.98,20 4@283.46,20 5@0,40 6@94.49,40 7@188.98,40";
    QTest::newRow("columns past the page edge are dropped")
        << 5 << 100.0 << 0.0 << "head@0,0 1@0,20 2@100,20 3@200,20 4@0,40 5@100,40 6@200,40 7@0,60";
    QTest::newRow("column wider than the page")
        << 2 << 500.0 << 0.0 << "head@0,0 1@0,20 2@0,40 3@0,60 4@0,80 5@0,100 6@0,120 7@0,140";
    QTest::newRow("a thousand columns")
        << 1000 << 0.0 << 0.0 << "head@0,0 1@0,20 2@1,20 3@2,20 4@3,20 5@4,20 6@5,20 7@6,20";
}

void TestEngineGroups::dataBandColumns()
{
    QFETCH(int, columns);
    QFETCH(double, width);
    QFETCH(double, gap);
    QFETCH(QString, placed);
    Fixture f;
    f.AddMemo(f.AddBand<TfrxHeader>("Header1", 0, 20), "H", "head");
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 40, 20);
    master->SetRowCount(7);
    master->SetColumns(columns);
    master->SetColumnWidth(width);
    master->SetColumnGap(gap);
    f.AddMemo(master, "M", "[Line]")->SetWidth(80);
    QVERIFY(f.Build());
    const QList<PreparedPage> pages = ReadPreparedPages(f.report);
    QCOMPARE(pages.size(), 1);
    QStringList items;
    for (const PreparedObject &object : pages[0])
        items << QStringLiteral("%1@%2,%3")
                     .arg(object.Text)
                     .arg(std::round(object.Left * 100) / 100)
                     .arg(object.Top);
    QCOMPARE(items.join(' '), placed);
}

void TestEngineGroups::pageColumnsRepeatHeaders()
{
    // Two page columns at the layout's positions (0 and 55 mm); the column header and the
    // reprinted data header open each column.
    Fixture f;
    f.page->SetColumns(2);
    f.page->SetColumnWidth(50);
    f.page->SetColumnPositions({"0", "55"});
    f.AddMemo(f.AddBand<TfrxColumnHeader>("ColumnHeader1", 0, 20), "C", "column");
    auto *header = f.AddBand<TfrxHeader>("Header1", 30, 20);
    header->SetReprintOnNewPage(true);
    f.AddMemo(header, "H", "head");
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 60, 100);
    master->SetRowCount(8);
    f.AddMemo(master, "M", "row [Line]");
    QVERIFY(f.Build());
    QStringList pages;
    for (const PreparedPage &page : ReadPreparedPages(f.report)) {
        QStringList items;
        for (const PreparedObject &object : page)
            items
                << QStringLiteral("%1@%2,%3").arg(object.Text).arg(qRound(object.Left / kPx)).arg(object.Top);
        pages << items.join(' ');
    }
    // Rows of 100 px below 40 px of headers on a 377.95 px page: three rows a column; the next
    // page opens its first column with the headers again.
    QCOMPARE(pages,
             QStringList({"column@0,0 head@0,20 row 1@0,40 row 2@0,140 row 3@0,240 column@55,0 head@55,20 "
                          "row 4@55,40 row 5@55,140 row 6@55,240",
                          "column@0,0 head@0,20 row 7@0,40 row 8@0,140"}));
}

void TestEngineGroups::subreportsPrintWhereTheyStand()
{
    // A sub-report in a band prints its page's title, rows and summary from its own place, for
    // every showing of the band; one placed on the page prints once, before the data bands.
    Fixture f;
    auto *inner = new TfrxReportPage(&f.report);
    inner->SetName(QStringLiteral("Page2"));
    auto add = [&](TfrxBand *band, const QString &name, double top, const QString &text) {
        band->SetName(name);
        band->SetTop(top);
        band->SetHeight(20);
        f.AddMemo(band, name + QStringLiteral("Text"), text);
        return band;
    };
    add(new TfrxReportTitle(inner), "SubTitle", 0, "sub title");
    static_cast<TfrxDataBand *>(add(new TfrxMasterData(inner), "SubRows", 40, "s[Line]"))->SetRowCount(2);
    add(new TfrxReportSummary(inner), "SubSummary", 80, "sub end");
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 100, 20);
    master->SetRowCount(2);
    f.AddMemo(master, "M", "row [Line]");
    auto *inBand = new TfrxSubreport(master);
    inBand->SetName(QStringLiteral("Subreport1"));
    inBand->SetBounds(30, 10, 100, 10);
    inBand->SetSubPage(inner);
    QVERIFY(f.Build());
    QStringList items;
    for (const PreparedObject &object : ReadPreparedPages(f.report).value(0))
        items << QStringLiteral("%1@%2,%3").arg(object.Text).arg(object.Left).arg(object.Top);
    QCOMPARE(
        items.join(QStringLiteral(" | ")),
        QStringLiteral("row 1@0,0 | sub title@30,10 | s1@30,30 | s2@30,50 | sub end@30,70 | row 2@0,90 | "
                       "sub title@30,100 | s1@30,120 | s2@30,140 | sub end@30,160"));

    auto *onPage = new TfrxSubreport(f.Find<TfrxReportPage>("Page1"));
    onPage->SetName(QStringLiteral("Subreport2"));
    onPage->SetBounds(0, 5, 100, 10);
    onPage->SetSubPage(f.Find<TfrxReportPage>("Page2"));
    delete f.Find<TfrxSubreport>("Subreport1");
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"sub title@5 | s1@25 | s2@45 | sub end@65 | row 1@85 | row 2@105"}));
}

void TestEngineGroups::alignedObjectsFollowStretchedBand()
{
    Fixture f;
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 30);
    master->SetRowCount(1);
    master->SetStretched(true);
    auto *text = f.AddMemo(master, "Text", "a\r\nb\r\nc\r\nd\r\ne\r\nf", 0, 20);
    text->SetStretchMode(frx::smActualHeight);
    text->SetWidth(100);
    auto *bottom = f.AddMemo(master, "Bottom", "bottom", 10, 10);
    bottom->SetLeft(150);
    bottom->SetAlign(frx::baBottom);
    QVERIFY(f.Build());
    const PreparedPage page = ReadPreparedPages(f.report).value(0);
    const double grown = FindPrepared(page, QStringLiteral("Text"))->Height;
    QVERIFY(grown > 30);
    QCOMPARE(FindPrepared(page, QStringLiteral("Bottom"))->Top, grown - 10);
}

void TestEngineGroups::aggregates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("sum") << "[SUM(<Items.\"Qty\">)]"
                         << "18";
    QTest::newRow("avg") << "[AVG(<Items.\"Qty\">, MasterData1)]"
                         << "3.6";
    QTest::newRow("min and max") << "[MIN(<Items.\"Qty\">)]-[MAX(<Items.\"Qty\">)]"
                                 << "1-7";
    QTest::newRow("count") << "[COUNT(MasterData1)]"
                           << "5";
    QTest::newRow("inside an expression") << "[IIF(SUM(<Items.\"Qty\">) > 10, 'many', 'few')]"
                                          << "many";
    QTest::newRow("literal text untouched") << "SUM(x) = [SUM(<Items.\"Qty\">)]"
                                            << "SUM(x) = 18";
}

void TestEngineGroups::aggregates()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    Fixture f;
    TableData items(f.report, QStringLiteral("Items"), {"Order", "Name", "Qty"}, kItems);
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 10);
    master->SetDataSet(items.set);
    f.AddMemo(master, "M", "[Items.\"Name\"]", 0, 10);
    auto *footer = f.AddBand<TfrxFooter>("Footer1", 20, 10);
    auto *total = f.AddMemo(footer, "Total", text, 0, 10);
    const QString design = total->Text();
    QVERIFY(f.Build());
    QCOMPARE(f.PageText(0).section(QStringLiteral(" | "), -1), shown + QStringLiteral("@50"));
    QCOMPARE(f.Find<TfrxMemoView>("Total")->Text(), design);
    // A second build starts from zero again.
    QVERIFY(f.Build());
    QCOMPARE(f.PageText(0).section(QStringLiteral(" | "), -1), shown + QStringLiteral("@50"));
}

void TestEngineGroups::groupKeepTogetherMovesWholeGroup()
{
    // Body 100 px; three groups of header + rows of 20 px: North (3 bands), South (2 bands).
    Fixture f(100 / kPx);
    TableData orders(f.report, QStringLiteral("Orders"), {"Id", "Region"},
                     {{"1", "East"}, {"2", "East"}, {"3", "North"}, {"4", "North"}, {"5", "North"}});
    auto *group = f.AddBand<TfrxGroupHeader>("GroupHeader1", 0, 20);
    group->SetCondition(QStringLiteral("<Orders.\"Region\">"));
    group->SetKeepTogether(true);
    f.AddMemo(group, "G", "[Orders.\"Region\"]");
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 30, 20);
    master->SetDataSet(orders.set);
    f.AddMemo(master, "M", "[Orders.\"Id\"]");
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"East@0 | 1@20 | 2@40", "North@0 | 3@20 | 4@40 | 5@60"}));
}

void TestEngineGroups::keptBandsMoveTogether_data()
{
    QTest::addColumn<double>("title");
    QTest::addColumn<QString>("keep");
    QTest::addColumn<QStringList>("pages");
    // On 100 px pages: a title, a 10 px header, two 10 px rows and a 20 px footer.
    QTest::newRow("header left alone")
        << 85.0 << "" << QStringList{"title@0 | header@85", "row 1@0 | row 2@10 | footer@20"};
    QTest::newRow("header kept with the first row")
        << 85.0 << "header" << QStringList{"title@0", "header@0 | row 1@10 | row 2@20 | footer@30"};
    QTest::newRow("footer left alone")
        << 70.0 << "" << QStringList{"title@0 | header@70 | row 1@80 | row 2@90", "footer@0"};
    QTest::newRow("footer kept with the last row")
        << 70.0 << "footer" << QStringList{"title@0 | header@70 | row 1@80", "row 2@0 | footer@10"};
}

void TestEngineGroups::keptBandsMoveTogether()
{
    QFETCH(double, title);
    QFETCH(QString, keep);
    QFETCH(QStringList, pages);
    Fixture f(100 / kPx);
    f.AddMemo(f.AddBand<TfrxReportTitle>("ReportTitle1", 0, title), "T", "title");
    f.AddMemo(f.AddBand<TfrxHeader>("Header1", 100, 10), "H", "header", 0, 10);
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 120, 10);
    master->SetRowCount(2);
    master->SetKeepHeader(keep == "header");
    master->SetKeepFooter(keep == "footer");
    f.AddMemo(master, "M", "row [Line]", 0, 10);
    f.AddMemo(f.AddBand<TfrxFooter>("Footer1", 140, 20), "F", "footer");
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), pages);
}

void TestEngineGroups::keepThroughTheStore()
{
    // The store cuts the kept bands from the page and pastes them on the next one.
    Fixture f(100 / kPx);
    f.AddMemo(f.AddBand<TfrxReportTitle>("ReportTitle1", 0, 70), "T", "title");
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 120, 10);
    master->SetRowCount(3);
    master->SetKeepFooter(true);
    f.AddMemo(master, "M", "row [Line]", 0, 10);
    f.AddMemo(f.AddBand<TfrxFooter>("Footer1", 140, 20), "F", "footer");
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"title@0 | row 1@70 | row 2@80", "row 3@0 | footer@10"}));
}

void TestEngineGroups::allowSplitCutsBandAcrossPages()
{
    // A 250 px band on 100 px pages, text objects every 40 px; the one at 80 crosses the first
    // page's end, its one line fits above it and its box ends there.
    Fixture f(100 / kPx);
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 250);
    master->SetRowCount(1);
    master->SetAllowSplit(true);
    for (int i = 0; i < 6; ++i)
        f.AddMemo(master, QStringLiteral("M%1").arg(i), QStringLiteral("m%1").arg(i), i * 40, 30);
    f.AddMemo(f.AddBand<TfrxReportSummary>("ReportSummary1", 300, 20), "S", "end");
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"m0@0 | m1@40 | m2@80", "m3@20 | m4@60", "m5@0 | end@50"}));
}

void TestEngineGroups::splitBandLosesNothing()
{
    // A text of 40 lines (about 600 px) in a band that may split, on 100 px pages with a 10 px
    // page footer, and a shape below it: every line prints once, in order, each piece inside its
    // page's body; the shape moves whole. A summary that follows gets its own room.
    Fixture f(100 / kPx);
    QStringList lines;
    for (int i = 1; i <= 40; ++i)
        lines << QStringLiteral("line %1").arg(i);
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 60);
    master->SetRowCount(1);
    master->SetAllowSplit(true);
    master->SetStretched(true);
    auto *text = f.AddMemo(master, "Text", lines.join(QStringLiteral("\r\n")), 0, 20);
    text->SetStretchMode(frx::smActualHeight);
    auto *shape = new TfrxShapeView(master);
    shape->SetName(QStringLiteral("Shape"));
    shape->SetBounds(0, 30, 50, 40);
    f.AddMemo(f.AddBand<TfrxPageFooter>("PageFooter1", 200, 10), "PF", "p[Page]", 0, 10);
    f.AddMemo(f.AddBand<TfrxReportSummary>("ReportSummary1", 300, 20), "S", "end");
    QVERIFY(f.Build());
    const QList<PreparedPage> pages = ReadPreparedPages(f.report);
    QVERIFY(pages.size() >= 6);
    QStringList printed;
    int shapes = 0;
    for (int i = 0; i < pages.size(); ++i)
        for (const PreparedObject &object : pages[i]) {
            if (object.Name == QLatin1String("Text")) {
                printed += object.Text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
                QVERIFY2(object.Top + object.Height <= 90 + 1e-6, qPrintable(QString::number(i)));
            } else if (object.Name == QLatin1String("Shape")) {
                ++shapes;
                QCOMPARE(object.Height, 40.0);
                QVERIFY(object.Top + object.Height <= 90 + 1e-6);
            } else if (object.Name == QLatin1String("PF")) {
                QVERIFY(qAbs(object.Top - 90) < 1e-6);
            }
        }
    QCOMPARE(printed, lines);
    QCOMPARE(shapes, 1);
    QCOMPARE(FindPrepared(pages.back(), QStringLiteral("S"))->Text, QStringLiteral("end"));
}

void TestEngineGroups::reprintedHeaderAndPageNumbers()
{
    Fixture f(100 / kPx);
    auto *header = f.AddBand<TfrxHeader>("Header1", 0, 20);
    header->SetReprintOnNewPage(true);
    f.AddMemo(header, "H", "head [Page] of [TotalPages]");
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 30, 30);
    master->SetRowCount(5);
    f.AddMemo(master, "M", "row [Line]");
    f.report.EngineOptions()->SetDoublePass(true);
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"head 1 of 3@0 | row 1@20 | row 2@50",
                                        "head 2 of 3@0 | row 3@20 | row 4@50", "head 3 of 3@0 | row 5@20"}));
}

void TestEngineGroups::outlineAndAnchors()
{
    Fixture f(100 / kPx);
    TableData orders(f.report, QStringLiteral("Orders"), {"Id", "Region"}, kOrders);
    auto *group = f.AddBand<TfrxGroupHeader>("GroupHeader1", 0, 20);
    group->SetCondition(QStringLiteral("Orders.\"Region\""));
    group->SetOutlineText(QStringLiteral("Orders.\"Region\""));
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 30, 30);
    master->SetDataSet(orders.set);
    master->SetOutlineText(QStringLiteral("'Order ' + <Orders.\"Id\">"));
    f.AddMemo(master, "M", "[Orders.\"Id\"]");
    f.report.SetScriptText({"procedure MasterData1OnAfterPrint(Sender: TfrxComponent);", "begin",
                            "  Engine.AddAnchor('order' + <Orders.\"Id\">);", "end;", "", "begin", "end."});
    master->SetOnAfterPrint(QStringLiteral("MasterData1OnAfterPrint"));
    int anchorPage = 0;
    f.report.OnEndDoc = [&](QObject *) { anchorPage = f.Engine()->GetAnchorPage(QStringLiteral("order3")); };
    QVERIFY(f.Build());
    QCOMPARE(ReadOutline(f.report).join(' '),
             QStringLiteral("1:North:0@0 2:Order 1:0@20 2:Order 2:0@50 1:South:0@80 2:Order 3:1@0"));
    QCOMPARE(anchorPage, 2);
}

void TestEngineGroups::keptOutlineAndAnchorsMove()
{
    // The North group does not fit below East and moves whole to page 2: its outline entries and
    // anchors must point at page 2, at the tops the bands have there.
    Fixture f(100 / kPx);
    TableData orders(f.report, QStringLiteral("Orders"), {"Id", "Region"},
                     {{"1", "East"}, {"2", "East"}, {"3", "North"}, {"4", "North"}, {"5", "North"}});
    auto *group = f.AddBand<TfrxGroupHeader>("GroupHeader1", 0, 20);
    group->SetCondition(QStringLiteral("<Orders.\"Region\">"));
    group->SetKeepTogether(true);
    group->SetOutlineText(QStringLiteral("Orders.\"Region\""));
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 30, 20);
    master->SetDataSet(orders.set);
    master->SetOutlineText(QStringLiteral("'Order ' + <Orders.\"Id\">"));
    f.AddMemo(master, "M", "[Orders.\"Id\"]");
    f.report.SetScriptText({"procedure MasterData1OnAfterPrint(Sender: TfrxComponent);", "begin",
                            "  Engine.AddAnchor('order' + <Orders.\"Id\">);", "end;", "", "begin", "end."});
    master->SetOnAfterPrint(QStringLiteral("MasterData1OnAfterPrint"));
    QVERIFY(f.Build());

    QCOMPARE(f.PageCount(), 2);
    const QStringList outline = ReadOutline(f.report), anchors = ReadAnchors(f.report);
    QCOMPARE(outline.join(' '), QStringLiteral("1:East:0@0 2:Order 1:0@20 2:Order 2:0@40 1:North:1@0 "
                                               "2:Order 3:1@20 2:Order 4:1@40 2:Order 5:1@60"));
    QCOMPARE(anchors.join(' '),
             QStringLiteral("order1:0@40 order2:0@60 order3:1@40 order4:1@60 order5:1@80"));
}

void TestEngineGroups::reprintedBandsSeeOverflow()
{
    // Overflow is set while a band is shown again at the top of a new page, not when its data
    // band shows it first; the reprinted band shows the line it was first shown with.
    Fixture f(100 / kPx);
    auto *header = f.AddBand<TfrxHeader>("Header1", 0, 20);
    header->SetReprintOnNewPage(true);
    f.AddMemo(header, "H", "");
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 30, 30);
    master->SetRowCount(5);
    f.AddMemo(master, "M", "row [Line]");
    f.report.SetScriptText(
        {"procedure Header1OnBeforePrint(Sender: TfrxComponent);", "begin",
         "  if Header1.Overflow then H.Text := 'continued [Line]' else H.Text := 'head [Line]';", "end;", "",
         "begin", "end."});
    header->SetOnBeforePrint(QStringLiteral("Header1OnBeforePrint"));
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"head 1@0 | row 1@20 | row 2@50",
                                        "continued 1@0 | row 3@20 | row 4@50", "continued 1@0 | row 5@20"}));
    QVERIFY(!f.Engine()->BandOverflow(f.Find<TfrxBand>("Header1")));
}

void TestEngineGroups::movedBandEvaluatesFlowAgain()
{
    // A takes one line and hands the rest to B in the child band. A band that moves to the next
    // page evaluates A again first, with SecondScriptCall set; B never keeps an earlier record's
    // overflow.
    Fixture f(100 / kPx);
    TableData orders(f.report, QStringLiteral("Orders"), {"Text"}, {{"a1\r\na2"}, {"b1"}, {"c1\r\nc2"}});
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 50);
    master->SetDataSet(orders.set);
    auto *child = f.AddBand<TfrxChild>("Child1", 100, 20);
    master->SetChild(child);
    auto *a = f.AddMemo(master, "A", "[Orders.\"Text\"]");
    a->SetWordWrap(false);
    auto *b = f.AddMemo(child, "B", "");
    a->SetFlowTo(b);
    f.report.SetScriptText({"procedure AOnBeforePrint(Sender: TfrxComponent);", "begin",
                            "  if Engine.SecondScriptCall then A.Text := '[Orders.\"Text\"] (moved)';",
                            "end;", "", "begin", "end."});
    a->SetOnBeforePrint(QStringLiteral("AOnBeforePrint"));
    QStringList calls;
    f.report.OnBeforePrint = [&](TfrxComponent *c) {
        if (c->Name() == QLatin1String("A"))
            calls << QString::number(f.Engine()->SecondScriptCall());
    };
    QVERIFY(f.Build());
    QCOMPARE(calls.join(' '), QStringLiteral("0 0 1 0 1"));
    QCOMPARE(f.AllPages(), QStringList({"a1@0 | a2@50", "b1 (moved)@0 | @50", "c1@0 | c2 (moved)@50"}));
}

void TestEngineGroups::printOnPreviousPageContinuesLastPage()
{
    Fixture f;
    auto *first = f.AddBand<TfrxMasterData>("MasterData1", 0, 30);
    first->SetRowCount(2);
    f.AddMemo(first, "A", "a[Line]");
    auto *second = new TfrxReportPage(&f.report);
    second->SetName(QStringLiteral("Page2"));
    second->SetPrintOnPreviousPage(true);
    auto *band = new TfrxMasterData(second);
    band->SetName(QStringLiteral("MasterData2"));
    band->SetHeight(20);
    band->SetRowCount(1);
    f.AddMemo(band, "B", "b[Line]");
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"a1@0 | a2@30 | b1@60"}));

    f.Find<TfrxReportPage>("Page2")->SetPrintOnPreviousPage(false);
    f.Find<TfrxReportPage>("Page2")->SetResetPageNumbers(true);
    f.AddMemo(f.Find<TfrxBand>("MasterData2"), "N", "p[Page]", 20);
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"a1@0 | a2@30", "b1@0 | p1@20"}));
}

void TestEngineGroups::simplifiedLayoutsBuild_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("pages");
    QTest::newRow("page columns") << "columns" << 1;
    QTest::newRow("endless page") << "endless" << 1;
    QTest::newRow("subreport in band") << "subreport" << 1;
    QTest::newRow("dialog page") << "dialog" << 1;
    QTest::newRow("dot-matrix page") << "dmp" << 1;
}

void TestEngineGroups::simplifiedLayoutsBuild()
{
    QFETCH(QString, kind);
    QFETCH(int, pages);
    Fixture f;
    if (kind == "dmp") {
        delete f.page;
        f.page = new TfrxDMPPage(&f.report);
        f.page->SetName(QStringLiteral("Page1"));
    }
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 40);
    master->SetRowCount(kind == "columns" ? 10 : kind == "endless" ? 20 : 2);
    f.AddMemo(master, "M", "row [Line]");
    if (kind == "columns") {
        f.page->SetColumns(2);
        f.page->SetColumnWidth(50);
    } else if (kind == "endless") {
        f.page->SetEndlessHeight(true);
    } else if (kind == "subreport") {
        auto *inner = new TfrxReportPage(&f.report);
        inner->SetName(QStringLiteral("Page2"));
        auto *innerBand = new TfrxMasterData(inner);
        innerBand->SetName(QStringLiteral("MasterData3"));
        innerBand->SetHeight(20);
        innerBand->SetRowCount(2);
        f.AddMemo(innerBand, "S", "sub [Line]");
        auto *subreport = new TfrxSubreport(master);
        subreport->SetName(QStringLiteral("Subreport1"));
        subreport->SetTop(20);
        subreport->SetSubPage(inner);
    } else if (kind == "dialog") {
        auto *dialog = new TfrxDialogPage(&f.report);
        dialog->SetName(QStringLiteral("Dialog1"));
    }
    QVERIFY(f.Build());
    QCOMPARE(f.PageCount(), pages);
    if (kind == "endless")
        QCOMPARE(PreparedPageHeight(f.report, 0), 20 * 40.0);
    if (kind == "columns") { // nine rows in the first column, the tenth at the top of the second
        const PreparedObject last = ReadPreparedPages(f.report).value(0).back();
        QCOMPARE(last.Left, 50 * kPx);
        QCOMPARE(last.Top, 0.0);
    }
    if (kind == "subreport")
        QCOMPARE(f.PageText(0),
                 QStringLiteral("row 1@0 | sub 1@20 | sub 2@40 | row 2@60 | sub 1@80 | sub 2@100"));
}

void TestEngineGroups::badInputEndsBuild_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("pages");
    QTest::newRow("script throws at run time") << "throw"
                                               << "'x'" << 1;
    QTest::newRow("dataset freed during the build") << "freed"
                                                    << "Dataset \"Orders\" does not exist" << 2;
    QTest::newRow("group without data band") << "group"
                                             << "No data band for the group GroupHeader2" << 0;
    QTest::newRow("detail without master") << "detail"
                                           << "Incorrect band position: DetailData2" << 0;
    QTest::newRow("band shows itself from its own event") << "itself"
                                                          << "" << 3;
    QTest::newRow("page header fills the page, split band") << "fullheader"
                                                            << "" << 3;
    QTest::newRow("vertical band") << "vertical"
                                   << "Vertical bands are not supported: MasterData2" << 0;
    QTest::newRow("group condition throws") << "condition"
                                            << "Group condition of GroupHeader2: " << 1;
    QTest::newRow("user dataset that never ends")
        << "noend"
        << "Dataset \"Endless\" never ends: its RangeEnd is reLast and no end check is set" << 0;
    QTest::newRow("sub-report without its page") << "nosubpage"
                                                 << "Sub-report Subreport9 has no page to print" << 0;
    QTest::newRow("band taller than the page, no split") << "tall"
                                                         << "" << 3;
    QTest::newRow("page and band share dataset")
        << "pageband"
        << "Cannot use the same dataset for Page.DataSet and Band.DataSet" << 0;
}

void TestEngineGroups::badInputEndsBuild()
{
    QFETCH(QString, kind);
    QFETCH(QString, error);
    QFETCH(int, pages);
    Fixture f(100 / kPx);
    auto *orders = new TableData(f.report, QStringLiteral("Orders"), {"Id", "Region"}, kOrders);
    std::unique_ptr<TableData> owned(orders);
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 60);
    master->SetDataSet(orders->set);
    f.AddMemo(master, "M", "[Orders.\"Id\"]");
    if (kind == "throw") {
        f.report.SetScriptText({"procedure MasterData1OnBeforePrint(Sender: TfrxComponent);", "begin",
                                "  if <Line> = 2 then Sender.Tag := StrToInt('x');", "end;", "", "begin",
                                "end."});
        master->SetOnBeforePrint(QStringLiteral("MasterData1OnBeforePrint"));
    } else if (kind == "freed") {
        f.report.OnAfterPrint = [&](TfrxComponent *c) {
            if (c == master && orders->at == 1)
                delete orders->set;
        };
    } else if (kind == "group") {
        f.AddBand<TfrxGroupHeader>("GroupHeader2", 200, 20);
    } else if (kind == "detail") {
        auto *other = new TfrxReportPage(&f.report);
        other->SetName(QStringLiteral("Page2"));
        auto *detail = new TfrxDetailData(other);
        detail->SetName(QStringLiteral("DetailData2"));
        detail->SetRowCount(2);
    } else if (kind == "fullheader") {
        f.AddBand<TfrxPageHeader>("PageHeader1", -100, 120);
        master->SetAllowSplit(true);
        master->SetHeight(300);
        f.AddMemo(master, "Low", "low", 250);
    } else if (kind == "itself") {
        f.report.SetScriptText({"procedure MasterData1OnBeforePrint(Sender: TfrxComponent);", "begin",
                                "  Engine.ShowBand(MasterData1);", "end;", "", "begin", "end."});
        master->SetOnBeforePrint(QStringLiteral("MasterData1OnBeforePrint"));
    } else if (kind == "condition") {
        master->SetTop(30);
        auto *group = f.AddBand<TfrxGroupHeader>("GroupHeader2", 0, 10);
        group->SetCondition(QStringLiteral("StrToInt('x')"));
    } else if (kind == "noend") {
        auto *endless = new TfrxUserDataSet(&f.report);
        endless->SetName(QStringLiteral("EndlessSet"));
        endless->SetUserName(QStringLiteral("Endless"));
        f.report.Datasets()->Add(endless);
        master->SetDataSet(endless);
    } else if (kind == "nosubpage") {
        auto *subreport = new TfrxSubreport(master);
        subreport->SetName(QStringLiteral("Subreport9"));
    } else if (kind == "tall") {
        master->SetHeight(250);
    } else if (kind == "vertical") {
        auto *vertical = f.AddBand<TfrxMasterData>("MasterData2", 0, 40);
        vertical->SetVertical(true);
        vertical->SetRowCount(3);
    } else if (kind == "pageband") {
        f.page->SetDataSet(orders->set);
    }
    QCOMPARE(f.report.BuildPages(true), error.isEmpty());
    QVERIFY2(f.report.Errors().join('\n').contains(error), qPrintable(f.report.Errors().join('\n')));
    QCOMPARE(f.PageCount(), pages);
}

QTEST_MAIN(TestEngineGroups)
void TestEngineGroups::endlessPagesTakeTheirOwnHeight()
{
    // One page per region on an endless page: each page ends below its own rows and page footer,
    // and a saved prepared report keeps every page's size.
    QFETCH_GLOBAL(bool, store);
    Fixture f(100 / kPx);
    f.page->SetEndlessHeight(true);
    f.page->SetTopMargin(5);
    f.page->SetBottomMargin(5);
    TableData orders(
        f.report, QStringLiteral("Orders"), {"Id", "Region"},
        {{"1", "North"}, {"2", "North"}, {"3", "North"}, {"4", "South"}, {"5", "West"}, {"6", "West"}});
    auto *group = f.AddBand<TfrxGroupHeader>("GroupHeader1", 0, 10);
    group->SetCondition(QStringLiteral("<Orders.\"Region\">"));
    group->SetStartNewPage(true);
    f.AddMemo(group, "G", "[Orders.\"Region\"]", 0, 10);
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 20, 20);
    master->SetDataSet(orders.set);
    f.AddMemo(master, "M", "[Orders.\"Id\"]");
    f.AddMemo(f.AddBand<TfrxPageFooter>("PageFooter1", 60, 10), "PF", "p[Page]", 0, 10);
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), QStringList({"North@0 | 1@10 | 2@30 | 3@50 | p1@70", "South@0 | 4@10 | p2@30",
                                        "West@0 | 5@10 | 6@30 | p3@50"}));
    const double margins = 10 * kPx;
    const QList<double> heights{80 + margins, 40 + margins, 60 + margins};
    for (int i = 0; i < heights.size(); ++i)
        QCOMPARE(PreparedPageHeight(f.report, i), std::round(heights[i] * 100) / 100);
    if (!store)
        return;
    QBuffer file;
    file.open(QIODevice::ReadWrite);
    f.report.PreviewPages()->SaveToStream(&file);
    file.seek(0);
    TfrxReport loaded;
    loaded.PreviewPages()->LoadFromStream(&file);
    QCOMPARE(loaded.PreviewPages()->Count(), 3);
    for (int i = 0; i < heights.size(); ++i) {
        QCOMPARE(loaded.PreviewPages()->GetPageSize(i), f.report.PreviewPages()->GetPageSize(i));
        QCOMPARE(PreparedPageHeight(loaded, i), std::round(heights[i] * 100) / 100);
    }
}

void TestEngineGroups::stretchedSummaryMovesToNewPage()
{
    // Rows end at 60 px of a 90 px body: the summary's design height (10) would fit, its
    // stretched text (four lines) does not, so it starts the next page instead of running over
    // the page footer.
    Fixture f(100 / kPx);
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 20);
    master->SetRowCount(3);
    f.AddMemo(master, "M", "row [Line]");
    auto *summary = f.AddBand<TfrxReportSummary>("ReportSummary1", 40, 10);
    summary->SetStretched(true);
    auto *text = f.AddMemo(summary, "S", "a\r\nb\r\nc\r\nd", 0, 10);
    text->SetStretchMode(frx::smActualHeight);
    f.AddMemo(f.AddBand<TfrxPageFooter>("PageFooter1", 80, 10), "PF", "p[Page]", 0, 10);
    QVERIFY(f.Build());
    const QList<PreparedPage> pages = ReadPreparedPages(f.report);
    QCOMPARE(pages.size(), 2);
    QCOMPARE(Fixture::PageText(pages[0]), QStringLiteral("row 1@0 | row 2@20 | row 3@40 | p1@90"));
    const PreparedObject *moved = FindPrepared(pages[1], QStringLiteral("S"));
    QVERIFY(moved);
    QCOMPARE(moved->Top, 0.0);
    QVERIFY(moved->Height > 30);
    QVERIFY(moved->Top + moved->Height <= 90 + 1e-6);
    QCOMPARE(FindPrepared(pages[1], QStringLiteral("PF"))->Text, QStringLiteral("p2"));
}

void TestEngineGroups::tallShapeStartsFreshPageAndIsCut()
{
    // A band (no split allowed) with a shape taller than the page body (90 px) below a row that
    // fills part of the first page: the shape starts on a fresh page and is cut at its end, the
    // text below it follows on the next page; the build ends.
    Fixture f(100 / kPx);
    auto *first = f.AddBand<TfrxMasterData>("MasterData1", 0, 20);
    first->SetRowCount(1);
    f.AddMemo(first, "M", "before");
    auto *tall = f.AddBand<TfrxMasterData>("MasterData2", 40, 160);
    tall->SetRowCount(1);
    auto *shape = new TfrxShapeView(tall);
    shape->SetName(QStringLiteral("Shape"));
    shape->SetBounds(0, 0, 50, 120);
    f.AddMemo(tall, "After", "after", 130);
    f.AddMemo(f.AddBand<TfrxPageFooter>("PageFooter1", 220, 10), "PF", "p[Page]", 0, 10);
    QVERIFY(f.Build());
    const QList<PreparedPage> pages = ReadPreparedPages(f.report);
    QCOMPARE(pages.size(), 3);
    QCOMPARE(Fixture::PageText(pages[0]), QStringLiteral("before@0 | p1@90"));
    QCOMPARE(Fixture::PageText(pages[1]), QStringLiteral("Shape@0 | p2@90"));
    QVERIFY(qAbs(FindPrepared(pages[1], QStringLiteral("Shape"))->Height - 90) < 1e-6);
    QCOMPARE(Fixture::PageText(pages[2]), QStringLiteral("after@40 | p3@90"));
}

void TestEngineGroups::subreportHeadersAndPrintOnParent_data()
{
    QTest::addColumn<bool>("onParent");
    QTest::addColumn<QStringList>("pages");
    // Pages of 150 px; each row band (20 px) holds a sub-report at 20 px whose page prints a page
    // header, three rows and a page footer (80 px).
    // On its own, the sub-report's bands break over the page, its page header opening the next.
    QTest::newRow("own bands") << false
                               << QStringList{"row 1@0 | sh@20 | s1@30 | s2@50 | s3@70 | sf@90 | row 2@100 | "
                                              "sh@120 | s1@130",
                                              "sh@0 | s2@10 | s3@30 | sf@50"};
    // On its parent, the band grows to 100 px and moves to the next page whole.
    QTest::newRow("PrintOnParent") << true
                                   << QStringList{"row 1@0 | sh@20 | s1@30 | s2@50 | s3@70 | sf@90",
                                                  "row 2@0 | sh@20 | s1@30 | s2@50 | s3@70 | sf@90"};
}

void TestEngineGroups::subreportHeadersAndPrintOnParent()
{
    QFETCH(bool, onParent);
    QFETCH(QStringList, pages);
    Fixture f(150 / kPx);
    auto *inner = new TfrxReportPage(&f.report);
    inner->SetName(QStringLiteral("Page2"));
    auto add = [&](TfrxBand *band, const QString &name, double top, double height, const QString &text) {
        band->SetName(name);
        band->SetTop(top);
        band->SetHeight(height);
        f.AddMemo(band, name + QStringLiteral("Text"), text, 0, height);
        return band;
    };
    add(new TfrxPageHeader(inner), "SubHeader", 0, 10, "sh");
    static_cast<TfrxDataBand *>(add(new TfrxMasterData(inner), "SubRows", 40, 20, "s[Line]"))->SetRowCount(3);
    add(new TfrxPageFooter(inner), "SubFooter", 100, 10, "sf");
    auto *master = f.AddBand<TfrxMasterData>("MasterData1", 0, 20);
    master->SetRowCount(2);
    f.AddMemo(master, "M", "row [Line]");
    auto *subreport = new TfrxSubreport(master);
    subreport->SetName(QStringLiteral("Subreport1"));
    subreport->SetBounds(0, 20, 100, 10);
    subreport->SetSubPage(inner);
    subreport->SetPrintOnParent(onParent);
    QVERIFY(f.Build());
    QCOMPARE(f.AllPages(), pages);
}

#include "tst_engine_groups.moc"

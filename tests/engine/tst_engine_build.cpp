// The builder on small layouts: the report-level dataset walk of waybills, the checks that stop a
// build, pages and bands (new pages, stretching), and the layout left as it was.

#include "PreparedPagesReader.h"

#include "engine/build/frxEngine.h"
#include "engine/pages/frxPreviewPages.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

// A report with the order dataset FD (rows of the field "Name") as its report dataset and one
// 100 x 150 mm page.
struct Fixture {
    TfrxReport report;
    TfrxUserDataSet fd;
    QStringList names;
    int firstCalls = 0;
    int nextCalls = 0;
    int row = 0;

    explicit Fixture(const QStringList &rows = {}) : names(rows)
    {
        fd.SetName(QStringLiteral("frxUserDataSet1"));
        fd.SetUserName(QStringLiteral("FD"));
        fd.SetFields({QStringLiteral("Name")});
        fd.SetRangeEnd(frx::reCount);
        fd.SetRangeEndCount(int(rows.size()));
        fd.OnFirst = [this](QObject *) {
            ++firstCalls;
            row = 0;
        };
        fd.OnNext = [this](QObject *) {
            ++nextCalls;
            ++row;
        };
        fd.OnGetValue = [this](const QString &field, Variant &value) {
            if (field == QLatin1String("Name") && row < names.size())
                value = names[row];
        };
        report.Datasets()->Add(&fd);
        report.SetDataSet(&fd);
        report.EngineOptions()->SetNewSilentMode(frx::simSilent);
        report.EnsureDataPage();
        auto *page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetPaperWidth(100);
        page->SetPaperHeight(150);
        page->SetLeftMargin(0);
        page->SetRightMargin(0);
        page->SetTopMargin(0);
        page->SetBottomMargin(0);
        // The page implementation the case runs with is chosen now.
        report.PreviewPages();
        report.Engine();
    }

    TfrxReportPage *Page()
    {
        return static_cast<TfrxReportPage *>(report.FindObject(QStringLiteral("Page1")));
    }
    TfrxEngine *Engine() { return static_cast<TfrxEngine *>(report.Engine()); }
    int PageCount() { return int(ReadPreparedPages(report).size()); }
    // The copy of a layout object on a prepared page (an empty one when it is missing).
    PreparedObject Object(int page, const QString &name)
    {
        const QList<PreparedPage> pages = ReadPreparedPages(report);
        const PreparedObject *found = FindPrepared(pages.value(page), name);
        PreparedObject missing;
        missing.Name = QStringLiteral("<missing>");
        return found ? *found : missing;
    }

    TfrxMemoView *AddMemo(TfrxComponent *parent, const QString &name, const QString &text, double top,
                          double height = 20)
    {
        auto *memo = new TfrxMemoView(parent);
        memo->SetName(name);
        memo->SetText(text);
        memo->SetLeft(10);
        memo->SetTop(top);
        memo->SetWidth(200);
        memo->SetHeight(height);
        return memo;
    }

    template <class Band> Band *AddBand(const QString &name, double top, double height)
    {
        auto *band = new Band(Page());
        band->SetName(name);
        band->SetTop(top);
        band->SetHeight(height);
        band->SetWidth(100 * 3.77953);
        return band;
    }

    // The expanded text of the copy of a layout object on a prepared page.
    QString TextOn(int page, const QString &name)
    {
        const QList<PreparedPage> pages = ReadPreparedPages(report);
        const PreparedObject *found = FindPrepared(pages.value(page), name);
        return found ? found->Text : QStringLiteral("<missing>");
    }

    QByteArray Layout()
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        frxSaveToStream(report, &buffer);
        return buffer.data();
    }
};

} // namespace

class TestEngineBuild : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { frxRegisterEngine(); }
    void initTestCase_data() { AddPageImplementations(); }
    void init() { UsePageImplementation(); }

    void waybillPagePerRow_data();
    void waybillPagePerRow();
    void layoutUnchangedByBuild();
    void codeChangesStayOnTheirPage_data();
    void codeChangesStayOnTheirPage();
    void printIfEmptyFalseSkipsPageWithoutData();
    void scriptsReachDataSetsBandsAndEngine_data();
    void scriptsReachDataSetsBandsAndEngine();
    void checksStopBuild_data();
    void checksStopBuild();
    void scriptSyntaxError();
    void dialogRunnerDecides_data();
    void dialogRunnerDecides();
    void signedMarginsKeepPrintableArea();
    void bandsMoveToNewPage_data();
    void bandsMoveToNewPage();
    void headerDataFooterOrder();
    void stretchedMemoPushesObjectsBelow();
    void scriptRuntimeErrorEndsBuild();
    void doublePassKnowsTotalPages();
    void hostEventsInOrder();
    void objectsAddedWhileShownPrintOnce();
    void stopReportFromScript();
    void endlessScriptIsCancelled_data();
    void endlessScriptIsCancelled();
    void runawayScriptMemoryEndsBuild();
};

void TestEngineBuild::waybillPagePerRow_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("onBand");
    QTest::newRow("three rows on page") << QStringList{"Ann", "Bob", "Cy"} << false;
    QTest::newRow("three rows in band") << QStringList{"Ann", "Bob", "Cy"} << true;
    QTest::newRow("one row") << QStringList{"Ann"} << false;
    QTest::newRow("no rows") << QStringList{} << false;
}

void TestEngineBuild::waybillPagePerRow()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, onBand);
    Fixture f(rows);
    TfrxComponent *parent = f.Page();
    if (onBand) {
        auto *band = f.AddBand<TfrxMasterData>(QStringLiteral("MasterData1"), 0, 40);
        band->SetRowCount(1);
        parent = band;
    }
    f.AddMemo(parent, QStringLiteral("Memo1"), QStringLiteral("To: [FD.\"Name\"]"), 5);
    f.AddMemo(parent, QStringLiteral("Memo2"), QStringLiteral("fixed"), 30);

    QVERIFY2(f.report.BuildPages(true), qPrintable(f.report.Errors().join('\n')));
    QCOMPARE(f.firstCalls, 1);
    QCOMPARE(f.nextCalls, std::max<int>(0, int(rows.size()) - 1));
    QCOMPARE(f.PageCount(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(f.TextOn(i, QStringLiteral("Memo1")), QStringLiteral("To: ") + rows[i]);
        QCOMPARE(f.TextOn(i, QStringLiteral("Memo2")), QStringLiteral("fixed"));
        QCOMPARE(f.Object(i, QStringLiteral("Memo2")).Top, 30.0);
    }
    // A second build with ClearPrevious starts again; without it the pages are appended.
    QVERIFY(f.report.BuildPages(true));
    QCOMPARE(f.PageCount(), rows.size());
    QVERIFY(f.report.BuildPages(false));
    QCOMPARE(f.PageCount(), 2 * rows.size());
}

void TestEngineBuild::layoutUnchangedByBuild()
{
    Fixture f({"Ann", "Bob"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("[FD.\"Name\"]"), 5);
    auto *band = f.AddBand<TfrxMasterData>(QStringLiteral("MasterData1"), 100, 20);
    band->SetRowCount(2);
    auto *memo = f.AddMemo(band, QStringLiteral("Memo2"), QStringLiteral("long [FD.\"Name\"] text"), 0, 5);
    memo->SetStretchMode(frx::smActualHeight);
    f.report.SetScriptText({"procedure Memo1OnBeforePrint(Sender: TfrxComponent);", "begin",
                            "  Memo1.Left := 77;", "end;", "", "begin", "end."});
    f.report.FindObject(QStringLiteral("Memo1"))->setProperty("OnBeforePrint", "Memo1OnBeforePrint");
    // A colour set by code on one page does not stay for the next.
    f.report.SetScriptText({"procedure Memo1OnBeforePrint(Sender: TfrxComponent);", "begin",
                            "  Memo1.Left := 77;", "  if <FD.\"Name\"> = 'Ann' then Memo1.Color := 255;",
                            "end;", "", "begin", "end."});
    const int designColor = f.report.FindObject(QStringLiteral("Memo1"))->property("Color").toInt();
    const QByteArray before = f.Layout();
    QVERIFY2(f.report.BuildPages(true), qPrintable(f.report.Errors().join('\n')));
    QCOMPARE(f.Object(0, QStringLiteral("Memo1")).Left, 77.0);
    QCOMPARE(f.Object(0, QStringLiteral("Memo1")).Color, 255);
    QCOMPARE(f.Object(1, QStringLiteral("Memo1")).Color, designColor);
    const QByteArray after = f.Layout();
    if (after != before) {
        const QList<QByteArray> a = before.split('\n'), b = after.split('\n');
        for (int i = 0; i < std::min(a.size(), b.size()); ++i)
            if (a[i] != b[i])
                QFAIL(qPrintable(QString::fromUtf8(a[i] + "\n  became\n" + b[i])));
        QCOMPARE(after, before);
    }
}

void TestEngineBuild::codeChangesStayOnTheirPage_data()
{
    // Whatever code changes on an object for Ann's page is gone on Bob's, however the code
    // reaches the object.
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("memo1");
    const QString paint = QStringLiteral("  if <FD.\"Name\"> = 'Ann' then Memo2.Color := 255;");
    QTest::newRow("its own event") << QStringList{"procedure Memo2OnBeforePrint(Sender: TfrxComponent);",
                                                  "begin",
                                                  paint,
                                                  "end;",
                                                  "",
                                                  "begin",
                                                  "end."}
                                   << "Memo2"
                                   << "[FD.\"Name\"]";
    QTest::newRow("another object's event")
        << QStringList{"procedure Page1OnBeforePrint(Sender: TfrxComponent);",
                       "begin",
                       paint,
                       "end;",
                       "",
                       "begin",
                       "end."}
        << "Page1"
        << "[FD.\"Name\"]";
    QTest::newRow("a function an expression calls") << QStringList{"function Paint: String;",
                                                                   "begin",
                                                                   paint,
                                                                   "  Result := <FD.\"Name\">;",
                                                                   "end;",
                                                                   "",
                                                                   "begin",
                                                                   "end."}
                                                    << ""
                                                    << "[Paint]";
}

void TestEngineBuild::codeChangesStayOnTheirPage()
{
    QFETCH(QStringList, script);
    QFETCH(QString, event);
    QFETCH(QString, memo1);
    Fixture f({"Ann", "Bob"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), memo1, 5);
    f.AddMemo(f.Page(), QStringLiteral("Memo2"), QStringLiteral("x"), 40);
    f.report.SetScriptText(script);
    if (!event.isEmpty())
        f.report.FindObject(event)->setProperty("OnBeforePrint", event + QStringLiteral("OnBeforePrint"));
    const int designColor = f.report.FindObject(QStringLiteral("Memo2"))->property("Color").toInt();
    QVERIFY2(f.report.BuildPages(true), qPrintable(f.report.Errors().join('\n')));
    QCOMPARE(f.TextOn(1, QStringLiteral("Memo1")), QStringLiteral("Bob"));
    QCOMPARE(f.Object(0, QStringLiteral("Memo2")).Color, 255);
    QCOMPARE(f.Object(1, QStringLiteral("Memo2")).Color, designColor);
}

// Report code and expressions in each language reach a band's dataset (RecNo, RecordCount, the
// field values through Value), the band's own properties and the engine.
void TestEngineBuild::scriptsReachDataSetsBandsAndEngine_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("quote");
    QTest::newRow("PascalScript") << "PascalScript" << "'";
    QTest::newRow("C++Script") << "C++Script" << "\"";
    QTest::newRow("BasicScript") << "BasicScript" << "\"";
    QTest::newRow("JScript") << "JScript" << "\"";
}

void TestEngineBuild::scriptsReachDataSetsBandsAndEngine()
{
    QFETCH(QString, language);
    QFETCH(QString, quote);
    Fixture f({"Ann", "Bob", "Cy"});
    f.report.SetDataSet(nullptr);
    f.report.SetScriptLanguage(language);
    f.report.SetScriptText({});
    auto *band = f.AddBand<TfrxMasterData>(QStringLiteral("MasterData1"), 0, 20);
    band->SetDataSet(&f.fd);
    f.AddMemo(band, QStringLiteral("Memo1"),
              QStringLiteral("[MasterData1.DataSet.RecNo]/[MasterData1.DataSet.RecordCount] "
                             "[MasterData1.DataSet.Value[%1Name%1]] [MasterData1.Height] [Engine.FreeSpace > 0]")
                  .arg(quote),
              0);
    QVERIFY2(f.report.BuildPages(true), qPrintable(f.report.Errors().join('\n')));
    QStringList texts;
    for (const PreparedObject &object : ReadPreparedPages(f.report).value(0))
        if (object.Name == QLatin1String("Memo1"))
            texts << object.Text;
    QCOMPARE(texts, QStringList({"0/3 Ann 20 True", "1/3 Bob 20 True", "2/3 Cy 20 True"}));
}

void TestEngineBuild::printIfEmptyFalseSkipsPageWithoutData()
{
    Fixture f({"Ann"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("x"), 5);
    f.report.EngineOptions()->SetPrintIfEmpty(false);
    QVERIFY(f.report.BuildPages(true));
    QCOMPARE(f.PageCount(), 0);
}

void TestEngineBuild::checksStopBuild_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error");
    QTest::newRow("band uses report dataset")
        << "conflict"
        << "Cannot use the same dataset for Report.DataSet and Band.DataSet";
    QTest::newRow("missing dataset") << "missing"
                                     << "Dataset \"Gone\" does not exist";
    QTest::newRow("lone header") << "header"
                                 << "Unconnected header/footer Header1";
    QTest::newRow("group footer alone") << "groupfooter"
                                        << "No group header for GroupFooter1";
}

void TestEngineBuild::checksStopBuild()
{
    QFETCH(QString, kind);
    QFETCH(QString, error);
    Fixture f({"Ann"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("x"), 5);
    if (kind == "conflict")
        f.AddBand<TfrxMasterData>(QStringLiteral("MasterData1"), 0, 20)->SetDataSet(&f.fd);
    else if (kind == "missing")
        f.report.Datasets()->Add()->SetDataSetName(QStringLiteral("Gone"));
    else if (kind == "header")
        f.AddBand<TfrxHeader>(QStringLiteral("Header1"), 0, 20);
    else
        f.AddBand<TfrxGroupFooter>(QStringLiteral("GroupFooter1"), 0, 20);
    QVERIFY(!f.report.BuildPages(true));
    QVERIFY2(f.report.Errors().contains(error), qPrintable(f.report.Errors().join('\n')));
    QCOMPARE(f.PageCount(), 0);

    // With simReThrow the same list reaches the caller as one exception.
    f.report.EngineOptions()->SetNewSilentMode(frx::simReThrow);
    try {
        f.report.BuildPages(true);
        QFAIL("no exception");
    } catch (const Exception &e) {
        QVERIFY(e.Message().startsWith(QStringLiteral("The following error(s) have occured:\r\n")));
        QVERIFY(e.Message().contains(error));
    }
}

void TestEngineBuild::dialogRunnerDecides_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("pages");
    QTest::newRow("goes on") << "True" << 2;
    QTest::newRow("cancelled") << "False" << 0;
}

void TestEngineBuild::dialogRunnerDecides()
{
    // A cancelled dialog ends the build without pages and without a message.
    QFETCH(QString, answer);
    QFETCH(int, pages);
    Fixture f({"Ann", "Bob"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("[FD.\"Name\"]"), 5);
    f.report.SetScriptText({"procedure RunDialogs(var Result: Boolean);", "begin",
                            "  Result := " + answer + ";", "end;", "", "begin", "end."});
    f.report.SetOnRunDialogs(QStringLiteral("RunDialogs"));
    QCOMPARE(f.report.BuildPages(true), pages > 0);
    QCOMPARE(f.report.Errors(), QStringList());
    QCOMPARE(f.PageCount(), pages);
}

void TestEngineBuild::scriptSyntaxError()
{
    Fixture f({"Ann"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("x"), 5);
    f.report.SetScriptText({"begin", "  x := ;", "end."});
    QVERIFY(!f.report.BuildPages(true));
    QCOMPARE(f.report.Errors().size(), 1);
    const QString error = f.report.Errors().first();
    QVERIFY2(QRegularExpression(QStringLiteral("^Script error at \\d+:\\d+: .+")).match(error).hasMatch(),
             qPrintable(error));
    QCOMPARE(f.PageCount(), 0);
}

void TestEngineBuild::signedMarginsKeepPrintableArea()
{
    Fixture f({"Ann"});
    f.Page()->SetLeftMargin(5);
    f.Page()->SetRightMargin(-5);
    f.Page()->SetTopMargin(3);
    f.Page()->SetBottomMargin(-3);
    auto *memo = f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("x"), 0);
    memo->SetLeft(0);
    double width = 0, height = 0;
    f.report.OnBeforePrint = [&](TfrxComponent *) {
        width = f.Engine()->PageWidth();
        height = f.Engine()->PageHeight();
    };
    QVERIFY(f.report.BuildPages(true));
    QCOMPARE(width, 100 * 3.77953);
    QCOMPARE(height, 150 * 3.77953);
    // Positions stay relative to the printable area; drawing adds the margin.
    QCOMPARE(f.Object(0, QStringLiteral("Memo1")).Left, 0.0);
    QCOMPARE(PreparedPageSource(f.report, 0)->LeftMargin(), 5.0);

    // Through the program's store and its page drawing, at 96 dpi: a black box at Left 0 starts
    // 5 mm (18.9 px) from the paper's left edge and 3 mm (11.3 px) from its top.
    TfrxPreviewPages::Register();
    Fixture stored({"Ann"});
    QVERIFY(stored.report.PreviewPages());
    QVERIFY(stored.report.Engine());
    frxRegisterPreviewPagesClass(nullptr);
    stored.Page()->SetLeftMargin(5);
    stored.Page()->SetRightMargin(-5);
    stored.Page()->SetTopMargin(3);
    stored.Page()->SetBottomMargin(-3);
    auto *box = stored.AddMemo(stored.Page(), QStringLiteral("Box"), QString(), 0);
    box->SetLeft(0);
    box->SetColor(0);
    QVERIFY(stored.report.BuildPages(true));
    QImage image(int(100 * 3.77953) + 1, int(150 * 3.77953) + 1, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        TfrxCanvas canvas(painter, TfrxCanvas::ckScreen, 96, 96);
        stored.report.PreviewPages()->DrawPreparedPage(0, canvas, 1, 1, 0, 0);
    }
    auto firstDark = [&](bool horizontal) {
        for (int i = 0; i < 100; ++i) {
            const QRgb pixel = horizontal ? image.pixel(i, 15) : image.pixel(25, i);
            if (qGray(pixel) < 128)
                return i;
        }
        return -1;
    };
    QVERIFY2(qAbs(firstDark(true) - 19) <= 1, qPrintable(QString::number(firstDark(true))));
    QVERIFY2(qAbs(firstDark(false) - 11) <= 1, qPrintable(QString::number(firstDark(false))));
}

void TestEngineBuild::bandsMoveToNewPage_data()
{
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("startNewPage");
    QTest::addColumn<int>("pages");
    // The page body is 150 mm = 566.9 px.
    QTest::newRow("one band a page") << 300.0 << 5 << false << 5;
    QTest::newRow("two bands a page") << 250.0 << 5 << false << 3;
    QTest::newRow("start new page but the first") << 20.0 << 4 << true << 4;
    QTest::newRow("taller than the page") << 2000.0 << 3 << false << 3;
    QTest::newRow("start new page, many rows") << 20.0 << 100000 << true << 100000;
}

void TestEngineBuild::bandsMoveToNewPage()
{
    QFETCH(double, height);
    QFETCH(int, rows);
    QFETCH(bool, startNewPage);
    QFETCH(int, pages);
    Fixture f({"Ann"});
    auto *band = f.AddBand<TfrxMasterData>(QStringLiteral("MasterData1"), 0, height);
    band->SetRowCount(rows);
    band->SetStartNewPage(startNewPage);
    f.AddMemo(band, QStringLiteral("Memo1"), QStringLiteral("[Line]"), 0);
    QVERIFY(f.report.BuildPages(true));
    QCOMPARE(f.PageCount(), pages);
    QCOMPARE(ReadPreparedPages(f.report).value(pages - 1).back().Top, 0.0);
}

void TestEngineBuild::headerDataFooterOrder()
{
    Fixture f({"Ann"});
    auto *title = f.AddBand<TfrxReportTitle>(QStringLiteral("ReportTitle1"), 0, 30);
    f.AddMemo(title, QStringLiteral("T"), QStringLiteral("title"), 0);
    auto *pageHeader = f.AddBand<TfrxPageHeader>(QStringLiteral("PageHeader1"), 40, 20);
    f.AddMemo(pageHeader, QStringLiteral("PH"), QStringLiteral("page header"), 0);
    auto *header = f.AddBand<TfrxHeader>(QStringLiteral("Header1"), 80, 20);
    f.AddMemo(header, QStringLiteral("H"), QStringLiteral("header"), 0);
    auto *master = f.AddBand<TfrxMasterData>(QStringLiteral("MasterData1"), 120, 200);
    master->SetRowCount(3);
    f.AddMemo(master, QStringLiteral("M"), QStringLiteral("row [Line]"), 0);
    auto *footer = f.AddBand<TfrxFooter>(QStringLiteral("Footer1"), 340, 20);
    f.AddMemo(footer, QStringLiteral("F"), QStringLiteral("footer"), 0);
    auto *pageFooter = f.AddBand<TfrxPageFooter>(QStringLiteral("PageFooter1"), 400, 20);
    f.AddMemo(pageFooter, QStringLiteral("PF"), QStringLiteral("page footer"), 0);

    QVERIFY2(f.report.BuildPages(true), qPrintable(f.report.Errors().join('\n')));
    auto namesOn = [&](int page) {
        QStringList names;
        for (const PreparedObject &object : ReadPreparedPages(f.report).value(page))
            names << QStringLiteral("%1@%2").arg(object.Name).arg(object.Top);
        return names.join(' ');
    };
    // Page 1: title, page header, header, rows 1 and 2 (the body ends at 566.9 - 20); page 2: page
    // header, row 3, footer; the page footer on both.
    QCOMPARE(namesOn(0), QStringLiteral("T@0 PH@30 H@50 M@70 M@270 PF@546.929"));
    QCOMPARE(namesOn(1), QStringLiteral("PH@0 M@20 F@220 PF@546.929"));
    QCOMPARE(f.TextOn(1, QStringLiteral("M")), QStringLiteral("row 3"));
}

void TestEngineBuild::stretchedMemoPushesObjectsBelow()
{
    Fixture f({"Ann"});
    auto *band = f.AddBand<TfrxMasterData>(QStringLiteral("MasterData1"), 0, 40);
    band->SetRowCount(1);
    band->SetStretched(true);
    auto *memo = f.AddMemo(band, QStringLiteral("Memo1"), QStringLiteral("a\nb\nc\nd\ne"), 0, 10);
    memo->SetStretchMode(frx::smActualHeight);
    f.AddMemo(band, QStringLiteral("Below"), QStringLiteral("below"), 20, 20);
    auto *after = f.AddBand<TfrxMasterData>(QStringLiteral("MasterData2"), 100, 20);
    after->SetRowCount(1);
    f.AddMemo(after, QStringLiteral("Next"), QStringLiteral("next"), 0);

    QVERIFY(f.report.BuildPages(true));
    const double grown = f.Object(0, QStringLiteral("Memo1")).Height;
    QVERIFY(grown > 10);
    QCOMPARE(f.Object(0, QStringLiteral("Below")).Top, 20 + grown - 10);
    QCOMPARE(f.Object(0, QStringLiteral("Next")).Top, 20 + grown - 10 + 20);
}

void TestEngineBuild::scriptRuntimeErrorEndsBuild()
{
    Fixture f({"Ann", "Bob", "Cy"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("[StrToInt('x')]"), 5);
    QVERIFY(!f.report.BuildPages(true));
    QCOMPARE(f.report.Errors().size(), 1);
    QVERIFY(f.PageCount() <= 1);
    QVERIFY(f.report.FindObject(QStringLiteral("Memo1")));
}

void TestEngineBuild::stopReportFromScript()
{
    Fixture f({"Ann", "Bob", "Cy"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("[FD.\"Name\"]"), 5);
    f.report.SetScriptText({"procedure Page1OnBeforePrint(Sender: TfrxComponent);", "begin",
                            "  if <FD.\"Name\"> = 'Bob' then Engine.StopReport;", "end;", "", "begin",
                            "end."});
    f.Page()->setProperty("OnBeforePrint", "Page1OnBeforePrint");
    QVERIFY2(f.report.BuildPages(true), qPrintable(f.report.Errors().join('\n')));
    // The stop is seen before Bob's page pass: only Ann's page exists, and the build is a success.
    QCOMPARE(f.PageCount(), 1);
    QCOMPARE(f.TextOn(0, QStringLiteral("Memo1")), QStringLiteral("Ann"));
}

void TestEngineBuild::endlessScriptIsCancelled_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("memo");
    QTest::newRow("main block") << QStringList{"begin", "  while true do;", "end."} << QStringLiteral("x");
    QTest::newRow("function of a text")
        << QStringList{"function Endless(n: Integer): Integer;", "begin", "  repeat until false;", "end;",
                       "", "begin", "end."}
        << QStringLiteral("[Endless(1)]");
    QTest::newRow("loop with a body")
        << QStringList{"var i: Integer;", "begin", "  while true do", "    i := i + 1;", "end."}
        << QStringLiteral("x");
}

void TestEngineBuild::endlessScriptIsCancelled()
{
    // A Cancel arrives as an event while the script runs: it ends the build with no pages and no
    // message, long before the loop would.
    QFETCH(QStringList, script);
    QFETCH(QString, memo);
    Fixture f({"Ann", "Bob", "Cy"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), memo, 5);
    f.report.SetScriptText(script);
    QTimer::singleShot(200, [&] { f.report.SetTerminated(true); });
    QElapsedTimer clock;
    clock.start();
    f.report.BuildPages(true);
    QVERIFY2(clock.elapsed() < 1200, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(f.report.Errors(), QStringList());
    QVERIFY(f.report.Terminated());
    QVERIFY(f.PageCount() <= 1);
}

void TestEngineBuild::runawayScriptMemoryEndsBuild()
{
    Fixture f({"Ann"});
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("x"), 5);
    f.report.SetScriptText({"var s: String; i: Integer;", "begin", "  s := 'x';", "  for i := 1 to 40 do",
                            "    s := s + s;", "end."});
    QVERIFY(!f.report.BuildPages(true));
    QCOMPARE(f.report.Errors(), QStringList{QStringLiteral("Script error at 5:5: Out of memory")});
    QCOMPARE(f.PageCount(), 0);
}

void TestEngineBuild::doublePassKnowsTotalPages()
{
    Fixture f({"Ann", "Bob", "Cy"});
    f.report.EngineOptions()->SetDoublePass(true);
    f.AddMemo(f.Page(), QStringLiteral("Memo1"), QStringLiteral("[Page#]"), 5);
    QStringList seen;
    f.report.OnBeforePrint = [&](TfrxComponent *c) {
        if (c->Name() == QLatin1String("Memo1"))
            seen << QStringLiteral("%1/%2").arg(f.Engine()->FinalPass()).arg(f.Engine()->TotalPages());
    };
    QVERIFY2(f.report.BuildPages(true), qPrintable(f.report.Errors().join('\n')));
    QCOMPARE(seen.join(' '), QStringLiteral("0/0 0/0 0/0 1/3 1/3 1/3"));
    QCOMPARE(f.PageCount(), 3);
    QCOMPARE(f.firstCalls, 2);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(f.TextOn(i, QStringLiteral("Memo1")), QString::number(i + 1));
}

void TestEngineBuild::hostEventsInOrder()
{
    Fixture f({"Ann"});
    auto *band = f.AddBand<TfrxMasterData>(QStringLiteral("MasterData1"), 0, 40);
    band->SetRowCount(1);
    f.AddMemo(band, QStringLiteral("Memo1"), QStringLiteral("[FD.\"Name\"]"), 0);
    QStringList log;
    f.report.OnBeginDoc = [&](QObject *) { log << "BeginDoc"; };
    f.report.OnAfterScriptCompile = [&](QObject *) { log << "Compiled"; };
    f.report.OnBeforePrint = [&](TfrxComponent *c) {
        log << "Before " + c->Name() +
                   (qobject_cast<TfrxMemoView *>(c) ? ":" + static_cast<TfrxMemoView *>(c)->Text().trimmed()
                                                    : QString());
    };
    f.report.OnAfterPrint = [&](TfrxComponent *c) {
        log << "After " + c->Name() +
                   (qobject_cast<TfrxMemoView *>(c) ? ":" + static_cast<TfrxMemoView *>(c)->Text().trimmed()
                                                    : QString());
    };
    f.report.OnEndDoc = [&](QObject *) { log << "EndDoc"; };
    QVERIFY(f.report.BuildPages(true));
    QCOMPARE(log.join(", "),
             QStringLiteral("BeginDoc, Compiled, Before MasterData1, Before Memo1:[FD.\"Name\"], "
                            "After Memo1:Ann, After MasterData1, EndDoc"));
}

void TestEngineBuild::objectsAddedWhileShownPrintOnce()
{
    // A handler that adds an object to the band each time it is shown: the object prints with
    // that row and is gone before the next one.
    Fixture f({"Ann"});
    auto *band = f.AddBand<TfrxMasterData>(QStringLiteral("MasterData1"), 0, 40);
    band->SetRowCount(2);
    f.AddMemo(band, QStringLiteral("Memo1"), QStringLiteral("row [Line]"), 0);
    f.report.OnBeforePrint = [](TfrxComponent *c) {
        if (auto *shown = qobject_cast<TfrxMasterData *>(c)) {
            auto *extra = new TfrxMemoView(shown);
            extra->SetText(QStringLiteral("extra [Line]"));
            extra->SetTop(20);
            extra->SetWidth(100);
            extra->SetHeight(20);
        }
    };
    QVERIFY2(f.report.BuildPages(true), qPrintable(f.report.Errors().join('\n')));
    QStringList texts;
    for (const PreparedObject &object : ReadPreparedPages(f.report).value(0))
        texts << QStringLiteral("%1@%2").arg(object.Text).arg(object.Top);
    QCOMPARE(texts.join(QStringLiteral(" | ")),
             QStringLiteral("row 1@0 | extra 1@20 | row 2@40 | extra 2@60"));
}

QTEST_MAIN(TestEngineBuild)
#include "tst_engine_build.moc"

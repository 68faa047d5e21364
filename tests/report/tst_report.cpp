// The report object and its pages: reset, data page, errors, paper geometry, the text table.

#include "report/model/frxClass.h"

#include <QPointer>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {
// A printer whose default paper is Letter in landscape.
class LetterLandscape : public TfrxPaperInfo {
public:
    TfrxPaperDefaults DefaultPaper() const override { return {1, 279.4, 215.9, frx::poLandscape}; }
};
} // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void newReportIsInResetState();
    void resetRestoresWhatItNames();
    void versionIsFixed();
    void pagesOutsideTheListAreAnError();
    void ensureDataPage();
    void ensureDataPageWhenDataIsTaken();
    void errorsAreSortedAndUnique();
    void paperSetters_data();
    void paperSetters();
    void orientationTurnsTheMargins();
    void setDefaultsAsksThePrinter();
    void absurdPaperValues_data();
    void absurdPaperValues();
    void resourceTexts();
};

void TestReport::newReportIsInResetState()
{
    TfrxReport report;
    QCOMPARE(report.PagesCount(), 0);
    QCOMPARE(report.ScriptText(), (QStringList{"begin", "", "end."}));
    QCOMPARE(report.ScriptLanguage(), QStringLiteral("PascalScript"));
    QCOMPARE(report.SysVariables(), (QStringList{"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#",
                                                 "Line", "Line#", "CopyName#"}));
    QCOMPARE(report.PrintOptions()->Printer(), QStringLiteral("Default"));
    QCOMPARE(report.IniFile(), QStringLiteral("\\Software\\Tavrel"));
    QCOMPARE(int(report.PreviewOptions()->Buttons()), 4095);
    QVERIFY(report.EngineOptions()->UseGlobalDataSetList());
    // Creation moment as a day number: after 2020-01-01 (43831).
    QVERIFY(report.ReportOptions()->CreateDate() > 43831);
    QCOMPARE(report.ReportOptions()->LastChange(), report.ReportOptions()->CreateDate());
}

void TestReport::resetRestoresWhatItNames()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    QPointer<TfrxMemoView> memo = new TfrxMemoView(page);
    report.SetScriptText({QStringLiteral("x")});
    report.SetScriptLanguage(QStringLiteral("JScript"));
    report.SetDotMatrixReport(true);
    report.SetParentReport(QStringLiteral("base.fr3"));
    report.SetOnStartReport(QStringLiteral("Start"));
    report.SetOnReportPrint(QStringLiteral("Printing"));
    report.PrintOptions()->SetPrinter(QStringLiteral("Label printer"));
    report.PrintOptions()->SetCopies(3);
    report.PrintOptions()->SetSplicingLine(7);
    report.PreviewOptions()->SetOutlineWidth(200);
    report.PreviewOptions()->SetZoom(2);
    report.EngineOptions()->SetConvertNulls(false);
    report.EngineOptions()->SetMaxMemSize(99);
    report.ReportOptions()->SetAuthor(QStringLiteral("me"));
    report.ReportOptions()->SetPassword(QStringLiteral("secret"));
    report.SetIniFile(QStringLiteral("\\Other"));
    report.SetShowProgress(false);
    report.Variables()->SetValue(QStringLiteral("v"), 1);
    report.Styles()->Add()->SetName(QStringLiteral("s"));
    report.SetLastPassword(QStringLiteral("secret"));

    report.ClearObjects();

    QCOMPARE(report.PagesCount(), 0);
    QVERIFY(memo.isNull());
    QCOMPARE(report.ScriptText(), (QStringList{"begin", "", "end."}));
    QCOMPARE(report.ScriptLanguage(), QStringLiteral("PascalScript"));
    QVERIFY(!report.DotMatrixReport());
    QVERIFY(report.ParentReport().isEmpty());
    QVERIFY(report.OnStartReport().isEmpty());
    QCOMPARE(report.PrintOptions()->Printer(), QStringLiteral("Default"));
    QCOMPARE(report.PrintOptions()->Copies(), 1);
    QCOMPARE(report.PrintOptions()->SplicingLine(), 3);
    QCOMPARE(report.PreviewOptions()->OutlineWidth(), 120);
    QVERIFY(report.EngineOptions()->ConvertNulls());
    QVERIFY(report.ReportOptions()->Author().isEmpty());
    QVERIFY(report.ReportOptions()->Password().isEmpty());
    QCOMPARE(report.Variables()->Count(), 0);
    QCOMPARE(report.Styles()->Count(), 0);
    QVERIFY(report.LastPassword().isEmpty());
    QCOMPARE(report.Version(), QStringLiteral("4.12.6"));
    // What the reset does not name keeps its value.
    QCOMPARE(report.OnReportPrint(), QStringLiteral("Printing"));
    QCOMPARE(report.PreviewOptions()->Zoom(), 2.0);
    QCOMPARE(report.EngineOptions()->MaxMemSize(), 99);
    QCOMPARE(report.IniFile(), QStringLiteral("\\Other"));
    QVERIFY(!report.ShowProgress());
}

void TestReport::versionIsFixed()
{
    TfrxReport report;
    report.SetVersion(QStringLiteral("5.0"));
    QCOMPARE(report.Version(), QStringLiteral("4.12.6"));
    QVERIFY(frxSetPropValue(&report, u"version", QStringLiteral("1.0")));
    QCOMPARE(frxGetPropValue(&report, u"Version").toString(), QStringLiteral("4.12.6"));
}

void TestReport::pagesOutsideTheListAreAnError()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    QCOMPARE(report.Pages(0), page);
    try {
        report.Pages(1);
        QFAIL("no error");
    } catch (const EReportError &e) {
        QCOMPARE(e.Message(), QStringLiteral("List index out of bounds (1)"));
    }
    QVERIFY_THROWS_EXCEPTION(EReportError, report.Pages(-1));
}

void TestReport::ensureDataPage()
{
    TComponent form;
    TfrxReport report(&form);
    auto *page = new TfrxReportPage(&report);
    auto *a = new TfrxUserDataSet(page);
    auto *band = new TfrxMasterData(page);
    auto *b = new TfrxUserDataSet(band);
    auto *hostData = new TfrxUserDataSet(&form); // not in the report: stays where it is

    TfrxDataPage *data = report.EnsureDataPage();
    QCOMPARE(report.Pages(0), data);
    QCOMPARE(report.Pages(1), page);
    QCOMPARE(data->Name(), QStringLiteral("Data"));
    QCOMPARE(data->Width(), 1000.0);
    QCOMPARE(data->Objects(), (QList<TfrxComponent *>{a, b}));
    QCOMPARE(a->Left(), 60.0);
    QCOMPARE(b->Left(), 124.0);
    QCOMPARE(b->Top(), 20.0);
    QCOMPARE(hostData->Parent(), nullptr);

    QCOMPARE(report.EnsureDataPage(), data); // once is enough
    QCOMPARE(report.PagesCount(), 2);
}

void TestReport::ensureDataPageWhenDataIsTaken()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Data"));
    TfrxDataPage *data = report.EnsureDataPage();
    QCOMPARE(data->Name(), QStringLiteral("DataPage1"));
    QCOMPARE(report.Pages(0), data);
}

void TestReport::errorsAreSortedAndUnique()
{
    TfrxReport report;
    report.AddError(QStringLiteral("Cannot find class TfrxFoo"));
    report.AddError(QStringLiteral("Duplicate name"));
    report.AddError(QStringLiteral("Cannot find class TfrxFoo"));
    report.AddError(QStringLiteral("Bad value"));
    QCOMPARE(report.Errors(), (QStringList{"Bad value", "Cannot find class TfrxFoo", "Duplicate name"}));
    report.ClearErrors();
    QVERIFY(report.Errors().isEmpty());
}

void TestReport::paperSetters_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("paperSize");
    QTest::addColumn<double>("paperWidth");
    QTest::addColumn<double>("paperHeight");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");
    QTest::newRow("new page is A4") << "none" << 0.0 << 9 << 210.0 << 297.0 << 794.0 << 1123.0;
    QTest::newRow("width 100") << "width" << 100.0 << 256 << 100.0 << 297.0 << 378.0 << 1123.0;
    QTest::newRow("height 150") << "height" << 150.0 << 256 << 210.0 << 150.0 << 794.0 << 567.0;
    QTest::newRow("8 decimals") << "width" << 210.123456789 << 256 << 210.12345679 << 297.0 << 794.0
                                << 1123.0;
    QTest::newRow("A5") << "size" << 11.0 << 11 << 148.0 << 210.0 << 559.0 << 794.0;
    QTest::newRow("Letter") << "size" << 1.0 << 1 << 215.9 << 279.4 << 816.0 << 1056.0;
    QTest::newRow("custom code keeps the size")
        << "size" << 256.0 << 256 << 210.0 << 297.0 << 794.0 << 1123.0;
    QTest::newRow("unknown code keeps the size") << "size" << 49.0 << 49 << 210.0 << 297.0 << 794.0 << 1123.0;
    QTest::newRow("A3 in landscape") << "landscape size" << 8.0 << 8 << 420.0 << 297.0 << 1587.0 << 1123.0;
}

void TestReport::paperSetters()
{
    QFETCH(QString, action);
    QFETCH(double, value);
    TfrxReportPage page;
    if (action == QLatin1String("width"))
        page.SetPaperWidth(value);
    else if (action == QLatin1String("height"))
        page.SetPaperHeight(value);
    else if (action == QLatin1String("size"))
        page.SetPaperSize(int(value));
    else if (action == QLatin1String("landscape size")) {
        page.SetOrientation(frx::poLandscape);
        page.SetPaperSize(int(value));
    }
    QTEST(page.PaperSize(), "paperSize");
    QTEST(page.PaperWidth(), "paperWidth");
    QTEST(page.PaperHeight(), "paperHeight");
    QTEST(page.Width(), "width");
    QTEST(page.Height(), "height");
}

void TestReport::orientationTurnsTheMargins()
{
    TfrxReportPage page;
    page.SetLeftMargin(10);
    page.SetRightMargin(20);
    page.SetTopMargin(30);
    page.SetBottomMargin(40);
    page.SetOrientation(frx::poLandscape);
    QCOMPARE(page.PaperWidth(), 297.0);
    QCOMPARE(page.PaperHeight(), 210.0);
    QCOMPARE(page.Width(), 1123.0);
    QCOMPARE(page.LeftMargin(), 30.0);
    QCOMPARE(page.RightMargin(), 40.0);
    QCOMPARE(page.TopMargin(), 20.0);
    QCOMPARE(page.BottomMargin(), 10.0);

    page.SetOrientation(frx::poLandscape); // no change, no turn
    QCOMPARE(page.LeftMargin(), 30.0);

    page.SetOrientation(frx::poPortrait);
    QCOMPARE(page.PaperWidth(), 210.0);
    QCOMPARE(page.LeftMargin(), 10.0);
    QCOMPARE(page.RightMargin(), 20.0);
    QCOMPARE(page.TopMargin(), 30.0);
    QCOMPARE(page.BottomMargin(), 40.0);

    page.SetPaper(256, 230, 127);
    QCOMPARE(page.PaperSize(), 256);
    QCOMPARE(page.Width(), 869.0);
    QCOMPARE(page.Height(), 480.0);
}

void TestReport::setDefaultsAsksThePrinter()
{
    TfrxReportPage page;
    page.SetPaperWidth(100);
    page.SetDefaults();
    QCOMPARE(page.PaperSize(), 9);
    QCOMPARE(page.PaperWidth(), 210.0);
    QCOMPARE(page.Orientation(), frx::poPortrait);
    QCOMPARE(page.LeftMargin(), 10.0);
    QCOMPARE(page.BottomMargin(), 10.0);

    LetterLandscape letter;
    TfrxPaperInfo *previous = frxSetPaperInfo(&letter);
    page.SetDefaults();
    frxSetPaperInfo(previous);
    QCOMPARE(page.PaperSize(), 1);
    QCOMPARE(page.PaperWidth(), 279.4);
    QCOMPARE(page.PaperHeight(), 215.9);
    QCOMPARE(page.Orientation(), frx::poLandscape);
    QCOMPARE(page.Width(), 1056.0);
    QCOMPARE(page.Height(), 816.0);
}

void TestReport::absurdPaperValues_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("zero") << 0.0 << true;
    QTest::newRow("huge") << 1e9 << true;
    QTest::newRow("negative") << -5.0 << true;
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << false;
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << false;
}

void TestReport::absurdPaperValues()
{
    QFETCH(double, value);
    QFETCH(bool, accepted);
    TfrxReportPage page;
    if (accepted) {
        page.SetPaperWidth(value);
        QCOMPARE(page.PaperWidth(), value);
        QCOMPARE(page.Width(), frxRoundEven(value * fr01cm));
        page.SetLeftMargin(value);
        QCOMPARE(page.LeftMargin(), value);
    } else {
        QVERIFY_THROWS_EXCEPTION(EPropertyError, page.SetPaperWidth(value));
        QVERIFY_THROWS_EXCEPTION(EPropertyError, page.SetPaperHeight(value));
        QVERIFY_THROWS_EXCEPTION(EPropertyError, page.SetPaper(256, value, 100));
        QCOMPARE(page.PaperWidth(), 210.0);
        QCOMPARE(page.PaperSize(), 9);
        QCOMPARE(page.Width(), 794.0);
    }
    page.SetPageCount(0);
    QCOMPARE(page.PageCount(), 1);
    page.SetPageCount(3);
    QCOMPARE(page.PageCount(), 3);
}

void TestReport::resourceTexts()
{
    QCOMPARE(frxGet(QStringLiteral("SDuplicateName")), QStringLiteral("Duplicate name"));
    QCOMPARE(frxGet(QStringLiteral("SCannotFindClass")), QStringLiteral("Cannot find class ")); // blank kept
    QCOMPARE(frxGet(QStringLiteral("no such key")), QStringLiteral("no such key"));
    QCOMPARE(frxGet(987654), QStringLiteral("987654"));
    frxResources().Add(QStringLiteral("987654"), QStringLiteral("Numbered\ntext"));
    QCOMPARE(frxGet(987654), QStringLiteral("Numbered\ntext"));
    TfrxResources &table = frxResources();
    table.LoadFromText(QStringLiteral("# comment\r\nkeyA=  padded \\n \r\n=no key\r\n"));
    QCOMPARE(frxGet(QStringLiteral("keyA")), QStringLiteral("  padded \n "));
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"

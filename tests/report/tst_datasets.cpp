// Datasets: walks with their exact callback order, values, the registry and the report's lists,
// variables.

#include "report/model/frxClass.h"

#include <QPointer>
#include <QtTest>

namespace {
// Records the host callbacks of a walk as "F", "N", "P" and the Eof answers.
struct Recorder {
    QStringList calls;
    void Attach(TfrxDataSet &dataSet)
    {
        dataSet.OnFirst = [this](TfrxDataSet *) { calls << QStringLiteral("F"); };
        dataSet.OnNext = [this](TfrxDataSet *) { calls << QStringLiteral("N"); };
        dataSet.OnPrior = [this](TfrxDataSet *) { calls << QStringLiteral("P"); };
    }
};
} // namespace

class TestDataSets : public QObject {
    Q_OBJECT
private slots:
    void walkWithCount_data();
    void walkWithCount();
    void walkEndsByCheckEof();
    void recordCount_data();
    void recordCount();
    void valuesComeFromTheHost();
    void fields();
    void names();
    void registryLookupAcrossReports();
    void lookupWithoutTheRegistry();
    void reportListFollowsItsDatasets();
    void designerLists();
    void variables();
};

void TestDataSets::walkWithCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QList<int>>("recordsUsed");
    QTest::addColumn<int>("lastRecNo");
    QTest::newRow("three") << 3 << QStringList{"F", "N", "N"} << QList<int>{0, 1, 2} << 2;
    QTest::newRow("one") << 1 << QStringList{"F"} << QList<int>{0} << 0;
    QTest::newRow("none") << 0 << QStringList{"F"} << QList<int>{} << 0;
}

void TestDataSets::walkWithCount()
{
    QFETCH(int, count);
    TfrxUserDataSet fd;
    fd.SetRangeEnd(frx::reCount);
    fd.SetRangeEndCount(count);
    Recorder recorder;
    recorder.Attach(fd);

    QList<int> used;
    fd.First();
    while (!fd.Eof()) {
        used << fd.RecNo();
        fd.Next();
    }
    QTEST(recorder.calls, "calls");
    QTEST(used, "recordsUsed");
    QTEST(fd.RecNo(), "lastRecNo");
    QVERIFY(fd.Eof());

    // Prior moves back and tells the host.
    fd.Prior();
    QCOMPARE(recorder.calls.last(), QStringLiteral("P"));
}

void TestDataSets::walkEndsByCheckEof()
{
    TfrxUserDataSet fd; // reLast: only the host ends the walk
    Recorder recorder;
    recorder.Attach(fd);
    int checks = 0;
    fd.OnCheckEOF = [&](TfrxDataSet *sender, bool &eof) {
        ++checks;
        QCOMPARE(eof, false);
        eof = sender->RecNo() >= 4;
    };
    int used = 0;
    for (fd.First(); !fd.Eof(); fd.Next())
        ++used;
    QCOMPARE(used, 4);
    QCOMPARE(checks, 5);
    QCOMPARE(recorder.calls, (QStringList{"F", "N", "N", "N", "N"}));

    // With reCount the callback may still change the answer.
    fd.SetRangeEnd(frx::reCount);
    fd.SetRangeEndCount(0);
    fd.OnCheckEOF = [](TfrxDataSet *, bool &eof) { eof = !eof; };
    fd.First();
    QVERIFY(!fd.Eof());
}

void TestDataSets::recordCount_data()
{
    QTest::addColumn<int>("begin");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("expected");
    QTest::newRow("first, count") << int(frx::rbFirst) << int(frx::reCount) << 7;
    QTest::newRow("current, count") << int(frx::rbCurrent) << int(frx::reCount) << 0;
    QTest::newRow("first, last") << int(frx::rbFirst) << int(frx::reLast) << 0;
    QTest::newRow("first, current") << int(frx::rbFirst) << int(frx::reCurrent) << 0;
}

void TestDataSets::recordCount()
{
    QFETCH(int, begin);
    QFETCH(int, end);
    TfrxUserDataSet fd;
    fd.SetRangeBegin(frx::TfrxRangeBegin(begin));
    fd.SetRangeEnd(frx::TfrxRangeEnd(end));
    fd.SetRangeEndCount(7);
    QTEST(fd.RecordCount(), "expected");
}

void TestDataSets::valuesComeFromTheHost()
{
    TfrxUserDataSet fd;
    QVERIFY(fd.GetValue(QStringLiteral("any")).IsNull());
    QVERIFY(fd.GetDisplayText(QStringLiteral("any")).isEmpty());

    QStringList asked;
    fd.OnGetValue = [&](const QString &name, Variant &value) {
        asked << name;
        QVERIFY(value.IsNull());
        if (name == QStringLiteral("收件人"))
            value = Variant(QStringLiteral("张三"));
    };
    QCOMPARE(fd.GetValue(QStringLiteral("收件人")).ToString(), QStringLiteral("张三"));
    QVERIFY(fd.Value(QStringLiteral("other")).IsNull()); // not answered: Null
    QCOMPARE(fd.DisplayText(QStringLiteral("收件人")), QStringLiteral("张三"));
    QCOMPARE(asked, (QStringList{"收件人", "other", "收件人"}));

    // The second callback sees the first one's answer and has the last word.
    fd.OnNewGetValue = [&](TfrxDataSet *sender, const QString &name, Variant &value) {
        QCOMPARE(sender, &fd);
        value = Variant(value.ToString() + QStringLiteral("!") + name);
    };
    QCOMPARE(fd.GetValue(QStringLiteral("收件人")).ToString(), QStringLiteral("张三!收件人"));
    QCOMPARE(fd.GetDisplayText(QStringLiteral("x")), QStringLiteral("!x")); // a fresh Null for each callback

    QCOMPARE(fd.GetFieldType(QStringLiteral("x")), frx::fftNumeric);
    QCOMPARE(fd.GetDisplayWidth(QStringLiteral("x")), 10);
    QVERIFY(!fd.IsBlobField(QStringLiteral("x")));
}

void TestDataSets::fields()
{
    TfrxUserDataSet fd;
    QCOMPARE(fd.FieldsCount(), 0);
    QVERIFY(!fd.HasField(QStringLiteral("a")));
    fd.SetFields({QStringLiteral("收件人"), QStringLiteral("Phone")});
    QCOMPARE(fd.FieldsCount(), 2);
    QVERIFY(fd.HasField(QStringLiteral("PHONE")));
    QVERIFY(!fd.HasField(QStringLiteral("Address")));
    QStringList list{QStringLiteral("stale")};
    fd.GetFieldList(list);
    QCOMPARE(list, (QStringList{"收件人", "Phone"}));

    TfrxDataSet plain;
    QStringList untouched{QStringLiteral("kept")};
    plain.GetFieldList(untouched);
    QCOMPARE(untouched, QStringList{"kept"});
}

void TestDataSets::names()
{
    TfrxUserDataSet fd;
    fd.SetName(QStringLiteral("frxUserDataSet1"));
    QCOMPARE(fd.UserName(), QStringLiteral("frxUserDataSet1")); // the first name becomes the alias
    fd.SetUserName(QStringLiteral("FD"));
    fd.SetName(QStringLiteral("Orders"));
    QCOMPARE(fd.UserName(), QStringLiteral("FD")); // a rename keeps the alias

    for (const QString &blank : {QString(), QStringLiteral("   ")}) {
        try {
            fd.SetUserName(blank);
            QFAIL("a blank alias was accepted");
        } catch (const EPropertyError &e) {
            QCOMPARE(e.Message(), QStringLiteral("Invalid property value"));
        }
    }
    QCOMPARE(fd.UserName(), QStringLiteral("FD"));
}

void TestDataSets::registryLookupAcrossReports()
{
    const int before = frxGlobalDataSets().Count();
    TComponent form;
    TfrxReport reportA(&form);
    TfrxReport reportB(&form);
    auto *pageB = new TfrxReportPage(&reportB);
    auto *ofB = new TfrxUserDataSet(pageB); // owned by report B
    ofB->SetUserName(QStringLiteral("FD"));
    auto *ofHost = new TfrxUserDataSet(&form);
    ofHost->SetUserName(QStringLiteral("FD"));
    QCOMPARE(frxGlobalDataSets().Count(), before + 2);

    QCOMPARE(frxFindDataSet(nullptr, QStringLiteral("fd"), &reportA), ofHost);
    QCOMPARE(frxFindDataSet(nullptr, QStringLiteral("fd"), &reportB), ofB);
    QCOMPARE(frxFindDataSet(nullptr, QStringLiteral("fd"), nullptr), ofB); // no report: first in the registry
    QCOMPARE(frxFindDataSet(ofHost, QString(), &reportA), nullptr);
    QCOMPARE(frxFindDataSet(ofHost, QStringLiteral("nobody"), &reportA), ofHost);

    reportA.SetDataSetName(QStringLiteral("FD"));
    QCOMPARE(reportA.DataSet(), ofHost);

    delete ofB;
    QCOMPARE(frxGlobalDataSets().Count(), before + 1);
    QCOMPARE(frxFindDataSet(nullptr, QStringLiteral("FD"), &reportB), ofHost);
}

void TestDataSets::lookupWithoutTheRegistry()
{
    TComponent form;
    TfrxReport report(&form);
    report.EngineOptions()->SetUseGlobalDataSetList(false);
    auto *fd = new TfrxUserDataSet(&form);
    fd->SetUserName(QStringLiteral("FD"));
    QCOMPARE(frxFindDataSet(nullptr, QStringLiteral("FD"), &report), nullptr); // not in the report's list
    report.Datasets()->Add(fd);
    QCOMPARE(frxFindDataSet(nullptr, QStringLiteral("fd"), &report), fd);
    QCOMPARE(frxFindDataSet(fd, QStringLiteral("other"), &report), nullptr);
}

void TestDataSets::reportListFollowsItsDatasets()
{
    TComponent form;
    TfrxReport report(&form);
    auto *fd = new TfrxUserDataSet(&form);
    fd->SetName(QStringLiteral("frxUserDataSet1"));
    fd->SetUserName(QStringLiteral("FD"));
    auto *other = new TfrxUserDataSet(&form);
    other->SetUserName(QStringLiteral("Other"));

    TfrxDataSetItem *item = report.Datasets()->Add();
    item->SetDataSetName(QStringLiteral("fd"));
    QCOMPARE(item->DataSet(), fd);
    QCOMPARE(item->DataSetName(), QStringLiteral("FD"));
    report.Datasets()->Add(other);
    TfrxDataSetItem *empty = report.Datasets()->Add();
    empty->SetDataSetName(QStringLiteral("nobody"));
    QCOMPARE(empty->DataSet(), nullptr);
    QCOMPARE(empty->DataSetName(), QStringLiteral("nobody"));

    QCOMPARE(report.GetDataset(QStringLiteral("OTHER")), other);
    QCOMPARE(report.GetDataset(QStringLiteral("nobody")), nullptr);
    QCOMPARE(report.GetAlias(fd), QStringLiteral("FD"));

    // Before a build every dataset learns its report.
    report.Datasets()->Initialize();
    QCOMPARE(fd->ReportRef(), &report);
    report.Datasets()->Finalize();

    report.SetDataSet(fd);
    delete fd;
    QCOMPARE(report.Datasets()->Count(), 2);
    QCOMPARE(report.Datasets()->Items(0)->DataSet(), other);
    QCOMPARE(report.DataSet(), nullptr);

    TfrxUserDataSet stranger;
    stranger.SetUserName(QStringLiteral("Stranger"));
    QCOMPARE(report.GetAlias(&stranger), QStringLiteral("(dataset is not included in Report.DataSets)"));

    item = report.Datasets()->Items(0);
    item->SetDataSetName(QString()); // an empty name clears the binding
    QCOMPARE(item->DataSet(), nullptr);
}

void TestDataSets::designerLists()
{
    TfrxReport report;
    TfrxUserDataSet named, disabled, anonymous;
    named.SetUserName(QStringLiteral("Named"));
    disabled.SetUserName(QStringLiteral("Disabled"));
    disabled.SetEnabled(false);
    QList<TfrxDataSet *> list = report.GetDataSetList();
    QVERIFY(list.contains(&named));
    QVERIFY(!list.contains(&disabled));
    QVERIFY(!list.contains(&anonymous));
    QVERIFY(list.indexOf(&named) >= 0);

    report.EngineOptions()->SetUseGlobalDataSetList(false);
    QVERIFY(report.GetDataSetList().isEmpty());
    report.EnabledDataSets()->Add(&named);
    QCOMPARE(report.GetDataSetList(), QList<TfrxDataSet *>{&named});
}

void TestDataSets::variables()
{
    TfrxReport report;
    TfrxVariables *vars = report.Variables();
    QVERIFY(vars->Value(QStringLiteral("x")).IsNull());
    vars->SetValue(QStringLiteral(" Orders"), Variant::Null());
    vars->SetValue(QStringLiteral("Total"), 5);
    vars->SetValue(QStringLiteral("Count"), 2);
    vars->SetValue(QStringLiteral(" Shop"), Variant::Null());
    vars->SetValue(QStringLiteral("Name"), QStringLiteral("'Tavrel'"));
    vars->SetValue(QStringLiteral("TOTAL"), 6); // same variable, letters ignored
    QCOMPARE(vars->Count(), 5);
    QCOMPARE(vars->Value(QStringLiteral("total")).ToInt(), 6);
    QCOMPARE(vars->IndexOf(QStringLiteral("count")), 2);
    QCOMPARE(vars->IndexOf(QStringLiteral("missing")), -1);
    QCOMPARE(vars->GetCategoriesList(), (QStringList{"Orders", "Shop"}));
    QCOMPARE(vars->GetVariablesList(QStringLiteral("Orders")), (QStringList{"Total", "Count"}));
    QCOMPARE(vars->GetVariablesList(QStringLiteral("shop")), QStringList{"Name"});
    vars->DeleteCategory(QStringLiteral("Orders"));
    QCOMPARE(vars->Count(), 2);
    QCOMPARE(vars->GetCategoriesList(), QStringList{"Shop"});

    frxGlobalVariables().SetValue(QStringLiteral("CopyName0"), QStringLiteral("Original"));
    QCOMPARE(frxGlobalVariables().Value(QStringLiteral("copyname0")).ToString(), QStringLiteral("Original"));
    frxGlobalVariables().DeleteVariable(QStringLiteral("CopyName0"));
    QCOMPARE(frxGlobalVariables().IndexOf(QStringLiteral("CopyName0")), -1);
}

QTEST_MAIN(TestDataSets)
#include "tst_datasets.moc"

// The builder writing into the report's prepared pages store: one waybill page per order row, with
// the page's own objects and a band's objects at their places and their text expanded.

#include "engine/frxEngineLayer.h"
#include "report/model/frxClass.h"

#include <QtTest>

class TestEngineStore : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { frxStartEngineLayer(); }

    void waybillsIntoStore()
    {
        TfrxReport report;
        report.EnsureDataPage();
        report.EngineOptions()->SetNewSilentMode(frx::simSilent);
        const QStringList names{"Ann", "Bob", "Cy"};
        int row = 0;
        TfrxUserDataSet fd;
        fd.SetName(QStringLiteral("frxUserDataSet1"));
        fd.SetUserName(QStringLiteral("FD"));
        fd.SetRangeEnd(frx::reCount);
        fd.SetRangeEndCount(int(names.size()));
        fd.OnFirst = [&](QObject *) { row = 0; };
        fd.OnNext = [&](QObject *) { ++row; };
        fd.OnGetValue = [&](const QString &, Variant &value) { value = names.value(row); };
        report.Datasets()->Add(&fd);
        report.SetDataSet(&fd);
        auto *page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        auto *memo = new TfrxMemoView(page);
        memo->SetName(QStringLiteral("Memo1"));
        memo->SetBounds(10, 20, 200, 20);
        memo->SetText(QStringLiteral("To [FD.\"Name\"]"));
        auto *band = new TfrxMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(0, 100, 700, 30);
        band->SetRowCount(1);
        auto *inBand = new TfrxMemoView(band);
        inBand->SetName(QStringLiteral("Memo2"));
        inBand->SetBounds(5, 4, 200, 20);
        inBand->SetText(QStringLiteral("[FD.\"Name\"]!"));

        QVERIFY2(report.BuildPages(true), qPrintable(report.Errors().join('\n')));
        TfrxCustomPreviewPages *pages = report.PreviewPages();
        QCOMPARE(pages->Count(), 3);
        for (int i = 0; i < 3; ++i) {
            TfrxReportPage *prepared = pages->GetPage(i);
            QVERIFY(prepared);
            QStringList texts;
            for (TfrxComponent *object : prepared->AllObjects())
                if (auto *m = qobject_cast<TfrxCustomMemoView *>(object))
                    texts << QStringLiteral("%1@%2,%3")
                                 .arg(m->Text().trimmed())
                                 .arg(m->AbsLeft())
                                 .arg(m->AbsTop());
            texts.sort();
            QCOMPARE(texts.join(' '), QStringLiteral("%1!@5,4 To %1@10,20").arg(names[i]));
        }
    }
};

QTEST_MAIN(TestEngineStore)
#include "tst_engine_store.moc"

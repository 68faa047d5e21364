// The print driver's report holder: its initial report and the dataset callbacks.
#include "app/Tavrel.h"
#include "app/TemplateClS.h"

#include <QTest>

class TestTavrel : public QObject {
    Q_OBJECT

    static void Orders(int rows, int columns)
    {
        OrderColumns.clear();
        const QStringList names = {"订单编号", "收货人姓名", "收货地址"};
        for (int j = 0; j < columns; ++j)
            OrderColumns.append(TColumn{names[j], 120, false, j + 1});
        OrderRows.clear();
        for (int r = 0; r < rows; ++r) {
            THashTable row(256);
            for (int j = 0; j < columns && j < 2; ++j)   // the third column is missing from every row
                row.PutValue(QStringLiteral("C%1").arg(j + 1), QStringLiteral("r%1c%2").arg(r).arg(j + 1));
            OrderRows.push_back(row);
        }
    }

    // Walks the dataset as the builder does and returns the rows a print run would mark.
    static QList<int> Walk(TTavrelForm &form, int start, int count)
    {
        form.ReachedRows.clear();
        form.SetRangeStart(start);
        form.frxUserDataSet1->SetRangeEnd(frx::reCount);
        form.frxUserDataSet1->SetRangeEndCount(count);
        form.frxUserDataSet1->First();
        while (!form.frxUserDataSet1->Eof())
            form.frxUserDataSet1->Next();
        return form.ReachedRows;
    }

private slots:
    void initialReport()
    {
        TTavrelForm form;
        TfrxReport *r = form.frxReport1;
        QCOMPARE(r->PagesCount(), 2);
        QCOMPARE(r->Pages(0)->Name(), QString("Data"));
        auto *page = qobject_cast<TfrxReportPage *>(r->Pages(1));
        QVERIFY(page);
        QCOMPARE(page->Name(), QString("Page1"));
        QCOMPARE(page->PaperSize(), 9);
        QCOMPARE(page->PaperWidth(), 210.0);
        QCOMPARE(page->LeftMargin(), 10.0);
        QCOMPARE(r->DataSet(), form.frxUserDataSet1);
        QCOMPARE(r->DataSetName(), QString("FD"));
        QCOMPARE(r->Datasets()->FindByUserName("fd"), form.frxUserDataSet1);
        QCOMPARE(r->ScriptText(), QStringList({"begin", "", "end."}));
        QCOMPARE(r->PrintOptions()->Printer(), QString("Default"));
        QCOMPARE(form.frxUserDataSet1->RangeEndCount(), 3);
    }

    void printRunMarksEveryRowItWalks()
    {
        Orders(3, 2);
        TTavrelForm form;
        int nexts = 0;
        auto next = form.frxUserDataSet1->OnNext;
        form.frxUserDataSet1->OnNext = [&](TfrxDataSet *ds) { ++nexts; next(ds); };
        form.PrintRunning = 1;
        QCOMPARE(Walk(form, 0, 3), QList<int>({0, 1, 2}));
        QCOMPARE(nexts, 2);
        QCOMPARE(Walk(form, 1, 1), QList<int>({1}));
        form.PrintRunning = 0;   // previews never mark
        QCOMPARE(Walk(form, 0, 3), QList<int>());
    }

    void fieldValues()
    {
        Orders(2, 3);
        TTavrelForm form;
        form.SetRangeStart(1);
        form.frxUserDataSet1->SetRangeEndCount(1);
        form.frxUserDataSet1->First();
        QCOMPARE(form.CurrRow, 1);
        auto value = [&](const QString &field) { return form.frxUserDataSet1->GetValue(field).ToString(); };
        QCOMPARE(value("收货人姓名"), QString("r1c2"));
        QCOMPARE(value("收货地址"), QString());            // the row lacks the column: empty
        QCOMPARE(value("收货人"), QString("null"));        // not an order column
        OrderColumns[0].ColName = "Order";
        QCOMPARE(value("order"), QString("null"));         // names match exactly
        OrderRows.clear();
        QCOMPARE(value("收货人姓名"), QString("收货人姓名")); // no orders: the field's own name
    }
};

QTEST_GUILESS_MAIN(TestTavrel)
#include "tst_tavrel.moc"

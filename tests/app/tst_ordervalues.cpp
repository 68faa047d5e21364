// What templates and the order grid see of an order cell: the marketplace's spreadsheet guards
// (="…", a leading ') taken off on the order dataset's value path, so texts, barcodes, QR codes
// and expressions get the bare value, while the rows keep the raw text; [SYS] RAW_ORDER_VALUES=1
// keeps it everywhere.
#include "TestHome.h"
#include "app/OrderModel.h"
#include "app/OrderValue.h"
#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "engine/build/frxEngine.h"
#include "engine/pages/frxPreviewPages.h"
#include "report/host/frxPreviewPagesBase.h"
#include "report/io/frxSerializeReport.h"
#include "report/objects/frxBarcode.h"

#include <QTest>

namespace {

const double PxPerMm = 96.0 / 25.4;

// A program folder with two order columns and a template whose page prints the order number as
// text, as a Code 128 (an expression), as a QR code (a bound field) and through a function, and
// the phone as text.
struct Fixture {
    TestHome home;

    explicit Fixture(const QByteArray &sys = {})
    {
        home.Write("config/PRINTER.INI",
                   "[SYS]\r\n" + sys + "\r\n" + QStringLiteral("[OrderColumn]\r\nC_1=订单编号\r\nC_2=联系手机\r\n").toUtf8());
        const QString layout = home.AddTemplate("t1", "Test") + "/t.fr3";
        TTavrelForm maker;
        auto *page = qobject_cast<TfrxReportPage *>(maker.frxReport1->Pages(1));
        page->SetPaperWidth(120);
        page->SetPaperHeight(80);
        auto memo = [&](const QString &name, const QString &text, double top) {
            auto *m = new TfrxMemoView(page);
            m->SetName(name);
            m->SetBounds(5 * PxPerMm, top * PxPerMm, 60 * PxPerMm, 6 * PxPerMm);
            m->SetText(text);
        };
        memo("Number", "[FD.\"订单编号\"]", 5);
        memo("Phone", "[FD.\"联系手机\"]", 12);
        memo("PhoneLength", "[Length(<FD.\"联系手机\">)]", 19);
        auto *bar = new TfrxBarCodeView(page);
        bar->SetName("Bar");
        bar->SetBarType("bcCode128");
        bar->SetExpression("<FD.\"订单编号\">");
        bar->SetBounds(5 * PxPerMm, 30 * PxPerMm, 80 * PxPerMm, 15 * PxPerMm);
        auto *qr = new TfrxBarcode2DView(page);
        qr->SetName("QR");
        qr->SetDataSet(maker.frxUserDataSet1);
        qr->SetDataField("联系手机");
        qr->SetBounds(90 * PxPerMm, 30 * PxPerMm, 25 * PxPerMm, 25 * PxPerMm);
        frxSaveToFile(*maker.frxReport1, layout);

        InitGlobals(home.Path());
        CurrTemplate = TemplateList.value(0);
    }

    static void SetOrder(const QString &number, const QString &phone)
    {
        OrderRows.clear();
        THashTable row(256);
        row.PutValue("C1", number);
        row.PutValue("C2", phone);
        OrderRows.push_back(row);
    }
};

// Name → text of the memos and barcodes of the first prepared page.
QMap<QString, QString> PageValues(TfrxReport *report)
{
    QMap<QString, QString> values;
    TfrxReportPage *page = report->PreviewPages()->GetPage(0);
    if (!page)
        return values;
    for (TfrxComponent *c : page->AllObjects()) {
        if (auto *memo = qobject_cast<TfrxMemoView *>(c))
            values[c->Name()] = memo->Text().trimmed();
        else if (auto *bar = qobject_cast<TfrxBarcodeBase *>(c))
            values[c->Name()] = bar->Text();
    }
    return values;
}

} // namespace

class TestOrderValues : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        frxRegisterEngine();
        TfrxPreviewPages::Register();
    }

    void guards_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("clean");
        QTest::newRow("number guard") << "=\"3341277609981524\"" << "3341277609981524";
        QTest::newRow("phone apostrophe") << "'13912345678" << "13912345678";
        QTest::newRow("plain") << "张三" << "张三";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("only =\"") << "=\"" << "";
        QTest::newRow("only '") << "'" << "";
        QTest::newRow("guard around nothing") << "=\"\"" << "";
        QTest::newRow("doubled quote inside") << "=\"a\"\"b\"" << "a\"b";
        QTest::newRow("one guard only") << "=\"=\"1\"\"" << "=\"1\"";
        QTest::newRow("one apostrophe only") << "''x" << "'x";
        QTest::newRow("unclosed guard stays") << "=\"123" << "=\"123";
        QTest::newRow("formula without quotes") << "=SUM(A1)" << "=SUM(A1)";
        QTest::newRow("apostrophe inside") << "O'Brien" << "O'Brien";
        QTest::newRow("guard not at the start") << " =\"1\"" << " =\"1\"";
    }
    void guards()
    {
        QFETCH(QString, raw);
        QFETCH(QString, clean);
        QCOMPARE(CleanOrderValue(raw), clean);
    }

    // The dataset's values (what memos, highlights and scripts ask) and display texts (what a
    // bound barcode asks) are clean; the rows and `waybill-cli orders` keep the raw text.
    void datasetAndGridAreCleanRowsAreRaw()
    {
        Fixture fx;
        Fixture::SetOrder("=\"3341277609981524\"", "'13912345678");
        TTavrelForm form;
        form.SetRangeStart(0);
        form.frxUserDataSet1->SetRangeEndCount(1);
        form.frxUserDataSet1->First();
        QCOMPARE(form.frxUserDataSet1->GetValue("订单编号").ToString(), QString("3341277609981524"));
        QCOMPARE(form.frxUserDataSet1->GetDisplayText("联系手机"), QString("13912345678"));
        QCOMPARE(OrderRows[0].LookupValue("C1"), QString("=\"3341277609981524\""));

        OrderModel model;
        model.ShowColumnStrut();
        model.ShowData();
        const QModelIndex number = model.index(0, OrderModel::FixedColumns),
                          phone = model.index(0, OrderModel::FixedColumns + 1);
        QCOMPARE(model.data(number, Qt::DisplayRole).toString(), QString("3341277609981524"));
        QCOMPARE(model.data(number, Qt::ToolTipRole).toString(), QString("=\"3341277609981524\""));
        QCOMPARE(model.data(phone, Qt::DisplayRole).toString(), QString("13912345678"));
        QCOMPARE(model.data(phone, Qt::ToolTipRole).toString(), QString("'13912345678"));
    }

    void printedValues_data()
    {
        QTest::addColumn<QByteArray>("sys");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("length");
        QTest::newRow("clean") << QByteArray() << "3341277609981524" << "13912345678" << "11";
        QTest::newRow("RAW_ORDER_VALUES=0") << QByteArray("RAW_ORDER_VALUES=0") << "3341277609981524" << "13912345678"
                                            << "11";
        QTest::newRow("RAW_ORDER_VALUES=1") << QByteArray("RAW_ORDER_VALUES=1") << "=\"3341277609981524\""
                                            << "'13912345678" << "12";
    }
    void printedValues()
    {
        QFETCH(QByteArray, sys);
        QFETCH(QString, number);
        QFETCH(QString, phone);
        QFETCH(QString, length);
        Fixture fx(sys);
        Fixture::SetOrder("=\"3341277609981524\"", "'13912345678");
        TTavrelForm driver;
        driver.PreviewOne(CurrTemplate, 0);
        const QMap<QString, QString> values = PageValues(driver.frxReport1);
        QCOMPARE(values.value("Number"), number);
        QCOMPARE(values.value("Bar"), number);
        QCOMPARE(values.value("Phone"), phone);
        QCOMPARE(values.value("QR"), phone);
        QCOMPARE(values.value("PhoneLength"), length);
        RawOrderValues = false;
    }

    // A ready template's own guard expression sees the clean value and leaves it alone.
    void readyTemplateExpressionsKeepWorking()
    {
        Fixture fx;
        Fixture::SetOrder("=\"3341277609981524\"", "'13912345678");
        TTavrelForm driver;
        driver.LoadForPreview(CurrTemplate, 0, 1);
        driver.frxUserDataSet1->First();
        const QString f = "<FD.\"订单编号\">";
        QCOMPARE(driver.frxReport1->Calc(QStringLiteral("IIF(Pos('=\"', %1) = 1, Copy(%1, 3, Length(%1) - 3), %1)").arg(f))
                     .ToString(),
                 QString("3341277609981524"));
    }
};

QTEST_MAIN(TestOrderValues)
#include "tst_ordervalues.moc"

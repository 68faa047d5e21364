// The main window's print commands with the real print driver, on a queue of the test run's own
// print server: the grid's status column tells which orders the printer took.
#include "OrderLayouts.h"
#include "ScriptedUi.h"
#include "tests/support/CupsTools.h"
#include "TestHome.h"
#include "app/MainWindow.h"
#include "app/OrderModel.h"
#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "engine/frxEngineLayer.h"

#include <QListWidget>
#include <QTableView>
#include <QTest>

class TestWindowPrint : public QObject {
    Q_OBJECT

    static QStringList Statuses(const TFMainWindow &w)
    {
        QStringList statuses;
        for (int r = 0; r < w.GridModel->rowCount(); ++r)
            statuses << w.GridModel->Status(r);
        return statuses;
    }

private slots:
    void initTestCase() { frxStartEngineLayer(); }

    void printCommandsMarkWhatWasPrinted()
    {
        TestHome home;
        QFile::copy(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI", home.FilePath("config/PRINTER.INI"));
        const QString folder = "template/t20261201090001";
        QDir().mkpath(home.FilePath(folder));
        for (const char *name : {"CFG.INI", "20261201090001.fr3"})
            QFile::copy(QStringLiteral(WAYBILL_SOURCE_DIR "/data/") + folder + "/" + name,
                        home.FilePath(folder + "/" + name));
        InitGlobals(home.Path());
        ScriptedUi ui;
        TFMainWindow w;
        w.AttachTavrelForm(std::make_unique<TTavrelForm>());
        w.show();
        w.ImportOrderFile(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv");
        const QString no = OrderModel::NotPrinted, yes = OrderModel::Printed;
        QCOMPARE(Statuses(w), QStringList(50, no));
        CurrTemplate = TemplateList.value(0);
        QVERIFY(CurrTemplate);

        // A printer that is gone: a message naming it, nothing marked.
        CurrPrinter = "Gone";
        ui.Answers.enqueue(true);
        w.ToolButton1Click();
        QVERIFY2(ui.LastText().contains("Gone"), qPrintable(ui.LastText()));
        QCOMPARE(Statuses(w), QStringList(50, no));

        CurrPrinter = "Capture";
        w.ListViewGrid->selectRow(7);
        ui.Answers.enqueue(true);
        w.N16Click();
        QStringList expected(50, no);
        expected[7] = yes;
        QCOMPARE(Statuses(w), expected);

        ui.Answers.enqueue(true);
        w.ToolButton1Click();
        QCOMPARE(Statuses(w), QStringList(50, yes));
        QCOMPARE(w.TavrelForm->PrintRunning, 0);
    }

    // A template that prints order fields but does not walk the orders: print and preview say so
    // before anything is built; nothing reaches the queue, nothing is marked.
    void templatesThatDoNotWalkTheOrdersAreRefused()
    {
        TestHome home;
        OrderLayouts::WriteSettings(home);
        OrderLayouts::SaveWaybillLayout(home.AddTemplate("t1", "T") + "/t.fr3", OrderLayouts::Walk::None);
        const QString orders = OrderLayouts::WriteExport(home, "orders.csv", OrderLayouts::EightOrders());
        InitGlobals(home.Path());
        ScriptedUi ui;
        TFMainWindow w;
        w.AttachTavrelForm(std::make_unique<TTavrelForm>());
        w.show();
        w.ImportOrderFile(orders);
        QCOMPARE(Statuses(w), QStringList(8, OrderModel::NotPrinted));
        CurrTemplate = TemplateList.value(0);
        QVERIFY(CurrTemplate);
        CurrPrinter = "Capture";
        const CupsTools::NewJobs jobs;
        const QString refusal = QStringLiteral("模板没有遍历订单");

        ui.Answers.enqueue(true);
        w.ToolButton1Click();
        QVERIFY2(ui.LastText().startsWith(refusal), qPrintable(ui.LastText()));
        w.ListViewGrid->selectRow(2);
        ui.Answers.enqueue(true);
        w.N16Click();
        QVERIFY2(ui.LastText().startsWith(refusal), qPrintable(ui.LastText()));
        ui.Clear();
        w.ListBox1->setCurrentRow(0);
        w.N15Click();
        QVERIFY2(ui.LastText().startsWith(refusal), qPrintable(ui.LastText()));
        QCOMPARE(Statuses(w), QStringList(8, OrderModel::NotPrinted));
        QVERIFY(jobs.List().isEmpty());
        QCOMPARE(w.TavrelForm->PrintRunning, 0);
    }
};

QTEST_MAIN(TestWindowPrint)
#include "tst_windowprint.moc"

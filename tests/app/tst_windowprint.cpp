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
#include "app/journal/JournalWindow.h"
#include "engine/frxEngineLayer.h"
#include "tests/support/CupsTools.h"

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace {

// A dialog step that presses the message box's button with this caption, keeping the box's text.
std::function<void(QDialog &)> Press(const QString &caption, QString *text = nullptr)
{
    return [caption, text](QDialog &dialog) {
        auto *box = qobject_cast<QMessageBox *>(&dialog);
        QVERIFY(box);
        if (text)
            *text = box->text();
        for (QAbstractButton *button : box->buttons())
            if (button->text() == caption)
                button->click();
    };
}

} // namespace

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

        QVERIFY(w.GridModel->LastPrint(7).contains("Capture"));
        QVERIFY(w.GridModel->LastPrint(6).isEmpty());

        // Row 7 was printed before: the window asks; 只打印未打印的 prints the other 49.
        QString question;
        ui.Answers.enqueue(true);
        ui.DialogSteps.enqueue(Press("只打印未打印的", &question));
        CupsTools::NewJobs jobs;
        w.ToolButton1Click();
        QVERIFY2(question.startsWith("1 个订单已经打印过（最近一次 ") && question.contains("Capture"),
                 qPrintable(question));
        QCOMPARE(Statuses(w), QStringList(50, yes));
        QCOMPARE(CupsTools::PagesOf(jobs.Ids()), 49);
        QCOMPARE(w.TavrelForm->PrintRunning, 0);
        for (int r : {0, 7, 49})
            QVERIFY(w.GridModel->LastPrint(r).contains("Capture"));

        // All 50 printed now: 取消 prints nothing, 全部打印 prints them all again, as reprints.
        CupsTools::NewJobs none;
        ui.Answers.enqueue(true);
        ui.DialogSteps.enqueue(Press("取消", &question));
        w.ToolButton1Click();
        QVERIFY2(question.startsWith("50 个订单已经打印过"), qPrintable(question));
        QVERIFY(none.Ids().isEmpty());
        CupsTools::NewJobs again;
        ui.Answers.enqueue(true);
        ui.DialogSteps.enqueue(Press("全部打印"));
        w.ToolButton1Click();
        QCOMPARE(CupsTools::PagesOf(again.Ids()), 50);
        Journal::Database db(Journal::DefaultPath());
        const QList<Journal::Entry> entries = db.Entries({});
        QCOMPARE(entries.size(), 50 + 1 + 49 + 50);
        QCOMPARE(std::count_if(entries.begin(), entries.end(), [](const Journal::Entry &e) { return e.Reprint; }), 50);
        QCOMPARE(std::count_if(entries.begin(), entries.end(),
                               [](const Journal::Entry &e) { return e.State == "failed"; }),
                 50); // the run on the printer that was gone

        // 打印记录: the newest run first; 重印所选订单 prints the two selected orders again.
        CupsTools::NewJobs reprint;
        int runs = 0;
        ui.DialogSteps.enqueue([&](QDialog &dialog) {
            auto *form = qobject_cast<Journal::TPrintRecordForm *>(&dialog);
            QVERIFY(form);
            runs = form->RunGrid->rowCount();
            QCOMPARE(form->RunGrid->item(0, 5)->text(), QString("50"));
            QCOMPARE(form->OrderGrid->rowCount(), 50);
            form->OrderGrid->selectRow(3);
            form->OrderGrid->selectionModel()->select(form->OrderGrid->model()->index(9, 0),
                                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
            form->ReprintOrdersButton->click();
            QCOMPARE(form->RunGrid->rowCount(), runs + 1);
            QCOMPARE(form->RunGrid->item(0, 1)->text(), QString("重印"));
            QCOMPARE(form->OrderGrid->rowCount(), 2);
            form->reject();
        });
        w.PrintRecordClick();
        QCOMPARE(runs, 4);
        QCOMPARE(CupsTools::PagesOf(reprint.Ids()), 2);
    }

    // A journal that cannot be used: the window says so and prints only when the seller says yes.
    void unusableJournalAsksFirst()
    {
        TestHome home;
        QFile::copy(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI", home.FilePath("config/PRINTER.INI"));
        const QString folder = "template/t20261201090001";
        QDir().mkpath(home.FilePath(folder));
        for (const char *name : {"CFG.INI", "20261201090001.fr3"})
            QFile::copy(QStringLiteral(WAYBILL_SOURCE_DIR "/data/") + folder + "/" + name,
                        home.FilePath(folder + "/" + name));
        home.Write("config/print-journal.db", QByteArray(4096, 'x'));
        InitGlobals(home.Path());
        ScriptedUi ui;
        TFMainWindow w;
        w.AttachTavrelForm(std::make_unique<TTavrelForm>());
        w.show();
        w.ImportOrderFile(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv");
        CurrTemplate = TemplateList.value(0);
        CurrPrinter = "Capture";
        w.ListViewGrid->selectRow(2);
        CupsTools::NewJobs jobs;
        ui.Answers << true << false;
        w.N16Click();
        QVERIFY2(ui.LastText().contains("不是打印记录") && ui.LastText().contains("仍然打印吗"),
                 qPrintable(ui.LastText()));
        QVERIFY(ui.Shown.last().Question);
        QCOMPARE(w.GridModel->Status(2), OrderModel::NotPrinted);
        QVERIFY(jobs.Ids().isEmpty());
        ui.Answers << true << true;
        w.N16Click();
        QCOMPARE(w.GridModel->Status(2), OrderModel::Printed);
        QCOMPARE(CupsTools::PagesOf(jobs.Ids()), 1);
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

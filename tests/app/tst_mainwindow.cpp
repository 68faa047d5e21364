// The main window and the printer settings dialog, driven through their commands offscreen.
#include "app/MainWindow.h"
#include "app/OrderModel.h"
#include "app/PrinterCFG.h"
#include "app/StartLoader.h"
#include "app/TemplateClS.h"
#include "ScriptedUi.h"
#include "TestHome.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

class TestMainWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ScriptedUi> m_ui;

    std::unique_ptr<TFMainWindow> Start(const QByteArray &printerIni = "[SYS]\r\nVAR_CURR_HAO=5\r\nVAR_CURR_VAO=-3\r\n"
                                                                       "VAR_CURR_PRINTER=Office\r\n[OrderColumn]\r\n"
                                                                       "C_1=订单编号\r\nC_2=收货人姓名\r\n")
    {
        m_home->Write("config/PRINTER.INI", printerIni);
        InitGlobals(m_home->Path());
        auto window = std::make_unique<TFMainWindow>();
        window->resize(1000, 600);
        window->show();
        return window;
    }
    void Select(TFMainWindow &w, int line) { w.ListBox1->item(line)->setSelected(true); w.ListBox1->setCurrentRow(line); }

private slots:
    void init()
    {
        m_home = std::make_unique<TestHome>();
        m_ui = std::make_unique<ScriptedUi>();
    }
    void cleanup()
    {
        m_ui.reset();
        m_home.reset();
    }

    void startsWithSettingsInTheStatusBar()
    {
        auto w = Start();
        QCOMPARE(w->StatusText(0), QString("当前模板:"));
        QCOMPARE(w->StatusText(1), QString("空"));
        QCOMPARE(w->StatusText(3), QString("2"));
        QCOMPARE(w->StatusText(5), QString("Office"));
        QCOMPARE(w->StatusText(7), QString("5"));
        QCOMPARE(w->StatusText(9), QString("-3"));
        QCOMPARE(w->ListBox1->count(), 0);
        QVERIFY(!w->ListBox1->hasFocus());
        QCOMPARE(w->GridModel->Captions(), QStringList({"序号", "状态", "上次打印", "C1-订单编号", "C2-收货人姓名"}));
        QCOMPARE(w->GridModel->Widths(), QList<int>({40, 60, 150, 120, 150}));
        QVERIFY(!w->ToolButton10->isEnabled());
        QVERIFY(!w->ToolButton10->isVisible() && !w->ToolButton11->isVisible());
        QCOMPARE(w->ToolButton1->toolTip(), QString("开始打印快递单"));
        QVERIFY(!w->Timer1->isActive());
    }

    void startUpShowsTheSplashThenTheMainWindow()
    {
        m_home->AddTemplate("a", "圆通");
        m_home->Write("config/PRINTER.INI", "[SYS]\r\nVAR_CURR_HAO=5\r\nVAR_CURR_VAO=-3\r\n");
        qputenv("TAVREL_HOME", m_home->Path().toUtf8());
        bool splashSeen = false, mainHiddenMeanwhile = true;
        TFMainWindow *seenMain = nullptr;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (qobject_cast<TFStartPIC *>(w) && w->isVisible())
                    splashSeen = true;
                if (auto *m = qobject_cast<TFMainWindow *>(w)) {
                    seenMain = m;
                    if (m->isVisible())
                        mainHiddenMeanwhile = false;
                }
            }
        });
        probe.start(20);
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<TFMainWindow> w(StartUp(*qApp, 300));
        probe.stop();
        qunsetenv("TAVREL_HOME");
        QVERIFY(clock.elapsed() >= 300);
        QVERIFY(splashSeen);
        QVERIFY(seenMain);                 // the window existed while the splash was up...
        QVERIFY(mainHiddenMeanwhile);      // ...but was not shown before the splash went
        for (QWidget *top : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<TFStartPIC *>(top));
        QVERIFY(w->isVisible());
        QCOMPARE(w->ListBox1->count(), 1);
        QCOMPARE(w->StatusText(7), QString("5"));
        QCOMPARE(w->StatusText(9), QString("-3"));
    }

    void selectingAndDeletingTemplates()
    {
        m_home->AddTemplate("a", "圆通");
        m_home->AddTemplate("b", "申通");
        m_home->AddTemplate("c", "EMS");
        auto w = Start();
        QCOMPARE(w->ListBox1->count(), 3);
        QCOMPARE(w->ListBox1->item(1)->text(), QString("1-申通"));
        QVERIFY(!CurrTemplate);

        Select(*w, 1);
        QCOMPARE(CurrTemplate, TemplateList[1]);
        QCOMPARE(w->StatusText(1), QString("1-申通"));

        // "No" deletes nothing; "Yes" deletes the selected (current) template, clears it and
        // renumbers the lines.
        Select(*w, 0);
        m_ui->Answers.enqueue(false);
        w->N18Click();
        QCOMPARE(TemplateList.size(), 3);
        QVERIFY(QFileInfo::exists(m_home->FilePath("template/a")));
        m_ui->Answers.enqueue(true);
        w->N18Click();
        QCOMPARE(m_ui->Shown.last().Text, QString("是否确认要删除此模板?"));
        QVERIFY(!QFileInfo::exists(m_home->FilePath("template/a")));
        QVERIFY(!CurrTemplate);
        QCOMPARE(w->StatusText(1), QString("空"));
        QCOMPARE(w->ListBox1->count(), 2);
        QCOMPARE(w->ListBox1->item(0)->text(), QString("0-申通"));
        QVERIFY(w->ListBox1->selectedItems().isEmpty());
    }

    void deleteAndOpenFolderNeedASelectedLine()
    {
        m_home->AddTemplate("a", "圆通");
        auto w = Start();
        m_ui->Answers.enqueue(true);
        w->N18Click();
        QCOMPARE(m_ui->Shown.size(), 2);
        QVERIFY(m_ui->Shown[0].Question);
        QCOMPARE(m_ui->Shown[1].Text, QString("List index out of bounds (-1)"));
        QCOMPARE(m_ui->Shown[1].Icon, UiIcon::Error);
        QVERIFY(QFileInfo::exists(m_home->FilePath("template/a")));

        Select(*w, 0);
        w->N21Click();
        QCOMPARE(m_ui->ShellRequests.size(), 1);
        QCOMPARE(m_ui->ShellRequests[0].Verb, QString("open"));
        QCOMPARE(m_ui->ShellRequests[0].File, m_home->FilePath("template/a"));
    }

    void printChecksInOrder()
    {
        auto w = Start("[OrderColumn]\r\nC_1=订单编号\r\n");
        int printed = 0;
        w->Commands.PrintAll = [&] { ++printed; };
        w->ToolButton1Click();
        QCOMPARE(m_ui->LastText(), QString("请选择打印模板!"));
        CurrTemplate = std::make_shared<TTemplate>(m_home->FilePath("template/none"));
        w->ToolButton1Click();
        QCOMPARE(m_ui->LastText(), QString("请选择打印机!"));
        CurrPrinter = "Office";
        w->ToolButton1Click();
        QCOMPARE(m_ui->LastText(), QString("请导入淘宝订单数据!"));
        m_ui->FileNames.enqueue(m_home->Write("o.csv", "h\r\n1\r\n2\r\n"));
        w->ToolButtonDataIMPClick();
        QCOMPARE(m_ui->FileFilters.last(), QString("EXCEL数据|*.csv"));
        m_ui->Answers.enqueue(false);
        w->ToolButton1Click();
        QCOMPARE(m_ui->Shown.last().Text, QString("是否确认要打印订单列表?"));
        QCOMPARE(m_ui->Shown.last().Caption, QString("提示"));
        QCOMPARE(printed, 0);
        m_ui->Answers.enqueue(true);
        w->ToolButton1Click();
        QCOMPARE(printed, 1);

        // The single print asks for a selected row first.
        int printedRow = -1;
        w->Commands.PrintOne = [&](int row) { printedRow = row; };
        w->N16Click();
        QCOMPARE(m_ui->LastText(), QString("请选中要打印订单行!"));
        w->ListViewGrid->selectRow(1);
        m_ui->Answers.enqueue(true);
        w->N16Click();
        QCOMPARE(printedRow, 1);
    }

    void importFillsTheGridAndFailuresKeepIt()
    {
        auto w = Start();
        w->ToolButtonDataIMPClick();   // cancelled: nothing happens
        QVERIFY(m_ui->Shown.isEmpty());
        m_ui->FileNames.enqueue(m_home->Write("o.csv", "订单编号,收货人姓名\r\n=\"1\",张三\r\n=\"2\",李四\r\n"));
        w->ToolButtonDataIMPClick();
        QCOMPARE(w->GridModel->rowCount(), 2);
        QCOMPARE(w->GridModel->index(1, 0).data().toString(), QString("2"));
        QCOMPARE(w->GridModel->index(1, 1).data().toString(), QString("未打印"));
        QCOMPARE(w->GridModel->index(1, 4).data().toString(), QString("李四"));
        QCOMPARE(w->StatusText(10), QString("读入 2 条订单"));
        QVERIFY(m_ui->Shown.isEmpty());
        w->GridModel->SetStatus(0, OrderModel::Printed);

        m_ui->FileNames.enqueue(m_home->FilePath("gone.csv"));
        w->ToolButtonDataIMPClick();
        QCOMPARE(m_ui->Shown.size(), 1);
        QCOMPARE(m_ui->Shown[0].Caption, QString("error"));
        QVERIFY(m_ui->Shown[0].Text.contains(m_home->FilePath("gone.csv")));
        QCOMPARE(w->GridModel->rowCount(), 2);
        QCOMPARE(OrderRows.size(), size_t(2));
        QCOMPARE(w->GridModel->Status(0), QString("已打印"));

        // A new import resets every status.
        m_ui->FileNames.enqueue(m_home->FilePath("o.csv"));
        w->ToolButtonDataIMPClick();
        QCOMPARE(w->GridModel->Status(0), QString("未打印"));

        // Lines whose quotes do not close are named in one warning; no order is lost.
        m_ui->Clear();
        m_ui->FileNames.enqueue(m_home->Write("q.csv", "h\r\n1,\"abc,x\r\n2,b\r\n3,\"q\",d\r\n4,\"e\r\n"));
        w->ToolButtonDataIMPClick();
        QCOMPARE(w->GridModel->rowCount(), 4);
        QCOMPARE(w->StatusText(10), QString("读入 4 条订单"));
        QCOMPARE(m_ui->Shown.size(), 1);
        QCOMPARE(m_ui->LastText(), QString("第 2、5 行的引号没有正确结束，这些字段已在行末截断，请核对这些订单。"));
        QCOMPARE(m_ui->Shown[0].Icon, UiIcon::Warning);
    }

    // An export that lost a configured column asks how to take the columns; blank lines are
    // skipped and counted in the status line.
    void aHeaderWithSomeNamesAsks()
    {
        auto w = Start("[OrderColumn]\r\nC_1=订单编号\r\nC_2=收货人姓名\r\nC_3=收货地址\r\n");
        const QString path = m_home->Write("s.csv", "订单编号,收货地址\r\n1,杭州\r\n\r\n , ,\r\n2,北京\r\n");
        QString question;
        auto press = [&](const QString &caption) {
            m_ui->DialogSteps.enqueue([&question, caption](QDialog &d) {
                auto *box = qobject_cast<QMessageBox *>(&d);
                QVERIFY(box);
                question = box->text();
                for (QAbstractButton *b : box->buttons())
                    if (b->text() == caption)
                        b->click();
            });
        };
        press("取消");
        w->ImportOrderFile(path);
        QVERIFY2(question.contains("缺少: 收货人姓名"), qPrintable(question));
        QCOMPARE(w->GridModel->rowCount(), 0);
        QVERIFY(OrderRows.empty());

        press("按名称导入");
        w->ImportOrderFile(path);
        QCOMPARE(w->GridModel->rowCount(), 2);
        QCOMPARE(w->GridModel->index(1, OrderModel::FixedColumns + 1).data().toString(), QString());
        QCOMPARE(w->GridModel->index(1, OrderModel::FixedColumns + 2).data().toString(), QString("北京"));
        QCOMPARE(w->StatusText(10), QString("读入 2 条订单，跳过 2 个空行"));

        press("按位置导入");
        w->ImportOrderFile(path);
        QCOMPARE(w->GridModel->index(1, OrderModel::FixedColumns + 1).data().toString(), QString("北京"));
        QCOMPARE(w->GridModel->index(1, OrderModel::FixedColumns + 2).data().toString(), QString());
        QCOMPARE(m_ui->DialogTitles.size(), 3);
        QVERIFY(m_ui->Shown.isEmpty());
    }

    void templateListShowHideAndResize()
    {
        auto w = Start();
        w->resize(900, 600);
        QCOMPARE(w->Panel2->width(), w->frameGeometry().width() - 200);
        w->ShowOrHideButtonClick();
        QVERIFY(w->ListBox1->isHidden());
        QCOMPARE(w->Panel2->width(), w->frameGeometry().width() - 15);
        w->resize(800, 600);
        QCOMPARE(w->Panel2->width(), w->frameGeometry().width() - 15);
        w->ShowOrHideButtonClick();
        QVERIFY(!w->ListBox1->isHidden());
        QCOMPARE(w->Panel2->width(), w->frameGeometry().width() - 200);
    }

    void shellCommandsAndExit()
    {
        auto w = Start("[SYS]\r\nSHOP_URL=https://shop.example.test/\r\n");
        w->ToolButton9Click();
        w->ToolButton12Click();
        w->N14Click();
        w->ToolButton5Click();
        QCOMPARE(m_ui->ShellRequests.size(), 4);
        QCOMPARE(m_ui->ShellRequests[0].File, QString("https://shop.example.test/"));
        QCOMPARE(m_ui->ShellRequests[1].File, AppPath + "config/help.html");
        QCOMPARE(m_ui->ShellRequests[2].File, m_ui->ShellRequests[1].File);
        QVERIFY(m_ui->ShellRequests[3].File.startsWith("https://"));
        QVERIFY(QFileInfo::exists(QStringLiteral(WAYBILL_SOURCE_DIR "/data/config/help.html")));

        m_ui->Answers.enqueue(false);
        w->ToolButton8Click();
        QVERIFY(w->isVisible());
        QCOMPARE(m_ui->Shown.last().Text, QString("是否确认退出程序?"));
        QCOMPARE(m_ui->Shown.last().Caption, QString("提示"));
        m_ui->Answers.enqueue(true);
        w->ToolButton8Click();
        QVERIFY(!w->isVisible());
    }

    void printerDialogStoresAndShows()
    {
        auto w = Start();
        TPrinterConfig::PrinterNames = [] { return QStringList({"Office Laser", "Label-Printer"}); };
        m_home->Write("config/PRINTER.INI", "; settings\r\n[SYS]\r\nVAR_CURR_HAO=3\r\nVAR_CURR_PRINTER=label-printer\r\n"
                                            "[OrderColumn]\r\nC_1=订单编号\r\n");
        {
            TPrinterConfig dialog(w.get());
            dialog.FormInit();
            QCOMPARE(dialog.ComboBoxList->currentText(), QString("Label-Printer"));   // found ignoring case
            QCOMPARE(dialog.HAO->value(), 3);
            QCOMPARE(dialog.VAO->value(), 0);
            dialog.HAO->setValue(-25);
            dialog.VAO->setValue(40);
            dialog.ButtonSubmitClick();
        }
        QCOMPARE(m_home->Read("config/PRINTER.INI"),
                 QByteArray("; settings\r\n[SYS]\r\nVAR_CURR_HAO=-25\r\nVAR_CURR_PRINTER=Label-Printer\r\nVAR_CURR_VAO=40\r\n"
                            "[OrderColumn]\r\nC_1=订单编号\r\n"));
        QCOMPARE(CurrHAO, -25);
        QCOMPARE(CurrVAO, 40);
        QCOMPARE(CurrPrinter, QString("Label-Printer"));
        QCOMPARE(w->StatusText(5), QString("Label-Printer"));
        QCOMPARE(w->StatusText(7), QString("-25"));
        QCOMPARE(w->StatusText(9), QString("40"));

        // A stored printer that is gone leaves the box empty; closing changes nothing.
        m_home->Write("config/PRINTER.INI", "[SYS]\r\nVAR_CURR_PRINTER=Gone\r\n");
        {
            TPrinterConfig dialog(w.get());
            dialog.FormInit();
            QCOMPARE(dialog.ComboBoxList->currentText(), QString());
            dialog.HAO->setValue(7);
            dialog.ButtonCloseClick();
        }
        QCOMPARE(CurrHAO, -25);
        QCOMPARE(m_home->Read("config/PRINTER.INI"), QByteArray("[SYS]\r\nVAR_CURR_PRINTER=Gone\r\n"));
        TPrinterConfig::PrinterNames = InstalledPrinterNames;
    }

    // The offsets are whole millimetres: the unit labels say so, the boxes take ±1000 and show the
    // stored values, and values beyond the range are refused wherever they come from.
    void printerDialogOffsetsInMillimetres()
    {
        auto w = Start("[SYS]\r\nVAR_CURR_HAO=1000\r\nVAR_CURR_VAO=-1000\r\n");
        QCOMPARE(CurrHAO, 1000);
        QCOMPARE(CurrVAO, -1000);
        TPrinterConfig dialog(w.get());
        dialog.FormInit();
        QCOMPARE(dialog.findChild<QLabel *>("HAOUnit")->text(), QString("(毫米)"));
        QCOMPARE(dialog.findChild<QLabel *>("VAOUnit")->text(), QString("(毫米)"));
        QCOMPARE(dialog.HAO->value(), 1000);
        QCOMPARE(dialog.VAO->value(), -1000);
        QCOMPARE(dialog.HAO->minimum(), -1000);
        QCOMPARE(dialog.HAO->maximum(), 1000);
        QVERIFY(m_ui->Shown.isEmpty());
        // Typed text the box cannot take is refused with a message; nothing is stored.
        dialog.HAO->findChild<QLineEdit *>()->setText("-");
        dialog.ButtonSubmitClick();
        QCOMPARE(m_ui->Shown.size(), 1);
        QVERIFY(m_ui->LastText().contains("-1000 到 1000"));
        QCOMPARE(m_home->Read("config/PRINTER.INI"), QByteArray("[SYS]\r\nVAR_CURR_HAO=1000\r\nVAR_CURR_VAO=-1000\r\n"));
    }

    void offsetsOutOfRangeAreRefused_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("int max") << QByteArray("2147483647");
        QTest::newRow("int min") << QByteArray("-2147483648");
        QTest::newRow("beyond 64 bits") << QByteArray("99999999999999999999");
        QTest::newRow("just past") << QByteArray("1001");
        QTest::newRow("not a number") << QByteArray("5mm");
    }

    void offsetsOutOfRangeAreRefused()
    {
        QFETCH(QByteArray, stored);
        auto w = Start("[SYS]\r\nVAR_CURR_HAO=" + stored + "\r\nVAR_CURR_VAO=4\r\n");
        QCOMPARE(CurrHAO, 0);
        QCOMPARE(CurrVAO, 4);
        QCOMPARE(m_ui->Shown.size(), 1);
        QVERIFY2(m_ui->LastText().contains("水平偏移") && m_ui->LastText().contains(QString::fromUtf8(stored)),
                 qPrintable(m_ui->LastText()));
        QCOMPARE(w->StatusText(7), QString("0"));
        TPrinterConfig dialog(w.get());
        dialog.FormInit();
        QCOMPARE(dialog.HAO->value(), 0);
        QCOMPARE(dialog.VAO->value(), 4);
        QCOMPARE(m_ui->Shown.size(), 2);
    }

    void printerDialogWriteFailureChangesNothing()
    {
        auto w = Start();
        QDir(m_home->FilePath("config")).removeRecursively();
        TPrinterConfig dialog(w.get());
        dialog.FormInit();
        dialog.ComboBoxList->setEditText("Typed Printer");
        dialog.HAO->setValue(12);
        dialog.ButtonSubmitClick();
        QCOMPARE(m_ui->Shown.size(), 1);
        QCOMPARE(m_ui->Shown[0].Caption, QString("error"));
        QVERIFY(m_ui->Shown[0].Text.startsWith("Unable to write to " + m_home->FilePath("config/PRINTER.INI")));
        QCOMPARE(CurrHAO, 5);
        QCOMPARE(CurrPrinter, QString("Office"));
        QCOMPARE(w->StatusText(5), QString("Office"));
        QCOMPARE(w->StatusText(7), QString("5"));
        QCOMPARE(dialog.result(), 0);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

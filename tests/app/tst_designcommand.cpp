// The main window's design command ("修改") on a ready template with the demo orders: the designer
// opens modally on the template with the order columns as FD's fields, and a save there reaches
// the template file, the list and the previews.
#include "ScriptedUi.h"
#include "TestHome.h"
#include "app/MainWindow.h"
#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "designer/frxDesignerRegister.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "engine/build/frxEngine.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"

#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

class TestDesignCommand : public QObject {
    Q_OBJECT
private slots:
    void designSaveAndReload()
    {
        TestHome home;
        qputenv("XDG_CONFIG_HOME", home.FilePath("xdg").toUtf8());
        const QString source = QStringLiteral(WAYBILL_SOURCE_DIR "/data/template/t20261201090001/");
        QFile layout(source + "20261201090001.fr3");
        QVERIFY(layout.open(QIODevice::ReadOnly));
        const QByteArray original = layout.readAll();
        const QString path = home.Write("template/t1/20261201090001.fr3", original);
        QFile cfg(source + "CFG.INI");
        QVERIFY(cfg.open(QIODevice::ReadOnly));
        home.Write("template/t1/CFG.INI", cfg.readAll());
        QFile ini(QStringLiteral(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        home.Write("config/PRINTER.INI", ini.readAll());
        InitGlobals(home.Path());
        frxRegisterEngine();
        frxRegisterDesigner();

        ScriptedUi ui;
        TFMainWindow window;
        window.AttachTavrelForm(std::make_unique<TTavrelForm>());
        window.show();
        window.ImportOrderFile(QStringLiteral(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv"));
        QVERIFY(!OrderRows.empty());
        QCOMPARE(window.ListBox1->count(), 1);
        window.ListBox1->item(0)->setSelected(true);
        window.ListBox1->setCurrentRow(0);

        TfrxReport *report = window.TavrelForm->frxReport1;
        QStringList offered;
        bool seen = false;
        double movedTo = 0;
        QTimer::singleShot(0, [&] {
            auto *form = qobject_cast<TfrxDesignerForm *>(report->Designer());
            QVERIFY(form);
            seen = true;
            QVERIFY(form->isModal() || form->windowModality() == Qt::ApplicationModal);
            // "Data" > "FD" > the columns.
            auto *tree = form->findChild<QTreeWidget *>("DataTree");
            const QList<QTreeWidgetItem *> fd =
                tree ? tree->findItems("FD", Qt::MatchExactly | Qt::MatchRecursive) : QList<QTreeWidgetItem *>();
            for (int j = 0; fd.size() == 1 && j < fd.first()->childCount(); ++j)
                offered << fd.first()->child(j)->text(0);
            QVERIFY(form->SelectObject("ReceiverName"));
            movedTo = report->FindObject("ReceiverName")->Left() + 1;
            QTest::keyClick(form->Workspace(), Qt::Key_Right, Qt::ControlModifier);
            ui.Choices.enqueue(UiAnswer::Yes);
            form->close();
        });
        window.N17Click();
        QVERIFY(seen);
        QVERIFY(!report->Designer());
        QVERIFY(report->Modified());
        // FD offered the order columns, each once.
        QStringList columns;
        for (const TColumn &c : std::as_const(OrderColumns))
            columns << c.ColName;
        QCOMPARE(offered, columns);
        // The file on disk has the move; the list is back with its line selected.
        TfrxReport reread;
        reread.EngineOptions()->SetNewSilentMode(frx::simSilent);
        frxLoadFromFile(reread, path);
        QVERIFY(qAbs(reread.FindObject("ReceiverName")->Left() - movedTo) < 1e-6);
        QCOMPARE(window.ListBox1->count(), 1);
        QCOMPARE(window.ListBox1->currentRow(), 0);
        // The picture and every other object came through the save.
        QVERIFY(!qobject_cast<TfrxReportPage *>(reread.FindObject("Page1"))->BackPicture().IsEmpty());
    }

    // A template's layout that is a link out of its folder (a template from a stranger): the
    // designer does not open on it, says why, and nothing outside is written or created.
    void designRefusesALayoutLinkedOutOfItsFolder()
    {
        TestHome home;
        QTemporaryDir elsewhere;
        const QString victim = elsewhere.filePath("victim.fr3");
        QVERIFY(QFile::copy(QStringLiteral(WAYBILL_SOURCE_DIR "/data/template/t20261201090001/20261201090001.fr3"),
                            victim));
        QFile file(victim);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        const QString folder = home.AddTemplate("t1", "linked", "x.fr3");
        QVERIFY(QFile::link(victim, folder + "/x.fr3"));
        QVERIFY(QFile::link(elsewhere.filePath("created.fr3"), folder + "/new.fr3"));
        frxRegisterEngine();
        frxRegisterDesigner();
        ScriptedUi ui;
        TTavrelForm form;
        for (const QString &name : {QStringLiteral("x.fr3"), QStringLiteral("new.fr3")}) {
            QVERIFY(!form.DesignFile(folder + "/" + name));
            QVERIFY(!form.frxReport1->Designer());
            QVERIFY(!ui.Shown.isEmpty());
            QVERIFY2(ui.Shown.last().Text.contains(QDir::toNativeSeparators(folder + "/" + name) +
                                                   "\" is a link to a file outside its folder"),
                     qPrintable(ui.Shown.last().Text));
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
        QVERIFY(!QFileInfo::exists(elsewhere.filePath("created.fr3")));
    }
};

QTEST_MAIN(TestDesignCommand)
#include "tst_designcommand.moc"

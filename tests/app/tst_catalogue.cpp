// Settings, order columns and the template catalogue.
#include "app/FunctionPAK.h"
#include "app/TemplateClS.h"
#include "ScriptedUi.h"
#include "TestHome.h"

#include <QRegularExpression>
#include <QTest>

class TestCatalogue : public QObject {
    Q_OBJECT
private slots:
    void printerIniGivesOffsetsPrinterAndColumns()
    {
        TestHome home;
        home.Write("config/PRINTER.INI", "[SYS]\r\nVAR_CURR_HAO=-25\r\nVAR_CURR_VAO=0x10\r\nVAR_CURR_PRINTER=Office Laser\r\n"
                                          "[OrderColumn]\r\nC_1=订单编号\r\nC_2=\r\nc_3=收货地址\r\nC_4=n\r\nC_5=N\r\nC_6=never\r\n");
        ScriptedUi ui;
        InitGlobals(home.Path());
        QCOMPARE(AppPath, home.Path() + "/");
        QCOMPARE(CurrHAO, -25);
        QCOMPARE(CurrVAO, 16);
        QCOMPARE(CurrPrinter, QString("Office Laser"));
        QCOMPARE(OrderColumns.size(), 4);   // "N" ends the list; "n" and an empty name are columns
        QCOMPARE(OrderColumns[0].ColName, QString("订单编号"));
        QCOMPARE(OrderColumns[0].ColWidth, 120);
        QCOMPARE(OrderColumns[1].ColWidth, 0);
        QCOMPARE(OrderColumns[2].ColIndex, 3);
        QCOMPARE(OrderColumns[3].ColName, QString("n"));
        QVERIFY(!OrderColumns[0].ColFlag);
        QVERIFY(ui.Shown.isEmpty());
    }

    void gapInColumnKeysEndsTheList()
    {
        TestHome home;
        home.Write("config/PRINTER.INI", "[OrderColumn]\nC_1=订单编号\nC_2=买家会员名\nC_4=收货地址\n[SYS]\nVAR_CURR_HAO=abc\n");
        InitGlobals(home.Path());
        QCOMPARE(OrderColumns.size(), 2);
        QCOMPARE(CurrHAO, 0);
    }

    void missingFoldersGiveEmptyStateWithoutMessages()
    {
        QTemporaryDir empty;
        ScriptedUi ui;
        InitGlobals(empty.path());
        QCOMPARE(CurrHAO, 0);
        QVERIFY(CurrPrinter.isEmpty());
        QVERIFY(OrderColumns.isEmpty());
        QVERIFY(TemplateList.isEmpty());
        QVERIFY(ui.Shown.isEmpty());
    }

    void catalogueListsOnlyVisibleFolders()
    {
        TestHome home;
        home.AddTemplate("t20140312093015", "圆通");
        home.AddTemplate("B-ems", "EMS");
        home.Write("template/plain.txt", "not a template");
        home.AddTemplate(".hidden", "hidden");
        QDir().mkpath(home.FilePath("template/no-cfg"));
        InitGlobals(home.Path());
        QCOMPARE(TemplateList.size(), 3);
        QCOMPARE(TemplateList[0]->TmpName, QString("EMS"));
        QCOMPARE(TemplateList[1]->TmpName, QString("N"));         // a folder without CFG.INI
        QCOMPARE(TemplateList[1]->TmpFileName, QString("N"));
        QCOMPARE(TemplateList[2]->TmpName, QString("圆通"));
        QCOMPARE(TemplateList[2]->TmpPath, home.FilePath("template/t20140312093015"));
        QCOMPARE(TemplateList[2]->LayoutPath(), home.FilePath("template/t20140312093015/t.fr3"));
        QCOMPARE(TemplateList[2]->TmpImgName, QString("demo.jpg"));
        QCOMPARE(ListSubDirs(home.FilePath("missing/")), QStringList());
    }

    void templatesShareTheOrderColumns()
    {
        TestHome home;
        home.Write("config/PRINTER.INI", "[OrderColumn]\nC_1=a\nC_2=b\n");
        home.AddTemplate("one", "one");
        InitGlobals(home.Path());
        QCOMPARE(TemplateList[0]->Columns.size(), 2);
        QVERIFY(TemplateList[0]->Columns.constData() == OrderColumns.constData());
    }

    void templateColumnsInColumnModeZero()
    {
        TestHome home;
        home.Write("template/x/CFG.INI", "[INFO]\nTMP_NAME=x\nTMP_COL_CNT=4\n[COLUMNS]\nC_1=收货人|90|M\nC_3=电话|60|\nC_4=bad|wide|M\n");
        ScriptedUi ui;
        ColumnMode = "0";
        TTemplate t(home.FilePath("template/x"));
        ColumnMode = "1";
        QCOMPARE(t.Columns.size(), 2);
        QCOMPARE(t.Columns[0].ColWidth, 90);
        QVERIFY(t.Columns[0].ColFlag);
        QCOMPARE(t.Columns[1].ColIndex, 3);
        QVERIFY(!t.Columns[1].ColFlag);
        QCOMPARE(ui.Shown.size(), 1);
        QCOMPARE(ui.Shown[0].Caption, QString("error-temp"));
        QCOMPARE(ui.Shown[0].Text, QString("'wide' is not a valid integer value"));
        QCOMPARE(t.TmpName, QString("x"));
    }

    // A template's file names are plain names inside its folder: a CFG.INI that points elsewhere
    // used to load and print that file.
    void fileNamesStayInTheTemplateFolder_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::newRow("parent folders") << "TMP_FILE_NAME" << "../../../elsewhere/x.fr3";
        QTest::newRow("absolute") << "TMP_FILE_NAME" << "/etc/passwd";
        QTest::newRow("parent itself") << "TMP_FILE_NAME" << "..";
        QTest::newRow("backslash") << "TMP_FILE_NAME" << "..\\x.fr3";
        QTest::newRow("picture") << "TMP_IMG_NAME" << "../x.jpg";
    }
    void fileNamesStayInTheTemplateFolder()
    {
        QFETCH(QString, key);
        QFETCH(QString, name);
        TestHome home;
        QString ini = "[INFO]\nTMP_NAME=x\nTMP_FILE_NAME=t.fr3\nTMP_IMG_NAME=demo.jpg\n";
        ini.replace(QRegularExpression(key + "=[^\n]*"), key + "=" + name);
        home.Write("template/x/CFG.INI", ini.toUtf8());
        ScriptedUi ui;
        TTemplate t(home.FilePath("template/x"));
        QCOMPARE(ui.Shown.size(), 1);
        QCOMPARE(ui.Shown[0].Caption, QString("error-temp"));
        QCOMPARE(ui.Shown[0].Text, QString("模板 %1: CFG.INI 的 %2 '%3' 不是模板文件夹中的文件名")
                                       .arg(QDir::toNativeSeparators(home.FilePath("template/x")), key, name));
        QCOMPARE(t.TmpName, QString("x"));
        QCOMPARE(t.LayoutPath(), home.FilePath("template/x/N"));
        QCOMPARE(t.TmpImgName, QString("N"));
    }

    // A CFG.INI that is no settings file says which template and why, once.
    void garbageSettingsNameTheTemplate_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1A\n\0\0", 10) << "CFG.INI 无法读取 (not a text file (a PNG picture))";
        QTest::newRow("no [INFO]") << QByteArray("just some words\nand more\n") << "CFG.INI 中没有 [INFO] 段, 不是模板设置文件";
    }
    void garbageSettingsNameTheTemplate()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        TestHome home;
        home.Write("template/g/CFG.INI", bytes);
        ScriptedUi ui;
        TTemplate t(home.FilePath("template/g"));
        QCOMPARE(ui.Shown.size(), 1);
        QCOMPARE(ui.Shown[0].Text, QString("模板 %1: %2").arg(QDir::toNativeSeparators(home.FilePath("template/g")), why));
        // Listed by its folder's name with a note, not as "N".
        QCOMPARE(t.TmpName, QString("g"));
        QCOMPARE(t.ShownName(), QString("g (设置有误, 不能使用)"));
        QVERIFY(t.Problem.contains(why));
        QCOMPARE(t.TmpFileName, QString("N"));
    }

    void manyOrderColumns()
    {
        TestHome home;
        QByteArray ini = "[OrderColumn]\r\n";
        for (int i = 1; i <= 20000; ++i)
            ini += "C_" + QByteArray::number(i) + "=col" + QByteArray::number(i) + "\r\n";
        home.Write("config/PRINTER.INI", ini);
        InitGlobals(home.Path());
        QCOMPARE(OrderColumns.size(), 20000);
        QCOMPARE(OrderColumns.last().ColName, QString("col20000"));
        QCOMPARE(OrderColumns.last().ColIndex, 20000);
    }

    void splitString_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("no separator") << "abc" << QStringList({"abc"});
        QTest::newRow("trailing") << "a|b|" << QStringList({"a", "b", ""});
        QTest::newRow("leading") << "|a" << QStringList({"", "a"});
        QTest::newRow("three") << "收货人|90|M" << QStringList({"收货人", "90", "M"});
    }
    void splitString()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, parts);
        QCOMPARE(SplitString(text, "|"), parts);
    }

    void deleteDirTreeRemovesEverythingButNeverFollowsLinks()
    {
        TestHome home;
        const QString outside = home.Write("outside/keep.txt", "precious");
        const QString folder = home.AddTemplate("doomed", "doomed");
        home.Write("template/doomed/sub/deep/file.fr3", "x");
        const QString readOnly = home.Write("template/doomed/ro.txt", "x");
        QFile::setPermissions(readOnly, QFile::ReadOwner);
        home.Write("template/doomed/.hidden", "x");
        QVERIFY(QFile::link(home.FilePath("outside"), folder + "/link-to-folder"));
        QVERIFY(QFile::link(outside, folder + "/link-to-file"));
        QVERIFY(QFile::link(home.FilePath("nowhere"), folder + "/dangling"));
        QVERIFY(DeleteDirTree(folder));
        QVERIFY(!QFileInfo::exists(folder));
        QCOMPARE(home.Read("outside/keep.txt"), QByteArray("precious"));
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"

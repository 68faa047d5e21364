// The new-template dialog: checks, folder and file names, CFG.INI, and the catalogue afterwards.
#include "app/TemplateAdd.h"
#include "app/TemplateClS.h"
#include "platform/Exception.h"
#include "ScriptedUi.h"
#include "TestHome.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QTest>

class TestTemplateAdd : public QObject {
    Q_OBJECT

    struct Saved {
        QString Path;
        double Width = 0, Height = 0;
    };
    QList<Saved> m_saved;
    SaveEmptyLayoutFn Saver()
    {
        return [this](const QString &path, double w, double h) {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly))
                throw Exception("cannot write " + path);
            f.write("<TfrxReport/>");
            m_saved.append({path, w, h});
        };
    }

private slots:
    void init() { m_saved.clear(); }

    void createsFolderLayoutAndSettings()
    {
        TestHome home;
        home.Write("config/PRINTER.INI", "[OrderColumn]\r\nC_1=a\r\nC_2=b\r\nC_3=c\r\n");
        InitGlobals(home.Path());
        ScriptedUi ui;
        TTemplateAddForm form(Saver());
        form.Clock = [] { return QDateTime(QDate(2014, 3, 12), QTime(9, 30, 15)); };
        form.Button1Click();
        QCOMPARE(ui.LastText(), QString("请输模板名称!"));
        QVERIFY(m_saved.isEmpty());
        QVERIFY(!form.Created);

        form.Edit1->setText(" ");   // blanks are a name
        form.Button1Click();
        QVERIFY(form.Created);
        QCOMPARE(ui.LastText(), QString("创建成功"));
        QCOMPARE(m_saved.size(), 1);
        QCOMPARE(m_saved[0].Path, home.FilePath("template/t20140312093015/20140312093015.fr3"));
        QCOMPARE(m_saved[0].Width, 230.0);
        QCOMPARE(m_saved[0].Height, 130.0);
        QCOMPARE(home.Read("template/t20140312093015/CFG.INI"),
                 QByteArray("[INFO]\r\nTMP_NAME= \r\nTMP_COL_CNT=3\r\nTMP_SPLIT=0\r\nTMP_FILE_NAME=20140312093015.fr3\r\n"
                            "TMP_IMG_NAME=demo.jpg\r\n"));
    }

    void twoTemplatesInOneSecondKeepTheirOwnFolders()
    {
        TestHome home;
        InitGlobals(home.Path());
        ScriptedUi ui;
        const auto clock = [] { return QDateTime(QDate(2026, 12, 10), QTime(8, 0, 0)); };
        for (const char *name : {"圆通", "申通"}) {
            TTemplateAddForm form(Saver());
            form.Clock = clock;
            form.Edit1->setText(QString::fromUtf8(name));
            form.fWidth->setValue(23.5);
            form.Button1Click();
            QVERIFY(form.Created);
        }
        ReloadTemplates();
        QCOMPARE(TemplateList.size(), 2);
        QCOMPARE(TemplateList[0]->TmpName, QString("圆通"));
        QCOMPARE(TemplateList[1]->TmpName, QString("申通"));
        QCOMPARE(TemplateList[1]->TmpPath, home.FilePath("template/t20261210080001"));
        QCOMPARE(TemplateList[1]->TmpFileName, QString("20261210080001.fr3"));
        QCOMPARE(m_saved[1].Width, 235.0);
    }

    void failuresAreReported()
    {
        TestHome home;
        InitGlobals(home.Path());
        ScriptedUi ui;
        TTemplateAddForm failing([](const QString &, double, double) { throw Exception("broken"); });
        failing.Edit1->setText("x");
        failing.Button1Click();
        QCOMPARE(ui.LastText(), QString("创建模板失败!"));
        QVERIFY(!failing.Created);

        // A catalogue folder that cannot be made (a file stands in its place).
        QDir(home.FilePath("template")).removeRecursively();
        home.Write("template", "a file, not a folder");
        TTemplateAddForm form(Saver());
        form.Edit1->setText("y");
        form.Button1Click();
        QCOMPARE(ui.LastText(), QString("创建目录失败!"));
        QVERIFY(m_saved.isEmpty());
    }
};

QTEST_MAIN(TestTemplateAdd)
#include "tst_templateadd.moc"

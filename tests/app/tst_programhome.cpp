// Where the program folder is: beside the program in a program folder of its own, in the user's data
// folder for an installed program, filled from the packaged data on first start without ever
// overwriting what the user has.
#include "app/ProgramHome.h"
#include "TestHome.h"

#include <QTest>
#include <unistd.h>

class TestProgramHome : public QObject {
    Q_OBJECT

    // An installed prefix: <root>/usr/bin and <root>/usr/share/waybill with the shipped data.
    static QString MakePrefix(const TestHome &root)
    {
        root.Write("usr/share/waybill/config/PRINTER.INI", "[SYS]\r\nVAR_CURR_PRINTER=\r\n");
        root.Write("usr/share/waybill/config/fonts.ini", "[Default]\r\nFont=X\r\n");
        root.Write("usr/share/waybill/template/t1/CFG.INI", "[INFO]\r\nTMP_NAME=ready\r\n");
        root.Write("usr/share/waybill/template/t1/1.fr3", "<TfrxReport/>");
        root.Write("usr/share/waybill/orders/demo-orders.csv", "a,b\r\n");
        QDir().mkpath(root.FilePath("usr/bin"));
        return root.FilePath("usr/share/waybill");
    }

private slots:
    void packagedDataOnlyForAnInstalledProgram()
    {
        TestHome root;
        const QString data = MakePrefix(root);
        QCOMPARE(PackagedData(root.FilePath("usr/bin")), data);
        // A program folder of its own (out/waybill) keeps using itself, even when named bin.
        root.Write("usr/bin/config/PRINTER.INI", "");
        QCOMPARE(PackagedData(root.FilePath("usr/bin")), QString());
        QCOMPARE(PackagedData(root.FilePath("build/cli")), QString());
        QCOMPARE(PackagedData(root.FilePath("usr/lib")), QString());
    }

    void firstStartSeedsAnEmptyFolderOnce()
    {
        TestHome root;
        const QString data = MakePrefix(root);
        QFile::setPermissions(data + "/template/t1/CFG.INI", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        const QString user = root.FilePath("data/waybill");
        QString error;
        QVERIFY2(SeedProgramHome(data, user, &error), qPrintable(error));
        QCOMPARE(root.Read("data/waybill/template/t1/1.fr3"), QByteArray("<TfrxReport/>"));
        QCOMPARE(root.Read("data/waybill/orders/demo-orders.csv"), QByteArray("a,b\r\n"));
        QVERIFY(QFileInfo::exists(user + "/config/PRINTER.INI"));
        // The font table stays the program's own; the user's copies are theirs to change.
        QVERIFY(!QFileInfo::exists(user + "/config/fonts.ini"));
        QVERIFY(QFileInfo(user + "/template/t1/CFG.INI").permissions() & QFile::WriteOwner);

        // A ready template the user deleted is not brought back at the next start.
        QVERIFY(QDir(user + "/template/t1").removeRecursively());
        QVERIFY(SeedProgramHome(data, user, &error));
        QVERIFY(!QFileInfo::exists(user + "/template/t1"));
    }

    void halfSeededFolderGetsOnlyWhatIsMissing()
    {
        TestHome root;
        const QString data = MakePrefix(root);
        root.Write("data/waybill/template/t1/CFG.INI", "[INFO]\r\nTMP_NAME=mine\r\n");
        root.Write("data/waybill/config/PRINTER.INI", "[SYS]\r\nVAR_CURR_PRINTER=Office\r\n");
        QString error;
        QVERIFY2(SeedProgramHome(data, root.FilePath("data/waybill"), &error), qPrintable(error));
        QCOMPARE(root.Read("data/waybill/template/t1/CFG.INI"), QByteArray("[INFO]\r\nTMP_NAME=mine\r\n"));
        QCOMPARE(root.Read("data/waybill/config/PRINTER.INI"), QByteArray("[SYS]\r\nVAR_CURR_PRINTER=Office\r\n"));
        QCOMPARE(root.Read("data/waybill/template/t1/1.fr3"), QByteArray("<TfrxReport/>"));
    }

    void unwritableFolderIsReportedAndNothingChanges_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder is a file") << "file";
        QTest::newRow("parent is a file") << "under-file";
        QTest::newRow("read-only parent") << "read-only";
    }
    void unwritableFolderIsReportedAndNothingChanges()
    {
        QFETCH(QString, kind);
        TestHome root;
        const QString data = MakePrefix(root);
        QString user = root.FilePath("data/waybill");
        if (kind == "file") {
            root.Write("data/waybill", "keep");
        } else if (kind == "under-file") {
            root.Write("data", "keep");
        } else {
            if (::geteuid() == 0)
                QSKIP("root writes into read-only folders");
            QDir().mkpath(root.FilePath("data"));
            QFile::setPermissions(root.FilePath("data"), QFile::ReadOwner | QFile::ExeOwner);
        }
        QString error;
        QVERIFY(!SeedProgramHome(data, user, &error));
        QVERIFY2(error.contains(root.FilePath("data")), qPrintable(error));
        QFile::setPermissions(root.FilePath("data"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (kind != "read-only")
            QCOMPARE(root.Read(kind == "file" ? "data/waybill" : "data"), QByteArray("keep"));
    }

    void homeThatIsAFileIsReported()
    {
        TestHome root;
        const QString file = root.Write("not-a-folder", "keep");
        QString error;
        QCOMPARE(FindProgramHome(file, &error), file);
        QVERIFY2(error.contains("not-a-folder") && error.contains("not a folder"), qPrintable(error));
        QCOMPARE(root.Read("not-a-folder"), QByteArray("keep"));
        // A folder that does not exist yet is simply used (empty catalogue), as before.
        QCOMPARE(FindProgramHome(root.FilePath("new"), &error), root.FilePath("new"));
        QVERIFY(error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProgramHome)
#include "tst_programhome.moc"

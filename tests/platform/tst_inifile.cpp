#include "platform/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestIniFile : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString Write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    QByteArray Read(const QString &path)
    {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void readsIgnoringCaseAndTrimming()
    {
        const QString path = Write("a.ini", "; comment\r\n[Sys]\r\n  Key = value with blanks  \r\nQ=\"quoted\"\r\n"
                                            "garbage line without equals\r\n[Other]\r\nKEY=other\r\n[SYS]\r\nkey=second\r\n");
        const IniFile ini(path);
        QCOMPARE(ini.ReadString("SYS", "key", "d"), QString("value with blanks"));
        QCOMPARE(ini.ReadString("sys", "q", "d"), QString("quoted"));
        QCOMPARE(ini.ReadString("other", "Key", "d"), QString("other"));
        QCOMPARE(ini.ReadString("SYS", "missing", "d"), QString("d"));
        QCOMPARE(ini.ReadString("Nope", "key", "d"), QString("d"));
        QCOMPARE(IniFile(m_dir.filePath("none.ini")).ReadString("SYS", "key", "d"), QString("d"));
        QCOMPARE(ini.ReadSection("sys"), QStringList({"Key", "Q"}));
    }

    void readsLongValuesUpTo2047()
    {
        const QString path = Write("long.ini", "[S]\nk=" + QByteArray(5000, 'x') + "\n");
        QCOMPARE(IniFile(path).ReadString("S", "k", "").size(), 2047);
    }

    void integers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << "42" << 42;
        QTest::newRow("negative") << "-25" << -25;
        QTest::newRow("plus") << "+7" << 7;
        QTest::newRow("hex") << "0x10" << 16;
        QTest::newRow("hex upper") << "0XfF" << 255;
        QTest::newRow("bare 0x") << "0x" << 99;
        QTest::newRow("letters") << "abc" << 99;
        QTest::newRow("decimal point") << "12.5" << 99;
        QTest::newRow("trailing text") << "12abc" << 99;
        QTest::newRow("empty") << "" << 99;
        QTest::newRow("too big") << "99999999999" << 99;
    }
    void integers()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const QString path = Write("int.ini", "[S]\r\nk=" + text.toUtf8() + "\r\n");
        QCOMPARE(IniFile(path).ReadInteger("S", "k", 99), expected);
    }

    void writesInPlaceAppendingAndKeepingOtherLines()
    {
        const QString path = Write("w.ini", "; keep me\r\n[SYS]\r\nVAR_CURR_HAO=1\r\n\r\n[Other]\r\nx=1\r\n");
        IniFile ini(path);
        ini.WriteString("sys", "var_curr_hao", "-25");
        ini.WriteString("SYS", "VAR_CURR_PRINTER", "Laser");
        ini.WriteString("New", "k", "v");
        QCOMPARE(Read(path), QByteArray("; keep me\r\n[SYS]\r\nvar_curr_hao=-25\r\nVAR_CURR_PRINTER=Laser\r\n\r\n"
                                        "[Other]\r\nx=1\r\n[New]\r\nk=v\r\n"));
        QCOMPARE(IniFile(path).ReadInteger("SYS", "VAR_CURR_HAO", 0), -25);
    }

    void keepsTheEncodingOfTheFile_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<QByteArray>("expected");
        const QString name = QString::fromUtf8("顺丰");
        const QByteArray gbOld = QByteArray("[INFO]\r\nTMP_NAME=") + QByteArray("\xd5\xc5\xc8\xfd") + "\r\n";   // 张三
        QTest::newRow("gb18030") << gbOld << QByteArray("[INFO]\r\nTMP_NAME=\xcb\xb3\xb7\xe1\r\n");
        QTest::newRow("utf-8") << QByteArray("[INFO]\nTMP_NAME=圆通\n")
                               << QByteArray("[INFO]\nTMP_NAME=顺丰\n");
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF[INFO]\r\nTMP_NAME=x\r\n")
                                   << QByteArray("\xEF\xBB\xBF[INFO]\r\nTMP_NAME=顺丰\r\n");
        QTest::newRow("utf-16le") << QByteArray("\xFF\xFE[\0I\0N\0F\0O\0]\0\r\0\n\0", 18)
                                  << QByteArray("\xFF\xFE[\0I\0N\0F\0O\0]\0\r\0\n\0T\0M\0P\0_\0N\0A\0M\0E\0=\0\x7a\x98\x30\x4e\r\0\n\0",
                                                44);
    }
    void keepsTheEncodingOfTheFile()
    {
        QFETCH(QByteArray, original);
        QFETCH(QByteArray, expected);
        const QString path = Write("enc.ini", original);
        IniFile ini(path);
        ini.WriteString("INFO", "TMP_NAME", QString::fromUtf8("顺丰"));
        QCOMPARE(Read(path), expected);
        QCOMPARE(IniFile(path).ReadString("info", "tmp_name", ""), QString::fromUtf8("顺丰"));
    }

    // A UTF-8 byte-order mark says text, whatever zero bytes follow it: a file that read as text
    // because its zeros looked like UTF-16 stays readable once a write has changed that look.
    void aByteOrderMarkSaysText()
    {
        const QByteArray original("\xEF\xBB\xBFx[\0I\0N\0F\0O\0]\0", 16);
        const QString path = Write("bom.ini", original);
        IniFile ini(path);
        QVERIFY(ini.Problem().isEmpty());
        ini.WriteString("INFO", "TMP_NAME", QString::fromUtf8("顺丰"));
        QVERIFY(Read(path).startsWith(original));
        IniFile again(path);
        QCOMPARE(again.ReadString("INFO", "TMP_NAME", ""), QString::fromUtf8("顺丰"));
        QVERIFY(again.Problem().isEmpty());
    }

    void newFileIsWrittenInTheLegacyCodePage()
    {
        const QString path = m_dir.filePath("new/CFG.INI");
        QDir().mkpath(m_dir.filePath("new"));
        IniFile(path).WriteString("INFO", "TMP_NAME", QString::fromUtf8("顺丰"));
        QCOMPARE(Read(path), QByteArray("[INFO]\r\nTMP_NAME=\xcb\xb3\xb7\xe1\r\n"));
    }

    void failedWriteRaisesAndChangesNothing()
    {
        IniFile ini(m_dir.filePath("missing-folder/PRINTER.INI"));
        try {
            ini.WriteStrings("SYS", {{"A", "1"}, {"B", "2"}});
            QFAIL("no error raised");
        } catch (const EFileError &e) {
            QCOMPARE(e.Message(), QString("Unable to write to %1").arg(m_dir.filePath("missing-folder/PRINTER.INI")));
        }
        QCOMPARE(ini.ReadString("SYS", "A", "none"), QString("none"));
    }

    // A settings file holding a password becomes its owner's alone when written; others keep
    // their mode.
    void aFileWithAPasswordIsPrivate()
    {
        const auto mode = [](const QString &path) { return int(QFileInfo(path).permissions() & 0x0077); };
        const QString plain = Write("plain.ini", "[SYS]\r\nA=1\r\n");
        QFile::setPermissions(plain, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                         QFileDevice::ReadOther);
        IniFile(plain).WriteString("SYS", "B", "2");
        QCOMPARE(mode(plain), 0x0044); // group and others may still read it
        const QString secret = Write("secret.ini", "[AUTO]\r\nUSERNAME=me\r\n");
        IniFile(secret).WriteString("AUTO", "PASSWORD", "hunter2");
        QCOMPARE(mode(secret), 0);
        QCOMPARE(IniFile(secret).ReadString("AUTO", "PASSWORD", ""), QString("hunter2"));
    }

    void sectionValuesInOnePass()
    {
        const QString path = Write("cols.ini", "[OrderColumn]\r\nC_1=a\r\nc_2 = \"b\"\r\nC_1=later\r\n[SYS]\r\nC_3=x\r\n");
        const QHash<QString, QString> values = IniFile(path).ReadSectionValues("ordercolumn");
        QCOMPARE(values.size(), 2);
        QCOMPARE(values.value("c_1"), QString("a")); // the first line of a key wins, as in ReadString
        QCOMPARE(values.value("c_2"), QString("b"));
        QVERIFY(IniFile(path).ReadSectionValues("none").isEmpty());
    }

    // What is not a settings file reads as empty (a device would be read for ever) and says why;
    // it is never replaced by a write.
    void notASettingsFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("problem");
        QTest::newRow("device") << "/dev/zero" << "not a regular file";
        QTest::newRow("pipe") << "FIFO" << "not a regular file";
        QTest::newRow("folder") << "FOLDER" << "not a regular file";
        QTest::newRow("binary") << "BINARY" << "not a text file (binary data with NUL bytes)";
        QTest::newRow("missing") << "MISSING" << "";
    }
    void notASettingsFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, problem);
        if (path == "FOLDER")
            path = m_dir.path();
        else if (path == "BINARY")
            path = Write("binary.ini", QByteArray("[SYS]\r\nA=1\0\0\0\x01\x02", 15));
        else if (path == "MISSING")
            path = m_dir.filePath("missing.ini");
        else if (path == "FIFO") {
            path = m_dir.filePath("pipe.ini");
            if (!QFileInfo::exists(path) && mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
                QSKIP("no named pipes here");
        }
        else if (!QFileInfo::exists(path))
            QSKIP("no such device here");
        const IniFile ini(path);
        QCOMPARE(ini.ReadString("SYS", "A", "default"), QString("default"));
        QCOMPARE(ini.Problem(), problem);
        if (path.endsWith("pipe.ini")) {
            IniFile writable(path);
            QVERIFY_THROWS_EXCEPTION(EFileError, writable.WriteString("SYS", "A", "1"));
            QVERIFY(!QFileInfo(path).isFile());
        }
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"

// Files named by a layout or a template folder from a stranger: only regular files inside the
// folders are read; links out of them, pipes and devices are not, and a name outside the folders
// tells nothing about whether such a file exists.
#include "platform/ConfinedFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestConfinedFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_folder; // the template's folder
    QString m_outside;

    QString Write(const QString &path, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return path;
    }

private slots:
    void initTestCase()
    {
        m_folder = m_root.filePath("template/t1");
        m_outside = m_root.filePath("outside");
        Write(m_folder + "/unit.pas", "begin end.");
        Write(m_folder + "/sub/deep.pas", "deep");
        Write(m_outside + "/secret.txt", "secret");
        QVERIFY(QFile::link(m_folder + "/unit.pas", m_folder + "/link-in"));
        QVERIFY(QFile::link(m_outside + "/secret.txt", m_folder + "/link-out"));
        QVERIFY(QFile::link("../../outside/secret.txt", m_folder + "/relative-link-out"));
        QVERIFY(QFile::link("/dev/zero", m_folder + "/link-zero"));
        QVERIFY(QFile::link(m_outside, m_folder + "/folder-out"));
        QVERIFY(QFile::link(m_outside + "/missing.txt", m_folder + "/dangling-out"));
        QVERIFY(QFile::link(m_folder + "/not-yet.pas", m_folder + "/dangling-in"));
        QVERIFY(::mkfifo(QFile::encodeName(m_folder + "/pipe").constData(), 0600) == 0);
        // Large without taking the disk: a sparse file.
        QFile big(m_folder + "/big.pas");
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(2 * 1024 * 1024));
    }

    void readsOnlyRegularFilesInsideTheFolders_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // empty: refused
        QTest::addColumn<QString>("why");
        const QString outside = "not a file of the template's folder";
        QTest::newRow("relative") << "unit.pas" << QByteArray("begin end.") << "";
        QTest::newRow("in a sub-folder, Windows separator") << "sub\\deep.pas" << QByteArray("deep") << "";
        QTest::newRow("absolute inside") << m_folder + "/unit.pas" << QByteArray("begin end.") << "";
        QTest::newRow("link inside the folder") << "link-in" << QByteArray("begin end.") << "";
        QTest::newRow("absolute outside") << m_outside + "/secret.txt" << QByteArray() << outside;
        QTest::newRow("missing outside") << m_outside + "/missing.txt" << QByteArray() << outside;
        QTest::newRow("system file") << "/etc/passwd" << QByteArray() << outside;
        QTest::newRow("up and out") << "../../outside/secret.txt" << QByteArray() << outside;
        QTest::newRow("missing inside") << "nothing.pas" << QByteArray() << outside;
        QTest::newRow("link out") << "link-out" << QByteArray() << outside;
        QTest::newRow("relative link out") << "relative-link-out" << QByteArray() << outside;
        QTest::newRow("through a linked folder") << "folder-out/secret.txt" << QByteArray() << outside;
        QTest::newRow("dangling link out") << "dangling-out" << QByteArray() << outside;
        QTest::newRow("device") << "/dev/zero" << QByteArray() << outside;
        QTest::newRow("link to a device") << "link-zero" << QByteArray() << outside;
        QTest::newRow("pipe inside") << "pipe" << QByteArray() << "not a regular file";
        QTest::newRow("folder inside") << "sub" << QByteArray() << "not a regular file";
        QTest::newRow("too large") << "big.pas" << QByteArray() << "larger than 1 MB";
        QTest::newRow("empty name") << "" << QByteArray() << outside;
    }

    void readsOnlyRegularFilesInsideTheFolders()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, why);
        QElapsedTimer clock;
        clock.start();
        QByteArray bytes;
        QString reason, found;
        const bool read = ConfinedFile::Read(name, {m_folder}, 1024 * 1024, bytes, reason, &found);
        QCOMPARE(read, !content.isEmpty());
        QCOMPARE(bytes, content);
        QCOMPARE(reason, read ? QString() : why);
        if (read)
            QVERIFY(found.startsWith(QFileInfo(m_folder).canonicalFilePath() + "/"));
        QVERIFY(clock.elapsed() < 5000); // a pipe is never waited on
    }

    // A second folder (the program's template tree) widens what may be read, nothing more.
    void aSecondFolderIsSearchedToo()
    {
        QByteArray bytes;
        QString why;
        const QString tree = m_root.filePath("template");
        QVERIFY(ConfinedFile::Read("t1/sub/deep.pas", {m_folder + "/sub", tree}, 100, bytes, why));
        QCOMPARE(bytes, QByteArray("deep"));
        QVERIFY(!ConfinedFile::Read("../outside/secret.txt", {m_folder, tree}, 100, bytes, why));
        QVERIFY(!ConfinedFile::Read("unit.pas", {}, 100, bytes, why));
        QCOMPARE(why, ConfinedFile::OutsideReason());
    }

    void linksLeavingTheirFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("leaves");
        QTest::newRow("plain file") << "unit.pas" << false;
        QTest::newRow("new file") << "new.fr3" << false;
        QTest::newRow("link inside") << "link-in" << false;
        QTest::newRow("dangling link inside") << "dangling-in" << false;
        QTest::newRow("link out") << "link-out" << true;
        QTest::newRow("relative link out") << "relative-link-out" << true;
        QTest::newRow("dangling link out") << "dangling-out" << true;
        QTest::newRow("link to a device") << "link-zero" << true;
    }

    void linksLeavingTheirFolder()
    {
        QFETCH(QString, name);
        QFETCH(bool, leaves);
        QCOMPARE(ConfinedFile::LeavesItsFolder(m_folder + "/" + name), leaves);
    }

    void realPathFollowsDanglingLinks()
    {
        QCOMPARE(ConfinedFile::RealPath(m_folder + "/dangling-out"),
                 QFileInfo(m_outside).canonicalFilePath() + "/missing.txt");
        QCOMPARE(ConfinedFile::RealPath(m_folder + "/sub/../unit.pas"),
                 QFileInfo(m_folder).canonicalFilePath() + "/unit.pas");
        QVERIFY(QFile::link(m_folder + "/circle-b", m_folder + "/circle-a"));
        QVERIFY(QFile::link(m_folder + "/circle-a", m_folder + "/circle-b"));
        QCOMPARE(ConfinedFile::RealPath(m_folder + "/circle-a"), QString());
        QVERIFY(ConfinedFile::LeavesItsFolder(m_folder + "/circle-a"));
    }
};

QTEST_GUILESS_MAIN(TestConfinedFile)
#include "tst_confinedfile.moc"

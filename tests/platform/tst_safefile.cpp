// Files read and written whole: only regular files of a bounded size are read, outputs never
// replace a device or a pipe, and an output replaces the old file only once it is complete.
#include "platform/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestSafeFile : public QObject {
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
    QString Fifo()
    {
        const QString path = m_dir.filePath("pipe");
        if (!QFileInfo::exists(path) && mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
            return QString();
        return path;
    }

private slots:
    // Reading /dev/zero or a pipe used to go on for ever.
    void readsOnlyRegularFilesOfBoundedSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("why"); // empty: read
        QTest::newRow("file") << "small" << qint64(16) << "";
        QTest::newRow("file at the limit") << "small" << qint64(5) << "";
        QTest::newRow("too large") << "small" << qint64(4) << "larger than 4 bytes";
        QTest::newRow("too large, in megabytes") << "big" << SafeFile::MB << "larger than 1 MB";
        QTest::newRow("device") << "/dev/zero" << qint64(16) << "not a regular file";
        QTest::newRow("pipe") << "FIFO" << qint64(16) << "not a regular file";
        QTest::newRow("folder") << "FOLDER" << qint64(16) << "not a regular file";
    }
    void readsOnlyRegularFilesOfBoundedSize()
    {
        QFETCH(QString, path);
        QFETCH(qint64, limit);
        QFETCH(QString, why);
        if (path == "small")
            path = Write("small", "hello");
        else if (path == "big")
            path = Write("big", QByteArray(SafeFile::MB + 1, 'x'));
        else if (path == "FIFO")
            path = Fifo();
        else if (path == "FOLDER")
            path = m_dir.path();
        if (path.isEmpty() || !QFileInfo::exists(path))
            QSKIP("not available here");
        QByteArray bytes;
        QString reason;
        QCOMPARE(SafeFile::ReadRegularFile(path, limit, bytes, reason), why.isEmpty());
        QCOMPARE(reason, why);
        QCOMPARE(bytes, why.isEmpty() ? QByteArray("hello") : QByteArray());
    }

    void outputsNeverReplaceDevicesOrPipes()
    {
        QCOMPARE(SafeFile::OutputProblem(m_dir.filePath("new.pdf")), QString());
        QCOMPARE(SafeFile::OutputProblem(Write("old.pdf", "x")), QString());
        QCOMPARE(SafeFile::OutputProblem(QString()), QString("no file name"));
        QCOMPARE(SafeFile::OutputProblem(m_dir.path()), QString("not a regular file"));
        const QString fifo = Fifo();
        if (fifo.isEmpty())
            QSKIP("no named pipes here");
        QString why;
        QVERIFY(!SafeFile::WriteWhole(fifo, "data", why));
        QCOMPARE(why, QString("not a regular file"));
        SafeFile::OutputFile output(fifo);
        QVERIFY(!output.Open(why));
        struct stat info {};
        QVERIFY(::stat(QFile::encodeName(fifo).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
    }

    // The old file stays as it was until the new one is complete; nothing is left beside it.
    void outputReplacesOnlyWhenCommitted()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath("out.pdf");
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous");
        old.close();
        QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
        const auto entries = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); };
        QString why;
        {
            SafeFile::OutputFile output(target);
            QVERIFY(output.Open(why));
            QCOMPARE(QFileInfo(output.TempPath()).absolutePath(), QFileInfo(target).absolutePath());
            QFile temp(output.TempPath());
            QVERIFY(temp.open(QIODevice::WriteOnly));
            temp.write("half a docu");
            // Not committed: an interrupted run.
        }
        QCOMPARE(Read(target), QByteArray("previous"));
        QCOMPARE(entries(), QStringList{"out.pdf"});
        {
            SafeFile::OutputFile output(target);
            QVERIFY(output.Open(why));
            QFile temp(output.TempPath());
            QVERIFY(temp.open(QIODevice::WriteOnly));
            temp.write("new document");
            temp.close();
            QVERIFY2(output.Commit(why), qPrintable(why));
        }
        QCOMPARE(Read(target), QByteArray("new document"));
        QCOMPARE(entries(), QStringList{"out.pdf"});
        QCOMPARE(QFileInfo(target).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::ReadGroup);
        QVERIFY(SafeFile::WriteWhole(target, "whole", why));
        QCOMPARE(Read(target), QByteArray("whole"));
    }
    // Who may read what is written: a private file is the owner's alone, a replaced file keeps the
    // old one's mode (QFileInfo's permissions would make a read-only file writable for root).
    void modesOfWrittenFiles()
    {
        QTemporaryDir dir;
        const auto mode = [](const QString &path) {
            struct stat info {};
            ::stat(QFile::encodeName(path).constData(), &info);
            return int(info.st_mode & 07777);
        };
        QString why;
        const QString secret = dir.filePath("orders.csv");
        QVERIFY(SafeFile::WriteWhole(secret, "names", why, SafeFile::Access::Private));
        QCOMPARE(mode(secret), 0600);
        ::chmod(QFile::encodeName(secret).constData(), 0644);
        QVERIFY(SafeFile::WriteWhole(secret, "names", why, SafeFile::Access::Private));
        QCOMPARE(mode(secret), 0600);
        const QString readOnly = dir.filePath("out.pdf");
        QVERIFY(SafeFile::WriteWhole(readOnly, "one", why));
        QCOMPARE(mode(readOnly), 0644);
        ::chmod(QFile::encodeName(readOnly).constData(), 0444);
        QVERIFY(SafeFile::WriteWhole(readOnly, "two", why));
        QCOMPARE(mode(readOnly), 0444);
        QCOMPARE(Read(readOnly), QByteArray("two"));
        // Made private in place: only the owner's rights stay.
        ::chmod(QFile::encodeName(readOnly).constData(), 0664);
        QVERIFY(SafeFile::MakePrivate(readOnly));
        QCOMPARE(mode(readOnly), 0600);
    }

    // What a killed run left is removed after a day; other hidden files stay.
    void staleTemporariesGo()
    {
        QTemporaryDir dir;
        const auto make = [&](const QString &name, qint64 ageSeconds) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds), QFileDevice::FileModificationTime));
        };
        make(".out.pdf.aB3dE9", 2 * 86400);
        make(".out.pdf.Zz9yY8", 60);
        make(".out.pdf.short", 2 * 86400);
        make(".notes.txt.aB3dE9", 2 * 86400);
        make("out.pdf.aB3dE9", 2 * 86400);
        QCOMPARE(SafeFile::RemoveStaleTemporaries(dir.path(), {".pdf"}, 86400), 1);
        QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        left.sort();
        QCOMPARE(left, (QStringList{".notes.txt.aB3dE9", ".out.pdf.Zz9yY8", ".out.pdf.short", "out.pdf.aB3dE9"}));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"

// Files read and written whole: only regular files of a bounded size are read, outputs never
// replace a device or a pipe, and an output replaces the old file only once it is complete.
#include "platform/SafeFile.h"

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
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"

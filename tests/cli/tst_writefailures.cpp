// Outputs that cannot be written, and outputs written over existing files: a full disk is named as
// such with the file the seller asked for (exit 1, nothing left behind, the old file untouched), and
// a replaced file keeps its mode and owner.
#include "TestHome.h"

#include <QProcess>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

struct stat Stat(const QString &path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

struct Result {
    int Code = -1;
    QString Out, Err;
};

// The program itself: what the print job says goes to its own stderr.
Result RunCli(const QStringList &args)
{
    QProcess cli;
    cli.start(QStringLiteral(WAYBILL_CLI), args);
    Result r;
    if (!cli.waitForFinished(120000))
        return r;
    r.Code = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    r.Out = QString::fromUtf8(cli.readAllStandardOutput());
    r.Err = QString::fromUtf8(cli.readAllStandardError());
    return r;
}

} // namespace

class TestWriteFailures : public QObject {
    Q_OBJECT

    TestHome m_home;
    QString m_orders = Data("orders/demo-orders.csv");
    QString m_layout = Data("template/t20261201090001/20261201090001.fr3");

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::copy(Data("config/PRINTER.INI"), m_home.FilePath("config/PRINTER.INI")));
        const QString folder = "template/t20261201090001";
        QVERIFY(QDir().mkpath(m_home.FilePath(folder)));
        for (const QString &name : QDir(Data(folder)).entryList(QDir::Files))
            QVERIFY(QFile::copy(Data(folder + "/" + name), m_home.FilePath(folder + "/" + name)));
    }

    // A small disk of its own (tmpfs), filled to different levels before the write.
    void aFullDiskIsNamed_data()
    {
        QTest::addColumn<QStringList>("args"); // OUT stands for the output on the small disk
        QTest::addColumn<int>("freeKb");       // room left on it when the command starts
        const QStringList pdf{"print", "--orders", m_orders, "--template", "0", "--rows", "1-5", "--pdf", "OUT"};
        const QStringList png{"print", "--orders", m_orders, "--template", "0", "--png", "OUT"};
        const QStringList resave{"layout", "resave", m_layout, "OUT"};
        for (int freeKb : {0, 3, 12}) {
            QTest::addRow("pdf, %d KB free", freeKb) << pdf << freeKb;
            QTest::addRow("png, %d KB free", freeKb) << png << freeKb;
            QTest::addRow("layout, %d KB free", freeKb) << resave << freeKb;
        }
    }

    void aFullDiskIsNamed()
    {
        QFETCH(QStringList, args);
        QFETCH(int, freeKb);
        QTemporaryDir mountPoint;
        const QByteArray where = QFile::encodeName(mountPoint.path());
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, "size=256k") != 0)
            QSKIP("a small disk cannot be mounted here (needs root)");
        struct Unmount {
            QByteArray path;
            ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
        } unmount{where};
        // The old output, then a filler that leaves freeKb.
        const QString out = mountPoint.filePath("out.file");
        QFile old(out);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous");
        old.close();
        QFile filler(mountPoint.filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(1024, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        // Room made again down to freeKb (tmpfs gives room in pages of 4 KB).
        QVERIFY(filler.resize(std::max<qint64>(0, filler.size() - freeKb * 1024)));

        args.replace(args.indexOf("OUT"), out);
        const Result r = RunCli(QStringList{"--home", m_home.Path()} + args);
        QCOMPARE(r.Code, 1);
        QVERIFY2(r.Err.contains(out) && r.Err.contains("the disk is full"), qPrintable(r.Err));
        QVERIFY2(!r.Err.contains(".out.file."), qPrintable(r.Err)); // not the temporary file
        QVERIFY2(!r.Err.contains("Unknown error"), qPrintable(r.Err));
        QVERIFY(!r.Out.contains("printed"));
        QCOMPARE(ReadFile(out), QByteArray("previous"));
        QCOMPARE(Entries(mountPoint.path()), (QStringList{"filler", "out.file"}));
    }

    // A replaced output or layout keeps the old file's mode (a read-only file stays read-only)
    // and, where the process may give it, its owner.
    void replacingKeepsModeAndOwner_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("mode");
        QTest::newRow("pdf, 444") << QStringList{"print", "--orders", m_orders, "--template", "0", "--rows", "1",
                                                 "--pdf", "OUT"}
                                  << 0444;
        QTest::newRow("png, 640") << QStringList{"print", "--orders", m_orders, "--template", "0", "--png", "OUT"}
                                  << 0640;
        QTest::newRow("layout, 444") << QStringList{"layout", "resave", m_layout, "OUT"} << 0444;
        QTest::newRow("layout, 600") << QStringList{"layout", "resave", m_layout, "OUT"} << 0600;
    }

    void replacingKeepsModeAndOwner()
    {
        QFETCH(QStringList, args);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString out = dir.filePath("out.file");
        QFile old(out);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous");
        old.close();
        QVERIFY(::chmod(QFile::encodeName(out).constData(), mode_t(mode)) == 0);
        const bool root = ::geteuid() == 0;
        if (root)
            QVERIFY(::chown(QFile::encodeName(out).constData(), 4321, 4321) == 0);
        args.replace(args.indexOf("OUT"), out);
        const Result r = RunCli(QStringList{"--home", m_home.Path()} + args);
        QVERIFY2(r.Code == 0, qPrintable(r.Err));
        QVERIFY(ReadFile(out) != QByteArray("previous"));
        const struct stat info = Stat(out);
        QCOMPARE(int(info.st_mode & 07777), mode);
        if (root) {
            QCOMPARE(int(info.st_uid), 4321);
            QCOMPARE(int(info.st_gid), 4321);
        }
        QCOMPARE(Entries(dir.path()), QStringList{"out.file"});
    }
};

QTEST_MAIN(TestWriteFailures)
#include "tst_writefailures.moc"

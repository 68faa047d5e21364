// Pictures by reference: FileLink names the picture file, directly or through an expression, and
// the builder loads it for every record; a file that is not there, or not in the layout's folder,
// leaves the picture empty and says so in the errors.

#include "engine/build/frxEngine.h"
#include "report/model/frxClass.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Fixture {
    TfrxReport report;
    TfrxUserDataSet fd;
    QStringList files;
    int row = 0;
    TfrxPictureView *picture;

    explicit Fixture(const QStringList &rows) : files(rows)
    {
        fd.SetName(QStringLiteral("frxUserDataSet1"));
        fd.SetUserName(QStringLiteral("FD"));
        fd.SetFields({QStringLiteral("Pic")});
        fd.SetRangeEnd(frx::reCount);
        fd.SetRangeEndCount(int(rows.size()));
        fd.OnFirst = [this](QObject *) { row = 0; };
        fd.OnNext = [this](QObject *) { ++row; };
        fd.OnGetValue = [this](const QString &field, Variant &value) {
            if (field == QLatin1String("Pic") && row < files.size())
                value = files[row];
        };
        report.Datasets()->Add(&fd);
        report.SetDataSet(&fd);
        report.EngineOptions()->SetNewSilentMode(frx::simSilent);
        report.EngineOptions()->SetDestroyForms(false);
        report.EnsureDataPage();
        auto *page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        picture = new TfrxPictureView(page);
        picture->SetName(QStringLiteral("Picture1"));
        picture->SetBounds(10, 10, 40, 40);
    }

    QSize PictureOn(int page)
    {
        auto *pages =
            static_cast<TfrxEngineMemoryPages *>(static_cast<TfrxEngine *>(report.Engine())->Output());
        auto *copy = qobject_cast<TfrxPictureView *>(pages->Page(page).Find(QStringLiteral("Picture1")));
        return copy ? QSize(copy->Picture().Width(), copy->Picture().Height()) : QSize(-1, -1);
    }
};

QString WritePng(const QTemporaryDir &dir, const QString &name, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString path = dir.filePath(name);
    image.save(path, "PNG");
    return path;
}

} // namespace

class tst_EngineLinks : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { frxRegisterEngine(); }

    void fileLinks()
    {
        QTemporaryDir dir;
        const QString small = WritePng(dir, QStringLiteral("small.png"), QSize(3, 2));
        const QString large = WritePng(dir, QStringLiteral("large.png"), QSize(7, 5));

        const QString layout = dir.filePath(QStringLiteral("layout.fr3"));
        // A fixed file for every record.
        {
            Fixture f({QString(), QString()});
            f.report.SetFileName(layout);
            f.picture->SetFileLink(small);
            QVERIFY(f.report.BuildPages());
            QCOMPARE(f.PictureOn(0), QSize(3, 2));
            QCOMPARE(f.PictureOn(1), QSize(3, 2));
        }
        // An expression: each record its own file; a missing one leaves the picture empty and is
        // named in the errors, the other pages are built.
        {
            Fixture f({small, dir.filePath(QStringLiteral("missing.png")), large});
            f.report.SetFileName(layout);
            f.picture->SetFileLink(QStringLiteral("[FD.\"Pic\"]"));
            f.report.BuildPages();
            QCOMPARE(f.report.Errors(),
                     QStringList{QStringLiteral("Picture1: cannot load the picture \"%1\" (not a file of the "
                                                "template's folder)")
                                     .arg(dir.filePath(QStringLiteral("missing.png")))});
            QCOMPARE(f.PictureOn(0), QSize(3, 2));
            QCOMPARE(f.PictureOn(1), QSize(0, 0));
            QCOMPARE(f.PictureOn(2), QSize(7, 5));
        }
        // A relative name is found beside the layout.
        {
            Fixture f({QString()});
            f.report.SetFileName(dir.filePath(QStringLiteral("layout.fr3")));
            f.picture->SetFileLink(QStringLiteral("large.png"));
            QVERIFY(f.report.BuildPages());
            QCOMPARE(f.PictureOn(0), QSize(7, 5));
        }
    }

    // A layout from a stranger prints no picture from outside its folder: not by an absolute name,
    // not by climbing out, not through a link in its folder, and not without a folder at all. The
    // error is the same whether the outside file exists or not.
    void picturesOutsideTheLayoutsFolderAreNotLoaded()
    {
        QTemporaryDir outside, folder;
        const QString secret = WritePng(outside, QStringLiteral("secret.png"), QSize(4, 4));
        QVERIFY(QFile::link(secret, folder.filePath(QStringLiteral("linked.png"))));
        const QString up = QDir(folder.path()).relativeFilePath(secret);
        const QStringList names{secret, up, QStringLiteral("linked.png"), outside.filePath(QStringLiteral("none.png")),
                                QStringLiteral("/dev/zero")};
        Fixture f(names);
        f.report.SetFileName(folder.filePath(QStringLiteral("layout.fr3")));
        f.picture->SetFileLink(QStringLiteral("[FD.\"Pic\"]"));
        f.report.BuildPages();
        QStringList expected;
        for (const QString &name : names) {
            expected << QStringLiteral("Picture1: cannot load the picture \"%1\" (not a file of the template's folder)")
                            .arg(name);
        }
        QStringList errors = f.report.Errors();
        errors.sort();
        expected.sort();
        QCOMPARE(errors, expected);
        for (int page = 0; page < names.size(); ++page)
            QCOMPARE(f.PictureOn(page), QSize(0, 0));

        // Without a layout file only the template tree is searched, and there is none here.
        Fixture bare({QString()});
        bare.picture->SetFileLink(secret);
        bare.report.BuildPages();
        QCOMPARE(bare.PictureOn(0), QSize(0, 0));
    }
};

QTEST_MAIN(tst_EngineLinks)
#include "tst_engine_links.moc"

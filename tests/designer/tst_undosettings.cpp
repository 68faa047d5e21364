// The undo buffer's snapshots and shared pictures, and the settings store's file.
#include "DesignerFixture.h"

#include "designer/settings/frxDesignerSettings.h"
#include "designer/undo/frxUndoBuffer.h"
#include "platform/IniFile.h"

#include <QBuffer>
#include <QImage>
#include <QTest>

namespace {

QByteArray LayoutBytes(TfrxReport &report)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    frxSaveToStream(report, &buffer);
    return bytes;
}

// A picture whose file is about `kb` kilobytes (noise does not compress).
TPicture NoisePicture(int kb)
{
    QImage image(kb * 1024 / 3 / 200 + 1, 200, QImage::Format_RGB888);
    quint32 seed = 12345;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            image.setPixel(x, y, seed >> 8);
        }
    TPicture picture;
    picture.SetImage(image);
    return picture;
}

} // namespace

class TestUndoSettings : public QObject {
    Q_OBJECT
private slots:
    void snapshotsGoBackAndForth()
    {
        DesignerFixture f;
        TfrxUndoBuffer undo;
        QVERIFY(undo.AddUndo(*f.report));
        const QByteArray first = LayoutBytes(*f.report);
        // The same state again is not a new step.
        QVERIFY(!undo.AddUndo(*f.report));
        QCOMPARE(undo.UndoCount(), 1);
        QVERIFY(!undo.Undo(*f.report));

        f.report->FindObject("Memo1")->SetLeft(100);
        QVERIFY(undo.AddUndo(*f.report));
        const QByteArray second = LayoutBytes(*f.report);
        undo.AddRedo(*f.report);
        QVERIFY(undo.Undo(*f.report));
        QCOMPARE(LayoutBytes(*f.report), first);
        QCOMPARE(undo.UndoCount(), 1);
        QVERIFY(undo.Redo(*f.report));
        QCOMPARE(LayoutBytes(*f.report), second);
        QCOMPARE(undo.RedoCount(), 0);
        // The host's dataset is still the report's after a snapshot was loaded.
        QCOMPARE(f.report->DataSet(), f.fd);
    }

    void picturesAreHeldOnceAndSurvive()
    {
        DesignerFixture f;
        auto *page = qobject_cast<TfrxReportPage *>(f.report->FindObject("Page1"));
        const TPicture background = NoisePicture(600);
        QVERIFY(background.Data().size() > 500 * 1024);
        page->SetBackPicture(background);
        auto *picture = new TfrxPictureView(f.report);
        picture->SetParent(page);
        picture->SetName("Picture1");
        picture->SetBounds(0, 0, 50, 50);
        // The same bytes read again (as after opening a file) are the same picture.
        TPicture copy;
        QVERIFY(copy.LoadFromData(QByteArray(background.Data().constData(), background.Data().size())));
        picture->SetPicture(copy);

        TfrxUndoBuffer undo;
        for (int i = 0; i < 20; ++i) {
            f.report->FindObject("Memo1")->SetLeft(10 + i);
            QVERIFY(undo.AddUndo(*f.report));
        }
        QCOMPARE(undo.PictureBytes(), qint64(background.Data().size()));
        QVERIFY(undo.SnapshotBytes() < 20 * 8 * 1024);
        // The pictures stay in the objects while snapshots are taken, and come back with Undo.
        QCOMPARE(page->BackPicture(), background);
        for (int i = 0; i < 5; ++i)
            QVERIFY(undo.Undo(*f.report));
        page = qobject_cast<TfrxReportPage *>(f.report->FindObject("Page1"));
        QCOMPARE(page->BackPicture(), background);
        QCOMPARE(qobject_cast<TfrxPictureView *>(f.report->FindObject("Picture1"))->Picture(), background);
        QCOMPARE(f.report->FindObject("Memo1")->Left(), 24.0);
    }

    void settingsFirstRun()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        TfrxDesignerSettings settings("\\Software\\Tavrel");
        QCOMPARE(settings.FileName(), config.filePath("Tavrel.ini"));
        const TfrxDesignerState state = settings.Restore();
        QVERIFY(state.Maximized);
        QVERIFY(state.EditAfterInsert);
        QCOMPARE(state.Units, 0);
        QCOMPARE(state.Grid1, 0.1);
        QCOMPARE(state.Scale, 1.0);
        // The built-in layout went into the store, in text form.
        QFile file(settings.FileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("[ToolBar4.StandardTB]"));
        QVERIFY(text.contains("Dock4=LeftDockSite2"));
    }

    void settingsRoundTripAndGarbage()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        TfrxDesignerSettings settings("\\Software\\Tavrel");
        TfrxDesignerState state;
        state.Scale = 1.5;
        state.Units = 2;
        state.EditAfterInsert = false;
        state.RecentFiles = {"/a/b c.fr3", "/x/\"q\",1.fr3", "/plain.fr3"};
        QVERIFY(settings.Save(state));
        IniFile ini(settings.FileName());
        QCOMPARE(ini.ReadString("Form4.TfrxDesignerForm", "Units", ""), QStringLiteral("2"));
        const TfrxDesignerState back = settings.Restore();
        QCOMPARE(back.Scale, 1.5);
        QCOMPARE(back.Units, 2);
        QVERIFY(!back.EditAfterInsert);
        QCOMPARE(back.RecentFiles, state.RecentFiles);

        // A store full of nonsense: the defaults, no crash.
        QFile file(settings.FileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Form4.TfrxDesignerForm]\r\nScale=zz\r\nUnits=77\r\nGrid1=-5\r\nRecentFiles="
                   "\"\"\"\r\n\x01\x02\xff garbage\r\n");
        file.close();
        const TfrxDesignerState garbage = settings.Restore();
        QCOMPARE(garbage.Scale, 1.0);
        QCOMPARE(garbage.Units, 0);
        QCOMPARE(garbage.Grid1, 0.1);
    }

    void settingsInAFolderThatCannotBeMade()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TfrxDesignerSettings settings(dir.filePath("file/sub/designer.ini"));
        QVERIFY(!settings.Save(TfrxDesignerState()));
        QCOMPARE(settings.Restore().Scale, 1.0);
    }
};

QTEST_MAIN(TestUndoSettings)
#include "tst_undosettings.moc"

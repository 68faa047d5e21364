// The designer window driven offscreen: closing with and without changes, saving and its
// failures, opening, undo and redo against the layout bytes, recent files, zoom, new report.
#include "DesignerFixture.h"
#include "ScriptedUi.h"

#include "designer/undo/frxUndoBuffer.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "report/model/frxBands.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
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

// Moves the selection one pixel right with the keyboard, as a user would (change on release).
void NudgeRight(TfrxDesignerForm &form, const QString &name)
{
    QVERIFY(form.SelectObject(name));
    QTest::keyClick(form.Workspace(), Qt::Key_Right, Qt::ControlModifier);
}

// What a user does in the search dialog: types the texts, sets "Case sensitive" and presses a
// button (by its object name).
std::function<void(QDialog &)> Fill(const QString &find, const QString &replacement, bool caseSensitive,
                                    const QString &button, bool fromTop = false)
{
    return [=](QDialog &dialog) {
        dialog.findChild<QLineEdit *>("FindEdit")->setText(find);
        if (auto *edit = dialog.findChild<QLineEdit *>("ReplaceEdit"))
            edit->setText(replacement);
        dialog.findChild<QCheckBox *>("CaseSensitiveBox")->setChecked(caseSensitive);
        if (fromTop)
            dialog.findChild<QCheckBox *>("SearchFromTopBox")->setChecked(true);
        QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);
    };
}

} // namespace

class TestDesignerWindow : public QObject {
    Q_OBJECT
private slots:
    void opensOnTheReport()
    {
        DesignerFixture f;
        TfrxDesignerForm form(f.report);
        QCOMPARE(form.TabCaptions(), QStringList({"Code", "Data", "Page1"}));
        QCOMPARE(form.windowTitle(), QStringLiteral("Tavrel - t.fr3"));
        QVERIFY(form.Page() && form.Page()->Name() == QLatin1String("Page1"));
        // Objects: every object of the page, then the report, then the page; the page selected.
        QCOMPARE(form.Objects().size(), 4);
        QCOMPARE(form.SelectedObjects(), QList<TfrxComponent *>{form.Page()});
        QVERIFY(!form.Action("UndoCmd")->isEnabled());
        QVERIFY(!form.Action("SaveCmd")->isEnabled());
        QCOMPARE(form.Action("OpenCmd")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(form.Action("ExitCmd")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
        QVERIFY(form.SelectObject("Memo2"));
        QCOMPARE(form.StatusText(2), QStringLiteral("Memo2: Tel [FD.\"电话\"]"));
        QCOMPARE(form.StatusText(0), QStringLiteral("Centimeters"));
    }

    void closeWithoutChangesAsksNothing()
    {
        DesignerFixture f;
        ScriptedUi ui;
        const QByteArray before = f.FileBytes();
        TfrxDesignerForm form(f.report);
        form.show();
        QSignalSpy closed(&form, &TfrxCustomDesigner::Closed);
        QVERIFY(form.close());
        QCOMPARE(closed.size(), 1);
        QVERIFY(ui.Shown.isEmpty());
        QVERIFY(!f.report->Modified());
        QCOMPARE(f.FileBytes(), before);
    }

    void closeAfterMove_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<bool>("written");
        QTest::newRow("Yes") << int(UiAnswer::Yes) << true << true;
        QTest::newRow("No") << int(UiAnswer::No) << true << false;
        QTest::newRow("Cancel") << int(UiAnswer::Cancel) << false << false;
    }
    void closeAfterMove()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(bool, written);
        DesignerFixture f;
        ScriptedUi ui;
        const QByteArray before = f.FileBytes();
        TfrxDesignerForm form(f.report);
        form.show();
        const double left = f.report->FindObject("Memo1")->Left();
        NudgeRight(form, "Memo1");
        QVERIFY(form.Modified());
        QVERIFY(form.Action("SaveCmd")->isEnabled());
        ui.Choices.enqueue(UiAnswer(answer));
        QCOMPARE(form.close(), closes);
        QCOMPARE(ui.Shown.size(), 1);
        QCOMPARE(ui.Shown[0].Text, QStringLiteral("Save changes to  t.fr3?"));
        QCOMPARE(ui.Shown[0].Caption, QStringLiteral("Confirm"));
        QCOMPARE(f.FileBytes() != before, written);
        // The report keeps the move whatever the answer.
        QCOMPARE(f.report->FindObject("Memo1")->Left(), left + 1);
        if (closes)
            QCOMPARE(f.report->Modified(), UiAnswer(answer) == UiAnswer::Yes);
        if (written) {
            TfrxReport reread;
            reread.EngineOptions()->SetNewSilentMode(frx::simSilent);
            frxLoadFromFile(reread, f.path);
            QCOMPARE(reread.FindObject("Memo1")->Left(), left + 1);
        }
    }

    void failedSaveKeepsWindowAndChanges()
    {
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        form.show();
        NudgeRight(form, "Memo1");
        // A folder that cannot take the file (missing here, read-only or full elsewhere).
        const QString target = f.dir.filePath("missing/folder/x.fr3");
        ui.FileNames.enqueue(target);
        QVERIFY(!form.SaveFile(true, true));
        QCOMPARE(ui.Shown.last().Caption, QStringLiteral("Error"));
        QVERIFY(form.Modified());
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(f.report->FileName(), f.path);
        // Closing now: Yes tries again, fails again, and the window stays with its changes.
        QDir(f.dir.path()).mkpath("ro");
        ui.Choices.enqueue(UiAnswer::Yes);
        f.report->SetFileName(f.dir.filePath("missing/y.fr3"));
        QVERIFY(!form.close());
        QVERIFY(form.Modified());
    }

    void saveDialogCancelledStopsEverything()
    {
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        form.show();
        f.report->SetFileName(QString());
        NudgeRight(form, "Memo1");
        // Close: Yes, then the save dialog is cancelled: nothing written, the window stays.
        ui.Choices.enqueue(UiAnswer::Yes);
        QVERIFY(!form.close());
        QCOMPARE(ui.FileFilters, QStringList({"Report (*.fr3)|*.fr3"}));
        // Open with the same answers: the report is not replaced.
        ui.FileNames.enqueue(f.path);
        ui.Choices.enqueue(UiAnswer::Yes);
        QVERIFY(!form.OpenFile());
        QCOMPARE(f.report->FindObject("Memo1")->Left(), 37.7953 + 1);
        // New Report likewise.
        ui.Choices.enqueue(UiAnswer::Yes);
        form.NewReport();
        QVERIFY(f.report->FindObject("Memo1"));
        QVERIFY(form.Modified());
    }

    void openDialogCancelledChangesNothing()
    {
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        const QByteArray before = LayoutBytes(*f.report);
        QVERIFY(!form.OpenFile());
        QVERIFY(ui.Shown.isEmpty());
        QCOMPARE(LayoutBytes(*f.report), before);
        QCOMPARE(f.report->FileName(), f.path);
    }

    void openMissingAndDamagedFiles()
    {
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        QVERIFY(!form.OpenFile(f.dir.filePath("nothing.fr3"), true));
        QCOMPARE(ui.Shown.last().Text, QStringLiteral("Couldn't load file"));
        QCOMPARE(form.TabCaptions(), QStringList({"Code", "Data", "Page1"}));
        // The order dataset stays with the report.
        QCOMPARE(f.report->Datasets()->Count(), 1);

        // A damaged file: nothing of it loads, and saving over it is asked first.
        const QString damaged = f.dir.filePath("damaged.fr3");
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?><TfrxReport><Tfrx\x01\x02 garbage");
        file.close();
        ui.Clear();
        form.OpenFile(damaged, true);
        QCOMPARE(form.TabCaptions(), QStringList({"Code", "Data", "Page1"}));
        form.SetModified(true);
        ui.Answers.enqueue(false);
        QVERIFY(!form.SaveFile(false, true));
        QVERIFY(ui.LastText().contains("could not be loaded"));
        QFile check(damaged);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QVERIFY(check.readAll().contains("garbage"));
    }

    void undoRedoFollowTheLayoutBytes()
    {
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        form.show();
        const QByteArray loaded = LayoutBytes(*f.report);
        NudgeRight(form, "Memo1");
        const QByteArray moved = LayoutBytes(*f.report);
        NudgeRight(form, "Memo2");
        const QByteArray movedTwice = LayoutBytes(*f.report);
        QVERIFY(loaded != moved && moved != movedTwice);
        QVERIFY(form.Action("UndoCmd")->isEnabled());

        form.Undo();
        QCOMPARE(LayoutBytes(*f.report), moved);
        form.Undo();
        QCOMPARE(LayoutBytes(*f.report), loaded);
        QVERIFY(!form.Action("UndoCmd")->isEnabled());
        QVERIFY(form.Action("RedoCmd")->isEnabled());
        form.Redo();
        QCOMPARE(LayoutBytes(*f.report), moved);
        form.Redo();
        QCOMPARE(LayoutBytes(*f.report), movedTwice);
        QVERIFY(!form.Action("RedoCmd")->isEnabled());

        // After a save, Undo still goes back one change, and marks the report changed again.
        QVERIFY(form.SaveFile(false, true));
        QVERIFY(!form.Modified());
        form.Undo();
        QCOMPARE(LayoutBytes(*f.report), moved);
        QVERIFY(form.Modified());
        QVERIFY(form.Action("SaveCmd")->isEnabled());
        // A new change drops the redo list.
        NudgeRight(form, "Memo2");
        QVERIFY(!form.Action("RedoCmd")->isEnabled());
    }

    void redoKeys_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("Ctrl+Y") << QKeySequence(Qt::CTRL | Qt::Key_Y);
        QTest::newRow("Ctrl+Shift+Z") << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    }
    void redoKeys()
    {
        QFETCH(QKeySequence, keys);
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        NudgeRight(form, "Memo1");
        const QByteArray moved = LayoutBytes(*f.report);
        QTest::keySequence(&form, QKeySequence(Qt::CTRL | Qt::Key_Z));
        QVERIFY(LayoutBytes(*f.report) != moved);
        QTest::keySequence(&form, keys);
        QCOMPARE(LayoutBytes(*f.report), moved);
        // The menu item names both keys.
        QVERIFY(form.Action("RedoCmd")->text().endsWith("\tCtrl+Y, Ctrl+Shift+Z"));
        QCOMPARE(form.Action("RedoCmd")->shortcuts(), QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
    }

    // A page added to a template prints on the template's form: its paper, no margins.
    void newPageTakesTheTemplatesPaper()
    {
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        form.show();
        const int pages = f.report->PagesCount();
        form.NewPage();
        QCOMPARE(f.report->PagesCount(), pages + 1);
        auto *page = qobject_cast<TfrxReportPage *>(f.report->Pages(pages));
        QVERIFY(page);
        QCOMPARE(QList<double>({page->PaperWidth(), page->PaperHeight()}), QList<double>({100, 60}));
        QCOMPARE(QList<double>({page->LeftMargin(), page->RightMargin(), page->TopMargin(), page->BottomMargin()}),
                 QList<double>({0, 0, 0, 0}));
    }

    // Opened from the catalogue, the window names the template before the file.
    void titleNamesTheTemplate()
    {
        DesignerFixture f;
        ScriptedUi ui;
        f.report->setProperty(frxDesignTitleProperty, QStringLiteral("顺丰标准"));
        TfrxDesignerForm form(f.report);
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("Tavrel - 顺丰标准 (t.fr3)"));
        // Saving does not store the name in the layout.
        QVERIFY(form.SaveFile(false, true));
        QVERIFY(!f.FileBytes().contains("frxDesignTitle"));
    }

    // A layout another program wrote: the designer leaves its bands where the file put them (they
    // are not stacked anew on opening or after a change that moves no band), and a save after one
    // change writes everything else back as it was read (attributes the model does not know,
    // references to datasets the layout does not hold, values in their old spelling).
    void foreignLayoutKeepsItsBandsAndAttributes()
    {
        DesignerFixture f;
        ScriptedUi ui;
        const QString path = f.dir.filePath("invoice.fr3");
        QVERIFY(QFile::copy(QStringLiteral(WAYBILL_SOURCE_DIR "/tests/report/fixtures/layouts/kept/invoice_ru.fr3"),
                            path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QFile in(path);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QList<QByteArray> before = in.readAll().split('\n');
        in.close();
        frxLoadFromFile(*f.report, path);
        QVERIFY(f.report->FindObject("MasterData1"));

        TfrxDesignerForm form(f.report);
        form.show();
        const QList<std::pair<const char *, double>> tops{{"ReportTitle1", 16}, {"MasterData1", 375}, {"PageFooter1", 480}};
        for (const auto &[band, top] : tops)
            QCOMPARE(f.report->FindObject(band)->Top(), top);
        NudgeRight(form, "Memo4");
        QVERIFY(form.SaveFile(false, true));
        for (const auto &[band, top] : tops)
            QCOMPARE(f.report->FindObject(band)->Top(), top);

        QVERIFY(in.open(QIODevice::ReadOnly));
        const QList<QByteArray> after = in.readAll().split('\n');
        QCOMPARE(after.size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            if (before[i].contains("<TfrxReport ")) // the time of the last change
                continue;
            if (before[i].contains("Name=\"Memo4\"")) {
                QCOMPARE(QByteArray(after[i]).replace("Left=\"421\"", "Left=\"420\""), before[i]);
                continue;
            }
            QCOMPARE(after[i], before[i]);
        }
    }

    void recentFiles()
    {
        DesignerFixture f;
        TfrxDesignerForm form(f.report);
        for (int i = 0; i < 10; ++i)
            form.AddRecentFile(QStringLiteral("/t/%1.fr3").arg(i));
        form.AddRecentFile(QStringLiteral("/t/5.fr3"));
        QCOMPARE(form.RecentFiles(), QStringList({"/t/2.fr3", "/t/3.fr3", "/t/4.fr3", "/t/6.fr3", "/t/7.fr3",
                                                  "/t/8.fr3", "/t/9.fr3", "/t/5.fr3"}));
    }

    void zoomIsClamped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("scale");
        QTest::newRow("0 is 100%") << "0%" << 1.0;
        QTest::newRow("3000%") << "3000 %" << 20.0;
        QTest::newRow("1%") << "1%" << 0.1;
        QTest::newRow("150%") << "150%" << 1.5;
        QTest::newRow("junk keeps") << "abc" << 1.0;
    }
    void zoomIsClamped()
    {
        QFETCH(QString, text);
        QFETCH(double, scale);
        DesignerFixture f;
        TfrxDesignerForm form(f.report);
        form.SetScale(1);
        form.SetZoomText(text);
        QCOMPARE(form.Scale(), scale);
    }

    void pageWidthOnATinyWindowStaysUsable()
    {
        DesignerFixture f;
        TfrxDesignerForm form(f.report);
        form.resize(120, 90);
        form.show();
        form.SetZoomText("Page width");
        QVERIFY(form.Scale() >= 0.1 && form.Scale() <= 20);
        form.SetZoomText("Whole page");
        QVERIFY(form.Scale() >= 0.1 && form.Scale() <= 20);
    }

    void newReportKeepsTheHostDatasets()
    {
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        form.NewReport();
        QVERIFY(ui.Shown.isEmpty());
        QCOMPARE(f.report->Datasets()->Count(), 1);
        QCOMPARE(f.report->Datasets()->Items(0)->DataSet(), f.fd);
        QCOMPARE(f.report->DataSet(), f.fd);
        QVERIFY(f.report->FileName().isEmpty());
        QCOMPARE(form.windowTitle(), QStringLiteral("Tavrel - Untitled.fr3"));
        auto *title = qobject_cast<TfrxBand *>(f.report->FindObject("ReportTitle1"));
        auto *master = qobject_cast<TfrxBand *>(f.report->FindObject("MasterData1"));
        auto *footer = qobject_cast<TfrxBand *>(f.report->FindObject("PageFooter1"));
        QVERIFY(title && master && footer);
        // Title and master data on top, the footer after the gap before the bottom group.
        QVERIFY(title->Top() < master->Top() && master->Top() < footer->Top());
        auto *memo = qobject_cast<TfrxMemoView *>(f.report->FindObject("Memo1"));
        QVERIFY(memo && memo->Parent() == footer);
        QCOMPARE(memo->Text(), QStringLiteral("[Page#]\r\n"));
    }

    void findAndReplace()
    {
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        QVERIFY(form.Find("tel", false));
        QCOMPARE(form.SelectedObjects().first()->Name(), QStringLiteral("Memo2"));
        QVERIFY(!form.Find("tel", true));
        QCOMPARE(ui.LastText(), QStringLiteral("Text 'tel' not found"));
        ui.Choices.enqueue(UiAnswer::No);
        ui.Choices.enqueue(UiAnswer::Yes);
        QCOMPARE(form.Replace("FD.", "FD .", false), 1);
        QCOMPARE(ui.Shown[ui.Shown.size() - 2].Text, QStringLiteral("Replace this occurence of 'FD.'?"));
        auto *memo2 = qobject_cast<TfrxMemoView *>(f.report->FindObject("Memo2"));
        QCOMPARE(memo2->Text(), QStringLiteral("Tel [FD .\"电话\"]\r\n"));
        QVERIFY(form.Modified());
    }

    void findDialog()
    {
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        // Nothing typed: the Find button stays disabled, the dialog can only be cancelled.
        ui.DialogSteps.enqueue([](QDialog &dialog) {
            QVERIFY(!dialog.findChild<QPushButton *>("OkButton")->isEnabled());
            QVERIFY(!dialog.findChild<QCheckBox *>("SearchFromTopBox")->isEnabled()); // a page
            QCOMPARE(dialog.findChild<QCheckBox *>("CaseSensitiveBox")->text(), QStringLiteral("Case sensitive"));
            QCOMPARE(dialog.findChild<QCheckBox *>("SearchFromTopBox")->text(), QStringLiteral("Search from top"));
        });
        form.Action("FindCmd")->trigger();
        QCOMPARE(ui.DialogTitles, QStringList{"Find text"});
        QVERIFY(!form.Action("FindNextCmd")->isEnabled());
        ui.DialogSteps.enqueue(Fill("TEL", {}, false, "OkButton"));
        form.Action("FindCmd")->trigger();
        QCOMPARE(form.SelectedObjects(), QList<TfrxComponent *>{f.report->FindObject("Memo2")});
        QVERIFY(form.Action("FindNextCmd")->isEnabled());
        // F3 goes on after Memo2: nothing more.
        form.Action("FindNextCmd")->trigger();
        QCOMPARE(ui.Shown.last().Text, QStringLiteral("Text 'TEL' not found"));
        QCOMPARE(ui.Shown.last().Caption, QStringLiteral("Information"));
        // The dialog opens on the last search; case sensitive, "TEL" is nowhere.
        ui.DialogSteps.enqueue([](QDialog &dialog) {
            QCOMPARE(dialog.findChild<QLineEdit *>("FindEdit")->text(), QStringLiteral("TEL"));
            Fill("TEL", {}, true, "OkButton")(dialog);
        });
        ui.Clear();
        form.Action("FindCmd")->trigger();
        QCOMPARE(ui.LastText(), QStringLiteral("Text 'TEL' not found"));
        QVERIFY(!form.Modified());
    }

    void replaceDialog_data()
    {
        QTest::addColumn<QString>("find");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("answers"); // Y, N, C, A: the answers to the questions, in order
        QTest::addColumn<bool>("memo1Changed");
        QTest::addColumn<bool>("memo2Changed");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("undoSteps");
        QTest::newRow("cancel") << "fd." << false << "CancelButton" << "" << false << false << 0 << 0;
        QTest::newRow("replace all button") << "fd." << false << "ReplaceAllButton" << "" << true << true << 0 << 1;
        QTest::newRow("all at the first hit") << "FD." << true << "OkButton" << "A" << true << true << 1 << 1;
        QTest::newRow("yes then all") << "FD." << false << "OkButton" << "YA" << true << true << 2 << 2;
        QTest::newRow("no then yes") << "FD." << false << "OkButton" << "NY" << false << true << 2 << 1;
        QTest::newRow("yes then cancel") << "FD." << false << "OkButton" << "YC" << true << false << 2 << 1;
        QTest::newRow("case sensitive miss") << "fd." << true << "ReplaceAllButton" << "" << false << false << 0 << 0;
    }

    void replaceDialog()
    {
        QFETCH(QString, find);
        QFETCH(bool, caseSensitive);
        QFETCH(QString, button);
        QFETCH(QString, answers);
        QFETCH(bool, memo1Changed);
        QFETCH(bool, memo2Changed);
        QFETCH(int, questions);
        QFETCH(int, undoSteps);
        DesignerFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        const QByteArray before = LayoutBytes(*f.report);
        const int undoCount = form.UndoBuffer()->UndoCount();
        for (QChar c : answers)
            ui.Choices.enqueue(c == u'Y' ? UiAnswer::Yes : c == u'N' ? UiAnswer::No : c == u'A' ? UiAnswer::All : UiAnswer::Cancel);
        ui.DialogSteps.enqueue(Fill(find, "DS.", caseSensitive, button));
        form.Action("ReplaceCmd")->trigger();
        QCOMPARE(ui.DialogTitles, QStringList{"Replace text"});
        int asked = 0;
        for (const ShownMessage &m : std::as_const(ui.Shown))
            if (m.Question) {
                QCOMPARE(m.Text, QStringLiteral("Replace this occurence of '%1'?").arg(find));
                ++asked;
            }
        QCOMPARE(asked, questions);
        auto text = [&](const char *name) { return qobject_cast<TfrxMemoView *>(f.report->FindObject(name))->Text(); };
        QCOMPARE(text("Memo1"), memo1Changed ? QStringLiteral("[DS.\"收件人\"]\r\n") : QStringLiteral("[FD.\"收件人\"]\r\n"));
        QCOMPARE(text("Memo2"), memo2Changed ? QStringLiteral("Tel [DS.\"电话\"]\r\n") : QStringLiteral("Tel [FD.\"电话\"]\r\n"));
        QCOMPARE(form.UndoBuffer()->UndoCount() - undoCount, undoSteps);
        QCOMPARE(form.Modified(), undoSteps > 0);
        if (button != QLatin1String("CancelButton") && !memo1Changed && !memo2Changed)
            QCOMPARE(ui.LastText(), QStringLiteral("Text '%1' not found").arg(find));
        // Undo as many times as there were changes: the layout is back where it started.
        for (int i = 0; i < undoSteps; ++i)
            form.Undo();
        QCOMPARE(LayoutBytes(*f.report), before);
    }

    void replaceDialogOnTheCode()
    {
        DesignerFixture f;
        f.report->SetScriptText({"begin", "  x := 1;", "  x := 2;", "end."});
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        form.findChild<QTabBar *>()->setCurrentIndex(0);
        QVERIFY(!form.Page());
        auto *code = form.findChild<QPlainTextEdit *>("CodeWindow");
        // The cursor is past the first assignment; from the top, Replace All takes both.
        QTextCursor cursor = code->textCursor();
        cursor.setPosition(code->toPlainText().indexOf("x := 2"));
        code->setTextCursor(cursor);
        const int undoCount = form.UndoBuffer()->UndoCount();
        ui.DialogSteps.enqueue(Fill("x :=", "y :=", true, "ReplaceAllButton", true));
        form.Action("ReplaceCmd")->trigger();
        QCOMPARE(f.report->ScriptText(), QStringList({"begin", "  y := 1;", "  y := 2;", "end."}));
        QCOMPARE(form.UndoBuffer()->UndoCount() - undoCount, 1);
        QVERIFY(ui.Shown.isEmpty());
    }

    void deleteRebuildsTheLists()
    {
        DesignerFixture f;
        TfrxDesignerForm form(f.report);
        form.show();
        form.SelectAll();
        QCOMPARE(form.SelectedObjects().size(), 2);
        QTest::keyClick(form.Workspace(), Qt::Key_Delete);
        QCOMPARE(form.SelectedObjects(), QList<TfrxComponent *>{form.Page()});
        QCOMPARE(form.Objects().size(), 2); // the report and the page
        QVERIFY(!f.report->FindObject("Memo1"));
        form.Workspace()->grab(); // paints the page without the freed objects
        form.Undo();
        QVERIFY(f.report->FindObject("Memo1") && f.report->FindObject("Memo2"));
    }
};

QTEST_MAIN(TestDesignerWindow)
#include "tst_designerwindow.moc"

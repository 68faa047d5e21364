// The preview window: page geometry and zoom rules, the row layout, a build filling an open window
// (Cancel stops it), buttons from the options, find, prepared-report files and damaged ones,
// ShowReport's window life and page settings.

#include "ScriptedUi.h"
#include "engine/frxEngineLayer.h"
#include "engine/preview/frxPreview.h"
#include "engine/preview/frxPreviewForm.h"
#include "engine/pages/frxPreviewPages.h"
#include "report/model/frxClass.h"
#include "tests/support/WaybillReport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

#include <cmath>

namespace {

// A waybill report: the order dataset FD walks rows of the field "Name" and every row gives one
// 100 x 150 mm page with the receiver's name and a fixed line.
struct Waybills : WaybillReport {
    explicit Waybills(int rows, const QString &name = QStringLiteral("Receiver"))
        : WaybillReport(QRectF(0, 0, 378, 200), QRectF(10, 10, 300, 40))
    {
        QStringList orders;
        for (int i = 0; i < rows; ++i)
            orders << QStringLiteral("%1 %2").arg(name).arg(i + 1);
        AttachOrders(orders);
        report.EngineOptions()->SetNewSilentMode(frx::simSilent);
        report.PreviewOptions()->SetMaximized(false);
        page->SetLeftMargin(0);
        page->SetRightMargin(0);
        page->SetTopMargin(0);
        page->SetBottomMargin(0);
        memo->SetText(QStringLiteral("To: [FD.\"Name\"]"));
        AddMemo(QStringLiteral("Memo2"), QRectF(10, 60, 300, 40), QStringLiteral("Express waybill\r\nHandle with care"));
    }

    // Builds without a window and returns a prepared, shown preview window on the pages.
    std::unique_ptr<TfrxPreviewForm> Window(QSize size = QSize(1000, 800))
    {
        auto form = std::make_unique<TfrxPreviewForm>(&report);
        form->Prepare();
        form->resize(size);
        form->show();
        return form;
    }
};

QString ActionTexts(const QMenu *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts.join(QLatin1Char('|'));
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { frxStartEngineLayer(); }

    void pageRectangleAtZoomOne();
    void zoomRules_data();
    void zoomRules();
    void pageWidthAndWholePage();
    void tenPagesTwoAcross();
    void buildFillsOpenWindow();
    void doublePassStatus();
    void buttonsFromOptions();
    void findAndFindNext();
    void savedFileReopens();
    void damagedFile_data();
    void damagedFile();
    void showReportWindowLife();
    void windowOutlivesReport();
    void headlessShowReportBuilds();
    void pageSettings();
    void keysNavigate();
};

void TestPreview::pageRectangleAtZoomOne()
{
    Waybills w(1);
    QVERIFY(w.report.BuildPages(true));
    QCOMPARE(w.Pages()->GetPageSize(0), QSize(378, 567));
    auto form = w.Window();
    form->Preview()->SetZoom(1.0);
    QCOMPARE(form->Preview()->Workspace()->PageList().PageRect(0).size(), QSize(378, 567));
}

void TestPreview::zoomRules_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QString>("box");
    QTest::newRow("out from 0.4 stops at 0.25") << 0.4 << "out" << 0.25 << "25%";
    QTest::newRow("in") << 1.0 << "in" << 1.25 << "125%";
    QTest::newRow("set below floor") << 1.0 << "set 0.1" << 0.25 << "25%";
    QTest::newRow("wheel out") << 1.0 << "wheel -1" << 0.9 << "90%";
    QTest::newRow("wheel in") << 1.0 << "wheel 2" << 1.2 << "120%";
    QTest::newRow("wheel stops at 0.3") << 0.35 << "wheel -1" << 0.3 << "30%";
    QTest::newRow("typed with blank and percent") << 1.0 << "type 80 %" << 0.8 << "80%";
    QTest::newRow("typed number") << 1.0 << "type 150" << 1.5 << "150%";
    QTest::newRow("typed nonsense keeps zoom") << 0.5 << "type abc" << 0.5 << "50%";
    QTest::newRow("listed entry") << 1.0 << "type 200%" << 2.0 << "200%";
    // Past 2000 % no font or page could be drawn: the zoom stops there.
    QTest::newRow("set past the ceiling") << 1.0 << "set 3000000" << 20.0 << "2000%";
    QTest::newRow("typed past the ceiling") << 1.0 << "type 300000000%" << 20.0 << "2000%";
    QTest::newRow("in at the ceiling") << 20.0 << "in" << 20.0 << "2000%";
    QTest::newRow("wheel at the ceiling") << 19.95 << "wheel 3" << 20.0 << "2000%";
    QTest::newRow("set to no number") << 0.5 << "set nan" << 1.0 << "100%";
}

void TestPreview::zoomRules()
{
    QFETCH(double, start);
    QFETCH(QString, action);
    QFETCH(double, zoom);
    QFETCH(QString, box);
    Waybills w(3);
    QVERIFY(w.report.BuildPages(true));
    auto form = w.Window();
    TfrxPreview *preview = form->Preview();
    preview->SetZoom(start);
    if (action == QLatin1String("out"))
        preview->ZoomOut();
    else if (action == QLatin1String("in"))
        preview->ZoomIn();
    else if (action.startsWith(QLatin1String("set ")))
        preview->SetZoom(action.mid(4).toDouble());
    else if (action.startsWith(QLatin1String("wheel ")))
        preview->WheelZoom(action.mid(6).toInt());
    else
        form->ApplyZoomText(action.mid(5));
    QVERIFY2(qAbs(preview->Zoom() - zoom) < 1e-9, qPrintable(QString::number(preview->Zoom())));
    QCOMPARE(preview->ZoomMode(), frx::zmDefault);
    QCOMPARE(form->ZoomBox()->currentText(), box);
    // Half a pixel rounds to even.
    QCOMPARE(preview->Workspace()->PageList().PageRect(0).width(), int(std::nearbyint(378 * zoom)));
}

void TestPreview::pageWidthAndWholePage()
{
    Waybills w(2);
    QVERIFY(w.report.BuildPages(true));
    auto form = w.Window(QSize(900, 700));
    TfrxPreview *preview = form->Preview();
    TfrxPreviewWorkspace *ws = preview->Workspace();
    form->ApplyZoomText(QStringLiteral("Page width"));
    QCOMPARE(preview->ZoomMode(), frx::zmPageWidth);
    const int scrollBar = ws->verticalScrollBar()->sizeHint().width();
    QCOMPARE(preview->Zoom(), double(ws->width() - scrollBar - 26) / 378);
    QCOMPARE(form->ZoomBox()->currentText(), QString::number(qRound(preview->Zoom() * 100)) + "%");
    const QRect page = ws->PageList().PageRect(0);
    QVERIFY(qAbs(page.left() - (ws->viewport()->width() - page.right() - 1)) <= 1);
    // The thumbnail strip takes its width from the workspace; the page width follows.
    const double wide = preview->Zoom();
    form->Action(TfrxPreviewForm::btThumbnails)->trigger();
    QVERIFY(preview->ThumbnailVisible());
    QTRY_VERIFY(preview->Thumbnails()->width() >= 100);
    QTRY_VERIFY(preview->Zoom() < wide);
    QCOMPARE(preview->Zoom(), double(ws->width() - scrollBar - 26) / 378);
    QCOMPARE(preview->Thumbnails()->PageList().PageRect(1).size(), QSize(38, 57));
    // A tall page in a wide window: the height decides.
    form->ApplyZoomText(QStringLiteral("Whole page"));
    QCOMPARE(preview->Zoom(), double(ws->height() - 26) / 567);
    QCOMPARE(preview->PageNo(), 1);
    // The zoom buttons leave the mode.
    preview->ZoomIn();
    QCOMPARE(preview->ZoomMode(), frx::zmDefault);
}

void TestPreview::tenPagesTwoAcross()
{
    // Two 378-pixel pages fit into 1000 pixels (2 x 388 <= 1000), three do not.
    TfrxPageList list;
    for (int i = 0; i < 10; ++i)
        list.AddPage(QSize(378, 567));
    list.SetZoom(1.0);
    list.CalcBounds(1000);
    // Each row centred: 112 pixels on either side of 378 + 10 + 378.
    const int shift = (1000 - 766) / 2;
    for (int row = 0; row < 5; ++row) {
        const QRect left = list.PageRect(2 * row);
        const QRect right = list.PageRect(2 * row + 1);
        QCOMPARE(left.top(), 10 + row * (567 + 10));
        QCOMPARE(right.top(), left.top());
        QCOMPARE(left.left(), shift);
        QCOMPARE(right.left(), shift + 388);
    }
    QCOMPARE(1000 - list.PageRect(1).right() - 1, shift);
    QCOMPARE(list.Extent(), QSize(shift + 388 + 378 + 10, 10 + 5 * 577));
    QCOMPARE(list.FindPage(10 + 3 * 577 + 100), 6);
    // A window narrower than a page: one page a row, never left of 10.
    list.CalcBounds(200);
    QCOMPARE(list.PageRect(1).topLeft(), QPoint(10, 10 + 577));
}

void TestPreview::buildFillsOpenWindow()
{
    Waybills w(40);
    std::unique_ptr<TfrxPreviewForm> form;
    QStringList closeTexts;
    bool printEnabledDuring = true;
    bool visibleAfterClose = false;
    w.report.OnProgress = [&](TfrxReport *, int kind, int page) {
        if (kind != 0 || !form)
            return;
        closeTexts << form->Action(TfrxPreviewForm::btClose)->text();
        printEnabledDuring = printEnabledDuring && form->Action(TfrxPreviewForm::btPrint)->isEnabled();
        if (page == 3) {
            // The window stays while the build runs; Close means Cancel.
            form->close();
            visibleAfterClose = form->isVisible();
            form->Action(TfrxPreviewForm::btClose)->trigger();
        }
    };
    form = w.Window();
    w.report.SetOldStyleProgress(false);
    QVERIFY(w.report.ShowReport(true)); // the attached control builds from its timer
    QVERIFY(form->WaitForBuild(20000));
    QVERIFY(!closeTexts.isEmpty());
    QCOMPARE(closeTexts.first(), QStringLiteral("Cancel"));
    QVERIFY(!printEnabledDuring);
    QVERIFY(visibleAfterClose);
    QVERIFY(w.report.Terminated());
    QVERIFY2(w.Pages()->Count() >= 3 && w.Pages()->Count() < 40,
             qPrintable(QString::number(w.Pages()->Count())));
    QCOMPARE(form->Action(TfrxPreviewForm::btClose)->text(), QStringLiteral("Close"));
    QVERIFY(form->Action(TfrxPreviewForm::btPrint)->isEnabled());
    QCOMPARE(form->Preview()->Workspace()->PageList().Count(), w.Pages()->Count());
    QCOMPARE(form->StatusText(0), QStringLiteral("Page 1 of %1").arg(w.Pages()->Count()));

    // A second run to its end; the refresh interval follows the build speed.
    w.report.OnProgress = nullptr;
    QVERIFY(w.report.ShowReport(true));
    QVERIFY(form->WaitForBuild(20000));
    QCOMPARE(w.Pages()->Count(), 40);
    QVERIFY(QList<int>({5, 20, 50}).contains(form->Preview()->RefreshInterval()));
    QCOMPARE(form->StatusText(0), QStringLiteral("Page 1 of 40"));
    form->close();
    QVERIFY(!form->isVisible());
}

void TestPreview::doublePassStatus()
{
    Waybills w(5);
    w.report.EngineOptions()->SetDoublePass(true);
    auto form = w.Window();
    QStringList status;
    w.report.OnProgress = [&](TfrxReport *, int, int) { status << form->StatusText(0); };
    QVERIFY(w.report.ShowReport(true));
    QVERIFY(form->WaitForBuild(20000));
    QVERIFY2(status.contains(QStringLiteral("First pass: page 3")), qPrintable(status.join(',')));
    QCOMPARE(form->StatusText(0), QStringLiteral("Page 1 of 5"));
    QCOMPARE(form->Preview()->Workspace()->PageList().Count(), 5);
}

void TestPreview::buttonsFromOptions()
{
    Waybills w(1);
    QVERIFY(w.report.BuildPages(true));
    using F = TfrxPreviewForm;
    // What the waybill program sets.
    w.report.PreviewOptions()->SetButtons(frx::pbPrint | frx::pbLoad | frx::pbSave | frx::pbExport |
                                          frx::pbZoom | frx::pbFind | frx::pbOutline | frx::pbPageSetup |
                                          frx::pbTools | frx::pbEdit | frx::pbNavigator | frx::pbExportQuick);
    w.report.ReportOptions()->SetName(QStringLiteral("Waybill SF"));
    {
        auto form = w.Window();
        QCOMPARE(form->windowTitle(), QStringLiteral("Waybill SF"));
        QVERIFY(!form->ButtonVisible(F::btExport)); // no export filter is registered
        for (F::Button b : {F::btPrint, F::btOpen, F::btSave, F::btFind, F::btZoomIn, F::btZoomOut,
                            F::btFullScreen, F::btOutline, F::btThumbnails, F::btPageSettings, F::btEdit,
                            F::btFirst, F::btPrior, F::btNext, F::btLast, F::btClose})
            QVERIFY2(form->ButtonVisible(b), qPrintable(QString::number(b)));
        QCOMPARE(ActionTexts(form->ContextMenu()),
                 QStringLiteral("Collapse all|Expand all|-|Print|Open|Save|Find|-|"
                                "Zoom In|Zoom Out|Full Screen"));
        QCOMPARE(form->ZoomBox()->count(), 8);
        QCOMPARE(form->ZoomBox()->itemText(6), QStringLiteral("Page width"));
        QCOMPARE(form->Action(F::btEdit)->toolTip(), QStringLiteral("Edit Page"));
        QCOMPARE(form->Action(F::btFirst)->toolTip(), QStringLiteral("First Page"));
    }
    frxExportFilters() << QStringLiteral("PDF file");
    {
        auto form = w.Window();
        QVERIFY(form->ButtonVisible(F::btExport));
    }
    frxExportFilters().clear();
    w.report.PreviewOptions()->SetButtons(frx::pbZoom | frx::pbNoClose | frx::pbNoFullScreen);
    w.report.ReportOptions()->SetName(QString());
    auto form = w.Window();
    QCOMPARE(form->windowTitle(), QStringLiteral("Preview"));
    QVERIFY(form->ButtonVisible(F::btZoomIn));
    for (F::Button b :
         {F::btPrint, F::btOpen, F::btFind, F::btFullScreen, F::btFirst, F::btClose, F::btOutline})
        QVERIFY2(!form->ButtonVisible(b), qPrintable(QString::number(b)));
}

void TestPreview::findAndFindNext()
{
    Waybills w(6);
    w.names[2] = QStringLiteral("Li Lei");
    w.names[4] = QStringLiteral("Mrs li lei");
    QVERIFY(w.report.BuildPages(true));
    auto form = w.Window();
    TfrxPreview *preview = form->Preview();
    ScriptedUi ui;
    QVERIFY(preview->FindText(QStringLiteral("LI LEI"), false, true));
    QCOMPARE(preview->FoundPage(), 2);
    QCOMPARE(preview->PageNo(), 3);
    QCOMPARE(preview->FoundLine(), QStringLiteral("To: Li Lei"));
    QCOMPARE(preview->Workspace()->FoundPage(), 2);
    QVERIFY(form->HandleKey(Qt::Key_F3, Qt::NoModifier));
    QCOMPARE(preview->FoundPage(), 4);
    QVERIFY(ui.Shown.isEmpty());
    QVERIFY(!preview->FindNext());
    QCOMPARE(ui.LastText(), QStringLiteral("Text not found"));
    // Case sensitive, from the current page on (page 5): nothing.
    ui.Clear();
    QVERIFY(!preview->FindText(QStringLiteral("LI LEI"), true, false));
    QCOMPARE(ui.LastText(), QStringLiteral("Text not found"));
    // The second line of a two-line text.
    QVERIFY(preview->FindText(QStringLiteral("care"), false, true));
    QCOMPARE(preview->FoundLine(), QStringLiteral("Handle with care"));
    QCOMPARE(preview->FoundPage(), 0);
}

void TestPreview::savedFileReopens()
{
    QTemporaryDir dir;
    Waybills w(4);
    w.report.ReportOptions()->SetName(QStringLiteral("Batch"));
    QVERIFY(w.report.BuildPages(true));
    auto form = w.Window();
    ScriptedUi ui;
    ui.FileNames.enqueue(dir.filePath(QStringLiteral("batch.txt")));
    form->HandleKey(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ui.FileFilters.value(0), QStringLiteral("Prepared Report (*.fp3)|*.fp3"));
    const QString saved = dir.filePath(QStringLiteral("batch.fp3"));
    QVERIFY(QFile::exists(saved));
    QVERIFY(!form->Preview()->MessagePanel()->isVisible());

    Waybills other(1, QStringLiteral("Someone"));
    other.report.ReportOptions()->SetName(QStringLiteral("Other"));
    QVERIFY(other.report.BuildPages(true));
    auto second = other.Window();
    second->setWindowTitle(QStringLiteral("changed"));
    ui.FileNames.enqueue(saved);
    second->HandleKey(Qt::Key_O, Qt::ControlModifier);
    QVERIFY(ui.Shown.isEmpty());
    QCOMPARE(other.Pages()->Count(), 4);
    QCOMPARE(second->Preview()->PageNo(), 1);
    QCOMPARE(second->StatusText(0), QStringLiteral("Page 1 of 4"));
    // The caption follows the name the file brings.
    QCOMPARE(second->windowTitle(), QStringLiteral("Batch"));
    QVERIFY(second->Preview()->FindText(QStringLiteral("Receiver 3"), true, true));
    QCOMPARE(second->Preview()->FoundPage(), 2);
}

void TestPreview::damagedFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("truncated") << "truncated";
    QTest::newRow("not a prepared report") << "layout";
    QTest::newRow("not xml") << "binary";
}

void TestPreview::damagedFile()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    Waybills w(5);
    QVERIFY(w.report.BuildPages(true));
    const QString good = dir.filePath(QStringLiteral("good.fp3"));
    w.Pages()->SaveToFile(good);
    QFile in(good);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    if (kind == QLatin1String("truncated"))
        bytes = bytes.left(bytes.size() / 2);
    else if (kind == QLatin1String("layout"))
        bytes = "<?xml version=\"1.0\" encoding=\"utf-8\"?><TfrxReport Version=\"4.12.6\"></TfrxReport>";
    else
        bytes = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    const QString bad = dir.filePath(QStringLiteral("bad.fp3"));
    QFile out(bad);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();

    auto form = w.Window();
    w.report.EngineOptions()->SetNewSilentMode(frx::simMessageBoxes);
    ScriptedUi ui;
    QVERIFY(!form->Preview()->LoadFromFile(bad));
    QCOMPARE(ui.Shown.size(), 1);
    QVERIFY2(ui.LastText().startsWith(QStringLiteral("The following error(s) have occured:")),
             qPrintable(ui.LastText()));
    QCOMPARE(ui.Shown.first().Caption, QStringLiteral("Error"));
    QCOMPARE(form->Preview()->PageCount(), 0);
    QCOMPARE(form->Preview()->Workspace()->PageList().Count(), 0);
    QCOMPARE(form->StatusText(0), QStringLiteral("Page 0 of 0"));
    QVERIFY(!form->Action(TfrxPreviewForm::btPrint)->isEnabled());
    QVERIFY(form->Action(TfrxPreviewForm::btOpen)->isEnabled());
    form->Preview()->ShowPage(3);
    QVERIFY(!form->Grab().isNull()); // an empty workspace paints its back colour
    // The good file still opens afterwards.
    QVERIFY(form->Preview()->LoadFromFile(good));
    QCOMPARE(form->Preview()->PageCount(), 5);
}

void TestPreview::showReportWindowLife()
{
    // Modal: ShowReport returns when the window closes, after the build ran inside it.
    Waybills w(3);
    QStringList events;
    QPointer<TfrxPreviewForm> seen;
    w.report.OnPreview = [&](QObject *) {
        events << QStringLiteral("preview");
        seen = qobject_cast<TfrxPreviewForm *>(w.report.Preview()->window());
        QTimer::singleShot(0, [&] {
            QVERIFY(seen->isModal() || seen->isVisible());
            QVERIFY(seen->WaitForBuild(20000));
            events << QStringLiteral("pages %1").arg(w.Pages()->Count());
            seen->close();
        });
    };
    w.report.OnClosePreview = [&](QObject *) { events << QStringLiteral("closed"); };
    QVERIFY(w.report.ShowReport(true));
    QCOMPARE(events, QStringList({"preview", "pages 3", "closed"}));
    QVERIFY(!w.report.Preview()); // the window is gone
    QVERIFY(!seen);

    // Non-modal: returns at once; the helper waits for the build and leaves the window open.
    w.report.OnPreview = nullptr;
    events.clear();
    QPointer<TfrxPreviewForm> form = frxShowPreviewAndWait(&w.report, 20000);
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QCOMPARE(form->Preview()->PageCount(), 3);
    form->Preview()->ShowPage(2);
    form->Preview()->SetZoom(0.5);
    const QImage picture = form->Grab();
    QCOMPARE(picture.size(), form->size());
    form->close();
    QTRY_VERIFY(!form); // frees itself
    QCOMPARE(events, QStringList({"closed"}));

    // The old progress style builds first and opens the window on the finished pages.
    Waybills old(3);
    old.report.SetOldStyleProgress(true);
    QPointer<TfrxPreviewForm> oldForm = frxShowPreviewAndWait(&old.report, 20000);
    QVERIFY(oldForm);
    QCOMPARE(oldForm->Preview()->Workspace()->PageList().Count(), 3);
    QCOMPARE(oldForm->StatusText(0), QStringLiteral("Page 1 of 3"));
    oldForm->close();
    QTRY_VERIFY(!oldForm);

    // A build that fails its checks closes its window; the old style opens none.
    for (bool oldStyle : {false, true}) {
        Waybills broken(2);
        broken.report.SetOldStyleProgress(oldStyle);
        broken.report.Datasets()->Add()->SetDataSetName(QStringLiteral("Missing"));
        QVERIFY(!frxShowPreviewAndWait(&broken.report, 20000));
        QVERIFY(!broken.report.Preview());
    }
}

void TestPreview::windowOutlivesReport()
{
    ScriptedUi ui;
    auto w = std::make_unique<Waybills>(2);
    QVERIFY(w->report.BuildPages(true));
    auto form = w->Window();
    QCOMPARE(form->Preview()->PageCount(), 2);
    w.reset();
    QCOMPARE(form->Preview()->PageCount(), 0);
    QVERIFY(!form->Grab().isNull());
    form->Preview()->NextPage();
    QVERIFY(!form->Preview()->FindText(QStringLiteral("x"), false, true));
    form->close();
}

void TestPreview::headlessShowReportBuilds()
{
    const TfrxPreviewFormFactory factory = frxSetPreviewFormFactory(nullptr);
    Waybills w(2);
    QVERIFY(w.report.ShowReport(true));
    QCOMPARE(w.Pages()->Count(), 2);
    QVERIFY(!w.report.Preview());
    frxSetPreviewFormFactory(factory);
}

void TestPreview::pageSettings()
{
    Waybills w(3);
    QVERIFY(w.report.BuildPages(true));
    auto form = w.Window();
    TfrxPreview *preview = form->Preview();
    preview->ShowPage(2);
    TfrxPreview::PageSettings s = preview->CurrentPageSettings();
    QCOMPARE(s.PaperWidth, 100.0);
    s.PaperWidth = 200;
    preview->ApplyPageSettings(s, false);
    QCOMPARE(w.Pages()->Count(), 3);
    QCOMPARE(w.Pages()->GetPageSize(1), QSize(756, 567));
    QCOMPARE(w.Pages()->GetPageSize(0), QSize(378, 567));
    QCOMPARE(preview->Workspace()->PageList().PageRect(1).width(), qRound(756 * preview->Zoom()));
    // The page keeps its content.
    QVERIFY(preview->FindText(QStringLiteral("Receiver 2"), true, false));
    QCOMPARE(preview->FoundPage(), 1);

    s.PaperWidth = 120;
    s.PaperHeight = 80;
    s.LeftMargin = 5;
    preview->ApplyPageSettings(s, true);
    QCOMPARE(w.Pages()->Count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(w.Pages()->GetPageSize(i), QSize(454, 302));
    auto *layout = qobject_cast<TfrxReportPage *>(w.report.FindObject(QStringLiteral("Page1")));
    QVERIFY(layout);
    QCOMPARE(layout->LeftMargin(), 5.0);
    QCOMPARE(preview->PageCount(), 3);
    QCOMPARE(preview->Workspace()->PageList().PageSize(2), QSize(454, 302));
}

void TestPreview::keysNavigate()
{
    Waybills w(12);
    QVERIFY(w.report.BuildPages(true));
    auto form = w.Window(QSize(600, 700));
    TfrxPreview *preview = form->Preview();
    QScrollBar *v = preview->Workspace()->verticalScrollBar();
    form->HandleKey(Qt::Key_End, Qt::NoModifier);
    QCOMPARE(preview->PageNo(), 12);
    form->HandleKey(Qt::Key_Home, Qt::NoModifier);
    QCOMPARE(preview->PageNo(), 1);
    QCOMPARE(v->value(), 0);
    form->HandleKey(Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(preview->PageNo(), 2);
    QCOMPARE(v->value(), preview->Workspace()->PageList().PageRect(1).top() - 10);
    form->HandleKey(Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(preview->PageNo(), 1);
    form->HandleKey(Qt::Key_PageDown, Qt::NoModifier);
    QCOMPARE(v->value(), 300);
    form->HandleKey(Qt::Key_Down, Qt::NoModifier);
    QCOMPARE(v->value(), 308);
    // Scrolling makes the page at the top current.
    v->setValue(preview->Workspace()->PageList().PageRect(4).top());
    QCOMPARE(preview->PageNo(), 5);
    form->PageNumberBox()->setText(QStringLiteral("99"));
    form->ApplyPageText(form->PageNumberBox()->text());
    QCOMPARE(preview->PageNo(), 12);
    QCOMPARE(form->StatusText(0), QStringLiteral("Page 12 of 12"));
    form->HandleKey(Qt::Key_F11, Qt::NoModifier);
    QVERIFY(form->FullScreen());
    QVERIFY(!form->ToolBar()->isVisible());
    form->HandleKey(Qt::Key_F11, Qt::NoModifier);
    QVERIFY(!form->FullScreen());
    QVERIFY(form->ToolBar()->isVisible());
    form->HandleKey(Qt::Key_Escape, Qt::NoModifier);
    QVERIFY(!form->isVisible());
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestPreview test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_preview.moc"

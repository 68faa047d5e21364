// The print dialog and the progress window of a print job, driven the way a user would (offscreen),
// on the queues of the test run's private print server: what OK writes into the options and
// which pages then reach which queue, Cancel and the file question putting the printer back, a bad
// page list refused in the dialog, and the progress window's Cancel stopping the job.

#include "engine/pages/frxPreviewPages.h"
#include "engine/print/frxPrintDialog.h"
#include "engine/print/frxPrinter.h"
#include "engine/preview/frxProgress.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"
#include "tests/support/CupsTools.h"
#include "tests/support/ScriptedUi.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include "tests/support/WaybillReport.h"

#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Prepared pages "PAGE1" … "PAGEn" of the waybill, for the queue "Capture".
struct Job : WaybillReport {
    explicit Job(int count)
    {
        AppendNumberedPages(count);
        report.PrintOptions()->SetPrinter(QStringLiteral("Capture"));
    }
};

// Runs what to do with the dialog as soon as the job shows it.
void WhenDialogShows(std::function<void(TfrxPrintDialog *)> what)
{
    QTimer::singleShot(0, [what] {
        auto *dialog = qobject_cast<TfrxPrintDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            // Not up yet: try again once the job's event loop runs.
            WhenDialogShows(what);
            return;
        }
        what(dialog);
    });
}

QString MemoText(TfrxReportPage *page)
{
    auto *memo = qobject_cast<TfrxMemoView *>(page->FindObject(QStringLiteral("Memo1")));
    return memo ? memo->Text().trimmed() : QString();
}

} // namespace

class TestPrintDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!CupsTools::ServerDir().isEmpty(), "the print server fixture did not run");
        QVERIFY(Printers().HasPhysicalPrinters());
        QVERIFY(TfrxProgressSession::CanShow());
    }

    void init() { Printers().SetPrinterIndex(Printers().IndexOf(QStringLiteral("Capture"))); }

    void choicesWrittenToTheOptions_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("currentPage");
        QTest::addColumn<QString>("pageNumbers");
        QTest::newRow("all pages") << int(TfrxPrintDialogValues::AllPages) << QStringLiteral("2-3") << 4
                                   << QString();
        QTest::newRow("current page")
            << int(TfrxPrintDialogValues::CurrentPage) << QString() << 4 << QStringLiteral("4");
        QTest::newRow("current page, none shown")
            << int(TfrxPrintDialogValues::CurrentPage) << QString() << 0 << QStringLiteral("1");
        QTest::newRow("page list") << int(TfrxPrintDialogValues::PageList) << QStringLiteral("1,3-") << 4
                                   << QStringLiteral("1,3-");
    }

    void choicesWrittenToTheOptions()
    {
        QFETCH(int, range);
        QFETCH(QString, list);
        QFETCH(int, currentPage);
        QFETCH(QString, pageNumbers);
        TfrxPrintOptions options;
        options.SetPageNumbers(QStringLiteral("7"));
        TfrxPrintDialogValues values = frxPrintDialogValues(options, 0);
        QCOMPARE(values.Range, TfrxPrintDialogValues::PageList);
        values.Range = TfrxPrintDialogValues::PageRange(range);
        values.PageNumbers = list;
        values.Copies = 3;
        values.Collate = false;
        values.PrintMode = frx::pmScale;
        values.PrintOnSheet = 9;
        values.PrintPages = frx::ppEven;
        values.Duplex = frx::dmHorizontal;
        values.Reverse = true;
        frxApplyPrintDialog(values, options, currentPage);
        QCOMPARE(options.PageNumbers(), pageNumbers);
        QCOMPARE(options.Copies(), 3);
        QVERIFY(!options.Collate());
        QCOMPARE(options.PrintMode(), frx::pmScale);
        QCOMPARE(options.PrintOnSheet(), 9);
        QCOMPARE(options.PrintPages(), frx::ppEven);
        QCOMPARE(options.Duplex(), frx::dmHorizontal);
        QVERIFY(options.Reverse());
    }

    // A user picks the other queue, pages 2-4 in reverse, two uncollated copies: exactly that is
    // printed there, and the job's options are as before afterwards.
    void okPrintsWhatTheDialogSays()
    {
        Job job(5);
        QStringList seen;
        job.report.OnPrintPage = [&](TfrxReportPage *page, int) { seen << MemoText(page); };
        bool shown = false;
        WhenDialogShows([&](TfrxPrintDialog *dialog) {
            shown = true;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Print"));
            QVERIFY(!dialog->SheetCombo()->isEnabled());
            dialog->PrinterCombo()->setCurrentIndex(Printers().IndexOf(QStringLiteral("Margins")));
            QTest::keyClicks(dialog->PagesEdit(), QStringLiteral("2-4"));
            QVERIFY(dialog->PagesRadio()->isChecked());
            dialog->CopiesSpin()->setValue(2);
            dialog->CollateCheck()->setChecked(false);
            dialog->ReverseCheck()->setChecked(true);
            dialog->accept();
        });
        QVERIFY(job.report.PrintPrepared());
        QVERIFY(shown);
        QCOMPARE(seen,
                 (QStringList{QStringLiteral("PAGE4"), QStringLiteral("PAGE3"), QStringLiteral("PAGE2")}));
        TfrxCustomPrinter *printer = Printers().CurrentPrinter();
        QCOMPARE(printer->Name(), QStringLiteral("Margins"));
        QCOMPARE(printer->JobIds().size(), 1);
        const QMap<QString, QString> args = CupsTools::WaitForJob(printer->JobIds().first());
        QCOMPARE(args.value(QStringLiteral("printer")), QStringLiteral("Margins"));
        QCOMPARE(args.value(QStringLiteral("copies")), QStringLiteral("2"));
        QCOMPARE(CupsTools::FirstWords(CupsTools::JobData(printer->JobIds().first())),
                 (QStringList{QStringLiteral("PAGE4"), QStringLiteral("PAGE3"), QStringLiteral("PAGE2")}));
        TfrxPrintOptions *options = job.report.PrintOptions();
        QVERIFY(options->PageNumbers().isEmpty());
        QCOMPARE(options->Copies(), 1);
        QVERIFY(options->Collate());
        QVERIFY(!options->Reverse());
    }

    void currentPageOfThePreview()
    {
        Job job(5);
        job.Pages()->SetCurPreviewPage(3);
        int pages = 0;
        QString text;
        job.report.OnPrintPage = [&](TfrxReportPage *page, int) {
            ++pages;
            text = MemoText(page);
        };
        WhenDialogShows([](TfrxPrintDialog *dialog) {
            dialog->CurrentRadio()->setChecked(true);
            dialog->accept();
        });
        QVERIFY(job.report.PrintPrepared());
        QCOMPARE(pages, 1);
        QCOMPARE(text, QStringLiteral("PAGE3"));
    }

    // Cancel, or no file name for "Print to file": nothing printed, the earlier printer current.
    void cancellingPutsThePrinterBack_data()
    {
        QTest::addColumn<bool>("toFile");
        QTest::newRow("dialog cancelled") << false;
        QTest::newRow("file question cancelled") << true;
    }

    void cancellingPutsThePrinterBack()
    {
        QFETCH(bool, toFile);
        ScriptedUi ui; // its empty queue of file names cancels the file question
        Job job(2);
        int pages = 0;
        job.report.OnPrintPage = [&](TfrxReportPage *, int) { ++pages; };
        WhenDialogShows([toFile](TfrxPrintDialog *dialog) {
            dialog->PrinterCombo()->setCurrentIndex(Printers().IndexOf(QStringLiteral("Margins")));
            QCOMPARE(Printers().CurrentPrinter()->Name(), QStringLiteral("Margins"));
            if (toFile) {
                dialog->PrintToFileCheck()->setChecked(true);
                dialog->accept();
            } else {
                dialog->reject();
            }
        });
        QVERIFY(!job.report.PrintPrepared());
        QCOMPARE(pages, 0);
        QCOMPARE(Printers().CurrentPrinter()->Name(), QStringLiteral("Capture"));
        QCOMPARE(ui.FileFilters.size(), toFile ? 1 : 0);
    }

    void printToFileWritesThePdfOnly()
    {
        ScriptedUi ui;
        QTemporaryDir dir;
        ui.FileNames.enqueue(dir.filePath(QStringLiteral("waybills")));
        Job job(3);
        WhenDialogShows([](TfrxPrintDialog *dialog) {
            dialog->PrintToFileCheck()->setChecked(true);
            dialog->accept();
        });
        QVERIFY(job.report.PrintPrepared());
        QVERIFY(Printers().CurrentPrinter()->JobIds().isEmpty());
        const QString pdf = dir.filePath(QStringLiteral("waybills.pdf"));
        QCOMPARE(CupsTools::FirstWords(pdf),
                 (QStringList{QStringLiteral("PAGE1"), QStringLiteral("PAGE2"), QStringLiteral("PAGE3")}));
        QVERIFY(job.report.PrintOptions()->FileName().isEmpty());
    }

    void badPageListKeepsTheDialogOpen()
    {
        ScriptedUi ui;
        Job job(3);
        int pages = 0;
        job.report.OnPrintPage = [&](TfrxReportPage *, int) { ++pages; };
        bool stillOpen = false;
        WhenDialogShows([&](TfrxPrintDialog *dialog) {
            dialog->PagesRadio()->setChecked(true);
            dialog->PagesEdit()->setText(QStringLiteral("5-2"));
            dialog->accept();
            stillOpen = dialog->isVisible() && dialog->result() != QDialog::Accepted;
            dialog->reject();
        });
        QVERIFY(!job.report.PrintPrepared());
        QVERIFY(stillOpen);
        QCOMPARE(ui.Shown.size(), 1);
        QVERIFY2(ui.LastText().contains(QStringLiteral("5-2")), qPrintable(ui.LastText()));
        QCOMPARE(pages, 0);
    }

    // The progress window: shown while printing with the page it is on, the window that was active
    // disabled meanwhile; its Cancel stops the job before the next page.
    void progressWindowCancelsTheJob()
    {
        QWidget main;
        main.show();
        QApplication::setActiveWindow(&main);
        QVERIFY(QTest::qWaitForWindowActive(&main));
        Job job(10);
        job.report.PrintOptions()->SetShowDialog(false);
        int pagesSeen = 0;
        QString message;
        bool mainDisabled = false;
        TfrxProgress *window = nullptr;
        job.report.OnPrintPage = [&](TfrxReportPage *, int) { ++pagesSeen; };
        job.report.OnProgress = [&](TfrxReport *, int kind, int progress) {
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *progressWindow = qobject_cast<TfrxProgress *>(widget);
                    progressWindow && widget->isVisible())
                    window = progressWindow;
            QVERIFY(window);
            QCOMPARE(kind, 2);
            mainDisabled = !main.isEnabled();
            if (progress == 3) {
                message = window->Message();
                QTest::mouseClick(window->CancelButton(), Qt::LeftButton);
            }
        };
        QVERIFY(!job.report.PrintPrepared());
        QCOMPARE(pagesSeen, 3);
        QVERIFY(mainDisabled);
        QVERIFY(main.isEnabled());
        QCOMPARE(message, QStringLiteral("Printing page 2"));
        QVERIFY(window == nullptr || !window->isVisible());
        QVERIFY(job.report.Terminated());
    }

    void noProgressWindowWhenTheReportSaysNo()
    {
        Job job(2);
        job.report.PrintOptions()->SetShowDialog(false);
        job.report.SetShowProgress(false);
        bool seen = false;
        job.report.OnProgress = [&](TfrxReport *, int, int) {
            for (QWidget *widget : QApplication::topLevelWidgets())
                seen = seen || (qobject_cast<TfrxProgress *>(widget) && widget->isVisible());
        };
        QVERIFY(job.report.PrintPrepared());
        QVERIFY(!seen);
    }

    void progressWindowShapeAndDragging()
    {
        TfrxProgress window;
        window.Execute(10, QStringLiteral("Preparing page 1"), true, false);
        QCOMPARE(window.size(), QSize(271, 101));
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!window.ProgressBar()->isVisible());
        QCOMPARE(window.CancelButton()->text(), QStringLiteral("Cancel"));
        const int lowMessage = window.MessageLabel()->y();
        window.Execute(10, QStringLiteral("x"), true, true);
        QVERIFY(window.ProgressBar()->isVisible());
        QVERIFY(window.MessageLabel()->y() < lowMessage);
        window.SetPosition(4);
        QCOMPARE(window.Position(), 4);

        const QPoint start = window.pos();
        QTest::mousePress(&window, Qt::LeftButton, {}, QPoint(20, 20));
        QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), QPointF(window.mapToGlobal(QPoint(60, 50))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &move);
        QTest::mouseRelease(&window, Qt::LeftButton, {}, QPoint(60, 50));
        QCOMPARE(window.pos(), start + QPoint(40, 30));

        QCOMPARE(TfrxProgressSession::MessageText(TfrxProgressSession::Preparing, true, 7),
                 QStringLiteral("First pass: page 7"));
        QCOMPARE(TfrxProgressSession::MessageText(TfrxProgressSession::Preparing, false, 7),
                 QStringLiteral("Preparing page 7"));
    }
};

QTEST_MAIN(TestPrintDialog)
#include "tst_printdialog.moc"

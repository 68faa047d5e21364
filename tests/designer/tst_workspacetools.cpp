// The objects bar's categories, band sizing with the mouse, page tabs moved by dragging, the text
// tool, and the designer's Options and About dialogs, driven as a user would.
#include "DesignerFixture.h"
#include "ScriptedUi.h"
#include "WorkspaceDriver.h"

#include "LayoutBytes.h"
#include "designer/settings/frxDesignerSettings.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/objects/frxBarcode.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>

namespace {

bool Near(double a, double b)
{
    return std::abs(a - b) < 1e-6;
}

QStringList PageNames(TfrxReport &report)
{
    QStringList names;
    for (int i = 0; i < report.PagesCount(); ++i)
        names << report.Pages(i)->Name();
    return names;
}

} // namespace

class TestWorkspaceTools : public QObject {
    Q_OBJECT
private slots:
    void objectsBarInsertsEachKindAtTheUnitSize_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("className");
        QTest::addColumn<int>("units");
        QTest::addColumn<QSizeF>("size");
        const QSizeF cm(94.48825, 18.89765), inch(96, 19.2), px(80, 16);
        QTest::newRow("line") << "TfrxLineView"
                              << "DrawMenu"
                              << "TfrxLineView" << 0 << QSizeF(cm.width(), 0);
        QTest::newRow("diagonal line") << "TfrxLineView.1"
                                       << "DrawMenu"
                                       << "TfrxLineView" << 0 << cm;
        QTest::newRow("rectangle") << "TfrxShapeView"
                                   << "DrawMenu"
                                   << "TfrxShapeView" << 0 << cm;
        QTest::newRow("rounded rectangle, inches") << "TfrxShapeView.1"
                                                   << "DrawMenu"
                                                   << "TfrxShapeView" << 1 << inch;
        QTest::newRow("ellipse") << "TfrxShapeView.2"
                                 << "DrawMenu"
                                 << "TfrxShapeView" << 0 << cm;
        QTest::newRow("triangle, pixels") << "TfrxShapeView.3"
                                          << "DrawMenu"
                                          << "TfrxShapeView" << 2 << px;
        QTest::newRow("diamond") << "TfrxShapeView.4"
                                 << "DrawMenu"
                                 << "TfrxShapeView" << 0 << cm;
        QTest::newRow("barcode") << "TfrxBarCodeView"
                                 << ""
                                 << "TfrxBarCodeView" << 0 << cm;
        QTest::newRow("QR code on the bar") << "TfrxBarcode2DView"
                                            << ""
                                            << "TfrxBarcode2DView" << 0 << cm;
        QTest::newRow("QR code, inches") << "TfrxQRCode"
                                         << "OtherMenu"
                                         << "TfrxQRCode" << 1 << inch;
    }
    void objectsBarInsertsEachKindAtTheUnitSize()
    {
        QFETCH(QString, button);
        QFETCH(QString, menu);
        QFETCH(QString, className);
        QFETCH(int, units);
        QFETCH(QSizeF, size);
        Window w;
        w.form.SetScale(1);
        w.form.SetUnits(units);
        auto *action = w.form.findChild<QAction *>(button);
        QVERIFY(action);
        // Category kinds sit in their button's menu.
        auto *parentMenu = qobject_cast<QMenu *>(action->parent());
        QCOMPARE(parentMenu ? parentMenu->objectName() : QString(), menu);
        action->trigger();
        QVERIFY(action->isChecked());
        const int before = int(w.f.report->Pages(1)->AllObjects().size());
        const QPoint pos = At(w.ws, 150, 150);
        Mouse(w.ws, QEvent::MouseMove, pos, {}, Qt::NoButton);
        Mouse(w.ws, QEvent::MouseButtonPress, pos);
        Mouse(w.ws, QEvent::MouseButtonRelease, pos);
        const QList<TfrxComponent *> all = w.f.report->Pages(1)->AllObjects();
        QCOMPARE(int(all.size()), before + 1);
        TfrxComponent *c = all.last();
        QCOMPARE(QString::fromLatin1(c->metaObject()->className()), className);
        QVERIFY2(Near(c->Width(), size.width()) && Near(c->Height(), size.height()),
                 qPrintable(QStringLiteral("%1 x %2").arg(c->Width()).arg(c->Height())));
        // The creation code chose the kind.
        const int flags = button.contains(u'.') ? button.section(u'.', 1).toInt() : 0;
        if (auto *shape = qobject_cast<TfrxShapeView *>(c))
            QCOMPARE(int(shape->Shape()), flags);
        if (auto *line = qobject_cast<TfrxLineView *>(c))
            QCOMPARE(line->Diagonal(), flags == 1);
        // A new barcode is the waybill's Code 128, the bar's two-dimensional code a QR code.
        if (auto *barcode = qobject_cast<TfrxBarcodeBase *>(c))
            QCOMPARE(barcode->BarType(), QString(qobject_cast<TfrxBarCodeView *>(c) ? "bcCode128" : "bcCodeQR"));
        QCOMPARE(w.form.SelectedObjects(), QList<TfrxComponent *>{c});
    }

    void objectsBarFollowsThePageKind()
    {
        DesignerFixture f;
        Settings settings{f};
        auto *dmp = new TfrxDMPPage(f.report);
        dmp->SetName(QStringLiteral("Page2"));
        auto *dialog = new TfrxDialogPage(f.report);
        dialog->SetName(QStringLiteral("DialogPage1"));
        TfrxDesignerForm form(f.report);
        auto visible = [&](const char *name) { return form.findChild<QAction *>(name)->isVisible(); };
        form.SetPage(f.report->Pages(1));
        QVERIFY(visible("TfrxMemoView") && visible("TfrxQRCode") && visible("DrawMenuCategory"));
        QVERIFY(!visible("TfrxDMPMemoView") && !visible("TfrxLabelControl"));
        form.SetPage(dmp);
        QVERIFY(visible("TfrxDMPMemoView") && visible("TfrxMemoView") && !visible("TfrxLabelControl"));
        form.SetPage(dialog);
        QVERIFY(visible("TfrxLabelControl") && visible("OtherMenuCategory"));
        QVERIFY(!visible("TfrxMemoView") && !visible("DrawMenuCategory") && !visible("TfrxDMPMemoView"));
    }

    void subreportOpensItsNewPage()
    {
        Window w;
        const QByteArray before = LayoutBytes::Save(*w.f.report);
        w.form.findChild<QAction *>("TfrxSubreport")->trigger();
        const QPoint pos = At(w.ws, 40, 40);
        Mouse(w.ws, QEvent::MouseMove, pos, {}, Qt::NoButton);
        Mouse(w.ws, QEvent::MouseButtonPress, pos);
        Mouse(w.ws, QEvent::MouseButtonRelease, pos);
        auto *subreport = qobject_cast<TfrxSubreport *>(w.Obj("Subreport1"));
        QVERIFY(subreport && subreport->SubPage());
        QCOMPARE(w.f.report->PagesCount(), 3);
        QCOMPARE(w.form.Page(), subreport->SubPage());
        QCOMPARE(w.form.TabCaptions().size(), 4);
        w.form.Undo(); // one change: the object and its page go together
        QCOMPARE(LayoutBytes::Save(*w.f.report), before);
    }

    void bandSizingMovesTheBandsBelow()
    {
        DesignerFixture f;
        Settings settings{f};
        TfrxPage *page = f.report->Pages(1);
        auto *title = new TfrxReportTitle(f.report);
        title->SetParent(page);
        title->SetName(QStringLiteral("ReportTitle1"));
        title->SetBounds(0, 0, 340, 10 * Mm);
        auto *data = new TfrxMasterData(f.report);
        data->SetParent(page);
        data->SetName(QStringLiteral("MasterData1"));
        data->SetBounds(0, 30 * Mm, 340, 10 * Mm);
        TfrxDesignerForm form(f.report);
        form.setWindowState(Qt::WindowNoState);
        form.resize(1200, 800);
        form.show();
        TfrxDesignerWorkspace *ws = form.Workspace();
        form.SetScale(1);
        TfrxComponent *memo1 = f.report->FindObject("Memo1");
        QCOMPARE(memo1->Parent(), title); // laid out: the title holds the memo at its top
        const QByteArray before = LayoutBytes::Save(*f.report);
        const double memoTop = memo1->AbsTop(), dataTop = data->Top(), titleHeight = title->Height();
        // The title's lower edge, 5.4 mm down: 5 grid steps.
        const double edge = title->AbsTop() + title->Height();
        Mouse(ws, QEvent::MouseButtonPress, At(ws, 100, edge));
        QCOMPARE(ws->Mode(), TfrxDesignerWorkspace::dmSizeBand);
        Mouse(ws, QEvent::MouseMove, At(ws, 100, edge + 5.4 * Mm));
        Mouse(ws, QEvent::MouseButtonRelease, At(ws, 100, edge + 5.4 * Mm));
        QVERIFY(Near(title->Height(), titleHeight + 5 * Mm));
        QVERIFY(Near(data->Top(), dataTop + 5 * Mm));
        QVERIFY(Near(memo1->AbsTop(), memoTop));
        QVERIFY(form.Modified());
        // Dragged up past its top, the band ends with no height, not a negative one.
        const double edge2 = title->AbsTop() + title->Height();
        Mouse(ws, QEvent::MouseButtonPress, At(ws, 100, edge2));
        Mouse(ws, QEvent::MouseMove, At(ws, 100, -50));
        Mouse(ws, QEvent::MouseButtonRelease, At(ws, 100, -50));
        QCOMPARE(title->Height(), 0.0);
        QVERIFY(form.Objects().contains(memo1));
        form.Undo();
        form.Undo();
        QCOMPARE(LayoutBytes::Save(*f.report), before);
    }

    void bandSizedByItsTopKeepsItsObjects()
    {
        Window w;
        w.form.SetScale(1);
        w.ws->SetBandOptions(true, true, 4); // free bands: the layout leaves the band's top alone
        TfrxPage *page = w.f.report->Pages(1);
        auto *band = new TfrxMasterData(w.f.report);
        band->SetParent(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(0, 10 * Mm, 340, 20 * Mm);
        w.ws->AdjustBands();
        TfrxComponent *memo2 = w.Obj("Memo2");
        QCOMPARE(memo2->Parent(), band);
        const double memoTop = memo2->AbsTop();
        QVERIFY(w.form.SelectObject("MasterData1"));
        const QPointF top(band->AbsLeft() + band->Width() / 2, band->AbsTop()); // handle 7
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, top.x(), top.y()));
        QCOMPARE(w.ws->Mode(), TfrxDesignerWorkspace::dmSize);
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, top.x(), top.y() + 3.2 * Mm));
        QVERIFY(Near(memo2->AbsTop(), memoTop));
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, top.x(), top.y() + 3.2 * Mm));
        QVERIFY(Near(memo2->AbsTop(), memoTop));
    }

    void draggedTabMovesThePage()
    {
        Window w;
        w.form.NewPage();
        QCOMPARE(PageNames(*w.f.report), (QStringList{"Data", "Page1", "Page2"}));
        auto *tabs = w.form.findChild<QTabBar *>("Tabs");
        const QByteArray before = LayoutBytes::Save(*w.f.report);
        auto drag = [&](int from, int to) {
            QTest::mousePress(tabs, Qt::LeftButton, {}, tabs->tabRect(from).center());
            QTest::mouseMove(tabs, tabs->tabRect(to).center());
            QTest::mouseRelease(tabs, Qt::LeftButton, {}, tabs->tabRect(to).center());
        };
        // Nothing moves onto the data page's tab or the Code tab, nor does the data page move.
        drag(3, 1);
        drag(3, 0);
        drag(1, 2);
        QCOMPARE(PageNames(*w.f.report), (QStringList{"Data", "Page1", "Page2"}));
        QCOMPARE(LayoutBytes::Save(*w.f.report), before);
        drag(3, 2);
        QCOMPARE(PageNames(*w.f.report), (QStringList{"Data", "Page2", "Page1"}));
        QCOMPARE(w.form.TabCaptions(), (QStringList{"Code", "Data", "Page2", "Page1"}));
        QCOMPARE(w.form.Page()->Name(), QStringLiteral("Page2"));
        QCOMPARE(tabs->currentIndex(), 2);
        // One change: one Undo puts the order back.
        w.form.Undo();
        QCOMPARE(PageNames(*w.f.report), (QStringList{"Data", "Page1", "Page2"}));
        QCOMPARE(LayoutBytes::Save(*w.f.report), before);
    }

    void textToolSnapsInDesignUnits()
    {
        Window w;
        w.form.SetScale(1.5);
        auto *tool = w.form.findChild<QAction *>("TextToolCmd");
        QVERIFY(tool);
        tool->trigger();
        QCOMPARE(w.ws->Tool(), TfrxDesignerWorkspace::dtEditText);
        // 11.4 mm to 40.5 mm across, 21.5 mm to 31.6 mm down, on the 1 mm grid at 150 %.
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, 11.4 * Mm, 21.5 * Mm));
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, 40.5 * Mm, 31.6 * Mm));
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, 40.5 * Mm, 31.6 * Mm));
        auto *memo = qobject_cast<TfrxMemoView *>(w.Obj("Memo3"));
        QVERIFY(memo);
        QVERIFY2(Near(memo->Left(), 11 * Mm) && Near(memo->Top(), 21 * Mm) && Near(memo->Width(), 29 * Mm) &&
                     Near(memo->Height(), 10 * Mm),
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(memo->Left() / Mm)
                                .arg(memo->Top() / Mm)
                                .arg(memo->Width() / Mm)
                                .arg(memo->Height() / Mm)));
        // Typed in place; a click elsewhere commits, and the tool stays.
        QVERIFY(w.ws->InplaceEditor() && w.ws->InplaceEditor()->isVisible());
        QTest::keyClicks(w.ws->InplaceEditor(), "Receiver");
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, 80 * Mm, 45 * Mm));
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, 80 * Mm, 45 * Mm));
        QCOMPARE(memo->Text(), QStringLiteral("Receiver\r\n"));
        QVERIFY(tool->isChecked());
        QVERIFY(!w.Obj("Memo4")); // a click is no rubber band
        // A click on a text object edits it in place.
        TfrxComponent *memo1 = w.Obj("Memo1");
        const QPoint inside = At(w.ws, memo1->AbsLeft() + 3, memo1->AbsTop() + 3);
        Mouse(w.ws, QEvent::MouseButtonPress, inside);
        Mouse(w.ws, QEvent::MouseButtonRelease, inside);
        QCOMPARE(w.ws->Mode(), TfrxDesignerWorkspace::dmInplaceEdit);
        QCOMPARE(w.form.SelectedObjects(), QList<TfrxComponent *>{memo1});
    }

    void optionsOkStoresCancelChangesNothing()
    {
        ScriptedUi ui;
        Window w;
        const QString store = TfrxDesignerSettings::StoreFileName(w.f.report->IniFile());
        const QByteArray layout = LayoutBytes::Save(*w.f.report);
        QFile::remove(store);
        auto change = [](QDialog &dialog) {
            dialog.findChild<QComboBox *>("UnitsCB")->setCurrentIndex(1);
            dialog.findChild<QDoubleSpinBox *>("GridInchE")->setValue(0.25);
            dialog.findChild<QCheckBox *>("EditAfterInsertCB")->setChecked(true);
            dialog.findChild<QCheckBox *>("ShowGridCB")->setChecked(false);
            dialog.findChild<QCheckBox *>("ObjectFontCB")->setChecked(false);
            dialog.findChild<QSpinBox *>("MemoFontSizeE")->setValue(17);
        };
        ui.DialogSteps.enqueue([&](QDialog &dialog) {
            change(dialog);
            dialog.findChild<QPushButton *>("CancelButton")->click();
        });
        w.form.Action("OptionsCmd")->trigger();
        QCOMPARE(ui.DialogTitles, QStringList{"Designer Options"});
        QCOMPARE(w.form.Units(), 0);
        QVERIFY(!QFile::exists(store));
        QCOMPARE(LayoutBytes::Save(*w.f.report), layout);
        QVERIFY(w.form.Action("ShowGridCmd")->isChecked());

        ui.DialogSteps.enqueue([&](QDialog &dialog) {
            change(dialog);
            dialog.findChild<QPushButton *>("OkButton")->click();
        });
        w.form.Action("OptionsCmd")->trigger();
        QCOMPARE(w.form.Units(), 1);
        QCOMPARE(w.ws->GridType(), TfrxDesignerWorkspace::gtInch);
        QVERIFY(Near(w.ws->GridX(), 0.25 * 96));
        QVERIFY(!w.form.Action("ShowGridCmd")->isChecked());
        const TfrxDesignerState stored = TfrxDesignerSettings(w.f.report->IniFile()).Restore();
        QCOMPARE(stored.Units, 1);
        QCOMPARE(stored.Grid2, 0.25);
        QVERIFY(stored.EditAfterInsert);
        QVERIFY(!stored.ShowGrid);
        QCOMPARE(stored.MemoFontName, QStringLiteral("Arial")); // untouched fields stay
        QCOMPARE(LayoutBytes::Save(*w.f.report), layout);
        QVERIFY(!w.form.Modified());
        // The memo editor shows the designer's memo font now.
        int pointSize = 0;
        QTimer::singleShot(0, [&] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                pointSize = dialog->findChild<QPlainTextEdit *>()->font().pointSize();
                dialog->close();
            }
        });
        QVERIFY(w.form.SelectObject("Memo1"));
        w.form.EditObject();
        QCOMPARE(pointSize, 17);
    }

    void aboutShowsTheVersion()
    {
        ScriptedUi ui;
        Window w;
        QString text;
        ui.DialogSteps.enqueue([&](QDialog &dialog) {
            text = dialog.findChild<QLabel *>("TextL")->text();
            dialog.findChild<QPushButton *>("OkButton")->click();
        });
        w.form.Action("AboutCmd")->trigger();
        QCOMPARE(ui.DialogTitles, QStringList{"About"});
        QVERIFY(text.contains(QStringLiteral("Qt ") + QLatin1String(qVersion())));
    }
};

QTEST_MAIN(TestWorkspaceTools)
#include "tst_workspacetools.moc"

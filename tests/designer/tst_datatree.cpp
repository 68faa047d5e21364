// The data tree and the report tree of the designer window, fields dropped from the data tree onto
// the page (through synthesized drag events, as the page receives them), the Page Settings dialog
// and the report-data dialog.
#include "DesignerFixture.h"
#include "LayoutBytes.h"
#include "ScriptedUi.h"

#include "designer/dialogs/frxPageEditor.h"
#include "designer/dialogs/frxReportDataDialog.h"
#include "designer/trees/frxDataTree.h"
#include "designer/trees/frxReportTree.h"
#include "designer/undo/frxUndoBuffer.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "engine/build/frxEngine.h"
#include "report/objects/frxBarcode.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <cmath>
#include <memory>

namespace {

constexpr double Mm = 3.77953;

// The settings of a user who switched "edit after insert" off.
void WriteSettings(const DesignerFixture &f)
{
    QFile ini(QDir(f.config.path()).filePath("Tavrel.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Form4.TfrxDesignerForm]\r\nScale=1\r\nEditAfterInsert=0\r\nMaximized=0\r\n");
}

struct Window {
    DesignerFixture f;
    std::unique_ptr<TfrxDesignerForm> form;
    TfrxDesignerWorkspace *ws = nullptr;
    TfrxDataTreeForm *tree = nullptr;

    explicit Window(const QStringList &fields = {})
    {
        if (!fields.isEmpty())
            f.fd->SetFields(fields);
        WriteSettings(f);
        form = std::make_unique<TfrxDesignerForm>(f.report);
        form->setWindowState(Qt::WindowNoState);
        form->resize(1200, 800);
        form->show();
        form->SetScale(1);
        ws = form->Workspace();
        tree = form->DataTree();
    }

    // The node of a tab whose text is text (anywhere in the tree).
    QTreeWidgetItem *Node(int tab, const QString &text) const
    {
        const QList<QTreeWidgetItem *> found =
            tree->Tree(tab)->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    // Drags a node of a tab onto the page as the page receives a drag: enter, a move to the
    // widget position at, the drop. False when the page refused the drag.
    bool DragDrop(int tab, const QString &text, QPoint at)
    {
        tree->SetActivePage(tab);
        QTreeWidgetItem *node = Node(tab, text);
        if (!node)
            return false;
        tree->Tree(tab)->setCurrentItem(node);
        std::unique_ptr<QMimeData> data(tree->DragData(tab));
        QMimeData empty;
        QMimeData *carried = data ? data.get() : &empty;
        QDragEnterEvent enter(at, Qt::CopyAction, carried, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ws, &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(at, Qt::CopyAction, carried, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ws, &move);
        QDropEvent drop(QPointF(at), Qt::CopyAction, carried, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ws, &drop);
        return true;
    }

    QPoint At(double x, double y) const
    {
        const QPointF p = ws->PrintableOrigin() + QPointF(x, y) * ws->Scale();
        return QPoint(qRound(p.x()), qRound(p.y()));
    }

    TfrxMemoView *Memo(const QString &name) const
    {
        return qobject_cast<TfrxMemoView *>(f.report->FindObject(name));
    }

    QStringList Children(int tab, const QString &parent) const
    {
        QStringList list;
        if (QTreeWidgetItem *node = Node(tab, parent))
            for (int i = 0; i < node->childCount(); ++i)
                list << node->child(i)->text(0);
        return list;
    }
};

bool OnGrid(double value)
{
    const double steps = value / Mm;
    return std::abs(steps - std::round(steps)) < 1e-6;
}

} // namespace

class TestDataTree : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { frxRegisterEngine(); }

    void dataTabShowsFieldsInOrderOrSorted()
    {
        Window w({"收件人", "PhoneNumber", "Address", "电话"});
        QCOMPARE(w.Children(TfrxDataTreeForm::tabData, "Data"), QStringList{"FD"});
        QCOMPARE(w.Children(TfrxDataTreeForm::tabData, "FD"),
                 (QStringList{"收件人", "PhoneNumber", "Address", "电话"}));
        QVERIFY(w.tree->HasData());
        QVERIFY(w.Node(TfrxDataTreeForm::tabData, "FD")->font(0).bold());

        w.tree->SetSortByName(true);
        QStringList sorted{"收件人", "PhoneNumber", "Address", "电话"};
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        QCOMPARE(w.Children(TfrxDataTreeForm::tabData, "FD"), sorted);

        // A collapsed dataset stays collapsed through rebuilds.
        w.Node(TfrxDataTreeForm::tabData, "FD")->setExpanded(false);
        w.form->UpdateDataTree();
        QVERIFY(!w.Node(TfrxDataTreeForm::tabData, "FD")->isExpanded());
        w.Node(TfrxDataTreeForm::tabData, "FD")->setExpanded(true);
        w.form->UpdateDataTree();
        QVERIFY(w.Node(TfrxDataTreeForm::tabData, "FD")->isExpanded());

        // Variables: the system variables last, expanded.
        QTreeWidgetItem *system = w.Node(TfrxDataTreeForm::tabVariables, "System variables");
        QVERIFY(system && system->isExpanded());
        QCOMPARE(w.Children(TfrxDataTreeForm::tabVariables, "System variables"),
                 (QStringList{"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line", "Line#",
                              "CopyName#"}));
    }

    void referenceTexts()
    {
        Window w;
        auto reference = [&](int tab, const QString &text) {
            return TfrxDataTreeForm::ReferenceText(w.Node(tab, text), tab);
        };
        QCOMPARE(reference(TfrxDataTreeForm::tabData, "收件人"), QStringLiteral("<FD.\"收件人\">"));
        QCOMPARE(reference(TfrxDataTreeForm::tabData, "FD"), QString());
        QCOMPARE(reference(TfrxDataTreeForm::tabData, "Data"), QString());
        QCOMPARE(reference(TfrxDataTreeForm::tabVariables, "Page#"), QStringLiteral("<Page#>"));
        QCOMPARE(reference(TfrxDataTreeForm::tabVariables, "System variables"), QString());
        // Functions come from the script library when the tab is first shown.
        w.tree->SetActivePage(TfrxDataTreeForm::tabFunctions);
        const QList<QTreeWidgetItem *> copy =
            w.tree->Tree(TfrxDataTreeForm::tabFunctions)
                ->findItems("Copy(", Qt::MatchStartsWith | Qt::MatchRecursive);
        QVERIFY(!copy.isEmpty());
        QCOMPARE(TfrxDataTreeForm::ReferenceText(copy.first(), TfrxDataTreeForm::tabFunctions),
                 QStringLiteral("Copy(,,)"));
        QVERIFY(w.tree->Tree(TfrxDataTreeForm::tabClasses)->topLevelItem(0)->childCount() > 0);
    }

    void droppedFieldIsABoundMemoOnTheGridThatABuildFills()
    {
        Window w;
        const int undoBefore = w.form->UndoBuffer()->UndoCount();
        QVERIFY(w.DragDrop(TfrxDataTreeForm::tabData, "收件人", w.At(100, 120)));
        // Chinese field names give "Memo" and the next free number.
        TfrxMemoView *memo = w.Memo("Memo3");
        QVERIFY(memo);
        QCOMPARE(memo->DataSet(), w.f.fd);
        QCOMPARE(memo->DataField(), QStringLiteral("收件人"));
        // The text is the bracket form, stored as the ready templates store it.
        QCOMPARE(memo->Text().trimmed(), QStringLiteral("[FD.\"收件人\"]"));
        QCOMPARE(memo->Width(), std::round(21 * Mm * 1e8) / 1e8); // 2.1 cm
        QCOMPARE(memo->Height(), 0.5 * 37.7953);
        QVERIFY(OnGrid(memo->Left()) && OnGrid(memo->Top()));
        // Just above and left of the pointer: 8 screen pixels, snapped to the 1 mm grid.
        QVERIFY(std::abs(memo->Left() - (100 - 8)) < Mm);
        QVERIFY(std::abs(memo->Top() - (120 - 8)) < Mm);
        QCOMPARE(w.form->SelectedObjects(), QList<TfrxComponent *>{memo});
        QCOMPARE(w.form->UndoBuffer()->UndoCount(), undoBefore + 1);
        QVERIFY(w.form->Modified());
        QVERIFY(w.form->ReportTree()->NodeOf(memo));
        // Drawn on the page with its binding, as the other bound memos.
        QCOMPARE(memo->DrawnText(), QStringList{"[FD.\"收件人\"]"});

        // The saved layout keeps the binding, and a build fills it with the order's value.
        const QByteArray bytes = LayoutBytes::Save(*w.f.report);
        QVERIFY(bytes.contains("DataField=\"收件人\""));
        w.form->close();
        w.form.reset();
        TfrxReport &report = *w.f.report;
        LayoutBytes::Load(report, bytes);
        w.f.fd->SetRangeEnd(frx::reCount);
        w.f.fd->SetRangeEndCount(1);
        w.f.fd->OnGetValue = [](const QString &field, Variant &value) {
            if (field == QStringLiteral("收件人"))
                value = QStringLiteral("张三");
        };
        QString printed;
        report.OnAfterPrint = [&](TfrxComponent *c) {
            if (c->Name() == QLatin1String("Memo3"))
                printed = static_cast<TfrxMemoView *>(c)->Text().trimmed();
        };
        QVERIFY2(report.BuildPages(true), qPrintable(report.Errors().join('\n')));
        QCOMPARE(printed, QStringLiteral("张三"));
    }

    // A field dropped on a barcode or QR code becomes what it encodes, instead of a text object
    // lying on top of it; the build then encodes the field's value.
    void fieldDroppedOnABarcodeBindsIt_data()
    {
        QTest::addColumn<bool>("twoD");
        QTest::newRow("Code 128") << false;
        QTest::newRow("QR code") << true;
    }
    void fieldDroppedOnABarcodeBindsIt()
    {
        QFETCH(bool, twoD);
        Window w;
        auto *page = w.f.report->Pages(1);
        TfrxBarcodeBase *bar = twoD ? static_cast<TfrxBarcodeBase *>(new TfrxBarcode2DView(w.f.report))
                                    : new TfrxBarCodeView(w.f.report);
        bar->SetParent(page);
        bar->SetName("Code1");
        bar->SetBounds(20 * Mm, 30 * Mm, 40 * Mm, 15 * Mm);
        w.form->ReloadPages(1);
        const int objectsBefore = int(page->AllObjects().size());
        const int undoBefore = w.form->UndoBuffer()->UndoCount();
        QVERIFY(w.DragDrop(TfrxDataTreeForm::tabData, "电话", w.At(30 * Mm, 35 * Mm)));
        QCOMPARE(int(page->AllObjects().size()), objectsBefore);
        QCOMPARE(bar->Expression(), QStringLiteral("<FD.\"电话\">"));
        QCOMPARE(w.form->SelectedObjects(), QList<TfrxComponent *>{bar});
        QCOMPARE(w.form->UndoBuffer()->UndoCount(), undoBefore + 1);
        // Beside the barcode the same drop makes a text object as before.
        QVERIFY(w.DragDrop(TfrxDataTreeForm::tabData, "电话", w.At(70 * Mm, 10 * Mm)));
        QCOMPARE(int(page->AllObjects().size()), objectsBefore + 1);

        const QByteArray bytes = LayoutBytes::Save(*w.f.report);
        w.form->close();
        w.form.reset();
        LayoutBytes::Load(*w.f.report, bytes);
        w.f.fd->SetRangeEnd(frx::reCount);
        w.f.fd->SetRangeEndCount(1);
        w.f.fd->OnGetValue = [](const QString &field, Variant &value) {
            if (field == QStringLiteral("电话"))
                value = QStringLiteral("13912345678");
        };
        QString encoded;
        w.f.report->OnAfterPrint = [&](TfrxComponent *c) {
            if (c->Name() == QLatin1String("Code1"))
                encoded = static_cast<TfrxBarcodeBase *>(c)->Text();
        };
        QVERIFY2(w.f.report->BuildPages(true), qPrintable(w.f.report->Errors().join('\n')));
        QCOMPARE(encoded, QStringLiteral("13912345678"));
    }

    void namesFollowTheReference_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("names"); // of two drops
        QTest::newRow("ASCII field twice") << "PhoneNumber" << QStringList{"FDPhoneNumber", "FDPhoneNumber1"};
        // <FD."Tel"> gives FDTel, fewer than two thirds of its ten characters.
        QTest::newRow("short name") << "Tel" << QStringList{"Memo3", "Memo4"};
        QTest::newRow("mostly Chinese") << "电话A" << QStringList{"Memo3", "Memo4"};
        QTest::newRow("quotes and brackets") << "a\"b]c[<d>" << QStringList{"Memo3", "Memo4"};
    }
    void namesFollowTheReference()
    {
        QFETCH(QString, field);
        QFETCH(QStringList, names);
        Window w({field});
        QVERIFY(w.DragDrop(TfrxDataTreeForm::tabData, field, w.At(60, 60)));
        QVERIFY(w.DragDrop(TfrxDataTreeForm::tabData, field, w.At(60, 120)));
        for (const QString &name : names) {
            TfrxMemoView *memo = w.Memo(name);
            QVERIFY2(memo, qPrintable(name));
            QCOMPARE(memo->DataField(), field);
            QCOMPARE(memo->DataSet(), w.f.fd);
        }
        // The layout stays readable and keeps the binding, whatever the name holds.
        const QByteArray bytes = LayoutBytes::Save(*w.f.report);
        w.form->close();
        w.form.reset();
        TComponent owner;
        auto *reread = new TfrxReport(&owner);
        reread->Datasets()->Add(w.f.fd);
        LayoutBytes::Load(*reread, bytes);
        QVERIFY2(reread->Errors().isEmpty(), qPrintable(reread->Errors().join('\n')));
        auto *memo = qobject_cast<TfrxMemoView *>(reread->FindObject(names.last()));
        QVERIFY(memo);
        QCOMPARE(memo->DataField(), field);
    }

    void captionAboveTheFieldIsOneUndoStep()
    {
        Window w({"PhoneNumber"});
        w.tree->SetInsertCaption(true);
        const QByteArray before = LayoutBytes::Save(*w.f.report);
        QVERIFY(w.DragDrop(TfrxDataTreeForm::tabData, "PhoneNumber", w.At(80, 120)));
        TfrxMemoView *field = w.Memo("FDPhoneNumber");
        TfrxMemoView *caption = w.Memo("Memo3");
        QVERIFY(field && caption);
        QCOMPARE(caption->Text().trimmed(), QStringLiteral("PhoneNumber"));
        QVERIFY(caption->DataSet() == nullptr);
        QCOMPARE(caption->Left(), field->Left());
        QCOMPARE(caption->Width(), field->Width());
        QCOMPARE(caption->Height(), field->Height());
        QVERIFY(std::abs(caption->Top() - (field->Top() - field->Height())) < 1e-6);
        QCOMPARE(w.form->SelectedObjects().size(), 2);
        w.form->Undo();
        QVERIFY(!w.f.report->FindObject("FDPhoneNumber"));
        QVERIFY(!w.f.report->FindObject("Memo3"));
        QCOMPARE(LayoutBytes::Save(*w.f.report), before);

        // Only the caption when "Create field" is off.
        w.tree->SetInsertField(false);
        QVERIFY(w.DragDrop(TfrxDataTreeForm::tabData, "PhoneNumber", w.At(80, 120)));
        QVERIFY(!w.f.report->FindObject("FDPhoneNumber"));
        QVERIFY(w.Memo("Memo3"));
        QCOMPARE(w.Memo("Memo3")->Text().trimmed(), QStringLiteral("PhoneNumber"));
    }

    void nodesWithoutReferenceCreateNothing()
    {
        Window w;
        const QByteArray before = LayoutBytes::Save(*w.f.report);
        const int undoBefore = w.form->UndoBuffer()->UndoCount();
        QVERIFY(!w.DragDrop(TfrxDataTreeForm::tabData, "FD", w.At(60, 60)));
        QVERIFY(!w.DragDrop(TfrxDataTreeForm::tabData, "Data", w.At(60, 60)));
        QVERIFY(!w.DragDrop(TfrxDataTreeForm::tabVariables, "System variables", w.At(60, 60)));
        // Drag data that this window did not make.
        QMimeData foreign;
        foreign.setText("<FD.\"收件人\">");
        QDragEnterEvent enter(w.At(60, 60), Qt::CopyAction, &foreign, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.ws, &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(LayoutBytes::Save(*w.f.report), before);
        QCOMPARE(w.form->UndoBuffer()->UndoCount(), undoBefore);
    }

    void variableDropsAsItsExpression()
    {
        Window w;
        QVERIFY(w.DragDrop(TfrxDataTreeForm::tabVariables, "Page#", w.At(60, 60)));
        QVERIFY(w.DragDrop(TfrxDataTreeForm::tabVariables, "Date", w.At(60, 120)));
        // "Page" is fewer than two thirds of "<Page#>": "Memo" and a number.
        QVERIFY(w.Memo("Memo3"));
        QCOMPARE(w.Memo("Memo3")->Text().trimmed(), QStringLiteral("[Page#]"));
        QVERIFY(w.Memo("Memo3")->DataSet() == nullptr);
        QCOMPARE(w.Memo("Date")->Text().trimmed(), QStringLiteral("[Date]"));
    }

    void noDataMessageOpensTheDataDialog()
    {
        Window w;
        ScriptedUi ui;
        // The report uses no dataset: the message, and its double-click opens the data dialog.
        w.f.report->Datasets()->Clear();
        w.form->UpdateDataTree();
        QVERIFY(!w.tree->HasData());
        auto *label = w.tree->findChild<QLabel *>("NoDataLabel");
        QVERIFY(label->text().startsWith("No data available.\n\n"));
        ui.DialogSteps.enqueue([&](QDialog &dialog) {
            auto &data = static_cast<TfrxReportDataForm &>(dialog);
            QVERIFY(data.Offered().contains(w.f.fd));
            data.SetChecked(w.f.fd, true);
            dialog.accept();
        });
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), label->mapToGlobal(QPointF(5, 5)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(label, &click);
        QCOMPARE(ui.DialogTitles, QStringList{"Select Report Datasets"});
        QVERIFY(w.f.report->Datasets()->Find(w.f.fd));
        QVERIFY(w.tree->HasData());
        QVERIFY(w.form->Modified());
    }

    void dialogsCancelledLeaveTheLayoutAsItWas()
    {
        Window w;
        ScriptedUi ui;
        const QByteArray before = LayoutBytes::Save(*w.f.report);
        const int undoBefore = w.form->UndoBuffer()->UndoCount();
        ui.DialogSteps.enqueue([](QDialog &dialog) {
            dialog.findChild<QComboBox *>("SizeCB")->setCurrentIndex(0);
            dialog.findChild<QRadioButton *>("LandscapeRB")->setChecked(true);
            dialog.findChild<QLineEdit *>("MarginLeftE")->setText("20");
            dialog.reject();
        });
        w.form->Action("PageSettingsCmd")->trigger();
        ui.DialogSteps.enqueue([&](QDialog &dialog) {
            static_cast<TfrxReportDataForm &>(dialog).SetChecked(w.f.fd, false);
            dialog.reject();
        });
        w.form->Action("ReportDataCmd")->trigger();
        QCOMPARE(ui.DialogTitles, (QStringList{"Page Settings", "Select Report Datasets"}));
        QCOMPARE(LayoutBytes::Save(*w.f.report), before);
        QCOMPARE(w.form->UndoBuffer()->UndoCount(), undoBefore);
        QVERIFY(!w.form->Modified());
    }

    void pageSettingsApplyOnOk()
    {
        Window w;
        ScriptedUi ui;
        // Double-click on the empty page opens the page's settings.
        ui.DialogSteps.enqueue([](QDialog &dialog) {
            auto *size = dialog.findChild<QComboBox *>("SizeCB");
            const int a5 = size->findText("A5");
            QVERIFY(a5 >= 0);
            size->setCurrentIndex(a5);
            dialog.findChild<QRadioButton *>("LandscapeRB")->setChecked(true);
            dialog.findChild<QLineEdit *>("MarginTopE")->setText("7,5");
            dialog.accept();
        });
        const QPoint empty = w.At(300, 180);
        QMouseEvent press(QEvent::MouseButtonPress, empty, w.ws->mapToGlobal(empty), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.ws, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, empty, w.ws->mapToGlobal(empty), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w.ws, &release);
        QMouseEvent twice(QEvent::MouseButtonDblClick, empty, w.ws->mapToGlobal(empty), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.ws, &twice);
        QCOMPARE(ui.DialogTitles, QStringList{"Page Settings"});
        auto *page = qobject_cast<TfrxReportPage *>(w.form->Page());
        QCOMPARE(page->Orientation(), frx::poLandscape);
        QCOMPARE(page->PaperWidth(), 210.0);
        QCOMPARE(page->PaperHeight(), 148.0);
        QCOMPARE(page->TopMargin(), 7.5);
        QCOMPARE(w.ws->width() > 210 * Mm, true);
        QVERIFY(w.form->Modified());
        w.form->Undo();
        QCOMPARE(qobject_cast<TfrxReportPage *>(w.form->Page())->PaperWidth(), 100.0);
    }

    void badPaperValuesAreRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("zero width") << "WidthE"
                                    << "0"
                                    << "greater than 0";
        QTest::newRow("negative height") << "HeightE"
                                         << "-5"
                                         << "greater than 0";
        QTest::newRow("not a number") << "WidthE"
                                      << "abc"
                                      << "not a number";
        QTest::newRow("margins wider than the paper") << "MarginLeftE"
                                                      << "96"
                                                      << "no room";
        QTest::newRow("negative margin") << "MarginBottomE"
                                         << "-1"
                                         << "must not be negative";
    }
    void badPaperValuesAreRefused()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        Window w;
        ScriptedUi ui;
        const QByteArray before = LayoutBytes::Save(*w.f.report);
        bool stayedOpen = false;
        ui.DialogSteps.enqueue([&](QDialog &dialog) {
            dialog.findChild<QLineEdit *>(field)->setText(value);
            dialog.accept();
            stayedOpen = dialog.isVisible();
        });
        QVERIFY(!w.form->EditPageSettings());
        QVERIFY(stayedOpen);
        QCOMPARE(ui.Shown.size(), 1);
        QVERIFY2(ui.LastText().contains(message), qPrintable(ui.LastText()));
        QCOMPARE(LayoutBytes::Save(*w.f.report), before);
        // "Whole page" still has a page to fit.
        w.form->SetZoomText("Whole page");
        QVERIFY(std::isfinite(w.form->Scale()) && w.form->Scale() > 0);
    }

    void reportTreeSelectsAndFollows()
    {
        Window w;
        TfrxReportTreeForm *tree = w.form->ReportTree();
        QTreeWidgetItem *root = tree->Tree()->topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("Report"));
        QTreeWidgetItem *memo2 = tree->NodeOf(w.f.report->FindObject("Memo2"));
        QVERIFY(memo2);
        QCOMPARE(memo2->parent()->text(0), QStringLiteral("Page1"));
        // A click selects the object.
        tree->Tree()->scrollToItem(memo2);
        const QRect r = tree->Tree()->visualItemRect(memo2);
        QTest::mouseClick(tree->Tree()->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(w.form->SelectedObjects(), QList<TfrxComponent *>{w.f.report->FindObject("Memo2")});
        // Selecting on the page moves the tree's current node.
        w.form->SelectObject("Memo1");
        QCOMPARE(tree->Tree()->currentItem(), tree->NodeOf(w.f.report->FindObject("Memo1")));
        // Delete in the tree deletes the selection.
        tree->Tree()->setFocus();
        QTest::keyClick(tree->Tree(), Qt::Key_Delete);
        QVERIFY(!w.f.report->FindObject("Memo1"));
        QVERIFY(!tree->NodeOf(w.f.report->FindObject("Memo2"))->text(0).isEmpty());
        QCOMPARE(tree->Tree()->findItems("Memo1", Qt::MatchExactly | Qt::MatchRecursive).size(), 0);
    }
};

QTEST_MAIN(TestDataTree)
#include "tst_datatree.moc"

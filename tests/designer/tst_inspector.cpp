// The object inspector in the designer window: rows from the property metadata, values in the
// designer's unit both ways, several selected objects written at once, data binding, refused
// input, and the picture and frame editors (each edits a copy, so Cancel changes no byte).
#include "DesignerFixture.h"
#include "LayoutBytes.h"
#include "ScriptedUi.h"

#include "designer/inspector/frxDsgnIntf.h"
#include "designer/inspector/frxFrameEditor.h"
#include "designer/inspector/frxInsp.h"
#include "designer/inspector/frxPictureEditor.h"
#include "designer/undo/frxUndoBuffer.h"
#include "designer/window/frxDesgn.h"
#include "designer/window/frxMemoEditor.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "report/core/frxErrors.h"
#include "report/model/frxBands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QRandomGenerator>
#include <QToolButton>
#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

#include <functional>

namespace {

// The settings of a user who switched "edit after insert" off.
void WriteSettings(const DesignerFixture &f, int units)
{
    QFile ini(QDir(f.config.path()).filePath("Tavrel.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write(QStringLiteral("[Form4.TfrxDesignerForm]\r\nScale=1\r\nEditAfterInsert=0\r\nMaximized=0\r\n"
                                 "Units=%1\r\n")
                      .arg(units)
                      .toLatin1());
}

struct Window {
    DesignerFixture f;
    ScriptedUi ui;
    std::unique_ptr<TfrxDesignerForm> form;
    TfrxObjectInspector *insp = nullptr;
    explicit Window(int units = 0)
    {
        WriteSettings(f, units);
        form = std::make_unique<TfrxDesignerForm>(f.report);
        form->setWindowState(Qt::WindowNoState);
        form->resize(1200, 800);
        form->show();
        insp = form->findChild<TfrxObjectInspector *>();
    }
    TfrxComponent *Obj(const QString &name) { return f.report->FindObject(name); }
    TfrxMemoView *Memo(const char *name) { return qobject_cast<TfrxMemoView *>(Obj(QLatin1String(name))); }
    TfrxReportPage *Page() { return qobject_cast<TfrxReportPage *>(Obj(QStringLiteral("Page1"))); }
    void Select(const QList<TfrxComponent *> &objects) { form->Workspace()->Select(objects); }
    QByteArray Bytes() { return LayoutBytes::Save(*f.report); }
    int UndoCount() { return form->UndoBuffer()->UndoCount(); }
};

QString WriteImage(const QString &path, int w, int h, const char *format)
{
    QImage image(w, h, QImage::Format_RGB32);
    auto *rng = QRandomGenerator::global();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, rng->generate());
    image.save(path, format);
    return path;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A dialog step: the picture editor loads a file through its Load button, then OK or Cancel.
std::function<void(QDialog &)> LoadPicture(ScriptedUi &ui, const QString &file, bool ok)
{
    return [&ui, file, ok](QDialog &dialog) {
        auto *editor = qobject_cast<TfrxPictureEditorForm *>(&dialog);
        QVERIFY(editor);
        ui.FileNames.enqueue(file);
        editor->Load();
        ok ? dialog.accept() : dialog.reject();
    };
}

// Every row path under a tree item list, depth first.
void CollectPaths(TfrxObjectInspector *insp, QTreeWidgetItem *item, const QString &prefix, QStringList &paths)
{
    const QString path = prefix.isEmpty() ? item->text(0) : prefix + u'.' + item->text(0);
    paths << path;
    for (int i = 0; i < item->childCount(); ++i)
        CollectPaths(insp, item->child(i), path, paths);
}

} // namespace

class TestInspector : public QObject {
    Q_OBJECT
private slots:
    void rowsComeFromTheMetadata()
    {
        Window w;
        w.Select({w.Memo("Memo1")});
        const QStringList rows = w.insp->RowNames();
        QStringList sorted = rows;
        sorted.sort(Qt::CaseInsensitive);
        QCOMPARE(rows, sorted);
        for (const char *name : {"Name", "Left", "Width", "DataField", "DataSet", "Font", "Frame", "Memo"})
            QVERIFY2(rows.contains(QLatin1String(name)), name);
        // Hidden by registration; events go to their own tab.
        for (const char *name : {"DataSetName", "GroupIndex", "FirstParaBreak", "OnBeforePrint"})
            QVERIFY2(!rows.contains(QLatin1String(name)), name);
        QVERIFY(w.insp->FindItem("Font.Name"));
        QVERIFY(!w.insp->FindItem("Font.Height"));
        QCOMPARE(w.insp->ValueText("Font"), QStringLiteral("(TFont)"));
        QCOMPARE(w.insp->ValueText("Frame"), QStringLiteral("(TfrxFrame)"));
        QVERIFY(w.insp->FindItem("Frame.LeftLine.Width"));
        QCOMPARE(w.insp->ValueText("Font.Style"), QStringLiteral("[]"));
        QCOMPARE(w.insp->ObjectList()->currentText(), QStringLiteral("Memo1: TfrxMemoView"));
        // The description names the row; a frame's own colour text wins over the general one.
        QVERIFY(w.insp->SelectRow("Left"));
        QVERIFY(w.insp->DescriptionText().contains("The left coordinate of the object"));
        QVERIFY(w.insp->SelectRow("Frame.Color"));
        QVERIFY(w.insp->DescriptionText().contains("frame lines"));
        w.insp->SetTab(1);
        QVERIFY(w.insp->RowNames().contains(QStringLiteral("OnBeforePrint")));
        w.insp->SetTab(0);

        // The page: paper in the unit, hidden printer bins and guides.
        w.Select({});
        QCOMPARE(w.form->SelectedObjects(), QList<TfrxComponent *>{w.Page()});
        const QStringList page = w.insp->RowNames();
        QVERIFY(page.contains(QStringLiteral("PaperWidth")));
        QVERIFY(page.contains(QStringLiteral("BackPicture")));
        for (const char *name : {"Bin", "HGuides", "ColumnPositions"})
            QVERIFY2(!page.contains(QLatin1String(name)), name);
        QCOMPARE(w.insp->ValueText("BackPicture"), QStringLiteral("(Not assigned)"));

        // Picking an object in the list selects it.
        const int index = w.insp->ObjectList()->findText(QStringLiteral("Memo2: TfrxMemoView"));
        QVERIFY(index >= 0);
        emit w.insp->ObjectList()->activated(index);
        QCOMPARE(w.form->SelectedObjects(), QList<TfrxComponent *>{w.Memo("Memo2")});
        QCOMPARE(w.insp->ValueText("Name"), QStringLiteral("Memo2"));
    }

    void splitPositionsAreKept()
    {
        DesignerFixture f;
        WriteSettings(f, 0);
        {
            TfrxDesignerForm form(f.report);
            form.show();
            auto *insp = form.findChild<TfrxObjectInspector *>();
            QCOMPARE(insp->SplitPos(), 75); // the first run's layout
            insp->SetSplitPos(120);
            form.close();
        }
        TfrxDesignerForm again(f.report);
        QCOMPARE(again.findChild<TfrxObjectInspector *>()->SplitPos(), 120);
    }

    void registryRules()
    {
        TfrxPropertyEditorCollection r;
        const TfrxPropInfo &left = *frxClassInfo(&TfrxMemoView::staticMetaObject).Find(u"Left");
        const TfrxPropInfo &color = *frxClassInfo(&TfrxMemoView::staticMetaObject).Find(u"Color");
        const QMetaObject *memo = &TfrxMemoView::staticMetaObject;
        QCOMPARE(r.Find(memo, left), nullptr);
        r.Register("Extended", {}, {}, frxEditor<TfrxPropertyEditor>()); // the whole type
        r.Register("Extended", {}, {}, frxEditor<TfrxPropertyEditor>()); // a later whole-type entry
        QCOMPARE(r.Find(memo, left), &r.Entries()[0]);
        r.Register({}, "TfrxComponent", "left", frxEditor<TfrxPropertyEditor>());
        r.Register({}, "TfrxPictureView", "Left", nullptr); // another class: no effect
        QCOMPARE(r.Find(memo, left), &r.Entries()[2]);
        r.Hide("TfrxView", "Left");
        QVERIFY(r.Find(memo, left) && !r.Find(memo, left)->Factory);
        r.Register({}, "TfrxMemoView", "Left", frxEditor<TfrxPropertyEditor>()); // last one wins
        QCOMPARE(r.Find(memo, left), &r.Entries()[5]);
        QCOMPARE(r.Find(memo, color), nullptr);

        QWidget notADesigner;
        QVERIFY_THROWS_EXCEPTION(EReportError, TfrxObjectInspector{&notADesigner});
    }

    void unitsBothWays_data()
    {
        QTest::addColumn<int>("units");
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("shown");
        QTest::newRow("cm width") << 0 << "Memo1"
                                  << "Width"
                                  << "2.50";
        QTest::newRow("cm height") << 0 << "Memo1"
                                   << "Height"
                                   << "0.50";
        QTest::newRow("cm left") << 0 << "Memo1"
                                 << "Left"
                                 << "1";
        QTest::newRow("in width") << 1 << "Memo1"
                                  << "Width"
                                  << "0.98";
        QTest::newRow("in height") << 1 << "Memo1"
                                   << "Height"
                                   << "0.20";
        QTest::newRow("px width") << 2 << "Memo1"
                                  << "Width"
                                  << "94.49";
        QTest::newRow("chars width") << 3 << "Memo1"
                                     << "Width"
                                     << "9.84";
        QTest::newRow("chars height") << 3 << "Memo1"
                                      << "Height"
                                      << "1.11";
        QTest::newRow("A4 cm") << 0 << "Page1"
                               << "PaperWidth"
                               << "21";
        QTest::newRow("A4 in") << 1 << "Page1"
                               << "PaperWidth"
                               << "8.27";
        QTest::newRow("A4 px") << 2 << "Page1"
                               << "PaperWidth"
                               << "793.70";
        QTest::newRow("A4 chars") << 3 << "Page1"
                                  << "PaperWidth"
                                  << "82.68";
        QTest::newRow("A4 height chars") << 3 << "Page1"
                                         << "PaperHeight"
                                         << "66.03";
        QTest::newRow("margin cm") << 0 << "Page1"
                                   << "LeftMargin"
                                   << "0.50";
    }
    void unitsBothWays()
    {
        QFETCH(int, units);
        QFETCH(QString, object);
        QFETCH(QString, row);
        QFETCH(QString, shown);
        Window w(units);
        w.Page()->SetPaperSize(9);
        QCOMPARE(w.Page()->PaperWidth(), 210.0);
        TfrxComponent *c = w.Obj(object);
        w.form->SelectedObjects() = {c};
        w.insp->SetSelectedObjects({c});
        QCOMPARE(w.insp->ValueText(row), shown);
        // Writing the shown text back stores what it stands for, and shows the same again.
        const TfrxPropInfo *prop = frxFindProp(TfrxPropTarget(c), row);
        QVERIFY(w.insp->SetValueText(row, shown));
        QCOMPARE(w.insp->ValueText(row), shown);
        const bool paper = qobject_cast<TfrxReportPage *>(c) != nullptr;
        const bool vertical = row.contains(QLatin1String("Height"));
        const double typed = shown.toDouble();
        const double expected =
            paper ? frxUnitsToMm(typed, units, vertical) : frxUnitsToPixels(typed, units, vertical);
        QVERIFY(qAbs(prop->GetFloat(TfrxPropTarget(c)) - expected) < 1e-6);
    }

    void typingIntoTheEditLine()
    {
        Window w;
        TfrxMemoView *memo = w.Memo("Memo1");
        w.Select({memo});
        const int undo = w.UndoCount();
        QVERIFY(w.insp->SelectRow("Width"));
        QLineEdit *edit = w.insp->EditLine();
        QVERIFY(edit);
        edit->selectAll();
        QTest::keyClicks(edit, "3");
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(qAbs(memo->Width() - 113.385827) < 1e-6);
        QCOMPARE(edit->text(), QStringLiteral("3"));
        QCOMPARE(w.UndoCount(), undo + 1);
        QVERIFY(w.form->Modified());
        // "2,5" and "2.5" are the same; a row change writes a changed text first.
        QVERIFY(w.insp->SetValueText("Width", "2,5"));
        const double comma = memo->Width();
        QVERIFY(w.insp->SetValueText("Width", " 2.5 "));
        QCOMPARE(memo->Width(), comma);
        QVERIFY(w.insp->SelectRow("Height"));
        w.insp->EditLine()->selectAll();
        QTest::keyClicks(w.insp->EditLine(), "1");
        QVERIFY(w.insp->SelectRow("Left"));
        QVERIFY(qAbs(memo->Height() - 37.795275590551) < 1e-6);
        // Units changed in the window show at once.
        w.form->SetUnits(1);
        QCOMPARE(w.insp->ValueText("Height"), QStringLiteral("0.39"));
    }

    // A user who selects a row and types, without clicking into its edit line first.
    void typingOnASelectedRowEditsItsValue()
    {
        Window w;
        TfrxMemoView *memo = w.Memo("Memo1");
        w.Select({memo});
        QVERIFY(w.insp->SelectRow("Width"));
        w.insp->Grid()->setFocus();
        QTest::keyClicks(w.insp->Grid(), "3");
        QTest::keyClick(w.insp->EditLine(), Qt::Key_Return);
        QVERIFY(qAbs(memo->Width() - 113.385827) < 1e-6);
        // A read-only row takes no typing.
        QVERIFY(w.insp->SelectRow("Font"));
        w.insp->Grid()->setFocus();
        QTest::keyClicks(w.insp->Grid(), "x");
        QCOMPARE(w.insp->ValueText("Font"), QStringLiteral("(TFont)"));
    }

    void garbageChangesNothing_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("text");
        QTest::newRow("size") << "Memo1"
                              << "Width"
                              << "abc";
        QTest::newRow("position") << "Memo1"
                                  << "Left"
                                  << "1..2";
        QTest::newRow("name") << "Memo1"
                              << "Name"
                              << "Memo 9";
        QTest::newRow("duplicate name") << "Memo1"
                                        << "Name"
                                        << "Memo2";
        QTest::newRow("enumeration") << "Memo1"
                                     << "HAlign"
                                     << "haSideways";
        QTest::newRow("boolean") << "Memo1"
                                 << "Visible"
                                 << "perhaps";
        QTest::newRow("set member") << "Memo1"
                                    << "Font.Style.fsBold"
                                    << "yes";
        QTest::newRow("colour") << "Memo1"
                                << "Color"
                                << "clNoSuch";
        QTest::newRow("charset") << "Memo1"
                                 << "Font.Charset"
                                 << "KLINGON_CHARSET";
        QTest::newRow("integer") << "Memo1"
                                 << "Font.Size"
                                 << "12pt";
        QTest::newRow("float") << "Memo1"
                               << "Frame.Width"
                               << "thick";
        QTest::newRow("dataset") << "Memo1"
                                 << "DataSet"
                                 << "Orders";
        QTest::newRow("component") << "Memo1"
                                   << "FlowTo"
                                   << "Page1";
        QTest::newRow("paper size") << "Page1"
                                    << "PaperSize"
                                    << "A44";
        QTest::newRow("paper width") << "Page1"
                                     << "PaperWidth"
                                     << "wide";
    }
    void garbageChangesNothing()
    {
        QFETCH(QString, object);
        QFETCH(QString, row);
        QFETCH(QString, text);
        Window w;
        TfrxComponent *c = w.Obj(object);
        w.form->SelectedObjects() = {c};
        w.insp->SetSelectedObjects({c});
        QVERIFY(w.insp->FindItem(row));
        const QByteArray before = w.Bytes();
        const int undo = w.UndoCount();
        QVERIFY(!w.insp->SetValueText(row, text));
        QCOMPARE(w.ui.Shown.size(), 1);
        QCOMPARE(w.ui.Shown.last().Caption, QStringLiteral("Error"));
        QVERIFY(!w.ui.LastText().isEmpty());
        QCOMPARE(w.Bytes(), before);
        QCOMPARE(w.UndoCount(), undo);
        QVERIFY(!w.form->Modified());
    }

    void garbageIntoEveryRow()
    {
        // Whatever the row, garbage is either refused with a message and no change, or (a text
        // row) taken as the text it is.
        Window w;
        auto *picture = new TfrxPictureView(w.f.report);
        picture->SetParent(w.Page());
        picture->CreateUniqueName();
        for (TfrxComponent *c : QList<TfrxComponent *>{w.Memo("Memo1"), w.Page(), picture, w.f.report}) {
            w.form->SelectedObjects() = {c};
            w.insp->SetSelectedObjects({c});
            QStringList paths;
            for (int i = 0; i < w.insp->Grid()->topLevelItemCount(); ++i)
                CollectPaths(w.insp, w.insp->Grid()->topLevelItem(i), QString(), paths);
            QVERIFY(paths.size() > 10);
            for (const QString &path : std::as_const(paths)) {
                TfrxPropertyItem *item = w.insp->FindItem(path);
                const QByteArray before = w.Bytes();
                w.ui.Clear();
                const bool taken = w.insp->SetValueText(path, QStringLiteral("]{garbage\"["));
                const TfrxPropKind kind = item->Editor->Prop()->Kind();
                if (taken) {
                    QVERIFY2(kind == TfrxPropKind::String || kind == TfrxPropKind::Variant, qPrintable(path));
                    continue;
                }
                QVERIFY2(w.ui.Shown.size() == 1, qPrintable(path));
                QVERIFY2(w.Bytes() == before, qPrintable(path));
            }
        }
    }

    void severalObjectsShareTheirCommonRows()
    {
        Window w;
        TfrxMemoView *a = w.Memo("Memo1");
        TfrxMemoView *b = w.Memo("Memo2");
        w.Select({a, b});
        QCOMPARE(w.insp->ObjectList()->currentIndex(), -1);
        const QStringList rows = w.insp->RowNames();
        QVERIFY(!rows.contains(QStringLiteral("Name")));
        QVERIFY(!rows.contains(QStringLiteral("Memo")));
        QVERIFY(rows.contains(QStringLiteral("Font")));
        const int undo = w.UndoCount();
        QVERIFY(w.insp->SetValueText("Font.Style.fsBold", "True"));
        QVERIFY(a->Font()->Style().testFlag(frx::fsBold));
        QVERIFY(b->Font()->Style().testFlag(frx::fsBold));
        QCOMPARE(w.insp->ValueText("Font.Style"), QStringLiteral("[fsBold]"));
        QCOMPARE(w.UndoCount(), undo + 1);
        QVERIFY(w.insp->SetValueText("Width", "4"));
        QCOMPARE(a->Width(), b->Width());
        w.form->Undo();
        w.form->Undo();
        a = w.Memo("Memo1");
        b = w.Memo("Memo2");
        QVERIFY(!a->Font()->Style().testFlag(frx::fsBold) && !b->Font()->Style().testFlag(frx::fsBold));

        // Between a memo and the page only what both have with the same kind remains.
        w.Select({w.Memo("Memo1")});
        w.form->SelectedObjects() = {w.Memo("Memo1"), w.Page()};
        w.insp->SetSelectedObjects(w.form->SelectedObjects());
        QVERIFY(w.insp->RowNames().contains(QStringLiteral("Font")));
        QVERIFY(!w.insp->RowNames().contains(QStringLiteral("DataField")));
    }

    void aWriteThatFailsPartWayIsStillReported()
    {
        // Band1 takes Child2 as its child; Child1 cannot (Child2's chain leads back to it).
        Window w;
        auto *band = new TfrxMasterData(w.f.report);
        band->SetParent(w.Page());
        band->SetName("Band1");
        auto *child1 = new TfrxChild(w.f.report);
        child1->SetParent(w.Page());
        child1->SetName("Child1");
        auto *child2 = new TfrxChild(w.f.report);
        child2->SetParent(w.Page());
        child2->SetName("Child2");
        child2->SetChild(child1);
        w.form->ReloadPages(1);
        w.form->SelectedObjects() = {band, child1};
        w.insp->SetSelectedObjects({band, child1});
        const int undo = w.UndoCount();
        QVERIFY(!w.insp->SetValueText("Child", "Child2"));
        QCOMPARE(band->Child(), child2);
        QCOMPARE(child1->Child(), nullptr);
        QCOMPARE(w.ui.Shown.size(), 1);
        QCOMPARE(w.UndoCount(), undo + 1);
        QVERIFY(w.form->Modified());
    }

    void dataFieldBindsTheText()
    {
        Window w;
        TfrxMemoView *memo = w.Memo("Memo1");
        w.Select({memo});
        QVERIFY(w.insp->SetValueText("DataSet", "fd"));
        QCOMPARE(memo->DataSet(), w.f.fd);
        QCOMPARE(w.insp->ValueText("DataSet"), QStringLiteral("FD"));
        QCOMPARE(w.insp->ValueList("DataSet"), QStringList{"FD"});
        QCOMPARE(w.insp->ValueList("DataField"), (QStringList{"收件人", "电话"}));
        QVERIFY(w.insp->SetValueText("DataField", "电话"));
        QCOMPARE(memo->DataField(), QStringLiteral("电话"));
        QCOMPARE(memo->Text(), QStringLiteral("[FD.\"电话\"]\r\n"));
        // Without a dataset the text stays.
        QVERIFY(w.insp->SetValueText("DataSet", ""));
        QCOMPARE(w.insp->ValueText("DataSet"), QStringLiteral("(Not assigned)"));
        QVERIFY(w.insp->SetValueText("DataField", "收件人"));
        QCOMPARE(memo->Text(), QStringLiteral("[FD.\"电话\"]\r\n"));
    }

    void valueListsAndDialogRows()
    {
        Window w;
        TfrxMemoView *memo = w.Memo("Memo1");
        w.Select({memo});
        QVERIFY(w.insp->ValueList("HAlign").contains(QStringLiteral("haCenter")));
        QVERIFY(w.insp->SetValueText("HAlign", "hacenter"));
        QCOMPARE(w.insp->ValueText("HAlign"), QStringLiteral("haCenter"));
        // A double-click flips a Boolean; colours go by name or number.
        const bool visible = memo->Visible();
        QVERIFY(w.insp->RunEditor("Visible"));
        QCOMPARE(memo->Visible(), !visible);
        QVERIFY(w.insp->SetValueText("Color", "clRed"));
        QCOMPARE(memo->Color(), clRed);
        QVERIFY(w.insp->SetValueText("Color", "65280"));
        QCOMPARE(w.insp->ValueText("Color"), QStringLiteral("clLime"));
        QVERIFY(w.insp->SetValueText("Font.Charset", "GB2312_CHARSET"));
        QCOMPARE(memo->Font()->Charset(), 134);
        QVERIFY(w.insp->SetValueText("FlowTo", "Memo2"));
        QCOMPARE(w.insp->ValueList("FlowTo"), QStringList{"Memo2"});
        // The text row opens the memo editor; OK replaces the text.
        w.ui.DialogSteps.enqueue([](QDialog &dialog) {
            auto *editor = qobject_cast<TfrxMemoEditorForm *>(&dialog);
            QVERIFY(editor);
            editor->SetText("line 1\nline 2");
            dialog.accept();
        });
        QVERIFY(w.insp->RunEditor("Memo"));
        QCOMPARE(memo->Text(), QStringLiteral("line 1\r\nline 2\r\n"));
        QCOMPARE(w.insp->ValueText("Memo"), QStringLiteral("line 1"));
        // Paper by name.
        w.Select({});
        QVERIFY(w.insp->SetValueText("PaperSize", "A5"));
        QCOMPARE(w.Page()->PaperSize(), 11);
        QCOMPARE(w.insp->ValueText("PaperWidth"), QStringLiteral("14.80"));
        w.Select({memo});
        QVERIFY(w.insp->SetValueText("Name", "Receiver"));
        QCOMPARE(w.insp->ObjectList()->currentText(), QStringLiteral("Receiver: TfrxMemoView"));
    }

    // At the dock's default width the names are whole and a Boolean's or an enumeration's
    // drop-down button is inside the grid.
    void namesFitAndValueButtonsShow_data()
    {
        QTest::addColumn<QString>("row");
        QTest::newRow("Boolean") << "BackPicturePrintable";
        QTest::newRow("enumeration") << "Orientation";
    }
    void namesFitAndValueButtonsShow()
    {
        QFETCH(QString, row);
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        w.Select({});
        QApplication::processEvents();
        QTreeWidget *grid = w.insp->Grid();
        const QFontMetrics metrics(grid->font());
        QVERIFY2(grid->header()->sectionSize(0) >= metrics.horizontalAdvance(row) + grid->indentation(),
                 qPrintable(QString::number(grid->header()->sectionSize(0))));
        QVERIFY(w.insp->SelectRow(row));
        QApplication::processEvents();
        auto *button = grid->findChild<QToolButton *>("ListButton");
        QVERIFY(button && button->isVisible());
        const QRect inViewport(button->mapTo(grid->viewport(), QPoint(0, 0)), button->size());
        QVERIFY2(grid->viewport()->rect().contains(inViewport),
                 qPrintable(QStringLiteral("%1 of %2").arg(inViewport.right()).arg(grid->viewport()->width())));
    }

    void backgroundOnAPageThatPrintsItAsksToKeepItOffThePaper_data()
    {
        QTest::addColumn<bool>("printable");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("printableAfter");
        QTest::newRow("prints, keep it off") << true << true << true << false;
        QTest::newRow("prints, print it") << true << false << true << true;
        QTest::newRow("already off the paper") << false << true << false << false;
    }
    void backgroundOnAPageThatPrintsItAsksToKeepItOffThePaper()
    {
        QFETCH(bool, printable);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        QFETCH(bool, printableAfter);
        Window w;
        QTemporaryDir dir;
        const QString jpeg = WriteImage(dir.filePath("scan.jpg"), 120, 80, "JPG");
        w.Page()->SetBackPicturePrintable(printable);
        w.Select({});
        w.ui.Answers.enqueue(answer);
        w.ui.DialogSteps.enqueue(LoadPicture(w.ui, jpeg, true));
        QVERIFY(w.insp->RunEditor("BackPicture"));
        QCOMPARE(w.ui.Shown.size() == 1 && w.ui.Shown[0].Question &&
                     w.ui.Shown[0].Text == TfrxPictureEditorForm::BackPicturePrintsText(),
                 asked);
        QCOMPARE(w.Page()->BackPicturePrintable(), printableAfter);
        QVERIFY(!w.Page()->BackPicture().IsEmpty());
    }

    void backgroundPictureIsStoredByteForByte()
    {
        Window w;
        QTemporaryDir dir;
        const QString jpeg = WriteImage(dir.filePath("scan.jpg"), 120, 80, "JPG");
        const QByteArray bytes = ReadFile(jpeg);
        w.Select({});
        w.ui.DialogSteps.enqueue(LoadPicture(w.ui, jpeg, true));
        QVERIFY(w.insp->RunEditor("BackPicture"));
        QCOMPARE(w.insp->ValueText("BackPicture"), QStringLiteral("(Picture)"));
        QVERIFY(w.form->SaveFile());
        const QByteArray saved = w.f.FileBytes();
        QVERIFY(saved.contains(bytes.toHex().toUpper()) || saved.contains(bytes.toHex()));
        TComponent owner;
        TfrxReport again(&owner);
        frxLoadFromFile(again, w.f.path);
        auto *page = qobject_cast<TfrxReportPage *>(again.FindObject("Page1"));
        QVERIFY(page);
        QCOMPARE(page->BackPicture().Data(), bytes);
        QCOMPARE(page->BackPicture().GraphicClassName(), QStringLiteral("TJPEGImage"));

        // The picture object's editor is the same dialog.
        const QString png = WriteImage(dir.filePath("logo.png"), 10, 6, "PNG");
        auto *picture = new TfrxPictureView(w.f.report);
        picture->SetParent(w.Page());
        picture->CreateUniqueName();
        w.form->ReloadPages(1);
        w.Select({picture});
        w.ui.DialogSteps.enqueue([&](QDialog &dialog) {
            auto *editor = qobject_cast<TfrxPictureEditorForm *>(&dialog);
            QVERIFY(editor);
            QCOMPARE(editor->InfoText(), QStringLiteral("(Not assigned)"));
            w.ui.FileNames.enqueue(png);
            editor->Load();
            QCOMPARE(editor->InfoText(), QStringLiteral("%1 bytes, 10 × 6 pixels").arg(ReadFile(png).size()));
            dialog.accept();
        });
        w.form->EditObject();
        QCOMPARE(picture->Picture().Data(), ReadFile(png));
    }

    void badPictureFilesChangeNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("text") << "text"
                              << "is not a JPEG, PNG or BMP picture";
        QTest::newRow("50 MB") << "huge"
                               << "too large";
        QTest::newRow("empty") << "empty"
                               << "is not a JPEG, PNG or BMP picture";
        QTest::newRow("missing") << "missing"
                                 << "Cannot open";
        QTest::newRow("truncated JPEG") << "truncated"
                                        << "is not a JPEG, PNG or BMP picture";
    }
    void badPictureFilesChangeNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QString path = dir.filePath("bad.jpg");
        QFile file(path);
        if (kind == "text") {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("receiver,address\n");
        } else if (kind == "huge") {
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("\xFF\xD8\xFF\xE0");
            QVERIFY(file.resize(50LL * 1024 * 1024));
        } else if (kind == "empty") {
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (kind == "truncated") {
            const QByteArray jpeg = ReadFile(WriteImage(dir.filePath("ok.jpg"), 40, 40, "JPG"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(jpeg.left(20));
        } else {
            path = dir.filePath("nothing-here.jpg");
        }
        file.close();
        Window w;
        w.Select({});
        const QByteArray before = w.Bytes();
        w.ui.DialogSteps.enqueue(LoadPicture(w.ui, path, true));
        QVERIFY(!w.insp->RunEditor("BackPicture"));
        QCOMPARE(w.ui.Shown.size(), 1);
        QVERIFY2(w.ui.LastText().contains(message), qPrintable(w.ui.LastText()));
        QCOMPARE(w.Bytes(), before);
        QVERIFY(!w.form->Modified());
    }

    void largePictureWarnsAndLoads()
    {
        QTemporaryDir dir;
        // 1100 × 1000 × 3 bytes as BMP: above the warning size, within the limit.
        const QString bmp = dir.filePath("big.bmp");
        QImage image(1100, 1000, QImage::Format_RGB888);
        image.fill(Qt::gray);
        QVERIFY(image.save(bmp, "BMP"));
        QVERIFY(QFileInfo(bmp).size() > TfrxPictureEditorForm::WarnSize);
        Window w;
        w.Page()->SetBackPicturePrintable(false); // no question whether to print it
        w.Select({});
        w.ui.DialogSteps.enqueue(LoadPicture(w.ui, bmp, true));
        QVERIFY(w.insp->RunEditor("BackPicture"));
        QCOMPARE(w.ui.Shown.size(), 1);
        QCOMPARE(w.ui.Shown.first().Icon, UiIcon::Warning);
        QVERIFY(w.ui.LastText().contains("hexadecimal"));
        QCOMPARE(w.Page()->BackPicture().Data(), ReadFile(bmp));
        // Clear takes it away again.
        w.ui.DialogSteps.enqueue([](QDialog &dialog) {
            qobject_cast<TfrxPictureEditorForm *>(&dialog)->ClearPicture();
            dialog.accept();
        });
        QVERIFY(w.insp->RunEditor("BackPicture"));
        QVERIFY(w.Page()->BackPicture().IsEmpty());
    }

    void cancelledDialogsLeaveTheBytes()
    {
        Window w;
        QTemporaryDir dir;
        const QString png = WriteImage(dir.filePath("scan.png"), 30, 20, "PNG");
        w.Select({});
        const QByteArray before = w.Bytes();
        w.ui.DialogSteps.enqueue(LoadPicture(w.ui, png, false));
        QVERIFY(!w.insp->RunEditor("BackPicture"));
        QCOMPARE(w.Bytes(), before);

        TfrxMemoView *memo = w.Memo("Memo1");
        w.Select({memo});
        const QByteArray memoBefore = w.Bytes();
        w.ui.DialogSteps.enqueue([](QDialog &dialog) {
            auto *editor = qobject_cast<TfrxFrameEditorForm *>(&dialog);
            QVERIFY(editor);
            editor->Side(frx::ftLeft)->setChecked(true);
            editor->WidthBox()->setValue(3);
            editor->ShadowBox()->setChecked(true);
            dialog.reject();
        });
        QVERIFY(!w.insp->RunEditor("Frame"));
        QCOMPARE(w.Bytes(), memoBefore);
        QVERIFY(!w.form->Modified());
    }

    void frameEditorWritesEverySelectedFrame()
    {
        Window w;
        TfrxMemoView *a = w.Memo("Memo1");
        TfrxMemoView *b = w.Memo("Memo2");
        w.Select({a, b});
        const int undo = w.UndoCount();
        w.ui.DialogSteps.enqueue([&w](QDialog &dialog) {
            auto *editor = qobject_cast<TfrxFrameEditorForm *>(&dialog);
            editor->Side(frx::ftLeft)->setChecked(true);
            editor->Side(frx::ftBottom)->setChecked(true);
            editor->WidthBox()->setValue(2);
            editor->ColorEdit()->setText("clBlue");
            editor->StyleBox()->setCurrentText("fsDash");
            // A colour that is no colour keeps the dialog open with a message.
            editor->ColorEdit()->setText("bluish");
            dialog.accept();
            QVERIFY(dialog.isVisible());
            QCOMPARE(w.ui.Shown.size(), 1);
            editor->ColorEdit()->setText("clBlue");
            dialog.accept();
        });
        QVERIFY(w.insp->RunEditor("Frame"));
        for (TfrxMemoView *m : {a, b}) {
            QCOMPARE(m->Frame()->Typ(), frx::TfrxFrameTypes(frx::ftLeft | frx::ftBottom));
            QCOMPARE(m->Frame()->Width(), 2.0);
            QCOMPARE(m->Frame()->LeftLine()->Width(), 2.0);
            QCOMPARE(m->Frame()->Color(), 0xFF0000);
            QCOMPARE(m->Frame()->Style(), frx::fsDash);
        }
        QCOMPARE(w.UndoCount(), undo + 1);
        QCOMPARE(w.insp->ValueText("Frame.Typ"), QStringLiteral("[ftLeft,ftBottom]"));
    }

    // The display format and highlight rows open the report author's editors and write every
    // selected text object.
    void displayFormatAndHighlightRowsOpenTheirEditors()
    {
        Window w;
        TfrxMemoView *a = w.Memo("Memo1");
        TfrxMemoView *b = w.Memo("Memo2");
        w.Select({a, b});
        const int undo = w.UndoCount();
        w.ui.DialogSteps.enqueue([](QDialog &dialog) {
            QCOMPARE(dialog.objectName(), QStringLiteral("TfrxFormatEditorForm"));
            dialog.findChild<QListWidget *>(QStringLiteral("KindList"))->setCurrentRow(int(frx::fkNumeric));
            dialog.findChild<QLineEdit *>(QStringLiteral("FormatStrEdit"))->setText(QStringLiteral("%2.2f"));
            dialog.accept();
        });
        QVERIFY(w.insp->RunEditor("DisplayFormat"));
        w.ui.DialogSteps.enqueue([](QDialog &dialog) {
            dialog.findChild<QLineEdit *>(QStringLiteral("ConditionEdit"))->setText(QStringLiteral("Value < 0"));
            dialog.accept();
        });
        QVERIFY(w.insp->RunEditor("Highlight"));
        for (TfrxMemoView *m : {a, b}) {
            QCOMPARE(m->DisplayFormat()->Kind(), frx::fkNumeric);
            QCOMPARE(m->DisplayFormat()->FormatStr(), QStringLiteral("%2.2f"));
            QCOMPARE(m->Highlight()->Condition(), QStringLiteral("Value < 0"));
        }
        QCOMPARE(w.UndoCount(), undo + 2);
    }
};

QTEST_MAIN(TestInspector)
#include "tst_inspector.moc"

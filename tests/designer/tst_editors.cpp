// The report author's editors driven offscreen as a user would: each one's OK writes what was
// chosen and Cancel (after changing every field) leaves the layout bytes as they were; a highlight
// condition that does not compile is reported by the build; style sheets that are not style sheets;
// data band columns chosen in the band editor printing across; the window's hooks.
#include "DesignerFixture.h"
#include "LayoutBytes.h"
#include "ScriptedUi.h"

#include "designer/editors/frxBandEditor.h"
#include "designer/editors/frxBarcodeEditor.h"
#include "designer/editors/frxEditorWidgets.h"
#include "designer/editors/frxFormatEditor.h"
#include "designer/editors/frxHighlightEditor.h"
#include "designer/editors/frxReportOptionsEditor.h"
#include "designer/editors/frxStyleEditor.h"
#include "designer/editors/frxVariablesEditor.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "engine/frxEngineLayer.h"
#include "report/model/frxBands.h"
#include "report/objects/frxBarcode.h"
#include "tests/engine/PreparedPagesReader.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

namespace {

using Step = std::function<void(QDialog &)>;

template <class T> T *Child(QDialog &dialog, const char *name)
{
    T *child = dialog.findChild<T *>(QLatin1String(name));
    if (!child)
        qWarning("no %s in %s", name, qPrintable(dialog.objectName()));
    return child;
}

void Press(QDialog &dialog, const char *button)
{
    QTest::mouseClick(Child<QPushButton>(dialog, button), Qt::LeftButton);
}

void ChooseData(QComboBox *box, const QVariant &data)
{
    box->setCurrentIndex(box->findData(data));
}

// The report of DesignerFixture with a group header and a data band holding a text object and a
// barcode, as the editors of bands and barcodes need them.
struct EditorsFixture : DesignerFixture {
    TfrxGroupHeader *group;
    TfrxMasterData *data;
    TfrxBarCodeView *barcode;
    TfrxMemoView *memo;

    EditorsFixture()
    {
        auto *page = qobject_cast<TfrxReportPage *>(report->FindObject(QStringLiteral("Page1")));
        group = new TfrxGroupHeader(report);
        group->SetParent(page);
        group->SetName(QStringLiteral("GroupHeader1"));
        group->SetBounds(0, 80, 340, 20);
        data = new TfrxMasterData(report);
        data->SetParent(page);
        data->SetName(QStringLiteral("MasterData1"));
        data->SetBounds(0, 110, 340, 60);
        barcode = new TfrxBarCodeView(report);
        barcode->SetParent(data);
        barcode->SetName(QStringLiteral("BarCode1"));
        barcode->SetBounds(200, 5, 120, 50);
        barcode->SetBarType(QStringLiteral("bcCode128"));
        barcode->SetText(QStringLiteral("12345678"));
        memo = qobject_cast<TfrxMemoView *>(report->FindObject(QStringLiteral("Memo1")));
        auto *style = report->Styles()->Add();
        style->SetName(QStringLiteral("Title"));
        style->Font()->SetSize(14);
        memo->SetStyle(QStringLiteral("Title"));
        report->Variables()->Add()->SetName(QStringLiteral(" Shop"));
        report->Variables()->SetValue(QStringLiteral("Sender"), QStringLiteral("'Tavrel'"));
    }
};

// One editor: how it is opened, what the user does in it (before OK or Cancel), and what OK must
// have written.
struct EditorCase {
    const char *Name;
    std::function<bool(EditorsFixture &)> Open;
    Step Fill;
    std::function<void(EditorsFixture &)> Check;
};

QList<EditorCase> EditorCases()
{
    return {
        {"display format", [](EditorsFixture &f) { return EditDisplayFormat(nullptr, {f.memo}); },
         [](QDialog &d) {
             Child<QListWidget>(d, "KindList")->setCurrentRow(int(frx::fkNumeric));
             Child<QLineEdit>(d, "FormatStrEdit")->setText(QStringLiteral("%2.2f"));
             Child<QLineEdit>(d, "DecimalSeparatorEdit")->setText(QStringLiteral(","));
             QCOMPARE(Child<QLabel>(d, "SampleLabel")->text(), QStringLiteral("-1234,57"));
         },
         [](EditorsFixture &f) {
             QCOMPARE(f.memo->DisplayFormat()->Kind(), frx::fkNumeric);
             QCOMPARE(f.memo->DisplayFormat()->FormatStr(), QStringLiteral("%2.2f"));
             QCOMPARE(f.memo->DisplayFormat()->DecimalSeparator(), QStringLiteral(","));
         }},
        {"highlight", [](EditorsFixture &f) { return EditHighlight(nullptr, f.memo); },
         [](QDialog &d) {
             Child<QLineEdit>(d, "ConditionEdit")->setText(QStringLiteral("Value < 0"));
             Child<QCheckBox>(d, "FontBold")->setChecked(true);
             Child<QSpinBox>(d, "FontSize")->setValue(12);
             ChooseData(Child<QComboBox>(d, "BackgroundColor"), 0x00FFFF);
         },
         [](EditorsFixture &f) {
             const TfrxHighlight *h = f.memo->Highlight();
             QCOMPARE(h->Condition(), QStringLiteral("Value < 0"));
             QVERIFY(h->Font()->Style().testFlag(frx::fsBold));
             QCOMPARE(h->Font()->Size(), 12);
             QCOMPARE(h->Color(), 0x00FFFF);
         }},
        {"styles", [](EditorsFixture &f) { return EditStyles(nullptr, f.report); },
         [](QDialog &d) {
             Press(d, "AddButton");
             ChooseData(Child<QComboBox>(d, "FillColor"), 0xC0C0C0);
             Child<QCheckBox>(d, "FontItalic")->setChecked(true);
             Child<QCheckBox>(d, "FrameBottom")->setChecked(true);
             Child<QDoubleSpinBox>(d, "FrameWidth")->setValue(2);
             // Back to the first style: a bigger font for it.
             Child<QListWidget>(d, "StyleList")->setCurrentRow(0);
             Child<QSpinBox>(d, "FontSize")->setValue(16);
         },
         [](EditorsFixture &f) {
             const TfrxStyles *styles = f.report->Styles();
             QCOMPARE(styles->Count(), 2);
             const TfrxStyleItem *added = styles->Find(QStringLiteral("Style1"));
             QVERIFY(added);
             QCOMPARE(added->Color(), 0xC0C0C0);
             QVERIFY(added->Font()->Style().testFlag(frx::fsItalic));
             QCOMPARE(added->Frame()->Typ(), frx::TfrxFrameTypes(frx::ftBottom));
             QCOMPARE(added->Frame()->Width(), 2.0);
             // The text object with the style takes its new look.
             QCOMPARE(f.memo->Font()->Size(), 16);
         }},
        {"variables", [](EditorsFixture &f) { return EditVariables(nullptr, f.report); },
         [](QDialog &d) {
             auto &editor = static_cast<TfrxVariablesEditorForm &>(d);
             editor.Tree()->setCurrentItem(editor.Tree()->topLevelItem(0)); // the category "Shop"
             QTreeWidgetItem *v = editor.AddVariable();
             v->setText(0, QStringLiteral("Phone"));
             v->setText(1, QStringLiteral("'021-5555'"));
             editor.AddCategory()->setText(0, QStringLiteral("Receiver"));
         },
         [](EditorsFixture &f) {
             QStringList names;
             for (int i = 0; i < f.report->Variables()->Count(); ++i)
                 names << f.report->Variables()->Items(i)->Name();
             QCOMPARE(names, QStringList({" Shop", "Sender", "Phone", " Receiver"}));
             QCOMPARE(f.report->Variables()->Value("Phone").ToString(), QStringLiteral("'021-5555'"));
             QCOMPARE(f.report->Variables()->Value("Sender").ToString(), QStringLiteral("'Tavrel'"));
         }},
        {"band", [](EditorsFixture &f) { return EditBand(nullptr, f.data); },
         [](QDialog &d) {
             Child<QComboBox>(d, "DataSetBox")->setCurrentIndex(1);
             Child<QSpinBox>(d, "ColumnsEdit")->setValue(3);
             Child<QDoubleSpinBox>(d, "ColumnWidthEdit")->setValue(25);
             Child<QDoubleSpinBox>(d, "ColumnGapEdit")->setValue(5);
             Child<QCheckBox>(d, "StartNewPage")->setChecked(true);
         },
         [](EditorsFixture &f) {
             QCOMPARE(f.data->DataSet(), f.fd);
             QCOMPARE(f.data->Columns(), 3);
             QCOMPARE(f.data->ColumnWidth(), 25 * fr01cm);
             QCOMPARE(f.data->ColumnGap(), 5 * fr01cm);
             QVERIFY(f.data->StartNewPage());
         }},
        {"group", [](EditorsFixture &f) { return EditGroupHeader(nullptr, f.group); },
         [](QDialog &d) {
             Child<QRadioButton>(d, "DataFieldRadio")->setChecked(true);
             Child<QComboBox>(d, "DataFieldBox")->setCurrentIndex(1);
             Child<QCheckBox>(d, "KeepTogether")->setChecked(true);
         },
         [](EditorsFixture &f) {
             QCOMPARE(f.group->Condition(), QStringLiteral("FD.\"电话\""));
             QVERIFY(f.group->KeepTogether());
         }},
        {"report options", [](EditorsFixture &f) { return EditReportOptions(nullptr, f.report); },
         [](QDialog &d) {
             Child<QLineEdit>(d, "NameEdit")->setText(QStringLiteral("Waybill"));
             Child<QPlainTextEdit>(d, "DescriptionEdit")->setPlainText(QStringLiteral("line one\nline two"));
             Child<QLineEdit>(d, "PasswordEdit")->setText(QStringLiteral("secret"));
             Child<QLineEdit>(d, "ConfirmEdit")->setText(QStringLiteral("secret"));
             Child<QComboBox>(d, "ScriptLanguageBox")->setCurrentText(QStringLiteral("JScript"));
         },
         [](EditorsFixture &f) {
             const TfrxReportOptions *o = f.report->ReportOptions();
             QCOMPARE(o->Name(), QStringLiteral("Waybill"));
             QCOMPARE(o->Description(), QStringList({"line one", "line two"}));
             QCOMPARE(o->Password(), QStringLiteral("secret"));
             QCOMPARE(f.report->ScriptLanguage(), QStringLiteral("JScript"));
         }},
        {"barcode", [](EditorsFixture &f) { return EditBarcode(nullptr, f.barcode); },
         [](QDialog &d) {
             auto &editor = static_cast<TfrxBarcodeEditorForm &>(d);
             const QImage before = editor.Preview();
             ChooseData(Child<QComboBox>(d, "TypeBox"), QStringLiteral("bcCode39"));
             Child<QLineEdit>(d, "CodeEdit")->setText(QStringLiteral("ABC123"));
             // The preview draws the symbol as chosen: bars, and others than before.
             const QImage after = editor.Preview();
             QVERIFY(after != before);
             int dark = 0;
             for (int x = 0; x < after.width(); ++x)
                 dark += qGray(after.pixel(x, after.height() / 2)) < 100;
             QVERIFY(dark > 10);
             Child<QLineEdit>(d, "ExpressionEdit")->setText(QStringLiteral("FD.\"电话\""));
             Child<QCheckBox>(d, "CheckSumBox")->setChecked(true);
             Child<QCheckBox>(d, "ShowTextBox")->setChecked(false);
             ChooseData(Child<QComboBox>(d, "RotationBox"), 90);
         },
         [](EditorsFixture &f) {
             QCOMPARE(f.barcode->BarType(), QStringLiteral("bcCode39"));
             QCOMPARE(f.barcode->Text(), QStringLiteral("ABC123"));
             QCOMPARE(f.barcode->Expression(), QStringLiteral("FD.\"电话\""));
             QVERIFY(f.barcode->CalcCheckSum());
             QVERIFY(!f.barcode->ShowText());
             QCOMPARE(f.barcode->Rotation(), 90);
         }},
    };
}

// A report of one page 100 mm wide without margins and one data band of six records.
struct ColumnsFixture {
    TfrxReport report;
    TfrxMasterData *band;
    ColumnsFixture()
    {
        report.EngineOptions()->SetNewSilentMode(frx::simSilent);
        report.EnsureDataPage();
        auto *page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetPaperWidth(100);
        page->SetPaperHeight(100);
        for (auto set : {&TfrxReportPage::SetLeftMargin, &TfrxReportPage::SetRightMargin,
                         &TfrxReportPage::SetTopMargin, &TfrxReportPage::SetBottomMargin})
            (page->*set)(0);
        band = new TfrxMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(0, 0, 100 * fr01cm, 20);
        band->SetRowCount(6);
        auto *memo = new TfrxMemoView(band);
        memo->SetName(QStringLiteral("Row"));
        memo->SetBounds(0, 0, 80, 20);
        memo->SetText(QStringLiteral("[Line]"));
    }
};

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestEditors : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { frxStartEngineLayer(); }

    void okWritesCancelKeepsTheBytes_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("ok");
        const QList<EditorCase> cases = EditorCases();
        for (int i = 0; i < cases.size(); ++i) {
            QTest::addRow("%s OK", cases[i].Name) << i << true;
            QTest::addRow("%s Cancel", cases[i].Name) << i << false;
        }
    }
    void okWritesCancelKeepsTheBytes()
    {
        QFETCH(int, index);
        QFETCH(bool, ok);
        const EditorCase c = EditorCases().at(index);
        EditorsFixture f;
        ScriptedUi ui;
        const QByteArray before = LayoutBytes::Save(*f.report);
        ui.DialogSteps.enqueue([&](QDialog &d) {
            c.Fill(d);
            Press(d, ok ? "OkButton" : "CancelButton");
        });
        QCOMPARE(c.Open(f), ok);
        QCOMPARE(ui.DialogTitles.size(), 1);
        QVERIFY2(ui.Shown.isEmpty(), qPrintable(ui.LastText()));
        if (!ok) {
            QCOMPARE(LayoutBytes::Save(*f.report), before);
            return;
        }
        c.Check(f);
        // What OK wrote survives a save and a load.
        const QByteArray after = LayoutBytes::Save(*f.report);
        QVERIFY(after != before);
        EditorsFixture g;
        g.report->SetLastPassword(QStringLiteral("secret"));
        LayoutBytes::Load(*g.report, after);
        QCOMPARE(LayoutBytes::Save(*g.report), after);
    }

    void okWithoutChangesKeepsTheBytes()
    {
        // Unit conversions and defaults of the fields must not creep into the layout.
        const QList<EditorCase> cases = EditorCases();
        for (const EditorCase &c : cases) {
            EditorsFixture f;
            f.data->SetColumns(2);
            f.data->SetColumnWidth(100); // pixels that are no whole number of millimetres
            f.group->SetCondition(QStringLiteral("FD.\"收件人\""));
            ScriptedUi ui;
            const QByteArray before = LayoutBytes::Save(*f.report);
            ui.DialogSteps.enqueue([](QDialog &d) { Press(d, "OkButton"); });
            QVERIFY2(c.Open(f), c.Name);
            QVERIFY2(LayoutBytes::Save(*f.report) == before, c.Name);
        }
    }

    void highlightThatDoesNotCompileFailsTheBuild()
    {
        ColumnsFixture f;
        auto *memo = qobject_cast<TfrxMemoView *>(f.report.FindObject(QStringLiteral("Row")));
        ScriptedUi ui;
        ui.DialogSteps.enqueue([](QDialog &d) {
            Child<QLineEdit>(d, "ConditionEdit")->setText(QStringLiteral("Value < (1 +"));
            Press(d, "OkButton");
        });
        // The editor takes the condition as it is...
        QVERIFY(EditHighlight(nullptr, memo));
        QCOMPARE(memo->Highlight()->Condition(), QStringLiteral("Value < (1 +"));
        // ...and the build says what is wrong with it instead of crashing.
        QVERIFY(!f.report.BuildPages(true));
        QCOMPARE(f.report.Errors(),
                 QStringList("Row: Error in expression 'Value < (1 +': Expression expected"));
    }

    void styleSheetRoundTrip()
    {
        EditorsFixture f;
        QTemporaryDir dir;
        const QString sheet = dir.filePath("house.fss");
        f.report->Styles()->Items(0)->Frame()->SetTyp(frx::ftLeft | frx::ftTop);
        f.report->Styles()->Items(0)->SetColor(0x00FF00);
        ScriptedUi ui;
        ui.FileNames.enqueue(dir.filePath("house")); // the editor adds the extension
        ui.DialogSteps.enqueue([](QDialog &d) { Press(d, "SaveButton"); });
        QVERIFY(!EditStyles(nullptr, f.report));
        QVERIFY(QFile::exists(sheet));

        // Another report loads the sheet: its own styles give way to the sheet's, its text object
        // that names one of them takes that style's look.
        EditorsFixture g;
        g.report->Styles()->Items(0)->SetName(QStringLiteral("Old"));
        g.memo->SetStyle(QString());
        g.memo->SetStyle(QStringLiteral("Title"));
        ui.FileNames.enqueue(sheet);
        ui.DialogSteps.enqueue([](QDialog &d) {
            Press(d, "LoadButton");
            Press(d, "OkButton");
        });
        QVERIFY(EditStyles(nullptr, g.report));
        QVERIFY2(ui.Shown.isEmpty(), qPrintable(ui.LastText()));
        QCOMPARE(g.report->Styles()->Count(), 1);
        const TfrxStyleItem *title = g.report->Styles()->Items(0);
        QCOMPARE(title->Name(), QStringLiteral("Title"));
        QCOMPARE(title->Color(), 0x00FF00);
        QCOMPARE(title->Font()->Size(), 14);
        QCOMPARE(title->Frame()->Typ(), frx::ftLeft | frx::ftTop);
        QCOMPARE(g.memo->Color(), 0x00FF00);
    }

    void fileThatIsNotAStyleSheet_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("Title;Arial;14\n");
        QTest::newRow("a layout") << QByteArray(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TfrxReport "
            "Version=\"4.12.6\"><TfrxReportPage Name=\"Page1\"/></TfrxReport>");
        QTest::newRow("style without name") << QByteArray(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<stylesheet><style Color=\"255\"/></stylesheet>");
        QTest::newRow("same name twice")
            << QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<stylesheet>"
                          "<style Name=\"A\"/><style Name=\"a\"/></stylesheet>");
        QTest::newRow("cut short") << QByteArray(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<stylesheet><style Name=\"A\"/>");
    }
    void fileThatIsNotAStyleSheet()
    {
        QFETCH(QByteArray, content);
        EditorsFixture f;
        QTemporaryDir dir;
        const QString file = dir.filePath("not.fss");
        WriteFile(file, content);
        const QByteArray before = LayoutBytes::Save(*f.report);
        ScriptedUi ui;
        ui.FileNames.enqueue(file);
        int listed = -1;
        ui.DialogSteps.enqueue([&](QDialog &d) {
            Press(d, "LoadButton");
            listed = Child<QListWidget>(d, "StyleList")->count();
            Press(d, "OkButton");
        });
        QVERIFY(EditStyles(nullptr, f.report));
        QCOMPARE(ui.Shown.size(), 1);
        QCOMPARE(ui.Shown[0].Text, QStringLiteral("\"not.fss\" is not a style sheet."));
        QCOMPARE(ui.Shown[0].Caption, QStringLiteral("Error"));
        QCOMPARE(listed, 1); // the dialog's list is as it was
        QCOMPARE(LayoutBytes::Save(*f.report), before);
    }

    void styleRenameAndDeleteReachTheTextObjects()
    {
        EditorsFixture f;
        auto *memo2 = qobject_cast<TfrxMemoView *>(f.report->FindObject(QStringLiteral("Memo2")));
        auto *second = f.report->Styles()->Add();
        second->SetName(QStringLiteral("Small"));
        second->Font()->SetSize(7);
        memo2->SetStyle(QStringLiteral("Small"));
        ScriptedUi ui;
        ui.DialogSteps.enqueue([](QDialog &d) {
            auto &editor = static_cast<TfrxStyleEditorForm &>(d);
            QVERIFY(!editor.RenameStyle(0, QStringLiteral("small"))); // taken, ignoring case
            QVERIFY(editor.RenameStyle(0, QStringLiteral("Heading")));
            Child<QListWidget>(d, "StyleList")->setCurrentRow(1);
            Press(d, "DeleteButton");
            Press(d, "OkButton");
        });
        QVERIFY(EditStyles(nullptr, f.report));
        QCOMPARE(ui.Shown.size(), 1);
        QCOMPARE(ui.Shown[0].Text, QStringLiteral("Duplicate name"));
        QCOMPARE(f.report->Styles()->Count(), 1);
        QCOMPARE(f.memo->Style(), QStringLiteral("Heading"));
        QCOMPARE(f.memo->Font()->Size(), 14);
        // The deleted style leaves its object's look as it was.
        QCOMPARE(memo2->Style(), QString());
        QCOMPARE(memo2->Font()->Size(), 7);
    }

    void refusedInputKeepsTheDialogOpen_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("message");
        QTest::newRow("variable named twice") << 0 << "The name \"Sender\" is used twice.";
        QTest::newRow("passwords differ") << 1 << "The password and its confirmation differ.";
        QTest::newRow("group without condition")
            << 2 << "Choose a data field or enter an expression for the group.";
    }
    void refusedInputKeepsTheDialogOpen()
    {
        QFETCH(int, which);
        QFETCH(QString, message);
        EditorsFixture f;
        const QByteArray before = LayoutBytes::Save(*f.report);
        ScriptedUi ui;
        bool stillOpen = false;
        ui.DialogSteps.enqueue([&](QDialog &d) {
            if (which == 0)
                static_cast<TfrxVariablesEditorForm &>(d).AddVariable()->setText(0, QStringLiteral("sender"));
            else if (which == 1)
                Child<QLineEdit>(d, "PasswordEdit")->setText(QStringLiteral("one"));
            else
                Child<QLineEdit>(d, "ConditionEdit")->setText(QStringLiteral("  "));
            Press(d, "OkButton");
            stillOpen = d.isVisible();
        });
        const bool accepted = which == 0   ? EditVariables(nullptr, f.report)
                              : which == 1 ? EditReportOptions(nullptr, f.report)
                                           : EditGroupHeader(nullptr, f.group);
        QVERIFY(!accepted);
        QVERIFY(stillOpen);
        QCOMPARE(ui.LastText(), message);
        QCOMPARE(LayoutBytes::Save(*f.report), before);
    }

    // OK compiles the expression as the build would: the bracketed form the text objects show is
    // stored as the expression it means; anything that does not compile keeps the dialog open
    // with the engine's message and the caret at its column.
    void barcodeExpressionIsCheckedOnOk_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");    // empty: refused
        QTest::addColumn<int>("caret");         // refused: where the caret stands, at the column the engine names (-1: not checked)
        QTest::newRow("bracketed field") << "[FD.\"电话\"]" << "<FD.\"电话\">" << -1;
        QTest::newRow("bracketed field, spaces") << "  [ FD.\"电话\" ] " << "<FD.\"电话\">" << -1;
        QTest::newRow("field in angle brackets") << "<FD.\"电话\">" << "<FD.\"电话\">" << -1;
        QTest::newRow("bare field") << "FD.\"电话\"" << "FD.\"电话\"" << -1;
        QTest::newRow("bracketed expression") << "[Copy(<FD.\"电话\">, 1, 3)]" << "Copy(<FD.\"电话\">, 1, 3)" << -1;
        QTest::newRow("expression") << "'SF' + <FD.\"收件人\">" << "'SF' + <FD.\"收件人\">" << -1;
        QTest::newRow("empty: the code is used") << "" << "" << -1;
        QTest::newRow("unclosed bracket") << "[FD.\"电话\"" << QString() << 3;
        QTest::newRow("unclosed call") << "Copy(<FD.\"电话\">, 1" << QString() << 17;
        QTest::newRow("script statement") << "x := 1" << QString() << -1;
        QTest::newRow("script block") << "begin ShowMessage('a') end" << QString() << -1;
        QTest::newRow("two bracketed parts") << "[FD.\"电话\"] [FD.\"收件人\"]" << QString() << -1;
    }
    void barcodeExpressionIsCheckedOnOk()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(int, caret);
        EditorsFixture f;
        ScriptedUi ui;
        bool stillOpen = false;
        int cursor = -1;
        ui.DialogSteps.enqueue([&](QDialog &d) {
            Child<QLineEdit>(d, "ExpressionEdit")->setText(typed);
            Press(d, "OkButton");
            stillOpen = d.isVisible();
            cursor = Child<QLineEdit>(d, "ExpressionEdit")->cursorPosition();
        });
        const bool refused = stored.isNull();
        QCOMPARE(EditBarcode(nullptr, f.barcode), !refused);
        QCOMPARE(stillOpen, refused);
        if (!refused) {
            QCOMPARE(f.barcode->Expression(), stored);
            QVERIFY(ui.Shown.isEmpty());
            // What the editor stored is what the build computes without an error.
            if (!stored.isEmpty()) {
                f.fd->OnGetValue = [](const QString &, Variant &value) { value = QStringLiteral("13912345678"); };
                f.report->PrepareScript();
                f.report->Calc(stored);
            }
            return;
        }
        QCOMPARE(f.barcode->Expression(), QString());
        QCOMPARE(ui.Shown.size(), 1);
        QVERIFY2(ui.LastText().startsWith("Error in expression '"), qPrintable(ui.LastText()));
        QVERIFY2(ui.LastText().contains("(column "), qPrintable(ui.LastText()));
        if (caret >= 0)
            QVERIFY2(cursor == caret, qPrintable(QStringLiteral("%1: %2").arg(cursor).arg(ui.LastText())));
    }

    void barcodeFieldPickerListsTheDatasetFields()
    {
        EditorsFixture f;
        ScriptedUi ui;
        QStringList items;
        ui.DialogSteps.enqueue([&](QDialog &d) {
            auto *box = Child<QComboBox>(d, "FieldBox");
            for (int i = 1; i < box->count(); ++i)
                items << box->itemText(i);
            box->setCurrentIndex(2);
            emit box->activated(2);
            QCOMPARE(Child<QLineEdit>(d, "ExpressionEdit")->text(), QString("<FD.\"电话\">"));
            Press(d, "OkButton");
        });
        QVERIFY(EditBarcode(nullptr, f.barcode));
        QCOMPARE(items, QStringList({"FD.\"收件人\"", "FD.\"电话\""}));
        QCOMPARE(f.barcode->Expression(), QString("<FD.\"电话\">"));
    }

    void otherColourComesFromTheColourDialog()
    {
        // "Other..." asks the colour dialog; its colour arrives in the layout's blue-green-red
        // order, and a cancelled dialog leaves the colour that was chosen before.
        ScriptedUi ui;
        TfrxColorBox box(true);
        box.SetColor(clRed);
        ui.DialogSteps.enqueue([](QDialog &d) {
            static_cast<QColorDialog &>(d).setCurrentColor(QColor(0x12, 0x34, 0x56));
            d.accept();
        });
        ui.DialogSteps.enqueue([](QDialog &d) { d.reject(); });
        for (int i = 0; i < 2; ++i) {
            const int other = box.count() - 1;
            QCOMPARE(box.itemText(other), QStringLiteral("Other..."));
            box.setCurrentIndex(other);
            emit box.activated(other);
            QCOMPARE(box.Color(), 0x563412);
        }
        QCOMPARE(ui.DialogTitles.size(), 2);
    }

    void dataBandColumnsPrintAcross()
    {
        ColumnsFixture f;
        ScriptedUi ui;
        ui.DialogSteps.enqueue([](QDialog &d) {
            Child<QSpinBox>(d, "ColumnsEdit")->setValue(3);
            Child<QDoubleSpinBox>(d, "ColumnWidthEdit")->setValue(25);
            Child<QDoubleSpinBox>(d, "ColumnGapEdit")->setValue(5);
            Press(d, "OkButton");
        });
        QVERIFY(EditBand(nullptr, f.band));
        QVERIFY2(f.report.BuildPages(true), qPrintable(f.report.Errors().join('\n')));
        const QList<PreparedPage> pages = ReadPreparedPages(f.report);
        QCOMPARE(pages.size(), 1);
        QStringList placed;
        for (const PreparedObject &o : pages[0])
            placed << QStringLiteral("%1@%2,%3").arg(o.Text).arg(qRound(o.Left / fr01cm)).arg(o.Top);
        QCOMPARE(placed.join(' '), QStringLiteral("1@0,0 2@30,0 3@60,0 4@0,20 5@30,20 6@60,20"));
    }

    void windowOpensTheEditors()
    {
        EditorsFixture f;
        ScriptedUi ui;
        TfrxDesignerForm form(f.report);
        form.resize(1200, 800);
        form.show();
        QVERIFY(!form.Modified());
        // The Report menu's commands: Cancel changes nothing, OK is one change.
        for (const char *name : {"VariablesCmd", "ReportStylesCmd", "ReportOptionsCmd"}) {
            auto *action = form.findChild<QAction *>(QLatin1String(name));
            QVERIFY2(action, name);
            action->trigger();
            QVERIFY(!form.Modified());
        }
        QCOMPARE(ui.DialogTitles, QStringList({"Edit Variables", "Style Editor", "Report Options"}));
        ui.DialogSteps.enqueue([](QDialog &d) {
            Child<QLineEdit>(d, "NameEdit")->setText(QStringLiteral("Waybill"));
            Press(d, "OkButton");
        });
        form.findChild<QAction *>(QStringLiteral("ReportOptionsCmd"))->trigger();
        QVERIFY(form.Modified());
        QVERIFY(form.Action("UndoCmd")->isEnabled());

        // Double-click on a band, a group header and a barcode opens each one's editor.
        ui.Clear();
        TfrxDesignerWorkspace *ws = form.Workspace();
        form.SetScale(1);
        for (const char *name : {"MasterData1", "GroupHeader1", "BarCode1"}) {
            TfrxComponent *c = f.report->FindObject(QLatin1String(name));
            const QPointF at =
                ws->PrintableOrigin() + QPointF(c->AbsLeft() + 10, c->AbsTop() + 3) * ws->Scale();
            QTest::mouseClick(ws, Qt::LeftButton, {}, at.toPoint());
            QTest::mouseDClick(ws, Qt::LeftButton, {}, at.toPoint());
        }
        QCOMPARE(ui.DialogTitles,
                 QStringList({"Band: MasterData1", "Group: GroupHeader1", "Barcode Editor"}));
        ui.DialogSteps.enqueue([](QDialog &d) {
            Child<QSpinBox>(d, "ColumnsEdit")->setValue(2);
            Press(d, "OkButton");
        });
        QVERIFY(form.SelectObject(QStringLiteral("MasterData1")));
        form.EditObject();
        QCOMPARE(qobject_cast<TfrxDataBand *>(f.report->FindObject(QStringLiteral("MasterData1")))->Columns(),
                 2);
    }
};

QTEST_MAIN(TestEditors)
#include "tst_editors.moc"

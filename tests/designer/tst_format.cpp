// The formatting bars and their one dispatcher, Fit to Grid, the Alignment Palette, the formatting
// sample, the colour chooser's custom slots, the page menu's items, guides dragged from the rulers
// and the copy-format tool, driven through the designer window offscreen.
#include "ScriptedUi.h"
#include "WorkspaceDriver.h"

#include "designer/format/frxDesignerFormatting.h"
#include "designer/format/frxFormatBars.h"
#include "designer/format/frxFormatCommands.h"
#include "designer/format/frxFormatControls.h"
#include "designer/settings/frxDesignerSettings.h"
#include "designer/trees/frxDataTree.h"
#include "designer/trees/frxFieldDrop.h"
#include "designer/undo/frxUndoBuffer.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "platform/IniFile.h"
#include "report/draw/frxFontTable.h"
#include "report/model/frxBands.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolBar>

using namespace frxFormat;

namespace {

struct FormatWindow : Window {
    TfrxDesignerFormatting *fmt = form.Formatting();
    TfrxFormatCommands *cmd = fmt->Commands();
    FormatWindow() { form.SetScale(1); }
    TfrxCustomMemoView *Memo(const char *name)
    {
        return qobject_cast<TfrxCustomMemoView *>(f.report->FindObject(QLatin1String(name)));
    }
    void Select(const QList<TfrxComponent *> &list) { ws->Select(list); }
    int Undos() const { return form.UndoBuffer()->UndoCount(); }
};

} // namespace

class TestFormat : public QObject {
    Q_OBJECT
private slots:
    void boldSkipsObjectsThatMayNotBeModifiedInOneUndoStep()
    {
        FormatWindow w;
        auto *a = w.Memo("Memo1");
        auto *b = w.Memo("Memo2");
        b->SetRestrictions(frx::rfDontModify);
        a->SetStyle(QStringLiteral("Old"));
        w.Select({a, b});
        const int before = w.Undos();
        w.fmt->Bars()->TagAction(tgBold)->trigger();
        QVERIFY(a->Font()->Style().testFlag(frx::fsBold));
        QVERIFY(!b->Font()->Style().testFlag(frx::fsBold));
        QCOMPARE(a->Style(), QString()); // formatting clears the style
        QCOMPARE(w.Undos(), before + 1);
        QVERIFY(w.form.Modified());
        // The one change goes back in one step.
        w.form.Undo();
        QVERIFY(!w.Memo("Memo1")->Font()->Style().testFlag(frx::fsBold));
    }

    void formatCommandsOnASingleMemo_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("property"); // checked on Memo1 afterwards
        QTest::addColumn<QString>("expected");
        QTest::newRow("font size") << int(tgFontSize) << QVariant(QStringLiteral("14")) << "size"
                                   << "14";
        QTest::newRow("font colour") << int(tgFontColor) << QVariant(0x0000FF) << "fontColor"
                                     << "255";
        QTest::newRow("centre") << int(tgAlignCenter) << QVariant() << "hAlign"
                                << "2";
        QTest::newRow("bottom") << int(tgAlignBottom) << QVariant() << "vAlign"
                                << "1";
        QTest::newRow("all lines") << int(tgFrameAll) << QVariant() << "frame"
                                   << "15";
        QTest::newRow("top line") << int(tgFrameTop) << QVariant(true) << "frame"
                                  << "4";
        QTest::newRow("frame width with comma")
            << int(tgFrameWidth) << QVariant(QStringLiteral("1,5")) << "frameWidth"
            << "1.5";
        QTest::newRow("frame style") << int(tgFrameStyle) << QVariant(int(frx::fsDot)) << "frameStyle"
                                     << "2";
        QTest::newRow("rotation") << int(tgRotation) << QVariant(90) << "rotation"
                                  << "90";
        QTest::newRow("fill") << int(tgFillColor) << QVariant(0x00FF00) << "color"
                              << QString::number(0x00FF00);
    }

    void formatCommandsOnASingleMemo()
    {
        QFETCH(int, tag);
        QFETCH(QVariant, value);
        QFETCH(QString, property);
        QFETCH(QString, expected);
        FormatWindow w;
        auto *m = w.Memo("Memo1");
        w.Select({m});
        const int before = w.Undos();
        QVERIFY(w.cmd->Dispatch(tag, value));
        QCOMPARE(w.Undos(), before + 1);
        const QMap<QString, QString> values{{"size", QString::number(m->Font()->Size())},
                                            {"fontColor", QString::number(m->Font()->Color())},
                                            {"hAlign", QString::number(int(m->HAlign()))},
                                            {"vAlign", QString::number(int(m->VAlign()))},
                                            {"frame", QString::number(int(m->Frame()->Typ()))},
                                            {"frameWidth", QString::number(m->Frame()->Width())},
                                            {"frameStyle", QString::number(int(m->Frame()->Style()))},
                                            {"rotation", QString::number(m->Rotation())},
                                            {"color", QString::number(m->Color())}};
        QCOMPARE(values.value(property), expected);
        // The bars show the one selected object afterwards.
        if (property == "size")
            QCOMPARE(w.fmt->Bars()->SizeBox()->currentText(), QStringLiteral("14"));
    }

    void typedValuesOutsideTheirRangeAreRefused_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QString>("text");
        QTest::newRow("font size 0") << int(tgFontSize) << "0";
        QTest::newRow("font size 10,000") << int(tgFontSize) << "10000";
        QTest::newRow("font size not a number") << int(tgFontSize) << "big";
        QTest::newRow("frame width 0") << int(tgFrameWidth) << "0";
        QTest::newRow("frame width 11") << int(tgFrameWidth) << "11";
        QTest::newRow("frame width nan") << int(tgFrameWidth) << "nan";
    }

    void typedValuesOutsideTheirRangeAreRefused()
    {
        QFETCH(int, tag);
        QFETCH(QString, text);
        ScriptedUi ui;
        FormatWindow w;
        auto *m = w.Memo("Memo1");
        w.Select({m});
        const int size = m->Font()->Size();
        const double width = m->Frame()->Width();
        const int before = w.Undos();
        QVERIFY(!w.cmd->Dispatch(tag, text));
        QCOMPARE(ui.Shown.size(), 1);
        QVERIFY2(ui.LastText().contains(text), qPrintable(ui.LastText()));
        QCOMPARE(m->Font()->Size(), size);
        QCOMPARE(m->Frame()->Width(), width);
        QCOMPARE(w.Undos(), before);
        QVERIFY(!w.form.Modified());
    }

    void fitToGridKeepsStraightLinesStraight()
    {
        FormatWindow w;
        auto *m = w.Memo("Memo1");
        m->SetBounds(5.5, 9.5, 1, 20);
        auto *line = new TfrxLineView(w.f.report);
        line->SetParent(w.form.Page());
        line->SetName(QStringLiteral("Line1"));
        line->SetBounds(10, 30, 40, 0);
        w.form.SetModified(false);
        w.Select({m, line});
        w.form.Action(QStringLiteral("FitToGridCmd"))->trigger();
        QVERIFY(qAbs(m->Left() - Mm) < 1e-9);    // 5.5 / 3.77953 = 1.46 → 1 step
        QVERIFY(qAbs(m->Top() - 3 * Mm) < 1e-9); // 9.5 → 2.51 → 3 steps
        QVERIFY(qAbs(m->Width() - Mm) < 1e-9);   // 1 pixel becomes one step, not nothing
        QCOMPARE(line->Height(), 0.0);           // a horizontal line stays horizontal
        QVERIFY(qAbs(line->Width() - 11 * Mm) < 1e-9);
    }

    void alignmentPalette_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QList<double>>("lefts");
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("space horizontally")
            << int(acSpaceHorizontally) << QList<double>{0, 10, 50} << QList<double>{0, 25, 50};
        QTest::newRow("space horizontally out of order")
            << int(acSpaceHorizontally) << QList<double>{50, 0, 10} << QList<double>{50, 0, 25};
        QTest::newRow("align left") << int(acAlignLeft) << QList<double>{7, 20, 40} << QList<double>{7, 7, 7};
        QTest::newRow("align left needs two") << int(acAlignLeft) << QList<double>{7} << QList<double>{7};
        QTest::newRow("space needs three")
            << int(acSpaceHorizontally) << QList<double>{0, 10} << QList<double>{0, 10};
        QTest::newRow("align right") << int(acAlignRight) << QList<double>{100, 0} << QList<double>{100, 150};
    }

    void alignmentPalette()
    {
        QFETCH(int, command);
        QFETCH(QList<double>, lefts);
        QFETCH(QList<double>, expected);
        FormatWindow w;
        QList<TfrxComponent *> memos;
        for (int i = 0; i < lefts.size(); ++i) {
            auto *m = new TfrxMemoView(w.f.report);
            m->SetParent(w.form.Page());
            m->SetName(QStringLiteral("Spaced%1").arg(i));
            m->SetBounds(lefts[i], 100 + 20 * i, i == 0 ? 60 : 10, 10);
            memos << m;
        }
        w.form.SetModified(false);
        w.Select(memos);
        const int before = w.Undos();
        const bool changed = w.cmd->Align(TAlignCommand(command));
        QCOMPARE(changed, lefts != expected);
        QCOMPARE(w.Undos(), before + (changed ? 1 : 0));
        for (int i = 0; i < memos.size(); ++i)
            QCOMPARE(memos[i]->Left(), expected[i]);
    }

    void alignCenterLinesUpObjectsInDifferentBands()
    {
        FormatWindow w;
        auto *band = new TfrxReportTitle(w.f.report);
        band->SetParent(w.form.Page());
        band->SetName(QStringLiteral("ReportTitle1"));
        band->SetBounds(0, 120, 300, 60);
        auto *inBand = new TfrxMemoView(w.f.report);
        inBand->SetParent(band);
        inBand->SetName(QStringLiteral("InBand"));
        inBand->SetBounds(10, 5, 50, 10);
        auto *onPage = w.Memo("Memo1");
        w.form.SetModified(true); // the bands settle first
        onPage->SetBounds(200, band->Top() + band->Height() + 30, 50, 18.9);
        w.Select({onPage, inBand});
        QVERIFY(w.cmd->Align(acAlignCenter));
        QVERIFY(qAbs(inBand->AbsTop() + 5 - (onPage->AbsTop() + onPage->Height() / 2)) < 1e-9);
    }

    void insertedMemoLooksLikeTheLastFormattedOne()
    {
        FormatWindow w;
        auto *m = w.Memo("Memo1");
        w.Select({m});
        QVERIFY(w.cmd->Dispatch(tgFontSize, QStringLiteral("16")));
        QVERIFY(w.cmd->Dispatch(tgFontColor, 0x0000FF));
        QVERIFY(w.cmd->Dispatch(tgFrameAll));
        QVERIFY(w.cmd->Dispatch(tgAlignRight));
        w.form.ArmInsertion(QStringLiteral("TfrxMemoView"));
        auto *inserted = qobject_cast<TfrxCustomMemoView *>(w.form.InsertObject(QRectF(10, 120, 80, 20)));
        QVERIFY(inserted);
        QCOMPARE(inserted->Font()->Size(), 16);
        QCOMPARE(inserted->Font()->Color(), 0x0000FF);
        QVERIFY(inserted->Font()->SameAs(*m->Font()));
        // The frame and the alignment only with the copy-format tool on.
        QCOMPARE(int(inserted->Frame()->Typ()), 0);
        QCOMPARE(inserted->HAlign(), frx::haLeft);
        w.fmt->SetTool(TfrxDesignerFormatting::ttCopyFormat);
        w.form.ArmInsertion(QStringLiteral("TfrxMemoView"));
        inserted = qobject_cast<TfrxCustomMemoView *>(w.form.InsertObject(QRectF(10, 150, 80, 20)));
        QVERIFY(inserted);
        QCOMPARE(int(inserted->Frame()->Typ()), 15);
        QCOMPARE(inserted->HAlign(), frx::haRight);
    }

    // A new text object, from the objects bar or dropped from the data tree, holds one line of
    // the sample's font and, when dropped, the field's name across.
    void newTextFitsItsFont_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("9 pt") << 9;
        QTest::newRow("14 pt") << 14;
        QTest::newRow("22 pt") << 22;
    }
    void newTextFitsItsFont()
    {
        QFETCH(int, points);
        FormatWindow w;
        w.f.fd->SetFields({QStringLiteral("收货人详细地址")});
        auto *m = w.Memo("Memo1");
        w.Select({m});
        QVERIFY(w.cmd->Dispatch(tgFontSize, QString::number(points)));
        const double lineHeight = QFontMetricsF([&] {
            QFont font(m->Font()->Name());
            font.setPixelSize(qRound(points * 96 / 72.0));
            return font;
        }()).height();
        w.form.ArmInsertion(QStringLiteral("TfrxMemoView"));
        auto *inserted = qobject_cast<TfrxCustomMemoView *>(w.form.InsertObject(QRectF(10, 120, 80, 18.9)));
        QVERIFY(inserted);
        QVERIFY2(inserted->Height() >= lineHeight, qPrintable(QString::number(inserted->Height())));
        QVERIFY(inserted->Height() >= inserted->CalcHeight() - 1e-6);
        QCOMPARE(inserted->Font()->Size(), points);

        w.form.DataTree()->SetActivePage(TfrxDataTreeForm::tabData);
        TfrxFieldDrop drop(&w.form, w.form.DataTree());
        auto *field = qobject_cast<TfrxCustomMemoView *>(
            drop.DropReference("<FD.\"收货人详细地址\">", w.form.Page(), QRectF(20, 30, 0, 0)).value(0));
        QVERIFY(field);
        QCOMPARE(field->Font()->Size(), points);
        QVERIFY2(field->Height() >= lineHeight, qPrintable(QString::number(field->Height())));
        TfrxMemoView name;
        name.Font()->Assign(*field->Font());
        name.SetText(QStringLiteral("收货人详细地址"));
        QVERIFY2(field->Width() >= name.CalcWidth() - 1e-6, qPrintable(QString::number(field->Width())));
        // Whole grid steps.
        const double grid = w.ws->GridY();
        QVERIFY(std::abs(field->Height() / grid - std::round(field->Height() / grid)) < 1e-6);
    }

    void customColoursKeepTheLastEight()
    {
        ScriptedUi ui;
        FormatWindow w;
        auto *m = w.Memo("Memo1");
        w.Select({m});
        frxColorTable::ResetCustomColors();
        // Colours that are not in the table: (1,2,3), (2,3,4), …
        for (int i = 1; i <= 9; ++i)
            ui.DialogSteps.enqueue([i](QDialog &d) {
                static_cast<QColorDialog &>(d).setCurrentColor(QColor(i, i + 1, i + 2));
                d.accept();
            });
        w.fmt->Bars()->OpenColorSelector(tgFontColor);
        TfrxColorSelector *selector = w.fmt->Bars()->ColorSelector();
        for (int i = 1; i <= 9; ++i) {
            selector->show();
            // A release on the "Other..." bar opens the colour dialog.
            Mouse(selector, QEvent::MouseButtonRelease, QPoint(70, 125));
        }
        const QList<TColor> &table = frxColorTable::Colors();
        for (int slot = 0; slot < 8; ++slot)
            QCOMPARE(table[frxColorTable::FirstCustom + slot],
                     frxColorTable::FromQColor(QColor(slot + 2, slot + 3, slot + 4)));
        QCOMPARE(m->Font()->Color(), frxColorTable::FromQColor(QColor(9, 10, 11)));
        // A colour already in the table is not recorded again; a swatch picks its entry.
        frxColorTable::AddCustomColor(frxColorTable::FromQColor(QColor(5, 6, 7)));
        QCOMPARE(table[frxColorTable::FirstCustom], frxColorTable::FromQColor(QColor(2, 3, 4)));
        selector->show();
        Mouse(selector, QEvent::MouseButtonRelease, QPoint(8 + 18 * 3 + 4, 8 + 18 * 1 + 4)); // row 2, red
        QCOMPARE(m->Font()->Color(), 0x0000FF);
        frxColorTable::ResetCustomColors();
    }

    // A zoom change repaints both rulers at once (they kept the old scale until the page tab
    // changed), so their ticks follow the new scale.
    void rulersRepaintAfterZoom()
    {
        struct PaintCounter : QObject {
            int paints = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                paints += event->type() == QEvent::Paint;
                return false;
            }
        };
        FormatWindow w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        PaintCounter top, left;
        w.fmt->Ruler(true)->installEventFilter(&top);
        w.fmt->Ruler(false)->installEventFilter(&left);
        QApplication::processEvents();
        top.paints = left.paints = 0;
        for (double scale : {0.5, 1.5}) {
            w.form.SetScale(scale);
            QApplication::processEvents();
            QVERIFY(top.paints > 0 && left.paints > 0);
            top.paints = left.paints = 0;
        }
    }

    void guideDraggedFromTheRulerIsSavedAndSnappedTo()
    {
        FormatWindow w;
        TfrxRuler *ruler = w.fmt->Ruler(true);
        QVERIFY(ruler && ruler->isVisible());
        // From the top ruler onto the page: a horizontal guide at the drop Y, on the grid.
        const QPoint drop = ruler->mapFromGlobal(w.ws->mapToGlobal(At(w.ws, 200, 40.5 * Mm)));
        Mouse(ruler, QEvent::MouseButtonPress, QPoint(100, 10));
        Mouse(ruler, QEvent::MouseMove, drop);
        Mouse(ruler, QEvent::MouseButtonRelease, drop);
        auto *page = qobject_cast<TfrxReportPage *>(w.form.Page());
        QCOMPARE(page->HGuides().size(), 1);
        const double guide = page->HGuides().first().toDouble();
        QVERIFY2(qAbs(guide - 40 * Mm) < 1e-6, qPrintable(page->HGuides().first()));
        QVERIFY(w.form.SaveFile(false, false));
        QVERIFY(w.f.FileBytes().contains("HGuides.Text=\"" + page->HGuides().first().toUtf8() + "\""));

        // Memo1 (top 18.9) dragged down so its top lands 2 pixels above the guide: it snaps.
        auto *m = w.Memo("Memo1");
        w.Select({m});
        const double startTop = m->Top();
        const QPoint from = At(w.ws, m->Left() + 20, startTop + 5);
        const double wanted = guide - 2 - startTop;
        Mouse(w.ws, QEvent::MouseButtonPress, from);
        Mouse(w.ws, QEvent::MouseMove, from + QPoint(0, qRound(wanted)));
        Mouse(w.ws, QEvent::MouseButtonRelease, from + QPoint(0, qRound(wanted)));
        QVERIFY2(qAbs(m->Top() - guide) < 1e-6, qPrintable(QString::number(m->Top())));
        // An insertion outline snaps too: the grid alone would put it 3.78 below the guide.
        w.form.ArmInsertion(QStringLiteral("TfrxMemoView"));
        const QPoint click = At(w.ws, 150, guide + 4.5);
        Mouse(w.ws, QEvent::MouseMove, click);
        Mouse(w.ws, QEvent::MouseButtonPress, click);
        Mouse(w.ws, QEvent::MouseButtonRelease, click);
        TfrxComponent *inserted = w.form.SelectedObjects().first();
        QVERIFY(inserted != m && qobject_cast<TfrxMemoView *>(inserted));
        QVERIFY2(qAbs(inserted->AbsTop() - guide) < 1e-6, qPrintable(QString::number(inserted->AbsTop())));
        // A drop outside the page adds nothing.
        QVERIFY(!w.fmt->DropGuide(true, w.form.mapToGlobal(QPoint(1, 1))));
        QCOMPARE(page->HGuides().size(), 1);
    }

    void pageMenuItems()
    {
        FormatWindow w;
        auto *a = w.Memo("Memo1");
        auto *b = w.Memo("Memo2");
        a->SetStretchMode(frx::smMaxHeight);
        b->SetRestrictions(frx::rfDontModify);
        w.Select({a, b});
        QMenu menu;
        QVERIFY(w.cmd->FillMenu(&menu) > 0);
        QAction *stretch = menu.findChild<QAction *>(QStringLiteral("MemoStretchMI"));
        QVERIFY(stretch && !stretch->isChecked());
        stretch->trigger();
        QCOMPARE(a->StretchMode(), frx::smActualHeight);
        QCOMPARE(b->StretchMode(), frx::smDontStretch);
        menu.findChild<QAction *>(QStringLiteral("ClearContentsMI"))->trigger();
        QCOMPARE(a->Text(), QString());
        QVERIFY(!b->Text().isEmpty());
    }

    // The font box offers the names layouts use (the font table's) before the system's family
    // names, so a template names 宋体 as the Windows-made ones do.
    void fontBoxListsLayoutNamesFirst()
    {
        FormatWindow w;
        TfrxFontComboBox *box = w.fmt->Bars()->FontBox();
        box->Fill();
        const QStringList layoutNames = TfrxFontTable::Global().LayoutNames();
        for (const char *name : {"宋体", "黑体", "楷体", "仿宋", "微软雅黑", "Arial", "Times New Roman"})
            QVERIFY2(layoutNames.contains(QString::fromUtf8(name)), name);
        const QStringList families = box->Families();
        QCOMPARE(families.mid(0, layoutNames.size()), layoutNames);
        QVERIFY(families.size() > layoutNames.size()); // the system's other families follow
        const int song = box->findText(QStringLiteral("宋体"));
        QVERIFY(song >= 0 && song < box->findText(families.last()));
    }

    void recentFontsLiveInTheSettingsStore()
    {
        FormatWindow w;
        auto *m = w.Memo("Memo1");
        w.Select({m});
        TfrxFontComboBox *box = w.fmt->Bars()->FontBox();
        if (box->count() < 7)
            QSKIP("fewer than seven font families installed");
        QStringList families; // from the sorted list, after its first entry
        for (int i = 1; i <= 6; ++i)
            families << box->itemText(i);
        // Six fonts chosen from the list: the five newest stay, newest first.
        for (int i = 0; i < 6; ++i) {
            const int index = box->findText(families[i]);
            QVERIFY(index > 0);
            emit box->activated(index);
        }
        QCOMPARE(m->Font()->Name(), families[5]);
        const QStringList expected{families[5], families[4], families[3], families[2], families[1]};
        QCOMPARE(box->RecentFonts(), expected);
        const QString store =
            TfrxDesignerSettings::StoreFileName(QStringLiteral("\\Software\\Tavrel\\MRUFont"));
        IniFile ini(store);
        QCOMPARE(ini.ReadString(QStringLiteral("MRUFont"), QStringLiteral("Font0"), QString()), families[5]);
        QCOMPARE(ini.ReadString(QStringLiteral("MRUFont"), QStringLiteral("Font4"), QString()), families[1]);
        // A recent font chosen again moves to the top; the first entry changes nothing there.
        emit box->activated(box->findText(families[3]));
        QCOMPARE(box->RecentFonts().first(), families[3]);
        QCOMPARE(box->RecentFonts().size(), 5);
        // A stored name that is no longer installed is left out when the list is filled.
        IniFile(store).WriteString(QStringLiteral("MRUFont"), QStringLiteral("Font1"),
                                   QStringLiteral("No Such Font 123"));
        box->Fill();
        QVERIFY(!box->RecentFonts().contains(QStringLiteral("No Such Font 123")));
        QCOMPARE(box->RecentFonts().size(), 4);
        QCOMPARE(box->itemText(0), families[3]);
    }

    void barsFollowTheSelection()
    {
        FormatWindow w;
        auto *a = w.Memo("Memo1");
        auto *b = w.Memo("Memo2");
        a->Font()->SetSize(14);
        a->Font()->SetStyle(frx::fsBold);
        a->Frame()->SetWidth(2);
        TfrxFormatBars *bars = w.fmt->Bars();
        w.Select({a});
        QCOMPARE(bars->SizeBox()->currentText(), QStringLiteral("14"));
        QVERIFY(bars->TagAction(tgBold)->isChecked());
        QCOMPARE(bars->FrameWidthBox()->currentText(), QLocale().toString(2.0, 'g', 4));
        QCOMPARE(bars->FrameWidthBox()->count(), 13);
        QCOMPARE(bars->StyleBox()->currentText(), NoStyleCaption());
        // Several objects: boxes empty, buttons released, everything enabled.
        w.Select({a, b});
        QCOMPARE(bars->SizeBox()->currentText(), QString());
        QVERIFY(!bars->TagAction(tgBold)->isChecked());
        QVERIFY(bars->TagAction(tgAlignLeft)->isEnabled());
        // A line has no text alignment and no frame sides.
        auto *line = new TfrxLineView(w.f.report);
        line->SetParent(w.form.Page());
        line->SetName(QStringLiteral("Line1"));
        line->SetBounds(10, 100, 50, 0);
        w.form.SetModified(true);
        w.Select({line});
        QVERIFY(!bars->TagAction(tgAlignLeft)->isEnabled());
        QVERIFY(!bars->TagAction(tgFrameTop)->isEnabled());
        QVERIFY(bars->FrameWidthBox()->isEnabled());
        // Refreshing dispatches nothing.
        const int before = w.Undos();
        bars->Refresh();
        QCOMPARE(w.Undos(), before);
    }

    void guidesMoveAndGoAtTheEdge()
    {
        FormatWindow w;
        auto *page = qobject_cast<TfrxReportPage *>(w.form.Page());
        page->SetVGuides({QStringLiteral("100")});
        w.form.SetModified(false);
        const int before = w.Undos();
        // Press within 5 pixels of the guide, drag it to 150: it lands on the grid below.
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, 103, 150));
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, 150, 150));
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, 150, 150));
        QCOMPARE(page->VGuides().size(), 1);
        QVERIFY2(qAbs(page->VGuides().first().toDouble() - 39 * Mm) < 1e-6,
                 qPrintable(page->VGuides().first()));
        QCOMPARE(w.Undos(), before + 1);
        // Dropped at the edge of the printable area, it goes.
        const double x = page->VGuides().first().toDouble();
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, x, 150));
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, 1, 150));
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, 1, 150));
        QVERIFY(page->VGuides().isEmpty());
        QCOMPARE(w.Undos(), before + 2);
    }

    void zoomToolClicks()
    {
        FormatWindow w;
        w.form.findChild<QAction *>(QStringLiteral("ZoomToolCmd"))->trigger();
        QCOMPARE(w.fmt->Tool(), TfrxDesignerFormatting::ttZoom);
        const QPoint p = At(w.ws, 50, 50);
        Mouse(w.ws, QEvent::MouseButtonPress, p);
        Mouse(w.ws, QEvent::MouseButtonRelease, p);
        QCOMPARE(w.form.Scale(), 2.0);
        const QPoint q = At(w.ws, 50, 50);
        Mouse(w.ws, QEvent::MouseButtonPress, q, {}, Qt::RightButton);
        Mouse(w.ws, QEvent::MouseButtonRelease, q, {}, Qt::RightButton);
        QCOMPARE(w.form.Scale(), 1.0);
        // The select tool brings the surface back to selecting.
        w.form.findChild<QAction *>(QStringLiteral("SelectToolCmd"))->trigger();
        QCOMPARE(w.fmt->Tool(), TfrxDesignerFormatting::ttSelect);
    }

    void highlightButtonEditsTheFirstAndWritesEverySelectedText()
    {
        ScriptedUi ui;
        FormatWindow w;
        auto *a = w.Memo("Memo1");
        auto *b = w.Memo("Memo2");
        a->Highlight()->SetCondition(QStringLiteral("Value > 1"));
        w.Select({a, b});
        const int before = w.Undos();
        ui.DialogSteps.enqueue([](QDialog &d) {
            auto *edit = d.findChild<QLineEdit *>(QStringLiteral("ConditionEdit"));
            QVERIFY(edit);
            QCOMPARE(edit->text(), QStringLiteral("Value > 1")); // preset from the first
            edit->setText(QStringLiteral("Value < 0"));
            d.accept();
        });
        w.fmt->Bars()->TagAction(tgHighlight)->trigger();
        QCOMPARE(a->Highlight()->Condition(), QStringLiteral("Value < 0"));
        QCOMPARE(b->Highlight()->Condition(), QStringLiteral("Value < 0"));
        QCOMPARE(w.Undos(), before + 1);
        // Cancel changes nothing and adds no step.
        ui.DialogSteps.enqueue([](QDialog &d) { d.reject(); });
        w.fmt->Bars()->TagAction(tgHighlight)->trigger();
        QCOMPARE(w.Undos(), before + 1);
    }

    void copyFormatTool()
    {
        FormatWindow w;
        auto *a = w.Memo("Memo1");
        auto *b = w.Memo("Memo2");
        a->Font()->SetSize(20);
        a->SetHAlign(frx::haCenter);
        w.Select({a});
        w.form.findChild<QAction *>(QStringLiteral("FormatToolCmd"))->trigger();
        QCOMPARE(w.fmt->Tool(), TfrxDesignerFormatting::ttCopyFormat);
        const int before = w.Undos();
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, b->Left() + 5, b->Top() + 5));
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, b->Left() + 5, b->Top() + 5));
        QCOMPARE(b->Font()->Size(), 20);
        QCOMPARE(b->HAlign(), frx::haCenter);
        QCOMPARE(w.Undos(), before + 1);
    }
};

QTEST_MAIN(TestFormat)
#include "tst_format.moc"

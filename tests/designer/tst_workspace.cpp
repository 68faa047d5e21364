// The design surface driven with synthesized mouse and key events: insertion, dragging with grid
// snapping, keyboard steps, the clipboard and the paste that follows the mouse.
#include "DesignerFixture.h"
#include "ScriptedUi.h"
#include "WorkspaceDriver.h"

#include "designer/trees/frxReportTree.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxClipboard.h"
#include "designer/workspace/frxDesgnWorkspace.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

namespace {

QByteArray LayoutBytes(TfrxReport &report)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    frxSaveToStream(report, &buffer);
    return bytes;
}

} // namespace

class TestWorkspace : public QObject {
    Q_OBJECT
private slots:
    void clickInsertsTheDefaultSizeOnTheGrid()
    {
        Window w;
        w.form.SetScale(1);
        w.form.ArmInsertion("TfrxMemoView");
        // 20.2 mm across, 30.4 mm down: the outline's corner lies on the 1 mm grid below it.
        const QPoint pos = At(w.ws, 20.2 * Mm, 30.4 * Mm);
        Mouse(w.ws, QEvent::MouseMove, pos, {}, Qt::NoButton);
        Mouse(w.ws, QEvent::MouseButtonPress, pos);
        Mouse(w.ws, QEvent::MouseButtonRelease, pos);
        TfrxComponent *memo = w.Obj("Memo3");
        QVERIFY(memo);
        QVERIFY(qAbs(memo->Left() - 20 * Mm) < 1e-6);
        QVERIFY(qAbs(memo->Top() - 30 * Mm) < 1e-6);
        QCOMPARE(memo->Width(), 94.48825);
        QCOMPARE(memo->Height(), 18.89765);
        QCOMPARE(w.form.SelectedObjects(), QList<TfrxComponent *>{memo});
        QVERIFY(w.form.Modified());
        // Not a line: the select tool is back.
        QCOMPARE(w.ws->InsertionClass(), nullptr);
    }

    void editAfterInsertOpensTheMemoEditor()
    {
        DesignerFixture f; // first run: the built-in layout has "edit after insert" on
        TfrxDesignerForm form(f.report);
        form.show();
        QString title;
        QTimer::singleShot(0, [&] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                title = dialog->windowTitle();
                dialog->close();
            }
        });
        form.ArmInsertion("TfrxMemoView");
        const QPoint pos = At(form.Workspace(), 10, 10);
        Mouse(form.Workspace(), QEvent::MouseMove, pos, {}, Qt::NoButton);
        Mouse(form.Workspace(), QEvent::MouseButtonPress, pos);
        Mouse(form.Workspace(), QEvent::MouseButtonRelease, pos);
        QCOMPARE(title, QStringLiteral("Memo"));
        QVERIFY(f.report->FindObject("Memo3"));
    }

    void dragGivesWholeGridSteps()
    {
        Window w;
        w.form.SetScale(1);
        w.form.ArmInsertion("TfrxShapeView");
        const QPoint corner = At(w.ws, 10.2 * Mm, 10.2 * Mm);
        Mouse(w.ws, QEvent::MouseMove, corner, {}, Qt::NoButton);
        Mouse(w.ws, QEvent::MouseButtonPress, corner);
        // 15.5 mm across, 0.5 mm down: height 0 (less than one step down).
        const QPoint end = At(w.ws, 25.7 * Mm, 10.7 * Mm);
        Mouse(w.ws, QEvent::MouseMove, end);
        Mouse(w.ws, QEvent::MouseButtonRelease, end);
        TfrxComponent *shape = w.Obj("Shape1");
        QVERIFY(shape);
        QVERIFY(qAbs(shape->Width() - 15 * Mm) < 1e-6);
        QCOMPARE(shape->Height(), 0.0);
    }

    void moveSnapsAndCarries_data()
    {
        QTest::addColumn<bool>("alt");
        QTest::addColumn<double>("expectedMm");
        QTest::newRow("grid") << false << 3.0;
        QTest::newRow("alt moves freely") << true << 3.1;
    }
    void moveSnapsAndCarries()
    {
        QFETCH(bool, alt);
        QFETCH(double, expectedMm);
        Window w;
        w.form.SetScale(10); // a screen pixel is a tenth of a design pixel
        TfrxComponent *memo = w.Obj("Memo1");
        const QByteArray before = LayoutBytes(*w.f.report);
        const double left = memo->Left();
        const double x = memo->AbsLeft() + 5, y = memo->AbsTop() + 5;
        const Qt::KeyboardModifiers mods = alt ? Qt::AltModifier : Qt::NoModifier;
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, x, y));
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, x + 2.5 * Mm, y), mods);
        if (!alt)
            QVERIFY(qAbs(memo->Left() - (left + 2 * Mm)) < 1e-6);
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, x + 3.1 * Mm, y), mods);
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, x + 3.1 * Mm, y), mods);
        QVERIFY2(qAbs(memo->Left() - (left + expectedMm * Mm)) < (alt ? 0.1 : 1e-6),
                 qPrintable(QString::number((memo->Left() - left) / Mm)));
        // One change, one snapshot: Undo gives the bytes from before the move.
        w.form.Undo();
        QCOMPARE(LayoutBytes(*w.f.report), before);
    }

    void groupHandleScales()
    {
        Window w;
        w.form.SetScale(10);
        w.form.SelectAll();
        TfrxComponent *a = w.Obj("Memo1");
        TfrxComponent *b = w.Obj("Memo2");
        const QRectF group = QRectF(a->AbsLeft(), a->AbsTop(), a->Width(), a->Height())
                                 .united(QRectF(b->AbsLeft(), b->AbsTop(), b->Width(), b->Height()));
        const double bTop = b->Top();
        // Twice as wide and twice as high: drag the group handle by the group's own size.
        const QPointF corner = group.bottomRight();
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, corner.x(), corner.y()), Qt::AltModifier);
        QCOMPARE(w.ws->Mode(), TfrxDesignerWorkspace::dmScale);
        const QPoint end = At(w.ws, corner.x() + group.width(), corner.y() + group.height());
        Mouse(w.ws, QEvent::MouseMove, end, Qt::AltModifier);
        Mouse(w.ws, QEvent::MouseButtonRelease, end, Qt::AltModifier);
        QVERIFY(qAbs(a->Width() - 2 * 94.48825) < 0.2);
        QVERIFY(qAbs(b->Top() - (group.top() + (bTop - group.top()) * 2)) < 0.2);
        QVERIFY(w.form.Modified());
    }

    void ctrlRightIsOneDesignPixel_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::newRow("50%") << 0.5;
        QTest::newRow("100%") << 1.0;
        QTest::newRow("300%") << 3.0;
    }
    void ctrlRightIsOneDesignPixel()
    {
        QFETCH(double, zoom);
        Window w;
        w.form.SetScale(zoom);
        QVERIFY(w.form.SelectObject("Memo2"));
        const double left = w.Obj("Memo2")->Left();
        QTest::keyClick(w.ws, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(w.Obj("Memo2")->Left(), left + 1);
        QTest::keyClick(w.ws, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(qAbs(w.Obj("Memo2")->Left() - (left + 1 + Mm)) < 1e-6);
    }

    void arrowsSelectAndAbut()
    {
        Window w;
        QVERIFY(w.form.SelectObject("Memo1"));
        QTest::keyClick(w.ws, Qt::Key_Down);
        QCOMPARE(w.form.SelectedObjects(), QList<TfrxComponent *>{w.Obj("Memo2")});
        QTest::keyClick(w.ws, Qt::Key_Down); // nothing below: the selection stays
        QCOMPARE(w.form.SelectedObjects(), QList<TfrxComponent *>{w.Obj("Memo2")});
        QTest::keyClick(w.ws, Qt::Key_Up, Qt::AltModifier);
        // Memo2's top meets Memo1's bottom.
        QVERIFY(qAbs(w.Obj("Memo2")->Top() - (w.Obj("Memo1")->Top() + w.Obj("Memo1")->Height())) < 1e-6);
        QVERIFY(w.form.Modified());
    }

    void inplaceEditor()
    {
        Window w;
        w.form.SetScale(1);
        TfrxComponent *memo = w.Obj("Memo2");
        const QPoint inside = At(w.ws, memo->AbsLeft() + 4, memo->AbsTop() + 4);
        Mouse(w.ws, QEvent::MouseButtonPress, inside, Qt::AltModifier);
        Mouse(w.ws, QEvent::MouseButtonRelease, inside, Qt::AltModifier);
        QWidget *editor = w.ws->InplaceEditor();
        QVERIFY(editor && editor->isVisible());
        // Delete while typing edits the text, it does not delete objects.
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClicks(editor, "Tel 2");
        QVERIFY(w.Obj("Memo2"));
        // Esc leaves the text as it was.
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(qobject_cast<TfrxMemoView *>(memo)->Text(), QStringLiteral("Tel [FD.\"电话\"]\r\n"));
        QVERIFY(!w.form.Modified());
        // Again, and a click elsewhere commits: one change.
        Mouse(w.ws, QEvent::MouseButtonPress, inside, Qt::AltModifier);
        Mouse(w.ws, QEvent::MouseButtonRelease, inside, Qt::AltModifier);
        QTest::keyClicks(w.ws->InplaceEditor(), "Tel 2");
        const QPoint away = At(w.ws, 300, 200);
        Mouse(w.ws, QEvent::MouseButtonPress, away);
        Mouse(w.ws, QEvent::MouseButtonRelease, away);
        QCOMPARE(qobject_cast<TfrxMemoView *>(memo)->Text(), QStringLiteral("Tel 2\r\n"));
        QVERIFY(w.form.Modified());
        w.form.Undo();
        QCOMPARE(qobject_cast<TfrxMemoView *>(w.Obj("Memo2"))->Text(),
                 QStringLiteral("Tel [FD.\"电话\"]\r\n"));
    }

    void copyAndPasteTwoMemos()
    {
        Window w;
        w.form.SetScale(1);
        w.form.SelectAll();
        w.form.Copy();
        const QString text = QApplication::clipboard()->text();
        QVERIFY(text.startsWith("#FR3 clipboard#\n\r<TfrxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\""));
        QVERIFY(text.contains("<TfrxMemoView Name=\"Memo2\" Left=\"0\" Top=\"37.7953\""));
        const QByteArray before = LayoutBytes(*w.f.report);

        w.form.Paste();
        QVERIFY(w.ws->Pasting());
        TfrxComponent *a = w.Obj("Memo3");
        TfrxComponent *b = w.Obj("Memo4");
        QVERIFY(a && b);
        QCOMPARE(w.form.SelectedObjects(), QList<TfrxComponent *>({a, b}));
        // They follow the mouse by their top-left corner until a click drops them there, on the
        // grid line nearest the pointer.
        const QPoint drop = At(w.ws, 10.4 * Mm, 20.3 * Mm);
        Mouse(w.ws, QEvent::MouseMove, drop, {}, Qt::NoButton);
        Mouse(w.ws, QEvent::MouseButtonPress, drop);
        Mouse(w.ws, QEvent::MouseButtonRelease, drop);
        QVERIFY(!w.ws->Pasting());
        QVERIFY2(qAbs(a->Left() - 10 * Mm) < 1e-6 && qAbs(a->Top() - 20 * Mm) < 1e-6,
                 qPrintable(QStringLiteral("%1 %2").arg(a->Left() / Mm).arg(a->Top() / Mm)));
        // One Undo takes the whole paste away, Redo brings it back.
        w.form.Undo();
        QCOMPARE(LayoutBytes(*w.f.report), before);
        w.form.Redo();
        QVERIFY(w.Obj("Memo3") && w.Obj("Memo4"));
    }

    // Paste puts the copy under the pointer when it is over the page, else where the copy was
    // taken from; never past the page's edges; the report tree lists it at once.
    void pasteLandsUnderThePointer_data()
    {
        QTest::addColumn<QPointF>("pointerMm");   // design position of the pointer; (-1, -1): off the page
        QTest::addColumn<QPointF>("dropMm");      // where the click drops it; (-1, -1): no move before it
        QTest::addColumn<QPointF>("expectedMm");  // Memo1's copy's top-left corner
        QTest::newRow("under the pointer") << QPointF(30.2, 12.4) << QPointF(-1, -1) << QPointF(30, 12);
        QTest::newRow("pointer off the page: copied place") << QPointF(-1, -1) << QPointF(-1, -1) << QPointF(10, 5);
        QTest::newRow("dropped near the corner stays on the page")
            << QPointF(30, 12) << QPointF(89, 49) << QPointF(90 - 25, 50 - 5);
        QTest::newRow("dropped above the page stays on it") << QPointF(30, 12) << QPointF(20, -3) << QPointF(20, 0);
    }
    void pasteLandsUnderThePointer()
    {
        QFETCH(QPointF, pointerMm);
        QFETCH(QPointF, dropMm);
        QFETCH(QPointF, expectedMm);
        Window w;
        w.form.SetScale(1);
        QVERIFY(w.form.SelectObject("Memo1"));
        w.form.Copy();
        const QPoint pointer = pointerMm.x() < 0 ? QPoint(2, 2) : At(w.ws, pointerMm.x() * Mm, pointerMm.y() * Mm);
        QCursor::setPos(w.ws->mapToGlobal(pointer));
        w.form.Paste();
        TfrxComponent *copy = w.Obj("Memo3");
        QVERIFY(copy);
        QVERIFY(w.form.ReportTree()->NodeOf(copy));
        const QPoint drop = dropMm.x() < 0 && dropMm.y() < 0 ? pointer : At(w.ws, dropMm.x() * Mm, dropMm.y() * Mm);
        if (drop != pointer)
            Mouse(w.ws, QEvent::MouseMove, drop, {}, Qt::NoButton);
        if (pointerMm.x() >= 0 || drop != pointer) {
            Mouse(w.ws, QEvent::MouseButtonPress, drop);
            Mouse(w.ws, QEvent::MouseButtonRelease, drop);
        }
        QVERIFY2(qAbs(copy->AbsLeft() - expectedMm.x() * Mm) < 1e-6 && qAbs(copy->AbsTop() - expectedMm.y() * Mm) < 1e-6,
                 qPrintable(QStringLiteral("%1 %2").arg(copy->AbsLeft() / Mm).arg(copy->AbsTop() / Mm)));
    }

    // Duplicate: a copy one grid step right and down of the original, selected, one undo step.
    void duplicateIsOneStepAside()
    {
        Window w;
        w.form.SetScale(1);
        QVERIFY(w.form.SelectObject("Memo1"));
        TfrxComponent *memo = w.Obj("Memo1");
        const QByteArray before = LayoutBytes(*w.f.report);
        QTest::keySequence(&w.form, QKeySequence(Qt::CTRL | Qt::Key_D));
        if (!w.Obj("Memo3")) // the window may not be active on this platform: the command itself
            w.form.Duplicate();
        TfrxComponent *copy = w.Obj("Memo3");
        QVERIFY(copy);
        QCOMPARE(copy->AbsLeft(), std::round((memo->AbsLeft() + w.ws->GridX()) * 1e8) / 1e8);
        QCOMPARE(copy->AbsTop(), std::round((memo->AbsTop() + w.ws->GridY()) * 1e8) / 1e8);
        QCOMPARE(w.form.SelectedObjects(), QList<TfrxComponent *>{copy});
        w.form.Undo();
        QCOMPARE(LayoutBytes(*w.f.report), before);
    }

    // Lock: a locked object stays where it is under a drag of its body or of a handle; the lock is
    // stored in the layout and Lock again (or Undo) frees it.
    void lockedObjectsKeepPlaceAndSize()
    {
        Window w;
        w.form.SetScale(1);
        TfrxComponent *memo = w.Obj("Memo1");
        QVERIFY(w.form.SelectObject("Memo1"));
        const QByteArray before = LayoutBytes(*w.f.report);
        w.form.Action("LockCmd")->trigger();
        QVERIFY(w.form.Action("LockCmd")->isChecked());
        // rfDontSize (2) and rfDontMove (4), written as the format writes a set.
        QVERIFY(LayoutBytes(*w.f.report).contains("Name=\"Memo1\" Left=\"37.7953\" Top=\"18.89765\" "
                                                  "Width=\"94.48825\" Height=\"18.89765\" Restrictions=\"6\""));
        const QRectF box(memo->AbsLeft(), memo->AbsTop(), memo->Width(), memo->Height());
        auto drag = [&](double x, double y) {
            Mouse(w.ws, QEvent::MouseMove, At(w.ws, x, y), {}, Qt::NoButton);
            Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, x, y));
            Mouse(w.ws, QEvent::MouseMove, At(w.ws, x + 10 * Mm, y + 5 * Mm));
            Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, x + 10 * Mm, y + 5 * Mm));
        };
        drag(box.left() + 5, box.top() + 5); // the body
        drag(box.right(), box.bottom());     // the lower right handle
        QCOMPARE(QRectF(memo->AbsLeft(), memo->AbsTop(), memo->Width(), memo->Height()), box);

        w.form.Undo();
        QCOMPARE(LayoutBytes(*w.f.report), before);
        QVERIFY(w.form.SelectObject("Memo1"));
        w.form.Action("LockCmd")->trigger();
        w.form.Action("LockCmd")->trigger();
        QCOMPARE(LayoutBytes(*w.f.report), before);
        drag(box.left() + 5, box.top() + 5);
        QVERIFY(w.Obj("Memo1")->AbsLeft() > box.left()); // (Undo loaded the objects anew)
    }

    // A click on the grey outside the paper clears the selection.
    void clickOutsideThePageClearsTheSelection()
    {
        Window w;
        w.form.SetScale(1);
        QVERIFY(w.form.SelectObject("Memo1"));
        const QPoint grey = w.ws->PaperOrigin().toPoint() - QPoint(5, 5);
        Mouse(w.ws, QEvent::MouseButtonPress, grey);
        Mouse(w.ws, QEvent::MouseButtonRelease, grey);
        QVERIFY(!w.form.SelectedObjects().contains(w.Obj("Memo1")));
    }

    void picturesTravelWithTheirBytes()
    {
        Window w;
        auto *picture = new TfrxPictureView(w.f.report);
        picture->SetParent(w.form.Page());
        picture->SetName("Picture1");
        picture->SetBounds(200, 100, 40, 40);
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        TPicture red;
        red.SetImage(image);
        picture->SetPicture(red);
        w.form.SetModified(true);
        QVERIFY(w.form.SelectObject("Picture1"));
        w.form.Copy();
        // Another designer (another process, or after Open) reads the bytes, not an index.
        Window other;
        other.form.Paste();
        auto *pasted = qobject_cast<TfrxPictureView *>(other.Obj("Picture1"));
        QVERIFY(pasted);
        QCOMPARE(pasted->Picture(), red);
    }

    void paintingLeavesABoundMemoAlone()
    {
        Window w;
        auto *memo = qobject_cast<TfrxMemoView *>(w.Obj("Memo1"));
        memo->SetDataSet(w.f.fd);
        memo->SetDataField("收件人");
        memo->SetText("kept");
        const QByteArray before = LayoutBytes(*w.f.report);
        w.ws->UpdateView();
        w.form.grab();
        QCOMPARE(memo->Text(), QStringLiteral("kept\r\n"));
        QCOMPARE(LayoutBytes(*w.f.report), before);
    }

    void escCancelsAPaste()
    {
        Window w;
        w.form.SelectObject("Memo1");
        w.form.Copy();
        w.form.Paste();
        QVERIFY(w.Obj("Memo3"));
        QTest::keyClick(w.ws, Qt::Key_Escape);
        QVERIFY(!w.Obj("Memo3"));
        QCOMPARE(w.form.Objects().size(), 4);
        QVERIFY(!w.form.Modified());
    }

    void foreignTextPastesNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("junk") << "hello <TfrxMemoView Name=\"X\"/>";
        QTest::newRow("a report") << "#FR3 clipboard#\n\r<TfrxReport Name=\"R\"/>\r\n";
        QTest::newRow("a page") << "#FR3 clipboard#\n\r<TfrxReportPage Name=\"P\"/>\r\n";
        QTest::newRow("a dataset") << "#FR3 clipboard#\n\r<TfrxUserDataSet Name=\"D\" UserName=\"D\"/>\r\n";
        QTest::newRow("unknown class") << "#FR3 clipboard#\n\r<TfrxNothing Name=\"N\"/>\r\n";
        QTest::newRow("too large") << "#FR3 clipboard#\n\r<TfrxMemoView Name=\"M\"/>" +
                                          QString(10 * 1024 * 1024, u' ');
    }
    void foreignTextPastesNothing()
    {
        QFETCH(QString, text);
        Window w;
        const int before = int(w.f.report->AllObjects().size());
        QApplication::clipboard()->setText(text);
        w.form.Paste();
        QCOMPARE(int(w.f.report->AllObjects().size()), before);
        QVERIFY(!w.ws->Pasting());
    }

    void rubberBandTouchingSelects()
    {
        Window w;
        w.form.SetScale(1);
        TfrxComponent *memo = w.Obj("Memo1");
        // From above-left of the page down to the memo's top-left corner exactly.
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, 1, 1));
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, memo->AbsLeft(), memo->AbsTop()));
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, memo->AbsLeft(), memo->AbsTop()));
        QCOMPARE(w.form.SelectedObjects(), QList<TfrxComponent *>{memo});
    }

    void dragOutsideTheSurfaceIsOneUndoableMove()
    {
        Window w;
        w.form.SetScale(1);
        TfrxComponent *memo = w.Obj("Memo1");
        const QByteArray before = LayoutBytes(*w.f.report);
        const QPoint inside = At(w.ws, memo->AbsLeft() + 5, memo->AbsTop() + 5);
        Mouse(w.ws, QEvent::MouseButtonPress, inside);
        // Past the surface's top-left corner, then far past its bottom-right.
        Mouse(w.ws, QEvent::MouseMove, QPoint(-300, -300));
        Mouse(w.ws, QEvent::MouseMove, QPoint(w.ws->width() + 500, w.ws->height() + 500));
        Mouse(w.ws, QEvent::MouseButtonRelease, QPoint(w.ws->width() + 500, w.ws->height() + 500));
        QVERIFY(w.form.Objects().contains(memo));
        QVERIFY(memo->Left() > 300);
        w.form.grab();
        w.form.Undo();
        QCOMPARE(LayoutBytes(*w.f.report), before);
    }

    // A handle drag ends on the grid line nearest the pointer, wherever on the handle the press
    // was and at any zoom (it used to land a whole step short when the press was inside the edge).
    void handleDragEndsOnTheNearestGridLine_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("pressOffset"); // design pixels from the edge
        QTest::addColumn<double>("aimMm");       // where the pointer is released
        QTest::addColumn<double>("expectedMm");
        for (double scale : {1.0, 1.5})
            for (double offset : {-1.0, 0.0, 2.0}) {
                const QString name = QStringLiteral("%1%, press %2").arg(scale * 100).arg(offset);
                QTest::newRow(qPrintable(name + ", aim 42")) << scale << offset << 42.0 << 42.0;
                QTest::newRow(qPrintable(name + ", aim 41.7")) << scale << offset << 41.7 << 42.0;
                QTest::newRow(qPrintable(name + ", aim 42.3")) << scale << offset << 42.3 << 42.0;
                QTest::newRow(qPrintable(name + ", aim 30.6")) << scale << offset << 30.6 << 31.0;
            }
    }
    void handleDragEndsOnTheNearestGridLine()
    {
        QFETCH(double, scale);
        QFETCH(double, pressOffset);
        QFETCH(double, aimMm);
        QFETCH(double, expectedMm);
        Window w;
        w.form.SetScale(scale);
        QVERIFY(w.form.SelectObject("Memo1"));
        TfrxComponent *memo = w.Obj("Memo1");
        const double left = memo->AbsLeft(), top = memo->AbsTop();
        const double right = left + memo->Width(), bottom = top + memo->Height();
        // The bottom-right handle: both axes.
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, right + pressOffset, bottom + pressOffset));
        QCOMPARE(w.ws->Mode(), TfrxDesignerWorkspace::dmSize);
        const double aimY = bottom / Mm + 6 + (aimMm - std::round(aimMm));
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, (aimMm - 3) * Mm, aimY * Mm));
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, aimMm * Mm, aimY * Mm));
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, aimMm * Mm, aimY * Mm));
        const double rightMm = (memo->AbsLeft() + memo->Width()) / Mm;
        const double bottomMm = (memo->AbsTop() + memo->Height()) / Mm;
        QVERIFY2(std::abs(rightMm - expectedMm) < 1e-3, qPrintable(QString::number(rightMm)));
        QVERIFY2(std::abs(bottomMm - std::round(aimY)) < 1e-3, qPrintable(QString::number(bottomMm)));
        QCOMPARE(memo->AbsLeft(), left);
        QCOMPARE(memo->AbsTop(), top);
    }

    void sizingPastTheOppositeEdgeFlips()
    {
        Window w;
        w.form.SetScale(1);
        QVERIFY(w.form.SelectObject("Memo1"));
        TfrxComponent *memo = w.Obj("Memo1");
        const QRectF r(memo->AbsLeft(), memo->AbsTop(), memo->Width(), memo->Height());
        // The bottom-right handle dragged up and left, past the top-left corner and the page's
        // left edge.
        Mouse(w.ws, QEvent::MouseButtonPress, At(w.ws, r.right(), r.bottom()));
        QCOMPARE(w.ws->Mode(), TfrxDesignerWorkspace::dmSize);
        Mouse(w.ws, QEvent::MouseMove, At(w.ws, -40, 5));
        Mouse(w.ws, QEvent::MouseButtonRelease, At(w.ws, -40, 5));
        QCOMPARE(memo->Left(), 0.0);
        QVERIFY(memo->Width() > 0 && memo->Height() > 0);
        QVERIFY(memo->Top() + memo->Height() <= r.top() + 1e-6); // flipped above its old top
        QVERIFY(w.form.Modified());
    }

    void pasteDuringADragWaits()
    {
        Window w;
        w.form.SetScale(1);
        QVERIFY(w.form.SelectObject("Memo2"));
        w.form.Copy();
        TfrxComponent *memo = w.Obj("Memo1");
        const double left = memo->Left();
        const QPoint inside = At(w.ws, memo->AbsLeft() + 5, memo->AbsTop() + 5);
        Mouse(w.ws, QEvent::MouseButtonPress, inside);
        Mouse(w.ws, QEvent::MouseMove, inside + QPoint(20, 0));
        w.form.Paste(); // the drag is running: nothing is pasted
        QVERIFY(!w.Obj("Memo3"));
        QVERIFY(!w.ws->Pasting());
        Mouse(w.ws, QEvent::MouseButtonRelease, inside + QPoint(20, 0));
        QVERIFY(memo->Left() > left);
        // A paste that still follows the mouse is not pasted over either.
        w.form.Paste();
        QVERIFY(w.ws->Pasting());
        w.form.Paste();
        QVERIFY(w.Obj("Memo3") && !w.Obj("Memo4"));
    }
};

QTEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"

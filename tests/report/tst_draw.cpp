// Drawing of views and pages: background, frames in every style, shadow, pictures, lines, shapes,
// and the page rules (paper clip, background picture, margins, printable objects).

#include "report/model/frxClass.h"
#include "report/draw/frxDrawPage.h"
#include "report/draw/frxDrawText.h"

#include <QPainter>
#include <QtTest>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kYellow = qRgb(255, 255, 0);

QImage WhiteImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage DrawView(TfrxView &view, int width, int height, double scale = 1.0,
                TfrxCanvas::TCanvasKind kind = TfrxCanvas::ckScreen)
{
    QImage image = WhiteImage(width, height);
    QPainter painter(&image);
    TfrxCanvas canvas(painter, kind, frxRound(96 * scale), frxRound(96 * scale));
    view.SetIsPrinting(kind == TfrxCanvas::ckPrinter);
    view.Draw(canvas, scale, scale, 0, 0);
    view.SetIsPrinting(false);
    return image;
}

int Count(const QImage &image, QRgb color, const QRect &area)
{
    int count = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            count += image.pixel(x, y) == color ? 1 : 0;
    return count;
}

bool All(const QImage &image, QRgb color, const QRect &area)
{
    return Count(image, color, area) == area.width() * area.height();
}

// The bounding box of pixels that differ from white.
QRect Drawn(const QImage &image)
{
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kWhite) {
                left = qMin(left, x), right = qMax(right, x);
                top = qMin(top, y), bottom = qMax(bottom, y);
            }
    return left == INT_MAX ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage Picture(int width, int height, QRgb color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A report with one page of the given paper and margins (millimetres).
TfrxReportPage *AddPage(TfrxReport &report, double paperWidth, double paperHeight, double leftMargin = 0,
                        double topMargin = 0)
{
    auto *page = new TfrxReportPage(&report);
    page->SetPaperWidth(paperWidth);
    page->SetPaperHeight(paperHeight);
    page->SetLeftMargin(leftMargin);
    page->SetTopMargin(topMargin);
    return page;
}

QImage DrawPageImage(TfrxReportPage &page, double scale, TfrxCanvas::TCanvasKind kind, QSize size = QSize(),
                     const TfrxPageDrawValues &values = TfrxPageDrawValues())
{
    if (size.isEmpty())
        size = QSize(frxRound(page.Width() * scale) + 40, frxRound(page.Height() * scale) + 40);
    QImage image = WhiteImage(size.width(), size.height());
    QPainter painter(&image);
    TfrxCanvas canvas(painter, kind, frxRound(96 * scale), frxRound(96 * scale));
    frxDrawPage(page, canvas, scale, scale, 0, 0, values);
    return image;
}

} // namespace

class TestDraw : public QObject {
    Q_OBJECT
private slots:
    void backgroundAndHatch();
    void solidFrameCornersMeet_data();
    void solidFrameCornersMeet();
    void doubleFrame();
    void brokenFrameStyles_data();
    void brokenFrameStyles();
    void frameLinesOfTheirOwn();
    void dropShadow();
    void pictureAspect_data();
    void pictureAspect();
    void pictureNotStretchedIsClipped();
    void transparentPicture();
    void smoothScaling_data();
    void smoothScaling();
    void lines_data();
    void lines();
    void shapes_data();
    void shapes();
    void totalPagesAndCopyName();
    void designerShowsTheBoundField();
    void autoWidth();
    void leftMarginMovesContent_data();
    void leftMarginMovesContent();
    void backPicturePrintable_data();
    void backPicturePrintable();
    void paperClipOnScreenOnly();
    void printableAndVisibility();
    void mirrorMargins();
    void underlineUnderChineseText_data();
    void backgroundKeepsThinLinesWhenReduced();
    void underlineUnderChineseText();
};

void TestDraw::backgroundAndHatch()
{
    TfrxMemoView memo;
    memo.SetBounds(10, 10, 40, 20);
    memo.SetColor(0x00FFFF);
    QImage image = DrawView(memo, 60, 40);
    // The fill covers (left, top) up to but not including (right, bottom).
    QVERIFY(All(image, kYellow, QRect(10, 10, 40, 20)));
    QCOMPARE(Count(image, kYellow, image.rect()), 40 * 20);

    memo.SetBrushStyle(frx::bsCross);
    memo.Frame()->SetColor(0xFF0000); // blue hatch lines
    image = DrawView(memo, 60, 40);
    const int hatch = Count(image, kBlue, QRect(10, 10, 41, 21));
    QVERIFY(hatch > 40 && hatch < 41 * 21 / 2);
    QVERIFY(Count(image, kYellow, QRect(10, 10, 40, 20)) > 40 * 20 / 2);
    QCOMPARE(Count(image, kBlue, QRect(0, 0, 10, 40)), 0);

    // Without a fill colour only the hatch is drawn.
    memo.SetColor(clNone);
    image = DrawView(memo, 60, 40);
    QCOMPARE(Count(image, kYellow, image.rect()), 0);
    QVERIFY(Count(image, kBlue, image.rect()) == hatch);
}

void TestDraw::solidFrameCornersMeet_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("scale");
    QTest::newRow("1 px") << 1.0 << 1.0;
    QTest::newRow("2 px") << 2.0 << 1.0;
    QTest::newRow("3 px") << 3.0 << 1.0;
    QTest::newRow("1 px at 600 dpi") << 1.0 << 6.25;
}

void TestDraw::solidFrameCornersMeet()
{
    QFETCH(double, width);
    QFETCH(double, scale);
    TfrxMemoView memo;
    memo.SetBounds(10, 10, 40, 30);
    memo.Frame()->SetTyp(frx::ftLeft | frx::ftRight | frx::ftTop | frx::ftBottom);
    memo.Frame()->SetWidth(width);
    const QImage image = DrawView(memo, frxRound(70 * scale), frxRound(60 * scale), scale);
    const int w = frxRound(width * scale);
    const int x = frxRound(10 * scale), y = frxRound(10 * scale);
    const int x1 = frxRound(50 * scale), y1 = frxRound(40 * scale);
    // A closed ring of w pixels centred on the edges, corners included; nothing outside it.
    const QRect outer(QPoint(x - w / 2, y - w / 2), QPoint(x1 - w / 2 + w - 1, y1 - w / 2 + w - 1));
    const QRect inner = outer.adjusted(w, w, -w, -w);
    const int ring = outer.width() * outer.height() - inner.width() * inner.height();
    QCOMPARE(Count(image, kBlack, image.rect()), ring);
    QVERIFY(All(image, kBlack, QRect(outer.topLeft(), QSize(w, w))));
    QVERIFY(All(image, kBlack, QRect(QPoint(outer.right() - w + 1, outer.bottom() - w + 1), QSize(w, w))));
    QCOMPARE(Count(image, kBlack, inner), 0);

    // Only two sides: their square ends stick out by half a width, no more.
    memo.Frame()->SetTyp(frx::ftTop | frx::ftLeft);
    const QImage two = DrawView(memo, frxRound(70 * scale), frxRound(60 * scale), scale);
    QCOMPARE(Drawn(two).topLeft(), outer.topLeft());
    QCOMPARE(Drawn(two).right(), outer.right());
    QCOMPARE(Drawn(two).bottom(), outer.bottom());
}

void TestDraw::doubleFrame()
{
    TfrxMemoView memo;
    memo.SetBounds(20, 20, 60, 40);
    memo.SetColor(0x00FFFF);
    memo.Frame()->SetTyp(frx::ftLeft | frx::ftRight | frx::ftTop | frx::ftBottom);
    memo.Frame()->SetStyle(frx::fsDouble);
    memo.Frame()->SetWidth(2);
    const QImage image = DrawView(memo, 110, 90);
    // Along the top edge at mid width: outer line (rows 17-18), object colour on the edge (19-20),
    // inner line (21-22).
    auto column = [&](int y) { return image.pixel(50, y); };
    QCOMPARE(column(16), kWhite);
    QCOMPARE(column(17), kBlack);
    QCOMPARE(column(18), kBlack);
    QCOMPARE(column(19), kYellow);
    QCOMPARE(column(20), kYellow);
    QCOMPARE(column(21), kBlack);
    QCOMPARE(column(22), kBlack);
    QCOMPARE(column(23), kYellow);
    // The outer lines meet at the corners.
    QVERIFY(All(image, kBlack, QRect(17, 17, 2, 2)));
    QVERIFY(All(image, kBlack, QRect(81, 61, 2, 2)));
}

void TestDraw::brokenFrameStyles_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("width");
    QTest::newRow("dash") << int(frx::fsDash) << 1;
    QTest::newRow("dot") << int(frx::fsDot) << 1;
    QTest::newRow("dash dot") << int(frx::fsDashDot) << 2;
    QTest::newRow("dash dot dot") << int(frx::fsDashDotDot) << 1;
    QTest::newRow("alt dot") << int(frx::fsAltDot) << 1;
    QTest::newRow("alt dot wide") << int(frx::fsAltDot) << 4;
    QTest::newRow("square") << int(frx::fsSquare) << 3;
}

void TestDraw::brokenFrameStyles()
{
    QFETCH(int, style);
    QFETCH(int, width);
    TfrxMemoView memo;
    memo.SetBounds(10, 20, 120, 60);
    memo.Frame()->SetTyp(frx::ftTop | frx::ftLeft);
    memo.Frame()->SetStyle(frx::TfrxFrameStyle(style));
    memo.Frame()->SetWidth(width);
    memo.Frame()->SetColor(0x0000FF);
    QImage image = DrawView(memo, 150, 100);
    const QRect topBand(12, 20 - width / 2, 100, width);
    const int red = Count(image, kRed, topBand);
    // Broken: both ink and gaps along the edge, on every row of a wide line.
    QVERIFY2(red > topBand.width() * topBand.height() / 5 &&
                 red < topBand.width() * topBand.height() * 9 / 10,
             qPrintable(QString::number(red)));
    const int left = Count(image, kRed, QRect(10 - width / 2, 25, width, 50));
    QVERIFY(left > 0 && left < width * 50);

    // The gaps show the object's colour.
    memo.SetColor(0x00FFFF);
    image = DrawView(memo, 150, 100);
    QCOMPARE(Count(image, kWhite, QRect(12, 20, 100, 1)), 0);
    QVERIFY(Count(image, kYellow, QRect(12, 20, 100, 1)) > 0);
}

void TestDraw::frameLinesOfTheirOwn()
{
    TfrxMemoView memo;
    memo.SetBounds(10, 10, 50, 30);
    memo.Frame()->SetTyp(frx::ftLeft | frx::ftRight | frx::ftTop | frx::ftBottom);
    memo.Frame()->LeftLine()->SetColor(0x0000FF);
    memo.Frame()->BottomLine()->SetWidth(3);
    memo.Frame()->RightLine()->SetColor(clNone);
    const QImage image = DrawView(memo, 80, 60);
    QVERIFY(All(image, kRed, QRect(10, 12, 1, 20)));
    QVERIFY(All(image, kBlack, QRect(12, 39, 40, 3)));
    QCOMPARE(Count(image, kBlack, QRect(60, 12, 1, 20)), 0);
}

void TestDraw::dropShadow()
{
    TfrxMemoView memo;
    memo.SetBounds(10, 10, 50, 30);
    memo.SetColor(0x00FFFF);
    memo.Frame()->SetDropShadow(true);
    memo.Frame()->SetShadowWidth(4);
    memo.Frame()->SetShadowColor(0x808080);
    const QImage image = DrawView(memo, 80, 60);
    const QRgb grey = qRgb(0x80, 0x80, 0x80);
    // The object shrinks by the shadow, which fills the strip to the right and below.
    QVERIFY(All(image, kYellow, QRect(10, 10, 46, 26)));
    QVERIFY(All(image, grey, QRect(56, 14, 4, 22)));
    QVERIFY(All(image, grey, QRect(14, 36, 46, 4)));
    QCOMPARE(image.pixel(57, 11), kWhite);
    QCOMPARE(image.pixel(11, 37), kWhite);
    // The text box loses the shadow too.
    const TfrxDrawRect box = memo.TextRect(memo.DrawState());
    QCOMPARE(box.Right, 56 - 2 + 1);
    QCOMPARE(box.Bottom, 36 - 1 + 1);
}

void TestDraw::pictureAspect_data()
{
    QTest::addColumn<bool>("center");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("left") << false << QRect(0, 0, 100, 100);
    QTest::newRow("centred") << true << QRect(50, 0, 100, 100);
}

void TestDraw::pictureAspect()
{
    QFETCH(bool, center);
    QFETCH(QRect, expected);
    TfrxPictureView picture;
    picture.SetBounds(0, 0, 200, 100);
    picture.SetColor(clNone);
    picture.SetCenter(center);
    TPicture image;
    image.SetImage(Picture(100, 100, kRed));
    picture.SetPicture(image);
    QImage drawn = DrawView(picture, 220, 120);
    QCOMPARE(Drawn(drawn), expected);
    QVERIFY(All(drawn, kRed, expected));

    // Taller than wide: the width is kept, the height follows the aspect.
    picture.SetBounds(0, 0, 60, 110);
    drawn = DrawView(picture, 220, 120);
    QCOMPARE(Drawn(drawn), center ? QRect(0, 25, 60, 60) : QRect(0, 0, 60, 60));

    // Without KeepAspectRatio the picture fills the object.
    picture.SetKeepAspectRatio(false);
    drawn = DrawView(picture, 220, 120);
    QCOMPARE(Drawn(drawn), QRect(0, 0, 60, 110));
}

void TestDraw::pictureNotStretchedIsClipped()
{
    TfrxPictureView picture;
    picture.SetBounds(10, 10, 50, 30);
    picture.SetColor(clNone);
    picture.SetStretched(false);
    TPicture image;
    image.SetImage(Picture(80, 80, kBlue));
    picture.SetPicture(image);
    QImage drawn = DrawView(picture, 120, 120, 2.0);
    QCOMPARE(Drawn(drawn), QRect(20, 20, 100, 60));
    picture.SetCenter(true);
    picture.SetBounds(10, 10, 100, 100);
    drawn = DrawView(picture, 240, 240, 2.0);
    QCOMPARE(Drawn(drawn), QRect(20 + 20, 20 + 20, 160, 160));
}

void TestDraw::transparentPicture()
{
    QImage source = Picture(20, 20, kWhite);
    for (int y = 5; y < 15; ++y)
        for (int x = 5; x < 15; ++x)
            source.setPixel(x, y, kBlue);
    TfrxPictureView picture;
    picture.SetBounds(0, 0, 20, 20);
    TPicture image;
    image.SetImage(source);
    picture.SetPicture(image);
    QImage background = Picture(30, 30, kYellow);
    {
        QPainter painter(&background);
        TfrxCanvas canvas(painter);
        picture.SetTransparent(true);
        picture.Draw(canvas, 1, 1, 0, 0);
    }
    QCOMPARE(background.pixel(1, 1), kYellow); // white is the transparent colour
    QCOMPARE(background.pixel(10, 10), kBlue);
    picture.SetTransparentColor(0xFF0000);
    background.fill(kYellow);
    {
        QPainter painter(&background);
        TfrxCanvas canvas(painter);
        picture.Draw(canvas, 1, 1, 0, 0);
    }
    QCOMPARE(background.pixel(1, 1), kWhite);
    QCOMPARE(background.pixel(10, 10), kYellow);
}

void TestDraw::smoothScaling_data()
{
    QTest::addColumn<bool>("highQuality");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("smooth");
    QTest::newRow("screen") << false << int(TfrxCanvas::ckScreen) << false;
    QTest::newRow("screen, high quality") << true << int(TfrxCanvas::ckScreen) << true;
    QTest::newRow("paper") << false << int(TfrxCanvas::ckPrinter) << true;
}

void TestDraw::smoothScaling()
{
    QFETCH(bool, highQuality);
    QFETCH(int, kind);
    QFETCH(bool, smooth);
    QImage checker(2, 2, QImage::Format_RGB32);
    checker.setPixel(0, 0, kRed);
    checker.setPixel(1, 1, kRed);
    checker.setPixel(1, 0, kBlue);
    checker.setPixel(0, 1, kBlue);
    TfrxPictureView picture;
    picture.SetBounds(0, 0, 40, 40);
    picture.SetHightQuality(highQuality);
    TPicture image;
    image.SetImage(checker);
    picture.SetPicture(image);
    const QImage drawn = DrawView(picture, 40, 40, 1.0, TfrxCanvas::TCanvasKind(kind));
    const int pure = Count(drawn, kRed, drawn.rect()) + Count(drawn, kBlue, drawn.rect());
    QCOMPARE(pure < 40 * 40, smooth);
}

void TestDraw::lines_data()
{
    QTest::addColumn<QRectF>("bounds");
    QTest::addColumn<int>("flavour");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("horizontal") << QRectF(10, 20, 50, 0) << 0 << QRect(10, 20, 51, 1);
    QTest::newRow("vertical") << QRectF(30, 5, 0, 40) << 0 << QRect(30, 5, 1, 41);
    QTest::newRow("diagonal") << QRectF(10, 10, 40, 30) << 1 << QRect(10, 10, 41, 31);
    QTest::newRow("diagonal with arrows") << QRectF(20, 20, 40, 0) << 4 << QRect(20, 15, 41, 11);
}

void TestDraw::lines()
{
    QFETCH(QRectF, bounds);
    QFETCH(int, flavour);
    QFETCH(QRect, expected);
    TfrxLineView line;
    line.DesignCreate(flavour);
    line.SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
    const QImage image = DrawView(line, 80, 60);
    const QRect drawn = Drawn(image);
    QVERIFY2(qAbs(drawn.left() - expected.left()) <= 1 && qAbs(drawn.top() - expected.top()) <= 1 &&
                 qAbs(drawn.right() - expected.right()) <= 1 && qAbs(drawn.bottom() - expected.bottom()) <= 1,
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(drawn.x())
                            .arg(drawn.y())
                            .arg(drawn.width())
                            .arg(drawn.height())));
}

void TestDraw::shapes_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<bool>("cornerFilled");
    QTest::addColumn<bool>("centreFilled");
    QTest::newRow("rectangle") << int(frx::skRectangle) << true << true;
    QTest::newRow("round rectangle") << int(frx::skRoundRectangle) << false << true;
    QTest::newRow("ellipse") << int(frx::skEllipse) << false << true;
    QTest::newRow("triangle") << int(frx::skTriangle) << false << true;
    QTest::newRow("diamond") << int(frx::skDiamond) << false << true;
    QTest::newRow("diagonal") << int(frx::skDiagonal1) << false << false;
}

void TestDraw::shapes()
{
    QFETCH(int, shape);
    QFETCH(bool, cornerFilled);
    QFETCH(bool, centreFilled);
    TfrxShapeView view;
    view.DesignCreate(shape);
    view.SetBounds(10, 10, 60, 40);
    view.SetColor(0x00FFFF);
    view.SetCurve(5);
    const QImage image = DrawView(view, 90, 70);
    QCOMPARE(image.pixel(11, 11) == kYellow, cornerFilled);
    QCOMPARE(image.pixel(40, 32) == kYellow, centreFilled);
    int outline = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            outline += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
    QVERIFY2(outline > 30, qPrintable(QString::number(outline)));
    QVERIFY(QRect(8, 8, 65, 45).contains(Drawn(image)));
}

void TestDraw::totalPagesAndCopyName()
{
    TfrxMemoView memo;
    memo.SetText(QStringLiteral("Page of [totalpages#] [TOTALPAGES#]\r\n[CopyName#]"));
    memo.SetDrawValues(7, 1, 1.0);
    frxGlobalVariables().SetValue(QStringLiteral("CopyName1"), Variant(QStringLiteral("Copy")));
    QCOMPARE(memo.DrawnText(), (QStringList{"Page of 7 [TOTALPAGES#]", "Copy"}));
    memo.SetDrawValues(7, 2, 1.0);
    QCOMPARE(memo.DrawnText(), (QStringList{"Page of 7 [TOTALPAGES#]", ""}));
    memo.SetAllowExpressions(false);
    QCOMPARE(memo.DrawnText(), memo.Memo());
    frxGlobalVariables().DeleteVariable(QStringLiteral("CopyName1"));
}

void TestDraw::designerShowsTheBoundField()
{
    TfrxReport report;
    auto *data = report.EnsureDataPage();
    auto *dataSet = new TfrxUserDataSet(data);
    dataSet->SetName(QStringLiteral("FD"));
    auto *page = new TfrxReportPage(&report);
    auto *memo = new TfrxMemoView(page);
    memo->SetText(QStringLiteral("design text"));
    memo->SetDataSet(dataSet);
    memo->SetDataField(QStringLiteral("收件人"));
    QCOMPARE(memo->DrawnText(), QStringList{"design text"});
    memo->SetIsDesigning(true);
    QCOMPARE(memo->DrawnText(), QStringList{QStringLiteral("[FD.\"收件人\"]")});
    // Objects of a report share the report's engine.
    QCOMPARE(memo->DrawTextEngine(), report.DrawText());
}

void TestDraw::autoWidth()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    auto *band = new TfrxMasterData(page);
    band->SetBounds(0, 0, 700, 40);
    auto *memo = new TfrxMemoView(band);
    memo->SetBounds(100, 5, 300, 20);
    memo->SetText(QStringLiteral("Short"));
    memo->SetAutoWidth(true);
    memo->SetHAlign(frx::haRight);
    const double width = memo->CalcWidth();
    QVERIFY(width < 60);
    DrawView(*memo, 800, 60);
    QCOMPARE(memo->Width(), width);
    QCOMPARE(memo->Left() + memo->Width(), 400.0);
    // In the designer the object keeps its size.
    memo->SetBounds(100, 5, 300, 20);
    memo->SetIsDesigning(true);
    DrawView(*memo, 800, 60);
    QCOMPARE(memo->Width(), 300.0);
}

void TestDraw::leftMarginMovesContent_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("kind");
    QTest::newRow("preview 1.0") << 1.0 << int(TfrxCanvas::ckScreen);
    QTest::newRow("preview 1.5") << 1.5 << int(TfrxCanvas::ckScreen);
    QTest::newRow("printer 600 dpi") << 6.25 << int(TfrxCanvas::ckPrinter);
}

void TestDraw::leftMarginMovesContent()
{
    QFETCH(double, scale);
    QFETCH(int, kind);
    TfrxReport report;
    TfrxReportPage *page = AddPage(report, 60, 40);
    auto *memo = new TfrxMemoView(page);
    memo->SetBounds(20, 30, 80, 30);
    memo->SetColor(0x00FFFF);
    memo->SetText(QStringLiteral("收件人 Zhang"));
    const QRect before = Drawn(DrawPageImage(*page, scale, TfrxCanvas::TCanvasKind(kind)));
    page->SetLeftMargin(10);
    page->SetTopMargin(5);
    const QRect after = Drawn(DrawPageImage(*page, scale, TfrxCanvas::TCanvasKind(kind)));
    QCOMPARE(after.left() - before.left(), frxRound(10 * 3.77953 * scale));
    QCOMPARE(after.top() - before.top(), frxRound(5 * 3.77953 * scale));
    QCOMPARE(after.size(), before.size());
}

void TestDraw::backPicturePrintable_data()
{
    QTest::addColumn<bool>("printable");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("shown");
    QTest::newRow("preview") << false << int(TfrxCanvas::ckScreen) << true;
    QTest::newRow("paper") << false << int(TfrxCanvas::ckPrinter) << false;
    QTest::newRow("printable on paper") << true << int(TfrxCanvas::ckPrinter) << true;
}

void TestDraw::backPicturePrintable()
{
    QFETCH(bool, printable);
    QFETCH(int, kind);
    QFETCH(bool, shown);
    TfrxReport report;
    TfrxReportPage *page = AddPage(report, 50, 30, 5, 5);
    page->SetRightMargin(5);
    page->SetBottomMargin(5);
    TPicture scan;
    scan.SetImage(Picture(40, 20, kBlue));
    page->SetBackPicture(scan);
    page->SetBackPicturePrintable(printable);
    const QImage image = DrawPageImage(*page, 1.0, TfrxCanvas::TCanvasKind(kind));
    // Stretched over the printable area, from the left and top margins.
    const QRect area(frxRound(5 * 3.77953), frxRound(5 * 3.77953),
                     frxRound(45 * 3.77953) - frxRound(5 * 3.77953),
                     frxRound(25 * 3.77953) - frxRound(5 * 3.77953));
    QCOMPARE(All(image, kBlue, area), shown);
    QCOMPARE(Count(image, kBlue, image.rect()), shown ? area.width() * area.height() : 0);
    QVERIFY(!page->IsPrinting());

    page->SetBackPictureVisible(false);
    QCOMPARE(Count(DrawPageImage(*page, 1.0, TfrxCanvas::TCanvasKind(kind)), kBlue, image.rect()), 0);
}

void TestDraw::paperClipOnScreenOnly()
{
    TfrxReport report;
    TfrxReportPage *page = AddPage(report, 40, 30, 8);
    page->SetRightMargin(-8);
    auto *memo = new TfrxMemoView(page);
    memo->SetBounds(100, 10, 60, 20); // reaches past the paper's right edge once moved by 8 mm
    memo->SetColor(0x00FFFF);
    const QSize size(300, 200);
    const int paperRight = frxRound(40 * 3.77953) - 1;
    const QImage screen = DrawPageImage(*page, 1.0, TfrxCanvas::ckScreen, size);
    QCOMPARE(Drawn(screen).right(), paperRight - 1);
    const QImage paper = DrawPageImage(*page, 1.0, TfrxCanvas::ckPrinter, size);
    QCOMPARE(Drawn(paper).right(), frxRound(8 * 3.77953 + 160) - 1);
}

void TestDraw::printableAndVisibility()
{
    TfrxReport report;
    TfrxReportPage *page = AddPage(report, 100, 100);
    auto *band = new TfrxMasterData(page);
    band->SetBounds(0, 0, 378, 100);
    auto *hidden = new TfrxMemoView(band);
    hidden->SetBounds(0, 0, 20, 20);
    hidden->SetColor(0x0000FF);
    hidden->SetPrintable(false);
    auto *far = new TfrxMemoView(page);
    far->SetBounds(300, 300, 20, 20);
    far->SetText(QStringLiteral("far away"));
    QImage image = DrawPageImage(*page, 1.0, TfrxCanvas::ckScreen, QSize(100, 100));
    QCOMPARE(Count(image, kRed, image.rect()), 400);
    image = DrawPageImage(*page, 1.0, TfrxCanvas::ckPrinter, QSize(100, 100));
    QCOMPARE(Count(image, kRed, image.rect()), 0);

    // Objects well outside the visible part are not drawn at all.
    int runs = 0;
    report.DrawText()->OnGlyphRun = [&](const QGlyphRun &, const QPointF &, int) { ++runs; };
    DrawPageImage(*page, 1.0, TfrxCanvas::ckScreen, QSize(100, 100));
    QCOMPARE(runs, 0);
    DrawPageImage(*page, 1.0, TfrxCanvas::ckScreen, QSize(400, 400));
    QVERIFY(runs > 0);
    report.DrawText()->OnGlyphRun = nullptr;

    // A hidden band hides its objects.
    band->SetVisible(false);
    hidden->SetPrintable(true);
    image = DrawPageImage(*page, 1.0, TfrxCanvas::ckScreen, QSize(100, 100));
    QCOMPARE(Count(image, kRed, image.rect()), 0);
}

void TestDraw::mirrorMargins()
{
    TfrxReport report;
    TfrxReportPage *page = AddPage(report, 50, 30, 2);
    page->SetRightMargin(10);
    page->SetMirrorMargins(true);
    auto *memo = new TfrxMemoView(page);
    memo->SetBounds(0, 0, 20, 20);
    memo->SetColor(0x0000FF);
    TfrxPageDrawValues values;
    values.PageIndex = 0;
    QCOMPARE(Drawn(DrawPageImage(*page, 1.0, TfrxCanvas::ckScreen, QSize(), values)).left(),
             frxRound(2 * 3.77953));
    values.PageIndex = 1;
    QCOMPARE(Drawn(DrawPageImage(*page, 1.0, TfrxCanvas::ckScreen, QSize(), values)).left(),
             frxRound(10 * 3.77953));
    QCOMPARE(page->LeftMargin(), 2.0);
    QCOMPARE(page->RightMargin(), 10.0);
}

void TestDraw::underlineUnderChineseText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("font");
    QTest::addColumn<double>("scale");
    QTest::newRow("中文, 96 dpi") << QStringLiteral("中文") << QStringLiteral("宋体") << 1.0;
    QTest::newRow("中文, 300 dpi") << QStringLiteral("中文") << QStringLiteral("宋体") << 300 / 96.0;
    QTest::newRow("Latin around Chinese, 96 dpi") << QStringLiteral("ab中文cd") << QStringLiteral("Arial") << 1.0;
    QTest::newRow("Latin around Chinese, 300 dpi")
        << QStringLiteral("SF 中文 1234") << QStringLiteral("Arial") << 300 / 96.0;
}

// The underline runs under the whole text, Chinese characters and the Latin after them included.
void TestDraw::underlineUnderChineseText()
{
    QFETCH(QString, text);
    QFETCH(QString, font);
    QFETCH(double, scale);
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 300, 40);
    memo.SetText(text);
    memo.Font()->SetName(font);
    memo.Font()->SetSize(14);
    const int w = frxRound(320 * scale), h = frxRound(50 * scale);
    const QImage plain = DrawView(memo, w, h, scale, TfrxCanvas::ckPrinter);
    memo.Font()->SetStyle(frx::TFontStyles(frx::fsUnderline));
    const QImage underlined = DrawView(memo, w, h, scale, TfrxCanvas::ckPrinter);
    const QRect glyphs = Drawn(plain);
    QVERIFY(!glyphs.isEmpty());
    // The longest dark run along a row of the underlined drawing, below the characters' middle,
    // in a row where the plain drawing has no such run.
    auto longestRun = [&](const QImage &image, int y) {
        int longest = 0, run = 0;
        for (int x = 0; x < w; ++x) {
            run = qGray(image.pixel(x, y)) < 128 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    };
    int longest = 0;
    for (int y = glyphs.center().y() + 1; y < h; ++y)
        if (longestRun(plain, y) < glyphs.width() / 2)
            longest = std::max(longest, longestRun(underlined, y));
    QVERIFY2(longest >= glyphs.width() * 0.9,
             qPrintable(QStringLiteral("line %1 px of %2 px text").arg(longest).arg(glyphs.width())));
}

// A scan shown at half size on screen keeps its thin lines (averaged to grey), where pixel
// stretching dropped most of them.
void TestDraw::backgroundKeepsThinLinesWhenReduced()
{
    TfrxReport report;
    TfrxReportPage *page = AddPage(report, 100, 100);
    page->SetRightMargin(0);
    page->SetBottomMargin(0);
    // A 300-dpi scan with a line two pixels wide every 40 pixels.
    const int size = frxRound(100 / 25.4 * 300);
    QImage scan = Picture(size, size, kWhite);
    int lines = 0;
    for (int x = 7; x + 1 < size; x += 40, ++lines)
        for (int y = 0; y < size; ++y) {
            scan.setPixel(x, y, kBlack);
            scan.setPixel(x + 1, y, kBlack);
        }
    TPicture picture;
    picture.SetImage(scan);
    page->SetBackPicture(picture);
    const QImage drawn = DrawPageImage(*page, 0.5, TfrxCanvas::ckScreen);
    // Along one row: every line leaves a visibly darker column (pixel stretching met a third).
    const int row = drawn.height() / 3;
    int dark = 0;
    for (int x = 1; x < frxRound(100 * fr01cm * 0.5); ++x)
        dark += qGray(drawn.pixel(x, row)) < 235 && qGray(drawn.pixel(x - 1, row)) >= 235;
    QVERIFY2(dark >= lines - 1, qPrintable(QStringLiteral("%1 of %2 lines").arg(dark).arg(lines)));
}

QTEST_MAIN(TestDraw)
#include "tst_draw.moc"

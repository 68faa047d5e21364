// The text engine: wrapping at 600 dpi, measuring, and painting so that every device shows the
// same proportions and line breaks; fonts that lack characters or do not exist.

#include "report/model/frxClass.h"
#include "report/draw/frxDrawText.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QPainter>
#include <QPdfWriter>
#include <QtTest>

namespace {

// Device pixels of a report-pixel extent at a scale.
int Device(double pixels, double scale)
{
    return frxRound(pixels * scale);
}

// Where dark pixels lie (the glyphs of black text), or a null rectangle when there are none.
QRect Ink(const QImage &image, const QRect &within = QRect())
{
    const QRect area = within.isNull() ? image.rect() : within.intersected(image.rect());
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(row[x]) < 128) {
                left = qMin(left, x), right = qMax(right, x);
                top = qMin(top, y), bottom = qMax(bottom, y);
            }
        }
    }
    return left == INT_MAX ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

struct TDrawn {
    QImage Image;
    QList<TfrxTextLine> Lines;
    QList<QList<quint32>> Glyphs;
    QList<QPointF> Origins;
    QList<QList<QPointF>> Positions;
};

// Draws one text object alone on a white image large enough for it at the scale; a printer canvas
// has the resolution that scale means (96 x scale dpi).
TDrawn Draw(TfrxMemoView &memo, double scale, bool printer = false, QSize reportSize = QSize())
{
    if (reportSize.isEmpty())
        reportSize = QSize(int(memo.Left() + memo.Width() + 20), int(memo.Top() + memo.Height() + 40));
    TDrawn drawn;
    drawn.Image =
        QImage(Device(reportSize.width(), scale), Device(reportSize.height(), scale), QImage::Format_RGB32);
    drawn.Image.fill(Qt::white);
    QPainter painter(&drawn.Image);
    const int dpi = frxRound(96 * scale);
    TfrxCanvas canvas(painter, printer ? TfrxCanvas::ckPrinter : TfrxCanvas::ckScreen, dpi, dpi);
    TfrxDrawText *engine = memo.DrawTextEngine();
    engine->OnGlyphRun = [&](const QGlyphRun &run, const QPointF &origin, int) {
        drawn.Glyphs.append(run.glyphIndexes());
        drawn.Positions.append(run.positions());
        drawn.Origins.append(origin);
    };
    memo.SetIsPrinting(printer);
    memo.SetDrawValues(1, 0, 1.0);
    memo.Draw(canvas, scale, scale, 0, 0);
    memo.SetIsPrinting(false);
    engine->OnGlyphRun = nullptr;
    drawn.Lines = engine->Lines();
    return drawn;
}

QStringList Texts(const QList<TfrxTextLine> &lines)
{
    QStringList texts;
    for (const TfrxTextLine &line : lines)
        texts.append(line.Text);
    return texts;
}

// The width a single line of text needs, in report pixels, measured by the engine itself.
double MeasuredWidth(const QString &text, const QString &fontName = QStringLiteral("Arial"), int size = 10)
{
    TfrxMemoView memo;
    memo.Font()->SetName(fontName);
    memo.Font()->SetSize(size);
    memo.SetWordWrap(false);
    memo.SetText(text);
    return memo.CalcWidth() - memo.TextInsets().Horizontal();
}

// A text object of the given text box width (report pixels; GapX 2 on each side comes on top).
void Setup(TfrxMemoView &memo, const QString &text, double boxWidth, double height = 100)
{
    memo.SetBounds(10, 10, boxWidth + 4, height);
    memo.SetText(text);
}

} // namespace

class TestDrawText : public QObject {
    Q_OBJECT
private slots:
    void sameProportionAndBreaksOnEveryDevice_data();
    void sameProportionAndBreaksOnEveryDevice();
    void wrapping_data();
    void wrapping();
    void wordBreakWithAndWithoutBreakPoints();
    void hyphenBreaks_data();
    void hyphenBreaks();
    void paragraphFlags();
    void measuring();
    void glyphsLandWhereTheMeasurementPutThem();
    void chineseTextFallsBackToACjkFont();
    void missingFontStillDraws();
    void linesLongerThanTheWidthArray();
    void absurdValuesDrawBestEffort_data();
    void absurdValuesDrawBestEffort();
    void vectorDevicesGetText();
    void emptyMemoDrawsNoText();
    void bottomAlignedBlockEndsAtTheBottom();
    void clipping_data();
    void clipping();
    void horizontalAlignment_data();
    void horizontalAlignment();
    void blockAlignmentWithoutBlanksIsLeft();
    void rotation_data();
    void rotation();
    void spacingAndIndent();
    void rightToLeftReading();
    void highlightAndUnderlines();
    void htmlTagsAreNotShown();
};

void TestDrawText::sameProportionAndBreaksOnEveryDevice_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("printer");
    QTest::newRow("preview zoom 1.5") << 1.5 << false;
    QTest::newRow("preview zoom 1.2") << 1.2 << false;
    QTest::newRow("image at 600 dpi") << 6.25 << false;
    QTest::newRow("printer 600 dpi") << 6.25 << true;
    QTest::newRow("printer 300 dpi") << 3.125 << true;
}

void TestDrawText::sameProportionAndBreaksOnEveryDevice()
{
    QFETCH(double, scale);
    QFETCH(bool, printer);

    // One line in a 100-pixel-wide object: the ink covers the same share of the object.
    TfrxMemoView single;
    single.SetBounds(10, 10, 100, 20);
    single.SetText(QStringLiteral("Waybill 12345"));
    const TDrawn reference = Draw(single, 1.0);
    const TDrawn scaled = Draw(single, scale, printer);
    const QRect inkAt1 = Ink(reference.Image);
    const QRect inkScaled = Ink(scaled.Image);
    QVERIFY(!inkAt1.isNull() && !inkScaled.isNull());
    const double objectLeft = 10 * scale;
    const double shareAt1 = (inkAt1.right() + 1 - 10) / 100.0;
    const double shareScaled = (inkScaled.right() + 1 - objectLeft) / (100 * scale);
    QVERIFY2(qAbs(shareAt1 - shareScaled) <= 0.015,
             qPrintable(QStringLiteral("%1 vs %2").arg(shareAt1).arg(shareScaled)));

    // A wrapped text breaks at the same characters.
    TfrxMemoView wrapped;
    Setup(
        wrapped,
        QStringLiteral("Receiver: Zhang San, Chaoyang District, Jianguo Road 88, Beijing 100022. "
                       "Deliver on working days between nine and five, call ahead, leave at the front desk."),
        96, 200);
    const TDrawn wrappedAt1 = Draw(wrapped, 1.0);
    const TDrawn wrappedScaled = Draw(wrapped, scale, printer);
    QVERIFY(wrappedAt1.Lines.size() >= 9);
    QCOMPARE(Texts(wrappedScaled.Lines), Texts(wrappedAt1.Lines));
    // And every line ends at the same share of the width (within a pixel at zoom 1).
    QCOMPARE(wrappedScaled.Origins.size(), wrappedAt1.Origins.size());
    for (int i = 0; i < wrappedAt1.Positions.size(); ++i) {
        const double endAt1 = wrappedAt1.Positions[i].last().x() + wrappedAt1.Origins[i].x();
        const double endScaled =
            (wrappedScaled.Positions[i].last().x() + wrappedScaled.Origins[i].x()) / scale;
        QVERIFY2(qAbs(endAt1 - endScaled) <= 1.5, qPrintable(QString::number(i)));
        // Lines stand where the 600-dpi line step puts them, whatever the device's font height (the
        // correction is spread evenly over the steps, so a line may be off by up to two device pixels).
        const double ideal = i * (83 / 6.25 + wrapped.LineSpacing());
        const double dropScaled = (wrappedScaled.Origins[i].y() - wrappedScaled.Origins[0].y()) / scale;
        QVERIFY2(qAbs(dropScaled - ideal) <= 2.0 / scale + 0.01,
                 qPrintable(QStringLiteral("line %1 at %2, measured %3").arg(i).arg(dropScaled).arg(ideal)));
    }
}

void TestDrawText::wrapping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fits"); // the prefix that must just fit the box
    QTest::addColumn<bool>("wordWrap");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("breaks at the last blank, dropping it")
        << "alpha beta gamma"
        << "alpha beta" << true << QStringList{"alpha beta", "gamma"};
    QTest::newRow("a word longer than the box is cut")
        << "ABCDEFGHIJKLMNOP"
        << "ABCDEFGH" << true << QStringList{"ABCDEFGH", "IJKLMNOP"};
    QTest::newRow("Chinese breaks between characters")
        << QStringLiteral("北京市朝阳区建国路八十八号") << QStringLiteral("北京市朝阳区") << true
        << QStringList{QStringLiteral("北京市朝阳区"), QStringLiteral("建国路八十八"), QStringLiteral("号")};
    QTest::newRow("no wrapping keeps one line") << "alpha beta gamma"
                                                << "alpha" << false << QStringList{"alpha beta gamma"};
    QTest::newRow("an empty line is one blank") << "\r\n"
                                                << "" << true << QStringList{" "};
    QTest::newRow("a single character is never split") << "W"
                                                       << "" << true << QStringList{"W"};
}

void TestDrawText::wrapping()
{
    QFETCH(QString, text);
    QFETCH(QString, fits);
    QFETCH(bool, wordWrap);
    QFETCH(QStringList, expected);

    // The box is just wide enough for the prefix (plus half a pixel, below the next character).
    const double box = fits.isEmpty() ? 1 : std::floor(MeasuredWidth(fits)) + 1;
    TfrxMemoView memo;
    memo.SetWordWrap(wordWrap);
    Setup(memo, text, box);
    QVERIFY(fits.isEmpty() || MeasuredWidth(fits + text.mid(fits.size(), 1)) > box || !wordWrap);
    memo.CalcHeight();
    QCOMPARE(Texts(memo.DrawTextEngine()->Lines()), expected);
}

void TestDrawText::wordBreakWithAndWithoutBreakPoints()
{
    const QString russian = QStringLiteral("Доставка посылки");
    const double box = std::floor(MeasuredWidth(QStringLiteral("Доставка посыл-"))) + 1;
    TfrxMemoView memo;
    memo.SetWordBreak(true);
    Setup(memo, russian, box);
    memo.CalcHeight();
    QCOMPARE(Texts(memo.DrawTextEngine()->Lines()),
             (QStringList{QStringLiteral("Доставка посыл-"), QStringLiteral("ки")}));

    // Latin words have no break points: the word moves to the next line, or is cut when alone.
    TfrxMemoView latin;
    latin.SetWordBreak(true);
    const double latinBox = std::floor(MeasuredWidth(QStringLiteral("Express deliv"))) + 1;
    Setup(latin, QStringLiteral("Express delivery"), latinBox);
    latin.CalcHeight();
    QCOMPARE(Texts(latin.DrawTextEngine()->Lines()), (QStringList{"Express", "delivery"}));
    Setup(latin, QStringLiteral("Expressdelivery"), latinBox);
    latin.CalcHeight();
    const QStringList cut = Texts(latin.DrawTextEngine()->Lines());
    QCOMPARE(cut.size(), 2);
    QCOMPARE(cut.join(QString()), QStringLiteral("Expressdelivery"));
}

void TestDrawText::hyphenBreaks_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QList<int>>("breaks");
    QTest::newRow("vowel - consonant vowel") << QStringLiteral("молоко") << QList<int>{2, 4};
    QTest::newRow("between consonants") << QStringLiteral("посылки") << QList<int>{2, 5};
    QTest::newRow("after a sign") << QStringLiteral("письмо") << QList<int>{4};
    QTest::newRow("latin has none") << QStringLiteral("delivery") << QList<int>{};
    QTest::newRow("digits have none") << QStringLiteral("100022") << QList<int>{};
    QTest::newRow("one syllable has none") << QStringLiteral("борт") << QList<int>{};
}

void TestDrawText::hyphenBreaks()
{
    QFETCH(QString, word);
    QFETCH(QList<int>, breaks);
    QCOMPARE(TfrxDrawText::HyphenBreaks(word), breaks);
}

void TestDrawText::paragraphFlags()
{
    TfrxMemoView memo;
    const double box = std::floor(MeasuredWidth(QStringLiteral("alpha beta"))) + 1;
    Setup(memo, QStringLiteral("alpha beta gamma\r\nshort\r\nalpha beta gamma"), box);
    memo.CalcHeight();
    QList<int> flags;
    for (const TfrxTextLine &line : memo.DrawTextEngine()->Lines())
        flags.append(line.Flags);
    QCOMPARE(flags, (QList<int>{1, 2, 3, 1, 2}));

    // Text continued from and into other objects neither starts nor ends a paragraph.
    memo.SetFirstParaBreak(true);
    memo.SetLastParaBreak(true);
    memo.CalcHeight();
    QCOMPARE(memo.DrawTextEngine()->Lines().first().Flags, int(TfrxTextLine::ParagraphEnd) & 0);
    QCOMPARE(memo.DrawTextEngine()->Lines().last().Flags, 0);
}

void TestDrawText::measuring()
{
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 300, 20);
    memo.SetText(QStringLiteral("one\r\ntwo\r\nthree"));
    // Arial 10 pt: 83 pixels at 600 dpi, 13.28 report pixels; plus the line spacing of 2.
    QCOMPARE(memo.CalcHeight(), frxRoundEven(3 * (83 / 6.25 + 2) + 2 * memo.GapY()));
    TfrxDrawText *engine = memo.DrawTextEngine();
    QCOMPARE(engine->LineStep(), 83 / 6.25 + 2);
    QCOMPARE(engine->MeasureFontHeight(), 83);

    // A negative spacing is added back once, so the last line keeps its full height.
    memo.SetLineSpacing(-3);
    QCOMPARE(memo.CalcHeight(), frxRoundEven(3 * (83 / 6.25 - 3) + 3 + 2 * memo.GapY()));

    // The width is the widest line, with the frame and gaps around it.
    memo.SetLineSpacing(2);
    memo.Frame()->SetTyp(frx::ftLeft | frx::ftRight);
    memo.Frame()->SetWidth(3);
    const double widest = MeasuredWidth(QStringLiteral("three"));
    QCOMPARE(memo.CalcWidth(), widest + 4 + 1 + 1.5);
    QVERIFY(MeasuredWidth(QStringLiteral("three")) > MeasuredWidth(QStringLiteral("two")));

    TfrxMemoView empty;
    empty.SetBounds(0, 0, 100, 20);
    QCOMPARE(empty.CalcHeight(), 2.0);
}

void TestDrawText::glyphsLandWhereTheMeasurementPutThem()
{
    // At zoom 1 the device's own advances drift from the 600-dpi measurement; the corrected
    // positions stay within a pixel or two of it along the whole line.
    const QString text = QStringLiteral("Tel 13800138000 Wuhan Hongshan District Luoyu Road 1037");
    TfrxMemoView memo;
    memo.SetWordWrap(false);
    memo.SetBounds(0, 0, 600, 20);
    memo.SetText(text);
    for (double scale : {1.0, 1.37, 2.0}) {
        const TDrawn drawn = Draw(memo, scale);
        QCOMPARE(drawn.Positions.size(), 1);
        const QList<QPointF> &positions = drawn.Positions.first();
        QCOMPARE(positions.size(), text.size());
        for (int i = 1; i < text.size(); ++i) {
            const double ideal = MeasuredWidth(text.left(i)) * scale;
            QVERIFY2(
                qAbs(positions[i].x() - ideal) <= 2.0,
                qPrintable(
                    QStringLiteral("char %1 at %2, measured %3").arg(i).arg(positions[i].x()).arg(ideal)));
        }
    }
}

void TestDrawText::chineseTextFallsBackToACjkFont()
{
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 300, 40);
    memo.SetText(QStringLiteral("收件人：张三，电话 13800138000"));
    const TDrawn drawn = Draw(memo, 1.0);
    QVERIFY(!Ink(drawn.Image).isNull());
    int glyphs = 0;
    for (const QList<quint32> &run : drawn.Glyphs) {
        QVERIFY(!run.contains(0u)); // no tofu
        glyphs += int(run.size());
    }
    QCOMPARE(glyphs, int(memo.Text().size() - 2));
    const QStringList families = memo.DrawTextEngine()->FontFamilies();
    QVERIFY2(families.size() >= 2, qPrintable(families.join(',')));
    QVERIFY(memo.DrawTextEngine()->FontFamilies().mid(1).join(',').contains(
        QRegularExpression(QStringLiteral("WenQuanYi|CJK|Han|Fallback"))));
    // The CJK font has no bold face: bold is made from the regular one, and shows.
    auto inkOf = [](const QImage &image) {
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    TfrxMemoView name;
    name.SetBounds(0, 0, 200, 40);
    name.SetText(QStringLiteral("收件人张三"));
    for (double scale : {1.0, 6.25}) {
        name.Font()->SetStyle(frx::TFontStyles());
        const int regular = inkOf(Draw(name, scale, scale > 1).Image);
        name.Font()->SetStyle(frx::fsBold);
        const int bold = inkOf(Draw(name, scale, scale > 1).Image);
        QVERIFY2(bold > regular * 1.1, qPrintable(QStringLiteral("%1 vs %2").arg(bold).arg(regular)));
    }

    // A CJK character measures as the CJK font draws it: about one em.
    const double em = 83 / 6.25;
    const double width = MeasuredWidth(QStringLiteral("收件人"));
    QVERIFY2(width > 2.7 * em && width < 3.3 * em, qPrintable(QString::number(width)));
}

void TestDrawText::missingFontStillDraws()
{
    TfrxMemoView memo;
    memo.Font()->SetName(QStringLiteral("No Such Font 4711"));
    memo.SetBounds(0, 0, 200, 40);
    memo.SetText(QStringLiteral("Best effort 尽力"));
    const TDrawn drawn = Draw(memo, 1.0);
    QVERIFY(!Ink(drawn.Image).isNull());
    for (const QList<quint32> &run : drawn.Glyphs)
        QVERIFY(!run.contains(0u));
    QVERIFY(memo.CalcWidth() > 20);
}

void TestDrawText::linesLongerThanTheWidthArray()
{
    QString text;
    text.reserve(50000);
    while (text.size() < 50000)
        text += QStringLiteral("waybill 快递 ");
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 400, 60);
    memo.SetText(text);
    QElapsedTimer timer;
    timer.start();
    TDrawn drawn = Draw(memo, 1.0);
    QVERIFY(drawn.Lines.size() > 100);
    QString joined;
    for (const TfrxTextLine &line : drawn.Lines)
        joined += line.Text + u' ';
    QCOMPARE(joined.remove(u' '), QString(text).remove(u' '));

    memo.SetWordWrap(false);
    drawn = Draw(memo, 1.0);
    QCOMPARE(drawn.Lines.size(), 1);
    QVERIFY(!Ink(drawn.Image).isNull());
    QVERIFY(memo.CalcWidth() > 100000);
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
}

void TestDrawText::absurdValuesDrawBestEffort_data()
{
    QTest::addColumn<int>("fontSize");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("lineSpacing");
    QTest::addColumn<double>("scale");
    QTest::newRow("font size 0") << 0 << 100.0 << 2.0 << 1.0;
    QTest::newRow("font size 1000 at 600 dpi") << 1000 << 300.0 << 2.0 << 6.25;
    QTest::newRow("negative width") << 10 << -50.0 << 2.0 << 1.0;
    QTest::newRow("spacing eats the lines") << 10 << 100.0 << -40.0 << 1.0;
    QTest::newRow("tiny zoom") << 10 << 100.0 << 2.0 << 0.01;
}

void TestDrawText::absurdValuesDrawBestEffort()
{
    QFETCH(int, fontSize);
    QFETCH(double, width);
    QFETCH(double, lineSpacing);
    QFETCH(double, scale);
    TfrxMemoView memo;
    memo.SetBounds(10, 10, width, 120);
    memo.Font()->SetSize(fontSize);
    memo.SetLineSpacing(lineSpacing);
    memo.SetUnderlines(true);
    memo.SetText(QStringLiteral("Waybill text 运单\r\nsecond line"));
    QElapsedTimer timer;
    timer.start();
    Draw(memo, scale, false, QSize(400, 200));
    memo.CalcHeight();
    memo.CalcWidth();
    QVERIFY(timer.elapsed() < 5000);
}

void TestDrawText::vectorDevicesGetText()
{
    // On a vector device the glyphs go out as text, not as pictures of text.
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::A6));
        QPainter painter(&writer);
        TfrxCanvas canvas(painter, TfrxCanvas::ckPrinter, 600, 600);
        TfrxMemoView memo;
        memo.SetBounds(10, 10, 300, 40);
        memo.SetText(QStringLiteral("Waybill 运单"));
        memo.SetIsPrinting(true);
        memo.Draw(canvas, 6.25, 6.25, 0, 0);
    }
    QVERIFY(pdf.contains("/FontFile"));
    QVERIFY(!pdf.contains("/Subtype /Image"));
}

void TestDrawText::emptyMemoDrawsNoText()
{
    TfrxMemoView memo;
    memo.SetBounds(5, 5, 80, 30);
    memo.SetColor(0x00FFFF); // yellow
    memo.Frame()->SetTyp(frx::ftLeft | frx::ftRight | frx::ftTop | frx::ftBottom);
    const TDrawn drawn = Draw(memo, 1.0);
    QVERIFY(drawn.Glyphs.isEmpty());
    QVERIFY(drawn.Lines.isEmpty());
    // Inside the frame there is only the fill.
    for (int y = 7; y < 34; ++y)
        for (int x = 7; x < 84; ++x)
            QCOMPARE(drawn.Image.pixel(x, y), qRgb(255, 255, 0));
    QCOMPARE(drawn.Image.pixel(5, 5), qRgb(0, 0, 0));
}

void TestDrawText::bottomAlignedBlockEndsAtTheBottom()
{
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 200, 90);
    memo.SetVAlign(frx::vaBottom);
    memo.SetLineSpacing(2);
    memo.SetText(QStringLiteral("gypsy\r\njuggling\r\npygmy quay"));
    const TDrawn drawn = Draw(memo, 1.0);
    QCOMPARE(drawn.Lines.size(), 3);
    const TfrxDrawRect box = memo.TextRect(memo.DrawState());
    const QRect ink = Ink(drawn.Image);
    // The last line's descenders reach the text box's bottom (its last row is Bottom - 1).
    QVERIFY2(qAbs(ink.bottom() - (box.Bottom - 1)) <= 1,
             qPrintable(QStringLiteral("%1 vs %2").arg(ink.bottom()).arg(box.Bottom - 1)));

    memo.SetVAlign(frx::vaCenter);
    const QRect centred = Ink(Draw(memo, 1.0).Image);
    QVERIFY(qAbs((centred.top() - box.Top) - (box.Bottom - 1 - centred.bottom())) <= 6);
}

void TestDrawText::clipping_data()
{
    QTest::addColumn<bool>("clipped");
    QTest::newRow("clipped") << true;
    QTest::newRow("not clipped") << false;
}

void TestDrawText::clipping()
{
    QFETCH(bool, clipped);
    TfrxMemoView memo;
    memo.SetBounds(10, 10, 100, 20);
    memo.SetClipped(clipped);
    memo.SetText(QStringLiteral("first\r\nsecond\r\nthird\r\nfourth"));
    const TDrawn drawn = Draw(memo, 2.0, false, QSize(130, 100));
    const TfrxDrawRect box = memo.TextRect(memo.DrawState());
    const QRect below(0, box.Bottom, drawn.Image.width(), drawn.Image.height() - box.Bottom);
    QCOMPARE(Ink(drawn.Image, below).isNull(), clipped);
    QVERIFY(!Ink(drawn.Image, QRect(0, 0, drawn.Image.width(), box.Bottom)).isNull());
}

void TestDrawText::horizontalAlignment_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<bool>("bold");
    QTest::newRow("right") << int(frx::haRight) << false;
    QTest::newRow("right bold") << int(frx::haRight) << true;
    QTest::newRow("center") << int(frx::haCenter) << false;
    QTest::newRow("block") << int(frx::haBlock) << false;
}

void TestDrawText::horizontalAlignment()
{
    QFETCH(int, align);
    QFETCH(bool, bold);
    TfrxMemoView memo;
    memo.SetBounds(10, 10, 300, 60);
    memo.SetHAlign(frx::TfrxHAlign(align));
    if (bold)
        memo.Font()->SetStyle(frx::fsBold);
    // The first line wraps, so in block alignment it spreads over the whole width.
    const double box = std::floor(MeasuredWidth(QStringLiteral("Zhang San Chaoyang District Beijing"))) + 1;
    memo.SetWidth(box + 4);
    memo.SetText(QStringLiteral("Zhang San Chaoyang District Beijing Road"));
    const TDrawn drawn = Draw(memo, 1.0);
    QCOMPARE(drawn.Lines.size(), 2);
    const TfrxDrawRect text = memo.TextRect(memo.DrawState());
    const QRect first = Ink(drawn.Image, QRect(0, text.Top, 400, 15));
    const QRect second = Ink(drawn.Image, QRect(0, text.Top + 15, 400, 20));
    const int right = text.Right - 1;
    switch (frx::TfrxHAlign(align)) {
    case frx::haRight:
        QVERIFY2(qAbs(first.right() - right) <= 2, qPrintable(QString::number(first.right() - right)));
        QVERIFY(qAbs(second.right() - right) <= 2);
        break;
    case frx::haCenter: {
        const double middle = (text.Left + right) / 2.0;
        QVERIFY(qAbs((second.left() + second.right()) / 2.0 - middle) <= 2);
        break;
    }
    case frx::haBlock:
        QVERIFY(first.left() - text.Left <= 2);
        QVERIFY(qAbs(first.right() - right) <= 2);
        // The paragraph's last line stays left aligned.
        QVERIFY(second.left() - text.Left <= 2);
        QVERIFY(second.right() < right - 40);
        break;
    default:
        break;
    }
}

void TestDrawText::blockAlignmentWithoutBlanksIsLeft()
{
    // A line with neither blank nor question mark has nothing to widen: it is painted as haLeft.
    const QString text = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const double box = std::floor(MeasuredWidth(QStringLiteral("ABCDEFGHIJKLM"))) + 1;
    TfrxMemoView left;
    Setup(left, text, box, 60);
    TfrxMemoView block;
    Setup(block, text, box, 60);
    block.SetHAlign(frx::haBlock);
    const TDrawn a = Draw(left, 1.0);
    const TDrawn b = Draw(block, 1.0);
    QVERIFY(a.Lines.size() >= 2);
    QCOMPARE(b.Positions, a.Positions);
    QCOMPARE(b.Image, a.Image);
}

void TestDrawText::rotation_data()
{
    QTest::addColumn<int>("rotation");
    QTest::newRow("0") << 0;
    QTest::newRow("90") << 90;
    QTest::newRow("180") << 180;
    QTest::newRow("270") << 270;
    QTest::newRow("-90") << -90;
    QTest::newRow("45") << 45;
}

void TestDrawText::rotation()
{
    QFETCH(int, rotation);
    TfrxMemoView memo;
    const bool sideways = rotation == 90 || rotation == 270 || rotation == -90;
    memo.SetBounds(20, 20, sideways ? 30 : 160, sideways ? 160 : (rotation == 45 ? 160 : 30));
    memo.SetRotation(rotation);
    memo.SetText(QStringLiteral("Rotated waybill"));
    const TDrawn drawn = Draw(memo, 1.0, false, QSize(220, 220));
    QCOMPARE(drawn.Lines.size(), 1);
    const QRect ink = Ink(drawn.Image);
    QVERIFY(!ink.isNull());
    QVERIFY2(QRect(20, 20, int(memo.Width()), int(memo.Height())).contains(ink),
             qPrintable(
                 QStringLiteral("%1,%2 %3x%4").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
    if (sideways)
        QVERIFY(ink.height() > 3 * ink.width());
    else if (rotation != 45)
        QVERIFY(ink.width() > 3 * ink.height());
    else
        QVERIFY(qAbs(ink.width() - ink.height()) < ink.width() / 3);
    if (rotation == 90) // reading upwards from the bottom-left corner
        QVERIFY(ink.bottom() > 20 + 140);
    if (rotation == 270 || rotation == -90)
        QVERIFY(ink.top() < 20 + 20);
}

void TestDrawText::spacingAndIndent()
{
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 400, 40);
    memo.SetText(QStringLiteral("Spacing"));
    const QRect plain = Ink(Draw(memo, 1.0).Image);
    memo.SetCharSpacing(3);
    const QRect spaced = Ink(Draw(memo, 1.0).Image);
    QVERIFY(qAbs(spaced.width() - plain.width() - 6 * 3) <= 1);
    memo.SetCharSpacing(0);
    memo.SetParagraphGap(20);
    const QRect indented = Ink(Draw(memo, 1.0).Image);
    QCOMPARE(indented.left(), plain.left() + 20);
    QCOMPARE(memo.CalcWidth(), MeasuredWidth(QStringLiteral("Spacing")) + 20 + 4);
}

void TestDrawText::rightToLeftReading()
{
    auto glyphsOf = [](const QString &text, bool rtl) {
        TfrxMemoView memo;
        memo.SetBounds(0, 0, 300, 30);
        memo.SetRTLReading(rtl);
        memo.SetText(text);
        const TDrawn drawn = Draw(memo, 1.0);
        QList<quint32> glyphs;
        double previous = -1;
        for (int r = 0; r < drawn.Glyphs.size(); ++r) {
            for (int g = 0; g < drawn.Glyphs[r].size(); ++g) {
                // Glyphs are placed from left to right in the order they appear.
                const double x = drawn.Origins[r].x() + drawn.Positions[r][g].x();
                if (x <= previous)
                    return QList<quint32>();
                previous = x;
                glyphs.append(drawn.Glyphs[r][g]);
            }
        }
        return glyphs;
    };
    const quint32 alef = glyphsOf(QStringLiteral("א"), false).value(0);
    const quint32 gimel = glyphsOf(QStringLiteral("ג"), false).value(0);
    const quint32 a = glyphsOf(QStringLiteral("A"), false).value(0);
    const quint32 c = glyphsOf(QStringLiteral("C"), false).value(0);
    QVERIFY(alef && gimel && a && c);

    // Hebrew reads from the right in any paragraph: alef, written first, is drawn rightmost.
    QList<quint32> hebrew = glyphsOf(QStringLiteral("אבג"), false);
    QCOMPARE(hebrew.size(), 3);
    QCOMPARE(hebrew.first(), gimel);
    QCOMPARE(hebrew.last(), alef);

    // Right-to-left reading makes the paragraph run from the right: the Latin word written first
    // stands rightmost and stays readable.
    const QList<quint32> ltr = glyphsOf(QStringLiteral("ABC אבג"), false);
    const QList<quint32> rtl = glyphsOf(QStringLiteral("ABC אבג"), true);
    QCOMPARE(ltr.size(), 7);
    QCOMPARE(rtl.size(), 7);
    QCOMPARE(ltr.first(), a);
    QCOMPARE(ltr.last(), alef);
    QCOMPARE(rtl.first(), gimel);
    QCOMPARE(rtl.last(), c);
}

void TestDrawText::highlightAndUnderlines()
{
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 120, 50);
    memo.SetText(QStringLiteral("HIGHLIGHT"));
    memo.Highlight()->SetActive(true);
    memo.Highlight()->SetColor(0xFF0000); // blue fill
    memo.Highlight()->Font()->SetStyle(frx::fsBold);
    const TDrawn drawn = Draw(memo, 1.0);
    QCOMPARE(memo.Color(), clNone); // restored after the draw
    QCOMPARE(drawn.Image.pixel(60, 45), qRgb(0, 0, 255));
    bool red = false;
    for (int y = 0; y < 20 && !red; ++y)
        for (int x = 0; x < 120 && !red; ++x) {
            const QColor c = drawn.Image.pixelColor(x, y);
            red = c.red() > 180 && c.green() < 80 && c.blue() < 80;
        }
    QVERIFY(red);

    // Ruled lines one line step apart from below the first line to the object's bottom.
    TfrxMemoView ruled;
    ruled.SetBounds(0, 0, 100, 60);
    ruled.SetUnderlines(true);
    ruled.Frame()->SetColor(0x00FF00);
    const TDrawn lines = Draw(ruled, 1.0);
    QList<int> rows;
    for (int y = 0; y < 70; ++y)
        if (lines.Image.pixel(50, y) == qRgb(0, 255, 0))
            rows.append(y);
    const double step = 83 / 6.25 + 2;
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.first(), frxRound((1 - 2 + 1) + step));
    QCOMPARE(rows[1], frxRound(2 * step));
}

void TestDrawText::htmlTagsAreNotShown()
{
    TfrxMemoView plain;
    plain.SetBounds(0, 0, 300, 30);
    plain.SetText(QStringLiteral("Fast delivery"));
    TfrxMemoView tagged;
    tagged.SetBounds(0, 0, 300, 30);
    tagged.SetAllowHTMLTags(true);
    tagged.SetText(QStringLiteral("<b>Fast</b> <font color=\"red\">delivery</font>"));
    const TDrawn a = Draw(plain, 1.0);
    const TDrawn b = Draw(tagged, 1.0);
    QCOMPARE(Texts(b.Lines), Texts(a.Lines));
    QCOMPARE(b.Image, a.Image);
}

QTEST_MAIN(TestDrawText)
#include "tst_drawtext.moc"

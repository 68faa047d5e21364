// The font table: which file draws each font name, the fallback order, characters no font has,
// damaged and absurd fonts, and sizes larger than any font can be made.

#include "report/draw/frxDrawText.h"
#include "report/draw/frxFontTable.h"
#include "report/model/frxClass.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

namespace {

// Dark pixels of an image.
int Ink(const QImage &image)
{
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(row[x]) < 128 ? 1 : 0;
    }
    return dark;
}

struct TRun {
    QList<quint32> Glyphs;
    QString Family;
    double PixelSize = 0;
};

struct TDrawn {
    QImage Image;
    QList<TRun> Runs;
};

// Draws a text object on a white image at a scale (as a printer of 96 x scale dpi when asked).
TDrawn Draw(TfrxMemoView &memo, double scale, bool printer = false)
{
    TDrawn drawn;
    drawn.Image = QImage(qMax(1, qRound((memo.Width() + 20) * qMin(scale, 8.0))),
                         qMax(1, qRound((memo.Height() + 20) * qMin(scale, 8.0))), QImage::Format_RGB32);
    drawn.Image.fill(Qt::white);
    QPainter painter(&drawn.Image);
    const int dpi = qRound(96 * scale);
    TfrxCanvas canvas(painter, printer ? TfrxCanvas::ckPrinter : TfrxCanvas::ckScreen, dpi, dpi);
    TfrxDrawText *engine = memo.DrawTextEngine();
    engine->OnGlyphRun = [&](const QGlyphRun &run, const QPointF &, int) {
        drawn.Runs.append({run.glyphIndexes(), run.rawFont().familyName(), run.rawFont().pixelSize()});
    };
    memo.SetIsPrinting(printer);
    memo.SetDrawValues(1, 0, 1.0);
    memo.Draw(canvas, scale, scale, 0, 0);
    memo.SetIsPrinting(false);
    engine->OnGlyphRun = nullptr;
    return drawn;
}

// Draws a text object into a PDF and returns the file's bytes.
QByteArray DrawPdf(TfrxMemoView &memo)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(600);
    QPainter painter(&writer);
    TfrxCanvas canvas(painter, TfrxCanvas::ckPrinter, 600, 600);
    memo.SetIsPrinting(true);
    memo.SetDrawValues(1, 0, 1.0);
    memo.Draw(canvas, 6.25, 6.25, 100, 100);
    memo.SetIsPrinting(false);
    painter.end();
    return pdf;
}

QString FileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

class TestFonts : public QObject {
    Q_OBJECT
private slots:
    void theTablesFontsAreInstalled();
    void namesResolveToTheTablesFiles_data();
    void namesResolveToTheTablesFiles();
    void charactersFallBackInTheTablesOrder_data();
    void charactersFallBackInTheTablesOrder();
    void otherScriptsDrawOnEveryDevice_data();
    void otherScriptsDrawOnEveryDevice();
    void aUserTableAddsFontsAndDamagedFilesFallBack();
    void hugeFontsDrawAtTheLargestSize_data();
    void hugeFontsDrawAtTheLargestSize();
};

void TestFonts::theTablesFontsAreInstalled()
{
    // The table the program comes with names files that setup.sh installs (it installs the
    // packages the table names), and each reads as a font.
    const TfrxFontTable &table = TfrxFontTable::Global();
    QVERIFY(table.Files().size() >= 8);
    for (const QString &file : table.Files()) {
        QVERIFY2(QFileInfo(file).isFile(), qPrintable(file + " is missing: run scripts/setup.sh"));
        QVERIFY2(QRawFont(file, 12).isValid(), qPrintable(file));
    }
    QVERIFY(table.Packages().contains("fonts-liberation"));
    // Every name and fallback leads to a font of the table.
    for (const QString &font : table.Fallback() + QStringList{table.DefaultFont()})
        QVERIFY2(!table.FileFor(font, {}).Path.isEmpty(), qPrintable(font));

    // setup.sh takes its font packages from the table.
    QFile setup(QStringLiteral(WAYBILL_SOURCE_DIR "/scripts/setup.sh"));
    QVERIFY(setup.open(QIODevice::ReadOnly));
    QVERIFY(setup.readAll().contains("data/config/fonts.ini"));
}

void TestFonts::namesResolveToTheTablesFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("madeBold");
    const int bold = int(frx::fsBold), italic = int(frx::fsItalic);
    QTest::newRow("Arial") << "Arial" << 0 << "LiberationSans-Regular.ttf" << false;
    QTest::newRow("arial, any case") << "ARIAL" << 0 << "LiberationSans-Regular.ttf" << false;
    QTest::newRow("Arial bold italic")
        << "Arial" << (bold | italic) << "LiberationSans-BoldItalic.ttf" << false;
    QTest::newRow("Times New Roman bold") << "Times New Roman" << bold << "LiberationSerif-Bold.ttf" << false;
    QTest::newRow("Courier New") << "Courier New" << 0 << "LiberationMono-Regular.ttf" << false;
    QTest::newRow("Tahoma") << "Tahoma" << 0 << "LiberationSans-Regular.ttf" << false;
    QTest::newRow("宋体") << "宋体" << 0 << "gbsn00lp.ttf" << false;
    QTest::newRow("SimSun bold: made from the regular face") << "SimSun" << bold << "gbsn00lp.ttf" << true;
    QTest::newRow("新宋体") << "新宋体" << 0 << "gbsn00lp.ttf" << false;
    QTest::newRow("黑体") << "黑体" << 0 << "wqy-zenhei.ttc" << false;
    QTest::newRow("微软雅黑") << "微软雅黑" << 0 << "wqy-zenhei.ttc" << false;
    QTest::newRow("楷体") << "楷体" << 0 << "gkai00mp.ttf" << false;
    QTest::newRow("a font of the table by its own name")
        << "DejaVu Sans" << bold << "DejaVuSans-Bold.ttf" << false;
    // Names nobody has: the table's default, never the system's choice.
    QTest::newRow("not installed") << "Futura Condensed ExtraBold" << 0 << "gbsn00lp.ttf" << false;
    QTest::newRow("empty name") << "" << 0 << "gbsn00lp.ttf" << false;
    QTest::newRow("1,000 characters") << QString(1000, u'x') << 0 << "gbsn00lp.ttf" << false;
}

void TestFonts::namesResolveToTheTablesFiles()
{
    QFETCH(QString, name);
    QFETCH(int, style);
    QFETCH(QString, file);
    QFETCH(bool, madeBold);
    TfrxFontCache cache;
    TfrxFontFace &face = cache.Face(name, frx::TFontStyles(style));
    QVERIFY(face.IsValid());
    QCOMPARE(FileName(face.Files().value(0)), file);
    auto sized = face.Sized(40, false);
    QCOMPARE(sized->SynthesizedBold(0), madeBold);

    // And what a text object in that font draws comes from there (an empty name leaves a text
    // object's font as it was).
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 300, 40);
    memo.Font()->SetName(name);
    TfrxFontFace &drawnFace = cache.Face(memo.Font()->Name(), frx::TFontStyles(style));
    memo.Font()->SetStyle(frx::TFontStyles(style));
    memo.SetText(QStringLiteral("Waybill"));
    const TDrawn drawn = Draw(memo, 1.0);
    QVERIFY(Ink(drawn.Image) > 0);
    QVERIFY(!drawn.Runs.isEmpty());
    QCOMPARE(drawn.Runs.first().Family, drawnFace.Families().first());
}

void TestFonts::charactersFallBackInTheTablesOrder_data()
{
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("file"); // the file that draws it; empty: nobody has it
    QTest::newRow("Chinese in Arial: the CJK font") << "Arial"
                                                    << "收"
                                                    << "wqy-zenhei.ttc";
    QTest::newRow("a full-width colon in Arial") << "Arial"
                                                 << "："
                                                 << "wqy-zenhei.ttc";
    QTest::newRow("a rare character 宋体 lacks") << "宋体"
                                                 << "堃"
                                                 << "wqy-zenhei.ttc";
    QTest::newRow("Hebrew in 宋体: DejaVu") << "宋体"
                                            << "א"
                                            << "DejaVuSans.ttf";
    QTest::newRow("Arabic in Arial") << "Arial"
                                     << "ب"
                                     << "DejaVuSans.ttf";
    QTest::newRow("Cyrillic in Arial: its own") << "Arial"
                                                << "Ж"
                                                << "LiberationSans-Regular.ttf";
    QTest::newRow("an emoji") << "Arial"
                              << "😀"
                              << "DejaVuSans.ttf";
    // Characters of personal names beyond the basic plane (CJK Extension B).
    QTest::newRow("Extension B 𠀀 in 宋体") << "宋体" << "𠀀" << "HanaMinB.ttf";
    QTest::newRow("Extension B 𪚥 in Arial") << "Arial" << "𪚥" << "HanaMinB.ttf";
    QTest::newRow("Extension B 𠮷 in 黑体") << "黑体" << "𠮷" << "HanaMinB.ttf";
    QTest::newRow("Thai: no font") << "Arial"
                                   << "ก"
                                   << "";
    QTest::newRow("a private-use character") << "黑体" << QString(QChar(0xE123)) << "";
}

void TestFonts::charactersFallBackInTheTablesOrder()
{
    QFETCH(QString, font);
    QFETCH(QString, text);
    QFETCH(QString, file);
    TfrxFontCache cache;
    TfrxFontFace &face = cache.Face(font, {});
    const TfrxGlyph glyph = face.Glyph(text.toUcs4().first());
    QVERIFY(!glyph.Hidden);
    if (file.isEmpty()) {
        // A missing-glyph box, which takes room.
        QCOMPARE(glyph.Index, 0u);
        QVERIFY(face.Sized(40, false)->Advance(glyph) >= 10);
    } else {
        QVERIFY(glyph.Index != 0);
        QCOMPARE(FileName(face.Files().value(glyph.Font)), file);
    }
}

void TestFonts::otherScriptsDrawOnEveryDevice_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("box"); // some character shows as the missing-glyph box
    QTest::newRow("Hebrew") << "שלום עולם" << false;
    QTest::newRow("Arabic") << "مرحبا بالعالم" << false;
    QTest::newRow("Thai") << "สวัสดี" << true;
    QTest::newRow("emoji (a package has no glyph)") << "📦 😀 ✈" << true;
    QTest::newRow("all mixed with Chinese") << "张三 שלום مرحبا สวัสดี 😀" << true;
}

void TestFonts::otherScriptsDrawOnEveryDevice()
{
    QFETCH(QString, text);
    QFETCH(bool, box);
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 400, 30);
    memo.Font()->SetName(QStringLiteral("宋体"));
    memo.Font()->SetSize(14);
    memo.SetText(text);
    bool letters = false; // some character drawn from a font, not as a box
    for (bool printer : {false, true}) {
        const double scale = printer ? 6.25 : 1.0;
        const TDrawn drawn = Draw(memo, scale, printer);
        QVERIFY(Ink(drawn.Image) > 0);
        int boxes = 0, glyphs = 0;
        for (const TRun &run : drawn.Runs) {
            boxes += int(run.Glyphs.count(0u));
            glyphs += int(run.Glyphs.size());
            letters = letters || run.Glyphs.count(0u) < run.Glyphs.size();
        }
        QCOMPARE(boxes > 0, box);
        QVERIFY(glyphs >= text.toUcs4().size() - text.count(u' ') - 1);
    }
    // A box is a glyph in the object's size: a line of boxes is about as tall as the size asks.
    if (box) {
        TfrxMemoView boxes;
        boxes.SetBounds(0, 0, 400, 60);
        boxes.Font()->SetSize(24);
        boxes.SetText(QStringLiteral("กกกก"));
        const QImage image = Draw(boxes, 1.0).Image;
        int top = INT_MAX, bottom = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    top = qMin(top, y), bottom = qMax(bottom, y);
        const double em = 24 * 96 / 72.0;
        QVERIFY2(bottom - top > em * 0.4 && bottom - top < em * 1.2,
                 qPrintable(QString::number(bottom - top)));
    }
    // PDF output carries the letters as text, with their fonts embedded.
    const QByteArray pdf = DrawPdf(memo);
    QVERIFY(pdf.startsWith("%PDF"));
    QCOMPARE(pdf.contains("/FontFile"), letters);
}

void TestFonts::aUserTableAddsFontsAndDamagedFilesFallBack()
{
    QTemporaryDir dir;
    // A font beside the table under a name of its own (a relative path), a file that is no font,
    // a font cut short, a file that does not exist.
    QFile::copy(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"), dir.filePath("mine.ttf"));
    QFile garbage(dir.filePath("garbage.ttf"));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(5000, 'x'));
    garbage.close();
    QFile real(QStringLiteral("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"));
    QVERIFY(real.open(QIODevice::ReadOnly));
    QFile truncated(dir.filePath("truncated.ttf"));
    QVERIFY(truncated.open(QIODevice::WriteOnly));
    truncated.write(real.read(3000));
    truncated.close();
    QFile table(dir.filePath("fonts.ini"));
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write("[Names]\n"
                "Seller Font=My Font\n"
                "Garbage Font=Garbage\n"
                "Truncated Font=Truncated\n"
                "Missing Font=Missing\n"
                "[Font My Font]\nRegular=mine.ttf\n"
                "[Font Garbage]\nRegular=garbage.ttf\n"
                "[Font Truncated]\nRegular=truncated.ttf\n"
                "[Font Missing]\nRegular=/nonexistent/missing.ttf\n");
    table.close();

    TfrxFontTable &global = TfrxFontTable::Global();
    const int generation = global.Generation();
    QVERIFY(global.Load(dir.filePath("fonts.ini")));
    QVERIFY(global.Generation() != generation);
    QVERIFY(!global.Load(dir.filePath("none.ini")));
    QVERIFY(!global.Load(QStringLiteral("/dev/zero")));
    QCOMPARE(global.FontFor("Arial"), QStringLiteral("Liberation Sans")); // the rest stays

    TfrxFontCache cache;
    QCOMPARE(cache.Face("Seller Font", {}).Files().value(0), dir.filePath("mine.ttf"));
    for (const char *name : {"Garbage Font", "Truncated Font", "Missing Font"}) {
        // The first fallback font that reads takes the broken font's place, and text shows.
        TfrxFontFace &face = cache.Face(QString::fromLatin1(name), {});
        QVERIFY2(face.IsValid(), name);
        QCOMPARE(face.Files().value(0), global.FileFor(global.Fallback().first(), {}).Path);
        TfrxMemoView memo;
        memo.SetBounds(0, 0, 300, 40);
        memo.Font()->SetName(QString::fromLatin1(name));
        memo.SetText(QStringLiteral("Receiver 收件人"));
        QVERIFY2(Ink(Draw(memo, 1.0).Image) > 0, name);
        QVERIFY(memo.CalcWidth() > 20);
    }
}

void TestFonts::hugeFontsDrawAtTheLargestSize_data()
{
    QTest::addColumn<int>("height"); // Font.Height
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("printer");
    QTest::newRow("height -11,000 on screen") << -11000 << 1.0 << false;
    QTest::newRow("height -11,000 at 1200 dpi") << -11000 << 12.5 << true;
    QTest::newRow("height -100,000 at 600 dpi") << -100000 << 6.25 << true;
    QTest::newRow("the lowest height") << INT_MIN << 1.0 << false;
    QTest::newRow("the highest height") << INT_MAX << 6.25 << true;
    QTest::newRow("zoom 3,000,000") << -13 << 3e6 << false;
    QTest::newRow("zoom 2000 %, size 1,000") << -1333 << 20.0 << false;
}

void TestFonts::hugeFontsDrawAtTheLargestSize()
{
    QFETCH(int, height);
    QFETCH(double, scale);
    QFETCH(bool, printer);
    TfrxMemoView memo;
    memo.SetBounds(0, 0, 200, 100);
    memo.Font()->SetHeight(height);
    memo.SetText(QStringLiteral("大 W"));
    Draw(memo, scale, printer);
    QVERIFY(memo.CalcHeight() > 0);
    QVERIFY(memo.CalcWidth() > 0);
    // Text is laid out at no more than the largest size a font can be made at.
    TfrxDrawText *engine = memo.DrawTextEngine();
    QVERIFY(engine->FontSize() <= TfrxDrawText::MaxFontSize);
    QVERIFY(engine->MeasureFontHeight() <= TfrxFontFace::MaxPixelSize);
    // The size that still works draws.
    if (height == -11000) {
        TfrxMemoView corner;
        corner.SetBounds(0, 0, 40, 40);
        corner.Font()->SetHeight(-11000);
        corner.SetText(QStringLiteral("■"));
        corner.SetVAlign(frx::vaCenter);
        corner.SetHAlign(frx::haCenter);
        corner.SetClipped(true);
        QVERIFY(!DrawPdf(corner).isEmpty());
    }
}

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"

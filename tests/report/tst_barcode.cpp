// Barcode objects: every kind drawn at 300 dpi and read back by a decoder (zbarimg, and ZXing for
// the two-dimensional kinds zbar does not read), in every quarter turn, with check digits and
// Chinese text; values a kind cannot hold, unknown kinds and absurd settings draw an empty box with
// a red reason; the value comes from Expression, the bound field or Text; layouts keep the objects.

#include "report/draw/frxBarcodeSymbol.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"

#include <QBuffer>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifdef WAYBILL_HAVE_ZXING
#define ZX_USE_UTF8
#include <ZXing/ReadBarcode.h>
#endif

#include <cmath>
#include <limits>

namespace {

constexpr double kScale = 300.0 / 96.0; // 300 dpi
constexpr int kMargin = 60;             // white around the object, as a scanner wants

// The object drawn alone on white paper at 300 dpi.
QImage Render(TfrxView &view)
{
    const int width = int(std::ceil(view.Width() * kScale)) + 2 * kMargin;
    const int height = int(std::ceil(view.Height() * kScale)) + 2 * kMargin;
    QImage image(std::max(width, 2 * kMargin), std::max(height, 2 * kMargin), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TfrxCanvas canvas(painter, TfrxCanvas::ckPrinter, 300, 300);
    view.SetIsPrinting(true);
    view.Draw(canvas, kScale, kScale, kMargin, kMargin);
    view.SetIsPrinting(false);
    return image;
}

// What zbarimg reads in an image: one "TYPE:text" line per symbol.
QStringList Zbar(const QImage &image)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("symbol.png"));
    image.save(file);
    QProcess process;
    process.start(QStringLiteral("zbarimg"),
                  {QStringLiteral("-q"), QStringLiteral("-Supca.enable"), QStringLiteral("-Supce.enable"),
                   QStringLiteral("-Sisbn10.disable"), QStringLiteral("-Sisbn13.disable"), file});
    if (!process.waitForStarted(5000))
        return {QStringLiteral("zbarimg could not be started (scripts/setup.sh installs zbar-tools)")};
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// What ZXing reads, in zbarimg's form ("DataMatrix:text").
QStringList ZXingRead(const QImage &image)
{
#ifdef WAYBILL_HAVE_ZXING
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                                int(gray.bytesPerLine()));
    QStringList found;
    // The general detector of this ZXing misses crisp Data Matrix symbols that its detector for a
    // lone, upright symbol reads; the images here hold one symbol each.
    for (bool pure : {false, true}) {
        hints.setIsPure(pure);
        for (const ZXing::Result &result : ZXing::ReadBarcodes(view, hints))
            if (result.isValid())
                found << QString::fromStdString(ZXing::ToString(result.format())) + QLatin1Char(':') +
                             QString::fromStdString(result.text());
        if (!found.isEmpty())
            break;
    }
    return found;
#else
    Q_UNUSED(image);
    return {QStringLiteral("built without ZXing (scripts/setup.sh installs libzxing-dev)")};
#endif
}

bool HasRed(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 110 && c.blue() < 110)
                return true;
        }
    return false;
}

bool HasBlack(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0, 0, 0))
                return true;
    return false;
}

struct Page {
    TfrxReport Report;
    TfrxReportPage *ReportPage;
    Page() : ReportPage(new TfrxReportPage(&Report)) {}
};

} // namespace

class TestBarcode : public QObject {
    Q_OBJECT

private slots:
    // Each kind, drawn and read back: the decoder sees the value, with the check digits the kind
    // adds, whichever way the symbol is turned.
    void decodesEveryKind_data()
    {
        QTest::addColumn<QString>("barType");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("checkSum");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QString>("expected");

        for (int rotation : {0, 90, 180, 270})
            QTest::addRow("Code 128, %d", rotation)
                << "bcCode128"
                << "SF1402781936504" << false << rotation << "CODE-128:SF1402781936504";
        QTest::newRow("Code 128 A") << "bcCode128A"
                                    << "WAYBILL 42" << false << 0 << "CODE-128:WAYBILL 42";
        QTest::newRow("Code 128 B") << "bcCode128B"
                                    << "Order-77a" << false << 0 << "CODE-128:Order-77a";
        QTest::newRow("Code 128 C") << "bcCode128C"
                                    << "20261201" << false << 0 << "CODE-128:20261201";
        QTest::newRow("Code 39") << "bcCode39"
                                 << "WAYBILL-42" << false << 0 << "CODE-39:WAYBILL-42";
        // Modulo 43: A=10, B=11, C=12 add up to 33, the character X.
        QTest::newRow("Code 39, check") << "bcCode39"
                                        << "ABC" << true << 90 << "CODE-39:ABCX";
        QTest::newRow("Code 39 extended") << "bcCode39Extended"
                                          << "AB-12" << false << 0 << "CODE-39:AB-12";
        QTest::newRow("Code 93") << "bcCode93"
                                 << "CODE 93" << false << 0 << "CODE-93:CODE 93";
        QTest::newRow("Code 93 extended") << "bcCode93Extended"
                                          << "Code93" << false << 0 << "CODE-93:Code93";
        QTest::newRow("2 of 5 interleaved") << "bcCode_2_5_interleaved"
                                            << "12345678" << false << 180 << "I2/5:12345678";
        // Check digit of 1234567: 3·(1+3+5+7) + (2+4+6) = 60, so 0.
        QTest::newRow("2 of 5 interleaved, check") << "bcCode_2_5_interleaved"
                                                   << "1234567" << true << 0 << "I2/5:12345670";
        QTest::newRow("Codabar") << "bcCodeCodabar"
                                 << "A40156B" << false << 270 << "Codabar:A40156B";
        QTest::newRow("Codabar, bare value") << "bcCodeCodabar"
                                             << "40156" << false << 0 << "Codabar:A40156B";
        // The check digit is computed from twelve digits and printed as the thirteenth.
        QTest::newRow("EAN-13") << "bcCodeEAN13"
                                << "690123456789" << true << 0 << "EAN-13:6901234567892";
        QTest::newRow("EAN-13, full") << "bcCodeEAN13"
                                      << "6901234567892" << false << 90 << "EAN-13:6901234567892";
        QTest::newRow("EAN-8") << "bcCodeEAN8"
                               << "1234567" << true << 0 << "EAN-8:12345670";
        QTest::newRow("UPC-A") << "bcCodeUPC_A"
                               << "01234567890" << true << 0 << "UPC-A:012345678905";
        QTest::newRow("UPC-E") << "bcCodeUPC_E0"
                               << "123456" << true << 0 << "UPC-E:01234565";
        QTest::newRow("GS1-128") << "bcCodeEAN128B"
                                 << "(01)09501101530003" << false << 0 << "CODE-128:0109501101530003";
        QTest::newRow("QR, Chinese") << "bcCodeQR"
                                     << "欧阳娜娜 13912345678 浙江省杭州市西湖区文三路 90 号" << false << 0
                                     << "QR-Code:欧阳娜娜 13912345678 浙江省杭州市西湖区文三路 90 号";
        // Without saying UTF-8 these bytes pass for Shift JIS.
        QTest::newRow("QR, short Chinese") << "bcCodeQR"
                                           << "李强 18186626738" << false << 0 << "QR-Code:李强 18186626738";
        for (int rotation : {90, 180, 270})
            QTest::addRow("QR, %d", rotation)
                << "bcCodeQR"
                << "SF1402781936504" << false << rotation << "QR-Code:SF1402781936504";
        QTest::newRow("Data Matrix") << "bcCodeDataMatrix"
                                     << "SF1402781936504 收件人" << false << 0
                                     << "DataMatrix:SF1402781936504 收件人";
        QTest::newRow("PDF417") << "bcCodePDF417"
                                << "SF1402781936504 李强" << false << 0 << "PDF417:SF1402781936504 李强";
    }
    void decodesEveryKind()
    {
        QFETCH(QString, barType);
        QFETCH(QString, value);
        QFETCH(bool, checkSum);
        QFETCH(int, rotation);
        QFETCH(QString, expected);

        std::unique_ptr<TfrxBarcodeBase> view;
        const bool twoD = frxIsBarcode2DType(barType);
        if (twoD) {
            auto *code = new TfrxBarcode2DView;
            code->BarProperties()->SetQuietZone(0);
            view.reset(code);
            view->SetBounds(0, 0, 160, barType == QLatin1String("bcCodePDF417") ? 80 : 160);
        } else {
            auto *code = new TfrxBarCodeView;
            code->SetCalcCheckSum(checkSum);
            view.reset(code);
            view->SetBounds(0, 0, 300, 90);
        }
        view->SetBarType(barType);
        view->SetText(value);
        view->SetRotation(rotation);
        if (rotation % 180 != 0)
            view->SetBounds(0, 0, view->Height(), view->Width());

        const QImage image = Render(*view);
        if (qEnvironmentVariableIsSet("BARCODE_DUMP"))
            image.save(QStringLiteral("/tmp/bc-%1.png")
                           .arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_')));
        QVERIFY(!HasRed(image));
        const bool zbarReads = !expected.startsWith(QLatin1String("DataMatrix")) &&
                               !expected.startsWith(QLatin1String("PDF417"));
        const QStringList found = zbarReads ? Zbar(image) : ZXingRead(image);
        QCOMPARE(found, QStringList{expected});
    }

    // The kinds no installed decoder reads still draw their modules: as many bars as the symbol
    // has, across the whole width of the box.
    void drawsKindsWithoutDecoder_data()
    {
        QTest::addColumn<QString>("barType");
        QTest::addColumn<QString>("value");
        QTest::newRow("2 of 5 industrial") << "bcCode_2_5_industrial"
                                           << "123456";
        QTest::newRow("2 of 5 matrix") << "bcCode_2_5_matrix"
                                       << "123456";
        QTest::newRow("MSI") << "bcCodeMSI"
                             << "123456";
        QTest::newRow("PostNet") << "bcCodePostNet"
                                 << "12345";
        QTest::newRow("UPC-E1") << "bcCodeUPC_E1"
                                << "123456";
        QTest::newRow("supplement 2") << "bcCodeUPC_Supp2"
                                      << "12";
        QTest::newRow("supplement 5") << "bcCodeUPC_Supp5"
                                      << "12345";
    }
    void drawsKindsWithoutDecoder()
    {
        QFETCH(QString, barType);
        QFETCH(QString, value);
        TfrxBarCodeView view;
        view.SetBounds(0, 0, 300, 90);
        view.SetBarType(barType);
        view.SetText(value);
        view.SetShowText(false);
        const TfrxBarcodeSymbol symbol = frxEncodeBarcode(barType, value, {});
        QVERIFY(symbol.Valid);
        int bars = 0;
        for (int column = 0; column < symbol.Columns; ++column)
            bars += symbol.Dark(symbol.Rows - 1, column) &&
                    (column == 0 || !symbol.Dark(symbol.Rows - 1, column - 1));

        const QImage image = Render(view);
        const int y = kMargin + int(view.Height() * kScale) - 3; // across the bottom of every bar
        int drawn = 0, first = -1, last = -1;
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0, 0, 0)) {
                drawn += x == 0 || image.pixel(x - 1, y) != qRgb(0, 0, 0);
                last = x;
                if (first < 0)
                    first = x;
            }
        QCOMPARE(drawn, bars);
        QVERIFY(!HasRed(image));
        // On a raster every bar and gap is a whole number of narrow modules, each the same number
        // of pixels, and the symbol sits in the middle of the box with a quiet zone either side.
        QVector<int> runs;
        for (int x = first, start = first; x <= last + 1; ++x)
            if (x == last + 1 || (image.pixel(x, y) == qRgb(0, 0, 0)) != (image.pixel(start, y) == qRgb(0, 0, 0))) {
                runs << x - start;
                start = x;
            }
        const int narrow = *std::min_element(runs.begin(), runs.end());
        QVERIFY(narrow >= 1);
        for (int run : runs)
            QVERIFY2(run % narrow == 0, qPrintable(QStringLiteral("run of %1 px, module %2 px").arg(run).arg(narrow)));
        const int boxRight = kMargin + int(300 * kScale);
        QVERIFY2(first > kMargin && last < boxRight - 1 && std::abs((first - kMargin) - (boxRight - 1 - last)) <= 2,
                 qPrintable(QStringLiteral("bars from %1 to %2").arg(first).arg(last)));
    }

    // Values a kind cannot hold, unknown kinds and absurd settings: an empty box with a red reason,
    // no bars, no crash.
    void refusesWhatCannotBeEncoded_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("barType");
        QTest::addColumn<QString>("value");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<double>("ratio");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const QString huge(10000, QLatin1Char('7'));
        QTest::newRow("letters in EAN-13") << "TfrxBarCodeView"
                                           << "bcCodeEAN13"
                                           << "69012345678A" << 1.0 << 2.0;
        QTest::newRow("wrong check digit") << "TfrxBarCodeView"
                                           << "bcCodeEAN13"
                                           << "6901234567890" << 1.0 << 2.0;
        QTest::newRow("empty value") << "TfrxBarCodeView"
                                     << "bcCode128"
                                     << "" << 1.0 << 2.0;
        QTest::newRow("empty QR") << "TfrxBarcode2DView"
                                  << "bcCodeQR"
                                  << "" << 1.0 << 2.0;
        QTest::newRow("Chinese in Code 128") << "TfrxBarCodeView"
                                             << "bcCode128"
                                             << "收件人" << 1.0 << 2.0;
        QTest::newRow("unknown kind") << "TfrxBarCodeView"
                                      << "bcCodeNoSuch"
                                      << "123" << 1.0 << 2.0;
        QTest::newRow("2D kind in 1D object") << "TfrxBarCodeView"
                                              << "bcCodeQR"
                                              << "123" << 1.0 << 2.0;
        QTest::newRow("unknown 2D kind") << "TfrxBarcode2DView"
                                         << "bcCode128"
                                         << "123" << 1.0 << 2.0;
        QTest::newRow("10,000 characters") << "TfrxBarCodeView"
                                           << "bcCode128" << huge << 1.0 << 2.0;
        QTest::newRow("10,000 characters in QR") << "TfrxBarcode2DView"
                                                 << "bcCodeQR" << huge << 1.0 << 2.0;
        QTest::newRow("zoom 0") << "TfrxBarcode2DView"
                                << "bcCodeQR"
                                << "123" << 0.0 << 2.0;
        QTest::newRow("zoom NaN") << "TfrxBarCodeView"
                                  << "bcCode128"
                                  << "123" << nan << 2.0;
        QTest::newRow("zoom 1e300") << "TfrxBarcode2DView"
                                    << "bcCodeQR"
                                    << "123" << 1e300 << 2.0;
        QTest::newRow("ratio NaN") << "TfrxBarCodeView"
                                   << "bcCode39"
                                   << "123" << 1.0 << nan;
        QTest::newRow("ratio 1000") << "TfrxBarCodeView"
                                    << "bcCode39"
                                    << "123" << 1.0 << 1000.0;
    }
    void refusesWhatCannotBeEncoded()
    {
        QFETCH(QString, className);
        QFETCH(QString, barType);
        QFETCH(QString, value);
        QFETCH(double, zoom);
        QFETCH(double, ratio);
        std::unique_ptr<TfrxComponent> component(frxCreateComponent(className, nullptr));
        auto *view = qobject_cast<TfrxBarcodeBase *>(component.get());
        QVERIFY(view);
        view->SetBounds(0, 0, 200, 120);
        view->SetBarType(barType);
        view->SetText(value);
        view->SetZoom(zoom);
        if (auto *oneD = qobject_cast<TfrxBarCodeView *>(view))
            oneD->SetWideBarRatio(ratio);
        const QImage image = Render(*view);
        QVERIFY(HasRed(image));
        QVERIFY(!HasBlack(image));
    }

    // Boxes without room draw nothing and do not fail; settings beyond reason never crash.
    void emptyBoxesDrawNothing()
    {
        for (const char *className : {"TfrxBarCodeView", "TfrxBarcode2DView", "TfrxQRcode"})
            for (const QSizeF size : {QSizeF(0, 0), QSizeF(-20, -5), QSizeF(0.1, 0.1), QSizeF(3, 200)}) {
                std::unique_ptr<TfrxComponent> component(
                    frxCreateComponent(QString::fromLatin1(className), nullptr));
                auto *view = qobject_cast<TfrxBarcodeBase *>(component.get());
                view->SetBounds(0, 0, size.width(), size.height());
                view->SetText(QStringLiteral("SF1402781936504"));
                view->SetRotation(-90);
                Render(*view); // must simply return
            }
        auto *view = new TfrxBarcode2DView;
        std::unique_ptr<TfrxBarcode2DView> owner(view);
        view->SetBounds(0, 0, 100, 100);
        view->SetText(QStringLiteral("x"));
        view->BarProperties()->SetQuietZone(2000000000);
        QVERIFY(HasRed(Render(*view)));
        view->BarProperties()->SetQuietZone(0);
        view->BarProperties()->SetPixelSize(-5); // no size of its own: the symbol fits the box
        QVERIFY(HasBlack(Render(*view)));
    }

    // The value: Expression first, then the bound field, then Text with its brackets expanded.
    void valueComesFromExpressionFieldOrText()
    {
        TfrxReport report;
        TfrxUserDataSet data;
        data.SetUserName(QStringLiteral("FD"));
        data.OnGetValue = [](const QString &name, Variant &value) {
            value = Variant(name == QLatin1String("No") ? QStringLiteral("SF42") : QStringLiteral("ZT7"));
        };
        report.Datasets()->Add(&data);
        auto *page = new TfrxReportPage(&report);
        auto *code = new TfrxBarCodeView(page);

        code->SetText(QStringLiteral("No. [FD.\"No\"]"));
        code->ComputeData();
        QCOMPARE(code->Text(), QStringLiteral("No. SF42"));

        code->SetText(QStringLiteral("sample"));
        code->SetDataSet(&data);
        code->SetDataField(QStringLiteral("No"));
        code->ComputeData();
        QCOMPARE(code->Text(), QStringLiteral("SF42"));

        code->SetExpression(QStringLiteral("FD.\"Alt\""));
        code->ComputeData();
        QCOMPARE(code->Text(), QStringLiteral("ZT7"));
    }

    // A layout keeps every attribute of the objects, and writing what it read gives the same bytes;
    // the two QR classes of older layouts load as QR codes under their own names.
    void layoutsKeepBarcodes()
    {
        QFile fixture(QStringLiteral(WAYBILL_FIXTURES "/barcodes.fr3"));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QByteArray original = fixture.readAll();
        TfrxReport report;
        QBuffer in;
        in.setData(original);
        in.open(QIODevice::ReadOnly);
        frxLoadFromStream(report, &in);
        QCOMPARE(report.Errors(), QStringList());

        auto *code = qobject_cast<TfrxBarCodeView *>(report.FindObject(QStringLiteral("BarCode1")));
        QVERIFY(code);
        QCOMPARE(code->BarType(), QStringLiteral("bcCode128"));
        QCOMPARE(code->Rotation(), 90);
        QCOMPARE(code->WideBarRatio(), 2.5);
        QVERIFY(code->CalcCheckSum());
        QVERIFY(!code->ShowText());
        auto *qr = qobject_cast<TfrxBarcode2DView *>(report.FindObject(QStringLiteral("Barcode2D1")));
        QVERIFY(qr);
        QCOMPARE(qr->BarProperties()->ErrorLevels(), TfrxBarcode2DProperties::ecLevelH);
        QCOMPARE(qr->BarProperties()->QuietZone(), 2);
        QCOMPARE(qr->BarProperties()->Encoding(), TfrxBarcode2DProperties::qrUTF8NoBOM);
        QVERIFY(qobject_cast<TfrxQRcode *>(report.FindObject(QStringLiteral("QRcode1"))));
        QVERIFY(qobject_cast<TfrxQRCode *>(report.FindObject(QStringLiteral("QRCode2"))));
        auto *unknown = qobject_cast<TfrxBarCodeView *>(report.FindObject(QStringLiteral("BarCode2")));
        QVERIFY(unknown);
        QCOMPARE(unknown->BarType(), QStringLiteral("bcCodeFromTheFuture")); // kept, drawn as a note

        QBuffer out;
        out.open(QIODevice::WriteOnly);
        frxSaveToStream(report, &out);
        QCOMPARE(out.data(), original);
    }
};

QTEST_MAIN(TestBarcode)
#include "tst_barcode.moc"

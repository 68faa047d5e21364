// Barcodes on the ready templates, end to end: the demo orders printed to PDF through waybill-cli,
// every page rasterised at 300 dpi and read back with zbarimg (each order's number as Code 128, and
// on the electronic waybill its receiver, telephone and address as a QR code); the bars are vector
// paths, not pictures; a page rendered with --png reads back at a thermal printer's, an office
// printer's and a fine resolution, the form's scan around it; the ready layouts keep their codes
// through a resave.
#include "TestHome.h"
#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "cli/CliCommands.h"

#include <QImage>
#include <QProcess>
#include <QTest>

namespace {

int RunCli(const QStringList &args)
{
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    return Cli::Run(args, out, err);
}

QString Tool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return QStringLiteral("%1 could not be started (scripts/setup.sh installs it)").arg(program);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The demo file's numbers and telephones as the templates print them.
QString Bare(QString value)
{
    if (value.startsWith(QLatin1String("=\"")))
        value = value.mid(2, value.size() - 3);
    if (value.startsWith(QLatin1Char('\'')))
        value = value.mid(1);
    return value;
}

} // namespace

class TestBarcodes : public QObject {
    Q_OBJECT

    TestHome m_home;
    QString m_orders;

private slots:
    void initTestCase()
    {
        const QString data = QStringLiteral(WAYBILL_SOURCE_DIR "/data/");
        CopyTree(data + "config", m_home.FilePath("config"));
        CopyTree(data + "template", m_home.FilePath("template"));
        m_orders = data + "orders/demo-orders.csv";
        InitGlobals(m_home.Path());
        QCOMPARE(TemplateList.size(), 3);
    }

    void everyWaybillCarriesItsCodes_data()
    {
        QTest::addColumn<int>("templateIndex");
        QTest::addColumn<bool>("qr");
        QTest::newRow("通用快递单") << 0 << false;
        QTest::newRow("标准快递单") << 1 << false;
        QTest::newRow("电子面单") << 2 << true;
    }
    void everyWaybillCarriesItsCodes()
    {
        QFETCH(int, templateIndex);
        QFETCH(bool, qr);
        const int first = 4, last = 9;
        QTemporaryDir dir;
        const QString pdf = dir.filePath("out.pdf");
        QCOMPARE(RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template",
                         QString::number(templateIndex), "--rows",
                         QStringLiteral("%1-%2").arg(first).arg(last), "--pdf", pdf}),
                 0);

        // Bars are drawn as paths: the PDF holds no picture at all (the form's scan does not print).
        const QStringList images = Tool("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(images.size(), 2); // the two header lines only

        Tool("pdftoppm", {"-r", "300", "-png", pdf, dir.filePath("page")});
        ImportOrders(m_orders);
        const QStringList pages = QDir(dir.path()).entryList({"page-*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(pages.size(), last - first + 1);
        for (int k = 0; k < pages.size(); ++k) {
            const THashTable &row = OrderRows[size_t(first - 1 + k)];
            QStringList expected{"CODE-128:" + Bare(row.LookupValue("C1"))};
            if (qr)
                expected << "QR-Code:" + row.LookupValue("C13") + ' ' + Bare(row.LookupValue("C17")) + ' ' +
                                row.LookupValue("C14");
            QStringList found =
                Tool("zbarimg", {"-q", dir.filePath(pages[k])}).split('\n', Qt::SkipEmptyParts);
            found.sort();
            expected.sort();
            QCOMPARE(found, expected);
        }
    }

    // On a raster the bars are whole pixels with room around them, so the code reads although the
    // form's scan draws lines and boxes right beside the object.
    void pngPagesCarryReadableCodes_data()
    {
        QTest::addColumn<int>("templateIndex");
        QTest::addColumn<int>("dpi");
        for (int t = 0; t < 3; ++t)
            for (int dpi : {203, 300, 600})
                QTest::addRow("template %d at %d dpi", t, dpi) << t << dpi;
    }
    void pngPagesCarryReadableCodes()
    {
        QFETCH(int, templateIndex);
        QFETCH(int, dpi);
        QTemporaryDir dir;
        const QString png = dir.filePath("page.png");
        QCOMPARE(RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template",
                         QString::number(templateIndex), "--rows", "2-2", "--png", png, "--dpi",
                         QString::number(dpi)}),
                 0);
        const QImage image(png);
        QCOMPARE(image.dotsPerMeterX(), qRound(dpi / 0.0254));
        ImportOrders(m_orders);
        const QString number = Bare(OrderRows[1].LookupValue("C1"));
        QVERIFY2(Tool("zbarimg", {"-q", png}).split('\n').contains("CODE-128:" + number),
                 qPrintable(number));
    }

    void pngResolutionOutsideItsRangeIsRefused()
    {
        QTemporaryDir dir;
        for (const char *dpi : {"71", "1201", "abc"})
            QCOMPARE(RunCli({"--home", m_home.Path(), "print", "--orders", m_orders, "--template", "0",
                             "--png", dir.filePath("page.png"), "--dpi", dpi}),
                     2);
        QVERIFY(!QFile::exists(dir.filePath("page.png")));
    }

    // A bare resave has no order dataset to bind the report to (the print driver brings it), so
    // the report's own line may change; the code objects come out byte for byte, and a second
    // resave changes nothing.
    void readyLayoutsResaveTheirCodesUnchanged()
    {
        QTemporaryDir dir;
        auto codeLines = [](const QString &path) {
            QFile file(path);
            QList<QByteArray> lines;
            if (file.open(QIODevice::ReadOnly))
                for (const QByteArray &line : file.readAll().split('\n'))
                    if (line.contains("<TfrxBarCodeView ") || line.contains("<TfrxBarcode2DView "))
                        lines << line;
            return lines;
        };
        auto bytes = [](const QString &path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        for (const auto &entry : TemplateList) {
            const QString source = entry->LayoutPath();
            const QString once = dir.filePath(QFileInfo(source).fileName());
            const QString twice = once + QStringLiteral(".again");
            QCOMPARE(RunCli({"layout", "resave", source, once}), 0);
            QCOMPARE(RunCli({"layout", "resave", once, twice}), 0);
            QVERIFY(!codeLines(source).isEmpty());
            QCOMPARE(codeLines(once), codeLines(source));
            QVERIFY2(bytes(once) == bytes(twice), qPrintable(source));
        }
    }
};

QTEST_MAIN(TestBarcodes)
#include "tst_barcodes.moc"

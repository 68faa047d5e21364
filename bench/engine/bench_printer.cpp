// The printer layer's PDF path with waybill-like pages: 230 × 127 mm sheets, a background picture
// the size of the form and 15 lines of text each, printed to a file. Prints the time per 1,000
// pages, the size of the PDF (the background must be stored once, not once per page) and the peak
// memory after 1,000 and after 10,000 pages (drawing must not hold on to finished pages).

#include "engine/frxPrinter.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Peak resident memory of the process in kilobytes (Linux: VmHWM), 0 where unknown.
qint64 PeakKB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// A scanned carrier form stand-in: a few hundred KB as JPEG.
QImage Background()
{
    QImage image(1400, 780, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QRandomGenerator random(42);
    for (int i = 0; i < 1200; ++i) {
        painter.setPen(QColor::fromRgb(random.bounded(256), random.bounded(256), random.bounded(256)));
        painter.drawLine(random.bounded(1400), random.bounded(780), random.bounded(1400),
                         random.bounded(780));
    }
    painter.end();
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 45);
    std::printf("background picture: %lld KB as JPEG\n", qint64(jpeg.size() / 1024));
    return QImage::fromData(jpeg, "JPEG");
}

// Prints pages to file; copyPicture draws a fresh copy of the picture on every page (what a
// drawing that decodes the picture per page would hand the device).
double PrintPages(TfrxCustomPrinter *printer, const QString &file, int pages, const QImage &background,
                  bool copyPicture)
{
    QElapsedTimer timer;
    timer.start();
    printer->SetFileName(file);
    printer->ApplyPrintParams(256, frx::poPortrait, 1, frx::dmNone, 7, 127, 230);
    printer->OpenDocument();
    const double scaleX = printer->DPI().x() / 96.0, scaleY = printer->DPI().y() / 96.0;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(10);
    for (int page = 0; page < pages; ++page) {
        printer->OpenPage();
        QPainter *painter = printer->Canvas()->Painter();
        const QRectF sheet(0, 0, 230 * 3.77953 * scaleX, 127 * 3.77953 * scaleY);
        painter->drawImage(sheet, copyPicture ? background.copy() : background);
        printer->Canvas()->SetFont(font);
        for (int line = 0; line < 15; ++line)
            painter->drawText(QPointF((40 + (line % 3) * 250) * scaleX, (60 + line * 25) * scaleY),
                              QStringLiteral("Order %1 field %2: Receiver address 123").arg(page).arg(line));
        printer->ClosePage();
    }
    printer->CloseDocument();
    printer->SetFileName(QString());
    return timer.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QImage background = Background();
    TfrxCustomPrinter *printer = Printers().CurrentPrinter();
    std::printf("printer: %s, %d dpi\n", qPrintable(printer->Name()), printer->DPI().x());

    const QString small = dir.filePath(QStringLiteral("1000.pdf"));
    const double seconds = PrintPages(printer, small, 1000, background, false);
    const qint64 peak1000 = PeakKB();
    std::printf("1,000 pages: %.2f s (%.0f pages/s)\n", seconds, 1000 / seconds);
    std::printf("1,000 pages: PDF %.2f MB\n", QFileInfo(small).size() / 1048576.0);
    std::printf("peak memory after 1,000 pages: %lld KB\n", peak1000);
    QFile::remove(small);

    const QString large = dir.filePath(QStringLiteral("10000.pdf"));
    const double secondsLarge = PrintPages(printer, large, 10000, background, false);
    const qint64 peak10000 = PeakKB();
    std::printf("10,000 pages: %.2f s, PDF %.2f MB\n", secondsLarge, QFileInfo(large).size() / 1048576.0);
    std::printf("peak memory after 10,000 pages: %lld KB (%.2f times the peak after 1,000)\n", peak10000,
                peak1000 > 0 ? double(peak10000) / peak1000 : 0.0);
    QFile::remove(large);

    const QString copies = dir.filePath(QStringLiteral("copies.pdf"));
    PrintPages(printer, copies, 50, background, true);
    std::printf("picture copied on every page: %.0f KB of PDF per page\n",
                QFileInfo(copies).size() / 1024.0 / 50);
    return 0;
}

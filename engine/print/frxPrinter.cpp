#include "engine/print/frxPrinter.h"

#include "platform/SafeFile.h"
#include "platform/Ui.h"
#include "report/core/frxRes.h"
#include "report/model/frxPaper.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cmath>
#include <mutex>

namespace {
// The PDF writer does not report a write that failed (a full disk, a device that takes nothing):
// a file that lacks its end-of-file marker was cut short.
bool CompletePdf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16)
        return false;
    file.seek(file.size() - 16);
    return file.read(16).contains("%%EOF");
}
} // namespace

using namespace frx;

namespace {

int RoundMM(double deviceUnits, int dpi)
{
    return int(frxRoundEven(deviceUnits / dpi * 25.4));
}

int PointsToPixels(double points, int dpi)
{
    return qRound(points * dpi / 72.0);
}

double ToPoints(double value, QPageLayout::Unit unit)
{
    switch (unit) {
    case QPageLayout::Millimeter:
        return value * 72.0 / 25.4;
    case QPageLayout::Point:
        return value;
    case QPageLayout::Inch:
        return value * 72.0;
    case QPageLayout::Pica:
        return value * 12.0;
    case QPageLayout::Didot:
        return value * 1.07;
    case QPageLayout::Cicero:
        return value * 12.84;
    }
    return value;
}

// A sheet's side must be positive and fit the page limit of the PDF we draw into (200 inches).
constexpr double MaxSheetMM = 5080;

bool UsableSide(double mm)
{
    return std::isfinite(mm) && mm > 0 && mm <= MaxSheetMM;
}

// "230", "230.5": tenths of a millimetre written as millimetres.
QString TenthsAsMM(int tenths)
{
    return tenths % 10 == 0 ? QString::number(tenths / 10) : QString::number(tenths / 10.0, 'f', 1);
}

// The platform's bin numbers for the paper sources drivers commonly name; other sources get
// numbers from 256 up, as drivers number their own.
int StandardBinCode(const QString &keyword)
{
    QString key = keyword.toLower();
    key.remove(u'-');
    key.remove(u'_');
    key.remove(u' ');
    static const QList<QPair<QString, int>> known = {
        {QStringLiteral("upper"), 1},
        {QStringLiteral("onlyone"), 1},
        {QStringLiteral("top"), 1},
        {QStringLiteral("main"), 1},
        {QStringLiteral("lower"), 2},
        {QStringLiteral("bottom"), 2},
        {QStringLiteral("middle"), 3},
        {QStringLiteral("manual"), 4},
        {QStringLiteral("manualfeed"), 4},
        {QStringLiteral("envelope"), 5},
        {QStringLiteral("envelopefeed"), 5},
        {QStringLiteral("envmanual"), 6},
        {QStringLiteral("envelopemanual"), 6},
        {QStringLiteral("auto"), 7},
        {QStringLiteral("autoselect"), 7},
        {QStringLiteral("automatic"), 7},
        {QStringLiteral("tractor"), 8},
        {QStringLiteral("smallformat"), 9},
        {QStringLiteral("largeformat"), 10},
        {QStringLiteral("largecapacity"), 11},
        {QStringLiteral("cassette"), 14},
        {QStringLiteral("formsource"), 15},
    };
    for (const auto &entry : known)
        if (entry.first == key)
            return entry.second;
    return 0;
}

bool IsStandardPaper(int code)
{
    double width = 0, height = 0;
    return frxStandardPaperSize(code, width, height);
}

int DuplexOf(QPrinter::DuplexMode mode)
{
    switch (mode) {
    case QPrinter::DuplexLongSide:
    case QPrinter::DuplexAuto:
        return 2;
    case QPrinter::DuplexShortSide:
        return 3;
    case QPrinter::DuplexNone:
        break;
    }
    return 1;
}

} // namespace

namespace frxPrinterTexts {
QString NotValid()
{
    return frxGet(QStringLiteral("prNotValid"));
}
QString NoPrinters()
{
    return frxGet(QStringLiteral("prNoPrinters"));
}
QString DocumentTitle()
{
    return frxGet(QStringLiteral("prDocTitle"));
}
} // namespace frxPrinterTexts

// ---------------------------------------------------------------------------------------------
// Canvas

QPainter *TfrxPrinterCanvas::Painter()
{
    return m_painter.isActive() && m_printer->m_pageOpen ? &m_painter : nullptr;
}

QPoint TfrxPrinterCanvas::DPI() const
{
    return m_printer->DPI();
}

void TfrxPrinterCanvas::SetFont(const QFont &font)
{
    if (QPainter *painter = Painter())
        painter->setFont(QFont(font, painter->device()));
}

// ---------------------------------------------------------------------------------------------
// Printer

// A run of pages that share their job options: one PDF, one job of the print system.
struct TfrxCustomPrinter::Segment {
    std::unique_ptr<QTemporaryFile> File; // the PDF of a job for the print system
    QString Path;
    PrintSystem::JobOptions Options;
    int Pages = 0;
};

TfrxCustomPrinter::TfrxCustomPrinter(const QString &name, const QString &port)
    : m_name(name), m_port(port), m_canvas(this)
{
}

TfrxCustomPrinter::~TfrxCustomPrinter()
{
    if (m_printing) {
        // A document left open is abandoned, never printed half-way.
        m_pageOpen = false;
        if (m_canvas.m_painter.isActive())
            m_canvas.m_painter.end();
        m_device.reset();
        m_output.reset(); // the file printed to stays as it was
    }
}

QPageLayout TfrxCustomPrinter::SheetOf(const TfrxDeviceMode &mode)
{
    double width = 0, height = 0;
    if (mode.PaperSize == frxCustomPaper) {
        width = mode.PaperWidth / 10.0;
        height = mode.PaperLength / 10.0;
    } else if (!frxStandardPaperSize(mode.PaperSize, width, height)) {
        return QPageLayout();
    }
    if (!UsableSide(width) || !UsableSide(height))
        return QPageLayout();
    QPageSize size(QSizeF(width, height), QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    return QPageLayout(size, mode.Orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(), QPageLayout::Point);
}

bool TfrxCustomPrinter::UpdateDeviceCaps()
{
    TfrxDeviceCaps caps;
    if (!ReadDeviceCaps(m_devMode, caps) || caps.LogPixelsX <= 0 || caps.LogPixelsY <= 0) {
        Ui::Message(frxPrinterTexts::NotValid(), frxGet(QStringLiteral("SError")), UiIcon::Error);
        return false;
    }
    m_caps = caps;
    const int dpiX = caps.LogPixelsX, dpiY = caps.LogPixelsY;
    m_dpi = QPoint(dpiX, dpiY);
    m_paperHeight = RoundMM(caps.PhysicalHeight, dpiY);
    m_paperWidth = RoundMM(caps.PhysicalWidth, dpiX);
    m_leftMargin = RoundMM(caps.PhysicalOffsetX, dpiX);
    m_topMargin = RoundMM(caps.PhysicalOffsetY, dpiY);
    m_rightMargin = m_paperWidth - RoundMM(caps.HorzRes, dpiX) - m_leftMargin;
    m_bottomMargin = m_paperHeight - RoundMM(caps.VertRes, dpiY) - m_topMargin;
    return true;
}

void TfrxCustomPrinter::TakeDefaults()
{
    m_defPaper = m_paper = m_devMode.PaperSize;
    m_defBin = m_devMode.DefaultSource;
    m_defDuplex = m_devMode.Duplex;
    m_defPaperWidth = m_paperWidth;
    m_defPaperHeight = m_paperHeight;
    m_defOrientation = m_orientation = m_devMode.Orientation;
    m_bin = -1;
    m_duplex = -1;
    m_initialized = true;
}

void TfrxCustomPrinter::ApplyPrintParams(int paperCode, TPrinterOrientation orientation, int copies,
                                         TfrxDuplexMode duplex, int bin, double paperHeight,
                                         double paperWidth)
{
    if (!m_initialized)
        return;
    TfrxDeviceMode mode = m_devMode;
    // A paper number neither the driver nor the platform knows cannot be fed by number; the page's
    // own size is what the layout wants on the sheet.
    int code = paperCode;
    if (code != frxCustomPaper && PaperIndex(code) < 0 && !IsStandardPaper(code))
        code = frxCustomPaper;
    mode.PaperSize = code;
    if (code == frxCustomPaper) {
        if (!UsableSide(paperWidth) || !UsableSide(paperHeight))
            throw EPrinterError(
                QStringLiteral("The paper size %1 × %2 mm cannot be printed: each side must be "
                               "greater than 0 and at most %3 mm.")
                    .arg(paperWidth)
                    .arg(paperHeight)
                    .arg(MaxSheetMM));
        const bool portrait = orientation == poPortrait;
        mode.PaperWidth = int(frxRoundEven((portrait ? paperWidth : paperHeight) * 10));
        mode.PaperLength = int(frxRoundEven((portrait ? paperHeight : paperWidth) * 10));
    } else {
        mode.PaperWidth = 0;
        mode.PaperLength = 0;
    }
    mode.Orientation = orientation;
    mode.Copies = qMax(1, copies);
    mode.DefaultSource = bin == frxAutoBin ? (m_bin != -1 ? m_bin : m_defBin) : bin;

    // A one-sided job asked for by name is sent as such: leaving it out would let a printer that
    // defaults to two-sided printing turn the job over.
    int value = m_defDuplex;
    bool asked = false;
    if (duplex != dmNone) {
        value = int(duplex) + 1;
        if (value == 4)
            value = 1;
        asked = true;
    }
    if (m_duplex != -1) {
        value = m_duplex;
        asked = true;
    }
    mode.Duplex = value;
    mode.DuplexSet = value != 1 || asked;

    const TfrxDeviceMode previous = m_devMode;
    m_devMode = mode;
    if (UpdateDeviceCaps()) {
        m_paper = paperCode;
        m_orientation = orientation;
    } else {
        m_devMode = previous;
    }
}

void TfrxCustomPrinter::ApplyViewParams(int paperCode, TPrinterOrientation orientation, double paperHeight,
                                        double paperWidth)
{
    if (!m_initialized)
        return;
    const TfrxDeviceMode previous = m_devMode;
    const bool custom =
        paperCode == frxCustomPaper || (PaperIndex(paperCode) < 0 && !IsStandardPaper(paperCode));
    m_devMode.PaperSize = custom ? frxA4Paper : paperCode;
    m_devMode.PaperWidth = 0;
    m_devMode.PaperLength = 0;
    m_devMode.Orientation = orientation;
    if (!UpdateDeviceCaps()) {
        m_devMode = previous;
        return;
    }
    m_paper = paperCode;
    m_orientation = orientation;
    if (custom) {
        m_paperWidth = paperWidth;
        m_paperHeight = paperHeight;
    }
}

QString TfrxCustomPrinter::MediaName(const TfrxDeviceMode &mode) const
{
    if (mode.PaperSize == frxCustomPaper)
        return QStringLiteral("Custom.%1x%2mm")
            .arg(TenthsAsMM(mode.PaperWidth), TenthsAsMM(mode.PaperLength));
    double width = 0, height = 0;
    if (frxStandardPaperSize(mode.PaperSize, width, height)) {
        QString standard = PrintSystem::StandardMediaName(width, height);
        if (!standard.isEmpty())
            return standard;
        return QStringLiteral("Custom.%1x%2mm")
            .arg(TenthsAsMM(qRound(width * 10)), TenthsAsMM(qRound(height * 10)));
    }
    return QString();
}

QString TfrxCustomPrinter::SlotKeyword(int) const
{
    return QString();
}

PrintSystem::JobOptions TfrxCustomPrinter::JobOptionsOf(const TfrxDeviceMode &mode) const
{
    PrintSystem::JobOptions options;
    options.Title =
        m_docName.isEmpty() ? (m_title.isEmpty() ? frxPrinterTexts::DocumentTitle() : m_title) : m_docName;
    options.Copies = mode.Copies;
    // Copies that the driver makes are the uncollated ones: each page as often as asked, in turn.
    // A collated job draws its copies itself and sends one.
    options.Collate = false;
    options.Media = MediaName(mode);
    options.Landscape = mode.Orientation == poLandscape;
    if (mode.DuplexSet)
        options.Sides = mode.Duplex == 2   ? QStringLiteral("two-sided-long-edge")
                        : mode.Duplex == 3 ? QStringLiteral("two-sided-short-edge")
                                           : QStringLiteral("one-sided");
    options.SlotOption = SlotOption();
    options.Slot = SlotKeyword(mode.DefaultSource);
    return options;
}

QStringList TfrxCustomPrinter::JobOptionTexts() const
{
    return PrintSystem::OptionTexts(JobOptionsOf(m_devMode));
}

void TfrxCustomPrinter::OpenDocument()
{
    if (m_printing)
        return;
    if (!m_initialized)
        throw EPrinterError(frxPrinterTexts::NotValid());
    if (m_fileName.isEmpty()) {
        QString why;
        if (!CanOpenDevice(&why))
            throw EPrinterError(why);
    } else {
        // The pages go to a temporary file beside the target, made now so that a folder that cannot
        // take it stops the job before a single page is drawn; the target itself changes only when
        // the job is complete.
        auto output = std::make_unique<SafeFile::OutputFile>(m_fileName);
        QString why;
        if (!output->Open(why))
            throw EPrinterError(QStringLiteral("Cannot create the file %1: %2").arg(m_fileName, why));
        m_output = std::move(output);
    }
    m_docName = m_title.isEmpty() ? frxPrinterTexts::DocumentTitle() : m_title;
    m_jobIds.clear();
    m_segments.clear();
    m_drawError = false;
    m_pageOpen = false;
    m_printing = true;
}

void TfrxCustomPrinter::StartSegment()
{
    FinishDrawing();
    auto segment = std::make_shared<Segment>();
    if (m_fileName.isEmpty()) {
        segment->File =
            std::make_unique<QTemporaryFile>(QDir(QDir::tempPath()).filePath(QStringLiteral("frXXXXXX.pdf")));
        if (!segment->File->open())
            throw EPrinterError(QStringLiteral("Cannot create a temporary print file in %1: %2")
                                    .arg(QDir::tempPath(), segment->File->errorString()));
        segment->Path = segment->File->fileName();
        segment->File->close();
    } else {
        segment->Path = m_output ? m_output->TempPath() : m_fileName;
    }
    segment->Options = JobOptionsOf(m_devMode);

    m_device = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_device->setOutputFormat(QPrinter::PdfFormat);
    m_device->setOutputFileName(segment->Path);
    // A PDF device has one resolution; a queue with unequal ones draws at the vertical one and the
    // painter stretches the horizontal axis (see OpenPage).
    m_device->setResolution(m_caps.LogPixelsY);
    m_device->setDocName(m_docName);
    m_device->setCreator(QCoreApplication::applicationName());
    m_device->setFullPage(true);
    if (!m_device->setPageSize(m_caps.Sheet.pageSize()) ||
        !m_device->setPageOrientation(m_caps.Sheet.orientation()) ||
        !m_device->setPageMargins(QMarginsF(), QPageLayout::Point))
        throw EPrinterError(
            QStringLiteral("The print file cannot take the paper %1.").arg(m_caps.Sheet.pageSize().name()));
    if (!m_canvas.m_painter.begin(m_device.get())) {
        m_device.reset();
        throw EPrinterError(QStringLiteral("Cannot write the print file %1: %2")
                                .arg(ShownFileName(segment->Path),
                                     SafeFile::WriteFailure(segment->Path, QStringLiteral("it cannot be opened"))));
    }
    m_segments.append(segment);
}

void TfrxCustomPrinter::OpenPage()
{
    if (!m_printing)
        OpenDocument();
    if (m_pageOpen)
        ClosePage();
    if (!m_caps.Sheet.isValid())
        throw EPrinterError(frxPrinterTexts::NotValid());
    const PrintSystem::JobOptions options = JobOptionsOf(m_devMode);
    const bool split =
        m_fileName.isEmpty() && !m_segments.isEmpty() &&
        PrintSystem::OptionTexts(options) != PrintSystem::OptionTexts(m_segments.last()->Options);
    if (!m_device || !m_canvas.m_painter.isActive() || split) {
        StartSegment();
    } else {
        const QPageLayout current = m_device->pageLayout();
        if (!current.pageSize().isEquivalentTo(m_caps.Sheet.pageSize()))
            m_device->setPageSize(m_caps.Sheet.pageSize());
        if (current.orientation() != m_caps.Sheet.orientation())
            m_device->setPageOrientation(m_caps.Sheet.orientation());
        if (!m_device->newPage())
            throw EPrinterError(QStringLiteral("Cannot start a new page in the print file %1: %2")
                                    .arg(ShownFileName(m_segments.last()->Path),
                                         SafeFile::WriteFailure(m_segments.last()->Path, QString())));
    }
    QPainter &painter = m_canvas.m_painter;
    painter.resetTransform();
    if (m_caps.LogPixelsX != m_caps.LogPixelsY)
        painter.scale(double(m_caps.LogPixelsY) / m_caps.LogPixelsX, 1.0);
    painter.translate(m_caps.PhysicalOffsetX, m_caps.PhysicalOffsetY);
    m_segments.last()->Pages++;
    m_pageOpen = true;
}

void TfrxCustomPrinter::ClosePage()
{
    m_pageOpen = false;
}

QString TfrxCustomPrinter::ShownFileName(const QString &path) const
{
    return m_output && path == m_output->TempPath() ? m_output->Target() : path;
}

void TfrxCustomPrinter::FinishDrawing()
{
    const bool drawing = m_device != nullptr;
    if (m_canvas.m_painter.isActive() && !m_canvas.m_painter.end())
        m_drawError = true;
    m_device.reset();
    if (drawing && !m_segments.isEmpty() && m_segments.last()->Pages > 0 &&
        !CompletePdf(m_segments.last()->Path))
        m_drawError = true;
}

void TfrxCustomPrinter::SubmitSegments()
{
    QList<std::shared_ptr<Segment>> jobs;
    for (const auto &segment : m_segments)
        if (segment->Pages > 0)
            jobs.append(segment);
    if (jobs.size() == 1) {
        PrintSystem::SubmitResult result =
            PrintSystem::SubmitPdf(m_name, jobs.first()->Path, jobs.first()->Options);
        if (!result.Ok())
            throw EPrinterError(result.Error);
        m_jobIds.append(result.JobId);
        return;
    }
    // Several runs of pages with different options: every part waits in the print system until all
    // of them were taken, so that a failure half-way prints nothing.
    QString error;
    for (const auto &segment : jobs) {
        PrintSystem::JobOptions options = segment->Options;
        options.Hold = true;
        PrintSystem::SubmitResult result = PrintSystem::SubmitPdf(m_name, segment->Path, options);
        if (!result.Ok()) {
            error = result.Error;
            break;
        }
        m_jobIds.append(result.JobId);
    }
    if (!error.isEmpty()) {
        for (int id : std::as_const(m_jobIds))
            PrintSystem::CancelJob(m_name, id);
        throw EPrinterError(error);
    }
    for (int id : std::as_const(m_jobIds)) {
        QString released = PrintSystem::ReleaseJob(m_name, id);
        if (!released.isEmpty())
            error = QStringLiteral("Printing to \"%1\" failed: job %2 could not be released: %3")
                        .arg(m_name)
                        .arg(id)
                        .arg(released);
    }
    if (!error.isEmpty())
        throw EPrinterError(error);
}

void TfrxCustomPrinter::ResetAfterDocument()
{
    m_segments.clear();
    m_output.reset(); // removes the temporary file unless it became the target
    m_pageOpen = false;
    m_printing = false;
    m_docName.clear();
    m_bin = -1;
    m_duplex = -1;
    m_devMode.DefaultSource = m_defBin;
    m_devMode.Duplex = m_defDuplex;
    m_devMode.DuplexSet = m_defDuplex != 1;
    if (m_initialized)
        UpdateDeviceCaps();
}

void TfrxCustomPrinter::CloseDocument()
{
    if (!m_printing)
        return;
    m_pageOpen = false;
    FinishDrawing();
    QString error;
    bool drawn = false;
    for (const auto &segment : std::as_const(m_segments))
        drawn = drawn || segment->Pages > 0;
    if (m_drawError) {
        // Named by the file the seller asked for (the temporary file beside it is gone).
        const QString path = m_segments.isEmpty() ? m_fileName : m_segments.last()->Path;
        error = QStringLiteral("The print file %1 could not be written completely (%2); nothing was printed.")
                    .arg(ShownFileName(path), SafeFile::WriteFailure(path, QString()));
    } else if (!m_fileName.isEmpty()) {
        // A document without pages is no PDF: the file stays as it was.
        QString why;
        if (drawn && m_output && !m_output->Commit(why))
            error = QStringLiteral("Cannot write the file %1: %2").arg(m_fileName, why);
    } else if (drawn) {
        try {
            SubmitSegments();
        } catch (const EPrinterError &e) {
            error = e.Message();
        }
    }
    ResetAfterDocument();
    if (!error.isEmpty())
        throw EPrinterError(error);
}

void TfrxCustomPrinter::CancelDocument()
{
    if (!m_printing)
        return;
    m_pageOpen = false;
    FinishDrawing();
    if (!m_fileName.isEmpty()) {
        m_output.reset();
    } else if (!m_drawError) {
        // The pages drawn so far go to the print system held and are cancelled at once: the job
        // shows up as cancelled, with its pages, and nothing of it prints. When the print system
        // cannot be reached nothing prints either, which is what cancelling asks for.
        for (const auto &segment : std::as_const(m_segments)) {
            if (segment->Pages == 0)
                continue;
            PrintSystem::JobOptions options = segment->Options;
            options.Hold = true;
            PrintSystem::SubmitResult result = PrintSystem::SubmitPdf(m_name, segment->Path, options);
            if (result.JobId > 0) {
                PrintSystem::CancelJob(m_name, result.JobId);
                m_jobIds.append(result.JobId);
            }
        }
    }
    ResetAfterDocument();
}

bool TfrxCustomPrinter::ShowPrinterProperties()
{
    // The placeholder printer has no driver and so no settings of its own.
    return false;
}

bool TfrxCustomPrinter::ApplyDeviceSettings(const TfrxDeviceMode &mode)
{
    if (!m_initialized || m_printing)
        return false;
    TfrxDeviceMode wanted = mode;
    if (wanted.PaperSize == frxCustomPaper &&
        (!UsableSide(wanted.PaperWidth / 10.0) || !UsableSide(wanted.PaperLength / 10.0)))
        return false;
    if (wanted.PaperSize != frxCustomPaper) {
        wanted.PaperWidth = 0;
        wanted.PaperLength = 0;
    }
    wanted.Copies = qMax(1, wanted.Copies);
    wanted.DuplexSet = true;
    const TfrxDeviceMode previous = m_devMode;
    m_devMode = wanted;
    if (!UpdateDeviceCaps()) {
        m_devMode = previous;
        return false;
    }
    m_paper = wanted.PaperSize;
    m_orientation = wanted.Orientation;
    m_bin = wanted.DefaultSource;
    m_duplex = wanted.Duplex;
    return true;
}

int TfrxCustomPrinter::BinIndex(int code) const
{
    for (int i = 0; i < m_bins.size(); ++i)
        if (m_bins[i].Code == code)
            return i;
    return -1;
}

int TfrxCustomPrinter::PaperIndex(int code) const
{
    for (int i = 0; i < m_papers.size(); ++i)
        if (m_papers[i].Code == code)
            return i;
    return -1;
}

int TfrxCustomPrinter::BinByName(const QString &name) const
{
    for (const TfrxNamedCode &bin : m_bins)
        if (bin.Name == name)
            return bin.Code;
    return m_bins.isEmpty() ? frxAutoBin : m_bins.first().Code;
}

int TfrxCustomPrinter::PaperByName(const QString &name) const
{
    for (const TfrxNamedCode &paper : m_papers)
        if (paper.Name == name)
            return paper.Code;
    return m_papers.isEmpty() ? frxCustomPaper : m_papers.first().Code;
}

// ---------------------------------------------------------------------------------------------
// Installed queue

TfrxPrinter::TfrxPrinter(const QString &name, const QString &port) : TfrxCustomPrinter(name, port) {}

TfrxPrinter::~TfrxPrinter() = default;

void TfrxPrinter::InitPrinter()
{
    if (m_initialized)
        return;
    // The toolkit turns a name it does not know into PDF output without a word; only a queue it
    // lists is trusted.
    const QPrinterInfo queueInfo = QPrinterInfo::printerInfo(m_name);
    if (queueInfo.isNull())
        return;
    auto info = std::make_unique<QPrinter>(QPrinter::HighResolution);
    info->setPrinterName(m_name);
    if (info->outputFormat() != QPrinter::NativeFormat || info->printerName() != m_name)
        return;
    const PrintSystem::QueueInfo queue = PrintSystem::QueryQueue(m_name);
    if (!queue.Found)
        return;
    if (m_port.isEmpty())
        m_port = queue.DeviceUri;
    m_dpi = QPoint(queue.DpiX > 0 ? queue.DpiX : info->resolution(),
                   queue.DpiY > 0 ? queue.DpiY : info->resolution());

    // Papers: the driver's, by their platform numbers; sizes without one get numbers from 257 up.
    m_driverPapers.clear();
    m_papers = {{frxGet(QStringLiteral("prCustom")), frxCustomPaper}};
    int userPaper = frxCustomPaper;
    for (const QPageSize &size : queueInfo.supportedPageSizes()) {
        int code = size.windowsId();
        if (code <= 0 || code >= frxCustomPaper)
            code = ++userPaper;
        if (code == frxCustomPaper || PaperIndex(code) >= 0)
            continue;
        m_driverPapers.append({code, size});
        m_papers.append({size.name(), code});
    }

    // Bins: the driver's input slots, by the platform's bin numbers where they have one.
    m_slots.clear();
    m_slotOption = queue.SlotOption;
    m_bins = {{frxGet(QStringLiteral("prDefault")), frxAutoBin}};
    int userBin = 255;
    for (const PrintSystem::InputSlot &slot : queue.Slots) {
        int code = StandardBinCode(slot.Keyword);
        bool taken = false;
        for (const auto &known : std::as_const(m_slots))
            taken = taken || known.first == code;
        if (code == 0 || taken)
            code = ++userBin;
        m_slots.append({code, slot.Keyword});
        if (code != frxAutoBin)
            m_bins.append({slot.Text, code});
    }

    // The driver's current settings become the printer's defaults. The toolkit's printer object
    // starts on a paper of its own; the queue's default paper is what the driver says.
    const QPageSize current =
        queueInfo.defaultPageSize().isValid() ? queueInfo.defaultPageSize() : info->pageLayout().pageSize();
    TfrxDeviceMode mode;
    mode.PaperSize = 0;
    for (const PaperEntry &entry : std::as_const(m_driverPapers))
        if (mode.PaperSize == 0 && entry.Size.isEquivalentTo(current))
            mode.PaperSize = entry.Code;
    if (mode.PaperSize == 0 && IsStandardPaper(current.windowsId()))
        mode.PaperSize = current.windowsId();
    if (mode.PaperSize == 0) {
        const QSizeF mm = current.size(QPageSize::Millimeter);
        mode.PaperSize = frxCustomPaper;
        mode.PaperWidth = int(frxRoundEven(mm.width() * 10));
        mode.PaperLength = int(frxRoundEven(mm.height() * 10));
    }
    mode.Orientation = queue.Landscape ? poLandscape : poPortrait;
    mode.DefaultSource = frxAutoBin;
    for (const auto &slot : std::as_const(m_slots))
        if (slot.second == queue.DefaultSlot)
            mode.DefaultSource = slot.first;
    mode.Duplex = DuplexOf(queueInfo.defaultDuplexMode());
    mode.DuplexSet = mode.Duplex != 1;
    m_devMode = mode;
    m_info = std::move(info);
    if (!UpdateDeviceCaps()) {
        m_info.reset();
        return;
    }
    TakeDefaults();
}

bool TfrxPrinter::ReadDeviceCaps(const TfrxDeviceMode &mode, TfrxDeviceCaps &caps)
{
    if (!m_info)
        return false;
    QPageLayout sheet = SheetOf(mode);
    for (const PaperEntry &entry : std::as_const(m_driverPapers))
        if (entry.Code == mode.PaperSize)
            sheet = QPageLayout(
                entry.Size, mode.Orientation == poLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                QMarginsF(), QPageLayout::Point);
    if (!sheet.isValid())
        return false;

    // The queue's hardware margins for this sheet. A sheet the driver refuses has none to report;
    // the PDF still gets the sheet, drawn from the paper's corner.
    QMarginsF margins;
    m_info->setFullPage(true);
    if (m_info->setPageSize(sheet.pageSize()) && m_info->setPageOrientation(sheet.orientation())) {
        const QPageLayout layout = m_info->pageLayout();
        const QMarginsF min = layout.minimumMargins();
        margins = QMarginsF(ToPoints(min.left(), layout.units()), ToPoints(min.top(), layout.units()),
                            ToPoints(min.right(), layout.units()), ToPoints(min.bottom(), layout.units()));
    }

    const int dpiX = m_dpi.x(), dpiY = m_dpi.y();
    const QRect full = sheet.fullRectPoints();
    caps.LogPixelsX = dpiX;
    caps.LogPixelsY = dpiY;
    caps.PhysicalWidth = PointsToPixels(full.width(), dpiX);
    caps.PhysicalHeight = PointsToPixels(full.height(), dpiY);
    caps.PhysicalOffsetX = PointsToPixels(margins.left(), dpiX);
    caps.PhysicalOffsetY = PointsToPixels(margins.top(), dpiY);
    caps.HorzRes = PointsToPixels(full.width() - margins.left() - margins.right(), dpiX);
    caps.VertRes = PointsToPixels(full.height() - margins.top() - margins.bottom(), dpiY);
    caps.Sheet = sheet;
    return true;
}

bool TfrxPrinter::CanOpenDevice(QString *why) const
{
    const PrintSystem::QueueInfo queue = PrintSystem::QueryQueue(m_name);
    if (!queue.Found) {
        *why = queue.Error;
        return false;
    }
    if (!queue.Accepting) {
        *why = QStringLiteral("The printer \"%1\" is not accepting jobs.").arg(m_name);
        return false;
    }
    return true;
}

QString TfrxPrinter::MediaName(const TfrxDeviceMode &mode) const
{
    for (const PaperEntry &entry : m_driverPapers)
        if (entry.Code == mode.PaperSize)
            return entry.Size.key();
    return TfrxCustomPrinter::MediaName(mode);
}

QString TfrxPrinter::SlotKeyword(int bin) const
{
    for (const auto &slot : m_slots)
        if (slot.first == bin)
            return slot.second;
    return QString();
}

// ---------------------------------------------------------------------------------------------
// Placeholder printer

TfrxVirtualPrinter::TfrxVirtualPrinter(const QString &name, const QString &port)
    : TfrxCustomPrinter(name, port)
{
}

void TfrxVirtualPrinter::InitPrinter()
{
    if (m_initialized)
        return;
    m_dpi = QPoint(600, 600);
    m_papers = {{frxGet(QStringLiteral("prCustom")), frxCustomPaper}};
    for (int code : frxStandardPaperCodes())
        m_papers.append({frxPaperName(code), code});
    m_bins = {{frxGet(QStringLiteral("prDefault")), frxAutoBin}};
    m_devMode = TfrxDeviceMode();
    if (!UpdateDeviceCaps())
        return;
    TakeDefaults();
}

bool TfrxVirtualPrinter::ReadDeviceCaps(const TfrxDeviceMode &mode, TfrxDeviceCaps &caps)
{
    const QPageLayout sheet = SheetOf(mode);
    if (!sheet.isValid())
        return false;
    const QRect full = sheet.fullRectPoints();
    caps.LogPixelsX = m_dpi.x();
    caps.LogPixelsY = m_dpi.y();
    caps.PhysicalWidth = PointsToPixels(full.width(), m_dpi.x());
    caps.PhysicalHeight = PointsToPixels(full.height(), m_dpi.y());
    caps.HorzRes = caps.PhysicalWidth;
    caps.VertRes = caps.PhysicalHeight;
    caps.Sheet = sheet;
    return true;
}

bool TfrxVirtualPrinter::CanOpenDevice(QString *why) const
{
    *why = frxPrinterTexts::NoPrinters();
    return false;
}

// ---------------------------------------------------------------------------------------------
// Defaults of new report pages

namespace {
class TfrxPrinterPaperInfo : public TfrxPaperInfo {
public:
    TfrxPaperDefaults DefaultPaper() const override
    {
        TfrxCustomPrinter *printer = Printers().CurrentPrinter();
        if (!printer || !printer->Initialized())
            return TfrxPaperInfo::DefaultPaper();
        return {printer->DefPaper(), printer->DefPaperWidth(), printer->DefPaperHeight(),
                printer->DefOrientation()};
    }
};
} // namespace

void frxInstallPrinterPaperInfo()
{
    static TfrxPrinterPaperInfo info;
    frxSetPaperInfo(&info);
}

// ---------------------------------------------------------------------------------------------
// Printer list

namespace {
TfrxPrinters *g_printers = nullptr;

void FreePrinters()
{
    delete g_printers;
    g_printers = nullptr;
}
} // namespace

TfrxPrinters &Printers()
{
    if (!g_printers) {
        g_printers = new TfrxPrinters();
        // The queues' toolkit objects must go while the application still exists.
        qAddPostRoutine(FreePrinters);
        g_printers->FillPrinters();
    }
    return *g_printers;
}

TfrxPrinters::TfrxPrinters() {}

TfrxPrinters::~TfrxPrinters()
{
    qDeleteAll(m_printers);
}

void TfrxPrinters::FillPrinters()
{
    const QStringList names = QPrinterInfo::availablePrinterNames();
    for (const QString &name : names) {
        m_printers.append(new TfrxPrinter(name, QString()));
        m_printerNames.append(name);
    }
    if (!m_printers.isEmpty()) {
        m_hasPhysicalPrinters = true;
        const int index = IndexOf(DefaultPrinterName());
        SetPrinterIndex(index >= 0 ? index : 0);
    } else {
        const QString name = frxGet(QStringLiteral("prVirtual"));
        m_printers.append(new TfrxVirtualPrinter(name, QString()));
        m_printerNames.append(name);
        m_hasPhysicalPrinters = false;
        SetPrinterIndex(0);
    }
}

void TfrxPrinters::Refresh()
{
    const QStringList names = QPrinterInfo::availablePrinterNames();
    if (m_hasPhysicalPrinters && names == m_printerNames)
        return;
    for (TfrxCustomPrinter *printer : std::as_const(m_printers))
        if (printer->Printing())
            return;
    const TfrxCustomPrinter *current = CurrentPrinter();
    const QString currentName = current && m_hasPhysicalPrinters ? current->Name() : QString();
    QList<TfrxCustomPrinter *> old = m_printers;
    m_printers.clear();
    m_printerNames.clear();
    m_printerIndex = -1;
    for (const QString &name : names) {
        TfrxCustomPrinter *printer = nullptr;
        for (qsizetype i = 0; m_hasPhysicalPrinters && i < old.size(); ++i) {
            if (old[i]->Name() == name) {
                printer = old.takeAt(i);
                break;
            }
        }
        m_printers.append(printer ? printer : new TfrxPrinter(name, QString()));
        m_printerNames.append(name);
    }
    qDeleteAll(old);
    if (m_printers.isEmpty()) {
        const QString name = frxGet(QStringLiteral("prVirtual"));
        m_printers.append(new TfrxVirtualPrinter(name, QString()));
        m_printerNames.append(name);
        m_hasPhysicalPrinters = false;
        SetPrinterIndex(0);
        return;
    }
    m_hasPhysicalPrinters = true;
    int index = currentName.isEmpty() ? -1 : IndexOf(currentName);
    if (index < 0)
        index = IndexOf(DefaultPrinterName());
    SetPrinterIndex(index >= 0 ? index : 0);
}

QString TfrxPrinters::DefaultPrinterName() const
{
    return QPrinterInfo::defaultPrinterName();
}

int TfrxPrinters::IndexOf(const QString &name) const
{
    for (int i = 0; i < m_printerNames.size(); ++i)
        if (m_printerNames[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TfrxPrinters::SetPrinterIndex(int index)
{
    if (index == -1) {
        index = IndexOf(DefaultPrinterName());
        if (index == -1 && !m_printers.isEmpty())
            index = 0;
    }
    // An index outside the list keeps the current printer rather than pointing at nothing.
    if (index < 0 || index >= m_printers.size())
        return;
    m_printerIndex = index;
    m_printers[index]->InitPrinter();
}

TfrxCustomPrinter *TfrxPrinters::GetItem(int index) const
{
    return index >= 0 && index < m_printers.size() ? m_printers[index] : nullptr;
}

bool TfrxPrinters::SelectPrinterByName(const QString &name)
{
    const int index = IndexOf(name);
    if (index == -1)
        return false;
    SetPrinterIndex(index);
    return true;
}

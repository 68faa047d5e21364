#pragma once
// The printer layer: the list of installed printers (one per process), the current printer, its
// device settings, paper and bin lists, and the canvas a job draws on.
//
// Every job is drawn into a PDF of our own at the queue's resolution: each page gets the sheet the
// job set for it, and the painter's origin sits on the corner of the printable area, moved there
// by the queue's exact hardware margins. A job therefore lands on paper exactly as it would on a
// device whose origin is the printable corner, whole-millimetre offset rule included. The finished
// PDF goes to the print system with the job's options (platform/PrintSystem), or, with an output
// file name, into that file and nowhere else.
//
// A job's calls, in order: ApplyPrintParams (before the first page and whenever paper, bin,
// orientation or duplex change), OpenDocument, then per page OpenPage, drawing on
// Canvas()->Painter(), ClosePage; finally CloseDocument, or CancelDocument to abort.

#include "engine/print/frxPaperNames.h"
#include "platform/Exception.h"
#include "platform/PrintSystem.h"
#include "platform/SafeFile.h"
#include "report/core/frxTypes.h"

#include <QFont>
#include <QList>
#include <QPageLayout>
#include <QPainter>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;
class QTemporaryFile;

// A job that could not be opened, drawn or handed to the print system.
class EPrinterError : public Exception {
public:
    using Exception::Exception;
};

// One entry of a printer's paper or bin list.
struct TfrxNamedCode {
    QString Name;
    int Code = 0;
};

// The settings a printer keeps for its next job (the platform's "device mode").
struct TfrxDeviceMode {
    int PaperSize = frxA4Paper;
    int PaperWidth = 0; // tenths of a millimetre, portrait; code 256 only
    int PaperLength = 0;
    frx::TPrinterOrientation Orientation = frx::poPortrait;
    int Copies = 1;
    int DefaultSource = frxAutoBin;
    int Duplex = 1;         // 1 one-sided, 2 long edge ("vertical"), 3 short edge ("horizontal")
    bool DuplexSet = false; // the duplex value is sent with the job
};

// What the device reports for the current device mode, in device pixels.
struct TfrxDeviceCaps {
    int LogPixelsX = 0;
    int LogPixelsY = 0;
    int PhysicalWidth = 0;
    int PhysicalHeight = 0;
    int PhysicalOffsetX = 0;
    int PhysicalOffsetY = 0;
    int HorzRes = 0;   // printable width
    int VertRes = 0;   // printable height
    QPageLayout Sheet; // the sheet in its orientation, no margins
};

class TfrxCustomPrinter;

// The drawing surface of a printer. Painter() is the painter of the open page (nullptr outside a
// page); its origin is the corner of the printable area and its unit one device pixel, so a drawing
// uses ScaleX = DPI().x() / 96 and moves back to the paper's corner by the printer's whole-millimetre
// left and top margins. Drawing code may change the painter's state but must restore its transform.
class TfrxPrinterCanvas {
public:
    QPainter *Painter();
    QPoint DPI() const;
    // Sets a font on the painter; a font given in points keeps its point size on the device's
    // vertical resolution (a pixel-sized font stays in device pixels).
    void SetFont(const QFont &font);

private:
    friend class TfrxCustomPrinter;
    explicit TfrxPrinterCanvas(TfrxCustomPrinter *printer) : m_printer(printer) {}
    TfrxCustomPrinter *m_printer;
    QPainter m_painter;
};

class TfrxCustomPrinter {
public:
    TfrxCustomPrinter(const QString &name, const QString &port);
    virtual ~TfrxCustomPrinter();
    TfrxCustomPrinter(const TfrxCustomPrinter &) = delete;
    TfrxCustomPrinter &operator=(const TfrxCustomPrinter &) = delete;

    // Reads the device and its defaults once; the printer stays uninitialised when that fails.
    virtual void InitPrinter() = 0;

    // Sets paper, orientation, copies, duplex and bin for the next pages. Sizes in millimetres as
    // the page states them (width and height of the sheet in its orientation).
    void ApplyPrintParams(int paperCode, frx::TPrinterOrientation orientation, int copies,
                          frx::TfrxDuplexMode duplex, int bin, double paperHeight, double paperWidth);
    // Paper and orientation only, for page settings shown on screen.
    void ApplyViewParams(int paperCode, frx::TPrinterOrientation orientation, double paperHeight,
                         double paperWidth);

    void OpenDocument();
    void OpenPage();
    void ClosePage();
    // Finishes the document and hands it over; raises EPrinterError when it could not be written
    // or the print system did not take it (the printer is ready for the next job either way).
    void CloseDocument();
    // Aborts the document: nothing of it is printed. Pages already drawn stay visible in the print
    // system as a cancelled job; an output file is removed.
    void CancelDocument();

    // The driver's settings dialog; a bin or duplex chosen there holds until the job ends.
    virtual bool ShowPrinterProperties();
    // What the settings dialog does on OK: the device mode's paper, size, orientation, bin and
    // duplex become current, and the bin and duplex count as chosen. False when the device
    // cannot take them (nothing changes then).
    bool ApplyDeviceSettings(const TfrxDeviceMode &mode);

    int BinIndex(int code) const;
    int PaperIndex(int code) const;
    int BinByName(const QString &name) const;
    int PaperByName(const QString &name) const;

    const QString &Name() const { return m_name; }
    const QString &Port() const { return m_port; }
    const QString &Driver() const { return m_driver; }
    const QString &Title() const { return m_title; }
    void SetTitle(const QString &title) { m_title = title; }
    const QString &FileName() const { return m_fileName; }
    void SetFileName(const QString &fileName) { m_fileName = fileName; }

    QPoint DPI() const { return m_dpi; }
    double PaperWidth() const { return m_paperWidth; }
    double PaperHeight() const { return m_paperHeight; }
    double LeftMargin() const { return m_leftMargin; }
    double TopMargin() const { return m_topMargin; }
    double RightMargin() const { return m_rightMargin; }
    double BottomMargin() const { return m_bottomMargin; }

    int DefPaper() const { return m_defPaper; }
    int DefBin() const { return m_defBin; }
    int DefDuplex() const { return m_defDuplex; }
    frx::TPrinterOrientation DefOrientation() const { return m_defOrientation; }
    double DefPaperWidth() const { return m_defPaperWidth; }
    double DefPaperHeight() const { return m_defPaperHeight; }

    int Paper() const { return m_paper; }
    frx::TPrinterOrientation Orientation() const { return m_orientation; }
    int Bin() const { return m_bin; }
    int Duplex() const { return m_duplex; }
    const QList<TfrxNamedCode> &Papers() const { return m_papers; }
    const QList<TfrxNamedCode> &Bins() const { return m_bins; }
    bool Initialized() const { return m_initialized; }
    bool Printing() const { return m_printing; }
    TfrxPrinterCanvas *Canvas() { return &m_canvas; }

    const TfrxDeviceMode &DeviceMode() const { return m_devMode; }
    const TfrxDeviceCaps &DeviceCaps() const { return m_caps; }
    // The device pixels by which the painter's origin sits inside the paper's corner.
    QPoint PhysicalOffset() const { return {m_caps.PhysicalOffsetX, m_caps.PhysicalOffsetY}; }
    // Jobs the print system gave the last document (one per run of pages with equal job options).
    const QList<int> &JobIds() const { return m_jobIds; }
    // The job options the pages drawn from now on are sent with ("media=A4", "copies=2", ...).
    QStringList JobOptionTexts() const;

protected:
    // Fills caps for mode; false when the device gives no resolution or cannot take the paper.
    virtual bool ReadDeviceCaps(const TfrxDeviceMode &mode, TfrxDeviceCaps &caps) = 0;
    // Whether the device can take a job (false: the reason goes into *why).
    virtual bool CanOpenDevice(QString *why) const = 0;
    // The print system's name of a paper and the option value of a bin (empty: none).
    virtual QString MediaName(const TfrxDeviceMode &mode) const;
    virtual QString SlotKeyword(int bin) const;
    virtual QString SlotOption() const { return QString(); }

    // Reads the capabilities of the device mode into the printer's data; shows "Printer selected
    // is not valid" and answers false when the device gives no resolution.
    bool UpdateDeviceCaps();
    // The sheet of a device mode in its orientation; invalid for an unusable size.
    static QPageLayout SheetOf(const TfrxDeviceMode &mode);
    // Remembers the device mode's values as the driver's defaults and finishes initialisation.
    void TakeDefaults();

    QString m_name;
    QString m_port;
    QString m_driver;
    QString m_title;
    QString m_fileName;
    QPoint m_dpi;
    double m_paperWidth = 0;
    double m_paperHeight = 0;
    double m_leftMargin = 0;
    double m_topMargin = 0;
    double m_rightMargin = 0;
    double m_bottomMargin = 0;
    int m_defPaper = frxA4Paper;
    int m_defBin = frxAutoBin;
    int m_defDuplex = 1;
    frx::TPrinterOrientation m_defOrientation = frx::poPortrait;
    double m_defPaperWidth = 0;
    double m_defPaperHeight = 0;
    int m_paper = frxA4Paper;
    frx::TPrinterOrientation m_orientation = frx::poPortrait;
    int m_bin = -1;
    int m_duplex = -1;
    QList<TfrxNamedCode> m_papers;
    QList<TfrxNamedCode> m_bins;
    bool m_initialized = false;
    bool m_printing = false;
    TfrxDeviceMode m_devMode;
    TfrxDeviceCaps m_caps;

private:
    friend class TfrxPrinterCanvas;
    struct Segment;
    PrintSystem::JobOptions JobOptionsOf(const TfrxDeviceMode &mode) const;
    void StartSegment();
    void FinishDrawing();
    void SubmitSegments();
    void ResetAfterDocument();

    TfrxPrinterCanvas m_canvas;
    QString m_docName;
    std::unique_ptr<QPrinter> m_device;
    QList<std::shared_ptr<Segment>> m_segments;
    // The name a file is shown by: the target for the temporary file of a print to file.
    QString ShownFileName(const QString &path) const;
    // Printing to a file: the temporary file beside it that replaces it when the job completes.
    std::unique_ptr<SafeFile::OutputFile> m_output;
    bool m_pageOpen = false;
    bool m_drawError = false;
    QList<int> m_jobIds;
};

// An installed print queue.
class TfrxPrinter : public TfrxCustomPrinter {
public:
    TfrxPrinter(const QString &name, const QString &port);
    ~TfrxPrinter() override;
    void InitPrinter() override;
    bool ShowPrinterProperties() override;

protected:
    bool ReadDeviceCaps(const TfrxDeviceMode &mode, TfrxDeviceCaps &caps) override;
    bool CanOpenDevice(QString *why) const override;
    QString MediaName(const TfrxDeviceMode &mode) const override;
    QString SlotKeyword(int bin) const override;
    QString SlotOption() const override { return m_slotOption; }

private:
    struct PaperEntry {
        int Code;
        QPageSize Size;
    };
    std::unique_ptr<QPrinter> m_info; // the queue as the toolkit sees it, for its hardware margins
    QList<PaperEntry> m_driverPapers;
    QList<QPair<int, QString>> m_slots; // bin code → input slot keyword
    QString m_slotOption;
};

// The placeholder printer of a system without printers: 600 dpi, A4, the platform's paper table.
// It draws only into an output file.
class TfrxVirtualPrinter : public TfrxCustomPrinter {
public:
    TfrxVirtualPrinter(const QString &name, const QString &port);
    void InitPrinter() override;

protected:
    bool ReadDeviceCaps(const TfrxDeviceMode &mode, TfrxDeviceCaps &caps) override;
    bool CanOpenDevice(QString *why) const override;
};

// The list of printers, one per process, created on first use and freed with the application.
class TfrxPrinters {
public:
    ~TfrxPrinters();

    // Name → index ignoring case over the whole name; -1 when absent.
    int IndexOf(const QString &name) const;
    // Makes a printer current and initialises it; -1 selects the platform's default printer.
    void SetPrinterIndex(int index);
    int PrinterIndex() const { return m_printerIndex; }
    TfrxCustomPrinter *CurrentPrinter() const { return GetItem(m_printerIndex); }
    TfrxCustomPrinter *GetItem(int index) const;
    const QStringList &PrinterNames() const { return m_printerNames; }
    int Count() const { return int(m_printers.size()); }
    bool HasPhysicalPrinters() const { return m_hasPhysicalPrinters; }
    // The platform's default printer, empty when it names none.
    QString DefaultPrinterName() const;
    // A job's choice of printer by name: an installed name (any letter case) becomes current;
    // any other name keeps the current printer. Answers whether the name was found.
    bool SelectPrinterByName(const QString &name);
    // Reads the print system's list again, so that queues added or removed while the program runs
    // are seen. Printers still installed keep their objects and settings; the current printer stays
    // current while it exists. Does nothing while a job is being drawn.
    void Refresh();

private:
    friend TfrxPrinters &Printers();
    TfrxPrinters();
    void FillPrinters();

    QList<TfrxCustomPrinter *> m_printers;
    QStringList m_printerNames;
    int m_printerIndex = -1;
    bool m_hasPhysicalPrinters = false;
};

// The process's printer list.
TfrxPrinters &Printers();

// Makes report pages take their defaults (SetDefaults) from the current printer; the program calls
// it once at start-up.
void frxInstallPrinterPaperInfo();

// Texts of the printer layer in the resource table (registered on first use).
namespace frxPrinterTexts {
QString NotValid();      // "Printer selected is not valid"
QString NoPrinters();    // "No printers installed on your system"
QString DocumentTitle(); // "Tavrel Document"
} // namespace frxPrinterTexts

#pragma once
// Our own thin layer over the platform's print system (CUPS). The report engine renders every job
// to a PDF itself and hands the finished file over here, so that what reaches the printer is exactly
// what was drawn, with the job options we chose and nothing Qt's own print engine adds or drops.
// Every call answers with a clear error text instead of failing silently: a server that is not
// running, a queue that does not exist or rejects jobs.

#include <QList>
#include <QString>
#include <QStringList>

namespace PrintSystem {

// One paper source of a queue: the value sent to the queue and the text a user reads.
struct InputSlot {
    QString Keyword; // "Tray1" (PPD InputSlot choice) or "tray-1" (IPP media-source keyword)
    QString Text;    // "Tray 1"
};

// What the print system tells about one queue.
struct QueueInfo {
    bool Found = false; // the server knows the queue
    QString Error;      // why Found is false
    QString DeviceUri;  // where the queue sends its jobs ("ipp://…", "usb://…"), empty when hidden
    QString MakeAndModel;
    bool Accepting = true;  // printer-is-accepting-jobs
    bool Landscape = false; // the queue's jobs default to landscape (orientation-requested 4)
    int DpiX = 0;           // the queue's default resolution, 0 when it names none (raw queues)
    int DpiY = 0;
    QString SlotOption;     // option that selects a paper source: "InputSlot" or "media-source"
    QList<InputSlot> Slots; // in the driver's order
    QString DefaultSlot;    // keyword of the default source, empty when none
};

QueueInfo QueryQueue(const QString &name);

// Options of one job, in the print system's own vocabulary.
struct JobOptions {
    QString Title;
    int Copies = 1;
    bool Collate = true;    // only sent with Copies > 1
    QString Media;          // "A4", "Letter", "Custom.230x127mm"; empty: the queue's default
    bool Landscape = false; // orientation-requested 4, else 3
    QString Sides;          // "one-sided", "two-sided-long-edge", "two-sided-short-edge"; empty: default
    QString SlotOption;     // "InputSlot" or "media-source"
    QString Slot;           // empty: the queue's default source
    bool Hold = false;      // job-hold-until=indefinite: the job waits until released or cancelled
};

// The print system's standard name of a paper size ("iso_a4_210x297mm"), empty when the size is
// none of its standard sizes. Width and height in millimetres, portrait or not.
QString StandardMediaName(double widthMm, double heightMm);

// The options of a job as "name=value" texts, in the order they are sent (for logs and tests).
QStringList OptionTexts(const JobOptions &options);

struct SubmitResult {
    int JobId = 0; // 0 when the job was not created
    QString Error; // empty on success
    bool Ok() const { return JobId > 0 && Error.isEmpty(); }
};

// Creates a job on the queue and sends the PDF file as its one document.
SubmitResult SubmitPdf(const QString &queue, const QString &pdfPath, const JobOptions &options);

// Cancels a job, keeping it in the job history. Empty on success, else the reason.
QString CancelJob(const QString &queue, int jobId);

// Releases a held job so that it prints. Empty on success, else the reason.
QString ReleaseJob(const QString &queue, int jobId);

// One job of a queue as the server lists it.
struct JobState {
    int Id = 0;
    QString Queue;
    QString Title;
    int State = 0;   // IPP job-state: 3 pending, 4 held, 5 processing, 6 stopped, 7 cancelled,
                     // 8 aborted, 9 completed
    qint64 Size = 0; // kilobytes
};
enum {
    JobPending = 3,
    JobHeld = 4,
    JobProcessing = 5,
    JobStopped = 6,
    JobCancelled = 7,
    JobAborted = 8,
    JobCompleted = 9
};

// The jobs of a queue (all queues when empty); finished ones too when all is set.
QList<JobState> Jobs(const QString &queue, bool all);

// The server's name for the current connection target (a socket path or host), for messages.
QString ServerName();

} // namespace PrintSystem

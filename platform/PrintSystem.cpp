#include "platform/PrintSystem.h"

#include <QFile>

#include <cups/cups.h>
#include <cups/ppd.h>

#include <cstdio>
#include <memory>

// The PPD calls are marked deprecated by libcups, yet a queue's input slots and resolution still
// live in its PPD for every classic driver; the IPP attributes are the fallback for queues without.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace PrintSystem {

namespace {

QString LastError()
{
    return QString::fromUtf8(cupsLastErrorString());
}

// libcups reports a server it cannot reach in different ways depending on the call (some answer
// "not found"); a connection attempt tells for sure.
bool ServerUnreachable()
{
    ipp_status_t status = cupsLastError();
    if (status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
        return true;
    http_t *http =
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
    if (!http)
        return true;
    httpClose(http);
    return false;
}

QString UnreachableText()
{
    return QStringLiteral("The print server %1 is not running or cannot be reached.").arg(ServerName());
}

struct DestDeleter {
    void operator()(cups_dest_t *dest) const { cupsFreeDests(1, dest); }
};
using DestPtr = std::unique_ptr<cups_dest_t, DestDeleter>;

// "1200dpi", "600x300dpi", "300dpcm".
bool ParseResolution(const QString &text, int *x, int *y)
{
    QString value = text.trimmed().toLower();
    double factor = 1;
    if (value.endsWith(QLatin1String("dpi"))) {
        value.chop(3);
    } else if (value.endsWith(QLatin1String("dpcm"))) {
        value.chop(4);
        factor = 2.54;
    } else {
        return false;
    }
    QStringList parts = value.split(u'x');
    bool okX = false, okY = true;
    int rx = parts.value(0).toInt(&okX);
    int ry = parts.size() > 1 ? parts.value(1).toInt(&okY) : rx;
    if (!okX || !okY || rx <= 0 || ry <= 0)
        return false;
    *x = qRound(rx * factor);
    *y = qRound(ry * factor);
    return true;
}

// Reads the input slots and the default resolution from the queue's PPD. False when it has none.
bool ReadPpd(const QString &name, QueueInfo &info)
{
    char path[1024] = "";
    time_t modtime = 0;
    QByteArray queue = name.toUtf8();
    if (cupsGetPPD3(CUPS_HTTP_DEFAULT, queue.constData(), &modtime, path, sizeof path) != HTTP_STATUS_OK) {
        if (path[0])
            std::remove(path);
        return false;
    }
    ppd_file_t *ppd = ppdOpenFile(path);
    std::remove(path);
    if (!ppd)
        return false;
    ppdMarkDefaults(ppd);
    if (ppd_option_t *inputSlot = ppdFindOption(ppd, "InputSlot")) {
        info.SlotOption = QStringLiteral("InputSlot");
        for (int i = 0; i < inputSlot->num_choices; ++i) {
            const ppd_choice_t &choice = inputSlot->choices[i];
            QString text = QString::fromUtf8(choice.text).trimmed();
            info.Slots.append(
                {QString::fromUtf8(choice.choice), text.isEmpty() ? QString::fromUtf8(choice.choice) : text});
        }
        info.DefaultSlot = QString::fromUtf8(inputSlot->defchoice);
    }
    int x = 0, y = 0;
    if (ppd_attr_t *attr = ppdFindAttr(ppd, "DefaultResolution", nullptr);
        attr && attr->value && ParseResolution(QString::fromUtf8(attr->value), &x, &y)) {
        info.DpiX = x;
        info.DpiY = y;
    } else if (ppd_option_t *res = ppdFindOption(ppd, "Resolution");
               res && ParseResolution(QString::fromUtf8(res->defchoice), &x, &y)) {
        info.DpiX = x;
        info.DpiY = y;
    }
    ppdClose(ppd);
    return true;
}

// The same from the queue's IPP attributes (driverless queues).
void ReadIpp(cups_dest_t *dest, QueueInfo &info)
{
    cups_dinfo_t *dinfo = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    if (!dinfo)
        return;
    if (ipp_attribute_t *sources = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, dinfo, "media-source")) {
        info.SlotOption = QStringLiteral("media-source");
        for (int i = 0; i < ippGetCount(sources); ++i) {
            QString keyword = QString::fromUtf8(ippGetString(sources, i, nullptr));
            const char *localized = cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, dest, dinfo, "media-source",
                                                          keyword.toUtf8().constData());
            info.Slots.append({keyword, localized ? QString::fromUtf8(localized) : keyword});
        }
        if (ipp_attribute_t *def = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, dinfo, "media-source"))
            info.DefaultSlot = QString::fromUtf8(ippGetString(def, 0, nullptr));
    }
    if (info.DpiX <= 0) {
        if (ipp_attribute_t *res =
                cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, dinfo, "printer-resolution")) {
            int y = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            int x = ippGetResolution(res, 0, &y, &units);
            double factor = units == IPP_RES_PER_CM ? 2.54 : 1.0;
            if (x > 0 && y > 0) {
                info.DpiX = qRound(x * factor);
                info.DpiY = qRound(y * factor);
            }
        }
    }
    cupsFreeDestInfo(dinfo);
}

} // namespace

QString ServerName()
{
    return QString::fromUtf8(cupsServer());
}

QueueInfo QueryQueue(const QString &name)
{
    QueueInfo info;
    QByteArray queue = name.toUtf8();
    DestPtr dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.constData(), nullptr));
    if (!dest) {
        info.Error = ServerUnreachable()
                         ? UnreachableText()
                         : QStringLiteral("The printer \"%1\" does not exist on the print server %2.")
                               .arg(name, ServerName());
        return info;
    }
    info.Found = true;
    auto option = [&](const char *key) {
        return QString::fromUtf8(cupsGetOption(key, dest->num_options, dest->options));
    };
    info.DeviceUri = option("device-uri");
    info.MakeAndModel = option("printer-make-and-model");
    info.Accepting = option("printer-is-accepting-jobs") != QLatin1String("false");
    info.Landscape =
        option("orientation-requested") == QLatin1String("4") || option("landscape") == QLatin1String("true");
    if (!ReadPpd(name, info))
        ReadIpp(dest.get(), info);
    return info;
}

QString StandardMediaName(double widthMm, double heightMm)
{
    if (!(widthMm > 0) || !(heightMm > 0))
        return QString();
    // Media names describe the sheet portrait, whichever way it is fed.
    pwg_media_t *media =
        pwgMediaForSize(qRound(qMin(widthMm, heightMm) * 100), qRound(qMax(widthMm, heightMm) * 100));
    if (!media || !media->pwg || qstrncmp(media->pwg, "custom_", 7) == 0)
        return QString();
    return QString::fromUtf8(media->pwg);
}

QStringList OptionTexts(const JobOptions &options)
{
    QStringList texts;
    texts << QStringLiteral("copies=%1").arg(qMax(1, options.Copies));
    if (options.Copies > 1)
        texts << QStringLiteral("collate=%1").arg(options.Collate ? "true" : "false");
    if (!options.Media.isEmpty())
        texts << QStringLiteral("media=%1").arg(options.Media);
    texts << QStringLiteral("orientation-requested=%1").arg(options.Landscape ? 4 : 3);
    if (!options.Sides.isEmpty())
        texts << QStringLiteral("sides=%1").arg(options.Sides);
    if (!options.Slot.isEmpty() && !options.SlotOption.isEmpty())
        texts << QStringLiteral("%1=%2").arg(options.SlotOption, options.Slot);
    if (options.Hold)
        texts << QStringLiteral("job-hold-until=indefinite");
    return texts;
}

SubmitResult SubmitPdf(const QString &queue, const QString &pdfPath, const JobOptions &options)
{
    SubmitResult result;
    QFile file(pdfPath);
    if (!file.open(QIODevice::ReadOnly)) {
        result.Error = QStringLiteral("Cannot read the print file %1: %2").arg(pdfPath, file.errorString());
        return result;
    }

    cups_option_t *cupsOptions = nullptr;
    int count = 0;
    for (const QString &text : OptionTexts(options)) {
        qsizetype eq = text.indexOf(u'=');
        count = cupsAddOption(text.left(eq).toUtf8().constData(), text.mid(eq + 1).toUtf8().constData(),
                              count, &cupsOptions);
    }
    QByteArray name = queue.toUtf8();
    QByteArray title = options.Title.toUtf8();
    auto failed = [&](const QString &what) {
        QString reason = ServerUnreachable() ? UnreachableText() : LastError();
        result.Error = QStringLiteral("Printing to \"%1\" failed: %2 %3").arg(queue, what, reason);
    };

    int id = cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), title.constData(), count, cupsOptions);
    cupsFreeOptions(count, cupsOptions);
    if (id <= 0) {
        failed(QStringLiteral("the job was refused:"));
        return result;
    }
    result.JobId = id;
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), id, title.constData(), CUPS_FORMAT_PDF, 1) !=
        HTTP_STATUS_CONTINUE) {
        failed(QStringLiteral("the document could not be sent:"));
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), id, 0);
        return result;
    }
    bool written = true;
    while (!file.atEnd()) {
        QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError) {
            written = false;
            break;
        }
        if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, chunk.constData(), size_t(chunk.size())) !=
            HTTP_STATUS_CONTINUE) {
            written = false;
            break;
        }
    }
    ipp_status_t status = cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData());
    if (!written || status > IPP_STATUS_OK_EVENTS_COMPLETE) {
        failed(QStringLiteral("the document could not be sent:"));
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), id, 0);
    }
    return result;
}

QString CancelJob(const QString &queue, int jobId)
{
    if (cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), jobId, 0) >
        IPP_STATUS_OK_EVENTS_COMPLETE)
        return ServerUnreachable() ? UnreachableText() : LastError();
    return QString();
}

QString ReleaseJob(const QString &queue, int jobId)
{
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", queue.toUtf8().constData());
    ipp_t *request = ippNewRequest(IPP_OP_RELEASE_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", jobId);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippDelete(cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/jobs/"));
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return ServerUnreachable() ? UnreachableText() : LastError();
    return QString();
}

QList<JobState> Jobs(const QString &queue, bool all)
{
    QList<JobState> list;
    cups_job_t *jobs = nullptr;
    QByteArray name = queue.toUtf8();
    int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.isEmpty() ? nullptr : name.constData(), 0,
                             all ? CUPS_WHICHJOBS_ALL : CUPS_WHICHJOBS_ACTIVE);
    for (int i = 0; i < count; ++i) {
        JobState job;
        job.Id = jobs[i].id;
        job.Queue = QString::fromUtf8(jobs[i].dest);
        job.Title = QString::fromUtf8(jobs[i].title);
        job.State = int(jobs[i].state);
        job.Size = jobs[i].size;
        list.append(job);
    }
    cupsFreeJobs(count, jobs);
    return list;
}

} // namespace PrintSystem

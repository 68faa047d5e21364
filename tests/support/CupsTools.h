#pragma once
// Helpers for the suites that print through the private print server of the test run
// (tests/engine/cups-fixture.sh): the jobs the server took, what a queue's backend captured, the
// print system's tools, and what a PDF holds, read with poppler's command-line tools.

#include "platform/PrintSystem.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QXmlStreamReader>

#include <algorithm>

namespace CupsTools {

inline QString ServerDir()
{
    return qEnvironmentVariable("WAYBILL_CUPS_DIR");
}

// Runs a program; the exit code, with standard output in *output.
inline int Run(const QString &program, const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The arguments the capture backend saved for a job (title, copies, options, ...), waiting until
// the job went through; empty when it did not within the time.
inline QMap<QString, QString> WaitForJob(int jobId, int timeoutMs = 20000)
{
    const QString path = QDir(ServerDir()).filePath(QStringLiteral("jobs/job-%1.args").arg(jobId));
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(path) && timer.elapsed() < timeoutMs)
        QTest::qWait(50);
    QMap<QString, QString> args;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return args;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            args.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return args;
}

inline QString JobData(int jobId)
{
    return QDir(ServerDir()).filePath(QStringLiteral("jobs/job-%1.data").arg(jobId));
}

// The job's options as the backend got them ("media=Custom.230x127mm ...") split into a map.
inline QMap<QString, QString> Options(const QMap<QString, QString> &args)
{
    QMap<QString, QString> options;
    for (const QString &item : args.value(QStringLiteral("options")).split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(u'=');
        options.insert(eq > 0 ? item.left(eq) : item, eq > 0 ? item.mid(eq + 1) : QString());
    }
    return options;
}

// Page sizes of a PDF in points, page by page.
inline QList<QSizeF> PageSizes(const QString &pdf)
{
    QString output;
    QList<QSizeF> sizes;
    if (Run(QStringLiteral("pdfinfo"),
            {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("9999"), pdf},
            &output) != 0)
        return sizes;
    static const QRegularExpression line(QStringLiteral("^Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(output); it.hasNext();) {
        auto match = it.next();
        sizes.append(QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble()));
    }
    return sizes;
}

struct Word {
    QString Text;
    double XMin = 0, YMin = 0; // millimetres from the page's top-left corner
};

// The words of one page (1-based) with their boxes, from pdftotext -bbox.
inline QList<Word> Words(const QString &pdf, int page)
{
    QString output;
    QList<Word> words;
    if (Run(QStringLiteral("pdftotext"),
            {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
             QStringLiteral("-bbox"), pdf, QStringLiteral("-")},
            &output) != 0)
        return words;
    QXmlStreamReader xml(output);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("word")) {
            Word word;
            word.XMin = xml.attributes().value(QLatin1String("xMin")).toDouble() * 25.4 / 72;
            word.YMin = xml.attributes().value(QLatin1String("yMin")).toDouble() * 25.4 / 72;
            word.Text = xml.readElementText();
            words.append(word);
        }
    }
    return words;
}

// The first word of every page of a PDF (an empty text for a page without words).
inline QStringList FirstWords(const QString &pdf)
{
    QStringList texts;
    const qsizetype pages = PageSizes(pdf).size();
    for (int page = 1; page <= pages; ++page) {
        const QList<Word> words = Words(pdf, page);
        texts << (words.isEmpty() ? QString() : words.first().Text);
    }
    return texts;
}

// The jobs the print server takes from now on, on any queue, finished ones included. The server
// lists a job from the moment it is created, before its backend runs, so "nothing was printed" is
// known as soon as the run returns: no waiting for a file that a slow backend might write later.
class NewJobs {
public:
    NewJobs() : m_last(NewestId()) {}

    // Oldest first.
    QList<PrintSystem::JobState> List() const
    {
        QList<PrintSystem::JobState> jobs;
        for (const PrintSystem::JobState &job : PrintSystem::Jobs(QString(), true))
            if (job.Id > m_last)
                jobs.append(job);
        std::sort(jobs.begin(), jobs.end(), [](const auto &a, const auto &b) { return a.Id < b.Id; });
        return jobs;
    }
    QList<int> Ids() const
    {
        QList<int> ids;
        for (const PrintSystem::JobState &job : List())
            ids.append(job.Id);
        return ids;
    }

private:
    static int NewestId()
    {
        int newest = 0;
        for (const PrintSystem::JobState &job : PrintSystem::Jobs(QString(), true))
            newest = std::max(newest, job.Id);
        return newest;
    }

    int m_last;
};

// The pages the server took in these jobs, once each has finished.
inline int PagesOf(const QList<int> &jobs)
{
    int pages = 0;
    for (int job : jobs) {
        WaitForJob(job);
        pages += int(PageSizes(JobData(job)).size());
    }
    return pages;
}

} // namespace CupsTools

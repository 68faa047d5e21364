#include "cli/OutputFiles.h"

#include "platform/Interrupt.h"
#include "platform/SafeFile.h"
#include "report/model/frxReport.h"

#include <QBuffer>
#include <QImage>
#include <QTimer>

int Cli::InterruptedStatus()
{
    return 128 + Interrupt::Signal();
}

QString Cli::OutputProblem(const QString &option, const QString &path)
{
    const QString problem = SafeFile::OutputProblem(path);
    if (problem.isEmpty())
        return QString();
    return QStringLiteral("cannot write %1 %2: %3").arg(option, path, problem);
}

bool Cli::SavePng(const QImage &image, const QString &path, QString &why)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        why = QStringLiteral("the picture cannot be encoded");
        return false;
    }
    return SafeFile::WriteWhole(path, bytes, why);
}

Cli::InterruptWatch::InterruptWatch(TfrxReport *report) : m_timer(std::make_unique<QTimer>())
{
    Interrupt::Install();
    m_timer->setInterval(50);
    QObject::connect(m_timer.get(), &QTimer::timeout, [report] {
        if (Interrupt::Requested() && !report->Terminated())
            report->SetTerminated(true);
    });
    m_timer->start();
}

Cli::InterruptWatch::~InterruptWatch() = default;

bool Cli::InterruptWatch::Interrupted() const
{
    return Interrupt::Requested();
}

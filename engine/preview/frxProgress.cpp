#include "engine/preview/frxProgress.h"

#include "report/core/frxRes.h"
#include "report/model/frxReport.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

namespace {

// The texts live in the engine's text table (see frxGetOrAdd).
QString Text(const char *key, const char *fallback)
{
    return frxGetOrAdd(key, fallback);
}

} // namespace

TfrxProgress::TfrxProgress(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_label(new QLabel(this)), m_bar(new QProgressBar(this)), m_cancel(new QPushButton(this))
{
    setFixedSize(WindowWidth, WindowHeight);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QCoreApplication::applicationName());
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setGeometry(8, 14, WindowWidth - 16, 17);
    m_bar->setGeometry(8, 40, WindowWidth - 16, 16);
    m_bar->setTextVisible(false);
    m_bar->hide();
    m_cancel->setText(Text("prgCancel", "Cancel"));
    m_cancel->setGeometry((WindowWidth - 75) / 2, 66, 75, 25);
    connect(m_cancel, &QPushButton::clicked, this, &TfrxProgress::CancelClicked);
    PlaceMessage();
}

TfrxProgress::~TfrxProgress()
{
    EnablePrevious();
}

void TfrxProgress::Execute(int maxValue, const QString &message, bool canCancel, bool showBar)
{
    m_terminated = false;
    m_bar->setRange(0, qMax(0, maxValue));
    m_bar->setValue(0);
    m_bar->setVisible(showBar);
    m_cancel->setVisible(canCancel);
    SetMessage(message);
    PlaceMessage();
    show();
}

QString TfrxProgress::Message() const
{
    return m_label->text();
}

void TfrxProgress::SetMessage(const QString &text)
{
    m_label->setText(text);
}

int TfrxProgress::Position() const
{
    return m_bar->value();
}

void TfrxProgress::SetPosition(int value)
{
    m_bar->setValue(qBound(m_bar->minimum(), value, m_bar->maximum()));
}

void TfrxProgress::PlaceMessage()
{
    // Without the bar the message takes its place, so the window does not look half empty.
    m_label->move(8, m_bar->isVisibleTo(this) ? 14 : 32);
}

void TfrxProgress::CancelClicked()
{
    m_terminated = true;
    close();
}

void TfrxProgress::EnablePrevious()
{
    if (m_disabled) {
        m_disabled->setEnabled(true);
        m_disabled.clear();
    }
}

void TfrxProgress::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    QWidget *active = QApplication::activeWindow();
    if (!active)
        active = QApplication::activeModalWidget();
    if (active && active != this && active->isEnabled()) {
        m_disabled = active;
        active->setEnabled(false);
    }
    if (!parentWidget() && active && active != this) {
        // Centred on the window it stands for.
        const QRect frame = active->frameGeometry();
        move(frame.center() - QPoint(WindowWidth / 2, WindowHeight / 2));
    }
}

void TfrxProgress::hideEvent(QHideEvent *event)
{
    EnablePrevious();
    QWidget::hideEvent(event);
}

void TfrxProgress::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - pos();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TfrxProgress::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TfrxProgress::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void TfrxProgress::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // A frameless window still needs an edge to stand out from what lies below.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// ---- sessions ----

bool TfrxProgressSession::CanShow()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr &&
           !QGuiApplication::platformName().isEmpty() &&
           QGuiApplication::platformName() != QLatin1String("minimal");
}

QString TfrxProgressSession::MessageText(Kind kind, bool firstPass, int value)
{
    QString format;
    if (kind == Printing)
        format = Text("prgPrinting", "Printing page %d");
    else if (firstPass)
        format = Text("prgFirstPass", "First pass: page %d");
    else
        format = Text("prgPreparing", "Preparing page %d");
    return QString(format).replace(QLatin1String("%d"), QString::number(value));
}

TfrxProgressSession::TfrxProgressSession(TfrxReport *report, Kind kind, bool firstPass)
    : m_report(report), m_kind(kind), m_firstPass(firstPass)
{
    if (!report || !report->ShowProgress() || !CanShow())
        return;
    m_window = std::make_unique<TfrxProgress>();
    // Report code that runs long between two notifications is stopped at once (through the
    // report's script line check).
    QObject::connect(m_window->CancelButton(), &QPushButton::clicked, m_window.get(),
                     [report] { report->SetTerminated(true); });
    // The message comes with the first notification, as the work reaches its first page.
    m_window->Execute(0, QString(), true, false);
    QCoreApplication::processEvents();
}

TfrxProgressSession::~TfrxProgressSession()
{
    if (m_window)
        m_window->hide();
}

bool TfrxProgressSession::Poll()
{
    if (m_window && m_window->Terminated() && m_report) {
        m_window->SetTerminated(false);
        m_report->SetTerminated(true);
    }
    return m_report && m_report->Terminated();
}

bool TfrxProgressSession::Progress(int value)
{
    if (m_window && m_window->isVisible())
        m_window->SetMessage(MessageText(m_kind, m_firstPass, value));
    return Poll();
}

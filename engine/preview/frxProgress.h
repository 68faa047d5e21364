#pragma once
// The progress window of long report work (printing, and building with OldStyleProgress): a small
// frameless window with a message line, an optional progress bar and a Cancel button. It can be
// dragged by its body. While it is shown the window that was active before is disabled, so the
// user cannot start a second job from it; it is enabled again when the progress window goes.
//
// Cancel raises a flag and closes the window: the work notices it at its next progress
// notification (TfrxProgressSession::Progress / Poll), which sets the report's Terminated. A
// session also sets Terminated at once, so that a report script running between notifications
// stops too.

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class TfrxReport;

class TfrxProgress : public QWidget {
    Q_OBJECT
public:
    explicit TfrxProgress(QWidget *parent = nullptr);
    ~TfrxProgress() override;

    // Shows the window with a message; the bar shows 0 … maxValue when showBar is set (the message
    // then sits above it; without the bar it sits lower, in the middle of the window).
    void Execute(int maxValue, const QString &message, bool canCancel, bool showBar);
    QString Message() const;
    void SetMessage(const QString &text);
    int Position() const;
    void SetPosition(int value);
    // Whether Cancel was pressed since the window was shown.
    bool Terminated() const { return m_terminated; }
    void SetTerminated(bool value) { m_terminated = value; }

    QLabel *MessageLabel() const { return m_label; }
    QProgressBar *ProgressBar() const { return m_bar; }
    QPushButton *CancelButton() const { return m_cancel; }
    // The window disabled while this one is shown (nullptr when none was active).
    QWidget *DisabledWindow() const { return m_disabled.data(); }

    static constexpr int WindowWidth = 271;
    static constexpr int WindowHeight = 101;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void CancelClicked();
    void PlaceMessage();
    void EnablePrevious();

    QLabel *m_label;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
    QPointer<QWidget> m_disabled;
    QPoint m_dragOffset;
    bool m_dragging = false;
    bool m_terminated = false;
};

// One run of report work with its progress window. The window appears only when the report's
// ShowProgress is on and the program runs with widgets (a console run has no windows to show).
class TfrxProgressSession {
public:
    // What the window says: "Printing page %d", "Preparing page %d", "First pass: page %d".
    enum Kind { Preparing = 0, Printing = 2 };

    TfrxProgressSession(TfrxReport *report, Kind kind, bool firstPass = false);
    ~TfrxProgressSession();
    TfrxProgressSession(const TfrxProgressSession &) = delete;
    TfrxProgressSession &operator=(const TfrxProgressSession &) = delete;

    // A progress notification: the message shows value; a cancel since the last one sets the
    // report's Terminated (answered as the result).
    bool Progress(int value);
    // Passes a cancel on to the report without changing the message.
    bool Poll();
    // The builder's second pass reads "Preparing page %d" again.
    void SetFirstPass(bool value) { m_firstPass = value; }
    TfrxProgress *Window() const { return m_window.get(); }

    // Whether windows can be shown at all (a widget application with a platform window system).
    static bool CanShow();
    static QString MessageText(Kind kind, bool firstPass, int value);

private:
    TfrxReport *m_report;
    Kind m_kind;
    bool m_firstPass;
    std::unique_ptr<TfrxProgress> m_window;
};

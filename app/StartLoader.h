#pragma once
// Start-up of the program: the splash window and the order in which state and windows come up.

#include <QLabel>

class QApplication;
class TFMainWindow;

// The splash: a borderless window in the middle of the screen holding one 640 × 400 picture.
class TFStartPIC : public QLabel {
    Q_OBJECT
public:
    explicit TFStartPIC(QWidget *parent = nullptr);
};

// Builds the state, shows the splash for at least `splashMs` after the windows are made, then
// removes it and shows the main window maximised. Returns the main window (owned by the caller).
TFMainWindow *StartUp(QApplication &app, int splashMs = 1000);

// The designer alone on a layout file: the engine and designer registered, the state read (for the
// order columns the data tree offers), no main window. Returns the exit status.
int DesignOnly(QApplication &app, const QString &fileName);

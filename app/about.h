#pragma once
// The about window and the system settings window. Both are made at start-up; neither is opened
// by a command of the main window.

#include <QDialog>

class TForm1 : public QDialog {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
};

class TTemplateCFGform : public QDialog {
    Q_OBJECT
public:
    explicit TTemplateCFGform(QWidget *parent = nullptr);
};

#pragma once
// The designer's about box: the report designer's name, the program's version and the versions
// of the libraries it runs on, and a button that closes it.

#include <QDialog>

class TfrxAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxAboutForm(QWidget *parent = nullptr);
    // The text shown (name, versions), for the window and its tests.
    static QString AboutText();
};

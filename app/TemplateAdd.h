#pragma once
// The new-template dialog: a name and the carrier form's size in centimetres make a template
// folder with an empty layout of that page size and its CFG.INI.

#include <QDateTime>
#include <QDialog>
#include <functional>

class QDoubleSpinBox;
class QLineEdit;
class QPushButton;

// Saves an empty layout of the given page size (millimetres, all margins 0) to the file. Bound by
// the print driver to its report object; raises on failure.
using SaveEmptyLayoutFn = std::function<void(const QString &path, double widthMm, double heightMm)>;

// The template folder for a time stamp that no template uses yet: "t" + yyyyMMddhhmmss, or the
// next second when that folder exists already, so two templates made in one second never share one.
QString FreeTemplateStamp(const QDateTime &now);

class TTemplateAddForm : public QDialog {
    Q_OBJECT
public:
    TTemplateAddForm(SaveEmptyLayoutFn saveLayout, QWidget *parent = nullptr);

    QLineEdit *Edit1 = nullptr;
    QDoubleSpinBox *fWidth = nullptr;
    QDoubleSpinBox *fHeight = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;

    // Where the time comes from (a test sets a fixed clock).
    std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };

    // Set when a template was created; the caller rescans the catalogue.
    bool Created = false;

public slots:
    void Button1Click();
    void Button2Click();

private:
    SaveEmptyLayoutFn m_saveLayout;
};

#pragma once
// The printer settings dialog: the printer to print on and the two offsets, stored in
// config/PRINTER.INI and in the global state, and shown in the main window's status bar.

#include <QDialog>
#include <QStringList>
#include <functional>

class QComboBox;
class QPushButton;
class QSpinBox;
class TFMainWindow;

// Names of the installed printers, in the order the print system lists them.
QStringList InstalledPrinterNames();

class TPrinterConfig : public QDialog {
    Q_OBJECT
public:
    explicit TPrinterConfig(TFMainWindow *mainWindow);

    QComboBox *ComboBoxList = nullptr;
    QSpinBox *HAO = nullptr;
    QSpinBox *VAO = nullptr;
    QPushButton *ButtonSubmit = nullptr;
    QPushButton *ButtonClose = nullptr;

    // Where the dialog takes the printer names from: the print system unless a test says otherwise.
    static std::function<QStringList()> PrinterNames;

public slots:
    void FormInit();
    void ButtonSubmitClick();
    void ButtonCloseClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    TFMainWindow *m_mainWindow;
};

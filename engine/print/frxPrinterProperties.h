#pragma once
// The settings dialog of a print queue: paper, orientation, paper source and two-sided printing, as
// a printer driver's own dialog offers them. It edits a copy of the printer's device mode; the
// printer takes the result on OK (TfrxCustomPrinter::ApplyDeviceSettings).

#include "engine/print/frxPrinter.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;

class TfrxPrinterPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    TfrxPrinterPropertiesDialog(const TfrxCustomPrinter &printer, QWidget *parent = nullptr);
    // The device mode with the dialog's choices.
    TfrxDeviceMode Result() const;

private:
    void PaperChanged();

    TfrxDeviceMode m_mode;
    QComboBox *m_paper;
    QDoubleSpinBox *m_width;
    QDoubleSpinBox *m_height;
    QComboBox *m_orientation;
    QComboBox *m_source;
    QComboBox *m_duplex;
};

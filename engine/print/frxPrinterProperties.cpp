#include "engine/print/frxPrinterProperties.h"

#include "report/core/frxRes.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QVBoxLayout>

using namespace frx;

TfrxPrinterPropertiesDialog::TfrxPrinterPropertiesDialog(const TfrxCustomPrinter &printer, QWidget *parent)
    : QDialog(parent), m_mode(printer.DeviceMode())
{
    setWindowTitle(frxGet(QStringLiteral("ppCaption")).arg(printer.Name()));
    setObjectName(QStringLiteral("PrinterProperties"));

    m_paper = new QComboBox(this);
    m_paper->setObjectName(QStringLiteral("Paper"));
    for (const TfrxNamedCode &paper : printer.Papers())
        m_paper->addItem(paper.Name, paper.Code);
    m_paper->setCurrentIndex(qMax(0, printer.PaperIndex(m_mode.PaperSize)));

    auto makeSide = [this](const char *name, int tenths) {
        auto *box = new QDoubleSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setRange(1, 5080);
        box->setDecimals(1);
        box->setSuffix(QStringLiteral(" mm"));
        box->setValue(tenths > 0 ? tenths / 10.0 : 100);
        return box;
    };
    // The custom size is the sheet as it goes through the printer (portrait).
    m_width = makeSide("Width", m_mode.PaperWidth);
    m_height = makeSide("Height", m_mode.PaperLength);

    m_orientation = new QComboBox(this);
    m_orientation->setObjectName(QStringLiteral("Orientation"));
    m_orientation->addItem(frxGet(QStringLiteral("ppPortrait")), int(poPortrait));
    m_orientation->addItem(frxGet(QStringLiteral("ppLandscape")), int(poLandscape));
    m_orientation->setCurrentIndex(m_mode.Orientation == poLandscape ? 1 : 0);

    m_source = new QComboBox(this);
    m_source->setObjectName(QStringLiteral("Source"));
    for (const TfrxNamedCode &bin : printer.Bins())
        m_source->addItem(bin.Name, bin.Code);
    m_source->setCurrentIndex(qMax(0, printer.BinIndex(m_mode.DefaultSource)));

    m_duplex = new QComboBox(this);
    m_duplex->setObjectName(QStringLiteral("Duplex"));
    m_duplex->addItem(frxGet(QStringLiteral("ppOneSided")), 1);
    m_duplex->addItem(frxGet(QStringLiteral("ppLongEdge")), 2);
    m_duplex->addItem(frxGet(QStringLiteral("ppShortEdge")), 3);
    m_duplex->setCurrentIndex(qBound(0, m_mode.Duplex - 1, 2));

    auto *form = new QFormLayout;
    form->addRow(frxGet(QStringLiteral("ppPaperSize")), m_paper);
    form->addRow(frxGet(QStringLiteral("ppWidth")), m_width);
    form->addRow(frxGet(QStringLiteral("ppHeight")), m_height);
    form->addRow(frxGet(QStringLiteral("ppOrientation")), m_orientation);
    form->addRow(frxGet(QStringLiteral("ppPaperSource")), m_source);
    form->addRow(frxGet(QStringLiteral("ppTwoSided")), m_duplex);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(m_paper, &QComboBox::currentIndexChanged, this, &TfrxPrinterPropertiesDialog::PaperChanged);
    PaperChanged();
}

void TfrxPrinterPropertiesDialog::PaperChanged()
{
    const bool custom = m_paper->currentData().toInt() == frxCustomPaper;
    m_width->setEnabled(custom);
    m_height->setEnabled(custom);
}

TfrxDeviceMode TfrxPrinterPropertiesDialog::Result() const
{
    TfrxDeviceMode mode = m_mode;
    mode.PaperSize = m_paper->currentData().toInt();
    mode.PaperWidth = mode.PaperSize == frxCustomPaper ? qRound(m_width->value() * 10) : 0;
    mode.PaperLength = mode.PaperSize == frxCustomPaper ? qRound(m_height->value() * 10) : 0;
    mode.Orientation = TPrinterOrientation(m_orientation->currentData().toInt());
    mode.DefaultSource = m_source->currentData().toInt();
    mode.Duplex = m_duplex->currentData().toInt();
    mode.DuplexSet = true;
    return mode;
}

bool TfrxPrinter::ShowPrinterProperties()
{
    if (!m_initialized || m_printing)
        return false;
    TfrxPrinterPropertiesDialog dialog(*this, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return ApplyDeviceSettings(dialog.Result());
}

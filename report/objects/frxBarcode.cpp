#include "report/objects/frxBarcode.h"

#include "report/draw/frxBarcodeSymbol.h"
#include "report/expr/frxExpand.h"
#include "report/model/frxReport.h"

// ---- TfrxBarcodeBase -------------------------------------------------------------------------------

TfrxBarcodeBase::TfrxBarcodeBase(TComponent *owner) : TfrxView(owner)
{
    SetColor(clWhite);
}

TfrxBarcodeBase::~TfrxBarcodeBase()
{
    SendFreeNotifications();
}

int TfrxBarcodeBase::QuarterRotation() const
{
    int angle = m_rotation % 360;
    if (angle < 0)
        angle += 360;
    return ((angle + 45) / 90 % 4) * 90;
}

void TfrxBarcodeBase::ComputeData()
{
    TfrxReport *report = Report();
    if (!m_expression.trimmed().isEmpty()) {
        if (report)
            m_text = report->Calc(m_expression).ToString();
    } else if (IsDataField()) {
        m_text = DataSet()->GetDisplayText(DataField());
    } else if (m_text.contains(QLatin1Char('['))) {
        m_text = frxExpandSimple(report, m_text);
    }
}

void TfrxBarcodeBase::DesignCreate(int flags)
{
    TfrxView::DesignCreate(flags);
    // A new object shows a sample until it is given its value.
    if (m_text.isEmpty())
        m_text = QStringLiteral("12345678");
}

// ---- TfrxBarCodeView --------------------------------------------------------------------------------

TfrxBarCodeView::TfrxBarCodeView(TComponent *owner) : TfrxBarcodeBase(owner)
{
    SetBarType(QStringLiteral("bcCode39"));
}

QStringList TfrxBarCodeView::BarTypeNames()
{
    return {QStringLiteral("bcCode_2_5_interleaved"),
            QStringLiteral("bcCode_2_5_industrial"),
            QStringLiteral("bcCode_2_5_matrix"),
            QStringLiteral("bcCode39"),
            QStringLiteral("bcCode39Extended"),
            QStringLiteral("bcCode128"),
            QStringLiteral("bcCode128A"),
            QStringLiteral("bcCode128B"),
            QStringLiteral("bcCode128C"),
            QStringLiteral("bcCode93"),
            QStringLiteral("bcCode93Extended"),
            QStringLiteral("bcCodeMSI"),
            QStringLiteral("bcCodePostNet"),
            QStringLiteral("bcCodeCodabar"),
            QStringLiteral("bcCodeEAN8"),
            QStringLiteral("bcCodeEAN13"),
            QStringLiteral("bcCodeUPC_A"),
            QStringLiteral("bcCodeUPC_E0"),
            QStringLiteral("bcCodeUPC_E1"),
            QStringLiteral("bcCodeUPC_Supp2"),
            QStringLiteral("bcCodeUPC_Supp5"),
            QStringLiteral("bcCodeEAN128A"),
            QStringLiteral("bcCodeEAN128B"),
            QStringLiteral("bcCodeEAN128C")};
}

// ---- TfrxBarcode2DView ------------------------------------------------------------------------------

void TfrxBarcode2DProperties::Assign(const TfrxBarcode2DProperties &source)
{
    m_encoding = source.m_encoding;
    m_errorLevels = source.m_errorLevels;
    m_pixelSize = source.m_pixelSize;
    m_quietZone = source.m_quietZone;
}

TfrxBarcode2DView::TfrxBarcode2DView(TComponent *owner) : TfrxBarcodeBase(owner)
{
    SetBarType(QStringLiteral("bcCodeQR"));
    SetShowText(false);
}

QStringList TfrxBarcode2DView::BarTypeNames()
{
    return {QStringLiteral("bcCodeQR"), QStringLiteral("bcCodeDataMatrix"), QStringLiteral("bcCodePDF417")};
}

TfrxQRcode::TfrxQRcode(TComponent *owner) : TfrxBarcode2DView(owner) {}

TfrxQRCode::TfrxQRCode(TComponent *owner) : TfrxBarcode2DView(owner) {}

#pragma once
// Barcode symbols as a grid of modules, encoded by libzint. The barcode objects name their kind by
// the layout's BarType names; this unit maps them onto libzint's symbologies and options, checks
// the value against what the kind can hold, and hands back the modules to draw.

#include <QByteArray>
#include <QString>

#include <vector>

struct TfrxBarcodeSymbol {
    bool Valid = false;
    // Why there is no symbol: a short text for the empty box.
    QString Error;
    int Rows = 0;
    int Columns = 0;
    // Row-major, one byte per module: 1 dark.
    std::vector<unsigned char> Modules;
    // Relative height of each row (all 1 for matrix codes).
    std::vector<double> RowHeights;
    // For two-width codes (Code 39, 2 of 5, Codabar, MSI): each module column's width in narrow
    // units once wide elements take WideBarRatio; empty for the others.
    std::vector<double> ColumnWidths;
    // The human-readable line libzint gives (check digits included), or the value.
    QString HumanText;

    bool Dark(int row, int column) const
    {
        return Modules[size_t(row) * size_t(Columns) + size_t(column)] != 0;
    }
    double TotalWidth() const;
    double TotalHeight() const;
};

struct TfrxBarcodeOptions {
    bool CalcCheckSum = false;
    double WideBarRatio = 2;
    int ErrorLevel = 0; // 0..3: L, M, Q, H
    int Encoding = 0;   // TfrxBarcode2DProperties::TEncoding
};

// Whether a name is a one- or two-dimensional BarType this program draws.
bool frxIsBarcodeType(const QString &barType);
bool frxIsBarcode2DType(const QString &barType);

// Encodes value as barType. Never throws: a value the kind cannot hold gives an invalid symbol
// with the reason.
TfrxBarcodeSymbol frxEncodeBarcode(const QString &barType, const QString &value,
                                   const TfrxBarcodeOptions &options);

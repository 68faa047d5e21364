#include "report/draw/frxBarcodeSymbol.h"

#include "report/core/frxRes.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

// What a value must look like for a kind, checked before libzint so the message says it plainly.
enum TCharset { csAny, csDigits, cs128A, cs128B, cs93, csCodabar };

struct TBarKind {
    const char *Name;
    int Symbology;
    TCharset Charset;
    bool TwoWidth; // wide and narrow elements only: WideBarRatio applies
    int MinDigits; // fixed-length numeric codes: accepted lengths (0: any)
    int MaxDigits;
    bool Matrix; // two-dimensional
};

const TBarKind kKinds[] = {
    {"bcCode_2_5_interleaved", BARCODE_C25INTER, csDigits, true, 0, 0, false},
    {"bcCode_2_5_industrial", BARCODE_C25IND, csDigits, true, 0, 0, false},
    {"bcCode_2_5_matrix", BARCODE_C25STANDARD, csDigits, true, 0, 0, false},
    {"bcCode39", BARCODE_CODE39, csAny, true, 0, 0, false},
    {"bcCode39Extended", BARCODE_EXCODE39, csAny, true, 0, 0, false},
    {"bcCode128", BARCODE_CODE128, csAny, false, 0, 0, false},
    {"bcCode128A", BARCODE_CODE128, cs128A, false, 0, 0, false},
    {"bcCode128B", BARCODE_CODE128B, cs128B, false, 0, 0, false},
    {"bcCode128C", BARCODE_CODE128, csDigits, false, 0, 0, false},
    {"bcCode93", BARCODE_CODE93, cs93, false, 0, 0, false},
    {"bcCode93Extended", BARCODE_CODE93, csAny, false, 0, 0, false},
    {"bcCodeMSI", BARCODE_MSI_PLESSEY, csDigits, true, 0, 0, false},
    {"bcCodePostNet", BARCODE_POSTNET, csDigits, false, 0, 0, false},
    {"bcCodeCodabar", BARCODE_CODABAR, csCodabar, true, 0, 0, false},
    {"bcCodeEAN8", BARCODE_EANX, csDigits, false, 7, 8, false},
    {"bcCodeEAN13", BARCODE_EANX, csDigits, false, 12, 13, false},
    {"bcCodeUPC_A", BARCODE_UPCA, csDigits, false, 11, 12, false},
    {"bcCodeUPC_E0", BARCODE_UPCE, csDigits, false, 6, 8, false},
    {"bcCodeUPC_E1", BARCODE_UPCE, csDigits, false, 6, 8, false},
    {"bcCodeUPC_Supp2", BARCODE_EANX, csDigits, false, 2, 2, false},
    {"bcCodeUPC_Supp5", BARCODE_EANX, csDigits, false, 5, 5, false},
    {"bcCodeEAN128A", BARCODE_GS1_128, csAny, false, 0, 0, false},
    {"bcCodeEAN128B", BARCODE_GS1_128, csAny, false, 0, 0, false},
    {"bcCodeEAN128C", BARCODE_GS1_128, csAny, false, 0, 0, false},
    {"bcCodeQR", BARCODE_QRCODE, csAny, false, 0, 0, true},
    {"bcCodeDataMatrix", BARCODE_DATAMATRIX, csAny, false, 0, 0, true},
    {"bcCodePDF417", BARCODE_PDF417, csAny, false, 0, 0, true},
};

// More than any symbol holds; longer values are refused before libzint sees them.
constexpr int kMaxValueLength = 4000;

const TBarKind *FindKind(const QString &name)
{
    for (const TBarKind &kind : kKinds)
        if (name == QLatin1String(kind.Name))
            return &kind;
    return nullptr;
}

bool AllDigits(const QString &value)
{
    for (QChar c : value)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QString Message(const char *key, const char *fallback)
{
    return frxGetOrAdd(key, fallback);
}

// The reason for a refused value, checked against the kind's character set and lengths.
QString CheckValue(const TBarKind &kind, const QString &value)
{
    if (value.isEmpty())
        return Message("SBarcodeEmpty", "No value to encode");
    if (value.size() > kMaxValueLength)
        return Message("SBarcodeTooLong", "Value too long for a barcode");
    switch (kind.Charset) {
    case csDigits:
        if (!AllDigits(value))
            return Message("SBarcodeDigitsOnly", "Digits only");
        break;
    case cs128A:
        for (QChar c : value)
            if (c.unicode() > 95)
                return Message("SBarcode128A", "Upper case, digits and controls only");
        break;
    case cs128B:
        for (QChar c : value)
            if (c.unicode() < 32 || c.unicode() > 127)
                return Message("SBarcode128B", "Printable ASCII only");
        break;
    case cs93:
        for (QChar c : value)
            if (!(c.isDigit() && c.unicode() < 128) && !(c >= u'A' && c <= u'Z') &&
                !QStringLiteral(" -.$/+%").contains(c))
                return Message("SBarcode93", "Upper case, digits and - . $ / + % only");
        break;
    case csCodabar:
    case csAny:
        break;
    }
    if (kind.MinDigits > 0 && (value.size() < kind.MinDigits || value.size() > kind.MaxDigits)) {
        if (kind.MinDigits == kind.MaxDigits)
            return Message("SBarcodeLength", "Wrong number of digits: %1 expected").arg(kind.MinDigits);
        return Message("SBarcodeLengthRange", "Wrong number of digits: %1 to %2 expected")
            .arg(kind.MinDigits)
            .arg(kind.MaxDigits);
    }
    return QString();
}

// The value as libzint takes it for the kind.
QString PrepareValue(const TBarKind &kind, const QString &value)
{
    if (kind.Charset == csCodabar) {
        // Start and stop characters are part of the value; a bare value gets A and B.
        const QChar first = value.at(0).toUpper();
        if (first < u'A' || first > u'D')
            return QLatin1Char('A') + value + QLatin1Char('B');
        return value.toUpper();
    }
    if (qstrcmp(kind.Name, "bcCodeUPC_E1") == 0 && value.size() == 6)
        return QLatin1Char('1') + value;
    if (kind.Symbology == BARCODE_GS1_128) {
        // GS1 data names its application identifiers, in brackets or parentheses.
        return value;
    }
    return value;
}

// The bytes of a two-dimensional symbol for an encoding; empty with a reason when the text does
// not fit the encoding.
QByteArray MatrixBytes(const QString &value, int encoding, QString &error)
{
    switch (encoding) {
    case 1: // numeric
        if (!AllDigits(value))
            error = Message("SBarcodeDigitsOnly", "Digits only");
        return value.toLatin1();
    case 2: { // alphanumeric
        static const QString extra = QStringLiteral(" $%*+-./:");
        for (QChar c : value)
            if (!(c >= u'0' && c <= u'9') && !(c >= u'A' && c <= u'Z') && !extra.contains(c)) {
                error = Message("SBarcodeAlnum", "Upper case, digits and $ % * + - . / : only");
                break;
            }
        return value.toLatin1();
    }
    case 3: // Latin-1
        for (QChar c : value)
            if (c.unicode() > 255) {
                error = Message("SBarcodeLatin1", "Characters outside Latin-1");
                break;
            }
        return value.toLatin1();
    case 5: // UTF-8 with the byte order mark
        return QByteArray("\xEF\xBB\xBF") + value.toUtf8();
    default: // automatic and UTF-8
        return value.toUtf8();
    }
}

QString StripErrorNumber(const char *text)
{
    QString message = QString::fromUtf8(text);
    // "Error 275: Invalid check digit ..." -> "Invalid check digit ..."
    if (message.startsWith(QLatin1String("Error ")) || message.startsWith(QLatin1String("Warning "))) {
        const qsizetype colon = message.indexOf(QLatin1String(": "));
        if (colon > 0)
            message = message.mid(colon + 2);
    }
    return message;
}

struct TSymbolDeleter {
    void operator()(zint_symbol *symbol) const { ZBarcode_Delete(symbol); }
};

// Column widths of a two-width code: a narrow element takes one unit, a wide one ratio units.
std::vector<double> TwoWidthColumns(const TfrxBarcodeSymbol &symbol, double ratio)
{
    std::vector<int> runs; // run length of each module's run
    runs.resize(size_t(symbol.Columns));
    int narrow = symbol.Columns;
    for (int start = 0; start < symbol.Columns;) {
        int end = start;
        while (end < symbol.Columns && symbol.Dark(0, end) == symbol.Dark(0, start))
            ++end;
        for (int i = start; i < end; ++i)
            runs[size_t(i)] = end - start;
        narrow = std::min(narrow, end - start);
        start = end;
    }
    std::vector<double> widths(size_t(symbol.Columns));
    for (int i = 0; i < symbol.Columns; ++i) {
        const int run = runs[size_t(i)];
        widths[size_t(i)] = run > narrow ? ratio / run : 1.0 / run;
    }
    return widths;
}

} // namespace

double TfrxBarcodeSymbol::TotalWidth() const
{
    if (ColumnWidths.empty())
        return Columns;
    double total = 0;
    for (double w : ColumnWidths)
        total += w;
    return total;
}

double TfrxBarcodeSymbol::TotalHeight() const
{
    double total = 0;
    for (double h : RowHeights)
        total += h;
    return total;
}

bool frxIsBarcodeType(const QString &barType)
{
    const TBarKind *kind = FindKind(barType);
    return kind && !kind->Matrix;
}

bool frxIsBarcode2DType(const QString &barType)
{
    const TBarKind *kind = FindKind(barType);
    return kind && kind->Matrix;
}

TfrxBarcodeSymbol frxEncodeBarcode(const QString &barType, const QString &value,
                                   const TfrxBarcodeOptions &options)
{
    TfrxBarcodeSymbol result;
    const TBarKind *kind = FindKind(barType);
    if (!kind) {
        result.Error = Message("SBarcodeUnknownType", "Unknown bar type %1").arg(barType);
        return result;
    }
    result.Error = CheckValue(*kind, value);
    if (!result.Error.isEmpty())
        return result;

    QByteArray bytes;
    std::unique_ptr<zint_symbol, TSymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol) {
        result.Error = Message("SBarcodeNoMemory", "Out of memory");
        return result;
    }
    symbol->symbology = kind->Symbology;
    if (kind->Matrix) {
        bytes = MatrixBytes(value, options.Encoding, result.Error);
        if (!result.Error.isEmpty())
            return result;
        symbol->input_mode = DATA_MODE;
        // Readers guess the character set of bytes without a designator, and short Chinese
        // texts pass for Shift JIS: automatic encoding says UTF-8 (ECI 26) for any text beyond ASCII.
        if (options.Encoding == 0) {
            for (QChar c : value)
                if (c.unicode() > 127) {
                    symbol->eci = 26;
                    break;
                }
        }
        const int level = std::clamp(options.ErrorLevel, 0, 3);
        if (kind->Symbology == BARCODE_QRCODE) {
            symbol->option_1 = level + 1;
            // libzint weighs all eight mask patterns, which costs fifteen times the encoding
            // itself; every pattern makes a valid symbol that readers take, so the checkerboard
            // is used.
            symbol->option_3 = (0 + 1) << 8;
        } else if (kind->Symbology == BARCODE_PDF417)
            symbol->option_1 = level + 2;
    } else {
        if (!std::isfinite(options.WideBarRatio) || options.WideBarRatio < 1 || options.WideBarRatio > 10) {
            result.Error =
                Message("SBarcodeWideBarRatio", "WideBarRatio %1 is out of range").arg(options.WideBarRatio);
            return result;
        }
        const QString prepared = PrepareValue(*kind, value);
        bytes = prepared.toUtf8();
        symbol->input_mode = UNICODE_MODE;
        if (kind->Symbology == BARCODE_GS1_128) {
            symbol->input_mode = GS1_MODE;
            if (prepared.startsWith(QLatin1Char('(')))
                symbol->input_mode |= GS1PARENS_MODE;
            else if (!prepared.startsWith(QLatin1Char('['))) {
                result.Error = Message("SBarcodeGS1", "GS1 data starts with an (AI)");
                return result;
            }
        }
        if (options.CalcCheckSum) {
            switch (kind->Symbology) {
            case BARCODE_C25INTER:
            case BARCODE_C25IND:
            case BARCODE_C25STANDARD:
            case BARCODE_CODE39:
            case BARCODE_EXCODE39:
            case BARCODE_CODABAR:
            case BARCODE_MSI_PLESSEY:
                symbol->option_2 = 1; // a check character after the data
                break;
            default:
                break; // Code 128, Code 93, EAN and UPC always carry theirs
            }
        }
    }
    const int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char *>(bytes.constData()),
                                   int(bytes.size()));
    if (rc >= ZINT_ERROR) {
        result.Error = StripErrorNumber(symbol->errtxt);
        if (result.Error.isEmpty())
            result.Error = Message("SBarcodeCannotEncode", "Cannot encode the value");
        return result;
    }
    if (symbol->rows <= 0 || symbol->width <= 0) {
        result.Error = Message("SBarcodeCannotEncode", "Cannot encode the value");
        return result;
    }

    result.Rows = symbol->rows;
    result.Columns = symbol->width;
    result.Modules.resize(size_t(result.Rows) * size_t(result.Columns));
    for (int row = 0; row < result.Rows; ++row)
        for (int column = 0; column < result.Columns; ++column)
            result.Modules[size_t(row) * size_t(result.Columns) + size_t(column)] =
                (symbol->encoded_data[row][column >> 3] >> (column & 7)) & 1;
    result.RowHeights.resize(size_t(result.Rows));
    for (int row = 0; row < result.Rows; ++row) {
        double height = symbol->row_height[row];
        if (kind->Symbology == BARCODE_QRCODE || kind->Symbology == BARCODE_DATAMATRIX)
            height = 1; // square modules
        else if (!(height > 0))
            height = kind->Symbology == BARCODE_PDF417 ? 3 : 1; // PDF417 rows are three modules high
        result.RowHeights[size_t(row)] = height;
    }
    if (kind->TwoWidth && result.Rows == 1)
        result.ColumnWidths = TwoWidthColumns(result, std::clamp(options.WideBarRatio, 2.0, 3.0));
    result.HumanText = QString::fromUtf8(reinterpret_cast<const char *>(symbol->text));
    if (result.HumanText.isEmpty())
        result.HumanText = value;
    result.Valid = true;
    return result;
}

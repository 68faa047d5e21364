// libFuzzer entry for the order import: any bytes go through the checks before the records (text
// or not), the code-page detection and the record and field rules. Every text decodes to rows of
// at most the configured columns.

#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <cstdlib>

// The application's globals the import refers to, without the rest of the application.
QList<TColumn> OrderColumns;
std::vector<THashTable> OrderRows;
QString PrinterIniPath() { return QStringLiteral("PRINTER.INI"); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!BinaryKind(bytes).isEmpty())
        return 0;
    QList<int> badLines;
    TextEncoding encoding;
    const QString text = DecodeText(bytes, &encoding, &badLines);
    for (int i = 1; i < badLines.size(); ++i)
        if (badLines[i] <= badLines[i - 1])
            std::abort(); // lines are reported once each, in order
    const int columns = size > 0 ? data[0] % 8 : 3;
    const std::vector<THashTable> rows = ParseOrderText(text, columns);
    for (const THashTable &row : rows)
        if (row.Count() > columns)
            std::abort();
    SplitOrderLine(QStringView(text).left(4096));
    // The same text with named columns (a header that may hold some of them, taken by name), fed
    // in pieces: the pieces may end anywhere and give as many rows.
    TOrderImport report;
    TOrderParser parser(QStringList{QStringLiteral("a"), QStringLiteral("b"), QString()}, report,
                        [](const TColumnMatch &) { return TColumnChoice::ByName; });
    for (qsizetype at = 0; at < text.size(); at += 7)
        parser.Feed(QStringView(text).mid(at, 7));
    parser.Finish();
    if (parser.Rows().size() != rows.size())
        std::abort();
    for (const THashTable &row : parser.Rows())
        if (row.Count() > 3)
            std::abort();
    return 0;
}

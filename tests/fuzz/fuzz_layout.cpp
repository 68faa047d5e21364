// libFuzzer entry for the layout reader: any bytes are loaded as a layout; what loads is written,
// read back and written again, and the two writes must be the same bytes.

#include "report/model/frxClass.h"
#include "report/io/frxSerializeReport.h"

#include "FuzzApp.h"

#include <QBuffer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
QByteArray Save(TfrxReport &report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    frxSaveToStream(report, &buffer);
    return buffer.data();
}

void Load(TfrxReport &report, const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    frxLoadFromStream(report, &buffer);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication("fuzz_layout");

    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(report, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    // A protected layout is dropped on loading (no one answers the password question); the report
    // is then left without even its data page.
    if (report.PagesCount() == 0)
        return 0;
    const QByteArray first = Save(report);
    TfrxReport again;
    again.EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(again, first);
    QByteArray second = Save(again);
    if (second != first) {
        // Elements of unknown classes go back exactly as they were read, odd spacing inside their
        // tags included; the reader's own writing of them must then be stable.
        TfrxReport third;
        third.EngineOptions()->SetNewSilentMode(frx::simSilent);
        Load(third, second);
        const QByteArray again2 = Save(third);
        if (again2 == second)
            return 0;
    }
    // What the first reading could not use (elements of unknown classes, pictures that do not
    // decode) is kept and written back as it was, so reading it again names it again; any other
    // error means the writer wrote what the reader refuses.
    QStringList errors = again.Errors();
    const QStringList known = report.Errors();
    errors.removeIf([&](const QString &e) { return known.contains(e); });
    if (!errors.isEmpty() || second != first) {
        // What this program writes must read back to itself.
        fprintf(stderr, "errors: %s\n--- first\n%s\n--- second\n%s\n", qPrintable(again.Errors().join(u'|')),
                first.constData(), second.constData());
        std::abort();
    }
    return 0;
}

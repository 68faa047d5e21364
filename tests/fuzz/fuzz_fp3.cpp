// libFuzzer entry for the prepared-report reader: any bytes are opened as an .fp3 file, the first
// pages are built from it and the whole is written again.

#include "FuzzApp.h"
#include "engine/pages/frxPreviewPages.h"
#include "report/model/frxClass.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication("fuzz_fp3");
    TfrxPreviewPages::Register();
    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    auto *pages = dynamic_cast<TfrxPreviewPages *>(report.PreviewPages());
    if (!pages)
        return 0;
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    try {
        pages->LoadFromStream(&in);
    } catch (const std::exception &) {
        return 0;
    }
    for (int i = 0; i < pages->Count() && i < 8; ++i) {
        if (TfrxReportPage *page = pages->GetPage(i))
            page->AllObjects();
    }
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    try {
        pages->SaveToStream(&out);
    } catch (const std::exception &) {
    }
    return 0;
}

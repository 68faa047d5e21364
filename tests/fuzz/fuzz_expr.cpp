// libFuzzer entry for the expression evaluator: any text is evaluated as an expression of a report
// (through the report's expression cache, as a bracket of a text object is) and by the script
// engine directly. Errors are expected; crashes, hangs and runaway memory are not.

#include "FuzzApp.h"
#include "report/model/frxReport.h"
#include "script/fs_iinterpreter.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication("fuzz_expr");
    const QString expression = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TfsScript script;
    try {
        script.Evaluate(expression);
    } catch (const std::exception &) {
    }
    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    try {
        report.Calc(expression);
    } catch (const std::exception &) {
    }
    return 0;
}

// libFuzzer entry for the script parser: the first byte picks one of the four languages, the rest
// is compiled as a report script. A program that compiles gives intermediate code that compiles
// again.

#include "script/fs_iinterpreter.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const char *const languages[] = {"PascalScript", "C++Script", "BasicScript", "JScript"};
    TfsScript script;
    script.SetSyntaxType(QString::fromLatin1(languages[data[0] % 4]));
    script.SetText(QString::fromUtf8(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1)));
    if (!script.Compile())
        return 0;
    const QString il = script.GetILCode();
    TfsScript again;
    again.SetSyntaxType(script.SyntaxType());
    if (!again.SetILCode(il))
        std::abort();
    return 0;
}

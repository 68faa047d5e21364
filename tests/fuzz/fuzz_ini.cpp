// libFuzzer entry for the settings files: any bytes as an INI file are read every way the program
// reads them, and a key written into them reads back as written.

#include "platform/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    IniFile ini(path);
    ini.Problem();
    for (const QString &section : ini.ReadSections()) {
        const QHash<QString, QString> values = ini.ReadSectionValues(section);
        for (const QString &key : ini.ReadSection(section)) {
            ini.ReadInteger(section, key, 0);
            if (ini.ReadString(section, key, QString()) != values.value(key.trimmed().toCaseFolded()))
                std::abort(); // the one-pass reading agrees with the key-by-key one
        }
    }
    if (!ini.Problem().isEmpty())
        return 0;
    try {
        ini.WriteString(QStringLiteral("FUZZ"), QStringLiteral("KEY"), QStringLiteral("value 1"));
    } catch (const EFileError &) {
        return 0;
    }
    if (IniFile(path).ReadString(QStringLiteral("FUZZ"), QStringLiteral("KEY"), QString()) != QLatin1String("value 1"))
        std::abort();
    return 0;
}

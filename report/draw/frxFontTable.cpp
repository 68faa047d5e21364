#include "report/draw/frxFontTable.h"

#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>

#include <mutex>

static void InitFontTableResource()
{
    Q_INIT_RESOURCE(frxFontTable);
}

namespace {

const QString kFontSection = QStringLiteral("Font ");

bool IsComment(const QString &key)
{
    return key.isEmpty() || key.startsWith(u';') || key.startsWith(u'#');
}

} // namespace

TfrxFontTable &TfrxFontTable::Global()
{
    static TfrxFontTable table;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        InitFontTableResource();
        table.Load(QStringLiteral(":/report/fonts.ini"));
        if (QCoreApplication::instance()) {
            const QString beside =
                QCoreApplication::applicationDirPath() + QStringLiteral("/config/fonts.ini");
            if (QFileInfo(beside).isFile())
                table.LoadOnce(beside);
        }
    });
    return table;
}

bool TfrxFontTable::Load(const QString &fileName)
{
    const QFileInfo info(fileName);
    // Only a regular file of a sane size is a table; a device or a huge file is not read.
    if (!info.isFile() || info.size() > 4 * 1024 * 1024)
        return false;
    IniFile ini(fileName);
    const QDir folder = info.absoluteDir();
    auto path = [&](const QString &section, const QString &key) {
        const QString value = ini.ReadString(section, key, QString());
        if (value.isEmpty() || value.startsWith(u':') || QDir::isAbsolutePath(value))
            return value;
        return folder.absoluteFilePath(value);
    };

    QMutexLocker locker(&m_lock);
    for (const QString &key : ini.ReadSection(QStringLiteral("Names"))) {
        if (IsComment(key))
            continue;
        const QString font = ini.ReadString(QStringLiteral("Names"), key, QString());
        if (!font.isEmpty()) {
            if (!m_names.contains(key.toCaseFolded()))
                m_nameOrder.append(key.trimmed());
            m_names.insert(key.toCaseFolded(), font);
        }
    }
    for (const QString &section : ini.ReadSections()) {
        if (!section.startsWith(kFontSection, Qt::CaseInsensitive))
            continue;
        TFont font;
        font.Name = section.mid(kFontSection.size()).trimmed();
        if (font.Name.isEmpty())
            continue;
        font.Package = ini.ReadString(section, QStringLiteral("Package"), QString());
        font.Regular = path(section, QStringLiteral("Regular"));
        font.Bold = path(section, QStringLiteral("Bold"));
        font.Italic = path(section, QStringLiteral("Italic"));
        font.BoldItalic = path(section, QStringLiteral("BoldItalic"));
        m_fonts.insert(font.Name.toCaseFolded(), font);
    }
    if (ini.SectionExists(QStringLiteral("Fallback"))) {
        m_fallback.clear();
        for (const QString &key : ini.ReadSection(QStringLiteral("Fallback"))) {
            const QString font =
                IsComment(key) ? QString() : ini.ReadString(QStringLiteral("Fallback"), key, QString());
            if (!font.isEmpty() && !m_fallback.contains(font, Qt::CaseInsensitive))
                m_fallback.append(font);
        }
    }
    const QString defaultFont = ini.ReadString(QStringLiteral("Default"), QStringLiteral("Font"), QString());
    if (!defaultFont.isEmpty())
        m_default = defaultFont;
    ++m_generation;
    return true;
}

bool TfrxFontTable::LoadOnce(const QString &fileName)
{
    const QString path = QFileInfo(fileName).absoluteFilePath();
    {
        QMutexLocker locker(&m_lock);
        if (m_loaded.contains(path))
            return true;
        m_loaded.append(path);
    }
    return Load(path);
}

void TfrxFontTable::Clear()
{
    QMutexLocker locker(&m_lock);
    m_names.clear();
    m_nameOrder.clear();
    m_fonts.clear();
    m_fallback.clear();
    m_default.clear();
    ++m_generation;
}

QString TfrxFontTable::FontFor(const QString &name) const
{
    QMutexLocker locker(&m_lock);
    const QString key = name.trimmed().toCaseFolded();
    auto named = m_names.constFind(key);
    if (named != m_names.constEnd())
        return *named;
    auto font = m_fonts.constFind(key);
    if (font != m_fonts.constEnd())
        return font->Name;
    return m_default;
}

TfrxFontTable::TFile TfrxFontTable::FileFor(const QString &fontName, frx::TFontStyles style) const
{
    QMutexLocker locker(&m_lock);
    TFile file;
    auto it = m_fonts.constFind(fontName.toCaseFolded());
    if (it == m_fonts.constEnd())
        return file;
    const TFont &font = *it;
    file.Font = font.Name;
    const bool bold = style.testFlag(frx::fsBold);
    const bool italic = style.testFlag(frx::fsItalic);
    // The nearest face the font has; what it lacks is made when drawing.
    const QString *choice = &font.Regular;
    if (bold && italic && !font.BoldItalic.isEmpty())
        choice = &font.BoldItalic;
    else if (bold && !font.Bold.isEmpty())
        choice = &font.Bold;
    else if (italic && !font.Italic.isEmpty())
        choice = &font.Italic;
    if (choice->isEmpty())
        choice = !font.Bold.isEmpty() ? &font.Bold : &font.Italic;
    file.Path = *choice;
    const bool hasBold = choice == &font.Bold || choice == &font.BoldItalic;
    const bool hasItalic = choice == &font.Italic || choice == &font.BoldItalic;
    file.SynthesizedBold = bold && !hasBold;
    file.SynthesizedItalic = italic && !hasItalic;
    return file;
}

QStringList TfrxFontTable::Fallback() const
{
    QMutexLocker locker(&m_lock);
    return m_fallback;
}

QString TfrxFontTable::DefaultFont() const
{
    QMutexLocker locker(&m_lock);
    return m_default;
}

QStringList TfrxFontTable::Fonts() const
{
    QMutexLocker locker(&m_lock);
    QStringList fonts;
    for (const TFont &font : m_fonts)
        fonts.append(font.Name);
    fonts.sort();
    return fonts;
}

QStringList TfrxFontTable::LayoutNames() const
{
    QStringList names;
    {
        QMutexLocker locker(&m_lock);
        names = m_nameOrder;
    }
    for (const QString &font : Fonts())
        if (!names.contains(font, Qt::CaseInsensitive))
            names.append(font);
    return names;
}

QStringList TfrxFontTable::Files() const
{
    QMutexLocker locker(&m_lock);
    QStringList files;
    for (const TFont &font : m_fonts)
        for (const QString *path : {&font.Regular, &font.Bold, &font.Italic, &font.BoldItalic})
            if (!path->isEmpty() && !files.contains(*path))
                files.append(*path);
    files.sort();
    return files;
}

QStringList TfrxFontTable::Packages() const
{
    QMutexLocker locker(&m_lock);
    QStringList packages;
    for (const TFont &font : m_fonts)
        if (!font.Package.isEmpty() && !packages.contains(font.Package))
            packages.append(font.Package);
    packages.sort();
    return packages;
}

int TfrxFontTable::Generation() const
{
    QMutexLocker locker(&m_lock);
    return m_generation;
}

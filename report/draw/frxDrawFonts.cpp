#include "report/draw/frxDrawFonts.h"

#include "report/draw/frxDrawCanvas.h"
#include "report/draw/frxFontTable.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMutex>
#include <QMutexLocker>
#include <QPainterPath>

#include <atomic>

namespace {

// The pixel size the character map is read at; glyph indexes do not depend on it.
constexpr int kReferencePixelSize = 64;
// Sizes kept per face before the oldest are dropped.
constexpr int kMaxSizesPerFace = 24;
// No font file is larger; anything larger is not a font.
constexpr qint64 kMaxFontFileSize = 256 * 1024 * 1024;

// The bytes of a font file; empty when the file is missing, is not a regular file or is too large.
QByteArray FontFileData(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxFontFileSize)
        return QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.read(kMaxFontFileSize);
}

// A font file as a raw font at the reference size. The glyphs and metrics are those of the file
// itself. The font is opened through the font database (with the file registered there) when
// that yields this very font, because only a font the database knows by its file is embedded in
// PDF output as text; were the database to answer with another file of the same family name,
// the file read directly is used and PDF gets the glyphs as outlines.
QRawFont OpenFontFileUncached(const QString &path, QFont::HintingPreference hinting)
{
    const QByteArray data = FontFileData(path);
    if (data.isEmpty())
        return QRawFont();
    QRawFont exact;
    exact.loadFromData(data, kReferencePixelSize, hinting);
    if (!exact.isValid() || exact.unitsPerEm() <= 0)
        return QRawFont(); // damaged
    {
        static QMutex lock;
        static QHash<QString, int> registered;
        QMutexLocker locker(&lock);
        if (!registered.contains(path))
            registered.insert(path, QFontDatabase::addApplicationFont(path));
        if (registered.value(path) < 0)
            return exact;
    }
    QFont query(exact.familyName());
    query.setStyleName(exact.styleName());
    query.setPixelSize(kReferencePixelSize);
    query.setKerning(false);
    query.setHintingPreference(hinting);
    query.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::NoFontMerging));
    const QRawFont known = QRawFont::fromFont(query);
    auto same = [&](const char *tag) { return known.fontTable(tag) == exact.fontTable(tag); };
    if (known.isValid() && !exact.fontTable("head").isEmpty() && same("head") && same("hhea") &&
        same("maxp") && known.familyName() == exact.familyName())
        return known;
    return exact;
}

// Each file is opened once per process and hinting; the fonts are shared by every face using them.
QRawFont OpenFontFile(const QString &path, QFont::HintingPreference hinting)
{
    static QMutex lock;
    static QHash<QString, QRawFont> opened;
    const QString key = QString::number(int(hinting)) + u'|' + path;
    {
        QMutexLocker locker(&lock);
        auto it = opened.constFind(key);
        if (it != opened.constEnd())
            return *it;
    }
    const QRawFont font = OpenFontFileUncached(path, hinting);
    QMutexLocker locker(&lock);
    opened.insert(key, font);
    return font;
}

// Characters that take their place but are never drawn as a box when no font has them.
bool IsInvisible(char32_t ucs4)
{
    switch (QChar::category(ucs4)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return (ucs4 >= 0xFE00 && ucs4 <= 0xFE0F) ||
               (ucs4 >= 0xE0100 && ucs4 <= 0xE01EF); // variation selectors
    }
}

// The glyph of a character in one font; index 0 when the font has none.
quint32 GlyphIndex(const QRawFont &font, char32_t ucs4)
{
    QChar chars[2];
    int count = 1;
    if (QChar::requiresSurrogates(ucs4)) {
        chars[0] = QChar(QChar::highSurrogate(ucs4));
        chars[1] = QChar(QChar::lowSurrogate(ucs4));
        count = 2;
    } else {
        chars[0] = QChar(char16_t(ucs4));
    }
    // Room for one glyph per code unit: the font engine wants it even for a surrogate pair.
    quint32 indexes[2] = {0, 0};
    int glyphs = 2;
    if (!font.isValid() || !font.supportsCharacter(ucs4) ||
        !font.glyphIndexesForChars(chars, count, indexes, &glyphs) || glyphs < 1)
        return 0;
    return indexes[0];
}

} // namespace

// ---- a face at one size --------------------------------------------------------------------------

const QRawFont &TfrxSizedFace::Font(int index)
{
    while (m_fonts.size() <= index)
        m_fonts.append(m_face->SizedFont(int(m_fonts.size()), m_pixelSize, m_hinted));
    return m_fonts[index];
}

bool TfrxSizedFace::SynthesizedBold(int index)
{
    return index < m_face->m_sources.size() && m_face->m_sources[index].SynthesizedBold;
}

bool TfrxSizedFace::SynthesizedItalic(int index)
{
    return index < m_face->m_sources.size() && m_face->m_sources[index].SynthesizedItalic;
}

int TfrxSizedFace::Advance(const TfrxGlyph &glyph)
{
    const quint64 key = (quint64(quint32(glyph.Font)) << 32) | glyph.Index;
    auto it = m_advances.constFind(key);
    if (it != m_advances.constEnd())
        return *it;
    QPointF advance;
    quint32 index = glyph.Index;
    const QRawFont &font = Font(glyph.Font);
    if (font.isValid())
        font.advancesForGlyphIndexes(&index, &advance, 1);
    int value = frxRound(advance.x());
    if (glyph.Index == 0 && value <= 0)
        value = frxRound(m_pixelSize * 0.5); // a missing-glyph box always takes room
    m_advances.insert(key, value);
    return value;
}

// ---- a face ----------------------------------------------------------------------------------------

TfrxFontFace::TfrxFontFace(const QString &name, frx::TFontStyles style) : m_name(name), m_style(style)
{
    const TfrxFontTable &table = TfrxFontTable::Global();
    const QString own = table.FontFor(name);
    if (!own.isEmpty())
        m_pending.append(own);
    for (const QString &font : table.Fallback())
        if (!m_pending.contains(font, Qt::CaseInsensitive))
            m_pending.append(font);
    // The face's own font, or, when its file is missing or damaged, the first fallback that reads:
    // metrics and the missing-glyph box come from font 0.
    while (m_sources.isEmpty() && LoadNext()) {
    }
    if (m_sources.isEmpty()) {
        // Not one font of the table is installed. Text still shows, in what the system has for the
        // name, but the setup's fonts are what keep pages the same everywhere.
        static bool warned = false;
        if (!warned) {
            warned = true;
            qWarning("fonts: none of the fonts of the font table can be read; text is drawn with the "
                     "system's fonts and may not match other machines");
        }
        QFont font(name);
        font.setPixelSize(kReferencePixelSize);
        font.setBold(style.testFlag(frx::fsBold));
        font.setItalic(style.testFlag(frx::fsItalic));
        font.setKerning(false);
        font.setHintingPreference(QFont::PreferNoHinting);
        TSource source;
        source.Reference = QRawFont::fromFont(font);
        if (source.Reference.isValid())
            m_sources.append(source);
    }
}

bool TfrxFontFace::LoadNext()
{
    while (!m_pending.isEmpty()) {
        const QString font = m_pending.takeFirst();
        const TfrxFontTable::TFile file = TfrxFontTable::Global().FileFor(font, m_style);
        if (file.Path.isEmpty())
            continue;
        TSource source;
        source.File = file.Path;
        source.SynthesizedBold = file.SynthesizedBold;
        source.SynthesizedItalic = file.SynthesizedItalic;
        source.Reference = OpenFontFile(file.Path, QFont::PreferNoHinting);
        if (!source.Reference.isValid())
            continue; // missing or damaged: the next font stands in
        m_sources.append(source);
        return true;
    }
    return false;
}

TfrxGlyph TfrxFontFace::Resolve(char32_t ucs4)
{
    if (m_sources.isEmpty())
        return TfrxGlyph{0, 0, true}; // no font at all: nothing can show
    for (int i = 0;; ++i) {
        if (i == m_sources.size() && !LoadNext())
            break;
        if (quint32 index = GlyphIndex(m_sources[i].Reference, ucs4))
            return TfrxGlyph{index, i, false};
    }
    // No font has it: a missing-glyph box as wide as the face's own missing glyph, drawn by the
    // text engine itself (not every font draws one). Said once per run: a box on a waybill is a
    // name or an address the courier cannot read.
    const bool invisible = IsInvisible(ucs4);
    static std::atomic_bool warned = false;
    if (!invisible && !warned.exchange(true)) {
        const QString character = QString::fromUcs4(&ucs4, 1);
        qWarning("fonts: no font of the font table has the character %s (U+%04X); it is drawn as a box. "
                 "Add a font that has it to config/fonts.ini ([Fallback]).",
                 qPrintable(character), unsigned(ucs4));
    }
    return TfrxGlyph{0, 0, invisible};
}

TfrxGlyph TfrxFontFace::Glyph(char32_t ucs4)
{
    auto it = m_glyphs.constFind(ucs4);
    if (it != m_glyphs.constEnd())
        return *it;
    TfrxGlyph glyph = Resolve(ucs4);
    m_glyphs.insert(ucs4, glyph);
    return glyph;
}

std::shared_ptr<TfrxSizedFace> TfrxFontFace::Sized(int pixelSize, bool hinted)
{
    pixelSize = qBound(1, pixelSize, MaxPixelSize);
    const int key = pixelSize * 2 + (hinted ? 1 : 0);
    auto it = m_sized.constFind(key);
    if (it != m_sized.constEnd())
        return *it;
    if (m_sized.size() >= kMaxSizesPerFace)
        m_sized.clear();
    auto sized = std::make_shared<TfrxSizedFace>();
    sized->m_face = this;
    sized->m_pixelSize = pixelSize;
    sized->m_hinted = hinted;
    const QRawFont &font = sized->Font(0);
    sized->m_ascent = font.isValid() ? frxRound(font.ascent()) : frxRound(pixelSize * 0.8);
    m_sized.insert(key, sized);
    return sized;
}

QRawFont TfrxFontFace::SizedFont(int index, int pixelSize, bool hinted)
{
    if (index >= m_sources.size())
        return QRawFont();
    TSource &source = m_sources[index];
    QRawFont font = source.Reference;
    if (hinted && !source.File.isEmpty()) {
        if (!source.Hinted.isValid())
            source.Hinted = OpenFontFile(source.File, QFont::PreferVerticalHinting);
        if (source.Hinted.isValid())
            font = source.Hinted;
    }
    // Scaled from the reference font itself, so its glyph indexes stay valid.
    font.setPixelSize(pixelSize);
    return font;
}

QStringList TfrxFontFace::Families() const
{
    QStringList families;
    for (const TSource &source : m_sources)
        families.append(source.Reference.familyName());
    return families;
}

QStringList TfrxFontFace::Files() const
{
    QStringList files;
    for (const TSource &source : m_sources)
        files.append(source.File);
    return files;
}

// ---- the cache -------------------------------------------------------------------------------------

TfrxFontFace &TfrxFontCache::Face(const QString &name, frx::TFontStyles style)
{
    const int generation = TfrxFontTable::Global().Generation();
    if (generation != m_generation) {
        for (const auto &face : std::as_const(m_faces))
            m_retired.append(face);
        m_faces.clear();
        m_generation = generation;
    }
    const QString key = name + QChar(u'\x1F') + QString::number(int(style & (frx::fsBold | frx::fsItalic)));
    auto it = m_faces.constFind(key);
    if (it != m_faces.constEnd())
        return **it;
    auto face = std::make_shared<TfrxFontFace>(name, style);
    m_faces.insert(key, face);
    return *face;
}

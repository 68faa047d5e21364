#include "report/draw/frxDrawFonts.h"

#include "report/draw/frxDrawCanvas.h"

#include <QFontDatabase>

namespace {

// The pixel size the character map is read at; glyph indexes do not depend on it.
constexpr int kReferencePixelSize = 64;
// Sizes kept per face before the oldest are dropped.
constexpr int kMaxSizesPerFace = 24;

QFontDatabase::WritingSystem WritingSystemOf(char32_t ucs4)
{
    switch (QChar::script(ucs4)) {
    case QChar::Script_Han:
    case QChar::Script_Bopomofo:
        return QFontDatabase::SimplifiedChinese;
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        return QFontDatabase::Japanese;
    case QChar::Script_Hangul:
        return QFontDatabase::Korean;
    case QChar::Script_Cyrillic:
        return QFontDatabase::Cyrillic;
    case QChar::Script_Greek:
        return QFontDatabase::Greek;
    case QChar::Script_Arabic:
        return QFontDatabase::Arabic;
    case QChar::Script_Hebrew:
        return QFontDatabase::Hebrew;
    case QChar::Script_Thai:
        return QFontDatabase::Thai;
    case QChar::Script_Armenian:
        return QFontDatabase::Armenian;
    case QChar::Script_Georgian:
        return QFontDatabase::Georgian;
    case QChar::Script_Devanagari:
        return QFontDatabase::Devanagari;
    case QChar::Script_Tibetan:
        return QFontDatabase::Tibetan;
    default:
        return QFontDatabase::Any;
    }
}

// Families tried, in order, for characters neither the face nor the writing-system choice has.
// Chinese fonts come early: CJK punctuation and full-width forms count as common script, and they
// are what waybill text is made of.
const char *const kStandInFamilies[] = {
    "WenQuanYi Zen Hei", "Noto Sans CJK SC", "Noto Sans SC", "Source Han Sans SC", "Droid Sans Fallback",
    "DejaVu Sans",       "Noto Sans",        "FreeSans",     "Noto Sans Symbols",  "Symbola",
};

} // namespace

const QRawFont &TfrxSizedFace::Font(int index)
{
    while (m_fonts.size() <= index) {
        QRawFont font = m_face->SizedFont(int(m_fonts.size()), m_pixelSize, m_hinted);
        // A raw font reports the weight asked for; the face file's own style says what it has.
        quint8 synthesized = 0;
        const QString family = font.familyName();
        const QString style = font.styleName();
        if (m_face->Style().testFlag(frx::fsBold)) {
            int weight = QFontDatabase::weight(family, style);
            if (weight < 0)
                weight =
                    style.contains(QLatin1String("Bold"), Qt::CaseInsensitive) ? QFont::Bold : QFont::Normal;
            if (weight < QFont::DemiBold)
                synthesized |= 1;
        }
        if (m_face->Style().testFlag(frx::fsItalic) && !QFontDatabase::italic(family, style) &&
            !style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive) &&
            !style.contains(QLatin1String("Italic"), Qt::CaseInsensitive))
            synthesized |= 2;
        m_fonts.append(font);
        m_synthesized.append(synthesized);
    }
    return m_fonts[index];
}

bool TfrxSizedFace::SynthesizedBold(int index)
{
    Font(index);
    return m_synthesized[index] & 1;
}

bool TfrxSizedFace::SynthesizedItalic(int index)
{
    Font(index);
    return m_synthesized[index] & 2;
}

int TfrxSizedFace::Advance(const TfrxGlyph &glyph)
{
    const quint64 key = (quint64(quint32(glyph.Font)) << 32) | glyph.Index;
    auto it = m_advances.constFind(key);
    if (it != m_advances.constEnd())
        return *it;
    QPointF advance;
    quint32 index = glyph.Index;
    Font(glyph.Font).advancesForGlyphIndexes(&index, &advance, 1);
    int value = frxRound(advance.x());
    m_advances.insert(key, value);
    return value;
}

TfrxFontFace::TfrxFontFace(const QString &name, frx::TFontStyles style) : m_name(name), m_style(style)
{
    QRawFont primary = QRawFont::fromFont(Query(name, kReferencePixelSize, false));
    if (!primary.isValid()) {
        // The font system has nothing for the name at all; any valid font beats no text.
        primary = QRawFont::fromFont(QFont());
    }
    m_fonts.append(primary);
    m_families.append(name);
}

QFont TfrxFontFace::Query(const QString &family, int pixelSize, bool hinted) const
{
    QFont font(family);
    font.setPixelSize(qMax(1, pixelSize));
    font.setBold(m_style.testFlag(frx::fsBold));
    font.setItalic(m_style.testFlag(frx::fsItalic));
    font.setKerning(false);
    font.setHintingPreference(hinted ? QFont::PreferDefaultHinting : QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    return font;
}

int TfrxFontFace::AddFont(const QRawFont &font)
{
    const QString family = font.familyName();
    for (int i = 1; i < m_families.size(); ++i)
        if (m_families[i] == family)
            return i;
    m_fonts.append(font);
    m_families.append(family);
    return int(m_fonts.size()) - 1;
}

// The glyph of a character in one font; index 0 when the font has none.
static quint32 GlyphIndex(const QRawFont &font, char32_t ucs4)
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
    quint32 index = 0;
    int glyphs = 1;
    if (!font.supportsCharacter(ucs4) || !font.glyphIndexesForChars(chars, count, &index, &glyphs))
        return 0;
    return index;
}

TfrxGlyph TfrxFontFace::Resolve(char32_t ucs4)
{
    // The face itself and the stand-ins already found.
    for (int i = 0; i < m_fonts.size(); ++i) {
        if (quint32 index = GlyphIndex(m_fonts[i], ucs4))
            return TfrxGlyph{index, i};
    }
    // Qt's own choice for the character's writing system, then the known stand-ins.
    const QFont query = Query(m_name, kReferencePixelSize, false);
    QFontDatabase::WritingSystem system = WritingSystemOf(ucs4);
    QList<QRawFont> candidates;
    if (system != QFontDatabase::Any)
        candidates.append(QRawFont::fromFont(query, system));
    candidates.append(QRawFont::fromFont(query, QFontDatabase::SimplifiedChinese));
    for (const char *family : kStandInFamilies) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family)))
            candidates.append(
                QRawFont::fromFont(Query(QString::fromLatin1(family), kReferencePixelSize, false)));
    }
    for (const QRawFont &candidate : candidates) {
        if (!candidate.isValid() || !GlyphIndex(candidate, ucs4))
            continue;
        const int font = AddFont(candidate);
        if (quint32 index = GlyphIndex(m_fonts[font], ucs4))
            return TfrxGlyph{index, font};
    }
    return TfrxGlyph(); // nobody has it: the character keeps its place and shows nothing
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
    pixelSize = qMax(1, pixelSize);
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
    sized->m_ascent = frxRound(sized->Font(0).ascent());
    m_sized.insert(key, sized);
    return sized;
}

QRawFont TfrxFontFace::SizedFont(int index, int pixelSize, bool hinted) const
{
    QRawFont font = QRawFont::fromFont(Query(index == 0 ? m_name : m_families[index], pixelSize, hinted));
    if (!font.isValid() || font.familyName() != m_fonts[index].familyName()) {
        // The query found another font at this size: scale the reference font itself so that its
        // glyph indexes stay valid.
        font = m_fonts[index];
        font.setPixelSize(pixelSize);
    }
    return font;
}

QStringList TfrxFontFace::Families() const
{
    QStringList families;
    for (const QRawFont &font : m_fonts)
        families.append(font.familyName());
    return families;
}

TfrxFontFace &TfrxFontCache::Face(const QString &name, frx::TFontStyles style)
{
    const QString key = name + QChar(u'\x1F') + QString::number(int(style & (frx::fsBold | frx::fsItalic)));
    auto it = m_faces.constFind(key);
    if (it != m_faces.constEnd())
        return **it;
    auto face = std::make_shared<TfrxFontFace>(name, style);
    m_faces.insert(key, face);
    return *face;
}

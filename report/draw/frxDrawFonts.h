#pragma once
// Fonts as the text engine uses them: a face (name and style) resolved once into the font files
// that render each character. The files come from the font table only (frxFontTable.h): the
// layout's font for its name first, then the table's fallback fonts in their order for characters
// that font lacks (Chinese text in "Arial" comes from a CJK font). A character that no font has is
// drawn as a missing-glyph box in the face's size. Which font renders a character is decided
// per face, independently of size, so text measured at 600 dpi and drawn at any size uses the same
// glyphs and therefore the same proportions.

#include "report/core/frxTypes.h"

#include <QFont>
#include <QHash>
#include <QList>
#include <QRawFont>
#include <QString>

#include <memory>

// One character as a face draws it.
struct TfrxGlyph {
    quint32 Index = 0; // glyph index in the face's font Font; 0: no font has it, a box is drawn
    int Font = 0;
    bool Hidden = false; // takes its place but shows nothing (control and format characters)
};

// The fonts of a face at one pixel size, with the advances met so far.
class TfrxSizedFace {
public:
    // The face's font number index at this size; stand-ins found after this size was made are
    // added on first use.
    const QRawFont &Font(int index);
    int PixelSize() const { return m_pixelSize; }
    bool Hinted() const { return m_hinted; }
    const class TfrxFontFace *Face() const { return m_face; }
    // Distance from the top of the character cell to the baseline, in whole pixels.
    int Ascent() const { return m_ascent; }
    // The advance of a glyph rounded to whole pixels, as a device measures it.
    int Advance(const TfrxGlyph &glyph);
    // Whether font index lacks the bold or italic face the text asks for, so that drawing must
    // make it: bold by striking each glyph again a little to the right, italic by slanting.
    bool SynthesizedBold(int index);
    bool SynthesizedItalic(int index);
    // How far the second stroke of a made-up bold lies to the right, in pixels.
    int EmboldenOffset() const { return qMax(1, (m_pixelSize + 14) / 28); }

private:
    friend class TfrxFontFace;
    class TfrxFontFace *m_face = nullptr;
    QList<QRawFont> m_fonts;
    bool m_hinted = false;
    QHash<quint64, int> m_advances;
    int m_pixelSize = 0;
    int m_ascent = 0;
};

class TfrxFontFace {
public:
    // The largest pixel size fonts are made at; larger text is drawn at this size. The font
    // rasteriser keeps sizes in 16 bits, and nothing on paper or screen needs more.
    static constexpr int MaxPixelSize = 16384;

    TfrxFontFace(const QString &name, frx::TFontStyles style);
    TfrxFontFace(const TfrxFontFace &) = delete;
    TfrxFontFace &operator=(const TfrxFontFace &) = delete;

    // The glyph for a code point; cached.
    TfrxGlyph Glyph(char32_t ucs4);
    // The face's fonts at a pixel size (1 to MaxPixelSize); hinted fonts render more crisply on
    // screen, unhinted ones measure the same at every resolution. A preview that zooms through many
    // sizes does not make the cache grow without bound, so the result is shared, not referenced.
    std::shared_ptr<TfrxSizedFace> Sized(int pixelSize, bool hinted);
    // Family names of the fonts drawing the face so far: its own font first, then the stand-ins.
    QStringList Families() const;
    // Files of those fonts, in the same order.
    QStringList Files() const;
    frx::TFontStyles Style() const { return m_style; }
    // False when not one font of the table could be read: nothing can be drawn.
    bool IsValid() const { return !m_sources.isEmpty(); }

private:
    friend class TfrxSizedFace;
    // A font file of the table in the style the face needs.
    struct TSource {
        QString File;
        QRawFont Reference; // unhinted, at the reference size: character map and measuring
        QRawFont Hinted;    // made on first use
        bool SynthesizedBold = false;
        bool SynthesizedItalic = false;
    };
    QRawFont SizedFont(int index, int pixelSize, bool hinted);
    bool LoadNext();
    TfrxGlyph Resolve(char32_t ucs4);

    QString m_name;
    frx::TFontStyles m_style;
    QList<TSource> m_sources; // fonts read so far, all valid: the face's own font first
    QStringList m_pending;    // table fonts not read yet, in fallback order
    QHash<char32_t, TfrxGlyph> m_glyphs;
    QHash<int, std::shared_ptr<TfrxSizedFace>> m_sized; // key: pixel size * 2 + hinted
};

// Faces by name and style, kept for the life of the text engine that owns the cache, and made
// anew when the font table changes.
class TfrxFontCache {
public:
    TfrxFontFace &Face(const QString &name, frx::TFontStyles style);

private:
    QHash<QString, std::shared_ptr<TfrxFontFace>> m_faces;
    // Faces of an older table stay alive: engines may still hold them, and a new face must never
    // take an old one's address (rendered glyphs are kept by face).
    QList<std::shared_ptr<TfrxFontFace>> m_retired;
    int m_generation = -1;
};

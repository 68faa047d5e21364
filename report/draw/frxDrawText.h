#pragma once
// The text engine of text objects. Text is laid out once, at a fixed 600 dpi, and only the glyph
// positions are corrected on the real device, so the builder's measurement, the preview and the
// paper break lines at the same characters and fill the same proportion of their objects.
//
// One engine serves all text objects of a report; an object sets every value it needs before use
// and holds the engine's lock meanwhile (TfrxDrawTextLocker).

#include "report/core/frxTypes.h"
#include "report/draw/frxDrawCanvas.h"
#include "report/draw/frxDrawFonts.h"

#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class TFont;

// A wrapped line and where it stands in its source line.
struct TfrxTextLine {
    enum { ParagraphStart = 1, ParagraphEnd = 2 };
    QString Text;
    int Flags = 0;
};

class TfrxDrawText {
public:
    static constexpr int MeasureDpi = 600;
    static constexpr int ScreenDpi = 96;
    // 600 / 96: measuring pixels per report pixel.
    static constexpr double MeasureScale = 6.25;
    // The largest point size text is laid out at: its measuring font is the largest that can be
    // made. Larger sizes are drawn at this one.
    static constexpr int MaxFontSize = TfrxFontFace::MaxPixelSize * 72 / MeasureDpi;

    TfrxDrawText();
    TfrxDrawText(const TfrxDrawText &) = delete;
    TfrxDrawText &operator=(const TfrxDrawText &) = delete;

    QMutex &Mutex() { return m_lock; }
    void Lock() { m_lock.lock(); }
    void Unlock() { m_lock.unlock(); }

    // ---- settings ----
    void ApplyFont(const TFont &font);
    void ApplyOptions(bool wordWrap, bool htmlTags, int rotation, bool wysiwyg, bool clipped, bool wordBreak,
                      bool rtlReading);
    void ApplySpacing(double lineSpacing, double charSpacing, double paragraphGap);
    // The text rectangle at scale 1 and offset 0 (report pixels) and on the device.
    void ApplyRects(const TfrxDrawRect &unscaled, const TfrxDrawRect &scaled, double printScale,
                    double scaleY, double scaleX);
    // Wraps the lines (each an empty line counts as one blank) into Lines().
    void LoadText(const QStringList &lines);
    // Text split from a previous object does not start a paragraph; text that goes on in the next
    // object does not end one.
    void ClearParagraphFlags(bool firstParaBreak, bool lastParaBreak);
    // The character set is never converted: every font is addressed in Unicode. Kept so a text
    // object can state its wish like any other setting.
    void SetUseDefaultCharset(bool value) { m_useDefaultCharset = value; }

    // ---- results, report pixels ----
    double MeasureHeight() const;
    double MeasureWidth();
    // One line's step: character height plus line spacing.
    double LineStep() const;
    void PaintText(TfrxCanvas &canvas, frx::TfrxHAlign hAlign, frx::TfrxVAlign vAlign);

    const QList<TfrxTextLine> &Lines() const { return m_lines; }
    // The source lines joined with CR LF.
    const QString &PlainText() const { return m_plainText; }
    int FontSize() const { return m_fontSize; }
    // Character height of the measuring font, in 600-dpi pixels.
    int MeasureFontHeight() const { return m_measureHeight; }
    // Families drawing the current font's characters so far (the face first).
    QStringList FontFamilies();

    // Told about every glyph run painted, with the device point its positions are relative to
    // (rotation applied around it); lets export filters and checks see exactly what was drawn.
    std::function<void(const QGlyphRun &run, const QPointF &origin, int rotation)> OnGlyphRun;

    // Where a syllable rule allows a word to break: the lengths of the possible first parts.
    // Words without vowels of the rule's alphabet have none.
    static QList<int> HyphenBreaks(const QString &word);

private:
    struct TCharInfo {
        TfrxGlyph Glyph;
        int Advance = 0; // measuring advance (600 dpi), spacing not included
    };
    // A glyph rendered once in a colour, for blitting: Offset is the image's top-left relative to
    // the pen position on the baseline.
    struct TGlyphSprite {
        QImage Image;
        QPoint Offset;
    };
    struct TSpriteKey {
        const void *Face;
        int PixelSize;
        int Font;
        quint32 Glyph;
        QRgb Color;
        bool Hinted;
        bool operator==(const TSpriteKey &other) const = default;
        friend size_t qHash(const TSpriteKey &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.Face, key.PixelSize, key.Font, key.Glyph, key.Color, key.Hinted);
        }
    };

    void MeasureLine(const QString &text, std::vector<TCharInfo> &chars);
    void WrapLine(const QString &text, const std::vector<bool> &noWrap, int maxWidth, int charSpacing,
                  int firstWidth);
    int TextWidth600(const QString &text);
    void PaintLine(TfrxCanvas &canvas, const QString &text, int x, int y, int width, frx::TfrxHAlign align,
                   TfrxSizedFace &target, int targetAscent);
    const TGlyphSprite &Sprite(TfrxSizedFace &target, int font, quint32 glyph);
    static void DrawRun(QPainter &painter, const QGlyphRun &run, const QPointF &origin, int rotation,
                        double baseline, bool bold, bool italic, int boldOffset);
    static void EvenSubdivision(std::vector<int> &values, int k, int unit, int a, int b);
    static void SpreadUnits(std::vector<int> &values, int amount, int first, int last);

    QMutex m_lock;
    TfrxFontCache m_fonts;
    TfrxFontFace *m_face = nullptr;
    std::shared_ptr<TfrxSizedFace> m_measure;
    QList<TfrxTextLine> m_lines;
    QString m_plainText;
    QColor m_fontColor;
    frx::TFontStyles m_fontStyle;
    TfrxDrawRect m_unscaledRect;
    TfrxDrawRect m_scaledRect;
    // Reused per line, allocated once: widths and measurements of the line being handled.
    std::vector<TCharInfo> m_chars;
    std::vector<int> m_widths;
    std::vector<int> m_advances;
    // Large glyphs (paper resolutions) rendered once and blitted afterwards; the raster engine
    // would otherwise fill every glyph's outline anew on every page.
    QHash<TSpriteKey, TGlyphSprite> m_sprites;
    qint64 m_spriteBytes = 0;
    double m_lineSpacing = 2;
    double m_charSpacing = 0;
    double m_paragraphGap = 0;
    double m_printScale = 1;
    double m_scaleX = 1;
    double m_scaleY = 1;
    int m_fontSize = 10;
    int m_measureHeight = 83;
    int m_rotation = 0;
    bool m_wordWrap = true;
    bool m_htmlTags = false;
    bool m_wysiwyg = true;
    bool m_clipped = true;
    bool m_wordBreak = false;
    bool m_rtlReading = false;
    bool m_useDefaultCharset = false;
};

// Holds an engine's lock for a scope.
class TfrxDrawTextLocker {
public:
    explicit TfrxDrawTextLocker(TfrxDrawText *engine) : m_engine(engine) { m_engine->Lock(); }
    ~TfrxDrawTextLocker() { m_engine->Unlock(); }
    TfrxDrawTextLocker(const TfrxDrawTextLocker &) = delete;
    TfrxDrawTextLocker &operator=(const TfrxDrawTextLocker &) = delete;

private:
    TfrxDrawText *m_engine;
};

// The engine for text objects that belong to no report (clipboard copies, loose objects in tests).
TfrxDrawText *frxDefaultDrawText();

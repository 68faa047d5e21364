#include "report/draw/frxDrawText.h"

#include "report/core/frxPersistent.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>

namespace {

// How far a made-up italic leans: horizontal shift per pixel of height.
constexpr double kItalicSlant = 0.2;

bool IsLowSurrogateAt(const QString &text, qsizetype i)
{
    return i > 0 && text[i].isLowSurrogate() && text[i - 1].isHighSurrogate();
}

// Exact values at the right angles, so that a quarter turn never rounds a step into its neighbour.
void AngleOf(int degrees, double &cosA, double &sinA)
{
    switch (degrees) {
    case 0:
        cosA = 1, sinA = 0;
        return;
    case 90:
        cosA = 0, sinA = 1;
        return;
    case 180:
        cosA = -1, sinA = 0;
        return;
    case 270:
        cosA = 0, sinA = -1;
        return;
    default: {
        const double rad = degrees * M_PI / 180.0;
        cosA = std::cos(rad);
        sinA = std::sin(rad);
    }
    }
}

// Markup of text objects that allow it. The styling of runs is not applied; the tags are taken out
// so that neither measuring nor painting shows them, and blanks inside <nowrap> keep their words
// together.
QString StripTags(const QString &text, std::vector<bool> &noWrap)
{
    static const QRegularExpression tag(
        QStringLiteral("<(/?)(b|i|u|s|sub|sup|nowrap)>|<font(\\s[^>]*)?>|</font>"),
        QRegularExpression::CaseInsensitiveOption);
    QString result;
    result.reserve(text.size());
    noWrap.clear();
    int noWrapDepth = 0;
    qsizetype pos = 0;
    QRegularExpressionMatchIterator it = tag.globalMatch(text);
    auto copy = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            result += text[i];
            noWrap.push_back(noWrapDepth > 0);
        }
    };
    while (it.hasNext()) {
        QRegularExpressionMatch match = it.next();
        copy(pos, match.capturedStart());
        pos = match.capturedEnd();
        if (match.captured(2).compare(QLatin1String("nowrap"), Qt::CaseInsensitive) == 0)
            noWrapDepth = qMax(0, noWrapDepth + (match.captured(1).isEmpty() ? 1 : -1));
    }
    copy(pos, text.size());
    return result;
}

// The order in which the characters of a line appear from left to right; empty when that is the
// logical order (no right-to-left letters and no right-to-left reading). A line is one paragraph
// without explicit embeddings, so the implicit part of the bidirectional algorithm is enough:
// strong types, numbers taking the direction of the letters before them, neutrals between two
// equal directions taking theirs, then runs reversed level by level.
std::vector<int> VisualOrder(const QString &text, const std::vector<int> &starts, bool rtlReading)
{
    enum TType { tL, tR, tNumber, tNeutral, tSpace };
    const int count = int(starts.size());
    std::vector<TType> types(size_t(count), tNeutral);
    bool anyRtl = false;
    for (int k = 0; k < count; ++k) {
        const int i = starts[size_t(k)];
        char32_t ucs4 = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ucs4 = QChar::surrogateToUcs4(text[i], text[i + 1]);
        switch (QChar::direction(ucs4)) {
        case QChar::DirL:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirLRI:
            types[size_t(k)] = tL;
            break;
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI:
            types[size_t(k)] = tR;
            anyRtl = true;
            break;
        case QChar::DirEN:
        case QChar::DirAN:
            types[size_t(k)] = tNumber;
            break;
        case QChar::DirWS:
        case QChar::DirS:
            types[size_t(k)] = tSpace;
            break;
        case QChar::DirNSM:
            types[size_t(k)] = k > 0 ? types[size_t(k - 1)] : tNeutral;
            break;
        default:
            types[size_t(k)] = tNeutral;
            break;
        }
    }
    if (!anyRtl && !rtlReading)
        return {};
    const int paragraph = rtlReading ? 1 : 0;
    const TType outside = rtlReading ? tR : tL;

    // Numbers read left to right; after right-to-left letters they stay inside that run.
    std::vector<bool> rtlNumber(size_t(count), false);
    TType lastStrong = outside;
    for (int k = 0; k < count; ++k) {
        if (types[size_t(k)] == tL || types[size_t(k)] == tR)
            lastStrong = types[size_t(k)];
        else if (types[size_t(k)] == tNumber)
            rtlNumber[size_t(k)] = lastStrong == tR;
    }
    auto direction = [&](int k) {
        const TType type = types[size_t(k)];
        if (type == tNumber)
            return rtlNumber[size_t(k)] ? tR : tL;
        return type;
    };
    std::vector<int> levels(size_t(count), paragraph);
    for (int k = 0; k < count;) {
        const TType type = direction(k);
        if (type == tL || type == tR) {
            if (types[size_t(k)] == tNumber)
                levels[size_t(k)] = paragraph == 1 || type == tR ? 2 : 0;
            else
                levels[size_t(k)] = type == tL ? (paragraph == 1 ? 2 : 0) : 1;
            ++k;
            continue;
        }
        // A stretch of neutrals: the direction of both neighbours when they agree.
        int end = k;
        while (end < count && direction(end) != tL && direction(end) != tR)
            ++end;
        const TType before = k > 0 ? direction(k - 1) : outside;
        const TType after = end < count ? direction(end) : outside;
        const int level = before == after ? (before == tL ? (paragraph == 1 ? 2 : 0) : 1) : paragraph;
        for (int j = k; j < end; ++j)
            levels[size_t(j)] = level;
        k = end;
    }
    // Blanks at the end of the line belong to the paragraph.
    for (int k = count - 1; k >= 0 && (types[size_t(k)] == tSpace); --k)
        levels[size_t(k)] = paragraph;

    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    const int highest = *std::max_element(levels.begin(), levels.end());
    for (int level = highest; level >= 1; --level) {
        for (int k = 0; k < count;) {
            if (levels[size_t(order[size_t(k)])] < level) {
                ++k;
                continue;
            }
            int end = k;
            while (end < count && levels[size_t(order[size_t(end)])] >= level)
                ++end;
            std::reverse(order.begin() + k, order.begin() + end);
            k = end;
        }
    }
    return order;
}

int LetterClass(QChar c)
{
    // Vowels, the two signs (and the short i, which like them never starts a syllable) and the
    // other letters of the Cyrillic alphabet.
    static const QString vowels = QStringLiteral("АЕЁИОУЫЭЮЯ");
    static const QString signs = QStringLiteral("ЪЬЙ");
    if (vowels.contains(c))
        return 1;
    if (signs.contains(c))
        return 3;
    if ((c >= QChar(0x0410) && c <= QChar(0x042F)) || c == QChar(0x0401))
        return 2;
    return 0;
}

} // namespace

// ---- hyphenation --------------------------------------------------------------------------------

QList<int> TfrxDrawText::HyphenBreaks(const QString &word)
{
    QList<int> breaks;
    const QString upper = word.toUpper();
    const int n = int(upper.size());
    if (n < 4)
        return breaks;
    std::vector<int> cls(n);
    std::vector<int> vowelsBefore(n + 1, 0);
    for (int i = 0; i < n; ++i) {
        cls[i] = LetterClass(upper[i]);
        vowelsBefore[i + 1] = vowelsBefore[i] + (cls[i] == 1 ? 1 : 0);
    }
    const int vowels = vowelsBefore[n];
    // A part keeps at least two letters; both parts need a vowel.
    for (int p = 2; p <= n - 2; ++p) {
        if (vowelsBefore[p] == 0 || vowels - vowelsBefore[p] == 0)
            continue;
        const int before = cls[p - 1];
        const int at = cls[p];
        const int after = cls[p + 1];
        if (before == 0 || at == 0 || at == 3)
            continue;
        bool allowed = false;
        if (before == 3)
            allowed = true; // after a sign
        else if (before == 1 && at == 2 && after == 1)
            allowed = true; // vowel - consonant vowel
        else if (before == 1 && at == 1)
            allowed = true; // between two vowels
        else if (before == 2 && at == 2 && cls[p - 2] != 0 && vowelsBefore[p] > 0)
            allowed = after == 1 || (after == 2 && p + 2 < n && cls[p + 2] == 1); // between consonants
        if (allowed)
            breaks.append(p);
    }
    return breaks;
}

// ---- engine -------------------------------------------------------------------------------------

TfrxDrawText::TfrxDrawText()
{
    // Room for the longest line the format speaks of; longer lines simply grow the arrays.
    m_widths.reserve(32768);
    m_advances.reserve(32768);
    m_chars.reserve(32768);
}

void TfrxDrawText::ApplyFont(const TFont &font)
{
    // Text larger than the largest font that can be made is drawn at that size.
    m_fontSize = int(qMin<long long>(qAbs(static_cast<long long>(font.Size())), MaxFontSize));
    m_measureHeight = frxRound(m_fontSize * double(MeasureDpi) / 72.0);
    m_fontStyle = font.Style();
    m_fontColor = frxColor(font.Color());
    m_face = &m_fonts.Face(font.Name(), font.Style());
    m_measure = m_face->Sized(m_measureHeight, false);
}

void TfrxDrawText::ApplyOptions(bool wordWrap, bool htmlTags, int rotation, bool wysiwyg, bool clipped,
                                bool wordBreak, bool rtlReading)
{
    m_wordWrap = wordWrap;
    m_htmlTags = htmlTags;
    m_rotation = ((rotation % 360) + 360) % 360;
    m_wysiwyg = wysiwyg;
    m_clipped = clipped;
    m_wordBreak = wordBreak;
    m_rtlReading = rtlReading;
}

void TfrxDrawText::ApplySpacing(double lineSpacing, double charSpacing, double paragraphGap)
{
    m_lineSpacing = lineSpacing;
    m_charSpacing = charSpacing;
    m_paragraphGap = paragraphGap;
}

void TfrxDrawText::ApplyRects(const TfrxDrawRect &unscaled, const TfrxDrawRect &scaled, double printScale,
                              double scaleY, double scaleX)
{
    m_unscaledRect = unscaled;
    m_scaledRect = scaled;
    m_printScale = printScale;
    m_scaleY = scaleY;
    m_scaleX = scaleX;
}

void TfrxDrawText::MeasureLine(const QString &text, std::vector<TCharInfo> &chars)
{
    if (!m_face)
        ApplyFont(TFont());
    const qsizetype n = text.size();
    chars.resize(size_t(n));
    for (qsizetype i = 0; i < n; ++i) {
        TCharInfo &info = chars[size_t(i)];
        if (IsLowSurrogateAt(text, i)) {
            info.Glyph = TfrxGlyph();
            info.Advance = 0;
            continue;
        }
        char32_t ucs4 = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate())
            ucs4 = QChar::surrogateToUcs4(text[i], text[i + 1]);
        info.Glyph = m_face->Glyph(ucs4);
        info.Advance = m_measure->Advance(info.Glyph);
    }
}

int TfrxDrawText::TextWidth600(const QString &text)
{
    MeasureLine(text, m_chars);
    int width = 0;
    for (const TCharInfo &info : m_chars)
        width += info.Advance;
    return width;
}

void TfrxDrawText::LoadText(const QStringList &lines)
{
    m_lines.clear();
    m_plainText.clear();
    const bool sideways = (m_rotation >= 90 && m_rotation <= 179) || (m_rotation >= 270 && m_rotation <= 359);
    const int w = sideways ? m_unscaledRect.Height() : m_unscaledRect.Width();
    const int maxWidth = frxRound(MeasureScale * w);
    const int charSpacing = frxRound(MeasureScale * m_charSpacing);
    const int firstWidth = frxRound(MeasureScale * (w - m_paragraphGap));
    std::vector<bool> noWrap;
    for (const QString &source : lines) {
        m_plainText += source;
        m_plainText += QLatin1String("\r\n");
        QString text = m_htmlTags ? StripTags(source, noWrap) : source;
        if (!m_htmlTags)
            noWrap.clear();
        if (text.isEmpty())
            text = QStringLiteral(" ");
        const qsizetype first = m_lines.size();
        WrapLine(text, noWrap, maxWidth, charSpacing, firstWidth);
        if (m_lines.size() > first) {
            m_lines[first].Flags |= TfrxTextLine::ParagraphStart;
            m_lines.last().Flags |= TfrxTextLine::ParagraphEnd;
        }
    }
}

void TfrxDrawText::WrapLine(const QString &text, const std::vector<bool> &noWrap, int maxWidth,
                            int charSpacing, int firstWidth)
{
    const int n = int(text.size());
    if (n <= 1 || !m_wordWrap) {
        m_lines.append({text, 0});
        return;
    }
    MeasureLine(text, m_chars);
    m_widths.resize(size_t(n));
    int cumulative = 0;
    for (int i = 0; i < n; ++i) {
        if (!IsLowSurrogateAt(text, i))
            cumulative += m_chars[size_t(i)].Advance + charSpacing;
        m_widths[size_t(i)] = cumulative;
    }
    if (m_widths[size_t(n - 1)] < firstWidth) {
        m_lines.append({text, 0});
        return;
    }

    static const QString delimiters = QStringLiteral(" .,-;");
    int hyphenWidth = -1;
    auto hyphen = [&]() {
        if (hyphenWidth < 0) {
            hyphenWidth = m_measure->Advance(m_face->Glyph(U'-')) + charSpacing;
        }
        return hyphenWidth;
    };
    auto widthUpTo = [&](int end) { return end > 0 ? m_widths[size_t(end - 1)] : 0; };
    auto isBlank = [&](int i) {
        return text[i] == u' ' && !(size_t(i) < noWrap.size() && noWrap[size_t(i)]);
    };
    // The longest first part of word [wordStart, wordEnd) that ends at or before limitEnd and, with
    // a hyphen, fits; 0 when there is none.
    auto hyphenate = [&](int wordStart, int wordEnd, int lineStart, int base, int limit, int limitEnd) {
        const QList<int> breaks = HyphenBreaks(text.mid(wordStart, wordEnd - wordStart));
        for (qsizetype k = breaks.size() - 1; k >= 0; --k) {
            const int end = wordStart + breaks[k];
            if (end <= lineStart || end > limitEnd)
                continue;
            if (widthUpTo(end) - base + hyphen() <= limit)
                return end;
        }
        return 0;
    };

    int start = 0;
    int base = 0;
    int limit = firstWidth;
    int lastBlank = -1;
    int i = 0;
    while (i < n) {
        if (isBlank(i))
            lastBlank = i;
        if (m_widths[size_t(i)] - base <= limit) {
            ++i;
            continue;
        }
        int next;
        if (lastBlank > start) {
            QString line = text.mid(start, lastBlank - start);
            next = lastBlank + 1;
            if (m_wordBreak) {
                int wordEnd = next;
                while (wordEnd < n && !delimiters.contains(text[wordEnd]))
                    ++wordEnd;
                const int end = hyphenate(next, wordEnd, start, base, limit, wordEnd);
                if (end > 0) {
                    line = text.mid(start, end - start) + u'-';
                    next = end;
                }
            }
            m_lines.append({line, 0});
        } else if (i == start) {
            next = i + ((text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) ? 2 : 1);
            m_lines.append({text.mid(i, next - i), 0});
        } else {
            int cut = i;
            if (IsLowSurrogateAt(text, cut))
                --cut;
            if (cut <= start)
                cut = start + 1 + (IsLowSurrogateAt(text, start + 1) ? 1 : 0);
            next = cut;
            QString line = text.mid(start, cut - start);
            if (m_wordBreak) {
                int wordStart = cut;
                while (wordStart > start && !delimiters.contains(text[wordStart - 1]))
                    --wordStart;
                int wordEnd = cut;
                while (wordEnd < n && !delimiters.contains(text[wordEnd]))
                    ++wordEnd;
                const int end = hyphenate(wordStart, wordEnd, start, base, limit, cut);
                if (end > 0) {
                    line = text.mid(start, end - start) + u'-';
                    next = end;
                }
            }
            m_lines.append({line, 0});
        }
        start = next;
        base = widthUpTo(start);
        limit = maxWidth;
        lastBlank = -1;
        i = start;
    }
    if (start < n)
        m_lines.append({text.mid(start), 0});
}

void TfrxDrawText::ClearParagraphFlags(bool firstParaBreak, bool lastParaBreak)
{
    if (m_lines.isEmpty())
        return;
    if (firstParaBreak)
        m_lines.first().Flags &= ~TfrxTextLine::ParagraphStart;
    if (lastParaBreak)
        m_lines.last().Flags &= ~TfrxTextLine::ParagraphEnd;
}

double TfrxDrawText::LineStep() const
{
    return m_measureHeight / MeasureScale + m_lineSpacing;
}

double TfrxDrawText::MeasureHeight() const
{
    if (m_lines.isEmpty())
        return 0;
    double height = m_lines.size() * (m_measureHeight / MeasureScale + m_lineSpacing);
    if (m_lineSpacing < 0)
        height += -m_lineSpacing;
    return height;
}

double TfrxDrawText::MeasureWidth()
{
    int widest = 0;
    for (const TfrxTextLine &line : m_lines) {
        int width =
            TextWidth600(line.Text) + frxRound(MeasureScale * double(line.Text.size()) * m_charSpacing);
        if (line.Flags & TfrxTextLine::ParagraphStart)
            width += frxRound(MeasureScale * m_paragraphGap);
        widest = qMax(widest, width);
    }
    return widest / MeasureScale;
}

QStringList TfrxDrawText::FontFamilies()
{
    if (!m_face)
        ApplyFont(TFont());
    return m_face->Families();
}

void TfrxDrawText::EvenSubdivision(std::vector<int> &values, int k, int unit, int a, int b)
{
    if (k <= 0 || a > b)
        return;
    const int half = qMax(1, (b - a + 1) / 2);
    values[size_t(a + half - 1)] += unit;
    --k;
    if (k > 0) {
        EvenSubdivision(values, k / 2, unit, a, a + half - 1);
        EvenSubdivision(values, k - k / 2, unit, a + half, b);
    }
}

void TfrxDrawText::SpreadUnits(std::vector<int> &values, int amount, int first, int last)
{
    const int count = last - first + 1;
    if (amount == 0 || count <= 0)
        return;
    const int unit = amount < 0 ? -1 : 1;
    const int k = amount < 0 ? -amount : amount;
    if (k < count) {
        EvenSubdivision(values, k, unit, first, last);
        return;
    }
    const int each = k / count;
    for (int i = first; i <= last; ++i)
        values[size_t(i)] += unit * each;
    EvenSubdivision(values, k % count, unit, first, last);
}

void TfrxDrawText::PaintText(TfrxCanvas &canvas, frx::TfrxHAlign hAlign, frx::TfrxVAlign vAlign)
{
    if (m_lines.isEmpty())
        return;
    if (!m_face)
        ApplyFont(TFont());
    QPainter &painter = canvas.Painter();
    const bool printer = canvas.IsPrinter();
    const int targetPixels = printer ? frxRound(canvas.DpiY() * m_fontSize * m_printScale / 72.0)
                                     : frxRound(m_fontSize * m_scaleY * ScreenDpi / 72.0);
    if (targetPixels <= 0)
        return; // too small to show anything
    // A glyph taller than this is larger than any page on any device: nothing could show.
    constexpr int kMaxDevicePixels = 1 << 22;
    if (targetPixels > kMaxDevicePixels)
        return;
    // Larger than any font can be made (a huge zoom or print scale): the glyphs are drawn at the
    // largest size, still placed where the measurement puts them.
    std::shared_ptr<TfrxSizedFace> target = m_face->Sized(targetPixels, !printer);

    // Block height as measured at 600 dpi, and what the device's own line steps lack of it.
    const int n = int(m_lines.size());
    const int bigH = targetPixels;
    const int h = m_measureHeight;
    const int s = frxRound(m_lineSpacing * m_scaleY);
    int blockHeight;
    if (printer) {
        const double k = double(MeasureDpi) / canvas.DpiY() / m_printScale;
        blockHeight = frxRound((m_lineSpacing * m_scaleY * k * n + double(h) * n) / k);
    } else {
        const double k = MeasureScale;
        blockHeight = frxRound((m_lineSpacing * k * n + double(h) * n) / k * m_scaleY);
    }
    int correction =
        int(std::clamp<long long>(blockHeight - (qint64(s) + bigH) * n, -(INT_MAX / 2), INT_MAX / 2));
    if (!m_wysiwyg)
        correction = 0;

    // Start corner and usable sizes by rotation.
    double cosA, sinA;
    AngleOf(m_rotation, cosA, sinA);
    const TfrxDrawRect &r = m_scaledRect;
    const int quadrant = m_rotation / 90;
    const int rest = m_rotation % 90;
    int cornerX = r.Left, cornerY = r.Top, alongSize = r.Width(), acrossSize = r.Height();
    int downX = 0, downY = 1; // the quadrant's downward direction
    switch (quadrant) {
    case 1:
        cornerX = r.Left, cornerY = r.Bottom, alongSize = r.Height(), acrossSize = r.Width(), downX = 1,
        downY = 0;
        break;
    case 2:
        cornerX = r.Right, cornerY = r.Bottom, alongSize = r.Width(), acrossSize = r.Height(), downX = 0,
        downY = -1;
        break;
    case 3:
        cornerX = r.Right, cornerY = r.Top, alongSize = r.Height(), acrossSize = r.Width(), downX = -1,
        downY = 0;
        break;
    default:
        break;
    }
    int x = cornerX, y = cornerY, width = alongSize, height = acrossSize;
    if (rest != 0) {
        // Oblique text: the block (lines as long as fit, the block's own height) is placed so that
        // it touches the quadrant's corner edges and stays inside the rectangle where it can.
        const double rad = rest * M_PI / 180.0;
        const double cb = std::cos(rad), sb = std::sin(rad);
        const double fits =
            std::min((alongSize - blockHeight * sb) / cb, (acrossSize - blockHeight * cb) / sb);
        width = qMax(0, frxRound(fits));
        height = blockHeight;
        const int shift = frxRound(width * sb);
        x += downX * shift;
        y += downY * shift;
    }
    if (vAlign != frx::vaTop) {
        double d = height - blockHeight;
        if (vAlign == frx::vaCenter)
            d /= 2;
        y += frxRound(cosA * d);
        x += frxRound(d * sinA);
    }

    std::vector<int> steps(size_t(qMax(0, n - 1)), s + bigH);
    if (n > 1 && correction != 0) {
        const int k = qAbs(correction);
        const int unit = correction < 0 ? -1 : 1;
        if (k < n) {
            EvenSubdivision(steps, k, unit, 0, n - 2);
        } else {
            for (int &step : steps)
                step += unit * (k / (n - 1));
            EvenSubdivision(steps, k % (n - 1), unit, 0, n - 2);
        }
    }

    painter.save();
    if (m_clipped)
        painter.setClipRect(m_scaledRect.ToQRect(), Qt::IntersectClip);
    painter.setPen(m_fontColor);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int ascent = target->Ascent();
    for (int i = 0; i < n; ++i) {
        const TfrxTextLine &line = m_lines[i];
        // Upright clipped text: lines wholly above the box are passed over, and nothing below it
        // can show.
        if (m_clipped && m_rotation == 0) {
            if (y >= m_scaledRect.Bottom)
                break;
            if (y + 2 * bigH < m_scaledRect.Top) {
                if (i < n - 1)
                    y += steps[size_t(i)];
                continue;
            }
        }
        int indent = 0;
        if ((line.Flags & TfrxTextLine::ParagraphStart) && (hAlign == frx::haLeft || hAlign == frx::haBlock))
            indent = frxRound(m_paragraphGap * m_scaleX);
        frx::TfrxHAlign align = hAlign;
        if (hAlign == frx::haBlock && (line.Flags & TfrxTextLine::ParagraphEnd))
            align = m_rtlReading ? frx::haRight : frx::haLeft;
        PaintLine(canvas, line.Text, x + frxRound(indent * cosA), y - frxRound(indent * sinA), width - indent,
                  align, *target, ascent);
        if (i < n - 1) {
            y += frxRound(steps[size_t(i)] * cosA);
            x += frxRound(steps[size_t(i)] * sinA);
        }
    }
    painter.restore();
}

void TfrxDrawText::PaintLine(TfrxCanvas &canvas, const QString &text, int x, int y, int width,
                             frx::TfrxHAlign align, TfrxSizedFace &target, int targetAscent)
{
    const int n = int(text.size());
    if (n == 0)
        return;
    MeasureLine(text, m_chars);

    // Character charStarts: a surrogate pair is one character with one advance.
    std::vector<int> charStarts;
    charStarts.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        if (!IsLowSurrogateAt(text, i))
            charStarts.push_back(i);
    const int count = int(charStarts.size());

    const int spacing600 = frxRound(MeasureScale * m_charSpacing);
    const int spacing = frxRound(m_charSpacing * m_scaleX);
    long long ideal = 0;
    m_advances.assign(size_t(count), 0);
    long long deviceWidth = 0;
    for (int k = 0; k < count; ++k) {
        const TCharInfo &info = m_chars[size_t(charStarts[size_t(k)])];
        ideal += info.Advance + spacing600;
        m_advances[size_t(k)] = target.Advance(info.Glyph) + spacing;
        deviceWidth += m_advances[size_t(k)];
    }
    ideal -= spacing600;
    const int g = int(deviceWidth);

    int o;
    if (!m_wysiwyg) {
        o = g - spacing;
    } else if (canvas.IsPrinter()) {
        const int dpiX = canvas.DpiX() > 0 ? canvas.DpiX() : ScreenDpi;
        o = frxRound(double(ideal) * m_printScale / (double(MeasureDpi) / dpiX));
    } else {
        o = frxRound(double(ideal) / MeasureScale * m_scaleX);
    }

    double cosA, sinA;
    AngleOf(m_rotation, cosA, sinA);
    const int free = width - o;
    bool spreadOverAll = true;
    switch (align) {
    case frx::haRight:
        x += frxRound((free + 1) * cosA) - 1;
        if (m_rotation == 0 && (m_fontStyle.testFlag(frx::fsBold) || m_fontStyle.testFlag(frx::fsItalic)))
            x -= 1;
        y -= frxRound((free + 1) * sinA);
        break;
    case frx::haCenter:
        x += frxRound(free / 2.0 * cosA);
        y -= frxRound(free / 2.0 * sinA);
        break;
    case frx::haBlock: {
        std::vector<int> marks;
        for (int k = 0; k < count; ++k) {
            const QChar c = text[charStarts[size_t(k)]];
            if (c == u' ' || c == u'?')
                marks.push_back(k);
        }
        if (!marks.empty()) {
            spreadOverAll = false;
            const int extra = qAbs(width) + spacing - g;
            const int m = int(marks.size());
            const int unit = extra < 0 ? -1 : 1;
            const int magnitude = qAbs(extra);
            for (int j = 0; j < m; ++j)
                m_advances[size_t(marks[size_t(j)])] += unit * (magnitude / m + (j < magnitude % m ? 1 : 0));
        }
        break;
    }
    default:
        break;
    }
    if (spreadOverAll)
        SpreadUnits(m_advances, o + spacing - g, 0, count - 1);

    // Glyph runs in visual order, one per stretch of characters from the same font. On an image at
    // a paper resolution the glyphs are blitted from rendered copies; vector devices (printers,
    // PDF) and rotated text get the glyph runs themselves.
    const std::vector<int> order = VisualOrder(text, charStarts, m_rtlReading);
    QPainter &painter = canvas.Painter();
    const bool underline = m_fontStyle.testFlag(frx::fsUnderline);
    const bool strikeOut = m_fontStyle.testFlag(frx::fsStrikeOut);
    QList<quint32> indexes;
    QList<QPointF> positions;
    int runFont = -1;
    long long pen = 0;
    const QPointF origin(x, y);
    QPaintEngine *paintEngine = painter.paintEngine();
    const bool sprites = m_rotation == 0 && !underline && !strikeOut && target.PixelSize() > 64 &&
                         target.PixelSize() <= 400 && paintEngine &&
                         paintEngine->type() == QPaintEngine::Raster &&
                         painter.deviceTransform().type() <= QTransform::TxTranslate;
    auto flush = [&]() {
        if (!indexes.isEmpty()) {
            QGlyphRun run;
            run.setRawFont(target.Font(runFont));
            run.setGlyphIndexes(indexes);
            run.setPositions(positions);
            if (OnGlyphRun)
                OnGlyphRun(run, origin, m_rotation);
            if (sprites) {
                for (qsizetype k = 0; k < indexes.size(); ++k) {
                    const TGlyphSprite &sprite = Sprite(target, runFont, indexes[k]);
                    if (!sprite.Image.isNull())
                        painter.drawImage(QPoint(x + int(positions[k].x()) + sprite.Offset.x(),
                                                 y + targetAscent + sprite.Offset.y()),
                                          sprite.Image);
                }
            } else {
                DrawRun(painter, run, origin, m_rotation, targetAscent, target.SynthesizedBold(runFont),
                        target.SynthesizedItalic(runFont), target.EmboldenOffset());
            }
        }
        indexes.clear();
        positions.clear();
    };
    // Characters no font has: boxes, drawn by hand since not every font draws its missing glyph.
    QList<QRectF> boxes;
    const double px = target.PixelSize();
    for (int v = 0; v < count; ++v) {
        const int k = order.empty() ? v : order[size_t(v)];
        const TfrxGlyph &glyph = m_chars[size_t(charStarts[size_t(k)])].Glyph;
        const bool missing = glyph.Index == 0 && !glyph.Hidden;
        if (glyph.Hidden || missing || glyph.Font != runFont)
            flush();
        if (missing) {
            const double advance = m_advances[size_t(k)];
            boxes.append(QRectF(pen + advance * 0.12, targetAscent - px * 0.68, advance * 0.76, px * 0.68));
            if (OnGlyphRun) {
                QGlyphRun run;
                run.setRawFont(target.Font(glyph.Font));
                run.setGlyphIndexes({0u});
                run.setPositions({QPointF(double(pen), targetAscent)});
                OnGlyphRun(run, origin, m_rotation);
            }
        } else if (!glyph.Hidden) {
            runFont = glyph.Font;
            indexes.append(glyph.Index);
            positions.append(QPointF(double(pen), targetAscent));
        }
        pen += m_advances[size_t(k)];
    }
    flush();
    // Underline and strike-out are one line under the whole text, drawn here rather than by each
    // glyph run: fonts that supply Chinese characters often give no line metrics, and a line per
    // run would stop where the font changes.
    if ((underline || strikeOut) && pen > 0) {
        const QRawFont &primary = target.Font(0);
        const double thickness = std::max(1.0, primary.isValid() && primary.lineThickness() > 0
                                                   ? std::round(primary.lineThickness())
                                                   : std::round(px / 16));
        double below = primary.isValid() ? primary.underlinePosition() : 0;
        if (below <= 0 || below > px * 0.4)
            below = px * 0.1;
        painter.save();
        painter.translate(origin);
        if (m_rotation != 0)
            painter.rotate(-m_rotation);
        if (underline)
            painter.fillRect(QRectF(0, std::round(targetAscent + below), double(pen), thickness), m_fontColor);
        if (strikeOut)
            painter.fillRect(QRectF(0, std::round(targetAscent - px * 0.3), double(pen), thickness), m_fontColor);
        painter.restore();
    }
    if (!boxes.isEmpty()) {
        painter.save();
        painter.translate(origin);
        if (m_rotation != 0)
            painter.rotate(-m_rotation);
        const double stroke = qMax(1.0, px / 16);
        painter.setPen(QPen(m_fontColor, stroke, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        for (const QRectF &box : std::as_const(boxes))
            painter.drawRect(box.adjusted(stroke / 2, stroke / 2, -stroke / 2, -stroke / 2));
        painter.restore();
    }
}

void TfrxDrawText::DrawRun(QPainter &painter, const QGlyphRun &run, const QPointF &origin, int rotation,
                           double baseline, bool bold, bool italic, int boldOffset)
{
    if (rotation == 0 && !bold && !italic) {
        painter.drawGlyphRun(origin, run);
        return;
    }
    painter.save();
    painter.translate(origin);
    if (rotation != 0)
        painter.rotate(-rotation);
    if (italic) {
        // Slanted about the baseline, the way a made-up italic leans.
        painter.translate(0, baseline);
        painter.shear(-kItalicSlant, 0);
        painter.translate(0, -baseline);
    }
    painter.drawGlyphRun(QPointF(0, 0), run);
    if (bold)
        painter.drawGlyphRun(QPointF(boldOffset, 0), run);
    painter.restore();
}

const TfrxDrawText::TGlyphSprite &TfrxDrawText::Sprite(TfrxSizedFace &target, int font, quint32 glyph)
{
    const TSpriteKey key{target.Face(), target.PixelSize(), font, glyph, m_fontColor.rgba(), target.Hinted()};
    auto it = m_sprites.constFind(key);
    if (it != m_sprites.constEnd())
        return *it;
    // Bounded: a long print run of Chinese addresses meets thousands of glyphs.
    constexpr qint64 kMaxSpriteBytes = 32 * 1024 * 1024;
    if (m_spriteBytes > kMaxSpriteBytes) {
        m_sprites.clear();
        m_spriteBytes = 0;
    }
    TGlyphSprite sprite;
    const QRawFont &raw = target.Font(font);
    const QRectF bounds = raw.boundingRect(glyph);
    if (!bounds.isEmpty()) {
        const bool bold = target.SynthesizedBold(font);
        const bool italic = target.SynthesizedItalic(font);
        const int slantLeft = italic ? int(std::ceil(kItalicSlant * qMax(0.0, bounds.bottom()))) : 0;
        const int slantRight = italic ? int(std::ceil(kItalicSlant * qMax(0.0, -bounds.top()))) : 0;
        const QRect box = bounds.toAlignedRect().adjusted(
            -2 - slantLeft, -2, 2 + slantRight + (bold ? target.EmboldenOffset() : 0), 2);
        sprite.Image = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
        sprite.Image.fill(Qt::transparent);
        sprite.Offset = box.topLeft();
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes({glyph});
        run.setPositions({QPointF(0, 0)});
        QPainter painter(&sprite.Image);
        painter.setPen(m_fontColor);
        DrawRun(painter, run, QPointF(-box.left(), -box.top()), 0, 0, bold, italic, target.EmboldenOffset());
        painter.end();
        m_spriteBytes += sprite.Image.sizeInBytes();
    }
    return *m_sprites.insert(key, sprite);
}

TfrxDrawText *frxDefaultDrawText()
{
    static TfrxDrawText engine;
    return &engine;
}

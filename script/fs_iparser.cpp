#include "script/fs_iparser.h"

#include <algorithm>

TfsParser::TfsParser()
{
    Clear();
    SetText(QString());
}

void TfsParser::Clear()
{
    static const std::shared_ptr<const TfsKeywordTable> none = MakeKeywordTable(QStringList());
    m_keywordTable = none;
    m_commentLine1 = QStringLiteral("//");
    m_commentLine2.clear();
    SetCommentBlock1(QStringLiteral("{,}"));
    SetCommentBlock2(QStringLiteral("(*,*)"));
    m_stringQuotes = QLatin1Char('\'');
    m_hexSequence = QStringLiteral("$");
    SetIdentifierCharset(QString());
    m_skipEOL = true;
    m_skipChar = QChar();
    m_specStrChar = false;
    m_caseSensitive = false;
    m_skipSpace = true;
    UpdateMarkerStarts();
}

void TfsParser::UpdateMarkerStarts()
{
    m_markerStarts.fill(false);
    auto mark = [this](const QString &marker) {
        if (marker.isEmpty())
            return;
        const QChar c = marker.at(0);
        for (QChar variant : {c, c.toLower(), c.toUpper()})
            if (variant.unicode() < 256)
                m_markerStarts[variant.unicode()] = true;
    };
    mark(m_commentLine1);
    mark(m_commentLine2);
    mark(m_commentBlock1Open);
    mark(m_commentBlock2Open);
    if (!m_skipChar.isNull())
        mark(QString(m_skipChar));
}

void TfsParser::SetText(const QString &text)
{
    m_size = int(text.size());
    m_text = text + QChar(0);
    m_data = m_text.constData();
    m_position = 1;
    m_lastPosition = 1;
    m_unterminatedComment = 0;
    m_lineStarts.assign(1, 1);
    for (int i = 1; i <= m_size; ++i) {
        const ushort c = At(i);
        if (c == 10 || (c == 13 && At(i + 1) != 10))
            m_lineStarts.push_back(i + 1);
    }
}

// ---------------------------------------------------------------------------------------------
// Settings

QStringList TfsParser::Keywords() const
{
    QStringList sorted = m_keywordTable->words;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return sorted;
}

std::shared_ptr<const TfsKeywordTable> TfsParser::MakeKeywordTable(const QStringList &words)
{
    auto table = std::make_shared<TfsKeywordTable>();
    for (const QString &word : words) {
        if (word.isEmpty())
            continue;
        table->words.append(word);
        table->buckets[size_t(KeywordBucket(word.at(0).unicode()))].push_back(word);
    }
    return table;
}

void TfsParser::AddKeyword(const QString &word)
{
    QStringList words = m_keywordTable->words;
    words.append(word);
    m_keywordTable = MakeKeywordTable(words);
}

void TfsParser::SetKeywords(const QStringList &words)
{
    m_keywordTable = MakeKeywordTable(words);
}

void TfsParser::SetCaseSensitive(bool on)
{
    m_caseSensitive = on;
}

namespace {
void SplitMarkers(const QString &markers, QString &open, QString &close)
{
    const int comma = int(markers.indexOf(QLatin1Char(',')));
    if (comma < 0) {
        open = markers;
        close.clear();
    } else {
        open = markers.left(comma);
        close = markers.mid(comma + 1);
    }
}
} // namespace

QString TfsParser::CommentBlock1() const
{
    return m_commentBlock1Open.isEmpty() ? QString()
                                         : m_commentBlock1Open + QLatin1Char(',') + m_commentBlock1Close;
}

void TfsParser::SetCommentBlock1(const QString &markers)
{
    SplitMarkers(markers, m_commentBlock1Open, m_commentBlock1Close);
    UpdateMarkerStarts();
}

QString TfsParser::CommentBlock2() const
{
    return m_commentBlock2Open.isEmpty() ? QString()
                                         : m_commentBlock2Open + QLatin1Char(',') + m_commentBlock2Close;
}

void TfsParser::SetCommentBlock2(const QString &markers)
{
    SplitMarkers(markers, m_commentBlock2Open, m_commentBlock2Close);
    UpdateMarkerStarts();
}

void TfsParser::SetIdentifierCharset(const QString &extra)
{
    m_identChars.fill(false);
    for (int c = '0'; c <= '9'; ++c)
        m_identChars[size_t(c)] = true;
    for (int c = 'A'; c <= 'Z'; ++c)
        m_identChars[size_t(c)] = m_identChars[size_t(c + 32)] = true;
    m_identChars['_'] = true;
    for (QChar c : extra)
        m_identChars[c.unicode() & 0xFF] = true;
    // The terminating NUL must never continue a word, whatever a definition lists.
    m_identChars[0] = false;
}

// ---------------------------------------------------------------------------------------------
// White space and comments

// Length of the marker when the text at position starts with it, else 0. Markers made of letters
// ("rem") compare ignoring case in a case-insensitive language and only as a whole word, so that an
// identifier such as "remark" is not taken for a comment.
int TfsParser::MatchMarker(int position, const QString &marker) const
{
    const int len = int(marker.size());
    if (len == 0 || position > m_size || At(position) == 0)
        return 0;
    const Qt::CaseSensitivity cs = m_caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (position + len - 1 > m_size)
        return 0;
    if (QStringView(m_data + position - 1, len).compare(marker, cs) != 0)
        return 0;
    if (IsIdent(marker.back().unicode()) && marker.back() != QLatin1Char('_') &&
        IsIdent(At(position + len)) && At(position + len) != 0)
        return 0;
    return len;
}

bool TfsParser::BeginsLine(int position) const
{
    for (int p = position - 1; p >= 1; --p) {
        const ushort c = At(p);
        if (IsLineBreak(c))
            return true;
        if (c > 32)
            return false;
    }
    return true;
}

// The continuation character counts only when nothing but blanks follows it on its line, so that an
// identifier starting with it ("_count" in a language whose continuation character is "_") is read.
bool TfsParser::SkipContinuation()
{
    if (m_skipChar.isNull() || At(m_position) != m_skipChar.unicode())
        return false;
    int p = m_position + 1;
    while (p <= m_size && At(p) <= 32 && !IsLineBreak(At(p)))
        ++p;
    if (p <= m_size && !IsLineBreak(At(p)))
        return false;
    while (p <= m_size && (At(p) <= 32))
        ++p;
    m_position = p;
    return true;
}

bool TfsParser::SkipBlockComment(const QString &open, const QString &close)
{
    const int len = MatchMarker(m_position, open);
    if (len == 0)
        return false;
    // Block comments do not nest: the first closing marker ends the comment. One that is never
    // closed runs to the end of the text.
    const int from = m_position - 1 + len;
    const int found = close.isEmpty() ? -1 : int(m_text.indexOf(close, from));
    if (found < 0 || found >= m_size) {
        if (m_unterminatedComment == 0 || m_position < m_unterminatedComment)
            m_unterminatedComment = m_position;
        m_position = m_size + 1;
    } else {
        m_position = found + 1 + int(close.size());
    }
    return true;
}

void TfsParser::SkipSpaces()
{
    for (;;) {
        while (m_position <= m_size) {
            const ushort c = At(m_position);
            // A byte order mark (zero-width no-break space) is white space too.
            if ((c > 32 && c != 0xFEFF) || (!m_skipEOL && IsLineBreak(c)))
                break;
            ++m_position;
        }
        if (m_position > m_size)
            break;
        const ushort c = At(m_position);
        if (c < 256 && !m_markerStarts[c])
            break;
        if (SkipContinuation())
            continue;
        int len = MatchMarker(m_position, m_commentLine1);
        if (len == 0)
            len = MatchMarker(m_position, m_commentLine2);
        if (len > 0) {
            int p = m_position + len;
            if (!m_skipEOL && !BeginsLine(m_position)) {
                // The line break after the comment ends a statement in such a language: keep it.
                while (p <= m_size && !IsLineBreak(At(p)))
                    ++p;
            } else if (!m_skipEOL) {
                // A comment on a line of its own goes away with its line break.
                while (p <= m_size && !IsLineBreak(At(p)))
                    ++p;
                if (At(p) == 13)
                    ++p;
                if (At(p) == 10)
                    ++p;
            } else {
                while (p <= m_size && At(p) != 10)
                    ++p;
            }
            m_position = p;
            continue;
        }
        if (SkipBlockComment(m_commentBlock1Open, m_commentBlock1Close) ||
            SkipBlockComment(m_commentBlock2Open, m_commentBlock2Close))
            continue;
        break;
    }
    m_lastPosition = m_position;
}

bool TfsParser::GetEOL()
{
    if (m_skipSpace)
        SkipSpaces();
    if (!IsLineBreak(At(m_position)))
        return false;
    // Blank lines, lines of blanks and comment lines in between belong to the same break.
    do {
        while (IsLineBreak(At(m_position)))
            ++m_position;
        SkipSpaces();
    } while (IsLineBreak(At(m_position)));
    return true;
}

bool TfsParser::IsEndOfText()
{
    for (;;) {
        SkipSpaces();
        if (!IsLineBreak(At(m_position)))
            break;
        while (IsLineBreak(At(m_position)))
            ++m_position;
    }
    return m_position > m_size;
}

// ---------------------------------------------------------------------------------------------
// Tokens

int TfsParser::GetWordExtent(int &start)
{
    if (m_skipSpace)
        SkipSpaces();
    start = m_position;
    const int length = WordLengthAt(start);
    m_position += length;
    return length;
}

int TfsParser::WordLengthAt(int position) const
{
    const ushort c = At(position);
    if (c == 0 || (c < 127 && (!m_identChars[c] || (c >= '0' && c <= '9'))))
        return 0;
    int p = position + 1;
    while (IsIdent(At(p)) && At(p) != 0)
        ++p;
    return p - position;
}

QString TfsParser::GetWord()
{
    int start;
    const int length = GetWordExtent(start);
    return length ? QString(m_data + start - 1, length) : QString();
}

bool TfsParser::IsKeyWord(QStringView word) const
{
    if (word.isEmpty())
        return false;
    const Qt::CaseSensitivity cs = m_caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (const QString &keyword : m_keywordTable->buckets[size_t(KeywordBucket(word.at(0).unicode()))])
        if (keyword.size() == word.size() && word.compare(keyword, cs) == 0)
            return true;
    return false;
}

QString TfsParser::GetIdent()
{
    const int before = m_position;
    int start;
    const int length = GetWordExtent(start);
    if (length == 0 || IsKeyWord(View(start, length))) {
        m_position = before;
        return QString();
    }
    return QString(m_data + start - 1, length);
}

ushort TfsParser::GetCharCode()
{
    const ushort c = At(m_position);
    if (!IsPunctuation(c))
        return 0;
    ++m_position;
    return c;
}

QString TfsParser::GetChar()
{
    const ushort c = GetCharCode();
    return c ? QString(QChar(c)) : QString();
}

// End of an unsigned number starting at position, or position itself when there is none: the
// hexadecimal prefix and hexadecimal digits, or decimal digits with, when allowed, a fraction and a
// scale factor.
int TfsParser::ReadUnsigned(int position, bool allowFraction) const
{
    auto isDigit = [this](int p) { return At(p) >= '0' && At(p) <= '9'; };
    auto isHex = [this](int p) { return IsHexDigit(At(p)); };
    const int prefix = int(m_hexSequence.size());
    if (prefix > 0 && position + prefix <= m_size &&
        QStringView(m_data + position - 1, prefix).compare(m_hexSequence, Qt::CaseInsensitive) == 0 &&
        isHex(position + prefix)) {
        int p = position + prefix;
        while (isHex(p))
            ++p;
        return p;
    }
    if (!isDigit(position))
        return position;
    int p = position;
    while (isDigit(p))
        ++p;
    if (!allowFraction)
        return p;
    // "1..5" is a range, not the real "1." followed by ".5".
    if (At(p) == '.' && isDigit(p + 1)) {
        p += 2;
        while (isDigit(p))
            ++p;
    }
    if (At(p) == 'e' || At(p) == 'E') {
        int q = p + 1;
        if (At(q) == '+' || At(q) == '-')
            ++q;
        if (isDigit(q)) {
            while (isDigit(q))
                ++q;
            p = q;
        }
    }
    return p;
}

QString TfsParser::GetNumber()
{
    if (m_skipSpace)
        SkipSpaces();
    const int start = m_position;
    const int end = ReadUnsigned(start, true);
    if (end == start)
        return QString();
    m_position = end;
    QString token(m_data + start - 1, end - start);
    if (m_hexSequence != QLatin1String("$"))
        token.replace(m_hexSequence, QStringLiteral("$"), Qt::CaseInsensitive);
    return token;
}

QString TfsParser::GetString()
{
    if (m_skipSpace)
        SkipSpaces();
    const int start = m_position;
    const ushort quote = m_stringQuotes.unicode();
    QString value;
    bool anyPart = false;
    int p = start;
    auto fail = [&]() {
        m_position = start;
        return QString();
    };
    for (;;) {
        const ushort c = At(p);
        if (c == quote && p <= m_size) {
            ++p;
            for (;;) {
                if (p > m_size)
                    return fail();
                const ushort d = At(p);
                if (d == quote) {
                    if (!m_specStrChar && At(p + 1) == quote) {
                        value += QChar(quote);
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                // A string never spans lines: a control character ends it unterminated.
                if (d < 32 && d != 9)
                    return fail();
                if (m_specStrChar && d == '\\') {
                    const ushort e = At(p + 1);
                    if (p + 1 > m_size || (e < 32 && e != 9))
                        return fail();
                    if (e == 'n') {
                        value += QChar(10);
                        p += 2;
                    } else if (e == 'r') {
                        value += QChar(13);
                        p += 2;
                    } else if (e == 't') {
                        value += QChar(9);
                        p += 2;
                    } else if (e == 'x' && IsHexDigit(At(p + 2))) {
                        // \x takes all the hexadecimal digits that follow.
                        int q = p + 2;
                        uint code = 0;
                        bool overflow = false;
                        for (; IsHexDigit(At(q)); ++q) {
                            const ushort h = At(q);
                            code = code * 16 + (h <= '9' ? uint(h - '0') : uint((h | 0x20) - 'a' + 10));
                            if (code > 0x10FFFF)
                                overflow = true;
                        }
                        if (overflow)
                            return fail();
                        const char32_t c32 = code;
                        value += QString::fromUcs4(&c32, 1);
                        p = q;
                    } else {
                        value += QChar(e);
                        p += 2;
                    }
                    continue;
                }
                value += QChar(d);
                ++p;
            }
            anyPart = true;
        } else if (c == '#') {
            const int digits = p + 1;
            const int end = ReadUnsigned(digits, false);
            if (end == digits)
                break;
            QString number(m_data + digits - 1, end - digits);
            bool ok = false;
            uint code;
            if (number.at(0).isDigit() && !number.startsWith(m_hexSequence, Qt::CaseInsensitive))
                code = number.toUInt(&ok, 10);
            else
                code = number.mid(m_hexSequence.size()).toUInt(&ok, 16);
            if (!ok || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return fail();
            const char32_t c32 = code;
            value += QString::fromUcs4(&c32, 1);
            p = end;
            anyPart = true;
        } else {
            break;
        }
    }
    if (!anyPart)
        return fail();
    m_position = p;
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

QString TfsParser::GetFRString()
{
    const int start = m_position;
    int depth = 1;
    bool inSingle = false;
    bool inDouble = false;
    int p = start;
    for (; p <= m_size; ++p) {
        const ushort c = At(p);
        // A reference never spans lines; stopping at the break keeps an unclosed "<" local.
        if (IsLineBreak(c))
            return QString();
        // A quote of one kind inside a quoted part of the other kind is plain text, so that a field
        // such as "O'Brien" does not leave the reader inside a quote.
        if (c == '\'' && !inDouble)
            inSingle = !inSingle;
        else if (c == '"' && !inSingle)
            inDouble = !inDouble;
        else if (!inSingle && !inDouble) {
            if (c == '<' || c == '[')
                ++depth;
            else if (c == '>' || c == ']') {
                if (--depth == 0)
                    break;
            }
        }
    }
    if (p > m_size || p == start)
        return QString();
    m_position = p;
    return QString(m_data + start - 1, p - start);
}

// ---------------------------------------------------------------------------------------------
// Positions

void TfsParser::PositionToXY(int position, int &line, int &column) const
{
    const auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), position);
    const int index = int(it - m_lineStarts.begin()) - 1;
    if (index < 0) {
        line = 1;
        column = 1;
        return;
    }
    line = index + 1;
    column = position - m_lineStarts[size_t(index)] + 1;
}

QString TfsParser::GetXYPosition(int position) const
{
    int line, column;
    PositionToXY(position, line, column);
    return QString::number(line) + QLatin1Char(':') + QString::number(column);
}

int TfsParser::GetPlainPosition(int line, int column) const
{
    if (line < 1 || line > int(m_lineStarts.size()) || column < 1)
        return -1;
    const int start = m_lineStarts[size_t(line - 1)];
    // The end of a line (where its break stands) is still on the line.
    int end = m_size + 1;
    if (line < int(m_lineStarts.size())) {
        end = m_lineStarts[size_t(line)] - 1;
        if (end > start && At(end) == 10 && At(end - 1) == 13)
            --end;
    }
    const int position = start + column - 1;
    return position <= end ? position : -1;
}

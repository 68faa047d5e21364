#pragma once
// TfsParser: the lexer under every script language. It knows no language of its own; the grammar
// walk (fs_iilparser) configures it from a language definition and asks it for one token at a time,
// moving the position back whenever a grammar branch does not match.
//
// Positions are 1-based indexes into the text; position Size() + 1 is the end of the text.

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

// Keywords by their first character (lower case; 128 for all others): a lookup compares a
// handful of words in place instead of folding the word into a new string. Shared between the
// lexers of one language.
struct TfsKeywordTable {
    QStringList words;
    std::array<std::vector<QString>, 129> buckets;
};

class TfsParser {
public:
    TfsParser();

    // Settings back to their defaults and no keywords; the text stays.
    void Clear();
    void SetText(const QString &text);
    // The source text (without the terminating NUL the lexer keeps after it).
    QString Text() const { return m_text.left(m_size); }
    int Size() const { return m_size; }

    int Position() const { return m_position; }
    void SetPosition(int position) { m_position = position; }
    // Where the last token started: the position SkipSpaces reached.
    int LastPosition() const { return m_lastPosition; }

    // Token readers. All but GetChar and GetFRString skip white space and comments first. A reader
    // that finds no token of its kind returns an empty text (GetEOL: false).
    void SkipSpaces();
    bool GetEOL();
    QString GetIdent();
    QString GetWord();
    bool IsKeyWord(const QString &word) const { return IsKeyWord(QStringView(word)); }
    QString GetChar();
    QString GetString();
    QString GetNumber();
    QString GetFRString();
    // Allocation-free forms for the grammar walk: the punctuation character at the position
    // (0 when there is none), and the extent of the word after white space (length 0: no word).
    ushort GetCharCode();
    int GetWordExtent(int &start);
    bool IsKeyWord(QStringView word) const;
    QStringView View(int start, int length) const { return QStringView(m_data + start - 1, length); }
    // Skips white space, comments and line breaks and tells whether the text ends there.
    bool IsEndOfText();
    // Where a block comment without its closing marker starts (0: none met so far). Such a
    // comment runs to the end of the text; the parser turns it into an error.
    int UnterminatedComment() const { return m_unterminatedComment; }

    // "line:column" of the current position, or of the given one.
    QString GetXYPosition() const { return GetXYPosition(m_position); }
    QString GetXYPosition(int position) const;
    void PositionToXY(int position, int &line, int &column) const;
    // The position of a line and column (both from 1), or -1 outside the text.
    int GetPlainPosition(int line, int column) const;

    // Keywords, sorted; lookups ignore case unless the language is case-sensitive.
    QStringList Keywords() const;
    void AddKeyword(const QString &word);
    void SetKeywords(const QStringList &words);
    static std::shared_ptr<const TfsKeywordTable> MakeKeywordTable(const QStringList &words);
    void SetKeywordTable(std::shared_ptr<const TfsKeywordTable> table) { m_keywordTable = std::move(table); }

    // Looks at the text without moving: the character at a position (0 past the end) and the
    // length of the word starting there (0 when none does).
    ushort CharAt(int position) const { return At(position); }
    int WordLengthAt(int position) const;

    // Lexical settings of the language; see Clear for the values without a setting.
    const QString &CommentLine1() const { return m_commentLine1; }
    void SetCommentLine1(const QString &marker)
    {
        m_commentLine1 = marker;
        UpdateMarkerStarts();
    }
    const QString &CommentLine2() const { return m_commentLine2; }
    void SetCommentLine2(const QString &marker)
    {
        m_commentLine2 = marker;
        UpdateMarkerStarts();
    }
    // Block comment markers as "open,close".
    QString CommentBlock1() const;
    void SetCommentBlock1(const QString &markers);
    QString CommentBlock2() const;
    void SetCommentBlock2(const QString &markers);
    QChar StringQuotes() const { return m_stringQuotes; }
    void SetStringQuotes(QChar quote) { m_stringQuotes = quote; }
    const QString &HexSequence() const { return m_hexSequence; }
    void SetHexSequence(const QString &prefix)
    {
        m_hexSequence = prefix.isEmpty() ? QStringLiteral("$") : prefix;
    }
    // The characters given are allowed in identifiers besides digits, letters and "_".
    void SetIdentifierCharset(const QString &extra);
    bool IsIdentChar(QChar c) const { return IsIdent(c.unicode()); }
    bool SkipEOL() const { return m_skipEOL; }
    void SetSkipEOL(bool skip) { m_skipEOL = skip; }
    QChar SkipChar() const { return m_skipChar; }
    void SetSkipChar(QChar c)
    {
        m_skipChar = c;
        UpdateMarkerStarts();
    }
    bool SpecStrChar() const { return m_specStrChar; }
    void SetSpecStrChar(bool on) { m_specStrChar = on; }
    bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool on);
    bool SkipSpace() const { return m_skipSpace; }
    void SetSkipSpace(bool on) { m_skipSpace = on; }

private:
    ushort At(int position) const
    {
        return position >= 1 && position <= m_size ? m_data[position - 1].unicode() : 0;
    }
    bool IsIdent(ushort c) const { return c >= 127 || m_identChars[c]; }
    static bool IsPunctuation(ushort c)
    {
        return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 126);
    }
    static bool IsLineBreak(ushort c) { return c == 13 || c == 10; }
    static bool IsHexDigit(ushort c)
    {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }
    int MatchMarker(int position, const QString &marker) const;
    bool BeginsLine(int position) const;
    bool SkipContinuation();
    bool SkipBlockComment(const QString &open, const QString &close);
    int ReadUnsigned(int position, bool allowFraction) const;
    void UpdateMarkerStarts();
    static int KeywordBucket(ushort c) { return c < 128 ? (c >= 'A' && c <= 'Z' ? c + 32 : c) : 128; }

    QString m_text; // the source with one NUL appended
    const QChar *m_data = nullptr;
    int m_size = 0;
    int m_position = 1;
    int m_lastPosition = 1;
    int m_unterminatedComment = 0;
    std::vector<int> m_lineStarts;

    std::shared_ptr<const TfsKeywordTable> m_keywordTable;
    // Characters that may start a comment marker or the continuation character: white space
    // skipping stops at once on any other character.
    std::array<bool, 256> m_markerStarts{};

    QString m_commentLine1;
    QString m_commentLine2;
    QString m_commentBlock1Open, m_commentBlock1Close;
    QString m_commentBlock2Open, m_commentBlock2Close;
    QChar m_stringQuotes;
    QString m_hexSequence;
    std::array<bool, 256> m_identChars{};
    bool m_skipEOL = true;
    QChar m_skipChar;
    bool m_specStrChar = false;
    bool m_caseSensitive = false;
    bool m_skipSpace = true;
};

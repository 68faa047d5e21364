#include "script/fs_iilparser.h"

#include "platform/ConfinedFile.h"
#include "platform/Exception.h"
#include "script/fs_ierrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

const QString &AttrText()
{
    static const QString s = QStringLiteral("text");
    return s;
}
const QString &AttrPos()
{
    static const QString s = QStringLiteral("pos");
    return s;
}
const QString &AttrPos1()
{
    static const QString s = QStringLiteral("pos1");
    return s;
}

// "line:column", written directly: every item of a document carries one.
QString XY(int line, int column)
{
    char16_t buffer[24];
    int n = 0;
    auto put = [&](int value) {
        char16_t digits[11];
        int k = 0;
        do {
            digits[k++] = char16_t(u'0' + value % 10);
            value /= 10;
        } while (value > 0 && k < 11);
        while (k > 0)
            buffer[n++] = digits[--k];
    };
    put(line < 0 ? 0 : line);
    buffer[n++] = u':';
    put(column < 0 ? 0 : column);
    return QString(reinterpret_cast<const QChar *>(buffer), n);
}

struct DepthGuard {
    explicit DepthGuard(int &depth) : m_depth(depth) { ++m_depth; }
    ~DepthGuard() { --m_depth; }
    int &m_depth;
};

} // namespace

TfsILParser::TfsILParser() = default;

void TfsILParser::SelectLanguage(const QString &name)
{
    m_language = TfsLanguageRegistry::Language(name);
    m_languageName = name;
    m_language->ApplyTo(m_parser);
}

// ---------------------------------------------------------------------------------------------
// Errors

void TfsILParser::RecordError(const QString &message, int position, bool term)
{
    // Only the first error counts: later ones are usually consequences of it.
    if (m_hasError)
        return;
    int line, column;
    m_parser.PositionToXY(position, line, column);
    m_hasError = true;
    m_errorMsg = message;
    m_errorPos = XY(line, column);
    m_errorTerm = term;
}

void TfsILParser::SetStickyError(const QString &message, const QString &position, const QString &unit)
{
    if (!m_hasError) {
        m_hasError = true;
        m_errorMsg = message;
        m_errorPos = position;
        m_errorTerm = false;
        if (m_errorUnit.isEmpty())
            m_errorUnit = unit;
    }
    m_errorSticky = true;
}

void TfsILParser::ClearError()
{
    if (m_errorSticky)
        return;
    m_hasError = false;
    m_errorTerm = false;
    m_errorMsg.clear();
    m_errorPos.clear();
}

// ---------------------------------------------------------------------------------------------
// The walk

void TfsILParser::WriteItem(size_t at, const QString &name, const QString &text, int position)
{
    Line item;
    item.kind = Line::Item;
    item.name = name;
    item.text = text;
    m_parser.PositionToXY(position, item.line, item.column);
    if (at == m_lines.size())
        m_lines.push_back(std::move(item));
    else
        m_lines.insert(m_lines.begin() + ptrdiff_t(at), std::move(item));
}

// A field reference <FD."Name"> is written as the call Get('FD."Name"'), positioned after it.
void TfsILParser::WriteFieldReference(const QString &reference)
{
    static const QString dsgn = QStringLiteral("dsgn");
    static const QString node = QStringLiteral("node");
    static const QString expr = QStringLiteral("expr");
    static const QString string = QStringLiteral("string");
    static const QString get = QStringLiteral("Get");
    Line open;
    open.kind = Line::Open;
    m_parser.PositionToXY(m_parser.Position(), open.line, open.column);
    open.name = dsgn;
    m_lines.push_back(open);
    Line item = open;
    item.kind = Line::Item;
    item.name = node;
    item.text = get;
    m_lines.push_back(item);
    open.name = expr;
    open.hasPos1 = true;
    open.line1 = open.line;
    open.column1 = open.column;
    m_lines.push_back(open);
    item.name = string;
    item.text = QLatin1Char('\'') + reference + QLatin1Char('\'');
    m_lines.push_back(item);
    Line close;
    close.kind = Line::Close;
    close.name = expr;
    m_lines.push_back(close);
    close.name = dsgn;
    m_lines.push_back(close);
}

void TfsILParser::Wrap(const TfsGrammarElement *e, size_t startLines, int tokenPos)
{
    if (e->nodeIsUses) {
        ExpandUnits(startLines);
        return;
    }
    Line open;
    open.kind = Line::Open;
    open.name = e->node;
    m_parser.PositionToXY(tokenPos, open.line, open.column);
    if (e->nodeIsExpr) {
        open.hasPos1 = true;
        m_parser.PositionToXY(m_parser.Position(), open.line1, open.column1);
    }
    m_lines.insert(m_lines.begin() + ptrdiff_t(startLines), std::move(open));
    Line close;
    close.kind = Line::Close;
    close.name = e->node;
    m_lines.push_back(std::move(close));
}

bool TfsILParser::Walk(const TfsGrammarElement *e)
{
    if (m_aborted)
        return false;
    DepthGuard guard(m_depth);
    const int startPos = m_parser.Position();
    if (m_depth > MaxDepth) {
        // Refuse rather than recurse on: 100,000 nested brackets must not take the stack down.
        int line, column;
        m_parser.SkipSpaces();
        m_parser.PositionToXY(m_parser.Position(), line, column);
        m_parser.SetPosition(startPos);
        SetStickyError(QStringLiteral("Nesting too deep"), XY(line, column), QString());
        m_aborted = true;
        return false;
    }
    const size_t startLines = m_lines.size();
    // The position of the element's first token, for its item, node and error. Only token readers
    // consume white space; a composite element only looks past it, so that an element reading
    // nothing (a written-in item) moves nothing and an expression ends right after its last token.
    int tokenPos = startPos;
    switch (e->kind) {
    case TfsGrammarElement::FRString:
        break;
    case TfsGrammarElement::Char:
        if (e->skip != 0) {
            m_parser.SkipSpaces();
            tokenPos = m_parser.Position();
        }
        break;
    default:
        m_parser.SkipSpaces();
        tokenPos = m_parser.Position();
        if (e->kind >= TfsGrammarElement::Sequence || e->kind == TfsGrammarElement::Rule)
            m_parser.SetPosition(startPos);
        break;
    }

    bool matched = false;
    QString token;
    const Qt::CaseSensitivity cs = m_parser.CaseSensitive() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    // The token text is made only when an item needs it.
    const bool needToken = e->hasAdd && !e->hasAddText;
    if (tokenPos > m_farthest)
        m_farthest = tokenPos;
    auto tokenMatches = [&]() {
        if (token.isEmpty())
            return false;
        return !e->hasText || token.compare(e->text, cs) == 0;
    };

    switch (e->kind) {
    case TfsGrammarElement::Rule:
    case TfsGrammarElement::Sequence:
        matched = true;
        for (const TfsGrammarElement *child : e->children)
            if (!Walk(child)) {
                matched = false;
                break;
            }
        break;
    case TfsGrammarElement::Char: {
        const ushort c = m_parser.GetCharCode();
        matched = c != 0 && (!e->hasText || (e->text.size() == 1 && e->text.at(0).unicode() == c));
        if (matched && needToken)
            token = QString(QChar(c));
        break;
    }
    case TfsGrammarElement::Keyword:
    case TfsGrammarElement::Ident: {
        int start;
        const int length = m_parser.GetWordExtent(start);
        const QStringView word = m_parser.View(start, length);
        matched = length > 0 && (e->kind == TfsGrammarElement::Keyword || !m_parser.IsKeyWord(word)) &&
                  (!e->hasText || word.compare(e->text, cs) == 0);
        if (matched && needToken)
            token = word.toString();
        break;
    }
    case TfsGrammarElement::Number:
        token = m_parser.GetNumber();
        matched = tokenMatches();
        break;
    case TfsGrammarElement::String:
        token = m_parser.GetString();
        matched = tokenMatches();
        break;
    case TfsGrammarElement::FRString:
        token = m_parser.GetFRString();
        matched = tokenMatches();
        if (matched)
            WriteFieldReference(token);
        break;
    case TfsGrammarElement::Eol:
        matched = m_parser.GetEOL();
        break;
    case TfsGrammarElement::Eof:
        matched = m_parser.IsEndOfText();
        break;
    case TfsGrammarElement::Switch:
    case TfsGrammarElement::OptionalSwitch: {
        // One look at the next token rules out the branches that must start otherwise.
        const ushort nextChar = m_parser.CharAt(tokenPos);
        const QStringView nextWord = m_parser.View(tokenPos, m_parser.WordLengthAt(tokenPos));
        for (const TfsGrammarElement *child : e->children) {
            if (child->start == TfsGrammarElement::Start::Char && child->startChar != nextChar)
                continue;
            if (child->start == TfsGrammarElement::Start::Word &&
                (nextWord.size() != child->startWord.size() || nextWord.compare(child->startWord, cs) != 0))
                continue;
            if (Walk(child)) {
                matched = true;
                break;
            }
        }
        if (!matched && e->kind == TfsGrammarElement::OptionalSwitch && !m_aborted) {
            m_parser.SetPosition(startPos);
            matched = true;
        }
        break;
    }
    case TfsGrammarElement::Loop:
    case TfsGrammarElement::OptionalLoop:
        matched = WalkLoop(e, startPos, startLines);
        break;
    case TfsGrammarElement::Optional:
        matched = !m_aborted;
        for (const TfsGrammarElement *child : e->children)
            if (!Walk(child)) {
                m_parser.SetPosition(startPos);
                m_lines.resize(startLines);
                break;
            }
        break;
    case TfsGrammarElement::RuleRef:
        matched = Walk(e->rule);
        break;
    }

    if (matched && !m_aborted) {
        if (e->hasAdd)
            WriteItem(startLines, e->add, e->hasAddText ? e->addText : token, tokenPos);
        if (e->hasNode)
            Wrap(e, startLines, tokenPos);
        return true;
    }
    if (e->hasErr)
        RecordError(e->errMessage, tokenPos, e->term);
    m_parser.SetPosition(startPos);
    m_lines.resize(startLines);
    return false;
}

bool TfsILParser::WalkLoop(const TfsGrammarElement *e, int startPos, size_t startLines)
{
    int rounds = 0;
    bool errorInFailedRound = false;
    for (;;) {
        const int roundPos = m_parser.Position();
        const size_t roundLines = m_lines.size();
        const bool hadError = m_hasError;
        bool ok = true;
        for (const TfsGrammarElement *child : e->children)
            if (!Walk(child)) {
                ok = false;
                break;
            }
        if (!ok) {
            // The failed round is undone; a separator read before it stays consumed.
            m_parser.SetPosition(roundPos);
            m_lines.resize(roundLines);
            errorInFailedRound = !hadError && m_hasError;
            break;
        }
        ++rounds;
        if (e->hasText) {
            const int afterRound = m_parser.Position();
            m_parser.SkipSpaces();
            if (m_parser.GetChar() != e->text) {
                m_parser.SetPosition(afterRound);
                break;
            }
        }
        if (m_parser.Position() == roundPos || m_aborted)
            break;
    }
    if (m_aborted)
        return false;
    if (rounds > 0) {
        if (errorInFailedRound && (e->skip == 1 || m_errorTerm))
            ClearError();
        return true;
    }
    m_parser.SetPosition(startPos);
    m_lines.resize(startLines);
    return e->kind == TfsGrammarElement::OptionalLoop;
}

// ---------------------------------------------------------------------------------------------
// Used units

void TfsILParser::ExpandUnits(size_t startLines)
{
    std::vector<Line> written(std::make_move_iterator(m_lines.begin() + ptrdiff_t(startLines)),
                              std::make_move_iterator(m_lines.end()));
    m_lines.resize(startLines);
    std::vector<std::vector<Line>> units;
    std::vector<Line> others;
    for (Line &line : written) {
        if (line.kind == Line::Item)
            units.push_back(LoadUnit(line.text, line));
        else
            others.push_back(std::move(line));
    }
    // Each unit goes in at the place of the uses clause, so the last one named comes first.
    for (auto it = units.rbegin(); it != units.rend(); ++it)
        for (Line &line : *it)
            m_lines.push_back(std::move(line));
    for (Line &line : others)
        m_lines.push_back(std::move(line));
}

QString TfsILParser::ReadUnitFile(const QString &unitName, bool &ok) const
{
    QString path = unitName;
    for (const QString &dir : m_includePaths) {
        path = QDir(dir).filePath(unitName);
        if (QFileInfo::exists(path))
            break;
    }
    // Only a regular file of a sane size, opened without waiting: a pipe or a device named as a
    // unit would hold the parse for ever or fill the memory.
    QByteArray bytes;
    QString why;
    ok = ConfinedFile::ReadRegular(path, MaxUnitBytes, bytes, why);
    if (!ok)
        return QString();
    QStringDecoder decoder(QStringDecoder::Utf8);
    return decoder(bytes);
}

std::vector<TfsILParser::Line> TfsILParser::LoadUnit(const QString &itemText, const Line &item)
{
    QString unitName = itemText;
    if (unitName.size() >= 2 && unitName.startsWith(QLatin1Char('\'')) &&
        unitName.endsWith(QLatin1Char('\'')))
        unitName = unitName.mid(1, unitName.size() - 2);
    if (m_usedUnits.contains(unitName, Qt::CaseInsensitive))
        return {};
    m_usedUnits.append(unitName);

    QString text;
    if (m_onGetUnit) {
        // The source may refuse a unit by raising: its message is the parse's error, at the name.
        try {
            text = m_onGetUnit(unitName);
        } catch (const std::exception &e) {
            SetStickyError(ExceptionText(e), XY(item.line, item.column), QString());
            return {};
        }
    } else {
        bool ok = false;
        text = ReadUnitFile(unitName, ok);
        if (!ok) {
            SetStickyError(QStringLiteral("Cannot open file '%1'").arg(unitName), XY(item.line, item.column),
                           QString());
            return {};
        }
    }

    TfsILParser unit;
    unit.SelectLanguage(m_languageName);
    unit.m_onGetUnit = m_onGetUnit;
    unit.m_includePaths = m_includePaths;
    unit.m_usedUnits = m_usedUnits;
    unit.m_baseDepth = m_depth;
    unit.m_isUnit = true;
    if (!unit.MakeILScript(text)) {
        // The position stays the unit's own "line:column"; the error unit says whose.
        SetStickyError(unit.m_errorMsg, unit.m_errorPos,
                       unit.m_errorUnit.isEmpty() ? unitName : unit.m_errorUnit);
        if (unit.m_aborted)
            m_aborted = true;
        return {};
    }
    m_usedUnits = unit.m_usedUnits;
    std::vector<Line> lines;
    lines.reserve(unit.m_lines.size() + 2);
    Line open;
    open.kind = Line::OpenUnit;
    open.name = QStringLiteral("uses");
    open.text = unitName;
    lines.push_back(std::move(open));
    for (Line &line : unit.m_lines)
        lines.push_back(std::move(line));
    Line close;
    close.kind = Line::Close;
    close.name = QStringLiteral("uses");
    lines.push_back(std::move(close));
    return lines;
}

// ---------------------------------------------------------------------------------------------
// The whole parse

bool TfsILParser::MakeILScript(const QString &text)
{
    m_lines.clear();
    m_document.Clear();
    m_errorSticky = false;
    ClearError();
    m_errorUnit.clear();
    m_aborted = false;
    m_depth = m_baseDepth;
    m_farthest = 1;
    if (!m_isUnit)
        m_usedUnits.clear();
    if (!m_language)
        SelectLanguage(QStringLiteral("PascalScript"));

    m_parser.SetText(text);
    // A byte order mark left in the text stands before everything, "#language" included.
    int start = text.startsWith(QChar(0xFEFF)) ? 2 : 1;
    if (text.size() >= start && text.at(start - 1) == QLatin1Char('#')) {
        m_parser.SetPosition(start + 1);
        if (m_parser.GetWord().compare(QLatin1String("language"), Qt::CaseInsensitive) == 0) {
            int end = m_parser.Position();
            while (end <= text.size() && text.at(end - 1) != QLatin1Char('\r') &&
                   text.at(end - 1) != QLatin1Char('\n'))
                ++end;
            const QString name = text.mid(m_parser.Position() - 1, end - m_parser.Position()).trimmed();
            SelectLanguage(name);
            if (end <= text.size() && text.at(end - 1) == QLatin1Char('\r'))
                ++end;
            if (end <= text.size() && text.at(end - 1) == QLatin1Char('\n'))
                ++end;
            start = end;
        }
    }
    m_parser.SetPosition(start);

    const bool matched = Walk(m_language->Program());
    // A block comment that is never closed swallows the rest of the text, which may then parse as
    // a shorter, valid program: say so instead. One after the end of the program is harmless.
    const int openComment = m_parser.UnterminatedComment();
    if (matched && !m_hasError && openComment > 0 && openComment < m_parser.Position())
        RecordError(QStringLiteral("Unterminated comment"), openComment, false);
    if (matched && !m_hasError) {
        BuildDocument();
        m_errorPos.clear();
        return true;
    }
    if (!m_hasError) {
        // A grammar that failed without naming an error still must say where.
        int line, column;
        m_parser.PositionToXY(m_farthest, line, column);
        m_hasError = true;
        m_errorMsg = QStringLiteral("Syntax error");
        m_errorPos = XY(line, column);
    }
    m_lines.clear();
    return false;
}

void TfsILParser::BuildDocument()
{
    auto root = std::make_unique<TfsXMLItem>(QStringLiteral("program"));
    std::vector<TfsXMLItem *> open{root.get()};
    for (const Line &line : m_lines) {
        switch (line.kind) {
        case Line::Item: {
            TfsXMLItem *item = open.back()->Add(line.name);
            item->SetProp(AttrText(), line.text);
            item->SetProp(AttrPos(), XY(line.line, line.column));
            break;
        }
        case Line::Open: {
            TfsXMLItem *item = open.back()->Add(line.name);
            item->SetProp(AttrPos(), XY(line.line, line.column));
            if (line.hasPos1)
                item->SetProp(AttrPos1(), XY(line.line1, line.column1));
            open.push_back(item);
            break;
        }
        case Line::OpenUnit: {
            TfsXMLItem *item = open.back()->Add(line.name);
            item->SetProp(QStringLiteral("unit"), line.text);
            open.push_back(item);
            break;
        }
        case Line::Close:
            if (open.size() > 1)
                open.pop_back();
            break;
        }
    }
    if (const TfsXMLItem *types = m_language->Types())
        root->AddItem(types->Clone());
    m_document.SetRoot(std::move(root));
}

#pragma once
// TfsILParser: the one parser of every script language. It walks the grammar of the selected
// language over a source text and writes the intermediate program document, an XML tree of items
// (tokens) and nodes (constructs) that the program translator turns into executable objects. The
// names it writes are listed in script/languages/IntermediateDocument.md.
//
// A syntax error is no exception: MakeILScript returns false and ErrorMsg/ErrorPos tell what and
// where (the first error the walk recorded). Exceptions are raised for an unknown language and for
// a broken language definition only.

#include "script/fs_ilanguage.h"
#include "script/fs_iparser.h"
#include "script/fs_xml.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TfsILParser {
public:
    // Source text of a used unit, by the name the uses clause gives. A source refuses a unit by
    // raising an exception; its text becomes the parse's error, placed at the unit's name.
    using UnitSource = std::function<QString(const QString &unitName)>;

    // The largest unit file read from the include paths.
    static constexpr qint64 MaxUnitBytes = 16 * 1024 * 1024;

    // How deep the grammar walk may nest before the text is refused ("Nesting too deep"): about
    // seventy nested parentheses or statements, far beyond real scripts, and about 300 KB of stack
    // in an optimised build, well within the 1 MB a thread may have.
    static constexpr int MaxDepth = 1000;

    TfsILParser();

    // Selects the language whose grammar the next MakeILScript walks. Throws EfsScriptError
    // "Language '%s' not found" or "Invalid language definition".
    void SelectLanguage(const QString &name);
    const QString &Language() const { return m_languageName; }
    // False when the selected language does not require declared variables.
    bool DeclareVars() const { return m_language ? m_language->DeclareVars() : true; }

    // Parses a text into the intermediate document. A first line "#language NAME" selects NAME.
    // Without a selected language the text is read as "PascalScript".
    bool MakeILScript(const QString &text);

    // The intermediate document of the last successful MakeILScript, and its text.
    const TfsXMLDocument &ILScript() const { return m_document; }
    QString ILText() const { return m_document.SaveToString(); }

    // Where the last MakeILScript failed: message, "line:column" (empty on success) and, for an
    // error inside a used unit, the unit's name.
    const QString &ErrorMsg() const { return m_errorMsg; }
    const QString &ErrorPos() const { return m_errorPos; }
    const QString &ErrorUnit() const { return m_errorUnit; }

    // Used units come from the unit source when one is set, else from files in the include paths.
    void SetOnGetUnit(UnitSource source) { m_onGetUnit = std::move(source); }
    const QStringList &IncludePaths() const { return m_includePaths; }
    void SetIncludePaths(const QStringList &paths) { m_includePaths = paths; }
    // Units pulled in by the last MakeILScript; within one parse a unit named again is skipped.
    const QStringList &UsedUnits() const { return m_usedUnits; }

    TfsParser &Parser() { return m_parser; }

private:
    struct Line {
        enum Kind : unsigned char { Item, Open, Close, OpenUnit };
        Kind kind = Item;
        bool hasPos1 = false;
        int line = 0, column = 0;
        int line1 = 0, column1 = 0;
        QString name;
        QString text;
    };

    bool Walk(const TfsGrammarElement *e);
    bool WalkLoop(const TfsGrammarElement *e, int startPos, size_t startLines);
    void WriteItem(size_t at, const QString &name, const QString &text, int position);
    void WriteFieldReference(const QString &reference);
    void Wrap(const TfsGrammarElement *e, size_t startLines, int tokenPos);
    void ExpandUnits(size_t startLines);
    std::vector<Line> LoadUnit(const QString &unitName, const Line &item);
    QString ReadUnitFile(const QString &unitName, bool &ok) const;
    void RecordError(const QString &message, int position, bool term);
    void SetStickyError(const QString &message, const QString &position, const QString &unit);
    void ClearError();
    void BuildDocument();

    TfsParser m_parser;
    std::shared_ptr<const TfsLanguage> m_language;
    QString m_languageName;
    TfsXMLDocument m_document;
    std::vector<Line> m_lines;

    QString m_errorMsg;
    QString m_errorPos;
    QString m_errorUnit;
    bool m_hasError = false;
    bool m_errorTerm = false;
    bool m_errorSticky = false; // survives the loops that discard errors (nesting, units)
    bool m_aborted = false;
    int m_depth = 0;
    int m_baseDepth = 0;   // depth of the parser that pulled this unit in
    bool m_isUnit = false; // parsing a used unit: the used-unit list goes on from the parent's
    int m_farthest = 1;

    UnitSource m_onGetUnit;
    QStringList m_includePaths;
    QStringList m_usedUnits;
};

#pragma once
// Script languages are data: each one is an XML definition document (lexical settings, keywords,
// error texts, type names and grammar rules). This file holds the process-wide registry of those
// documents and their compiled form, the grammar tree the parser walks.

#include "script/fs_xml.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TfsParser;
struct TfsKeywordTable;

// One element of a grammar rule, with its attributes resolved once when the definition is compiled:
// the walk then never looks an attribute or a rule up by name.
struct TfsGrammarElement {
    enum Kind : unsigned char {
        Rule, // a rule definition; its children are the rule's body
        Char,
        Keyword,
        Ident,
        Number,
        String,
        FRString,
        Eol,
        Eof, // the end of the text (after white space, comments and line breaks)
        Sequence,
        Switch,
        OptionalSwitch,
        Loop,
        OptionalLoop,
        Optional,
        RuleRef, // any other element name: the rule of that name
    };

    Kind kind = Sequence;
    QString name; // element name; the rule's name for Rule and RuleRef
    bool hasText = false;
    QString text; // token text, or a loop's separator character
    bool hasAdd = false;
    QString add;
    bool hasAddText = false;
    QString addText;
    bool hasNode = false;
    QString node;
    bool nodeIsExpr = false;
    bool nodeIsUses = false;
    bool hasErr = false;
    QString errMessage;
    bool term = false;
    int skip = -1; // -1 when the attribute is absent
    std::vector<const TfsGrammarElement *> children;
    const TfsGrammarElement *rule = nullptr; // RuleRef: the rule definition

    // When the element can only start with one fixed keyword or punctuation character and fails
    // there without writing or recording anything, a switch may skip it after one look at the
    // next token instead of walking it. Computed when the definition is compiled.
    enum class Start : unsigned char { Any, Word, Char };
    Start start = Start::Any;
    QString startWord;
    ushort startChar = 0;
};

class TfsLanguage {
public:
    // Compiles a definition document. Throws EfsScriptError "Invalid language definition" when the
    // text is not a language document, has no "program" rule, refers to a rule or an error text
    // it does not define, or nests deeper than any grammar needs.
    static std::shared_ptr<const TfsLanguage> Compile(const QString &definition);

    const QString &Name() const { return m_name; }
    // Puts the lexer into this language: defaults, then keywords and every setting of the document.
    void ApplyTo(TfsParser &parser) const;
    // False when the language lets a script use variables it never declared.
    bool DeclareVars() const { return m_declareVars; }
    const TfsGrammarElement *Program() const { return m_program; }
    const TfsGrammarElement *Rule(const QString &name) const { return m_rules.value(name.toLower()); }
    // The language's types element (nullptr when the document has none).
    const TfsXMLItem *Types() const { return m_types.get(); }
    QStringList Keywords() const { return m_keywords; }
    QString ErrorText(const QString &errName) const { return m_errors.value(errName.toLower()); }
    int RuleCount() const { return int(m_rules.size()); }

private:
    TfsLanguage() = default;
    TfsGrammarElement *CompileElement(const TfsXMLItem *item, int depth);
    void FillElement(TfsGrammarElement *e, const TfsXMLItem *item, int depth);
    void Resolve();
    void ComputeStarts();

    QString m_name;
    bool m_declareVars = true;
    QStringList m_keywords;
    std::vector<std::pair<QString, QString>> m_settings; // lower-case name, value
    std::shared_ptr<const TfsKeywordTable> m_keywordTable;
    QHash<QString, QString> m_errors; // lower-case name → text
    std::unique_ptr<TfsXMLItem> m_types;
    std::vector<std::unique_ptr<TfsGrammarElement>> m_elements;
    QHash<QString, const TfsGrammarElement *> m_rules; // lower-case name → definition
    const TfsGrammarElement *m_program = nullptr;
};

// The process-wide list of (language name, definition text). The four built-in languages
// ("PascalScript", "C++Script", "BasicScript", "JScript") are registered before the first use.
// Names compare ignoring case. Safe to use from any thread.
class TfsLanguageRegistry {
public:
    // Registers a language; a name already present gets the new definition.
    static void Register(const QString &name, const QString &definition);
    // The definition text; throws EfsScriptError "Language '%s' not found".
    static QString Definition(const QString &name);
    static QStringList Names();
    // The compiled definition, compiled once per registration. Throws as Definition and Compile do.
    static std::shared_ptr<const TfsLanguage> Language(const QString &name);
};

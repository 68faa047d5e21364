#include "script/fs_ilanguage.h"

#include "script/fs_ierrors.h"
#include "script/fs_iparser.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>

namespace {

// Real grammars nest a handful of levels; the limit only keeps a hostile document from exhausting
// the stack of the compiler.
constexpr int MaxDefinitionDepth = 64;

[[noreturn]] void Invalid()
{
    throw EfsScriptError(fsErrors::InvalidLanguageDefinition());
}

const QHash<QString, TfsGrammarElement::Kind> &ElementKinds()
{
    static const QHash<QString, TfsGrammarElement::Kind> kinds = {
        {QStringLiteral("char"), TfsGrammarElement::Char},
        {QStringLiteral("keyword"), TfsGrammarElement::Keyword},
        {QStringLiteral("ident"), TfsGrammarElement::Ident},
        {QStringLiteral("number"), TfsGrammarElement::Number},
        {QStringLiteral("string"), TfsGrammarElement::String},
        {QStringLiteral("frstring"), TfsGrammarElement::FRString},
        {QStringLiteral("eol"), TfsGrammarElement::Eol},
        {QStringLiteral("eof"), TfsGrammarElement::Eof},
        {QStringLiteral("sequence"), TfsGrammarElement::Sequence},
        {QStringLiteral("switch"), TfsGrammarElement::Switch},
        {QStringLiteral("optionalswitch"), TfsGrammarElement::OptionalSwitch},
        {QStringLiteral("loop"), TfsGrammarElement::Loop},
        {QStringLiteral("optionalloop"), TfsGrammarElement::OptionalLoop},
        {QStringLiteral("optional"), TfsGrammarElement::Optional},
    };
    return kinds;
}

} // namespace

std::shared_ptr<const TfsLanguage> TfsLanguage::Compile(const QString &definition)
{
    TfsXMLDocument document;
    try {
        document.LoadFromString(definition);
    } catch (const EfsScriptError &) {
        Invalid();
    }
    const TfsXMLItem *root = document.Root();
    if (root->Name().compare(QLatin1String("language"), Qt::CaseInsensitive) != 0)
        Invalid();

    std::shared_ptr<TfsLanguage> language(new TfsLanguage);
    language->m_name = root->Prop(QStringLiteral("text"));

    if (const TfsXMLItem *parser = root->FindItem(QStringLiteral("parser"))) {
        for (int i = 0; i < parser->Count(); ++i) {
            const TfsXMLItem *setting = parser->Items(i);
            const QString name = setting->Name().toLower();
            if (name == QLatin1String("keywords")) {
                for (int k = 0; k < setting->Count(); ++k)
                    language->m_keywords.append(setting->Items(k)->Name());
            } else if (name == QLatin1String("errors")) {
                for (int k = 0; k < setting->Count(); ++k)
                    language->m_errors.insert(setting->Items(k)->Name().toLower(),
                                              setting->Items(k)->Prop(QStringLiteral("text")));
            } else {
                language->m_settings.emplace_back(name, setting->Prop(QStringLiteral("text")));
                if (name == QLatin1String("declarevars"))
                    language->m_declareVars = setting->Prop(QStringLiteral("text")) != QLatin1String("0");
            }
        }
    }
    if (const TfsXMLItem *types = root->FindItem(QStringLiteral("types")))
        language->m_types = types->Clone();

    // Rules first, so that references can be resolved whatever the order of the document.
    std::vector<std::pair<const TfsXMLItem *, TfsGrammarElement *>> rules;
    for (int i = 0; i < root->Count(); ++i) {
        const TfsXMLItem *item = root->Items(i);
        const QString name = item->Name().toLower();
        if (name == QLatin1String("parser") || name == QLatin1String("types") ||
            language->m_rules.contains(name))
            continue;
        auto rule = std::make_unique<TfsGrammarElement>();
        rule->kind = TfsGrammarElement::Rule;
        rule->name = item->Name();
        language->m_rules.insert(name, rule.get());
        rules.emplace_back(item, rule.get());
        language->m_elements.push_back(std::move(rule));
    }
    for (auto &[item, rule] : rules)
        language->FillElement(rule, item, 0);
    language->Resolve();
    language->ComputeStarts();
    language->m_keywordTable = TfsParser::MakeKeywordTable(language->m_keywords);
    language->m_program = language->Rule(QStringLiteral("program"));
    if (!language->m_program)
        Invalid();
    return language;
}

TfsGrammarElement *TfsLanguage::CompileElement(const TfsXMLItem *item, int depth)
{
    auto element = std::make_unique<TfsGrammarElement>();
    TfsGrammarElement *e = element.get();
    m_elements.push_back(std::move(element));
    FillElement(e, item, depth);
    return e;
}

void TfsLanguage::FillElement(TfsGrammarElement *e, const TfsXMLItem *item, int depth)
{
    if (depth > MaxDefinitionDepth)
        Invalid();
    e->name = item->Name();
    const auto kind = ElementKinds().constFind(item->Name().toLower());
    // At depth 0 the item is a rule definition; its own name is not an element kind.
    if (depth > 0)
        e->kind = kind != ElementKinds().constEnd() ? kind.value() : TfsGrammarElement::RuleRef;
    else
        e->kind = TfsGrammarElement::Rule;

    for (int i = 0; i < item->PropCount(); ++i) {
        const QString name = item->PropName(i).toLower();
        const QString &value = item->PropValue(i);
        if (name == QLatin1String("text")) {
            e->hasText = true;
            e->text = value;
        } else if (name == QLatin1String("add")) {
            e->hasAdd = !value.isEmpty();
            e->add = value;
        } else if (name == QLatin1String("addtext")) {
            e->hasAddText = true;
            e->addText = value;
        } else if (name == QLatin1String("node")) {
            e->hasNode = !value.isEmpty();
            e->node = value;
            e->nodeIsExpr = value.compare(QLatin1String("expr"), Qt::CaseInsensitive) == 0;
            e->nodeIsUses = value.compare(QLatin1String("uses"), Qt::CaseInsensitive) == 0;
        } else if (name == QLatin1String("err")) {
            const auto found = m_errors.constFind(value.toLower());
            if (found == m_errors.constEnd())
                Invalid();
            e->hasErr = true;
            e->errMessage = found.value();
        } else if (name == QLatin1String("term")) {
            e->term = value == QLatin1String("1");
        } else if (name == QLatin1String("skip")) {
            e->skip = value == QLatin1String("0") ? 0 : value == QLatin1String("1") ? 1 : -1;
        }
    }
    // A loop's separator is one character; an empty text means no separator.
    if ((e->kind == TfsGrammarElement::Loop || e->kind == TfsGrammarElement::OptionalLoop) &&
        e->text.isEmpty())
        e->hasText = false;
    if (e->kind == TfsGrammarElement::RuleRef && item->Count() > 0)
        Invalid();

    for (int i = 0; i < item->Count(); ++i)
        e->children.push_back(CompileElement(item->Items(i), depth + 1));
}

void TfsLanguage::Resolve()
{
    for (auto &element : m_elements) {
        if (element->kind != TfsGrammarElement::RuleRef)
            continue;
        element->rule = m_rules.value(element->name.toLower());
        if (!element->rule)
            Invalid();
    }
}

namespace {

// The fixed first token of an element, if it has one and a mismatch there is silent. Following
// rules through their first elements; a chain that loops back on itself gives no answer.
void FindStart(const TfsGrammarElement *e, int depth, TfsGrammarElement::Start &start, QString &word,
               ushort &c)
{
    start = TfsGrammarElement::Start::Any;
    if (depth > 32 || e->hasErr)
        return;
    switch (e->kind) {
    case TfsGrammarElement::Keyword:
        if (e->hasText && !e->text.isEmpty()) {
            start = TfsGrammarElement::Start::Word;
            word = e->text;
        }
        break;
    case TfsGrammarElement::Char:
        if (e->hasText && e->text.size() == 1 && e->skip != 0) {
            start = TfsGrammarElement::Start::Char;
            c = e->text.at(0).unicode();
        }
        break;
    case TfsGrammarElement::RuleRef:
        FindStart(e->rule, depth + 1, start, word, c);
        break;
    case TfsGrammarElement::Rule:
    case TfsGrammarElement::Sequence:
        if (!e->children.empty())
            FindStart(e->children.front(), depth + 1, start, word, c);
        break;
    default:
        break;
    }
}

} // namespace

void TfsLanguage::ComputeStarts()
{
    for (auto &element : m_elements)
        FindStart(element.get(), 0, element->start, element->startWord, element->startChar);
}

void TfsLanguage::ApplyTo(TfsParser &parser) const
{
    parser.Clear();
    for (const auto &[name, value] : m_settings) {
        if (name == QLatin1String("identchars"))
            parser.SetIdentifierCharset(value);
        else if (name == QLatin1String("commentline1"))
            parser.SetCommentLine1(value);
        else if (name == QLatin1String("commentline2"))
            parser.SetCommentLine2(value);
        else if (name == QLatin1String("commentblock1"))
            parser.SetCommentBlock1(value);
        else if (name == QLatin1String("commentblock2"))
            parser.SetCommentBlock2(value);
        else if (name == QLatin1String("stringquotes") && !value.isEmpty())
            parser.SetStringQuotes(value.at(0));
        else if (name == QLatin1String("hexsequence"))
            parser.SetHexSequence(value);
        else if (name == QLatin1String("specstrchar"))
            parser.SetSpecStrChar(value == QLatin1String("1"));
        else if (name == QLatin1String("skipeol"))
            parser.SetSkipEOL(value != QLatin1String("0"));
        else if (name == QLatin1String("skipchar"))
            parser.SetSkipChar(value.isEmpty() ? QChar() : value.at(0));
        else if (name == QLatin1String("casesensitive"))
            parser.SetCaseSensitive(value == QLatin1String("1"));
    }
    parser.SetKeywordTable(m_keywordTable);
}

// ---------------------------------------------------------------------------------------------
// Registry

namespace {

struct RegistryEntry {
    QString name;
    QString definition;
    std::shared_ptr<const TfsLanguage> compiled;
};

struct Registry {
    QMutex mutex;
    std::vector<RegistryEntry> entries;
    bool builtinsLoaded = false;

    RegistryEntry *Find(const QString &name)
    {
        for (auto &entry : entries)
            if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
                return &entry;
        return nullptr;
    }

    void Put(const QString &name, const QString &definition)
    {
        if (RegistryEntry *entry = Find(name)) {
            entry->definition = definition;
            entry->compiled.reset();
        } else {
            entries.push_back({name, definition, nullptr});
        }
    }
};

} // namespace

static void InitLanguageResources()
{
    // The resources live in a static library: the linker keeps them only when referenced.
    Q_INIT_RESOURCE(fs_languages);
}

namespace {

Registry &TheRegistry()
{
    static Registry registry;
    return registry;
}

// Called with the mutex held.
void LoadBuiltins(Registry &registry)
{
    if (registry.builtinsLoaded)
        return;
    registry.builtinsLoaded = true;
    InitLanguageResources();
    static const char *const builtins[][2] = {
        {"PascalScript", ":/script/languages/PascalScript.xml"},
        {"C++Script", ":/script/languages/CppScript.xml"},
        {"BasicScript", ":/script/languages/BasicScript.xml"},
        {"JScript", ":/script/languages/JScript.xml"},
    };
    for (const auto &builtin : builtins) {
        // A language registered before the first use keeps its own definition.
        if (registry.Find(QLatin1String(builtin[0])))
            continue;
        QFile file{QString::fromLatin1(builtin[1])};
        if (file.open(QIODevice::ReadOnly))
            registry.entries.push_back(
                RegistryEntry{QString::fromLatin1(builtin[0]), QString::fromUtf8(file.readAll()), nullptr});
    }
}

} // namespace

void TfsLanguageRegistry::Register(const QString &name, const QString &definition)
{
    Registry &registry = TheRegistry();
    QMutexLocker lock(&registry.mutex);
    LoadBuiltins(registry);
    registry.Put(name, definition);
}

QString TfsLanguageRegistry::Definition(const QString &name)
{
    Registry &registry = TheRegistry();
    QMutexLocker lock(&registry.mutex);
    LoadBuiltins(registry);
    if (const RegistryEntry *entry = registry.Find(name))
        return entry->definition;
    throw EfsScriptError(fsErrors::LanguageNotFound(name));
}

QStringList TfsLanguageRegistry::Names()
{
    Registry &registry = TheRegistry();
    QMutexLocker lock(&registry.mutex);
    LoadBuiltins(registry);
    QStringList names;
    for (const auto &entry : registry.entries)
        names.append(entry.name);
    return names;
}

std::shared_ptr<const TfsLanguage> TfsLanguageRegistry::Language(const QString &name)
{
    Registry &registry = TheRegistry();
    QMutexLocker lock(&registry.mutex);
    LoadBuiltins(registry);
    RegistryEntry *entry = registry.Find(name);
    if (!entry)
        throw EfsScriptError(fsErrors::LanguageNotFound(name));
    if (!entry->compiled)
        entry->compiled = TfsLanguage::Compile(entry->definition);
    return entry->compiled;
}

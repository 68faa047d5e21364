// Reading declaration texts of host routines.

#include "script/fs_ideclaration.h"

#include "script/fs_iinterpreter.h"

#include <QStringList>

namespace {

// The tokens of a declaration: words, numbers, quoted strings and single punctuation characters.
QStringList Tokens(const QString &text)
{
    QStringList tokens;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        QChar c = text[i];
        if (c.isSpace()) {
            ++i;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') ||
                   c == QLatin1Char('.')) {
            qsizetype j = i;
            while (j < n && (text[j].isLetterOrNumber() || text[j] == QLatin1Char('_') ||
                             text[j] == QLatin1Char('$') || text[j] == QLatin1Char('.')))
                ++j;
            tokens << text.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('\'')) {
            qsizetype j = i + 1;
            while (j < n && text[j] != QLatin1Char('\''))
                ++j;
            tokens << text.mid(i, j - i + 1);
            i = j + 1;
        } else {
            tokens << QString(c);
            ++i;
        }
    }
    return tokens;
}

Variant DefaultValue(const QString &token, bool negative)
{
    if (token.startsWith(QLatin1Char('\'')))
        return Variant(token.mid(1, token.size() - 2));
    const QString lower = token.toLower();
    if (lower == QLatin1String("true"))
        return Variant(true);
    if (lower == QLatin1String("false"))
        return Variant(false);
    if (lower == QLatin1String("nil"))
        return Variant(static_cast<QObject *>(nullptr));
    if (lower == QLatin1String("null"))
        return Variant::Null();
    qint64 i;
    if (Variant::TextToInt64(token, i))
        return Variant(static_cast<long long>(negative ? -i : i));
    double d;
    if (Variant::TextToFloat(token, d))
        return Variant(negative ? -d : d);
    throw EfsScriptError(QStringLiteral("Invalid default value: ") + token);
}

} // namespace

TfsTypeRec fsDeclaration::ResolveType(const TfsScript *script, const QString &typeName, bool strict)
{
    const QString name = typeName.trimmed();
    if (name.isEmpty())
        return {fvtVariant, QStringLiteral("Variant")};
    if (script) {
        if (TfsCustomVariable *item = script->Find(name)) {
            if (dynamic_cast<TfsClassVariable *>(item))
                return {fvtClass, item->Name()};
            if (dynamic_cast<TfsTypeVariable *>(item))
                return item->TypeRec();
        }
    }
    TfsVarType typ = StrToVarType(name);
    if (typ == fvtClass) {
        if (strict && script && !script->FindClass(name))
            throw EfsCompileError(fsErrors::UnknownType(name));
        return {fvtClass, name};
    }
    return {typ, name};
}

void fsDeclaration::Apply(const TfsScript *script, const QString &syntax, TfsCustomVariable *routine)
{
    const QStringList t = Tokens(syntax);
    int i = 0;
    auto peek = [&](int k = 0) { return i + k < t.size() ? t[i + k] : QString(); };
    auto is = [&](const char *text) { return peek().compare(QLatin1String(text), Qt::CaseInsensitive) == 0; };
    auto fail = [&]() -> void { throw EfsScriptError(QStringLiteral("Invalid declaration: ") + syntax); };

    bool isFunc = false;
    if (is("function") || is("constructor"))
        isFunc = true;
    else if (!is("procedure"))
        fail();
    ++i;
    QString name = peek();
    if (name.isEmpty() || !(name[0].isLetter() || name[0] == QLatin1Char('_')))
        fail();
    ++i;
    // Parameters: groups separated by ";", each "[const|var|out] a, b [: Type] [= default]".
    if (is("(")) {
        ++i;
        while (!is(")")) {
            if (peek().isEmpty())
                fail();
            bool isVar = false;
            if (is("var") || is("out")) {
                isVar = true;
                ++i;
            } else if (is("const")) {
                ++i;
            }
            QStringList names;
            for (;;) {
                names << peek();
                ++i;
                if (!is(","))
                    break;
                ++i;
            }
            QString typeName;
            if (is(":")) {
                ++i;
                typeName = peek();
                ++i;
                if (is("of")) { // "array of const" and the like
                    i += 2;
                    typeName = QStringLiteral("Array");
                }
            }
            bool hasDefault = false;
            Variant defaultValue;
            if (is("=")) {
                ++i;
                bool negative = false;
                if (is("-")) {
                    negative = true;
                    ++i;
                }
                defaultValue = DefaultValue(peek(), negative);
                hasDefault = true;
                ++i;
            }
            TfsTypeRec type = ResolveType(script, typeName);
            for (const QString &paramName : names) {
                auto param = std::make_unique<TfsParamItem>(paramName, type.Typ, type.TypeName, isVar);
                if (hasDefault)
                    param->SetDefault(defaultValue);
                routine->AddParam(std::move(param));
            }
            if (is(";"))
                ++i;
            else if (!is(")"))
                fail();
        }
        ++i;
    }
    TfsTypeRec result{fvtVariant, QStringLiteral("Variant")};
    if (is(":")) {
        ++i;
        result = ResolveType(script, peek());
        ++i;
    }
    routine->SetName(name);
    routine->SetType(result.Typ, result.TypeName);
    routine->SetIsFunc(isFunc);
}

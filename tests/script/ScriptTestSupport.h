#pragma once
// Helpers shared by the script parser suites: compact views of an intermediate document that a
// test can compare with one string.

#include "script/fs_iilparser.h"
#include "script/fs_xml.h"

#include <QFile>
#include <QString>
#include <QStringList>

namespace ScriptTest {

inline bool IsItem(const TfsXMLItem *e)
{
    return e->Count() == 0 && e->HasProp(QStringLiteral("text"));
}

// The construct outline of an element: node names with their children in parentheses, items by
// name; expressions, designators and sets are not entered. Example:
// "procedure(name parameters(var(ident type)) compoundstmt(ifstmt(expr thenstmt(assignstmt(dsgn expr)))))"
inline QString Outline(const TfsXMLItem *e)
{
    const QString &name = e->Name();
    if (IsItem(e) || name == QLatin1String("expr") || name == QLatin1String("dsgn") ||
        name == QLatin1String("set") || name == QLatin1String("types"))
        return name;
    QStringList parts;
    for (int i = 0; i < e->Count(); ++i)
        parts << Outline(e->Items(i));
    return name + QLatin1Char('(') + parts.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The outline of everything under the document root, types excluded.
inline QString ProgramOutline(const TfsXMLDocument &document)
{
    QStringList parts;
    const TfsXMLItem *root = document.Root();
    for (int i = 0; i < root->Count(); ++i)
        if (root->Items(i)->Name() != QLatin1String("types"))
            parts << Outline(root->Items(i));
    return parts.join(QLatin1Char(' '));
}

// The items under an element in document order, each as its text, with the element names of
// nested dsgn and expr nodes shown as "{" "}" brackets: "Get{'FD.\"a\"'} + 'x'" reads as
// [dsgn Get [expr 'FD."a"']] + 'x' when the outer expr is given.
inline QString Tokens(const TfsXMLItem *e)
{
    QStringList parts;
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (IsItem(child))
            parts << child->Prop(QStringLiteral("text"));
        else
            parts << child->Name() + QLatin1Char('{') + Tokens(child) + QLatin1Char('}');
    }
    return parts.join(QLatin1Char(' '));
}

// Items as name=text and nodes as name{...}, in document order, without positions; the root's
// types copy is left out. Example: "op=unminus dsgn{node=b} op=+ number=1".
inline QString Dump(const TfsXMLItem *e)
{
    QStringList parts;
    for (int i = 0; i < e->Count(); ++i) {
        const TfsXMLItem *child = e->Items(i);
        if (IsItem(child))
            parts << child->Name() + QLatin1Char('=') + child->Prop(QStringLiteral("text"));
        else if (!(e->Parent() == nullptr && child->Name() == QLatin1String("types")))
            parts << child->Name() + QLatin1Char('{') + Dump(child) + QLatin1Char('}');
    }
    return parts.join(QLatin1Char(' '));
}

// The first element of that name, depth first, or nullptr.
inline const TfsXMLItem *FindFirst(const TfsXMLItem *e, const QString &name)
{
    if (e->Name() == name)
        return e;
    for (int i = 0; i < e->Count(); ++i)
        if (const TfsXMLItem *found = FindFirst(e->Items(i), name))
            return found;
    return nullptr;
}

inline QString Fixture(const QString &relative)
{
    QFile file(QStringLiteral(WAYBILL_FIXTURES "/") + relative);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace ScriptTest

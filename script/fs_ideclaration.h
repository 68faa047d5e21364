#pragma once
// Declaration texts of host routines ("function Calc(const Expr: String): Variant",
// "procedure Inc(var i: Integer; incr: Integer = 1)") read into a routine item: its name, its
// parameters with kind, type and default, and its result type.

#include "script/fs_itypes.h"

class TfsCustomVariable;
class TfsScript;

namespace fsDeclaration {
// The type a type name stands for in the script's scope: a registered type or class, else the
// simple type of that name. Any other name is a class: when strict (script code) it must be
// registered, else EfsCompileError "Unknown type: "; the host may name a class it registers later.
TfsTypeRec ResolveType(const TfsScript *script, const QString &typeName, bool strict = false);
// Reads the declaration into the routine; throws EfsScriptError for a text that is no declaration.
void Apply(const TfsScript *script, const QString &syntax, TfsCustomVariable *routine);
} // namespace fsDeclaration

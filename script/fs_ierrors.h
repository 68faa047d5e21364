#pragma once
// Errors the script engine raises as exceptions. Syntax errors in a script are not among them: the
// parser reports those through its error message and position, so that a caller can show them
// beside the source.

#include "platform/Exception.h"

class EfsScriptError : public Exception {
public:
    using Exception::Exception;
};

// Texts shared by the registry, the grammar compiler and the parser.
namespace fsErrors {
inline QString LanguageNotFound(const QString &name)
{
    return QStringLiteral("Language '%1' not found").arg(name);
}
inline QString InvalidLanguageDefinition()
{
    return QStringLiteral("Invalid language definition");
}
} // namespace fsErrors

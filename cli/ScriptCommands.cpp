#include "cli/ScriptCommands.h"

#include "cli/CliHelp.h"
#include "platform/SafeFile.h"
#include "script/fs_iinterpreter.h"

#include <QFile>
#include <QFileInfo>

namespace {


// The value as a person reads it: arrays as [a, b], objects by their class.
QString Show(const Variant &value)
{
    if (value.IsArray()) {
        QStringList parts;
        for (const Variant &element : value.ArrayElements())
            parts << Show(element);
        return QLatin1Char('[') + parts.join(QLatin1String(", ")) + QLatin1Char(']');
    }
    if (value.IsObject()) {
        QObject *object = value.ToObject();
        return object ? QStringLiteral("(%1)").arg(QString::fromLatin1(object->metaObject()->className()))
                      : QStringLiteral("nil");
    }
    return value.ToString();
}

QString Located(const TfsScript &script)
{
    QString where = script.ErrorPos();
    if (!script.ErrorUnit().isEmpty())
        where = script.ErrorUnit() + (where.isEmpty() ? QString() : QLatin1Char(':') + where);
    return where.isEmpty() ? script.ErrorMsg() : where + QLatin1String(": ") + script.ErrorMsg();
}

} // namespace

int Cli::Script(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList args = arguments;
    QString language = QStringLiteral("PascalScript");
    const qsizetype option = args.indexOf(QStringLiteral("--language"));
    if (option >= 0) {
        if (option + 1 >= args.size()) {
            err << Cli::CommandUsage(QStringLiteral("script"));
            return 2;
        }
        language = args[option + 1];
        args.remove(option, 2);
    }
    if (args.size() != 2) {
        err << Cli::CommandUsage(QStringLiteral("script"));
        return 2;
    }
    const QString &command = args[0];
    TfsScript script;
    script.SetSyntaxType(language);

    if (command == QLatin1String("check")) {
        QByteArray bytes;
        QString why;
        if (!SafeFile::ReadRegularFile(args[1], 64 * SafeFile::MB, bytes, why)) {
            err << "waybill-cli: cannot read " << args[1] << ": " << why << '\n';
            return 2;
        }
        script.SetText(QString::fromUtf8(bytes));
        script.SetIncludePaths({QFileInfo(args[1]).absolutePath()});
        if (script.Compile()) {
            out << "ok\n";
            return 0;
        }
        out << Located(script) << '\n';
        return 1;
    }

    if (command == QLatin1String("eval")) {
        try {
            const Variant value = script.Evaluate(args[1]);
            if (script.EvaluationFailed()) {
                err << value.ToString() << '\n';
                return 1;
            }
            out << Show(value) << '\n';
            return 0;
        } catch (const std::exception &e) {
            err << ExceptionText(e) << '\n';
            return 1;
        }
    }
    err << Cli::CommandUsage(QStringLiteral("script"));
    return 2;
}

// Parsing speed of the script engine's grammar walk: a long PascalScript report script, and many
// small one-function programs of the kind every non-trivial bracketed expression becomes.

#include "script/fs_iilparser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// One block of a report script (about 50 lines): declarations, an event handler with the usual
// statements, field references and calls on report objects.
QString ScriptBlock(int n)
{
    const QString i = QString::number(n);
    return QStringLiteral(
               "const\n"
               "  Limit%1 = 10;\n"
               "var\n"
               "  Count%1: Integer;\n"
               "  Names%1: array[0..9] of String;\n"
               "\n"
               "function Total%1(const S: String; var N: Integer; Scale: Extended = 1.5): Extended;\n"
               "var\n"
               "  k: Integer;\n"
               "begin\n"
               "  Result := 0;\n"
               "  for k := 1 to Length(S) do\n"
               "  begin\n"
               "    if Copy(S, k, 1) = ' ' then\n"
               "      Continue;\n"
               "    Result := Result + Ord(S[k]) * Scale;\n"
               "    N := N + 1;\n"
               "  end;\n"
               "end;\n"
               "\n"
               "procedure Memo%1OnBeforePrint(Sender: TfrxComponent);\n"
               "var\n"
               "  s: String;\n"
               "begin\n"
               "  { hide the memo when the receiver is empty }\n"
               "  s := Trim(<FD.\"收件人\">);\n"
               "  if s = '' then\n"
               "    Memo%1.Visible := False\n"
               "  else\n"
               "  begin\n"
               "    Memo%1.Visible := True;\n"
               "    Memo%1.Text := s + ' ' + <FD.\"电话\"> + #13#10 + 'x';\n"
               "    Memo%1.Font.Style := 1;\n"
               "  end;\n"
               "  case <FD.\"快递\"> of\n"
               "    '顺丰', '圆通': Count%1 := Count%1 + 1;\n"
               "    'EMS': Count%1 := Count%1 - 1;\n"
               "  else\n"
               "    Count%1 := 0;\n"
               "  end;\n"
               "  try\n"
               "    Count%1 := Count%1 div (Limit%1 - 10);\n"
               "  except\n"
               "    ShowMessage('Division: ' + ExceptionMessage);\n"
               "  end;\n"
               "  while (Count%1 > 0) and not (Count%1 mod 2 = 1) do\n"
               "    Count%1 := Count%1 shr 1;\n"
               "  Engine.ShowBand(MasterData1);\n"
               "end;\n"
               "\n")
        .arg(i);
}

QString LongScript(int lines)
{
    QString text;
    int n = 0;
    while (text.count(QLatin1Char('\n')) < lines - 3)
        text += ScriptBlock(++n);
    text += QStringLiteral("begin\n  Count1 := 0;\nend.\n");
    return text;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    // A 2,000-line PascalScript report script.
    const QString script = LongScript(2000);
    const int lineCount = int(script.count(QLatin1Char('\n')));
    std::vector<double> runs;
    for (int run = 0; run < 15; ++run) {
        TfsILParser parser;
        parser.SelectLanguage(QStringLiteral("PascalScript"));
        QElapsedTimer timer;
        timer.start();
        const bool ok = parser.MakeILScript(script);
        runs.push_back(timer.nsecsElapsed() / 1e6);
        if (!ok) {
            std::printf("script did not parse: %s %s\n", qPrintable(parser.ErrorPos()),
                        qPrintable(parser.ErrorMsg()));
            return 1;
        }
    }
    std::printf("parse %d-line PascalScript report script: %.2f ms (median of %zu runs; target < 20 ms)\n",
                lineCount, Median(runs), runs.size());

    // 10,000 one-function expression programs, each parsed by a parser of its own.
    const QStringList shapes = {
        QStringLiteral("<FD.\"a%1\"> + ' ' + <FD.\"b\">"),
        QStringLiteral("IIF(<FD.\"a\"> = '', 'none', <FD.\"b%1\"> + ' ' + <FD.\"c\">)"),
        QStringLiteral("FormatFloat('0.00', <FD.\"price\"> * %1 / 100)"),
        QStringLiteral("Copy(<FD.\"tel\">, 1, %1) + '****'"),
        QStringLiteral("(%1 + 2) * 3 - Length(Trim(<FD.\"addr\">)) div 2"),
    };
    const int programs = 10000;
    QElapsedTimer timer;
    timer.start();
    int parsed = 0;
    for (int i = 0; i < programs; ++i) {
        const QString expression = shapes[i % shapes.size()].arg(i);
        TfsILParser parser;
        parser.SelectLanguage(QStringLiteral("PascalScript"));
        if (parser.MakeILScript(QStringLiteral("function fsEvaluateFUNC: Variant; begin Result := ") +
                                expression + QStringLiteral(" end; begin end.")))
            ++parsed;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (parsed != programs) {
        std::printf("only %d of %d expression programs parsed\n", parsed, programs);
        return 1;
    }
    std::printf("parse %d one-function expression programs: %.3f s (%.1f us each; target < 0.5 s)\n",
                programs, seconds, seconds * 1e6 / programs);
    return 0;
}

#include "report/expr/frxExpand.h"

#include "report/draw/frxDrawText.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <cmath>

// ---- finding expressions --------------------------------------------------------------------------------

TfrxBracketedExpression frxFindBracketedExpression(const QString &text, const QString &open,
                                                   const QString &close, qsizetype start)
{
    TfrxBracketedExpression result;
    result.Start = start;
    result.End = start;
    const qsizetype n = text.size();
    if (n == 0 || start >= n || start < 0 || open.isEmpty())
        return result;
    int depth = 0;
    bool outsideSingle = true;
    bool outsideDouble = true;
    qsizetype p = start;
    qsizetype begin = start;
    const QChar *chars = text.constData();
    const QChar open0 = open[0];
    const QChar close0 = close.isEmpty() ? QChar() : close[0];
    auto holds = [&](qsizetype at, const QString &delimiter) {
        return delimiter.size() == 1 || QStringView(text).mid(at).startsWith(delimiter);
    };
    for (;;) {
        const QChar c = chars[p];
        if (outsideSingle && outsideDouble) {
            if (c == open0 && holds(p, open)) {
                if (depth == 0)
                    begin = p;
                ++depth;
            } else if (!close.isEmpty() && c == close0 && holds(p, close)) {
                --depth;
            }
        }
        if (outsideSingle && c == QLatin1Char('"'))
            outsideDouble = !outsideDouble;
        if (outsideDouble && c == QLatin1Char('\''))
            outsideSingle = !outsideSingle;
        if (depth <= 0)
            break;
        if (p + 1 >= n) {
            // Never closed: no expression, the text stays as it is.
            result.Start = begin;
            result.End = begin;
            return result;
        }
        ++p;
    }
    if (p == begin)
        return result; // no opening delimiter here
    result.Start = begin;
    result.Expression = text.mid(begin + open.size(), p - begin - open.size());
    result.End = p + close.size() - 1;
    return result;
}

QString frxExpandBrackets(const QString &text, const QString &open, const QString &close,
                          const std::function<QString(const QString &expression)> &evaluate)
{
    if (open.isEmpty() || !text.contains(open))
        return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype copied = 0;
    qsizetype i = 0;
    for (;;) {
        const QChar open0 = open[0];
        while (i < n - 1 && (text[i] != open0 || !QStringView(text).mid(i).startsWith(open)))
            ++i;
        const TfrxBracketedExpression found = frxFindBracketedExpression(text, open, close, i);
        if (!found.Found())
            break;
        out += QStringView(text).mid(copied, found.Start - copied);
        out += evaluate(found.Expression);
        copied = found.End + 1;
        i = copied;
    }
    out += QStringView(text).mid(copied);
    return out;
}

QString frxExpandSimple(TfrxReport *report, const QString &text)
{
    if (!report)
        return text;
    return frxExpandBrackets(
        text, QStringLiteral("["), QStringLiteral("]"),
        [report](const QString &expression) { return report->Calc(expression).ToString(); });
}

// ---- the text object's data step -----------------------------------------------------------------------

namespace {

// Whether SetText would keep text as one line.
bool IsOneLine(const QString &text)
{
    for (QChar c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0x2028))
            return false;
    return true;
}

// A value that is not a string and equals 0 (HideZeros).
bool IsZeroValue(const Variant &value)
{
    if (value.IsString() || value.IsEmptyOrNull())
        return false;
    try {
        return Variant::Equal(value, Variant(0));
    } catch (const std::exception &) {
        return false; // objects and arrays are no numbers
    }
}

} // namespace

TfrxCharsetConversion TfrxCustomMemoView::CharsetConversion() const
{
    const int charset = Font()->Charset();
    if (UseDefaultCharset() || charset == DEFAULT_CHARSET)
        return TfrxCharsetConversion();
    return TfrxCharsetConversion(charset);
}

QString TfrxCustomMemoView::GetComponentText() const
{
    QString text = Text();
    if (AllowExpressions()) {
        static const QString totalPages = QStringLiteral("[TOTALPAGES]");
        const qsizetype at = text.indexOf(totalPages, 0, Qt::CaseInsensitive);
        if (at >= 0)
            text.replace(at, totalPages.size(), QString::number(m_totalPages));
    }
    return text;
}

QString TfrxCustomMemoView::FormatValue(const Variant &value, const TfrxFormat *format) const
{
    return frxFormatValue(value, format ? *format : m_displayFormat, CharsetConversion());
}

QString TfrxCustomMemoView::EvaluateAndFormat(const QString &expression)
{
    QString expr = expression;
    TfrxFormat inlineFormat;
    bool hasFormat = false;
    qsizetype suffix = -1;
    for (qsizetype i = 0; i + 1 < expression.size(); ++i) {
        if (expression[i] == QLatin1Char(' ') && expression[i + 1] == QLatin1Char('#')) {
            suffix = i;
            break;
        }
    }
    if (suffix >= 0) {
        const QString formatText = expression.mid(suffix + 2);
        // A ")" after " #" means the " #" belongs to the expression (a string, a comment).
        if (!formatText.contains(QLatin1Char(')'))) {
            hasFormat = true;
            expr = expression.left(suffix);
            QString pattern = formatText.mid(1);
            const char16_t kind = formatText.isEmpty() ? 0 : formatText[0].unicode();
            switch (kind) {
            case 'N':
            case 'n':
                inlineFormat.SetKind(frx::fkNumeric);
                // ",", "-" and "." all stand for the decimal point; the last one written is the
                // separator to print.
                for (QChar &c : pattern) {
                    if (c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
                        inlineFormat.SetDecimalSeparator(QString(c));
                        c = QLatin1Char('.');
                    }
                }
                break;
            case 'D':
            case 'T':
            case 'd':
            case 't':
                inlineFormat.SetKind(frx::fkDateTime);
                break;
            case 'B':
            case 'b':
                inlineFormat.SetKind(frx::fkBoolean);
                break;
            default:
                inlineFormat.SetKind(frx::fkText);
                break;
            }
            inlineFormat.SetFormatStr(pattern.left(255));
        }
    }

    if (expr.size() == 11 && expr.compare(QLatin1String("TOTALPAGES#"), Qt::CaseInsensitive) == 0) {
        m_value = QStringLiteral("[TotalPages#]");
    } else if (expr.size() == 9 && expr.compare(QLatin1String("COPYNAME#"), Qt::CaseInsensitive) == 0) {
        m_value = QStringLiteral("[CopyName#]");
    } else if (TfrxReport *report = Report()) {
        m_value = report->Calc(CharsetConversion().ExpressionText(expr));
    } else {
        m_value = Variant::Null(); // nothing to evaluate in without a report
    }

    if (HideZeros() && IsZeroValue(m_value))
        return QString();
    return FormatValue(m_value, hasFormat ? &inlineFormat : nullptr);
}

void TfrxCustomMemoView::ComputeData()
{
    TfrxReport *report = Report();
    if (TagStr().contains(QLatin1Char('[')))
        SetTagStr(frxExpandSimple(report, TagStr()));
    if (URL().contains(QLatin1Char('[')))
        SetURL(frxExpandSimple(report, URL()));

    if (IsDataField()) {
        TfrxDataSet *dataSet = DataSet();
        const QString field = DataField();
        if (dataSet->IsBlobField(field)) {
            // Blob text arrives as it is stored: every font is addressed in Unicode here.
            dataSet->AssignBlobTo(field, this);
        } else {
            // Value first, then the display text: a user dataset is asked twice.
            m_value = dataSet->GetValue(field);
            QString text;
            if (DisplayFormat()->Kind() != frx::fkText)
                text = FormatValue(m_value);
            else
                text = CharsetConversion().ValueText(dataSet->GetDisplayText(field));
            SetText(text);
        }
        if (HideZeros() && IsZeroValue(m_value))
            SetMemo(QStringList());
    } else if (AllowExpressions()) {
        static const QString defaultOpen = QStringLiteral("[");
        static const QString defaultClose = QStringLiteral("]");
        const QString delimiters = ExpressionDelimiters();
        const bool usual = delimiters == QLatin1String("[,]");
        const qsizetype comma = usual ? 1 : delimiters.indexOf(QLatin1Char(','));
        if (comma > 0) {
            const QString open = usual ? defaultOpen : delimiters.left(comma);
            const QString close = usual ? defaultClose : delimiters.mid(comma + 1, 255);
            const QStringList lines = Memo();
            bool present = false;
            for (const QString &line : lines) {
                if (line.contains(open)) {
                    present = true;
                    break;
                }
            }
            // Delimiters holding a line break are found in the joined text only.
            const bool breaks = !IsOneLine(open) || !IsOneLine(close);
            auto evaluate = [this](const QString &expression) { return EvaluateAndFormat(expression); };
            if (present && lines.size() == 1 && !breaks) {
                // The usual one-line text: expanded without joining and splitting it (the line
                // break after it cannot be part of an expression).
                const QString expanded = frxExpandBrackets(lines[0], open, close, evaluate);
                if (IsOneLine(expanded))
                    SetMemo(QStringList{expanded});
                else
                    SetText(expanded);
            } else if (present || breaks) {
                const QString text = Text();
                if (text.contains(open))
                    SetText(frxExpandBrackets(text, open, close, evaluate));
            }
        }
    }

    if (report) {
        // In lower case the script finds the name without folding it first.
        static const QString valueName = QStringLiteral("value");
        report->ExpressionScript()->SetScriptVariable(valueName, m_value);
    }

    m_highlight.SetActive(false);
    if (report && !m_highlight.Condition().isEmpty())
        m_highlight.SetActive(report->Calc(m_highlight.Condition()).ToBool());

    if (SuppressRepeated()) {
        const QString text = Text();
        if (m_lastValue.IsString() && m_lastValue.StringRef() == text)
            SetMemo(QStringList());
        else
            m_lastValue = text;
    }

    if (FlowTo())
        FlowOver();
}

void TfrxCustomMemoView::FlowOver()
{
    TfrxCustomMemoView *target = FlowTo();
    QString kept, rest;
    if (!SplitAtHeight(Height(), kept, rest))
        return; // all of it fits
    SetText(kept);
    target->SetText(rest);
    target->SetAllowExpressions(false);
}

bool TfrxCustomMemoView::SplitAtHeight(double height, QString &kept, QString &rest)
{
    TfrxDrawText *engine = DrawTextEngine();
    const QStringList lines = Memo();
    const double ownHeight = Height();
    SetHeight(height);
    struct Back {
        TfrxCustomMemoView *memo;
        double height;
        ~Back() { memo->SetHeight(height); }
    } back{this, ownHeight};
    {
        TfrxDrawTextLocker lock(engine);
        PrepareEngine(engine);
        const TfrxDrawRect rect = TextRect(ComputeDrawState(1, 1, 0, 0));
        engine->ApplyRects(rect, rect, 1, 1, 1);
        engine->LoadText(lines);
        const QList<TfrxTextLine> &wrapped = engine->Lines();
        const double step = engine->LineStep();
        const double extra = LineSpacing() < 0 ? -LineSpacing() : 0;
        qsizetype fit = 0;
        while (fit < wrapped.size() && step > 0 && (fit + 1) * step + extra <= rect.Height() + 1e-9)
            ++fit;
        if (fit >= wrapped.size())
            return false; // all of it fits
        // Walk the plain text along the lines that fit: a wrapped line drops one blank at its
        // break, a source line ends with CR LF.
        const QString &plain = engine->PlainText();
        qsizetype pos = 0;
        for (qsizetype k = 0; k < fit; ++k) {
            QString lineText = wrapped[k].Text;
            if (!QStringView(plain).mid(pos).startsWith(lineText) && lineText.endsWith(QLatin1Char('-')))
                lineText.chop(1); // a hyphen the wrapper added
            pos += lineText.size();
            if (QStringView(plain).mid(pos).startsWith(QLatin1String("\r\n")))
                pos += 2;
            else if (pos < plain.size() && plain[pos] == QLatin1Char(' '))
                ++pos;
        }
        pos = std::min(pos, plain.size());
        kept = plain.left(pos);
        rest = plain.mid(pos);
    }
    return true;
}

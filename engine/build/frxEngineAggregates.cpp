// Aggregates: SUM, AVG, MIN, MAX and COUNT calls in text objects, registered per page, added up
// as data bands are shown and reset by the bands that show them.

#include "engine/build/frxEngine.h"

#include "report/expr/frxExpand.h"
#include "report/model/frxClass.h"

#include <functional>

namespace {
bool IsIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// Splits the argument list of a call at its top-level commas (quotes and brackets respected).
QStringList SplitArguments(const QString &text)
{
    QStringList result;
    int depth = 0;
    QChar quote;
    QString current;
    for (QChar c : text) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'(' || c == u'[' || c == u'<') {
            ++depth;
        } else if (c == u')' || c == u']' || c == u'>') {
            --depth;
        } else if (c == u',' && depth == 0) {
            result << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty() || !result.isEmpty())
        result << current.trimmed();
    return result;
}

// Replaces each aggregate call in expression by frxAggregateValue(index), index being what
// registerCall gives for the function name (upper case) and its argument texts.
QString RewriteAggregateCalls(const QString &expression,
                              const std::function<int(const QString &, const QStringList &)> &registerCall)
{
    static const QStringList functions{QStringLiteral("SUM"), QStringLiteral("AVG"), QStringLiteral("MIN"),
                                       QStringLiteral("MAX"), QStringLiteral("COUNT")};
    QString out;
    QChar quote;
    qsizetype i = 0;
    const qsizetype n = expression.size();
    while (i < n) {
        const QChar c = expression[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            out += c;
            ++i;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            out += c;
            ++i;
            continue;
        }
        const bool startsWord =
            IsIdentChar(c) && (i == 0 || (!IsIdentChar(expression[i - 1]) && expression[i - 1] != u'.'));
        if (!startsWord) {
            out += c;
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < n && IsIdentChar(expression[end]))
            ++end;
        const QString word = expression.mid(i, end - i);
        qsizetype open = end;
        while (open < n && expression[open].isSpace())
            ++open;
        if (!functions.contains(word.toUpper()) || open >= n || expression[open] != u'(') {
            out += word;
            i = end;
            continue;
        }
        // The matching closing parenthesis.
        int depth = 0;
        QChar inner;
        qsizetype close = open;
        for (; close < n; ++close) {
            const QChar d = expression[close];
            if (!inner.isNull()) {
                if (d == inner)
                    inner = QChar();
            } else if (d == u'\'' || d == u'"') {
                inner = d;
            } else if (d == u'(') {
                ++depth;
            } else if (d == u')' && --depth == 0) {
                break;
            }
        }
        if (close >= n) { // unbalanced: left to the compiler to report
            out += expression.mid(i);
            break;
        }
        const int index =
            registerCall(word.toUpper(), SplitArguments(expression.mid(open + 1, close - open - 1)));
        out += QStringLiteral("frxAggregateValue(%1)").arg(index);
        i = close + 1;
    }
    return out;
}

QString Unquote(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && (text.front() == u'\'' || text.front() == u'"') && text.back() == text.front())
        text = text.mid(1, text.size() - 2);
    return text;
}
} // namespace

void TfrxEngine::RegisterAggregates(TfrxReportPage *page, const TfrxPageBands &bands)
{
    // The data band a level of the page belongs to, for a footer or group band.
    std::function<TfrxDataBand *(const QList<TfrxDataLevel> &, TfrxBand *)> owner =
        [&](const QList<TfrxDataLevel> &levels, TfrxBand *holder) -> TfrxDataBand * {
        for (const TfrxDataLevel &level : levels) {
            if (level.Footer == holder || level.Header == holder)
                return level.Band;
            for (const TfrxGroup &group : level.Groups)
                if (group.Header == holder || group.Footer == holder)
                    return level.Band;
            if (TfrxDataBand *found = owner(level.Details, holder))
                return found;
        }
        return nullptr;
    };
    for (TfrxComponent *object : page->AllObjects()) {
        auto *memo = qobject_cast<TfrxCustomMemoView *>(object);
        if (!memo || !memo->AllowExpressions())
            continue;
        const QString text = memo->Text();
        if (!text.contains(u'('))
            continue;
        auto *holder = qobject_cast<TfrxBand *>(memo->Parent());
        const QStringList delimiters = memo->ExpressionDelimiters().split(u',');
        const QString open = delimiters.value(0, QStringLiteral("["));
        const QString close = delimiters.value(1, QStringLiteral("]"));
        bool changed = false;
        const QString rewritten = frxExpandBrackets(text, open, close, [&](const QString &expression) {
            const QString result =
                RewriteAggregateCalls(expression, [&](const QString &function, const QStringList &args) {
                    TfrxAggregate aggregate;
                    aggregate.Function = function;
                    aggregate.Holder = holder;
                    aggregate.Object = memo;
                    int next = 0;
                    if (function != QLatin1String("COUNT"))
                        aggregate.Expression = args.value(next++);
                    const QString bandName = Unquote(args.value(next++));
                    const int flags = args.value(next).trimmed().toInt();
                    if (!bandName.isEmpty() && bandName != QLatin1String("0"))
                        aggregate.DataBand = qobject_cast<TfrxDataBand *>(m_report->FindObject(bandName));
                    if (!aggregate.DataBand) {
                        if (auto *data = qobject_cast<TfrxDataBand *>(holder))
                            aggregate.DataBand = data;
                        else if (holder)
                            aggregate.DataBand = owner(bands.Masters, holder);
                        if (!aggregate.DataBand && !bands.Masters.isEmpty())
                            aggregate.DataBand = bands.Masters.first().Band;
                    }
                    aggregate.CountInvisible = flags & 1;
                    aggregate.Running = (flags & 2) || (holder && holder == aggregate.DataBand);
                    m_aggregates.push_back(aggregate);
                    changed = true;
                    return int(m_aggregates.size()) - 1;
                });
            return open + result + close;
        });
        if (changed)
            m_aggregateTexts.insert(memo, rewritten);
    }
}

void TfrxEngine::ResetAggregates(TfrxBand *holder)
{
    for (TfrxAggregate &aggregate : m_aggregates)
        if (aggregate.Holder == holder && !aggregate.Running) {
            aggregate.Value = Variant();
            aggregate.Count = 0;
        }
}

void TfrxEngine::AccumulateAggregates(TfrxDataBand *band, bool visible)
{
    for (TfrxAggregate &aggregate : m_aggregates) {
        if (aggregate.DataBand != band || (!visible && !aggregate.CountInvisible))
            continue;
        if (aggregate.Function == QLatin1String("COUNT")) {
            ++aggregate.Count;
            continue;
        }
        Variant value = m_report->Calc(aggregate.Expression);
        if (value.IsEmptyOrNull())
            continue;
        // Fields of text datasets deliver numbers as text: totals and averages add them up.
        if (value.IsString() && aggregate.Function != QLatin1String("MIN") &&
            aggregate.Function != QLatin1String("MAX")) {
            try {
                value = Variant(value.ToDouble());
            } catch (...) {
                continue;
            }
        }
        ++aggregate.Count;
        if (aggregate.Value.IsEmptyOrNull()) {
            aggregate.Value = value;
        } else if (aggregate.Function == QLatin1String("SUM") || aggregate.Function == QLatin1String("AVG")) {
            aggregate.Value = Variant::Add(aggregate.Value, value);
        } else {
            const Variant::Order order = Variant::Compare(value, aggregate.Value);
            if ((aggregate.Function == QLatin1String("MIN") && order == Variant::Order::Less) ||
                (aggregate.Function == QLatin1String("MAX") && order == Variant::Order::Greater))
                aggregate.Value = value;
        }
    }
}

void TfrxEngine::ClearAggregateValues()
{
    for (TfrxAggregate &aggregate : m_aggregates) {
        aggregate.Value = Variant();
        aggregate.Count = 0;
    }
}

Variant TfrxEngine::AggregateValue(int index)
{
    if (index < 0 || index >= int(m_aggregates.size()))
        return Variant::Null();
    const TfrxAggregate &aggregate = m_aggregates[size_t(index)];
    if (aggregate.Function == QLatin1String("COUNT"))
        return Variant(aggregate.Count);
    if (aggregate.Value.IsEmptyOrNull())
        return Variant(0);
    if (aggregate.Function == QLatin1String("AVG"))
        return Variant::Divide(aggregate.Value, Variant(aggregate.Count));
    return aggregate.Value;
}

Variant TfrxEngine::AggregateByName(const QString &function, const Variant &fallback)
{
    const QString name = function.toUpper();
    const QString current = m_report->CurObject();
    for (int i = 0; i < int(m_aggregates.size()); ++i) {
        const TfrxAggregate &aggregate = m_aggregates[size_t(i)];
        if (aggregate.Function == name && aggregate.Object && aggregate.Object->Name() == current)
            return AggregateValue(i);
    }
    return fallback;
}

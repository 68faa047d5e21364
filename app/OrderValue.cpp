#include "app/OrderValue.h"

#include "app/TemplateClS.h"

QString CleanOrderValue(const QString &raw)
{
    if (raw.startsWith(QLatin1String("=\""))) {
        // A guard cut off after its opening quote holds nothing worth printing.
        if (raw.size() == 2)
            return QString();
        if (raw.size() >= 3 && raw.endsWith(QLatin1Char('"'))) {
            QString inner = raw.mid(2, raw.size() - 3);
            inner.replace(QLatin1String("\"\""), QLatin1String("\""));
            return inner;
        }
        return raw;
    }
    if (raw.startsWith(QLatin1Char('\'')))
        return raw.mid(1);
    return raw;
}

QString ShownOrderValue(const QString &raw) { return RawOrderValues ? raw : CleanOrderValue(raw); }

#include "report/core/frxRes.h"

#include <QFile>

static void InitResources()
{
    Q_INIT_RESOURCE(frxRes);
}

TfrxResources::TfrxResources()
{
    InitResources();
    QFile file(QStringLiteral(":/report/frxStrings.txt"));
    if (file.open(QIODevice::ReadOnly))
        LoadFromText(QString::fromUtf8(file.readAll()));
}

TfrxResources &frxResources()
{
    static TfrxResources resources;
    return resources;
}

QString TfrxResources::Get(const QString &key) const
{
    QReadLocker lock(&m_lock);
    auto it = m_texts.constFind(key);
    return it == m_texts.constEnd() ? key : it.value();
}

bool TfrxResources::Has(const QString &key) const
{
    QReadLocker lock(&m_lock);
    return m_texts.contains(key);
}

void TfrxResources::Add(const QString &key, const QString &text)
{
    QWriteLocker lock(&m_lock);
    m_texts.insert(key, text);
}

static QString Unescape(QStringView raw)
{
    QString text;
    text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        QChar c = raw[i];
        if (c == u'\\' && i + 1 < raw.size()) {
            QChar next = raw[++i];
            if (next == u'n')
                text += u'\n';
            else if (next == u'r')
                text += u'\r';
            else if (next == u't')
                text += u'\t';
            else
                text += next;
        } else {
            text += c;
        }
    }
    return text;
}

void TfrxResources::LoadFromText(const QString &text)
{
    QWriteLocker lock(&m_lock);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        m_texts.insert(line.left(eq).trimmed().toString(), Unescape(line.mid(eq + 1)));
    }
}

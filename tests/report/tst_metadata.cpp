// The published-property metadata against the table kept in fixtures/model/published.txt: name,
// order, kind, type name, declared default, the value of a new object and whether it is stored.
// Everything that reads or writes layouts goes by this metadata, so a slip here is a file-format bug.

#include "report/model/frxClass.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

struct Row {
    QString name, kind, type, defaultText, initial, stored;
};

struct Section {
    QString base;
    QList<Row> rows;
    QList<std::pair<QString, QString>> checks; // "=Path value"
};

QHash<QString, Section> &Table()
{
    static QHash<QString, Section> table = [] {
        QHash<QString, Section> result;
        QFile file(QStringLiteral(WAYBILL_FIXTURES "/model/published.txt"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read the property table");
        QString current;
        static const QRegularExpression header(QStringLiteral(R"(^\[(\w+)(?:\s*:\s*(\w+))?\]$)"));
        for (const QString &raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
            QString line = raw.trimmed();
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            auto m = header.match(line);
            if (m.hasMatch()) {
                current = m.captured(1);
                result[current].base = m.captured(2);
                continue;
            }
            if (line.startsWith(u'=')) {
                qsizetype blank = line.indexOf(u' ');
                result[current].checks.append({line.mid(1, blank - 1), line.mid(blank + 1).trimmed()});
                continue;
            }
            // The value column may hold a long set; split on runs of blanks.
            QStringList f = line.split(QRegularExpression(QStringLiteral("\\s+")));
            if (f.size() != 6)
                qFatal("bad table line: %s", qPrintable(line));
            result[current].rows.append({f[0], f[1], f[2], f[3], f[4], f[5]});
        }
        return result;
    }();
    return table;
}

QList<Row> ExpectedRows(const QString &cls)
{
    const Section &section = Table().value(cls);
    QList<Row> rows = section.base.isEmpty() ? QList<Row>() : ExpectedRows(section.base);
    rows += section.rows;
    return rows;
}

QString KindName(TfrxPropKind kind)
{
    switch (kind) {
    case TfrxPropKind::Integer:
        return QStringLiteral("Integer");
    case TfrxPropKind::Int64:
        return QStringLiteral("Int64");
    case TfrxPropKind::Boolean:
        return QStringLiteral("Boolean");
    case TfrxPropKind::Enumeration:
        return QStringLiteral("Enumeration");
    case TfrxPropKind::Set:
        return QStringLiteral("Set");
    case TfrxPropKind::Float:
        return QStringLiteral("Float");
    case TfrxPropKind::String:
        return QStringLiteral("String");
    case TfrxPropKind::Strings:
        return QStringLiteral("Strings");
    case TfrxPropKind::Variant:
        return QStringLiteral("Variant");
    case TfrxPropKind::Picture:
        return QStringLiteral("Picture");
    case TfrxPropKind::Component:
        return QStringLiteral("Component");
    case TfrxPropKind::Class:
        return QStringLiteral("Class");
    }
    return QString();
}

QString SetText(const TfrxPropInfo &prop, qint64 mask)
{
    QStringList names;
    for (const QString &name : prop.EnumNames()) {
        qint64 bit = 0;
        prop.EnumValue(name, bit);
        if (mask & bit)
            names << name;
    }
    return u'[' + names.join(u',') + u']';
}

// The value as the table writes it.
QString ValueText(const TfrxPropInfo &prop, const QVariant &value)
{
    switch (prop.Kind()) {
    case TfrxPropKind::Boolean:
    case TfrxPropKind::Enumeration:
        return prop.EnumName(prop.Kind() == TfrxPropKind::Boolean ? value.toBool() : value.toLongLong());
    case TfrxPropKind::Set:
        return SetText(prop, value.toLongLong());
    case TfrxPropKind::Integer:
    case TfrxPropKind::Int64:
        return QString::number(value.toLongLong());
    case TfrxPropKind::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case TfrxPropKind::String: {
        QString s = value.toString();
        return s.isEmpty() ? QStringLiteral("''") : s;
    }
    case TfrxPropKind::Strings: {
        QString s = value.toStringList().join(u'|');
        return value.toStringList().isEmpty() ? QStringLiteral("''") : s;
    }
    case TfrxPropKind::Component:
        return value.value<QObject *>() ? QStringLiteral("set") : QStringLiteral("nil");
    default:
        return QStringLiteral("*");
    }
}

// A new object of a class of the table, with whatever owns it.
struct Instance {
    std::unique_ptr<TComponent> holder;
    TfrxPropTarget target;
};

Instance Make(const QString &cls)
{
    Instance instance;
    if (frxFindClass(cls)) {
        TfrxComponent *c = frxCreateComponent(cls, nullptr);
        instance.holder.reset(c);
        instance.target = TfrxPropTarget(c);
        return instance;
    }
    static const QHash<QString, std::function<TComponent *()>> bases = {
        {QStringLiteral("TComponent"), [] { return new TComponent(nullptr); }},
        {QStringLiteral("TfrxComponent"), [] { return new TfrxComponent(nullptr); }},
        {QStringLiteral("TfrxReportComponent"), [] { return new TfrxReportComponent(nullptr); }},
        {QStringLiteral("TfrxDialogComponent"), [] { return new TfrxDialogComponent(nullptr); }},
        {QStringLiteral("TfrxView"), [] { return new TfrxView(nullptr); }},
        {QStringLiteral("TfrxStretcheable"), [] { return new TfrxStretcheable(nullptr); }},
        {QStringLiteral("TfrxBand"), [] { return new TfrxBand(nullptr); }},
        {QStringLiteral("TfrxPage"), [] { return new TfrxPage(nullptr); }},
        {QStringLiteral("TfrxDialogControl"), [] { return new TfrxDialogControl(nullptr); }},
    };
    if (bases.contains(cls)) {
        TComponent *c = bases[cls]();
        instance.holder.reset(c);
        instance.target = TfrxPropTarget(c);
        return instance;
    }
    auto *report = new TfrxReport(nullptr);
    auto *memo = new TfrxMemoView(report);
    instance.holder.reset(report);
    if (cls == QLatin1String("TfrxEngineOptions"))
        instance.target = TfrxPropTarget(report->EngineOptions());
    else if (cls == QLatin1String("TfrxPrintOptions"))
        instance.target = TfrxPropTarget(report->PrintOptions());
    else if (cls == QLatin1String("TfrxPreviewOptions"))
        instance.target = TfrxPropTarget(report->PreviewOptions());
    else if (cls == QLatin1String("TfrxReportOptions"))
        instance.target = TfrxPropTarget(report->ReportOptions());
    else if (cls == QLatin1String("TfrxStyleItem"))
        instance.target = TfrxPropTarget(report->Styles()->Add());
    else if (cls == QLatin1String("TfrxDataSetItem"))
        instance.target = TfrxPropTarget(report->Datasets()->Add());
    else if (cls == QLatin1String("TfrxVariable"))
        instance.target = TfrxPropTarget(report->Variables()->Add());
    else if (cls == QLatin1String("TfrxFrame"))
        instance.target = TfrxPropTarget(memo->Frame());
    else if (cls == QLatin1String("TfrxFrameLine"))
        instance.target = TfrxPropTarget(memo->Frame()->LeftLine());
    else if (cls == QLatin1String("TfrxFormat"))
        instance.target = TfrxPropTarget(memo->DisplayFormat());
    else if (cls == QLatin1String("TfrxHighlight"))
        instance.target = TfrxPropTarget(memo->Highlight());
    else if (cls == QLatin1String("TFont"))
        instance.target = TfrxPropTarget(memo->Font());
    return instance;
}

} // namespace

class TestMetadata : public QObject {
    Q_OBJECT
private slots:
    void classTable_data();
    void classTable();
    void everyRegisteredClassIsInTheTable();
    void accessByNameIgnoresCase_data();
    void accessByNameIgnoresCase();
    void badValuesAreRefused();
    void valueNamesAreThoseOfTheFiles();
};

void TestMetadata::classTable_data()
{
    QTest::addColumn<QString>("cls");
    QStringList names = Table().keys();
    names.sort();
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name;
}

void TestMetadata::classTable()
{
    QFETCH(QString, cls);
    Instance instance = Make(cls);
    QVERIFY2(!instance.target.IsNull(), "no instance for the class");
    QCOMPARE(QString::fromLatin1(instance.target.Meta()->className()), cls);

    const QList<Row> expected = ExpectedRows(cls);
    const TfrxClassInfo &info = frxClassInfo(instance.target);
    QStringList actualNames, expectedNames;
    for (const TfrxPropInfo &prop : info.Props())
        actualNames << prop.Name();
    for (const Row &row : expected)
        expectedNames << row.name;
    QCOMPARE(actualNames, expectedNames);

    for (const Row &row : expected) {
        const TfrxPropInfo *prop = info.Find(row.name);
        QVERIFY(prop);
        const QByteArray where = (cls + u'.' + row.name).toUtf8();
        QVERIFY2(KindName(prop->Kind()) == row.kind, where + " kind " + KindName(prop->Kind()).toUtf8());
        QVERIFY2(prop->TypeName() == row.type, where + " type " + prop->TypeName().toUtf8());
        QString defaultText = prop->HasDefault() ? ValueText(*prop, prop->Default()) : QStringLiteral("-");
        QVERIFY2(defaultText == row.defaultText, where + " default " + defaultText.toUtf8());
        if (row.initial != QLatin1String("*")) {
            QString initial = ValueText(*prop, prop->Read(instance.target));
            QVERIFY2(initial == row.initial, where + " value " + initial.toUtf8());
        }
        QString stored = prop->IsStored(instance.target) ? QStringLiteral("yes") : QStringLiteral("no");
        QVERIFY2(stored == row.stored, where + " stored " + stored.toUtf8());
    }

    for (const auto &[path, value] : Table().value(cls).checks) {
        TfrxPropTarget holder = instance.target;
        const TfrxPropInfo *prop = nullptr;
        QVERIFY2(frxResolvePropPath(holder, path, prop), qPrintable(path));
        QCOMPARE(ValueText(*prop, prop->Read(holder)), value);
    }
}

void TestMetadata::everyRegisteredClassIsInTheTable()
{
    for (const QString &name : frxRegisteredClasses())
        QVERIFY2(Table().contains(name), qPrintable(name));
}

void TestMetadata::accessByNameIgnoresCase_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("float") << "left" << QVariant(12.5) << QVariant(12.5);
    QTest::newRow("enum by name") << "HALIGN" << QVariant(QStringLiteral("hacenter"))
                                  << QVariant(int(frx::haCenter));
    QTest::newRow("enum by number") << "VAlign" << QVariant(2) << QVariant(int(frx::vaCenter));
    QTest::newRow("boolean by name") << "wordwrap" << QVariant(QStringLiteral("false")) << QVariant(false);
    QTest::newRow("set") << "frame.typ" << QVariant(15) << QVariant(15);
    QTest::newRow("nested font") << "Font.Name" << QVariant(QStringLiteral("SimSun"))
                                 << QVariant(QStringLiteral("SimSun"));
    QTest::newRow("frame line") << "Frame.LeftLine.Width" << QVariant(3.0) << QVariant(3.0);
    QTest::newRow("highlight font") << "highlight.font.color" << QVariant(16711680) << QVariant(16711680);
    QTest::newRow("display format") << "DisplayFormat.Kind" << QVariant(QStringLiteral("fkNumeric"))
                                    << QVariant(int(frx::fkNumeric));
    QTest::newRow("lines") << "Memo" << QVariant(QStringList{"a", "b"}) << QVariant(QStringList{"a", "b"});
}

void TestMetadata::accessByNameIgnoresCase()
{
    QFETCH(QString, path);
    QFETCH(QVariant, value);
    QFETCH(QVariant, expected);
    TfrxMemoView memo;
    QVERIFY(frxSetPropValue(&memo, path, value));
    QCOMPARE(frxGetPropValue(&memo, path), expected);
}

void TestMetadata::badValuesAreRefused()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    auto *memo = new TfrxMemoView(page);

    QVERIFY(!frxSetPropValue(memo, u"NoSuchProperty", 1));
    QVERIFY(!frxSetPropValue(memo, u"Frame.NoSuchLine.Width", 1));
    QVERIFY(!frxSetPropValue(memo, u"Left.Width", 1)); // Left holds no object
    QVERIFY(!frxGetPropValue(memo, u"Font.Nope").isValid());
    QVERIFY_THROWS_EXCEPTION(EPropertyError, frxSetPropValue(memo, u"HAlign", QStringLiteral("haMiddle")));
    QCOMPARE(memo->HAlign(), frx::haLeft);

    // A reference property takes only objects of its class.
    const TfrxPropInfo *dataSet = frxFindProp(memo, u"DataSet");
    QVERIFY(dataSet);
    QVERIFY_THROWS_EXCEPTION(EPropertyError, dataSet->SetReference(memo, page));
    TfrxUserDataSet users;
    users.SetName(QStringLiteral("users"));
    dataSet->SetReference(memo, &users);
    QCOMPARE(memo->DataSet(), &users);
    QCOMPARE(memo->DataSetName(), QStringLiteral("users"));
}

void TestMetadata::valueNamesAreThoseOfTheFiles()
{
    TfrxMemoView memo;
    const TfrxPropInfo *frameStyle = nullptr;
    TfrxPropTarget holder(&memo);
    QVERIFY(frxResolvePropPath(holder, u"Frame.Style", frameStyle));
    QCOMPARE(frameStyle->EnumNames(), QStringList({"fsSolid", "fsDash", "fsDot", "fsDashDot", "fsDashDotDot",
                                                   "fsDouble", "fsAltDot", "fsSquare"}));
    TfrxPropTarget frame(memo.Frame());
    const TfrxPropInfo *typ = frxFindProp(frame, u"Typ");
    QCOMPARE(typ->EnumNames(), QStringList({"ftLeft", "ftRight", "ftTop", "ftBottom"}));
    qint64 bit = 0;
    QVERIFY(typ->EnumValue(u"FTBOTTOM", bit));
    QCOMPARE(bit, 8);
    const TfrxPropInfo *style = frxFindProp(TfrxPropTarget(memo.Font()), u"Style");
    QCOMPARE(style->EnumNames(), QStringList({"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}));
    QCOMPARE(frxFindProp(&memo, u"Restrictions")->EnumNames(),
             QStringList({"rfDontModify", "rfDontSize", "rfDontMove", "rfDontDelete", "rfDontEdit"}));
    QCOMPARE(frxFindProp(&memo, u"ShowHint")->EnumNames(), QStringList({"False", "True"}));
}

QTEST_MAIN(TestMetadata)
#include "tst_metadata.moc"

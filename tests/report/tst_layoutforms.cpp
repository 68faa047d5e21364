// Layouts written by other versions and other programs: objects of unknown classes and pictures
// this program cannot draw survive a save unchanged; the report's lists are read in every form
// they are stored in (child elements, the component stream's collections); bad lists load what
// they can and say what was skipped.
#include "tests/support/LayoutBytes.h"
#include "report/draw/frxDrawPage.h"
#include "report/io/frxPropData.h"
#include "report/io/frxSerializeReport.h"
#include "report/io/frxXMLSerializer.h"
#include "report/model/frxClass.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QByteArray Fixture(const QString &name)
{
    QFile file(QStringLiteral(WAYBILL_FIXTURES "/layouts/versions/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

using LayoutBytes::Load;
using LayoutBytes::Save;

QStringList Names(const QByteArray &layout)
{
    static const QRegularExpression name(QStringLiteral(" Name=\"([^\"]*)\""));
    QStringList names;
    for (const QRegularExpressionMatch &m : name.globalMatch(QString::fromUtf8(layout)))
        names << m.captured(1);
    return names;
}

QString ValueText(const TfrxPropTarget &holder, const TfrxPropInfo &prop)
{
    switch (prop.Kind()) {
    case TfrxPropKind::Float:
        return frxFloatToStr(prop.GetFloat(holder));
    case TfrxPropKind::Boolean:
    case TfrxPropKind::Enumeration:
        return prop.EnumName(prop.GetOrdinal(holder));
    case TfrxPropKind::Variant:
        return prop.GetVariant(holder).ToString();
    case TfrxPropKind::Component: {
        auto *c = qobject_cast<TComponent *>(prop.GetReference(holder));
        return c ? (c->Owner() ? c->Owner()->Name() + QLatin1Char('.') : QString()) + c->Name() : QString();
    }
    default:
        return prop.Read(holder).toString();
    }
}

// "Memo1.Font.Name", "Report.DataSetName", "Datasets[1].DataSet", "Variables[0].Name",
// "Styles[0].Frame.Width", "Memo1.Text".
QString Probe(TfrxReport &report, const QString &what)
{
    static const QRegularExpression listed(
        QStringLiteral("^(Datasets|Variables|Styles)\\[(\\d+)\\]\\.(.*)$"));
    TfrxPropTarget holder;
    QString path;
    if (const QRegularExpressionMatch m = listed.match(what); m.hasMatch()) {
        TfrxCollection *list = m.captured(1) == QLatin1String("Datasets") ? report.Datasets()
                               : m.captured(1) == QLatin1String("Variables")
                                   ? static_cast<TfrxCollection *>(report.Variables())
                                   : report.Styles();
        const int index = m.captured(2).toInt();
        if (index >= list->Count())
            return QStringLiteral("<no item %1>").arg(index);
        holder = TfrxPropTarget(list->Item(index));
        path = m.captured(3);
    } else {
        const qsizetype dot = what.indexOf(u'.');
        TfrxComponent *object =
            what.left(dot) == QLatin1String("Report") ? &report : report.FindObject(what.left(dot));
        if (!object)
            return QStringLiteral("<no %1>").arg(what.left(dot));
        path = what.mid(dot + 1);
        if (path == QLatin1String("Text"))
            return qobject_cast<TfrxCustomMemoView *>(object)->Memo().join(u'\n');
        holder = TfrxPropTarget(object);
    }
    const TfrxPropInfo *prop = nullptr;
    if (!frxResolvePropPath(holder, path, prop))
        return QStringLiteral("<no %1>").arg(path);
    return ValueText(holder, *prop);
}

// The host program's form, whose dataset a layout may name as "Form1.frxDBDataset1".
struct HostForm {
    HostForm()
    {
        form.SetName(QStringLiteral("Form1"));
        auto *dataSet = new TfrxUserDataSet(&form);
        dataSet->SetName(QStringLiteral("frxDBDataset1"));
        dataSet->SetUserName(QStringLiteral("Customers"));
        frxRegisterGlobalComponent(&form);
    }
    ~HostForm() { frxUnregisterGlobalComponent(&form); }
    TComponent form;
};

QByteArray Layout(const QByteArray &reportAttributes, const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n<TfrxReport " + reportAttributes +
           ">" + body + "</TfrxReport>";
}

// A PropData value whose lists are in the component stream's collection form.
QByteArray ShortString(const QByteArray &s)
{
    return char(s.size()) + s;
}

} // namespace

class tst_LayoutForms : public QObject {
    Q_OBJECT
private slots:
    void unknownObjectsAndPicturesSurvive();
    void listsInEveryForm_data();
    void listsInEveryForm();
    void badLists_data();
    void badLists();
    void dotMatrixLayouts();
    void inheritedLayouts();
    void ancestorsMissingOrCyclic();
};

void tst_LayoutForms::unknownObjectsAndPicturesSurvive()
{
    const QByteArray input = Fixture(QStringLiteral("plugin_and_metafile.fr3"));
    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(report, input);
    QCOMPARE(report.Errors(),
             (QStringList{"Cannot find class TfrxADOConnection", "Cannot find class TfrxGaugeView",
                          "Cannot find class TfrxPluginPage"}));

    // What a designer needs to draw the box.
    TfrxComponent *gauge = report.FindObject(QStringLiteral("Gauge1"));
    QVERIFY(gauge);
    QCOMPARE(frxUnknownClassName(gauge), QStringLiteral("TfrxGaugeView"));
    QCOMPARE(gauge->Left(), 20.0);
    QCOMPARE(gauge->Width(), 150.0);
    QCOMPARE(report.Pages(report.PagesCount() - 1)->Name(), QStringLiteral("Cover"));

    const QByteArray first = Save(report);
    TfrxReport again;
    again.EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(again, first);
    QCOMPARE(Save(again), first);

    // Each unknown element comes back as it was, in its place, with its subtree.
    for (const char *element :
         {"<TfrxADOConnection Name=\"ADOConnection1\" Left=\"60\" Top=\"20\" ConnectionString=\"Provider="
          "Microsoft.Jet.OLEDB.4.0;Data Source=orders.mdb\" LoginPrompt=\"False\"/>",
          "<TfrxGaugeView Name=\"Gauge1\" Left=\"20\" Top=\"200\" Width=\"150\" Height=\"50\" "
          "Kind=\"gkDial\" "
          "Expression=\"&#60;FD.&#34;Weight&#34;&#62;\">\r\n"
          "      <TfrxGaugeScale Name=\"Scale1\" Min=\"0\" Max=\"100\"/>\r\n"
          "      <TfrxMemoView Name=\"GaugeCaption\" Text=\"kg\"/>\r\n"
          "    </TfrxGaugeView>",
          "<TfrxPluginPage Name=\"Cover\" Title=\"Cover sheet\"/>\r\n</TfrxReport>"})
        QVERIFY2(first.contains(element), element);
    QVERIFY(first.indexOf("Name=\"Memo1\"") < first.indexOf("Name=\"Gauge1\""));
    QVERIFY(first.indexOf("Name=\"Gauge1\"") < first.indexOf("Name=\"Picture1\""));
    QVERIFY(first.indexOf("Name=\"Picture1\"") < first.indexOf("Name=\"Memo2\""));

    // The metafile and the icon keep their stored bytes.
    static const QRegularExpression pictures(QStringLiteral("(Picture\\.PropData=\"[0-9A-F]+\")"));
    QStringList stored, written;
    for (const QRegularExpressionMatch &m : pictures.globalMatch(QString::fromUtf8(input)))
        stored << m.captured(1);
    for (const QRegularExpressionMatch &m : pictures.globalMatch(QString::fromUtf8(first)))
        written << m.captured(1);
    QCOMPARE(stored.size(), 2);
    QCOMPARE(written, stored);
    auto *picture = qobject_cast<TfrxPictureView *>(report.FindObject(QStringLiteral("Picture1")));
    QCOMPARE(picture->Picture().GraphicClassName(), QStringLiteral("TMetafile"));
    QVERIFY(picture->Picture().Image().isNull());

    QStringList inputNames = Names(input), outputNames = Names(first);
    inputNames.sort();
    outputNames.sort();
    QCOMPARE(outputNames, inputNames);
}

void tst_LayoutForms::listsInEveryForm_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("checks"); // "What=expected"

    QTest::newRow("child elements") << "child_lists.fr3"
                                    << QStringList{"Datasets[0].DataSetName=FD",
                                                   "Datasets[0].DataSet=TavrelForm.frxUserDataSet1",
                                                   "Variables[0].Name= Shop",
                                                   "Variables[1].Name=Sender",
                                                   "Variables[1].Value='Zhang'",
                                                   "Styles[0].Name=Title",
                                                   "Styles[0].Color=65535",
                                                   "Styles[0].Font.Name=SimSun",
                                                   "Styles[0].Frame.Typ=15",
                                                   "Styles[1].Font.Color=8421504",
                                                   "Memo1.DisplayFormat.FormatStr=%2.2n",
                                                   "Memo1.DisplayFormat.Kind=fkNumeric",
                                                   "Memo1.Text=[FD.\"Total\"] 中",
                                                   "Memo2.DisplayFormat.Kind=fkDateTime",
                                                   "Memo2.Font.Name=SimSun"};
    QTest::newRow("component stream collections") << "collection_propdata.fr3"
                                                  << QStringList{"Datasets[0].DataSet=Form1.frxDBDataset1",
                                                                 "Datasets[0].DataSetName=Customers",
                                                                 "Datasets[1].DataSetName=FD",
                                                                 "Variables[0].Name= Orders",
                                                                 "Variables[1].Name=Limit",
                                                                 "Variables[1].Value=100",
                                                                 "Styles[0].Name=Header",
                                                                 "Styles[0].Color=16777215",
                                                                 "Styles[0].Font.Charset=134",
                                                                 "Styles[0].Font.Color=8388608",
                                                                 "Styles[0].Font.Height=-13",
                                                                 "Styles[0].Font.Style=5",
                                                                 "Styles[0].Frame.Typ=15",
                                                                 "Styles[0].Frame.Width=1.5",
                                                                 "Memo1.Font.Name=SimHei"};
}

void tst_LayoutForms::listsInEveryForm()
{
    QFETCH(QString, file);
    QFETCH(QStringList, checks);
    HostForm host;
    TComponent owner;
    owner.SetName(QStringLiteral("TavrelForm"));
    auto *fd = new TfrxUserDataSet(&owner);
    fd->SetName(QStringLiteral("frxUserDataSet1"));
    fd->SetUserName(QStringLiteral("FD"));
    auto *report = new TfrxReport(&owner);
    report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*report, Fixture(file));
    QCOMPARE(report->Errors(), QStringList());
    for (const QString &check : checks) {
        const qsizetype eq = check.indexOf(u'=');
        QCOMPARE(Probe(*report, check.left(eq)), check.mid(eq + 1));
    }

    // Saved in this program's own form, which reads back to the same lists and saves the same.
    const QByteArray first = Save(*report);
    QVERIFY(!first.contains("<Datasets") && !first.contains("<Formats") && !first.contains("<item"));
    QVERIFY(first.contains(" PropData=\""));
    Load(*report, first);
    QCOMPARE(report->Errors(), QStringList());
    for (const QString &check : checks) {
        const qsizetype eq = check.indexOf(u'=');
        QCOMPARE(Probe(*report, check.left(eq)), check.mid(eq + 1));
    }
    QCOMPARE(Save(*report), first);
}

void tst_LayoutForms::badLists_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("checks");

    const QByteArray page = "<TfrxReportPage Name=\"Page1\">";
    QTest::newRow("list with unexpected children")
        << Layout("", "<Variables><item Name=\"A\"/><Junk X=\"1\"/><item Name=\"B\" Value=\"2\"><sub/></item>"
                      "</Variables>" +
                          page + "</TfrxReportPage>")
        << QStringList{"Unexpected element Junk in Variables was skipped",
                       "Unexpected element sub in Variables was skipped"}
        << QStringList{"Variables[0].Name=A", "Variables[1].Name=B", "Variables[1].Value=2",
                       "Page1.Visible=True"};
    QTest::newRow("text object with several formats")
        << Layout("", page +
                          "<TfrxMemoView Name=\"Memo1\"><Formats><item FormatStr=\"%d\" Kind=\"fkNumeric\"/>"
                          "<item FormatStr=\"dd.mm\" "
                          "Kind=\"fkDateTime\"/></Formats></TfrxMemoView></TfrxReportPage>")
        << QStringList{"Memo1 has 2 display formats; only the first is used"}
        << QStringList{"Memo1.DisplayFormat.FormatStr=%d"};

    // A collection cut short inside its second item: the first item stays.
    QByteArray stream = ShortString("Variables") + '\x0E' + '\x01' + ShortString("Name") + '\x06' +
                        ShortString("First") + '\x00' + '\x01' + ShortString("Name") + '\x06' + char(10) +
                        "Sec";
    QTest::newRow("collection cut short")
        << Layout("PropData=\"" + stream.toHex().toUpper() + "\"", page + "</TfrxReportPage>")
        << QStringList{"Damaged data in PropData of TfrxReport"} << QStringList{"Variables[0].Name=First"};
    QByteArray nested = ShortString("Style") + '\x0E' + '\x01' + ShortString("Name") + '\x06' +
                        ShortString("S") + ShortString("Extra") + QByteArray(40, '\x0E');
    QTest::newRow("collections nested without end")
        << Layout("PropData=\"" + nested.toHex().toUpper() + "\"", page + "</TfrxReportPage>")
        << QStringList{"Damaged data in PropData of TfrxReport"} << QStringList{"Styles[0].Name=S"};

    QByteArray deep = page + "<TfrxFancyView Name=\"Fancy1\">";
    for (int i = 0; i < 300; ++i)
        deep += "<Part>";
    for (int i = 0; i < 300; ++i)
        deep += "</Part>";
    deep += "</TfrxFancyView></TfrxReportPage>";
    QTest::newRow("unknown object nested very deep")
        << Layout("", deep)
        << QStringList{"Cannot find class TfrxFancyView",
                       "Objects nested deeper than 100 levels were skipped"}
        << QStringList{"Page1.Visible=True"};
}

void tst_LayoutForms::badLists()
{
    QFETCH(QByteArray, layout);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, checks);
    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(report, layout);
    QCOMPARE(report.Errors(), errors);
    for (const QString &check : checks) {
        const qsizetype eq = check.indexOf(u'=');
        QCOMPARE(Probe(report, check.left(eq)), check.mid(eq + 1));
    }
    // Whatever was read saves and reads back without new complaints.
    const QByteArray saved = Save(report);
    TfrxReport again;
    again.EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(again, saved);
    QCOMPARE(Save(again), saved);
}

void tst_LayoutForms::dotMatrixLayouts()
{
    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    const QByteArray input = Fixture(QStringLiteral("dot_matrix.fr3"));
    Load(report, input);
    QCOMPARE(report.Errors(), QStringList());
    // Positions and sizes on whole character cells of 9.6 x 17 pixels.
    const QStringList checks = {
        "MasterData1.Top=17",    "MasterData1.Height=34",          "DMPMemo1.Left=9.6",
        "DMPMemo1.Top=0",        "DMPMemo1.Width=201.6",           "DMPMemo1.Height=17",
        "DMPMemo1.FontStyle=33", "DMPMemo1.Font.Name=Courier New", "DMPLine1.Width=297.6",
        "DMPLine1.Top=17",       "DMPCommand1.Command=#27#69",     "DMPCommand1.Left=403.2"};
    for (const QString &check : checks) {
        const qsizetype eq = check.indexOf(u'=');
        QCOMPARE(Probe(report, check.left(eq)), check.mid(eq + 1));
    }
    // Saved as the file spelled it: reading it again puts it on the same cells.
    const QByteArray first = Save(report);
    QVERIFY(first.contains("<TfrxDMPMemoView Name=\"DMPMemo1\" Left=\"10\""));
    QVERIFY(first.contains("FontStyle=\"33\""));
    Load(report, first);
    QCOMPARE(Save(report), first);

    // Drawn by the ordinary path: the text in the page's font, bold as its FontStyle asks.
    auto *page = qobject_cast<TfrxReportPage *>(report.FindObject(QStringLiteral("Page1")));
    QVERIFY(page);
    QImage image(page->Width(), page->Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        frxDrawPage(*page, painter, 1, 1, 0, 0);
    }
    int dark = 0;
    for (int y = 17; y < 17 + 17; ++y)
        for (int x = 10; x < 210; ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    QVERIFY2(dark > 50, qPrintable(QString::number(dark)));
}

namespace {
void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray BaseLayout(const QByteArray &titleText)
{
    return Layout("",
                  "<TfrxReportPage Name=\"Page1\" PaperWidth=\"100\" PaperHeight=\"150\">"
                  "<TfrxMemoView Name=\"Memo1\" Left=\"10\" Top=\"10\" Width=\"100\" Height=\"20\" "
                  "Text=\"base text\"/>"
                  "<TfrxMemoView Name=\"Memo2\" Left=\"10\" Top=\"40\" Width=\"100\" Height=\"20\" Text=\"" +
                      titleText + "\"/></TfrxReportPage>");
}

const QByteArray kChild = Layout("ParentReport=\"base.fr3\"",
                                 "<inherited Name=\"Page1\"><inherited Name=\"Memo1\" Text=\"child text\"/>"
                                 "<TfrxMemoView Name=\"Memo3\" Text=\"own\"/></inherited>");
} // namespace

void tst_LayoutForms::inheritedLayouts()
{
    QTemporaryDir dir;
    WriteFile(dir.filePath("base.fr3"), BaseLayout("title"));
    WriteFile(dir.filePath("child.fr3"), kChild);
    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    QVERIFY(frxLoadFromFile(report, dir.filePath("child.fr3")));
    QCOMPARE(report.Errors(), QStringList());
    QCOMPARE(Probe(report, "Memo1.Text"), QStringLiteral("child text"));
    QCOMPARE(Probe(report, "Memo2.Text"), QStringLiteral("title"));
    QCOMPARE(Probe(report, "Memo3.Text"), QStringLiteral("own"));
    QCOMPARE(Probe(report, "Page1.PaperWidth"), QStringLiteral("100"));
    QVERIFY(report.FindObject("Memo2")->IsAncestor());
    QVERIFY(!report.FindObject("Memo3")->IsAncestor());

    // Only the child's own changes are saved.
    const QByteArray saved = Save(report);
    QVERIFY2(saved.contains("<inherited Name=\"Memo1\" Text=\"child text\"/>"), saved.constData());
    QVERIFY(saved.contains("<inherited Name=\"Memo2\"/>"));
    QVERIFY(saved.contains("<TfrxMemoView Name=\"Memo3\""));
    QVERIFY(!saved.contains("title") && !saved.contains("base text") && !saved.contains("PaperWidth"));
    WriteFile(dir.filePath("child.fr3"), saved);

    // A change of the ancestor reaches the child; the child's own change stays.
    WriteFile(dir.filePath("base.fr3"), BaseLayout("new title"));
    QVERIFY(frxLoadFromFile(report, dir.filePath("child.fr3")));
    QCOMPARE(report.Errors(), QStringList());
    QCOMPARE(Probe(report, "Memo1.Text"), QStringLiteral("child text"));
    QCOMPARE(Probe(report, "Memo2.Text"), QStringLiteral("new title"));
    QCOMPARE(Save(report), saved);

    // Loading another layout afterwards leaves nothing of the ancestor behind.
    Load(report, Layout("", "<TfrxReportPage Name=\"Other\"/>"));
    QVERIFY(!report.FindObject("Memo2"));
}

void tst_LayoutForms::ancestorsMissingOrCyclic()
{
    QTemporaryDir dir;
    WriteFile(dir.filePath("child.fr3"), kChild);
    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    QVERIFY(frxLoadFromFile(report, dir.filePath("child.fr3")));
    QCOMPARE(report.Errors(), QStringList{"Cannot find the ancestor layout base.fr3"});
    // What the child holds is kept for its save.
    const QByteArray saved = Save(report);
    QVERIFY(saved.contains("<inherited Name=\"Page1\">"));
    QVERIFY(saved.contains("<inherited Name=\"Memo1\" Text=\"child text\"/>"));
    QVERIFY(saved.contains("Name=\"Memo3\""));

    // Two layouts that inherit from each other.
    WriteFile(dir.filePath("a.fr3"), Layout("ParentReport=\"b.fr3\"", "<TfrxReportPage Name=\"PageA\"/>"));
    WriteFile(dir.filePath("b.fr3"), Layout("ParentReport=\"a.fr3\"", "<TfrxReportPage Name=\"PageB\"/>"));
    QVERIFY(frxLoadFromFile(report, dir.filePath("a.fr3")));
    QCOMPARE(report.Errors(), QStringList{"The ancestor layout a.fr3 inherits from its own descendant"});
    QVERIFY(report.FindObject("PageA") && report.FindObject("PageB"));
    // A layout that names itself.
    WriteFile(dir.filePath("self.fr3"), Layout("ParentReport=\"self.fr3\"", "<TfrxReportPage Name=\"P\"/>"));
    QVERIFY(frxLoadFromFile(report, dir.filePath("self.fr3")));
    QCOMPARE(report.Errors(), QStringList{"The ancestor layout self.fr3 inherits from its own descendant"});

    // An ancestor outside the layout's folder (a layout from a stranger) is not read, existing or
    // not, nor a pipe beside it.
    QTemporaryDir outside;
    WriteFile(outside.filePath("base.fr3"), BaseLayout("outside"));
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("pipe.fr3")).constData(), 0600) == 0);
    for (const QString &parent : {outside.filePath("base.fr3"), outside.filePath("none.fr3"),
                                  QDir(dir.path()).relativeFilePath(outside.filePath("base.fr3")),
                                  QStringLiteral("pipe.fr3")}) {
        WriteFile(dir.filePath("stranger.fr3"),
                  Layout("ParentReport=\"" + parent.toUtf8() + "\"", "<TfrxReportPage Name=\"P\"/>"));
        QVERIFY(frxLoadFromFile(report, dir.filePath("stranger.fr3")));
        QCOMPARE(report.Errors(), QStringList{"Cannot find the ancestor layout " + parent});
        QVERIFY(!report.FindObject("Memo2"));
    }
}

QTEST_MAIN(tst_LayoutForms)
#include "tst_layoutforms.moc"

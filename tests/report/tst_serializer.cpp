// The layout file format: the minimal waybill layout byte for byte, round trips, value texts,
// binary PropData streams, references, passwords, options a load keeps, and the error report.

#include "tests/support/LayoutBytes.h"
#include "report/model/frxClass.h"
#include "report/io/frxPropData.h"
#include "report/io/frxSerializeReport.h"
#include "report/io/frxXML.h"
#include "report/io/frxXMLSerializer.h"
#include "tests/support/ScriptedUi.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <QtEndian>

#include <memory>

namespace {

QByteArray Fixture(const QString &name)
{
    QFile file(QStringLiteral(WAYBILL_FIXTURES "/layouts/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

using LayoutBytes::Load;
using LayoutBytes::Save;

// The creation moments differ from run to run.
QByteArray MaskDates(QByteArray bytes)
{
    static const QRegularExpression dates(QStringLiteral("(CreateDate|LastChange)=\"[^\"]*\""));
    return QString::fromUtf8(bytes).replace(dates, QStringLiteral("\\1=\"*\"")).toUtf8();
}

// The program's side of a waybill print: a form that owns the report and the order dataset FD.
struct Host {
    Host()
    {
        form.SetName(QStringLiteral("TavrelForm"));
        dataSet = new TfrxUserDataSet(&form);
        dataSet->SetName(QStringLiteral("frxUserDataSet1"));
        dataSet->SetUserName(QStringLiteral("FD"));
        report = new TfrxReport(&form);
    }
    TComponent form;
    TfrxUserDataSet *dataSet;
    TfrxReport *report;
};

// The minimal waybill layout: dataset FD, a 100 x 150 mm page with 10 mm margins and one text
// object bound to the field 收件人.
void BuildMinimal(Host &host)
{
    TfrxReport *report = host.report;
    report->SetDataSet(host.dataSet);
    report->Datasets()->Add(host.dataSet);
    frxSetDesignPosition(report, QPoint(64, 40));
    report->EnsureDataPage();
    auto *page = new TfrxReportPage(report);
    page->SetName(QStringLiteral("Page1"));
    page->SetPaperWidth(100);
    page->SetPaperHeight(150);
    page->SetLeftMargin(10);
    page->SetRightMargin(10);
    page->SetTopMargin(10);
    page->SetBottomMargin(10);
    auto *memo = new TfrxMemoView(page);
    memo->SetName(QStringLiteral("Memo1"));
    memo->SetBounds(10 * fr01cm, 20 * fr01cm, 21 * fr01cm, 5 * fr01cm);
    memo->SetDataSet(host.dataSet);
    memo->SetDataField(QStringLiteral("收件人"));
    memo->SetMemo({QStringLiteral("[FD.\"收件人\"]")});
}

QImage TestImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 40 % 256, y * 60 % 256, (x + y) * 20 % 256));
    return image;
}

// A layout that uses every kind of value the format knows: bands with a child, fonts, frames with
// their own lines, highlight and display format, flowing text, pictures of the three formats, a
// background, variables, styles, a password, a multi-line script and a dataset of the report.
void BuildRich(Host &host)
{
    BuildMinimal(host);
    TfrxReport *report = host.report;
    report->SetScriptText(
        {QStringLiteral("begin"), QStringLiteral("  ShowMessage('好');"), QString(), QStringLiteral("end.")});
    report->ReportOptions()->SetDescription(
        {QStringLiteral("顺丰 waybill"), QStringLiteral("second & <line>")});
    report->ReportOptions()->SetAuthor(QStringLiteral("店主"));
    report->ReportOptions()->SetPassword(QStringLiteral("s3cret,!"));
    report->ReportOptions()->SetCompressed(true);
    TPicture logo;
    logo.SetImage(TestImage(5, 4), QStringLiteral("TPngImage"));
    report->ReportOptions()->SetPicture(logo);
    report->PrintOptions()->SetCopies(2);
    report->EngineOptions()->SetDoublePass(true);
    TfrxVariable *category = report->Variables()->Add();
    category->SetName(QStringLiteral(" 寄件"));
    TfrxVariable *variable = report->Variables()->Add();
    variable->SetName(QStringLiteral("Sender"));
    variable->SetValue(Variant(QStringLiteral("'王小姐 13800138000'")));
    TfrxStyleItem *style = report->Styles()->Add();
    style->SetName(QStringLiteral("Title"));
    style->SetColor(0xC0FFC0);
    style->Font()->SetStyle(frx::TFontStyles(frx::fsBold | frx::fsUnderline));
    style->Frame()->SetTyp(frx::TfrxFrameTypes(frx::ftLeft | frx::ftBottom));

    auto *orders = new TfrxUserDataSet(report->Pages(0));
    orders->SetName(QStringLiteral("Orders"));
    orders->SetUserName(QStringLiteral("订单"));
    orders->SetFields({QStringLiteral("单号"), QStringLiteral("重量")});
    orders->SetRangeEnd(frx::reCount);
    orders->SetRangeEndCount(12);
    report->Datasets()->Add(orders);

    auto *page = qobject_cast<TfrxReportPage *>(report->FindObject(QStringLiteral("Page1")));
    page->Font()->SetName(QStringLiteral("宋体"));
    page->Font()->SetHeight(-16);
    page->SetHGuides({QStringLiteral("10"), QStringLiteral("20.5")});
    TPicture scan;
    scan.SetImage(TestImage(30, 20), QStringLiteral("TJPEGImage"));
    page->SetBackPicture(scan);

    auto *title = new TfrxReportTitle(page);
    title->SetName(QStringLiteral("ReportTitle1"));
    title->SetTop(18.89765);
    title->SetHeight(22.67718);
    auto *child = new TfrxChild(page);
    child->SetName(QStringLiteral("Child1"));
    child->SetHeight(30);
    title->SetChild(child);
    auto *data = new TfrxMasterData(page);
    data->SetName(QStringLiteral("MasterData1"));
    data->SetTop(100);
    data->SetHeight(1.0 / 3);
    data->SetDataSet(orders);

    auto *flow = new TfrxMemoView(data);
    flow->SetName(QStringLiteral("Memo3"));
    flow->SetBounds(0, 0, 100, 20);
    auto *memo = new TfrxMemoView(title);
    memo->SetName(QStringLiteral("Memo2"));
    memo->SetBounds(-3.5, 1e-5, 123456.789012345, 0.1);
    memo->SetMemo(
        {QStringLiteral("第一行 & \"quoted\""), QString(), QStringLiteral("<tag> &quot; end"), QString()});
    memo->Font()->SetStyle(frx::TFontStyles(frx::fsItalic));
    memo->Font()->SetColor(clRed);
    memo->Frame()->SetTyp(frx::TfrxFrameTypes(frx::ftLeft | frx::ftRight | frx::ftTop | frx::ftBottom));
    memo->Frame()->SetWidth(0.5);
    memo->Frame()->LeftLine()->SetStyle(frx::fsDash);
    memo->Frame()->BottomLine()->SetWidth(2);
    memo->SetHAlign(frx::haCenter);
    memo->SetRotation(90);
    memo->SetFlowTo(flow);
    memo->DisplayFormat()->SetFormatStr(QStringLiteral("%2.2f"));
    memo->DisplayFormat()->SetKind(frx::fkNumeric);
    memo->Highlight()->SetCondition(QStringLiteral("Value > 0"));
    memo->Highlight()->Font()->SetStyle(frx::TFontStyles(frx::fsStrikeOut));
    memo->SetRestrictions(frx::TfrxRestrictions(frx::rfDontMove | frx::rfDontDelete));
    memo->SetTagStr(QStringLiteral("[订单.\"单号\"]"));
    memo->SetOnBeforePrint(QStringLiteral("Memo2OnBeforePrint"));

    const char *formats[] = {"TJPEGImage", "TBitmap", "TPngImage"};
    for (int i = 0; i < 3; ++i) {
        auto *picture = new TfrxPictureView(child);
        picture->SetName(QStringLiteral("Picture%1").arg(i + 1));
        picture->SetBounds(10 * i, 2, 8, 6);
        TPicture image;
        image.SetImage(TestImage(8 + i, 6), QString::fromLatin1(formats[i]));
        picture->SetPicture(image);
    }
    auto *line = new TfrxLineView(page);
    line->SetName(QStringLiteral("Line1"));
    line->SetBounds(0, 300, 200, 0);
    line->SetArrowEnd(true);
    auto *shape = new TfrxShapeView(page);
    shape->SetName(QStringLiteral("Shape1"));
    shape->SetShape(frx::skEllipse);
    shape->SetColor(-16777201);
    // A sub-report printing on its band, with the page it prints.
    auto *inner = new TfrxReportPage(report);
    inner->SetName(QStringLiteral("Page2"));
    auto *subreport = new TfrxSubreport(data);
    subreport->SetName(QStringLiteral("Subreport1"));
    subreport->SetBounds(0, 20, 100, 10);
    subreport->SetSubPage(inner);
    subreport->SetPrintOnParent(true);
}

// Every object of a tree with every published property value, one line each, for comparing
// trees: class, name and the attribute text the writer would give with all defaults.
QString Tree(TfrxReport &report)
{
    QString out;
    TfrxXMLSerializer serializer(&report);
    serializer.SetSaveDefaultValues(true);
    out += serializer.ObjToXML(TfrxPropTarget(&report)) + QLatin1Char('\n');
    for (TfrxComponent *c : report.AllObjects()) {
        out += c->ClassName() + QLatin1Char(' ') + c->Name() + QLatin1String(" in ") +
               (c->Parent() ? c->Parent()->Name() : QString()) + QLatin1Char(':');
        out += serializer.ObjToXML(TfrxPropTarget(c)) + QLatin1Char('\n');
    }
    return out;
}

// A value of the loaded tree for the table tests: "Object.Path" where Path is a published property
// path, or one of Text (a memo's lines), Picture (class and size), Children, PageNames, Datasets.
QString Probe(TfrxReport &report, const QString &what)
{
    const qsizetype dot = what.indexOf(u'.');
    const QString objectName = what.left(dot);
    const QString path = what.mid(dot + 1);
    TfrxComponent *object = objectName == QLatin1String("Report") ? &report : report.FindObject(objectName);
    if (!object)
        return QStringLiteral("<no %1>").arg(objectName);
    if (path == QLatin1String("Text"))
        return qobject_cast<TfrxCustomMemoView *>(object)->Memo().join(u'\n');
    if (path == QLatin1String("Picture")) {
        const TPicture picture = qobject_cast<TfrxPictureView *>(object)->Picture();
        return QStringLiteral("%1 %2x%3")
            .arg(picture.GraphicClassName())
            .arg(picture.Width())
            .arg(picture.Height());
    }
    if (path == QLatin1String("Children"))
        return QString::number(object->Objects().size());
    if (path == QLatin1String("PageNames")) {
        QStringList names;
        for (int i = 0; i < report.PagesCount(); ++i)
            names << report.Pages(i)->Name();
        return names.join(u',');
    }
    if (path == QLatin1String("Datasets")) {
        QStringList names;
        for (int i = 0; i < report.Datasets()->Count(); ++i)
            names << report.Datasets()->Items(i)->DataSetName();
        return names.join(u',');
    }
    TfrxPropTarget holder(object);
    const TfrxPropInfo *prop = nullptr;
    if (!frxResolvePropPath(holder, path, prop))
        return QStringLiteral("<no %1>").arg(path);
    switch (prop->Kind()) {
    case TfrxPropKind::Float:
        return frxFloatToStr(prop->GetFloat(holder));
    case TfrxPropKind::Boolean:
    case TfrxPropKind::Enumeration:
        return prop->EnumName(prop->GetOrdinal(holder));
    case TfrxPropKind::Component: {
        auto *c = qobject_cast<TComponent *>(prop->GetReference(holder));
        return c ? c->Name() : QString();
    }
    default:
        return prop->Read(holder).toString();
    }
}

} // namespace

class tst_Serializer : public QObject {
    Q_OBJECT

private slots:
    void init() { SetFormatSettings(TFormatSettings()); }
    void minimalLayoutBytes();
    void minimalLayoutLoads();
    void roundTrip();
    void filesFromTheField_data();
    void filesFromTheField();
    void floatText_data();
    void floatText();
    void escapeKeepsText_data();
    void escapeKeepsText();
    void valueStreamTypes_data();
    void valueStreamTypes();
    void valueStreamDamage_data();
    void valueStreamDamage();
    void pictureData();
    void password_data();
    void password();
    void errorReport_data();
    void errorReport();
    void badInput_data();
    void badInput();
    void references();
    void files();
    void optionsKeptOrRestored();
    void singleComponents();
    void emptyTextsSurvive();
    void keptElementsReadBackAsWritten_data();
    void keptElementsReadBackAsWritten();
};

void tst_Serializer::minimalLayoutBytes()
{
    Host host;
    BuildMinimal(host);
    const QByteArray expected = Fixture(QStringLiteral("waybill_minimal.fr3"));
    const QByteArray written = Save(*host.report);
    QCOMPARE(QString::fromUtf8(MaskDates(written)).split(u'\n'),
             QString::fromUtf8(MaskDates(expected)).split(u'\n'));
}

void tst_Serializer::minimalLayoutLoads()
{
    Host written;
    BuildMinimal(written);
    Host host;
    host.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*host.report, Fixture(QStringLiteral("waybill_minimal.fr3")));
    QVERIFY2(host.report->Errors().isEmpty(), qPrintable(host.report->Errors().join(u'\n')));
    // The report-level dataset is bound again through the host form, and so is the text object.
    QCOMPARE(host.report->DataSet(), host.dataSet);
    auto *memo = qobject_cast<TfrxMemoView *>(host.report->FindObject(QStringLiteral("Memo1")));
    QVERIFY(memo);
    QCOMPARE(memo->DataSet(), host.dataSet);
    QCOMPARE(memo->Memo(), QStringList{QStringLiteral("[FD.\"收件人\"]")});
    QCOMPARE(frxDesignPosition(host.report), QPoint(64, 40));
    QCOMPARE(host.report->Datasets()->Count(), 1);
    QCOMPARE(host.report->Datasets()->Items(0)->DataSet(), host.dataSet);
    QCOMPARE(host.report->ReportOptions()->CreateDate(), 41263.0434987963);
    // The same tree as the one built in memory.
    host.report->ReportOptions()->SetCreateDate(written.report->ReportOptions()->CreateDate());
    host.report->ReportOptions()->SetLastChange(written.report->ReportOptions()->LastChange());
    host.report->EngineOptions()->SetNewSilentMode(frx::simMessageBoxes);
    QCOMPARE(Tree(*host.report), Tree(*written.report));
}

// Answers the password question with a fixed text while it lives.
struct PasswordAnswer {
    explicit PasswordAnswer(const QString &answer, bool confirm = true)
    {
        previous = frxSetPasswordQuery([this, answer, confirm](QString &password) {
            ++asked;
            password = answer;
            return confirm;
        });
    }
    ~PasswordAnswer() { frxSetPasswordQuery(previous); }
    TfrxPasswordQuery previous;
    int asked = 0;
};

void tst_Serializer::roundTrip()
{
    Host original;
    BuildRich(original);
    original.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    const QByteArray first = Save(*original.report);
    // The password is kept shifted in the file, and the report keeps its own.
    QVERIFY(first.contains("ReportOptions.Password=\"i)Yh[j&#34;\x17\""));
    QCOMPARE(original.report->ReportOptions()->Password(), QStringLiteral("s3cret,!"));

    Host copy;
    copy.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    PasswordAnswer answer(QStringLiteral("s3cret,!"));
    Load(*copy.report, first);
    QVERIFY2(copy.report->Errors().isEmpty(), qPrintable(copy.report->Errors().join(u'\n')));
    QCOMPARE(answer.asked, 1);
    const QByteArray second = Save(*copy.report);
    QCOMPARE(QString::fromUtf8(second).split(u'\n'), QString::fromUtf8(first).split(u'\n'));
    QCOMPARE(Tree(*copy.report), Tree(*original.report));

    // What the tree comparison cannot see by name: references point at the new objects.
    TfrxReport *r = copy.report;
    auto *memo = qobject_cast<TfrxMemoView *>(r->FindObject(QStringLiteral("Memo2")));
    QCOMPARE(memo->FlowTo(), r->FindObject(QStringLiteral("Memo3")));
    auto *title = qobject_cast<TfrxReportTitle *>(r->FindObject(QStringLiteral("ReportTitle1")));
    QCOMPARE(title->Child(), r->FindObject(QStringLiteral("Child1")));
    auto *data = qobject_cast<TfrxMasterData *>(r->FindObject(QStringLiteral("MasterData1")));
    QCOMPARE(data->DataSet(), r->FindObject(QStringLiteral("Orders")));
    QVERIFY(first.contains("PrintOnParent=\"True\""));
    auto *subreport = qobject_cast<TfrxSubreport *>(r->FindObject(QStringLiteral("Subreport1")));
    QVERIFY(subreport->PrintOnParent());
    QCOMPARE(subreport->SubPage(), r->FindObject(QStringLiteral("Page2")));
    QCOMPARE(r->Datasets()->Count(), 2);
    QCOMPARE(r->Datasets()->Items(1)->DataSet(), r->FindObject(QStringLiteral("Orders")));
    QCOMPARE(memo->Memo(), (QStringList{QStringLiteral("第一行 & \"quoted\""), QString(),
                                        QStringLiteral("<tag> &quot; end"), QString()}));
    QCOMPARE(memo->Left(), -3.5);
    QCOMPARE(memo->Top(), 1e-5);
    QCOMPARE(memo->Width(), 123456.789012345);
    QCOMPARE(data->Height(), 0.333333333333333); // 15 significant digits survive
    for (const char *name : {"Picture1", "Picture2", "Picture3"}) {
        auto *mine = qobject_cast<TfrxPictureView *>(r->FindObject(QLatin1String(name)));
        auto *theirs = qobject_cast<TfrxPictureView *>(original.report->FindObject(QLatin1String(name)));
        QCOMPARE(mine->Picture().GraphicClassName(), theirs->Picture().GraphicClassName());
        QCOMPARE(mine->Picture().Data(), theirs->Picture().Data());
        QVERIFY(!mine->Picture().Image().isNull());
    }
    auto *page = qobject_cast<TfrxReportPage *>(r->FindObject(QStringLiteral("Page1")));
    QCOMPARE(page->BackPicture().Data().size(),
             qobject_cast<TfrxReportPage *>(original.report->FindObject(QStringLiteral("Page1")))
                 ->BackPicture()
                 .Data()
                 .size());
    QCOMPARE(r->ReportOptions()->Picture().GraphicClassName(), QStringLiteral("TPngImage"));
    QCOMPARE(r->Variables()->Value(QStringLiteral("Sender")).ToString(),
             QStringLiteral("'王小姐 13800138000'"));
}

void tst_Serializer::filesFromTheField_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QStringList>("checks"); // "Object.Path=expected"

    QTest::newRow("legacy code page bytes in a UTF-8 file")
        << "legacy_bytes.fr3" << QStringList()
        << QStringList{"Memo1.Text=[FD.\"收件人\"]", "Memo1.DataField=收件人",
                       "Memo1.DataSet=frxUserDataSet1", "Memo2.Text=寄件人：王小姐"};
    QTest::newRow("decimal commas") << "decimal_comma.fr3" << QStringList()
                                    << QStringList{"Memo1.Left=37.7953", "Memo1.Height=18.89765",
                                                   "Memo1.Frame.Width=0.5", "Memo1.LineSpacing=1000.25",
                                                   "Page1.PaperWidth=100.5", "Page1.LeftMargin=7.5",
                                                   "Report.ReportOptions.CreateDate=41263.0434987963",
                                                   "Report.ReportOptions.LastChange=41263.5",
                                                   // kept from the file / the host's own value stays
                                                   "Report.PreviewOptions.OutlineWidth=180",
                                                   "Report.PreviewOptions.Zoom=1"};
    QTest::newRow("text given as the memo's lines")
        << "memo_lines.fr3" << QStringList()
        << QStringList{"Memo1.Text=收件人：[FD.\"收件人\"]\n电话：[FD.\"电话\"]"};
    QTest::newRow("plug-in objects") << "plugin_objects.fr3"
                                     << QStringList{"Cannot find class TfrxDBDataset",
                                                    "Cannot find class TfrxTableObject"}
                                     << QStringList{"Page1.Children=5", "Memo1.DataSet=frxUserDataSet1",
                                                    "Memo2.Text=after", "Data.Children=1",
                                                    "BarCode1.BarType=bcCode128", "BarCode2.BarType=bcCodeEAN13"};
    QTest::newRow("a page instead of a report")
        << "page_only.fr3"
        << QStringList{"The file holds TfrxReportPage, not TfrxReport; only what fits was loaded"}
        << QStringList{"Report.PageNames=Data,Page1", "Page1.PaperHeight=150", "Memo1.Text=page"};
    QTest::newRow("a newer program's attributes")
        << "newer_version.fr3" << QStringList()
        << QStringList{"Memo1.HAlign=haLeft", "Memo1.VAlign=vaCenter", "Memo1.Frame.Typ=15",
                       "Memo1.Frame.LeftLine.Color=255", "Memo1.Text=new"};
    QTest::newRow("old single-byte format")
        << "old_format.fr3" << QStringList()
        << QStringList{"Memo1.DataField=收件人",
                       "Memo1.Hint=提示",
                       "Memo1.Text=[订单.\"收件人\"]",
                       "Picture1.Picture=TPngImage 3x2",
                       "Picture2.Picture=TPngImage 2x2",
                       "Picture3.Picture=TMetafile 0x0",
                       "Report.Datasets=订单"};
}

void tst_Serializer::filesFromTheField()
{
    QFETCH(QString, file);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, checks);
    Host host;
    host.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*host.report, Fixture(QStringLiteral("field/") + file));
    QCOMPARE(host.report->Errors(), errors);
    for (const QString &check : checks) {
        const qsizetype eq = check.indexOf(u'=');
        QCOMPARE(Probe(*host.report, check.left(eq)), check.mid(eq + 1));
    }
}

void tst_Serializer::floatText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("integral") << 10.0 << "10";
    QTest::newRow("millimetre factor") << 3.77953 << "3.77953";
    QTest::newRow("half") << 0.5 << "0.5";
    QTest::newRow("date") << 41263.0434987963 << "41263.0434987963";
    QTest::newRow("15 digits") << 2.0 / 3 << "0.666666666666667";
    QTest::newRow("negative") << -16.5 << "-16.5";
    QTest::newRow("small") << 1.5e-5 << "1.5E-5";
    QTest::newRow("zero") << 0.0 << "0";
}

void tst_Serializer::floatText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(frxFloatToStr(value), text);
    // Written with the locale's separator; read back with either separator on either system.
    TFormatSettings comma;
    comma.DecimalSeparator = u',';
    SetFormatSettings(comma);
    QString commaText = text;
    commaText.replace(u'.', u',');
    QCOMPARE(frxFloatToStr(value), commaText);
    for (const TFormatSettings &settings : {TFormatSettings(), comma}) {
        SetFormatSettings(settings);
        for (const QString &written : {text, commaText, QLatin1Char(' ') + commaText + QLatin1Char(' ')}) {
            double read = -1;
            QVERIFY2(frxStrToFloat(written, read), qPrintable(written));
            QCOMPARE(frxFloatToStr(read), frxFloatToStr(value));
        }
    }
    SetFormatSettings(TFormatSettings());
    double bad;
    QVERIFY(!frxStrToFloat(u"1.2.3", bad));
    QVERIFY(!frxStrToFloat(u"12px", bad));
}

void tst_Serializer::escapeKeepsText_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("escaped");
    // Where the plain rules read back correctly the text is theirs ...
    QTest::newRow("short ampersand") << "a<b & c"
                                     << "a&#60;b & c";
    QTest::newRow("long ampersand") << "Tom & Jerry, 1940 and after that ok"
                                    << "Tom &#38; Jerry, 1940 and after that ok";
    QTest::newRow("quote and break") << "say \"hi\"\r\n"
                                     << "say &#34;hi&#34;&#13;&#10;";
    // ... where they would not, the ampersand is escaped.
    QTest::newRow("&quot; sequence") << "&quot;"
                                     << "&#38;quot;";
    QTest::newRow("short &amp;") << "a &amp; b"
                                 << "a &#38;amp; b";
    QTest::newRow("short reference") << "&#65;"
                                     << "&#38;#65;";
    QTest::newRow("short &lt;") << "&lt;x&gt;"
                                << "&#38;lt;x&#38;gt;";
}

void tst_Serializer::escapeKeepsText()
{
    QFETCH(QString, value);
    QFETCH(QString, escaped);
    QCOMPARE(frxStrToXML(value), escaped);
    QCOMPARE(XMLToStr(escaped), value);
}

void tst_Serializer::valueStreamTypes_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("type");
    QTest::newRow("ASCII") << "FD" << 6;
    QTest::newRow("long ASCII") << QString(300, u'x') << 12;
    QTest::newRow("Chinese") << "收件人" << 18; // 9 UTF-8 bytes for 3 characters
    QTest::newRow("mostly ASCII") << "FD 收件人 address line" << 20;
    QTest::newRow("Latin accent") << "café" << 20;
    QTest::newRow("empty") << "" << 18;
}

void tst_Serializer::valueStreamTypes()
{
    QFETCH(QString, value);
    QFETCH(int, type);
    TfrxValueWriter writer;
    writer.WriteName(u"S");
    writer.WriteString(value);
    QCOMPARE(int(quint8(writer.Data().at(2))), type);
    TfrxValueReader reader(writer.Data());
    QString name, read;
    QVERIFY(reader.ReadName(name));
    QVERIFY(reader.ReadString(read));
    QCOMPARE(read, value);
    QVERIFY(reader.AtEnd());

    // Integers take the smallest form.
    const struct {
        qint64 value;
        int type;
        int size;
    } integers[] = {{64, 2, 2},     {-128, 2, 2},  {128, 3, 3},
                    {-32768, 3, 3}, {40000, 4, 5}, {-2147483647, 4, 5}};
    for (const auto &integer : integers) {
        TfrxValueWriter w;
        w.WriteInteger(integer.value);
        QCOMPARE(int(quint8(w.Data().at(0))), integer.type);
        QCOMPARE(int(w.Data().size()), integer.size);
        qint64 back = 0;
        TfrxValueReader r(w.Data());
        QVERIFY(r.ReadInteger(back));
        QCOMPARE(back, integer.value);
    }
}

void tst_Serializer::valueStreamDamage_data()
{
    // A stream cut or lying about its lengths, and the same damage inside a report's dataset list.
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("propData");
    QTest::newRow("name longer than the data") << QByteArray::fromHex("0A4C656674") << "0A4C656674";
    QTest::newRow("integer cut short") << QByteArray::fromHex("044C65667404FF") << "044C65667404FF";
    QTest::newRow("string length past the end") << QByteArray::fromHex("01530CFFFFFF7F4142")
                                                << "0844617461736574730101"
                                                   "0CFFFFFF7F4142";
    QTest::newRow("wide string count past the end")
        << QByteArray::fromHex("0153120200000041") << "08446174617365747301011202000000410000";
    QTest::newRow("short string past the end")
        << QByteArray::fromHex("0153062041") << "0844617461736574730101062041";
    QTest::newRow("binary length past the end")
        << QByteArray::fromHex("01530A10000000AABB") << "084461746173657473010A10000000AABB";
    QTest::newRow("unknown value type") << QByteArray::fromHex("015307") << "08446174617365747301010700";
    QTest::newRow("list never ends") << QByteArray::fromHex("01530101") << "0844617461736574730101";
    QTest::newRow("odd hexadecimal") << QByteArray() << "044C65667402400";
    QTest::newRow("not hexadecimal") << QByteArray() << "044C6566740240ZZ";
}

void tst_Serializer::valueStreamDamage()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, propData);
    if (!data.isEmpty()) {
        TfrxValueReader reader(data);
        QString name;
        if (reader.ReadName(name)) {
            QString text;
            qint64 number;
            QByteArray bytes;
            const qsizetype at = reader.Position();
            QVERIFY(!reader.ReadString(text));
            QCOMPARE(reader.Position(), at);
            QVERIFY(!reader.ReadInteger(number));
            QVERIFY(!reader.ReadBinary(bytes));
            QVERIFY(!reader.SkipValue());
        }
    }
    // In a layout: a clear error, the rest of the layout loads.
    Host host;
    host.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*host.report, "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><TfrxReport PropData=\"" +
                           propData.toLatin1() + "\"><TfrxReportPage Name=\"Page1\"/></TfrxReport>");
    QCOMPARE(host.report->Errors(), QStringList{"Damaged data in PropData of TfrxReport"});
    QVERIFY(host.report->FindObject(QStringLiteral("Page1")));
}

void tst_Serializer::pictureData()
{
    QImage image = TestImage(6, 3);
    const struct {
        const char *className;
        bool lengthBefore;
        QByteArray signature;
    } formats[] = {
        {"TJPEGImage", true, "\xFF\xD8"}, {"TBitmap", true, "BM"}, {"TPngImage", false, "\x89PNG"}};
    for (const auto &format : formats) {
        TPicture picture;
        picture.SetImage(image, QLatin1String(format.className));
        const QByteArray data = frxPictureGraphicData(picture);
        const QByteArray name = QByteArray(format.className);
        QCOMPARE(data.left(1 + name.size()), char(name.size()) + name);
        QByteArray rest = data.mid(1 + name.size());
        if (format.lengthBefore) {
            QCOMPARE(qFromLittleEndian<quint32>(rest.constData()), quint32(picture.Data().size()));
            rest = rest.mid(4);
        }
        QVERIFY(rest.startsWith(format.signature));
        QCOMPARE(rest, picture.Data());
        // The PropData text: entry "Data", type 10, length, the bytes above.
        const QString hex = frxPicturePropData(picture);
        QVERIFY(hex.startsWith(QLatin1String("04446174610A")));
        TPicture back;
        QString className;
        QVERIFY(frxPictureFromGraphicData(data, back, className));
        QCOMPARE(className, QLatin1String(format.className));
        QCOMPARE(back.Data(), picture.Data());
        QCOMPARE(back.Width(), 6);
    }
    QVERIFY(frxPicturePropData(TPicture()).isEmpty());
    TPicture untouched;
    QString className;
    QVERIFY(!frxPictureFromGraphicData(QByteArray::fromHex("0A544A504547496D616765FFFFFF7FFFD8"), untouched,
                                       className));
    QCOMPARE(className, QStringLiteral("TJPEGImage"));
    QVERIFY(!frxPictureFromGraphicData(QByteArray::fromHex("FF4142"), untouched, className));
    QVERIFY(untouched.IsEmpty());
}

void tst_Serializer::password_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("right") << "s3cret,!" << true << true;
    QTest::newRow("wrong") << "secret" << true << false;
    QTest::newRow("cancelled") << "s3cret,!" << false << false;
}

void tst_Serializer::password()
{
    QFETCH(QString, answer);
    QFETCH(bool, confirm);
    QFETCH(bool, accepted);
    Host original;
    BuildMinimal(original);
    original.report->ReportOptions()->SetPassword(QStringLiteral("s3cret,!"));
    const QByteArray file = Save(*original.report);

    ScriptedUi ui;
    Host host;
    PasswordAnswer query(answer, confirm);
    Load(*host.report, file);
    QCOMPARE(query.asked, 1);
    if (accepted) {
        QVERIFY(host.report->Errors().isEmpty());
        QVERIFY(ui.Shown.isEmpty());
        QCOMPARE(host.report->ReportOptions()->Password(), QStringLiteral("s3cret,!"));
        QVERIFY(host.report->FindObject(QStringLiteral("Memo1")));
        // Remembered: loading it again does not ask.
        Load(*host.report, file);
        QCOMPARE(query.asked, 1);
        QVERIFY(host.report->FindObject(QStringLiteral("Memo1")));
    } else {
        QCOMPARE(host.report->Errors(), QStringList{"Invalid password"});
        QCOMPARE(ui.Shown.size(), 1);
        QCOMPARE(ui.Shown[0].Text,
                 QStringLiteral("The following error(s) have occured:\r\nInvalid password\r\n"));
        // The layout is dropped.
        QCOMPARE(host.report->PagesCount(), 0);
        QVERIFY(host.report->ReportOptions()->Password().isEmpty());
    }
}

void tst_Serializer::errorReport_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("message box") << int(frx::simMessageBoxes);
    QTest::newRow("silent") << int(frx::simSilent);
    QTest::newRow("re-throw") << int(frx::simReThrow);
}

void tst_Serializer::errorReport()
{
    QFETCH(int, mode);
    const QByteArray file = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
                            "<TfrxReport EngineOptions.NewSilentMode=\"simSilent\">\r\n"
                            "  <TfrxReportPage Name=\"Page1\" PaperSize=\"A4\">\r\n"
                            "    <TfrxGaugeView Name=\"Gauge1\"/>\r\n"
                            "    <TfrxMemoView Name=\"Memo1\" Left=\"ten\"/>\r\n"
                            "    <TfrxMemoView Name=\"memo1\" Top=\"5\"/>\r\n"
                            "  </TfrxReportPage>\r\n"
                            "</TfrxReport>\r\n";
    const QString text = QStringLiteral("The following error(s) have occured:\r\n"
                                        "Cannot find class TfrxGaugeView\r\n"
                                        "Memo1.Left: 'ten' is not a valid floating point value\r\n"
                                        "Page1.PaperSize: 'A4' is not a valid integer value\r\n"
                                        "TfrxMemoView.Name: Duplicate name \"memo1\"\r\n");
    ScriptedUi ui;
    Host host;
    // The host's choice counts, not the file's.
    host.report->EngineOptions()->SetNewSilentMode(frx::TfrxSilentMode(mode));
    bool thrown = false;
    try {
        Load(*host.report, file);
    } catch (const EReportError &e) {
        thrown = true;
        QCOMPARE(e.Message(), text);
    }
    QCOMPARE(thrown, mode == frx::simReThrow);
    QCOMPARE(ui.Shown.size(), mode == frx::simMessageBoxes ? 1 : 0);
    if (mode == frx::simMessageBoxes) {
        QCOMPARE(ui.Shown[0].Text, text);
        QCOMPARE(ui.Shown[0].Caption, QStringLiteral("Error"));
        QCOMPARE(ui.Shown[0].Icon, UiIcon::Error);
    }
    // Whatever was shown, the rest of the layout is there: the unknown object is kept in its
    // place, the second "memo1" is an object of its own without a name.
    auto *page = qobject_cast<TfrxReportPage *>(host.report->FindObject(QStringLiteral("Page1")));
    QVERIFY(page);
    QCOMPARE(page->Objects().size(), 3);
    QCOMPARE(frxUnknownClassName(page->Objects()[0]), QStringLiteral("TfrxGaugeView"));
    QCOMPARE(page->Objects()[1]->Name(), QStringLiteral("Memo1"));
    QCOMPARE(page->Objects()[2]->Name(), QString());
    QCOMPARE(page->Objects()[2]->Top(), 5.0);
    QCOMPARE(host.report->Pages(0)->Name(), QStringLiteral("Data"));
}

void tst_Serializer::badInput_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QString>("pages"); // page names after the load
    const QByteArray header = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n";
    const QByteArray page = "<TfrxReportPage Name=\"Page1\">";
    const QString invalid = QStringLiteral("Invalid file format");

    QTest::newRow("empty file") << QByteArray() << QStringList{invalid} << "Data";
    QTest::newRow("header only") << header << QStringList{invalid} << "Data";
    QTest::newRow("no header") << QByteArray("<TfrxReport/>") << QStringList{invalid} << "Data";
    QTest::newRow("cut inside a tag")
        << header + "<TfrxReport>" + page + "<TfrxMemoView Name=\"Me" << QStringList{invalid} << "Data";
    QTest::newRow("cut between elements")
        << header + "<TfrxReport>" + page + "<TfrxMemoView Name=\"Memo1\"/>"
        << QStringList{"The file ends before the layout is complete"} << "Data,Page1";
    QTest::newRow("< inside a tag") << header + "<TfrxReport><TfrxReportPage Name=\"<\"/></TfrxReport>"
                                    << QStringList{invalid} << "Data";
    QTest::newRow("mismatched closing tag")
        << header + "<TfrxReport>" + page + "</TfrxReportPag></TfrxReport>" << QStringList{invalid} << "Data";
    QTest::newRow("closing tag in other case")
        << header + "<TfrxReport>" + page + "</tfrxreportpage></TFRXREPORT>" << QStringList() << "Data,Page1";
    QTest::newRow("unknown class with children")
        << header + "<TfrxReport><Foo><TfrxReportPage Name=\"Page2\"/></Foo>" + page +
               "</TfrxReportPage></TfrxReport>"
        << QStringList{"Cannot find class Foo"} << "Data,,Page1";
    QTest::newRow("unknown attributes and garbage")
        << header + "<TfrxReport Colour=\"red\" =\"x\" Left>" + page + "</TfrxReportPage></TfrxReport>"
        << QStringList() << "Data,Page1";
    QTest::newRow("bad numbers")
        << header + "<TfrxReport>" +
               "<TfrxReportPage Name=\"Page1\" PaperWidth=\"1e999\" Columns=\"99999999999\" "
               "Orientation=\"7\" Visible=\"maybe\"/></TfrxReport>"
        << QStringList{"Page1.Columns: '99999999999' is not a valid integer value",
                       "Page1.PaperWidth: '1e999' is not a valid floating point value"}
        << "Data,Page1";
    QTest::newRow("&# without ;") << header + "<TfrxReport>" + page +
                                         "<TfrxMemoView Name=\"Memo1\" Text=\"&#12\"/>"
                                         "</TfrxReportPage></TfrxReport>"
                                  << QStringList() << "Data,Page1";
    QTest::newRow("byte-order mark") << "\xEF\xBB\xBF" + header + "<TfrxReport>" + page +
                                            "</TfrxReportPage></TfrxReport>"
                                     << QStringList() << "Data,Page1";
    QTest::newRow("old header") << "<?xml version=\"1.0\"?><TfrxReport>" + page +
                                       "</TfrxReportPage></TfrxReport>"
                                << QStringList() << "Data,Page1";
    QTest::newRow("nested report") << header + "<TfrxReport>" + page +
                                          "<TfrxReport/></TfrxReportPage></TfrxReport>"
                                   << QStringList{"A report inside Page1 was skipped"} << "Data,Page1";
    QTest::newRow("inherited without ancestor")
        << header +
               "<TfrxReport><inherited Name=\"Page1\"><TfrxMemoView Name=\"Memo1\"/></inherited></TfrxReport>"
        << QStringList() << "Data,Page1"; // kept as it stands, for the save

    QByteArray deep = header + "<TfrxReport>" + page;
    for (int i = 0; i < 10000; ++i)
        deep += "<TfrxMemoView>";
    QTest::newRow("10,000 levels") << deep
                                   << QStringList{"Objects nested deeper than 100 levels were skipped",
                                                  "The file ends before the layout is complete"}
                                   << "Data,Page1";
    QByteArray huge = header + "<TfrxReport>" + page + "<TfrxMemoView Name=\"Memo1\" Text=\"";
    huge += QByteArray(50 * 1024 * 1024, 'a');
    huge += "\" Hint=\"after\"/></TfrxReportPage></TfrxReport>";
    QTest::newRow("50 MB attribute") << huge << QStringList() << "Data,Page1";
}

void tst_Serializer::badInput()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, errors);
    QFETCH(QString, pages);
    Host host;
    host.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*host.report, file);
    QCOMPARE(host.report->Errors(), errors);
    QCOMPARE(Probe(*host.report, QStringLiteral("Report.PageNames")), pages);
    for (TfrxComponent *c : host.report->AllObjects())
        QVERIFY(!c->IsLoading());
    if (QByteArray(QTest::currentDataTag()) == "50 MB attribute") {
        auto *memo = qobject_cast<TfrxMemoView *>(host.report->FindObject(QStringLiteral("Memo1")));
        QCOMPARE(memo->Memo().value(0).size(), 50 * 1024 * 1024);
        QCOMPARE(memo->Hint(), QStringLiteral("after"));
    }
    if (QByteArray(QTest::currentDataTag()) == "&# without ;") {
        auto *memo = qobject_cast<TfrxMemoView *>(host.report->FindObject(QStringLiteral("Memo1")));
        QCOMPARE(memo->Memo(), QStringList{"&#12"});
    }
}

void tst_Serializer::references()
{
    // A form of the program that the layout's objects may point at, and a frame on it.
    TComponent module;
    module.SetName(QStringLiteral("OrdersModule"));
    auto *shared = new TfrxUserDataSet(&module);
    shared->SetName(QStringLiteral("Shared"));
    shared->SetUserName(QStringLiteral("共享"));
    TComponent *frame = new TComponent(&module);
    frame->SetName(QStringLiteral("Frame1"));
    auto *framed = new TfrxUserDataSet(frame);
    framed->SetName(QStringLiteral("Framed"));
    frxRegisterGlobalComponent(&module);

    Host original;
    BuildMinimal(original);
    auto *page = qobject_cast<TfrxReportPage *>(original.report->FindObject(QStringLiteral("Page1")));
    auto *band = new TfrxMasterData(page);
    band->SetName(QStringLiteral("MasterData1"));
    band->SetDataSet(shared);
    auto *memo = new TfrxMemoView(band);
    memo->SetName(QStringLiteral("Memo2"));
    memo->SetDataSet(framed);
    const QByteArray file = Save(*original.report);
    QVERIFY(file.contains("DataSet=\"OrdersModule.Shared\""));
    QVERIFY(file.contains("DataSet=\"OrdersModule.Frame1.Framed\""));
    QVERIFY(file.contains("DataSet=\"frxUserDataSet1\""));

    Host host;
    host.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*host.report, file);
    QVERIFY(host.report->Errors().isEmpty());
    QCOMPARE(qobject_cast<TfrxDataBand *>(host.report->FindObject(QStringLiteral("MasterData1")))->DataSet(),
             shared);
    QCOMPARE(qobject_cast<TfrxMemoView *>(host.report->FindObject(QStringLiteral("Memo2")))->DataSet(),
             framed);

    // Without the form the references stay empty, without an error; the alias still tells which
    // dataset was meant.
    frxUnregisterGlobalComponent(&module);
    Host other;
    other.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    delete shared;
    Load(*other.report, file);
    QVERIFY(other.report->Errors().isEmpty());
    auto *band2 = qobject_cast<TfrxDataBand *>(other.report->FindObject(QStringLiteral("MasterData1")));
    QCOMPARE(band2->DataSet(), nullptr);
    QCOMPARE(band2->DataSetName(), QStringLiteral("共享"));

    // A reference to an object of the wrong class is refused with a message.
    Host wrong;
    wrong.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*wrong.report,
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><TfrxReport DataSet=\"Page1\">"
         "<TfrxReportPage Name=\"Page1\"/></TfrxReport>");
    QCOMPARE(wrong.report->Errors(), QStringList{"TfrxReport.DataSet: Invalid property value \"Page1\""});
    QCOMPARE(wrong.report->DataSet(), nullptr);
}

void tst_Serializer::files()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Host host;
    BuildMinimal(host);
    host.report->SetParentReport(QStringLiteral("C:\\Layouts\\base.fr3"));
    const QString path = dir.filePath(QStringLiteral("waybill.fr3"));
    frxSaveToFile(*host.report, path);
    // Not on that drive: the ancestor path stays as it is.
    QCOMPARE(host.report->ParentReport(), QStringLiteral("C:\\Layouts\\base.fr3"));
    // On the same drive it becomes relative to the file's folder.
    QCOMPARE(frxRelativeParentReport(QStringLiteral("C:\\Layouts\\base.fr3"),
                                     QStringLiteral("c:\\layouts\\sub\\x.fr3")),
             QStringLiteral("..\\base.fr3"));
    QCOMPARE(frxRelativeParentReport(QStringLiteral("C:\\Layouts\\Lib\\base.fr3"),
                                     QStringLiteral("C:/Layouts/x.fr3")),
             QStringLiteral("Lib\\base.fr3"));
    QCOMPARE(frxRelativeParentReport(QStringLiteral("D:\\base.fr3"), QStringLiteral("C:\\x.fr3")),
             QStringLiteral("D:\\base.fr3"));
    QCOMPARE(frxRelativeParentReport(QStringLiteral("base.fr3"), QStringLiteral("C:\\x.fr3")),
             QStringLiteral("base.fr3"));

    Host loaded;
    loaded.report->SetFileName(QStringLiteral("old.fr3"));
    QVERIFY(frxLoadFromFile(*loaded.report, path));
    QCOMPARE(loaded.report->FileName(), path);
    QCOMPARE(loaded.report->DataSet(), loaded.dataSet);

    // A missing file: False, the report reset without pages, no message.
    ScriptedUi ui;
    QVERIFY(!frxLoadFromFile(*loaded.report, dir.filePath(QStringLiteral("missing.fr3"))));
    QCOMPARE(loaded.report->PagesCount(), 0);
    QVERIFY(loaded.report->FileName().isEmpty());
    QVERIFY(ui.Shown.isEmpty());
    QVERIFY_THROWS_EXCEPTION(
        EFileError, frxLoadFromFile(*loaded.report, dir.filePath(QStringLiteral("missing.fr3")), true));

    QVERIFY_THROWS_EXCEPTION(EFileError,
                             frxSaveToFile(*host.report, dir.filePath(QStringLiteral("no/such/dir/x.fr3"))));

    // A device or a pipe is no layout file: reading one used to go on for ever, and saving replaced
    // the node with a file.
    const QString pipe = dir.filePath(QStringLiteral("pipe.fr3"));
    QVERIFY(mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    for (const QString &device : {QStringLiteral("/dev/zero"), pipe}) {
        try {
            frxLoadFromFile(*loaded.report, device);
            QFAIL("no error raised");
        } catch (const EFileError &e) {
            QVERIFY2(e.Message().endsWith(QStringLiteral("not a regular file")), qPrintable(e.Message()));
        }
    }
    try {
        frxSaveToFile(*host.report, pipe);
        QFAIL("no error raised");
    } catch (const EFileError &e) {
        QVERIFY2(e.Message().endsWith(QStringLiteral("not a regular file")), qPrintable(e.Message()));
    }
    QVERIFY(!QFileInfo(pipe).isFile());
}

void tst_Serializer::optionsKeptOrRestored()
{
    const QByteArray file = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>"
                            "<TfrxReport IniFile=\"\\Other\" ShowProgress=\"False\" StoreInDFM=\"False\" "
                            "OldStyleProgress=\"True\" EngineOptions.ConvertNulls=\"False\" "
                            "EngineOptions.DoublePass=\"True\" EngineOptions.IgnoreDevByZero=\"True\" "
                            "EngineOptions.MaxMemSize=\"99\" EngineOptions.NewSilentMode=\"simReThrow\" "
                            "PreviewOptions.OutlineVisible=\"True\" PreviewOptions.OutlineWidth=\"200\" "
                            "PreviewOptions.OutlineExpand=\"False\" PreviewOptions.PagesInCache=\"7\" "
                            "PreviewOptions.ThumbnailVisible=\"True\" PreviewOptions.Modal=\"False\" "
                            "PreviewOptions.Zoom=\"2\" PrintOptions.Copies=\"3\"/>";
    Host host;
    TfrxReport &r = *host.report;
    r.EngineOptions()->SetNewSilentMode(frx::simSilent);
    r.EngineOptions()->SetMaxMemSize(20);
    r.SetIniFile(QStringLiteral("\\Mine"));
    Load(r, file);
    QVERIFY(r.Errors().isEmpty());
    // From the file.
    QCOMPARE(r.EngineOptions()->ConvertNulls(), false);
    QCOMPARE(r.EngineOptions()->DoublePass(), true);
    QCOMPARE(r.EngineOptions()->IgnoreDevByZero(), true);
    QCOMPARE(r.PreviewOptions()->OutlineVisible(), true);
    QCOMPARE(r.PreviewOptions()->OutlineWidth(), 200);
    QCOMPARE(r.PreviewOptions()->OutlineExpand(), false);
    QCOMPARE(r.PreviewOptions()->PagesInCache(), 7);
    QCOMPARE(r.PreviewOptions()->ThumbnailVisible(), true);
    QCOMPARE(r.PrintOptions()->Copies(), 3);
    // The host's.
    QCOMPARE(r.EngineOptions()->MaxMemSize(), 20);
    QCOMPARE(r.EngineOptions()->NewSilentMode(), frx::simSilent);
    QCOMPARE(r.PreviewOptions()->Modal(), true);
    QCOMPARE(r.PreviewOptions()->Zoom(), 1.0);
    QCOMPARE(r.IniFile(), QStringLiteral("\\Mine"));
    QCOMPARE(r.ShowProgress(), true);
    QCOMPARE(r.StoreInDFM(), true);
    QCOMPARE(r.OldStyleProgress(), false);
}

void tst_Serializer::singleComponents()
{
    Host host;
    BuildRich(host);
    TfrxReport *report = host.report;
    auto *memo = qobject_cast<TfrxMemoView *>(report->FindObject(QStringLiteral("Memo2")));
    const QString text = frxComponentToText(*memo);
    QVERIFY(text.startsWith(QLatin1String("TfrxMemoView Left=\"-3.5\"")));
    QVERIFY(!text.contains(QLatin1String(" Name=\"Memo2\"")));
    QVERIFY(text.contains(QLatin1String(" FlowTo=\"Memo3\"")));
    QVERIFY(text.endsWith(QLatin1String("&#13;&#10;\"")));

    // A copy (the clipboard's way): same properties, references resolved in the same report.
    auto *page = qobject_cast<TfrxReportPage *>(report->FindObject(QStringLiteral("Page1")));
    QBuffer tag;
    tag.open(QIODevice::WriteOnly);
    frxWriteComponentTag(*memo, &tag);
    QVERIFY(tag.data().startsWith("<TfrxMemoView ") && tag.data().endsWith("/>"));
    QStringList errors;
    TfrxComponent *copy = frxComponentFromText(QString::fromUtf8(tag.data()), page, &errors);
    QVERIFY(errors.isEmpty());
    QVERIFY(qobject_cast<TfrxMemoView *>(copy));
    QCOMPARE(copy->Parent(), page);
    QCOMPARE(frxComponentToText(*copy), text);
    QCOMPARE(qobject_cast<TfrxMemoView *>(copy)->FlowTo(), report->FindObject(QStringLiteral("Memo3")));
    QVERIFY(!copy->IsLoading());
    QCOMPARE(frxComponentFromText(QStringLiteral("TfrxNoSuchView Left=\"1\""), page, &errors), nullptr);
    QCOMPARE(errors, QStringList{"Cannot find class TfrxNoSuchView"});

    // Attributes onto an existing object, a nested option group, a collection item.
    QVERIFY(frxApplyAttributes(TfrxPropTarget(copy), QStringLiteral("Left=\"7\" Font.Style=\"1\" Top=\"x\""),
                               report) == QStringList{"TfrxMemoView.Top: 'x' is not a valid floating point value"});
    QCOMPARE(copy->Left(), 7.0);
    QCOMPARE(copy->Font()->Style(), frx::TFontStyles(frx::fsBold));
    // The compact names of prepared pages.
    QVERIFY(frxApplyAttributes(TfrxPropTarget(copy),
                               QStringLiteral("l=\"1\" t=\"2,5\" w=\"3\" h=\"4\" x=\"a&#13;&#10;b\""))
                .isEmpty());
    QCOMPARE(copy->Left() + copy->Top() + copy->Width() + copy->Height(), 10.5);
    QCOMPARE(qobject_cast<TfrxMemoView *>(copy)->Memo(), (QStringList{"a", "b"}));
    frxApplyAttributes(TfrxPropTarget(report->PrintOptions()), QStringLiteral("Copies=\"$0A\""));
    QCOMPARE(report->PrintOptions()->Copies(), 10);

    // A component as a document of its own: loading clears its children first.
    auto *title = qobject_cast<TfrxReportTitle *>(report->FindObject(QStringLiteral("ReportTitle1")));
    QBuffer stream;
    stream.open(QIODevice::WriteOnly);
    frxSaveToStream(*static_cast<TfrxComponent *>(title), &stream);
    QVERIFY(stream.data().contains("<TfrxReportTitle Height="));
    QVERIFY(stream.data().contains("<TfrxMemoView Name=\"Memo2\""));
    delete memo;
    delete copy;
    title->SetHeight(1);
    QBuffer in;
    in.setData(stream.data());
    in.open(QIODevice::ReadOnly);
    QVERIFY(frxLoadFromStream(*static_cast<TfrxComponent *>(title), &in).isEmpty());
    QCOMPARE(title->Height(), 22.67718);
    QCOMPARE(title->Objects().size(), 1);
    QCOMPARE(title->Objects()[0]->Name(), QStringLiteral("Memo2"));
    QCOMPARE(qobject_cast<TfrxMemoView *>(title->Objects()[0])->FlowTo(),
             report->FindObject(QStringLiteral("Memo3")));
}

void tst_Serializer::emptyTextsSurvive()
{
    // Texts a new object starts with (the printer "Default", the script language, the memo's
    // expression delimiters) are written even when emptied; left out, they would come back.
    Host host;
    BuildMinimal(host);
    host.report->PrintOptions()->SetPrinter(QString());
    host.report->SetScriptLanguage(QString());
    auto *memo = qobject_cast<TfrxMemoView *>(host.report->FindObject(QStringLiteral("Memo1")));
    memo->SetExpressionDelimiters(QString());
    const QByteArray file = Save(*host.report);
    QVERIFY(file.contains(" PrintOptions.Printer=\"\" "));
    QVERIFY(file.contains(" ScriptLanguage=\"\" "));
    QVERIFY(file.contains(" ExpressionDelimiters=\"\" "));
    Host copy;
    copy.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*copy.report, file);
    QCOMPARE(copy.report->PrintOptions()->Printer(), QString());
    QCOMPARE(copy.report->ScriptLanguage(), QString());
    copy.report->EngineOptions()->SetNewSilentMode(frx::simMessageBoxes);
    QCOMPARE(Save(*copy.report), file);
}

void tst_Serializer::keptElementsReadBackAsWritten_data()
{
    // Elements of unknown classes from damaged files: what is kept is written so that the next
    // reading gives the same element; what cannot be is left out and named.
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("skipped"); // the name in the error, or null when nothing is skipped
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n<TfrxReport>"
                            "<TfrxReportPage Name=\"Page1\">";
    const QByteArray tail = "</TfrxReportPage></TfrxReport>";
    QFile find(QStringLiteral(WAYBILL_SOURCE_DIR "/tests/fuzz/corpus/layout/roundtrip-1.fr3"));
    QVERIFY(find.open(QIODevice::ReadOnly));
    QTest::newRow("fuzz find: a tag broken after its <") << find.readAll() << QString();
    QTest::newRow("blanks after the name") << head + "<\r\n    TfrxMemoView Name=\"Memo2\"/>" + tail << QString();
    QTest::newRow("blanks before > with children")
        << head + "<TfrxChartView Name=\"Chart1\"   ><TfrxSeries  /></TfrxChartView>" + tail << QString();
    QTest::newRow("name ending in /") << head + "<TfrxGauge// Left=\"1\">" + tail << "TfrxGauge/";
    QTest::newRow("two unloadable marks")
        << head + "<TfrxChartView ld=\"0\" ld=\"0\"><TfrxSeries/></TfrxChartView>" + tail << "TfrxChartView";
}

void tst_Serializer::keptElementsReadBackAsWritten()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, skipped);
    Host first;
    first.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*first.report, file);
    const QString skipError =
        QStringLiteral("A damaged element \"%1\" was skipped: it could not be written back as it was read").arg(skipped);
    QCOMPARE(first.report->Errors().contains(skipError), !skipped.isNull());
    const QByteArray written = Save(*first.report);
    Host second;
    second.report->EngineOptions()->SetNewSilentMode(frx::simSilent);
    Load(*second.report, written);
    QCOMPARE(QString::fromUtf8(Save(*second.report)), QString::fromUtf8(written));
    for (const QString &error : second.report->Errors())
        QVERIFY2(first.report->Errors().contains(error), qPrintable(error));
}

QTEST_MAIN(tst_Serializer)
#include "tst_serializer.moc"

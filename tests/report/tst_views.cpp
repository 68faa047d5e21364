// Views, frames and bands: the behaviour their setters carry and the stored rules a file relies on.

#include "report/model/frxClass.h"

#include <QBuffer>
#include <QImage>
#include <QtTest>

namespace {
bool Stored(const TfrxPropTarget &target, const char *path)
{
    TfrxPropTarget holder = target;
    const TfrxPropInfo *prop = nullptr;
    if (!frxResolvePropPath(holder, QString::fromLatin1(path), prop))
        qFatal("no property %s", path);
    return prop->IsStored(holder) && !prop->IsDefaultValue(holder);
}

QByteArray Encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}
} // namespace

class TestViews : public QObject {
    Q_OBJECT
private slots:
    void frameReachesItsLines();
    void frameStoresOnlyWhatDiffers();
    void textObjectStoredRules();
    void transparentSetsTheColour();
    void pictures_data();
    void pictures();
    void autoSizeTakesThePictureSize();
    void rotationKeepsTheRemainder_data();
    void rotationKeepsTheRemainder();
    void memoTextSplitting_data();
    void memoTextSplitting();
    void styleCopiesColourFontAndFrame();
    void textInsets_data();
    void textInsets();
    void childChainsMayNotLoop();
    void dotMatrixPageSnapsBands();
    void bandKindsAndNames_data();
    void bandKindsAndNames();
    void designerCreationCodes();
    void dataSetBinding();
};

void TestViews::frameReachesItsLines()
{
    TfrxMemoView memo;
    TfrxFrame *frame = memo.Frame();
    frame->SetWidth(2);
    frame->SetColor(clRed);
    frame->SetStyle(frx::fsDash);
    for (const TfrxFrameLine *line :
         {frame->LeftLine(), frame->TopLine(), frame->RightLine(), frame->BottomLine()}) {
        QCOMPARE(line->Width(), 2.0);
        QCOMPARE(line->Color(), clRed);
        QCOMPARE(line->Style(), frx::fsDash);
    }
    frame->LeftLine()->SetWidth(3);
    QCOMPARE(frame->TopLine()->Width(), 2.0);
    frame->SetWidth(1); // the frame's value overrides every line again
    QCOMPARE(frame->LeftLine()->Width(), 1.0);
}

void TestViews::frameStoresOnlyWhatDiffers()
{
    TfrxMemoView memo;
    TfrxPropTarget target(&memo);
    for (const char *path : {"Frame.Typ", "Frame.Width", "Frame.ShadowWidth", "Frame.Color", "Frame.Style",
                             "Frame.LeftLine.Width", "Frame.LeftLine.Color", "Frame.LeftLine.Style"})
        QVERIFY2(!Stored(target, path), path);

    memo.Frame()->SetWidth(2);
    memo.Frame()->LeftLine()->SetWidth(3);
    memo.Frame()->SetTyp(frx::ftLeft | frx::ftTop);
    QVERIFY(Stored(target, "Frame.Width"));
    QVERIFY(Stored(target, "Frame.Typ"));
    QVERIFY(Stored(target, "Frame.LeftLine.Width"));
    QVERIFY(!Stored(target, "Frame.TopLine.Width"));
    QVERIFY(!Stored(target, "Frame.RightLine.Width"));
    QCOMPARE(frxGetPropValue(target, u"Frame.Typ").toInt(), 5);

    // A line set back to black under a red frame is a difference and must be written.
    memo.Frame()->SetColor(clRed);
    memo.Frame()->BottomLine()->SetColor(clBlack);
    QVERIFY(Stored(target, "Frame.BottomLine.Color"));
}

void TestViews::textObjectStoredRules()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    auto *memo = new TfrxMemoView(page);
    TfrxPropTarget target(memo);
    for (const char *path : {"Font", "Highlight", "GapX", "GapY", "LineSpacing", "CharSpacing",
                             "ParagraphGap", "ExpressionDelimiters", "Memo", "ParentFont"})
        QVERIFY2(!Stored(target, path), path);
    QVERIFY(Stored(target, "ShowHint")); // no declared default: always written

    memo->Font()->SetSize(12);
    memo->Highlight()->SetCondition(QStringLiteral("  "));
    QVERIFY(Stored(target, "Font"));
    QVERIFY(Stored(target, "ParentFont"));
    QVERIFY(!Stored(target, "Highlight")); // a blank condition is no condition
    memo->Highlight()->SetCondition(QStringLiteral("Value > 0"));
    QVERIFY(Stored(target, "Highlight"));
    memo->SetGapX(3);
    memo->SetExpressionDelimiters(QStringLiteral("<,>"));
    QVERIFY(Stored(target, "GapX"));
    QVERIFY(Stored(target, "ExpressionDelimiters"));
}

void TestViews::transparentSetsTheColour()
{
    TfrxPictureView picture;
    QCOMPARE(picture.Color(), clWhite);
    QCOMPARE(picture.TransparentColor(), clWhite);
    picture.SetTransparent(true);
    QCOMPARE(picture.Color(), TColor(536870911));
    picture.SetTransparent(false);
    QCOMPARE(picture.Color(), TColor(16777215));
}

void TestViews::pictures_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QString>("className");
    QTest::newRow("png") << QByteArray("PNG") << "TPngImage";
    QTest::newRow("bmp") << QByteArray("BMP") << "TBitmap";
    QTest::newRow("jpeg") << QByteArray("JPEG") << "TJPEGImage";
}

void TestViews::pictures()
{
    QFETCH(QByteArray, format);
    QFETCH(QString, className);
    QImage image(12, 7, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes = Encoded(image, format.constData());
    QVERIFY(!bytes.isEmpty());

    TPicture picture;
    QVERIFY(picture.LoadFromData(bytes));
    QCOMPARE(picture.GraphicClassName(), className);
    QCOMPARE(picture.Data(), bytes); // kept byte for byte
    QCOMPARE(picture.Width(), 12);
    QCOMPARE(picture.Height(), 7);

    // The class named must be the class the bytes are; broken bytes change nothing.
    TPicture other;
    QVERIFY(!other.LoadFromGraphic(className == QLatin1String("TBitmap") ? QStringLiteral("TPngImage")
                                                                         : QStringLiteral("TBitmap"),
                                   bytes));
    QVERIFY(!picture.LoadFromData(bytes.left(4)));
    QVERIFY(!picture.LoadFromData(QByteArray("GIF89a")));
    QCOMPARE(picture.Data(), bytes);
    QCOMPARE(picture.Width(), 12);
}

void TestViews::autoSizeTakesThePictureSize()
{
    TfrxPictureView view;
    view.SetBounds(0, 0, 10, 10);
    view.SetAutoSize(true); // nothing loaded: only the flag
    QVERIFY(view.AutoSize());
    QCOMPARE(view.Width(), 10.0);

    view.SetAutoSize(false);
    TPicture picture;
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    picture.SetImage(image);
    view.SetPicture(picture);
    QVERIFY(view.IsPictureChanged());
    QCOMPARE(view.Width(), 10.0);
    view.SetAutoSize(true);
    QCOMPARE(view.Width(), 120.0);
    QCOMPARE(view.Height(), 80.0);

    TfrxReportPage page;
    QVERIFY(page.BackPicture().IsEmpty());
    QVERIFY(!page.BackPictureView()->KeepAspectRatio());
    page.SetBackPicture(picture);
    QCOMPARE(page.BackPictureView()->PictureRef().Width(), 120);
}

void TestViews::rotationKeepsTheRemainder_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");
    QTest::newRow("450") << 450 << 90;
    QTest::newRow("-90") << -90 << -90;
    QTest::newRow("-450") << -450 << -90;
    QTest::newRow("360") << 360 << 0;
    QTest::newRow("45") << 45 << 45;
}

void TestViews::rotationKeepsTheRemainder()
{
    QFETCH(int, value);
    TfrxMemoView memo;
    memo.SetRotation(value);
    QTEST(memo.Rotation(), "stored");
}

void TestViews::memoTextSplitting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("one line") << "abc" << QStringList{"abc"};
    QTest::newRow("crlf") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("lone cr") << "a\rb" << QStringList{"a", "b"};
    QTest::newRow("lone lf") << "a\nb" << QStringList{"a", "b"};
    QTest::newRow("u2028") << QString("a") + QChar(0x2028) + "b" << QStringList{"a", "b"};
    QTest::newRow("final break adds nothing") << "a\r\n" << QStringList{"a"};
    QTest::newRow("empty line kept") << "a\r\n\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("lf cr is two breaks") << "a\n\rb" << QStringList{"a", "", "b"};
    QTest::newRow("only a break") << "\r\n" << QStringList{""};
}

void TestViews::memoTextSplitting()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    TfrxMemoView memo;
    memo.SetText(text);
    QCOMPARE(memo.Memo(), lines);
    QString joined;
    for (const QString &line : lines)
        joined += line + QStringLiteral("\r\n");
    QCOMPARE(memo.Text(), joined);
}

void TestViews::styleCopiesColourFontAndFrame()
{
    TfrxReport report;
    TfrxStyleItem *style = report.Styles()->Add();
    style->SetName(QStringLiteral("Heading"));
    style->SetColor(0x00FFFF);
    style->Font()->SetSize(16);
    style->Frame()->SetTyp(frx::ftBottom);
    QVERIFY_THROWS_EXCEPTION(EDuplicateName, report.Styles()->Add()->SetName(QStringLiteral("HEADING")));

    auto *page = new TfrxReportPage(&report);
    auto *memo = new TfrxMemoView(page);
    memo->SetStyle(QStringLiteral("heading"));
    QCOMPARE(memo->Style(), QStringLiteral("heading"));
    QCOMPARE(memo->Color(), TColor(0x00FFFF));
    QCOMPARE(memo->Font()->Size(), 16);
    QVERIFY(!memo->ParentFont());
    QCOMPARE(memo->Frame()->Typ(), frx::TfrxFrameTypes(frx::ftBottom));

    auto *plain = new TfrxMemoView(page);
    plain->SetStyle(QStringLiteral("Missing"));
    QCOMPARE(plain->Style(), QStringLiteral("Missing"));
    QCOMPARE(plain->Color(), clNone);
    QVERIFY(plain->ParentFont());
}

void TestViews::textInsets_data()
{
    QTest::addColumn<int>("typ");
    QTest::addColumn<double>("width");
    QTest::addColumn<bool>("shadow");
    QTest::addColumn<double>("horizontal");
    QTest::addColumn<double>("vertical");
    QTest::newRow("no lines") << 0 << 1.0 << false << 4.0 << 2.0;
    QTest::newRow("all lines width 1") << 15 << 1.0 << false << 4.5 << 2.5;
    QTest::newRow("all lines width 3") << 15 << 3.0 << false << 6.5 << 4.5;
    QTest::newRow("left only") << 1 << 3.0 << false << 5.0 << 2.0;
    QTest::newRow("shadow") << 0 << 1.0 << true << 8.0 << 6.0;
}

void TestViews::textInsets()
{
    QFETCH(int, typ);
    QFETCH(double, width);
    QFETCH(bool, shadow);
    TfrxMemoView memo;
    memo.Frame()->SetTyp(frx::TfrxFrameTypes(typ));
    memo.Frame()->SetWidth(width);
    memo.Frame()->SetDropShadow(shadow);
    TfrxTextInsets insets = memo.TextInsets();
    QTEST(insets.Horizontal(), "horizontal");
    QTEST(insets.Vertical(), "vertical");
}

void TestViews::childChainsMayNotLoop()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    auto *a = new TfrxChild(page);
    auto *b = new TfrxChild(page);
    auto *c = new TfrxChild(page);
    auto *master = new TfrxMasterData(page);

    try {
        a->SetChild(a);
        QFAIL("a band became its own child");
    } catch (const EReportError &e) {
        QCOMPARE(e.Message(), QStringLiteral("Circular child reference is not allowed"));
    }
    a->SetChild(b);
    b->SetChild(c);
    QVERIFY_THROWS_EXCEPTION(EReportError, c->SetChild(a));
    QCOMPARE(c->Child(), nullptr);
    master->SetChild(a);
    QCOMPARE(master->Child(), a);

    // A freed child leaves no dangling reference.
    delete b;
    QCOMPARE(a->Child(), nullptr);
}

void TestViews::dotMatrixPageSnapsBands()
{
    TfrxReport report;
    auto *dmp = new TfrxDMPPage(&report);
    auto *band = new TfrxMasterData(dmp);
    band->SetLeft(14.4); // 1.5 cells: halves go to the even cell
    band->SetTop(25.5);  // 1.5 lines
    band->SetHeight(40);
    QCOMPARE(band->Left(), 19.2);
    QCOMPARE(band->Top(), 34.0);
    QCOMPARE(band->Height(), 34.0);

    auto *page = new TfrxReportPage(&report);
    auto *plain = new TfrxMasterData(page);
    plain->SetLeft(14.4);
    QCOMPARE(plain->Left(), 14.4);
}

void TestViews::bandKindsAndNames_data()
{
    QTest::addColumn<QString>("cls");
    QTest::addColumn<int>("number");
    QTest::addColumn<TfrxBandKind>("kind");
    QTest::addColumn<QString>("name");
    QTest::newRow("title") << "TfrxReportTitle" << 0 << TfrxBandKind::ReportTitle << "ReportTitle";
    QTest::newRow("page footer") << "TfrxPageFooter" << 3 << TfrxBandKind::PageFooter << "PageFooter";
    QTest::newRow("master") << "TfrxMasterData" << 6 << TfrxBandKind::MasterData << "MasterData";
    QTest::newRow("data 4") << "TfrxDataBand4" << 9 << TfrxBandKind::Data4 << "Data4";
    QTest::newRow("group footer") << "TfrxGroupFooter" << 13 << TfrxBandKind::GroupFooter << "GroupFooter";
    QTest::newRow("child") << "TfrxChild" << 14 << TfrxBandKind::Child << "Child";
    QTest::newRow("overlay") << "TfrxOverlay" << 17 << TfrxBandKind::Overlay << "Overlay";
    // Outside the table: told apart from a report title by the kind.
    QTest::newRow("plain data band") << "TfrxDataBand" << 0 << TfrxBandKind::Unknown << "Data";
    QTest::newRow("null band") << "TfrxNullBand" << 0 << TfrxBandKind::Unknown << "Null";
}

void TestViews::bandKindsAndNames()
{
    QFETCH(QString, cls);
    std::unique_ptr<TfrxComponent> c(frxCreateComponent(cls, nullptr));
    auto *band = qobject_cast<TfrxBand *>(c.get());
    QVERIFY(band);
    QTEST(band->BandNumber(), "number");
    QTEST(band->BandKind(), "kind");
    QTEST(band->BandName(), "name");
}

void TestViews::designerCreationCodes()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    struct Case {
        int code;
        bool diagonal, end, start;
    };
    for (Case c : {Case{0, false, false, false}, Case{1, true, false, false}, Case{2, true, true, false},
                   Case{3, true, false, true}, Case{4, true, true, true}}) {
        auto *line = qobject_cast<TfrxLineView *>(
            frxDesignCreateComponent(QStringLiteral("TfrxLineView"), page, c.code));
        QVERIFY(line->IsDesigning());
        QCOMPARE(line->Diagonal(), c.diagonal);
        QCOMPARE(line->ArrowEnd(), c.end);
        QCOMPARE(line->ArrowStart(), c.start);
    }
    auto *shape =
        qobject_cast<TfrxShapeView *>(frxDesignCreateComponent(QStringLiteral("TfrxShapeView"), page, 2));
    QCOMPARE(shape->Shape(), frx::skEllipse);
}

void TestViews::dataSetBinding()
{
    TComponent form;
    auto *fd = new TfrxUserDataSet(&form);
    fd->SetName(QStringLiteral("frxUserDataSet1"));
    fd->SetUserName(QStringLiteral("FD"));
    TfrxReport report(&form);
    auto *page = new TfrxReportPage(&report);
    auto *memo = new TfrxMemoView(page);

    memo->SetDataSetName(QStringLiteral("fd"));
    QCOMPARE(memo->DataSet(), fd);
    QCOMPARE(memo->DataSetName(), QStringLiteral("FD"));
    QVERIFY(!memo->IsDataField());
    memo->SetDataField(QStringLiteral("收件人"));
    QVERIFY(memo->IsDataField());

    memo->SetDataSetName(QStringLiteral("Nobody")); // unknown: the binding stays, the name changes
    QCOMPARE(memo->DataSet(), fd);
    memo->SetDataSet(nullptr);
    QVERIFY(memo->DataSetName().isEmpty());
    memo->SetDataSet(fd);
    QCOMPARE(memo->DataSetName(), QStringLiteral("FD"));

    page->SetDataSetName(QStringLiteral("FD"));
    report.SetDataSet(fd);
    delete fd; // bindings go, names stay
    QCOMPARE(memo->DataSet(), nullptr);
    QCOMPARE(memo->DataSetName(), QStringLiteral("FD"));
    QCOMPARE(page->DataSet(), nullptr);
    QCOMPARE(report.DataSet(), nullptr);
    QCOMPARE(report.DataSetName(), QStringLiteral("FD"));
}

QTEST_MAIN(TestViews)
#include "tst_views.moc"

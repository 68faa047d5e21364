// The component tree: ownership, names, lookup, geometry, font inheritance, clearing, alignment
// and copying.

#include "report/model/frxClass.h"

#include <QPointer>
#include <QtTest>

class TestComponent : public QObject {
    Q_OBJECT
private slots:
    void uniqueNames_data();
    void uniqueNames();
    void renaming();
    void lookupIsDepthFirstAndIgnoresCase();
    void ownershipFollowsTheReport();
    void fontInheritance();
    void absolutePosition();
    void designRestrictions_data();
    void designRestrictions();
    void clearKeepsAncestorObjects();
    void alignChildren_data();
    void alignChildren();
    void pageAlignsBandsToPrintableWidth();
    void assignCopiesPropertiesNotChildren();
};

void TestComponent::uniqueNames_data()
{
    QTest::addColumn<QString>("cls");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first") << "TfrxMemoView" << QStringList() << "Memo1";
    QTest::newRow("gap") << "TfrxMemoView" << QStringList{"Memo1", "Memo3"} << "Memo2";
    QTest::newRow("case ignored") << "TfrxMemoView" << QStringList{"Memo1", "memo2", "MEMO3"} << "Memo4";
    QTest::newRow("leading zero is another name") << "TfrxMemoView" << QStringList{"Memo01"} << "Memo1";
    QTest::newRow("other stems") << "TfrxPictureView" << QStringList{"Memo1", "Picture1"} << "Picture2";
    QTest::newRow("line") << "TfrxLineView" << QStringList() << "Line1";
    QTest::newRow("shape") << "TfrxShapeView" << QStringList() << "Shape1";
    QTest::newRow("band") << "TfrxMasterData" << QStringList() << "MasterData1";
    QTest::newRow("page stem") << "TfrxReportPage" << QStringList{"Page1"} << "Page2";
}

void TestComponent::uniqueNames()
{
    QFETCH(QString, cls);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Sheet"));
    for (const QString &name : existing)
        (new TfrxMemoView(page))->SetName(name);
    TfrxComponent *owner =
        cls == QLatin1String("TfrxReportPage") ? static_cast<TfrxComponent *>(&report) : page;
    TfrxComponent *c = frxCreateComponent(cls, owner);
    c->CreateUniqueName();
    QCOMPARE(c->Name(), expected);
}

void TestComponent::renaming()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    auto *a = new TfrxMemoView(page);
    auto *b = new TfrxMemoView(page);
    a->SetName(QStringLiteral("MEMO1"));
    b->SetName(QStringLiteral("Memo2"));

    try {
        b->SetName(QStringLiteral("Memo1"));
        QFAIL("a duplicate name was accepted");
    } catch (const EDuplicateName &e) {
        QCOMPARE(e.Message(), QStringLiteral("Duplicate name"));
    }
    QCOMPARE(b->Name(), QStringLiteral("Memo2"));

    b->SetName(QStringLiteral("MEMO2")); // a change of letter case alone is ignored
    QCOMPARE(b->Name(), QStringLiteral("Memo2"));

    QVERIFY_THROWS_EXCEPTION(EReportError, b->SetName(QStringLiteral("2Memo")));
    QVERIFY_THROWS_EXCEPTION(EReportError, b->SetName(QStringLiteral("Memo 2")));
    QCOMPARE(b->Name(), QStringLiteral("Memo2"));
    b->SetName(QStringLiteral("收件人_1")); // letters of any script are letters
    QCOMPARE(b->Name(), QStringLiteral("收件人_1"));

    b->SetIsAncestor(true);
    try {
        b->SetName(QStringLiteral("Other"));
        QFAIL("an ancestor object was renamed");
    } catch (const EReportError &e) {
        QCOMPARE(e.Message(),
                 QStringLiteral("Could not rename 收件人_1, it was introduced in the ancestor report"));
    }

    a->SetName(QString());
    QVERIFY(a->Name().isEmpty());
    b->SetIsAncestor(false);
    b->SetName(QStringLiteral("Memo1")); // free again
    QCOMPARE(b->Name(), QStringLiteral("Memo1"));
}

void TestComponent::lookupIsDepthFirstAndIgnoresCase()
{
    TfrxReport report;
    auto *page1 = new TfrxReportPage(&report);
    auto *band = new TfrxMasterData(page1);
    auto *inner = new TfrxMemoView(band);
    auto *page2 = new TfrxReportPage(&report);
    auto *outer = new TfrxMemoView(page2);
    for (TfrxComponent *c : {static_cast<TfrxComponent *>(page1), static_cast<TfrxComponent *>(band),
                             static_cast<TfrxComponent *>(inner), static_cast<TfrxComponent *>(page2),
                             static_cast<TfrxComponent *>(outer)})
        c->CreateUniqueName();

    QCOMPARE(report.AllObjects(), (QList<TfrxComponent *>{page1, band, inner, page2, outer}));
    QCOMPARE(band->AllObjects(), QList<TfrxComponent *>{inner});
    QCOMPARE(inner->Name(), QStringLiteral("Memo1"));
    QCOMPARE(outer->Name(), QStringLiteral("Memo2"));
    QCOMPARE(report.FindObject(QStringLiteral("memo2")), outer);
    QCOMPARE(report.FindObject(QStringLiteral("MASTERDATA1")), band);
    QCOMPARE(page2->FindObject(QStringLiteral("Memo1")), nullptr);
    QCOMPARE(inner->Page(), page1);
    QCOMPARE(inner->Report(), &report);
    QCOMPARE(report.Report(), &report);
}

void TestComponent::ownershipFollowsTheReport()
{
    TComponent form;
    auto *report = new TfrxReport(&form);
    auto *page = new TfrxReportPage(report);
    auto *band = new TfrxMasterData(page);
    QPointer<TfrxMemoView> memo = new TfrxMemoView(band);
    QCOMPARE(memo->Owner(), report);
    QCOMPARE(memo->Parent(), band);
    QCOMPARE(band->Objects(), QList<TfrxComponent *>{memo.data()});

    // Any other owner just owns: no parent.
    QPointer<TfrxMemoView> loose = new TfrxMemoView(&form);
    QCOMPARE(loose->Owner(), &form);
    QCOMPARE(loose->Parent(), nullptr);

    // Moving changes the parent, not the owner.
    memo->SetParent(page);
    QVERIFY(band->Objects().isEmpty());
    QCOMPARE(page->Objects().last(), memo.data());
    QCOMPARE(memo->Owner(), report);
    QVERIFY_THROWS_EXCEPTION(EPropertyError, page->SetParent(memo)); // no loops in the tree

    // Freeing detaches from the parent; freeing the report frees its tree.
    QPointer<TfrxMasterData> bandGuard = band;
    delete band;
    QCOMPARE(page->Objects(), QList<TfrxComponent *>{memo.data()});
    delete report;
    QVERIFY(memo.isNull());
    QVERIFY(bandGuard.isNull());
    QVERIFY(!loose.isNull());
    QCOMPARE(form.Components(), QList<TComponent *>{loose.data()});
}

void TestComponent::fontInheritance()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    auto *band = new TfrxMasterData(page);
    auto *memo = new TfrxMemoView(band);
    auto *own = new TfrxMemoView(band);
    QVERIFY(memo->ParentFont());
    QCOMPARE(memo->Font()->Name(), QStringLiteral("Arial"));
    QCOMPARE(memo->Font()->Size(), 10);
    QCOMPARE(memo->Font()->Height(), -13);

    own->Font()->SetColor(clRed); // a font change ends inheritance for that object
    QVERIFY(!own->ParentFont());

    page->Font()->SetName(QStringLiteral("SimSun"));
    QVERIFY(!page->ParentFont());
    QCOMPARE(band->Font()->Name(), QStringLiteral("SimSun"));
    QCOMPARE(memo->Font()->Name(), QStringLiteral("SimSun"));
    QVERIFY(band->ParentFont());
    QVERIFY(memo->ParentFont());
    QCOMPARE(own->Font()->Name(), QStringLiteral("Arial"));

    TFont bold;
    bold.SetStyle(frx::fsBold);
    memo->SetFont(&bold);
    QVERIFY(!memo->ParentFont());
    QCOMPARE(memo->Font()->Name(), QStringLiteral("Arial"));

    memo->SetParentFont(true);
    QVERIFY(memo->ParentFont());
    QCOMPARE(memo->Font()->Name(), QStringLiteral("SimSun"));
    QCOMPARE(memo->Font()->Style(), frx::TFontStyles());

    // A new parent's font is taken on moving.
    auto *other = new TfrxMasterData(page);
    other->Font()->SetSize(14);
    memo->SetParent(other);
    QCOMPARE(memo->Font()->Size(), 14);
}

void TestComponent::absolutePosition()
{
    TfrxReport report;
    report.SetLeft(1);
    auto *page = new TfrxReportPage(&report);
    page->SetLeft(2);
    auto *band = new TfrxMasterData(page);
    band->SetBounds(4, 8, 100, 20);
    auto *memo = new TfrxMemoView(band);
    memo->SetBounds(16, 32, 50, 10);
    QCOMPARE(memo->AbsLeft(), 23.0);
    QCOMPARE(memo->AbsTop(), 40.0);
    QCOMPARE(memo->Width(), 50.0);
    QCOMPARE(memo->Height(), 10.0);

    auto *dialog = new TfrxDialogPage(&report);
    dialog->SetLeft(100);
    auto *control = new TfrxMemoView(dialog);
    control->SetLeft(5);
    QCOMPARE(control->AbsLeft(), 5.0); // the chain stops at a dialog page
}

void TestComponent::designRestrictions_data()
{
    QTest::addColumn<bool>("designing");
    QTest::addColumn<int>("restrictions");
    QTest::addColumn<bool>("moves");
    QTest::addColumn<bool>("sizes");
    QTest::newRow("free") << true << 0 << true << true;
    QTest::newRow("dont move") << true << int(frx::rfDontMove) << false << true;
    QTest::newRow("dont size") << true << int(frx::rfDontSize) << true << false;
    QTest::newRow("both") << true << int(frx::rfDontMove | frx::rfDontSize) << false << false;
    QTest::newRow("not designing") << false << int(frx::rfDontMove | frx::rfDontSize) << true << true;
}

void TestComponent::designRestrictions()
{
    QFETCH(bool, designing);
    QFETCH(int, restrictions);
    QFETCH(bool, moves);
    QFETCH(bool, sizes);
    TfrxMemoView memo;
    memo.SetBounds(1, 2, 3, 4);
    memo.SetIsDesigning(designing);
    memo.SetRestrictions(frx::TfrxRestrictions(restrictions));
    memo.SetBounds(10, 20, 30, 40);
    QCOMPARE(memo.Left(), moves ? 10.0 : 1.0);
    QCOMPARE(memo.Top(), moves ? 20.0 : 2.0);
    QCOMPARE(memo.Width(), sizes ? 30.0 : 3.0);
    QCOMPARE(memo.Height(), sizes ? 40.0 : 4.0);
}

void TestComponent::clearKeepsAncestorObjects()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    QPointer<TfrxMemoView> a = new TfrxMemoView(page);
    QPointer<TfrxMemoView> b = new TfrxMemoView(page);
    QPointer<TfrxMemoView> c = new TfrxMemoView(page);
    page->ClearObjects();
    QVERIFY(page->Objects().isEmpty());
    QVERIFY(a.isNull() && b.isNull() && c.isNull());

    auto *inherited = new TfrxMasterData(page);
    inherited->SetIsAncestor(true);
    QPointer<TfrxMemoView> inside = new TfrxMemoView(inherited);
    QPointer<TfrxMemoView> after = new TfrxMemoView(page);
    page->ClearObjects();
    QCOMPARE(page->Objects(), QList<TfrxComponent *>{inherited});
    QVERIFY(inherited->Objects().isEmpty());
    QVERIFY(inside.isNull() && after.isNull());
}

void TestComponent::alignChildren_data()
{
    // Parent 500 x 100. Each view: left, top, width, height, align; expected left, top, width, height.
    QTest::addColumn<QList<QList<double>>>("views");
    QTest::addColumn<QList<QList<double>>>("expected");
    using L = QList<QList<double>>;
    const double none = frx::baNone, left = frx::baLeft, right = frx::baRight, center = frx::baCenter,
                 width = frx::baWidth, bottom = frx::baBottom, client = frx::baClient;
    QTest::newRow("left to neighbour")
        << L{{10, 0, 50, 20, none}, {200, 5, 30, 10, left}} << L{{10, 0, 50, 20}, {60, 5, 30, 10}};
    QTest::newRow("left without neighbour")
        << L{{10, 0, 50, 20, none}, {200, 30, 30, 10, left}} << L{{10, 0, 50, 20}, {0, 30, 30, 10}};
    QTest::newRow("touching rows do not overlap")
        << L{{10, 0, 50, 20, none}, {200, 20, 30, 10, left}} << L{{10, 0, 50, 20}, {0, 20, 30, 10}};
    QTest::newRow("right to parent") << L{{10, 0, 50, 20, right}} << L{{450, 0, 50, 20}};
    QTest::newRow("right to neighbour")
        << L{{10, 0, 50, 20, right}, {300, 0, 40, 20, none}} << L{{250, 0, 50, 20}, {300, 0, 40, 20}};
    QTest::newRow("width between") << L{{0, 0, 100, 20, none},
                                        {150, 0, 10, 20, width},
                                        {400, 0, 50, 20, none}}
                                   << L{{0, 0, 100, 20}, {100, 0, 300, 20}, {400, 0, 50, 20}};
    QTest::newRow("center") << L{{0, 0, 100, 20, center}} << L{{200, 0, 100, 20}};
    QTest::newRow("bottom") << L{{5, 0, 100, 20, bottom}} << L{{5, 80, 100, 20}};
    QTest::newRow("client") << L{{5, 6, 7, 8, client}} << L{{0, 0, 500, 100}};
}

void TestComponent::alignChildren()
{
    QFETCH(QList<QList<double>>, views);
    QFETCH(QList<QList<double>>, expected);
    TfrxMasterData band;
    band.SetBounds(0, 0, 500, 100);
    QList<TfrxMemoView *> memos;
    for (const QList<double> &v : views) {
        auto *memo = new TfrxMemoView(&band);
        memo->SetBounds(v[0], v[1], v[2], v[3]);
        memo->SetAlign(frx::TfrxAlign(int(v[4])));
        memos << memo;
    }
    band.AlignChildren();
    for (int i = 0; i < memos.size(); ++i) {
        QList<double> actual{memos[i]->Left(), memos[i]->Top(), memos[i]->Width(), memos[i]->Height()};
        QCOMPARE(actual, expected[i]);
    }
}

void TestComponent::pageAlignsBandsToPrintableWidth()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    page->SetPaperWidth(100);
    page->SetPaperHeight(150);
    page->SetLeftMargin(10);
    page->SetRightMargin(10);
    auto *band = new TfrxMasterData(page);
    band->SetLeft(5);
    auto *memo = new TfrxMemoView(band);
    memo->SetBounds(0, 0, 20, 10);
    memo->SetAlign(frx::baRight);
    page->AlignChildren();
    const double printable = (100 - 20) * fr01cm;
    QCOMPARE(band->Width(), printable - 5);
    QCOMPARE(memo->Left(), printable - 5 - 20);
    QCOMPARE(page->Width(), 378.0); // the full sheet again
    QCOMPARE(page->Height(), 567.0);

    page->SetColumns(2);
    page->SetColumnWidth(30);
    auto *title = new TfrxReportTitle(page);
    page->AlignChildren();
    QCOMPARE(band->Width(), 30 * fr01cm);
    QCOMPARE(title->Width(), printable);
}

void TestComponent::assignCopiesPropertiesNotChildren()
{
    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    auto *band = new TfrxMasterData(page);
    auto *source = new TfrxMemoView(band);
    source->SetName(QStringLiteral("Source"));
    source->SetBounds(1, 2, 3, 4);
    source->SetText(QStringLiteral("a\r\nb"));
    source->SetHAlign(frx::haCenter);
    source->Frame()->SetWidth(2);
    source->Frame()->LeftLine()->SetWidth(3);
    source->Font()->SetSize(14);

    auto *copy = new TfrxMemoView(band);
    copy->Assign(source);
    QVERIFY(copy->Name().isEmpty());
    QCOMPARE(copy->Left(), 1.0);
    QCOMPARE(copy->Height(), 4.0);
    QCOMPARE(copy->Memo(), (QStringList{"a", "b"}));
    QCOMPARE(copy->HAlign(), frx::haCenter);
    QCOMPARE(copy->Frame()->TopLine()->Width(), 2.0);
    QCOMPARE(copy->Frame()->LeftLine()->Width(), 3.0);
    QCOMPARE(copy->Font()->Size(), 14);
    QVERIFY(!copy->ParentFont());

    // The whole subtree, in another report.
    TfrxReport other;
    auto *otherPage = new TfrxReportPage(&other);
    otherPage->AssignAll(page);
    QCOMPARE(otherPage->Objects().size(), 1);
    auto *bandCopy = qobject_cast<TfrxMasterData *>(otherPage->Objects().first());
    QVERIFY(bandCopy);
    QCOMPARE(bandCopy->Objects().size(), 2);
    QCOMPARE(bandCopy->Objects().first()->Name(), QStringLiteral("Source"));
    QCOMPARE(qobject_cast<TfrxMemoView *>(bandCopy->Objects().first())->Text(), QStringLiteral("a\r\nb\r\n"));
}

QTEST_MAIN(TestComponent)
#include "tst_component.moc"

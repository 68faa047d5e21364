// The prepared pages store: page items and object records of a build, logical page numbers, page
// sizes, the page cache, prepared-report files and what damaged files do.

#include "engine/pages/frxPreviewPages.h"
#include "report/model/frxBands.h"
#include "report/model/frxClass.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"
#include "tests/support/WaybillReport.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The shared waybill with a second text (the phone) and a picture on its band.
struct Waybill : WaybillReport {
    TfrxMemoView *receiver = memo;
    TfrxMemoView *phone;
    TfrxPictureView *logo;

    Waybill() : WaybillReport(QRectF(0, 20, 300, 200), QRectF(10, 10, 200, 40))
    {
        phone = AddMemo(QStringLiteral("Memo2"), QRectF(10, 60, 200, 20));
        logo = new TfrxPictureView(band);
        logo->SetName(QStringLiteral("Picture1"));
        logo->SetBounds(220, 10, 40, 40);
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        TPicture picture;
        picture.SetImage(image);
        logo->SetPicture(picture);
    }

    // One page per record, numbered per record as a report-level dataset does.
    void Build(const QStringList &receivers)
    {
        TfrxPreviewPages *pages = Pages();
        pages->ClearPages();
        pages->BeginBuild();
        pages->RegisterSourcePage(page);
        pages->BeginPass();
        for (const QString &text : receivers) {
            pages->ResetLogicalNumbers();
            pages->SetFirstRecordPage(pages->CurPage() + 1);
            receiver->SetText(text);
            pages->AppendPage(page);
            pages->AppendObjects(band);
        }
        pages->ResetLogicalNumbers();
        pages->EndBuild();
    }
};

TfrxXMLItem *Child(TfrxXMLItem *item, const QString &name)
{
    const int index = item->Find(name);
    return index < 0 ? nullptr : item->Items(index);
}

TfrxMemoView *MemoOf(TfrxReportPage *page, const QString &name)
{
    for (TfrxComponent *object : page->AllObjects())
        if (object->Name() == name)
            return qobject_cast<TfrxMemoView *>(object);
    return nullptr;
}

} // namespace

class TestPreviewPages : public QObject {
    Q_OBJECT

private slots:
    void threeWaybillsGiveThreeSourcePageItemsNumberedPerRecord()
    {
        Waybill w;
        w.Build({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        TfrxPreviewPages *pages = w.Pages();
        QCOMPARE(pages->Count(), 3);
        TfrxXMLItem *root = pages->Document()->Root();
        TfrxXMLItem *items = Child(root, QStringLiteral("previewpages"));
        TfrxXMLItem *numbers = Child(root, QStringLiteral("logicalpagenumbers"));
        QVERIFY(items && numbers);
        QCOMPARE(numbers->Count(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(items->Items(i)->Name(), QStringLiteral("page0"));
            QCOMPARE(numbers->Items(i)->Prop(QStringLiteral("n")), QStringLiteral("1"));
            QCOMPARE(numbers->Items(i)->Prop(QStringLiteral("t")), QStringLiteral("1"));
            pages->SetCurPage(i);
            QCOMPARE(pages->LogicalPageNo(), 1);
            QCOMPARE(pages->LogicalTotal(), 1);
        }
        // The picture is stored once for all three pages.
        QCOMPARE(pages->PictureCache()->Count(), 1);
    }

    void recordsHoldOnlyDifferences()
    {
        Waybill w;
        w.phone->SetText(QString());
        w.Build({QStringLiteral("line one\r\nline two")});
        TfrxPreviewPages *pages = w.Pages();
        TfrxXMLItem *page =
            Child(Child(pages->Document()->Root(), QStringLiteral("previewpages")), QStringLiteral("page0"));
        QVERIFY(page);
        QCOMPARE(page->Count(), 1);
        TfrxXMLItem *band = page->Items(0);
        QCOMPARE(band->Name(), QStringLiteral("b1"));
        QCOMPARE(band->Text(), QStringLiteral("t=\"20\"")); // bands always carry their top
        QCOMPARE(band->Count(), 3);
        TfrxXMLItem *memo = band->Items(0);
        QCOMPARE(memo->Name(), QStringLiteral("m1"));
        QCOMPARE(memo->Prop(QStringLiteral("u")), QStringLiteral("line one\r\nline two"));
        QVERIFY(!memo->Text().contains(QLatin1String("l=\""))); // unchanged geometry is not written
        QCOMPARE(band->Items(1)->Name(), QStringLiteral("m2"));
        QCOMPARE(band->Items(1)->Text(), QStringLiteral("u=\"\""));
        QCOMPARE(band->Items(2)->Prop(QStringLiteral("ImageIndex")), QStringLiteral("1"));

        // Rebuilt from the source object plus the record.
        TfrxReportPage *built = pages->GetPage(0);
        QVERIFY(built);
        TfrxMemoView *receiver = MemoOf(built, QStringLiteral("Memo1"));
        QVERIFY(receiver);
        QCOMPARE(receiver->Memo(), QStringList({QStringLiteral("line one"), QStringLiteral("line two")}));
        QCOMPARE(receiver->Left(), 10.0);
        QCOMPARE(receiver->Parent()->Name(), QStringLiteral("MasterData1"));
        TfrxPictureView *logo = nullptr;
        for (TfrxComponent *object : built->AllObjects())
            if (auto *picture = qobject_cast<TfrxPictureView *>(object))
                logo = picture;
        QVERIFY(logo && !logo->Picture().IsEmpty());
        QCOMPARE(logo->Picture().Width(), 8);
    }

    void changedGeometryIsWrittenWithShortNames()
    {
        Waybill w;
        TfrxPreviewPages *pages = w.Pages();
        pages->BeginBuild();
        pages->RegisterSourcePage(w.page);
        pages->BeginPass();
        pages->AppendPage(w.page);
        QVERIFY(!pages->ContainsBand(w.band));
        w.receiver->SetLeft(33.5);
        w.receiver->SetHeight(80);
        pages->AppendObjects(w.band);
        QVERIFY(pages->ContainsBand(w.band));
        pages->EndBuild();
        TfrxXMLItem *memo = pages->Document()->Root()->Items(0)->Items(0)->Items(0)->Items(0);
        QCOMPARE(memo->Prop(QStringLiteral("l")), QStringLiteral("33.5"));
        QCOMPARE(memo->Prop(QStringLiteral("h")), QStringLiteral("80"));
        QCOMPARE(memo->Prop(QStringLiteral("t")), QString());
        TfrxMemoView *built = MemoOf(pages->GetPage(0), QStringLiteral("Memo1"));
        QCOMPARE(built->Left(), 33.5);
        QCOMPARE(built->Height(), 80.0);
        QCOMPARE(built->Top(), 10.0);
    }

    void recordsFollowChangesFromPageToPage()
    {
        // The same object on page after page: a change made for one page is in that page's record
        // only, and the pages around it keep the plain record.
        Waybill w;
        TfrxPreviewPages *pages = w.Pages();
        pages->BeginBuild();
        pages->RegisterSourcePage(w.page);
        pages->BeginPass();
        const int designColor = w.receiver->Color();
        for (int n = 0; n < 3; ++n) {
            w.receiver->SetText(QStringLiteral("Ann %1").arg(n));
            w.receiver->SetColor(n == 1 ? 255 : designColor);
            w.receiver->SetLeft(n == 1 ? 12.5 : 10);
            pages->AppendPage(w.page);
            pages->AppendObjects(w.band);
        }
        pages->EndBuild();
        TfrxXMLItem *items = Child(pages->Document()->Root(), QStringLiteral("previewpages"));
        auto record = [&](int page) { return items->Items(page)->Items(0)->Items(0)->Text(); };
        QCOMPARE(record(0), QStringLiteral("u=\"Ann 0\""));
        QCOMPARE(record(1), QStringLiteral("l=\"12.5\" Color=\"255\" u=\"Ann 1\""));
        QCOMPARE(record(2), QStringLiteral("u=\"Ann 2\""));
        TfrxMemoView *built = MemoOf(pages->GetPage(1), QStringLiteral("Memo1"));
        QCOMPARE(built->Color(), 255);
        QCOMPARE(built->Left(), 12.5);
        built = MemoOf(pages->GetPage(2), QStringLiteral("Memo1"));
        QCOMPARE(built->Color(), designColor);
        QCOMPARE(built->Left(), 10.0);
    }

    void aliasesCountUpPerPrefix()
    {
        Waybill w;
        auto *third = new TfrxMemoView(w.band);
        third->SetName(QStringLiteral("Memo3"));
        TfrxPreviewPages *pages = w.Pages();
        pages->RegisterSourcePage(w.page);
        QCOMPARE(pages->AliasOf(w.band), QStringLiteral("b1"));
        QCOMPARE(pages->AliasOf(w.receiver), QStringLiteral("m1"));
        QCOMPARE(pages->AliasOf(w.phone), QStringLiteral("m2"));
        QCOMPARE(pages->AliasOf(third), QStringLiteral("m3"));
        QCOMPARE(pages->AliasOf(w.logo), QStringLiteral("p1"));
    }

    void pageSize()
    {
        Waybill w;
        w.Build({QStringLiteral("A")});
        TfrxPreviewPages *pages = w.Pages();
        QCOMPARE(pages->GetPageSize(0), QSize(378, 567)); // 100 and 150 mm × 3.77953, rounded
        QCOMPARE(pages->GetPageSize(pages->Count()), QSize(0, 0));
        QCOMPARE(pages->GetPageSize(-1), QSize(0, 0));
        QVERIFY(!pages->GetPage(1));
        pages->ClearPages();
        QCOMPARE(pages->GetPageSize(0), QSize(0, 0));
        QVERIFY(!pages->GetPage(0));
    }

    void pageCacheFreesTheLeastRecentlyUsedPage()
    {
        Waybill w;
        QStringList receivers;
        for (int i = 0; i < 51; ++i)
            receivers << QStringLiteral("R%1").arg(i);
        w.Build(receivers);
        TfrxPreviewPages *pages = w.Pages();
        QCOMPARE(w.report.PreviewOptions()->PagesInCache(), 50);
        TfrxReportPage *first = pages->GetPage(0);
        QCOMPARE(MemoOf(first, QStringLiteral("Memo1"))->Text(), QStringLiteral("R0\r\n"));
        for (int i = 1; i < 50; ++i)
            pages->GetPage(i);
        QVERIFY(pages->CachedPages().contains(0));
        pages->GetPage(0); // a hit moves the page to the front ...
        QCOMPARE(pages->CachedPages().first(), 0);
        pages->GetPage(50); // ... so the 51st page frees page 1, the least recently used
        QCOMPARE(pages->CachedPages().size(), 50);
        QVERIFY(!pages->CachedPages().contains(1));
        QVERIFY(pages->CachedPages().contains(0));
        pages->GetPage(1);
        QVERIFY(!pages->CachedPages().contains(2));
    }

    void saveAndLoadReproducePagesOutlineAndAnchors()
    {
        Waybill w;
        w.Build({QStringLiteral("甲 receiver"), QStringLiteral("B & <C>"), QStringLiteral("\"quoted\"")});
        TfrxPreviewPages *pages = w.Pages();
        pages->SetCurPage(0);
        pages->Outline()->AddItem(QStringLiteral("Orders"), 12);
        pages->SetCurPage(2);
        pages->Outline()->AddItem(QStringLiteral("Third"), 40);
        pages->Outline()->LevelRoot();
        pages->AddAnchor(QStringLiteral("Top of 2"), 30.4);
        w.report.ReportOptions()->SetName(QStringLiteral("Batch"));

        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        pages->SaveToStream(&buffer);
        QVERIFY(buffer.data().contains("<sourcepages>"));
        QVERIFY(buffer.data().contains("<picturecache>"));
        QVERIFY(buffer.data().contains("name=\"Page0.Memo1\""));
        QCOMPARE(pages->Count(), 3); // saving leaves the store as it was

        TfrxReport other;
        TfrxPreviewPages *loaded = dynamic_cast<TfrxPreviewPages *>(other.PreviewPages());
        buffer.seek(0);
        loaded->LoadFromStream(&buffer);
        QCOMPARE(other.ReportOptions()->Name(), QStringLiteral("Batch"));
        QCOMPARE(loaded->Count(), 3);
        const QStringList expected = {QStringLiteral("甲 receiver"), QStringLiteral("B & <C>"),
                                      QStringLiteral("\"quoted\"")};
        for (int i = 0; i < 3; ++i) {
            TfrxReportPage *page = loaded->GetPage(i);
            QVERIFY(page);
            QCOMPARE(page->PaperWidth(), 100.0);
            TfrxMemoView *memo = MemoOf(page, QStringLiteral("Memo1"));
            QVERIFY(memo);
            QCOMPARE(memo->Memo(), QStringList{expected.at(i)});
            QCOMPARE(memo->AbsTop(), w.receiver->AbsTop());
            for (TfrxComponent *object : page->AllObjects())
                if (auto *picture = qobject_cast<TfrxPictureView *>(object))
                    QCOMPARE(picture->Picture().Data(), w.logo->Picture().Data());
        }
        QCOMPARE(loaded->GetPageSize(1), QSize(378, 567));
        QCOMPARE(loaded->GetAnchorPage(QStringLiteral("top OF 2")), 3);
        QCOMPARE(loaded->GetAnchorPage(QStringLiteral("missing")), 1);
        TfrxOutline *outline = loaded->Outline();
        outline->LevelRoot();
        QCOMPARE(outline->Count(), 1);
        QString text;
        int page = 0, top = 0;
        outline->GetItem(0, text, page, top);
        QCOMPARE(text, QStringLiteral("Orders"));
        QCOMPARE(page, 0);
        QCOMPARE(top, 12);
        outline->LevelDown(0);
        QCOMPARE(outline->Count(), 1);
        outline->GetItem(0, text, page, top);
        QCOMPARE(text, QStringLiteral("Third"));
        QCOMPARE(page, 2);
        QCOMPARE(top, 40);
        loaded->SetCurPage(1);
        QCOMPARE(loaded->LogicalPageNo(), 1);
    }

    // Page XML beyond MaxMemSize goes to a temporary file that goes with the store; pages read back
    // from it unchanged, and the first two and the last page stay in memory. The file is made in
    // the system's temporary folder, never in the folder EngineOptions.TempDir names (a layout's
    // script may set it to any folder).
    void fileCacheMovesPagesToATemporaryFile()
    {
        QString tempName;
        {
            Waybill w;
            QTemporaryDir dir;
            w.report.EngineOptions()->SetUseFileCache(true);
            w.report.EngineOptions()->SetMaxMemSize(1);
            w.report.EngineOptions()->SetTempDir(dir.path());
            QStringList receivers;
            for (int i = 0; i < 3000; ++i)
                receivers << QStringLiteral("Receiver number %1 with a long enough address line").arg(i);
            w.Build(receivers);
            TfrxPreviewPages *pages = w.Pages();
            tempName = pages->Document()->TempFileName();
            QVERIFY(!tempName.isEmpty());
            QVERIFY(QFileInfo(tempName).fileName().startsWith(QLatin1String("fr")));
            QCOMPARE(QFileInfo(tempName).absolutePath(), QDir(QDir::tempPath()).absolutePath());
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
            TfrxXMLItem *items = Child(pages->Document()->Root(), QStringLiteral("previewpages"));
            QVERIFY(items->Items(0)->Loaded() && items->Items(1)->Loaded() && items->Items(2999)->Loaded());
            QVERIFY(!items->Items(5)->Loaded());
            QCOMPARE(MemoOf(pages->GetPage(5), QStringLiteral("Memo1"))->Memo().first(), receivers.at(5));
            QCOMPARE(MemoOf(pages->GetPage(2998), QStringLiteral("Memo1"))->Memo().first(),
                     receivers.at(2998));

            // Reading pages back again and again (a print job empties its cache after every page)
            // lets go of them without writing them to the file again.
            qint64 fileSize = 0;
            for (int round = 0; round < 3; ++round) {
                for (int i = 100; i < 400; ++i) {
                    QCOMPARE(MemoOf(pages->GetPage(i), QStringLiteral("Memo1"))->Memo().first(),
                             receivers.at(i));
                    pages->ClearCache();
                }
                if (round == 0)
                    fileSize = QFileInfo(tempName).size();
            }
            QVERIFY(!items->Items(150)->Loaded());
            QCOMPARE(QFileInfo(tempName).size(), fileSize);

            // Saving brings the unloaded pages into the file.
            const QString file = dir.filePath(QStringLiteral("batch.fp3"));
            pages->SaveToFile(file);
            TfrxReport other;
            auto *loaded = dynamic_cast<TfrxPreviewPages *>(other.PreviewPages());
            QVERIFY(loaded->LoadFromFile(file));
            QCOMPARE(loaded->Count(), 3000);
            QCOMPARE(MemoOf(loaded->GetPage(5), QStringLiteral("Memo1"))->Memo().first(), receivers.at(5));
            QVERIFY(!loaded->LoadFromFile(dir.filePath(QStringLiteral("missing.fp3"))));
        }
        QVERIFY(!QFile::exists(tempName));
    }

    void editingOperations()
    {
        Waybill w;
        w.Build({QStringLiteral("A"), QStringLiteral("B")});
        TfrxPreviewPages *pages = w.Pages();
        pages->GetPage(0);
        pages->InsertEmptyPage(1);
        QVERIFY(pages->CachedPages().isEmpty());
        QCOMPARE(pages->Count(), 3);
        QVERIFY(!MemoOf(pages->GetPage(1), QStringLiteral("Memo1")));
        QCOMPARE(pages->GetPageSize(1), QSize(378, 567));

        // A replaced page is stored complete and reads back as it was given.
        TfrxReportPage *edited = pages->GetPage(2);
        MemoOf(edited, QStringLiteral("Memo1"))->SetText(QStringLiteral("edited"));
        pages->ReplacePage(2, edited);
        QCOMPARE(Child(pages->Document()->Root(), QStringLiteral("previewpages"))->Items(2)->Name(),
                 QStringLiteral("TfrxReportPage"));
        QCOMPARE(MemoOf(pages->GetPage(2), QStringLiteral("Memo1"))->Memo(),
                 QStringList{QStringLiteral("edited")});
        QCOMPARE(pages->GetPageSize(2), QSize(378, 567));

        pages->DeletePage(1);
        QCOMPARE(pages->Count(), 2);
        pages->DeletePage(0);
        pages->DeletePage(0); // the last page stays
        QCOMPARE(pages->Count(), 1);
        QCOMPARE(MemoOf(pages->GetPage(0), QStringLiteral("Memo1"))->Memo(),
                 QStringList{QStringLiteral("edited")});

        // Another report's pages follow as complete pages, anchors shifted by the pages before.
        Waybill other;
        other.Build({QStringLiteral("X"), QStringLiteral("Y")});
        other.Pages()->SetCurPage(1);
        other.Pages()->AddAnchor(QStringLiteral("second"), 5);
        pages->AppendReport(&other.report);
        QCOMPARE(pages->Count(), 3);
        QCOMPARE(MemoOf(pages->GetPage(2), QStringLiteral("Memo1"))->Memo(),
                 QStringList{QStringLiteral("Y")});
        QCOMPARE(pages->GetAnchorPage(QStringLiteral("second")), 3);
    }

    void droppedFirstPassLeavesTheEarlierPages()
    {
        Waybill w;
        w.Build({QStringLiteral("A")});
        TfrxPreviewPages *pages = w.Pages();
        pages->BeginBuild();
        pages->BeginPass();
        pages->AppendPage(w.page);
        pages->AppendObjects(w.band);
        pages->Outline()->AddItem(QStringLiteral("first pass"));
        QCOMPARE(pages->Count(), 2);
        pages->DropFirstPass();
        QCOMPARE(pages->Count(), 1);
        QCOMPARE(pages->CurPage(), 0);
        pages->Outline()->LevelRoot();
        QCOMPARE(pages->Outline()->Count(), 0);
        pages->EndBuild();
        QCOMPARE(MemoOf(pages->GetPage(0), QStringLiteral("Memo1"))->Memo(),
                 QStringList{QStringLiteral("A")});
    }

    void cutAndPasteMoveRecords()
    {
        Waybill w;
        w.Build({QStringLiteral("A")});
        TfrxPreviewPages *pages = w.Pages();
        pages->SetCurPage(0);
        QCOMPARE(pages->CurrentPosition(), 1);
        pages->CutObjects(0);
        QCOMPARE(pages->CurrentPosition(), 0);
        pages->PasteObjects(0, 100);
        QCOMPARE(pages->CurrentPosition(), 1);
        QCOMPARE(pages->LowestBandBottom(0), 300.0); // band moved from 20 to 100, 200 high
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("pages");
        QTest::addColumn<QString>("memoText"); // of page 0; empty: no memo expected
        const QByteArray head = "<?xml version=\"1.0\" encoding=\"utf-8\"?><preparedreport>";
        const QByteArray source =
            "<sourcepages><TfrxReportPage Name=\"Page1\" PaperWidth=\"100\" PaperHeight=\"150\" "
            "PaperSize=\"256\">"
            "<TfrxMasterData Name=\"MasterData1\" Top=\"20\" Height=\"200\" Width=\"300\">"
            "<TfrxMemoView Name=\"Memo1\" Left=\"10\" Top=\"10\" Width=\"200\" Height=\"40\"/>"
            "</TfrxMasterData></TfrxReportPage></sourcepages>";
        const QByteArray dictionary =
            "<dictionary><b1 name=\"Page0.MasterData1\"/><m1 name=\"Page0.Memo1\"/></dictionary>";
        QTest::newRow("unknown alias skipped")
            << head + source + dictionary +
                   "<previewpages><page0><b1 t=\"20\"><zz9 u=\"x\"/><m1 "
                   "u=\"ok\"/></b1></page0></previewpages></preparedreport>"
            << 1 << QStringLiteral("ok");
        QTest::newRow("missing source page") << head + dictionary +
                                                    "<previewpages><page3><b1 t=\"20\"><m1 "
                                                    "u=\"x\"/></b1></page3></previewpages></preparedreport>"
                                             << 1 << QString();
        QTest::newRow("garbage picture cache")
            << head + source + dictionary +
                   "<previewpages><page0><b1 t=\"20\"><TfrxPictureView Left=\"1\" ImageIndex=\"1\"/><m1 "
                   "u=\"p\"/></b1></page0></previewpages>"
                   "<picturecache><item stream=\"FFD8GARBAGE\"/></picturecache></preparedreport>"
            << 1 << QStringLiteral("p");
        // Six thousand nested records used to run the page builder into the stack's end; what lies
        // deeper than the layout reader's limit is left out.
        QTest::newRow("deeply nested records")
            << head + source + dictionary + "<previewpages><page0><b1 t=\"20\"><m1 u=\"deep\"/>" +
                   QByteArray("<b1>").repeated(6000) + QByteArray("</b1>").repeated(6000) +
                   "</b1></page0></previewpages></preparedreport>"
            << 1 << QStringLiteral("deep");
    }

    void damagedFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, pages);
        QFETCH(QString, memoText);
        TfrxPreviewPages::Register();
        TfrxReport report;
        auto *store = dynamic_cast<TfrxPreviewPages *>(report.PreviewPages());
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        store->LoadFromStream(&buffer);
        QCOMPARE(store->Count(), pages);
        TfrxReportPage *page = store->GetPage(0);
        QVERIFY(page);
        TfrxMemoView *memo = MemoOf(page, QStringLiteral("Memo1"));
        QCOMPARE(memo ? memo->Memo().join(QString()) : QString(), memoText);
        QVERIFY(!store->GetPage(pages));
        int depth = 0;
        for (TfrxComponent *object : page->AllObjects()) {
            int d = 0;
            for (TfrxComponent *p = object; p && p != page; p = p->Parent())
                ++d;
            depth = std::max(depth, d);
        }
        QVERIFY(depth <= TfrxPreviewPages::MaxObjectDepth);
    }

    // Entries are recognised by their first bytes; metafiles and icons have no reader and stay
    // empty, like garbage, without harm. A picture read again is the same decoded image, so a page
    // background is decoded once per job, not once per page.
    void pictureCacheReadsBySignature_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("className");
        QByteArray png;
        {
            QImage image(4, 3, QImage::Format_RGB32);
            image.fill(Qt::red);
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        }
        QByteArray wrapped = QByteArray::fromHex("01000001") + QByteArray(4, 0) + png;
        const quint32 length = quint32(png.size());
        for (int i = 0; i < 4; ++i)
            wrapped[4 + i] = char((length >> (8 * i)) & 0xFF);
        QByteArray emf(60, '\0');
        emf.replace(40, 4, " EMF");
        QTest::newRow("png") << png << QStringLiteral("TPngImage");
        QTest::newRow("png behind a wrapper header") << wrapped << QStringLiteral("TPngImage");
        QTest::newRow("placeable metafile") << QByteArray::fromHex("D7CDC69A0000000000000000") << QString();
        QTest::newRow("enhanced metafile") << emf << QString();
        QTest::newRow("icon") << QByteArray::fromHex("000001000100101000000000") << QString();
        QTest::newRow("jpeg signature, no picture") << QByteArray::fromHex("FFD8FFE0") << QString();
        QTest::newRow("one byte") << QByteArray("B") << QString();
    }

    void pictureCacheReadsBySignature()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, className);
        TfrxXMLItem item;
        item.Add()->SetText(
            QStringLiteral("stream=\"%1\"").arg(QString::fromLatin1(bytes.toHex().toUpper())));
        TfrxPictureCache cache;
        cache.LoadFromXML(&item);
        QCOMPARE(cache.Count(), 1);
        QCOMPARE(cache.EntryBytes(1), bytes);
        TPicture first, second;
        cache.GetPicture(1, first);
        cache.GetPicture(1, second);
        QCOMPARE(first.GraphicClassName(), className);
        QCOMPARE(first.IsEmpty(), className.isEmpty());
        if (!className.isEmpty()) {
            QCOMPARE(first.Image().size(), QSize(4, 3));
            QCOMPARE(second.Image().cacheKey(), first.Image().cacheKey());
        }
        TPicture outside;
        cache.GetPicture(2, outside);
        QVERIFY(outside.IsEmpty());
        QCOMPARE(cache.AddPicture(TPicture()), 0);
    }

    void malformedFileLeavesTheStoreEmpty()
    {
        TfrxPreviewPages::Register();
        TfrxReport report;
        auto *store = dynamic_cast<TfrxPreviewPages *>(report.PreviewPages());
        QByteArray bytes("<?xml version=\"1.0\"?><preparedreport><previewpages><page0 <<<");
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QVERIFY_THROWS_EXCEPTION(TfrxInvalidXMLException, store->LoadFromStream(&buffer));
        QCOMPARE(store->Count(), 0);
        QVERIFY(!store->GetPage(0));
    }
};

QTEST_MAIN(TestPreviewPages)
#include "tst_previewpages.moc"

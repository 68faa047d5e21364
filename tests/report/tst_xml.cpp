// The XML dialect of layout and prepared-report files: escaping, attribute access, reading,
// writing, partial loading, and malformed input.

#include "report/io/frxXML.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

const QByteArray kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";

QByteArray Fixture(const char *name)
{
    QFile file(QStringLiteral(WAYBILL_FIXTURES "/xml/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

void Load(TfrxXMLDocument &document, const QByteArray &bytes, bool partial = false)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    document.LoadFromStream(&buffer, partial);
}

QByteArray Save(TfrxXMLDocument &document)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    document.SaveToStream(&buffer);
    return buffer.data();
}

// A compact picture of a tree: name[text](children...), iteratively to survive deep trees.
QString Dump(const TfrxXMLItem *item)
{
    QString out;
    std::function<void(const TfrxXMLItem *)> walk = [&](const TfrxXMLItem *it) {
        out += it->Name();
        if (!it->Text().isEmpty())
            out += QLatin1Char('[') + it->Text() + QLatin1Char(']');
        if (it->Count() > 0) {
            out += QLatin1Char('(');
            for (int i = 0; i < it->Count(); ++i) {
                if (i)
                    out += QLatin1Char(',');
                walk(it->Items(i));
            }
            out += QLatin1Char(')');
        }
    };
    walk(item);
    return out;
}

} // namespace

class tst_Xml : public QObject {
    Q_OBJECT

private slots:
    void escape_data();
    void escape();
    void unescape_data();
    void unescape();
    void prop_data();
    void prop();
    void setProp_data();
    void setProp();
    void itemTree();
    void read_data();
    void read();
    void readErrorKeepsWhatWasRead();
    void readEncodings();
    void readAcrossBufferBoundaries();
    void readerPosition();
    void write();
    void roundTripLayout();
    void partialLoading();
    void deepNesting();
    void hugeAttribute();
    void writeFailure();
};

void tst_Xml::escape_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    const QString long39 = QString(39, QLatin1Char('x'));
    QTest::newRow("short value keeps its ampersand") << "a<b & c"
                                                     << "a&#60;b & c";
    QTest::newRow("31 characters keep it") << QString(30, 'x') + "&" << QString(30, 'x') + "&";
    QTest::newRow("32 characters escape it") << QString(31, 'x') + "&" << QString(31, 'x') + "&#38;";
    QTest::newRow("40 characters") << long39 + "&" << long39 + "&#38;";
    QTest::newRow("quotes") << "say \"hi\""
                            << "say &#34;hi&#34;";
    QTest::newRow("two lines") << "a\r\nb"
                               << "a&#13;&#10;b";
    QTest::newRow("&quot; is one reference") << "&quot;x"
                                             << "&#34;x";
    QTest::newRow("&quot; in a long value") << "&quot;" + long39 << "&#34;" + long39;
    QTest::newRow("greater-than") << "a>b"
                                  << "a&#62;b";
    QTest::newRow("other characters as they are") << "收件人\t'x'"
                                                  << "收件人\t'x'";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_Xml::escape()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(StrToXML(value), expected);
}

void tst_Xml::unescape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("references and entities") << "&#60;&amp;&gt;&#20013;"
                                             << "<&>中";
    QTest::newRow("&quot; and &lt;") << "&quot;&lt;"
                                     << "\"<";
    QTest::newRow("converted text is not read again") << "&#38;lt;"
                                                      << "&lt;";
    QTest::newRow("character beyond 16 bits") << "&#128512;" << QString::fromUcs4(U"\U0001F600");
    QTest::newRow("&# without ;") << "a&#12"
                                  << "a&#12";
    QTest::newRow("&# at the end") << "a&#"
                                   << "a&#";
    QTest::newRow("&#; without digits") << "&#;"
                                        << "&#;";
    QTest::newRow("hexadecimal references") << "&#x27;&#X4e2D;&#x1F600;"
                                            << QString::fromUcs4(U"'\u4e2d\U0001F600");
    QTest::newRow("&#x without digits") << "&#x;&#xg;"
                                        << "&#x;&#xg;";
    QTest::newRow("letters before ;") << "&#12a;"
                                      << "&#12a;";
    QTest::newRow("code too large") << "&#99999999999999999999;"
                                    << "&#99999999999999999999;";
    QTest::newRow("unknown entity") << "&nbsp;&"
                                    << "&nbsp;&";
    QTest::newRow("entity without ;") << "&lt"
                                      << "&lt";
}

void tst_Xml::unescape()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(XMLToStr(text), expected);
}

void tst_Xml::prop_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ignoring case") << "Name=\"M\" Left=\"5\""
                                   << "left"
                                   << "5";
    QTest::newRow("first attribute") << "Name=\"M\" Left=\"5\""
                                     << "NAME"
                                     << "M";
    QTest::newRow("whole names only") << "XLeft=\"1\" Left=\"2\""
                                      << "Left"
                                      << "2";
    QTest::newRow("first one wins") << "Left=\"1\" Left=\"2\""
                                    << "Left"
                                    << "1";
    QTest::newRow("missing") << "Left=\"1\""
                             << "Top"
                             << "";
    QTest::newRow("unescaped") << "Text=\"say &#34;hi&#34;&#13;&#10;x\""
                               << "Text"
                               << "say \"hi\"\r\nx";
    QTest::newRow("dotted name") << "Font.Name=\"宋体\" Font.Size=\"9\""
                                 << "font.size"
                                 << "9";
    QTest::newRow("no closing quote") << "Left=\"12"
                                      << "Left"
                                      << "12";
}

void tst_Xml::prop()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    TfrxXMLItem item;
    item.SetText(text);
    QCOMPARE(item.Prop(name), expected);
}

void tst_Xml::setProp_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("append after a blank") << "Left=\"5\""
                                          << "Top"
                                          << "7"
                                          << "Left=\"5\" Top=\"7\"";
    QTest::newRow("append to empty text") << ""
                                          << "Top"
                                          << "7"
                                          << "Top=\"7\"";
    QTest::newRow("append after trailing blank") << "Left=\"5\" "
                                                 << "Top"
                                                 << "7"
                                                 << "Left=\"5\" Top=\"7\"";
    QTest::newRow("replace in place") << "Name=\"M\" Left=\"5\" Top=\"3\""
                                      << "left"
                                      << "10"
                                      << "Name=\"M\" left=\"10\" Top=\"3\"";
    QTest::newRow("replace the first") << "Left=\"5\" Top=\"3\""
                                       << "Left"
                                       << ""
                                       << "Left=\"\" Top=\"3\"";
    QTest::newRow("escaped value") << ""
                                   << "Text"
                                   << "a\"b"
                                   << "Text=\"a&#34;b\"";
}

void tst_Xml::setProp()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    TfrxXMLItem item;
    item.SetText(text);
    item.SetProp(name, value);
    QCOMPARE(item.Text(), expected);
    QCOMPARE(item.Prop(name), value);
}

void tst_Xml::itemTree()
{
    TfrxXMLItem root;
    TfrxXMLItem *a = root.Add();
    a->SetName("Alpha");
    TfrxXMLItem *b = root.FindItem("beta");
    QCOMPARE(root.Count(), 2);
    QCOMPARE(root.FindItem("ALPHA"), a);
    QCOMPARE(root.Find("Beta"), 1);
    QCOMPARE(root.Find("gamma"), -1);
    QCOMPARE(b->Parent(), &root);

    // Moving an item takes it out of its previous parent.
    TfrxXMLItem *c = a->Add();
    root.InsertItem(0, c);
    QCOMPARE(a->Count(), 0);
    QCOMPARE(root.IndexOf(c), 0);
    QCOMPARE(c->Parent(), &root);

    // Freeing an item removes it from its parent.
    delete b;
    QCOMPARE(root.Count(), 2);
    QCOMPARE(root.Find("beta"), -1);

    // Clearing an unloadable item marks it not loaded.
    a->Add();
    a->SetUnloadable(true);
    a->Clear();
    QCOMPARE(a->Count(), 0);
    QVERIFY(!a->Loaded());
}

// (document bytes after the header, expected tree, or "error")
void tst_Xml::read_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nested") << QByteArray("<a x=\"1\"><b/><c y=\"2\"><d/></c></a>")
                            << "a[x=\"1\"](b,c[y=\"2\"](d))";
    QTest::newRow("empty element forms") << QByteArray("<a><b/><c /><d k=\"v\"/><e k=\"v\" /><f></f></a>")
                                         << "a(b,c,d[k=\"v\"],e[k=\"v\" ],f)";
    QTest::newRow("closing tag in other case") << QByteArray("<Abc><x/></ABC>") << "Abc(x)";
    QTest::newRow("closing tag with blank") << QByteArray("<a><x/></a >") << "a(x)";
    QTest::newRow("comments anywhere")
        << QByteArray("<!-- a <b> c --><a><!----><b/><!-- x -- y --></a>") << "a(b)";
    QTest::newRow("text between elements") << QByteArray("\r\n junk <a>text<b/>more</a>") << "a(b)";
    QTest::newRow("nothing after the root is read") << QByteArray("<a/><b/>") << "a";
    QTest::newRow("line break after the name") << QByteArray("<a\r\nx=\"1\"/>") << "a\r\nx=\"1\"";
    QTest::newRow("one trailing blank dropped") << QByteArray("<a x=\"1\"  >") << "a[x=\"1\" ]";
    QTest::newRow("entities stay escaped in Text")
        << QByteArray("<a t=\"&#60;&amp;\"/>") << "a[t=\"&#60;&amp;\"]";
    QTest::newRow("raw > and & in a value") << QByteArray("<a t=\"x&y\"/>") << "a[t=\"x&y\"]";
    QTest::newRow("unloadable mark removed") << QByteArray("<a ld=\"0\"><b/></a>") << "a(b)";
    QTest::newRow("unloadable after an attribute")
        << QByteArray("<a x=\"1\" LD=\"0\"><b/></a>") << "a[x=\"1\"](b)";
    QTest::newRow("unloadable mark of an empty element stays")
        << QByteArray("<a ld=\"0\"/>") << "a[ld=\"0\"]";
    QTest::newRow("no root") << QByteArray("") << "";
    QTest::newRow("closing tag first") << QByteArray("</a>") << "/a";
    QTest::newRow("< inside a tag") << QByteArray("<a x=\"<\"/>") << "error";
    QTest::newRow("< starts inside a tag") << QByteArray("<a><b x=\"1\" <c/></a>") << "error";
    QTest::newRow("mismatched closing tag") << QByteArray("<a><b></c></a>") << "error";
    QTest::newRow("unterminated tag") << QByteArray("<a><b x=\"1\"") << "error";
    QTest::newRow("unterminated comment ends the file") << QByteArray("<a/><!-- x") << "a";
}

void tst_Xml::read()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, expected);
    TfrxXMLDocument document;
    try {
        Load(document, kHeader + "\r\n" + body);
        QCOMPARE(Dump(document.Root()), expected);
        QVERIFY(!document.OldVersion());
    } catch (const TfrxInvalidXMLException &e) {
        QCOMPARE(QStringLiteral("error"), expected);
        QCOMPARE(e.Message(), QStringLiteral("Invalid file format"));
    }
}

void tst_Xml::readErrorKeepsWhatWasRead()
{
    TfrxXMLDocument document;
    QVERIFY_THROWS_EXCEPTION(TfrxInvalidXMLException, Load(document, Fixture("truncated_in_tag.fr3")));
    // The page and its first text object were complete before the cut.
    TfrxXMLItem *page = document.Root()->Items(document.Root()->Find("TfrxReportPage"));
    QCOMPARE(page->Prop("Name"), QStringLiteral("Page1"));
    QCOMPARE(page->Items(0)->Prop("Text"), QStringLiteral("[FD.\"收件人\"]"));

    // Cut between elements: accepted, but the document says it ended early.
    Load(document, Fixture("truncated_between.fr3"));
    QVERIFY(document.Truncated());
    QCOMPARE(Dump(document.Root()).count("TfrxMemoView"), 1);
    Load(document, Fixture("layout.fr3"));
    QVERIFY(!document.Truncated());

    for (const QByteArray &bad :
         {QByteArray(), QByteArray("<a/>"), QByteArray("garbage"), QByteArray("<?xml version=\"1.0\""),
          QByteArray("\xff\xfe<\0?\0x\0m\0l\0>\0", 14)})
        QVERIFY_THROWS_EXCEPTION(TfrxInvalidXMLException, Load(document, bad));
}

void tst_Xml::readEncodings()
{
    TfrxXMLDocument document;
    // Old format: the header has version 1.0 and no standalone=, attribute bytes are legacy text.
    Load(document, Fixture("old_format.fr3"));
    QVERIFY(document.OldVersion());
    QCOMPARE(document.Root()->Items(0)->Prop("Text"), QStringLiteral("收件人：张三"));

    // A UTF-8 document with one value in the legacy code page: each value decodes on its own.
    Load(document, Fixture("mixed_encoding.fr3"));
    QVERIFY(!document.OldVersion());
    TfrxXMLItem *memo = document.Root()->Items(0);
    QCOMPARE(memo->Prop("Font.Name"), QStringLiteral("宋体"));
    QCOMPARE(memo->Prop("Text"), QStringLiteral("北京市海淀区"));

    // A byte-order mark before the header is skipped like text.
    Load(document, Fixture("bom.fr3"));
    QCOMPARE(document.Root()->Prop("ReportOptions.Name"), QStringLiteral("快递单"));
    QCOMPARE(document.Root()->Items(0)->Prop("Name"), QStringLiteral("Page1"));

    // Version other than 1.0 without standalone= is UTF-8.
    Load(document, "<?xml version=\"1.1\"?><a t=\"" + QStringLiteral("中").toUtf8() + "\"/>");
    QVERIFY(!document.OldVersion());
    QCOMPARE(document.Root()->Prop("t"), QStringLiteral("中"));

    // Tag names are single-byte text of the legacy code page, both ways.
    TfrxXMLDocument named;
    named.Root()->SetName(QStringLiteral("数据"));
    QByteArray bytes = Save(named);
    QVERIFY(bytes.contains(
        QStringLiteral("<数据/>").toUtf8().replace(QStringLiteral("数据").toUtf8(), "\xca\xfd\xbe\xdd")));
    Load(document, bytes);
    QCOMPARE(document.Root()->Name(), QStringLiteral("数据"));
}

void tst_Xml::readAcrossBufferBoundaries()
{
    // Tags, comments and the header split at every position around the 4096-byte block edge.
    const QByteArray tail = "<!-- c --><a x=\"12345678\"><b y=\"中文\"/><!-- d --></a>";
    for (int pad = 4096 - 70; pad <= 4096 + 8; ++pad) {
        QByteArray bytes = kHeader + QByteArray(pad - kHeader.size(), ' ') + tail;
        TfrxXMLDocument document;
        Load(document, bytes);
        QCOMPARE(Dump(document.Root()), QStringLiteral("a[x=\"12345678\"](b[y=\"中文\"])"));
    }
    // A header that starts right before the edge.
    QByteArray bytes = QByteArray(4094, ' ') + kHeader + "<a/>";
    TfrxXMLDocument document;
    Load(document, bytes);
    QCOMPARE(document.Root()->Name(), QStringLiteral("a"));
}

void tst_Xml::readerPosition()
{
    // Freeing the reader leaves the stream just after the element it read.
    QByteArray bytes = kHeader + "<a><b/></a>TAIL" + QByteArray(5000, 'z');
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TfrxXMLDocument document;
    document.LoadFromStream(&buffer);
    QCOMPARE(buffer.read(4), QByteArray("TAIL"));

    // Reading starts at the stream's current position.
    QByteArray twice = "skip" + kHeader + "<x/>";
    QBuffer second(&twice);
    second.open(QIODevice::ReadOnly);
    second.seek(4);
    TfrxXMLReader reader(&second);
    reader.ReadHeader();
    TfrxXMLItem item;
    QVERIFY(reader.ReadItem(&item));
    QCOMPARE(item.Name(), QStringLiteral("x"));
    QCOMPARE(reader.Position(), qint64(twice.size()));
}

void tst_Xml::write()
{
    TfrxXMLDocument document;
    TfrxXMLItem *root = document.Root();
    root->SetName("TfrxReport");
    root->SetText("Version=\"5\"");
    TfrxXMLItem *page = root->Add();
    page->SetName("TfrxReportPage");
    page->SetText(" Name=\"Page1\""); // a leading blank is not doubled
    TfrxXMLItem *memo = page->Add();
    memo->SetName("TfrxMemoView");
    memo->SetProp("Name", "Memo1");
    memo->SetProp("Text", "a<b>\r\n\"中\"");
    TfrxXMLItem *valued = root->Add();
    valued->SetName("v");
    valued->SetValue("1 < 2"); // content of an element without children
    TfrxXMLItem *unloadable = root->Add();
    unloadable->SetName("page0");
    unloadable->SetUnloadable(true);
    unloadable->Add()->SetName("x");

    QCOMPARE(Save(document),
             kHeader +
                 "<TfrxReport Version=\"5\"><TfrxReportPage Name=\"Page1\">"
                 "<TfrxMemoView Name=\"Memo1\" Text=\"a&#60;b&#62;&#13;&#10;&#34;" +
                 QStringLiteral("中").toUtf8() +
                 "&#34;\"/></TfrxReportPage><v>1 &#60; 2</v><page0 ld=\"0\"><x/></page0></TfrxReport>");

    document.SetAutoIndent(true);
    QCOMPARE(
        Save(document),
        kHeader +
            "\r\n<TfrxReport Version=\"5\">\r\n  <TfrxReportPage Name=\"Page1\">\r\n"
            "    <TfrxMemoView Name=\"Memo1\" Text=\"a&#60;b&#62;&#13;&#10;&#34;" +
            QStringLiteral("中").toUtf8() +
            "&#34;\"/>\r\n  </TfrxReportPage>\r\n  <v>1 &#60; 2</v>\r\n  <page0 ld=\"0\">\r\n    <x/>\r\n"
            "  </page0>\r\n</TfrxReport>\r\n");

    // What was written reads back into the same tree (content excepted, it is never read), the
    // unloadable mark included.
    TfrxXMLDocument again;
    Load(again, Save(document));
    QCOMPARE(Dump(again.Root()), Dump(document.Root()).replace("[ Name", "[Name"));
    QVERIFY(again.Root()->Items(2)->Unloadable());
    QCOMPARE(again.Root()->Items(0)->Items(0)->Prop("Text"), QStringLiteral("a<b>\r\n\"中\""));
}

void tst_Xml::roundTripLayout()
{
    const QByteArray original = Fixture("layout.fr3");
    TfrxXMLDocument document;
    document.SetAutoIndent(true);
    Load(document, original);
    QCOMPARE(Save(document), original);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("copy.fr3");
    document.SaveToFile(path);
    TfrxXMLDocument fromFile;
    fromFile.SetAutoIndent(true);
    fromFile.LoadFromFile(path);
    QCOMPARE(Save(fromFile), original);
    QVERIFY_THROWS_EXCEPTION(EFileError, fromFile.LoadFromFile(dir.filePath("missing.fr3")));
}

void tst_Xml::partialLoading()
{
    // Prepared pages: page items after the first two are unloadable.
    TfrxXMLDocument source;
    source.SetAutoIndent(true);
    TfrxXMLItem *pages = source.Root();
    pages->SetName("preparedreport");
    for (int p = 0; p < 5; ++p) {
        TfrxXMLItem *page = pages->Add();
        page->SetName(QStringLiteral("page%1").arg(p));
        page->SetUnloadable(p >= 2);
        for (int m = 0; m < 3; ++m) {
            TfrxXMLItem *memo = page->Add();
            memo->SetName("TfrxMemoView");
            memo->SetProp("Text", QStringLiteral("第%1页 %2").arg(p).arg(m));
        }
    }
    const QByteArray bytes = Save(source);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TfrxXMLDocument document;
    document.SetAutoIndent(true);
    document.SetTempDir(dir.path());
    Load(document, bytes, true);
    QCOMPARE(document.Root()->Count(), 5);
    TfrxXMLItem *page3 = document.Root()->Items(3);
    QVERIFY(page3->Unloadable());
    QVERIFY(!page3->Loaded());
    QCOMPARE(page3->Count(), 0);
    QCOMPARE(document.Root()->Items(1)->Count(), 3); // not unloadable: stays in memory

    // The children wait in a private temporary file named "fr..." in the chosen folder.
    const QString tempName = document.TempFileName();
    QVERIFY(QFileInfo(tempName).fileName().startsWith("fr"));
    QCOMPARE(QFileInfo(tempName).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());
    QVERIFY(QFile::permissions(tempName) & QFile::ReadOwner);
    QVERIFY(!(QFile::permissions(tempName) & (QFile::ReadOther | QFile::ReadGroup)));

    // Saving brings unloaded pages back for writing and drops them again.
    QCOMPARE(Save(document), bytes);
    QVERIFY(!page3->Loaded());

    document.LoadItem(page3);
    QCOMPARE(page3->Count(), 3);
    QCOMPARE(page3->Items(1)->Prop("Text"), QStringLiteral("第3页 1"));
    document.UnloadItem(page3);
    QCOMPARE(page3->Count(), 0);
    document.LoadItem(page3);
    QCOMPARE(page3->Items(2)->Prop("Text"), QStringLiteral("第3页 2"));

    // Clearing the document deletes the temporary file; so does freeing it.
    document.Clear();
    QVERIFY(!QFile::exists(tempName));
    auto other = std::make_unique<TfrxXMLDocument>();
    other->SetTempDir(dir.filePath("does-not-exist")); // falls back to the system's folder
    Load(*other, bytes, true);
    const QString otherTemp = other->TempFileName();
    QCOMPARE(QFileInfo(otherTemp).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    QVERIFY(QFile::exists(otherTemp));
    other.reset();
    QVERIFY(!QFile::exists(otherTemp));

    // Without partial loading everything stays in memory and no file is made.
    TfrxXMLDocument whole;
    Load(whole, bytes);
    QCOMPARE(whole.Root()->Items(4)->Count(), 3);
    QVERIFY(whole.TempFileName().isEmpty());
}

void tst_Xml::deepNesting()
{
    // Far deeper than any stack would take by recursion.
    const int depth = 200000;
    QByteArray bytes = kHeader;
    bytes.reserve(depth * 8 + 100);
    for (int i = 0; i < depth; ++i)
        bytes += "<a>";
    for (int i = 0; i < depth; ++i)
        bytes += "</a>";
    {
        TfrxXMLDocument document;
        Load(document, bytes);
        int levels = 1;
        for (TfrxXMLItem *item = document.Root(); item->Count() > 0; item = item->Items(0))
            ++levels;
        QCOMPARE(levels, depth);
        QByteArray saved = Save(document);
        QCOMPARE(saved.size(), bytes.size() - 3); // <a></a> at the bottom is written <a/>
    }                                             // and freeing does not recurse either

    // Unclosed at the end: accepted, marked truncated.
    TfrxXMLDocument open;
    Load(open, kHeader + QByteArray(10000 * 3, 'x').replace("xxx", "<a>"));
    QVERIFY(open.Truncated());
}

void tst_Xml::hugeAttribute()
{
    // A 50 MB attribute value is read whole and found by Prop.
    const qsizetype size = 50 * 1024 * 1024;
    QByteArray bytes = kHeader + "<a Name=\"x\" Blob=\"";
    bytes.reserve(bytes.size() + size + 16);
    bytes += QByteArray(size, 'A');
    bytes += "&#38;\"/>";
    TfrxXMLDocument document;
    Load(document, bytes);
    QString blob = document.Root()->Prop("Blob");
    QCOMPARE(blob.size(), size + 1);
    QVERIFY(blob.endsWith("A&"));
    QCOMPARE(document.Root()->Prop("Name"), QStringLiteral("x"));
}

void tst_Xml::writeFailure()
{
    TfrxXMLDocument document;
    document.Root()->SetName("a");
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    QVERIFY_THROWS_EXCEPTION(EFileError, document.SaveToStream(&readOnly));
}

QTEST_GUILESS_MAIN(tst_Xml)
#include "tst_xml.moc"

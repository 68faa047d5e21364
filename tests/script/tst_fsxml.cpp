// TfsXMLDocument / TfsXMLItem: the tree that language definitions and program documents live in.

#include "script/fs_ierrors.h"
#include "script/fs_xml.h"

#include <QTest>

class TestFsXml : public QObject {
    Q_OBJECT

private slots:
    void read()
    {
        TfsXMLDocument document;
        document.LoadFromString(
            QString(QChar(0xFEFF)) +
            QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE x>\n<!-- about -->\n"
                           "<Language text='a &lt;&amp;&gt; &quot;&apos; &#13;&#x4E2D;'>\n"
                           "  text is ignored <![CDATA[ <also> ]]>\n"
                           "  <rule  a = \"1\"   b='2'/><Other/>\n"
                           "</Language>"));
        const TfsXMLItem *root = document.Root();
        QCOMPARE(root->Name(), QString("Language"));
        QCOMPARE(root->Prop("text"), QString("a <&> \"' \r") + QChar(0x4E2D));
        QCOMPARE(root->Count(), 2);
        QCOMPARE(root->Items(0)->Prop("b"), QString("2"));
        QCOMPARE(root->Items(0)->Parent(), root);
        QVERIFY(!root->Items(0)->HasProp("c"));
        QCOMPARE(root->FindItem("other"), root->Items(1)); // names found ignoring case
        QCOMPARE(root->Find("missing"), -1);
    }

    void malformed_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("unclosed") << "<a>\n<b>\n</b>"
                                  << "XML error at line 3: element <a> is not closed";
        QTest::newRow("wrong closing tag") << "<a>\n</b>"
                                           << "XML error at line 2: unexpected closing tag </b>";
        QTest::newRow("two roots") << "<a/><b/>"
                                   << "XML error at line 1: a second root element";
        QTest::newRow("unknown entity") << "<a x=\"&nbsp;\"/>"
                                        << "XML error at line 1: unknown reference &nbsp;";
        QTest::newRow("surrogate reference") << "<a x=\"&#xD800;\"/>"
                                             << "XML error at line 1: unknown reference &#xD800;";
        QTest::newRow("unquoted value") << "<a x=1/>"
                                        << "XML error at line 1: quoted value expected";
        QTest::newRow("empty") << "  "
                               << "XML error at line 1: no root element";
        QTest::newRow("text outside") << "x<a/>"
                                      << "XML error at line 1: text outside the root element";
        QTest::newRow("unterminated comment") << "<a><!-- x"
                                              << "XML error at line 1: unterminated markup";
    }
    void malformed()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        TfsXMLDocument document;
        try {
            document.LoadFromString(text);
            QFAIL("no error");
        } catch (const EfsScriptError &e) {
            QCOMPARE(e.Message(), message);
        }
    }

    void writeAndClone()
    {
        TfsXMLDocument document;
        document.LoadFromString("<a><b text=\"x&#0;y\"/><c><d/></c></a>");
        QCOMPARE(document.SaveToString(),
                 QString("<?xml version=\"1.0\"?>\n<a>\n<b text=\"x&#0;y\"/>\n<c>\n<d/>\n</c>\n</a>\n"));
        auto copy = document.Root()->Clone();
        document.Root()->Items(1)->Add("e");
        QCOMPARE(copy->Items(1)->Count(), 1);
        QCOMPARE(copy->Items(0)->Prop("text"), QString("x") + QChar(0) + "y");
        auto taken = copy->TakeItem(0);
        QVERIFY(!taken->Parent());
        copy->InsertItem(1, std::move(taken));
        QCOMPARE(copy->Items(1)->Name(), QString("b"));
        QCOMPARE(copy->Items(1)->Parent(), copy.get());
    }

    // Reading, writing, copying and freeing a very deep document use no recursion.
    void deepDocument()
    {
        const int depth = 200000;
        QString text;
        text.reserve(depth * 8);
        for (int i = 0; i < depth; ++i)
            text += "<e>";
        for (int i = 0; i < depth; ++i)
            text += "</e>";
        {
            TfsXMLDocument document;
            document.LoadFromString(text);
            QCOMPARE(document.SaveToString().count("<e"), depth); // the innermost one is "<e/>"
            auto copy = document.Root()->Clone();
            QCOMPARE(copy->Items(0)->Name(), QString("e"));
        }
    }
};

QTEST_GUILESS_MAIN(TestFsXml)
#include "tst_fsxml.moc"

#include "platform/CodePage.h"

#include <QTest>

class TestCodePage : public QObject {
    Q_OBJECT
private slots:
    void detectsAndDecodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("text");
        const QString text = QString::fromUtf8("收货人,张三");
        QTest::newRow("gb18030") << QByteArray("\xca\xd5\xbb\xf5\xc8\xcb,\xd5\xc5\xc8\xfd") << int(TextEncoding::Legacy) << text;
        QTest::newRow("utf-8") << text.toUtf8() << int(TextEncoding::Utf8) << text;
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << int(TextEncoding::Utf8Bom) << text;
        QTest::newRow("utf-16le") << EncodeText(text, TextEncoding::Utf16LE) << int(TextEncoding::Utf16LE) << text;
        QTest::newRow("utf-16be") << EncodeText(text, TextEncoding::Utf16BE) << int(TextEncoding::Utf16BE) << text;
        // Valid UTF-8 by accident: the GBK bytes of the carrier name 圆通.
        QTest::newRow("gbk that looks like utf-8") << QByteArray("\xd4\xb2\xcd\xa8") << int(TextEncoding::Legacy)
                                                   << QString::fromUtf8("圆通");
        QTest::newRow("utf-8 latin") << QByteArray("Caf\xc3\xa9 \xc3\x97 2") << int(TextEncoding::Utf8)
                                     << QString::fromUtf8("Café × 2");
        QTest::newRow("utf-8 cyrillic") << QString::fromUtf8("Привет, мир").toUtf8() << int(TextEncoding::Utf8)
                                        << QString::fromUtf8("Привет, мир");
        QTest::newRow("ascii") << QByteArray("a,b") << int(TextEncoding::Legacy) << QString("a,b");
        QTest::newRow("nul kept") << QByteArray("a\0b", 3) << int(TextEncoding::Legacy) << QString::fromUtf8("a\0b", 3);
        // A truncated two-byte character at the end must not swallow the text before it.
        QTest::newRow("broken tail") << QByteArray("\xd5\xc5\xc8") << int(TextEncoding::Legacy)
                                     << QString::fromUtf8("张\xEF\xBF\xBD");
    }
    void detectsAndDecodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(QString, text);
        TextEncoding detected;
        QCOMPARE(DecodeText(bytes, &detected), text);
        QCOMPARE(int(detected), encoding);
    }

    void utf8Validation_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ascii") << QByteArray("hello world, long enough") << true;
        QTest::newRow("chinese") << QString::fromUtf8("快递单").toUtf8() << true;
        QTest::newRow("emoji") << QByteArray("\xF0\x9F\x98\x80") << true;
        QTest::newRow("overlong") << QByteArray("\xC0\xAF") << false;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("truncated") << QByteArray("ab\xE5\xBF") << false;
        QTest::newRow("gbk") << QByteArray("\xd5\xc5\xc8\xfd") << false;
    }
    void utf8Validation()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QCOMPARE(IsValidUtf8(bytes.constData(), bytes.size()), valid);
    }

    void legacyRoundTripAndUnmappable()
    {
        const QString text = QString::fromUtf8("浙江省杭州市 Room 5");
        QCOMPARE(DecodeLegacy(EncodeLegacy(text)), text);
        // GB18030 holds every character, so nothing is lost on the way out either.
        const QString rare = QString::fromUtf8("𠀀€");
        QCOMPARE(DecodeLegacy(EncodeLegacy(rare)), rare);
    }
};

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"

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
        // UTF-32 is read only by its byte-order mark; its little-endian mark begins like UTF-16's.
        QTest::newRow("utf-32le") << EncodeText(text, TextEncoding::Utf32LE) << int(TextEncoding::Utf32LE) << text;
        QTest::newRow("utf-32be") << EncodeText(text, TextEncoding::Utf32BE) << int(TextEncoding::Utf32BE) << text;
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
        // One damaged byte used to turn a whole UTF-8 export into GB18030 mojibake.
        const QString rows = QString::fromUtf8("收货人,地址\n张三,浙江省杭州市\n李四,上海市浦东新区\n");
        QByteArray damaged = rows.toUtf8();
        damaged.insert(damaged.indexOf("李四"), '\xFF');
        QTest::newRow("utf-8 with one bad byte")
            << damaged << int(TextEncoding::Utf8) << QString(rows).insert(rows.indexOf(u"李四"), QChar(0xFFFD));
        // Without a byte-order mark UTF-16 shows itself by the zero bytes of its ASCII characters.
        QTest::newRow("utf-16le without bom") << EncodeText(rows, TextEncoding::Utf16LE).mid(2)
                                              << int(TextEncoding::Utf16LE) << rows;
        QTest::newRow("utf-16be without bom") << EncodeText(rows, TextEncoding::Utf16BE).mid(2)
                                              << int(TextEncoding::Utf16BE) << rows;
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

    void badUtf8BytesAreReportedByLine()
    {
        QByteArray bytes = QString::fromUtf8("订单,收货人\n1,张三\n2,李四\n3,王五\n").toUtf8();
        bytes.insert(bytes.indexOf("张"), '\x80');
        bytes.insert(bytes.indexOf("王"), "\xC3(");
        QList<int> lines;
        TextEncoding detected;
        const QString text = DecodeText(bytes, &detected, &lines);
        QCOMPARE(int(detected), int(TextEncoding::Utf8));
        QCOMPARE(lines, QList<int>({2, 4}));
        QCOMPARE(text.count(QChar(0xFFFD)), 2);
        QVERIFY(text.contains(QString::fromUtf8("李四")));
        // Legacy text with many bytes that are not UTF-8 stays legacy, and has no bad lines.
        DecodeText(EncodeLegacy(QString::fromUtf8("订单,收货人\n1,张三\n")), &detected, &lines);
        QCOMPARE(int(detected), int(TextEncoding::Legacy));
        QVERIFY(lines.isEmpty());
    }

    void binaryIsNotText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind");
        QTest::newRow("png") << QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) << "a PNG picture";
        QTest::newRow("xlsx") << QByteArray("PK\x03\x04\x14\0\x06\0", 8) << "a ZIP archive or Office document";
        QTest::newRow("pdf") << QByteArray("%PDF-1.4\n") << "a PDF document";
        QTest::newRow("nul bytes") << QByteArray("a,b\r\nc\0d,e\r\n", 12) << "binary data with NUL bytes";
        QByteArray noise(4096, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 31 + 1); // control characters, no NUL
        QTest::newRow("control characters") << noise << "binary data";
        QTest::newRow("csv") << QByteArray("a,b\r\n\t1,\"x\"\r\n") << QString();
        QTest::newRow("utf-16 without bom") << EncodeText(QStringLiteral("a,b\r\n1,2\r\n"), TextEncoding::Utf16LE).mid(2)
                                            << QString();
        QTest::newRow("utf-32be") << EncodeText(QStringLiteral("a,b\r\n"), TextEncoding::Utf32BE) << QString();
        QTest::newRow("utf-8 bom with nul bytes") << QByteArray("\xEF\xBB\xBF[\0]\0", 7) << QString();
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void binaryIsNotText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        QCOMPARE(BinaryKind(bytes), kind);
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

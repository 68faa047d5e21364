// waybill-cli design: the real designer window off screen on a ready template or a layout file.
#include "TestHome.h"
#include "cli/CliCommands.h"

#include <QDir>
#include <QImage>
#include <QTest>

class TestDesign : public QObject {
    Q_OBJECT

    static int Run(const QStringList &args, QString *out, QString *err)
    {
        QTextStream o(out), e(err);
        const int code = Cli::Run(args, o, e);
        o.flush();
        e.flush();
        return code;
    }

    static QString ReadyTemplate(const TestHome &home)
    {
        const QString source = QStringLiteral(WAYBILL_SOURCE_DIR "/data/template/t20261201090001/");
        for (const QString &name : {QStringLiteral("20261201090001.fr3"), QStringLiteral("CFG.INI")}) {
            QFile file(source + name);
            if (file.open(QIODevice::ReadOnly))
                home.Write("template/t1/" + name, file.readAll());
        }
        return home.FilePath("template/t1/20261201090001.fr3");
    }

private slots:
    void picturesTheWindowAndCountsObjects()
    {
        TestHome home;
        qputenv("XDG_CONFIG_HOME", home.FilePath("xdg").toUtf8());
        const QString layout = ReadyTemplate(home);
        const QByteArray before = home.Read("template/t1/20261201090001.fr3");
        const QString png = home.FilePath("d.png");
        QString out, err;
        QCOMPARE(Run({"--home", home.Path(), "design", "--template", "0", "--select", "ReceiverName",
                      "--zoom", "0.8", "--png", png},
                     &out, &err),
                 0);
        QCOMPARE(out, QStringLiteral("objects 16\n")); // 15 fields and the order number's barcode
        const QImage image(png);
        QVERIFY(image.width() >= 800 && image.height() >= 500);
        // Looking is not editing: the template stays as it was.
        QCOMPARE(home.Read("template/t1/20261201090001.fr3"), before);
        out.clear();
        QCOMPARE(Run({"design", "--layout", layout, "--png", png}, &out, &err), 0);
        QCOMPARE(out, QStringLiteral("objects 16\n")); // 15 fields and the order number's barcode
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("no picture") << QStringList{"design", "--template", "0"} << 2;
        QTest::newRow("both sources")
            << QStringList{"design", "--template", "0", "--layout", "x", "--png", "p"} << 2;
        QTest::newRow("no template") << QStringList{"design", "--template", "7", "--png", "p"} << 2;
        QTest::newRow("missing layout")
            << QStringList{"design", "--layout", "/nonexistent.fr3", "--png", "p"} << 1;
        QTest::newRow("unknown object")
            << QStringList{"design", "--template", "0", "--select", "Nobody", "--png", "p"} << 1;
        QTest::newRow("bad zoom") << QStringList{"design", "--template", "0", "--zoom", "x", "--png", "p"}
                                  << 2;
    }
    void errors()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        TestHome home;
        qputenv("XDG_CONFIG_HOME", home.FilePath("xdg").toUtf8());
        ReadyTemplate(home);
        for (QString &a : args)
            if (a == QLatin1String("p"))
                a = home.FilePath("p.png");
        QString out, err;
        QCOMPARE(Run(QStringList{"--home", home.Path()} + args, &out, &err), code);
        QVERIFY(!err.isEmpty());
        QVERIFY(out.isEmpty());
    }
};

QTEST_MAIN(TestDesign)
#include "tst_design.moc"

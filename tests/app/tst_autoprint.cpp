// The timed download-and-print from the main window, against a web server of the test's own and
// a queue of the test run's own print server: login, download, print only what is new, and what
// bad answers do. Also: a queue added after start-up, and deleting linked template folders.
#include "LocalHttpServer.h"
#include "ScriptedUi.h"
#include "TestHome.h"
#include "app/AutoPrint.h"
#include "app/FunctionPAK.h"
#include "app/MainWindow.h"
#include "app/OrderImport.h"
#include "app/OrderModel.h"
#include "app/PrinterCFG.h"
#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "app/journal/PrintJournal.h"
#include "engine/build/frxEngine.h"
#include "engine/pages/frxPreviewPages.h"
#include "engine/print/frxPrinter.h"
#include "tests/support/CupsTools.h"

#include <QComboBox>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringEncoder>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

// The newest job of a queue, 0 when it has none.
int NewestJob(const QString &queue)
{
    QString jobs;
    CupsTools::Run("lpstat", {"-W", "all", "-o", queue}, &jobs);
    int id = 0;
    for (const QString &line : jobs.split('\n', Qt::SkipEmptyParts))
        id = std::max(id, line.section(' ', 0, 0).section('-', -1).toInt());
    return id;
}

// The receivers (column 13 of the demo orders) printed by a job, page by page.
QStringList PrintedReceivers(int job, const QStringList &candidates)
{
    QStringList found;
    if (CupsTools::WaitForJob(job).isEmpty())
        return {"<job did not arrive>"};
    const int pages = int(CupsTools::PageSizes(CupsTools::JobData(job)).size());
    for (int p = 1; p <= pages; ++p) {
        QString onPage = "<none>";
        for (const CupsTools::Word &w : CupsTools::Words(CupsTools::JobData(job), p))
            if (candidates.contains(w.Text))
                onPage = w.Text;
        found << onPage;
    }
    return found;
}

} // namespace

class TestAutoPrint : public QObject {
    Q_OBJECT

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ScriptedUi> m_ui;
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<TFMainWindow> m_window;
    QList<QByteArray> m_demoLines; // the demo export, header first
    QByteArray m_served;           // what /orders.csv answers
    QStringList m_receivers;       // receiver of each demo order

    QStringList Statuses() const
    {
        QStringList statuses;
        for (int r = 0; r < m_window->GridModel->rowCount(); ++r)
            statuses << m_window->GridModel->Status(r);
        return statuses;
    }

    QByteArray Export(const QList<int> &orders) const
    {
        QByteArray text = m_demoLines[0] + "\r\n";
        for (int o : orders)
            text += m_demoLines[o + 1] + "\r\n";
        return text;
    }

    // A program folder with the ready template, the demo settings plus [AUTO], and the window.
    void Start(const QByteArray &autoSection)
    {
        m_home = std::make_unique<TestHome>();
        QByteArray ini = ReadFile(WAYBILL_SOURCE_DIR "/data/config/PRINTER.INI");
        ini.replace("VAR_CURR_PRINTER=", "VAR_CURR_PRINTER=Capture");
        // The settings file is in the legacy code page, like the shipped one.
        m_home->Write("config/PRINTER.INI",
                      ini + "\r\n[AUTO]\r\n" +
                          QStringEncoder("GB18030").encode(QString::fromUtf8(autoSection)));
        const QString folder = "template/t20261201090001";
        for (const char *name : {"CFG.INI", "20261201090001.fr3"})
            m_home->Write(folder + "/" + name,
                          ReadFile(QStringLiteral(WAYBILL_SOURCE_DIR "/data/") + folder + "/" + name));
        InitGlobals(m_home->Path());
        m_window = std::make_unique<TFMainWindow>();
        m_window->AttachTavrelForm(std::make_unique<TTavrelForm>());
        m_window->show();
        CurrTemplate = TemplateList.value(0);
    }

    QByteArray Settings(const QByteArray &extra = "TIMEOUT=2\r\n") const
    {
        return "LOGIN_URL=" + m_server->Url("/login").toUtf8() +
               "\r\nORDER_URL=" + m_server->Url("/orders.csv").toUtf8() +
               "\r\nUSERNAME=卖家\r\nPASSWORD=p&w =\r\nINTERVAL=7\r\nALLOW_HTTP=1\r\n" + extra;
    }

private slots:
    void initTestCase()
    {
        frxRegisterEngine();
        TfrxPreviewPages::Register();
        const QByteArray demo = ReadFile(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv");
        for (QByteArray line : demo.split('\n'))
            if (!line.trimmed().isEmpty())
                m_demoLines << line.replace("\r", "");
        QVERIFY(m_demoLines.size() > 5);
        InitGlobals(WAYBILL_SOURCE_DIR "/data");
        ImportOrders(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv");
        for (const THashTable &row : OrderRows)
            m_receivers << row.LookupValue("C13");
    }

    void init()
    {
        m_ui = std::make_unique<ScriptedUi>();
        m_server = std::make_unique<LocalHttpServer>();
        QVERIFY(m_server->Listen());
        // The order file is served only to a session that logged in.
        m_server->Handler = [this](const LocalHttpServer::Request &r) {
            LocalHttpServer::Response answer;
            if (r.Path == "/login") {
                answer.Headers << qMakePair(QByteArray("Set-Cookie"), QByteArray("sid=s3cr3t; Path=/"));
                answer.Body = "<html>welcome</html>";
            } else if (r.Path == "/orders.csv" && r.Headers.value("cookie").contains("sid=s3cr3t")) {
                answer.Headers << qMakePair(QByteArray("Content-Type"), QByteArray("text/csv"));
                answer.Body = m_served;
            } else {
                answer.Status = 403;
            }
            return answer;
        };
    }

    void cleanup()
    {
        m_window.reset();
        m_server.reset();
        m_ui.reset();
        m_home.reset();
    }

    void buttonsFollowTheSettings()
    {
        Start("");
        QVERIFY(!m_window->ToolButton10->isEnabled() && !m_window->ToolButton11->isVisible());
        m_window.reset();
        Start(Settings());
        QVERIFY(m_window->ToolButton10->isEnabled() && m_window->ToolButton10->isVisible());
        QVERIFY(m_window->ToolButton11->isEnabled() && m_window->ToolButton11->isVisible());
        m_window->ToolButton11Click();
        QVERIFY(m_window->Timer1->isActive());
        QCOMPARE(m_window->Timer1->interval(), 7000);
        QCOMPARE(m_window->ToolButton11->text(), QString("关闭自动"));
        QCOMPARE(m_ui->LastText(), QString("开启自动"));
        m_window->ToolButton11Click();
        QVERIFY(!m_window->Timer1->isActive());
        QCOMPARE(m_window->ToolButton11->text(), QString("开启自动"));
        QCOMPARE(m_ui->Shown.size(), 1);
    }

    void runsPrintOnlyNewOrders()
    {
        m_served = Export({0, 1, 2});
        Start(Settings());
        const int before = NewestJob("Capture");
        m_window->ToolButton10Click();
        QVERIFY2(m_ui->Shown.isEmpty(), qPrintable(m_ui->LastText()));

        // The login: a form post with the fields in order and the headers of the timed mode.
        const QList<LocalHttpServer::Request> logins = m_server->RequestsFor("/login");
        QCOMPARE(logins.size(), 1);
        const LocalHttpServer::Request &login = logins[0];
        QCOMPARE(login.Method, QByteArray("POST"));
        QCOMPARE(login.Body, QByteArray("username=%E5%8D%96%E5%AE%B6&password=p%26w%20%3D"));
        QCOMPARE(login.Headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(login.Headers.value("cache-control"), QByteArray("no-cache"));
        QVERIFY(
            login.Headers.value("user-agent").startsWith("Mozilla/5.0 (Windows; U; Windows NT 5.1; zh-CN"));
        QCOMPARE(login.Headers.value("accept"),
                 QByteArray("text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"));
        QCOMPARE(login.Headers.value("accept-encoding"), QByteArray("gzip,deflate"));
        QCOMPARE(login.Headers.value("accept-charset"), QByteArray("gb2312,utf-8;q=0.7,*;q=0.7"));
        // The download came with the login's cookie, and the file is where the settings live.
        QCOMPARE(m_server->RequestsFor("/orders.csv").size(), 1);
        QCOMPARE(ReadFile(m_home->FilePath("config/auto-orders.csv")), m_served);

        const int job = NewestJob("Capture");
        QVERIFY(job > before);
        QCOMPARE(PrintedReceivers(job, m_receivers), m_receivers.mid(0, 3));
        QCOMPARE(Statuses(), QStringList(3, OrderModel::Printed));
        // Remembered in the print journal; the old text record is no longer written.
        QVERIFY(!QFile::exists(m_home->FilePath("config/auto-printed.txt")));
        QCOMPARE(Journal::Database(Journal::DefaultPath()).Entries({}).size(), 3);

        // The next tick finds nothing new: no job, and the status bar says so.
        m_window->ToolButton10Click();
        QCOMPARE(NewestJob("Capture"), job);
        QVERIFY2(m_window->StatusText(10).contains("没有新订单"), qPrintable(m_window->StatusText(10)));
        QCOMPARE(Statuses(), QStringList(3, OrderModel::Printed));

        // A new order between the others is printed alone.
        m_served = Export({0, 3, 1, 2});
        m_window->ToolButton10Click();
        const int second = NewestJob("Capture");
        QVERIFY(second > job);
        QCOMPARE(PrintedReceivers(second, m_receivers), QStringList{m_receivers[3]});
        QCOMPARE(Statuses(), QStringList(4, OrderModel::Printed));

        // The record outlives the program: a new window prints nothing of it again.
        m_window.reset();
        m_window = std::make_unique<TFMainWindow>();
        m_window->AttachTavrelForm(std::make_unique<TTavrelForm>());
        m_window->ToolButton10Click();
        QCOMPARE(NewestJob("Capture"), second);
        QCOMPARE(Statuses(), QStringList(4, OrderModel::Printed));

        // The server gone: the message, and the orders of the last run stay.
        m_server->Close();
        m_window->ToolButton10Click();
        QCOMPARE(m_ui->Shown.size(), 1);
        QVERIFY2(m_ui->LastText().startsWith(m_server->Url("/orders.csv") + "下载出错!"),
                 qPrintable(m_ui->LastText()));
        QCOMPARE(OrderRows.size(), size_t(4));
        QCOMPARE(m_window->GridModel->rowCount(), 4);
        QCOMPARE(ReadFile(m_home->FilePath("config/auto-orders.csv")), m_served);
        QCOMPARE(AutoPrintBusy, 0);
    }

    // A tick that comes while a run waits for the server is turned away; the run goes on.
    void tickDuringARunIsSkipped()
    {
        m_served = Export({0});
        Start(Settings());
        CurrPrinter.clear(); // no printing needed here
        const auto serve = m_server->Handler;
        int nested = 0;
        m_server->Handler = [&](const LocalHttpServer::Request &r) {
            LocalHttpServer::Response answer = serve(r);
            if (r.Path == "/orders.csv") {
                answer.DelayMs = 300;
                QTimer::singleShot(50, m_window.get(), [&] {
                    QCOMPARE(AutoPrintBusy, 1);
                    ++nested;
                    m_window->ToolButton10Click();
                });
            }
            return answer;
        };
        // While the seller's own print run uses the report object, a tick waits too.
        m_window->TavrelForm->PrintRunning = 1;
        m_window->ToolButton10Click();
        m_window->TavrelForm->PrintRunning = 0;
        QVERIFY(m_server->Requests.isEmpty());

        m_window->ToolButton10Click();
        QCOMPARE(nested, 1);
        QCOMPARE(m_server->RequestsFor("/login").size(), 1);
        QCOMPARE(m_server->RequestsFor("/orders.csv").size(), 1);
        QCOMPARE(m_ui->LastText(), QString("请选择打印机!")); // the run itself went on to its checks
        QCOMPARE(m_ui->Shown.size(), 1);
        QCOMPARE(AutoPrintBusy, 0);
    }

    void badAnswersKeepThePreviousOrders_data()
    {
        QTest::addColumn<QByteArray>("badAddress");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("reason");
        QTest::newRow("500") << QByteArray() << 500 << QByteArray("oops") << "HTTP 500";
        QTest::newRow("over MAX_SIZE_MB") << QByteArray() << 200 << QByteArray(3 * 1024 * 1024, 'x') << "1 MB";
        QTest::newRow("a web page") << QByteArray() << 200 << QByteArray("<!DOCTYPE html><html>login</html>")
                                    << "不是 CSV";
        QTest::newRow("binary") << QByteArray() << 200 << QByteArray("PK\x03\x04\0\0\0", 7) << "不是 CSV";
        QTest::newRow("never answers") << QByteArray() << 0 << QByteArray() << "没有应答";
        QTest::newRow("redirect loop") << QByteArray() << 302 << QByteArray() << "转向";
        QTest::newRow("malformed address") << QByteArray("ht tp://nowhere") << 200 << QByteArray() << "无效";
    }

    void badAnswersKeepThePreviousOrders()
    {
        QFETCH(QByteArray, badAddress);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, reason);
        Start(Settings("TIMEOUT=1\r\nMAX_SIZE_MB=1\r\n"));
        m_served = Export({0, 1});
        m_window->ToolButton10Click(); // a good run first
        QCOMPARE(OrderRows.size(), size_t(2));
        m_window->ToolButton11Click(); // the timer on
        m_ui->Clear();
        m_server->Handler = [&](const LocalHttpServer::Request &r) {
            LocalHttpServer::Response answer;
            if (r.Path != "/orders.csv")
                return answer;
            answer.Status = status;
            answer.Body = body;
            answer.Never = status == 0;
            if (status == 302)
                answer.Headers << qMakePair(QByteArray("Location"), QByteArray("/orders.csv"));
            return answer;
        };
        m_served = Export({0, 1, 2});
        if (!badAddress.isEmpty())
            m_home->Write("config/PRINTER.INI",
                          m_home->Read("config/PRINTER.INI")
                              .replace(m_server->Url("/orders.csv").toUtf8(), badAddress));
        m_window->ToolButton10Click();
        QCOMPARE(m_ui->Shown.size(), 1);
        QVERIFY2(m_ui->LastText().contains(reason), qPrintable(m_ui->LastText()));
        if (badAddress.isEmpty())
            QVERIFY(m_ui->LastText().startsWith(m_server->Url("/orders.csv") + "下载出错!"));
        QCOMPARE(OrderRows.size(), size_t(2));
        QCOMPARE(Statuses(), QStringList(2, OrderModel::Printed));
        QCOMPARE(ReadFile(m_home->FilePath("config/auto-orders.csv")), Export({0, 1}));
        QCOMPARE(TemplateList.size(), 1);
        QVERIFY(m_window->Timer1->isActive());
        QCOMPARE(AutoPrintBusy, 0);
        QVERIFY(QDir(m_home->FilePath("config")).entryList({"*.csv*"}, QDir::Files | QDir::Hidden) ==
                QStringList{"auto-orders.csv"});
    }

    // The same run over HTTPS, against a server whose certificate the test trusts.
    void httpsWorks()
    {
        QVERIFY(QSslSocket::supportsSsl());
        const QByteArray certificate = ReadFile(WAYBILL_FIXTURES "/tls/cert.pem");
        QSslConfiguration trusted = QSslConfiguration::defaultConfiguration();
        const QSslConfiguration before = trusted;
        trusted.addCaCertificate(QSslCertificate(certificate));
        QSslConfiguration::setDefaultConfiguration(trusted);
        auto handler = m_server->Handler;
        m_server = std::make_unique<LocalHttpServer>(certificate, ReadFile(WAYBILL_FIXTURES "/tls/key.pem"));
        m_server->Handler = handler;
        QVERIFY(m_server->Listen());
        QVERIFY(m_server->Url("/").startsWith("https://"));
        m_served = Export({0, 1});
        Start(Settings());
        CurrPrinter.clear();
        m_window->ToolButton10Click();
        QSslConfiguration::setDefaultConfiguration(before);
        QCOMPARE(m_ui->LastText(),
                 QString("请选择打印机!")); // downloaded and imported; only the printer is missing
        QCOMPARE(OrderRows.size(), size_t(2));
        QCOMPARE(m_server->RequestsFor("/login").size(), 1);
        QCOMPARE(ReadFile(m_home->FilePath("config/auto-orders.csv")), m_served);
    }

    // A queue added to the print server after the engine read its list is offered by the printer
    // dialog and printed to.
    void printerAddedAfterStartUp()
    {
        m_served = Export({4});
        Start("");
        QVERIFY(Printers().Count() > 0); // the engine's list is read now
        QVERIFY(!TTavrelForm::PrinterInstalled("LateQueue"));
        const QString device = "capture:" + CupsTools::ServerDir() + "/jobs";
        QCOMPARE(CupsTools::Run("lpadmin", {"-p", "LateQueue", "-E", "-v", device, "-m", "raw"}), 0);
        CurrPrinter = "LateQueue";
        m_window->ImportOrderFile(WAYBILL_SOURCE_DIR "/data/orders/demo-orders.csv");
        m_window->ListViewGrid->selectRow(4);
        m_ui->Answers.enqueue(true);
        m_window->N16Click();
        QVERIFY2(m_ui->Shown.size() == 1, qPrintable(m_ui->LastText()));
        QCOMPARE(m_window->GridModel->Status(4), OrderModel::Printed);
        const int job = NewestJob("LateQueue");
        QVERIFY(job > 0);
        QCOMPARE(PrintedReceivers(job, m_receivers), QStringList{m_receivers[4]});

        // The printer dialog reads the list again when it opens.
        QCOMPARE(CupsTools::Run("lpadmin", {"-p", "LateQueue2", "-E", "-v", device, "-m", "raw"}), 0);
        {
            TPrinterConfig dialog(m_window.get());
            dialog.FormInit();
            QVERIFY(dialog.ComboBoxList->findText("LateQueue2") >= 0);
        }
        QVERIFY(Printers().IndexOf("LateQueue2") >= 0);
        CupsTools::Run("lpadmin", {"-x", "LateQueue2"});
        CupsTools::Run("lpadmin", {"-x", "LateQueue"});
    }

    // Deleting a template never reaches outside the template folder.
    void deletingLinkedTemplateFolders()
    {
        TestHome home;
        QTemporaryDir outside;
        const QString kept = outside.filePath("keep.txt");
        QFile f(kept);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("precious");
        f.close();
        // A template folder that is a link: the link goes, its target stays.
        QVERIFY(QFile::link(outside.path(), home.FilePath("template/linked")));
        QVERIFY(DeleteDirTree(home.FilePath("template/linked")));
        QVERIFY(!QFileInfo(home.FilePath("template/linked")).isSymLink());
        QVERIFY(QFile::exists(kept));
        // Links inside a real template folder are removed as links.
        const QString folder = home.AddTemplate("t1", "圆通");
        QVERIFY(QFile::link(outside.path(), folder + "/dir-link"));
        QVERIFY(QFile::link(kept, folder + "/file-link"));
        QVERIFY(DeleteDirTree(folder + "/"));
        QVERIFY(!QFileInfo::exists(folder));
        QCOMPARE(ReadFile(kept), QByteArray("precious"));
    }
};

QTEST_MAIN(TestAutoPrint)
#include "tst_autoprint.moc"

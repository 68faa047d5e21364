#include "app/AutoPrint.h"

#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "app/journal/JournalAuto.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace {

int ReadPositive(const IniFile &ini, const char *key, int defaultValue, int maximum)
{
    const int value = ini.ReadInteger(QStringLiteral("AUTO"), QLatin1String(key), defaultValue);
    return value > 0 ? std::min(value, maximum) : defaultValue;
}

// Lowers AutoPrintBusy however a run ends.
class BusyFlag {
public:
    BusyFlag() { AutoPrintBusy = 1; }
    ~BusyFlag() { AutoPrintBusy = 0; }
    BusyFlag(const BusyFlag &) = delete;
    BusyFlag &operator=(const BusyFlag &) = delete;
};

QNetworkRequest MakeRequest(const QString &url, int timeoutMs)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    // No byte for this long ends the request (a server that accepts and never answers).
    request.setTransferTimeout(timeoutMs);
    return request;
}

// Waits for the reply while the program's events go on (the window stays live; timer ticks arrive
// and are turned away by AutoPrintBusy).
void Wait(QNetworkReply *reply)
{
    if (reply->isFinished())
        return;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
}

QString ReplyError(QNetworkReply *reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::OperationCanceledError ||
        reply->error() == QNetworkReply::TimeoutError)
        return QStringLiteral("服务器没有应答");
    if (reply->error() == QNetworkReply::TooManyRedirectsError)
        return QStringLiteral("转向次数过多");
    if (status >= 400)
        return QStringLiteral("服务器答复 HTTP %1").arg(status);
    return reply->errorString();
}

// An order export is text: no NUL bytes, and not a web page (what a server sends for a login
// form or an error).
bool LooksLikeOrderFile(const QByteArray &head, const QString &contentType, QString *why)
{
    if (contentType.startsWith(QLatin1String("text/html"), Qt::CaseInsensitive) ||
        contentType.startsWith(QLatin1String("application/xhtml"), Qt::CaseInsensitive)) {
        *why = QStringLiteral("服务器送来的是网页，不是 CSV 订单文件");
        return false;
    }
    // UTF-16 exports hold zero bytes by nature; they begin with a byte order mark.
    const bool utf16 = head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF");
    if (!utf16 && head.contains('\0')) {
        *why = QStringLiteral("服务器送来的不是 CSV 订单文件");
        return false;
    }
    QByteArray start = head.left(64).trimmed().toLower();
    if (start.startsWith("\xEF\xBB\xBF"))
        start = start.mid(3).trimmed();
    if (start.startsWith("<!doctype") || start.startsWith("<html") || start.startsWith("<?xml")) {
        *why = QStringLiteral("服务器送来的是网页，不是 CSV 订单文件");
        return false;
    }
    return true;
}

} // namespace

TAutoSettings ReadAutoSettings()
{
    TAutoSettings s;
    const IniFile ini(PrinterIniPath());
    const QString section = QStringLiteral("AUTO");
    s.LoginUrl = ini.ReadString(section, QStringLiteral("LOGIN_URL"), QString()).trimmed();
    s.OrderUrl = ini.ReadString(section, QStringLiteral("ORDER_URL"), QString()).trimmed();
    s.UserName = ini.ReadString(section, QStringLiteral("USERNAME"), QString());
    s.Password = ini.ReadString(section, QStringLiteral("PASSWORD"), QString());
    s.Interval = ReadPositive(ini, "INTERVAL", 10, 24 * 3600);
    s.TimeoutMs = ReadPositive(ini, "TIMEOUT", 30, 3600) * 1000;
    s.MaxBytes = qint64(ReadPositive(ini, "MAX_SIZE_MB", 50, 1024)) * 1024 * 1024;
    return s;
}

QString AutoOrdersPath()
{
    return AppPath + QStringLiteral("config/auto-orders.csv");
}

QString AutoPrintedPath()
{
    return AppPath + QStringLiteral("config/auto-printed.txt");
}

bool CheckWebAddress(const QString &url, QString *why)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        parsed.host().isEmpty()) {
        *why = QStringLiteral("地址 \"%1\" 无效: 须是 http:// 或 https:// 开头的网址").arg(url);
        return false;
    }
    return true;
}

QString HttpPost(QNetworkAccessManager &manager, const QString &url,
                 const QList<QPair<QString, QString>> &fields, int timeoutMs)
{
    QNetworkRequest request = MakeRequest(url, timeoutMs);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader(
        "User-Agent",
        "Mozilla/5.0 (Windows; U; Windows NT 5.1; zh-CN; rv:1.9.0.1) Gecko/2008070208 Firefox/3.0.1");
    request.setRawHeader("Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    request.setRawHeader("Accept-Encoding", "gzip,deflate");
    request.setRawHeader("Accept-Charset", "gb2312,utf-8;q=0.7,*;q=0.7");
    request.setRawHeader("Connection", "keep-alive");
    QByteArray body;
    for (const auto &[name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    QNetworkReply *reply = manager.post(request, body);
    Wait(reply);
    const QString answer = reply->error() == QNetworkReply::NoError ? QString::fromUtf8(reply->readAll())
                                                                    : QStringLiteral("error");
    reply->deleteLater();
    return answer;
}

bool DownloadFile(QNetworkAccessManager &manager, const QString &url, const QString &localPath,
                  const TAutoSettings &settings, QString *why)
{
    if (!CheckWebAddress(url, why))
        return false;
    QSaveFile file(localPath);
    if (!file.open(QIODevice::WriteOnly)) {
        *why = QStringLiteral("无法写入 %1: %2").arg(localPath, file.errorString());
        return false;
    }
    QNetworkReply *reply = manager.get(MakeRequest(url, settings.TimeoutMs));
    QByteArray head;
    qint64 received = 0;
    QString failure;
    auto take = [&] {
        const QByteArray chunk = reply->readAll();
        received += chunk.size();
        if (received > settings.MaxBytes) {
            failure = QStringLiteral("订单文件超过 %1 MB").arg(settings.MaxBytes / (1024 * 1024));
            reply->abort();
            return;
        }
        if (head.size() < 4096)
            head += chunk.left(4096 - head.size());
        if (file.write(chunk) != chunk.size()) {
            failure = QStringLiteral("无法写入 %1: %2").arg(localPath, file.errorString());
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, take);
    Wait(reply);
    if (failure.isEmpty() && reply->error() == QNetworkReply::NoError)
        take();
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = ReplyError(reply);
    if (failure.isEmpty())
        LooksLikeOrderFile(head, reply->header(QNetworkRequest::ContentTypeHeader).toString(), &failure);
    reply->deleteLater();
    if (!failure.isEmpty()) {
        file.cancelWriting();
        *why = failure;
        return false;
    }
    if (!file.commit()) {
        *why = QStringLiteral("无法写入 %1: %2").arg(localPath, file.errorString());
        return false;
    }
    return true;
}

// ---- orders printed before ----------------------------------------------------------------------

QByteArray TPrintedOrders::Key(const THashTable &row)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int j = 1; j <= OrderColumns.size(); ++j) {
        hash.addData(row.LookupValue(QStringLiteral("C%1").arg(j)).toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
    }
    return hash.result().toHex();
}

void TPrintedOrders::Load()
{
    m_keys.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QByteArray key = line.trimmed();
        if (key.size() == 40)
            m_keys.insert(key);
    }
}

bool TPrintedOrders::Save() const
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QList<QByteArray> keys(m_keys.begin(), m_keys.end());
    std::sort(keys.begin(), keys.end());
    for (const QByteArray &key : std::as_const(keys))
        file.write(key + '\n');
    return file.commit();
}

// ---- one run ------------------------------------------------------------------------------------

TAutoResult AutoPrintRun(const TAutoSettings &settings, const TAutoRunHost &host)
{
    if (AutoPrintBusy == 1)
        return TAutoResult::Busy;
    BusyFlag busy;

    QString why;
    if (!CheckWebAddress(settings.OrderUrl, &why) ||
        (!settings.LoginUrl.isEmpty() && !CheckWebAddress(settings.LoginUrl, &why))) {
        host.Message(QStringLiteral("自动打印的设置有误 ([AUTO] LOGIN_URL / ORDER_URL):\n") + why);
        return TAutoResult::BadSettings;
    }

    QNetworkAccessManager manager;
    manager.setCookieJar(new QNetworkCookieJar(&manager));
    // The login's answer plays no part: a server that refuses it may still serve the file.
    if (!settings.LoginUrl.isEmpty())
        HttpPost(manager, settings.LoginUrl,
                 {{QStringLiteral("username"), settings.UserName},
                  {QStringLiteral("password"), settings.Password}},
                 settings.TimeoutMs);
    if (!DownloadFile(manager, settings.OrderUrl, AutoOrdersPath(), settings, &why)) {
        host.Message(settings.OrderUrl + QStringLiteral("下载出错!\n") + why);
        return TAutoResult::DownloadFailed;
    }

    QList<int> unclosed;
    try {
        ImportOrders(AutoOrdersPath(), nullptr, &unclosed);
    } catch (const std::exception &e) {
        host.Message(ExceptionText(e));
        return TAutoResult::ImportFailed;
    }
    host.ShowData();

    // The journal decides what is new; without it the run prints nothing (app/journal/JournalAuto.h).
    std::optional<Journal::AutoJournal> journal;
    Journal::AutoJournal::Plan plan;
    try {
        journal.emplace(AutoPrintedPath());
        plan = journal->Survey();
    } catch (const Journal::EJournalError &e) {
        host.Message(e.Message() + QStringLiteral("\n自动打印没有打印。"));
        return TAutoResult::PrintFailed;
    }
    for (int r : std::as_const(plan.Printed))
        host.MarkPrinted(r);
    QList<int> fresh = plan.Fresh;
    QString note =
        QStringLiteral("自动打印: 读入 %1 条订单, 新订单 %2 条").arg(OrderRows.size()).arg(fresh.size());
    if (!unclosed.isEmpty())
        note += QStringLiteral("; ") + UnclosedQuoteWarning(unclosed);
    if (!plan.Unknown.isEmpty()) {
        const QString unknown = QStringLiteral("%1 个订单的打印中断了, 不知是否已打印, 自动打印不再打印它们; 请查看打印机")
                                    .arg(plan.Unknown.size());
        // Said in a message once, when the killed run is found; in the status bar after that.
        if (plan.Abandoned > 0)
            host.Message(unknown);
        note += QStringLiteral("; ") + unknown;
    }
    host.Status(note);

    if (!host.CheckReady())
        return TAutoResult::NotReady;
    if (fresh.isEmpty()) {
        host.Status(QStringLiteral("自动打印: 没有新订单 (读入 %1 条, 都已打印过)").arg(OrderRows.size()));
        return TAutoResult::NothingNew;
    }

    // Claimed before the pages are made: another program printing now gets none of them.
    bool done = false;
    try {
        fresh = journal->Claim(fresh);
        if (fresh.isEmpty()) {
            host.Status(QStringLiteral("自动打印: 没有新订单 (另一个打印正在打印)"));
            return TAutoResult::NothingNew;
        }
        done = host.PrintRows(fresh);
    } catch (const std::exception &e) {
        host.Message(ExceptionText(e));
        return TAutoResult::PrintFailed;
    }
    if (!done)
        return TAutoResult::PrintFailed;
    if (!journal->RecordError().isEmpty())
        host.Message(journal->RecordError() +
                     QStringLiteral("\n订单已打印, 但打印记录没有记下; 下次自动打印会把它们列为不知是否已打印。"));
    host.Status(QStringLiteral("自动打印: 打印了 %1 条新订单").arg(fresh.size()));
    return TAutoResult::Printed;
}

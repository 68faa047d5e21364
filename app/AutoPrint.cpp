#include "app/AutoPrint.h"

#include "app/OrderImport.h"
#include "app/TemplateClS.h"
#include "app/journal/JournalAuto.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "platform/Interrupt.h"
#include "platform/SafeFile.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <climits>
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

QNetworkRequest MakeRequest(const QString &url, const QDeadlineTimer &deadline)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    request.setTransferTimeout(int(std::clamp<qint64>(deadline.remainingTime(), 1, INT_MAX)));
    return request;
}

// Waits for the reply while the program's events go on (the window stays live; timer ticks arrive
// and are turned away by AutoPrintBusy). A reply still running at the deadline, or when an
// interrupt (Ctrl+C, a termination request of the command line) arrives, is aborted, with the
// reason in *failure when that is still empty.
void Wait(QNetworkReply *reply, const QDeadlineTimer &deadline, int timeoutSeconds, QString *failure)
{
    if (reply->isFinished())
        return;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        QString cut;
        if (Interrupt::Requested())
            cut = QStringLiteral("被中断");
        else if (deadline.hasExpired())
            cut = QStringLiteral("服务器没有应答 (%1 秒内没有完成登录和下载)").arg(timeoutSeconds);
        if (cut.isEmpty() || reply->isFinished())
            return;
        if (failure->isEmpty())
            *failure = cut;
        reply->abort();
    });
    watch.start();
    loop.exec();
}

QString ReplyError(QNetworkReply *reply, int timeoutSeconds)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // A redirect the network layer refused (to a scheme it cannot fetch, or from https to http)
    // ends the reply without a reason of its own.
    const QByteArray location = reply->rawHeader("Location");
    if (!location.isEmpty() && status >= 300 && status < 400 &&
        reply->error() != QNetworkReply::TooManyRedirectsError) {
        const QString scheme = QUrl(QString::fromUtf8(location)).scheme().toLower();
        QString shown = ShownUrl(QString::fromUtf8(location));
        if (shown.size() > 60)
            shown = shown.left(57) + QStringLiteral("...");
        if (scheme == QLatin1String("http") && reply->url().scheme().toLower() == QLatin1String("https"))
            return QStringLiteral("服务器转向了不加密的地址 %1").arg(shown);
        if (!scheme.isEmpty() && scheme != QLatin1String("http") && scheme != QLatin1String("https"))
            return QStringLiteral("服务器转向了不是网址的地址 %1").arg(shown);
    }
    if (reply->error() == QNetworkReply::OperationCanceledError ||
        reply->error() == QNetworkReply::TimeoutError)
        return QStringLiteral("服务器没有应答 (%1 秒内没有完成登录和下载)").arg(timeoutSeconds);
    if (reply->error() == QNetworkReply::TooManyRedirectsError)
        return QStringLiteral("转向次数过多");
    if (status >= 400)
        return QStringLiteral("服务器答复 HTTP %1").arg(status);
    const QString text = reply->errorString();
    // The decoder's own reason is often empty ("Decompression failed: ").
    if (text.startsWith(QLatin1String("Decompression failed"))) {
        const QString encoding = QString::fromLatin1(reply->rawHeader("Content-Encoding"));
        return QStringLiteral("服务器送来的压缩数据 (Content-Encoding: %1) 无法解开, 数据已损坏或不完整")
            .arg(encoding.isEmpty() ? QStringLiteral("?") : encoding);
    }
    if (reply->error() == QNetworkReply::RemoteHostClosedError)
        return QStringLiteral("下载不完整: 服务器在文件结束前断开了连接");
    return text;
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

// The whole answer arrived: as many bytes as Content-Length said, or the chunked answer's end (the
// network layer fails a reply whose connection closed before either). An answer that simply ends
// with the connection may have been cut anywhere; an export ends with a line break, so only one
// that does is taken.
bool IsComplete(QNetworkReply *reply, qint64 received, const QByteArray &tail, QString *why)
{
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    const bool decoded = !encoding.isEmpty() && encoding != "identity";
    bool known = false;
    const qint64 length = reply->rawHeader("Content-Length").trimmed().toLongLong(&known);
    if (known && !decoded) {
        if (received != length) {
            *why = QStringLiteral("下载不完整: 收到 %1 字节, 服务器说有 %2 字节").arg(received).arg(length);
            return false;
        }
        return true;
    }
    if (known || reply->rawHeader("Transfer-Encoding").toLower().contains("chunked"))
        return true;
    // UTF-16 line breaks are two bytes.
    if (!tail.endsWith('\n') && !tail.endsWith(QByteArrayView("\n\0", 2))) {
        *why = QStringLiteral("下载不完整: 连接在文件结束前断开 (最后一行没有换行)");
        return false;
    }
    return true;
}

// The header line of an order export names the configured order columns (in any order). The
// first line of a login page, an error message or a foreign file names none of them.
bool HasOrderHeader(const QByteArray &head, QString *why)
{
    if (OrderColumns.isEmpty())
        return true; // no columns to compare; the import says so
    QString text = DecodeText(head);
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    QString line = end < 0 ? text : text.left(end);
    if (line.startsWith(QChar(0xFEFF)))
        line.remove(0, 1);
    QSet<QString> names;
    for (const QString &field : SplitOrderLine(line))
        names.insert(field.trimmed());
    QStringList missing;
    for (const TColumn &column : std::as_const(OrderColumns))
        if (!names.contains(column.ColName.trimmed()))
            missing << column.ColName;
    if (missing.isEmpty())
        return true;
    if (missing.size() == OrderColumns.size()) {
        QString shown = line.simplified();
        if (shown.size() > 60)
            shown = shown.left(57) + QStringLiteral("...");
        *why = QStringLiteral("服务器送来的不是订单文件: 第一行没有设置的订单列 ([OrderColumn]), 而是 \"%1\"")
                   .arg(shown);
    } else {
        *why = QStringLiteral("订单文件的第一行缺少设置的订单列: %1").arg(missing.join(QStringLiteral(", ")));
    }
    return false;
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
    s.AllowHttp = ini.ReadInteger(section, QStringLiteral("ALLOW_HTTP"), 0) == 1;
    // A password is for the seller's eyes only, whoever wrote the file.
    if (!s.Password.isEmpty())
        SafeFile::MakePrivate(PrinterIniPath());
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
        *why = QStringLiteral("地址 \"%1\" 无效: 须是 http:// 或 https:// 开头的网址").arg(ShownUrl(url));
        return false;
    }
    return true;
}

QString HttpPost(QNetworkAccessManager &manager, const QString &url,
                 const QList<QPair<QString, QString>> &fields, int timeoutMs)
{
    return HttpPost(manager, url, fields, QDeadlineTimer(timeoutMs), nullptr);
}

QString HttpPost(QNetworkAccessManager &manager, const QString &url,
                 const QList<QPair<QString, QString>> &fields, const QDeadlineTimer &deadline, QString *why)
{
    QNetworkRequest request = MakeRequest(url, deadline);
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
    QString failure;
    const int seconds = int((std::max<qint64>(deadline.remainingTime(), 0) + 999) / 1000);
    Wait(reply, deadline, seconds, &failure);
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = ReplyError(reply, seconds);
    const QString answer = failure.isEmpty() ? QString::fromUtf8(reply->readAll()) : QStringLiteral("error");
    if (why)
        *why = failure;
    reply->deleteLater();
    return answer;
}

QString ShownUrl(const QString &url)
{
    const QUrl parsed(url);
    if (parsed.isValid() && !parsed.scheme().isEmpty() && !parsed.host().isEmpty())
        return parsed.toString(QUrl::RemoveUserInfo);
    // Not a web address: whatever stands between "//" and an "@" goes all the same.
    static const QRegularExpression userInfo(QStringLiteral("//[^/?#]*@"));
    return QString(url).replace(userInfo, QStringLiteral("//"));
}

bool DownloadFile(QNetworkAccessManager &manager, const QString &url, const QString &localPath,
                  const TAutoSettings &settings, QString *why, QDeadlineTimer deadline)
{
    if (!CheckWebAddress(url, why))
        return false;
    if (deadline.isForever())
        deadline = QDeadlineTimer(settings.TimeoutMs);
    const int seconds = settings.TimeoutMs / 1000;
    if (deadline.hasExpired()) {
        *why = QStringLiteral("服务器没有应答 (%1 秒内没有完成登录和下载)").arg(seconds);
        return false;
    }
    // Buyers' names, phones and addresses: for the seller's eyes only.
    SafeFile::OutputFile output(localPath, SafeFile::Access::Private);
    QString failure;
    QFile file;
    if (output.Open(failure)) {
        file.setFileName(output.TempPath());
        if (!file.open(QIODevice::WriteOnly))
            failure = file.errorString();
    }
    if (!failure.isEmpty()) {
        *why = QStringLiteral("无法写入 %1: %2").arg(localPath, failure);
        return false;
    }
    QNetworkReply *reply = manager.get(MakeRequest(url, deadline));
    QByteArray head, tail;
    qint64 received = 0;
    auto take = [&] {
        const QByteArray chunk = reply->readAll();
        if (chunk.isEmpty())
            return;
        received += chunk.size();
        if (received > settings.MaxBytes) {
            failure = QStringLiteral("订单文件超过 %1 MB").arg(settings.MaxBytes / (1024 * 1024));
            reply->abort();
            return;
        }
        if (head.size() < 65536)
            head += chunk.left(65536 - head.size());
        tail = (tail + chunk).right(2);
        if (file.write(chunk) != chunk.size()) {
            failure = QStringLiteral("无法写入 %1: %2")
                          .arg(localPath, SafeFile::WriteFailure(localPath, file.errorString()));
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, take);
    Wait(reply, deadline, seconds, &failure);
    if (failure.isEmpty() && reply->error() == QNetworkReply::NoError)
        take();
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = ReplyError(reply, seconds);
    if (failure.isEmpty() && received == 0)
        failure = QStringLiteral("服务器送来的文件是空的");
    if (failure.isEmpty())
        IsComplete(reply, received, tail, &failure);
    if (failure.isEmpty())
        LooksLikeOrderFile(head, reply->header(QNetworkRequest::ContentTypeHeader).toString(), &failure);
    if (failure.isEmpty())
        HasOrderHeader(head, &failure);
    reply->deleteLater();
    if (failure.isEmpty() && !SafeFile::FinishWrite(file, localPath, failure))
        failure = QStringLiteral("无法写入 %1: %2").arg(localPath, failure);
    if (failure.isEmpty() && !output.Commit(failure))
        failure = QStringLiteral("无法写入 %1: %2").arg(localPath, failure);
    if (!failure.isEmpty()) {
        *why = failure;
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

    // A password over plain http can be read by anyone on the way.
    const auto plain = [](const QString &url) { return QUrl(url).scheme().toLower() == QLatin1String("http"); };
    QString clear;
    if (!settings.LoginUrl.isEmpty() && plain(settings.LoginUrl))
        clear = ShownUrl(settings.LoginUrl);
    else if (plain(settings.OrderUrl) && !QUrl(settings.OrderUrl).password().isEmpty())
        clear = ShownUrl(settings.OrderUrl);
    if (!clear.isEmpty()) {
        if (!settings.AllowHttp) {
            host.Message(QStringLiteral("自动打印的设置有误: 登录地址 %1 不加密 (http://), 密码会明文发出。\n"
                                        "请改用 https:// 的地址; 确要如此, 在 [AUTO] 设 ALLOW_HTTP=1。")
                             .arg(clear));
            return TAutoResult::BadSettings;
        }
        const QString warning =
            QStringLiteral("警告: 登录地址 %1 不加密 (http://), 密码明文发出 ([AUTO] ALLOW_HTTP=1)").arg(clear);
        (host.Warning ? host.Warning : host.Status)(warning);
    }

    const QDeadlineTimer deadline(settings.TimeoutMs);
    QNetworkAccessManager manager;
    manager.setCookieJar(new QNetworkCookieJar(&manager));
    // The login's answer plays no part: a server that refuses it may still serve the file.
    if (!settings.LoginUrl.isEmpty())
        HttpPost(manager, settings.LoginUrl,
                 {{QStringLiteral("username"), settings.UserName},
                  {QStringLiteral("password"), settings.Password}},
                 deadline, nullptr);
    if (!DownloadFile(manager, settings.OrderUrl, AutoOrdersPath(), settings, &why, deadline)) {
        host.Message(ShownUrl(settings.OrderUrl) + QStringLiteral("下载出错!\n") + why);
        return TAutoResult::DownloadFailed;
    }

    // No one is asked in a timed run: a header with only some of the column names refuses the file.
    QList<int> unclosed;
    try {
        unclosed = ImportOrders(AutoOrdersPath()).UnclosedLines;
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

#pragma once
// The timed download-and-print: its settings ([AUTO] of PRINTER.INI), the form login and the order
// file download over HTTP or HTTPS, the record of the orders it has printed, and one run as the
// window's timer and the command line's auto-print both do it.
//
// A run: log in (cookies kept for the download), download the order file into
// config/auto-orders.csv (mode 0600, through a temporary file, so a failed download leaves the last
// good file; only a complete answer whose first line names the order columns is taken), import it
// into the grid, check template, printer and orders, and print the orders no earlier run
// has printed. Orders are recognised by their whole content; the record is kept beside the
// settings in config/auto-printed.txt.

#include <QDeadlineTimer>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class QNetworkAccessManager;
class THashTable;

struct TAutoSettings {
    QString LoginUrl;
    QString OrderUrl;
    QString UserName;
    QString Password;
    bool AllowHttp = false;               // a login (a password) may go over plain http
    int Interval = 10;                    // seconds between two runs of the timer
    int TimeoutMs = 30000;                // login and download together end within this time
    qint64 MaxBytes = 50LL * 1024 * 1024; // a larger order file is refused

    // The timed mode is offered only when there is an order file to fetch.
    bool Enabled() const { return !OrderUrl.trimmed().isEmpty(); }
};

// [AUTO] LOGIN_URL, ORDER_URL, USERNAME, PASSWORD, ALLOW_HTTP (1 or 0), INTERVAL (seconds, default
// 10, at most a day), TIMEOUT (seconds, default 30, at most an hour) and MAX_SIZE_MB (default 50, at
// most 1024) of PRINTER.INI. A PRINTER.INI holding a password that others may read is made the
// owner's alone (mode 0600).
TAutoSettings ReadAutoSettings();

QString AutoOrdersPath();  // AppPath + config/auto-orders.csv
QString AutoPrintedPath(); // AppPath + config/auto-printed.txt

// Whether an address can be fetched: http or https with a host. Otherwise *why says what is wrong.
bool CheckWebAddress(const QString &url, QString *why);

// The address as it may be shown: without a user name and password in it.
QString ShownUrl(const QString &url);

// Posts form fields (name, value pairs in order) with the login headers of the timed mode; the
// response body, or "error" when the request fails (the reason in *why when given). Cookies the
// server sets stay in the manager's cookie jar for the requests that follow. A request still
// running at the deadline, or when an interrupt arrives, is aborted; redirects are followed only to
// web addresses, never from https to http.
QString HttpPost(QNetworkAccessManager &manager, const QString &url,
                 const QList<QPair<QString, QString>> &fields, int timeoutMs);
QString HttpPost(QNetworkAccessManager &manager, const QString &url,
                 const QList<QPair<QString, QString>> &fields, const QDeadlineTimer &deadline,
                 QString *why);
// Downloads url into localPath (mode 0600): written to a temporary file beside it and renamed only
// when the whole answer arrived (Content-Length met, the chunked end seen, or, for an answer ended
// by closing the connection, its last byte a line break), it is not empty, not a web page, and its
// first line names every configured order column. False, with the reason in *why, otherwise;
// localPath is then untouched. The deadline (default: settings.TimeoutMs from now) covers the
// whole download.
bool DownloadFile(QNetworkAccessManager &manager, const QString &url, const QString &localPath,
                  const TAutoSettings &settings, QString *why,
                  QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

// The orders the timed mode has printed, by content.
class TPrintedOrders {
public:
    explicit TPrintedOrders(const QString &path) : m_path(path) {}
    // Reads the record; a missing file is an empty record.
    void Load();
    // Writes the record through a temporary file; false when it cannot be written.
    bool Save() const;
    bool Contains(const THashTable &row) const { return m_keys.contains(Key(row)); }
    void Add(const QByteArray &key) { m_keys.insert(key); }
    int Count() const { return int(m_keys.size()); }
    // The row's identity: a digest of the texts of all its order columns.
    static QByteArray Key(const THashTable &row);

private:
    QString m_path;
    QSet<QByteArray> m_keys;
};

// What one run needs from the program that runs it (the window or the command line).
struct TAutoRunHost {
    std::function<void(const QString &text)> Message;      // a message the seller must see
    std::function<void(const QString &text)> Status;       // a note for the status bar
    std::function<void(const QString &text)> Warning;      // said at every run (unset: Status)
    std::function<void()> ShowData;                        // the grid shows OrderRows anew
    std::function<void(int row)> MarkPrinted;              // a row printed by an earlier run
    std::function<bool()> CheckReady;                      // template, printer, orders (says what is missing)
    std::function<bool(const QList<int> &rows)> PrintRows; // one print run of these rows; true when printed
};

enum class TAutoResult {
    Busy,
    BadSettings,
    DownloadFailed,
    ImportFailed,
    NotReady,
    NothingNew,
    Printed,
    PrintFailed
};

// One run of the timed mode. A run that finds AutoPrintBusy raised does nothing (a tick arriving
// while a run waits for the network, a message or the printer); AutoPrintBusy stays raised for the
// whole run. A LOGIN_URL over plain http is refused (BadSettings) unless AllowHttp, which is then
// warned about; login and download together end within settings.TimeoutMs.
TAutoResult AutoPrintRun(const TAutoSettings &settings, const TAutoRunHost &host);

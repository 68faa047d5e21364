#pragma once
// A small HTTP/1.1 server on the loopback address for tests, running in the test's own event loop:
// it records every request (method, path, headers, body) and answers through a handler the test
// sets. An answer can be held back for a while, or never given at all. Given a certificate and key,
// it speaks HTTPS.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>

class LocalHttpServer {
public:
    struct Request {
        QByteArray Method;
        QByteArray Path;
        QMap<QByteArray, QByteArray> Headers; // names in lower case
        QByteArray Body;
    };
    struct Response {
        int Status = 200;
        QList<QPair<QByteArray, QByteArray>> Headers;
        QByteArray Body;
        int DelayMs = 0;    // held back this long
        bool Never = false; // the connection stays open without an answer
        int TrickleMs = 0;  // the body goes one byte every this many milliseconds
        QByteArray Raw;     // when set, the whole answer as it goes on the wire (the connection
                            // then closes: a body without a length ends there)
    };

    std::function<Response(const Request &)> Handler = [](const Request &) {
        Response answer;
        answer.Status = 404;
        answer.Body = "not found";
        return answer;
    };
    QList<Request> Requests;

    LocalHttpServer() : m_server(std::make_unique<QTcpServer>()) { Connect(); }
    // An HTTPS server with this certificate and key (PEM).
    LocalHttpServer(const QByteArray &certificatePem, const QByteArray &keyPem)
    {
        auto server = std::make_unique<QSslServer>();
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(certificatePem));
        tls.setPrivateKey(QSslKey(keyPem, QSsl::Rsa));
        server->setSslConfiguration(tls);
        m_server = std::move(server);
        m_scheme = QStringLiteral("https");
        Connect();
    }
    ~LocalHttpServer() { Close(); }

    bool Listen() { return m_server->listen(QHostAddress::LocalHost, m_port); }
    // Stops listening and drops every open connection: the server is gone.
    void Close()
    {
        m_port = m_server->serverPort();
        m_server->close();
        for (const QPointer<QTcpSocket> &socket : std::as_const(m_sockets))
            if (socket)
                socket->abort();
        m_sockets.clear();
    }
    quint16 Port() const { return m_server->isListening() ? m_server->serverPort() : m_port; }
    QString Url(const QString &path) const
    {
        return QStringLiteral("%1://127.0.0.1:%2%3").arg(m_scheme).arg(Port()).arg(path);
    }

    // The requests for one path.
    QList<Request> RequestsFor(const QByteArray &path) const
    {
        QList<Request> found;
        for (const Request &r : Requests)
            if (r.Path == path)
                found << r;
        return found;
    }

private:
    void Connect()
    {
        // Emitted once a connection is ready, for HTTPS after its handshake.
        QObject::connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection())
                Accept(socket);
        });
    }

    void Accept(QTcpSocket *socket)
    {
        m_sockets << socket;
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            // Every complete request in the buffer is answered in turn.
            while (true) {
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                Request request;
                const QList<QByteArray> lines = buffer->left(end).split('\n');
                const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
                request.Method = first.value(0);
                request.Path = first.value(1);
                for (qsizetype i = 1; i < lines.size(); ++i) {
                    const qsizetype colon = lines[i].indexOf(':');
                    if (colon > 0)
                        request.Headers.insert(lines[i].left(colon).trimmed().toLower(),
                                               lines[i].mid(colon + 1).trimmed());
                }
                const qsizetype length = request.Headers.value("content-length").toLongLong();
                if (buffer->size() < end + 4 + length)
                    return;
                request.Body = buffer->mid(end + 4, length);
                buffer->remove(0, end + 4 + length);
                Requests << request;
                const Response response = Handler(request);
                if (response.Never)
                    return;
                QPointer<QTcpSocket> alive(socket);
                auto send = [alive, response] {
                    if (!alive)
                        return;
                    if (!response.Raw.isEmpty()) {
                        alive->write(response.Raw);
                        alive->disconnectFromHost();
                        return;
                    }
                    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.Status) + " X\r\n";
                    for (const auto &[name, value] : response.Headers)
                        head += name + ": " + value + "\r\n";
                    head += "Content-Length: " + QByteArray::number(response.Body.size()) + "\r\n";
                    head += "Connection: close\r\n\r\n";
                    alive->write(head);
                    if (response.TrickleMs > 0) {
                        auto timer = new QTimer(alive.data());
                        auto sent = std::make_shared<qsizetype>(0);
                        QObject::connect(timer, &QTimer::timeout, alive.data(), [alive, response, sent, timer] {
                            if (*sent >= response.Body.size()) {
                                timer->stop();
                                alive->disconnectFromHost();
                                return;
                            }
                            alive->write(response.Body.mid((*sent)++, 1));
                        });
                        timer->start(response.TrickleMs);
                        return;
                    }
                    alive->write(response.Body);
                    alive->disconnectFromHost();
                };
                if (response.DelayMs > 0)
                    QTimer::singleShot(response.DelayMs, socket, send);
                else
                    send();
            }
        });
    }

    std::unique_ptr<QTcpServer> m_server;
    QString m_scheme = QStringLiteral("http");
    QList<QPointer<QTcpSocket>> m_sockets;
    quint16 m_port = 0;
};

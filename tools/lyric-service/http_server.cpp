#include "http_server.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

void answer(QTcpSocket *socket, const HttpResponse &r) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason(r.status) +
                      "\r\nContent-Type: " + r.contentType +
                      "\r\nContent-Length: " + QByteArray::number(r.body.size()) +
                      "\r\nConnection: close\r\n\r\n";
    socket->write(head + r.body);
    socket->disconnectFromHost();
}

// The request head, or an error status when it is not a request we take.
HttpResponse parseHead(const QByteArray &head, HttpRequest &request) {
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> parts = lines.value(0).trimmed().split(' ');
    HttpResponse bad;
    bad.status = 400;
    bad.body = "bad request\r\n";
    if (parts.size() != 3 || !parts[2].startsWith("HTTP/1.")) return bad;
    request.method = parts[0];
    const QByteArray &target = parts[1];
    if (!target.startsWith('/')) return bad;
    const qsizetype q = target.indexOf('?');
    request.path = q < 0 ? target : target.left(q);
    request.query = q < 0 ? QByteArray() : target.mid(q + 1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "user-agent")
            request.userAgent = line.mid(colon + 1).trimmed();
    }
    if (request.method != "GET") {
        bad.status = 405;
        bad.body = "only GET\r\n";
        return bad;
    }
    HttpResponse ok;
    ok.status = 0;
    return ok;
}

} // namespace

HttpServer::HttpServer(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler)) {
    connect(&m_server, &QTcpServer::newConnection, this, &HttpServer::onConnection);
}

bool HttpServer::listen(const QHostAddress &address, quint16 port) {
    return m_server.listen(address, port);
}

void HttpServer::onConnection() {
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0) {
                if (buffer->size() > kMaxHeadBytes) {
                    HttpResponse tooLarge;
                    tooLarge.status = 431;
                    tooLarge.body = "request too large\r\n";
                    buffer->clear();
                    answer(socket, tooLarge);
                }
                return;
            }
            HttpRequest request;
            HttpResponse response = parseHead(buffer->left(end), request);
            buffer->clear();
            socket->disconnect(this); // one request per connection
            if (response.status == 0) response = m_handler(request);
            if (response.delayMs <= 0) {
                answer(socket, response);
                return;
            }
            QPointer<QTcpSocket> guard(socket);
            QTimer::singleShot(response.delayMs, this, [guard, response] {
                if (guard) answer(guard, response);
            });
        });
    }
}

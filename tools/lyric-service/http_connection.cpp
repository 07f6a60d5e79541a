#include "http_connection.h"

#include <poll.h>
#include <sys/socket.h>

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

QByteArray serialize(const HttpResponse &r) {
    return "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason(r.status) +
           "\r\nContent-Type: " + r.contentType +
           "\r\nContent-Length: " + QByteArray::number(r.body.size()) +
           "\r\nConnection: close\r\n\r\n" + r.body;
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

HttpConnection::HttpConnection(QTcpSocket *socket, HttpServer::Handler handler, int idleMs)
    : QObject(socket), m_socket(socket), m_handler(std::move(handler)) {
    // Qt would otherwise read everything the client sends into memory; the head is all we take.
    socket->setReadBufferSize(HttpServer::kMaxHeadBytes);
    connect(socket, &QAbstractSocket::stateChanged, socket,
            [socket](QAbstractSocket::SocketState s) {
                if (s == QAbstractSocket::UnconnectedState) socket->deleteLater();
            });
    connect(socket, &QIODevice::readyRead, this, &HttpConnection::onReadyRead);
    connect(socket, &QIODevice::bytesWritten, this, &HttpConnection::onBytesWritten);
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleMs);
    connect(&m_idle, &QTimer::timeout, this, &HttpConnection::onIdle);
    m_idle.start();
    if (socket->bytesAvailable() > 0) onReadyRead();
}

void HttpConnection::onReadyRead() {
    if (m_state == State::Draining) {
        m_idle.start();
        m_socket->skip(m_socket->bytesAvailable());
        return; // the linger deadline bounds a client that keeps sending
    }
    if (m_state != State::Head) return; // one request per connection: the rest stays unread
    m_idle.start();
    const qsizetype searchFrom = qMax<qsizetype>(0, m_head.size() - 3);
    m_head += m_socket->read(HttpServer::kMaxHeadBytes - m_head.size());
    const qsizetype end = m_head.indexOf("\r\n\r\n", searchFrom);
    if (end < 0) {
        if (m_head.size() >= HttpServer::kMaxHeadBytes)
            refuse(431, "request header fields too large\r\n");
        return;
    }
    HttpRequest request;
    HttpResponse response = parseHead(m_head.left(end), request);
    m_head = QByteArray();
    if (response.status == 0) response = m_handler(request);
    if (response.delayMs <= 0) {
        respond(response);
        return;
    }
    // The wait is the service's own, not the client's silence.
    m_state = State::Delayed;
    m_idle.stop();
    QTimer::singleShot(response.delayMs, this, [this, response] { respond(response); });
}

void HttpConnection::respond(const HttpResponse &response) {
    m_state = State::Answering;
    m_idle.start();
    m_socket->write(serialize(response));
    m_socket->disconnectFromHost(); // after the answer is written
}

void HttpConnection::refuse(int status, const QByteArray &body) {
    // The client may still be sending. Closing with unread data would reset the connection and
    // could destroy the answer before the client reads it, so the answer goes out, the sending
    // side is shut and whatever still arrives is discarded until the client closes.
    m_state = State::Draining;
    m_head = QByteArray();
    HttpResponse r;
    r.status = status;
    r.body = body;
    m_idle.start();
    QTimer::singleShot(HttpServer::kLingerMs, this, &HttpConnection::drop);
    m_socket->write(serialize(r));
    m_socket->skip(m_socket->bytesAvailable());
}

void HttpConnection::onBytesWritten() {
    m_idle.start();
    if (m_state == State::Draining && m_socket->bytesToWrite() == 0)
        ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
}

void HttpConnection::onIdle() {
    // When the event loop itself was held up, this timer can come before bytes that arrived in
    // time: the client is idle only when nothing waits to be read or could be written.
    pollfd p{int(m_socket->socketDescriptor()), 0, 0};
    if (m_state == State::Head || m_state == State::Draining) p.events |= POLLIN;
    if (m_socket->bytesToWrite() > 0) p.events |= POLLOUT;
    if (p.fd >= 0 && p.events != 0 && ::poll(&p, 1, 0) > 0 &&
        (p.revents & (POLLIN | POLLOUT)) != 0) {
        m_idle.start();
        return;
    }
    drop();
}

void HttpConnection::drop() {
    m_socket->abort();
    m_socket->deleteLater();
}

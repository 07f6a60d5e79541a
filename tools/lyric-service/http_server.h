#pragma once
// A small HTTP/1.1 server for GET requests: one request per connection, the answer from a
// handler, optionally after a delay (the event loop keeps running meanwhile).
#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <functional>

struct HttpRequest {
    QByteArray method;
    QByteArray path;  // percent-encoded, without the query
    QByteArray query; // percent-encoded, without "?"
    QByteArray userAgent;
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType = "text/plain; charset=utf-8";
    QByteArray body;
    int delayMs = 0; // wait this long before answering
};

class HttpServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    explicit HttpServer(Handler handler, QObject *parent = nullptr);

    // Port 0 picks a free port. False when it cannot listen.
    bool listen(const QHostAddress &address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    // The largest request head taken (request line and headers through the blank line); a
    // longer one is answered 431 and never held in memory beyond this.
    static constexpr qsizetype kMaxHeadBytes = 16 * 1024;
    // A connection that neither sends nor takes a byte for this long is dropped.
    static constexpr int kIdleTimeoutMs = 10 * 1000;
    // After a refusal, how long the rest of a request is read and discarded at most.
    static constexpr int kLingerMs = 2000;

    // For tests: a shorter idle time for connections accepted from now on.
    void setIdleTimeout(int ms) { m_idleMs = ms; }

private:
    void onConnection();

    Handler m_handler;
    QTcpServer m_server;
    int m_idleMs = kIdleTimeoutMs;
};

#pragma once
// One accepted connection of the HttpServer: reads the request head (at most
// HttpServer::kMaxHeadBytes), answers it once and closes. A connection that makes no progress for
// the idle time, reading or writing, is dropped, so silent or stalled clients cannot pile up.
#include "http_server.h"

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

class HttpConnection : public QObject {
    Q_OBJECT
public:
    // Becomes a child of the socket; the socket deletes itself once it is closed.
    HttpConnection(QTcpSocket *socket, HttpServer::Handler handler, int idleMs);

private:
    enum class State { Head, Delayed, Answering, Draining };

    void onReadyRead();
    void onBytesWritten();
    void onIdle();
    void drop();
    void respond(const HttpResponse &response);
    void refuse(int status, const QByteArray &body);

    QTcpSocket *m_socket;
    HttpServer::Handler m_handler;
    QByteArray m_head;
    QTimer m_idle;
    State m_state = State::Head;
};

#include "http_server.h"

#include "http_connection.h"

#include <QTcpSocket>

HttpServer::HttpServer(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler)) {
    connect(&m_server, &QTcpServer::newConnection, this, &HttpServer::onConnection);
}

bool HttpServer::listen(const QHostAddress &address, quint16 port) {
    return m_server.listen(address, port);
}

void HttpServer::onConnection() {
    while (QTcpSocket *socket = m_server.nextPendingConnection())
        new HttpConnection(socket, m_handler, m_idleMs);
}

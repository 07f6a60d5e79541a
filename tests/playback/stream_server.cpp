#include "stream_server.h"

#include <QHostAddress>
#include <QTcpSocket>

StreamServer::StreamServer(QByteArray mp3, QObject *parent)
    : QObject(parent), m_mp3(std::move(mp3)) {
    connect(&m_server, &QTcpServer::newConnection, this, &StreamServer::accept);
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_timer, &QTimer::timeout, this, &StreamServer::pump);
    m_timer.start(50);
}

QString StreamServer::address() const {
    return QStringLiteral("http://127.0.0.1:%1/live").arg(m_server.serverPort());
}

void StreamServer::accept() {
    while (QTcpSocket *s = m_server.nextPendingConnection()) {
        s->setParent(this);
        m_clients.append({s, false, 0});
    }
}

void StreamServer::pump() {
    // 128 kbit/s is 16 000 bytes a second; 1 200 bytes every 50 ms keeps ahead of playback.
    constexpr qsizetype kChunk = 1200;
    for (Client &c : m_clients) {
        if (c.socket->state() != QAbstractSocket::ConnectedState) continue;
        if (!c.answered) {
            if (!c.socket->canReadLine()) continue;
            c.socket->readAll();
            c.socket->write(
                "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name: Test Radio\r\n\r\n");
            c.answered = true;
        }
        if (m_mp3.isEmpty()) continue;
        for (qsizetype sent = 0; sent < kChunk;) {
            const qsizetype n = std::min(kChunk - sent, m_mp3.size() - c.offset);
            c.socket->write(m_mp3.constData() + c.offset, n);
            c.offset = (c.offset + n) % m_mp3.size();
            sent += n;
        }
    }
}

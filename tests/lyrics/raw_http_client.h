#pragma once
// A client that writes raw bytes to a server on 127.0.0.1 and keeps what comes back, driven by
// the event loop, so tests can be the silent, stalling or oversized clients a browser never is.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

class RawHttpClient : public QObject {
public:
    // Connects at once; what is sent before the connection stands goes out when it does.
    explicit RawHttpClient(quint16 port, QObject *parent = nullptr) : QObject(parent) {
        connect(&m_socket, &QIODevice::readyRead, this, [this] { received += m_socket.readAll(); });
        connect(&m_socket, &QAbstractSocket::connected, this, [this] {
            m_socket.write(m_pending);
            m_pending.clear();
        });
        connect(&m_socket, &QAbstractSocket::stateChanged, this,
                [this](QAbstractSocket::SocketState s) {
                    if (s != QAbstractSocket::UnconnectedState || closed) return;
                    received += m_socket.readAll();
                    closed = true;
                    closedAfterMs = m_sinceLastSend.elapsed();
                    if (onClosed) onClosed();
                });
        m_sinceLastSend.start();
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    void send(const QByteArray &bytes) {
        m_sinceLastSend.start();
        if (m_socket.state() == QAbstractSocket::ConnectedState)
            m_socket.write(bytes);
        else
            m_pending += bytes;
    }

    // The status of the answer's first line, 0 while there is none.
    int status() const {
        if (!received.startsWith("HTTP/1.1 ")) return 0;
        return received.mid(9, 3).toInt();
    }
    QByteArray body() const {
        const qsizetype end = received.indexOf("\r\n\r\n");
        return end < 0 ? QByteArray() : received.mid(end + 4);
    }

    QByteArray received;
    bool closed = false;      // by the server (or reset): the socket is unconnected
    qint64 closedAfterMs = 0; // from the last send (or the connect) to the close
    std::function<void()> onClosed;

private:
    QTcpSocket m_socket;
    QByteArray m_pending;
    QElapsedTimer m_sinceLastSend;
};

// Runs the event loop until done() holds or timeoutMs passed; done() at the end.
inline bool spinUntil(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

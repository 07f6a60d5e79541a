#pragma once
// A live "radio" on 127.0.0.1 for tests: every client gets an HTTP/1.0 answer without a length
// and then the given MP3 bytes over and over, paced a little faster than real time.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

class StreamServer : public QObject {
    Q_OBJECT
public:
    explicit StreamServer(QByteArray mp3, QObject *parent = nullptr);
    bool isListening() const { return m_server.isListening(); }
    // http://127.0.0.1:<port>/live
    QString address() const;

private:
    void accept();
    void pump();

    struct Client {
        QTcpSocket *socket;
        bool answered;
        qsizetype offset;
    };
    QByteArray m_mp3;
    QTcpServer m_server;
    QTimer m_timer;
    QList<Client> m_clients;
};

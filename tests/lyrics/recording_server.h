#pragma once
// A local HTTP server for fakes of lyric services on 127.0.0.1: it keeps every request and
// answers through the fake's own function.
#include "http_server.h"

#include <QHostAddress>
#include <QList>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

class RecordingServer {
public:
    explicit RecordingServer(HttpServer::Handler answer)
        : m_server([this, answer = std::move(answer)](const HttpRequest &r) {
              requests << r;
              return answer(r);
          }) {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.port())); }
    // The query of request `i`.
    QUrlQuery query(qsizetype i) const {
        return QUrlQuery(QString::fromUtf8(requests.at(i).query));
    }

    QList<HttpRequest> requests;

private:
    HttpServer m_server;
};

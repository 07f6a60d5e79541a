#include "lyrics/download/lyric_provider.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

LyricReply::LyricReply(QNetworkReply *reply, Mapper mapper)
    : m_reply(reply), m_mapper(std::move(mapper)) {
    connect(reply, &QNetworkReply::readyRead, this, &LyricReply::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &LyricReply::onFinished);
}

LyricReply::LyricReply(LyricAnswer ready) {
    QTimer::singleShot(0, this, [this, ready] { finish(ready); });
}

LyricReply::~LyricReply() {
    abort();
}

void LyricReply::abort() {
    m_done = true;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
}

void LyricReply::onReadyRead() {
    if (!m_reply || m_done) return;
    m_body += m_reply->readAll();
    // A body over the limit is not an answer: stop reading at once.
    if (m_body.size() > LyricAnswers::kMaxBodyBytes) {
        abort();
        m_done = false;
        finish(LyricAnswer::failure());
    }
}

void LyricReply::onFinished() {
    if (!m_reply || m_done) return;
    m_body += m_reply->readAll();
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool transportFailed = !status.isValid() && m_reply->error() != QNetworkReply::NoError;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    if (transportFailed || m_body.size() > LyricAnswers::kMaxBodyBytes) {
        finish(LyricAnswer::failure());
        return;
    }
    finish(m_mapper(status.toInt(), m_body));
}

void LyricReply::finish(const LyricAnswer &answer) {
    if (m_done) return;
    m_done = true;
    Q_EMIT finished(answer);
}

LyricProvider::~LyricProvider() = default;

QByteArray LyricProvider::userAgent() {
    // LRCLIB asks clients to name themselves; there is no public home page to add.
    return "Lyravox/" + LyricRequest::version().toLatin1() + " (karaoke player for Linux)";
}

std::unique_ptr<LyricReply> LyricProvider::get(const QUrl &url, LyricReply::Mapper mapper) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    return std::make_unique<LyricReply>(m_network.get(request), std::move(mapper));
}

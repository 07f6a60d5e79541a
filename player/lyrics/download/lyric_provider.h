#pragma once
// A lyric service behind the download flow: the exact request, the fuzzy search and the fetch
// of one candidate, each answered asynchronously with a LyricAnswer. Requests never block: they
// run in the provider's QNetworkAccessManager on the thread that owns it (the UI thread).
#include "lyrics/download/lyric_answer.h"
#include "lyrics/download/lyric_request.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>

class QNetworkReply;

// One request in flight. Emits `finished` once, unless aborted first; deleting it aborts.
class LyricReply : public QObject {
    Q_OBJECT
public:
    // Maps the HTTP status (0 without one) and the body onto an answer.
    using Mapper = std::function<LyricAnswer(int status, const QByteArray &body)>;

    LyricReply(QNetworkReply *reply, Mapper mapper);
    // A reply whose answer is known without asking the server (emitted from the event loop).
    explicit LyricReply(LyricAnswer ready);
    ~LyricReply() override;

    // Stops the transfer; `finished` is not emitted.
    void abort();

Q_SIGNALS:
    void finished(const LyricAnswer &answer);

private:
    void onReadyRead();
    void onFinished();
    void finish(const LyricAnswer &answer);

    QPointer<QNetworkReply> m_reply;
    Mapper m_mapper;
    QByteArray m_body;
    bool m_done = false;
};

class LyricProvider {
public:
    virtual ~LyricProvider();

    virtual std::unique_ptr<LyricReply> exact(const LyricTrack &track) = 0;
    virtual std::unique_ptr<LyricReply> fuzzy(const LyricTrack &track) = 0;
    virtual std::unique_ptr<LyricReply> fetch(const LyricCandidate &candidate) = 0;

    // "Lyravox/1.7.0 (karaoke player for Linux)": sent with every request.
    static QByteArray userAgent();

protected:
    // A GET of `url` with the user agent; redirects are not followed.
    std::unique_ptr<LyricReply> get(const QUrl &url, LyricReply::Mapper mapper);

private:
    QNetworkAccessManager m_network;
};

#pragma once
// The reference lyric service: answers the player's lyric requests from a folder of LRC files.
//
//   /soft/Lyravox/lrcs/index.asp?...&MediaName=&FileName=&Filetype=
//       exact: the file whose name (without ".lrc") equals FileName or MediaName, ignoring case
//   /soft/Lyravox/lrcs/index2.asp?...&MediaName=&FileName=&Filetype=
//       fuzzy: every file whose name or [ti:] title contains the request's name (ignoring case,
//       blanks and "-"), as candidate records: title, artist, album, location
//   /soft/Lyravox/lrcs/index2.asp?...&dz=<location>
//       fetch: the file at that location below the root
//
// Answers are UTF-8 (or GB18030 when asked) with CR LF line ends. A location never leaves the
// root: "..", absolute paths, backslashes, NUL and anything but an existing ".lrc" file below
// the root are refused.
#include "http_server.h"

#include <QDir>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

struct LyricServiceOptions {
    QString root;
    QString refuse;        // not empty: every request is answered "|禁止|" + this
    QString notice;        // not empty: every request is answered "|提示|" + this
    int delayMs = 0;       // every answer waits this long
    int errorStatus = 0;   // not 0: every request is answered with this status and an HTML page
    bool htmlPage = false; // every request is answered 200 with an HTML page (a broken proxy)
    bool gb18030 = false;  // answers in GB18030 instead of UTF-8
    QString logFile;       // not empty: one line per request is appended here
    int idleMs = HttpServer::kIdleTimeoutMs; // a connection silent this long is dropped
};

class LyricService : public QObject {
    Q_OBJECT
public:
    explicit LyricService(LyricServiceOptions options, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    quint16 port() const { return m_http.port(); }
    QString errorString() const { return m_http.errorString(); }

    // A request as the service understood it: the script and the decoded query items.
    struct Request {
        QString script;
        QList<QPair<QString, QString>> items;
        QString value(const QString &key) const;
        bool has(const QString &key) const;
    };
    // The latest requests (at most kKeptRequests, oldest first) and how many there were in all.
    const QList<Request> &requests() const { return m_requests; }
    quint64 requestCount() const { return m_requestCount; }
    static constexpr qsizetype kKeptRequests = 256;
    LyricServiceOptions &options() { return m_options; }

    // The root-relative ".lrc" file a location names, or nullopt when it is unsafe or missing.
    static std::optional<QString> resolveLocation(const QString &root, const QString &location);
    // Decodes a percent-encoded query value: UTF-8 when valid, otherwise GB18030.
    static QString decodeValue(const QByteArray &encoded);

private:
    HttpResponse handle(const HttpRequest &request);
    QByteArray exact(const Request &request) const;
    QByteArray fuzzy(const Request &request) const;
    QByteArray fetch(const Request &request, int &status) const;
    QByteArray encode(const QString &text) const;
    void log(const Request &request) const;

    LyricServiceOptions m_options;
    HttpServer m_http;
    QList<Request> m_requests;
    quint64 m_requestCount = 0;
};

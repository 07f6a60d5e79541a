#include "lyric_service.h"

#include "platform/text_file.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QUrl>

namespace {

const QByteArray kExact = "/soft/Lyravox/lrcs/index.asp";
const QByteArray kFuzzy = "/soft/Lyravox/lrcs/index2.asp";
constexpr int kMaxRecords = 200;

QString comparable(const QString &text) {
    QString out = text.toLower();
    out.remove(QLatin1Char('-'));
    out.remove(QLatin1Char(' '));
    return out;
}

// One LRC file of the root with its header tags.
struct LyricEntry {
    QString location; // relative to the root, "/" separated
    QString stem;     // file name without ".lrc"
    QString title, artist, album;
};

QString tagOf(const QStringList &lines, const QString &key) {
    const QString open = QLatin1Char('[') + key + QLatin1Char(':');
    for (const QString &line : lines) {
        const QString t = line.trimmed();
        if (t.startsWith(open, Qt::CaseInsensitive) && t.endsWith(QLatin1Char(']')))
            return t.mid(open.size(), t.size() - open.size() - 1).trimmed();
    }
    return QString();
}

QList<LyricEntry> entries(const QString &root) {
    QList<LyricEntry> out;
    const QDir base(root);
    QDirIterator it(root, {QStringLiteral("*.lrc"), QStringLiteral("*.LRC")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        LyricEntry e;
        e.location = base.relativeFilePath(path);
        e.stem = QFileInfo(path).completeBaseName();
        if (const auto text = TextFile::read(path)) {
            const QStringList lines = TextFile::splitLines(text->left(4096));
            e.title = tagOf(lines, QStringLiteral("ti"));
            e.artist = tagOf(lines, QStringLiteral("ar"));
            e.album = tagOf(lines, QStringLiteral("al"));
        }
        out << e;
    }
    std::sort(out.begin(), out.end(),
              [](const LyricEntry &a, const LyricEntry &b) { return a.location < b.location; });
    return out;
}

QString oneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QByteArray htmlPage(int status) {
    return "<!DOCTYPE html>\r\n<html><head><title>" + QByteArray::number(status) +
           "</title></head><body><h1>Error " + QByteArray::number(status) +
           "</h1></body></html>\r\n";
}

} // namespace

QString LyricService::Request::value(const QString &key) const {
    for (const auto &[k, v] : items)
        if (k == key) return v;
    return QString();
}

bool LyricService::Request::has(const QString &key) const {
    for (const auto &item : items)
        if (item.first == key) return true;
    return false;
}

LyricService::LyricService(LyricServiceOptions options, QObject *parent)
    : QObject(parent), m_options(std::move(options)),
      m_http([this](const HttpRequest &r) { return handle(r); }) {
    m_http.setIdleTimeout(m_options.idleMs);
}

bool LyricService::listen(const QHostAddress &address, quint16 port) {
    return m_http.listen(address, port);
}

QString LyricService::decodeValue(const QByteArray &encoded) {
    return TextFile::decode(QByteArray::fromPercentEncoding(encoded));
}

std::optional<QString> LyricService::resolveLocation(const QString &root, const QString &location) {
    if (location.isEmpty() || location.contains(QChar(0)) || location.contains(QLatin1Char('\\')) ||
        location.startsWith(QLatin1Char('/')) || location.contains(QLatin1Char(':')) ||
        !location.endsWith(QLatin1String(".lrc"), Qt::CaseInsensitive))
        return std::nullopt;
    const QStringList parts = location.split(QLatin1Char('/'));
    for (const QString &part : parts)
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return std::nullopt;
    // Symbolic links inside the root may not lead out of it either.
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QFileInfo file(canonicalRoot + QLatin1Char('/') + location);
    const QString canonical = file.canonicalFilePath();
    if (canonicalRoot.isEmpty() || canonical.isEmpty() || !file.isFile() ||
        !canonical.startsWith(canonicalRoot + QLatin1Char('/')))
        return std::nullopt;
    return canonical;
}

QByteArray LyricService::encode(const QString &text) const {
    QString crlf = text;
    crlf.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    crlf.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    if (!m_options.gb18030) return crlf.toUtf8();
    QStringEncoder gb("GB18030");
    return gb.isValid() ? QByteArray(gb.encode(crlf)) : crlf.toUtf8();
}

void LyricService::log(const Request &request) const {
    if (m_options.logFile.isEmpty()) return;
    QFile f(m_options.logFile);
    if (!f.open(QIODevice::Append)) return;
    QStringList fields{request.script};
    for (const auto &[k, v] : request.items)
        fields << k + QLatin1Char('=') + oneLine(v);
    f.write(fields.join(QLatin1Char('\t')).toUtf8() + '\n');
}

HttpResponse LyricService::handle(const HttpRequest &http) {
    HttpResponse r;
    Request request;
    request.script = QString::fromUtf8(http.path);
    for (const QByteArray &pair : http.query.split('&')) {
        if (pair.isEmpty()) continue;
        const qsizetype eq = pair.indexOf('=');
        request.items.append({decodeValue(eq < 0 ? pair : pair.left(eq)),
                              eq < 0 ? QString() : decodeValue(pair.mid(eq + 1))});
    }
    // A long-running service keeps only the latest requests in memory; the log file has them all.
    if (m_requests.size() >= kKeptRequests) m_requests.removeFirst();
    m_requests << request;
    ++m_requestCount;
    log(request);
    r.delayMs = m_options.delayMs;

    if (http.path != kExact && http.path != kFuzzy) {
        r.status = 404;
        r.contentType = "text/html; charset=utf-8";
        r.body = htmlPage(404);
        return r;
    }
    if (m_options.errorStatus != 0 || m_options.htmlPage) {
        r.status = m_options.errorStatus != 0 ? m_options.errorStatus : 200;
        r.contentType = "text/html; charset=utf-8";
        r.body = htmlPage(r.status);
        return r;
    }
    if (m_options.gb18030) r.contentType = "text/plain; charset=gb18030";
    if (!m_options.refuse.isEmpty()) {
        r.body =
            encode(QStringLiteral("|禁止|") + oneLine(m_options.refuse) + QStringLiteral("\n"));
    } else if (!m_options.notice.isEmpty()) {
        r.body =
            encode(QStringLiteral("|提示|") + oneLine(m_options.notice) + QStringLiteral("\n"));
    } else if (http.path == kExact) {
        r.body = exact(request);
    } else if (request.has(QStringLiteral("dz"))) {
        r.body = fetch(request, r.status);
    } else {
        r.body = fuzzy(request);
    }
    return r;
}

QByteArray LyricService::exact(const Request &request) const {
    const QString fileName = request.value(QStringLiteral("FileName")).trimmed();
    const QString mediaName = request.value(QStringLiteral("MediaName")).trimmed();
    if (fileName.isEmpty() && mediaName.isEmpty()) return encode(QStringLiteral("|没有歌名|\n"));
    const QList<LyricEntry> all = entries(m_options.root);
    for (const QString &name : {fileName, mediaName}) {
        if (name.isEmpty()) continue;
        for (const LyricEntry &e : all) {
            if (e.stem.compare(name, Qt::CaseInsensitive) != 0) continue;
            if (const auto path = resolveLocation(m_options.root, e.location))
                if (const auto text = TextFile::read(*path)) return encode(*text);
        }
    }
    return encode(QStringLiteral("|没有歌词|\n"));
}

QByteArray LyricService::fuzzy(const Request &request) const {
    QStringList terms;
    for (const QString &key : {QStringLiteral("FileName"), QStringLiteral("MediaName")}) {
        const QString t = comparable(request.value(key));
        if (!t.isEmpty()) terms << t;
    }
    if (terms.isEmpty()) return encode(QStringLiteral("|没有歌名|\n"));
    QString out = QStringLiteral("|歌词选择|\n");
    int count = 0;
    for (const LyricEntry &e : entries(m_options.root)) {
        const QString stem = comparable(e.stem);
        const QString title = comparable(e.title);
        bool match = false;
        for (const QString &t : terms)
            match = match || stem.contains(t) || (!title.isEmpty() && title.contains(t)) ||
                    (stem.size() > 1 && t.contains(stem)) ||
                    (title.size() > 1 && t.contains(title));
        if (!match || e.location.contains(QLatin1Char('\n')) ||
            e.location.contains(QLatin1Char('\r')))
            continue;
        const QString title2 = e.title.isEmpty() ? e.stem : e.title;
        out += oneLine(title2) + QLatin1Char('\n') + oneLine(e.artist) + QLatin1Char('\n') +
               oneLine(e.album) + QLatin1Char('\n') + e.location + QLatin1Char('\n');
        if (++count >= kMaxRecords) break;
    }
    if (count == 0) return encode(QStringLiteral("|无任何|\n"));
    return encode(out);
}

QByteArray LyricService::fetch(const Request &request, int &status) const {
    const auto path = resolveLocation(m_options.root, request.value(QStringLiteral("dz")));
    if (!path) {
        status = 404;
        return encode(QStringLiteral("|没有歌词|\n"));
    }
    const auto text = TextFile::read(*path);
    if (!text) {
        status = 404;
        return encode(QStringLiteral("|没有歌词|\n"));
    }
    return encode(*text);
}

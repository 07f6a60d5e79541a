// lyravox-lyric-service --root DIR [--listen ADDR] [--port N] [switches]: the reference lyric
// service. The first line on standard output is the port it listens on.
#include "lyric_service.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lyravox-lyric-service"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Answers Lyravox lyric requests from a folder of LRC files."));
    parser.addHelpOption();
    const QCommandLineOption root(QStringLiteral("root"), QStringLiteral("Folder of LRC files."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                    QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port (0 picks a free one)."), QStringLiteral("N"),
                                  QStringLiteral("0"));
    const QCommandLineOption refuse(QStringLiteral("refuse"),
                                    QStringLiteral("Answer every request |禁止|TEXT."),
                                    QStringLiteral("TEXT"));
    const QCommandLineOption notice(QStringLiteral("notice"),
                                    QStringLiteral("Answer every request |提示|TEXT."),
                                    QStringLiteral("TEXT"));
    const QCommandLineOption delay(QStringLiteral("delay-ms"),
                                   QStringLiteral("Wait before every answer."),
                                   QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("Answer every request with this HTTP status."),
                                    QStringLiteral("CODE"));
    const QCommandLineOption html(QStringLiteral("html"),
                                  QStringLiteral("Answer every request 200 with an HTML page."));
    const QCommandLineOption gb(QStringLiteral("gb18030"),
                                QStringLiteral("Answer in GB18030 instead of UTF-8."));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Append one line per request to FILE."),
                                 QStringLiteral("FILE"));
    // Tests shorten the idle time so they need not wait for the real one.
    QCommandLineOption idle(QStringLiteral("idle-ms"),
                            QStringLiteral("Drop a connection silent this long."),
                            QStringLiteral("MS"), QString::number(HttpServer::kIdleTimeoutMs));
    idle.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({root, listen, port, refuse, notice, delay, status, html, gb, log, idle});
    parser.process(app);

    LyricServiceOptions options;
    options.root = parser.value(root);
    if (options.root.isEmpty() || !QFileInfo(options.root).isDir()) {
        std::fprintf(stderr, "lyravox-lyric-service: --root must name a folder\n");
        return 2;
    }
    bool ok = true;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535) {
        std::fprintf(stderr, "lyravox-lyric-service: bad port\n");
        return 2;
    }
    const QHostAddress address(parser.value(listen));
    if (address.isNull()) {
        std::fprintf(stderr, "lyravox-lyric-service: bad address\n");
        return 2;
    }
    options.refuse = parser.value(refuse);
    options.notice = parser.value(notice);
    options.delayMs = parser.value(delay).toInt();
    options.errorStatus = parser.value(status).toInt();
    options.htmlPage = parser.isSet(html);
    options.gb18030 = parser.isSet(gb);
    options.logFile = parser.value(log);
    options.idleMs = parser.value(idle).toInt(&ok);
    if (!ok || options.idleMs <= 0) {
        std::fprintf(stderr, "lyravox-lyric-service: bad idle time\n");
        return 2;
    }

    LyricService service(options);
    if (!service.listen(address, quint16(portNumber))) {
        std::fprintf(stderr, "lyravox-lyric-service: %s\n", qPrintable(service.errorString()));
        return 1;
    }
    std::printf("%u\n", unsigned(service.port()));
    std::fflush(stdout);
    return app.exec();
}

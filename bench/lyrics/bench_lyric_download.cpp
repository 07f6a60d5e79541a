// From a track's lookup to its downloaded lyrics shown, against the reference lyric service on
// 127.0.0.1, beside a bare HTTP GET of the same answer: the ratio is what the download flow
// (request, answer checks, store, parse, box) adds to the server's own time.
#include "app/main_menus.h"
#include "app/main_window_layout.h"
#include "fake_media_player.h"
#include "lyric_service.h"
#include "lyrics/download/lyric_request.h"
#include "lyrics/download/reference_lyric_provider.h"
#include "lyrics/lyric_download_controller.h"
#include "lyrics/lyrics_controller.h"
#include "playlist/playlist_model.h"
#include "widgets/xp_button.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<LyricService> service;
    QUrl base;
    QString track;

    Fixture() {
        QDir().mkpath(dir.filePath(QStringLiteral("service")));
        QFile lrc(dir.filePath(QStringLiteral("service/song.lrc")));
        if (lrc.open(QIODevice::WriteOnly))
            for (int i = 0; i < 60; ++i)
                lrc.write(QString::asprintf("[%02d:%02d.00]第%d行 words of the line\r\n", i / 60,
                                            i % 60, i)
                              .toUtf8());
        LyricServiceOptions options;
        options.root = dir.filePath(QStringLiteral("service"));
        service = std::make_unique<LyricService>(options);
        service->listen(QHostAddress::LocalHost, 0);
        base = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(service->port()));
        track = dir.filePath(QStringLiteral("music/song.mp3"));
    }
};

void BM_RawGet(benchmark::State &state) {
    Fixture f;
    QNetworkAccessManager network;
    LyricTrack t;
    t.file = f.track;
    t.extension = QStringLiteral("mp3");
    const QUrl url = LyricRequest::buildUrl(f.base, ReferenceLyricProvider::kExactPath,
                                            ReferenceLyricProvider::trackQuery(t));
    for (auto _ : state) {
        QEventLoop loop;
        QNetworkReply *reply = network.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        benchmark::DoNotOptimize(reply->readAll());
        reply->deleteLater();
    }
}
BENCHMARK(BM_RawGet)->Unit(benchmark::kMillisecond);

void BM_LookupToLyricsShown(benchmark::State &state) {
    Fixture f;
    qputenv("LYRAVOX_HOME", QFile::encodeName(f.dir.filePath(QStringLiteral("home"))));
    AppContext ctx(AppPaths::fromEnvironment());
    ctx.paths.createFolders();
    QWidget window;
    MainWindowUi ui;
    buildMainWindowWidgets(&window, ui);
    buildMainMenus(&window, ui);
    ui.frmMain = &window;
    PlaylistModel model;
    model.setItems({f.track});
    model.setCurrentTrack(0);
    FakeMediaPlayer player;
    player.setMedia(f.track, FakeMediaPlayer::Media());
    player.setFileName(f.track);
    LyricsController lyrics(ctx, ui, model, player);
    LyricDownloadController download(ctx, ui, model, player, lyrics,
                                     std::make_unique<ReferenceLyricProvider>(f.base));
    lyrics.hooks().startDownload = [&] { download.DownloadLyrics(); };
    lyrics.hooks().abandonDownload = [&] { download.abandon(); };
    const QString store = lyrics.store().LyricStoreName(f.track);
    for (auto _ : state) {
        QFile::remove(store);
        QEventLoop loop;
        auto c = QObject::connect(&download, &LyricDownloadController::answerHandled, &loop,
                                  &QEventLoop::quit);
        lyrics.FindLyrics();
        loop.exec();
        QObject::disconnect(c);
        if (!lyrics.LyricsLoaded()) state.SkipWithError("lyrics not shown");
    }
}
BENCHMARK(BM_LookupToLyricsShown)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

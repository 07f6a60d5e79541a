// Lyric download on the real main-window widgets with a scripted media player, against the
// reference lyric service on 127.0.0.1. Timer2 and Timer9 tick every 20 ms here instead of
// every second; what each tick does is unchanged.
#include "app/main_menus.h"
#include "app/main_window_layout.h"
#include "fake_media_player.h"
#include "lyric_service.h"
#include "lyrics/download/reference_lyric_provider.h"
#include "lyrics/lyric_download_controller.h"
#include "lyrics/lyrics_controller.h"
#include "playlist/playlist_model.h"
#include "scripted_dialogs.h"
#include "temp_home.h"
#include "widgets/xp_button.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

namespace {

const QString kFailure = QStringLiteral("下载歌词失败！\n[网络连接超时或错误。请确认 Internet "
                                        "连接正确或请稍后重试或使用模糊查找功能。]");
const QString kHint = QStringLiteral("双击选中的歌词立即下载");

class LyricDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx = std::make_unique<AppContext>(AppContext{home.paths()});
        ctx->dialogs = &dialogs;
        ctx->settings.LyricDisplayMode = 0;
        ctx->settings.AutoDownloadLyrics = -1;
        ctx->settings.AutoFuzzySearch = 0;
        ctx->settings.DownloadWaitSeconds = 10;
        buildMainWindowWidgets(&window, ui);
        buildMainMenus(&window, ui);
        ui.frmMain = &window;
        for (XPButton *b : ui.XPButton)
            if (b) b->setEnabled(true);
        options.root = home.file(QStringLiteral("service"));
        home.write(QStringLiteral("service/readme.txt"), "not a lyric file");
        track = home.file(QStringLiteral("music/song.mp3"));
        other = home.file(QStringLiteral("music/other.mp3"));
        model.setItems({track, other});
        model.setCurrentTrack(0);
        FakeMediaPlayer::Media media;
        media.duration = 60.0;
        player.setMedia(track, media);
        player.setMedia(other, media);
        player.setAuthor(QStringLiteral("The Singer"));
        player.setFileName(track);
        window.show();
    }
    void start() {
        service = std::make_unique<LyricService>(options);
        ASSERT_TRUE(service->listen(QHostAddress::LocalHost, 0));
        lyrics = std::make_unique<LyricsController>(*ctx, ui, model, player);
        download = std::make_unique<LyricDownloadController>(
            *ctx, ui, model, player, *lyrics,
            std::make_unique<ReferenceLyricProvider>(
                QUrl(QStringLiteral("http://127.0.0.1:%1").arg(service->port()))));
        lyrics->hooks().startDownload = [this] { download->DownloadLyrics(); };
        lyrics->hooks().abandonDownload = [this] { download->abandon(); };
        ui.Timer[2]->setInterval(20);
        ui.Timer[9]->setInterval(20);
        QObject::connect(ui.RichTextBox1, &QTextEdit::textChanged, ui.RichTextBox1, [this] {
            const QString now = ui.RichTextBox1->toPlainText();
            if (texts.isEmpty() || texts.last() != now) texts << now;
        });
    }
    QString boxText() const { return ui.RichTextBox1->toPlainText(); }
    QStringList answerFiles() const {
        return QDir(ctx->paths.temp()).entryList({QStringLiteral("$*.lrc")}, QDir::Files);
    }
    QString storeFile(const QString &t) const { return lyrics->store().LyricStoreName(t); }
    void writeStore(const QString &t, const QByteArray &bytes) {
        home.write(QStringLiteral("LRCS/") + LyricStore::storeFileName(t), bytes);
    }
    bool waitHandled(int count = 1) {
        int seen = 0;
        auto c = QObject::connect(download.get(), &LyricDownloadController::answerHandled,
                                  [&] { ++seen; });
        const bool ok = QTest::qWaitFor([&] { return seen >= count; }, 10000);
        QObject::disconnect(c);
        return ok;
    }
    void offerCandidates() {
        home.write(QStringLiteral("service/a.lrc"), "[ti:Song one]\n[ar:Somebody]\n[00:01]a\n");
        home.write(QStringLiteral("service/b.lrc"), "[ti:Song two]\n[ar:The-Singer]\n[00:01]b\n");
        start();
        download->fuzzySearchCommand();
        ASSERT_TRUE(waitHandled());
        ASSERT_TRUE(ui.List2->isVisible());
        ASSERT_EQ(ui.List2->count(), 2);
    }

    TempHome home;
    ScriptedDialogs dialogs;
    std::unique_ptr<AppContext> ctx;
    QWidget window;
    MainWindowUi ui;
    PlaylistModel model;
    FakeMediaPlayer player;
    LyricServiceOptions options;
    std::unique_ptr<LyricService> service;
    std::unique_ptr<LyricsController> lyrics;
    std::unique_ptr<LyricDownloadController> download;
    QString track, other;
    QStringList texts;
};

TEST_F(LyricDownloadTest, ExactHitIsStoredAndShown) {
    home.write(QStringLiteral("service/song.lrc"), "[ti:Song]\n[00:01.00]one\n[00:02.00]two\n");
    start();
    lyrics->FindLyrics();
    ASSERT_TRUE(waitHandled());
    EXPECT_TRUE(lyrics->LyricsLoaded());
    EXPECT_EQ(boxText(), QStringLiteral("\n标题：Song \n[1.0]one\n[2.0]two\n\n"));
    EXPECT_EQ(lyrics->LyricFile(), storeFile(track));
    QFile stored(storeFile(track));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), QByteArray("[ti:Song]\r\n[00:01.00]one\r\n[00:02.00]two\r\n"));
    EXPECT_TRUE(ui.XPButton[5]->isEnabled());
    EXPECT_TRUE(dialogs.entries().isEmpty()); // no store file before: no question
    EXPECT_EQ(answerFiles(), QStringList());  // the temporary answer is gone once stored
}

TEST_F(LyricDownloadTest, FailedStoreWriteIsReportedAndTheShownFileExists) {
    home.write(QStringLiteral("service/song.lrc"), "[00:01.00]one\n");
    home.write(QStringLiteral("LRCS"), "a file where the store folder belongs");
    start();
    lyrics->FindLyrics();
    ASSERT_TRUE(waitHandled());
    EXPECT_TRUE(lyrics->LyricsLoaded()); // shown all the same
    ASSERT_EQ(dialogs.entries().size(), 1);
    EXPECT_EQ(dialogs.entries()[0].text,
              QStringLiteral("无法保存歌词文件“") + storeFile(track) + QStringLiteral("”。"));
    EXPECT_EQ(dialogs.entries()[0].icon, Dialogs::Icon::Critical);
    EXPECT_NE(lyrics->LyricFile(), storeFile(track));
    EXPECT_TRUE(QFileInfo::exists(lyrics->LyricFile()));
    EXPECT_EQ(answerFiles().size(), 1);
    // The next answer's file replaces it; the controller leaves none behind.
    lyrics->FindLyrics();
    ASSERT_TRUE(waitHandled());
    EXPECT_EQ(answerFiles().size(), 1);
    download.reset();
    EXPECT_EQ(answerFiles(), QStringList());
}

TEST_F(LyricDownloadTest, NoLyricsRunsTheFuzzySearchOnlyWhenAsked) {
    home.write(QStringLiteral("service/song remix.lrc"), "[ti:Song remix]\n[00:01]x\n");
    start();
    ctx->settings.AutoFuzzySearch = 0;
    lyrics->FindLyrics();
    ASSERT_TRUE(waitHandled());
    EXPECT_EQ(boxText(),
              QStringLiteral("下载歌词失败！[无相同曲名歌词，你可以使用“联网模糊查找歌词”"
                             "功能进行更大范围查找]"));
    QTest::qWait(100);
    EXPECT_EQ(service->requests().size(), 1);

    ctx->settings.AutoFuzzySearch = -1;
    lyrics->FindLyrics();
    ASSERT_TRUE(waitHandled(2));
    EXPECT_TRUE(
        texts.contains(QStringLiteral("下载歌词失败！\n[无相同曲名歌词，正在进行模糊查找…]")));
    ASSERT_EQ(service->requests().size(), 3);
    EXPECT_EQ(service->requests().last().script, QStringLiteral("/soft/Lyravox/lrcs/index2.asp"));
    EXPECT_TRUE(ui.List2->isVisible());
    EXPECT_EQ(ui.List2->count(), 1);
}

TEST_F(LyricDownloadTest, CountdownPreselectsByArtistAndFetchesAtTheEleventhTick) {
    offerCandidates();
    EXPECT_EQ(
        ui.List2->item(0)->text(),
        QStringLiteral("【Song one】- 演唱〖Somebody〗- 专辑《》- 双击立即下载 ……………………………a.lrc"));
    EXPECT_FALSE(ui.RichTextBox1->isEnabled());
    EXPECT_EQ(ui.List2->toolTip(), QStringLiteral("歌词列表(双击选中的歌词立即下载)"));
    texts.clear();
    ASSERT_TRUE(waitHandled());
    EXPECT_EQ(ui.List2->currentRow(), 1); // "The-Singer" is the clip's author
    QStringList expected;
    for (int n = 9; n >= 1; --n)
        expected << QStringLiteral("单击选择歌词,双击立即下载[%1秒后将自动选择下载]").arg(n);
    expected << kHint;
    ASSERT_GE(texts.size(), expected.size());
    EXPECT_EQ(texts.mid(0, expected.size()), expected);
    EXPECT_EQ(service->requests().last().value(QStringLiteral("dz")), QStringLiteral("b.lrc"));
    EXPECT_TRUE(lyrics->LyricsLoaded());
    EXPECT_TRUE(boxText().contains(QStringLiteral("[1.0]b")));
    EXPECT_FALSE(ui.List2->isVisible());
}

TEST_F(LyricDownloadTest, ClickStopsTheCountdownAndDoubleClickFetches) {
    offerCandidates();
    QWidget *viewport = ui.List2->viewport();
    const QPoint first = ui.List2->visualItemRect(ui.List2->item(0)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, first);
    EXPECT_FALSE(ui.Timer[9]->isActive());
    EXPECT_EQ(download->CountdownSeconds(), 0);
    EXPECT_EQ(boxText(), kHint);
    QTest::qWait(200); // the list stays: no countdown fetches anything
    EXPECT_TRUE(ui.List2->isVisible());
    EXPECT_EQ(service->requests().size(), 1);

    QTest::mouseDClick(viewport, Qt::LeftButton, {}, first);
    ASSERT_TRUE(waitHandled());
    EXPECT_EQ(service->requests().last().value(QStringLiteral("dz")), QStringLiteral("a.lrc"));
    EXPECT_TRUE(boxText().contains(QStringLiteral("[1.0]a")));
}

TEST_F(LyricDownloadTest, RefusalSwitchesAutoDownloadOffNoticeKeepsIt) {
    struct Case {
        bool refuse;
        QString box;
        Dialogs::Icon icon;
        int autoDownload;
    };
    // The notice first: a refusal disables the fuzzy search until the next start.
    const Case cases[] = {
        {false, QStringLiteral("无法查找或下载歌词！\n[不给]"), Dialogs::Icon::Information, -1},
        {true,
         QStringLiteral(
             "无法查找或下载歌词！\n[不给]\n自动下载功能设置已经自动取消。如果想重新启用，"
             "请点击“设置”中的“设置选项”重新进行设置。"),
         Dialogs::Icon::Warning, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.refuse);
        (c.refuse ? options.refuse : options.notice) = QStringLiteral("不给");
        start();
        ctx->settings.AutoDownloadLyrics = -1;
        dialogs.clear();
        lyrics->FindLyrics();
        ASSERT_TRUE(waitHandled());
        EXPECT_EQ(boxText(), c.box);
        ASSERT_EQ(dialogs.entries().size(), 1);
        EXPECT_EQ(dialogs.entries()[0].text, c.box);
        EXPECT_EQ(dialogs.entries()[0].title, QStringLiteral("系统提示"));
        EXPECT_EQ(dialogs.entries()[0].icon, c.icon);
        EXPECT_EQ(ctx->settings.AutoDownloadLyrics, c.autoDownload);
        EXPECT_EQ(ui.action("mnuOpenLRC2")->isEnabled(), !c.refuse);
        // The list's "继续模糊查找歌词" runs that command: it is never left enabled but dead.
        EXPECT_EQ(ui.action("PopOpenLRC5")->isEnabled(), !c.refuse);
        options = LyricServiceOptions();
        options.root = home.file(QStringLiteral("service"));
    }
}

TEST_F(LyricDownloadTest, NothingFoundWritesTheMarkerAndIsNotAskedAgain) {
    start();
    download->fuzzySearchCommand();
    ASSERT_TRUE(waitHandled());
    EXPECT_TRUE(QFile::exists(storeFile(track)));
    EXPECT_TRUE(lyrics->LyricsLoaded());
    EXPECT_EQ(boxText(),
              QStringLiteral("\n[0.0]") + track +
                  QStringLiteral("\n［未找到歌词。\n  如果想使用歌词，请重新查找或编辑修改］\n\n"));
    const auto asked = service->requests().size();
    lyrics->FindLyrics();
    QTest::qWait(100);
    EXPECT_EQ(service->requests().size(), asked);
}

TEST_F(LyricDownloadTest, WaitRunsOutAtTheEleventhTick) {
    options.delayMs = 60000;
    start();
    lyrics->FindLyrics();
    ASSERT_TRUE(waitHandled());
    QStringList waiting;
    for (const QString &t : texts)
        if (t.startsWith(QStringLiteral("正在尝试下载歌词"))) waiting << t;
    ASSERT_EQ(waiting.size(), 11);
    EXPECT_EQ(waiting.first(), QStringLiteral("正在尝试下载歌词(剩余10秒)"));
    EXPECT_EQ(waiting.last(), QStringLiteral("正在尝试下载歌词(剩余0秒)"));
    EXPECT_EQ(texts.last(), kFailure);
    EXPECT_FALSE(lyrics->LyricsLoaded());
    EXPECT_FALSE(download->requestInFlight());
}

TEST_F(LyricDownloadTest, EmptyAnswerKeepsTheWaitingText) {
    home.write(QStringLiteral("service/song.lrc"), QByteArray()); // served as an empty answer
    options.delayMs = 100;
    start();
    lyrics->FindLyrics();
    ASSERT_TRUE(waitHandled());
    EXPECT_TRUE(boxText().startsWith(QStringLiteral("正在尝试下载歌词(剩余")))
        << boxText().toStdString();
    EXPECT_FALSE(lyrics->LyricsLoaded());
    EXPECT_FALSE(QFileInfo::exists(storeFile(track)));
    EXPECT_TRUE(ui.RichTextBox1->isEnabled());
    EXPECT_FALSE(ui.Timer[2]->isActive());
}

TEST_F(LyricDownloadTest, AnswerForAnEarlierTrackIsNeverStored) {
    home.write(QStringLiteral("service/song.lrc"), "[00:01]for song only\n");
    options.delayMs = 300;
    start();
    lyrics->FindLyrics();
    model.setCurrentTrack(1); // the track changes while the slow answer is on its way
    player.setFileName(other);
    lyrics->FindLyrics();
    ASSERT_TRUE(waitHandled());
    QTest::qWait(500);
    EXPECT_FALSE(QFile::exists(storeFile(other)));
    EXPECT_FALSE(QFile::exists(storeFile(track)));
    EXPECT_FALSE(boxText().contains(QStringLiteral("for song only")));
}

TEST_F(LyricDownloadTest, EachRequestDescribesTheTrackThePlayerOpened) {
    // Opened as libmpv does, after the lookup started: a request sent at once would carry no
    // title for the first track and the first one's title for the second.
    home.write(QStringLiteral("service/Alpha.lrc"), "[ti:Alpha]\n[00:01.00]alpha\n");
    start();
    player.setOpensLater(true);
    const QString live = home.file(QStringLiteral("music/live.mp3"));
    model.setItems({track, other, live});
    FakeMediaPlayer::Media tagged;
    tagged.title = QStringLiteral("Alpha");
    player.setMedia(track, tagged);
    // A stream: no length, its title arrives after it opened.
    tagged.duration = 0;
    tagged.infoLater = true;
    player.setMedia(live, tagged);
    struct Step {
        const QString &file;
        const char *mediaName;
        bool stored;
    };
    const Step steps[] = {{track, "Alpha", true}, {other, "", false}, {live, "Alpha", true}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        model.setCurrentTrack(i);
        player.setFileName(steps[i].file);
        QElapsedTimer clock;
        clock.start();
        lyrics->FindLyrics();
        ASSERT_TRUE(waitHandled());
        // Sent when the player reported the track, not when the longest wait ran out.
        EXPECT_LT(clock.elapsed(), TrackInfoGate::kMaxWaitMs);
        ASSERT_EQ(service->requests().size(), i + 1);
        EXPECT_EQ(service->requests().at(i).value(QStringLiteral("MediaName")),
                  QString::fromUtf8(steps[i].mediaName));
        EXPECT_EQ(QFileInfo::exists(storeFile(steps[i].file)), steps[i].stored);
        EXPECT_EQ(lyrics->LyricsLoaded(), steps[i].stored);
    }
    EXPECT_EQ(service->requests().at(1).value(QStringLiteral("FileName")), QStringLiteral("other"));
}

TEST_F(LyricDownloadTest, RequestWaitsAtMostTwoSecondsForTheTrack) {
    start();
    player.setOpensLater(true);
    FakeMediaPlayer::Media broken;
    broken.failsToOpen = true; // the player never reports a title or a length
    player.setMedia(other, broken);
    model.setCurrentTrack(1);
    player.setFileName(other);
    QElapsedTimer clock;
    clock.start();
    lyrics->FindLyrics();
    EXPECT_TRUE(download->waitingForTrackInfo());
    EXPECT_FALSE(download->requestInFlight());
    ASSERT_TRUE(waitHandled());
    EXPECT_GE(clock.elapsed(), TrackInfoGate::kMaxWaitMs - 50);
    ASSERT_EQ(service->requests().size(), 1);
    EXPECT_EQ(service->requests()[0].value(QStringLiteral("MediaName")), QString());
    EXPECT_EQ(service->requests()[0].value(QStringLiteral("FileName")), QStringLiteral("other"));
    // A lookup in the meantime drops the wait: nothing is sent for the track left.
    player.setFileName(other);
    lyrics->FindLyrics();
    EXPECT_TRUE(download->waitingForTrackInfo());
    download->abandon();
    QTest::qWait(TrackInfoGate::kMaxWaitMs + 200);
    EXPECT_EQ(service->requests().size(), 1);
}

TEST_F(LyricDownloadTest, ErrorPagesAreRefused) {
    home.write(QStringLiteral("service/song.lrc"), "[00:01]one\n");
    for (int variant = 0; variant < 2; ++variant) {
        SCOPED_TRACE(variant);
        options.htmlPage = variant == 0;
        options.errorStatus = variant == 1 ? 500 : 0;
        start();
        lyrics->FindLyrics();
        ASSERT_TRUE(waitHandled());
        EXPECT_EQ(boxText(), kFailure);
        EXPECT_FALSE(QFile::exists(storeFile(track)));
    }
}

TEST_F(LyricDownloadTest, ReplacingStoredLyricsIsAsked) {
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        writeStore(track, "[00:05]old\n");
        offerCandidates();
        dialogs.clear();
        dialogs.answerMessage(yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        ui.List2->setCurrentRow(0);
        download->DownloadCandidate();
        ASSERT_TRUE(waitHandled());
        ASSERT_EQ(dialogs.messageTexts(),
                  QStringList{QStringLiteral("你要保存当前的歌词文件来替换原来的歌词文件吗?")});
        EXPECT_TRUE(boxText().contains(QStringLiteral("[1.0]a"))); // shown either way
        QFile stored(storeFile(track));
        ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
        EXPECT_EQ(stored.readAll().contains("old"), !yes);
        EXPECT_EQ(lyrics->LyricFile() == storeFile(track), yes);
        // Kept on screen without storing: the answer file stays behind them.
        EXPECT_TRUE(QFileInfo::exists(lyrics->LyricFile()));
    }
}

TEST_F(LyricDownloadTest, WebSearchesOpenTheEncodedKeyword) {
    start();
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    dialogs.answerInput(QStringLiteral(" 月亮 & 星星 "));
    ui.action("mnuSearch2")->trigger();
    dialogs.answerInput(QString()); // cancelled: nothing opens
    ui.action("mnuSearch3")->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_TRUE(recorder.urls[0].toEncoded().endsWith(
        "tn=baidump3&ct=134217728&lm=-1&word=%E6%9C%88%E4%BA%AE%20%26%20%E6%98%9F%E6%98%9F"));
    ASSERT_EQ(dialogs.entries().size(), 2);
    EXPECT_EQ(dialogs.entries()[0].text, QStringLiteral("请输入搜索关键词。\n"));
    EXPECT_EQ(dialogs.entries()[0].title, QStringLiteral("百度MP3搜索"));
    EXPECT_EQ(dialogs.entries()[1].title, QStringLiteral("百度图片搜索"));
}

} // namespace

#include "lyric_download_controller_test.moc"

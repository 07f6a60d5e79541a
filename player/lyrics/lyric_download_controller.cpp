#include "lyrics/lyric_download_controller.h"

#include "lyrics/download/lyric_candidates.h"
#include "lyrics/lyrics_controller.h"
#include "lyrics/replace_question.h"
#include "platform/text_file.h"
#include "playback/media_player.h"
#include "playlist/playlist_model.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>

namespace {
constexpr int kTickMs = 1000;
constexpr int kCandidateRole = Qt::UserRole;
constexpr int kTwipsPerPixel = 15;

const char16_t kDoubleClickHint[] = u"双击选中的歌词立即下载";
const char16_t kFailure[] = u"下载歌词失败！\n[网络连接超时或错误。请确认 Internet "
                            u"连接正确或请稍后重试或使用模糊查找功能。]";

// Tooltips interpret rich text; a server's text is shown as written.
QString plainToolTip(const QString &text) {
    return Qt::mightBeRichText(text) ? QStringLiteral("<p style='white-space:pre'>") +
                                           text.toHtmlEscaped() + QStringLiteral("</p>")
                                     : text;
}
} // namespace

LyricDownloadController::LyricDownloadController(AppContext &ctx, MainWindowUi &ui,
                                                 PlaylistModel &model, MediaPlayer &player,
                                                 LyricsController &lyrics,
                                                 std::unique_ptr<LyricProvider> provider,
                                                 QObject *parent)
    : QObject(parent), m_ctx(ctx), m_ui(ui), m_model(model), m_player(player), m_lyrics(lyrics),
      m_provider(std::move(provider)), m_box(ui.RichTextBox1), m_gate(player) {
    m_ui.Timer[2]->setInterval(kTickMs);
    m_ui.Timer[9]->setInterval(kTickMs);
    connect(m_ui.Timer[2], &QTimer::timeout, this, &LyricDownloadController::onWaitTick);
    connect(m_ui.Timer[9], &QTimer::timeout, this, &LyricDownloadController::onCountdownTick);
    QListWidget *list = m_ui.List2;
    list->setMouseTracking(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->viewport()->installEventFilter(this);
    connect(list, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_countdown != m_ctx.settings.DownloadWaitSeconds) stopCountdown();
    });
    connect(list, &QListWidget::itemDoubleClicked, this,
            &LyricDownloadController::DownloadCandidate);
    // Playback stops Timer2 and Timer9 when the media has opened. That happens after the track's
    // own request went out: the wait for its answer goes on (answers for earlier tracks are
    // dropped by their generation and track).
    connect(&m_player, &MediaPlayer::openStateChanged, this, [this] {
        if (m_reply && m_requestTrack == m_model.CurrentFile && !m_ui.Timer[2]->isActive())
            m_ui.Timer[2]->start();
    });
    connectCommands();
}

LyricDownloadController::~LyricDownloadController() {
    dropAnswerFile();
}

void LyricDownloadController::connectCommands() {
    auto onAction = [this](const char *name, auto slot) {
        if (QAction *a = m_ui.action(name)) connect(a, &QAction::triggered, this, slot);
    };
    onAction("mnuOpenLRC2", [this] { fuzzySearchCommand(); });
    onAction("PopDownLrc5", [this] { DownloadCandidate(); });
    onAction("mnuSearch2", [this] { searchWeb(WebSearch::Kind::Mp3); });
    onAction("mnuSearch3", [this] { searchWeb(WebSearch::Kind::Pictures); });
}

bool LyricDownloadController::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_ui.List2->viewport()) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonRelease) {
        stopCountdown();
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton && m_ui.Popmnu[5])
            m_ui.Popmnu[5]->popup(mouse->globalPosition().toPoint());
    } else if (event->type() == QEvent::MouseMove) {
        if (const LyricCandidate *c = selectedCandidate())
            m_ui.List2->setToolTip(plainToolTip(QStringLiteral("当前所选歌词 - 曲名") +
                                                LyricCandidates::itemSummary(*c)));
    }
    return QObject::eventFilter(watched, event);
}

// ---- requests ----------------------------------------------------------------------------

LyricTrack LyricDownloadController::loadedTrack() const {
    LyricTrack t;
    t.file = m_model.CurrentFile;
    t.extension = m_model.CurrentExt;
    // What the player reports describes the track only while it is the one the player holds.
    if (m_player.fileName() != t.file) return t;
    t.title = m_player.getMediaInfoString(MediaPlayer::InfoTitle);
    t.artist = m_player.getMediaInfoString(MediaPlayer::InfoAuthor);
    t.album = m_player.getMediaInfoString(MediaPlayer::InfoAlbum);
    t.duration = m_player.duration();
    return t;
}

void LyricDownloadController::setContinueSearchEnabled(bool on) {
    // The list's item runs the fuzzy search command: it is offered only while that is.
    const QAction *command = m_ui.action("mnuOpenLRC2");
    if (QAction *a = m_ui.action("PopOpenLRC5"))
        a->setEnabled(on && command && command->isEnabled());
}

void LyricDownloadController::setStatus(const QString &text) {
    m_box.showStatus(text);
}

void LyricDownloadController::abandon() {
    m_gate.cancel();
    ++m_generation;
    m_reply.reset();
}

void LyricDownloadController::send(std::unique_ptr<LyricReply> reply) {
    abandon();
    m_requestTrack = m_model.CurrentFile;
    const unsigned generation = m_generation;
    connect(reply.get(), &LyricReply::finished, this,
            [this, generation](const LyricAnswer &answer) { onAnswer(generation, answer); });
    m_reply = std::move(reply);
}

void LyricDownloadController::startSearch(bool fuzzy) {
    m_ui.Timer[2]->stop();
    m_ui.Timer[9]->stop();
    if (fuzzy) {
        m_ui.List2->hide();
        m_ui.List2->setToolTip(QString());
    }
    if (m_model.CurrentFile.isEmpty()) return;
    if (!fuzzy) setContinueSearchEnabled(true);
    m_ctx.PlayerBusy = true;
    setStatus(m_box.text());
    m_countdown = 0;
    const LyricTrack track = loadedTrack();
    send(fuzzy ? m_provider->fuzzy(track) : m_provider->exact(track));
    m_ui.Timer[2]->start();
    m_ctx.PlayerBusy = false;
}

void LyricDownloadController::DownloadLyrics() {
    if (m_model.CurrentFile.isEmpty()) return;
    m_gate.wait(m_model.CurrentFile, [this] { startSearch(false); });
}

void LyricDownloadController::FuzzySearchLyrics() {
    startSearch(true);
}

void LyricDownloadController::fuzzySearchCommand() {
    if (m_model.CurrentFile.isEmpty()) return;
    setContinueSearchEnabled(false);
    setStatus(QStringLiteral("正在联网模糊查找歌词…"));
    m_ui.RichTextBox1->show();
    m_lyrics.leaveEditing();
    m_ui.Timer[1]->stop();
    m_ui.Label1->setText(QString());
    FuzzySearchLyrics();
}

const LyricCandidate *LyricDownloadController::selectedCandidate() const {
    const QList<QListWidgetItem *> selected = m_ui.List2->selectedItems();
    if (selected.isEmpty()) return nullptr;
    bool ok = false;
    const int index = selected.first()->data(kCandidateRole).toInt(&ok);
    if (!ok || index < 0 || size_t(index) >= m_candidates.size()) return nullptr;
    return &m_candidates[size_t(index)];
}

void LyricDownloadController::DownloadCandidate() {
    m_ui.Timer[9]->stop();
    m_countdown = 0;
    setStatus(QString::fromUtf16(kDoubleClickHint));
    const LyricCandidate *candidate = selectedCandidate();
    if (!candidate) {
        if (m_ctx.dialogs) m_ctx.dialogs->info(QStringLiteral("请首先选中要下载的歌词！"));
        return;
    }
    const LyricCandidate chosen = *candidate;
    setContinueSearchEnabled(true);
    m_ui.List2->hide();
    setStatus(QString());
    send(m_provider->fetch(chosen));
    m_ui.Timer[2]->start();
    m_ui.List2->setToolTip(QString());
    m_ui.RichTextBox1->setEnabled(true);
}

// ---- waiting -----------------------------------------------------------------------------

void LyricDownloadController::onWaitTick() {
    const int wait = m_ctx.settings.DownloadWaitSeconds;
    setStatus(QStringLiteral("正在尝试下载歌词(剩余") + QString::number(wait - m_countdown) +
              QStringLiteral("秒)"));
    ++m_countdown;
    if (wait < m_countdown) {
        abandon();
        failed();
        Q_EMIT answerHandled();
    }
}

void LyricDownloadController::failed() {
    m_lyrics.clearLoaded();
    setStatus(QString::fromUtf16(kFailure));
    m_ui.Timer[2]->stop();
    m_countdown = 0;
}

void LyricDownloadController::onAnswer(unsigned generation, const LyricAnswer &answer) {
    if (generation != m_generation) return;
    // The reply is done; it is deleted once its signal has returned.
    m_reply.release()->deleteLater();
    // A lookup or the track's open-state notification stopped the wait: the answer is stale.
    if (!m_ui.Timer[2]->isActive() || m_model.CurrentFile != m_requestTrack) return;
    m_ui.Timer[2]->stop();
    m_ui.Timer[9]->stop();
    m_lyrics.stopVisualTimer();
    ProcessLyricResponse(answer);
    m_lyrics.restartVisualTimer();
    Q_EMIT answerHandled();
}

void LyricDownloadController::ProcessLyricResponse(const LyricAnswer &answer) {
    if (m_model.CurrentFile.isEmpty()) return;
    switch (answer.kind) {
    case LyricAnswer::Kind::Failure:
        failed();
        return;
    case LyricAnswer::Kind::Refused:
        refused(answer.message, true);
        return;
    case LyricAnswer::Kind::Notice:
        refused(answer.message, false);
        return;
    case LyricAnswer::Kind::NothingFound:
        nothingFound();
        return;
    case LyricAnswer::Kind::NoTitle:
        setStatus(QStringLiteral("下载歌词失败！[歌名错误]"));
        return;
    case LyricAnswer::Kind::NoLyrics:
        if (Settings::isTrue(m_ctx.settings.AutoFuzzySearch)) {
            setStatus(QStringLiteral("下载歌词失败！\n[无相同曲名歌词，正在进行模糊查找…]"));
            FuzzySearchLyrics();
        } else {
            setStatus(QStringLiteral("下载歌词失败！[无相同曲名歌词，你可以使用“联网模糊查找歌词”"
                                     "功能进行更大范围查找]"));
        }
        return;
    case LyricAnswer::Kind::Candidates:
        showCandidates(answer.candidates);
        return;
    case LyricAnswer::Kind::LyricFile:
        storeLyricFile(answer.text);
        return;
    case LyricAnswer::Kind::Instrumental:
        instrumental();
        return;
    case LyricAnswer::Kind::Empty:
        // Nothing to show: the box keeps the waiting text, formatted as after a load.
        m_lyrics.clearLoaded();
        m_box.format(m_ctx.settings);
        m_ui.RichTextBox1->setEnabled(true);
        m_box.setCaret(0);
        return;
    }
}

void LyricDownloadController::refused(const QString &message, bool switchOff) {
    QString text = QStringLiteral("无法查找或下载歌词！\n[") + message + QLatin1Char(']');
    if (switchOff) {
        text += QStringLiteral("\n自动下载功能设置已经自动取消。如果想重新启用，请点击“设置”中的"
                               "“设置选项”重新进行设置。");
        m_ctx.settings.AutoDownloadLyrics = Settings::flag(false);
        for (const char *name : {"mnuOpenLRC2", "PopOpenLRC2", "PopOpenLRC5"})
            if (QAction *a = m_ui.action(name)) a->setEnabled(false);
    }
    setStatus(text);
    if (!m_ctx.dialogs) return;
    Dialogs::Message m;
    m.text = text;
    m.title = QStringLiteral("系统提示");
    m.icon = switchOff ? Dialogs::Icon::Warning : Dialogs::Icon::Information;
    m_ctx.dialogs->message(m);
}

bool LyricDownloadController::markNoLyrics(NoLyricsMarker marker) {
    const QString track = m_model.CurrentFile;
    if (QFileInfo::exists(m_lyrics.store().LyricStoreName(track))) return false;
    QString title = loadedTrack().title;
    if (title.trimmed().isEmpty()) title = track;
    if (title.isEmpty()) title = QStringLiteral("当前曲目被设置为暂不使用歌词。");
    if (marker == NoLyricsMarker::NotFound)
        m_lyrics.store().WriteNotFoundFile(track, title);
    else
        m_lyrics.store().WriteNoLyricsFile(track, title);
    return true;
}

void LyricDownloadController::instrumental() {
    m_ui.List2->hide();
    setStatus(QStringLiteral("下载歌词失败！[当前曲目为纯音乐，没有歌词。]"));
    // The marker is the lyric file from now on: the track is not asked for again.
    if (markNoLyrics(NoLyricsMarker::NoLyrics)) m_lyrics.FindLyrics();
}

void LyricDownloadController::nothingFound() {
    setStatus(QStringLiteral("模糊查找歌词失败！\n[未找到任何类似曲目名称的歌词。]"));
    if (!markNoLyrics(NoLyricsMarker::NotFound)) return;
    m_ui.List2->hide();
    setStatus(QStringLiteral("模糊查找歌词失败！\n[未找到任何类似曲目名称的歌词。当前曲目已被设置为"
                             "暂不使用歌词。如果想使用歌词，请重新查找或修改。]"));
    m_lyrics.FindLyrics();
}

// ---- candidates --------------------------------------------------------------------------

void LyricDownloadController::showCandidates(std::vector<LyricCandidate> candidates) {
    setStatus(QStringLiteral("请选择歌词！"));
    QListWidget *list = m_ui.List2;
    list->setGeometry(qRound(-10.0 / kTwipsPerPixel), qRound(310.0 / kTwipsPerPixel),
                      4950 / kTwipsPerPixel, 3270 / kTwipsPerPixel);
    {
        const QSignalBlocker quiet(list);
        list->clear();
        m_candidates = std::move(candidates);
        for (size_t i = 0; i < m_candidates.size(); ++i) {
            auto *item = new QListWidgetItem(LyricCandidates::itemText(m_candidates[i]), list);
            item->setData(kCandidateRole, int(i));
        }
    }
    m_ui.RichTextBox1->setEnabled(false);
    m_ui.RichTextBox1->show();
    setStatus(QString::fromUtf16(kDoubleClickHint));
    list->setToolTip(QStringLiteral("歌词列表(双击选中的歌词立即下载)"));
    list->show();
    list->raise();
    m_countdown = m_ctx.settings.DownloadWaitSeconds;
    m_ui.Timer[9]->start();
}

void LyricDownloadController::onCountdownTick() {
    QListWidget *list = m_ui.List2;
    const bool offered = list->isVisible() && list->isEnabled() && list->count() > 0;
    // The countdown downloads on its own only a candidate that fits the track; the user's
    // double click downloads any.
    const LyricTrack track = loadedTrack();
    const QString title = LyricRequest::trackNames(track).track;
    const int pick = LyricCandidates::autoPick(m_candidates, title, track.duration, track.artist,
                                               m_model.CurrentFile);
    if (m_countdown == m_ctx.settings.DownloadWaitSeconds && offered) {
        const int best =
            pick >= 0 ? pick
                      : LyricCandidates::preselect(m_candidates, track.artist, m_model.CurrentFile);
        if (best >= 0) list->setCurrentRow(best);
    }
    --m_countdown;
    if (m_countdown < 0) {
        m_ui.Timer[9]->stop();
        m_countdown = 0;
        if (!offered) return;
        if (pick < 0) {
            list->clearSelection();
            setStatus(QStringLiteral("没有与当前曲目相符的歌词，请双击选择要下载的歌词。"));
            return;
        }
        list->setCurrentRow(pick);
        DownloadCandidate();
        return;
    }
    setStatus(m_countdown == 0
                  ? QString::fromUtf16(kDoubleClickHint)
                  : QStringLiteral("单击选择歌词,双击立即下载[") + QString::number(m_countdown) +
                        QStringLiteral("秒后将自动选择下载]"));
}

void LyricDownloadController::stopCountdown() {
    m_ui.Timer[9]->stop();
    m_countdown = 0;
    setStatus(QString::fromUtf16(kDoubleClickHint));
}

// ---- the lyric file ----------------------------------------------------------------------

void LyricDownloadController::dropAnswerFile() {
    if (!m_answerFile.isEmpty()) QFile::remove(m_answerFile);
    m_answerFile.clear();
}

void LyricDownloadController::reportWriteFailure(const QString &file) {
    if (m_ctx.dialogs)
        m_ctx.dialogs->error(QStringLiteral("无法保存歌词文件“") + file + QStringLiteral("”。"));
}

void LyricDownloadController::storeLyricFile(const QString &text) {
    const QString track = m_model.CurrentFile;
    // The previous answer is no longer shown once this one is.
    dropAnswerFile();
    // Each answer its own file: an older answer can never overwrite a newer one. It backs the
    // lyrics on screen until they are stored (or for good when the user keeps the old file).
    QDir().mkpath(m_ctx.paths.temp());
    const QString answerFile = m_ctx.paths.temp() + QStringLiteral("/$") +
                               QString::number(m_generation) + QStringLiteral(".lrc");
    if (!TextFile::write(answerFile, text)) {
        QFile::remove(answerFile);
        // Shown all the same, but without a file behind them: nothing can be edited or stored.
        m_lyrics.showDownloadedLyrics(QString(), text);
        reportWriteFailure(answerFile);
        m_lyrics.startTimerWhenPlaying();
        return;
    }
    m_answerFile = answerFile;
    m_lyrics.showDownloadedLyrics(answerFile, text);

    const LyricStore &store = m_lyrics.store();
    const QString storeFile = store.LyricStoreName(track);
    const auto keep = [&] {
        if (!store.replaceWith(track, answerFile)) {
            reportWriteFailure(storeFile);
            return;
        }
        m_lyrics.adoptLyricFile(storeFile);
        dropAnswerFile();
    };
    if (!QFileInfo::exists(storeFile)) {
        keep();
    } else {
        m_lyrics.pauseWhenPlaying();
        const Dialogs::Message question = replaceStoredLyricsQuestion();
        // No keeps the downloaded lyrics on screen without storing them.
        if (m_ctx.dialogs && m_ctx.dialogs->message(question) == Dialogs::Answer::Yes) keep();
        if (m_player.playState() == MediaPlayer::Paused) m_player.play();
    }
    m_lyrics.startTimerWhenPlaying();
}

// ---- web searches ------------------------------------------------------------------------

void LyricDownloadController::searchWeb(WebSearch::Kind kind) {
    if (!m_ctx.dialogs) return;
    const QString title = kind == WebSearch::Kind::Mp3 ? QStringLiteral("百度MP3搜索")
                                                       : QStringLiteral("百度图片搜索");
    const QString keyword =
        m_ctx.dialogs->input(QStringLiteral("请输入搜索关键词。\n"), title, QString());
    const QUrl url = WebSearch::searchUrl(kind, keyword);
    if (url.isValid() && !url.isEmpty()) QDesktopServices::openUrl(url);
}

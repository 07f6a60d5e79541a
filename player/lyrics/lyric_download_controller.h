#pragma once
// Lyric download on the main window: the exact request when a track has no lyric file, the
// fuzzy search and its candidate list List2 with the countdown (Timer9), the wait for an answer
// (Timer2), what each answer does, and the web search commands.
//
// Requests run asynchronously in the provider; each one carries a generation, and an answer is
// acted on only while it is the newest request, its track is still loaded and Timer2 still
// waits for it. Any lookup (FindLyrics) abandons the request in flight.
#include "lyrics/download/lyric_provider.h"
#include "lyrics/download/web_search.h"
#include "lyrics/lyric_box.h"
#include "lyrics/track_info_gate.h"
#include "shell/app_context.h"
#include "shell/main_window_ui.h"

#include <QObject>
#include <memory>
#include <vector>

class LyricsController;
class MediaPlayer;
class PlaylistModel;

class LyricDownloadController : public QObject {
    Q_OBJECT
public:
    LyricDownloadController(AppContext &ctx, MainWindowUi &ui, PlaylistModel &model,
                            MediaPlayer &player, LyricsController &lyrics,
                            std::unique_ptr<LyricProvider> provider, QObject *parent = nullptr);
    ~LyricDownloadController() override;

    // Exact request for the loaded track (FindLyrics, when AutoDownloadLyrics is on), sent once
    // the player knows the track's tags and length (TrackInfoGate).
    void DownloadLyrics();
    // Fuzzy request for the loaded track.
    void FuzzySearchLyrics();
    // Fetches the candidate selected in List2.
    void DownloadCandidate();
    // mnuOpenLRC2 and its twins: the fuzzy search command.
    void fuzzySearchCommand();
    // Drops the request in flight (its answer is never acted on).
    void abandon();
    // mnuSearch2 / mnuSearch3: asks for a keyword and opens the search in the browser.
    void searchWeb(WebSearch::Kind kind);

    int CountdownSeconds() const { return m_countdown; }
    bool requestInFlight() const { return m_reply != nullptr; }
    // The exact request waits for the track's tags and length.
    bool waitingForTrackInfo() const { return m_gate.waiting(); }

Q_SIGNALS:
    // An answer (or the end of the wait) has been acted on.
    void answerHandled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectCommands();
    LyricTrack loadedTrack() const;
    void send(std::unique_ptr<LyricReply> reply);
    void startSearch(bool fuzzy);
    void onAnswer(unsigned generation, const LyricAnswer &answer);
    void ProcessLyricResponse(const LyricAnswer &answer);
    void onWaitTick();
    void onCountdownTick();
    void failed();
    void refused(const QString &message, bool switchOff);
    void nothingFound();
    void instrumental();
    // Writes a marker for the loaded track unless it has a store file: "not found" after a
    // search without result, "no lyrics" for an instrumental track.
    enum class NoLyricsMarker { NotFound, NoLyrics };
    bool markNoLyrics(NoLyricsMarker marker);
    void showCandidates(std::vector<LyricCandidate> candidates);
    void storeLyricFile(const QString &text);
    // Removes the temporary file of the last answer (it is no longer in use).
    void dropAnswerFile();
    void reportWriteFailure(const QString &file);
    void stopCountdown();
    void setStatus(const QString &text);
    void setContinueSearchEnabled(bool on);
    const LyricCandidate *selectedCandidate() const;

    AppContext &m_ctx;
    MainWindowUi &m_ui;
    PlaylistModel &m_model;
    MediaPlayer &m_player;
    LyricsController &m_lyrics;
    std::unique_ptr<LyricProvider> m_provider;
    LyricBox m_box;
    TrackInfoGate m_gate;

    std::unique_ptr<LyricReply> m_reply;
    unsigned m_generation = 0;
    QString m_requestTrack;
    int m_countdown = 0; // CountdownSeconds
    std::vector<LyricCandidate> m_candidates;
    QString m_answerFile; // the temporary file behind downloaded lyrics not (yet) stored
};

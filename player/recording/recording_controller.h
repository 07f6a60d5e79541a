#pragma once
// The recording commands: record over the loaded track, stop recording or take playback, play
// the take; the recording clock; saving the take and loading it for playback; and the
// reactions playback asks for (take mode, track switches, play states). No widgets.
#include "playback/media_player.h"
#include "recording/capture_engine.h"
#include "recording/recording_controls_view.h"
#include "recording/take_accompaniment.h"
#include "recording/take_file.h"
#include "shell/app_context.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>

class PlaybackController;

class RecordingController : public QObject {
    Q_OBJECT
public:
    // Marker positions in twips: start, end (the clock stops the recording there).
    static constexpr int kMarkerStart = 360;
    static constexpr int kMarkerSpan = 4290;
    static constexpr int kMarkerEnd = kMarkerStart + kMarkerSpan;

    RecordingController(AppContext &ctx, MediaPlayer &player, CaptureEngine &engine,
                        RecordingControlsView &view, QObject *parent = nullptr);

    // The source to record (the panel's device); empty: the server's default.
    std::function<QString()> sourceName;
    // Milliseconds since the capture started (tests may replace the monotonic clock).
    std::function<qint64()> elapsedMs;

    // Takes are saved as the voice mixed over this accompaniment (null: as captured).
    void setAccompaniment(TakeAccompaniment *accompaniment) { m_accompaniment = accompaniment; }

    // Start-up: the record command is enabled only when recording is available.
    void applyAvailability();
    // The sound server came, went or changed: an idle record command follows availability.
    void onServerChanged();
    // Takes a player left in TEMP when it died, and takes kept when a window closed, are in the
    // home folder's "takes": a message says where.
    void recoverOrphanTake();
    // The window closes: a running or unsaved take is moved into "takes" (the next start says
    // where). Returns its path, empty when there was none.
    QString keepTakeAtExit();

    // Commands.
    void startRecording();
    void stop();
    void playTake();
    // Timer5.
    void clockTick();

    // Playback's hooks and notifications come here.
    void bindPlayback(PlaybackController &playback);
    bool recording() const { return m_recording; }
    bool takeMode() const { return m_takeMode; }
    void clearTakeMode() { m_takeMode = false; }
    // A track was loaded: with neither flag set the recording controls return to idle.
    void onTrackLoaded();
    void onPlayStateChanged(int state);

    const QString &takePath() const { return m_takePath; }
    double recordSeconds() const { return m_engine.recordSeconds(); }

private:
    void resetStopControls(const QString &menuCaption);
    void recordingToIdle();
    void restartLevelTimer();
    void endFailedRecording(const QString &text);
    void saveTake();
    // Writes the take under `name`: the mix, with the voice alone beside it, or as captured.
    bool writeTake(const QString &name, const CaptureBuffer &voice, size_t bytes);
    void releaseTake();

    AppContext &m_ctx;
    MediaPlayer &m_player;
    CaptureEngine &m_engine;
    RecordingControlsView &m_view;
    TakeSpool m_spool;
    TakeAccompaniment *m_accompaniment = nullptr;
    QElapsedTimer m_clock;
    bool m_recording = false;
    bool m_takeMode = false;
    QString m_takePath;
};

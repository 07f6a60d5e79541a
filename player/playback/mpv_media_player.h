#pragma once
// The media player on libmpv. The engine owns the mpv handle; mpv's wake-up callback only posts
// a drain call to the UI thread, where the events are read and turned into the notifications of
// MediaPlayer. Video goes to a null output until a video widget attaches an OpenGL renderer
// (and back when it detaches), so sound, sizes and positions work without any display.
#include "playback/media_player.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <atomic>
#include <cstdint>

struct mpv_handle;
struct mpv_render_context;
struct mpv_event;

class MpvMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    // The live key's filter: Rubber Band's R2 engine. Its resampler at the speed setting keeps
    // a tone's noise near -44 dB for about 40 % less CPU than the quality setting; the short
    // window keeps a key change heard within about 110 ms; the formants move with the key
    // (keeping them bends a tone's level), and phases are neither locked across bins nor reset
    // at transients (both make steady tones beat at some frequencies).
    // bench/playback/key_quality measures pitch, THD+N and CPU of any other choice.
    static constexpr const char *kKeyFilterOptions =
        "pitch=speed:engine=faster:window=short:"
        "formant=shifted:transients=smooth:phase=independent";

    struct Options {
        // mpv's audio output ("null", "pulse", "pcm", ...); empty: mpv's default choice.
        QByteArray audioOutput;
        // Further mpv options set before start (name, value), e.g. for the pcm output's file.
        QList<QPair<QByteArray, QByteArray>> extra;
        // The live key's Rubber Band options after its pitch scale (benchmarks compare others).
        QByteArray keyFilterOptions = kKeyFilterOptions;
        // LYRAVOX_AUDIO=null sends the sound to a null output (tests, headless runs).
        static Options fromEnvironment();
    };

    explicit MpvMediaPlayer(const Options &options = Options::fromEnvironment(),
                            QObject *parent = nullptr);
    ~MpvMediaPlayer() override;
    MpvMediaPlayer(const MpvMediaPlayer &) = delete;
    MpvMediaPlayer &operator=(const MpvMediaPlayer &) = delete;

    // False when libmpv could not be started; every member then does nothing.
    bool isValid() const { return m_mpv != nullptr; }
    // Why it could not be started.
    QString startError() const { return m_startError; }

    bool setFileName(const QString &pathOrAddress) override;
    QString fileName() const override { return m_fileName; }
    void play() override;
    void pause() override;
    void stop() override;
    int playState() const override { return m_state; }
    double duration() const override;
    double currentPosition() const override;
    void setCurrentPosition(double seconds) override;
    int volume() const override { return m_volume; }
    void setVolume(int percent) override;
    int imageSourceWidth() const override { return m_width; }
    int imageSourceHeight() const override { return m_height; }
    int displaySize() const override { return m_displaySize; }
    void setDisplaySize(int size) override;
    int balance() const override { return m_balance; }
    void setBalance(int value) override;
    int pitchSemitones() const override { return m_pitch; }
    void setPitchSemitones(int semitones) override;
    QString getMediaInfoString(int kind) const override;
    bool displayOption() const override { return m_displayOption; }
    void setDisplayOption(bool on) override;

    // --- Video renderer (for MpvVideoWidget; UI thread, with its OpenGL context current) ---
    using GetProcAddress = void *(*)(void *ctx, const char *name);
    using FrameCallback = void (*)(void *ctx); // any thread: must only post
    // Creates the OpenGL renderer and sends the video to it. False when mpv refuses the context.
    bool attachGlRenderer(GetProcAddress getProcAddress, void *procContext, FrameCallback onFrame,
                          void *frameContext);
    // Sends the video back to the null output and frees the renderer (same context current).
    void detachGlRenderer();
    bool hasRenderer() const { return m_render != nullptr; }
    // Draws the current frame into framebuffer `fbo` of `width` x `height` device pixels.
    void renderFrame(int fbo, int width, int height);
    // The video widget got the keyboard focus.
    void reportFocusGained() { Q_EMIT focusGained(); }

private:
    static void wakeUp(void *self);
    void drainEvents();
    void handleEvent(const mpv_event &event);
    void onFileLoaded();
    void onEndReached();
    void finishAtEnd();
    void readMetadata();
    void setState(int state);
    void resetMediaInfo();
    bool command(std::initializer_list<const char *> args);
    void setFlag(const char *name, bool on);
    bool startLoad();
    // Sets mpv's filter chain for the balance and the key; false when mpv refused it.
    bool applyFilters();

    mpv_handle *m_mpv = nullptr;
    mpv_render_context *m_render = nullptr;
    QString m_startError;
    std::atomic<bool> m_drainPosted{false};
    bool m_draining = false;

    QString m_fileName;
    int64_t m_entryId = -1;      // mpv's playlist entry of the media put last
    int64_t m_startedId = -1;    // the entry mpv started loading last
    bool m_loaded = false;       // the current entry finished opening
    bool m_wantPlay = false;     // play() was asked for since the last put, pause or stop
    bool m_reloadOnPlay = false; // mpv closed the media at its end: play() opens it again
    bool m_seekPending = false;
    double m_seekTarget = 0.0;
    int m_state = Closed;

    double m_rawDuration = 0.0; // mpv's duration
    bool m_seekable = false;    // false for live streams
    int m_width = 0;
    int m_height = 0;
    QHash<QString, QString> m_metadata; // keys lower-cased
    int m_displaySize = 0;
    int m_balance = 0;
    int m_pitch = 0;
    // The key filter is in the chain (it stays there at 0 once added, so that later steps are
    // commands to the running filter rather than a rebuilt chain, until new media opens).
    bool m_keyFilter = false;
    QByteArray m_chain; // the chain last set
    QByteArray m_keyFilterOptions;
    int m_volume = 100;
    bool m_displayOption = false;
};

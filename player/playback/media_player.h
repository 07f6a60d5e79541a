#pragma once
// The media player the main window plays every track through (MediaPlayer1). The playback
// controller, the lyric clock and the processing commands talk to this interface only; the
// libmpv engine implements it and tests use a scripted fake.
//
// Threads: every member is called on the UI thread, none of them blocks on the media (opening,
// decoding and output run inside the engine), and every signal is emitted on the UI thread.
#include <QObject>
#include <QString>

class MediaPlayer : public QObject {
    Q_OBJECT
public:
    // PlayState values.
    enum PlayState : int { Stopped = 0, Paused = 1, Playing = 2, Closed = 6 };
    // GetMediaInfoString kinds.
    enum InfoKind : int { InfoTitle = 8, InfoAuthor = 9, InfoCopyright = 10, InfoDescription = 12 };
    // Beyond the classic kinds: the album tag (desktop media controls show it).
    static constexpr int InfoAlbum = 64;
    // DisplaySize value of video full screen.
    static constexpr int kFullScreen = 3;
    // Balance range: hundredths of a decibel taken off the opposite channel.
    static constexpr int kBalanceMin = -5000;
    static constexpr int kBalanceMax = 5000;
    // Live key range in semitones.
    static constexpr int kPitchMin = -6;
    static constexpr int kPitchMax = 6;

    using QObject::QObject;

    // FileName put: opens a local path or a network address without starting playback (the
    // state goes to Closed while it opens, then to Stopped). An empty name closes the media.
    // Returns false when the media cannot be opened at once (missing or unreadable local file);
    // a failure found while opening is reported later by mediaError().
    virtual bool setFileName(const QString &pathOrAddress) = 0;
    // FileName get: the name last put, also while it opens or after it failed.
    virtual QString fileName() const = 0;

    // Starts or resumes playback; after Stop or the end of the media it starts at 0.
    virtual void play() = 0;
    // Pauses; does nothing unless the state is Playing.
    virtual void pause() = 0;
    // Stops: pauses and returns to position 0; the media stays open.
    virtual void stop() = 0;
    // One of PlayState.
    virtual int playState() const = 0;

    // Length in seconds; 0 for a stream without a known length or while nothing is open.
    virtual double duration() const = 0;
    // Position in seconds (0 while nothing is open).
    virtual double currentPosition() const = 0;
    // Seeks; positionJumped() follows once the player has moved there.
    virtual void setCurrentPosition(double seconds) = 0;

    // Output volume in percent, 0 ... 100 (values outside are clamped); 100 is the media as
    // decoded. Kept across media.
    virtual int volume() const = 0;
    virtual void setVolume(int percent) = 0;

    // Video frame size in pixels; both 0 for sound-only media.
    virtual int imageSourceWidth() const = 0;
    virtual int imageSourceHeight() const = 0;
    bool hasVideo() const { return imageSourceWidth() != 0 || imageSourceHeight() != 0; }

    // kFullScreen shows the video full screen (Esc there returns to 0); other values: the
    // video in its area on the main window.
    virtual int displaySize() const = 0;
    virtual void setDisplaySize(int size) = 0;

    // Stereo balance, kBalanceMin (left only) ... kBalanceMax (right only), 0 centre. Values
    // outside the range are clamped.
    virtual int balance() const = 0;
    virtual void setBalance(int value) = 0;

    // The live key: the sound is played `semitones` higher (negative: lower) at its own tempo,
    // values outside kPitchMin ... kPitchMax clamped. While media plays the change is heard at
    // once, without a seek or a pause: the position runs on. 0 is the media as decoded. Kept
    // across media (a new track's key is its caller's business). Video keeps its pace.
    virtual int pitchSemitones() const = 0;
    virtual void setPitchSemitones(int semitones) = 0;

    // InfoTitle, InfoAuthor, InfoCopyright, InfoDescription or InfoAlbum of the open media; empty
    // when the media carries none (or for another kind).
    virtual QString getMediaInfoString(int kind) const = 0;

    // The display option: true shows the playback status over the video.
    virtual bool displayOption() const = 0;
    virtual void setDisplayOption(bool on) = 0;

Q_SIGNALS:
    // The media played to its end. The state becomes Stopped right after, unless a handler
    // opened other media.
    void endOfMedia();
    // The media finished opening (or was closed); FileName, Duration, the video size and the
    // info strings now describe it.
    void openStateChanged();
    // The open media's length or tags changed after it opened (a stream's title arriving, a
    // length found later): Duration and the info strings now say more.
    void mediaInfoChanged();
    // PlayState changed to `state`.
    void playStateChanged(int state);
    // The video area got the keyboard focus.
    void focusGained();
    // The open media failed (could not be opened, or broke while playing); the state is Closed.
    void mediaError(const QString &fileName, const QString &reason);
    // DisplaySize changed.
    void displaySizeChanged(int size);
    // A seek asked for by setCurrentPosition (any command's, Stop's return to 0 included) has
    // taken effect: the position jumped.
    void positionJumped();
};

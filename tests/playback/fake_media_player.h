#pragma once
// A scripted MediaPlayer for controller tests: media open at once (synchronously) unless
// setOpensLater asks for the real engine's order, the test decides their length, video size and
// title, ends them and makes them fail. Every command is recorded.
#include "playback/media_player.h"

#include <QHash>
#include <QStringList>

class FakeMediaPlayer : public MediaPlayer {
    Q_OBJECT
public:
    struct Media {
        double duration = 180.0;
        int width = 0, height = 0;
        QString title;
        bool refused = false;     // setFileName returns false
        bool failsToOpen = false; // opening reports mediaError
        // Initialised here, so that brace lists may leave them out.
        QString album{};
        QString artist{}; // overrides setAuthor's for this media
        // Title, album and length are reported only after the media opened, with
        // mediaInfoChanged (a stream whose tags arrive later).
        bool infoLater = false;
    };

    using MediaPlayer::MediaPlayer;

    // How the named media behaves (unknown names: a three-minute sound file without tags).
    void setMedia(const QString &name, const Media &media) { m_media.insert(name, media); }
    // The author every open media reports (GetMediaInfoString 9).
    void setAuthor(const QString &author) { m_author = author; }
    // The open media plays to its end.
    void finishTrack();
    // The commands received, e.g. "open:/a.mp3", "play", "pause", "stop", "seek:0", "key:2"
    // (a key change only).
    const QStringList &calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    void setPosition(double seconds) { m_position = seconds; }
    // As libmpv does: setFileName returns with the media still opening; it opens (openStateChanged)
    // from the event loop, and a later setFileName replaces it before that.
    void setOpensLater(bool on) { m_opensLater = on; }

    bool setFileName(const QString &pathOrAddress) override;
    QString fileName() const override { return m_fileName; }
    void play() override;
    void pause() override;
    void stop() override;
    int playState() const override { return m_state; }
    double duration() const override { return m_open && m_infoKnown ? m_current.duration : 0.0; }
    double currentPosition() const override { return m_position; }
    void setCurrentPosition(double seconds) override;
    int volume() const override { return m_volume; }
    void setVolume(int percent) override;
    int imageSourceWidth() const override { return m_open ? m_current.width : 0; }
    int imageSourceHeight() const override { return m_open ? m_current.height : 0; }
    int displaySize() const override { return m_displaySize; }
    void setDisplaySize(int size) override;
    int balance() const override { return m_balance; }
    void setBalance(int value) override;
    int pitchSemitones() const override { return m_pitch; }
    void setPitchSemitones(int semitones) override;
    QString getMediaInfoString(int kind) const override;
    bool displayOption() const override { return m_displayOption; }
    void setDisplayOption(bool on) override { m_displayOption = on; }

private:
    void setState(int state);
    void finishOpening(int load);

    bool m_opensLater = false;
    bool m_infoKnown = false;
    QHash<QString, Media> m_media;
    QStringList m_calls;
    QString m_fileName;
    int m_loads = 0;
    Media m_current;
    QString m_author;
    bool m_open = false;
    bool m_wantPlay = false;
    int m_state = Closed;
    double m_position = 0.0;
    int m_displaySize = 0;
    int m_balance = 0;
    int m_pitch = 0;
    int m_volume = 100;
    bool m_displayOption = false;
};

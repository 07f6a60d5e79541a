#include "playback/mpv_media_player.h"

#include "playback/stereo_balance.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QRegularExpression>
#include <clocale>
#include <cmath>
#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/render_gl.h>
#include <vector>

namespace {

// Reply ids of the observed properties.
enum Observed : uint64_t { kDuration = 1, kWidth, kHeight, kEofReached, kMetadata, kSeekable };

// The usual sound servers first; a machine without any still plays (silently), so positions,
// lyrics and the end of a track behave the same.
constexpr const char *kDefaultAudioOutputs = "pipewire,pulse,alsa,null";

// The key filter's label, for af-command.
constexpr const char *kKeyLabel = "lvkey";

QByteArray pitchScale(int semitones) {
    return QByteArray::number(std::pow(2.0, semitones / 12.0), 'f', 9);
}

// Rubber Band with `options`; the tempo stays as it is.
QByteArray keyFilter(int semitones, const QByteArray &options) {
    QByteArray filter = QByteArrayLiteral("@") + kKeyLabel +
                        QByteArrayLiteral(":rubberband=pitch-scale=") + pitchScale(semitones);
    if (!options.isEmpty()) filter += ':' + options;
    return filter;
}

bool isAddress(const QString &name) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(name).hasMatch();
}

QString nodeString(const mpv_node &node) {
    return node.format == MPV_FORMAT_STRING ? QString::fromUtf8(node.u.string) : QString();
}

} // namespace

MpvMediaPlayer::Options MpvMediaPlayer::Options::fromEnvironment() {
    Options o;
    if (qgetenv("LYRAVOX_AUDIO") == "null") {
        o.audioOutput = QByteArrayLiteral("null");
        // The null output does not model draining its buffers: small ones keep the end of a
        // track close to its real length.
        o.extra = {{"ao-null-buffer", "0.02"}, {"audio-buffer", "0.02"}};
    }
    return o;
}

MpvMediaPlayer::MpvMediaPlayer(const Options &options, QObject *parent)
    : MediaPlayer(parent), m_keyFilterOptions(options.keyFilterOptions) {
    // libmpv refuses to start under a locale whose decimal separator is not ".".
    std::setlocale(LC_NUMERIC, "C");
    m_mpv = mpv_create();
    if (!m_mpv) {
        m_startError = QStringLiteral("libmpv could not be created");
        return;
    }
    const QList<QPair<QByteArray, QByteArray>> base = {
        {"vo", "null"}, // until a video widget attaches its renderer
        {"ao",
         options.audioOutput.isEmpty() ? QByteArray(kDefaultAudioOutputs) : options.audioOutput},
        {"audio-client-name", "Lyravox"},
        {"idle", "yes"},
        {"keep-open", "yes"},    // the media stays open at its end, as after Stop
        {"pause", "yes"},        // a put FileName waits for play()
        {"audio-display", "no"}, // cover art inside audio files is not a video
        // Short buffers: a key change is heard at once (the singer hears the sound they sing to).
        {"audio-buffer", "0.02"},
        {"pulse-buffer", "30"},
        {"config", "no"},
        {"load-scripts", "no"},
        {"ytdl", "no"},
        {"osc", "no"},
        {"input-default-bindings", "no"},
        {"input-vo-keyboard", "no"},
        {"terminal", "no"},
    };
    for (const auto &opt : base + options.extra) {
        if (mpv_set_option_string(m_mpv, opt.first.constData(), opt.second.constData()) < 0) {
            m_startError = QStringLiteral("mpv option %1=%2 was refused")
                               .arg(QString::fromUtf8(opt.first), QString::fromUtf8(opt.second));
            mpv_terminate_destroy(m_mpv);
            m_mpv = nullptr;
            return;
        }
    }
    if (const int err = mpv_initialize(m_mpv); err < 0) {
        m_startError = QString::fromUtf8(mpv_error_string(err));
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
        return;
    }
    mpv_observe_property(m_mpv, kDuration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, kWidth, "width", MPV_FORMAT_INT64);
    mpv_observe_property(m_mpv, kHeight, "height", MPV_FORMAT_INT64);
    mpv_observe_property(m_mpv, kEofReached, "eof-reached", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, kMetadata, "metadata", MPV_FORMAT_NODE);
    mpv_observe_property(m_mpv, kSeekable, "seekable", MPV_FORMAT_FLAG);
    mpv_set_wakeup_callback(m_mpv, &MpvMediaPlayer::wakeUp, this);
}

MpvMediaPlayer::~MpvMediaPlayer() {
    if (!m_mpv) return;
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    if (m_render) {
        // The video widget normally detaches first, with its context current. Freed here at the
        // latest: the renderer must never outlive the core.
        mpv_render_context_free(m_render);
        m_render = nullptr;
    }
    mpv_terminate_destroy(m_mpv);
}

// Called by mpv on any of its threads: only post the drain to the UI thread, once.
void MpvMediaPlayer::wakeUp(void *self) {
    auto *player = static_cast<MpvMediaPlayer *>(self);
    if (!player->m_drainPosted.exchange(true))
        QMetaObject::invokeMethod(player, &MpvMediaPlayer::drainEvents, Qt::QueuedConnection);
}

void MpvMediaPlayer::drainEvents() {
    m_drainPosted = false;
    // A handler may run a modal dialog, whose event loop would start another drain: the outer
    // one reads the remaining events once the handler returns (an event read by mpv_wait_event
    // is only valid until the next read).
    if (m_draining) return;
    m_draining = true;
    while (m_mpv) {
        mpv_event *event = mpv_wait_event(m_mpv, 0);
        if (event->event_id == MPV_EVENT_NONE) break;
        handleEvent(*event);
    }
    m_draining = false;
}

void MpvMediaPlayer::handleEvent(const mpv_event &event) {
    switch (event.event_id) {
    case MPV_EVENT_START_FILE:
        m_startedId = static_cast<const mpv_event_start_file *>(event.data)->playlist_entry_id;
        break;
    case MPV_EVENT_FILE_LOADED:
        // Events of a media that was replaced in the meantime are ignored.
        if (m_startedId == m_entryId && !m_loaded) onFileLoaded();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        // Also sent when a file starts: only a seek of ours is a jump.
        if (m_seekPending) {
            m_seekPending = false;
            Q_EMIT positionJumped();
        }
        break;
    case MPV_EVENT_END_FILE: {
        const auto *end = static_cast<const mpv_event_end_file *>(event.data);
        if (end->playlist_entry_id != m_entryId) break;
        if (end->reason == MPV_END_FILE_REASON_REDIRECT) {
            // A playlist address: the first entry it expanded to is now this media.
            m_entryId = end->playlist_insert_id;
        } else if (end->reason == MPV_END_FILE_REASON_ERROR) {
            m_loaded = false;
            m_wantPlay = false;
            resetMediaInfo();
            setState(Closed);
            Q_EMIT openStateChanged();
            Q_EMIT mediaError(m_fileName, QString::fromUtf8(mpv_error_string(end->error)));
        } else if (end->reason == MPV_END_FILE_REASON_EOF) {
            // Media whose end mpv could not hold open (some streams): reopen on the next play.
            m_loaded = false;
            m_reloadOnPlay = true;
            if (m_state == Playing) {
                m_wantPlay = false;
                finishAtEnd();
            }
        }
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto *prop = static_cast<const mpv_event_property *>(event.data);
        // Values that arrive before the current media finished opening belong to the old one.
        if (!m_loaded) break;
        switch (event.reply_userdata) {
        case kDuration: {
            const double length =
                prop->format == MPV_FORMAT_DOUBLE ? *static_cast<double *>(prop->data) : 0.0;
            if (length == m_rawDuration) break;
            m_rawDuration = length;
            Q_EMIT mediaInfoChanged();
            break;
        }
        case kSeekable:
            m_seekable = prop->format == MPV_FORMAT_FLAG && *static_cast<int *>(prop->data);
            break;
        case kWidth:
            m_width =
                prop->format == MPV_FORMAT_INT64 ? int(*static_cast<int64_t *>(prop->data)) : 0;
            break;
        case kHeight:
            m_height =
                prop->format == MPV_FORMAT_INT64 ? int(*static_cast<int64_t *>(prop->data)) : 0;
            break;
        case kEofReached:
            if (prop->format == MPV_FORMAT_FLAG && *static_cast<int *>(prop->data)) onEndReached();
            break;
        case kMetadata: {
            const QHash<QString, QString> before = m_metadata;
            readMetadata();
            if (m_metadata != before) Q_EMIT mediaInfoChanged();
            break;
        }
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
}

void MpvMediaPlayer::onFileLoaded() {
    m_loaded = true;
    double length = 0.0;
    m_rawDuration =
        mpv_get_property(m_mpv, "duration", MPV_FORMAT_DOUBLE, &length) >= 0 ? length : 0.0;
    int seekable = 0;
    m_seekable = mpv_get_property(m_mpv, "seekable", MPV_FORMAT_FLAG, &seekable) >= 0 && seekable;
    int64_t w = 0, h = 0;
    m_width = mpv_get_property(m_mpv, "width", MPV_FORMAT_INT64, &w) >= 0 ? int(w) : 0;
    m_height = mpv_get_property(m_mpv, "height", MPV_FORMAT_INT64, &h) >= 0 ? int(h) : 0;
    readMetadata();
    Q_EMIT openStateChanged();
    setState(m_wantPlay ? Playing : Stopped);
}

void MpvMediaPlayer::onEndReached() {
    if (m_state != Playing) return;
    // As after Stop: paused at the start, so that play() begins again from 0.
    m_wantPlay = false;
    setFlag("pause", true);
    setCurrentPosition(0.0);
    finishAtEnd();
}

void MpvMediaPlayer::finishAtEnd() {
    // The notification comes first: its handler usually opens the next track at once, and the
    // list must still show the user's selection then. Only when nothing replaced this media
    // does it settle as stopped.
    const int64_t entry = m_entryId;
    Q_EMIT endOfMedia();
    if (m_entryId == entry && m_state == Playing) setState(Stopped);
}

void MpvMediaPlayer::readMetadata() {
    m_metadata.clear();
    mpv_node node;
    if (mpv_get_property(m_mpv, "metadata", MPV_FORMAT_NODE, &node) < 0) return;
    if (node.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < node.u.list->num; ++i)
            m_metadata.insert(QString::fromUtf8(node.u.list->keys[i]).toLower(),
                              nodeString(node.u.list->values[i]));
    }
    mpv_free_node_contents(&node);
}

void MpvMediaPlayer::setState(int state) {
    if (m_state == state) return;
    m_state = state;
    Q_EMIT playStateChanged(state);
}

void MpvMediaPlayer::resetMediaInfo() {
    m_rawDuration = 0.0;
    m_seekable = false;
    m_width = m_height = 0;
    m_metadata.clear();
    m_seekPending = false;
}

bool MpvMediaPlayer::command(std::initializer_list<const char *> args) {
    if (!m_mpv) return false;
    std::vector<const char *> argv(args);
    argv.push_back(nullptr);
    return mpv_command(m_mpv, argv.data()) >= 0;
}

void MpvMediaPlayer::setFlag(const char *name, bool on) {
    if (!m_mpv) return;
    int flag = on ? 1 : 0;
    mpv_set_property(m_mpv, name, MPV_FORMAT_FLAG, &flag);
}

double MpvMediaPlayer::duration() const {
    // A live stream has no length; mpv's value there only grows with what has been received.
    return m_seekable ? m_rawDuration : 0.0;
}

bool MpvMediaPlayer::setFileName(const QString &pathOrAddress) {
    if (!m_mpv) return false;
    m_wantPlay = false;
    m_reloadOnPlay = false;
    if (pathOrAddress.isEmpty()) {
        m_fileName.clear();
        m_entryId = -1;
        m_loaded = false;
        resetMediaInfo();
        command({"stop"});
        setState(Closed);
        Q_EMIT openStateChanged();
        return true;
    }
    if (!isAddress(pathOrAddress)) {
        const QFileInfo info(pathOrAddress);
        if (!info.exists() || info.isDir() || !info.isReadable()) return false;
    }
    m_fileName = pathOrAddress;
    return startLoad();
}

bool MpvMediaPlayer::applyFilters() {
    QByteArray chain = StereoBalance::filterChain(m_balance);
    if (m_keyFilter) {
        if (!chain.isEmpty()) chain += ',';
        chain += keyFilter(m_pitch, m_keyFilterOptions);
    }
    if (chain == m_chain) return true;
    if (mpv_set_property_string(m_mpv, "af", chain.constData()) < 0) return false;
    m_chain = chain;
    return true;
}

bool MpvMediaPlayer::startLoad() {
    m_loaded = false;
    resetMediaInfo();
    // New media: a key of 0 needs no filter; any other starts from the chain with its value.
    if (m_pitch == 0) m_keyFilter = false;
    applyFilters();
    setFlag("pause", !m_wantPlay);
    const QByteArray name = m_fileName.toUtf8();
    const char *args[] = {"loadfile", name.constData(), "replace", nullptr};
    mpv_node result;
    m_entryId = -1;
    if (mpv_command_ret(m_mpv, args, &result) < 0) {
        setState(Closed);
        return false;
    }
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64)
                m_entryId = result.u.list->values[i].u.int64;
        }
    }
    mpv_free_node_contents(&result);
    setState(Closed); // opening
    return true;
}

void MpvMediaPlayer::play() {
    if (!m_mpv || m_fileName.isEmpty()) return;
    m_wantPlay = true;
    if (m_reloadOnPlay) {
        m_reloadOnPlay = false;
        startLoad();
        return;
    }
    if (!m_loaded && m_entryId < 0) return; // the media failed to open
    setFlag("pause", false);
    if (m_loaded) setState(Playing);
}

void MpvMediaPlayer::pause() {
    if (m_state != Playing) return;
    m_wantPlay = false;
    setFlag("pause", true);
    setState(Paused);
}

void MpvMediaPlayer::stop() {
    if (!m_mpv || m_fileName.isEmpty()) return;
    m_wantPlay = false;
    setFlag("pause", true);
    if (m_loaded) {
        setCurrentPosition(0.0);
        setState(Stopped);
    }
}

double MpvMediaPlayer::currentPosition() const {
    if (!m_mpv || !m_loaded) return 0.0;
    if (m_seekPending) return m_seekTarget;
    // Read at the moment of the call: the lyric clock compares it to tenths of a second.
    double pos = 0.0;
    if (mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &pos) < 0) return 0.0;
    // Just after a seek to the start mpv may subtract the output latency below 0.
    return pos < 0.0 ? 0.0 : pos;
}

void MpvMediaPlayer::setCurrentPosition(double seconds) {
    if (!m_loaded) return;
    const QByteArray target = QByteArray::number(seconds < 0 ? 0.0 : seconds, 'f', 3);
    if (command({"seek", target.constData(), "absolute"})) {
        m_seekPending = true;
        m_seekTarget = seconds < 0 ? 0.0 : seconds;
    }
}

void MpvMediaPlayer::setVolume(int percent) {
    const int v = std::clamp(percent, 0, 100);
    if (!m_mpv || v == m_volume) return;
    double value = v;
    if (mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &value) >= 0) m_volume = v;
}

void MpvMediaPlayer::setDisplaySize(int size) {
    if (m_displaySize == size) return;
    m_displaySize = size;
    Q_EMIT displaySizeChanged(size);
}

void MpvMediaPlayer::setBalance(int value) {
    const int b = StereoBalance::clamp(value);
    if (!m_mpv || b == m_balance) return;
    const int old = m_balance;
    m_balance = b;
    if (!applyFilters()) m_balance = old;
}

void MpvMediaPlayer::setPitchSemitones(int semitones) {
    const int n = std::clamp(semitones, int(kPitchMin), int(kPitchMax));
    if (!m_mpv || n == m_pitch) return;
    const int old = m_pitch;
    m_pitch = n;
    // The running filter takes the new scale in place: no chain rebuild, no gap, no seek.
    if (m_keyFilter && m_loaded) {
        const QByteArray scale = pitchScale(n);
        if (command({"af-command", kKeyLabel, "set-pitch", scale.constData()})) return;
    }
    // Otherwise the chain carries the value; media that is still opening needs no filter at 0.
    const bool hadFilter = m_keyFilter;
    m_keyFilter = n != 0 || (hadFilter && m_loaded);
    if (!applyFilters()) {
        m_keyFilter = hadFilter;
        m_pitch = old;
    }
}

QString MpvMediaPlayer::getMediaInfoString(int kind) const {
    const auto first = [this](std::initializer_list<const char *> keys) {
        for (const char *key : keys) {
            const QString v = m_metadata.value(QLatin1String(key));
            if (!v.isEmpty()) return v;
        }
        return QString();
    };
    switch (kind) {
    case InfoTitle:
        return first({"title", "icy-title"});
    case InfoAuthor:
        return first({"artist", "author", "album_artist", "composer"});
    case InfoCopyright:
        return first({"copyright"});
    case InfoDescription:
        return first({"description", "comment", "icy-description"});
    case InfoAlbum:
        return first({"album"});
    default:
        return {};
    }
}

void MpvMediaPlayer::setDisplayOption(bool on) {
    m_displayOption = on;
    if (m_mpv) mpv_set_property_string(m_mpv, "osd-level", on ? "3" : "1");
}

bool MpvMediaPlayer::attachGlRenderer(GetProcAddress getProcAddress, void *procContext,
                                      FrameCallback onFrame, void *frameContext) {
    if (!m_mpv || m_render) return false;
    mpv_opengl_init_params gl{getProcAddress, procContext};
    int advanced = 0; // mpv may wait for our rendering; we never render from another thread
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advanced},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&m_render, m_mpv, params) < 0) {
        m_render = nullptr;
        return false;
    }
    mpv_render_context_set_update_callback(m_render, onFrame, frameContext);
    // A video already playing moves over to the new output at once.
    mpv_set_property_string(m_mpv, "vo", "libmpv");
    return true;
}

void MpvMediaPlayer::detachGlRenderer() {
    if (!m_render) return;
    // Take the video off the renderer first, so that freeing it does not disable the video.
    mpv_set_property_string(m_mpv, "vo", "null");
    mpv_render_context_set_update_callback(m_render, nullptr, nullptr);
    mpv_render_context_free(m_render);
    m_render = nullptr;
}

void MpvMediaPlayer::renderFrame(int fbo, int width, int height) {
    if (!m_render) return;
    mpv_opengl_fbo target{fbo, width, height, 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &target},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_render, params);
}

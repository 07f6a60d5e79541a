#include "processing/effect_host.h"

#include "lyravox/effect.h"

#include <QFile>
#include <QMetaObject>
#include <QSocketNotifier>
#include <algorithm>

namespace {

// The answers of the starting members when their action runs.
constexpr int kLoadStarted = 0;
constexpr int kShiftStarted = 1;
constexpr int kEqStarted = 0;

} // namespace

EffectHost::EffectHost(QObject *parent) : QObject(parent), m_fx(lvx_effect_create()) {
    lvx_effect_set_message_sink(&EffectHost::onMessage, this);
    m_notifier = new QSocketNotifier(lvx_effect_event_fd(m_fx), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EffectHost::deliver);
}

EffectHost::~EffectHost() {
    // When this returns no message is being passed to this object any more.
    lvx_effect_set_message_sink(nullptr, nullptr);
    call(LVX_DISPID_STOP_EFFECT, nullptr, 0);
    // A save under way sees the stop between its pieces.
    if (m_saveThread.joinable()) m_saveThread.join();
    lvx_effect_destroy(m_fx);
}

void EffectHost::onEvent(void *ctx, int event, int arg) {
    auto *self = static_cast<EffectHost *>(ctx);
    if (event == LVX_EVENT_END_OF_ACTION && (arg == LVX_END_WAV_WRITTEN || arg == LVX_END_DONE)) {
        // The save's own events (the second is fired on the save's thread): saved() reports it.
        if (arg == LVX_END_WAV_WRITTEN) self->m_written = true;
        return;
    }
    const int action = self->owner(event, arg);
    QMetaObject::invokeMethod(
        self,
        [self, event, arg, action] {
            if (event == LVX_EVENT_END_OF_ACTION)
                Q_EMIT self->endOfAction(action, arg);
            else
                Q_EMIT self->actionPosition(action, arg);
        },
        Qt::QueuedConnection);
}

int EffectHost::owner(int event, int arg) {
    if (event != LVX_EVENT_END_OF_ACTION) {
        // Progress belongs to the newest action; a stopped one's is no one's, and while an
        // action starts, what is drained may still be its predecessor's.
        if (m_starting || m_pending.empty() || m_pending.back().stopped) return 0;
        return m_pending.back().id;
    }
    // The oldest action that ends with this code; stopped ones before it ended silently.
    const auto match = std::find_if(m_pending.begin(), m_pending.end(),
                                    [arg](const Pending &p) { return p.endCode == arg; });
    if (match == m_pending.end()) return 0;
    const int id = match->id;
    m_pending.erase(m_pending.begin(), match + 1);
    return id;
}

void EffectHost::onMessage(void *ctx, const char *text) {
    auto *self = static_cast<EffectHost *>(ctx);
    const QString message = QString::fromUtf8(text);
    QMetaObject::invokeMethod(
        self, [self, message] { Q_EMIT self->message(message); }, Qt::QueuedConnection);
}

void EffectHost::deliver() {
    lvx_effect_deliver_events(m_fx, &EffectHost::onEvent, this);
}

int EffectHost::call(int dispid, const void *args, int count) {
    lvx_variant result{};
    if (lvx_effect_invoke(m_fx, dispid, LVX_METHOD, static_cast<const lvx_variant *>(args), count,
                          &result) != 0)
        return -1;
    // Events fired during the call wait for the queue like the others.
    deliver();
    return result.vt == LVX_I2 ? result.v.i2 : result.vt == LVX_I4 ? result.v.i4 : 0;
}

int EffectHost::start(int dispid, const void *args, int count, int endCode, int startedCode) {
    m_lastAction = 0;
    // What earlier actions left in the queue goes to them before this one can post.
    deliver();
    const int id = m_nextId++;
    m_pending.push_back({id, endCode, false});
    m_starting = true;
    const int result = call(dispid, args, count);
    m_starting = false;
    if (result != startedCode) {
        m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                       [id](const Pending &p) { return p.id == id; }),
                        m_pending.end());
        return result;
    }
    // The action started only after every earlier one let the sound go, so their events were
    // all in the queue that call() drained: those still waiting for an end will not see one.
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [id](const Pending &p) { return p.id < id; }),
                    m_pending.end());
    m_lastAction = id;
    return result;
}

int EffectHost::inputFileOpen(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    lvx_variant arg{};
    arg.vt = LVX_STR;
    arg.v.str = name.constData();
    return start(LVX_DISPID_INPUT_FILE_OPEN, &arg, 1, LVX_END_LOAD, kLoadStarted);
}

int EffectHost::shifting(int mode, int size) {
    lvx_variant args[2]{};
    args[0].vt = LVX_I2;
    args[0].v.i2 = int16_t(mode);
    args[1].vt = LVX_I4;
    args[1].v.i4 = size;
    return start(LVX_DISPID_SHIFTING, args, 2, LVX_END_SHIFTING, kShiftStarted);
}

int EffectHost::eq(const std::array<int, 9> &gains, int filterDry) {
    lvx_variant args[10]{};
    for (size_t k = 0; k < 10; ++k) {
        args[k].vt = LVX_I2;
        args[k].v.i2 = int16_t(k < 9 ? gains[k] : filterDry);
    }
    return start(LVX_DISPID_EQ, args, 10, LVX_END_EQ, kEqStarted);
}

bool EffectHost::startSave(const QString &path) {
    if (m_saveThread.joinable()) return false;
    m_saveName = QFile::encodeName(path);
    m_written = false;
    m_saveThread = std::thread([this] {
        lvx_variant arg{};
        arg.vt = LVX_STR;
        arg.v.str = m_saveName.constData();
        lvx_variant result{};
        int code = -1;
        if (lvx_effect_invoke(m_fx, LVX_DISPID_INPUT_FILE_SAVE, LVX_METHOD, &arg, 1, &result) == 0)
            code = result.vt == LVX_I2 ? result.v.i2 : result.vt == LVX_I4 ? result.v.i4 : 0;
        QMetaObject::invokeMethod(
            this, [this, code] { saveDone(code); }, Qt::QueuedConnection);
    });
    return true;
}

void EffectHost::saveDone(int code) {
    m_saveThread.join();
    // The writer posted "written" before InputFileSave returned.
    deliver();
    Q_EMIT saved(code == 0 && m_written, code);
}

void EffectHost::stopEffect() {
    // The running action is the newest; a load runs out and ends as always.
    if (!m_pending.empty() && m_pending.back().endCode != LVX_END_LOAD)
        m_pending.back().stopped = true;
    call(LVX_DISPID_STOP_EFFECT, nullptr, 0);
}

bool EffectHost::soundLoaded() const {
    return lvx_effect_get_format(m_fx, nullptr, nullptr, nullptr, nullptr) == 1;
}

bool EffectHost::soundFormat(int *channels, int *bits, int *rate, int *bytes) const {
    return lvx_effect_get_format(m_fx, channels, bits, rate, bytes) == 1;
}

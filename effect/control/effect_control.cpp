#include "effect_control.h"

#include "action_progress.h"
#include "action_scope.h"
#include "event_queue.h"
#include "message_sink.h"
#include "pulse_playback.h"
#include "sound_loader.h"
#include "sound_store.h"
#include "wav_writer.h"

#include <algorithm>
#include <new>

namespace lvx::fx {

EffectControl::EffectControl()
    : m_store(SoundStore::get()), m_events(std::make_shared<EventQueue>()) {
    m_store.attach(readEffectSettings(effectSettingsPath(), &PulsePlayback::countDevices));
}

EffectControl::~EffectControl() {
    if (m_store.playback().playing()) m_store.playback().stop();
    m_store.detach();
}

int EffectControl::eventFd() const {
    return m_events->fd();
}

int EffectControl::deliverEvents(lvx_event_sink sink, void *ctx) {
    // Written only when it changes: a save on another thread may be firing through it.
    if (m_sink != sink || m_sinkCtx != ctx) {
        m_sink = sink;
        m_sinkCtx = ctx;
    }
    const auto events = m_events->takeAll();
    for (const EventQueue::Event &event : events) {
        // Cleared before the handler runs, so an action it starts keeps InAction set.
        if (event.dispid == LVX_EVENT_END_OF_ACTION) m_inAction.store(false);
        if (sink) sink(ctx, event.dispid, event.arg);
    }
    return static_cast<int>(events.size());
}

void EffectControl::fireDirect(int code) {
    if (m_sink)
        m_sink(m_sinkCtx, LVX_EVENT_END_OF_ACTION, code);
    else
        m_events->post(LVX_EVENT_END_OF_ACTION, code);
}

// ---- loading and saving

int16_t EffectControl::inputFileOpen(const std::string &fileName) {
    m_store.updateLoadState([](SoundStore::LoadState &l) {
        l.rangeStart = 0;
        l.rangeEnd = -1;
    });
    ActionScope action(m_store);
    if (const int16_t refused = action.refusal(false)) return refused;
    m_store.setNotifyTarget(m_events);
    m_store.updateLoadState([&](SoundStore::LoadState &l) { l.filePath = fileName; });
    if (fileName.empty()) return LVX_E_OPEN;
    const bool wasInAction = m_inAction.exchange(true);
    try {
        return SoundLoader::start(m_store, action);
    } catch (...) {
        m_inAction.store(wasInAction); // no load started
        throw;
    }
}

int16_t EffectControl::readFromTo(int16_t secA, int16_t secB) {
    ActionScope action(m_store);
    if (const int16_t refused = action.refusal(false)) return refused;
    m_store.setNotifyTarget(m_events);
    const int32_t start = m_store.secondsToBytes(secA);
    const int32_t end = m_store.secondsToBytes(secB);
    m_store.updateLoadState([&](SoundStore::LoadState &l) {
        l.rangeStart = start;
        l.rangeEnd = end;
    });
    return SoundLoader::start(m_store, action);
}

int16_t EffectControl::preView(int16_t perCent) {
    m_store.updateLoadState([&](SoundStore::LoadState &l) { l.loadPercent = perCent; });
    return 0;
}

bool EffectControl::writeRange(const std::string &fileName, const ActionScope &action) {
    SoundFormat format;
    int64_t byteCount;
    {
        std::lock_guard<std::mutex> lock(m_store.soundMutex);
        format.channels = m_store.sound.channels;
        format.bytesPerSample = m_store.sound.bytesPerSample;
        format.sampleRate = m_store.sound.sampleRate;
        byteCount = m_store.sound.byteCount;
    }
    int64_t start = 0, end = 0;
    m_store.updateLoadState([&](SoundStore::LoadState &l) {
        end = l.rangeEnd == -1 || l.rangeEnd > byteCount ? byteCount : std::max(l.rangeEnd, 0);
        l.rangeEnd = static_cast<int32_t>(end);
        start = std::clamp<int64_t>(l.rangeStart, 0, end);
    });
    // The action holds the sound, so no load can replace the buffer while it is written.
    return writeWav(
        fileName, format, m_store.sound.samples.data() + start, static_cast<size_t>(end - start),
        [](const char *t) { showMessage(t); }, [&action] { return action.stopped(); });
}

int16_t EffectControl::save(const std::string &fileName, bool setsInAction,
                            std::optional<int16_t> secB) {
    ActionScope action(m_store);
    if (const int16_t refused = action.refusal(true)) return refused;
    if (secB && *secB > m_store.durationSeconds()) return LVX_E_BEYOND_END;
    if (setsInAction) m_inAction.store(true);
    // Posted before the sound is let go, so it reaches the instance that was to be notified
    // when the file was written, not one that loads the next sound.
    if (writeRange(fileName, action)) m_store.post(LVX_EVENT_END_OF_ACTION, LVX_END_WAV_WRITTEN);
    action.end();
    fireDirect(LVX_END_DONE);
    return 0;
}

int16_t EffectControl::inputFileSave(const std::string &fileName) {
    return save(fileName, true, std::nullopt);
}

int16_t EffectControl::saveFromTo(const std::string &fileName, int16_t secA, int16_t secB) {
    const int32_t start = m_store.secondsToBytes(secA);
    const int32_t end = m_store.secondsToBytes(secB);
    m_store.updateLoadState([&](SoundStore::LoadState &l) {
        l.rangeStart = start;
        l.rangeEnd = end;
    });
    return save(fileName, false, secB);
}

// ---- playback

int16_t EffectControl::play() {
    int32_t byteCount;
    {
        std::lock_guard<std::mutex> lock(m_store.soundMutex);
        byteCount = m_store.sound.byteCount;
        m_store.sound.playStart = 0;
        m_store.sound.playEnd = byteCount;
    }
    m_store.updateLoadState([&](SoundStore::LoadState &l) {
        l.rangeStart = 0;
        l.rangeEnd = byteCount;
    });
    ActionScope action(m_store);
    if (const int16_t refused = action.refusal(true)) return refused;
    m_inAction.store(true);
    const int result = m_store.playback().start(action.id(), 0, byteCount);
    if (result == 0) action.leaveBusySet();
    return static_cast<int16_t>(result);
}

int16_t EffectControl::playFromTo(int16_t secA, int16_t secB) {
    ActionScope action(m_store);
    if (const int16_t refused = action.refusal(false)) return refused;
    if (secB > m_store.durationSeconds()) return LVX_E_BEYOND_END;
    m_store.setNotifyTarget(m_events);
    int32_t start = m_store.secondsToBytes(secA);
    int32_t end = m_store.secondsToBytes(secB);
    {
        std::lock_guard<std::mutex> lock(m_store.soundMutex);
        start = std::min(start, m_store.sound.byteCount);
        end = std::min(end, m_store.sound.byteCount);
        m_store.sound.playStart = start;
        m_store.sound.playEnd = end;
    }
    // A playback that cannot open its device says so at once, as Play does: otherwise a
    // caller waiting for EndOfAction(9) would wait for ever.
    const int result = m_store.playback().start(action.id(), start, end);
    if (result == 0) action.leaveBusySet();
    return static_cast<int16_t>(result);
}

int16_t EffectControl::stop() {
    return static_cast<int16_t>(m_store.playback().stop());
}

int16_t EffectControl::setVolume(int16_t left, int16_t right) {
    m_store.playback().setVolume(left, right);
    return 0;
}

int32_t EffectControl::getDevParam(int16_t device) {
    return m_store.playback().deviceFormats(device);
}

// ---- effects

int16_t EffectControl::startWorker(int endCode, bool setsInAction, bool finalProgress,
                                   int16_t started, Operation operation,
                                   const std::function<int16_t()> &answer) {
    ActionScope action(m_store);
    if (const int16_t refused = action.refusal(true)) return refused;
    if (answer) started = answer();
    SoundStore &store = m_store;
    const uint64_t id = action.id();
    action.startWorker([&store, id, endCode, finalProgress, operation = std::move(operation)] {
        ActionProgress progress(store, id);
        try {
            if (!operation(store.sound, progress)) return; // stopped: no end event
        } catch (const std::bad_alloc &) {
            showMessage("Not enough memory.");
        } catch (const std::exception &e) {
            showMessage(e.what());
        }
        if (finalProgress) progress.progress(100);
        store.endAction(id);
        store.post(LVX_EVENT_END_OF_ACTION, endCode);
    });
    if (setsInAction) m_inAction.store(true);
    return started;
}

int16_t EffectControl::shifting(int16_t mode, int32_t size) {
    return startWorker(LVX_END_SHIFTING, true, true, 1,
                       [=](Sound &s, ActionContext &c) { return dsp::shifting(s, mode, size, c); });
}

int16_t EffectControl::echo(int16_t delay, int16_t ratio) {
    return startWorker(LVX_END_ECHO, true, true, 1,
                       [=](Sound &s, ActionContext &c) { return dsp::echo(s, delay, ratio, c); });
}

int16_t EffectControl::reverb(int16_t delay, int16_t ratio) {
    return startWorker(LVX_END_REVERB, true, true, 0,
                       [=](Sound &s, ActionContext &c) { return dsp::reverb(s, delay, ratio, c); });
}

int16_t EffectControl::chorus(const dsp::ChorusParams &params) {
    return startWorker(LVX_END_CHORUS, true, true, 0,
                       [=](Sound &s, ActionContext &c) { return dsp::chorus(s, params, c); });
}

int16_t EffectControl::distortion(const dsp::DistortionParams &params) {
    return startWorker(LVX_END_DISTORTION, true, true, 0,
                       [=](Sound &s, ActionContext &c) { return dsp::distortion(s, params, c); });
}

int16_t EffectControl::eq(const dsp::EqParams &params) {
    return startWorker(LVX_END_EQ, false, true, 0,
                       [=](Sound &s, ActionContext &c) { return dsp::eq(s, params, c); });
}

int16_t EffectControl::cFilter(int16_t factor) {
    return startWorker(LVX_END_C_FILTER, true, false, 0,
                       [=](Sound &s, ActionContext &c) { return dsp::cfilter(s, factor, c); });
}

int16_t EffectControl::amplitude() {
    // The answer is the mean the previous run found; this run's worker overwrites it.
    return startWorker(
        LVX_END_AMPLITUDE, true, false, 0,
        [](Sound &s, ActionContext &c) { return dsp::amplitude(s, c); },
        [this] { return static_cast<int16_t>(m_store.sound.dcMean); });
}

int16_t EffectControl::invert() {
    const int16_t result =
        startWorker(LVX_END_INVERT, true, false, 0,
                    [](Sound &s, ActionContext &c) { return dsp::invert(s, c); });
    if (result != 0) return result;
    // Callers take 900 as "started": the worker has normally not finished yet.
    return m_store.workerDone() ? 1 : LVX_E_BUSY;
}

int16_t EffectControl::pegel(double factor) {
    return startWorker(LVX_END_PEGEL, true, false, 0,
                       [=](Sound &s, ActionContext &c) { return dsp::pegel(s, factor, c); });
}

int16_t EffectControl::average() {
    ActionScope action(m_store);
    if (const int16_t refused = action.refusal(true)) return refused;
    const int16_t level = dsp::average(m_store.sound);
    action.end();
    fireDirect(LVX_END_DONE);
    return level;
}

int16_t EffectControl::fadeIn(int16_t seconds10th) {
    ActionScope action(m_store);
    if (const int16_t refused = action.refusal(true)) return refused;
    dsp::fadeIn(m_store.sound, seconds10th);
    action.end();
    fireDirect(LVX_END_WAV_WRITTEN);
    return 1;
}

int16_t EffectControl::fadeOut(int16_t seconds10th) {
    ActionScope action(m_store);
    if (const int16_t refused = action.refusal(true)) return refused;
    dsp::fadeOut(m_store.sound, seconds10th);
    action.end();
    fireDirect(LVX_END_PLAYBACK);
    return 1;
}

// ---- information

int16_t EffectControl::getTotalTime() {
    return m_store.durationSeconds();
}

bool EffectControl::format(int *channels, int *bits, int32_t *sampleRate, int32_t *bytes) {
    std::lock_guard<std::mutex> lock(m_store.soundMutex);
    if (!m_store.loaded.load()) return false;
    const Sound &s = m_store.sound;
    if (channels) *channels = s.channels;
    if (bits) *bits = s.bytesPerSample * 8;
    if (sampleRate) *sampleRate = s.sampleRate;
    if (bytes) *bytes = s.byteCount;
    return true;
}

int16_t EffectControl::stopEffect() {
    m_store.stopAction();
    return 0;
}

void EffectControl::aboutBox() {
    showMessage("Lyravox Effect Control, version 1.10\n"
                "Pitch shifting, echo, reverb, chorus, distortion, equalizer and level "
                "operations on WAV and AU sounds.");
}

} // namespace lvx::fx

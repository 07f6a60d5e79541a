#include "sound_loader.h"

#include "au_reader.h"
#include "byte_source.h"
#include "lyravox/effect.h"
#include "message_sink.h"
#include "sound_store.h"
#include "wav_reader.h"

#include <chrono>
#include <cstring>
#include <new>
#include <vector>

namespace lvx::fx {

int16_t SoundLoader::start(SoundStore &store, uint64_t actionId) {
    auto watch = std::make_shared<Watch>();
    store.runWorker([&store, actionId, watch] { run(store, actionId, watch); });
    std::unique_lock<std::mutex> lock(watch->mutex);
    watch->changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return watch->finished; });
    if (!watch->readerStarted) return LVX_E_OPEN;
    if (!watch->readOk) return LVX_E_FORMAT;
    return 0;
}

void SoundLoader::run(SoundStore &store, uint64_t actionId, const std::shared_ptr<Watch> &watch) {
    try {
        load(store, actionId, watch);
    } catch (const std::bad_alloc &) {
        showMessage("Not enough memory.");
        store.clearSound();
        store.endAction(actionId);
        {
            std::lock_guard<std::mutex> lock(watch->mutex);
            watch->readOk = false;
            watch->finished = true;
            watch->changed.notify_all();
        }
        store.post(LVX_EVENT_END_OF_ACTION, LVX_END_LOAD);
    }
}

void SoundLoader::load(SoundStore &store, uint64_t actionId, const std::shared_ptr<Watch> &watch) {
    auto set = [&](bool started, bool readOk, bool finished) {
        std::lock_guard<std::mutex> lock(watch->mutex);
        watch->readerStarted = started;
        watch->readOk = readOk;
        watch->finished = finished;
        if (finished) watch->changed.notify_all();
    };
    // Every failure leaves no sound behind, so nothing runs over a half-replaced buffer, and
    // ends with EndOfAction(1) like a success, so a container waiting for it never hangs.
    auto fail = [&](bool started) {
        store.clearSound();
        store.endAction(actionId);
        set(started, false, true);
        store.post(LVX_EVENT_END_OF_ACTION, LVX_END_LOAD);
    };

    set(true, false, false);
    const SoundStore::LoadState params = store.loadState();
    FileSource file;
    if (params.filePath.empty() || !file.open(params.filePath)) {
        return fail(false);
    }
    char tag[4];
    const bool haveTag = file.read(tag, 4) == 4;
    set(true, haveTag, false);
    if (!haveTag) return fail(true);

    const MessageFn message = [](const char *text) { showMessage(text); };
    SoundFormat format;
    std::vector<uint8_t> data;
    int32_t rangeEnd = params.rangeEnd;
    if (std::memcmp(tag, "RIFF", 4) == 0) {
        WavReader wav;
        if (!wav.readHeader(file)) return fail(true);
        format = wav.format();
        store.clearSound();
        if (!wav.readData(file, params.loadPercent, params.rangeStart, rangeEnd, data))
            return fail(true);
    } else if (std::memcmp(tag, ".snd", 4) == 0) {
        AuReader au;
        if (!au.readHeader(file, message)) return fail(true);
        format = au.format();
        store.clearSound();
        au.readData(file, message, data);
    } else {
        return fail(true);
    }
    file.close();

    const int32_t count = static_cast<int32_t>(data.size());
    {
        std::lock_guard<std::mutex> lock(store.soundMutex);
        Sound &s = store.sound;
        if (data.empty()) data.assign(1, 0);
        s.samples.swap(data);
        s.byteCount = count;
        s.bytesPerSample = format.bytesPerSample;
        s.channels = format.channels;
        s.sampleRate = format.sampleRate;
        s.durationSeconds = static_cast<int16_t>(
            count / (int64_t(format.channels) * format.bytesPerSample * format.sampleRate));
        s.workLength = count;
        s.playStart = 0;
        s.playEnd = count;
        store.loaded.store(true);
    }
    // Saving afterwards covers what was loaded (a partial load keeps no file offsets).
    store.updateLoadState([&](SoundStore::LoadState &l) {
        l.rangeStart = 0;
        l.rangeEnd = count;
    });
    store.endAction(actionId);
    set(true, true, true);
    store.post(LVX_EVENT_END_OF_ACTION, LVX_END_LOAD);
}

} // namespace lvx::fx

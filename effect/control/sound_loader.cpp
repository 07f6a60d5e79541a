#include "sound_loader.h"

#include "action_scope.h"
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

int16_t SoundLoader::start(SoundStore &store, ActionScope &action) {
    auto watch = std::make_shared<Watch>();
    action.startWorker([&store, id = action.id(), watch] { run(store, id, watch); });
    const auto window = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    std::unique_lock<std::mutex> lock(watch->mutex);
    watch->changed.wait_for(lock, std::chrono::seconds(10),
                            [&] { return watch->decided || watch->finished; });
    watch->changed.wait_until(lock, window, [&] { return watch->finished; });
    if (!watch->readerStarted) return LVX_E_OPEN;
    if (!watch->readOk) return LVX_E_FORMAT;
    return 0;
}

void SoundLoader::run(SoundStore &store, uint64_t actionId, const std::shared_ptr<Watch> &watch) {
    bool dataBegun = false;
    bool loaded = false;
    try {
        loaded = load(store, *watch, dataBegun);
    } catch (const std::bad_alloc &) {
        showMessage("Not enough memory.");
    } catch (const std::exception &e) {
        showMessage(e.what());
    }
    // Once the data read has begun the old sound is gone, so a failure there leaves none,
    // and nothing runs over a half-replaced buffer.
    if (!loaded && dataBegun) store.clearSound();
    store.endAction(actionId);
    {
        std::lock_guard<std::mutex> lock(watch->mutex);
        if (!loaded) watch->readOk = false;
        watch->finished = true;
    }
    watch->changed.notify_all();
    // Every load ends with EndOfAction(1), so a container waiting for it never hangs.
    store.post(LVX_EVENT_END_OF_ACTION, LVX_END_LOAD);
}

bool SoundLoader::load(SoundStore &store, Watch &watch, bool &dataBegun) {
    auto set = [&](bool started, bool readOk, bool decided) {
        {
            std::lock_guard<std::mutex> lock(watch.mutex);
            watch.readerStarted = started;
            watch.readOk = readOk;
            watch.decided = decided;
        }
        if (decided) watch.changed.notify_all();
    };

    set(true, false, false);
    const SoundStore::LoadState params = store.loadState();
    FileSource file;
    if (params.filePath.empty() || !file.open(params.filePath)) {
        set(false, false, true);
        return false;
    }
    char tag[4];
    const bool haveTag = file.read(tag, 4) == 4;
    set(true, haveTag, true);
    if (!haveTag) return false;

    const MessageFn message = [](const char *text) { showMessage(text); };
    SoundFormat format;
    std::vector<uint8_t> data;
    int32_t rangeEnd = params.rangeEnd;
    if (std::memcmp(tag, "RIFF", 4) == 0) {
        WavReader wav;
        if (!wav.readHeader(file)) return false;
        format = wav.format();
        dataBegun = true;
        store.clearSound();
        if (!wav.readData(file, params.loadPercent, params.rangeStart, rangeEnd, data))
            return false;
    } else if (std::memcmp(tag, ".snd", 4) == 0) {
        AuReader au;
        if (!au.readHeader(file, message)) return false;
        format = au.format();
        dataBegun = true;
        store.clearSound();
        au.readData(file, message, data);
    } else {
        return false;
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
        s.durationSeconds = clampSeconds(
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
    return true;
}

} // namespace lvx::fx

#pragma once
// One instance of the effect control: its two properties, its event queue and the members of
// the dispatch interface. The sound and the action guard are process-wide (SoundStore).
#include "effects.h"
#include "lyravox/effect.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace lvx::fx {

class ActionScope;
class EventQueue;
class SoundStore;

class EffectControl {
public:
    EffectControl();
    ~EffectControl();
    EffectControl(const EffectControl &) = delete;
    EffectControl &operator=(const EffectControl &) = delete;

    int eventFd() const;
    int deliverEvents(lvx_event_sink sink, void *ctx);

    bool inAction() const { return m_inAction.load(); }
    void setInAction(bool value) { m_inAction.store(value); }
    int32_t mAmplitude() const { return m_mAmplitude; }
    void setMAmplitude(int32_t value) { m_mAmplitude = value; }

    int16_t inputFileOpen(const std::string &fileName);
    int16_t readFromTo(int16_t secA, int16_t secB);
    int16_t preView(int16_t perCent);
    int16_t inputFileSave(const std::string &fileName);
    int16_t saveFromTo(const std::string &fileName, int16_t secA, int16_t secB);

    int16_t play();
    int16_t playFromTo(int16_t secA, int16_t secB);
    int16_t stop();
    int16_t setVolume(int16_t left, int16_t right);
    int32_t getDevParam(int16_t device);

    int16_t shifting(int16_t mode, int32_t size);
    int16_t echo(int16_t delay, int16_t ratio);
    int16_t reverb(int16_t delay, int16_t ratio);
    int16_t chorus(const dsp::ChorusParams &params);
    int16_t distortion(const dsp::DistortionParams &params);
    int16_t eq(const dsp::EqParams &params);
    int16_t cFilter(int16_t factor);
    int16_t amplitude();
    int16_t invert();
    int16_t pegel(double factor);
    int16_t average();
    int16_t fadeIn(int16_t seconds10th);
    int16_t fadeOut(int16_t seconds10th);

    int16_t getTotalTime();
    bool format(int *channels, int *bits, int32_t *sampleRate, int32_t *bytes);
    int16_t stopEffect();
    void aboutBox();

private:
    using Operation = std::function<bool(Sound &, ActionContext &)>;
    // Starts a worker action: 900 while busy, 903 before a load, else `started` (or what
    // `answer` gives, asked just before the worker starts).
    int16_t startWorker(int endCode, bool setsInAction, bool finalProgress, int16_t started,
                        Operation operation, const std::function<int16_t()> &answer = {});
    // InputFileSave and SaveFromTo: 900, 903, 909 when secB lies beyond the sound, else 0.
    int16_t save(const std::string &fileName, bool setsInAction, std::optional<int16_t> secB);
    bool writeRange(const std::string &fileName, const ActionScope &action);
    void fireDirect(int code);

    SoundStore &m_store;
    std::shared_ptr<EventQueue> m_events;
    std::atomic<bool> m_inAction{false};
    int32_t m_mAmplitude = 0;
    lvx_event_sink m_sink = nullptr;
    void *m_sinkCtx = nullptr;
};

} // namespace lvx::fx

// The C interface: dispatch identifiers to the members of EffectControl, with the argument
// checks of a late-bound call.
#include "effect_control.h"
#include "effects.h"
#include "lyravox/effect.h"
#include "message_sink.h"

#include <cmath>
#include <new>
#include <string>
#include <system_error>

struct lvx_effect {
    lvx::fx::EffectControl control;
};

namespace {

using lvx::fx::EffectControl;

bool toInt(const lvx_variant &v, int64_t low, int64_t high, int64_t &out) {
    switch (v.vt) {
    case LVX_I2:
        out = v.v.i2;
        break;
    case LVX_I4:
        out = v.v.i4;
        break;
    case LVX_BOOL:
        out = v.v.b;
        break;
    default:
        return false;
    }
    return out >= low && out <= high;
}

bool toShort(const lvx_variant &v, int16_t &out) {
    int64_t value;
    if (!toInt(v, INT16_MIN, INT16_MAX, value)) return false;
    out = static_cast<int16_t>(value);
    return true;
}

bool toLong(const lvx_variant &v, int32_t &out) {
    int64_t value;
    if (!toInt(v, INT32_MIN, INT32_MAX, value)) return false;
    out = static_cast<int32_t>(value);
    return true;
}

bool toDouble(const lvx_variant &v, double &out) {
    if (v.vt == LVX_R8) {
        out = v.v.r8;
    } else if (v.vt == LVX_R4) {
        out = v.v.r4;
    } else {
        int64_t value;
        if (!toInt(v, INT32_MIN, INT32_MAX, value)) return false;
        out = static_cast<double>(value);
    }
    return std::isfinite(out);
}

bool toString(const lvx_variant &v, std::string &out) {
    if (v.vt != LVX_STR) return false;
    out = v.v.str ? v.v.str : "";
    return true;
}

void setShort(lvx_variant *r, int16_t value) {
    if (!r) return;
    r->vt = LVX_I2;
    r->v.i2 = value;
}

// Reads `n` short arguments from args[first...].
bool shorts(const lvx_variant *args, int first, int n, int16_t *out) {
    for (int i = 0; i < n; ++i)
        if (!toShort(args[first + i], out[i])) return false;
    return true;
}

int invokeMethod(EffectControl &c, int dispid, const lvx_variant *a, int n, lvx_variant *r) {
    auto expect = [&](int count) { return n == count; };
    int16_t s[10];
    std::string text;
    switch (dispid) {
    case LVX_DISPID_INPUT_FILE_OPEN:
        if (!expect(1) || !toString(a[0], text)) return -1;
        setShort(r, c.inputFileOpen(text));
        return 0;
    case LVX_DISPID_PLAY:
        if (!expect(0)) return -1;
        setShort(r, c.play());
        return 0;
    case LVX_DISPID_INPUT_FILE_SAVE:
        if (!expect(1) || !toString(a[0], text)) return -1;
        setShort(r, c.inputFileSave(text));
        return 0;
    case LVX_DISPID_SHIFTING: {
        int32_t size;
        if (!expect(2) || !toShort(a[0], s[0]) || !toLong(a[1], size)) return -1;
        // Only these sizes fit the shifter's transform.
        if (!lvx::fx::dsp::validShiftSize(size)) return -1;
        setShort(r, c.shifting(s[0], size));
        return 0;
    }
    case LVX_DISPID_ECHO:
    case LVX_DISPID_REVERB:
        if (!expect(2) || !shorts(a, 0, 2, s)) return -1;
        setShort(r, dispid == LVX_DISPID_ECHO ? c.echo(s[0], s[1]) : c.reverb(s[0], s[1]));
        return 0;
    case LVX_DISPID_CHORUS: {
        double rate;
        if (!expect(9) || !shorts(a, 0, 2, s) || !toDouble(a[2], rate) || !shorts(a, 3, 6, s + 2))
            return -1;
        lvx::fx::dsp::ChorusParams p{s[0], s[1], static_cast<float>(rate), s[2], s[3], s[4], s[5],
                                     s[6], s[7]};
        setShort(r, c.chorus(p));
        return 0;
    }
    case LVX_DISPID_DISTORTION:
        if (!expect(5) || !shorts(a, 0, 5, s)) return -1;
        setShort(r, c.distortion({s[0], s[1], s[2], s[3], s[4]}));
        return 0;
    case LVX_DISPID_EQ: {
        if (!expect(10) || !shorts(a, 0, 10, s)) return -1;
        lvx::fx::dsp::EqParams p{};
        for (int i = 0; i < 9; ++i)
            p.gains[i] = s[i];
        p.filterDry = s[9];
        setShort(r, c.eq(p));
        return 0;
    }
    case LVX_DISPID_STOP:
        if (!expect(0)) return -1;
        setShort(r, c.stop());
        return 0;
    case LVX_DISPID_PRE_VIEW:
        if (!expect(1) || !shorts(a, 0, 1, s)) return -1;
        setShort(r, c.preView(s[0]));
        return 0;
    case LVX_DISPID_GET_DEV_PARAM:
        if (!expect(1) || !shorts(a, 0, 1, s)) return -1;
        if (r) {
            r->vt = LVX_I4;
            r->v.i4 = c.getDevParam(s[0]);
        } else {
            c.getDevParam(s[0]);
        }
        return 0;
    case LVX_DISPID_FADE_IN:
    case LVX_DISPID_FADE_OUT:
        if (!expect(1) || !shorts(a, 0, 1, s)) return -1;
        setShort(r, dispid == LVX_DISPID_FADE_IN ? c.fadeIn(s[0]) : c.fadeOut(s[0]));
        return 0;
    case LVX_DISPID_PLAY_FROM_TO:
    case LVX_DISPID_READ_FROM_TO:
    case LVX_DISPID_SET_VOLUME:
        if (!expect(2) || !shorts(a, 0, 2, s)) return -1;
        setShort(r, dispid == LVX_DISPID_PLAY_FROM_TO   ? c.playFromTo(s[0], s[1])
                    : dispid == LVX_DISPID_READ_FROM_TO ? c.readFromTo(s[0], s[1])
                                                        : c.setVolume(s[0], s[1]));
        return 0;
    case LVX_DISPID_SAVE_FROM_TO:
        if (!expect(3) || !toString(a[0], text) || !shorts(a, 1, 2, s)) return -1;
        setShort(r, c.saveFromTo(text, s[0], s[1]));
        return 0;
    case LVX_DISPID_PEGEL: {
        double factor;
        if (!expect(1) || !toDouble(a[0], factor)) return -1;
        setShort(r, c.pegel(factor));
        return 0;
    }
    case LVX_DISPID_FREQUENCY: {
        double factor;
        if (!expect(1) || !toDouble(a[0], factor)) return -1;
        setShort(r, 0);
        return 0;
    }
    case LVX_DISPID_C_FILTER:
        if (!expect(1) || !shorts(a, 0, 1, s)) return -1;
        setShort(r, c.cFilter(s[0]));
        return 0;
    case LVX_DISPID_INVERT:
    case LVX_DISPID_GET_VERSION:
    case LVX_DISPID_GET_TOTAL_TIME:
    case LVX_DISPID_AVERAGE:
    case LVX_DISPID_AMPLITUDE:
    case LVX_DISPID_STOP_EFFECT:
        if (!expect(0)) return -1;
        setShort(r, dispid == LVX_DISPID_INVERT           ? c.invert()
                    : dispid == LVX_DISPID_GET_VERSION    ? int16_t(110)
                    : dispid == LVX_DISPID_GET_TOTAL_TIME ? c.getTotalTime()
                    : dispid == LVX_DISPID_AVERAGE        ? c.average()
                    : dispid == LVX_DISPID_AMPLITUDE      ? c.amplitude()
                                                          : c.stopEffect());
        return 0;
    case LVX_DISPID_ABOUT_BOX:
        if (!expect(0)) return -1;
        c.aboutBox();
        if (r) r->vt = LVX_EMPTY;
        return 0;
    default:
        return -1;
    }
}

int invokeProperty(EffectControl &c, int dispid, int kind, const lvx_variant *a, int n,
                   lvx_variant *r) {
    if (kind == LVX_PROPGET) {
        if (n != 0) return -1;
        if (!r) return 0;
        if (dispid == LVX_DISPID_IN_ACTION) {
            r->vt = LVX_BOOL;
            r->v.b = c.inAction() ? 1 : 0;
        } else {
            r->vt = LVX_I4;
            r->v.i4 = c.mAmplitude();
        }
        return 0;
    }
    int32_t value;
    if (n != 1 || !toLong(a[0], value)) return -1;
    if (dispid == LVX_DISPID_IN_ACTION)
        c.setInAction(value != 0);
    else
        c.setMAmplitude(value);
    if (r) r->vt = LVX_EMPTY;
    return 0;
}

} // namespace

extern "C" {

lvx_effect *lvx_effect_create(void) {
    return new lvx_effect();
}

void lvx_effect_destroy(lvx_effect *effect) {
    delete effect;
}

int lvx_effect_invoke(lvx_effect *effect, int dispid, int kind, const lvx_variant *args, int nargs,
                      lvx_variant *result) {
    if (!effect || nargs < 0 || (nargs > 0 && !args)) return -1;
    if (dispid == LVX_DISPID_IN_ACTION || dispid == LVX_DISPID_M_AMPLITUDE) {
        if (kind != LVX_PROPGET && kind != LVX_PROPPUT) return -1;
        return invokeProperty(effect->control, dispid, kind, args, nargs, result);
    }
    if (kind != LVX_METHOD) return -1;
    // No exception leaves the library: the member fails with 906 (the action guard has been
    // released on the way out) and a message says why.
    try {
        return invokeMethod(effect->control, dispid, args, nargs, result);
    } catch (const std::bad_alloc &) {
        lvx::fx::showMessage("Not enough memory.");
    } catch (const std::system_error &e) {
        const bool noThread = e.code() == std::errc::resource_unavailable_try_again;
        lvx::fx::showMessage(noThread ? "Not enough resources to start the action."
                                      : "The action could not be started.");
    } catch (...) {
        lvx::fx::showMessage("The action could not be started.");
    }
    if (dispid == LVX_DISPID_ABOUT_BOX) {
        if (result) result->vt = LVX_EMPTY;
    } else if (dispid == LVX_DISPID_GET_DEV_PARAM) {
        if (result) {
            result->vt = LVX_I4;
            result->v.i4 = -1;
        }
    } else {
        setShort(result, LVX_E_DEV_NO_MEMORY);
    }
    return 0;
}

int lvx_effect_event_fd(lvx_effect *effect) {
    return effect ? effect->control.eventFd() : -1;
}

int lvx_effect_deliver_events(lvx_effect *effect, lvx_event_sink sink, void *ctx) {
    return effect ? effect->control.deliverEvents(sink, ctx) : 0;
}

int lvx_effect_get_format(lvx_effect *effect, int *channels, int *bits, int32_t *sample_rate,
                          int32_t *bytes) {
    if (!effect) return 0;
    return effect->control.format(channels, bits, sample_rate, bytes) ? 1 : 0;
}

void lvx_effect_set_message_sink(lvx_message_sink sink, void *ctx) {
    lvx::fx::setMessageSink(sink, ctx);
}

} // extern "C"

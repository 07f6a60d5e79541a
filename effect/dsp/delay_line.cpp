#include "delay_line.h"

#include "simd.h"

#include <algorithm>

namespace lvx::fx::dsp {
namespace {

// out[j] = x + delayed * ratio / 100, limited to 16 bits. With inputs in the 16-bit range
// and a 16-bit ratio, every step fits in 32 bits.
LVX_DSP_CLONES
void mix(const int32_t *__restrict in, const int16_t *__restrict delayed, int32_t ratio,
         int32_t *__restrict out, int64_t n) {
    for (int64_t j = 0; j < n; ++j)
        out[j] = std::clamp(in[j] + int32_t(delayed[j]) * ratio / 100, -32768, 32767);
}

LVX_DSP_CLONES
void store(const int32_t *__restrict values, int16_t *__restrict slots, int64_t n) {
    for (int64_t j = 0; j < n; ++j)
        slots[j] = int16_t(values[j]);
}

} // namespace

int64_t DelayLine::stretch(int64_t left) const {
    return std::min<int64_t>({left, kSlots - m_write, kSlots - m_read});
}

void DelayLine::advance(int64_t n) {
    m_write = uint32_t((m_write + n) % kSlots);
    m_read = uint32_t((m_read + n) % kSlots);
}

void DelayLine::echo(const int32_t *in, int32_t *out, int64_t count) {
    // The inputs of a stretch are stored before any is read. A slot read at step j was
    // written at step j - lag, which the store has put there already; the stretch ends before
    // a slot read is written again, kSlots - lag steps later.
    const uint32_t lag = this->lag();
    const int64_t limit = lag == 0 ? kSlots : kSlots - lag;
    for (int64_t done = 0; done < count;) {
        const int64_t n = std::min(stretch(count - done), limit);
        int16_t *slots = m_items.data();
        store(in + done, slots + m_write, n);
        mix(in + done, slots + m_read, m_ratio, out + done, n);
        advance(n);
        done += n;
    }
}

void DelayLine::reverb(const int32_t *in, int32_t *out, int64_t count) {
    // The results of a stretch are stored after all are computed: a slot read at step j holds
    // the result of step j - lag (kSlots steps back for a delay of 0), so a stretch is at most
    // that long.
    const uint32_t lag = this->lag();
    const int64_t limit = lag == 0 ? kSlots : lag;
    for (int64_t done = 0; done < count;) {
        const int64_t n = std::min(stretch(count - done), limit);
        int16_t *slots = m_items.data();
        mix(in + done, slots + m_read, m_ratio, out + done, n);
        store(out + done, slots + m_write, n);
        advance(n);
        done += n;
    }
}

} // namespace lvx::fx::dsp

#pragma once
// A record stream's timing from the server's raw report (no interpolation: the smoother that
// interpolates a record stream's clock drifts by milliseconds a second, too much to line two
// streams up). Call from the stream's latency update callback, with the loop locked. Reports
// come when asked for (pa_stream_update_timing_info): two streams asked together are reported
// on the server's state of one moment.
#include "platform/audio_input.h"

#include <pulse/pulseaudio.h>

namespace PulseTiming {

// `firstFrame`: the frame number the stream's first frame has for the caller. False while the
// report is unusable.
inline bool read(pa_stream *stream, uint64_t firstFrame, CaptureTiming &out) {
    const pa_timing_info *i = pa_stream_get_timing_info(stream);
    const pa_sample_spec *pcm = pa_stream_get_sample_spec(stream);
    if (!i || !pcm || i->write_index_corrupt || i->write_index < 0) return false;
    // The server wrote frame `write_index` when the report left it; that frame was captured
    // `source_usec` earlier (on a monitor: played `sink_usec` later).
    out.frames = firstFrame + uint64_t(i->write_index) / pa_frame_size(pcm);
    out.latencyUsec = int64_t(i->source_usec) - int64_t(i->sink_usec);
    out.sinkLatencyUsec = int64_t(i->sink_usec);
    out.atUsec = int64_t(pa_rtclock_now()) - int64_t(i->transport_usec);
    return true;
}

} // namespace PulseTiming

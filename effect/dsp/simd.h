#pragma once
// Small vectors of doubles for the hot loops (4 and 8 lanes). Element-wise operations only, so
// every lane computes exactly what the scalar code would; contraction into fused multiply-adds is
// switched off for this library, which keeps results identical on every machine.
#include <cstring>

namespace lvx::fx::dsp {

typedef double V4d __attribute__((vector_size(32)));

inline V4d loadV4(const double *p) {
    V4d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void storeV4(double *p, V4d v) {
    std::memcpy(p, &v, sizeof v);
}

inline V4d splatV4(double x) {
    return V4d{x, x, x, x};
}

typedef double V8d __attribute__((vector_size(64)));

inline V8d loadV8(const double *p) {
    V8d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void storeV8(double *p, V8d v) {
    std::memcpy(p, &v, sizeof v);
}

inline V8d splatV8(double x) {
    return V8d{x, x, x, x, x, x, x, x};
}

} // namespace lvx::fx::dsp

// Builds a function for the wider vector units as well and picks the right one at load time.
// Not under ThreadSanitizer: the load-time pick would run instrumented before it is set up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__ELF__) &&         \
    !defined(__SANITIZE_THREAD__)
#define LVX_DSP_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define LVX_DSP_CLONES
#endif

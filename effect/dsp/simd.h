#pragma once
// Small vectors of doubles for the hot loops (4 and 8 lanes). Element-wise operations only, so
// every lane computes exactly what the scalar code would; contraction into fused multiply-adds is
// switched off for this library, which keeps results identical on every machine.
#include <cstddef>
#include <cstring>

namespace lvx::fx::dsp {

typedef double V4d __attribute__((vector_size(32)));
typedef double V8d __attribute__((vector_size(64)));

template <class V> inline V loadV(const double *p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class V> inline void storeV(double *p, V v) {
    std::memcpy(p, &v, sizeof v);
}

template <class V> inline V splatV(double x) {
    V v;
    for (size_t i = 0; i < sizeof(V) / sizeof(double); ++i)
        v[i] = x;
    return v;
}

inline V4d loadV4(const double *p) {
    return loadV<V4d>(p);
}

inline void storeV4(double *p, V4d v) {
    storeV(p, v);
}

inline V4d splatV4(double x) {
    return splatV<V4d>(x);
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

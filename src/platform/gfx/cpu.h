// What the processor offers beyond the compiler's baseline: the wide copies and rows ask here once, at
// their first use, whether AVX2 (or AVX-512) instructions may run, and are compiled for it with
// GFX_AVX2 (GFX_AVX512).
#pragma once

#if defined(__x86_64__) && defined(__GNUC__)
#define GFX_HAVE_AVX2 1
#define GFX_AVX2 __attribute__((target("avx2")))
#define GFX_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline
#define GFX_HAVE_AVX512 1
#define GFX_AVX512 __attribute__((target("avx2,avx512f,avx512bw")))
#define GFX_AVX512_INLINE __attribute__((target("avx2,avx512f,avx512bw"), always_inline)) inline
#endif

namespace gfx {

// Whether the processor runs AVX2 instructions (false where none can be compiled).
inline bool HaveAvx2() {
#ifdef GFX_HAVE_AVX2
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
#else
    return false;
#endif
}

// Whether the processor runs the AVX-512 instructions on words and bytes (false where none can be
// compiled).
inline bool HaveAvx512() {
#ifdef GFX_HAVE_AVX512
    static const bool have = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return have;
#else
    return false;
#endif
}

} // namespace gfx

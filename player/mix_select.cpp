// Chooses the mixer's kernels by what the processor can run: AVX2 with FMA,
// else SSE2, else the portable ones.
#include "player/mix_kernels.h"

const MixKernels* mix_path_kernels(MixPath path) {
    switch (path) {
    case MIX_REFERENCE: return &mix_reference_kernels;
    case MIX_SCALAR: return &mix_scalar_kernels;
    case MIX_SSE2: return mix_sse2_kernels;
    case MIX_AVX2: return mix_avx2_kernels;
    default: return nullptr;
    }
}

static bool path_available(MixPath path) {
    if (!mix_path_kernels(path)) return false;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();  // may run before the constructors that would do it
    if (path == MIX_AVX2) return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    if (path == MIX_SSE2) return __builtin_cpu_supports("sse2");
#endif
    return true;
}

MixPath mix_best_path() {
    for (int32_t p = MIX_PATH_COUNT - 1; p > MIX_SCALAR; p--)
        if (path_available(static_cast<MixPath>(p))) return static_cast<MixPath>(p);
    return MIX_SCALAR;
}

const MixKernels* mix_kernels = mix_path_kernels(mix_best_path());

bool mix_use_path(MixPath path) {
    if (path < MIX_REFERENCE || path >= MIX_PATH_COUNT || !path_available(path)) return false;
    mix_kernels = mix_path_kernels(path);
    return true;
}

// The mixer's frame loops and the block conversion to 16 bits, in a portable
// reference version and in SIMD versions that give the same bits, chosen at
// run time by what the processor has. Player-internal.
#pragma once
#include <cstdint>

// Adds `count` frames of one voice at steady volumes (each a float factor of
// full scale) into `out`, starting at the 32.32 `position` and moving by
// `step` per frame; returns the position after the last frame. The caller has
// made sure that no frame reads beyond the voice's loop end or below its start.
typedef uint64_t (*MixPlainFn)(float* out, int32_t count, const int16_t* data, uint64_t position,
                               uint64_t step, bool backward, float left, float right);
// The same with volumes that start at *left and *right and grow by the
// increments after every frame; the volumes reached are written back.
typedef uint64_t (*MixRampedFn)(float* out, int32_t count, const int16_t* data, uint64_t position,
                                uint64_t step, bool backward, float* left, float* right,
                                float left_increment, float right_increment);
// 2 x frames floats to 16-bit samples: rounded half to even, limited to the
// 16-bit range, NaN to 0. The floats are left at 0, so the mix buffer is clear
// for the next block without a pass of its own.
typedef void (*ConvertFn)(float* source, int16_t* destination, int32_t frames);

// The reference mixes exactly as the mix is defined, pass by pass; every other
// path also takes the shortcuts that give the same bits (silent voices only
// move on, short loops play through their copies) and differs from it only
// in how the frames are computed.
enum MixPath : int32_t { MIX_REFERENCE = 0, MIX_SCALAR = 1, MIX_SSE2 = 2, MIX_AVX2 = 3, MIX_PATH_COUNT = 4 };

struct MixKernels {
    const char* name;
    MixPlainFn plain;
    MixRampedFn ramped;
    ConvertFn convert;
    bool shortcuts;
    // plain for a span that holds +0.0 floats only; may store what plain adds
    MixPlainFn plain_clear;
};

// The kernels in use: the fastest path the processor has, unless mix_use_path chose another.
extern const MixKernels* mix_kernels;
// Makes `path` the one in use; false (and nothing changes) when this build or
// processor does not have it.
bool mix_use_path(MixPath path);
// The fastest path available here.
MixPath mix_best_path();
// A path's kernels, whether or not the processor can run them; null when
// this build has none.
const MixKernels* mix_path_kernels(MixPath path);

// Each path's kernels; null when the build has none for this processor family.
extern const MixKernels mix_reference_kernels;
extern const MixKernels mix_scalar_kernels;
extern const MixKernels* const mix_sse2_kernels;
extern const MixKernels* const mix_avx2_kernels;
#if defined(__x86_64__) || defined(__i386__)
void mix_convert_sse2(float* source, int16_t* destination, int32_t frames);
#endif

// The step between the even positions of successive frames: before each step
// the lowest bit of the fraction is cleared (the weight uses the fraction
// halved), which moving backward takes one more unit off an odd step.
inline uint64_t mix_even_step(uint64_t step, bool backward) {
    return backward ? step + (step & 1) : step & ~uint64_t(1);
}

// A position moved on by `frames` frames of the mix in one go.
inline uint64_t mix_advance(uint64_t position, uint64_t step, bool backward, int32_t frames) {
    if (frames < 1) return position;
    // Frame k (from 0) reads at the first position, lowest bit cleared, moved
    // by k even steps; the frame after the last adds the whole step.
    const uint64_t moved = static_cast<uint64_t>(frames - 1) * mix_even_step(step, backward);
    const uint64_t last = backward ? (position & ~uint64_t(1)) - moved : (position & ~uint64_t(1)) + moved;
    return backward ? last - step : last + step;
}

// What every frame loop works out first: the position after its last frame,
// the even step between frames, and that step as added in the direction of travel.
struct MixSteps {
    uint64_t last;
    uint64_t even;
    uint64_t stride;
};

inline MixSteps mix_steps(uint64_t position, uint64_t step, bool backward, int32_t count) {
    const uint64_t even = mix_even_step(step, backward);
    return {mix_advance(position, step, backward, count), even, backward ? -even : even};
}

// The interpolated sample at a position: frame x0 and the next, weighted by
// the fraction halved as a 31-bit weight. Exact in double: x0 + f(x1 - x0)
// needs no more than 49 bits.
inline double mix_sample(const int16_t* data, uint64_t position) {
    const uint32_t i = static_cast<uint32_t>(position >> 32);
    const double f = static_cast<double>(static_cast<uint32_t>(position) / 2) * (1.0 / 2147483648.0);
    const double x0 = data[i];
    return x0 + f * (data[i + 1] - x0);
}

// Adds a sample at a float volume to a float of the mix: the product and the
// sum in double, the result rounded to a float.
inline float mix_add(float into, double sample, float volume) {
    return static_cast<float>(into + sample * volume);
}

inline uint64_t mix_step_once(uint64_t position, uint64_t step, bool backward) {
    position &= ~uint64_t(1);
    return backward ? position - step : position + step;
}

// The mixer's frame loops and the block conversion to 16 bits, in a portable
// reference version and in SIMD versions that give the same bits, chosen at
// run time by what the processor has. Player-internal.
#pragma once
#include <algorithm>
#include <cfloat>
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
// A ramp through loop ends: after each frame count listed in `rounds`
// (ascending, each below `count`, the list ended by one that is not) the
// volumes reached are rounded to bytes and go on from byte / 255, as where a
// pass of the mix ends at a loop end and the next one begins. The walk itself
// goes on unbroken: the caller has made sure that the data read on is what
// the loop would read.
typedef uint64_t (*MixRampThroughFn)(float* out, int32_t count, const int16_t* data, uint64_t position,
                                     uint64_t step, bool backward, float* left, float* right,
                                     float left_increment, float right_increment, const int32_t* rounds);
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
    MixRampThroughFn ramped_through;
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

// A ramp's volume as a byte, rounded half to even (the default rounding mode),
// without a call into the maths library. The product is exact in double; a
// float product could round onto a tie (2.50000009 to 2.5) and then to the
// wrong byte.
inline uint8_t mix_volume_byte(float v) {
    const double scaled = static_cast<double>(v) * 255.0;
#if FLT_EVAL_METHOD == 0
    // Adding and taking away 2^52 + 2^51 rounds as nearbyint does, for any
    // value of that size.
    constexpr double ROUNDER = 6755399441055744.0;
    const double rounded = (scaled + ROUNDER) - ROUNDER;
    // NaN goes to 0: std::min keeps it, std::max then takes the 0.
    return static_cast<uint8_t>(std::max(0.0, std::min(rounded, 255.0)));
#else
    // An x87 unit computes the sum above in 64 bits, where it does not round
    // to a whole number: the rounding is worked out from the whole part and
    // the rest instead, both exact at any precision.
    if (!(scaled > 0.0)) return 0;
    if (scaled >= 255.0) return 255;
    const int32_t whole = static_cast<int32_t>(scaled);
    const double rest = scaled - whole;
    return static_cast<uint8_t>(whole + (rest > 0.5 || (rest == 0.5 && (whole & 1))));
#endif
}

// The float volume a ramp starts from at a byte.
inline float mix_volume_float(uint8_t byte) {
    float v = byte / 255.0f;
#if FLT_EVAL_METHOD != 0
    volatile float stored = v;  // the x87 unit's quotient rounded to a float
    v = stored;
#endif
    return v;
}

inline float mix_ramp_restart(float v) { return mix_volume_float(mix_volume_byte(v)); }

// A ramp through loop ends made of one ramp kernel's runs, one per stretch
// between rounds: for kernels whose runs start cheaply.
template <MixRampedFn run>
uint64_t mix_ramp_runs(float* out, int32_t count, const int16_t* data, uint64_t position, uint64_t step,
                       bool backward, float* left, float* right, float left_increment, float right_increment,
                       const int32_t* rounds) {
    int32_t k = 0;
    for (;; rounds++) {
        const int32_t end = *rounds < count ? *rounds : count;
        position = run(out + 2 * k, end - k, data, position, step, backward, left, right, left_increment,
                       right_increment);
        if (end == count) return position;
        k = end;
        *left = mix_ramp_restart(*left);
        *right = mix_ramp_restart(*right);
    }
}

// The frame loops and the conversion with SSE2, two frames at a time in double
// precision: the same operations as the reference, so the same bits. Built
// for x86 only; 32-bit builds compile it for SSE2 and use it when the
// processor has it.
#include "player/mix_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#include <cstring>

// Every floating-point operation here is an SSE2 instruction written out:
// on 32-bit x86 plain float and double arithmetic would use the x87 unit,
// whose wider registers round differently.
#define SSE2_FN __attribute__((target("sse2")))

// 2^20 as a double: its high word over a 32-bit fraction f in the low word
// makes 2^20 + f x 2^-32, from which 2^20 is taken away exactly.
constexpr uint64_t TWO_20_BITS = 0x4130000000000000ull;

// The weights of two positions whose lowest bits are clear: the fraction
// halved times 2^-31 is the fraction times 2^-32.
SSE2_FN static inline __m128d weights(uint64_t a0, uint64_t a1) {
    const __m128i fractions = _mm_set_epi64x(static_cast<int64_t>(a1 & 0xFFFFFFFFu), static_cast<int64_t>(a0 & 0xFFFFFFFFu));
    const __m128i two20 = _mm_set1_epi64x(static_cast<int64_t>(TWO_20_BITS));
    return _mm_sub_pd(_mm_castsi128_pd(_mm_or_si128(fractions, two20)), _mm_castsi128_pd(two20));
}

// The two frames of sample data from `position` on, as one 32-bit word.
static inline int32_t frame_pair(const int16_t* data, uint64_t position) {
    int32_t pair;
    std::memcpy(&pair, data + static_cast<uint32_t>(position >> 32), 4);
    return pair;
}

// Interpolated samples of two positions whose lowest bits are clear.
SSE2_FN static inline __m128d samples(const int16_t* data, uint64_t a0, uint64_t a1) {
    const __m128i pairs = _mm_unpacklo_epi32(_mm_cvtsi32_si128(frame_pair(data, a0)),
                                             _mm_cvtsi32_si128(frame_pair(data, a1)));
    const __m128d x0 = _mm_cvtepi32_pd(_mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16));
    const __m128d x1 = _mm_cvtepi32_pd(_mm_srai_epi32(pairs, 16));
    return _mm_add_pd(x0, _mm_mul_pd(weights(a0, a1), _mm_sub_pd(x1, x0)));
}

// One stereo frame of the mix plus a sample (in both halves) times the volumes.
SSE2_FN static inline void add_frame(float* out, __m128d sample, __m128d volumes) {
    const __m128d mix = _mm_cvtps_pd(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(out))));
    const __m128 sum = _mm_cvtpd_ps(_mm_add_pd(mix, _mm_mul_pd(sample, volumes)));
    _mm_store_sd(reinterpret_cast<double*>(out), _mm_castps_pd(sum));
}

SSE2_FN static uint64_t sse2_plain(float* out, int32_t count, const int16_t* data, uint64_t position,
                                   uint64_t step, bool backward, float left, float right) {
    if (count < 1) return position;
    const auto [last, even, stride] = mix_steps(position, step, backward, count);
    const __m128d volumes = _mm_set_pd(right, left);
    uint64_t a = position & ~uint64_t(1);
    int32_t k = 0;
    for (; k + 1 < count; k += 2) {
        const __m128d s = samples(data, a, a + stride);
        add_frame(out, _mm_unpacklo_pd(s, s), volumes);
        add_frame(out + 2, _mm_unpackhi_pd(s, s), volumes);
        a += 2 * stride;
        out += 4;
    }
    if (k < count) {
        const __m128d s = samples(data, a, a);
        add_frame(out, _mm_unpacklo_pd(s, s), volumes);
    }
    return last;
}

// The volumes of a ramp are a chain of float sums, one per frame, left and
// right side by side in one register.
SSE2_FN static uint64_t sse2_ramped(float* out, int32_t count, const int16_t* data, uint64_t position,
                                    uint64_t step, bool backward, float* left, float* right,
                                    float left_increment, float right_increment) {
    if (count < 1) return position;
    const auto [last, even, stride] = mix_steps(position, step, backward, count);
    const __m128 increment = _mm_setr_ps(left_increment, right_increment, 0.0f, 0.0f);
    __m128 volume = _mm_setr_ps(*left, *right, 0.0f, 0.0f);
    uint64_t a = position & ~uint64_t(1);
    int32_t k = 0;
    for (; k + 1 < count; k += 2, a += 2 * stride, out += 4) {
        const __m128 next = _mm_add_ps(volume, increment);
        const __m128d s = samples(data, a, a + stride);
        add_frame(out, _mm_unpacklo_pd(s, s), _mm_cvtps_pd(volume));
        add_frame(out + 2, _mm_unpackhi_pd(s, s), _mm_cvtps_pd(next));
        volume = _mm_add_ps(next, increment);
    }
    if (k < count) {
        const __m128d s = samples(data, a, a);
        add_frame(out, _mm_unpacklo_pd(s, s), _mm_cvtps_pd(volume));
        volume = _mm_add_ps(volume, increment);
    }
    _mm_store_ss(left, volume);
    _mm_store_ss(right, _mm_shuffle_ps(volume, volume, 1));
    return last;
}

// Eight samples at a time: NaN becomes 0, the rest is rounded by the
// processor's rounding (to nearest, ties to even, the same mode the
// reference's nearbyint follows) and limited to the 16-bit range by the
// packing. Only values from 2^31 up need limiting first: the conversion
// gives the lowest integer for them, as it does for values below -2^31.
SSE2_FN static inline __m128i convert_four(float* source) {
    const __m128 x = _mm_loadu_ps(source);
    _mm_storeu_ps(source, _mm_setzero_ps());
    const __m128 ordered = _mm_and_ps(x, _mm_cmpord_ps(x, x));
    const __m128 limited = _mm_min_ps(ordered, _mm_set1_ps(32767.0f));
    return _mm_cvtps_epi32(limited);
}

SSE2_FN void mix_convert_sse2(float* source, int16_t* destination, int32_t frames) {
    const int32_t n = frames * 2;
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i packed = _mm_packs_epi32(convert_four(source + i), convert_four(source + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i), packed);
    }
    if (i < n) {
        // The last samples (fewer than eight) through a copy padded with zeros.
        alignas(16) float rest[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        alignas(16) int16_t converted[8];
        for (int32_t k = i; k < n; k++) {
            rest[k - i] = source[k];
            source[k] = 0.0f;
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(converted), _mm_packs_epi32(convert_four(rest), convert_four(rest + 4)));
        for (int32_t k = i; k < n; k++) destination[k] = converted[k - i];
    }
}

static const MixKernels sse2_kernels = {"sse2", sse2_plain, sse2_ramped, mix_ramp_runs<sse2_ramped>, mix_convert_sse2,
                                        true, sse2_plain};
const MixKernels* const mix_sse2_kernels = &sse2_kernels;
#else
const MixKernels* const mix_sse2_kernels = nullptr;
#endif

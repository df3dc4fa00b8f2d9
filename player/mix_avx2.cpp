// The frame loops with AVX2, four frames at a time in double precision: the
// same values as the reference, so the same bits. Built for x86-64 only and
// used when the processor has AVX2 and FMA.
//
// The four frames of a group sit in the lanes in the order 0, 2, 1, 3: then
// the in-lane unpacks that spread each sample over its frame's left and right
// floats are all the reordering the mix needs. Shuffles across the halves of
// the registers are slow on some processors and are avoided.
#include "player/mix_kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#include <cstring>

#define AVX2_FN __attribute__((target("avx2,fma")))
// For the helpers whose state has to stay in registers through the loops.
#define AVX2_INLINE __attribute__((target("avx2,fma"), always_inline)) inline

constexpr uint64_t TWO_FRAMES = uint64_t(2) << 32;
constexpr double SCALE = 1.0 / 4294967296.0;  // 2^-32

// 0, 2, 1 and 3 strides, the group's lane order, in 64-bit lanes.
AVX2_FN static inline __m256i lane_offsets(uint64_t stride) {
    return _mm256_setr_epi64x(0, static_cast<int64_t>(2 * stride), static_cast<int64_t>(stride),
                              static_cast<int64_t>(3 * stride));
}

// The samples of four frames as integers times 2^32, T = x0 2^32 + w 2(x1 -
// x0), exactly, with w the fraction halved (31 bits), each held as the double
// M + T, M = 2^52 + 2^51: M over an integer below 2^51 in magnitude is, as a
// double, M plus it. Integer products and this exact conversion leave the
// processor's conversion units to the mix, where they cannot be avoided; the
// M goes away in the product with the volume (see steady_products).
constexpr double MAGIC = 6755399441055744.0;  // M

AVX2_FN static inline __m256d as_biased(__m256i t) {
    return _mm256_castsi256_pd(_mm256_add_epi64(t, _mm256_castpd_si256(_mm256_set1_pd(MAGIC))));
}

// `pairs` holds x0 and x1 of each frame in the low and high words of its
// 64-bit lane, and the low words of `positions` are the fractions (lowest
// bits clear).
AVX2_FN static inline __m256d biased_samples(__m256i pairs, __m256i positions) {
    const __m256i w = _mm256_srli_epi32(positions, 1);
    const __m256i difference = _mm256_sub_epi32(_mm256_srli_epi64(pairs, 32), pairs);
    // x0 times -2^31, subtracted, is x0 2^31; |sum| < 2^47, twice it below 2^48
    const __m256i sum = _mm256_sub_epi64(_mm256_mul_epi32(w, difference),
                                         _mm256_mul_epi32(pairs, _mm256_set1_epi32(INT32_MIN)));
    return as_biased(_mm256_add_epi64(sum, sum));
}

// Frames moving forward by even steps below two frames: four of them (or
// more, at smaller steps) read within the eight sample frames from the first
// one's, which one load brings in. The data holds 8 frames beyond the
// sample's end, so the load stays inside it.
//
// The walk keeps the positions relative to the window's first frame (b) in
// the vector registers: each window adds its steps and takes away the whole
// frames the window moves on, one of two vectors made beforehand, so no value
// goes from the scalar registers to the vector ones per window.
struct NearWalk {
    const int16_t* data;
    const int16_t* later;  // where a split walk's second window starts, less the index
    uint64_t a;            // position of the window's first frame
    uint64_t index;        // its whole frames
    uint64_t move;         // the steps of one window
    __m256i b;             // a's fraction plus the offsets of the first four frames
    __m256i four;          // four steps, from the first four frames to the next four
    // By the whole frames the window moves on: only the two that its steps
    // can move are set, and indexing by the count itself saves a subtraction.
    __m256i moves[17];
};

// A walk of `frames` frames a window. A split walk of eight reads the last
// four from a second window, the whole frames of four steps further on.
AVX2_FN static inline void near_walk(NearWalk* walk, const int16_t* data, uint64_t a, uint64_t even, __m256i offsets,
                                     int32_t frames = 4, bool split = false) {
    const uint64_t move = frames * even, least = move >> 32;
    const uint64_t later = split ? (4 * even) >> 32 : 0;
    walk->data = data;
    walk->later = data + later;
    walk->a = a;
    walk->index = a >> 32;
    walk->move = move;
    walk->b = _mm256_add_epi64(_mm256_set1_epi64x(static_cast<int64_t>(a & 0xFFFFFFFFu)), offsets);
    walk->four = _mm256_set1_epi64x(static_cast<int64_t>(4 * even - (later << 32)));
    walk->moves[least] = _mm256_set1_epi64x(static_cast<int64_t>(move - (least << 32)));
    walk->moves[least + 1] = _mm256_set1_epi64x(static_cast<int64_t>(move - ((least + 1) << 32)));
}

// A window's eight sample frames, in both halves of the register.
AVX2_FN static inline __m256i near_window(const int16_t* window_start) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(window_start)));
}

// The window moved on by its steps.
AVX2_FN static inline void near_move(NearWalk* walk) {
    const uint64_t next = walk->a + walk->move, index = next >> 32;
    walk->b = _mm256_add_epi64(walk->b, walk->moves[index - walk->index]);
    walk->a = next;
    walk->index = index;
}

// The samples of four frames at the relative positions b. The high words of
// b are the frames' distances r from the window's first frame (0..6): bytes
// 2r to 2r + 3 of the window are x0 and x1, side by side as they are in the
// data, and go to both words of the frame's 64-bit lane. (One permutation of
// the window's seven pairs by r would take fewer instructions, but is slower.)
AVX2_FN static inline __m256d near_samples(__m256i window, __m256i b) {
    const __m256i twice = _mm256_add_epi32(b, b);
    const __m256i spread = _mm256_setr_epi8(4, 4, 4, 4, 4, 4, 4, 4, 12, 12, 12, 12, 12, 12, 12, 12,
                                            4, 4, 4, 4, 4, 4, 4, 4, 12, 12, 12, 12, 12, 12, 12, 12);
    const __m256i bytes = _mm256_setr_epi8(0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3,
                                           0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3);
    const __m256i pair = _mm256_shuffle_epi8(window, _mm256_add_epi8(_mm256_shuffle_epi8(twice, spread), bytes));
    // Products of the 16-bit halves, summed in pairs, in one step: 2(x1 - x0)
    // in the low word, x0 in the high word, so that the lane with its low
    // word cleared is x0 2^32.
    const __m256i halves =
        _mm256_madd_epi16(pair, _mm256_setr_epi32(0x0002FFFE, 1, 0x0002FFFE, 1, 0x0002FFFE, 1, 0x0002FFFE, 1));
    const __m256i first = _mm256_and_si256(halves, _mm256_set1_epi64x(static_cast<int64_t>(0xFFFFFFFF00000000ull)));
    return as_biased(_mm256_add_epi64(_mm256_mul_epi32(_mm256_srli_epi32(b, 1), halves), first));
}

// The samples of the walk's next four frames (a walk of four frames a window).
AVX2_FN static inline __m256d near_next(NearWalk* walk) {
    const __m256d x = near_samples(near_window(walk->data + walk->index), walk->b);
    near_move(walk);
    return x;
}

static inline int32_t frame_pair(const int16_t* data, uint64_t position) {
    int32_t pair;
    std::memcpy(&pair, data + static_cast<uint32_t>(position >> 32), 4);
    return pair;
}

// Four frames at any step in either direction: each pair of sample frames
// loaded by itself.
AVX2_FN static inline __m256d samples_far(const int16_t* data, uint64_t a, uint64_t stride, __m256i offsets) {
    const __m128i pairs = _mm_setr_epi32(frame_pair(data, a), frame_pair(data, a + 2 * stride),
                                         frame_pair(data, a + stride), frame_pair(data, a + 3 * stride));
    const __m256i positions = _mm256_add_epi64(_mm256_set1_epi64x(static_cast<int64_t>(a)), offsets);
    return biased_samples(_mm256_cvtepi16_epi32(pairs), positions);
}

// Four stereo frames of the mix plus their products (left, right, left,
// right for the first two frames and for the last two).
AVX2_FN static inline void add_four(float* out, __m256d product01, __m256d product23) {
    const __m256d mix01 = _mm256_cvtps_pd(_mm_loadu_ps(out));
    const __m256d mix23 = _mm256_cvtps_pd(_mm_loadu_ps(out + 4));
    _mm_storeu_ps(out, _mm256_cvtpd_ps(_mm256_add_pd(mix01, product01)));
    _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(_mm256_add_pd(mix23, product23)));
}

// add_four for the first `frames` (1 to 3) frames only: masked loads and
// stores leave the floats beyond them, which may lie past the span, alone.
AVX2_FN static inline void add_some(float* out, __m256d product01, __m256d product23, int32_t frames) {
    const __m128i all = _mm_set1_epi32(-1), none = _mm_setzero_si128();
    const __m128i half = _mm_setr_epi32(-1, -1, 0, 0);
    const __m128i mask01 = frames == 1 ? half : all;
    const __m128i mask23 = frames == 3 ? half : none;
    const __m256d mix01 = _mm256_cvtps_pd(_mm_maskload_ps(out, mask01));
    const __m256d mix23 = _mm256_cvtps_pd(_mm_maskload_ps(out + 4, mask23));
    _mm_maskstore_ps(out, mask01, _mm256_cvtpd_ps(_mm256_add_pd(mix01, product01)));
    _mm_maskstore_ps(out + 4, mask23, _mm256_cvtpd_ps(_mm256_add_pd(mix23, product23)));
}

// Steady volumes as the products take them: left, right, left, right scaled
// by 2^-32 (the samples come times 2^32), and -M times each.
struct Volumes {
    __m256d scaled;
    __m256d unbias;
};

AVX2_FN static inline Volumes steady_volumes(float left, float right) {
    const __m256d scaled = _mm256_mul_pd(_mm256_setr_pd(left, right, left, right), _mm256_set1_pd(SCALE));
    return {scaled, _mm256_mul_pd(scaled, _mm256_set1_pd(-MAGIC))};
}

// A sample times a steady volume: (M + S) v - M v in one fused step, rounded
// once, is S v rounded once, the reference's product: the products with M
// are exact (M has two significant bits, v 24), and so is the scaling of v
// by a power of two. Spread over the frames' left and right halves.
AVX2_FN static inline void steady_products(__m256d x, const Volumes& v, __m256d* product01, __m256d* product23) {
    *product01 = _mm256_fmadd_pd(_mm256_unpacklo_pd(x, x), v.scaled, v.unbias);
    *product23 = _mm256_fmadd_pd(_mm256_unpackhi_pd(x, x), v.scaled, v.unbias);
}

// A sample as its true value, T 2^-32 (exact): M 2^-32 taken away in one
// fused step. Then times per-frame volumes (left, right of frames 0 and 1,
// and of frames 2 and 3), each product rounded once.
AVX2_FN static inline void ramp_products(__m256d x, __m128 v01, __m128 v23, __m256d* product01, __m256d* product23) {
    const __m256d s = _mm256_fmadd_pd(x, _mm256_set1_pd(SCALE), _mm256_set1_pd(-MAGIC * SCALE));
    *product01 = _mm256_mul_pd(_mm256_unpacklo_pd(s, s), _mm256_cvtps_pd(v01));
    *product23 = _mm256_mul_pd(_mm256_unpackhi_pd(s, s), _mm256_cvtps_pd(v23));
}

// Whether four frames from one position read within one window of eight.
static inline bool near_steps(uint64_t even, bool backward) { return !backward && even < TWO_FRAMES; }
// Whether `frames` do: the last one's x1, at most 1 + (frames - 1) steps on
// from the first one's whole frame (its fraction below one), lies within the
// window when frames - 1 steps are at most 6 frames.
static inline bool near_reach(uint64_t even, int32_t frames) { return (frames - 1) * even <= (uint64_t(6) << 32); }
// Whether a split walk's second window reaches its frames 4 to 7: from the
// whole frames of four steps on, three more steps and one frame are at most 7.
static inline bool split_reach(uint64_t even) {
    return 7 * even - ((4 * even) & ~uint64_t(0xFFFFFFFF)) <= (uint64_t(6) << 32);
}

// Four frames of the steady mix, or the first `frames` of them.
AVX2_FN static inline void steady_four(float* out, __m256d x, const Volumes& volumes) {
    __m256d p01, p23;
    steady_products(x, volumes, &p01, &p23);
    add_four(out, p01, p23);
}

AVX2_FN static inline void steady_some(float* out, __m256d x, const Volumes& volumes, int32_t frames) {
    __m256d p01, p23;
    steady_products(x, volumes, &p01, &p23);
    add_some(out, p01, p23, frames);
}

// What a walk does with each group of four frames: the steady mix, or a ramp's.
struct SteadyGroups {
    Volumes volumes;
    AVX2_INLINE void four(float* out, __m256d x) { steady_four(out, x, volumes); }
    AVX2_INLINE void some(float* out, __m256d x, int32_t frames) { steady_some(out, x, volumes, frames); }
};

// The steady mix into a clear span (+0.0 throughout) takes the products as
// they are, without loading it: the sum 0 + p rounds as p does, p being a
// double that is never -0 (a product of zero is (M + 0)v - Mv, or has v = +0,
// and either way the fused step gives +0).
struct ClearGroups {
    Volumes volumes;
    AVX2_INLINE void four(float* out, __m256d x) {
        __m256d p01, p23;
        steady_products(x, volumes, &p01, &p23);
        _mm_storeu_ps(out, _mm256_cvtpd_ps(p01));
        _mm_storeu_ps(out + 4, _mm256_cvtpd_ps(p23));
    }
    AVX2_INLINE void some(float* out, __m256d x, int32_t frames) {
        __m256d p01, p23;
        steady_products(x, volumes, &p01, &p23);
        const __m128i all = _mm_set1_epi32(-1), half = _mm_setr_epi32(-1, -1, 0, 0);
        _mm_maskstore_ps(out, frames == 1 ? half : all, _mm256_cvtpd_ps(p01));
        _mm_maskstore_ps(out + 4, frames == 3 ? half : _mm_setzero_si128(), _mm256_cvtpd_ps(p23));
    }
};

// The mix of frames moving by small steps, `Frames` (8, 16 or 32) of them
// from each window where near_reach allows it, or 8 from a split walk's two
// windows where split_reach does.
template <int32_t Frames, bool Split, class Groups>
AVX2_INLINE static void near_windows(float* out, int32_t count, const int16_t* data, uint64_t a, uint64_t even,
                                     __m256i offsets, Groups* groups) {
    NearWalk walk;
    near_walk(&walk, data, a, even, offsets, Frames, Split);
    int32_t k = 0;
    for (; k + Frames <= count; k += Frames, out += 2 * Frames) {
        const __m256i window = near_window(walk.data + walk.index);
        const __m256i later = Split ? near_window(walk.later + walk.index) : window;
        __m256i b = walk.b;
#pragma GCC unroll 8
        for (int32_t j = 0; j < Frames; j += 4, b = _mm256_add_epi64(b, walk.four))
            groups->four(out + 2 * j, near_samples(j < 4 ? window : later, b));
        near_move(&walk);
    }
    // The last frames from one more window, which lies within the data all
    // the same (a split walk's second one only where it has frames); only
    // their floats of the mix are touched.
    if (k < count) {
        __m256i window = near_window(walk.data + walk.index);
        __m256i b = walk.b;
        for (; k + 4 <= count; k += 4, out += 8, b = _mm256_add_epi64(b, walk.four)) {
            groups->four(out, near_samples(window, b));
            if (Split && k + 4 < count) window = near_window(walk.later + walk.index);
        }
        if (k < count) groups->some(out, near_samples(window, b), count - k);
    }
}

// All `count` frames of a walk forward by steps below two frames, from as
// many frames a window as the steps allow; false for other steps. With
// `WholeWindows`, only walks of 8 frames or more from one window are taken.
template <class Groups, bool WholeWindows = false>
AVX2_INLINE static bool near_mix(float* out, int32_t count, const int16_t* data, uint64_t a, uint64_t even,
                                    bool backward, __m256i offsets, Groups* groups) {
    if (!near_steps(even, backward) || (WholeWindows && !near_reach(even, 8))) return false;
    if (near_reach(even, 32)) {
        near_windows<32, false>(out, count, data, a, even, offsets, groups);
    } else if (near_reach(even, 16)) {
        near_windows<16, false>(out, count, data, a, even, offsets, groups);
    } else if (WholeWindows || near_reach(even, 8)) {
        near_windows<8, false>(out, count, data, a, even, offsets, groups);
    } else if (split_reach(even)) {
        near_windows<8, true>(out, count, data, a, even, offsets, groups);
    } else {
        NearWalk walk;
        near_walk(&walk, data, a, even, offsets);
        int32_t k = 0;
        for (; k + 8 <= count; k += 8, out += 16) {
            const __m256d x = near_next(&walk), y = near_next(&walk);
            groups->four(out, x);
            groups->four(out + 8, y);
        }
        for (; k + 4 <= count; k += 4, out += 8) groups->four(out, near_next(&walk));
        if (k < count) groups->some(out, near_next(&walk), count - k);
    }
    return true;
}

template <class Groups>
AVX2_INLINE static uint64_t steady_mix(float* out, int32_t count, const int16_t* data, uint64_t position,
                                       uint64_t step, bool backward, float left, float right) {
    if (count < 1) return position;
    const auto [last, even, stride] = mix_steps(position, step, backward, count);
    const __m256i offsets = lane_offsets(stride);
    uint64_t a = position & ~uint64_t(1);
    int32_t k = 0;
    Groups groups{steady_volumes(left, right)};
    if (near_mix(out, count, data, a, even, backward, offsets, &groups)) return last;
    for (; k + 4 <= count; k += 4, a += 4 * stride, out += 8) groups.four(out, samples_far(data, a, stride, offsets));
    for (; k < count; k++, a += stride, out += 2) {
        const double s = mix_sample(data, a);
        out[0] = mix_add(out[0], s, left);
        out[1] = mix_add(out[1], s, right);
    }
    return last;
}

AVX2_FN __attribute__((noinline)) static uint64_t avx2_plain(float* out, int32_t count, const int16_t* data,
                                                             uint64_t position, uint64_t step, bool backward,
                                                             float left, float right) {
    return steady_mix<SteadyGroups>(out, count, data, position, step, backward, left, right);
}

// Only the walks of 8 frames or more a window have a clear form: the rest
// would add much code for little.
AVX2_FN static uint64_t avx2_plain_clear(float* out, int32_t count, const int16_t* data, uint64_t position,
                                         uint64_t step, bool backward, float left, float right) {
    if (count < 1) return position;
    const auto [last, even, stride] = mix_steps(position, step, backward, count);
    ClearGroups groups{steady_volumes(left, right)};
    if (near_mix<ClearGroups, true>(out, count, data, position & ~uint64_t(1), even, backward, lane_offsets(stride),
                                    &groups))
        return last;
    return avx2_plain(out, count, data, position, step, backward, left, right);
}

// Both sides' volumes rounded to their bytes and taken up again from there,
// as mix_volume_byte and mix_volume_float do it: the operands of the minimum
// and maximum in the order that sends NaN to 0 as they do.
AVX2_FN static inline __m128 ramp_restart(__m128 volume) {
    const __m128d rounder = _mm_set1_pd(MAGIC);  // rounds to whole numbers
    const __m128d scaled = _mm_mul_pd(_mm_cvtps_pd(volume), _mm_set1_pd(255.0));
    const __m128d rounded = _mm_sub_pd(_mm_add_pd(scaled, rounder), rounder);
    const __m128d byte = _mm_max_pd(_mm_min_pd(_mm_set1_pd(255.0), rounded), _mm_setzero_pd());
    return _mm_div_ps(_mm_cvtepi32_ps(_mm_cvttpd_epi32(byte)), _mm_set1_ps(255.0f));
}

// Groups of four frames of a ramp. The volumes are a chain of float sums,
// one per frame; `pair` holds those of two frames in a row (left, right,
// left, right), so that one sum moves both on by a frame and every other one
// gives the next two frames' volumes as the products take them. With
// `Rounds`, the chain restarts from the bytes where a round falls (see
// MixRampThroughFn), and a group with a round among the five sums that move
// the pair on takes them one at a time from the first frame's volumes; `k`
// counts the frames mixed.
template <bool Rounds>
struct RampGroups {
    __m128 pair;
    __m128 increment;
    const int32_t* rounds;
    int32_t k;
    // The volumes of frame `frame` from those of the frame before.
    AVX2_INLINE __m128 next(__m128 volume, int32_t frame) {
        volume = _mm_add_ps(volume, increment);
        if (Rounds && frame == *rounds) {
            volume = ramp_restart(volume);
            rounds++;
        }
        return volume;
    }
    AVX2_INLINE void mix(float* out, __m256d x, __m128 v01, __m128 v23, int32_t frames) {
        __m256d p01, p23;
        ramp_products(x, v01, v23, &p01, &p23);
        if (frames == 4) add_four(out, p01, p23);
        else add_some(out, p01, p23, frames);
    }
    AVX2_INLINE void four(float* out, __m256d x) {
        const __m128 v01 = pair;
        if (!Rounds || k + 5 < *rounds) {
            const __m128 v23 = _mm_add_ps(_mm_add_ps(v01, increment), increment);
            pair = _mm_add_ps(_mm_add_ps(v23, increment), increment);
            if (Rounds) k += 4;
            return mix(out, x, v01, v23, 4);
        }
        const __m128 v1 = next(v01, k + 1), v2 = next(v1, k + 2), v3 = next(v2, k + 3), v4 = next(v3, k + 4);
        // The second half is right unless a round follows, when the next
        // group takes its sums one at a time too.
        pair = _mm_movelh_ps(v4, _mm_add_ps(v4, increment));
        k += 4;
        mix(out, x, _mm_movelh_ps(v01, v1), _mm_movelh_ps(v2, v3), 4);
    }
    // The last 1 to 3 frames; the first half of the pair goes on to the
    // volumes after the last.
    AVX2_INLINE void some(float* out, __m256d x, int32_t frames) {
        const __m128 v0 = pair;
        const __m128 v1 = next(v0, k + 1), v2 = next(v1, k + 2), v3 = next(v2, k + 3);
        pair = frames == 1 ? v1 : frames == 2 ? v2 : v3;
        k += frames;
        mix(out, x, _mm_movelh_ps(v0, v1), _mm_movelh_ps(v2, v3), frames);
    }
};

template <bool Rounds>
AVX2_INLINE static uint64_t ramp_mix(float* out, int32_t count, const int16_t* data, uint64_t position, uint64_t step,
                                     bool backward, float* left, float* right, float left_increment,
                                     float right_increment, const int32_t* rounds) {
    if (count < 1) return position;
    const auto [last, even, stride] = mix_steps(position, step, backward, count);
    const __m256i offsets = lane_offsets(stride);
    // Unpacked from scalars rather than set as four: the same values, and no
    // register-to-register vmovq, which valgrind cannot decode.
    const __m128 increment2 = _mm_unpacklo_ps(_mm_set_ss(left_increment), _mm_set_ss(right_increment));
    const __m128 volume = _mm_unpacklo_ps(_mm_set_ss(*left), _mm_set_ss(*right));
    // The first frame's volumes and the second's, unless a round falls between.
    RampGroups<Rounds> groups{_mm_movelh_ps(volume, _mm_add_ps(volume, increment2)),
                              _mm_movelh_ps(increment2, increment2), rounds, 0};
    uint64_t a = position & ~uint64_t(1);
    int32_t k = 0;
    if (near_mix(out, count, data, a, even, backward, offsets, &groups)) {
        k = count;
    } else {
        for (; k + 4 <= count; k += 4, a += 4 * stride, out += 8)
            groups.four(out, samples_far(data, a, stride, offsets));
    }
    __m128 v = groups.pair;
    for (; k < count; k++, a += stride, out += 2) {
        const double s = mix_sample(data, a);
        out[0] = mix_add(out[0], s, _mm_cvtss_f32(v));
        out[1] = mix_add(out[1], s, _mm_cvtss_f32(_mm_shuffle_ps(v, v, 1)));
        v = groups.next(v, k + 1);
    }
    *left = _mm_cvtss_f32(v);
    *right = _mm_cvtss_f32(_mm_shuffle_ps(v, v, 1));
    return last;
}

AVX2_FN static uint64_t avx2_ramped(float* out, int32_t count, const int16_t* data, uint64_t position,
                                    uint64_t step, bool backward, float* left, float* right,
                                    float left_increment, float right_increment) {
    return ramp_mix<false>(out, count, data, position, step, backward, left, right, left_increment, right_increment,
                           nullptr);
}

AVX2_FN static uint64_t avx2_ramped_through(float* out, int32_t count, const int16_t* data, uint64_t position,
                                            uint64_t step, bool backward, float* left, float* right,
                                            float left_increment, float right_increment, const int32_t* rounds) {
    return ramp_mix<true>(out, count, data, position, step, backward, left, right, left_increment, right_increment,
                          rounds);
}

// Eight samples to 32-bit integers as SSE2's conversion takes them: NaN to
// 0, limited above, rounded to nearest, ties to even; the packing limits
// them to the 16-bit range.
AVX2_FN static inline __m256i convert_eight(float* source) {
    const __m256 x = _mm256_loadu_ps(source);
    _mm256_storeu_ps(source, _mm256_setzero_ps());
    const __m256 ordered = _mm256_and_ps(x, _mm256_cmp_ps(x, x, _CMP_ORD_Q));
    const __m256 limited = _mm256_min_ps(ordered, _mm256_set1_ps(32767.0f));
    return _mm256_cvtps_epi32(limited);
}

// Sixteen samples at a time; the packing works within each half of the
// registers, so one permutation puts the four quarters back in order.
AVX2_FN static void avx2_convert(float* source, int16_t* destination, int32_t frames) {
    const int32_t n = frames * 2;
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i packed = _mm256_packs_epi32(convert_eight(source + i), convert_eight(source + i + 8));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + i), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    if (i < n) mix_convert_sse2(source + i, destination + i, (n - i) / 2);
}

static const MixKernels avx2_kernels = {"avx2", avx2_plain, avx2_ramped, avx2_ramped_through,
                                        avx2_convert, true, avx2_plain_clear};
const MixKernels* const mix_avx2_kernels = &avx2_kernels;
#else
const MixKernels* const mix_avx2_kernels = nullptr;
#endif

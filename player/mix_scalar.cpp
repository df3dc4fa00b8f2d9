// The portable frame loops and conversion: plain C++, the reference that the
// SIMD paths must match bit for bit, and the mixer on other processors.
#include <cmath>
#include "player/mix_kernels.h"

// Without a ramp two frames per iteration; nothing but the counter is tested.
static uint64_t scalar_plain(float* out, int32_t count, const int16_t* data, uint64_t position,
                             uint64_t step, bool backward, float left, float right) {
    int32_t k = 0;
    for (; k + 1 < count; k += 2) {
        double s = mix_sample(data, position);
        out[0] = mix_add(out[0], s, left);
        out[1] = mix_add(out[1], s, right);
        position = mix_step_once(position, step, backward);
        s = mix_sample(data, position);
        out[2] = mix_add(out[2], s, left);
        out[3] = mix_add(out[3], s, right);
        position = mix_step_once(position, step, backward);
        out += 4;
    }
    if (k < count) {
        const double s = mix_sample(data, position);
        out[0] = mix_add(out[0], s, left);
        out[1] = mix_add(out[1], s, right);
        position = mix_step_once(position, step, backward);
    }
    return position;
}

static uint64_t scalar_ramped(float* out, int32_t count, const int16_t* data, uint64_t position,
                              uint64_t step, bool backward, float* left, float* right,
                              float left_increment, float right_increment) {
    float l = *left, r = *right;
    for (int32_t k = 0; k < count; k++) {
        const double s = mix_sample(data, position);
        out[0] = mix_add(out[0], s, l);
        out[1] = mix_add(out[1], s, r);
        l += left_increment;
        r += right_increment;
        position = mix_step_once(position, step, backward);
        out += 2;
    }
    *left = l;
    *right = r;
    return position;
}

static void scalar_convert(float* source, int16_t* destination, int32_t frames) {
    for (int32_t i = 0; i < frames * 2; i++) {
        // nearbyint follows the default rounding mode: to nearest, ties to even
        const float r = std::nearbyint(source[i]);
        int16_t s;
        if (r >= 32767.0f) s = 32767;
        else if (r <= -32768.0f) s = -32768;
        else if (r == r) s = static_cast<int16_t>(r);
        else s = 0;  // NaN
        destination[i] = s;
        source[i] = 0.0f;
    }
}

const MixKernels mix_reference_kernels = {"reference", scalar_plain, scalar_ramped, mix_ramp_runs<scalar_ramped>,
                                          scalar_convert, false, scalar_plain};
const MixKernels mix_scalar_kernels = {"scalar", scalar_plain, scalar_ramped, mix_ramp_runs<scalar_ramped>,
                                       scalar_convert, true, scalar_plain};

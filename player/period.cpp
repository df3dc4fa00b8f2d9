// Pitch arithmetic: notes to periods in the linear and Amiga tables, and a
// period with its per-tick offset to a playback frequency in Hz.
#include <cmath>
#include <cstdlib>
#include "player/seq.h"

int32_t period_linear(int32_t note, int32_t finetune) {
    return 7680 - 64 * note - finetune / 2;
}

// 1/12 in single precision lies just above 1/12, so whole octaves come out
// exact (P(48) = 1712) instead of a hair below.
static int32_t amiga_base(int32_t k) {
    const double power = std::pow(2.0, static_cast<double>(132 - k) * static_cast<double>(1.0f / 12.0f));
    return static_cast<int32_t>(13.375 * power);
}

int32_t period_amiga(int32_t note, int32_t finetune) {
    const int32_t b = amiga_base(note);
    if (finetune >= 0 || note == 0) return b + ((b - amiga_base(note + 1)) * finetune) / -128;
    return b + ((b - amiga_base(note - 1)) * std::abs(finetune)) / -128;
}

static int32_t linear_frequency(int64_t n) {
    const double f = 8363.0 * std::pow(2.0, static_cast<double>(n) * static_cast<double>(1.0f / 768.0f));
    // Periods far below the table overflow an int32; the mixer gets the largest instead.
    return f >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(f);
}

// The power is the dearest step of a tick, taken for every channel on every
// tick, while a channel's pitch seldom changes from one tick to the next: the
// last frequencies are remembered, per thread, by the exponent's numerator.
struct FrequencyMemo {
    bool known;
    int64_t n;
    int32_t frequency;
};
static thread_local FrequencyMemo frequency_memo[64];

int32_t period_frequency(int32_t period, int32_t offset, bool linear) {
    if (linear) {
        const int64_t n = 4608 - static_cast<int64_t>(period) + offset;
        FrequencyMemo& memo = frequency_memo[n & 63];
        if (!memo.known || memo.n != n) memo = {true, n, linear_frequency(n)};
        return memo.frequency;
    }
    const int64_t sum = static_cast<int64_t>(period) + offset;
    if (sum == 0) return 0;
    return static_cast<int32_t>(14317056 / sum);
}

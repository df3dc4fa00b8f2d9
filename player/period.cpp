// Pitch arithmetic: notes to periods in the linear and Amiga tables, and a
// period with its per-tick offset to a playback frequency in Hz.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include "player/seq.h"

int32_t period_linear(int32_t note, int32_t finetune) {
    return 7680 - 64 * note - finetune / 2;
}

// 1/12 in single precision lies just above 1/12, so whole octaves come out
// exact (P(48) = 1712) instead of a hair below.
static int32_t amiga_power(int32_t k) {
    const double power = std::pow(2.0, static_cast<double>(132 - k) * static_cast<double>(1.0f / 12.0f));
    return static_cast<int32_t>(13.375 * power);
}

// Worked out once per note, as the linear frequencies below; kept plus one,
// so that 0 stands for not yet known.
static std::atomic<int32_t> amiga_table[258];

static int32_t amiga_base(int32_t k) {
    if (k < -1 || k > 256) return amiga_power(k);
    std::atomic<int32_t>& entry = amiga_table[k + 1];
    int32_t b = entry.load(std::memory_order_relaxed) - 1;
    if (b < 0) {
        b = amiga_power(k);
        entry.store(b + 1, std::memory_order_relaxed);
    }
    return b;
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
// tick: each frequency is worked out once, on first use, and kept by the
// exponent's numerator (0 stands for not yet known; no frequency is 0 there).
// The accesses are atomic only so that threads may share the table.
constexpr int64_t TABLE_LOW = -8192, TABLE_HIGH = 16384;
static std::atomic<int32_t> linear_table[TABLE_HIGH - TABLE_LOW];

static int32_t remembered_frequency(int64_t n) {
    if (n < TABLE_LOW || n >= TABLE_HIGH) return linear_frequency(n);
    std::atomic<int32_t>& entry = linear_table[n - TABLE_LOW];
    int32_t f = entry.load(std::memory_order_relaxed);
    if (f == 0) {
        f = linear_frequency(n);
        entry.store(f, std::memory_order_relaxed);
    }
    return f;
}

int32_t period_frequency(int32_t period, int32_t offset, bool linear) {
    if (linear) {
        return remembered_frequency(4608 - static_cast<int64_t>(period) + offset);
    }
    const int64_t sum = static_cast<int64_t>(period) + offset;
    if (sum == 0) return 0;
    return static_cast<int32_t>(14317056 / sum);
}

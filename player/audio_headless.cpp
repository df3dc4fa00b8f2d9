// The headless sound device: plays nothing, but its position moves as a real
// device's would, after the wall clock or after a virtual clock that the
// caller advances (tests, capture to video).
#include <atomic>
#include <chrono>
#include "player/audio_devices.h"

typedef std::chrono::steady_clock Clock;

static int32_t headless_rate = 0;
static std::atomic<bool> headless_playing{false};
static Clock::time_point headless_started;
static std::atomic<bool> virtual_clock{false};
static std::atomic<uint64_t> virtual_us{0};  // virtual time since the hand-over

void mp_headless_use_virtual_clock(bool on) { virtual_clock.store(on); }

void mp_headless_advance_us(uint64_t microseconds) { virtual_us.fetch_add(microseconds); }

static bool mp_headless_open(int32_t rate) {
    if (rate < 1) return false;
    headless_rate = rate;
    headless_playing = false;
    return true;
}

static void mp_headless_play_looped(int16_t*, int32_t) {
    headless_started = Clock::now();
    virtual_us.store(0);
    headless_playing = true;
}

static uint64_t mp_headless_bytes_played() {
    if (!headless_playing) return 0;
    uint64_t us = virtual_us.load();
    if (!virtual_clock.load()) {
        us = static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - headless_started).count());
    }
    // Frames from the whole time, not summed per step, so no rounding drift;
    // 64 bits hold 2^64 / 44100 microseconds, far beyond any run.
    const uint64_t frames = us * static_cast<uint64_t>(headless_rate) / 1000000u;
    return frames * 4;
}

static void mp_headless_release() {}

static void mp_headless_reset_close() { headless_playing = false; }

const AudioDevice mp_headless_device = {
    .open = mp_headless_open,
    .play_looped = mp_headless_play_looped,
    .bytes_played = mp_headless_bytes_played,
    .release = mp_headless_release,
    .reset_close = mp_headless_reset_close,
};

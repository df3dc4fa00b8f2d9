// A sound device for the output tests: plays nothing, counts its calls, and
// reports whatever play position the test sets.
#pragma once
#include <atomic>
#include <cstdint>
#include "player/output_state.h"

inline std::atomic<uint64_t> fake_position{0};  // bytes played, set by the test
inline bool fake_open_result = true;
inline int32_t fake_rate = 0;
inline int fake_opens = 0;
inline int fake_plays = 0;
inline int fake_releases = 0;
inline int fake_resets = 0;

inline bool fake_open(int32_t rate) {
    fake_opens++;
    fake_rate = rate;
    return fake_open_result;
}
inline void fake_play_looped(int16_t*, int32_t) {
    fake_plays++;
    fake_position.store(0);
}
inline uint64_t fake_bytes_played() { return fake_position.load(); }
inline void fake_release() { fake_releases++; }
inline void fake_reset_close() { fake_resets++; }

inline const AudioDevice fake_device = {
    .open = fake_open,
    .play_looped = fake_play_looped,
    .bytes_played = fake_bytes_played,
    .release = fake_release,
    .reset_close = fake_reset_close,
};

// Puts the device in block `block` of pass `pass` round the ring.
inline void fake_move_to(int32_t block, int32_t pass = 0) {
    const uint64_t frame = static_cast<uint64_t>(pass) * output_settings.ring_frames + static_cast<uint64_t>(block) * output_settings.block_frames;
    fake_position.store(frame * 4);
}

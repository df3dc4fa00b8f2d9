// The output settings derived from the sample rate.
#include "player/output_settings.h"

OutputSettings output_settings = {};

constexpr int64_t BUFFER_MS = 1000;

// The products are taken in 64 bits: rate x 128 passes 2^31 from 16.8 MHz on.
static int64_t block_frames_at(int64_t rate) { return (rate * 20 / 1000 + 3) / 4 * 4; }

bool output_rate_usable(int32_t rate) {
    // Below 50 Hz a 20 ms block has no frame: no ring, and a division by its 0 blocks.
    if (block_frames_at(rate) < 1) return false;
    // The device is handed the ring's byte count as a 32-bit number.
    const int64_t ring_bytes = (BUFFER_MS / 20) * block_frames_at(rate) * 2 * 4;
    return ring_bytes <= INT32_MAX;
}

void output_configure(int32_t rate) {
    OutputSettings& s = output_settings;
    s.output_rate = rate;
    s.inverse_rate = 1.0f / static_cast<float>(rate);
    s.block_frames = static_cast<int32_t>(block_frames_at(rate));
    s.ring_frames = static_cast<int32_t>((BUFFER_MS / 20) * block_frames_at(rate) * 2);
    s.ring_blocks = s.ring_frames / s.block_frames;
    s.ramp_frames = static_cast<int32_t>(static_cast<int64_t>(rate) * 128 / 44100);
    if (s.ramp_frames < 1) s.ramp_frames = 1;  // below 345 Hz the ramp would vanish and its scale divide by 0
    s.ramp_scale = 1.0f / static_cast<float>(s.ramp_frames);
}

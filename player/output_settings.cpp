// The output settings derived from the sample rate.
#include "player/output.h"
#include "player/output_state.h"

int32_t output_rate = 0;
int32_t block_frames = 0;
int32_t ring_frames = 0;
int32_t ring_blocks = 0;
float inverse_rate = 0.0f;
int32_t ramp_frames = 0;
float ramp_scale = 0.0f;

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
    output_rate = rate;
    inverse_rate = 1.0f / static_cast<float>(rate);
    block_frames = static_cast<int32_t>(block_frames_at(rate));
    ring_frames = static_cast<int32_t>((BUFFER_MS / 20) * block_frames_at(rate) * 2);
    ring_blocks = ring_frames / block_frames;
    ramp_frames = static_cast<int32_t>(static_cast<int64_t>(rate) * 128 / 44100);
    if (ramp_frames < 1) ramp_frames = 1;  // below 345 Hz the ramp would vanish and its scale divide by 0
    ramp_scale = 1.0f / static_cast<float>(ramp_frames);
}

std::atomic<uint8_t> stop_requested{0};
std::atomic<uint8_t> render_busy{0};
std::atomic<uint8_t> thread_finished{1};  // no thread yet

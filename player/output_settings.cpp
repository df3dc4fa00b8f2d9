// The output settings derived from the sample rate.
#include "player/output.h"

int32_t output_rate = 0;
int32_t block_frames = 0;
int32_t ring_frames = 0;
int32_t ring_blocks = 0;
float inverse_rate = 0.0f;
int32_t ramp_frames = 0;
float ramp_scale = 0.0f;

void output_configure(int32_t rate) {
    const int32_t buffer_ms = 1000;
    output_rate = rate;
    inverse_rate = 1.0f / static_cast<float>(rate);
    block_frames = (rate * 20 / 1000 + 3) / 4 * 4;
    ring_frames = (buffer_ms / 20) * block_frames * 2;
    ring_blocks = ring_frames / block_frames;
    ramp_frames = rate * 128 / 44100;
    if (ramp_frames < 1) ramp_frames = 1;  // below 345 Hz the ramp would vanish and its scale divide by 0
    ramp_scale = 1.0f / static_cast<float>(ramp_frames);
}

std::atomic<uint8_t> stop_requested{0};
std::atomic<uint8_t> render_busy{0};
std::atomic<uint8_t> thread_finished{1};  // no thread yet

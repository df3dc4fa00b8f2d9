// The output settings, worked out from the rate when the output is opened:
// the part of the output state that the mixer and the sequencer read, kept
// below them so that neither reaches up into the output.
#pragma once
#include <cstdint>

struct OutputSettings {
    int32_t output_rate;   // Hz
    int32_t block_frames;  // frames per 20 ms block, a multiple of 4
    int32_t ring_frames;   // frames of the looping output ring
    int32_t ring_blocks;   // blocks in the ring
    float inverse_rate;    // 1 / output_rate
    int32_t ramp_frames;   // the mixer's volume-ramp length
    float ramp_scale;      // 1 / ramp_frames
};
extern OutputSettings output_settings;

// True for a rate the output can run at: at least 50 Hz (one frame to a
// 20 ms block), and a ring whose byte count fits the device's 32-bit count.
bool output_rate_usable(int32_t rate);
// Sets every setting from the rate.
void output_configure(int32_t rate);

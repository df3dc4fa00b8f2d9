// Output settings shared by the mixer, the sequencer and the block renderer.
#pragma once
#include <cstdint>

extern int32_t output_rate;    // Hz
extern int32_t block_frames;   // frames per 20 ms block, a multiple of 4
extern int32_t ring_frames;    // frames of the looping output ring
extern int32_t ring_blocks;    // blocks in the ring
extern float inverse_rate;     // 1 / output_rate
extern int32_t ramp_frames;    // the mixer's volume-ramp length
extern float ramp_scale;       // 1 / ramp_frames

// Sets every value above from the rate.
void output_configure(int32_t rate);

#include <atomic>
// The stop handshake between the controlling thread and the render thread.
extern std::atomic<uint8_t> stop_requested;
extern std::atomic<uint8_t> render_busy;
extern std::atomic<uint8_t> thread_finished;

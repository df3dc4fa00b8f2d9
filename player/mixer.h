// The software mixer: the voice table and the mixing of voices 0..31 into a
// float stereo span.
#pragma once
#include <cstdint>
#include "player/module.h"

struct Voice {
    int32_t index;
    int32_t volume;             // 0..255 scale (the sequencer gives 0..127)
    int32_t frequency;          // Hz, informational
    int32_t panning;            // 0 left .. 255 right
    uint32_t start_offset;      // frame at which the next trigger starts
    Sample* sample;             // null: silent
    uint8_t left_volume;        // target volumes
    uint8_t right_volume;
    uint32_t position;          // 32.32 play position
    uint32_t position_fraction;
    uint32_t step_fraction;     // 32.32 step per output frame
    uint32_t step;
    int32_t direction;          // DIRECTION_FORWARD or DIRECTION_BACKWARD
    uint8_t ramp_left_target;
    uint8_t ramp_right_target;
    uint8_t current_left_volume;
    uint8_t current_right_volume;
    float ramp_left_increment;
    float ramp_right_increment;
    int32_t ramp_frames_left;
};

// Voice::direction; only a ping-pong loop plays backward.
enum : int32_t { DIRECTION_FORWARD = 1, DIRECTION_BACKWARD = 2 };

constexpr int VOICE_COUNT = 256;
constexpr int MIXED_VOICES = 32;
extern Voice voices[VOICE_COUNT];

// The frames of data to allocate for a sample: its own, a short forward
// loop's copies (see mix_copy_loop) and 8 more, which the mixer may read
// beyond the last frame it plays.
uint64_t mix_data_frames(const Sample* sample);
// Repeats a short forward loop after its end in the sample's data, once the
// data and the guard frame are in place, and records how far in
// loop_copies_end: the mixer then plays through several turns of the loop
// at once instead of stopping at each end.
void mix_copy_loop(Sample* sample);

// Adds voices 0..31 into `span` (n frames of left, right floats); `clear`
// tells that the span holds +0.0 floats only, which the first voice then
// need not read.
void mix_voices(float* span, int32_t n, bool clear = false);
bool stop_voice(int32_t voice);

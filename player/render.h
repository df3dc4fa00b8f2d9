// Offline rendering: a module played through the block renderer into a
// caller's buffer, with no sound device and no thread (tests and tools).
#pragma once
#include <cstdint>
#include "player/output_state.h"

// Called once per rendered block with the block's position-log entry.
typedef void (*RenderBlockFn)(const PositionLogEntry& entry, void* user);

// Configures the output for `rate` and starts `module` at its beginning;
// false for null, a rate the output cannot run at, or no memory. Playback stops with mp_stop.
bool render_begin(Module* module, int32_t rate);
// Renders `frames` stereo frames (left, right) into `out`; a block only partly
// used is kept for the next call. Returns the frames written (0 when nothing plays).
int32_t render_frames(int16_t* out, int32_t frames, RenderBlockFn on_block, void* user);

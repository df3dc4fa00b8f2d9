// The sound-device backends behind the AudioDevice table, and the headless
// device's clock controls for tests and capture. Player-internal.
#pragma once
#include <cstdint>
#include "player/output_state.h"

#ifdef BSA_HAVE_SDL
extern const AudioDevice mp_sdl_device;  // SDL2 audio, S16 stereo
#endif
extern const AudioDevice mp_headless_device;  // no sound, position from a clock

// The headless position follows real time unless the virtual clock is chosen;
// the virtual clock stands still until the caller advances it.
void mp_headless_use_virtual_clock(bool on);
void mp_headless_advance_us(uint64_t microseconds);

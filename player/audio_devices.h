// The sound-device backends behind the AudioDevice table, their choice, and
// the headless device's clock controls for tests and capture. Internal to player_devices.
#pragma once
#include <cstdint>
#include "player/output_state.h"

#ifdef _WIN32
extern const AudioDevice mp_waveout_device;  // waveOut on the wave mapper
#endif
#ifdef BSA_HAVE_SDL
extern const AudioDevice mp_sdl_device;  // SDL2 audio, S16 stereo
#endif
extern const AudioDevice mp_headless_device;  // no sound, position from a clock

// Opens output_state.audio_device at the rate; when no device was installed by
// the caller, chooses one first (see audio_select.cpp). False when it cannot be opened.
bool audio_open_device(int32_t rate);
// Resets and closes the device; forgets it when it was chosen by the open.
void audio_close_device();

// The headless position follows real time unless the virtual clock is chosen;
// the virtual clock stands still until the caller advances it.
void mp_headless_use_virtual_clock(bool on);
void mp_headless_advance_us(uint64_t microseconds);

// Which sound device the output opens when the caller installed none:
// BSA_AUDIO=headless forces the silent clock-driven device; otherwise SDL
// audio, and the silent device when no sound can be had at all.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "player/audio_devices.h"

static const AudioDevice* chosen_device = nullptr;  // audio_device as chosen here last time

bool audio_open_device(int32_t rate) {
    // A device put in place by the caller (a test's fake) is used as it is.
    if (audio_device && audio_device != chosen_device) return audio_device->open(rate);
    const char* choice = std::getenv("BSA_AUDIO");
    const bool silent = choice && std::strcmp(choice, "headless") == 0;
#ifdef BSA_HAVE_SDL
    if (!silent) {
        chosen_device = audio_device = &mp_sdl_device;
        if (mp_sdl_device.open(rate)) return true;
    }
#endif
    // The picture follows the music's clock, so the demo still runs in time.
    if (!silent) std::fprintf(stderr, "no audio device: playing silently\n");
    chosen_device = audio_device = &mp_headless_device;
    return mp_headless_device.open(rate);
}

// Which sound device the output opens when the caller installed none:
// BSA_AUDIO=headless forces the silent device on real time, BSA_AUDIO=virtual
// the silent device on its virtual clock (the music stands still unless the
// program advances it); otherwise SDL audio, and silence when there is none.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "player/audio_devices.h"

static const AudioDevice* chosen_device = nullptr;  // audio_device when chosen here, until closed

bool audio_open_device(int32_t rate) {
    // A device put in place by the caller (a test's fake) is used as it is.
    if (audio_device && audio_device != chosen_device) return audio_device->open(rate);
    const char* choice = std::getenv("BSA_AUDIO");
    const bool still = choice && std::strcmp(choice, "virtual") == 0;
    const bool silent = still || (choice && std::strcmp(choice, "headless") == 0);
#ifdef BSA_HAVE_SDL
    if (!silent) {
        chosen_device = audio_device = &mp_sdl_device;
        if (mp_sdl_device.open(rate)) return true;
    }
#endif
    // The picture follows the music's clock, so the demo still runs in time.
    if (!silent) std::fprintf(stderr, "no audio device: playing silently\n");
    chosen_device = audio_device = &mp_headless_device;
    mp_headless_use_virtual_clock(still);
    return mp_headless_device.open(rate);
}

void audio_close_device() {
    if (!audio_device) return;
    audio_device->reset_close();
    // A device chosen here is chosen anew by the next open; one the caller
    // installed stays.
    if (audio_device == chosen_device) audio_device = nullptr;
    chosen_device = nullptr;
}

// Which sound device the output opens when the caller installed none: the one
// BSA_AUDIO names, else the first of the preference order that opens, else
// silence in time. "headless" is silent on real time; "virtual" is silent on
// a clock that stands still unless the program advances it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "player/audio_devices.h"

struct AudioChoice {
    const char* name;
    const AudioDevice* device;
    bool virtual_clock;
    bool preferred;  // tried, in this order, when BSA_AUDIO names no device
};

static const AudioChoice audio_choices[] = {
#ifdef _WIN32
    {"waveout", &mp_waveout_device, false, true},
#endif
#ifdef BSA_HAVE_SDL
    {"sdl", &mp_sdl_device, false, true},
#endif
    {"headless", &mp_headless_device, false, false},
    {"virtual", &mp_headless_device, true, false},
};

static const AudioDevice* chosen_device = nullptr;  // audio_device when chosen here, until closed

static const AudioChoice* audio_choice_named(const char* name) {
    for (const AudioChoice& c : audio_choices) {
        if (std::strcmp(c.name, name) == 0) return &c;
    }
    return nullptr;
}

static bool audio_try(const AudioChoice& c, int32_t rate) {
    chosen_device = output_state.audio_device = c.device;
    if (c.device == &mp_headless_device) mp_headless_use_virtual_clock(c.virtual_clock);
    return c.device->open(rate);
}

bool audio_open_device(int32_t rate) {
    // A device put in place by the caller (a test's fake) is used as it is.
    const AudioDevice* installed = output_state.audio_device;
    if (installed && installed != chosen_device) return installed->open(rate);
    const char* name = std::getenv("BSA_AUDIO");
    const char* why = "no audio device";
    if (name && *name) {
        const AudioChoice* named = audio_choice_named(name);
        if (named && audio_try(*named, rate)) return true;
        why = named ? "the sound device BSA_AUDIO names cannot be opened" : "BSA_AUDIO names no sound device";
    } else {
        for (const AudioChoice& c : audio_choices) {
            if (c.preferred && audio_try(c, rate)) return true;
        }
    }
    // The picture follows the music's clock, so the demo still runs in time.
    std::fprintf(stderr, "%s: playing silently\n", why);
    return audio_try(*audio_choice_named("headless"), rate);
}

void audio_close_device() {
    const AudioDevice*& device = output_state.audio_device;
    if (!device) return;
    device->reset_close();
    // A device chosen here is chosen anew by the next open; one the caller
    // installed stays.
    if (device == chosen_device) device = nullptr;
    chosen_device = nullptr;
}

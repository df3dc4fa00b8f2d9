// The SDL2 sound device: 16-bit stereo at the output rate, fed by an audio
// callback that copies from the looping ring and counts the bytes it has
// handed to SDL. Only SDL's audio subsystem is started here.
#include <SDL.h>
#include <atomic>
#include <cstring>
#include "platform/quiet_stderr.h"
#include "player/audio_devices.h"

static SDL_AudioDeviceID sdl_device = 0;
// The ring and the read offset belong to the callback; play_looped changes
// them with the device locked.
static const uint8_t* sdl_ring = nullptr;
static uint32_t sdl_ring_bytes = 0;
static uint32_t sdl_offset = 0;
static std::atomic<uint64_t> sdl_bytes_played{0};

static void mp_sdl_callback(void*, Uint8* stream, int length) {
    if (!sdl_ring || sdl_ring_bytes == 0) {
        std::memset(stream, 0, static_cast<size_t>(length));  // nothing handed over yet: silence
        return;
    }
    uint32_t done = 0;
    const uint32_t wanted = static_cast<uint32_t>(length);
    while (done < wanted) {
        uint32_t n = sdl_ring_bytes - sdl_offset;
        if (n > wanted - done) n = wanted - done;
        std::memcpy(stream + done, sdl_ring + sdl_offset, n);
        done += n;
        sdl_offset += n;
        if (sdl_offset == sdl_ring_bytes) sdl_offset = 0;
    }
    sdl_bytes_played.fetch_add(wanted);
}

static void mp_sdl_reset_close() {
    if (!sdl_device) return;
    SDL_CloseAudioDevice(sdl_device);  // waits for a running callback
    sdl_device = 0;
    sdl_ring = nullptr;
    sdl_ring_bytes = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

static bool mp_sdl_open_device(int32_t rate) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;  // about 23 ms at 44100 Hz, well inside the two-second ring
    wanted.callback = mp_sdl_callback;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts, so the ring stays 16-bit stereo at the rate.
    sdl_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (!sdl_device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

static bool mp_sdl_open(int32_t rate) {
    mp_sdl_reset_close();
    // The framework ends the program on SIGINT and SIGTERM; SDL must not take them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const int quiet = quiet_stderr_begin();  // the sound servers' own complaints
    const bool opened = mp_sdl_open_device(rate);
    quiet_stderr_end(quiet);
    return opened;
}

static void mp_sdl_play_looped(int16_t* buffer, int32_t bytes) {
    if (!sdl_device) return;
    SDL_LockAudioDevice(sdl_device);
    sdl_ring = reinterpret_cast<const uint8_t*>(buffer);
    // Whole frames only, so left and right never swap at the loop point.
    sdl_ring_bytes = bytes > 0 ? static_cast<uint32_t>(bytes) / 4 * 4 : 0;
    sdl_offset = 0;
    sdl_bytes_played.store(0);
    SDL_UnlockAudioDevice(sdl_device);
    SDL_PauseAudioDevice(sdl_device, 0);
}

static uint64_t mp_sdl_bytes_played() { return sdl_bytes_played.load(); }

// The device keeps looping the ring, whose contents no longer change, until
// it is reset; there is nothing to let go of before that.
static void mp_sdl_release() {}

const AudioDevice mp_sdl_device = {
    .open = mp_sdl_open,
    .play_looped = mp_sdl_play_looped,
    .bytes_played = mp_sdl_bytes_played,
    .release = mp_sdl_release,
    .reset_close = mp_sdl_reset_close,
};

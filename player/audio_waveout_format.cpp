// The waveOut device's format, loop header and position arithmetic.
#include "player/audio_waveout.h"

WaveOutFormat waveout_format(int32_t rate) {
    const uint32_t r = static_cast<uint32_t>(rate);
    return WaveOutFormat{1, 2, r, r * 4, 4, 16, 0};
}

WaveOutLoop waveout_loop(int32_t bytes) {
    return WaveOutLoop{static_cast<uint32_t>(bytes), WAVEOUT_LOOP_FLAGS, 0xFFFFFFFFu};
}

uint32_t waveout_position_bytes(uint32_t type, uint32_t value) {
    return type == WAVEOUT_TIME_SAMPLES ? value * 4u : value;
}

uint64_t waveout_count(uint64_t counted, uint32_t reported) {
    // The unsigned difference is right across a wrap of the device's count.
    return counted + static_cast<uint32_t>(reported - static_cast<uint32_t>(counted));
}

// What the waveOut sound device hands the system and makes of its answers,
// worked out apart from the system so that the numbers are tested on every
// platform. The values of the constants are the system's own.
#pragma once
#include <cstdint>

constexpr uint32_t WAVEOUT_TIME_SAMPLES = 2;  // a position in sample frames
constexpr uint32_t WAVEOUT_TIME_BYTES = 4;    // a position in bytes
constexpr uint32_t WAVEOUT_LOOP_FLAGS = 0x0C; // the header begins and ends the loop

// The PCM format of the device (WAVEFORMATEX): 16-bit stereo at the rate.
struct WaveOutFormat {
    uint16_t format_tag;  // 1: PCM
    uint16_t channels;
    uint32_t samples_per_sec;
    uint32_t avg_bytes_per_sec;
    uint16_t block_align;
    uint16_t bits_per_sample;
    uint16_t extra_bytes;
};
WaveOutFormat waveout_format(int32_t rate);

// The one header (WAVEHDR) over the whole ring, played in a loop for ever.
struct WaveOutLoop {
    uint32_t length;  // bytes
    uint32_t flags;
    uint32_t loops;
};
WaveOutLoop waveout_loop(int32_t bytes);

// The device's answer to a position query in bytes, modulo 2^32: in bytes as
// asked, or in sample frames of four bytes where a driver prefers those.
uint32_t waveout_position_bytes(uint32_t type, uint32_t value);
// The count of bytes played carried on in 64 bits: the device's own count
// has 32 and wraps after 6.7 hours at 44100 Hz. `counted` is the previous
// result, whose low half was the device's previous answer.
uint64_t waveout_count(uint64_t counted, uint32_t reported);

// The pieces of xm2wav: a module file held in memory behind the player's
// stream callbacks, and a 16-bit stereo WAV writer.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

// Reads the whole file; false when it cannot be read or is over 64 MiB.
bool file_read_all(const char* path, std::vector<uint8_t>* bytes);
// Registers the five stream callbacks; `name` given to mp_load is the byte vector.
void file_stream_register();

struct WavOut {
    std::FILE* file;
    uint64_t data_bytes;
    bool failed;
};
// Opens `path` and writes a header to be completed by wav_close.
bool wav_open(WavOut* wav, const char* path, int32_t rate);
void wav_write(WavOut* wav, const int16_t* frames, int32_t count);
// Fills in the sizes and closes; false when anything could not be written.
bool wav_close(WavOut* wav);

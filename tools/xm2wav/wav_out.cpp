// A WAV file of 16-bit stereo PCM written as it is rendered; the sizes in
// the header are filled in at the end.
#include <cstring>
#include "tools/xm2wav/xm2wav.h"

static void put16(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
}

static void put32(uint8_t* out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out + 2, v >> 16);
}

// The 44-byte header; little-endian whatever the machine.
static void wav_header(uint8_t* h, int32_t rate, uint32_t data_bytes) {
    const uint32_t r = static_cast<uint32_t>(rate);
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + data_bytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);     // format chunk size
    put16(h + 20, 1);      // PCM
    put16(h + 22, 2);      // channels
    put32(h + 24, r);
    put32(h + 28, r * 4);  // bytes per second
    put16(h + 32, 4);      // bytes per frame
    put16(h + 34, 16);     // bits per sample
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, data_bytes);
}

static int32_t wav_rate = 0;

bool wav_open(WavOut* wav, const char* path, int32_t rate) {
    wav->data_bytes = 0;
    wav->failed = false;
    wav->file = std::fopen(path, "wb");
    if (!wav->file) return false;
    wav_rate = rate;
    uint8_t header[44];
    wav_header(header, rate, 0);
    wav->failed = std::fwrite(header, 1, sizeof header, wav->file) != sizeof header;
    return !wav->failed;
}

void wav_write(WavOut* wav, const int16_t* frames, int32_t count) {
    uint8_t bytes[4096 * 4];
    int32_t done = 0;
    while (done < count && !wav->failed) {
        const int32_t n = count - done < 4096 ? count - done : 4096;
        for (int32_t i = 0; i < n * 2; i++) put16(bytes + i * 2, static_cast<uint16_t>(frames[done * 2 + i]));
        wav->failed = std::fwrite(bytes, 4, static_cast<size_t>(n), wav->file) != static_cast<size_t>(n);
        wav->data_bytes += static_cast<uint64_t>(n) * 4;
        done += n;
    }
}

bool wav_close(WavOut* wav) {
    // A RIFF size is 32 bits: the caller keeps renders far below 4 GiB.
    uint8_t header[44];
    wav_header(header, wav_rate, static_cast<uint32_t>(wav->data_bytes));
    bool ok = !wav->failed && std::fseek(wav->file, 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, sizeof header, wav->file) == sizeof header;
    if (std::fclose(wav->file) != 0) ok = false;
    wav->file = nullptr;
    return ok;
}

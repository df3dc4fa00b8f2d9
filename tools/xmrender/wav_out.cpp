// The WAV form of 16-bit stereo PCM: its header, sized before the first
// frame is written, and the frames in little-endian order.
#include <cstring>
#include "tools/xmrender/xmrender.h"

static void put16(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
}

static void put32(uint8_t* out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out + 2, v >> 16);
}

void wav_header(uint8_t* h, int32_t rate, uint32_t frames) {
    const uint32_t r = static_cast<uint32_t>(rate);
    const uint32_t data_bytes = frames * 4;
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

bool wav_write(std::FILE* file, const int16_t* frames, int32_t count) {
    uint8_t bytes[4096 * 4];
    int32_t done = 0;
    while (done < count) {
        const int32_t n = count - done < 4096 ? count - done : 4096;
        for (int32_t i = 0; i < n * 2; i++) put16(bytes + i * 2, static_cast<uint16_t>(frames[done * 2 + i]));
        if (std::fwrite(bytes, 4, static_cast<size_t>(n), file) != static_cast<size_t>(n)) return false;
        done += n;
    }
    return true;
}

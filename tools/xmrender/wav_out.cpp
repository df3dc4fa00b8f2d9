// The WAV form of 16-bit stereo PCM: its header, sized before the first
// frame is written, and the frames in little-endian order.
#include <cstring>
#include "platform/le_bytes.h"
#include "tools/xmrender/xmrender.h"

void wav_header(uint8_t* h, int32_t rate, uint32_t frames) {
    const uint32_t r = static_cast<uint32_t>(rate);
    const uint32_t data_bytes = frames * 4;
    std::memcpy(h, "RIFF", 4);
    le_write32(h + 4, 36 + data_bytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    le_write32(h + 16, 16);     // format chunk size
    le_write16(h + 20, 1);      // PCM
    le_write16(h + 22, 2);      // channels
    le_write32(h + 24, r);
    le_write32(h + 28, r * 4);  // bytes per second
    le_write16(h + 32, 4);      // bytes per frame
    le_write16(h + 34, 16);     // bits per sample
    std::memcpy(h + 36, "data", 4);
    le_write32(h + 40, data_bytes);
}

bool wav_write(std::FILE* file, const int16_t* frames, int32_t count) {
    uint8_t bytes[4096 * 4];
    int32_t done = 0;
    while (done < count) {
        const int32_t n = count - done < 4096 ? count - done : 4096;
        for (int32_t i = 0; i < n * 2; i++) le_write16(bytes + i * 2, static_cast<uint16_t>(frames[done * 2 + i]));
        if (std::fwrite(bytes, 4, static_cast<size_t>(n), file) != static_cast<size_t>(n)) return false;
        done += n;
    }
    return true;
}

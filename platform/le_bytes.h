// Little-endian numbers in bytes, the order of every file the project reads
// and writes (modules, WAV, TGA), whatever the order of the machine.
#pragma once
#include <cstdint>
#include <vector>

inline uint16_t le_read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t le_read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void le_write16(uint8_t* out, uint32_t v) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
}
inline void le_write32(uint8_t* out, uint32_t v) {
    le_write16(out, v & 0xFFFF);
    le_write16(out + 2, v >> 16);
}

// Appended to a growing file image.
inline void le_put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void le_put32(std::vector<uint8_t>& out, uint32_t v) {
    le_put16(out, v & 0xFFFF);
    le_put16(out, v >> 16);
}

// decode_tga: colour-mapped TGA pictures into 32-bit pixels, top row first.
// It reads only inside the bytes it is given, and refuses a picture whose
// header is not the one layout the demo's pictures share.
#include "app/demo.h"
#include "platform/le_bytes.h"

// ID length 0, a 256-entry colour map of 24-bit entries from entry 0, an
// uncompressed colour-mapped image of 8-bit indices at the expected size.
static bool tga_header_fits(const uint8_t* h, int width, int height) {
    return h[0] == 0 && h[1] == 1 && h[2] == 1 && le_read16(h + 3) == 0 && le_read16(h + 5) == 256 && h[7] == 24 &&
           le_read16(h + 12) == width && le_read16(h + 14) == height && h[16] == 8;
}

bool decode_tga(uint32_t* destination, const uint8_t* image, uint32_t image_size, int width, int height) {
    if (!destination || !image || width <= 0 || height <= 0) return false;
    const uint64_t needed = 18 + 768 + static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (image_size < needed || !tga_header_fits(image, width, height)) return false;
    uint32_t colours[256];
    for (int i = 0; i < 256; i++) {
        const uint8_t* entry = image + 18 + 3 * i;  // blue, green, red
        colours[i] = entry[0] | entry[1] << 8 | static_cast<uint32_t>(entry[2]) << 16;
    }
    // The first stored row is the bottom row, whatever the descriptor says.
    const uint8_t* index = image + 18 + 768;
    for (int row = height - 1; row >= 0; row--) {
        uint32_t* out = destination + static_cast<long>(row) * width;
        for (int x = 0; x < width; x++) out[x] = colours[*index++];
    }
    return true;
}

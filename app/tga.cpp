// decode_tga: colour-mapped TGA pictures into 32-bit pixels, top row first.
#include "app/demo.h"

void decode_tga(uint32_t* destination, const uint8_t* image, int width, int height) {
    if (width <= 0 || height <= 0) return;
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
}

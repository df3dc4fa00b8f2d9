// The goat and the sheep: a body copied with a transparent key colour, and
// for mouth frames 1 and 2 a mouth block that replaces the head region.
#include "app/demo.h"

namespace {

struct AnimalLayout {
    int body_x, body_y;     // body source in the sheet, 90 x 90
    int mouth_x, mouth_y;   // mouth picture 1 in the sheet; picture 2 lies 43 to the right
    int block_x;            // mouth block's column relative to the body's left edge
};

const AnimalLayout goat_layout = {25, 80, 1, 10, 46};
const AnimalLayout sheep_layout = {140, 80, 130, 10, 1};

constexpr int body_size = 90;
constexpr int mouth_width = 41;
constexpr int mouth_height = 57;

void draw_animal(const AnimalLayout& layout, int x, int y, int frame, uint32_t* pixels) {
    // The key is whatever the sheet's top-left pixel holds, read on every call.
    const uint32_t key_colour = sprite_sheet[0];
    for (int row = 0; row < body_size; row++) {
        const uint32_t* source = sprite_sheet + (layout.body_y + row) * SCREEN_WIDTH + layout.body_x;
        uint32_t* target = pixels + (y + row) * SCREEN_WIDTH + x;
        for (int column = 0; column < body_size; column++)
            if (source[column] != key_colour) target[column] = source[column];
    }
    if (frame <= 0) return;
    // The whole block is rewritten: transparent mouth pixels show the
    // background, so nothing of the body's own head stays behind.
    const int mouth_x = layout.mouth_x + 43 * (frame - 1);
    const int block_x = x + layout.block_x;
    for (int row = 0; row < mouth_height; row++) {
        const uint32_t* source = sprite_sheet + (layout.mouth_y + row) * SCREEN_WIDTH + mouth_x;
        const int offset = (y + row) * SCREEN_WIDTH + block_x;
        for (int column = 0; column < mouth_width; column++) {
            uint32_t pixel = source[column];
            if (pixel == key_colour) pixel = background[offset + column];
            pixels[offset + column] = pixel;
        }
    }
}

}  // namespace

void draw_goat(int x, int y, int frame, uint32_t* pixels) { draw_animal(goat_layout, x, y, frame, pixels); }

void draw_sheep(int x, int y, int frame, uint32_t* pixels) { draw_animal(sheep_layout, x, y, frame, pixels); }

// The bitmap font: 56 cells of 13 x 11 in font_strip, drawn white with a
// black shadow one pixel right and down.
#include <cstring>
#include "app/demo.h"

// One character per cell; "S", "X" and "C" stand for glyphs without a
// character of their own (smiley, three dots, the copyright sign).
const char font_charset[] = "abcdefghijklmnopqrstuvwxyz,.\"!0123456789()?S:;+-XXCX&' @";

static const uint32_t font_key = 0x00008080;
static const uint32_t ink_white = 0x00FFFFFF;
static const uint32_t shadow_black = 0x00000000;
static const int cell_width = 13;

int glyph_index(char c) {
    const int length = static_cast<int>(sizeof(font_charset) - 1);
    for (int i = 0; i < length; i++)
        if (font_charset[i] == c) return i;
    return length - 2;  // the space's cell
}

void draw_glyph(int x, int first_column, int width, int y, int cell, uint32_t* pixels) {
    for (int r = 0; r < FONT_HEIGHT; r++) {
        const uint32_t* source = font_strip + r * FONT_WIDTH + cell_width * cell + first_column;
        for (int j = 0; j < width; j++) {
            if (source[j] == font_key) continue;
            // Only the shadow is clipped, and only at the right edge, where it
            // would otherwise wrap onto the next row.
            if (x + j + 1 < SCREEN_WIDTH) pixels[(y + r + 1) * SCREEN_WIDTH + x + j + 1] = shadow_black;
            pixels[(y + r) * SCREEN_WIDTH + x + j] = ink_white;
        }
    }
}

void draw_text(int x, int y, const char* text, uint32_t* pixels) {
    for (; *text; text++, x += cell_width) draw_glyph(x, 0, cell_width, y, glyph_index(*text), pixels);
}

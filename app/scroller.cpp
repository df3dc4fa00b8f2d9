// The sine scroller: the scroll text moves left one pixel per 8 ms of music
// on a standing sine wave, and reports the end once it has passed.
#include <cmath>
#include "app/demo.h"
#include "assets/assets.h"

const char* scroll_text = reinterpret_cast<const char*>(asset_scroll_text);
int scroll_length = 0;
int scroll_pos = 0;
int scroll_offset = 0;
int scroll_last_time = 0;
bool scroll_started = false;
bool quit_requested = false;
bool keep_running = false;

static const int cell_width = 13;

void update_scroller(uint32_t* pixels, int t) {
    if (!scroll_started) {
        scroll_started = true;
        scroll_last_time = t;
    }
    draw_scroller(scroll_pos, scroll_offset, pixels);

    // A step backwards or of more than 100 ms moves nothing; the remainder
    // of the division is dropped every frame, not carried.
    int elapsed = 0;
    if (scroll_last_time <= t && t - scroll_last_time <= 100) elapsed = t - scroll_last_time;
    scroll_offset += elapsed / 8;
    // Exactly 13 stays: it draws an empty first cell, which looks the same
    // as the next position at offset 0.
    if (scroll_offset > cell_width) {
        scroll_pos += scroll_offset / cell_width;
        scroll_offset %= cell_width;
    }
    if (scroll_pos > scroll_length) quit_requested = true;
    scroll_last_time = t;
}

void draw_scroller(int pos, int offset, uint32_t* pixels) {
    int x = 0;
    int first = offset;
    do {
        const int i = pos % scroll_length;
        const char ch = scroll_text[i];
        pos = i + 1;
        // The wave stands still: a cell's height depends only on its column.
        const int v = static_cast<int>(std::sin((x - first) * 0.05) * 15.0);
        int width = cell_width - first;
        if (x + width >= SCREEN_WIDTH) width = SCREEN_WIDTH - x;
        draw_glyph(x, first, width, v + 30, glyph_index(ch), pixels);
        first = 0;
        x += width;
    } while (x < SCREEN_WIDTH);
}

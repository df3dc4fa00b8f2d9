// Test pictures for the drawing code: the globals point at buffers the test
// owns, and the scroller starts from its initial state.
#pragma once
#include <vector>
#include "app/demo.h"

struct ScenePictures {
    std::vector<uint32_t> back = std::vector<uint32_t>(SCREEN_WIDTH * SCREEN_HEIGHT);
    std::vector<uint32_t> sheet = std::vector<uint32_t>(SCREEN_WIDTH * SCREEN_HEIGHT);
    std::vector<uint32_t> font = std::vector<uint32_t>(FONT_WIDTH * FONT_HEIGHT, 0x00008080);
    std::vector<uint32_t> frame = std::vector<uint32_t>(SCREEN_WIDTH * SCREEN_HEIGHT);

    ScenePictures() {
        background = back.data();
        sprite_sheet = sheet.data();
        font_strip = font.data();
        scroll_pos = scroll_offset = scroll_last_time = 0;
        scroll_started = quit_requested = false;
    }
    ~ScenePictures() { background = sprite_sheet = font_strip = nullptr; }

    uint32_t& at(int x, int y) { return frame[y * SCREEN_WIDTH + x]; }
    // Ink in one font cell at (column, row) of the cell.
    void ink(int cell, int column, int row) { font[row * FONT_WIDTH + cell * 13 + column] = 0; }
};

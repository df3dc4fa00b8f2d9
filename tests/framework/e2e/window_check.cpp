// A stand-in for the demo's start-up and frame loop, for the end-to-end check
// under a virtual X server: the same framework calls, a still test picture
// whose every row and column differ, so a flipped or shifted image shows.
#include <cstdint>
#include "framework/fw.h"

static uint32_t icon_pixels[32 * 32];
static const FwIcon icon = {32, 32, icon_pixels, nullptr};

static void draw_picture(uint32_t* pixels) {
    for (int32_t y = 0; y < 240; y++) {
        for (int32_t x = 0; x < 320; x++) {
            const uint32_t r = static_cast<uint32_t>(y);                 // rows 0..239
            const uint32_t g = static_cast<uint32_t>(x * 255 / 319);
            const uint32_t b = static_cast<uint32_t>(((x / 16) ^ (y / 16)) & 1 ? 0xF0 : 0x30);
            pixels[y * 320 + x] = (r << 16) | (g << 8) | b;
        }
    }
}

int main() {
    for (int32_t i = 0; i < 32 * 32; i++) icon_pixels[i] = 0x00C08040;
    fw_icon = &icon;
    fw_init("*", nullptr, 0);
    fw_caption = "Bramzeil Strikes Air";
    fw_open_screen(320, 240);
    fw_set_height(240);
    for (;;) {
        draw_picture(fw_frame.pixels);
        fw_show_frame(fw_frame.pixels);
    }
}

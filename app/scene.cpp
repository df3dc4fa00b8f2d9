// The decoded pictures and the composition of one frame from the music
// time and row.
#include <cstdlib>
#include <cstring>
#include "app/demo.h"
#include "assets/assets.h"

uint32_t* background = nullptr;
uint32_t* sprite_sheet = nullptr;
uint32_t* font_strip = nullptr;

static uint32_t* allocate_pixels(int width, int height) {
    return static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * height, sizeof(uint32_t)));
}

bool decode_pictures() {
    background = allocate_pixels(SCREEN_WIDTH, SCREEN_HEIGHT);
    sprite_sheet = allocate_pixels(SCREEN_WIDTH, SCREEN_HEIGHT);
    font_strip = allocate_pixels(FONT_WIDTH, FONT_HEIGHT);
    if (!background || !sprite_sheet || !font_strip) return false;
    const bool background_decoded =
        decode_tga(background, asset_background, asset_background_size, SCREEN_WIDTH, SCREEN_HEIGHT);
    const bool sprites_decoded = decode_tga(sprite_sheet, asset_sprites, asset_sprites_size, SCREEN_WIDTH, SCREEN_HEIGHT);
    const bool font_decoded = decode_tga(font_strip, asset_font, asset_font_size, FONT_WIDTH, FONT_HEIGHT);
    return background_decoded && sprites_decoded && font_decoded;
}

void draw_frame(uint32_t* pixels, int t, int r) {
    std::memcpy(pixels, background, sizeof(uint32_t) * SCREEN_WIDTH * SCREEN_HEIGHT);
    draw_goat(goat_x(t), 130, goat_mouth_frame(r), pixels);
    draw_sheep(sheep_x(t), 130, sheep_mouth_frame(r), pixels);
    update_scroller(pixels, t);
    draw_credits(pixels, t);
}

bool command_line_keeps_running(const char* command_line) {
    return command_line && std::strstr(command_line, "/c") != nullptr;
}

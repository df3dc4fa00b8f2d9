// The program's content, embedded at build time from the files in assets/.
// Each array is exactly the committed file; the text ones carry a trailing NUL.
#pragma once
#include <cstdint>

extern const uint8_t asset_background[];   // 320 x 240 colour-mapped TGA
extern const uint32_t asset_background_size;
extern const uint8_t asset_sprites[];      // 320 x 240 colour-mapped TGA
extern const uint32_t asset_sprites_size;
extern const uint8_t asset_font[];         // 728 x 11 colour-mapped TGA
extern const uint32_t asset_font_size;
extern const uint8_t asset_icon[];         // 32 x 32 colour-mapped TGA, the window icon
extern const uint32_t asset_icon_size;
extern const uint8_t asset_module[];       // the music, an XM module
extern const uint32_t asset_module_size;
extern const uint8_t asset_scroll_text[];  // NUL-terminated
extern const uint32_t asset_scroll_text_size;

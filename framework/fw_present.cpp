// Presentation of one frame: upside down into the windowed back-end's
// bottom-up image, or row by row into the locked full-screen back buffer,
// packed to 16 bits where the display mode has 16.
#include <algorithm>
#include <cstring>
#include "framework/fw_internal.h"

void fw_present(const uint32_t* image) {
    if (fw_display.mode == DisplayMode::Windowed) {
        fw_present_window(image);
    } else {
        fw_present_full_screen(image);
    }
    fw_dump_frame(image, fw_display.width, fw_display.height);
}

void fw_present_window(const uint32_t* image) {
    const DisplayState& d = fw_display;
    if (!d.dib_bits) return;
    const uint8_t* source = reinterpret_cast<const uint8_t*>(image);
    for (int32_t i = 0; i < d.height; i++) {
        std::memcpy(d.dib_bits + static_cast<size_t>(d.height - 1 - i) * d.pitch,
                    source + static_cast<size_t>(i) * d.pitch, static_cast<size_t>(d.pitch));
    }
    fw_os()->draw_image(d.window, d.dib_bits, d.dib_header.width, d.dib_header.height, d.dib_header.bit_count,
                        d.client_width, d.client_height);
}

static void fw_pack_row(uint16_t* target, const uint32_t* source, int32_t count, bool green6) {
    if (green6) {
        for (int32_t x = 0; x < count; x++) target[x] = fw_pack_565(source[x]);
    } else {
        for (int32_t x = 0; x < count; x++) target[x] = fw_pack_555(source[x]);
    }
}

void fw_present_full_screen(const uint32_t* image) {
    const DisplayState& d = fw_display;
    fw_os()->restore_surfaces();
    FwSurface s = {};
    if (!fw_os()->lock_back_buffer(&s)) return;  // the frame is dropped
    // The mode has the frame's size; the clamps only keep a smaller surface safe.
    const int32_t first = std::max(0, (s.height - d.height) / 2);
    const int32_t rows = std::min(d.height, s.height - first);
    const int32_t row_pixels = d.pitch / 4;
    const int32_t columns = std::min(row_pixels, s.width);
    const bool green6 = (s.green_mask >> 5) == 63;
    for (int32_t i = 0; i < rows; i++) {
        uint8_t* target = s.pixels + static_cast<size_t>(first + i) * s.pitch;
        const uint32_t* source = image + static_cast<size_t>(i) * row_pixels;
        if (s.bits == 32) {
            std::memcpy(target, source, static_cast<size_t>(columns) * 4);
        } else if (s.bits == 16) {
            fw_pack_row(reinterpret_cast<uint16_t*>(target), source, columns, green6);
        }
    }
    fw_os()->unlock_and_flip();
}

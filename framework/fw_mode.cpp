// Display modes and the switching between window and full screen: the search
// for a mode of exactly the frame's size, entering and leaving either state,
// and the fall-back to a fresh window when full screen cannot be had.
#include <cstdlib>
#include <cstring>
#include "framework/fw_internal.h"

DisplayState fw_display = {};

static void fw_mode_callback(const FwModeInfo* mode) {
    DisplayState& d = fw_display;
    if (mode->bits != d.mode_depth || mode->width != d.width || mode->height != d.height) return;
    const uint32_t area = static_cast<uint32_t>(mode->width) * static_cast<uint32_t>(mode->height);
    if (area < d.best_area) {
        d.best_area = area;
        d.mode_width = mode->width;
        d.mode_height = mode->height;
    }
    d.full_screen_available = 1;
}

void fw_find_display_mode() {
    DisplayState& d = fw_display;
    d.best_area = 0x7FFFFFFF;
    d.mode_depth = d.depth == 32 ? 32 : 16;
    fw_os()->enum_modes(d.width, d.height, fw_mode_callback);
    if (d.depth == 32 && d.best_area == 0x7FFFFFFF) {
        d.mode_depth = 16;
        fw_os()->enum_modes(d.width, d.height, fw_mode_callback);
    }
}

FwDibHeader fw_dib_header(int32_t width, int32_t height, int32_t depth) {
    FwDibHeader h = {};
    h.size = sizeof(FwDibHeader);
    h.width = width;
    h.height = height;  // positive: bottom-up, the only layout DrawDib draws
    h.planes = 1;
    h.bit_count = static_cast<uint16_t>(depth);
    h.x_pels_per_meter = 1;
    h.y_pels_per_meter = 1;
    return h;
}

// The backend's image memory stays with the backend, which keeps it to the end.
void fw_release_dib() {
    DisplayState& d = fw_display;
    if (d.dib_is_own) std::free(d.dib_bits);
    d.dib_bits = nullptr;
    d.dib_is_own = 0;
}

void fw_create_dib() {
    DisplayState& d = fw_display;
    fw_release_dib();
    d.dib_header = fw_dib_header(d.width, d.height, d.depth);
    const int64_t bytes = static_cast<int64_t>(d.pitch) * d.height;
    if (bytes > 0 && fw_os()->create_image) {
        d.dib_bits = static_cast<uint8_t*>(fw_os()->create_image(d.window, d.width, d.height, d.depth));
    }
    if (bytes > 0 && !d.dib_bits) {
        d.dib_bits = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
        d.dib_is_own = d.dib_bits != nullptr;
    }
    d.client_width = fw_client_size(d.width);
    d.client_height = fw_client_size(d.height);
}

bool fw_set_mode(int32_t width, int32_t height, int32_t depth) {
    DisplayState& d = fw_display;
    d.want_full_screen = fw_windowed == 0 ? 1 : 0;
    if (width == d.width && height == d.height && depth == d.depth) return false;
    d.width = width;
    d.height = height;
    d.depth = depth;
    d.pitch = width * depth / 8;
    fw_leave_mode();
    fw_find_display_mode();
    if (!d.full_screen_available) {
        d.want_full_screen = 0;
        d.mode = DisplayMode::Windowed;
    }
    fw_create_dib();
    fw_enter_mode();
    fw_switch_mode(d.want_full_screen != 0);
    return true;
}

bool fw_enter_full_screen() {
    DisplayState& d = fw_display;
    fw_os()->set_style(d.window, true);
    fw_os()->show_cursor(false);
    return fw_os()->enter_full_screen(d.window, d.mode_width, d.mode_height, d.mode_depth);
}

void fw_leave_full_screen() {
    fw_os()->leave_full_screen(fw_display.window);
    fw_os()->set_style(fw_display.window, false);
    fw_centre_window();
}

// Full screen failed: give up the wish and go on in the window, back in its
// windowed style and place, with a black frame. The window is kept rather
// than replaced: a new one would lose the keys queued for the old, and the
// release of a key still held on it, which the window system then repeats
// for ever into whatever window has the keyboard.
static void fw_fall_back() {
    DisplayState& d = fw_display;
    fw_windowed = 1;
    d.want_full_screen = 0;
    d.mode = DisplayMode::Windowed;
    fw_os()->leave_full_screen(d.window);
    fw_os()->set_style(d.window, false);
    fw_centre_window();
    if (fw_frame.base) std::memset(fw_frame.base, 0, static_cast<size_t>(fw_frame.width) * fw_frame.full_height * 4);
}

void fw_enter_mode() {
    if (fw_display.mode == DisplayMode::Windowed) {
        fw_centre_window();
    } else if (!fw_enter_full_screen()) {
        fw_fall_back();
    }
}

void fw_leave_mode() {
    if (fw_display.mode == DisplayMode::FullScreen) fw_leave_full_screen();
}

void fw_switch_mode(bool full_screen) {
    const bool now_full = fw_display.mode == DisplayMode::FullScreen;
    if (full_screen == now_full) return;
    fw_leave_mode();
    fw_display.mode = full_screen ? DisplayMode::FullScreen : DisplayMode::Windowed;
    fw_enter_mode();
}

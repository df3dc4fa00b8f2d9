// The frame buffer and its window: opening the screen, narrowing the visible
// band, and handing each frame to the back-end of the current display mode.
#include <cstdlib>
#include <cstring>
#include "framework/fw_internal.h"

FrameBuffer fw_frame = {};
const char* fw_caption = nullptr;
const FwIcon* fw_icon = nullptr;
uint8_t fw_windowed = 0;

void* fw_alloc(int32_t bytes) {
    if (bytes <= 0) return nullptr;
    return std::calloc(static_cast<size_t>(bytes), 1);
}

int32_t fw_free(void* pointer) {
    std::free(pointer);
    return 0;
}

void fw_clear(uint32_t* p, uint32_t value) {
    for (int32_t i = 0; i < fw_frame.pixel_count; i++) p[i] = value;
}

void fw_centre_window() {
    int32_t screen_width = 0, screen_height = 0;
    fw_os()->screen_size(&screen_width, &screen_height);
    const int32_t x = fw_centre(screen_width, fw_display.client_width);
    const int32_t y = fw_centre(screen_height, fw_display.client_height);
    fw_os()->place_window(fw_display.window, x, y, fw_display.client_width, fw_display.client_height);
}

FwWindow fw_create_window() {
    fw_os()->start();
    fw_chained_proc = fw_default_proc;
    fw_display.client_width = fw_client_size(fw_frame.width);
    fw_display.client_height = fw_client_size(fw_frame.height);
    fw_display.window = fw_os()->create_window(fw_caption ? fw_caption : "", fw_icon, fw_display.client_width,
                                               fw_display.client_height, fw_class_proc);
    fw_centre_window();
    fw_display.mode = DisplayMode::Windowed;
    fw_centre_window();
    return fw_display.window;
}

bool fw_open_screen(int32_t width, int32_t height) {
    // Eight bytes a pixel must fit the allocator's 32-bit size.
    if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > INT32_MAX / 8) return false;
    if (std::strchr(fw_options, 'w')) fw_windowed = 1;
    fw_frame.width = width;
    fw_frame.height = height;
    fw_frame.pixel_count = width * height;
    fw_frame.full_height = height;
    fw_create_window();
    fw_set_chained_proc(fw_input_proc);
    fw_set_mode(width, height, 32);
    if (fw_frame.base) fw_free(fw_frame.base);
    fw_frame.base = fw_frame.pixels = nullptr;
    // Twice the frame: the second half is room nothing reads.
    uint32_t* store = static_cast<uint32_t*>(fw_alloc(width * height * 8));
    if (!store) fw_fatal("out of memory");
    fw_frame.base = fw_frame.pixels = store;
    fw_clear(fw_frame.pixels, 0);
    fw_show_frame(fw_frame.pixels);
    return true;
}

uint32_t* fw_set_height(uint32_t height) {
    // A band taller than the current one would start above the store.
    if (height > static_cast<uint32_t>(fw_frame.height)) return fw_frame.pixels;
    const uint32_t offset = (static_cast<uint32_t>(fw_frame.height) - height) / 2;
    fw_frame.pixels += offset * static_cast<uint32_t>(fw_frame.width);
    fw_frame.height = static_cast<int32_t>(height);
    fw_frame.pixel_count = fw_frame.width * fw_frame.height;
    return fw_frame.pixels;
}

int32_t fw_show_frame(uint32_t* frame) {
    if (frame && fw_frame.base) {
        const int32_t offset = (fw_frame.full_height - fw_frame.height) / 2;
        // A band narrowed more than once sits less deep than the halved total
        // (each step rounds down); counting back from it would start above the store.
        fw_present(frame == fw_frame.pixels ? fw_frame.base : frame - offset * fw_frame.width);
    }
    if (fw_pump()) fw_exit();
    return 0;
}

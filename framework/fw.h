// The display framework's public face: start-up and exit, the frame buffer,
// the window and its presentation. Everything the application may touch.
#pragma once
#include <cstdint>

// One 32-bit pixel is 0x00RRGGBB; rows run top first with a stride of `width`.
struct FrameBuffer {
    uint32_t* pixels;      // first pixel of the visible band
    uint32_t* base;        // first pixel of the pixel store
    int32_t width;         // pixels per row, also the stride
    int32_t height;        // visible rows
    int32_t pixel_count;   // width * height
    int32_t full_height;   // rows of the frame as opened
};

// A small upright 32-bit picture used as the window's icon.
struct FwIcon {
    int32_t width;
    int32_t height;
    const uint32_t* pixels;  // 0x00RRGGBB, rows top first
    void* system_icon;       // the system's own icon where the program carries one (Windows), else null
};

extern FrameBuffer fw_frame;
extern const char* fw_caption;   // window title, read when the window is created
extern const FwIcon* fw_icon;    // null: the window has no icon
extern uint8_t fw_windowed;      // 1 when a window is preferred to full screen

// Keeps `options` (a 'w' in it asks for a window), checks the processor and
// sets the defaults. Ends the process with "mmx required" when MMX is missing.
void fw_init(const char* options, void* instance, int32_t show);
[[noreturn]] void fw_exit();
[[noreturn]] void fw_fatal(const char* text);

bool fw_open_screen(int32_t width, int32_t height);
uint32_t* fw_set_height(uint32_t height);
int32_t fw_show_frame(uint32_t* frame);

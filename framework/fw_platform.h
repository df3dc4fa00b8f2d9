// The display platform seam: one operations table, chosen once at start-up,
// through which the framework reaches a window system. Backends translate;
// every decision (modes, packing, row order, switching) stays above this line.
#pragma once
#include <cstdint>
#include "framework/fw.h"

using FwWindow = void*;
using FwWindowProc = int64_t (*)(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam);

struct FwMessage {
    FwWindow window;
    uint32_t message;
    uint64_t wparam;
    int64_t lparam;
};

// One display mode of the adapter; `bits` counts storage bits (a 15-bit
// colour mode in 16-bit words reports 16, a 24-bit colour in 32-bit words 32).
struct FwModeInfo {
    int32_t width;
    int32_t height;
    int32_t bits;
    int32_t refresh;
};

// The locked back buffer of the full-screen flipping pair.
struct FwSurface {
    uint8_t* pixels;
    int32_t pitch;       // bytes from one row to the next
    int32_t width;
    int32_t height;
    int32_t bits;        // bits per pixel
    uint32_t green_mask; // tells RGB565 from RGB555 in 16-bit modes
};

using FwModeCallback = void (*)(const FwModeInfo* mode);

struct FwPlatform {
    const char* name;
    // Called before each window is created: the backend gets ready to show one.
    void (*start)();
    // A shown top-level window with the given client size, title and icon;
    // `proc` receives the messages sent to it synchronously (WM_DESTROY).
    FwWindow (*create_window)(const char* title, const FwIcon* icon, int32_t client_width,
                              int32_t client_height, FwWindowProc proc);
    void (*screen_size)(int32_t* width, int32_t* height);
    // Puts the client area at (x, y) with the given size, on top, shown.
    void (*place_window)(FwWindow window, int32_t x, int32_t y, int32_t client_width, int32_t client_height);
    void (*set_style)(FwWindow window, bool full_screen);
    // Sends WM_DESTROY to the window's procedure, then releases the window.
    void (*destroy_window)(FwWindow window);
    // Takes the next message off the queue; false when it is empty.
    bool (*peek_message)(FwMessage* message);
    void (*post_quit)();
    // What the window system does with a message nobody handled.
    int64_t (*default_proc)(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam);
    void (*show_cursor)(bool visible);
    void (*enum_modes)(FwModeCallback callback);
    // Exclusive full screen at one mode with a cleared flipping pair; false
    // when the mode cannot be set.
    bool (*enter_full_screen)(FwWindow window, int32_t width, int32_t height, int32_t bits);
    void (*leave_full_screen)(FwWindow window);
    void (*restore_surfaces)();
    bool (*lock_back_buffer)(FwSurface* surface);
    void (*unlock_and_flip)();
    // Draws a bottom-up image stretched to a destination of the given size.
    void (*draw_image)(FwWindow window, const void* bits, int32_t width, int32_t height, int32_t depth,
                       int32_t destination_width, int32_t destination_height);
    void (*message_box)(const char* text, const char* caption);
    void (*exit_process)(int32_t code);
};

extern const FwPlatform fw_headless_platform;
#ifdef BSA_HAVE_SDL
extern const FwPlatform fw_sdl_platform;
bool fw_sdl_available();  // a display can be opened
#endif

// The backend in use: the installed one, else chosen on first use (SDL when
// built and a display opens, headless otherwise or with BSA_DISPLAY=headless).
const FwPlatform* fw_os();
// Installs a backend before start-up (tests install their fake); null lets the
// next fw_os() choose again.
void fw_install_platform(const FwPlatform* platform);
// Ends the process at once with `code`, after flushing output: the exit the
// real backends share.
void fw_quit_process(int32_t code);

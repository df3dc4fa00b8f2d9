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
    const char* name;  // as BSA_DISPLAY names it
    // Connects to the window system once, at start-up; false, with the
    // window system's own reason in *why, when there is no display to use.
    bool (*open)(const char** why);
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
    // Lists the display modes, each once per refresh rate. A backend that
    // scales (see below) lists the frame's width x height among them.
    void (*enum_modes)(int32_t frame_width, int32_t frame_height, FwModeCallback callback);
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
    // Optional, null where there is nothing to do (or the framework's own
    // memory serves). Releases what `start` set up, before the window goes.
    void (*stop)() = nullptr;
    // Puts back the display settings the system keeps, when no window is
    // left whose destruction would end the program first.
    void (*reset_display)() = nullptr;
    // Memory for the windowed image of `draw_image`, kept by the backend
    // until the process ends; null when it cannot be had.
    void* (*create_image)(FwWindow window, int32_t width, int32_t height, int32_t depth) = nullptr;
    // Hands a message taken by peek_message to its window's procedure the
    // window system's way; null: the framework calls its class procedure.
    void (*dispatch_message)(const FwMessage* message) = nullptr;
};

extern const FwPlatform fw_headless_platform;
#ifdef _WIN32
extern const FwPlatform fw_win32_platform;
#endif
#ifdef BSA_HAVE_SDL
extern const FwPlatform fw_sdl_platform;
#endif

// The backend in use: the installed one, else the one BSA_DISPLAY names, else
// the first of the preference order that opens. Without a display the program
// ends through fw_fatal with "cannot open a display: <reason>".
const FwPlatform* fw_os();
// Installs a backend before start-up (tests install their fake); null lets the
// next fw_os() choose again.
void fw_install_platform(const FwPlatform* platform);
// Ends the process at once with `code`, after flushing output: the exit the
// real backends share.
void fw_quit_process(int32_t code);

// ---- scaled full screen ----
// A desktop without a display mode of the frame's size still offers one: the
// backend lists the frame's size as a mode and shows it full screen at the
// desktop's own resolution, scaled by the largest whole factor and centred on
// black. These are the parts every backend that does so shares.

struct FwRect {
    int32_t x, y, width, height;
};

// Lists the frame's size as a 32-bit mode where the desktop has more than 16
// bits per pixel, and as a 16-bit mode always, so the framework's own packing
// serves a 16-bit desktop.
void fw_list_scaled_modes(int32_t width, int32_t height, int32_t desktop_bits, int32_t refresh,
                          FwModeCallback callback);
// Where a width x height frame goes on an output of the given size: scaled by
// the largest whole factor that fits (at least 1) and centred.
FwRect fw_scaled_rect(int32_t width, int32_t height, int32_t output_width, int32_t output_height);

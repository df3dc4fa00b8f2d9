// A scripted display backend for the framework's tests: display-mode lists,
// failing locks, queued messages, and a record of everything presented.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>
#include "framework/fw_internal.h"

// What the fake's exit_process throws, so a test sees the code and nothing after it runs.
struct FakeExit {
    int32_t code;
};

struct FakeMode {
    FwModeInfo info;
    uint32_t green_mask;  // for 16-bit modes: 0x07E0 (RGB565) or 0x03E0 (RGB555)
};

struct FakeWindow {
    int32_t id;
    FwWindowProc proc;
    std::string title;
    const FwIcon* icon;
    int32_t x, y, client_width, client_height;
    bool full_screen_style;
    bool destroyed;
};

struct FakeDisplay {
    // script
    std::vector<FakeMode> modes;
    bool lock_fails;
    int32_t screen_width, screen_height;
    bool has_mmx;
    // A desktop without the frame's mode, where the backend offers it scaled
    // (0 x 0: none); a flip then composes `desktop` as the screen would show it.
    int32_t desktop_width, desktop_height, desktop_bits;
    std::vector<uint32_t> desktop;  // the back buffer's raw pixels, black around
    bool backend_image;                    // the windowed image lives in `image`, not in framework memory
    // state and record
    std::deque<FwMessage> queue;
    std::vector<FakeWindow*> windows;
    std::vector<std::string> calls;        // one word per seam call that changes something
    bool cursor_visible;
    bool full_screen;
    FakeMode current_mode;
    std::vector<uint8_t> back_buffer;      // the locked surface's store
    int32_t back_pitch;
    std::vector<uint8_t> flipped;          // the back buffer as of the last flip
    int32_t flips, restores, locks, draws, enum_calls, dispatches;
    std::vector<uint32_t> drawn;           // the last windowed image, as handed over (bottom-up)
    int32_t drawn_width, drawn_height, drawn_dest_width, drawn_dest_height;
    std::vector<std::string> message_boxes;  // "caption|text"
    std::vector<uint8_t> image;            // the backend's windowed image memory
    const void* drawn_from;                // where the last windowed image was read
};

extern FakeDisplay fake;

// Puts every framework record back to its start and installs the fake.
void fake_reset();
void fake_queue(uint32_t message, uint64_t wparam = 0, int64_t lparam = 0);
FakeWindow* fake_window();  // the framework's current window
int32_t fake_count(const std::string& call);
// Runs f, expecting the process to end; returns the exit code (-1 when it did not end).
template <typename F>
int32_t fake_exit_code(F f) {
    try {
        f();
    } catch (const FakeExit& e) {
        return e.code;
    }
    return -1;
}

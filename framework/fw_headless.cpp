// The headless backend: windows without a display, no full-screen modes, a
// message queue that only the program itself fills. For CI, tests and capture.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include "framework/fw_internal.h"

struct HeadlessWindow {
    FwWindowProc proc;
};

static std::deque<FwMessage> fw_headless_queue;

static bool fw_headless_open(const char**) { return true; }
static void fw_headless_start() {}

static FwWindow fw_headless_create_window(const char*, const FwIcon*, int32_t, int32_t, FwWindowProc proc) {
    return new HeadlessWindow{proc};
}

static void fw_headless_screen_size(int32_t* width, int32_t* height) {
    *width = 640;
    *height = 480;
}

static void fw_headless_place_window(FwWindow, int32_t, int32_t, int32_t, int32_t) {}
static void fw_headless_set_style(FwWindow, bool) {}

static void fw_headless_destroy_window(FwWindow window) {
    HeadlessWindow* w = static_cast<HeadlessWindow*>(window);
    if (!w) return;
    w->proc(window, WM_DESTROY, 0, 0);
    delete w;
}

static bool fw_headless_peek_message(FwMessage* message) {
    if (fw_headless_queue.empty()) return false;
    *message = fw_headless_queue.front();
    fw_headless_queue.pop_front();
    return true;
}

static void fw_headless_post_quit() {
    fw_headless_queue.push_back(FwMessage{nullptr, WM_QUIT, 0, 0});
}

static int64_t fw_headless_default_proc(FwWindow, uint32_t, uint64_t, int64_t) { return 0; }
static void fw_headless_show_cursor(bool) {}
static void fw_headless_enum_modes(int32_t, int32_t, FwModeCallback) {}
static bool fw_headless_enter_full_screen(FwWindow, int32_t, int32_t, int32_t) { return false; }
static void fw_headless_leave_full_screen(FwWindow) {}
static void fw_headless_restore_surfaces() {}
static bool fw_headless_lock_back_buffer(FwSurface*) { return false; }
static void fw_headless_unlock_and_flip() {}
static void fw_headless_draw_image(FwWindow, const void*, int32_t, int32_t, int32_t, int32_t, int32_t) {}

static void fw_headless_message_box(const char* text, const char* caption) {
    std::fprintf(stderr, "%s%s%s\n", caption, *caption ? ": " : "", text);
}

const FwPlatform fw_headless_platform = {
    .name = "headless",
    .open = fw_headless_open,
    .start = fw_headless_start,
    .create_window = fw_headless_create_window,
    .screen_size = fw_headless_screen_size,
    .place_window = fw_headless_place_window,
    .set_style = fw_headless_set_style,
    .destroy_window = fw_headless_destroy_window,
    .peek_message = fw_headless_peek_message,
    .post_quit = fw_headless_post_quit,
    .default_proc = fw_headless_default_proc,
    .show_cursor = fw_headless_show_cursor,
    .enum_modes = fw_headless_enum_modes,
    .enter_full_screen = fw_headless_enter_full_screen,
    .leave_full_screen = fw_headless_leave_full_screen,
    .restore_surfaces = fw_headless_restore_surfaces,
    .lock_back_buffer = fw_headless_lock_back_buffer,
    .unlock_and_flip = fw_headless_unlock_and_flip,
    .draw_image = fw_headless_draw_image,
    .message_box = fw_headless_message_box,
    .exit_process = fw_quit_process,
};

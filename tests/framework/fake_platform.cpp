// The fake display backend: every seam operation scripted or recorded.
#include "fake_platform.h"
#include <algorithm>
#include <cstring>

FakeDisplay fake;

static FakeWindow* fake_of(FwWindow window) { return static_cast<FakeWindow*>(window); }

static void fake_start() { fake.calls.push_back("start"); }

static FwWindow fake_create_window(const char* title, const FwIcon* icon, int32_t width, int32_t height,
                                   FwWindowProc proc) {
    FakeWindow* w = new FakeWindow{static_cast<int32_t>(fake.windows.size()), proc, title, icon, 0, 0, width,
                                   height, false, false};
    fake.windows.push_back(w);
    fake.calls.push_back("create");
    return w;
}

static void fake_screen_size(int32_t* width, int32_t* height) {
    *width = fake.screen_width;
    *height = fake.screen_height;
}

static void fake_place_window(FwWindow window, int32_t x, int32_t y, int32_t width, int32_t height) {
    FakeWindow* w = fake_of(window);
    w->x = x;
    w->y = y;
    w->client_width = width;
    w->client_height = height;
}

static void fake_set_style(FwWindow window, bool full_screen) {
    fake_of(window)->full_screen_style = full_screen;
    fake.calls.push_back(full_screen ? "style full" : "style windowed");
}

static void fake_destroy_window(FwWindow window) {
    FakeWindow* w = fake_of(window);
    fake.calls.push_back("destroy");
    w->destroyed = true;
    w->proc(window, WM_DESTROY, 0, 0);
}

static bool fake_peek_message(FwMessage* message) {
    if (fake.queue.empty()) return false;
    *message = fake.queue.front();
    fake.queue.pop_front();
    return true;
}

static void fake_post_quit() { fake.queue.push_back(FwMessage{nullptr, WM_QUIT, 0, 0}); }

static int64_t fake_default_proc(FwWindow, uint32_t message, uint64_t, int64_t) {
    if (message == WM_SETCURSOR) fake.cursor_visible = true;
    fake.calls.push_back("default");
    return 7;  // recognisable as the default procedure's answer
}

static void fake_show_cursor(bool visible) { fake.cursor_visible = visible; }

// The modes a scaling backend lists on the scripted desktop, beside the scripted ones.
static std::vector<FakeMode> fake_scaled_modes;

static void fake_add_scaled_mode(const FwModeInfo* mode) {
    fake_scaled_modes.push_back(FakeMode{*mode, mode->bits == 16 ? 0x07E0u : 0xFF00u});
}

static std::vector<FakeMode> fake_all_modes() {
    std::vector<FakeMode> all = fake.modes;
    all.insert(all.end(), fake_scaled_modes.begin(), fake_scaled_modes.end());
    return all;
}

static void fake_enum_modes(int32_t frame_width, int32_t frame_height, FwModeCallback callback) {
    fake.enum_calls++;
    fake_scaled_modes.clear();
    if (fake.desktop_width > 0) {
        fw_list_scaled_modes(frame_width, frame_height, fake.desktop_bits, 60, fake_add_scaled_mode);
    }
    for (const FakeMode& m : fake_all_modes()) callback(&m.info);
}

// What a scaling backend's flip puts on the desktop: every desktop pixel
// inside the scaled rectangle takes the back-buffer pixel it covers.
static void fake_compose_desktop() {
    const int32_t width = fake.desktop_width, height = fake.desktop_height;
    const FwModeInfo& m = fake.current_mode.info;
    const FwRect r = fw_scaled_rect(m.width, m.height, width, height);
    const int32_t factor = r.width / m.width;
    fake.desktop.assign(static_cast<size_t>(width) * height, 0);
    for (int32_t y = std::max(0, r.y); y < std::min(height, r.y + r.height); y++) {
        for (int32_t x = std::max(0, r.x); x < std::min(width, r.x + r.width); x++) {
            const uint8_t* p = fake.back_buffer.data() + static_cast<size_t>((y - r.y) / factor) * fake.back_pitch +
                               static_cast<size_t>((x - r.x) / factor) * (m.bits / 8);
            uint32_t v = 0;
            std::memcpy(&v, p, static_cast<size_t>(m.bits / 8));
            fake.desktop[static_cast<size_t>(y) * width + x] = v;
        }
    }
}

static bool fake_enter_full_screen(FwWindow, int32_t width, int32_t height, int32_t bits) {
    fake.calls.push_back("enter " + std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(bits));
    for (const FakeMode& m : fake_all_modes()) {
        if (m.info.width == width && m.info.height == height && m.info.bits == bits) {
            fake.full_screen = true;
            fake.current_mode = m;
            // A pitch wider than the row, so row addressing is really exercised.
            fake.back_pitch = width * bits / 8 + 64;
            fake.back_buffer.assign(static_cast<size_t>(fake.back_pitch) * height, 0xAB);
            return true;
        }
    }
    return false;
}

static void fake_leave_full_screen(FwWindow) {
    fake.calls.push_back("leave");
    fake.full_screen = false;
}

static void fake_restore_surfaces() { fake.restores++; }

static bool fake_lock_back_buffer(FwSurface* s) {
    fake.locks++;
    if (fake.lock_fails || !fake.full_screen) return false;
    const FwModeInfo& m = fake.current_mode.info;
    *s = FwSurface{fake.back_buffer.data(), fake.back_pitch, m.width, m.height, m.bits, fake.current_mode.green_mask};
    return true;
}

static void fake_unlock_and_flip() {
    fake.flips++;
    fake.flipped = fake.back_buffer;
    if (fake.desktop_width > 0) fake_compose_desktop();
}

static void fake_draw_image(FwWindow, const void* bits, int32_t width, int32_t height, int32_t depth,
                            int32_t dest_width, int32_t dest_height) {
    fake.draws++;
    fake.drawn_from = bits;
    if (depth != 32) return;
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    fake.drawn.assign(p, p + static_cast<size_t>(width) * height);
    fake.drawn_width = width;
    fake.drawn_height = height;
    fake.drawn_dest_width = dest_width;
    fake.drawn_dest_height = dest_height;
}

static void fake_message_box(const char* text, const char* caption) {
    fake.message_boxes.push_back(std::string(caption) + "|" + text);
}

// As a window system does it: to the procedure of the message's own window.
static void fake_dispatch_message(const FwMessage* m) {
    fake.dispatches++;
    fake_of(m->window)->proc(m->window, m->message, m->wparam, m->lparam);
}

static void fake_stop() { fake.calls.push_back("stop"); }
static void fake_reset_display() { fake.calls.push_back("reset display"); }

static void* fake_create_image(FwWindow, int32_t width, int32_t height, int32_t depth) {
    if (!fake.backend_image) return nullptr;
    fake.image.assign(static_cast<size_t>(width) * height * depth / 8, 0xCD);
    return fake.image.data();
}

static void fake_exit_process(int32_t code) {
    fake.calls.push_back("exit");
    throw FakeExit{code};
}

static bool fake_open(const char**) { return true; }

static const FwPlatform fake_platform = {
    .name = "fake",
    .open = fake_open,
    .start = fake_start,
    .create_window = fake_create_window,
    .screen_size = fake_screen_size,
    .place_window = fake_place_window,
    .set_style = fake_set_style,
    .destroy_window = fake_destroy_window,
    .peek_message = fake_peek_message,
    .post_quit = fake_post_quit,
    .default_proc = fake_default_proc,
    .show_cursor = fake_show_cursor,
    .enum_modes = fake_enum_modes,
    .enter_full_screen = fake_enter_full_screen,
    .leave_full_screen = fake_leave_full_screen,
    .restore_surfaces = fake_restore_surfaces,
    .lock_back_buffer = fake_lock_back_buffer,
    .unlock_and_flip = fake_unlock_and_flip,
    .draw_image = fake_draw_image,
    .message_box = fake_message_box,
    .exit_process = fake_exit_process,
    .stop = fake_stop,
    .reset_display = fake_reset_display,
    .create_image = fake_create_image,
    .dispatch_message = fake_dispatch_message,
};

static bool fake_has_mmx() { return fake.has_mmx; }

void fake_reset() {
    for (FakeWindow* w : fake.windows) delete w;
    fake = FakeDisplay{};
    fake_scaled_modes.clear();
    fake.screen_width = 1024;
    fake.screen_height = 768;
    fake.has_mmx = true;
    fake.cursor_visible = true;
    std::free(fw_frame.base);
    fw_release_dib();
    fw_frame = FrameBuffer{};
    fw_display = DisplayState{};
    fw_caption = nullptr;
    fw_icon = nullptr;
    fw_windowed = 0;
    fw_options = "";
    fw_mmx = 0;
    fw_restored = 0;
    fw_window_scale = 1;
    fw_chained_proc = fw_default_proc;
    fw_query_mmx = fake_has_mmx;
    fw_install_platform(&fake_platform);
}

void fake_queue(uint32_t message, uint64_t wparam, int64_t lparam) {
    fake.queue.push_back(FwMessage{fw_display.window, message, wparam, lparam});
}

FakeWindow* fake_window() { return static_cast<FakeWindow*>(fw_display.window); }

int32_t fake_count(const std::string& call) {
    int32_t n = 0;
    for (const std::string& c : fake.calls) n += c == call;
    return n;
}

// For the Wine test: what the Win32 backend makes of the system's display
// descriptions. Prints the screen size, the display modes DirectDraw lists
// ("mode WIDTHxHEIGHTxBITS"), and for full screen at 320x240 with 32 and
// with 16 bits the back buffer as locked ("surface WxHxBITS pitch P green
// MASK", or "no full screen at BITS"), then the screen size once more.
#include <cstdio>
#include "framework/fw_platform.h"

static const FwPlatform& os = fw_win32_platform;

static int64_t quiet_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam) {
    return os.default_proc(window, message, wparam, lparam);
}

static void print_screen(const char* what) {
    int32_t width = 0, height = 0;
    os.screen_size(&width, &height);
    std::printf("%s %dx%d\n", what, width, height);
}

static void probe_full_screen(FwWindow window, int32_t bits) {
    FwSurface s = {};
    if (!os.enter_full_screen(window, 320, 240, bits) || !os.lock_back_buffer(&s)) {
        std::printf("no full screen at %d\n", bits);
    } else {
        std::printf("surface %dx%dx%d pitch %d green 0x%x\n", s.width, s.height, s.bits, s.pitch, s.green_mask);
        os.unlock_and_flip();
    }
    os.leave_full_screen(window);
}

int main() {
    os.start();
    FwWindow window = os.create_window("probe", nullptr, 320, 240, quiet_proc);
    print_screen("screen");
    os.enum_modes(320, 240, [](const FwModeInfo* mode) {
        std::printf("mode %dx%dx%d\n", mode->width, mode->height, mode->bits);
    });
    probe_full_screen(window, 32);
    probe_full_screen(window, 16);
    print_screen("screen after");
    os.stop();
    os.destroy_window(window);
    return 0;
}

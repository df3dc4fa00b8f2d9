// For the Wine test: the screen and the display modes the Win32 backend
// finds through DirectDraw, one "WIDTHxHEIGHTxBITS" a line, asked in the
// framework's order: back-ends, window, then the list.
#include <cstdio>
#include "framework/fw_platform.h"

static int64_t quiet_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam) {
    return fw_win32_platform.default_proc(window, message, wparam, lparam);
}

int main() {
    fw_win32_platform.start();
    FwWindow window = fw_win32_platform.create_window("modes", nullptr, 320, 240, quiet_proc);
    int32_t width = 0, height = 0;
    fw_win32_platform.screen_size(&width, &height);
    std::printf("screen %dx%d\n", width, height);
    fw_win32_platform.enum_modes(320, 240, [](const FwModeInfo* mode) {
        std::printf("mode %dx%dx%d\n", mode->width, mode->height, mode->bits);
    });
    fw_win32_platform.stop();
    fw_win32_platform.destroy_window(window);
    return 0;
}

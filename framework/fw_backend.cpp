// Which display backend the framework talks to: the one a test installed,
// else SDL when it was built and a display can be opened, else headless.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "framework/fw_internal.h"

static const FwPlatform* fw_platform = nullptr;

static const FwPlatform* fw_choose_platform() {
    const char* forced = std::getenv("BSA_DISPLAY");
    if (forced && std::strcmp(forced, "headless") == 0) return &fw_headless_platform;
#ifdef BSA_HAVE_SDL
    if (fw_sdl_available()) return &fw_sdl_platform;
#endif
    return &fw_headless_platform;
}

const FwPlatform* fw_os() {
    if (!fw_platform) fw_platform = fw_choose_platform();
    return fw_platform;
}

void fw_install_platform(const FwPlatform* platform) {
    fw_platform = platform;
}

void fw_quit_process(int32_t code) {
    // No atexit handlers or destructors: the render thread may still be running.
    std::fflush(nullptr);
    std::_Exit(code);
}

// Which display backend the framework talks to, chosen in this one place: the
// one a test installed, else the one BSA_DISPLAY names, else the first of the
// preference order that finds a display. The headless backend runs only when
// asked for by name; without a display the program says so and ends.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "framework/fw_internal.h"

struct FwBackendChoice {
    const FwPlatform* platform;
    bool preferred;  // tried, in this order, when BSA_DISPLAY names none
};

static const FwBackendChoice fw_backends[] = {
#ifdef _WIN32
    {&fw_win32_platform, true},
#endif
#ifdef BSA_HAVE_SDL
    {&fw_sdl_platform, true},
#endif
    {&fw_headless_platform, false},
};

static const FwPlatform* fw_platform = nullptr;

static std::string fw_backend_names() {
    std::string names;
    for (const FwBackendChoice& c : fw_backends) names += std::string(names.empty() ? "" : ", ") + c.platform->name;
    return names;
}

// The chosen backend, opened; null with the reason in `why` when none opens.
static const FwPlatform* fw_open_backend(const char* name, std::string& why) {
    why = "this program was built without a display backend";
    bool named = false;
    for (const FwBackendChoice& c : fw_backends) {
        if (name ? std::strcmp(c.platform->name, name) != 0 : !c.preferred) continue;
        named = true;
        const char* reason = "";
        if (c.platform->open(&reason)) return c.platform;
        why = reason && *reason ? reason : "no reason given";
    }
    if (name && !named) why = "BSA_DISPLAY names no display backend (" + fw_backend_names() + ")";
    return nullptr;
}

const FwPlatform* fw_os() {
    if (fw_platform) return fw_platform;
    const char* name = std::getenv("BSA_DISPLAY");
    std::string why;
    fw_platform = fw_open_backend(name && *name ? name : nullptr, why);
    if (!fw_platform) {
        // The headless backend has no display to need: it says so and ends.
        fw_platform = &fw_headless_platform;
        fw_fatal(("cannot open a display: " + why).c_str());
    }
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

int32_t fw_read_window_scale() {
    const char* text = std::getenv("BSA_WINDOW_SCALE");
    if (!text || !*text) return 1;
    char* end = nullptr;
    const long scale = std::strtol(text, &end, 10);
    if (*end != '\0' || scale < 1 || scale > FW_MAX_WINDOW_SCALE) {
        std::fprintf(stderr, "BSA_WINDOW_SCALE=%s is not a whole number from 1 to %d: the window keeps its size\n",
                     text, FW_MAX_WINDOW_SCALE);
        return 1;
    }
    return static_cast<int32_t>(scale);
}

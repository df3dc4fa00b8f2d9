// The SDL2 backend for the Linux desktop: real windows drawn with SDL's
// software renderer, full screen as the desktop's own resolution with the
// frame scaled up (the frame's size is listed as a mode), and SDL events
// translated into the window messages the framework expects.
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>
#include "framework/fw_internal.h"
#include "platform/quiet_stderr.h"

struct SdlWindow {
    SDL_Window* window;
    SDL_Renderer* renderer;
    SDL_Texture* image;        // the windowed frame, bottom-up rows
    int32_t image_width;
    int32_t image_height;
    SDL_Texture* back_buffer;  // the full-screen frame in the mode's own format
    int32_t back_width;
    int32_t back_height;
    int32_t back_bits;
    uint32_t back_green_mask;
    SDL_Rect full_screen;      // the display's bounds, as the window last covered them
    FwWindowProc proc;
};

static std::vector<SdlWindow*> fw_sdl_windows;
static std::deque<FwMessage> fw_sdl_queue;
static SdlWindow* fw_sdl_full_screen = nullptr;  // owner of the locked back buffer

// SDL's video drivers that show something: not its invisible stand-ins,
// which count only when asked for by name (SDL_VIDEODRIVER).
static std::string fw_sdl_visible_drivers() {
    std::string list;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); i++) {
        const char* name = SDL_GetVideoDriver(i);
        if (SDL_strcmp(name, "offscreen") == 0 || SDL_strcmp(name, "dummy") == 0) continue;
        list += (list.empty() ? "" : ",") + std::string(name);
    }
    return list;
}

static bool fw_sdl_open(const char** why) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    // One native window per window of ours, never replaced behind our back.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The framework catches SIGINT and SIGTERM itself, in every backend.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!SDL_getenv("SDL_VIDEODRIVER")) SDL_SetHint(SDL_HINT_VIDEODRIVER, fw_sdl_visible_drivers().c_str());
    const int quiet = quiet_stderr_begin();  // the display libraries' own complaints
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    quiet_stderr_end(quiet);
    if (started && SDL_GetNumVideoDisplays() > 0) return true;
    static std::string reason;
    const char* display = SDL_getenv("DISPLAY");
    reason = std::string(started ? "no screen found" : SDL_GetError()) + " (DISPLAY is " +
             (display && *display ? display : "not set") + ")";
    if (started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    *why = reason.c_str();
    return false;
}

static SdlWindow* fw_sdl_find(Uint32 id) {
    for (SdlWindow* w : fw_sdl_windows) {
        if (SDL_GetWindowID(w->window) == id) return w;
    }
    return nullptr;
}

static void fw_sdl_start() {
    SDL_DisableScreenSaver();
}

static void fw_sdl_set_icon(SDL_Window* window, const FwIcon* icon) {
    if (!icon || !icon->pixels || icon->width <= 0 || icon->height <= 0) return;
    SDL_Surface* surface = SDL_CreateRGBSurfaceFrom(const_cast<uint32_t*>(icon->pixels), icon->width, icon->height,
                                                    32, icon->width * 4, 0xFF0000, 0xFF00, 0xFF, 0);
    if (!surface) return;
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
}

static FwWindow fw_sdl_create_window(const char* title, const FwIcon* icon, int32_t client_width,
                                     int32_t client_height, FwWindowProc proc) {
    SDL_Window* window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          client_width > 0 ? client_width : 1, client_height > 0 ? client_height : 1,
                                          SDL_WINDOW_SHOWN);
    if (!window) {
        std::fprintf(stderr, "cannot create a window: %s\n", SDL_GetError());
        return nullptr;
    }
    fw_sdl_set_icon(window, icon);
    SdlWindow* w = new SdlWindow{};
    w->window = window;
    w->renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    w->proc = proc;
    fw_sdl_windows.push_back(w);
    return w;
}

static void fw_sdl_screen_size(int32_t* width, int32_t* height) {
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) desktop.w = desktop.h = 0;
    *width = desktop.w;
    *height = desktop.h;
}

static void fw_sdl_place_window(FwWindow window, int32_t x, int32_t y, int32_t client_width, int32_t client_height) {
    SdlWindow* w = static_cast<SdlWindow*>(window);
    if (!w || w == fw_sdl_full_screen) return;
    if (client_width > 0 && client_height > 0) SDL_SetWindowSize(w->window, client_width, client_height);
    SDL_SetWindowPosition(w->window, x, y);
    SDL_ShowWindow(w->window);
    SDL_RaiseWindow(w->window);
}

static void fw_sdl_set_style(FwWindow window, bool full_screen) {
    SdlWindow* w = static_cast<SdlWindow*>(window);
    if (w) SDL_SetWindowBordered(w->window, full_screen ? SDL_FALSE : SDL_TRUE);
}

static void fw_sdl_drop_back_buffer(SdlWindow* w) {
    if (w->back_buffer) SDL_DestroyTexture(w->back_buffer);
    w->back_buffer = nullptr;
    if (fw_sdl_full_screen == w) fw_sdl_full_screen = nullptr;
}

static void fw_sdl_destroy_window(FwWindow window) {
    SdlWindow* w = static_cast<SdlWindow*>(window);
    if (!w) return;
    w->proc(window, WM_DESTROY, 0, 0);
    fw_sdl_drop_back_buffer(w);
    if (w->image) SDL_DestroyTexture(w->image);
    if (w->renderer) SDL_DestroyRenderer(w->renderer);
    SDL_DestroyWindow(w->window);
    for (size_t i = 0; i < fw_sdl_windows.size(); i++) {
        if (fw_sdl_windows[i] == w) fw_sdl_windows.erase(fw_sdl_windows.begin() + static_cast<long>(i));
    }
    delete w;
}

static uint64_t fw_sdl_virtual_key(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<uint64_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<uint64_t>(key);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + static_cast<uint64_t>(key - SDLK_F1);
    switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_KP_ENTER: return VK_RETURN;
    default: return 0;
    }
}

static void fw_sdl_queue_message(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam) {
    fw_sdl_queue.push_back(FwMessage{window, message, wparam, lparam});
}

static void fw_sdl_translate_window_event(const SDL_WindowEvent& e) {
    SdlWindow* w = fw_sdl_find(e.windowID);
    if (!w) return;
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
        fw_sdl_queue_message(w, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        // The window system reports a size when it gets round to it, and the
        // framework may have left full screen by the time it reads the report:
        // the full-screen size is never passed on (the framework has no use
        // for it in full screen, and the window has no border to be stretched to it).
        if (e.data1 == w->full_screen.w && e.data2 == w->full_screen.h) break;
        fw_sdl_queue_message(w, WM_SIZE, 0, fw_pack_size(e.data1, e.data2));
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        fw_sdl_queue_message(w, WM_SIZE, 0, fw_pack_size(0, 0));
        break;
    case SDL_WINDOWEVENT_RESTORED: {
        int width = 0, height = 0;
        SDL_GetWindowSize(w->window, &width, &height);
        fw_sdl_queue_message(w, WM_SIZE, 0, fw_pack_size(width, height));
        break;
    }
    case SDL_WINDOWEVENT_ENTER:
        fw_sdl_queue_message(w, WM_SETCURSOR, 0, 0);
        break;
    default:
        break;
    }
}

static void fw_sdl_translate(const SDL_Event& e) {
    switch (e.type) {
    case SDL_WINDOWEVENT:
        fw_sdl_translate_window_event(e.window);
        break;
    case SDL_KEYDOWN: {
        SdlWindow* w = fw_sdl_find(e.key.windowID);
        const uint64_t key = fw_sdl_virtual_key(e.key.keysym.sym);
        if (!key) break;
        if (e.key.keysym.mod & KMOD_ALT) {
            fw_sdl_queue_message(w, WM_SYSKEYDOWN, key, FW_KEY_ALT);
        } else {
            fw_sdl_queue_message(w, WM_KEYDOWN, key, 0);
        }
        break;
    }
    case SDL_MOUSEMOTION:
        fw_sdl_queue_message(fw_sdl_find(e.motion.windowID), WM_SETCURSOR, 0, 0);
        break;
    case SDL_QUIT:
        // The session asks the program to go: a close request.
        fw_sdl_queue_message(fw_sdl_windows.empty() ? nullptr : fw_sdl_windows.back(), WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

static bool fw_sdl_peek_message(FwMessage* message) {
    SDL_Event event;
    while (fw_sdl_queue.empty() && SDL_PollEvent(&event)) fw_sdl_translate(event);
    if (fw_sdl_queue.empty()) return false;
    *message = fw_sdl_queue.front();
    fw_sdl_queue.pop_front();
    return true;
}

static void fw_sdl_post_quit() {
    fw_sdl_queue.push_back(FwMessage{nullptr, WM_QUIT, 0, 0});
}

static int64_t fw_sdl_default_proc(FwWindow, uint32_t message, uint64_t, int64_t) {
    // Over a window that nobody claims the pointer is the ordinary arrow.
    if (message == WM_SETCURSOR) SDL_ShowCursor(SDL_ENABLE);
    return 0;
}

static void fw_sdl_show_cursor(bool visible) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

static SDL_DisplayMode fw_sdl_desktop() {
    SDL_DisplayMode desktop = {};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) desktop = SDL_DisplayMode{};
    return desktop;
}

static void fw_sdl_enum_modes(int32_t frame_width, int32_t frame_height, FwModeCallback callback) {
    const SDL_DisplayMode desktop = fw_sdl_desktop();
    fw_list_scaled_modes(frame_width, frame_height, static_cast<int32_t>(SDL_BITSPERPIXEL(desktop.format)),
                         desktop.refresh_rate, callback);
}

static bool fw_sdl_make_back_buffer(SdlWindow* w, int32_t width, int32_t height, int32_t bits) {
    Uint32 format = SDL_PIXELFORMAT_RGB888;
    w->back_green_mask = 0xFF00;
    if (bits == 16) {
        // A 15-bit desktop gets its own layout; every other one the six-bit green.
        const bool five = fw_sdl_desktop().format == SDL_PIXELFORMAT_RGB555;
        format = five ? SDL_PIXELFORMAT_RGB555 : SDL_PIXELFORMAT_RGB565;
        w->back_green_mask = five ? 0x03E0 : 0x07E0;
    }
    w->back_buffer = SDL_CreateTexture(w->renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!w->back_buffer) return false;
    w->back_width = width;
    w->back_height = height;
    w->back_bits = bits;
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(w->back_buffer, nullptr, &pixels, &pitch) == 0) {
        SDL_memset(pixels, 0, static_cast<size_t>(pitch) * height);
        SDL_UnlockTexture(w->back_buffer);
    }
    SDL_SetRenderDrawColor(w->renderer, 0, 0, 0, 255);
    SDL_RenderClear(w->renderer);
    SDL_RenderPresent(w->renderer);
    return true;
}

// Only a mode that fw_sdl_enum_modes lists can be entered.
static bool fw_sdl_enter_full_screen(FwWindow window, int32_t width, int32_t height, int32_t bits) {
    SdlWindow* w = static_cast<SdlWindow*>(window);
    const bool listed = bits == 16 || (bits == 32 && SDL_BITSPERPIXEL(fw_sdl_desktop().format) > 16);
    if (!w || width <= 0 || height <= 0 || !listed) return false;
    // The request below goes to the window manager; where there is none (a
    // bare X server) nothing would happen, so the window covers its display first.
    const int display = SDL_GetWindowDisplayIndex(w->window);
    if (SDL_GetDisplayBounds(display > 0 ? display : 0, &w->full_screen) == 0) {
        SDL_SetWindowPosition(w->window, w->full_screen.x, w->full_screen.y);
        SDL_SetWindowSize(w->window, w->full_screen.w, w->full_screen.h);
    }
    if (SDL_SetWindowFullscreen(w->window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
    fw_sdl_drop_back_buffer(w);
    if (!fw_sdl_make_back_buffer(w, width, height, bits)) {
        SDL_SetWindowFullscreen(w->window, 0);
        return false;
    }
    fw_sdl_full_screen = w;
    return true;
}

static void fw_sdl_leave_full_screen(FwWindow window) {
    SdlWindow* w = static_cast<SdlWindow*>(window);
    if (!w) return;
    fw_sdl_drop_back_buffer(w);
    SDL_SetWindowFullscreen(w->window, 0);
}

static void fw_sdl_restore_surfaces() {}

static bool fw_sdl_lock_back_buffer(FwSurface* surface) {
    SdlWindow* w = fw_sdl_full_screen;
    if (!w || !w->back_buffer) return false;
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(w->back_buffer, nullptr, &pixels, &pitch) != 0) return false;
    *surface = FwSurface{static_cast<uint8_t*>(pixels), pitch, w->back_width, w->back_height, w->back_bits,
                         w->back_green_mask};
    return true;
}

static void fw_sdl_unlock_and_flip() {
    SdlWindow* w = fw_sdl_full_screen;
    if (!w || !w->back_buffer) return;
    SDL_UnlockTexture(w->back_buffer);
    int output_width = 0, output_height = 0;
    SDL_GetRendererOutputSize(w->renderer, &output_width, &output_height);
    const FwRect r = fw_scaled_rect(w->back_width, w->back_height, output_width, output_height);
    const SDL_Rect target = {r.x, r.y, r.width, r.height};
    SDL_SetRenderDrawColor(w->renderer, 0, 0, 0, 255);
    SDL_RenderClear(w->renderer);
    SDL_RenderCopy(w->renderer, w->back_buffer, nullptr, &target);
    SDL_RenderPresent(w->renderer);
}

static void fw_sdl_draw_image(FwWindow window, const void* bits, int32_t width, int32_t height, int32_t depth,
                              int32_t destination_width, int32_t destination_height) {
    SdlWindow* w = static_cast<SdlWindow*>(window);
    if (!w || !w->renderer || !bits || depth != 32 || width <= 0 || height <= 0) return;
    if (!w->image || w->image_width != width || w->image_height != height) {
        if (w->image) SDL_DestroyTexture(w->image);
        // XRGB: the top byte of a pixel is not alpha.
        w->image = SDL_CreateTexture(w->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
        w->image_width = width;
        w->image_height = height;
        if (!w->image) return;
    }
    SDL_UpdateTexture(w->image, nullptr, bits, width * 4);
    SDL_SetRenderDrawColor(w->renderer, 0, 0, 0, 255);
    SDL_RenderClear(w->renderer);
    if (destination_width > 0 && destination_height > 0) {
        const SDL_Rect target = {0, 0, destination_width, destination_height};
        // The rows arrive bottom first; the flip turns them upright.
        SDL_RenderCopyEx(w->renderer, w->image, nullptr, &target, 0.0, nullptr, SDL_FLIP_VERTICAL);
    }
    SDL_RenderPresent(w->renderer);
}

static void fw_sdl_message_box(const char* text, const char* caption) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) != 0) {
        std::fprintf(stderr, "%s\n", text);
    }
}

const FwPlatform fw_sdl_platform = {
    .name = "sdl",
    .open = fw_sdl_open,
    .start = fw_sdl_start,
    .create_window = fw_sdl_create_window,
    .screen_size = fw_sdl_screen_size,
    .place_window = fw_sdl_place_window,
    .set_style = fw_sdl_set_style,
    .destroy_window = fw_sdl_destroy_window,
    .peek_message = fw_sdl_peek_message,
    .post_quit = fw_sdl_post_quit,
    .default_proc = fw_sdl_default_proc,
    .show_cursor = fw_sdl_show_cursor,
    .enum_modes = fw_sdl_enum_modes,
    .enter_full_screen = fw_sdl_enter_full_screen,
    .leave_full_screen = fw_sdl_leave_full_screen,
    .restore_surfaces = fw_sdl_restore_surfaces,
    .lock_back_buffer = fw_sdl_lock_back_buffer,
    .unlock_and_flip = fw_sdl_unlock_and_flip,
    .draw_image = fw_sdl_draw_image,
    .message_box = fw_sdl_message_box,
    .exit_process = fw_quit_process,
};

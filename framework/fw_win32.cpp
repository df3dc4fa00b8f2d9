// The Win32 backend of the Windows program: windows of the class "UMOGFX"
// whose procedure hands every message to the framework as it comes, full
// screen through DirectDraw in exclusive mode, and the windowed frame drawn
// by DrawDib from a bottom-up DIB section. DirectDraw, DrawDib and the DIB
// section are reached through run-time imports, so the program links
// nothing beyond the system's own libraries.
#include <cstddef>
#include <cstdio>
#include "framework/fw_internal.h"

// The framework names its messages, keys and commands as the system does.
// This list is read once here, where the names are still the framework's,
// and once more below <windows.h>, where they have become the system's.
#define FW_SYSTEM_NUMBERS                                                                                      \
    WM_DESTROY, WM_SIZE, WM_CLOSE, WM_QUIT, WM_SETCURSOR, WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSCOMMAND, VK_RETURN, \
        VK_ESCAPE, VK_SPACE, VK_F2, SC_SCREENSAVE, SC_MONITORPOWER
static constexpr uint32_t fw_numbers[] = {FW_SYSTEM_NUMBERS, FW_KEY_ALT};

#include <windows.h>
#include <ddraw.h>
#include <vfw.h>

static constexpr uint32_t fw_system_numbers[] = {FW_SYSTEM_NUMBERS, KF_ALTDOWN << 16};
static constexpr bool fw_numbers_agree() {
    for (size_t i = 0; i < sizeof fw_numbers / sizeof fw_numbers[0]; i++) {
        if (fw_numbers[i] != fw_system_numbers[i]) return false;
    }
    return true;
}
static_assert(fw_numbers_agree(), "a message, key or command number differs from the system's");

// The windowed image's header is handed to the system as its own.
static_assert(sizeof(FwDibHeader) == sizeof(BITMAPINFOHEADER) &&
                  offsetof(FwDibHeader, height) == offsetof(BITMAPINFOHEADER, biHeight) &&
                  offsetof(FwDibHeader, bit_count) == offsetof(BITMAPINFOHEADER, biBitCount) &&
                  offsetof(FwDibHeader, x_pels_per_meter) == offsetof(BITMAPINFOHEADER, biXPelsPerMeter) &&
                  offsetof(FwDibHeader, colours_important) == offsetof(BITMAPINFOHEADER, biClrImportant),
              "the DIB header is not laid out as BITMAPINFOHEADER");
#ifdef __i386__
static_assert(sizeof(DDSURFACEDESC) == 108 && sizeof(DDBLTFX) == 100, "DirectDraw records of the wrong size");
#endif

constexpr DWORD FW_WINDOWED_STYLE = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // 0x90CA0000
constexpr DWORD FW_FULL_SCREEN_STYLE = WS_POPUP | WS_BORDER | WS_SYSMENU;                             // 0x80880000
constexpr const char* FW_CLASS_NAME = "UMOGFX";

struct Win32Display {
    FwWindowProc proc;  // the framework's class procedure
    IDirectDraw* direct_draw;
    IDirectDrawSurface* primary;      // the flipping pair, in full screen only
    IDirectDrawSurface* back_buffer;
    HDRAWDIB drawdib;
    HBITMAP dib;                      // the windowed back-end's DIB section
    FwModeCallback mode_found;        // the framework's callback during EnumDisplayModes
};

static Win32Display fw_win32 = {};

// ---- run-time imports ----

// Entry points found at run time; null where a library or function is missing.
struct Win32Imports {
    void* draw_dib_open;
    void* draw_dib_draw;
    void* draw_dib_close;
    void* create_dib_section;
    void* delete_object;
    void* direct_draw_create;
};

static Win32Imports fw_entry = {};

struct FwImport {
    const char* name;
    void** slot;
};

struct FwImportLibrary {
    const char* name;
    const FwImport* functions;  // closed by a null name
};

static const FwImport fw_msvfw32_imports[] = {{"DrawDibOpen", &fw_entry.draw_dib_open},
                                              {"DrawDibDraw", &fw_entry.draw_dib_draw},
                                              {"DrawDibClose", &fw_entry.draw_dib_close},
                                              {nullptr, nullptr}};
static const FwImport fw_gdi32_imports[] = {{"CreateDIBSection", &fw_entry.create_dib_section},
                                            {"DeleteObject", &fw_entry.delete_object},
                                            {nullptr, nullptr}};
static const FwImport fw_ddraw_imports[] = {{"DirectDrawCreate", &fw_entry.direct_draw_create}, {nullptr, nullptr}};

static const FwImportLibrary fw_imports[] = {{"MSVFW32.DLL", fw_msvfw32_imports},
                                             {"GDI32.DLL", fw_gdi32_imports},
                                             {"DDRAW.DLL", fw_ddraw_imports},
                                             {nullptr, nullptr}};

static void fw_load_imports(const FwImportLibrary* table) {
    for (; table->name; table++) {
        HMODULE library = LoadLibraryA(table->name);
        for (const FwImport* f = table->functions; f->name; f++) {
            // Kept as void*: each entry point gets its real type where it is called.
            *f->slot = library ? reinterpret_cast<void*>(GetProcAddress(library, f->name)) : nullptr;
        }
    }
}

// The entry point in `slot` with the type of the system's declaration `F`.
template <typename F>
static F fw_import(void* slot) {
    return reinterpret_cast<F>(slot);
}

// ---- back-ends ----

static void fw_win32_release_surfaces() {
    if (fw_win32.primary) fw_win32.primary->Release();  // frees the attached back buffer too
    fw_win32.primary = nullptr;
    fw_win32.back_buffer = nullptr;
}

static void fw_win32_stop() {
    fw_win32_release_surfaces();
    if (fw_win32.direct_draw) fw_win32.direct_draw->Release();
    fw_win32.direct_draw = nullptr;
    auto close = fw_import<decltype(&DrawDibClose)>(fw_entry.draw_dib_close);
    if (fw_win32.drawdib && close) close(fw_win32.drawdib);
    fw_win32.drawdib = nullptr;
}

// A Windows session always has its desktop to draw on.
static bool fw_win32_open(const char**) {
    return true;
}

// Every window gets a DirectDraw object and a DrawDib handle of its own. The
// ones of a window given up for a new one go with it; its DIB section is
// forgotten, not deleted, as the framework may still draw from it.
static void fw_win32_start() {
    fw_win32_stop();
    fw_win32.dib = nullptr;
    fw_load_imports(fw_imports);
    auto create = fw_import<decltype(&DirectDrawCreate)>(fw_entry.direct_draw_create);
    if (!create || create(nullptr, &fw_win32.direct_draw, nullptr) != DD_OK) fw_win32.direct_draw = nullptr;
    auto open = fw_import<decltype(&DrawDibOpen)>(fw_entry.draw_dib_open);
    fw_win32.drawdib = open ? open() : nullptr;
}

// ---- the window ----

static LRESULT CALLBACK fw_win32_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!fw_win32.proc) return DefWindowProcA(window, message, wparam, lparam);
    return static_cast<LRESULT>(fw_win32.proc(window, message, wparam, lparam));
}

// The window rectangle around a client area, always with the windowed style
// (also on the way out of full screen); left and top come out negative.
static RECT fw_win32_outer(int32_t client_width, int32_t client_height) {
    RECT r = {0, 0, client_width, client_height};
    AdjustWindowRect(&r, FW_WINDOWED_STYLE, FALSE);
    return r;
}

static FwWindow fw_win32_create_window(const char* title, const FwIcon* icon, int32_t client_width,
                                       int32_t client_height, FwWindowProc proc) {
    fw_win32.proc = proc;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA c = {};
    c.style = CS_HREDRAW | CS_VREDRAW | CS_SAVEBITS;
    c.lpfnWndProc = fw_win32_window_proc;
    c.hInstance = instance;
    c.hIcon = icon ? static_cast<HICON>(icon->system_icon) : nullptr;
    c.lpszClassName = FW_CLASS_NAME;
    RegisterClassA(&c);  // fails for a second window; the class registered first serves
    const RECT r = fw_win32_outer(client_width, client_height);
    const int32_t width = r.right - r.left;
    const int32_t height = r.bottom - r.top;
    const int32_t x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int32_t y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return CreateWindowExA(0, FW_CLASS_NAME, title, FW_WINDOWED_STYLE, x, y, width, height, nullptr, nullptr,
                           instance, nullptr);
}

static void fw_win32_screen_size(int32_t* width, int32_t* height) {
    *width = GetSystemMetrics(SM_CXSCREEN);
    *height = GetSystemMetrics(SM_CYSCREEN);
}

static void fw_win32_place_window(FwWindow window, int32_t x, int32_t y, int32_t client_width,
                                  int32_t client_height) {
    const RECT r = fw_win32_outer(client_width, client_height);
    // The frame changed with the style: have it drawn anew.
    SetWindowPos(static_cast<HWND>(window), HWND_TOP, x + r.left, y + r.top, r.right - r.left, r.bottom - r.top,
                 SWP_SHOWWINDOW | SWP_FRAMECHANGED);
}

static void fw_win32_set_style(FwWindow window, bool full_screen) {
    SetWindowLongA(static_cast<HWND>(window), GWL_STYLE,
                   static_cast<LONG>(full_screen ? FW_FULL_SCREEN_STYLE : FW_WINDOWED_STYLE));
}

static void fw_win32_destroy_window(FwWindow window) {
    DestroyWindow(static_cast<HWND>(window));
}

// A paint message is no queued message: the system makes one whenever the
// window needs painting, so it is dispatched here at once (the default
// procedure validates the window); left to the framework's batch it would
// come back for ever and the queue would never run empty.
static bool fw_win32_peek_message(FwMessage* message) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_PAINT) {
            DispatchMessageA(&m);
            continue;
        }
        *message = FwMessage{m.hwnd, m.message, m.wParam, m.lParam};
        return true;
    }
    return false;
}

// Through the system, so that each message reaches the procedure of its own
// window, and what the framework passes on reaches DefWindowProcA as sent.
static void fw_win32_dispatch_message(const FwMessage* message) {
    MSG m = {};
    m.hwnd = static_cast<HWND>(message->window);
    m.message = message->message;
    m.wParam = static_cast<WPARAM>(message->wparam);
    m.lParam = static_cast<LPARAM>(message->lparam);
    m.time = static_cast<DWORD>(GetMessageTime());
    TranslateMessage(&m);
    DispatchMessageA(&m);
}

static void fw_win32_post_quit() {
    PostQuitMessage(0);
}

static int64_t fw_win32_default_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam) {
    return DefWindowProcA(static_cast<HWND>(window), message, static_cast<WPARAM>(wparam),
                          static_cast<LPARAM>(lparam));
}

static void fw_win32_show_cursor(bool visible) {
    SetCursor(visible ? LoadCursorA(nullptr, IDC_ARROW) : nullptr);
}

static void fw_win32_message_box(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK);
}

static void fw_win32_exit_process(int32_t code) {
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(code));
}

static void fw_win32_reset_display() {
    ChangeDisplaySettingsA(nullptr, 0);
}

// ---- full screen ----

static HRESULT WINAPI fw_win32_mode_found(LPDDSURFACEDESC d, LPVOID) {
    const FwModeInfo mode = {static_cast<int32_t>(d->dwWidth), static_cast<int32_t>(d->dwHeight),
                             static_cast<int32_t>(d->ddpfPixelFormat.dwRGBBitCount),
                             static_cast<int32_t>(d->dwRefreshRate)};
    if (fw_win32.mode_found) fw_win32.mode_found(&mode);
    return DDENUMRET_OK;  // the whole list is walked
}

// The adapter's own modes, as DirectDraw lists them: full screen is a display
// mode of exactly the frame's size or none, never a scaled picture.
static void fw_win32_enum_modes(int32_t, int32_t, FwModeCallback callback) {
    if (!fw_win32.direct_draw) return;  // without DirectDraw there are no full-screen modes
    fw_win32.mode_found = callback;
    fw_win32.direct_draw->EnumDisplayModes(0, nullptr, nullptr, fw_win32_mode_found);
    fw_win32.mode_found = nullptr;
}

static void fw_win32_clear(IDirectDrawSurface* surface) {
    DDBLTFX fill = {};
    fill.dwSize = sizeof fill;
    fill.dwFillColor = 0;
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fill);
}

static bool fw_win32_enter_full_screen(FwWindow window, int32_t width, int32_t height, int32_t bits) {
    IDirectDraw* dd = fw_win32.direct_draw;
    // No mode was found (0 x 0). Asked for one, DirectDraw may take 0 x 0 for
    // the desktop's own mode and succeed, and the exclusive level alone
    // already stretches the window over the screen: ask for neither.
    if (!dd || width <= 0 || height <= 0) return false;
    dd->SetCooperativeLevel(static_cast<HWND>(window), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT);
    if (dd->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height), static_cast<DWORD>(bits)) != DD_OK) {
        return false;
    }
    DDSURFACEDESC d = {};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.dwBackBufferCount = 1;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    if (dd->CreateSurface(&d, &fw_win32.primary, nullptr) != DD_OK) fw_win32.primary = nullptr;
    DDSCAPS caps = {DDSCAPS_BACKBUFFER};
    if (fw_win32.primary && fw_win32.primary->GetAttachedSurface(&caps, &fw_win32.back_buffer) != DD_OK) {
        fw_win32.back_buffer = nullptr;
    }
    // A display mode without a flipping pair would show nothing but black
    // until the program ends: count it as full screen failed.
    if (!fw_win32.back_buffer) {
        fw_win32_release_surfaces();
        dd->RestoreDisplayMode();
        return false;
    }
    fw_win32_clear(fw_win32.primary);
    fw_win32_clear(fw_win32.back_buffer);
    return true;
}

static void fw_win32_leave_full_screen(FwWindow window) {
    fw_win32_release_surfaces();
    if (fw_win32.direct_draw) {
        fw_win32.direct_draw->RestoreDisplayMode();
        fw_win32.direct_draw->SetCooperativeLevel(static_cast<HWND>(window), DDSCL_NORMAL);
    }
    InvalidateRect(nullptr, nullptr, FALSE);  // every window on the desktop is drawn anew
}

// Surfaces lost to another program come back; the result does not matter,
// as a surface still lost fails its lock and the frame is dropped.
static void fw_win32_restore_surfaces() {
    if (fw_win32.primary) fw_win32.primary->Restore();
}

static bool fw_win32_lock_back_buffer(FwSurface* surface) {
    if (!fw_win32.back_buffer) return false;
    DDSURFACEDESC d = {};
    d.dwSize = sizeof d;
    if (fw_win32.back_buffer->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr) != DD_OK) return false;
    *surface = FwSurface{static_cast<uint8_t*>(d.lpSurface), static_cast<int32_t>(d.lPitch),
                         static_cast<int32_t>(d.dwWidth),    static_cast<int32_t>(d.dwHeight),
                         static_cast<int32_t>(d.ddpfPixelFormat.dwRGBBitCount), d.ddpfPixelFormat.dwGBitMask};
    return true;
}

static void fw_win32_unlock_and_flip() {
    if (!fw_win32.back_buffer) return;
    fw_win32.back_buffer->Unlock(nullptr);
    fw_win32.primary->Flip(nullptr, DDFLIP_WAIT);
}

// ---- the windowed image ----

static void* fw_win32_create_image(FwWindow window, int32_t width, int32_t height, int32_t depth) {
    auto create = fw_import<decltype(&CreateDIBSection)>(fw_entry.create_dib_section);
    auto remove = fw_import<decltype(&DeleteObject)>(fw_entry.delete_object);
    if (fw_win32.dib && remove) remove(fw_win32.dib);
    fw_win32.dib = nullptr;
    if (!create) return nullptr;
    FwDibHeader header = fw_dib_header(width, height, depth);
    void* bits = nullptr;
    HDC dc = GetDC(static_cast<HWND>(window));
    // A 32-bit image has no colour table: the header alone is the BITMAPINFO.
    fw_win32.dib = create(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(static_cast<HWND>(window), dc);
    return fw_win32.dib ? bits : nullptr;
}

static void fw_win32_draw_image(FwWindow window, const void* bits, int32_t width, int32_t height, int32_t depth,
                                int32_t destination_width, int32_t destination_height) {
    auto draw = fw_import<decltype(&DrawDibDraw)>(fw_entry.draw_dib_draw);
    if (!draw || !fw_win32.drawdib || !bits) return;
    FwDibHeader header = fw_dib_header(width, height, depth);
    HDC dc = GetDC(static_cast<HWND>(window));
    draw(fw_win32.drawdib, dc, 0, 0, destination_width, destination_height,
         reinterpret_cast<BITMAPINFOHEADER*>(&header), const_cast<void*>(bits), 0, 0, width, height, 0);
    ReleaseDC(static_cast<HWND>(window), dc);
}

const FwPlatform fw_win32_platform = {
    .name = "win32",
    .open = fw_win32_open,
    .start = fw_win32_start,
    .create_window = fw_win32_create_window,
    .screen_size = fw_win32_screen_size,
    .place_window = fw_win32_place_window,
    .set_style = fw_win32_set_style,
    .destroy_window = fw_win32_destroy_window,
    .peek_message = fw_win32_peek_message,
    .post_quit = fw_win32_post_quit,
    .default_proc = fw_win32_default_proc,
    .show_cursor = fw_win32_show_cursor,
    .enum_modes = fw_win32_enum_modes,
    .enter_full_screen = fw_win32_enter_full_screen,
    .leave_full_screen = fw_win32_leave_full_screen,
    .restore_surfaces = fw_win32_restore_surfaces,
    .lock_back_buffer = fw_win32_lock_back_buffer,
    .unlock_and_flip = fw_win32_unlock_and_flip,
    .draw_image = fw_win32_draw_image,
    .message_box = fw_win32_message_box,
    .exit_process = fw_win32_exit_process,
    .stop = fw_win32_stop,
    .reset_display = fw_win32_reset_display,
    .create_image = fw_win32_create_image,
    .dispatch_message = fw_win32_dispatch_message,
};

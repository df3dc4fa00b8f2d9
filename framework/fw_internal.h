// The framework's own records and the functions its files share: display
// state, window procedures, mode switching and presentation. Not for the
// application, which sees only fw.h.
#pragma once
#include <climits>
#include <cstdint>
#include "framework/fw.h"
#include "framework/fw_messages.h"
#include "framework/fw_platform.h"

enum class DisplayMode : int32_t { Windowed = 0, FullScreen = 1 };

// How the windowed back-end's image is laid out, field for field as the
// system's bitmap header; the positive height says the rows run bottom first.
struct FwDibHeader {
    uint32_t size;  // of this header: 40
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bit_count;
    uint32_t compression;  // 0: plain RGB
    uint32_t size_image;
    int32_t x_pels_per_meter;
    int32_t y_pels_per_meter;
    uint32_t colours_used;
    uint32_t colours_important;
};

struct DisplayState {
    DisplayMode mode;
    int32_t want_full_screen;       // full screen wished at the last fw_set_mode
    uint8_t full_screen_available;  // a fitting display mode was found; never cleared
    int32_t width;                  // frame geometry last given to fw_set_mode
    int32_t height;
    int32_t depth;
    int32_t pitch;                  // bytes per frame row
    int32_t mode_width;             // the display mode chosen by the search
    int32_t mode_height;
    int32_t mode_depth;             // bits per pixel of the modes searched last
    uint32_t best_area;             // smallest matching area; 0x7FFFFFFF while none
    int32_t client_width;           // destination of the windowed drawing
    int32_t client_height;
    FwWindow window;
    uint8_t* dib_bits;              // the windowed back-end's bottom-up image
    uint8_t dib_is_own;             // dib_bits came from calloc, not from the backend
    FwDibHeader dib_header;
    uint8_t switch_pending;         // keys toggled fw_windowed; the switch waits for the end of their run
};

extern DisplayState fw_display;
extern const char* fw_options;
extern int32_t fw_mmx;
extern uint8_t fw_restored;
extern FwWindowProc fw_chained_proc;
// Whole factor of the window's client area over the frame (BSA_WINDOW_SCALE).
extern int32_t fw_window_scale;
constexpr int32_t FW_MAX_WINDOW_SCALE = 16;
// A client-area side for a frame side: scaled, unless that would not fit 32 bits.
inline int32_t fw_client_size(int32_t frame_size) {
    const int64_t scaled = static_cast<int64_t>(frame_size) * fw_window_scale;
    return scaled > INT32_MAX ? frame_size : static_cast<int32_t>(scaled);
}
// The processor query behind fw_check_mmx; tests replace it.
extern bool (*fw_query_mmx)();

// ---- start-up and end ----
void fw_check_mmx();
void fw_restore_display();
bool fw_cpu_has_mmx();
// BSA_WINDOW_SCALE as a factor from 1 to FW_MAX_WINDOW_SCALE; 1 when unset or unusable.
int32_t fw_read_window_scale();
// From now on SIGINT and SIGTERM are noted instead of ending the process;
// fw_take_signal tells (once) that one came.
void fw_catch_signals();
bool fw_take_signal();

// ---- frame buffer and window ----
void* fw_alloc(int32_t bytes);
int32_t fw_free(void* pointer);
void fw_clear(uint32_t* p, uint32_t value);
FwWindow fw_create_window();
void fw_centre_window();
// Where a client area of `size` is centred on a screen of `screen`: the
// halving rounds toward zero, so a window larger than the screen starts left of it.
inline int32_t fw_centre(int32_t screen, int32_t size) { return (screen - size) / 2; }

// ---- display modes and switching ----
bool fw_set_mode(int32_t width, int32_t height, int32_t depth);
void fw_find_display_mode();
void fw_switch_mode(bool full_screen);
void fw_enter_mode();
void fw_leave_mode();
bool fw_enter_full_screen();
void fw_leave_full_screen();
void fw_create_dib();
FwDibHeader fw_dib_header(int32_t width, int32_t height, int32_t depth);
void fw_release_dib();

// ---- presentation ----
void fw_present(const uint32_t* image);
void fw_present_window(const uint32_t* image);
void fw_present_full_screen(const uint32_t* image);
// Writes the presented frame to $BSA_FRAME_DUMP as a PPM when it changed.
void fw_dump_frame(const uint32_t* image, int32_t width, int32_t height);

// 16-bit packings of a 0x00RRGGBB pixel; low bits are dropped, not rounded.
inline uint16_t fw_pack_565(uint32_t p) {
    return static_cast<uint16_t>(((p & 0xF80000) >> 8) | ((p & 0xFC00) >> 5) | ((p & 0xF8) >> 3));
}
inline uint16_t fw_pack_555(uint32_t p) {
    return static_cast<uint16_t>(((p & 0xF80000) >> 9) | ((p & 0xF800) >> 6) | ((p & 0xF8) >> 3));
}

// ---- messages and input ----
bool fw_pump();
// Enters the display state that a run of switching keys left as the wish.
void fw_settle_switch();
int64_t fw_class_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam);
int64_t fw_input_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam);
void fw_set_chained_proc(FwWindowProc proc);
int64_t fw_default_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam);

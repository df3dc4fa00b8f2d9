// Start-up and the ends of the program: the processor check, the defaults,
// and the one restore of the display that every exit goes through.
#include <cstdlib>
#include "framework/fw_internal.h"

const char* fw_options = "";
int32_t fw_mmx = 0;
uint8_t fw_restored = 0;
int32_t fw_window_scale = 1;

void fw_check_mmx() {
    fw_mmx = 0;
    if (fw_query_mmx()) fw_mmx = 1;
}

void fw_init(const char* options, void* instance, int32_t show) {
    (void)instance;
    (void)show;
    fw_options = options ? options : "";
    fw_os();  // the backend is chosen now, so even the refusal below can show its message
    fw_catch_signals();
    fw_window_scale = fw_read_window_scale();
    fw_check_mmx();
    if (fw_mmx == 0) fw_fatal("mmx required");
    fw_caption = "zeb64k/win v2 rc3";
    fw_windowed = 0;
}

void fw_restore_display() {
    if (fw_restored) return;
    fw_restored = 1;
    if (fw_frame.base) {
        fw_free(fw_frame.base);
        fw_frame.base = nullptr;
        fw_frame.pixels = nullptr;
    }
    fw_leave_mode();
    if (fw_os()->stop) fw_os()->stop();
    fw_release_dib();
    // The window's WM_DESTROY re-enters fw_exit, which finds the restore done
    // and ends the process there.
    if (fw_display.window) {
        FwWindow window = fw_display.window;
        fw_display.window = nullptr;
        fw_os()->destroy_window(window);
    }
    if (fw_os()->reset_display) fw_os()->reset_display();
}

[[noreturn]] static void fw_end_process() {
    fw_os()->exit_process(1);
    std::_Exit(1);  // a backend that returned must still not
}

void fw_exit() {
    fw_restore_display();
    fw_end_process();
}

void fw_fatal(const char* text) {
    // With a window up, its destruction would end the process before the
    // message is seen: leave full screen first, show the message, then restore.
    if (fw_display.window && !fw_restored) {
        fw_switch_mode(false);
        fw_os()->message_box(text, "");
        fw_restore_display();
        fw_end_process();
    }
    fw_restore_display();
    fw_os()->message_box(text, "");
    fw_end_process();
}

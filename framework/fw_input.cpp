// The message pump and the two window procedures: the class procedure keeps
// the client size and turns a close into a quit; the input procedure holds
// the keys (Escape ends, Space/F2/Alt+Enter switch) and the pointer rules.
#include "framework/fw_internal.h"

FwWindowProc fw_chained_proc = fw_default_proc;

int64_t fw_default_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam) {
    return fw_os()->default_proc(window, message, wparam, lparam);
}

void fw_set_chained_proc(FwWindowProc proc) {
    fw_chained_proc = proc ? proc : fw_default_proc;
}

bool fw_pump() {
    FwMessage message;
    while (fw_os()->peek_message(&message)) {
        if (message.message == WM_QUIT) return true;
        fw_class_proc(message.window, message.message, message.wparam, message.lparam);
    }
    return false;
}

int64_t fw_class_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam) {
    switch (message) {
    case WM_SIZE:
        if (fw_display.mode == DisplayMode::Windowed) {
            // lParam is 32 bits wide on the system these numbers come from.
            const int32_t packed = static_cast<int32_t>(lparam);
            fw_display.client_width = packed & 0xFFFF;
            fw_display.client_height = packed >> 16;
        }
        return 0;
    case WM_CLOSE:
        fw_os()->post_quit();
        return 0;
    case WM_SETCURSOR:
        if (fw_display.mode == DisplayMode::FullScreen) {
            fw_os()->show_cursor(false);
            return 0;
        }
        break;
    default:
        break;
    }
    return fw_chained_proc(window, message, wparam, lparam);
}

static void fw_toggle() {
    fw_windowed ^= 1;
    fw_switch_mode(fw_windowed == 0);
}

int64_t fw_input_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam) {
    switch (message) {
    case WM_DESTROY:
        fw_exit();
    case WM_SETCURSOR:
        if (fw_windowed == 0) {
            fw_os()->show_cursor(false);
            return 1;
        }
        break;
    case WM_KEYDOWN:
        if (wparam == VK_ESCAPE) fw_exit();
        if (wparam == VK_SPACE || wparam == VK_F2) fw_toggle();
        break;
    case WM_SYSKEYDOWN:
        if (wparam == VK_RETURN && (lparam & FW_KEY_ALT) && fw_display.full_screen_available == 1) fw_toggle();
        break;
    case WM_SYSCOMMAND:
        if (wparam == SC_SCREENSAVE) return 0;
        break;
    default:
        break;
    }
    return fw_default_proc(window, message, wparam, lparam);
}

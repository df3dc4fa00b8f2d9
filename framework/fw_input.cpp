// The message pump and the two window procedures: the class procedure keeps
// the client size and turns a close into a quit; the input procedure holds
// the keys (Escape ends, Space/F2/Alt+Enter switch) and the pointer rules.
#include <algorithm>
#include <vector>
#include "framework/fw_internal.h"

FwWindowProc fw_chained_proc = fw_default_proc;

int64_t fw_default_proc(FwWindow window, uint32_t message, uint64_t wparam, int64_t lparam) {
    return fw_os()->default_proc(window, message, wparam, lparam);
}

void fw_set_chained_proc(FwWindowProc proc) {
    fw_chained_proc = proc ? proc : fw_default_proc;
}

// Everything queued now, and a close request for a caught signal.
static void fw_take_queue(std::vector<FwMessage>& batch) {
    if (fw_take_signal()) batch.push_back(FwMessage{fw_display.window, WM_CLOSE, 0, 0});
    FwMessage message;
    while (fw_os()->peek_message(&message)) batch.push_back(message);
}

// Messages that end the program wherever they stand in the queue.
static bool fw_is_ending(const FwMessage& m) {
    return m.message == WM_CLOSE || (m.message == WM_KEYDOWN && m.wparam == VK_ESCAPE);
}

static void fw_dispatch(const FwMessage& m) {
    if (fw_os()->dispatch_message) {
        fw_os()->dispatch_message(&m);
    } else {
        fw_class_proc(m.window, m.message, m.wparam, m.lparam);
    }
}

// The queue is read whole before anything is dispatched. A quit, a close or
// Escape anywhere in it is acted on first: what stands before it cannot
// matter any more, and a display switch can take a tenth of a second. A run
// of switching keys is entered once, at its end, in the state it leaves.
bool fw_pump() {
    std::vector<FwMessage> batch;  // stays unallocated on a frame without messages
    for (;;) {
        fw_take_queue(batch);
        if (batch.empty()) return false;
        for (const FwMessage& m : batch) {
            if (m.message == WM_QUIT) return true;
        }
        auto ending = std::find_if(batch.begin(), batch.end(), fw_is_ending);
        if (ending != batch.end()) {
            const FwMessage m = *ending;
            batch.erase(batch.begin(), ending + 1);
            fw_dispatch(m);  // Escape ends here; a close posts the quit read next
            continue;
        }
        for (const FwMessage& m : batch) {
            if (m.message != WM_KEYDOWN && m.message != WM_SYSKEYDOWN) fw_settle_switch();
            fw_dispatch(m);
        }
        batch.clear();
        fw_settle_switch();
    }
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

// The wish changes at once (the pointer rule reads it); the switch itself
// waits for fw_settle_switch, so a run of toggles is entered only once.
static void fw_toggle() {
    fw_windowed ^= 1;
    fw_display.switch_pending = 1;
}

void fw_settle_switch() {
    if (!fw_display.switch_pending) return;
    fw_display.switch_pending = 0;
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

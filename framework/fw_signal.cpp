// SIGINT and SIGTERM end the program the way a close request does: the
// handler only notes the signal, and the message pump turns it into a close,
// so the display is put back and the exit code is 1 in every backend.
#include <csignal>
#include "framework/fw_internal.h"

static volatile std::sig_atomic_t fw_signalled = 0;

static void fw_on_signal(int number) {
    fw_signalled = 1;
    // A second signal, should the program not get round to the first, ends it at once.
    std::signal(number, SIG_DFL);
}

void fw_catch_signals() {
    std::signal(SIGINT, fw_on_signal);
    std::signal(SIGTERM, fw_on_signal);
}

bool fw_take_signal() {
    if (!fw_signalled) return false;
    fw_signalled = 0;
    return true;
}

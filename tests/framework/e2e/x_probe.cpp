// Small X requests the end-to-end tests need and xdotool lacks.
//   x_probe close <window id>: asks the window to close the way a window
//     manager's close box does (a WM_DELETE_WINDOW client message).
//   x_probe keys: prints the key codes the server holds down, one a line.
#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int close_window(Display* display, const char* id) {
    const Window window = static_cast<Window>(std::strtoul(id, nullptr, 0));
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    return 0;
}

static int held_keys(Display* display) {
    char keys[32];
    XQueryKeymap(display, keys);
    for (int code = 0; code < 256; code++) {
        if (keys[code / 8] & (1 << (code % 8))) std::printf("%d\n", code);
    }
    return 0;
}

int main(int argc, char** argv) {
    const bool close = argc == 3 && std::strcmp(argv[1], "close") == 0;
    const bool keys = argc == 2 && std::strcmp(argv[1], "keys") == 0;
    if (!close && !keys) {
        std::fprintf(stderr, "usage: x_probe close <window id> | x_probe keys\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x_probe: no display\n");
        return 2;
    }
    const int status = close ? close_window(display, argv[2]) : held_keys(display);
    XCloseDisplay(display);  // flushes the request
    return status;
}

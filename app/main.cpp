// The demo's entry point: starts the framework and the player in their
// fixed order, then draws frame after frame in time with the music.
#include <cstring>
#include <string>
#include "app/demo.h"
#include "assets/assets.h"
#include "framework/fw.h"
#include "player/mp.h"

static uint32_t icon_pixels[32 * 32];
static FwIcon icon = {32, 32, icon_pixels, nullptr};

static int demo_main(void* instance, int show, const char* command_line) {
    // The system's own icon serves where the picture cannot be decoded.
    if (decode_tga(icon_pixels, asset_icon, asset_icon_size, 32, 32) || icon.system_icon) fw_icon = &icon;
    fw_init("*", instance, show);
    fw_caption = "Bramzeil Strikes Air";
    fw_open_screen(SCREEN_WIDTH, SCREEN_HEIGHT);
    fw_set_height(SCREEN_HEIGHT);

    mp_set_stream(mem_open, mem_close, mem_read, mem_seek, mem_tell);
    if (!mp_open_output(44100)) return 0;
    Module* module = mp_load(asset_module, nullptr);
    mp_start(module);  // the music plays before the pictures are decoded

    // Without memory for the pictures there is nothing to draw: end as the
    // loop's own end does, with the display put back.
    if (decode_pictures()) {
        scroll_length = static_cast<int>(std::strlen(scroll_text));
        keep_running = command_line_keeps_running(command_line);
        do {
            const int t = mp_get_time(module);
            const int r = mp_get_row(module);
            draw_frame(fw_frame.pixels, t, r);
            fw_show_frame(fw_frame.pixels);
        } while (!quit_requested || keep_running);
    }

    mp_free(module);
    mp_close_output();
    fw_exit();
}

#ifdef _WIN32
#include <windows.h>
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    // The window shows the program's own icon, resource 101; the pixels
    // serve where a backend draws its icon itself.
    icon.system_icon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    // The whole command line, program path included, is searched for "/c".
    return demo_main(instance, show, GetCommandLineA());
}
#else
int main(int argc, char** argv) {
    std::string command_line;
    for (int i = 0; i < argc; i++) {
        if (i > 0) command_line += ' ';
        command_line += argv[i];
    }
    return demo_main(nullptr, 0, command_line.c_str());
}
#endif

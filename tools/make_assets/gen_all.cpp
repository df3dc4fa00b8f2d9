// Generates every asset in turn and writes them side by side; nothing is
// written unless all of them could be made.
#include <cstdio>
#include <fstream>
#include "tools/make_assets/asset_gen.h"

const char* const asset_file_names[7] = {"background.tga", "sprites.tga", "font.tga",
                                         "icon.tga",       "module.xm",   "scroll_text.txt",
                                         "icon.ico"};

bool make_all_assets(const std::string& source_dir, const std::string& output_dir) {
    Bytes (*const makers[7])(const std::string&) = {make_background, make_sprites,  make_font,
                                                    make_icon,       make_module,   make_scroll_text,
                                                    make_icon_file};
    Bytes files[7];
    for (int i = 0; i < 7; i++) {
        files[i] = makers[i](source_dir);
        if (files[i].empty()) {
            std::fprintf(stderr, "make_assets: %s not made\n", asset_file_names[i]);
            return false;
        }
    }
    for (int i = 0; i < 7; i++) {
        std::string path = output_dir + "/" + asset_file_names[i];
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(files[i].data()), static_cast<std::streamsize>(files[i].size()));
        if (!out.flush()) {
            std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

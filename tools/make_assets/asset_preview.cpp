// asset_preview ASSET-DIR OUTPUT-DIR: PNGs for looking at the pictures while
// drawing them: each picture enlarged, and the animals on the meadow with
// every mouth picture, composed the way the demo composes them.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "tools/png_out.h"

namespace {

using Pixels = std::vector<uint32_t>;

bool load(const std::string& path, int w, int h, Pixels* out) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 786u + static_cast<size_t>(w) * h) return false;
    out->assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const uint8_t* c = &b[18 + 3 * b[786 + static_cast<size_t>(h - 1 - y) * w + x]];
            (*out)[y * w + x] = c[0] | c[1] << 8 | static_cast<uint32_t>(c[2]) << 16;
        }
    return true;
}

bool save(const std::string& path, const Pixels& p, int w, int h, int scale) {
    Pixels big(p.size() * scale * scale);
    for (int y = 0; y < h * scale; y++)
        for (int x = 0; x < w * scale; x++) big[y * w * scale + x] = p[(y / scale) * w + x / scale];
    return png_write(path.c_str(), big.data(), w * scale, h * scale);
}

void animal(Pixels* frame, const Pixels& bg, const Pixels& sheet, int bx, int by, int mx, int mouth_src, int x,
            int mouth) {
    uint32_t key = sheet[0];
    for (int r = 0; r < 90; r++)
        for (int c = 0; c < 90; c++)
            if (sheet[(by + r) * 320 + bx + c] != key) (*frame)[(130 + r) * 320 + x + c] = sheet[(by + r) * 320 + bx + c];
    if (mouth == 0) return;
    int sx = mouth_src + 43 * (mouth - 1);
    for (int r = 0; r < 57; r++)
        for (int c = 0; c < 41; c++) {
            uint32_t p = sheet[(10 + r) * 320 + sx + c];
            int d = (130 + r) * 320 + x + mx + c;
            (*frame)[d] = p == key ? bg[d] : p;
        }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ASSET-DIR OUTPUT-DIR\n", argv[0]);
        return 2;
    }
    std::string in = argv[1], out = std::string(argv[2]) + "/";
    Pixels bg, sheet, font, icon;
    if (!load(in + "/background.tga", 320, 240, &bg) || !load(in + "/sprites.tga", 320, 240, &sheet) ||
        !load(in + "/font.tga", 728, 11, &font) || !load(in + "/icon.tga", 32, 32, &icon)) {
        std::fprintf(stderr, "asset_preview: cannot read the pictures in %s\n", argv[1]);
        return 1;
    }
    save(out + "background.png", bg, 320, 240, 2);
    save(out + "sprites.png", sheet, 320, 240, 2);
    save(out + "font.png", font, 728, 11, 3);
    save(out + "icon.png", icon, 32, 32, 8);
    Pixels heads(216 * 70);
    for (int y = 0; y < 70; y++)
        for (int x = 0; x < 216; x++) heads[y * 216 + x] = sheet[y * 320 + x];
    save(out + "heads.png", heads, 216, 70, 4);
    for (int mouth = 0; mouth < 3; mouth++) {
        Pixels frame = bg;
        animal(&frame, bg, sheet, 25, 80, 46, 1, 20, mouth);
        animal(&frame, bg, sheet, 140, 80, 1, 130, 180, mouth);
        save(out + "scene" + std::to_string(mouth) + ".png", frame, 320, 240, 2);
    }
    return 0;
}

// asset_preview ASSET-DIR OUTPUT-DIR: enlarged PNGs of the pictures for
// looking at them while drawing: background, sprite sheet, the four mouth
// pictures, font strip and icon. Whole frames come from render_frame.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "app/demo.h"
#include "tools/png_out.h"

namespace {

using Pixels = std::vector<uint32_t>;

bool load(const std::string& path, int w, int h, Pixels* out) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    out->assign(static_cast<size_t>(w) * h, 0);
    return decode_tga(out->data(), bytes.data(), static_cast<uint32_t>(bytes.size()), w, h);
}

// The part (x, y, w, h) of a picture `stride` pixels wide, enlarged.
bool save(const std::string& path, const Pixels& p, int stride, int x, int y, int w, int h, int scale) {
    Pixels big(static_cast<size_t>(w) * h * scale * scale);
    for (int by = 0; by < h * scale; by++)
        for (int bx = 0; bx < w * scale; bx++)
            big[static_cast<size_t>(by) * w * scale + bx] = p[(y + by / scale) * stride + x + bx / scale];
    bool written = png_write(path.c_str(), big.data(), w * scale, h * scale);
    if (!written) std::fprintf(stderr, "asset_preview: cannot write %s\n", path.c_str());
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ASSET-DIR OUTPUT-DIR\n", argv[0]);
        return 2;
    }
    std::string in = std::string(argv[1]) + "/", out = std::string(argv[2]) + "/";
    Pixels bg, sheet, font, icon;
    if (!load(in + "background.tga", 320, 240, &bg) || !load(in + "sprites.tga", 320, 240, &sheet) ||
        !load(in + "font.tga", 728, 11, &font) || !load(in + "icon.tga", 32, 32, &icon)) {
        std::fprintf(stderr, "asset_preview: cannot read the pictures in %s\n", argv[1]);
        return 1;
    }
    bool ok = save(out + "background.png", bg, 320, 0, 0, 320, 240, 2) &&
              save(out + "sprites.png", sheet, 320, 0, 0, 320, 240, 2) &&
              save(out + "mouths.png", sheet, 320, 0, 0, 216, 70, 4) &&
              save(out + "font.png", font, 728, 0, 0, 728, 11, 3) &&
              save(out + "icon.png", icon, 32, 0, 0, 32, 32, 8);
    return ok ? 0 : 1;
}

// The Windows program's icon file: the window icon's picture as a one-image
// .ico (8-bit colour-mapped bitmap with an all-opaque mask), made from the
// icon's TGA so both always show the same goat.
#include "tools/make_assets/asset_gen.h"

namespace {

void put(Bytes* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; i++) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

Bytes ico_from_tga(const Bytes& tga) {
    // The one TGA layout the generator writes: an 18-byte header, a 256-entry
    // BGR map, then the indices bottom row first, as a bitmap stores them.
    if (tga.size() < 18 + 768) return {};
    const int width = tga[12] | tga[13] << 8;
    const int height = tga[14] | tga[15] << 8;
    if (width < 1 || width > 256 || height < 1 || height > 256 || width % 4 != 0) return {};
    if (tga.size() < 18 + 768 + static_cast<size_t>(width) * height) return {};
    const uint32_t mask_row = static_cast<uint32_t>((width + 31) / 32 * 4);
    const uint32_t image_bytes = 40 + 1024 + static_cast<uint32_t>(width * height) + mask_row * height;

    Bytes out;
    put(&out, 0, 2);  // reserved
    put(&out, 1, 2);  // an icon
    put(&out, 1, 2);  // one image
    put(&out, static_cast<uint32_t>(width & 0xFF), 1);  // 256 is written as 0
    put(&out, static_cast<uint32_t>(height & 0xFF), 1);
    put(&out, 0, 1);  // 0: 256 colours
    put(&out, 0, 1);
    put(&out, 1, 2);  // planes
    put(&out, 8, 2);  // bits per pixel
    put(&out, image_bytes, 4);
    put(&out, 6 + 16, 4);  // the image follows this directory

    put(&out, 40, 4);  // BITMAPINFOHEADER; the height counts the colours and the mask
    put(&out, static_cast<uint32_t>(width), 4);
    put(&out, static_cast<uint32_t>(height * 2), 4);
    put(&out, 1, 2);
    put(&out, 8, 2);
    for (int i = 0; i < 6; i++) put(&out, 0, 4);  // no compression, sizes and counts left to the reader
    for (int i = 0; i < 256; i++) {
        const uint8_t* bgr = tga.data() + 18 + i * 3;
        out.insert(out.end(), bgr, bgr + 3);
        out.push_back(0);
    }
    const uint8_t* indices = tga.data() + 18 + 768;
    out.insert(out.end(), indices, indices + static_cast<size_t>(width) * height);
    out.insert(out.end(), static_cast<size_t>(mask_row) * height, 0);  // every pixel opaque
    return out;
}

Bytes make_icon_file(const std::string& source_dir) {
    return ico_from_tga(make_icon(source_dir));
}

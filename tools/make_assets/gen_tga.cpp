// Writes colour-mapped pictures in the one TGA layout the demo decodes:
// 8-bit indices, a 24-bit map of 256 entries, bottom row first, 2.0 footer.
#include <set>
#include "platform/le_bytes.h"
#include "tools/make_assets/asset_gen.h"

Bytes tga_encode(const Picture& picture) {
    Bytes out = {0, 1, 1};  // no ID, colour map present, uncompressed colour-mapped
    le_put16(out, 0);
    le_put16(out, 256);
    out.push_back(24);
    le_put16(out, 0);
    le_put16(out, 0);
    le_put16(out, static_cast<uint32_t>(picture.width));
    le_put16(out, static_cast<uint32_t>(picture.height));
    out.push_back(8);
    out.push_back(0x08);  // bit 5 clear: bottom row stored first
    for (int i = 0; i < 256; i++) {
        uint32_t rgb = i < static_cast<int>(picture.palette.size()) ? picture.palette[i] : 0;
        out.push_back(static_cast<uint8_t>(rgb));
        out.push_back(static_cast<uint8_t>(rgb >> 8));
        out.push_back(static_cast<uint8_t>(rgb >> 16));
    }
    for (int y = picture.height - 1; y >= 0; y--) {
        const uint8_t* row = picture.index.data() + static_cast<size_t>(y) * picture.width;
        out.insert(out.end(), row, row + picture.width);
    }
    for (int i = 0; i < 8; i++) out.push_back(0);  // no extension area, no developer directory
    const char signature[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), signature, signature + sizeof signature);  // with its NUL
    return out;
}

// Distinct colours as the decoder will see them: two indices with the same
// RGB count once.
int colours_used(const Picture& picture) {
    std::set<uint32_t> seen;
    for (uint8_t i : picture.index) seen.insert(picture.palette[i]);
    return static_cast<int>(seen.size());
}

// The Windows program's icon file shows the same picture as the window icon
// the other builds decode: one 32 x 32 image of 8 bits, rows bottom first,
// palette in blue-green-red order, nothing masked out.
#include <gtest/gtest.h>
#include <fstream>
#include <iterator>
#include <vector>
#include "app/demo.h"
#include "assets/assets.h"

static uint32_t le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; i--) v = v << 8 | b[at + i];
    return v;
}

TEST(IconFile, SamePictureAsTheWindowIcon) {
    std::ifstream in(BSA_SOURCE_DIR "/assets/icon.ico", std::ios::binary);
    const std::vector<uint8_t> ico((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(ico.size(), 6u + 16 + 40 + 1024 + 1024 + 128);
    EXPECT_EQ(le(ico, 2, 2), 1u);                // an icon
    EXPECT_EQ(le(ico, 4, 2), 1u);                // one image
    EXPECT_EQ(le(ico, 6, 2), 32u | 32u << 8);    // 32 x 32
    EXPECT_EQ(le(ico, 12, 2), 8u);               // bits per pixel
    EXPECT_EQ(le(ico, 14, 4), ico.size() - 22);  // the image's bytes
    EXPECT_EQ(le(ico, 18, 4), 22u);              // and where they start
    EXPECT_EQ(le(ico, 22, 4), 40u);
    EXPECT_EQ(le(ico, 30, 4), 64u);  // colours and mask, one above the other

    uint32_t icon[32 * 32];
    ASSERT_TRUE(decode_tga(icon, asset_icon, asset_icon_size, 32, 32));
    const size_t palette = 22 + 40, pixels = palette + 1024, mask = pixels + 1024;
    for (int y = 0; y < 32; y++) {
        for (int x = 0; x < 32; x++) {
            const size_t entry = palette + 4 * ico[pixels + (31 - y) * 32 + x];
            ASSERT_EQ(le(ico, entry, 3), icon[y * 32 + x]) << x << "," << y;
        }
    }
    for (size_t i = mask; i < ico.size(); i++) ASSERT_EQ(ico[i], 0) << "masked at byte " << i;
}

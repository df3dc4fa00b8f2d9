// decode_tga and the in-memory module stream, on their worked examples.
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "app/demo.h"
#include "assets/assets.h"

static std::vector<uint8_t> tiny_tga(int width, int height, const std::vector<uint8_t>& indices) {
    std::vector<uint8_t> image(18 + 768 + indices.size());
    const uint8_t header[18] = {0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, static_cast<uint8_t>(width), 0,
                                static_cast<uint8_t>(height), 0, 8, 0x08};
    std::memcpy(image.data(), header, 18);
    for (int i = 0; i < 256; i++) {  // entry i: blue i, green i+1, red i+2
        image[18 + 3 * i] = static_cast<uint8_t>(i);
        image[19 + 3 * i] = static_cast<uint8_t>(i + 1);
        image[20 + 3 * i] = static_cast<uint8_t>(i + 2);
    }
    std::memcpy(image.data() + 786, indices.data(), indices.size());
    return image;
}

static bool decode(uint32_t* out, const std::vector<uint8_t>& image, int width, int height) {
    return decode_tga(out, image.data(), static_cast<uint32_t>(image.size()), width, height);
}

TEST(DecodeTga, ColourMapRowOrderAndEmptySizes) {
    std::vector<uint8_t> image = tiny_tga(2, 2, {1, 2, 3, 4});
    image[18 + 3 * 7] = 0x80, image[19 + 3 * 7] = 0x80, image[20 + 3 * 7] = 0x00;
    uint32_t out[4] = {};
    EXPECT_TRUE(decode(out, image, 2, 2));
    // The first stored row is the bottom one.
    EXPECT_EQ(out[0], 0x050403u);
    EXPECT_EQ(out[1], 0x060504u);
    EXPECT_EQ(out[2], 0x030201u);
    EXPECT_EQ(out[3], 0x040302u);

    std::vector<uint8_t> one = tiny_tga(1, 1, {7});
    one[18 + 3 * 7] = 0x80, one[19 + 3 * 7] = 0x80, one[20 + 3 * 7] = 0x00;
    EXPECT_TRUE(decode(out, one, 1, 1));
    EXPECT_EQ(out[0], 0x00008080u) << "blue 0x80, green 0x80, red 0 is the font's key";

    uint32_t untouched[2] = {0xDEAD, 0xBEEF};
    EXPECT_FALSE(decode(untouched, image, 0, 5));
    EXPECT_FALSE(decode(untouched, image, 5, -1));
    EXPECT_EQ(untouched[0], 0xDEADu);
    EXPECT_EQ(untouched[1], 0xBEEFu);
}

// Nothing is read past the bytes given, and a header of another layout or
// size is refused, with nothing written.
TEST(DecodeTga, ShortPicturesAndOtherHeadersAreRefused) {
    const std::vector<uint8_t> good = tiny_tga(2, 2, {1, 2, 3, 4});
    uint32_t out[4] = {1, 2, 3, 4};
    // Cut one byte short, in a buffer of exactly that length, so a read past it shows under sanitizers.
    const std::vector<uint8_t> short_one(good.begin(), good.end() - 1);
    EXPECT_FALSE(decode(out, short_one, 2, 2));
    EXPECT_FALSE(decode_tga(out, good.data(), 17, 2, 2));
    EXPECT_FALSE(decode(out, good, 2, 3));  // not the size the header holds
    EXPECT_FALSE(decode(out, good, 3, 2));
    for (size_t byte : {0u, 1u, 2u, 4u, 6u, 7u, 13u, 16u}) {
        std::vector<uint8_t> bad = good;
        bad[byte] ^= 0x40;
        EXPECT_FALSE(decode(out, bad, 2, 2)) << "header byte " << byte;
    }
    EXPECT_EQ(std::vector<uint32_t>(out, out + 4), (std::vector<uint32_t>{1, 2, 3, 4}));
    // The descriptor and the origin are not read: rows are always turned over.
    std::vector<uint8_t> top_first = good;
    top_first[17] = 0x28;
    EXPECT_TRUE(decode(out, top_first, 2, 2));
    EXPECT_EQ(out[0], 0x050403u);
}

TEST(DecodeTga, EmbeddedPicturesDecode) {
    ASSERT_TRUE(decode_pictures());
    EXPECT_EQ(sprite_sheet[0], 0x00209020u);
    for (int i = 0; i < FONT_WIDTH * FONT_HEIGHT; i++)
        ASSERT_TRUE(font_strip[i] == 0x00008080u || font_strip[i] == 0) << "font pixel " << i;
}

struct StreamHandle {
    void* handle = mem_open(asset_module);
    ~StreamHandle() { mem_close(handle); }
};

TEST(MemoryStream, ReadsClampAtTheEnd) {
    StreamHandle s;
    const int32_t size = static_cast<int32_t>(asset_module_size);
    ASSERT_GT(size, 160);
    EXPECT_EQ(mem_tell(s.handle), 0);
    EXPECT_EQ(static_cast<MemoryStream*>(s.handle)->size, size);

    std::vector<uint8_t> buffer(100, 0xAA);
    mem_seek(s.handle, size - 100, 0);  // a read ending exactly at the end is whole
    EXPECT_EQ(mem_read(buffer.data(), 100, s.handle), 100);
    EXPECT_EQ(std::memcmp(buffer.data(), asset_module + size - 100, 100), 0);

    mem_seek(s.handle, size - 60, 0);
    std::fill(buffer.begin(), buffer.end(), 0xAA);
    EXPECT_EQ(mem_read(buffer.data(), 100, s.handle), 60);
    EXPECT_EQ(std::memcmp(buffer.data(), asset_module + size - 60, 60), 0);
    EXPECT_EQ(buffer[60], 0xAA) << "nothing beyond the module is copied";
    EXPECT_EQ(mem_tell(s.handle), size);
    EXPECT_EQ(mem_read(buffer.data(), 100, s.handle), 0);
    EXPECT_EQ(mem_tell(s.handle), size);
}

TEST(MemoryStream, SeekModesAndUnsafeArguments) {
    StreamHandle s;
    const int32_t size = static_cast<int32_t>(asset_module_size);
    mem_seek(s.handle, -10, 2);
    EXPECT_EQ(mem_tell(s.handle), size - 10);
    mem_seek(s.handle, 10, 2);
    EXPECT_EQ(mem_tell(s.handle), size);
    mem_seek(s.handle, 40, 0);
    mem_seek(s.handle, 5, 3);
    EXPECT_EQ(mem_tell(s.handle), 40) << "an unknown mode changes nothing";
    mem_seek(s.handle, 0, 1);
    EXPECT_EQ(mem_tell(s.handle), 40);
    mem_seek(s.handle, 2, 1);
    EXPECT_EQ(mem_tell(s.handle), 42);

    // Guarded beyond the original contract: no position before the module,
    // no negative copy, no overflow of position + count.
    mem_seek(s.handle, -100, 1);
    EXPECT_EQ(mem_tell(s.handle), 0);
    uint8_t byte = 0x55;
    EXPECT_EQ(mem_read(&byte, -1, s.handle), 0);
    EXPECT_EQ(byte, 0x55);
    mem_seek(s.handle, size - 1, 0);
    EXPECT_EQ(mem_read(&byte, INT32_MAX, s.handle), 1);

    StreamHandle other;
    EXPECT_EQ(mem_tell(other.handle), 0) << "each open is an independent stream";
}

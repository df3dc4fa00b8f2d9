// Presentation: the 16-bit packings, the full-screen row copy, the bottom-up
// windowed image and the dropped frame of a failed lock.
#include <gtest/gtest.h>
#include <cstring>
#include "fw_test_util.h"

TEST(Packing, KnownColoursIn565And555) {
    EXPECT_EQ(fw_pack_565(0x00FFFFFF), 0xFFFF);
    EXPECT_EQ(fw_pack_555(0x00FFFFFF), 0x7FFF);
    EXPECT_EQ(fw_pack_565(0x00FF0000), 0xF800);
    EXPECT_EQ(fw_pack_555(0x00FF0000), 0x7C00);
    EXPECT_EQ(fw_pack_565(0x0000FF00), 0x07E0);
    EXPECT_EQ(fw_pack_555(0x0000FF00), 0x03E0);
    EXPECT_EQ(fw_pack_565(0x000000FF), 0x001F);
    EXPECT_EQ(fw_pack_555(0x000000FF), 0x001F);
    // Low bits are dropped, never rounded up; the unused top byte is ignored.
    EXPECT_EQ(fw_pack_565(0xFF070307), 0x0000);
    EXPECT_EQ(fw_pack_555(0x00080808), 0x0421);
}

static void fill_pattern() {
    for (int32_t y = 0; y < 240; y++)
        for (int32_t x = 0; x < 320; x++) fw_frame.pixels[y * 320 + x] = static_cast<uint32_t>((y << 16) | (x << 4) | (x & 0xFF));
}

static uint16_t back16(int32_t x, int32_t y) {
    uint16_t v;
    std::memcpy(&v, fake.flipped.data() + y * fake.back_pitch + x * 2, 2);
    return v;
}

TEST(FullScreen, SixteenBitModesPackByTheGreenMask) {
    for (const FakeMode& m : {mode565(), mode555()}) {
        open_demo_screen({m});
        ASSERT_EQ(fw_display.mode, DisplayMode::FullScreen);
        fill_pattern();
        fw_show_frame(fw_frame.pixels);
        const bool six = m.green_mask == 0x07E0;
        for (int32_t y : {0, 1, 120, 239}) {
            for (int32_t x : {0, 7, 319}) {
                const uint32_t p = fw_frame.pixels[y * 320 + x];
                EXPECT_EQ(back16(x, y), six ? fw_pack_565(p) : fw_pack_555(p)) << x << "," << y;
            }
        }
        // The pitch's padding past the row is left alone.
        EXPECT_EQ(fake.flipped[320 * 2], 0xAB);
    }
}

TEST(FullScreen, ThirtyTwoBitRowsCopiedUnchangedAndFlipped) {
    open_demo_screen({mode32()});
    fill_pattern();
    const int32_t flips = fake.flips;
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake.flips, flips + 1);
    for (int32_t y = 0; y < 240; y++) {
        ASSERT_EQ(std::memcmp(fake.flipped.data() + y * fake.back_pitch, fw_frame.pixels + y * 320, 1280), 0) << y;
    }
    EXPECT_EQ(fake.draws, 0);  // nothing went the windowed way
}

TEST(FullScreen, FailedLockDropsTheFrameButRestoresEveryTime) {
    open_demo_screen({mode32()});
    fill_pattern();
    fake.lock_fails = true;
    const int32_t flips = fake.flips, restores = fake.restores;
    const std::vector<uint8_t> before = fake.flipped;
    fw_show_frame(fw_frame.pixels);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake.flips, flips);
    EXPECT_EQ(fake.restores, restores + 2);
    EXPECT_EQ(fake.flipped, before);
    fake.lock_fails = false;
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake.flips, flips + 1);
}

TEST(Windowed, ImageIsHandedOverBottomUp) {
    open_demo_screen({}, "w");
    fill_pattern();
    fw_show_frame(fw_frame.pixels);
    ASSERT_EQ(fake.drawn_width, 320);
    ASSERT_EQ(fake.drawn_height, 240);
    EXPECT_EQ(fake.drawn_dest_width, 320);
    EXPECT_EQ(fake.drawn_dest_height, 240);
    for (int32_t y = 0; y < 240; y++) {
        ASSERT_EQ(std::memcmp(&fake.drawn[(239 - y) * 320], fw_frame.pixels + y * 320, 1280), 0) << y;
    }
    // The header the system reads: 40 bytes, positive height (bottom-up), one
    // plane, 32 bits, plain RGB, one pixel per metre, no colour table.
    const FwDibHeader& h = fw_display.dib_header;
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 320);
    EXPECT_EQ(h.height, 240);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bit_count, 32);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(h.size_image, 0u);
    EXPECT_EQ(h.x_pels_per_meter, 1);
    EXPECT_EQ(h.y_pels_per_meter, 1);
    EXPECT_EQ(h.colours_used, 0u);
    EXPECT_EQ(h.colours_important, 0u);
}

TEST(Windowed, ImageInTheBackendsMemoryIsDrawnFromThereAndLeftToIt) {
    fake_reset();
    fake.backend_image = true;
    fw_init("w", nullptr, 0);
    fw_open_screen(320, 240);
    ASSERT_EQ(fw_display.dib_bits, fake.image.data());
    fill_pattern();
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake.drawn_from, fake.image.data());
    EXPECT_EQ(std::memcmp(fake.image.data(), fw_frame.pixels + 239 * 320, 1280), 0);  // bottom row first
    // The end forgets the backend's memory rather than freeing it.
    EXPECT_EQ(fake_exit_code([] { fw_exit(); }), 1);
    EXPECT_EQ(fw_display.dib_bits, nullptr);
    EXPECT_EQ(fake.image.size(), 320u * 240 * 4);
}

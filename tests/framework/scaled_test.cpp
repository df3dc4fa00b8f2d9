// Full screen on a desktop without the frame's mode (the frame scaled by a
// whole factor, centred on black), the window scale option, and the choice of
// the display backend with its one-line refusal when there is no display.
#include <gtest/gtest.h>
#include <cstdlib>
#include "fw_test_util.h"

TEST(ScaledFullScreen, WholeFactorCentredOnBlack) {
    struct Case { int32_t width, height; FwRect want; };
    for (const Case& c : {Case{1024, 768, {32, 24, 960, 720}}, Case{640, 480, {0, 0, 640, 480}},
                          Case{1920, 1080, {320, 60, 1280, 960}}, Case{639, 479, {159, 119, 320, 240}},
                          Case{300, 200, {-10, -20, 320, 240}}}) {
        const FwRect r = fw_scaled_rect(320, 240, c.width, c.height);
        EXPECT_EQ(std::vector<int32_t>({r.x, r.y, r.width, r.height}),
                  std::vector<int32_t>({c.want.x, c.want.y, c.want.width, c.want.height}))
            << c.width << "x" << c.height;
    }
}

// The framework above the seam does as it always does: it finds a 320 x 240
// mode and goes full screen; the desktop shows the frame three times as large.
TEST(ScaledFullScreen, TheDesktopShowsTheFrameScaled) {
    for (int32_t bits : {24, 16}) {
        SCOPED_TRACE(bits);
        fake_reset();
        fake.desktop_width = 1024;
        fake.desktop_height = 768;
        fake.desktop_bits = bits;
        fw_init("*", nullptr, 0);
        fw_open_screen(320, 240);
        ASSERT_EQ(fw_display.mode, DisplayMode::FullScreen);
        EXPECT_EQ(fw_display.mode_depth, bits == 16 ? 16 : 32);  // a 16-bit desktop is packed for
        for (int32_t i = 0; i < 320 * 240; i++) fw_frame.pixels[i] = 0x00FFFFFFu - static_cast<uint32_t>(i);
        fw_show_frame(fw_frame.pixels);
        auto at = [](int32_t x, int32_t y) { return fake.desktop[static_cast<size_t>(y) * 1024 + x]; };
        for (int32_t y : {0, 1, 119, 239}) {
            for (int32_t x : {0, 5, 319}) {
                const uint32_t p = fw_frame.pixels[y * 320 + x];
                const uint32_t want = bits == 16 ? fw_pack_565(p) : p;
                EXPECT_EQ(at(32 + 3 * x, 24 + 3 * y), want);
                EXPECT_EQ(at(32 + 3 * x + 2, 24 + 3 * y + 2), want);
            }
        }
        for (auto [x, y] : {std::pair{31, 24}, {32, 23}, {992, 100}, {500, 744}, {0, 0}, {1023, 767}})
            EXPECT_EQ(at(x, y), 0u) << x << "," << y;
    }
}

TEST(WindowScale, ClientAreaDrawingAndCentring) {
    setenv("BSA_WINDOW_SCALE", "3", 1);
    open_demo_screen({}, "w");
    EXPECT_EQ(fake_window()->client_width, 960);
    EXPECT_EQ(fake_window()->client_height, 720);
    EXPECT_EQ(fake_window()->x, (1024 - 960) / 2);
    EXPECT_EQ(fake_window()->y, (768 - 720) / 2);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake.drawn_width, 320);  // the frame itself, stretched to the client area
    EXPECT_EQ(fake.drawn_dest_width, 960);
    EXPECT_EQ(fake.drawn_dest_height, 720);

    // Values that are no whole factor from 1 to 16 leave the defined size.
    for (const char* wrong : {"0", "17", "2x", "-1", ""}) {
        setenv("BSA_WINDOW_SCALE", wrong, 1);
        open_demo_screen({}, "w");
        EXPECT_EQ(fake_window()->client_width, 320) << wrong;
    }
    unsetenv("BSA_WINDOW_SCALE");
}

// Without a display the program says so in one line and ends through the
// framework's error path; the headless backend runs only when asked for.
TEST(BackendChoice, NoDisplayIsSaidInOneLine) {
    fake_reset();
    fw_install_platform(nullptr);
    setenv("BSA_DISPLAY", "nonesuch", 1);
    EXPECT_EXIT(fw_init("*", nullptr, 0), testing::ExitedWithCode(1),
                "^cannot open a display: BSA_DISPLAY names no display backend \\([a-z, ]*headless\\)\n$");
#ifdef BSA_HAVE_SDL
    unsetenv("BSA_DISPLAY");
    EXPECT_EXIT(
        {
            setenv("DISPLAY", ":4711", 1);
            unsetenv("WAYLAND_DISPLAY");
            fw_init("*", nullptr, 0);
        },
        testing::ExitedWithCode(1), "^cannot open a display: .*not available \\(DISPLAY is :4711\\)\n$");
#endif
    setenv("BSA_DISPLAY", "headless", 1);
    fw_install_platform(nullptr);
    EXPECT_STREQ(fw_os()->name, "headless");
    unsetenv("BSA_DISPLAY");
    fake_reset();
}

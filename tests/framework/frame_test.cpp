// The frame buffer's geometry, the window's placement and the options.
#include <gtest/gtest.h>
#include "fw_test_util.h"

TEST(FrameBuffer, VisibleBandStaysCentred) {
    open_demo_screen({});
    EXPECT_EQ(fw_frame.pixels, fw_frame.base);
    EXPECT_EQ(fw_frame.pixel_count, 76800);
    EXPECT_EQ(fw_frame.full_height, 240);

    open_demo_screen({});  // fw_set_height(240) already ran: nothing moved
    EXPECT_EQ(fw_set_height(200), fw_frame.base + 20 * 320);
    EXPECT_EQ(fw_frame.pixel_count, 64000);
    EXPECT_EQ(fw_frame.height, 200);

    fake_reset();
    fw_init("*", nullptr, 0);
    fw_open_screen(320, 240);
    EXPECT_EQ(fw_set_height(201), fw_frame.base + 19 * 320);  // 39 / 2 rounds down

    // A band taller than the frame would start above the store: refused.
    uint32_t* before = fw_frame.pixels;
    EXPECT_EQ(fw_set_height(400), before);
    EXPECT_EQ(fw_frame.height, 201);
}

TEST(FrameBuffer, NarrowBandPresentsTheWholeStore) {
    open_demo_screen({});
    fw_set_height(200);
    for (int32_t i = 0; i < 320 * 240; i++) fw_frame.base[i] = static_cast<uint32_t>(i);
    fw_show_frame(fw_frame.pixels);
    // All 240 rows from base reach the window, the bands above and below included.
    ASSERT_EQ(fake.drawn_height, 240);
    EXPECT_EQ(fake.drawn[239 * 320], 0u);                   // bottom-up: last DIB row is frame row 0
    EXPECT_EQ(fake.drawn[0], static_cast<uint32_t>(239 * 320));
    EXPECT_EQ(fake.drawn[(239 - 10) * 320 + 5], static_cast<uint32_t>(10 * 320 + 5));

    // Narrowed twice, the band's start is rounded down at each step (19 + 0
    // rows, not 20): the image must still be the store from base, not a row above it.
    open_demo_screen({});
    fw_set_height(201);
    fw_set_height(200);
    EXPECT_EQ(fw_frame.pixels, fw_frame.base + 19 * 320);
    for (int32_t i = 0; i < 320 * 240; i++) fw_frame.base[i] = static_cast<uint32_t>(i);
    fw_show_frame(fw_frame.pixels);
    ASSERT_EQ(fake.drawn_height, 240);
    EXPECT_EQ(fake.drawn[239 * 320], 0u);
    EXPECT_EQ(fake.drawn[0], static_cast<uint32_t>(239 * 320));
}

TEST(FrameBuffer, OpenShowsBlackAndZeroFilledStore) {
    open_demo_screen({});
    ASSERT_EQ(fake.draws, 1);
    for (uint32_t p : fake.drawn) ASSERT_EQ(p, 0u);
    // The second half of the store exists and is zero as well.
    for (int32_t i = 0; i < 320 * 240 * 2; i++) ASSERT_EQ(fw_frame.base[i], 0u);
    EXPECT_FALSE(fw_open_screen(0, 240));
    EXPECT_FALSE(fw_open_screen(320, -1));
}

TEST(Window, TitleIconSizeAndCentring) {
    static const uint32_t icon_pixels[4] = {1, 2, 3, 4};
    static const FwIcon icon = {2, 2, icon_pixels, nullptr};
    fake_reset();
    fw_icon = &icon;
    fw_init("*", nullptr, 0);
    EXPECT_STREQ(fw_caption, "zeb64k/win v2 rc3");  // the framework's own default
    fw_caption = "Bramzeil Strikes Air";
    fw_open_screen(320, 240);
    FakeWindow* w = fake_window();
    EXPECT_EQ(w->title, "Bramzeil Strikes Air");
    EXPECT_EQ(w->icon, &icon);
    EXPECT_EQ(w->client_width, 320);
    EXPECT_EQ(w->client_height, 240);
    EXPECT_EQ(w->x, (1024 - 320) / 2);
    EXPECT_EQ(w->y, (768 - 240) / 2);

    // Larger than the screen: a negative position, halved toward zero.
    fake_reset();
    fake.screen_width = 300;
    fake.screen_height = 200;
    fw_init("*", nullptr, 0);
    fw_open_screen(320, 241);
    EXPECT_EQ(fake_window()->x, -10);
    EXPECT_EQ(fake_window()->y, -20);  // -41 / 2 rounds toward zero
}

TEST(Window, OptionStringAsksForAWindow) {
    open_demo_screen({mode32()}, "*");
    EXPECT_EQ(fw_windowed, 0);
    EXPECT_EQ(fw_display.mode, DisplayMode::FullScreen);
    open_demo_screen({mode32()}, "xwx");
    EXPECT_EQ(fw_windowed, 1);
    EXPECT_EQ(fw_display.mode, DisplayMode::Windowed);
    EXPECT_EQ(fw_display.full_screen_available, 1);
    open_demo_screen({mode32()}, "W");  // upper case does not count
    EXPECT_EQ(fw_windowed, 0);
    EXPECT_EQ(fw_display.mode, DisplayMode::FullScreen);
}

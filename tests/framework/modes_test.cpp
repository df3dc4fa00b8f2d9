// The display-mode search and the switching between window and full screen.
#include <gtest/gtest.h>
#include "fw_test_util.h"

TEST(ModeSearch, PicksExactSizeAt32ElseAt16) {
    open_demo_screen({});
    EXPECT_EQ(fw_display.full_screen_available, 0);
    EXPECT_EQ(fw_display.mode, DisplayMode::Windowed);
    EXPECT_EQ(fw_display.want_full_screen, 0);
    EXPECT_EQ(fake.enum_calls, 2);  // 32 bits, then 16
    EXPECT_EQ(fake_count("enter 0x0x16"), 0);

    open_demo_screen({mode565(), mode32()});
    EXPECT_EQ(fw_display.mode_depth, 32);
    EXPECT_EQ(fake_count("enter 320x240x32"), 1);
    EXPECT_EQ(fake.enum_calls, 1);

    open_demo_screen({FakeMode{{640, 480, 32, 60}, 0xFF00}, FakeMode{{320, 200, 32, 60}, 0xFF00}, mode555()});
    EXPECT_EQ(fw_display.full_screen_available, 1);
    EXPECT_EQ(fw_display.mode_depth, 16);
    EXPECT_EQ(fw_display.mode_width, 320);
    EXPECT_EQ(fw_display.mode_height, 240);
    EXPECT_EQ(fw_display.mode, DisplayMode::FullScreen);
    EXPECT_TRUE(fake.full_screen);
    EXPECT_FALSE(fake.cursor_visible);
    EXPECT_TRUE(fake_window()->full_screen_style);

    // Only other sizes: stays windowed.
    open_demo_screen({FakeMode{{640, 480, 32, 60}, 0xFF00}, FakeMode{{320, 240, 24, 60}, 0}});
    EXPECT_EQ(fw_display.full_screen_available, 0);
    EXPECT_EQ(fw_display.mode_width, 0);
}

TEST(ModeSearch, DuplicatesAtSeveralRefreshRatesAreAllWalked) {
    open_demo_screen({mode32(60), mode32(75), mode32(85)});
    EXPECT_EQ(fw_display.best_area, 320u * 240u);
    EXPECT_EQ(fw_display.mode_width, 320);
    EXPECT_EQ(fake_count("enter 320x240x32"), 1);
}

TEST(ModeSearch, UnchangedGeometryRebuildsNothingButRecomputesTheWish) {
    open_demo_screen({mode32()});
    const int32_t enums = fake.enum_calls;
    fw_windowed = 1;
    EXPECT_FALSE(fw_set_mode(320, 240, 32));
    EXPECT_EQ(fw_display.want_full_screen, 0);
    EXPECT_EQ(fake.enum_calls, enums);
    EXPECT_EQ(fw_display.mode, DisplayMode::FullScreen);
}

TEST(Switching, SpaceAndF2ToggleAndRepeat) {
    open_demo_screen({mode32()});
    ASSERT_EQ(fw_display.mode, DisplayMode::FullScreen);
    fake_queue(WM_KEYDOWN, VK_SPACE);
    const int32_t dispatches = fake.dispatches;
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake.dispatches, dispatches + 1);  // the window system's way
    EXPECT_EQ(fw_windowed, 1);
    EXPECT_EQ(fw_display.mode, DisplayMode::Windowed);
    EXPECT_FALSE(fake.full_screen);
    EXPECT_FALSE(fake_window()->full_screen_style);
    // The window came back centred at its client size.
    EXPECT_EQ(fake_window()->x, (1024 - 320) / 2);

    // An auto-repeating key toggles on every repeat; a run of them queued
    // together is entered once, in the state it leaves.
    fake_queue(WM_KEYDOWN, VK_F2);
    fake_queue(WM_KEYDOWN, VK_F2);
    fake_queue(WM_KEYDOWN, VK_F2);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fw_display.mode, DisplayMode::FullScreen);
    EXPECT_EQ(fw_windowed, 0);
    EXPECT_EQ(fake_count("enter 320x240x32"), 2);
    fake_queue(WM_KEYDOWN, VK_SPACE);
    fake_queue(WM_KEYDOWN, VK_F2);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake_count("enter 320x240x32"), 2);  // an even run ends where it began
    EXPECT_EQ(fake_count("leave"), 1);
    // Runs apart are entered apart: a size report between them ends the first.
    fake_queue(WM_KEYDOWN, VK_SPACE);
    fake_queue(WM_SIZE, 0, fw_pack_size(320, 240));
    fake_queue(WM_KEYDOWN, VK_SPACE);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake_count("leave"), 2);
    EXPECT_EQ(fake_count("enter 320x240x32"), 3);
    EXPECT_EQ(fake.windows.size(), 1u);

    // Switching to where one already is changes nothing.
    const size_t calls = fake.calls.size();
    fw_switch_mode(true);
    EXPECT_EQ(fake.calls.size(), calls);
}

TEST(Switching, AltEnterOnlyWithAFittingMode) {
    open_demo_screen({mode32()});
    fake_queue(WM_KEYDOWN, VK_RETURN);                  // Enter alone does nothing
    fake_queue(WM_SYSKEYDOWN, VK_RETURN, 0);             // no Alt context bit
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fw_display.mode, DisplayMode::FullScreen);
    fake_queue(WM_SYSKEYDOWN, VK_RETURN, FW_KEY_ALT);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fw_display.mode, DisplayMode::Windowed);
    EXPECT_EQ(fw_windowed, 1);

    open_demo_screen({});
    fake_queue(WM_SYSKEYDOWN, VK_RETURN, FW_KEY_ALT);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fw_windowed, 0);
    EXPECT_EQ(fake.windows.size(), 1u);
}

TEST(Switching, SpaceWithoutAModeFallsBackToTheSameWindow) {
    open_demo_screen({});
    FakeWindow* first = fake_window();

    // First press: only the preference changes, which frees the pointer.
    fake_queue(WM_KEYDOWN, VK_SPACE);
    fake_queue(WM_SETCURSOR);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fw_windowed, 1);
    EXPECT_TRUE(fake.cursor_visible);
    EXPECT_EQ(fake_window(), first);

    // Second press: full screen is tried at 0 x 0 x 16 and fails; the program
    // goes on in the same window, windowed and centred, with a black frame.
    fw_frame.pixels[5] = 0xFFFFFF;
    fake_queue(WM_KEYDOWN, VK_SPACE);
    fake_queue(WM_SETCURSOR);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake_count("enter 0x0x16"), 1);
    EXPECT_EQ(fw_windowed, 1);
    EXPECT_EQ(fw_display.want_full_screen, 0);
    EXPECT_EQ(fw_display.mode, DisplayMode::Windowed);
    ASSERT_EQ(fake.windows.size(), 1u);
    EXPECT_FALSE(first->destroyed);
    EXPECT_FALSE(first->full_screen_style);
    EXPECT_EQ(first->x, (1024 - 320) / 2);
    EXPECT_EQ(fw_frame.pixels[5], 0u);
    EXPECT_EQ(fw_frame.pixels, fw_frame.base);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake.drawn[239 * 320 + 5], 0u);

    // Every later press tries again and falls back again, but a run of them
    // queued together tries once, whatever its length.
    for (int i = 0; i < 101; i++) fake_queue(WM_KEYDOWN, VK_SPACE);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake_count("enter 0x0x16"), 2);
    EXPECT_EQ(fw_windowed, 1);
    EXPECT_EQ(fake.windows.size(), 1u);

    // The window still answers the keys: Escape ends the program.
    fake_queue(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_EQ(fake_exit_code([] { fw_show_frame(fw_frame.pixels); }), 1);
}

TEST(Switching, SizeIsKeptOnlyInAWindow) {
    open_demo_screen({mode32()}, "w");
    fake_queue(WM_SIZE, 0, fw_pack_size(640, 480));
    fw_show_frame(fw_frame.pixels);  // the pump runs after the present
    EXPECT_EQ(fw_display.client_width, 640);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake.drawn_dest_width, 640);
    EXPECT_EQ(fake.drawn_dest_height, 480);
    fake_queue(WM_SIZE, 0, fw_pack_size(0, 0));  // minimised
    fw_show_frame(fw_frame.pixels);
    fw_show_frame(fw_frame.pixels);
    EXPECT_EQ(fake.drawn_dest_width, 0);

    fake_queue(WM_SIZE, 0, fw_pack_size(400, 300));
    fake_queue(WM_KEYDOWN, VK_SPACE);              // to full screen
    fake_queue(WM_SIZE, 0, fw_pack_size(320, 240)); // ignored there
    fw_show_frame(fw_frame.pixels);
    ASSERT_EQ(fw_display.mode, DisplayMode::FullScreen);
    EXPECT_EQ(fw_display.client_width, 400);
    EXPECT_EQ(fw_display.client_height, 300);
}

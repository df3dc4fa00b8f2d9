// Start-up and every end: the processor check, the keys and messages that
// end the program, and the restore that runs exactly once.
#include <gtest/gtest.h>
#include <csignal>
#include "fw_test_util.h"

TEST(StartUp, WithoutMmxTheProgramRefusesToRun) {
    fake_reset();
    fake.has_mmx = false;
    EXPECT_EQ(fake_exit_code([] { fw_init("*", nullptr, 0); }), 1);
    ASSERT_EQ(fake.message_boxes.size(), 1u);
    EXPECT_EQ(fake.message_boxes[0], "|mmx required");  // empty caption
    EXPECT_TRUE(fake.windows.empty());
    EXPECT_EQ(fake_count("destroy"), 0);
    EXPECT_EQ(fw_mmx, 0);
    EXPECT_EQ(fw_caption, nullptr);  // nothing after the check ran

    fake_reset();
    fw_init("*", nullptr, 0);
    EXPECT_EQ(fw_mmx, 1);
    EXPECT_TRUE(fake.message_boxes.empty());
}

TEST(StartUp, ThisProcessorIsAnswered) {
#if defined(__i386__) || defined(__x86_64__)
    EXPECT_TRUE(fw_cpu_has_mmx());  // every x86-64 processor has it
#else
    EXPECT_TRUE(fw_cpu_has_mmx());
#endif
}

TEST(Ending, EscapeEndsFromInsideThePump) {
    open_demo_screen({mode32()});
    fake_queue(WM_KEYDOWN, VK_ESCAPE);
    fake_queue(WM_KEYDOWN, VK_SPACE);  // never reached
    bool returned = false;
    EXPECT_EQ(fake_exit_code([&] {
                  fw_show_frame(fw_frame.pixels);
                  returned = true;
              }),
              1);
    EXPECT_FALSE(returned);
    EXPECT_EQ(fw_windowed, 0);
    // Full screen was left, the window took its windowed style and the
    // backends were released, before the window was destroyed.
    const auto& c = fake.calls;
    auto leave = std::find(c.begin(), c.end(), "leave");
    auto windowed = std::find(leave, c.end(), "style windowed");
    auto stop = std::find(windowed, c.end(), "stop");
    auto destroy = std::find(stop, c.end(), "destroy");
    EXPECT_NE(destroy, c.end());
    EXPECT_EQ(fake_count("destroy"), 1);
    EXPECT_EQ(fake_count("exit"), 1);  // the re-entrant WM_DESTROY ended it
    EXPECT_EQ(fw_frame.base, nullptr);
}

TEST(Ending, QuitQueuedBeforeShowFramePresentsFirst) {
    open_demo_screen({mode32()});
    const int32_t flips = fake.flips;
    fake_queue(WM_QUIT);
    EXPECT_EQ(fake_exit_code([] { fw_show_frame(fw_frame.pixels); }), 1);
    EXPECT_EQ(fake.flips, flips + 1);

    // A close request is turned into a quit; the window is not destroyed by it.
    open_demo_screen({});
    fake_queue(WM_CLOSE);
    const int32_t draws = fake.draws;
    EXPECT_EQ(fake_exit_code([] { fw_show_frame(fw_frame.pixels); }), 1);
    EXPECT_EQ(fake.draws, draws + 1);
    EXPECT_EQ(fake_count("destroy"), 1);  // only the restore's
}

TEST(Ending, RestoreRunsOnce) {
    open_demo_screen({mode32()});
    EXPECT_EQ(fake_exit_code([] { fw_exit(); }), 1);
    EXPECT_EQ(fw_restored, 1);
    const size_t calls = fake.calls.size();
    // Any later end finds the restore done and only ends the process.
    EXPECT_EQ(fake_exit_code([] { fw_exit(); }), 1);
    EXPECT_EQ(fake.calls.size(), calls + 1);
    EXPECT_EQ(fake.calls.back(), "exit");
}

TEST(Ending, FatalBeforeAnyWindowSkipsWhatIsMissing) {
    fake_reset();
    EXPECT_EQ(fake_exit_code([] { fw_fatal("broken"); }), 1);
    EXPECT_EQ(fake.message_boxes, std::vector<std::string>{"|broken"});
    EXPECT_EQ(fake_count("destroy"), 0);
    EXPECT_EQ(fake_count("leave"), 0);
    // No window whose end would end the program: the display settings are put back.
    EXPECT_EQ(fake_count("reset display"), 1);

    // With a window up the message is still shown, out of full screen, before the end.
    open_demo_screen({mode32()});
    EXPECT_EQ(fake_exit_code([] { fw_fatal("late"); }), 1);
    EXPECT_EQ(fake.message_boxes, std::vector<std::string>{"|late"});
    EXPECT_FALSE(fake.full_screen);
    EXPECT_EQ(fake_count("destroy"), 1);
    EXPECT_EQ(fake_count("reset display"), 0);  // the window's end ended the program first
}

TEST(Input, PointerScreenSaverAndPassingOn) {
    open_demo_screen({});  // windowed for lack of a mode, full screen still preferred
    fake.cursor_visible = true;
    EXPECT_EQ(fw_class_proc(fw_display.window, WM_SETCURSOR, 0, 0), 1);
    EXPECT_FALSE(fake.cursor_visible);
    fw_windowed = 1;
    EXPECT_EQ(fw_class_proc(fw_display.window, WM_SETCURSOR, 0, 0), 7);
    EXPECT_TRUE(fake.cursor_visible);

    EXPECT_EQ(fw_class_proc(fw_display.window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(fw_class_proc(fw_display.window, WM_SYSCOMMAND, SC_MONITORPOWER, 0), 7);
    EXPECT_EQ(fw_class_proc(fw_display.window, WM_SYSCOMMAND, SC_SCREENSAVE | 1, 0), 7);  // no masking
    EXPECT_EQ(fw_class_proc(fw_display.window, WM_KEYDOWN, 'A', 0), 7);

    // In full screen the class procedure hides the pointer itself.
    open_demo_screen({mode32()});
    fake.cursor_visible = true;
    fw_windowed = 1;
    EXPECT_EQ(fw_class_proc(fw_display.window, WM_SETCURSOR, 0, 0), 0);
    EXPECT_FALSE(fake.cursor_visible);
}

// A quit, a close, Escape or a caught signal end the program at the next pump
// whatever stands before them in the queue: no switch is entered first.
TEST(Ending, EndingsGoFirstWhateverIsQueued) {
    constexpr uint32_t SIGNAL = 0;
    for (uint32_t ending : {WM_KEYDOWN, WM_CLOSE, WM_QUIT, SIGNAL}) {
        SCOPED_TRACE(ending);
        open_demo_screen({mode32()});
        const size_t calls = fake.calls.size();
        for (int i = 0; i < 500; i++) fake_queue(WM_KEYDOWN, i % 2 ? VK_F2 : VK_SPACE);
        if (ending == SIGNAL) {
            std::raise(SIGTERM);  // handled as a close request, exit code 1
        } else {
            fake_queue(ending, ending == WM_KEYDOWN ? VK_ESCAPE : 0);
        }
        fake_queue(WM_KEYDOWN, VK_SPACE);
        EXPECT_EQ(fake_exit_code([] { fw_show_frame(fw_frame.pixels); }), 1);
        // Only the restore ran: out of full screen, back-ends released, window
        // destroyed, process ended.
        std::vector<std::string> after(fake.calls.begin() + static_cast<long>(calls), fake.calls.end());
        EXPECT_EQ(after, (std::vector<std::string>{"leave", "style windowed", "stop", "destroy", "exit"}));
    }
}

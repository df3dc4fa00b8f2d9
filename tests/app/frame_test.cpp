// Whole frames from the embedded pictures at a few music times, checked by
// what they must show rather than by stored pictures.
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "app/demo.h"
#include "assets/assets.h"

namespace {
const uint32_t key = 0x00209020;
const uint32_t white = 0x00FFFFFF;

struct Frames : ::testing::Test {
    std::vector<uint32_t> frame = std::vector<uint32_t>(SCREEN_WIDTH * SCREEN_HEIGHT);
    static void SetUpTestSuite() { ASSERT_TRUE(decode_pictures()); }
    void SetUp() override {
        scroll_text = reinterpret_cast<const char*>(asset_scroll_text);
        scroll_length = static_cast<int>(std::strlen(scroll_text));
        scroll_pos = scroll_offset = scroll_last_time = 0;
        scroll_started = quit_requested = false;
    }
    uint32_t at(int x, int y) const { return frame[y * SCREEN_WIDTH + x]; }
    static uint32_t back(int x, int y) { return background[y * SCREEN_WIDTH + x]; }
    static uint32_t sheet(int x, int y) { return sprite_sheet[y * SCREEN_WIDTH + x]; }
    static bool inside(int x, int y, int left, int top, int w, int h) {
        return x >= left && x < left + w && y >= top && y < top + h;
    }
    int whites_in(int left, int top, int w, int h) const {
        int n = 0;
        for (int y = top; y < top + h; y++)
            for (int x = left; x < left + w; x++) n += at(x, y) == white && back(x, y) != white;
        return n;
    }
};
}  // namespace

TEST_F(Frames, AtTheStartOnlyTheAnimalsStandOnTheBackground) {
    draw_frame(frame.data(), 0, 0);
    for (int y = 0; y < SCREEN_HEIGHT; y++)
        for (int x = 0; x < SCREEN_WIDTH; x++) {
            if (inside(x, y, 20, 130, 90, 90) || inside(x, y, 180, 130, 90, 90)) continue;
            ASSERT_EQ(at(x, y), back(x, y)) << "no scroll text, no credit yet at " << x << "," << y;
        }
    // Goat with its own head at x 20; sheep with mouth frame 2 at x 180.
    for (int y = 0; y < 90; y++)
        for (int x = 0; x < 90; x++) {
            const uint32_t goat = sheet(25 + x, 80 + y);
            ASSERT_EQ(at(20 + x, 130 + y), goat == key ? back(20 + x, 130 + y) : goat);
            if (x >= 1 && x < 42 && y < 57) {
                const uint32_t mouth = sheet(173 + x - 1, 10 + y);
                ASSERT_EQ(at(180 + x, 130 + y), mouth == key ? back(180 + x, 130 + y) : mouth);
            }
        }
}

TEST_F(Frames, CreditsAndMouthsFollowTimeAndRow) {
    const int t = 27000, row = 4;  // "codering:" and "mc knolraap"; goat frame 1, sheep frame 0
    draw_frame(frame.data(), t, row);
    EXPECT_GT(whites_in(100, 80, 13 * 9, 11), 40) << "the label";
    EXPECT_GT(whites_in(150, 110, 13 * 11, 11), 40) << "the name";
    const int gx = goat_x(t) + 46;
    for (int y = 0; y < 57; y++)
        for (int x = 0; x < 41; x++) {
            const uint32_t mouth = sheet(1 + x, 10 + y);
            ASSERT_EQ(at(gx + x, 130 + y), mouth == key ? back(gx + x, 130 + y) : mouth);
        }
    const int sx = sheep_x(t);
    for (int y = 0; y < 90; y++)
        for (int x = 0; x < 90; x++) {
            const uint32_t body = sheet(140 + x, 80 + y);
            ASSERT_EQ(at(sx + x, 130 + y), body == key ? back(sx + x, 130 + y) : body);
        }

    draw_frame(frame.data(), 48000, 0);
    EXPECT_EQ(whites_in(0, 70, SCREEN_WIDTH, 60), 0) << "no credit after 48 s";
}

TEST_F(Frames, TheTextPassesAndTheDemoEnds) {
    // One frame per 20 ms block, as the loop sees the music time move.
    int t = 0;
    bool words_seen = false;
    while (!quit_requested && t < 200000) {
        draw_frame(frame.data(), t, (t / 125) % 64);
        words_seen |= whites_in(0, 15, SCREEN_WIDTH, 42) > 0;
        t += 20;
    }
    EXPECT_TRUE(words_seen);
    EXPECT_EQ(scroll_length, 546);
    ASSERT_TRUE(quit_requested);
    EXPECT_EQ(scroll_pos, scroll_length + 1);
    // 2 pixels a frame: the text and one more cell have passed.
    EXPECT_EQ((t - 20) / 20 * 2 / 13, scroll_length + 1);
    EXPECT_EQ(whites_in(0, 15, SCREEN_WIDTH, 42), 0) << "the last frame shows the trailing spaces";
}

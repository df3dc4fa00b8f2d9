// The animals: their sway, mouth frames and sprite drawing.
#include <gtest/gtest.h>
#include "app/demo.h"
#include "scene_fixture.h"

TEST(Sway, PositionsFollowTheExactArithmetic) {
    EXPECT_EQ(goat_x(0), 20);
    EXPECT_EQ(sheep_x(0), 180);
    EXPECT_EQ(goat_x(628), 39) << "next to the sine's peak";
    // Times where the single-precision factors decide the pixel: the exact
    // constants, or the product taken in the other precision, land elsewhere.
    EXPECT_EQ(goat_x(53629), 37);   // 0.0025 exactly would give 36
    EXPECT_EQ(goat_x(31517), 14);   // a float product would give 15
    EXPECT_EQ(sheep_x(64299), 201); // a double product would give 202
    EXPECT_EQ(sheep_x(17535), 211); // 1/440 exactly would give 212
    for (int t = 0; t < 100000; t += 7) {
        ASSERT_GE(goat_x(t), 0);
        ASSERT_LE(goat_x(t), 39);
        ASSERT_GE(sheep_x(t), 180);
        ASSERT_LE(sheep_x(t), 220);
    }
}

TEST(Sway, MouthFramesCycleEveryFourRows) {
    const int goat_expected[12] = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2};
    for (int r = 0; r < 256; r++) {
        EXPECT_EQ(goat_mouth_frame(r), goat_expected[r % 12]) << r;
        EXPECT_EQ(sheep_mouth_frame(r), (goat_expected[r % 12] + 2) % 3) << r;
    }
    // Across a pattern end both keep their frame for eight rows.
    for (int r : {60, 61, 62, 63, 0, 1, 2, 3}) {
        EXPECT_EQ(goat_mouth_frame(r), 0);
        EXPECT_EQ(sheep_mouth_frame(r), 2);
    }
}

TEST(CommandLine, SlashCAnywhereKeepsRunning) {
    EXPECT_TRUE(command_line_keeps_running("demo.exe /c"));
    EXPECT_FALSE(command_line_keeps_running("demo.exe /C"));
    EXPECT_FALSE(command_line_keeps_running("demo.exe"));
    EXPECT_TRUE(command_line_keeps_running("d:/games/cool/demo.exe"));
}

namespace {
const uint32_t key = 0x00209020;

// A sheet that is all key colour but for distinct pixels in the rectangles.
struct AnimalSheet : ScenePictures {
    AnimalSheet() {
        for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; i++) {
            sheet[i] = key;
            back[i] = 0x00100000u + static_cast<uint32_t>(i);
        }
        for (int y = 80; y < 170; y++)  // bodies: a diagonal band
            for (int x = 0; x < 90; x++) {
                if ((x + y) % 3) sheet[y * SCREEN_WIDTH + 25 + x] = 0x00A00000u + y * 256 + x;
                if ((x + y) % 4) sheet[y * SCREEN_WIDTH + 140 + x] = 0x00B00000u + y * 256 + x;
            }
        for (int y = 10; y < 67; y++)  // mouth pictures: every other pixel inked
            for (int x = 0; x < 41; x++)
                for (int left : {1, 44, 130, 173})
                    if ((x ^ y) & 1) sheet[y * SCREEN_WIDTH + left + x] = 0x00C00000u + left * 4096 + y * 64 + x;
        frame = back;
    }
    // The frame block at (fx, fy) shows the sheet block at (sx, sy) with the
    // background behind its key pixels; a w x h hole at (hx, hy) is skipped.
    void expect_keyed(int sx, int sy, int fx, int fy, int w, int h, int hx = 0, int hy = 0, int hw = 0,
                      int hh = 0) {
        for (int row = 0; row < h; row++)
            for (int col = 0; col < w; col++) {
                if (col >= hx && col < hx + hw && row >= hy && row < hy + hh) continue;
                const uint32_t s = sheet[(sy + row) * SCREEN_WIDTH + sx + col];
                const int x = fx + col, y = fy + row;
                ASSERT_EQ(at(x, y), s == key ? back[y * SCREEN_WIDTH + x] : s) << col << "," << row;
            }
    }
    void expect_body(int sx, int x, int y, int hole_x = 0, int hole_w = 0) {
        expect_keyed(sx, 80, x, y, 90, 90, hole_x, 0, hole_w, 57);
    }
    void expect_block(int sx, int fx, int fy) { expect_keyed(sx, 10, fx, fy, 41, 57); }
    size_t changed() const {
        size_t n = 0;
        for (size_t i = 0; i < frame.size(); i++) n += frame[i] != back[i];
        return n;
    }
};
}  // namespace

TEST(Sprites, FrameZeroDrawsTheBodyThroughTheKey) {
    AnimalSheet s;
    draw_goat(20, 130, 0, s.frame.data());
    s.expect_body(25, 20, 130);
    size_t inked = 0;
    for (int y = 80; y < 170; y++)
        for (int x = 25; x < 115; x++) inked += s.sheet[y * SCREEN_WIDTH + x] != key;
    EXPECT_EQ(s.changed(), inked) << "nothing outside the body's own pixels changes";

    // A figure pixel that happens to equal the top-left pixel is transparent,
    // and the key is read anew at each call.
    AnimalSheet t;
    t.sheet[0] = t.sheet[81 * SCREEN_WIDTH + 141];
    draw_sheep(180, 130, 0, t.frame.data());
    EXPECT_EQ(t.at(181, 131), t.back[131 * SCREEN_WIDTH + 181]);
    EXPECT_NE(t.at(182, 131), t.back[131 * SCREEN_WIDTH + 182]);
}

TEST(Sprites, MouthBlocksReplaceTheHead) {
    struct Case {
        void (*draw)(int, int, int, uint32_t*);
        int x, frame, mouth_x, block_x, body_x;
    };
    const Case cases[] = {
        {draw_goat, 20, 1, 1, 66, 25},     // goat block at body column 46
        {draw_goat, 39, 2, 44, 85, 25},
        {draw_sheep, 180, 2, 173, 181, 140},  // sheep block at body column 1
        {draw_sheep, 220, 1, 130, 221, 140},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mouth_x);
        AnimalSheet s;
        c.draw(c.x, 130, c.frame, s.frame.data());
        s.expect_block(c.mouth_x, c.block_x, 130);
        s.expect_body(c.body_x, c.x, 130, c.block_x - c.x, 41);
    }
}

// The bitmap font, the sine scroller and the credits.
#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include "app/demo.h"
#include "scene_fixture.h"

static const uint32_t white = 0x00FFFFFF;
static const uint32_t black = 0;
static const uint32_t paper = 0x00123456;

TEST(Font, GlyphIndex) {
    EXPECT_EQ(glyph_index('a'), 0);
    EXPECT_EQ(glyph_index('z'), 25);
    EXPECT_EQ(glyph_index(' '), 54);
    EXPECT_EQ(glyph_index('A'), 54);
    EXPECT_EQ(glyph_index('X'), 48);
    EXPECT_EQ(glyph_index('S'), 43);
    EXPECT_EQ(glyph_index('C'), 50);
    EXPECT_EQ(glyph_index('@'), 55);
    EXPECT_EQ(glyph_index('"'), 28);
    EXPECT_EQ(glyph_index('\xE9'), 54);
    EXPECT_EQ(std::string(font_charset).size(), 56u);
}

TEST(Font, ExclamationMarkWithItsShadow) {
    ScenePictures p;
    p.frame.assign(p.frame.size(), paper);
    for (int column = 4; column < 8; column++) {
        for (int row = 0; row < 9; row++) p.ink(29, column, row);
        p.ink(29, column, 10);
    }
    draw_text(100, 80, "!", p.frame.data());
    for (int y = 75; y < 100; y++)
        for (int x = 95; x < 115; x++) {
            const bool bar = x >= 104 && x <= 107 && ((y >= 80 && y <= 88) || y == 90);
            const bool shadow = (x == 108 && y >= 81 && y <= 89) || (y == 89 && x >= 105 && x <= 108) ||
                                (y == 91 && x >= 105 && x <= 108);
            EXPECT_EQ(p.at(x, y), bar ? white : shadow ? black : paper) << x << "," << y;
        }
}

TEST(Font, PartialGlyphsAndTheRightEdge) {
    ScenePictures p;
    p.frame.assign(p.frame.size(), paper);
    for (int column = 0; column < 13; column++) p.ink(3, column, 0);
    draw_glyph(50, 5, 0, 10, 3, p.frame.data());
    EXPECT_EQ(p.at(50, 10), paper) << "width 0 draws nothing";

    draw_glyph(50, 5, 8, 10, 3, p.frame.data());  // cell columns 5..12
    for (int x = 49; x < 60; x++) EXPECT_EQ(p.at(x, 10), x >= 50 && x < 58 ? white : paper) << x;
    EXPECT_EQ(p.at(58, 11), black);

    ScenePictures q;
    q.frame.assign(q.frame.size(), paper);
    q.ink(0, 0, 0);
    draw_glyph(318, 0, 1, 20, 0, q.frame.data());
    EXPECT_EQ(q.at(319, 21), black) << "a shadow at column 319 of the next row";
    draw_glyph(319, 0, 1, 40, 0, q.frame.data());
    EXPECT_EQ(q.at(319, 40), white);
    EXPECT_EQ(q.at(0, 42), paper) << "no shadow wraps onto the next row";
}

namespace {
struct Scroller : ScenePictures {
    std::string text;
    explicit Scroller(std::string t) : text(std::move(t)) {
        scroll_text = text.c_str();
        scroll_length = static_cast<int>(text.size());
    }
    void frame_at(int t) { update_scroller(frame.data(), t); }
    // Row at which a cell starting at screen column `cell_x` is drawn.
    static int row_of(int cell_x) { return static_cast<int>(std::sin(cell_x * 0.05) * 15.0) + 30; }
};
}  // namespace

TEST(Scroller, AdvanceDropsRemaindersAndIgnoresJumps) {
    Scroller s(std::string(30, ' '));
    s.frame_at(5000);
    EXPECT_EQ(scroll_offset, 0) << "the first frame moves nothing";
    s.frame_at(1000);  // backwards: nothing
    s.frame_at(1020);
    EXPECT_EQ(scroll_offset, 2);
    s.frame_at(1040);
    EXPECT_EQ(scroll_offset, 4);
    s.frame_at(1141);
    EXPECT_EQ(scroll_offset, 4) << "more than 100 ms moves nothing";
    s.frame_at(1241);
    EXPECT_EQ(scroll_offset, 16 % 13);
    EXPECT_EQ(scroll_pos, 1);

    scroll_offset = 12;
    s.frame_at(1257);  // 2 pixels
    EXPECT_EQ(scroll_pos, 2);
    EXPECT_EQ(scroll_offset, 1);

    scroll_offset = 11;
    s.frame_at(1273);
    EXPECT_EQ(scroll_offset, 13) << "exactly 13 stays";
    EXPECT_EQ(scroll_pos, 2);
    s.frame_at(1281);
    EXPECT_EQ(scroll_pos, 3);
    EXPECT_EQ(scroll_offset, 1);
}

TEST(Scroller, LineLayoutAndWave) {
    Scroller s("abcdefghijklmnopqrstuvwxyzab");
    s.ink(0, 5, 0);    // 'a' column 5: the first drawn column at offset 5
    s.ink(0, 4, 5);    // 'a' column 4: never drawn at offset 5
    s.ink(24, 12, 0);  // 'y' column 12: the last column at offset 5
    s.ink(24, 7, 1);   // 'y' column 7: the last column at offset 0
    s.ink(24, 8, 2);   // 'y' column 8: beyond the screen at offset 0
    s.ink(3, 0, 0);    // 'd' column 0

    s.frame.assign(s.frame.size(), paper);
    draw_scroller(0, 5, s.frame.data());
    EXPECT_EQ(s.at(0, Scroller::row_of(-5)), white);
    EXPECT_EQ(s.at(319, Scroller::row_of(307)), white);
    int whites = 0;
    for (uint32_t p : s.frame) whites += p == white;
    EXPECT_EQ(whites, 5) << "'a' from column 5 on, 'y' whole, 'd'; 'a' column 4 and the second 'a' stay out";

    s.frame.assign(s.frame.size(), paper);
    draw_scroller(0, 0, s.frame.data());
    EXPECT_EQ(s.at(319, Scroller::row_of(312) + 1), white);
    EXPECT_EQ(s.at(0, Scroller::row_of(312) + 3), paper) << "column 8 of the 25th cell is not drawn";
    EXPECT_EQ(s.at(39, 30 + 0 + static_cast<int>(std::sin(39 * 0.05) * 15.0)), white);

    s.frame.assign(s.frame.size(), paper);
    draw_scroller(0, 8, s.frame.data());
    EXPECT_EQ(Scroller::row_of(0), 30);
    EXPECT_EQ(Scroller::row_of(31), 44);
    EXPECT_EQ(s.at(31, 44), white) << "'d' stands at column 31";

    std::vector<uint32_t> wrapped(s.frame.size(), paper);
    draw_scroller(28, 8, wrapped.data());
    EXPECT_EQ(wrapped, s.frame) << "positions wrap around the text without a seam";
}

TEST(Scroller, ReportsTheEndOnceTheTextHasPassed) {
    Scroller s(std::string(546, ' '));
    s.frame_at(1000);
    scroll_pos = 546;
    scroll_offset = 11;
    s.frame_at(1016);
    EXPECT_EQ(scroll_offset, 13);
    EXPECT_FALSE(quit_requested);
    s.frame_at(1024);
    EXPECT_EQ(scroll_pos, 547);
    EXPECT_TRUE(quit_requested);
    s.frame_at(1040);
    EXPECT_TRUE(quit_requested) << "never cleared";
}

TEST(Credits, TimetableDrawsTheDueEntries) {
    ScenePictures p;
    for (int cell = 0; cell < 56; cell++)
        for (int row = 0; row < 11; row++) p.ink(cell, (cell + row) % 12, row);
    struct Expect {
        int t;
        std::vector<int> entries;
    };
    const Expect cases[] = {{19999, {}},      {20000, {0}},    {21999, {0}},    {22000, {}},
                            {24500, {1}},     {27000, {1, 2}}, {29999, {1, 3}}, {30000, {}},
                            {47999, {8, 9}},  {48000, {}},     {0, {}},         {900000, {}}};
    for (const Expect& e : cases) {
        std::vector<uint32_t> expected(p.frame.size(), paper);
        for (int i : e.entries) draw_text(credits[i].x, credits[i].y - 30, credits[i].label, expected.data());
        p.frame.assign(p.frame.size(), paper);
        draw_credits(p.frame.data(), e.t);
        EXPECT_EQ(p.frame, expected) << "t = " << e.t;
    }
    EXPECT_STREQ(credits[0].label, "credits:");
    EXPECT_EQ(credits[8].x + 13 * 16 + 1, 309) << "the longest label fits";
}

// What the drawing code relies on in the embedded pictures and text, checked
// on the decoded pixels: sizes, colour counts, the sheet's key and layout,
// whole figures and seamless mouths, the font's cells, the scroll text.
#include <gtest/gtest.h>
#include <cstring>
#include <set>
#include <vector>
#include "app/demo.h"
#include "assets/assets.h"
#include "tools/make_assets/asset_gen.h"

namespace {

constexpr uint32_t KEY = 0x00209020;
using Pixels = std::vector<uint32_t>;

Pixels decoded(const uint8_t* image, uint32_t size, int width, int height) {
    Pixels pixels(static_cast<size_t>(width) * height);
    EXPECT_TRUE(decode_tga(pixels.data(), image, size, width, height));
    return pixels;
}

std::set<uint32_t> colours(const Pixels& p) { return std::set<uint32_t>(p.begin(), p.end()); }

void expect_tga_layout(const uint8_t* image, uint32_t size, int width, int height) {
    ASSERT_EQ(size, 18u + 768u + static_cast<uint32_t>(width * height) + 26u);
    const uint8_t header[18] = {0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0,
                                static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
                                static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), 8, 0x08};
    EXPECT_EQ(std::memcmp(image, header, 18), 0);
    const uint8_t* footer = image + size - 26;
    EXPECT_EQ(std::memcmp(footer, "\0\0\0\0\0\0\0\0TRUEVISION-XFILE.", 26), 0);
}

struct Rect {
    int x, y, w, h;
};

// Key-coloured pixels that cannot be reached from the rectangle's border
// through other key-coloured pixels are holes inside a figure.
int holes(const Pixels& sheet, Rect r) {
    std::vector<uint8_t> seen(static_cast<size_t>(r.w) * r.h);
    std::vector<std::pair<int, int>> todo;
    for (int y = 0; y < r.h; y++)
        for (int x = 0; x < r.w; x++)
            if (x == 0 || y == 0 || x == r.w - 1 || y == r.h - 1) todo.push_back({x, y});
    while (!todo.empty()) {
        auto [x, y] = todo.back();
        todo.pop_back();
        if (x < 0 || y < 0 || x >= r.w || y >= r.h || seen[y * r.w + x]) continue;
        if (sheet[(r.y + y) * 320 + r.x + x] != KEY) continue;
        seen[y * r.w + x] = 1;
        todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
    }
    int count = 0;
    for (int y = 0; y < r.h; y++)
        for (int x = 0; x < r.w; x++) count += sheet[(r.y + y) * 320 + r.x + x] == KEY && !seen[y * r.w + x];
    return count;
}

int figure_pixels(const Pixels& sheet, Rect r) {
    int count = 0;
    for (int y = r.y; y < r.y + r.h; y++)
        for (int x = r.x; x < r.x + r.w; x++) count += sheet[y * 320 + x] != KEY;
    return count;
}

}  // namespace

TEST(Pictures, LayoutSizesAndColourCounts) {
    expect_tga_layout(asset_background, asset_background_size, 320, 240);
    expect_tga_layout(asset_sprites, asset_sprites_size, 320, 240);
    expect_tga_layout(asset_font, asset_font_size, 728, 11);
    expect_tga_layout(asset_icon, asset_icon_size, 32, 32);
    EXPECT_EQ(asset_background_size, 77612u);
    EXPECT_EQ(asset_font_size, 8820u);
    EXPECT_EQ(asset_icon_size, 1836u);

    EXPECT_EQ(colours(decoded(asset_background, asset_background_size, 320, 240)).size(), 13u);
    EXPECT_EQ(colours(decoded(asset_sprites, asset_sprites_size, 320, 240)).size(), 8u);
    EXPECT_EQ(colours(decoded(asset_font, asset_font_size, 728, 11)), (std::set<uint32_t>{0x00008080, 0}));
    EXPECT_GE(colours(decoded(asset_icon, asset_icon_size, 32, 32)).size(), 4u);
}

TEST(Pictures, AnimalsStandOnTheMeadow) {
    // Whatever colours the top of the sky has must not appear behind the
    // animals (rows 130-219, goat columns 0-128, sheep 180-309).
    Pixels bg = decoded(asset_background, asset_background_size, 320, 240);
    std::set<uint32_t> sky(bg.begin(), bg.begin() + 320 * 8);
    for (int y = 130; y < 220; y++)
        for (int x = 0; x < 310; x++)
            if (x <= 128 || x >= 180) {
                ASSERT_EQ(sky.count(bg[y * 320 + x]), 0u) << x << "," << y;
            }
}

TEST(Pictures, SpriteSheetKeyFiguresAndMouths) {
    Pixels sheet = decoded(asset_sprites, asset_sprites_size, 320, 240);
    EXPECT_EQ(sheet[0], KEY);
    uint32_t grey = sheet[182 * 320];
    EXPECT_NE(grey, KEY);
    EXPECT_GE(grey & 0xFF, 0x80u) << "light grey";
    EXPECT_TRUE((grey & 0xFF) == ((grey >> 8) & 0xFF) && (grey & 0xFF) == grey >> 16);
    for (int i = 182 * 320; i < 240 * 320; i++) ASSERT_EQ(sheet[i], grey) << i;

    const Rect rects[] = {{25, 80, 90, 90}, {140, 80, 90, 90}, {1, 10, 41, 57},
                          {44, 10, 41, 57}, {130, 10, 41, 57}, {173, 10, 41, 57}};
    for (const Rect& r : rects) {
        EXPECT_EQ(holes(sheet, r), 0) << "figure at " << r.x << "," << r.y;
        EXPECT_GT(figure_pixels(sheet, r), r.w * r.h / 4) << r.x << "," << r.y;
    }
    // Around the figures the sheet is transparent.
    for (int y = 0; y < 182; y++)
        for (int x = 0; x < 320; x++) {
            bool inside = false;
            for (const Rect& r : rects) inside |= x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
            if (!inside) {
                ASSERT_EQ(sheet[y * 320 + x], KEY) << x << "," << y;
            }
        }

    // A mouth picture replaces the body's head block: along the block's
    // left, right and bottom edges it must continue the body without a seam,
    // while the mouth itself changes.
    struct Animal {
        int head_x, head_y;  // the head block on the sheet, inside the body
        int mouth_x[2];
    };
    const Animal animals[] = {{25 + 46, 80, {1, 44}}, {140 + 1, 80, {130, 173}}};
    for (const Animal& a : animals)
        for (int f = 0; f < 2; f++) {
            int changed = 0;
            for (int y = 0; y < 57; y++)
                for (int x = 0; x < 41; x++) {
                    uint32_t mouth = sheet[(10 + y) * 320 + a.mouth_x[f] + x];
                    uint32_t body = sheet[(a.head_y + y) * 320 + a.head_x + x];
                    changed += mouth != body;
                    if (x == 0 || x == 40 || y == 56) {
                        ASSERT_EQ(mouth, body) << a.mouth_x[f] << ": " << x << "," << y;
                    }
                }
            EXPECT_GT(changed, 10) << "mouth picture at " << a.mouth_x[f];
        }
}

TEST(Pictures, FontCells) {
    Pixels font = decoded(asset_font, asset_font_size, 728, 11);
    for (int cell = 0; cell < 56; cell++) {
        int ink = 0;
        for (int y = 0; y < 11; y++) {
            EXPECT_EQ(font[y * 728 + cell * 13 + 12], 0x00008080u) << "cell " << cell << " column 12";
            for (int x = 0; x < 12; x++) ink += font[y * 728 + cell * 13 + x] != 0x00008080u;
        }
        if (cell == 54) {
            EXPECT_EQ(ink, 0) << "the space";
        } else {
            EXPECT_GT(ink, 3) << "cell " << cell;
        }
    }
    // The exclamation mark (cell 29): a 4 x 9 bar in columns 4-7, a gap, a 4 x 1 dot.
    for (int y = 0; y < 11; y++)
        for (int x = 0; x < 12; x++) {
            bool ink = font[y * 728 + 29 * 13 + x] == 0;
            EXPECT_EQ(ink, x >= 4 && x <= 7 && y != 9) << x << "," << y;
        }
}

TEST(ScrollText, LengthAndCharacters) {
    ASSERT_EQ(asset_scroll_text_size, 546u);
    std::string text(reinterpret_cast<const char*>(asset_scroll_text), asset_scroll_text_size);
    EXPECT_EQ(asset_scroll_text[546], 0);
    EXPECT_TRUE(check_scroll_text(text));
    EXPECT_EQ(text.find_first_not_of(' '), 28u);
    EXPECT_EQ(text.find_last_not_of(' '), 546u - 20);
}

// The committed assets are exactly what the generator makes from assets/src,
// and the generator refuses sources that would break the demo's contract.
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include "tools/make_assets/asset_gen.h"

namespace fs = std::filesystem;

static std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct TempDir {
    fs::path path;
    TempDir() {
        char name[] = "/tmp/bsa_assets_XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { fs::remove_all(path); }
};

TEST(Regenerate, EveryAssetMatchesTheCommittedFile) {
    TempDir out;
    ASSERT_TRUE(make_all_assets(BSA_SOURCE_DIR "/assets/src", out.path.string()));
    for (const char* name : asset_file_names) {
        std::string made = read_file(out.path / name);
        std::string committed = read_file(fs::path(BSA_SOURCE_DIR "/assets") / name);
        EXPECT_FALSE(made.empty()) << name;
        EXPECT_TRUE(made == committed) << name << " differs from its source: run make_assets assets";
    }
}

// A copy of the sources with one text replaced in one file.
static void edit_copy(const fs::path& to, const std::string& file, const std::string& from, const std::string& with) {
    fs::copy(BSA_SOURCE_DIR "/assets/src", to, fs::copy_options::recursive);
    std::string text = read_file(to / file);
    size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), with);
    std::ofstream(to / file, std::ios::binary | std::ios::trunc) << text;
}

TEST(Regenerate, BrokenSourcesAreRefused) {
    struct Case {
        const char* file;
        const char* from;
        const char* with;
        Bytes (*make)(const std::string&);
    };
    const Case cases[] = {
        {"scroll_text.txt", "hello", "hello there", make_scroll_text},   // too long
        {"scroll_text.txt", "hello", "Hello", make_scroll_text},         // no glyph for H
        {"scroll_text.txt", "hello", "xello", make_scroll_text},         // x is not in the text's alphabet
        {"font.txt", ":a ", ":b ", make_font},                           // cells out of order
        {"font.txt", "...######...", "...######..x", make_font},         // not a grid pixel
        {"sprites.txt", "m0 line ink 76 33", "m0 line ink 36 33", make_sprites},  // mouth outside its block
        {"sprites.txt", "colour grey  192 192 192", "colour grey  32 144 32", make_sprites},  // a second key
        {"background.txt", "petal_lilac 184 110 232", "petal_lilac 236 70 84", make_background},  // 12 colours
        {"score.txt", "a5 ^ b5 . . ^", "a5 ^ h5 . . ^", make_module},
        {"score.txt", "order 0 2 1 4 3 5", "order 0 2 1 4 3 9", make_module},
        {"score.txt", "echo 16 15", "echo 17 15", make_module},          // an echo onto written notes
        {"instruments.txt", "synth kick", "synth trombone", make_module},
        {"instruments.txt", "length=0.32 pitch=480", "length=3 pitch=480", make_module},  // over 292,160 bytes
    };
    for (const Case& c : cases) {
        TempDir dir;
        edit_copy(dir.path / "src", c.file, c.from, c.with);
        EXPECT_TRUE(c.make((dir.path / "src").string()).empty()) << c.file << ": " << c.from << " -> " << c.with;
    }
    // The unchanged sources are accepted, so the refusals above are the edits' doing.
    EXPECT_FALSE(make_sprites(BSA_SOURCE_DIR "/assets/src").empty());
    EXPECT_FALSE(make_module(BSA_SOURCE_DIR "/assets/src").empty());
}

TEST(Regenerate, ScrollTextCheck) {
    std::string good = std::string(28, ' ') + std::string(499, 'a') + std::string(19, ' ');
    EXPECT_TRUE(check_scroll_text(good));
    std::string c = good;
    c[100] = 'C';  // the copyright sign
    c[101] = '@';
    EXPECT_TRUE(check_scroll_text(c));
    for (char bad : {'q', 'x', 'A', '1', '\n', '\0', '"', '?'}) {
        std::string t = good;
        t[200] = bad;
        EXPECT_FALSE(check_scroll_text(t)) << bad;
    }
    EXPECT_FALSE(check_scroll_text(good.substr(1)));
    EXPECT_FALSE(check_scroll_text(good + " "));
    std::string early = good;
    early[27] = 'a';  // only 27 leading spaces
    EXPECT_FALSE(check_scroll_text(early));
    std::string late = good;
    late[546 - 19] = 'a';  // only 18 trailing spaces
    EXPECT_FALSE(check_scroll_text(late));
}

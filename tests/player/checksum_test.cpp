// Keeps the player's output fixed: the embedded module and every corpus module
// rendered for a while through the offline renderer, their 16-bit frames
// hashed and compared with the values recorded when the output was right.
// A change of the mixer or the sequencer that alters one sample shows here.
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include "player/mp.h"
#include "player/mp_render.h"
#include "tests/corpus.h"
#include "tests/player/xm_builder.h"

namespace {

constexpr int32_t RATE = 44100;
constexpr int32_t SECONDS = 25;

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// FNV-1a over the frames as little-endian bytes; 0 stands for "refused".
uint64_t render_hash(const std::vector<uint8_t>& bytes) {
    Module* m = xm_load(bytes);
    if (!m) return 0;
    uint64_t h = 0xcbf29ce484222325ull;
    if (render_begin(m, RATE)) {
        std::vector<int16_t> out(2 * RATE);
        for (int32_t s = 0; s < SECONDS; s++) {
            EXPECT_EQ(render_frames(out.data(), RATE, nullptr, nullptr), RATE);
            for (int16_t v : out) {
                const uint16_t u = static_cast<uint16_t>(v);
                h = (h ^ (u & 0xFF)) * 0x100000001b3ull;
                h = (h ^ (u >> 8)) * 0x100000001b3ull;
            }
        }
    }
    mp_free(m);
    return h;
}

struct Recorded {
    const char* file;
    uint64_t hash;
};

void expect_hashes(const std::string& dir, const std::vector<Recorded>& recorded) {
    for (const Recorded& r : recorded) {
        const std::vector<uint8_t> bytes = read_file(dir + "/" + r.file);
        ASSERT_FALSE(bytes.empty()) << r.file;
        EXPECT_EQ(render_hash(bytes), r.hash) << r.file << std::hex << " now hashes to 0x" << render_hash(bytes);
    }
}

}  // namespace

// A new embedded module brings its own value: the message prints it.
TEST(Checksum, EmbeddedModule) {
    expect_hashes(BSA_SOURCE_DIR "/assets", {{"module.xm", 0xc4c3ab2adc5fe2ecull}});
}

TEST(Checksum, CorpusModules) {
    REQUIRE_CORPUS();
    const std::string dir = corpus_dir();
    expect_hashes(dir, {
                           {"m02_grass_near_the_house.xm", 0xb36734de72740c06ull},
                           {"m03_dontyou.xm", 0x11736d5946d2c0dbull},
                           {"m04_rhino_sting.xm", 0x8fa06e5d7b0f7c12ull},
                           {"m05_ZALZA_-_Tekilla_groove.xm", 0xcec0572ced5b3f0cull},
                           {"m06_MRHPx-HBTN_LUCiFER.xm", 0xd4b42239f20c7587ull},
                           {"m07_JUHO_-_Ihana_paiva.xm", 0x21b5fb8d551f71c5ull},
                           {"m08_roadblas.xm", 0xbc525b2df7cb2179ull},
                           {"m16_cydonian_sky.xm", 0x1a071bb1f50332e3ull},
                           {"m17_rfchip001.xm", 0xfbbf09bbbe45e111ull},
                           {"m18_title.xm", 0xbf3de579cb1fa83dull},
                       });
}

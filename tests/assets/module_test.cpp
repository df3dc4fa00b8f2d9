// The placeholder module walked field by field in the layout the player's
// loader reads, so the music task inherits a file the loader accepts.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "app/demo.h"
#include "assets/assets.h"
#include "player/module.h"
#include "player/mp.h"
#include "player/render.h"

namespace {

struct Reader {
    const uint8_t* data;
    uint32_t size;
    uint32_t at;
    uint32_t take(int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; i++, at++) v |= (at < size ? data[at] : 0u) << (8 * i);
        return v;
    }
};

}  // namespace

TEST(Module, HeaderPatternsInstrumentsAndEnd) {
    Reader r{asset_module, asset_module_size, 0};
    ASSERT_GT(r.size, 336u);
    EXPECT_EQ(std::memcmp(r.data, "Extended Module: ", 17), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data) + 17, 20), std::string(20, '\0'));
    EXPECT_EQ(r.data[37], 0x1A);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data) + 38, 20), "FastTracker v2.00   ");
    r.at = 58;
    EXPECT_EQ(r.take(2), 0x0104u);
    EXPECT_EQ(r.take(4), 276u);
    uint32_t song_length = r.take(2);
    EXPECT_EQ(r.take(2), 0u);   // restart
    EXPECT_EQ(r.take(2), 32u);  // channels
    uint32_t patterns = r.take(2), instruments = r.take(2);
    EXPECT_EQ(r.take(2), 1u);    // linear frequency table
    EXPECT_EQ(r.take(2), 4u);    // ticks per row
    EXPECT_EQ(r.take(2), 125u);  // BPM
    ASSERT_GE(song_length, 1u);
    ASSERT_GE(patterns, 1u);
    ASSERT_GE(instruments, 3u);
    for (uint32_t i = 0; i < song_length; i++) EXPECT_LT(r.data[80 + i], patterns) << "order " << i;

    r.at = 336;
    int notes = 0;
    for (uint32_t p = 0; p < patterns; p++) {
        EXPECT_EQ(r.take(4), 9u);
        EXPECT_EQ(r.take(1), 0u);
        EXPECT_EQ(r.take(2), 64u);
        uint32_t packed = r.take(2), start = r.at;
        for (int cell = 0; cell < 64 * 32; cell++) {
            uint32_t b = r.take(1), note = 0, instrument = 0;
            if (b & 0x80) {
                if (b & 1) note = r.take(1);
                if (b & 2) instrument = r.take(1);
                for (int bit = 2; bit < 5; bit++)
                    if (b & (1 << bit)) r.take(1);
            } else {
                note = b;
                instrument = r.take(1);
                r.take(3);
            }
            ASSERT_LE(note, 97u);
            ASSERT_LE(instrument, instruments);
            notes += note != 0;
        }
        EXPECT_EQ(r.at - start, packed) << "pattern " << p;
    }
    EXPECT_GT(notes, 100);

    for (uint32_t i = 0; i < instruments; i++) {
        uint32_t start = r.at;
        ASSERT_EQ(r.take(4), 263u) << "instrument " << i;
        r.at = start + 27;
        ASSERT_EQ(r.take(2), 1u);
        EXPECT_EQ(r.take(4), 40u);
        r.at = start + 263;
        uint32_t length = r.take(4), loop_start = r.take(4), loop_length = r.take(4);
        EXPECT_LE(r.take(1), 64u);  // volume
        r.take(1);
        uint32_t type = r.take(1);
        EXPECT_EQ(type & ~1u, 0u) << "8-bit, forward loop or none";
        EXPECT_GT(length, 0u);
        if (type) {
            EXPECT_LE(loop_start + loop_length, length);
        }
        r.at += 3 + 22 + length;
    }
    EXPECT_EQ(r.at, r.size) << "the last sample's data ends at the last byte";
}

// The player's own loader takes the module, and the first seconds of the tune
// are audible without clipping.
TEST(Module, LoadsAndPlaysThroughThePlayer) {
    mp_set_stream(mem_open, mem_close, mem_read, mem_seek, mem_tell);
    Module* module = mp_load("module", nullptr);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->channel_count, 32);
    EXPECT_EQ(module->default_speed, 4);
    EXPECT_EQ(module->default_bpm, 125);
    EXPECT_EQ(module->flags, 1);
    EXPECT_EQ(module->pattern_count, module->used_pattern_count);
    for (int i = 0; i < module->instrument_count; i++) {
        ASSERT_EQ(module->instruments[i].sample_count, 1);
        EXPECT_GT(module->instruments[i].samples[0]->length, 0u);
    }

    ASSERT_TRUE(render_begin(module, 44100));
    std::vector<int16_t> sound(2 * 44100 * 3);
    ASSERT_EQ(render_frames(sound.data(), 44100 * 3, nullptr, nullptr), 44100 * 3);
    double energy = 0;
    int clipped = 0;
    for (int16_t s : sound) {
        energy += static_cast<double>(s) * s;
        clipped += s == 32767 || s == -32768;
    }
    EXPECT_GT(std::sqrt(energy / sound.size()), 1000.0);
    EXPECT_EQ(clipped, 0);
    mp_free(module);
}

// The demo's module: every header field and count walked in the file's
// layout, its exact size through the memory stream, and three passes of the
// whole song through the offline renderer for loudness and instrument use.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>
#include "app/demo.h"
#include "assets/assets.h"
#include "platform/le_bytes.h"
#include "player/mixer.h"
#include "player/module.h"
#include "player/mp.h"
#include "player/mp_render.h"

namespace {

constexpr uint32_t MODULE_SIZE = 292160;

struct Reader {
    const uint8_t* data;
    uint32_t size;
    uint32_t at;
    uint32_t take(int bytes) {
        uint8_t b[4] = {0, 0, 0, 0};
        for (int i = 0; i < bytes; i++, at++) b[i] = at < size ? data[at] : 0;
        return le_read32(b);
    }
};

// Passes over one packed pattern of 64 rows x 32 channels; false when a cell
// names a note or an instrument the module cannot have.
bool skip_pattern(Reader* r, uint32_t instruments) {
    for (int cell = 0; cell < 64 * 32; cell++) {
        uint32_t b = r->take(1), note = 0, instrument = 0;
        if (b & 0x80) {
            if (b & 1) note = r->take(1);
            if (b & 2) instrument = r->take(1);
            for (int bit = 2; bit < 5; bit++)
                if (b & (1 << bit)) r->take(1);
        } else {
            note = b;
            instrument = r->take(1);
            r->take(3);
        }
        if (note > 97 || instrument > instruments) return false;
    }
    return true;
}

// The instruments' names, from the headers that follow the six patterns.
std::vector<std::string> instrument_names() {
    Reader r{asset_module, asset_module_size, 336};
    for (int p = 0; p < 6; p++) {
        r.at += 7;
        r.at += r.take(2);
    }
    std::vector<std::string> names;
    for (int i = 0; i < 13 && r.at < r.size; i++) {
        const uint32_t start = r.at, size = r.take(4);
        names.emplace_back(reinterpret_cast<const char*>(asset_module + start + 4), 22);
        names.back().resize(names.back().find('\0') == std::string::npos ? 22 : names.back().find('\0'));
        r.at = start + size;
        r.at = start + size + 40 + r.take(4);
    }
    return names;
}

Module* load_embedded() {
    mp_set_stream(mem_open, mem_close, mem_read, mem_seek, mem_tell);
    return mp_load(asset_module, nullptr);
}

}  // namespace

TEST(Module, HeaderPatternsInstrumentsAndExactSize) {
    ASSERT_EQ(asset_module_size, MODULE_SIZE);
    Reader r{asset_module, asset_module_size, 0};
    EXPECT_EQ(std::memcmp(r.data, "Extended Module: ", 17), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data) + 17, 20), std::string(20, '\0'));
    EXPECT_EQ(r.data[37], 0x1A);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.data) + 38, 20), "FastTracker v2.00   ");
    r.at = 58;
    EXPECT_EQ(r.take(2), 0x0104u);
    EXPECT_EQ(r.take(4), 276u);
    EXPECT_EQ(r.take(2), 6u);   // song length
    EXPECT_EQ(r.take(2), 0u);   // restart position
    EXPECT_EQ(r.take(2), 32u);  // channels
    EXPECT_EQ(r.take(2), 6u);   // patterns
    EXPECT_EQ(r.take(2), 13u);  // instruments
    EXPECT_EQ(r.take(2), 1u);    // linear frequency table
    EXPECT_EQ(r.take(2), 4u);    // ticks per row
    EXPECT_EQ(r.take(2), 125u);  // BPM
    const uint8_t orders[6] = {0, 2, 1, 4, 3, 5};
    EXPECT_EQ(std::memcmp(r.data + 80, orders, 6), 0);

    r.at = 336;
    for (uint32_t p = 0; p < 6; p++) {
        EXPECT_EQ(r.take(4), 9u);
        EXPECT_EQ(r.take(1), 0u);
        EXPECT_EQ(r.take(2), 64u) << "rows of pattern " << p;
        const uint32_t packed = r.take(2), start = r.at;
        ASSERT_TRUE(skip_pattern(&r, 13)) << "pattern " << p;
        EXPECT_EQ(r.at - start, packed) << "pattern " << p;
    }
    for (uint32_t i = 0; i < 13; i++) {
        const uint32_t start = r.at;
        ASSERT_EQ(r.take(4), 263u) << "instrument " << i;
        r.at = start + 27;
        ASSERT_EQ(r.take(2), 1u) << "one sample in instrument " << i;
        r.at = start + 263;
        const uint32_t length = r.take(4), loop_start = r.take(4), loop_length = r.take(4);
        EXPECT_GT(length, 0u);
        r.at += 2;
        if (r.take(1) & 3) {
            EXPECT_LE(loop_start + loop_length, length) << "instrument " << i;
        }
        r.at = start + 263 + 40 + length;
        ASSERT_LE(r.at, MODULE_SIZE) << "instrument " << i;
    }
    EXPECT_EQ(r.at, MODULE_SIZE) << "the last sample's data ends at the last byte";

    void* stream = mem_open(asset_module);
    ASSERT_NE(stream, nullptr);
    mem_seek(stream, 0, 2);
    EXPECT_EQ(mem_tell(stream), static_cast<int32_t>(MODULE_SIZE)) << "the size the memory stream reports";
    mem_close(stream);

    // The player's own loader reads the same.
    Module* module = load_embedded();
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->channel_count, 32);
    EXPECT_EQ(module->default_speed, 4);
    EXPECT_EQ(module->default_bpm, 125);
    EXPECT_EQ(module->flags, 1);
    EXPECT_EQ(module->pattern_count, 6);
    EXPECT_EQ(module->used_pattern_count, 6);
    ASSERT_EQ(module->instrument_count, 13);
    for (int i = 0; i < module->instrument_count; i++) {
        ASSERT_EQ(module->instruments[i].sample_count, 1);
        EXPECT_GT(module->instruments[i].samples[0]->length, 0u);
    }
    mp_free(module);
}

namespace {

// What three passes of the song sound like, and which instruments started.
struct Listening {
    Module* module;
    std::set<int> instruments_heard;
};

void note_voices(const RenderRow&, void* user) {
    Listening* l = static_cast<Listening*>(user);
    for (int c = 0; c < l->module->channel_count; c++)
        for (int i = 0; i < l->module->instrument_count; i++)
            if (voices[c].sample && voices[c].sample == l->module->instruments[i].samples[0])
                l->instruments_heard.insert(i);
}

}  // namespace

// Three passes, as the demo plays them: no sample clips, the peak lies between
// -3 and -1 dBFS, the whole RMS between -20 and -14 dBFS, no half second is
// silent, and each of the 13 instruments plays.
TEST(Module, ThreePassesLoudnessAndEveryInstrument) {
    Listening listening{load_embedded(), {}};
    ASSERT_NE(listening.module, nullptr);
    ASSERT_TRUE(render_begin(listening.module, 44100));
    render_stop_at(3, 0);
    render_watch_rows(note_voices, &listening);

    std::vector<int16_t> block(2 * 4410);
    double energy = 0;
    int64_t samples = 0, clipped = 0, quiet_run = 0, longest_quiet = 0;
    int peak = 0;
    for (int32_t n; (n = render_frames(block.data(), 4410, nullptr, nullptr)) > 0;) {
        for (int32_t i = 0; i < 2 * n; i++) {
            const int v = block[i];
            energy += static_cast<double>(v) * v;
            clipped += v == 32767 || v == -32768;
            peak = std::max(peak, std::abs(v));
        }
        samples += 2 * n;
        // Silence by 10 ms windows below -60 dBFS.
        for (int32_t w = 0; w + 441 <= n; w += 441) {
            double e = 0;
            for (int32_t i = 2 * w; i < 2 * (w + 441); i++) e += static_cast<double>(block[i]) * block[i];
            quiet_run = std::sqrt(e / 882) < 32.768 ? quiet_run + 441 : 0;
            longest_quiet = std::max(longest_quiet, quiet_run);
        }
    }
    mp_free(listening.module);

    const double seconds = samples / 2 / 44100.0;
    EXPECT_NEAR(seconds, 3 * 6 * 64 * 0.08, 0.05) << "three passes of six patterns of 64 rows of 80 ms";
    EXPECT_EQ(clipped, 0);
    const double peak_db = 20 * std::log10(peak / 32768.0);
    const double rms_db = 20 * std::log10(std::sqrt(energy / samples) / 32768.0);
    EXPECT_GE(peak_db, -3.0);
    EXPECT_LE(peak_db, -1.0);
    EXPECT_GE(rms_db, -20.0);
    EXPECT_LE(rms_db, -14.0);
    EXPECT_LE(longest_quiet, 44100 / 2) << "frames of silence in a row";
    EXPECT_EQ(listening.instruments_heard.size(), 13u);
}

// The goat and the sheep start every call while their mouths are wide open:
// the goat on rows 8-11 of every 12, the sheep on rows 0-3.
TEST(Module, BleatsStartWhereTheMouthsOpenWide) {
    const std::vector<std::string> names = instrument_names();
    const auto goat = std::find(names.begin(), names.end(), "goat") - names.begin() + 1;
    const auto sheep = std::find(names.begin(), names.end(), "sheep") - names.begin() + 1;
    ASSERT_LE(goat, 13);
    ASSERT_LE(sheep, 13);
    Module* module = load_embedded();
    ASSERT_NE(module, nullptr);
    int goats = 0, sheeps = 0;
    for (int p = 0; p < module->pattern_count; p++)
        for (int row = 0; row < module->patterns[p].rows; row++)
            for (int c = 0; c < module->channel_count; c++) {
                const Cell& cell = module->patterns[p].cells[row * module->channel_count + c];
                if (cell.note == 0 || cell.note > 96) continue;
                if (cell.instrument == goat) {
                    goats++;
                    EXPECT_GE(row % 12, 8) << "goat in pattern " << p << " row " << row;
                }
                if (cell.instrument == sheep) {
                    sheeps++;
                    EXPECT_LT(row % 12, 4) << "sheep in pattern " << p << " row " << row;
                }
            }
    mp_free(module);
    EXPECT_GE(goats, 10);
    EXPECT_GE(sheeps, 10);
}

// Every mixer path this machine can run gives the reference's bits: random
// voice states through mix_voices, random floats through the conversion, and
// whole songs (built here to reach loops of every kind, ramps, sample ends
// and 32 voices; the embedded module; the corpus) rendered to 16 bits.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>
#include "player/mix_kernels.h"
#include "player/mixer.h"
#include "player/mp_render.h"
#include "player/output_settings.h"
#include "tests/player/xm_builder.h"
#include "tests/corpus.h"

namespace {

// The paths besides the reference that this build and processor can run.
std::vector<MixPath> fast_paths() {
    std::vector<MixPath> paths;
    for (int32_t p = MIX_REFERENCE + 1; p < MIX_PATH_COUNT; p++)
        if (mix_use_path(static_cast<MixPath>(p))) paths.push_back(static_cast<MixPath>(p));
    mix_use_path(mix_best_path());
    return paths;
}

const char* path_name(MixPath path) { return mix_path_kernels(path)->name; }

// What the kernel tests draw: 4096 frames of sample data, a float of a mix
// between voices, and a ramp's change per frame over up to 255 steps.
std::vector<int16_t> random_samples(std::mt19937& rng) {
    std::vector<int16_t> data(4096);
    for (int16_t& x : data) x = static_cast<int16_t>(rng());
    return data;
}

float random_level(std::mt19937& rng) {
    return static_cast<float>(static_cast<int32_t>(rng() % 80001) - 40000) / 3.0f;
}

float random_increment(std::mt19937& rng) {
    return static_cast<float>(static_cast<int32_t>(rng() % 511) - 255) / 32640.0f;
}

// Keeps the fastest path in use after a test, whatever it chose.
struct PathGuard {
    ~PathGuard() { mix_use_path(mix_best_path()); }
};

// A sample with its data laid out as the loader leaves it: guard frame at
// the loop end, a short forward loop repeated, 8 frames to spare.
struct OwnedSample {
    std::vector<int16_t> data;
    Sample sample{};
    OwnedSample(std::mt19937& rng, uint32_t length, uint8_t kind, uint32_t loop_start, uint32_t loop_length) {
        sample.length = length;
        sample.loop_kind = kind;
        sample.loop_start = loop_start;
        sample.loop_length = loop_length;
        sample.bits = 16;
        data.assign(mix_data_frames(&sample), 0);
        for (uint32_t k = 0; k < length; k++) {
            const uint32_t r = rng();
            data[k] = r % 5 == 0 ? static_cast<int16_t>(r % 2 ? 32767 : -32768) : static_cast<int16_t>(r >> 8);
        }
        const uint32_t end = loop_start + loop_length;
        if (kind == LOOP_FORWARD) data[end] = data[loop_start];
        if (kind == LOOP_PINGPONG) data[end] = data[end - 1];
        sample.data = data.data();
        mix_copy_loop(&sample);
    }
};

// Two voice tables and mix spans differ in any bit.
void expect_same(const std::vector<float>& mix, const std::vector<float>& reference, const Voice* table,
                 const Voice* reference_table, const char* path, int round) {
    ASSERT_EQ(std::memcmp(mix.data(), reference.data(), mix.size() * sizeof(float)), 0) << path << " round " << round;
    for (int i = 0; i < MIXED_VOICES; i++) {
        const Voice& a = table[i];
        const Voice& b = reference_table[i];
        ASSERT_TRUE(a.sample == b.sample && a.position == b.position && a.position_fraction == b.position_fraction &&
                    a.direction == b.direction && a.current_left_volume == b.current_left_volume &&
                    a.current_right_volume == b.current_right_volume && a.ramp_frames_left == b.ramp_frames_left &&
                    a.ramp_left_target == b.ramp_left_target && a.ramp_right_target == b.ramp_right_target &&
                    std::memcmp(&a.ramp_left_increment, &b.ramp_left_increment, sizeof(float)) == 0 &&
                    std::memcmp(&a.ramp_right_increment, &b.ramp_right_increment, sizeof(float)) == 0)
            << path << " round " << round << " voice " << i;
    }
}

}  // namespace

namespace {

// Voices with random samples, positions, steps, directions and volumes, and
// ramps that run over the calls, mixed over random spans of up to `max_span`
// frames by the reference and by every other path from the same state.
// Loops of up to `short_loop` frames for every other sample.
void mix_random_voices(uint32_t seed, int32_t max_span, uint32_t short_loop) {
    PathGuard guard;
    output_configure(44100);
    std::mt19937 rng(seed);
    std::vector<OwnedSample> samples;
    const uint8_t kinds[] = {LOOP_NONE, LOOP_FORWARD, LOOP_PINGPONG};
    for (int i = 0; i < 40; i++) {
        const uint32_t length = 1 + rng() % (i % 4 == 0 ? 3000 : 200);
        const uint8_t kind = kinds[rng() % 3];
        const uint32_t start = kind == LOOP_NONE ? 0 : rng() % length;
        const uint32_t loop = kind == LOOP_NONE ? length : 1 + rng() % (i % 2 ? length - start : short_loop < length - start ? short_loop : length - start);
        samples.emplace_back(rng, length, kind, start, loop);
    }
    std::memset(voices, 0, sizeof voices);
    std::vector<float> start_mix(2 * 2048), reference(start_mix.size()), mix(start_mix.size());
    Voice before[MIXED_VOICES], after[MIXED_VOICES];
    for (int round = 0; round < 300; round++) {
        for (int changes = 1 + rng() % 6; changes > 0; changes--) {
            Voice& v = voices[rng() % MIXED_VOICES];
            if (!v.sample || rng() % 3 == 0) {
                Sample* s = &samples[rng() % samples.size()].sample;
                v.sample = s;
                v.position = rng() % (s->loop_start + s->loop_length);
                v.position_fraction = rng();
                v.direction = 1 + rng() % 2;
            }
            // Steps below one frame, up to two and beyond, odd and even.
            const uint32_t whole[] = {0, 0, 0, 1, 1, 2, 3, 7};
            v.step = whole[rng() % 8];
            v.step_fraction = rng();
            const uint8_t levels[] = {0, 0, 1, 63, 64, 127, 200, 255};
            v.left_volume = rng() % 2 ? levels[rng() % 8] : static_cast<uint8_t>(rng());
            v.right_volume = rng() % 3 ? v.left_volume : levels[rng() % 8];
        }
        for (float& x : start_mix) x = rng() % 4 == 0 ? 0.0f : random_level(rng);
        const int32_t n = 1 + static_cast<int32_t>(rng() % max_span);

        std::memcpy(before, voices, sizeof before);
        ASSERT_TRUE(mix_use_path(MIX_REFERENCE));
        reference = start_mix;
        mix_voices(reference.data(), n);
        std::memcpy(after, voices, sizeof after);
        for (MixPath path : fast_paths()) {
            ASSERT_TRUE(mix_use_path(path));
            std::memcpy(voices, before, sizeof before);
            mix = start_mix;
            mix_voices(mix.data(), n);
            expect_same(mix, reference, voices, after, path_name(path), round);
        }
        std::memcpy(voices, after, sizeof after);
    }
}

}  // namespace

TEST(MixPaths, RandomVoicesGiveTheReferenceBits) { mix_random_voices(20240611, 2048, 4); }

// Spans shorter than a ramp, so targets change while ramps run, and loops
// short enough that a ramp goes through dozens of loop ends, at steps up to 7.
TEST(MixPaths, RampsThroughLoopEndsGiveTheReferenceBits) { mix_random_voices(5, 200, 40); }

// Floats to 16 bits: ties, the ends of the range and beyond, infinities, NaN,
// and block lengths that leave every tail.
TEST(MixPaths, ConversionGivesTheReferenceBits) {
    PathGuard guard;
    std::mt19937 rng(7);
    const float special[] = {0.5f, 1.5f, -2.5f, 32766.5f, 32767.0f, 32767.5f, 32768.0f, -32768.5f, -32769.0f,
                             40000.0f, -40000.0f, 3e9f, -3e9f, -0.0f, std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
    std::vector<float> source(2 * 300);
    for (int round = 0; round < 200; round++) {
        for (float& x : source)
            x = rng() % 4 == 0 ? special[rng() % (sizeof special / sizeof special[0])]
                               : static_cast<float>(static_cast<int32_t>(rng() % 140001) - 70000) / 2.0f;
        const int32_t frames = static_cast<int32_t>(rng() % 300);
        std::vector<int16_t> reference(source.size() + 8, 0x5555), converted(reference.size(), 0x5555);
        std::vector<float> floats = source;
        mix_reference_kernels.convert(floats.data(), reference.data(), frames);
        // The converted floats are cleared for the next block, the others left alone.
        std::vector<float> cleared = source;
        std::fill(cleared.begin(), cleared.begin() + 2 * frames, 0.0f);
        for (MixPath path : fast_paths()) {
            std::fill(converted.begin(), converted.end(), static_cast<int16_t>(0x5555));
            floats = source;
            mix_path_kernels(path)->convert(floats.data(), converted.data(), frames);
            ASSERT_EQ(converted, reference) << path_name(path) << " round " << round << " frames " << frames;
            ASSERT_EQ(std::memcmp(floats.data(), cleared.data(), floats.size() * sizeof(float)), 0) << path_name(path);
        }
    }
}

// The ramp kernels by themselves, where the volumes reached are seen as
// floats and not only as the bytes they round to: every count up to 40, so a
// ramp ends at every place in a group of frames, near and far steps forward
// and backward.
TEST(MixPaths, RampKernelsGiveTheReferenceBits) {
    std::mt19937 rng(31);
    const std::vector<int16_t> data = random_samples(rng);
    std::vector<float> start_mix(2 * 48), reference(start_mix.size()), mix(start_mix.size());
    for (MixPath path : fast_paths()) {
        for (int32_t count = 1; count <= 40; count++) {
            for (int trial = 0; trial < 8; trial++) {
                const bool backward = trial % 2 == 1;
                const uint64_t fraction = rng();
                const uint64_t step = trial < 4 ? fraction : (uint64_t(1 + rng() % 3) << 32 | fraction);
                const uint64_t position = uint64_t(backward ? 2200 : 100) << 32 | rng();
                const float left = static_cast<float>(rng() % 256) / 255.0f, right = static_cast<float>(rng() % 256) / 255.0f;
                const float left_increment = random_increment(rng);
                const float right_increment = trial == 2 ? 0.0f : random_increment(rng);
                for (float& x : start_mix) x = random_level(rng);
                float reference_left = left, reference_right = right, path_left = left, path_right = right;
                reference = start_mix;
                mix = start_mix;
                const uint64_t reference_end = mix_reference_kernels.ramped(reference.data(), count, data.data(), position, step, backward,
                                                                            &reference_left, &reference_right, left_increment, right_increment);
                const uint64_t end = mix_path_kernels(path)->ramped(mix.data(), count, data.data(), position, step, backward,
                                                                    &path_left, &path_right, left_increment, right_increment);
                ASSERT_EQ(end, reference_end) << path_name(path) << " count " << count << " trial " << trial;
                ASSERT_EQ(std::memcmp(mix.data(), reference.data(), mix.size() * sizeof(float)), 0)
                    << path_name(path) << " count " << count << " trial " << trial;
                ASSERT_EQ(std::memcmp(&path_left, &reference_left, sizeof(float)), 0) << path_name(path) << " count " << count;
                ASSERT_EQ(std::memcmp(&path_right, &reference_right, sizeof(float)), 0) << path_name(path) << " count " << count;
            }
        }
    }
}

// The steady kernels by themselves at every count up to 40 (every place the
// last frames can fall in a group of four, eight or more) and at the steps where
// the fast paths change how far one load must reach: a fraction just short
// of a whole frame puts the last frame of a group as far on as it can be.
// Into a clear span too, where a sign of zero would show.
TEST(MixPaths, SteadyKernelsGiveTheReferenceBits) {
    std::mt19937 rng(77);
    const std::vector<int16_t> data = random_samples(rng);
    std::vector<uint64_t> steps = {(uint64_t(2) << 32) - 1, uint64_t(2) << 32, 0xEE000000, 0x74000000, 0x36000000,
                                   0x1234567, uint64_t(3) << 31, 0x1BB000000, 0x1E6000000};
    // 6/7, 6/15, 6/31, 12/7 and 13/7 of a frame, and around them
    for (const uint64_t limit : {(uint64_t(6) << 32) / 7, (uint64_t(6) << 32) / 15, (uint64_t(6) << 32) / 31,
                                 (uint64_t(12) << 32) / 7, (uint64_t(13) << 32) / 7})
        for (const uint64_t step : {limit - 3, limit - 1, limit, limit + 1, limit + 2}) steps.push_back(step);
    std::vector<float> start_mix(2 * 48), reference(start_mix.size()), mix(start_mix.size());
    for (MixPath path : fast_paths()) {
        for (int32_t count = 1; count <= 40; count++) {
            for (const uint64_t step : steps) {
                for (const bool clear : {false, true}) {
                    const bool backward = rng() % 4 == 0;
                    const uint64_t fraction = rng() % 2 ? 0xFFFFFFFFu - rng() % 3 : rng();
                    const uint64_t position = uint64_t(backward ? 2200 : 100) << 32 | fraction;
                    const float left = rng() % 4 == 0 ? 0.0f : static_cast<float>(rng() % 256) / 255.0f;
                    const float right = static_cast<float>(rng() % 256) / 255.0f;
                    for (float& x : start_mix)
                        x = clear ? 0.0f : random_level(rng);
                    reference = start_mix;
                    mix = start_mix;
                    const uint64_t reference_end = mix_reference_kernels.plain(reference.data(), count, data.data(), position,
                                                                               step, backward, left, right);
                    const MixKernels* kernels = mix_path_kernels(path);
                    const uint64_t end = (clear ? kernels->plain_clear : kernels->plain)(mix.data(), count, data.data(),
                                                                                        position, step, backward, left, right);
                    ASSERT_EQ(end, reference_end) << path_name(path) << " count " << count << " step " << step;
                    ASSERT_EQ(std::memcmp(mix.data(), reference.data(), mix.size() * sizeof(float)), 0)
                        << path_name(path) << " count " << count << " step " << step << " clear " << clear;
                }
            }
        }
    }
}

// The ramp kernels through loop ends against the reference's runs with the
// volumes rounded between them: rounds after any frame of a group, several
// in one group, none.
TEST(MixPaths, RampThroughKernelsGiveTheReferenceBits) {
    std::mt19937 rng(77);
    const std::vector<int16_t> data = random_samples(rng);
    std::vector<float> start_mix(2 * 48), reference(start_mix.size()), mix(start_mix.size());
    for (MixPath path : fast_paths()) {
        for (int32_t count = 1; count <= 40; count++) {
            for (int trial = 0; trial < 8; trial++) {
                const bool backward = trial % 4 == 3;
                const uint64_t step = (trial < 4 ? 0 : uint64_t(1 + rng() % 3) << 32) | rng();
                const uint64_t position = uint64_t(backward ? 2200 : 100) << 32 | rng();
                std::vector<int32_t> rounds;
                for (int32_t k = 1; k < count; k++)
                    if (rng() % (trial % 2 ? 2 : 6) == 0) rounds.push_back(k);
                rounds.push_back(INT32_MAX);
                const float left_increment = random_increment(rng);
                const float right_increment = random_increment(rng);
                float reference_left = static_cast<float>(rng() % 256) / 255.0f, reference_right = 0.5f;
                float path_left = reference_left, path_right = reference_right;
                for (float& x : start_mix) x = random_level(rng);
                reference = start_mix;
                mix = start_mix;
                const uint64_t reference_end = mix_reference_kernels.ramped_through(
                    reference.data(), count, data.data(), position, step, backward, &reference_left, &reference_right,
                    left_increment, right_increment, rounds.data());
                const uint64_t end = mix_path_kernels(path)->ramped_through(mix.data(), count, data.data(), position, step,
                                                                            backward, &path_left, &path_right,
                                                                            left_increment, right_increment, rounds.data());
                ASSERT_EQ(end, reference_end) << path_name(path) << " count " << count << " trial " << trial;
                ASSERT_EQ(std::memcmp(mix.data(), reference.data(), mix.size() * sizeof(float)), 0)
                    << path_name(path) << " count " << count << " trial " << trial;
                ASSERT_EQ(std::memcmp(&path_left, &reference_left, sizeof(float)), 0) << path_name(path) << " count " << count;
                ASSERT_EQ(std::memcmp(&path_right, &reference_right, sizeof(float)), 0) << path_name(path) << " count " << count;
            }
        }
    }
}

namespace {

// A 32-channel song made to reach what the fast paths do differently: forward
// loops of 1 to 1023 frames (played through their copies) and longer ones,
// ping-pong loops, samples that end, 8- and 16-bit data at full scale, notes
// over the whole range, slides, vibrato, arpeggio, tremolo, panning, cuts,
// offsets, envelopes: volumes changing on every tick, so ramps all the time.
XmSong busy_song() {
    std::mt19937 rng(99);
    XmSong song;
    song.channels = 32;
    song.speed = 3;
    auto wave16 = [&](uint32_t n) {
        std::vector<int16_t> f(n);
        for (auto& x : f) x = static_cast<int16_t>(rng() % 3 == 0 ? (rng() % 2 ? 32767 : -32768) : static_cast<int32_t>(rng()));
        return f;
    };
    auto wave8 = [&](uint32_t n) {
        std::vector<int8_t> f(n);
        for (auto& x : f) x = static_cast<int8_t>(rng());
        return f;
    };
    const std::vector<XmSample> samples = {
        xm_sample8(wave8(2), 1, 0, 2),              // a two-frame chip loop
        xm_sample16(wave16(1), 1, 0, 1),            // one frame looping
        xm_sample16(wave16(140), 1, 40, 100),       // short forward loop
        xm_sample16(wave16(1023), 1, 0, 1023),      // the longest with copies
        xm_sample16(wave16(1500), 1, 300, 1024),    // the shortest without
        xm_sample16(wave16(300), 2, 100, 150),      // ping-pong
        xm_sample8(wave8(3), 2, 0, 3),              // tiny ping-pong
        xm_sample16(wave16(2500), 0),               // ends
        xm_sample8(wave8(90), 0),                   // ends soon
    };
    for (size_t i = 0; i < samples.size(); i++) {
        XmInstrument in;
        in.samples.push_back(samples[i]);
        in.samples.back().relative_note = static_cast<int8_t>(static_cast<int32_t>(rng() % 49) - 24);
        if (i % 3 == 1) {  // a volume envelope moving on every tick
            in.volume_type = 1;  // on
            in.volume_points = 3;
            in.volume_envelope[0] = {0, 64};
            in.volume_envelope[1] = {7, 5};
            in.volume_envelope[2] = {20, 50};
            in.fadeout = 800;
        }
        if (i % 3 == 2) {
            in.panning_type = 1;
            in.panning_points = 2;
            in.panning_envelope[0] = {0, 0};
            in.panning_envelope[1] = {30, 64};
        }
        song.instruments.push_back(in);
    }
    const uint8_t effects[][2] = {{0, 0x37}, {1, 0x20}, {2, 0x18}, {3, 0x30}, {4, 0x8C}, {7, 0x6F}, {8, 0x00},
                                  {8, 0xFF}, {9, 0x01}, {10, 0x0F}, {10, 0xF0}, {12, 0x00}, {12, 0x40},
                                  {14, 0xC2}, {17, 0x02}, {25, 0x3F}, {27, 0x13}, {29, 0x21}, {0, 0}};
    const int patterns = 4;
    for (int p = 0; p < patterns; p++) {
        XmPattern pattern;
        pattern.rows = 32;
        pattern.cells.assign(static_cast<size_t>(pattern.rows) * song.channels, Cell{0, 0, 0, 0, 0});
        for (Cell& c : pattern.cells) {
            if (rng() % 3 == 0) {
                c.note = static_cast<uint8_t>(1 + rng() % 96);
                c.instrument = static_cast<uint8_t>(1 + rng() % samples.size());
            } else if (rng() % 12 == 0) {
                c.note = 0xFF;
            }
            if (rng() % 4 == 0) c.volume = static_cast<uint8_t>(0x10 + rng() % 0x41);
            const uint8_t* e = effects[rng() % (sizeof effects / sizeof effects[0])];
            c.effect = e[0];
            c.param = e[1];
        }
        song.patterns.push_back(pattern);
        song.orders[p] = static_cast<uint8_t>(p);
    }
    song.song_length = patterns;
    return song;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The module rendered for its whole song, or `limit` frames at most.
std::vector<int16_t> render_song(const std::vector<uint8_t>& bytes, int32_t rate, int64_t limit) {
    std::vector<int16_t> audio;
    Module* m = xm_load(bytes);
    if (!m) return audio;
    const SongEnd end = render_measure(m, rate, 1, limit, nullptr, nullptr);
    EXPECT_TRUE(render_begin(m, rate));
    render_stop_at(1, limit);
    audio.resize(static_cast<size_t>(end.frame) * 2);
    int64_t done = 0;
    while (done < end.frame) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(end.frame - done, 4096));
        if (render_frames(audio.data() + done * 2, n, nullptr, nullptr) != n) break;
        done += n;
    }
    mp_free(m);
    EXPECT_EQ(done, end.frame);
    return audio;
}

void expect_paths_agree(const std::string& name, const std::vector<uint8_t>& bytes, int32_t rate, int64_t limit) {
    PathGuard guard;
    ASSERT_TRUE(mix_use_path(MIX_REFERENCE));
    const std::vector<int16_t> reference = render_song(bytes, rate, limit);
    ASSERT_FALSE(reference.empty()) << name;
    for (MixPath path : fast_paths()) {
        ASSERT_TRUE(mix_use_path(path));
        const std::vector<int16_t> audio = render_song(bytes, rate, limit);
        ASSERT_EQ(audio.size(), reference.size()) << name << " " << path_name(path);
        const auto differs = std::mismatch(audio.begin(), audio.end(), reference.begin());
        EXPECT_TRUE(differs.first == audio.end())
            << name << " at " << rate << " Hz on the " << path_name(path) << " path differs from frame "
            << (differs.first - audio.begin()) / 2 << " on";
    }
}

}  // namespace

TEST(MixPaths, BuiltSongGivesTheReferenceBits) {
    const std::vector<uint8_t> bytes = xm_build(busy_song());
    for (int32_t rate : {44100, 48000, 22050}) expect_paths_agree("the built song", bytes, rate, 0);
}

TEST(MixPaths, EmbeddedAndCorpusModulesGiveTheReferenceBits) {
    expect_paths_agree("module.xm", read_file(BSA_SOURCE_DIR "/assets/module.xm"), 44100, 0);
    REQUIRE_CORPUS();
    const std::string dir = corpus_dir();
    const char* files[] = {"m03_dontyou.xm",  "m04_rhino_sting.xm", "m05_ZALZA_-_Tekilla_groove.xm",
                           "m06_MRHPx-HBTN_LUCiFER.xm", "m07_JUHO_-_Ihana_paiva.xm", "m08_roadblas.xm",
                           "m16_cydonian_sky.xm", "m17_rfchip001.xm", "m18_title.xm"};
    // A minute of each at most: whole songs take long under the sanitizers.
    for (const char* f : files) expect_paths_agree(f, read_file(dir + "/" + f), 44100, 60 * 44100);
}

// The XM loader: the worked examples of the format, refusals of malformed
// files, and the real modules of the shared corpus.
#include <gtest/gtest.h>
#include <fstream>
#include <map>
#include <sstream>
#include "player/module.h"
#include "player/mp.h"
#include "player/mp_render.h"
#include "tests/corpus.h"
#include "tests/player/xm_builder.h"

namespace {

struct ModuleDeleter {
    void operator()(Module* m) const { mp_free(m); }
};
using ModulePtr = std::unique_ptr<Module, ModuleDeleter>;

ModulePtr load(const std::vector<uint8_t>& bytes, SampleDataFn fn = nullptr) {
    ModulePtr m(xm_load(bytes, fn));
    EXPECT_EQ(xm_open_streams, 0) << "the stream is closed after every load";
    return m;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Loads bytes that must be refused and says why: field, value and limit.
std::string refusal_of(const std::vector<uint8_t>& bytes) {
    EXPECT_EQ(load(bytes), nullptr);
    const LoadRefusal* r = mp_load_refusal();
    return std::string(r->field) + " " + std::to_string(r->value) + " " + std::to_string(r->limit);
}

const Cell& cell(const Module* m, int pattern, int row, int channel) {
    return m->patterns[pattern].cells[row * m->channel_count + channel];
}

}  // namespace

TEST(Loader, SignatureAndStreamFailures) {
    XmSong song = xm_simple_song(xm_sample8({1, 2, 3}));
    EXPECT_NE(load(xm_build(song)), nullptr);
    for (const char* bad : {"extended Module: ", "Extended module: ", "Extended Module:x"}) {
        song.signature = bad;
        EXPECT_EQ(load(xm_build(song)), nullptr) << bad;
    }
    song.signature = "Extended Module:";  // the final space missing
    EXPECT_EQ(load(xm_build(song)), nullptr);
    EXPECT_STREQ(mp_load_refusal()->field, "signature");
    EXPECT_NE(std::string(mp_load_refusal()->reason).find("not an XM module"), std::string::npos);
    EXPECT_EQ(load({}), nullptr);

    mp_set_stream(xm_stream_open, xm_stream_close, xm_stream_read, xm_stream_seek, xm_stream_tell);
    EXPECT_EQ(mp_load(nullptr, nullptr), nullptr) << "stream_open failing gives no module";
    EXPECT_STREQ(mp_load_refusal()->field, "stream");
    std::vector<uint8_t> good = xm_build(xm_simple_song(xm_sample8({1})));
    mp_set_stream(xm_stream_open, nullptr, xm_stream_read, xm_stream_seek, xm_stream_tell);
    EXPECT_EQ(mp_load(&good, nullptr), nullptr) << "a null callback clears all five";
    EXPECT_FALSE(mp_free(nullptr));
}

TEST(Loader, HeaderOrdersAndMissingPatterns) {
    XmSong song;
    song.channels = 3;
    song.song_length = 6;
    song.speed = 4;
    song.bpm = 140;
    song.restart = 2;
    const uint8_t orders[] = {0, 1, 7, 2, 5, 3, 200, 250};  // entries beyond the song do not count
    std::memcpy(song.orders, orders, sizeof orders);
    for (int p = 0; p < 6; p++) {
        XmPattern pattern;
        pattern.rows = 10 + p;
        song.patterns.push_back(pattern);
    }
    ModulePtr m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->song_length, 6);
    EXPECT_EQ(m->restart_position, 2);
    EXPECT_EQ(m->channel_count, 3);
    EXPECT_EQ(m->default_speed, 4);
    EXPECT_EQ(m->default_bpm, 140);
    EXPECT_EQ(m->flags, 1);
    EXPECT_EQ(m->initial_global_volume, 64);
    EXPECT_NE(m->on_tick, nullptr);
    EXPECT_EQ(m->used_pattern_count, 8);
    EXPECT_EQ(m->pattern_count, 8);
    EXPECT_EQ(m->orders[6], 200);
    EXPECT_EQ(m->patterns[5].rows, 15);
    for (int p = 6; p < 8; p++) {
        ASSERT_EQ(m->patterns[p].rows, 64);
        for (int r = 0; r < 64; r++)
            for (int c = 0; c < 3; c++) EXPECT_EQ(cell(m.get(), p, r, c).note, 0);
    }
    EXPECT_EQ(m->instrument_count, 0);

    // The order table is read at offset 80 whatever the header size says.
    song.header_size = 300;
    m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->used_pattern_count, 8);
}

TEST(Loader, PatternUnpacking) {
    XmSong song;
    song.channels = 2;
    song.song_length = 2;
    song.orders[1] = 1;
    XmPattern empty;
    empty.rows = 4;
    empty.use_raw = true;  // packed size 0: no bytes follow
    XmPattern p;
    p.rows = 3;
    p.use_raw = true;
    p.raw = {0x80,                    // empty cell
             0x83, 12, 5,             // note and instrument only
             97, 129, 0x10, 0x0C, 0x40,  // key-off, instrument above 128
             0x82, 128,               // instrument 128 stays
             0x9F, 1, 2, 3, 4, 5,     // every field packed
             0x94, 7, 8};             // volume and parameter
    song.patterns = {empty, p};
    ModulePtr m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->patterns[0].rows, 4);
    const Cell& c0 = cell(m.get(), 1, 0, 0);
    EXPECT_EQ(c0.note | c0.instrument | c0.volume | c0.effect | c0.param, 0);
    const Cell& c1 = cell(m.get(), 1, 0, 1);
    EXPECT_EQ(c1.note, 12);
    EXPECT_EQ(c1.instrument, 5);
    EXPECT_EQ(c1.volume | c1.effect | c1.param, 0);
    const Cell& c2 = cell(m.get(), 1, 1, 0);
    EXPECT_EQ(c2.note, 0xFF);
    EXPECT_EQ(c2.instrument, 0);
    EXPECT_EQ(c2.volume, 0x10);
    EXPECT_EQ(c2.effect, 0x0C);
    EXPECT_EQ(c2.param, 0x40);
    EXPECT_EQ(cell(m.get(), 1, 1, 1).instrument, 128);
    const Cell& c4 = cell(m.get(), 1, 2, 0);
    EXPECT_EQ(c4.note + c4.instrument + c4.volume + c4.effect + c4.param, 15);
    const Cell& c5 = cell(m.get(), 1, 2, 1);
    EXPECT_EQ(c5.volume, 7);
    EXPECT_EQ(c5.param, 8);
    EXPECT_EQ(c5.note | c5.effect, 0);
}

TEST(Loader, MalformedHeadersAreRefused) {
    const XmSong base = xm_simple_song(xm_sample8({1, 2}));
    XmSong song = base;
    song.channels = 0;
    EXPECT_EQ(refusal_of(xm_build(song)), "channel count 0 1");
    song.channels = 33;
    EXPECT_EQ(refusal_of(xm_build(song)), "channel count 33 32");
    EXPECT_STREQ(mp_load_refusal()->reason, "channel count is 33, above the limit of 32");
    song.channels = 32;
    EXPECT_NE(load(xm_build(song)), nullptr);
    EXPECT_STREQ(mp_load_refusal()->field, "") << "a load that succeeds leaves no reason";
    std::vector<uint8_t> cut = xm_build(song);
    cut.resize(69);
    EXPECT_EQ(refusal_of(cut), "file size 69 70");

    song = base;
    song.header_size = 100000;  // points outside the file
    std::vector<uint8_t> bytes = xm_build(base);
    bytes[60] = 0xA0;
    bytes[61] = 0x86;
    bytes[62] = 0x01;
    EXPECT_EQ(refusal_of(bytes), "header size 100000 " + std::to_string(bytes.size() - 60));
    bytes[60] = bytes[61] = bytes[62] = bytes[63] = 0xFF;
    EXPECT_EQ(load(bytes), nullptr);

    song = base;
    song.song_length = 300;  // the order table ends at 256
    std::memset(song.orders, 0, sizeof song.orders);
    ModulePtr m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->song_length, 256);

    song = base;
    song.pattern_count = 257;
    EXPECT_EQ(refusal_of(xm_build(song)), "pattern count 257 256");
    song = base;
    song.instruments.resize(129);
    EXPECT_EQ(refusal_of(xm_build(song)), "instrument count 129 128");
}

TEST(Loader, MalformedPatternsAreRefused) {
    XmSong song = xm_simple_song(xm_sample8({1, 2}), 2, 4);
    song.patterns[0].cells.assign(8, Cell{1, 1, 0, 0, 0});
    std::vector<uint8_t> bytes = xm_build(song);
    EXPECT_NE(load(bytes), nullptr);
    // The file ends inside the pattern data.
    bytes.resize(336 + 9 + 5);
    EXPECT_EQ(refusal_of(bytes), "pattern 0 packed size 24 5");
    bytes.resize(336 + 4);
    EXPECT_EQ(refusal_of(bytes), "pattern 0 header end 345 340");

    // A packed size too small for the cells, and a huge row count.
    song.patterns[0].packed_size = 10;
    EXPECT_EQ(refusal_of(xm_build(song)), "pattern 0 packed size 10 8");
    song.patterns[0].packed_size = -1;
    song.patterns[0].rows = 257;
    song.patterns[0].cells.clear();
    EXPECT_EQ(refusal_of(xm_build(song)), "pattern 0 row count 257 256");
    song.patterns[0].rows = 256;
    EXPECT_NE(load(xm_build(song)), nullptr);

    // Bytes beyond the cells are passed over: the instrument after them loads.
    song.patterns[0].rows = 1;
    song.patterns[0].use_raw = true;
    song.patterns[0].raw = {0x80, 0x80, 0x81, 5, 0x80};
    ModulePtr m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->instruments[0].samples[0]->length, 2u);
}

TEST(Loader, InstrumentsAndSampleCounts) {
    XmSong song = xm_simple_song(xm_sample8({1, 2}));
    XmInstrument none;
    none.header_size = 40;  // the next instrument starts 40 bytes after this one
    XmInstrument second;
    second.samples.push_back(xm_sample8({5, 6, 7}));
    second.samples.push_back(xm_sample8({9}));
    second.volume_points = 1;
    second.volume_type = 7;
    second.panning_points = 2;
    second.panning_type = 3;
    second.fadeout = 4095;
    second.sample_map[5] = 1;
    second.volume_envelope[0] = {3, 40};
    second.vibrato_rate = 9;
    song.instruments = {none, second};
    ModulePtr m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->instrument_count, 2);
    const Instrument& a = m->instruments[0];
    EXPECT_EQ(a.sample_count, 0);
    for (Sample* s : a.samples) EXPECT_EQ(s, &empty_sample);
    const Instrument& b = m->instruments[1];
    EXPECT_EQ(b.sample_count, 2);
    EXPECT_EQ(b.samples[1]->length, 1u);
    EXPECT_EQ(b.samples[1]->data[0], 9 * 256);
    for (int j = 2; j < 16; j++) EXPECT_EQ(b.samples[j], &empty_sample);
    EXPECT_EQ(b.volume_type, 0) << "one point switches the envelope off";
    EXPECT_EQ(b.panning_type, 3);
    EXPECT_EQ(b.fadeout, 8190);
    EXPECT_EQ(b.sample_map[5], 1);
    EXPECT_EQ(b.volume_envelope[0].x, 3);
    EXPECT_EQ(b.volume_envelope[0].y, 40);
    EXPECT_EQ(b.vibrato_rate, 9);

    // A sample-map byte names 256 samples; more than that is refused, more
    // than the defined 16 are kept.
    second.samples.assign(257, xm_sample8({1}));
    song.instruments = {none, second};
    EXPECT_EQ(refusal_of(xm_build(song)), "instrument 2 sample count 257 256");
    second.samples.resize(23);
    second.samples[22] = xm_sample8({5});
    song.instruments = {second};
    ModulePtr wide = load(xm_build(song));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->instruments[0].sample_count, 23);
    EXPECT_EQ(wide->instruments[0].samples[22]->data[0], 5 * 256);
    EXPECT_EQ(wide->instruments[0].samples[23], &empty_sample);
}

TEST(Loader, SampleTypesLoopsAndGuards) {
    std::vector<int8_t> frames(20);
    for (int k = 0; k < 20; k++) frames[k] = static_cast<int8_t>(k * 3 - 20);
    XmInstrument in;
    in.samples.push_back(xm_sample8(frames, 0, 4, 6));   // no loop
    in.samples.push_back(xm_sample8(frames, 3, 10, 5));  // both bits: ping-pong
    in.samples.push_back(xm_sample8(frames, 1, 10, 5));  // forward
    in.samples.push_back(xm_sample8(frames, 1, 12, 50)); // loop past the end: cut
    in.samples.push_back(xm_sample8(frames, 2, 25, 4));  // loop start past the end: dropped
    XmSample wide;  // 16-bit, one byte of loop
    wide.type = 0x11;
    wide.length = 8;
    wide.loop_start = 2;
    wide.loop_length = 1;
    wide.data = xm_delta16({100, -200, 300, 32767});
    in.samples.push_back(wide);
    XmSong song = xm_simple_song(XmSample{});
    song.instruments = {in};
    ModulePtr m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    Sample* const* s = m->instruments[0].samples;
    EXPECT_EQ(s[0]->loop_kind, LOOP_NONE);
    EXPECT_EQ(s[0]->loop_start, 0u);
    EXPECT_EQ(s[0]->loop_length, 20u);
    EXPECT_EQ(s[0]->data[20], 0) << "no guard without a loop";
    EXPECT_EQ(s[0]->data[19], (19 * 3 - 20) * 256);
    EXPECT_EQ(s[0]->bits, 16);
    EXPECT_EQ(s[1]->loop_kind, LOOP_PINGPONG);
    EXPECT_EQ(s[1]->data[15], s[1]->data[14]);
    EXPECT_EQ(s[2]->loop_kind, LOOP_FORWARD);
    EXPECT_EQ(s[2]->data[15], s[2]->data[10]);
    EXPECT_EQ(s[3]->loop_kind, LOOP_FORWARD);
    EXPECT_EQ(s[3]->loop_length, 8u);
    EXPECT_EQ(s[3]->data[20], s[3]->data[12]);
    EXPECT_EQ(s[4]->loop_kind, LOOP_NONE);
    EXPECT_EQ(s[4]->loop_length, 20u);
    EXPECT_EQ(s[5]->length, 4u);
    EXPECT_EQ(s[5]->loop_kind, LOOP_NONE);
    EXPECT_EQ(s[5]->loop_start, 0u);
    EXPECT_EQ(s[5]->loop_length, 4u);
    EXPECT_EQ(s[5]->data[1], -200);
    EXPECT_EQ(s[5]->data[3], 32767);
}

TEST(Loader, SampleDecoding) {
    XmSample deltas;
    deltas.length = 3;
    deltas.data = {0x7F, 0x01, 0x80};  // 127, then 128 wraps to -128, then 0
    XmSample odd;  // 16-bit with an odd stored byte count: the extra byte is passed over
    odd.type = 0x10;
    odd.length = 5;
    odd.data = xm_delta16({1000, -1000});
    odd.data.push_back(0xEE);
    XmSample packed;  // a 16-byte delta table and one nibble per frame
    packed.length = 5;
    packed.reserved = 0xAD;
    packed.data = {0, 1, 2, 3, 4, 5, 6, 7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
                   0x21, 0x8F, 0x03};
    XmInstrument in;
    in.samples = {deltas, odd, packed, xm_sample8({42})};
    XmSong song = xm_simple_song(XmSample{});
    song.instruments = {in};
    ModulePtr m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    Sample* const* s = m->instruments[0].samples;
    EXPECT_EQ(s[0]->data[0], 0x7F00);
    EXPECT_EQ(s[0]->data[1], -32768);
    EXPECT_EQ(s[0]->data[2], 0);
    EXPECT_EQ(s[1]->length, 2u);
    EXPECT_EQ(s[1]->data[0], 1000);
    EXPECT_EQ(s[1]->data[1], -1000);
    // Nibbles low first: +1, +2, -1 (0xF), -8 (8), +3 -> 1, 3, 2, -6, -3.
    ASSERT_EQ(s[2]->length, 5u);
    const int16_t expected[] = {1, 3, 2, -6, -3};
    for (int k = 0; k < 5; k++) EXPECT_EQ(s[2]->data[k], expected[k] * 256) << k;
    EXPECT_EQ(s[3]->data[0], 42 * 256) << "the sample after them is in step";
}

namespace {
int delivered_calls = 0;
void deliver(void* buffer, int32_t bytes, int32_t bits, int32_t instrument, int32_t sample) {
    delivered_calls++;
    uint8_t* b = static_cast<uint8_t*>(buffer);
    for (int32_t k = 0; k < bytes; k++) b[k] = static_cast<uint8_t>(10 * (instrument + 1) + sample + k);
    (void)bits;
}
}  // namespace

TEST(Loader, SampleDataCallback) {
    XmInstrument first;
    first.samples = {xm_sample8({1, 2, 3}), XmSample{}};
    XmSample wide;
    wide.type = 0x10;
    wide.length = 4;
    wide.data = {9, 9, 9, 9};
    XmInstrument second;
    second.samples = {wide};
    XmSong song = xm_simple_song(XmSample{});
    song.instruments = {first, second};
    delivered_calls = 0;
    ModulePtr m = load(xm_build(song), deliver);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(delivered_calls, 2) << "not called for a sample of length 0";
    const Sample* a = m->instruments[0].samples[0];
    EXPECT_EQ(a->data[0], 10 * 256) << "delivered frames are not delta-decoded";
    EXPECT_EQ(a->data[2], 12 * 256);
    const Sample* b = m->instruments[1].samples[0];
    ASSERT_EQ(b->length, 2u);
    EXPECT_EQ(b->data[0], 20 | 21 << 8);
    EXPECT_EQ(b->data[1], 22 | 23 << 8);
}

TEST(Loader, TruncatedFilesKeepWhatIsThere) {
    XmInstrument big;
    std::vector<int8_t> frames(100, 5);
    big.samples = {xm_sample8(frames, 1, 40, 50)};
    XmSong song = xm_simple_song(XmSample{});
    song.instruments = {big, big};
    std::vector<uint8_t> bytes = xm_build(song);

    // The file ends 70 frames into the second sample: its loop is cut there.
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 30);
    ModulePtr m = load(cut);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(mp_load_missing_bytes(), 30);
    const Sample* s = m->instruments[1].samples[0];
    EXPECT_EQ(s->length, 70u);
    EXPECT_EQ(s->loop_start, 40u);
    EXPECT_EQ(s->loop_length, 30u);
    EXPECT_EQ(s->data[70], s->data[40]);

    // The file ends inside the second instrument's header: it has no samples.
    const size_t second = bytes.size() - 100 - 40 - 263;
    for (size_t end : {second + 2, second + 30, second + 200}) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(end));
        m = load(part);
        ASSERT_NE(m, nullptr) << end;
        // Cut before its sample count, the instrument is as good as empty.
        EXPECT_EQ(mp_load_missing_bytes() > 0, end > second + 2) << end;
        EXPECT_EQ(m->instruments[0].samples[0]->length, 100u);
        const Instrument& in = m->instruments[1];
        EXPECT_TRUE(in.sample_count == 0 || in.samples[0]->length == 0) << end;
    }

    EXPECT_NE(load(bytes), nullptr);
    EXPECT_EQ(mp_load_missing_bytes(), 0) << "the whole file";

    // A sample that claims far more bytes than the file holds.
    song.instruments[1].samples[0].length = 0xFFFFFFF0u;
    m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->instruments[1].samples[0]->length, 100u);
}

TEST(Loader, OldLayoutVersion0102) {
    XmSong song;
    song.version = 0x0102;
    song.channels = 2;
    song.song_length = 2;
    song.orders[1] = 1;
    XmPattern a, b;
    a.rows = 64;
    b.rows = 3;
    b.cells.assign(6, Cell{0, 0, 0, 0, 0});
    b.cells[5] = Cell{49, 2, 0, 0, 0};
    song.patterns = {a, b};
    XmInstrument one, two;
    one.samples = {xm_sample8({1, 2, 3})};
    two.samples = {xm_sample8({7, 8}), xm_sample8({9})};
    song.instruments = {one, two};
    ModulePtr m = load(xm_build(song));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->patterns[0].rows, 64);
    ASSERT_EQ(m->patterns[1].rows, 3);
    EXPECT_EQ(cell(m.get(), 1, 2, 1).note, 49);
    EXPECT_EQ(cell(m.get(), 1, 2, 1).instrument, 2);
    EXPECT_EQ(m->instruments[0].samples[0]->data[2], 3 * 256);
    EXPECT_EQ(m->instruments[1].samples[0]->data[1], 8 * 256);
    EXPECT_EQ(m->instruments[1].samples[1]->data[0], 9 * 256);
}

namespace {
struct CorpusFacts {
    int patterns, instruments, song_length, restart, speed, bpm;
    bool linear;
};

std::map<std::string, CorpusFacts> corpus_facts(const std::string& dir) {
    std::map<std::string, CorpusFacts> facts;
    std::ifstream tsv(dir + "/SOURCES.tsv");
    std::string line;
    std::getline(tsv, line);
    while (std::getline(tsv, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '\t')) f.push_back(field);
        if (f.size() < 11) continue;
        facts[f[0]] = {std::stoi(f[4]), std::stoi(f[5]), std::stoi(f[6]), std::stoi(f[7]),
                       std::stoi(f[9]), std::stoi(f[10]), f[8] == "linear"};
    }
    return facts;
}
}  // namespace

// Every real module loads with the shape its author gave it and plays for a
// while through the block renderer (one instrument of grass_near_the_house
// has 23 samples).
TEST(Loader, CorpusModulesLoadAndPlay) {
    REQUIRE_CORPUS();
    const std::string dir = corpus_dir();
    const std::map<std::string, CorpusFacts> facts = corpus_facts(dir);
    ASSERT_GE(facts.size(), 10u) << "corpus at " << dir;
    for (const auto& [name, f] : facts) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = read_file(dir + "/" + name);
        ASSERT_FALSE(bytes.empty());
        ModulePtr m = load(bytes);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->pattern_count, f.patterns);
        EXPECT_EQ(m->instrument_count, f.instruments);
        EXPECT_EQ(m->song_length, f.song_length);
        EXPECT_EQ(m->restart_position, f.restart);
        EXPECT_EQ(m->default_speed, f.speed);
        EXPECT_EQ(m->default_bpm, f.bpm);
        EXPECT_EQ((m->flags & 1) != 0, f.linear);
        ASSERT_TRUE(render_begin(m.get(), 44100));
        std::vector<int16_t> out(2 * 44100);
        int64_t energy = 0;
        for (int second = 0; second < 5; second++) {
            EXPECT_EQ(render_frames(out.data(), 44100, nullptr, nullptr), 44100);
            for (int16_t v : out) energy += v < 0 ? -v : v;
        }
        EXPECT_GT(energy, 0) << "the module is heard";
        mp_stop(m.get());
    }
}

TEST(Loader, CorpusSampleShapes) {
    REQUIRE_CORPUS();
    const std::string dir = corpus_dir();
    // Sample counts and loop kinds come out right only if the loader stays in
    // step through every header and every (packed) sample.
    struct Shape { const char* file; int samples, pingpong, forward; };
    for (const Shape& want : {Shape{"m06_MRHPx-HBTN_LUCiFER.xm", 45, 4, 4},
                              Shape{"m04_rhino_sting.xm", 1, 0, 1}, Shape{"m08_roadblas.xm", 13, 0, 13}}) {
        SCOPED_TRACE(want.file);
        ModulePtr m = load(read_file(dir + "/" + want.file));
        ASSERT_NE(m, nullptr);
        int samples = 0, pingpong = 0, forward = 0;
        for (int i = 0; i < m->instrument_count; i++)
            for (int j = 0; j < m->instruments[i].sample_count; j++) {
                const Sample* s = m->instruments[i].samples[j];
                samples++;
                pingpong += s->loop_kind == LOOP_PINGPONG;
                forward += s->loop_kind == LOOP_FORWARD;
                ASSERT_LE(uint64_t(s->loop_start) + s->loop_length, s->length);
            }
        EXPECT_EQ(samples, want.samples);
        EXPECT_EQ(pingpong, want.pingpong);
        EXPECT_EQ(forward, want.forward);
    }
}

TEST(Loader, EmbeddedModule) {
    ModulePtr m = load(read_file(BSA_SOURCE_DIR "/assets/module.xm"));
    ASSERT_NE(m, nullptr);
    EXPECT_GE(m->instrument_count, 1);
    EXPECT_EQ(m->channel_count, 32);
}
